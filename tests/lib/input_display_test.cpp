// Needs an X display: the real Allegro timer and keyboard are installed here.
#include <allegro.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "lib/kbll-lib.h"
#include "lib/timer.h"
#include "support/testkit.h"
#include "support/xkeykit.h"

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

// The keyboard layer over the real X11 keyboard: each tap of Pause in the
// window toggles the pause, so six taps pause and resume three times.
TEST(TimerKeyboardDisplay, EachTapOfPauseInTheWindowTogglesThePause)
{
    ASSERT_TRUE(TestDisplayStart()) << "no X display";
    set_color_depth(16);
    ASSERT_EQ(set_gfx_mode(GFX_AUTODETECT_WINDOWED, 320, 240, 0, 0), 0) << allegro_error;
    set_window_title("kbll pause");
    ASSERT_EQ(KbllInit(), 1);
    std::vector<int> paused;
    for (int tap = 0; tap < 6; tap++) {
        int was = KbllPauseGet();
        ASSERT_EQ(XKeyTapWindow("kbll pause", "Pause"), 1);
        // The window's events reach the layer on Allegro's own thread.
        auto start = std::chrono::steady_clock::now();
        while (KbllPauseGet() == was && SecondsSince(start) < 1.0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        paused.push_back(KbllPauseGet());
    }
    EXPECT_EQ(paused, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    EXPECT_FALSE(KbllEventPending());
    KbllDeinit();
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
}

}  // namespace
