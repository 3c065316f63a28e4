// Test kit: fight-screen files with the sprite, sound, effect and font files they name, written in code.
#include "support/fightkit.h"

#include "kit/sprkit.h"
#include "support/fontkit.h"
#include "support/sndkit.h"
#include "support/testkit.h"

static const char *const kGroups[] = {"Files",       "Lifebar",    "Turns Lifebar", "Simul Lifebar", "Powerbar",
                                      "Face",        "Simul Face", "Turns Face",    "Name",          "Simul Name",
                                      "Turns Name",  "Time",       "Combo",         "Round",         "WinIcon"};

std::vector<std::string> &GroupedText::Group(const std::string &name)
{
    for (FightGroup &g : groups)
        if (g.name == name)
            return g.lines;
    groups.push_back({name, {}});
    return groups.back().lines;
}

void GroupedText::Drop(const std::string &name)
{
    for (size_t i = 0; i < groups.size(); i++)
        if (groups[i].name == name) {
            groups.erase(groups.begin() + (long)i);
            return;
        }
}

std::string GroupedText::Joined(const char *heading) const
{
    std::string t = std::string("; ") + heading + "\n";
    for (const FightGroup &g : groups) {
        t += "[" + g.name + "]\n";
        for (const std::string &l : g.lines)
            t += l + "\n";
        t += "\n";
    }
    return t + tail;
}

FightKit FightKitMake()
{
    FightKit kit;
    for (const char *g : kGroups)
        kit.Group(g);
    kit.Group("Files") = {"sff = fight.sff", "snd = fight.snd", "fightfx.sff = fightfx.sff",
                          "fightfx.air = fightfx.air", "common.snd = common.snd"};
    return kit;
}

static PcxSpec Solid(int w, int h, unsigned char index)
{
    PcxSpec p;
    p.width = w;
    p.height = h;
    p.pixels.assign((size_t)w * h, index);
    p.palette.assign(256 * 3, 0);
    const unsigned char rgb[5][3] = {{0, 0, 0}, {248, 0, 0}, {0, 252, 0}, {0, 0, 248}, {255, 255, 255}};
    for (int i = 0; i < 5; i++)
        for (int c = 0; c < 3; c++)
            p.palette[(size_t)i * 3 + c] = rgb[i][c];
    return p;
}

std::string FightKitFont()
{
    const std::string chars = "0123456789oHit!";
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip(std::vector<int>(chars.size(), 3), 5, 100));
    std::vector<std::string> map;
    for (char c : chars)
        map.push_back(std::string(1, c));
    s.text = FntDefText({"size = 3,5", "spacing = 1,0", "colors = 1", "offset = 0,0"}, map);
    return FntBytes(s);
}

std::string FightKit::Write(const std::string &dir) const
{
    MakeDirs(dir);
    std::string d = dir + "/";
    WriteFileText(d + "fight.def", Text());
    std::vector<SffEntry> sprites;
    const unsigned char colours[] = {3, 2, 1};
    for (int i = 0; i < 3; i++) {
        SffEntry e;
        e.group = i + 1;
        e.pcx = PcxBytes(Solid(FK_BAR_W, FK_BAR_H, colours[i]));
        sprites.push_back(e);
    }
    SffEntry icon;
    icon.group = 4;
    icon.pcx = PcxBytes(Solid(FK_ICON_W, FK_ICON_W, 4));
    sprites.push_back(icon);
    WriteFileText(d + "fight.sff", SffBytes(sprites));
    SffEntry spark;
    spark.pcx = PcxBytes(PcxPattern(4, 4, 7));
    WriteFileText(d + "fightfx.sff", SffBytes({spark}));
    WriteFileText(d + "fightfx.air", AirAction(0, {AirElemLine(0, 0, 0, 0, 5)}));
    std::vector<SndEntry> sounds;
    for (int n = 0; n < 10; n++)
        sounds.push_back({1, n, WavMake(1, 8, 8000, WavSaw(16000, 1, 8, n))});
    sounds.push_back({9, 9, WavMake(1, 8, 8000, WavSaw(64, 1, 8, 1))});
    WriteFileText(d + "fight.snd", SndFileBytes(sounds));
    WriteFileText(d + "common.snd", SndFileBytes({{5, 0, WavMake(1, 8, 8000, WavSaw(64, 1, 8, 2))}}));
    WriteFileText(d + "kit.fnt", FightKitFont());
    return d + "fight.def";
}
