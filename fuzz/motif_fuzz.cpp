// Fuzz target: motif system files with their sprite, sound and font files, then the select file with the characters and stages it lists.
#include <vector>

#include "fuzzkit.h"
#include "support/motifkit.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"
#include "velok/screens/charlist.h"
#include "velok/screens/sysfile.h"

// The files of an input, in order, joined by FUZZ_SEP. The fight screen it
// names ("fight/fight.def" in the kit) is the kit's, written once.
static const char *const files[] = {"data/system.def", "data/system.sff", "data/system.snd", "data/kit.fnt",
                                    "data/select.def"};
enum { FILES = sizeof files / sizeof files[0] };

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    static bool started = [] {
        FuzzGameStart();
        gv->motifDir = "data/";
        gv->motifFile = "system.def";
        gv->cfg.engine.sysExplodMax = 64;
        MotifKitMake().Write("data");
        SelectCharWrite("chars/kit", "kit.def", SelectChar());
        SelectChar plain;
        plain.name = "Plain";
        plain.portraits = false;
        SelectCharWrite("chars/plain", "plain.def", plain);
        SelectCharWriteZip("chars/zap.zip", "zap.def", SelectChar());
        SelectStageWrite("stages/a.def", "name = \"Stage A\"");
        return FuzzFontSoundStart();
    }();
    (void)started;
    std::vector<std::string> parts = FuzzSplit(data, size, FILES);
    FuzzRun([&] {
        for (size_t i = 0; i < FILES; i++)
            FuzzWrite(files[i], parts[i]);
        if (SysFileLoad() && SelectDefOpen("select.def"))
            SelectDefLoad();
    });
    FuzzRun([&] {
        SelectListsFree();
        SysFileFree();
        FightDataFree();
        PalListFree();
    });
    return 0;
}
