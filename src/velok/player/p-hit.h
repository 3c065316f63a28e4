// Hit engine: body push, reversals, hit tests and trades, hits and guards, damage, targets and per-slot serials.
#pragma once

struct HitDef;
struct Player;
struct PlayerHitOverride;

// One pass over the game's player slots: push apart, reversals, hit tests
// with priority trades, resolution in the tick's victim order, push apart
// again. Only enabled players whose animation shows an element take part.
void PlayerHitDetectAll();

// Separates two overlapping bodies; usePrev tests the previous positions.
void PlayerPushApart(Player *a, Player *b, int usePrev);
// 1 when the attacker's HitDef touches the victim under every rule.
int PlayerHitTest(Player *attacker, Player *victim);
void PlayerHitResolve(Player *attacker, Player *victim);
// 1 when the victim goes into a get-hit state (or the hitdef is a reversal's).
// x, y, z and facing are the attacker's; override is the victim's matching
// HitOverride slot or null.
int PlayerGetHitSet(Player *attacker, Player *victim, HitDef *hd, float x, float y, float z, int facing, int ko,
                    const PlayerHitOverride *override);
// 1 when the victim guards; 0 with the warning "Guard state error: wrong move
// type" when its state type cannot guard (the caller then resolves a hit).
int PlayerGuardSet(Player *attacker, Player *victim, HitDef *hd, int facing);
// life - damage; unless absolute a positive damage is scaled by the defence
// multiplier; without kill the life never drops below the smaller of 1 and
// the old life.
void PlayerLifeAdd(Player *pl, int damage, int kill, int absolute);

// Where the spark of the attacker's contact with the victim shows, in stage
// space.
void PlayerSparkPos(const Player *attacker, const Player *victim, int sparkX, int sparkY, float *x, float *y);

int PlayerReversalTest(Player *reverser, Player *attacker);
void PlayerReversalResolve(Player *reverser, Player *attacker);

// A P-flag attack of the player against the owner's flying projectiles: the
// first it strikes spends the attack and loses a hit.
void ProjHitTest(Player *pl, Player *owner);
// The owner's projectiles against the victim: hits and guards; each
// projectile that touched is marked for the pass to take its hit off.
void ProjHitResolve(Player *owner, Player *victim);

// Releases every target but except (null: all).
void PlayerTargetsDrop(Player *pl, Player *except);
// Removes the target entry of one slot of the list; a target bound at the
// holder's last state run that is not a helper leaves custom states and
// falls into state 5050.
void PlayerTargetRelease(Player *pl, int slot);
