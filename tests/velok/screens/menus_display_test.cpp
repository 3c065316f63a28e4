// Needs an X display: the title menu over its background and a storyboard, shown in a real window frame by frame.
#include "velok/screens/menus.h"

#include <allegro.h>
#include <string>

#include "lib/bg.h"
#include "lib/gfx.h"
#include "support/deftext.h"
#include "support/menukit.h"
#include "support/pixkit.h"
#include "support/stagekit.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"

namespace {

class MenusShown : public MenuWindowTest {
protected:
    void SetUp() override
    {
        MenuWindowTest::SetUp();
    }
    void TearDown() override
    {
        BGFree(menuMotif.titleBg);
        menuMotif.titleBg = nullptr;
        MenuWindowTest::TearDown();
    }
};

TEST_F(MenusShown, TitleOverItsBackgroundThenAStoryboard)
{
    DefFileWrite("title.sff", BgSffBytes({BgImageFill(0, 0, 8, 8, 6)}));
    DefFileWrite("title.def", "[TitleBGdef]\nspr = title.sff\n[TitleBG tile]\ntype = normal\nspriteno = 0,0\n"
                              "start = 0,0\ntile = 1,1\n");
    menuMotif.titleBg = BGLoadFile("title.def", "TitleBG");
    ASSERT_NE(menuMotif.titleBg, nullptr);
    menuMotif.title.fadeInTime = 10;

    Play(MenuScript().Wait(12).Tap(KEY_DOWN).Tap(KEY_COMMA));
    MenuTitleEnter();
    while (Frames() < 12)
        ASSERT_EQ(MenuTitleFrame(), 1);
    EXPECT_EQ(Pixel(2, 2), BgRed(6)) << "faded in over the background";
    while (MenuTitleFrame() == 1)
        ASSERT_LT(Frames(), 40);
    EXPECT_EQ(MenuTitleLeave(), 1);
    EXPECT_EQ(Pixel(2, 2), 0) << "faded out";

    DefFileWrite("story/sb.sff", BgSffBytes({BgImageFill(1, 0, 4, 4, 5)}));
    DefFileWrite("story/sb.def", "[SceneDef]\nspr = sb.sff\n[Begin Action 1]\n1,0, 0,0, -1\n"
                                 "[Scene 1]\nclearcolor = 0,0,255\nlayer0.anim = 1\nlayer0.offset = 20,30\n"
                                 "end.time = 30\n");
    Play(MenuScript());
    MenuStoryboardPlay("story/sb.def", "scene");
    EXPECT_EQ(Frames(), 30);
    EXPECT_EQ(Pixel(21, 31), BgRed(5));
    EXPECT_EQ(Pixel(100, 100), Rgb565(0, 0, 31));
}

TEST_F(MenusShown, AltEnterOnTheTitleSwitchesTheScreenAndChoosesNothing)
{
    // Every mode is set as a window here, so the switch to full screen succeeds.
    Play(MenuScript().Hold(KEY_ALT).Tap(KEY_ENTER).Let(KEY_ALT).Wait(3).Tap(KEY_ENTER));
    MenuTitleEnter();
    while (MenuTitleFrame() == 1)
        ASSERT_LT(Frames(), 40);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_ACCEL) << "switched to full screen";
    EXPECT_EQ(Frames(), 9) << "the Enter after Alt is let go chooses, and the fade-out ends a frame later";
    EXPECT_EQ(MenuTitleLeave(), 0);
    InitSwitchCallbacksRemove();
}

}  // namespace
