// Fuzz target: command files, then key events pushed through a key buffer into the command buffer and matched tick by tick.
#include <cstring>
#include <string>
#include <vector>

#include "fuzzkit.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "velok/core/gamevars.h"
#include "velok/player/cmd.h"
#include "velok/player/keybuf.h"

// Input: the command file, FUZZ_SEP, then one byte per tick: 0 nothing,
// else button (low 4 bits), release (0x10), facing switch (0x20), and a
// pause that only ticks the timers (0x40).
int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    if (!gv)
        gv = new GameVars();
    std::vector<std::string> parts = FuzzSplit(data, size, 2);
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile((const uint8_t *)parts[0].data(), parts[0].size());
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        if (!tp)
            return;
        CmdSet set{};
        int ok = CmdDefLoad(tp, &set);
        TxtParseClose(tp);
        if (!ok) {
            CmdSetFree(&set);
            return;
        }
        KeyBuf kb;
        CmdBuffer cb;
        CmdFlags flags;
        KeyBufClear(&kb);
        CmdBufferClear(&cb);
        memset(&flags, 0, sizeof flags);
        const std::string &keys = parts[1];
        // Ticks past the last event let every timer run out.
        size_t ticks = keys.size() + 40;
        if (ticks > 4000)
            ticks = 4000;
        for (size_t t = 0; t < ticks; t++) {
            int byte = t < keys.size() ? (unsigned char)keys[t] : 0;
            int tick = (int)t + 1;
            if (byte & 0x40) {
                CmdTimersTick(&flags, 1, 1);
                continue;
            }
            CmdTimersTick(&flags, 1, 0);
            if (byte & 0x20)
                KeyBufSetFacing(&kb, !kb.faceLeft);
            if (byte & 0x0F)
                KeyBufPushCodeFaced(&kb, byte & 0x1F);
            int ev = KeyBufPop(&kb);
            CmdKeysFromInput(&cb, &kb);
            CmdBufferPush(&kb, &cb, ev, tick);
            CmdBufferProcess(&flags, &set, &cb, tick, t % 5 == 4 ? CMD_KIND_RECOVERY : CMD_KIND_NORMAL);
            for (int label = 0; label < set.labelCount && label < CMD_LABEL_MAX; label++)
                CmdIsActive(&flags, label);
        }
        CmdSetFree(&set);
    });
    return 0;
}
