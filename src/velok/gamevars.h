// The game record: one zeroed block reached through one global pointer.
#pragma once

struct TextBuf;

enum {
    GAME_DIR_LEN = 512,
    GAME_ERROR_LEN = 2048,
};

struct GameVars {
    char startDir[GAME_DIR_LEN];
    char progDir[GAME_DIR_LEN];
    char motifDir[GAME_DIR_LEN];
    char motifFile[GAME_DIR_LEN];

    // Where every loader leaves its reason; the fatal box shows it.
    char errorText[GAME_ERROR_LEN];
    TextBuf *warnLog;  // 8 lines of 77 characters
    int gameTick;
};

extern GameVars *gv;
