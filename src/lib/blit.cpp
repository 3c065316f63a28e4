// Sprite blitters: 8-bit indexed images through a colour table onto a 16-bit RGB565 target.
#include "lib/blit.h"

#include <algorithm>
#include <cmath>

#include "lib/gfx.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"

typedef int64_t i64;

// Positions beyond this many 16.16 units are far outside any image or target;
// clamping there keeps every sum of a few hundred thousand steps inside 64 bits.
static const i64 BLIT_POS_LIMIT = (i64)1 << 52;
static const i64 BLIT_STEP_LIMIT = (i64)1 << 40;

static i64 BlitSat(double v, i64 limit = BLIT_POS_LIMIT)
{
    if (std::isnan(v))
        return 0;
    if (v >= (double)limit)
        return limit;
    if (v <= -(double)limit)
        return -limit;
    return (i64)v;
}

uint16_t Blit565Add(uint16_t t, uint16_t s)
{
    int r = std::min(0xF800, (t & 0xF800) + (s & 0xF800));
    int g = std::min(0x07E0, (t & 0x07E0) + (s & 0x07E0));
    int b = std::min(0x001F, (t & 0x001F) + (s & 0x001F));
    return (uint16_t)(r | g | b);
}

uint16_t Blit565Sub(uint16_t t, uint16_t s)
{
    int r = std::max(0, (t & 0xF800) - (s & 0xF800));
    int g = std::max(0, (t & 0x07E0) - (s & 0x07E0));
    int b = std::max(0, (t & 0x001F) - (s & 0x001F));
    return (uint16_t)(r | g | b);
}

uint16_t Blit565Scale(uint16_t c, int k)
{
    int r = (((c >> 11) & 31) * k >> 8) & 31;
    int g = (((c >> 5) & 63) * k >> 8) & 63;
    int b = ((c & 31) * k >> 8) & 31;
    return (uint16_t)(r << 11 | g << 5 | b);
}

namespace {

// Pixel rules: what one source pixel value does to one target pixel.
struct RuleMasked {
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = table[v]; }
};
struct RuleOpaque {
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { *d = table[v]; }
};
struct RuleSilhouette {
    uint16_t colour;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = colour; }
};
struct RuleAdd {
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Blit565Add(*d, table[v]); }
};
struct RuleSub {
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Blit565Sub(*d, table[v]); }
};
struct RuleShade {
    uint16_t colour;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Blit565Sub(*d, colour); }
};
// The source side is already scaled by its alpha (one table per draw).
struct RuleAlpha {
    const uint16_t *scaled;
    int dstAlpha;
    void operator()(uint16_t *d, uint8_t v) const
    {
        if (v)
            *d = Blit565Add(scaled[v], Blit565Scale(*d, dstAlpha));
    }
};

} // namespace

// Runs the walker with the rule's pixel functor; the alpha rule's special
// pairs become the masked and add rules, and 0/256 draws nothing.
template <class Walk>
static void BlitDispatch(const BlitRule *rule, Walk &&walk)
{
    const uint16_t *table = rule->table;
    bool needTable = rule->kind != BLIT_SILHOUETTE && rule->kind != BLIT_SHADE;
    if (needTable && !table)
        return;
    switch (rule->kind) {
    case BLIT_MASKED: walk(RuleMasked{table}); break;
    case BLIT_OPAQUE: walk(RuleOpaque{table}); break;
    case BLIT_SILHOUETTE: walk(RuleSilhouette{(uint16_t)rule->colour}); break;
    case BLIT_ADD: walk(RuleAdd{table}); break;
    case BLIT_SUB: walk(RuleSub{table}); break;
    case BLIT_SHADE:
        if ((uint16_t)rule->colour)
            walk(RuleShade{(uint16_t)rule->colour});
        break;
    case BLIT_ALPHA: {
        int a = std::clamp(rule->srcAlpha, 0, 256);
        int b = std::clamp(rule->dstAlpha, 0, 256);
        if (a == 256 && b == 0) {
            walk(RuleMasked{table});
        } else if (a == 256 && b == 256) {
            walk(RuleAdd{table});
        } else if (!(a == 0 && b == 256)) {
            // Every entry is scaled, whatever the palette's colour count, so
            // no pixel value can read an unset entry.
            uint16_t scaled[256];
            for (int v = 0; v < 256; v++)
                scaled[v] = Blit565Scale(table[v], a);
            if (b == 0)
                walk(RuleMasked{scaled});
            else
                walk(RuleAlpha{scaled, b});
        }
        break;
    }
    default: break;
    }
}

static bool BlitUsable(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule)
{
    return dst && src && rule && dst->pixels && dst->rows && src->pixels && src->rows &&
           src->width > 0 && src->height > 0 && dst->x1 <= dst->x2 && dst->y1 <= dst->y2;
}

static inline uint16_t *BlitTargetRow(const BlitTarget *dst, i64 y)
{
    return reinterpret_cast<uint16_t *>(dst->pixels + dst->rows[y]);
}

template <class R>
static void BlitWalkPlain(const BlitTarget *dst, const BlitSource *src, int x, int y, int flip, const R &rule)
{
    i64 w = src->width, h = src->height;
    i64 left = (flip & BLIT_FLIP_H) ? (i64)x + src->xAxis - w + 1 : (i64)x - src->xAxis;
    i64 top = (flip & BLIT_FLIP_V) ? (i64)y + src->yAxis - h + 1 : (i64)y - src->yAxis;
    i64 cx1 = std::max<i64>(left, dst->x1), cx2 = std::min<i64>(left + w - 1, dst->x2);
    i64 cy1 = std::max<i64>(top, dst->y1), cy2 = std::min<i64>(top + h - 1, dst->y2);
    if (cx1 > cx2 || cy1 > cy2)
        return;
    i64 count = cx2 - cx1 + 1;
    for (i64 ty = cy1; ty <= cy2; ty++) {
        i64 sr = (flip & BLIT_FLIP_V) ? top + h - 1 - ty : ty - top;
        const uint8_t *srow = src->pixels + src->rows[sr];
        uint16_t *d = BlitTargetRow(dst, ty) + cx1;
        if (flip & BLIT_FLIP_H) {
            const uint8_t *s = srow + (left + w - 1 - cx1);
            for (i64 n = 0; n < count; n++)
                rule(d + n, s[-n]);
        } else {
            const uint8_t *s = srow + (cx1 - left);
            for (i64 n = 0; n < count; n++)
                rule(d + n, s[n]);
        }
    }
}

void BlitPlain(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule, int x, int y, int flip)
{
    if (!BlitUsable(dst, src, rule))
        return;
    BlitDispatch(rule, [&](const auto &r) { BlitWalkPlain(dst, src, x, y, flip, r); });
}

// Nearest integer with an exact half rounding down.
static double BlitRoundHalfDown(double v)
{
    return std::ceil(v - 0.5);
}

// First target index and 16.16 source position of one axis of a stretch;
// false when nothing of it is visible.
static bool BlitStretchAxis(float edge, float size, int srcSize, int clip1, int clip2,
                            i64 *first, i64 *last, i64 *pos, i64 *step)
{
    double e = edge, s = size;
    i64 p0 = BlitSat(BlitRoundHalfDown(e));
    i64 p = BlitSat(srcSize * ((double)p0 - e) / s * 65536.0);
    i64 end = std::min<i64>(clip2, BlitSat(std::floor(e + s - 0.5)));
    if (p0 < clip1) {
        p += BlitSat(((double)clip1 - (double)p0) * srcSize / s * 65536.0);
        p0 = clip1;
    }
    i64 st = BlitSat((double)srcSize * 65536.0 / s, BLIT_STEP_LIMIT);
    if (st <= 0)
        return false;
    if (p < 0) {
        i64 skip = (-p + st - 1) / st;
        p0 += skip;
        p += skip * st;
    }
    // Source positions never pass the image's far edge.
    i64 limit = (i64)srcSize << 16;
    if (p >= limit)
        return false;
    end = std::min(end, p0 + (limit - 1 - p) / st);
    if (p0 > end)
        return false;
    *first = p0;
    *last = end;
    *pos = p;
    *step = st;
    return true;
}

template <class R>
static void BlitWalkStretched(const BlitTarget *dst, const BlitSource *src, float x, float y,
                              float width, float height, int flip, const R &rule)
{
    int w = src->width, h = src->height;
    float top = (flip & BLIT_FLIP_V) ? y - height * (h - src->yAxis - 1) / h : y - height * src->yAxis / h;
    float left = (flip & BLIT_FLIP_H) ? x - width * (w - src->xAxis - 1) / w : x - width * src->xAxis / w;
    if (!std::isfinite(top) || !std::isfinite(left))
        return;
    if (top > dst->y2 || top + height - 0.5f <= dst->y1 || left > dst->x2 || left + width - 0.5f <= dst->x1)
        return;
    i64 row1, row2, fy, stepY, col1, col2, fx, stepX;
    if (!BlitStretchAxis(top, height, h, dst->y1, dst->y2, &row1, &row2, &fy, &stepY))
        return;
    if (!BlitStretchAxis(left, width, w, dst->x1, dst->x2, &col1, &col2, &fx, &stepX))
        return;
    i64 count = col2 - col1 + 1;
    for (i64 ty = row1; ty <= row2; ty++, fy += stepY) {
        i64 sr = fy >> 16;
        if (flip & BLIT_FLIP_V)
            sr = h - 1 - sr;
        const uint8_t *srow = src->pixels + src->rows[sr];
        uint16_t *d = BlitTargetRow(dst, ty) + col1;
        i64 p = fx;
        if (flip & BLIT_FLIP_H) {
            const uint8_t *s = srow + (w - 1);
            for (i64 n = 0; n < count; n++, p += stepX)
                rule(d + n, s[-(p >> 16)]);
        } else {
            for (i64 n = 0; n < count; n++, p += stepX)
                rule(d + n, srow[p >> 16]);
        }
    }
}

void BlitStretched(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule,
                   float x, float y, float width, float height, int flip)
{
    if (!BlitUsable(dst, src, rule))
        return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
        return;
    if (width <= 0 || height <= 0)
        return;
    if (rule->kind != BLIT_SHADE && std::fabs(src->width - width) < 0.001f &&
        std::fabs(src->height - height) < 0.001f) {
        BlitPlain(dst, src, rule, (int)BlitSat(x, INT32_MAX), (int)BlitSat(y, INT32_MAX), flip);
        return;
    }
    BlitDispatch(rule, [&](const auto &r) { BlitWalkStretched(dst, src, x, y, width, height, flip, r); });
}

void BlitScaled(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule,
                float x, float y, float xScale, float yScale)
{
    if (!src || std::isnan(xScale) || std::isnan(yScale) || xScale == 0 || yScale == 0)
        return;
    float width = src->width * xScale, height = src->height * yScale;
    int flip = 0;
    if (xScale < 0) {
        flip |= BLIT_FLIP_H;
        width = -width;
    }
    if (yScale < 0) {
        flip |= BLIT_FLIP_V;
        height = -height;
    }
    BlitStretched(dst, src, rule, x, y, width, height, flip);
}

namespace {
struct BlitCorner {
    double x, y;
    i64 row;
};
}

template <class R>
static void BlitWalkRotated(const BlitTarget *dst, const BlitSource *src, double x, double y, int e,
                            int sx1024, int sy1024, double sx, double sy, double sx2, double sy2,
                            int mirrored, const R &rule)
{
    int w = src->width, h = src->height, ax = src->xAxis, ay = src->yAxis;
    i64 x0 = BlitSat(std::floor(x)), y0 = BlitSat(std::floor(y));
    int cosv = GfxSinTable[(e + 720) % 2880];
    int sinv = GfxSinTable[e % 2880];

    auto map = [&](double cx, double cy) {
        BlitCorner c;
        c.x = sx2 * (sx * cx * cosv + sy * cy * sinv) / 1024.0;
        c.y = sy2 * (sy * cy * cosv - sx * cx * sinv) / 1024.0;
        c.row = BlitSat(std::floor(c.y));
        return c;
    };
    BlitCorner tl = map(-ax, -ay), tr = map(w - ax - 1, -ay);
    BlitCorner bl = map(-ax, h - ay - 1), br = map(w - ax - 1, h - ay - 1);
    BlitCorner vTop, vLeft, vRight, vBottom;
    if (e < 720) {
        vTop = tr; vLeft = tl; vRight = br; vBottom = bl;
    } else if (e < 1440) {
        vTop = br; vLeft = tr; vRight = bl; vBottom = tl;
    } else if (e < 2160) {
        vTop = bl; vLeft = br; vRight = tl; vBottom = tr;
    } else {
        vTop = tl; vLeft = bl; vRight = tr; vBottom = br;
    }

    i64 rowFirst = std::max<i64>(vTop.row, (i64)dst->y1 - y0);
    i64 rowLast = std::min<i64>(vBottom.row, (i64)dst->y2 - y0);
    if (rowFirst > rowLast)
        return;

    i64 edgeL, edgeR, t = 0, o = 0;
    bool still = vLeft.row == vTop.row || vRight.row == vTop.row;
    if (still) {
        edgeL = BlitSat(vLeft.x * 65536.0);
        edgeR = BlitSat(vRight.x * 65536.0);
    } else {
        edgeL = edgeR = BlitSat(vTop.x * 65536.0);
        t = std::llabs(BlitSat((vTop.x - vLeft.x) * 65536.0 / (double)(vLeft.row - vTop.row), BLIT_STEP_LIMIT));
        o = std::llabs(BlitSat((vRight.x - vTop.x) * 65536.0 / (double)(vRight.row - vTop.row), BLIT_STEP_LIMIT));
        // Rows above the clip still move the edges.
        double skipped = (double)(rowFirst - vTop.row);
        double beforeL = std::clamp((double)(vLeft.row - vTop.row), 0.0, skipped);
        double beforeR = std::clamp((double)(vRight.row - vTop.row), 0.0, skipped);
        edgeL = BlitSat((double)edgeL - (double)t * beforeL + (double)o * (skipped - beforeL));
        edgeR = BlitSat((double)edgeR + (double)o * beforeR - (double)t * (skipped - beforeR));
    }

    i64 spanMin = mirrored ? x0 - dst->x2 : (i64)dst->x1 - x0;
    i64 spanMax = mirrored ? x0 - dst->x1 : (i64)dst->x2 - x0;
    i64 dx = BlitSat((double)((cosv * 65536) / sx1024) / sx2, BLIT_STEP_LIMIT);
    i64 dy = BlitSat((double)((sinv * 65536) / sy1024) / sx2, BLIT_STEP_LIMIT);
    i64 limX = (i64)w << 16, limY = (i64)h << 16;
    auto outside = [&](i64 px, i64 py) { return px < 0 || py < 0 || px >= limX || py >= limY; };

    for (i64 i = rowFirst; i <= rowLast; i++) {
        i64 k = std::max(edgeL >> 16, spanMin);
        i64 l = std::min(edgeR >> 16, spanMax);
        if (!still) {
            edgeL += i < vLeft.row ? -t : o;
            edgeR += i < vRight.row ? o : -t;
        }
        if (k > l)
            continue;
        double u = (double)k / sx2, v = (double)i / sy2;
        i64 px = (i64)ax * 65536 + BlitSat((u * cosv - v * sinv) * 65536.0 / sx1024);
        i64 py = (i64)ay * 65536 + BlitSat((u * sinv + v * cosv) * 65536.0 / sy1024);
        while (k <= l && outside(px, py)) {
            k++;
            px += dx;
            py += dy;
        }
        while (l >= k && outside(px + (l - k) * dx, py + (l - k) * dy))
            l--;
        if (k > l)
            continue;
        uint16_t *drow = BlitTargetRow(dst, y0 + i);
        for (i64 n = k; n <= l; n++, px += dx, py += dy) {
            const uint8_t *srow = src->pixels + src->rows[py >> 16];
            rule(drow + (mirrored ? x0 - n : x0 + n), srow[px >> 16]);
        }
    }
}

void BlitRotated(const BlitTarget *dst, const BlitSource *src, const BlitRule *rule, float x, float y,
                 float angle, float xScale, float yScale, float xScale2, float yScale2, int mirrored)
{
    if (!BlitUsable(dst, src, rule) || !GfxSinTable)
        return;
    for (float v : {x, y, angle, xScale, yScale, xScale2, yScale2})
        if (!std::isfinite(v))
            return;
    if (xScale2 == 0 || yScale2 == 0)
        return;
    if (std::fabs(xScale) >= 2097152.0f || std::fabs(yScale) >= 2097152.0f)
        return;  // beyond 1/1024 steps in an int, and far beyond any target
    int sx1024 = (int)(xScale * 1024), sy1024 = (int)(yScale * 1024);
    double a = angle;
    if (sx1024 < 0) {
        sx1024 = -sx1024;
        xScale = -xScale;
        a += 180;
    }
    if (sy1024 < 0) {
        sy1024 = -sy1024;
        yScale = -yScale;
        a += 180;
    }
    if (sx1024 == 0 || sy1024 == 0)
        return;
    a = std::fmod(a, 360.0);
    if (a < 0)
        a += 360;
    int e = (int)(a * 8) % 2880;
    if (e == 0) {
        float xs = xScale * xScale2, ys = yScale * yScale2;
        BlitScaled(dst, src, rule, x, y, mirrored ? -xs : xs, ys);
        return;
    }
    if (e == 1440) {
        float xs = xScale * xScale2, ys = yScale * yScale2;
        BlitScaled(dst, src, rule, x, y, mirrored ? xs : -xs, -ys);
        return;
    }
    BlitDispatch(rule, [&](const auto &r) {
        BlitWalkRotated(dst, src, x, y, e, sx1024, sy1024, xScale, yScale, xScale2, yScale2, mirrored, r);
    });
}

namespace {
struct SprBlitJob {
    BlitTarget dst;
    BlitSource src;
    BlitRule rule;
};
}

// Gathers target, source and colour table of one draw. A slot outside the set
// stops the program through the set's slot check; anything else that cannot
// be drawn (another target depth, an image that is not 8-bit, no palette for
// a rule that needs colours) draws nothing.
static bool SprBlitBegin(SprSet *set, int index, int kind, SprBlitJob *job)
{
    if (!set)
        return false;
    const SprImage *img = SprSetImageAt(set, index);
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

static void SprBlitPlainKind(SprSet *set, int index, int x, int y, int flip, int kind, int colour = 0,
                             int srcAlpha = 256, int dstAlpha = 0)
{
    SprBlitJob job;
    if (!SprBlitBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitPlain(&job.dst, &job.src, &job.rule, x, y, flip);
}

static void SprBlitSizedKind(SprSet *set, int index, float x, float y, float width, float height, int flip,
                             int kind, int colour = 0, int srcAlpha = 256, int dstAlpha = 0)
{
    SprBlitJob job;
    if (!SprBlitBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitStretched(&job.dst, &job.src, &job.rule, x, y, width, height, flip);
}

static void SprBlitRotatedKind(SprSet *set, int index, float x, float y, float angle, float xs, float ys,
                               float xs2, float ys2, int mirrored, int kind, int colour = 0, int srcAlpha = 256,
                               int dstAlpha = 0)
{
    SprBlitJob job;
    if (!SprBlitBegin(set, index, kind, &job))
        return;
    job.rule.colour = colour;
    job.rule.srcAlpha = srcAlpha;
    job.rule.dstAlpha = dstAlpha;
    BlitRotated(&job.dst, &job.src, &job.rule, x, y, angle, xs, ys, xs2, ys2, mirrored);
}

enum { FH = BLIT_FLIP_H, FV = BLIT_FLIP_V, FHV = BLIT_FLIP_H | BLIT_FLIP_V };

void SprBlitMasked(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, 0, BLIT_MASKED); }
void SprBlitMaskedH(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FH, BLIT_MASKED); }
void SprBlitMaskedV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FV, BLIT_MASKED); }
void SprBlitMaskedHV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FHV, BLIT_MASKED); }
void SprBlitOpaque(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, 0, BLIT_OPAQUE); }
void SprBlitSilhouette(SprSet *s, int i, int x, int y, int c) { SprBlitPlainKind(s, i, x, y, 0, BLIT_SILHOUETTE, c); }
void SprBlitSilhouette16(SprSet *, int, int, int, int) {}
void SprBlitAdd(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, 0, BLIT_ADD); }
void SprBlitAddH(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FH, BLIT_ADD); }
void SprBlitAddV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FV, BLIT_ADD); }
void SprBlitAddHV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FHV, BLIT_ADD); }
void SprBlitAlpha(SprSet *s, int i, int x, int y, int a, int b) { SprBlitPlainKind(s, i, x, y, 0, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaH(SprSet *s, int i, int x, int y, int a, int b) { SprBlitPlainKind(s, i, x, y, FH, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaV(SprSet *s, int i, int x, int y, int a, int b) { SprBlitPlainKind(s, i, x, y, FV, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaHV(SprSet *s, int i, int x, int y, int a, int b) { SprBlitPlainKind(s, i, x, y, FHV, BLIT_ALPHA, 0, a, b); }
void SprBlitSub(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, 0, BLIT_SUB); }
void SprBlitSubH(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FH, BLIT_SUB); }
void SprBlitSubV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FV, BLIT_SUB); }
void SprBlitSubHV(SprSet *s, int i, int x, int y) { SprBlitPlainKind(s, i, x, y, FHV, BLIT_SUB); }

void SprBlitScaled(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_MASKED); }
void SprBlitScaledH(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FH, BLIT_MASKED); }
void SprBlitScaledV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FV, BLIT_MASKED); }
void SprBlitScaledHV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FHV, BLIT_MASKED); }
void SprBlitScaledOpaque(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_OPAQUE); }
void SprBlitAddScaled(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_ADD); }
void SprBlitAddScaledH(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FH, BLIT_ADD); }
void SprBlitAddScaledV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FV, BLIT_ADD); }
void SprBlitAddScaledHV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FHV, BLIT_ADD); }
void SprBlitAlphaScaled(SprSet *s, int i, float x, float y, float w, float h, int a, int b) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaScaledH(SprSet *s, int i, float x, float y, float w, float h, int a, int b) { SprBlitSizedKind(s, i, x, y, w, h, FH, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaScaledV(SprSet *s, int i, float x, float y, float w, float h, int a, int b) { SprBlitSizedKind(s, i, x, y, w, h, FV, BLIT_ALPHA, 0, a, b); }
void SprBlitAlphaScaledHV(SprSet *s, int i, float x, float y, float w, float h, int a, int b) { SprBlitSizedKind(s, i, x, y, w, h, FHV, BLIT_ALPHA, 0, a, b); }
void SprBlitSubScaled(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_SUB); }
void SprBlitSubScaledH(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FH, BLIT_SUB); }
void SprBlitSubScaledV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FV, BLIT_SUB); }
void SprBlitSubScaledHV(SprSet *s, int i, float x, float y, float w, float h) { SprBlitSizedKind(s, i, x, y, w, h, FHV, BLIT_SUB); }
void SprBlitShadeScaled(SprSet *s, int i, float x, float y, float w, float h, int c) { SprBlitSizedKind(s, i, x, y, w, h, 0, BLIT_SHADE, c); }
void SprBlitShadeScaledH(SprSet *s, int i, float x, float y, float w, float h, int c) { SprBlitSizedKind(s, i, x, y, w, h, FH, BLIT_SHADE, c); }
void SprBlitShadeScaledV(SprSet *s, int i, float x, float y, float w, float h, int c) { SprBlitSizedKind(s, i, x, y, w, h, FV, BLIT_SHADE, c); }
void SprBlitShadeScaledHV(SprSet *s, int i, float x, float y, float w, float h, int c) { SprBlitSizedKind(s, i, x, y, w, h, FHV, BLIT_SHADE, c); }

void SprBlitRotated(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 0, BLIT_MASKED);
}
void SprBlitRotatedMirror(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 1, BLIT_MASKED);
}
void SprBlitAddRotated(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 0, BLIT_ADD);
}
void SprBlitAddRotatedMirror(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 1, BLIT_ADD);
}
void SprBlitAlphaRotated(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int sa, int da)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 0, BLIT_ALPHA, 0, sa, da);
}
void SprBlitAlphaRotatedMirror(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2,
                               float ys2, int sa, int da)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 1, BLIT_ALPHA, 0, sa, da);
}
void SprBlitSubRotated(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 0, BLIT_SUB);
}
void SprBlitSubRotatedMirror(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 1, BLIT_SUB);
}
void SprBlitShadeRotated(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2, float ys2,
                         int c)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 0, BLIT_SHADE, c);
}
void SprBlitShadeRotatedMirror(SprSet *s, int i, float x, float y, float a, float xs, float ys, float xs2,
                               float ys2, int c)
{
    SprBlitRotatedKind(s, i, x, y, a, xs, ys, xs2, ys2, 1, BLIT_SHADE, c);
}
