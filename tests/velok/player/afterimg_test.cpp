#include "velok/player/afterimg.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/drawlist.h"
#include "lib/spr-lib.h"
#include "support/fieldkit.h"
#include "support/testkit.h"
#include "velok/player/player.h"

TEST(AfterImagePool, RecordsAreLentAndGivenBack)
{
    Array *pool = AfterImagePoolCreate(3, 60);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->used, 3);
    AfterImage *a = AfterImagePoolFindFree(pool);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->capacity, 60);
    EXPECT_EQ(a->frames[59].spr, -1);
    EXPECT_EQ(a->frames[59].pal.count, 256);
    int owner1 = 0, owner2 = 0, owner3 = 0;
    a->owner = &owner1;
    a->active = 1;
    AfterImage *b = AfterImagePoolFindFree(pool);
    ASSERT_NE(b, a);
    b->owner = &owner2;
    AfterImagePoolFindFree(pool)->owner = &owner3;
    EXPECT_EQ(AfterImagePoolFindFree(pool), nullptr) << "all lent";
    EXPECT_EQ(AfterImagePoolCount(pool), 3);

    b->owner = nullptr;
    EXPECT_EQ(AfterImagePoolFindFree(pool), b);
    EXPECT_EQ(AfterImagePoolCount(pool), 2);

    AfterImagePoolReset(pool);
    EXPECT_EQ(AfterImagePoolCount(pool), 0);
    EXPECT_EQ(a->active, 0);
    EXPECT_EQ(AfterImagePoolFindFree(pool), a);
    AfterImagePoolFree(pool);

    EXPECT_EQ(AfterImagePoolCount(nullptr), 0);
    EXPECT_EQ(AfterImagePoolFindFree(nullptr), nullptr);
    Array *empty = AfterImagePoolCreate(0, 60);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(AfterImagePoolFindFree(empty), nullptr);
    AfterImagePoolFree(empty);
    EXPECT_EQ(AfterImagePoolCreate(2, 0), nullptr) << "records need frames";
}

TEST(AfterImagePoolDeathTest, ActiveRecordWithoutOwnerStopsTheProgram)
{
    Array *pool = AfterImagePoolCreate(1, 4);
    ASSERT_NE(pool, nullptr);
    AfterImage *a = AfterImagePoolFindFree(pool);
    a->active = 1;
    EXPECT_DEATH(AfterImagePoolFindFree(pool), "Assert failure in .*afterimg");
    AfterImagePoolFree(pool);
}

namespace {

// A trail over a kit fighter's animation player: action 0 shows the kit's
// one sprite for ever; action 20 the same sprite offset by (5, -3) and
// flipped. Draws are queued into a list of the test's.
class Trail : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        CharKit kit = FieldKitChar();
        kit.air += AirAction(20, {"0,0, 5,-3, -1, H"});
        Field(1, kit);
        list = DrawListCreate(64);
        p1->anim->drawList = list;
        AnimObjTick(p1->anim);
        ai = AfterImageCreate(60);
        ASSERT_NE(ai, nullptr);
    }
    void TearDown() override
    {
        AfterImageFree(ai);
        DrawListFree(list);
        FieldTest::TearDown();
    }
    AfterImageParams Params(int time, int length, int timeGap, int frameGap)
    {
        AfterImageParams p{};
        p.time = time;
        p.length = length;
        p.timeGap = timeGap;
        p.frameGap = frameGap;
        p.palColor = 256;
        for (int c = 0; c < 3; c++) {
            p.palContrast[c] = 256;
            p.palMul[c] = 1.0f;
        }
        p.alphaSrc = p.alphaDst = 256;
        return p;
    }
    void Record(int ticks)
    {
        for (int i = 0; i < ticks; i++)
            AfterImageRecord(ai, 40.0f, 50.0f, 1.0f, 1.0f, 0.0f, 0, 1);
    }
    // The queued entries in the order they were queued.
    std::vector<DrawEntry> Entries()
    {
        std::vector<DrawEntry> out;
        for (int i = 0; i < list->entries->used; i++)
            out.push_back(*(DrawEntry *)ArrayAt(list->entries, i));
        return out;
    }
    DrawList *list = nullptr;
    AfterImage *ai = nullptr;
};

} // namespace

TEST_F(Trail, TakesBlanksAfterItsTimeAndFadesOutAfterItsLength)
{
    AfterImageParams p = Params(10, 20, 1, 4);
    AfterImageSetParams(ai, &p, p1->anim);
    Record(10);
    // The frame of tick t lies at t modulo the length.
    EXPECT_GE(ai->frames[8].spr, 0);
    EXPECT_EQ(ai->frames[9].spr, -1) << "blank from tick 9 on";
    int calls = 10;
    while (AfterImageRecord(ai, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0, 1) && calls < 100)
        calls++;
    EXPECT_EQ(calls, 29);
    EXPECT_EQ(ai->tickCount, 29) << "inactive at time + timegap x length - 1";
    EXPECT_EQ(ai->active, 0);

    // Time -1 never ends; a timegap records every second tick; a tick
    // without advance records again.
    p = Params(-1, 20, 2, 4);
    AfterImageSetParams(ai, &p, p1->anim);
    for (int i = 0; i < 1000; i++)
        ASSERT_EQ(AfterImageRecord(ai, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0, 1), 1);
    EXPECT_EQ(ai->count, 20);
    AfterImageSetParams(ai, &p, p1->anim);
    Record(5);
    EXPECT_EQ(ai->count, 3);
    AfterImageRecord(ai, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0, 0);
    AfterImageRecord(ai, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0, 0);
    EXPECT_EQ(ai->count, 3) << "tick 5 is odd and stays so";
    EXPECT_EQ(ai->tickCount, 5);
}

TEST_F(Trail, CopiesStandFramegapFramesApart)
{
    struct Case {
        int length, frameGap, ticks;
        std::vector<int> ages;  // of the drawn copies, newest first
    };
    const Case cases[] = {
        {20, 4, 25, {4, 8, 12, 16, 20}},
        {20, 4, 10, {4, 8}},
        {20, 4, 3, {}},
        {1, 4, 5, {1}},
        {5, 7, 6, {2}},
        {3, 1, 9, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        DrawListClear(list);
        AfterImageParams p = Params(-1, c.length, 1, c.frameGap);
        AfterImageSetParams(ai, &p, p1->anim);
        // Each frame remembers its tick in its x.
        for (int t = 0; t < c.ticks; t++)
            AfterImageRecord(ai, (float)t, 0.0f, 1.0f, 1.0f, 0.0f, 0, 1);
        AfterImageDraw(ai, 0, 0, 100);
        std::vector<DrawEntry> e = Entries();
        std::vector<int> ages;
        for (const DrawEntry &d : e)
            ages.push_back(c.ticks - d.x);
        EXPECT_EQ(ages, c.ages) << "length " << c.length << ", framegap " << c.frameGap << ", ticks " << c.ticks;
    }
}

TEST_F(Trail, EachCopyDarkensByThePaletteMultipliers)
{
    AfterImageParams p = Params(-1, 4, 1, 1);
    p.palBright[0] = 10;
    p.palBright[1] = 20;
    p.palBright[2] = 30;
    p.palAdd[0] = 5;
    p.palAdd[2] = -5;
    p.palMul[0] = p.palMul[1] = p.palMul[2] = 0.5f;
    p.palMul[2] = 0.75f;
    p.trans = 1;
    AfterImageSetParams(ai, &p, p1->anim);
    p1->anim->drawPriority = 7;
    Record(6);
    AfterImageDraw(ai, -10, -20, 9);
    std::vector<DrawEntry> e = Entries();
    ASSERT_EQ(e.size(), 4u);

    const SprSet *set = p1->anim->spr;
    const SprImage *img = SprSetImageAt(set, AnimObjSprite(p1->anim));
    const Palette *src = SprSetPalAt(set, img->palIndex);
    const Palette *base = e[0].pal;
    ASSERT_NE(base, nullptr);
    for (int c = 0; c < 3; c++) {
        EXPECT_EQ(base->data[4 + c], std::min(255, src->data[4 + c] + p.palBright[c])) << "channel " << c;
        EXPECT_EQ(base->data[c], src->data[c]) << "colour 0 stays transparent";
    }
    EXPECT_EQ(base->fx.mulR, 256);
    const int mulR[] = {128, 64, 32}, mulB[] = {192, 144, 108};
    for (int n = 1; n <= 3; n++) {
        const Palette *pal = e[n].pal;
        EXPECT_EQ(pal->fx.mulR, mulR[n - 1]) << "copy " << n;
        EXPECT_EQ(pal->fx.mulG, mulR[n - 1]) << "copy " << n;
        EXPECT_EQ(pal->fx.mulB, mulB[n - 1]) << "copy " << n;
        EXPECT_EQ(pal->fx.addR, 5 * n);
        EXPECT_EQ(pal->fx.addB, -5 * n);
        EXPECT_EQ(memcmp(pal->data, base->data, 4 * 256), 0) << "from the first copy's colours";
    }
    for (int n = 0; n < 4; n++) {
        EXPECT_EQ(e[n].priority, 7 - (n + 1)) << "below the lower of the two priorities, newest nearest";
        EXPECT_EQ(e[n].x, 30);
        EXPECT_EQ(e[n].y, 30);
        EXPECT_EQ(e[n].trans, 1);
        EXPECT_EQ(e[n].kind, DRAW_PLAIN);
    }
    DrawListClear(list);
    AfterImageDraw(ai, 0, 0, 3);
    EXPECT_EQ(Entries()[0].priority, 2);

    // Inverted and turned grey before the brightness.
    p = Params(-1, 4, 1, 1);
    p.palInvertAll = 1;
    p.palColor = 0;
    AfterImageSetParams(ai, &p, p1->anim);
    Record(2);
    DrawListClear(list);
    AfterImageDraw(ai, 0, 0, 9);
    const unsigned char *s = src->data + 4 * 5;
    int grey = (5 * s[0] + 7 * s[1] + 4 * s[2]) >> 4;
    EXPECT_EQ(Entries()[0].pal->data[4 * 5], 255 - grey);
}

TEST_F(Trail, FramesKeepTheElementOffsetFlipsAndScale)
{
    AnimObjChangeAction(p1->anim, 0, 20);
    AnimObjRestart(p1->anim);
    AnimObjTick(p1->anim);
    AfterImageParams p = Params(-1, 4, 1, 1);
    AfterImageSetParams(ai, &p, p1->anim);
    AfterImageRecord(ai, 100.0f, 50.0f, 2.0f, 3.0f, 30.0f, ANIM_FLIP_H, 1);
    const AfterImageFrame &f = ai->frames[0];
    EXPECT_FLOAT_EQ(f.x, 90.0f);
    EXPECT_FLOAT_EQ(f.y, 41.0f);
    EXPECT_EQ(f.flip, 0) << "the element's flip undoes the owner's";
    EXPECT_FLOAT_EQ(f.angle, -30.0f);
    AfterImageRecord(ai, 100.0f, 50.0f, 2.0f, 3.0f, 0.0f, 0, 1);
    AfterImageDraw(ai, 0, 0, 9);
    std::vector<DrawEntry> e = Entries();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].kind, DRAW_SCALED);
    EXPECT_EQ(e[0].flip, ANIM_FLIP_H);
    EXPECT_EQ(e[0].x, 110);
    EXPECT_EQ(e[1].kind, DRAW_ROTATED);
    EXPECT_EQ(e[1].angle, -30);
}

TEST_F(Trail, ParametersAreKeptWithinTheRecord)
{
    AfterImageParams p = Params(5, 200, 0, -3);
    AfterImageSetParams(ai, &p, p1->anim);
    EXPECT_EQ(ai->params.length, 60);
    EXPECT_EQ(ai->params.timeGap, 1);
    EXPECT_EQ(ai->params.frameGap, 1);
    p.length = 0;
    AfterImageSetParams(ai, &p, p1->anim);
    EXPECT_EQ(ai->params.length, 1);
    Record(3);
    EXPECT_EQ(ai->count, 1);

    // Inactive or empty trails draw nothing; no animation player, no record.
    AfterImage *fresh = AfterImageCreate(4);
    AfterImageDraw(fresh, 0, 0, 0);
    EXPECT_EQ(AfterImageRecord(fresh, 0, 0, 1, 1, 0, 0, 1), 0);
    AfterImageSetParams(fresh, &p, nullptr);
    EXPECT_EQ(fresh->active, 0);
    AfterImageFree(fresh);
    EXPECT_EQ(list->entries->used, 0);
}

TEST_F(Trail, DrawingWithoutSpritesStopsTheProgram)
{
    AfterImageParams p = Params(-1, 4, 1, 1);
    AfterImageSetParams(ai, &p, p1->anim);
    Record(2);
    SprSet *spr = p1->anim->spr;
    p1->anim->spr = nullptr;
    EXPECT_DEATH(AfterImageDraw(ai, 0, 0, 0), "Assert failure in .*afterimg");
    p1->anim->spr = spr;
}
