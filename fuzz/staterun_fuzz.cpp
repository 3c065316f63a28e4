// Fuzz target: a character whose state file is the input, loaded through the player cache and run for a few seconds of game ticks on a two-player field, with key events for player 1.
#include <filesystem>
#include <string>
#include <vector>

#include "fuzzkit.h"
#include "support/charkit.h"
#include "support/movekit.h"
#include "velok/core/gamevars.h"
#include "velok/match/gameloop.h"
#include "velok/player/keybuf.h"
#include "velok/player/player.h"

enum { TICKS = 180 };

// Input: the state file, FUZZ_SEP, then one byte a tick for player 1's key
// buffer (button in the low 4 bits, release 0x10).
int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({"alformed expression", "Type mismatch detected", "Expression stack overflow",
               "Expression stack underflow", "can only have max of", "State machine stuck in loop"});
    static bool started = [] {
        FuzzGameStart();
        FuzzRoundStart();
        return true;
    }();
    (void)started;
    // The character's other files are the same for every input: written once.
    static const std::string defName = [] {
        CharKit kit = MoveKitChar();
        std::string def = CharKitDefText(kit.name, "stcommon = common.cns\n");
        def.replace(def.find("st = kit.cns"), 12, "st = kit.st");
        kit.def = def;
        kit.WriteDir("chars/kit");
        return kit.defName;
    }();
    std::vector<std::string> parts = FuzzSplit(data, size, 2);
    // An empty state file is a missing one, as in the character targets.
    std::error_code ec;
    if (parts[0].empty())
        std::filesystem::remove("chars/kit/kit.st", ec);
    else
        FuzzWrite("chars/kit/kit.st", parts[0]);
    FuzzRun([&] {
        if (!FuzzFieldMakeAt("chars/kit", defName.c_str(), 2))
            return;
        gv->round.state = 2;
        gv->round.tick = 0;
        gv->round.timeLeft = 100 * gv->fightRound.framesPerCount - 1;
        gv->gameTick = 0;
        const std::string &keys = parts[1];
        for (int t = 0; t < TICKS; t++) {
            int byte = t < (int)keys.size() ? (unsigned char)keys[t] : 0;
            if (Player *p1 = FuzzPlayer(1); p1 && (byte & 0x0F))
                KeyBufPushCodeFaced(&p1->keyBuf, byte & 0x1F);
            if (GameLoopTick())
                break;
        }
    });
    // A fatal exit in the middle of a tick leaves the field as it was then.
    FuzzRun([&] { FuzzFieldFree(); });
    return 0;
}
