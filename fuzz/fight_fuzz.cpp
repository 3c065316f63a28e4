// Fuzz target: fight-screen files with the sprite, sound, effect and font files they name, loaded as start-up loads them, sound on.
#include <vector>

#include "fuzzkit.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"

// The files of an input, in order, joined by FUZZ_SEP.
static const char *const files[] = {"fight/fight.def",   "fight/fight.sff",  "fight/fight.snd", "fight/fightfx.sff",
                                    "fight/fightfx.air", "fight/common.snd", "fight/kit.fnt"};
enum { FILES = sizeof files / sizeof files[0] };

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    static bool started = [] {
        FuzzGameStart();
        return FuzzFontSoundStart();
    }();
    (void)started;
    std::vector<std::string> parts = FuzzSplit(data, size, FILES);
    FuzzRun([&] {
        for (size_t i = 0; i < FILES; i++)
            FuzzWrite(files[i], parts[i]);
        FightDefLoad(files[0]);
    });
    FuzzRun([&] {
        FightDataFree();
        PalListFree();
    });
    return 0;
}
