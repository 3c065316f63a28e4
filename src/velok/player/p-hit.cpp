// Hit engine: body push, reversals, hit tests and trades, hits and guards, damage, targets and per-slot serials.
#include "velok/player/p-hit.h"

#include <climits>
#include <cmath>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/clsn.h"
#include "lib/snd-lib.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/p-draw.h"
#include "velok/script/expr.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/match/lifebar.h"
#include "velok/match/round.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/player/p-draw.h"
#include "velok/script/stparam.h"

enum {
    HITBY_ALL = 4095,
    ATTR_STATE_BITS = HITATTR_S | HITATTR_C | HITATTR_A,
    ATTR_CLASS_BITS = HITATTR_ALL & ~ATTR_STATE_BITS,
};

// The per-slot arrays hold one entry per slot of the slot table, 0 included.
static int SlotOk(int slot)
{
    return gv && slot >= 0 && slot <= gv->playerSlotCount;
}

// The serial of the last HitDef of a slot that touched the player, -1 none.
static int SerialOf(const Player *p, int slot)
{
    return SlotOk(slot) && p->getHit.lastHitSerial ? p->getHit.lastHitSerial[slot] : -1;
}

static void SerialSet(Player *p, int slot, int serial)
{
    if (SlotOk(slot) && p->getHit.lastHitSerial)
        p->getHit.lastHitSerial[slot] = serial;
}

// The hit mark of an attacking slot in the current pass.
static int MarkOf(const Player *p, int slot)
{
    return SlotOk(slot) && p->getHit.slotWord ? p->getHit.slotWord[slot] : 0;
}

static void MarkSet(Player *p, int slot, int mark)
{
    if (SlotOk(slot) && p->getHit.slotWord)
        p->getHit.slotWord[slot] = mark;
}

static int AttrsMeet(int a, int b)
{
    int both = a & b;
    return (both & ATTR_STATE_BITS) && (both & ATTR_CLASS_BITS);
}

// The attack attribute with its state bits taken from the attacker's state type.
static int AttrNow(const Player *a)
{
    int state = a->state.stateType == STATETYPE_S   ? HITATTR_S
                : a->state.stateType == STATETYPE_C ? HITATTR_C
                : a->state.stateType == STATETYPE_A ? HITATTR_A
                                                    : 0;
    return (a->hitDef.attr & ~ATTR_STATE_BITS) | state;
}

static const AnimElem *ShownElem(const Player *p)
{
    if (!p->anim || !p->anim->set)
        return nullptr;
    return AnimObjElem(p->anim);
}

// An element's clsn1 (kind 1) or clsn2 boxes; none without an element.
static ClsnList *ElemBoxes(const AnimElem *e, int kind)
{
    if (!e)
        return nullptr;
    return kind == 1 ? e->clsn1 : e->clsn2;
}

static ClsnList *Boxes(const Player *p, int kind)
{
    return ElemBoxes(ShownElem(p), kind);
}

static float PosX(const Player *p, int usePrev)
{
    return (usePrev ? p->prevX : p->posX) + p->drawOffsetX;
}

static float PosY(const Player *p, int usePrev)
{
    return (usePrev ? p->prevY : p->posY) + p->drawOffsetY;
}

// The whole-pixel offset from one place to another. A state can fling a
// player to any float, infinities included: the places saturate, and so
// does the offset, so that players far beyond any box simply do not meet.
static int Gap(float to, float from)
{
    return ClampInt((long long)TruncToInt(to) - TruncToInt(from));
}

// A's boxes of one kind against B's of another, B placed at its offset from A.
static int BoxesMeet(const Player *a, int kindA, const Player *b, int kindB, int usePrev)
{
    int dx = Gap(PosX(b, usePrev), PosX(a, usePrev));
    int dy = Gap(PosY(b, usePrev), PosY(a, usePrev));
    return ClsnListsOverlap(Boxes(a, kindA), Boxes(b, kindB), dx, dy, a->facing < 0, b->facing < 0);
}

static int DepthReaches(const Player *a, const HitDef *hd, const Player *v)
{
    int front = hd->attackWidthFront == -1 ? a->consts.attackZWidthFront : hd->attackWidthFront;
    int back = hd->attackWidthBack == -1 ? a->consts.attackZWidthBack : hd->attackWidthBack;
    // Reaches and widths may lie anywhere in the int range: summed in 64 bits.
    if (a->posZ >= v->posZ)
        return a->posZ - v->posZ <= (float)((long long)front + v->consts.zWidth);
    return v->posZ - a->posZ <= (float)((long long)back + v->consts.zWidth);
}

static int IsGuardState(const Player *v)
{
    return v->state.stateNo >= 150 && v->state.stateNo <= 155;
}

// The hit-flag rules: which victims a set of flags reaches.
static int FlagsFit(int flags, const Player *v)
{
    int type = v->state.stateType;
    if (type == STATETYPE_L && !(flags & HITFLAG_D))
        return 0;
    if (v->state.moveType == MOVETYPE_H) {
        if (!(flags & HITFLAG_DEFAULT))
            return 0;
        if (IsGuardState(v) && (flags & HITFLAG_PLUS))
            return 0;
    } else if (flags & HITFLAG_PLUS) {
        return 0;
    }
    if (v->getHit.fall && !(flags & HITFLAG_F))
        return 0;
    switch (type) {
    case STATETYPE_S: return (flags & HITFLAG_H) != 0;
    case STATETYPE_C: return (flags & HITFLAG_L) != 0;
    case STATETYPE_A: return (flags & HITFLAG_A) != 0;
    case STATETYPE_L: return (flags & HITFLAG_D) != 0;
    default: return 0;
    }
}

// The entry for the victim, made when new; null when the list is full.
static PlayerTarget *TargetTake(Player *a, Player *v, const HitDef *hd)
{
    PlayerTarget *t = TargetListFind(a->targets, v);
    if (!t) {
        if (!a->targets)
            return nullptr;
        PlayerTarget entry{};
        entry.target = v;
        entry.juggle = a->consts.airJuggle;
        int slot = ArrayAdd(a->targets, &entry, 0, 0);
        if (slot < 0)
            return nullptr;
        t = (PlayerTarget *)ArrayAt(a->targets, slot);
    }
    t->bindX = t->bindY = t->bindZ = 0.0f;
    t->serial = hd->serial;
    return t;
}

static void LeaveCustomStates(Player *p)
{
    p->state.customList = nullptr;
    p->state.customOwnerId = -1;
    if (p->charData)
        p->cmdSet = &p->charData->cmds;
    CmdActiveClear(&p->cmdFlags);
    p->animOverride = nullptr;
}

// The victim runs the attacker's states: the attacker's own list, or the list
// it runs itself when it is in another player's states.
static void EnterAttackerStates(Player *a, Player *v)
{
    if (a->state.customList) {
        v->state.customList = a->state.customList;
        v->state.customOwnerId = a->state.customOwnerId;
    } else {
        v->state.customList = a->state.ownList;
        v->state.customOwnerId = a->id;
    }
    v->cmdSet = a->cmdSet;
    CmdActiveClear(&v->cmdFlags);
    v->animOverride = a->animOverride ? a->animOverride : a->anim ? a->anim->set : nullptr;
}

// Into the power in use (a helper's is its power owner's); the setter keeps
// the power still in round states 3 and 4 and clamps it.
static void PowerAdd(Player *p, int amount)
{
    PlayerPowerSet(p, ClampInt((long long)PlayerPowerGet(p) + amount));
}

// Hit counts grow by a HitDef's numhits, any int: they wrap as the combo
// counter's do.
static void CountAdd(int *count, int hits)
{
    *count = (int)((unsigned)*count + (unsigned)hits);
}

// The power a hit or guard gives its victim: none for a normal helper.
static void PowerGive(Player *v, int amount)
{
    if (v->isHelper && !v->helperTypePlayer)
        return;
    PowerAdd(v, amount);
}

// damage x factor + 0.5 in double, clamped into int before the conversion.
static int ScaleDamage(int damage, float factor)
{
    return TruncToInt((double)damage * (double)factor + 0.5);
}

// The victim's pending damage after one more damage; kill 0 keeps a living
// victim at 1 life at least, but never heals one that has less (a player at
// 0 life held up by noko keeps its 0).
static int PendingAfter(const Player *v, int damage, int kill)
{
    int scaled = ScaleDamage(damage, v->defenceMul);
    int total = ClampInt((long long)v->pendingDamage + scaled);
    if (damage >= 1 && total == 0)
        total = 1;
    int limit = v->life > 1 ? v->life - 1 : 0;
    if (!kill && v->alive && total > limit)
        total = limit;
    return total;
}

static int KillsWith(const Player *v, int damage, int kill)
{
    if (gv && gv->noKO)
        return 0;
    return (long long)v->life - PendingAfter(v, damage, kill) <= 0;
}

static int GameTick()
{
    return gv ? gv->gameTick : 0;
}

// ---------------------------------------------------------------- push apart

void PlayerPushApart(Player *a, Player *b, int usePrev)
{
    if (!a->playerPush || !b->playerPush)
        return;
    float az = usePrev ? a->prevZ : a->posZ;
    float bz = usePrev ? b->prevZ : b->posZ;
    if (fabsf(az - bz) >= (float)((long long)a->consts.zWidth + b->consts.zWidth))
        return;
    if (!BoxesMeet(a, 2, b, 2, usePrev))
        return;
    if (!(a->alive && b->alive) && gv && gv->cfg.rules.gameType != CFG_GAMETYPE_VS)
        return;
    float ay = PosY(a, usePrev), by = PosY(b, usePrev);
    if (a->state.stateType == STATETYPE_S && (float)a->consts.height < ay - by)
        return;
    if (b->state.stateType == STATETYPE_S && (float)b->consts.height < by - ay)
        return;
    // On equal x the one facing right stays on the left, so players facing
    // each other keep facing each other; with equal facings a stays left.
    Player *l = a, *r = b;
    if (b->posX < a->posX || (b->posX == a->posX && b->facing > 0 && a->facing < 0)) {
        l = b;
        r = a;
    }
    float old = r->posX - l->posX;
    if (old < 10.0f) {
        float mid = (l->posX + r->posX) * 0.5f;
        l->posX = mid - 5.0f;
        r->posX = mid + 5.0f;
    }
    float need = (float)((long long)PlayerEdgeWidthGet(l, EDGE_DIR_RIGHT, EDGE_KIND_BODY_PLAYER) +
                         PlayerEdgeWidthGet(r, EDGE_DIR_LEFT, EDGE_KIND_BODY_PLAYER));
    if (old < need) {
        float half = (need - old) * 0.5f;
        l->posX -= half;
        r->posX += half;
    }
    if (!gv)
        return;
    // A cornered player pushed out stays inside the stage and, when bound
    // to it, the screen.
    for (Player *p : {l, r}) {
        if (!(gv->cfg.rules.gameType == CFG_GAMETYPE_MIXED && !p->alive))
            PlayerStageBound(p);
        if (p->screenBound)
            PlayerScreenBound(p);
    }
}

// ---------------------------------------------------------------- hit test

int PlayerHitTest(Player *a, Player *v)
{
    const HitDef *hd = &a->hitDef;
    if (a->state.moveType == MOVETYPE_I || !hd->active || hd->reversalAttr)
        return 0;
    if (v->hitLock > 0 || !(v->getHit.hitByMask[0] & v->getHit.hitByMask[1]))
        return 0;
    if (!HitDefAffectsSide(hd, a->side, v->side))
        return 0;
    if (hd->chainId != -1 && (v->getHit.chainId != hd->chainId || v->getHit.lastHitter != a))
        return 0;
    if (v->getHit.lastHitter == a)
        for (int id : hd->noChainId)
            if (id != -1 && v->getHit.chainId == id)
                return 0;
    PlayerTarget *t = TargetListFind(a->targets, v);
    if (t && t->serial == hd->serial)
        return 0;
    if (SerialOf(v, a->slot) == hd->serial)
        return 0;
    if (!DepthReaches(a, hd, v))
        return 0;
    if (!BoxesMeet(a, 1, v, 2, 0))
        return 0;
    int checkJuggle = !a->assertFlags[ASSERT_NOJUGGLECHECK];
    if (checkJuggle && t && hd->juggle != -1 && (long long)t->juggle - hd->juggle < 0)
        return 0;
    if (!FlagsFit(hd->hitFlag, v) || !AttrsMeet(AttrNow(a), v->getHit.hitByMask[0] & v->getHit.hitByMask[1]))
        return 0;
    if (checkJuggle)
        a->juggleCost = hd->juggle;
    return 1;
}

// ---------------------------------------------------------------- damage and life

void PlayerLifeAdd(Player *p, int damage, int kill, int absolute)
{
    if (!absolute && damage > 0) {
        int scaled = ScaleDamage(damage, p->defenceMul);
        damage = damage >= 1 && scaled == 0 ? 1 : scaled;
    }
    long long life = (long long)p->life - damage;
    if (!kill) {
        // Never raises the life: a player already below 1 keeps what it has.
        long long floor = p->life < 1 ? p->life : 1;
        if (life < floor)
            life = floor;
    }
    PlayerLifeSet(p, ClampInt(life));
}

// ---------------------------------------------------------------- get-hit and guard

static void VictimRecords(Player *a, Player *v, const HitDef *hd)
{
    v->getHit.lastHitter = a;
    v->lastHitAttr = hd->attr;
    SerialSet(v, a->slot, hd->serial);
    v->getHit.chainId = hd->id;
}

// A hit or guard sound at the victim: from the fight screen's common set at
// volume 0, or from the attacker's character at its volume.
static void HitSound(const Player *a, float x, int fromCommon, int group, int number)
{
    if (!gv)
        return;
    const CharData *cd = a->charData;
    SndSet *set = fromCommon ? gv->commonSnd : cd ? cd->sounds : nullptr;
    SoundPlayAt(SND_KEY_NONE, x, set, group, number, fromCommon || !cd ? 0 : cd->volume);
}

static float Given(float value, float own)
{
    return value == SCTRL_NOT_GIVEN_FLOAT ? own : value;
}

int PlayerGetHitSet(Player *a, Player *v, HitDef *hd, float ax, float ay, float az, int d, int ko,
                    const PlayerHitOverride *ovr)
{
    (void)az;  // the depth values of mindist and maxdist are never given
    int reversal = hd->reversalAttr != 0;
    v->cornerPush = 0.0f;
    if (ovr && ovr->forceAir)
        v->state.stateType = STATETYPE_A;
    HitSound(a, v->screenX, hd->hitSoundCommon, hd->hitSoundGroup, hd->hitSoundNo);
    if (hd->p2Facing && hd->p2Facing == d * v->facing)
        v->pendingFacing = -v->facing;
    VictimRecords(a, v, hd);
    v->getHit.xVel = v->getHit.yVel = 0.0f;
    v->getHit.fallTime = 0;
    v->getHit.groundType = hd->groundType;
    v->getHit.airType = hd->airType;
    if ((hd->hitFlag & HITDEF_FALL_BIT) || ko)
        v->getHit.fall = 1;
    v->getHit.animType = v->getHit.fall ? hd->fallAnimType : hd->animType;

    int getHit = 0;
    int newState = -1;
    int downHit = 0;
    int type = v->state.stateType;
    if (type == STATETYPE_S || type == STATETYPE_C) {
        if (hd->groundType != HITDEF_TYPE_NONE && !reversal) {
            getHit = 1;
            newState = (type == STATETYPE_S || hd->forceStand || ko) ? 5000 : 5010;
            if (hd->groundType == HITDEF_TYPE_TRIP)
                newState = 5070;
            float x = hd->groundVelX == SCTRL_NOT_GIVEN_FLOAT ? v->velX : -d * hd->groundVelX;
            float y = Given(hd->groundVelY, v->velY);
            v->cornerPush = hd->groundCornerPush;
            if (ko) {
                if (y == 0.0f)
                    x *= 0.66f;
                if (x < 0.0f)
                    x -= 2.5f;
                if (y <= 0.0f) {
                    y -= 2.0f;
                    if (y > -6.0f)
                        y = -6.0f;
                }
            }
            if (v->getHit.fall && y == 0.0f)
                y = -0.001f;
            v->getHit.xVel = x;
            v->getHit.yVel = y;
            if (y != 0.0f) {
                v->getHit.hitTime = hd->airHitTime;
            } else {
                v->getHit.hitTime = hd->groundHitTime;
                v->getHit.slideTime = hd->groundSlideTime;
                if (v->getHit.animType == HITDEF_ANIM_BACK)
                    v->getHit.animType = HITDEF_ANIM_HARD;
            }
        }
    } else if (type == STATETYPE_L && v->posY == 0.0f) {
        if (hd->groundType != HITDEF_TYPE_NONE && !reversal) {
            getHit = 1;
            downHit = 1;
            newState = 5080;
            v->getHit.xVel = hd->downVelX == SCTRL_NOT_GIVEN_FLOAT ? v->velX : -d * hd->downVelX;
            v->getHit.yVel = Given(hd->downVelY, v->velY);
            v->cornerPush = hd->downCornerPush;
            if (v->getHit.yVel != 0.0f)
                v->pendingOffY += 15.0f;
            else
                v->getHit.hitTime = hd->downHitTime;
        }
    } else if (hd->airType != HITDEF_TYPE_NONE && !reversal) {
        getHit = 1;
        newState = hd->airType == HITDEF_TYPE_TRIP ? 5070 : 5020;
        float x = hd->airVelX == SCTRL_NOT_GIVEN_FLOAT ? v->velX : -d * hd->airVelX;
        float y = Given(hd->airVelY, v->velY);
        v->cornerPush = hd->airCornerPush;
        v->getHit.hitTime = hd->airHitTime;
        if (hd->airFall)
            v->getHit.fall = 1;
        v->getHit.animType = v->getHit.fall ? hd->fallAnimType : hd->airAnimType;
        if (ko) {
            if (x < 0.0f)
                x -= 2.0f;
            if (y <= 0.0f) {
                y -= 2.0f;
                if (y > -3.0f)
                    y = -3.0f;
            }
        }
        v->getHit.xVel = x;
        v->getHit.yVel = y;
    }

    // From behind, a high hit lands as a low one and the other way round.
    int facing = v->pendingFacing ? v->pendingFacing : v->facing;
    int expected = hd->p2Facing == -1 ? d : -d;
    if (facing != expected && v->getHit.animType <= HITDEF_ANIM_HARD) {
        auto swap = [](int t) {
            return t == HITDEF_TYPE_HIGH ? HITDEF_TYPE_LOW : t == HITDEF_TYPE_LOW ? HITDEF_TYPE_HIGH : t;
        };
        v->getHit.groundType = swap(v->getHit.groundType);
        v->getHit.airType = swap(v->getHit.airType);
    }
    if (!getHit && !reversal)
        return 0;

    v->getHit.yAccel = Given(hd->yAccel, 0.35f);
    if (hd->shake.time > 0)
        EnvShakeStart(&hd->shake);
    v->getHit.fallXVel = hd->fallVelX;
    v->getHit.fallYVel = hd->fallVelY;
    v->getHit.fallRecoverFlag = hd->fallRecover;
    v->getHit.fallRecoverTime = hd->fallRecoverTime;
    v->getHit.fallKill = hd->fallKill;
    v->getHit.fallEnvShakeTime = hd->fallShake.time;
    v->getHit.fallEnvShakeDir = hd->fallShake.dir;
    v->getHit.fallEnvShakeAmpl = ExprFloatToInt(hd->fallShake.ampl);
    v->getHit.fallEnvShakeFreq = hd->fallShake.freq;
    v->getHit.fallEnvShakePhase = hd->fallShake.phase;
    if (downHit && !hd->downBounce) {
        v->getHit.fallXVel = SCTRL_NOT_GIVEN_FLOAT;
        v->getHit.fallYVel = 0.0f;
    }
    v->getHit.fallDamage = hd->fallDamage;
    if (reversal)
        return 1;

    SoundPlayerStop(v->slot, SOUND_PLAYER_OWN_CHANNEL);
    LeaveCustomStates(v);
    if (v->state.moveType != MOVETYPE_H && v->sinceLastHit > 1) {
        v->getHit.hitCount = 0;
        v->lifeShown[0] = v->lifeShown[1] = v->life;
    }
    v->guarding = 0;
    v->state.moveType = MOVETYPE_H;
    v->getHit.hitCount++;
    v->airJumps = 0;
    v->state.ctrl = 0;
    v->getHit.hitShakeTime = hd->p2ShakeTime;
    // The shake runs through a pause: the victim keeps moving for it.
    int k = gv ? gv->activePause : -1;
    if (k >= 0 && k <= 1 && gv->pause[k].time > 0 && v->pauseMoveTime[k] < hd->p2ShakeTime)
        v->pauseMoveTime[k] = hd->p2ShakeTime;
    v->state.hitPauseTime = v->pendingHitPause = 0;
    PlayerStateSet(v, newState);

    // Snap into the attack's distance range through the pending offsets.
    float dx = v->posX - ax;
    if (hd->minDist[0] != HITDEF_DIST_NONE && fabsf(dx) < (float)hd->minDist[0])
        v->pendingOffX += ax + (float)d * (float)hd->minDist[0] - v->posX;
    else if (hd->maxDist[0] != HITDEF_DIST_NONE && fabsf(dx) > (float)hd->maxDist[0])
        v->pendingOffX += ax + (float)d * (float)hd->maxDist[0] - v->posX;
    float dy = v->posY - ay;
    if (hd->minDist[1] != HITDEF_DIST_NONE && dy < (float)hd->minDist[1])
        v->pendingOffY += ay + hd->minDist[1] - v->posY;
    else if (hd->maxDist[1] != HITDEF_DIST_NONE && dy > (float)hd->maxDist[1])
        v->pendingOffY += ay + hd->maxDist[1] - v->posY;

    PlayerTargetsDrop(v, nullptr);
    ExplodRemoveOnHit(gv ? gv->explods : nullptr, v->id);
    v->pendingDamage = ko ? v->life : PendingAfter(v, hd->damage, hd->kill);
    PowerGive(v, hd->givePower);
    return 1;
}

static int CanGuardIn(const Player *v)
{
    int type = v->state.stateType;
    return type == STATETYPE_S || type == STATETYPE_C || type == STATETYPE_A;
}

// Whether the hit knocks the victim out: a guard that would kill is no
// guard but a guard KO; an unguarded hit knocks out when its damage kills.
static void KoDecide(const Player *v, const HitDef *hd, int *guard, int *ko, int *guardKO)
{
    *ko = *guardKO = 0;
    if (*guard && KillsWith(v, hd->guardDamage, hd->guardKill)) {
        *guard = 0;
        *ko = *guardKO = 1;
    } else if (!*guard) {
        *ko = KillsWith(v, hd->damage, hd->kill);
    }
}

int PlayerGuardSet(Player *a, Player *v, HitDef *hd, int d)
{
    if (!CanGuardIn(v)) {
        PlayerWarn(v, "Guard state error: wrong move type");
        return 0;
    }
    v->cornerPush = 0.0f;
    HitSound(a, v->screenX, hd->guardSoundCommon, hd->guardSoundGroup, hd->guardSoundNo);
    VictimRecords(a, v, hd);
    v->getHit.guarded = 1;
    v->getHit.xVel = v->getHit.yVel = 0.0f;
    LeaveCustomStates(v);
    int type = v->state.stateType;
    PlayerStateSet(v, type == STATETYPE_S ? 150 : type == STATETYPE_C ? 152 : 154);
    v->getHit.hitShakeTime = hd->guardP2ShakeTime;
    if (v->state.moveType != MOVETYPE_H)
        v->lifeShown[0] = v->lifeShown[1] = v->life;
    v->guarding = 1;
    v->state.moveType = MOVETYPE_H;
    v->airJumps = 0;
    v->state.ctrl = 0;
    v->state.hitPauseTime = v->pendingHitPause = 0;
    if (type == STATETYPE_A) {
        v->getHit.xVel = -d * hd->airGuardVelX;
        v->getHit.yVel = hd->airGuardVelY;
        v->getHit.ctrlTime = hd->airGuardCtrlTime;
        v->cornerPush = hd->airGuardCornerPush;
    } else {
        v->getHit.hitTime = hd->guardHitTime;
        v->getHit.slideTime = hd->guardSlideTime;
        v->getHit.xVel = -d * hd->guardVel;
        v->getHit.ctrlTime = hd->guardCtrlTime;
        v->cornerPush = hd->guardCornerPush;
    }
    v->pendingDamage = PendingAfter(v, hd->guardDamage, hd->guardKill);
    PowerGive(v, hd->guardGivePower);
    return 1;
}

// ---------------------------------------------------------------- resolve

static const PlayerHitOverride *OverrideFind(const Player *v, int attr)
{
    for (const PlayerHitOverride &o : v->hitOverride)
        if (o.active && AttrsMeet(o.attr, attr))
            return &o;
    return nullptr;
}

// Only the first falling hit of an activation costs juggle points.
static void JuggleFallCost(Player *v, HitDef *hd, PlayerTarget *t)
{
    if (!t)
        return;
    if (v->getHit.fall || (hd->hitFlag & HITDEF_FALL_BIT) || (hd->airFall && v->state.stateType == STATETYPE_A)) {
        if (hd->juggle != -1)
            t->juggle = ClampInt((long long)t->juggle - hd->juggle);
        hd->juggle = 0;
    }
}

static void PalFxGive(Player *v, const HitDef *hd)
{
    if (hd->palFx.time > 0 || hd->palFx.time == -1)
        v->palFx = hd->palFx;
}

static void BindFromHitDef(PlayerTarget *t, const HitDef *hd)
{
    if (!t)
        return;
    t->bindTime = hd->p2BindTime;
    t->bindX = (float)hd->maxDist[0];
    t->bindY = (float)hd->maxDist[1];
    t->bindZ = hd->maxDist[2] == HITDEF_DIST_NONE ? 0.0f : (float)hd->maxDist[2];
}

// The states a landed hit sends both sides to: the override's state for the
// victim alone, or the HitDef's states for the attacker (a player, or a
// projectile's owner) and the victim, with the binding it asks for.
static void HitStatesEnter(Player *a, Player *v, PlayerTarget *t, const HitDef *hd, const PlayerHitOverride *ovr)
{
    if (ovr) {
        if (ovr->stateNo != -1)
            PlayerStateSet(v, ovr->stateNo);
        return;
    }
    if (hd->p1StateNo != -1)
        PlayerStateSet(a, hd->p1StateNo);
    if (hd->p2GetP1State)
        EnterAttackerStates(a, v);
    if (hd->p2StateNo != -1) {
        PlayerStateSet(v, hd->p2StateNo);
        v->state.ctrl = 0;
    }
    BindFromHitDef(t, hd);
}

// Where the spark of a contact shows: at the victim's body edge toward the
// attacker (its front, or its back when both face the same way) plus the
// spark x, in the victim's facing; at the attacker's height plus the spark y;
// both through the victim's depth scale into stage space.
void PlayerSparkPos(const Player *a, const Player *v, int sparkX, int sparkY, float *x, float *y)
{
    int vf = v->facing < 0 ? -1 : 1;
    bool same = (a->facing < 0) == (v->facing < 0);
    double edge = same ? -(double)PlayerEdgeWidthGet(v, EDGE_DIR_BACK, EDGE_KIND_BODY)
                       : (double)PlayerEdgeWidthGet(v, EDGE_DIR_FRONT, EDGE_KIND_BODY);
    double wx = (double)v->posX + vf * (edge + sparkX);
    double wy = (double)a->posY + sparkY;
    double scale = v->zScale;
    double camX = gv ? gv->cameraX : 0.0;
    double ground = gv ? gv->stageZOffset : 0;
    *x = (float)((wx - camX - 160.0) * scale + 160.0 + camX);
    *y = (float)(scale * wy + ground + v->posZ);
}

static void SparkShow(Player *a, Player *v, const HitDef *hd, int sparkX, int sparkY, int guard)
{
    float x, y;
    PlayerSparkPos(a, v, sparkX, sparkY, &x, &y);
    if (guard)
        HitSparkMake(a, hd->guardSparkNo, x, y, hd->guardSparkOwn, a->facing < 0, 1);
    else
        HitSparkMake(a, hd->sparkNo, x, y, hd->sparkOwn, a->facing < 0, 0);
}

void PlayerHitResolve(Player *a, Player *v)
{
    HitDef *hd = &a->hitDef;
    if (hd->hitOnce) {
        if (!hd->active || v->hitLock > 0)
            return;
        PlayerTargetsDrop(a, v);
    }

    int guard = FlagsFit(hd->guardFlag, v) && v->guarding && !a->assertFlags[ASSERT_UNGUARDABLE];
    if (guard && !CanGuardIn(v)) {
        // A guard flag that reaches a lying player: resolved as a hit.
        PlayerWarn(v, "Guard state error: wrong move type");
        guard = 0;
    }
    int ko, guardKO;
    KoDecide(v, hd, &guard, &ko, &guardKO);

    int attr = AttrNow(a);
    const PlayerHitOverride *ovr = OverrideFind(v, attr);
    if (ovr) {
        if (hd->p2GetP1State || hd->p1StateNo != -1)
            return;
        guard = 0;
        ko = 0;
    }
    PlayerTarget *t = nullptr;
    if (!ovr) {
        t = TargetTake(a, v, hd);
        if (!t)
            return;
    }
    // The KO is recorded once it is sure the hit goes on: an override or a
    // full target list leaves no KO to show.
    if (guardKO)
        WinIconRecordTeam(a->side, attr, WIN_ICON_THROW);
    else if (ko)
        WinIconRecordKO(v->side, a->side, attr);

    a->sprPriority = hd->p1SprPriority;
    v->sprPriority = hd->p2SprPriority;

    int landed = 0;
    if (guard) {
        a->pendingHitPause = hd->guardP1PauseTime;
        a->state.moveContact = CONTACT_GUARDED;
        a->state.moveContactTicks = 0;
        PlayerGuardSet(a, v, hd, a->facing);
        PowerAdd(a, hd->guardGetPower);
        SparkShow(a, v, hd, hd->sparkX, hd->sparkY, 1);
        landed = 1;
    } else {
        if (!ovr)
            JuggleFallCost(v, hd, t);
        if (hd->p1Turn)
            a->pendingFacing = -a->facing;
        else if (hd->p1GetP2Facing)
            a->pendingFacing = hd->p1GetP2Facing * v->facing;
        // An override takes the hit like any other (damage, shake, move type
        // H, hit counts) and then goes into its own state below.
        int got = PlayerGetHitSet(a, v, hd, a->posX, a->posY, a->posZ, a->facing, ko, ovr);
        if (got || ovr) {
            a->pendingHitPause = hd->p1PauseTime;
            PowerAdd(a, hd->getPower);
            CountAdd(&a->hit.hitCount, hd->numHits);
            CountAdd(&a->hitCombo, hd->numHits);
            if (a->lastHitTick != GameTick())
                CountAdd(&a->hit.uniqHitCount, hd->numHits);
            ComboCounterAdd(a->side, hd->numHits);
            a->state.moveContact = CONTACT_HIT;
            a->state.moveContactTicks = 0;
            if (!ovr) {
                PalFxGive(v, hd);
                if (hd->attr & HITDEF_THROW_ATTR)
                    a->hitLock = v->hitLock = ClampInt((long long)hd->p1PauseTime + 1);
            }
            SparkShow(a, v, hd, hd->sparkX, hd->sparkY, 0);
            HitStatesEnter(a, v, t, hd, ovr);
            landed = !ovr;
        }
    }
    if (landed && PlayerAtScreenEdge(v)) {
        a->extraVel.velX = a->facing * v->cornerPush;
        a->extraVel.velY = 0.0f;
        a->extraVel.decayX = a->extraVel.decayY = 0.7f;
        a->extraVel.stopThreshold = 1.0f;
        a->extraVel.ticksLeft = -1;
    }
    a->lastHitTick = GameTick();
    if (hd->hitOnce)
        hd->active = 0;
}

// ---------------------------------------------------------------- reversal

int PlayerReversalTest(Player *r, Player *x)
{
    const HitDef *rd = &r->hitDef;
    const HitDef *xd = &x->hitDef;
    if (!rd->active || !rd->reversalAttr || !xd->active)
        return 0;
    if (SerialOf(r, x->slot) == xd->serial)
        return 0;
    if (SerialOf(x, r->slot) == rd->serial)
        return 0;
    if (!DepthReaches(r, rd, x))
        return 0;
    if (!BoxesMeet(r, 1, x, 1, 0))
        return 0;
    return AttrsMeet(xd->attr, rd->reversalAttr);
}

void PlayerReversalResolve(Player *r, Player *x)
{
    HitDef *rd = &r->hitDef;
    if (rd->hitOnce) {
        if (rd->reversalUsed)
            return;
        PlayerTargetsDrop(r, x);
        rd->reversalUsed = 1;
    }
    const PlayerHitOverride *ovr = rd->p2StateNo != -1 ? OverrideFind(x, rd->attr) : nullptr;
    PlayerTarget *t = nullptr;
    if (!ovr) {
        t = TargetTake(r, x, rd);
        if (!t)
            return;
    }
    r->sprPriority = rd->p1SprPriority;
    x->sprPriority = rd->p2SprPriority;
    if (!ovr) {
        PlayerGetHitSet(r, x, rd, r->posX, r->posY, r->posZ, r->facing, 0, nullptr);
        JuggleFallCost(x, rd, t);
        if (rd->p1Turn)
            r->pendingFacing = -r->facing;
    }
    r->pendingHitPause = rd->p1PauseTime;
    x->pendingHitPause = rd->p2ShakeTime;
    PowerAdd(r, rd->getPower);
    x->state.moveContact = CONTACT_REVERSED;
    x->state.moveContactTicks = 0;
    x->getHit.hitByMask[0] = x->getHit.hitByMask[1] = HITBY_ALL;
    x->hitLock = rd->p1PauseTime;
    if (rd->attr & HITDEF_THROW_ATTR)
        r->hitLock = rd->p1PauseTime;
    // Both hit counts, the unique one too: a reversal is one contact of its own.
    CountAdd(&r->hit.hitCount, rd->numHits);
    CountAdd(&r->hit.uniqHitCount, rd->numHits);
    CountAdd(&r->hitCombo, rd->numHits);
    ComboCounterAdd(r->side, rd->numHits);
    r->state.moveContact = CONTACT_HIT;
    r->state.moveContactTicks = 0;
    if (!ovr) {
        PalFxGive(x, rd);
        const HitDef *xd = &x->hitDef;
        SparkShow(r, x, rd, (int)((unsigned)rd->sparkX + (unsigned)xd->sparkX),
                  (int)((unsigned)rd->sparkY + (unsigned)xd->sparkY), 0);
        if (rd->p1StateNo != -1)
            PlayerStateSet(r, rd->p1StateNo);
        if (rd->p2GetP1State)
            EnterAttackerStates(r, x);
        if (rd->p2StateNo != -1) {
            PlayerTargetsDrop(x, nullptr);
            ExplodRemoveOnHit(gv ? gv->explods : nullptr, x->id);
            PlayerStateSet(x, rd->p2StateNo);
            x->state.ctrl = 0;
        }
        BindFromHitDef(t, rd);
    }
    x->hitDef.active = 0;
}

// ---------------------------------------------------------------- projectiles

static const AnimElem *ProjElem(const Projectile *p)
{
    return p->anim.set ? AnimObjElem(&p->anim) : nullptr;
}

static ClsnList *ProjBoxes(const Projectile *p, int kind)
{
    return ElemBoxes(ProjElem(p), kind);
}

static int ProjNear(const Projectile *p, float z)
{
    return fabsf(p->z - z) <= (float)PROJ_DEPTH_REACH;
}

// The projectile's boxes of one kind against a player's of another.
static int ProjMeetsPlayer(const Projectile *p, int kindP, const Player *v, int kindV)
{
    int dx = Gap(PosX(v, 0), p->x);
    int dy = Gap(PosY(v, 0), p->y);
    return ClsnListsOverlap(ProjBoxes(p, kindP), Boxes(v, kindV), dx, dy, p->facing < 0, v->facing < 0);
}

static void ProjContact(Player *owner, const Projectile *p, int kind)
{
    owner->projContactKind = kind;
    owner->projContactId = p->id;
    owner->projContactTicks = 0;
}

// One hit off a projectile that was struck or clashed: with none left it
// ends in the given state (at its last hit only when it is removed there),
// else it may not hit again for its miss time.
static void ProjHitTaken(Projectile *p, int endState, int needsRemove)
{
    p->hits--;
    if (p->hits <= 0 && (p->remove || !needsRemove)) {
        p->state = endState;
        p->stateTime = 0;
    } else {
        p->missCounter = p->missTime;
    }
}

void ProjHitTest(Player *pl, Player *owner)
{
    HitDef *hd = &pl->hitDef;
    if (!(hd->hitFlag & HITFLAG_P) || pl->state.moveType == MOVETYPE_I || !hd->active)
        return;
    int n = ProjListEnd(owner->projList);
    for (int i = 0; i < n && hd->active; i++) {
        Projectile *p = ProjListAt(owner->projList, i);
        if (!p || p->state != PROJ_STATE_FLYING || !HitDefAffectsSide(hd, pl->side, p->side))
            continue;
        if (p->missCounter > 0 || p->hitPause > 0 || !ProjNear(p, pl->posZ) || p->hits <= 0)
            continue;
        if (!ProjMeetsPlayer(p, 2, pl, 1))
            continue;
        hd->active = 0;
        HitSound(owner, (float)p->screenX, p->hitDef.hitSoundCommon, p->hitDef.hitSoundGroup, p->hitDef.hitSoundNo);
        if (hd->p1StateNo != -1)
            PlayerStateSet(pl, hd->p1StateNo);
        ProjHitTaken(p, PROJ_STATE_REMOVED, 1);
    }
}

// A projectile's spark: its place plus the spark offset in its facing,
// through its depth scale into stage space, as a player's contact spark.
static void ProjSparkPos(const Projectile *p, float *x, float *y)
{
    double wx = (double)p->x + p->facing * (double)p->hitDef.sparkX;
    double wy = (double)p->y + p->hitDef.sparkY;
    double scale = p->depthScale;
    double camX = gv ? gv->cameraX : 0.0;
    double ground = gv ? gv->stageZOffset : 0;
    *x = (float)((wx - camX - 160.0) * scale + 160.0 + camX);
    *y = (float)(scale * wy + ground + p->z);
}

// The projectile side of the get-hit rules for one projectile; 1 when it
// touched the victim (hit or guarded).
static int ProjHitOne(Player *o, Player *v, Projectile *p)
{
    HitDef *hd = &p->hitDef;
    int guard = FlagsFit(hd->guardFlag, v) && v->guarding && !o->assertFlags[ASSERT_UNGUARDABLE];
    if (guard && !CanGuardIn(v))
        guard = 0;
    int ko, guardKO;
    KoDecide(v, hd, &guard, &ko, &guardKO);
    const PlayerHitOverride *ovr = OverrideFind(v, hd->attr);
    if (ovr)
        guard = ko = guardKO = 0;
    PlayerTarget *t = nullptr;
    if (!ovr) {
        v->sprPriority = hd->p2SprPriority;
        t = TargetTake(o, v, hd);
        if (!t)
            return 0;
        if (!o->assertFlags[ASSERT_NOJUGGLECHECK] && hd->juggle != -1 && (long long)t->juggle - hd->juggle < 0)
            return 0;
    }
    if (guardKO)
        WinIconRecordTeam(o->side, hd->attr, WIN_ICON_THROW);
    else if (ko)
        WinIconRecordKO(v->side, o->side, hd->attr);
    float sparkX, sparkY;
    ProjSparkPos(p, &sparkX, &sparkY);
    if (guard) {
        PlayerGuardSet(o, v, hd, p->facing);
        PowerAdd(o, hd->guardGetPower);
        HitSparkMake(o, hd->guardSparkNo, sparkX, sparkY, hd->guardSparkOwn, p->facing < 0, 1);
        ProjContact(o, p, CONTACT_GUARDED);
    } else {
        int got = PlayerGetHitSet(o, v, hd, p->x, p->y, p->z, p->facing, ko, ovr);
        if (!got && !ovr)
            return 0;
        PowerAdd(o, hd->getPower);
        if (!ovr && !o->assertFlags[ASSERT_NOJUGGLECHECK])
            JuggleFallCost(v, hd, t);
        CountAdd(&o->hit.hitCount, hd->numHits);
        CountAdd(&o->hitCombo, hd->numHits);
        ComboCounterAdd(o->side, hd->numHits);
        ProjContact(o, p, CONTACT_HIT);
        v->getHit.hitByMask[1] = 511;
        v->getHit.hitByTime[1] = 0;
        if (!ovr)
            PalFxGive(v, hd);
        // An overridden hit shows its spark as a player's does.
        HitSparkMake(o, hd->sparkNo, sparkX, sparkY, hd->sparkOwn, p->facing < 0, 0);
        HitStatesEnter(o, v, t, hd, ovr);
    }
    // The pass takes the hit off the projectile after every victim has been
    // tried, so one projectile may strike several players at once.
    int last = p->hits <= 1 && p->remove;
    p->pendingHit = 1;
    p->pendingPause = last ? 0 : hd->p1PauseTime;
    p->pendingMiss = p->missTime;
    return 1;
}

void ProjHitResolve(Player *o, Player *v)
{
    if (v->hitLock > 0)
        return;
    int n = ProjListEnd(o->projList);
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(o->projList, i);
        if (!p || (p->state != PROJ_STATE_FLYING && p->state != PROJ_STATE_REMOVED))
            continue;
        HitDef *hd = &p->hitDef;
        if (!hd->active || p->missCounter > 0 || p->hitPause > 0 || p->hits <= 0 || !ProjNear(p, v->posZ))
            continue;
        int masks = v->getHit.hitByMask[0] & v->getHit.hitByMask[1];
        if (!HitDefAffectsSide(hd, p->side, v->side) || !AttrsMeet(hd->attr, masks))
            continue;
        if (!ProjMeetsPlayer(p, 1, v, 2) || !FlagsFit(hd->hitFlag, v))
            continue;
        ProjHitOne(o, v, p);
    }
}

// The projectiles the pass struck take their pause and miss time and lose
// one hit; one left without hits that ends there plays its hit animation.
static void ProjPendingApply(Player *o)
{
    int n = ProjListEnd(o->projList);
    for (int i = 0; i < n; i++) {
        Projectile *p = ProjListAt(o->projList, i);
        if (!p || !p->pendingHit)
            continue;
        p->pendingHit = 0;
        p->hitPause = p->pendingPause;
        p->missCounter = p->pendingMiss;
        p->hits--;
        if (p->hits <= 0 && p->remove) {
            p->state = PROJ_STATE_HIT;
            p->stateTime = 0;
        }
    }
}

static int ProjAffects(const Projectile *a, const Projectile *b)
{
    return HitDefAffectsSide(&a->hitDef, a->side, b->side) || HitDefAffectsSide(&b->hitDef, b->side, a->side);
}

// After a clash: hits left lock the projectile for its miss time, none
// cancels it.
static void ClashSettle(Player *owner, Projectile *p)
{
    if (p->state != PROJ_STATE_FLYING)
        return;
    if (p->hits > 0) {
        p->missCounter = p->missTime;
        return;
    }
    p->state = PROJ_STATE_CANCELLED;
    p->stateTime = 0;
    ProjContact(owner, p, 3);
}

// The first player's flying projectiles against the second's: each clashes
// at most once; the higher priority loses a point, the lower a hit, and
// equal priorities cost both a hit and a point.
static void ProjClash(Player *a, Player *b)
{
    int na = ProjListEnd(a->projList), nb = ProjListEnd(b->projList);
    for (int i = 0; i < na; i++) {
        Projectile *g = ProjListAt(a->projList, i);
        if (!g || g->state != PROJ_STATE_FLYING || g->missCounter > 0 || !ProjBoxes(g, 2))
            continue;
        for (int j = 0; j < nb; j++) {
            Projectile *m = ProjListAt(b->projList, j);
            if (!m || m == g || m->state != PROJ_STATE_FLYING || m->missCounter > 0 || !ProjNear(m, g->z))
                continue;
            if (!ProjAffects(g, m))
                continue;
            int dx = Gap(m->x, g->x), dy = Gap(m->y, g->y);
            if (!ClsnListsOverlap(ProjBoxes(g, 2), ProjBoxes(m, 2), dx, dy, g->facing < 0, m->facing < 0))
                continue;
            int mWins = m->priority >= g->priority;
            int gWins = g->priority >= m->priority;
            if (mWins)
                g->hits--;
            if (gWins) {
                g->priority = ClampInt((long long)g->priority - 1);
                m->hits--;
            }
            if (mWins)
                m->priority = ClampInt((long long)m->priority - 1);
            ClashSettle(a, g);
            ClashSettle(b, m);
            break;
        }
    }
}

// ---------------------------------------------------------------- targets

void PlayerTargetRelease(Player *p, int slot)
{
    if (!p->targets || slot < 0 || slot >= p->targets->capacity || !p->targets->slots[slot].used)
        return;
    PlayerTarget *t = (PlayerTarget *)ArrayAt(p->targets, slot);
    Player *held = t->target;
    int bound = t->bindTimeSeen != 0;
    ArrayRemove(p->targets, slot);
    if (bound && held && !held->isHelper) {
        LeaveCustomStates(held);
        PlayerStateSet(held, 5050);
    }
}

void PlayerTargetsDrop(Player *p, Player *except)
{
    if (!p->targets)
        return;
    for (int i = 0; i < p->targets->capacity; i++) {
        if (p->targets->slots[i].used && ((PlayerTarget *)ArrayAt(p->targets, i))->target != except)
            PlayerTargetRelease(p, i);
    }
}

// ---------------------------------------------------------------- the pass

void PlayerHitDetectAll()
{
    if (!gv || !gv->players)
        return;
    // Kept from tick to tick (game thread only), so that a steady tick
    // allocates nothing.
    static std::vector<Player *> list;
    list.clear();
    for (int i = 1; i <= gv->playerSlotCount; i++) {
        Player *p = gv->players[i];
        if (p && p->enabled && ShownElem(p))
            list.push_back(p);
    }
    for (Player *p : list) {
        if (p->hitLock > 0)
            p->hitLock--;
        p->juggleCost = 0;
    }
    size_t n = list.size();
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++)
            if (PlayerIsEnemy(list[i], list[j]))
                PlayerPushApart(list[i], list[j], 0);
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++) {
            Player *a = list[i], *b = list[j];
            if (!PlayerIsEnemy(a, b))
                continue;
            if (PlayerReversalTest(a, b))
                PlayerReversalResolve(a, b);
            if (PlayerReversalTest(b, a))
                PlayerReversalResolve(b, a);
        }
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++) {
            Player *a = list[i], *b = list[j];
            int ab = PlayerHitTest(a, b);
            int ba = PlayerHitTest(b, a);
            const HitDef *ha = &a->hitDef, *hb = &b->hitDef;
            // A higher priority always wins; at equal priority a miss loses
            // to a hit and a dodge cancels both.
            int abLands = ab && !(ba && (hb->priority > ha->priority ||
                                         (hb->priority == ha->priority &&
                                          (ha->priorityType != HITDEF_PRIO_HIT || hb->priorityType == HITDEF_PRIO_DODGE))));
            int baLands = ba && !(ab && (ha->priority > hb->priority ||
                                         (ha->priority == hb->priority &&
                                          (hb->priorityType != HITDEF_PRIO_HIT || ha->priorityType == HITDEF_PRIO_DODGE))));
            MarkSet(b, a->slot, abLands);
            MarkSet(a, b->slot, baLands);
        }
    int odd = GameTick() & 1;
    for (size_t k = 0; k < n; k++) {
        Player *v = list[odd ? k : n - 1 - k];
        for (Player *a : list) {
            if (a == v || !MarkOf(v, a->slot))
                continue;
            MarkSet(v, a->slot, 0);
            PlayerHitResolve(a, v);
        }
    }
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++) {
            ProjHitTest(list[i], list[j]);
            ProjHitTest(list[j], list[i]);
        }
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++) {
            Player *a = list[i], *b = list[j];
            if (b->getHit.hitByMask[0] & b->getHit.hitByMask[1])
                ProjHitResolve(a, b);
            if (a->getHit.hitByMask[0] & a->getHit.hitByMask[1])
                ProjHitResolve(b, a);
        }
    for (Player *p : list)
        ProjPendingApply(p);
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++)
            ProjClash(list[i], list[j]);
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++)
            if (PlayerIsEnemy(list[i], list[j]))
                PlayerPushApart(list[i], list[j], 0);
}
