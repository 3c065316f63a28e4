// The sprite-file, PCX, palette and animation writers read back through the engine's own readers.
#include "kit/sprkit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "lib/anim-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/pcx.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/testkit.h"

namespace {

// An image whose pixel (x, y) is (x * 3 + y + seed) & 255, with palette p.
SffImage Picture(int group, int number, int w, int h, int seed, int p)
{
    SffImage img;
    img.group = group;
    img.number = number;
    img.x = w / 2;
    img.y = h - 1;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            img.pixels.push_back((unsigned char)((x * 3 + y + seed) & 255));
    for (int i = 0; i < 256; i++) {
        img.palette.push_back((unsigned char)i);
        img.palette.push_back((unsigned char)(p * 40));
        img.palette.push_back((unsigned char)(255 - i));
    }
    return img;
}

std::vector<uint8_t> PixelsOf(SprSet *set, int slot)
{
    const SprImage *img = SprSetImageAt(set, slot);
    const uint8_t *p = (const uint8_t *)SprImageSrcPixels(set, slot);
    std::vector<uint8_t> out(p, p + (size_t)img->width * img->height);
    SprImagePixelsDone(p);
    return out;
}

SprSet *Load(const std::string &bytes)
{
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    SprSet *set = f ? SprLoadStream(f) : nullptr;
    if (f)
        VFileClose(f);
    return set;
}

class SprKit : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
};

TEST_F(SprKit, PackedFileKeepsEveryImageAndSharesWhatRepeats)
{
    // 0 and 1 share a palette; 2 repeats 0 (kept as a link with its own key
    // and axis); 3 brings a new palette; 4 repeats 0's pixels under 3's
    // palette, which is a different picture sharing 3's palette; 5 goes back
    // to the first palette, which is then read again.
    std::vector<SffImage> images = {Picture(0, 0, 9, 5, 1, 0), Picture(0, 1, 4, 7, 2, 0), Picture(5, 2, 9, 5, 1, 0),
                                    Picture(1, 0, 6, 6, 3, 1), Picture(1, 1, 9, 5, 1, 1), Picture(2, 0, 3, 3, 4, 0)};
    images[2].x = -7;
    images[2].y = 11;
    SffPackStats st;
    std::string bytes = SffPack(images, &st);
    EXPECT_EQ(st.stored, 5);
    EXPECT_EQ(st.linked, 1);
    EXPECT_EQ(st.sharedPalettes, 2);

    SprSet *set = Load(bytes);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(SprSetImageCount(set), 6);
    EXPECT_EQ(SprSetPalCount(set), 3) << "palettes of images 0, 3 and 5";
    for (size_t i = 0; i < images.size(); i++) {
        int slot = SprSetFindImage(set, images[i].group, images[i].number);
        ASSERT_EQ(slot, (int)i);
        const SprImage *img = SprSetImageAt(set, slot);
        EXPECT_EQ(img->width, images[i].width) << i;
        EXPECT_EQ(img->height, images[i].height) << i;
        EXPECT_EQ(img->xAxis, images[i].x) << i;
        EXPECT_EQ(img->yAxis, images[i].y) << i;
        EXPECT_EQ(PixelsOf(set, slot), images[i].pixels) << i;
        const Palette *pal = SprSetPalAt(set, img->palIndex);
        ASSERT_NE(pal, nullptr) << i;
        const unsigned char *rgba = PalDataGet(pal);
        for (int c = 0; c < 256; c += 51)
            EXPECT_EQ(rgba[c * 4 + 1], images[i].palette[(size_t)c * 3 + 1]) << i << " colour " << c;
    }
    EXPECT_EQ(SprSetImageAt(set, 2)->pixels, SprSetImageAt(set, 0)->pixels) << "the link reuses the stored image";
    EXPECT_EQ(SprSetImageAt(set, 1)->palIndex, SprSetImageAt(set, 0)->palIndex);
    EXPECT_EQ(SprSetImageAt(set, 4)->palIndex, SprSetImageAt(set, 3)->palIndex);
    SprSetFree(set);

    // Sharing makes the file smaller than storing every image whole.
    std::vector<SffEntry> whole;
    for (const SffImage &img : images) {
        SffEntry e;
        PcxSpec p;
        p.width = img.width;
        p.height = img.height;
        p.pixels = img.pixels;
        p.palette = img.palette;
        e.pcx = PcxBytes(p);
        whole.push_back(e);
    }
    EXPECT_LT(bytes.size() + 2 * 769, SffBytes(whole).size());
}

// An image that asks for its own palette stores it although the image before
// has the same one, so the selective loader finds its colours when it reads
// that image alone; the image after it shares it again.
TEST_F(SprKit, ImageWithItsOwnPaletteLoadsAloneInItsColours)
{
    std::vector<SffImage> images = {Picture(0, 0, 9, 5, 1, 2), Picture(9000, 0, 4, 7, 2, 2), Picture(0, 1, 6, 6, 3, 2)};
    images[1].ownPalette = true;
    SffPackStats st;
    std::string bytes = SffPack(images, &st);
    EXPECT_EQ(st.sharedPalettes, 1) << "only the last image shares";

    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    ASSERT_NE(f, nullptr);
    const int list[] = {9000, 0, -1, -1};
    SprSet *set = SprLoadSelectedStream(f, list);
    VFileClose(f);
    ASSERT_NE(set, nullptr);
    const SprImage *img = SprSetImageGet(set, 9000, 0);
    ASSERT_NE(img, nullptr);
    const Palette *pal = SprSetPalAt(set, img->palIndex);
    ASSERT_NE(pal, nullptr);
    for (int c = 0; c < 256; c++)
        ASSERT_EQ(PalDataGet(pal)[c * 4 + 1], 80) << "colour " << c;
    SprSetFree(set);
}

TEST_F(SprKit, EmptyPackIsAnEmptySet)
{
    SprSet *set = Load(SffPack({}));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 0);
    SprSetFree(set);
}

TEST_F(SprKit, PcxPaletteAndAnimationWriters)
{
    // A PCX with odd width (padded rows) and runs longer than one count byte.
    PcxSpec spec = PcxPattern(7, 3, 200);
    spec.pixels.assign(21, 0xC5);
    std::string pcx = PcxBytes(spec);
    VFile *f = VFileOpenMem((void *)pcx.data(), (long)pcx.size());
    ASSERT_NE(f, nullptr);
    int w = 0, h = 0, bpp = 0, len = 0;
    Palette pal{};
    unsigned char *pixels = PcxDecode(f, &w, &h, &bpp, &len, &pal);
    VFileClose(f);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + len), spec.pixels);
    EXPECT_EQ(PalDataGet(&pal)[255 * 4 + 1], 200);
    MemFree(pixels);
    PalFree(&pal);

    std::vector<unsigned char> rgb;
    for (int i = 0; i < 768; i++)
        rgb.push_back((unsigned char)(i * 7));
    WriteFileText("p.act", ActFileBytes(rgb));
    unsigned char rgba[256 * 4];
    ASSERT_EQ(PalActLoad(rgba, "p.act"), 1);
    for (int c : {0, 1, 128, 255})
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(rgba[c * 4 + k], rgb[(size_t)c * 3 + k]) << c;

    WriteFileText("a.air", AirAction(7, {AirElemLine(1, 2, 3, -4, 5, "H", "AS128D64"), "loopstart",
                                         AirElemLine(9, 9, 0, 0, -1)}));
    AnimSet *anims = AnimLoadFile("a.air");
    ASSERT_NE(anims, nullptr) << LibErrorMsg;
    int slot = AnimSetFindAction(anims, 0, 7);
    ASSERT_GE(slot, 0);
    AnimAction *a = AnimSetActionAt(anims, slot);
    EXPECT_EQ(a->count, 2);
    EXPECT_EQ(a->total, -1);
    EXPECT_EQ(a->loopTime, 5);
    AnimSetFree(anims);
}

} // namespace
