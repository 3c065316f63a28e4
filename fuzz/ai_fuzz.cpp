// Fuzz target: learning-AI files read, merged into and copied from learned data, saved and read again.
#include "fuzzkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-ai.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    static bool started = [] {
        FuzzGameStart();
        return true;
    }();
    (void)started;
    FuzzRun([&] {
        std::string path = FuzzWrite("chars/kit/kit.ai", data, size);
        AIInfo info{}, other{}, back{};
        if (AIInfoLoad(path.c_str(), &info) && AIInfoInit(&other)) {
            AIInfoMerge(&other, &info);
            AIInfoMerge(&other, &info);
            if (AIInfoInit(&back) && AIInfoCopy(&back, &other) >= 0 && AIInfoSave("chars/kit/saved.ai", &back))
                AIInfoLoad("chars/kit/saved.ai", &back);
        }
        AIInfoFree(&info);
        AIInfoFree(&other);
        AIInfoFree(&back);
    });
    return 0;
}
