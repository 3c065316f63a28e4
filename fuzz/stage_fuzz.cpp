// Fuzz target: stage files with their background and music keys, loaded as a match loads them, then the background ticked and drawn from a moving camera.
#include <vector>

#include "fuzzkit.h"
#include "lib/bg.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "stagefuzz.h"
#include "support/pixkit.h"
#include "velok/core/gamevars.h"
#include "velok/match/match.h"

enum { TICKS = 40 };

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    static bool started = [] {
        FuzzGameStart();
        gv->cfg.engine.helperMax = 2;
        FuzzCanvasStart();
        return true;
    }();
    (void)started;
    std::vector<std::string> files = FuzzSplit(data, size, STAGE_FUZZ_FILE_COUNT);
    FuzzRun([&] {
        for (size_t i = 0; i < STAGE_FUZZ_FILE_COUNT; i++)
            FuzzWrite(STAGE_FUZZ_FILES[i], files[i]);
        StrCopy(gv->stageFile, sizeof gv->stageFile, STAGE_FUZZ_FILES[0]);
        if (StageLoad() && gv->stageBg) {
            for (int t = 0; t < TICKS; t++) {
                BGSetCameraEx(gv->stageBg, (float)(t * 13 % 400) - 200.0f, (float)(t % 9) * -7.0f, t % 3 - 1.0f,
                              0.0f);
                BGTick(gv->stageBg);
                // Drawing is the slow part: every eighth tick still meets camera
                // places left, right and level, each extra x offset, and what the
                // ticks between changed.
                if (t % 8 == 3) {
                    BGDrawLayer(gv->stageBg, 0);
                    BGDrawLayer(gv->stageBg, 1);
                }
            }
            BGReset(gv->stageBg);
        }
    });
    FuzzRun([&] { MatchPlayersFree(); });
    return 0;
}
