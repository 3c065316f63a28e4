// Drawing targets and primitives: the one software target, its clip, and plain and blended lines and boxes.
#pragma once
#include <cstdint>

#include "lib/blit.h"

struct BITMAP;
struct SprSet;

// The current drawing target. The clip rectangle is inclusive and always
// inside the image.
struct VbufTarget {
    SprSet *set;
    int index;
    int x1, y1, x2, y2;
    int clipWidth, clipHeight;
    int width, height, pixelCount;
    int depth, bytesPerPixel;
    BITMAP *bitmap;        // the image's bitmap when it is of bitmap kind, else null
    uint8_t *pixels;       // pixel base; null while there is no valid target
    const int *rows;       // byte offset of each row
};

extern VbufTarget vbufTarget;

// One-image sprite sets holding a new Allegro bitmap (at the screen depth, or
// the given one); null on failure.
SprSet *VbufSprCreate(int width, int height);
SprSet *VbufSprCreateDepth(int width, int height, int depth);
SprSet *VbufSprSetCreate(int width, int height, int depth, int count);
void VbufSprFree(SprSet *set);

// 0 unless the image holds heap pixels or an Allegro bitmap.
int VbufTargetSet(SprSet *set, int index);
BITMAP *VbufTargetBitmapGet(SprSet *set, int index);
void VbufSprAcquire(SprSet *set, int index);
void VbufSprRelease(SprSet *set, int index);
void VbufTargetAcquire();
void VbufTargetRelease();

// Copies an image to the current page: at 0,0, at x,y, or stretched to the screen.
void VbufSprShow(SprSet *set, int index);
void VbufSprShowAt(SprSet *set, int index, int x, int y);
void VbufSprShowStretch(SprSet *set, int index);

// The target as the blitters see it (pixels, rows, clip).
BlitTarget VbufBlitTarget();

void VbufClipSet(int x1, int y1, int x2, int y2);
void VbufClipSave(int rect[4]);
void VbufClipRestore(const int rect[4]);

void VbufClear(int colour);
void VbufPixelPut(int x, int y, int colour);
void VbufPixelAdd(int x, int y, int colour);
void VbufPixelInvert(int x, int y);

void VbufLine(int x1, int y1, int x2, int y2, int colour);
void VbufHline(int x1, int x2, int y, int colour);
void VbufVline(int x, int y1, int y2, int colour);
void VbufHlineAdd(int x1, int x2, int y, int colour);
void VbufVlineAdd(int x, int y1, int y2, int colour);
void VbufHlineAddHalf(int x1, int x2, int y, int colour);
void VbufVlineAddHalf(int x, int y1, int y2, int colour);
void VbufHlineSub(int x1, int x2, int y, int colour);
void VbufVlineSub(int x, int y1, int y2, int colour);
void VbufHlineSubHalf(int x1, int x2, int y, int colour);
void VbufVlineSubHalf(int x, int y1, int y2, int colour);

void VbufRect(int x1, int y1, int x2, int y2, int colour);
void VbufRectAdd(int x1, int y1, int x2, int y2, int colour);
void VbufRectAddHalf(int x1, int y1, int x2, int y2, int colour);
void VbufRectSub(int x1, int y1, int x2, int y2, int colour);
void VbufRectSubHalf(int x1, int y1, int x2, int y2, int colour);
void VbufRectFill(int x1, int y1, int x2, int y2, int colour);
void VbufRectFillAdd(int x1, int y1, int x2, int y2, int colour);
void VbufRectFillAddHalf(int x1, int y1, int x2, int y2, int colour);
void VbufRectFillSub(int x1, int y1, int x2, int y2, int colour);
void VbufRectFillSubHalf(int x1, int y1, int x2, int y2, int colour);

// Clipped copy turning each RGB565 pixel into red << 19, green << 10, blue << 3.
void VbufBlit16To32(BITMAP *src, BITMAP *dst, int sx, int sy, int dx, int dy, int width, int height);
