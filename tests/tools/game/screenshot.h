// The sample game's screenshot tests: reading back the picture the program saved, and the colours to look for in it.
#pragma once
#include <allegro.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/pcx.h"
#include "lib/vfile.h"
#include "support/testkit.h"

// A 320x240 screenshot as RGB565 values, row by row.
struct Screenshot {
    std::vector<uint16_t> pixels;

    uint16_t At(int x, int y) const { return pixels[(size_t)y * 320 + x]; }
    // How many pixels of the box (corners included) have one of the colours.
    int Count(int x0, int y0, int x1, int y1, const std::set<uint16_t> &colours) const
    {
        int n = 0;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                n += colours.count(At(x, y)) ? 1 : 0;
        return n;
    }
};

// Reads the screenshot the program left in the working directory (its number
// goes on from the shots taken before in this process), and keeps a copy
// under the name in the build's pictures for a person to look at. Empty when
// there is none or it is not a 320x240 24-bit picture.
inline Screenshot ScreenshotTake(const std::string &keepAs)
{
    Screenshot shot;
    std::string name;
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("velok", 0) == 0 && e.path().extension() == ".pcx")
            name = e.path().string();
    if (name.empty())
        return shot;
    std::string bytes = ReadFileText(name);
    MakeDirs(VELOK_TEST_PICTURES);
    WriteFileText(std::string(VELOK_TEST_PICTURES) + "/" + keepAs + ".pcx", bytes);
    VFile *f = VFileOpenMem((void *)bytes.data(), (long)bytes.size());
    if (!f)
        return shot;
    int w = 0, h = 0, bpp = 0, len = 0;
    unsigned char *px = PcxDecode(f, &w, &h, &bpp, &len, nullptr);
    VFileClose(f);
    if (px && w == 320 && h == 240 && bpp == 24)
        for (int i = 0; i < w * h; i++) {
            const unsigned char *p = px + (size_t)i * 3;
            int r = p[_rgb_r_shift_24 / 8], g = p[_rgb_g_shift_24 / 8], b = p[_rgb_b_shift_24 / 8];
            shot.pixels.push_back((uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)));
        }
    MemFree(px);
    return shot;
}

// The RGB565 colours of the palette's entries first..last, with no effect on them.
inline std::set<uint16_t> PaletteColours(const Palette *pal, int first, int last)
{
    std::set<uint16_t> out;
    const unsigned char *rgba = PalDataGet(pal);
    for (int i = first; i <= last; i++) {
        const unsigned char *c = rgba + (size_t)i * 4;
        out.insert((uint16_t)((c[0] >> 3) << 11 | (c[1] >> 2) << 5 | (c[2] >> 3)));
    }
    return out;
}
