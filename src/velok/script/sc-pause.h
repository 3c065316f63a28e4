// Pause and SuperPause parameters: the pause keys and their application to the game's pause records and the pausing player.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

enum PauseMode {
    PAUSE_MODE_PAUSE = 0,
    PAUSE_MODE_SUPER = 1,
};

struct PauseParams {
    Expr time, moveTime, endCmdBufTime, pauseBg;
    // SuperPause only
    Expr anim;
    int animCommon;    // the fight-screen effects, else the character's own
    Expr pos[2];
    Expr darken;
    Expr p2DefMul;
    Expr powerAdd;
    Expr unhittable;
    Expr sound[2];     // group (-1 none), number
    int soundCommon;
};

// 1, or 0 with the key named in the game error text.
int SCtrlPauseParse(TxtParseFile *file, PauseParams *params, Player *pl);
int SCtrlSuperPauseParse(TxtParseFile *file, PauseParams *params, Player *pl);
// Fills the game's pause record of the mode and the player's move time for it.
void SCtrlPauseApply(const PauseParams *params, int mode, Player *pl);
// The SuperPause: the pause record, then darkening, spark, sound, power,
// the targets' defence and the player's protection.
void SCtrlSuperPauseApply(const PauseParams *params, Player *pl, Player *powerOwner);
void SCtrlPauseFree(PauseParams *params);
void SCtrlSuperPauseFree(PauseParams *params);
