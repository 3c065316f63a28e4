// Explod and ModifyExplod parameters: the keys of both controllers and their defaults.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

// One record serves both controllers. ModifyExplod fills every key it leaves
// absent with the "not given" marker of stparam.h (-32751, floats -32760.0),
// so that property of the explod stays as it is; the two plain words then
// hold -32751 too.
struct ExplodParams {
    Expr id;
    Expr anim;
    int animFromFight;   // "F" before the action: the fight-screen effects
    Expr posX, posY;
    Expr velX, velY;
    Expr accelX, accelY;
    Expr randomX, randomY;
    Expr superMove;
    Expr superMoveTime;
    Expr pauseMoveTime;
    Expr removeTime;
    Expr scaleX, scaleY;
    int posType;         // PosType
    Expr bindTime;
    Expr sprPriority;
    Expr onTop;
    Expr facing;
    Expr vFacing;
    Expr shadow[3];      // red, green, blue
    Expr ownPal;
    Expr removeOnGetHit;
    Expr ignoreHitPause;
    int transKind;       // TransKind
    Expr alphaSrc, alphaDst;
};

// Reads the keys of the current group into a zeroed record; modify selects
// the ModifyExplod defaults. 1, or 0 with the reason in the game error text.
int SCtrlExplodParse(TxtParseFile *file, Player *pl, ExplodParams *p, int modify);
void SCtrlExplodFree(ExplodParams *p);
