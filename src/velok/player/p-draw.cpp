// Player drawing: the player's animation, its shadow and reflection, hit sparks and dust, and the debug boxes.
#include "velok/player/p-draw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/blit.h"
#include "lib/clsn.h"
#include "lib/font.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/spr-draw.h"
#include "lib/vbuf.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/p-info.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"

enum {
    ALPHA_TRANS = 3,  // the alpha-blended transparency kind
    HIT_MASK_ALL = 4095,
    HIT_MASK_STATES = 0x7,
    HIT_MASK_CLASSES = 0xff8,
};

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static void SparkSpecFill(SparkSpec *s, AnimSet *anims, SprSet *spr, int action, float x, float y)
{
    memset(s, 0, sizeof *s);
    s->anims = anims;
    s->spr = spr;
    s->action = action;
    s->x = x;
    s->y = y;
    s->stageSpace = 1;
    // An action that never ends keeps its spark for ever, as it always has.
    s->removeTime = AnimSetActionTime(anims, 0, action);
}

int HitSparkSpecGet(Player *pl, int sparkNo, float x, float y, int ownSprites, int mirrored, int guard,
                    SparkSpec *out)
{
    if (sparkNo == -2)
        sparkNo = guard ? pl->consts.guardSparkNo : pl->consts.sparkNo;
    if (sparkNo == -1)
        return 0;
    AnimSet *anims = gv->fightFxAnims;
    SprSet *spr = gv->fightFxSpr;
    if (ownSprites) {
        anims = pl->charData ? pl->charData->anims : nullptr;
        spr = pl->palInUse ? pl->palInUse : pl->sprView;
    }
    if (!anims || !spr || AnimSetFindAction(anims, 0, sparkNo) < 0)
        return 0;
    SparkSpecFill(out, anims, spr, sparkNo, x, y);
    out->shake = 1;
    out->flip = mirrored ? ANIM_FLIP_H : 0;
    out->postype = SPARK_POSTYPE;
    out->layer = SPARK_LAYER;
    out->pauseMoveTime = out->removeTime;
    out->superMoveTime = out->removeTime;
    return 1;
}

int SparkMake(const SparkSpec *s)
{
    ExplodList *list = gv ? gv->explods : nullptr;
    Explod *e = ExplodAt(list, ExplodAddAnim(list, s->action, s->anims, s->spr));
    if (!e)
        return -1;
    e->posX = s->x;
    e->posY = s->y;
    e->stageSpace = s->stageSpace;
    e->shake = s->shake;
    e->flips = s->flip;
    e->owner = s->ownerId;
    e->id = s->id;
    e->postype = s->postype;
    e->layer = s->layer;
    e->removeTime = s->removeTime;
    e->pauseMoveTime = s->pauseMoveTime;
    e->superMoveTime = s->superMoveTime;
    e->ignoreHitPause = 1;
    if (s->inDrawList) {
        e->anim->drawList = list->drawList;
        e->anim->drawPriority = s->drawPriority;
    }
    return (int)(e - list->records);
}

int HitSparkMake(Player *pl, int sparkNo, float x, float y, int ownSprites, int mirrored, int guard)
{
    SparkSpec spec;
    if (!HitSparkSpecGet(pl, sparkNo, x, y, ownSprites, mirrored, guard, &spec))
        return -1;
    return SparkMake(&spec);
}

int DustSpecAt(int x, int y, SparkSpec *out)
{
    if (!gv->fightFxAnims || !gv->fightFxSpr || AnimSetFindAction(gv->fightFxAnims, 0, DUST_ACTION) < 0)
        return 0;
    SparkSpecFill(out, gv->fightFxAnims, gv->fightFxSpr, DUST_ACTION, (float)x, (float)y);
    out->inDrawList = 1;
    out->drawPriority = DUST_PRIORITY;
    return 1;
}

int PlayerDustSpecGet(Player *pl, SparkSpec *out)
{
    if (gv->round.tick % 3 != 0)
        return 0;
    const PlayerStateBlock *st = &pl->state;
    bool sliding = pl->posY == 0 && (st->stateType == STATETYPE_S || st->stateType == STATETYPE_C) &&
                   st->moveType == MOVETYPE_H;
    if (st->stateNo != 52 && !sliding)
        return 0;
    if (!gv->fightFxAnims || !gv->fightFxSpr || AnimSetFindAction(gv->fightFxAnims, 0, DUST_ACTION) < 0)
        return 0;
    long long x = (long long)TruncToInt(pl->screenX) + gv->cameraXi - 1 + GameRandom() % 3;
    long long y = (long long)TruncToInt(pl->screenY) + gv->cameraYi - 1 + GameRandom() % 3;
    return DustSpecAt(TruncToInt((double)x), TruncToInt((double)y), out);
}

void PlayerDustMake(Player *pl)
{
    SparkSpec spec;
    if (PlayerDustSpecGet(pl, &spec))
        SparkMake(&spec);
}

// The one-pixel shiver of a player in hit shake, on odd ticks of its state.
static int PlayerShiver(const Player *pl)
{
    if (pl->state.moveType == MOVETYPE_H && pl->getHit.hitShakeTime > 0 && (pl->state.time & 1))
        return pl->facing;
    return 0;
}

void PlayerDraw(Player *pl, float zoom)
{
    AnimObj *anim = pl->anim;
    if (!anim || !anim->set)
        return;
    float k = zoom * pl->zScale;
    float xScale = pl->consts.xScale * pl->drawScaleX * k;
    float yScale = pl->consts.yScale * pl->drawScaleY * k;
    float x = pl->screenX - (float)gv->shakeX + (float)PlayerShiver(pl);
    float y = pl->screenY - (float)gv->shakeY;
    anim->drawPriority = TruncToInt((double)pl->sprPriority + (double)pl->posZ * 10.0);
    int trans = anim->transOverride, src = anim->alphaSrcScale, dst = anim->alphaDstScale;
    anim->transOverride = pl->transKind;
    anim->alphaSrcScale = pl->transSrc;
    anim->alphaDstScale = pl->transDst;
    int flip = pl->facing < 0 ? ANIM_FLIP_H : 0;
    if (pl->angleDraw)
        AnimObjDrawAngle(anim, x, y, pl->angle, xScale, yScale, flip);
    else
        AnimObjDrawScaledFlip(anim, x, y, xScale, yScale, flip);
    anim->transOverride = trans;
    anim->alphaSrcScale = src;
    anim->alphaDstScale = dst;
}

void ShadowSprDraw(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale, int colour,
                   int intensity, int strength)
{
    strength = std::max(0, std::min(256, strength));
    if (strength < 256) {
        colour = Blit565Scale((uint16_t)colour, strength);
        intensity = (int)((long long)intensity * strength / 256);
    }
    if ((colour & 0xFFFF) == 0xFFFF || intensity >= 256) {
        SprDrawAlphaRotated(set, index, x, y, angle, xScale, yScale, 1, 1, 0, 0);
        return;
    }
    if (colour & 0xFFFF)
        SprDrawShadeRotated(set, index, x, y, angle, xScale, yScale, 1, 1, colour);
    if (intensity >= 1)
        SprDrawAlphaRotated(set, index, x, y, angle, xScale, yScale, 1, 1, 0, 256 - intensity);
}

int ShadowFadeStrength(float y, int low, int high, int strength)
{
    if (!(low < high))
        return strength;
    if (y <= (float)low)
        return 0;
    if (y < (float)high)
        return TruncToInt(((double)y - low) * strength / ((double)high - low));
    return strength;
}

void ShadowReflectWeights(int reflect, int alpha, int alphaSrc, int alphaDst, int *src, int *dst)
{
    long long r = reflect, s = r, d = 256 - r;
    if (alpha) {
        d += r * alphaDst / 256;
        s = r * alphaSrc / 256;
    }
    *src = ClampInt(s);
    *dst = ClampInt(d);
}

void PlayerShadowDraw(Player *pl, const ShadowSettings *shadow, int reflect, float zoom)
{
    if (!gv->cfg.engine.drawShadows || !pl->anim || !pl->anim->set)
        return;
    int index = AnimObjSprite(pl->anim);
    const AnimElem *elem = AnimObjElem(pl->anim);
    if (index < 0 || !elem)
        return;
    SprSet *set = pl->palInUse ? pl->palInUse : pl->anim->spr;
    float scale = pl->zScale;
    float xScale = pl->consts.xScale * pl->drawScaleX * scale;
    float yScale = pl->consts.yScale * pl->drawScaleY * scale;
    int mirror = (pl->facing < 0) != ((elem->flags & ANIM_FLIP_H) != 0);
    int vflip = (elem->flags & ANIM_FLIP_V) != 0;
    float sx = (mirror ? -xScale : xScale) * zoom;
    float x = pl->screenX - (float)gv->shakeX + (float)PlayerShiver(pl) + (float)pl->facing * elem->x * xScale;
    x *= zoom;
    float angle = pl->angleDraw ? pl->angle * (float)pl->facing : 0.0f;
    float lift = (float)pl->drawOffsetY + pl->posY;
    float shakeY = (float)gv->shakeY, camY = (float)gv->cameraYi;
    int ground = gv->stageZOffset, offset = pl->consts.shadowOffset;

    if (reflect > 0) {
        int src, dst;
        ShadowReflectWeights(reflect, pl->transKind == ALPHA_TRANS, pl->transSrc, pl->transDst, &src, &dst);
        float y = (float)ground - scale * pl->consts.yScale * lift - camY + pl->posZ - shakeY + 2.0f * offset -
                  elem->y * yScale;
        float sy = (vflip ? yScale : -yScale) * zoom;
        SprDrawAlphaRotated(set, index, x, y * zoom, angle, sx, sy, 1, 1, src, dst);
    }

    int strength = ShadowFadeStrength(pl->posY, shadow->fadeLow, shadow->fadeHigh,
                                      pl->transKind == ALPHA_TRANS ? 256 - pl->transDst : 256);
    float flat = yScale * shadow->yScale;
    float y = (scale + 1.0f) * offset + ground + pl->posZ - scale * lift * shadow->yScale - shakeY - camY +
              elem->y * flat;
    float sy = (vflip ? -flat : flat) * zoom;
    ShadowSprDraw(set, index, x, y * zoom, angle, sx, sy, shadow->colour, shadow->intensity, strength);
}

int PlayerDebugInvulText(const Player *pl, char *out, int outSize)
{
    int mask = pl->getHit.hitByMask[0] & pl->getHit.hitByMask[1];
    bool whole = (mask & HIT_MASK_STATES) == 0 || (mask & HIT_MASK_CLASSES) == 0 || pl->hitLock > 0;
    if (whole) {
        snprintf(out, outSize, "MUTEKI");
    } else {
        static const char letters[] = "SCANSHNSHNSH";
        char c[12];
        for (int i = 0; i < 12; i++)
            c[i] = (mask & (1 << i)) ? ' ' : letters[i];
        snprintf(out, outSize, "%c%c%c|%c%c%c|%c%c%c|%c%c%c", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7],
                 c[8], c[9], c[10], c[11]);
    }
    return mask != HIT_MASK_ALL || whole;
}

void PlayerDebugNameText(const Player *pl, char *out, int outSize, char *targets, int targetsSize)
{
    std::string name = std::string(pl->name, strnlen(pl->name, sizeof pl->name)) + ", " + std::to_string(pl->id);
    if (pl->hitDef.active)
        name += " H";
    snprintf(out, outSize, "%s", name.c_str());
    std::string line;
    if (pl->targets && pl->targets->used > 0) {
        line = "Target ";
        bool first = true;
        // Read by slot, so the list's iteration cursor is left alone.
        for (int i = 0; const PlayerTarget *t = TargetListNext(pl->targets, &i);) {
            if (!t->target || !t->target->enabled)
                continue;
            if (!first)
                line += ", ";
            line += std::to_string(t->target->id) + " " + std::to_string(t->juggle);
            first = false;
        }
    }
    snprintf(targets, targetsSize, "%s", line.c_str());
}

// Debug drawing is placed by a screen position and widths that may lie
// anywhere in the int range: coordinates are summed in 64 bits and handed to
// the drawing calls within a range far beyond any target, where the glyph
// arithmetic of those calls cannot overflow.
enum { DEBUG_POS_LIMIT = 1 << 24 };

static int DebugPos(long long v)
{
    return ClampInt(v, -DEBUG_POS_LIMIT, DEBUG_POS_LIMIT);
}

// x + facing x the integer part of a width scaled by the zoom.
static int DebugWidthEnd(long long x, int f, long long width, float zoom)
{
    return DebugPos(x + f * (long long)TruncToInt((float)width * zoom));
}

// The width line: from the back width to the front width at y, with ticks at
// its ends and where the constants' part meets the Width controller's part.
static void PlayerDebugWidthDraw(const Player *pl, long long x, long long y, float zoom)
{
    bool air = pl->state.stateType == STATETYPE_A;
    long long front = air ? pl->consts.airFront : pl->consts.groundFront;
    long long back = air ? pl->consts.airBack : pl->consts.groundBack;
    int f = pl->facing < 0 ? -1 : 1;
    int frontEnd = DebugWidthEnd(x, f, front + pl->widthPlayerFront, zoom);
    int backEnd = DebugWidthEnd(x, -f, back + pl->widthPlayerBack, zoom);
    int frontMark = DebugWidthEnd(x, f, front, zoom);
    int backMark = DebugWidthEnd(x, -f, back, zoom);
    const int line = Rgb(8, 31, 0), mark = Rgb(0, 16, 15);
    int row = DebugPos(y);
    VbufHlineAdd(std::min(frontEnd, backEnd), std::max(frontEnd, backEnd), row, line);
    VbufVlineAdd(frontEnd, DebugPos(y - 2), DebugPos(y - 1), line);
    VbufVlineAdd(backEnd, DebugPos(y - 2), DebugPos(y - 1), line);
    VbufVlineAdd(frontMark, DebugPos(y + 1), DebugPos(y + 2), mark);
    VbufVlineAdd(backMark, DebugPos(y + 1), DebugPos(y + 2), mark);
}

void PlayerDebugDraw(Player *pl, float zoom)
{
    if (!pl->anim || !pl->anim->set)
        return;
    const AnimElem *elem = AnimObjElem(pl->anim);
    if (!elem)
        return;
    long long x = TruncToInt((pl->screenX - (float)gv->shakeX) * zoom);
    long long y = TruncToInt((pl->screenY - (float)gv->shakeY) * zoom);
    const Font *font = gv->debugFont;

    char text[PLAYER_DEBUG_TEXT_LEN];
    int shown = PlayerDebugInvulText(pl, text, sizeof text);
    if (shown && font)
        FontDrawTextL(text, font, DebugPos(x - 28), DebugPos(y - 2), Rgb(255 >> 3, 255 >> 2, 212 >> 3));

    int filled = gv->clsnDisplay == 2;
    int flip = pl->facing < 0 ? 1 : 0;
    int body = shown ? Rgb(0, 31, 15) : pl->guarding ? Rgb(8, 0, 24) : Rgb(0, 0, 31);
    ClsnDebugDraw(elem->clsn2, (int)x, (int)y, zoom, zoom, flip, body, filled);
    ClsnDebugDraw(elem->clsn1, (int)x, (int)y, zoom, zoom, flip, Rgb(31, 0, 0), filled);

    for (int i = 0; i < 2; i++) {
        const PlayerGuideBox *g = &pl->aiGuide[i];
        if (!g->on)
            continue;
        float gx1 = g->x1, gx2 = g->x2;
        if (pl->facing < 0) {
            gx1 = -g->x2;
            gx2 = -g->x1;
        }
        int x1 = DebugPos(x + TruncToInt(gx1 * zoom)), x2 = DebugPos(x + TruncToInt(gx2 * zoom));
        int y1 = DebugPos(y + TruncToInt(g->y1 * zoom)), y2 = DebugPos(y + TruncToInt(g->y2 * zoom));
        VbufRectFillAdd(x1, y1, x2, y2, i == 0 ? Rgb(8, 0, 8) : Rgb(0, 16, 0));
        VbufRectAdd(x1, y1, x2, y2, Rgb(4, 8, 4));
    }

    int cx = DebugPos(x), cy = DebugPos(y);
    VbufPixelInvert(cx, cy);
    VbufPixelInvert(DebugPos(x - 1), cy);
    VbufPixelInvert(DebugPos(x + 1), cy);
    VbufPixelInvert(cx, DebugPos(y - 1));
    VbufPixelInvert(cx, DebugPos(y + 1));

    PlayerDebugWidthDraw(pl, x, y, zoom);

    if (!font)
        return;
    char targets[PLAYER_DEBUG_TEXT_LEN];
    PlayerDebugNameText(pl, text, sizeof text, targets, sizeof targets);
    FontDrawTextL(text, font, DebugPos(x - 20), DebugPos(y + 6), 0xFFFF);
    if (targets[0])
        FontDrawTextL(targets, font, DebugPos(x - 20), DebugPos(y + 6 + font->sizeH + font->spacingY),
                      Rgb(255 >> 3, 192 >> 2, 255 >> 3));
}
