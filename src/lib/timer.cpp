// Frame timer: one periodic tick paces the game at its speed through a 16.16 frame accumulator.
#include "lib/timer.h"

#include <allegro.h>

#include <atomic>
#include <climits>
#include <cstdint>

static int AllegroCallbackInstall(void (*callback)(), long timerUnits)
{
    return install_int_ex(callback, timerUnits);
}

static void AllegroCallbackRemove(void (*callback)())
{
    remove_int(callback);
}

static void AllegroRest(unsigned int ms)
{
    rest(ms);
}

static const TimerDevice allegroTimer = {
    install_timer, remove_timer, AllegroCallbackInstall, AllegroCallbackRemove, AllegroRest,
};

static const TimerDevice *device = &allegroTimer;

// Written by the timer thread, read and taken by the game thread.
static std::atomic<int> ticks{0};
static std::atomic<int> tickSeen{0};
static std::atomic<int> accumulator{0};
static std::atomic<int> framesDue{0};
static std::atomic<int> ticksPerFrame{0};

static int installed;  // TimerExit undoes only a start that succeeded
static int tickRate;
static int speed;
static int notBehind;
static int fpsWindow = 10;
static float fpsValue = -1.0f;
static int fpsTicks;
static int fpsCalls;

void TimerDeviceSet(const TimerDevice *dev)
{
    device = dev ? dev : &allegroTimer;
}

static long TimerUnits(int rate)
{
    return TIMERS_PER_SECOND / rate;
}

int TimerInit(int rate)
{
    // A rate of 0 would divide by zero; above the hardware clock no period is left.
    if (rate <= 0 || rate > TIMERS_PER_SECOND)
        return 0;
    ticks = 0;
    tickSeen = 0;
    accumulator = 0;
    framesDue = 0;
    ticksPerFrame = 0;
    tickRate = rate;
    speed = 0;
    notBehind = 0;
    fpsWindow = 10;
    fpsValue = -1.0f;
    fpsTicks = 0;
    fpsCalls = 0;
    if (device->install() != 0)
        return 0;
    if (device->callbackInstall(TimerTick, TimerUnits(rate)) != 0) {
        device->remove();
        return 0;
    }
    installed = 1;
    return 1;
}

void TimerExit()
{
    if (!installed)
        return;
    device->callbackRemove(TimerTick);
    device->remove();
    installed = 0;
}

void TimerRateSet(int rate)
{
    if (rate <= 0 || rate > TIMERS_PER_SECOND)
        return;
    tickRate = rate;
    device->callbackInstall(TimerTick, TimerUnits(rate));
}

void TimerRest(unsigned int ms)
{
    device->rest(ms);
}

void TimerTick()
{
    ticks.fetch_add(1);
    tickSeen = 1;
    int perFrame = ticksPerFrame.load();
    if (perFrame <= 0)
        return;
    // A loop rather than a single step keeps speeds above the tick rate exact
    // and the accumulator bounded.
    int acc = accumulator.load() + 65536;
    while (acc >= perFrame) {
        acc -= perFrame;
        framesDue.fetch_add(1);
    }
    accumulator = acc;
}

void TimerTicksSet(int n)
{
    ticks = n;
    // A measurement across the jump would be meaningless (negative when set back).
    fpsTicks = n;
    fpsCalls = 1;
}

int TimerTicksGet()
{
    return ticks.load();
}

int TimerRateGet()
{
    return tickRate;
}

int TimerSpeedGet()
{
    return speed;
}

void TimerSpeedSet(int fps)
{
    if (fps <= 0)
        return;
    speed = fps;
    int64_t perFrame = (int64_t)tickRate * 65536 / fps;
    if (perFrame > INT_MAX)
        perFrame = INT_MAX;
    if (perFrame < 1 && tickRate > 0)
        perFrame = 1;
    ticksPerFrame = (int)perFrame;
    framesDue = 0;
    accumulator = 0;
    notBehind = 1;
}

void TimerFramesReset()
{
    framesDue = 0;
    accumulator = 0;
}

// Takes one due frame; 0 when none is due.
static int TimerFrameTake()
{
    int due = framesDue.load();
    if (due <= 0)
        return 0;
    framesDue.fetch_sub(1);
    notBehind = due == 1;
    return 1;
}

void TimerFrameWait()
{
    while (!TimerFrameTake()) {
    }
}

int TimerFramePoll()
{
    return TimerFrameTake();
}

int TimerFrameSkipGet()
{
    return !notBehind;
}

float TimerFpsGet()
{
    int now = ticks.load();
    if (fpsCalls >= fpsWindow && now != fpsTicks) {
        fpsValue = (float)tickRate * (float)fpsWindow / (float)(now - fpsTicks);
        fpsTicks = now;
        fpsCalls = 1;
    } else {
        fpsCalls++;
    }
    return fpsValue;
}

void TimerFpsWindowSet(int calls)
{
    if (calls >= 0)
        fpsWindow = calls;
    fpsValue = -1.0f;
}

void TimerNop()
{
}
