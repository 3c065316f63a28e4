// Sample-game motif: the system file with the title, select, versus and option screens, the select file and the logo and intro storyboards.
#pragma once
#include "game/art.h"

// The two characters the select file lists (chars/<name>/<name>.def).
extern const char *const kMotifCharacters[2];

// "data/system.def", "data/system.sff", "data/select.def", "data/logo.def",
// "data/intro.def" and "data/story.sff".
void MotifFilesMake(GameFiles *out);
