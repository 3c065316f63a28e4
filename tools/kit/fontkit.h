// Format writers: font files from a glyph strip, a header and a definition text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kit/sprkit.h"

// A font file: the 64-byte header, the PCX image, then the text section.
struct FntSpec {
    std::string magic = std::string("TarnwickFnt", 12);  // 12 bytes with the zero
    uint32_t version = 0x100;
    std::string pcx;          // PCX bytes
    std::string text;         // the definition text ([Def], [Map])
    bool pcxOffsetOverride = false;
    int32_t pcxOffset = 0;
    bool textOffsetOverride = false;
    int32_t textOffset = 0;
    std::string prefix;       // bytes before the header (offsets stay relative to the header)
    std::string suffix;       // bytes after the text section
};

std::string FntBytes(const FntSpec &spec);

// A glyph strip of height h: glyph k spans widths[k] columns after the glyphs
// before it; its pixels are value base + k, except its top-left pixel, which is
// 0 (transparent). The palette's colour i is (i, 255 - i, i / 2).
PcxSpec FntGlyphStrip(const std::vector<int> &widths, int h, int base);

// The RGB565 colour the strip's palette gives index i.
uint16_t FntStripColour(int i);

// A definition text: [Def] with the given lines, then [Map] with the given lines.
std::string FntDefText(const std::vector<std::string> &def, const std::vector<std::string> &map);
