// PlaySnd parameters: the sound keys of the controller and their playing on the player's channels.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

struct PlaySndParams {
    Expr group, number;  // value
    Expr volume;
    Expr channel;
    Expr lowPriority;
    Expr freqMul;
    Expr loop;
    Expr pan;            // pan, or abspan
    int fromCommon;      // F: the fight screen's common sounds; S or no letter: the character's
    int absPan;          // the pan came from abspan
};

// Reads "value" (required), "volume", "channel", "lowpriority", "freqmul",
// "loop" and "abspan" or else "pan". 1, or 0 with the reason in the game error text.
int SCtrlPlaySndParse(TxtParseFile *file, PlaySndParams *params, Player *pl);
// Plays the sound for the player, with the warnings and replacements of its
// values. Nothing while sound is off or without the chosen sound set.
void SCtrlPlaySndApply(const PlaySndParams *params, Player *pl);
void SCtrlPlaySndFree(PlaySndParams *params);
