// Player queries: distances, body widths, guard distance, animation existence and the like over players.
#include "velok/player/p-info.h"

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "velok/script/expr.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/sc-hitdef.h"

int PlayerLifeDiff(const Player *pl)
{
    return (int)((unsigned)pl->life - (unsigned)pl->getHit.lifeAtHitStart);
}

// Positions and widths reach the ends of the int range: distances and sums
// are taken in 64 bits and saturate.
static int Faced(int value, int facing)
{
    return ClampInt((long long)value * facing);
}

int PlayerAtScreenEdge(const Player *pl)
{
    long long x = ExprFloatToInt(pl->posX);
    return (x - pl->screenLeft <= 4 && x - pl->screenLeft >= -4) ||
           (x - pl->screenRight <= 4 && x - pl->screenRight >= -4);
}

int PlayerDistX(const Player *pl, const Player *other)
{
    return Faced(ExprFloatToInt(other->posX - pl->posX), pl->facing);
}

static int FrontWidth(const Player *pl)
{
    return pl->state.stateType == STATETYPE_A ? pl->consts.airFront : pl->consts.groundFront;
}

static int BackWidth(const Player *pl)
{
    return pl->state.stateType == STATETYPE_A ? pl->consts.airBack : pl->consts.groundBack;
}

int PlayerBodyDistX(const Player *pl, const Player *other)
{
    float edge;
    if (Faced(ExprFloatToInt(pl->posX - other->posX), other->facing) <= 0)
        edge = other->posX - (float)other->facing * (float)BackWidth(other);
    else
        edge = other->posX + (float)other->facing * (float)FrontWidth(other);
    return Faced(ExprFloatToInt(edge - (pl->posX + (float)pl->facing * (float)FrontWidth(pl))), pl->facing);
}

// While the attacker has projectiles, only their guard distances hold the
// player; its own counts when its list is empty.
int PlayerInGuardDist(const Player *pl, const Player *attacker)
{
    const ProjList *list = attacker->projList;
    if (ProjListCount(list) == 0) {
        int d = Faced(ExprFloatToInt(pl->posX - attacker->posX), attacker->facing);
        return d >= 0 && d < attacker->guardDist;
    }
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++) {
        const Projectile *p = ProjListAt(list, i);
        if (!p || !p->hitDef.active)
            continue;
        int d = Faced(ExprFloatToInt(pl->posX - p->x), p->facing);
        if (d >= 0 && d < p->hitDef.guardDist)
            return 1;
    }
    return 0;
}

int HitDefAffectsSide(const HitDef *hd, int ownerSide, int otherSide)
{
    // The bits are written for an owner on side 1; side 2 exchanges them.
    int bits = hd->affectTeam;
    if (ownerSide == 2)
        bits = ((bits & 1) << 1) | ((bits & 2) >> 1);
    return (otherSide == 1 || otherSide == 2) && (bits & otherSide) != 0;
}

int PlayerIsEnemy(const Player *a, const Player *b)
{
    return a->side != 0 && b->side != 0 && a->side != b->side;
}

int PlayerEdgeWidthGet(const Player *pl, int direction, int kind)
{
    int sign;
    switch (direction) {
    case EDGE_DIR_FRONT: sign = pl->facing; break;
    case EDGE_DIR_BACK: sign = -pl->facing; break;
    case EDGE_DIR_LEFT: sign = -1; break;
    case EDGE_DIR_RIGHT: sign = 1; break;
    default: sign = 0; break;
    }
    bool front = sign == pl->facing;
    long long width = 0;
    if (kind >= EDGE_KIND_BODY && kind <= EDGE_KIND_BODY_EDGE)
        width = front ? FrontWidth(pl) : BackWidth(pl);
    if (kind == EDGE_KIND_BODY_PLAYER || kind == EDGE_KIND_PLAYER)
        width += front ? pl->widthPlayerFront : pl->widthPlayerBack;
    if (kind == EDGE_KIND_BODY_EDGE || kind == EDGE_KIND_EDGE)
        width += front ? pl->widthEdgeFront : pl->widthEdgeBack;
    return ClampInt(width);
}

int PlayerAnimExist(const Player *pl, int action)
{
    return pl->anim && AnimSetFindAction(pl->anim->set, 0, action) >= 0;
}

int PlayerSelfAnimExist(const Player *pl, int action)
{
    return AnimSetFindAction(PlayerOwnAnims(pl), 0, action) >= 0;
}

int PlayerLieDownTime(const Player *pl)
{
    return pl->state.stateNo == 5150 ? pl->state.time : 0;
}

int PlayerEdgeDist(const Player *pl, int back, int body)
{
    long long w = 0;
    if (body) {
        w = pl->state.stateType == STATETYPE_A ? 1 : pl->state.stateType == STATETYPE_L ? 2 : 0;
        w += back ? pl->widthEdgeBack : pl->widthEdgeFront;
    }
    int frontEdge = pl->facing > 0 ? pl->screenRight : pl->screenLeft;
    int backEdge = pl->facing > 0 ? pl->screenLeft : pl->screenRight;
    float d = back ? (pl->posX - (float)backEdge) * (float)pl->facing : ((float)frontEdge - pl->posX) * (float)pl->facing;
    return ClampInt(ExprFloatToInt(d) - w);
}

// ---------------------------------------------------------------- over the player slots

// The enabled players from the first to the last enabled slot, in slot order.
template <typename Fn> static Player *SlotsScan(Fn fn)
{
    if (!gv || !gv->players)
        return nullptr;
    int last = PlayerEnabledEnd();
    for (int s = gv->enabledFirst > 1 ? gv->enabledFirst : 1; s <= last; s++) {
        Player *p = gv->players[s];
        if (p && p->enabled && fn(p))
            return p;
    }
    return nullptr;
}

static bool OpponentCandidate(const Player *pl, int side, const Player *c)
{
    if (!c || c == pl || !c->enabled)
        return false;
    if (c->state.stateNo == 5150 && c->state.time > 0)
        return false;
    if (!side || !c->side || c->side == side)
        return false;
    return !c->isHelper || c->helperTypePlayer;
}

bool TargetMatches(const PlayerTarget *t, int hitId)
{
    return t->target && (hitId == -1 || t->target->getHit.chainId == hitId);
}

PlayerTarget *TargetListNext(const Array *targets, int *slot)
{
    if (!targets)
        return nullptr;
    for (; *slot < targets->capacity; (*slot)++) {
        if (targets->slots[*slot].used)
            return (PlayerTarget *)ArrayAt(targets, (*slot)++);
    }
    return nullptr;
}

PlayerTarget *TargetListFind(const Array *targets, const Player *pl)
{
    for (int i = 0; PlayerTarget *t = TargetListNext(targets, &i);) {
        if (t->target == pl)
            return t;
    }
    return nullptr;
}

Player *TargetGetById(const Array *targets, int hitId)
{
    for (int i = 0; const PlayerTarget *t = TargetListNext(targets, &i);) {
        if (TargetMatches(t, hitId))
            return t->target;
    }
    return nullptr;
}

int TargetCountById(const Array *targets, int hitId)
{
    int count = 0;
    for (int i = 0; const PlayerTarget *t = TargetListNext(targets, &i);)
        if (TargetMatches(t, hitId))
            count++;
    return count;
}

Player *PlayerOpponentFind(Player *pl)
{
    int side = (pl->root ? pl->root : pl)->side;
    Player *best = nullptr;
    long long bestDist = 0;
    auto consider = [&](Player *c) {
        if (!OpponentCandidate(pl, side, c))
            return;
        long long d = PlayerBodyDistX(pl, c);
        d = d < 0 ? -d : d;
        if (!best || d < bestDist) {
            best = c;
            bestDist = d;
        }
    };
    // An attacker keeps to the nearest of its targets when one qualifies.
    if (pl->state.moveType == MOVETYPE_A && pl->targets) {
        for (int i = 0; PlayerTarget *t = TargetListNext(pl->targets, &i);)
            consider(t->target);
        if (best)
            return best;
    }
    SlotsScan([&](Player *c) {
        consider(c);
        return false;
    });
    return best;
}

static bool IsTeammate(const Player *pl, const Player *c)
{
    return !c->isHelper && c != pl && c != pl->root && c->side == pl->side;
}

Player *PlayerTeammateGet(Player *pl, int n)
{
    return SlotsScan([&](Player *c) { return IsTeammate(pl, c) && n-- == 0; });
}

int PlayerTeammateCount(Player *pl)
{
    int count = 0;
    SlotsScan([&](Player *c) {
        count += IsTeammate(pl, c);
        return false;
    });
    return count;
}

Player *PlayerEnemyGet(Player *pl, int n)
{
    return SlotsScan([&](Player *c) { return !c->isHelper && PlayerIsEnemy(pl, c) && n-- == 0; });
}

int PlayerEnemyCount(Player *pl)
{
    int count = 0;
    SlotsScan([&](Player *c) {
        count += !c->isHelper && PlayerIsEnemy(pl, c);
        return false;
    });
    return count;
}

static long long AbsDist(const Player *pl, const Player *other)
{
    long long d = PlayerDistX(pl, other);
    return d < 0 ? -d : d;
}

Player *PlayerTeamMemberGet(Player *pl, int n)
{
    if ((pl->side != 1 && pl->side != 2) || n < 0 || n > 1)
        return nullptr;
    Player *a = PlayerSlotGet(pl->side == 1 ? 2 : 1);
    Player *b = PlayerSlotGet(pl->side == 1 ? 4 : 3);
    if (a && !a->enabled)
        a = nullptr;
    if (b && !b->enabled)
        b = nullptr;
    if (n == 0) {
        if (!a || !b)
            return a ? a : b;
        return AbsDist(pl, a) < AbsDist(pl, b) ? a : b;
    }
    if (!a || !b)
        return nullptr;
    return AbsDist(pl, b) > AbsDist(pl, a) ? b : a;
}

Player *PlayerFindById(int id)
{
    return SlotsScan([&](Player *c) { return c->id == id; });
}

int PlayerInGuardDistAny(Player *pl)
{
    return SlotsScan([&](Player *c) {
               return PlayerIsEnemy(pl, c) && (c->state.moveType == MOVETYPE_A || ProjListCount(c->projList) > 0) &&
                      PlayerInGuardDist(pl, c);
           }) != nullptr;
}
