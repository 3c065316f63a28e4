// Statedefs: loading a character's state files into a shared list, and running a player's states each tick.
#pragma once

#include <cstdint>

#include "velok/script/expr.h"

struct Array;
struct Player;
struct SCtrl;
struct TrigCtx;
struct TxtParseFile;

enum {
    STATEDEF_CTRL_MAX = 512,       // persistent counters of a player
    STATEDEF_LOOP_MAX = 2500,      // state changes in one tick before the machine counts as stuck
    STATEDEF_TYPE_UNCHANGED = -1,
};

// One [Statedef N] with its controllers. Header values of -1 leave the
// player's value unchanged; velset components of -32760.0 are not given.
struct StateDef {
    Array *ctrls;  // SCtrl keyed (type code, number after the comma or -1), in file order
    int stateType;
    int moveType;
    int physics;
    Expr juggle;
    Expr faceP2;
    Expr hitDefPersist;
    Expr hitCountPersist;
    Expr moveHitPersist;
    int sprPriorityGiven;
    Expr sprPriority;
    Expr velX, velY, velZ;
    Expr ctrl;
    Expr anim;
    Expr powerAdd;
};

// Every statedef of a character, keyed (N, 0); the first one loaded for a
// number is the one found.
struct StateDefList {
    Array *defs;
    // Statedefs -3, -2 and -1 (null when absent), found once per load, as
    // every tick of every player asks for them; they hold while the array's
    // change stamp stays specialChanges (specialKnown 0: not found yet).
    StateDef *special[3];
    int specialKnown;
    uint64_t specialChanges;
};

// Null with the reason in the game error text.
StateDefList *StateDefListLoad(TxtParseFile *file, Player *pl);
// 1, or 0 with the reason in the game error text (what was added stays).
int StateDefListAppend(StateDefList *list, TxtParseFile *file, Player *pl);
// Parses the file's current group, a "statedef " group, and the controller
// groups after it. 1, or 0 with the reason in the game error text.
int StateDefParse(TxtParseFile *file, StateDef *out, const char *groupName, Player *pl);
void StateDefListFree(StateDefList *list);
StateDef *StateDefListFind(const StateDefList *list, int number);

void PlayerStateInit(Player *pl, StateDefList *list);
void TrigCtxBuild(Player *pl, TrigCtx *ctx);
// One pass over the current state; 1 when a controller changed the state.
int PlayerStateRunCurrent(Player *pl);
// Flags: bit 0 the player's own list always; bit 1 run while in its own
// states; bit 2 run while in another player's states.
void PlayerStateSpecialRun(Player *pl, int number, int flags);
// The special states -3, -2 and -1 of one tick.
void PlayerStateRunSpecials(Player *pl);
// Runs the current state again for as long as a pass changes the state;
// passes counts the state-changing passes of this tick across calls.
void PlayerStateRunLoop(Player *pl, int *passes);
// Specials, then the re-run loop, for one tick.
void PlayerStateRunTick(Player *pl);

// The routine that performs a controller whose triggers hold; 1 when it
// changed the state. PlayerSCtrlApply unless a test puts another in its
// place; null restores it.
typedef int (*PlayerSCtrlApplyFn)(Player *pl, SCtrl *ctrl, TrigCtx *ctx);
void PlayerStateApplySet(PlayerSCtrlApplyFn fn);
// Whether the Escape key is held; null restores the keyboard's.
typedef int (*PlayerStateEscapeFn)();
void PlayerStateEscapeSet(PlayerStateEscapeFn fn);
