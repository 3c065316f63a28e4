// Sprite sets: images keyed by (group, number), their palettes, and sharing views.
#pragma once
#include "lib/pal.h"

struct Array;

enum {
    SPR_PIXELS_HEAP = 0,     // a heap block
    SPR_PIXELS_BITMAP = 1,   // an Allegro BITMAP (freed with destroy_bitmap)
};

struct SprImage {
    int width;
    int height;
    int xAxis, yAxis;      // the pixel that lands on the draw position
    int bpp;               // 8 indexed, 24 from a 24-bit PCX, else a surface depth
    int colorCount;        // 1 << bpp for bpp <= 8, else 0
    int ownsPixels;
    int pixelKind;         // SPR_PIXELS_*
    int byteLength;
    void *pixels;          // heap block, or the BITMAP for SPR_PIXELS_BITMAP
    int ownsRows;
    int *rows;             // byte offset of each row
    int palIndex;          // slot in the set's palettes, -1 none
};

struct SprSet {
    Array *images;         // SprImage keyed (group, number)
    void *raw;             // a pixel block owned by the set
    Array *pals;           // Palette keyed (0, n) from the sprite file, (1, n - 1) from palette files
    SprSet *source;        // for a view: the root owner whose images it borrows
    int viewCount;         // live views of this set
    Palette *palOverride;  // used by every draw of this set when set
    int version;           // version word of the sprite file
};

int SprBytesPerPixel(int bits);
int SprImageInit(SprImage *img, int kind, void *pixels, int byteLength, int copy, int width, int height, int bpp,
                 int xAxis, int yAxis);
void SprImageFree(SprImage *img);
int SprImageCopy(SprImage *dest, const SprImage *src, int deep);
int SprImageLineTableMake(SprImage *img, int *buffer);
int SprImageLinkPal(SprImage *img, SprSet *set, int k1, int k2);
void SprImageSetAxis(SprImage *img, int x, int y);

SprSet *SprSetCreate(int imageCapacity, int palCapacity);
SprSet *SprSetShare(SprSet *set);
SprSet *SprSetReshare(SprSet *set, SprSet *source);
int SprSetAddImage(SprSet *set, const SprImage *img, int group, int number);
int SprSetAddPal(SprSet *set, const Palette *pal, int k1, int k2);
int SprSetFree(SprSet *set);
int SprSetClear(SprSet *set);

int SprSetFindImage(const SprSet *set, int group, int number);
int SprSetFindPal(const SprSet *set, int k1, int k2);
SprImage *SprSetImageAt(const SprSet *set, int slot);
SprImage *SprSetImageGet(const SprSet *set, int group, int number);
Palette *SprSetPalAt(const SprSet *set, int slot);
Palette *SprSetPalGet(const SprSet *set, int k1, int k2);
Palette *SprSetPalAtReady(const SprSet *set, int slot);
int SprSetPalCopyShared(SprSet *set, int a, int b);
int SprSetImageCount(const SprSet *set);
int SprSetPalCount(const SprSet *set);

void *SprImageDstPixels(const SprSet *set, int slot);
const void *SprImageSrcPixels(const SprSet *set, int slot);
void SprImagePixelsDone(const void *pixels);
