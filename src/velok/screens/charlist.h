// Select file: the character list with the grid it fills, the stage list, the per-order match counts and the arcade order of computer opponents.
#pragma once

#include <cstddef>

#include "velok/player/p-make.h"

struct TxtParseFile;

enum {
    SELECT_ORDERS = 10,
    SELECT_STAGE_NAME_LEN = 80,  // 79 characters
    SELECT_STAGE_CHAR = 3,       // the stage flag of a character's stage
    SELECT_CHAR_CAPACITY = 16,   // the list's first capacity; it doubles when full
};

struct SelectStage {
    char path[CHARINFO_PATH_LEN];
    char name[SELECT_STAGE_NAME_LEN];  // [Info] name of the stage file, or the path
    int flag;                          // SELECT_STAGE_CHAR, or 0 for an extra stage
};

// Makes the empty character list; 1, or 0 with "Out of memory".
int SelectListsAlloc();
// Frees the character list, the stage list and the arcade order.
void SelectListsFree();
// Frees the character list alone; nothing when it is already gone.
void SelectCharListFree();
// Appends a zeroed entry (order 0, default palettes 1 to 4) to the character
// list; its index, or -1 when memory runs out.
int SelectCharAdd();

// Where a select line's character name points: the directory (ending in a
// separator, or a zip character's archive) and the definition file's name.
// 1 for a zip character, 0 for a plain one, -1 when the path would not fit
// the list's fields.
int SelectCharResolve(const char *name, char *dir, size_t dirSize, char *file, size_t fileSize);

// A character's [Info] as the select list keeps it, from its open definition:
// the name shown (displayname, else name; empty with neither) and the four
// default palettes (pal.defaults, 1 to 12; a value outside them keeps the
// default of its place, 1 to 4). 1, or 0 when the name shown is not a quoted
// text (the reason in the game error text; the palettes are read all the same).
int SelectCharInfoRead(TxtParseFile *def, char *name, size_t nameSize, int *palDefaults);

// Finds the select file (the caller's, the motif's, "./" and "data/"
// directories) and opens it; 1, or 0 with the reason in the game error text.
int SelectDefOpen(const char *name);
// Reads the open select file into the character list, the motif's grid and
// the stage list, and closes it; 1, or 0 with the reason in the game error text.
int SelectDefLoad();

// The arcade order for the counts of orders 0 to 9 and opponent groups of
// teamSize characters: each order's characters shuffled, as many taken as
// the count asks (whole groups, made up with repeats of the same order);
// ended by -1, walked from its start.
void ArcadeOrderBuild(int teamSize, const int *counts);
// The arcade order for the computer side's team (the side opposite the
// arcade side): its member count is the group size, and the team counts
// apply unless it is one member in single mode.
void ArcadeBuildOrder();
// Fills the computer side's members from the order at the place reached,
// each with a reserved palette (their previous palettes given back first);
// with advance set the place moves past them. The last character placed, or
// -1 when the order has ended.
int ArcadeSetOpponents(int advance);
int ArcadePeekOpponents();
// Moves the place in the order past the next opponent group (after the
// arcade side has beaten it).
void ArcadeAdvance();
// How many characters the next opponent group takes from the order.
int ArcadeNextTeamSize();
// Copies the characters of the next (which 0) or the following (1) opponent
// group, at most as many as the computer team holds, into out (room for
// TEAM_ENTRY_MAX); their count.
int ArcadeListOpponents(int *out, int which);
int ArcadeGetOpponents(int *out);
int ArcadeGetFollowingOpponents(int *out);
// Characters left in the order from the place reached.
int ArcadeMatchesLeft();
