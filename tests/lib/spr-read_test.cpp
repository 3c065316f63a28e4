// Sprite file reader: linked images, shared palettes, load settings, stream positions, selective loads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/vfile.h"
#include "support/testkit.h"

class SprReadTest : public TempDirTest {
protected:
    void TearDown() override
    {
        SprReadSetLoadDepth(0);
        SprReadSetLoadToMemory(0);
        TempDirTest::TearDown();
    }
};

static SffEntry Stored(int group, int number, const PcxSpec &pcx, bool samePal = false, int x = 0, int y = 0)
{
    SffEntry e;
    e.group = group;
    e.number = number;
    e.pcx = PcxBytes(pcx);
    e.samePal = samePal;
    e.x = x;
    e.y = y;
    return e;
}

static SffEntry Linked(int group, int number, int index, int x = 0, int y = 0)
{
    SffEntry e;
    e.group = group;
    e.number = number;
    e.linked = true;
    e.linkIndex = index;
    e.x = x;
    e.y = y;
    return e;
}

static PcxSpec TrueColor(int w, int h)
{
    PcxSpec s;
    s.width = w;
    s.height = h;
    s.planes = 3;
    s.pixels.assign((size_t)w * h * 3, 9);
    return s;
}

// Loads from a memory stream starting after `prefix`; checks the stream comes back there.
static SprSet *LoadMem(const std::string &bytes, size_t prefix = 0)
{
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    VFileSeek(f, (long)prefix, 0);
    SprSet *set = SprLoadStream(f);
    EXPECT_EQ(VFileTell(f), (long)prefix);
    VFileClose(f);
    return set;
}

TEST_F(SprReadTest, SharedPalettesAndLinkedImages)
{
    std::vector<SffEntry> entries = {
        Stored(0, 0, PcxPattern(4, 2, 1), true, 3, 4),   // same-palette flag on the first image: still reads
        Stored(0, 1, PcxPattern(2, 2, 2), true),          // shares palette (0, 0)
        Stored(0, 2, TrueColor(2, 1), true),              // 24-bit: no palette, last palette unchanged
        Stored(0, 3, PcxPattern(1, 1, 3), true),          // still palette (0, 0)
        Stored(1, 0, PcxPattern(3, 1, 4)),                // own palette (0, 1)
        Linked(5, 5, 0, -7, 8),
    };
    SffOptions opt;
    opt.prefix = "PREFIX";
    SprSet *set = LoadMem(SffBytes(entries, opt), 6);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->version, 0x01000100);
    EXPECT_EQ(SprSetImageCount(set), 6);
    EXPECT_EQ(SprSetPalCount(set), 2);
    EXPECT_EQ(SprSetFindPal(set, 0, 1), 1);
    const SprImage *first = SprSetImageGet(set, 0, 0);
    EXPECT_EQ(first->width, 4);
    EXPECT_EQ(first->xAxis, 3);
    EXPECT_EQ(first->ownsPixels, 1);
    EXPECT_EQ(first->palIndex, 0);
    EXPECT_EQ(((const unsigned char *)first->pixels)[5], 6);
    EXPECT_EQ(SprSetImageGet(set, 0, 1)->palIndex, 0);
    EXPECT_EQ(SprSetImageGet(set, 0, 2)->palIndex, -1);
    EXPECT_EQ(SprSetImageGet(set, 0, 2)->bpp, 24);
    EXPECT_EQ(SprSetImageGet(set, 0, 3)->palIndex, 0);
    EXPECT_EQ(SprSetImageGet(set, 1, 0)->palIndex, 1);
    EXPECT_EQ(SprSetPalAt(set, 1)->data[1], 4);
    // The linked image keeps its key and axis and draws the first image's pixels and palette.
    EXPECT_EQ(SprSetFindImage(set, 5, 5), 5);
    const SprImage *link = SprSetImageAt(set, 5);
    EXPECT_EQ(link->pixels, first->pixels);
    EXPECT_EQ(link->palIndex, 0);
    EXPECT_EQ(link->xAxis, -7);
    EXPECT_EQ(link->yAxis, 8);
    EXPECT_EQ(link->ownsPixels + link->ownsRows, 0);
    EXPECT_EQ(SprSetFree(set), 1);
}

TEST_F(SprReadTest, HeaderChecksAndEmptyFiles)
{
    SprSet *empty = LoadMem(SffBytes({}));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SprSetImageCount(empty), 0);
    EXPECT_EQ(empty->version, 0x01000100);
    SprSetFree(empty);

    // A negative image count reads as none.
    SffOptions neg;
    neg.countOverride = true;
    neg.imageCount = -5;
    SprSet *none = LoadMem(SffBytes({Stored(0, 0, PcxPattern(1, 1, 0))}, neg));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(SprSetImageCount(none), 0);
    SprSetFree(none);

    SffOptions noZero, version, huge;
    noZero.magic = "TarnwickSprX";
    version.version = 0x01000101;
    // More images than the file could hold: refused without a huge allocation.
    huge.countOverride = true;
    huge.imageCount = 0x7FFFFFFF;
    std::string one = SffBytes({Stored(0, 0, PcxPattern(1, 1, 0))}, huge);
    LibOutOfMemory = 0;
    for (const std::string &bytes : {SffBytes({}, noZero), SffBytes({}, version), SffBytes({}).substr(0, 300), one})
        EXPECT_EQ(LoadMem("ab" + bytes, 2), nullptr);
    EXPECT_EQ(LibOutOfMemory, 0);
}

TEST_F(SprReadTest, BadOffsetsAndLinks)
{
    std::string bytes = SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), Stored(0, 1, PcxPattern(2, 2, 0))});
    // The first subfile's next offset points outside the file, then before its start.
    for (uint32_t next : {0x7FFFFFF0u, 0xFFFFFF00u}) {
        std::string bad = bytes;
        for (int i = 0; i < 4; i++)
            bad[512 + i] = (char)((next >> (8 * i)) & 255);
        EXPECT_EQ(LoadMem(bad), nullptr);
    }
    // Links to itself, to a later subfile, to a negative index or to a dropped
    // image leave that image out; the others load.
    SprSet *set = LoadMem(SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), Linked(1, 0, 1), Linked(1, 1, 3),
                                    Linked(1, 2, -1), Linked(1, 3, 1), Linked(1, 4, 0)}));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 2);
    EXPECT_EQ(SprSetFindImage(set, 1, 0), -1);
    EXPECT_EQ(SprSetFindImage(set, 1, 3), -1);
    EXPECT_EQ(SprSetImageGet(set, 1, 4)->pixels, SprSetImageGet(set, 0, 0)->pixels);
    SprSetFree(set);
    // A broken image fails the whole load.
    SffEntry broken = Stored(0, 1, PcxPattern(2, 2, 0));
    broken.pcx[3] = 4;
    EXPECT_EQ(LoadMem(SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), broken})), nullptr);
}

TEST_F(SprReadTest, LoadDepthMemoryFlagAndFiles)
{
    std::string bytes = SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), Stored(0, 1, PcxPattern(2, 2, 1), true)});
    MakeDirs("chars");
    WriteFileText("chars/Kid.SFF", bytes);
    WriteFileText("face.pcx", PcxBytes(PcxPattern(3, 2, 7)));
    WriteFileText("face.bmp", PcxBytes(PcxPattern(3, 2, 7)));

    // Settings made on this thread hold for a load on another thread, as for
    // a character loaded by the pre-caching thread.
    SprReadSetLoadDepth(16);
    SprReadSetLoadToMemory(1);
    SprSet *set = nullptr;
    int otherMemory = -1;
    std::thread([&] {
        otherMemory = SprReadLoadToMemory();
        set = SprLoad("chars\\kid.sff");
    }).join();
    EXPECT_EQ(otherMemory, 1);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetPalCount(set), 0);
    EXPECT_EQ(SprSetImageAt(set, 0)->palIndex, -1);
    EXPECT_EQ(SprSetImageAt(set, 1)->palIndex, -1);
    SprSetFree(set);
    SprReadSetLoadDepth(0);

    for (int memory : {0, 1}) {
        SprReadSetLoadToMemory(memory);
        set = SprLoad("chars/kid.sff");
        ASSERT_NE(set, nullptr) << memory;
        EXPECT_EQ(SprSetPalCount(set), 1);
        SprSetFree(set);
        SprSet *pcx = SprLoad("face.pcx");
        ASSERT_NE(pcx, nullptr) << memory;
        const SprImage *img = SprSetImageGet(pcx, 0, 0);
        EXPECT_EQ(img->width, 3);
        EXPECT_EQ(img->ownsPixels, 0);
        EXPECT_EQ(img->pixels, pcx->raw);
        EXPECT_EQ(img->palIndex, 0);
        EXPECT_EQ(img->xAxis, 0);
        SprSetFree(pcx);
        EXPECT_EQ(SprLoad("missing.sff"), nullptr);
    }
    EXPECT_EQ(SprLoad("face.bmp"), nullptr);
}

TEST_F(SprReadTest, PcxStreamSet)
{
    std::string bytes = PcxBytes(TrueColor(2, 2));
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    SprSet *set = SprLoadPcxStream(f, 5, 6);
    VFileClose(f);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetPalCount(set), 0);
    EXPECT_EQ(SprSetImageAt(set, 0)->bpp, 24);
    EXPECT_EQ(SprSetImageAt(set, 0)->yAxis, 6);
    EXPECT_EQ(SprSetImageAt(set, 0)->palIndex, -1);
    SprSetFree(set);
}

static SprSet *LoadSelected(const std::string &bytes, std::vector<int> list)
{
    list.push_back(-1);
    list.push_back(-1);
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    SprSet *set = SprLoadSelectedStream(f, list.data());
    EXPECT_EQ(VFileTell(f), 0);
    VFileClose(f);
    return set;
}

TEST_F(SprReadTest, SelectiveLoads)
{
    // The file claims one subfile more than it holds: reading past the last one fails.
    SffOptions oneMore;
    oneMore.countOverride = true;
    oneMore.imageCount = 5;
    std::string bytes = SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), Stored(9000, 0, PcxPattern(3, 3, 1)),
                                  Stored(9000, 1, PcxPattern(2, 1, 2), true), Linked(9000, 2, 1, 4, 5)},
                                 oneMore);
    // Stops once every listed key is found, so the missing subfile is never read;
    // a key listed twice counts once.
    SprSet *set = LoadSelected(bytes, {9000, 1, 9000, 0, 9000, 1});
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 2);
    EXPECT_EQ(SprSetPalCount(set), 1);
    EXPECT_EQ(SprSetImageGet(set, 9000, 0)->palIndex, 0);
    EXPECT_EQ(SprSetImageGet(set, 9000, 1)->palIndex, 0);
    EXPECT_EQ(SprSetImageGet(set, 9000, 1)->ownsPixels, 1);
    SprSetFree(set);

    // A listed linked image decodes the image it names into pixels of its own.
    set = LoadSelected(bytes, {9000, 2});
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(SprSetImageCount(set), 1);
    const SprImage *img = SprSetImageGet(set, 9000, 2);
    EXPECT_EQ(img->width, 3);
    EXPECT_EQ(img->xAxis, 4);
    EXPECT_EQ(img->ownsPixels, 1);
    EXPECT_EQ(img->palIndex, 0);
    EXPECT_EQ(((const unsigned char *)img->pixels)[8], 9);
    SprSetFree(set);

    // An absent key reads the whole chain (and meets the missing subfile).
    EXPECT_EQ(LoadSelected(bytes, {0, 0, 1, 1}), nullptr);
    std::string good = SffBytes({Stored(0, 0, PcxPattern(2, 2, 0)), Stored(1, 0, PcxPattern(1, 1, 0))});
    set = LoadSelected(good, {1, 0, 7, 7});
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 1);
    SprSetFree(set);
    set = LoadSelected(good, {});
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 0);
    SprSetFree(set);

    WriteFileText("sel.sff", good);
    int list[] = {0, 0, -1, 0};
    set = SprLoadSelected("SEL.sff", list);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 1);
    SprSetFree(set);
    EXPECT_EQ(SprLoadSelected("nothing.sff", list), nullptr);
}

// A few kilobytes of subfiles, each declaring an 8192 x 1024 image that its
// data cannot fill: a load decodes at most 64 bytes per byte of the file, and
// never less than the largest single image, so seven such images load (mostly
// zeros, as a short image does) and nine fail the load, whole or selectively,
// instead of claiming memory the file holds no picture for.
TEST_F(SprReadTest, ImagesClaimingFarMoreThanTheFileHoldsFailTheLoad)
{
    auto claims = [](int count) {
        std::vector<SffEntry> entries;
        PcxSpec tiny = PcxPattern(1, 1, 0);
        tiny.marker = false;
        for (int i = 0; i < count; i++) {
            SffEntry e = Stored(0, i, tiny, i > 0);
            const unsigned char big[4] = {0xFF, 0x1F, 0xFF, 0x03};  // xmax 8191, ymax 1023
            memcpy(&e.pcx[8], big, sizeof big);
            entries.push_back(e);
        }
        return SffBytes(entries);
    };
    std::string seven = claims(7), nine = claims(9);
    ASSERT_LT(nine.size(), 4096u);
    SprSet *set = LoadMem(seven);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 7);
    EXPECT_EQ(SprSetImageGet(set, 0, 6)->width, 8192);
    EXPECT_EQ(SprSetImageGet(set, 0, 6)->height, 1024);
    SprSetFree(set);
    EXPECT_EQ(LoadMem(nine), nullptr);

    std::vector<int> all;
    for (int i = 0; i < 9; i++)
        all.insert(all.end(), {0, i});
    EXPECT_EQ(LoadSelected(nine, all), nullptr);
    set = LoadSelected(nine, {0, 0, 0, 8});
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(SprSetImageCount(set), 2);
    SprSetFree(set);
}
