// Pixel test kit: 320x240 RGB565 memory targets, checksums and PCX dumps for a look.
#include "support/pixkit.h"

#include "lib/gfx.h"
#include "lib/pal.h"
#include "lib/vbuf.h"

#include <allegro.h>
#include <sys/stat.h>
#include <zlib.h>

#include "support/testkit.h"

BITMAP *PixCanvas(uint16_t fill)
{
    TestAllegroStart();
    BITMAP *bmp = create_bitmap_ex(16, PIX_W, PIX_H);
    if (bmp)
        clear_to_color(bmp, fill);
    return bmp;
}

uint16_t PixGet(BITMAP *bmp, int x, int y)
{
    return reinterpret_cast<uint16_t *>(bmp->line[y])[x];
}

void PixSet(BITMAP *bmp, int x, int y, uint16_t c)
{
    reinterpret_cast<uint16_t *>(bmp->line[y])[x] = c;
}

uint32_t PixCrc(BITMAP *bmp)
{
    uLong crc = crc32(0, nullptr, 0);
    for (int y = 0; y < bmp->h; y++)
        crc = crc32(crc, bmp->line[y], bmp->w * 2);
    return (uint32_t)crc;
}

int PixDrawn(BITMAP *bmp, uint16_t bg)
{
    int n = 0;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++)
            n += PixGet(bmp, x, y) != bg;
    return n;
}

bool PixEqual(BITMAP *a, BITMAP *b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    for (int y = 0; y < a->h; y++)
        if (memcmp(a->line[y], b->line[y], a->w * 2))
            return false;
    return true;
}

// Pictures of failed pixel checks go to the build tree, never the sources
// or a test's temporary directory (which is removed with the test).
static std::string PixOutPath(const std::string &name)
{
    std::string dir = VELOK_TEST_PICTURES;
    mkdir(dir.c_str(), 0777);
    return dir + "/" + name + ".pcx";
}

void PixSavePcx(BITMAP *bmp, const std::string &name)
{
    BITMAP *out = create_bitmap_ex(24, bmp->w, bmp->h);
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) {
            int c = PixGet(bmp, x, y);
            int r = (c >> 11) << 3, g = ((c >> 5) & 63) << 2, b = (c & 31) << 3;
            putpixel(out, x, y, r << _rgb_r_shift_24 | g << _rgb_g_shift_24 | b << _rgb_b_shift_24);
        }
    save_pcx(PixOutPath(name).c_str(), out, nullptr);
    destroy_bitmap(out);
}

::testing::AssertionResult PixCrcIs(BITMAP *bmp, uint32_t crc, const std::string &name)
{
    uint32_t got = PixCrc(bmp);
    if (got == crc)
        return ::testing::AssertionSuccess();
    PixSavePcx(bmp, name);
    char text[128];
    snprintf(text, sizeof text, "crc 0x%08X, expected 0x%08X; image written to %s", got, crc,
             PixOutPath(name).c_str());
    return ::testing::AssertionFailure() << text;
}

void PixTargetOf(BITMAP *bmp, PixTarget *out)
{
    out->rows.resize(bmp->h);
    for (int y = 0; y < bmp->h; y++)
        out->rows[y] = (int)(bmp->line[y] - bmp->line[0]);
    out->target = BlitTarget{bmp->line[0], out->rows.data(), 0, 0, bmp->w - 1, bmp->h - 1};
}

void PixImageMake(PixImage *img, int w, int h, int ax, int ay, const std::vector<uint8_t> &pixels)
{
    img->pixels = pixels;
    img->pixels.resize((size_t)w * h);
    img->rows.resize(h);
    for (int y = 0; y < h; y++)
        img->rows[y] = y * w;
    img->source = BlitSource{img->pixels.data(), img->rows.data(), w, h, ax, ay};
}

void PixCanvasTest::SetUp()
{
    TempDirTest::SetUp();
    TestAllegroStart();
    canvas = PixCanvasStart(&rows);
}

void PixCanvasTest::TearDown()
{
    vbufTarget = VbufTarget{};
    destroy_bitmap(canvas);
    PalFxGlobalFree();
    TempDirTest::TearDown();
}

void PixVbufTargetSet(BITMAP *bmp, std::vector<int> *rows)
{
    rows->resize(bmp->h);
    for (int y = 0; y < bmp->h; y++)
        (*rows)[y] = (int)(bmp->line[y] - bmp->line[0]);
    VbufTarget &t = vbufTarget;
    t = VbufTarget{};
    t.bitmap = bmp;
    t.pixels = bmp->line[0];
    t.rows = rows->data();
    t.width = bmp->w;
    t.height = bmp->h;
    t.pixelCount = bmp->w * bmp->h;
    t.depth = 16;
    t.bytesPerPixel = 2;
    VbufClipSet(0, 0, bmp->w - 1, bmp->h - 1);
}

BITMAP *PixCanvasStart(std::vector<int> *rows)
{
    PalFxGlobalInit();
    BITMAP *canvas = PixCanvas(0);
    PixVbufTargetSet(canvas, rows);
    return canvas;
}

::testing::AssertionResult PixSprTargetStart(SprSet **target, BITMAP **bmp)
{
    if (GfxSinTableInit() != 1)
        return ::testing::AssertionFailure() << "the sine table did not start";
    PalFxGlobalInit();
    *target = VbufSprCreateDepth(PIX_W, PIX_H, 16);
    if (!*target)
        return ::testing::AssertionFailure() << "no 16-bit sprite target";
    if (VbufTargetSet(*target, 0) != 1)
        return ::testing::AssertionFailure() << "the sprite could not be made the drawing target";
    *bmp = VbufTargetBitmapGet(*target, 0);
    clear_to_color(*bmp, 0);
    return ::testing::AssertionSuccess();
}

bool PixPcxRead(const std::string &path, PixPcxImage *out)
{
    std::string bytes = ReadFileText(path);
    if (bytes.size() < 128)
        return false;
    auto le16 = [&](int at) { return (unsigned char)bytes[at] | (unsigned char)bytes[at + 1] << 8; };
    if (bytes[3] != 8 || bytes[65] != 3)
        return false;
    out->w = le16(8) - le16(4) + 1;
    out->h = le16(10) - le16(6) + 1;
    int perLine = le16(66);
    std::vector<unsigned char> plane;
    size_t at = 128;
    size_t need = (size_t)perLine * 3 * out->h;
    while (plane.size() < need && at < bytes.size()) {
        unsigned char c = bytes[at++];
        int run = 1;
        if ((c & 0xC0) == 0xC0 && at < bytes.size()) {
            run = c & 0x3F;
            c = bytes[at++];
        }
        plane.insert(plane.end(), run, c);
    }
    if (plane.size() < need)
        return false;
    out->rgb.assign((size_t)out->w * out->h * 3, 0);
    for (int y = 0; y < out->h; y++)
        for (int p = 0; p < 3; p++)
            for (int x = 0; x < out->w; x++)
                out->rgb[((size_t)y * out->w + x) * 3 + p] = plane[((size_t)y * 3 + p) * perLine + x];
    return true;
}
