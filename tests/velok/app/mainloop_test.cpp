// Mode loop: the after-fight decisions, the quick versus set-up, and the loop's way through its screens with the screens and the match scripted.
#include "velok/app/mainloop.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/timer.h"
#include "support/charkit.h"
#include "support/roundkit.h"
#include "velok/core/common.h"
#include "velok/core/pal.h"
#include "velok/core/team.h"
#include "velok/match/gameloop.h"
#include "velok/player/charpal.h"
#include "velok/player/precache.h"
#include "velok/screens/charsel.h"
#include "velok/screens/charlist.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"

namespace {

// ---------------------------------------------------------------- decisions

TEST(MainDecision, AfterTheFight)
{
    struct Case {
        MainFightResult r;
        int next;
        const char *why;
    } cases[] = {
        {{0, 0, 1, 1, 1, 3}, MAIN_NEXT_FREE, "left the fight"},
        {{0, 0, 0, 0, 0, 0}, MAIN_NEXT_FREE, "speed test ran out"},
        {{1, 2, 0, 0, 0, 0}, MAIN_NEXT_AFTER, "versus"},
        {{1, 2, 1, 1, 1, 3}, MAIN_NEXT_AFTER, "quit request"},
        {{1, 1, 0, 1, 1, 3}, MAIN_NEXT_AFTER, "won, matches remain"},
        {{1, 1, 0, 1, 1, 1}, MAIN_NEXT_ARCADE_DONE, "won the last match"},
        {{1, 2, 0, 2, 2, 2}, MAIN_NEXT_ARCADE_DONE, "side 2 beat the last pair"},
        {{1, 2, 0, 1, 1, 3}, MAIN_NEXT_LOST, "lost"},
        {{1, 1, 0, 2, 1, 1}, MAIN_NEXT_LOST, "side 2 lost its last match"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MainFightOutcome(&c.r), c.next) << c.why;
}

TEST(MainDecision, AfterALoss)
{
    struct Case {
        MainLossInput in;
        MainLossResult out;
        const char *why;
    } cases[] = {
        {{0, 0, 0, 0}, {MAIN_NEXT_AFTER, 1, 0}, "no screens: straight on, quitting"},
        {{0, 0, 0, 1}, {MAIN_NEXT_AFTER, 1, 1}, "game over"},
        {{1, 0, 0, 1}, {MAIN_NEXT_AFTER, 1, 0}, "no to the continue screen: no game over"},
        {{1, 1, 1, 1}, {MAIN_NEXT_AFTER, 0, 0}, "continued: on to the select screen"},
        {{1, 1, 0, 0}, {MAIN_NEXT_REPLAY, 0, 0}, "continued without the flag: the fight again"},
    };
    for (const Case &c : cases) {
        MainLossResult out = MainLossOutcome(&c.in);
        EXPECT_EQ(out.next, c.out.next) << c.why;
        EXPECT_EQ(out.quit, c.out.quit) << c.why;
        EXPECT_EQ(out.gameOver, c.out.gameOver) << c.why;
    }
}

// ---------------------------------------------------------------- quick versus

TEST(MainQuickVs, CharacterPaths)
{
    struct Case {
        const char *name, *dir, *file;
    } cases[] = {
        {"brask", "chars/brask/", "brask.def"},
        {"brask/alt.def", "chars/brask/", "alt.def"},
        {"chars/brask/alt.def", "chars/brask/", "alt.def"},
        {"charsx/a.def", "charsx/", "a.def"},  // the prefix alone is looked at
        {"Chars/brask/alt.def", "chars/Chars/brask/", "alt.def"},
        {"my\\brask.def", "chars/my\\", "brask.def"},
        {"a/b\\c.def", "chars/a/b\\", "c.def"},
    };
    for (const Case &c : cases) {
        char dir[64], file[64];
        ASSERT_EQ(MainQuickVsCharPath(c.name, dir, sizeof dir, file, sizeof file), 1) << c.name;
        EXPECT_STREQ(dir, c.dir) << c.name;
        EXPECT_STREQ(file, c.file) << c.name;
    }
    char dir[10], file[64];
    EXPECT_EQ(MainQuickVsCharPath("longname", dir, sizeof dir, file, sizeof file), 0) << "chars/longname/ does not fit";
}

TEST(MainQuickVs, Palettes)
{
    struct Case {
        int color, defaultPal, pal;
    } cases[] = {
        {-1, 1, 0}, {-1, 12, 11}, {4, 2, 4}, {11, 2, 11},
        {12, 3, 2},   // colour 13: the default instead
        {-5, 3, 2},   // colour -4
        {-1, 0, 0},   // a default out of range: the first palette
        {-1, 13, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MainQuickVsPalette(c.color, c.defaultPal), c.pal) << c.color << " " << c.defaultPal;
}

class QuickVs : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        LogStateReset();
        gv = new GameVars();
        ASSERT_EQ(SelectListsAlloc(), 1);
        CmdLineOptions none;
        CmdLineParse(&none, 1, const_cast<char **>(args));
        opt = none;
    }
    void TearDown() override
    {
        SelectListsFree();
        delete gv;
        gv = nullptr;
        LogStateReset();
        TempDirTest::TearDown();
    }
    static void CharWrite(const std::string &dir, const std::string &defName, const std::string &info)
    {
        WriteFileText(dir + "/" + defName, "[Info]\n" + info);
    }
    // chars/alpha/alpha.def with these [Info] lines.
    static void AlphaWrite(const std::string &info)
    {
        MakeDirs("chars/alpha");
        CharWrite("chars/alpha", "alpha.def", info);
    }
    const char *args[1] = {"velokw"};
    CmdLineOptions opt;
};

TEST_F(QuickVs, FourNamesMakeTwoPairsFromTheirEntries)
{
    MakeDirs("chars/alpha");
    MakeDirs("chars/beta");
    CharWrite("chars/alpha", "alpha.def", "name = \"Alpha\"\ndisplayname = \"The Alpha\"\npal.defaults = 3,13,5,6\n");
    CharWrite("chars/beta", "b2.def", "name = \"Beta\"\n");
    StrCopy(opt.playerName[0], CMDLINE_NAME_LEN, "alpha");
    StrCopy(opt.playerName[1], CMDLINE_NAME_LEN, "beta/b2.def");
    StrCopy(opt.playerName[2], CMDLINE_NAME_LEN, "beta/b2.def");
    StrCopy(opt.playerName[3], CMDLINE_NAME_LEN, "alpha");
    opt.color[2] = 7;
    opt.color[3] = 30;  // out of range: the default
    StrCopy(opt.stage, CMDLINE_NAME_LEN, "temple");
    opt.rounds = 3;
    opt.roundsGiven = 1;
    MainQuickVsSetup(opt);

    ASSERT_EQ(gv->charCount, 2) << "a name named before reuses its entry";
    EXPECT_STREQ(gv->charList[0].dir, "chars/alpha/");
    EXPECT_STREQ(gv->charList[0].defFile, "alpha.def");
    EXPECT_STREQ(gv->charList[0].displayName, "The Alpha");
    EXPECT_EQ(gv->charList[0].palDefaults[1], 2) << "13 keeps the built-in default";
    EXPECT_STREQ(gv->charList[1].dir, "chars/beta/");
    EXPECT_STREQ(gv->charList[1].displayName, "Beta");
    struct Want {
        int side, member, slot, charIndex, pal;
    } want[] = {
        {0, 0, 1, 0, 2},  // alpha's first default
        {1, 0, 2, 1, 1},  // beta's second
        {0, 1, 3, 1, 7},  // the colour given
        {1, 1, 4, 0, 5},  // alpha's fourth default
    };
    for (const Want &w : want) {
        const TeamInfo &t = gv->teams[w.side];
        EXPECT_EQ(t.mode, TEAM_MODE_SIMUL);
        EXPECT_EQ(t.isTeam, 1);
        ASSERT_EQ(t.entryCount, 1);
        const TeamMember &m = t.entries[0].members[w.member];
        EXPECT_EQ(m.slot, w.slot);
        EXPECT_EQ(m.charIndex, w.charIndex) << w.slot;
        EXPECT_EQ(m.palNo, w.pal) << w.slot;
        EXPECT_EQ(m.keySet, w.side);
    }
    EXPECT_STREQ(gv->stageFile, "stages/temple.def");
    EXPECT_EQ(gv->cmdRounds, 3);
}

TEST_F(QuickVs, TwoNamesMakeSinglesAndTheRoundsStayUnlessGiven)
{
    AlphaWrite("name = \"Alpha\"\n");
    StrCopy(opt.playerName[0], CMDLINE_NAME_LEN, "alpha");
    StrCopy(opt.playerName[1], CMDLINE_NAME_LEN, "chars/alpha/alpha.def");
    MainQuickVsSetup(opt);
    EXPECT_EQ(gv->charCount, 2) << "the same file under another name is another entry";
    for (int s = 0; s < 2; s++) {
        EXPECT_EQ(gv->teams[s].mode, TEAM_MODE_SINGLE);
        EXPECT_EQ(gv->teams[s].entries[0].memberCount, 1);
        EXPECT_EQ(gv->teams[s].entries[0].members[0].palNo, s) << "defaults 1 and 2";
    }
    EXPECT_EQ(gv->cmdRounds, 0);
    EXPECT_STREQ(gv->stageFile, "");
}

TEST_F(QuickVs, ACharactersInfoReadsAsTheSelectFileReadsIt)
{
    // One set of bad defaults, entered from the command line and from the
    // select file: each value outside 1 to 12 keeps the default of its place.
    AlphaWrite("name = \"Alpha\"\npal.defaults = 3,0,14,-2\n");
    StrCopy(opt.playerName[0], CMDLINE_NAME_LEN, "alpha");
    StrCopy(opt.playerName[1], CMDLINE_NAME_LEN, "alpha");
    MainQuickVsSetup(opt);

    gv->motif = new Motif();
    SelectInfo &si = gv->motif->select;
    si.rows = si.columns = si.cellCount = 1;
    si.cells = (SelectCell *)LibCalloc(1, sizeof(SelectCell));
    WriteFileText("select.def", "[Options]\n[Characters]\nalpha\n");
    ASSERT_EQ(SelectDefOpen("select.def"), 1);
    ASSERT_EQ(SelectDefLoad(), 1) << gv->errorText;
    ASSERT_EQ(gv->charCount, 2);
    const std::vector<int> want = {3, 2, 3, 4};
    for (int i = 0; i < 2; i++) {
        const CharInfo &e = gv->charList[i];
        EXPECT_EQ(std::vector<int>(e.palDefaults, e.palDefaults + 4), want) << (i ? "select file" : "quick versus");
        EXPECT_STREQ(e.displayName, "Alpha");
    }
    EXPECT_EQ(gv->teams[1].entries[0].members[0].palNo, 1) << "player 2 on its place's default";
    SysFileFree();
}


TEST_F(QuickVs, AMissingCharacterOrFirstPlayerStopsTheProgram)
{
    StrCopy(opt.playerName[0], CMDLINE_NAME_LEN, "nobody");
    StrCopy(opt.playerName[1], CMDLINE_NAME_LEN, "nobody");
    EXPECT_EXIT(MainQuickVsSetup(opt), testing::ExitedWithCode(1),
                "Error message: Cannot find character: chars/nobody/nobody.def");

    AlphaWrite("name = \"Alpha\"\n");
    opt.playerName[0][0] = 0;
    StrCopy(opt.playerName[1], CMDLINE_NAME_LEN, "alpha");
    EXPECT_EXIT(MainQuickVsSetup(opt), testing::ExitedWithCode(1), "Error message: No character given for player 1");
}

// ---------------------------------------------------------------- the loop

// A fight's end as the round loop leaves it.
struct FightEnd {
    int matchOver, winner, quit;
};

// What the scripted screens and match steps did, in order, and what they are
// to answer next; an empty script cancels, exits or leaves the fight.
struct Script {
    std::string trace;
    std::deque<int> titles;
    std::deque<int> selects;      // 0 cancels
    std::deque<FightEnd> fights;
    std::deque<int> continues;
    std::string stageChosen;      // what the select screen leaves as the stage
    std::vector<int> humanPals;   // the palette the human's pick of palette 1 got, per visit
    int fightsRun = 0;
    float sceneX[5] = {};         // players' places in the last scene
    int sceneState[5] = {};
    int sceneEnabled[5] = {};
    std::vector<int> sceneFrames; // frames each scene ran, where the round loop ran it
};
Script *script;

void Note(const std::string &s)
{
    script->trace += script->trace.empty() ? s : " " + s;
}

template <class T>
T Pop(std::deque<T> &q, T otherwise)
{
    if (q.empty())
        return otherwise;
    T v = q.front();
    q.pop_front();
    return v;
}

void IntroPlay()
{
    Note("intro");
}

int Title()
{
    Note("title");
    return Pop(script->titles, (int)TITLE_EXIT);
}

void StoryboardPlay(const char *name, const char *scene)
{
    Note(std::string("story:") + name + (strcmp(scene, "scene") == 0 ? "" : "?"));
}

// As the select screen: the human side and the teams of the mode, the
// computer's characters left to the arcade order.
int CharSel(int mode, int side)
{
    Note("select" + std::to_string(mode));
    int r = Pop(script->selects, 0);
    if (!r)
        return 0;
    bool ladder = mode == CHARSEL_ARCADE || mode == CHARSEL_TEAM_ARCADE || mode == CHARSEL_TEAM_COOP;
    bool survival = mode == CHARSEL_SURVIVAL || mode == CHARSEL_SURVIVAL_COOP;
    gv->arcadeSide = ladder ? side + 1 : 0;
    gv->survivalSide = survival ? side + 1 : 0;
    StrCopy(gv->stageFile, sizeof gv->stageFile, script->stageChosen.c_str());
    for (int s = 0; s < 2; s++) {
        TeamSetup(&gv->teams[s], s + 1, TEAM_MODE_SINGLE, 1);
        bool computer = (ladder || survival) && s != side;
        gv->teams[s].entries[0].members[0].charIndex = computer ? -1 : 0;
        gv->teams[s].entries[0].members[0].ai = computer;
        if (!computer && s == side) {
            int pal = CharReservePal(1, 0);
            gv->teams[s].entries[0].members[0].palNo = pal;
            script->humanPals.push_back(pal);
        }
    }
    return 1;
}

int VsScreen()
{
    Note("vs");
    return 1;
}

int ContinueAsk()
{
    Note("continue");
    int yes = Pop(script->continues, 0);
    if (yes)
        gv->continueChosen = 1;
    return yes;
}

void Nothing()
{
}

int StageLoadNote()
{
    std::string opp;
    if (gv->arcadeSide) {
        int c = gv->teams[2 - gv->arcadeSide].entries[0].members[0].charIndex;
        opp = "/vs" + std::to_string(c);
    }
    Note(std::string("stage:") + gv->stageFile + opp);
    return 1;
}

int TeamsSetup(int)
{
    return 1;
}

int GameLoopRunScripted(int mode)
{
    if (mode != GAMELOOP_MATCH) {
        Note(mode == GAMELOOP_WIN_SCREEN ? "win" : "results");
        for (int slot = 1; slot <= 4; slot++) {
            Player *pl = PlayerSlotGet(slot);
            script->sceneX[slot] = pl ? pl->posX : 0;
            script->sceneState[slot] = pl ? pl->state.stateNo : 0;
            script->sceneEnabled[slot] = pl ? pl->enabled : 0;
        }
        gv->quit = 1;
        return 1;
    }
    Note("fight");
    script->fightsRun++;
    FightEnd e = Pop(script->fights, FightEnd{0, 0, 1});
    gv->round.matchOver = e.matchOver;
    gv->round.matchWinner = e.winner;
    gv->quit = e.quit;
    return 1;
}

void PlayersFree()
{
    Note("free");
}

// Scenes run in the round loop itself, frame by frame on the fake frame timer.
int GameLoopRunScenes(int mode)
{
    if (mode == GAMELOOP_MATCH)
        return GameLoopRunScripted(mode);
    GameLoopEnter(mode);
    int frames = 0, go;
    do {
        for (int i = 0; i < 3; i++)
            TimerTick();
        go = GameLoopFrame();
        frames++;
    } while (go > 0 && frames < 100);
    GameLoopLeave();
    script->sceneFrames.push_back(frames);
    return go >= 0;
}

const MainLoopCalls scripted = {
    IntroPlay, Title,       StoryboardPlay, CharSel,    VsScreen,           ContinueAsk,
    Nothing,   Nothing,     StageLoadNote,  TeamsSetup, GameLoopRunScripted, PlayersFree,
};

// A four-player field with the kit character as entry 0 (never an arcade
// opponent) and two opponents of order 1 without arcade stages as entries 1
// and 2; the arcade meets both; the configured start stage; no motif screens.
class ModeLoop : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        entries.resize(3);
        for (int i = 1; i < 3; i++) {
            memset(&entries[i], 0, sizeof entries[i]);
            entries[i].order = 0;
        }
        entries[0].order = -1;
        gv->charList = entries.data();
        gv->charCount = 3;
        gv->arcadeMaxMatches[0] = 2;
        StrCopy(gv->cfg.debug.startStage, sizeof gv->cfg.debug.startStage, "stages/start.def");
        gv->motif = new Motif();
        gv->introPlayed = 0;
        PrecacheInit(0);
        script = &s;
        MainLoopCallsSet(&scripted);
    }
    void TearDown() override
    {
        MainLoopCallsSet(nullptr);
        script = nullptr;
        delete gv->motif;
        gv->motif = nullptr;
        MenuMotifDefaults(&menuMotif);
        RoundField::TearDown();
    }
    Motif &M() { return *gv->motif; }
    Script s;
};

TEST_F(ModeLoop, ExitOnTheFirstTitleReturnsAfterTheIntro)
{
    MainLoop(1);
    EXPECT_EQ(s.trace, "title") << "no intro named";
    s.trace.clear();
    StrCopy(menuMotif.introStoryboard, sizeof menuMotif.introStoryboard, "intro.def");
    MainLoop(1);
    EXPECT_EQ(s.trace, "intro title");
    EXPECT_EQ(gv->introPlayed, 1);
}

TEST_F(ModeLoop, VersusComesBackToTheSelectScreenUntilItIsCancelled)
{
    StrCopy(menuMotif.introStoryboard, sizeof menuMotif.introStoryboard, "intro.def");
    s.titles = {CHARSEL_VERSUS, CHARSEL_WATCH};
    s.selects = {1, 1, 0, 1, 0};
    s.fights = {{1, 2, 0}, {1, 1, 0}, {1, 1, 0}};
    s.stageChosen = "RANDOM";  // any case
    gv->stageList = (SelectStage *)LibCalloc(1, sizeof(SelectStage));
    StrCopy(gv->stageList[0].path, sizeof gv->stageList[0].path, "stages/only.def");
    gv->stageCount = 1;
    MainLoop(1);
    EXPECT_EQ(s.trace, "intro title "
                       "select1 vs stage:stages/only.def fight free "
                       "select1 vs stage:stages/only.def fight free "
                       "select1 title "
                       "select8 vs stage:stages/only.def fight free select8 title");
    EXPECT_EQ(gv->totalMatches, 3);
    MemFree(gv->stageList);
    gv->stageList = nullptr;
    gv->stageCount = 0;
}

TEST_F(ModeLoop, AWonArcadeMeetsEveryOpponentOnTheStartStageThenEndsAndPlaysTheIntroAgain)
{
    StrCopy(menuMotif.introStoryboard, sizeof menuMotif.introStoryboard, "intro.def");
    M().winScreenEnabled = 1;
    M().defaultEnding.enabled = 1;
    StrCopy(M().defaultEnding.storyboard, MOTIF_PATH_LEN, "ending.def");
    M().endCredits.enabled = 1;
    StrCopy(M().endCredits.storyboard, MOTIF_PATH_LEN, "credits.def");
    s.titles = {CHARSEL_ARCADE};
    s.selects = {1};
    s.fights = {{1, 1, 0}, {1, 1, 0}};
    // One-member sides: no partners.
    for (int slot = 3; slot <= 4; slot++) {
        PlayerEnableSet(slot, 0);
        PalListRemove(gv->players[slot]->palMask);
        PlayerFree(gv->players[slot]);
        gv->players[slot] = nullptr;
    }
    MainLoop(1);
    // The order of the two opponents is drawn; each is met once.
    std::string first = s.trace.find("/vs1") < s.trace.find("/vs2") ? "1" : "2";
    std::string second = first == "1" ? "2" : "1";
    EXPECT_EQ(s.trace, "intro title select0 "
                       "vs stage:stages/start.def/vs" + first + " fight free "
                       "vs stage:stages/start.def/vs" + second + " fight win free story:ending.def story:credits.def "
                       "intro title");
    // The win screen showed the arcade side's player alone, in the middle, posing.
    EXPECT_EQ(s.sceneEnabled[1], 1);
    EXPECT_EQ(s.sceneEnabled[2], 0);
    EXPECT_EQ(s.sceneState[1], 180);
    EXPECT_EQ(s.sceneX[1], gv->cameraX + 160.0f);
}

TEST_F(ModeLoop, ALossWithoutContinueOrGameOverGoesStraightToTheTitle)
{
    StrCopy(menuMotif.introStoryboard, sizeof menuMotif.introStoryboard, "intro.def");
    s.titles = {CHARSEL_ARCADE};
    s.selects = {1};
    s.fights = {{1, 2, 0}};
    MainLoop(1);
    EXPECT_EQ(s.trace.substr(s.trace.find("fight")), "fight free title") << s.trace;

    // With the game-over screen its storyboard plays and the intro comes back.
    s = Script();
    M().gameOver.enabled = 1;
    StrCopy(M().gameOver.storyboard, MOTIF_PATH_LEN, "over.def");
    s.titles = {CHARSEL_ARCADE};
    s.selects = {1};
    s.fights = {{1, 2, 0}};
    MainLoop(1);
    EXPECT_EQ(s.trace.substr(s.trace.find("fight")), "fight free story:over.def intro title") << s.trace;
}

TEST_F(ModeLoop, ContinuingPassesThroughTheSelectScreenToTheSameOpponent)
{
    entries[1].order = entries[2].order = 0;
    StrCopy(entries[1].stage, sizeof entries[1].stage, "stages/one.def");
    StrCopy(entries[2].stage, sizeof entries[2].stage, "stages/two.def");
    M().continueScreen.enabled = 1;
    M().gameOver.enabled = 1;
    StrCopy(M().gameOver.storyboard, MOTIF_PATH_LEN, "over.def");
    entries[0].palMask = entries[0].palFree = 0xFFF;
    s.titles = {CHARSEL_ARCADE};
    s.selects = {1, 1, 0};
    // Lose, continue, lose again, continue, and cancel the select screen.
    s.fights = {{1, 2, 0}, {1, 2, 0}};
    s.continues = {1, 1};
    MainLoop(1);
    size_t at = s.trace.find("stage:");
    std::string meeting = s.trace.substr(at, s.trace.find(" ", at) - at);
    EXPECT_EQ(s.trace, "title select0 vs " + meeting + " fight continue free select0 vs " + meeting +
                           " fight continue free select0 title")
        << "the opponent's own stage each time; no game over after a continue screen";
    EXPECT_EQ(gv->continueChosen, 0);
    EXPECT_EQ(gv->totalMatches, 2);
    EXPECT_EQ(s.humanPals, (std::vector<int>{1, 1})) << "the lost team's palette is free for the new pick";
}

TEST_F(ModeLoop, SurvivalShowsItsResultsWithThePairAroundTheCentre)
{
    M().survivalEnabled = 1;
    M().survivalRoundsToWin = 3;
    s.titles = {CHARSEL_SURVIVAL};
    s.selects = {1};
    s.fights = {{1, 2, 0}};
    gv->round.wins[0] = 3;
    MainLoop(1);
    EXPECT_EQ(s.trace, "title select5 vs stage:stages/start.def fight results free title");
    // Side 1 fought as a pair: both pose, 40 pixels either side of the centre.
    float centre = gv->cameraX + 160.0f;
    EXPECT_EQ(s.sceneState[1], 180) << "three wins reach roundstowin";
    EXPECT_EQ(s.sceneX[1], centre - 40.0f);
    EXPECT_EQ(s.sceneX[3], centre + 40.0f);
    EXPECT_EQ(P(3)->facing, -P(1)->facing);
    EXPECT_EQ(P(1)->shownOnly, 1);
    EXPECT_EQ(s.sceneEnabled[2], 0);
}

TEST_F(ModeLoop, EveryScreenAfterAFightFadesInHoldsAndFadesOut)
{
    // A scene starts faded out at its first tick, whatever the last one left.
    const MainLoopCalls scenes = {
        IntroPlay, Title,       StoryboardPlay, CharSel,    VsScreen,          ContinueAsk,
        Nothing,   Nothing,     StageLoadNote,  TeamsSetup, GameLoopRunScenes, PlayersFree,
    };
    MainLoopCallsSet(&scenes);
    for (SceneCfg *c : {&gv->winScreen, &gv->survivalScreen}) {
        c->fadeInTime = 4;
        c->holdTime = 2;
        c->fadeOutTime = 2;
    }
    gv->arcadeSide = 1;
    MainWinScreenRun();
    MainWinScreenRun();
    gv->survivalSide = 1;
    MainSurvivalResultsRun();
    EXPECT_EQ(s.sceneFrames, (std::vector<int>{9, 9, 9})) << "4 fading in, 3 held, 2 fading out";
}

TEST_F(ModeLoop, ADemoWithoutItsScreensFightsTwoRandomCharactersThenShowsTheTitle)
{
    s.titles = {CHARSEL_VERSUS};
    s.fights = {{1, 1, 0}};
    static const MainLoopCalls demo = {
        IntroPlay, [] {
            int r = Title();
            if (r != TITLE_EXIT)
                gv->demo = 1;
            return r;
        },
        StoryboardPlay, CharSel, VsScreen, ContinueAsk, Nothing, Nothing, StageLoadNote, TeamsSetup,
        GameLoopRunScripted, PlayersFree,
    };
    MainLoopCallsSet(&demo);
    MainLoop(1);
    EXPECT_EQ(s.trace, "title stage:stages/start.def fight free title");
    for (int t = 0; t < 2; t++) {
        const TeamMember &m = gv->teams[t].entries[0].members[0];
        EXPECT_GE(m.charIndex, 0);
        EXPECT_EQ(m.ai, 1);
    }
    EXPECT_EQ(gv->demo, 0) << "over once the title is back";
}

TEST_F(ModeLoop, TheQuickVersusMatchRunsOnceWithoutItsScreens)
{
    StrCopy(menuMotif.introStoryboard, sizeof menuMotif.introStoryboard, "intro.def");
    s.fights = {{1, 1, 0}};
    gv->cmdRounds = 4;
    MainLoop(0);
    EXPECT_EQ(s.trace, "stage:stages/start.def fight free");
    EXPECT_EQ(gv->titleChoice, TITLE_VERSUS);
    EXPECT_EQ(gv->side[0].roundsToWin, 4);
    EXPECT_EQ(gv->side[1].roundsToWin, 4);
}

}  // namespace
