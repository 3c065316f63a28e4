// Format writers: font files from a glyph strip, a header and a definition text.
#include "kit/fontkit.h"

static void PutLe32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        s[at + i] = (char)((v >> (8 * i)) & 255);
}

std::string FntBytes(const FntSpec &spec)
{
    std::string h(64, '\0');
    for (size_t i = 0; i < 12 && i < spec.magic.size(); i++)
        h[i] = spec.magic[i];
    PutLe32(h, 12, spec.version);
    uint32_t pcxOffset = spec.pcxOffsetOverride ? (uint32_t)spec.pcxOffset : 64;
    uint32_t textOffset = spec.textOffsetOverride ? (uint32_t)spec.textOffset : 64 + (uint32_t)spec.pcx.size();
    PutLe32(h, 16, pcxOffset);
    PutLe32(h, 20, (uint32_t)spec.pcx.size());
    PutLe32(h, 24, textOffset);
    PutLe32(h, 28, (uint32_t)spec.text.size());
    return spec.prefix + h + spec.pcx + spec.text + spec.suffix;
}

PcxSpec FntGlyphStrip(const std::vector<int> &widths, int h, int base)
{
    PcxSpec p;
    int total = 0;
    for (int w : widths)
        total += w;
    p.width = total;
    p.height = h;
    p.pixels.assign((size_t)total * h, 0);
    int x0 = 0;
    for (size_t k = 0; k < widths.size(); k++) {
        for (int y = 0; y < h; y++)
            for (int x = 0; x < widths[k]; x++)
                p.pixels[(size_t)y * total + x0 + x] = (x == 0 && y == 0) ? 0 : (unsigned char)(base + k);
        x0 += widths[k];
    }
    for (int i = 0; i < 256; i++) {
        p.palette.push_back((unsigned char)i);
        p.palette.push_back((unsigned char)(255 - i));
        p.palette.push_back((unsigned char)(i / 2));
    }
    return p;
}

uint16_t FntStripColour(int i)
{
    int r = i, g = 255 - i, b = i / 2;
    return (uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

std::string FntDefText(const std::vector<std::string> &def, const std::vector<std::string> &map)
{
    std::string t = "[Def]\n";
    for (const std::string &l : def)
        t += l + "\n";
    t += "[Map]\n";
    for (const std::string &l : map)
        t += l + "\n";
    return t;
}
