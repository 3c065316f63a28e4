// Tracker-module player on Allegro's own timer and voices (ALSA's null device): the song moves by itself and the voices carry it.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <string>

#include "lib/snd-lib.h"
#include "music/tkmod-load.h"
#include "music/tkmod-play.h"
#include "support/testkit.h"
#include "support/tkmodkit.h"

class TkmodAllegroTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(TestNullVoicesStart());
        ASSERT_EQ(install_timer(), 0);
        TkmodDeviceSet(nullptr);
    }
    void TearDown() override
    {
        TkmodRemove();
        TkmodDestroy(mod);
        SndRemove();
        TempDirTest::TearDown();
    }
    TkmodModule *mod = nullptr;
};

TEST_F(TkmodAllegroTest, TheTimerMovesTheSongAndTheVoicesCarryIt)
{
    ASSERT_EQ(SndInstall(DIGI_ALSA, MIDI_NONE, 8), 1) << allegro_error;
    // A long looping sample; speed 1, and a tempo change from inside the tick on row 2.
    ModDesc desc;
    ModSampleDesc s;
    s.data = std::string(20000, '\x20');
    s.loopLengthWords = 10000;
    desc.sampleList = {s};
    desc.patterns = {{KitCellAt(0, 0, 428, 1, -1, 0xC, 32), KitCellAt(1, 0, 0, 0, -1, 0xF, 1),
                      KitCellAt(2, 0, 0, 0, -1, 0xF, 200)}};
    WriteFileText("timer.mod", ModBytes(desc));
    mod = TkmodLoad("timer.mod");
    ASSERT_NE(mod, nullptr) << TkmodErrorText();
    ASSERT_EQ(TkmodInstall(4), 1) << TkmodErrorText();
    ASSERT_EQ(TkmodPlay(mod, 1), 1);
    // 80 ticks a second once row 2 has played; waits at most five seconds.
    TkmodPosition p;
    for (int waited = 0; waited < 5000; waited += 20) {
        rest(20);
        TkmodPositionGet(&p);
        if (p.row > 10)
            break;
    }
    EXPECT_EQ(p.tempo, 200);
    EXPECT_GT(p.row, 10);
    EXPECT_EQ(TkmodIsPlaying(), -1);

    int voice = TkmodVoiceGet(0);
    ASSERT_GE(voice, 0);
    EXPECT_EQ(voice_check(voice), TkmodSampleGet(mod, 0));
    EXPECT_NEAR(voice_get_frequency(voice), 8363, 2);
    EXPECT_NEAR(voice_get_volume(voice), 127, 2);

    TkmodPause();
    TkmodPositionGet(&p);
    rest(100);
    TkmodPosition paused;
    TkmodPositionGet(&paused);
    EXPECT_EQ(paused.row, p.row);
    EXPECT_EQ(paused.order, p.order);
    TkmodResume();
    TkmodStop();
    EXPECT_EQ(TkmodIsPlaying(), 0);
}
