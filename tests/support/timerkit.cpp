// Test kit: a timer device that installs nothing, so that a test ticks the game timer by hand.
#include "support/timerkit.h"

const TimerDevice kQuietTimer = {
    [] { return 0; },
    [] {},
    [](void (*)(), long) { return 0; },
    [](void (*)()) {},
    [](unsigned) {},
};
