// Sprite blitters: 8-bit indexed images through a colour table onto a 16-bit RGB565 target.
#pragma once
#include <cstdint>

struct SprSet;

// An indexed image: pixel base, byte offset of each row, size and axis.
struct BlitSource {
    const uint8_t *pixels;
    const int *rows;
    int width, height;
    int xAxis, yAxis;
};

// A 16-bit target: pixel base, byte offset of each row, inclusive clip.
struct BlitTarget {
    uint8_t *pixels;
    const int *rows;
    int x1, y1, x2, y2;
};

enum BlitRuleKind {
    BLIT_MASKED,
    BLIT_OPAQUE,
    BLIT_SILHOUETTE,
    BLIT_ADD,
    BLIT_SUB,
    BLIT_SHADE,
    BLIT_ALPHA,
};

enum { BLIT_FLIP_H = 1, BLIT_FLIP_V = 2 };

// What to write for each source pixel: the table maps all 256 pixel values to
// RGB565; colour serves the silhouette and shade rules, the alphas (0..256,
// clamped) the alpha rule.
struct BlitRule {
    int kind;
    const uint16_t *table;
    int colour;
    int srcAlpha, dstAlpha;
};

uint16_t Blit565Add(uint16_t t, uint16_t s);
uint16_t Blit565Sub(uint16_t t, uint16_t s);
uint16_t Blit565Scale(uint16_t c, int k);

// Axis at (x, y); flip is a mix of BLIT_FLIP_H and BLIT_FLIP_V.
void BlitPlain(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule, int x, int y, int flip);
// Stretched to width by height; the shade rule always stretches.
void BlitStretched(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule,
                   float x, float y, float width, float height, int flip);
// Stretched by factors; a negative factor mirrors that axis, a zero one draws nothing.
void BlitScaled(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule,
                float x, float y, float xScale, float yScale);
// Rotated by angle degrees counter-clockwise, scaled by (xScale, yScale) before
// and (xScale2, yScale2) after the turn; mirrored writes offset k at x - k.
void BlitRotated(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule, float x, float y,
                 float angle, float xScale, float yScale, float xScale2, float yScale2, int mirrored);

// The blitters of a sprite set's image onto the drawing target, one per rule,
// geometry and flip. Each draws nothing unless the target is 15- or 16-bit,
// the image 8-bit with pixels, and (for the rules that use colours) a palette
// is at hand: the set's override, else the image's own.
void SprBlitMasked(SprSet *set, int index, int x, int y);
void SprBlitMaskedH(SprSet *set, int index, int x, int y);
void SprBlitMaskedV(SprSet *set, int index, int x, int y);
void SprBlitMaskedHV(SprSet *set, int index, int x, int y);
void SprBlitOpaque(SprSet *set, int index, int x, int y);
void SprBlitSilhouette(SprSet *set, int index, int x, int y, int colour);
void SprBlitSilhouette16(SprSet *set, int index, int x, int y, int colour);
void SprBlitAdd(SprSet *set, int index, int x, int y);
void SprBlitAddH(SprSet *set, int index, int x, int y);
void SprBlitAddV(SprSet *set, int index, int x, int y);
void SprBlitAddHV(SprSet *set, int index, int x, int y);
void SprBlitAlpha(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprBlitAlphaH(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprBlitAlphaV(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprBlitAlphaHV(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprBlitSub(SprSet *set, int index, int x, int y);
void SprBlitSubH(SprSet *set, int index, int x, int y);
void SprBlitSubV(SprSet *set, int index, int x, int y);
void SprBlitSubHV(SprSet *set, int index, int x, int y);

void SprBlitScaled(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitScaledH(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitScaledV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitScaledHV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitScaledOpaque(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitAddScaled(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitAddScaledH(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitAddScaledV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitAddScaledHV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitAlphaScaled(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                        int dstAlpha);
void SprBlitAlphaScaledH(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                         int dstAlpha);
void SprBlitAlphaScaledV(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                         int dstAlpha);
void SprBlitAlphaScaledHV(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                          int dstAlpha);
void SprBlitSubScaled(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitSubScaledH(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitSubScaledV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitSubScaledHV(SprSet *set, int index, float x, float y, float width, float height);
void SprBlitShadeScaled(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprBlitShadeScaledH(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprBlitShadeScaledV(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprBlitShadeScaledHV(SprSet *set, int index, float x, float y, float width, float height, int colour);

// Non-negative factors; the mirrored members write offset k at x - k.
void SprBlitRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                    float xScale2, float yScale2);
void SprBlitRotatedMirror(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                          float xScale2, float yScale2);
void SprBlitAddRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                       float xScale2, float yScale2);
void SprBlitAddRotatedMirror(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                             float xScale2, float yScale2);
void SprBlitAlphaRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                         float xScale2, float yScale2, int srcAlpha, int dstAlpha);
void SprBlitAlphaRotatedMirror(SprSet *set, int index, float x, float y, float angle, float xScale,
                               float yScale, float xScale2, float yScale2, int srcAlpha, int dstAlpha);
void SprBlitSubRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                       float xScale2, float yScale2);
void SprBlitSubRotatedMirror(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                             float xScale2, float yScale2);
void SprBlitShadeRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                         float xScale2, float yScale2, int colour);
void SprBlitShadeRotatedMirror(SprSet *set, int index, float x, float y, float angle, float xScale,
                               float yScale, float xScale2, float yScale2, int colour);
