// Test kit: a motif (system file with its sprites, sounds, font and fight screen), select files and the small characters they list, written in code.
#include "support/motifkit.h"

#include "support/sndkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"
#include "support/zipkit.h"
#include "velok/core/gamevars.h"

void MotifKitSettingsSet()
{
    gv->motifDir = "data/";
    gv->motifFile = "system.def";
    gv->cfg.engine.explodMax = 8;
    gv->cfg.engine.sysExplodMax = 64;
}

MotifKit MotifKitMake()
{
    MotifKit kit;
    kit.Group("Files") = {"spr = system.sff", "snd = system.snd", "fight = fight/fight.def",
                          "select = select.def", "font1 = kit.fnt", "font2 = kit.fnt"};
    kit.Group("Music");
    kit.Group("Title Info") = {"fadein.time = 10", "menu.pos = 159,158"};
    kit.Group("Option Info") = {"cursor.move.snd = 1,0"};
    kit.Group("Select Info") = {
        "rows = 2", "columns = 3", "pos = 10,20", "cell.size = 10,10", "cell.spacing = 2",
        "p1.cursor.startcell = 0,0", "p2.cursor.startcell = 0,2", "cell.bg.spr = 100,0",
        "cell.random.spr = 101,0", "p1.cursor.active.spr = 110,0", "p2.cursor.active.spr = 111,0",
        "p1.cursor.move.snd = 1,0", "p1.cursor.done.snd = 1,1", "p2.cursor.move.snd = 1,0",
        "p2.cursor.done.snd = 1,1", "cancel.snd = 1,2", "title.font = 1,0,0", "title.offset = 160,10",
        "p1.face.offset = 20,200", "p2.face.offset = 300,200", "p1.name.font = 1,0,1", "p2.name.font = 1,0,-1",
        "stage.pos = 160,220", "stage.active.font = 1,0,0", "stage.active2.font = 1,0,0",
        "stage.done.font = 1,0,0"};
    kit.Group("VS Screen") = {"time = 20", "fadein.time = 4", "fadeout.time = 4", "p1.pos = 40,200",
                              "p2.pos = 280,200", "p1.name.font = 1,0,1"};
    for (const char *bg : {"TitleBG", "VersusBG", "SelectBG", "OptionBG"}) {
        kit.Group(std::string(bg) + "def") = {"bgclearcolor = 0,0,0"};
        kit.Group(std::string(bg) + " back") = {"type = normal", "spriteno = 120,0", "start = 0,0", "delta = 0,0",
                                                  "tile = 1,1"};
    }
    return kit;
}

std::string MotifKit::Write(const std::string &dir) const
{
    MakeDirs(dir);
    std::string d = dir + "/";
    WriteFileText(d + "system.def", Text());
    WriteFileText(d + "system.sff",
                  BgSffBytes({BgImageFill(100, 0, 10, 10, MK_CELL), BgImageFill(101, 0, 10, 10, MK_RANDOM),
                              BgImageFill(110, 0, 4, 4, MK_CURSOR1), BgImageFill(111, 0, 4, 4, MK_CURSOR2),
                              BgImageFill(120, 0, 16, 16, MK_BG)}));
    std::vector<SndEntry> sounds;
    for (int n = 0; n < 4; n++)
        sounds.push_back({1, n, WavMake(1, 8, 8000, WavSaw(64, 1, 8, n))});
    WriteFileText(d + "system.snd", SndFileBytes(sounds));
    WriteFileText(d + "kit.fnt", FightKitFont());
    FightKitMake().Write(d + "fight");
    WriteFileText(d + "select.def", select);
    return d + "system.def";
}

std::string SelectChar::defText() const
{
    std::string t = "[Info]\nname = \"" + name + "\"\n";
    if (!displayName.empty())
        t += "displayname = " + displayName + "\n";
    if (!palDefaults.empty())
        t += "pal.defaults = " + palDefaults + "\n";
    t += "[Arcade]\n";
    if (!intro.empty())
        t += "intro.storyboard = " + intro + "\n";
    if (!ending.empty())
        t += "ending.storyboard = " + ending + "\n";
    t += "[Files]\nsprite = kit.sff\n";
    for (int n = 1; n <= pals; n++)
        t += "pal" + std::to_string(n) + " = kit" + std::to_string(n) + ".act\n";
    return t;
}

static std::string PortraitSff(const SelectChar &c)
{
    std::vector<BgImage> images = {BgImageFill(0, 0, 2, 2, 1)};
    if (c.portraits) {
        images.push_back(BgImageFill(9000, 0, 6, 6, (uint8_t)c.value));
        images.push_back(BgImageFill(9000, 1, 8, 8, (uint8_t)(c.value + 1)));
    }
    return BgSffBytes(images);
}

void SelectCharWrite(const std::string &dir, const std::string &defName, const SelectChar &c)
{
    MakeDirs(dir);
    WriteFileText(dir + "/" + defName, c.defText());
    WriteFileText(dir + "/kit.sff", PortraitSff(c));
}

bool SelectCharWriteZip(const std::string &zipPath, const std::string &defName, const SelectChar &c)
{
    return ZipArchiveWrite(zipPath, {{defName, c.defText()}, {"kit.sff", PortraitSff(c)}});
}

void SelectStageWrite(const std::string &path, const std::string &nameLine)
{
    size_t cut = path.find_last_of('/');
    if (cut != std::string::npos)
        MakeDirs(path.substr(0, cut));
    WriteFileText(path, "[Info]\n" + (nameLine.empty() ? std::string() : nameLine + "\n") + "[Camera]\n");
}
