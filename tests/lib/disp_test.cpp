// Frame skipping against a hand-driven frame timer, the four 2x filters on synthetic frames, and screenshots.
#include "lib/disp.h"

#include <allegro.h>
#include <cstdio>
#include <string>
#include <vector>

#include "kit/enginekit.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/timer.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

class FrameSkipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TimerDeviceSet(&kQuietTimer);
        ASSERT_EQ(TimerInit(180), 1);
        TimerSpeedSet(60);  // a frame every 3 ticks
        disp = DispState{};
    }
    void TearDown() override
    {
        TimerExit();
        TimerDeviceSet(nullptr);
        disp = DispState{};
    }
    // One pass of a screen loop: the timer runs on, the due frame is taken,
    // and the next frame's skip is decided. Returns 1 for a skipped frame.
    static int Frame(int ticks)
    {
        for (int i = 0; i < ticks; i++)
            TimerTick();
        TimerFramePoll();
        DispFrameSkipUpdate();
        return disp.skipFrame;
    }
};

TEST_F(FrameSkipTest, FixedSettingDrawsOneFrameInNPlusOne)
{
    struct { int setting; std::vector<int> skips; } cases[] = {
        {0, {0, 0, 0, 0, 0, 0, 0}},
        {1, {0, 1, 0, 1, 0, 1, 0}},
        {2, {0, 1, 1, 0, 1, 1, 0}},
        {2000, {0, 1, 1, 1, 1, 1, 1}},
    };
    for (auto &c : cases) {
        disp.frameSkip = c.setting;
        disp.skipCounter = 7;
        disp.skipFrame = 1;
        DispFrameSkipReset();
        std::vector<int> got{disp.skipFrame};
        while (got.size() < c.skips.size())
            got.push_back(Frame(3));
        EXPECT_EQ(got, c.skips) << "setting " << c.setting;
    }
}

TEST_F(FrameSkipTest, AutomaticSkipsAtMostFourInARowThenDropsTheBacklog)
{
    disp.frameSkip = DISP_FRAMESKIP_AUTO;
    DispFrameSkipReset();
    EXPECT_EQ(Frame(3), 0);  // on time

    // A long stall: many frames due at once.
    for (int i = 0; i < 60; i++)
        TimerTick();
    std::vector<int> got;
    for (int i = 0; i < 5; i++)
        got.push_back(Frame(0));
    EXPECT_EQ(got, (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_EQ(TimerFramePoll(), 0);  // the backlog was dropped after the fourth skip
    EXPECT_EQ(Frame(3), 0);

    // A short stall is worked off without dropping anything.
    for (int i = 0; i < 6; i++)
        TimerTick();
    EXPECT_EQ(Frame(0), 1);
    EXPECT_EQ(Frame(0), 0);
    EXPECT_EQ(Frame(3), 0);

    // Without frame waits nothing is ever skipped.
    disp.noFrameWait = 1;
    for (int i = 0; i < 60; i++)
        TimerTick();
    EXPECT_EQ(Frame(0), 0);
    EXPECT_EQ(disp.skipCounter, 0);
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestAllegroStart();
        src = PixCanvas(B);
        dst = Dst(640, 480);
    }
    void TearDown() override
    {
        destroy_bitmap(src);
        destroy_bitmap(dst);
    }
    static BITMAP *Dst(int w, int h, int depth = 16)
    {
        BITMAP *b = create_bitmap_ex(depth, w, h);
        clear_to_color(b, FILL);
        return b;
    }
    static uint16_t Half(uint16_t c) { return (uint16_t)((c >> 1) & 0x7BEF); }
    static uint16_t Quarter(uint16_t c) { return (uint16_t)((c >> 2) & 0x39E7); }
    // The 2x2 block of source pixel (x, y): top-left, top-right, bottom-left, bottom-right.
    std::vector<uint16_t> Block(int x, int y) const
    {
        return {PixGet(dst, 2 * x, 2 * y), PixGet(dst, 2 * x + 1, 2 * y), PixGet(dst, 2 * x, 2 * y + 1),
                PixGet(dst, 2 * x + 1, 2 * y + 1)};
    }
    static constexpr uint16_t A = 0xF81F;  // magenta
    static constexpr uint16_t B = 0x07E0;  // green
    static constexpr uint16_t C = 0x8410;  // grey
    static constexpr uint16_t FILL = 0x1234;
    BITMAP *src = nullptr;
    BITMAP *dst = nullptr;
};

using Filter = void (*)(BITMAP *, BITMAP *);
const struct { const char *name; Filter fn; } filters[] = {
    {"edge", GfxFilterEdge2x}, {"blend", GfxFilterBlend2x}, {"scanline", GfxFilterScanline},
    {"double", GfxFilterDouble},
};

TEST_F(FilterTest, FlatAreaIsDoubled)
{
    for (auto &f : filters) {
        clear_to_color(dst, FILL);
        f.fn(src, dst);
        for (int y : {0, 1, 2, 3, 238, 239, 240, 241, 478, 479}) {
            for (int x : {0, 1, 300, 638, 639}) {
                uint16_t want = B;
                if (f.fn == GfxFilterScanline && (y & 1))
                    want = FILL;
                if (f.fn == GfxFilterBlend2x)
                    want = Half(B) + 2 * Quarter(B);
                if (f.fn == GfxFilterBlend2x && (x == 0 || x == 639) && (y == 0 || y == 479))
                    want = 2 * Half(B);
                EXPECT_EQ(PixGet(dst, x, y), want) << f.name << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(FilterTest, BlendOfUniformColourLosesOnlyLowBits)
{
    for (uint16_t c : {(uint16_t)0xFFFF, (uint16_t)0x8410, Rgb565(17, 33, 5), (uint16_t)0}) {
        clear_to_color(src, c);
        GfxFilterBlend2x(src, dst);
        for (uint16_t got : {PixGet(dst, 100, 100), PixGet(dst, 0, 0)}) {
            EXPECT_LE((c >> 11) - (got >> 11), 2) << std::hex << c;
            EXPECT_LE(((c >> 5) & 63) - ((got >> 5) & 63), 2) << std::hex << c;
            EXPECT_LE((c & 31) - (got & 31), 2) << std::hex << c;
            EXPECT_GE((int)(c >> 11), (int)(got >> 11));
        }
    }
}

TEST_F(FilterTest, BlendKeepsChannelsApartAt15Bits)
{
    // Red 1 alone at 5-5-5: halving must not carry its low bit into green.
    BITMAP *s = create_bitmap_ex(15, 320, 240);
    BITMAP *d = create_bitmap_ex(15, 640, 480);
    clear_to_color(s, 0x0400);
    GfxFilterBlend2x(s, d);
    EXPECT_EQ(getpixel(d, 100, 100), 0);
    clear_to_color(s, 0x7FFF);
    GfxFilterBlend2x(s, d);
    EXPECT_EQ(getpixel(d, 100, 100), 29 << 10 | 29 << 5 | 29);
    destroy_bitmap(s);
    destroy_bitmap(d);
}

TEST_F(FilterTest, EdgeFillsTheCornersOfAStaircase)
{
    // A below the diagonal x < y, B elsewhere, in the top-left 16x16.
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < y; x++)
            PixSet(src, x, y, A);
    GfxFilterEdge2x(src, dst);
    // Pixel (4, 5) is A with A left and below, B right and above: its outer
    // corner takes B. Pixel (5, 5) is B with A left and below: its inner
    // corner takes A.
    EXPECT_EQ(Block(4, 5), (std::vector<uint16_t>{A, B, A, A}));
    EXPECT_EQ(Block(5, 5), (std::vector<uint16_t>{B, B, A, B}));
    EXPECT_EQ(Block(8, 3), (std::vector<uint16_t>{B, B, B, B}));
    EXPECT_EQ(Block(2, 9), (std::vector<uint16_t>{A, A, A, A}));
}

TEST_F(FilterTest, CheckerBlocks)
{
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            PixSet(src, x, y, ((x + y) & 1) ? A : C);
    // (3, 3) is C with A on all four sides.
    GfxFilterEdge2x(src, dst);
    EXPECT_EQ(Block(3, 3), (std::vector<uint16_t>{A, A, A, A}));
    GfxFilterBlend2x(src, dst);
    uint16_t mix = Half(C) + 2 * Quarter(A);
    EXPECT_EQ(Block(3, 3), (std::vector<uint16_t>{mix, mix, mix, mix}));
    GfxFilterDouble(src, dst);
    EXPECT_EQ(Block(3, 3), (std::vector<uint16_t>{C, C, C, C}));
    EXPECT_EQ(Block(4, 3), (std::vector<uint16_t>{A, A, A, A}));
    clear_to_color(dst, FILL);
    GfxFilterScanline(src, dst);
    EXPECT_EQ(Block(3, 3), (std::vector<uint16_t>{C, C, FILL, FILL}));
}

TEST_F(FilterTest, BordersUseOnlyNeighboursInsideTheImage)
{
    const int R = 319, D = 239;
    // Neighbours that would match if the image wrapped around or rows ran on.
    PixSet(src, 0, 0, C);
    PixSet(src, R, 0, A);
    PixSet(src, R, 1, C);
    PixSet(src, 0, 1, A);
    PixSet(src, R, D, C);
    PixSet(src, 0, D, A);
    PixSet(src, 100, D, C);
    PixSet(src, 99, D, A);
    PixSet(src, 100, D - 1, A);
    GfxFilterEdge2x(src, dst);
    EXPECT_EQ(Block(0, 0), (std::vector<uint16_t>{C, C, C, C}));
    // Read on past the row's end, the right neighbour of (R, 1) would be (0, 2).
    EXPECT_EQ(Block(R, 1), (std::vector<uint16_t>{C, C, B, C}));
    EXPECT_EQ(Block(R, D), (std::vector<uint16_t>{B, C, C, C}));
    EXPECT_EQ(Block(100, D), (std::vector<uint16_t>{A, C, C, C}));  // left equals up; nothing below

    GfxFilterBlend2x(src, dst);
    EXPECT_EQ(Block(0, 0), (std::vector<uint16_t>{(uint16_t)(2 * Half(C)), (uint16_t)(Half(C) + 2 * Quarter(B)),
                                                  (uint16_t)(Half(C) + 2 * Quarter(A)),
                                                  (uint16_t)(Half(C) + Quarter(B) + Quarter(A))}));
    EXPECT_EQ(Block(R, 1), (std::vector<uint16_t>{(uint16_t)(Half(C) + Quarter(B) + Quarter(A)),
                                                  (uint16_t)(Half(C) + 2 * Quarter(A)),
                                                  (uint16_t)(Half(C) + 2 * Quarter(B)),
                                                  (uint16_t)(Half(C) + 2 * Quarter(B))}));
    uint16_t side = Half(C) + 2 * Quarter(B);
    EXPECT_EQ(Block(R, D), (std::vector<uint16_t>{side, side, side, (uint16_t)(2 * Half(C))}));
    EXPECT_EQ(Block(100, D), (std::vector<uint16_t>{(uint16_t)(Half(C) + Quarter(A) + Quarter(A)),
                                                    (uint16_t)(Half(C) + Quarter(A) + Quarter(B)),
                                                    (uint16_t)(Half(C) + 2 * Quarter(A)),
                                                    (uint16_t)(Half(C) + 2 * Quarter(B))}));
}

TEST_F(FilterTest, SizesAndDepthsAreChecked)
{
    struct Case {
        const char *what;
        int sw, sh, sdepth, dw, dh, ddepth;
        bool runs[4];  // edge, blend, scanline, double
    } cases[] = {
        {"exact", 320, 240, 16, 640, 480, 16, {true, true, true, true}},
        {"15-bit", 320, 240, 15, 640, 480, 15, {true, true, true, true}},
        {"narrow source", 319, 240, 16, 640, 480, 16, {false, false, false, false}},
        {"short source", 320, 239, 16, 640, 480, 16, {false, false, false, false}},
        {"small destination", 320, 240, 16, 640, 479, 16, {false, false, false, false}},
        {"narrow destination", 320, 240, 16, 639, 480, 16, {false, false, false, false}},
        {"wider source", 336, 250, 16, 700, 500, 16, {true, true, true, true}},
        {"width not a multiple of 4", 322, 240, 16, 640, 480, 16, {true, true, true, false}},
        {"mixed depths", 320, 240, 16, 640, 480, 15, {false, false, false, false}},
        {"8-bit", 320, 240, 8, 640, 480, 8, {false, false, false, false}},
        {"32-bit", 320, 240, 32, 640, 480, 32, {false, false, false, false}},
    };
    for (auto &c : cases) {
        BITMAP *s = create_bitmap_ex(c.sdepth, c.sw, c.sh);
        BITMAP *d = create_bitmap_ex(c.ddepth, c.dw, c.dh);
        ASSERT_TRUE(s && d);
        clear_to_color(s, 0);
        for (int i = 0; i < 4; i++) {
            clear_to_color(d, 0x7070);
            filters[i].fn(s, d);
            bool ran = getpixel(d, 0, 0) == 0 && getpixel(d, 639, 478) == 0;
            EXPECT_EQ(ran, c.runs[i]) << c.what << " " << filters[i].name;
            // Nothing outside the doubled frame is touched.
            if (c.dw > 640) {
                EXPECT_EQ(getpixel(d, 640, 0), 0x7070) << c.what << " " << filters[i].name;
            }
            if (c.dh > 480) {
                EXPECT_EQ(getpixel(d, 0, 480), 0x7070) << c.what << " " << filters[i].name;
            }
        }
        destroy_bitmap(s);
        destroy_bitmap(d);
    }
}

TEST_F(FilterTest, WiderSourceRowsAreFollowed)
{
    // The same picture in a 320-wide and a 336-wide source gives the same frame.
    BITMAP *wide = create_bitmap_ex(16, 336, 240);
    BITMAP *out = Dst(640, 480);
    clear_to_color(wide, B);
    for (int y = 0; y < 240; y += 7)
        for (int x = y % 5; x < 320; x += 3) {
            PixSet(src, x, y, A);
            PixSet(wide, x, y, A);
        }
    for (auto &f : filters) {
        clear_to_color(dst, FILL);
        clear_to_color(out, FILL);
        f.fn(src, dst);
        f.fn(wide, out);
        EXPECT_TRUE(PixEqual(dst, out)) << f.name;
    }
    destroy_bitmap(wide);
    destroy_bitmap(out);
}

class ScreenshotTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        disp = DispState{};
    }
    void TearDown() override
    {
        SprSetFree(disp.gameBuf);
        SprSetFree(disp.buf2x);
        disp = DispState{};
        TempDirTest::TearDown();
    }
    // A one-image buffer over a 16-bit memory bitmap it owns.
    static SprSet *Buffer(int w, int h, BITMAP **bmp)
    {
        *bmp = create_bitmap_ex(16, w, h);
        clear_to_color(*bmp, 0);
        SprImage img;
        EXPECT_EQ(SprImageInit(&img, SPR_PIXELS_BITMAP, *bmp, 0, 0, w, h, 16, 0, 0), 1);
        img.ownsPixels = 1;
        SprSet *set = SprSetCreate(1, 0);
        EXPECT_EQ(SprSetAddImage(set, &img, 0, 0), 1);
        return set;
    }
    // The numbers of the "velok%i.pcx" files present, below 50.
    static std::vector<int> Shots()
    {
        std::vector<int> n;
        for (int i = 0; i < 50; i++) {
            FILE *f = fopen(("velok" + std::to_string(i) + ".pcx").c_str(), "rb");
            if (f) {
                n.push_back(i);
                fclose(f);
            }
        }
        return n;
    }
};

TEST_F(ScreenshotTest, NumberingSkipsFilesPresentAndContinues)
{
    BITMAP *bmp;
    disp.gameBuf = Buffer(320, 240, &bmp);
    // The counter lives for the whole run, so take its place from the first shot.
    ASSERT_EQ(DispScreenshot(), 1) << LibErrorMsg;
    std::vector<int> first = Shots();
    ASSERT_EQ(first.size(), 1u);
    int n = first[0];
    ASSERT_LT(n + 4, 50);
    WriteFileText("velok" + std::to_string(n + 1) + ".pcx", "taken");
    WriteFileText("VELOK" + std::to_string(n + 2) + ".PCX", "taken");
    ASSERT_EQ(DispScreenshot(), 1);
    ASSERT_EQ(DispScreenshot(), 1);
    EXPECT_EQ(Shots(), (std::vector<int>{n, n + 1, n + 3, n + 4}));
    EXPECT_EQ(ReadFileText("velok" + std::to_string(n + 1) + ".pcx"), "taken");
}

TEST_F(ScreenshotTest, FirstFreeNumberFromZero)
{
    // In a fresh run the counter starts at 0: with 0 and 1 present, 2 is taken.
    WriteFileText("velok0.pcx", "x");
    WriteFileText("velok1.pcx", "x");
    BITMAP *bmp;
    disp.gameBuf = Buffer(320, 240, &bmp);
    ASSERT_EQ(DispScreenshot(), 1);
    std::vector<int> shots = Shots();
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_GE(shots[2], 2);
}

TEST_F(ScreenshotTest, ColoursAreSavedFromRgb565)
{
    BITMAP *game, *big;
    disp.gameBuf = Buffer(320, 240, &game);
    struct { int x, y; uint16_t c; unsigned char r, g, b; } px[] = {
        {0, 0, Rgb565(31, 0, 0), 255, 0, 0},   {1, 0, Rgb565(0, 63, 0), 0, 255, 0},
        {2, 0, Rgb565(0, 0, 31), 0, 0, 255},   {319, 239, Rgb565(16, 32, 8), 132, 130, 66},
        {5, 7, Rgb565(1, 1, 1), 8, 4, 8},      {6, 7, 0, 0, 0, 0},
    };
    for (auto &p : px)
        PixSet(game, p.x, p.y, p.c);
    ASSERT_EQ(DispScreenshot(), 1);
    std::vector<int> shots = Shots();
    ASSERT_EQ(shots.size(), 1u);
    PixPcxImage img;
    ASSERT_TRUE(PixPcxRead("velok" + std::to_string(shots[0]) + ".pcx", &img));
    ASSERT_EQ(img.w, 320);
    ASSERT_EQ(img.h, 240);
    for (auto &p : px) {
        const unsigned char *rgb = &img.rgb[((size_t)p.y * img.w + p.x) * 3];
        EXPECT_EQ(rgb[0], p.r) << p.x << "," << p.y;
        EXPECT_EQ(rgb[1], p.g) << p.x << "," << p.y;
        EXPECT_EQ(rgb[2], p.b) << p.x << "," << p.y;
    }

    // With a 2x buffer, that is what is saved.
    disp.buf2x = Buffer(640, 480, &big);
    PixSet(big, 639, 479, Rgb565(31, 0, 0));
    ASSERT_EQ(DispScreenshot(), 1);
    shots = Shots();
    ASSERT_EQ(shots.size(), 2u);
    ASSERT_TRUE(PixPcxRead("velok" + std::to_string(shots[1]) + ".pcx", &img));
    ASSERT_EQ(img.w, 640);
    EXPECT_EQ(img.rgb[((size_t)479 * 640 + 639) * 3], 255);
}

TEST_F(ScreenshotTest, NoBufferIsAnError)
{
    LibErrorMsg[0] = 0;
    EXPECT_EQ(DispScreenshot(), 0);
    EXPECT_NE(LibErrorMsg[0], 0);
    EXPECT_TRUE(Shots().empty());
}

}  // namespace
