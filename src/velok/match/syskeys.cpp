// System keys of the round loop: pause and frame step, Escape, screenshots, and the debug keys for character authors.
#include "velok/match/syskeys.h"

#include "lib/disp.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"
#include "velok/match/match.h"
#include "velok/match/training.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

enum {
    STATE_LIE_DOWN = 5150,
    STATE_GET_UP = 5120,
};

// Set by Scroll Lock while paused: the next frame runs, then the pause
// switch is set again.
static int frameStep;

void SysKeysReset()
{
    frameStep = 0;
}

static bool Down(int a, int b)
{
    return KbllKeyDown(a) || KbllKeyDown(b);
}

static Player *Enabled(int slot)
{
    Player *pl = PlayerSlotGet(slot);
    return pl && pl->enabled ? pl : nullptr;
}

int SysKeysFrameSkipNext(int current, int noFrameWait, int *sound)
{
    *sound = -1;
    int next;
    if (current < 0)
        next = 0;
    else if (current < 2)
        next = current + 1;
    else if (current < SYSKEYS_FRAMESKIP_OFF)
        next = SYSKEYS_FRAMESKIP_OFF;
    else
        next = DISP_FRAMESKIP_AUTO;
    if (next >= SYSKEYS_FRAMESKIP_OFF && !noFrameWait)
        next = DISP_FRAMESKIP_AUTO;
    if (next >= SYSKEYS_FRAMESKIP_OFF)
        *sound = 0;
    else if (next == DISP_FRAMESKIP_AUTO && current >= 2)
        *sound = 1;
    return next;
}

static void LifeSet(int slot, int life)
{
    Player *pl = Enabled(slot);
    if (pl)
        PlayerLifeSet(pl, life);
}

static void PowerFill(Player *pl)
{
    if (pl)
        PlayerPowerSet(pl, PlayerPowerMaxGet(pl));
}

// Space: players lying after a KO get up, and every fighter is refilled.
static void Revive()
{
    for (int slot = 1; slot <= GAME_MAIN_SLOTS; slot++) {
        Player *pl = Enabled(slot);
        if (!pl)
            continue;
        if (pl->state.stateNo == STATE_LIE_DOWN)
            PlayerStateSet(pl, STATE_GET_UP);
        pl->life = pl->lifeMax;
        pl->alive = 1;
        pl->visible = 1;
        // The fall-recovery words a KO leaves behind.
        pl->getHit.fallRecoverFlag = 0;
        pl->getHit.recoverCount = 0;
        PowerFill(pl);
    }
    if (gv->matchKind != MATCH_KIND_TRAINING && !gv->demo)
        gv->round.timeLeft = MatchRoundTimeFull();
}

static void DebugKeys(int key, bool ctrl, bool shift)
{
    if (key == SYSKEY_SPACE || KbllKeyDown(SYSKEY_SPACE))
        Revive();
    // Only fighters in the match: a KO of a player outside it would still
    // count a win icon.
    if (key == SYSKEY_F1) {
        LifeSet(ctrl ? 1 : 2, 0);
        LifeSet(ctrl ? 3 : 4, 0);
    }
    if (key == SYSKEY_F1 + 1) {
        if (!shift) {
            LifeSet(1, 1);
            LifeSet(3, 1);
        }
        if (!ctrl) {
            LifeSet(2, 1);
            LifeSet(4, 1);
        }
    }
    if (key == SYSKEY_F1 + 2 || KbllKeyDown(SYSKEY_F1 + 2)) {
        PowerFill(PlayerSlotGet(1));
        PowerFill(PlayerSlotGet(2));
    }
    if (key == SYSKEY_F1 + 3) {
        for (int slot = 1; slot <= GAME_MAIN_SLOTS; slot++)
            if (Player *pl = Enabled(slot))
                pl->life = pl->lifeMax;
        if (shift)
            gv->reloadRequest = 1;
        else
            gv->restartRequest = 1;
    }
    if (key == SYSKEY_F1 + 4)
        gv->round.timeLeft = 1;
    if (key == SYSKEY_F8) {
        if (gv->warnLog)
            TextBufClear(gv->warnLog);
        for (int slot = 1; slot <= gv->playerSlotCount; slot++) {
            Player *pl = Enabled(slot);
            if (pl && pl->clipboard)
                TextBufClear(pl->clipboard);
        }
    }
}

static void SoundSwitch(int on)
{
    if (on >= 0)
        gv->cfg.sound.sound = on;
}

static void TrainingToggle()
{
    if (!gv->quickVs)
        return;
    gv->choosingPlayer = 0;
    if (Player *p2 = PlayerSlotGet(2))
        p2->aiControlled = 0;
    gv->matchKind = gv->matchKind == MATCH_KIND_TRAINING ? 0 : MATCH_KIND_TRAINING;
    gv->round.timeLeft = -1;
    MenuTrainingReset();
}

// Ctrl+D: the overlay moves to the next slot holding an enabled player, and
// goes off past the last one.
static void DebugPlayerNext()
{
    gv->cfg.debug.debug = 1;
    for (int slot = gv->debugPlayer + 1; slot >= 1 && slot <= gv->playerSlotCount; slot++) {
        if (Enabled(slot)) {
            gv->debugPlayer = slot;
            return;
        }
    }
    gv->cfg.debug.debug = 0;
    gv->debugPlayer = 0;
}

static void CtrlKeys(int key, bool debugKeys)
{
    if (debugKeys) {
        bool alt = Down(SYSKEY_LALT, SYSKEY_RALT);
        int slot = key - SYSKEY_1 + 1;
        if (slot >= 1 && slot <= GAME_MAIN_SLOTS) {
            if (Player *pl = PlayerSlotGet(slot)) {
                if (alt)
                    PlayerEnableSet(slot, !pl->enabled);
                else
                    pl->aiControlled = !pl->aiControlled;
            }
        }
        switch (key) {
        case SYSKEY_V:
            gv->cfg.video.vretrace = !gv->cfg.video.vretrace;
            break;
        case SYSKEY_S:
            disp.noFrameWait = !disp.noFrameWait;
            if (!disp.noFrameWait)
                TimerFramesReset();
            break;
        case SYSKEY_F: {
            int sound;
            disp.frameSkip = SysKeysFrameSkipNext(disp.frameSkip, disp.noFrameWait, &sound);
            SoundSwitch(sound);
            break;
        }
        case SYSKEY_L:
            gv->lifebarOff = !gv->lifebarOff;
            break;
        case SYSKEY_C:
            gv->clsnDisplay = (gv->clsnDisplay + 1) % 3;
            break;
        case SYSKEY_I:
            for (int slot = 1; slot <= GAME_MAIN_SLOTS; slot++) {
                Player *pl = Enabled(slot);
                if (!pl)
                    continue;
                PlayerStateSet(pl, 0);
                pl->state.ctrl = 1;
                pl->velX = pl->velY = pl->velZ = 0.0f;
            }
            break;
        case SYSKEY_T:
            TrainingToggle();
            break;
        }
    }
    if (key == SYSKEY_D && gv->cfg.debug.allowDebugMode)
        DebugPlayerNext();
}

static void Screenshot()
{
    if (!DispScreenshot())
        LogWrite("%s\n", LibErrorMsg);
}

int GameLoopSystemKeys()
{
    bool debugKeys = gv->debugPlayer != 0 || gv->cfg.debug.allowDebugKeys;

    gv->paused = KbllPauseGet();
    JoyUpdate();
    KbllPoll();
    // Pending checks only: an empty ring must never hold the frame up.
    int key = KbllEventPending() ? KbllEventRead() : 0;
    bool padPress = false;
    if (JoyEventPending())
        padPress = !(JoyEventRead() & JOY_EVENT_OFF);
    bool keyPress = key != 0 && !(key & KBLL_RELEASE);

    if (gv->sysKeyQueue) {
        IntQueueClear(gv->sysKeyQueue);
        // Alt+Enter is read where the players' buttons are, in the frame its
        // Enter comes: the Enter it takes is nobody's start. An event the
        // training menu takes goes no further either.
        while (InputEventPending()) {
            int ev = InputEventRead();
            ScreenFullscreenToggleEvent(&ev);
            if (ev && !MenuTrainingInput(ev))
                IntQueuePush(gv->sysKeyQueue, ev);
        }
    }

    // Escape belongs to the training menu while it is shown.
    bool menuShown = gv->paused && gv->training.open && gv->matchKind == MATCH_KIND_TRAINING;
    if (key == SYSKEY_ESCAPE && !menuShown)
        gv->quit = 1;
    if (gv->demo && ((keyPress && key != SYSKEY_SCROLL_LOCK) || padPress)) {
        gv->quit = 1;
        disp.noFrameWait = 0;
    }

    bool ctrl = Down(SYSKEY_LCTRL, SYSKEY_RCTRL);
    if (debugKeys)
        DebugKeys(key, ctrl, Down(SYSKEY_LSHIFT, SYSKEY_RSHIFT));
    if (ctrl)
        CtrlKeys(key, debugKeys);

    if (frameStep) {
        frameStep = 0;
        KbllPauseSet(1);
    }
    if (gv->paused && keyPress && key != SYSKEY_F12) {
        if (gv->matchKind != MATCH_KIND_TRAINING || key == SYSKEY_SCROLL_LOCK)
            KbllPauseSet(0);
        if (key == SYSKEY_SCROLL_LOCK)
            frameStep = 1;
    }

    if (gv->screenshotPending) {
        gv->screenshotPending = 0;
        Screenshot();
    }
    if (key == SYSKEY_F12) {
        if (gv->paused)
            gv->screenshotPending = 1;
        else
            Screenshot();
    }
    return 0;
}
