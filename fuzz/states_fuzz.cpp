// Fuzz target: state files: statedefs and the parameters of every controller, HitDef included, compiled for a player as a character load compiles them.
#include "fuzzkit.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/fieldkit.h"
#include "velok/script/statedef.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({"can only have max of"});
    static bool field = [] {
        FuzzGameStart();
        return FuzzFieldMake(FieldKitChar(), 2) == 1;
    }();
    if (!field)
        return 0;
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        if (!tp)
            return;
        StateDefList *list = nullptr;
        try {
            list = StateDefListLoad(tp, FuzzPlayer(1));
            if (list) {
                // A second file appended, as the command file's states are.
                TxtParseGroupReset(tp);
                StateDefListAppend(list, tp, FuzzPlayer(1));
                StateDefListFind(list, 0);
                StateDefListFind(list, -1);
            }
        } catch (...) {
            TxtParseClose(tp);
            StateDefListFree(list);
            throw;
        }
        TxtParseClose(tp);
        StateDefListFree(list);
    });
    return 0;
}
