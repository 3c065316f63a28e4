// Bitmap fonts: font files (a PCX glyph strip and a character map), colour banks, text widths and drawing.
#pragma once

struct SprSet;
struct VFile;

enum {
    FNT_HEADER_SIZE = 64,
    FNT_VERSION = 0x100,
    FONT_CHARS = 256,
    FONT_PRINTF_LEN = 4096,
    FONT_NO_BANK = -1,
};

// The header of a font file as read. Offsets count from the header's first
// byte, which lies at `base` in the file.
struct FntFormat {
    char magic[12];  // "TarnwickFnt" and a zero byte
    int version;
    int pcxOffset;
    int textOffset;
    long base;
};

struct Font {
    int offsetX, offsetY;    // added to every draw position
    int sizeW, sizeH;        // glyph cell; sizeW is also the width of a space
    int variable;            // 1 unless the type is fixed
    int spacingX, spacingY;  // between glyphs and between lines
    int colors;              // colours per bank
    int startX[FONT_CHARS];  // each character's left column in the glyph image
    int width[FONT_CHARS];   // each character's advance width
    SprSet *glyphs;          // one image keyed (0, 0); palettes: the banks, then the full palette
};

// Null on any failure, with the reason in LibErrorMsg.
Font *FontLoad(const char *path);
// A font whose header starts at the file's current position (a font inside
// another file); the position is restored afterwards.
Font *FontReadFromFile(VFile *f);
// Reads the glyph image and the text section at the header's offsets.
Font *FontRead(VFile *f, const FntFormat *header);
void FontFree(Font *font);

// Width of the widest line. Widths saturate at 2^30; the sizes, spacings,
// offsets and map entries of a font file are read bounded to +-32767.
int FontTextWidth(const Font *font, const char *text);
// Width of a text up to its first line break.
int FontLineWidth(const Font *font, const char *text);

// y is the bottom row of the first line. Alignment 1 left, 0 centre, -1
// right. Colour -1 draws the glyphs in their own colours, any other value is
// an RGB565 colour for their shape; a bank of 0 or more draws in that colour
// bank instead (FONT_NO_BANK: none).
void FontDrawText(const char *text, const Font *font, int x, int y, int alignment, int colour, int bank);
void FontDrawTextL(const char *text, const Font *font, int x, int y, int colour);
void FontDrawTextR(const char *text, const Font *font, int x, int y, int colour);
void FontDrawTextC(const char *text, const Font *font, int x, int y, int colour);
void FontDrawTextAlign(const char *text, const Font *font, int x, int y, int alignment, int colour);
// A bank outside the glyph set's palettes draws nothing.
void FontDrawBankL(const char *text, const Font *font, int x, int y, int bank);
void FontDrawBankR(const char *text, const Font *font, int x, int y, int bank);
void FontDrawBankC(const char *text, const Font *font, int x, int y, int bank);
void FontDrawBank(const char *text, const Font *font, int x, int y, int alignment, int bank);
// The text is formatted into FONT_PRINTF_LEN bytes (cut there) before drawing.
void FontPrintfL(const Font *font, int x, int y, int colour, const char *format, ...)
    __attribute__((format(printf, 5, 6)));
void FontPrintfR(const Font *font, int x, int y, int colour, const char *format, ...)
    __attribute__((format(printf, 5, 6)));
void FontPrintfBankL(const Font *font, int x, int y, int bank, const char *format, ...)
    __attribute__((format(printf, 5, 6)));
// One line (up to its first line break) in a bank, its pen starting at x.
void FontDrawTextBank(const char *line, const Font *font, int x, int y, int bank);
