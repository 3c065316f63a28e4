#include "lib/vbuf.h"

#include <allegro.h>
#include <vector>

#include "lib/gfx.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

struct VbufFixture : ::testing::Test {
    SprSet *spr = nullptr;
    BITMAP *bmp = nullptr;
    void SetUp() override
    {
        TestAllegroStart();
        spr = VbufSprCreateDepth(PIX_W, PIX_H, 16);
        ASSERT_NE(spr, nullptr);
        ASSERT_EQ(VbufTargetSet(spr, 0), 1);
        bmp = VbufTargetBitmapGet(spr, 0);
        ASSERT_NE(bmp, nullptr);
        clear_to_color(bmp, 0);
        PalFxGlobalInit();
    }
    void TearDown() override
    {
        VbufSprFree(spr);
        EXPECT_EQ(vbufTarget.pixels, nullptr);
        PalFxGlobalFree();
    }
    int Count(uint16_t c)
    {
        int n = 0;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                n += PixGet(bmp, x, y) == c;
        return n;
    }
};

} // namespace

TEST_F(VbufFixture, ClipNormalisedAndClamped)
{
    struct { int in[4], out[4]; } cases[] = {
        {{10, 10, 0, 0}, {0, 0, 10, 10}},
        {{-5, 300, 400, -9}, {0, 0, 319, 239}},
        {{50, 60, 70, 80}, {50, 60, 70, 80}},
    };
    for (auto &c : cases) {
        VbufClipSet(c.in[0], c.in[1], c.in[2], c.in[3]);
        int r[4];
        VbufClipSave(r);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(r[i], c.out[i]) << i;
        EXPECT_EQ(vbufTarget.clipWidth, c.out[2] - c.out[0] + 1);
        EXPECT_EQ(bmp->cl, c.out[0]);
        EXPECT_EQ(bmp->cb, c.out[3] + 1);
    }
    int saved[4] = {1, 2, 3, 4};
    VbufClipRestore(saved);
    EXPECT_EQ(vbufTarget.x1, 1);
    EXPECT_EQ(vbufTarget.y2, 4);
}

TEST_F(VbufFixture, BlendRules)
{
    const uint16_t t = Rgb565(20, 40, 10), c = Rgb565(15, 30, 25);
    struct Case {
        void (*fill)(int, int, int, int, int);
        void (*hline)(int, int, int, int);
        void (*vline)(int, int, int, int);
        void (*rect)(int, int, int, int, int);
        uint16_t want;
    } cases[] = {
        {VbufRectFill, VbufHline, VbufVline, VbufRect, c},
        {VbufRectFillAdd, VbufHlineAdd, VbufVlineAdd, VbufRectAdd, Rgb565(31, 63, 31)},
        {VbufRectFillAddHalf, VbufHlineAddHalf, VbufVlineAddHalf, VbufRectAddHalf, Rgb565(25, 50, 30)},
        {VbufRectFillSub, VbufHlineSub, VbufVlineSub, VbufRectSub, Rgb565(5, 10, 0)},
        {VbufRectFillSubHalf, VbufHlineSubHalf, VbufVlineSubHalf, VbufRectSubHalf, Rgb565(0, 0, 0)},
    };
    for (auto &k : cases) {
        clear_to_color(bmp, t);
        k.fill(12, 11, 10, 10, c);  // reversed corners
        k.hline(30, 20, 50, c);
        k.vline(60, 25, 20, c);
        k.rect(100, 100, 104, 103, c);
        EXPECT_EQ(PixGet(bmp, 10, 10), k.want);
        EXPECT_EQ(PixGet(bmp, 12, 11), k.want);
        EXPECT_EQ(PixGet(bmp, 20, 50), k.want);
        EXPECT_EQ(PixGet(bmp, 30, 50), k.want);
        EXPECT_EQ(PixGet(bmp, 60, 20), k.want);
        EXPECT_EQ(PixGet(bmp, 60, 25), k.want);
        // The outline touches each of its 14 pixels once, corners included.
        EXPECT_EQ(PixGet(bmp, 100, 100), k.want);
        EXPECT_EQ(PixGet(bmp, 104, 103), k.want);
        EXPECT_EQ(PixGet(bmp, 102, 101), t);
        EXPECT_EQ(Count(k.want), 6 + 11 + 6 + 14);
    }
    // Saturation and clamping of whole colours.
    clear_to_color(bmp, Rgb565(3, 50, 7));
    VbufRectFillAdd(0, 0, 319, 239, 0xFFFF);
    EXPECT_EQ(Count(0xFFFF), PIX_W * PIX_H);
    VbufRectFillSub(0, 0, 319, 239, 0xFFFF);
    EXPECT_EQ(Count(0), PIX_W * PIX_H);
}

TEST_F(VbufFixture, PixelsAndClip)
{
    VbufClipSet(10, 10, 20, 20);
    VbufPixelPut(9, 10, 0x1111);
    VbufPixelPut(10, 21, 0x1111);
    VbufPixelPut(10, 10, Rgb565(30, 60, 30));
    VbufPixelAdd(10, 10, Rgb565(2, 2, 2));
    VbufPixelPut(20, 20, 0x0F0F);
    VbufPixelInvert(20, 20);
    VbufPixelInvert(21, 20);
    EXPECT_EQ(PixGet(bmp, 10, 10), Rgb565(31, 62, 31));
    EXPECT_EQ(PixGet(bmp, 20, 20), 0xF0F0);
    EXPECT_EQ(PixGet(bmp, 21, 20), 0);
    EXPECT_EQ(Count(0), PIX_W * PIX_H - 2);
    // Fills and lines stop at the clip rectangle.
    VbufRectFill(-100, -100, 1000, 1000, 0x2222);
    EXPECT_EQ(Count(0x2222), 121);
    VbufClear(0x3333);
    EXPECT_EQ(Count(0x3333), PIX_W * PIX_H);
}

TEST_F(VbufFixture, LinesClipped)
{
    VbufLine(-10, 5, 400, 5, 0x0001);
    EXPECT_EQ(Count(1), 320);
    EXPECT_EQ(PixGet(bmp, 0, 5), 1);
    EXPECT_EQ(PixGet(bmp, 319, 5), 1);
    VbufLine(7, 300, 7, -300, 0x0002);
    EXPECT_EQ(Count(2), 240);
    EXPECT_EQ(Count(1), 319);
    // A diagonal through the corner: the pixels inside are the 45-degree run.
    clear_to_color(bmp, 0);
    VbufLine(-20, -20, 400, 400, 0x0003);
    EXPECT_EQ(Count(3), 240);
    for (int i = 0; i < 240; i++)
        EXPECT_EQ(PixGet(bmp, i, i), 3) << i;
    // A shallow line from end to end, reversed ends give the same run.
    clear_to_color(bmp, 0);
    VbufLine(0, 0, 300, 100, 0x0004);
    EXPECT_EQ(Count(4), 301);
    for (int x = 0; x <= 300; x += 3)
        EXPECT_EQ(PixGet(bmp, x, x / 3), 4) << x;
    clear_to_color(bmp, 0);
    VbufLine(300, 100, 0, 0, 0x0004);
    EXPECT_EQ(Count(4), 301);
    // Both ends beyond the same edge: nothing; huge ends do not overflow.
    clear_to_color(bmp, 0);
    VbufLine(-5, -5, -50, 200, 0x0005);
    VbufLine(-2147483647, 3, 2147483647, 200, 0x0006);
    EXPECT_EQ(Count(5), 0);
    EXPECT_GT(Count(6), 0);
    VbufLine(-2147483647, -2147483647, 2147483647, 2147483647, 0x0007);
}

TEST_F(VbufFixture, GlobalFadeDarkensPrimitives)
{
    PalFxGlobalMulSet(128, 128, 128);
    VbufRectFill(0, 0, 9, 9, 0xFFFF);
    VbufPixelPut(20, 20, 0xFFFF);
    uint16_t dark = PalFxColor565(0xFFFF);
    EXPECT_NE(dark, 0xFFFF);
    EXPECT_EQ(dark, Rgb565(15, 31, 15));
    EXPECT_EQ(PixGet(bmp, 5, 5), dark);
    EXPECT_EQ(PixGet(bmp, 20, 20), dark);
}

TEST_F(VbufFixture, BlendsNeedSixteenBits)
{
    SprSet *s32 = VbufSprCreateDepth(8, 8, 32);
    ASSERT_NE(s32, nullptr);
    ASSERT_EQ(VbufTargetSet(s32, 0), 1);
    EXPECT_EQ(vbufTarget.bytesPerPixel, 4);
    BITMAP *b32 = VbufTargetBitmapGet(s32, 0);
    clear_to_color(b32, 0x00102030);
    VbufRectFillAdd(0, 0, 7, 7, 0xFFFF);
    VbufHlineSub(0, 7, 1, 0xFFFF);
    VbufVlineAddHalf(2, 0, 7, 0xFFFF);
    VbufPixelAdd(3, 3, 0xFFFF);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(reinterpret_cast<uint32_t *>(b32->line[y])[x], 0x00102030u);
    VbufPixelPut(4, 4, 0x00ABCDEF);
    EXPECT_EQ(reinterpret_cast<uint32_t *>(b32->line[4])[4], 0x00ABCDEFu);
    VbufSprFree(s32);
    EXPECT_EQ(vbufTarget.pixels, nullptr);
}

TEST_F(VbufFixture, TargetsOfEveryKind)
{
    EXPECT_EQ(vbufTarget.width, PIX_W);
    EXPECT_EQ(vbufTarget.depth, 16);
    EXPECT_EQ(vbufTarget.x2, PIX_W - 1);
    EXPECT_EQ(vbufTarget.clipHeight, PIX_H);
    // A set of several surfaces; each one can be the target.
    SprSet *three = VbufSprSetCreate(16, 8, 16, 3);
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(SprSetImageCount(three), 3);
    for (int i = 0; i < 3; i++)
        clear_to_color(VbufTargetBitmapGet(three, i), 0);
    ASSERT_EQ(VbufTargetSet(three, 2), 1);
    VbufRectFill(0, 0, 100, 100, 0x1234);
    EXPECT_EQ(PixGet(VbufTargetBitmapGet(three, 2), 15, 7), 0x1234);
    EXPECT_EQ(PixGet(VbufTargetBitmapGet(three, 0), 15, 7), 0);
    VbufSprFree(three);
    // Heap pixels are a target too; other pixel kinds are not.
    std::vector<unsigned char> px(10 * 4 * 2, 0);
    SprSet *heap = SprSetCreate(2, 0);
    SprImage img;
    ASSERT_EQ(SprImageInit(&img, SPR_PIXELS_HEAP, px.data(), (int)px.size(), 1, 10, 4, 16, 0, 0), 1);
    SprSetAddImage(heap, &img, 0, 0);
    ASSERT_EQ(SprImageInit(&img, 7, nullptr, 0, 0, 10, 4, 16, 0, 0), 1);
    SprSetAddImage(heap, &img, 0, 1);
    EXPECT_EQ(VbufTargetSet(heap, 1), 0);
    ASSERT_EQ(VbufTargetSet(heap, 0), 1);
    EXPECT_EQ(VbufTargetBitmapGet(heap, 0), nullptr);
    VbufClipSet(2, 1, 3, 2);
    VbufClear(0x0102);
    VbufPixelPut(9, 3, 0x7777);
    const uint16_t *p16 = static_cast<const uint16_t *>(SprImageSrcPixels(heap, 0));
    EXPECT_EQ(p16[0], 0x0102);
    EXPECT_EQ(p16[39], 0x0102);
    VbufClipSet(0, 0, 9, 3);
    VbufPixelPut(9, 3, 0x7777);
    EXPECT_EQ(p16[39], 0x7777);
    vbufTarget = VbufTarget{};
    SprSetFree(heap);
    ASSERT_EQ(VbufTargetSet(spr, 0), 1);
    // Without a screen mode there is no screen depth to make a surface at.
    gfx.depth = 0;
    EXPECT_EQ(VbufSprCreate(4, 4), nullptr);
    gfx.depth = 16;
    SprSet *s = VbufSprCreate(4, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(bitmap_color_depth(VbufTargetBitmapGet(s, 0)), 16);
    VbufSprFree(s);
    gfx.depth = 0;
}

TEST(VbufDeath, DrawingWithoutTarget)
{
    vbufTarget = VbufTarget{};
    EXPECT_EXIT(VbufRectFill(0, 0, 1, 1, 0), ::testing::ExitedWithCode(1), "Assert failure in vbuf");
}

TEST(Vbuf, Blit16To32)
{
    TestAllegroStart();
    BITMAP *src = create_bitmap_ex(16, 4, 4), *dst = create_bitmap_ex(32, 6, 6);
    clear_to_color(dst, 0x12345678);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            PixSet(src, x, y, Rgb565(31, 0, 1));
    PixSet(src, 1, 1, Rgb565(1, 63, 31));
    // Starts outside on both sides: only the overlap is copied.
    VbufBlit16To32(src, dst, -1, 0, 3, 4, 4, 4);
    auto at = [&](int x, int y) { return reinterpret_cast<uint32_t *>(dst->line[y])[x]; };
    EXPECT_EQ(at(4, 4), (31u << 19) | (1u << 3));
    EXPECT_EQ(at(5, 5), (1u << 19) | (63u << 10) | (31u << 3));
    EXPECT_EQ(at(3, 4), 0x12345678u);
    EXPECT_EQ(at(4, 3), 0x12345678u);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}
