// Fuzz target: tracker modules of every kind, detected and loaded, their information read, the 15-sample kind and the datafile object tried, then played for a few seconds on a recording voice device.
#include <allegro.h>

#include "fuzzkit.h"
#include "music/tkmod-load.h"
#include "music/tkmod-play.h"
#include "support/tkmodkit.h"

enum { TICKS = 300 };

static void Play(TkmodModule *m)
{
    if (!m)
        return;
    TkmodFakeInstall();
    if (TkmodInstall(8) == 1 && TkmodPlay(m, 1) == 1) {
        for (int t = 0; t < TICKS; t++) {
            TkmodTick();
            if (t == TICKS / 2)
                TkmodNextTrack();
        }
        TkmodPosition pos;
        TkmodPositionGet(&pos);
        TkmodChannel ch;
        TkmodChannelGet(0, &ch);
    }
    TkmodRemove();
    TkmodDeviceSet(nullptr);
    TkmodDestroy(m);
}

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        std::string path = FuzzWrite("in.mod", data, size);
        TkmodInfo info;
        TkmodInfoGet(path.c_str(), &info);
        Play(TkmodLoad(path.c_str()));
        // The 15-sample kind has no signature: only asked for by name.
        Play(TkmodModLoad(path.c_str(), 15));
        // The own format as a datafile object.
        if (PACKFILE *pf = pack_fopen(path.c_str(), F_READ)) {
            TkmodDatafileDestroy(TkmodDatafileLoad(pf, (long)size));
            pack_fclose(pf);
        }
    });
    return 0;
}
