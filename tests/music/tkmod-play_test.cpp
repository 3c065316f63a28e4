// Tracker-module player driven tick by tick on a recording voice device: sequencer, effects, envelopes, volumes, operations.
#include <gtest/gtest.h>

#include <allegro.h>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "music/tkmod-load.h"
#include "music/tkmod-play.h"
#include "support/testkit.h"
#include "support/tkmodkit.h"

static constexpr auto &At = KitCellAt;

// ---------------------------------------------------------------- arithmetic

TEST(TkmodMath, TimerPeriodFollowsTempoAndSpeedRatio)
{
    struct Case {
        int tempo, ratio;
        long period;
    } cases[] = {
        {125, 100, 23863},     // 50 ticks a second
        {125, 200, 11931},
        {150, 100, 19886},
        {1, 1, 71590860},      // the divisor never reaches 0
        {255, 400, 2924},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TkmodTimerPeriod(c.tempo, c.ratio), c.period) << c.tempo << " " << c.ratio;
}

TEST(TkmodMath, PeriodsAndFrequenciesMeetAt8363Hz)
{
    TkmodModule plain{}, linear{}, amiga{};
    linear.flags = TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_LINEAR;
    amiga.flags = TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_AMIGA;
    struct Case {
        const TkmodModule *mod;
        int note, tune, period, freq;
    } cases[] = {
        {&plain, 8363, 8363, 1712, 8363},   // a MOD C at finetune 0
        {&plain, 8363, 0, 3375, 4242},      // c2spd 0 counts as 4242
        {&plain, 8363, 16726, 856, 16726},
        {&plain, 1, 1, 14318184, 1},        // no zero frequency to divide by
        {&linear, 49, 128, 4608, 8363},     // C-4
        {&linear, 61, 128, 3840, 16726},
        {&linear, 49, 0, 4672, 7893},       // finetune -128: a semitone down
        {&linear, 200, 128, 192, 450074},   // notes stop at 118
        {&amiga, 49, 128, 1712, 8363},
        {&amiga, 61, 128, 856, 16726},
        {&amiga, 1, 128, 27392, 522},
        {&amiga, 12, 255, 13702, 1044},     // past the table: one more octave down in period
    };
    for (const Case &c : cases) {
        int period = TkmodNoteToPeriod(c.mod, c.note, c.tune);
        EXPECT_EQ(period, c.period) << c.mod->flags << " " << c.note << " " << c.tune;
        EXPECT_EQ(TkmodPeriodToFreq(c.mod, period), c.freq) << c.mod->flags << " " << c.note << " " << c.tune;
    }
    // Linear periods far past the table shift down to nothing instead of shifting by more than the width.
    EXPECT_EQ(TkmodPeriodToFreq(&linear, 768 * 100), 0);
    EXPECT_EQ(TkmodPeriodToFreq(&plain, 0), 0);
}

TEST(TkmodMath, VoiceVolumeIsTheWholeProductScaledSoFullScaleGives255)
{
    // volume = fade x master x channel x envelope x global >> 33, a 64-bit product:
    // 32768 x 255 x 64 x 64 x 64 >> 33 = 255.
    struct Case {
        int fade, master, volume, envelope, global, want;
    } cases[] = {
        {32768, 255, 64, 64, 64, 255}, {32768, 255, 32, 64, 64, 127}, {16384, 255, 64, 64, 64, 127},
        {32768, 128, 64, 32, 64, 64},  {24576, 255, 64, 24, 64, 71},  {32768, 255, 64, 64, 0, 0},
        {0, 255, 64, 64, 64, 0},       {40000, 300, 80, 99, 70, 255},  // out of range: clamped
    };
    for (const Case &c : cases)
        EXPECT_EQ(TkmodVoiceVolumeCompute(c.fade, c.master, c.volume, c.envelope, c.global), c.want)
            << c.fade << " " << c.master << " " << c.volume << " " << c.envelope << " " << c.global;
}

TEST(TkmodMath, VoicePanMovesWithTheEnvelopeWithinTheRoomLeft)
{
    struct Case {
        int pan, envelope, want;
    } cases[] = {{128, 32, 128}, {128, 64, 255}, {128, 0, 0}, {0, 64, 0},
                 {255, 0, 254},  {64, 48, 96},   {200, 16, 172}, {-5, 32, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(TkmodVoicePanCompute(c.pan, c.envelope), c.want) << c.pan << " " << c.envelope;
}

// ---------------------------------------------------------------- envelopes

static TkmodEnvelopeDef EnvDef(std::vector<std::pair<int, int>> points, int flags, int sustain = 0, int loopStart = 0,
                               int loopEnd = 0)
{
    TkmodEnvelopeDef d{};
    for (size_t i = 0; i < points.size(); i++) {
        d.pos[i] = points[i].first;
        d.val[i] = points[i].second;
    }
    d.count = (int)points.size();
    d.flags = flags;
    d.sustainStart = d.sustainEnd = sustain;
    d.loopStart = loopStart;
    d.loopEnd = loopEnd;
    return d;
}

static std::vector<int> Steps(TkmodEnvelope &env, int n, int keyOn)
{
    std::vector<int> out;
    for (int i = 0; i < n; i++)
        out.push_back(TkmodEnvelopeStep(&env, keyOn));
    return out;
}

TEST(TkmodEnvelopes, SustainHoldsUntilTheKeyIsReleased)
{
    TkmodEnvelopeDef d = EnvDef({{0, 64}, {4, 32}, {8, 0}}, TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN, 1);
    TkmodEnvelope env;
    TkmodEnvelopeInit(&env, &d);
    EXPECT_EQ(Steps(env, 7, 1), (std::vector<int>{64, 56, 48, 40, 32, 32, 32}));
    EXPECT_EQ(Steps(env, 7, 0), (std::vector<int>{32, 24, 16, 8, 0, 0, 0}));

    // A sustain on the first point never starts while the key is held; nor does a single point.
    TkmodEnvelopeDef first = EnvDef({{0, 50}, {10, 0}}, TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN, 0);
    TkmodEnvelopeInit(&env, &first);
    EXPECT_EQ(Steps(env, 4, 1), (std::vector<int>{50, 50, 50, 50}));
    EXPECT_EQ(Steps(env, 3, 0), (std::vector<int>{50, 45, 40}));
    TkmodEnvelopeDef one = EnvDef({{3, 40}}, TKMOD_ENV_ON);
    TkmodEnvelopeInit(&env, &one);
    EXPECT_EQ(Steps(env, 3, 0), (std::vector<int>{40, 40, 40}));

    // Sustain and loop points past the envelope are switched off.
    TkmodEnvelopeDef bad = EnvDef({{0, 10}, {2, 30}}, TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN | TKMOD_ENV_LOOP, 7, 0, 9);
    TkmodEnvelopeInit(&env, &bad);
    EXPECT_EQ(Steps(env, 5, 1), (std::vector<int>{10, 20, 30, 30, 30}));
}

TEST(TkmodEnvelopes, LoopGoesBackToItsStartAndSetPosFindsThePoints)
{
    TkmodEnvelopeDef d = EnvDef({{0, 0}, {4, 64}, {8, 0}}, TKMOD_ENV_ON | TKMOD_ENV_LOOP, 0, 0, 2);
    TkmodEnvelope env;
    TkmodEnvelopeInit(&env, &d);
    EXPECT_EQ(Steps(env, 10, 0), (std::vector<int>{0, 16, 32, 48, 64, 48, 32, 16, 0, 16}));

    // A loop whose start and end are one point holds there, in the middle or at the first point.
    TkmodEnvelopeDef hold = EnvDef({{0, 0}, {4, 64}, {8, 0}}, TKMOD_ENV_ON | TKMOD_ENV_LOOP, 0, 1, 1);
    TkmodEnvelopeInit(&env, &hold);
    EXPECT_EQ(Steps(env, 9, 0), (std::vector<int>{0, 16, 32, 48, 64, 64, 64, 64, 64}));
    TkmodEnvelopeDef holdFirst = EnvDef({{0, 40}, {4, 0}}, TKMOD_ENV_ON | TKMOD_ENV_LOOP, 0, 0, 0);
    TkmodEnvelopeInit(&env, &holdFirst);
    EXPECT_EQ(Steps(env, 4, 0), (std::vector<int>{40, 40, 40, 40}));

    TkmodEnvelopeDef plain = EnvDef({{0, 0}, {4, 64}, {8, 0}}, TKMOD_ENV_ON);
    TkmodEnvelopeInit(&env, &plain);
    TkmodEnvelopeSetPos(&env, 6);
    EXPECT_EQ(env.value, 32);
    EXPECT_EQ(Steps(env, 4, 0), (std::vector<int>{32, 16, 0, 0}));
    TkmodEnvelopeSetPos(&env, 100);
    EXPECT_EQ(env.tick, 8);
    EXPECT_EQ(TkmodEnvelopeStep(&env, 0), 0);
    EXPECT_EQ(TkmodInterpolate(5, 3, 3, 7, 9), 7);
}

// ---------------------------------------------------------------- player on the fake device

class TkmodPlayTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        fake = &TkmodFakeInstall();
    }
    void TearDown() override
    {
        TkmodRemove();
        for (TkmodModule *m : mods)
            TkmodDestroy(m);
        TkmodSetVolume(255);
        TkmodDeviceSet(nullptr);
        TempDirTest::TearDown();
    }
    TkmodModule *Load(const std::string &name, const std::string &bytes)
    {
        WriteFileText(name, bytes);
        TkmodModule *m = TkmodLoad(name.c_str());
        EXPECT_NE(m, nullptr) << TkmodErrorText();
        if (m)
            mods.push_back(m);
        return m;
    }
    // One channel, sample 1 of 100 bytes at full volume, sample 2 looping from 20 to 100.
    TkmodModule *OneChannel(std::vector<std::vector<KitCell>> patterns, std::vector<int> orders = {0})
    {
        ModDesc desc;
        desc.signature = "1CHN";
        desc.channels = 1;
        ModSampleDesc s1, s2;
        s1.data = std::string(100, '\x10');
        s2.data = std::string(100, '\x20');
        s2.loopStartWords = 10;
        s2.loopLengthWords = 40;
        ModSampleDesc s3;
        s3.data = std::string(600, '\x30');
        desc.sampleList = {s1, s2, s3};
        desc.orders = orders;
        desc.orderCount = (int)orders.size();
        desc.patterns = std::move(patterns);
        return Load("one.mod", ModBytes(desc));
    }
    // An own-format module of one channel in internal commands; notes are Amiga periods.
    TkmodModule *Internal(std::vector<KitCell> cells)
    {
        OwnDesc desc;
        desc.channels = 1;
        OwnSampleDesc s;
        s.length = 100;
        s.volume = 64;
        desc.samples = {s};
        desc.patterns = {std::move(cells)};
        return Load("internal.tkm", OwnBytes(desc));
    }
    // An XM song of one channel and one instrument over one sample of fifty 3s.
    static XmDesc OneInstrumentXm()
    {
        XmDesc desc;
        desc.channels = 1;
        XmSampleDesc s;
        s.values = std::vector<int>(50, 3);
        XmInstrumentDesc ins;
        ins.samples = {s};
        desc.instruments = {ins};
        return desc;
    }
    void Play(TkmodModule *m, int loop = 0, int voices = 4)
    {
        ASSERT_EQ(TkmodInstall(voices), 1);
        ASSERT_EQ(TkmodPlay(m, loop), 1);
    }
    static void Ticks(int n)
    {
        for (int i = 0; i < n; i++)
            TkmodTick();
    }
    static std::pair<int, int> OrderRow()
    {
        TkmodPosition p;
        TkmodPositionGet(&p);
        return {p.order, p.row};
    }
    FakeVoice &Voice(int channel)
    {
        return fake->voices[TkmodVoiceGet(channel)];
    }
    // The voice's frequency or volume after each of n ticks.
    std::vector<int> Track(int n, int FakeVoice::*field, int channel = 0)
    {
        std::vector<int> out;
        for (int i = 0; i < n; i++) {
            TkmodTick();
            out.push_back(Voice(channel).*field);
        }
        return out;
    }
    TkmodFake *fake = nullptr;
    std::vector<TkmodModule *> mods;
};

TEST_F(TkmodPlayTest, InstallAllocatesSilentStartedVoicesOnce)
{
    EXPECT_EQ(TkmodInstall(0), -1);
    EXPECT_EQ(TkmodInstall(65), -1);
    EXPECT_EQ(fake->allocations, 0);

    ASSERT_EQ(TkmodInstall(8), 1);
    EXPECT_EQ(TkmodVoiceCount(), 8);
    for (int c = 0; c < 8; c++) {
        const FakeVoice &v = Voice(c);
        EXPECT_TRUE(v.allocated);
        EXPECT_TRUE(v.playing);
        EXPECT_EQ(v.volume, 0);
        ASSERT_NE(v.sample, nullptr);
        EXPECT_EQ(v.sample->len, 0u);
        EXPECT_EQ(v.sample->freq, 1000);
        EXPECT_EQ(v.sample->priority, 192);
    }
    EXPECT_EQ(TkmodInstall(8), 1);
    EXPECT_EQ(fake->allocations, 8);

    TkmodRemove();
    for (const FakeVoice &v : fake->voices)
        EXPECT_FALSE(v.allocated);
    EXPECT_EQ(TkmodVoiceCount(), 0);

    // Too few voices: what was taken is given back.
    fake->allocLimit = fake->allocations + 3;
    EXPECT_EQ(TkmodInstall(8), -1);
    EXPECT_STREQ(TkmodErrorText(), "TKMOD : Unable to allocate enough voices");
    for (const FakeVoice &v : fake->voices)
        EXPECT_FALSE(v.allocated);
    fake->allocLimit = 1000;
    EXPECT_EQ(TkmodInstall(2), 1);

    EXPECT_EQ(TkmodPlay(nullptr, 1), -1);
    EXPECT_STREQ(TkmodErrorText(), "Can't play a TKMOD pointer with null value");
}

TEST_F(TkmodPlayTest, RowsMoveEverySpeedTicksAndASongWithoutLoopStopsAtItsEnd)
{
    TkmodModule *m = OneChannel({{}, {}}, {0, 1});
    Play(m, 0);
    EXPECT_TRUE(fake->timerOn);
    EXPECT_EQ(fake->timerPeriod, 23863);
    Ticks(1);
    TkmodPosition p;
    TkmodPositionGet(&p);
    EXPECT_EQ(p.order, 0);
    EXPECT_EQ(p.pattern, 0);
    EXPECT_EQ(p.row, 0);
    EXPECT_EQ(p.tick, 0);
    EXPECT_EQ(p.speed, 6);
    EXPECT_EQ(p.tempo, 125);
    EXPECT_EQ(p.globalVolume, 64);
    Ticks(5);
    EXPECT_EQ(OrderRow(), std::make_pair(0, 0));
    Ticks(1);
    EXPECT_EQ(OrderRow(), std::make_pair(0, 1));
    Ticks(64 * 6 - 7);
    EXPECT_EQ(OrderRow(), std::make_pair(0, 63));
    Ticks(1);
    EXPECT_EQ(OrderRow(), std::make_pair(1, 0));
    TkmodPositionGet(&p);
    EXPECT_EQ(p.pattern, 1);
    Ticks(64 * 6 - 1);
    EXPECT_EQ(TkmodIsPlaying(), -1);
    Ticks(1);
    EXPECT_EQ(TkmodIsPlaying(), 0);
    EXPECT_EQ(OrderRow().first, 0);
    for (int c = 0; c < 4; c++)
        EXPECT_FALSE(Voice(c).playing);
    Ticks(3);  // nothing left to play
    EXPECT_EQ(TkmodIsPlaying(), 0);
}

TEST_F(TkmodPlayTest, ALoopingSongGoesOnAtItsRestartPosition)
{
    ModDesc desc;
    desc.orders = {0, 1, 2};
    desc.orderCount = 3;
    desc.restart = 1;
    desc.patterns = {{At(0, 0, 0, 0, -1, 0xF, 1)}, {}, {At(0, 0, 0, 0, -1, 0xF, 2)}};
    TkmodModule *m = Load("loop.mod", ModBytes(desc));
    Play(m, 1);
    Ticks(1 + 64 + 64 + 63 * 2);
    EXPECT_EQ(OrderRow(), std::make_pair(2, 63));
    EXPECT_EQ(TkmodIsPlaying(), -1);
    Ticks(2);
    EXPECT_EQ(OrderRow(), std::make_pair(1, 0));
    TkmodPosition p;
    TkmodPositionGet(&p);
    EXPECT_EQ(p.speed, 6);  // started again as from the beginning
    EXPECT_EQ(TkmodIsPlaying(), -1);
}

TEST_F(TkmodPlayTest, JumpsBreaksAndPatternLoops)
{
    // Two channels, one tick a row.
    ModDesc desc;
    desc.signature = "2CHN";
    desc.channels = 2;
    desc.orders = {0, 1, 2};
    desc.orderCount = 3;
    desc.patterns = {
        {At(0, 0, 0, 0, -1, 0xF, 1), At(2, 0, 0, 0, -1, 0xD, 0x15)},
        {At(15, 0, 0, 0, -1, 0xE, 0x60), At(16, 0, 0, 0, -1, 0xE, 0x62), At(17, 0, 0, 0, -1, 0xB, 2),
         At(17, 1, 0, 0, -1, 0xD, 0x03)},
        {At(3, 0, 0, 0, -1, 0xB, 5)},
    };
    std::vector<std::pair<int, int>> want = {{0, 0},  {0, 1},  {0, 2},  {1, 15}, {1, 16}, {1, 15},
                                             {1, 16}, {1, 15}, {1, 16}, {1, 17}, {2, 3}};
    for (int loop : {0, 1}) {
        TkmodModule *m = Load("jumps.mod", ModBytes(desc));
        Play(m, loop);
        std::vector<std::pair<int, int>> seen;
        for (size_t i = 0; i < want.size(); i++) {
            TkmodTick();
            seen.push_back(OrderRow());
        }
        EXPECT_EQ(seen, want) << loop;
        // B05 names an order past the list: the end, or the first order when looping.
        TkmodTick();
        EXPECT_EQ(TkmodIsPlaying(), loop ? -1 : 0);
        if (loop) {
            EXPECT_EQ(OrderRow(), std::make_pair(0, 0));
        }
        TkmodRemove();
    }

    // A break to a row past the pattern lands on row 0.
    desc.patterns[0] = {At(0, 0, 0, 0, -1, 0xF, 1), At(0, 1, 0, 0, -1, 0xD, 0x70)};
    TkmodModule *m = Load("far.mod", ModBytes(desc));
    Play(m);
    Ticks(2);
    EXPECT_EQ(OrderRow(), std::make_pair(1, 0));
}

TEST_F(TkmodPlayTest, PatternDelaySpeedAndTempo)
{
    // Speed 2; EE2 holds row 0 for 2 x 2 more ticks; F96 sets tempo 150; F00 is ignored.
    TkmodModule *m = OneChannel(
        {{At(0, 0, 0, 0, -1, 0xF, 2), At(1, 0, 0, 0, -1, 0xE, 0xE2), At(2, 0, 0, 0, -1, 0xF, 0x96),
          At(3, 0, 0, 0, -1, 0xF, 0)}});
    Play(m);
    Ticks(3);
    EXPECT_EQ(OrderRow().second, 1);
    Ticks(5);
    EXPECT_EQ(OrderRow().second, 1);
    Ticks(1);
    EXPECT_EQ(OrderRow().second, 2);
    EXPECT_EQ(fake->timerPeriod, 19886);
    int installs = fake->timerInstalls;
    Ticks(2);
    TkmodPosition p;
    TkmodPositionGet(&p);
    EXPECT_EQ(p.row, 3);
    EXPECT_EQ(p.speed, 2);
    EXPECT_EQ(p.tempo, 150);
    EXPECT_EQ(fake->timerInstalls, installs);

    TkmodSetSpeed(200);
    EXPECT_EQ(fake->timerPeriod, 9943);
    TkmodSetSpeed(1000);
    EXPECT_EQ(fake->timerPeriod, TkmodTimerPeriod(150, 400));
    TkmodSetSpeed(-3);
    EXPECT_EQ(fake->timerPeriod, TkmodTimerPeriod(150, 1));
}

TEST_F(TkmodPlayTest, TrackRequestsJumpOnTheNextTick)
{
    ModDesc desc;
    desc.orders = {0, 1, 2};
    desc.orderCount = 3;
    desc.patterns = {{At(5, 0, 428, 1, -1, 0, 0)}, {}, {}};
    ModSampleDesc s;
    s.data = std::string(10, '\x01');
    desc.sampleList = {s};
    for (int loop : {0, 1}) {
        TkmodModule *m = Load("tracks.mod", ModBytes(desc));
        Play(m, loop);
        Ticks(31);
        EXPECT_EQ(OrderRow(), std::make_pair(0, 5));
        EXPECT_TRUE(Voice(0).playing);
        EXPECT_EQ(TkmodNextTrack(), 2);
        Ticks(1);
        EXPECT_EQ(OrderRow(), std::make_pair(1, 0));
        EXPECT_FALSE(Voice(0).playing);  // silenced by the jump
        EXPECT_EQ(Voice(0).volume, 0);
        EXPECT_EQ(TkmodNextTrack(), 3);
        Ticks(1);
        EXPECT_EQ(OrderRow(), std::make_pair(2, 0));
        TkmodPrevTrack();
        Ticks(1);
        EXPECT_EQ(OrderRow(), std::make_pair(1, 0));
        TkmodGotoTrack(0);
        Ticks(1);
        EXPECT_EQ(OrderRow(), std::make_pair(0, 0));
        TkmodGotoTrack(9);  // outside the song: its end
        Ticks(1);
        EXPECT_EQ(TkmodIsPlaying(), loop ? -1 : 0);
        TkmodRemove();
    }
}

TEST_F(TkmodPlayTest, ANoteStartsItsSampleAt8363HzAndThePitchRatioScalesIt)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0, 0), At(1, 0, 428, 2, -1, 0x8, 0x40)}});
    Play(m);
    Ticks(1);
    FakeVoice &v = Voice(0);
    EXPECT_EQ(v.sample, TkmodSampleGet(m, 0));
    EXPECT_TRUE(v.playing);
    EXPECT_EQ(v.starts, 2);  // once at install, once for the note
    EXPECT_EQ(v.playmode, PLAYMODE_PLAY);
    EXPECT_EQ(v.freq, 8363);
    EXPECT_EQ(v.volume, 255);
    EXPECT_EQ(v.pan, 0);  // channel 0 of a MOD is on the left
    TkmodSetPitch(200);
    Ticks(1);
    EXPECT_EQ(v.freq, 16726);
    TkmodSetPitch(100);
    Ticks(5);
    EXPECT_EQ(v.sample, TkmodSampleGet(m, 1));
    EXPECT_EQ(v.playmode, PLAYMODE_LOOP);
    EXPECT_EQ(v.starts, 3);
    EXPECT_EQ(v.pan, 0x40);
    // Channels without a note stay silent; voices past the module's channels too.
    EXPECT_EQ(Voice(1).volume, 0);
    EXPECT_EQ(Voice(3).volume, 0);
}

TEST_F(TkmodPlayTest, VolumeSlideArpeggioAndNoteCut)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0xC, 32), At(1, 0, 0, 0, -1, 0xA, 0x04),
                                  At(2, 0, 0, 0, -1, 0x0, 0x37), At(3, 0, 0, 0, -1, 0xE, 0xC2)}});
    Play(m);
    Ticks(6);
    EXPECT_EQ(Voice(0).volume, 127);
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{127, 111, 95, 79, 63, 47}));
    EXPECT_EQ(Track(6, &FakeVoice::freq), (std::vector<int>{8363, 9950, 12537, 8363, 9950, 12537}));
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{47, 47, 0, 0, 0, 0}));
}

TEST_F(TkmodPlayTest, TonePortamentoStopsOnItsTargetWithoutRetriggering)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0, 0), At(1, 0, 404, 0, -1, 0x3, 0x10),
                                  At(2, 0, 428, 0, -1, 0x3, 0)}});
    Play(m);
    Ticks(6);
    int starts = Voice(0).starts;
    EXPECT_EQ(Track(6, &FakeVoice::freq), (std::vector<int>{8363, 8688, 8860, 8860, 8860, 8860}));
    // A zero parameter keeps the speed.
    EXPECT_EQ(Track(3, &FakeVoice::freq), (std::vector<int>{8860, 8522, 8363}));
    EXPECT_EQ(Voice(0).starts, starts);
}

TEST_F(TkmodPlayTest, VibratoMovesThePlayedPeriodOnly)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0x4, 0x41), At(1, 0, 0, 0, -1, 0, 0)}});
    Play(m);
    EXPECT_EQ(Track(6, &FakeVoice::freq), (std::vector<int>{8363, 8363, 8348, 8339, 8329, 8329}));
    EXPECT_EQ(Track(1, &FakeVoice::freq), (std::vector<int>{8363}));
}

TEST_F(TkmodPlayTest, SampleOffsetsStartInsideOrStopPastTheEnd)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 3, -1, 0x9, 2), At(1, 0, 428, 3, -1, 0x9, 3),
                                  At(2, 0, 428, 2, -1, 0x9, 1), At(3, 0, 428, 3, -1, 0x9, 0)}});
    Play(m);
    Ticks(1);
    FakeVoice &v = Voice(0);
    EXPECT_EQ(v.position, 512);
    EXPECT_TRUE(v.playing);
    int starts = v.starts;
    Ticks(6);
    EXPECT_FALSE(v.playing);  // 768 is past a 600-byte sample
    EXPECT_EQ(v.starts, starts);
    Ticks(6);
    EXPECT_TRUE(v.playing);  // a looping sample goes on from its loop
    EXPECT_EQ(v.position, 20);
    Ticks(6);
    EXPECT_TRUE(v.playing);  // 900 reuses the last offset, 256
    EXPECT_EQ(v.position, 256);
}

TEST_F(TkmodPlayTest, RetriggerEveryFewTicksAndNeverWithZero)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0xE, 0x92), At(1, 0, 0, 0, -1, 0xE, 0x90)}});
    Play(m);
    Ticks(1);
    int starts = Voice(0).starts;
    Ticks(5);
    EXPECT_EQ(Voice(0).starts, starts + 2);  // ticks 2 and 4
    Ticks(6);
    EXPECT_EQ(Voice(0).starts, starts + 2);

    // Retrigger with volume change: y = 0 does nothing; 0x12 restarts every 2 ticks, 1 quieter each time.
    TkmodRemove();
    m = Internal({At(0, 0, 428, 1, -1, TKCMD_RETRIG, 0x00), At(1, 0, 0, 0, -1, TKCMD_RETRIG, 0x12)});
    Play(m);
    Ticks(1);
    starts = Voice(0).starts;
    Ticks(5);
    EXPECT_EQ(Voice(0).starts, starts);
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{255, 251, 251, 247, 247, 243}));
    EXPECT_EQ(Voice(0).starts, starts + 3);
}

TEST_F(TkmodPlayTest, S3mVolumeSlidesAndTremor)
{
    int v = TKCMD_S3M_VOL_SLIDE;
    TkmodModule *m = Internal({At(0, 0, 428, 1, 0x30, v, 0x2F), At(1, 0, 0, 0, 0, v, 0xF3), At(2, 0, 0, 0, 0, v, 0x20),
                               At(3, 0, 0, 0, 0, v, 0x03), At(4, 0, 0, 0, 0, v, 0x00), At(5, 0, 0, 0, 0, v, 0x23),
                               At(6, 0, 0, 0, 0x50, TKCMD_TREMOR, 0x12)});
    Play(m);
    std::vector<int> got;
    for (int i = 0; i < 36; i++) {
        TkmodTick();
        TkmodChannel ch;
        TkmodChannelGet(0, &ch);
        got.push_back(ch.volume);
    }
    EXPECT_EQ(got, (std::vector<int>{34, 34, 34, 34, 34, 34, 31, 31, 31, 31, 31, 31, 31, 33, 35, 37, 39, 41,
                                     41, 38, 35, 32, 29, 26, 26, 23, 20, 17, 14, 11, 11, 11, 11, 11, 11, 11}));
    // Tremor 0x12: on for 2 ticks, off for 3.
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{255, 255, 0, 0, 0, 255}));
}

TEST_F(TkmodPlayTest, InstrumentEnvelopeSustainsThenFadesAfterKeyOff)
{
    XmDesc desc = OneInstrumentXm();
    XmInstrumentDesc &ins = desc.instruments[0];
    XmSampleDesc &s = ins.samples[0];
    s.panning = 200;
    s.loopType = 2;
    s.loopLength = 50;
    ins.volEnv.points = {{0, 64}, {4, 32}, {8, 0}};
    ins.volEnv.sustain = 1;
    ins.volEnv.flags = TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN;
    ins.fadeout = 8192;
    desc.patterns = {{At(0, 0, 49, 1, 0, 0, 0), At(1, 0, 97, 0, 0, 0, 0)}};
    for (bool linear : {true, false}) {
        desc.linear = linear;
        TkmodModule *m = Load("env.xm", XmBytes(desc));
        Play(m);
        EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{255, 223, 191, 159, 127, 127})) << linear;
        EXPECT_EQ(Voice(0).freq, 8363) << linear;
        EXPECT_EQ(Voice(0).pan, 200);
        EXPECT_EQ(Voice(0).playmode, PLAYMODE_LOOP | PLAYMODE_BIDIR);
        EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{127, 71, 31, 7, 0, 0})) << linear;
        TkmodRemove();
    }
}

TEST_F(TkmodPlayTest, VolumeColumnPanningEnvelopeAndGlobalVolume)
{
    XmDesc desc = OneInstrumentXm();
    desc.instruments[0].panEnv.points = {{0, 32}, {2, 64}};
    desc.instruments[0].panEnv.flags = TKMOD_ENV_ON;
    desc.patterns = {{At(0, 0, 49, 1, 0x40, 0, 0), At(1, 0, 0, 0, 0x62, 0, 0), At(2, 0, 0, 0, 0x93, 0, 0),
                      At(3, 0, 0, 0, 0xC8, 0, 0), At(4, 0, 0, 0, 0, 16, 0x20), At(5, 0, 0, 0, 0, 17, 0x04)}};
    TkmodModule *m = Load("column.xm", XmBytes(desc));
    Play(m);
    EXPECT_EQ(Track(3, &FakeVoice::pan), (std::vector<int>{128, 192, 255}));
    Ticks(3);
    EXPECT_EQ(Voice(0).volume, 191);  // 0x40 sets 48
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{191, 183, 175, 167, 159, 151}));
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{163, 163, 163, 163, 163, 163}));  // 41
    Voice(0).pan = -1;
    Ticks(1);
    EXPECT_EQ(Voice(0).pan, 255);  // 0xC8 pans to 136, the envelope holds at its top
    Ticks(5);
    EXPECT_EQ(Track(1, &FakeVoice::volume), (std::vector<int>{81}));  // global volume 32
    Ticks(5);
    EXPECT_EQ(Track(6, &FakeVoice::volume), (std::vector<int>{81, 71, 61, 51, 40, 30}));  // H04: 4 down a tick
}

TEST_F(TkmodPlayTest, KeyOffWithoutAnEnvelopeSilencesAndAMissingSampleStopsTheVoice)
{
    XmDesc desc = OneInstrumentXm();
    desc.instruments[0].keymap[60] = 4;  // no such sample
    desc.patterns = {{At(0, 0, 49, 1, 0, 0, 0), At(1, 0, 97, 0, 0, 0, 0), At(2, 0, 49, 0, 0, 0, 0),
                      At(3, 0, 61, 1, 0, 0, 0)}};
    TkmodModule *m = Load("keyoff.xm", XmBytes(desc));
    Play(m);
    Ticks(6);
    EXPECT_EQ(Voice(0).volume, 255);
    Ticks(1);
    EXPECT_EQ(Voice(0).volume, 0);
    Ticks(6);
    EXPECT_EQ(Voice(0).volume, 0);  // a note alone keeps the volume it had
    EXPECT_TRUE(Voice(0).playing);
    Ticks(6);
    EXPECT_FALSE(Voice(0).playing);
}

// A pattern cell may name an instrument or sample above the module's count:
// such a row plays as one without a number, the channel keeping the sample and
// the volume it has.
TEST_F(TkmodPlayTest, ANumberAboveTheCountPlaysAsNoNumber)
{
    auto mod = [&](int n) {
        return OneChannel({{At(0, 0, 428, 1, -1, 0xC, 20), At(1, 0, 404, n, -1, 0, 0), At(2, 0, 0, n, -1, 0, 0)}});
    };
    auto own = [&](int n) {
        return Internal({At(0, 0, 428, 1, 0, 12, 20), At(1, 0, 404, n, 0, 0, 0), At(2, 0, 0, n, 0, 0, 0)});
    };
    auto xm = [&](int n) {
        XmDesc desc = OneInstrumentXm();
        desc.patterns = {{At(0, 0, 49, 1, 0x20, 0, 0), At(1, 0, 51, n, 0, 0, 0), At(2, 0, 0, n, 0, 0, 0)}};
        return Load("above.xm", XmBytes(desc));
    };
    // Frequency, volume, playing and sample index of the voice each tick.
    auto trace = [&](TkmodModule *m) {
        std::vector<int> out;
        Play(m);
        for (int i = 0; i < 18; i++) {
            TkmodTick();
            const FakeVoice &v = Voice(0);
            int index = -1;
            for (int k = 0; k < m->sampleCount; k++)
                if (v.sample == m->samples[k].sample)
                    index = k;
            out.insert(out.end(), {v.freq, v.volume, v.playing ? 1 : 0, index});
        }
        TkmodStop();
        return out;
    };
    const struct {
        const char *format;
        std::function<TkmodModule *(int)> make;
        int above;
    } cases[] = {{"MOD", mod, 32}, {"own", own, 7}, {"XM", xm, 9}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        TkmodModule *none = c.make(0);
        TkmodModule *above = c.make(c.above);
        ASSERT_TRUE(none && above);
        EXPECT_EQ(above->patterns[0].cells[1].sample, c.above);
        std::vector<int> want = trace(none);
        EXPECT_EQ(want[4 * 6 + 1], want[4 * 5 + 1]) << "the volume set in row 0 holds";
        EXPECT_EQ(trace(above), want);
    }
}

TEST_F(TkmodPlayTest, MasterVolumeActsAtOnce)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0, 0)}});
    Play(m);
    Ticks(1);
    EXPECT_EQ(Voice(0).volume, 255);
    TkmodSetVolume(0);
    EXPECT_EQ(TkmodGetVolume(), 0);
    for (int c = 0; c < 4; c++)
        EXPECT_EQ(Voice(c).volume, 0);
    TkmodSetVolume(300);
    EXPECT_EQ(TkmodGetVolume(), 255);
    EXPECT_EQ(Voice(0).volume, 255);
    TkmodSetVolume(128);
    EXPECT_EQ(Voice(0).volume, 128);
}

TEST_F(TkmodPlayTest, PauseHoldsTheSongAndResumeRestartsLiveVoices)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0, 0)}});
    Play(m);
    Ticks(8);
    auto where = OrderRow();
    TkmodPause();
    EXPECT_EQ(TkmodIsPaused(), -1);
    EXPECT_FALSE(Voice(0).playing);
    Ticks(20);
    EXPECT_EQ(OrderRow(), where);
    Voice(1).ended = true;
    TkmodResume();
    EXPECT_EQ(TkmodIsPaused(), 0);
    EXPECT_TRUE(Voice(0).playing);
    EXPECT_FALSE(Voice(1).playing);
    TkmodTogglePause();
    EXPECT_EQ(TkmodIsPaused(), -1);
    TkmodTogglePause();
    Ticks(6);
    EXPECT_NE(OrderRow(), where);
    TkmodStop();
    EXPECT_EQ(TkmodIsPlaying(), 0);
    EXPECT_EQ(TkmodIsPaused(), 0);
}

TEST_F(TkmodPlayTest, TheTickReturnsAtOnceWhileAnOperationHoldsThePlayer)
{
    TkmodModule *m = OneChannel({{}});
    Play(m);
    Ticks(1);
    TkmodPosition before, during;
    TkmodPositionGet(&before);
    bool armed = true;
    fake->onVolume = [&] {
        if (!armed)
            return;
        armed = false;
        std::thread timer([] {
            for (int i = 0; i < 50; i++)
                TkmodTick();
        });
        timer.join();
        TkmodPositionGet(&during);
    };
    TkmodSetVolume(200);
    EXPECT_EQ(during.tick, before.tick);
    EXPECT_EQ(during.row, before.row);
    Ticks(1);
    TkmodPosition after;
    TkmodPositionGet(&after);
    EXPECT_EQ(after.tick, before.tick + 1);
}

TEST_F(TkmodPlayTest, DestroyingThePlayingModuleStopsItAndFreesNoVoice)
{
    TkmodModule *m = OneChannel({{At(0, 0, 428, 1, -1, 0, 0)}});
    Play(m);
    Ticks(1);
    SAMPLE *playing = Voice(0).sample;
    EXPECT_EQ(playing, TkmodSampleGet(m, 0));
    mods.clear();
    TkmodDestroy(m);
    EXPECT_EQ(TkmodIsPlaying(), 0);
    EXPECT_NE(Voice(0).sample, playing);
    EXPECT_TRUE(Voice(0).allocated);
    Ticks(1);

    // A song that ended by itself is no longer the current one, so destroying
    // it stops nothing: no voice may still hold one of its samples.
    TkmodModule *ended = OneChannel({{At(0, 0, 428, 3, -1, 0xB, 9)}});
    ASSERT_EQ(TkmodPlay(ended, 0), 1);
    Ticks(1);
    EXPECT_EQ(Voice(0).sample, TkmodSampleGet(ended, 2));
    Ticks(6);
    EXPECT_EQ(TkmodIsPlaying(), 0);
    for (int c = 0; c < TkmodVoiceCount(); c++)
        for (int n = 0; n < 3; n++)
            EXPECT_NE(Voice(c).sample, TkmodSampleGet(ended, n)) << c << " " << n;

    EXPECT_EQ(TkmodSampleGet(nullptr, 0), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "TKMOD pointer passed in is a NULL value");
    TkmodModule *other = OneChannel({{}});
    EXPECT_EQ(TkmodSampleGet(other, 31), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Incorrect value of no sample found");
}
