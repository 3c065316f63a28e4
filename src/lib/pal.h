// Palettes of 8-bit images, their palette effects, the global effect and the cached RGB565 tables.
#pragma once
#include <cstdint>

struct VFile;

// One palette effect. Neutral values: colour 256, add 0, mul 256, invert 0.
struct PalFxParams {
    int color;              // 256 full colour, 0 grey, between a mix
    int addR, addG, addB;   // added to each channel
    int mulR, mulG, mulB;   // 256 = 1.0
    int reserved;           // stays 0
    int invert;             // nonzero: channels inverted
};

enum {
    PAL_FLAG_RECOMPUTE = 1,   // an effect changed
    PAL_FLAG_DATA = 2,        // the colour data changed
    PAL_FLAG_NEUTRAL = 4,     // the own effect is neutral
    PAL_MAX_COLORS = 256,
};

struct Palette {
    int count;                // colours in use, 0..256
    int ownsData;             // 1 when the palette allocated its colour data
    unsigned char *data;      // RGBA, 4 bytes per colour (the fourth is not drawn)
    PalFxParams fx;           // current own effect
    PalFxParams fxPrev;       // the effect of the last table computation
    int flags;                // PAL_FLAG_*
    int serialSeen;           // global change serial at the last computation
    uint16_t table[PAL_MAX_COLORS];
};

// The program's one global effect (fades, flashes).
struct PalFxGlobal {
    PalFxParams cur;
    PalFxParams prev;
    int changed;
    int serial;
    int neutral;
};

// Palette composition mode 0..2: in mode 0 the global effect is combined into
// every palette table; other modes leave it out. The graphics base sets it.
int PalModeSet(int mode);
int PalModeGet();
// Number of table conversions made so far (each palette conversion adds one).
int PalConvertCount();

int PalInit(Palette *pal, int count, const unsigned char *data, int copy);
void PalFree(Palette *pal);
int PalCopy(Palette *dest, const Palette *src, int copy);
void PalFxReset(Palette *pal);
const uint16_t *PalColorsGet(Palette *pal);
int PalDataSet(Palette *pal, int count, unsigned char *data);
unsigned char *PalDataGet(const Palette *pal);
int PalCountGet(const Palette *pal);
void PalDirtyMark(Palette *pal);
void PalTableRebuild(Palette *pal);

void PalFxParamsInit(PalFxParams *p);
void PalFxParamsCopy(PalFxParams *dest, const PalFxParams *src);
int PalFxParamsEqual(const PalFxParams *a, const PalFxParams *b);
void PalFxParamsCombine(PalFxParams *out, const PalFxParams *a, const PalFxParams *b);

void PalFxAdd(Palette *pal, int r, int g, int b);
void PalFxMul(Palette *pal, int r, int g, int b);
void PalFxInvertToggle(Palette *pal, int flag);
void PalFxColorMul(Palette *pal, int a);

int PalFxGlobalInit();
void PalFxGlobalFree();
// The global record, null before PalFxGlobalInit.
const PalFxGlobal *PalFxGlobalGet();
void PalFxGlobalReset();
void PalFxGlobalAddSet(int r, int g, int b);
void PalFxGlobalMulSet(int r, int g, int b);
void PalFxGlobalInvertSet(int value);
void PalFxGlobalColorSet(int value);
void PalFxGlobalCommit();
void PalFxGlobalSave();
uint16_t PalFxColor565(uint16_t color);
// An 8-bit-per-channel colour from a data file, each channel clamped to 0..255, as RGB565.
int PalColor565(int r, int g, int b);

// Range operations on RGBA colour data; first and last are inclusive entry indexes.
void PalRgbTo565Fx(const unsigned char *data, const PalFxParams *fx, uint16_t *table, int first, int last);
void PalRgbTo565(const unsigned char *data, uint16_t *table, int first, int last);
void PalRgbMul(const unsigned char *src, unsigned char *dest, int r, int g, int b, int first, int last);
void PalRgbScale(const unsigned char *src, unsigned char *dest, int factor, int first, int last);
void PalRgbAdd(const unsigned char *src, unsigned char *dest, int r, int g, int b, int first, int last);
void PalRgbAddAll(const unsigned char *src, unsigned char *dest, int value, int first, int last);
void PalRgbGrey(const unsigned char *src, unsigned char *dest, int amount, int first, int last);
void PalRgbInvert(const unsigned char *src, unsigned char *dest, int first, int last);
void PalRgbCopy(const unsigned char *src, unsigned char *dest, int first, int last);
void PalRgbSet(unsigned char *data, int index, int r, int g, int b);
// RGB triples to RGBA entries with alpha 255; the first entry's alpha 0 when firstClear.
void PalRgbToRgba(const unsigned char *rgb, unsigned char *rgba, int count, int firstClear);

// Reads an .act file (256 RGB triples, last colour first) into bytes 0-2 of a
// 256-entry RGBA buffer; 0 when it cannot be opened or is short.
int PalActLoad(unsigned char *rgba, const char *path);
// The same from an open virtual file, which is closed afterwards unless it is a zip entry.
int PalActRead(unsigned char *rgba, VFile *f);
