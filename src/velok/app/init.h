// Start-up and shutdown: the game record, the ordered start-up with its status-log lines, and its reverse.
#pragma once
#include "velok/core/common.h"

struct TrigVarName;

// The steps of start-up, in their order.
enum InitStep {
    INIT_DONE = 0,
    INIT_STEP_ALLEGRO = 1,
    INIT_STEP_RECORD,
    INIT_STEP_CONFIG,
    INIT_STEP_PLUGINS,
    INIT_STEP_COMMAND_LINE,
    INIT_STEP_DRIVER_CHECK,
    INIT_STEP_TIMER,
    INIT_STEP_KEYBOARD,
    INIT_STEP_INPUT,
    INIT_STEP_SOUND,
    INIT_STEP_GRAPHICS,
    INIT_STEP_SWITCH_MODE,
    INIT_STEP_CALLBACKS,
    INIT_STEP_GAME_VARS,
    INIT_STEP_PROG_DIR,
    INIT_STEP_FONTS,
    INIT_STEP_OPTIONS,
    INIT_STEP_SYSTEM,
    INIT_STEP_VOLUMES,
};

enum {
    INIT_TIMER_RATE = 180,
    INIT_AFTERIMAGE_FRAMES = 60,  // frames of each afterimage record
    INIT_ANIM_LIST_SIZE = 32,
    INIT_SYS_KEY_QUEUE = 32,
    INIT_WARN_WIDTH = 77,
    INIT_WARN_LINES = 8,
};

// The trigger constants' table as the state language reads it: 0 when it
// holds count named entries of int or float type; 1 when a name is missing,
// 2 when a type is neither.
int InitConstTablesCheck(const TrigVarName *table, int count);

// Starts Allegro and empties the library's error code and texts; 0 when
// Allegro could not start.
int InitAllegro();

// Fills the game record that start-up has allocated and configured: the
// start directory, the writable-directory test, the version, the buffers,
// lists, pools and tables, and the defaults. 0 with the reason in the game
// error text (none when the working directory cannot be read, and the library
// out-of-memory flag for the pieces without one); what was made is freed then
// and the record itself stays.
int GameVarsInit();
// Frees what GameVarsInit made, the system fonts and the record, and clears
// the pointer; nothing when there is no record.
void GameVarsFree();

// Start-up in its logged order. INIT_DONE when it finished; otherwise the step
// that failed, with its reason in the game error text and the library texts.
// Failures before the game record exists end the process here.
int InitSystemRun(const CmdLineOptions &opt, int *selectFlag);
// Start-up; returns only when it finished, every failure ends the process
// through the fatal exit. selectFlag becomes 1 unless a second player was
// named on the command line (the quick versus match).
void InitSystem(CmdLineOptions opt, int *selectFlag);
// Shutdown in the reverse order. Safe after a start-up that stopped at any
// step, and again after itself.
void DeinitSystem(int selectFlag);
