// The sample game's data tree: configuration, fonts, sounds, stage, fight screen, motif and the two fighters, made by code.
#pragma once
#include <string>

#include "game/art.h"

// Every file of the game's data tree.
GameFiles SampleGameFiles();
// Writes the tree under the directory (made as needed); 1, or 0 with the
// reason in the error text.
int SampleGameWrite(const std::string &root, std::string *error);
// The same for files made before.
int SampleFilesWrite(const std::string &root, const GameFiles &files, std::string *error);
