// Top-level mode loop: the title choice through select, versus, matches, the arcade ladder, continues, endings and game over, and the quick versus match named on the command line.
#pragma once
#include <cstddef>

struct CmdLineOptions;

// What the loop calls to show its screens and to load, run and free a
// match. Tests script them; each starts as the game's own.
struct MainLoopCalls {
    void (*introPlay)();
    int (*title)();  // returns the choice
    void (*storyboardPlay)(const char *name, const char *scene);
    int (*charSel)(int mode, int side);
    int (*vsScreen)();
    int (*continueScreen)();
    void (*sysUnload)();
    void (*sysReload)();
    int (*stageLoad)();
    int (*teamsSetup)(int side);
    int (*gameLoopRun)(int mode);
    void (*playersFree)();
};
// Null gives the game's own calls back.
void MainLoopCallsSet(const MainLoopCalls *calls);

// With the select-screen flag 1: the game from the title menu until the
// title's exit is chosen. With 0: the quick versus match MainQuickVsSetup
// made, once.
void MainLoop(int selectFlag);

// The arcade side's fighters posing after a completed arcade (round loop
// mode 5), and the survival side's after a survival run (mode 6).
void MainWinScreenRun();
void MainSurvivalResultsRun();

// Where the loop goes after a fight.
enum MainNext {
    MAIN_NEXT_FREE = 0,     // the player left the fight: straight to freeing the match
    MAIN_NEXT_AFTER,        // the survival results when due, then freeing
    MAIN_NEXT_ARCADE_DONE,  // the arcade is complete: ending, win screen, credits
    MAIN_NEXT_LOST,         // the arcade side lost: the continue screen or game over
    MAIN_NEXT_REPLAY,       // the fight again
};

struct MainFightResult {
    int matchOver;
    int winner;        // the match winner, 1 or 2
    int quit;
    int arcadeSide;    // 0 none
    int nextTeamSize;  // ArcadeNextTeamSize and ArcadeMatchesLeft, read with an arcade side
    int matchesLeft;
};
int MainFightOutcome(const MainFightResult *r);

// After a lost arcade fight: whether [Continue Screen] and [Game Over Screen]
// are enabled, the continue screen's answer and the continue flag it left.
struct MainLossInput {
    int continueScreen;
    int continued;
    int continueChosen;
    int gameOverScreen;
};
struct MainLossResult {
    int next;      // MAIN_NEXT_AFTER or MAIN_NEXT_REPLAY
    int quit;      // the quit request after it
    int gameOver;  // the game-over storyboard is taken and the intro plays again
};
MainLossResult MainLossOutcome(const MainLossInput *in);

// Where a character named on the command line is looked for: a name with a
// directory part keeps it when it begins with "chars" and goes under "chars/"
// otherwise; a bare name is "chars/<name>/" and "<name>.def". 0 when the
// result would not fit.
int MainQuickVsCharPath(const char *name, char *dir, size_t dirSize, char *file, size_t fileSize);
// A quick-versus member's palette, 0 to 11: the command line's colour (value
// - 1, -1 when not given) when it is one of the twelve, else the default
// palette (1 to 12) of the member's name number; else the first.
int MainQuickVsPalette(int color, int defaultPal);
// The teams, character entries, stage and rounds of the match the command
// line names (players 1 to 4, the stage and rounds options). A definition
// file that does not open, or a side without its first player, ends the
// program through the fatal exit.
void MainQuickVsSetup(const CmdLineOptions &opt);
