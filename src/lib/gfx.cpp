// Graphics base: video mode, page flipping, red/blue swap, sine table and transparency keywords.
#include "lib/gfx.h"

#include <allegro.h>
#include <cmath>
#include <strings.h>

#include "lib/libbase.h"
#include "lib/pal.h"

GfxState gfx;
int *GfxSinTable = nullptr;

static const GfxDevice allegroGfx = {
    [](int card, int width, int height) { return set_gfx_mode(card, width, height, 0, 0); },
};
static const GfxDevice *device = &allegroGfx;

void GfxDeviceSet(const GfxDevice *d)
{
    device = d ? d : &allegroGfx;
}

static void GfxPagesDestroy()
{
    for (BITMAP *&p : gfx.pages) {
        if (p)
            destroy_bitmap(p);
        p = nullptr;
    }
}

int GfxSinTableInit()
{
    if (!GfxSinTable) {
        GfxSinTable = static_cast<int *>(LibCalloc(GFX_SIN_TABLE_SIZE, sizeof(int)));
        if (!GfxSinTable)
            return 0;
    }
    // The step constant is the rounded one the table has always used; with
    // exact pi/1440 entry 240 would come out 512 instead of 511.
    for (int i = 0; i < GFX_SIN_TABLE_SIZE; i++)
        GfxSinTable[i] = static_cast<int>(sin(i * 0.0021816615) * 1024.0);
    GfxSinTable[0] = 0;
    GfxSinTable[720] = 1024;
    GfxSinTable[1440] = 0;
    GfxSinTable[2160] = -1024;
    GfxSinTable[2880] = 0;
    return 1;
}

void GfxSinTableFree()
{
    MemFree(GfxSinTable);
    GfxSinTable = nullptr;
}

int GfxInit()
{
    if (!GfxSinTableInit()) {
        LibSetError(LIB_ERR_GRAPHICS);
        return 0;
    }
    return PalFxGlobalInit();
}

void GfxShutdown()
{
    GfxPagesDestroy();
    gfx.page = nullptr;
    gfx.pageFlip = 0;
    PalFxGlobalFree();
    GfxSinTableFree();
}

int GfxSetPalMode(int mode)
{
    return PalModeSet(mode);
}

int GfxDriverMap(int driver)
{
    switch (driver) {
    case GFX_DRV_DIRECTX_WIN:
    case GFX_DRV_DIRECTX_OVL:
    case GFX_DRV_GDI:
        return GFX_AUTODETECT_WINDOWED;
    case GFX_DRV_DIRECTX_ACCEL:
    case GFX_DRV_DIRECTX_SOFT:
        return GFX_AUTODETECT_FULLSCREEN;
    case GFX_DRV_DIRECTX_SAFE:
        return GFX_SAFE;
    default:
        return driver;
    }
}

int GfxSetMode(int driver, int width, int height, int depth)
{
    GfxPagesDestroy();
    gfx.pageFlip = 0;
    gfx.flipAfterShow = 0;
    gfx.page = nullptr;

    set_color_depth(8);
    if (driver != GFX_DRV_TEXT)
        set_color_depth(depth);
    if (device->setMode(GfxDriverMap(driver), width, height) < 0) {
        LibSetError(LIB_ERR_VIDEOMODE);
        return 0;
    }
    gfx.caps = gfx_capabilities & (GFX_CAN_SCROLL | GFX_CAN_TRIPLE_BUFFER);
    gfx.width = SCREEN_W;
    gfx.height = SCREEN_H;
    gfx.pixelCount = gfx.width * gfx.height;
    gfx.depth = depth;
    gfx.bytesPerPixel = gfx.depth == 8 ? 1 : gfx.depth == 24 ? 3 : gfx.depth == 32 ? 4 : 2;
    gfx.driver = driver;
    gfx.page = screen;
    // The flag says whether this module exchanged the shifts since the mode
    // was set, whatever the mode left in them.
    gfx.swapRB = 0;
    return 1;
}

void GfxSetSwapRB(int flag)
{
    flag = flag != 0;
    if (flag != gfx.swapRB) {
        int r = _rgb_r_shift_16;
        _rgb_r_shift_16 = _rgb_b_shift_16;
        _rgb_b_shift_16 = r;
    }
    gfx.swapRB = flag;
}

int GfxSetPageFlip(int mode, int flipAfterShow)
{
    if (mode == gfx.pageFlip)
        return 1;
    GfxPagesDestroy();
    gfx.page = screen;
    gfx.pageFlip = 0;
    gfx.flipAfterShow = 0;
    if (mode == 1) {
        gfx.pages[0] = create_video_bitmap(gfx.width, gfx.height);
        if (!gfx.pages[0])
            return 0;
        gfx.pages[1] = create_video_bitmap(gfx.width, gfx.height);
        if (!gfx.pages[1]) {
            GfxPagesDestroy();
            return 0;
        }
        clear_to_color(gfx.pages[0], 0);
        clear_to_color(gfx.pages[1], 0);
        gfx.page = gfx.pages[1];
        gfx.flipAfterShow = flipAfterShow;
    } else if (mode != 0) {
        return 0;
    }
    gfx.pageFlip = mode;
    return 1;
}

void GfxFlipPage()
{
    if (gfx.pageFlip != 1 || !gfx.page)
        return;
    show_video_bitmap(gfx.page);
    gfx.page = gfx.page == gfx.pages[0] ? gfx.pages[1] : gfx.pages[0];
}

void GfxClearScreen()
{
    if (screen)
        clear_bitmap(screen);
}

int TransParse(const char *keyword, int *source, int *dest)
{
    if (!keyword || !keyword[0] || !strcasecmp(keyword, "default"))
        return TRANS_DEFAULT;
    if (!strcasecmp(keyword, "none"))
        return TRANS_NONE;
    if (!strcasecmp(keyword, "add"))
        return TRANS_ADD;
    if (!strcasecmp(keyword, "addalpha"))
        return TRANS_ALPHA;
    if (!strcasecmp(keyword, "add1")) {
        if (source)
            *source = 256;
        if (dest)
            *dest = 128;
        return TRANS_ALPHA;
    }
    if (!strcasecmp(keyword, "sub"))
        return TRANS_SUB;
    return TRANS_UNKNOWN;
}

int GfxSign(int value)
{
    return (value > 0) - (value < 0);
}
