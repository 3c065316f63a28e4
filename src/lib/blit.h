// Sprite blitters: 8-bit indexed images through a colour table onto a 16-bit RGB565 target.
#pragma once
#include <cstdint>

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
