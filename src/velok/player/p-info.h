// Player queries: distances, body widths, guard distance, animation existence and the like over players.
#pragma once

struct Array;
struct HitDef;
struct Player;
struct PlayerTarget;

// Edge width directions and kinds of PlayerEdgeWidthGet.
enum {
    EDGE_DIR_FRONT = 1,
    EDGE_DIR_BACK = 2,
    EDGE_DIR_LEFT = 3,
    EDGE_DIR_RIGHT = 4,
    EDGE_KIND_BODY = 0,
    EDGE_KIND_BODY_PLAYER = 1,
    EDGE_KIND_BODY_EDGE = 2,
    EDGE_KIND_PLAYER = 3,
    EDGE_KIND_EDGE = 4,
};

// The player in a slot (1-4 main players, then helpers), or null.
// The enabled players are looked at from the first to the last enabled slot.
Player *PlayerOpponentFind(Player *pl);
// The n-th (from 0) enabled non-helper of the player's side that is neither
// the player nor its root.
Player *PlayerTeammateGet(Player *pl, int n);
int PlayerTeammateCount(Player *pl);
// The n-th enabled non-helper enemy.
Player *PlayerEnemyGet(Player *pl, int n);
int PlayerEnemyCount(Player *pl);
// The nearer (n 0) or farther (n 1) of the opposing team's two player slots.
Player *PlayerTeamMemberGet(Player *pl, int n);
Player *PlayerFindById(int id);
int PlayerInGuardDistAny(Player *pl);

int PlayerLifeDiff(const Player *pl);

// Target lists: hit id -1 matches any target; a target's hit id is the one
// its get-hit block recorded from the hit.
// A walk over the entries in use, by slot, leaving the list's own iteration
// cursor alone: the entry at or after *slot, with *slot moved past it; null
// at the end, or without a list.
PlayerTarget *TargetListNext(const Array *targets, int *slot);
// Whether an entry holds a target hit with the id (-1: any).
bool TargetMatches(const PlayerTarget *t, int hitId);
PlayerTarget *TargetListFind(const Array *targets, const Player *pl);
Player *TargetGetById(const Array *targets, int hitId);
int TargetCountById(const Array *targets, int hitId);
int PlayerAtScreenEdge(const Player *pl);
int PlayerDistX(const Player *pl, const Player *other);
int PlayerBodyDistX(const Player *pl, const Player *other);
int PlayerInGuardDist(const Player *pl, const Player *attacker);
// 1 when the HitDef's affectteam covers the other side (1 or 2).
int HitDefAffectsSide(const HitDef *hd, int ownerSide, int otherSide);
int PlayerIsEnemy(const Player *a, const Player *b);
int PlayerEdgeWidthGet(const Player *pl, int direction, int kind);
int PlayerAnimExist(const Player *pl, int action);
int PlayerSelfAnimExist(const Player *pl, int action);
int PlayerLieDownTime(const Player *pl);
// Distance to the front (back = 0) or back screen edge as last computed;
// body = 1 keeps the body's margin and the Width controller's edge width.
int PlayerEdgeDist(const Player *pl, int back, int body);
