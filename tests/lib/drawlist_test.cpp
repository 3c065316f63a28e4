// Draw list order, capacity and scaling; animation-instance lists with layer masks.
#include <gtest/gtest.h>

#include <allegro.h>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/drawlist.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

static DrawEntry Entry(int priority, int x = 0, int kind = DRAW_PLAIN)
{
    DrawEntry e{};
    e.priority = priority;
    e.x = x;
    e.kind = kind;
    e.xScale = 1.0f;
    e.yScale = 1.0f;
    return e;
}

// The entries' x tags in drawing order.
static std::vector<int> DrawOrder(const DrawList *list)
{
    std::vector<int> xs;
    for (int i = 0; i < list->entries->used; i++)
        xs.push_back(((const DrawEntry *)ArrayAt(list->entries, list->order[i]))->x);
    return xs;
}

TEST(DrawList, PriorityOrderNewestFirstAmongEquals)
{
    struct Case {
        std::vector<int> priorities;
        std::vector<int> order;  // indices of the queued entries in drawing order
    } cases[] = {
        {{5, 3, 5}, {1, 2, 0}},
        {{1, 1, 1, 1}, {3, 2, 1, 0}},
        {{9, 2, 7, 2, -4, 9}, {4, 3, 1, 2, 5, 0}},
        {{0}, {0}},
    };
    for (const Case &c : cases) {
        DrawList *list = DrawListCreate(8);
        ASSERT_NE(list, nullptr);
        for (size_t i = 0; i < c.priorities.size(); i++) {
            DrawEntry e = Entry(c.priorities[i], (int)i);
            ASSERT_EQ(DrawListAdd(list, &e), 1);
        }
        EXPECT_EQ(DrawOrder(list), c.order) << "priorities[0] " << c.priorities[0];
        DrawListFree(list);
    }
}

TEST(DrawList, FullListRefusesAndClearEmpties)
{
    DrawList *list = DrawListCreate(2);
    ASSERT_NE(list, nullptr);
    DrawEntry a = Entry(2, 10), b = Entry(1, 11), c = Entry(0, 12);
    EXPECT_EQ(DrawListAdd(list, &a), 1);
    EXPECT_EQ(DrawListAdd(list, &b), 1);
    EXPECT_EQ(DrawListAdd(list, &c), 0);
    EXPECT_EQ(DrawOrder(list), (std::vector<int>{11, 10}));

    DrawListClear(list);
    EXPECT_TRUE(DrawOrder(list).empty());
    EXPECT_EQ(DrawListAdd(list, &c), 1);
    EXPECT_EQ(DrawListAdd(list, &a), 1);
    EXPECT_EQ(DrawOrder(list), (std::vector<int>{12, 10}));
    DrawListFree(list);
    DrawListFree(nullptr);
}

TEST(DrawList, ScalingByKind)
{
    DrawList *list = DrawListCreate(4);
    ASSERT_NE(list, nullptr);
    DrawEntry plain = Entry(0, 7, DRAW_PLAIN);
    plain.y = -3;
    DrawEntry scaled = Entry(1, -5, DRAW_SCALED);
    scaled.xScale = 0.5f;
    scaled.yScale = -2.0f;
    DrawEntry rotated = Entry(2, 1, DRAW_ROTATED);
    rotated.angle = 45;
    rotated.xScale = 3.0f;
    ASSERT_EQ(DrawListAdd(list, &plain), 1);
    ASSERT_EQ(DrawListAdd(list, &scaled), 1);
    ASSERT_EQ(DrawListAdd(list, &rotated), 1);

    DrawListScale(list, 1.5f);
    struct { int kind, x, y; float xs, ys; } want[] = {
        {DRAW_SCALED, 10, -4, 1.5f, 1.5f},    // 10.5 and -4.5 truncated toward zero
        {DRAW_SCALED, -7, 0, 0.75f, -3.0f},
        {DRAW_ROTATED, 1, 0, 4.5f, 1.5f},
    };
    for (int i = 0; i < 3; i++) {
        const DrawEntry *e = (const DrawEntry *)ArrayAt(list->entries, list->order[i]);
        EXPECT_EQ(e->kind, want[i].kind) << i;
        EXPECT_EQ(e->x, want[i].x) << i;
        EXPECT_EQ(e->y, want[i].y) << i;
        EXPECT_FLOAT_EQ(e->xScale, want[i].xs) << i;
        EXPECT_FLOAT_EQ(e->yScale, want[i].ys) << i;
    }
    EXPECT_EQ(((const DrawEntry *)ArrayAt(list->entries, list->order[2]))->angle, 45);
    DrawListFree(list);
}

TEST(DrawList, CreateFailsOnImpossibleCapacity)
{
    LibErrorMsg[0] = 0;
    EXPECT_EQ(DrawListCreate(-1), nullptr);
    EXPECT_STREQ(LibErrorMsg, "Out of memory.");
    EXPECT_EQ(AnimListCreate(-1), nullptr);
}

class AnimListTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        // 1: two ticks then ends; 2: shown for ever; 3: ends after four ticks.
        WriteFileText("t.air", AirAction(1, {AirElemLine(0, 0, 0, 0, 2)}) +
                                   AirAction(2, {AirElemLine(0, 0, 0, 0, 3), AirElemLine(0, 1, 0, 0, -1)}) +
                                   AirAction(3, {AirElemLine(0, 0, 0, 0, 4)}));
        actions = AnimLoadFile("t.air");
        ASSERT_NE(actions, nullptr) << LibErrorMsg;
        spr = SprSetCreate(4, 1);
        ASSERT_NE(spr, nullptr);
        list = AnimListCreate(3);
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override
    {
        AnimListFree(list);
        SprSetFree(spr);
        AnimSetFree(actions);
        TempDirTest::TearDown();
    }
    int Count() const { return list->insts->used; }
    bool Has(int slot) const { return list->insts->slots[slot].used != 0; }
    AnimSet *actions = nullptr;
    SprSet *spr = nullptr;
    AnimList *list = nullptr;
};

TEST_F(AnimListTest, AddStartsTheActionWithItsPlace)
{
    int slot = AnimListAdd(list, actions, spr, 0, 2, 40, -7, 1, 3);
    ASSERT_GE(slot, 0);
    const AnimInst *inst = (const AnimInst *)ArrayAt(list->insts, slot);
    EXPECT_EQ(inst->x, 40);
    EXPECT_EQ(inst->y, -7);
    EXPECT_EQ(inst->flip, 1);
    EXPECT_EQ(inst->xScale, 1.0f);
    EXPECT_EQ(inst->yScale, 1.0f);
    EXPECT_EQ(AnimObjActionNo(&inst->player), 2);
    EXPECT_EQ(AnimObjTime(&inst->player), 0);
    EXPECT_EQ(inst->player.elemIndex, 0);
    EXPECT_EQ(inst->player.transOverride, 3);
    EXPECT_EQ(inst->player.alphaSrcScale, 256);
    EXPECT_EQ(inst->player.alphaDstScale, 256);
    EXPECT_EQ(ArrayKey1(list->insts, slot), 1);

    EXPECT_EQ(AnimListAdd(list, actions, spr, 0, 99, 0, 0, 0, -1), -1);
    EXPECT_EQ(AnimListAdd(list, nullptr, spr, 0, 1, 0, 0, 0, -1), -1);
    EXPECT_GE(AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1), 0);
    EXPECT_GE(AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1), 0);
    EXPECT_EQ(AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1), -1);  // full
    EXPECT_EQ(Count(), 3);
}

TEST_F(AnimListTest, TickingRemovesEndedActionsButNotEndlessOnes)
{
    int once = AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1);
    int endless = AnimListAdd(list, actions, spr, 0, 2, 0, 0, 0, -1);
    int longer = AnimListAdd(list, actions, spr, 0, 3, 0, 0, 0, -1);
    std::vector<int> counts;
    for (int t = 0; t < 8; t++) {
        AnimListTick(list);
        counts.push_back(Count());
    }
    // An action of total T reports its end on tick T + 1.
    EXPECT_EQ(counts, (std::vector<int>{3, 3, 2, 2, 1, 1, 1, 1}));
    EXPECT_FALSE(Has(once));
    EXPECT_FALSE(Has(longer));
    EXPECT_TRUE(Has(endless));
    for (int t = 0; t < 500; t++)
        AnimListTick(list);
    EXPECT_TRUE(Has(endless));
}

TEST_F(AnimListTest, MasksChooseWhatTicksAndRemoveClear)
{
    int a = AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1);
    int b = AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1);
    int c = AnimListAdd(list, actions, spr, 0, 1, 0, 0, 0, -1);
    AnimListSetMask(list, b, 2);
    AnimListSetMask(list, c, 6);
    EXPECT_EQ(ArrayKey1(list->insts, b), 2);
    AnimListSetMask(list, 99, 4);  // no instance there: nothing happens
    AnimListSetMask(list, -1, 4);

    for (int t = 0; t < 3; t++)
        AnimListTickMasked(list, 4);
    EXPECT_TRUE(Has(a));
    EXPECT_TRUE(Has(b));
    EXPECT_FALSE(Has(c));
    EXPECT_EQ(AnimObjTime(&((AnimInst *)ArrayAt(list->insts, a))->player), 0);

    for (int t = 0; t < 3; t++)
        AnimListTickMasked(list, 1 | 8);
    EXPECT_FALSE(Has(a));
    EXPECT_TRUE(Has(b));

    AnimListRemove(list, b);
    EXPECT_EQ(Count(), 0);
    AnimListRemove(list, b);  // already gone
    AnimListAdd(list, actions, spr, 0, 2, 0, 0, 0, -1);
    AnimListAdd(list, actions, spr, 0, 2, 0, 0, 0, -1);
    AnimListClear(list);
    EXPECT_EQ(Count(), 0);
}

// Drawing: a 320x240 16-bit target, a sprite set with one 5x3 image of
// values 1..15 (axis 1, 2) over a grey palette, and three override palettes.
class DrawListDrawTest : public TempDirTest {
public:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        ASSERT_TRUE(PixSprTargetStart(&target, &bmp));
        ref = PixCanvas(0);
        for (int c = 0; c < 4; c++) {
            rgba[c].assign(256 * 4, 0);
            for (int i = 0; i < 256; i++) {
                int v = 8 * (i & 31);
                rgba[c][4 * i] = (unsigned char)(c == 0 || c == 1 ? v : 0);
                rgba[c][4 * i + 1] = (unsigned char)(c == 0 || c == 2 ? v : 0);
                rgba[c][4 * i + 2] = (unsigned char)(c == 0 || c == 3 ? v : 0);
            }
        }
        spr = SprSetCreate(2, 1);
        Palette grey;
        ASSERT_EQ(PalInit(&grey, 256, rgba[0].data(), 0), 1);
        SprSetAddPal(spr, &grey, 0, 0);
        for (int c = 0; c < 3; c++)
            ASSERT_EQ(PalInit(&pals[c], 256, rgba[c + 1].data(), 0), 1);
        std::vector<unsigned char> px(15);
        for (int i = 0; i < 15; i++)
            px[i] = (unsigned char)(1 + i);
        SprImage img;
        ASSERT_EQ(SprImageInit(&img, SPR_PIXELS_HEAP, px.data(), 15, 1, 5, 3, 8, 1, 2), 1);
        SprImageLinkPal(&img, spr, 0, 0);
        SprSetAddImage(spr, &img, 9, 0);
        index = SprSetFindImage(spr, 9, 0);
        list = DrawListCreate(4);
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override
    {
        DrawListFree(list);
        SprSetFree(spr);
        destroy_bitmap(ref);
        VbufSprFree(target);
        PalFxGlobalFree();
        GfxSinTableFree();
        TempDirTest::TearDown();
    }
    DrawEntry At(int priority, int x, int y, int kind = DRAW_PLAIN)
    {
        DrawEntry e = Entry(priority, x, kind);
        e.y = y;
        e.spr = spr;
        e.sprIndex = index;
        e.alphaSrc = 256;
        return e;
    }
    // Draws the same thing straight into the reference canvas.
    void Direct(void (*draw)(DrawListDrawTest *))
    {
        BITMAP *saved = bmp;
        SprSet *refSet = VbufSprCreateDepth(PIX_W, PIX_H, 16);
        ASSERT_NE(refSet, nullptr);
        ASSERT_EQ(VbufTargetSet(refSet, 0), 1);
        clear_to_color(VbufTargetBitmapGet(refSet, 0), 0);
        draw(this);
        blit(VbufTargetBitmapGet(refSet, 0), ref, 0, 0, 0, 0, PIX_W, PIX_H);
        ASSERT_EQ(VbufTargetSet(target, 0), 1);
        VbufSprFree(refSet);
        bmp = saved;
    }
    SprSet *target = nullptr, *spr = nullptr;
    BITMAP *bmp = nullptr, *ref = nullptr;
    std::vector<unsigned char> rgba[4];
    Palette pals[3];  // red, green and blue ramps
    int index = -1;
    DrawList *list = nullptr;
};

TEST_F(DrawListDrawTest, LaterPlacesDrawOverEarlierAndOverridesAreRestored)
{
    // Priorities 5, 3, 5 at one place, each in its own palette: drawn as 3,
    // the second 5, then the first 5, which ends on top.
    DrawEntry first = At(5, 50, 50), low = At(3, 50, 50), second = At(5, 50, 50);
    first.pal = &pals[0];
    low.pal = &pals[1];
    second.pal = &pals[2];
    DrawEntry refused = At(9, 50, 50);
    DrawEntry elsewhere = At(0, 100, 100);
    ASSERT_EQ(DrawListAdd(list, &first), 1);
    ASSERT_EQ(DrawListAdd(list, &low), 1);
    ASSERT_EQ(DrawListAdd(list, &second), 1);
    ASSERT_EQ(DrawListAdd(list, &elsewhere), 1);
    EXPECT_EQ(DrawListAdd(list, &refused), 0);
    Palette *own = &pals[1];
    spr->palOverride = own;
    DrawListDraw(list);
    EXPECT_EQ(spr->palOverride, own);
    // Value 8 is the image pixel (2, 1), drawn at (50 - 1 + 2, 50 - 2 + 1).
    EXPECT_EQ(PixGet(bmp, 51, 49), Rgb565(8, 0, 0));
    // The entry without an override draws in the set's own override.
    EXPECT_EQ(PixGet(bmp, 101, 99), Rgb565(0, 16, 0));
    EXPECT_EQ(PixDrawn(bmp), 30);

    spr->palOverride = nullptr;
    clear_to_color(bmp, 0);
    DrawListDraw(list);
    EXPECT_EQ(spr->palOverride, nullptr);
    EXPECT_EQ(PixGet(bmp, 101, 99), Rgb565(8, 16, 8));
}

TEST_F(DrawListDrawTest, EachKindDrawsLikeItsSpriteCall)
{
    struct Case {
        const char *what;
        DrawEntry entry;
        void (*direct)(DrawListDrawTest *);
    };
    DrawEntry plain = At(0, 40, 30);
    plain.flip = 1;
    DrawEntry add = At(0, 40, 30);
    add.flip = 3;
    add.trans = TRANS_ADD;
    DrawEntry scaled = At(0, 60, 40, DRAW_SCALED);
    scaled.xScale = 2.0f;
    scaled.yScale = 3.0f;
    scaled.flip = 1;
    DrawEntry scaledV = scaled;
    scaledV.flip = 2;
    scaledV.trans = TRANS_ALPHA;
    scaledV.alphaSrc = 128;
    scaledV.alphaDst = 128;
    DrawEntry turned = At(0, 80, 80, DRAW_ROTATED);
    turned.angle = 30;
    turned.xScale = 2.0f;
    turned.yScale = 1.5f;
    turned.flip = 2;
    Case cases[] = {
        {"plain H", plain, [](DrawListDrawTest *t) { SprDrawH(t->spr, t->index, 40, 30); }},
        {"add HV", add, [](DrawListDrawTest *t) { SprDrawAddHV(t->spr, t->index, 40, 30); }},
        {"scaled H", scaled, [](DrawListDrawTest *t) { SprDrawScaled(t->spr, t->index, 60, 40, -2.0f, 3.0f); }},
        {"scaled V alpha", scaledV,
         [](DrawListDrawTest *t) { SprDrawAlphaScaled(t->spr, t->index, 60, 40, 2.0f, -3.0f, 128, 128); }},
        {"rotated V", turned,
         [](DrawListDrawTest *t) { SprDrawRotated(t->spr, t->index, 80, 80, 30.0f, 2.0f, -1.5f, 1.0f, 1.0f); }},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0);
        DrawListClear(list);
        ASSERT_EQ(DrawListAdd(list, &c.entry), 1);
        DrawListDraw(list);
        Direct(c.direct);
        EXPECT_TRUE(PixEqual(bmp, ref)) << c.what;
        EXPECT_GE(PixDrawn(bmp), 15) << c.what;
    }
}

TEST_F(DrawListDrawTest, ScaledFrameMatchesScaledDraws)
{
    DrawEntry plain = At(0, 31, 21);
    plain.flip = 1;
    ASSERT_EQ(DrawListAdd(list, &plain), 1);
    DrawListScale(list, 2.0f);
    DrawListDraw(list);
    Direct([](DrawListDrawTest *t) { SprDrawScaled(t->spr, t->index, 62, 42, -2.0f, 2.0f); });
    EXPECT_TRUE(PixEqual(bmp, ref));
    EXPECT_EQ(PixDrawn(bmp), 60);
}

class AnimDrawTest : public DrawListDrawTest {
public:
    void SetUp() override
    {
        DrawListDrawTest::SetUp();
        WriteFileText("d.air", AirAction(7, {AirElemLine(9, 0, 3, -2, 5)}) +
                                   AirAction(8, {AirElemLine(9, 0, 0, 0, -1, "V", "", true)}));
        actions = AnimLoadFile("d.air");
        ASSERT_NE(actions, nullptr) << LibErrorMsg;
        AnimObjInit(&obj, actions, spr);
        ASSERT_EQ(AnimObjChangeAction(&obj, 0, 7), 1);
        AnimObjTick(&obj);
    }
    void TearDown() override
    {
        AnimSetFree(actions);
        DrawListDrawTest::TearDown();
    }
    AnimSet *actions = nullptr;
    AnimObj obj;
};

TEST_F(AnimDrawTest, PlayerWithAListQueuesEachDrawKind)
{
    struct Case {
        const char *what;
        void (*draw)(DrawListDrawTest *);
        int kind;
        int x, y;
    } cases[] = {
        {"plain", [](DrawListDrawTest *t) { AnimObjDrawFlip(&((AnimDrawTest *)t)->obj, 100, 50, 1); },
         DRAW_PLAIN, 97, 48},
        {"scaled", [](DrawListDrawTest *t) { AnimObjDrawScaledFlip(&((AnimDrawTest *)t)->obj, 100, 50, 2, 1.5f, 1); },
         DRAW_SCALED, 94, 47},
        {"turned", [](DrawListDrawTest *t) { AnimObjDrawAngle(&((AnimDrawTest *)t)->obj, 100, 50, 20, 2, 1, 3); },
         DRAW_ROTATED, 94, 52},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0);
        DrawListClear(list);
        obj.drawList = list;
        obj.drawPriority = 6;
        c.draw(this);
        EXPECT_EQ(PixDrawn(bmp), 0) << c.what;
        ASSERT_EQ(list->entries->used, 1) << c.what;
        const DrawEntry *e = (const DrawEntry *)ArrayAt(list->entries, list->order[0]);
        EXPECT_EQ(e->priority, 6);
        EXPECT_EQ(e->kind, c.kind) << c.what;
        EXPECT_EQ(e->x, c.x) << c.what;
        EXPECT_EQ(e->y, c.y) << c.what;
        EXPECT_EQ(e->spr, spr);
        EXPECT_EQ(e->sprIndex, index);
        EXPECT_EQ(e->pal, nullptr);
        DrawListDraw(list);
        obj.drawList = nullptr;
        Direct(c.draw);
        EXPECT_TRUE(PixEqual(bmp, ref)) << c.what;
        EXPECT_GT(PixDrawn(bmp), 0) << c.what;
    }
}

TEST_F(AnimDrawTest, InstancesDrawByMaskAndZoom)
{
    AnimList *anims = AnimListCreate(4);
    ASSERT_NE(anims, nullptr);
    int a = AnimListAdd(anims, actions, spr, 0, 7, 10, 20, 0, -1);
    int b = AnimListAdd(anims, actions, spr, 0, 8, 40, 20, 1, -1);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    AnimListSetMask(anims, b, 2);
    AnimListDrawMasked(anims, 3, 0, 0);
    EXPECT_EQ(PixDrawn(bmp), 0);  // nothing shows before the first tick
    AnimListTick(anims);

    AnimInst *ia = (AnimInst *)ArrayAt(anims->insts, a);
    AnimInst *ib = (AnimInst *)ArrayAt(anims->insts, b);
    static AnimObj pa, pb;
    pa = ia->player;
    pb = ib->player;
    AnimListDrawMasked(anims, 2, 100, 100);
    Direct([](DrawListDrawTest *) { AnimObjDrawFlip(&pb, 140, 120, 1); });
    EXPECT_TRUE(PixEqual(bmp, ref));
    EXPECT_EQ(PixDrawn(bmp), 15);

    clear_to_color(bmp, 0);
    AnimListDraw(anims, 100, 100);
    Direct([](DrawListDrawTest *) {
        AnimObjDrawFlip(&pa, 110, 120, 0);
        AnimObjDrawFlip(&pb, 140, 120, 1);
    });
    EXPECT_TRUE(PixEqual(bmp, ref));

    // (5 + 10) * 1.5 and (7 + 20) * 1.5 truncated; the scales grow with the zoom.
    clear_to_color(bmp, 0);
    ia->xScale = 2.0f;
    AnimListDrawMaskedZoom(anims, 1, 5, 7, 1.5f);
    Direct([](DrawListDrawTest *) { AnimObjDrawScaledFlip(&pa, 22, 40, 3.0f, 1.5f, 0); });
    EXPECT_TRUE(PixEqual(bmp, ref));
    EXPECT_GT(PixDrawn(bmp), 15);
    AnimListFree(anims);
}
