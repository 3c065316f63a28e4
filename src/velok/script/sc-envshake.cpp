// EnvShake parameters: the shake keys read under a prefix and evaluated into a shake block.
#include "velok/script/sc-envshake.h"

#include <cmath>
#include <cstdio>

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static int PrefixedKey(TxtParseFile *f, const char *prefix, const char *key, Expr *e, Player *pl, int isFloat,
                       float def, int *given = nullptr)
{
    char name[64];
    snprintf(name, sizeof name, "%s%s", prefix, key);
    if (given)
        *given = TxtParseValueGet(f, name) != nullptr;
    int ok = isFloat ? SCtrlParamFloat(f, name, e, pl, def) : SCtrlParamInt(f, name, e, pl, (int)def);
    if (!ok)
        GameErrorAppend("\nError parsing %s", name);
    return ok;
}

int SCtrlEnvShakeParse(TxtParseFile *f, const char *prefix, EnvShakeParams *p, Player *pl)
{
    if (!prefix)
        prefix = "";
    return PrefixedKey(f, prefix, "time", &p->time, pl, 0, 0) && PrefixedKey(f, prefix, "dir", &p->dir, pl, 0, 0) &&
           PrefixedKey(f, prefix, "ampl", &p->ampl, pl, 0, -4) &&
           PrefixedKey(f, prefix, "freq", &p->freq, pl, 1, 60.0f) &&
           PrefixedKey(f, prefix, "phase", &p->phase, pl, 1, 0.0f, &p->phaseGiven);
}

void SCtrlEnvShakeEval(const EnvShakeParams *p, EnvShakeBlock *out, Player *pl)
{
    out->counter = 0;
    out->time = ExprEvalInt(pl, &p->time, 1);
    out->dir = 0;
    out->ampl = ExprEvalFloat(pl, &p->ampl);
    float freq = ExprEvalFloat(pl, &p->freq);
    if (freq == 0.0f) {
        freq = 0.001f;
    } else if (freq < 0.0f) {
        PlayerWarn(pl, "negative freq for EnvShake");
        freq = fabsf(freq);
    }
    out->freq = freq;
    out->phase = ExprEvalFloat(pl, &p->phase);
    if (!p->phaseGiven && freq >= 90.0f)
        out->phase = 90.0f;
}

void SCtrlEnvShakeFree(EnvShakeParams *p)
{
    if (!p)
        return;
    ExprFree(&p->time);
    ExprFree(&p->dir);
    ExprFree(&p->ampl);
    ExprFree(&p->freq);
    ExprFree(&p->phase);
}

void EnvShakeStart(const EnvShakeBlock *b)
{
    if (!gv)
        return;
    gv->shakeTime = b->time;
    gv->shakeCounter = 0;
    gv->shakeFreq = b->freq;
    gv->shakeAmpl = b->ampl;
    gv->shakePhase = b->phase;
}
