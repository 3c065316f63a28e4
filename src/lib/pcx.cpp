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

// Fills the palette from the bytes after the image data: a 12 marker and 256
// triples, or the 16 header colours when there is no marker. Entries the file
// does not provide stay black.
static int ReadPalette(VFile *f, const unsigned char *header, Palette *pal)
{
    unsigned char rgb[768];
    memset(rgb, 0, sizeof rgb);
    int c;
    while ((c = VFileGetc(f)) != -1 && c != 12) {
    }
    if (c == 12) {
        for (int i = 0; i < 768; i++) {
            int v = VFileGetc(f);
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
    bool ended = false;
    for (int64_t y = 0; y < h && !ended; y++) {
        unsigned char *row = pixels + y * w * planes;
        int n = 0;
        while (n < rowBytes) {
            int c = VFileGetc(f);
            if (c == -1) {
                ended = true;
                break;
            }
            int count = 1;
            if ((c & 0xC0) == 0xC0) {
                count = c & 0x3F;
                c = VFileGetc(f);
                if (c == -1) {
                    ended = true;
                    break;
                }
            }
            // A run never carries into the next row.
            for (; count > 0 && n < rowBytes; count--, n++) {
                int plane = n / bytesPerLine;
                int x = n % bytesPerLine;
                if (x < w)
                    row[x * planes + offset[plane]] = (unsigned char)c;
            }
        }
    }
    if (planes == 1 && pal && !ReadPalette(f, header, pal)) {
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
