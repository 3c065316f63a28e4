// Test kit: learned samples and AI files written byte by byte, independently of the code under test.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "velok/player/p-ai.h"

// The parts of an AI file; each may be changed to make a bad file.
struct AiFileSpec {
    std::string magic = std::string("TarnwickAIB", 12);  // 12 bytes with the zero
    uint32_t version = 256;
    int year = 2003, month = 6, day = 14;
    std::vector<AISample> ground, air;
    bool countsGiven = false;   // write the counts below instead of the real ones
    uint32_t groundCount = 0, airCount = 0;
    int32_t basic[AI_BASIC_BOXES][AI_BOX_WORDS] = {};
    size_t cut = std::string::npos;  // keep only this many bytes

    AiFileSpec();
};

std::string AiFileBytes(const AiFileSpec &spec);

// A valid sample whose words are easy to recognise: the key and statetype,
// one context entry, the command list given (at most 8), statistics made from
// the seed, and boxes.
AISample AiKitSample(int key, int stateType, int seed, const std::vector<int> &cmds = {});

// Statistic words: mean, minimum, maximum, deviation.
void AiKitStat(AISample *s, int word, float mean, int min, int max, float dev);
void AiKitBox(int32_t *words, float l, float t, float r, float b);
