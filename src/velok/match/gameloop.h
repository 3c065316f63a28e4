// Round loop and game tick: one frame per pass with requests, pauses, slow motion and the fixed order of a tick's work.
#pragma once

// What the loop has done since the counters were last reset: frames passed,
// game ticks that ran the field, frames drawn and frames presented.
struct GameLoopCounters {
    int frames;
    int ticks;
    int drawn;
    int presented;
};

int GameModeIsScene(int mode);
int GameModeInRound(int mode);

// Runs the match (mode 4), the win screen (5) or the survival results (6)
// until it ends; 1 on a normal end, 0 when a reload failed.
int GameLoopRun(int mode);
// The loop in its three parts, for callers that step it: entry, one frame
// (1 go on, 0 the loop ends, -1 a reload failed), exit.
void GameLoopEnter(int mode);
int GameLoopFrame();
void GameLoopLeave();
// One game tick; 1 when the round ended in it or a demo match ran out of time.
int GameLoopTick();

// Draws the frame (or, when the frame is skipped, only what runs in skipped
// frames too) into the current target.
void GameLoopFrameDraw();
// Waits for the frame timer and presents the frame.
void GameLoopFramePresent();
// The black screen between rounds: clears the target and presents it twice.
void GameLoopBlackFrames();

const GameLoopCounters *GameLoopCountersGet();
void GameLoopCountersReset();
