// The storyboard runner driven by scripted keys: playing to the end with its music, cancelling by a button or Escape, pausing and stepping, and files that are missing or bad.
#include "velok/screens/menus.h"

#include <allegro.h>
#include <algorithm>
#include <string>
#include <vector>

#include "lib/kbll-lib.h"
#include "support/bgmkit.h"
#include "support/deftext.h"
#include "support/menukit.h"
#include "support/pixkit.h"
#include "support/stagekit.h"
#include "velok/core/common.h"
#include "velok/core/gamemusic.h"
#include "velok/core/gamevars.h"

namespace {

class StoryRun : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        CfgSound &s = gv->cfg.sound;
        s.sound = 1;
        s.playMidi = 1;
        kit = BgmKitInstall();
        GameMusicHostSet();
        DefFileWrite("story/sb.sff", BgSffBytes({BgImageFill(1, 0, 4, 4, 5)}));
    }
    void TearDown() override
    {
        BGMStop(&gv->menuBgm);
        BgmKitRemove();
        MenuTest::TearDown();
    }
    void Write(const std::string &scenes)
    {
        DefFileWrite("story/sb.def", "[SceneDef]\nspr = sb.sff\n" + scenes);
    }
    void Run(const MenuScript &s, const char *name = "story/sb.def")
    {
        Play(s);
        MenuStoryboardPlay(name, "scene");
    }
    std::string Log()
    {
        LogWrite("close log");
        return ReadFileText("velokw.log");
    }
    bool Called(const std::string &call)
    {
        return std::find(kit->calls.begin(), kit->calls.end(), call) != kit->calls.end();
    }
    BgmKit *kit = nullptr;
};

TEST_F(StoryRun, PlaysToItsEndWithItsMusic)
{
    Write("[Scene 1]\nbgm = theme.mid\nclearcolor = 0,0,255\nend.time = 3\n"
          "[Scene 2]\nclearcolor = 255,0,0\nend.time = 2\n");
    Run(MenuScript());
    EXPECT_EQ(Frames(), 5) << "three ticks, two ticks, the last ending the play";
    EXPECT_EQ(Pixel(10, 10), BgRed(31)) << "the last frame drawn is the second scene's";
    EXPECT_TRUE(Called("midiLoad story/theme.mid"));
    EXPECT_TRUE(Called("midiDestroy")) << "the storyboard's music stops with it";
    std::string log = Log();
    EXPECT_NE(log.find("Playing storyboard story/sb.def: scene\nStoryboard playback finished OK\n"
                       "Finished playing storyboard story/sb.def: scene\n"),
              std::string::npos)
        << log;
}

TEST_F(StoryRun, AButtonOrEscapeCancels)
{
    Write("[Scene 1]\nend.time = -1\n");
    Run(MenuScript().Wait(1).Tap(KEY_COMMA));
    EXPECT_EQ(Frames(), 2);
    Run(MenuScript().Tap(KEY_DOWN).Tap(KEY_ESC));  // a direction is no button
    EXPECT_EQ(Frames(), 3);
    std::string log = Log();
    EXPECT_NE(log.find("Storyboard playback canceled 10:0 k33 p0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Storyboard playback canceled by Esc\n"), std::string::npos);
}

TEST_F(StoryRun, PauseHoldsThePlayAndScrollLockStepsIt)
{
    Write("[Scene 1]\nbgm = theme.mid\nend.time = 4\n");
    // The music starts with the first tick; paused from the second frame;
    // Scroll Lock runs one tick in frame 6; the pause ends in frame 8, and the
    // last two ticks run in frames 8 and 9.
    Run(MenuScript().Wait(1).Tap(KEY_PAUSE).Wait(3).Tap(KEY_SCRLOCK).Tap(KEY_PAUSE).Wait(10));
    EXPECT_EQ(Frames(), 10);
    EXPECT_TRUE(Called("midiPause"));
    EXPECT_TRUE(Called("midiResume"));
    EXPECT_EQ(KbllPauseGet(), 0);

    // With the debug display on, the pause switch is not followed.
    gv->cfg.debug.debug = 1;
    Run(MenuScript().Tap(KEY_PAUSE).Wait(10));
    EXPECT_EQ(Frames(), 4);
    KbllPauseSet(0);
}

TEST_F(StoryRun, NothingPlaysWithoutAGoodFile)
{
    Run(MenuScript(), "");
    EXPECT_EQ(Frames(), 0);
    Run(MenuScript(), "story/none.def");
    EXPECT_EQ(Frames(), 0);
    DefFileWrite("story/bad.def", "[SceneDef]\nspr = sb.sff\n[Scene 1]\nbgm = x.mid\n");
    Run(MenuScript(), "story/bad.def");
    EXPECT_EQ(Frames(), 0);
    EXPECT_TRUE(std::string(gv->errorText).ends_with("end.time not specified.\nCutscene error reading story/bad.def"
                                                     "\nError loading storyboard: story/bad.def"))
        << gv->errorText;
    std::string log = Log();
    EXPECT_EQ(log.find("Playing storyboard : scene"), std::string::npos) << "an empty name is not even logged";
    EXPECT_NE(log.find("Storyboard file not found: story/none.def"), std::string::npos) << log;
}

}  // namespace
