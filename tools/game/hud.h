// Sample-game fight screen: lifebars, power bars, faces, timer, combo, announcements, win icons, and the sparks and dust of the fight effects.
#pragma once
#include "game/art.h"

// Where the fight screen puts things on the 320x240 screen, for the tests
// that look at a drawn frame.
enum {
    HUD_LIFE_Y = 10,      // first row of the life bars' fill, 6 rows
    HUD_LIFE_H = 6,
    HUD_LIFE_W = 106,   // clear of the timer box
    HUD_P1_LIFE_X = 36,   // player 1's bar runs right from here
    HUD_P2_LIFE_X = 284,  // player 2's bar runs left from here (its last column)
    HUD_POWER_Y = 226,    // first row of the power bars' fill, 4 rows
    HUD_POWER_H = 4,
    HUD_POWER_W = 80,
    HUD_TIMER_X = 160,    // centre of the timer box
    HUD_TIMER_Y = 6,      // its first row, 24 rows
    HUD_TIMER_H = 24,
};

// Palette entries of the fight screen's sprites.
enum {
    HUD_FRAME_FIRST = 1,   // bar and box frames, dark to light metal
    HUD_FRAME_LAST = 8,
    HUD_BACK_FIRST = 9,    // inside of the bars
    HUD_BACK_LAST = 12,
    HUD_LIFE_FIRST = 17,   // life, top (light) to bottom
    HUD_LIFE_LAST = 24,
    HUD_RED_FIRST = 25,    // life being lost
    HUD_RED_LAST = 32,
    HUD_POWER_FIRST = 33,
    HUD_POWER_LAST = 40,
    HUD_POWER_MID_FIRST = 41,  // the power bar's middle
    HUD_POWER_MID_LAST = 48,
    HUD_GOLD_FIRST = 49,
    HUD_GOLD_LAST = 56,
    HUD_ICON_FIRST = 57,   // eight icon colours
    HUD_WHITE = 65,
    HUD_INK = 66,          // the icons' letters and rims
    HUD_BOX_FIRST = 81,    // inside of the timer box
    HUD_BOX_LAST = 88,
    HUD_ANNOUNCE_EDGE = 95,
    HUD_ANNOUNCE_FIRST = 96,  // announcement lettering, top to bottom
    HUD_ANNOUNCE_LAST = 111,
    HUD_KO_FIRST = 112,
    HUD_KO_LAST = 127,
};

ArtPalette HudPalette();
// "data/fight.def", "data/fight.sff", "data/fightfx.sff" and
// "data/fightfx.air". Fight-effect actions: hit sparks 0 (light) to 3
// (heaviest), guard sparks 40 and 41, dust 120; all drawn around their axis.
void HudFilesMake(GameFiles *out);
