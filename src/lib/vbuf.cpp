// Drawing targets and primitives: the one software target, its clip, and plain and blended lines and boxes.
#include "lib/vbuf.h"

#include <algorithm>
#include <allegro.h>
#include <cstring>
#include <vector>

#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"

VbufTarget vbufTarget;

enum VbufBlend {
    VBUF_PLAIN,
    VBUF_ADD,
    VBUF_ADD_HALF,
    VBUF_SUB,
    VBUF_SUB_HALF,
};

typedef int64_t i64;

static void VbufClipApply();

static void VbufCheck()
{
    LIB_ASSERT(vbufTarget.pixels != nullptr && vbufTarget.rows != nullptr);
}

// A bitmap-kind image that owns its bitmap, clip set to the whole bitmap.
static int VbufImageMake(SprImage *img, int width, int height, int depth)
{
    if (width <= 0 || height <= 0)
        return 0;
    BITMAP *bmp = create_bitmap_ex(depth, width, height);
    if (!bmp)
        return 0;
    set_clip_rect(bmp, 0, 0, width - 1, height - 1);
    int bytes = width * height * SprBytesPerPixel(depth);
    if (!SprImageInit(img, SPR_PIXELS_BITMAP, bmp, bytes, 0, width, height, depth, 0, 0)) {
        destroy_bitmap(bmp);
        return 0;
    }
    img->ownsPixels = 1;
    return 1;
}

SprSet *VbufSprSetCreate(int width, int height, int depth, int count)
{
    if (count <= 0)
        return nullptr;
    SprSet *set = SprSetCreate(count, 0);
    if (!set)
        return nullptr;
    for (int i = 0; i < count; i++) {
        SprImage img;
        if (!VbufImageMake(&img, width, height, depth)) {
            SprSetFree(set);
            return nullptr;
        }
        if (!SprSetAddImage(set, &img, 0, i)) {
            SprImageFree(&img);
            SprSetFree(set);
            return nullptr;
        }
    }
    set_color_depth(depth);
    return set;
}

SprSet *VbufSprCreateDepth(int width, int height, int depth)
{
    return VbufSprSetCreate(width, height, depth, 1);
}

SprSet *VbufSprCreate(int width, int height)
{
    return VbufSprCreateDepth(width, height, gfx.depth);
}

void VbufSprFree(SprSet *set)
{
    if (!set)
        return;
    if (vbufTarget.set == set)
        vbufTarget = VbufTarget{};
    SprSetFree(set);
}

int VbufTargetSet(SprSet *set, int index)
{
    if (!set)
        return 0;
    SprImage *img = SprSetImageAt(set, index);
    if (img->pixelKind != SPR_PIXELS_HEAP && img->pixelKind != SPR_PIXELS_BITMAP)
        return 0;
    void *pixels = SprImageDstPixels(set, index);
    if (!pixels || !img->rows || img->width <= 0 || img->height <= 0)
        return 0;
    VbufTarget &t = vbufTarget;
    t = VbufTarget{};
    t.set = set;
    t.index = index;
    t.bitmap = img->pixelKind == SPR_PIXELS_BITMAP ? static_cast<BITMAP *>(img->pixels) : nullptr;
    t.pixels = static_cast<uint8_t *>(pixels);
    t.rows = img->rows;
    t.width = img->width;
    t.height = img->height;
    t.pixelCount = img->width * img->height;
    t.depth = img->bpp;
    t.bytesPerPixel = SprBytesPerPixel(img->bpp);
    t.x2 = t.width - 1;
    t.y2 = t.height - 1;
    VbufClipApply();
    set_color_depth(t.depth);
    return 1;
}

BITMAP *VbufTargetBitmapGet(SprSet *set, int index)
{
    if (!set)
        return nullptr;
    SprImage *img = SprSetImageAt(set, index);
    return img->pixelKind == SPR_PIXELS_BITMAP ? static_cast<BITMAP *>(img->pixels) : nullptr;
}

void VbufSprAcquire(SprSet *set, int index)
{
    if (BITMAP *b = VbufTargetBitmapGet(set, index))
        acquire_bitmap(b);
}

void VbufSprRelease(SprSet *set, int index)
{
    if (BITMAP *b = VbufTargetBitmapGet(set, index))
        release_bitmap(b);
}

void VbufTargetAcquire()
{
    if (vbufTarget.bitmap)
        acquire_bitmap(vbufTarget.bitmap);
}

void VbufTargetRelease()
{
    if (vbufTarget.bitmap)
        release_bitmap(vbufTarget.bitmap);
}

// One page pixel on along a stretched axis of srcLen source and dstLen page
// pixels: the source index *at moves on by (srcLen - 1) / (dstLen - 1), the
// remainder carried in *err, so that the last page pixel takes the last source one.
static inline void StretchStep(int srcLen, int dstLen, int *at, int *err)
{
    if (dstLen <= 1)
        return;
    *err += srcLen - 1;
    while (*err >= dstLen - 1 && *at < srcLen - 1) {
        *err -= dstLen - 1;
        (*at)++;
    }
}

// 16-bit image onto a 32-bit page, stretched so that the first and last
// source pixels of each row and column land on the first and last page pixels.
static void VbufStretch16To32(BITMAP *src, BITMAP *dst)
{
    int sw = src->w, sh = src->h, dw = dst->w, dh = dst->h;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return;
    std::vector<int> cols(dw);
    int sx = 0, err = 0;
    for (int x = 0; x < dw; x++) {
        cols[x] = sx;
        StretchStep(sw, dw, &sx, &err);
    }
    bmp_select(dst);
    int sy = 0, errY = 0;
    for (int y = 0; y < dh; y++) {
        const uint16_t *s = reinterpret_cast<const uint16_t *>(src->line[sy]);
        uintptr_t addr = bmp_write_line(dst, y);
        for (int x = 0; x < dw; x++) {
            uint32_t p = s[cols[x]];
            bmp_write32(addr + (uintptr_t)x * 4, (p >> 11) << 19 | ((p >> 5) & 63) << 10 | (p & 31) << 3);
        }
        StretchStep(sh, dh, &sy, &errY);
    }
    bmp_unwrite_line(dst);
}

enum { VBUF_SHOW_AT, VBUF_SHOW_STRETCH };

static void VbufShow(SprSet *set, int index, int x, int y, int how)
{
    BITMAP *img = VbufTargetBitmapGet(set, index);
    BITMAP *page = gfx.page ? gfx.page : screen;
    if (!img || !page)
        return;
    bool convert = bitmap_color_depth(img) == 16 && bitmap_color_depth(page) == 32 && gfx.swapRB;
    acquire_bitmap(screen);
    if (how == VBUF_SHOW_STRETCH && (img->w != page->w || img->h != page->h)) {
        set_clip_rect(page, 0, 0, page->w - 1, page->h - 1);
        if (convert)
            VbufStretch16To32(img, page);
        else
            stretch_blit(img, page, 0, 0, img->w, img->h, 0, 0, page->w, page->h);
    } else {
        bool fits = x >= 0 && y >= 0 && x + img->w <= page->w && y + img->h <= page->h;
        set_clip_rect(page, 0, 0, page->w - 1, page->h - 1);
        set_clip_state(page, fits ? 0 : 1);
        if (convert)
            VbufBlit16To32(img, page, 0, 0, x, y, img->w, img->h);
        else
            blit(img, page, 0, 0, x, y, img->w, img->h);
        set_clip_state(page, 1);
    }
    release_bitmap(screen);
    if (gfx.pageFlip == 1 && gfx.flipAfterShow)
        GfxFlipPage();
}

void VbufSprShow(SprSet *set, int index)
{
    VbufShow(set, index, 0, 0, VBUF_SHOW_AT);
}

void VbufSprShowAt(SprSet *set, int index, int x, int y)
{
    VbufShow(set, index, x, y, VBUF_SHOW_AT);
}

void VbufSprShowStretch(SprSet *set, int index)
{
    VbufShow(set, index, 0, 0, VBUF_SHOW_STRETCH);
}

BlitTarget VbufBlitTarget()
{
    return BlitTarget{vbufTarget.pixels, vbufTarget.rows, vbufTarget.x1, vbufTarget.y1, vbufTarget.x2,
                      vbufTarget.y2};
}

static void VbufClipApply()
{
    VbufTarget &t = vbufTarget;
    t.clipWidth = t.x2 - t.x1 + 1;
    t.clipHeight = t.y2 - t.y1 + 1;
    if (t.bitmap)
        set_clip_rect(t.bitmap, t.x1, t.y1, t.x2, t.y2);
}

void VbufClipSet(int x1, int y1, int x2, int y2)
{
    VbufCheck();
    VbufTarget &t = vbufTarget;
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    t.x1 = std::clamp(x1, 0, t.width - 1);
    t.x2 = std::clamp(x2, 0, t.width - 1);
    t.y1 = std::clamp(y1, 0, t.height - 1);
    t.y2 = std::clamp(y2, 0, t.height - 1);
    VbufClipApply();
}

void VbufClipSave(int rect[4])
{
    rect[0] = vbufTarget.x1;
    rect[1] = vbufTarget.y1;
    rect[2] = vbufTarget.x2;
    rect[3] = vbufTarget.y2;
}

void VbufClipRestore(const int rect[4])
{
    VbufClipSet(rect[0], rect[1], rect[2], rect[3]);
}

static inline uint8_t *VbufRow(int y)
{
    return vbufTarget.pixels + vbufTarget.rows[y];
}

static inline bool VbufIs16()
{
    return vbufTarget.depth == 16;
}

// Plain writes take the colour as given for the target's pixel size; blends
// are defined on RGB565 and need a 16-bit target.
static inline void VbufPutRaw(uint8_t *row, int x, uint32_t c)
{
    switch (vbufTarget.bytesPerPixel) {
    case 1: row[x] = (uint8_t)c; break;
    case 2: reinterpret_cast<uint16_t *>(row)[x] = (uint16_t)c; break;
    case 3:
        row[x * 3] = (uint8_t)c;
        row[x * 3 + 1] = (uint8_t)(c >> 8);
        row[x * 3 + 2] = (uint8_t)(c >> 16);
        break;
    default: reinterpret_cast<uint32_t *>(row)[x] = c; break;
    }
}

static inline uint16_t VbufBlend565(uint16_t t, uint16_t c, int blend)
{
    switch (blend) {
    case VBUF_ADD: return Blit565Add(t, c);
    case VBUF_ADD_HALF: return Blit565Add((uint16_t)((t >> 1) & 0x7BEF), c);
    case VBUF_SUB: return Blit565Sub(t, c);
    case VBUF_SUB_HALF: return Blit565Sub((uint16_t)((t >> 1) & 0x7BEF), c);
    default: return c;
    }
}

// The colour every primitive draws with: through the global palette effect
// on 15- and 16-bit targets.
static uint32_t VbufColour(int colour)
{
    if (vbufTarget.depth == 15 || vbufTarget.depth == 16)
        return PalFxColor565((uint16_t)colour);
    return (uint32_t)colour;
}

// One clipped horizontal run; coordinates already in order.
static void VbufSpan(int y, int xa, int xb, uint32_t c, int blend)
{
    const VbufTarget &t = vbufTarget;
    if (y < t.y1 || y > t.y2)
        return;
    xa = std::max(xa, t.x1);
    xb = std::min(xb, t.x2);
    if (xa > xb)
        return;
    uint8_t *row = VbufRow(y);
    if (blend == VBUF_PLAIN) {
        for (int x = xa; x <= xb; x++)
            VbufPutRaw(row, x, c);
        return;
    }
    if (!VbufIs16())
        return;
    uint16_t *p = reinterpret_cast<uint16_t *>(row);
    for (int x = xa; x <= xb; x++)
        p[x] = VbufBlend565(p[x], (uint16_t)c, blend);
}

static void VbufColumn(int x, int ya, int yb, uint32_t c, int blend)
{
    const VbufTarget &t = vbufTarget;
    if (x < t.x1 || x > t.x2)
        return;
    ya = std::max(ya, t.y1);
    yb = std::min(yb, t.y2);
    if (blend != VBUF_PLAIN && !VbufIs16())
        return;
    for (int y = ya; y <= yb; y++) {
        uint8_t *row = VbufRow(y);
        if (blend == VBUF_PLAIN)
            VbufPutRaw(row, x, c);
        else
            reinterpret_cast<uint16_t *>(row)[x] = VbufBlend565(reinterpret_cast<uint16_t *>(row)[x], (uint16_t)c, blend);
    }
}

static void VbufHlineBlend(int x1, int x2, int y, int colour, int blend)
{
    VbufCheck();
    if (x1 > x2)
        std::swap(x1, x2);
    VbufSpan(y, x1, x2, VbufColour(colour), blend);
}

static void VbufVlineBlend(int x, int y1, int y2, int colour, int blend)
{
    VbufCheck();
    if (y1 > y2)
        std::swap(y1, y2);
    VbufColumn(x, y1, y2, VbufColour(colour), blend);
}

void VbufClear(int colour)
{
    VbufCheck();
    VbufTarget &t = vbufTarget;
    // The whole image, whatever the clip rectangle.
    for (int y = 0; y < t.height; y++) {
        uint8_t *row = VbufRow(y);
        for (int x = 0; x < t.width; x++)
            VbufPutRaw(row, x, (uint32_t)colour);
    }
}

void VbufPixelPut(int x, int y, int colour)
{
    VbufHlineBlend(x, x, y, colour, VBUF_PLAIN);
}

void VbufPixelAdd(int x, int y, int colour)
{
    VbufHlineBlend(x, x, y, colour, VBUF_ADD);
}

void VbufPixelInvert(int x, int y)
{
    VbufCheck();
    const VbufTarget &t = vbufTarget;
    if (x < t.x1 || x > t.x2 || y < t.y1 || y > t.y2)
        return;
    uint8_t *p = VbufRow(y) + (size_t)x * t.bytesPerPixel;
    for (int i = 0; i < t.bytesPerPixel; i++)
        p[i] = (uint8_t)~p[i];
}

void VbufHline(int x1, int x2, int y, int colour) { VbufHlineBlend(x1, x2, y, colour, VBUF_PLAIN); }
void VbufVline(int x, int y1, int y2, int colour) { VbufVlineBlend(x, y1, y2, colour, VBUF_PLAIN); }
void VbufHlineAdd(int x1, int x2, int y, int colour) { VbufHlineBlend(x1, x2, y, colour, VBUF_ADD); }
void VbufVlineAdd(int x, int y1, int y2, int colour) { VbufVlineBlend(x, y1, y2, colour, VBUF_ADD); }
void VbufHlineAddHalf(int x1, int x2, int y, int colour) { VbufHlineBlend(x1, x2, y, colour, VBUF_ADD_HALF); }
void VbufVlineAddHalf(int x, int y1, int y2, int colour) { VbufVlineBlend(x, y1, y2, colour, VBUF_ADD_HALF); }
void VbufHlineSub(int x1, int x2, int y, int colour) { VbufHlineBlend(x1, x2, y, colour, VBUF_SUB); }
void VbufVlineSub(int x, int y1, int y2, int colour) { VbufVlineBlend(x, y1, y2, colour, VBUF_SUB); }
void VbufHlineSubHalf(int x1, int x2, int y, int colour) { VbufHlineBlend(x1, x2, y, colour, VBUF_SUB_HALF); }
void VbufVlineSubHalf(int x, int y1, int y2, int colour) { VbufVlineBlend(x, y1, y2, colour, VBUF_SUB_HALF); }

// Moves the end (xa, ya) of a line along it onto the edge where its
// coordinate u reaches the limit; v follows by the line parameter.
static void VbufClipParam(i64 *ua, i64 *va, i64 ub, i64 vb, i64 limit)
{
    i64 du = ub - *ua;
    if (du == 0)
        return;
    __int128 num = (__int128)(limit - *ua) * (vb - *va);
    // Nearest integer of num / du, halves away from zero.
    __int128 q = (2 * num + (((num >= 0) == (du >= 0)) ? du : -du)) / (2 * (__int128)du);
    *va += (i64)q;
    *ua = limit;
}

static void VbufLineRaw(i64 xa, i64 ya, i64 xb, i64 yb, uint32_t c)
{
    const VbufTarget &t = vbufTarget;
    i64 dx = std::llabs(xb - xa), dy = -std::llabs(yb - ya);
    i64 stepX = xa < xb ? 1 : -1, stepY = ya < yb ? 1 : -1;
    i64 err = dx + dy;
    for (;;) {
        if (xa >= t.x1 && xa <= t.x2 && ya >= t.y1 && ya <= t.y2)
            VbufPutRaw(VbufRow((int)ya), (int)xa, c);
        if (xa == xb && ya == yb)
            break;
        i64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            xa += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            ya += stepY;
        }
    }
}

void VbufLine(int x1, int y1, int x2, int y2, int colour)
{
    VbufCheck();
    if (y1 == y2) {
        VbufHline(x1, x2, y1, colour);
        return;
    }
    if (x1 == x2) {
        VbufVline(x1, y1, y2, colour);
        return;
    }
    const VbufTarget &t = vbufTarget;
    if ((x1 < t.x1 && x2 < t.x1) || (x1 > t.x2 && x2 > t.x2) || (y1 < t.y1 && y2 < t.y1) ||
        (y1 > t.y2 && y2 > t.y2))
        return;
    i64 xa = x1, ya = y1, xb = x2, yb = y2;
    // Clip each end against each edge in turn.
    for (int end = 0; end < 2; end++) {
        i64 *ux = end ? &xb : &xa, *uy = end ? &yb : &ya;
        i64 ox = end ? xa : xb, oy = end ? ya : yb;
        if (*ux < t.x1)
            VbufClipParam(ux, uy, ox, oy, t.x1);
        else if (*ux > t.x2)
            VbufClipParam(ux, uy, ox, oy, t.x2);
        if (*uy < t.y1)
            VbufClipParam(uy, ux, oy, ox, t.y1);
        else if (*uy > t.y2)
            VbufClipParam(uy, ux, oy, ox, t.y2);
    }
    if ((xa < t.x1 && xb < t.x1) || (xa > t.x2 && xb > t.x2) || (ya < t.y1 && yb < t.y1) ||
        (ya > t.y2 && yb > t.y2))
        return;
    VbufLineRaw(xa, ya, xb, yb, VbufColour(colour));
}

static void VbufRectBlend(int x1, int y1, int x2, int y2, int colour, int blend)
{
    VbufCheck();
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    uint32_t c = VbufColour(colour);
    VbufSpan(y1, x1, x2, c, blend);
    if (y2 != y1)
        VbufSpan(y2, x1, x2, c, blend);
    if (y2 - y1 > 1) {
        VbufColumn(x1, y1 + 1, y2 - 1, c, blend);
        if (x2 != x1)
            VbufColumn(x2, y1 + 1, y2 - 1, c, blend);
    }
}

static void VbufRectFillBlend(int x1, int y1, int x2, int y2, int colour, int blend)
{
    VbufCheck();
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    uint32_t c = VbufColour(colour);
    int ya = std::max(y1, vbufTarget.y1), yb = std::min(y2, vbufTarget.y2);
    for (int y = ya; y <= yb; y++)
        VbufSpan(y, x1, x2, c, blend);
}

void VbufRect(int x1, int y1, int x2, int y2, int colour) { VbufRectBlend(x1, y1, x2, y2, colour, VBUF_PLAIN); }
void VbufRectAdd(int x1, int y1, int x2, int y2, int colour) { VbufRectBlend(x1, y1, x2, y2, colour, VBUF_ADD); }
void VbufRectAddHalf(int x1, int y1, int x2, int y2, int colour) { VbufRectBlend(x1, y1, x2, y2, colour, VBUF_ADD_HALF); }
void VbufRectSub(int x1, int y1, int x2, int y2, int colour) { VbufRectBlend(x1, y1, x2, y2, colour, VBUF_SUB); }
void VbufRectSubHalf(int x1, int y1, int x2, int y2, int colour) { VbufRectBlend(x1, y1, x2, y2, colour, VBUF_SUB_HALF); }
void VbufRectFill(int x1, int y1, int x2, int y2, int colour) { VbufRectFillBlend(x1, y1, x2, y2, colour, VBUF_PLAIN); }
void VbufRectFillAdd(int x1, int y1, int x2, int y2, int colour) { VbufRectFillBlend(x1, y1, x2, y2, colour, VBUF_ADD); }
void VbufRectFillAddHalf(int x1, int y1, int x2, int y2, int colour) { VbufRectFillBlend(x1, y1, x2, y2, colour, VBUF_ADD_HALF); }
void VbufRectFillSub(int x1, int y1, int x2, int y2, int colour) { VbufRectFillBlend(x1, y1, x2, y2, colour, VBUF_SUB); }
void VbufRectFillSubHalf(int x1, int y1, int x2, int y2, int colour) { VbufRectFillBlend(x1, y1, x2, y2, colour, VBUF_SUB_HALF); }

void VbufBlit16To32(BITMAP *src, BITMAP *dst, int sx, int sy, int dx, int dy, int width, int height)
{
    if (!src || !dst || bitmap_color_depth(src) != 16 || bitmap_color_depth(dst) != 32)
        return;
    // Clip to the source and to the destination's clip rectangle.
    if (sx < 0) { dx -= sx; width += sx; sx = 0; }
    if (sy < 0) { dy -= sy; height += sy; sy = 0; }
    width = std::min(width, src->w - sx);
    height = std::min(height, src->h - sy);
    int cl = dst->clip ? dst->cl : 0, ct = dst->clip ? dst->ct : 0;
    int cr = dst->clip ? dst->cr : dst->w, cb = dst->clip ? dst->cb : dst->h;
    if (dx < cl) { sx += cl - dx; width -= cl - dx; dx = cl; }
    if (dy < ct) { sy += ct - dy; height -= ct - dy; dy = ct; }
    width = std::min(width, cr - dx);
    height = std::min(height, cb - dy);
    if (width <= 0 || height <= 0)
        return;
    bmp_select(dst);
    for (int y = 0; y < height; y++) {
        const uint16_t *s = reinterpret_cast<const uint16_t *>(src->line[sy + y]) + sx;
        uintptr_t addr = bmp_write_line(dst, dy + y) + (uintptr_t)dx * 4;
        for (int x = 0; x < width; x++) {
            uint32_t p = s[x];
            bmp_write32(addr + (uintptr_t)x * 4, (p >> 11) << 19 | ((p >> 5) & 63) << 10 | (p & 31) << 3);
        }
    }
    bmp_unwrite_line(dst);
}
