// Draw list order, capacity and scaling; animation-instance lists with layer masks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/drawlist.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "support/sprkit.h"
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
