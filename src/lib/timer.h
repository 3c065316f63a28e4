// Frame timer: one periodic tick paces the game at its speed through a 16.16 frame accumulator.
#pragma once

// The timer services the layer uses; the default is Allegro's. Tests put a
// fake in their place so that nothing is installed while the tick is driven
// by hand. Results follow Allegro: 0 on success.
struct TimerDevice {
    int (*install)();
    void (*remove)();
    int (*callbackInstall)(void (*callback)(), long timerUnits);
    void (*callbackRemove)(void (*callback)());
    void (*rest)(unsigned int ms);
};

// Null restores Allegro's services.
void TimerDeviceSet(const TimerDevice *device);

// Installs the timer and the tick callback at rate ticks per second; 1 on success.
int TimerInit(int rate);
void TimerExit();
void TimerRateSet(int rate);
void TimerRest(unsigned int ms);
void TimerTick();

void TimerTicksSet(int ticks);
int TimerTicksGet();
int TimerRateGet();

void TimerSpeedSet(int fps);
// The game speed in frames per second as last set (0 before any).
int TimerSpeedGet();
void TimerFramesReset();
void TimerFrameWait();
int TimerFramePoll();
int TimerFrameSkipGet();

float TimerFpsGet();
void TimerFpsWindowSet(int calls);
void TimerNop();
