// Round state machine: intro, fight, round over and win poses; how rounds and matches end; announcements; scene fades.
#pragma once
#include <cstddef>

struct Player;

enum RoundEndKind {
    ROUND_END_NONE = 0,
    ROUND_END_KO = 1,
    ROUND_END_DOUBLE_KO = 2,
    ROUND_END_TIME_OVER = 3,
};

// Announcements due in a tick (bits): the round's own element then round.default,
// fight, KO, DKO, TO, win, win2, draw.
enum RoundAnnounce {
    ROUND_ANN_ROUND = 0x01,
    ROUND_ANN_FIGHT = 0x02,
    ROUND_ANN_KO = 0x04,
    ROUND_ANN_DKO = 0x08,
    ROUND_ANN_TO = 0x10,
    ROUND_ANN_WIN = 0x20,
    ROUND_ANN_WIN2 = 0x40,
    ROUND_ANN_DRAW = 0x80,
};

// Puts the fight screen's [Round] and [Time] defaults into the game record.
void FightRoundDefaults();

// One tick of a match round (before the states run): the outcome, the state
// steps and the slow-motion countdown. 1 when the round ended in this tick.
int RoundUpdate();
// One tick of the demo match's end (state 2 of a demo): 1 when the demo ended.
int RoundDemoUpdate();
// One tick of the win screen or the survival results (GameLoopMode 5 or 6).
void RoundSceneUpdate();

int MatchWinningTeamGet();
int MatchWinnerGet();
// Per-mille of life maximum that side (0 or 1) regains after a won round.
int TeamLifeRegainGet(int side);
// Win icon kinds recorded outside the round state machine, by their
// fight-screen element: "throw" for a guard that turned into a KO, "suicide"
// for a KO without a hitter.
enum WinIconKind {
    WIN_ICON_THROW = 3,
    WIN_ICON_SUICIDE = 6,
};

// side 1 or 2; kind -1 derives the kind from the hit attribute.
void WinIconRecordTeam(int side, int attr, int kind);
int WinIconTeamDamaged(int side);

// The announcements due now (RoundAnnounce bits); the round loop spawns them.
int RoundAnnounceDue();
// The text of an announcement with a number or names filled in; 0 when the
// announcement carries no formatted text.
int RoundAnnounceText(int announce, char *out, size_t outSize);
// The survival results text with the counted side's round wins.
void RoundSceneText(char *out, size_t outSize);
// Spawns the announcements due now into the fight-screen explods.
void RoundAnnounceSpawn();
