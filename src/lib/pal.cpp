// Palettes of 8-bit images, their palette effects, the global effect and the cached RGB565 tables.
#include "lib/pal.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "lib/libbase.h"
#include "lib/vfile.h"
#include "platform/pfile.h"

static int palMode = 0;
static int palConvertCount = 0;
static PalFxGlobal *palGlobal = nullptr;

static int ClampByte(int64_t v)
{
    return v < 0 ? 0 : v > 255 ? 255 : (int)v;
}

static int ClampCount(int count)
{
    return count < 0 ? 0 : count > PAL_MAX_COLORS ? PAL_MAX_COLORS : count;
}

static inline uint16_t Pack565(int r, int g, int b)
{
    return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

int PalColor565(int r, int g, int b)
{
    auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return Pack565(clamp(r), clamp(g), clamp(b));
}

static inline int Grey(int r, int g, int b)
{
    return (5 * r + 7 * g + 4 * b) >> 4;
}

int PalModeSet(int mode)
{
    if (mode < 0 || mode > 2)
        return 0;
    palMode = mode;
    return 1;
}

int PalModeGet()
{
    return palMode;
}

int PalConvertCount()
{
    return palConvertCount;
}

void PalFxParamsInit(PalFxParams *p)
{
    p->color = 256;
    p->addR = p->addG = p->addB = 0;
    p->mulR = p->mulG = p->mulB = 256;
    p->reserved = 0;
    p->invert = 0;
}

void PalFxParamsCopy(PalFxParams *dest, const PalFxParams *src)
{
    *dest = *src;
}

int PalFxParamsEqual(const PalFxParams *a, const PalFxParams *b)
{
    return a->color == b->color && a->addR == b->addR && a->addG == b->addG && a->addB == b->addB &&
           a->mulR == b->mulR && a->mulG == b->mulG && a->mulB == b->mulB &&
           a->reserved == b->reserved && a->invert == b->invert;
}

static int MulTerm(int a, int b)
{
    return ClampInt((int64_t)a * b / 256);
}

void PalFxParamsCombine(PalFxParams *out, const PalFxParams *a, const PalFxParams *b)
{
    PalFxParams r;
    r.color = MulTerm(a->color, b->color);
    r.addR = ClampInt((int64_t)a->addR + b->addR);
    r.addG = ClampInt((int64_t)a->addG + b->addG);
    r.addB = ClampInt((int64_t)a->addB + b->addB);
    r.mulR = MulTerm(a->mulR, b->mulR);
    r.mulG = MulTerm(a->mulG, b->mulG);
    r.mulB = MulTerm(a->mulB, b->mulB);
    r.reserved = 0;
    r.invert = (a->invert || b->invert) ? 1 : 0;
    *out = r;
}

static int ParamsNeutral(const PalFxParams *p)
{
    PalFxParams n;
    PalFxParamsInit(&n);
    return PalFxParamsEqual(p, &n);
}

static inline int FxChannel(int64_t mul, int64_t add, int64_t ch)
{
    if (mul < 0)
        mul = 0;
    int64_t v = mul * (add + ch);
    if (v < 0)
        return 0;
    if (v < 65536)
        return (int)(v >> 8);
    return 255;
}

static uint16_t FxColor(int r, int g, int b, const PalFxParams *fx)
{
    int h = fx->invert ? 255 : 0;
    if (fx->mulR == 256 && fx->mulG == 256 && fx->mulB == 256 && fx->color == 256)
        return Pack565(ClampByte((int64_t)fx->addR + (r ^ h)), ClampByte((int64_t)fx->addG + (g ^ h)),
                       ClampByte((int64_t)fx->addB + (b ^ h)));
    int amount = fx->color;
    if (amount <= 0) {
        r = g = b = Grey(r, g, b);
    } else if (amount < 256) {
        int grey = Grey(r, g, b);
        r = (amount * r + (256 - amount) * grey) >> 8;
        g = (amount * g + (256 - amount) * grey) >> 8;
        b = (amount * b + (256 - amount) * grey) >> 8;
    }
    r ^= h;
    g ^= h;
    b ^= h;
    return Pack565(FxChannel(fx->mulR, fx->addR, r), FxChannel(fx->mulG, fx->addG, g),
                   FxChannel(fx->mulB, fx->addB, b));
}

void PalRgbTo565Fx(const unsigned char *data, const PalFxParams *fx, uint16_t *table, int first, int last)
{
    if (!data)
        return;
    for (int i = first; i <= last; i++) {
        const unsigned char *c = data + 4 * i;
        table[i] = FxColor(c[0], c[1], c[2], fx);
    }
}

void PalRgbTo565(const unsigned char *data, uint16_t *table, int first, int last)
{
    if (!data)
        return;
    for (int i = first; i <= last; i++) {
        const unsigned char *c = data + 4 * i;
        table[i] = Pack565(c[0], c[1], c[2]);
    }
}

int PalInit(Palette *pal, int count, const unsigned char *data, int copy)
{
    memset(pal, 0, sizeof *pal);
    PalFxParamsInit(&pal->fx);
    PalFxParamsInit(&pal->fxPrev);
    pal->flags = PAL_FLAG_NEUTRAL;
    // A fresh palette takes the global effect at its first use whatever the serial.
    pal->serialSeen = -1;
    pal->count = ClampCount(count);
    if (copy) {
        unsigned char *block = (unsigned char *)LibCalloc(PAL_MAX_COLORS, 4);
        if (!block)
            return 0;
        if (data)
            memcpy(block, data, (size_t)pal->count * 4);
        pal->data = block;
        pal->ownsData = 1;
    } else {
        pal->data = const_cast<unsigned char *>(data);
    }
    if (pal->count > 0)
        PalRgbTo565(pal->data, pal->table, 0, pal->count - 1);
    return 1;
}

void PalFree(Palette *pal)
{
    if (!pal)
        return;
    if (pal->ownsData)
        MemFree(pal->data);
    pal->data = nullptr;
    pal->ownsData = 0;
}

int PalCopy(Palette *dest, const Palette *src, int copy)
{
    *dest = *src;
    dest->ownsData = 0;
    if (copy) {
        unsigned char *block = (unsigned char *)LibCalloc(PAL_MAX_COLORS, 4);
        if (!block) {
            dest->data = nullptr;
            return 0;
        }
        if (src->data)
            memcpy(block, src->data, (size_t)ClampCount(src->count) * 4);
        dest->data = block;
        // The fresh block belongs to the copy, or nothing would ever free it.
        dest->ownsData = 1;
    }
    return 1;
}

void PalFxReset(Palette *pal)
{
    if (pal->flags & PAL_FLAG_NEUTRAL)
        return;
    PalFxParamsInit(&pal->fx);
    pal->flags |= PAL_FLAG_RECOMPUTE | PAL_FLAG_NEUTRAL;
}

const uint16_t *PalColorsGet(Palette *pal)
{
    int serial = palGlobal ? palGlobal->serial : 0;
    int combine = palMode == 0 && palGlobal;
    int convert;
    if (combine && pal->serialSeen != serial) {
        convert = 1;
    } else if (pal->flags & PAL_FLAG_DATA) {
        convert = 1;
    } else if (pal->flags & PAL_FLAG_RECOMPUTE) {
        convert = !PalFxParamsEqual(&pal->fx, &pal->fxPrev);
    } else {
        return pal->table;
    }
    if (convert) {
        // In the combined mode every conversion carries the global effect, also
        // when only the palette's own effect changed.
        PalFxParams fx;
        if (combine)
            PalFxParamsCombine(&fx, &palGlobal->cur, &pal->fx);
        else
            fx = pal->fx;
        int n = ClampCount(pal->count);
        if (n > 0)
            PalRgbTo565Fx(pal->data, &fx, pal->table, 0, n - 1);
        pal->fxPrev = pal->fx;
        palConvertCount++;
    }
    pal->flags &= ~(PAL_FLAG_RECOMPUTE | PAL_FLAG_DATA);
    pal->serialSeen = serial;
    return pal->table;
}

int PalDataSet(Palette *pal, int count, unsigned char *data)
{
    if (pal->ownsData)
        return 0;
    if (count != -1)
        pal->count = ClampCount(count);
    if (data != pal->data) {
        pal->data = data;
        pal->flags |= PAL_FLAG_DATA;
    }
    return 1;
}

unsigned char *PalDataGet(const Palette *pal)
{
    return pal->data;
}

int PalCountGet(const Palette *pal)
{
    return pal->count;
}

void PalDirtyMark(Palette *pal)
{
    pal->flags |= PAL_FLAG_DATA;
}

void PalTableRebuild(Palette *pal)
{
    int n = ClampCount(pal->count);
    if (n > 0)
        PalRgbTo565(pal->data, pal->table, 0, n - 1);
    pal->flags &= ~PAL_FLAG_RECOMPUTE;
}

static void FxTouched(Palette *pal)
{
    pal->flags &= ~PAL_FLAG_NEUTRAL;
    pal->flags |= PAL_FLAG_RECOMPUTE;
}

void PalFxAdd(Palette *pal, int r, int g, int b)
{
    if (r == 0 && g == 0 && b == 0)
        return;
    pal->fx.addR = ClampInt((int64_t)pal->fx.addR + r);
    pal->fx.addG = ClampInt((int64_t)pal->fx.addG + g);
    pal->fx.addB = ClampInt((int64_t)pal->fx.addB + b);
    FxTouched(pal);
}

void PalFxMul(Palette *pal, int r, int g, int b)
{
    if (r == 256 && g == 256 && b == 256)
        return;
    pal->fx.mulR = MulTerm(pal->fx.mulR, r);
    pal->fx.mulG = MulTerm(pal->fx.mulG, g);
    pal->fx.mulB = MulTerm(pal->fx.mulB, b);
    FxTouched(pal);
}

void PalFxInvertToggle(Palette *pal, int flag)
{
    if (!flag)
        return;
    pal->fx.invert = !pal->fx.invert;
    FxTouched(pal);
}

void PalFxColorMul(Palette *pal, int a)
{
    if (a == 256)
        return;
    pal->fx.color = MulTerm(pal->fx.color, a);
    FxTouched(pal);
}

int PalFxGlobalInit()
{
    if (!palGlobal) {
        palGlobal = (PalFxGlobal *)LibCalloc(1, sizeof *palGlobal);
        if (!palGlobal)
            return 0;
    }
    PalFxParamsInit(&palGlobal->cur);
    PalFxParamsInit(&palGlobal->prev);
    palGlobal->changed = 0;
    palGlobal->neutral = 1;
    return 1;
}

void PalFxGlobalFree()
{
    MemFree(palGlobal);
    palGlobal = nullptr;
}

const PalFxGlobal *PalFxGlobalGet()
{
    return palGlobal;
}

void PalFxGlobalReset()
{
    if (!palGlobal)
        return;
    PalFxParamsInit(&palGlobal->cur);
    palGlobal->changed = 1;
    palGlobal->neutral = 1;
}

static void GlobalSet(int *field, int value)
{
    if (*field != value) {
        *field = value;
        palGlobal->changed = 1;
        palGlobal->neutral = 0;
    }
}

void PalFxGlobalAddSet(int r, int g, int b)
{
    if (!palGlobal)
        return;
    GlobalSet(&palGlobal->cur.addR, r);
    GlobalSet(&palGlobal->cur.addG, g);
    GlobalSet(&palGlobal->cur.addB, b);
}

void PalFxGlobalMulSet(int r, int g, int b)
{
    if (!palGlobal)
        return;
    GlobalSet(&palGlobal->cur.mulR, r);
    GlobalSet(&palGlobal->cur.mulG, g);
    GlobalSet(&palGlobal->cur.mulB, b);
}

void PalFxGlobalInvertSet(int value)
{
    if (palGlobal)
        GlobalSet(&palGlobal->cur.invert, value);
}

void PalFxGlobalColorSet(int value)
{
    if (palGlobal)
        GlobalSet(&palGlobal->cur.color, value);
}

void PalFxGlobalCommit()
{
    if (!palGlobal || !palGlobal->changed)
        return;
    if (PalFxParamsEqual(&palGlobal->cur, &palGlobal->prev))
        palGlobal->changed = 0;
    else
        palGlobal->serial++;
}

void PalFxGlobalSave()
{
    if (!palGlobal || !palGlobal->changed)
        return;
    palGlobal->prev = palGlobal->cur;
    palGlobal->changed = 0;
}

uint16_t PalFxColor565(uint16_t color)
{
    if (!palGlobal || palGlobal->neutral || ParamsNeutral(&palGlobal->cur))
        return color;
    int r = (color >> 11) << 3;
    int g = ((color >> 5) & 63) << 2;
    int b = (color & 31) << 3;
    return FxColor(r, g, b, &palGlobal->cur);
}

static inline int MulChannel(int ch, int factor)
{
    int64_t v = (int64_t)ch * factor;
    if (v < 0)
        return 0;
    return v >= 65536 ? 255 : (int)(v >> 8);
}

void PalRgbMul(const unsigned char *src, unsigned char *dest, int r, int g, int b, int first, int last)
{
    if (r == 256 && g == 256 && b == 256) {
        PalRgbCopy(src, dest, first, last);
        return;
    }
    for (int i = first; i <= last; i++) {
        const unsigned char *s = src + 4 * i;
        unsigned char *d = dest + 4 * i;
        d[0] = (unsigned char)MulChannel(s[0], r);
        d[1] = (unsigned char)MulChannel(s[1], g);
        d[2] = (unsigned char)MulChannel(s[2], b);
        d[3] = s[3];
    }
}

void PalRgbScale(const unsigned char *src, unsigned char *dest, int factor, int first, int last)
{
    PalRgbMul(src, dest, factor, factor, factor, first, last);
}

void PalRgbAdd(const unsigned char *src, unsigned char *dest, int r, int g, int b, int first, int last)
{
    if (r == 0 && g == 0 && b == 0) {
        PalRgbCopy(src, dest, first, last);
        return;
    }
    for (int i = first; i <= last; i++) {
        const unsigned char *s = src + 4 * i;
        unsigned char *d = dest + 4 * i;
        d[0] = (unsigned char)ClampByte((int64_t)s[0] + r);
        d[1] = (unsigned char)ClampByte((int64_t)s[1] + g);
        d[2] = (unsigned char)ClampByte((int64_t)s[2] + b);
        d[3] = s[3];
    }
}

void PalRgbAddAll(const unsigned char *src, unsigned char *dest, int value, int first, int last)
{
    PalRgbAdd(src, dest, value, value, value, first, last);
}

void PalRgbGrey(const unsigned char *src, unsigned char *dest, int amount, int first, int last)
{
    if (amount < 0 || amount > 255) {
        PalRgbCopy(src, dest, first, last);
        return;
    }
    for (int i = first; i <= last; i++) {
        const unsigned char *s = src + 4 * i;
        unsigned char *d = dest + 4 * i;
        int grey = Grey(s[0], s[1], s[2]);
        for (int c = 0; c < 3; c++)
            d[c] = (unsigned char)(amount == 0 ? grey : (amount * s[c] + (256 - amount) * grey) / 256);
        d[3] = s[3];
    }
}

void PalRgbInvert(const unsigned char *src, unsigned char *dest, int first, int last)
{
    for (int i = first; i <= last; i++) {
        const unsigned char *s = src + 4 * i;
        unsigned char *d = dest + 4 * i;
        d[0] = (unsigned char)(255 - s[0]);
        d[1] = (unsigned char)(255 - s[1]);
        d[2] = (unsigned char)(255 - s[2]);
        d[3] = s[3];
    }
}

void PalRgbCopy(const unsigned char *src, unsigned char *dest, int first, int last)
{
    if (last < first || src == dest)
        return;
    memmove(dest + 4 * first, src + 4 * first, (size_t)(last - first + 1) * 4);
}

void PalRgbSet(unsigned char *data, int index, int r, int g, int b)
{
    unsigned char *d = data + 4 * index;
    d[0] = (unsigned char)r;
    d[1] = (unsigned char)g;
    d[2] = (unsigned char)b;
}

void PalRgbToRgba(const unsigned char *rgb, unsigned char *rgba, int count, int firstClear)
{
    for (int i = 0; i < count; i++) {
        rgba[4 * i] = rgb[3 * i];
        rgba[4 * i + 1] = rgb[3 * i + 1];
        rgba[4 * i + 2] = rgb[3 * i + 2];
        rgba[4 * i + 3] = (firstClear && i == 0) ? 0 : 255;
    }
}

// Fills from the last colour to the first, as the file stores them; returns
// 0 at the first triple that is not whole.
static int ActFill(unsigned char *rgba, const unsigned char *bytes, size_t length)
{
    for (int i = 0; i < PAL_MAX_COLORS; i++) {
        if ((size_t)(i + 1) * 3 > length)
            return 0;
        unsigned char *d = rgba + 4 * (255 - i);
        d[0] = bytes[3 * i];
        d[1] = bytes[3 * i + 1];
        d[2] = bytes[3 * i + 2];
    }
    return 1;
}

int PalActLoad(unsigned char *rgba, const char *path)
{
    FILE *f = PlatFileOpen(path, "rb");
    if (!f)
        return 0;
    unsigned char bytes[768];
    size_t got = fread(bytes, 1, sizeof bytes, f);
    fclose(f);
    return ActFill(rgba, bytes, got);
}

int PalActRead(unsigned char *rgba, VFile *f)
{
    if (!f)
        return 0;
    unsigned char bytes[768];
    size_t got = 0;
    int c;
    while (got < sizeof bytes && (c = VFileGetc(f)) != -1)
        bytes[got++] = (unsigned char)c;
    if (f->kind != VFILE_ZIP)
        VFileClose(f);
    return ActFill(rgba, bytes, got);
}
