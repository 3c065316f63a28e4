// Test kit: background sprite files and stage definition files.
#include "support/stagekit.h"

#include <filesystem>

#include "kit/sprkit.h"
#include "support/deftext.h"

BgImage BgImageFill(int group, int number, int width, int height, uint8_t value, int xAxis, int yAxis)
{
    BgImage img;
    img.group = group;
    img.number = number;
    img.width = width;
    img.height = height;
    img.xAxis = xAxis;
    img.yAxis = yAxis;
    img.pixels.assign((size_t)width * height, value);
    return img;
}

BgImage BgImageColumns(int group, int number, int width, int height, int xAxis, int yAxis)
{
    BgImage img = BgImageFill(group, number, width, height, 0, xAxis, yAxis);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            img.pixels[(size_t)y * width + x] = (uint8_t)(1 + x);
    return img;
}

BgImage BgImageRows(int group, int number, int width, int height, int xAxis, int yAxis)
{
    BgImage img = BgImageFill(group, number, width, height, 0, xAxis, yAxis);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            img.pixels[(size_t)y * width + x] = (uint8_t)(1 + y);
    return img;
}

std::string BgSffBytes(const std::vector<BgImage> &images)
{
    std::vector<SffEntry> entries;
    for (const BgImage &img : images) {
        PcxSpec p;
        p.width = img.width;
        p.height = img.height;
        p.pixels = img.pixels;
        for (int i = 0; i < 256; i++) {
            p.palette.push_back((unsigned char)(8 * (i & 31)));
            p.palette.push_back(0);
            p.palette.push_back(0);
        }
        SffEntry e;
        e.group = img.group;
        e.number = img.number;
        e.x = img.xAxis;
        e.y = img.yAxis;
        e.pcx = PcxBytes(p);
        entries.push_back(e);
    }
    return SffBytes(entries);
}

std::string StageKit::Text() const
{
    return info + camera + playerInfo + scaling + bound + stageInfo + shadow + reflection + music + bgdef + bgs;
}

void StageKit::Write(const std::string &path, const std::vector<BgImage> &images) const
{
    DefFileWrite(path, Text());
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    std::vector<BgImage> list = images;
    if (list.empty())
        list.push_back(BgImageFill(0, 0, 64, 16, 3));
    DefFileWrite((dir / "bg.sff").string(), BgSffBytes(list));
}
