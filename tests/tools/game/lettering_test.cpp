// The game's fonts, made from its typefaces, read back through the engine's font loader and drawn.
#include "game/lettering.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include "game/glyphs.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

class Lettering : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        PalFxGlobalInit();
    }
    void TearDown() override
    {
        PalFxGlobalFree();
        TempDirTest::TearDown();
    }
    Font *Load(const LetterLook &look)
    {
        WriteFileText("t.fnt", LetterFontBytes(look));
        Font *f = FontLoad("t.fnt");
        EXPECT_NE(f, nullptr) << LibErrorMsg;
        return f;
    }
};

TEST_F(Lettering, EveryCharacterSitsInItsBoxOfTheStrip)
{
    struct Case {
        int face, scale;
        bool outline;
        int shadow;
    };
    for (Case c : {Case{LETTER_SMALL, 1, false, 0}, Case{LETTER_REGULAR, 1, false, 1}, Case{LETTER_REGULAR, 2, true, 0},
                   Case{LETTER_REGULAR, 3, true, 2}}) {
        LetterLook look;
        look.face = c.face;
        look.scale = c.scale;
        look.outline = c.outline;
        look.shadow = c.shadow;
        look.banks = {LetterBankOf(LETTER_WHITE)};
        Font *f = Load(look);
        ASSERT_NE(f, nullptr);
        int margin = c.outline ? 1 : 0;
        const SprImage *img = SprSetImageAt(f->glyphs, 0);
        EXPECT_EQ(img->height, LetterHeight(c.face, c.scale) + 2 * margin + c.shadow);
        EXPECT_EQ(f->sizeH, img->height);
        EXPECT_EQ(f->width[' '], f->sizeW);
        const uint8_t *px = (const uint8_t *)SprImageSrcPixels(f->glyphs, 0);
        int next = 0;
        for (int ch = 33; ch <= 126; ch++) {
            const Glyph *g = c.face == LETTER_SMALL ? GlyphSmall(ch) : GlyphRegular(ch);
            ASSERT_NE(g, nullptr) << ch;
            EXPECT_EQ(f->startX[ch], next) << ch;
            EXPECT_EQ(f->width[ch], g->width * c.scale + 2 * margin + c.shadow) << ch;
            next += f->width[ch];
            // Ink where the typeface has ink, at the glyph's scaled place.
            for (int y = 0; y < LetterHeight(c.face, 1); y++)
                for (int x = 0; x < g->width; x++) {
                    int at = (margin + y * c.scale) * img->width + f->startX[ch] + margin + x * c.scale;
                    int v = px[at];
                    if (GlyphInk(g, x, y)) {
                        EXPECT_GE(v, 2) << (char)ch << " at " << x << "," << y;
                    } else {
                        EXPECT_LT(v, 2) << (char)ch << " at " << x << "," << y;
                    }
                }
        }
        EXPECT_EQ(next, img->width);
        SprImagePixelsDone(px);
        FontFree(f);
    }
    // The small face has no small letters: they show as capitals.
    EXPECT_EQ(GlyphSmall('q'), GlyphSmall('Q'));
    EXPECT_EQ(GlyphRegular(' '), nullptr);
}

TEST_F(Lettering, BanksDrawTheSameGlyphsInTheirOwnColours)
{
    LetterLook look;
    look.outline = true;
    look.spacingX = 0;
    look.banks = {LetterBankOf(LETTER_WHITE), LetterBankOf(LETTER_RED), LetterBankOf(LETTER_BLUE)};
    Font *f = Load(look);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->colors, LETTER_BANK_COLORS);
    EXPECT_EQ(SprSetPalCount(f->glyphs), 256 / LETTER_BANK_COLORS + 1);

    BITMAP *canvas = PixCanvas(0);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    // "I" in the regular face: a bar three dots wide on top; its middle
    // column runs down the glyph. The top ink row takes the bank's top colour.
    for (int bank = 0; bank < 3; bank++) {
        VbufClear(0);
        FontDrawText("I", f, 10, 40, 1, -1, bank);
        LetterBank b = look.banks[(size_t)bank];
        uint16_t top = (uint16_t)((b.top[0] >> 3) << 11 | (b.top[1] >> 2) << 5 | (b.top[2] >> 3));
        uint16_t edge = (uint16_t)((b.edge[0] >> 3) << 11 | (b.edge[1] >> 2) << 5 | (b.edge[2] >> 3));
        int topRow = 40 - f->sizeH + 1 + 1;
        EXPECT_EQ(PixGet(canvas, 10 + 1 + 1, topRow), top) << "bank " << bank;
        EXPECT_EQ(PixGet(canvas, 10 + 1 + 1, topRow - 1), edge) << "bank " << bank;
        EXPECT_EQ(PixGet(canvas, 10, topRow - 1), edge) << "the outline takes the corners too";
        EXPECT_EQ(PixGet(canvas, 10 + f->width['I'], topRow), 0) << "nothing past the glyph's box";
    }
    vbufTarget = VbufTarget{};
    destroy_bitmap(canvas);
    FontFree(f);
}

TEST_F(Lettering, StampedTextIsAsWideAsMeasured)
{
    BITMAP *b = create_bitmap_ex(8, 200, 40);
    clear_to_color(b, 0);
    for (int scale : {1, 2}) {
        int w = LetterStamp(b, "Hi, there!", 0, 0, LETTER_REGULAR, scale, 5, 9);
        EXPECT_EQ(w, LetterWidth("Hi, there!", LETTER_REGULAR, scale));
        // The last column of ink is the last column of the "!".
        int last = -1;
        for (int x = 0; x < 200; x++)
            for (int y = 0; y < 40; y++)
                if (getpixel(b, x, y))
                    last = x;
        EXPECT_EQ(last, w - 1) << scale;
        clear_to_color(b, 0);
    }
    destroy_bitmap(b);
}

} // namespace
