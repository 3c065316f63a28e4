#include "lib/timer.h"

#include <vector>

#include "support/testkit.h"

namespace {

struct FakeTimer {
    int installed = 0;
    int installResult = 0;
    void (*callback)() = nullptr;
    std::vector<long> units;
    std::vector<unsigned> rests;
};
FakeTimer fake;

const TimerDevice fakeDevice = {
    [] { fake.installed++; return fake.installResult; },
    [] { fake.installed--; },
    [](void (*cb)(), long u) { fake.callback = cb; fake.units.push_back(u); return 0; },
    [](void (*cb)()) { if (fake.callback == cb) fake.callback = nullptr; },
    [](unsigned ms) { fake.rests.push_back(ms); },
};

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = FakeTimer();
        TimerDeviceSet(&fakeDevice);
        ASSERT_EQ(TimerInit(180), 1);
    }
    void TearDown() override
    {
        TimerExit();
        TimerDeviceSet(nullptr);
    }
    // Runs n ticks and returns the number of frames that became due.
    static int Ticks(int n)
    {
        for (int i = 0; i < n; i++)
            TimerTick();
        int frames = 0;
        while (TimerFramePoll())
            frames++;
        return frames;
    }
};

TEST_F(TimerTest, InitInstallsCallbackAtRateAndExitRemovesIt)
{
    EXPECT_EQ(fake.installed, 1);
    EXPECT_EQ(fake.callback, &TimerTick);
    ASSERT_EQ(fake.units.size(), 1u);
    EXPECT_EQ(fake.units[0], 1193181L / 180);
    EXPECT_EQ(TimerRateGet(), 180);

    TimerRateSet(100);
    EXPECT_EQ(fake.units.back(), 1193181L / 100);
    EXPECT_EQ(TimerRateGet(), 100);
    TimerRateSet(0);  // ignored, no division by zero
    EXPECT_EQ(TimerRateGet(), 100);

    TimerRest(7);
    EXPECT_EQ(fake.rests, std::vector<unsigned>{7});

    TimerExit();
    EXPECT_EQ(fake.installed, 0);
    EXPECT_EQ(fake.callback, nullptr);
    EXPECT_EQ(TimerInit(0), 0);
    EXPECT_EQ(TimerInit(-5), 0);
    fake.installResult = -1;
    EXPECT_EQ(TimerInit(180), 0);
    fake.installResult = 0;
    ASSERT_EQ(TimerInit(180), 1);
}

TEST_F(TimerTest, NoSpeedGivesNoFrame)
{
    EXPECT_EQ(Ticks(500), 0);
    EXPECT_EQ(TimerTicksGet(), 500);
    EXPECT_EQ(TimerFramePoll(), 0);
    TimerSpeedSet(0);
    TimerSpeedSet(-60);
    EXPECT_EQ(Ticks(10), 0);
}

TEST_F(TimerTest, SpeedPatterns)
{
    TimerSpeedSet(60);  // 196608 per frame: exactly every third tick
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(Ticks(1), 0);
        EXPECT_EQ(Ticks(1), 0);
        EXPECT_EQ(Ticks(1), 1);
        EXPECT_EQ(TimerFrameSkipGet(), 0);
    }

    TimerSpeedSet(70);  // 168521 per frame: every 2 or 3 ticks, 70 per second
    std::vector<int> gaps;
    int since = 0;
    int frames = 0;
    for (int i = 0; i < 180 * 10; i++) {
        since++;
        int got = Ticks(1);
        ASSERT_LE(got, 1);
        if (got) {
            gaps.push_back(since);
            since = 0;
            frames++;
        }
    }
    // 180 x 65536 / 70 is rounded down, so frames come a hair early: 700 or one more.
    EXPECT_GE(frames, 700);
    EXPECT_LE(frames, 701);
    for (int g : gaps)
        EXPECT_TRUE(g == 2 || g == 3) << g;
    // Accumulator after each frame: 28087, 56174, 18725, 46812, 9363, 37450, 1.
    std::vector<int> first(gaps.begin(), gaps.begin() + 7);
    EXPECT_EQ(first, (std::vector<int>{3, 3, 2, 3, 2, 3, 2}));

    // A previous speed stays in force when the new one is not positive.
    TimerSpeedSet(60);
    TimerSpeedSet(0);
    EXPECT_EQ(Ticks(180), 60);

    // Above the tick rate several frames fall due per tick.
    TimerSpeedSet(360);
    EXPECT_EQ(Ticks(180), 360);
}

TEST_F(TimerTest, SkipAfterStallUntilBacklogWorkedOff)
{
    TimerSpeedSet(60);
    for (int i = 0; i < 180; i++)  // one second without waiting
        TimerTick();
    int skipped = 0;
    for (int i = 0; i < 59; i++) {
        TimerFrameWait();  // returns at once, a frame is due
        skipped += TimerFrameSkipGet();
    }
    EXPECT_EQ(skipped, 59);
    TimerFrameWait();
    EXPECT_EQ(TimerFrameSkipGet(), 0);
    EXPECT_EQ(TimerFramePoll(), 0);

    // Setting the speed drops a backlog; so does a frame reset.
    for (int i = 0; i < 30; i++)
        TimerTick();
    TimerSpeedSet(60);
    EXPECT_EQ(TimerFramePoll(), 0);
    EXPECT_EQ(Ticks(2), 0);
    TimerFramesReset();  // also drops the two ticks gathered toward the next frame
    EXPECT_EQ(Ticks(2), 0);
    EXPECT_EQ(Ticks(1), 1);
}

TEST_F(TimerTest, FpsWindow)
{
    TimerSpeedSet(60);
    TimerFpsWindowSet(10);
    TimerTicksSet(0);
    float fps = 0;
    for (int frame = 0; frame < 9; frame++) {
        Ticks(3);
        fps = TimerFpsGet();
        EXPECT_FLOAT_EQ(fps, -1.0f) << frame;  // no window measured yet
    }
    Ticks(3);
    EXPECT_FLOAT_EQ(TimerFpsGet(), 60.0f);
    // Within the next window the cached value comes back whatever the ticks do.
    Ticks(30);
    EXPECT_FLOAT_EQ(TimerFpsGet(), 60.0f);
    EXPECT_FLOAT_EQ(TimerFpsGet(), 60.0f);
    for (int frame = 0; frame < 8; frame++) {
        Ticks(6);
        TimerFpsGet();
    }
    // 10 calls over 30 + 8 x 6 = 78 ticks
    EXPECT_FLOAT_EQ(TimerFpsGet(), 180.0f * 10 / 78);

    // No tick since the last measurement: the cache is kept.
    for (int i = 0; i < 20; i++)
        TimerFpsGet();
    EXPECT_FLOAT_EQ(TimerFpsGet(), 180.0f * 10 / 78);

    TimerFpsWindowSet(-1);  // the window stays, the cache is dropped
    EXPECT_FLOAT_EQ(TimerFpsGet(), -1.0f);
}

TEST_F(TimerTest, TicksSetBackGivesNoNegativeFps)
{
    TimerSpeedSet(60);
    TimerFpsWindowSet(5);
    for (int i = 0; i < 40; i++) {
        Ticks(3);
        TimerFpsGet();
    }
    float before = TimerFpsGet();
    EXPECT_GT(before, 0.0f);
    TimerTicksSet(0);
    for (int i = 0; i < 40; i++) {
        Ticks(3);
        float fps = TimerFpsGet();
        EXPECT_GT(fps, 0.0f) << i;
    }
    EXPECT_FLOAT_EQ(TimerFpsGet(), 60.0f);
    TimerNop();
}

}  // namespace
