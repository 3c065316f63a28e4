// Game palette list, palette groups and timed palette effects.
#include "velok/core/pal.h"

#include <cmath>
#include <cstring>

#include "lib/array.h"
#include "lib/bg.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "lib/spr-lib.h"

enum { PAL_LIST_START = 64, PAL_LIST_GROW = 16 };

PalGroupMask PalGroupMaskMake(uint32_t bits, int word)
{
    if (word < 0 || word > 4)
        FatalExitf("Bleh, palgrpmakeflag");
    PalGroupMask m = {};
    m.w[word] = bits;
    return m;
}

PalGroupMask PalGroupMaskAll()
{
    PalGroupMask m;
    for (uint32_t &w : m.w)
        w = 0xFFFFFFFFu;
    return m;
}

PalGroupMask PalGroupMaskOr(PalGroupMask a, PalGroupMask b)
{
    for (int i = 0; i < 5; i++)
        a.w[i] |= b.w[i];
    return a;
}

PalGroupMask PalGroupMaskXor(PalGroupMask a, PalGroupMask b)
{
    for (int i = 0; i < 5; i++)
        a.w[i] ^= b.w[i];
    return a;
}

int PalGroupMaskIntersects(PalGroupMask a, PalGroupMask b)
{
    for (int i = 0; i < 5; i++)
        if (a.w[i] & b.w[i])
            return 1;
    return 0;
}

int PalGroupMaskEqual(PalGroupMask a, PalGroupMask b)
{
    return memcmp(a.w, b.w, sizeof a.w) == 0;
}

int PalGroupMaskAny(PalGroupMask a)
{
    for (uint32_t w : a.w)
        if (w)
            return 1;
    return 0;
}

static PalList *PalListCreate(int capacity)
{
    PalList *list = static_cast<PalList *>(LibCalloc(1, sizeof(PalList)));
    if (!list)
        return nullptr;
    list->entries = static_cast<PalListEntry *>(LibCalloc(capacity, sizeof(PalListEntry)));
    if (!list->entries) {
        MemFree(list);
        return nullptr;
    }
    list->capacity = capacity;
    return list;
}

static PalList *PalListGet()
{
    return gv ? gv->palList : nullptr;
}

int PalListInit()
{
    if (!gv->palList)
        gv->palList = PalListCreate(PAL_LIST_START);
    return gv->palList != nullptr;
}

int PalListAdd(Palette *pal, PalGroupMask mask)
{
    if (!pal || !gv)
        return 0;
    if (!gv->palList && !(gv->palList = PalListCreate(PAL_LIST_START)))
        return 0;
    PalList *list = gv->palList;
    for (int i = 0; i < list->count; i++)
        if (list->entries[i].pal == pal && PalGroupMaskEqual(list->entries[i].mask, mask))
            return 1;
    if (list->count >= list->capacity) {
        int cap = list->capacity + PAL_LIST_GROW;
        auto *grown = static_cast<PalListEntry *>(LibCalloc(cap, sizeof(PalListEntry)));
        if (!grown)
            return 0;
        memcpy(grown, list->entries, sizeof(PalListEntry) * list->count);
        MemFree(list->entries);
        list->entries = grown;
        list->capacity = cap;
    }
    list->entries[list->count].pal = pal;
    list->entries[list->count].mask = mask;
    list->count++;
    list->touched = 1;
    if (PalGroupMaskEqual(mask, PalGroupMaskMake(PAL_GROUP_BG, 0)))
        gv->palBgCount++;
    return 1;
}

void PalListRemove(PalGroupMask mask)
{
    PalList *list = PalListGet();
    if (!list)
        return;
    int kept = 0;
    for (int i = 0; i < list->count; i++) {
        LIB_ASSERT(list->entries[i].pal != nullptr);
        if (!PalGroupMaskEqual(list->entries[i].mask, mask))
            list->entries[kept++] = list->entries[i];
    }
    list->count = kept;
}

void PalListRemovePals(Array *palettes)
{
    PalList *list = PalListGet();
    if (!list || !palettes)
        return;
    int kept = 0;
    for (int i = 0; i < list->count; i++) {
        bool listed = false;
        for (int k = 0; k < palettes->capacity && !listed; k++)
            listed = palettes->slots[k].used && ArrayAt(palettes, k) == list->entries[i].pal;
        if (!listed)
            list->entries[kept++] = list->entries[i];
    }
    list->count = kept;
}

void PalListAddPlayer(Array *palettes, PalGroupMask mask)
{
    if (!palettes)
        return;
    for (void *p = ArrayFirst(palettes); p; p = ArrayNext(palettes))
        PalListAdd(static_cast<Palette *>(p), mask);
}

// Every listed palette back to its neutral effect.
static void PalListResetAll()
{
    PalList *list = PalListGet();
    if (!list || !list->touched)
        return;
    for (int i = 0; i < list->count; i++)
        PalFxReset(list->entries[i].pal);
    list->touched = 0;
}

void PalListFree()
{
    PalListResetAll();
    PalList *list = PalListGet();
    if (!list)
        return;
    MemFree(list->entries);
    MemFree(list);
    gv->palList = nullptr;
}

void PalListRebuild()
{
    if (!gv)
        return;
    PalListFree();
    gv->palList = PalListCreate(PAL_LIST_START);
    gv->palBgCount = 0;
    // A player draws its animation through its sprite view and its shadow,
    // reflection and own sparks through its palette view; each view holds its
    // own palette records, so both go under the player's mask.
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *pl = gv->players[s];
        if (!pl)
            continue;
        if (pl->sprView)
            PalListAddPlayer(pl->sprView->pals, pl->palMask);
        if (pl->palView)
            PalListAddPlayer(pl->palView->pals, pl->palMask);
    }
    // In order: the stage background, the fight screen, its effects, the
    // team members' faces and the fight-screen fonts.
    if (gv->stageBg && gv->stageBg->spr)
        PalListAddPlayer(gv->stageBg->spr->pals, PalGroupMaskMake(PAL_GROUP_BG, 0));
    if (gv->fightSpr)
        PalListAddPlayer(gv->fightSpr->pals, PalGroupMaskMake(PAL_GROUP_FIGHT, 0));
    if (gv->fightFxSpr)
        PalListAddPlayer(gv->fightFxSpr->pals, PalGroupMaskMake(PAL_GROUP_FIGHTFX, 0));
    for (auto &side : gv->teamSpr)
        for (SprSet *set : side)
            if (set)
                PalListAddPlayer(set->pals, PalGroupMaskMake(PAL_GROUP_FIGHT, 0));
    // The first system font stands in for fonts the fight screen does not
    // name; it is not the fight screen's to darken.
    for (Font *font : gv->fightFonts)
        if (font && font != gv->sysFont[0] && font->glyphs)
            PalListAddPlayer(font->glyphs->pals, PalGroupMaskMake(PAL_GROUP_FONT, 0));
}

void PalListFxReset()
{
    PalListResetAll();
}

// Calls fn on every listed palette whose mask shares a bit with the given one.
template <class Fn>
static void PalListEach(PalGroupMask mask, Fn fn)
{
    PalList *list = PalListGet();
    if (!list)
        return;
    list->touched = 1;
    for (int i = 0; i < list->count; i++)
        if (PalGroupMaskIntersects(list->entries[i].mask, mask))
            fn(list->entries[i].pal);
}

void PalFxGroupAdd(PalGroupMask mask, int r, int g, int b)
{
    PalListEach(mask, [&](Palette *p) { PalFxAdd(p, r, g, b); });
}

void PalFxGroupMul(PalGroupMask mask, int r, int g, int b)
{
    if (r == 256 && g == 256 && b == 256)
        return;
    PalListEach(mask, [&](Palette *p) { PalFxMul(p, r, g, b); });
}

void PalFxGroupInvert(PalGroupMask mask, int flag)
{
    PalListEach(mask, [&](Palette *p) { PalFxInvertToggle(p, flag); });
}

void PalFxGroupColor(PalGroupMask mask, int amount)
{
    PalListEach(mask, [&](Palette *p) { PalFxColorMul(p, amount); });
}

void PalFxGroupReset(PalGroupMask mask)
{
    PalListEach(mask, [&](Palette *p) { PalFxReset(p); });
}

void PalFxInit(PalFx *fx)
{
    memset(fx, 0, sizeof *fx);
    fx->color = 256;
    fx->mulR = fx->mulG = fx->mulB = 256;
    fx->resetPending = 1;
}

// Toward zero, saturating: amplitudes come from data files.
static int PalFxTrunc(double v)
{
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return (int)v;
}

int PalFxApply(PalFx *fx, PalGroupMask mask, int toGlobal, int advance)
{
    if (fx->resetPending) {
        if (toGlobal)
            PalFxGlobalReset();
        else
            PalFxGroupReset(mask);
        fx->resetPending = 0;
    }
    if (fx->time == 0)
        return 0;
    if (gv && gv->slowAccum != 0)
        advance = 0;
    if (gv && gv->paused)
        return 0;
    if (fx->time != -1 && fx->counter >= fx->time) {
        PalFxInit(fx);
        return 0;
    }
    int add[3] = {fx->addR, fx->addG, fx->addB};
    if (fx->period != 0) {
        double s = sin((double)fx->counter / fx->period * 6.28318);
        int amp[3] = {fx->sinR, fx->sinG, fx->sinB};
        for (int i = 0; i < 3; i++)
            add[i] = PalFxTrunc(add[i] + s * amp[i]);
    }
    if (toGlobal) {
        PalFxGlobalAddSet(add[0], add[1], add[2]);
        PalFxGlobalMulSet(fx->mulR, fx->mulG, fx->mulB);
        PalFxGlobalInvertSet(fx->invertAll);
        PalFxGlobalColorSet(fx->color);
    } else {
        PalListEach(mask, [&](Palette *p) {
            if (add[0] || add[1] || add[2])
                PalFxAdd(p, add[0], add[1], add[2]);
            if (!(fx->mulR == 256 && fx->mulG == 256 && fx->mulB == 256))
                PalFxMul(p, fx->mulR, fx->mulG, fx->mulB);
            if (fx->invertAll)
                PalFxInvertToggle(p, fx->invertAll);
            if (fx->color != 256)
                PalFxColorMul(p, fx->color);
        });
    }
    if (advance)
        fx->counter++;
    return advance;
}
