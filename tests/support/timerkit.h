// Test kit: a timer device that installs nothing, so that a test ticks the game timer by hand.
#pragma once
#include "lib/timer.h"

extern const TimerDevice kQuietTimer;
