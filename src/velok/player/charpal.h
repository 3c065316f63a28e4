// Palettes of the select list's characters, reserved so that two players of one character never share one, and the random teams of watch, demo and survival matches.
#pragma once

struct TeamInfo;
struct TeamMember;

enum { CHAR_PALETTES = 12 };

// Takes a free palette of the character, starting from the wanted one (0 to
// 11): a taken upper palette (6 to 11) falls back to its lower twin, then the
// lower palettes after it are tried in turn, then the upper ones; palette 0
// when none is free. The palette taken.
int CharReservePal(int pal, int charIndex);
// Gives the palette back; -1 and palettes the character has no file for are
// ignored.
void CharReleasePal(int pal, int charIndex);
// Every character's palettes free again (after each match sequence).
void CharPalResetAll();
// A computer-controlled member takes a character: the palette it held is
// given back, then one of the character's is reserved, wished at random with
// [Arcade] ai.randomcolor on, else its first default.
void CharPalComputerSet(TeamMember *m, int charIndex);

// Random characters for the members of the second team, and of the first too
// when both is set: each member a random character with a reserved palette
// (random, or the character's first default with [Arcade] ai.randomcolor
// off), the given key set and the computer's controls. The palettes the
// redrawn members held are given back first. A team must hold 1 or 2
// members; without characters the members stay empty.
void TeamSetRandom(TeamInfo *first, TeamInfo *second, int keySet, int both);
