#include "velok/core/pal.h"

#include <vector>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"

namespace {

class GamePal : public TempDirTest {
protected:
    std::vector<unsigned char> rgba = std::vector<unsigned char>(256 * 4, 100);
    Palette pals[3];
    void SetUp() override
    {
        TempDirTest::SetUp();
        gv = new GameVars();
        PalFxGlobalInit();
        for (Palette &p : pals)
            PalInit(&p, 256, rgba.data(), 0);
    }
    void TearDown() override
    {
        PalListFree();
        for (Palette &p : pals)
            PalFree(&p);
        PalFxGlobalFree();
        delete gv;
        gv = nullptr;
        TempDirTest::TearDown();
    }
    PalGroupMask M(uint32_t bits, int word = 0) { return PalGroupMaskMake(bits, word); }
};

} // namespace

TEST_F(GamePal, MaskOperations)
{
    PalGroupMask a = M(0x101), b = M(0x100), c = M(1, 3);
    EXPECT_TRUE(PalGroupMaskIntersects(a, b));
    EXPECT_FALSE(PalGroupMaskIntersects(a, c));
    EXPECT_TRUE(PalGroupMaskEqual(PalGroupMaskOr(b, M(1)), a));
    EXPECT_TRUE(PalGroupMaskEqual(PalGroupMaskXor(a, b), M(1)));
    EXPECT_FALSE(PalGroupMaskAny(PalGroupMaskXor(a, a)));
    EXPECT_TRUE(PalGroupMaskAny(c));
    PalGroupMask all = PalGroupMaskAll();
    for (int w = 0; w < 5; w++)
        EXPECT_TRUE(PalGroupMaskIntersects(all, M(0x80000000u, w))) << w;
    EXPECT_EQ(M(7, 4).w[4], 7u);
}

TEST_F(GamePal, MaskWordOutOfRangeIsFatal)
{
    for (int word : {5, -1})
        EXPECT_EXIT(PalGroupMaskMake(1, word), ::testing::ExitedWithCode(1), "Bleh, palgrpmakeflag") << word;
}

TEST_F(GamePal, ListRegistration)
{
    EXPECT_EQ(PalListAdd(nullptr, M(1)), 0);
    EXPECT_EQ(PalListAdd(&pals[0], M(1)), 1);
    EXPECT_EQ(PalListAdd(&pals[0], M(1)), 1);
    ASSERT_NE(gv->palList, nullptr);
    EXPECT_EQ(gv->palList->count, 1);
    EXPECT_EQ(gv->palList->capacity, 64);
    EXPECT_EQ(PalListAdd(&pals[0], M(2)), 1);
    EXPECT_EQ(gv->palList->count, 2);
    EXPECT_EQ(PalListAdd(&pals[1], M(PAL_GROUP_BG)), 1);
    EXPECT_EQ(gv->palBgCount, 1);
    // Growth by 16 keeps every entry.
    std::vector<Palette> many(70);
    for (Palette &p : many)
        ASSERT_EQ(PalListAdd(&p, M(4)), 1);
    EXPECT_EQ(gv->palList->count, 73);
    EXPECT_EQ(gv->palList->capacity, 80);
    PalListRemove(M(4));
    ASSERT_EQ(gv->palList->count, 3);
    EXPECT_EQ(gv->palList->entries[0].pal, &pals[0]);
    EXPECT_EQ(gv->palList->entries[1].pal, &pals[0]);
    EXPECT_TRUE(PalGroupMaskEqual(gv->palList->entries[1].mask, M(2)));
    EXPECT_EQ(gv->palList->entries[2].pal, &pals[1]);
    PalListRebuild();
    EXPECT_EQ(gv->palList->count, 0);
    EXPECT_EQ(gv->palList->capacity, 64);
    EXPECT_EQ(gv->palBgCount, 0);
}

TEST_F(GamePal, PlayerPalettesRegistered)
{
    Array *arr = ArrayCreate(4, sizeof(Palette), nullptr);
    ASSERT_NE(arr, nullptr);
    ArrayAdd(arr, &pals[0], 0, 1);
    ArrayAdd(arr, &pals[1], 1, 0);
    PalListAddPlayer(arr, M(0x10000));
    ASSERT_EQ(gv->palList->count, 2);
    Palette *first = static_cast<Palette *>(ArrayAt(arr, 0));
    PalFxGroupAdd(M(0x10000), 1, 2, 3);
    EXPECT_EQ(first->fx.addB, 3);
    PalListFree();
    EXPECT_EQ(first->fx.addB, 0);
    ArrayFree(arr);
}

TEST_F(GamePal, GroupEffectsReachSharedBits)
{
    PalListAdd(&pals[0], M(0x3));
    PalListAdd(&pals[1], M(0x4));
    PalListAdd(&pals[2], M(0x1, 2));
    PalFxGroupAdd(M(0x2), 10, 20, 30);
    PalFxGroupMul(M(0x2), 128, 256, 256);
    PalFxGroupColor(M(0x6), 128);
    PalFxGroupInvert(M(0x4), 1);
    EXPECT_EQ(pals[0].fx.addG, 20);
    EXPECT_EQ(pals[0].fx.mulR, 128);
    EXPECT_EQ(pals[0].fx.color, 128);
    EXPECT_EQ(pals[0].fx.invert, 0);
    EXPECT_EQ(pals[1].fx.addG, 0);
    EXPECT_EQ(pals[1].fx.color, 128);
    EXPECT_NE(pals[1].fx.invert, 0);
    EXPECT_EQ(pals[2].fx.color, 256);
    PalFxGroupReset(M(0x1));
    EXPECT_EQ(pals[0].fx.addG, 0);
    EXPECT_EQ(pals[1].fx.color, 128);
    PalListFxReset();
    EXPECT_EQ(pals[1].fx.color, 256);
    EXPECT_EQ(pals[1].fx.invert, 0);
}

TEST_F(GamePal, TimedEffectRunsItsTime)
{
    PalListAdd(&pals[0], M(1));
    PalFx fx;
    PalFxInit(&fx);
    fx.time = 10;
    fx.addR = 40;
    fx.mulB = 128;
    for (int tick = 1; tick <= 10; tick++) {
        PalListFxReset();
        EXPECT_EQ(PalFxApply(&fx, M(1), 0, 1), 1) << tick;
        EXPECT_EQ(pals[0].fx.addR, 40) << tick;
        EXPECT_EQ(pals[0].fx.mulB, 128) << tick;
    }
    EXPECT_EQ(fx.counter, 10);
    PalListFxReset();
    EXPECT_EQ(PalFxApply(&fx, M(1), 0, 1), 0);
    EXPECT_EQ(pals[0].fx.addR, 0);
    EXPECT_EQ(fx.time, 0);
    EXPECT_EQ(fx.resetPending, 1);
    // The next apply resets the groups once.
    PalFxAdd(&pals[0], 5, 5, 5);
    EXPECT_EQ(PalFxApply(&fx, M(1), 0, 1), 0);
    EXPECT_EQ(pals[0].fx.addR, 0);
    EXPECT_EQ(fx.resetPending, 0);
}

TEST_F(GamePal, PauseFreezesAndSlowMotionHolds)
{
    PalListAdd(&pals[0], M(1));
    PalFx fx;
    PalFxInit(&fx);
    fx.time = -1;
    fx.addG = 7;
    PalFxApply(&fx, M(1), 0, 1);
    EXPECT_EQ(fx.counter, 1);
    gv->paused = 1;
    PalListFxReset();
    EXPECT_EQ(PalFxApply(&fx, M(1), 0, 1), 0);
    EXPECT_EQ(fx.counter, 1);
    EXPECT_EQ(pals[0].fx.addG, 0);
    gv->paused = 0;
    gv->slowAccum = 3;
    EXPECT_EQ(PalFxApply(&fx, M(1), 0, 1), 0);
    EXPECT_EQ(fx.counter, 1);
    EXPECT_EQ(pals[0].fx.addG, 7);
    gv->slowAccum = 0;
    // Effects on one palette in one tick accumulate.
    PalFx other;
    PalFxInit(&other);
    other.time = 5;
    other.addG = 3;
    other.invertAll = 1;
    fx.invertAll = 1;
    PalFxApply(&other, M(1), 0, 0);  // its first apply clears what came before
    PalListFxReset();
    PalFxApply(&fx, M(1), 0, 1);
    PalFxApply(&other, M(1), 0, 1);
    EXPECT_EQ(pals[0].fx.addG, 10);
    EXPECT_EQ(pals[0].fx.invert, 0);
}

TEST_F(GamePal, SineModulatedGlobalAdd)
{
    PalFx fx;
    PalFxInit(&fx);
    fx.time = -1;
    fx.period = 60;
    fx.sinR = 100;
    fx.sinB = -2000000000;
    fx.addB = -2000000000;
    struct { int counter, red; } cases[] = {{15, 99}, {30, 0}, {45, -99}, {0, 0}};
    for (auto &c : cases) {
        fx.counter = c.counter;
        PalFxApply(&fx, PalGroupMaskAll(), 1, 0);
        EXPECT_EQ(PalFxGlobalGet()->cur.addR, c.red) << c.counter;
        EXPECT_EQ(fx.counter, c.counter);
    }
    EXPECT_EQ(PalFxGlobalGet()->neutral, 0);
    // A fresh effect on the global resets it first.
    PalFxInit(&fx);
    PalFxApply(&fx, PalGroupMaskAll(), 1, 1);
    EXPECT_EQ(PalFxGlobalGet()->cur.addR, 0);
    EXPECT_EQ(PalFxGlobalGet()->neutral, 1);
}
