// Statedefs: loading a character's state files into a shared list, and running a player's states each tick.
#include "velok/script/statedef.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lib/array.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/helper.h"
#include "velok/player/p-info.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sctrl.h"
#include "velok/script/state-i.h"
#include "velok/script/st-trig.h"
#include "velok/script/stparam.h"

enum { KEY_ESCAPE_CODE = 1 };

static PlayerSCtrlApplyFn applyFn = PlayerSCtrlApply;

static int EscapeFromKeyboard()
{
    return KbllKeyDown(KEY_ESCAPE_CODE);
}

static PlayerStateEscapeFn escapeFn = EscapeFromKeyboard;

void PlayerStateApplySet(PlayerSCtrlApplyFn fn)
{
    applyFn = fn ? fn : PlayerSCtrlApply;
}

void PlayerStateEscapeSet(PlayerStateEscapeFn fn)
{
    escapeFn = fn ? fn : EscapeFromKeyboard;
}

// ---------------------------------------------------------------- loading

// The group's name: the header without its brackets.
static std::string GroupName(const char *header)
{
    std::string h = header ? header : "";
    if (!h.empty() && h[0] == '[')
        h.erase(0, 1);
    size_t close = h.find(']');
    if (close != std::string::npos)
        h.resize(close);
    return h;
}

static bool IsStatedefHeader(const char *header)
{
    return header && StrNCaseEq(header + 1, "statedef ", 9);
}

static bool IsControllerHeader(const char *header)
{
    return header && StrNCaseEq(header + 1, "state ", 6);
}

static int HeaderCount(TxtParseFile *f)
{
    return f->shared->groupCount;
}

static const char *HeaderAt(TxtParseFile *f, int g)
{
    return f->shared->text.data() + f->shared->lines[(size_t)f->shared->groups[(size_t)g]];
}

static void StateDefFree(StateDef *sd)
{
    if (sd->ctrls) {
        for (int i = 0; i < sd->ctrls->used; i++)
            SCtrlFree((SCtrl *)ArrayAtRaw(sd->ctrls, i));
        ArrayFree(sd->ctrls);
    }
    Expr *exprs[] = {&sd->juggle, &sd->faceP2, &sd->hitDefPersist, &sd->hitCountPersist, &sd->moveHitPersist,
                     &sd->sprPriority, &sd->velX, &sd->velY, &sd->velZ, &sd->ctrl, &sd->anim, &sd->powerAdd};
    for (Expr *e : exprs)
        ExprFree(e);
    memset(sd, 0, sizeof *sd);
}

static int ExprKeyFailed(const char *key)
{
    GameErrorSet("%s", LibErrorMsg);
    GameErrorAppend("\nError parsing %s", key);
    return 0;
}

static int HeaderInt(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : ExprKeyFailed(key);
}

// First letter of the value among the letters; its code, -1 for "U", -2 invalid.
static int LetterCode(const char *v, const char *letters, const int *codes)
{
    int c = toupper((unsigned char)v[0]);
    if (c == 'U')
        return -1;
    const char *at = c ? strchr(letters, c) : nullptr;
    return at ? codes[at - letters] : -2;
}

static int StateDefHeaderParse(TxtParseFile *f, StateDef *sd, Player *pl)
{
    static const int typeCodes[] = {1, 2, 3, 4};
    static const int moveCodes[] = {1, 2, 0};
    static const int physicsCodes[] = {1, 2, 3, 0};
    const char *v;
    if ((v = TxtParseValueGet(f, "type")) && (sd->stateType = LetterCode(v, "SCAL", typeCodes)) < -1) {
        GameErrorSet("State type \"%s\" not valid", v);
        return 0;
    }
    if ((v = TxtParseValueGet(f, "movetype")) && (sd->moveType = LetterCode(v, "AHI", moveCodes)) < -1) {
        GameErrorSet("State movetype \"%s\" not valid", v);
        return 0;
    }
    if ((v = TxtParseValueGet(f, "physics")) && (sd->physics = LetterCode(v, "SCAN", physicsCodes)) < -1) {
        GameErrorSet("State physics \"%s\" not valid", v);
        return 0;
    }
    if (!HeaderInt(f, "juggle", &sd->juggle, pl, -1) || !HeaderInt(f, "facep2", &sd->faceP2, pl, 0) ||
        !HeaderInt(f, "hitdefpersist", &sd->hitDefPersist, pl, 0) ||
        !HeaderInt(f, "hitcountpersist", &sd->hitCountPersist, pl, 0) ||
        !HeaderInt(f, "movehitpersist", &sd->moveHitPersist, pl, 0) || !HeaderInt(f, "ctrl", &sd->ctrl, pl, -1) ||
        !HeaderInt(f, "anim", &sd->anim, pl, -1) || !HeaderInt(f, "poweradd", &sd->powerAdd, pl, 0))
        return 0;
    if ((v = TxtParseValueGet(f, "sprpriority"))) {
        sd->sprPriorityGiven = 1;
        if (!ExprCompile(v, &sd->sprPriority, pl, nullptr, 1))
            return ExprKeyFailed("sprpriority");
    }
    if ((v = TxtParseValueGet(f, "velset"))) {
        const char *end = v;
        int n = SCtrlParseList(v, "fff", pl, &end, &sd->velX, &sd->velY, &sd->velZ);
        if (n == 0 || (n < 3 && *end))
            return ExprKeyFailed("velset");
    }
    return 1;
}

int StateDefParse(TxtParseFile *f, StateDef *sd, const char *groupName, Player *pl)
{
    memset(sd, 0, sizeof *sd);
    int group = f->group;
    const char *header = group >= 0 ? HeaderAt(f, group) : nullptr;
    int number = header ? atoi(header + 1 + 9) : 0;
    sd->stateType = 1;
    sd->moveType = 0;
    sd->physics = 0;
    ExprSetFloat(&sd->velX, SCTRL_NOT_GIVEN_FLOAT);
    ExprSetFloat(&sd->velY, SCTRL_NOT_GIVEN_FLOAT);
    ExprSetFloat(&sd->velZ, SCTRL_NOT_GIVEN_FLOAT);
    ExprSetInt(&sd->juggle, -1);
    ExprSetInt(&sd->ctrl, -1);
    ExprSetInt(&sd->anim, -1);
    // The special states have controllers only.
    if (number >= 0 && !StateDefHeaderParse(f, sd, pl)) {
        StateDefFree(sd);
        TxtParseGroupSetIndex(f, group);
        return 0;
    }

    int count = 0;
    while (group + 1 + count < HeaderCount(f) && IsControllerHeader(HeaderAt(f, group + 1 + count)))
        count++;
    if (count == 0) {
        GameErrorSet("Need at least one state controller");
        StateDefFree(sd);
        return 0;
    }
    sd->ctrls = ArrayCreate(count, sizeof(SCtrl), nullptr);
    if (!sd->ctrls) {
        GameErrorSet("Out of memory");
        StateDefFree(sd);
        return 0;
    }
    int ok = 1;
    for (int k = 0; k < count && ok; k++) {
        if (TxtParseGroupSetIndex(f, group + 1 + k) < 0) {
            GameErrorSet("Can't access [%s] controller %i", groupName, k + 1);
            ok = 0;
            break;
        }
        std::string name = GroupName(HeaderAt(f, group + 1 + k));
        size_t comma = name.find(',');
        int ctrlNo = comma == std::string::npos ? -1 : atoi(name.c_str() + comma + 1);
        if (!SCtrlParse(f, sd->ctrls, ctrlNo, pl)) {
            GameErrorAppend("\nError parsing %s", name.c_str());
            ok = 0;
        }
    }
    TxtParseGroupSetIndex(f, group);
    if (!ok)
        StateDefFree(sd);
    return ok;
}

static int CountStatedefs(TxtParseFile *f)
{
    int n = 0;
    for (int g = 0; g < HeaderCount(f); g++)
        if (IsStatedefHeader(HeaderAt(f, g)))
            n++;
    return n;
}

// Parses every statedef of the file into the list, which has room for them.
static int ParseAll(StateDefList *list, TxtParseFile *f, Player *pl)
{
    for (int g = 0; g < HeaderCount(f); g++) {
        const char *header = HeaderAt(f, g);
        if (!IsStatedefHeader(header))
            continue;
        std::string name = GroupName(header);
        TxtParseGroupSetIndex(f, g);
        StateDef sd;
        if (!StateDefParse(f, &sd, name.c_str(), pl)) {
            GameErrorAppend("\nError in %s", name.c_str());
            return 0;
        }
        if (ArrayAddGrow(list->defs, &sd, atoi(header + 1 + 9), 0) < 0) {
            StateDefFree(&sd);
            GameErrorSet("Out of memory");
            return 0;
        }
    }
    return 1;
}

// The special states, found again whenever statedefs were added.
static void SpecialsFind(StateDefList *list)
{
    for (int n = 1; n <= 3; n++)
        list->special[n - 1] = (StateDef *)ArrayFindElem(list->defs, -n, 0);
    list->specialChanges = list->defs->changes;
    list->specialKnown = 1;
}

StateDefList *StateDefListLoad(TxtParseFile *f, Player *pl)
{
    int count = CountStatedefs(f);
    if (count == 0) {
        GameErrorSet("Need at least one statedef");
        return nullptr;
    }
    StateDefList *list = (StateDefList *)LibCalloc(1, sizeof *list);
    if (list)
        list->defs = ArrayCreate(count, sizeof(StateDef), nullptr);
    if (!list || !list->defs) {
        MemFree(list);
        GameErrorSet("Out of memory");
        return nullptr;
    }
    if (!ParseAll(list, f, pl)) {
        StateDefListFree(list);
        return nullptr;
    }
    SpecialsFind(list);
    return list;
}

int StateDefListAppend(StateDefList *list, TxtParseFile *f, Player *pl)
{
    int count = CountStatedefs(f);
    if (count == 0) {
        GameErrorSet("Need at least one statedef");
        return 0;
    }
    if (!ArrayResize(list->defs, list->defs->capacity + count)) {
        GameErrorSet("Out of memory");
        return 0;
    }
    int ok = ParseAll(list, f, pl);
    SpecialsFind(list);
    return ok;
}

void StateDefListFree(StateDefList *list)
{
    if (!list)
        return;
    if (list->defs) {
        for (int i = 0; i < list->defs->used; i++)
            StateDefFree((StateDef *)ArrayAtRaw(list->defs, i));
        ArrayFree(list->defs);
    }
    MemFree(list);
}

StateDef *StateDefListFind(const StateDefList *list, int number)
{
    if (!list || !list->defs)
        return nullptr;
    if (number >= -3 && number <= -1 && list->specialKnown && list->specialChanges == list->defs->changes)
        return list->special[-number - 1];
    return (StateDef *)ArrayFindElem(list->defs, number, 0);
}

// ---------------------------------------------------------------- running

void PlayerStateInit(Player *pl, StateDefList *list)
{
    memset(&pl->state, 0, sizeof pl->state);
    pl->state.ownList = list;
}

void TrigCtxBuild(Player *pl, TrigCtx *ctx)
{
    memset(ctx, 0, sizeof *ctx);
    bool mType = gv && gv->cfg.rules.gameType == CFG_GAMETYPE_MIXED;
    ctx->opponent = mType ? nullptr : pl->opponent;
    ctx->powerOwner = mType ? pl : PlayerPowerOwner(pl);
    if (pl->slot >= 1 && pl->slot <= 4)
        ctx->partner = PlayerSlotGet(PlayerPartnerSlot(pl->slot));
    ctx->parent = HelperParentGet(pl);
    ctx->root = HelperRootGet(pl);
}

// Tests the controller's triggers and performs it; 1 when the state changed.
static int ControllerRun(Player *pl, SCtrl *c, TrigCtx *ctx)
{
    CmdUsedListClear(pl->ai.cmdUsed);
    if (!TrigArrayTest(pl, c))
        return -1;
    return applyFn(pl, c, ctx);
}

static int Held(const Player *pl, const SCtrl *c)
{
    return pl->state.hitPauseTime > 0 && !c->ignoreHitPause;
}

static void StateEntry(Player *pl, StateDef *sd, TrigCtx *ctx)
{
    PlayerStateBlock *st = &pl->state;
    if (ExprEvalInt(pl, &sd->hitCountPersist, 1) == 0) {
        pl->hit.hitCount = 0;
        pl->hit.uniqHitCount = 0;
    }
    if (ExprEvalInt(pl, &sd->moveHitPersist, 1) == 0) {
        st->moveContact = 0;
        st->moveContactTicks = 0;
    }
    if (ExprEvalInt(pl, &sd->hitDefPersist, 1) == 0) {
        pl->hitDef.attr = 0;
        pl->hitDef.active = 0;
    }
    if (sd->sprPriorityGiven)
        pl->sprPriority = ExprEvalInt(pl, &sd->sprPriority, 1);
    int count = sd->ctrls->used;
    if (count > STATEDEF_CTRL_MAX)
        FatalExitf("state %i can only have max of %i controllers", st->stateNo, STATEDEF_CTRL_MAX);
    memset(st->persist, 0, (size_t)count);
    if (sd->stateType != -1)
        st->stateType = sd->stateType;
    if (sd->moveType != -1)
        st->moveType = sd->moveType;
    if (sd->physics != -1)
        st->physics = sd->physics;
    if (ctx->opponent && ExprEvalInt(pl, &sd->faceP2, 1) != 0 && PlayerDistX(pl, ctx->opponent) < 0)
        PlayerTurn(pl);
    int juggle = ExprEvalInt(pl, &sd->juggle, 1);
    if (juggle < -1)
        PlayerWarn(pl, "Illegal juggle points");
    else if (juggle != -1)
        pl->hitDef.juggle = juggle;
    pl->guardDist = pl->consts.attackDist;
    float vx = ExprEvalFloat(pl, &sd->velX);
    float vy = ExprEvalFloat(pl, &sd->velY);
    float vz = ExprEvalFloat(pl, &sd->velZ);
    if (vx != SCTRL_NOT_GIVEN_FLOAT)
        pl->velX = vx * (float)pl->facing;
    if (vy != SCTRL_NOT_GIVEN_FLOAT)
        pl->velY = vy;
    if (vz != SCTRL_NOT_GIVEN_FLOAT)
        pl->velZ = vz;
    int anim = ExprEvalInt(pl, &sd->anim, 1);
    if (anim < -1)
        PlayerWarn(pl, "illegal anim number");
    else if (anim != -1)
        PlayerAnimSetOwn(pl, anim);
    int ctrl = ExprEvalInt(pl, &sd->ctrl, 1);
    if (ctrl < -1) {
        PlayerWarn(pl, "ctrl in statedef should be 1 or 0");
    } else if (ctrl >= 2) {
        PlayerWarn(pl, "ctrl in statedef should be 1 or 0");
        st->ctrl = 1;
    } else if (ctrl != -1) {
        st->ctrl = ctrl;
    }
    Player *owner = ctx->powerOwner ? ctx->powerOwner : pl;
    int power = ExprEvalInt(pl, &sd->powerAdd, 1);
    PlayerPowerSet(owner, (int)((unsigned)PlayerPowerGet(owner) + (unsigned)power));
}

int PlayerStateRunCurrent(Player *pl)
{
    TrigCtx ctx;
    TrigCtxBuild(pl, &ctx);
    PlayerStateBlock *st = &pl->state;
    StateDefList *list = st->customList ? st->customList : st->ownList;
    StateDef *sd = StateDefListFind(list, st->stateNo);
    if (st->hitPauseTime <= 0) {
        if (!sd) {
            st->stateExists = 0;
            if (st->time == 0) {
                pl->hit.hitCount = 0;
                pl->hit.uniqHitCount = 0;
                st->moveContact = 0;
                st->moveContactTicks = 0;
                pl->hitDef.attr = 0;
            }
            return 0;
        }
        st->stateExists = 1;
        if (st->time == 0)
            StateEntry(pl, sd, &ctx);
    }
    if (!sd)
        return 0;
    int count = sd->ctrls->used;
    if (count > STATEDEF_CTRL_MAX)
        count = STATEDEF_CTRL_MAX;
    int enabled = pl->enabled;
    for (int i = 0; i < count; i++) {
        SCtrl *c = (SCtrl *)ArrayAtRaw(sd->ctrls, i);
        if (st->persist[i] == 0 && !Held(pl, c)) {
            // Triggers are tested with the statedef as found; the counter is
            // set before the controller runs, as one signed byte.
            CmdUsedListClear(pl->ai.cmdUsed);
            if (TrigArrayTest(pl, c)) {
                int p = c->persistent < 1 ? 1 : c->persistent;
                st->persist[i] = (signed char)(unsigned char)p;
                if (applyFn(pl, c, &ctx))
                    return 1;
                // A helper that removed itself runs no more controllers: a
                // Helper controller after it could take its own slot again.
                if (enabled && !pl->enabled)
                    return 0;
            }
        }
        if (c->persistent > 0 && !Held(pl, c)) {
            int v = st->persist[i] - 1;
            st->persist[i] = (signed char)(v < 0 ? 0 : v);
        }
    }
    return 0;
}

void PlayerStateSpecialRun(Player *pl, int number, int flags)
{
    PlayerStateBlock *st = &pl->state;
    bool inOwn = st->customList == nullptr;
    if (!((flags & 2) || !inOwn) || !((flags & 4) || inOwn))
        return;
    StateDefList *list = (flags & 1) || inOwn ? st->ownList : st->customList;
    StateDef *sd = StateDefListFind(list, number);
    if (!sd)
        return;
    TrigCtx ctx;
    TrigCtxBuild(pl, &ctx);
    int enabled = pl->enabled;
    for (int i = 0; i < sd->ctrls->used; i++) {
        SCtrl *c = (SCtrl *)ArrayAtRaw(sd->ctrls, i);
        if (Held(pl, c))
            continue;
        if (ControllerRun(pl, c, &ctx) == 1 || (enabled && !pl->enabled))
            return;
    }
}

void PlayerStateRunSpecials(Player *pl)
{
    if (!pl->isHelper || pl->helperTypePlayer) {
        PlayerStateSpecialRun(pl, -3, 3);
        PlayerStateSpecialRun(pl, -2, 7);
    }
    // A helper without keyctrl takes no commands: state -1 is not its own.
    if (!pl->shownOnly && (!pl->isHelper || pl->keyCtrl))
        PlayerStateSpecialRun(pl, -1, 3);
}

void PlayerStateRunLoop(Player *pl, int *passes)
{
    while (PlayerStateRunCurrent(pl)) {
        if (*passes > STATEDEF_LOOP_MAX)
            FatalExitf("State machine stuck in loop (stopped after %i loops): %i for %s\n"
                       "Check your states for infinite ChangeState loops.",
                       STATEDEF_LOOP_MAX, pl->state.stateNo, pl->name);
        (*passes)++;
        if (escapeFn())
            break;
    }
}

void PlayerStateRunTick(Player *pl)
{
    int passes = 0;
    PlayerStateRunSpecials(pl);
    PlayerStateRunLoop(pl, &passes);
}
