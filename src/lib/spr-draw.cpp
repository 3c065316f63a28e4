// Sprite drawing: one image of a sprite set onto the drawing target, by draw kind, flip, size, scale and angle.
#include "lib/spr-draw.h"

#include <cmath>

#include "lib/blit.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"

int SprFlipSignX(int flags)
{
    return (flags & SPR_FLIP_H) ? -1 : 1;
}

int SprFlipSignY(int flags)
{
    return (flags & SPR_FLIP_V) ? -1 : 1;
}

namespace {
struct SprDrawJob {
    BlitTarget dst;
    BlitSource src;
    BlitRule rule;
};
}

// Checks that the draw can be made and gathers target, source and colour
// table. Only 8-bit images reach 15- and 16-bit targets; an image without a
// palette (and no override) draws nothing unless its rule needs no colours.
static bool SprDrawBegin(SprSet *set, int index, int kind, SprDrawJob *job)
{
    if (!set)
        return false;
    SprImage *img = SprSetImageAt(set, index);
    if (!vbufTarget.pixels || (vbufTarget.depth != 15 && vbufTarget.depth != 16))
        return false;
    if (!img || img->bpp != 8 || !img->rows)
        return false;
    const void *pixels = SprImageSrcPixels(set, index);
    if (!pixels)
        return false;
    const uint16_t *table = nullptr;
    if (kind != BLIT_SILHOUETTE && kind != BLIT_SHADE) {
        if (set->palOverride) {
            table = PalColorsGet(set->palOverride);
        } else {
            if (img->palIndex < 0 || img->palIndex >= SprSetPalCount(set))
                return false;
            table = SprSetPalAtReady(set, img->palIndex)->table;
        }
    }
    job->dst = VbufBlitTarget();
    job->src = BlitSource{static_cast<const uint8_t *>(pixels), img->rows, img->width, img->height, img->xAxis,
                          img->yAxis};
    job->rule = BlitRule{kind, table, 0, 256, 0};
    return true;
}

static void SprDrawPlainKind(SprSet *set, int index, int x, int y, int flip, int kind, int colour = 0,
                             int srcAlpha = 256, int dstAlpha = 0)
{
    SprDrawJob job;
    if (!SprDrawBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitPlain(&job.dst, &job.src, &job.rule, x, y, flip);
}

static void SprDrawSizedKind(SprSet *set, int index, float x, float y, float width, float height, int flip,
                             int kind, int colour = 0, int srcAlpha = 256, int dstAlpha = 0)
{
    SprDrawJob job;
    if (!SprDrawBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitStretched(&job.dst, &job.src, &job.rule, x, y, width, height, flip);
}

// Negative factors mirror their axis; a zero or NaN factor draws nothing.
static void SprDrawScaledKind(SprSet *set, int index, float x, float y, float xScale, float yScale, int kind,
                              int colour = 0, int srcAlpha = 256, int dstAlpha = 0)
{
    if (std::isnan(xScale) || std::isnan(yScale))
        return;
    SprDrawJob job;
    if (!SprDrawBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitScaled(&job.dst, &job.src, &job.rule, x, y, xScale, yScale);
}

// Folds negative factors into the angle and a mirror flag, so the rotated
// blitter only ever sees non-negative factors.
static void SprDrawRotatedKind(SprSet *set, int index, float x, float y, float angle, float xs, float ys,
                               float xs2, float ys2, int kind, int colour = 0, int srcAlpha = 256,
                               int dstAlpha = 0)
{
    if (std::isnan(xs) || std::isnan(ys) || std::isnan(xs2) || std::isnan(ys2) || std::isnan(angle))
        return;
    int mirror = 0;
    if (xs < 0) {
        xs = -xs;
        mirror = 1;
        angle = 360 - angle;
    }
    if (ys < 0) {
        ys = -ys;
        mirror ^= 1;
        angle += 180;
        if (angle >= 360)
            angle -= 360;
        angle = 360 - angle;
    }
    if (xs2 < 0) {
        xs2 = -xs2;
        mirror ^= 1;
    }
    if (ys2 < 0) {
        ys2 = -ys2;
        mirror ^= 1;
        angle += 180;
        if (angle >= 360)
            angle -= 360;
    }
    SprDrawJob job;
    if (!SprDrawBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitRotated(&job.dst, &job.src, &job.rule, x, y, angle, xs, ys, xs2, ys2, mirror);
}

void SprDraw(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, 0, BLIT_MASKED); }
void SprDrawH(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H, BLIT_MASKED); }
void SprDrawV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_V, BLIT_MASKED); }
void SprDrawHV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V, BLIT_MASKED); }
void SprDrawOpaque(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, 0, BLIT_OPAQUE); }

void SprDrawSilhouette(SprSet *set, int index, int x, int y, int colour)
{
    SprDrawPlainKind(set, index, x, y, 0, BLIT_SILHOUETTE, colour);
}

void SprDrawSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_MASKED); }
void SprDrawSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H, BLIT_MASKED); }
void SprDrawSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_V, BLIT_MASKED); }
void SprDrawSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, BLIT_MASKED); }
void SprDrawSizedOpaque(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_OPAQUE); }

void SprDrawScaled(SprSet *set, int index, float x, float y, float xs, float ys) { SprDrawScaledKind(set, index, x, y, xs, ys, BLIT_MASKED); }
void SprDrawScaledH(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaledKind(set, index, (float)x, (float)y, -xs, ys, BLIT_MASKED); }
void SprDrawScaledV(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaledKind(set, index, (float)x, (float)y, xs, -ys, BLIT_MASKED); }
void SprDrawScaledHV(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaledKind(set, index, (float)x, (float)y, -xs, -ys, BLIT_MASKED); }

void SprDrawScaledOpaque(SprSet *set, int index, int x, int y, float xs, float ys)
{
    if (!(xs > 0 && ys > 0))
        return;
    SprDrawScaledKind(set, index, (float)x, (float)y, xs, ys, BLIT_OPAQUE);
}

void SprDrawRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedKind(set, index, x, y, a, xs, ys, xs2, ys2, BLIT_MASKED);
}
void SprDrawRotatedUnit(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawRotated(set, index, x, y, a, xs, ys, 1, 1);
}
void SprDrawRotatedH(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotated(set, index, x, y, 360 - a, -xs, ys, xs2, ys2);
}
void SprDrawRotatedUnitH(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawRotatedH(set, index, x, y, a, xs, ys, 1, 1);
}

void SprDrawAdd(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, 0, BLIT_ADD); }
void SprDrawAddH(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H, BLIT_ADD); }
void SprDrawAddV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_V, BLIT_ADD); }
void SprDrawAddHV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V, BLIT_ADD); }

void SprDrawAddFlip(SprSet *set, int index, int x, int y, int flip)
{
    if (flip < 0 || flip > 3)
        return;
    SprDrawPlainKind(set, index, x, y, flip, BLIT_ADD);
}

void SprDrawAddSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_ADD); }
void SprDrawAddSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H, BLIT_ADD); }
void SprDrawAddSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_V, BLIT_ADD); }
void SprDrawAddSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, BLIT_ADD); }
void SprDrawAddScaled(SprSet *set, int index, float x, float y, float xs, float ys) { SprDrawScaledKind(set, index, x, y, xs, ys, BLIT_ADD); }

void SprDrawAddRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedKind(set, index, x, y, a, xs, ys, xs2, ys2, BLIT_ADD);
}
void SprDrawAddRotatedUnit(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawAddRotated(set, index, x, y, a, xs, ys, 1, 1);
}
void SprDrawAddRotatedH(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawAddRotated(set, index, x, y, 360 - a, -xs, ys, xs2, ys2);
}
void SprDrawAddRotatedUnitH(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawAddRotatedH(set, index, x, y, a, xs, ys, 1, 1);
}

void SprDrawAlpha(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawPlainKind(set, index, x, y, 0, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaH(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaV(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_V, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaHV(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V, BLIT_ALPHA, 0, sa, da); }

void SprDrawAlphaFlip(SprSet *set, int index, int x, int y, int flip, int sa, int da)
{
    if (flip < 0 || flip > 3)
        return;
    SprDrawPlainKind(set, index, x, y, flip, BLIT_ALPHA, 0, sa, da);
}

void SprDrawAlphaSized(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaSizedH(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaSizedV(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_V, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaSizedHV(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, BLIT_ALPHA, 0, sa, da); }
void SprDrawAlphaScaled(SprSet *set, int index, float x, float y, float xs, float ys, int sa, int da) { SprDrawScaledKind(set, index, x, y, xs, ys, BLIT_ALPHA, 0, sa, da); }

void SprDrawAlphaRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int sa, int da)
{
    SprDrawRotatedKind(set, index, x, y, a, xs, ys, xs2, ys2, BLIT_ALPHA, 0, sa, da);
}
void SprDrawAlphaRotatedUnit(SprSet *set, int index, float x, float y, float a, float xs, float ys, int sa, int da)
{
    SprDrawAlphaRotated(set, index, x, y, a, xs, ys, 1, 1, sa, da);
}
void SprDrawAlphaRotatedH(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2,
                          float ys2, int sa, int da)
{
    SprDrawAlphaRotated(set, index, x, y, 360 - a, -xs, ys, xs2, ys2, sa, da);
}
void SprDrawAlphaRotatedUnitH(SprSet *set, int index, float x, float y, float a, float xs, float ys, int sa, int da)
{
    SprDrawAlphaRotatedH(set, index, x, y, a, xs, ys, 1, 1, sa, da);
}

void SprDrawSub(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, 0, BLIT_SUB); }
void SprDrawSubH(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H, BLIT_SUB); }
void SprDrawSubV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_V, BLIT_SUB); }
void SprDrawSubHV(SprSet *set, int index, int x, int y) { SprDrawPlainKind(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V, BLIT_SUB); }
void SprDrawSubSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_SUB); }
void SprDrawSubSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H, BLIT_SUB); }
void SprDrawSubSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_V, BLIT_SUB); }
void SprDrawSubSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, BLIT_SUB); }
void SprDrawSubScaled(SprSet *set, int index, float x, float y, float xs, float ys) { SprDrawScaledKind(set, index, x, y, xs, ys, BLIT_SUB); }

void SprDrawSubRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedKind(set, index, x, y, a, xs, ys, xs2, ys2, BLIT_SUB);
}
void SprDrawSubRotatedUnit(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawSubRotated(set, index, x, y, a, xs, ys, 1, 1);
}
void SprDrawSubRotatedH(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawSubRotated(set, index, x, y, 360 - a, -xs, ys, xs2, ys2);
}
void SprDrawSubRotatedUnitH(SprSet *set, int index, float x, float y, float a, float xs, float ys)
{
    SprDrawSubRotatedH(set, index, x, y, a, xs, ys, 1, 1);
}

void SprDrawShadeSized(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawSizedKind(set, index, x, y, w, h, 0, BLIT_SHADE, c); }
void SprDrawShadeSizedH(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H, BLIT_SHADE, c); }
void SprDrawShadeSizedV(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_V, BLIT_SHADE, c); }
void SprDrawShadeSizedHV(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawSizedKind(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, BLIT_SHADE, c); }
void SprDrawShadeScaled(SprSet *set, int index, float x, float y, float xs, float ys, int c) { SprDrawScaledKind(set, index, x, y, xs, ys, BLIT_SHADE, c); }

void SprDrawShadeRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int c)
{
    SprDrawRotatedKind(set, index, x, y, a, xs, ys, xs2, ys2, BLIT_SHADE, c);
}
void SprDrawShadeRotatedUnit(SprSet *set, int index, float x, float y, float a, float xs, float ys, int c)
{
    SprDrawShadeRotated(set, index, x, y, a, xs, ys, 1, 1, c);
}
void SprDrawShadeRotatedH(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2,
                          float ys2, int c)
{
    SprDrawShadeRotated(set, index, x, y, 360 - a, -xs, ys, xs2, ys2, c);
}
void SprDrawShadeRotatedUnitH(SprSet *set, int index, float x, float y, float a, float xs, float ys, int c)
{
    SprDrawShadeRotatedH(set, index, x, y, a, xs, ys, 1, 1, c);
}

static int SprDrawKeySlot(SprSet *set, int group, int number)
{
    if (!set || group < 0 || number < 0)
        return -1;
    return SprSetFindImage(set, group, number);
}

void SprDrawKey(SprSet *set, int group, int number, int x, int y)
{
    int slot = SprDrawKeySlot(set, group, number);
    if (slot >= 0)
        SprDraw(set, slot, x, y);
}

void SprDrawKeyH(SprSet *set, int group, int number, int x, int y)
{
    int slot = SprDrawKeySlot(set, group, number);
    if (slot >= 0)
        SprDrawH(set, slot, x, y);
}

// Draws with another palette of the set for this one draw; a slot that names
// no palette leaves the image's own.
static void SprDrawKeyPalFlip(SprSet *set, int group, int number, int palIndex, int x, int y, int flip)
{
    int slot = SprDrawKeySlot(set, group, number);
    if (slot < 0)
        return;
    SprImage *img = SprSetImageAt(set, slot);
    int saved = img->palIndex;
    if (palIndex >= 0 && palIndex < SprSetPalCount(set))
        img->palIndex = palIndex;
    SprDrawPlainKind(set, slot, x, y, flip, BLIT_MASKED);
    img->palIndex = saved;
}

void SprDrawKeyPal(SprSet *set, int group, int number, int palIndex, int x, int y)
{
    SprDrawKeyPalFlip(set, group, number, palIndex, x, y, 0);
}

void SprDrawKeyPalH(SprSet *set, int group, int number, int palIndex, int x, int y)
{
    SprDrawKeyPalFlip(set, group, number, palIndex, x, y, SPR_FLIP_H);
}

static int SprTransKind(int trans)
{
    switch (trans) {
    case -1:
    case 0: return BLIT_MASKED;
    case 1: return BLIT_ADD;
    case 2: return BLIT_SUB;
    case 3: return BLIT_ALPHA;
    default: return -1;
    }
}

void SprDrawFlipTrans(SprSet *set, int index, int x, int y, int flip, int trans, int srcAlpha, int dstAlpha)
{
    int kind = SprTransKind(trans);
    if (kind < 0 || flip < 0 || flip > 3)
        return;
    SprDrawPlainKind(set, index, x, y, flip, kind, 0, srcAlpha, dstAlpha);
}

void SprDrawScaledTrans(SprSet *set, int index, float x, float y, float xs, float ys, int trans, int srcAlpha,
                        int dstAlpha)
{
    int kind = SprTransKind(trans);
    if (kind >= 0)
        SprDrawScaledKind(set, index, x, y, xs, ys, kind, 0, srcAlpha, dstAlpha);
}

void SprDrawRotatedTrans(SprSet *set, int index, float x, float y, float angle, float xs, float ys, float xs2,
                         float ys2, int trans, int srcAlpha, int dstAlpha)
{
    int kind = SprTransKind(trans);
    if (kind >= 0)
        SprDrawRotatedKind(set, index, x, y, angle, xs, ys, xs2, ys2, kind, 0, srcAlpha, dstAlpha);
}
