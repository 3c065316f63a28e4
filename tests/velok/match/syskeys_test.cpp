// System keys of the round loop: pause and frame step, quitting, screenshots and the debug keys, driven by key events.
#include "velok/match/syskeys.h"

#include <allegro.h>

#include <dirent.h>
#include <string>

#include "lib/disp.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "support/keykit.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "velok/core/ctrlinit.h"
#include "velok/match/gameloop.h"
#include "velok/match/training.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"

namespace {

class Keys : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        GameLoopEnter(GAMELOOP_MATCH);
        StateAt(2, 10);
        gv->cfg.debug.allowDebugKeys = 1;
        gv->cfg.debug.allowDebugMode = 1;
        gv->fightRound.framesPerCount = 60;
        gv->options.time = 99;
    }
    void TearDown() override
    {
        GameLoopLeave();
        if (disp.gameBuf)
            VbufSprFree(disp.gameBuf);
        RoundField::TearDown();
    }
    // Reads every queued key event, one per call as the loop does, without
    // running a tick.
    void Drain()
    {
        while (KbllEventPending())
            GameLoopSystemKeys();
    }
    void Key(int allegroKey)
    {
        KeyKitTap(allegroKey);
        Drain();
    }
    void Hold(int allegroKey)
    {
        KeyKitPress(allegroKey);
        Drain();
    }
    void Let(int allegroKey)
    {
        KeyKitRelease(allegroKey);
        Drain();
    }
    int Shots()
    {
        int n = 0;
        DIR *d = opendir(".");
        while (dirent *e = readdir(d)) {
            std::string name = e->d_name;
            n += name.rfind("velok", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".pcx";
        }
        closedir(d);
        return n;
    }
};

TEST_F(Keys, FrameSkipCycle)
{
    struct Case {
        int current, noFrameWait, next, sound;
    } cases[] = {
        {-1, 1, 0, -1},    {0, 1, 1, -1},     {1, 1, 2, -1},   {2, 1, 2000, 0},
        {2000, 1, -1, 1},  {2, 0, -1, 1},     {2000, 0, -1, 1}, {-1, 0, 0, -1},
        {7, 1, 2000, 0},   {5000, 1, -1, 1},
    };
    for (const Case &c : cases) {
        int sound = 99;
        EXPECT_EQ(SysKeysFrameSkipNext(c.current, c.noFrameWait, &sound), c.next) << c.current << " " << c.noFrameWait;
        EXPECT_EQ(sound, c.sound) << c.current << " " << c.noFrameWait;
    }

    // Through Ctrl+F: the setting and the sound switch follow the cycle.
    disp.frameSkip = -1;
    disp.noFrameWait = 1;
    gv->cfg.sound.sound = 1;
    Hold(KEY_LCONTROL);
    for (int want : {0, 1, 2, 2000}) {
        Key(KEY_F);
        EXPECT_EQ(disp.frameSkip, want);
    }
    EXPECT_EQ(gv->cfg.sound.sound, 0);
    Key(KEY_F);
    EXPECT_EQ(disp.frameSkip, -1);
    EXPECT_EQ(gv->cfg.sound.sound, 1);
}

TEST_F(Keys, SpaceGetsLyingPlayersUpAndRefillsEveryFighter)
{
    Player *down = P(2);
    PlayerStateSet(down, 5150);
    down->life = 0;
    down->alive = 0;
    down->visible = 0;
    down->getHit.fallRecoverFlag = 1;
    down->getHit.recoverCount = 7;
    down->power = 0;
    P(1)->life = 10;
    P(1)->state.stateNo = 0;
    gv->round.timeLeft = 5;

    Key(KEY_SPACE);
    EXPECT_EQ(down->state.stateNo, 5120);
    EXPECT_EQ(P(1)->state.stateNo, 0) << "a standing player keeps its state";
    for (Player *pl : {P(1), P(2)}) {
        EXPECT_EQ(pl->life, pl->lifeMax);
        EXPECT_EQ(pl->alive, 1);
        EXPECT_EQ(pl->visible, 1);
        EXPECT_EQ(PlayerPowerGet(pl), PlayerPowerMaxGet(pl));
    }
    EXPECT_EQ(down->getHit.fallRecoverFlag, 0);
    EXPECT_EQ(down->getHit.recoverCount, 0);
    EXPECT_EQ(gv->round.timeLeft, 100 * 60 - 1);

    // Held down it acts every frame; training keeps its clock.
    gv->matchKind = MATCH_KIND_TRAINING;
    gv->round.timeLeft = -1;
    Hold(KEY_SPACE);
    P(1)->life = 3;
    GameLoopSystemKeys();
    EXPECT_EQ(P(1)->life, P(1)->lifeMax);
    EXPECT_EQ(gv->round.timeLeft, -1);
    Let(KEY_SPACE);

    // Without the debug keys nothing happens.
    gv->cfg.debug.allowDebugKeys = 0;
    P(1)->life = 3;
    Key(KEY_SPACE);
    EXPECT_EQ(P(1)->life, 3);
    gv->debugPlayer = 2;  // a followed player allows them
    Key(KEY_SPACE);
    EXPECT_EQ(P(1)->life, P(1)->lifeMax);
}

TEST_F(Keys, FunctionKeys)
{
    PlayerEnableSet(3, 1);
    struct Case {
        int modifier, key;
        int life[4];  // -1: full
        int restart, reload, timeLeft;
    } cases[] = {
        {0, KEY_F1, {-1, 0, -1, -1}, 0, 0, 500},            // players 2 and 4 (4 is not fighting)
        {KEY_LCONTROL, KEY_F1, {0, -1, 0, -1}, 0, 0, 500},  // players 1 and 3
        {0, KEY_F2, {1, 1, 1, -1}, 0, 0, 500},
        {KEY_LSHIFT, KEY_F2, {-1, 1, -1, -1}, 0, 0, 500},
        {KEY_RCONTROL, KEY_F2, {1, -1, 1, -1}, 0, 0, 500},
        {0, KEY_F4, {-1, -1, -1, -1}, 1, 0, 500},
        {KEY_RSHIFT, KEY_F4, {-1, -1, -1, -1}, 0, 1, 500},
        {0, KEY_F5, {-1, -1, -1, -1}, 0, 0, 1},
    };
    for (const Case &c : cases) {
        for (int slot = 1; slot <= 4; slot++)
            P(slot)->life = P(slot)->lifeMax;
        if (c.key == KEY_F4)
            P(1)->life = 7;
        gv->restartRequest = gv->reloadRequest = 0;
        gv->round.timeLeft = 500;
        if (c.modifier)
            Hold(c.modifier);
        Key(c.key);
        if (c.modifier)
            Let(c.modifier);
        for (int slot = 1; slot <= 4; slot++) {
            int want = c.life[slot - 1] < 0 ? P(slot)->lifeMax : c.life[slot - 1];
            EXPECT_EQ(P(slot)->life, want) << "key " << c.key << " modifier " << c.modifier << " player " << slot;
        }
        EXPECT_EQ(gv->restartRequest, c.restart) << c.key;
        EXPECT_EQ(gv->reloadRequest, c.reload) << c.key;
        EXPECT_EQ(gv->round.timeLeft, c.timeLeft) << c.key;
    }

    P(1)->power = P(2)->power = 0;
    Key(KEY_F3);
    EXPECT_EQ(PlayerPowerGet(P(1)), PlayerPowerMaxGet(P(1)));
    EXPECT_EQ(PlayerPowerGet(P(2)), PlayerPowerMaxGet(P(2)));

    TextBufPrintf(gv->warnLog, "old warning");
    TextBufPrintf(P(2)->clipboard, "old text");
    Key(KEY_F8);
    EXPECT_STREQ(gv->warnLog->lines[gv->warnLog->current], "");
    EXPECT_EQ(gv->warnLog->oldest, gv->warnLog->current);
    EXPECT_STREQ(P(2)->clipboard->lines[P(2)->clipboard->current], "");
}

TEST_F(Keys, CtrlKeys)
{
    Hold(KEY_LCONTROL);
    Key(KEY_V);
    EXPECT_EQ(gv->cfg.video.vretrace, 1);
    Key(KEY_S);
    EXPECT_EQ(disp.noFrameWait, 1);
    Key(KEY_S);
    EXPECT_EQ(disp.noFrameWait, 0);
    Key(KEY_L);
    EXPECT_EQ(gv->lifebarOff, 1);
    for (int want : {1, 2, 0}) {
        Key(KEY_C);
        EXPECT_EQ(gv->clsnDisplay, want);
    }
    Key(KEY_1);
    EXPECT_EQ(P(1)->aiControlled, 1);
    Key(KEY_1);
    EXPECT_EQ(P(1)->aiControlled, 0);

    P(1)->state.ctrl = 0;
    P(1)->velX = 3.0f;
    P(2)->velY = -2.0f;
    Key(KEY_I);
    for (Player *pl : {P(1), P(2)}) {
        EXPECT_EQ(pl->state.stateNo, 0);
        EXPECT_EQ(pl->state.ctrl, 1);
        EXPECT_EQ(pl->velX, 0.0f);
        EXPECT_EQ(pl->velY, 0.0f);
    }

    // Training on and off, only for a match named on the command line.
    Key(KEY_T);
    EXPECT_EQ(gv->matchKind, 0);
    gv->quickVs = 1;
    gv->choosingPlayer = 1;
    P(2)->aiControlled = 1;
    Key(KEY_T);
    EXPECT_EQ(gv->matchKind, MATCH_KIND_TRAINING);
    EXPECT_EQ(gv->training.open, 1) << "the training menu is reset, open";
    EXPECT_EQ(gv->round.timeLeft, -1);
    EXPECT_EQ(P(2)->aiControlled, 0);
    EXPECT_EQ(gv->choosingPlayer, 0);
    Key(KEY_T);
    EXPECT_EQ(gv->matchKind, 0);

    // Alt with the digits switches players on and off.
    Hold(KEY_ALT);
    Key(KEY_2);
    EXPECT_EQ(P(2)->enabled, 0);
    Key(KEY_3);
    EXPECT_EQ(P(3)->enabled, 1);
    Key(KEY_2);
    EXPECT_EQ(P(2)->enabled, 1);
    Let(KEY_ALT);

    // Without the debug keys only Ctrl+D is left.
    gv->cfg.debug.allowDebugKeys = 0;
    Key(KEY_V);
    Key(KEY_C);
    EXPECT_EQ(gv->cfg.video.vretrace, 1);
    EXPECT_EQ(gv->clsnDisplay, 0);
    Key(KEY_D);
    EXPECT_EQ(gv->debugPlayer, 1);

    // Without Ctrl the letters are plain keys.
    Let(KEY_LCONTROL);
    Key(KEY_V);
    EXPECT_EQ(gv->cfg.video.vretrace, 1);
}

TEST_F(Keys, CtrlAltDigitsSkipPlayersNotThere)
{
    Field(2);
    Hold(KEY_RCONTROL);
    Hold(KEY_ALTGR);
    Key(KEY_3);
    Key(KEY_4);
    EXPECT_EQ(P(3), nullptr);
    Let(KEY_ALTGR);
    Key(KEY_4);  // nor its AI
    EXPECT_EQ(P(1)->enabled + P(2)->enabled, 2);
}

TEST_F(Keys, CtrlDCyclesTheOverlayThroughEnabledSlots)
{
    gv->cfg.debug.debug = 0;
    Hold(KEY_LCONTROL);
    struct Step {
        int slot, display;
    } steps[] = {{1, 1}, {2, 1}, {0, 0}, {1, 1}};
    for (const Step &s : steps) {
        Key(KEY_D);
        EXPECT_EQ(gv->debugPlayer, s.slot);
        EXPECT_EQ(gv->cfg.debug.debug, s.display);
    }
    // A switched-off player is passed over.
    Hold(KEY_ALT);
    Key(KEY_2);
    Let(KEY_ALT);
    Key(KEY_D);
    EXPECT_EQ(gv->debugPlayer, 0);
    PlayerEnableSet(4, 1);
    Key(KEY_D);
    Key(KEY_D);
    EXPECT_EQ(gv->debugPlayer, 4);

    gv->cfg.debug.allowDebugMode = 0;
    Key(KEY_D);
    EXPECT_EQ(gv->debugPlayer, 4);
}

TEST_F(Keys, EscapeAndDemoQuit)
{
    struct Case {
        int demo;
        int key;     // Allegro key, 0 none
        int release; // the key's release only
        int pad;     // pad event, -1 none
        int quit, noFrameWait;
    } cases[] = {
        {0, KEY_ESC, 0, -1, 1, 1}, {0, KEY_A, 0, -1, 0, 1},        {1, KEY_A, 0, -1, 1, 0},
        {1, KEY_SCRLOCK, 0, -1, 0, 1}, {1, KEY_A, 1, -1, 0, 1},    {1, 0, 0, 5, 1, 0},
        {1, 0, 0, 5 | JOY_EVENT_OFF, 0, 1}, {0, 0, 0, 5, 0, 1},
    };
    for (const Case &c : cases) {
        gv->demo = c.demo;
        gv->quit = 0;
        disp.noFrameWait = 1;
        if (c.key && c.release) {
            KeyKitPress(c.key);
            KbllFlush();
            KeyKitRelease(c.key);
        } else if (c.key) {
            KeyKitTap(c.key);
        }
        if (c.pad >= 0)
            JoyEventPush(c.pad);
        GameLoopSystemKeys();
        EXPECT_EQ(gv->quit, c.quit) << c.demo << " " << c.key << " " << c.pad;
        EXPECT_EQ(disp.noFrameWait, c.noFrameWait) << c.demo << " " << c.key << " " << c.pad;
        KbllFlush();
        JoyEventClear();
    }
}

TEST_F(Keys, InputEventsOfTheFrameReachThePlayers)
{
    KeyConfig keys{};
    keys.key[KEYBUF_A] = 30;
    keys.key[KEYBUF_A + 1] = 48;
    P(1)->keyConfig = &keys;
    KeyKitPress(KEY_A);
    KeyKitPress(KEY_B);
    Frame();
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_A], 1);
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_A + 1], 1) << "every input event of the frame, not one";
    KeyKitRelease(KEY_A);
    KeyKitRelease(KEY_B);
}

TEST_F(Keys, AnyKeyUnpausesButF12)
{
    KbllPauseSet(1);
    Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 0);
    KeyKitTap(KEY_F12);
    Frame();
    Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 0) << "F12 leaves the pause alone";
    EXPECT_EQ(KbllPauseGet(), 1);
    KeyKitTap(KEY_A);
    Frame();  // the press clears the switch; this frame is still paused
    EXPECT_EQ(GameLoopCountersGet()->ticks, 0);
    Frame();
    Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 2);
    EXPECT_EQ(KbllPauseGet(), 0);
}

TEST_F(Keys, TrainingUnpausesOnlyByScrollLockForOneFrame)
{
    gv->matchKind = MATCH_KIND_TRAINING;
    KbllPauseSet(1);
    KeyKitTap(KEY_A);
    for (int i = 0; i < 4; i++)
        Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 0);
    EXPECT_EQ(gv->paused, 1);

    KeyKitTap(KEY_SCRLOCK);
    for (int i = 0; i < 6; i++)
        Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 1) << "one step, then paused again";
    EXPECT_EQ(gv->paused, 1);

    // Twice is two steps.
    KeyKitTap(KEY_SCRLOCK);
    Frame();
    Frame();
    KeyKitTap(KEY_SCRLOCK);
    for (int i = 0; i < 6; i++)
        Frame();
    EXPECT_EQ(GameLoopCountersGet()->ticks, 3);
}

TEST_F(Keys, TrainingMenuTakesItsKeysWhilePaused)
{
    InitKeysDefault();
    gv->matchKind = MATCH_KIND_TRAINING;
    MenuTrainingReset();
    Key(KEY_RIGHT);
    EXPECT_EQ(gv->training.control, TRAINING_COOPERATIVE) << "running: the menu takes nothing";
    KbllPauseSet(1);
    Key(KEY_ESC);
    EXPECT_EQ(gv->quit, 0) << "Escape belongs to the open menu";
    Key(KEY_RIGHT);
    EXPECT_EQ(gv->training.control, TRAINING_AI);
    EXPECT_EQ(P(2)->aiControlled, 1);
    Key(KEY_ENTER);  // player 1's start
    EXPECT_EQ(gv->training.open, 0);
    EXPECT_EQ(gv->paused, 1) << "closing the menu leaves the game paused";
    Key(KEY_ESC);
    EXPECT_EQ(gv->quit, 1);
}

TEST_F(Keys, AltEnterSwitchesTheScreenAndIsNoStartPress)
{
    KeyKitModesAccepted modes;
    disp.noFrameWait = 1;  // the switch starts the frame timer's count again
    gv->cfg.video.driver = GFX_DRV_DIRECTX_WIN;
    InitKeysDefault();
    P(1)->keyConfig = &gv->playKeys[0];
    // In a fight: Enter held with Alt does not reach player 1 as its start.
    KeyKitPress(KEY_ALT);
    KeyKitPress(KEY_ENTER);
    Frame();
    Frame();
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_ACCEL) << "switched to full screen";
    EXPECT_EQ(P(1)->keyBuf.held[KEYBUF_START], 0);
    KeyKitRelease(KEY_ENTER);
    KeyKitRelease(KEY_ALT);
    Frame();
    Frame();

    // Over a paused training match it leaves the training menu open.
    gv->matchKind = MATCH_KIND_TRAINING;
    MenuTrainingReset();
    KbllPauseSet(1);
    Hold(KEY_ALT);
    Key(KEY_ENTER);
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_WIN) << "and back";
    EXPECT_EQ(gv->training.open, 1);
    Let(KEY_ALT);
    Key(KEY_ENTER);
    EXPECT_EQ(gv->training.open, 0) << "Enter alone is player 1's start";
}

TEST_F(Keys, F12WhilePausedSavesTheFrameWithoutTheBox)
{
    disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
    ASSERT_NE(disp.gameBuf, nullptr);
    GameLoopEnter(GAMELOOP_MATCH);
    gv->envColorTime = -1;  // a green field, for ever
    gv->envColor = Rgb565(0, 40, 0);
    BITMAP *buf = VbufTargetBitmapGet(disp.gameBuf, 0);

    // Running: saved at once, in the frame that reads the press.
    KeyKitTap(KEY_F12);
    Frame();
    EXPECT_EQ(Shots(), 1);
    Frame();

    KbllPauseSet(1);
    Frame();
    const uint16_t box = Rgb565(16, 20, 10);
    ASSERT_EQ(PixGet(buf, 133, 8), box);
    KeyKitTap(KEY_F12);
    Frame();
    EXPECT_EQ(Shots(), 1) << "not before a frame without the box is drawn";
    EXPECT_NE(PixGet(buf, 133, 8), box);
    Frame();
    ASSERT_EQ(Shots(), 2);
    EXPECT_EQ(PixGet(buf, 133, 8), box) << "the box is back once the shot is taken";
    EXPECT_EQ(gv->paused, 1);

    // The newest file holds the field without the box.
    std::string newest;
    for (int n = 0; n < 100; n++)
        if (FILE *f = fopen(("velok" + std::to_string(n) + ".pcx").c_str(), "rb")) {
            fclose(f);
            newest = "velok" + std::to_string(n) + ".pcx";
        }
    PixPcxImage img;
    ASSERT_TRUE(PixPcxRead(newest, &img));
    auto rgb = [&](int x, int y) {
        const unsigned char *p = &img.rgb[((size_t)y * img.w + x) * 3];
        return p[0] << 16 | p[1] << 8 | p[2];
    };
    EXPECT_EQ(rgb(133, 8), rgb(5, 8));
    EXPECT_EQ(rgb(150, 15), rgb(5, 8));
    EXPECT_NE(rgb(5, 8), 0);
}

TEST_F(Keys, EveryPlayerSwitchedOffKeepsTheLoopRunning)
{
    gv->cfg.debug.debug = 1;
    gv->debugPlayer = 1;
    PlayerEnableSet(3, 1);
    PlayerEnableSet(4, 1);
    Hold(KEY_LCONTROL);
    Hold(KEY_ALT);
    for (int k : {KEY_1, KEY_2, KEY_3, KEY_4})
        Key(k);
    Let(KEY_ALT);
    Let(KEY_LCONTROL);
    EXPECT_EQ(gv->enabledCount, 0);
    for (int i = 0; i < 30; i++)
        ASSERT_EQ(Frame(), 1);
    EXPECT_EQ(GameLoopCountersGet()->ticks, 30);
}

} // namespace
