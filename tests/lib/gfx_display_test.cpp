#include "lib/gfx.h"

#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "lib/libbase.h"
#include "support/testkit.h"

TEST(GfxDisplay, WindowedModesAndSwap)
{
    ASSERT_TRUE(TestDisplayStart()) << "no X display";
    ASSERT_EQ(GfxInit(), 1);
    struct { int w, h; } modes[] = {{320, 240}, {640, 480}};
    for (auto &m : modes) {
        ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, m.w, m.h, 16), 1) << m.w << " " << allegro_error;
        EXPECT_EQ(gfx.width, m.w);
        EXPECT_EQ(gfx.height, m.h);
        EXPECT_EQ(gfx.pixelCount, m.w * m.h);
        EXPECT_EQ(gfx.depth, 16);
        EXPECT_EQ(gfx.bytesPerPixel, 2);
        EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN);
        EXPECT_EQ(gfx.page, screen);
        EXPECT_EQ(gfx.pageFlip, 0);
        EXPECT_EQ(bitmap_color_depth(screen), 16);
        EXPECT_EQ(SCREEN_W, m.w);
        // After a 16-bit mode the packing is ours: red on top, unswapped.
        EXPECT_EQ(gfx.swapRB, 0);
        EXPECT_EQ(_rgb_r_shift_16, 11);
        EXPECT_EQ(_rgb_b_shift_16, 0);

        GfxSetSwapRB(1);
        EXPECT_EQ(gfx.swapRB, 1);
        EXPECT_EQ(_rgb_r_shift_16, 0);
        EXPECT_EQ(_rgb_b_shift_16, 11);
        GfxSetSwapRB(1);
        EXPECT_EQ(_rgb_r_shift_16, 0);
        GfxSetSwapRB(0);
        EXPECT_EQ(_rgb_r_shift_16, 11);
        EXPECT_EQ(_rgb_b_shift_16, 0);

        GfxClearScreen();
        EXPECT_EQ(getpixel(screen, 0, 0), 0);
    }

    // Every mode set clears the flag, whatever the shifts hold by then, so
    // turning it on after a mode set always exchanges them.
    if (GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 32)) {
        for (int pass = 0; pass < 2; pass++) {
            EXPECT_EQ(gfx.swapRB, 0) << pass;
            int r = _rgb_r_shift_16, b = _rgb_b_shift_16;
            GfxSetSwapRB(1);
            EXPECT_EQ(gfx.swapRB, 1);
            EXPECT_EQ(_rgb_r_shift_16, b) << pass;
            EXPECT_EQ(_rgb_b_shift_16, r) << pass;
            ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 32), 1);
        }
    } else {
        std::printf("no 32-bit windowed mode here: %s\n", allegro_error);
    }

    // Page flipping may be refused by the driver; when granted, asking again
    // keeps the same pages.
    if (GfxSetPageFlip(1, 1)) {
        BITMAP *a = gfx.pages[0], *b = gfx.pages[1];
        EXPECT_EQ(gfx.page, b);
        EXPECT_EQ(GfxSetPageFlip(1, 1), 1);
        EXPECT_EQ(gfx.pages[0], a);
        EXPECT_EQ(gfx.pages[1], b);
        GfxFlipPage();
        EXPECT_EQ(gfx.page, a);
    }
    EXPECT_EQ(GfxSetPageFlip(0, 0), 1);
    EXPECT_EQ(gfx.page, screen);
    EXPECT_EQ(GfxSetPageFlip(2, 0), 0);

    EXPECT_EQ(GfxSetMode(GFX_DRV_TEXT, 80, 25, 8), 1);
    GfxShutdown();
}
