// Explods and screen elements: animations, sprites and texts in fixed lists, moved, bound, drawn and removed.
#include "velok/player/explod.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sc-explod.h"
#include "velok/script/st-trig.h"
#include "velok/script/stparam.h"

enum {
    SCREEN_WIDTH = 320,
    SCREEN_ELEM_KEY_LEN = 96,
    ALPHA_MAX = 256,
    DRAW_POS_LIMIT = 1 << 24,
};

static int Sat(int64_t v)
{
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v;
}

static int ToInt(float v)
{
    return ExprFloatToInt(v);
}

static int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

static bool Doubled()
{
    return gv && gv->cfg.video.doubleRes == 4;
}

// ---------------------------------------------------------------- the list

ExplodList *ExplodListCreate(int count, DrawList *drawList)
{
    if (count < 1)
        return nullptr;
    ExplodList *list = (ExplodList *)LibCalloc(1, sizeof *list);
    if (!list)
        return nullptr;
    list->records = (Explod *)LibCalloc((size_t)count, sizeof(Explod));
    list->anims = (AnimObj *)LibCalloc((size_t)count, sizeof(AnimObj));
    if (!list->records || !list->anims) {
        ExplodListFree(list);
        return nullptr;
    }
    list->capacity = count;
    list->drawList = drawList;
    for (int i = 0; i < count; i++) {
        AnimObjInit(&list->anims[i], nullptr, nullptr);
        list->anims[i].drawList = drawList;
        list->records[i].anim = &list->anims[i];
    }
    return list;
}

void ExplodListFree(ExplodList *list)
{
    if (!list)
        return;
    MemFree(list->anims);
    MemFree(list->records);
    MemFree(list);
}

// Every way a record goes free passes here, so the live count stays exact.
static void Release(ExplodList *list, Explod *e)
{
    if (!e->inUse)
        return;
    e->inUse = 0;
    list->live--;
}

void ExplodListClear(ExplodList *list)
{
    if (!list)
        return;
    for (int i = 0; i < list->capacity; i++)
        list->records[i].inUse = 0;
    list->live = 0;
}

Explod *ExplodAt(ExplodList *list, int index)
{
    if (!list || index < 0 || index >= list->capacity)
        return nullptr;
    return &list->records[index];
}

// Calls fn on each live record, stopping once every live one was passed; fn
// may free the record it is given.
template <class List, class Fn>
static void EachLive(List *list, Fn fn)
{
    if (!list)
        return;
    int left = list->live;
    for (int i = 0; i < list->capacity && left > 0; i++) {
        Explod *e = &list->records[i];
        if (!e->inUse)
            continue;
        left--;
        fn(e);
    }
}

// A record belongs to a player only when it was made by one: sparks, dust and
// screen elements carry owner 0, which is also a valid player id.
static bool OwnedBy(const Explod *e, int ownerId, int id)
{
    return e->ownerSlot != 0 && e->owner == ownerId && (id == -1 || e->id == id);
}

// The first free record, reset and counted live; -1 when none is free.
static int Take(ExplodList *list)
{
    if (!list)
        return -1;
    for (int i = 0; i < list->capacity; i++) {
        Explod *e = &list->records[i];
        if (e->inUse)
            continue;
        AnimObj *anim = e->anim;
        memset(e, 0, sizeof *e);
        e->anim = anim;
        e->inUse = 1;
        e->scaleX = e->scaleY = 1.0f;
        e->transKind = TRANS_DEFAULT;
        e->alphaSrc = ALPHA_MAX;
        e->alphaDst = 0;
        e->sprite = -1;
        AnimObjInit(anim, nullptr, nullptr);
        list->live++;
        return i;
    }
    return -1;
}

int ExplodAddAnim(ExplodList *list, int action, AnimSet *anims, SprSet *spr)
{
    if (!list || !anims || AnimSetFindAction(anims, 0, action) < 0)
        return -1;
    int index = Take(list);
    if (index < 0)
        return -1;
    Explod *e = &list->records[index];
    e->kind = EXPLOD_KIND_ANIM;
    e->spr = spr;
    e->anim->set = anims;
    e->anim->spr = spr;
    AnimObjChangeAction(e->anim, 0, action);
    AnimObjRestart(e->anim);
    return index;
}

int ExplodAddSprite(ExplodList *list, int group, int number, SprSet *spr)
{
    int sprite = SprSetFindImage(spr, group, number);
    if (!list || sprite < 0)
        return -1;
    int index = Take(list);
    if (index < 0)
        return -1;
    Explod *e = &list->records[index];
    e->kind = EXPLOD_KIND_SPRITE;
    e->spr = spr;
    e->sprite = sprite;
    return index;
}

int ExplodAddText(ExplodList *list, const char *text, Font *font, int bank, int alignment)
{
    int index = Take(list);
    if (index < 0)
        return -1;
    Explod *e = &list->records[index];
    e->kind = EXPLOD_KIND_TEXT;
    e->font = font;
    e->fontBank = bank;
    e->fontAlign = alignment;
    StrCopy(e->text, sizeof e->text, text ? text : "");
    return index;
}

void ExplodRemoveById(ExplodList *list, int ownerId, int id)
{
    EachLive(list, [&](Explod *e) {
        if (OwnedBy(e, ownerId, id))
            Release(list, e);
    });
}

void ExplodRemoveOnHit(ExplodList *list, int ownerId)
{
    EachLive(list, [&](Explod *e) {
        if (OwnedBy(e, ownerId, -1) && e->removeOnGetHit)
            Release(list, e);
    });
}

void ExplodSetBindTime(ExplodList *list, int ownerId, int id, int time)
{
    EachLive(list, [&](Explod *e) {
        if (OwnedBy(e, ownerId, id))
            e->bindTime = time;
    });
}

int ExplodCountById(const ExplodList *list, int ownerId, int id)
{
    int n = 0;
    EachLive(list, [&](const Explod *e) { n += OwnedBy(e, ownerId, id); });
    return n;
}

// ---------------------------------------------------------------- the controllers

static bool Given(int v)
{
    return v != SCTRL_NOT_GIVEN_INT;
}

static bool GivenF(float v)
{
    return v != SCTRL_NOT_GIVEN_FLOAT;
}

static int EvalInt(Player *pl, const Expr *e, int warn = 0)
{
    return ExprEvalInt(pl, e, warn);
}

// A marker left by ModifyExplod inside the position block counts as 0: the
// marker itself never becomes a position.
static int EvalPos(Player *pl, const Expr *e)
{
    int v = EvalInt(pl, e);
    return Given(v) ? v : 0;
}

// (random modulo (r + 1)) - floor((r + 1) / 2); r below 0 warns and counts as 0.
static int64_t Spread(Player *pl, const Expr *e)
{
    int64_t r = EvalPos(pl, e);
    if (r < 0) {
        PlayerWarn(pl, "negative explod random param");
        r = 0;
    }
    return GameRandom() % (r + 1) - (r + 1) / 2;
}

// Postype, facing, position and motion: always for a new explod, for a
// modified one only when its postype is given.
static void Place(Player *pl, Explod *e, const ExplodParams *p, TrigCtx *ctx, int modify)
{
    e->stageSpace = 1;
    e->shake = 1;
    int posType = p->posType;
    int d = 1;
    int64_t base = 0;
    bool right = pl->facing >= 0;
    Player *at = pl;
    if (posType == POSTYPE_P2) {
        // Without an opponent the explod stands as a p1 explod would.
        Player *opp = ctx ? ctx->opponent : nullptr;
        if (opp)
            at = opp;
        else
            posType = POSTYPE_P1;
    }
    switch (posType) {
    case POSTYPE_FRONT:
        base = right ? SCREEN_WIDTH : 0;
        break;
    case POSTYPE_BACK:
        d = right ? 1 : -1;
        base = right ? 0 : SCREEN_WIDTH;
        break;
    case POSTYPE_LEFT:
        break;
    case POSTYPE_RIGHT:
        base = SCREEN_WIDTH;
        break;
    default:
        posType = posType == POSTYPE_P2 ? POSTYPE_P2 : POSTYPE_P1;
        d = at->facing < 0 ? -1 : 1;
        e->stageSpace = 0;
        break;
    }
    e->postype = posType;
    if (posType == POSTYPE_P1 || posType == POSTYPE_P2) {
        e->anchor = EXPLOD_ANCHOR_PLAYER;
        e->anchorSlot = at->slot;
        e->anchorId = at->id;
    } else {
        e->anchor = EXPLOD_ANCHOR_CAMERA;
        e->anchorSlot = e->anchorId = 0;
    }

    int facing = EvalInt(pl, &p->facing);
    if (facing != 1 && facing != -1) {
        PlayerWarn(pl, "explod facing param must be 1 or -1");
        facing = 1;
    }
    e->flips = d * facing == -1 ? EXPLOD_FLIP_H : 0;
    int vfacing = EvalInt(pl, &p->vFacing);
    if (vfacing == -1)
        e->flips |= EXPLOD_FLIP_V;
    else if (vfacing != 1)
        PlayerWarn(pl, "explod vfacing param must be 1 or -1");

    int64_t ox = base + (int64_t)d * EvalPos(pl, &p->posX);
    int64_t oy = EvalPos(pl, &p->posY);
    ox += Spread(pl, &p->randomX);
    e->offsetX = Sat(ox);
    e->posX = (float)e->offsetX;
    oy += Spread(pl, &p->randomY);
    e->offsetY = Sat(oy);
    e->posY = (float)e->offsetY;

    // Motion keys a modify leaves out keep the explod's own motion.
    float v;
    if (GivenF(v = ExprEvalFloat(pl, &p->velX)))
        e->velX = v * (float)d;
    if (GivenF(v = ExprEvalFloat(pl, &p->velY)))
        e->velY = v;
    if (GivenF(v = ExprEvalFloat(pl, &p->accelX)))
        e->accelX = v * (float)d;
    if (GivenF(v = ExprEvalFloat(pl, &p->accelY)))
        e->accelY = v;
    // A modified explod takes its new place on the next tick.
    if (modify && e->bindTime == 0)
        e->bindTime = 1;
}

// The animation's length less the explod's age; an animation that never
// ends keeps the explod for ever.
static int RemoveTimeOfAnim(const Explod *e)
{
    if (e->kind != EXPLOD_KIND_ANIM || !e->anim->set)
        return -1;
    int total = AnimObjActionTime(e->anim);
    if (total == -1)
        return -1;
    return Sat((int64_t)total - e->age);
}

static int ShadowColour(Player *pl, const ExplodParams *p)
{
    int c[3];
    for (int i = 0; i < 3; i++)
        c[i] = EvalInt(pl, &p->shadow[i]);
    bool any = false;
    for (int v : c) {
        if (v < -1 || v > 255) {
            PlayerWarn(pl, "Illegal shadow color");
            return -1;
        }
        any = any || v == -1;
    }
    // Any component of -1 takes the stage's colour.
    if (any)
        return -1;
    return PalColor565(c[0], c[1], c[2]);
}

void ExplodParamsApply(Player *pl, Explod *e, const ExplodParams *p, TrigCtx *ctx, int modify)
{
    if (!pl || !e || !p)
        return;
    if (!modify) {
        int id = EvalInt(pl, &p->id, 1);
        if (id < 0) {
            PlayerWarn(pl, "negative explod ID");
            id = 0;
        }
        e->id = id;
        e->owner = pl->id;
        e->ownerSlot = pl->slot;
    }
    if (!modify || Given(p->posType))
        Place(pl, e, p, ctx, modify);

    float f;
    if (GivenF(f = ExprEvalFloat(pl, &p->scaleX)))
        e->scaleX = f;
    if (GivenF(f = ExprEvalFloat(pl, &p->scaleY)))
        e->scaleY = f;
    int v;
    if (Given(v = EvalInt(pl, &p->bindTime))) {
        if (v < -1) {
            PlayerWarn(pl, "Illegal posbindtime for explod");
            v = -1;
        }
        e->bindTime = v;
    }
    if (Given(v = EvalInt(pl, &p->onTop)))
        e->layer = v ? 2 : 0;
    if (Given(v = EvalInt(pl, &p->removeTime))) {
        if (v < -2) {
            PlayerWarn(pl, "Illegal removetime for explod");
            v = -2;
        }
        e->removeTime = v == -2 ? RemoveTimeOfAnim(e) : v;
    }
    int superMove = EvalInt(pl, &p->superMove);
    int superMoveTime = EvalInt(pl, &p->superMoveTime);
    bool superMoveOn = Given(superMove) && superMove != 0;
    if (superMoveTime == -2 || ((superMoveTime == 0 || !Given(superMoveTime)) && superMoveOn))
        e->superMoveTime = e->removeTime;
    else if (Given(superMoveTime))
        e->superMoveTime = superMoveTime;
    if (Given(v = EvalInt(pl, &p->pauseMoveTime)))
        e->pauseMoveTime = v == -2 ? e->removeTime : v;

    // Layers 1 and 2 draw at once; layer 0 queues by sprite priority.
    int priority = EvalInt(pl, &p->sprPriority);
    if (e->layer != 0) {
        e->anim->drawList = nullptr;
    } else if (Given(priority)) {
        e->anim->drawPriority = priority;
        e->anim->drawList = gv ? gv->drawList : nullptr;
    }

    if (Given(EvalInt(pl, &p->shadow[0])))
        e->shadowColour = ShadowColour(pl, p);
    if (Given(v = EvalInt(pl, &p->removeOnGetHit)))
        e->removeOnGetHit = v;
    if (Given(v = EvalInt(pl, &p->ignoreHitPause)))
        e->ignoreHitPause = v;
    if (Given(p->transKind))
        e->transKind = p->transKind;
    if (Given(v = EvalInt(pl, &p->alphaSrc)))
        e->alphaSrc = v;
    if (Given(v = EvalInt(pl, &p->alphaDst)))
        e->alphaDst = v;
    e->alphaSrc = Clamp(e->alphaSrc, 0, ALPHA_MAX);
    e->alphaDst = Clamp(e->alphaDst, 0, ALPHA_MAX);
}

void ExplodCtrlRun(Player *pl, const ExplodParams *p, TrigCtx *ctx)
{
    if (!pl || !p || !gv)
        return;
    int action = EvalInt(pl, &p->anim, 1);
    if (action < 0) {
        PlayerWarn(pl, "illegal explod animno");
        action = 0;
    }
    AnimSet *anims;
    SprSet *spr;
    if (p->animFromFight) {
        anims = gv->fightFxAnims;
        spr = gv->fightFxSpr;
    } else {
        anims = PlayerOwnAnims(pl);
        spr = EvalInt(pl, &p->ownPal) ? pl->palInUse : pl->sprInUse;
    }
    int index = ExplodAddAnim(gv->explods, action, anims, spr);
    if (index >= 0)
        ExplodParamsApply(pl, &gv->explods->records[index], p, ctx, 0);
}

void ExplodCtrlModify(Player *pl, const ExplodParams *p, TrigCtx *ctx)
{
    if (!pl || !p || !gv)
        return;
    int id = EvalInt(pl, &p->id, 1);
    EachLive(gv->explods, [&](Explod *e) {
        if (OwnedBy(e, pl->id, id))
            ExplodParamsApply(pl, e, p, ctx, 1);
    });
}

// ---------------------------------------------------------------- ticking

// Frozen by the running Pause or SuperPause once past its move time.
static bool PauseHolds(const Explod *e)
{
    int k = gv ? gv->activePause : -1;
    if (k < 0 || k > 1 || gv->pause[k].time <= 0)
        return false;
    int moveTime = k == 1 ? e->superMoveTime : e->pauseMoveTime;
    return moveTime != -1 && e->age > moveTime;
}

static bool OwnerHitPauseHolds(const Explod *e)
{
    if (!e->ownerSlot || e->ignoreHitPause)
        return false;
    const Player *owner = PlayerSlotGetById(e->ownerSlot, e->owner);
    return owner && owner->enabled && owner->state.hitPauseTime > 0;
}

static int CameraX()
{
    return gv ? gv->cameraXi : 0;
}

static int CameraY()
{
    return gv ? gv->cameraYi : 0;
}

static void AnchorApply(Explod *e)
{
    float ax, ay;
    if (e->anchor == EXPLOD_ANCHOR_PLAYER) {
        const Player *a = PlayerSlotGetById(e->anchorSlot, e->anchorId);
        if (!a || !a->enabled)
            return;
        ax = a->screenX;
        ay = a->screenY;
    } else if (e->anchor == EXPLOD_ANCHOR_CAMERA) {
        ax = (float)CameraX();
        ay = (float)CameraY();
    } else {
        return;
    }
    e->posX = (float)e->offsetX + ax;
    e->posY = (float)e->offsetY + ay;
}

void ExplodTick(ExplodList *list, Explod *e)
{
    if (!e || !e->inUse)
        return;
    if (PauseHolds(e) || OwnerHitPauseHolds(e))
        return;
    if (e->removeTime != -1 && e->age >= e->removeTime) {
        Release(list, e);
        return;
    }
    if (e->kind == EXPLOD_KIND_ANIM && e->anim->set)
        AnimObjTick(e->anim);
    if (e->age >= 1) {
        e->posX += e->velX;
        e->posY += e->velY;
        e->velX += e->accelX;
        e->velY += e->accelY;
    }
    if (e->bindTime != 0) {
        AnchorApply(e);
        if (e->bindTime > 0 && --e->bindTime == 0 && !e->stageSpace) {
            e->posX += (float)CameraX();
            e->posY += (float)CameraY();
            e->stageSpace = 1;
        }
    }
    if (e->age < INT_MAX)
        e->age++;
}

void ExplodListUpdate(ExplodList *list)
{
    EachLive(list, [&](Explod *e) { ExplodTick(list, e); });
}

// ---------------------------------------------------------------- drawing

// Where the record is drawn on the screen.
static void ScreenPoint(const Explod *e, float *x, float *y)
{
    *x = e->posX;
    *y = e->posY;
    if (e->stageSpace) {
        *x -= (float)CameraX();
        *y -= (float)CameraY();
    }
    if (e->shake && gv) {
        *x -= (float)gv->shakeX;
        *y -= (float)gv->shakeY;
    }
}

// Points far off any target are held where the drawing calls' own
// arithmetic cannot overflow.
static float DrawClamp(float v)
{
    const float limit = (float)DRAW_POS_LIMIT;
    return v > limit ? limit : v < -limit ? -limit : v == v ? v : 0.0f;
}

void ExplodDraw(Explod *e)
{
    if (!e || !e->inUse)
        return;
    float x, y;
    ScreenPoint(e, &x, &y);
    x = DrawClamp(x);
    y = DrawClamp(y);
    float sx = e->scaleX, sy = e->scaleY;
    bool queued = e->kind == EXPLOD_KIND_ANIM && e->anim->drawList;
    // The draw list is scaled as a whole in the doubled mode.
    if (Doubled() && !queued) {
        x *= 2;
        y *= 2;
        sx *= 2;
        sy *= 2;
    }
    switch (e->kind) {
    case EXPLOD_KIND_ANIM: {
        AnimObj *anim = e->anim;
        if (!anim->set)
            return;
        int trans = anim->transOverride, src = anim->alphaSrcScale, dst = anim->alphaDstScale;
        // An unknown transparency word draws as the animation itself says.
        anim->transOverride = e->transKind == TRANS_UNKNOWN ? TRANS_DEFAULT : e->transKind;
        anim->alphaSrcScale = e->alphaSrc;
        anim->alphaDstScale = e->alphaDst;
        AnimObjDrawScaledFlip(anim, x, y, sx, sy, e->flips);
        anim->transOverride = trans;
        anim->alphaSrcScale = src;
        anim->alphaDstScale = dst;
        break;
    }
    case EXPLOD_KIND_SPRITE:
        if (e->spr && e->sprite >= 0)
            SprDrawScaled(e->spr, e->sprite, x, y, (e->flips & EXPLOD_FLIP_H) ? -sx : sx,
                          (e->flips & EXPLOD_FLIP_V) ? -sy : sy);
        break;
    case EXPLOD_KIND_TEXT:
        if (e->font && e->text[0])
            FontDrawText(e->text, e->font, ToInt(x), ToInt(y), e->fontAlign, -1, e->fontBank);
        break;
    default:
        break;
    }
}

void ExplodListDraw(ExplodList *list, int layer)
{
    EachLive(list, [&](Explod *e) {
        if (!e->shownDirectly && (layer == -1 || e->layer == layer))
            ExplodDraw(e);
    });
}

// The reflection and the shadow of one record, as a player's are drawn.
static void ShadowDraw(const Explod *e)
{
    AnimObj *anim = e->anim;
    int index = AnimObjSprite(anim);
    const AnimElem *elem = AnimObjElem(anim);
    if (index < 0 || !elem || !anim->spr)
        return;
    bool dbl = Doubled();
    float zoom = dbl ? 2.0f : 1.0f;
    bool flipH = (e->flips & EXPLOD_FLIP_H) != 0, flipV = (e->flips & EXPLOD_FLIP_V) != 0;
    bool mirror = flipH != ((elem->flags & ANIM_FLIP_H) != 0);
    bool vflip = flipV != ((elem->flags & ANIM_FLIP_V) != 0);
    float camX = e->stageSpace ? (float)CameraX() : 0.0f;
    float camY = e->stageSpace ? (float)CameraY() : 0.0f;
    float x = e->posX - camX - (float)gv->shakeX + (float)elem->x * (flipH ? -e->scaleX : e->scaleX);
    x *= zoom;
    float sx = (mirror ? -e->scaleX : e->scaleX) * zoom;
    float ground = (float)gv->stageZOffset;
    float height = e->posY - ground;  // negative above the ground line
    bool alpha = e->transKind == TRANS_ALPHA;

    int r = gv->stageReflect;
    if (r > 0) {
        int src, dst;
        ShadowReflectWeights(r, alpha, e->alphaSrc, e->alphaDst, &src, &dst);
        float y = ground - (height + (float)elem->y * e->scaleY) - camY - (float)gv->shakeY;
        float sy = (vflip ? e->scaleY : -e->scaleY) * zoom;
        SprDrawAlphaRotated(anim->spr, index, x, y * zoom, 0.0f, sx, sy, 1, 1, src, dst);
    }

    int strength = ShadowFadeStrength(height, gv->stageShadowFadeLow, gv->stageShadowFadeHigh,
                                      alpha ? ALPHA_MAX - e->alphaDst : ALPHA_MAX);
    float flat = e->scaleY * gv->stageShadowYScale;
    float y = ground - camY - (float)gv->shakeY - height * gv->stageShadowYScale + (float)elem->y * flat;
    float sy = (vflip ? -flat : flat) * zoom;
    int colour = e->shadowColour == -1 ? gv->stageShadowColour : e->shadowColour;
    ShadowSprDraw(anim->spr, index, x, y * zoom, 0.0f, sx, sy, colour, gv->stageShadowIntensity, strength);
}

void ExplodListDrawShadows(ExplodList *list)
{
    if (!gv || !gv->cfg.engine.drawShadows)
        return;
    EachLive(list, [&](Explod *e) {
        if (e->shadowColour != 0 && e->kind == EXPLOD_KIND_ANIM && e->anim->set)
            ShadowDraw(e);
    });
}

// ---------------------------------------------------------------- screen elements

void ScreenElemInit(ScreenElem *e)
{
    memset(e, 0, sizeof *e);
    e->displayTime = -2;
    e->facing = 1;
    e->vfacing = 1;
    e->scaleX = 1.0f;
    e->scaleY = 1.0f;
}

static const char *KeyOf(char *key, const char *prefix, const char *suffix)
{
    snprintf(key, SCREEN_ELEM_KEY_LEN, "%s.%s", prefix, suffix);
    return key;
}

void ScreenElemRead(TxtParseFile *tp, ScreenElem *e, const char *prefix)
{
    char key[SCREEN_ELEM_KEY_LEN];
    int a = 0, b = 0, c = 0;
    e->serial = gv ? ++gv->screenElemSerial : 0;
    e->owner = 0;
    if (TxtParseScan(tp, KeyOf(key, prefix, "spr"), "%i,%i", &a, &b) == 2) {
        e->kind = SCREEN_ELEM_SPRITE;
        e->num1 = a;
        e->num2 = b;
    } else if (TxtParseScan(tp, KeyOf(key, prefix, "anim"), "%i", &a) == 1) {
        e->kind = SCREEN_ELEM_ANIM;
        e->num1 = a;
    } else {
        int n = TxtParseScan(tp, KeyOf(key, prefix, "font"), "%i,%i,%i", &a, &b, &c);
        if (n < 2) {
            e->kind = SCREEN_ELEM_NONE;
            return;
        }
        e->kind = SCREEN_ELEM_TEXT;
        e->num1 = a;
        e->num2 = b;
        if (n == 3)
            e->align = c;
        const char *text = TxtParseValueGet(tp, KeyOf(key, prefix, "text"));
        if (text)
            StrUnquote(e->text, sizeof e->text, text);
    }
    TxtParseIntGet(tp, KeyOf(key, prefix, "displaytime"), &e->displayTime);
    if (e->displayTime == -2 && e->kind != SCREEN_ELEM_ANIM)
        e->displayTime = 1;
    TxtParseScan(tp, KeyOf(key, prefix, "offset"), "%i,%i", &e->offsetX, &e->offsetY);
    TxtParseIntGet(tp, KeyOf(key, prefix, "facing"), &e->facing);
    TxtParseIntGet(tp, KeyOf(key, prefix, "vfacing"), &e->vfacing);
    TxtParseIntGet(tp, KeyOf(key, prefix, "layerno"), &e->layer);
    TxtParseScan(tp, KeyOf(key, prefix, "scale"), "%f,%f", &e->scaleX, &e->scaleY);
}

int ScreenElemGetSprite(const ScreenElem *e, int *group, int *number)
{
    if (!e || e->kind != SCREEN_ELEM_SPRITE)
        return 0;
    if (group)
        *group = e->num1;
    if (number)
        *number = e->num2;
    return 1;
}

// The live record of the element: owner 0 and its serial as the ID.
static int ScreenElemFind(ExplodList *list, const ScreenElem *e)
{
    int found = -1;
    int left = list->live;
    for (int i = 0; i < list->capacity && left > 0; i++) {
        const Explod *r = &list->records[i];
        if (!r->inUse)
            continue;
        left--;
        if (r->ownerSlot == 0 && r->owner == 0 && r->id == e->serial) {
            found = i;
            break;
        }
    }
    return found;
}

static int ScreenElemTake(ExplodList *list, const ScreenElem *e, SprSet *spr, AnimSet *anims, Font *const *fonts)
{
    switch (e->kind) {
    case SCREEN_ELEM_ANIM:
        return spr && anims ? ExplodAddAnim(list, e->num1, anims, spr) : -1;
    case SCREEN_ELEM_SPRITE:
        return ExplodAddSprite(list, e->num1, e->num2, spr);
    case SCREEN_ELEM_TEXT: {
        Font *font = fonts && e->num1 >= 0 && e->num1 < SCREEN_ELEM_FONTS ? fonts[e->num1] : nullptr;
        if (!font || !e->text[0])
            return -1;
        return ExplodAddText(list, e->text, font, e->num2, e->align);
    }
    default:
        return -1;
    }
}

// A record found again draws with what the caller gives now: the sprites may
// be another player's, the text another count, and the old ones may be gone.
// 0 (and the record freed) when the element cannot be drawn with them.
static int ScreenElemRenew(ExplodList *list, Explod *r, const ScreenElem *e, SprSet *spr, Font *const *fonts)
{
    switch (r->kind) {
    case EXPLOD_KIND_ANIM:
        r->spr = spr;
        r->anim->spr = spr;
        return 1;
    case EXPLOD_KIND_SPRITE:
        r->sprite = SprSetFindImage(spr, e->num1, e->num2);
        r->spr = spr;
        break;
    case EXPLOD_KIND_TEXT:
        r->font = fonts && e->num1 >= 0 && e->num1 < SCREEN_ELEM_FONTS ? fonts[e->num1] : nullptr;
        StrCopy(r->text, sizeof r->text, e->text);
        break;
    default:
        break;
    }
    if ((r->kind == EXPLOD_KIND_SPRITE && r->sprite >= 0) || (r->kind == EXPLOD_KIND_TEXT && r->font && r->text[0]))
        return 1;
    Release(list, r);
    return 0;
}

int ScreenElemSpawn(ExplodList *list, const ScreenElem *e, SprSet *spr, AnimSet *anims, Font *const *fonts,
                    int x, int y)
{
    if (!list || !e || e->kind == SCREEN_ELEM_NONE)
        return -1;
    int index = ScreenElemFind(list, e);
    bool fresh = index < 0;
    if (fresh)
        index = ScreenElemTake(list, e, spr, anims, fonts);
    if (index < 0)
        return -1;
    Explod *r = &list->records[index];
    if (!fresh && !ScreenElemRenew(list, r, e, spr, fonts))
        return -1;
    r->owner = 0;
    r->ownerSlot = 0;
    r->ignoreHitPause = 1;
    r->stageSpace = 0;
    r->id = e->serial;
    r->postype = POSTYPE_LEFT;
    r->flips = (e->facing == -1 ? EXPLOD_FLIP_H : 0) | (e->vfacing == -1 ? EXPLOD_FLIP_V : 0);
    r->offsetX = Sat((int64_t)x + e->offsetX);
    r->offsetY = Sat((int64_t)y + e->offsetY);
    r->posX = (float)r->offsetX;
    r->posY = (float)r->offsetY;
    r->scaleX = e->scaleX;
    r->scaleY = e->scaleY;
    r->layer = e->layer;
    if (fresh) {
        int time = e->displayTime;
        if (time == -2)
            time = r->kind == EXPLOD_KIND_ANIM ? RemoveTimeOfAnim(r) : 1;
        r->removeTime = r->superMoveTime = r->pauseMoveTime = time;
    }
    return index;
}

int ScreenElemShow(ExplodList *list, const ScreenElem *e, SprSet *spr, AnimSet *anims, Font *const *fonts, int x,
                   int y, int layer)
{
    if (!e || (layer != -1 && layer != e->layer))
        return -1;
    int index = ScreenElemSpawn(list, e, spr, anims, fonts, x, y);
    if (index < 0)
        return -1;
    Explod *r = &list->records[index];
    if (r->kind == EXPLOD_KIND_ANIM && r->age == 0)
        ExplodTick(list, r);
    if (!r->inUse)
        return -1;
    if (!disp.skipFrame)
        ExplodDraw(r);
    r->shownDirectly = 1;
    // Shown for one tick: it has had it.
    if (r->removeTime == 1)
        Release(list, r);
    return index;
}

int FightElemSpawn(const ScreenElem *e, int x, int y)
{
    if (!gv)
        return -1;
    return ScreenElemSpawn(gv->sysExplods, e, gv->fightSpr, gv->fightAnims, gv->fightFonts, x, y);
}

int FightElemShow(const ScreenElem *e, int x, int y, int layer)
{
    if (!gv)
        return -1;
    return ScreenElemShow(gv->sysExplods, e, gv->fightSpr, gv->fightAnims, gv->fightFonts, x, y, layer);
}

int MotifElemSpawn(const ScreenElem *e, int x, int y)
{
    if (!gv)
        return -1;
    return ScreenElemSpawn(gv->sysExplods, e, gv->motifSpr, gv->motifAnims, gv->motifFonts, x, y);
}

int MotifElemShow(const ScreenElem *e, int x, int y, int layer)
{
    if (!gv)
        return -1;
    return ScreenElemShow(gv->sysExplods, e, gv->motifSpr, gv->motifAnims, gv->motifFonts, x, y, layer);
}
