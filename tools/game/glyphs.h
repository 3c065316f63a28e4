// Sample-game lettering: the two bitmap typefaces every font of the game is drawn from.
#pragma once

enum {
    GLYPH_REGULAR_H = 9,  // 7 rows above the base line, 2 below
    GLYPH_REGULAR_BASE = 7,
    GLYPH_SMALL_H = 5,
    GLYPH_MAX_W = 5,
};

// One character's picture: rows of '#' (ink) and '.' (none), all of the
// glyph's width; rows past the given ones are empty.
struct Glyph {
    int width;
    const char *rows[GLYPH_REGULAR_H];
};

// The regular face (5 wide, proportional, with descenders) and the small face
// (3 wide, capitals only: small letters show as capitals). Null for
// characters outside 33..126; the space is left to the fonts.
const Glyph *GlyphRegular(int c);
const Glyph *GlyphSmall(int c);
// 1 when the glyph has ink at (x, y); 0 outside it.
int GlyphInk(const Glyph *g, int x, int y);
