// Stage file and match loading: the stage, both sides' players and team sprites, the match and round set-up, the step to the next member, and freeing a match.
#pragma once

struct SprSet;

// Loads the game record's stage file; 1, or 0 with the reason in the game error text.
int StageLoad();
// Makes both sides' players from their teams (side 0 clears the persistent
// variables of both sides, 1 or 2 of that side only) and sets the match up;
// 1, or 0 with the reason in the game error text.
int MatchTeamsSetup(int side);
void MatchRoundReset();
// A round's whole time in ticks: (Time option + 1) x frames per count - 1.
int MatchRoundTimeFull();
void MatchPlayersPlace();
// After a round that did not end the match: the next round, and the next group of a side that lost it.
void MatchTurnsNextMember();
// Loads the stage and the teams again; 1, or 0 with the reason in the game error text.
int MatchReload();
void MatchPlayersFree();
int MatchTeamSpritesLoad();
void MatchTeamSpritesFree();
// The images of the list (pairs ending with group -1) from the sprite file
// of a select-list entry's character; null when it cannot be read.
SprSet *MatchMemberSpritesLoad(int charIndex, const int *list);
