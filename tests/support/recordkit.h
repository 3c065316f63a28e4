// Test kit: a fixture with a fresh game record in its own temporary directory, and the status log as the tests read it.
#pragma once
#include <string>

#include "support/testkit.h"

// Closes the status log and gives its text between the header and the
// closing line.
std::string GameLogClosed();
// The game record's warning log, its lines from the oldest on joined by
// "\n" (the current line last, unterminated).
std::string GameWarnings();

// Allegro started without a system driver, the status log reset and a new
// game record in gv; on tear-down the record and its warning log are freed.
// A test fixture adds its own set-up after SetUp and its own clean-up before
// TearDown.
class GameVarsTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Nothing given on the command line for players 1 to 4 (AI, colour, life,
    // power).
    static void CommandLineNone();
};
