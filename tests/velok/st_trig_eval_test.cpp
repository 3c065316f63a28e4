// Trigger evaluation over a field of fighters: own fields, opponents, animations, get-hit values and redirects.
#include "velok/st-trig.h"

#include <cmath>
#include <string>

#include "lib/anim-lib.h"
#include "lib/libbase.h"
#include "support/fieldkit.h"
#include "velok/gamevars.h"
#include "velok/p-update.h"
#include "velok/player.h"

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
            ScriptValue v = EvalFor(who, c.text);
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
    pl.state.stateNo = 200;
    pl.state.prevStateNo = 20;
    pl.state.time = 13;
    pl.life = 640;
    pl.power = 1500;
    pl.palNo = 2;
    pl.velX = 2.5f;
    pl.velY = -1;
    pl.posY = -30;
    pl.facing = -1;
    pl.consts.xScale = 1.5f;
    pl.consts.attack = 110;
    P(2)->life = 700;
    P(2)->state.stateNo = 5000;
    P(2)->state.stateType = STATETYPE_C;
    P(2)->state.moveType = MOVETYPE_H;
    P(2)->posY = -10;
    Table(&pl, {
        {"time", 1, 13}, {"stateno", 1, 200}, {"prevstateno", 1, 20}, {"life", 1, 640}, {"lifemax", 1, 1000},
        {"power", 1, 1500}, {"powermax", 1, 3000}, {"alive", 1, 1}, {"facing", 1, -1}, {"id", 1, 56},
        {"palno", 1, 3}, {"ctrl", 1, 1}, {"teamside", 1, 1}, {"gametime", 1, 77}, {"timemod = 5, 3", 1, 1},
        {"timemod = 5, 2", 1, 0}, {"vel x", 2, -2.5}, {"vel y", 2, -1}, {"pos x", 2, 100 - 20 - 160},
        {"pos y", 2, -30}, {"const(size.xscale)", 2, 1.5}, {"const(data.attack)", 1, 110},
        {"statetype = S", 1, 1}, {"statetype != A", 1, 1}, {"movetype = I", 1, 1}, {"ishelper", 1, 0},
        {"standby", 1, 0}, {"name = \"TESTER\"", 1, 1}, {"name != \"tester\"", 1, 0},
        // Facing left, the opponent at 220 stands behind.
        {"p2dist x", 2, -120}, {"p2dist y", 2, 20}, {"p2life", 1, 700}, {"p2stateno", 1, 5000},
        {"p2statetype = C", 1, 1}, {"p2statetype != C", 1, 0}, {"p2movetype = H", 1, 1},
        {"p2name = \"p2\"", 1, 1}, {"p2name != \"p2\"", 1, 0},
    });
    pl.facing = 1;
    // Body edges: the opponent faces this player, so its front is near.
    Table(&pl, {{"p2dist x", 2, 120}, {"p2bodydist x", 2, 88}});
    P(2)->facing = 1;
    Table(&pl, {{"p2bodydist x", 2, 220 - 15 - 116}});
    pl.opponent = nullptr;
    Table(&pl, {{"p2life", 1, 0}, {"p2stateno + 1", 1, 1}, {"p2name = \"P2\"", 1, 0}, {"p2dist x + 1", 1, 1}});
    EXPECT_EQ(Warnings(), "");
}

TEST_F(TrigEvalTest, AnimationTriggersFollowTheElements)
{
    PlayerAnimSet(&pl, 10);  // elements of 3, 4 and 5 ticks
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
            AnimObjTick(pl.anim);
            t++;
        }
        SCOPED_TRACE(k.time);
        Table(&pl, {{"anim", 1, 10},
                    {"animelem = 2", 1, (double)k.animelem2},
                    {"animelem = 2, >= 3", 1, (double)k.animelem2ge3},
                    {"animelemtime(2)", 1, (double)k.animelemtime2},
                    {"animelemno(0)", 1, (double)k.animelemno},
                    {"animtime", 1, (double)k.animtime}});
    }
    // Past the last element: undefined, which reads as 0.
    Table(&pl, {{"animelem = 4", 1, 0}, {"animelemtime(4) + 1", 1, 1}, {"animelemtime(0) + 1", 1, 1},
                {"animexist(200)", 1, 1}, {"animexist(201)", 1, 0}, {"selfanimexist(10)", 1, 1}});
    EXPECT_EQ(Warnings(), "");
}

TEST_F(TrigEvalTest, GetHitValues)
{
    PlayerGetHit &g = pl.getHit;
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
    pl.state.hitPauseTime = 5;
    pl.facing = -1;
    Table(&pl, {
        {"gethitvar(damage)", 1, 45}, {"gethitvar(fall.yvel)", 2, -4.5}, {"gethitvar(chainid)", 1, 7},
        {"gethitvar(fall.envshake.freq)", 2, 60.5}, {"gethitvar(fall.envshake.ampl)", 1, -4},
        {"gethitvar(fall)", 1, 1}, {"hitfall", 1, 1}, {"hitshakeover", 1, 1}, {"hitover", 1, 1},
        {"canrecover", 1, 1}, {"hitvel x", 2, -3}, {"hitvel y", 2, -2}, {"hitpausetime", 1, 5},
    });
    g.recoverCount = 3;
    g.hitShakeTime = 1;
    g.hitTime = 0;
    Table(&pl, {{"canrecover", 1, 0}, {"hitshakeover", 1, 0}, {"hitover", 1, 0}});
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
        pl.state.moveContact = c.kind;
        pl.state.moveContactTicks = 4;
        Table(&pl, {{"movehit", 1, (double)c.hit}, {"moveguarded", 1, (double)c.guarded},
                    {"movecontact", 1, (double)c.contact}, {"movereversed", 1, (double)c.reversed}});
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
        ScriptValue v = EvalFor(&pl, c.text);
        ASSERT_TRUE(v.ok) << c.text;
        EXPECT_EQ(v.i, c.value) << c.text;
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.text << "\n" << Warnings();
    }
    // helper(-3) then looks for helper 0.
    ClearWarnings();
    EvalFor(&pl, "helper(-3), life");
    EXPECT_NE(Warnings().find("has no helper 0"), std::string::npos);

    // A parent that exists is read, and warnings from its triggers name both players.
    P(2)->isHelper = 1;
    P(2)->parent = &pl;
    P(2)->root = &pl;
    pl.life = 321;
    Table(P(2), {{"parent, life", 1, 321}, {"root, id", 1, 56}, {"parentdist x", 2, 120}, {"rootdist y", 2, 0},
                 {"ishelper", 1, 1}});
    ClearWarnings();
    EXPECT_EQ(EvalFor(P(2), "parent, numexplod(-2)").i, 0);
    EXPECT_NE(Warnings().find("Player Tester (56) in state 0:\nin redirected trigger from player P2 (57) in state "
                              "0:\nillegal explod ID for numexplod"),
              std::string::npos)
        << Warnings();
    Table(&pl, {{"parentdist x + 1", 1, 1}});
}

TEST_F(TrigEvalTest, ObjectsNotOnTheField)
{
    ClearWarnings();
    Table(&pl, {
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
        EvalFor(&pl, c.text);
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.text;
    }
}
