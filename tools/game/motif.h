// Sample-game motif: the system file with the title, select, versus and option screens, the select file and the logo and intro storyboards.
#pragma once
#include "game/art.h"

// The two characters the select file lists (chars/<name>/<name>.def). The
// screens show their portraits with the axis at the top-left corner: 9000,0
// of 24x24 in the select cells and the fight screen's faces, 9000,1 of
// 96x120 on the select and versus screens.
extern const char *const kMotifCharacters[2];

// Palette entries of the motif's sprites (system and storyboard sprites).
enum {
    MOTIF_ART_BACK_FIRST = 1,  // night blue to violet
    MOTIF_ART_BACK_LAST = 32,
    MOTIF_ART_BEAM_FIRST = 33,
    MOTIF_ART_BEAM_LAST = 48,
    MOTIF_ART_GOLD_FIRST = 49,  // lettering, light to dark
    MOTIF_ART_GOLD_LAST = 64,
    MOTIF_ART_RED_FIRST = 65,
    MOTIF_ART_RED_LAST = 72,
    MOTIF_ART_BLUE_FIRST = 73,
    MOTIF_ART_BLUE_LAST = 80,
    MOTIF_ART_METAL_FIRST = 81,
    MOTIF_ART_METAL_LAST = 88,
    MOTIF_ART_SHADE_FIRST = 89,  // silhouettes
    MOTIF_ART_SHADE_LAST = 96,
    MOTIF_ART_STRIPE_FIRST = 97,
    MOTIF_ART_STRIPE_LAST = 104,
    MOTIF_ART_GREY_FIRST = 105,
    MOTIF_ART_GREY_LAST = 112,
    MOTIF_ART_EDGE = 113,
};

// "data/system.def", "data/system.sff", "data/select.def", "data/logo.def",
// "data/intro.def" and "data/story.sff".
void MotifFilesMake(GameFiles *out);
