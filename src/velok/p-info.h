// Player queries: distances, body widths, guard distance, animation existence and the like over players.
#pragma once

struct Player;

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

int PlayerLifeDiff(const Player *pl);
int PlayerAtScreenEdge(const Player *pl);
int PlayerDistX(const Player *pl, const Player *other);
int PlayerBodyDistX(const Player *pl, const Player *other);
int PlayerInGuardDist(const Player *pl, const Player *attacker);
int PlayerIsEnemy(const Player *a, const Player *b);
int PlayerEdgeWidthGet(const Player *pl, int direction, int kind);
int PlayerAnimExist(const Player *pl, int action);
int PlayerSelfAnimExist(const Player *pl, int action);
int PlayerLieDownTime(const Player *pl);
// Distance to the front (back = 0) or back screen edge as last computed;
// body = 1 keeps the body's margin and the Width controller's edge width.
int PlayerEdgeDist(const Player *pl, int back, int body);
