// PlaySnd, StopSnd and SndPan on fake voices: which sound, volume, pan, frequency and channel, the warnings and their replacements.
#include "velok/script/sc-playsnd.h"

#include <allegro.h>
#include <string>

#include "lib/snd-lib.h"
#include "support/fieldkit.h"
#include "support/voicekit.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/player/chardef.h"
#include "velok/player/player.h"

namespace {

class SoundCtrlTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
        CfgSound &s = gv->cfg.sound;
        s.sound = s.stereoEffects = 1;
        s.panningWidth = 160;
        s.wavVolume = 175;
        gv->cameraX = 30;  // P1 at x 100 shows at 70, P2 at 220 at 190
        ASSERT_TRUE(FakeVoiceStart());
        // The character's set goes with its data; the common set is the test's.
        own = SndSetCreate(2);
        low = create_sample(8, 0, 11025, 100);
        high = create_sample(8, 0, 22050, 100);
        ASSERT_TRUE(SndSetAdd(own, low, 1, 0) && SndSetAdd(own, high, 1, 1));
        p1->charData->sounds = own;
        p1->charData->volume = 40;
        common = SndSetCreate(1);
        commonLow = create_sample(8, 0, 8000, 100);
        ASSERT_TRUE(SndSetAdd(common, commonLow, 1, 0));
        gv->commonSnd = common;
    }
    void TearDown() override
    {
        SndSetFree(common);
        gv->commonSnd = nullptr;
        FieldTest::TearDown();  // frees the character's set with its data
        FakeVoiceStop();
    }
    // Compiles and applies one controller; its plays since the last clear.
    std::vector<FakePlay> Run(Player *who, const std::string &body)
    {
        FakeVoiceClear();
        ClearWarnings();
        SCtrl *c = Ctrl(body);
        EXPECT_NE(c, nullptr) << gv->errorText;
        if (c)
            Apply(who, c);
        return FakeVoicePlays();
    }
    std::vector<FakePlay> Play(Player *who, const std::string &keys) { return Run(who, "type = playsnd\n" + keys); }
    int KeyPan(Player *who, int channel)
    {
        return SndChannelGetPan(SndKeyFind(SoundPlayerChannelKey(who->slot, channel)));
    }
    SndSet *own = nullptr, *common = nullptr;
    SAMPLE *low = nullptr, *high = nullptr, *commonLow = nullptr;
};

TEST_F(SoundCtrlTest, PlaySndTable)
{
    struct Case {
        int who;
        const char *body;
        const SAMPLE *const *sample;  // null: nothing plays
        int volume, pan, freq, loop;
        const char *warning;
    } cases[] = {
        // Character sounds add the character's volume (40) before halving.
        {1, "value = 1,0", &low, 20 + 175, -22, 11025, 0, ""},
        {1, "value = S1,1\nvolume = 100\nfreqmul = 2\nloop = 1", &high, 70 + 175, -22, 44100, 1, ""},
        {1, "value = 1", &low, 195, -22, 11025, 0, ""},
        {1, "value = F1,0\nvolume = 30", &commonLow, 15 + 175, -22, 8000, 0, ""},
        {1, "value = 1,0\nvolume = 300", &low, 255, -22, 11025, 0, ""},
        {1, "value = 1,0\nvolume = -1000", &low, 0, -22, 11025, 0, ""},
        // abspan from the screen centre, pan from the player, both turned with the facing.
        {1, "value = 1,0\nabspan = 100", &low, 195, 27, 11025, 0, ""},
        {2, "value = 1,0\nabspan = 100", &low, 195, -27, 11025, 0, ""},
        {1, "value = 1,0\npan = 100", &low, 195, 0, 11025, 0, ""},
        {2, "value = 1,0\npan = 100", &low, 195, -13, 11025, 0, ""},
        {1, "value = 1,0\nfreqmul = 0.001", &low, 195, -22, 100, 0, ""},
        {1, "value = 1,0\nfreqmul = 0", &low, 195, -22, 11025, 0, "Non-positive freqmul."},
        {1, "value = 1,0\nfreqmul = -2", &low, 195, -22, 11025, 0, "Non-positive freqmul."},
        {1, "value = 1,0\nchannel = 32", &low, 195, -22, 11025, 0, "Illegal playsnd channel."},
        {1, "value = 1,0\nchannel = -2", &low, 195, -22, 11025, 0, "Illegal playsnd channel."},
        {1, "value = -2,-5", nullptr, 0, 0, 0, 0, "Illegal playsnd groupno.|Illegal playsnd sndno."},
        {1, "value = -1,0", nullptr, 0, 0, 0, 0, ""},
        {1, "value = 9,9", nullptr, 0, 0, 0, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        Player *who = P(c.who);
        std::vector<FakePlay> plays = Play(who, c.body);
        std::string w = Warnings();
        std::string want = c.warning;
        for (size_t at = 0; at < want.size();) {
            size_t bar = want.find('|', at);
            std::string part = want.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            EXPECT_NE(w.find(part), std::string::npos) << w;
            at = bar == std::string::npos ? want.size() : bar + 1;
        }
        if (want.empty()) {
            EXPECT_EQ(w, "");
        }
        if (!c.sample) {
            EXPECT_TRUE(plays.empty());
            continue;
        }
        ASSERT_EQ(plays.size(), 1u);
        EXPECT_EQ(plays[0].sample, *c.sample);
        EXPECT_EQ(plays[0].volume, c.volume);
        EXPECT_EQ(plays[0].pan, c.pan);
        EXPECT_EQ(plays[0].freq, c.freq);
        EXPECT_EQ(plays[0].loop, c.loop);
        FakeVoiceFinishAll();
    }
}

TEST_F(SoundCtrlTest, PlaySndChannelsAndLowPriority)
{
    ASSERT_EQ(Play(p1, "value = 1,0\nchannel = 0").size(), 1u);
    ASSERT_EQ(Play(P(2), "value = 1,0\nchannel = 0").size(), 1u);
    EXPECT_EQ(FakeVoicePlayingCount(), 2);  // the same channel number of two players
    int channel = SndKeyFind(SoundPlayerChannelKey(1, 0));
    ASSERT_GE(channel, 0);

    // A low-priority sound leaves a playing one alone, and plays once it ended.
    EXPECT_TRUE(Play(p1, "value = 1,1\nchannel = 0\nlowpriority = 1").empty());
    std::vector<FakePlay> plays = Play(p1, "value = 1,1\nchannel = 0");
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].sample, high);
    EXPECT_EQ(SndKeyFind(SoundPlayerChannelKey(1, 0)), channel);  // cut on its own channel
    EXPECT_EQ(FakeVoicePlayingCount(), 2);
    FakeVoiceFinishAll();
    EXPECT_EQ(Play(p1, "value = 1,0\nchannel = 0\nlowpriority = 1").size(), 1u);
}

TEST_F(SoundCtrlTest, PlaySndIsSilentWithoutSoundOrItsSet)
{
    gv->cfg.sound.sound = 0;
    EXPECT_TRUE(Play(p1, "value = 1,0").empty());
    gv->cfg.sound.sound = 1;
    SndSetState(0);
    EXPECT_TRUE(Play(p1, "value = 1,0").empty());
    SndSetState(1);
    gv->commonSnd = nullptr;
    EXPECT_TRUE(Play(p1, "value = F1,0").empty());
    gv->commonSnd = common;
    p1->charData->sounds = nullptr;
    EXPECT_TRUE(Play(p1, "value = 1,0\nchannel = 99").empty());
    EXPECT_EQ(Warnings(), "");  // nothing is evaluated without a set
    p1->charData->sounds = own;
    EXPECT_EQ(Play(p1, "value = 1,0").size(), 1u);
}

TEST_F(SoundCtrlTest, PlaySndNeedsAWellFormedValue)
{
    for (const char *body : {"type = playsnd", "type = playsnd\nvalue = F", "type = playsnd\nvalue = 1,]",
                             "type = playsnd\nvalue = 1,0\nvolume = (", "type = playsnd\nvalue = 1,0\nfreqmul = ?"}) {
        SCOPED_TRACE(body);
        EXPECT_EQ(Ctrl(body), nullptr);
        EXPECT_NE(std::string(gv->errorText).find("\nError parsing PlaySnd"), std::string::npos) << gv->errorText;
    }
    Ctrl("type = playsnd");
    EXPECT_STREQ(gv->errorText, "Missing value parameter\nError parsing PlaySnd");
}

TEST_F(SoundCtrlTest, StopSndStopsOneChannelOrEverySound)
{
    Run(p1, "type = playsnd\nvalue = 1,0\nchannel = 0");
    Run(p1, "type = playsnd\nvalue = 1,0\nchannel = 1");
    Run(P(2), "type = playsnd\nvalue = 1,0\nchannel = 0");
    ASSERT_EQ(FakeVoicePlayingCount(), 3);

    struct Case {
        int who;
        const char *body;
        int playing;
        const char *warning;
    } cases[] = {
        {1, "type = stopsnd\nchannel = 32", 3, "stopped illegal channel number 32"},
        {1, "type = stopsnd\nchannel = -2", 3, "stopped illegal channel number -2"},
        {1, "type = stopsnd\nchannel = 5", 3, ""},
        {1, "type = stopsnd\nchannel = 0", 2, ""},
        {2, "type = stopsnd\nchannel = 1", 2, ""},  // P2 has nothing on channel 1
        {2, "type = stopsnd\nchannel = -1", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        Run(P(c.who), c.body);
        EXPECT_EQ(FakeVoicePlayingCount(), c.playing);
        std::string w = Warnings();
        if (*c.warning) {
            EXPECT_NE(w.find(c.warning), std::string::npos) << w;
        } else {
            EXPECT_EQ(w, "");
        }
    }
}

TEST_F(SoundCtrlTest, SndPanMovesAPlayingChannel)
{
    Run(p1, "type = playsnd\nvalue = 1,0\nchannel = 3\nabspan = 0");
    Run(P(2), "type = playsnd\nvalue = 1,0\nchannel = 3\nabspan = 0");
    ASSERT_EQ(KeyPan(p1, 3), 0);

    struct Case {
        int who;
        const char *body;
        int pan;  // of the player's channel 3 afterwards
        const char *warning;
    } cases[] = {
        {1, "type = sndpan\nchannel = 3\npan = 100", 0, ""},       // 70 + 100
        {1, "type = sndpan\nchannel = 3\npan = -100", -68, ""},    // 70 - 100
        {1, "type = sndpan\nchannel = 3\nabspan = 160", 54, ""},   // 160 + 160
        {2, "type = sndpan\nchannel = 3\npan = 100", -13, ""},     // 190 - 100
        {2, "type = sndpan\nchannel = 3\nabspan = 160", -54, ""},  // 160 - 160
        {1, "type = sndpan\nchannel = -1\npan = 100", 54, "attemted to pan illegal channel number -1"},
        {1, "type = sndpan\nchannel = 32\npan = 100", 54, "attemted to pan illegal channel number 32"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        Run(P(c.who), c.body);
        EXPECT_EQ(KeyPan(P(c.who), 3), c.pan);
        std::string w = Warnings();
        if (*c.warning) {
            EXPECT_NE(w.find(c.warning), std::string::npos) << w;
        } else {
            EXPECT_EQ(w, "");
        }
    }
    gv->cfg.sound.stereoEffects = 0;
    Run(p1, "type = sndpan\nchannel = 3\nabspan = 160");
    EXPECT_EQ(KeyPan(p1, 3), 0);
}

}  // namespace

TEST_F(SoundCtrlTest, SuperPausePlaysItsSound)
{
    struct Case {
        const char *keys;
        const SAMPLE *const *sample;
        int volume;
    } cases[] = {
        {"sound = S1,1", &high, 20 + 175},
        {"sound = 1,0", &commonLow, 175},
        {"", nullptr, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keys);
        std::vector<FakePlay> plays = Run(p1, std::string("type = SuperPause\nanim = -1\n") + c.keys);
        if (!c.sample) {
            EXPECT_TRUE(plays.empty());
            continue;
        }
        ASSERT_EQ(plays.size(), 1u);
        EXPECT_EQ(plays[0].sample, *c.sample);
        EXPECT_EQ(plays[0].volume, c.volume);
        FakeVoiceFinishAll();
    }
}
