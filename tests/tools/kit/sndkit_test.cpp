// The WAV, sound-file and MIDI writers read back through the engine's sound library and Allegro.
#include "kit/sndkit.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include "lib/snd-lib.h"
#include "lib/vfile.h"
#include "support/testkit.h"

namespace {

class SndKit : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
};

SAMPLE *WavRead(const std::string &bytes)
{
    VFile *vf = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    SAMPLE *s = vf ? SndWavRead(vf) : nullptr;
    if (vf)
        VFileClose(vf);
    return s;
}

TEST_F(SndKit, WavSamplesReadBackAsWritten)
{
    struct Case {
        int channels, bits, rate;
    };
    for (Case c : {Case{1, 8, 8000}, Case{2, 8, 11025}, Case{1, 16, 22050}, Case{2, 16, 44100}}) {
        SAMPLE *s = WavRead(WavMake(c.channels, c.bits, c.rate, WavSaw(50, c.channels, c.bits, 3)));
        ASSERT_NE(s, nullptr) << c.bits;
        EXPECT_EQ(s->bits, c.bits);
        EXPECT_EQ(s->stereo, c.channels == 2);
        EXPECT_EQ(s->freq, c.rate);
        EXPECT_EQ((int)s->len, 50);
        for (int i : {0, 1, 37, 99 / (3 - c.channels)}) {
            int got = c.bits == 8 ? ((unsigned char *)s->data)[i] : ((unsigned short *)s->data)[i];
            EXPECT_EQ(got, WavSawValue(i, c.bits, 3)) << c.bits << " bits, value " << i;
        }
        destroy_sample(s);
    }
}

TEST_F(SndKit, SoundFileKeysAndMidiFile)
{
    std::vector<SndEntry> entries = {{1, 0, WavMake(1, 8, 8000, WavSaw(10, 1, 8, 1))},
                                     {7, 3, WavMake(1, 16, 8000, WavSaw(30, 1, 16, 2))}};
    WriteFileText("k.snd", SndFileBytes(entries));
    SndSet *set = SndSetLoad("k.snd");
    ASSERT_NE(set, nullptr);
    ASSERT_NE(SndSetFind(set, 1, 0), nullptr);
    ASSERT_NE(SndSetFind(set, 7, 3), nullptr);
    EXPECT_EQ((int)SndSetFind(set, 7, 3)->len, 30);
    EXPECT_EQ(SndSetFind(set, 1, 1), nullptr);
    SndSetFree(set);

    WriteFileText("k.mid", MidiBytes({60, 64, 67}, 48));
    MIDI *midi = load_midi("k.mid");
    ASSERT_NE(midi, nullptr);
    EXPECT_EQ(midi->divisions, 96);
    EXPECT_GT(midi->track[0].len, 0);
    destroy_midi(midi);
}

} // namespace
