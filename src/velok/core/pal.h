// Game palette list, palette groups and timed palette effects.
#pragma once
#include <cstdint>

struct Palette;
struct Array;

// 160 group bits. Word 0 holds the game's own groups below; each player's
// palettes are registered under the player's mask.
struct PalGroupMask {
    uint32_t w[5];
};

enum {
    PAL_GROUP_BG = 0x100,         // stage background palettes
    PAL_GROUP_FIGHT = 0x200,      // fight-screen sprites: lifebars, faces, team members
    PAL_GROUP_FIGHTFX = 0x400,    // fight-effect sprites
    PAL_GROUP_FONT = 0x800,       // fight-screen fonts
};

struct PalListEntry {
    Palette *pal;
    PalGroupMask mask;
};

struct PalList {
    PalListEntry *entries;
    int count;
    int capacity;
    // Set when an effect may have reached a listed palette (or a palette was
    // listed); the reset of every palette walks the list only then.
    int touched;
};

// One timed effect. Neutral: counter 0, time 0 (inactive; -1 for ever),
// colour 256, add 0, mul 256, sine amplitude 0, invert 0, period 0, reset 1.
struct PalFx {
    int counter;
    int time;
    int color;
    int addR, addG, addB;
    int mulR, mulG, mulB;
    int sinR, sinG, sinB;
    int invertAll;
    int period;
    int resetPending;
};

PalGroupMask PalGroupMaskMake(uint32_t bits, int word);
PalGroupMask PalGroupMaskAll();
PalGroupMask PalGroupMaskOr(PalGroupMask a, PalGroupMask b);
PalGroupMask PalGroupMaskXor(PalGroupMask a, PalGroupMask b);
int PalGroupMaskIntersects(PalGroupMask a, PalGroupMask b);
int PalGroupMaskEqual(PalGroupMask a, PalGroupMask b);
int PalGroupMaskAny(PalGroupMask a);

// The list lives in the game record (gv->palList).
// Makes the empty list when there is none; 0 when memory runs out.
int PalListInit();
int PalListAdd(Palette *pal, PalGroupMask mask);
void PalListRemove(PalGroupMask mask);
// Removes every entry of the palettes of an array, whatever their mask.
void PalListRemovePals(Array *palettes);
// Registers every palette of a player's palette array.
void PalListAddPlayer(Array *palettes, PalGroupMask mask);
void PalListRebuild();
void PalListFree();
void PalListFxReset();

void PalFxGroupAdd(PalGroupMask mask, int r, int g, int b);
void PalFxGroupMul(PalGroupMask mask, int r, int g, int b);
void PalFxGroupInvert(PalGroupMask mask, int flag);
void PalFxGroupColor(PalGroupMask mask, int amount);
void PalFxGroupReset(PalGroupMask mask);

void PalFxInit(PalFx *fx);
int PalFxApply(PalFx *fx, PalGroupMask mask, int toGlobal, int advance);
