// Fuzz target: storyboards with their sprite file: scenes, layers, fades and backgrounds, played tick by tick and drawn.
#include <vector>

#include "fuzzkit.h"
#include "lib/cutscene.h"
#include "lib/pal.h"
#include "support/pixkit.h"

enum { TICKS = 60 };

static const char *const files[] = {"story/sb.def", "story/sb.sff"};

static void MusicPlay(const char *, int) {}
static void MusicStop() {}

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzCanvasStart();
    std::vector<std::string> parts = FuzzSplit(data, size, 2);
    FuzzRun([&] {
        FuzzWrite(files[0], parts[0]);
        FuzzWrite(files[1], parts[1]);
        Storyboard *sb = StoryboardLoad(files[0], "Scene", nullptr, nullptr);
        if (!sb)
            return;
        StoryboardSetBgmHooks(sb, MusicPlay, MusicStop);
        for (int t = 0; t < TICKS; t++) {
            int done = StoryboardTick(sb);
            StoryboardFade(sb);
            // Drawing is the slow part: every eighth tick shows what the others do.
            if (t % 8 == 0)
                StoryboardDraw(sb);
            if (done) {
                StoryboardRestart(sb);
                if (t > TICKS / 2)
                    break;
            }
        }
        StoryboardFree(sb);
        PalFxGlobalReset();
    });
    return 0;
}
