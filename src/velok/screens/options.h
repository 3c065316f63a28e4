// The options screen with its input and team pages, and the key and pad-button configuration.
#pragma once

// Kinds of value the pages step through.
enum OptionValueKind {
    OPTV_DIFFICULTY = 0,  // 1 to 8
    OPTV_LIFE,            // 30 to 300 per cent, steps of 10
    OPTV_TIME,            // 20, 40, 60, 80, 99, then none (-1)
    OPTV_SPEED,           // -9 to 9
    OPTV_VOLUME,          // 0 to 100, steps of 10
    OPTV_TEAM_LIFE,       // 100 to 300 per cent, steps of 10
    OPTV_TEAM_KO,         // 0 the team loses, 1 the AI keeps fighting
    OPTV_JOY_TYPE,        // the pad types of the list
    OPTV_LOAD_SAVE,       // 0 load, 1 save
};

enum OptionPage {
    OPT_PAGE_MAIN = 0,
    OPT_PAGE_INPUT,
    OPT_PAGE_TEAM,
};

// Rows of the pages.
enum OptionMainRow {
    OPT_DIFFICULTY = 0,
    OPT_LIFE,
    OPT_TIME,
    OPT_SPEED,
    OPT_WAV,
    OPT_MIDI,
    OPT_INPUT,
    OPT_TEAM,
    OPT_DEFAULTS,
    OPT_LOAD_SAVE,
    OPT_RETURN,
    OPT_MAIN_ROWS,
};

// Per player p: 4p + these; then the return row.
enum OptionInputRow {
    OPT_IN_KEYS = 0,
    OPT_IN_JOY_TYPE,
    OPT_IN_JOY_CONFIG,
    OPT_IN_DEFAULTS,
    OPT_IN_PER_PLAYER,
    OPT_IN_RETURN = 2 * OPT_IN_PER_PLAYER,
    OPT_INPUT_ROWS,
};

enum OptionTeamRow {
    OPT_TEAM_LIFE = 0,
    OPT_TEAM_KO,
    OPT_TEAM_DEFAULTS,
    OPT_TEAM_RETURN,
    OPT_TEAM_ROWS,
};

// Rows of the key-configuration page, per player.
enum KeyConfigRow {
    KC_ROW_ALL = 0,
    KC_ROW_FIRST_KEY = 1,  // Up, Down, Left, Right, A, B, C, X, Y, Z, Start
    KC_ROW_DEFAULT = 12,
    KC_ROW_EXIT = 13,
    KC_ROWS = 14,
};

enum {
    KEYCONFIG_PAGE_KEYS = 0,
    KEYCONFIG_PAGE_PADS = 1,
    OPTION_TEXT_LEN = 32,
    OPTION_MESSAGE_FRAMES = 60,
    OPTION_TEAM_LIFE_DEFAULT = 200,
};

// The next value one step left (dir -1) or right (1), kept within the range.
int OptionValueStep(int kind, int value, int dir);
// The value as the page shows it.
void OptionValueText(int kind, int value, char *out, int outSize);
// The key-configuration slot of a key row (1 Jump, 2 Right, 3 Crouch, 4
// Left, 5 to 11 a to start), 0 for the other rows.
int KeyConfigRowSlot(int row);
// An entry's code as the key or pad page shows it.
void KeyConfigCodeText(int kind, int code, char *out, int outSize);
// A player's built-in pad record: the stick's directions, no buttons.
void KeyConfigPadDefaults(int player);

// Runs the options screen until the player returns to the title.
void MenuOptions();
// The screen in parts: entry; one frame (1 go on, 0 the screen ends); exit.
void MenuOptionsEnter();
int MenuOptionsFrame();
void MenuOptionsLeave();
int MenuOptionsPage();
int MenuOptionsRow();
// The Load/Save row's value, and the message shown (null when none).
int MenuOptionsLoadSave();
const char *MenuOptionsMessage();

// The key (kind 0) or pad-button (1) page for both players, opened from the
// input page's row entry; returns the input page's row to show next.
int MenuKeyConfig(int kind, int entry);
void MenuKeyConfigEnter(int kind, int entry);
int MenuKeyConfigFrame();
int MenuKeyConfigLeave();
// The cursor's player and row, and whether an entry waits for its key.
int MenuKeyConfigPlayer();
int MenuKeyConfigRow();
int MenuKeyConfigWaiting();
