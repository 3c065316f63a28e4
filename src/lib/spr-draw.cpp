// Sprite drawing: one image of a sprite set onto the drawing target, by draw kind, flip, size, scale and angle.
#include "lib/spr-draw.h"

#include <cmath>

#include "lib/blit.h"
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

// The common rule of every draw: a 15- or 16-bit target and an 8-bit image
// (a slot outside the set stops the program through the set's slot check).
static bool SprDrawCan(SprSet *set, int index)
{
    if (!set)
        return false;
    const SprImage *img = SprSetImageAt(set, index);
    return vbufTarget.pixels && (vbufTarget.depth == 15 || vbufTarget.depth == 16) && img->bpp == 8;
}

// Stretch to the image size times the factors; a negative factor picks the
// mirrored member, a zero or NaN one draws nothing.
template <class Blit>
static void SprDrawScaledFold(SprSet *set, int index, float xScale, float yScale, Blit blit)
{
    if (std::isnan(xScale) || std::isnan(yScale) || xScale == 0 || yScale == 0)
        return;
    if (!SprDrawCan(set, index))
        return;
    const SprImage *img = SprSetImageAt(set, index);
    float width = img->width * xScale, height = img->height * yScale;
    int flip = 0;
    if (xScale < 0) {
        flip |= SPR_FLIP_H;
        width = -width;
    }
    if (yScale < 0) {
        flip |= SPR_FLIP_V;
        height = -height;
    }
    blit(flip, width, height);
}

// Folds negative factors into the angle and a mirror flag, so the rotated
// blitters only ever see non-negative factors.
template <class Blit>
static void SprDrawRotatedFold(SprSet *set, int index, float angle, float xs, float ys, float xs2, float ys2,
                               Blit blit)
{
    if (std::isnan(xs) || std::isnan(ys) || std::isnan(xs2) || std::isnan(ys2) || std::isnan(angle))
        return;
    if (!SprDrawCan(set, index))
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
    blit(mirror, angle, xs, ys, xs2, ys2);
}

// The members of one rule by flip code.
static void SprBlitMaskedFlip(SprSet *s, int i, int x, int y, int flip)
{
    switch (flip) {
    case 0: SprBlitMasked(s, i, x, y); break;
    case SPR_FLIP_H: SprBlitMaskedH(s, i, x, y); break;
    case SPR_FLIP_V: SprBlitMaskedV(s, i, x, y); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitMaskedHV(s, i, x, y); break;
    }
}

static void SprBlitAddFlip(SprSet *s, int i, int x, int y, int flip)
{
    switch (flip) {
    case 0: SprBlitAdd(s, i, x, y); break;
    case SPR_FLIP_H: SprBlitAddH(s, i, x, y); break;
    case SPR_FLIP_V: SprBlitAddV(s, i, x, y); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitAddHV(s, i, x, y); break;
    }
}

static void SprBlitSubFlip(SprSet *s, int i, int x, int y, int flip)
{
    switch (flip) {
    case 0: SprBlitSub(s, i, x, y); break;
    case SPR_FLIP_H: SprBlitSubH(s, i, x, y); break;
    case SPR_FLIP_V: SprBlitSubV(s, i, x, y); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitSubHV(s, i, x, y); break;
    }
}

static void SprBlitAlphaFlip(SprSet *s, int i, int x, int y, int flip, int a, int b)
{
    switch (flip) {
    case 0: SprBlitAlpha(s, i, x, y, a, b); break;
    case SPR_FLIP_H: SprBlitAlphaH(s, i, x, y, a, b); break;
    case SPR_FLIP_V: SprBlitAlphaV(s, i, x, y, a, b); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitAlphaHV(s, i, x, y, a, b); break;
    }
}

static void SprBlitScaledFlip(SprSet *s, int i, float x, float y, float w, float h, int flip)
{
    switch (flip) {
    case 0: SprBlitScaled(s, i, x, y, w, h); break;
    case SPR_FLIP_H: SprBlitScaledH(s, i, x, y, w, h); break;
    case SPR_FLIP_V: SprBlitScaledV(s, i, x, y, w, h); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitScaledHV(s, i, x, y, w, h); break;
    }
}

static void SprBlitAddScaledFlip(SprSet *s, int i, float x, float y, float w, float h, int flip)
{
    switch (flip) {
    case 0: SprBlitAddScaled(s, i, x, y, w, h); break;
    case SPR_FLIP_H: SprBlitAddScaledH(s, i, x, y, w, h); break;
    case SPR_FLIP_V: SprBlitAddScaledV(s, i, x, y, w, h); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitAddScaledHV(s, i, x, y, w, h); break;
    }
}

static void SprBlitSubScaledFlip(SprSet *s, int i, float x, float y, float w, float h, int flip)
{
    switch (flip) {
    case 0: SprBlitSubScaled(s, i, x, y, w, h); break;
    case SPR_FLIP_H: SprBlitSubScaledH(s, i, x, y, w, h); break;
    case SPR_FLIP_V: SprBlitSubScaledV(s, i, x, y, w, h); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitSubScaledHV(s, i, x, y, w, h); break;
    }
}

static void SprBlitAlphaScaledFlip(SprSet *s, int i, float x, float y, float w, float h, int flip, int a, int b)
{
    switch (flip) {
    case 0: SprBlitAlphaScaled(s, i, x, y, w, h, a, b); break;
    case SPR_FLIP_H: SprBlitAlphaScaledH(s, i, x, y, w, h, a, b); break;
    case SPR_FLIP_V: SprBlitAlphaScaledV(s, i, x, y, w, h, a, b); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitAlphaScaledHV(s, i, x, y, w, h, a, b); break;
    }
}

static void SprBlitShadeScaledFlip(SprSet *s, int i, float x, float y, float w, float h, int flip, int c)
{
    switch (flip) {
    case 0: SprBlitShadeScaled(s, i, x, y, w, h, c); break;
    case SPR_FLIP_H: SprBlitShadeScaledH(s, i, x, y, w, h, c); break;
    case SPR_FLIP_V: SprBlitShadeScaledV(s, i, x, y, w, h, c); break;
    case SPR_FLIP_H | SPR_FLIP_V: SprBlitShadeScaledHV(s, i, x, y, w, h, c); break;
    }
}

static void SprDrawMaskedFlip(SprSet *set, int index, int x, int y, int flip)
{
    if (SprDrawCan(set, index))
        SprBlitMaskedFlip(set, index, x, y, flip);
}

void SprDraw(SprSet *set, int index, int x, int y) { SprDrawMaskedFlip(set, index, x, y, 0); }
void SprDrawH(SprSet *set, int index, int x, int y) { SprDrawMaskedFlip(set, index, x, y, SPR_FLIP_H); }
void SprDrawV(SprSet *set, int index, int x, int y) { SprDrawMaskedFlip(set, index, x, y, SPR_FLIP_V); }
void SprDrawHV(SprSet *set, int index, int x, int y) { SprDrawMaskedFlip(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V); }

void SprDrawOpaque(SprSet *set, int index, int x, int y)
{
    if (SprDrawCan(set, index))
        SprBlitOpaque(set, index, x, y);
}

// 16-bit images are accepted here and draw nothing.
void SprDrawSilhouette(SprSet *set, int index, int x, int y, int colour)
{
    if (!set || !vbufTarget.pixels || (vbufTarget.depth != 15 && vbufTarget.depth != 16))
        return;
    const SprImage *img = SprSetImageAt(set, index);
    if (img->bpp == 8)
        SprBlitSilhouette(set, index, x, y, colour);
    else if (img->bpp == 16)
        SprBlitSilhouette16(set, index, x, y, colour);
}

static void SprDrawSizedFlip(SprSet *set, int index, float x, float y, float w, float h, int flip)
{
    if (SprDrawCan(set, index))
        SprBlitScaledFlip(set, index, x, y, w, h, flip);
}

void SprDrawSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedFlip(set, index, x, y, w, h, 0); }
void SprDrawSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedFlip(set, index, x, y, w, h, SPR_FLIP_H); }
void SprDrawSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedFlip(set, index, x, y, w, h, SPR_FLIP_V); }
void SprDrawSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSizedFlip(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V); }

void SprDrawSizedOpaque(SprSet *set, int index, float x, float y, float w, float h)
{
    if (SprDrawCan(set, index))
        SprBlitScaledOpaque(set, index, x, y, w, h);
}

void SprDrawScaled(SprSet *set, int index, float x, float y, float xs, float ys)
{
    SprDrawScaledFold(set, index, xs, ys,
                      [&](int flip, float w, float h) { SprBlitScaledFlip(set, index, x, y, w, h, flip); });
}
void SprDrawScaledH(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaled(set, index, (float)x, (float)y, -xs, ys); }
void SprDrawScaledV(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaled(set, index, (float)x, (float)y, xs, -ys); }
void SprDrawScaledHV(SprSet *set, int index, int x, int y, float xs, float ys) { SprDrawScaled(set, index, (float)x, (float)y, -xs, -ys); }

void SprDrawScaledOpaque(SprSet *set, int index, int x, int y, float xs, float ys)
{
    if (!(xs > 0 && ys > 0) || !SprDrawCan(set, index))
        return;
    const SprImage *img = SprSetImageAt(set, index);
    SprBlitScaledOpaque(set, index, (float)x, (float)y, img->width * xs, img->height * ys);
}

void SprDrawRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedFold(set, index, a, xs, ys, xs2, ys2, [&](int m, float fa, float s1, float s2, float s3, float s4) {
        if (m)
            SprBlitRotatedMirror(set, index, x, y, fa, s1, s2, s3, s4);
        else
            SprBlitRotated(set, index, x, y, fa, s1, s2, s3, s4);
    });
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

void SprDrawAdd(SprSet *set, int index, int x, int y) { SprDrawAddFlip(set, index, x, y, 0); }
void SprDrawAddH(SprSet *set, int index, int x, int y) { SprDrawAddFlip(set, index, x, y, SPR_FLIP_H); }
void SprDrawAddV(SprSet *set, int index, int x, int y) { SprDrawAddFlip(set, index, x, y, SPR_FLIP_V); }
void SprDrawAddHV(SprSet *set, int index, int x, int y) { SprDrawAddFlip(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V); }

void SprDrawAddFlip(SprSet *set, int index, int x, int y, int flip)
{
    if (flip >= 0 && flip <= 3 && SprDrawCan(set, index))
        SprBlitAddFlip(set, index, x, y, flip);
}

static void SprDrawAddSizedFlip(SprSet *set, int index, float x, float y, float w, float h, int flip)
{
    if (SprDrawCan(set, index))
        SprBlitAddScaledFlip(set, index, x, y, w, h, flip);
}

void SprDrawAddSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawAddSizedFlip(set, index, x, y, w, h, 0); }
void SprDrawAddSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawAddSizedFlip(set, index, x, y, w, h, SPR_FLIP_H); }
void SprDrawAddSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawAddSizedFlip(set, index, x, y, w, h, SPR_FLIP_V); }
void SprDrawAddSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawAddSizedFlip(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V); }

void SprDrawAddScaled(SprSet *set, int index, float x, float y, float xs, float ys)
{
    SprDrawScaledFold(set, index, xs, ys,
                      [&](int flip, float w, float h) { SprBlitAddScaledFlip(set, index, x, y, w, h, flip); });
}

void SprDrawAddRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedFold(set, index, a, xs, ys, xs2, ys2, [&](int m, float fa, float s1, float s2, float s3, float s4) {
        if (m)
            SprBlitAddRotatedMirror(set, index, x, y, fa, s1, s2, s3, s4);
        else
            SprBlitAddRotated(set, index, x, y, fa, s1, s2, s3, s4);
    });
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

void SprDrawAlpha(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawAlphaFlip(set, index, x, y, 0, sa, da); }
void SprDrawAlphaH(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawAlphaFlip(set, index, x, y, SPR_FLIP_H, sa, da); }
void SprDrawAlphaV(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawAlphaFlip(set, index, x, y, SPR_FLIP_V, sa, da); }
void SprDrawAlphaHV(SprSet *set, int index, int x, int y, int sa, int da) { SprDrawAlphaFlip(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V, sa, da); }

void SprDrawAlphaFlip(SprSet *set, int index, int x, int y, int flip, int sa, int da)
{
    if (flip >= 0 && flip <= 3 && SprDrawCan(set, index))
        SprBlitAlphaFlip(set, index, x, y, flip, sa, da);
}

static void SprDrawAlphaSizedFlip(SprSet *set, int index, float x, float y, float w, float h, int flip, int sa,
                                  int da)
{
    if (SprDrawCan(set, index))
        SprBlitAlphaScaledFlip(set, index, x, y, w, h, flip, sa, da);
}

void SprDrawAlphaSized(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawAlphaSizedFlip(set, index, x, y, w, h, 0, sa, da); }
void SprDrawAlphaSizedH(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawAlphaSizedFlip(set, index, x, y, w, h, SPR_FLIP_H, sa, da); }
void SprDrawAlphaSizedV(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawAlphaSizedFlip(set, index, x, y, w, h, SPR_FLIP_V, sa, da); }
void SprDrawAlphaSizedHV(SprSet *set, int index, float x, float y, float w, float h, int sa, int da) { SprDrawAlphaSizedFlip(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, sa, da); }

void SprDrawAlphaScaled(SprSet *set, int index, float x, float y, float xs, float ys, int sa, int da)
{
    SprDrawScaledFold(set, index, xs, ys, [&](int flip, float w, float h) {
        SprBlitAlphaScaledFlip(set, index, x, y, w, h, flip, sa, da);
    });
}

void SprDrawAlphaRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int sa, int da)
{
    SprDrawRotatedFold(set, index, a, xs, ys, xs2, ys2, [&](int m, float fa, float s1, float s2, float s3, float s4) {
        if (m)
            SprBlitAlphaRotatedMirror(set, index, x, y, fa, s1, s2, s3, s4, sa, da);
        else
            SprBlitAlphaRotated(set, index, x, y, fa, s1, s2, s3, s4, sa, da);
    });
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

static void SprDrawSubFlip(SprSet *set, int index, int x, int y, int flip)
{
    if (SprDrawCan(set, index))
        SprBlitSubFlip(set, index, x, y, flip);
}

void SprDrawSub(SprSet *set, int index, int x, int y) { SprDrawSubFlip(set, index, x, y, 0); }
void SprDrawSubH(SprSet *set, int index, int x, int y) { SprDrawSubFlip(set, index, x, y, SPR_FLIP_H); }
void SprDrawSubV(SprSet *set, int index, int x, int y) { SprDrawSubFlip(set, index, x, y, SPR_FLIP_V); }
void SprDrawSubHV(SprSet *set, int index, int x, int y) { SprDrawSubFlip(set, index, x, y, SPR_FLIP_H | SPR_FLIP_V); }

static void SprDrawSubSizedFlip(SprSet *set, int index, float x, float y, float w, float h, int flip)
{
    if (SprDrawCan(set, index))
        SprBlitSubScaledFlip(set, index, x, y, w, h, flip);
}

void SprDrawSubSized(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSubSizedFlip(set, index, x, y, w, h, 0); }
void SprDrawSubSizedH(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSubSizedFlip(set, index, x, y, w, h, SPR_FLIP_H); }
void SprDrawSubSizedV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSubSizedFlip(set, index, x, y, w, h, SPR_FLIP_V); }
void SprDrawSubSizedHV(SprSet *set, int index, float x, float y, float w, float h) { SprDrawSubSizedFlip(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V); }

void SprDrawSubScaled(SprSet *set, int index, float x, float y, float xs, float ys)
{
    SprDrawScaledFold(set, index, xs, ys,
                      [&](int flip, float w, float h) { SprBlitSubScaledFlip(set, index, x, y, w, h, flip); });
}

void SprDrawSubRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprDrawRotatedFold(set, index, a, xs, ys, xs2, ys2, [&](int m, float fa, float s1, float s2, float s3, float s4) {
        if (m)
            SprBlitSubRotatedMirror(set, index, x, y, fa, s1, s2, s3, s4);
        else
            SprBlitSubRotated(set, index, x, y, fa, s1, s2, s3, s4);
    });
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

static void SprDrawShadeSizedFlip(SprSet *set, int index, float x, float y, float w, float h, int flip, int c)
{
    if (SprDrawCan(set, index))
        SprBlitShadeScaledFlip(set, index, x, y, w, h, flip, c);
}

void SprDrawShadeSized(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawShadeSizedFlip(set, index, x, y, w, h, 0, c); }
void SprDrawShadeSizedH(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawShadeSizedFlip(set, index, x, y, w, h, SPR_FLIP_H, c); }
void SprDrawShadeSizedV(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawShadeSizedFlip(set, index, x, y, w, h, SPR_FLIP_V, c); }
void SprDrawShadeSizedHV(SprSet *set, int index, float x, float y, float w, float h, int c) { SprDrawShadeSizedFlip(set, index, x, y, w, h, SPR_FLIP_H | SPR_FLIP_V, c); }

void SprDrawShadeScaled(SprSet *set, int index, float x, float y, float xs, float ys, int c)
{
    SprDrawScaledFold(set, index, xs, ys,
                      [&](int flip, float w, float h) { SprBlitShadeScaledFlip(set, index, x, y, w, h, flip, c); });
}

void SprDrawShadeRotated(SprSet *set, int index, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int c)
{
    SprDrawRotatedFold(set, index, a, xs, ys, xs2, ys2, [&](int m, float fa, float s1, float s2, float s3, float s4) {
        if (m)
            SprBlitShadeRotatedMirror(set, index, x, y, fa, s1, s2, s3, s4, c);
        else
            SprBlitShadeRotated(set, index, x, y, fa, s1, s2, s3, s4, c);
    });
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
    SprDrawMaskedFlip(set, slot, x, y, flip);
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

void SprDrawFlipTrans(SprSet *set, int index, int x, int y, int flip, int trans, int srcAlpha, int dstAlpha)
{
    if (flip < 0 || flip > 3)
        return;
    switch (trans) {
    case -1:
    case 0: SprDrawMaskedFlip(set, index, x, y, flip); break;
    case 1: SprDrawAddFlip(set, index, x, y, flip); break;
    case 2: SprDrawSubFlip(set, index, x, y, flip); break;
    case 3: SprDrawAlphaFlip(set, index, x, y, flip, srcAlpha, dstAlpha); break;
    }
}

void SprDrawScaledTrans(SprSet *set, int index, float x, float y, float xs, float ys, int trans, int srcAlpha,
                        int dstAlpha)
{
    switch (trans) {
    case -1:
    case 0: SprDrawScaled(set, index, x, y, xs, ys); break;
    case 1: SprDrawAddScaled(set, index, x, y, xs, ys); break;
    case 2: SprDrawSubScaled(set, index, x, y, xs, ys); break;
    case 3: SprDrawAlphaScaled(set, index, x, y, xs, ys, srcAlpha, dstAlpha); break;
    }
}

void SprDrawRotatedTrans(SprSet *set, int index, float x, float y, float angle, float xs, float ys, float xs2,
                         float ys2, int trans, int srcAlpha, int dstAlpha)
{
    switch (trans) {
    case -1:
    case 0: SprDrawRotated(set, index, x, y, angle, xs, ys, xs2, ys2); break;
    case 1: SprDrawAddRotated(set, index, x, y, angle, xs, ys, xs2, ys2); break;
    case 2: SprDrawSubRotated(set, index, x, y, angle, xs, ys, xs2, ys2); break;
    case 3: SprDrawAlphaRotated(set, index, x, y, angle, xs, ys, xs2, ys2, srcAlpha, dstAlpha); break;
    }
}
