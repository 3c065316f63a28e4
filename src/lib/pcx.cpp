// PCX image decoding (8-bit with palette, 24-bit) into packed pixel blocks.
#include "lib/pcx.h"

#include <allegro.h>
#include <cstdint>
#include <cstring>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vfile.h"

static int Le16(const unsigned char *p)
{
    return p[0] | (p[1] << 8);
}

namespace {

// Reads the stream a block at a time: going through the file layer for every
// byte costs more than the decoding itself. It may read past the image; the
// decoder puts the stream back where the image began.
struct PcxReader {
    VFile *f;
    int pos = 0, len = 0;
    unsigned char buf[4096];

    explicit PcxReader(VFile *file) : f(file) {}
    int Get()
    {
        if (pos == len && !Fill())
            return -1;
        return buf[pos++];
    }
    bool Fill()
    {
        if (f->kind == VFILE_DISK) {
            int got = VFileRead(buf, 1, (int)sizeof buf, f);
            len = got > 0 ? got : 0;
        } else {
            // A short read of a memory file reports no count: the cursor tells.
            long before = VFileTell(f);
            VFileRead(buf, 1, (int)sizeof buf, f);
            long after = VFileTell(f);
            len = before >= 0 && after > before ? (int)(after - before) : 0;
        }
        pos = 0;
        return len > 0;
    }
};

} // namespace

// Fills the palette from the bytes after the image data: a 12 marker and 256
// triples, or the 16 header colours when there is no marker. Entries the file
// does not provide stay black.
static int ReadPalette(PcxReader *r, const unsigned char *header, Palette *pal)
{
    unsigned char rgb[768];
    memset(rgb, 0, sizeof rgb);
    int c;
    while ((c = r->Get()) != -1 && c != 12) {
    }
    if (c == 12) {
        for (int i = 0; i < 768; i++) {
            int v = r->Get();
            if (v == -1)
                break;
            rgb[i] = (unsigned char)v;
        }
    } else {
        memcpy(rgb, header + 16, 48);
    }
    unsigned char rgba[256 * 4];
    PalRgbToRgba(rgb, rgba, 256, 0);
    return PalInit(pal, 256, rgba, 1);
}

unsigned char *PcxDecode(VFile *f, int *width, int *height, int *bpp, int *byteLength, Palette *pal)
{
    long start = VFileTell(f);
    unsigned char header[128];
    if (VFileRead(header, 128, 1, f) != 1)
        return nullptr;
    int bitsPerPlane = header[3];
    int64_t w = (int64_t)Le16(header + 8) - Le16(header + 4) + 1;
    int64_t h = (int64_t)Le16(header + 10) - Le16(header + 6) + 1;
    int planes = header[65];
    int bytesPerLine = Le16(header + 66);
    if (bitsPerPlane != 8 || (planes != 1 && planes != 3))
        return nullptr;
    // Empty and oversized images are data faults, not a lack of memory.
    int64_t total = w * h * planes;
    if (w <= 0 || h <= 0 || total > PCX_MAX_BYTES)
        return nullptr;
    unsigned char *pixels = (unsigned char *)LibCalloc((size_t)total, 1);
    if (!pixels)
        return nullptr;

    int offset[3] = {0, 0, 0};
    if (planes == 3) {
        offset[0] = _rgb_r_shift_24 / 8;
        offset[1] = _rgb_g_shift_24 / 8;
        offset[2] = _rgb_b_shift_24 / 8;
    }
    int rowBytes = bytesPerLine * planes;
    // Pixels of a row that its data reaches (bytes past the image's width
    // are padding; an image wider than its lines keeps zeros on the right).
    int reach = (int)(w < bytesPerLine ? w : bytesPerLine);
    PcxReader r(f);
    bool ended = false;
    for (int64_t y = 0; y < h && !ended; y++) {
        unsigned char *row = pixels + y * w * planes;
        int n = 0;
        while (n < rowBytes) {
            int c = r.Get();
            if (c == -1) {
                ended = true;
                // Short runs may have been written a little ahead.
                if (planes == 1 && n < reach)
                    memset(row + n, 0, (size_t)(reach - n));
                break;
            }
            int count = 1;
            if ((c & 0xC0) == 0xC0) {
                count = c & 0x3F;
                c = r.Get();
                if (c == -1) {
                    ended = true;
                    if (planes == 1 && n < reach)
                        memset(row + n, 0, (size_t)(reach - n));
                    break;
                }
            }
            // A run never carries into the next row.
            int stop = count < rowBytes - n ? n + count : rowBytes;
            if (planes == 1) {
                int end = stop < reach ? stop : reach;
                if (end - n <= 8 && n + 8 <= reach) {
                    // A short run as one 8-byte store: what it writes past
                    // the run, the next runs of the row write over.
                    uint64_t v = 0x0101010101010101ULL * (unsigned char)c;
                    memcpy(row + n, &v, 8);
                } else if (end > n) {
                    memset(row + n, c, (size_t)(end - n));
                }
                n = stop;
                continue;
            }
            for (; n < stop; n++) {
                int plane = n / bytesPerLine;
                int x = n % bytesPerLine;
                if (x < w)
                    row[x * planes + offset[plane]] = (unsigned char)c;
            }
        }
    }
    if (planes == 1 && pal && !ReadPalette(&r, header, pal)) {
        MemFree(pixels);
        return nullptr;
    }
    *width = (int)w;
    *height = (int)h;
    *bpp = planes * 8;
    *byteLength = (int)total;
    VFileSeek(f, start, 0);
    return pixels;
}
