// Test kit: stands in for the game and the players behind background-music records, recording each call the records make.
#pragma once
#include <string>
#include <vector>

#include "music/bgm.h"

struct BgmKit {
    // The game: sound on, every kind allowed, the configuration's default
    // volumes, 8 tracker voices, the window active.
    BGMSettings settings{};
    int tick = 0;
    int active = 1;
    BGM menu{};
    std::string error;
    std::vector<std::string> warnings;

    // The players' answers.
    std::string pluginExt;  // the one extension a plug-in claims (exact case)
    bool midiLoads = true, modInstalls = true, modLoads = true, pluginPlays = true, cdPlays = true;
    bool cdListed = true;        // the drive tells its tracks
    std::vector<int> cdTypes;    // track types from track 1 (PLAT_CD_TRACK_*)
    int randomValue = 0;
    int pluginVolume = 0;        // what the plug-in's volume reads
    int modVolume = 0;

    // Every call that acts, in order, as "name args" (queries are not listed).
    std::vector<std::string> calls;
    int pumps = 0;

    // The calls since the last look, which are then forgotten.
    std::vector<std::string> Take();
};

// Installs a fresh kit as host and back end of the records.
BgmKit *BgmKitInstall();
// Puts the real players back and leaves no host.
void BgmKitRemove();
