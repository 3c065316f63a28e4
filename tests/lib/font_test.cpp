// Bitmap fonts: the file format, the character map, colour banks, widths, alignment, clipping and banks in drawing.
#include "lib/font.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/fontkit.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

// Glyphs A (3 wide), B (4), C (2) of height 5; their pixels are 250, 251 and
// 252, which colour banks of 16 turn into 10, 11 and 12.
const std::vector<int> kWidths = {3, 4, 2};

std::string Def(const std::string &colors = "16", const std::string &extra = "")
{
    std::vector<std::string> def = {"size = 4,5", "spacing = 1,2", "colors = " + colors, "offset = 0,0"};
    if (!extra.empty())
        def.push_back(extra);
    return FntDefText(def, {"A 0 3", "B", "C 7 2", "0x44 0 3"});
}

std::string FontFile(const std::string &text = Def())
{
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip(kWidths, 5, 250));
    s.text = text;
    return FntBytes(s);
}

Font *LoadText(const std::string &bytes)
{
    WriteFileText("f.fnt", bytes);
    return FontLoad("f.fnt");
}

} // namespace

class FontTest : public TempDirTest {};

TEST_F(FontTest, LoadsHeaderDefAndMap)
{
    std::string text = FntDefText({"size = 6,7", "spacing = 2,3", "colors = 1", "offset = -1,4", "type = Fixed"},
                                  {"a 10 5", "b", "c 40", "d", "0x100 1 2", "0xzz 7 7", "0x", "e", "0x41 1 2", "  ",
                                   "0x7e\t 8 9", "  5 3 4", "0x20 3 1"});
    Font *f = LoadText(FontFile(text));
    ASSERT_NE(f, nullptr) << LibErrorMsg;
    EXPECT_EQ(f->sizeW, 6);
    EXPECT_EQ(f->sizeH, 7);
    EXPECT_EQ(f->spacingX, 2);
    EXPECT_EQ(f->spacingY, 3);
    EXPECT_EQ(f->colors, 1);
    EXPECT_EQ(f->offsetX, -1);
    EXPECT_EQ(f->offsetY, 4);
    EXPECT_EQ(f->variable, 0);
    struct { int c, start, width; } chars[] = {
        {'a', 10, 5},   // both given
        {'b', 5, 6},    // running sum, size w
        {'c', 40, 6},   // start given, width size w
        {'d', 17, 6},   // the sum grew by every width so far: 5 + 6 + 6
        {'e', 23, 6},   // codes of 256 or more and codes without digits are skipped
        {'0', 0, 0},    // ... and define nothing
        {'A', 1, 2},    // hexadecimal code
        {'~', 8, 9},    // blanks after the code are skipped
        {'5', 3, 4},    // leading blanks of the line are trimmed by the reader
        {' ', 3, 6},    // the space is size w whatever the map says
        {'z', 0, 0},    // undefined
    };
    for (auto &c : chars) {
        EXPECT_EQ(f->startX[c.c], c.start) << (char)c.c;
        EXPECT_EQ(f->width[c.c], c.width) << (char)c.c;
    }
    ASSERT_EQ(SprSetImageCount(f->glyphs), 1);
    const SprImage *img = SprSetImageAt(f->glyphs, 0);
    EXPECT_EQ(img->bpp, 8);
    EXPECT_EQ(img->width, 9);
    EXPECT_EQ(img->height, 5);
    EXPECT_EQ(SprSetFindImage(f->glyphs, 0, 0), 0);
    // One colour per bank makes no banks: the loaded palette and pixels stay.
    EXPECT_EQ(SprSetPalCount(f->glyphs), 1);
    EXPECT_EQ(((const uint8_t *)img->pixels)[1], 250);
    FontFree(f);

    for (const char *type : {"type = variable", "type = xf", ""}) {
        f = LoadText(FontFile(Def("16", type)));
        ASSERT_NE(f, nullptr) << LibErrorMsg;
        EXPECT_EQ(f->variable, 1) << type;
        FontFree(f);
    }
}

TEST_F(FontTest, ColourBanksSplitThePaletteFromTheTop)
{
    struct { const char *colors; int d; } cases[] = {
        {"16", 16}, {"17", 32}, {"2", 2}, {"3", 4}, {"129", 256}, {"100000", 256},
    };
    for (auto &c : cases) {
        Font *f = LoadText(FontFile(Def(c.colors)));
        ASSERT_NE(f, nullptr) << c.colors << ": " << LibErrorMsg;
        int banks = 256 / c.d;
        ASSERT_EQ(SprSetPalCount(f->glyphs), banks + 1) << c.colors;
        Palette *full = SprSetPalAt(f->glyphs, banks);
        EXPECT_EQ(full->count, 256);
        EXPECT_EQ(SprSetFindPal(f->glyphs, 0, banks), banks);
        for (int b = 0; b < banks; b++) {
            Palette *p = SprSetPalAt(f->glyphs, b);
            EXPECT_EQ(SprSetFindPal(f->glyphs, 0, b), b);
            EXPECT_EQ(p->count, c.d);
            EXPECT_EQ(p->ownsData, 0);
            EXPECT_EQ(p->data, full->data + (256 - c.d * (b + 1)) * 4) << c.colors << " bank " << b;
        }
        const SprImage *img = SprSetImageAt(f->glyphs, 0);
        EXPECT_EQ(img->colorCount, c.d);
        EXPECT_EQ(img->palIndex, 0);
        // Pixels 250..252 land at the top of a bank; 0 stays transparent.
        const uint8_t *px = (const uint8_t *)img->pixels;
        int expectA = c.d >= 6 ? 250 + c.d - 256 : 0;
        EXPECT_EQ(px[0], 0) << c.colors;
        EXPECT_EQ(px[1], expectA) << c.colors;
        FontFree(f);
    }

    // A pixel below the top bank becomes transparent.
    FntSpec s;
    PcxSpec strip = FntGlyphStrip({3}, 2, 100);
    s.pcx = PcxBytes(strip);
    s.text = FntDefText({"size = 3,2", "colors = 16"}, {"A"});
    Font *f = LoadText(FntBytes(s));
    ASSERT_NE(f, nullptr) << LibErrorMsg;
    const uint8_t *px = (const uint8_t *)SprSetImageAt(f->glyphs, 0)->pixels;
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(px[i], 0) << i;
    FontFree(f);
}

TEST_F(FontTest, ReadsFromInsideAnotherFile)
{
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip(kWidths, 5, 250));
    s.text = Def();
    s.prefix = std::string(37, 'x');
    std::string bytes = FntBytes(s);

    VFile *vf = DefMemVFile(bytes);
    ASSERT_EQ(VFileSeek(vf, 37, 0), 0);
    Font *f = FontReadFromFile(vf);
    ASSERT_NE(f, nullptr) << LibErrorMsg;
    EXPECT_EQ(VFileTell(vf), 37);
    EXPECT_EQ(f->width['B'], 4);
    EXPECT_EQ(SprSetPalCount(f->glyphs), 17);
    FontFree(f);
    VFileClose(vf);

    // The same on disk; a failure also puts the position back.
    WriteFileText("pack.bin", bytes + "tail");
    vf = VFileOpen("pack.bin", "rb");
    ASSERT_NE(vf, nullptr);
    VFileSeek(vf, 37, 0);
    f = FontReadFromFile(vf);
    ASSERT_NE(f, nullptr) << LibErrorMsg;
    EXPECT_EQ(VFileTell(vf), 37);
    FontFree(f);
    VFileSeek(vf, 36, 0);
    EXPECT_EQ(FontReadFromFile(vf), nullptr);
    EXPECT_EQ(VFileTell(vf), 36);
    VFileClose(vf);
}

TEST_F(FontTest, FailuresReturnNullWithTheReason)
{
    FntSpec good;
    good.pcx = PcxBytes(FntGlyphStrip(kWidths, 5, 250));
    good.text = Def();
    auto with = [&](auto change) {
        FntSpec s = good;
        change(s);
        return FntBytes(s);
    };
    PcxSpec rgb = FntGlyphStrip(kWidths, 5, 250);
    rgb.planes = 3;
    rgb.pixels.assign(9 * 5 * 3, 7);
    struct { std::string bytes; const char *reason; } cases[] = {
        {"TarnwickFnt", "too short for its header"},
        {with([](FntSpec &s) { s.magic = std::string("TarnwickSpr", 12); }), "Not a font file"},
        {with([](FntSpec &s) { s.magic = "TarnwickFnt!"; }), "Not a font file"},
        {with([](FntSpec &s) { s.version = 0x101; }), "version 0x101"},
        {with([](FntSpec &s) { s.pcxOffsetOverride = true; s.pcxOffset = 1 << 20; }), "image offset 1048576"},
        {with([](FntSpec &s) { s.pcxOffsetOverride = true; s.pcxOffset = -4; }), "image offset -4"},
        {with([](FntSpec &s) { s.pcx = "not a pcx image at all, no"; }), "Can't read font image"},
        {with([&](FntSpec &s) { s.pcx = PcxBytes(rgb); }), "must be 8-bit (it has 24 bits)"},
        {with([](FntSpec &s) { s.textOffsetOverride = true; s.textOffset = 1 << 24; }), "text offset 16777216"},
        {with([](FntSpec &s) { s.text = "[Map]\nA\n"; }), "no [Def] group"},
        {with([](FntSpec &s) { s.text = "[Def]\nsize = 4,5\ncolors = 1\n"; }), "no [Map] group"},
        {with([](FntSpec &s) { s.text = FntDefText({"size = 0,5", "colors = 1"}, {"A"}); }), "size must be nonzero"},
        {with([](FntSpec &s) { s.text = FntDefText({"size = 4", "colors = 1"}, {"A"}); }), "size must be nonzero"},
        {with([](FntSpec &s) { s.text = FntDefText({"size = 4,5"}, {"A"}); }), "colors must be nonzero"},
    };
    for (auto &c : cases) {
        LibErrorMsg[0] = 0;
        EXPECT_EQ(LoadText(c.bytes), nullptr) << c.reason;
        std::string msg = LibErrorMsg;
        EXPECT_NE(msg.find(c.reason), std::string::npos) << msg;
        EXPECT_NE(msg.find("in font file f.fnt"), std::string::npos) << msg;
    }
    EXPECT_EQ(FontLoad("missing.fnt"), nullptr);
    EXPECT_STREQ(LibErrorMsg, "Can't open font file missing.fnt");
    MakeDirs("adir.fnt");
    EXPECT_EQ(FontLoad("adir.fnt"), nullptr);
    FontFree(nullptr);
}

TEST_F(FontTest, TextWidths)
{
    Font *f = LoadText(FontFile());
    ASSERT_NE(f, nullptr) << LibErrorMsg;
    struct { const char *text; int line, widest; } cases[] = {
        {"", 0, 0},
        {"A", 3, 3},
        {"AB", 8, 8},             // 3 + 1 + 4
        {"A C", 11, 11},          // the space is size w: 3 + 1 + 4 + 1 + 2
        {"AB\nABC", 8, 11},
        {"C\n\nABCA", 2, 15},
        {"zz", 1, 1},             // undefined characters are 0 wide but still spaced
    };
    for (auto &c : cases) {
        EXPECT_EQ(FontLineWidth(f, c.text), c.line) << c.text;
        EXPECT_EQ(FontTextWidth(f, c.text), c.widest) << c.text;
    }
    f->spacingX = -1;
    EXPECT_EQ(FontLineWidth(f, "AB"), 6);
    FontFree(f);
}

// ---------------------------------------------------------------- drawing

class FontDraw : public TempDirTest {
protected:
    BITMAP *bmp = nullptr;
    std::vector<int> rows;
    Font *font = nullptr;
    const uint16_t bg = Rgb565(1, 2, 3);

    void SetUp() override
    {
        TempDirTest::SetUp();
        bmp = PixCanvas(bg);
        PixVbufTargetSet(bmp, &rows);
        PalFxGlobalInit();
        font = LoadText(FontFile());
        ASSERT_NE(font, nullptr) << LibErrorMsg;
    }
    void TearDown() override
    {
        FontFree(font);
        vbufTarget = VbufTarget{};
        destroy_bitmap(bmp);
        PalFxGlobalFree();
        TempDirTest::TearDown();
    }
    // Colour of glyph k (0 A, 1 B, 2 C) in a bank of 16.
    static uint16_t BankColour(int bank, int k) { return FntStripColour(256 - 16 * (bank + 1) + 10 + k); }
    // Checks one glyph cell: its top-left pixel untouched, the rest in the colour.
    ::testing::AssertionResult Glyph(int x0, int top, int w, uint16_t colour)
    {
        for (int y = top; y < top + 5; y++)
            for (int x = x0; x < x0 + w; x++) {
                uint16_t want = (x == x0 && y == top) ? bg : colour;
                if (PixGet(bmp, x, y) != want) {
                    PixSavePcx(bmp, "font-glyph");
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << PixGet(bmp, x, y)
                                                         << ", want " << want;
                }
            }
        return ::testing::AssertionSuccess();
    }
    int Changed() { return PixDrawn(bmp, bg); }
    // Leftmost changed column, -1 when nothing was drawn.
    int Leftmost()
    {
        for (int x = 0; x < PIX_W; x++)
            for (int y = 0; y < PIX_H; y++)
                if (PixGet(bmp, x, y) != bg)
                    return x;
        return -1;
    }
    void Clear() { clear_to_color(bmp, bg); }
};

TEST_F(FontDraw, BankDrawsGlyphColumnsThroughTheBankPalette)
{
    FontDrawBankL("AB\nC", font, 10, 20, 2);
    // y is the bottom row: rows 16..20; B starts after A's 3 columns and 1 spacing.
    EXPECT_TRUE(Glyph(10, 16, 3, BankColour(2, 0)));
    EXPECT_TRUE(Glyph(14, 16, 4, BankColour(2, 1)));
    // The next line is size h + spacing y lower.
    EXPECT_TRUE(Glyph(10, 23, 2, BankColour(2, 2)));
    EXPECT_EQ(Changed(), 14 + 19 + 9);

    // The full palette after the 16 banks is a bank too; one past it is not.
    Clear();
    FontDrawBank("A", font, 10, 20, 1, 16);
    EXPECT_TRUE(Glyph(10, 16, 3, FntStripColour(10)));
    Clear();
    for (int bank : {17, -1, 1000}) {
        FontDrawBankL("AB", font, 10, 20, bank);
        FontDrawTextBank("AB", font, 10, 20, bank);
    }
    EXPECT_EQ(Changed(), 0);

    // Offsets move the pen and the rows.
    font->offsetX = 5;
    font->offsetY = 3;
    FontDrawTextBank("A\nB", font, 10, 20, 0);
    EXPECT_TRUE(Glyph(15, 13, 3, BankColour(0, 0)));
    EXPECT_EQ(Changed(), 14);
}

TEST_F(FontDraw, AlignmentTabsAndReturns)
{
    // "AB" is 8 wide; centre shifts by 4, right ends at x.
    struct { int align; int left; } cases[] = {{1, 100}, {0, 96}, {-1, 93}, {5, 100}, {-7, 93}};
    for (auto &c : cases) {
        Clear();
        FontDrawBank("AB", font, 100, 50, c.align, 0);
        EXPECT_EQ(Leftmost(), c.left) << c.align;
        Clear();
        FontDrawText("AB", font, 100, 50, c.align, -1, FONT_NO_BANK);
        EXPECT_EQ(Leftmost(), c.left) << c.align;
    }

    // A 10-wide line centred at 100 starts at 95: size w 4 makes a space 4
    // wide, so "C C" is 2 + 1 + 4 + 1 + 2.
    Clear();
    FontDrawBankC("C C", font, 100, 50, 0);
    EXPECT_EQ(Leftmost(), 95);

    // Tab stops are 4 x (size w + spacing x) apart from the line start: with
    // size w 6 and spacing 0, a tab after a 5-wide glyph moves to 24.
    font->sizeW = 6;
    font->spacingX = 0;
    font->width['A'] = 5;
    font->startX['A'] = 0;
    Clear();
    FontDrawBankL("A\tC", font, 10, 50, 0);
    EXPECT_EQ(PixGet(bmp, 34, 47), BankColour(0, 2));
    EXPECT_EQ(PixGet(bmp, 33, 47), bg);
    // A carriage return counts nothing; a leading tab goes to the first stop.
    Clear();
    FontDrawBankL("\r\tC", font, 10, 50, 0);
    EXPECT_EQ(Leftmost(), 34);
    // Right alignment measures tabs the same way.
    Clear();
    FontDrawBankR("A\tC", font, 100, 50, 0);
    // The last column lands on x.
    EXPECT_EQ(PixGet(bmp, 100, 47), BankColour(0, 2));
    EXPECT_EQ(PixGet(bmp, 101, 47), bg);
    EXPECT_EQ(PixGet(bmp, 98, 47), bg);
}

TEST_F(FontDraw, ClippingAndOutOfImageGlyphs)
{
    // A first line below the clip draws nothing; nor do later lines.
    VbufClipSet(0, 0, 319, 99);
    FontDrawBankL("A\nB", font, 10, 104, 0);
    FontDrawTextL("A\nB", font, 10, 104, -1);
    EXPECT_EQ(Changed(), 0);
    // A line whose top row is on the clip draws its visible rows.
    FontDrawBankL("A", font, 10, 103, 0);
    EXPECT_EQ(Changed(), 2);
    int clip[4];
    VbufClipSave(clip);
    EXPECT_EQ(clip[3], 99);

    // Columns and rows outside the clip are left alone.
    Clear();
    VbufClipSet(11, 17, 15, 19);
    FontDrawBankL("AB", font, 10, 20, 0);
    FontDrawTextL("AB", font, 10, 30, -1);
    EXPECT_EQ(Changed(), (2 + 2) * 3);
    VbufClipSet(0, 0, 319, 239);

    // Map entries pointing past the image draw only the columns inside it;
    // rows below a short image are not read.
    Clear();
    font->startX['Z'] = 7;
    font->width['Z'] = 50;
    font->startX['Y'] = -2;
    font->width['Y'] = 4;
    font->sizeH = 12;
    FontDrawBankL("Z", font, 10, 30, 0);
    EXPECT_EQ(PixGet(bmp, 11, 20), BankColour(0, 2));
    EXPECT_EQ(Changed(), 2 * 5 - 1);
    Clear();
    FontDrawBankL("Y", font, 10, 30, 0);
    EXPECT_EQ(PixGet(bmp, 11, 19), bg);
    EXPECT_EQ(PixGet(bmp, 12, 19), bg);  // A's transparent corner
    EXPECT_EQ(PixGet(bmp, 13, 19), BankColour(0, 0));
    EXPECT_EQ(Changed(), 2 * 5 - 1);

    // Glyphs far off the target draw nothing and crash nothing.
    Clear();
    FontDrawBankL("ABC", font, -5000, 20, 0);
    FontDrawTextL("ABC", font, 5000, 20, -1);
    FontDrawTextL("ABC", font, 10, -5000, -1);
    EXPECT_EQ(Changed(), 0);
}

TEST_F(FontDraw, MeasuresOutOfAnyImagesRangeAreBoundedAndLongLinesSaturate)
{
    // Sizes, spacings and map entries far past any glyph image are read
    // bounded; the running start adds bounded widths; a long line of wide
    // glyphs measures and draws, and lines that climb draw, without a sum
    // wrapping.
    FontFree(font);
    std::string text = FntDefText({"size = 99999,1", "spacing = 5,-2147483648", "colors = 16", "offset = 0,0"},
                                  {"A 2000000000 2000000000", "B", "C -2147483648 7", "D"});
    font = LoadText(FontFile(text));
    ASSERT_NE(font, nullptr) << LibErrorMsg;
    EXPECT_EQ(font->sizeW, 32767);
    EXPECT_EQ(font->spacingY, -32767);
    struct { int c, start, width; } chars[] = {
        {'A', 32767, 32767}, {'B', 32767, 32767}, {'C', -32767, 7}, {'D', 32767, 32767},
    };
    for (auto &c : chars) {
        EXPECT_EQ(font->startX[c.c], c.start) << (char)c.c;
        EXPECT_EQ(font->width[c.c], c.width) << (char)c.c;
    }
    std::string wide(70000, 'A');
    EXPECT_EQ(FontLineWidth(font, wide.c_str()), 1 << 30);
    EXPECT_EQ(FontTextWidth(font, (wide + "\nA").c_str()), 1 << 30);
    std::string lines = wide + "\t" + wide;
    for (int i = 0; i < 70000; i++)
        lines += "\nB\tC";
    for (int alignment : {-1, 0, 1}) {
        FontDrawText(lines.c_str(), font, 10, 20, alignment, 0x1234, FONT_NO_BANK);
        FontDrawText(lines.c_str(), font, 10, 20, alignment, 0, 0);
    }
}

TEST_F(FontDraw, ColourDrawClipsTheStripToEachCell)
{
    VbufClipSet(2, 3, 300, 200);
    // Own colours come from the image's palette, bank 0; each glyph cell
    // shows only its own columns of the strip.
    FontDrawTextL("AB\nC", font, 10, 20, -1);
    EXPECT_TRUE(Glyph(10, 16, 3, BankColour(0, 0)));
    EXPECT_TRUE(Glyph(14, 16, 4, BankColour(0, 1)));
    EXPECT_TRUE(Glyph(10, 23, 2, BankColour(0, 2)));
    EXPECT_EQ(Changed(), 14 + 19 + 9);
    int clip[4];
    VbufClipSave(clip);
    EXPECT_EQ(clip[0], 2);
    EXPECT_EQ(clip[1], 3);
    EXPECT_EQ(clip[2], 300);
    EXPECT_EQ(clip[3], 200);

    // A colour draws the glyphs' shapes in it.
    Clear();
    const uint16_t red = Rgb565(31, 0, 0);
    FontDrawTextR("AB", font, 100, 50, red);
    EXPECT_TRUE(Glyph(93, 46, 3, red));
    EXPECT_TRUE(Glyph(97, 46, 4, red));
    EXPECT_EQ(Changed(), 14 + 19);

    // The colour passes the global palette effect.
    Clear();
    PalFxGlobalInvertSet(1);
    PalFxGlobalCommit();
    uint16_t shown = PalFxColor565(red);
    ASSERT_NE(shown, red);
    FontPrintfL(font, 10, 20, red, "%c", 'A');
    EXPECT_TRUE(Glyph(10, 16, 3, shown));
    PalFxGlobalReset();
    PalFxGlobalCommit();

    // Printf forms format before drawing; a bank form draws in the bank.
    Clear();
    FontPrintfR(font, 100, 20, red, "%s%c", "A", 'B');
    EXPECT_TRUE(Glyph(97, 16, 4, red));
    Clear();
    FontPrintfBankL(font, 10, 20, 3, "%d", 7);  // '7' is not in the map: 0 wide
    EXPECT_EQ(Changed(), 0);
    FontPrintfBankL(font, 10, 20, 3, "%s", "C");
    EXPECT_TRUE(Glyph(10, 16, 2, BankColour(3, 2)));
}
