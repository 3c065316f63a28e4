// State controller application: performing a controller whose triggers hold on its player.
#include "velok/script/state-i.h"

#include <cstdint>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/drawlist.h"
#include "lib/array.h"
#include "lib/grandom.h"
#include "lib/pal.h"
#include "lib/textbuf.h"
#include "velok/player/chardef.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/match/gameloop.h"
#include "velok/match/lifebar.h"
#include "velok/player/explod.h"
#include "velok/player/helper.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-hit.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/afterimg.h"
#include "velok/player/proj.h"
#include "velok/script/sc-afterimg.h"
#include "velok/script/sc-envshake.h"
#include "velok/script/sc-hitovr.h"
#include "velok/script/sc-palfx.h"
#include "velok/script/sc-pause.h"
#include "velok/script/sc-proj.h"
#include "velok/script/sc-explod.h"
#include "velok/script/sc-helper.h"
#include "velok/script/sc-hitdef.h"
#include "velok/script/sc-playsnd.h"
#include "velok/script/sctrl.h"
#include "velok/script/st-trig.h"
#include "velok/script/stparam.h"

static int EvalInt(Player *pl, const SCtrl *c, int slot, int warn = 0)
{
    return ExprEvalInt(pl, &c->slot[slot], warn);
}

static float EvalFloat(Player *pl, const SCtrl *c, int slot)
{
    return ExprEvalFloat(pl, &c->slot[slot]);
}

static int WrapAdd(int a, int b)
{
    return (int)((uint32_t)a + (uint32_t)b);
}

// Channel -1 stops every sound, as the library's key -1 does.
static void StopSnd(Player *pl, const SCtrl *c)
{
    int channel = EvalInt(pl, c, 0, 1);
    if (channel < -1 || channel >= SOUND_PLAYER_CHANNELS) {
        PlayerWarnf(pl, "stopped illegal channel number %i", channel);
        return;
    }
    SoundPlayerStop(pl->slot, channel);
}

static void SndPan(Player *pl, const SCtrl *c)
{
    int channel = EvalInt(pl, c, 0, 1);
    if (channel < 0 || channel >= SOUND_PLAYER_CHANNELS) {
        PlayerWarnf(pl, "attemted to pan illegal channel number %i", channel);
        return;
    }
    int pan = EvalInt(pl, c, 1);
    float offset = pl->facing < 0 ? -(float)pan : (float)pan;
    float x = EvalInt(pl, c, 2) ? offset + 160.0f : pl->posX - gv->cameraX + offset;
    SoundPanAt(SoundPlayerChannelKey(pl->slot, channel), x);
}

// changestate and selfstate after their own preparations.
static int ChangeState(Player *pl, const SCtrl *c, TrigCtx *ctx, const char *negativeText)
{
    int state = EvalInt(pl, c, 0, 1);
    int ctrl = EvalInt(pl, c, 1);
    int anim = EvalInt(pl, c, 2);
    if (state < 0) {
        PlayerWarn(pl, negativeText);
        state = 0;
    }
    PlayerStateSet(pl, state);
    // A fighter with control leaving a standing or crouching state faces its
    // opponent first, on stages that turn players.
    int type = pl->state.stateType;
    Player *opponent = ctx ? ctx->opponent : nullptr;
    if (!pl->isHelper && pl->state.ctrl && (type == STATETYPE_S || type == STATETYPE_C) && gv &&
        gv->stageAutoTurn && !GameModeIsScene(gv->gameLoopMode) && opponent && opponent->enabled)
        PlayerAutoTurn(pl, opponent);
    if (ctrl != -1)
        pl->state.ctrl = ctrl != 0;
    if (anim != -1) {
        if (anim < 0) {
            PlayerWarn(pl, "attempted change to negative anim");
            anim = 0;
        }
        PlayerAnimSetOwn(pl, anim);
    }
    return 1;
}

static void SelfStateReturn(Player *pl)
{
    pl->state.customList = nullptr;
    pl->state.customOwnerId = -1;
    if (pl->charData)
        pl->cmdSet = &pl->charData->cmds;
    pl->animOverride = nullptr;
    AnimSet *own = PlayerOwnAnims(pl);
    if (pl->anim && own && pl->anim->set != own) {
        int action = pl->anim->set ? AnimObjActionNo(pl->anim) : 0;
        int slot = AnimSetFindAction(own, 0, action);
        pl->anim->set = own;
        pl->anim->elemIndex = 0;
        // The same action keeps running in the own set; a missing one restarts at 0.
        if (slot >= 0) {
            pl->anim->actionSlot = slot;
        } else {
            pl->anim->actionSlot = 0;
            AnimObjChangeAction(pl->anim, 0, 0);
            AnimObjRestart(pl->anim);
        }
    }
}

static void VarSetAdd(Player *pl, Player *dest, const SCtrl *c, int add, bool parent)
{
    int kind = c->slot[0].value.i;
    int index = EvalInt(pl, c, 1, 1);
    static const int counts[] = {PLAYER_VAR_COUNT, PLAYER_FVAR_COUNT, PLAYER_SYSVAR_COUNT, PLAYER_SYSFVAR_COUNT};
    if (kind < SCTRL_VAR || kind > SCTRL_SYSFVAR)
        return;
    if (index < 0 || index >= counts[kind]) {
        if (parent)
            PlayerWarn(pl, "set parentvar out of range");
        else if (kind >= SCTRL_SYSVAR)
            PlayerWarnf(pl, "set sysvar out of range (%i)", index);
        else
            PlayerWarnf(pl, "set var out of range (%i)", index);
        return;
    }
    if (kind == SCTRL_VAR || kind == SCTRL_SYSVAR) {
        int *v = kind == SCTRL_VAR ? &dest->var[index] : &dest->sysVar[index];
        int value = EvalInt(pl, c, 2);
        *v = add ? WrapAdd(*v, value) : value;
    } else {
        float *v = kind == SCTRL_FVAR ? &dest->fvar[index] : &dest->sysFvar[index];
        float value = EvalFloat(pl, c, 2);
        *v = add ? *v + value : value;
    }
}

static void VarRandom(Player *pl, const SCtrl *c)
{
    int index = EvalInt(pl, c, 0, 1);
    int64_t low = EvalInt(pl, c, 1), high = EvalInt(pl, c, 2);
    if (index < 0 || index >= PLAYER_VAR_COUNT) {
        PlayerWarnf(pl, "randomized var out of range (%i)", index);
        return;
    }
    if (high < low) {
        int64_t t = low;
        low = high;
        high = t;
    }
    // In 64 bits the widest range, -2^31..2^31-1, neither overflows nor reaches 0.
    int64_t range = high - low + 1;
    pl->var[index] = (int)(low + (int64_t)GameRandom() % range);
}

static void VarRangeSet(Player *pl, const SCtrl *c)
{
    int isFloat = c->slot[0].value.i;
    int first = EvalInt(pl, c, 2, 1), last = EvalInt(pl, c, 3, 1);
    int count = isFloat ? PLAYER_FVAR_COUNT : PLAYER_VAR_COUNT;
    if (first < 0 || last >= count || last < first) {
        PlayerWarnf(pl, "set illegal var range (%i-%i)", first, last);
        return;
    }
    if (isFloat) {
        float v = EvalFloat(pl, c, 1);
        for (int i = first; i <= last; i++)
            pl->fvar[i] = v;
    } else {
        int v = EvalInt(pl, c, 1);
        for (int i = first; i <= last; i++)
            pl->var[i] = v;
    }
}

// posset, posadd, velset, veladd, velmul over the given axes.
static void VectorOp(Player *pl, const SCtrl *c)
{
    int given = c->slot[4].value.i;
    float *target[3];
    bool pos = c->type == SCTRL_POSSET || c->type == SCTRL_POSADD;
    target[0] = pos ? &pl->posX : &pl->velX;
    target[1] = pos ? &pl->posY : &pl->velY;
    target[2] = pos ? &pl->posZ : &pl->velZ;
    for (int axis = 0; axis < 3; axis++) {
        if (!(given & (1 << axis)))
            continue;
        float v = EvalFloat(pl, c, axis);
        float *t = target[axis];
        switch (c->type) {
        case SCTRL_POSSET:
            *t = axis == 0 ? v + (gv ? gv->cameraX : 0.0f) + 160.0f : v;
            break;
        case SCTRL_POSADD:
        case SCTRL_VELADD:
            *t += axis == 0 ? v * (float)pl->facing : v;
            break;
        case SCTRL_VELSET:
            *t = axis == 0 ? v * (float)pl->facing : v;
            break;
        default:
            *t *= v;
            break;
        }
    }
}

static int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

static void AssertSpecial(Player *pl, const SCtrl *c)
{
    for (int i = 0; i < 3; i++) {
        int index = c->slot[2 * i].value.i, kind = c->slot[2 * i + 1].value.i;
        if (index < 0)
            continue;
        if (kind == ASSERT_KIND_PLAYER && index < PLAYER_ASSERT_COUNT)
            pl->assertFlags[index] = 1;
        else if (kind == ASSERT_KIND_GLOBAL && index < GAME_SPECIAL_COUNT && gv)
            gv->specialFlags[index] = 1;
    }
}

// Calls fn for each target entry matching the hit id (-1 all), in list order.
template <typename Fn> static void TargetsEach(Player *pl, int hitId, Fn fn)
{
    Array *t = pl->targets;
    for (int i = 0; PlayerTarget *e = TargetListNext(t, &i);) {
        if (TargetMatches(e, hitId))
            fn(e);
    }
}

static void TargetBind(Player *pl, const SCtrl *c)
{
    int time = EvalInt(pl, c, 0);
    int id = EvalInt(pl, c, 1);
    float x = EvalFloat(pl, c, 2), y = EvalFloat(pl, c, 3);
    if (time < -1) {
        PlayerWarn(pl, "set illegal target bindtime");
        time = 1;
    }
    TargetsEach(pl, id, [&](PlayerTarget *e) {
        if (!e->target->alive)
            return;
        e->bindTime = time;
        e->bindX = x;
        e->bindY = y;
    });
}

static void TargetState(Player *pl, const SCtrl *c)
{
    int state = EvalInt(pl, c, 0, 1);
    int id = EvalInt(pl, c, 1);
    if (state < 0) {
        PlayerWarn(pl, "attempted targetstate to negative");
        state = 0;
    }
    // The states the player runs now: another player's while it is in them.
    StateDefList *list = pl->state.customList ? pl->state.customList : pl->state.ownList;
    int owner = pl->state.customList ? pl->state.customOwnerId : pl->id;
    AnimSet *anims = pl->animOverride ? pl->animOverride : PlayerOwnAnims(pl);
    TargetsEach(pl, id, [&](PlayerTarget *e) {
        Player *t = e->target;
        t->state.customList = list;
        t->state.customOwnerId = owner;
        t->cmdSet = pl->cmdSet;
        t->animOverride = anims;
        PlayerStateSet(t, state);
    });
}

static void TargetVel(Player *pl, const SCtrl *c, bool add)
{
    float v[3] = {EvalFloat(pl, c, 0), EvalFloat(pl, c, 1), EvalFloat(pl, c, 2)};
    int id = EvalInt(pl, c, 3);
    if (v[0] != SCTRL_NOT_GIVEN_FLOAT)
        v[0] *= (float)pl->facing;
    TargetsEach(pl, id, [&](PlayerTarget *e) {
        float *vel[3] = {&e->target->velX, &e->target->velY, &e->target->velZ};
        for (int axis = 0; axis < 3; axis++) {
            if (v[axis] == SCTRL_NOT_GIVEN_FLOAT)
                continue;
            *vel[axis] = add ? *vel[axis] + v[axis] : v[axis];
        }
    });
}

// excludeID -1 drops every target; otherwise the targets of that hit id stay,
// only the first of them with keepone. A dropped target is released as the
// hit engine releases it.
static void TargetDrop(Player *pl, const SCtrl *c)
{
    int exclude = EvalInt(pl, c, 0);
    int keepOne = EvalInt(pl, c, 1);
    Array *t = pl->targets;
    if (!t)
        return;
    bool kept = false;
    for (int i = 0; i < t->capacity; i++) {
        if (!t->slots[i].used)
            continue;
        PlayerTarget *e = (PlayerTarget *)ArrayAt(t, i);
        bool match = exclude != -1 && e->target && e->target->getHit.chainId == exclude;
        if (match && !(keepOne && kept)) {
            kept = true;
            continue;
        }
        PlayerTargetRelease(pl, i);
    }
}

static void BindToTarget(Player *pl, const SCtrl *c)
{
    int time = EvalInt(pl, c, 0);
    int id = EvalInt(pl, c, 1);
    float x = EvalFloat(pl, c, 2), y = EvalFloat(pl, c, 3);
    int body = c->slot[4].value.i;
    Player *t = TargetGetById(pl->targets, id);
    if (!t)
        return;
    PlayerBindTo *b = &pl->bindTo;
    memset(b, 0, sizeof *b);
    b->time = time;
    b->slot = t->slot;
    b->id = t->id;
    b->useX = b->useY = 1;
    b->offX = x != SCTRL_NOT_GIVEN_FLOAT ? x : 0.0f;
    b->offY = y != SCTRL_NOT_GIVEN_FLOAT ? y : 0.0f;
    if (body == 1) {
        b->offX += (float)t->consts.midPosX;
        b->offY += (float)t->consts.midPosY;
    } else if (body == 2) {
        b->offX += (float)t->consts.headPosX;
        b->offY += (float)t->consts.headPosY;
    }
}

static void BindToParent(Player *pl, const SCtrl *c)
{
    bool root = c->type == SCTRL_BINDTOROOT;
    Player *to = root ? HelperRootGet(pl) : HelperParentGet(pl);
    if (!pl->isHelper || !to) {
        PlayerWarn(pl, root ? "No root for bindtoroot" : "No parent for bindtoparent");
        return;
    }
    int time = EvalInt(pl, c, 0);
    int facing = EvalInt(pl, c, 1);
    if (time < -1) {
        PlayerWarn(pl, "illegal helper bindtime");
        time = 1;
    }
    if (facing < -1 || facing > 1) {
        PlayerWarn(pl, "bind's facing param not +/-1 or 0");
        facing = facing < 0 ? -1 : 1;
    }
    PlayerBindTo *b = &pl->bindTo;
    memset(b, 0, sizeof *b);
    b->time = time;
    b->slot = to->slot;
    b->id = to->id;
    b->useX = b->useY = b->useZ = 1;
    b->facingRule = facing;
    b->offX = EvalFloat(pl, c, 2);
    b->offY = EvalFloat(pl, c, 3);
    b->offZ = EvalFloat(pl, c, 4);
}

static void EnvColor(Player *pl, const SCtrl *c)
{
    unsigned char rgb[4] = {};
    for (int i = 0; i < 3; i++)
        rgb[i] = (unsigned char)Clamp(EvalInt(pl, c, i), 0, 255);
    int time = EvalInt(pl, c, 3);
    int under = EvalInt(pl, c, 4);
    if (time < -1) {
        PlayerWarn(pl, "set illegal envcolortime");
        time = 1;
    }
    // One more than asked: the round loop counts the fill down once before
    // the frame that shows it.
    if (time != -1 && time < INT32_MAX)
        time++;
    if (!gv)
        return;
    uint16_t colour = 0;
    PalRgbTo565(rgb, &colour, 0, 0);
    gv->envColor = colour;
    gv->envColorTime = time;
    gv->envColorUnder = under != 0;
}

static void FallEnvShake(Player *pl)
{
    PlayerGetHit *g = &pl->getHit;
    if (g->fallEnvShakeTime <= 0)
        return;
    EnvShakeBlock shake = {0, g->fallEnvShakeTime, g->fallEnvShakeDir, g->fallEnvShakeFreq,
                           (float)g->fallEnvShakeAmpl, g->fallEnvShakePhase};
    EnvShakeStart(&shake);
    g->fallEnvShakeTime = g->fallEnvShakeDir = g->fallEnvShakeAmpl = 0;
    g->fallEnvShakeFreq = g->fallEnvShakePhase = 0.0f;
}

// The Projectile controller: a helper's projectiles go into its root's list.
// The launch's hit damage is scaled by the launcher's attack multiplier.
static void ProjectileLaunch(Player *pl, const SCtrl *c, TrigCtx *ctx)
{
    Player *owner = pl->isHelper && pl->root ? pl->root : pl;
    int index = SCtrlProjectileEval((const ProjectileParams *)c->params, pl, ctx ? ctx->opponent : nullptr, owner);
    Projectile *proj = ProjListAt(owner->projList, index);
    if (!proj)
        return;
    AIPlayerRefSet(pl, proj->id);
    HitDef *hd = &proj->hitDef;
    int evaluated = hd->damage;
    double scaled = (double)evaluated * (double)pl->attackMul + 0.5;
    hd->damage = scaled != scaled ? 0 : scaled >= 2147483647.0 ? INT32_MAX : scaled <= -2147483648.0 ? INT32_MIN
                                                                                                      : (int)scaled;
    if (evaluated >= 1 && hd->damage == 0)
        hd->damage = 1;
}

// PalFX on the player's palettes, BGPalFX on the stage background's and
// AllPalFX on every palette.
static void PalFxSet(const PalFxCtrlParams *p, Player *pl)
{
    PalFx fx;
    SCtrlPalFXEval(p, &fx, pl);
    switch (p->target) {
    case PALFX_TARGET_PLAYER: pl->palFx = fx; break;
    case PALFX_TARGET_BG:
        if (gv)
            gv->stagePalFx = fx;
        break;
    default:
        if (gv)
            gv->allPalFx = fx;
        break;
    }
}

// A partnerstateno not given is 0, so the partner comes in at state 0; the
// ctrl key is read but changes nothing.
static int TagIn(Player *pl, const SCtrl *c, TrigCtx *ctx)
{
    int state = EvalInt(pl, c, 0, 1);
    int partnerState = EvalInt(pl, c, 1, 1);
    Player *partner = ctx ? ctx->partner : nullptr;
    if (!partner)
        return 1;
    if (state >= 0)
        PlayerStateSet(pl, state);
    if (partner->facing != pl->facing)
        PlayerTurn(partner);
    if (partnerState < 0) {
        PlayerWarn(pl, "attempted change to negative anim");
        // The own state may have changed already: the old state must not run on.
        return state >= 0;
    }
    PlayerStateSet(partner, partnerState);
    partner->standby = 0;
    return 1;
}

static int Saturate(long long v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int)v;
}

// A game animation of the fight-screen effects at the player plus pos,
// spread by random, under the players or in front of them.
static void GameMakeAnim(Player *pl, const SCtrl *c)
{
    PlayerZScaleUpdate(pl);
    int action = EvalInt(pl, c, 0);
    if (action < 0) {
        PlayerWarn(pl, "made negative gameanim");
        action = 0;
    }
    int under = EvalInt(pl, c, 1);
    int f = pl->facing < 0 ? -1 : 1;
    long long x = ExprFloatToInt(EvalFloat(pl, c, 2) * (float)f + (gv ? gv->cameraX : 0.0f) + pl->screenX);
    long long y = ExprFloatToInt(EvalFloat(pl, c, 3) + (gv ? gv->cameraY : 0.0f) + pl->screenY);
    int spread = EvalInt(pl, c, 4);
    if (spread >= 1) {
        x += (long long)(GameRandom() % spread - spread / 2) * f;
        y += GameRandom() % spread - spread / 2;
    } else if (spread < 0) {
        PlayerWarn(pl, "negative random param for GameMakeAnim");
    }
    if (!gv || !gv->animList)
        return;
    int slot = AnimListAdd(gv->animList, gv->fightFxAnims, gv->fightFxSpr, 0, action, Saturate(x), Saturate(y),
                           f < 0 ? ANIM_FLIP_H : 0, -1);
    if (slot >= 0)
        AnimListSetMask(gv->animList, slot, under ? 2 : 1);
}

// A dust puff at the player's place plus an offset, moved by -1 to 1 pixel
// each way.
static void DustAt(Player *pl, float offX, float offY)
{
    int f = pl->facing < 0 ? -1 : 1;
    long long x = (long long)ExprFloatToInt(pl->screenX + offX * (float)f) + (gv ? gv->cameraXi : 0);
    long long y = (long long)ExprFloatToInt(pl->screenY + offY) + (gv ? gv->cameraYi : 0);
    x += GameRandom() % 3 - 1;
    y += GameRandom() % 3 - 1;
    SparkSpec spec;
    if (gv && DustSpecAt(Saturate(x), Saturate(y), &spec))
        SparkMake(&spec);
}

static void MakeDust(Player *pl, const SCtrl *c)
{
    int spacing = EvalInt(pl, c, 5);
    if (spacing < 1) {
        PlayerWarn(pl, "makedust spacing <= 0");
        spacing = 1;
    }
    if (!gv || gv->gameTick % spacing != 0)
        return;
    DustAt(pl, (float)EvalInt(pl, c, 0), (float)EvalInt(pl, c, 1));
    if (c->slot[4].value.i)
        DustAt(pl, EvalFloat(pl, c, 2), EvalFloat(pl, c, 3));
}

int PlayerSCtrlApplyElem(Player *pl, SCtrl *c, TrigCtx *ctx)
{
    switch (c->type) {
    case SCTRL_NULL:
        return 0;
    case SCTRL_CHANGESTATE:
        return ChangeState(pl, c, ctx, "attempted change to negative state");
    case SCTRL_SELFSTATE:
        SelfStateReturn(pl);
        return ChangeState(pl, c, ctx, "attempted to selfstate to negative state");
    case SCTRL_TURN:
        PlayerTurn(pl);
        return 0;
    case SCTRL_VARSET:
    case SCTRL_VARADD:
        VarSetAdd(pl, pl, c, c->type == SCTRL_VARADD, false);
        return 0;
    case SCTRL_PARENTVARSET:
    case SCTRL_PARENTVARADD:
        if (!HelperParentGet(pl)) {
            PlayerWarn(pl, c->type == SCTRL_PARENTVARSET ? "no parent for parentvarset" : "no parent for parentvaradd");
            return 0;
        }
        VarSetAdd(pl, HelperParentGet(pl), c, c->type == SCTRL_PARENTVARADD, true);
        return 0;
    case SCTRL_VARRANDOM:
        VarRandom(pl, c);
        return 0;
    case SCTRL_VARRANGESET:
        VarRangeSet(pl, c);
        return 0;
    case SCTRL_LIFESET:
        PlayerLifeSet(pl, EvalInt(pl, c, 0));
        return 0;
    case SCTRL_POWERSET:
    case SCTRL_POWERADD: {
        Player *owner = ctx && ctx->powerOwner ? ctx->powerOwner : pl;
        int v = EvalInt(pl, c, 0);
        PlayerPowerSet(owner, c->type == SCTRL_POWERADD ? WrapAdd(v, PlayerPowerGet(owner)) : v);
        return 0;
    }
    case SCTRL_CTRLSET:
        pl->state.ctrl = EvalInt(pl, c, 0) != 0;
        return 0;
    case SCTRL_POSSET:
    case SCTRL_POSADD:
    case SCTRL_VELSET:
    case SCTRL_VELADD:
    case SCTRL_VELMUL:
        VectorOp(pl, c);
        return 0;
    case SCTRL_POSFREEZE:
        pl->posFreeze = EvalInt(pl, c, 0) != 0;
        return 0;
    case SCTRL_GRAVITY:
        pl->velY += pl->consts.yAccel;
        return 0;
    case SCTRL_OFFSET:
        if (c->slot[4].value.i & 1)
            pl->drawOffsetX = ExprFloatToInt(EvalFloat(pl, c, 0));
        if (c->slot[4].value.i & 2)
            pl->drawOffsetY = ExprFloatToInt(EvalFloat(pl, c, 1));
        return 0;
    case SCTRL_HITBY: {
        int given = c->slot[3].value.i;
        int time = EvalInt(pl, c, 2);
        for (int i = 0; i < 2; i++)
            if (given & (1 << i)) {
                pl->getHit.hitByMask[i] = c->slot[i].value.i;
                pl->getHit.hitByTime[i] = time;
            }
        return 0;
    }
    case SCTRL_CHANGEANIM:
    case SCTRL_CHANGEANIM2: {
        int action = EvalInt(pl, c, 0, 1);
        int elemGiven = c->slot[2].value.i;
        int elem = elemGiven ? EvalInt(pl, c, 1, 1) : 1;
        if (elem < 0) {
            PlayerWarn(pl, "changed to negative animelem");
            elem = 0;
        }
        if (action < 0) {
            PlayerWarn(pl, "attempted change to negative anim");
            action = 0;
        }
        if (c->type == SCTRL_CHANGEANIM) {
            if (elemGiven)
                PlayerAnimElemSetOwn(pl, action, elem);
            else
                PlayerAnimSetOwn(pl, action);
        } else {
            // The actions of the player whose states run: the override while
            // in another player's states, else the own ones.
            if (!pl->state.customList)
                pl->animOverride = nullptr;
            if (elemGiven)
                PlayerAnimElemSet(pl, action, elem);
            else
                PlayerAnimSet(pl, action);
        }
        return 0;
    }
    case SCTRL_WIDTH:
        pl->widthEdgeFront = EvalInt(pl, c, 0);
        pl->widthEdgeBack = EvalInt(pl, c, 1);
        pl->widthPlayerFront = EvalInt(pl, c, 2);
        pl->widthPlayerBack = EvalInt(pl, c, 3);
        return 0;
    case SCTRL_SCREENBOUND:
        pl->screenBound = EvalInt(pl, c, 0) != 0;
        pl->moveCameraX = EvalInt(pl, c, 1) != 0;
        pl->moveCameraY = EvalInt(pl, c, 2) != 0;
        return 0;
    case SCTRL_SPRPRIORITY:
        pl->sprPriority = EvalInt(pl, c, 0);
        return 0;
    case SCTRL_ANGLEDRAW: {
        pl->angleDraw = 1;
        float angle = EvalFloat(pl, c, 0);
        if (angle != SCTRL_NOT_GIVEN_FLOAT)
            pl->angle = angle;
        pl->drawScaleX *= EvalFloat(pl, c, 1);
        pl->drawScaleY *= EvalFloat(pl, c, 2);
        return 0;
    }
    case SCTRL_ANGLESET:
        pl->angle = EvalFloat(pl, c, 0);
        return 0;
    case SCTRL_ANGLEADD:
        pl->angle += EvalFloat(pl, c, 0);
        return 0;
    case SCTRL_ANGLEMUL:
        pl->angle *= EvalFloat(pl, c, 0);
        return 0;
    case SCTRL_TRANS:
        pl->transKind = c->slot[0].value.i;
        pl->transSrc = Clamp(EvalInt(pl, c, 1), 0, 256);
        pl->transDst = Clamp(EvalInt(pl, c, 2), 0, 256);
        return 0;
    case SCTRL_ATTACKDIST:
        pl->guardDist = EvalInt(pl, c, 0);
        return 0;
    case SCTRL_PLAYERPUSH:
        pl->playerPush = EvalInt(pl, c, 0) != 0;
        return 0;
    case SCTRL_HITFALLSET: {
        int v = EvalInt(pl, c, 0);
        float vx = EvalFloat(pl, c, 1), vy = EvalFloat(pl, c, 2);
        if (v != -1)
            pl->getHit.fall = v;
        if (vx != SCTRL_NOT_GIVEN_FLOAT)
            pl->getHit.fallXVel = vx;
        if (vy != SCTRL_NOT_GIVEN_FLOAT)
            pl->getHit.fallYVel = vy;
        return 0;
    }
    case SCTRL_HITVELSET:
        if (EvalInt(pl, c, 0))
            pl->velX = pl->getHit.xVel;
        if (EvalInt(pl, c, 1))
            pl->velY = pl->getHit.yVel;
        return 0;
    case SCTRL_HITFALLVEL:
        if (pl->getHit.fallXVel != SCTRL_NOT_GIVEN_FLOAT)
            pl->velX = pl->getHit.fallXVel * (float)pl->facing;
        if (pl->getHit.fallYVel != SCTRL_NOT_GIVEN_FLOAT)
            pl->velY = pl->getHit.fallYVel;
        return 0;
    case SCTRL_ATTACKMULSET:
        pl->attackMul = EvalFloat(pl, c, 0) * (float)pl->consts.attack * 0.01f;
        return 0;
    case SCTRL_DEFENCEMULSET: {
        float v = EvalFloat(pl, c, 0);
        if (pl->consts.defence == 0) {
            PlayerWarn(pl, "defencemulset with a defence of 0 ignored");
            return 0;
        }
        pl->defenceMul = v * 100.0f / (float)pl->consts.defence;
        return 0;
    }
    case SCTRL_STATETYPESET: {
        int v;
        if ((v = c->slot[0].value.i) != -1)
            pl->state.stateType = v;
        if ((v = c->slot[1].value.i) != -1)
            pl->state.moveType = v;
        if ((v = c->slot[2].value.i) != -1)
            pl->state.physics = v;
        return 0;
    }
    case SCTRL_MOVEHITRESET:
        pl->state.moveContact = 0;
        return 0;
    case SCTRL_ASSERTSPECIAL:
        AssertSpecial(pl, c);
        return 0;
    case SCTRL_DISPLAYTOCLIPBOARD:
    case SCTRL_APPENDTOCLIPBOARD: {
        if (!pl->clipboard)
            return 0;
        char text[SCTRL_CLIP_TEXT_LEN + 1];
        SCtrlClipboardText(pl, c, text, sizeof text);
        if (c->type == SCTRL_DISPLAYTOCLIPBOARD)
            TextBufClear(pl->clipboard);
        TextBufAppend(pl->clipboard, text);
        return 0;
    }
    case SCTRL_CLEARCLIPBOARD:
        if (pl->clipboard)
            TextBufClear(pl->clipboard);
        return 0;
    case SCTRL_TAGIN:
        return TagIn(pl, c, ctx);
    case SCTRL_TAGOUT:
        pl->standby = 1;
        return 1;
    case SCTRL_TARGETBIND:
        TargetBind(pl, c);
        return 0;
    case SCTRL_BINDTOTARGET:
        BindToTarget(pl, c);
        return 0;
    case SCTRL_TARGETSTATE:
        TargetState(pl, c);
        return 0;
    case SCTRL_TARGETPOWERADD: {
        int v = EvalInt(pl, c, 0), id = EvalInt(pl, c, 1);
        TargetsEach(pl, id, [&](PlayerTarget *e) { PlayerPowerSet(e->target, WrapAdd(v, PlayerPowerGet(e->target))); });
        return 0;
    }
    case SCTRL_TARGETVELSET:
    case SCTRL_TARGETVELADD:
        TargetVel(pl, c, c->type == SCTRL_TARGETVELADD);
        return 0;
    case SCTRL_TARGETFACING: {
        int v = EvalInt(pl, c, 0), id = EvalInt(pl, c, 1);
        if (v == 0)
            return 0;
        int want = v > 0 ? pl->facing : -pl->facing;
        TargetsEach(pl, id, [&](PlayerTarget *e) {
            if (e->target->facing != want)
                PlayerTurn(e->target);
        });
        return 0;
    }
    case SCTRL_TARGETDROP:
        TargetDrop(pl, c);
        return 0;
    case SCTRL_TARGETLIFEADD: {
        int damage = (int)(0u - (unsigned)EvalInt(pl, c, 0));
        int kill = EvalInt(pl, c, 1), absolute = EvalInt(pl, c, 2), id = EvalInt(pl, c, 3);
        TargetsEach(pl, id, [&](PlayerTarget *e) { PlayerLifeAdd(e->target, damage, kill, absolute); });
        return 0;
    }
    case SCTRL_HITDEF:
    case SCTRL_REVERSALDEF:
        if (c->params)
            SCtrlHitDefApply((const HitDefParams *)c->params, pl, c->type == SCTRL_REVERSALDEF);
        return 0;
    case SCTRL_LIFEADD:
        PlayerLifeAdd(pl, (int)(0u - (unsigned)EvalInt(pl, c, 0)), EvalInt(pl, c, 1), EvalInt(pl, c, 2));
        return 0;
    case SCTRL_HITFALLDAMAGE:
        PlayerLifeAdd(pl, pl->getHit.fallDamage, 1, 1);
        pl->getHit.fallDamage = 0;
        return 0;
    case SCTRL_BINDTOPARENT:
    case SCTRL_BINDTOROOT:
        BindToParent(pl, c);
        return 0;
    case SCTRL_HITADD: {
        int v = EvalInt(pl, c, 0);
        pl->hit.hitCount = WrapAdd(pl->hit.hitCount, v);
        pl->hit.uniqHitCount = WrapAdd(pl->hit.uniqHitCount, v);
        pl->hitCombo = WrapAdd(pl->hitCombo, v);
        ComboCounterAdd(pl->side, v);
        return 0;
    }
    case SCTRL_FALLENVSHAKE:
        FallEnvShake(pl);
        return 0;
    case SCTRL_ENVCOLOR:
        EnvColor(pl, c);
        return 0;

    case SCTRL_PROJECTILE:
        if (c->params)
            ProjectileLaunch(pl, c, ctx);
        return 0;
    case SCTRL_HITOVERRIDE: {
        int slot = EvalInt(pl, c, 0, 1);
        if (slot < 0 || slot >= PLAYER_OVERRIDE_COUNT) {
            PlayerWarn(pl, "illegal override slot: 0 assumed");
            slot = 0;
        }
        if (c->params)
            SCtrlHitOverrideEval((const HitOverrideParams *)c->params, pl, slot);
        return 0;
    }
    case SCTRL_ENVSHAKE:
        if (c->params) {
            EnvShakeBlock shake;
            SCtrlEnvShakeEval((const EnvShakeParams *)c->params, &shake, pl);
            EnvShakeStart(&shake);
        }
        return 0;
    case SCTRL_AFTERIMAGE:
        if (!c->params)
            return 0;
        if (!AfterImagePlayerHeld(pl))
            pl->afterImage = AfterImagePoolTake(pl);
        if (pl->afterImage)
            SCtrlAfterImageEval((const AfterImageCtrlParams *)c->params, pl, pl->afterImage, pl->anim);
        return 0;
    case SCTRL_AFTERIMAGETIME: {
        int time = EvalInt(pl, c, 0);
        if (time < -1) {
            PlayerWarn(pl, "set illegal afterimagetime");
            time = 1;
        }
        if (AfterImagePlayerHeld(pl)) {
            pl->afterImage->params.time = time;
            pl->afterImage->tickCount = 0;
        }
        return 0;
    }
    case SCTRL_PAUSE:
        if (c->params)
            SCtrlPauseApply((const PauseParams *)c->params, PAUSE_MODE_PAUSE, pl);
        return 0;
    case SCTRL_SUPERPAUSE:
        if (c->params)
            SCtrlSuperPauseApply((const PauseParams *)c->params, pl, ctx && ctx->powerOwner ? ctx->powerOwner : pl);
        return 0;
    case SCTRL_PALFX:
        if (c->params)
            PalFxSet((const PalFxCtrlParams *)c->params, pl);
        return 0;
    case SCTRL_GAMEMAKEANIM:
        GameMakeAnim(pl, c);
        return 0;
    case SCTRL_MAKEDUST:
        MakeDust(pl, c);
        return 0;
    case SCTRL_EXPLOD:
        if (c->params)
            ExplodCtrlRun(pl, (const ExplodParams *)c->params, ctx);
        return 0;
    case SCTRL_MODIFYEXPLOD:
        if (c->params)
            ExplodCtrlModify(pl, (const ExplodParams *)c->params, ctx);
        return 0;
    case SCTRL_REMOVEEXPLOD: {
        int id = EvalInt(pl, c, 0, 1);
        if (id < -1) {
            PlayerWarn(pl, "removal of illegal explod ID");
            id = -1;
        }
        ExplodRemoveById(gv ? gv->explods : nullptr, pl->id, id);
        return 0;
    }
    case SCTRL_EXPLODBINDTIME: {
        int id = EvalInt(pl, c, 0, 1);
        int time = EvalInt(pl, c, 1, 1);
        if (id < -1) {
            PlayerWarn(pl, "illegal ID to explodbindtime");
            id = -1;
        }
        if (time < -1) {
            PlayerWarn(pl, "illegal explodbindtime");
            time = -1;
        }
        ExplodSetBindTime(gv ? gv->explods : nullptr, pl->id, id, time);
        return 0;
    }
    case SCTRL_HELPER:
        if (c->params)
            HelperCreate(pl, (const HelperParams *)c->params, ctx);
        return 0;
    case SCTRL_DESTROYSELF:
        HelperRemove(pl);
        return 0;
    case SCTRL_PLAYSND:
        if (c->params)
            SCtrlPlaySndApply((const PlaySndParams *)c->params, pl);
        return 0;
    case SCTRL_STOPSND:
        StopSnd(pl, c);
        return 0;
    case SCTRL_SNDPAN:
        SndPan(pl, c);
        return 0;
    default:
        FatalExitf("PlayerSCtrlApplyElem not recognised");
    }
}

int PlayerSCtrlApply(Player *pl, SCtrl *ctrl, TrigCtx *ctx)
{
    int own = pl->state.customList == nullptr;
    AIControllerBefore(pl);
    int changed = PlayerSCtrlApplyElem(pl, ctrl, ctx);
    AIControllerAfter(pl, changed, own);
    return changed;
}
