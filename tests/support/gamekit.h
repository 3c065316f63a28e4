// Test kit: a game's data tree on disk (the configuration file and the two system fonts) for start-up.
#pragma once
#include <string>

// The smallest configuration that starts the game: every required group, a
// 640x480x16 window, sound on with the "none" drivers, both sides on the
// keyboard with their keys, small pools.
std::string GameCfgText();
// The text with a line added at the start of a group (the group is added at
// the end when the text has none).
std::string GameCfgWith(const std::string &group, const std::string &line, std::string text = GameCfgText());

// A system font with a few glyphs, as a font file's bytes.
std::string GameFontBytes();

// Writes "data/velok.cfg" with the text and "font/f-4x6.fnt" and
// "font/f-6x9.fnt" under the working directory; a font whose switch is off is
// left out.
void GameTreeWrite(const std::string &cfg = GameCfgText(), bool font1 = true, bool font2 = true);

// What start-up writes to the log with "-nosound -nojoy" over the tree that
// GameTreeWrite makes: from allocating the game variables to "Loading
// system...".
extern const char kGameStartLog[];
