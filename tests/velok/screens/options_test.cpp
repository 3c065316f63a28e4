// The options screen and key configuration driven by scripted keys: value steps and texts, pages, defaults, the load and save round trip, assigning keys and pad buttons.
#include "velok/screens/options.h"

#include <allegro.h>
#include <string>
#include <vector>

#include "lib/txtparse.h"
#include "support/menukit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"
#include "velok/screens/menus.h"

namespace {

// Player 1's keys are the built-in ones: Up, Right, Down, Left, "," for a.
const char *kCfg =
    "; options kept by the options screen\n"
    "[Options]\nDifficulty = 4\nLife = 100\nTime = 99\nGameSpeed = 0\nWavVolume = 50\nMidiVolume = 50\n"
    "motif = data/system.def\n"
    "[Input]\nP1.UseKeyboard = 1\nP2.UseKeyboard = 1\nP1.Joystick.type = 0\nP2.Joystick.type = 0\n"
    "[P1 Keys]\nJump = 200\nCrouch = 208\nLeft = 203\nRight = 205\nA = 51\nB = 52\nC = 53\nX = 38\nY = 39\n"
    "Z = 40\nStart = 28\n"
    "[P2 Keys]\nJump = 72\nCrouch = 80\nLeft = 75\nRight = 77\nA = 74\nB = 78\nC = 156\nX = 69\nY = 181\n"
    "Z = 55\nStart = 81\n";

class Options : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        MakeDirs("data");
        WriteFileText("data/velok.cfg", kCfg);
        SysOptionsDefault();
    }
    int Step(const MenuScript &s) { return PlayThrough(s, MenuOptionsFrame); }
    static MenuScript Taps(int key, int n)
    {
        MenuScript s;
        for (int i = 0; i < n; i++)
            s.Tap(key);
        return s;
    }
    std::string Log()
    {
        LogWrite("close log");
        return ReadFileText("velokw.log");
    }
};

TEST_F(Options, ValuesStepWithinTheirRangesAndShowTheirTexts)
{
    struct Step {
        int kind, value, dir, next;
    } steps[] = {
        {OPTV_DIFFICULTY, 1, -1, 1},   {OPTV_DIFFICULTY, 8, 1, 8},    {OPTV_DIFFICULTY, 4, 1, 5},
        {OPTV_LIFE, 30, -1, 30},       {OPTV_LIFE, 100, 1, 110},      {OPTV_LIFE, 295, 1, 300},
        {OPTV_TIME, 20, -1, 20},       {OPTV_TIME, 80, 1, 99},        {OPTV_TIME, 99, 1, -1},
        {OPTV_TIME, -1, 1, -1},        {OPTV_TIME, -1, -1, 99},       {OPTV_TIME, 50, 1, 60},
        {OPTV_TIME, 50, -1, 40},       {OPTV_SPEED, -9, -1, -9},      {OPTV_SPEED, 9, 1, 9},
        {OPTV_VOLUME, 0, -1, 0},       {OPTV_VOLUME, 95, 1, 100},     {OPTV_VOLUME, 50, -1, 40},
        {OPTV_TEAM_LIFE, 0, 1, 100},   {OPTV_TEAM_LIFE, 300, 1, 300}, {OPTV_TEAM_KO, 0, 1, 1},
        {OPTV_TEAM_KO, 1, 1, 1},       {OPTV_JOY_TYPE, 0, -1, 0},     {OPTV_JOY_TYPE, 0, 1, 1},
        {OPTV_JOY_TYPE, 22, 1, 2},     {OPTV_JOY_TYPE, 8, 1, 8},      {OPTV_LOAD_SAVE, 1, -1, 0},
    };
    for (const Step &s : steps)
        EXPECT_EQ(OptionValueStep(s.kind, s.value, s.dir), s.next) << s.kind << " " << s.value << " " << s.dir;

    struct Text {
        int kind, value;
        const char *text;
    } texts[] = {
        {OPTV_DIFFICULTY, 2, "Easy 2"},  {OPTV_DIFFICULTY, 3, "Medium 3"}, {OPTV_DIFFICULTY, 6, "Hard 6"},
        {OPTV_LIFE, 150, "150%"},        {OPTV_TIME, 60, "60"},            {OPTV_TIME, -1, "None"},
        {OPTV_SPEED, 0, "Normal"},       {OPTV_SPEED, -3, "Slow 3"},       {OPTV_SPEED, 9, "Fast 9"},
        {OPTV_VOLUME, 0, "Off"},         {OPTV_VOLUME, 100, "Max"},        {OPTV_VOLUME, 40, "40"},
        {OPTV_TEAM_KO, 0, "Team loses"}, {OPTV_TEAM_KO, 1, "AI keeps fighting"},
        {OPTV_JOY_TYPE, 0, "Disabled"},  {OPTV_JOY_TYPE, 5, "Sidewinder"}, {OPTV_JOY_TYPE, 22, "Auto"},
        {OPTV_LOAD_SAVE, 0, "Load"},     {OPTV_LOAD_SAVE, 1, "Save"},
    };
    for (const Text &t : texts) {
        char out[OPTION_TEXT_LEN];
        OptionValueText(t.kind, t.value, out, sizeof out);
        EXPECT_STREQ(out, t.text);
    }
}

TEST_F(Options, SaveAndLoadRoundTripThroughTheFile)
{
    MenuOptionsEnter();
    // Difficulty 4 -> 6, then down to Life: 100 -> 80.
    ASSERT_EQ(Step(Taps(KEY_RIGHT, 2).Tap(KEY_DOWN).Tap(KEY_LEFT).Tap(KEY_LEFT)), 1);
    EXPECT_EQ(gv->options.difficulty, 6);
    EXPECT_EQ(gv->options.life, 80);

    // Up from Life twice wraps to "Return to Main Menu", then to Load/Save,
    // which shows "Save"; a button saves.
    ASSERT_EQ(Step(Taps(KEY_UP, 3)), 1);
    ASSERT_EQ(MenuOptionsRow(), OPT_LOAD_SAVE);
    EXPECT_EQ(MenuOptionsLoadSave(), 1);
    ASSERT_EQ(Step(MenuScript().Tap(KEY_COMMA)), 1);
    EXPECT_STREQ(MenuOptionsMessage(), "Options Saved");
    std::string saved = ReadFileText("data/velok.cfg");
    EXPECT_NE(saved.find("Difficulty = 6"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Life = 80"), std::string::npos);
    EXPECT_EQ(saved.rfind("; options kept by the options screen\n", 0), 0u) << "other lines stay";

    // Changed again, then read back from the file: "Load" is one step left.
    gv->options.difficulty = 1;
    gv->options.life = 300;
    ASSERT_EQ(Step(MenuScript().Tap(KEY_LEFT).Tap(KEY_COMMA)), 1);
    EXPECT_STREQ(MenuOptionsMessage(), "Options Loaded");
    EXPECT_EQ(gv->options.difficulty, 6);
    EXPECT_EQ(gv->options.life, 80);

    // The message goes after a while; Default Values resets the options.
    ASSERT_EQ(Step(MenuScript().Wait(OPTION_MESSAGE_FRAMES)), 1);
    EXPECT_EQ(MenuOptionsMessage(), nullptr);
    ASSERT_EQ(Step(MenuScript().Tap(KEY_UP).Tap(KEY_COMMA)), 1);
    EXPECT_EQ(gv->options.difficulty, 4);
    EXPECT_EQ(gv->options.life, 100);

    // "Return to Main Menu" leaves without saving.
    gv->options.difficulty = 2;
    EXPECT_EQ(Step(MenuScript().Tap(KEY_DOWN).Tap(KEY_DOWN).Tap(KEY_COMMA)), 0);
    MenuOptionsLeave();
    EXPECT_NE(ReadFileText("data/velok.cfg").find("Difficulty = 6"), std::string::npos);
}

TEST_F(Options, TeamAndInputPages)
{
    MenuOptionsEnter();
    // Team Mode Config: the advantage from 0 steps into its range, the KO
    // rule turns over, F1 gives the defaults, Escape goes back.
    ASSERT_EQ(Step(Taps(KEY_DOWN, 7).Tap(KEY_COMMA)), 1);
    ASSERT_EQ(MenuOptionsPage(), OPT_PAGE_TEAM);
    ASSERT_EQ(Step(MenuScript().Tap(KEY_RIGHT).Tap(KEY_DOWN).Tap(KEY_RIGHT)), 1);
    EXPECT_EQ(gv->options.team1Vs2Life, 100);
    EXPECT_EQ(gv->options.teamLoseOnKO, 1);
    ASSERT_EQ(Step(MenuScript().Tap(KEY_F1)), 1);
    EXPECT_EQ(gv->options.team1Vs2Life, 200);
    EXPECT_EQ(gv->options.teamLoseOnKO, 0);
    ASSERT_EQ(Step(MenuScript().Tap(KEY_ESC)), 1);
    EXPECT_EQ(MenuOptionsPage(), OPT_PAGE_MAIN);
    EXPECT_EQ(MenuOptionsRow(), OPT_TEAM);

    // Input Config: player 2's joystick type, player 1's keys back to the
    // built-in ones, and leaving the page sets the input up.
    ASSERT_EQ(Step(MenuScript().Tap(KEY_UP).Tap(KEY_COMMA)), 1);
    ASSERT_EQ(MenuOptionsPage(), OPT_PAGE_INPUT);
    ASSERT_EQ(Step(Taps(KEY_DOWN, 5).Tap(KEY_RIGHT).Tap(KEY_RIGHT)), 1);
    EXPECT_EQ(gv->cfg.input.joyType[1], 2);
    gv->cfg.input.keys[0].key[8] = 30;
    ASSERT_EQ(Step(Taps(KEY_UP, 2).Tap(KEY_COMMA)), 1);  // player 1's Default Values
    EXPECT_EQ(gv->cfg.input.keys[0].key[8], 38);
    gv->cfg.input.joyType[1] = 0;  // no pad to install here
    ASSERT_EQ(Step(MenuScript().Tap(KEY_ESC)), 1);
    EXPECT_EQ(MenuOptionsPage(), OPT_PAGE_MAIN);
    EXPECT_EQ(Step(MenuScript().Tap(KEY_ESC)), 0) << "Escape on the main page returns";
    MenuOptionsLeave();
    std::string log = Log();
    EXPECT_NE(log.find("Setting up input\n"), std::string::npos) << log;
}

TEST_F(Options, KeyConfigAssignsDisablesAndCancels)
{
    KeyConfig &p1 = gv->cfg.input.keys[0];
    KeyConfig before = p1;
    MenuKeyConfigEnter(KEYCONFIG_PAGE_KEYS, 0);
    ASSERT_EQ(MenuKeyConfigRow(), KC_ROW_ALL);

    // "Config all": Up, Down, Left, Right, then a to start; Space disables C.
    MenuScript all;
    all.Tap(KEY_COMMA);
    for (int k : {KEY_W, KEY_S, KEY_A, KEY_D, KEY_U, KEY_I, KEY_SPACE, KEY_J, KEY_K, KEY_L, KEY_ENTER})
        all.Tap(k);
    Play(all);
    while (Frames() < (int)all.frames.size())
        ASSERT_EQ(MenuKeyConfigFrame(), 1);
    EXPECT_EQ(MenuKeyConfigWaiting(), 0);
    EXPECT_EQ(MenuKeyConfigRow(), KC_ROW_ALL);
    std::vector<int> keys(p1.key + 1, p1.key + 12);
    // Slots: Jump, Right, Crouch, Left, a, b, c, x, y, z, start.
    EXPECT_EQ(keys, (std::vector<int>{17, 32, 31, 30, 22, 23, SYSKEYS_KEY_NONE, 36, 37, 38, 28}));

    // Escape in the middle of "Config all" (F1) stops it: what was assigned stays.
    InitKeysConfigDefault(0);
    Play(MenuScript().Tap(KEY_F1).Tap(KEY_W).Tap(KEY_ESC).Wait(1));
    while (Frames() < 7)
        ASSERT_EQ(MenuKeyConfigFrame(), 1);
    EXPECT_EQ(MenuKeyConfigWaiting(), 0);
    EXPECT_EQ(p1.key[1], 17);
    EXPECT_EQ(p1.key[3], before.key[3]);

    EXPECT_EQ(MenuKeyConfigRow(), KC_ROW_ALL) << "the cancelled run puts the cursor back";

    // F3 restores player 1's keys (the cursor on its Default); then one entry
    // of player 2: right, down past Exit to "Down", a button and Q; Escape
    // leaves on player 2's side.
    KeyConfig &p2 = gv->cfg.input.keys[1];
    MenuScript one = MenuScript().Tap(KEY_F3).Tap(KEY_RIGHT);
    for (int i = 0; i < 4; i++)
        one.Tap(KEY_DOWN);
    one.Tap(KEY_COMMA).Tap(KEY_Q);
    Play(one);
    while (Frames() < (int)one.frames.size())
        ASSERT_EQ(MenuKeyConfigFrame(), 1);
    EXPECT_EQ(p1.key[1], before.key[1]);
    EXPECT_EQ(p2.key[3], 16);
    Play(MenuScript().Tap(KEY_ESC));
    EXPECT_EQ(MenuKeyConfigFrame(), 0);
    EXPECT_EQ(MenuKeyConfigLeave(), OPT_IN_PER_PLAYER + OPT_IN_KEYS);
}

TEST_F(Options, PadPageTakesPadInputsAndShowsThem)
{
    gv->cfg.input.joyType[0] = 1;
    KeyConfigPadDefaults(0);
    KeyConfig &pad = gv->cfg.input.joyKeys[0];
    EXPECT_EQ(std::vector<int>(pad.key + 1, pad.key + 6), (std::vector<int>{1, 4, 2, 3, SYSKEYS_PAD_NONE}));

    // Row A of player 1: down five times, a button, then pad input 37
    // (stick 1, button 0); then B disabled with Space.
    MenuScript s = MenuScript().Tap(KEY_DOWN).Tap(KEY_DOWN).Tap(KEY_DOWN).Tap(KEY_DOWN).Tap(KEY_DOWN);
    s.Tap(KEY_COMMA).Pad(37).Tap(KEY_DOWN).Tap(KEY_COMMA).Tap(KEY_SPACE);
    MenuKeyConfigEnter(KEYCONFIG_PAGE_PADS, 2);
    Play(s);
    while (Frames() < (int)s.frames.size())
        ASSERT_EQ(MenuKeyConfigFrame(), 1);
    EXPECT_EQ(pad.key[5], 37);
    EXPECT_EQ(pad.key[6], SYSKEYS_PAD_NONE);
    EXPECT_EQ(MenuKeyConfigLeave(), OPT_IN_JOY_CONFIG);

    struct Case {
        int kind, code;
        const char *text;
    } cases[] = {
        {KEYCONFIG_PAGE_PADS, 37, "B-05"},      {KEYCONFIG_PAGE_PADS, 1, "A-01"},
        {KEYCONFIG_PAGE_PADS, 128, "Not used"}, {KEYCONFIG_PAGE_PADS, 0, "Not used"},
        {KEYCONFIG_PAGE_KEYS, 256, "Not used"}, {KEYCONFIG_PAGE_KEYS, 0, "Not used"},
    };
    for (const Case &c : cases) {
        char out[OPTION_TEXT_LEN];
        KeyConfigCodeText(c.kind, c.code, out, sizeof out);
        EXPECT_STREQ(out, c.text);
    }
    char name[OPTION_TEXT_LEN];
    KeyConfigCodeText(KEYCONFIG_PAGE_KEYS, 17, name, sizeof name);
    EXPECT_STRNE(name, "");
    EXPECT_STRNE(name, "Not used");
}

}  // namespace
