// Needs an X display: real windowed and full-screen modes.
#include "velok/core/screen.h"

#include <allegro.h>
#include <string>

#include "lib/disp.h"
#include "lib/gfx.h"
#include "lib/kbll-lib.h"
#include "lib/vbuf.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"

namespace {

const KbllDevice quietKeyboard = {
    [] { return 0; },
    [] {},
    [](int) {},
    [](int, int) {},
};

// Every mode is set as a window, so that no full-screen grab competes with
// other programs on the display; the card asked for is kept.
int lastCard = 0;
int WindowMode(int card, int w, int h)
{
    lastCard = card;
    return set_gfx_mode(card == GFX_TEXT ? GFX_TEXT : GFX_AUTODETECT_WINDOWED, w, h, 0, 0);
}
const GfxDevice windowsOnly = {WindowMode};

// Fails the mode switch asked for and lets the one that restores through.
int modeCalls = 0;
const GfxDevice failFirst = {
    [](int card, int w, int h) { return modeCalls++ == 0 ? -1 : WindowMode(card, w, h); },
};

class ScreenModes : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(TestDisplayStart()) << "no X display";
        LogStateReset();
        gv = new GameVars();
        gv->cfg.video = CfgVideo{640, 480, 16, 0, 0, 0, GFX_DRV_DIRECTX_WIN, 0};
        ASSERT_EQ(GfxInit(), 1);
        GfxDeviceSet(&windowsOnly);
        ASSERT_EQ(GfxSetMode(GFX_DRV_DIRECTX_WIN, 640, 480, 16), 1) << allegro_error;
        disp = DispState{};
        disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
        KbllDeviceSet(&quietKeyboard);
        ASSERT_EQ(KbllInit(), 1);
    }
    void TearDown() override
    {
        KbllDeinit();
        KbllDeviceSet(nullptr);
        GfxDeviceSet(nullptr);
        InitSwitchCallbacksRemove();
        VbufSprFree(disp.gameBuf);
        disp = DispState{};
        GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);
        GfxShutdown();
        delete gv;
        gv = nullptr;
        LogStateReset();
        TempDirTest::TearDown();
    }
    static std::string Log()
    {
        std::string text = GameLogClosed();
        LogStateReset();
        return text;
    }
};

TEST_F(ScreenModes, SwitchGoesToTheOtherKindOfMode)
{
    const int window = GFX_AUTODETECT_WINDOWED, full = GFX_AUTODETECT_FULLSCREEN;
    struct Case {
        int configured, fullscreenNow, want, card;
        const char *log;
    } cases[] = {
        {GFX_DRV_DIRECTX_WIN, 0, GFX_DRV_DIRECTX_ACCEL, full,
         "Attempting to set graphics to 640x480x16 mode 0x44584143 (fullscreen)...\nsuccess\n"},
        {GFX_DRV_DIRECTX_WIN, 1, GFX_DRV_DIRECTX_WIN, window,
         "Attempting to set graphics to 640x480x16 mode 0x4458574E...\nsuccess\n"},
        {GFX_DRV_DIRECTX_SOFT, 0, GFX_DRV_DIRECTX_SOFT, full,
         "Attempting to set graphics to 640x480x16 mode 0x4458534F (fullscreen)...\nsuccess\n"},
        {GFX_DRV_DIRECTX_SOFT, 1, GFX_DRV_DIRECTX_WIN, window,
         "Attempting to set graphics to 640x480x16 mode 0x4458574E...\nsuccess\n"},
        {GFX_DRV_GDI, 1, GFX_DRV_GDI, window, "Attempting to set graphics to 640x480x16 mode 0x47444942...\nsuccess\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.log);
        gv->cfg.video.driver = c.configured;
        vbufTarget = VbufTarget{};
        EXPECT_EQ(InitGfxModeSet(640, 480, 16, c.fullscreenNow), 1) << allegro_error;
        EXPECT_EQ(gfx.driver, c.want);
        EXPECT_EQ(lastCard, c.card);
        EXPECT_EQ(SCREEN_W, 640);
        EXPECT_EQ(vbufTarget.set, disp.gameBuf);
        EXPECT_EQ(Log(), c.log);
    }

    // A mode that cannot be set brings the configured one back.
    gv->cfg.video.driver = GFX_DRV_DIRECTX_WIN;
    gv->cfg.video.width = 320;
    gv->cfg.video.height = 240;
    modeCalls = 0;
    GfxDeviceSet(&failFirst);
    EXPECT_EQ(InitGfxModeSet(640, 480, 16, 0), 0);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN);
    EXPECT_EQ(SCREEN_W, 320);
    EXPECT_EQ(Log(), "Attempting to set graphics to 640x480x16 mode 0x44584143 (fullscreen)...\nfailed\n");
}

TEST_F(ScreenModes, AltEnterTogglesAndSwitchCallbacksFollowTheFocus)
{
    int code = SCREEN_KEY_ENTER;
    EXPECT_EQ(ScreenFullscreenToggle(&code), 0);  // no Alt down
    EXPECT_EQ(code, SCREEN_KEY_ENTER);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN);

    KbllScancodeHook(KEY_ALTGR);  // right Alt
    code = 30;
    disp.skipCounter = 3;
    EXPECT_EQ(ScreenFullscreenToggle(&code), 1);
    EXPECT_EQ(code, 30);
    EXPECT_EQ(disp.skipCounter, 3);  // only Enter switches

    code = SCREEN_KEY_ENTER;
    EXPECT_EQ(ScreenFullscreenToggle(&code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_ACCEL);
    EXPECT_EQ(lastCard, GFX_AUTODETECT_FULLSCREEN);
    EXPECT_EQ(disp.skipCounter, 0);
    code = SCREEN_KEY_ENTER;
    EXPECT_EQ(ScreenFullscreenToggle(&code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN);
    KbllScancodeHook(KEY_ALTGR | 0x80);

    // A refused switch leaves the key unconsumed; frame skipping restarts anyway.
    KbllScancodeHook(KEY_ALT);
    modeCalls = 0;
    GfxDeviceSet(&failFirst);
    code = SCREEN_KEY_ENTER;
    disp.skipCounter = 2;
    EXPECT_EQ(ScreenFullscreenToggle(&code), 1);
    EXPECT_EQ(code, SCREEN_KEY_ENTER);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN);
    EXPECT_EQ(disp.skipCounter, 0);
    KbllScancodeHook(KEY_ALT | 0x80);

    // A window cannot pause in the background here: it runs on instead.
    ScreenSwitchModeSet(1);
    EXPECT_EQ(get_display_switch_mode(), SWITCH_BACKGROUND);
    ScreenSwitchModeSet(0);
    EXPECT_EQ(get_display_switch_mode(), SWITCH_BACKGROUND);

    ASSERT_EQ(InitSwitchCallbacksSet(), 1);
    EXPECT_EQ(InitSwitchCallbacksSet(), 1);  // again: registered once more, not twice
    ScreenWindowActiveSet(1);
    InitSwitchOut();
    EXPECT_EQ(ScreenWindowActive(), 0);
    EXPECT_EQ(keyboard_lowlevel_callback, nullptr);
    InitSwitchIn();
    EXPECT_EQ(ScreenWindowActive(), 1);
    EXPECT_EQ(keyboard_lowlevel_callback, &KbllScancodeHook);
    InitSwitchCallbacksRemove();
    InitSwitchCallbacksRemove();
}

}  // namespace
