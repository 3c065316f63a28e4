// Projectiles: each player's fixed list of flying attacks with their motion, bounds, end animations, drawing and counts.
#include "velok/player/proj.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/libbase.h"
#include "lib/spr-draw.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

ProjList *ProjListCreate(int capacity, AnimSet *anims, SprSet *spr)
{
    if (capacity < 0)
        return nullptr;
    ProjList *list = (ProjList *)LibCalloc(1, sizeof(ProjList));
    if (!list)
        return nullptr;
    list->projs = ArrayCreate(capacity, (int)sizeof(Projectile), list);
    if (!list->projs) {
        MemFree(list);
        return nullptr;
    }
    list->anims = anims;
    list->spr = spr;
    return list;
}

void ProjListFree(ProjList *list)
{
    if (!list)
        return;
    ProjListClear(list);
    ArrayFree(list->projs);
    MemFree(list);
}

int ProjListCapacity(const ProjList *list)
{
    return list && list->projs ? list->projs->capacity : 0;
}

int ProjListEnd(const ProjList *list)
{
    if (!list || !list->projs || list->projs->used == 0)
        return 0;
    return list->projs->highest + 1;
}

Projectile *ProjListAt(const ProjList *list, int index)
{
    if (!list || !list->projs || index < 0 || index >= list->projs->capacity || !list->projs->slots[index].used)
        return nullptr;
    return (Projectile *)ArrayAt(list->projs, index);
}

int ProjListCount(const ProjList *list)
{
    return list && list->projs ? list->projs->used : 0;
}

int ProjListAdd(Player *owner, ProjList *list, const Projectile *proj, int action)
{
    if (!list || !list->projs || !ArrayHasRoom(list->projs))
        return -1;
    AnimSet *set = owner ? PlayerOwnAnims(owner) : nullptr;
    if (!set)
        set = list->anims;
    if (!set || AnimSetFindAction(set, 0, action) < 0)
        return -1;
    Projectile p = *proj;
    if (owner && owner->anim)
        AnimObjCopy(&p.anim, owner->anim);
    else
        AnimObjInit(&p.anim, set, list->spr);
    p.anim.set = set;
    // The list's sprites outlive any one launcher (a helper's projectile
    // stays in its root's list after the helper is gone).
    if (list->spr)
        p.anim.spr = list->spr;
    p.anim.ownsSpr = 0;
    p.anim.sprIndex = -1;
    AnimObjChangeAction(&p.anim, 0, action);
    AnimObjRestart(&p.anim);
    p.afterImage = nullptr;
    return ArrayAdd(list->projs, &p, 0, 0);
}

void ProjListRemove(ProjList *list, int index)
{
    Projectile *p = ProjListAt(list, index);
    if (!p)
        return;
    AfterImageExplodRelease(p);
    ArrayRemove(list->projs, index);
}

void ProjListClear(ProjList *list)
{
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++)
        ProjListRemove(list, i);
}

// Flight: motion, facing by the motion, and the bounds it leaves flight by.
// A stage or height bound counts only while the projectile moves toward it.
static void Fly(Projectile *p)
{
    p->x += p->velX;
    p->y += p->velY;
    p->velX = p->velX * p->velMulX + p->accelX;
    p->velY = p->velY * p->velMulY + p->accelY;
    if (p->velX > 0.0f)
        p->facing = 1;
    else if (p->velX < 0.0f)
        p->facing = -1;
    float cam = gv ? gv->cameraX : 0.0f;
    bool leaves = (p->x < (float)p->stageLeft && p->velX < 0.0f) || (p->y < (float)p->heightLow && p->velY < 0.0f) ||
                  (p->x > (float)p->stageRight && p->velX > 0.0f) || (p->y > (float)p->heightHigh && p->velY > 0.0f) ||
                  p->x < cam - (float)p->edgeBound || p->x > cam + (float)p->edgeBound + 320.0f ||
                  (p->removeTime != -1 && p->stateTime >= p->removeTime);
    if (leaves) {
        p->state = PROJ_STATE_REMOVED;
        p->stateTime = 0;
    } else if (p->missCounter > 0) {
        p->missCounter--;
    }
}

// The remove, cancel or hit animation; 0 when the projectile is finished.
static int EndStep(Projectile *p)
{
    p->x += p->velX;
    p->y += p->velY;
    int action = p->state == PROJ_STATE_REMOVED ? p->removeAnim
                 : p->state == PROJ_STATE_CANCELLED ? p->cancelAnim
                                                    : p->hitAnim;
    if (action < 0)
        return 0;
    if (p->stateTime == 0) {
        p->velX = p->remVelX;
        p->velY = p->remVelY;
        // Restarted even when it is the action already playing, so that the
        // end below is counted from here; a missing action ends it at once.
        if (!AnimObjChangeAction(&p->anim, 0, action))
            return 0;
        AnimObjRestart(&p->anim);
        if (AnimObjActionTime(&p->anim) <= 0)
            return 0;
    }
    return p->anim.elapsed < AnimObjActionTime(&p->anim);
}

void ProjListUpdate(ProjList *list)
{
    int n = ProjListEnd(list);
    int k = gv ? gv->activePause : -1;
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(list, i);
        if (!p)
            continue;
        p->frozen = 0;
        if (k == 0 || k == 1) {
            int moveTime = k == 1 ? p->superMoveTime : p->pauseMoveTime;
            if (moveTime != -1 && p->age > moveTime) {
                p->frozen = 1;
                continue;
            }
        }
        if (p->hitPause <= 0) {
            if (p->state == PROJ_STATE_FLYING)
                Fly(p);
            if (p->state >= PROJ_STATE_REMOVED && p->state <= PROJ_STATE_HIT && !EndStep(p)) {
                ProjListRemove(list, i);
                continue;
            }
        }
        p->anim.drawPriority = TruncToInt((double)p->sprPriority + TruncToInt((double)p->z * 10.0));
        AnimObjTick(&p->anim);
        if (p->hitPause > 0) {
            p->hitPause--;
        } else {
            p->age = p->age == INT_MAX ? INT_MAX : p->age + 1;
            p->stateTime = p->stateTime == INT_MAX ? INT_MAX : p->stateTime + 1;
        }
    }
}

static bool Shown(const Projectile *p)
{
    return p->state >= PROJ_STATE_FLYING && p->state <= PROJ_STATE_HIT;
}

void ProjListUpdateScreenPos(ProjList *list)
{
    if (!gv)
        return;
    int n = ProjListEnd(list);
    float z1 = gv->stageScaleZTop, z2 = gv->stageScaleZBottom;
    float s1 = gv->stageScaleTop, s2 = gv->stageScaleBottom;
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(list, i);
        if (!p || !Shown(p))
            continue;
        p->depthScale = z1 == z2 ? 1.0f : s1 + (p->z - z1) / (z2 - z1) * (s2 - s1);
        p->screenX = TruncToInt((p->x - gv->cameraX - (float)gv->shakeX - 160.0f) * p->depthScale + 160.0f);
        p->screenY = TruncToInt(p->depthScale * p->y - gv->cameraY - (float)gv->shakeY + (float)gv->stageZOffset + p->z);
    }
}

int ProjListCountActive(const ProjList *list)
{
    int n = ProjListEnd(list), count = 0;
    for (int i = 0; i < n; i++) {
        const Projectile *p = ProjListAt(list, i);
        count += p && p->state == PROJ_STATE_FLYING;
    }
    return count;
}

int ProjListCountId(const ProjList *list, int id)
{
    int n = ProjListEnd(list), count = 0;
    for (int i = 0; i < n; i++) {
        const Projectile *p = ProjListAt(list, i);
        count += p && p->state == PROJ_STATE_FLYING && p->id == id;
    }
    return count;
}

static const AnimElem *ShownElem(const Projectile *p)
{
    return p->anim.set ? AnimObjElem(&p->anim) : nullptr;
}

int ProjListHitTest(const ProjList *list, const ClsnList *boxes, int x, int y, int flip)
{
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++) {
        const Projectile *p = ProjListAt(list, i);
        if (!p || p->state != PROJ_STATE_FLYING)
            continue;
        const AnimElem *e = ShownElem(p);
        if (e && ClsnListsOverlap(e->clsn1, boxes, x - TruncToInt(p->x), y - TruncToInt(p->y), p->facing < 0, flip != 0))
            return 1;
    }
    return 0;
}

void ProjListDraw(ProjList *list)
{
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(list, i);
        if (!p || !Shown(p) || !p->anim.set)
            continue;
        AnimObjDrawScaledFlip(&p->anim, (float)p->screenX, (float)p->screenY, p->xScale * p->depthScale,
                              p->yScale * p->depthScale, p->facing != 1 ? ANIM_FLIP_H : 0);
    }
}

// The reflection and shadow of one projectile, placed as a player's are.
static void ShadowDraw(Projectile *p, const ShadowSettings *shadow, int reflect, float zoom)
{
    int index = AnimObjSprite(&p->anim);
    const AnimElem *elem = AnimObjElem(&p->anim);
    if (index < 0 || !elem)
        return;
    SprSet *set = p->anim.spr;
    float scale = p->depthScale;
    float xScale = p->xScale * scale, yScale = p->yScale * scale;
    int mirror = (p->facing < 0) != ((elem->flags & ANIM_FLIP_H) != 0);
    int vflip = (elem->flags & ANIM_FLIP_V) != 0;
    float sx = (mirror ? -xScale : xScale) * zoom;
    float x = ((float)p->screenX + (float)p->facing * (float)elem->x * xScale) * zoom;
    float ground = (float)gv->stageZOffset, camY = (float)gv->cameraYi, shakeY = (float)gv->shakeY;
    if (reflect > 0) {
        int src, dst;
        ShadowReflectWeights(reflect, p->anim.transOverride == 3, p->anim.alphaSrcScale, p->anim.alphaDstScale, &src,
                             &dst);
        float y = ground - scale * p->y - camY + p->z - shakeY - (float)elem->y * yScale;
        SprDrawAlphaRotated(set, index, x, y * zoom, 0.0f, sx, (vflip ? yScale : -yScale) * zoom, 1, 1, src, dst);
    }
    int strength = ShadowFadeStrength(p->y, shadow->fadeLow, shadow->fadeHigh, 256);
    float flat = yScale * shadow->yScale;
    float y = ground + p->z - scale * p->y * shadow->yScale - shakeY - camY + (float)elem->y * flat;
    int colour = p->shadow == -1 ? shadow->colour : p->shadow;
    ShadowSprDraw(set, index, x, y * zoom, 0.0f, sx, (vflip ? -flat : flat) * zoom, colour, shadow->intensity,
                  strength);
}

void ProjListDrawShadows(ProjList *list, const ShadowSettings *shadow, int reflect, float zoom)
{
    if (!gv || !gv->cfg.engine.drawShadows)
        return;
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(list, i);
        if (p && Shown(p) && p->shadow != 0 && p->anim.set && p->anim.spr)
            ShadowDraw(p, shadow, reflect, zoom);
    }
}

void ProjListDrawClsn(ProjList *list, float zoom)
{
    int n = ProjListEnd(list);
    int filled = gv && gv->clsnDisplay == 2;
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(list, i);
        if (!p || !Shown(p))
            continue;
        const AnimElem *e = ShownElem(p);
        if (!e)
            continue;
        int x = TruncToInt((double)p->screenX * zoom), y = TruncToInt((double)p->screenY * zoom);
        int flip = p->facing < 0 ? 1 : 0;
        ClsnDebugDraw(e->clsn2, x, y, zoom, zoom, flip, Rgb(31, 0, 0), filled);
        ClsnDebugDraw(e->clsn1, x, y, zoom, zoom, flip, Rgb(31, 0, 0), filled);
    }
}
