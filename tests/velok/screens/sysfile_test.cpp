// Motif system file: a whole kit motif, each group's defaults and checks on small fragments, every failure, unloading and reloading.
#include "velok/screens/sysfile.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "lib/bg.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "support/bgmkit.h"
#include "support/motifkit.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"
#include "velok/match/round.h"
#include "velok/screens/menus.h"
#include "velok/player/explod.h"

namespace {

class MotifTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        MotifKitSettingsSet();
        WriteFileText("sys.fnt", FightKitFont());
        gv->sysFont[0] = FontLoad("sys.fnt");
        ASSERT_NE(gv->sysFont[0], nullptr);
    }
    void TearDown() override
    {
        SysFileFree();
        FightDataFree();
        PalListFree();
        FontFree(gv->sysFont[0]);
        GameVarsTest::TearDown();
    }
    // The kit with lines added to a group, loaded.
    int LoadWith(const std::string &group, std::initializer_list<std::string> lines)
    {
        for (const std::string &l : lines)
            kit.Group(group).push_back(l);
        kit.Write();
        return SysFileLoad();
    }
    std::string Log()
    {
        return TestLogBody(ReadFileText("velokw.log"));
    }
    MotifKit kit = MotifKitMake();
};

TEST_F(MotifTest, AWholeKitMotifLoadsEveryPartAndTheFightScreen)
{
    kit.Group("Files").push_back("logo.storyboard = logo.def");
    kit.tail = "[Begin Action 7]\n120,0, 0,0, 5\n";
    ASSERT_EQ(LoadWith("Demo Mode", {"enabled = 1", "title.waittime = 600", "fight.endtime = 1500",
                                     "fight.bars.display = 1", "intro.waitcycles = 3", "select.enabled = 1",
                                     "fight.playbgm = 1"}),
              1)
        << gv->errorText;
    const Motif *m = gv->motif;
    ASSERT_NE(m, nullptr);
    EXPECT_NE(gv->motifSpr, nullptr);
    EXPECT_NE(gv->motifSnd, nullptr);
    EXPECT_NE(gv->motifAnims, nullptr);
    EXPECT_EQ(gv->motifFonts[0], gv->sysFont[0]);
    EXPECT_NE(gv->motifFonts[1], nullptr);
    EXPECT_NE(gv->motifFonts[1], gv->sysFont[0]);
    EXPECT_EQ(gv->motifFonts[3], gv->sysFont[0]);
    for (BGDef *bg : m->bg) {
        ASSERT_NE(bg, nullptr);
        EXPECT_EQ(bg->spr, gv->motifSpr) << "menu backgrounds draw the system sprites";
    }
    EXPECT_NE(gv->fight, nullptr);
    EXPECT_STREQ(m->selectFile, "select.def");
    EXPECT_STREQ(menuMotif.logoStoryboard, "logo.def");
    EXPECT_EQ(std::string(m->sprPath), "data/system.sff");
    EXPECT_EQ(menuMotif.title.fadeInTime, 10);
    EXPECT_EQ(menuMotif.title.fadeOutTime, 1);
    EXPECT_STREQ(menuMotif.title.itemName[1], "VS Mode");
    EXPECT_EQ(m->select.rows * m->select.columns, 6);
    EXPECT_EQ(m->select.cellCount, 6);
    EXPECT_EQ(m->select.cells[5].charIndex, -1);
    EXPECT_EQ(m->select.startCol[1], 2);
    EXPECT_EQ(m->vs.time, 20);
    EXPECT_EQ(menuMotif.demoWaitTime, 600);
    EXPECT_EQ(m->demo.selectEnabled, 1);
    EXPECT_EQ(gv->demoCfg.fightEndTime, 1500);
    EXPECT_EQ(gv->demoCfg.barsDisplay, 1);
    EXPECT_EQ(gv->demoCfg.introWaitCycles, 3);
    EXPECT_EQ(gv->demoCfg.playBgm, 1) << "demo matches play the stage music";
    EXPECT_EQ(Log(),
              "  Load system file data/system.def...OK\n"
              "  Load system fonts...OK\n"
              "  Load system anim...OK\n"
              "  Load [Title Info]...OK\n"
              "  Load [Option Info]...OK\n"
              "  Load [Select Info]...OK\n"
              "  Load [VS Screen]...OK\n"
              "  Load [Demo Mode]...OK\n"
              "  Load [Continue Screen]...OK\n"
              "  Load [Game Over Screen]...OK\n"
              "  Load [Win Screen]...OK\n"
              "  Load [Survival Results Screen]...OK\n"
              "  Load [Default Ending]...OK\n"
              "  Load [End Credits]...OK\n"
              "  Load TitleBG...VersusBG...SelectBG...OptionBG...OK\n"
              "  Loading fight data\n" +
                  Log().substr(Log().find("    Opening fight data file")));
    EXPECT_NE(Log().find("  Fight data loaded OK\n"), std::string::npos);

    // The menus' record shares the backgrounds, sounds and fonts.
    EXPECT_EQ(menuMotif.titleBg, m->bg[MOTIF_BG_TITLE]);
    EXPECT_EQ(menuMotif.optionBg, m->bg[MOTIF_BG_OPTION]);
    EXPECT_EQ(menuMotif.snd, gv->motifSnd);
    EXPECT_EQ(menuMotif.fonts[1], gv->motifFonts[1]);

    // Freeing leaves the first system font, which start-up owns.
    SysFileFree();
    EXPECT_EQ(menuMotif.titleBg, nullptr);
    EXPECT_EQ(menuMotif.snd, nullptr);
    EXPECT_STREQ(menuMotif.logoStoryboard, "");
    EXPECT_EQ(gv->motif, nullptr);
    EXPECT_NE(gv->sysFont[0]->glyphs, nullptr);
}

TEST_F(MotifTest, GroupsWithoutTheirKeysTakeTheDefaults)
{
    kit.Group("VS Screen").clear();
    ASSERT_EQ(LoadWith("Title Info", {}), 1) << gv->errorText;
    const Motif *m = gv->motif;
    const TitleInfo &t = menuMotif.title;
    EXPECT_EQ(t.posX, 159);
    EXPECT_EQ(t.posY, 158);
    EXPECT_EQ(t.itemFont.font, -1);
    EXPECT_EQ(t.spacingY, 13);
    EXPECT_EQ(t.marginTop, 12);
    EXPECT_EQ(t.marginBottom, 8);
    EXPECT_EQ(t.visibleItems, 5);
    EXPECT_EQ(t.boxCursorVisible, 1);
    EXPECT_EQ(t.boxX1, -32);
    EXPECT_EQ(t.boxY2, 2);
    EXPECT_EQ(t.moveSnd.group, -1);
    const char *names[] = {"Arcade", "VS Mode", "Team Arcade", "Team Versus", "Team Co-op", "Survival",
                           "Survival Co-op", "Training", "Watch", "Options", "Exit"};
    for (int i = 0; i < TITLE_ITEMS; i++)
        EXPECT_STREQ(t.itemName[i], names[i]);
    EXPECT_EQ(menuMotif.optionMoveSnd.group, 1);
    const VsScreenInfo &v = m->vs;
    EXPECT_EQ(v.time, 150);
    EXPECT_EQ(v.fadeInTime, 0);
    EXPECT_EQ(v.fadeOutTime, 0);
    EXPECT_EQ(v.facing[0], 1);
    EXPECT_EQ(v.facing[1], -1);
    EXPECT_FLOAT_EQ(v.scaleX[1], 1.0f);
    EXPECT_EQ(v.nameFont[0].font, -1);
    const SelectInfo &s = m->select;
    EXPECT_EQ(s.fadeInTime, 1);
    EXPECT_EQ(s.cellRandomSwitchTime, 4);
    EXPECT_FLOAT_EQ(s.portraitScaleX, 1.0f);
    EXPECT_EQ(s.faceFacing[0], 1);
    EXPECT_EQ(s.faceFacing[1], -1);
    EXPECT_EQ(s.teamItem[0], -1);
    EXPECT_EQ(s.rememberCol[1][3], -1);
    // Without [Demo Mode] no demo ever starts from the title.
    EXPECT_EQ(m->demo.enabled, 0);
    EXPECT_EQ(menuMotif.demoWaitTime, -1);
    EXPECT_EQ(m->winScreenEnabled, 0);
    EXPECT_EQ(m->continueScreen.enabled, 0);
}

TEST_F(MotifTest, ValuesAreReadAndKeptInRange)
{
    struct Case {
        const char *group;
        std::vector<std::string> lines;
        std::function<void(const Motif *)> check;
    } cases[] = {
        {"Title Info", {"fadein.time = 0", "fadeout.time = -4"},
         [](const Motif *) {
             EXPECT_EQ(menuMotif.title.fadeInTime, 1);
             EXPECT_EQ(menuMotif.title.fadeOutTime, 1);
         }},
        {"Title Info", {"menu.itemname.arcade =", "menu.itemname.exit = A name of more than thirty-one characters"},
         [](const Motif *) {
             EXPECT_STREQ(menuMotif.title.itemName[0], "") << "an empty name hides the item";
             EXPECT_STREQ(menuMotif.title.itemName[10], "A name of more than thirty-one ");
             EXPECT_STREQ(menuMotif.title.itemName[5], "Survival");
         }},
        {"Title Info", {"menu.window.visibleitems = 0", "menu.item.font = 10,1,1", "menu.item.active.font = 2,3,-1"},
         [](const Motif *) {
             EXPECT_EQ(menuMotif.title.visibleItems, 1);
             EXPECT_EQ(menuMotif.title.itemFont.font, -1);
             EXPECT_EQ(menuMotif.title.itemActiveFont.font, 2);
             EXPECT_EQ(menuMotif.title.itemActiveFont.bank, 3);
             EXPECT_EQ(menuMotif.title.itemActiveFont.align, -1);
         }},
        {"Title Info", {"cursor.move.snd = 4, 7", "menu.boxcursor.coords = -1,-2,3,4"},
         [](const Motif *) {
             EXPECT_EQ(menuMotif.title.moveSnd.group, 4);
             EXPECT_EQ(menuMotif.title.moveSnd.number, 7);
             EXPECT_EQ(menuMotif.title.boxY1, -2);
         }},
        {"VS Screen", {"fadein.time = -3", "p2.scale = 2,0.5", "p2.name.font = 2,1,-1", "p2.facing = 1"},
         [](const Motif *m) {
             EXPECT_EQ(m->vs.fadeInTime, 0);
             EXPECT_FLOAT_EQ(m->vs.scaleX[1], 2.0f);
             EXPECT_FLOAT_EQ(m->vs.scaleY[1], 0.5f);
             EXPECT_EQ(m->vs.nameFont[1].font, 2);
             EXPECT_EQ(m->vs.facing[1], 1);
         }},
        {"Demo Mode", {"enabled = 0", "title.waittime = 100", "debuginfo = 1"},
         [](const Motif *) {
             EXPECT_EQ(menuMotif.demoWaitTime, -1) << "read only when demos are enabled";
             EXPECT_EQ(gv->demoCfg.debugInfo, 1);
         }},
        {"Win Screen", {"enabled = 1", "wintext.font = 1,0,0", "wintext.text = \"You win\"", "fadein.time = 8",
                        "pose.time = 90", "fadeout.time = 9"},
         [](const Motif *m) {
             EXPECT_EQ(m->winScreenEnabled, 1);
             EXPECT_EQ(gv->winScreen.fadeInTime, 8);
             EXPECT_EQ(gv->winScreen.holdTime, 90);
             EXPECT_EQ(gv->winScreen.fadeOutTime, 9);
             EXPECT_STREQ(gv->winScreen.elem->text, "You win");
         }},
        {"Survival Results Screen", {"enabled = 1", "winstext.font = 1,0,0", "winstext.text = \"%i wins\"",
                                     "show.time = 60", "roundstowin = 5"},
         [](const Motif *m) {
             EXPECT_EQ(m->survivalEnabled, 1);
             EXPECT_EQ(m->survivalRoundsToWin, 5);
             EXPECT_EQ(gv->survivalScreen.holdTime, 60);
             EXPECT_STREQ(gv->survivalScreen.elem->text, "%i wins");
         }},
        {"End Credits", {"enabled = 1", "storyboard = credits.def"},
         [](const Motif *m) {
             EXPECT_EQ(m->endCredits.enabled, 1);
             EXPECT_STREQ(m->endCredits.storyboard, "credits.def");
         }},
        {"Select Info", {"fadein.time = 0", "cell.random.switchtime = 0", "p1.cursor.startcell = 5,-1",
                         "p2.cursor.startcell = 1,1", "title.font = -2,0,0", "p2.face.scale = 2,3",
                         "p1.teammenu.item.spacing = 0,12", "p2.teammenu.value.icon.spr = 110,0",
                         "p1.random.move.snd = 1,3", "random.move.snd.cancel = 1"},
         [](const Motif *m) {
             const SelectInfo &s = m->select;
             EXPECT_EQ(s.fadeInTime, 1);
             EXPECT_EQ(s.cellRandomSwitchTime, 1);
             EXPECT_EQ(s.startRow[0], 1) << "start cells stay on the grid";
             EXPECT_EQ(s.startCol[0], 0);
             EXPECT_EQ(s.startRow[1], 1);
             EXPECT_EQ(s.startCol[1], 1);
             EXPECT_EQ(s.titleFont.font, -1);
             EXPECT_FLOAT_EQ(s.faceScaleY[1], 3.0f);
             EXPECT_EQ(s.teamMenu[0].itemSpacingY, 12);
             EXPECT_EQ(s.teamMenu[1].valueIcon.kind, SCREEN_ELEM_SPRITE);
             EXPECT_EQ(s.randomMoveSnd[0].number, 3);
             EXPECT_EQ(s.randomMoveSndCancel, 1);
         }},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.group + std::string(" ") + c.lines[0]);
        kit = MotifKitMake();
        for (const std::string &l : c.lines)
            kit.Group(c.group).insert(kit.Group(c.group).begin(), l);
        kit.Write();
        ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
        c.check(gv->motif);
        SysFileFree();
        FightDataFree();
    }
}

TEST_F(MotifTest, EachFailureNamesItsCauseAndKeepsNothing)
{
    struct Case {
        const char *name;
        std::function<void(MotifKit &)> change;
        std::function<void()> after;  // on the files written
        const char *error;
    } cases[] = {
        {"no file", [](MotifKit &) {}, [] { std::filesystem::remove("data/system.def"); },
         "Can't open data/system.def"},
        {"no [Files]", [](MotifKit &k) { k.Drop("Files"); }, {}, "Can't access [Files] group"},
        {"no spr", [](MotifKit &k) { k.Group("Files").erase(k.Group("Files").begin()); }, {},
         "Missing spr entry in [Files]"},
        {"spr missing", [](MotifKit &) {}, [] { std::filesystem::remove("data/system.sff"); },
         "Can't load system.sff"},
        {"snd broken", [](MotifKit &) {}, [] { WriteFileText("data/system.snd", "not a sound file"); },
         "Can't load system.snd"},
        {"no fight", [](MotifKit &k) { k.Group("Files")[2] = "; none"; }, {},
         "Missing fight entry in [Files]"},
        {"no select", [](MotifKit &k) { k.Group("Files")[3] = "select ="; }, {},
         "Missing select entry in [Files]"},
        {"font missing", [](MotifKit &k) { k.Group("Files").push_back("font5 = none.fnt"); }, {},
         "Can't read font none.fnt"},
        {"no [Title Info]", [](MotifKit &k) { k.Drop("Title Info"); }, {}, "Can't access [Title Info] group"},
        {"no [Option Info]", [](MotifKit &k) { k.Drop("Option Info"); }, {}, "Can't access [Option Info] group"},
        {"no [Select Info]", [](MotifKit &k) { k.Drop("Select Info"); }, {}, "Can't access [Select Info] group"},
        {"no [VS Screen]", [](MotifKit &k) { k.Drop("VS Screen"); }, {}, "Can't access [VS Screen] group\n"},
        {"empty grid", [](MotifKit &k) { k.Group("Select Info").insert(k.Group("Select Info").begin(), "rows = 0"); },
         {}, "Bad grid size 0x3 in [Select Info] (rows and columns at least 1, 65536 cells at most)"},
        {"huge grid",
         [](MotifKit &k) { k.Group("Select Info").insert(k.Group("Select Info").begin(), "rows = 70000"); }, {},
         "Bad grid size 70000x3 in [Select Info] (rows and columns at least 1, 65536 cells at most)"},
        {"no SelectBG", [](MotifKit &k) { k.Drop("SelectBGdef"); }, {},
         "Can't access group SelectBGdef\nError loading SelectBG"},
        {"broken fight screen", [](MotifKit &) {}, [] { WriteFileText("data/fight/fight.def", "[Files]\n"); },
         "Can't read Files|sff\nError loading fight data: fight/fight.def"},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.name);
        kit = MotifKitMake();
        c.change(kit);
        kit.Write();
        if (c.after)
            c.after();
        LibErrorMsg[0] = 0;
        gv->errorText[0] = 0;
        EXPECT_EQ(SysFileLoad(), 0);
        EXPECT_STREQ(gv->errorText, c.error);
        EXPECT_EQ(gv->motif, nullptr);
        EXPECT_EQ(gv->fight, nullptr);
    }
}

TEST_F(MotifTest, ReloadBringsBackOnlyWhatWasUnloaded)
{
    kit.Write();
    ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
    Motif *m = gv->motif;
    SndSet *sounds = gv->motifSnd;
    Font *font = gv->motifFonts[1];
    LogStateReset();
    SysBgUnload();
    EXPECT_EQ(gv->motifSpr, nullptr);
    for (BGDef *bg : m->bg)
        EXPECT_EQ(bg, nullptr);
    EXPECT_EQ(gv->motifSnd, sounds);
    EXPECT_EQ(menuMotif.titleBg, nullptr) << "the title menu sees the background gone";
    SysFileReload();
    EXPECT_EQ(menuMotif.titleBg, m->bg[MOTIF_BG_TITLE]);
    EXPECT_EQ(menuMotif.optionBg, m->bg[MOTIF_BG_OPTION]);
    ASSERT_NE(gv->motifSpr, nullptr);
    EXPECT_EQ(gv->motifSnd, sounds) << "sounds that stayed are not loaded again";
    EXPECT_EQ(gv->motifFonts[1], font);
    for (BGDef *bg : m->bg) {
        ASSERT_NE(bg, nullptr);
        EXPECT_EQ(bg->spr, gv->motifSpr);
    }
    EXPECT_EQ(Log(), "Unloading system background data...sprite data...OK\n"
                     "Reloading system sprite data...OK\n"
                     "Reloading system sound data...OK\n"
                     "Reloading system background data...OK\n");

    // Sprites gone while the backgrounds stayed: they come back over the new set.
    SprSetFree(gv->motifSpr);
    gv->motifSpr = nullptr;
    m->bg[MOTIF_BG_TITLE]->tick = 77;  // marks the background that was there
    SysFileReload();
    EXPECT_EQ(m->bg[MOTIF_BG_TITLE]->tick, 0);
    EXPECT_EQ(m->bg[MOTIF_BG_TITLE]->spr, gv->motifSpr);
}

TEST_F(MotifTest, MenuMusicComesFromTheMotifDirectoryOrAsWritten)
{
    kit.Write();
    WriteFileText("data/select.mid", "a tune");
    ASSERT_EQ(LoadWith("Music", {"select.bgm = select.mid", "select.bgm.loop = 0", "vs.bgm = elsewhere.mid"}), 1)
        << gv->errorText;
    const Motif *m = gv->motif;
    EXPECT_STREQ(m->selectBgm.name, "data/select.mid");
    EXPECT_STREQ(m->vsBgm.name, "elsewhere.mid");
    EXPECT_EQ(m->selectBgm.loop, 0);
    EXPECT_EQ(m->vsBgm.loop, 1);
    EXPECT_STREQ(menuMotif.titleBgm.name, "");
    BgmKit *k = BgmKitInstall();
    MotifMusicPlay(&m->selectBgm);
    std::vector<std::string> calls = k->Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "midiLoad data/select.mid"), calls.end());
    MotifMusicPlay(&m->vsBgm);
    calls = k->Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "midiLoad elsewhere.mid"), calls.end());
    BGMStop(&gv->menuBgm);
    BgmKitRemove();
}

TEST_F(MotifTest, WinScreenAndSurvivalResultsSpawnTheirTextElements)
{
    kit.Group("Survival Results Screen") = {"winstext.font = 1,0,1", "winstext.text = \"%i wins\"",
                                            "winstext.offset = 20,30"};
    ASSERT_EQ(LoadWith("Win Screen", {"wintext.spr = 110,0", "wintext.offset = 7,9"}), 1) << gv->errorText;
    PalFxGlobalInit();
    auto live = [](int serial) -> Explod * {
        for (int i = 0; i < gv->sysExplods->capacity; i++) {
            Explod *e = ExplodAt(gv->sysExplods, i);
            if (e && e->inUse && e->id == serial)
                return e;
        }
        return nullptr;
    };
    gv->gameLoopMode = GAMELOOP_WIN_SCREEN;
    RoundSceneUpdate();
    Explod *e = live(gv->motif->winText.serial);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, EXPLOD_KIND_SPRITE);
    EXPECT_EQ(e->spr, gv->motifSpr);
    EXPECT_FLOAT_EQ(e->posX, 7.0f);
    EXPECT_FLOAT_EQ(e->posY, 9.0f);

    gv->gameLoopMode = GAMELOOP_SURVIVAL_RESULTS;
    gv->survivalSide = 1;
    gv->round.wins[0] = 3;
    RoundSceneUpdate();
    e = live(gv->motif->winsText.serial);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->text, "3 wins");
    EXPECT_STREQ(gv->motif->winsText.text, "%i wins") << "the element keeps its format";
    gv->gameLoopMode = 0;
    PalFxGlobalFree();
}

using MotifDeathTest = MotifTest;

TEST_F(MotifDeathTest, AReloadThatCannotReadItsFilesEndsTheProgram)
{
    kit.Write();
    ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
    SysBgUnload();
    std::filesystem::remove("data/system.sff");
    EXPECT_EXIT(SysFileReload(), ::testing::ExitedWithCode(1), "Out of memory loading system file data/system.sff");
    // Menu music that is not music at all ends the program.
    BgmKitInstall();
    BGMRequest notMusic{"intro.txt", 1};
    EXPECT_EXIT(MotifMusicPlay(&notMusic), ::testing::ExitedWithCode(1), "V.E.L.O.K Error");
    BgmKitRemove();
    kit.Drop("OptionBGdef");
    kit.Write();
    SysBgUnload();
    EXPECT_EXIT(SysFileReload(), ::testing::ExitedWithCode(1), "Error reloading OptionBG");
}

}  // namespace
