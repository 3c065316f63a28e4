// Sample-game stage: a sunset ridge of parallax layers, a perspective floor and a waving flag.
#pragma once
#include "game/art.h"

enum {
    STAGE_GROUND_Y = 200,  // the ground line on screen (zoffset)
    STAGE_FLOOR_TOP = 184, // the floor's first row on screen
};

// Palette entries of the stage, for tests that probe its pixels.
enum {
    STAGE_SKY_FIRST = 1,
    STAGE_SKY_LAST = 48,
    STAGE_SUN_FIRST = 49,
    STAGE_SUN_LAST = 56,
    STAGE_CLOUD_FIRST = 57,
    STAGE_CLOUD_LAST = 72,
    STAGE_MOUNT_FIRST = 73,
    STAGE_MOUNT_LAST = 88,
    STAGE_HILL_FIRST = 89,
    STAGE_HILL_LAST = 104,
    STAGE_RIDGE_FIRST = 105,
    STAGE_RIDGE_LAST = 120,
    STAGE_FLOOR_FIRST = 121,
    STAGE_FLOOR_LAST = 152,
    STAGE_GRASS_FIRST = 153,
    STAGE_GRASS_LAST = 168,
    STAGE_FLAG_FIRST = 169,
    STAGE_FLAG_LAST = 176,
    STAGE_LINE = 177,
};

// The stage's palette.
ArtPalette StagePalette();
// "stages/ridge.def" and "stages/ridge.sff".
void StageFilesMake(GameFiles *out);
