// Sample-game fighters' AI files: each fighter goes through the moves of its command file against the other, inside the engine, while the learning AI watches.
#pragma once
#include <string>

// Runs the lessons in the data tree under root (written before, with both
// fighters) and leaves what was learned in each fighter's AI file; 1, or 0
// with the reason in the error text.
int FighterLessonsRun(const std::string &root, std::string *error);
