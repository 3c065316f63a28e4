#include "music/audstream.h"

#include <allegro.h>
#include <cstring>
#include <vector>

#include "support/plugkit.h"
#include "support/voicekit.h"
#include "support/testkit.h"

namespace {

class Ring : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestAllegroStart();
        voice = &FakeStreamVoiceInstall();
    }
    void TearDown() override
    {
        AudStreamDestroy(s);
        FakeStreamVoiceRemove();
    }
    // A 16-bit stereo ring of 4 blocks of 4 frames, one block of prebuffer.
    void Make(int blocks = 4)
    {
        s = AudStreamCreate(1000, 16, 1, 4, blocks, 1, 128, 200);
        ASSERT_NE(s, nullptr);
    }
    // Signed frames whose left sample is first + i and right sample -(first + i).
    static std::vector<int16_t> Frames(int n, int first)
    {
        std::vector<int16_t> v;
        for (int i = 0; i < n; i++) {
            v.push_back((int16_t)(first + i));
            v.push_back((int16_t)-(first + i));
        }
        return v;
    }
    int Write(int n, int first)
    {
        std::vector<int16_t> v = Frames(n, first);
        return AudStreamWrite(s, v.data(), (int)(v.size() * 2));
    }
    // The left sample at a frame of the ring as it would play, signed again.
    int Left(int frame) const
    {
        uint16_t v;
        memcpy(&v, (char *)s->sample->data + frame * 4, 2);
        return (int16_t)(v ^ 0x8000);
    }
    bool Silent(int frame) const
    {
        uint16_t v[2];
        memcpy(v, (char *)s->sample->data + frame * 4, 4);
        return v[0] == 0x8000 && v[1] == 0x8000;
    }
    FakeStreamVoice *voice;
    AudStream *s = nullptr;
};

}  // namespace

TEST_F(Ring, MadeSilentWithItsLimits)
{
    struct Case {
        int rate, bits, blockFrames, blocks, prebufferBlocks;
        bool made;
        int len, prebuffer;
    } cases[] = {
        {1000, 16, 4, 4, 1, true, 16, 4},
        {1000, 8, 0, 4, 1, true, 4 * AUD_BLOCK_FRAMES, AUD_BLOCK_FRAMES},
        {1000, 16, 4, 2, 1, true, 16, 4},    // at least 4 blocks
        {1000, 16, 4, 8, 10, true, 32, 24},  // prebuffer at most blocks - 2
        {1000, 24, 4, 4, 1, false, 0, 0},
        {0, 16, 4, 4, 1, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.blocks * 100 + c.bits);
        AudStream *r = AudStreamCreate(c.rate, c.bits, 1, c.blockFrames, c.blocks, c.prebufferBlocks, 128, 255);
        ASSERT_EQ(r != nullptr, c.made);
        if (!r)
            continue;
        EXPECT_EQ(r->len, c.len);
        EXPECT_EQ(r->prebuffer, c.prebuffer);
        EXPECT_EQ(r->voice, -1);
        const unsigned char *d = (const unsigned char *)r->sample->data;
        int bytes = r->len * r->bytesPerFrame;
        for (int i = 0; i < bytes; i++)
            ASSERT_EQ(d[i], c.bits == 16 && i % 2 == 0 ? 0x00 : 0x80) << "silence is the unsigned midpoint";
        AudStreamDestroy(r);
    }
}

TEST_F(Ring, StartsWhenThePrebufferIsQueuedRefusesWhatDoesNotFitAndWraps)
{
    Make();
    ASSERT_EQ(AudStreamStartWhenFull(s), 1);
    EXPECT_EQ(voice->allocations, 1);
    EXPECT_EQ(voice->looping, 1);
    EXPECT_EQ(voice->volume, 200);
    EXPECT_EQ(voice->pan, 128);
    EXPECT_EQ(Write(3, 100), 0);
    EXPECT_EQ(voice->starts, 0);
    EXPECT_EQ(Write(1, 103), 0);
    EXPECT_EQ(voice->starts, 1) << "starts once a block is queued";

    // Up to one frame short of the voice.
    EXPECT_EQ(AudStreamCanWrite(s), 11 * 4);
    EXPECT_EQ(Write(12, 200), 1);
    EXPECT_EQ(AudStreamPending(s), 4) << "a refused write queues nothing";
    EXPECT_EQ(Write(11, 104), 0);
    EXPECT_EQ(AudStreamCanWrite(s), 0);

    FakeStreamVoiceMove(10);
    EXPECT_EQ(AudStreamPending(s), 5);
    EXPECT_EQ(AudStreamCanWrite(s), 10 * 4);
    ASSERT_EQ(Write(10, 500), 0);
    EXPECT_EQ(Left(14), 114);
    EXPECT_EQ(Left(15), 500);
    for (int f = 0; f < 9; f++)
        EXPECT_EQ(Left(f), 501 + f) << "frame " << f;
    EXPECT_EQ(Left(9), 109) << "the frame under the voice is kept";
    EXPECT_EQ(s->writePos, 9);
    EXPECT_EQ(s->total, 25);
    // Right samples are stored the same way.
    uint16_t right;
    memcpy(&right, (char *)s->sample->data + 15 * 4 + 2, 2);
    EXPECT_EQ((int16_t)(right ^ 0x8000), -500);
}

TEST_F(Ring, RunningDryLaysSilenceAheadOfTheVoice)
{
    Make();
    ASSERT_EQ(AudStreamStartWhenFull(s), 1);
    ASSERT_EQ(Write(12, 1), 0);
    FakeStreamVoiceMove(9);
    ASSERT_EQ(Write(4, 13), 0);  // the whole ring holds sound now
    EXPECT_EQ(s->writePos, 0);

    // Less than a block queued: the rest of the write position's block.
    FakeStreamVoiceMove(6);
    EXPECT_EQ(AudStreamPending(s), 1);
    for (int f = 0; f < 4; f++)
        EXPECT_TRUE(Silent(f)) << "frame " << f;
    EXPECT_EQ(Left(15), 16);
    EXPECT_EQ(Left(4), 5);

    // Nothing queued: the block after the voice.
    FakeStreamVoiceMove(1);
    EXPECT_EQ(AudStreamPending(s), 0);
    for (int f = 4; f < 8; f++)
        EXPECT_TRUE(Silent(f)) << "frame " << f;
    EXPECT_EQ(Left(8), 9);

    // The voice plays on past the queued sound; the count stays at 0.
    FakeStreamVoiceMove(4);
    EXPECT_EQ(AudStreamPending(s), 0);
    for (int f = 8; f < 12; f++)
        EXPECT_TRUE(Silent(f)) << "frame " << f;

    // New sound goes a prebuffer ahead of the voice, which plays silence
    // until it reaches it; the gap counts as queued.
    ASSERT_EQ(Write(2, 70), 0);
    EXPECT_EQ(s->writePos, 10);
    EXPECT_EQ(Left(8), 70);
    EXPECT_EQ(Left(9), 71);
    EXPECT_TRUE(Silent(4) && Silent(7));
    EXPECT_EQ(AudStreamPending(s), 6);
    FakeStreamVoiceMove(5);
    EXPECT_EQ(AudStreamPending(s), 1) << "one frame of the new sound is left to play";
}

TEST_F(Ring, WritesQueueWholeFramesAndKeepThePartOfOne)
{
    Make();
    std::vector<int16_t> v = Frames(3, 40);
    const char *bytes = (const char *)v.data();
    ASSERT_EQ(AudStreamWrite(s, bytes, 3), 0);
    EXPECT_EQ(AudStreamPending(s), 0);
    EXPECT_EQ(AudStreamCanWrite(s), 12 * 4 - 3);
    ASSERT_EQ(AudStreamWrite(s, bytes + 3, 6), 0);
    EXPECT_EQ(AudStreamPending(s), 2);
    ASSERT_EQ(AudStreamWrite(s, bytes + 9, 3), 0);
    EXPECT_EQ(AudStreamPending(s), 3);
    for (int f = 0; f < 3; f++)
        EXPECT_EQ(Left(f), 40 + f);

    // 8-bit sound is unsigned already and stored as it comes.
    AudStream *r = AudStreamCreate(1000, 8, 0, 4, 4, 1, 128, 255);
    ASSERT_NE(r, nullptr);
    const unsigned char pcm[] = {0x00, 0x7f, 0xff};
    ASSERT_EQ(AudStreamWrite(r, pcm, 3), 0);
    EXPECT_EQ(AudStreamPending(r), 3);
    EXPECT_EQ(memcmp(r->sample->data, pcm, 3), 0);
    EXPECT_EQ(((unsigned char *)r->sample->data)[3], 0x80);
    AudStreamDestroy(r);
}

TEST_F(Ring, PauseStopsTheVoiceAndAWaitingVoiceStartsOnlyWhenResumedAndFull)
{
    Make();
    ASSERT_EQ(AudStreamStartWhenFull(s), 1);
    EXPECT_EQ(AudStreamPause(s, 1), 0);
    ASSERT_EQ(Write(4, 1), 0);
    EXPECT_EQ(voice->starts, 0) << "paused before the prebuffer was queued";
    EXPECT_EQ(AudStreamPause(s, 0), 1);
    EXPECT_EQ(voice->starts, 1);

    FakeStreamVoiceMove(1);
    EXPECT_EQ(AudStreamPause(s, 1), 0);
    EXPECT_EQ(voice->stops, 1);
    EXPECT_EQ(AudStreamPending(s), 3) << "what played before the pause is counted";
    FakeStreamVoiceMove(2);
    EXPECT_EQ(AudStreamPending(s), 3) << "a paused voice plays nothing";
    EXPECT_EQ(AudStreamPause(s, 1), 1);
    EXPECT_EQ(AudStreamPause(s, 0), 1);
    EXPECT_EQ(voice->starts, 2);

    AudStreamStop(s, 0);
    EXPECT_EQ(voice->releases, 1);
    EXPECT_EQ(s->voice, -1);
    EXPECT_EQ(AudStreamPending(s), 0);
    EXPECT_TRUE(Silent(0));
}

TEST_F(Ring, WritesGoThroughTheDriversLockWhenItHasOne)
{
    voice->offerLock = true;
    Make();
    ASSERT_EQ(AudStreamStart(s), 1);
    EXPECT_EQ(voice->starts, 1) << "starts at once";
    ASSERT_EQ(Write(12, 1), 0);
    FakeStreamVoiceMove(10);
    EXPECT_EQ(AudStreamPending(s), 2);
    voice->locks = 0;
    ASSERT_EQ(Write(7, 20), 0);
    EXPECT_EQ(voice->locks, 2) << "one lock on each side of the ring's end";
    EXPECT_EQ(Left(12), 20);
    EXPECT_EQ(Left(15), 23);
    EXPECT_EQ(Left(0), 24);
}

TEST(RingOnAllegro, PlaysOnALoopingAllegroVoice)
{
    TestAllegroStart();
    ASSERT_TRUE(FakeVoiceStart());
    AudStreamVoiceSet(nullptr);
    AudStream *s = AudStreamCreate(22050, 16, 1, 64, 4, 1, 64, 200);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(AudStreamStart(s), 1);
    ASSERT_EQ(FakeVoicePlays().size(), 1u);
    const FakePlay &p = FakeVoicePlays()[0];
    EXPECT_EQ(p.sample, s->sample);
    EXPECT_EQ(p.loop, 1);
    EXPECT_EQ(p.volume, 200);
    EXPECT_EQ(p.pan, 64 - 127);
    int16_t pcm[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(AudStreamWrite(s, pcm, sizeof pcm), 0);
    EXPECT_EQ(AudStreamPending(s), 4);
    AudStreamDestroy(s);
    EXPECT_EQ(FakeVoicePlayingCount(), 0);
    FakeVoiceStop();
}
