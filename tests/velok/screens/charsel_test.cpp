// Character select and versus screens: the cursor's moves and palettes, scripted sessions of every kind of step, automatic choices, cancelling, remembered choices, drawing, and the versus screen's fades.
#include "velok/screens/charsel.h"

#include <allegro.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/grandom.h"
#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "support/bgmkit.h"
#include "support/keykit.h"
#include "support/motifkit.h"
#include "support/pixkit.h"
#include "support/precachekit.h"
#include "support/recordkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"
#include "velok/player/charpal.h"
#include "velok/player/precache.h"
#include "velok/screens/charlist.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"
#include "velok/screens/vsscreen.h"

namespace {

const KbllDevice fakeKeyboard = {
    [] { return 0; }, [] {}, [](int) {}, [](int, int) {},
};

// Default keys of the two sides.
enum Key { UP, RIGHT, DOWN, LEFT, A, B, C, X, Y, Z, START };
const int keyCodes[2][11] = {
    {200, 205, 208, 203, 51, 52, 53, 38, 39, 40, 28},
    {72, 77, 80, 75, 74, 78, 156, 69, 181, 55, 81},
};
const int ESC = 1;

// The kit motif over the characters alpha (6 palettes), beta (12) and gamma
// (3): row 0 alpha, beta, random select; row 1 empty, gamma, empty. Two
// stages. Player 1 starts on alpha, player 2 on the random cell.
class CharSelTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        MotifKitSettingsSet();
        PalFxGlobalInit();
        GameRandomSeed(3);
        for (int i = 0; i < 3; i++) {
            SelectChar c;
            c.name = names[i];
            c.pals = pals[i];
            c.value = 10 + 2 * i;
            SelectCharWrite(std::string("chars/") + names[i], std::string(names[i]) + ".def", c);
        }
        SelectStageWrite("stages/one.def", "name = \"One\"");
        SelectStageWrite("stages/two.def", "name = \"Two\"");
        StrCopy(gv->cfg.debug.startStage, sizeof gv->cfg.debug.startStage, "stages/default.def");
        Motif("alpha, stages/one.def\nbeta, stages/two.def\nrandomselect\nnobody\ngamma\n");

        for (int i = 0; i < KEY_MAX; i++)
            key[i] = 0;
        KbllDeviceSet(&fakeKeyboard);
        ASSERT_EQ(KbllInit(), 1);
        ASSERT_EQ(InputInit(), 1);
        InitKeysDefault();
    }
    void TearDown() override
    {
        InputDeinit();
        KbllDeinit();
        KbllDeviceSet(nullptr);
        SelectListsFree();
        SysFileFree();
        FightDataFree();
        PalListFree();
        PalFxGlobalFree();
        vbufTarget = VbufTarget{};
        if (canvas)
            destroy_bitmap(canvas);
        GameVarsTest::TearDown();
    }
    // Loads the kit motif with the select lines (and [Select Info] lines put first).
    void Motif(const std::string &lines, std::initializer_list<std::string> selectInfo = {},
               std::initializer_list<std::string> music = {})
    {
        SelectListsFree();
        SysFileFree();
        FightDataFree();
        MotifKit kit = MotifKitMake();
        for (const std::string &l : selectInfo)
            kit.Group("Select Info").insert(kit.Group("Select Info").begin(), l);
        for (const std::string &l : music)
            kit.Group("Music").push_back(l);
        kit.select = "[Options]\n[Characters]\n" + lines;
        kit.Write();
        ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
        ASSERT_EQ(SelectListsAlloc(), 1);
        ASSERT_EQ(SelectDefOpen("select.def"), 1);
        ASSERT_EQ(SelectDefLoad(), 1) << gv->errorText;
    }
    // One tick with these key presses, each "side key".
    int Tick(std::initializer_list<std::pair<int, Key>> presses = {})
    {
        for (auto &p : presses)
            InputEventPush(keyCodes[p.first][p.second]);
        return CharSelTick(&cs);
    }
    int TickCode(int code)
    {
        InputEventPush(code);
        return CharSelTick(&cs);
    }
    const TeamMember &Member(int team, int n) { return *TeamMemberAt(&gv->teams[team], n); }
    static constexpr const char *names[3] = {"alpha", "beta", "gamma"};
    static constexpr int pals[3] = {6, 12, 3};
    CharSel cs;
    BITMAP *canvas = nullptr;
    std::vector<int> rows;
};

// ---------------------------------------------------------------- the cursor

TEST_F(CharSelTest, CursorSkipsOrEntersEmptyRowsWrapsAndChoosesPalettes)
{
    // Rows: alpha beta / (empty) (empty) / gamma alpha.
    struct Case {
        int wrap, moveOver;
        int input, col, row;
        int wantCol, wantRow, pal;
    } cases[] = {
        {0, 0, CHARSEL_DOWN, 0, 0, 0, 2, -1},    // the empty row is skipped
        {0, 1, CHARSEL_DOWN, 0, 0, 0, 1, -1},    // and entered; no palette on an empty cell
        {0, 1, CHARSEL_DOWN | CHARSEL_A, 0, 0, 0, 1, -1},
        {0, 0, CHARSEL_UP, 0, 0, 0, 0, -1},      // the edge holds
        {1, 0, CHARSEL_UP, 0, 0, 0, 2, -1},      // or wraps, over the empty row too
        {1, 1, CHARSEL_UP, 1, 0, 1, 2, -1},
        {0, 0, CHARSEL_RIGHT, 1, 0, 1, 0, -1},
        {1, 0, CHARSEL_RIGHT, 1, 0, 0, 0, -1},
        {0, 0, CHARSEL_UP, 0, 2, 0, 0, -1},
        {0, 0, CHARSEL_A | CHARSEL_C, 0, 0, 0, 0, 2},
        {0, 0, CHARSEL_A | CHARSEL_C | CHARSEL_START_HELD, 0, 0, 0, 0, 8},
        {0, 0, CHARSEL_Z | CHARSEL_START, 1, 0, 1, 0, 5},
        {0, 0, CHARSEL_START, 1, 0, 1, 0, -1},   // start alone chooses no palette
        {0, 0, CHARSEL_DOWN | CHARSEL_B, 1, 0, 1, 2, 1},
    };
    for (int wrap = 0; wrap < 2; wrap++) {
        for (int over = 0; over < 2; over++) {
            Motif("alpha\nbeta\nnobody\nnobody\ngamma\nalpha\n",
                  {"rows = 3", "columns = 2", "wrapping = " + std::to_string(wrap),
                   "moveoveremptyboxes = " + std::to_string(over)});
            for (const Case &c : cases) {
                if (c.wrap != wrap || c.moveOver != over)
                    continue;
                SCOPED_TRACE(testing::Message() << "wrap " << wrap << " over " << over << " input " << c.input
                                                << " from " << c.col << "," << c.row);
                int col = c.col, row = c.row;
                EXPECT_EQ(CharSelCursorMove(c.input, 0, &col, &row, 0), c.pal);
                EXPECT_EQ(col, c.wantCol);
                EXPECT_EQ(row, c.wantRow);
            }
        }
    }
    // Another side's turn: nothing moves.
    int col = 0, row = 0;
    EXPECT_EQ(CharSelCursorMove(CHARSEL_RIGHT | CHARSEL_A, 1, &col, &row, 0), -1);
    EXPECT_EQ(col, 0);
}

// ---------------------------------------------------------------- sessions

TEST_F(CharSelTest, VersusSessionGivesBothTeamsAndTheStage)
{
    CharSelBegin(&cs, CHARSEL_VERSUS, 0);
    EXPECT_EQ(gv->arcadeSide, 0);
    EXPECT_EQ(gv->survivalSide, 0);
    EXPECT_EQ(Tick({{0, RIGHT}, {1, DOWN}}), CHARSEL_GOING);
    EXPECT_EQ(cs.side[0].col, 1);
    EXPECT_EQ(cs.side[1].col, 2) << "below the random cell is empty: the cursor stays";
    EXPECT_EQ(Tick({{0, B}, {1, LEFT}}), CHARSEL_GOING);
    EXPECT_EQ(cs.side[1].col, 1);
    // Player 2 holds start and presses y: palette 4 + 6 of beta too.
    KbllScancodeHook(KEY_3_PAD);
    Tick();
    EXPECT_EQ(Tick({{1, Y}}), CHARSEL_GOING);
    KbllScancodeHook(KEY_3_PAD | 0x80);
    // The stage: both sides drive it once both characters are chosen.
    EXPECT_EQ(cs.stageState, 0);
    Tick({{0, LEFT}});
    EXPECT_EQ(cs.stageState, 1);
    EXPECT_EQ(cs.stageIndex, 1) << "left from random goes to the last stage";
    Tick({{1, RIGHT}});
    EXPECT_EQ(cs.stageIndex, -1) << "right from the last goes to random";
    Tick({{1, RIGHT}});
    EXPECT_EQ(cs.stageIndex, 0);
    EXPECT_EQ(Tick({{1, START}}), CHARSEL_DONE);
    ASSERT_EQ(CharSelEnd(&cs, CHARSEL_DONE), 1);

    const TeamInfo &t1 = gv->teams[0], &t2 = gv->teams[1];
    EXPECT_EQ(t1.mode, TEAM_MODE_SINGLE);
    EXPECT_EQ(TeamMemberCount(&t1), 1);
    EXPECT_EQ(Member(0, 0).charIndex, 1);
    EXPECT_EQ(Member(0, 0).palNo, 1);
    EXPECT_EQ(Member(0, 0).slot, 1);
    EXPECT_EQ(Member(0, 0).keySet, 0);
    EXPECT_EQ(Member(0, 0).ai, 0);
    EXPECT_EQ(Member(1, 0).charIndex, 1);
    EXPECT_EQ(Member(1, 0).palNo, 10);
    EXPECT_EQ(Member(1, 0).slot, 2);
    EXPECT_EQ(Member(1, 0).keySet, 1);
    EXPECT_EQ(t2.entries[0].orderFixed, 0);
    EXPECT_EQ(gv->charList[1].palFree, 0xFFF & ~(1 << 1 | 1 << 10));
    EXPECT_STREQ(gv->stageFile, "stages/one.def");
}

TEST_F(CharSelTest, ArcadeSetsUpTheComputerSide)
{
    CharSelBegin(&cs, CHARSEL_ARCADE, 1);
    EXPECT_EQ(gv->arcadeSide, 2);
    // Player 1's keys do nothing: player 2 pressed start.
    Tick({{0, A}});
    EXPECT_EQ(Tick({{1, DOWN}}), CHARSEL_GOING);
    EXPECT_EQ(Tick({{1, X}}), CHARSEL_DONE) << "no stage choice in arcade";
    ASSERT_EQ(CharSelEnd(&cs, CHARSEL_DONE), 1);
    EXPECT_EQ(Member(1, 0).charIndex >= 0, true) << "chosen on the random cell";
    EXPECT_EQ(Member(1, 0).ai, 0);
    EXPECT_EQ(TeamMemberCount(&gv->teams[0]), 1);
    EXPECT_EQ(Member(0, 0).charIndex, -1) << "filled later from the arcade order";
    EXPECT_EQ(Member(0, 0).ai, 1);
    EXPECT_EQ(gv->teams[0].entries[0].orderFixed, 1);
    EXPECT_STREQ(gv->stageFile, "");
}

TEST_F(CharSelTest, TeamMenusGiveModesAndMemberCounts)
{
    CharSelBegin(&cs, CHARSEL_TEAM_ARCADE, 0);
    Tick({{0, DOWN}});
    EXPECT_EQ(cs.menu[0].current, 1);
    Tick({{0, DOWN}});
    Tick({{0, DOWN}});
    EXPECT_EQ(cs.menu[0].current, 2) << "no wrapping: the last item holds";
    Tick({{0, RIGHT}});
    Tick({{0, RIGHT}});
    Tick({{0, RIGHT}});
    EXPECT_EQ(cs.menu[0].value[2], 4) << "turns takes at most four";
    Tick({{0, LEFT}});
    Tick({{0, A}});  // turns with 3
    EXPECT_EQ(cs.steps[0][1].count, 3);
    Tick({{0, A}});
    Tick({{0, RIGHT}, {0, B}});
    Tick({{0, C}});
    // The enemy's menu, chosen by player 1: simul.
    Tick({{0, DOWN}});
    EXPECT_EQ(Tick({{0, START}}), CHARSEL_DONE);
    ASSERT_EQ(CharSelEnd(&cs, CHARSEL_DONE), 1);
    const TeamInfo &t1 = gv->teams[0], &t2 = gv->teams[1];
    EXPECT_EQ(t1.mode, TEAM_MODE_TURNS);
    ASSERT_EQ(t1.entryCount, 3);
    EXPECT_EQ(Member(0, 0).charIndex, 0);
    EXPECT_EQ(Member(0, 0).palNo, 0);
    EXPECT_EQ(Member(0, 1).charIndex, 1);
    EXPECT_EQ(Member(0, 1).palNo, 1);
    EXPECT_EQ(Member(0, 2).charIndex, 1);
    EXPECT_EQ(Member(0, 2).palNo, 2);
    for (int j = 0; j < 3; j++)
        EXPECT_EQ(Member(0, j).slot, 1);
    EXPECT_EQ(t2.mode, TEAM_MODE_SIMUL);
    EXPECT_EQ(TeamMemberCount(&t2), 2);
    EXPECT_EQ(Member(1, 1).slot, 4);
    EXPECT_EQ(Member(1, 1).ai, 1);
    EXPECT_EQ(gv->arcadeSide, 1);

    // The menus start from the choices made last time.
    CharSelBegin(&cs, CHARSEL_TEAM_ARCADE, 0);
    Tick();
    EXPECT_EQ(cs.menu[0].current, 2);
    EXPECT_EQ(cs.menu[0].value[2], 3);
    CharSelEnd(&cs, CHARSEL_CANCELLED);
}

TEST_F(CharSelTest, AHumanSimulSidesPartnerIsComputerDriven)
{
    // One player's controls drive the first fighter; the partner picked on
    // them fights on its own.
    for (int mode : {CHARSEL_TEAM_VERSUS, CHARSEL_TEAM_ARCADE, CHARSEL_SURVIVAL}) {
        SCOPED_TRACE(mode);
        CharSelForgetTeamModes();
        CharSelBegin(&cs, mode, 0);
        Tick({{0, DOWN}, {1, DOWN}});  // Simul, on both sides' menus in team versus
        Tick({{0, A}, {1, A}});
        Tick({{0, A}, {1, A}});        // the first member
        Tick({{0, B}, {1, B}});        // the partner
        int ticks = 0;
        while (Tick({{0, A}}) != CHARSEL_DONE)  // the other side's menu or the stage
            ASSERT_LT(++ticks, 10);
        ASSERT_EQ(CharSelEnd(&cs, CHARSEL_DONE), 1);
        for (int t = 0; t < (mode == CHARSEL_TEAM_VERSUS ? 2 : 1); t++) {
            ASSERT_EQ(gv->teams[t].mode, TEAM_MODE_SIMUL) << t;
            EXPECT_EQ(Member(t, 0).ai, 0) << t;
            EXPECT_EQ(Member(t, 1).ai, 1) << t;
            EXPECT_EQ(Member(t, 1).keySet, t) << t;
        }
        CharPalResetAll();
    }
}

TEST_F(CharSelTest, AltEnterSwitchesTheScreenAndConfirmsNothing)
{
    KeyKitModesAccepted modes;
    CharSelBegin(&cs, CHARSEL_TEAM_VERSUS, 0);
    KbllScancodeHook(KEY_ALT);
    Tick({{0, START}});
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_ACCEL) << "switched to full screen";
    EXPECT_EQ(cs.stepAt[0], 0) << "the team menu is still open";
    KbllScancodeHook(KEY_ALT | 0x80);
    Tick({{0, START}});
    EXPECT_EQ(cs.stepAt[0], 1);
    CharSelEnd(&cs, CHARSEL_CANCELLED);
}

TEST_F(CharSelTest, SecondSidesMenuHasItsValueKeysSwappedAndSurvivalOffersTwoItems)
{
    Motif("alpha, stages/one.def\nbeta, stages/two.def\nrandomselect\nnobody\ngamma\n",
          {"teammenu.move.wrapping = 1"});
    CharSelBegin(&cs, CHARSEL_TEAM_VERSUS, 1);
    Tick({{1, UP}, {0, UP}});
    EXPECT_EQ(cs.menu[1].current, 2) << "wrapping from the first item to the last";
    EXPECT_EQ(cs.menu[0].current, 2);
    Tick({{1, LEFT}, {0, RIGHT}});
    EXPECT_EQ(cs.menu[1].value[2], 3) << "left raises the second side's value";
    EXPECT_EQ(cs.menu[0].value[2], 3);
    CharSelEnd(&cs, CHARSEL_CANCELLED);

    CharSelBegin(&cs, CHARSEL_SURVIVAL, 0);
    EXPECT_EQ(gv->survivalSide, 1);
    Tick({{0, A}});  // single
    Tick({{0, A}});
    Tick();
    EXPECT_EQ(cs.menu[0].itemCount, 2);
    Tick({{0, DOWN}});
    EXPECT_EQ(Tick({{0, A}}), CHARSEL_DONE);
    CharSelEnd(&cs, CHARSEL_DONE);
    EXPECT_EQ(gv->teams[1].mode, TEAM_MODE_SIMUL);
}

TEST_F(CharSelTest, CooperativeTeamsTrainingAndTheDummy)
{
    CharSelBegin(&cs, CHARSEL_TEAM_COOP, 0);
    Tick({{0, A}, {1, A}});  // the second member waits for the first
    EXPECT_EQ(cs.stepAt[0], 1);
    Tick({{1, LEFT}});
    Tick({{1, DOWN}});
    Tick({{1, B}});
    Tick();  // the enemy's menu: single
    EXPECT_EQ(Tick({{0, A}}), CHARSEL_DONE);
    CharSelEnd(&cs, CHARSEL_DONE);
    EXPECT_EQ(gv->teams[0].mode, TEAM_MODE_SIMUL);
    EXPECT_EQ(Member(0, 0).charIndex, 0);
    EXPECT_EQ(Member(0, 0).keySet, 0);
    EXPECT_EQ(Member(0, 1).charIndex, 2);
    EXPECT_EQ(Member(0, 1).keySet, 1) << "the partner plays on the other side's controls";
    EXPECT_EQ(Member(0, 1).ai, 0);
    EXPECT_EQ(Member(0, 1).slot, 3);
    EXPECT_EQ(Member(1, 0).ai, 1);
    EXPECT_EQ(gv->arcadeSide, 1);

    CharSelBegin(&cs, CHARSEL_TRAINING, 0);
    Tick({{0, A}});
    Tick({{0, RIGHT}});
    Tick({{0, C}});
    EXPECT_EQ(Tick({{0, B}}), CHARSEL_DONE);
    CharSelEnd(&cs, CHARSEL_DONE);
    EXPECT_EQ(Member(0, 0).charIndex, 0);
    EXPECT_EQ(Member(1, 0).charIndex, 1);
    EXPECT_EQ(Member(1, 0).palNo, 2);
    EXPECT_EQ(Member(1, 0).ai, 1);
    EXPECT_EQ(Member(1, 0).keySet, 1);
    EXPECT_EQ(gv->stageFile[0] != 0, true);
}

TEST_F(CharSelTest, WatchAndDemoChooseOnTheirOwn)
{
    CharSelBegin(&cs, CHARSEL_WATCH, 0);
    EXPECT_EQ(gv->watch, 1);
    int r = CHARSEL_GOING, ticks = 0;
    while (r == CHARSEL_GOING && ticks < 2000) {
        r = Tick();
        ticks++;
    }
    ASSERT_EQ(r, CHARSEL_DONE);
    EXPECT_GT(ticks, 600) << "each menu confirms after 300 ticks";
    CharSelEnd(&cs, CHARSEL_DONE);
    for (int t = 0; t < 2; t++) {
        for (int j = 0; j < TeamMemberCount(&gv->teams[t]); j++) {
            EXPECT_GE(Member(t, j).charIndex, 0);
            EXPECT_GE(Member(t, j).palNo, 0);
            EXPECT_EQ(Member(t, j).ai, 1);
        }
    }
    EXPECT_EQ(gv->stageFile[0] != 0, true);
    gv->watch = 0;

    // A demo's select screen: any key or pad press is Escape.
    gv->demo = 1;
    for (int code : {30, INPUT_JOY_BASE + 5}) {
        CharSelBegin(&cs, CHARSEL_VERSUS, 0);
        EXPECT_EQ(Tick(), CHARSEL_GOING);
        EXPECT_EQ(TickCode(code), CHARSEL_CANCELLED) << code;
        CharSelEnd(&cs, CHARSEL_CANCELLED);
    }
    gv->demo = 0;
}

TEST_F(CharSelTest, ChosenCharactersAndBothTeamsArePreCached)
{
    ASSERT_EQ(PrecacheInit(1), 1);
    {
        PrecacheFake fake;
        CharSelBegin(&cs, CHARSEL_VERSUS, 0);
        Tick({{0, A}, {1, LEFT}});
        Tick({{1, DOWN}});
        Tick({{1, A}});
        PrecacheWait();
        std::vector<int> loads = fake.Loads();
        std::sort(loads.begin(), loads.end());
        EXPECT_EQ(loads, (std::vector<int>{0, 2})) << "each character as it is chosen";
        Tick({{0, START}});
        ASSERT_EQ(CharSelEnd(&cs, CHARSEL_DONE), 1);

        fake.loads.clear();
        VsScreen vs;
        VsScreenBegin(&vs);
        PrecacheWait();
        loads = fake.Loads();
        std::sort(loads.begin(), loads.end());
        EXPECT_EQ(loads, (std::vector<int>{0, 2})) << "both teams while the versus screen shows them";
    }
    PrecacheInit(0);
}

TEST_F(CharSelTest, EscapeCancelsAndFreesThePalettesTaken)
{
    CharSelBegin(&cs, CHARSEL_VERSUS, 0);
    Tick({{0, A}});
    EXPECT_EQ(gv->charList[0].palFree, 0x3F & ~1);
    int r = TickCode(ESC);
    EXPECT_EQ(r, CHARSEL_CANCELLED);
    EXPECT_EQ(CharSelEnd(&cs, r), 0);
    EXPECT_EQ(gv->charList[0].palFree, 0x3F);
}

TEST_F(CharSelTest, CursorsAreRememberedPerModeSlot)
{
    CharSelBegin(&cs, CHARSEL_ARCADE, 0);
    Tick({{0, RIGHT}});
    Tick({{0, A}});
    CharSelEnd(&cs, CHARSEL_DONE);
    CharSelBegin(&cs, CHARSEL_SURVIVAL, 0);
    EXPECT_EQ(cs.side[0].col, 1) << "arcade and survival share a slot";
    CharSelBegin(&cs, CHARSEL_VERSUS, 0);
    EXPECT_EQ(cs.side[0].col, 0) << "versus starts on the start cell";
    CharSelForgetCursors();
    CharSelBegin(&cs, CHARSEL_ARCADE, 0);
    EXPECT_EQ(cs.side[0].col, 0);
    CharSelForgetTeamModes();
    EXPECT_EQ(gv->motif->select.teamItem[0], -1);
}

TEST_F(CharSelTest, TheGridPortraitsCursorsAndFacesAreDrawn)
{
    canvas = PixCanvas(0);
    PixVbufTargetSet(canvas, &rows);
    CharSelBegin(&cs, CHARSEL_VERSUS, 0);
    Tick();
    CharSelDraw(&cs);
    EXPECT_EQ(PixGet(canvas, 11, 21), BgRed(MK_CURSOR1)) << "player 1's cursor over alpha";
    EXPECT_EQ(PixGet(canvas, 15, 25), BgRed(10)) << "alpha's small portrait";
    EXPECT_EQ(PixGet(canvas, 18, 28), BgRed(MK_CELL));
    EXPECT_EQ(PixGet(canvas, 39, 25), BgRed(MK_RANDOM)) << "the random cell, player 2's cursor on it";
    EXPECT_EQ(PixGet(canvas, 35, 21), BgRed(MK_CURSOR2));
    EXPECT_EQ(PixGet(canvas, 11, 33), BgRed(MK_BG)) << "an empty cell is not drawn";
    EXPECT_EQ(PixGet(canvas, 23, 33), BgRed(14)) << "gamma";
    EXPECT_EQ(PixGet(canvas, 21, 201), BgRed(11)) << "player 1's face: alpha's large portrait";
    EXPECT_EQ(PixGet(canvas, 5, 5), BgRed(MK_BG)) << "the select background";
    CharSelEnd(&cs, CHARSEL_CANCELLED);
}

using CharSelDeathTest = CharSelTest;

TEST_F(CharSelDeathTest, ProgrammingFaultsEndTheProgram)
{
    CharSelBegin(&cs, CHARSEL_ARCADE, 0);
    EXPECT_EXIT(CharSelEnd(&cs, CHARSEL_DONE), ::testing::ExitedWithCode(1), "No team: Programmer's fault");
    CharSelMenu menu{};
    CharSelStep step{};
    step.allowed = 1 << CHARSEL_ITEM_TAG;
    EXPECT_EXIT(TeamMenuInit(&menu, &step, 0), ::testing::ExitedWithCode(1), "Menu - programmer's fault");
    // A menu offering tag: choosing it is refused.
    CharSelBegin(&cs, CHARSEL_TEAM_VERSUS, 0);
    cs.steps[0][0].allowed = 1 << CHARSEL_ITEM_TAG;
    EXPECT_EXIT(Tick({{0, A}}), ::testing::ExitedWithCode(1), "Not yet implemented");
}

// ---------------------------------------------------------------- versus screen

// Key codes pushed at the start of given frames of a screen's own loop.
std::vector<std::pair<int, int>> script;
int scriptFrame;

void ScriptFrame()
{
    for (auto &p : script)
        if (p.first == scriptFrame)
            InputEventPush(p.second);
    scriptFrame++;
}

void Script(std::vector<std::pair<int, int>> s)
{
    script = std::move(s);
    scriptFrame = 0;
}

// The screens' own loops for a test: the music kit, no frame wait, the
// scripted frames.
struct ScreenLoop {
    ScreenLoop()
    {
        disp = DispState{};
        disp.noFrameWait = 1;
        MenuFrameHookSet(ScriptFrame);
    }
    ~ScreenLoop()
    {
        MenuFrameHookSet(nullptr);
        BgmKitRemove();
        disp = DispState{};
    }
    BgmKit *kit = BgmKitInstall();
};

TEST_F(CharSelTest, BothScreensRunTheirFrameLoopsWithTheMenuMusic)
{
    Motif("alpha, stages/one.def\nbeta\n", {}, {"select.bgm = select.mid", "vs.bgm = vs.mid"});
    ScreenLoop loop;
    BgmKit *k = loop.kit;

    Script({{2, keyCodes[0][RIGHT]}, {3, keyCodes[0][B]}});
    EXPECT_EQ(CharSelRun(CHARSEL_ARCADE, 0), 1);
    EXPECT_EQ(scriptFrame, 5) << "four frames to the choice, one of closing fade";
    EXPECT_EQ(Member(0, 0).charIndex, 1);
    EXPECT_EQ(Member(0, 0).palNo, 1);
    EXPECT_EQ(Member(1, 0).ai, 1);
    std::vector<std::string> calls = k->Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "midiLoad select.mid"), calls.end());
    Script({{1, ESC}});
    EXPECT_EQ(CharSelRun(CHARSEL_VERSUS, 0), 0);
    // Watch mode chooses on its own.
    Script({});
    EXPECT_EQ(CharSelRun(CHARSEL_WATCH, 0), 1);
    EXPECT_GE(Member(1, 0).charIndex, 0);
    gv->watch = 0;

    k->Take();
    Script({});
    EXPECT_EQ(VsScreenRun(), 1) << "to its end without a key";
    EXPECT_EQ(scriptFrame, 21);
    calls = k->Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "midiLoad vs.mid"), calls.end());
    EXPECT_EQ(calls.back(), "midiDestroy") << "the menu music stops at the end";
    Script({{6, keyCodes[1][A]}});
    EXPECT_EQ(VsScreenRun(), 1);
    EXPECT_EQ(scriptFrame, 11) << "a button in the hold fades out at once";
    Script({{2, ESC}});
    EXPECT_EQ(VsScreenRun(), 0);
}

TEST_F(CharSelTest, TheClosingFadeServicesTheMusicAndTheBackgroundEveryFrame)
{
    Motif("alpha\nbeta\n", {"fadeout.time = 5"}, {"select.bgm = select.mid"});
    ScreenLoop loop;
    Script({{1, keyCodes[0][A]}});
    EXPECT_EQ(CharSelRun(CHARSEL_ARCADE, 0), 1);
    EXPECT_EQ(scriptFrame, 2 + 5) << "two frames to the choice, then five of fading";
    EXPECT_EQ(loop.kit->pumps, 2 + 5) << "the menu music is serviced in every frame";
    EXPECT_EQ(gv->motif->bg[MOTIF_BG_SELECT]->tick, 2 + 5) << "the background moves on through the fade";
}

TEST_F(CharSelTest, VersusScreenFadesHoldsAndEnds)
{
    int none[2] = {0, 0}, button[2] = {0, CHARSEL_B};
    auto levels = [&](int pressAt) {
        VsScreen vs;
        VsScreenBegin(&vs);
        std::vector<int> seen;
        int r;
        while ((r = VsScreenUpdate(&vs, (int)seen.size() == pressAt ? button : none, 0)) == CHARSEL_GOING)
            seen.push_back(vs.level);
        EXPECT_EQ(r, CHARSEL_DONE);
        return seen;
    };
    // time 20, fading in and out over 4 frames each.
    std::vector<int> whole = levels(-1);
    ASSERT_EQ(whole.size(), 20u);
    EXPECT_EQ(std::vector<int>(whole.begin(), whole.begin() + 5), (std::vector<int>{0, 64, 128, 192, 256}));
    EXPECT_EQ(std::vector<int>(whole.end() - 5, whole.end()), (std::vector<int>{256, 256, 192, 128, 64}));
    // A button during the hold starts the fade-out at once; during the fade-in it does nothing.
    EXPECT_EQ(levels(8), (std::vector<int>{0, 64, 128, 192, 256, 256, 256, 256, 256, 192, 128, 64}));
    EXPECT_EQ(levels(2).size(), 20u);

    // Fade times of 0: no fade, and a button ends the screen at once.
    gv->motif->vs.fadeInTime = gv->motif->vs.fadeOutTime = 0;
    whole = levels(-1);
    EXPECT_EQ(whole, std::vector<int>(20, 256));
    EXPECT_EQ(levels(3).size(), 3u);

    VsScreen vs;
    VsScreenBegin(&vs);
    EXPECT_EQ(VsScreenUpdate(&vs, none, 1), CHARSEL_CANCELLED);
}

TEST_F(CharSelTest, VersusScreenShowsEachTeamsPortraitAndNames)
{
    canvas = PixCanvas(0);
    PixVbufTargetSet(canvas, &rows);
    TeamSetup(&gv->teams[0], 1, TEAM_MODE_SINGLE, 1);
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_SINGLE, 1);
    TeamMemberAt(&gv->teams[0], 0)->charIndex = 2;
    TeamMemberAt(&gv->teams[1], 0)->charIndex = 1;
    VsScreen vs;
    VsScreenBegin(&vs);
    int none[2] = {0, 0};
    for (int i = 0; i < 5; i++)
        VsScreenUpdate(&vs, none, 0);
    VsScreenDraw(&vs);
    EXPECT_EQ(PixGet(canvas, 41, 201), BgRed(15)) << "gamma's large portrait at p1.pos";
    EXPECT_EQ(PixGet(canvas, 279, 201), BgRed(13)) << "beta's, facing left from p2.pos";
    EXPECT_EQ(PixGet(canvas, 5, 5), BgRed(MK_BG));
}

}  // namespace
