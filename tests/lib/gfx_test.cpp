#include "lib/gfx.h"

#include <allegro.h>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "support/testkit.h"

TEST(Gfx, SinTableValues)
{
    ASSERT_EQ(GfxInit(), 1);
    ASSERT_NE(GfxSinTable, nullptr);
    ASSERT_NE(PalFxGlobalGet(), nullptr);
    struct { int i, v; } cases[] = {
        {0, 0}, {240, 511}, {720, 1024}, {721, 1023}, {1440, 0}, {2160, -1024},
        {2880, 0}, {3599, 1023}, {1200, 512}, {360, 724},
    };
    for (auto &c : cases)
        EXPECT_EQ(GfxSinTable[c.i], c.v) << c.i;
    GfxShutdown();
    EXPECT_EQ(GfxSinTable, nullptr);
    EXPECT_EQ(PalFxGlobalGet(), nullptr);
}

TEST(Gfx, PalModeRange)
{
    EXPECT_EQ(GfxSetPalMode(3), 0);
    EXPECT_EQ(GfxSetPalMode(-1), 0);
    EXPECT_EQ(GfxSetPalMode(2), 1);
    EXPECT_EQ(PalModeGet(), 2);
    EXPECT_EQ(GfxSetPalMode(0), 1);
    EXPECT_EQ(PalModeGet(), 0);
}

TEST(Gfx, TransKeywords)
{
    struct { const char *word; int kind, src, dst; } cases[] = {
        {"none", TRANS_NONE, 1, 2}, {"ADD", TRANS_ADD, 1, 2}, {"AddAlpha", TRANS_ALPHA, 1, 2},
        {"ADD1", TRANS_ALPHA, 256, 128}, {"sub", TRANS_SUB, 1, 2}, {"Default", TRANS_DEFAULT, 1, 2},
        {"", TRANS_DEFAULT, 1, 2}, {"alpha", TRANS_UNKNOWN, 1, 2}, {"add2", TRANS_UNKNOWN, 1, 2},
    };
    for (auto &c : cases) {
        int src = 1, dst = 2;
        EXPECT_EQ(TransParse(c.word, &src, &dst), c.kind) << c.word;
        EXPECT_EQ(src, c.src) << c.word;
        EXPECT_EQ(dst, c.dst) << c.word;
    }
}

TEST(Gfx, SignAndDriverMap)
{
    EXPECT_EQ(GfxSign(-7), -1);
    EXPECT_EQ(GfxSign(0), 0);
    EXPECT_EQ(GfxSign(12345), 1);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_DIRECTX_WIN), GFX_AUTODETECT_WINDOWED);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_GDI), GFX_AUTODETECT_WINDOWED);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_DIRECTX_OVL), GFX_AUTODETECT_WINDOWED);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_DIRECTX_ACCEL), GFX_AUTODETECT_FULLSCREEN);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_DIRECTX_SOFT), GFX_AUTODETECT_FULLSCREEN);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_DIRECTX_SAFE), GFX_SAFE);
    EXPECT_EQ(GfxDriverMap(GFX_DRV_TEXT), GFX_TEXT);
}

TEST(Gfx, ModeFailsWithoutDisplay)
{
    TestAllegroStart();
    LibSetError(0);
    EXPECT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 16), 0);
    EXPECT_EQ(LibGetError(), LIB_ERR_VIDEOMODE);
}
