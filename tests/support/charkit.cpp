// Test kit: a small character (definition, constants, commands, states, a one-image sprite file, an animation file) as a directory or a zip archive.
#include "support/charkit.h"

#include <vector>

#include "kit/enginekit.h"
#include "kit/sprkit.h"
#include "support/deftext.h"
#include "support/testkit.h"
#include "support/zipkit.h"

std::string CharKitDefText(const std::string &name, const std::string &filesExtra)
{
    return "[Info]\n"
           "name = \"" + name + "\"\n"
           "displayname = \"" + name + " Shown\"\n"
           "author = \"Kit Maker\"\n"
           "versiondate = 3,4,2002\n"
           "velokversion = 6,14,2003\n"
           "\n"
           "[Files]\n"
           "cmd = kit.cmd\n"
           "cns = kit.cns\n"
           "st = kit.cns\n"
           "sprite = kit.sff\n"
           "anim = kit.air\n"
           "pal1 = kit1.act\n" + filesExtra;
}

std::string CharKitConstantsText()
{
    return "[Data]\n"
           "life = 1000\n"
           "attack = 100\n"
           "defence = 100\n"
           "fall.defence_up = 50\n"
           "liedown.time = 60\n"
           "airjuggle = 15\n"
           "sparkno = 2\n"
           "volume = 10\n"
           "IntPersistIndex = 50\n"
           "FloatPersistIndex = 30\n"
           "[Size]\n"
           "xscale = 2\n"
           "yscale = 1\n"
           "ground.back = 15\n"
           "ground.front = 16\n"
           "air.back = 12\n"
           "air.front = 12\n"
           "height = 60\n"
           "head.pos = -5, -90\n"
           "mid.pos = -5\n"
           "[Velocity]\n"
           "walk.fwd = 2.4\n"
           "walk.back = -2.2\n"
           "run.fwd = 4.6, 0\n"
           "run.back = -4.5, -3.8\n"
           "jump.neu = 0, -8.4\n"
           "jump.back = -2.55\n"
           "jump.fwd = 2.5\n"
           "runjump.back = -2.55\n"
           "airjump.neu = 0, -8.1\n"
           "[Movement]\n"
           "airjump.num = 1\n"
           "airjump.height = 35\n"
           "yaccel = .44\n"
           "stand.friction = .85\n"
           "crouch.friction = .82\n";
}

std::string CharKitCmdText()
{
    return "[Defaults]\n"
           "command.time = 15\n"
           "command.buffer.time = 1\n"
           "[Command]\n"
           "name = \"FF\"\n"
           "command = F, F\n"
           "time = 10\n"
           "[Command]\n"
           "name = \"a\"\n"
           "command = a\n"
           "[Command]\n"
           "name = \"recovery\"\n"
           "command = x+y\n"
           "[Statedef -1]\n"
           "[State -1, punch]\n"
           "type = VarAdd\n"
           "trigger1 = command = \"a\"\n"
           "v = 1\n"
           "value = 1\n";
}

std::string CharKitStatesText()
{
    return "[Statedef 0]\n"
           "type = S\n"
           "physics = S\n"
           "ctrl = 1\n"
           "[State 0, count]\n"
           "type = VarAdd\n"
           "trigger1 = 1\n"
           "v = 0\n"
           "value = 1\n"
           "[Statedef -2]\n"
           "[State -2, always]\n"
           "type = VarAdd\n"
           "trigger1 = 1\n"
           "v = 2\n"
           "value = 1\n";
}

CharKit::CharKit()
{
    def = CharKitDefText(name);
    cmd = CharKitCmdText();
    cns = CharKitConstantsText() + CharKitStatesText();
    air = AirAction(0, {AirElemLine(0, 0, 0, 0, -1)});
    PcxSpec pcx = PcxPattern(4, 3, 7);
    SffEntry e;
    e.group = 0;
    e.number = 0;
    e.pcx = PcxBytes(pcx);
    sff = SffBytes({e});
    std::vector<unsigned char> rgb(768);
    for (int i = 0; i < 256; i++) {
        rgb[3 * i] = (unsigned char)i;
        rgb[3 * i + 1] = 10;
        rgb[3 * i + 2] = (unsigned char)(255 - i);
    }
    act = ActFileBytes(rgb);
}

std::map<std::string, std::string> CharKit::Files() const
{
    std::map<std::string, std::string> files;
    auto put = [&](const std::string &n, const std::string &t) {
        if (!t.empty())
            files[n] = t;
    };
    put(defName, def);
    put("kit.cmd", cmd);
    put("kit.cns", cns);
    put("kit.st", states);
    put("common.cns", common);
    put("kit.air", air);
    put("kit.sff", sff);
    put("kit1.act", act);
    for (auto &e : extra)
        files[e.first] = e.second;
    return files;
}

void CharKit::WriteDir(const std::string &dir) const
{
    for (auto &f : Files())
        DefFileWrite(dir + "/" + f.first, f.second);
}

bool CharKit::WriteZip(const std::string &path) const
{
    std::vector<ZipEntryData> entries;
    for (auto &f : Files()) {
        ZipEntryData e;
        e.name = f.first;
        e.data = f.second;
        entries.push_back(e);
    }
    return ZipArchiveWrite(path, entries);
}

void CharKitEntrySet(CharInfo *e, const std::string &dir, const std::string &defFile)
{
    CharEntrySet(e, dir, defFile);
}
