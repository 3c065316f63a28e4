// Collision-box lists: reference counting and the overlap tests with mirroring.
#include <gtest/gtest.h>

#include <climits>

#include "lib/clsn.h"

static ClsnList *OneBox(int x1, int y1, int x2, int y2)
{
    ClsnList *l = ClsnListCreate(1);
    ClsnListAddBox(l, x1, y1, x2, y2);
    return l;
}

TEST(ClsnListTest, CreateCopyRefRelease)
{
    EXPECT_EQ(ClsnListCreate(0), nullptr);
    EXPECT_EQ(ClsnListCreate(-3), nullptr);
    ClsnList *l = ClsnListCreate(2);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->refs, 1);
    EXPECT_EQ(l->valid, 1);
    EXPECT_EQ(ClsnListAddBox(l, 1, 2, 3, 4), 1);
    ClsnBox b = {5, 6, 7, 8};
    EXPECT_EQ(ClsnListAdd(l, &b), 1);
    EXPECT_EQ(ClsnListAddBox(l, 0, 0, 0, 0), 0);
    EXPECT_EQ(l->count, 2);

    ClsnList *c = ClsnListCopy(l);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->boxes, l->boxes);
    EXPECT_EQ(c->count, 2);
    EXPECT_EQ(c->boxes[1].y2, 8);
    EXPECT_EQ(c->refs, 1);
    EXPECT_EQ(ClsnListRelease(c), 0);

    EXPECT_EQ(ClsnListRef(l), l);
    EXPECT_EQ(l->refs, 2);
    EXPECT_EQ(ClsnListRelease(l), 1);
    EXPECT_EQ(ClsnListRelease(l), 0);
    EXPECT_EQ(ClsnListRelease(nullptr), 0);
    EXPECT_EQ(ClsnListCopy(nullptr), nullptr);
}

TEST(ClsnListTest, OverlapWithMirroringAndOffsets)
{
    ClsnList *a = OneBox(0, 0, 10, 10);
    ClsnList *touch = OneBox(10, 0, 20, 10);
    ClsnList *far = OneBox(11, 0, 20, 10);
    EXPECT_EQ(ClsnListsHit(a, touch, 0, 0), 1);
    EXPECT_EQ(ClsnListsHit(a, far, 0, 0), 0);
    EXPECT_EQ(ClsnListsHit(a, far, -1, 0), 1);
    EXPECT_EQ(ClsnListsHit(a, touch, 0, 11), 0);
    EXPECT_EQ(ClsnListsHit(a, touch, 0, -10), 1);
    // Mirrored A spans -10..0 and misses B at 10..20.
    EXPECT_EQ(ClsnListsOverlap(a, touch, 0, 0, 1, 0), 0);
    EXPECT_EQ(ClsnListsOverlap(a, touch, -20, 0, 1, 0), 1);
    // Mirrored B at dx spans dx-20..dx-10.
    EXPECT_EQ(ClsnListsOverlap(a, touch, 30, 0, 0, 1), 1);
    EXPECT_EQ(ClsnListsOverlap(a, touch, 31, 0, 0, 1), 0);
    EXPECT_EQ(ClsnListsOverlap(a, touch, 0, 0, 2, 0), 0);

    // Mirroring both and negating dx gives the unmirrored answer.
    ClsnList *b = ClsnListCreate(2);
    ClsnListAddBox(b, -5, -3, 4, 2);
    ClsnListAddBox(b, 30, 0, 40, 5);
    for (int dx = -60; dx <= 60; dx += 3)
        for (int dy = -12; dy <= 12; dy += 4)
            EXPECT_EQ(ClsnListsOverlap(a, b, dx, dy, 0, 0), ClsnListsOverlap(a, b, -dx, dy, 1, 1)) << dx << "," << dy;

    ClsnBox box = {0, 0, 10, 10};
    EXPECT_EQ(ClsnBoxHitsList(&box, far, 0, 0), 0);
    EXPECT_EQ(ClsnBoxMirroredHitsList(&box, far, 25, 0), 0);
    EXPECT_EQ(ClsnBoxMirroredHitsList(&box, far, -11, 0), 1);
    EXPECT_EQ(ClsnBoxMirroredHitsListMirrored(&box, far, 0, 0), 0);
    EXPECT_EQ(ClsnBoxMirroredHitsListMirrored(&box, far, 1, 0), 1);

    // Missing or invalid lists never overlap; coordinates far apart do not wrap.
    EXPECT_EQ(ClsnListsHit(a, nullptr, 0, 0), 0);
    touch->valid = 0;
    EXPECT_EQ(ClsnListsHit(a, touch, 0, 0), 0);
    EXPECT_EQ(ClsnBoxHitsList(&box, touch, 0, 0), 0);
    ClsnList *huge = OneBox(INT_MAX - 5, 0, INT_MAX, 10);
    EXPECT_EQ(ClsnListsHit(a, huge, INT_MAX, 0), 0);
    for (ClsnList *l : {a, touch, far, b, huge})
        ClsnListRelease(l);
}

#include <thread>

#include "lib/txtparse.h"
#include "support/testkit.h"

class ClsnParseTest : public TempDirTest {
protected:
    // Parses the first line of group [T] as a header with the lines after it.
    ClsnList *Parse(const std::string &lines)
    {
        WriteFileText("t.air", "[T]\n" + lines);
        TxtParseFile *tp = TxtParseOpen("t.air");
        EXPECT_NE(tp, nullptr);
        EXPECT_GE(TxtParseGroupSet(tp, "T"), 0);
        const char *header = TxtParseLineFirst(tp);
        ClsnList *l = ClsnListParse(header, tp);
        TxtParseClose(tp);
        return l;
    }
};

TEST_F(ClsnParseTest, BoxesOrderedAndScaled)
{
    ClsnList *l = Parse("Clsn2Default: 2\n  Clsn2[0] = 10, -20,-10 ,0\nclsn2[7]=-15,-15,15,15\n");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->count, 2);
    EXPECT_EQ(l->refs, 1);
    EXPECT_EQ(l->valid, 1);
    EXPECT_EQ(l->boxes[0].x1, -10);
    EXPECT_EQ(l->boxes[0].x2, 10);
    EXPECT_EQ(l->boxes[0].y1, -20);
    EXPECT_EQ(l->boxes[0].y2, 0);
    ClsnListRelease(l);

    ClsnScaleSet(0.5f, 2.0f);
    // Another thread's loads keep their own scale.
    float otherX = 0;
    std::thread([&] { otherX = ClsnScaleX(); }).join();
    EXPECT_EQ(otherX, 1.0f);
    l = Parse("Clsn1: 1\n Clsn1[0] = -15, -3, 15, 4\n");
    ClsnScaleSet(1.0f, 1.0f);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->boxes[0].x1, -7);
    EXPECT_EQ(l->boxes[0].x2, 7);
    EXPECT_EQ(l->boxes[0].y1, -6);
    EXPECT_EQ(l->boxes[0].y2, 8);
    ClsnListRelease(l);
}

TEST_F(ClsnParseTest, MalformedListsAreRefused)
{
    const char *bad[] = {
        "Clsn2: 0\n Clsn2[0] = 1,2,3,4\n",            // no boxes
        "Clsn2: -1\n Clsn2[0] = 1,2,3,4\n",
        "Clsn2 2\n Clsn2[0] = 1,2,3,4\n",             // no colon
        "Clsn2: x\n Clsn2[0] = 1,2,3,4\n",
        "Clsn1: 1\n Box[0] = 1,2,3,4\n",              // not a box line
        "Clsn1: 1\n Clsn1[0] = 1,2,3\n",              // three numbers
        "Clsn1: 1\n Clsn1[0]   1,2,3,4\n",            // no "="
        "Clsn1: 2\n Clsn1[0] = 1,2,3,4\n[Next]\nClsn1[1] = 1,2,3,4\n",   // group ends first
        // A huge count is bounded by the lines that follow, not allocated up front.
        "Clsn1: 2000000000\n Clsn1[0] = 1,2,3,4\n",
    };
    for (const char *text : bad)
        EXPECT_EQ(Parse(text), nullptr) << text;
}
