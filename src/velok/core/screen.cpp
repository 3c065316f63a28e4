// Screen modes: the graphics-mode switch, the full-screen toggle and the display-switch callbacks.
#include "velok/core/screen.h"

#include <allegro.h>
#include <atomic>

#include "lib/disp.h"
#include "lib/gfx.h"
#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"

static std::atomic<int> windowActive{0};
static int callbacksSet = 0;

int ScreenWindowActive()
{
    return windowActive.load();
}

void ScreenWindowActiveSet(int on)
{
    windowActive = on ? 1 : 0;
}

int ScreenDriverIsFullscreen(int driver)
{
    return driver == GFX_DRV_DIRECTX_ACCEL || driver == GFX_DRV_DIRECTX_SOFT;
}

void ScreenSwitchModeSet(int pause)
{
    if (pause && set_display_switch_mode(SWITCH_PAUSE) == 0)
        return;
    set_display_switch_mode(SWITCH_BACKGROUND);
}

int InitGfxModeSet(int width, int height, int depth, int fullscreenNow)
{
    const CfgVideo &v = gv->cfg.video;
    int driver;
    if (fullscreenNow)
        driver = ScreenDriverIsFullscreen(v.driver) ? GFX_DRV_DIRECTX_WIN : v.driver;
    else
        driver = ScreenDriverIsFullscreen(v.driver) ? v.driver : GFX_DRV_DIRECTX_ACCEL;
    LogWrite("Attempting to set graphics to %ix%ix%i mode 0x%X%s...", width, height, depth, (unsigned)driver,
             ScreenDriverIsFullscreen(driver) ? " (fullscreen)" : "");
    int ok = GfxSetMode(driver, width, height, depth);
    if (!ok)
        GfxSetMode(v.driver, v.width, v.height, v.depth);
    if ((ok ? depth : v.depth) == 32)
        GfxSetSwapRB(1);
    if (v.blitMode == 1)
        GfxSetPageFlip(v.blitMode, 1);
    if (disp.gameBuf)
        VbufTargetSet(disp.gameBuf, 0);
    LogWrite(ok ? "\nsuccess\n" : "\nfailed\n");
    return ok;
}

int InitSwitchCallbacksSet()
{
    InitSwitchCallbacksRemove();
    if (set_display_switch_callback(SWITCH_OUT, InitSwitchOut) != 0)
        return 0;
    if (set_display_switch_callback(SWITCH_IN, InitSwitchIn) != 0) {
        remove_display_switch_callback(InitSwitchOut);
        return 0;
    }
    callbacksSet = 1;
    return 1;
}

void InitSwitchCallbacksRemove()
{
    if (!callbacksSet)
        return;
    remove_display_switch_callback(InitSwitchOut);
    remove_display_switch_callback(InitSwitchIn);
    callbacksSet = 0;
}

void InitSwitchOut()
{
    windowActive = 0;
    KbllHookRemove();
}

void InitSwitchIn()
{
    windowActive = 1;
    KbllHookRestore();
    KbllResync();
}

int ScreenFullscreenToggle(int *keyCode)
{
    if (!KbllKeyDown(SCREEN_KEY_LEFT_ALT) && !KbllKeyDown(SCREEN_KEY_RIGHT_ALT))
        return 0;
    if (*keyCode == SCREEN_KEY_ENTER) {
        if (InitGfxModeSet(gfx.width, gfx.height, gfx.depth, ScreenDriverIsFullscreen(gfx.driver))) {
            *keyCode = 0;
            ScreenSwitchModeSet(ScreenDriverIsFullscreen(gfx.driver));
            InitSwitchCallbacksSet();
        }
        DispFrameSkipReset();
    }
    return 1;
}

int ScreenFullscreenToggleEvent(int *inputEvent)
{
    int code = *inputEvent;
    if (code <= 0 || code >= INPUT_JOY_BASE)
        return 0;
    int alt = ScreenFullscreenToggle(&code);
    if (code == 0)
        *inputEvent = 0;
    return alt;
}
