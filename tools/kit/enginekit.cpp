// Engine stand-ins: a timer device that installs nothing and a select entry that names a character, for the programs that run the engine outside the game's own start-up (the data maker's lessons, the tests).
#include "kit/enginekit.h"

#include <cstring>

#include "lib/libbase.h"
#include "velok/player/p-make.h"

const TimerDevice kQuietTimer = {
    [] { return 0; },
    [] {},
    [](void (*)(), long) { return 0; },
    [](void (*)()) {},
    [](unsigned) {},
};

void CharEntrySet(CharInfo *e, const std::string &dir, const std::string &defFile)
{
    memset(e, 0, sizeof *e);
    StrCopy(e->dir, sizeof e->dir, dir.c_str());
    StrCopy(e->defFile, sizeof e->defFile, defFile.c_str());
}
