// The game's synthesised sounds read back through the engine's sound library.
#include "game/synth.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cmath>

#include "lib/snd-lib.h"
#include "lib/vfile.h"
#include "support/testkit.h"

namespace {

class Synth : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
};

TEST_F(Synth, WaveBecomesA16BitSampleClippedToFullScale)
{
    Wave w;
    w.s = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 3.0f, -3.0f, NAN};
    std::string bytes = SynthWav(w);
    VFile *vf = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    ASSERT_NE(vf, nullptr);
    SAMPLE *s = SndWavRead(vf);
    VFileClose(vf);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bits, 16);
    EXPECT_EQ(s->stereo, 0);
    EXPECT_EQ(s->freq, SYNTH_RATE);
    ASSERT_EQ((int)s->len, 8);
    // Allegro keeps 16-bit samples unsigned: 0x8000 is silence.
    const int want[] = {0, 16000, -16000, 32000, -32000, 32000, -32000, 0};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(((unsigned short *)s->data)[i], want[i] + 0x8000) << i;
    destroy_sample(s);
}

TEST_F(Synth, EverySoundOfTheGameIsThereAndAudible)
{
    GameFiles files;
    SynthSoundsMake(&files);
    ASSERT_EQ(files.size(), 3u);
    struct Keys {
        const char *path;
        std::vector<std::pair<int, int>> keys;
    };
    std::vector<std::pair<int, int>> fight;
    for (int n = 1; n <= 9; n++)
        fight.push_back({1, n});
    for (auto k : std::vector<std::pair<int, int>>{{2, 0}, {3, 0}, {3, 1}, {3, 2}, {4, 0}, {4, 1}, {4, 2}, {10, 1},
                                                   {10, 2}, {10, 3}})
        fight.push_back(k);
    const Keys all[] = {
        {"data/common.snd", {{5, 0}, {5, 1}, {5, 2}, {5, 3}, {6, 0}, {6, 1}, {7, 0}, {7, 1}, {8, 0}, {8, 1}, {8, 2}}},
        {"data/fight.snd", fight},
        {"data/system.snd", {{100, 0}, {100, 1}, {100, 2}, {100, 3}, {100, 4}, {100, 5}}},
    };
    for (const Keys &k : all) {
        const GameFile *file = nullptr;
        for (const GameFile &f : files)
            if (f.path == k.path)
                file = &f;
        ASSERT_NE(file, nullptr) << k.path;
        WriteFileText("s.snd", file->bytes);
        SndSet *set = SndSetLoad("s.snd");
        ASSERT_NE(set, nullptr) << k.path;
        for (auto [group, number] : k.keys) {
            SAMPLE *s = SndSetFind(set, group, number);
            ASSERT_NE(s, nullptr) << k.path << " " << group << "," << number;
            EXPECT_GT((int)s->len, SYNTH_RATE / 50) << k.path << " " << group << "," << number;
            EXPECT_LT((int)s->len, SYNTH_RATE * 2) << k.path << " " << group << "," << number;
            int peak = 0;
            for (unsigned i = 0; i < s->len; i++)
                peak = std::max(peak, abs((int)((unsigned short *)s->data)[i] - 0x8000));
            // Loud enough to hear, and not cut flat at full scale.
            EXPECT_GT(peak, 6000) << k.path << " " << group << "," << number;
            EXPECT_LT(peak, 32000) << k.path << " " << group << "," << number;
        }
        SndSetFree(set);
    }
}

} // namespace
