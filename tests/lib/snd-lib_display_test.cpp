// Sound library with real voices (ALSA's null device): keyed channels that cut and keep sounds, busy channels, stops, voice settings, MIDI.
#include <gtest/gtest.h>

#include <allegro.h>
#include <string>

#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "support/sndkit.h"
#include "support/testkit.h"

enum { LONG_FRAMES = 400000 };  // 50 seconds at 8000 Hz: never ends within a test

class SndVoiceTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(TestNullVoicesStart());
    }
    void TearDown() override
    {
        SndSetFree(set);
        SndRemove();
        SndSetReverseStereo(0);
        LibSetError(0);
        TempDirTest::TearDown();
    }
    // Two long samples under (1, 0) and (1, 1), with 8 voices of ALSA's null device.
    void Start()
    {
        ASSERT_EQ(SndInstall(DIGI_ALSA, MIDI_NONE, 8), 1) << allegro_error;
        set = SndSetCreate(2);
        a = create_sample(8, 0, 8000, LONG_FRAMES);
        b = create_sample(8, 0, 11025, LONG_FRAMES);
        ASSERT_TRUE(SndSetAdd(set, a, 1, 0) && SndSetAdd(set, b, 1, 1));
    }
    SndSet *set = nullptr;
    SAMPLE *a = nullptr;
    SAMPLE *b = nullptr;
};

TEST_F(SndVoiceTest, AKeyCutsItsOwnSoundAndLeavesOthersPlaying)
{
    Start();
    ASSERT_EQ(SndPlayOnKey(1000, set, 1, 0, 100), 0);
    EXPECT_EQ(SndPlayOnKey(1001, set, 1, 0, 100), 1);  // channel 0 still plays
    EXPECT_EQ(SndKeyIsPlaying(1000), 1);
    EXPECT_EQ(SndChannelIsFree(0), 0);

    int voice = SndChannelVoice(0);
    ASSERT_EQ(SndPlayOnKey(1000, set, 1, 1, 90), 0);
    EXPECT_EQ(SndChannelVoice(0), voice);  // the channel keeps its voice
    EXPECT_EQ(voice_check(voice), b);
    EXPECT_NEAR(SndChannelGetVolume(0), 90, 2);  // the mixer keeps volumes coarser
    EXPECT_EQ(SndChannelIsPlaying(0), 1);
    EXPECT_EQ(voice_check(SndChannelVoice(1)), a);
    EXPECT_EQ(SndChannelIsPlaying(1), 1);

    // Key -1 always takes a free channel.
    EXPECT_EQ(SndPlayOnKey(-1, set, 1, 0, 100), 2);
    EXPECT_EQ(SndPlayOnKey(-1, set, 1, 0, 100), 3);
    EXPECT_EQ(SndChannelFindFree(), 4);

    // A load on a key sets nothing going until the caller starts it.
    EXPECT_EQ(SndLoadOnKey(1002, set, 1, 1), 4);
    EXPECT_EQ(SndKeyIsPlaying(1002), 0);
    EXPECT_NEAR(SndChannelGetVolume(4), 127, 2);
    EXPECT_EQ(SndChannelGetPan(4), 0);
    EXPECT_EQ(SndChannelGetFreq(4), 11025);
    SndKeyStart(1002);
    EXPECT_EQ(SndKeyIsPlaying(1002), 1);
}

TEST_F(SndVoiceTest, StopsAndTheReclaimOfFinishedVoices)
{
    Start();
    for (int key = 1; key <= 4; key++)
        ASSERT_EQ(SndPlayOnKey(key, set, 1, 0, 100), key - 1);
    SndKeyStop(2);
    EXPECT_EQ(SndChannelIsPlaying(1), 0);
    EXPECT_EQ(SndKeyFind(2), -1);
    EXPECT_EQ(SndKeyFind(0), 1);  // owner key 0 after a stop
    SndChannelStop(2);
    EXPECT_EQ(SndChannelIsFree(2), 1);
    EXPECT_GE(SndChannelVoice(2), 0);  // the voice stays until a later load

    // The next load gives back every finished voice of an unreserved channel.
    EXPECT_EQ(SndPlayOnKey(10, set, 1, 1, 100), 1);
    EXPECT_EQ(SndChannelVoice(2), -1);
    EXPECT_EQ(SndKeyIsPlaying(1), 1);
    EXPECT_EQ(SndKeyIsPlaying(4), 1);

    SndKeyStop(-1);
    for (int c = 0; c < 4; c++)
        EXPECT_EQ(SndChannelIsPlaying(c), 0) << c;
    EXPECT_EQ(SndKeyFind(10), -1);
}

TEST_F(SndVoiceTest, VolumePanFrequencyAndReversedStereo)
{
    Start();
    ASSERT_GE(SndChannelPlayVol(5, set, 1, 0, 77), 0);
    EXPECT_EQ(SndChannelIsPlaying(5), 1);
    EXPECT_NEAR(SndChannelGetVolume(5), 77, 2);
    EXPECT_EQ(SndChannelSetVolume(5, 200), SndChannelVoice(5));
    EXPECT_NEAR(SndChannelGetVolume(5), 200, 2);
    SndChannelSetFreq(5, 12345);
    EXPECT_EQ(SndChannelGetFreq(5), 12345);
    SndChannelSetPan(5, 50);
    EXPECT_EQ(voice_get_pan(SndChannelVoice(5)), 177);
    EXPECT_EQ(SndChannelGetPan(5), 50);
    SndSetReverseStereo(1);
    SndChannelSetPan(5, 50);
    EXPECT_EQ(voice_get_pan(SndChannelVoice(5)), 77);
    EXPECT_EQ(SndChannelGetPan(5), 50);
    SndChannelSetPan(5, -127);
    EXPECT_EQ(voice_get_pan(SndChannelVoice(5)), 254);
    EXPECT_EQ(SndChannelSetLoop(5, 1), SndChannelVoice(5));
    // A channel without a voice.
    EXPECT_EQ(SndChannelSetVolume(6, 10), -1);
    EXPECT_EQ(SndChannelGetVolume(6), 0);
    EXPECT_EQ(SndChannelGetFreq(6), 0);

    // Plays without a channel.
    EXPECT_GE(SndPlayKey(set, 1, 0, 100), 0);
    EXPECT_EQ(SndPlayKey(set, 9, 9, 100), -1);
    int v = SndPlayKeyEx(set, 1, 1, 100, 30, 2000);
    ASSERT_GE(v, 0);
    EXPECT_EQ(voice_get_frequency(v), 2 * 11025);
}

TEST_F(SndVoiceTest, FreeingASetWhileItPlays)
{
    Start();
    ASSERT_EQ(SndPlayOnKey(7, set, 1, 0, 100), 0);
    ASSERT_EQ(SndPlayOnKey(8, set, 1, 1, 100), 1);
    int voice = SndChannelVoice(0);
    SndSetFree(set);
    set = nullptr;
    // The channels keep voices of their own, silent, until a later load.
    EXPECT_EQ(SndChannelVoice(0), voice);
    EXPECT_EQ(SndChannelIsPlaying(0), 0);
    EXPECT_EQ(SndChannelIsPlaying(1), 0);
    SndKeyStop(7);

    set = SndSetCreate(1);
    SAMPLE *c = create_sample(8, 0, 8000, LONG_FRAMES);
    ASSERT_EQ(SndSetAdd(set, c, 0, 0), 1);
    EXPECT_EQ(SndPlayOnKey(9, set, 0, 0, 100), 0);
    EXPECT_EQ(SndPlayOnKey(10, set, 0, 0, 100), 1);
    EXPECT_NE(SndChannelVoice(0), SndChannelVoice(1));
    EXPECT_EQ(voice_check(SndChannelVoice(1)), c);
}

TEST_F(SndVoiceTest, ReservedChannels)
{
    Start();
    int ch = SndChannelReserveAny();
    ASSERT_EQ(ch, 0);
    EXPECT_EQ(SndChannelIsReserved(0), 1);
    EXPECT_EQ(SndChannelIsFree(0), 0);
    // The reserved channel keeps its owner key (0 on a fresh table): key 0
    // plays on it, and a play without a key passes it by.
    EXPECT_EQ(SndPlayOnKey(0, set, 1, 0, 100), 0);
    EXPECT_EQ(SndKeyIsPlaying(0), 1);
    EXPECT_EQ(voice_check(SndChannelVoice(0)), a);
    EXPECT_EQ(SndPlayOnKey(-1, set, 1, 1, 100), 1);
    EXPECT_EQ(SndChannelIsPlaying(1), 1);
    EXPECT_EQ(SndChannelReserve(1), 1);  // reserving frees the playing voice first
    EXPECT_EQ(SndChannelIsPlaying(1), 0);
    EXPECT_EQ(SndChannelReserveAny(), 2);
    SndChannelReleaseAll();
    EXPECT_EQ(SndChannelIsReserved(1), 0);
    EXPECT_EQ(SndChannelVoice(1), -1);
}

TEST_F(SndVoiceTest, MidiFiles)
{
    EXPECT_EQ(SndMidiDetect(MIDI_DIGMID), 0);  // no patch set here
    EXPECT_EQ(SndInstall(DIGI_NONE, MIDI_DIGMID, 8), 0);
    EXPECT_EQ(LibGetError(), LIB_ERR_SOUND);

    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    MakeDirs("music");
    WriteFileText("music/Tune.mid", MidiBytes({60, 62, 64, 65, 67}, 96));
    MIDI *midi = SndMidiLoad("MUSIC/tune.mid");
    ASSERT_NE(midi, nullptr);
    EXPECT_EQ(SndMidiLoad("music/none.mid"), nullptr);
    EXPECT_EQ(SndMidiPlay(midi), 0);
    EXPECT_EQ(SndMidiSeek(2), 0);  // in beats
    EXPECT_EQ(SndMidiSeek(50), 1);  // past the end
    SndMidiPause();
    SndMidiResume();
    SndMidiStop();
    EXPECT_EQ(SndMidiPlayLooped(midi, 0, -1), 0);
    SndMidiDestroy(midi);
    SndMidiDestroy(nullptr);
}
