// Sprite blitters: 8-bit indexed images through a colour table onto a 16-bit RGB565 target.
#include "lib/blit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The channel arithmetic, inlined into every walker through the pixel rules.
static inline uint16_t Add565(uint16_t t, uint16_t s)
{
    int r = std::min(0xF800, (t & 0xF800) + (s & 0xF800));
    int g = std::min(0x07E0, (t & 0x07E0) + (s & 0x07E0));
    int b = std::min(0x001F, (t & 0x001F) + (s & 0x001F));
    return (uint16_t)(r | g | b);
}

static inline uint16_t Sub565(uint16_t t, uint16_t s)
{
    int r = std::max(0, (t & 0xF800) - (s & 0xF800));
    int g = std::max(0, (t & 0x07E0) - (s & 0x07E0));
    int b = std::max(0, (t & 0x001F) - (s & 0x001F));
    return (uint16_t)(r | g | b);
}

static inline uint16_t Scale565(uint16_t c, int k)
{
    int r = (((c >> 11) & 31) * k >> 8) & 31;
    int g = (((c >> 5) & 63) * k >> 8) & 63;
    int b = ((c & 31) * k >> 8) & 31;
    return (uint16_t)(r << 11 | g << 5 | b);
}

uint16_t Blit565Add(uint16_t t, uint16_t s)
{
    return Add565(t, s);
}

uint16_t Blit565Sub(uint16_t t, uint16_t s)
{
    return Sub565(t, s);
}

uint16_t Blit565Scale(uint16_t c, int k)
{
    return Scale565(c, k);
}

namespace {

// Target-side scaling of one draw: each channel's scaled value, already in
// place, so that a pixel costs three lookups instead of three multiplications.
struct ScaleTables {
    int k;
    uint16_t r[32], g[64], b[32];
    explicit ScaleTables(int factor) : k(factor)
    {
        for (int v = 0; v < 32; v++) {
            r[v] = (uint16_t)(((v * k >> 8) & 31) << 11);
            b[v] = (uint16_t)((v * k >> 8) & 31);
        }
        for (int v = 0; v < 64; v++)
            g[v] = (uint16_t)(((v * k >> 8) & 63) << 5);
    }
    uint16_t operator()(uint16_t c) const { return (uint16_t)(r[c >> 11] | g[(c >> 5) & 63] | b[c & 31]); }
};

// Row applications for upscaled draws: n target pixels, each with the source
// colour c the rule works with and keep = 0xFFFF where the source pixel draws
// nothing (c is 0 there).
void ApplyReplace(uint16_t *__restrict d, const uint16_t *__restrict c, const uint16_t *__restrict keep, int n)
{
    int i = 0;
#ifdef __SSE2__
    for (; i + 8 <= n; i += 8) {
        __m128i t = _mm_loadu_si128((const __m128i *)(d + i));
        __m128i k = _mm_loadu_si128((const __m128i *)(keep + i));
        __m128i s = _mm_loadu_si128((const __m128i *)(c + i));
        _mm_storeu_si128((__m128i *)(d + i), _mm_or_si128(_mm_and_si128(t, k), s));
    }
#endif
    for (; i < n; i++)
        d[i] = (uint16_t)((d[i] & keep[i]) | c[i]);
}

void ApplyDarken(uint16_t *__restrict d, const uint16_t *__restrict keep, int n, const ScaleTables &scale)
{
    int i = 0;
#ifdef __SSE2__
    // Each channel times k (at most 63 x 256) fits a 16-bit lane.
    __m128i k = _mm_set1_epi16((short)scale.k);
    __m128i m5 = _mm_set1_epi16(31), m6 = _mm_set1_epi16(63);
    for (; i + 8 <= n; i += 8) {
        __m128i t = _mm_loadu_si128((const __m128i *)(d + i));
        __m128i kp = _mm_loadu_si128((const __m128i *)(keep + i));
        __m128i r = _mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(t, 11), k), 8);
        __m128i g = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(t, 5), m6), k), 8);
        __m128i b = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(t, m5), k), 8);
        __m128i out = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(r, m5), 11),
                                   _mm_or_si128(_mm_slli_epi16(_mm_and_si128(g, m6), 5), _mm_and_si128(b, m5)));
        _mm_storeu_si128((__m128i *)(d + i), _mm_or_si128(_mm_and_si128(kp, t), _mm_andnot_si128(kp, out)));
    }
#endif
    for (; i < n; i++)
        if (!keep[i])
            d[i] = scale(d[i]);
}

// Pixel rules: what one source pixel value does to one target pixel. For
// upscaled draws a rule also says whether a pixel value draws, which colour
// it brings, and how a row of such colours is applied.
struct RuleMasked {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    const uint16_t *table;
    // Without a branch: sprites mix transparent and drawn pixels too finely
    // for a prediction to hold at their edges.
    void operator()(uint16_t *d, uint8_t v) const
    {
        uint16_t keep = (uint16_t)-(v == 0);
        *d = (uint16_t)((*d & keep) | (table[v] & ~keep));
    }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t v) const { return table[v]; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const { ApplyReplace(d, c, keep, n); }
};
struct RuleOpaque {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = true;
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { *d = table[v]; }
    bool Draws(uint8_t) const { return true; }
    uint16_t Colour(uint8_t v) const { return table[v]; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const { ApplyReplace(d, c, keep, n); }
};
struct RuleSilhouette {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    uint16_t colour;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = colour; }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t) const { return colour; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const { ApplyReplace(d, c, keep, n); }
};
struct RuleAdd {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Add565(*d, table[v]); }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t v) const { return table[v]; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const
    {
        for (int i = 0; i < n; i++)
            if (!keep[i])
                d[i] = Add565(d[i], c[i]);
    }
};
struct RuleSub {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    const uint16_t *table;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Sub565(*d, table[v]); }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t v) const { return table[v]; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const
    {
        for (int i = 0; i < n; i++)
            if (!keep[i])
                d[i] = Sub565(d[i], c[i]);
    }
};
struct RuleShade {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    uint16_t colour;
    void operator()(uint16_t *d, uint8_t v) const { if (v) *d = Sub565(*d, colour); }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t) const { return colour; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const
    {
        for (int i = 0; i < n; i++)
            if (!keep[i])
                d[i] = Sub565(d[i], c[i]);
    }
};
// The source side is already scaled by its alpha (one table per draw).
struct RuleAlpha {
    static constexpr bool usesColour = true;
    static constexpr bool drawsZero = false;
    const uint16_t *scaled;
    const ScaleTables *dst;
    void operator()(uint16_t *d, uint8_t v) const
    {
        if (v)
            *d = Add565(scaled[v], (*dst)(*d));
    }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t v) const { return scaled[v]; }
    void Apply(uint16_t *d, const uint16_t *c, const uint16_t *keep, int n) const
    {
        for (int i = 0; i < n; i++)
            if (!keep[i])
                d[i] = Add565(c[i], (*dst)(d[i]));
    }
};
// Alpha with a source alpha of 0: adding the zero source colour changes
// nothing, so only the target is scaled (a shadow's darkening).
struct RuleDarken {
    static constexpr bool usesColour = false;
    static constexpr bool drawsZero = false;
    const ScaleTables *dst;
    void operator()(uint16_t *d, uint8_t v) const
    {
        if (v)
            *d = (*dst)(*d);
    }
    bool Draws(uint8_t v) const { return v != 0; }
    uint16_t Colour(uint8_t) const { return 0; }
    void Apply(uint16_t *d, const uint16_t *, const uint16_t *keep, int n) const { ApplyDarken(d, keep, n, *dst); }
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
        } else if (a == 0 && b != 256) {
            ScaleTables dstScale(b);
            walk(RuleDarken{&dstScale});
        } else if (!(a == 0 && b == 256)) {
            // Every entry is scaled, whatever the palette's colour count, so
            // no pixel value can read an unset entry.
            uint16_t scaled[256];
            for (int v = 0; v < 256; v++)
                scaled[v] = Scale565(table[v], a);
            if (b == 0) {
                walk(RuleMasked{scaled});
            } else {
                ScaleTables dstScale(b);
                walk(RuleAlpha{scaled, &dstScale});
            }
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
static void BlitWalkPlain(const BlitTarget *dst, const BlitSource *src, int x, int y, int flip, const R &ruleIn)
{
    const R rule = ruleIn;  // in registers, not read back after every store
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

// Widest visible part of an enlarged draw that goes through row buffers (the
// doubled screen is 640 wide); a wider one is drawn pixel by pixel.
enum { BLIT_ROW_MAX = 1024 };

// A run of target columns (from start, len long) showing one source column.
struct BlitSpan {
    int col;
    int start;
    int len;
};

// Where a row's non-zero pixels lie: its first and last one; false when the
// row has none.
static bool BlitRowExtent(const uint8_t *row, int w, int *first, int *last)
{
    int f = -1, l = -1, i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    auto nonZero = [&](int at) {
        __m128i x = _mm_loadu_si128((const __m128i *)(row + at));
        return ~(unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, zero)) & 0xFFFFu;
    };
    for (; i + 16 <= w && f < 0; i += 16)
        if (unsigned m = nonZero(i))
            f = i + __builtin_ctz(m);
#endif
    for (; i < w && f < 0; i++)
        if (row[i])
            f = i;
    if (f < 0)
        return false;
    int j = w;
#ifdef __SSE2__
    for (; j - 16 >= f && l < 0; j -= 16)
        if (unsigned m = nonZero(j - 16))
            l = j - 16 + 31 - __builtin_clz(m);
#endif
    for (j = j - 1; j >= f && l < 0; j--)
        if (row[j])
            l = j;
    *first = f;
    *last = l;
    return true;
}

template <class R>
static void BlitWalkStretched(const BlitTarget *dst, const BlitSource *src, float x, float y,
                              float width, float height, int flip, const R &ruleIn)
{
    const R rule = ruleIn;
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
    if ((stepY < 65536 || stepX < 65536) && count <= BLIT_ROW_MAX) {
        // Enlarged: a source row is looked up once into a row of colours that
        // every target row showing it takes, applied eight pixels at a time.
        // Every row steps through the same source columns: the runs of
        // target pixels that show one source column are found once.
        bool flipH = (flip & BLIT_FLIP_H) != 0;
        BlitSpan spans[BLIT_ROW_MAX];
        int spanCount = 0;
        i64 p = fx;
        for (int n = 0; n < (int)count; n++, p += stepX) {
            int c = (int)(p >> 16);
            if (flipH)
                c = w - 1 - c;
            if (spanCount && spans[spanCount - 1].col == c)
                spans[spanCount - 1].len++;
            else
                spans[spanCount++] = BlitSpan{c, n, 1};
        }
        uint16_t colour[BLIT_ROW_MAX + 1], keep[BLIT_ROW_MAX + 1];
        i64 shownRow = -1;
        int from = 0, to = -1;  // target columns the shown row draws on
        for (i64 ty = row1; ty <= row2; ty++, fy += stepY) {
            i64 sr = fy >> 16;
            if (flip & BLIT_FLIP_V)
                sr = h - 1 - sr;
            if (sr != shownRow) {
                shownRow = sr;
                const uint8_t *srow = src->pixels + src->rows[sr];
                // Only the runs between the row's first and last drawing
                // pixel matter; around them the row draws nothing.
                int e0 = 0, e1 = w - 1;
                int k0 = 0, k1 = spanCount - 1;
                if (!R::drawsZero && !BlitRowExtent(srow, w, &e0, &e1)) {
                    k0 = 1;
                    k1 = 0;
                } else if (!R::drawsZero) {
                    auto before = [&](const BlitSpan &sp) { return flipH ? sp.col > e1 : sp.col < e0; };
                    auto within = [&](const BlitSpan &sp) { return flipH ? sp.col >= e0 : sp.col <= e1; };
                    k0 = (int)(std::partition_point(spans, spans + spanCount, before) - spans);
                    k1 = (int)(std::partition_point(spans + k0, spans + spanCount, within) - spans) - 1;
                }
                from = 0;
                to = -1;
                if (k0 <= k1) {
                    from = spans[k0].start;
                    to = spans[k1].start + spans[k1].len - 1;
                }
                for (int k = k0; k <= k1; k++) {
                    uint8_t v = srow[spans[k].col];
                    uint16_t kp = (uint16_t)-!rule.Draws(v);
                    int n = spans[k].start, len = spans[k].len;
                    // Up to twice the size every run is one or two pixels:
                    // both are written (the buffers have room for the
                    // second, which the next run overwrites).
                    uint32_t kp2 = kp * 0x10001u;
                    memcpy(keep + n, &kp2, 4);
                    for (int j = 2; j < len; j++)
                        keep[n + j] = kp;
                    if (R::usesColour) {
                        uint16_t c = rule.Colour(v) & (uint16_t)~kp;
                        uint32_t c2 = c * 0x10001u;
                        memcpy(colour + n, &c2, 4);
                        for (int j = 2; j < len; j++)
                            colour[n + j] = c;
                    }
                }
            }
            if (from <= to)
                rule.Apply(BlitTargetRow(dst, ty) + col1 + from, colour + from, keep + from, to - from + 1);
        }
        return;
    }
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
                            int mirrored, const R &ruleIn)
{
    const R rule = ruleIn;
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
