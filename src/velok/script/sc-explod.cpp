// Explod and ModifyExplod parameters: the keys of both controllers and their defaults.
#include "velok/script/sc-explod.h"

#include <cctype>
#include <climits>

#include "lib/gfx.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/script/stparam.h"

// The expression gets its default, or the marker when modifying.
static void Default(Expr *e, int modify, int def)
{
    ExprSetInt(e, modify ? SCTRL_NOT_GIVEN_INT : def);
}

static void DefaultFloat(Expr *e, int modify, float def)
{
    ExprSetFloat(e, modify ? SCTRL_NOT_GIVEN_FLOAT : def);
}

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl)
{
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return 1;
    return ExprCompile(v, e, pl, nullptr, 1) ? 1 : SCtrlKeyFailed(key);
}

static int PairKey(TxtParseFile *f, const char *key, const char *format, Expr *a, Expr *b, Player *pl)
{
    Expr *items[2] = {a, b};
    return SCtrlListKey(f, key, format, items, pl, nullptr);
}

// An "F" standing on its own before the number takes the action from the
// fight-screen effects; no other prefix is known here.
static int AnimKey(TxtParseFile *f, ExplodParams *p, Player *pl)
{
    const char *v = TxtParseValueGet(f, "anim");
    if (!v)
        return 1;
    const char *q = SCtrlSkipSpaces(v);
    if ((*q == 'F' || *q == 'f') && !isalpha((unsigned char)q[1]) && q[1] != '_') {
        p->animFromFight = 1;
        q++;
    }
    const char *end = q;
    if (!ExprCompile(q, &p->anim, pl, &end, 1) || *SCtrlSkipSpaces(end))
        return SCtrlKeyFailed("anim");
    return 1;
}

static int PosTypeKey(TxtParseFile *f, ExplodParams *p, int modify)
{
    p->posType = modify ? (int)SCTRL_NOT_GIVEN_INT : (int)POSTYPE_P1;
    return SCtrlPosTypeKey(f, &p->posType);
}

// The transparency word. 1 when the alpha key is to be read: only for the
// alpha kind when the word brings no factors of its own ("add1" does). An
// unknown word keeps the unknown kind and ends the parse, successfully.
static int TransKey(TxtParseFile *f, ExplodParams *p, int modify)
{
    p->transKind = modify ? (int)SCTRL_NOT_GIVEN_INT : (int)TRANS_DEFAULT;
    Default(&p->alphaSrc, modify, 256);
    Default(&p->alphaDst, modify, 0);
    const char *v = TxtParseValueGet(f, "trans");
    if (!v)
        return 0;
    int src = INT_MIN, dst = INT_MIN;
    int kind = TransParse(SCtrlSkipSpaces(v), &src, &dst);
    p->transKind = kind;
    if (src != INT_MIN)
        ExprSetInt(&p->alphaSrc, src);
    if (dst != INT_MIN)
        ExprSetInt(&p->alphaDst, dst);
    return kind == TRANS_ALPHA && src == INT_MIN && dst == INT_MIN;
}

int SCtrlExplodParse(TxtParseFile *f, Player *pl, ExplodParams *p, int modify)
{
    modify = modify != 0;
    ExprSetInt(&p->id, modify ? -1 : 0);
    p->animFromFight = 0;
    ExprSetInt(&p->anim, 0);
    Default(&p->posX, modify, 0);
    Default(&p->posY, modify, 0);
    DefaultFloat(&p->velX, modify, 0.0f);
    DefaultFloat(&p->velY, modify, 0.0f);
    DefaultFloat(&p->accelX, modify, 0.0f);
    DefaultFloat(&p->accelY, modify, 0.0f);
    Default(&p->randomX, modify, 0);
    Default(&p->randomY, modify, 0);
    Default(&p->superMove, modify, 0);
    Default(&p->superMoveTime, modify, 0);
    Default(&p->pauseMoveTime, modify, 0);
    Default(&p->removeTime, modify, -2);
    DefaultFloat(&p->scaleX, modify, 1.0f);
    DefaultFloat(&p->scaleY, modify, 1.0f);
    Default(&p->bindTime, modify, 1);
    Default(&p->sprPriority, modify, 0);
    Default(&p->onTop, modify, 0);
    ExprSetInt(&p->facing, 1);
    ExprSetInt(&p->vFacing, 1);
    Default(&p->shadow[0], modify, 0);
    ExprSetInt(&p->shadow[1], 0);
    ExprSetInt(&p->shadow[2], 0);
    Default(&p->ownPal, modify, 0);
    Default(&p->removeOnGetHit, modify, 0);
    Default(&p->ignoreHitPause, modify, 1);

    const char *velKey = TxtParseValueGet(f, "vel") ? "vel" : "velocity";
    if (!IntKey(f, "id", &p->id, pl) || (!modify && !AnimKey(f, p, pl)) ||
        !PairKey(f, "pos", "ii", &p->posX, &p->posY, pl) || !PairKey(f, velKey, "ff", &p->velX, &p->velY, pl) ||
        !PairKey(f, "accel", "ff", &p->accelX, &p->accelY, pl) ||
        !PairKey(f, "random", "ii", &p->randomX, &p->randomY, pl) || !IntKey(f, "supermove", &p->superMove, pl) ||
        !IntKey(f, "supermovetime", &p->superMoveTime, pl) || !IntKey(f, "pausemovetime", &p->pauseMoveTime, pl) ||
        !IntKey(f, "removetime", &p->removeTime, pl) || !PairKey(f, "scale", "ff", &p->scaleX, &p->scaleY, pl) ||
        !PosTypeKey(f, p, modify) || !IntKey(f, "bindtime", &p->bindTime, pl) ||
        !IntKey(f, "sprpriority", &p->sprPriority, pl) || !IntKey(f, "ontop", &p->onTop, pl) ||
        !IntKey(f, "facing", &p->facing, pl) || !IntKey(f, "vfacing", &p->vFacing, pl))
        return 0;
    Expr *rgb[3] = {&p->shadow[0], &p->shadow[1], &p->shadow[2]};
    if (!SCtrlListKey(f, "shadow", "iii", rgb, pl, nullptr) || !IntKey(f, "ownpal", &p->ownPal, pl) ||
        !IntKey(f, "removeongethit", &p->removeOnGetHit, pl) || !IntKey(f, "ignorehitpause", &p->ignoreHitPause, pl))
        return 0;
    if (!TransKey(f, p, modify))
        return 1;
    return PairKey(f, "alpha", "ii", &p->alphaSrc, &p->alphaDst, pl);
}

void SCtrlExplodFree(ExplodParams *p)
{
    if (!p)
        return;
    Expr *all[] = {&p->id,           &p->anim,          &p->posX,          &p->posY,
                   &p->velX,         &p->velY,          &p->accelX,        &p->accelY,
                   &p->randomX,      &p->randomY,       &p->superMove,     &p->superMoveTime,
                   &p->pauseMoveTime, &p->removeTime,   &p->scaleX,        &p->scaleY,
                   &p->bindTime,     &p->sprPriority,   &p->onTop,         &p->facing,
                   &p->vFacing,      &p->shadow[0],     &p->shadow[1],     &p->shadow[2],
                   &p->ownPal,       &p->removeOnGetHit, &p->ignoreHitPause, &p->alphaSrc,
                   &p->alphaDst};
    for (Expr *e : all)
        ExprFree(e);
}
