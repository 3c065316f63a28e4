// EnvShake parameters: the shake keys read under a prefix and evaluated into a shake block.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

// The six-word shake block as the camera and the HitDef keep it.
struct EnvShakeBlock {
    int counter;  // running counter, 0 at start
    int time;
    int dir;      // read, never used
    float freq;
    float ampl;
    float phase;
};

struct EnvShakeParams {
    Expr time, dir, ampl, freq, phase;
    int phaseGiven;
};

// Reads prefix + "time", "dir", "ampl", "freq", "phase" from the current group.
// 1, or 0 with the key named in the game error text.
int SCtrlEnvShakeParse(TxtParseFile *file, const char *prefix, EnvShakeParams *params, Player *pl);
void SCtrlEnvShakeEval(const EnvShakeParams *params, EnvShakeBlock *out, Player *pl);
void SCtrlEnvShakeFree(EnvShakeParams *params);
// Starts the game's screen shake with the block (its counter restarts at 0).
void EnvShakeStart(const EnvShakeBlock *shake);
