// Test kit: background sprite files and stage definition files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One 8-bit image of a background sprite file.
struct BgImage {
    int group = 0, number = 0;
    int width = 1, height = 1;
    int xAxis = 0, yAxis = 0;
    std::vector<uint8_t> pixels;  // width x height values
};

// Every pixel the same value.
BgImage BgImageFill(int group, int number, int width, int height, uint8_t value, int xAxis = 0, int yAxis = 0);
// Pixel (x, y) is 1 + x (columns 1, 2, 3 ...), rows alike.
BgImage BgImageColumns(int group, int number, int width, int height, int xAxis = 0, int yAxis = 0);
// Pixel (x, y) is 1 + y.
BgImage BgImageRows(int group, int number, int width, int height, int xAxis = 0, int yAxis = 0);

// A sprite file whose palette makes value v red v: RGB565 v << 11 for v < 32.
std::string BgSffBytes(const std::vector<BgImage> &images);
inline uint16_t BgRed(int v) { return (uint16_t)(v << 11); }

// A stage file by groups; each may be replaced, or emptied to leave it out.
// The [BGdef] names "bg.sff" beside the file; bgs holds the element groups.
struct StageKit {
    std::string info = "[Info]\nname = \"Kit Stage\"\n";
    std::string camera = "[Camera]\nstartx = 0\nstarty = 0\nboundleft = -100\nboundright = 100\n"
                         "boundhigh = -40\nboundlow = 0\ntension = 50\nverticalfollow = .2\nfloortension = 0\n";
    std::string playerInfo = "[PlayerInfo]\np1startx = -70\np1starty = 0\np1startz = 0\np1facing = 1\n"
                             "p2startx = 70\np2starty = 0\np2startz = 0\np2facing = -1\n"
                             "leftbound = -1000\nrightbound = 1000\ntopbound = 0\nbotbound = 0\n";
    std::string scaling = "[Scaling]\ntopz = 0\nbotz = 50\ntopscale = 1\nbotscale = 1.2\n";
    std::string bound = "[Bound]\nscreenleft = 15\nscreenright = 15\n";
    std::string stageInfo = "[StageInfo]\nzoffset = 200\nautoturn = 1\nresetbg = 1\n";
    std::string shadow;
    std::string reflection;
    std::string music;
    std::string bgdef = "[BGdef]\nspr = bg.sff\n";
    std::string bgs = "[BG floor]\ntype = normal\nspriteno = 0,0\nstart = 0,0\ndelta = 1,1\n";

    std::string Text() const;
    // Writes the stage file and, beside it, "bg.sff" of the images (a 64x16 floor of value 3 when empty).
    void Write(const std::string &path, const std::vector<BgImage> &images = {}) const;
};
