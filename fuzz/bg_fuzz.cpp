// Fuzz target: backgrounds read from a definition file by name, at both pixel scales, ticked and drawn from a moving camera.
#include <vector>

#include "fuzzkit.h"
#include "lib/bg.h"
#include "lib/pal.h"
#include "stagefuzz.h"
#include "support/pixkit.h"

enum { TICKS = 40 };

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzCanvasStart();
    std::vector<std::string> files = FuzzSplit(data, size, STAGE_FUZZ_FILE_COUNT);
    FuzzRun([&] {
        for (size_t i = 0; i < STAGE_FUZZ_FILE_COUNT; i++)
            FuzzWrite(STAGE_FUZZ_FILES[i], files[i]);
        for (const char *name : {"BG", "Menu"}) {
            BGDef *bg = BGLoadFile(STAGE_FUZZ_FILES[0], name);
            if (!bg)
                continue;
            BGSetPixelScale(bg, name[0] == 'M' ? 2 : 1);
            for (int t = 0; t < TICKS; t++) {
                BGSetCamera(bg, (float)(t * 29 % 700) - 350.0f, (float)(t % 5) * -11.0f);
                BGTick(bg);
                // Drawing is the slow part: every eighth tick still meets camera
                // places left, right, above and level, and what the ticks between changed.
                if (t % 8 == 3) {
                    BGDrawAll(bg);
                }
            }
            BGFree(bg);
        }
    });
    return 0;
}
