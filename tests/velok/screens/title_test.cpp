// The title menu driven by scripted keys: moving over shown items with wrapping, choosing and who chose, Escape, the idle demo, fades and the window.
#include "velok/screens/menus.h"

#include <allegro.h>
#include <string>
#include <vector>

#include "lib/pal.h"
#include "support/menukit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/screens/options.h"

namespace {

class Title : public MenuTest {
protected:
    void Hide(std::initializer_list<int> items)
    {
        for (int i : items)
            menuMotif.title.itemName[i][0] = 0;
    }
    // Runs the title to its end with the script; the choice.
    int Run(const MenuScript &s)
    {
        Play(s);
        return MenuTitle();
    }
    int Level() { return PalFxGlobalGet()->cur.mulR; }
};

TEST_F(Title, CursorWrapsOverShownItemsOnly)
{
    Hide({1, 2, 8});
    struct Step {
        int dir, cursor;
    } steps[] = {{-1, 10}, {-1, 9}, {-1, 7}, {1, 9}, {1, 10}, {1, 0}, {1, 3}};
    for (const Step &s : steps) {
        EXPECT_EQ(MenuTitleMove(s.dir), 1);
        EXPECT_EQ(MenuTitleCursor(), s.cursor) << s.dir;
    }

    // Every item hidden: one lap and the cursor stays.
    Hide({0, 3, 4, 5, 6, 7, 9, 10});
    EXPECT_EQ(MenuTitleMove(1), 0);
    EXPECT_EQ(MenuTitleCursor(), 3);
    EXPECT_EQ(MenuTitleMove(-1), 0);
    EXPECT_EQ(MenuTitleCursor(), 3);
}

TEST_F(Title, KeysMoveAndChooseAndTheChooserIsKept)
{
    Hide({1});
    struct Case {
        MenuScript script;
        int choice, chooser;
    } cases[] = {
        // Player 1: down twice skips the hidden item, then button a.
        {MenuScript().Tap(KEY_DOWN).Tap(KEY_DOWN).Tap(KEY_COMMA), 3, 0},
        // Player 2's pad keys: up from item 3 to 2, then its button a ("Pad -").
        {MenuScript().Tap(KEY_8_PAD).Tap(KEY_MINUS_PAD), 2, 1},
        // Escape leaves without a sound, whoever pressed it.
        {MenuScript().Tap(KEY_DOWN).Tap(KEY_ESC), 10, 0},
    };
    for (Case &c : cases) {
        EXPECT_EQ(Run(c.script), c.choice);
        EXPECT_EQ(gv->titleChoice, c.choice);
        EXPECT_EQ(gv->choosingPlayer, c.chooser);
        EXPECT_EQ(gv->demo, 0);
    }
    EXPECT_EQ(MenuTitleCursor(), 3) << "the cursor stays where it was for the next visit";

    // A button on a hidden item does nothing; with every item hidden only
    // Escape leaves.
    Hide({0, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(Run(MenuScript().Tap(KEY_COMMA).Tap(KEY_DOWN).Tap(KEY_COMMA).Tap(KEY_ESC)), 10);
    EXPECT_LT(Frames(), 100);
}

TEST_F(Title, FadesInAndOutOverTheConfiguredTimes)
{
    menuMotif.title.fadeInTime = 4;
    menuMotif.title.fadeOutTime = 3;
    Play(MenuScript().Wait(6).Tap(KEY_ENTER));
    MenuTitleEnter();
    std::vector<int> levels, goOn;
    int r;
    do {
        r = MenuTitleFrame();
        goOn.push_back(r);
        levels.push_back(Level());
    } while (r == 1 && goOn.size() < 50);
    // In over 4 frames; the start key chooses in frame 7 (still full), then
    // three frames out.
    EXPECT_EQ(levels, (std::vector<int>{0, 64, 128, 192, 256, 256, 256, 170, 85, 0}));
    EXPECT_EQ(goOn.back(), 0);
    EXPECT_EQ(MenuTitleLeave(), 0);
    EXPECT_EQ(Level(), 256) << "the global effect is left neutral";
}

TEST_F(Title, IdleTimeStartsADemoWhenCharactersExist)
{
    menuMotif.demoWaitTime = 10;
    gv->charCount = 1;
    gv->round.demoTick = 77;
    EXPECT_EQ(Run(MenuScript()), TITLE_VERSUS);
    EXPECT_EQ(gv->demo, 1);
    EXPECT_EQ(gv->choosingPlayer, 0);
    EXPECT_EQ(gv->round.demoTick, 0);
    EXPECT_EQ(Frames(), 12) << "11 idle frames, then the fade-out frame";

    // A key keeps the title from timing out.
    gv->demo = 0;
    EXPECT_EQ(Run(MenuScript().Wait(8).Tap(KEY_DOWN).Tap(KEY_UP).Wait(8).Tap(KEY_ESC)), TITLE_EXIT);
    EXPECT_EQ(gv->demo, 0);

    struct NoDemo {
        int wait, chars;
    } none[] = {{10, 0}, {-1, 5}};
    for (const NoDemo &n : none) {
        menuMotif.demoWaitTime = n.wait;
        gv->charCount = n.chars;
        EXPECT_EQ(Run(MenuScript().Wait(200).Tap(KEY_ESC)), TITLE_EXIT);
        EXPECT_EQ(gv->demo, 0);
    }
}

TEST_F(Title, OptionsRunInPlaceThenTheTitleComesBack)
{
    // Up twice from Arcade: Exit, then Options; a button opens the options,
    // Escape there returns to the title, Escape there leaves.
    int choice = Run(MenuScript().Tap(KEY_UP).Tap(KEY_UP).Tap(KEY_COMMA).Wait(2).Tap(KEY_ESC).Wait(2).Tap(KEY_ESC));
    EXPECT_EQ(choice, TITLE_EXIT);
    EXPECT_EQ(MenuTitleCursor(), TITLE_OPTIONS);
    LogWrite("close log");
    std::string log = ReadFileText("velokw.log");
    size_t in = log.find("Options Screen\n"), out = log.find("Return from Options Screen\n");
    EXPECT_NE(in, std::string::npos);
    EXPECT_NE(out, std::string::npos);
    EXPECT_LT(in, out);
}

TEST_F(Title, PadEscapeAndTheWindowFollowsTheCursor)
{
    gv->cfg.input.joyType[1] = MENU_PAD_TYPE_HOOKED;
    EXPECT_EQ(Run(MenuScript().Pad(3).Pad(MENU_PAD_ESCAPE)), TITLE_EXIT);
    gv->cfg.input.joyType[1] = 0;
    EXPECT_EQ(Run(MenuScript().Pad(MENU_PAD_ESCAPE).Wait(3).Tap(KEY_ESC)), TITLE_EXIT);
    EXPECT_GT(Frames(), 6) << "pad input 11 is no Escape on other pads";

    // Five rows: going down to item 6 scrolls the window to item 2; back up
    // to item 2 keeps it there; up once more scrolls with the cursor.
    MenuScript s;
    for (int i = 0; i < 6; i++)
        s.Tap(KEY_DOWN);
    Play(s);
    MenuTitleEnter();
    while (Frames() < (int)s.frames.size())
        MenuTitleFrame();
    EXPECT_EQ(MenuTitleCursor(), 6);
    EXPECT_EQ(MenuTitleWindowTop(), 2);
    MenuScript up;
    for (int i = 0; i < 5; i++)
        up.Tap(KEY_UP);
    Play(up);
    int tops[5];
    for (int i = 0; i < 5; i++) {
        MenuTitleFrame();
        MenuTitleFrame();
        tops[i] = MenuTitleWindowTop();
    }
    EXPECT_EQ(std::vector<int>(tops, tops + 5), (std::vector<int>{2, 2, 2, 2, 1}));
    MenuTitleLeave();
}

}  // namespace
