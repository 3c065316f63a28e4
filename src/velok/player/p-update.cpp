// Per-tick player update: the setters that controllers and the hit engine use to change a player.
#include "velok/player/p-update.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/core/common.h"
#include "velok/match/camera.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/match/lifebar.h"
#include "velok/match/round.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-hit.h"
#include "velok/player/p-info.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/statedef.h"

static int StateExists(const StateDefList *list, int state)
{
    return list && StateDefListFind(list, state) != nullptr;
}

int PlayerStateSet(Player *pl, int state)
{
    PlayerStateBlock *st = &pl->state;
    const StateDefList *list = st->customList ? st->customList : st->ownList;
    int exists = state == 0 || StateExists(list, state);
    int from = st->stateNo;
    st->prevStateNo = st->stateNo;
    st->stateNo = state;
    st->time = 0;
    if (!exists)
        PlayerWarnf(pl, "changed to invalid state %i (from state %i)\n", state, from);
    return exists;
}

// Binds the player's animation player to the set; 0 when there is nothing to play.
static int AnimBind(Player *pl, AnimSet *set)
{
    if (!pl->anim || !set)
        return 0;
    if (pl->anim->set != set) {
        pl->anim->set = set;
        pl->anim->actionSlot = 0;
        pl->anim->elemIndex = 0;
    }
    return 1;
}

static int AnimChange(Player *pl, AnimSet *set, int action, int elem)
{
    if (!AnimBind(pl, set) || AnimSetFindAction(set, 0, action) < 0) {
        pl->invalidAction = 1;
        PlayerWarnf(pl, "Changed to invalid action %i", action);
        return 0;
    }
    pl->invalidAction = 0;
    if (elem <= 1) {
        AnimObjChangeAction(pl->anim, 0, action);
        AnimObjRestart(pl->anim);
        return 1;
    }
    if (AnimObjChangeActionElem(pl->anim, 0, action, elem - 1))
        return 1;
    AnimObjChangeAction(pl->anim, 0, action);
    AnimObjRestart(pl->anim);
    PlayerWarnf(pl, "Changed to invalid animelem %i within action %i", elem, action);
    return 0;
}

AnimSet *PlayerOwnAnims(const Player *pl)
{
    return pl->charData ? pl->charData->anims : pl->animOwn;
}

static AnimSet *AnimSetInUse(const Player *pl)
{
    return pl->animOverride ? pl->animOverride : PlayerOwnAnims(pl);
}

int PlayerAnimSet(Player *pl, int action)
{
    return AnimChange(pl, AnimSetInUse(pl), action, 1);
}

int PlayerAnimElemSet(Player *pl, int action, int elem)
{
    return AnimChange(pl, AnimSetInUse(pl), action, elem);
}

int PlayerAnimSetOwn(Player *pl, int action)
{
    return AnimChange(pl, PlayerOwnAnims(pl), action, 1);
}

int PlayerAnimElemSetOwn(Player *pl, int action, int elem)
{
    return AnimChange(pl, PlayerOwnAnims(pl), action, elem);
}

static int LifeClamp(const Player *pl, int value)
{
    if (value > pl->lifeMax)
        value = pl->lifeMax;
    if (value < 0)
        value = 0;
    if (value == 0 && gv && gv->noKO)
        value = 1;
    return value;
}

// Life stands still for a living player once the round-over state has
// reached the fight screen's over-time.
static int LifeFrozen(const Player *pl)
{
    return gv && gv->round.state == 3 && pl->alive && gv->round.tick >= gv->overTime;
}

void PlayerLifeSet(Player *pl, int value)
{
    if (LifeFrozen(pl))
        return;
    value = LifeClamp(pl, value);
    if (pl->isHelper && !pl->helperTypePlayer && value < 1)
        value = 1;
    pl->life = value;
    if (value > 0 || pl->isHelper || !gv || gv->round.state != 2)
        return;
    // A KO in the fight: the hitter's side takes the icon of its hit, and a
    // player that went down by itself gives the other side its icon.
    if (pl->getHit.lastHitter)
        WinIconRecordKO(pl->side, pl->getHit.lastHitter->side, pl->lastHitAttr);
    else
        WinIconRecordTeam(3 - pl->side, 0, WIN_ICON_SUICIDE);
}

void PlayerLifeSetRaw(Player *pl, int value)
{
    if (LifeFrozen(pl))
        return;
    pl->life = LifeClamp(pl, value);
}

// The power in use: the side's first player's (a bare record's own).
static int *PowerRef(Player *pl)
{
    return &PlayerPowerOwner(pl)->power;
}

static int *PowerMaxRef(Player *pl)
{
    return &PlayerPowerOwner(pl)->powerMax;
}

int PlayerPowerGet(const Player *pl)
{
    return *PowerRef(const_cast<Player *>(pl));
}

int PlayerPowerMaxGet(const Player *pl)
{
    return *PowerMaxRef(const_cast<Player *>(pl));
}

void PlayerPowerSet(Player *pl, int value)
{
    if (gv && (gv->round.state == 3 || gv->round.state == 4))
        return;
    int max = PlayerPowerMaxGet(pl);
    if (value > max)
        value = max;
    if (value < 0)
        value = 0;
    *PowerRef(pl) = value;
}

void PlayerTurn(Player *pl)
{
    pl->facing = -pl->facing;
    KeyBufSetFacing(&pl->keyBuf, pl->facing < 0);
}

void PlayerAutoTurn(Player *pl, const Player *other)
{
    if (!other || (!pl->state.ctrl && (!gv || gv->round.state < 3)))
        return;
    if ((pl->posX - other->posX) * (float)pl->facing <= 0.0f || pl->assertFlags[ASSERT_NOAUTOTURN])
        return;
    PlayerTurn(pl);
    int action = pl->state.stateType == STATETYPE_S ? 5 : pl->state.stateType == STATETYPE_C ? 6 : -1;
    // The turning animations change quietly: a character may have none.
    if (action >= 0 && AnimBind(pl, AnimSetInUse(pl)) && AnimObjChangeAction(pl->anim, 0, action))
        AnimObjRestart(pl->anim);
}

void PlayerScreenEdgesUpdate(Player *pl, int marginLeft, int marginRight, int cameraX)
{
    // A stage may give a scale of 0 or less at some depth; divide by 1 there.
    // Each edge is truncated as a whole, after the camera and the centre are added.
    float s = pl->zScale > 0.0f ? pl->zScale : 1.0f;
    // The stage's margins may lie anywhere in the int range.
    pl->screenLeft = ExprFloatToInt((float)((long long)marginLeft - 160) / s + (float)cameraX + 160.0f);
    pl->screenRight = ExprFloatToInt((float)(160 - (long long)marginRight) / s + (float)cameraX + 160.0f);
}

// ---------------------------------------------------------------- helpers

enum {
    STUCK_LIMIT = STATEDEF_LOOP_MAX,
    HITBY_ALL = 4095,
    INTRO_SKIP_STEP = 10,
    WINPOSE_SKIP_LEFT = 17,
    KO_BLINK_LAST = 180,
};

enum MoveChoice { CHOICE_NONE, CHOICE_JUMP, CHOICE_CROUCH, CHOICE_WALK, CHOICE_AIRJUMP, CHOICE_GUARD };

static int GameType()
{
    return gv ? gv->cfg.rules.gameType : CFG_GAMETYPE_VS;
}

static int RoundState()
{
    return gv ? gv->round.state : 0;
}

static float DefenceReset(const Player *pl)
{
    return 100.0f / (float)(pl->consts.defence > 0 ? pl->consts.defence : 100);
}

static void FallRecoveryClear(Player *pl)
{
    pl->getHit.fallRecoverFlag = 0;
    pl->getHit.recoverCount = 0;
}

static int PauseRunning(int kind)
{
    return gv && gv->activePause == kind && gv->pause[kind].time > 0;
}

// A running Pause or SuperPause that holds this player still keeps its
// commands alive at 2 ticks through its last endcmdbuftime ticks.
static int CmdTimerFloor(const Player *pl)
{
    if (!gv || gv->activePause < 0 || gv->activePause > 1)
        return 0;
    int k = gv->activePause;
    const PauseRecord *p = &gv->pause[k];
    if (p->time > 0 && pl->pauseMoveTime[k] == 0 && p->time < p->endCmdBufTime)
        return 2;
    return 0;
}

// A press of a button 5 to 10 moves the round presentation on.
static void RoundPresentationSkip(const Player *pl, int ev)
{
    int button = ev & KEYBUF_BUTTON_MASK;
    if (!gv || pl->aiControlled || !ev || (ev & (KEYBUF_RELEASE | KEYBUF_REREAD)) || button < KEYBUF_A ||
        button > KEYBUF_A + 5)
        return;
    RoundVars *r = &gv->round;
    int mode = gv->gameLoopMode;
    if (mode == GAMELOOP_WIN_SCREEN || mode == GAMELOOP_SURVIVAL_RESULTS) {
        if (r->scenePhase == 1) {
            r->scenePhase = 2;
            r->sceneCounter = 0;
        }
        return;
    }
    bool intro = r->state == 1 || (r->state == 0 && r->tick > 2);
    if (intro && r->introCounter <= gv->roundTime + 2 && !r->skipIntro) {
        r->skipIntro = 1;
        gv->shutterOn = 1;
        gv->shutterHeight = 0;
        int step = gv->cfg.video.doubleRes == 4 ? 2 * INTRO_SKIP_STEP : INTRO_SKIP_STEP;
        gv->shutterStep = r->number >= 2 ? 2 * step : step;
    }
    if (r->state == 4 && r->tick > gv->overWinTime && r->tick < r->endTick - WINPOSE_SKIP_LEFT) {
        if (PalFxGlobalGet()) {
            PalFxGlobalMulSet(256, 256, 256);
            PalFxGlobalCommit();
        }
        r->tick = r->endTick - WINPOSE_SKIP_LEFT;
        r->skipEnd = 1;
    }
}

static void CommandsUpdate(Player *pl, int ev)
{
    CmdBuffer *cb = &pl->cmdBuf;
    int tick = gv->gameTick;
    if (pl->state.hitPauseTime > 0)
        cb->inputHold = 1;
    CmdKeysFromInput(cb, &pl->keyBuf);
    if (pl->shownOnly)
        cb->held = 0;
    if (!cb->inputHold)
        CmdTimersTick(&pl->cmdFlags, 1, CmdTimerFloor(pl));
    const Player *root = pl->root;
    if (pl->isHelper && root && root != pl && root->aiControlled) {
        int hold = cb->inputHold;
        *cb = root->cmdBuf;
        cb->inputHold = hold;
    } else {
        CmdBufferPush(&pl->keyBuf, cb, ev, tick);
    }
    // Both matchings look at the same new entries.
    int from = cb->processed;
    CmdBufferProcess(&pl->cmdFlags, pl->cmdSet, cb, tick, CMD_KIND_NORMAL);
    if (pl->charData) {
        cb->processed = from;
        CmdBufferProcess(&pl->cmdFlags, &pl->charData->cmds, cb, tick, CMD_KIND_RECOVERY);
    }
    if (pl->state.hitPauseTime <= 0 && pl->runFlag)
        cb->inputHold = 0;
}

static int GuardAssertFor(int stateType)
{
    switch (stateType) {
    case STATETYPE_S: return ASSERT_NOSTANDGUARD;
    case STATETYPE_C: return ASSERT_NOCROUCHGUARD;
    case STATETYPE_A: return ASSERT_NOAIRGUARD;
    default: return -1;
    }
}

// Holding back against an attacking opponent raises the guarding flag, and
// inside that opponent's guard distance guarding becomes the choice.
static int GuardCheck(Player *pl, int up, int choice)
{
    const PlayerStateBlock *st = &pl->state;
    bool can = (st->moveType == MOVETYPE_I && (st->ctrl || st->stateNo == 52)) || st->stateNo == 151 ||
               st->stateNo == 153 || st->stateNo == 155;
    int a = GuardAssertFor(st->stateType);
    if (!can || up || (a >= 0 && pl->assertFlags[a]))
        return choice;
    for (int s = 1; gv && s <= gv->playerSlotCount; s++) {
        Player *q = PlayerSlotGet(s);
        if (!q || q == pl || !q->enabled || q->side == pl->side)
            continue;
        if (q->state.moveType == MOVETYPE_A || ProjListCount(q->projList) > 0) {
            pl->guarding = 1;
            if (PlayerInGuardDist(pl, q))
                choice = CHOICE_GUARD;
        }
    }
    return choice;
}

static bool InGuardState(int n)
{
    return n == 120 || (n >= 130 && n <= 132) || n == 140;
}

static void ChoiceApply(Player *pl, int choice, int down)
{
    PlayerStateBlock *st = &pl->state;
    switch (choice) {
    case CHOICE_GUARD:
        if (st->moveType == MOVETYPE_I && st->ctrl && !InGuardState(st->stateNo)) {
            if (st->stateType != STATETYPE_A) {
                pl->velZ = 0.0f;
                if (st->stateNo != 100)
                    pl->velX = 0.0f;
            }
            PlayerStateSet(pl, 120);
        }
        pl->guarding = 1;
        break;
    case CHOICE_CROUCH:
        if (st->ctrl) {
            if (st->stateNo != 100)
                pl->velX = 0.0f;
            pl->velZ = 0.0f;
            if (st->stateNo != 10 && st->stateNo != 11)
                PlayerStateSet(pl, 10);
        }
        break;
    case CHOICE_WALK:
        if (st->ctrl && !pl->assertFlags[ASSERT_NOWALK] && st->stateNo != 20)
            PlayerStateSet(pl, 20);
        break;
    case CHOICE_JUMP:
        if (st->ctrl && RoundState() != 3)
            PlayerStateSet(pl, 40);
        break;
    case CHOICE_AIRJUMP:
        if (st->ctrl && pl->airJumps > 0 && -pl->posY > (float)pl->consts.airJumpHeight) {
            PlayerStateSet(pl, 45);
            pl->airJumps--;
        }
        break;
    default:
        if (st->stateNo == 20)
            PlayerStateSet(pl, 0);
        else if (st->stateType == STATETYPE_C && st->ctrl && !down)
            PlayerStateSet(pl, 12);
        break;
    }
}

// ---------------------------------------------------------------- input step

void PlayerInputUpdate(Player *pl)
{
    int ev = KeyBufPop(&pl->keyBuf);
    RoundPresentationSkip(pl, ev);
    if (pl->frozen || (pl->isHelper && pl->shownOnly))
        return;
    if (pl->shownOnly) {
        KeyBufClearButtons(&pl->keyBuf);
        pl->rereadKeys = 1;
        ev = 0;
    } else if (pl->rereadKeys) {
        pl->rereadKeys = 0;
        KeyBufPollKeys(&pl->keyBuf, pl->keyConfig);
    }
    if (gv->playerInput) {
        CommandsUpdate(pl, ev);
        AIPlayerPartnerMark(pl);
    }

    const int *held = pl->keyBuf.held;
    int up = held[KEYBUF_UP], fwd = held[KEYBUF_FWD], down = held[KEYBUF_DOWN], back = held[KEYBUF_BACK];
    PlayerStateBlock *st = &pl->state;
    int choice = CHOICE_NONE;
    if (st->stateType == STATETYPE_S) {
        if (up)
            choice = CHOICE_JUMP;
        else if (down)
            choice = CHOICE_CROUCH;
        else if (fwd != back)
            choice = CHOICE_WALK;
    } else if (st->stateType == STATETYPE_C && down) {
        choice = CHOICE_CROUCH;
    } else if (st->stateType == STATETYPE_A && (ev & KEYBUF_BUTTON_MASK) == KEYBUF_UP && !(ev & KEYBUF_RELEASE)) {
        choice = CHOICE_AIRJUMP;
    }
    pl->guarding = 0;
    if (GameType() == CFG_GAMETYPE_VS && back)
        choice = GuardCheck(pl, up, choice);
    if (fwd && back)
        choice = CHOICE_NONE;

    if (pl->noInput) {
        CmdActiveClear(&pl->cmdFlags);
        choice = CHOICE_NONE;
    }
    ChoiceApply(pl, choice, down);

    if (ev && st->moveType == MOVETYPE_H) {
        PlayerGetHit *gh = &pl->getHit;
        if (st->stateType == STATETYPE_L)
            gh->lieTime = (int)((float)gh->lieTime * 0.75f);
        else if (gh->fallCount > 0)
            gh->lieTime = (int)((float)gh->lieTime * 0.9f);
    }
}

// ---------------------------------------------------------------- state run

// The holder still holds the player as a bound target, as of its last run.
static int HoldsBound(const Player *holder, const Player *pl)
{
    const Array *t = holder->targets;
    if (!t)
        return 0;
    for (int i = 0; i < t->capacity; i++) {
        const PlayerTarget *e = (const PlayerTarget *)ArrayAt(t, i);
        if (t->slots[i].used && e->target == pl && e->bindTimeSeen != 0)
            return 1;
    }
    return 0;
}

static void PerTickReset(Player *pl)
{
    pl->screenBound = pl->moveCameraX = pl->moveCameraY = pl->playerPush = 1;
    pl->drawScaleX = pl->drawScaleY = 1.0f;
    pl->angleDraw = 0;
    pl->transKind = -1;
    pl->transSrc = 256;
    pl->transDst = 0;
    pl->widthEdgeFront = pl->widthEdgeBack = 0;
    pl->widthPlayerFront = pl->widthPlayerBack = 0;
    pl->drawOffsetX = pl->drawOffsetY = 0;
    pl->visible = 1;
    if (pl->isHelper && !pl->helperTypePlayer)
        pl->screenBound = pl->moveCameraX = pl->moveCameraY = pl->playerPush = 0;
}

static void GetHitBookkeeping(Player *pl)
{
    PlayerGetHit *gh = &pl->getHit;
    if (pl->state.moveType == MOVETYPE_H) {
        pl->posX += pl->pendingOffX;
        pl->posY += pl->pendingOffY;
        pl->posZ += pl->pendingOffZ;
        pl->pendingOffX = pl->pendingOffY = pl->pendingOffZ = 0.0f;
        if (gh->hitShakeTime > 0)
            gh->hitShakeTime--;
        if (pl->pendingDamage) {
            PlayerLifeSetRaw(pl, (int)((unsigned)pl->life - (unsigned)pl->pendingDamage));
            pl->pendingDamage = 0;
        }
        return;
    }
    pl->pendingDamage = 0;
    FallRecoveryClear(pl);
    gh->lastHitter = nullptr;
    gh->fall = 0;
    gh->lieTime = pl->consts.liedownTime;
    gh->fallCount = 0;
    gh->hitShakeTime = 0;
    pl->defenceMul = DefenceReset(pl);
}

// The engine's own rules for its numbered states; 1 when the state changed
// and the state must run again.
static int BuiltInStateRules(Player *pl)
{
    PlayerStateBlock *st = &pl->state;
    PlayerGetHit *gh = &pl->getHit;
    int n = st->stateNo;
    if (n == 40 && st->time == 0)
        pl->airJumps = pl->consts.airJumpNum;
    if (n == 120 || (n >= 150 && n <= 155))
        pl->guarding = 1;
    if ((n >= 130 && n <= 132) || n == 140) {
        pl->guarding = 1;
        pl->defenceMul = DefenceReset(pl);
    }
    if (n == 140) {
        int length = pl->anim ? AnimObjActionTime(pl->anim) : -1;
        if (length < 0 || st->time >= length) {
            int to = -1;
            if (st->stateType == STATETYPE_S)
                to = 0;
            else if (st->stateType == STATETYPE_C)
                to = 11;
            else if (st->stateType == STATETYPE_A)
                to = 51;
            if (to >= 0) {
                PlayerStateSet(pl, to);
                FallRecoveryClear(pl);
                gh->lastHitter = nullptr;
                return 1;
            }
        }
    }
    if ((n == 5070 || n == 5100) && st->time == 0) {
        if (n == 5100 && gh->fallCount > 0)
            gh->lieTime /= 2;
        pl->defenceMul *= pl->consts.fallDefenceUp;
        gh->fallCount++;
    }
    if (n == 5100 && gh->lieTime <= 10) {
        // Nothing hits the player until a HitBy, NotHitBy or the next round opens the mask.
        pl->getHit.hitByMask[0] = 0;
        pl->getHit.hitByTime[0] = -1;
    }
    if (n == 5110) {
        if (gh->lieTime > 0)
            gh->lieTime--;
        if (gh->lieTime <= 0 && pl->alive && st->time > 0) {
            gh->lieTime = pl->consts.liedownTime;
            PlayerStateSet(pl, 5120);
            return 1;
        }
    }
    if (n == 5120) {
        if (st->time == 0)
            pl->defenceMul = DefenceReset(pl);
        FallRecoveryClear(pl);
        gh->lastHitter = nullptr;
    }
    if ((n == 5200 || n == 5210) && st->time == 0)
        pl->defenceMul = DefenceReset(pl);
    return 0;
}

static void Motion(Player *pl)
{
    if (pl->posFreeze > 0) {
        pl->posFreeze--;
    } else {
        pl->posX += pl->velX;
        pl->posY += pl->velY;
        pl->posZ += pl->velZ;
    }
    auto &ev = pl->extraVel;
    if (ev.ticksLeft == 0 || PauseRunning(1))
        return;
    pl->posX += ev.velX;
    pl->posY += ev.velY;
    ev.velX *= ev.decayX;
    ev.velY *= ev.decayY;
    if (fabsf(ev.velX) < ev.stopThreshold)
        ev.ticksLeft = 0;
    if (ev.ticksLeft > 0)
        ev.ticksLeft--;
    if (ev.ticksLeft == 0)
        ev.velX = ev.velY = 0.0f;
}

// 1 when landing changed the state.
static int Physics(Player *pl)
{
    PlayerStateBlock *st = &pl->state;
    switch (st->physics) {
    case PHYSICS_S:
        pl->velX *= pl->consts.standFriction;
        pl->velZ *= pl->consts.standFriction;
        if (fabsf(pl->velX) < 1.0f)
            pl->velX = 0.0f;
        if (fabsf(pl->velZ) < 1.0f)
            pl->velZ = 0.0f;
        break;
    case PHYSICS_C:
        pl->velX *= pl->consts.crouchFriction;
        break;
    case PHYSICS_A:
        pl->velY += pl->consts.yAccel;
        if (st->stateNo != 105 && pl->velY > 0.0f && pl->posY >= 0.0f) {
            PlayerStateSet(pl, 52);
            return 1;
        }
        break;
    default:
        break;
    }
    return 0;
}

// The KO cry (11, 0) of the character; echoes come quieter.
static void KoSound(Player *pl, int quieter)
{
    const CharData *cd = pl->charData;
    if (!cd || gv->specialFlags[GAME_SPECIAL_NOKOSND])
        return;
    int volume = cd->volume < INT_MIN + quieter ? INT_MIN : cd->volume - quieter;
    SoundPlayAt(SND_KEY_NONE, pl->screenX, cd->sounds, 11, 0, volume);
}

static void KnockOut(Player *pl)
{
    if (!gv->specialFlags[GAME_SPECIAL_NOKOSND])
        SoundPlayerStop(pl->slot, SOUND_PLAYER_OWN_CHANNEL);
    KoSound(pl, 0);
    pl->alive = 0;
    pl->koTicks = 0;
    pl->state.ctrl = 0;
    if (pl->state.moveType != MOVETYPE_H) {
        PlayerStateSet(pl, 5030);
        pl->getHit.xVel = -2.8f;
        pl->getHit.yVel = -3.5f;
        pl->getHit.fall = 1;
    }
    PlayerTargetsDrop(pl, nullptr);
    ExplodRemoveOnHit(gv->explods, pl->id);
}

static void BlinkOut(Player *pl)
{
    int t = pl->state.time;
    if (t >= KO_BLINK_LAST)
        pl->visible = 0;
    else if (t >= 150)
        pl->visible = t % 8 == 1;
    else if (t >= 120)
        pl->visible = t % 4 == 1;
    else if (t >= 90)
        pl->visible = (t & 2) != 0;
    else if (t >= 60)
        pl->visible = (t & 4) != 0;
}

static void AfterStates(Player *pl)
{
    PlayerStateBlock *st = &pl->state;
    PlayerGetHit *gh = &pl->getHit;
    if (pl->life <= 0 && pl->alive && !gv->specialFlags[GAME_SPECIAL_NOKO])
        KnockOut(pl);
    if (!pl->alive) {
        pl->koTicks++;
        if (pl->consts.koEcho && (pl->koTicks == 20 || pl->koTicks == 50))
            KoSound(pl, pl->koTicks == 20 ? 60 : 120);
        if (PlayerSlotGet(PlayerPartnerSlot(pl->slot))) {
            pl->playerPush = 0;
            if (st->stateNo == 5150 && st->time > 9)
                pl->screenBound = pl->moveCameraX = pl->moveCameraY = 0;
        }
    }
    for (int i = 0; i < 2; i++) {
        if (pl->getHit.hitByTime[i] == 0)
            pl->getHit.hitByMask[i] = HITBY_ALL;
        else if (pl->getHit.hitByTime[i] > 0)
            pl->getHit.hitByTime[i]--;
    }
    if (GameType() == CFG_GAMETYPE_MIXED && st->stateNo == 5150)
        BlinkOut(pl);
    pl->idleTicks = st->moveType == MOVETYPE_I ? pl->idleTicks + 1 : 0;
    if (gv->matchKind == MATCH_KIND_TRAINING) {
        if (st->stateNo == 5150 && st->time > 89) {
            PlayerStateSet(pl, 5120);
            st->time = -1;
            pl->life = pl->lifeMax;
            pl->alive = 1;
            FallRecoveryClear(pl);
        }
        if (pl->idleTicks > 30)
            PlayerPowerSet(pl, PlayerPowerMaxGet(pl));
        if (pl->idleTicks > 60)
            pl->life = pl->lifeMax;
    }
    st->time++;
    if (pl->projContactKind && pl->projContactTicks < INT_MAX)
        pl->projContactTicks++;
    // No floor at 0: hitover holds once the count has gone below 0.
    if (gh->hitShakeTime == 0 && gh->hitTime > INT_MIN)
        gh->hitTime--;
    if (st->moveType == MOVETYPE_H) {
        pl->sinceLastHit = 0;
        if (gh->fall)
            gh->fallTime++;
    } else {
        pl->sinceLastHit++;
    }
    int k = gv->activePause;
    if (k >= 0 && k <= 1 && gv->pause[k].time > 0) {
        if (pl->pauseMoveTime[k] > 0)
            pl->pauseMoveTime[k]--;
    } else if (st->moveType == MOVETYPE_H) {
        pl->pauseMoveTime[0] = pl->pauseMoveTime[1] = 0;
    }
    pl->drawOffsetX += pl->facing * pl->consts.drawOffsetX;
    pl->drawOffsetY += pl->consts.drawOffsetY;
}

static void BoundTargetsMove(Player *pl)
{
    // A dropped entry keeps its old contents: only entries in use hold.
    Array *t = pl->targets;
    for (int i = 0; PlayerTarget *e = TargetListNext(t, &i);) {
        e->bindTimeSeen = e->bindTime;
        Player *q = e->target;
        if (!q || q->state.moveType != MOVETYPE_H || e->bindTime == 0)
            continue;
        q->posX = pl->posX + (float)pl->facing * e->bindX;
        q->posY = pl->posY + e->bindY;
        q->posZ = pl->posZ + e->bindZ;
        q->velX = pl->velX;
        q->velY = pl->velY;
        q->velZ = pl->velZ;
        q->pendingOffX = q->pendingOffY = q->pendingOffZ = 0.0f;
        q->boundBySlot = pl->slot;
        q->boundById = pl->id;
        if (q->posFreeze < 1)
            q->posFreeze = 1;
        if (e->bindTime > 0)
            e->bindTime--;
    }
}

// Every return to the state loop counts against the same limit as the
// state changes inside it, so a landing or lying rule that keeps changing
// the state stops the game instead of hanging it.
static void StateLoopReturn(Player *pl, int *passes)
{
    if (*passes > STUCK_LIMIT)
        FatalExitf("State machine stuck in loop (stopped after %i loops): %i for %s\n"
                   "Check your states for infinite ChangeState loops.",
                   STUCK_LIMIT, pl->state.stateNo, pl->name);
    (*passes)++;
}

void PlayerStateRun(Player *pl)
{
    if (pl->frozen)
        return;
    PlayerStateBlock *st = &pl->state;
    if (pl->getHit.hitShakeTime > 0) {
        st->hitPauseTime = 0;
        pl->pendingHitPause = 0;
    }
    if (pl->pendingHitPause) {
        st->hitPauseTime = pl->pendingHitPause;
        pl->pendingHitPause = 0;
    }
    if (st->hitPauseTime > 0)
        st->hitPauseTime--;

    for (auto &o : pl->hitOverride) {
        if (o.active && o.time != -1 && --o.time <= 0)
            o.active = 0;
    }

    if (pl->boundBySlot) {
        Player *b = PlayerSlotGetById(pl->boundBySlot, pl->boundById);
        if (!b || !b->enabled || b->lastRunTick != gv->gameTick || !HoldsBound(b, pl))
            pl->boundBySlot = pl->boundById = 0;
    }

    if (st->hitPauseTime <= 0)
        PerTickReset(pl);
    pl->prevX = pl->posX;
    pl->prevY = pl->posY;
    pl->prevZ = pl->posZ;

    // A helper removed by its own controllers (DestroySelf) stops where it is.
    int enabled = pl->enabled;
    PlayerStateRunSpecials(pl);
    int passes = 0;
    for (;;) {
        if (enabled && !pl->enabled)
            return;
        PlayerStateRunLoop(pl, &passes);
        if (enabled && !pl->enabled)
            return;
        if (st->hitPauseTime > 0)
            break;
        GetHitBookkeeping(pl);
        if (pl->pendingFacing && pl->pendingFacing != pl->facing)
            PlayerTurn(pl);
        pl->pendingFacing = 0;
        if (pl->assertFlags[ASSERT_INVISIBLE])
            pl->visible = 0;
        if (BuiltInStateRules(pl)) {
            StateLoopReturn(pl, &passes);
            continue;
        }
        Motion(pl);
        if (Physics(pl)) {
            StateLoopReturn(pl, &passes);
            continue;
        }
        AfterStates(pl);
        break;
    }

    if (!(GameType() == CFG_GAMETYPE_MIXED && !pl->alive))
        PlayerStageBound(pl);
    CameraUpdate();
    PlayerZScaleUpdate(pl);
    pl->liveTicks++;
    BoundTargetsMove(pl);
    pl->lastRunTick = gv->gameTick;
}

// ---------------------------------------------------------------- bounds and binding

void PlayerStageBound(Player *pl)
{
    if (pl->posX < gv->stageLeftBound)
        pl->posX = gv->stageLeftBound;
    if (pl->posX > gv->stageRightBound)
        pl->posX = gv->stageRightBound;
    if (pl->posZ < gv->stageZTop)
        pl->posZ = gv->stageZTop;
    if (pl->posZ > gv->stageZBottom)
        pl->posZ = gv->stageZBottom;
}

void PlayerScreenBound(Player *pl)
{
    if (GameType() == CFG_GAMETYPE_MIXED && !pl->alive)
        return;
    // A stage scale of 0 or less at this depth leaves no screen to keep to.
    if (!(pl->zScale > 0.0f))
        return;
    PlayerScreenEdgesUpdate(pl, gv->stageScreenLeft, gv->stageScreenRight, gv->cameraXi);
    int margin = pl->state.stateType == STATETYPE_A ? 1 : pl->state.stateType == STATETYPE_L ? 2 : 0;
    // Summed in 64 bits: a Width controller may add widths up to the int range.
    float lo = (float)((long long)pl->screenLeft + PlayerEdgeWidthGet(pl, EDGE_DIR_LEFT, EDGE_KIND_BODY_EDGE) + margin);
    float hi = (float)((long long)pl->screenRight - PlayerEdgeWidthGet(pl, EDGE_DIR_RIGHT, EDGE_KIND_BODY_EDGE) - margin);
    if (pl->posX < lo)
        pl->posX = lo;
    if (pl->posX > hi)
        pl->posX = hi;
}

void PlayerZScaleUpdate(Player *pl)
{
    int in[8] = {ExprFloatToInt(pl->posX), ExprFloatToInt(pl->posY), ExprFloatToInt(pl->posZ), gv->cameraXi,
                 gv->cameraYi, gv->stageZOffset, pl->drawOffsetX, pl->drawOffsetY};
    bool same = in[0] == pl->screenPosMark;
    for (int i = 1; i < 8 && same; i++)
        same = in[i] == pl->zScaleMarks[i - 1];
    if (same) {
        if (pl->screenBound)
            PlayerScreenBound(pl);
        return;
    }
    float top = gv->stageScaleTop, bottom = gv->stageScaleBottom;
    float span = gv->stageScaleZBottom - gv->stageScaleZTop + 1.0f;
    // Bottom one above top leaves no depth: everything is at the top scale.
    pl->zScale = span == 0.0f ? top : top + (pl->posZ - gv->stageScaleZTop) / span * (bottom - top);
    if (pl->screenBound)
        PlayerScreenBound(pl);
    pl->screenX = ((float)pl->drawOffsetX + pl->posX - gv->cameraX - 160.0f) * pl->zScale + 160.0f;
    pl->screenY = pl->zScale * ((float)pl->drawOffsetY + pl->posY) - gv->cameraY + (float)gv->stageZOffset + pl->posZ;
    pl->screenPosMark = in[0];
    for (int i = 1; i < 8; i++)
        pl->zScaleMarks[i - 1] = in[i];
}

void PlayerUpdateBindTo(Player *pl)
{
    PlayerBindTo *b = &pl->bindTo;
    if (b->time == 0)
        return;
    if (b->slot == 0)
        FatalExitf("tfacing NULL in PlayerUpdateBindTo");
    const Player *t = PlayerSlotGetById(b->slot, b->id);
    if (!t) {
        memset(b, 0, sizeof *b);
        return;
    }
    if (b->facingRule && t->facing * b->facingRule != pl->facing) {
        pl->facing = t->facing * b->facingRule;
        KeyBufSetFacing(&pl->keyBuf, pl->facing < 0);
    }
    if (b->useX)
        pl->posX = t->posX + (float)t->facing * b->offX;
    if (b->useY)
        pl->posY = t->posY + b->offY;
    if (b->useZ)
        pl->posZ = t->posZ + b->offZ;
    if (b->time > 0)
        b->time--;
    if (!(GameType() == CFG_GAMETYPE_MIXED && !pl->alive))
        PlayerStageBound(pl);
    CameraUpdate();
    PlayerZScaleUpdate(pl);
}
