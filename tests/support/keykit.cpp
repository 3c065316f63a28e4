// Key test kit: the keyboard layer and the input engine installed over a keyboard that installs nothing, driven by Allegro key identifiers.
#include "support/keykit.h"

#include <allegro.h>

#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "velok/core/screen.h"

static const KbllDevice fakeKeyboard = {
    [] { return 0; }, [] {}, [](int) {}, [](int, int) {},
};

void KeyKitStart()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
    KbllDeviceSet(&fakeKeyboard);
    KbllInit();
    InputInit();
    KbllPauseSet(0);
    JoyEventClear();
}

void KeyKitStop()
{
    InputDeinit();
    KbllDeinit();
    KbllDeviceSet(nullptr);
    JoyEventClear();
}

void KeyKitPress(int allegroKey)
{
    KbllScancodeHook(allegroKey);
}

void KeyKitRelease(int allegroKey)
{
    KbllScancodeHook(allegroKey | 0x80);
}

void KeyKitTap(int allegroKey)
{
    // Allegro's X11 keyboard turns each tap of Pause into one event, a press
    // and a release in turn.
    if (allegroKey == KEY_PAUSE) {
        KbllScancodeHook(KEY_PAUSE | (KbllKeyDown(KBLL_KEY_PAUSE) ? 0x80 : 0));
        return;
    }
    KeyKitPress(allegroKey);
    KeyKitRelease(allegroKey);
}

static const GfxDevice anyMode = {[](int, int, int) { return 0; }};

KeyKitModesAccepted::KeyKitModesAccepted() : saved(gfx)
{
    GfxDeviceSet(&anyMode);
}

KeyKitModesAccepted::~KeyKitModesAccepted()
{
    InitSwitchCallbacksRemove();
    GfxDeviceSet(nullptr);
    gfx = saved;
}
