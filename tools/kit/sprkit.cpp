// Format writers: PCX images, sprite files, .act palettes and animation lines, in memory.
#include "kit/sprkit.h"

#include <unordered_map>

static void PutLe16(std::string &s, size_t at, int v)
{
    s[at] = (char)(v & 255);
    s[at + 1] = (char)((v >> 8) & 255);
}

static void PutLe32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        s[at + i] = (char)((v >> (8 * i)) & 255);
}

static void EncodeRow(std::string &out, const std::vector<unsigned char> &row)
{
    size_t i = 0;
    while (i < row.size()) {
        unsigned char v = row[i];
        size_t n = 1;
        while (i + n < row.size() && row[i + n] == v && n < 63)
            n++;
        if (n == 1 && v < 0xC0) {
            out += (char)v;
        } else {
            out += (char)(0xC0 | n);
            out += (char)v;
        }
        i += n;
    }
}

std::string PcxBytes(const PcxSpec &spec)
{
    int bpl = spec.bytesPerLine ? spec.bytesPerLine : (spec.width + 1) & ~1;
    std::string s(128, '\0');
    s[0] = 10;
    s[1] = 5;
    s[2] = 1;
    s[3] = (char)spec.bitsPerPlane;
    PutLe16(s, 4, 0);
    PutLe16(s, 6, 0);
    PutLe16(s, 8, spec.width - 1);
    PutLe16(s, 10, spec.height - 1);
    for (size_t i = 0; i < spec.header16.size() && i < 48; i++)
        s[16 + i] = (char)spec.header16[i];
    s[65] = (char)spec.planes;
    PutLe16(s, 66, bpl);
    for (int y = 0; y < spec.height; y++) {
        std::vector<unsigned char> row;
        for (int p = 0; p < spec.planes; p++) {
            for (int x = 0; x < bpl; x++) {
                unsigned char v = spec.padValue;
                if (x < spec.width) {
                    size_t at = spec.planes == 1 ? (size_t)y * spec.width + x
                                                 : ((size_t)y * spec.width + x) * 3 + p;
                    v = at < spec.pixels.size() ? spec.pixels[at] : 0;
                }
                row.push_back(v);
            }
        }
        EncodeRow(s, row);
    }
    if (spec.planes == 1 && spec.marker) {
        s += (char)12;
        for (int i = 0; i < 768; i++)
            s += (char)(i < (int)spec.palette.size() ? spec.palette[i] : (spec.palette.empty() ? i / 3 : 0));
    }
    return s;
}

PcxSpec PcxPattern(int width, int height, int seed)
{
    PcxSpec p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < width * height; i++)
        p.pixels.push_back((unsigned char)((i + seed) & 255));
    for (int i = 0; i < 256; i++) {
        p.palette.push_back((unsigned char)i);
        p.palette.push_back((unsigned char)seed);
        p.palette.push_back((unsigned char)(255 - i));
    }
    return p;
}

std::string SffBytes(const std::vector<SffEntry> &entries, const SffOptions &opt)
{
    std::string s(512, '\0');
    for (size_t i = 0; i < 12 && i < opt.magic.size(); i++)
        s[i] = opt.magic[i];
    PutLe32(s, 12, opt.version);
    PutLe32(s, 16, 1);
    PutLe32(s, 20, opt.countOverride ? (uint32_t)opt.imageCount : (uint32_t)entries.size());
    PutLe32(s, 24, 512);
    for (const SffEntry &e : entries) {
        size_t at = s.size();
        std::string h(32, '\0');
        size_t dataLen = e.linked ? 0 : e.pcx.size();
        PutLe32(h, 0, (uint32_t)(at + 32 + dataLen));
        PutLe32(h, 4, (uint32_t)dataLen);
        PutLe16(h, 8, e.x);
        PutLe16(h, 10, e.y);
        PutLe16(h, 12, e.group);
        PutLe16(h, 14, e.number);
        PutLe16(h, 16, e.linkIndex);
        h[18] = e.samePal ? 1 : 0;
        s += h;
        if (!e.linked)
            s += e.pcx;
    }
    return opt.prefix + s;
}

std::string ActFileBytes(const std::vector<unsigned char> &rgb)
{
    std::string s;
    for (int i = 255; i >= 0; i--)
        for (int c = 0; c < 3; c++) {
            size_t at = (size_t)i * 3 + c;
            s += (char)(at < rgb.size() ? rgb[at] : 0);
        }
    return s;
}

std::string AirElemLine(int group, int image, int x, int y, int time, const std::string &flip,
                        const std::string &trans, bool withFlip)
{
    std::string s = std::to_string(group) + "," + std::to_string(image) + ", " + std::to_string(x) + ", " +
                    std::to_string(y) + ", " + std::to_string(time);
    if (withFlip || !flip.empty() || !trans.empty())
        s += ", " + flip;
    if (!trans.empty())
        s += ", " + trans;
    return s;
}

std::string AirAction(int number, const std::vector<std::string> &lines)
{
    std::string s = "[Begin Action " + std::to_string(number) + "]\n";
    for (const std::string &l : lines)
        s += l + "\n";
    return s;
}

std::string SffPack(const std::vector<SffImage> &images, SffPackStats *stats)
{
    SffPackStats st;
    std::vector<SffEntry> entries;
    // Whole image contents (size, palette, pixels) to the ordinal of the first
    // stored image holding them: equal contents share one PCX.
    std::unordered_map<std::string, int> storedAt;
    const std::vector<unsigned char> *lastPalette = nullptr;
    for (size_t i = 0; i < images.size(); i++) {
        const SffImage &img = images[i];
        SffEntry e;
        e.group = img.group;
        e.number = img.number;
        e.x = img.x;
        e.y = img.y;
        std::string key = std::to_string(img.width) + "x" + std::to_string(img.height) + ":";
        key.append(img.palette.begin(), img.palette.end());
        key.append(img.pixels.begin(), img.pixels.end());
        auto found = storedAt.find(key);
        if (found != storedAt.end()) {
            e.linked = true;
            e.linkIndex = found->second;
            entries.push_back(e);
            st.linked++;
            continue;
        }
        PcxSpec p;
        p.width = img.width;
        p.height = img.height;
        p.pixels = img.pixels;
        p.palette = img.palette;
        if (!img.ownPalette && lastPalette && *lastPalette == img.palette) {
            e.samePal = true;
            p.marker = false;
            st.sharedPalettes++;
        }
        lastPalette = &img.palette;
        e.pcx = PcxBytes(p);
        storedAt.emplace(std::move(key), (int)i);
        entries.push_back(e);
        st.stored++;
    }
    if (stats)
        *stats = st;
    return SffBytes(entries);
}
