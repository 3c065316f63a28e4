// Fight-screen sounds with real voices (ALSA's null device): power levels and the announcer.
#include "velok/match/lifebar.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "support/fightkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/match/fight.h"
#include "velok/match/round.h"
#include "velok/player/player.h"

namespace {

class FightSound : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(TestNullVoicesStart());
        LogStateReset();
        gv = new GameVars();
        gv->cfg.engine.explodMax = gv->cfg.engine.sysExplodMax = 8;
        gv->cfg.sound.sound = 1;
        gv->cfg.sound.wavVolume = 175;
        ASSERT_EQ(SndInstall(DIGI_ALSA, MIDI_NONE, 8), 1) << allegro_error;
        FightKit kit = FightKitMake();
        kit.Group("Powerbar") = {"level2.snd = 1,2", "level9.snd = 1,9"};
        kit.Group("Round") = {"round1.snd = 1,5", "round.sndtime = 3"};
        ASSERT_EQ(FightDefLoad(kit.Write().c_str()), 1) << gv->errorText;
    }
    void TearDown() override
    {
        FightDataFree();
        SndRemove();
        delete gv;
        gv = nullptr;
        LogStateReset();
        TempDirTest::TearDown();
    }
    // The sample the channel's voice plays, or null.
    static SAMPLE *Playing(int channel)
    {
        return SndChannelIsPlaying(channel) ? voice_check(SndChannelVoice(channel)) : nullptr;
    }
    static SAMPLE *Sound(int group, int number) { return SndSetFind(gv->fightSnd, group, number); }
};

} // namespace

TEST_F(FightSound, ARiseToANewPowerLevelPlaysItsSound)
{
    Player pl{};
    pl.powerMax = 9000;
    pl.power = 2500;
    PowerbarTick(&pl);
    EXPECT_EQ(Playing(0), Sound(1, 2));
    EXPECT_EQ(Playing(1), nullptr);

    // A fall plays nothing; neither does a level without a sound, nor one of
    // 10 and above.
    for (int power : {1500, 3000, 10000, 12000}) {
        pl.power = power;
        PowerbarTick(&pl);
        EXPECT_EQ(Playing(1), nullptr) << power;
    }
    pl.power = 0;
    PowerbarTick(&pl);
    pl.power = 9999;
    PowerbarTick(&pl);
    EXPECT_EQ(Playing(1), Sound(1, 9)) << "from 0 straight to 9";
}

TEST_F(FightSound, TheRoundAnnouncerPlaysFromTheFightSounds)
{
    gv->round.number = 1;
    gv->round.state = 1;
    gv->round.tick = 10;
    gv->round.introCounter = 3;
    gv->playerSlotCount = 0;
    gv->sideEntry[0].memberCount = gv->sideEntry[1].memberCount = 1;
    RoundUpdate();
    EXPECT_EQ(Playing(0), nullptr);
    RoundUpdate();
    EXPECT_EQ(Playing(0), Sound(1, 5)) << "at round.sndtime + 1";
}
