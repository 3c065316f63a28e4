// The training menu over a paused training match: how the dummy player is driven, changed as the player picks.
#pragma once

enum TrainingControl {
    TRAINING_COOPERATIVE = 0,
    TRAINING_AI = 1,
    TRAINING_MANUAL = 2,
};

enum TrainingEntry {
    TRAINING_ENTRY_CONTROL = 0,
    TRAINING_ENTRY_GUARD,
    TRAINING_ENTRY_STANCE,
    TRAINING_ENTRY_DISTANCE,
    TRAINING_ENTRY_BUTTON,
    TRAINING_ENTRY_LEVEL,
};

enum {
    TRAINING_ENTRIES_MAX = 5,
    TRAINING_TEXT_LEN = 32,
    TRAINING_AI_LEVELS = 8,
};

// Takes one input event of the system key queue; 1 when the menu took it.
// Only while the game is paused: the start key of the player who chose
// training opens and closes the menu in a training match; while it is open
// the directions move and change, and buttons and Escape are taken.
int MenuTrainingInput(int inputCode);
// Cursor and values back to their first; the menu opens in a training match
// and stays shut in any other.
void MenuTrainingReset();
// The open menu's box over the frame.
void MenuTrainingDraw();

// The entries shown for a dummy control, in order; their number.
int TrainingEntries(int control, int *entries);
// How many values an entry steps through (wrapping).
int TrainingValueCount(int entry);
// The entry's name and the text of one of its values.
const char *TrainingEntryName(int entry);
void TrainingValueText(int entry, int value, char *out, int outSize);
// The approach and retreat distances of a distance value.
void TrainingDistance(int value, int *approach, int *retreat);
// The slot of the dummy: the first player of the side that did not choose.
int TrainingDummySlot();
