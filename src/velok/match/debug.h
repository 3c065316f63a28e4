// Debug overlay of the round loop: frame counters and the state of the player the debug display follows.
#pragma once

enum {
    DEBUG_LINE_LEN = 160,
};

// The overlay's lines for the game record's debug player. Colours are RGB565.
struct DebugOverlayText {
    char frames[DEBUG_LINE_LEN];  // "Frames: ..." at (10, h - 39)
    char speed[DEBUG_LINE_LEN];   // "VRet: ..." at (110, h - 39)
    int shown;                    // the slot holds an enabled player; else name says it is disabled
    char name[DEBUG_LINE_LEN];
    char action[DEBUG_LINE_LEN];
    char state[DEBUG_LINE_LEN];
    int nameColour, actionColour, stateColour;
};

// Fills the lines (measuring the frame rate, as drawing does).
void DebugOverlayTextGet(DebugOverlayText *out);
// Draws the overlay at the bottom of the current target in the first system
// font, with the warning log and the player's clipboard.
void DebugOverlayDraw();
