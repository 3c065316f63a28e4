// Draw list: sprite draws deferred and drawn in priority order; lists of one-shot animation instances.
#include "lib/drawlist.h"

#include <cmath>
#include <climits>
#include <cstring>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"

DrawList *DrawListCreate(int capacity)
{
    DrawList *list = (DrawList *)LibCalloc(1, sizeof *list);
    if (!list)
        return nullptr;
    list->entries = ArrayCreate(capacity, (int)sizeof(DrawEntry), list);
    if (!list->entries) {
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory.");
        MemFree(list);
        return nullptr;
    }
    list->order = (int *)LibCalloc((size_t)capacity, sizeof(int));
    if (!list->order) {
        ArrayFree(list->entries);
        MemFree(list);
        return nullptr;
    }
    return list;
}

void DrawListFree(DrawList *list)
{
    if (!list)
        return;
    ArrayFree(list->entries);
    MemFree(list->order);
    MemFree(list);
}

void DrawListClear(DrawList *list)
{
    ArrayClear(list->entries);
}

int DrawListAdd(DrawList *list, const DrawEntry *entry)
{
    int n = list->entries->used;
    int slot = ArrayAdd(list->entries, entry, 0, entry->priority);
    if (slot < 0)
        return 0;
    // Before the first entry of equal or greater priority: among equals the
    // newest is drawn first, beneath the older ones.
    int place = 0;
    while (place < n && ArrayKey2(list->entries, list->order[place]) < entry->priority)
        place++;
    memmove(list->order + place + 1, list->order + place, (size_t)(n - place) * sizeof(int));
    list->order[place] = slot;
    return 1;
}

void DrawListDrawEntry(const DrawEntry *entry)
{
    SprSet *set = entry->spr;
    if (!set)
        return;
    Palette *own = set->palOverride;
    if (entry->pal)
        set->palOverride = entry->pal;
    float xs = (entry->flip & ANIM_FLIP_H) ? -entry->xScale : entry->xScale;
    float ys = (entry->flip & ANIM_FLIP_V) ? -entry->yScale : entry->yScale;
    switch (entry->kind) {
    case DRAW_PLAIN:
        SprDrawFlipTrans(set, entry->sprIndex, entry->x, entry->y, entry->flip, entry->trans, entry->alphaSrc,
                         entry->alphaDst);
        break;
    case DRAW_SCALED:
        SprDrawScaledTrans(set, entry->sprIndex, (float)entry->x, (float)entry->y, xs, ys, entry->trans,
                           entry->alphaSrc, entry->alphaDst);
        break;
    case DRAW_ROTATED:
        SprDrawRotatedTrans(set, entry->sprIndex, (float)entry->x, (float)entry->y, (float)entry->angle, xs, ys,
                            1.0f, 1.0f, entry->trans, entry->alphaSrc, entry->alphaDst);
        break;
    }
    set->palOverride = own;
}

void DrawListDraw(DrawList *list)
{
    int n = list->entries->used;
    for (int i = 0; i < n; i++)
        DrawListDrawEntry((const DrawEntry *)ArrayAt(list->entries, list->order[i]));
}

void DrawListScale(DrawList *list, float factor)
{
    int n = list->entries->used;
    for (int i = 0; i < n; i++) {
        DrawEntry *e = (DrawEntry *)ArrayAt(list->entries, list->order[i]);
        e->x = TruncToInt((float)e->x * factor);
        e->y = TruncToInt((float)e->y * factor);
        if (e->kind == DRAW_PLAIN)
            e->kind = DRAW_SCALED;
        e->xScale *= factor;
        e->yScale *= factor;
    }
}

AnimList *AnimListCreate(int capacity)
{
    AnimList *list = (AnimList *)LibCalloc(1, sizeof *list);
    if (!list)
        return nullptr;
    list->insts = ArrayCreate(capacity, (int)sizeof(AnimInst), list);
    if (!list->insts) {
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory.");
        MemFree(list);
        return nullptr;
    }
    return list;
}

void AnimListFree(AnimList *list)
{
    if (!list)
        return;
    ArrayFree(list->insts);
    MemFree(list);
}

void AnimListClear(AnimList *list)
{
    ArrayClear(list->insts);
}

int AnimListAdd(AnimList *list, AnimSet *actions, SprSet *spr, int k1, int k2, int x, int y, int flip,
                int transOverride)
{
    if (!actions || !ArrayHasRoom(list->insts))
        return -1;
    AnimInst inst;
    memset(&inst, 0, sizeof inst);
    inst.x = x;
    inst.y = y;
    inst.flip = flip;
    inst.xScale = 1.0f;
    inst.yScale = 1.0f;
    AnimObjInit(&inst.player, actions, spr);
    if (!AnimObjChangeActionAt(&inst.player, k1, k2, 0))
        return -1;
    inst.player.transOverride = transOverride;
    return ArrayAdd(list->insts, &inst, 1, 0);
}

static bool AnimListSlotUsed(const AnimList *list, int slot)
{
    return slot >= 0 && slot < list->insts->capacity && list->insts->slots[slot].used;
}

void AnimListSetMask(AnimList *list, int slot, int mask)
{
    if (AnimListSlotUsed(list, slot))
        ArrayKeysSet(list->insts, slot, mask, ArrayKey2(list->insts, slot));
}

void AnimListRemove(AnimList *list, int slot)
{
    if (AnimListSlotUsed(list, slot))
        ArrayRemove(list->insts, slot);
}

int AnimInstTick(AnimInst *inst)
{
    return !AnimObjTick(&inst->player);
}

void AnimInstDraw(AnimInst *inst, int x, int y)
{
    AnimObjDrawScaledFlip(&inst->player, (float)x + (float)inst->x, (float)y + (float)inst->y, inst->xScale,
                          inst->yScale, inst->flip);
}

void AnimInstDrawZoom(AnimInst *inst, int x, int y, float zoom)
{
    float px = (float)TruncToInt(((float)x + (float)inst->x) * zoom);
    float py = (float)TruncToInt(((float)y + (float)inst->y) * zoom);
    AnimObjDrawScaledFlip(&inst->player, px, py, inst->xScale * zoom, inst->yScale * zoom, inst->flip);
}

static void AnimListDrawWhere(AnimList *list, int mask, bool all, int x, int y, float zoom, bool zoomed)
{
    Array *a = list->insts;
    for (AnimInst *inst = (AnimInst *)ArrayFirst(a); inst; inst = (AnimInst *)ArrayNext(a)) {
        if (!all && !(ArrayKey1(a, a->cursor) & mask))
            continue;
        if (zoomed)
            AnimInstDrawZoom(inst, x, y, zoom);
        else
            AnimInstDraw(inst, x, y);
    }
}

void AnimListDraw(AnimList *list, int x, int y)
{
    AnimListDrawWhere(list, 0, true, x, y, 1.0f, false);
}

void AnimListDrawMasked(AnimList *list, int mask, int x, int y)
{
    AnimListDrawWhere(list, mask, false, x, y, 1.0f, false);
}

void AnimListDrawMaskedZoom(AnimList *list, int mask, int x, int y, float zoom)
{
    AnimListDrawWhere(list, mask, false, x, y, zoom, true);
}

// Ticks the instances whose mask shares a bit with the given one (all when
// every bit is given) and drops those whose action ended.
static void AnimListTickWhere(AnimList *list, int mask, bool all)
{
    Array *a = list->insts;
    for (AnimInst *inst = (AnimInst *)ArrayFirst(a); inst; inst = (AnimInst *)ArrayNext(a)) {
        int slot = a->cursor;
        if (!all && !(ArrayKey1(a, slot) & mask))
            continue;
        if (!AnimInstTick(inst))
            ArrayRemove(a, slot);
    }
}

void AnimListTick(AnimList *list)
{
    AnimListTickWhere(list, 0, true);
}

void AnimListTickMasked(AnimList *list, int mask)
{
    AnimListTickWhere(list, mask, false);
}
