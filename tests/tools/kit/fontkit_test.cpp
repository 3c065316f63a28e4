// The font-file writer read back through the engine's font loader.
#include "kit/fontkit.h"

#include <gtest/gtest.h>

#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "support/testkit.h"

namespace {

class FontKit : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
};

TEST_F(FontKit, GlyphStripHeaderAndMapReadBack)
{
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip({2, 5, 3}, 4, 7));
    s.text = FntDefText({"size = 4,4", "spacing = 1,2", "colors = 1", "offset = 0,-1"},
                        {"0x41 0 2", "B", "c 7"});
    WriteFileText("k.fnt", FntBytes(s));
    Font *font = FontLoad("k.fnt");
    ASSERT_NE(font, nullptr) << LibErrorMsg;
    EXPECT_EQ(font->sizeW, 4);
    EXPECT_EQ(font->spacingY, 2);
    EXPECT_EQ(font->offsetY, -1);
    EXPECT_EQ(font->startX['A'], 0);
    EXPECT_EQ(font->width['A'], 2);
    EXPECT_EQ(font->startX['B'], 2) << "the running sum";
    EXPECT_EQ(font->width['B'], 4) << "the size's width";
    EXPECT_EQ(font->startX['c'], 7);
    const SprImage *img = SprSetImageAt(font->glyphs, 0);
    ASSERT_EQ(img->width, 10);
    ASSERT_EQ(img->height, 4);
    const uint8_t *px = (const uint8_t *)SprImageSrcPixels(font->glyphs, 0);
    EXPECT_EQ(px[0], 0) << "each glyph's top-left pixel is transparent";
    EXPECT_EQ(px[1], 7);
    EXPECT_EQ(px[10 + 3], 8);
    EXPECT_EQ(px[3 * 10 + 9], 9);
    SprImagePixelsDone(px);
    FontFree(font);

    // The header's offsets are relative to the header, wherever it starts.
    s.prefix = std::string(33, 'x');
    WriteFileText("p.fnt", FntBytes(s).substr(33));
    font = FontLoad("p.fnt");
    EXPECT_NE(font, nullptr);
    FontFree(font);
}

} // namespace
