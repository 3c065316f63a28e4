// HitOverride parameters: the override keys and their evaluation into one of the player's override slots.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

struct HitOverrideParams {
    int attr;
    Expr stateNo, time, forceAir;
};

// 1, or 0 with the reason in the game error text.
int SCtrlHitOverrideParse(TxtParseFile *file, HitOverrideParams *params, Player *pl);
// Fills and activates the player's override slot (0..7).
void SCtrlHitOverrideEval(const HitOverrideParams *params, Player *pl, int slot);
void SCtrlHitOverrideFree(HitOverrideParams *params);
