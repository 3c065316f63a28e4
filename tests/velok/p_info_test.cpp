// Player queries: distances, body and edge widths, guard distance, screen edges and animation existence.
#include "velok/p-info.h"

#include "support/fieldkit.h"
#include "velok/p-update.h"
#include "velok/player.h"

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
        pl.posX = c.px;
        o->posX = c.ox;
        pl.facing = c.pFacing;
        o->facing = c.oFacing;
        pl.state.stateType = c.pType;
        o->state.stateType = c.oType;
        EXPECT_EQ(PlayerDistX(&pl, o), c.dist) << c.px << " " << c.ox;
        EXPECT_EQ(PlayerBodyDistX(&pl, o), c.body) << c.px << " " << c.ox << " " << c.pFacing << c.oFacing;
    }
}

TEST_F(InfoTest, EdgeWidthsByDirectionAndKind)
{
    pl.widthPlayerFront = 3;
    pl.widthPlayerBack = 4;
    pl.widthEdgeFront = 5;
    pl.widthEdgeBack = 6;
    // Facing right: front and right are the same side.
    const int right[5][5] = {
        // kinds 0..4 for directions 0 (none), front, back, left, right
        {15, 19, 21, 4, 6}, {16, 19, 21, 3, 5}, {15, 19, 21, 4, 6}, {15, 19, 21, 4, 6}, {16, 19, 21, 3, 5},
    };
    for (int dir = 0; dir <= 4; dir++)
        for (int kind = 0; kind <= 4; kind++)
            EXPECT_EQ(PlayerEdgeWidthGet(&pl, dir, kind), right[dir][kind]) << dir << " " << kind;
    pl.facing = -1;
    EXPECT_EQ(PlayerEdgeWidthGet(&pl, EDGE_DIR_LEFT, EDGE_KIND_BODY), 16);
    EXPECT_EQ(PlayerEdgeWidthGet(&pl, EDGE_DIR_RIGHT, EDGE_KIND_BODY_EDGE), 21);
    EXPECT_EQ(PlayerEdgeWidthGet(&pl, EDGE_DIR_FRONT, EDGE_KIND_PLAYER), 3);
    pl.state.stateType = STATETYPE_A;
    EXPECT_EQ(PlayerEdgeWidthGet(&pl, EDGE_DIR_BACK, EDGE_KIND_BODY_PLAYER), 16);
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
        pl.posX = c.x;
        EXPECT_EQ(PlayerInGuardDist(&pl, a), c.in) << c.x;
    }
}

TEST_F(InfoTest, ScreenEdgeDistancesAtAnyScale)
{
    pl.posX = 100;
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
    pl.widthEdgeFront = 5;
    pl.widthEdgeBack = 6;
    for (const auto &c : cases) {
        pl.zScale = c.scale;
        pl.facing = c.facing;
        pl.state.stateType = c.stateType;
        PlayerScreenEdgesUpdate(&pl, 15, 25, 30);  // edges 45 and 325
        EXPECT_EQ(PlayerEdgeDist(&pl, 0, 0), c.front) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(&pl, 1, 0), c.back) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(&pl, 0, 1), c.frontBody) << c.scale << " " << c.facing;
        EXPECT_EQ(PlayerEdgeDist(&pl, 1, 1), c.backBody) << c.scale << " " << c.facing;
    }
    pl.posX = 48;
    EXPECT_EQ(PlayerAtScreenEdge(&pl), 1);
    pl.posX = 50;
    EXPECT_EQ(PlayerAtScreenEdge(&pl), 0);
    pl.posX = 329.9f;
    EXPECT_EQ(PlayerAtScreenEdge(&pl), 1);
}

TEST_F(InfoTest, SmallQueries)
{
    EXPECT_EQ(PlayerIsEnemy(&pl, P(2)), 1);
    P(2)->side = 1;
    EXPECT_EQ(PlayerIsEnemy(&pl, P(2)), 0);
    P(2)->side = 0;
    EXPECT_EQ(PlayerIsEnemy(&pl, P(2)), 0);
    EXPECT_EQ(PlayerIsEnemy(P(2), &pl), 0);

    pl.life = 600;
    pl.getHit.lifeAtHitStart = 750;
    EXPECT_EQ(PlayerLifeDiff(&pl), -150);
    pl.state.stateNo = 5150;
    pl.state.time = 12;
    EXPECT_EQ(PlayerLieDownTime(&pl), 12);
    pl.state.stateNo = 5110;
    EXPECT_EQ(PlayerLieDownTime(&pl), 0);

    EXPECT_EQ(PlayerAnimExist(&pl, 10), 1);
    EXPECT_EQ(PlayerAnimExist(&pl, 11), 0);
    EXPECT_EQ(PlayerSelfAnimExist(&pl, 200), 1);
    Player bare{};
    EXPECT_EQ(PlayerAnimExist(&bare, 0), 0);
    EXPECT_EQ(PlayerSelfAnimExist(&bare, 0), 0);
}
