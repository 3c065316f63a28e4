// HitOverride parameters: the override keys and their evaluation into one of the player's override slots.
#include "velok/script/sc-hitovr.h"

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    if (SCtrlParamInt(f, key, e, pl, def))
        return 1;
    GameErrorAppend("\nError parsing %s", key);
    return 0;
}

int SCtrlHitOverrideParse(TxtParseFile *f, HitOverrideParams *p, Player *pl)
{
    p->attr = 0;
    const char *v = TxtParseValueGet(f, "attr");
    if (v) {
        int mask = SCtrlHitAttrParse(v, nullptr);
        if (mask < 0) {
            GameErrorSet("Invalid attr: %s", v);
            return 0;
        }
        p->attr = mask;
    }
    return IntKey(f, "stateno", &p->stateNo, pl, -1) && IntKey(f, "time", &p->time, pl, 1) &&
           IntKey(f, "forceair", &p->forceAir, pl, 0);
}

void SCtrlHitOverrideEval(const HitOverrideParams *p, Player *pl, int slot)
{
    if (slot < 0 || slot >= PLAYER_OVERRIDE_COUNT)
        return;
    PlayerHitOverride *o = &pl->hitOverride[slot];
    o->active = 1;
    o->attr = p->attr;
    o->stateNo = ExprEvalInt(pl, &p->stateNo, 1);
    if (o->stateNo < -1) {
        PlayerWarn(pl, "Illegal hitoverride stateno.");
        o->stateNo = -1;
    }
    o->time = ExprEvalInt(pl, &p->time, 1);
    if (o->time < -1) {
        PlayerWarn(pl, "Illegal hitoverride time.");
        o->time = 1;
    }
    o->forceAir = ExprEvalInt(pl, &p->forceAir, 1);
}

void SCtrlHitOverrideFree(HitOverrideParams *p)
{
    if (!p)
        return;
    ExprFree(&p->stateNo);
    ExprFree(&p->time);
    ExprFree(&p->forceAir);
}
