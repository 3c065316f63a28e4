// Fuzz kit: the file names of the stage and background inputs.
#pragma once
#include <cstddef>

// The files of a stage input, in order, joined by FUZZ_SEP: the stage (or
// background) definition and the sprite file beside it.
inline const char *const STAGE_FUZZ_FILES[] = {"stages/kit.def", "stages/bg.sff"};
inline const size_t STAGE_FUZZ_FILE_COUNT = 2;
