// The training menu: taking keys only while paused in a training match, moving and changing entries, setting the dummy, and drawing over the paused frame.
#include "velok/match/training.h"

#include <allegro.h>
#include <string>
#include <vector>

#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "support/roundkit.h"
#include "velok/core/ctrlinit.h"

namespace {

// Player 1's keys: Up 200, Right 205, Down 208, Left 203, a 51, start 28;
// player 2's start is 81.
enum { UP = 200, RIGHT = 205, DOWN = 208, LEFT = 203, A1 = 51, START1 = 28, START2 = 81, ESC = 1 };

class Training : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        InitKeysDefault();
        gv->matchKind = MATCH_KIND_TRAINING;
        gv->choosingPlayer = 0;
        MenuTrainingReset();
        gv->paused = 1;
    }
    int In(int code) { return MenuTrainingInput(code); }
    std::vector<std::string> Shown()
    {
        int entries[TRAINING_ENTRIES_MAX];
        int n = TrainingEntries(gv->training.control, entries);
        std::vector<std::string> out;
        for (int i = 0; i < n; i++)
            out.push_back(TrainingEntryName(entries[i]));
        return out;
    }
};

TEST_F(Training, TakesKeysOnlyWhilePausedInATrainingMatch)
{
    EXPECT_EQ(gv->training.open, 1) << "a training match starts with the menu open";
    gv->paused = 0;
    EXPECT_EQ(In(START1), 0);
    EXPECT_EQ(In(ESC), 0);
    gv->paused = 1;

    EXPECT_EQ(In((int)START1 | INPUT_RELEASE), 0) << "releases pass";
    EXPECT_EQ(In(START1), 1);
    EXPECT_EQ(gv->training.open, 0) << "the chooser's start closes it";
    EXPECT_EQ(In(DOWN), 0) << "shut: directions pass";
    EXPECT_EQ(In(ESC), 0) << "shut: Escape passes";
    EXPECT_EQ(In(START2), 0) << "the other player's start does not open it";
    EXPECT_EQ(In(START1), 1);
    EXPECT_EQ(gv->training.open, 1);
    EXPECT_EQ(In(ESC), 1) << "open: Escape is taken";
    EXPECT_EQ(In(A1), 1) << "open: buttons are taken";
    EXPECT_EQ(In(START2), 1);
    EXPECT_EQ(gv->training.open, 1);
    EXPECT_EQ(In(57), 0) << "other keys pass";

    gv->choosingPlayer = 1;
    EXPECT_EQ(In(START2), 1);
    EXPECT_EQ(gv->training.open, 0) << "player 2 chose training";

    gv->matchKind = 0;
    MenuTrainingReset();
    EXPECT_EQ(gv->training.open, 0) << "no menu outside training";
    EXPECT_EQ(In(START2), 0);
}

TEST_F(Training, EntriesWrapAndValuesSetTheDummy)
{
    Player *dummy = P(2);
    dummy->aiControlled = 0;
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Dummy control", "Guard mode", "Dummy mode", "Distance", "Button jam"}));
    In(UP);
    EXPECT_EQ(gv->training.entry, 4) << "up from the first wraps to the last";
    In(DOWN);
    EXPECT_EQ(gv->training.entry, 0);

    KeyBufPush(&dummy->keyBuf, KEYBUF_A);  // held before the change
    In(RIGHT);
    EXPECT_EQ(gv->training.control, TRAINING_AI);
    EXPECT_EQ(dummy->aiControlled, 1);
    EXPECT_EQ(dummy->ai.dummy, 0) << "AI: the AI fights on its own";
    EXPECT_EQ(dummy->keyBuf.held[KEYBUF_A], 0) << "held buttons are let go";
    EXPECT_EQ(KeyBufPop(&dummy->keyBuf), KEYBUF_A);
    EXPECT_EQ(KeyBufPop(&dummy->keyBuf), KEYBUF_A | KEYBUF_RELEASE);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Dummy control", "AI Level"}));

    In(DOWN);
    In(LEFT);
    EXPECT_EQ(gv->training.level, 7) << "left from the first level wraps";
    EXPECT_EQ(dummy->aiLevel, 8);
    In(RIGHT);
    EXPECT_EQ(dummy->aiLevel, 1);

    In(UP);
    In(RIGHT);
    EXPECT_EQ(gv->training.control, TRAINING_MANUAL);
    EXPECT_EQ(dummy->aiControlled, 0);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Dummy control"}));
    In(DOWN);
    EXPECT_EQ(gv->training.entry, 0) << "one entry: moving stays on it";
    In(RIGHT);
    EXPECT_EQ(gv->training.control, TRAINING_COOPERATIVE) << "wraps back";
    EXPECT_EQ(dummy->aiControlled, 1);

    EXPECT_EQ(dummy->ai.dummy, 1) << "cooperative: the AI drives a training dummy";

    In(DOWN);  // "Guard mode"
    In(RIGHT);
    In(DOWN);  // "Dummy mode"
    In(LEFT);
    In(DOWN);  // "Distance"
    In(RIGHT);
    In(RIGHT);
    EXPECT_EQ(dummy->ai.dummyGuard, 1);
    EXPECT_EQ(dummy->ai.dummyStance, 3);
    EXPECT_EQ(dummy->ai.dummyApproach, 150);
    EXPECT_EQ(dummy->ai.dummyRetreat, 100);
    In(DOWN);  // "Button jam"
    In(LEFT);
    EXPECT_EQ(gv->training.button, 7);
    EXPECT_EQ(dummy->ai.dummyButton, 7);
    In(ESC);
    EXPECT_EQ(gv->training.button, 7) << "Escape changes nothing";

    // Player 1 is the dummy when player 2 chose training.
    gv->choosingPlayer = 1;
    MenuTrainingReset();
    In(RIGHT);
    In(RIGHT);
    EXPECT_EQ(P(1)->aiControlled, 0);
    EXPECT_EQ(gv->training.open, 1);
    MenuTrainingReset();
    EXPECT_EQ(gv->training.control, 0) << "the reset clears the values and cursor";
}

TEST_F(Training, ValueTextsAndDistances)
{
    struct Case {
        int entry, value;
        const char *text;
    } cases[] = {
        {TRAINING_ENTRY_CONTROL, 0, "Cooperative"}, {TRAINING_ENTRY_CONTROL, 2, "Manual"},
        {TRAINING_ENTRY_GUARD, 1, "Auto"},          {TRAINING_ENTRY_STANCE, 3, "W Jump"},
        {TRAINING_ENTRY_DISTANCE, 2, "Medium"},     {TRAINING_ENTRY_BUTTON, 0, "None"},
        {TRAINING_ENTRY_BUTTON, 4, "X"},            {TRAINING_ENTRY_BUTTON, 7, "Start"},
        {TRAINING_ENTRY_LEVEL, 0, "1"},             {TRAINING_ENTRY_LEVEL, 7, "8"},
        {TRAINING_ENTRY_LEVEL, 8, ""},
    };
    for (const Case &c : cases) {
        char text[TRAINING_TEXT_LEN];
        TrainingValueText(c.entry, c.value, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.entry << " " << c.value;
    }
    int expected[4][2] = {{0, 0}, {50, 0}, {150, 100}, {0, 280}};
    for (int v = 0; v < 4; v++) {
        int approach = -1, retreat = -1;
        TrainingDistance(v, &approach, &retreat);
        EXPECT_EQ(approach, expected[v][0]);
        EXPECT_EQ(retreat, expected[v][1]);
    }
}

TEST_F(Training, OpenMenuReplacesThePausedBox)
{
    StateAt(2, 100);
    KbllPauseSet(0);
    clear_to_color(canvas, 0);
    Frame();
    uint16_t insideMenuOnly = Pixel(70, 60), insidePausedBox = Pixel(140, 12);
    KbllPauseSet(1);
    ASSERT_EQ(gv->training.open, 1);
    clear_to_color(canvas, 0);
    Frame();
    EXPECT_NE(Pixel(70, 60), insideMenuOnly) << "the menu's box is drawn";
    EXPECT_EQ(Pixel(140, 12), insidePausedBox) << "no PAUSED box";
    In(START1);
    clear_to_color(canvas, 0);
    Frame();
    EXPECT_EQ(Pixel(70, 60), insideMenuOnly);
    EXPECT_NE(Pixel(140, 12), insidePausedBox) << "shut: the PAUSED box";
    KbllPauseSet(0);
}

// Over a bright stage the box's inside is dark, so its grey items (half
// white) stand out: beside the items and the title it is below half of them.
TEST_F(Training, BoxDarkensABrightStageUnderIt)
{
    clear_to_color(canvas, 0xFFFF);
    MenuTrainingDraw();
    for (const auto &at : {std::pair{67, 36}, std::pair{70, 64}, std::pair{250, 64}, std::pair{70, 110},
                           std::pair{250, 110}}) {
        uint16_t c = Pixel(at.first, at.second);
        EXPECT_TRUE((c >> 11) < 8 && ((c >> 5) & 63) < 16 && (c & 31) < 8)
            << "at " << at.first << "," << at.second << ": " << std::hex << c;
    }
}

}  // namespace
