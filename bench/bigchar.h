// A character of real size for the benchmarks, written with the test kit's file writers.
#pragma once
#include <string>

#include "support/charkit.h"

// Sizes of the generated character. The defaults are a full-size character:
// 4,000 images of 64x96 sharing 40 palettes, 600 statedefs, 60 state -1
// controllers of four to five trigger lines, 40 commands and a common file.
struct BigCharSizes {
    int images = 4000;
    int imagesPerPalette = 100;
    int statedefs = 600;
    int specials = 60;
    int commands = 40;
    float scale = 2.0f;  // the constants' xscale and yscale
};

CharKit BigCharMake(const BigCharSizes &sizes = BigCharSizes());

// The sprite file alone (images keyed group = ordinal / 10, number = ordinal % 10).
std::string BigCharSprites(int images, int imagesPerPalette);
