// Sample-game lettering: font files and text drawn into sprites, from the game's own two typefaces.
#pragma once
#include <string>
#include <vector>

#include "game/art.h"

struct BITMAP;

enum LetterFace {
    LETTER_REGULAR = 0,  // 5 wide with descenders
    LETTER_SMALL = 1,    // 3 x 5 capitals
};

// The colours of one bank: the edge (outline and shadow) and the ink, which
// runs from the top colour down to the bottom colour.
struct LetterBank {
    int edge[3];
    int top[3];
    int bottom[3];
};

enum {
    LETTER_BANK_COLORS = 8,  // colours per bank: one transparent, one edge, six shades of ink
    LETTER_SHADES = 6,
};

struct LetterLook {
    int face = LETTER_REGULAR;
    int scale = 1;          // screen pixels per dot of the typeface
    bool outline = false;   // a one-pixel edge all round
    int shadow = 0;         // a drop shadow this many pixels down and right
    int spacingX = 1, spacingY = 1;
    // One bank: a plain font drawn in its own colours (colors = 1). More: a
    // font of colour banks, bank 0 first.
    std::vector<LetterBank> banks;
};

// The font file of the look: every character from 33 to 126 side by side in
// one PCX, the space as wide as the size's width.
std::string LetterFontBytes(const LetterLook &look);

// Draws text with its top-left corner at (x, y) in ink entries inkFirst
// (top) to inkLast (bottom), scale pixels per dot; returns its width.
int LetterStamp(BITMAP *bmp, const char *text, int x, int y, int face, int scale, int inkFirst, int inkLast);
// The width LetterStamp gives the text (one dot between letters, spaces 3 dots).
int LetterWidth(const char *text, int face, int scale);
// The height of a line of the face at the scale.
int LetterHeight(int face, int scale);

// Bank colour schemes shared by the motif and the fight screen.
LetterBank LetterBankOf(int scheme);
enum {
    LETTER_WHITE = 0,
    LETTER_GOLD = 1,
    LETTER_GREY = 2,
    LETTER_RED = 3,
    LETTER_BLUE = 4,
    LETTER_GREEN = 5,
};

// The game's fonts: the two system fonts "font/f-4x6.fnt" and
// "font/f-6x9.fnt", and "font/menu.fnt", "font/medium.fnt" and
// "font/big.fnt" with the banks white, gold, grey, red, blue, green.
void LetterFontsMake(GameFiles *out);
