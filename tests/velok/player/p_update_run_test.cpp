#include "velok/player/p-update.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "support/fieldkit.h"
#include "support/movekit.h"
#include "support/testkit.h"
#include "velok/player/chardef.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/state-i.h"
#include "velok/script/statedef.h"

namespace {

// One or two fighters of the movement kit's character (see the field kit).
class MoveTest : public FieldTest {
protected:
    void Field(int players, const CharKit &kit = MoveKitChar())
    {
        FieldTest::Field(players, kit);
        count = players;
    }

    // The game tick's order: every input step, then every state run.
    void Tick(int n = 1)
    {
        for (int i = 0; i < n; i++) {
            for (int s = 1; s <= count; s++)
                PlayerInputUpdate(P(s));
            for (int s = 1; s <= count; s++)
                PlayerStateRun(P(s));
            gv->gameTick++;
        }
    }
    static void Press(Player *p, int button) { KeyBufPush(&p->keyBuf, button); }
    // Two players, player 1 holding player 2 as its target, bound 40 pixels
    // ahead for the ticks given; the tick that places it has run.
    void HeldTarget(int bindTime)
    {
        Field(2);
        Player *p = P(1), *q = P(2);
        Tick();
        PlayerTarget t{};
        t.target = q;
        t.bindX = 40.0f;
        t.bindTime = bindTime;
        ASSERT_GE(ArrayAdd(p->targets, &t, q->id, 0), 0);
        q->state.moveType = MOVETYPE_H;
        Tick();
        ASSERT_EQ(q->posX, 140.0f);
    }
    static void Release(Player *p, int button) { KeyBufPush(&p->keyBuf, button | KEYBUF_RELEASE); }

    int count = 0;
};

TEST_F(MoveTest, WalkingAndFrictionStopBelowOne)
{
    Field(1);
    Player *p = P(1);
    Press(p, KEYBUF_FWD);
    Tick();
    EXPECT_EQ(p->state.stateNo, 20);
    EXPECT_FLOAT_EQ(p->posX, 102.4f);
    Tick();
    EXPECT_FLOAT_EQ(p->posX, 104.8f);

    // Let go: back to standing, and the standing friction slows the player
    // until a velocity below 1 stops it at once.
    Release(p, KEYBUF_FWD);
    float x = p->posX, v = 2.4f * 0.85f;
    int moving = 0;
    for (int i = 0; i < 10; i++) {
        Tick();
        EXPECT_EQ(p->state.stateNo, 0);
        x += v;
        v *= 0.85f;
        if (fabsf(v) < 1.0f)
            v = 0.0f;
        EXPECT_FLOAT_EQ(p->posX, x) << i;
        EXPECT_FLOAT_EQ(p->velX, v) << i;
        moving += v != 0.0f;
    }
    EXPECT_EQ(moving, 4);  // 1.734, 1.474, 1.253, 1.065; then 0.905 stops

    // Forward and back together: no walk, and a walk in progress ends.
    Press(p, KEYBUF_FWD);
    Tick();
    EXPECT_EQ(p->state.stateNo, 20);
    Press(p, KEYBUF_BACK);
    Tick();
    EXPECT_EQ(p->state.stateNo, 0);
    Tick(3);
    EXPECT_EQ(p->state.stateNo, 0);

    // AssertSpecial nowalk keeps the player standing.
    Release(p, KEYBUF_BACK);
    Tick();
    PlayerStateSet(p, 0);
    p->assertFlags[ASSERT_NOWALK] = 1;
    PlayerInputUpdate(p);
    EXPECT_EQ(p->state.stateNo, 0);
}

TEST_F(MoveTest, CrouchingAndStandingUp)
{
    Field(1);
    Player *p = P(1);
    p->velX = 3.0f;
    Press(p, KEYBUF_DOWN);
    Tick();
    EXPECT_EQ(p->state.stateNo, 10);
    EXPECT_EQ(p->velX, 0.0f);
    EXPECT_EQ(p->state.stateType, STATETYPE_C);
    Tick(2);
    EXPECT_EQ(p->state.stateNo, 11);
    Tick(3);
    EXPECT_EQ(p->state.stateNo, 11);  // down held: stays crouched
    Release(p, KEYBUF_DOWN);
    Tick();
    EXPECT_EQ(p->state.stateNo, 12);
    Tick(2);
    EXPECT_EQ(p->state.stateNo, 0);
}

TEST_F(MoveTest, JumpAirJumpAndLandingInto52)
{
    Field(1);
    Player *p = P(1);
    Press(p, KEYBUF_UP);
    Tick();
    EXPECT_EQ(p->state.stateNo, 40);
    EXPECT_EQ(p->airJumps, 1);  // airjump.num on entry to 40
    Release(p, KEYBUF_UP);
    Tick(2);
    ASSERT_EQ(p->state.stateNo, 50);
    EXPECT_FLOAT_EQ(p->posY, -8.4f);
    EXPECT_FLOAT_EQ(p->velY, -8.4f + 0.44f);

    // Too low for an air jump: -y must pass airjump.height (35).
    Press(p, KEYBUF_UP);
    Tick();
    EXPECT_EQ(p->state.stateNo, 50);
    EXPECT_EQ(p->airJumps, 1);
    Release(p, KEYBUF_UP);
    while (-p->posY <= 35.0f)
        Tick();
    Press(p, KEYBUF_UP);
    Tick();
    EXPECT_EQ(p->state.stateNo, 50);  // 45 sets the velocity and goes back to 50 in the same tick
    EXPECT_EQ(p->airJumps, 0);
    EXPECT_FLOAT_EQ(p->velY, -8.1f + 0.44f);
    Release(p, KEYBUF_UP);
    Tick();
    float vy = p->velY;
    Press(p, KEYBUF_UP);  // no air jumps left
    Tick();
    EXPECT_FLOAT_EQ(p->velY, vy + 0.44f);

    // Falling: the tick whose motion reaches the ground enters 52 and runs it.
    int guard = 0;
    while (p->state.stateNo == 50 && guard++ < 200) {
        float y = p->posY + p->velY, v = p->velY + 0.44f;
        Tick();
        if (!(v > 0.0f && y >= 0.0f)) {
            EXPECT_EQ(p->state.stateNo, 50);
        }
    }
    ASSERT_EQ(p->state.stateNo, 52);
    EXPECT_EQ(p->var[10], 1);  // ran once, in the landing tick
    EXPECT_EQ(p->posY, 0.0f);
    EXPECT_EQ(p->velY, 0.0f);
    EXPECT_EQ(p->state.time, 1);
    EXPECT_EQ(p->state.stateType, STATETYPE_S);
    Tick(3);
    EXPECT_EQ(p->state.stateNo, 0);
    EXPECT_EQ(p->state.ctrl, 1);
}

TEST_F(MoveTest, GuardingByDistanceAndBothDirections)
{
    Field(2);
    Player *p = P(1), *q = P(2);
    Tick();  // both enter state 0, whose header makes them idle
    q->state.moveType = MOVETYPE_A;
    q->guardDist = 100;  // player 1 stands 120 away

    Press(p, KEYBUF_BACK);
    Tick();
    EXPECT_EQ(p->guarding, 1);        // flagged by the attack...
    EXPECT_EQ(p->state.stateNo, 20);  // ...but out of reach: walking back
    Release(p, KEYBUF_BACK);
    Tick();
    PlayerStateSet(p, 0);
    p->posX = 100.0f;
    p->velX = 2.0f;

    q->guardDist = 160;
    Press(p, KEYBUF_BACK);
    Press(p, KEYBUF_FWD);
    Tick();
    EXPECT_EQ(p->state.stateNo, 0);  // forward and back: no guard either
    Release(p, KEYBUF_FWD);
    Tick();
    EXPECT_EQ(p->state.stateNo, 120);
    EXPECT_EQ(p->velX, 0.0f);
    EXPECT_EQ(p->guarding, 1);
    Tick();
    EXPECT_EQ(p->state.stateNo, 130);
    EXPECT_EQ(p->guarding, 1);

    // The attack ends: 130 hands over to 140, which runs its 4-tick action out.
    Release(p, KEYBUF_BACK);
    q->state.moveType = MOVETYPE_I;
    Tick();
    EXPECT_EQ(p->state.stateNo, 140);
    int ticks = 1;
    while (p->state.stateNo == 140 && ticks < 20) {
        Tick();
        ticks++;
    }
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(p->state.stateNo, 0);

    // up held, or nostandguard: no guard.
    q->state.moveType = MOVETYPE_A;
    p->assertFlags[ASSERT_NOSTANDGUARD] = 1;
    PlayerInputUpdate(p);
    EXPECT_NE(p->state.stateNo, 120);
}

TEST_F(MoveTest, AProjectileInFlightRaisesTheGuard)
{
    Field(2);
    Player *p = P(1), *q = P(2);
    Tick();
    // An idle opponent whose projectile, facing left, covers 100 pixels.
    Projectile t{};
    t.state = PROJ_STATE_FLYING;
    t.facing = -1;
    t.x = 150.0f;
    t.removeTime = -1;
    t.hitDef.active = 1;
    t.hitDef.guardDist = 100;
    ASSERT_GE(ProjListAdd(q, q->projList, &t, 0), 0);
    Press(p, KEYBUF_BACK);
    Tick();
    EXPECT_EQ(p->guarding, 1);
    EXPECT_EQ(p->state.stateNo, 120);
}

TEST_F(MoveTest, GuardEndWithEndlessActionLeavesAtOnce)
{
    Field(1);
    Player *p = P(1);
    p->var[11] = 1;  // 140 keeps the endless action 0
    PlayerStateSet(p, 140);
    Tick();
    EXPECT_EQ(p->state.stateNo, 0);
    EXPECT_EQ(p->state.ctrl, 1);

    // In the air it goes to 51, warned when missing, and the number is kept.
    PlayerStateSet(p, 140);
    p->state.stateType = STATETYPE_A;
    p->state.physics = PHYSICS_N;
    TextBufClear(gv->warnLog);
    Tick();
    EXPECT_EQ(p->state.stateNo, 51);
    EXPECT_NE(Warnings().find("changed to invalid state 51 (from state 140)"), std::string::npos);
}

TEST_F(MoveTest, LifeKoNokoAndPendingDamage)
{
    Field(1);
    Player *p = P(1);
    Tick();
    // Pending damage is taken from life in the next state run.
    p->state.moveType = MOVETYPE_H;
    p->pendingDamage = 300;
    Tick();
    EXPECT_EQ(p->life, 700);
    EXPECT_EQ(p->pendingDamage, 0);

    // noko: alive at 0 life.
    p->state.moveType = MOVETYPE_I;
    p->life = 0;
    gv->specialFlags[GAME_SPECIAL_NOKO] = 1;
    Tick(3);
    EXPECT_EQ(p->alive, 1);
    EXPECT_EQ(p->life, 0);

    gv->specialFlags[GAME_SPECIAL_NOKO] = 0;
    Tick();
    EXPECT_EQ(p->alive, 0);
    EXPECT_EQ(p->state.ctrl, 0);
    EXPECT_EQ(p->state.stateNo, 5030);
    EXPECT_FLOAT_EQ(p->getHit.xVel, -2.8f);
    EXPECT_FLOAT_EQ(p->getHit.yVel, -3.5f);
    EXPECT_EQ(p->getHit.fall, 1);
    EXPECT_EQ(p->koTicks, 1);
    Tick(19);
    EXPECT_EQ(p->koTicks, 20);

    // A KO by pending damage while being hit keeps the hit state.
    Field(1);
    p = P(1);
    PlayerStateSet(p, 5000);
    p->state.moveType = MOVETYPE_H;
    p->pendingDamage = 5000;
    Tick();
    EXPECT_EQ(p->life, 0);
    EXPECT_EQ(p->alive, 0);
    EXPECT_EQ(p->state.stateNo, 5000);
}

TEST_F(MoveTest, LyingTimeShortenedByKeyMashing)
{
    Field(1);
    Player *p = P(1);
    auto lie = [&](bool mash) {
        PlayerStateSet(p, 5110);
        p->state.stateType = STATETYPE_L;
        p->state.moveType = MOVETYPE_H;
        p->state.physics = PHYSICS_N;
        p->getHit.lieTime = 60;
        int ticks = 0;
        while (p->state.stateNo == 5110 && ticks < 100) {
            if (mash && ticks % 2)
                Release(p, KEYBUF_A);
            else if (mash)
                Press(p, KEYBUF_A);
            Tick();
            ticks++;
        }
        EXPECT_EQ(p->state.stateNo, 5120);
        EXPECT_EQ(p->getHit.lieTime, 60);  // back to liedown.time for the next fall
        return ticks;
    };
    EXPECT_EQ(lie(false), 60);  // counts 60 down, leaves on the tick it reaches 0
    // Each event: x 0.75 then the tick's count: 60 -> 44 -> 32 -> 23 -> 16 -> 11 -> 7 -> 4 -> 2 -> 0.
    EXPECT_EQ(lie(true), 9);

    // A fallen player that is not lying yet: x 0.9 per event.
    PlayerStateSet(p, 5050);
    p->state.stateType = STATETYPE_A;
    p->state.moveType = MOVETYPE_H;
    p->state.physics = PHYSICS_N;
    p->getHit.fallCount = 1;
    p->getHit.lieTime = 60;
    Press(p, KEYBUF_A + 1);
    PlayerInputUpdate(p);
    EXPECT_EQ(p->getHit.lieTime, 54);
}

TEST_F(MoveTest, StuckLandingStopsWithTheLoopFatal)
{
    CharKit kit = MoveKitChar();
    size_t at = kit.common.find("[Statedef 52]");
    ASSERT_NE(at, std::string::npos);
    kit.common.replace(at, 13, "[Statedef 952]");
    Field(1, kit);
    Player *p = P(1);
    PlayerStateSet(p, 50);
    p->posY = -1.0f;
    p->velY = 2.0f;
    EXPECT_EXIT(Tick(), testing::ExitedWithCode(1),
                "State machine stuck in loop \\(stopped after 2500 loops\\): 52 for P1\n");
}

TEST_F(MoveTest, StageAndScreenBounds)
{
    Field(1);
    Player *p = P(1);
    struct Case {
        int stateType;
        float x, want;
    } cases[] = {
        {STATETYPE_S, 0.0f, 30.0f},    // 15 margin + 15 ground.back
        {STATETYPE_A, 0.0f, 28.0f},    // 12 air.back + 1 in the air
        {STATETYPE_L, 0.0f, 32.0f},    // + 2 lying
        {STATETYPE_S, 400.0f, 289.0f},  // 305 - 16 ground.front
        {STATETYPE_S, 150.0f, 150.0f},
    };
    for (const Case &c : cases) {
        p->state.stateType = c.stateType;
        p->posX = c.x;
        PlayerScreenBound(p);
        EXPECT_FLOAT_EQ(p->posX, c.want) << c.stateType << " " << c.x;
    }
    EXPECT_EQ(p->screenLeft, 15);
    EXPECT_EQ(p->screenRight, 305);

    // At a perspective scale of 1.1 the left edge is (15 - 160) / 1.1 + 160
    // truncated whole, 28, as the edge-distance triggers see it.
    p->zScale = 1.1f;
    p->posX = 0.0f;
    PlayerScreenBound(p);
    EXPECT_EQ(p->screenLeft, 28);
    EXPECT_FLOAT_EQ(p->posX, 43.0f);

    // A Width edge at the int's end added to a body as wide keeps the player
    // that far from the right edge: the width saturates, the sum is wide.
    p->zScale = 1.0f;
    p->state.stateType = STATETYPE_S;
    p->consts.groundFront = INT_MAX;
    p->widthEdgeFront = INT_MAX;
    p->posX = 150.0f;
    PlayerScreenBound(p);
    EXPECT_FLOAT_EQ(p->posX, (float)(305LL - INT_MAX));
    p->consts.groundFront = 16;
    p->widthEdgeFront = 0;

    // A scale of 0 or less at this depth skips the screen bound.
    p->zScale = 0.0f;
    p->posX = 0.0f;
    PlayerScreenBound(p);
    EXPECT_EQ(p->posX, 0.0f);

    // The stage bounds clamp x and z.
    gv->stageZTop = -10.0f;
    gv->stageZBottom = 10.0f;
    p->posX = -500.0f;
    p->posZ = 40.0f;
    PlayerStageBound(p);
    EXPECT_EQ(p->posX, -300.0f);
    EXPECT_EQ(p->posZ, 10.0f);
    p->posX = 900.0f;
    p->posZ = -40.0f;
    PlayerStageBound(p);
    EXPECT_EQ(p->posX, 620.0f);
    EXPECT_EQ(p->posZ, -10.0f);

    // A walk into the screen edge stops there in the tick's run.
    gv->stageZTop = gv->stageZBottom = 0.0f;
    p->posZ = 0.0f;
    p->state.stateType = STATETYPE_S;
    p->posX = 287.0f;
    Press(p, KEYBUF_FWD);
    Tick();
    EXPECT_EQ(p->state.stateNo, 20);
    EXPECT_EQ(p->posX, 289.0f);
}

TEST_F(MoveTest, PerspectiveScale)
{
    Field(1);
    Player *p = P(1);
    gv->stageScaleTop = 0.8f;
    gv->stageScaleBottom = 1.2f;
    gv->stageScaleZTop = 0.0f;
    gv->stageScaleZBottom = 99.0f;
    p->posX = 160.0f;
    p->posZ = 50.0f;
    PlayerZScaleUpdate(p);
    EXPECT_FLOAT_EQ(p->zScale, 1.0f);
    EXPECT_FLOAT_EQ(p->screenX, 160.0f);
    EXPECT_FLOAT_EQ(p->screenY, 50.0f);
    p->posZ = 0.0f;
    PlayerZScaleUpdate(p);
    EXPECT_FLOAT_EQ(p->zScale, 0.8f);

    // Bottom one above top: no depth to spread over, so the top scale.
    gv->stageScaleZBottom = -1.0f;
    p->posZ = 5.0f;
    PlayerZScaleUpdate(p);
    EXPECT_FLOAT_EQ(p->zScale, 0.8f);
}

TEST_F(MoveTest, BindToFollowsBySlotAndIdAndEnds)
{
    Field(2);
    Player *p = P(1), *q = P(2);
    PlayerBindTo &b = q->bindTo;
    b.time = 2;
    b.slot = 1;
    b.id = p->id;
    b.useX = b.useY = 1;
    b.offX = 30.0f;
    b.offY = -10.0f;
    b.facingRule = -1;
    PlayerUpdateBindTo(q);
    EXPECT_EQ(q->posX, 130.0f);
    EXPECT_EQ(q->posY, -10.0f);
    EXPECT_EQ(q->facing, -1);
    EXPECT_EQ(b.time, 1);
    PlayerUpdateBindTo(q);
    PlayerUpdateBindTo(q);  // time 0: nothing
    EXPECT_EQ(b.time, 0);

    // A bound-to player that is gone, or a slot now holding another player, ends the binding.
    b.time = -1;
    p->id += 100;
    q->posX = 0.0f;
    PlayerUpdateBindTo(q);
    EXPECT_EQ(b.time, 0);
    EXPECT_EQ(q->posX, 0.0f);

    b.time = 5;
    b.slot = 0;
    EXPECT_EXIT(PlayerUpdateBindTo(q), testing::ExitedWithCode(1), "tfacing NULL in PlayerUpdateBindTo");
}

TEST_F(MoveTest, BoundTargetsAndHitPause)
{
    ASSERT_NO_FATAL_FAILURE(HeldTarget(2));
    Player *p = P(1), *q = P(2);
    EXPECT_EQ(q->boundBySlot, 1);
    q->velX = 7.0f;
    P(1)->velX = 0.0f;
    Tick();
    EXPECT_EQ(q->posX, 140.0f);       // placed again, with the holder's velocity
    EXPECT_EQ(q->boundBySlot, 1);  // the holder's last run still saw a bind time
    Tick();
    EXPECT_EQ(q->boundBySlot, 0);

    // Hit pause holds the state's controllers (state 0 counts var(0)) and the motion.
    int counted = p->var[0];
    p->pendingHitPause = 3;
    p->velX = 5.0f;
    float x = p->posX;
    Tick(2);
    EXPECT_EQ(p->var[0], counted);
    EXPECT_EQ(p->posX, x);
    Tick(2);
    EXPECT_GT(p->var[0], counted);
}

TEST_F(MoveTest, KnockOutReleasesTargetsAndDroppedEntriesHoldNothing)
{
    ASSERT_NO_FATAL_FAILURE(HeldTarget(10));
    Player *p = P(1), *q = P(2);
    // The KO drops the held target: bound at the last run, it falls into 5050,
    // and the dropped entry no longer places it.
    p->life = 0;
    q->posX = 300.0f;
    Tick();
    EXPECT_EQ(p->alive, 0);
    EXPECT_EQ(p->targets->used, 0);
    EXPECT_EQ(q->state.stateNo, 5050);
    EXPECT_NE(q->posX, 140.0f);
    Tick();
    EXPECT_EQ(q->boundBySlot, 0);
}

TEST_F(MoveTest, ButtonsMoveTheRoundPresentationOn)
{
    Field(1);
    Player *p = P(1);
    RoundVars &r = gv->round;
    gv->roundTime = 50;
    struct Case {
        int state, tick, introCounter, number, doubleRes, button, wantSkip, wantStep;
    } cases[] = {
        {1, 0, 10, 1, 0, KEYBUF_A, 1, 10},
        {1, 0, 10, 2, 0, KEYBUF_A, 1, 20},      // doubled from the second round
        {1, 0, 10, 1, 4, KEYBUF_A + 5, 1, 20},  // double resolution
        {0, 3, 10, 1, 0, KEYBUF_A, 1, 10},      // state 0 once past tick 2
        {0, 2, 10, 1, 0, KEYBUF_A, 0, 0},
        {1, 0, 53, 1, 0, KEYBUF_A, 0, 0},       // past round.time + 2
        {1, 0, 10, 1, 0, KEYBUF_UP, 0, 0},      // not an attack button
        {1, 0, 10, 1, 0, KEYBUF_START, 0, 0},
    };
    for (const Case &c : cases) {
        r = RoundVars{};
        r.state = c.state;
        r.tick = c.tick;
        r.introCounter = c.introCounter;
        r.number = c.number;
        gv->cfg.video.doubleRes = c.doubleRes;
        gv->shutterOn = gv->shutterStep = 0;
        gv->shutterHeight = 99;
        Press(p, c.button);
        PlayerInputUpdate(p);
        Release(p, c.button);
        PlayerInputUpdate(p);  // a release skips nothing
        EXPECT_EQ(r.skipIntro, c.wantSkip) << c.state << " " << c.tick << " " << c.introCounter;
        EXPECT_EQ(gv->shutterStep, c.wantStep);
        if (c.wantSkip) {
            EXPECT_EQ(gv->shutterHeight, 0);
        }
    }

    // Win poses: the tick jumps to 17 before the end and the round may end.
    r = RoundVars{};
    r.state = 4;
    r.tick = 40;
    r.endTick = 100;
    gv->overWinTime = 30;
    Press(p, KEYBUF_A);
    PlayerInputUpdate(p);
    EXPECT_EQ(r.tick, 83);
    EXPECT_EQ(r.skipEnd, 1);
    r.skipEnd = 0;
    Press(p, KEYBUF_A + 1);
    PlayerInputUpdate(p);  // already there
    EXPECT_EQ(r.skipEnd, 0);

    // The win screen's hold phase ends; an AI player skips nothing.
    gv->gameLoopMode = GAMELOOP_WIN_SCREEN;
    r.scenePhase = 1;
    r.sceneCounter = 12;
    p->aiControlled = 1;
    Press(p, KEYBUF_A);
    PlayerInputUpdate(p);
    EXPECT_EQ(r.scenePhase, 1);
    p->aiControlled = 0;
    Press(p, KEYBUF_A);
    PlayerInputUpdate(p);
    EXPECT_EQ(r.scenePhase, 2);
    EXPECT_EQ(r.sceneCounter, 0);
}

TEST_F(MoveTest, CommandsShownOnlyAndInputTakenAway)
{
    Field(1);
    Player *p = P(1);
    Tick();
    // Commands count down each tick, but not below 2 in the last
    // endcmdbuftime ticks of a pause that holds the player still.
    p->cmdFlags.active[3] = 4;
    gv->activePause = 0;
    gv->pause[0].time = 5;
    gv->pause[0].endCmdBufTime = 10;
    Tick(4);
    EXPECT_EQ(p->cmdFlags.active[3], 2);
    p->pauseMoveTime[0] = 3;  // this player may move in it
    Tick();
    EXPECT_EQ(p->cmdFlags.active[3], 1);
    gv->activePause = -1;

    // Hit pause holds the commands where they are.
    p->cmdFlags.active[3] = 4;
    p->state.hitPauseTime = 3;
    PlayerInputUpdate(p);
    EXPECT_EQ(p->cmdFlags.active[3], 4);
    EXPECT_EQ(p->cmdBuf.inputHold, 1);
    p->state.hitPauseTime = 0;
    PlayerInputUpdate(p);
    EXPECT_EQ(p->cmdBuf.inputHold, 0);

    // The round flow took the input away: no command stays active and no move starts.
    p->noInput = 1;
    Press(p, KEYBUF_FWD);
    PlayerInputUpdate(p);
    EXPECT_EQ(p->cmdFlags.active[3], 0);
    EXPECT_EQ(p->state.stateNo, 0);
    p->noInput = 0;
    Release(p, KEYBUF_FWD);
    PlayerInputUpdate(p);

    // Shown only: the held buttons are dropped and no move is made.
    p->shownOnly = 1;
    Press(p, KEYBUF_DOWN);
    PlayerInputUpdate(p);
    EXPECT_EQ(p->keyBuf.held[KEYBUF_DOWN], 0);
    EXPECT_EQ(p->state.stateNo, 0);
    EXPECT_EQ(p->rereadKeys, 1);
    p->shownOnly = 0;
    PlayerInputUpdate(p);
    EXPECT_EQ(p->rereadKeys, 0);

    // A helper of an AI-driven root takes the root's whole command buffer,
    // keeping its own input hold.
    Player *h = PlayerNew(cd);
    ASSERT_NE(h, nullptr);
    h->isHelper = 1;
    h->root = p;
    p->aiControlled = 1;
    p->cmdBuf.words[5] = 0x1234;
    p->cmdBuf.write = 6;
    p->cmdBuf.inputHold = 1;
    h->state.hitPauseTime = 2;
    PlayerInputUpdate(h);
    EXPECT_EQ(h->cmdBuf.words[5], 0x1234);
    EXPECT_EQ(h->cmdBuf.write, 6);
    EXPECT_EQ(h->cmdBuf.inputHold, 1);
    h->state.hitPauseTime = 0;
    p->cmdBuf.inputHold = 0;
    h->cmdBuf.inputHold = 1;
    h->runFlag = 0;
    PlayerInputUpdate(h);
    EXPECT_EQ(h->cmdBuf.inputHold, 1);  // cleared only on a tick the slot runs
    h->runFlag = 1;
    PlayerInputUpdate(h);
    EXPECT_EQ(h->cmdBuf.inputHold, 0);
    PlayerFree(h);
    p->aiControlled = 0;

    // A frozen player takes no step at all.
    p->frozen = 1;
    Press(p, KEYBUF_DOWN);
    PlayerInputUpdate(p);
    PlayerStateRun(p);
    EXPECT_EQ(p->state.stateNo, 0);
}

TEST_F(MoveTest, RulesAfterTheStates)
{
    Field(2);
    Player *p = P(1);
    Tick();
    // Hit-by masks come back once their time runs out; -1 never ends.
    p->getHit.hitByMask[0] = 7;
    p->getHit.hitByTime[0] = 2;
    p->getHit.hitByMask[1] = 5;
    p->getHit.hitByTime[1] = -1;
    Tick(2);
    EXPECT_EQ(p->getHit.hitByMask[0], 7);
    Tick();
    EXPECT_EQ(p->getHit.hitByMask[0], 4095);
    EXPECT_EQ(p->getHit.hitByMask[1], 5);

    // Falls raise the defence by fall.defence_up (50: x 100/150) and count.
    PlayerStateSet(p, 5070);
    p->state.moveType = MOVETYPE_H;
    p->state.physics = PHYSICS_N;
    float def = p->defenceMul;
    Tick();
    EXPECT_FLOAT_EQ(p->defenceMul, def * (100.0f / 150.0f));
    EXPECT_EQ(p->getHit.fallCount, 1);
    // 5100 halves the lying time of a second fall, and late in it nothing hits.
    p->getHit.lieTime = 30;
    PlayerStateSet(p, 5100);
    Tick();
    EXPECT_EQ(p->getHit.lieTime, 15);
    EXPECT_EQ(p->getHit.fallCount, 2);
    EXPECT_EQ(p->getHit.hitByMask[0], 4095);
    p->getHit.lieTime = 10;
    Tick();
    EXPECT_EQ(p->getHit.hitByMask[0], 0);
    EXPECT_EQ(p->getHit.hitByTime[0], -1);
    // Leaving the get-hit states resets the defence and the lying time.
    PlayerStateSet(p, 0);
    p->state.moveType = MOVETYPE_I;
    Tick();
    EXPECT_FLOAT_EQ(p->defenceMul, 1.0f);
    EXPECT_EQ(p->getHit.lieTime, 60);
    EXPECT_EQ(p->getHit.fallCount, 0);

    // Game type 1: a body lying in 5150 blinks out.
    gv->cfg.rules.gameType = CFG_GAMETYPE_MIXED;
    PlayerStateSet(p, 5150);
    p->state.physics = PHYSICS_N;
    p->alive = 0;
    struct Blink {
        int time, visible;
    } blinks[] = {{59, 1}, {60, 1}, {64, 0}, {90, 1}, {92, 0}, {121, 1}, {122, 0}, {153, 1}, {154, 0}, {180, 0}};
    for (const Blink &b : blinks) {
        p->state.time = b.time;
        Tick();
        EXPECT_EQ(p->visible, b.visible) << b.time;
    }
    gv->cfg.rules.gameType = CFG_GAMETYPE_VS;

    // Training: the body gets up after 90 ticks in 5150; idle players refill.
    gv->matchKind = MATCH_KIND_TRAINING;
    p->state.time = 89;
    p->life = 0;
    Tick();
    EXPECT_EQ(p->state.stateNo, 5150);
    Tick();
    EXPECT_EQ(p->state.stateNo, 5120);
    EXPECT_EQ(p->state.time, 0);
    EXPECT_EQ(p->alive, 1);
    EXPECT_EQ(p->life, 1000);
    PlayerStateSet(p, 0);
    p->state.moveType = MOVETYPE_I;
    p->life = 10;
    p->idleTicks = 0;
    Tick(31);
    EXPECT_EQ(PlayerPowerGet(p), PlayerPowerMaxGet(p));
    EXPECT_EQ(p->life, 10);
    Tick(30);
    EXPECT_EQ(p->life, 1000);
}

TEST_F(MoveTest, KnockedOutBodyWithAPartnerStopsPushing)
{
    Field(1);
    Player *p = P(1);
    gv->players[3] = PlayerNew(cd);  // the partner's slot holds a player
    ASSERT_NE(gv->players[3], nullptr);
    Tick();
    p->life = 0;
    Tick();
    EXPECT_EQ(p->alive, 0);
    EXPECT_EQ(p->playerPush, 0);
    EXPECT_EQ(p->screenBound, 1);
    PlayerStateSet(p, 5150);
    p->state.physics = PHYSICS_N;
    p->state.time = 9;
    Tick();
    EXPECT_EQ(p->screenBound, 1);
    Tick();
    EXPECT_EQ(p->screenBound, 0);
    EXPECT_EQ(p->moveCameraX, 0);
    EXPECT_EQ(p->moveCameraY, 0);
}

TEST_F(MoveTest, RoundOverFreezesLifeAndPowerAndAutoTurn)
{
    Field(2);
    Player *p = P(1), *q = P(2);
    gv->overTime = 20;
    gv->round.state = 3;
    gv->round.tick = 20;
    PlayerLifeSet(p, 10);
    PlayerLifeSetRaw(p, 10);
    EXPECT_EQ(p->life, 1000);
    gv->round.tick = 19;
    PlayerLifeSetRaw(p, 10);
    EXPECT_EQ(p->life, 10);
    // Pending damage waits in that window too.
    gv->round.tick = 25;
    p->state.moveType = MOVETYPE_H;
    p->state.time = 1;
    p->pendingDamage = 5;
    PlayerStateRun(p);
    EXPECT_EQ(p->life, 10);

    PlayerPowerSet(p, 500);
    EXPECT_EQ(PlayerPowerGet(p), 0);
    gv->round.state = 2;
    PlayerPowerSet(p, 500);
    EXPECT_EQ(PlayerPowerGet(p), 500);

    // Auto-turn needs ctrl during the fight, not after it.
    q->posX = 50.0f;
    p->state.ctrl = 0;
    PlayerAutoTurn(p, q);
    EXPECT_EQ(p->facing, 1);
    gv->round.state = 3;
    PlayerAutoTurn(p, q);
    EXPECT_EQ(p->facing, -1);
    EXPECT_EQ(p->keyBuf.faceLeft, 1);
}

}  // namespace
