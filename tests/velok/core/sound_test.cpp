// Game-level sound on fake voices: volumes with the offset, pans by screen x, frequency and loop, player channel keys, master volumes, sound references.
#include "velok/core/sound.h"

#include <allegro.h>
#include <cmath>
#include <set>
#include <string>

#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "support/voicekit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"

namespace {

class SoundTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        CfgSound &s = gv->cfg.sound;
        s.sound = 1;
        s.stereoEffects = 1;
        s.panningWidth = 160;
        s.masterWavVolume = 200;
        s.wavVolume = 175;
        gv->options.wavVolume = gv->options.midiVolume = 50;
        gv->playerSlotCount = 8;
        ASSERT_TRUE(FakeVoiceStart());
        set = SndSetCreate(2);
        low = create_sample(8, 0, 11025, 100);
        high = create_sample(16, 1, 22050, 100);
        ASSERT_TRUE(SndSetAdd(set, low, 1, 0) && SndSetAdd(set, high, 1, 1));
    }
    void TearDown() override
    {
        SndSetFree(set);
        FakeVoiceStop();
        SndSetReverseStereo(0);
        SndSetLoadToMemory(0);
        GameVarsTest::TearDown();
    }
    // The one play since the last clear.
    FakePlay Only()
    {
        EXPECT_EQ(FakeVoicePlays().size(), 1u);
        FakePlay p = FakeVoicePlays().empty() ? FakePlay{} : FakeVoicePlays().back();
        FakeVoiceClear();
        return p;
    }
    SndSet *set = nullptr;
    SAMPLE *low = nullptr;
    SAMPLE *high = nullptr;
};

TEST_F(SoundTest, PanFollowsTheScreenXOutsideTheCentre)
{
    struct Case {
        float x;
        int width;
        int pan;
    } cases[] = {
        {0, 160, -54},     {320, 160, 54},   {160, 160, 0},      {130, 160, 0},    {190, 160, 0},
        {120, 160, 0},     {200, 160, 0},    {100, 160, -9},     {300, 160, 45},   {119.5f, 160, 0},
        {0, 20, 0},        {320, 0, 0},      {0, -50, 0},        {0, 21, -127},    {320, 21, 127},
        {1e30f, 160, 127}, {-1e30f, 160, -127}, {NAN, 160, 0},   {INFINITY, 160, 127},
    };
    for (const Case &c : cases) {
        gv->cfg.sound.panningWidth = c.width;
        EXPECT_EQ(SoundPanFromX(c.x), c.pan) << c.x << " width " << c.width;
    }
}

TEST_F(SoundTest, PositionalPlaysPanUnlessStereoEffectsAreOffAndFlipWhenReversed)
{
    struct Case {
        float x;
        int stereo, reverse;
        int pan;
    } cases[] = {
        {320, 1, 0, 54}, {0, 1, 0, -54}, {160, 1, 0, 0}, {320, 0, 0, 0}, {0, 0, 1, 0}, {320, 1, 1, -54}, {0, 1, 1, 54},
    };
    for (const Case &c : cases) {
        gv->cfg.sound.stereoEffects = c.stereo;
        SndSetReverseStereo(c.reverse);
        SoundPlayAt(-1, c.x, set, 1, 0, 100);
        FakePlay p = Only();
        EXPECT_EQ(p.pan, c.pan) << c.x << " stereo " << c.stereo << " reverse " << c.reverse;
        EXPECT_EQ(p.sample, low);
        EXPECT_EQ(p.volume, 50 + 175);
        EXPECT_EQ(p.freq, 11025);  // the sample's own
        EXPECT_EQ(p.loop, 0);
    }
}

TEST_F(SoundTest, ReverseStereoComesFromTheConfiguration)
{
    MakeDirs("data");
    WriteFileText("data/velok.cfg",
                  "[Rules]\nGameType = VS\n[Config]\n[Video Win]\nWidth = 320\nHeight = 240\nDepth = 16\n"
                  "VRetrace = 0\n[Sound Win]\nreversestereo = 1\n[Misc]\n[Arcade]\n[Input]\n");
    CaptureStdoutBegin();
    ASSERT_EQ(SysCfgLoad("data/velok.cfg"), 1) << gv->errorText;
    CaptureStdoutEnd();
    SoundPlayAt(-1, 320, set, 1, 0, 0);
    EXPECT_EQ(Only().pan, -54);
}

TEST_F(SoundTest, VolumesAreHalvedOffsetAndClamped)
{
    struct Case {
        int volume, offset, heard;
    } cases[] = {
        {255, 175, 255}, {0, 175, 175}, {100, 0, 50}, {-3, 0, 0}, {10, -200, 0}, {2147483647, 2147483647, 255},
        {-2147483647 - 1, -2147483647 - 1, 0}, {81, 10, 50},
    };
    for (const Case &c : cases) {
        gv->cfg.sound.wavVolume = c.offset;
        SoundPlay(set, 1, 1, c.volume);
        FakePlay p = Only();
        EXPECT_EQ(p.volume, c.heard) << c.volume << " + " << c.offset;
        EXPECT_EQ(p.pan, 0);
        EXPECT_EQ(p.sample, high);
        SoundPlayAt(-1, 160, set, 1, 1, c.volume);
        EXPECT_EQ(Only().volume, c.heard) << c.volume << " + " << c.offset << " at x";
    }
}

TEST_F(SoundTest, FrequencyMultiplierAndLoop)
{
    struct Case {
        float mul;
        int loop;
        int freq, looped;
    } cases[] = {
        {2.0f, 0, 44100, 0}, {0.5f, 1, 11025, 1}, {1.0f, 7, 22050, 1},  {0.0f, 0, 22050, 0},
        {-3.0f, 0, 22050, 0}, {0.001f, 0, 100, 0}, {1e9f, 0, 524287, 0}, {NAN, 0, 22050, 0},
    };
    for (const Case &c : cases) {
        SoundPlayAtEx(-1, 160, set, 1, 1, 0, c.mul, c.loop);
        FakePlay p = Only();
        EXPECT_EQ(p.freq, c.freq) << c.mul;
        EXPECT_EQ(p.loop, c.looped) << c.mul;
    }
}

TEST_F(SoundTest, NothingPlaysWithoutSoundASetOrASample)
{
    auto all = [&] {
        SoundPlay(set, 1, 0, 100);
        SoundPlayOnKey(1003, set, 1, 0, 100);
        SoundPlayAt(1003, 100, set, 1, 0, 100);
        SoundPlayAtEx(1003, 100, set, 1, 0, 100, 2.0f, 1);
    };
    gv->cfg.sound.sound = 0;
    all();
    gv->cfg.sound.sound = 1;
    SndSetState(0);
    all();
    SndSetState(1);
    SoundPlay(nullptr, 1, 0, 100);
    SoundPlayAt(5, 0, nullptr, 1, 0, 100);
    SoundPlay(set, -1, 0, 100);
    SoundPlayAt(5, 0, set, -1, 0, 100);
    SoundPlay(set, 9, 9, 100);
    SoundPlayAt(5, 0, set, 1, 9, 100);
    EXPECT_TRUE(FakeVoicePlays().empty());
    all();
    EXPECT_EQ(FakeVoicePlays().size(), 4u);
}

TEST_F(SoundTest, PlayerChannelKeysNeverMeet)
{
    gv->playerSlotCount = 8;
    EXPECT_EQ(SoundPlayerChannelKey(3, 0), 1003);
    EXPECT_EQ(SoundPlayerChannelKey(3, 1), 1011);
    EXPECT_EQ(SoundPlayerChannelKey(3, -1), -1);
    // The slot tables the configuration allows: 4 main slots and 4 to 56 helpers.
    for (int slots : {8, 9, 33, 60}) {
        gv->playerSlotCount = slots;
        std::set<int> seen;
        for (int slot = 1; slot <= slots; slot++)
            for (int channel = 0; channel < SOUND_PLAYER_CHANNELS; channel++) {
                int key = SoundPlayerChannelKey(slot, channel);
                EXPECT_GE(key, SOUND_PLAYER_KEY_BASE);
                EXPECT_TRUE(seen.insert(key).second) << "slot " << slot << " channel " << channel << " of " << slots;
            }
    }
}

TEST_F(SoundTest, AKeyCutsItsOwnSoundAndOtherKeysPlayOn)
{
    int p1 = SoundPlayerChannelKey(1, 0), p2 = SoundPlayerChannelKey(2, 0);
    SoundPlayOnKey(p1, set, 1, 0, 0);
    SoundPlayOnKey(p2, set, 1, 0, 0);
    EXPECT_EQ(FakeVoicePlayingCount(), 2);
    int channel = SndKeyFind(p1);
    SoundPlayAt(p1, 0, set, 1, 1, 0);
    EXPECT_EQ(SndKeyFind(p1), channel);
    EXPECT_EQ(FakeVoicePlayingCount(), 2);
    ASSERT_EQ(FakeVoicePlays().size(), 3u);
    EXPECT_EQ(FakeVoicePlays()[2].voice, FakeVoicePlays()[0].voice);
    EXPECT_EQ(FakeVoicePlays()[2].sample, high);

    // The pan of a key's channel follows a new screen x.
    SoundPanAt(p1, 320);
    EXPECT_EQ(SndChannelGetPan(channel), 54);
    gv->cfg.sound.stereoEffects = 0;
    SoundPanAt(p1, 320);
    EXPECT_EQ(SndChannelGetPan(channel), 0);
    SoundPanAt(-1, 0);  // no key: nothing to pan
}

TEST_F(SoundTest, MasterVolumesFollowTheOptionPercentages)
{
    struct Case {
        int digital, midi, wavPercent, midiPercent;
        int wantDigital, wantMidi;
    } cases[] = {
        {200, 0, 50, 50, 200, 0},   {200, 100, 100, 25, 255, 50}, {200, 100, 25, 0, 100, 0},
        {-1, 60, 50, 50, 100, 60},  {80, -1, 50, 50, 80, 60},     {-2, -3, 25, 17, 0, 0},
        {2147483647, 5, 100, 10, 255, 1}, {40, 40, -20, 50, 0, 40},
    };
    SndSetVolume(100, 100);
    for (const Case &c : cases) {
        gv->options.wavVolume = c.wavPercent;
        gv->options.midiVolume = c.midiPercent;
        SoundSetVolumes(c.digital, c.midi);
        EXPECT_EQ(SndGetDigiVolume(), c.wantDigital) << c.digital;
        EXPECT_EQ(SndGetMidiVolume(), c.wantMidi) << c.midi;
    }
    gv->cfg.sound.sound = 0;
    SoundSetVolumes(7, 7);
    EXPECT_EQ(SndGetDigiVolume(), 0);
}

TEST_F(SoundTest, ClosingFadeNeverReadsAsUnchanged)
{
    struct Case {
        int master, midi, add;
        int wantDigital, wantMidi;
    } cases[] = {
        {200, 0, -2, 198, 0}, {200, 31, -32, 168, 0}, {200, 1, -2, 198, 0}, {10, 33, -32, 0, 1}, {-1, 40, -32, 77, 8},
    };
    for (const Case &c : cases) {
        SndSetVolume(77, 77);
        gv->cfg.sound.masterWavVolume = c.master;
        gv->cfg.sound.midiVolume = c.midi;
        SoundSetVolumesOffset(c.add);
        EXPECT_EQ(SndGetDigiVolume(), c.wantDigital) << c.master << " " << c.add;
        EXPECT_EQ(SndGetMidiVolume(), c.wantMidi) << c.midi << " " << c.add;
    }
}

TEST_F(SoundTest, SoundReferencesReadBothNumbersOrNone)
{
    struct Case {
        const char *value;
        int result, group, number;
    } cases[] = {
        {"1,0", 2, 1, 0},        {" 3 , 4 ", 2, 3, 4},   {"0x10,2", 2, 16, 2},  {"-1,5", 2, -1, 5},
        {"7,8,9", 2, 7, 8},      {"F", 0, -1, 0},        {"F1,0", 0, -1, 0},    {"1,", 0, -1, 0},
        {",2", 0, -1, 0},        {"1", 0, -1, 0},        {"", 0, -1, 0},        {"99999999999,0", 0, -1, 0},
        {"1,99999999999", 0, -1, 0}, {"-2147483648,2147483647", 2, -2147483647 - 1, 2147483647},
        {"1 2", 0, -1, 0},
    };
    for (const Case &c : cases) {
        std::string text = "[Round]\nround1.snd = " + std::string(c.value) + "\n";
        VFile *vf = DefMemVFile(text);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        ASSERT_NE(tp, nullptr);
        ASSERT_GE(TxtParseGroupSet(tp, "Round"), 0);
        int group = 55, number = 55;
        EXPECT_EQ(SoundRefParse(tp, "round1.snd", &group, &number), c.result) << c.value;
        EXPECT_EQ(group, c.group) << c.value;
        EXPECT_EQ(number, c.number) << c.value;
        group = number = 55;
        EXPECT_EQ(SoundRefParse(tp, "round2.snd", &group, &number), 0);
        EXPECT_EQ(group, -1);
        TxtParseClose(tp);
        VFileClose(vf);
    }
    EXPECT_EQ(SoundVolumeIdentity(-12), -12);
}

}  // namespace
