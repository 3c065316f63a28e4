#include "lib/vbuf.h"

#include <allegro.h>
#include <cstdio>

#include "lib/gfx.h"
#include "lib/spr-lib.h"
#include "support/pixkit.h"
#include "support/testkit.h"

// Images reach the screen at 0,0, at a position (clipped when they do not
// fit) and stretched to the whole screen.
TEST(VbufDisplay, ShowOnSixteenBitScreen)
{
    ASSERT_TRUE(TestDisplayStart()) << "no X display";
    ASSERT_EQ(GfxInit(), 1);
    ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 16), 1) << allegro_error;
    SprSet *full = VbufSprCreate(320, 240);
    SprSet *small = VbufSprCreate(32, 16);
    ASSERT_NE(full, nullptr);
    ASSERT_NE(small, nullptr);
    ASSERT_EQ(VbufTargetSet(full, 0), 1);
    VbufClear(Rgb565(1, 2, 3));
    VbufPixelPut(319, 239, Rgb565(31, 0, 0));
    VbufSprShow(full, 0);
    EXPECT_EQ(getpixel(screen, 0, 0), Rgb565(1, 2, 3));
    EXPECT_EQ(getpixel(screen, 319, 239), Rgb565(31, 0, 0));

    ASSERT_EQ(VbufTargetSet(small, 0), 1);
    VbufClear(Rgb565(0, 63, 0));
    VbufSprShowAt(small, 0, 300, 230);
    EXPECT_EQ(getpixel(screen, 300, 230), Rgb565(0, 63, 0));
    EXPECT_EQ(getpixel(screen, 319, 239), Rgb565(0, 63, 0));
    EXPECT_EQ(getpixel(screen, 299, 230), Rgb565(1, 2, 3));
    VbufSprShowAt(small, 0, 10, 20);
    EXPECT_EQ(getpixel(screen, 41, 35), Rgb565(0, 63, 0));
    EXPECT_EQ(getpixel(screen, 42, 35), Rgb565(1, 2, 3));

    VbufPixelPut(0, 0, Rgb565(0, 0, 31));
    VbufSprShowStretch(small, 0);
    EXPECT_EQ(getpixel(screen, 0, 0), Rgb565(0, 0, 31));
    EXPECT_EQ(getpixel(screen, 9, 14), Rgb565(0, 0, 31));
    EXPECT_EQ(getpixel(screen, 319, 239), Rgb565(0, 63, 0));
    VbufSprFree(small);
    VbufSprFree(full);

    // A 32-bit screen with red and blue swapped takes RGB565 images through
    // the explicit conversion.
    if (GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 32)) {
        GfxSetSwapRB(1);
        SprSet *img = VbufSprCreateDepth(320, 240, 16);
        ASSERT_EQ(VbufTargetSet(img, 0), 1);
        VbufClear(Rgb565(31, 32, 1));
        VbufSprShow(img, 0);
        EXPECT_EQ((uint32_t)getpixel(screen, 5, 5), (31u << 19) | (32u << 10) | (1u << 3));
        VbufPixelPut(0, 0, Rgb565(0, 0, 31));
        VbufSprShowStretch(img, 0);
        EXPECT_EQ((uint32_t)getpixel(screen, 0, 0), 31u << 3);
        // Unswapped, Allegro's own conversion reads our packing the same way.
        GfxSetSwapRB(0);
        clear_to_color(screen, 0);
        VbufSprShow(img, 0);
        EXPECT_EQ((uint32_t)getpixel(screen, 5, 5) & 0xF8FCF8, (31u << 19) | (32u << 10) | (1u << 3));
        VbufSprFree(img);
    } else {
        std::printf("no 32-bit windowed mode here: %s\n", allegro_error);
    }
    GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);
    GfxShutdown();
}
