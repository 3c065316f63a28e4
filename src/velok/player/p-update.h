// Per-tick player update: input and built-in movement, the state run with physics and bounds, and the setters that controllers and the hit engine use.
#pragma once

struct AnimSet;
struct Player;

// ChangeState: 1 when the state exists; a missing state is taken anyway and warned.
int PlayerStateSet(Player *pl, int state);

// ChangeAnim in the set in use (the override, else the own one). 1 when the
// action (and element, 1-based) exists; otherwise warned.
int PlayerAnimSet(Player *pl, int action);
int PlayerAnimElemSet(Player *pl, int action, int elem);
// The same in the player's own animation set.
int PlayerAnimSetOwn(Player *pl, int action);
int PlayerAnimElemSetOwn(Player *pl, int action, int elem);

void PlayerLifeSet(Player *pl, int value);
void PlayerLifeSetRaw(Player *pl, int value);
// Sets the power in use: the side's, shared through the first player.
void PlayerPowerSet(Player *pl, int value);
int PlayerPowerGet(const Player *pl);
int PlayerPowerMaxGet(const Player *pl);
// The own character's actions (none for a bare record).
AnimSet *PlayerOwnAnims(const Player *pl);

void PlayerTurn(Player *pl);
void PlayerAutoTurn(Player *pl, const Player *other);

// Recomputes and stores the player's screen edges from the stage's screen
// margins and the integer camera x, at the player's perspective scale.
void PlayerScreenEdgesUpdate(Player *pl, int marginLeft, int marginRight, int cameraX);

// The input step of one tick: one key event, the command matcher and the
// built-in standing, crouching, walking, jumping and guarding.
void PlayerInputUpdate(Player *pl);
// The state run of one tick: the character's states, the built-in state
// rules, motion, physics, the KO, bounds and bound targets.
void PlayerStateRun(Player *pl);
// Follows the player's BindTo record; the bound-to player is looked up by
// slot and id, and a binding to a player that is gone ends.
void PlayerUpdateBindTo(Player *pl);
void PlayerScreenBound(Player *pl);
void PlayerStageBound(Player *pl);
void PlayerZScaleUpdate(Player *pl);
