// The game record: one zeroed block reached through one global pointer.
#pragma once
#include "velok/config.h"

struct TextBuf;
struct PalList;

enum {
    GAME_DIR_LEN = 512,
    GAME_ERROR_LEN = 2048,
};

struct GameVars {
    char startDir[GAME_DIR_LEN];
    char progDir[GAME_DIR_LEN];
    char motifDir[GAME_DIR_LEN];
    char motifFile[GAME_DIR_LEN];

    // Where every loader leaves its reason; the fatal box shows it.
    char errorText[GAME_ERROR_LEN];
    TextBuf *warnLog;  // 8 lines of 77 characters
    int gameTick;

    // Round loop: the pause switch and slow motion (a rate R runs one tick in
    // 1 + R / 100 frames; the accumulator is non-zero on held-back ticks).
    int paused;
    int slowTime, slowRate, slowAccum;

    // Palettes that game palette effects reach by group, and the number of
    // registrations made under the background mask.
    PalList *palList;
    int palBgCount;

    // "data/velok.cfg": the engine groups read once at start-up, and the
    // [Options] group that the options screen loads and saves.
    SysConfig cfg;
    SysOptions options;

    // Hit engine: the game-wide HitDef serial counter and the no-KO switch.
    int hitDefSerial;
    int noKO;
};

extern GameVars *gv;
