// PCX decoding: runs, padding, palettes with and without the marker, 24-bit planes, refusals.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/pcx.h"
#include "lib/vfile.h"
#include "support/testkit.h"

// Decodes the PCX found after `skip` bytes of the block.
struct Decoded {
    unsigned char *pixels = nullptr;
    int w = -1, h = -1, bpp = -1, len = -1;
    long posAfter = -1;
    Palette pal;
    Decoded() { memset(&pal, 0, sizeof pal); }
    ~Decoded()
    {
        MemFree(pixels);
        PalFree(&pal);
    }
};

static void Decode(const std::string &bytes, Decoded *d, bool withPal = true, long skip = 0)
{
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    ASSERT_NE(f, nullptr);
    VFileSeek(f, skip, 0);
    d->pixels = PcxDecode(f, &d->w, &d->h, &d->bpp, &d->len, withPal ? &d->pal : nullptr);
    d->posAfter = VFileTell(f);
    VFileClose(f);
}

TEST(PcxTest, EightBitWithPaddingRunsAndPalette)
{
    PcxSpec spec = PcxPattern(5, 3, 250);   // values from 250 up wrap through 0xC0+ values
    spec.pixels[1] = spec.pixels[2] = spec.pixels[3] = 0xC5;   // a run
    spec.bytesPerLine = 8;
    spec.padValue = 0x77;
    std::string bytes = "junk" + PcxBytes(spec) + "tail";
    Decoded d;
    Decode(bytes, &d, true, 4);
    ASSERT_NE(d.pixels, nullptr);
    EXPECT_EQ(d.w, 5);
    EXPECT_EQ(d.h, 3);
    EXPECT_EQ(d.bpp, 8);
    EXPECT_EQ(d.len, 15);
    EXPECT_EQ(d.posAfter, 4);
    EXPECT_EQ(std::vector<unsigned char>(d.pixels, d.pixels + 15), spec.pixels);
    EXPECT_EQ(d.pal.count, 256);
    EXPECT_EQ(d.pal.ownsData, 1);
    EXPECT_EQ(d.pal.data[4 * 9], 9);
    EXPECT_EQ(d.pal.data[4 * 9 + 1], 250);
    EXPECT_EQ(d.pal.data[4 * 9 + 2], 246);
    EXPECT_EQ(d.pal.data[4 * 9 + 3], 255);
}

static std::string Header(int w, int h, int planes, int bpl)
{
    PcxSpec s;
    s.width = w;
    s.height = h;
    s.planes = planes;
    s.bytesPerLine = bpl;
    s.marker = false;
    return PcxBytes(s).substr(0, 128);
}

TEST(PcxTest, HandMadeRunsAndMissingMarker)
{
    // Row 0: a count-0 run (nothing), a run of 5 that is cut at the row end (4),
    // row 1: a single value then a run of 3.
    std::string bytes = Header(4, 2, 1, 4);
    for (int i = 0; i < 48; i++)
        bytes[16 + i] = (char)(i + 1);
    bytes += std::string("\xC0\x09\xC5\x11", 4);
    bytes += std::string("\x22\xC3\x33", 3);
    bytes += "xyz";   // no 12 marker after the data
    Decoded d;
    Decode(bytes, &d);
    ASSERT_NE(d.pixels, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(d.pixels, d.pixels + 8),
              (std::vector<unsigned char>{0x11, 0x11, 0x11, 0x11, 0x22, 0x33, 0x33, 0x33}));
    EXPECT_EQ(d.pal.data[0], 1);
    EXPECT_EQ(d.pal.data[4 * 15 + 2], 48);
    EXPECT_EQ(d.pal.data[4 * 16], 0);
    EXPECT_EQ(d.pal.data[4 * 255 + 1], 0);
}

TEST(PcxTest, ShortDataAndShortPalette)
{
    // The data stops in row 1: the rest stays 0 and the decode still succeeds.
    std::string bytes = Header(3, 3, 1, 3) + std::string("\xC3\x05\x06", 3);
    Decoded d;
    Decode(bytes, &d);
    ASSERT_NE(d.pixels, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(d.pixels, d.pixels + 9),
              (std::vector<unsigned char>{5, 5, 5, 6, 0, 0, 0, 0, 0}));

    // A marker followed by fewer than 256 colours leaves the rest black.
    std::string p = Header(1, 1, 1, 1) + std::string("\x01\x0c\x0a\x0b\x0c\x0d", 6);
    Decoded e;
    Decode(p, &e);
    ASSERT_NE(e.pixels, nullptr);
    EXPECT_EQ(e.pal.data[0], 10);
    EXPECT_EQ(e.pal.data[2], 12);
    EXPECT_EQ(e.pal.data[4], 13);
    EXPECT_EQ(e.pal.data[5], 0);
    EXPECT_EQ(e.pal.data[4 * 200], 0);
}

// Rows wide enough for runs to be written a few bytes ahead: every row still
// holds exactly its own runs, data that stops mid-row leaves zeros after the
// last run, and lines shorter than the image leave its right part zero.
TEST(PcxTest, WideRowsWithShortRunsAndCutData)
{
    std::string bytes = Header(21, 3, 1, 22);
    bytes += std::string("\xC3\x07\xC2\x08\x09\xC5\x0A\xCA\x0B\x00", 10);  // 3 + 2 + 1 + 5 + 10, one pad byte
    bytes += std::string("\xC3\x07\xC2\x08", 4);                          // then the data ends
    Decoded d;
    Decode(bytes, &d);
    ASSERT_NE(d.pixels, nullptr);
    std::vector<unsigned char> want(63, 0);
    const unsigned char row0[] = {7, 7, 7, 8, 8, 9, 10, 10, 10, 10, 10};
    memcpy(want.data(), row0, sizeof row0);
    memset(want.data() + 11, 11, 10);
    memcpy(want.data() + 21, row0, 5);
    EXPECT_EQ(std::vector<unsigned char>(d.pixels, d.pixels + 63), want);

    std::string narrow = Header(20, 2, 1, 12) + std::string("\xC4\x01\xC4\x02\xC4\x03\xC2\x05", 8);
    Decoded e;
    Decode(narrow, &e);
    ASSERT_NE(e.pixels, nullptr);
    std::vector<unsigned char> wantNarrow(40, 0);
    for (int i = 0; i < 12; i++)
        wantNarrow[i] = (unsigned char)(1 + i / 4);
    wantNarrow[20] = wantNarrow[21] = 5;
    EXPECT_EQ(std::vector<unsigned char>(e.pixels, e.pixels + 40), wantNarrow);
}

TEST(PcxTest, TwentyFourBitPlanes)
{
    TestAllegroStart();
    PcxSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.planes = 3;
    for (int i = 0; i < 6; i++) {
        spec.pixels.push_back((unsigned char)(10 + i));   // red
        spec.pixels.push_back((unsigned char)(20 + i));   // green
        spec.pixels.push_back((unsigned char)(30 + i));   // blue
    }
    Decoded d;
    Decode(PcxBytes(spec), &d);
    ASSERT_NE(d.pixels, nullptr);
    EXPECT_EQ(d.bpp, 24);
    EXPECT_EQ(d.len, 18);
    EXPECT_EQ(d.pal.count, 0);
    EXPECT_EQ(d.pal.data, nullptr);
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(d.pixels[3 * i + _rgb_r_shift_24 / 8], 10 + i);
        EXPECT_EQ(d.pixels[3 * i + _rgb_g_shift_24 / 8], 20 + i);
        EXPECT_EQ(d.pixels[3 * i + _rgb_b_shift_24 / 8], 30 + i);
    }
}

TEST(PcxTest, RefusedImages)
{
    std::string fourBit = Header(2, 2, 1, 2);
    fourBit[3] = 4;
    std::string twoPlanes = Header(2, 2, 2, 2);
    std::string empty = Header(2, 2, 1, 2);
    empty[8] = 0;
    empty[9] = 0;
    empty[4] = 5;   // x min 5 above x max 0
    std::string huge = Header(2, 2, 3, 2);
    for (int i : {8, 9, 10, 11})
        huge[i] = (char)0xFF;
    std::string shortHeader = Header(2, 2, 1, 2).substr(0, 100);
    LibOutOfMemory = 0;
    for (const std::string *b : {&fourBit, &twoPlanes, &empty, &huge, &shortHeader}) {
        Decoded d;
        Decode(*b, &d);
        EXPECT_EQ(d.pixels, nullptr);
        EXPECT_EQ(d.pal.data, nullptr);
    }
    EXPECT_EQ(LibOutOfMemory, 0);
}

// The 8-bit decoding as defined, one byte at a time: runs cut at each row's
// end, padding dropped, zeros where the data stops; then the palette bytes.
static std::vector<unsigned char> ReferenceDecode(const std::string &b, size_t at, int w, int h, int bpl,
                                                  std::vector<unsigned char> *rgb)
{
    std::vector<unsigned char> px((size_t)w * h, 0);
    size_t p = at + 128;
    auto get = [&]() { return p < b.size() ? (int)(unsigned char)b[p++] : -1; };
    bool ended = false;
    for (int y = 0; y < h && !ended; y++)
        for (int n = 0; n < bpl;) {
            int c = get(), count = 1;
            if (c >= 0 && (c & 0xC0) == 0xC0) {
                count = c & 0x3F;
                c = get();
            }
            if (c < 0) {
                ended = true;
                break;
            }
            for (; count > 0 && n < bpl; count--, n++)
                if (n < w)
                    px[(size_t)y * w + n] = (unsigned char)c;
        }
    rgb->assign(768, 0);
    int c;
    while ((c = get()) >= 0 && c != 12) {
    }
    if (c == 12)
        for (int i = 0; i < 768 && (c = get()) >= 0; i++)
            (*rgb)[i] = (unsigned char)c;
    else
        memcpy(rgb->data(), b.data() + at + 16, 48);
    return px;
}

// Random images of runs of every length (0 included), literal bytes, rows
// with and without padding, lines shorter than the image, data cut anywhere
// and palettes with and without their marker, large enough that runs and
// the palette straddle the decoder's read blocks, read from memory and from
// disk at an offset: each decodes as the byte-at-a-time definition gives it,
// and leaves the stream at the image's first byte.
class PcxFileTest : public TempDirTest {};

TEST_F(PcxFileTest, DecodesAsTheBytesDefine)
{
    std::mt19937 rng(103);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    for (int round = 0; round < 300; round++) {
        int w = 1 + pick(pick(3) ? 60 : 700), h = 1 + pick(pick(3) ? 8 : 40);
        int bpl = pick(5) == 0 ? 1 + pick(w + 1) : w + pick(3);
        std::string body;
        for (int produced = 0, total = bpl * h + pick(9); produced < total;) {
            int k = pick(10);
            if (k < 3) {
                int v = pick(192);
                body += (char)v;
                produced++;
            } else if (k == 3) {
                body += (char)0xC0;
                body += (char)pick(256);
            } else {
                int n = 1 + pick(k < 8 ? 9 : 63);
                body += (char)(0xC0 | n);
                body += (char)pick(256);
                produced += n;
            }
        }
        if (pick(4) == 0)
            body.resize((size_t)pick((int)body.size() + 1));
        if (pick(3))
            body += std::string((size_t)pick(4), '\x01') + '\x0c';
        for (int i = 0, n = pick(3) ? 768 : pick(768); i < n; i++)
            body += (char)pick(256);
        std::string head = Header(w, h, 1, bpl);
        for (int i = 16; i < 64; i++)
            head[i] = (char)pick(256);
        std::string bytes = std::string((size_t)pick(5000), 'x') + head + body;
        size_t at = bytes.size() - head.size() - body.size();
        std::vector<unsigned char> wantRgb;
        std::vector<unsigned char> want = ReferenceDecode(bytes, at, w, h, bpl, &wantRgb);
        WriteFileText("t.pcx", bytes);
        for (bool disk : {false, true}) {
            VFile *f = disk ? VFileOpen("t.pcx", "rb") : VFileOpenMem((void *)bytes.data(), bytes.size());
            ASSERT_NE(f, nullptr);
            VFileSeek(f, (long)at, 0);
            Decoded d;
            d.pixels = PcxDecode(f, &d.w, &d.h, &d.bpp, &d.len, &d.pal);
            long pos = VFileTell(f);
            VFileClose(f);
            ASSERT_NE(d.pixels, nullptr) << round;
            ASSERT_EQ(std::vector<unsigned char>(d.pixels, d.pixels + d.len), want)
                << "round " << round << (disk ? " from disk: " : " from memory: ") << w << "x" << h << ", lines of "
                << bpl << ", " << body.size() << " bytes";
            EXPECT_EQ(pos, (long)at);
            ASSERT_EQ(d.pal.count, 256);
            for (int i = 0; i < 256; i++)
                ASSERT_TRUE(d.pal.data[4 * i] == wantRgb[3 * i] && d.pal.data[4 * i + 1] == wantRgb[3 * i + 1] &&
                            d.pal.data[4 * i + 2] == wantRgb[3 * i + 2])
                    << "round " << round << " colour " << i;
        }
    }
}
