// Needs an X display: the real Allegro timer and keyboard are installed here.
#include <allegro.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "lib/kbll-lib.h"
#include "lib/timer.h"
#include "support/testkit.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

TEST(TimerKeyboardDisplay, RealTimerTicksAndKeyboardInstalls)
{
    ASSERT_EQ(install_allegro(SYSTEM_AUTODETECT, &errno, atexit), 0) << allegro_error;
    ASSERT_EQ(TimerInit(180), 1);
    TimerTicksSet(0);
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    int ticks = TimerTicksGet();
    double rate = ticks / SecondsSince(start);
    EXPECT_GT(rate, 120.0);
    EXPECT_LT(rate, 240.0);

    // 30 frames at 60 per second take about half a second.
    TimerSpeedSet(60);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 30; i++)
        TimerFrameWait();
    double took = SecondsSince(start);
    EXPECT_GT(took, 0.3);
    EXPECT_LT(took, 1.0);
    TimerRest(1);

    ASSERT_EQ(KbllInit(), 1);
    EXPECT_EQ(KbllIsInstalled(), 1);
    EXPECT_EQ(keyboard_lowlevel_callback, &KbllScancodeHook);
    EXPECT_EQ(KbllInit(), 0);
    KbllSetMode(2);
    KbllSetRepeat(0, 0);
    KbllSetOption(1);
    KbllSetLeds(0);
    KbllHookRemove();
    KbllHookRestore();
    KbllDeinit();
    EXPECT_EQ(KbllIsInstalled(), 0);
    TimerExit();
}

}  // namespace
