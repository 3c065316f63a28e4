// Trigger evaluation over a field of fighters: own fields, opponents, animations, get-hit values and redirects.
#include "velok/script/st-trig.h"

#include <cmath>
#include <string>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/timer.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/match/round.h"
#include "velok/script/statedef.h"
#include "velok/script/stparam.h"

class TrigEvalTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
    struct Case {
        const char *text;
        int type;  // 1 int, 2 float
        double value;
    };
    void Table(Player *who, std::initializer_list<Case> cases)
    {
        for (const Case &c : cases) {
            FieldValue v = EvalFor(who, c.text);
            ASSERT_TRUE(v.ok) << c.text << ": " << LibErrorMsg << gv->errorText;
            EXPECT_EQ(v.type, c.type) << c.text;
            if (c.type == 2)
                EXPECT_NEAR(v.f, c.value, 1e-4) << c.text;
            else
                EXPECT_EQ(v.i, (int)c.value) << c.text;
        }
    }
};

TEST_F(TrigEvalTest, OwnFieldsAndTheOpponent)
{
    gv->cameraX = 20;
    gv->gameTick = 77;
    gv->round.state = 2;
    gv->round.number = 3;
    gv->matchNo = 4;
    gv->teams[0].mode = 1;
    p1->state.stateNo = 200;
    p1->state.prevStateNo = 20;
    p1->state.time = 13;
    p1->life = 640;
    p1->power = 1500;
    p1->palNo = 2;
    p1->velX = 2.5f;
    p1->velY = -1;
    p1->posY = -30;
    p1->facing = -1;
    p1->consts.xScale = 1.5f;
    p1->consts.attack = 110;
    P(2)->life = 700;
    P(2)->state.stateNo = 5000;
    P(2)->state.stateType = STATETYPE_C;
    P(2)->state.moveType = MOVETYPE_H;
    P(2)->posY = -10;
    Table(p1, {
        {"time", 1, 13}, {"stateno", 1, 200}, {"prevstateno", 1, 20}, {"life", 1, 640}, {"lifemax", 1, 1000},
        {"power", 1, 1500}, {"powermax", 1, 3000}, {"alive", 1, 1}, {"facing", 1, -1}, {"id", 1, 56},
        {"palno", 1, 3}, {"ctrl", 1, 1}, {"teamside", 1, 1}, {"gametime", 1, 77}, {"roundstate", 1, 2}, {"roundno", 1, 3}, {"matchno", 1, 4},
        {"teammode = simul", 1, 1}, {"teammode = turns", 1, 0}, {"win + lose + 1", 1, 1}, {"timemod = 5, 3", 1, 1},
        {"timemod = 5, 2", 1, 0}, {"vel x", 2, -2.5}, {"vel y", 2, -1}, {"pos x", 2, 100 - 20 - 160},
        {"pos y", 2, -30}, {"const(size.xscale)", 2, 1.5}, {"const(data.attack)", 1, 110},
        {"statetype = S", 1, 1}, {"statetype != A", 1, 1}, {"movetype = I", 1, 1}, {"ishelper", 1, 0},
        {"standby", 1, 0}, {"name = \"p1\"", 1, 1}, {"name != \"p1\"", 1, 0}, {"authorname = \"KIT MAKER\"", 1, 1},
        // Facing left, the opponent at 220 stands behind.
        {"p2dist x", 2, -120}, {"p2dist y", 2, 20}, {"p2life", 1, 700}, {"p2stateno", 1, 5000},
        {"p2statetype = C", 1, 1}, {"p2statetype != C", 1, 0}, {"p2movetype = H", 1, 1},
        {"p2name = \"p2\"", 1, 1}, {"p2name != \"p2\"", 1, 0},
    });
    p1->facing = 1;
    // Body edges: the opponent faces this player, so its front is near.
    Table(p1, {{"p2dist x", 2, 120}, {"p2bodydist x", 2, 88}});
    P(2)->facing = 1;
    Table(p1, {{"p2bodydist x", 2, 220 - 15 - 116}});
    p1->opponent = nullptr;
    Table(p1, {{"p2life", 1, 0}, {"p2stateno + 1", 1, 1}, {"p2name = \"P2\"", 1, 0}, {"p2dist x + 1", 1, 1}});
    EXPECT_EQ(Warnings(), "");
}

TEST_F(TrigEvalTest, AnimationTriggersFollowTheElements)
{
    PlayerAnimSet(p1, 10);  // elements of 3, 4 and 5 ticks
    struct Tick {
        int time;
        int animelem2, animelem2ge3, animelemtime2, animelemno, animtime;
    } ticks[] = {
        {0, 0, 0, -3, 1, -12}, {2, 0, 0, -1, 1, -10}, {3, 1, 0, 0, 2, -9},
        {5, 0, 0, 2, 2, -7},   {6, 0, 1, 3, 2, -6},   {7, 0, 1, 4, 3, -5},
    };
    int t = 0;
    for (const Tick &k : ticks) {
        while (t < k.time) {
            AnimObjTick(p1->anim);
            t++;
        }
        SCOPED_TRACE(k.time);
        Table(p1, {{"anim", 1, 10},
                    {"animelem = 2", 1, (double)k.animelem2},
                    {"animelem = 2, >= 3", 1, (double)k.animelem2ge3},
                    {"animelemtime(2)", 1, (double)k.animelemtime2},
                    {"animelemno(0)", 1, (double)k.animelemno},
                    {"animtime", 1, (double)k.animtime}});
    }
    // Past the last element: undefined, which reads as 0.
    // The lowest int (a sum that wrapped) names no element either.
    Table(p1, {{"animelem = 4", 1, 0}, {"animelemtime(4) + 1", 1, 1}, {"animelemtime(0) + 1", 1, 1},
                {"animelemtime(2147483647 + 1) + 1", 1, 1},
                {"animexist(200)", 1, 1}, {"animexist(201)", 1, 0}, {"selfanimexist(10)", 1, 1}});
    EXPECT_EQ(Warnings(), "");
}

TEST_F(TrigEvalTest, GetHitValues)
{
    PlayerGetHit &g = p1->getHit;
    g.damage = 45;
    g.hitShakeTime = 0;
    g.hitTime = -1;
    g.fall = 1;
    g.fallYVel = -4.5f;
    g.fallRecoverTime = 4;
    g.recoverCount = 4;
    g.xVel = 3;
    g.yVel = -2;
    g.chainId = 7;
    g.fallEnvShakeFreq = 60.5f;
    g.fallEnvShakeAmpl = -4;
    p1->state.hitPauseTime = 5;
    p1->facing = -1;
    Table(p1, {
        {"gethitvar(damage)", 1, 45}, {"gethitvar(fall.yvel)", 2, -4.5}, {"gethitvar(chainid)", 1, 7},
        {"gethitvar(fall.envshake.freq)", 2, 60.5}, {"gethitvar(fall.envshake.ampl)", 1, -4},
        {"gethitvar(fall)", 1, 1}, {"hitfall", 1, 1}, {"hitshakeover", 1, 1}, {"hitover", 1, 1},
        {"canrecover", 1, 1}, {"hitvel x", 2, -3}, {"hitvel y", 2, -2}, {"hitpausetime", 1, 5},
    });
    g.recoverCount = 3;
    g.hitShakeTime = 1;
    g.hitTime = 0;
    Table(p1, {{"canrecover", 1, 0}, {"hitshakeover", 1, 0}, {"hitover", 1, 0}});
}

TEST_F(TrigEvalTest, MoveContactKinds)
{
    struct Case {
        int kind;
        int hit, guarded, contact, reversed;
    } cases[] = {
        {0, 0, 0, 0, 0}, {CONTACT_HIT, 5, 0, 5, 0}, {CONTACT_GUARDED, 0, 5, 5, 0}, {CONTACT_REVERSED, 0, 0, 0, 5},
    };
    for (const Case &c : cases) {
        p1->state.moveContact = c.kind;
        p1->state.moveContactTicks = 4;
        Table(p1, {{"movehit", 1, (double)c.hit}, {"moveguarded", 1, (double)c.guarded},
                    {"movecontact", 1, (double)c.contact}, {"movereversed", 1, (double)c.reversed}});
    }
}

TEST_F(TrigEvalTest, HitDefAttrReadsTheLastHitDefWhileAttacking)
{
    p1->hitDef.attr = HITATTR_S | HITATTR_NA;
    struct Case {
        int moveType, active;
        const char *text;
        int value;
    } cases[] = {
        {MOVETYPE_A, 1, "hitdefattr = S, NA", 1},
        // A hitonce attack that hit, or one a reversal caught, is no longer
        // active, but the attack state goes on.
        {MOVETYPE_A, 0, "hitdefattr = S, NA", 1},
        {MOVETYPE_A, 0, "hitdefattr != S, NA", 0},
        {MOVETYPE_A, 0, "hitdefattr = C, NA", 0},
        {MOVETYPE_A, 0, "hitdefattr = SCA, SA", 0},
        {MOVETYPE_I, 1, "hitdefattr = S, NA", 0},
    };
    for (const Case &c : cases) {
        p1->state.moveType = c.moveType;
        p1->hitDef.active = c.active;
        Table(p1, {{c.text, 1, (double)c.value}});
    }
}

TEST_F(TrigEvalTest, RedirectsAndTheirWarnings)
{
    struct Case {
        const char *text;
        int value;
        const char *warning;  // the redirect's own warning, or ""
    } cases[] = {
        {"helper(1234), life + 1", 1, "has no helper 1234"},
        {"helper(-3), life + 1", 1, "Illegal helper ID in retargeted trigger"},
        {"target, life + 1", 1, "has no target"},
        {"target(5), life + 1", 1, "has no target with hit ID 5"},
        {"target(-4), life + 1", 1, "Illegal target ID in retargeted trigger"},
        {"parent, life + 1", 1, "has no parent"},
        {"root, life + 1", 1, "has no root"},
        {"helper(2), animelemtime(var(1) + 1) + 1", 1, "has no helper 2"},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        FieldValue v = EvalFor(p1, c.text);
        ASSERT_TRUE(v.ok) << c.text;
        EXPECT_EQ(v.i, c.value) << c.text;
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.text << "\n" << Warnings();
    }
    // helper(-3) then looks for helper 0.
    ClearWarnings();
    EvalFor(p1, "helper(-3), life");
    EXPECT_NE(Warnings().find("has no helper 0"), std::string::npos);

    // A parent that exists is read, and warnings from its triggers name both players.
    P(2)->isHelper = 1;
    P(2)->parent = p1;
    P(2)->parentSlot = p1->slot;
    P(2)->parentId = p1->id;
    P(2)->root = p1;
    p1->life = 321;
    Table(P(2), {{"parent, life", 1, 321}, {"root, id", 1, 56}, {"parentdist x", 2, 120}, {"rootdist y", 2, 0},
                 {"ishelper", 1, 1}});
    ClearWarnings();
    EXPECT_EQ(EvalFor(P(2), "parent, numexplod(-2)").i, 0);
    EXPECT_NE(Warnings().find("Player P1 (56) in state 0:\nin redirected trigger from player P2 (57) in state "
                              "0:\nillegal explod ID for numexplod"),
              std::string::npos)
        << Warnings();
    Table(p1, {{"parentdist x + 1", 1, 1}});
}

TEST_F(TrigEvalTest, ObjectsNotOnTheField)
{
    ClearWarnings();
    Table(p1, {
        {"numproj", 1, 0}, {"numprojid(3)", 1, 0}, {"numexplod", 1, 0}, {"numhelper", 1, 0}, {"numtarget", 1, 0},
        {"projhit = 1", 1, 0}, {"projhit = 0", 1, 1}, {"projguarded7 = 0, > 3", 1, 1}, {"projhittime(0)", 1, -1},
        {"projcanceltime(2)", 1, -1},
    });
    EXPECT_EQ(Warnings(), "");
    struct Case {
        const char *text;
        const char *warning;
    } cases[] = {
        {"numprojid(-1)", "Negative projID specified."},
        {"projcontacttime(-1)", "Negative projectile ID specified."},
        {"numexplod(-2)", "illegal explod ID for numexplod"},
        {"numtarget(-2)", "illegal target ID for numtarget"},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        EvalFor(p1, c.text);
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.text;
    }
}

class TeamTrigTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(4);
    }
    void Expect(Player *who, const char *text, int value, const char *warning = "")
    {
        ClearWarnings();
        FieldValue v = EvalFor(who, text);
        ASSERT_TRUE(v.ok) << text << ": " << gv->errorText;
        EXPECT_EQ(v.i, value) << text;
        if (*warning)
            EXPECT_NE(Warnings().find(warning), std::string::npos) << text << "\n" << Warnings();
        else
            EXPECT_EQ(Warnings(), "") << text;
    }
};

TEST_F(TeamTrigTest, PartnersEnemiesAndTheirRedirects)
{
    // Side 1: P1 at 100, P3 at 60; side 2: P2 at 220, P4 at 260.
    Expect(p1, "numpartner", 1);
    Expect(p1, "numenemy", 2);
    Expect(p1, "partner, id", 58);
    Expect(p1, "partner(1), id + 1", 1, "has no 1-th partner");
    Expect(p1, "partner(-1), id", 58, "Illegal partner number in retargeted trigger");
    Expect(p1, "enemy, id", 57);
    Expect(p1, "enemy(1), id", 59);
    Expect(p1, "enemy(2), id + 1", 1, "has no 2-th enemy");
    Expect(p1, "enemy(-5), id", 57, "Illegal enemy number in retargeted trigger");
    Expect(p1, "enemynear, id", 57);
    Expect(p1, "enemynear(1), id", 59);
    Expect(P(3), "enemynear, id", 57);
    Expect(p1, "enemynear(2), id + 1", 1, "has no 2-th nearest enemy");
    Expect(p1, "playerid(59), life", 1000);
    Expect(p1, "playerid(99), life + 1", 1, "tried to access non-existent player with ID 99");
    Expect(p1, "playerid(-1), life + 1", 1, "Illegal player number in retargeted trigger");
    Expect(p1, "playeridexist(58) + playeridexist(60)", 1);
    Expect(p1, "p3name = \"P3\"", 1);
    Expect(P(2), "p3name = \"p4\"", 1);
    Expect(p1, "p2name = \"P2\" && p4name = \"P4\"", 1);
    // The opponent is neither of the pair: the farther one is the second enemy.
    p1->opponent = P(3);
    Expect(p1, "p4name = \"P4\"", 1);
    p1->opponent = P(4);
    Expect(p1, "p4name = \"P2\"", 1);

    // Nearer by distance, the second slot on a tie; farther, the first on a tie.
    P(4)->posX = 140;
    Expect(p1, "enemynear, id", 59);
    Expect(p1, "enemynear(1), id", 57);
    P(4)->posX = -20;  // as far as P2
    Expect(p1, "enemynear, id", 59);
    Expect(p1, "enemynear(1), id", 57);
    P(4)->posX = 140;

    // One enemy left on the field: no second nearest.
    PlayerEnableSet(4, 0);
    Expect(p1, "numenemy", 1);
    Expect(p1, "enemynear, id", 57);
    Expect(p1, "enemynear(1), id + 1", 1, "has no 1-th nearest enemy");
    Expect(p1, "playeridexist(59)", 0);
    PlayerEnableSet(4, 1);

    // Helpers count neither as partners nor as enemies; a side of 0 has no enemies.
    P(3)->isHelper = 1;
    Expect(p1, "numpartner", 0);
    Expect(P(2), "numenemy", 1);
    P(3)->isHelper = 0;
    p1->side = 0;
    Expect(p1, "numenemy", 0);
    Expect(p1, "enemynear, id + 1", 1, "has no 0-th nearest enemy");
}

TEST_F(TeamTrigTest, PartnersNeverCountTheOwnRoot)
{
    P(3)->isHelper = 0;
    p1->root = P(3);
    Expect(p1, "numpartner", 0);
    p1->root = nullptr;
    Expect(p1, "numpartner", 1);
}

TEST_F(TeamTrigTest, InGuardDistance)
{
    // P2 at 220 faces left: P1 at 100 is 120 in front of it.
    P(2)->guardDist = 121;
    Expect(p1, "inguarddist", 0);  // not attacking
    P(2)->state.moveType = MOVETYPE_A;
    Expect(p1, "inguarddist", 1);
    P(2)->guardDist = 120;
    Expect(p1, "inguarddist", 0);
    P(4)->state.moveType = MOVETYPE_A;
    P(4)->guardDist = 200;
    Expect(p1, "inguarddist", 1);
    // A partner's attack never counts.
    P(4)->state.moveType = MOVETYPE_I;
    P(3)->state.moveType = MOVETYPE_A;
    P(3)->guardDist = 500;
    P(3)->facing = -1;
    Expect(p1, "inguarddist", 0);
}

TEST_F(TeamTrigTest, OpponentSearch)
{
    EXPECT_EQ(PlayerOpponentFind(p1), P(2));
    EXPECT_EQ(PlayerOpponentFind(P(4)), p1);
    // A lying enemy is skipped from its second tick in state 5150.
    P(2)->state.stateNo = 5150;
    EXPECT_EQ(PlayerOpponentFind(p1), P(2));
    P(2)->state.time = 1;
    EXPECT_EQ(PlayerOpponentFind(p1), P(4));
    // Helpers only when of the player type; a helper looks from its root's side.
    P(4)->isHelper = 1;
    EXPECT_EQ(PlayerOpponentFind(p1), nullptr);
    P(4)->helperTypePlayer = 1;
    EXPECT_EQ(PlayerOpponentFind(p1), P(4));
    P(3)->root = p1;
    P(3)->side = 0;
    EXPECT_EQ(PlayerOpponentFind(P(3)), P(4));
    P(3)->root = nullptr;
    EXPECT_EQ(PlayerOpponentFind(P(3)), nullptr);
    EXPECT_EQ(PlayerFindById(58), P(3));
}

TEST_F(TeamTrigTest, CommandsAsTheStatesReadThem)
{
    PlayerStateSet(p1, 300);
    ClearWarnings();
    PlayerStateRunCurrent(p1);
    EXPECT_EQ(p1->var[10], 0);
    EXPECT_EQ(p1->var[11], 1);
    p1->var[11] = 0;
    // Labels: "FF" 1, "a" 2.
    p1->cmdFlags.active[2] = 1;
    p1->cmdFlags.active[1] = 1;
    PlayerStateRunCurrent(p1);
    EXPECT_EQ(p1->var[10], 1);
    EXPECT_EQ(p1->var[11], 0);
    EXPECT_EQ(Warnings(), "");
}

TEST_F(TeamTrigTest, TargetsByHitId)
{
    PlayerTarget e{};
    e.target = P(2);
    P(2)->getHit.chainId = 5;
    ArrayAdd(p1->targets, &e, 0, 0);
    e.target = P(4);
    P(4)->getHit.chainId = 7;
    ArrayAdd(p1->targets, &e, 0, 0);
    Expect(p1, "numtarget", 2);
    Expect(p1, "numtarget(7)", 1);
    Expect(p1, "numtarget(8)", 0);
    Expect(p1, "numtarget(-2)", 0, "illegal target ID for numtarget");
    Expect(p1, "target, id", 57);
    Expect(p1, "target(7), id", 59);
    Expect(p1, "target(8), id + 1", 1, "has no target with hit ID 8");
    Expect(p1, "target(-3), id", 57, "Illegal target ID in retargeted trigger");
    Expect(P(3), "target, id + 1", 1, "has no target");
    // An attacker's opponent is the nearest of its targets.
    p1->state.moveType = MOVETYPE_A;
    P(2)->posX = 400;
    EXPECT_EQ(PlayerOpponentFind(p1), P(4));
    p1->state.moveType = MOVETYPE_I;
    P(4)->posX = 500;
    EXPECT_EQ(PlayerOpponentFind(p1), P(2));
}

TEST_F(TrigEvalTest, ScreenPositionsAndEdgeDistances)
{
    gv->cameraX = 30.5f;
    gv->cameraXi = 30;
    gv->cameraY = -4;
    gv->stageZOffset = 200;
    gv->stageScreenLeft = 15;
    gv->stageScreenRight = 25;  // edges 45 and 325 at scale 1
    p1->posX = 100;
    p1->posY = -10;
    p1->widthEdgeFront = 5;
    p1->widthEdgeBack = 6;
    Table(p1, {{"screenpos x", 2, 69.5}, {"screenpos y", 2, 194}, {"frontedgedist", 1, 225},
               {"backedgedist", 1, 55}, {"frontedgebodydist", 1, 220}, {"backedgebodydist", 1, 49}});
    // A perspective scale of 0 or less counts as 1.
    const float scales[] = {0.0f, -0.5f};
    for (float s : scales) {
        p1->zScale = s;
        Table(p1, {{"frontedgedist", 1, 225}, {"backedgedist", 1, 55}});
    }
    p1->zScale = 0.5f;  // edges -100 and 460
    Table(p1, {{"frontedgedist", 1, 360}, {"backedgedist", 1, 200}});
    EXPECT_EQ(p1->screenLeft, -100);
    EXPECT_EQ(p1->screenRight, 460);
}

TEST_F(TrigEvalTest, RoundResults)
{
    struct Case {
        int endKind, winner;
        int win, winko, wintime, lose, loseko, drawgame, winperfect, p2win;
    } cases[] = {
        {ROUND_END_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {ROUND_END_KO, 1, 1, 1, 0, 0, 0, 0, 1, 0},
        {ROUND_END_TIME_OVER, 1, 1, 0, 1, 0, 0, 0, 1, 0},
        {ROUND_END_KO, 2, 0, 0, 0, 1, 1, 0, 0, 1},
        {ROUND_END_DOUBLE_KO, 0, 0, 0, 0, 0, 0, 1, 0, 0},
        {ROUND_END_TIME_OVER, 0, 0, 0, 0, 0, 0, 1, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.endKind * 10 + c.winner);
        gv->round.state = c.endKind ? 3 : 2;
        gv->round.endKind = c.endKind;
        gv->round.winner = c.winner;
        Table(p1, {{"win", 1, (double)c.win}, {"winko", 1, (double)c.winko}, {"wintime", 1, (double)c.wintime},
                   {"lose", 1, (double)c.lose}, {"loseko", 1, (double)c.loseko},
                   {"drawgame", 1, (double)c.drawgame}, {"winperfect", 1, (double)c.winperfect}});
        Table(P(2), {{"win", 1, (double)c.p2win}});
    }
    gv->round.endKind = ROUND_END_KO;
    gv->round.winner = 1;
    p1->life = 999;
    Table(p1, {{"winperfect", 1, 0}, {"win", 1, 1}});
    p1->roundsExisted = 2;
    Table(p1, {{"roundsexisted", 1, 2}, {"ishometeam", 1, 1}});
    gv->side[0].roundsToWin = gv->side[1].roundsToWin = 2;
    gv->round.state = 4;
    Table(p1, {{"matchover", 1, 0}});
    gv->round.wins[0] = 1;
    Table(p1, {{"matchover", 1, 1}});
    Table(P(2), {{"ishometeam", 1, 0}});
    gv->arcadeSide = 1;
    Table(p1, {{"ishometeam", 1, 0}});
    Table(P(2), {{"ishometeam", 1, 1}});
}

TEST_F(TrigEvalTest, TicksPerSecondIsTheGameSpeed)
{
    TimerSpeedSet(60);
    Table(p1, {{"tickspersecond", 1, 60}});
    TimerSpeedSet(75);
    Table(p1, {{"tickspersecond", 1, 75}});
}
