// Fuzz target: the configuration file: every engine group read at start-up, then the options loaded and saved back through the editing mode, and read again.
#include "fuzzkit.h"
#include "lib/input-lb.h"
#include "music/plugin.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        gv = new GameVars();
        gv->noJoy = 1;
        FuzzWrite("data/velok.cfg", data, size);
        try {
            if (SysCfgLoad("data/velok.cfg")) {
                SysOptionsDefault();
                SysOptionsLoad();
                SysOptionsSave();
                SysOptionsLoad();
            }
        } catch (...) {
            PluginSlotsFree();
            InputDeinit();
            delete gv;
            gv = nullptr;
            throw;
        }
        PluginSlotsFree();
        InputDeinit();
        delete gv;
        gv = nullptr;
    });
    return 0;
}
