// Character select screen: each side's team mode, characters with their palettes and, in the modes that have it, the stage, on the motif's grid; the cursors and team choices it remembers.
#pragma once

#include "velok/core/team.h"

struct BGDef;

// The title menu's choices that open the screen.
enum CharSelMode {
    CHARSEL_ARCADE = 0,
    CHARSEL_VERSUS,
    CHARSEL_TEAM_ARCADE,
    CHARSEL_TEAM_VERSUS,
    CHARSEL_TEAM_COOP,
    CHARSEL_SURVIVAL,
    CHARSEL_SURVIVAL_COOP,
    CHARSEL_TRAINING,
    CHARSEL_WATCH,
    CHARSEL_MODES,
};

// One side's input of a tick: the bits of its buttons pressed in the tick,
// and whether its start key is down.
enum {
    CHARSEL_UP = 1,
    CHARSEL_RIGHT = 2,
    CHARSEL_DOWN = 4,
    CHARSEL_LEFT = 8,
    CHARSEL_A = 16,
    CHARSEL_B = 32,
    CHARSEL_C = 64,
    CHARSEL_X = 128,
    CHARSEL_Y = 256,
    CHARSEL_Z = 512,
    CHARSEL_START = 1024,
    CHARSEL_CONFIRM = 0x7F0,  // the six buttons and start
    CHARSEL_START_HELD = 0x1000,
};

enum CharSelStepKind {
    CHARSEL_STEP_END = 0,
    CHARSEL_STEP_TEAM_MENU,
    CHARSEL_STEP_CHAR,
    CHARSEL_STEP_COMPUTER,
    CHARSEL_STEP_STAGE,
};

// Team-menu items, by their bits in a menu's allowed set.
enum CharSelItem {
    CHARSEL_ITEM_SINGLE = 0,
    CHARSEL_ITEM_SIMUL,
    CHARSEL_ITEM_TAG,
    CHARSEL_ITEM_TURNS,
    CHARSEL_ITEM_KINDS,
};

enum {
    CHARSEL_STEPS = 8,
    CHARSEL_ALLOW_ALL = 1 | 2 | 8,  // single, simul and turns
    CHARSEL_ALLOW_SURVIVAL = 1 | 2,
};

// Results of a tick.
enum { CHARSEL_GOING = 0, CHARSEL_DONE = 1, CHARSEL_CANCELLED = -1 };

struct CharSelStep {
    int kind;      // CharSelStepKind
    int team;      // the team it fills, 0 or 1
    int input;     // the side whose controls and cursor drive it
    int inputs;    // stage step: a bit per side whose controls drive it
    int allowed;   // team menu: the items offered, 1 << CharSelItem
    int linked;    // team menu: the step its result goes to, -1 none
    int mode;      // the team's TeamMode and member count
    int count;
    int member;    // character step: the first member it fills, and how many
    int fill;
    int keySet;    // of the members it fills
    int ai;
    int filled;
    int started;
};

struct CharSelMenu {
    int itemCount;
    int kind[CHARSEL_ITEM_KINDS];
    int value[CHARSEL_ITEM_KINDS], valueMin[CHARSEL_ITEM_KINDS], valueMax[CHARSEL_ITEM_KINDS];
    int current;  // -1 while no menu is built
    int tick;
};

// A side's cursor during the screen.
struct CharSelSide {
    int col, row;
    int prevCol, prevRow;
    int autoTimer;   // ticks to the automatic choice, -1 off
    int randomTick;  // the random portrait's ticks
    int randomChar;  // the character the random portrait shows, -1 none
    int lastChar;    // the last character chosen, -1 none
};

struct CharSel {
    int mode;       // CharSelMode
    int start;      // the side that pressed start, 0 or 1
    int automatic;  // watch and demo: the choices are made at random
    int demo;
    int tick;
    CharSelStep steps[2][CHARSEL_STEPS];
    int stepAt[2];
    CharSelSide side[2];
    CharSelMenu menu[2];
    TeamInfo teams[2];
    int teamMade[2];
    int stageIndex;  // -1 random
    int stageState;  // 0 not reached, 1 choosing, 2 chosen
    int fadeOut;     // frames of the closing fade drawn
};

// The screen with its own frame loop; 1 when both sides are done (the teams
// are then the game record's), 0 when cancelled.
int CharSelRun(int mode, int side);
// The screen in parts, for callers that step it: the entry, one tick (the
// input of both sides read from the input engine's events, or given), the
// frame's drawing and the exit with the tick's result (its own result as
// CharSelRun's).
void CharSelBegin(CharSel *cs, int mode, int side);
int CharSelTick(CharSel *cs);
int CharSelUpdate(CharSel *cs, const int input[2], int escape);
void CharSelDraw(const CharSel *cs);
int CharSelEnd(CharSel *cs, int result);
// The input engine's pending events as the two sides' bits; escape is set by
// Escape (in a demo, by any key).
void CharSelInputRead(int input[2], int *escape, int demo);
// What every frame of the select and versus screens runs around the
// screen's own step: at the start the frame hook and the menu music's
// service; at the end the background moved on, the frame drawn into the
// game buffer unless it is skipped, and presented.
void CharSelFrameStart();
void CharSelFrameEnd(BGDef *bg, void (*draw)(const void *screen), const void *screen);

// Moves the cursor of the side asked by the input's directions when it is the
// side moving; the palette the input chooses on a cell that is not empty (the
// highest of the buttons a to z pressed, plus 6 with start held), or -1.
int CharSelCursorMove(int input, int sideAsked, int *col, int *row, int sideMoving);

// The remembered cursors (per side and mode slot) and team-menu choices.
void CharSelForgetCursors();
void CharSelRememberCursor(int col, int row, int slot, int side);
void CharSelRecallCursors(CharSelSide *state, int slot, int side);
void CharSelForgetTeamModes();
void CharSelGetTeamMode(CharSelMenu *menu, int side);
void CharSelSetTeamMode(const CharSelMenu *menu, int side);
// The mode slot a mode remembers its cursors in.
int CharSelModeSlot(int mode);

// A side's state at the start of a character step.
void CharSelSideStart(CharSel *cs, const CharSelStep *step, int side);
// A team of count empty members for side 0 or 1 in a mode.
void TeamInitSlots(TeamInfo *team, int side, int count, int mode);
// Builds a team menu from the step's allowed items, with the side's
// remembered choice.
void TeamMenuInit(CharSelMenu *menu, const CharSelStep *step, int side);
