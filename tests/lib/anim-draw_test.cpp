#include <gtest/gtest.h>

#include <allegro.h>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/blit.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

// Sprites (0, 0) and (0, 1): 2x2 images of value 10 and 20 with the axis at
// their top-left pixel; palette colour v shows as RGB565 (v, v, v).
class AnimDraw : public TempDirTest {
protected:
    SprSet *target = nullptr, *spr = nullptr, *other = nullptr;
    BITMAP *bmp = nullptr;
    AnimSet *anims = nullptr;
    std::vector<unsigned char> rgba = std::vector<unsigned char>(256 * 4, 0);

    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        ASSERT_TRUE(PixSprTargetStart(&target, &bmp));
        for (int i = 0; i < 256; i++) {
            rgba[4 * i] = rgba[4 * i + 2] = (unsigned char)(8 * (i & 31));
            rgba[4 * i + 1] = (unsigned char)(4 * (i & 31));
        }
        spr = SprSetCreate(2, 1);
        Palette p;
        PalInit(&p, 256, rgba.data(), 0);
        SprSetAddPal(spr, &p, 0, 0);
        for (int n = 0; n < 2; n++) {
            std::vector<unsigned char> px(4, (unsigned char)(10 + 10 * n));
            SprImage img;
            SprImageInit(&img, SPR_PIXELS_HEAP, px.data(), 4, 1, 2, 2, 8, 0, 0);
            SprImageLinkPal(&img, spr, 0, 0);
            SprSetAddImage(spr, &img, 0, n);
        }
        WriteFileText("t.air",
                      AirAction(1, {AirElemLine(0, 0, 3, -2, 2), AirElemLine(0, 1, 5, 4, 3, "H", "AS128D128")}) +
                          AirAction(2, {AirElemLine(0, 7, 0, 0, -1)}));
        anims = AnimLoadFile("t.air");
        ASSERT_NE(anims, nullptr);
    }
    void TearDown() override
    {
        AnimSetFree(anims);
        SprSetFree(spr);
        VbufSprFree(target);
        PalFxGlobalFree();
        TempDirTest::TearDown();
    }
};

} // namespace

TEST_F(AnimDraw, DrawsTheShownElement)
{
    AnimObj obj;
    AnimObjInit(&obj, anims, spr);
    ASSERT_EQ(AnimObjChangeAction(&obj, 0, 1), 1);
    // Changed and not yet ticked: nothing is shown.
    AnimObjDraw(&obj, 100, 100);
    EXPECT_EQ(PixDrawn(bmp), 0);
    AnimObjTick(&obj);
    AnimObjDraw(&obj, 100, 100);
    EXPECT_EQ(PixGet(bmp, 103, 98), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 104, 99), PixGrey(10));
    EXPECT_EQ(PixDrawn(bmp), 4);
    // The flip argument mirrors the offset and the image about the position.
    clear_to_color(bmp, 0);
    AnimObjDrawFlip(&obj, 100, 100, ANIM_FLIP_H | ANIM_FLIP_V);
    EXPECT_EQ(PixGet(bmp, 97, 102), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 96, 101), PixGrey(10));
    EXPECT_EQ(PixDrawn(bmp), 4);

    // Element 1 flips itself and blends 128/128.
    AnimObjTick(&obj);
    AnimObjTick(&obj);
    clear_to_color(bmp, PixGrey(4));
    AnimObjDraw(&obj, 100, 100);
    EXPECT_EQ(PixGet(bmp, 105, 104), PixGrey(10 + 2));
    EXPECT_EQ(PixGet(bmp, 104, 105), PixGrey(10 + 2));
    EXPECT_EQ(PixGet(bmp, 106, 104), PixGrey(4));
    // With the horizontal flip argument the element's own flip cancels.
    clear_to_color(bmp, PixGrey(4));
    AnimObjDrawFlip(&obj, 100, 100, ANIM_FLIP_H);
    EXPECT_EQ(PixGet(bmp, 95, 104), PixGrey(12));
    EXPECT_EQ(PixGet(bmp, 96, 105), PixGrey(12));
    EXPECT_EQ(PixGet(bmp, 94, 104), PixGrey(4));
}

TEST_F(AnimDraw, TransparencyOverride)
{
    AnimObj obj;
    AnimObjInit(&obj, anims, spr);
    AnimObjChangeAction(&obj, 0, 1);
    AnimObjTick(&obj);
    // Override alpha: source 256 x 128 / 256, destination 64 + 192 x 0 / 256.
    obj.transOverride = 3;
    obj.alphaSrcScale = 128;
    obj.alphaDstScale = 64;
    clear_to_color(bmp, PixGrey(8));
    AnimObjDraw(&obj, 100, 100);
    EXPECT_EQ(PixGet(bmp, 103, 98), PixGrey(5 + 2));
    // Add over the element's own kind.
    obj.transOverride = 1;
    clear_to_color(bmp, PixGrey(8));
    AnimObjDraw(&obj, 100, 100);
    EXPECT_EQ(PixGet(bmp, 103, 98), PixGrey(18));
}

TEST_F(AnimDraw, ScaledAndTurned)
{
    AnimObj obj;
    AnimObjInit(&obj, anims, spr);
    AnimObjChangeAction(&obj, 0, 1);
    AnimObjTick(&obj);
    AnimObjDrawScaled(&obj, 100, 100, 2, 1.5f);
    // Offsets 3 x 2 = 6 and -2 x 1.5 = -3; the image covers 4 by 3 pixels.
    EXPECT_EQ(PixGet(bmp, 106, 97), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 109, 99), PixGrey(10));
    EXPECT_EQ(PixDrawn(bmp), 12);
    // Scales of exactly 1 are the plain draw.
    clear_to_color(bmp, 0);
    AnimObjDrawScaledFlip(&obj, 100.7f, 100.2f, 1, 1, ANIM_FLIP_H);
    EXPECT_EQ(PixGet(bmp, 97, 98), PixGrey(10));
    EXPECT_EQ(PixDrawn(bmp), 4);
    // Flipped scaled draws mirror the image through a negative scale.
    clear_to_color(bmp, 0);
    AnimObjDrawScaledFlip(&obj, 100, 100, 2, 2, ANIM_FLIP_H);
    EXPECT_EQ(PixGet(bmp, 94, 96), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 92, 97), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 91, 97), 0);
    EXPECT_EQ(PixDrawn(bmp), 16);

    // A turn of 90 degrees puts the 2x2 block above and right of its axis.
    clear_to_color(bmp, 0);
    AnimObjDrawAngle(&obj, 100, 100, 90, 1, 1, 0);
    EXPECT_EQ(PixDrawn(bmp), 4);
    EXPECT_EQ(PixGet(bmp, 103, 98), PixGrey(10));
    EXPECT_EQ(PixGet(bmp, 104, 97), PixGrey(10));
    // The same turn through the rotated draw call directly.
    BITMAP *ref = PixCanvas(0);
    blit(bmp, ref, 0, 0, 0, 0, PIX_W, PIX_H);
    clear_to_color(bmp, 0);
    SprDrawRotatedTrans(spr, 0, 103, 98, 90, 1, 1, 1, 1, 0, 256, 0);
    EXPECT_TRUE(PixEqual(bmp, ref));
    // Flipped horizontally: the offset mirrors and the turn goes the other way.
    clear_to_color(bmp, 0);
    AnimObjDrawAngle(&obj, 100, 100, 90, 1, 1, ANIM_FLIP_H);
    clear_to_color(ref, 0);
    blit(bmp, ref, 0, 0, 0, 0, PIX_W, PIX_H);
    clear_to_color(bmp, 0);
    SprDrawRotatedTrans(spr, 0, 97, 98, -90, -1, 1, 1, 1, 0, 256, 0);
    EXPECT_TRUE(PixEqual(bmp, ref));
    EXPECT_EQ(PixDrawn(bmp), 4);
    destroy_bitmap(ref);
}

TEST_F(AnimDraw, MissingSpriteDrawsNothing)
{
    AnimObj obj;
    AnimObjInit(&obj, anims, spr);
    AnimObjChangeAction(&obj, 0, 2);
    AnimObjTick(&obj);
    EXPECT_EQ(obj.sprIndex, -1);
    AnimObjDraw(&obj, 100, 100);
    AnimObjDrawScaled(&obj, 100, 100, 2, 2);
    AnimObjDrawAngle(&obj, 100, 100, 30, 1, 1, 0);
    EXPECT_EQ(PixDrawn(bmp), 0);
}
