// Engine stand-ins: a timer device that installs nothing and a select entry that names a character, for the programs that run the engine outside the game's own start-up (the data maker's lessons, the tests).
#pragma once
#include <string>

#include "lib/timer.h"

struct CharInfo;

// A timer device that installs nothing, so that the caller ticks the game
// timer by hand.
extern const TimerDevice kQuietTimer;

// Clears the select entry and names the character's folder and definition file.
void CharEntrySet(CharInfo *e, const std::string &dir, const std::string &defFile);
