// The game's side of the music records: its settings, error text, warning log, volumes and the menus' record.
#include "velok/core/gamemusic.h"

#include <string>
#include <vector>

#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "support/bgmkit.h"
#include "support/testkit.h"
#include "support/voicekit.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"

namespace {

using Calls = std::vector<std::string>;

class GameMusic : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestAllegroStart();
        ASSERT_TRUE(FakeVoiceStart());
        gv = new GameVars();
        gv->warnLog = TextBufCreate(77, 8);
        CfgSound &s = gv->cfg.sound;
        s.sound = 1;
        s.masterWavVolume = 200;
        s.midiVolume = 30;
        s.mp3Volume = s.modVolume = 175;
        s.cdaVolume = -1;
        s.playCda = s.playMp3 = s.playMidi = s.playMod = 1;
        gv->options.wavVolume = gv->options.midiVolume = 50;
        k = BgmKitInstall();
        GameMusicHostSet();
    }
    void TearDown() override
    {
        BGMStop(&gv->menuBgm);
        BgmKitRemove();
        TextBufFree(gv->warnLog);
        delete gv;
        gv = nullptr;
        ScreenWindowActiveSet(1);
        FakeVoiceStop();
    }
    BgmKit *k;
};

}  // namespace

TEST_F(GameMusic, RecordsFollowTheGamesSettingsAndReportIntoTheGameRecord)
{
    // A start applies the configured master volumes with the option percentages.
    SndSetVolume(0, 0);
    gv->options.midiVolume = 100;
    BGMPlayCallback("title.mid", 1);
    EXPECT_EQ(gv->menuBgm.kind, BGM_KIND_MIDI);
    EXPECT_EQ(SndGetDigiVolume(), 200);
    EXPECT_EQ(SndGetMidiVolume(), 60);

    // A MIDI record's volume is the configured MIDI volume.
    BGMSetVolume(&gv->menuBgm, 44);
    EXPECT_EQ(gv->cfg.sound.midiVolume, 44);
    EXPECT_EQ(BGMGetVolume(&gv->menuBgm), 44);

    BGMPlayCallback("title.wav", 1);
    EXPECT_STREQ(gv->errorText, "Music file not supported: title.wav\nError loading BGM: title.wav");

    gv->cfg.sound.modVoices = 0;
    k->modInstalls = false;
    BGMPlayCallback("title.mod", 1);
    EXPECT_STREQ(gv->warnLog->lines[gv->warnLog->oldest], "Warning: could not allocate mod voices");

    // The window's focus pauses the menu music when asked to.
    BGMPlayCallback("title.mid", 1);
    gv->cfg.sound.pauseBgmOnDefocus = 1;
    ScreenWindowActiveSet(0);
    BGMUpdate(&gv->menuBgm);
    EXPECT_TRUE(gv->menuBgm.focusPaused);

    k->Take();
    gv->noMusic = 1;
    BGMPlayCallback("other.mid", 1);
    BGMStopCallback();
    EXPECT_EQ(k->Take(), Calls{"midiDestroy"}) << "no music starts; a stop still frees";
}
