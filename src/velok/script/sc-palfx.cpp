// PalFX parameters: the palette-effect keys read under a prefix and evaluated into a timed effect block.
#include "velok/script/sc-palfx.h"

#include <cstdio>
#include <cstring>

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static void KeyName(char *name, size_t size, const char *prefix, const char *key)
{
    snprintf(name, size, "%s%s", prefix, key);
}

// A list of at least min values; fewer values, or text after the list, fail.
static int ListAtLeast(TxtParseFile *f, const char *name, const char *format, int min, Expr **items, Player *pl)
{
    const char *v = TxtParseValueGet(f, name);
    if (!v)
        return 1;
    const char *end = v;
    int n = SCtrlParseListArr(v, format, pl, &end, items);
    if (n < min || *end) {
        GameErrorAppend("\nError parsing %s", name);
        return 0;
    }
    return 1;
}

int SCtrlPalFXParse(TxtParseFile *f, const char *prefix, PalFxCtrlParams *p, Player *pl)
{
    if (!prefix)
        prefix = "";
    char name[64];
    for (int i = 0; i < 3; i++) {
        ExprSetInt(&p->mul[i], 256);
        ExprSetInt(&p->add[i], 0);
    }
    for (Expr &e : p->sinAdd)
        ExprSetInt(&e, 0);
    KeyName(name, sizeof name, prefix, "time");
    if (!SCtrlParamInt(f, name, &p->time, pl, 0)) {
        GameErrorAppend("\nError parsing %s", name);
        return 0;
    }
    Expr *mul[3] = {&p->mul[0], &p->mul[1], &p->mul[2]};
    Expr *add[3] = {&p->add[0], &p->add[1], &p->add[2]};
    Expr *sin[4] = {&p->sinAdd[0], &p->sinAdd[1], &p->sinAdd[2], &p->sinAdd[3]};
    KeyName(name, sizeof name, prefix, "mul");
    if (!ListAtLeast(f, name, "iii", 3, mul, pl))
        return 0;
    KeyName(name, sizeof name, prefix, "add");
    if (!ListAtLeast(f, name, "iii", 3, add, pl))
        return 0;
    KeyName(name, sizeof name, prefix, "sinadd");
    if (!ListAtLeast(f, name, "iiii", 3, sin, pl))
        return 0;
    KeyName(name, sizeof name, prefix, "invertall");
    if (!SCtrlParamInt(f, name, &p->invertAll, pl, 0)) {
        GameErrorAppend("\nError parsing %s", name);
        return 0;
    }
    KeyName(name, sizeof name, prefix, "color");
    if (!SCtrlParamInt(f, name, &p->color, pl, 256)) {
        GameErrorAppend("\nError parsing %s", name);
        return 0;
    }
    return 1;
}

void SCtrlPalFXEval(const PalFxCtrlParams *p, PalFx *out, Player *pl)
{
    memset(out, 0, sizeof *out);
    out->time = ExprEvalInt(pl, &p->time, 1);
    if (out->time < -1) {
        PlayerWarn(pl, "invalid PalFX time");
        out->time = 0;
    }
    out->color = ExprEvalInt(pl, &p->color, 1);
    if (out->color < 0 || out->color > 256)
        PlayerWarn(pl, "invalid PalFX color value");
    out->addR = ExprEvalInt(pl, &p->add[0], 1);
    out->addG = ExprEvalInt(pl, &p->add[1], 1);
    out->addB = ExprEvalInt(pl, &p->add[2], 1);
    out->mulR = ExprEvalInt(pl, &p->mul[0], 1);
    out->mulG = ExprEvalInt(pl, &p->mul[1], 1);
    out->mulB = ExprEvalInt(pl, &p->mul[2], 1);
    if (out->mulR < 0 || out->mulG < 0 || out->mulB < 0)
        PlayerWarn(pl, "invalid PalFX mul value");
    out->sinR = ExprEvalInt(pl, &p->sinAdd[0], 1);
    out->sinG = ExprEvalInt(pl, &p->sinAdd[1], 1);
    out->sinB = ExprEvalInt(pl, &p->sinAdd[2], 1);
    out->period = ExprEvalInt(pl, &p->sinAdd[3], 1);
    out->invertAll = ExprEvalInt(pl, &p->invertAll, 1);
}

void SCtrlPalFXFree(PalFxCtrlParams *p)
{
    if (!p)
        return;
    ExprFree(&p->time);
    for (Expr &e : p->mul)
        ExprFree(&e);
    for (Expr &e : p->add)
        ExprFree(&e);
    for (Expr &e : p->sinAdd)
        ExprFree(&e);
    ExprFree(&p->invertAll);
    ExprFree(&p->color);
}
