// The title screen of the sample game's motif, in a window, saved by the title menu's own screenshot key and checked by probing its pixels.
#include "game/sample.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/motif.h"
#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "samplefiles.h"
#include "screenshot.h"
#include "support/menukit.h"
#include "support/motifkit.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/match/fight.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"

namespace {

class SampleTitle : public MenuWindowTest {
protected:
    void SetUp() override
    {
        MenuWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        std::string error;
        ASSERT_EQ(SampleTreeWrite(".", &error), 1) << error;
        MotifKitSettingsSet();
        ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
    }
    void TearDown() override
    {
        SysFileFree();
        FightDataFree();
        MenuWindowTest::TearDown();
    }
};

TEST_F(SampleTitle, MenuOverTheTitleBackground)
{
    // Faded in, F12 takes the picture; Escape leaves through the exit item.
    Play(MenuScript().Wait(20).Tap(KEY_F12).Wait(2).Tap(KEY_ESC));
    MenuTitleEnter();
    while (MenuTitleFrame() == 1)
        ASSERT_LT(Frames(), 80);
    EXPECT_EQ(MenuTitleLeave(), TITLE_EXIT);

    Screenshot shot = ScreenshotTake("sample-title");
    ASSERT_FALSE(shot.pixels.empty()) << "the title menu took no screenshot";

    // The logo in the motif's gold over the night sky, the hills at the foot.
    Palette *sys = SprSetPalAt(gv->motifSpr, 0);
    EXPECT_GT(shot.Count(60, 40, 260, 90, PaletteColours(sys, MOTIF_ART_GOLD_FIRST, MOTIF_ART_GOLD_LAST)), 1500);
    EXPECT_GT(shot.Count(0, 0, 319, 30, PaletteColours(sys, MOTIF_ART_BACK_FIRST, MOTIF_ART_BEAM_LAST)), 8000);
    EXPECT_GT(shot.Count(0, 225, 319, 239, PaletteColours(sys, MOTIF_ART_SHADE_FIRST, MOTIF_ART_SHADE_LAST)), 3000);
    // The first item in the gold bank of the menu font, the next in white.
    Font *menu = MotifFontGet(1);
    ASSERT_NE(menu, nullptr);
    EXPECT_GT(shot.Count(120, 126, 200, 137, PaletteColours(SprSetPalAt(menu->glyphs, 1), 2, 7)), 40);
    EXPECT_GT(shot.Count(120, 139, 200, 150, PaletteColours(SprSetPalAt(menu->glyphs, 0), 2, 7)), 40);
}

} // namespace
