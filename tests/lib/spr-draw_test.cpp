#include "lib/spr-draw.h"

#include <allegro.h>
#include <cmath>
#include <vector>

#include "lib/blit.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

// Palette (0, 0): colour i is (8i, 4i, 8i) in 8 bits, so value v shows as
// RGB565 (v, v, v) for v < 32. Palette (0, 1): every colour pure red.
struct SprDrawFixture : ::testing::Test {
    SprSet *target = nullptr, *set = nullptr;
    BITMAP *bmp = nullptr;
    std::vector<unsigned char> greyRgba = std::vector<unsigned char>(256 * 4, 0);
    std::vector<unsigned char> redRgba = std::vector<unsigned char>(256 * 4, 0);

    void SetUp() override
    {
        TestAllegroStart();
        ASSERT_TRUE(PixSprTargetStart(&target, &bmp));
        for (int i = 0; i < 256; i++) {
            greyRgba[4 * i] = greyRgba[4 * i + 2] = (unsigned char)(8 * (i & 31));
            greyRgba[4 * i + 1] = (unsigned char)(4 * (i & 31));
            redRgba[4 * i] = 255;
        }
        set = SprSetCreate(4, 2);
        Palette p;
        ASSERT_EQ(PalInit(&p, 256, greyRgba.data(), 0), 1);
        SprSetAddPal(set, &p, 0, 0);
        ASSERT_EQ(PalInit(&p, 256, redRgba.data(), 0), 1);
        SprSetAddPal(set, &p, 0, 1);
        // Image (0, 0): 6x4 values 1..24 with its axis at (2, 3).
        std::vector<unsigned char> px(24);
        for (int i = 0; i < 24; i++)
            px[i] = (unsigned char)(1 + i);
        AddImage(0, 0, 6, 4, 8, px, 2, 3, 0);
    }
    void TearDown() override
    {
        SprSetFree(set);
        VbufSprFree(target);
        PalFxGlobalFree();
    }
    int AddImage(int group, int number, int w, int h, int bpp, const std::vector<unsigned char> &px, int ax,
                 int ay, int palKey)
    {
        SprImage img;
        std::vector<unsigned char> data(px);
        data.resize((size_t)w * h * ((bpp + 7) / 8));
        EXPECT_EQ(SprImageInit(&img, SPR_PIXELS_HEAP, data.data(), (int)data.size(), 1, w, h, bpp, ax, ay), 1);
        if (palKey >= 0)
            SprImageLinkPal(&img, set, 0, palKey);
        SprSetAddImage(set, &img, group, number);
        return SprSetFindImage(set, group, number);
    }
};

} // namespace

TEST_F(SprDrawFixture, PlainAndFlippedPlacement)
{
    SprDraw(set, 0, 100, 50);
    EXPECT_EQ(PixGet(bmp, 98, 47), PixGrey(1));
    EXPECT_EQ(PixGet(bmp, 103, 50), PixGrey(24));
    EXPECT_EQ(PixDrawn(bmp), 24);
    clear_to_color(bmp, 0);
    SprDrawHV(set, 0, 100, 50);
    // Flipped both ways, source pixel (0, 0) lands at (x + ax, y + ay).
    EXPECT_EQ(PixGet(bmp, 102, 53), PixGrey(1));
    EXPECT_EQ(PixGet(bmp, 97, 50), PixGrey(24));
    EXPECT_EQ(PixDrawn(bmp), 24);
    // The scaled call with (-1, 1) is the horizontal flip.
    BITMAP *ref = PixCanvas(0);
    clear_to_color(bmp, 0);
    SprDrawH(set, 0, 100, 50);
    blit(bmp, ref, 0, 0, 0, 0, PIX_W, PIX_H);
    clear_to_color(bmp, 0);
    SprDrawScaled(set, 0, 100, 50, -1, 1);
    EXPECT_TRUE(PixEqual(bmp, ref));
    clear_to_color(bmp, 0);
    SprDrawScaledH(set, 0, 100, 50, 1, 1);
    EXPECT_TRUE(PixEqual(bmp, ref));
    destroy_bitmap(ref);
}

TEST_F(SprDrawFixture, OnlySixteenBitTargetsAndEightBitImages)
{
    SprSet *other[] = {VbufSprCreateDepth(64, 64, 8), VbufSprCreateDepth(64, 64, 32)};
    for (SprSet *s : other) {
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(VbufTargetSet(s, 0), 1);
        BITMAP *b = VbufTargetBitmapGet(s, 0);
        clear_to_color(b, 0);
        SprDraw(set, 0, 10, 10);
        SprDrawAddSized(set, 0, 10, 10, 30, 30);
        SprDrawAlphaRotated(set, 0, 20, 20, 45, 1, 1, 1, 1, 128, 128);
        SprDrawSilhouette(set, 0, 10, 10, 0xFFFF);
        SprDrawShadeScaled(set, 0, 10, 10, 2, 2, 0x1111);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++)
                ASSERT_EQ(getpixel(b, x, y), 0);
        VbufSprFree(s);
    }
    ASSERT_EQ(VbufTargetSet(target, 0), 1);
    int deep = AddImage(1, 0, 4, 4, 24, std::vector<unsigned char>(48, 200), 0, 0, -1);
    int wide = AddImage(1, 1, 4, 4, 16, std::vector<unsigned char>(32, 200), 0, 0, -1);
    SprDraw(set, deep, 10, 10);
    SprDrawOpaque(set, deep, 10, 10);
    SprDrawSilhouette(set, wide, 10, 10, 0xFFFF);
    SprDraw(set, wide, 10, 10);
    EXPECT_EQ(PixDrawn(bmp), 0);
}

TEST_F(SprDrawFixture, PalettesOverridesAndMissingPalettes)
{
    int bare = AddImage(2, 0, 2, 2, 8, {5, 5, 5, 0}, 0, 0, -1);
    SprDraw(set, bare, 10, 10);
    EXPECT_EQ(PixDrawn(bmp), 0);
    // The silhouette needs no colours.
    SprDrawSilhouette(set, bare, 10, 10, 0x1234);
    EXPECT_EQ(PixGet(bmp, 11, 10), 0x1234);
    EXPECT_EQ(PixGet(bmp, 11, 11), 0);
    // An override palette serves every image, with or without its own.
    Palette *red = SprSetPalAt(set, 1);
    set->palOverride = red;
    SprDraw(set, bare, 20, 20);
    SprDraw(set, 0, 40, 40);
    EXPECT_EQ(PixGet(bmp, 20, 20), Rgb565(31, 0, 0));
    EXPECT_EQ(PixGet(bmp, 40, 40), Rgb565(31, 0, 0));
    // A 16-colour override: values beyond its colours read zeroed entries of
    // the 256-entry table, in the alpha rule's scaled copy as well.
    Palette small;
    ASSERT_EQ(PalInit(&small, 16, redRgba.data(), 0), 1);
    int high = AddImage(2, 1, 1, 1, 8, {200}, 0, 0, 0);
    set->palOverride = &small;
    PixSet(bmp, 60, 60, PixGrey(8));
    SprDrawAlpha(set, high, 60, 60, 128, 128);
    EXPECT_EQ(PixGet(bmp, 60, 60), PixGrey(4));
    SprDraw(set, high, 61, 60);
    EXPECT_EQ(PixGet(bmp, 61, 60), 0);
    PalFree(&small);
    set->palOverride = nullptr;
    // The global effect reaches the colours of the draw.
    clear_to_color(bmp, 0);
    PalFxGlobalMulSet(128, 128, 128);
    PalFxGlobalCommit();
    SprDraw(set, 0, 100, 50);
    EXPECT_EQ(PixGet(bmp, 103, 50), PixGrey(12));
    PalFxGlobalReset();
    PalFxGlobalCommit();
}

TEST_F(SprDrawFixture, DrawByKeyAndPalette)
{
    SprDrawKey(set, 0, 0, 100, 50);
    SprDrawKey(set, 0, 9, 10, 10);
    SprDrawKey(set, -1, 0, 10, 10);
    SprDrawKeyH(set, 0, -1, 10, 10);
    EXPECT_EQ(PixDrawn(bmp), 24);
    clear_to_color(bmp, 0);
    SprImage *img = SprSetImageAt(set, 0);
    ASSERT_EQ(img->palIndex, 0);
    SprDrawKeyPal(set, 0, 0, 1, 100, 50);
    EXPECT_EQ(PixGet(bmp, 103, 50), Rgb565(31, 0, 0));
    EXPECT_EQ(img->palIndex, 0);
    // A slot that names no palette keeps the image's own.
    for (int bad : {2, -1, 99}) {
        SprDrawKeyPalH(set, 0, 0, bad, 100, 50);
        EXPECT_EQ(PixGet(bmp, 97, 50), PixGrey(24)) << bad;
        EXPECT_EQ(img->palIndex, 0);
    }
}

TEST_F(SprDrawFixture, FlipCodesAndKinds)
{
    SprDrawAddFlip(set, 0, 100, 50, 4);
    SprDrawAlphaFlip(set, 0, 100, 50, -1, 128, 128);
    SprDrawFlipTrans(set, 0, 100, 50, 0, -2, 256, 0);
    SprDrawScaledOpaque(set, 0, 100, 50, -1, 1);
    SprDrawScaledOpaque(set, 0, 100, 50, 1, 0);
    EXPECT_EQ(PixDrawn(bmp), 0);
    SprDrawScaledOpaque(set, 0, 100, 50, 1, 1);
    EXPECT_EQ(PixDrawn(bmp), 24);

    const uint16_t t = PixGrey(10);
    struct Case {
        int trans, sa, da;
        uint16_t want;  // over value 24 at (103, 50), target grey 10
    } cases[] = {
        {0, 0, 0, PixGrey(24)}, {-1, 0, 0, PixGrey(24)}, {1, 0, 0, Rgb565(31, 34, 31)},
        {2, 0, 0, PixGrey(0)}, {3, 128, 128, Rgb565(12 + 5, 12 + 5, 12 + 5)}, {3, 256, 0, PixGrey(24)},
        {3, 0, 256, t},
    };
    for (auto &c : cases) {
        for (int flip = 0; flip < 4; flip++) {
            clear_to_color(bmp, t);
            SprDrawFlipTrans(set, 0, 100, 50, flip, c.trans, c.sa, c.da);
            // Source (5, 3) lands at x + 3 unflipped, x - 3 flipped horizontally,
            // and on row y either way (y - ay + 3 = y + ay - 3).
            int x = (flip & 1) ? 97 : 103;
            EXPECT_EQ(PixGet(bmp, x, 50), c.want) << c.trans << " flip " << flip;
        }
        clear_to_color(bmp, t);
        SprDrawScaledTrans(set, 0, 100, 50, 2, 2, c.trans, c.sa, c.da);
        EXPECT_EQ(PixGet(bmp, 107, 50), c.want) << "scaled " << c.trans;
    }
}

// The rotated calls fold negative factors into the angle and the mirror.
TEST_F(SprDrawFixture, RotatedSignFolding)
{
    PixTarget pt;
    BITMAP *ref = PixCanvas(0);
    PixTargetOf(ref, &pt);
    SprImage *img = SprSetImageAt(set, 0);
    BlitSource src{static_cast<const uint8_t *>(img->pixels), img->rows, img->width, img->height, img->xAxis,
                   img->yAxis};
    BlitRule rule{BLIT_MASKED, SprSetPalAtReady(set, 0)->table, 0, 256, 0};
    const float a = 30;
    struct Case {
        float xs, ys, xs2, ys2;
        bool useH;
        float angle;
        int mirrored;
    } cases[] = {
        {-1, 1, 1, 1, false, 360 - a, 1},
        {1, -1, 1, 1, false, 180 - a, 1},
        {1, 1, 1, 1, true, a, 1},
        {1, 1, -1, 1, false, a, 1},
        {1, 1, 1, -1, false, a + 180, 1},
        {-1, -1, 1, 1, false, a + 180, 0},
        {2, 1, 1, 1.5f, false, a, 0},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0);
        clear_to_color(ref, 0);
        if (c.useH)
            SprDrawRotatedH(set, 0, 160, 120, a, c.xs, c.ys, c.xs2, c.ys2);
        else
            SprDrawRotated(set, 0, 160, 120, a, c.xs, c.ys, c.xs2, c.ys2);
        BlitRotated(&pt.target, &src, &rule, 160, 120, c.angle, std::fabs(c.xs), std::fabs(c.ys),
                    std::fabs(c.xs2), std::fabs(c.ys2), c.mirrored);
        EXPECT_GT(PixDrawn(bmp), 10);
        EXPECT_TRUE(PixEqual(bmp, ref)) << c.xs << " " << c.ys << " " << c.xs2 << " " << c.ys2;
    }
    // NaN factors are refused everywhere.
    clear_to_color(bmp, 0);
    const float nan = std::nanf("");
    SprDrawRotated(set, 0, 160, 120, 10, nan, 1, 1, 1);
    SprDrawRotatedUnitH(set, 0, 160, 120, 10, 1, nan);
    SprDrawScaled(set, 0, 160, 120, nan, 1);
    SprDrawAlphaScaled(set, 0, 160, 120, 1, nan, 128, 128);
    EXPECT_EQ(PixDrawn(bmp), 0);
    destroy_bitmap(ref);
}

TEST_F(SprDrawFixture, EveryFamilyDraws)
{
    // Each call, drawn alone on black, leaves pixels only where the image goes.
    using Fn = void (*)(SprSet *, int);
    Fn calls[] = {
        [](SprSet *s, int i) { SprDrawV(s, i, 100, 50); },
        [](SprSet *s, int i) { SprDrawSizedV(s, i, 100, 50, 12, 8); },
        [](SprSet *s, int i) { SprDrawSizedHV(s, i, 100, 50, 12, 8); },
        [](SprSet *s, int i) { SprDrawSizedOpaque(s, i, 100, 50, 12, 8); },
        [](SprSet *s, int i) { SprDrawScaledV(s, i, 100, 50, 2, 2); },
        [](SprSet *s, int i) { SprDrawScaledHV(s, i, 100, 50, 2, 2); },
        [](SprSet *s, int i) { SprDrawRotatedUnit(s, i, 100, 50, 45, 1, 1); },
        [](SprSet *s, int i) { SprDrawAddHV(s, i, 100, 50); },
        [](SprSet *s, int i) { SprDrawAddSizedH(s, i, 100, 50, 12, 8); },
        [](SprSet *s, int i) { SprDrawAddScaled(s, i, 100, 50, -2, 2); },
        [](SprSet *s, int i) { SprDrawAddRotatedUnitH(s, i, 100, 50, 45, 1, 1); },
        [](SprSet *s, int i) { SprDrawAlphaV(s, i, 100, 50, 200, 50); },
        [](SprSet *s, int i) { SprDrawAlphaSizedHV(s, i, 100, 50, 12, 8, 200, 50); },
        [](SprSet *s, int i) { SprDrawAlphaRotatedUnit(s, i, 100, 50, 45, 1, 1, 200, 50); },
        [](SprSet *s, int i) { SprDrawAlphaRotatedUnitH(s, i, 100, 50, 45, 1, 1, 200, 50); },
    };
    for (Fn f : calls) {
        clear_to_color(bmp, 0);
        f(set, 0);
        EXPECT_GE(PixDrawn(bmp), 12);
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                if (PixGet(bmp, x, y)) {
                    ASSERT_LE(std::hypot(x - 100, y - 50), 16.0);
                }
    }
    // Subtract and shade take away from a white target.
    Fn darken[] = {
        [](SprSet *s, int i) { SprDrawSubV(s, i, 100, 50); },
        [](SprSet *s, int i) { SprDrawSubSizedHV(s, i, 100, 50, 12, 8); },
        [](SprSet *s, int i) { SprDrawSubScaled(s, i, 100, 50, 2, -2); },
        [](SprSet *s, int i) { SprDrawSubRotatedUnit(s, i, 100, 50, 45, 1, 1); },
        [](SprSet *s, int i) { SprDrawShadeSizedV(s, i, 100, 50, 6, 4, 0x0841); },
        [](SprSet *s, int i) { SprDrawShadeScaled(s, i, 100, 50, 1, 1, 0x0841); },
        [](SprSet *s, int i) { SprDrawShadeRotatedUnitH(s, i, 100, 50, 45, 1, 1, 0x0841); },
    };
    for (Fn f : darken) {
        clear_to_color(bmp, 0xFFFF);
        f(set, 0);
        int n = 0;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                n += PixGet(bmp, x, y) != 0xFFFF;
        EXPECT_GE(n, 12);
    }
    // Shade always stretches, even at the image's own size: the axis is at (2, 3).
    clear_to_color(bmp, 0xFFFF);
    SprDrawShadeSized(set, 0, 100, 50, 6, 4, 0x0841);
    EXPECT_EQ(PixGet(bmp, 98, 47), 0xFFFF - 0x0841);
    EXPECT_EQ(PixGet(bmp, 97, 47), 0xFFFF);
}

TEST(SprDrawSigns, FlipSigns)
{
    EXPECT_EQ(SprFlipSignX(1), -1);
    EXPECT_EQ(SprFlipSignX(2), 1);
    EXPECT_EQ(SprFlipSignY(2), -1);
    EXPECT_EQ(SprFlipSignY(1), 1);
    EXPECT_EQ(SprFlipSignX(3) * SprFlipSignY(3), 1);
}
