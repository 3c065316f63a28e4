// Menu test kit: a game record for the menu screens with a game buffer, the two system fonts and both players' keys, and input scripted frame by frame.
#include "support/menukit.h"

#include <allegro.h>

#include "lib/disp.h"
#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "support/gamekit.h"
#include "support/keykit.h"
#include "support/pixkit.h"
#include "velok/core/common.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"
#include "velok/screens/menus.h"

// A frame with one entry in one of its lists.
static MenuFrameInput FrameWith(std::vector<int> MenuFrameInput::*list, int value)
{
    MenuFrameInput in;
    (in.*list).push_back(value);
    return in;
}

MenuScript &MenuScript::Tap(int allegroKey)
{
    frames.push_back(FrameWith(&MenuFrameInput::keys, allegroKey));
    frames.push_back({});
    return *this;
}

MenuScript &MenuScript::Pad(int input)
{
    frames.push_back(FrameWith(&MenuFrameInput::pads, input));
    frames.push_back({});
    return *this;
}

MenuScript &MenuScript::Hold(int allegroKey)
{
    frames.push_back(FrameWith(&MenuFrameInput::presses, allegroKey));
    return *this;
}

MenuScript &MenuScript::Let(int allegroKey)
{
    frames.push_back(FrameWith(&MenuFrameInput::releases, allegroKey));
    return *this;
}

MenuScript &MenuScript::Wait(int n)
{
    frames.resize(frames.size() + (size_t)n);
    return *this;
}

static MenuScript script;
static int frameCount;
static int limit;

static void ScriptFrame()
{
    int f = frameCount++;
    if (f >= limit) {
        KeyKitTap(KEY_ESC);
        return;
    }
    if (f >= (int)script.frames.size())
        return;
    const MenuFrameInput &in = script.frames[(size_t)f];
    for (int k : in.presses)
        KeyKitPress(k);
    for (int k : in.keys)
        KeyKitTap(k);
    for (int k : in.releases)
        KeyKitRelease(k);
    for (int p : in.pads) {
        JoyEventPush(p);
        JoyEventPush(p | JOY_EVENT_OFF);
        InputEventPush(INPUT_JOY_BASE + p);
        InputEventPush((INPUT_JOY_BASE + p) | INPUT_RELEASE);
    }
}

static Font *FontFromBytes(const std::string &name)
{
    WriteFileText(name, GameFontBytes());
    return FontLoad(name.c_str());
}

void MenuTest::SetUp()
{
    TempDirTest::SetUp();
    // A display test has started Allegro with its X11 driver already.
    if (!system_driver)
        TestAllegroStart();
    LogStateReset();  // the status log is written in this test's directory
    gv = new GameVars();
    PalFxGlobalInit();
    disp = DispState{};
    disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
    disp.noFrameWait = 1;
    VbufTargetSet(disp.gameBuf, 0);
    gv->sysFont[0] = FontFromBytes("font1.fnt");
    gv->sysFont[1] = FontFromBytes("font2.fnt");
    InitKeysDefault();
    for (int p = 0; p < 2; p++) {
        InitKeysConfigDefault(p);
        SysKeysFill(&gv->cfg.input.keys[p], SYSKEYS_KEY_NONE);
    }

    KeyKitStart();

    MenuMotifDefaults(&menuMotif);
    MenuTitleCursorSet(0);
    script = MenuScript{};
    frameCount = 0;
    limit = 5000;
    MenuFrameHookSet(ScriptFrame);
}

void MenuTest::TearDown()
{
    MenuFrameHookSet(nullptr);
    MenuMotifDefaults(&menuMotif);
    KeyKitStop();
    vbufTarget = VbufTarget{};
    VbufSprFree(disp.gameBuf);
    disp = DispState{};
    FontFree(gv->sysFont[0]);
    FontFree(gv->sysFont[1]);
    PalListFree();
    delete gv;
    gv = nullptr;
    PalFxGlobalFree();
    LogStateReset();
    TempDirTest::TearDown();
}

static int WindowMode(int card, int w, int h)
{
    return set_gfx_mode(card == GFX_TEXT ? GFX_TEXT : GFX_AUTODETECT_WINDOWED, w, h, 0, 0);
}
static const GfxDevice windowsOnly = {WindowMode};

void MenuWindowTest::SetUp()
{
    ASSERT_TRUE(TestDisplayStart()) << "no X display";
    MenuTest::SetUp();
    ASSERT_EQ(GfxInit(), 1);
    GfxDeviceSet(&windowsOnly);
    ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 640, 480, 16), 1) << allegro_error;
}

void MenuWindowTest::TearDown()
{
    GfxDeviceSet(nullptr);
    GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);
    GfxShutdown();
    MenuTest::TearDown();
}

void MenuTest::Play(const MenuScript &s, int frameLimit)
{
    script = s;
    frameCount = 0;
    limit = frameLimit;
}

int MenuTest::Frames()
{
    return frameCount;
}

int MenuTest::PlayThrough(const MenuScript &s, int (*frame)())
{
    Play(s);
    int r = 1;
    while (r && Frames() < (int)s.frames.size())
        r = frame();
    return r;
}

BITMAP *MenuTest::Buffer()
{
    return VbufTargetBitmapGet(disp.gameBuf, 0);
}

uint16_t MenuTest::Pixel(int x, int y)
{
    return PixGet(Buffer(), x, y);
}
