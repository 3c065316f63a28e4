// Fuzz kit: the shared body of the character targets, and the file names of their inputs.
#pragma once
#include <cstddef>
#include <cstdint>

// The files of a character input, in order, joined by FUZZ_SEP.
inline const char *const CHAR_FUZZ_FILES[] = {"kit.def", "kit.cmd", "kit.cns", "kit.st",   "common.cns",
                                              "kit.air", "kit.sff", "kit.snd", "kit1.act", "kit.ai"};
inline const size_t CHAR_FUZZ_FILE_COUNT = sizeof CHAR_FUZZ_FILES / sizeof CHAR_FUZZ_FILES[0];

int CharFuzzOne(const uint8_t *data, size_t size, bool zip);
