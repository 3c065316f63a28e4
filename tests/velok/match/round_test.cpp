#include "velok/match/round.h"

#include <allegro.h>
#include <string>

#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "lib/timer.h"
#include "support/precachekit.h"
#include "support/roundkit.h"
#include "support/voicekit.h"
#include "velok/core/sound.h"
#include "velok/match/gameloop.h"
#include "velok/player/proj.h"
#include "velok/player/explod.h"
#include "velok/player/p-make.h"
#include "velok/player/precache.h"

namespace {

class Round : public RoundField {
protected:
    int Mul() { return PalFxGlobalGet()->cur.mulR; }
    // Runs the machine until it leaves the state it is in (at most limit ticks).
    int RunWhile(int state, int limit = 2000)
    {
        int n = 0;
        while (gv->round.state == state && n < limit) {
            RoundUpdate();
            n++;
        }
        return n;
    }
    void Reset()
    {
        TearDown();
        SetUp();
    }
    static void SetText(char *dst, const char *text) { snprintf(dst, FIGHT_ELEM_TEXT_LEN, "%s", text); }
    void SettleAll()
    {
        for (int slot = 1; slot <= 2; slot++)
            P(slot)->state.ctrl = 1;
    }
};

} // namespace

TEST_F(Round, IntroFadesInThenHandsOverInTheSameTick)
{
    std::vector<int> muls;
    for (int i = 0; i < 30; i++) {
        RoundUpdate();
        muls.push_back(Mul());
    }
    EXPECT_EQ(muls[0], 0);
    EXPECT_EQ(muls[2], 0);
    EXPECT_EQ(muls[3], 16);
    EXPECT_EQ(muls[17], 240);
    EXPECT_EQ(muls[18], 256);
    EXPECT_EQ(gv->round.state, 0);
    EXPECT_EQ(gv->round.hitDetect, 0);

    // Tick 30 goes to the intro, whose first step runs at once.
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 1);
    EXPECT_EQ(gv->round.introCounter, 1);
    EXPECT_EQ(gv->round.tick, 1);

    EXPECT_EQ(RunWhile(1), 70);
    EXPECT_EQ(gv->round.state, 2);
    EXPECT_EQ(gv->round.tick, 1);
    EXPECT_EQ(P(1)->state.ctrl, 1) << "ctrl.time 0 gives control in the fight's first step";
    EXPECT_EQ(gv->round.fightTicks, 1);
    EXPECT_EQ(gv->round.hitDetect, 1);
}

TEST_F(Round, IntroFlagHoldsTheIntroCounter)
{
    StateAt(1, 5);
    gv->round.introCounter = 30;
    gv->specialFlags[GAME_SPECIAL_INTRO] = 1;
    RoundUpdate();
    EXPECT_EQ(gv->round.introCounter, 1);
}

TEST_F(Round, KnockOutsAndTimeOverDecideTheRound)
{
    struct Case {
        const char *name;
        int kill1, kill2;
        int life2;
        int timeLeft;
        int endKind, winner;
        int slowRate;
        int icon1, icon2;
    } cases[] = {
        {"KO of side 2", 0, 1, 1000, 500, ROUND_END_KO, 1, 500, -1, -1},
        {"KO of side 1", 1, 0, 1000, 500, ROUND_END_KO, 2, 500, -1, -1},
        {"double KO", 1, 1, 1000, 500, ROUND_END_DOUBLE_KO, 0, 500, -1, -1},
        {"time over, equal", 0, 0, 1000, 1, ROUND_END_TIME_OVER, 0, 0, 4, 4},
        {"time over, side 1 ahead", 0, 0, 500, 1, ROUND_END_TIME_OVER, 1, 0, 4, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        StateAt(2, 100);
        gv->round.timeLeft = c.timeLeft;
        P(2)->life = c.life2;
        if (c.kill1)
            Kill(1);
        if (c.kill2)
            Kill(2);
        RoundUpdate();
        EXPECT_EQ(gv->round.state, 3) << "the fight step hands over in the deciding tick";
        RoundUpdate();
        EXPECT_EQ(gv->round.endKind, c.endKind);
        EXPECT_EQ(gv->round.winner, c.winner);
        EXPECT_EQ(MatchWinningTeamGet(), c.winner);
        EXPECT_EQ(gv->slowRate, c.slowRate) << "a time-over round has no slow motion";
        EXPECT_EQ(gv->round.winIcon[0][0], c.icon1);
        EXPECT_EQ(gv->round.winIcon[1][0], c.icon2);
        EXPECT_EQ(P(1)->noInput, 1);
    }
}

TEST_F(Round, NoRoundEndSwitchAndNokoKeepTheFightGoing)
{
    StateAt(2, 100);
    Kill(2);
    gv->round.noEnd = 1;
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 2);
    EXPECT_EQ(gv->round.endKind, 0);

    gv->round.noEnd = 0;
    gv->specialFlags[GAME_SPECIAL_NOKO] = 1;
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 2);
    EXPECT_EQ(gv->round.endKind, ROUND_END_KO);
    gv->specialFlags[GAME_SPECIAL_NOKO] = 0;
    gv->specialFlags[GAME_SPECIAL_NOKOSLOW] = 1;
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 3);
    EXPECT_EQ(gv->slowRate, 0);
}

TEST_F(Round, ZeroLifeMaximumCountsAsOne)
{
    StateAt(2, 100);
    gv->round.timeLeft = 0;
    P(2)->life = 0;
    P(2)->lifeMax = 0;
    RoundUpdate();
    EXPECT_EQ(gv->round.endKind, ROUND_END_TIME_OVER);
    EXPECT_EQ(gv->round.winner, 1);
}

TEST_F(Round, LivesInTheMillionsStandAndRegainWithoutWrapping)
{
    // 3,000,000 x 1000 is past the int range: side 1 at full life must still
    // stand above side 2 at a third.
    StateAt(2, 100);
    gv->round.timeLeft = 0;
    P(1)->life = P(1)->lifeMax = 3000000;
    P(2)->lifeMax = 3000000;
    P(2)->life = 1000000;
    RoundUpdate();
    EXPECT_EQ(gv->round.endKind, ROUND_END_TIME_OVER);
    EXPECT_EQ(gv->round.winner, 1);

    // 400 per mille of 6,000,000 is past the int range before the division.
    Reset();
    StateAt(4, gv->overWinTime);
    gv->round.endKind = ROUND_END_KO;
    gv->round.winner = 1;
    gv->side[0].regainBase = 400;
    P(1)->lifeMax = 6000000;
    P(1)->life = 1000000;
    RoundUpdate();
    EXPECT_EQ(gv->round.wins[0], 1);
    EXPECT_EQ(P(1)->life, 3400000);
}

TEST_F(Round, ComputerPartnerDoesNotCarryASimulSideUnlessTeamsLoseOnKO)
{
    TeamEntry &s = gv->sideEntry[0];
    s.memberCount = 2;
    s.members[1].slot = 3;
    s.members[1].ai = 1;
    gv->teams[0].mode = 1;
    PlayerEnableSet(3, 1);
    StateAt(2, 100);
    Kill(1);
    RoundUpdate();
    EXPECT_EQ(gv->round.endKind, ROUND_END_KO);
    EXPECT_EQ(gv->round.winner, 2);

    Reset();
    gv->sideEntry[0].memberCount = 2;
    gv->sideEntry[0].members[1].slot = 3;
    gv->sideEntry[0].members[1].ai = 1;
    gv->teams[0].mode = 1;
    gv->options.teamLoseOnKO = 1;
    PlayerEnableSet(3, 1);
    StateAt(2, 100);
    Kill(1);
    RoundUpdate();
    EXPECT_EQ(gv->round.endKind, ROUND_END_NONE);
}

TEST_F(Round, RoundOverSlowMotionEasesOff)
{
    StateAt(3, 0);
    gv->round.endKind = ROUND_END_KO;
    gv->slowTime = 60;
    gv->slowRate = gv->slowAccum = 500;
    std::vector<int> rates;
    for (int i = 0; i < 60; i++) {
        RoundUpdate();
        rates.push_back(gv->slowRate);
    }
    EXPECT_EQ(rates[4], 500);
    EXPECT_EQ(rates[5], 200);
    EXPECT_EQ(rates[29], 200);
    EXPECT_EQ(rates[30], 100);
    EXPECT_EQ(rates[42], 50);
    EXPECT_EQ(rates[54], 25);
    EXPECT_EQ(rates[59], 0) << "slow motion ends with its time";
    EXPECT_EQ(gv->slowAccum, 0);
}

TEST_F(Round, RoundOverWaitsForPlayersButNotPast900)
{
    StateAt(3, 0);
    gv->round.endKind = ROUND_END_KO;
    EXPECT_EQ(RunWhile(3), 901) << "ticks 0 to 899 wait, tick 900 moves on";
    EXPECT_EQ(gv->round.state, 4);

    Reset();
    StateAt(3, 10);
    gv->round.endKind = ROUND_END_KO;
    // Everyone at rest before the slow motion has run its time.
    gv->slowTime = 40;
    gv->slowRate = gv->slowAccum = 200;
    SettleAll();
    Kill(2);
    P(2)->state.ctrl = 0;
    P(2)->state.stateNo = 5150;
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 4) << "standing idle with control, or lying in 5150";
    EXPECT_EQ(P(1)->state.ctrl, 0);
    EXPECT_EQ(gv->round.hitDetect, 0);
    EXPECT_EQ(gv->slowTime, 0);
    EXPECT_EQ(gv->slowRate, 0) << "the win poses run at full speed";
    EXPECT_EQ(gv->slowAccum, 0);
}

TEST_F(Round, DrawsCountUnderTheDrawSettings)
{
    struct Case {
        int allowed;
        int drawsBefore;
        int wins;
    } cases[] = {{1, 0, 0}, {1, 1, 1}, {0, 0, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.allowed * 10 + c.drawsBefore);
        Reset();
        gv->side[0].drawsAllowed = gv->side[1].drawsAllowed = c.allowed;
        gv->round.draws = c.drawsBefore;
        StateAt(4, gv->overWinTime);
        gv->round.endKind = ROUND_END_DOUBLE_KO;
        RoundUpdate();
        EXPECT_EQ(gv->round.draws, c.drawsBefore + 1);
        EXPECT_EQ(gv->round.wins[0], c.wins);
        EXPECT_EQ(gv->round.wins[1], c.wins);
        EXPECT_EQ(gv->round.counted, 1);
        EXPECT_EQ(P(1)->state.stateNo, 175);
        EXPECT_EQ(P(2)->state.stateNo, 175);
    }
}

TEST_F(Round, MatchResultCountsTheUncountedRound)
{
    StateAt(3, 9);
    gv->round.winner = 1;
    gv->round.wins[0] = 1;
    EXPECT_EQ(MatchWinnerGet(), 0) << "before over.hittime";
    gv->round.tick = 10;
    EXPECT_EQ(MatchWinnerGet(), 1);
    gv->round.counted = 1;
    EXPECT_EQ(MatchWinnerGet(), 0);

    // Both sides reach their wins on a draw: the side opposite the human.
    gv->round.counted = 0;
    gv->round.winner = 0;
    gv->round.wins[1] = 1;
    gv->side[0].drawsAllowed = gv->side[1].drawsAllowed = 0;
    EXPECT_EQ(MatchWinnerGet(), 1);
    gv->arcadeSide = 1;
    EXPECT_EQ(MatchWinnerGet(), 2);
}

TEST_F(Round, WinPosesEndTheRoundAtTheEndTick)
{
    StateAt(4, 44);
    gv->round.endKind = ROUND_END_KO;
    gv->round.winner = 1;
    P(1)->noInput = P(2)->noInput = 1;
    P(1)->life = 500;
    gv->side[0].regainBase = 125;
    RoundUpdate();
    RoundUpdate();
    EXPECT_EQ(gv->round.wins[0], 1) << "counted at over.wintime";
    EXPECT_EQ(P(1)->noInput, 0);
    EXPECT_EQ(P(2)->noInput, 1);
    EXPECT_EQ(P(1)->state.stateNo, 180);
    EXPECT_EQ(P(2)->state.stateNo, 170);
    EXPECT_EQ(P(1)->life, 625) << "the first of two wins regains 125 per mille";

    gv->round.tick = 140;
    RoundUpdate();
    EXPECT_EQ(Mul(), 160) << "fade to black over the last 16 ticks";
    gv->round.tick = 150;
    for (int i = 0; i < 6; i++)
        TimerTick();  // two frames due for the black screen
    const GameLoopCounters before = *GameLoopCountersGet();
    EXPECT_EQ(RoundUpdate(), 1);
    EXPECT_EQ(gv->round.matchOver, 0);
    EXPECT_EQ(P(1)->roundsExisted, 1);
    EXPECT_EQ(GameLoopCountersGet()->presented, before.presented + 2) << "a black screen between rounds";
    EXPECT_EQ(Pixel(10, 10), 0);
    EXPECT_EQ(gv->round.number, 2) << "the next round is set up";
    EXPECT_EQ(gv->round.state, 0);
    EXPECT_EQ(gv->round.winner, 0);

    // The deciding win regains nothing.
    StateAt(4, gv->overWinTime);
    gv->round.winner = 1;
    gv->round.endKind = ROUND_END_KO;
    gv->round.counted = 0;
    P(1)->life = 500;
    RoundUpdate();
    EXPECT_EQ(gv->round.wins[0], 2);
    EXPECT_EQ(P(1)->life, 500);

    // The deciding round ends the match.
    StateAt(4, 150);
    gv->round.wins[0] = 2;
    EXPECT_EQ(RoundUpdate(), 1);
    EXPECT_EQ(gv->round.matchOver, 1);
    EXPECT_EQ(gv->round.matchWinner, 1);
}

TEST_F(Round, RoundNotOverHoldsTheWinPosesUntilAButtonSkips)
{
    StateAt(4, 100);
    gv->round.winner = 1;
    gv->round.wins[0] = 2;
    gv->round.counted = 1;
    for (int i = 0; i < 500; i++) {
        gv->specialFlags[GAME_SPECIAL_ROUNDNOTOVER] = 1;
        ASSERT_EQ(RoundUpdate(), 0);
    }
    gv->round.skipEnd = 1;
    gv->round.endTick = gv->round.tick + 3;
    int n = 0;
    while (!RoundUpdate() && n < 100) {
        gv->specialFlags[GAME_SPECIAL_ROUNDNOTOVER] = 1;
        n++;
    }
    EXPECT_EQ(n, 3);
}

TEST_F(Round, TimeOverIconIsRecordedOnceInThisRoundsSlot)
{
    SettleAll();
    StateAt(2, 100);
    gv->round.timeLeft = 1;
    P(2)->life = 500;
    for (int i = 0; i < 120; i++)
        RoundUpdate();
    EXPECT_EQ(gv->round.state, 4);
    EXPECT_EQ(gv->round.wins[0], 1);
    EXPECT_EQ(gv->round.winIcon[0][0], 4);
    EXPECT_EQ(gv->round.winPerfect[0][0], 8);
    EXPECT_EQ(gv->round.winIcon[0][1], -1) << "nothing in the next round's slot";
    EXPECT_EQ(gv->round.winIcon[1][0], -1);
}

TEST_F(Round, WinIconKindsSlotsAndPerfectMarks)
{
    struct Case {
        int attr, kind, stored;
    } cases[] = {
        {0, -1, 0}, {0x40, -1, 5}, {0x10, -1, 1}, {0x20, -1, 2}, {0x50, -1, 1},
        {0x60, -1, 2}, {0x800, -1, 2}, {0x400, -1, 1}, {0x10, 6, 6},
    };
    for (const Case &c : cases) {
        gv->round.wins[0] = 0;
        WinIconRecordTeam(1, c.attr, c.kind);
        EXPECT_EQ(gv->round.winIcon[0][0], c.stored) << std::hex << c.attr;
    }
    EXPECT_EQ(gv->round.winPerfect[0][0], 8);
    P(1)->life = 999;
    gv->round.wins[1] = 3;
    WinIconRecordTeam(2, 0, 1);
    EXPECT_EQ(gv->round.winIcon[1][3], 1);
    EXPECT_EQ(gv->round.winPerfect[1][3], 8) << "side 2 is undamaged";
    WinIconRecordTeam(1, 0, 1);
    EXPECT_EQ(gv->round.winPerfect[0][0], -1);
    EXPECT_EQ(WinIconTeamDamaged(1), 1);
    EXPECT_EQ(WinIconTeamDamaged(2), 0);

    gv->round.wins[0] = 10;
    WinIconRecordTeam(1, 0, 3);  // an eleventh win records nothing
    gv->round.wins[0] = 0;
    gv->round.state = 3;
    WinIconRecordTeam(1, 0, 3);
    EXPECT_EQ(gv->round.winIcon[0][0], 1) << "no icons while the round is over";
    gv->round.state = 2;
    WinIconRecordTeam(0, 0, 3);
    WinIconRecordTeam(3, 0, 3);
    WinIconRecordTeam(-1, 0, 3);
    for (int s = 0; s < 2; s++)
        for (int i = 0; i < WIN_ICON_SLOTS; i++)
            EXPECT_NE(gv->round.winIcon[s][i], 3);
}

TEST_F(Round, LifeRegainFormula)
{
    MatchSide &s = gv->side[0];
    s.regainBase = 125;
    s.regainA = 275.0f;
    s.regainB = 0.5f;
    gv->side[1].standRatio = 0.5f;
    struct Case {
        int fightTicks, framesPerCount, regain;
    } cases[] = {
        {1500, 60, 279},  // f 0.75: 125 + 0.75 x 275 x 0.75
        {0, 60, 331},     // f 1.0: 125 + 206.25
        {7200, 60, 125},  // f below 0 counts as 0
        {50, 0, 228},     // framespercount 0 counts as 1: f 0.5
        {50, -5, 228},
    };
    for (const Case &c : cases) {
        gv->round.fightTicks = c.fightTicks;
        gv->fightRound.framesPerCount = c.framesPerCount;
        EXPECT_EQ(TeamLifeRegainGet(0), c.regain) << c.fightTicks << " " << c.framesPerCount;
    }
    EXPECT_EQ(TeamLifeRegainGet(1), 0);
    EXPECT_EQ(TeamLifeRegainGet(2), 0);
}

TEST_F(Round, AnnouncementTicks)
{
    struct Case {
        const char *name;
        int state, tick, introCounter, overTick, endKind, winner, p3, demo;
        int due;
    } cases[] = {
        {"round", 1, 9, 2, 0, 0, 0, 0, 0, ROUND_ANN_ROUND},
        {"round, early", 1, 9, 1, 0, 0, 0, 0, 0, 0},
        {"round, demo", 1, 9, 2, 0, 0, 0, 0, 1, 0},
        {"fight", 2, 1, 0, 0, 0, 0, 0, 0, ROUND_ANN_FIGHT},
        {"fight, demo", 2, 1, 0, 0, 0, 0, 0, 1, 0},
        {"fight, late", 2, 2, 0, 0, 0, 0, 0, 0, 0},
        {"KO", 3, 11, 0, 0, 1, 1, 0, 0, ROUND_ANN_KO},
        {"DKO", 3, 11, 0, 0, 2, 0, 0, 0, ROUND_ANN_DKO},
        {"TO", 3, 11, 0, 0, 3, 0, 0, 0, ROUND_ANN_TO},
        {"KO, early", 3, 10, 0, 0, 1, 1, 0, 0, 0},
        {"KO counted on in state 4", 4, 5, 0, 6, 1, 1, 0, 0, ROUND_ANN_KO},
        {"win", 4, 61, 0, 40, 1, 1, 0, 0, ROUND_ANN_WIN},
        {"win2", 4, 61, 0, 40, 1, 1, 1, 0, ROUND_ANN_WIN2},
        {"side 2 wins", 4, 61, 0, 40, 1, 2, 0, 0, ROUND_ANN_WIN},
        {"draw after time over", 4, 61, 0, 40, 3, 0, 0, 0, ROUND_ANN_DRAW},
        {"no draw text after a double KO", 4, 61, 0, 40, 2, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StateAt(c.state, c.tick);
        gv->round.introCounter = c.introCounter;
        gv->round.overTick = c.overTick;
        gv->round.endKind = c.endKind;
        gv->round.winner = c.winner;
        P(3)->enabled = c.p3;
        gv->demo = c.demo;
        EXPECT_EQ(RoundAnnounceDue(), c.due);
    }
}

TEST_F(Round, AnnouncementTextsUseTheSafeFormatter)
{
    char out[64];
    SetText(gv->fightRound.roundDefaultText, "Round %i%%");
    gv->round.number = 3;
    ASSERT_EQ(RoundAnnounceText(ROUND_ANN_ROUND, out, sizeof out), 1);
    EXPECT_STREQ(out, "Round 3%");

    SetText(gv->fightRound.winText, "%s wins %n%s%s");
    SetText(gv->fightRound.win2Text, "%s & %s win");
    gv->round.winner = 1;
    ASSERT_EQ(RoundAnnounceText(ROUND_ANN_WIN, out, sizeof out), 1);
    EXPECT_STREQ(out, "P1 wins %n");
    gv->round.winner = 2;
    ASSERT_EQ(RoundAnnounceText(ROUND_ANN_WIN2, out, sizeof out), 1);
    EXPECT_STREQ(out, "P2 & P4 win");
    char small[4];
    RoundAnnounceText(ROUND_ANN_WIN2, small, sizeof small);
    EXPECT_STREQ(small, "P2 ");
    EXPECT_EQ(RoundAnnounceText(ROUND_ANN_FIGHT, out, sizeof out), 0);
}

TEST_F(Round, SkipIntroJumpsIntoTheFightOnceTheShutterStops)
{
    StateAt(1, 20);
    gv->round.skipIntro = 1;
    gv->shutterOn = 1;
    gv->shutterStep = 10;
    P(1)->frozen = 1;
    SCtrl *proj = Ctrl("type = Projectile");
    ASSERT_NE(proj, nullptr);
    Apply(P(2), proj);
    // A helper on the field and explods in both lists go with the intro.
    Player *h = PlayerNew(nullptr);
    ASSERT_NE(h, nullptr);
    h->slot = 5;
    gv->players[5] = h;
    PlayerEnableSet(5, 1);
    gv->explods = ExplodListCreate(2, nullptr);
    gv->sysExplods = ExplodListCreate(2, nullptr);
    ASSERT_GE(ExplodAddText(gv->explods, "a", nullptr, 0, 0), 0);
    ASSERT_GE(ExplodAddText(gv->sysExplods, "b", nullptr, 0, 0), 0);
    RoundUpdate();
    EXPECT_EQ(gv->round.state, 1) << "the shutter is still closing";
    EXPECT_EQ(h->enabled, 1);
    EXPECT_EQ(ProjListCount(P(2)->projList), 1);
    gv->shutterOn = 0;
    RoundUpdate();
    EXPECT_EQ(h->enabled, 0);
    EXPECT_EQ(gv->explods->live + gv->sysExplods->live, 0);
    ExplodListFree(gv->explods);
    ExplodListFree(gv->sysExplods);
    gv->explods = gv->sysExplods = nullptr;
    EXPECT_EQ(gv->round.state, 2);
    EXPECT_EQ(gv->round.tick, 0) << "entered at -1, one fight step run";
    EXPECT_EQ(gv->round.skipIntro, 0);
    EXPECT_EQ(gv->shutterOn, 1);
    EXPECT_EQ(gv->shutterHeight, 120);
    EXPECT_EQ(gv->shutterStep, -10);
    EXPECT_EQ(P(1)->frozen, 0);
    EXPECT_EQ(ProjListCount(P(2)->projList), 0) << "the main players' projectiles are gone";
    EXPECT_EQ(Mul(), 256);

    StateAt(2, 5);
    gv->round.skipIntro = 1;
    RoundUpdate();
    EXPECT_EQ(gv->round.skipIntro, 0) << "dropped outside the intro";
}

TEST_F(Round, DemoMatchFadesOutAndEnds)
{
    gv->demo = 1;
    gv->demoCfg.fightEndTime = 200;
    gv->demoCfg.introWaitCycles = 2;
    gv->introPlayed = 1;
    gv->round.demoTick = 79;
    EXPECT_EQ(RoundDemoUpdate(), 0);
    gv->round.demoTick = 140;
    RoundDemoUpdate();
    EXPECT_EQ(Mul(), 128);
    gv->round.demoTick = 200;
    EXPECT_EQ(RoundDemoUpdate(), 1);
    EXPECT_EQ(gv->quit, 1);
    EXPECT_EQ(gv->round.demoCount, 1);
    EXPECT_EQ(gv->introPlayed, 1);
    gv->round.demoTick = 200;
    RoundDemoUpdate();
    EXPECT_EQ(gv->round.demoCount, 0);
    EXPECT_EQ(gv->introPlayed, 0);

    // Through the tick: a demo match that runs out of time ends the frame.
    gv->quit = 0;
    StateAt(2, 300);
    gv->round.demoTick = 200;
    EXPECT_EQ(GameLoopTick(), 1);
    EXPECT_EQ(gv->round.noEnd, 1);
}

TEST_F(Round, ScenePhasesFadeHoldAndFadeOut)
{
    struct Case {
        int fadeIn, hold, fadeOut;
        std::vector<int> muls;
    } cases[] = {
        {4, 2, 2, {0, 64, 128, 192, 256, 256, 256, 128, 0}},
        {0, 1, 0, {256, 0}},  // a fade-out time of 0 ends at once
    };
    for (const Case &c : cases) {
        gv->quit = 0;
        gv->round.scenePhase = gv->round.sceneCounter = 0;
        gv->gameLoopMode = GAMELOOP_WIN_SCREEN;
        gv->winScreen.fadeInTime = c.fadeIn;
        gv->winScreen.holdTime = c.hold;
        gv->winScreen.fadeOutTime = c.fadeOut;
        std::vector<int> muls;
        while (!gv->quit && muls.size() < 50) {
            RoundSceneUpdate();
            muls.push_back(Mul());
        }
        EXPECT_EQ(muls, c.muls);
    }

    char out[32];
    gv->survivalSide = 1;
    gv->round.wins[0] = 7;
    RoundSceneText(out, sizeof out);
    EXPECT_STREQ(out, "") << "no text element";
    ScreenElem text{};
    StrCopy(text.text, sizeof text.text, "Rounds: %i %s");
    gv->survivalScreen.elem = &text;
    RoundSceneText(out, sizeof out);
    EXPECT_STREQ(out, "Rounds: 7 ");
    gv->survivalScreen.elem = nullptr;
}

namespace {

// The announcer's set: round 1 and 2 calls, fight, KO, double KO, time over.
class RoundSound : public Round {
protected:
    void SetUp() override
    {
        Round::SetUp();
        CfgSound &s = gv->cfg.sound;
        s.sound = s.stereoEffects = 1;
        s.panningWidth = 160;
        s.wavVolume = 175;
        s.masterWavVolume = 200;
        s.midiVolume = 31;
        gv->options.wavVolume = gv->options.midiVolume = 50;
        ASSERT_TRUE(FakeVoiceStart());
        set = SndSetCreate(6);
        int keys[][2] = {{1, 1}, {1, 2}, {2, 0}, {3, 0}, {3, 1}, {3, 2}};
        for (auto &k : keys) {
            SAMPLE *s = create_sample(8, 0, 8000, 10);
            ASSERT_TRUE(SndSetAdd(set, s, k[0], k[1]));
        }
        gv->fightSnd = set;
        FightRound &fr = gv->fightRound;
        fr.roundSndTime = 5;
        fr.roundSnd[0] = {1, 1};
        fr.roundSnd[1] = {1, 2};
        fr.fightSndTime = 3;
        fr.fightSnd = {2, 0};
        fr.koSnd = {3, 0};
        fr.dkoSnd = {3, 1};
        fr.toSnd = {3, 2};
        fr.overWaitTime = 4;
    }
    void TearDown() override
    {
        gv->fightSnd = nullptr;
        SndSetFree(set);
        FakeVoiceStop();
        Round::TearDown();
    }
    SndSet *set = nullptr;
};

} // namespace

TEST_F(RoundSound, AnnouncerSoundsPlayAtTheirTicks)
{
    struct Case {
        const char *name;
        int state, tick, introCounter, number, endKind, demo;
        int group, number2;  // group -1: nothing plays
    } cases[] = {
        {"round 1", 1, 0, 6, 1, 0, 0, 1, 1},
        {"round 2", 1, 0, 6, 2, 0, 0, 1, 2},
        {"round 3 has no sound", 1, 0, 6, 3, 0, 0, -1, 0},
        {"round 10 has none", 1, 0, 6, 10, 0, 0, -1, 0},
        {"round, early", 1, 0, 5, 1, 0, 0, -1, 0},
        {"round, demo", 1, 0, 6, 1, 0, 1, -1, 0},
        {"fight", 2, 3, 0, 1, 0, 0, 2, 0},
        {"fight, demo", 2, 3, 0, 1, 0, 1, -1, 0},
        {"fight, late", 2, 4, 0, 1, 0, 0, -1, 0},
        {"KO", 3, 10, 0, 1, ROUND_END_KO, 0, 3, 0},
        {"double KO", 3, 10, 0, 1, ROUND_END_DOUBLE_KO, 0, 3, 1},
        {"time over", 3, 10, 0, 1, ROUND_END_TIME_OVER, 0, 3, 2},
        {"KO, early", 3, 9, 0, 1, ROUND_END_KO, 0, -1, 0},
        {"KO after the wait", 4, 6, 0, 1, ROUND_END_KO, 0, 3, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeVoiceClear();
        StateAt(c.state, c.tick);
        gv->round.introCounter = c.introCounter;
        gv->round.number = c.number;
        gv->round.endKind = c.endKind;
        gv->demo = c.demo;
        RoundUpdate();
        if (c.group < 0) {
            EXPECT_TRUE(FakeVoicePlays().empty());
            continue;
        }
        ASSERT_EQ(FakeVoicePlays().size(), 1u);
        EXPECT_EQ(FakeVoicePlays()[0].sample, SndSetFind(set, c.group, c.number2));
        EXPECT_EQ(FakeVoicePlays()[0].volume, 175);
        EXPECT_EQ(FakeVoicePlays()[0].pan, 0);
    }

    // Without the fight screen's set the announcer is silent.
    FakeVoiceClear();
    gv->fightSnd = nullptr;
    StateAt(2, 3);
    gv->demo = 0;
    RoundUpdate();
    EXPECT_TRUE(FakeVoicePlays().empty());
}

TEST_F(RoundSound, TheMatchsLastFadeTurnsTheSoundDown)
{
    struct Case {
        int wins, left;
        int digital, midi;  // 77 unchanged
    } cases[] = {
        {2, 15, 198, 29}, {2, 10, 188, 19}, {2, 0, 168, 0}, {1, 5, 77, 77}, {2, 16, 77, 77},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.left);
        SndSetVolume(77, 77);
        StateAt(4, 100);
        gv->round.endTick = 100 + c.left;
        gv->round.winner = 1;
        gv->round.counted = 1;
        gv->round.wins[0] = c.wins;
        RoundUpdate();
        EXPECT_EQ(SndGetDigiVolume(), c.digital);
        EXPECT_EQ(SndGetMidiVolume(), c.midi);
    }
}

namespace {

// Rounds with pre-caching on, over a fake cache: characters 1 to 5 are not
// loaded, 0 is the field's.
class RoundPrecache : public Round {
protected:
    void SetUp() override
    {
        Round::SetUp();
        entries.resize(6);
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
        ASSERT_EQ(PrecacheInit(1), 1);
    }
    void TearDown() override
    {
        PrecacheOpponentsSet(nullptr);
        PrecacheInit(0);
        Round::TearDown();
    }
    // The round over at over.hittime, won by a side (0 a draw).
    void OverHit(int winner)
    {
        StateAt(3, gv->fightRound.overHitTime);
        gv->round.winner = winner;
        gv->round.endKind = winner ? ROUND_END_KO : ROUND_END_TIME_OVER;
        gv->round.counted = 0;
        RoundUpdate();
        PrecacheWait();
    }
};

} // namespace

TEST_F(RoundPrecache, RoundOverLoadsWhatMayFightNextAndTheRoundEndWaitsForIt)
{
    using Ints = std::vector<int>;
    PrecacheFake fake;
    // Turns: the losing side's next member.
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_TURNS, 2);
    gv->teams[1].entries[0].members[0].charIndex = 0;
    gv->teams[1].entries[1].members[0].charIndex = 3;
    OverHit(1);
    EXPECT_EQ(fake.Loads(), (Ints{3}));
    EXPECT_NE(Warnings().find("start pre-caching team 2 next 1"), std::string::npos);

    // Arcade, the human side about to win the match: the next opponents.
    gv->arcadeSide = 1;
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_SINGLE, 1);
    gv->teams[1].entries[0].members[0].charIndex = 0;
    PrecacheOpponentsSet([](int *out, int which) {
        out[0] = which ? 4 : 0;
        return 1;
    });
    gv->round.wins[0] = gv->side[0].roundsToWin - 1;
    OverHit(1);
    EXPECT_EQ(fake.Loads(), (Ints{3, 4})) << "the group after the one fought";

    // The human side loses: its own characters are kept (cached, so renewed).
    gv->round.wins[0] = 0;
    entries[0].cacheStamp = -1;
    OverHit(2);
    EXPECT_EQ(fake.Loads(), (Ints{3, 4}));
    EXPECT_EQ(entries[0].cacheStamp, gv->cacheStamp + 4);

    // Off: nothing is queued.
    PrecacheInit(0);
    gv->arcadeSide = 0;
    OverHit(1);
    EXPECT_EQ(fake.Loads(), (Ints{3, 4}));
    PrecacheInit(1);

    // A round that does not end the match collects the thread before the
    // next round is made.
    PrecacheQueueChar(5);
    ASSERT_EQ(PrecacheStart(), 1);
    StateAt(4, gv->round.endTick);
    gv->round.winner = 1;
    gv->round.counted = 1;
    gv->round.wins[0] = 1;
    for (int i = 0; i < 6; i++)
        TimerTick();
    EXPECT_EQ(RoundUpdate(), 1);
    EXPECT_EQ(gv->round.matchOver, 0);
    EXPECT_EQ(PrecacheIsRunning(), 0);
    EXPECT_EQ(fake.Loads(), (Ints{3, 4, 5}));
}
