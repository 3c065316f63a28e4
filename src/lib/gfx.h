// Graphics base: video mode, page flipping, red/blue swap, sine table and transparency keywords.
#pragma once

struct BITMAP;

// Driver ids of the configuration (Allegro four-letter ids); on this platform
// they map to Allegro's windowed, full-screen and safe drivers.
#define GFX_DRV_ID(a, b, c, d) (((a) << 24) | ((b) << 16) | ((c) << 8) | (d))
enum {
    GFX_DRV_TEXT = -1,
    GFX_DRV_DIRECTX_ACCEL = GFX_DRV_ID('D', 'X', 'A', 'C'),
    GFX_DRV_DIRECTX_SOFT = GFX_DRV_ID('D', 'X', 'S', 'O'),
    GFX_DRV_DIRECTX_SAFE = GFX_DRV_ID('D', 'X', 'S', 'A'),
    GFX_DRV_DIRECTX_WIN = GFX_DRV_ID('D', 'X', 'W', 'N'),
    GFX_DRV_DIRECTX_OVL = GFX_DRV_ID('D', 'O', 'V', 'L'),
    GFX_DRV_GDI = GFX_DRV_ID('G', 'D', 'I', 'B'),
};

enum TransKind {
    TRANS_UNKNOWN = -2,
    TRANS_DEFAULT = -1,
    TRANS_NONE = 0,
    TRANS_ADD = 1,
    TRANS_SUB = 2,
    TRANS_ALPHA = 3,
};

enum { GFX_SIN_TABLE_SIZE = 3600 };

struct GfxState {
    int width, height, pixelCount;
    int depth;              // also the drawing layer's depth word
    int bytesPerPixel;
    int driver;             // the id asked for, before mapping to this platform
    int caps;               // 1 can scroll, 2 can triple-buffer
    int pageFlip;           // 0 direct, 1 two video pages
    int flipAfterShow;
    BITMAP *pages[2];
    BITMAP *page;           // drawn next; the screen in direct mode
    int swapRB;
};

// The mode-setting service the layer uses; the default is Allegro's
// set_gfx_mode. Tests put a failing one in its place. 0 on success.
struct GfxDevice {
    int (*setMode)(int card, int width, int height);
};

// Null restores Allegro's service.
void GfxDeviceSet(const GfxDevice *device);

extern GfxState gfx;
extern int *GfxSinTable;

int GfxInit();
void GfxShutdown();
int GfxSinTableInit();
void GfxSinTableFree();
// Stores the palette composition mode (kept by the palette module).
int GfxSetPalMode(int mode);
int GfxSetMode(int driver, int width, int height, int depth);
void GfxSetSwapRB(int flag);
int GfxSetPageFlip(int mode, int flipAfterShow);
void GfxFlipPage();
void GfxClearScreen();
// The Allegro driver a configured id stands for on this platform.
int GfxDriverMap(int driver);
int TransParse(const char *keyword, int *source, int *dest);
int GfxSign(int value);
