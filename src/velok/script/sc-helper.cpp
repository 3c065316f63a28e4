// Helper parameters: the keys of the Helper controller and their defaults.
#include "velok/script/sc-helper.h"

#include <strings.h>

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/script/stparam.h"

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

static int FloatKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, float def)
{
    return SCtrlParamFloat(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

// Two values, or only the first; text after them fails.
static int PairKey(TxtParseFile *f, const char *key, const char *format, Expr *a, Expr *b, Player *pl)
{
    Expr *items[2] = {a, b};
    return SCtrlListKey(f, key, format, items, pl, nullptr);
}

static int TypeKey(TxtParseFile *f, HelperParams *p)
{
    p->type = HELPER_TYPE_NORMAL;
    const char *v = TxtParseValueGet(f, "helpertype");
    if (!v)
        return 1;
    if (strcasecmp(v, "normal") == 0)
        p->type = HELPER_TYPE_NORMAL;
    else if (strcasecmp(v, "player") == 0)
        p->type = HELPER_TYPE_PLAYER;
    else if (strncasecmp(v, "proj", 4) == 0)
        p->type = HELPER_TYPE_PROJ;
    else {
        GameErrorSet("Illegal helper type: %s", v);
        return 0;
    }
    return 1;
}

static int NameKey(TxtParseFile *f, HelperParams *p)
{
    p->name[0] = 0;
    if (!TxtParseValueGet(f, "name"))
        return 1;
    return ParamGetQuoted(f, "name", p->name, sizeof p->name, nullptr);
}

static int PosTypeKey(TxtParseFile *f, HelperParams *p)
{
    p->posType = POSTYPE_P1;
    return SCtrlPosTypeKey(f, &p->posType);
}

int SCtrlHelperParse(TxtParseFile *f, Player *pl, HelperParams *p)
{
    ExprSetInt(&p->posX, 0);
    ExprSetInt(&p->posY, 0);
    ExprSetInt(&p->headPosX, SCTRL_NOT_GIVEN_INT);
    ExprSetInt(&p->headPosY, SCTRL_NOT_GIVEN_INT);
    ExprSetInt(&p->midPosX, SCTRL_NOT_GIVEN_INT);
    ExprSetInt(&p->midPosY, SCTRL_NOT_GIVEN_INT);
    if (!TypeKey(f, p) || !NameKey(f, p) || !IntKey(f, "id", &p->id, pl, 0) ||
        !PairKey(f, "pos", "ii", &p->posX, &p->posY, pl) || !PosTypeKey(f, p) ||
        !IntKey(f, "facing", &p->facing, pl, 1) || !IntKey(f, "stateno", &p->stateNo, pl, 0) ||
        !IntKey(f, "keyctrl", &p->keyCtrl, pl, 0) || !IntKey(f, "ownpal", &p->ownPal, pl, 0) ||
        !IntKey(f, "pausemovetime", &p->pauseMoveTime, pl, 0) ||
        !IntKey(f, "supermovetime", &p->superMoveTime, pl, 0))
        return 0;
    const int none = SCTRL_NOT_GIVEN_INT;
    return FloatKey(f, "size.xscale", &p->xScale, pl, SCTRL_NOT_GIVEN_FLOAT) &&
           FloatKey(f, "size.yscale", &p->yScale, pl, SCTRL_NOT_GIVEN_FLOAT) &&
           IntKey(f, "size.ground.back", &p->groundBack, pl, none) &&
           IntKey(f, "size.ground.front", &p->groundFront, pl, none) &&
           IntKey(f, "size.air.back", &p->airBack, pl, none) && IntKey(f, "size.air.front", &p->airFront, pl, none) &&
           IntKey(f, "size.height", &p->height, pl, none) &&
           IntKey(f, "size.proj.doscale", &p->projDoScale, pl, none) &&
           IntKey(f, "size.shadowoffset", &p->shadowOffset, pl, none) &&
           PairKey(f, "size.head.pos", "ii", &p->headPosX, &p->headPosY, pl) &&
           PairKey(f, "size.mid.pos", "ii", &p->midPosX, &p->midPosY, pl);
}

void SCtrlHelperFree(HelperParams *p)
{
    if (!p)
        return;
    Expr *all[] = {&p->id,          &p->posX,       &p->posY,       &p->facing,    &p->stateNo,
                   &p->keyCtrl,     &p->ownPal,     &p->superMoveTime, &p->pauseMoveTime, &p->xScale,
                   &p->yScale,      &p->groundBack, &p->groundFront, &p->airBack,  &p->airFront,
                   &p->height,      &p->projDoScale, &p->headPosX,  &p->headPosY,  &p->midPosX,
                   &p->midPosY,     &p->shadowOffset};
    for (Expr *e : all)
        ExprFree(e);
}
