// A round on the sample game's stage under its fight screen, saved through the engine's screenshot function and checked by probing its pixels.
#include "game/sample.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/art.h"
#include "game/hud.h"
#include "game/ridge.h"
#include "kit/enginekit.h"
#include "kit/sprkit.h"
#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "samplefiles.h"
#include "samplematch.h"
#include "screenshot.h"
#include "support/charkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/team.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/lifebar.h"
#include "velok/match/match.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"

namespace {

// A fighter of the test kit with a body and a face drawn in code: a
// 24x24 face sprite 9000,0 of colour 3 and a 30x70 body of colour 2.
CharKit Fighter()
{
    ArtPalette pal;
    ArtColourSet(&pal, 1, 20, 20, 20);
    ArtColourSet(&pal, 2, 40, 200, 220);
    ArtColourSet(&pal, 3, 250, 40, 250);
    BITMAP *body = ArtBitmap(30, 70);
    rectfill(body, 0, 0, 29, 69, 1);
    rectfill(body, 2, 2, 27, 67, 2);
    BITMAP *face = ArtBitmap(24, 24);
    rectfill(face, 0, 0, 23, 23, 3);
    std::vector<SffImage> images = {ArtImage(body, pal, 0, 0, 15, 69), ArtImage(face, pal, 9000, 0, 0, 0)};
    destroy_bitmap(body);
    destroy_bitmap(face);
    CharKit kit;
    kit.sff = SffPack(images);
    kit.air += AirAction(5, {"0,0, 0,0, 2"}) + AirAction(6, {"0,0, 0,0, 2"});
    kit.cns += "[Statedef 5900]\ntype = S\n[State 5900, none]\ntype = null\ntrigger1 = 1\n";
    std::vector<unsigned char> rgb(pal.rgb);
    kit.act = ActFileBytes(rgb);
    return kit;
}

uint16_t Rgb565Of(int r, int g, int b)
{
    return (uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// The colours of a sprite set's palette entries first..last.
std::set<uint16_t> Colours(SprSet *spr, int palSlot, int first, int last)
{
    return PaletteColours(SprSetPalAt(spr, palSlot), first, last);
}

class SampleScreen : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(TestDisplayStart()) << "no X display";
        ASSERT_EQ(GfxInit(), 1);
        ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 320, 240, 16), 1) << allegro_error;
        std::string error;
        ASSERT_EQ(SampleTreeWrite(".", &error), 1) << error;
        ASSERT_NO_FATAL_FAILURE(SampleMatchRecordMake(77, 8));
        gv->sysFont[0] = FontLoad("font/f-4x6.fnt");
        gv->sysFont[1] = FontLoad("font/f-6x9.fnt");
        disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
        ASSERT_NE(disp.gameBuf, nullptr);
        VbufTargetSet(disp.gameBuf, 0);
        ASSERT_EQ(FightDefLoad("data/fight.def"), 1) << gv->errorText;

        Fighter().WriteDir("chars/kit");
        entries.resize(1);
        CharKitEntrySet(&entries[0], "chars/kit");
        gv->charList = entries.data();
        gv->charCount = 1;
        for (int side = 1; side <= 2; side++) {
            TeamSetup(&gv->teams[side - 1], side, 0, 1);
            TeamMember *m = TeamMemberAt(&gv->teams[side - 1], 0);
            m->charIndex = 0;
            m->palNo = 0;
        }
        StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/ridge.def");
        ASSERT_EQ(StageLoad(), 1) << gv->errorText;
        ASSERT_EQ(MatchTeamsSetup(0), 1) << gv->errorText;
        gv->playerInput = 1;
    }
    void TearDown() override
    {
        SampleMatchFree();
        for (Font *&f : gv->sysFont) {
            FontFree(f);
            f = nullptr;
        }
        vbufTarget = VbufTarget{};
        VbufSprFree(disp.gameBuf);
        disp = DispState{};
        SampleMatchRecordFree();
        TempDirTest::TearDown();
    }
    int Frame()
    {
        for (int i = 0; i < 3; i++)
            TimerTick();
        return GameLoopFrame();
    }
    std::vector<CharInfo> entries;
};

TEST_F(SampleScreen, FightScreenOverTheStage)
{
    GameLoopEnter(GAMELOOP_MATCH);
    // On to the fight: the announcement has landed and the players have
    // control. Player 1 lands three hits: the combo counter slides in, and
    // the last hit's spark bursts on player 2.
    for (int i = 0; i < 400 && !(gv->round.state == 2 && gv->round.tick >= 6); i++)
        ASSERT_EQ(Frame(), 1) << "frame " << i;
    ASSERT_EQ(gv->round.state, 2);
    Player *p2 = PlayerSlotGet(2);
    ASSERT_NE(p2, nullptr);
    ComboCounterAdd(1, 3);
    for (int i = 0; i < 14; i++) {
        gv->combo[0].running = 1;
        ASSERT_EQ(Frame(), 1);
    }
    p2->life = p2->lifeShown[0] = p2->lifeShown[1] = p2->lifeMax * 3 / 5;
    ASSERT_GE(HitSparkMake(PlayerSlotGet(1), 2, p2->posX - 20, (float)RIDGE_GROUND_Y + p2->posY - 50, 0, 0, 0), 0);
    ASSERT_EQ(Frame(), 1);
    GameLoopLeave();
    DispPresent();
    ASSERT_EQ(DispScreenshot(), 1) << LibErrorMsg;

    Screenshot shot = ScreenshotTake("sample-fight");
    ASSERT_FALSE(shot.pixels.empty());

    SprSet *fs = gv->fightSpr;
    std::set<uint16_t> life = Colours(fs, 0, HUD_LIFE_FIRST, HUD_LIFE_LAST);
    std::set<uint16_t> back = Colours(fs, 0, HUD_BACK_FIRST, HUD_BACK_LAST);
    std::set<uint16_t> frame = Colours(fs, 0, HUD_FRAME_FIRST, HUD_FRAME_LAST);
    std::set<uint16_t> box = Colours(fs, 0, HUD_BOX_FIRST, HUD_BOX_LAST);
    std::set<uint16_t> announce = Colours(fs, 0, HUD_ANNOUNCE_FIRST, HUD_ANNOUNCE_LAST);
    SprSet *ss = gv->stageBg->spr;
    std::set<uint16_t> sky = Colours(ss, 0, RIDGE_SKY_FIRST, RIDGE_CLOUD_LAST);
    std::set<uint16_t> floor = Colours(ss, 0, RIDGE_FLOOR_FIRST, RIDGE_FLOOR_LAST);
    std::set<uint16_t> line = Colours(ss, 0, RIDGE_LINE, RIDGE_LINE);
    floor.insert(line.begin(), line.end());
    Font *nameFont = FightFontGet(1);
    std::set<uint16_t> white = Colours(nameFont->glyphs, 0, 1, 7);
    Font *timeFont = FightFontGet(2);
    std::set<uint16_t> gold = Colours(timeFont->glyphs, 1, 1, 7);

    // Player 1's bar is full, player 2's three fifths full from its right end.
    const int ly = HUD_LIFE_Y + 2;
    EXPECT_EQ(shot.Count(HUD_P1_LIFE_X, ly, HUD_P1_LIFE_X + HUD_LIFE_W - 1, ly, life), HUD_LIFE_W);
    const int shown = HUD_LIFE_W * 3 / 5;
    EXPECT_EQ(shot.Count(HUD_P2_LIFE_X - shown + 1, ly, HUD_P2_LIFE_X, ly, life), shown);
    EXPECT_EQ(shot.Count(HUD_P2_LIFE_X - HUD_LIFE_W + 1, ly, HUD_P2_LIFE_X - shown, ly, back), HUD_LIFE_W - shown);
    EXPECT_TRUE(frame.count(shot.At(HUD_P1_LIFE_X - 2, ly))) << "the bar's frame";
    // Both faces in their frames: the fighters' face colour.
    uint16_t faceColour = Rgb565Of(250, 40, 250);
    EXPECT_EQ(shot.At(10, 10), faceColour);
    EXPECT_EQ(shot.At(309, 10), faceColour);
    EXPECT_TRUE(frame.count(shot.At(4, 20)));
    // The timer box with its digits in gold, both names in white.
    EXPECT_GT(shot.Count(HUD_TIMER_X - 12, HUD_TIMER_Y + 3, HUD_TIMER_X + 12, HUD_TIMER_Y + 20, box), 50);
    EXPECT_GT(shot.Count(HUD_TIMER_X - 12, HUD_TIMER_Y + 3, HUD_TIMER_X + 12, HUD_TIMER_Y + 20, gold), 30);
    EXPECT_GT(shot.Count(HUD_P1_LIFE_X, 18, HUD_P1_LIFE_X + 40, 28, white), 10);
    EXPECT_GT(shot.Count(HUD_P2_LIFE_X - 40, 18, HUD_P2_LIFE_X, 28, white), 10);
    // The power bars, empty: their middle shows all along.
    std::set<uint16_t> powerMid = Colours(fs, 0, HUD_POWER_MID_FIRST, HUD_POWER_MID_LAST);
    EXPECT_EQ(shot.Count(HUD_P1_LIFE_X, HUD_POWER_Y + 1, HUD_P1_LIFE_X + HUD_POWER_W - 1, HUD_POWER_Y + 1,
                    powerMid),
              HUD_POWER_W);
    // The combo count in gold at the left; the spark near white over player 2.
    EXPECT_GT(shot.Count(10, 76, 40, 96, gold), 20);
    int hot = 0;
    for (int y = 140; y <= 160; y++)
        for (int x = 190; x <= 230; x++) {
            uint16_t c = shot.At(x, y);
            hot += (c >> 11) >= 28 && ((c >> 5) & 63) >= 56 && (c & 31) >= 24;
        }
    EXPECT_GT(hot, 10);
    // The announcement in the middle of the screen.
    EXPECT_GT(shot.Count(100, 80, 220, 120, announce), 200);
    // The stage: sky above the mountains, floor below the players' feet.
    EXPECT_GT(shot.Count(120, 40, 200, 50, sky), 81 * 11 * 9 / 10);
    EXPECT_GT(shot.Count(120, 205, 200, 215, floor), 81 * 11 * 9 / 10);
    // And the fighters stand on the ground line.
    uint16_t body = Rgb565Of(40, 200, 220);
    EXPECT_EQ(shot.At(90, RIDGE_GROUND_Y - 10), body);
    EXPECT_EQ(shot.At(230, RIDGE_GROUND_Y - 10), body);
    EXPECT_NE(shot.At(90, RIDGE_GROUND_Y + 2), body);
}

} // namespace
