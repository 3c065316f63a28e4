// Fuzz kit: the shared body of the character targets: the input's files written as a directory or a zip archive and made into two players through the player cache.
#include "charfuzz.h"

#include <allegro.h>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzzkit.h"
#include "lib/snd-lib.h"
#include "support/zipkit.h"

int CharFuzzOne(const uint8_t *data, size_t size, bool zip)
{
    FuzzStart({"can only have max of"});
    static bool started = [] {
        FuzzGameStart();
        // Sound on, so that the sound file is read.
        return SndInstall(DIGI_NONE, MIDI_NONE, 8) == 1;
    }();
    (void)started;
    std::vector<std::string> files = FuzzSplit(data, size, CHAR_FUZZ_FILE_COUNT);
    FuzzRun([&] {
        // An empty part is a missing file. The directory stays from input to
        // input: each file is written over or removed.
        std::error_code ec;
        std::filesystem::create_directories("chars/kit");
        std::vector<ZipEntryData> entries;
        for (size_t i = 0; i < CHAR_FUZZ_FILE_COUNT; i++) {
            std::string path = std::string("chars/kit/") + CHAR_FUZZ_FILES[i];
            if (zip) {
                if (!files[i].empty())
                    entries.push_back({CHAR_FUZZ_FILES[i], files[i], i % 2 == 1});
            } else if (files[i].empty()) {
                std::filesystem::remove(path, ec);
            } else {
                FuzzWrite(path, files[i]);
            }
        }
        if (zip && !ZipArchiveWrite("chars/kit.zip", entries))
            return;
        FuzzFieldMakeAt(zip ? "chars/kit.zip" : "chars/kit", "kit.def", 2);
    });
    // After a fatal exit too: whatever the load had made goes.
    FuzzRun([&] { FuzzFieldFree(); });
    return 0;
}
