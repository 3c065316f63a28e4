// Draw list: sprite draws deferred and drawn in priority order; lists of one-shot animation instances.
#pragma once
#include "lib/anim-lib.h"

struct Array;
struct Palette;
struct SprSet;

enum DrawKind {
    DRAW_PLAIN = 1,
    DRAW_SCALED = 2,
    DRAW_ROTATED = 3,
};

// One deferred draw; the sprite set and palette are borrowed for the frame.
struct DrawEntry {
    int priority;
    SprSet *spr;
    int sprIndex;
    Palette *pal;           // palette override for this draw, null for none
    int x, y;
    int kind;               // DrawKind
    int trans;              // TransKind: 0 or -1 none, 1 add, 2 subtract, 3 alpha
    int alphaSrc, alphaDst; // 256 = 1.0
    float xScale, yScale;   // 1.0 for plain entries
    int angle;              // rotated entries
    int flip;               // bit 1 horizontal, bit 2 vertical
};

struct DrawList {
    Array *entries;  // DrawEntry keyed (0, priority)
    int *order;      // the first entries->used items: slots by ascending priority
};

// A one-shot animation at a place; its player runs on borrowed action and sprite sets.
struct AnimInst {
    int x, y;
    int flip;
    float xScale, yScale;
    AnimObj player;
};

struct AnimList {
    Array *insts;  // AnimInst; the first key is the layer mask
};

// Null when out of memory ("Out of memory." when the entry array cannot be made).
DrawList *DrawListCreate(int capacity);
void DrawListFree(DrawList *list);
void DrawListClear(DrawList *list);
// 1 when queued, 0 when the list is full.
int DrawListAdd(DrawList *list, const DrawEntry *entry);
void DrawListDraw(DrawList *list);
void DrawListDrawEntry(const DrawEntry *entry);
void DrawListScale(DrawList *list, float factor);

AnimList *AnimListCreate(int capacity);
void AnimListFree(AnimList *list);
void AnimListClear(AnimList *list);
// Slot of the new instance, -1 when the action is missing or the list is full.
int AnimListAdd(AnimList *list, AnimSet *actions, SprSet *spr, int k1, int k2, int x, int y, int flip,
                int transOverride);
void AnimListSetMask(AnimList *list, int slot, int mask);
void AnimListRemove(AnimList *list, int slot);
void AnimListTick(AnimList *list);
void AnimListTickMasked(AnimList *list, int mask);

// Instances at (x + their x, y + their y) with their scales and flip: all,
// or those whose mask shares a bit with the given mask.
void AnimListDraw(AnimList *list, int x, int y);
void AnimListDrawMasked(AnimList *list, int mask, int x, int y);
// The same with positions and scales multiplied by the zoom.
void AnimListDrawMaskedZoom(AnimList *list, int mask, int x, int y, float zoom);

// 1 while the instance's action has not ended.
int AnimInstTick(AnimInst *inst);
void AnimInstDraw(AnimInst *inst, int x, int y);
void AnimInstDrawZoom(AnimInst *inst, int x, int y, float zoom);
