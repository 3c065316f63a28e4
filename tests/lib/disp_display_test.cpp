// Frame presentation on a real screen: centred, filtered to 640x480, stretched, and skipped frames.
#include "lib/disp.h"

#include <allegro.h>

#include "lib/gfx.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

const uint16_t BORDER = Rgb565(31, 0, 0);
const uint16_t INSIDE = Rgb565(2, 40, 9);

class DispDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestDisplayStart()) << "no X display";
        ASSERT_EQ(GfxInit(), 1);
        disp = DispState{};
    }
    void TearDown() override
    {
        VbufSprFree(disp.gameBuf);
        VbufSprFree(disp.buf2x);
        disp = DispState{};
        GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);
        GfxShutdown();
    }
    void Mode(int w, int h)
    {
        ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, w, h, 16), 1) << allegro_error;
        clear_to_color(screen, 0);
    }
    // The known frame: a 4-pixel border, a flat inside and a few marks.
    void MakeBuffers(bool with2x)
    {
        disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
        ASSERT_NE(disp.gameBuf, nullptr);
        game = VbufTargetBitmapGet(disp.gameBuf, 0);
        clear_to_color(game, BORDER);
        rectfill(game, 4, 4, 315, 235, INSIDE);
        for (int i = 0; i < 40; i++)
            PixSet(game, 20 + i * 7, 10 + i * 5, Rgb565(i % 32, (3 * i) % 64, 31 - i % 32));
        if (with2x) {
            disp.buf2x = VbufSprCreateDepth(640, 480, 16);
            ASSERT_NE(disp.buf2x, nullptr);
            big = VbufTargetBitmapGet(disp.buf2x, 0);
            clear_to_color(big, 0);
        }
    }
    BITMAP *game = nullptr, *big = nullptr;
};

TEST_F(DispDisplayTest, FrameShownAsItIsOnA320x240Screen)
{
    Mode(320, 240);
    MakeBuffers(false);
    DispPresent();
    int wrong = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            wrong += getpixel(screen, x, y) != PixGet(game, x, y);
    EXPECT_EQ(wrong, 0);

    // A skipped frame leaves the screen as it was.
    rectfill(game, 0, 0, 319, 239, 0);
    disp.skipFrame = 1;
    DispPresent();
    EXPECT_EQ(getpixel(screen, 0, 0), BORDER);
    EXPECT_EQ(getpixel(screen, 160, 120), INSIDE);

    // Stretching a frame of the screen's size is a plain copy.
    disp.skipFrame = 0;
    disp.stretch = 1;
    DispPresent();
    EXPECT_EQ(getpixel(screen, 160, 120), 0);
}

TEST_F(DispDisplayTest, DoubledFrameOnA640x480Screen)
{
    Mode(640, 480);
    MakeBuffers(true);
    disp.filter = DISP_FILTER_DOUBLE;
    DispPresent();
    int wrong = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            wrong += getpixel(screen, x, y) != PixGet(game, x / 2, y / 2);
    EXPECT_EQ(wrong, 0);

    // Drawn straight into the 2x buffer, the frame is shown without doubling.
    disp.drawn2x = 1;
    PixSet(big, 3, 3, Rgb565(0, 0, 31));
    DispPresent();
    EXPECT_EQ(getpixel(screen, 3, 3), Rgb565(0, 0, 31));
    EXPECT_EQ(getpixel(screen, 2, 2), BORDER);
}

TEST_F(DispDisplayTest, EachFilterReachesTheScreen)
{
    Mode(640, 480);
    MakeBuffers(true);
    BITMAP *want = create_bitmap_ex(16, 640, 480);
    struct { int filter; void (*fn)(BITMAP *, BITMAP *); } filters[] = {
        {DISP_FILTER_EDGE, GfxFilterEdge2x}, {DISP_FILTER_BLEND, GfxFilterBlend2x},
        {DISP_FILTER_SCANLINE, GfxFilterScanline}, {DISP_FILTER_DOUBLE, GfxFilterDouble},
    };
    for (auto &f : filters) {
        clear_to_color(big, 0);
        clear_to_color(want, 0);
        f.fn(game, want);
        disp.filter = f.filter;
        DispPresent();
        int wrong = 0;
        for (int y = 0; y < 480; y += 3)
            for (int x = 0; x < 640; x++)
                wrong += getpixel(screen, x, y) != PixGet(want, x, y);
        EXPECT_EQ(wrong, 0) << "filter " << f.filter;
    }
    destroy_bitmap(want);
}

TEST_F(DispDisplayTest, UnfilteredFrameCentredOnALargerScreen)
{
    Mode(640, 480);
    MakeBuffers(false);
    DispPresent();
    EXPECT_EQ(getpixel(screen, 160, 120), BORDER);
    EXPECT_EQ(getpixel(screen, 159, 120), 0);
    EXPECT_EQ(getpixel(screen, 479, 359), BORDER);
    EXPECT_EQ(getpixel(screen, 480, 360), 0);
    EXPECT_EQ(getpixel(screen, 160 + 20, 120 + 10), PixGet(game, 20, 10));

    disp.stretch = 1;
    DispPresent();
    EXPECT_EQ(getpixel(screen, 0, 0), BORDER);
    EXPECT_EQ(getpixel(screen, 639, 479), BORDER);
    EXPECT_EQ(getpixel(screen, 320, 240), INSIDE);
}

TEST_F(DispDisplayTest, FilteredFrameOnA320x240Screen)
{
    Mode(320, 240);
    MakeBuffers(true);
    disp.filter = DISP_FILTER_DOUBLE;
    // Without stretching the 640x480 frame is centred: the screen shows its middle.
    DispPresent();
    EXPECT_EQ(getpixel(screen, 0, 0), PixGet(game, 80, 60));
    EXPECT_EQ(getpixel(screen, 319, 239), PixGet(game, 239, 179));

    // Stretched, the whole filtered frame is shown, border and all.
    disp.stretch = 1;
    DispPresent();
    EXPECT_EQ(getpixel(screen, 0, 0), BORDER);
    EXPECT_EQ(getpixel(screen, 2, 2), BORDER);
    EXPECT_EQ(getpixel(screen, 319, 239), BORDER);
    EXPECT_EQ(getpixel(screen, 160, 120), INSIDE);
}

}  // namespace
