// AfterImage parameters: the trail keys read under a prefix and evaluated into an afterimage record's parameter block.
#pragma once

#include "velok/script/expr.h"

struct AfterImage;
struct AnimObj;
struct Player;
struct TxtParseFile;

struct AfterImageCtrlParams {
    Expr time, length;
    Expr palColor, palInvertAll;
    Expr palBright[3], palContrast[3], palPostBright[3], palAdd[3];
    Expr palMul[3];
    Expr timeGap, frameGap;
    int trans;       // TransKind
    Expr alpha[2];   // source, destination
};

// Reads prefix + each key from the current group. 1, or 0 with the key named
// in the game error text.
int SCtrlAfterImageParse(TxtParseFile *file, const char *prefix, AfterImageCtrlParams *params, Player *pl);
// Evaluates for the player (warnings name it) and starts the record's trail
// of the animation player.
void SCtrlAfterImageEval(const AfterImageCtrlParams *params, Player *pl, AfterImage *ai, AnimObj *anim);
void SCtrlAfterImageFree(AfterImageCtrlParams *params);
