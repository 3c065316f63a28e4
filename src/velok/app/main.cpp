// Program entry: the constants check, the command line, start-up, the game's screens and shutdown.
#include <allegro.h>
#include <cstdio>
#include <cstdlib>

#include "lib/disp.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "velok/app/init.h"
#include "velok/app/mainloop.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/screens/charlist.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"
#include "velok/script/st-trig.h"

// Both buffers cleared and the whole game buffer the drawing target.
static void GraphicsSetUp()
{
    LogWrite("Set up graphics...");
    if (disp.buf2x && VbufTargetSet(disp.buf2x, 0))
        VbufClear(0);
    if (VbufTargetSet(disp.gameBuf, 0)) {
        VbufClear(0);
        VbufClipSet(0, 0, vbufTarget.width - 1, vbufTarget.height - 1);
    }
    LogWrite("timer...");
    TimerFpsWindowSet(30);
    TimerTicksSet(0);
    TimerSpeedSet(60);
    LogWrite("OK\n");
}

// The character list, and with the select flag the motif's select file.
static void SelectDataLoad(int selectFlag)
{
    LogWrite("Initializing character info...");
    if (!SelectListsAlloc())
        FatalExit();
    LogWrite("OK\n");
    if (!selectFlag)
        return;
    const char *path = gv->motif->selectFile;
    LogWrite("Initializing select screen...");
    if (!SelectDefOpen(path)) {
        GameErrorAppend("\nCannot load char select data in %s", path);
        FatalExit();
    }
    LogWrite("finding characters...");
    if (!SelectDefLoad()) {
        GameErrorAppend("\nError finding characters/stages in %s", path);
        FatalExit();
    }
    LogWrite("OK\n");
}

int main(int argc, char **argv)
{
    switch (InitConstTablesCheck(TrigConstNames, TRIG_CONST_COUNT)) {
    case 1:
        printf("CnstName doesn't match number of constants");
        fflush(stdout);
        return 1;
    case 2:
        printf("CnstType doesn't match number of constants");
        fflush(stdout);
        return 1;
    }

    CmdLineOptions opt;
    LogWrite("Parsing command line...\n");
    CmdLineParse(&opt, argc, argv);
    LogWrite("Parse command line OK\n");
    LogWrite("Initializing...\n");
    int selectFlag = 0;
    InitSystem(opt, &selectFlag);
    LogWrite("Initialize OK\n");

    GraphicsSetUp();

    // A storyboard named on the command line is all the program plays.
    if (opt.storyboard[0]) {
        MenuStoryboardPlay(opt.storyboard, "scene");
    } else {
        MenuStoryboardPlay(menuMotif.logoStoryboard, "scene");
        SelectDataLoad(selectFlag);
        if (!selectFlag)
            MainQuickVsSetup(opt);
        LogWrite("Entering main loop.\n");
        MainLoop(selectFlag);
        LogWrite("Returned from main loop.\n");
    }

    LogWrite("Deinitializing...\n");
    DeinitSystem(selectFlag);
    LogWrite("Successful program termination.\n");
    LogWrite("close log");
    return 0;
}
END_OF_MAIN()
