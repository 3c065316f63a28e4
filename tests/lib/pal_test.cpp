// Palette effect formulas, lazy table conversion with the global effect, .act files.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vfile.h"
#include "support/testkit.h"
#include "support/zipkit.h"

static uint16_t Rgb565(int r, int g, int b)
{
    return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

static std::vector<unsigned char> OneColor(int r, int g, int b)
{
    return {(unsigned char)r, (unsigned char)g, (unsigned char)b, 255};
}

static uint16_t Through(const PalFxParams &fx, int r, int g, int b)
{
    auto c = OneColor(r, g, b);
    uint16_t out = 0;
    PalRgbTo565Fx(c.data(), &fx, &out, 0, 0);
    return out;
}

class PalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalModeSet(0);
        PalFxGlobalFree();
    }
    void TearDown() override
    {
        PalFxGlobalFree();
        PalModeSet(0);
    }
};

TEST_F(PalTest, EffectFormulas)
{
    struct Case {
        const char *name;
        PalFxParams fx;
        int r, g, b;
        uint16_t want;
    };
    PalFxParams n;
    PalFxParamsInit(&n);
    auto with = [&](auto f) { PalFxParams p = n; f(p); return p; };
    const Case cases[] = {
        {"neutral", n, 200, 100, 8, Rgb565(200, 100, 8)},
        {"invert white", with([](PalFxParams &p) { p.invert = 1; }), 255, 255, 255, 0},
        {"invert add 64", with([](PalFxParams &p) { p.invert = 1; p.addR = p.addG = p.addB = 64; }), 255, 255, 255,
         Rgb565(64, 64, 64)},
        {"grey red", with([](PalFxParams &p) { p.color = 0; }), 255, 0, 0, Rgb565(79, 79, 79)},
        {"mul 512", with([](PalFxParams &p) { p.mulR = p.mulG = p.mulB = 512; }), 200, 200, 200,
         Rgb565(255, 255, 255)},
        {"add -300", with([](PalFxParams &p) { p.addR = p.addG = p.addB = -300; }), 200, 200, 200, 0},
        {"half colour", with([](PalFxParams &p) { p.color = 128; }), 255, 0, 0,
         Rgb565((128 * 255 + 128 * 79) >> 8, (128 * 79) >> 8, (128 * 79) >> 8)},
        {"mul half add", with([](PalFxParams &p) { p.mulR = 128; p.mulG = 256; p.mulB = 256; p.addG = 10; }), 100, 100,
         100, Rgb565(50, 110, 100)},
        // Negative factors must not turn a negative sum into a bright colour.
        {"negative mul, negative add", with([](PalFxParams &p) { p.mulR = p.mulG = p.mulB = -256; p.addR = p.addG = p.addB = -300; }),
         200, 200, 200, 0},
        // Products beyond 32 bits still clamp at white.
        {"huge mul", with([](PalFxParams &p) { p.mulR = p.mulG = p.mulB = INT_MAX; p.addR = 1 << 20; }), 200, 200, 200,
         Rgb565(255, 255, 255)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Through(c.fx, c.r, c.g, c.b), c.want) << c.name;
}

TEST_F(PalTest, CombineAndSetters)
{
    PalFxParams a, b, out;
    PalFxParamsInit(&a);
    PalFxParamsInit(&b);
    a.color = 128;
    b.color = 128;
    a.addR = 5;
    b.addR = -7;
    a.mulG = 512;
    b.mulG = 128;
    b.invert = 1;
    PalFxParamsCombine(&out, &a, &b);
    EXPECT_EQ(out.color, 64);
    EXPECT_EQ(out.addR, -2);
    EXPECT_EQ(out.mulG, 256);
    EXPECT_EQ(out.mulR, 256);
    EXPECT_EQ(out.invert, 1);
    a.mulB = INT_MAX;
    b.mulB = INT_MAX;
    PalFxParamsCombine(&out, &a, &b);
    EXPECT_EQ(out.mulB, INT_MAX);

    Palette p;
    auto c = OneColor(1, 2, 3);
    ASSERT_EQ(PalInit(&p, 1, c.data(), 0), 1);
    EXPECT_EQ(p.flags, PAL_FLAG_NEUTRAL);
    PalFxAdd(&p, 0, 0, 0);
    PalFxMul(&p, 256, 256, 256);
    PalFxColorMul(&p, 256);
    PalFxInvertToggle(&p, 0);
    EXPECT_EQ(p.flags, PAL_FLAG_NEUTRAL);
    PalFxAdd(&p, 10, 0, -4);
    PalFxAdd(&p, 1, 1, 1);
    EXPECT_EQ(p.fx.addR, 11);
    EXPECT_EQ(p.fx.addB, -3);
    EXPECT_EQ(p.flags, PAL_FLAG_RECOMPUTE);
    PalFxMul(&p, 128, 512, 256);
    PalFxMul(&p, 128, 256, 256);
    EXPECT_EQ(p.fx.mulR, 64);
    EXPECT_EQ(p.fx.mulG, 512);
    PalFxColorMul(&p, 64);
    EXPECT_EQ(p.fx.color, 64);
    PalFxInvertToggle(&p, 3);
    PalFxInvertToggle(&p, 1);
    EXPECT_EQ(p.fx.invert, 0);
    PalFxReset(&p);
    PalFxParams neutral;
    PalFxParamsInit(&neutral);
    EXPECT_TRUE(PalFxParamsEqual(&p.fx, &neutral));
    EXPECT_EQ(p.flags & (PAL_FLAG_RECOMPUTE | PAL_FLAG_NEUTRAL), PAL_FLAG_RECOMPUTE | PAL_FLAG_NEUTRAL);
    PalFree(&p);
}

TEST_F(PalTest, InitCopyAndDataOwnership)
{
    std::vector<unsigned char> data(300 * 4, 0);
    for (int i = 0; i < 300; i++)
        data[4 * i] = (unsigned char)i;
    Palette p;
    // More than 256 colours would overrun the table; the count is clamped.
    ASSERT_EQ(PalInit(&p, 300, data.data(), 1), 1);
    EXPECT_EQ(PalCountGet(&p), 256);
    EXPECT_EQ(p.ownsData, 1);
    EXPECT_NE(PalDataGet(&p), data.data());
    EXPECT_EQ(p.table[255], Rgb565(255, 0, 0));
    EXPECT_EQ(PalDataSet(&p, 10, data.data()), 0);

    Palette shallow, deep;
    ASSERT_EQ(PalCopy(&shallow, &p, 0), 1);
    EXPECT_EQ(shallow.ownsData, 0);
    EXPECT_EQ(shallow.data, p.data);
    ASSERT_EQ(PalCopy(&deep, &p, 1), 1);
    EXPECT_EQ(deep.ownsData, 1);
    EXPECT_NE(deep.data, p.data);
    EXPECT_EQ(memcmp(deep.data, p.data, 256 * 4), 0);
    PalFree(&deep);  // the sanitizer run shows a leak if the copy is not owned
    EXPECT_EQ(deep.data, nullptr);

    Palette b;
    ASSERT_EQ(PalInit(&b, 4, data.data(), 0), 1);
    EXPECT_EQ(b.ownsData, 0);
    EXPECT_EQ(PalDataSet(&b, -1, data.data()), 1);
    EXPECT_EQ(b.flags & PAL_FLAG_DATA, 0);
    EXPECT_EQ(PalDataSet(&b, 999, data.data() + 4), 1);
    EXPECT_EQ(PalCountGet(&b), 256);
    EXPECT_NE(b.flags & PAL_FLAG_DATA, 0);
    PalFree(&b);
    PalFree(&p);
}

TEST_F(PalTest, TableConvertedOnlyOnChange)
{
    auto c = OneColor(200, 100, 50);
    Palette p;
    ASSERT_EQ(PalInit(&p, 1, c.data(), 0), 1);
    PalModeSet(1);
    EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(200, 100, 50));
    int before = PalConvertCount();
    PalColorsGet(&p);
    EXPECT_EQ(PalConvertCount(), before);

    PalFxAdd(&p, 10, 10, 10);
    EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(210, 110, 60));
    EXPECT_EQ(PalConvertCount(), before + 1);
    // Recompute requested with nothing changed: bookkeeping only.
    p.flags |= PAL_FLAG_RECOMPUTE;
    PalColorsGet(&p);
    EXPECT_EQ(PalConvertCount(), before + 1);
    EXPECT_EQ(p.flags & PAL_FLAG_RECOMPUTE, 0);

    c[0] = 0;
    PalDirtyMark(&p);
    EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(10, 110, 60));
    PalTableRebuild(&p);
    EXPECT_EQ(p.table[0], Rgb565(0, 100, 50));
    PalFree(&p);
}

TEST_F(PalTest, GlobalEffectFrameProtocol)
{
    ASSERT_EQ(PalFxGlobalInit(), 1);
    auto c = OneColor(200, 200, 200);
    Palette p;
    ASSERT_EQ(PalInit(&p, 1, c.data(), 0), 1);
    PalColorsGet(&p);
    int base = PalConvertCount();

    // A fade changing every frame converts the palette once per frame.
    for (int frame = 1; frame <= 3; frame++) {
        PalFxGlobalMulSet(256 - 32 * frame, 256 - 32 * frame, 256 - 32 * frame);
        PalFxGlobalCommit();
        int m = 256 - 32 * frame;
        EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(m * 200 >> 8, m * 200 >> 8, m * 200 >> 8));
        PalColorsGet(&p);
        PalFxGlobalSave();
        EXPECT_EQ(PalConvertCount(), base + frame);
    }
    EXPECT_EQ(PalFxGlobalGet()->serial, 3);
    // A steady global does not reconvert.
    PalFxGlobalMulSet(160, 160, 160);
    PalFxGlobalCommit();
    PalColorsGet(&p);
    PalFxGlobalSave();
    EXPECT_EQ(PalFxGlobalGet()->serial, 3);
    EXPECT_EQ(PalConvertCount(), base + 3);

    // The palette's own effect changing under the steady global keeps the global in.
    PalFxAdd(&p, 0, 0, 40);
    EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(125, 125, 240 * 160 >> 8));
    // A palette made while the global is steady still gets it.
    Palette q;
    ASSERT_EQ(PalInit(&q, 1, c.data(), 0), 1);
    EXPECT_EQ(PalColorsGet(&q)[0], Rgb565(125, 125, 125));

    // Other modes leave the global out.
    PalModeSet(2);
    PalDirtyMark(&p);
    EXPECT_EQ(PalColorsGet(&p)[0], Rgb565(200, 200, 240));
    EXPECT_EQ(PalModeSet(3), 0);
    EXPECT_EQ(PalModeGet(), 2);
    PalModeSet(0);

    EXPECT_EQ(PalFxColor565(Rgb565(248, 252, 248)), Rgb565(155, 157, 155));
    PalFxGlobalReset();
    EXPECT_EQ(PalFxGlobalGet()->neutral, 1);
    EXPECT_EQ(PalFxColor565(0x1234), 0x1234);
    PalFxGlobalCommit();
    EXPECT_EQ(PalFxGlobalGet()->serial, 4);
    PalFxGlobalSave();
    EXPECT_EQ(PalFxGlobalGet()->changed, 0);
    PalFxGlobalInvertSet(1);
    PalFxGlobalColorSet(0);
    EXPECT_EQ(PalFxGlobalGet()->neutral, 0);
    PalFree(&p);
    PalFree(&q);
}

TEST_F(PalTest, RangeOperations)
{
    std::vector<unsigned char> src = {100, 200, 50, 7, 255, 0, 128, 9};
    std::vector<unsigned char> dst(8, 0);
    PalRgbMul(src.data(), dst.data(), 512, 128, -5, 0, 1);
    EXPECT_EQ(dst, (std::vector<unsigned char>{200, 100, 0, 7, 255, 0, 0, 9}));
    PalRgbScale(src.data(), dst.data(), 256, 1, 1);
    EXPECT_EQ(dst[4], 255);
    PalRgbAdd(src.data(), dst.data(), 100, -100, 0, 0, 1);
    EXPECT_EQ(dst, (std::vector<unsigned char>{200, 100, 50, 7, 255, 0, 128, 9}));
    PalRgbAddAll(src.data(), dst.data(), 0, 0, 1);
    EXPECT_EQ(dst, src);
    PalRgbGrey(src.data(), dst.data(), 0, 0, 0);
    int grey = (5 * 100 + 7 * 200 + 4 * 50) >> 4;
    EXPECT_EQ(dst[0], grey);
    EXPECT_EQ(dst[2], grey);
    PalRgbGrey(src.data(), dst.data(), 128, 0, 0);
    EXPECT_EQ(dst[0], (128 * 100 + 128 * grey) / 256);
    PalRgbInvert(src.data(), dst.data(), 0, 0);
    EXPECT_EQ(dst[0], 155);
    EXPECT_EQ(dst[1], 55);
    PalRgbSet(dst.data(), 1, 1, 2, 3);
    EXPECT_EQ(dst[5], 2);
    unsigned char rgb[6] = {1, 2, 3, 4, 5, 6};
    unsigned char rgba[8];
    PalRgbToRgba(rgb, rgba, 2, 1);
    EXPECT_EQ(rgba[3], 0);
    EXPECT_EQ(rgba[4], 4);
    EXPECT_EQ(rgba[7], 255);
}

class PalActTest : public TempDirTest {};

TEST_F(PalActTest, ReversedOrderAndShortFiles)
{
    std::vector<unsigned char> colors(256 * 3);
    for (int i = 0; i < 256; i++) {
        colors[3 * i] = (unsigned char)i;
        colors[3 * i + 1] = (unsigned char)(255 - i);
        colors[3 * i + 2] = 7;
    }
    WriteFileText("p1.act", ActFileBytes(colors));
    std::vector<unsigned char> buf(1024, 0xAA);
    ASSERT_EQ(PalActLoad(buf.data(), "P1.ACT"), 1);
    for (int i : {0, 1, 255}) {
        EXPECT_EQ(buf[4 * i], i);
        EXPECT_EQ(buf[4 * i + 1], 255 - i);
        EXPECT_EQ(buf[4 * i + 2], 7);
        EXPECT_EQ(buf[4 * i + 3], 0xAA);
    }
    WriteFileText("short.act", ActFileBytes(colors).substr(0, 700));
    EXPECT_EQ(PalActLoad(buf.data(), "short.act"), 0);
    EXPECT_EQ(PalActLoad(buf.data(), "missing.act"), 0);
}

TEST_F(PalActTest, ReadFromVirtualFileClosesIt)
{
    std::vector<unsigned char> colors(768, 3);
    colors[0] = 99;
    std::string bytes = ActFileBytes(colors);
    for (size_t size : {bytes.size(), (size_t)767}) {
        unsigned char *block = (unsigned char *)LibCalloc(size, 1);
        memcpy(block, bytes.data(), size);
        VFile *f = VFileOpenMem(block, size);
        f->ownsBlock = 1;
        std::vector<unsigned char> buf(1024, 0);
        // The file is closed either way: the sanitizer run reports the block otherwise.
        EXPECT_EQ(PalActRead(buf.data(), f), size == 768 ? 1 : 0);
        EXPECT_EQ(buf[0], size == 768 ? 99 : 0);
        EXPECT_EQ(buf[4 * 255], 3);
    }
}

TEST_F(PalActTest, ZipEntryStaysOpen)
{
    std::vector<unsigned char> colors(768, 5);
    ASSERT_TRUE(ZipArchiveWrite("kid.zip", {{"Kid/P2.ACT", ActFileBytes(colors)}}));
    VFile *f = VFileOpenZip("kid.zip", "kid/p2.act");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> buf(1024, 0);
    EXPECT_EQ(PalActRead(buf.data(), f), 1);
    EXPECT_EQ(buf[4 * 7 + 2], 5);
    EXPECT_EQ(VFileSeek(f, 0, 0), 0);
    EXPECT_EQ(VFileGetc(f), 5);
    VFileClose(f);
}
