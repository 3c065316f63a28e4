// HitDef and ReversalDef parameters: the attack keys, their defaults, and their evaluation into a player's attack block.
#pragma once

#include "velok/script/expr.h"
#include "velok/script/sc-envshake.h"
#include "velok/script/sc-palfx.h"

struct Player;
struct TxtParseFile;

enum HitDefAffectTeam {
    HITDEF_AFFECT_FRIENDS = 1,
    HITDEF_AFFECT_ENEMIES = 2,
    HITDEF_AFFECT_BOTH = 3,
};

enum HitDefAnimType {
    HITDEF_ANIM_LIGHT = 0,
    HITDEF_ANIM_MEDIUM = 1,
    HITDEF_ANIM_HARD = 2,
    HITDEF_ANIM_BACK = 3,
    HITDEF_ANIM_UP = 4,
    HITDEF_ANIM_DIAGUP = 5,
};

enum HitDefGroundType {
    HITDEF_TYPE_NONE = 0,
    HITDEF_TYPE_HIGH = 1,
    HITDEF_TYPE_LOW = 2,
    HITDEF_TYPE_TRIP = 3,
};

enum HitDefPriorityType {
    HITDEF_PRIO_HIT = 0,
    HITDEF_PRIO_MISS = 1,
    HITDEF_PRIO_DODGE = 2,
};

enum {
    HITDEF_FALL_BIT = 0x1,      // in the hit flags: the hit makes the victim fall
    HITDEF_DIST_NONE = -1025,   // a mindist or maxdist value that snaps nothing
    HITDEF_THROW_ATTR = 0x1c0,  // NT, ST, HT
};

// The attack block as the hit engine reads it; a float velocity of -32760.0
// keeps the victim's own component.
struct HitDef {
    int active;
    int reversalUsed;
    int affectTeam;
    int attr;
    int serial;
    int id;
    int chainId;
    int noChainId[2];
    int kill, guardKill, fallKill, hitOnce;
    int juggle;
    int damage, guardDamage;
    int getPower, guardGetPower;
    int givePower, guardGivePower;
    int p2ShakeTime;
    int p1PauseTime;
    int numHits;
    int hitSoundGroup, hitSoundNo, hitSoundCommon;
    int guardSoundGroup, guardSoundNo, guardSoundCommon;
    int guardFlag;
    int hitFlag;
    int priority, priorityType;
    int attackWidthFront, attackWidthBack;
    int p1StateNo, p2StateNo;
    int p2GetP1State;
    int p2BindTime;
    int p1SprPriority, p2SprPriority;
    int animType;
    int forceStand;
    int reversalAttr;
    int fallDamage;
    int fallAnimType;
    float fallVelX, fallVelY;
    int fallRecover, fallRecoverTime;
    EnvShakeBlock fallShake;
    int sparkNo, sparkOwn;
    int guardSparkNo, guardSparkOwn;
    int sparkX, sparkY;
    int p1Turn;
    int p1GetP2Facing;
    int minDist[3];  // the third value is never given: always HITDEF_DIST_NONE
    int maxDist[3];
    int p2Facing;
    int groundType;
    int groundHitTime, groundSlideTime;
    float groundVelX, groundVelY;
    float groundCornerPush;
    int airType, airAnimType;
    int airHitTime;
    int airFall;
    float airVelX, airVelY;
    float airCornerPush;
    int downBounce, downHitTime;
    float downVelX, downVelY;
    float downCornerPush;
    float guardVel;
    int guardHitTime, guardSlideTime, guardCtrlTime;
    int guardDist;
    int guardP2ShakeTime, guardP1PauseTime;
    float guardCornerPush;
    float airGuardVelX, airGuardVelY;
    int airGuardCtrlTime;
    float airGuardCornerPush;
    float yAccel;
    PalFx palFx;
    EnvShakeBlock shake;
};

// The compiled keys of one HitDef, ReversalDef or projectile attack.
struct HitDefParams {
    // Fixed at load time
    int affectTeam;
    int attr;
    int reversalAttr;
    int hitSoundCommon, guardSoundCommon;
    int guardFlag, hitFlag;
    int priorityType;
    int animType, airAnimType, fallAnimType;
    int groundType, airType;
    int forceStandGiven;
    int sparkOwn, guardSparkOwn;

    Expr id, chainId, noChainId[2];
    Expr sparkNo, guardSparkNo, sparkXY[2];
    Expr pauseTime[2];       // p1 pause, p2 shake
    Expr guardPauseTime[2];
    Expr kill, guardKill, fallKill, hitOnce;
    Expr numHits;
    Expr damage[2], getPower[2], givePower[2];
    Expr priority;
    Expr hitSound[2], guardSound[2];
    Expr groundSlideTime, groundHitTime, groundVel[2];
    Expr airVel[2], airJuggle, airHitTime;
    Expr attackWidth[2];
    Expr minDist[3], maxDist[3], p2BindTime;
    Expr p1SprPriority, p2SprPriority;
    Expr p1Facing, p1GetP2Facing, p2Facing;
    Expr p1StateNo, p2StateNo, p2GetP1State;
    Expr forceStand;
    Expr fallDamage, fallVelX, fallVelY, fallRecover, fallRecoverTime;
    Expr yAccel;
    Expr downVel[2], downBounce, downHitTime;
    Expr guardSlideTime, guardHitTime, guardVel, guardCtrlTime, guardDist;
    Expr groundCornerPush, airCornerPush, downCornerPush, guardCornerPush, airGuardCornerPush;
    Expr airGuardVel[2], airGuardCtrlTime;
    Expr fall, airFall;
    PalFxCtrlParams palFx;
    EnvShakeParams shake, fallShake;
};

// Reads the keys of the file's current group into a zeroed record (reversalAttr
// set first for a ReversalDef). 1, or 0 with the reason in the game error text.
int SCtrlHitDefParse(TxtParseFile *file, HitDefParams *params, Player *pl);
// Evaluates every value for the player into the block, with the clamps and
// warnings of each value; active, the used flag and the serial are left alone.
int SCtrlHitDefEval(const HitDefParams *params, HitDef *hd, Player *pl);
void SCtrlHitDefFree(HitDefParams *params);
// The HitDef and ReversalDef controller's run: evaluation, activation, the
// kept juggle points and guard distance, damage scaling and the game serial.
// Returns 0: the controller never stops the state's run.
int SCtrlHitDefApply(const HitDefParams *params, Player *pl, int reversal);
