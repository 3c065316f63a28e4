// Projectile parameters: the projectile keys with their embedded attack and trail, evaluated into a new projectile.
#pragma once

#include "velok/script/expr.h"
#include "velok/script/sc-hitdef.h"

struct AfterImageCtrlParams;
struct Player;
struct TxtParseFile;

struct ProjectileParams {
    Expr projId;
    Expr offset[2];
    int posType;  // PosType
    Expr projRemove, projRemoveTime, projMissTime;
    Expr projEdgeBound, projStageBound;
    Expr projHeightBound[2];  // low, high
    Expr projHits, projPriority;
    Expr projAnim, projHitAnim, projRemAnim, projCancelAnim;
    Expr projShadow[3];
    Expr projSprPriority;
    Expr velocity[2], velMul[2], remVelocity[2], accel[2], projScale[2];
    Expr superMoveTime, pauseMoveTime;
    HitDefParams hitDef;
    AfterImageCtrlParams *afterImage;  // owned; null without afterimage.time
};

// Reads the current group into a zeroed record. 1, or 0 with the reason in
// the game error text.
int SCtrlProjectileParse(TxtParseFile *file, ProjectileParams *params, Player *pl);
// Launches a projectile of the player into the list owner's list; the index
// of the new projectile there, or -1 when none was added.
int SCtrlProjectileEval(const ProjectileParams *params, Player *pl, Player *opponent, Player *listOwner);
void SCtrlProjectileFree(ProjectileParams *params);
