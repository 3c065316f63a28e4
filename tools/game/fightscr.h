// Sample-game fight screen: lifebars, power bars, faces, timer, combo, announcements, win icons, and the sparks and dust of the fight effects.
#pragma once
#include "game/art.h"

// Where the fight screen puts things on the 320x240 screen, for the tests
// that look at a drawn frame.
enum {
    FIGHT_LIFE_Y = 10,      // first row of the life bars' fill, 6 rows
    FIGHT_LIFE_H = 6,
    FIGHT_LIFE_W = 106,   // clear of the timer box
    FIGHT_P1_LIFE_X = 36,   // player 1's bar runs right from here
    FIGHT_P2_LIFE_X = 284,  // player 2's bar runs left from here (its last column)
    FIGHT_POWER_Y = 226,    // first row of the power bars' fill, 4 rows
    FIGHT_POWER_H = 4,
    FIGHT_POWER_W = 80,
    FIGHT_TIMER_X = 160,    // centre of the timer box
    FIGHT_TIMER_Y = 6,      // its first row, 24 rows
    FIGHT_TIMER_H = 24,
};

// Palette entries of the fight screen's sprites.
enum {
    FIGHT_FRAME_FIRST = 1,   // bar and box frames, dark to light metal
    FIGHT_FRAME_LAST = 8,
    FIGHT_BACK_FIRST = 9,    // inside of the bars
    FIGHT_BACK_LAST = 12,
    FIGHT_LIFE_FIRST = 17,   // life, top (light) to bottom
    FIGHT_LIFE_LAST = 24,
    FIGHT_RED_FIRST = 25,    // life being lost
    FIGHT_RED_LAST = 32,
    FIGHT_POWER_FIRST = 33,
    FIGHT_POWER_LAST = 40,
    FIGHT_POWER_MID_FIRST = 41,  // the power bar's middle
    FIGHT_POWER_MID_LAST = 48,
    FIGHT_GOLD_FIRST = 49,
    FIGHT_GOLD_LAST = 56,
    FIGHT_ICON_FIRST = 57,   // eight icon colours
    FIGHT_BOX_FIRST = 81,    // inside of the timer box
    FIGHT_BOX_LAST = 88,
    FIGHT_ANNOUNCE_EDGE = 95,
    FIGHT_ANNOUNCE_FIRST = 96,  // announcement lettering, top to bottom
    FIGHT_ANNOUNCE_LAST = 111,
    FIGHT_KO_FIRST = 112,
    FIGHT_KO_LAST = 127,
};

ArtPalette FightPalette();
// "data/fight.def", "data/fight.sff", "data/fightfx.sff" and
// "data/fightfx.air". Fight-effect actions: hit sparks 0 (light) to 3
// (heaviest), guard sparks 40 and 41, dust 120; all drawn around their axis.
void FightFilesMake(GameFiles *out);
