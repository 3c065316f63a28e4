#include "lib/textbuf.h"

#include <string>

#include "support/testkit.h"

// Lines from oldest to current, as the drawing walks them.
static std::vector<std::string> Lines(const TextBuf *r)
{
    std::vector<std::string> out;
    for (int i = r->oldest; i != r->current; i = (i + 1) % r->count)
        out.push_back(r->lines[i]);
    out.push_back(r->lines[r->current]);
    return out;
}

TEST(TextBuf, LongTextWrapsAtWidthMinusOne)
{
    TextBuf *r = TextBufCreate(77, 8);
    ASSERT_NE(r, nullptr);
    TextBufPrintf(r, "%s", std::string(200, 'x').c_str());
    auto l = Lines(r);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].size(), 76u);
    EXPECT_EQ(l[1].size(), 76u);
    EXPECT_EQ(l[2].size(), 48u);
    TextBufFree(r);
}

TEST(TextBuf, NinthLineDropsOldest)
{
    TextBuf *r = TextBufCreate(77, 8);
    for (int i = 1; i <= 9; i++)
        TextBufPrintf(r, "line %i\n", i);
    auto l = Lines(r);
    // Eight slots: seven complete lines and the empty current one.
    ASSERT_EQ(l.size(), 8u);
    EXPECT_EQ(l[0], "line 3");
    EXPECT_EQ(l[6], "line 9");
    EXPECT_EQ(l[7], "");

    TextBufSet(r, "fresh %i", 1);
    l = Lines(r);
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], "fresh 1");
    TextBufFree(r);
}

TEST(TextBuf, CreateRefusesEmptyRings)
{
    EXPECT_EQ(TextBufCreate(77, 0), nullptr);
    EXPECT_EQ(TextBufCreate(77, -3), nullptr);
    EXPECT_EQ(TextBufCreate(1, 4), nullptr);
    TextBufFree(nullptr);
}

TEST(TextBuf, DateCompareOrder)
{
    EXPECT_EQ(DateCompare(1, 2, 2003, 12, 31, 2002), 1);
    EXPECT_EQ(DateCompare(12, 31, 2002, 1, 2, 2003), -1);
    EXPECT_EQ(DateCompare(6, 14, 2003, 6, 14, 2003), 0);
    EXPECT_EQ(DateCompare(6, 15, 2003, 6, 14, 2003), 1);
    EXPECT_EQ(DateCompare(5, 30, 2003, 6, 1, 2003), -1);
}
