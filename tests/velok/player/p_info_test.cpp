// Player queries: distances, body and edge widths, guard distance, screen edges and animation existence.
#include "velok/player/p-info.h"

#include <climits>

#include "support/fieldkit.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sc-hitdef.h"

class InfoTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
};

TEST_F(InfoTest, DistancesBetweenBodies)
{
    Player *o = P(2);  // at 220 facing left; ground widths back 15, front 16; air 12 and 12
    struct Case {
        float px, ox;
        int pFacing, oFacing, pType, oType;
        int dist, body;
    } cases[] = {
        {100, 220, 1, -1, STATETYPE_S, STATETYPE_S, 120, 220 - 16 - 116},
        {100, 220, 1, 1, STATETYPE_S, STATETYPE_S, 120, 220 - 15 - 116},
        {100, 220, 1, -1, STATETYPE_A, STATETYPE_A, 120, 220 - 12 - 112},
        {100, 220, -1, -1, STATETYPE_S, STATETYPE_S, -120, -((220 - 16) - (100 - 16))},
        {300, 220, 1, -1, STATETYPE_S, STATETYPE_S, -80, (220 + 15) - (300 + 16)},
        {100.9f, 220.5f, 1, -1, STATETYPE_S, STATETYPE_S, 119, (int)(204.5f - 116.9f)},
    };
    for (const Case &c : cases) {
        p1->posX = c.px;
        o->posX = c.ox;
        p1->facing = c.pFacing;
        o->facing = c.oFacing;
        p1->state.stateType = c.pType;
        o->state.stateType = c.oType;
        EXPECT_EQ(PlayerDistX(p1, o), c.dist) << c.px << " " << c.ox;
        EXPECT_EQ(PlayerBodyDistX(p1, o), c.body) << c.px << " " << c.ox << " " << c.pFacing << c.oFacing;
    }
}

TEST_F(InfoTest, EdgeWidthsByDirectionAndKind)
{
    p1->widthPlayerFront = 3;
    p1->widthPlayerBack = 4;
    p1->widthEdgeFront = 5;
    p1->widthEdgeBack = 6;
    // Facing right: front and right are the same side.
    const int right[5][5] = {
        // kinds 0..4 for directions 0 (none), front, back, left, right
        {15, 19, 21, 4, 6}, {16, 19, 21, 3, 5}, {15, 19, 21, 4, 6}, {15, 19, 21, 4, 6}, {16, 19, 21, 3, 5},
    };
    for (int dir = 0; dir <= 4; dir++)
        for (int kind = 0; kind <= 4; kind++)
            EXPECT_EQ(PlayerEdgeWidthGet(p1, dir, kind), right[dir][kind]) << dir << " " << kind;
    p1->facing = -1;
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_LEFT, EDGE_KIND_BODY), 16);
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_RIGHT, EDGE_KIND_BODY_EDGE), 21);
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_FRONT, EDGE_KIND_PLAYER), 3);
    p1->state.stateType = STATETYPE_A;
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_BACK, EDGE_KIND_BODY_PLAYER), 16);
}

TEST_F(InfoTest, GuardDistanceOfOneAttacker)
{
    Player *a = P(2);  // at 220 facing left
    a->guardDist = 100;
    struct {
        float x;
        int in;
    } cases[] = {{220, 1}, {121, 1}, {120.5f, 1}, {120, 0}, {230, 0}, {219.5f, 1}, {220.5f, 1}};
    for (const auto &c : cases) {
        p1->posX = c.x;
        EXPECT_EQ(PlayerInGuardDist(p1, a), c.in) << c.x;
    }
}

TEST_F(InfoTest, ScreenEdgeDistancesAtAnyScale)
{
    p1->posX = 100;
    const struct {
        float scale;
        int facing, stateType;
        int front, back, frontBody, backBody;
    } cases[] = {
        {1.0f, 1, STATETYPE_S, 225, 55, 225 - 5, 55 - 6},
        {1.0f, -1, STATETYPE_A, 55, 225, 55 - 6, 225 - 7},
        {0.0f, 1, STATETYPE_L, 225, 55, 225 - 7, 55 - 8},
        {-1.0f, 1, STATETYPE_S, 225, 55, 225 - 5, 55 - 6},
    };
    p1->widthEdgeFront = 5;
    p1->widthEdgeBack = 6;
    for (const auto &c : cases) {
        p1->zScale = c.scale;
        p1->facing = c.facing;
        p1->state.stateType = c.stateType;
        PlayerScreenEdgesUpdate(p1, 15, 25, 30);  // edges 45 and 325
        EXPECT_EQ(PlayerEdgeDist(p1, 0, 0), c.front) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(p1, 1, 0), c.back) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(p1, 0, 1), c.frontBody) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(p1, 1, 1), c.backBody) << c.scale << " " << c.facing;
    }
    p1->posX = 48;
    EXPECT_EQ(PlayerAtScreenEdge(p1), 1);
    p1->posX = 50;
    EXPECT_EQ(PlayerAtScreenEdge(p1), 0);
    p1->posX = 329.9f;
    EXPECT_EQ(PlayerAtScreenEdge(p1), 1);
}

// Widths, edges and distances are whole numbers that may lie anywhere in the
// int range (a Width controller, a helper's size, a player flung far away):
// they are summed wide and saturate instead of wrapping.
TEST_F(InfoTest, WidthsAndDistancesSaturateAtTheEndsOfTheIntRange)
{
    Player *o = P(2);  // at 220 facing left; ground widths back 15, front 16
    p1->widthEdgeFront = INT_MAX;  // Width: edge = 2147483647, 0
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_FRONT, EDGE_KIND_BODY_EDGE), INT_MAX);
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_RIGHT, EDGE_KIND_EDGE), INT_MAX);
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_BACK, EDGE_KIND_BODY_EDGE), 15);
    p1->consts.groundBack = INT_MAX;  // size.ground.back = 2147483647
    p1->widthPlayerBack = 4;
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_LEFT, EDGE_KIND_BODY_PLAYER), INT_MAX);
    p1->consts.groundBack = INT_MIN;
    p1->widthPlayerBack = -4;
    EXPECT_EQ(PlayerEdgeWidthGet(p1, EDGE_DIR_BACK, EDGE_KIND_BODY_PLAYER), INT_MIN);

    // Screen edges 45 and 325; lying adds 2 to the edge width.
    p1->posX = 100;
    p1->zScale = 1.0f;
    p1->state.stateType = STATETYPE_L;
    p1->widthEdgeBack = INT_MAX;
    PlayerScreenEdgesUpdate(p1, 15, 25, 30);
    EXPECT_EQ(PlayerEdgeDist(p1, 0, 1), 225 - 2 - (long long)INT_MAX);
    p1->posX = -3e9f;
    EXPECT_EQ(PlayerEdgeDist(p1, 1, 1), INT_MIN);
    PlayerScreenEdgesUpdate(p1, INT_MIN, INT_MIN, 0);  // stage margins at the int end
    EXPECT_EQ(p1->screenLeft, INT_MIN);
    EXPECT_EQ(p1->screenRight, INT_MAX);
    p1->posX = 3e9f;
    p1->screenLeft = -100;
    p1->screenRight = 100;
    EXPECT_EQ(PlayerAtScreenEdge(p1), 0);

    // Distances of players far apart, times a facing of -1.
    p1->facing = -1;
    p1->posX = 3e9f;
    o->posX = 0;
    EXPECT_EQ(PlayerDistX(p1, o), INT_MAX);
    p1->guardDist = 100;
    EXPECT_EQ(PlayerInGuardDist(o, p1), 0);
    o->facing = -1;
    p1->facing = 1;
    p1->posX = 300;
    o->posX = 220;
    p1->state.stateType = STATETYPE_S;
    o->state.stateType = STATETYPE_S;
    o->consts.groundBack = INT_MIN;
    EXPECT_EQ(PlayerBodyDistX(p1, o), INT_MIN) << "the edge lies 2147483648 behind it";
    EXPECT_EQ(PlayerOpponentFind(p1), o);

    // The nearer of two opponents when the other is beyond the int range.
    Field(4);
    P(4)->posX = -3e9f;
    EXPECT_EQ(PlayerTeamMemberGet(p1, 0), P(2));
    EXPECT_EQ(PlayerTeamMemberGet(p1, 1), P(4));
}

TEST_F(InfoTest, SmallQueries)
{
    EXPECT_EQ(PlayerIsEnemy(p1, P(2)), 1);
    P(2)->side = 1;
    EXPECT_EQ(PlayerIsEnemy(p1, P(2)), 0);
    P(2)->side = 0;
    EXPECT_EQ(PlayerIsEnemy(p1, P(2)), 0);
    EXPECT_EQ(PlayerIsEnemy(P(2), p1), 0);

    p1->life = 600;
    p1->getHit.lifeAtHitStart = 750;
    EXPECT_EQ(PlayerLifeDiff(p1), -150);
    p1->state.stateNo = 5150;
    p1->state.time = 12;
    EXPECT_EQ(PlayerLieDownTime(p1), 12);
    p1->state.stateNo = 5110;
    EXPECT_EQ(PlayerLieDownTime(p1), 0);

    EXPECT_EQ(PlayerAnimExist(p1, 10), 1);
    EXPECT_EQ(PlayerAnimExist(p1, 11), 0);
    EXPECT_EQ(PlayerSelfAnimExist(p1, 200), 1);
    Player bare{};
    EXPECT_EQ(PlayerAnimExist(&bare, 0), 0);
    EXPECT_EQ(PlayerSelfAnimExist(&bare, 0), 0);
}

TEST(HitDefSides, AffectTeamIsWrittenForSideOne)
{
    HitDef hd{};
    struct {
        int affect, owner, other, want;
    } cases[] = {
        {HITDEF_AFFECT_ENEMIES, 1, 2, 1}, {HITDEF_AFFECT_ENEMIES, 1, 1, 0}, {HITDEF_AFFECT_ENEMIES, 2, 1, 1},
        {HITDEF_AFFECT_ENEMIES, 2, 2, 0}, {HITDEF_AFFECT_FRIENDS, 1, 1, 1}, {HITDEF_AFFECT_FRIENDS, 2, 2, 1},
        {HITDEF_AFFECT_FRIENDS, 2, 1, 0}, {HITDEF_AFFECT_BOTH, 2, 1, 1},    {HITDEF_AFFECT_BOTH, 1, 0, 0},
    };
    for (const auto &c : cases) {
        hd.affectTeam = c.affect;
        EXPECT_EQ(HitDefAffectsSide(&hd, c.owner, c.other), c.want) << c.affect << c.owner << c.other;
    }
}
