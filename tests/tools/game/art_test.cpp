// The art helpers: dithered ramps, outlines and cutting a picture to its content.
#include "game/art.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include "support/testkit.h"

namespace {

class Art : public ::testing::Test {
protected:
    void SetUp() override { TestAllegroStart(); }
};

TEST_F(Art, DitherStaysOnItsRampWhicheverWayItRuns)
{
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ(ArtDither(10, 20, 0.0f, x, y), 10);
            EXPECT_EQ(ArtDither(10, 20, 1.0f, x, y), 20);
            EXPECT_EQ(ArtDither(20, 10, 0.0f, x, y), 20);
            EXPECT_EQ(ArtDither(20, 10, 1.0f, x, y), 10);
            EXPECT_EQ(ArtDither(10, 20, 2.0f, x, y), 20) << "beyond the end";
            int mid = ArtDither(20, 10, 0.55f, x, y);
            EXPECT_TRUE(mid == 14 || mid == 15) << mid;
        }
    // Half way between two entries, half the pattern takes each.
    int upper = 0;
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            upper += ArtDither(0, 1, 0.5f, x, y);
    EXPECT_EQ(upper, 8);
}

TEST_F(Art, CroppedImageKeepsItsAxisOnTheSamePixel)
{
    BITMAP *b = ArtBitmap(40, 30);
    ASSERT_NE(b, nullptr);
    rectfill(b, 10, 5, 14, 8, 7);
    putpixel(b, 20, 12, 9);
    ArtPalette pal;
    ArtColourSet(&pal, 7, 1, 2, 3);
    SffImage img = ArtImageCropped(b, pal, 3, 4, 20, 29);
    EXPECT_EQ(img.group, 3);
    EXPECT_EQ(img.number, 4);
    EXPECT_EQ(img.width, 11);
    EXPECT_EQ(img.height, 8);
    EXPECT_EQ(img.x, 10);
    EXPECT_EQ(img.y, 24);
    EXPECT_EQ(img.pixels[0], 7);
    EXPECT_EQ(img.pixels[(size_t)7 * 11 + 10], 9);
    EXPECT_EQ(img.palette[7 * 3 + 2], 3);

    // An empty picture still gives one pixel, so that its key exists.
    clear_to_color(b, 0);
    img = ArtImageCropped(b, pal, 0, 0, 5, 5);
    EXPECT_EQ(img.width, 1);
    EXPECT_EQ(img.height, 1);
    destroy_bitmap(b);
}

TEST_F(Art, OutlineRingsWhatIsDrawn)
{
    BITMAP *b = ArtBitmap(7, 7);
    putpixel(b, 3, 3, 5);
    putpixel(b, 6, 6, 5);
    ArtOutline(b, 1);
    int ring = 0;
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 7; x++)
            ring += getpixel(b, x, y) == 1;
    EXPECT_EQ(ring, 8 + 3) << "eight round the middle, three round the corner pixel";
    EXPECT_EQ(getpixel(b, 3, 3), 5);
    EXPECT_EQ(getpixel(b, 1, 1), 0);
    // An outline is not outlined again in its own colour.
    ArtOutline(b, 1);
    EXPECT_EQ(getpixel(b, 1, 1), 0);
    destroy_bitmap(b);
}

// The fighters' sheet outlines and cuts only the part of a large bitmap a
// pose can reach: what lies outside that area is neither outlined nor kept.
TEST_F(Art, AnAreaLimitsOutlineAndCut)
{
    BITMAP *b = ArtBitmap(20, 10);
    ASSERT_NE(b, nullptr);
    putpixel(b, 4, 4, 5);
    putpixel(b, 15, 4, 5);
    ArtArea left = {0, 0, 9, 9};
    ArtOutlineArea(b, 1, left);
    EXPECT_EQ(getpixel(b, 3, 3), 1);
    EXPECT_EQ(getpixel(b, 14, 4), 0) << "outside the area";
    // A drawn pixel just outside the area does not ring the area's edge.
    putpixel(b, 10, 8, 5);
    ArtOutlineArea(b, 1, left);
    EXPECT_EQ(getpixel(b, 9, 8), 0);

    ArtPalette pal;
    SffImage img = ArtImageCroppedArea(b, pal, 1, 2, 4, 9, left);
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(img.x, 1);
    EXPECT_EQ(img.y, 6);
    EXPECT_EQ(img.pixels[4], 5);
    // The whole bitmap is the area of the plain forms.
    img = ArtImageCropped(b, pal, 1, 2, 4, 9);
    EXPECT_EQ(img.width, 13);
    destroy_bitmap(b);
}

} // namespace
