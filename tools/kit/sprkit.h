// Format writers: PCX images, sprite files, .act palettes and animation lines, in memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One PCX image. 8-bit: pixels are width*height indexes; 24-bit (planes 3):
// width*height RGB triples. Rows are padded to bytesPerLine (0: width, rounded
// up to even as writers do) with padValue.
struct PcxSpec {
    int width = 1;
    int height = 1;
    int planes = 1;
    int bitsPerPlane = 8;
    int bytesPerLine = 0;
    unsigned char padValue = 0;
    std::vector<unsigned char> pixels;
    std::vector<unsigned char> palette;    // 256 RGB triples after the marker (empty: grey ramp)
    std::vector<unsigned char> header16;   // 16 RGB triples in the header (empty: zeros)
    bool marker = true;                    // write byte 12 and the palette after the data
};

std::string PcxBytes(const PcxSpec &spec);
// A width x height 8-bit image whose pixel (x, y) is (x + y * width + seed) & 255,
// with a palette whose colour i is (i, seed, 255 - i).
PcxSpec PcxPattern(int width, int height, int seed);

// One subfile of a sprite file.
struct SffEntry {
    int group = 0;
    int number = 0;
    int x = 0;
    int y = 0;
    bool linked = false;   // no data; reuses subfile linkIndex
    int linkIndex = 0;
    bool samePal = false;
    std::string pcx;       // PCX bytes for a stored image
};

struct SffOptions {
    std::string magic = std::string("TarnwickSpr", 12);   // 12 bytes with the zero
    uint32_t version = 0x01000100;
    bool countOverride = false;    // write imageCount instead of the real count
    int32_t imageCount = 0;
    std::string prefix;            // bytes before the sprite file (offsets stay relative to it)
};

std::string SffBytes(const std::vector<SffEntry> &entries, const SffOptions &opt = SffOptions());

// An .act file from 256 RGB triples in colour order (written last colour first).
std::string ActFileBytes(const std::vector<unsigned char> &rgb);

// One animation element line "group, image, x, y, time[, flip[, trans]]".
std::string AirElemLine(int group, int image, int x, int y, int time, const std::string &flip = "",
                        const std::string &trans = "", bool withFlip = false);
// An action group: "[Begin Action n]" then the lines, each ended by "\n".
std::string AirAction(int number, const std::vector<std::string> &lines);

// One picture for SffPack: an 8-bit image with its axis and its 256-colour palette.
struct SffImage {
    int group = 0, number = 0;
    int x = 0, y = 0;                    // axis
    int width = 1, height = 1;
    std::vector<unsigned char> pixels;   // width * height indexes, row by row
    std::vector<unsigned char> palette;  // 256 RGB triples
    // Stored with its palette even when that equals the one before: an
    // image that readers load on its own (a portrait) finds no palette
    // before it to share.
    bool ownPalette = false;
};

struct SffPackStats {
    int stored = 0;          // images written with their PCX data
    int linked = 0;          // images written as links to an earlier one
    int sharedPalettes = 0;  // stored images that reuse the palette before them
};

// A sprite file of the images in their order. An image whose size, pixels and
// palette equal those of an image stored before it is written as a link to
// that image; a stored image whose palette equals the last palette written
// carries the same-palette flag and a PCX without a palette, unless it asks
// for its own palette.
std::string SffPack(const std::vector<SffImage> &images, SffPackStats *stats = nullptr);
