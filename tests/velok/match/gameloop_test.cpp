#include "velok/match/gameloop.h"

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "kit/sprkit.h"
#include "lib/disp.h"
#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "lib/pal.h"
#include "lib/timer.h"
#include "lib/font.h"
#include "support/bgmkit.h"
#include "support/fieldkit.h"
#include "support/fontkit.h"
#include "support/pixkit.h"
#include "support/testkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "support/precachekit.h"
#include "support/roundkit.h"
#include "platform/pthreads.h"
#include "velok/match/match.h"
#include "velok/player/precache.h"
#include "velok/player/chardef.h"
#include "velok/player/keybuf.h"
#include "velok/core/pal.h"
#include "velok/match/round.h"
#include "velok/player/explod.h"
#include "velok/script/sc-hitdef.h"
#include "velok/player/afterimg.h"
#include "velok/player/proj.h"

namespace {

class Loop : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        GameLoopEnter(GAMELOOP_MATCH);
        // A fight in progress that nothing ends.
        StateAt(2, 10);
        for (Palette &p : pals)
            PalInit(&p, 256, nullptr, 1);
    }
    void TearDown() override
    {
        PalListFree();
        for (Palette &p : pals)
            PalFree(&p);
        RoundField::TearDown();
    }
    const GameLoopCounters &C() { return *GameLoopCountersGet(); }
    Palette pals[2];
};

} // namespace

TEST_F(Loop, SlowMotionRunsOneTickInOnePlusRateOver100Frames)
{
    struct Case {
        int rate;
        int ticksIn30;
        std::vector<int> firstTicks;  // frames (from 1) whose tick runs
    } cases[] = {
        {500, 5, {5, 11}},
        {100, 15, {1, 3, 5}},
        {50, 20, {1, 2, 4, 5}},
        {25, 24, {1, 2, 3, 4, 6}},
        {0, 30, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rate);
        GameLoopCountersReset();
        gv->slowRate = gv->slowAccum = c.rate;
        gv->slowTime = 1000;
        std::vector<int> ticked;
        for (int f = 1; f <= 30; f++) {
            int before = C().ticks;
            ASSERT_EQ(Frame(), 1);
            if (C().ticks != before)
                ticked.push_back(f);
        }
        EXPECT_EQ(C().ticks, c.ticksIn30);
        EXPECT_EQ(std::vector<int>(ticked.begin(), ticked.begin() + c.firstTicks.size()), c.firstTicks);
        EXPECT_EQ(C().drawn, 30) << "every frame is drawn in slow motion";
        EXPECT_EQ(C().presented, 30);
    }
}

TEST_F(Loop, SkippedFramesStillRunTheirSimulation)
{
    disp.frameSkip = 2;
    gv->shutterOn = 1;
    gv->shutterStep = 1;
    int tick = gv->round.tick;
    std::vector<int> drawnAt;
    for (int f = 1; f <= 30; f++) {
        int before = C().drawn;
        Frame();
        if (C().drawn != before)
            drawnAt.push_back(f);
    }
    EXPECT_EQ(C().ticks, 30);
    EXPECT_EQ(gv->round.tick, tick + 30);
    EXPECT_EQ(gv->gameTick, 30);
    EXPECT_EQ(gv->shutterHeight, 30) << "the shutter moves in skipped frames too";
    EXPECT_EQ(C().drawn, 10);
    EXPECT_EQ(std::vector<int>(drawnAt.begin(), drawnAt.begin() + 3), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(C().presented, 30) << "the present step itself honours the skip";
}

TEST_F(Loop, SpeedTestRunsUnthrottledWithDrawingAllButOff)
{
    gv->speedTest = 1;
    gv->gameTick = 9998;
    EXPECT_EQ(GameLoopFrame(), 1) << "no frame is due, and none is waited for";
    EXPECT_EQ(disp.frameSkip, 2000);
    EXPECT_EQ(disp.noFrameWait, 1);
    GameLoopFrame();
    EXPECT_EQ(GameLoopFrame(), 0) << "ends at tick 10000";

    gv->speedTest = 0;
    gv->stressTest = 3;
    disp.noFrameWait = 0;
    GameLoopFrame();
    EXPECT_EQ(disp.frameSkip, 3);
    EXPECT_EQ(disp.noFrameWait, 1);
}

TEST_F(Loop, SuperPauseWinsOverPause)
{
    gv->pause[0].time = 10;
    gv->pause[1].time = 5;
    gv->pause[1].darken = 1;
    gv->pause[1].groups = PalGroupMaskMake(1, 1);
    PalListAdd(&pals[0], PalGroupMaskMake(PAL_GROUP_BG, 0));
    PalListAdd(&pals[1], PalGroupMaskMake(1, 1));
    P(1)->pauseMoveTime[0] = 5;  // moves in a Pause only
    P(2)->pauseMoveTime[1] = 5;  // moves in a SuperPause
    P(1)->assertFlags[0] = P(2)->assertFlags[0] = 1;

    Frame();
    EXPECT_EQ(gv->activePause, 1);
    EXPECT_EQ(gv->pause[1].time, 4);
    EXPECT_EQ(gv->pause[0].time, 10);
    EXPECT_EQ(P(1)->assertFlags[0], 1) << "frozen by the SuperPause: its flags stay";
    EXPECT_EQ(P(2)->assertFlags[0], 0);
    EXPECT_EQ(pals[0].fx.mulR, 80);
    EXPECT_EQ(pals[0].fx.mulB, 128);
    EXPECT_EQ(pals[1].fx.mulR, 128);
    EXPECT_EQ(pals[1].fx.mulB, 192);

    // The pause's time does not run down in held-back slow-motion frames.
    gv->slowRate = gv->slowAccum = 500;
    gv->slowTime = 100;
    Frame();
    EXPECT_EQ(gv->pause[1].time, 4);

    gv->slowRate = gv->slowAccum = gv->slowTime = 0;
    for (int i = 0; i < 4; i++)
        Frame();
    EXPECT_EQ(gv->pause[1].time, 0);
    EXPECT_EQ(pals[0].fx.mulR, 256) << "the darkening ends with the time";
    Frame();
    EXPECT_EQ(gv->activePause, 0) << "the Pause shows again";
}

TEST_F(Loop, EachPlayersEffectTintsHowItIsDrawn)
{
    // Both players show the same colour at the top of the screen: P1 at
    // column 104, P2 at column 216.
    Frame();
    uint16_t plain = Pixel(104, 1);
    ASSERT_NE(plain, 0);
    ASSERT_EQ(Pixel(216, 1), plain);
    // Red + 64 is 8 more in the five red bits of these dark colours.
    uint16_t lit = (uint16_t)(plain + (8 << 11));
    PalFxInit(&P(2)->palFx);
    P(2)->palFx.time = 4;
    P(2)->palFx.addR = 64;
    // A player whose mask is empty has no palettes: its effect is not run.
    P(3)->palMask = PalGroupMask{};
    PlayerEnableSet(3, 1);
    gv->enabledCount = 3;
    gv->enabledLast = 3;
    PalFxInit(&P(3)->palFx);
    P(3)->palFx.time = 4;

    Frame();
    EXPECT_EQ(Pixel(216, 1), lit);
    EXPECT_EQ(Pixel(104, 1), plain);
    EXPECT_EQ(P(2)->palFx.counter, 1);
    EXPECT_EQ(P(3)->palFx.counter, 0);

    // In a SuperPause the effect still shows, and runs on only for a player
    // that moves during it.
    gv->pause[1].time = 5;
    Frame();
    EXPECT_EQ(Pixel(216, 1), lit);
    EXPECT_EQ(P(2)->palFx.counter, 1);
    P(2)->pauseMoveTime[1] = 5;
    Frame();
    EXPECT_EQ(P(2)->palFx.counter, 2);

    gv->pause[1].time = 0;
    Frame();
    Frame();
    EXPECT_EQ(P(2)->palFx.counter, 4);
    EXPECT_EQ(Pixel(216, 1), lit);
    Frame();
    EXPECT_EQ(Pixel(216, 1), plain) << "over after its time";
}

TEST_F(Loop, PausedFramesDrawThePausedBoxButRunNoTick)
{
    KbllPauseSet(1);
    gv->envColorTime = 5;  // a green frame under the box
    gv->envColor = Rgb565(0, 63, 0);
    int tick = gv->gameTick;
    InputEventPush(5);
    InputEventPush(5 | INPUT_RELEASE);
    ASSERT_EQ(Frame(), 1);
    EXPECT_EQ(C().ticks, 0);
    EXPECT_EQ(gv->gameTick, tick) << "paused frames are not counted";
    EXPECT_EQ(gv->round.tick, 10);
    EXPECT_TRUE(IntQueueIsEmpty(gv->sysKeyQueue));
    EXPECT_EQ(C().drawn, 1);
    EXPECT_EQ(C().presented, 1);
    EXPECT_EQ(Pixel(133, 8), Rgb565(16, 20, 10));
    EXPECT_EQ(Pixel(185, 27), Rgb565(16, 20, 10));
    EXPECT_EQ(Pixel(134, 9), Rgb565(30, 48, 24));
    EXPECT_EQ(Pixel(140, 12), Rgb565(3, 31, 0)) << "red 3 added to the halved frame";
    EXPECT_EQ(Pixel(132, 8), Rgb565(0, 63, 0));
    EXPECT_EQ(gv->envColorTime, 5) << "the fill's time stands while paused";

    KbllPauseSet(0);
    Frame();
    EXPECT_EQ(C().ticks, 1);
    EXPECT_EQ(gv->gameTick, tick + 1);
}

TEST_F(Loop, PausedTextInTheSecondSystemFont)
{
    // Glyphs 3 wide and 5 high for the letters of "PAUSED", one pixel apart.
    FntSpec spec;
    spec.pcx = PcxBytes(FntGlyphStrip({3}, 5, 200));
    spec.text = FntDefText({"size = 4,5", "spacing = 1,2", "colors = 1"},
                           {"P 0 3", "A 0 3", "U 0 3", "S 0 3", "E 0 3", "D 0 3"});
    WriteFileText("f.fnt", FntBytes(spec));
    gv->sysFont[1] = FontLoad("f.fnt");
    ASSERT_NE(gv->sysFont[1], nullptr);
    KbllPauseSet(1);
    Frame();
    const uint16_t white = Rgb565(31, 63, 31);
    int whites = 0, left = 320, bottom = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 100; x < 220; x++)
            if (Pixel(x, y) == white) {
                whites++;
                left = std::min(left, x);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(whites, 6 * (3 * 5 - 1));
    EXPECT_EQ(left, 142);
    EXPECT_EQ(bottom, 20);
    FontFree(gv->sysFont[1]);
    gv->sysFont[1] = nullptr;
}

TEST_F(Loop, OnlyKeyReleasesReachTheKeyBuffersWhilePaused)
{
    KeyConfig keys{};
    keys.key[KEYBUF_A] = 30;
    keys.key[KEYBUF_A + 1] = 31;
    P(1)->keyConfig = &keys;
    P(2)->keyConfig = &keys;
    P(2)->aiControlled = 1;

    InputEventPush(30);
    Frame();
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_A], 1);
    EXPECT_EQ(P(2)->keyBuf.held[KEYBUF_A], 0) << "AI players take no keys";

    KbllPauseSet(1);
    InputEventPush(30 | INPUT_RELEASE);
    InputEventPush(31);
    Frame();
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_A], 0) << "the release passes: A is not held after the pause";
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_A + 1], 0) << "the press was dropped";
    EXPECT_EQ(KeyBufPop(&P(1)->keyBuf), KEYBUF_A | KEYBUF_RELEASE);
    EXPECT_EQ(KeyBufPop(&P(1)->keyBuf), 0);
}

TEST_F(Loop, RoundEndingTickDrawsAndPresentsNothing)
{
    StateAt(4, gv->overTime);
    gv->round.winner = 1;
    gv->round.wins[0] = 2;
    gv->round.counted = 1;
    int tick = gv->gameTick;
    EXPECT_EQ(Frame(), 0) << "the match is over";
    EXPECT_EQ(C().drawn, 0);
    EXPECT_EQ(C().presented, 0);
    EXPECT_EQ(gv->gameTick, tick);
    EXPECT_EQ(gv->round.matchOver, 1);

    GameLoopLeave();
    EXPECT_EQ(gv->gameLoopMode, 0);
}

TEST_F(Loop, ScreenShakeMovesTheViewAndStops)
{
    gv->shakeTime = 3;
    gv->shakeFreq = 60.0f;
    gv->shakeAmpl = -6.0f;
    gv->shakePhase = 90.0f;
    std::vector<int> ys;
    for (int i = 0; i < 3; i++) {
        Frame();
        ys.push_back(gv->shakeY);
    }
    EXPECT_EQ(ys[0], -6);
    EXPECT_EQ(ys[1], -3);
    EXPECT_EQ(ys[2], 0) << "stopped after its time";
    EXPECT_EQ(gv->shakeTime, 0);
    EXPECT_EQ(gv->shakeCounter, 0);
}

TEST_F(Loop, ColourFillAndShutterBands)
{
    gv->envColorTime = 2;
    gv->envColor = Rgb565(0, 63, 0);
    Frame();
    EXPECT_EQ(Pixel(0, 0), Rgb565(0, 63, 0));
    EXPECT_EQ(Pixel(319, 239), Rgb565(0, 63, 0));
    EXPECT_EQ(gv->envColorTime, 1);
    Frame();
    EXPECT_EQ(gv->envColorTime, 0);

    gv->shutterOn = 1;
    gv->shutterHeight = 100;
    gv->shutterStep = 10;
    gv->envColorTime = 1;
    Frame();
    EXPECT_EQ(Pixel(5, 99), 0) << "top band";
    EXPECT_EQ(Pixel(5, 100), Rgb565(0, 63, 0));
    EXPECT_EQ(Pixel(5, 140), 0) << "bottom band";
    EXPECT_EQ(Pixel(5, 139), Rgb565(0, 63, 0));
    EXPECT_EQ(gv->shutterHeight, 110);
    Frame();
    Frame();
    EXPECT_EQ(gv->shutterHeight, 130);
    EXPECT_EQ(gv->shutterOn, 0) << "closed past half the height";

    gv->shutterOn = 1;
    gv->shutterStep = -50;
    gv->shutterHeight = 120;
    Frame();
    Frame();
    EXPECT_EQ(gv->shutterOn, 1);
    Frame();
    EXPECT_EQ(gv->shutterOn, 0) << "opened below 0";
}

TEST_F(Loop, SceneRunsToItsEndThroughTheWholeLoop)
{
    gv->winScreen.fadeInTime = 2;
    gv->winScreen.holdTime = 2;
    gv->winScreen.fadeOutTime = 2;
    gv->round.matchOver = 1;  // scenes do not end with the match
    disp.noFrameWait = 1;
    EXPECT_EQ(GameLoopRun(GAMELOOP_WIN_SCREEN), 1);
    EXPECT_EQ(gv->gameLoopMode, 0);
    EXPECT_EQ(gv->quit, 1);
    EXPECT_EQ(C().frames, 7);
    EXPECT_EQ(C().presented, 7);
    EXPECT_EQ(PalFxGlobalGet()->cur.mulR, 256) << "the global effect is reset on leaving";
}

TEST_F(Loop, AnimationsAdvanceOnlyForPlayersThatRun)
{
    PlayerEnableSet(3, 1);
    P(2)->state.hitPauseTime = 3;
    P(3)->frozen = 1;
    int start[4];
    for (int slot = 1; slot <= 3; slot++)
        start[slot] = AnimObjTime(P(slot)->anim);
    Frame();
    Frame();
    EXPECT_EQ(AnimObjTime(P(1)->anim), start[1] + 2);
    EXPECT_EQ(AnimObjTime(P(2)->anim), start[2]) << "in hit pause";
    EXPECT_EQ(AnimObjTime(P(3)->anim), start[3]) << "frozen";
    gv->pause[0].time = 5;
    Frame();
    EXPECT_EQ(AnimObjTime(P(1)->anim), start[1] + 2) << "not moving during the Pause";
}

TEST_F(Loop, StatesRunOncePerTickForPlayersThatRun)
{
    gv->gameTick = 100;
    PlayerEnableSet(3, 1);
    PlayerEnableSet(4, 1);
    for (int slot = 1; slot <= 4; slot++)
        P(slot)->state.hitPauseTime = 5;  // a state run counts it down
    P(1)->lastRunTick = 100;              // already run in this tick
    P(2)->state.moveType = 1;             // attackers run first, and once
    P(4)->frozen = 1;
    Frame();
    EXPECT_EQ(P(1)->state.hitPauseTime, 5);
    EXPECT_EQ(P(2)->state.hitPauseTime, 4);
    EXPECT_EQ(P(3)->state.hitPauseTime, 4);
    EXPECT_EQ(P(4)->state.hitPauseTime, 5) << "frozen";
    EXPECT_EQ(P(2)->lastRunTick, 100);
    EXPECT_EQ(P(3)->runFlag, 1);
    EXPECT_EQ(P(4)->runFlag, 0);

    // During a Pause only players with move time left run.
    gv->pause[0].time = 10;
    P(3)->pauseMoveTime[0] = 4;
    Frame();
    EXPECT_EQ(P(2)->state.hitPauseTime, 4);
    EXPECT_EQ(P(3)->state.hitPauseTime, 3);
}

// A Width controller's edge of 2147483647, a player-type helper 2147483647
// wide and a stage whose shadow fade range and reflection span the int range
// go through whole ticks and drawn frames with the collision display on:
// widths, edges and bands are summed wide and saturate, so nothing overflows.
TEST_F(Loop, WidthsSizesAndShadowBandsAtTheIntEndsRunThroughFrames)
{
    CharKit kit = FieldKitChar();
    const std::string extra = "[State -2, width]\ntype = Width\ntrigger1 = 1\nedge = 2147483647, 0\n"
                              "player = 2147483647, 2147483647\n"
                              "[State -2, helper]\ntype = Helper\ntrigger1 = !IsHelper && !NumHelper\n"
                              "helpertype = player\nstateno = 0\nsize.ground.back = 2147483647\n"
                              "size.ground.front = 2147483647\n";
    kit.cns.insert(kit.cns.find("[Statedef -2]\n") + 14, extra);
    Field(2, kit);
    for (int slot = 5; slot <= 6; slot++) {  // helper records, as a match makes them
        Player *h = PlayerNew(nullptr);
        ASSERT_NE(h, nullptr);
        h->slot = slot;
        gv->players[slot] = h;
    }
    gv->cfg.engine.drawShadows = 1;
    gv->stageShadowIntensity = INT_MAX;
    gv->stageShadowFadeLow = INT_MIN;
    gv->stageShadowFadeHigh = INT_MAX;
    gv->stageReflect = INT_MAX;
    gv->clsnDisplay = 1;
    for (int i = 0; i < 20; i++)
        Frame();
    EXPECT_EQ(P(1)->widthEdgeFront, INT_MAX);
    const Player *helper = nullptr;
    for (int slot = 5; slot <= gv->playerSlotCount; slot++)
        if (P(slot) && P(slot)->enabled && P(slot)->isHelper)
            helper = P(slot);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->consts.groundBack, INT_MAX);
    // Player 1 is kept its whole right width (saturated) from the screen's right edge.
    EXPECT_FLOAT_EQ(P(1)->posX, (float)((long long)P(1)->screenRight - INT_MAX));
}

TEST_F(Loop, OpponentsAreFoundEachTickAndTheLastOneKept)
{
    P(1)->opponent = P(2)->opponent = nullptr;
    Frame();
    EXPECT_EQ(P(1)->opponent, P(2));
    EXPECT_EQ(P(2)->opponent, P(1));
    EXPECT_EQ(P(1)->lastOpponent, nullptr);
    Frame();
    EXPECT_EQ(P(1)->lastOpponent, P(2));
    PlayerEnableSet(2, 0);
    P(1)->lastOpponent = nullptr;
    Frame();
    EXPECT_EQ(P(1)->opponent, nullptr);
    EXPECT_EQ(P(1)->lastOpponent, nullptr) << "a disabled opponent is not kept";
}

TEST_F(Loop, HitDetectionRunsAfterTheStateRunsOfTheTick)
{
    WriteFileText("t.air", AirAction(0, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", AirElemLine(0, 0, 0, 0, -1)}) +
                               AirAction(200, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "Clsn1: 1",
                                               " Clsn1[0] = 0,-50,40,-30", AirElemLine(0, 0, 0, 0, -1)}));
    AnimSet *actions = AnimLoadFile("t.air");
    ASSERT_NE(actions, nullptr);
    WriteFileText("hd.cns", "[State 200, a]\nattr = S, NA\ndamage = 30\n");
    TxtParseFile *f = TxtParseOpen("hd.cns");
    ASSERT_NE(f, nullptr);
    ASSERT_GE(TxtParseGroupSet(f, "State 200, a"), 0);
    HitDefParams params{};
    ASSERT_EQ(SCtrlHitDefParse(f, &params, P(1)), 1);
    TxtParseClose(f);

    // Both play the boxed actions, P2 within the reach of P1's attack.
    for (int slot = 1; slot <= 2; slot++) {
        Player *p = P(slot);
        p->animOverride = actions;
        p->anim->set = actions;
        AnimObjChangeAction(p->anim, 0, slot == 1 ? 200 : 0);
        p->posX = slot == 1 ? 0.0f : 30.0f;
        p->state.time = 5;  // well inside the attack state
    }
    P(1)->state.moveType = 1;
    SCtrlHitDefApply(&params, P(1), 0);
    Frame();
    EXPECT_EQ(P(2)->state.moveType, 2);
    EXPECT_EQ(P(2)->state.stateNo, 5000);
    EXPECT_EQ(P(2)->getHit.lastHitter, P(1));
    EXPECT_EQ(P(2)->pendingDamage, 30);
    Frame();
    EXPECT_EQ(P(2)->life, 970) << "taken at the victim's next state run";

    for (int slot = 1; slot <= 2; slot++) {
        P(slot)->animOverride = nullptr;
        P(slot)->anim->set = cd->anims;
    }
    SCtrlHitDefFree(&params);
    AnimSetFree(actions);
}

TEST_F(Loop, PausesMoveOnlyThePlayersAndProjectilesWithMoveTimeLeft)
{
    // P1 throws a projectile and then pauses the game for 6 ticks, moving on
    // itself for 3; the projectile moves while it is no older than 1 tick
    // and its owner runs.
    SCtrl *proj = Ctrl("type = Projectile\npostype = left\noffset = 160, -20\nvelocity = 2, 0\nsupermovetime = 1");
    SCtrl *super = Ctrl("type = SuperPause\ntime = 6\nmovetime = 3\nanim = -1");
    ASSERT_NE(proj, nullptr);
    ASSERT_NE(super, nullptr);
    Apply(P(1), proj);
    Apply(P(1), super);
    int runs1 = P(1)->var[2], runs2 = P(2)->var[2];
    Projectile *p = ProjListAt(P(1)->projList, 0);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 6; i++)
        Frame();
    EXPECT_EQ(P(1)->var[2] - runs1, 3);
    EXPECT_EQ(P(2)->var[2] - runs2, 0);
    EXPECT_FLOAT_EQ(p->x, 164.0f);
    EXPECT_GT(P(1)->hitLock, 0) << "unhittable through the last paused tick";
    Frame();
    EXPECT_EQ(gv->activePause, -1);
    EXPECT_EQ(P(2)->var[2] - runs2, 1);
    EXPECT_FLOAT_EQ(p->x, 166.0f);

    // A Pause with move time for P2 moves P2 alone.
    SCtrl *pause = Ctrl("type = Pause\ntime = 4\nmovetime = 4");
    Apply(P(2), pause);
    runs1 = P(1)->var[2];
    runs2 = P(2)->var[2];
    for (int i = 0; i < 4; i++)
        Frame();
    EXPECT_EQ(P(1)->var[2] - runs1, 0);
    EXPECT_EQ(P(2)->var[2] - runs2, 4);
    EXPECT_FLOAT_EQ(p->x, 166.0f) << "its owner does not run";
}

TEST_F(Loop, ProjectilesAndTrailsAreMovedRecordedAndDrawn)
{
    gv->afterImages = AfterImagePoolCreate(2, 60);
    SCtrl *proj = Ctrl("type = Projectile\npostype = left\noffset = 160, 0\nvelocity = 1, 0\n"
                       "afterimage.time = -1\nafterimage.framegap = 1");
    SCtrl *trail = Ctrl("type = AfterImage\ntime = -1");
    ASSERT_NE(proj, nullptr);
    Apply(P(1), proj);
    Apply(P(1), trail);
    Projectile *p = ProjListAt(P(1)->projList, 0);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->afterImage, nullptr);
    ASSERT_NE(P(1)->afterImage, nullptr);
    EXPECT_EQ(Pixel(161, 1), 0);
    Frame();
    EXPECT_EQ(p->screenX, 161);
    EXPECT_NE(Pixel(161, 1), 0) << "the projectile is drawn";
    EXPECT_EQ(p->afterImage->count, 1);
    EXPECT_EQ(P(1)->afterImage->count, 1);
    Frame();
    Frame();
    EXPECT_EQ(p->afterImage->count, 3);
    EXPECT_EQ(P(1)->afterImage->count, 3);
    // A round start takes the projectiles and the trails away.
    PlayerRoundInit(P(1));
    EXPECT_EQ(ProjListCount(P(1)->projList), 0);
    EXPECT_EQ(P(1)->afterImage, nullptr);
    EXPECT_EQ(AfterImagePoolCount(gv->afterImages), 0);
    FieldFree();
    AfterImagePoolFree(gv->afterImages);
    gv->afterImages = nullptr;
}

TEST_F(Loop, PlayerExplodsMoveWithTheTickAndScreenElementsWithEveryFrameNotPaused)
{
    gv->explods = ExplodListCreate(2, gv->drawList);
    gv->sysExplods = ExplodListCreate(2, nullptr);
    Explod *mine = ExplodAt(gv->explods, ExplodAddText(gv->explods, "a", nullptr, 0, 0));
    Explod *shown = ExplodAt(gv->sysExplods, ExplodAddText(gv->sysExplods, "b", nullptr, 0, 0));
    ASSERT_TRUE(mine && shown);
    mine->removeTime = shown->removeTime = -1;
    Frame();
    EXPECT_EQ(mine->age, 1);
    EXPECT_EQ(shown->age, 1);
    // A frame held back by slow motion runs no tick, but the screen moves on.
    gv->slowRate = 100;
    gv->slowAccum = 150;
    gv->slowTime = 10;
    Frame();
    ASSERT_GT(gv->slowAccum, 0);
    EXPECT_EQ(mine->age, 1);
    EXPECT_EQ(shown->age, 2);
    gv->slowRate = gv->slowAccum = gv->slowTime = 0;
    KbllPauseSet(1);
    Frame();
    EXPECT_EQ(mine->age, 1);
    EXPECT_EQ(shown->age, 2);
    KbllPauseSet(0);
    ExplodListFree(gv->explods);
    ExplodListFree(gv->sysExplods);
    gv->explods = gv->sysExplods = nullptr;
}

TEST_F(Loop, NoMusicFlagPausesTheStageMusicUntilItIsClear)
{
    BgmKit *k = BgmKitInstall();
    BGMPlay(&gv->stageBgm, "stage.mid", 1, 0);
    k->Take();
    gv->specialFlags[GAME_SPECIAL_NOMUSIC] = 1;  // as an AssertSpecial of the last tick left it
    Frame();
    EXPECT_EQ(k->Take(), (std::vector<std::string>{"midiPause"}));
    EXPECT_TRUE(gv->stageBgm.paused);
    EXPECT_EQ(gv->specialFlags[GAME_SPECIAL_NOMUSIC], 0) << "no controller raised it this tick";
    Frame();
    EXPECT_EQ(k->Take(), (std::vector<std::string>{"midiResume"}));
    EXPECT_FALSE(gv->stageBgm.paused);
    EXPECT_EQ(k->pumps, 2) << "the music is serviced every frame";

    // The win screen leaves the flag to the match, but services the music.
    GameLoopEnter(GAMELOOP_WIN_SCREEN);
    gv->specialFlags[GAME_SPECIAL_NOMUSIC] = 1;
    Frame();
    EXPECT_EQ(k->Take(), (std::vector<std::string>{}));
    EXPECT_EQ(k->pumps, 3);
    BGMStop(&gv->stageBgm);
    BgmKitRemove();
}

TEST_F(Loop, PreCachingStopsBeforeARestartAndOnLeavingUnlessAOnePlayerMatchGoesOn)
{
    using Ints = std::vector<int>;
    entries.resize(4);
    gv->charList = entries.data();
    gv->charCount = (int)entries.size();
    ASSERT_EQ(PrecacheInit(1), 1);
    {
        PrecacheFake fake;
        fake.holdAt = 1;
        PrecacheQueueChar(1);
        PrecacheQueueChar(2);
        ASSERT_EQ(PrecacheStart(), 1);
        fake.WaitHeld();
        // The load in progress ends on its own time, well after the abort.
        std::thread opener([&fake] {
            PlatSleep(200);
            fake.Open();
        });
        gv->restartRequest = 1;
        Frame();
        opener.join();
        EXPECT_EQ(gv->restartRequest, 0);
        EXPECT_EQ(PrecacheIsRunning(), 0);
        EXPECT_EQ(fake.Loads(), (Ints{1})) << "aborted before the round restarts";

        auto leave = [&](int arcadeSide, int quit) {
            PrecacheQueueChar(3);
            PrecacheStart();
            gv->arcadeSide = arcadeSide;
            gv->quit = quit;
            GameLoopLeave();
            return PrecacheIsRunning();
        };
        EXPECT_EQ(leave(1, 0), 1) << "the next opponents go on loading";
        EXPECT_EQ(leave(1, 1), 0);
        EXPECT_EQ(leave(0, 0), 0);

        // Players are freed only with the thread collected.
        leave(1, 0);
        MatchPlayersFree();
        EXPECT_EQ(PrecacheIsRunning(), 0);
    }
    PrecacheInit(0);
}
