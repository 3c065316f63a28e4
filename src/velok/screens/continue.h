// The "Continue?" screen after a lost one-player match: the loser poses while the player answers Yes or No.
#pragma once

enum {
    CONTINUE_STATE = 5500,      // the loser's pose
    CONTINUE_FADE_FRAMES = 8,
    CONTINUE_PARTNER_GAP = 40,  // pixels between the centre and each of a pair
};

// Runs the screen to its end; 1 when the player chose to continue (the game
// record's continue flag is then set), 0 for No.
int ContinueScreen();

// The screen in its three parts, for callers that step it: entry, one frame
// (1 go on, 0 the fade-out has run), and the exit with the answer.
void ContinueScreenEnter();
int ContinueScreenFrame();
int ContinueScreenLeave();
// 1 while "Yes" is chosen.
int ContinueScreenAnswer();
