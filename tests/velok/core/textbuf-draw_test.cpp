// Drawing a text line ring with a font: line order after wrapping, the current line, and bad indexes.
#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "support/fontkit.h"
#include "support/pixkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"

class TextBufDrawTest : public TempDirTest {
protected:
    BITMAP *bmp = nullptr;
    std::vector<int> rows;
    Font *font = nullptr;
    TextBuf *ring = nullptr;
    const uint16_t white = Rgb565(31, 63, 31);

    void SetUp() override
    {
        TempDirTest::SetUp();
        gv = new GameVars();
        bmp = PixCanvas(0);
        PixVbufTargetSet(bmp, &rows);
        PalFxGlobalInit();
        // One glyph "A", 3 wide and 5 high, in cells 4 x 5 with 1 pixel
        // between glyphs and 2 between lines.
        FntSpec s;
        s.pcx = PcxBytes(FntGlyphStrip({3}, 5, 200));
        s.text = FntDefText({"size = 4,5", "spacing = 1,2", "colors = 1"}, {"A 0 3"});
        WriteFileText("a.fnt", FntBytes(s));
        font = FontLoad("a.fnt");
        ASSERT_NE(font, nullptr) << LibErrorMsg;
        ring = TextBufCreate(77, 8);
    }
    void TearDown() override
    {
        TextBufFree(ring);
        FontFree(font);
        vbufTarget = VbufTarget{};
        destroy_bitmap(bmp);
        PalFxGlobalFree();
        delete gv;
        gv = nullptr;
        TempDirTest::TearDown();
    }
    // Glyphs drawn on a row: each "A" covers 3 columns of its bottom row.
    int GlyphsOnRow(int y)
    {
        int n = 0;
        for (int x = 0; x < PIX_W; x++)
            n += PixGet(bmp, x, y) == white;
        return n / 3;
    }
};

TEST_F(TextBufDrawTest, DrawsFromTheOldestLineAfterWrapping)
{
    // Nine lines into eight slots: the first is dropped, the current one is empty.
    for (int n = 1; n <= 9; n++)
        TextBufPrintf(ring, "%s\n", std::string(n, 'A').c_str());
    ASSERT_EQ(ring->oldest, 2);
    ASSERT_EQ(ring->current, 1);
    TextBufDraw(ring, font, 10, 20, white);
    for (int k = 0; k < 7; k++)
        EXPECT_EQ(GlyphsOnRow(20 + 7 * k), k + 3) << "line " << k;
    EXPECT_EQ(GlyphsOnRow(20 + 7 * 7), 0);
    // The line spacing rows stay empty.
    EXPECT_EQ(GlyphsOnRow(21), 0);
    EXPECT_EQ(GlyphsOnRow(22), 0);
    // Lines start at x.
    EXPECT_EQ(PixGet(bmp, 10, 20), white);
    EXPECT_EQ(PixGet(bmp, 9, 20), 0);

    // A current line with text is drawn after the complete ones.
    clear_to_color(bmp, 0);
    TextBufPrintf(ring, "AAAAAAAAAAAA");
    TextBufDraw(ring, font, 10, 20, white);
    EXPECT_EQ(GlyphsOnRow(20 + 7 * 7), 12);

    // An empty ring draws nothing.
    clear_to_color(bmp, 0);
    TextBufClear(ring);
    TextBufDraw(ring, font, 10, 20, white);
    for (int y = 0; y < PIX_H; y++)
        ASSERT_EQ(GlyphsOnRow(y), 0) << y;
}

TEST_F(TextBufDrawTest, LineIndexOutsideTheRingIsFatal)
{
    TextBufPrintf(ring, "A\nA\n");
    struct { int oldest, current; const char *box; } cases[] = {
        {8, 2, "Error message: 8 77 8\n"},
        {-1, 2, "Error message: -1 77 8\n"},
        {0, 8, "Error message: 8 77 8\n"},
        {0, -3, "Error message: -3 77 8\n"},
    };
    for (auto &c : cases) {
        EXPECT_EXIT(
            {
                ring->oldest = c.oldest;
                ring->current = c.current;
                TextBufDraw(ring, font, 10, 20, white);
            },
            testing::ExitedWithCode(1), c.box);
    }
}
