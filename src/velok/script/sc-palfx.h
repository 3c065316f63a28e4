// PalFX parameters: the palette-effect keys read under a prefix and evaluated into a timed effect block.
#pragma once

#include "velok/script/expr.h"
#include "velok/core/pal.h"

struct Player;
struct TxtParseFile;

enum PalFxTarget {
    PALFX_TARGET_PLAYER = 0,
    PALFX_TARGET_BG = 1,
    PALFX_TARGET_ALL = 2,
};

struct PalFxCtrlParams {
    int target;  // PalFxTarget
    Expr time;
    Expr mul[3];
    Expr add[3];
    Expr sinAdd[4];  // red, green, blue amplitude, period
    Expr invertAll;
    Expr color;
};

// Reads prefix + "time", "mul", "add", "sinadd", "invertall", "color". mul and
// add need all three values, sinadd three or four. 1, or 0 with the key named
// in the game error text.
int SCtrlPalFXParse(TxtParseFile *file, const char *prefix, PalFxCtrlParams *params, Player *pl);
// Fills the effect record; words without a key are 0.
void SCtrlPalFXEval(const PalFxCtrlParams *params, PalFx *out, Player *pl);
void SCtrlPalFXFree(PalFxCtrlParams *params);
