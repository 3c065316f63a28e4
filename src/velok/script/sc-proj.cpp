// Projectile parameters: the projectile keys with their embedded attack and trail, evaluated into a new projectile.
#include "velok/script/sc-proj.h"

#include <climits>
#include <cstring>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/sc-afterimg.h"
#include "velok/script/stparam.h"

static int Failed(const char *key)
{
    GameErrorAppend("\nError parsing %s", key);
    return 0;
}

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : Failed(key);
}

// A list over its defaults: fewer values may be given, text left over after
// the list fails.
static int ListKey(TxtParseFile *f, const char *key, const char *format, Expr *items, Player *pl)
{
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 1;
    Expr *ptrs[3] = {&items[0], &items[1], &items[2]};
    const char *end = v;
    SCtrlParseListArr(v, format, pl, &end, ptrs);
    return *end ? Failed(key) : 1;
}

static void Pair(Expr *e, float a, float b)
{
    ExprSetFloat(&e[0], a);
    ExprSetFloat(&e[1], b);
}

// An int key whose default is another key's value.
static int DerivedKey(TxtParseFile *f, const char *key, Expr *e, const Expr *from, Player *pl)
{
    ExprCopy(e, from);
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 1;
    return ExprCompile(v, e, pl, nullptr, 1) ? 1 : Failed(key);
}

int SCtrlProjectileParse(TxtParseFile *f, ProjectileParams *p, Player *pl)
{
    ExprSetInt(&p->offset[0], 0);
    ExprSetInt(&p->offset[1], 0);
    if (!IntKey(f, "projid", &p->projId, pl, 0) || !IntKey(f, "projanim", &p->projAnim, pl, 0) ||
        !ListKey(f, "offset", "ii", p->offset, pl))
        return 0;
    p->posType = POSTYPE_P1;
    const char *v = TxtParseValueGet(f, "postype");
    if (v) {
        p->posType = SCtrlPosTypeParse(v);
        if (p->posType == POSTYPE_NONE) {
            GameErrorSet("Illegal postype: %s", v);
            return 0;
        }
    }
    ExprSetInt(&p->projHeightBound[0], -240);
    ExprSetInt(&p->projHeightBound[1], 1);
    Pair(p->velocity, 0.0f, 0.0f);
    Pair(p->remVelocity, 0.0f, 0.0f);
    Pair(p->velMul, 1.0f, 1.0f);
    Pair(p->accel, 0.0f, 0.0f);
    Pair(p->projScale, 1.0f, 1.0f);
    for (Expr &e : p->projShadow)
        ExprSetInt(&e, 0);
    if (!IntKey(f, "projhitanim", &p->projHitAnim, pl, -1) ||
        !DerivedKey(f, "projremanim", &p->projRemAnim, &p->projHitAnim, pl) ||
        !DerivedKey(f, "projcancelanim", &p->projCancelAnim, &p->projRemAnim, pl) ||
        !IntKey(f, "projsprpriority", &p->projSprPriority, pl, 3) ||
        !IntKey(f, "projedgebound", &p->projEdgeBound, pl, 40) ||
        !IntKey(f, "projstagebound", &p->projStageBound, pl, 40) ||
        !ListKey(f, "projheightbound", "ii", p->projHeightBound, pl) || !ListKey(f, "velocity", "ff", p->velocity, pl) ||
        !ListKey(f, "remvelocity", "ff", p->remVelocity, pl) || !ListKey(f, "velmul", "ff", p->velMul, pl) ||
        !ListKey(f, "accel", "ff", p->accel, pl) || !ListKey(f, "projscale", "ff", p->projScale, pl) ||
        !IntKey(f, "projhits", &p->projHits, pl, 1) || !IntKey(f, "projpriority", &p->projPriority, pl, 1) ||
        !IntKey(f, "projremove", &p->projRemove, pl, 1) ||
        !IntKey(f, "projremovetime", &p->projRemoveTime, pl, -1) ||
        !IntKey(f, "projmisstime", &p->projMissTime, pl, 0) || !ListKey(f, "projshadow", "iii", p->projShadow, pl) ||
        !IntKey(f, "pausemovetime", &p->pauseMoveTime, pl, 0) ||
        !IntKey(f, "supermovetime", &p->superMoveTime, pl, 0))
        return 0;
    if (!SCtrlHitDefParse(f, &p->hitDef, pl)) {
        GameErrorAppend("\nError parsing Hitdef of projectile");
        return 0;
    }
    if (TxtParseValueGet(f, "afterimage.time")) {
        p->afterImage = (AfterImageCtrlParams *)LibCalloc(1, sizeof(AfterImageCtrlParams));
        if (!p->afterImage) {
            GameErrorSet("Out of memory");
            return 0;
        }
        if (!SCtrlAfterImageParse(f, "afterimage.", p->afterImage, pl)) {
            GameErrorAppend("\nError parsing Afterimage of projectile");
            return 0;
        }
    }
    return 1;
}

static int Int(Player *pl, const Expr *e)
{
    return ExprEvalInt(pl, e, 1);
}

static float Float(Player *pl, const Expr *e)
{
    return ExprEvalFloat(pl, e);
}

static int IntPart(float v)
{
    return ExprFloatToInt(v);
}

int SCtrlProjectileEval(const ProjectileParams *p, Player *pl, Player *opponent, Player *listOwner)
{
    Projectile t;
    memset(&t, 0, sizeof t);
    t.id = Int(pl, &p->projId);
    if (t.id < 0) {
        PlayerWarn(pl, "negative projectile ID");
        t.id = 0;
    }
    t.state = PROJ_STATE_FLYING;
    t.side = pl->side;
    t.remove = Int(pl, &p->projRemove) != 0;
    t.removeTime = Int(pl, &p->projRemoveTime);
    if (t.removeTime < -1) {
        PlayerWarn(pl, "illegal projremovetime");
        t.removeTime = 1;
    }

    int rgb[3];
    bool bad = false, none = false;
    for (int c = 0; c < 3; c++) {
        rgb[c] = Int(pl, &p->projShadow[c]);
        bad = bad || rgb[c] < -1 || rgb[c] > 255;
        none = none || rgb[c] == -1;
    }
    if (bad) {
        PlayerWarn(pl, "illegal shadowcolor");
        t.shadow = -1;
    } else {
        t.shadow = none ? -1 : PalColor565(rgb[0], rgb[1], rgb[2]);
    }

    t.missTime = Int(pl, &p->projMissTime);
    if (t.missTime < 0) {
        PlayerWarn(pl, "negative projectile miss time");
        t.missTime = 2;
    }
    t.hits = Int(pl, &p->projHits);
    if (t.hits < 0) {
        PlayerWarn(pl, "negative # of projectile hits");
        t.hits = 1;
    }
    t.priority = Int(pl, &p->projPriority);

    t.hitAnim = Int(pl, &p->projHitAnim);
    if (t.hitAnim < -1) {
        PlayerWarn(pl, "illegal projhit actionid");
        t.hitAnim = -1;
    }
    // Kept as given: the end step deletes a projectile at once for any
    // negative end action, as for one that names no action.
    t.removeAnim = Int(pl, &p->projRemAnim);
    if (t.removeAnim < -1)
        PlayerWarn(pl, "illegal projremove actionid");
    t.cancelAnim = Int(pl, &p->projCancelAnim);
    if (t.cancelAnim < -1)
        PlayerWarn(pl, "illegal projcancel actionid");

    t.velX = Float(pl, &p->velocity[0]);
    t.velY = Float(pl, &p->velocity[1]);
    t.remVelX = Float(pl, &p->remVelocity[0]);
    t.remVelY = Float(pl, &p->remVelocity[1]);
    t.velMulX = Float(pl, &p->velMul[0]);
    t.velMulY = Float(pl, &p->velMul[1]);
    t.accelX = Float(pl, &p->accel[0]);
    t.accelY = Float(pl, &p->accel[1]);
    t.xScale = Float(pl, &p->projScale[0]);
    t.yScale = Float(pl, &p->projScale[1]);
    if (pl->consts.projDoScale) {
        t.xScale *= pl->consts.xScale;
        t.yScale *= pl->consts.yScale;
    }

    SCtrlHitDefEval(&p->hitDef, &t.hitDef, pl);
    if (gv) {
        t.hitDef.serial = gv->hitDefSerial;
        gv->hitDefSerial = (int)((unsigned)gv->hitDefSerial + 1u);
    }
    t.hitDef.active = t.hitDef.attr != 0;
    if (t.hitDef.guardDist == -1)
        t.hitDef.guardDist = pl->consts.projAttackDist;

    int f = pl->facing;
    t.facing = f;
    float cam = gv ? gv->cameraX : 0.0f;
    float baseX, baseY = 0.0f;
    switch (p->posType) {
    case POSTYPE_P2:
        if (opponent) {
            baseX = (float)IntPart(opponent->posX);
            baseY = (float)IntPart(opponent->posY);
            break;
        }
        [[fallthrough]];
    default:
    case POSTYPE_P1:
        baseX = (float)IntPart(pl->posX);
        baseY = (float)IntPart(pl->posY);
        break;
    case POSTYPE_FRONT: baseX = f > 0 ? cam + 320.0f : cam; break;
    case POSTYPE_BACK: baseX = f > 0 ? cam : cam + 320.0f; break;
    case POSTYPE_LEFT: baseX = cam; break;
    case POSTYPE_RIGHT: baseX = cam + 320.0f; break;
    }
    t.x = baseX + Float(pl, &p->offset[0]) * (float)f;
    t.y = baseY + Float(pl, &p->offset[1]);
    t.z = pl->posZ;
    t.velX *= (float)f;
    t.remVelX *= (float)f;
    t.accelX *= (float)f;

    t.sprPriority = Int(pl, &p->projSprPriority);
    int stageBound = Int(pl, &p->projStageBound);
    t.stageLeft = ClampInt((long long)(gv ? gv->stage.boundLeft : 0) - stageBound);
    t.stageRight = ClampInt((long long)(gv ? gv->stage.boundRight : 0) + stageBound + 320);
    t.edgeBound = Int(pl, &p->projEdgeBound);
    t.heightLow = Int(pl, &p->projHeightBound[0]);
    t.heightHigh = Int(pl, &p->projHeightBound[1]);

    int anim = Int(pl, &p->projAnim);
    if (anim < -1) {
        PlayerWarn(pl, "illegal projanim");
        anim = 0;
    }
    t.pauseMoveTime = Int(pl, &p->pauseMoveTime);
    t.superMoveTime = Int(pl, &p->superMoveTime);

    if (!listOwner)
        listOwner = pl;
    int index = ProjListAdd(pl, listOwner->projList, &t, anim);
    if (index < 0 || !p->afterImage)
        return index;
    Projectile *proj = ProjListAt(listOwner->projList, index);
    proj->afterImage = AfterImagePoolTake(proj);
    if (proj->afterImage)
        SCtrlAfterImageEval(p->afterImage, pl, proj->afterImage, &proj->anim);
    return index;
}

void SCtrlProjectileFree(ProjectileParams *p)
{
    if (!p)
        return;
    ExprFree(&p->projId);
    ExprFree(&p->offset[0]);
    ExprFree(&p->offset[1]);
    ExprFree(&p->projRemove);
    ExprFree(&p->projRemoveTime);
    ExprFree(&p->projMissTime);
    ExprFree(&p->projEdgeBound);
    ExprFree(&p->projStageBound);
    ExprFree(&p->projHeightBound[0]);
    ExprFree(&p->projHeightBound[1]);
    ExprFree(&p->projHits);
    ExprFree(&p->projPriority);
    ExprFree(&p->projAnim);
    ExprFree(&p->projHitAnim);
    ExprFree(&p->projRemAnim);
    ExprFree(&p->projCancelAnim);
    for (Expr &e : p->projShadow)
        ExprFree(&e);
    ExprFree(&p->projSprPriority);
    for (int i = 0; i < 2; i++) {
        ExprFree(&p->velocity[i]);
        ExprFree(&p->velMul[i]);
        ExprFree(&p->remVelocity[i]);
        ExprFree(&p->accel[i]);
        ExprFree(&p->projScale[i]);
    }
    ExprFree(&p->superMoveTime);
    ExprFree(&p->pauseMoveTime);
    SCtrlHitDefFree(&p->hitDef);
    if (p->afterImage) {
        SCtrlAfterImageFree(p->afterImage);
        MemFree(p->afterImage);
        p->afterImage = nullptr;
    }
}
