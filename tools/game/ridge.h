// Sample-game stage: a sunset ridge of parallax layers, a perspective floor and a waving flag.
#pragma once
#include "game/art.h"

enum {
    RIDGE_GROUND_Y = 200,  // the ground line on screen (zoffset)
    RIDGE_FLOOR_TOP = 184, // the floor's first row on screen
};

// Palette entries of the stage, for tests that probe its pixels.
enum {
    RIDGE_SKY_FIRST = 1,
    RIDGE_SKY_LAST = 48,
    RIDGE_SUN_FIRST = 49,
    RIDGE_SUN_LAST = 56,
    RIDGE_CLOUD_FIRST = 57,
    RIDGE_CLOUD_LAST = 72,
    RIDGE_MOUNT_FIRST = 73,
    RIDGE_MOUNT_LAST = 88,
    RIDGE_HILL_FIRST = 89,
    RIDGE_HILL_LAST = 104,
    RIDGE_RIDGE_FIRST = 105,
    RIDGE_RIDGE_LAST = 120,
    RIDGE_FLOOR_FIRST = 121,
    RIDGE_FLOOR_LAST = 152,
    RIDGE_GRASS_FIRST = 153,
    RIDGE_GRASS_LAST = 168,
    RIDGE_FLAG_FIRST = 169,
    RIDGE_FLAG_LAST = 176,
    RIDGE_LINE = 177,
};

// The stage's palette.
ArtPalette RidgePalette();
// "stages/ridge.def" and "stages/ridge.sff".
void RidgeFilesMake(GameFiles *out);
