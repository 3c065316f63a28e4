#include "lib/blit.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "lib/gfx.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

// Colour table: 0 is a visible colour so that only the opaque rule shows it.
struct Table {
    uint16_t c[256];
    Table()
    {
        for (int v = 0; v < 256; v++)
            c[v] = Rgb565(v & 31, (v * 3) & 63, (v * 7) & 31);
        c[0] = Rgb565(3, 3, 3);
        c[1] = Rgb565(31, 0, 0);
        c[2] = 0xFFFF;
        c[3] = Rgb565(10, 20, 30);
    }
};

struct BlitFixture : ::testing::Test {
    BITMAP *bmp = nullptr;
    PixTarget pt;
    Table tab;
    void SetUp() override
    {
        ASSERT_EQ(GfxSinTableInit(), 1);
        bmp = PixCanvas(0);
        PixTargetOf(bmp, &pt);
    }
    void TearDown() override { destroy_bitmap(bmp); }
    BlitRule Rule(int kind, int colour = 0, int a = 256, int b = 0)
    {
        return BlitRule{kind, tab.c, colour, a, b};
    }
    // Every pixel outside the listed rectangle still holds the fill colour.
    int CountNot(uint16_t fill)
    {
        int n = 0;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                n += PixGet(bmp, x, y) != fill;
        return n;
    }
};

} // namespace

TEST(Blit565, ChannelArithmetic)
{
    EXPECT_EQ(Blit565Add(0xFFFF, 0xFFFF), 0xFFFF);
    EXPECT_EQ(Blit565Add(Rgb565(20, 40, 20), Rgb565(20, 40, 5)), Rgb565(31, 63, 25));
    EXPECT_EQ(Blit565Sub(0, 0xFFFF), 0);
    EXPECT_EQ(Blit565Sub(Rgb565(20, 40, 20), Rgb565(25, 10, 5)), Rgb565(0, 30, 15));
    EXPECT_EQ(Blit565Scale(Rgb565(31, 63, 31), 128), Rgb565(15, 31, 15));
    EXPECT_EQ(Blit565Scale(Rgb565(31, 63, 31), 128), (0xFFFF >> 1) & 0x7BEF);
    EXPECT_EQ(Blit565Scale(Rgb565(31, 63, 31), 64), Rgb565(7, 15, 7));
    EXPECT_EQ(Blit565Scale(Rgb565(31, 63, 31), 256), 0xFFFF);
}

// One pixel of value v onto a target pixel t, for each rule.
TEST_F(BlitFixture, PixelRules)
{
    const uint16_t grey = Rgb565(16, 32, 16);
    struct Case {
        int kind, colour, a, b;
        uint8_t v;
        uint16_t t, want;
    } cases[] = {
        {BLIT_MASKED, 0, 0, 0, 3, grey, Rgb565(10, 20, 30)},
        {BLIT_MASKED, 0, 0, 0, 0, grey, grey},
        {BLIT_OPAQUE, 0, 0, 0, 0, grey, Rgb565(3, 3, 3)},
        {BLIT_OPAQUE, 0, 0, 0, 3, grey, Rgb565(10, 20, 30)},
        {BLIT_SILHOUETTE, 0x1234, 0, 0, 3, grey, 0x1234},
        {BLIT_SILHOUETTE, 0x1234, 0, 0, 0, grey, grey},
        {BLIT_ADD, 0, 0, 0, 2, 0xFFFF, 0xFFFF},
        {BLIT_ADD, 0, 0, 0, 3, grey, Rgb565(26, 52, 31)},
        {BLIT_ADD, 0, 0, 0, 0, grey, grey},
        {BLIT_SUB, 0, 0, 0, 3, 0, 0},
        {BLIT_SUB, 0, 0, 0, 3, grey, Rgb565(6, 12, 0)},
        {BLIT_SUB, 0, 0, 0, 2, Rgb565(31, 63, 31), 0},
        {BLIT_SHADE, Rgb565(4, 4, 4), 0, 0, 3, grey, Rgb565(12, 28, 12)},
        {BLIT_SHADE, 0, 0, 0, 3, grey, grey},
        {BLIT_SHADE, Rgb565(4, 4, 4), 0, 0, 0, grey, grey},
        // Alpha: 128/128 of red 31 over red 31 gives 15 + 15.
        {BLIT_ALPHA, 0, 128, 128, 1, Rgb565(31, 0, 0), Rgb565(30, 0, 0)},
        {BLIT_ALPHA, 0, 0, 256, 3, grey, grey},
        {BLIT_ALPHA, 0, 256, 0, 3, grey, Rgb565(10, 20, 30)},
        {BLIT_ALPHA, 0, 256, 256, 3, grey, Rgb565(26, 52, 31)},
        {BLIT_ALPHA, 0, 64, 192, 3, grey, Rgb565(2 + 12, 5 + 24, 7 + 12)},
        {BLIT_ALPHA, 0, 128, 0, 3, grey, Rgb565(5, 10, 15)},
        {BLIT_ALPHA, 0, 0, 0, 3, grey, 0},
        {BLIT_ALPHA, 0, 200, 200, 2, 0xFFFF, 0xFFFF},
        {BLIT_ALPHA, 0, 64, 192, 0, grey, grey},
        // Factors from data files are clamped, not wrapped.
        {BLIT_ALPHA, 0, 300, -5, 3, grey, Rgb565(10, 20, 30)},
        {BLIT_ALPHA, 0, -1, 999, 3, grey, grey},
        {BLIT_ALPHA, 0, 257, 257, 3, grey, Rgb565(26, 52, 31)},
    };
    PixImage img;
    for (auto &c : cases) {
        PixImageMake(&img, 1, 1, 0, 0, {c.v});
        PixSet(bmp, 50, 60, c.t);
        BlitRule r = Rule(c.kind, c.colour, c.a, c.b);
        BlitPlain(&pt.target, &img.source, &r, 50, 60, 0);
        EXPECT_EQ(PixGet(bmp, 50, 60), c.want) << "rule " << c.kind << " v " << (int)c.v << " a " << c.a
                                                << " b " << c.b;
    }
    EXPECT_EQ(CountNot(0), 1);
}

// A 3x2 image with values 1..6 and its axis at column 1, row 0, in each flip.
TEST_F(BlitFixture, PlainPlacementAndFlips)
{
    PixImage img;
    PixImageMake(&img, 3, 2, 1, 0, {11, 12, 13, 14, 15, 16});
    BlitRule r = Rule(BLIT_MASKED);
    struct Case {
        int flip;
        int cells[2][3];  // image value at target (99 + col, 20 + row) ... see rows below
        int top;
    } cases[] = {
        {0, {{11, 12, 13}, {14, 15, 16}}, 20},
        {BLIT_FLIP_H, {{13, 12, 11}, {16, 15, 14}}, 20},
        {BLIT_FLIP_V, {{14, 15, 16}, {11, 12, 13}}, 19},
        {BLIT_FLIP_H | BLIT_FLIP_V, {{16, 15, 14}, {13, 12, 11}}, 19},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0);
        BlitPlain(&pt.target, &img.source, &r, 100, 20, c.flip);
        // Unflipped the left column is x - ax = 99; flipped it is x + ax - w + 1 = 99.
        for (int row = 0; row < 2; row++)
            for (int col = 0; col < 3; col++)
                EXPECT_EQ(PixGet(bmp, 99 + col, c.top + row), tab.c[c.cells[row][col]])
                    << "flip " << c.flip << " at " << col << "," << row;
        EXPECT_EQ(CountNot(0), 6);
    }
}

TEST_F(BlitFixture, PlainClipping)
{
    PixImage img;
    PixImageMake(&img, 4, 4, 0, 0, std::vector<uint8_t>(16, 3));
    BlitRule r = Rule(BLIT_MASKED);
    // Entirely outside: nothing.
    int outside[][3] = {{-4, 0, 0}, {320, 0, 0}, {0, -4, 0}, {0, 240, 0}, {-1, 0, BLIT_FLIP_H},
                        {0, -1, BLIT_FLIP_V}, {323, 0, BLIT_FLIP_H}};
    for (auto &o : outside)
        BlitPlain(&pt.target, &img.source, &r, o[0], o[1], o[2]);
    for (int flip = 0; flip < 4; flip++) {
        BlitPlain(&pt.target, &img.source, &r, 2147483647, 5, flip);
        BlitPlain(&pt.target, &img.source, &r, -2147483647 - 1, -2147483647 - 1, flip);
    }
    EXPECT_EQ(CountNot(0), 0);
    // Straddling the corner: only the inside quarter.
    BlitPlain(&pt.target, &img.source, &r, -2, -2, 0);
    EXPECT_EQ(CountNot(0), 4);
    EXPECT_EQ(PixGet(bmp, 1, 1), tab.c[3]);
    // A smaller clip rectangle is honoured.
    clear_to_color(bmp, 0);
    BlitTarget clipped = pt.target;
    clipped.x1 = 101;
    clipped.y1 = 51;
    clipped.x2 = 102;
    clipped.y2 = 51;
    BlitPlain(&clipped, &img.source, &r, 100, 50, 0);
    EXPECT_EQ(CountNot(0), 2);
    EXPECT_EQ(PixGet(bmp, 101, 51), tab.c[3]);
    EXPECT_EQ(PixGet(bmp, 102, 51), tab.c[3]);
}

TEST_F(BlitFixture, StretchTwice)
{
    PixImage img;
    PixImageMake(&img, 2, 2, 0, 0, {1, 2, 3, 4});
    BlitRule r = Rule(BLIT_MASKED);
    struct Case {
        int flip;
        int v[2][2];  // image value of target quadrant (row, col)
    } cases[] = {
        {0, {{1, 2}, {3, 4}}},
        {BLIT_FLIP_H, {{2, 1}, {4, 3}}},
        {BLIT_FLIP_V, {{3, 4}, {1, 2}}},
        {BLIT_FLIP_H | BLIT_FLIP_V, {{4, 3}, {2, 1}}},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0);
        // The axis is pixel (0, 0): flipped, the far edges move to the axis side.
        float x = (c.flip & BLIT_FLIP_H) ? 12.0f : 10.0f, y = (c.flip & BLIT_FLIP_V) ? 12.0f : 10.0f;
        BlitStretched(&pt.target, &img.source, &r, x, y, 4.0f, 4.0f, c.flip);
        for (int ty = 0; ty < 4; ty++)
            for (int tx = 0; tx < 4; tx++)
                EXPECT_EQ(PixGet(bmp, 10 + tx, 10 + ty), tab.c[c.v[ty / 2][tx / 2]])
                    << "flip " << c.flip << " at " << tx << "," << ty;
        EXPECT_EQ(CountNot(0), 16) << c.flip;
    }
}

TEST_F(BlitFixture, StretchHalfPixelRounding)
{
    // Left edge 10.5 rounds down to column 10, whose source position is
    // negative and is skipped: columns 11..13 show source columns 0, 1, 2.
    PixImage img;
    PixImageMake(&img, 3, 1, 0, 0, {1, 2, 3});
    BlitRule r = Rule(BLIT_MASKED);
    BlitStretched(&pt.target, &img.source, &r, 10.5f, 5.0f, 3.5f, 1.0f, 0);
    EXPECT_EQ(PixGet(bmp, 10, 5), 0);
    EXPECT_EQ(PixGet(bmp, 11, 5), tab.c[1]);
    EXPECT_EQ(PixGet(bmp, 12, 5), tab.c[2]);
    EXPECT_EQ(PixGet(bmp, 13, 5), tab.c[3]);
    EXPECT_EQ(CountNot(0), 3);
}

TEST_F(BlitFixture, StretchByOneEqualsPlain)
{
    PixImage img;
    std::vector<uint8_t> px(35);
    for (int i = 0; i < 35; i++)
        px[i] = (uint8_t)(i * 37 % 7);
    PixImageMake(&img, 7, 5, 3, 4, px);
    BITMAP *other = PixCanvas(0);
    PixTarget ot;
    PixTargetOf(other, &ot);
    for (int kind : {BLIT_MASKED, BLIT_ADD, BLIT_SUB, BLIT_OPAQUE}) {
        for (int flip = 0; flip < 4; flip++) {
            clear_to_color(bmp, 0x4208);
            clear_to_color(other, 0x4208);
            BlitRule r = Rule(kind);
            BlitStretched(&pt.target, &img.source, &r, 40.7f, 30.9f, 7.0005f, 4.9995f, flip);
            BlitPlain(&ot.target, &img.source, &r, 40, 30, flip);
            EXPECT_TRUE(PixEqual(bmp, other)) << kind << " " << flip;
        }
    }
    // Scale factors fold into flips: (-1, 1) is the horizontal flip.
    clear_to_color(bmp, 0);
    clear_to_color(other, 0);
    BlitRule r = Rule(BLIT_MASKED);
    BlitScaled(&pt.target, &img.source, &r, 40, 30, -1, 1);
    BlitPlain(&ot.target, &img.source, &r, 40, 30, BLIT_FLIP_H);
    EXPECT_TRUE(PixEqual(bmp, other));
    destroy_bitmap(other);
}

TEST_F(BlitFixture, StretchDegenerateSizesDrawNothing)
{
    PixImage img;
    PixImageMake(&img, 4, 4, 2, 2, std::vector<uint8_t>(16, 3));
    BlitRule r = Rule(BLIT_MASKED);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    float sizes[][2] = {{0, 4}, {4, 0}, {-4, 4}, {nan, 4}, {4, inf}, {4e9f, 4}, {4, 1e30f}};
    for (auto &s : sizes)
        BlitStretched(&pt.target, &img.source, &r, 100, 100, s[0], s[1], 0);
    float scales[][2] = {{0, 1}, {1, 0}, {nan, 1}, {1, nan}};
    for (auto &s : scales)
        BlitScaled(&pt.target, &img.source, &r, 100, 100, s[0], s[1]);
    EXPECT_EQ(CountNot(0), 0);
    // Tiny and huge (but finite) factors clip without overflow.
    BlitScaled(&pt.target, &img.source, &r, 100, 100, 1e-6f, 1e-6f);
    BlitScaled(&pt.target, &img.source, &r, 100, 100, 1e4f, 1e4f);
    EXPECT_EQ(CountNot(0), PIX_W * PIX_H);
    // A step that comes out 0 in 16.16 draws nothing rather than looping.
    clear_to_color(bmp, 0);
    BlitScaled(&pt.target, &img.source, &r, 100, 100, 1e6f, 1e6f);
    EXPECT_EQ(CountNot(0), 0);
    BlitScaled(&pt.target, &img.source, &r, 1e20f, -1e20f, 1e20f, 1e-20f);
    BlitStretched(&pt.target, &img.source, &r, 3e9f, -3e9f, 4, 4, 0);
    BlitRotated(&pt.target, &img.source, &r, 100, 100, 30, 3e9f, 1, 1, 1, 0);
}

TEST_F(BlitFixture, ShadeAlwaysStretches)
{
    PixImage img;
    PixImageMake(&img, 2, 1, 0, 0, {5, 0});
    clear_to_color(bmp, Rgb565(20, 20, 20));
    BlitRule r = Rule(BLIT_SHADE, Rgb565(1, 2, 3));
    BlitStretched(&pt.target, &img.source, &r, 10.0f, 10.0f, 2.0f, 1.0f, 0);
    EXPECT_EQ(PixGet(bmp, 10, 10), Rgb565(19, 18, 17));
    EXPECT_EQ(PixGet(bmp, 11, 10), Rgb565(20, 20, 20));
}

TEST_F(BlitFixture, RotateQuarterTurnOfBar)
{
    // A 5-pixel horizontal bar with its axis at its left end turns into a
    // vertical bar going up from the axis.
    PixImage img;
    PixImageMake(&img, 5, 1, 0, 0, {1, 2, 3, 4, 5});
    BlitRule r = Rule(BLIT_MASKED);
    BlitRotated(&pt.target, &img.source, &r, 100.0f, 100.0f, 90.0f, 1, 1, 1, 1, 0);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(PixGet(bmp, 100, 100 - i), tab.c[1 + i]) << i;
    EXPECT_EQ(CountNot(0), 5);
    // 270 degrees: down from the axis; mirrored writes at x - k, same column.
    clear_to_color(bmp, 0);
    BlitRotated(&pt.target, &img.source, &r, 100.0f, 100.0f, 270.0f, 1, 1, 1, 1, 1);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(PixGet(bmp, 100, 100 + i), tab.c[1 + i]) << i;
    EXPECT_EQ(CountNot(0), 5);
}

TEST_F(BlitFixture, RotateZeroAndHalfTurnAreScaled)
{
    PixImage img;
    std::vector<uint8_t> px(6 * 4);
    for (int i = 0; i < 24; i++)
        px[i] = (uint8_t)(1 + i % 5);
    PixImageMake(&img, 6, 4, 2, 3, px);
    BITMAP *other = PixCanvas(0);
    PixTarget ot;
    PixTargetOf(other, &ot);
    BlitRule r = Rule(BLIT_ADD);
    struct Case {
        float angle;
        int mirrored, flip;
    } cases[] = {
        {0, 0, 0}, {360, 0, 0}, {-720, 0, 0}, {0, 1, BLIT_FLIP_H},
        {180, 0, BLIT_FLIP_H | BLIT_FLIP_V}, {-180, 0, BLIT_FLIP_H | BLIT_FLIP_V}, {180, 1, BLIT_FLIP_V},
    };
    for (auto &c : cases) {
        clear_to_color(bmp, 0x2104);
        clear_to_color(other, 0x2104);
        BlitRotated(&pt.target, &img.source, &r, 50.5f, 60.25f, c.angle, 2, 1.5f, 1, 2, c.mirrored);
        BlitStretched(&ot.target, &img.source, &r, 50.5f, 60.25f, 12, 12, c.flip);
        EXPECT_TRUE(PixEqual(bmp, other)) << c.angle << " " << c.mirrored;
    }
    destroy_bitmap(other);
}

TEST_F(BlitFixture, RotateBadScalesDrawNothing)
{
    PixImage img;
    PixImageMake(&img, 4, 4, 2, 2, std::vector<uint8_t>(16, 3));
    BlitRule r = Rule(BLIT_MASKED);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    float s[][4] = {{0, 1, 1, 1}, {1, 0, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 0}, {0.0005f, 1, 1, 1},
                    {nan, 1, 1, 1}, {1, inf, 1, 1}, {1, 1, nan, 1}, {1, 1, 1, -inf}};
    for (auto &v : s)
        BlitRotated(&pt.target, &img.source, &r, 100, 100, 30, v[0], v[1], v[2], v[3], 0);
    BlitRotated(&pt.target, &img.source, &r, 100, 100, nan, 1, 1, 1, 1, 0);
    BlitRotated(&pt.target, &img.source, &r, nan, 100, 30, 1, 1, 1, 1, 0);
    EXPECT_EQ(CountNot(0), 0);
    // Extreme finite scales and positions stay inside the target.
    BlitRotated(&pt.target, &img.source, &r, 100, 100, 33, 1e6f, 1e6f, 1e3f, 1e-3f, 0);
    BlitRotated(&pt.target, &img.source, &r, 1e9f, -1e9f, 77, 1e-2f, 1e6f, 1e6f, 1e-6f, 1);
}

// A turned, scaled and mirrored image against stored checksums; the shape is
// checked loosely by hand: every drawn pixel lies inside the turned rectangle.
TEST_F(BlitFixture, RotateStoredImages)
{
    PixImage img;
    std::vector<uint8_t> px(40 * 24);
    for (int y = 0; y < 24; y++)
        for (int x = 0; x < 40; x++)
            px[y * 40 + x] = (uint8_t)(x < 2 || y < 2 || x > 37 || y > 21 ? 2 : 1 + (x / 4 + y / 4) % 3);
    PixImageMake(&img, 40, 24, 20, 12, px);
    struct Case {
        float angle, sx, sy, sx2, sy2;
        int mirrored, kind;
        uint32_t crc;
    } cases[] = {
        {30, 1, 1, 1, 1, 0, BLIT_MASKED, 0xEFA0D849},
        {135.5f, 2, 1, 1, 1.5f, 0, BLIT_ADD, 0xFDAFAE12},
        {250, 1, 2, 1, 1, 1, BLIT_MASKED, 0x233F1F68},
        {315, 1.5f, 1.5f, 2, 1, 0, BLIT_SUB, 0x50243725},
    };
    int i = 0;
    for (auto &c : cases) {
        clear_to_color(bmp, Rgb565(8, 16, 8));
        BlitRule r = Rule(c.kind);
        BlitRotated(&pt.target, &img.source, &r, 160, 120, c.angle, c.sx, c.sy, c.sx2, c.sy2, c.mirrored);
        EXPECT_TRUE(PixCrcIs(bmp, c.crc, "blit_rotated_" + std::to_string(i))) << c.angle;
        // Nothing lands farther from the axis than the scaled half-diagonal.
        double reach = std::hypot(20 * c.sx * c.sx2, 12 * c.sy * c.sy2) * std::max(c.sx2, c.sy2) + 2;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                if (PixGet(bmp, x, y) != Rgb565(8, 16, 8)) {
                    ASSERT_LE(std::hypot(x - 160, y - 120), reach) << c.angle;
                }
        i++;
    }
}

namespace {

// The stretched geometry of one axis, straight from its definition: the first
// and last target index drawn, and the 16.16 source position and step.
bool RefAxis(float edge, float size, int srcSize, int clip1, int clip2, int64_t *first, int64_t *last,
             int64_t *pos, int64_t *step)
{
    double e = edge, s = size;
    int64_t p0 = (int64_t)std::ceil(e - 0.5);
    int64_t f = (int64_t)(srcSize * ((double)p0 - e) / s * 65536.0);
    int64_t end = std::min<int64_t>(clip2, (int64_t)std::floor(e + s - 0.5));
    if (p0 < clip1) {
        f += (int64_t)(((double)clip1 - (double)p0) * srcSize / s * 65536.0);
        p0 = clip1;
    }
    int64_t st = (int64_t)((double)srcSize * 65536.0 / s);
    while (f < 0) {
        p0++;
        f += st;
    }
    while (end >= p0 && f + (end - p0) * st >= ((int64_t)srcSize << 16))
        end--;
    *first = p0;
    *last = end;
    *pos = f;
    *step = st;
    return p0 <= end;
}

// One pixel by its rule, as the rules are defined.
uint16_t RefPixel(const BlitRule &r, uint16_t t, uint8_t v)
{
    if (v == 0 && r.kind != BLIT_OPAQUE)
        return t;
    uint16_t s = r.table ? r.table[v] : 0;
    switch (r.kind) {
    case BLIT_MASKED:
    case BLIT_OPAQUE: return s;
    case BLIT_SILHOUETTE: return (uint16_t)r.colour;
    case BLIT_ADD: return Blit565Add(t, s);
    case BLIT_SUB: return Blit565Sub(t, s);
    case BLIT_SHADE: return (uint16_t)r.colour ? Blit565Sub(t, (uint16_t)r.colour) : t;
    case BLIT_ALPHA: {
        int a = std::clamp(r.srcAlpha, 0, 256), b = std::clamp(r.dstAlpha, 0, 256);
        if (a == 256 && b == 0)
            return s;
        if (a == 256 && b == 256)
            return Blit565Add(t, s);
        if (a == 0 && b == 256)
            return t;
        return b == 0 ? Blit565Scale(s, a) : Blit565Add(Blit565Scale(s, a), Blit565Scale(t, b));
    }
    }
    return t;
}

uint16_t *RefAt(const BlitTarget &dst, int64_t x, int64_t y)
{
    return reinterpret_cast<uint16_t *>(dst.pixels + dst.rows[y]) + x;
}

// The plain geometry: each covered target pixel inside the clip takes the
// source pixel that lands on it.
void RefPlain(const BlitTarget &dst, const PixImage &img, const BlitRule &r, int x, int y, int flip)
{
    const BlitSource &src = img.source;
    for (int sy = 0; sy < src.height; sy++)
        for (int sx = 0; sx < src.width; sx++) {
            int64_t tx = (flip & BLIT_FLIP_H) ? (int64_t)x + src.xAxis - sx : (int64_t)x - src.xAxis + sx;
            int64_t ty = (flip & BLIT_FLIP_V) ? (int64_t)y + src.yAxis - sy : (int64_t)y - src.yAxis + sy;
            if (tx < dst.x1 || tx > dst.x2 || ty < dst.y1 || ty > dst.y2)
                continue;
            uint16_t *d = RefAt(dst, tx, ty);
            *d = RefPixel(r, *d, img.pixels[(size_t)sy * src.width + sx]);
        }
}

void RefStretched(const BlitTarget &dst, const PixImage &img, const BlitRule &r, float x, float y, float width,
                  float height, int flip)
{
    const BlitSource &src = img.source;
    int w = src.width, h = src.height;
    float top = (flip & BLIT_FLIP_V) ? y - height * (h - src.yAxis - 1) / h : y - height * src.yAxis / h;
    float left = (flip & BLIT_FLIP_H) ? x - width * (w - src.xAxis - 1) / w : x - width * src.xAxis / w;
    if (top > dst.y2 || top + height - 0.5f <= dst.y1 || left > dst.x2 || left + width - 0.5f <= dst.x1)
        return;
    int64_t r0, r1, fy, sy, c0, c1, fx, sx;
    if (!RefAxis(top, height, h, dst.y1, dst.y2, &r0, &r1, &fy, &sy) ||
        !RefAxis(left, width, w, dst.x1, dst.x2, &c0, &c1, &fx, &sx))
        return;
    for (int64_t ty = r0; ty <= r1; ty++, fy += sy) {
        int row = (int)(fy >> 16);
        if (flip & BLIT_FLIP_V)
            row = h - 1 - row;
        int64_t p = fx;
        for (int64_t tx = c0; tx <= c1; tx++, p += sx) {
            int col = (int)(p >> 16);
            if (flip & BLIT_FLIP_H)
                col = w - 1 - col;
            uint16_t *d = RefAt(dst, tx, ty);
            *d = RefPixel(r, *d, img.pixels[(size_t)row * w + col]);
        }
    }
}

} // namespace

// Enlarged draws (in either direction or both) with every rule, flip, clip
// and image shape agree pixel for pixel with the rules applied one target
// pixel at a time: images with transparent borders, empty rows, widths on
// both sides of 16 and drawing pixels in the last column.
TEST_F(BlitFixture, EnlargedDrawsMatchThePixelRules)
{
    std::mt19937 rng(2005);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    BITMAP *want = PixCanvas(0);
    PixTarget wt;
    PixTargetOf(want, &wt);
    const int kinds[] = {BLIT_MASKED, BLIT_OPAQUE, BLIT_SILHOUETTE, BLIT_ADD, BLIT_SUB, BLIT_SHADE, BLIT_ALPHA};
    const float scales[][2] = {{2, 2}, {2, 0.4f}, {0.5f, 3}, {1.7f, 1.3f}, {3.25f, 2}, {2, 1}};
    for (int round = 0; round < 300; round++) {
        int w = 1 + pick(40), h = 1 + pick(20);
        std::vector<uint8_t> px((size_t)w * h, 0);
        for (int yy = 0; yy < h; yy++) {
            if (pick(5) == 0)
                continue;  // an empty row
            int a = pick(w), b = a + pick(w - a);
            for (int xx = a; xx <= b; xx++)
                px[(size_t)yy * w + xx] = (uint8_t)(pick(4) ? 1 + pick(255) : 0);
        }
        PixImage img;
        PixImageMake(&img, w, h, pick(w), pick(h), px);
        int kind = kinds[pick(7)];
        int a = pick(3) == 0 ? 0 : pick(257), b = pick(257);
        BlitRule r = Rule(kind, Rgb565(pick(32), pick(64), pick(32)), a, b);
        const float *sc = scales[pick(6)];
        int flip = pick(4);
        float x = (float)(pick(360) - 20) + pick(4) * 0.25f, y = (float)(pick(280) - 20) + pick(4) * 0.25f;
        BlitTarget clip = pt.target;
        if (pick(2)) {
            clip.x1 = pick(100);
            clip.y1 = pick(80);
            clip.x2 = clip.x1 + 60 + pick(150);
            clip.y2 = clip.y1 + 40 + pick(100);
        }
        BlitTarget clipWant = wt.target;
        clipWant.x1 = clip.x1, clipWant.y1 = clip.y1, clipWant.x2 = clip.x2, clipWant.y2 = clip.y2;
        for (int yy = 0; yy < PIX_H; yy++)
            for (int xx = 0; xx < PIX_W; xx++) {
                uint16_t c = (uint16_t)(xx * 2654435761u >> 7 ^ yy * 40503u);
                PixSet(bmp, xx, yy, c);
                PixSet(want, xx, yy, c);
            }
        BlitStretched(&clip, &img.source, &r, x, y, w * sc[0], h * sc[1], flip);
        RefStretched(clipWant, img, r, x, y, w * sc[0], h * sc[1], flip);
        ASSERT_TRUE(PixEqual(bmp, want)) << "round " << round << ": " << w << "x" << h << " rule " << kind << " ("
                                         << a << ", " << b << ") scale " << sc[0] << "x" << sc[1] << " flip "
                                         << flip << " at " << x << "," << y;
    }
    destroy_bitmap(want);
}

// The other walkers against the same definitions: plain draws, draws shrunk
// on either axis, draws sized to the image (which are plain), and enlarged
// draws wider than the row buffers, with every rule, flip and clip, onto a
// target wider than any row buffer.
TEST(BlitWalkers, PlainShrunkAndWideDrawsMatchThePixelRules)
{
    ASSERT_EQ(GfxSinTableInit(), 1);
    std::mt19937 rng(105);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    const int W = 1400, H = 60;
    std::vector<uint16_t> got((size_t)W * H), want((size_t)W * H);
    std::vector<int> rows(H);
    for (int y = 0; y < H; y++)
        rows[y] = y * W * 2;
    Table tab;
    const int kinds[] = {BLIT_MASKED, BLIT_OPAQUE, BLIT_SILHOUETTE, BLIT_ADD, BLIT_SUB, BLIT_SHADE, BLIT_ALPHA};
    for (int round = 0; round < 600; round++) {
        int w = 1 + pick(pick(4) ? 40 : 300), h = 1 + pick(30);
        std::vector<uint8_t> px((size_t)w * h);
        for (uint8_t &v : px)
            v = (uint8_t)(pick(3) ? 0 : 1 + pick(255));
        PixImage img;
        PixImageMake(&img, w, h, pick(w + 2) - 1, pick(h + 2) - 1, px);
        int kind = kinds[pick(7)];
        const int alphas[] = {0, 256, 128, 1};
        int a = pick(2) ? alphas[pick(4)] : pick(257), b = pick(2) ? alphas[pick(4)] : pick(257);
        BlitRule r{kind, tab.c, pick(4) ? Rgb565(pick(32), pick(64), pick(32)) : 0, a, b};
        BlitTarget clip{(uint8_t *)got.data(), rows.data(), 0, 0, W - 1, H - 1};
        if (pick(2)) {
            clip.x1 = pick(W / 2), clip.y1 = pick(H / 2);
            clip.x2 = clip.x1 + pick(W - clip.x1), clip.y2 = clip.y1 + pick(H - clip.y1);
        }
        BlitTarget clipWant = clip;
        clipWant.pixels = (uint8_t *)want.data();
        for (size_t i = 0; i < got.size(); i++)
            got[i] = want[i] = (uint16_t)(i * 2654435761u >> 9);
        int flip = pick(4), geometry = pick(3);
        float x = (float)(pick(W + 60) - 30) + pick(4) * 0.25f, y = (float)(pick(H + 40) - 20) + pick(4) * 0.25f;
        float sx = 1, sy = 1;
        if (geometry == 0) {
            BlitPlain(&clip, &img.source, &r, (int)x, (int)y, flip);
            RefPlain(clipWant, img, r, (int)x, (int)y, flip);
        } else {
            const float shrunk[][2] = {{0.5f, 0.5f}, {0.3f, 1.7f}, {1.9f, 0.6f}, {0.8f, 0.25f}, {1, 1}, {4.5f, 1}};
            sx = shrunk[pick(6)][0], sy = shrunk[pick(6)][1];
            if (geometry == 2)
                sx = 1024.0f / w + 0.5f + pick(4);  // enlarged past the row buffers
            BlitStretched(&clip, &img.source, &r, x, y, w * sx, h * sy, flip);
            if (sx == 1 && sy == 1)
                RefPlain(clipWant, img, r, (int)x, (int)y, flip);
            else
                RefStretched(clipWant, img, r, x, y, w * sx, h * sy, flip);
        }
        ASSERT_TRUE(got == want) << "round " << round << ": " << w << "x" << h << " rule " << kind << " (" << a
                                 << ", " << b << ") geometry " << geometry << " scale " << sx << "x" << sy
                                 << " flip " << flip << " at " << x << "," << y;
    }
}
