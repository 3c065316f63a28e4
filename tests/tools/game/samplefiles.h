// The sample game's files for the tests: made once per test program, written into each test's directory.
#pragma once
#include <string>

#include "game/sample.h"

inline const GameFiles &SampleFilesOnce()
{
    static const GameFiles files = SampleGameFiles();
    return files;
}

// SampleGameWrite without making the files again.
inline int SampleTreeWrite(const std::string &root, std::string *error)
{
    return SampleFilesWrite(root, SampleFilesOnce(), error);
}
