// Animation files and the animation player: parsing, collision lists, timing, action and element changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "support/testkit.h"

class AnimTest : public TempDirTest {
protected:
    AnimSet *Load(const std::string &text)
    {
        WriteFileText("t.air", text);
        LibErrorMsg[0] = 0;
        return AnimLoadFile("t.air");
    }
    void TearDown() override
    {
        AnimSetFree(set);
        TempDirTest::TearDown();
    }
    AnimSet *set = nullptr;
};

static const AnimElem *Elem(const AnimSet *set, int action, int index)
{
    return AnimActionElemAt(AnimSetActionAt(set, AnimSetFindAction(set, 0, action)), index);
}

TEST_F(AnimTest, ElementFieldsFlipsAndTransparency)
{
    set = Load("; comment\n[Info]\nname = x\n" +
               AirAction(10, {"loopstart", "5,6, 7, -8, 3, H", "L5,1,0,0,2", "5,2,0,0,2,VH,", "-1,0,0,0,-1",
                              "ignored line", "5,3, 0,0, 4, , AS128D128", "5,4,0,0,4,,A1", "5,5,0,0,4,,A",
                              "5,6,0,0,4,,S", "5,7,0,0,4,v,as200", "5,8,0,0,4,,Add", "5,9,0,0,4,,sub"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    EXPECT_EQ(set->count, 1);
    const AnimElem *e = Elem(set, 10, 0);
    EXPECT_EQ(e->group, 5);
    EXPECT_EQ(e->image, 6);
    EXPECT_EQ(e->x, 7);
    EXPECT_EQ(e->y, -8);
    EXPECT_EQ(e->time, 3);
    EXPECT_EQ(e->flags, ANIM_FLIP_H);
    EXPECT_EQ(e->trans, 0);
    EXPECT_EQ(e->alphaSrc, 256);
    EXPECT_EQ(e->alphaDst, 0);
    EXPECT_EQ(Elem(set, 10, 1)->group, 5);   // "L" line read from its first digit
    EXPECT_EQ(Elem(set, 10, 2)->flags, ANIM_FLIP_H | ANIM_FLIP_V);
    EXPECT_EQ(Elem(set, 10, 3)->group, -1);
    struct { int index, trans, src, dst, flags; } want[] = {
        {4, 3, 128, 128, 0}, {5, 3, 256, 128, 0}, {6, 1, 256, 0, 0}, {7, 2, 256, 0, 0},
        {8, 3, 200, 0, ANIM_FLIP_V}, {9, 1, 256, 0, 0}, {10, 2, 256, 0, 0},
    };
    for (auto &w : want) {
        const AnimElem *t = Elem(set, 10, w.index);
        EXPECT_EQ(t->trans, w.trans) << w.index;
        EXPECT_EQ(t->alphaSrc, w.src) << w.index;
        EXPECT_EQ(t->alphaDst, w.dst) << w.index;
        EXPECT_EQ(t->flags, w.flags) << w.index;
    }
    // Starts taken as written, -1 included.
    EXPECT_EQ(Elem(set, 10, 3)->start, 7);
    EXPECT_EQ(Elem(set, 10, 4)->start, 6);
    const AnimAction *a = AnimSetActionAt(set, 0);
    EXPECT_EQ(a->count, 11);
    EXPECT_EQ(a->total, -1);
    EXPECT_EQ(a->loopTime, 0);
    EXPECT_EQ(a->loopElem, 0);
    EXPECT_EQ(AnimSetActionNoAt(set, 0), 10);
    EXPECT_EQ(AnimSetActionGroupAt(set, 0), 0);
}

TEST_F(AnimTest, CollisionListsDefaultsAndSharing)
{
    set = Load(AirAction(0, {"Clsn2Default: 1", " Clsn2[0] = -10,-20,10,0", "Clsn1: 1", " Clsn1[0] = 0,0,5,5",
                             "0,0,0,0,1",
                             "0,1,0,0,1",
                             "Clsn2: 1", " Clsn2[0] = 1,1,2,2", "Clsn2: 1", " Clsn2[0] = 3,3,4,4",   // replaced
                             "0,2,0,0,1",
                             "Clsn1Default: 1", " Clsn1[0] = 7,7,8,8", "Clsn2Default: 1", " Clsn2[0] = 9,9,9,9",
                             "0,3,0,0,1",
                             "0,4,0,0,1"}) +
               AirAction(1, {"0,0,0,0,1"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    const AnimElem *e0 = Elem(set, 0, 0), *e1 = Elem(set, 0, 1), *e2 = Elem(set, 0, 2), *e3 = Elem(set, 0, 3),
                   *e4 = Elem(set, 0, 4);
    EXPECT_EQ(e0->flags, ANIM_DEFAULT_CLSN2);
    ASSERT_NE(e0->clsn1, nullptr);
    EXPECT_EQ(e0->clsn1->boxes[0].x2, 5);
    EXPECT_EQ(e1->clsn1, nullptr);
    // The default Clsn2 list is shared by reference.
    EXPECT_EQ(e1->clsn2, e0->clsn2);
    EXPECT_EQ(e0->clsn2->refs, 2);
    EXPECT_EQ(e2->clsn2->boxes[0].x1, 3);
    EXPECT_EQ(e2->clsn2->refs, 1);
    EXPECT_EQ(e3->flags, ANIM_DEFAULT_CLSN1 | ANIM_DEFAULT_CLSN2);
    EXPECT_EQ(e4->clsn1, e3->clsn1);
    EXPECT_EQ(e4->clsn2, e3->clsn2);
    EXPECT_EQ(e4->clsn2->refs, 2);
    EXPECT_EQ(e4->clsn2->boxes[0].x1, 9);
    // Defaults last for their own action only.
    EXPECT_EQ(Elem(set, 1, 0)->clsn2, nullptr);
}

TEST_F(AnimTest, ActionsDuplicatesAndEmptyActions)
{
    set = Load(AirAction(3, {"1,1,0,0,4"}) + AirAction(3, {"2,2,0,0,9"}) + AirAction(4, {"; nothing"}) +
               "[begin action 5]\n1,5,0,0,1\n");
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    EXPECT_EQ(set->count, 4);
    EXPECT_EQ(AnimSetActionTime(set, 0, 3), 4);   // the first duplicate wins
    EXPECT_EQ(AnimSetFindAction(set, 0, 5), 3);
    EXPECT_EQ(AnimSetFindAction(set, 0, 6), -1);
    EXPECT_EQ(AnimSetLoopStartTime(set, 0, 5), 0);
    EXPECT_DEATH(AnimSetActionTime(set, 0, 99), "Assert failure in anim-lib line");

    // An action without elements plays as empty: no element, no sprite.
    AnimObj obj;
    AnimObjInit(&obj, set, nullptr);
    ASSERT_EQ(AnimObjChangeAction(&obj, 0, 4), 1);
    EXPECT_EQ(AnimObjActionTime(&obj), 0);
    for (int i = 0; i < 3; i++)
        AnimObjTick(&obj);
    EXPECT_EQ(AnimObjElem(&obj), nullptr);
    EXPECT_EQ(AnimObjSprite(&obj), -1);
    EXPECT_EQ(AnimObjElemAtTime(&obj, 0), 0);
    EXPECT_EQ(AnimObjElemStartTime(&obj, 0), -1);
}

TEST_F(AnimTest, ParseErrors)
{
    std::string longElem = "1,2" + std::string(300, 'x');
    struct { std::string text; std::string msg; } cases[] = {
        {"[Other]\na = 1\n", "Need at least one action"},
        {AirAction(0, {"1,2,3,4"}), "Too few arguments on element 1 of [Begin Action 0]:\n1,2,3,4 (4)"},
        {AirAction(0, {"1,2,3,4,5", "1, x"}), "Too few arguments on element 2 of [Begin Action 0]:\n1, x (1)"},
        {AirAction(0, {"Clsn1: 0", "1,2,3,4,5"}), "Error in clsn1 in [Begin Action 0] elem 0"},
        {AirAction(5, {"1,2,3,4,5", "Clsn2: 2", " Clsn2[0] = 1,2,3,4", "1,2,3,4,5"}),
         "Error in clsn2 in [Begin Action 5] elem 1"},
    };
    for (auto &c : cases) {
        EXPECT_EQ(Load(c.text), nullptr) << c.text;
        EXPECT_EQ(std::string(LibErrorMsg), c.msg + "\nAnim error reading t.air") << c.text;
    }
    // Long lines are cut to the message size.
    EXPECT_EQ(Load(AirAction(0, {longElem})), nullptr);
    EXPECT_EQ(strlen(LibErrorMsg), sizeof LibErrorMsg - 1);
    LibErrorMsg[0] = 0;
    EXPECT_EQ(AnimLoadFile("none.air"), nullptr);
    EXPECT_STREQ(LibErrorMsg, "\nTXTPARSE error opening none.air");
}

TEST_F(AnimTest, TickingLoopStartAndElapsed)
{
    set = Load(AirAction(0, {"0,0,0,0,2", "loopstart", "0,1,0,0,3"}) + AirAction(1, {"0,0,0,0,3", "0,1,0,0,4", "0,2,0,0,-1"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    SprSet *spr = SprSetCreate(1, 0);
    unsigned char px[1] = {0};
    SprImage img;
    SprImageInit(&img, SPR_PIXELS_HEAP, px, 1, 1, 1, 1, 8, 0, 0);
    SprSetAddImage(spr, &img, 0, 1);
    AnimObj *obj = AnimObjCreate(set, spr);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(AnimObjActionTime(obj), 5);
    EXPECT_EQ(AnimObjLoopStartTime(obj), 2);
    int shown[] = {0, 0, 1, 1, 1, 1, 1, 1, 1};
    int loops[] = {0, 0, 0, 0, 0, 1, 0, 0, 1};
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(AnimObjTick(obj), loops[i]) << "tick " << i + 1;
        EXPECT_EQ(obj->elemIndex, shown[i]) << "tick " << i + 1;
        EXPECT_EQ(AnimObjSprite(obj), shown[i] == 1 ? 0 : -1) << "tick " << i + 1;
    }
    EXPECT_EQ(obj->elapsed, 9);
    EXPECT_EQ(AnimObjTime(obj), 3);
    EXPECT_EQ(AnimObjTimeOrLoopStart(obj), 3);
    EXPECT_EQ(AnimObjElemStartTime(obj, 1), 2);
    EXPECT_EQ(AnimObjElemStartTime(obj, 2), -1);

    // Changing to the current action keeps its time; another action starts at the given time.
    EXPECT_EQ(AnimObjChangeAction(obj, 0, 0), 1);
    EXPECT_EQ(AnimObjTime(obj), 3);
    EXPECT_EQ(AnimObjChangeAction(obj, 0, 77), 0);
    EXPECT_EQ(AnimObjActionNo(obj), 0);
    EXPECT_EQ(AnimObjChangeActionAt(obj, 0, 1, -1), 1);
    EXPECT_EQ(AnimObjTime(obj), 3);
    EXPECT_EQ(obj->elapsed, 9);
    EXPECT_EQ(AnimObjActionNo(obj), 1);
    EXPECT_EQ(AnimObjActionGroup(obj), 0);
    AnimObjRestart(obj);
    // 3, 4, -1: never loops and shows its last element for ever.
    EXPECT_EQ(AnimObjActionTime(obj), -1);
    for (int i = 0; i < 50; i++)
        EXPECT_EQ(AnimObjTick(obj), 0);
    EXPECT_EQ(obj->elemIndex, 2);

    // A copy never owns the sprite set, so only the original frees it.
    obj->ownsSpr = 1;
    AnimObj copy;
    AnimObjCopy(&copy, obj);
    EXPECT_EQ(copy.ownsSpr, 0);
    EXPECT_EQ(copy.spr, spr);
    AnimObjFree(obj);
}

// The sprite shown follows the element, the sprite set the player is bound
// to and the images that set gains or loses, though it is not looked up anew
// on every tick.
TEST_F(AnimTest, SpriteFollowsElementSetAndImages)
{
    set = Load(AirAction(0, {"5,1,0,0,2", "5,2,0,0,2"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    unsigned char px[1] = {0};
    auto add = [&](SprSet *spr, int group, int number) {
        SprImage img;
        SprImageInit(&img, SPR_PIXELS_HEAP, px, 1, 1, 1, 1, 8, 0, 0);
        ASSERT_EQ(SprSetAddImage(spr, &img, group, number), 1);
    };
    SprSet *a = SprSetCreate(1, 0), *b = SprSetCreate(1, 0);
    for (int n = 0; n < 12; n++)
        add(a, 9, n);  // enough images for the set's key index
    add(a, 5, 1);      // slot 12
    add(b, 5, 2);      // slot 0
    add(b, 5, 1);      // slot 1
    AnimObj obj;
    AnimObjInit(&obj, set, a);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 12);
    AnimObjTick(&obj);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), -1);  // element 1: image 5,2 is not in set a
    add(a, 5, 2);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 13);  // the set gained it
    obj.spr = b;
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 1);  // looped to element 0, in another set
    SprSetClear(b);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), -1);  // the set lost its images
    add(b, 5, 2);
    add(b, 5, 1);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 0);  // element 1, back in the set
    SprSetFree(a);
    SprSetFree(b);
}

// A player kept from one match to the next (a helper slot's) sees its view
// borrow the images of another character made where the old ones were freed,
// after as many changes: the sprite shown is the new images' one.
TEST_F(AnimTest, SpriteFollowsImagesMadeAgainInPlace)
{
    unsigned char px[1] = {0};
    auto add = [&](SprSet *spr, int group, int number) {
        SprImage img;
        SprImageInit(&img, SPR_PIXELS_HEAP, px, 1, 1, 1, 1, 8, 0, 0);
        ASSERT_EQ(SprSetAddImage(spr, &img, group, number), 1);
    };
    set = Load(AirAction(0, {"5,1,0,0,9"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    SprSet *first = SprSetCreate(1, 0);
    add(first, 5, 2);
    add(first, 5, 1);
    SprSet *view = SprSetShare(first);
    ASSERT_NE(view, nullptr);
    AnimObj obj;
    AnimObjInit(&obj, set, view);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 1);

    // Unloading a whole character frees many blocks of each size; a few
    // freed here do the same to the allocator, which then tends to hand the
    // first set's blocks to the second.
    SprSetClear(view);
    std::vector<Array *> others;
    for (int i = 0; i < 16; i++)
        others.push_back(ArrayCreate(1, sizeof(SprImage), nullptr));
    for (Array *o : others)
        ArrayFree(o);
    SprSetFree(first);
    SprSet *second = SprSetCreate(1, 0);
    add(second, 5, 1);
    add(second, 5, 2);
    ASSERT_EQ(SprSetReshare(view, second), view);
    AnimObjTick(&obj);
    EXPECT_EQ(AnimObjSprite(&obj), 0);
    SprSetFree(view);
    SprSetFree(second);
}

TEST_F(AnimTest, ChangeToElement)
{
    set = Load(AirAction(0, {"0,0,0,0,2", "0,1,0,0,3", "0,2,0,0,2"}) + AirAction(1, {"0,0,0,0,2", "0,1,0,0,0", "0,2,0,0,3"}) +
               AirAction(2, {"0,0,0,0,3", "0,1,0,0,-1", "0,2,0,0,5"}) +
               AirAction(3, {"0,0,0,0,1111111111", "0,1,0,0,5", "0,2,0,0,-1"}) +
               AirAction(4, {"0,0,0,0,1111111111", "0,1,0,0,5"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    AnimObj obj;
    AnimObjInit(&obj, set, nullptr);
    ASSERT_EQ(AnimObjChangeActionElem(&obj, 0, 0, 2), 1);
    EXPECT_EQ(obj.elemIndex, 2);
    EXPECT_EQ(AnimObjTime(&obj), 5);
    EXPECT_EQ(obj.elapsed, 5);
    AnimObjTick(&obj);
    EXPECT_EQ(obj.elemIndex, 2);
    EXPECT_EQ(AnimObjElemAtTime(&obj, -1), 3);

    struct Case {
        int action, elem, want, wantElem, wantTime;
    } cases[] = {
        {0, 3, 0, 0, 0},
        {0, -1, 0, 0, 0},
        {9, 1, 0, 0, 0},
        {0, 0, 1, 0, 0},
        // A 0-time element is passed on the way, and a looping action loops
        // before it could come again.
        {1, 1, 0, 0, 0},
        {1, 2, 1, 2, 2},
        // Past a -1 element the later element starts earlier: both show at
        // once, and the action that never loops gives up on the passed one.
        {2, 1, 0, 0, 0},
        {2, 2, 1, 2, 3},
        // Long elements cost one step each, looping or not.
        {3, 1, 1, 1, 1111111111},
        {3, 2, 1, 2, 1111111116},
        {4, 1, 1, 1, 1111111111},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << " elem " << c.elem);
        ASSERT_EQ(AnimObjChangeActionElem(&obj, 0, c.action, c.elem), c.want);
        if (!c.want)
            continue;
        EXPECT_EQ(obj.elemIndex, c.wantElem);
        EXPECT_EQ(AnimObjTime(&obj), c.wantTime);
        EXPECT_EQ(obj.elapsed, c.wantTime);
        // The next tick shows the element's first tick.
        AnimObjTick(&obj);
        EXPECT_EQ(obj.elemIndex, c.wantElem);
        EXPECT_EQ(AnimObjTime(&obj), c.wantTime + 1);
    }
}

TEST_F(AnimTest, ElementAtTimeFoldsIntoTheLoop)
{
    set = Load(AirAction(0, {"0,0,0,0,2", "loopstart", "0,1,0,0,3"}) +
               AirAction(1, {"0,0,0,0,2", "0,1,0,0,3", "loopstart", "0,2,0,0,0"}));
    ASSERT_NE(set, nullptr) << LibErrorMsg;
    AnimObj obj;
    AnimObjInit(&obj, set, nullptr);
    struct { int offset, want; } cases[] = {{0, 1}, {1, 1}, {2, 2}, {4, 2}, {5, 2}, {7, 2}, {-1, -1}};
    for (auto &c : cases)
        EXPECT_EQ(AnimObjElemAtTime(&obj, c.offset), c.want) << c.offset;
    for (int i = 0; i < 6; i++)
        AnimObjTick(&obj);
    // Past the total the offset goes backwards into the loop part.
    EXPECT_EQ(AnimObjTime(&obj), 3);
    EXPECT_EQ(AnimObjElemAtTime(&obj, -2), 1);
    // A loop of length 0 stays on its loop-start element.
    ASSERT_EQ(AnimObjChangeAction(&obj, 0, 1), 1);
    EXPECT_EQ(AnimObjLoopStartTime(&obj), 5);
    EXPECT_EQ(AnimObjElemAtTime(&obj, 9), 3);
    EXPECT_EQ(AnimFlipCombine(ANIM_FLIP_H, ANIM_FLIP_H | ANIM_FLIP_V), ANIM_FLIP_V);
}
