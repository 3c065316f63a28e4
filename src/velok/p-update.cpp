// Per-tick player update: the setters that controllers and the hit engine use to change a player.
#include "velok/p-update.h"

#include "lib/anim-lib.h"
#include "velok/gamevars.h"
#include "velok/player.h"

// Only state 0 exists without compiled statedefs, and this build compiles none.
static int StateExists(const StateDefList *list, int state)
{
    (void)list;
    (void)state;
    return 0;
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

static AnimSet *AnimSetInUse(const Player *pl)
{
    return pl->animOverride ? pl->animOverride : pl->animOwn;
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
    return AnimChange(pl, pl->animOwn, action, 1);
}

int PlayerAnimElemSetOwn(Player *pl, int action, int elem)
{
    return AnimChange(pl, pl->animOwn, action, elem);
}

static int LifeClamp(const Player *pl, int value)
{
    if (value > pl->lifeMax)
        value = pl->lifeMax;
    if (value < 0)
        value = 0;
    if (value == 0 && gv && gv->specialFlags[GAME_SPECIAL_NOKO])
        value = 1;
    return value;
}

void PlayerLifeSet(Player *pl, int value)
{
    value = LifeClamp(pl, value);
    if (pl->isHelper && !pl->helperTypePlayer && value < 1)
        value = 1;
    pl->life = value;
}

void PlayerLifeSetRaw(Player *pl, int value)
{
    pl->life = LifeClamp(pl, value);
}

// A record without a side's power (a bare record) keeps its own.
static int *PowerRef(Player *pl)
{
    return pl->powerPtr ? pl->powerPtr : &pl->power;
}

int PlayerPowerGet(const Player *pl)
{
    return pl->powerPtr ? *pl->powerPtr : pl->power;
}

int PlayerPowerMaxGet(const Player *pl)
{
    return pl->powerMaxPtr ? *pl->powerMaxPtr : pl->powerMax;
}

void PlayerPowerSet(Player *pl, int value)
{
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
}

void PlayerAutoTurn(Player *pl, const Player *other)
{
    if (!pl->state.ctrl || !other)
        return;
    if ((pl->x - other->x) * (float)pl->facing <= 0.0f || pl->assertFlags[ASSERT_NOAUTOTURN])
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
    float s = pl->zScale > 0.0f ? pl->zScale : 1.0f;
    pl->screenLeft = (int)((float)(marginLeft - 160) / s) + cameraX + 160;
    pl->screenRight = (int)((float)(160 - marginRight) / s) + cameraX + 160;
}
