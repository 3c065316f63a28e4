// Per-tick player update: the setters that controllers and the hit engine use to change a player.
#pragma once

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

void PlayerTurn(Player *pl);
void PlayerAutoTurn(Player *pl, const Player *other);

// Recomputes and stores the player's screen edges from the stage's screen
// margins and the integer camera x, at the player's perspective scale.
void PlayerScreenEdgesUpdate(Player *pl, int marginLeft, int marginRight, int cameraX);
