// HitDef and ReversalDef parameters: the attack keys, their defaults, and their evaluation into a player's attack block.
#include "velok/script/sc-hitdef.h"

#include <cctype>
#include <cstring>

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def, int *given = nullptr)
{
    if (given)
        *given = TxtParseValueGet(f, key) != nullptr;
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

static int FloatKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, float def, int *given = nullptr)
{
    if (given)
        *given = TxtParseValueGet(f, key) != nullptr;
    return SCtrlParamFloat(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

static int PairKey(TxtParseFile *f, const char *key, const char *format, Expr *a, Expr *b, Player *pl, int *count)
{
    Expr *items[2] = {a, b};
    return SCtrlListKey(f, key, format, items, pl, count);
}

// The first letter of a word value, upper case; 0 when the key is absent.
static char WordLetter(TxtParseFile *f, const char *key)
{
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 0;
    return (char)toupper((unsigned char)*SCtrlSkipSpaces(v));
}

static int AnimTypeKey(TxtParseFile *f, const char *key, int *out, const char *error)
{
    static const char letters[] = "LMHBUD";
    char c = WordLetter(f, key);
    if (!c)
        return 1;
    const char *hit = strchr(letters, c);
    if (!hit) {
        GameErrorSet("%s", error);
        return 0;
    }
    *out = (int)(hit - letters);
    return 1;
}

static int GroundTypeKey(TxtParseFile *f, const char *key, int *out, const char *error)
{
    char c = WordLetter(f, key);
    switch (c) {
    case 0: return 1;
    case 'N': *out = HITDEF_TYPE_NONE; return 1;
    case 'H': *out = HITDEF_TYPE_HIGH; return 1;
    case 'L': *out = HITDEF_TYPE_LOW; return 1;
    case 'T': *out = HITDEF_TYPE_TRIP; return 1;
    default: GameErrorSet("%s", error); return 0;
    }
}

// An optional S before the number marks the character's own sprites.
static int SparkKey(TxtParseFile *f, const char *key, Expr *e, int *own, Player *pl)
{
    ExprSetInt(e, -2);
    *own = 0;
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 1;
    int fromCommon = 1;
    if (!SCtrlFSIntParse(v, e, &fromCommon, pl))
        return SCtrlKeyFailed(key);
    *own = !fromCommon;
    return 1;
}

static int SoundKey(TxtParseFile *f, const char *key, Expr *pair, int *fromCommon, Player *pl)
{
    ExprSetInt(&pair[0], -1);
    ExprSetInt(&pair[1], 0);
    *fromCommon = 1;
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 1;
    return SCtrlFSPairParse(v, &pair[0], &pair[1], fromCommon, pl) ? 1 : SCtrlKeyFailed(key);
}

static int PriorityKey(TxtParseFile *f, HitDefParams *p, Player *pl)
{
    ExprSetInt(&p->priority, 4);
    p->priorityType = HITDEF_PRIO_HIT;
    const char *v = TxtParseValueGet(f, "priority");
    if (!v)
        return 1;
    const char *stop = v;
    if (!ExprCompile(v, &p->priority, pl, &stop, 1))
        return SCtrlKeyFailed("priority");
    stop = SCtrlSkipSpaces(stop);
    if (!*stop)
        return 1;
    if (*stop == ',') {
        const char *w = SCtrlSkipSpaces(stop + 1);
        switch (toupper((unsigned char)*w)) {
        case 'H': p->priorityType = HITDEF_PRIO_HIT; return 1;
        case 'M': p->priorityType = HITDEF_PRIO_MISS; return 1;
        case 'D': p->priorityType = HITDEF_PRIO_DODGE; return 1;
        default: break;
        }
    }
    GameErrorSet("Invalid priority type: %s", v);
    return 0;
}

static bool IsNotGivenMarker(const Expr *e)
{
    return !e->code && e->isFloat && e->value.f == SCTRL_NOT_GIVEN_FLOAT;
}

// A default taken from another key's value times a factor; a source that is
// the "not given" marker gives 0.0 instead of a scaled marker.
static void DerivedFloat(Expr *dest, const Expr *src, float factor)
{
    if (IsNotGivenMarker(src)) {
        ExprSetFloat(dest, 0.0f);
        return;
    }
    ExprCopy(dest, src);
    if (factor != 1.0f)
        ExprMulFloat(dest, factor);
}

int SCtrlHitDefParse(TxtParseFile *f, HitDefParams *p, Player *pl)
{
    int n;
    int given;

    const char *attr = TxtParseValueGet(f, "attr");
    p->attr = 0;
    if (attr) {
        int mask = SCtrlHitAttrParse(attr, nullptr);
        if (mask < 0) {
            GameErrorSet("Invalid attr: %s", attr);
            return 0;
        }
        p->attr = mask;
    }
    switch (WordLetter(f, "affectteam")) {
    case 0:
    case 'E': p->affectTeam = HITDEF_AFFECT_ENEMIES; break;
    case 'F': p->affectTeam = HITDEF_AFFECT_FRIENDS; break;
    case 'B': p->affectTeam = HITDEF_AFFECT_BOTH; break;
    default: GameErrorSet("Invalid affectteam value"); return 0;
    }
    ExprSetInt(&p->noChainId[0], -1);
    ExprSetInt(&p->noChainId[1], -1);
    ExprSetInt(&p->sparkXY[0], 0);
    ExprSetInt(&p->sparkXY[1], 0);
    ExprSetInt(&p->pauseTime[0], 0);
    ExprSetInt(&p->pauseTime[1], 0);
    if (!IntKey(f, "id", &p->id, pl, 0) || !IntKey(f, "chainid", &p->chainId, pl, -1) ||
        !PairKey(f, "nochainid", "ii", &p->noChainId[0], &p->noChainId[1], pl, &n) ||
        !SparkKey(f, "sparkno", &p->sparkNo, &p->sparkOwn, pl) ||
        !SparkKey(f, "guard.sparkno", &p->guardSparkNo, &p->guardSparkOwn, pl) ||
        !PairKey(f, "sparkxy", "ii", &p->sparkXY[0], &p->sparkXY[1], pl, &n) ||
        !PairKey(f, "pausetime", "ii", &p->pauseTime[0], &p->pauseTime[1], pl, &n))
        return 0;
    ExprCopy(&p->guardPauseTime[0], &p->pauseTime[0]);
    ExprCopy(&p->guardPauseTime[1], &p->pauseTime[1]);
    if (!PairKey(f, "guard.pausetime", "ii", &p->guardPauseTime[0], &p->guardPauseTime[1], pl, &n))
        return 0;
    if (!IntKey(f, "kill", &p->kill, pl, 1) || !IntKey(f, "guard.kill", &p->guardKill, pl, 1) ||
        !IntKey(f, "fall.kill", &p->fallKill, pl, 1) ||
        !IntKey(f, "hitonce", &p->hitOnce, pl, (p->attr & HITDEF_THROW_ATTR) ? 1 : 0) ||
        !IntKey(f, "numhits", &p->numHits, pl, 1))
        return 0;

    ExprSetInt(&p->damage[0], 0);
    ExprSetInt(&p->damage[1], 0);
    if (!PairKey(f, "damage", "ii", &p->damage[0], &p->damage[1], pl, &n))
        return 0;
    static const char *const powerKeys[2] = {"getpower", "givepower"};
    Expr *powers[2] = {p->getPower, p->givePower};
    for (int k = 0; k < 2; k++) {
        Expr *pw = powers[k];
        if (!PairKey(f, powerKeys[k], "ii", &pw[0], &pw[1], pl, &n))
            return 0;
        if (n == 0) {
            float mul = !gv ? 0.0f : k == 0 ? gv->cfg.rules.attackLifeToPowerMul : gv->cfg.rules.getHitLifeToPowerMul;
            ExprCopy(&pw[0], &p->damage[0]);
            ExprMulFloat(&pw[0], mul);
        }
        if (n < 2) {
            ExprCopy(&pw[1], &pw[0]);
            ExprDivInt(&pw[1], 2);
        }
    }

    if (!PriorityKey(f, p, pl) || !SoundKey(f, "hitsound", p->hitSound, &p->hitSoundCommon, pl) ||
        !SoundKey(f, "guardsound", p->guardSound, &p->guardSoundCommon, pl))
        return 0;
    if (!IntKey(f, "ground.slidetime", &p->groundSlideTime, pl, 0) ||
        !IntKey(f, "ground.hittime", &p->groundHitTime, pl, 0))
        return 0;
    ExprSetFloat(&p->groundVel[0], 0.0f);
    ExprSetFloat(&p->groundVel[1], 0.0f);
    ExprSetFloat(&p->airVel[0], 0.0f);
    ExprSetFloat(&p->airVel[1], 0.0f);
    const char *v = TxtParseValueGet(f, "ground.velocity");
    if (v && !SCtrlFloatPairOptParse(v, &p->groundVel[0], &p->groundVel[1], pl))
        return SCtrlKeyFailed("ground.velocity");
    v = TxtParseValueGet(f, "air.velocity");
    if (v && !SCtrlFloatPairOptParse(v, &p->airVel[0], &p->airVel[1], pl))
        return SCtrlKeyFailed("air.velocity");
    if (!IntKey(f, "air.juggle", &p->airJuggle, pl, -1) || !IntKey(f, "air.hittime", &p->airHitTime, pl, 20))
        return 0;
    ExprSetInt(&p->attackWidth[0], -1);
    ExprSetInt(&p->attackWidth[1], -1);
    if (!PairKey(f, "attack.width", "ii", &p->attackWidth[0], &p->attackWidth[1], pl, &n))
        return 0;

    for (int i = 0; i < 3; i++) {
        ExprSetInt(&p->minDist[i], HITDEF_DIST_NONE);
        ExprSetInt(&p->maxDist[i], HITDEF_DIST_NONE);
    }
    ExprSetInt(&p->p2BindTime, 0);
    if (TxtParseValueGet(f, "snap")) {
        Expr *snap[4] = {&p->minDist[0], &p->minDist[1], &p->minDist[2], &p->p2BindTime};
        if (!SCtrlListKey(f, "snap", "iiii", snap, pl, &n))
            return 0;
        for (int i = 0; i < 3 && i < n; i++)
            ExprCopy(&p->maxDist[i], &p->minDist[i]);
    } else {
        Expr *minItems[3] = {&p->minDist[0], &p->minDist[1], &p->minDist[2]};
        Expr *maxItems[3] = {&p->maxDist[0], &p->maxDist[1], &p->maxDist[2]};
        if (!SCtrlListKey(f, "mindist", "iii", minItems, pl, &n) || !SCtrlListKey(f, "maxdist", "iii", maxItems, pl, &n))
            return 0;
    }

    const char *sprKey = TxtParseValueGet(f, "p1sprpriority") ? "p1sprpriority" : "sprpriority";
    if (!IntKey(f, sprKey, &p->p1SprPriority, pl, 1) || !IntKey(f, "p2sprpriority", &p->p2SprPriority, pl, 0) ||
        !IntKey(f, "p1facing", &p->p1Facing, pl, 0) || !IntKey(f, "p1getp2facing", &p->p1GetP2Facing, pl, 0) ||
        !IntKey(f, "p2facing", &p->p2Facing, pl, 0) || !IntKey(f, "p1stateno", &p->p1StateNo, pl, -1) ||
        !IntKey(f, "p2stateno", &p->p2StateNo, pl, -1, &given) ||
        !IntKey(f, "p2getp1state", &p->p2GetP1State, pl, given ? 1 : 0) ||
        !IntKey(f, "forcestand", &p->forceStand, pl, 0, &p->forceStandGiven) ||
        !IntKey(f, "fall.damage", &p->fallDamage, pl, 0) ||
        !FloatKey(f, "fall.xvelocity", &p->fallVelX, pl, SCTRL_NOT_GIVEN_FLOAT) ||
        !FloatKey(f, "fall.yvelocity", &p->fallVelY, pl, -4.5f) ||
        !IntKey(f, "fall.recover", &p->fallRecover, pl, 1) ||
        !IntKey(f, "fall.recovertime", &p->fallRecoverTime, pl, 4) ||
        !FloatKey(f, "yaccel", &p->yAccel, pl, SCTRL_NOT_GIVEN_FLOAT))
        return 0;

    ExprCopy(&p->downVel[0], &p->airVel[0]);
    ExprCopy(&p->downVel[1], &p->airVel[1]);
    if (!PairKey(f, "down.velocity", "ff", &p->downVel[0], &p->downVel[1], pl, &n) ||
        !IntKey(f, "down.bounce", &p->downBounce, pl, 0) || !IntKey(f, "down.hittime", &p->downHitTime, pl, 20))
        return 0;

    ExprCopy(&p->guardSlideTime, &p->groundSlideTime);
    ExprCopy(&p->guardHitTime, &p->groundHitTime);
    if (TxtParseValueGet(f, "guard.slidetime") && !IntKey(f, "guard.slidetime", &p->guardSlideTime, pl, 0))
        return 0;
    if (TxtParseValueGet(f, "guard.hittime") && !IntKey(f, "guard.hittime", &p->guardHitTime, pl, 0))
        return 0;
    DerivedFloat(&p->guardVel, &p->groundVel[0], 1.0f);
    if (TxtParseValueGet(f, "guard.velocity") && !FloatKey(f, "guard.velocity", &p->guardVel, pl, 0.0f))
        return 0;
    ExprCopy(&p->guardCtrlTime, &p->guardSlideTime);
    if (TxtParseValueGet(f, "guard.ctrltime") && !IntKey(f, "guard.ctrltime", &p->guardCtrlTime, pl, 0))
        return 0;
    if (!IntKey(f, "guard.dist", &p->guardDist, pl, -1))
        return 0;

    if (p->attr & 0x4)
        ExprSetFloat(&p->groundCornerPush, 0.0f);
    else
        DerivedFloat(&p->groundCornerPush, &p->guardVel, 1.3f);
    if (TxtParseValueGet(f, "ground.cornerpush.veloff") &&
        !FloatKey(f, "ground.cornerpush.veloff", &p->groundCornerPush, pl, 0.0f))
        return 0;
    static const char *const pushKeys[3] = {"air.cornerpush.veloff", "down.cornerpush.veloff",
                                            "guard.cornerpush.veloff"};
    Expr *pushes[3] = {&p->airCornerPush, &p->downCornerPush, &p->guardCornerPush};
    for (int i = 0; i < 3; i++) {
        DerivedFloat(pushes[i], &p->groundCornerPush, 1.0f);
        if (TxtParseValueGet(f, pushKeys[i]) && !FloatKey(f, pushKeys[i], pushes[i], pl, 0.0f))
            return 0;
    }
    DerivedFloat(&p->airGuardCornerPush, &p->guardCornerPush, 1.0f);
    if (TxtParseValueGet(f, "airguard.cornerpush.veloff") &&
        !FloatKey(f, "airguard.cornerpush.veloff", &p->airGuardCornerPush, pl, 0.0f))
        return 0;
    DerivedFloat(&p->airGuardVel[0], &p->airVel[0], 1.5f);
    DerivedFloat(&p->airGuardVel[1], &p->airVel[1], 0.5f);
    if (!PairKey(f, "airguard.velocity", "ff", &p->airGuardVel[0], &p->airGuardVel[1], pl, &n))
        return 0;
    ExprCopy(&p->airGuardCtrlTime, &p->guardCtrlTime);
    if (TxtParseValueGet(f, "airguard.ctrltime") && !IntKey(f, "airguard.ctrltime", &p->airGuardCtrlTime, pl, 0))
        return 0;
    if (!IntKey(f, "fall", &p->fall, pl, 0))
        return 0;
    ExprCopy(&p->airFall, &p->fall);
    if (TxtParseValueGet(f, "air.fall") && !IntKey(f, "air.fall", &p->airFall, pl, 0))
        return 0;

    const char *flags = TxtParseValueGet(f, "guardflag");
    p->guardFlag = flags ? SCtrlHitFlagParse(flags) : 0;
    flags = TxtParseValueGet(f, "hitflag");
    p->hitFlag = SCtrlHitFlagParse(flags ? flags : "MAF");

    p->animType = HITDEF_ANIM_LIGHT;
    if (!AnimTypeKey(f, "animtype", &p->animType, "Invalid animtype"))
        return 0;
    p->airAnimType = p->animType;
    if (!AnimTypeKey(f, "air.animtype", &p->airAnimType, "Invalid air.animtype"))
        return 0;
    p->fallAnimType = (p->airAnimType == HITDEF_ANIM_UP || p->airAnimType == HITDEF_ANIM_DIAGUP) ? p->airAnimType
                                                                                              : HITDEF_ANIM_BACK;
    if (!AnimTypeKey(f, "fall.animtype", &p->fallAnimType, "Invalid fall.animtype"))
        return 0;
    p->groundType = HITDEF_TYPE_HIGH;
    if (!GroundTypeKey(f, "ground.type", &p->groundType, "Invalid ground.type"))
        return 0;
    p->airType = p->groundType;
    if (!GroundTypeKey(f, "air.type", &p->airType, "Invalid air.type"))
        return 0;

    p->palFx.target = PALFX_TARGET_PLAYER;
    return SCtrlPalFXParse(f, "palfx.", &p->palFx, pl) && SCtrlEnvShakeParse(f, "envshake.", &p->shake, pl) &&
           SCtrlEnvShakeParse(f, "fall.envshake.", &p->fallShake, pl);
}

// An int below the floor warns and takes the replacement.
static int Floor(Player *pl, int value, int floor, int replacement, const char *warning)
{
    if (value >= floor)
        return value;
    PlayerWarn(pl, warning);
    return replacement;
}

static int Int(Player *pl, const Expr *e)
{
    return ExprEvalInt(pl, e, 1);
}

static int Flag(Player *pl, const Expr *e)
{
    return Int(pl, e) != 0;
}

int SCtrlHitDefEval(const HitDefParams *p, HitDef *hd, Player *pl)
{
    hd->affectTeam = p->affectTeam;
    hd->attr = p->attr;
    hd->id = Floor(pl, Int(pl, &p->id), 0, 0, "assigned negative hitID");
    hd->chainId = Floor(pl, Int(pl, &p->chainId), -1, -1, "specified negative chainID");
    hd->noChainId[0] = Floor(pl, Int(pl, &p->noChainId[0]), -1, -1, "specified negative nochainID");
    hd->noChainId[1] = Floor(pl, Int(pl, &p->noChainId[1]), -1, -1, "specified negative nochainID2");
    if (hd->chainId != -1 && (hd->chainId == hd->noChainId[0] || hd->chainId == hd->noChainId[1]))
        hd->chainId = hd->noChainId[0] = hd->noChainId[1] = -1;
    hd->kill = Flag(pl, &p->kill);
    hd->guardKill = Flag(pl, &p->guardKill);
    hd->fallKill = Flag(pl, &p->fallKill);
    hd->hitOnce = Flag(pl, &p->hitOnce);
    hd->juggle = Floor(pl, Int(pl, &p->airJuggle), -1, -1, "illegal juggle points");
    hd->damage = Int(pl, &p->damage[0]);
    hd->guardDamage = Int(pl, &p->damage[1]);
    hd->getPower = ExprEvalInt(pl, &p->getPower[0], 0);
    hd->guardGetPower = ExprEvalInt(pl, &p->getPower[1], 0);
    hd->givePower = ExprEvalInt(pl, &p->givePower[0], 0);
    hd->guardGivePower = ExprEvalInt(pl, &p->givePower[1], 0);
    hd->p2ShakeTime = Floor(pl, Int(pl, &p->pauseTime[1]), 0, 0, "specified negative p2shaketime");
    hd->p1PauseTime = Floor(pl, Int(pl, &p->pauseTime[0]), 0, 0, "specified negative pausetime");
    hd->numHits = Int(pl, &p->numHits);
    hd->hitSoundGroup = Floor(pl, Int(pl, &p->hitSound[0]), -1, -1, "specified illegal sound group");
    hd->hitSoundNo = Floor(pl, Int(pl, &p->hitSound[1]), -1, -1, "specified illegal sound no");
    hd->hitSoundCommon = p->hitSoundCommon;
    hd->guardSoundGroup = Floor(pl, Int(pl, &p->guardSound[0]), -1, -1, "specified illegal gsound group");
    hd->guardSoundNo = Floor(pl, Int(pl, &p->guardSound[1]), -1, -1, "specified illegal gsound no");
    hd->guardSoundCommon = p->guardSoundCommon;
    hd->guardFlag = p->guardFlag;
    hd->hitFlag = p->hitFlag;
    hd->priority = Floor(pl, Int(pl, &p->priority), 0, 0, "specified negative hit priority");
    hd->priorityType = p->priorityType;
    hd->attackWidthFront = Int(pl, &p->attackWidth[0]);
    hd->attackWidthBack = Int(pl, &p->attackWidth[1]);
    hd->p1StateNo = Floor(pl, Int(pl, &p->p1StateNo), -1, -1, "specified negative p1stateno");
    hd->p2StateNo = Floor(pl, Int(pl, &p->p2StateNo), -1, -1, "specified negative p2stateno");
    hd->p2GetP1State = Flag(pl, &p->p2GetP1State);
    hd->p2BindTime = Floor(pl, Int(pl, &p->p2BindTime), -1, 1, "specified illegal p2bindtime");
    hd->p1SprPriority = Int(pl, &p->p1SprPriority);
    hd->p2SprPriority = Int(pl, &p->p2SprPriority);
    hd->animType = p->animType;
    hd->forceStand = Flag(pl, &p->forceStand);
    hd->reversalAttr = p->reversalAttr;
    hd->fallDamage = Int(pl, &p->fallDamage);
    hd->fallAnimType = p->fallAnimType;
    hd->fallVelX = ExprEvalFloat(pl, &p->fallVelX);
    hd->fallVelY = ExprEvalFloat(pl, &p->fallVelY);
    hd->fallRecover = Flag(pl, &p->fallRecover);
    hd->fallRecoverTime = Floor(pl, Int(pl, &p->fallRecoverTime), 0, 4, "specified negative recovertime");
    SCtrlEnvShakeEval(&p->fallShake, &hd->fallShake, pl);
    hd->sparkNo = Floor(pl, Int(pl, &p->sparkNo), -2, -2, "illegal spark no");
    hd->sparkOwn = p->sparkOwn;
    hd->guardSparkNo = Floor(pl, Int(pl, &p->guardSparkNo), -2, -2, "illegal gspark no");
    hd->guardSparkOwn = p->guardSparkOwn;
    hd->sparkX = Int(pl, &p->sparkXY[0]);
    hd->sparkY = Int(pl, &p->sparkXY[1]);
    hd->p1Turn = Int(pl, &p->p1Facing) < 0;
    int getFacing = Int(pl, &p->p1GetP2Facing);
    hd->p1GetP2Facing = getFacing > 0 ? 1 : getFacing < 0 ? -1 : 0;
    if (hd->p1GetP2Facing)
        hd->p1Turn = 0;
    for (int i = 0; i < 2; i++) {
        hd->minDist[i] = Int(pl, &p->minDist[i]);
        hd->maxDist[i] = Int(pl, &p->maxDist[i]);
    }
    // The depth values are never given, so no hit snaps the victim's z.
    hd->minDist[2] = HITDEF_DIST_NONE;
    hd->maxDist[2] = HITDEF_DIST_NONE;
    hd->p2Facing = Int(pl, &p->p2Facing);
    if (hd->p2Facing < -1 || hd->p2Facing > 1) {
        PlayerWarn(pl, "Illegal p2facing parameter");
        hd->p2Facing = 0;
    }
    hd->groundType = p->groundType;
    hd->groundHitTime = Floor(pl, Int(pl, &p->groundHitTime), 0, 0, "negative ground.p2hittime");
    hd->groundSlideTime = Floor(pl, Int(pl, &p->groundSlideTime), 0, 0, "negative ground.p2slidetime");
    hd->groundVelX = ExprEvalFloat(pl, &p->groundVel[0]);
    hd->groundVelY = ExprEvalFloat(pl, &p->groundVel[1]);
    if (!p->forceStandGiven && hd->groundVelY != 0.0f)
        hd->forceStand = 1;
    hd->groundCornerPush = ExprEvalFloat(pl, &p->groundCornerPush);
    hd->airType = p->airType;
    hd->airAnimType = p->airAnimType;
    hd->airHitTime = Floor(pl, Int(pl, &p->airHitTime), 0, 0, "negative air.p2hittime");
    hd->airFall = Flag(pl, &p->airFall);
    hd->airVelX = ExprEvalFloat(pl, &p->airVel[0]);
    hd->airVelY = ExprEvalFloat(pl, &p->airVel[1]);
    hd->airCornerPush = ExprEvalFloat(pl, &p->airCornerPush);
    hd->downBounce = Flag(pl, &p->downBounce);
    hd->downHitTime = Floor(pl, Int(pl, &p->downHitTime), 0, 0, "negative down.p2hittime");
    hd->downVelX = ExprEvalFloat(pl, &p->downVel[0]);
    hd->downVelY = ExprEvalFloat(pl, &p->downVel[1]);
    hd->downCornerPush = ExprEvalFloat(pl, &p->downCornerPush);
    hd->guardVel = ExprEvalFloat(pl, &p->guardVel);
    hd->guardHitTime = Floor(pl, Int(pl, &p->guardHitTime), 0, 0, "negative guard.p2hittime");
    hd->guardSlideTime = Floor(pl, Int(pl, &p->guardSlideTime), 0, 0, "negative guard.p2slidetime");
    hd->guardCtrlTime = Floor(pl, Int(pl, &p->guardCtrlTime), 0, 0, "negative guard.p2ctrltime");
    hd->guardDist = Int(pl, &p->guardDist);
    hd->guardP2ShakeTime = Floor(pl, Int(pl, &p->guardPauseTime[1]), 0, 0, "negative guard.p2shaketime");
    hd->guardP1PauseTime = Floor(pl, Int(pl, &p->guardPauseTime[0]), 0, 0, "negative guard.p1pausetime");
    hd->guardCornerPush = ExprEvalFloat(pl, &p->guardCornerPush);
    hd->airGuardVelX = ExprEvalFloat(pl, &p->airGuardVel[0]);
    hd->airGuardVelY = ExprEvalFloat(pl, &p->airGuardVel[1]);
    hd->airGuardCtrlTime = Floor(pl, Int(pl, &p->airGuardCtrlTime), 0, 0, "negative airguard.p2ctrltime");
    hd->airGuardCornerPush = ExprEvalFloat(pl, &p->airGuardCornerPush);
    hd->yAccel = ExprEvalFloat(pl, &p->yAccel);
    if (Flag(pl, &p->fall))
        hd->hitFlag |= HITDEF_FALL_BIT;
    SCtrlPalFXEval(&p->palFx, &hd->palFx, pl);
    SCtrlEnvShakeEval(&p->shake, &hd->shake, pl);
    return 1;
}

void SCtrlHitDefFree(HitDefParams *p)
{
    if (!p)
        return;
    Expr *all[] = {&p->id, &p->chainId, &p->noChainId[0], &p->noChainId[1], &p->sparkNo, &p->guardSparkNo,
                   &p->sparkXY[0], &p->sparkXY[1], &p->pauseTime[0], &p->pauseTime[1], &p->guardPauseTime[0],
                   &p->guardPauseTime[1], &p->kill, &p->guardKill, &p->fallKill, &p->hitOnce, &p->numHits,
                   &p->damage[0], &p->damage[1], &p->getPower[0], &p->getPower[1], &p->givePower[0],
                   &p->givePower[1], &p->priority, &p->hitSound[0], &p->hitSound[1], &p->guardSound[0],
                   &p->guardSound[1], &p->groundSlideTime, &p->groundHitTime, &p->groundVel[0], &p->groundVel[1],
                   &p->airVel[0], &p->airVel[1], &p->airJuggle, &p->airHitTime, &p->attackWidth[0],
                   &p->attackWidth[1], &p->minDist[0], &p->minDist[1], &p->minDist[2], &p->maxDist[0],
                   &p->maxDist[1], &p->maxDist[2], &p->p2BindTime, &p->p1SprPriority, &p->p2SprPriority,
                   &p->p1Facing, &p->p1GetP2Facing, &p->p2Facing, &p->p1StateNo, &p->p2StateNo, &p->p2GetP1State,
                   &p->forceStand, &p->fallDamage, &p->fallVelX, &p->fallVelY, &p->fallRecover,
                   &p->fallRecoverTime, &p->yAccel, &p->downVel[0], &p->downVel[1], &p->downBounce,
                   &p->downHitTime, &p->guardSlideTime, &p->guardHitTime, &p->guardVel, &p->guardCtrlTime,
                   &p->guardDist, &p->groundCornerPush, &p->airCornerPush, &p->downCornerPush,
                   &p->guardCornerPush, &p->airGuardCornerPush, &p->airGuardVel[0], &p->airGuardVel[1],
                   &p->airGuardCtrlTime, &p->fall, &p->airFall};
    for (Expr *e : all)
        ExprFree(e);
    SCtrlPalFXFree(&p->palFx);
    SCtrlEnvShakeFree(&p->shake);
    SCtrlEnvShakeFree(&p->fallShake);
}

int SCtrlHitDefApply(const HitDefParams *p, Player *pl, int reversal)
{
    HitDef *hd = &pl->hitDef;
    int juggle = hd->juggle;
    int guardDist = hd->guardDist;
    SCtrlHitDefEval(p, hd, pl);
    hd->active = 1;
    if (reversal)
        hd->reversalUsed = 0;
    hd->juggle = juggle;
    int evaluated = hd->damage;
    double scaled = (double)evaluated * (double)pl->attackMul + 0.5;
    if (scaled != scaled)
        hd->damage = 0;
    else if (scaled >= 2147483647.0)
        hd->damage = 2147483647;
    else if (scaled <= -2147483648.0)
        hd->damage = (-2147483647 - 1);
    else
        hd->damage = (int)scaled;
    if (evaluated >= 1 && hd->damage == 0)
        hd->damage = 1;
    if (hd->guardDist == -1)
        hd->guardDist = guardDist;
    if (gv) {
        hd->serial = gv->hitDefSerial;
        gv->hitDefSerial = (int)((unsigned)gv->hitDefSerial + 1u);
    }
    return 0;
}
