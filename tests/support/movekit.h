// Test kit: the common states that built-in movement enters (stand, crouch, walk, jump, air jump, landing, guard), as a state file, with their actions.
#pragma once
#include <string>

#include "support/charkit.h"

// The states 0, 10, 11, 12, 20, 40, 45, 50, 52, 120, 130 and 140 in the
// state-file language. 52 puts the player on the ground and counts its
// entries in var(10); 140 takes action 141 (4 ticks) unless var(11) is set,
// which leaves the endless action 0.
std::string MoveKitCommonText();
// Actions 0 (endless), 5 and 6 (turning) and 141 (4 ticks).
std::string MoveKitAirText();
// The kit's character with the common file named by "stcommon".
CharKit MoveKitChar();
