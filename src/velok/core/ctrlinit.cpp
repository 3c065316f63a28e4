// Controls set-up: the default keys, the pad installation and the key remap table of the input layer.
#include "velok/core/ctrlinit.h"

#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/libbase.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"

enum { JOY_TYPE_HOOKED = 22 };

// Player 1: Up, Right, Down, Left, ",", ".", "/", L, ";", the double-quote key,
// Enter. Player 2: Pad 8, Pad 6, Pad 2, Pad 4, Pad -, Pad +, Pad Enter,
// NumLock, Pad /, Pad *, Pad 3.
static const KeyConfig defaultKeys[2] = {
    {{0, 200, 205, 208, 203, 51, 52, 53, 38, 39, 40, 28, 0}},
    {{0, 72, 77, 80, 75, 74, 78, 156, 69, 181, 55, 81, 0}},
};

void InitKeysDefault()
{
    for (int p = 0; p < 2; p++) {
        gv->playKeys[p].key[0] = gv->playKeys[p].key[12] = SYSKEYS_KEY_NONE;
        for (int k = 1; k <= KEYCONFIG_KEYS; k++)
            gv->playKeys[p].key[k] = defaultKeys[p].key[k];
    }
}

void InitKeysConfigDefault(int side)
{
    if (side < 0 || side > 1)
        return;
    for (int k = 1; k <= KEYCONFIG_KEYS; k++)
        gv->cfg.input.keys[side].key[k] = defaultKeys[side].key[k];
}

int InitKeysRemap()
{
    int table[INPUT_REMAP_SIZE];
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        table[i] = i;
    const CfgInput &in = gv->cfg.input;
    for (int p = 0; p < 2; p++) {
        for (int k = 1; k <= KEYCONFIG_KEYS; k++) {
            int to = defaultKeys[p].key[k];
            // Configured values come from the file: only real keys and pad
            // inputs index the table (256 and 128 are the empty slots).
            int keyCode = in.keys[p].key[k];
            if (keyCode >= 1 && keyCode < INPUT_JOY_BASE)
                table[keyCode] = to;
            // A side without a pad keeps its pad record (the options file
            // keeps it) but maps nothing: its buttons could be another side's.
            int pad = in.joyKeys[p].key[k];
            if (in.useJoystick[p] && pad >= 0 && pad < JOY_INPUT_COUNT)
                table[INPUT_JOY_BASE + pad] = to;
        }
    }
    LogWrite("Remapping keys...");
    if (!InputRemapSet(table))
        return 0;
    LogWrite("Reinitializing input engine...");
    if (!InputReinit())
        return 0;
    LogWrite("OK\n");
    return 1;
}

void InitPadsReinit()
{
    CfgInput &in = gv->cfg.input;
    // The options screen edits the live pad records, so there is nothing to copy.
    if (JoyIsInstalled()) {
        LogWrite("Deinitializing pads\n");
        JoyRemove();
    }
    if ((in.useJoystick[0] || in.useJoystick[1]) && !gv->noJoy) {
        LogWrite("Initializing pads...");
        int type = in.useJoystick[0] ? in.joyType[0] : in.joyType[1];
        if (type == JOY_TYPE_HOOKED)
            JoyPollStub();
        if (JoyInstall(type, 0)) {
            LogWrite("OK\n");
        } else {
            LogWrite("failed\n");
            in.useJoystick[0] = in.useJoystick[1] = 0;
        }
    }
    LogWrite("Reinitializing input engine...");
    if (!InputReinit())
        FatalExitf("Can't init input");
    LogWrite("OK\n");
}
