// Afterimages: trail records with their frame rings, and the game's pool of them that players and projectiles borrow.
#include "velok/player/afterimg.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/drawlist.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"

int AfterImageInit(AfterImage *ai, int frameCount)
{
    memset(ai, 0, sizeof(*ai));
    if (frameCount <= 0)
        return 0;
    AfterImageFrame *frames = (AfterImageFrame *)LibCalloc((size_t)frameCount, sizeof(AfterImageFrame));
    if (!frames)
        return 0;
    ai->frames = frames;
    ai->capacity = frameCount;
    for (int i = 0; i < frameCount; i++) {
        frames[i].spr = -1;
        if (!PalInit(&frames[i].pal, PAL_MAX_COLORS, nullptr, 1)) {
            AfterImageRelease(ai);
            return 0;
        }
    }
    return 1;
}

AfterImage *AfterImageCreate(int frameCount)
{
    AfterImage *ai = (AfterImage *)LibCalloc(1, sizeof(AfterImage));
    if (!ai)
        return nullptr;
    if (!AfterImageInit(ai, frameCount)) {
        MemFree(ai);
        return nullptr;
    }
    return ai;
}

void AfterImageRelease(AfterImage *ai)
{
    if (ai->frames) {
        for (int i = 0; i < ai->capacity; i++)
            PalFree(&ai->frames[i].pal);
        MemFree(ai->frames);
    }
    memset(ai, 0, sizeof(*ai));
}

void AfterImageFree(AfterImage *ai)
{
    if (!ai)
        return;
    AfterImageRelease(ai);
    MemFree(ai);
}

void AfterImageSetParams(AfterImage *ai, const AfterImageParams *params, AnimObj *anim)
{
    ai->params = *params;
    AfterImageParams &p = ai->params;
    p.timeGap = std::max(p.timeGap, 1);
    p.frameGap = std::max(p.frameGap, 1);
    p.length = std::max(1, std::min(p.length, ai->capacity));
    ai->write = ai->oldest = ai->count = 0;
    ai->tickCount = 0;
    ai->anim = anim;
    ai->active = ai->frames && anim ? 1 : 0;
}

int AfterImageRecord(AfterImage *ai, float x, float y, float xScale, float yScale, float angle, int flip,
                     int advance)
{
    if (!ai || !ai->active || !ai->anim || !ai->frames)
        return 0;
    const AfterImageParams &p = ai->params;
    long long next = (long long)ai->tickCount + 1;
    // Once the trail has stopped taking images and the last of them has had
    // its time in the ring, the trail has faded out.
    if (p.time != -1 && next >= (long long)p.time + (long long)p.timeGap * p.length) {
        ai->active = 0;
        return 0;
    }
    if (ai->tickCount % p.timeGap == 0) {
        AnimObj *anim = ai->anim;
        const AnimElem *elem = anim->set ? AnimObjElem(anim) : nullptr;
        float ex = elem ? (float)elem->x * xScale : 0.0f;
        float ey = elem ? (float)elem->y * yScale : 0.0f;
        AfterImageFrame *f = &ai->frames[ai->write];
        // After its time the trail takes blanks, so the last images fade out.
        bool over = p.time != -1 && next >= p.time;
        f->spr = anim->set && !over ? AnimObjSprite(anim) : -1;
        f->flip = AnimFlipCombine(flip, elem ? elem->flags & (ANIM_FLIP_H | ANIM_FLIP_V) : 0);
        f->x = x + ((flip & ANIM_FLIP_H) ? -ex : ex);
        f->y = y + ((flip & ANIM_FLIP_V) ? -ey : ey);
        f->xScale = xScale;
        f->yScale = yScale;
        f->priority = anim->drawPriority;
        f->angle = (flip & ANIM_FLIP_H) ? -angle : angle;
        ai->write = (ai->write + 1) % p.length;
        if (ai->count < p.length)
            ai->count++;
        ai->oldest = (ai->write - ai->count + p.length) % p.length;
    }
    if (advance)
        ai->tickCount = ai->tickCount == INT_MAX ? 0 : ai->tickCount + 1;
    return 1;
}

// The sprite's colours through the record's colour, invert, brightness and
// contrast steps, colour 0 (transparent) left alone.
static void BasePalette(const AfterImageParams &p, const Palette *src, Palette *out, int count)
{
    unsigned char *d = out->data;
    memcpy(d, src->data, (size_t)count * 4);
    int last = count - 1;
    PalRgbGrey(d, d, p.palColor, 1, last);
    if (p.palInvertAll)
        PalRgbInvert(d, d, 1, last);
    PalRgbAdd(d, d, p.palBright[0], p.palBright[1], p.palBright[2], 1, last);
    PalRgbMul(d, d, p.palContrast[0], p.palContrast[1], p.palContrast[2], 1, last);
    PalRgbAdd(d, d, p.palPostBright[0], p.palPostBright[1], p.palPostBright[2], 1, last);
}

static void PaletteTake(Palette *pal, int count, const PalFxParams *fx)
{
    pal->count = count;
    pal->fx = *fx;
    pal->flags = PAL_FLAG_DATA | PAL_FLAG_RECOMPUTE;
}

// The sprite's own colours, or null when it has fewer than two or none.
static const Palette *SpritePalette(const SprSet *set, int spr, int *count)
{
    if (!set->images || spr < 0 || spr >= set->images->used)
        return nullptr;
    const SprImage *img = SprSetImageAt(set, spr);
    if (img->bpp > 8 || img->palIndex < 0 || !set->pals || img->palIndex >= set->pals->used)
        return nullptr;
    const Palette *pal = SprSetPalAt(set, img->palIndex);
    int n = std::min(std::min(img->colorCount, pal->count), (int)PAL_MAX_COLORS);
    if (n < 2 || !pal->data)
        return nullptr;
    *count = n;
    return pal;
}

void AfterImageDraw(AfterImage *ai, int x, int y, int priority)
{
    if (!ai || !ai->active || ai->count <= 0 || !ai->anim)
        return;
    LIB_ASSERT(ai->anim->spr);
    SprSet *set = ai->anim->spr;
    const AfterImageParams &p = ai->params;
    int length = p.length;
    // Copies stand frameGap frames apart, the first frameGap frames behind
    // the newest; a gap longer than the ring wraps once around it.
    int copies = std::max(1, length / p.frameGap);
    const Palette *base = nullptr;
    int baseCount = 0;
    float run[3] = {256.0f, 256.0f, 256.0f};
    int drawn = 0;
    for (int k = 1; k <= copies; k++) {
        int age = (int)(((long long)k * p.frameGap - 1) % length) + 1;
        if (age > ai->count)
            break;
        AfterImageFrame *f = &ai->frames[(ai->write - age + length) % length];
        int count = 0;
        const Palette *src = f->spr >= 0 ? SpritePalette(set, f->spr, &count) : nullptr;
        if (!src)
            continue;
        PalFxParams fx;
        PalFxParamsInit(&fx);
        if (!base) {
            BasePalette(p, src, &f->pal, count);
            PaletteTake(&f->pal, count, &fx);
            base = &f->pal;
            baseCount = count;
        } else {
            memcpy(f->pal.data, base->data, (size_t)baseCount * 4);
            for (int c = 0; c < 3; c++)
                run[c] *= p.palMul[c];
            fx.addR = TruncToInt((double)drawn * p.palAdd[0]);
            fx.addG = TruncToInt((double)drawn * p.palAdd[1]);
            fx.addB = TruncToInt((double)drawn * p.palAdd[2]);
            fx.mulR = TruncToInt(run[0]);
            fx.mulG = TruncToInt(run[1]);
            fx.mulB = TruncToInt(run[2]);
            PaletteTake(&f->pal, baseCount, &fx);
        }
        drawn++;
        DrawEntry e;
        memset(&e, 0, sizeof e);
        e.priority = TruncToInt((double)std::min(priority, f->priority) - drawn);
        e.spr = set;
        e.sprIndex = f->spr;
        e.pal = &f->pal;
        e.x = TruncToInt((double)x + TruncToInt(f->x));
        e.y = TruncToInt((double)y + TruncToInt(f->y));
        e.trans = p.trans < 0 ? 0 : p.trans;
        e.alphaSrc = p.alphaSrc;
        e.alphaDst = p.alphaDst;
        e.flip = f->flip;
        e.xScale = f->xScale;
        e.yScale = f->yScale;
        if (f->angle != 0.0f) {
            e.kind = DRAW_ROTATED;
            e.angle = TruncToInt(f->angle);
        } else if (f->xScale == 1.0f && f->yScale == 1.0f) {
            e.kind = DRAW_PLAIN;
        } else {
            e.kind = DRAW_SCALED;
        }
        if (ai->anim->drawList)
            DrawListAdd(ai->anim->drawList, &e);
        else
            DrawListDrawEntry(&e);
    }
}

// ---------------------------------------------------------------- the pool

Array *AfterImagePoolCreate(int count, int frames)
{
    if (count < 0)
        return nullptr;
    Array *pool = ArrayCreate(count, sizeof(AfterImage), nullptr);
    if (!pool)
        return nullptr;
    for (int i = 0; i < count; i++) {
        AfterImage rec;
        memset(&rec, 0, sizeof(rec));
        int slot = ArrayAdd(pool, &rec, i, 0);
        if (slot < 0 || !AfterImageInit((AfterImage *)ArrayAt(pool, slot), frames)) {
            AfterImagePoolFree(pool);
            return nullptr;
        }
    }
    return pool;
}

void AfterImagePoolFree(Array *pool)
{
    if (!pool)
        return;
    for (int i = 0; i < pool->used; i++)
        AfterImageRelease((AfterImage *)ArrayAtRaw(pool, i));
    ArrayFree(pool);
}

AfterImage *AfterImagePoolFindFree(Array *pool)
{
    if (!pool)
        return nullptr;
    for (int i = 0; i < pool->used; i++) {
        AfterImage *ai = (AfterImage *)ArrayAtRaw(pool, i);
        if (ai->owner)
            continue;
        // A record given back must have stopped recording.
        LIB_ASSERT(!ai->active);
        return ai;
    }
    return nullptr;
}

void AfterImagePoolReset(Array *pool)
{
    if (!pool)
        return;
    for (int i = 0; i < pool->used; i++) {
        AfterImage *ai = (AfterImage *)ArrayAtRaw(pool, i);
        ai->owner = nullptr;
        ai->active = 0;
    }
}

int AfterImagePoolCount(Array *pool)
{
    if (!pool)
        return 0;
    int n = 0;
    for (int i = 0; i < pool->used; i++)
        n += ((AfterImage *)ArrayAtRaw(pool, i))->owner != nullptr;
    return n;
}

AfterImage *AfterImagePoolTake(void *owner)
{
    AfterImage *ai = gv ? AfterImagePoolFindFree(gv->afterImages) : nullptr;
    if (ai)
        ai->owner = owner;
    return ai;
}

void AfterImageGiveBack(AfterImage *ai)
{
    if (!ai)
        return;
    ai->owner = nullptr;
    ai->active = 0;
}

// ---------------------------------------------------------------- players and projectiles

// The record a holder links to, while it is still the holder's: a record the
// pool took back at a round start may have been lent to another since.
static AfterImage *Held(AfterImage **link, const void *holder)
{
    if (*link && (*link)->owner != holder)
        *link = nullptr;
    return *link;
}

AfterImage *AfterImagePlayerHeld(Player *pl)
{
    return Held(&pl->afterImage, pl);
}

void AfterImagePlayerRelease(Player *pl)
{
    AfterImageGiveBack(Held(&pl->afterImage, pl));
    pl->afterImage = nullptr;
}

void AfterImageExplodRelease(Projectile *proj)
{
    AfterImageGiveBack(Held(&proj->afterImage, proj));
    proj->afterImage = nullptr;
}

void AfterImagePlayerRecord(Player *pl)
{
    if (pl->frozen || !AfterImagePlayerHeld(pl))
        return;
    float k = pl->zScale;
    float xs = pl->consts.xScale * pl->drawScaleX * k;
    float ys = pl->consts.yScale * pl->drawScaleY * k;
    float angle = pl->angleDraw ? pl->angle : 0.0f;
    int flip = pl->facing != 1 ? ANIM_FLIP_H : 0;
    if (!AfterImageRecord(pl->afterImage, pl->screenX + (float)gv->cameraXi, pl->screenY + (float)gv->cameraYi, xs,
                          ys, angle, flip, pl->state.hitPauseTime <= 0))
        AfterImagePlayerRelease(pl);
}

void AfterImageExplodRecord(Projectile *proj)
{
    if (proj->frozen || !Held(&proj->afterImage, proj))
        return;
    float k = proj->depthScale;
    int flip = proj->facing != 1 ? ANIM_FLIP_H : 0;
    // The screen position already holds the shake, which drawing takes off
    // again: recorded without it, the trail lies where the owner is drawn.
    float x = (float)proj->screenX + (float)(gv->cameraXi + gv->shakeX);
    float y = (float)proj->screenY + (float)(gv->cameraYi + gv->shakeY);
    if (!AfterImageRecord(proj->afterImage, x, y, proj->xScale * k, proj->yScale * k, 0.0f, flip,
                          proj->hitPause <= 0))
        AfterImageExplodRelease(proj);
}

void AfterImageExplodRecordAll(Player *pl)
{
    int n = ProjListEnd(pl->projList);
    for (int i = 0; i < n; i++) {
        Projectile *proj = ProjListAt(pl->projList, i);
        if (proj && proj->state != PROJ_STATE_REMOVED)
            AfterImageExplodRecord(proj);
    }
}

void AfterImagePlayerDraw(Player *pl)
{
    if (AfterImagePlayerHeld(pl))
        AfterImageDraw(pl->afterImage, -(gv->cameraXi + gv->shakeX), -(gv->cameraYi + gv->shakeY), pl->sprPriority);
}

void AfterImageExplodDraw(Projectile *proj, int priority)
{
    if (Held(&proj->afterImage, proj))
        AfterImageDraw(proj->afterImage, -(gv->cameraXi + gv->shakeX), -(gv->cameraYi + gv->shakeY), priority);
}

void AfterImageExplodDrawAll(Player *pl)
{
    int n = ProjListEnd(pl->projList);
    for (int i = 0; i < n; i++) {
        Projectile *proj = ProjListAt(pl->projList, i);
        if (proj)
            AfterImageExplodDraw(proj, pl->sprPriority);
    }
}
