// Frame presentation: frame skipping against the frame timer, the 2x filters, showing the frame centred or stretched, and screenshots.
#include "lib/disp.h"

#include <allegro.h>
#include <cstdint>
#include <cstdio>

#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "platform/pfile.h"

DispState disp = {nullptr, nullptr, DISP_FILTER_NONE, 0, 0, 0, 0, 0, 0};

static int autoSkips;       // frames skipped in a row by automatic skipping
static int screenshotNo;    // the next number tried; survives between screenshots

void DispFrameSkipReset()
{
    disp.skipCounter = 0;
    disp.skipFrame = 0;
    TimerFramesReset();
}

void DispFrameSkipUpdate()
{
    disp.skipFrame = 0;
    if (disp.frameSkip == DISP_FRAMESKIP_AUTO) {
        disp.skipCounter = 0;
        if (TimerFrameSkipGet() && !disp.noFrameWait && autoSkips < 4) {
            disp.skipCounter = 1;
            autoSkips++;
        } else {
            // After the longest run of skips the backlog is given up, so one
            // slow stretch cannot keep the screen frozen.
            if (autoSkips == 4)
                TimerFramesReset();
            autoSkips = 0;
        }
    } else {
        // The counter runs 0..N; compared before the step so it never overflows.
        if (disp.skipCounter >= disp.frameSkip)
            disp.skipCounter = 0;
        else
            disp.skipCounter++;
    }
    if (disp.skipCounter)
        disp.skipFrame = 1;
}

// Both bitmaps in memory, of the same 15- or 16-bit depth, and big enough for
// a 320x240 frame doubled.
static bool FilterFits(BITMAP *src, BITMAP *dst)
{
    if (!src || !dst || !is_memory_bitmap(src) || !is_memory_bitmap(dst))
        return false;
    int depth = bitmap_color_depth(src);
    if ((depth != 15 && depth != 16) || bitmap_color_depth(dst) != depth)
        return false;
    return src->w >= DISP_FILTER_SRC_W && src->h >= DISP_FILTER_SRC_H && dst->w >= DISP_FILTER_DST_W &&
           dst->h >= DISP_FILTER_DST_H;
}

static inline const uint16_t *SrcRow(BITMAP *b, int y)
{
    return reinterpret_cast<const uint16_t *>(b->line[y]);
}

static inline uint16_t *DstRow(BITMAP *b, int y)
{
    return reinterpret_cast<uint16_t *>(b->line[y]);
}

void GfxFilterDouble(BITMAP *src, BITMAP *dst)
{
    if (!FilterFits(src, dst) || src->w % 4 != 0)
        return;
    for (int y = 0; y < DISP_FILTER_SRC_H; y++) {
        const uint16_t *s = SrcRow(src, y);
        uint16_t *d = DstRow(dst, 2 * y);
        for (int x = 0; x < DISP_FILTER_SRC_W; x++)
            d[2 * x] = d[2 * x + 1] = s[x];
        uint16_t *below = DstRow(dst, 2 * y + 1);
        for (int x = 0; x < DISP_FILTER_DST_W; x++)
            below[x] = d[x];
    }
}

void GfxFilterScanline(BITMAP *src, BITMAP *dst)
{
    if (!FilterFits(src, dst))
        return;
    for (int y = 0; y < DISP_FILTER_SRC_H; y++) {
        const uint16_t *s = SrcRow(src, y);
        uint16_t *d = DstRow(dst, 2 * y);
        for (int x = 0; x < DISP_FILTER_SRC_W; x++)
            d[2 * x] = d[2 * x + 1] = s[x];
    }
}

void GfxFilterEdge2x(BITMAP *src, BITMAP *dst)
{
    if (!FilterFits(src, dst))
        return;
    const int w = DISP_FILTER_SRC_W, h = DISP_FILTER_SRC_H;
    for (int y = 0; y < h; y++) {
        const uint16_t *s = SrcRow(src, y);
        const uint16_t *up = y > 0 ? SrcRow(src, y - 1) : nullptr;
        const uint16_t *down = y < h - 1 ? SrcRow(src, y + 1) : nullptr;
        uint16_t *top = DstRow(dst, 2 * y);
        uint16_t *bottom = DstRow(dst, 2 * y + 1);
        for (int x = 0; x < w; x++) {
            uint16_t e = s[x];
            uint16_t tl = e, tr = e, bl = e, br = e;
            bool hasL = x > 0, hasR = x < w - 1;
            if (up) {
                if (hasL && s[x - 1] == up[x])
                    tl = s[x - 1];
                if (hasR && s[x + 1] == up[x])
                    tr = s[x + 1];
            }
            if (down) {
                if (hasL && s[x - 1] == down[x])
                    bl = s[x - 1];
                if (hasR && s[x + 1] == down[x])
                    br = s[x + 1];
            }
            top[2 * x] = tl;
            top[2 * x + 1] = tr;
            bottom[2 * x] = bl;
            bottom[2 * x + 1] = br;
        }
    }
}

// One output pixel of the blend filter: half the centre and a quarter of each
// of its two neighbours; a missing neighbour is replaced by the other one.
static inline uint16_t BlendPixel(uint16_t e, const uint16_t *a, const uint16_t *b, uint16_t halfMask,
                                  uint16_t quarterMask)
{
    uint16_t half = (uint16_t)((e >> 1) & halfMask);
    if (!a && !b)
        return (uint16_t)(half + half);
    if (!a)
        a = b;
    if (!b)
        b = a;
    return (uint16_t)(half + ((*a >> 2) & quarterMask) + ((*b >> 2) & quarterMask));
}

void GfxFilterBlend2x(BITMAP *src, BITMAP *dst)
{
    if (!FilterFits(src, dst))
        return;
    // Per-channel halving and quartering without carries between channels.
    const bool is15 = bitmap_color_depth(src) == 15;
    const uint16_t halfMask = is15 ? 0x3DEF : 0x7BEF;
    const uint16_t quarterMask = is15 ? 0x1CE7 : 0x39E7;
    const int w = DISP_FILTER_SRC_W, h = DISP_FILTER_SRC_H;
    for (int y = 0; y < h; y++) {
        const uint16_t *s = SrcRow(src, y);
        const uint16_t *up = y > 0 ? SrcRow(src, y - 1) : nullptr;
        const uint16_t *down = y < h - 1 ? SrcRow(src, y + 1) : nullptr;
        uint16_t *top = DstRow(dst, 2 * y);
        uint16_t *bottom = DstRow(dst, 2 * y + 1);
        for (int x = 0; x < w; x++) {
            uint16_t e = s[x];
            const uint16_t *l = x > 0 ? &s[x - 1] : nullptr;
            const uint16_t *r = x < w - 1 ? &s[x + 1] : nullptr;
            const uint16_t *u = up ? &up[x] : nullptr;
            const uint16_t *d = down ? &down[x] : nullptr;
            top[2 * x] = BlendPixel(e, l, u, halfMask, quarterMask);
            top[2 * x + 1] = BlendPixel(e, u, r, halfMask, quarterMask);
            bottom[2 * x] = BlendPixel(e, l, d, halfMask, quarterMask);
            bottom[2 * x + 1] = BlendPixel(e, r, d, halfMask, quarterMask);
        }
    }
}

// The Allegro bitmap of image 0 of a buffer, null when it has none.
static BITMAP *BufferBitmap(SprSet *set)
{
    if (!set || SprSetImageCount(set) < 1)
        return nullptr;
    SprImage *img = SprSetImageAt(set, 0);
    return img->pixelKind == SPR_PIXELS_BITMAP ? (BITMAP *)img->pixels : nullptr;
}

void DispPresent()
{
    if (disp.skipFrame)
        return;
    SprSet *shown = disp.buf2x ? disp.buf2x : disp.gameBuf;
    if (disp.filter != DISP_FILTER_NONE && disp.buf2x) {
        BITMAP *src = BufferBitmap(disp.gameBuf);
        BITMAP *dst = BufferBitmap(disp.buf2x);
        switch (disp.filter) {
        case DISP_FILTER_EDGE:
            GfxFilterEdge2x(src, dst);
            break;
        case DISP_FILTER_BLEND:
            GfxFilterBlend2x(src, dst);
            break;
        case DISP_FILTER_SCANLINE:
            GfxFilterScanline(src, dst);
            break;
        case DISP_FILTER_DOUBLE:
            if (!disp.drawn2x)
                GfxFilterDouble(src, dst);
            break;
        }
    }
    if (!shown || SprSetImageCount(shown) < 1)
        return;
    // Centred and stretched by the size of what is shown, so a filtered frame
    // is measured as 640x480 and never cut down to its middle.
    const SprImage *img = SprSetImageAt(shown, 0);
    if (!disp.stretch || (gfx.width == img->width && gfx.height == img->height))
        VbufSprShowAt(shown, 0, (gfx.width - img->width) >> 1, (gfx.height - img->height) >> 1);
    else
        VbufSprShowStretch(shown, 0);
}

// Our own unpacking of 15- and 16-bit pixels, packed the way save_pcx reads a
// 24-bit bitmap, so that Allegro's current 16-bit shifts (BGR before a mode is
// set, or swapped) never change the saved colours.
static BITMAP *ScreenshotImage(BITMAP *src)
{
    int depth = bitmap_color_depth(src);
    BITMAP *out = create_bitmap_ex(24, src->w, src->h);
    if (!out)
        return nullptr;
    for (int y = 0; y < src->h; y++) {
        const uint16_t *s = SrcRow(src, y);
        for (int x = 0; x < src->w; x++) {
            unsigned p = s[x], r, g, b;
            if (depth == 16) {
                r = p >> 11;
                g = (p >> 5) & 63;
                b = p & 31;
                g = g << 2 | g >> 4;
            } else {
                r = (p >> 10) & 31;
                g = (p >> 5) & 31;
                b = p & 31;
                g = g << 3 | g >> 2;
            }
            r = r << 3 | r >> 2;
            b = b << 3 | b >> 2;
            putpixel(out, x, y, (int)(r << _rgb_r_shift_24 | g << _rgb_g_shift_24 | b << _rgb_b_shift_24));
        }
    }
    return out;
}

int DispScreenshot()
{
    BITMAP *shown = BufferBitmap(disp.buf2x ? disp.buf2x : disp.gameBuf);
    if (!shown || !is_memory_bitmap(shown)) {
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Can't save a screenshot: no frame buffer");
        return 0;
    }
    char name[32];
    for (;;) {
        snprintf(name, sizeof name, "velok%i.pcx", screenshotNo);
        screenshotNo++;
        FILE *f = PlatFileOpen(name, "rb");
        if (!f)
            break;
        fclose(f);
    }
    int depth = bitmap_color_depth(shown);
    int result;
    if (depth == 15 || depth == 16) {
        BITMAP *converted = ScreenshotImage(shown);
        if (!converted) {
            snprintf(LibErrorMsg, sizeof LibErrorMsg, "Can't save %s: out of memory", name);
            return 0;
        }
        result = save_pcx(name, converted, nullptr);
        destroy_bitmap(converted);
    } else {
        result = save_pcx(name, shown, nullptr);
    }
    if (result != 0) {
        snprintf(LibErrorMsg, sizeof LibErrorMsg, "Can't save %s", name);
        return 0;
    }
    return 1;
}
