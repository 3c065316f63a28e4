// Player queries: distances, body widths, guard distance, animation existence and the like over players.
#include "velok/p-info.h"

#include "lib/anim-lib.h"
#include "velok/expr.h"
#include "velok/player.h"

int PlayerLifeDiff(const Player *pl)
{
    return (int)((unsigned)pl->life - (unsigned)pl->getHit.lifeAtHitStart);
}

int PlayerAtScreenEdge(const Player *pl)
{
    int x = ExprFloatToInt(pl->posX);
    return (x - pl->screenLeft <= 4 && x - pl->screenLeft >= -4) ||
           (x - pl->screenRight <= 4 && x - pl->screenRight >= -4);
}

int PlayerDistX(const Player *pl, const Player *other)
{
    return ExprFloatToInt(other->posX - pl->posX) * pl->facing;
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
    if (other->facing * ExprFloatToInt(pl->posX - other->posX) <= 0)
        edge = other->posX - (float)(other->facing * BackWidth(other));
    else
        edge = other->posX + (float)(other->facing * FrontWidth(other));
    return pl->facing * ExprFloatToInt(edge - (pl->posX + (float)(pl->facing * FrontWidth(pl))));
}

// Projectiles are not flying in this build, so only the attacker's own guard
// distance can hold the player.
int PlayerInGuardDist(const Player *pl, const Player *attacker)
{
    int d = ExprFloatToInt(pl->posX - attacker->posX) * attacker->facing;
    return d >= 0 && d < attacker->guardDist;
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
    int width = 0;
    if (kind >= EDGE_KIND_BODY && kind <= EDGE_KIND_BODY_EDGE)
        width = front ? FrontWidth(pl) : BackWidth(pl);
    if (kind == EDGE_KIND_BODY_PLAYER || kind == EDGE_KIND_PLAYER)
        width += front ? pl->widthPlayerFront : pl->widthPlayerBack;
    if (kind == EDGE_KIND_BODY_EDGE || kind == EDGE_KIND_EDGE)
        width += front ? pl->widthEdgeFront : pl->widthEdgeBack;
    return width;
}

int PlayerAnimExist(const Player *pl, int action)
{
    return pl->anim && AnimSetFindAction(pl->anim->set, 0, action) >= 0;
}

int PlayerSelfAnimExist(const Player *pl, int action)
{
    return AnimSetFindAction(pl->animOwn, 0, action) >= 0;
}

int PlayerLieDownTime(const Player *pl)
{
    return pl->state.stateNo == 5150 ? pl->state.time : 0;
}

int PlayerEdgeDist(const Player *pl, int back, int body)
{
    int w = 0;
    if (body) {
        w = pl->state.stateType == STATETYPE_A ? 1 : pl->state.stateType == STATETYPE_L ? 2 : 0;
        w += back ? pl->widthEdgeBack : pl->widthEdgeFront;
    }
    int frontEdge = pl->facing > 0 ? pl->screenRight : pl->screenLeft;
    int backEdge = pl->facing > 0 ? pl->screenLeft : pl->screenRight;
    float d = back ? (pl->posX - (float)backEdge) * (float)pl->facing : ((float)frontEdge - pl->posX) * (float)pl->facing;
    return ExprFloatToInt(d) - w;
}
