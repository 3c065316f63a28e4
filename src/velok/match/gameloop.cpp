// Round loop and game tick: one frame per pass with requests, pauses, slow motion and the fixed order of a tick's work.
#include "velok/match/gameloop.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include <allegro.h>

#include "lib/anim-lib.h"
#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/libbase.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/pal.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "music/bgm.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/player/explod.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-hit.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/core/pal.h"
#include "velok/player/player.h"
#include "velok/player/precache.h"
#include "velok/match/camera.h"
#include "velok/match/debug.h"
#include "velok/match/lifebar.h"
#include "velok/match/match.h"
#include "velok/player/proj.h"
#include "velok/match/round.h"
#include "velok/match/syskeys.h"
#include "velok/match/training.h"

static GameLoopCounters counters;

// Per-frame state of the loop.
static int pausedColor;
static int drawX, drawY;          // camera plus shake, for drawing in screen space

static inline int Rgb565(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

int GameModeIsScene(int mode)
{
    return mode >= GAMELOOP_WIN_SCREEN;
}

int GameModeInRound(int mode)
{
    return mode >= GAMELOOP_MATCH;
}

const GameLoopCounters *GameLoopCountersGet()
{
    return &counters;
}

void GameLoopCountersReset()
{
    counters = GameLoopCounters{};
}

// Main players' integer x positions at the start of the tick: a player that
// moved makes dust.
static int dustX[GAME_MAIN_SLOTS + 1];

// The highest slot an enabled player may hold now, within the first count
// slots. The tick's walks over enabled players stop there instead of passing
// every free helper slot; read again at each step, since a state run can
// enable a helper in a higher slot.
static int EnabledEnd(int count)
{
    return std::min(PlayerEnabledEnd(), count);
}

static bool HasTarget()
{
    return vbufTarget.pixels != nullptr;
}

// Doubled drawing: the field is drawn straight into the 640x480 buffer at
// twice the scale.
static bool DoubleRes()
{
    return gv->cfg.video.doubleRes == 4 && disp.buf2x && disp.gameBuf;
}

static float Zoom()
{
    return DoubleRes() ? 2.0f : 1.0f;
}

static void TargetGameBuf()
{
    if (disp.gameBuf)
        VbufTargetSet(disp.gameBuf, 0);
}

void GameLoopFramePresent()
{
    if (!disp.noFrameWait)
        TimerFrameWait();
    if (!disp.skipFrame && gv->cfg.video.vretrace)
        vsync();
    DispPresent();
    counters.presented++;
}

void GameLoopBlackFrames()
{
    if (HasTarget())
        VbufClear(0);
    disp.skipFrame = 0;
    GameLoopFramePresent();
    GameLoopFramePresent();
}

static void PausedBoxDraw()
{
    VbufRect(133, 8, 185, 27, Rgb565(16, 20, 10));
    VbufRect(134, 9, 184, 26, Rgb565(30, 48, 24));
    VbufRectFillAddHalf(135, 10, 183, 25, Rgb565(3, 0, 0));
    if (gv->sysFont[1])
        FontDrawTextL("PAUSED", gv->sysFont[1], 142, 20, pausedColor);
}

static void ShutterDraw()
{
    int h = gv->shutterHeight;
    if (h <= 0)
        return;
    VbufRectFill(0, 0, vbufTarget.width - 1, h - 1, 0);
    VbufRectFill(0, vbufTarget.height - h, vbufTarget.width - 1, vbufTarget.height - 1, 0);
}

static void EnvColorFill()
{
    VbufRectFill(0, 0, vbufTarget.width - 1, vbufTarget.height - 1, gv->envColor);
}

// The fight screen's overlay is shown unless something switched it off; a
// demo match shows it only when the motif says so.
static bool LifebarsShown()
{
    if (!gv->fight || gv->lifebarOff || gv->specialFlags[GAME_SPECIAL_NOBARDISPLAY])
        return false;
    return !gv->demo || gv->demoCfg.barsDisplay;
}

// The displayed life of every main player and the displayed power of the
// first two follow the real values, in skipped frames too.
static void FollowersTick()
{
    for (int slot = 1; slot <= GAME_MAIN_SLOTS; slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl)
            continue;
        LifebarLifeTick(pl);
        if (slot <= 2)
            PowerbarTick(pl);
    }
}

void GameLoopFrameDraw()
{
    bool drawn = !disp.skipFrame && HasTarget();
    bool envFill = gv->envColorTime != 0;
    bool bars = LifebarsShown();

    if (!disp.skipFrame)
        PalFxGlobalCommit();
    if (drawn && !envFill) {
        if (gv->specialFlags[GAME_SPECIAL_NOBG])
            VbufClear(0);
        else
            StageBgDraw();
        if (DoubleRes())
            GfxFilterDouble(VbufTargetBitmapGet(disp.gameBuf, 0), VbufTargetBitmapGet(disp.buf2x, 0));
    }
    if (DoubleRes()) {
        BGSetPixelScale(gv->stageBg, 2);
        VbufTargetSet(disp.buf2x, 0);
    }
    // The lifebar passes and the followers run in skipped frames too.
    if (bars)
        LifebarDraw(0);
    FollowersTick();

    if (drawn) {
        if (!envFill && !gv->specialFlags[GAME_SPECIAL_GLOBALNOSHADOW]) {
            ShadowSettings shadow = {gv->stageShadowColour, gv->stageShadowIntensity, gv->stageShadowYScale,
                                     gv->stageShadowFadeLow, gv->stageShadowFadeHigh};
            for (int slot = gv->playerSlotCount; slot >= 1; slot--) {
                Player *pl = PlayerEnabledGet(slot);
                if (pl && pl->visible && !pl->assertFlags[ASSERT_NOSHADOW])
                    PlayerShadowDraw(pl, &shadow, gv->stageReflect, Zoom());
            }
            for (int slot = gv->playerSlotCount; slot >= 1; slot--) {
                Player *pl = PlayerEnabledGet(slot);
                if (pl)
                    ProjListDrawShadows(pl->projList, &shadow, gv->stageReflect, Zoom());
            }
            ExplodListDrawShadows(gv->explods);
            if (gv->animList)
                AnimListDrawMaskedZoom(gv->animList, 2, -drawX, -drawY, Zoom());
        }
        if (envFill && gv->envColorUnder)
            EnvColorFill();
        for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl && pl->visible)
                PlayerDraw(pl, 1.0f);
        }
        for (int slot = gv->playerSlotCount; slot >= 1; slot--) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl)
                ProjListDraw(pl->projList);
        }
        ExplodListDraw(gv->explods, 0);
        for (int slot = gv->playerSlotCount; slot >= 1; slot--) {
            Player *pl = PlayerEnabledGet(slot);
            if (!pl)
                continue;
            AfterImagePlayerDraw(pl);
            AfterImageExplodDrawAll(pl);
        }
        if (gv->drawList) {
            if (DoubleRes())
                DrawListScale(gv->drawList, 2.0f);
            DrawListDraw(gv->drawList);
        }
        ExplodListDraw(gv->explods, 1);
    }
    if (bars)
        LifebarDraw(1);
    if (drawn && !gv->specialFlags[GAME_SPECIAL_NOFG])
        BGDrawLayer(gv->stageBg, 1);

    RoundAnnounceSpawn();

    if (drawn) {
        ExplodListDraw(gv->sysExplods, -1);
        if (envFill && !gv->envColorUnder)
            EnvColorFill();
        if (gv->animList)
            AnimListDrawMaskedZoom(gv->animList, 1, -drawX, -drawY, Zoom());
        ExplodListDraw(gv->explods, 2);
    }
    if (bars)
        LifebarDraw(2);

    if (drawn) {
        if (gv->clsnDisplay) {
            for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
                Player *pl = PlayerEnabledGet(slot);
                if (!pl)
                    continue;
                PlayerDebugDraw(pl, Zoom());
                ProjListDrawClsn(pl->projList, Zoom());
            }
        }
        if (gv->fight) {
            ComboDraw(1);
            ComboDraw(2);
        }
        if (gv->shutterOn)
            ShutterDraw();
        if (gv->cfg.debug.debug && gv->debugPlayer && (!gv->demo || gv->demoCfg.debugInfo))
            DebugOverlayDraw();
    }

    if (!gv->paused && gv->shutterOn) {
        gv->shutterHeight += gv->shutterStep;
        int half = (HasTarget() ? vbufTarget.height : 240) / 2;
        if ((gv->shutterStep < 0 && gv->shutterHeight < 0) || (gv->shutterStep > 0 && gv->shutterHeight > half))
            gv->shutterOn = 0;
    }
    if (!gv->paused && gv->slowAccum == 0) {
        ComboCounterTick(1);
        ComboCounterTick(2);
    }

    // While paused: the training menu, or the "PAUSED" box, but not in the
    // frame a paused screenshot waits for. There is no blend buffer, so
    // nothing is blended over the finished frame.
    if (drawn && gv->paused && !gv->screenshotPending) {
        if (gv->training.open)
            MenuTrainingDraw();
        else
            PausedBoxDraw();
    }

    if (drawn)
        counters.drawn++;
}

static void FindActivePause()
{
    if (gv->paused)
        return;
    gv->activePause = -1;
    for (int i = 1; i >= 0; i--) {
        if (gv->pause[i].time > 0) {
            gv->activePause = i;
            break;
        }
    }
}

static void SlowMotionStep()
{
    if (gv->slowRate <= 0 || gv->paused)
        return;
    if (gv->slowAccum > 0)
        gv->slowAccum -= 100;
    else
        gv->slowAccum += gv->slowRate;
}

static void PauseDarken()
{
    if (gv->paused)
        return;
    PalListFxReset();
    if (gv->activePause < 0)
        return;
    PauseRecord &p = gv->pause[gv->activePause];
    if (p.time <= 0)
        return;
    if (gv->slowAccum == 0)
        p.time--;
    if (p.time > 0 && p.darken) {
        PalFxGroupMul(PalGroupMaskMake(PAL_GROUP_BG | PAL_GROUP_FIGHT | PAL_GROUP_FONT, 0), 80, 80, 128);
        PalFxGroupMul(p.groups, 128, 128, 192);
    }
}

// The timed palette effects of the frame, over the palettes PauseDarken has
// just reset.
static void PalFxApplyAll()
{
    // The background's effect (BGPalFX) and the all-palette effect run on
    // through pauses, as the fight screen's does.
    PalFxApply(&gv->stagePalFx, PalGroupMaskMake(PAL_GROUP_BG, 0), 0, 1);
    for (int slot = gv->playerSlotCount; slot >= 1; slot--) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl || !PalGroupMaskAny(pl->palMask))
            continue;
        int moving = gv->activePause < 0 || pl->pauseMoveTime[gv->activePause] > 0;
        PalFxApply(&pl->palFx, pl->palMask, 0, moving);
    }
    PalFxApply(&gv->allPalFx, PalGroupMaskAll(), 0, 1);
    // The fight screen's effect last, over the groups a pause darkens.
    if (gv->fight)
        PalFxApply(&gv->fightPalFx, PalGroupMaskMake(PAL_GROUP_BG | PAL_GROUP_FIGHT | PAL_GROUP_FONT, 0), 0, 1);
}

// The stage background stands still in a paused or held-back tick and while
// a pause that stops it runs; in a scene it moves only on its first tick.
static bool StageBgTicks()
{
    if (GameModeIsScene(gv->gameLoopMode) && !(gv->round.scenePhase == 0 && gv->round.sceneCounter == 1))
        return false;
    if (gv->activePause >= 0 && gv->pause[gv->activePause].pauseBg)
        return false;
    return !gv->paused && gv->slowAccum == 0;
}

void GameLoopEnter(int mode)
{
    gv->gameLoopMode = mode;
    gv->quit = 0;
    pausedColor = Rgb565(31, 63, 31);
    SysKeysReset();
    gv->shakeX = 0;
    gv->shakeY = 0;
    if (DoubleRes())
        VbufTargetSet(disp.buf2x, 0);
    else
        TargetGameBuf();
    disp.drawn2x = DoubleRes();
    if (HasTarget()) {
        VbufClear(0);
        VbufClipSet(0, 0, vbufTarget.width - 1, vbufTarget.height - 1);
    }
    DispFrameSkipReset();
}

int GameLoopFrame()
{
    int mode = gv->gameLoopMode;
    if (gv->speedTest) {
        disp.frameSkip = 2000;
        disp.noFrameWait = 1;
        if (gv->gameTick >= 10000)
            return 0;
    } else if (gv->stressTest && gv->stressTest != -1) {
        disp.frameSkip = gv->stressTest;
        disp.noFrameWait = 1;
    }
    if (gv->restartRequest) {
        PrecacheAbort();
        PrecacheWait();
        MatchRoundReset();
        gv->restartRequest = 0;
    }
    if (gv->reloadRequest) {
        PrecacheAbort();
        PrecacheWait();
        if (!MatchReload())
            return -1;
        gv->reloadRequest = 0;
    }
    // An AssertSpecial nomusic silences the stage music for as long as it is raised.
    if (!GameModeIsScene(mode)) {
        BGM *music = &gv->stageBgm;
        int noMusic = gv->specialFlags[GAME_SPECIAL_NOMUSIC];
        if (!music->paused && noMusic)
            BGMPause(music);
        else if (music->paused && !noMusic)
            BGMResume(music);
    }
    BGMUpdate(&gv->stageBgm);
    counters.frames++;
    if (DoubleRes()) {
        TargetGameBuf();
        BGSetPixelScale(gv->stageBg, 1);
    }
    if (gv->drawList)
        DrawListClear(gv->drawList);
    drawX = gv->cameraXi + gv->shakeX;
    drawY = gv->cameraYi + gv->shakeY;
    FindActivePause();
    GameLoopSystemKeys();
    SlowMotionStep();
    PauseDarken();
    PalFxApplyAll();

    if (!GameLoopTick()) {
        if (!gv->paused)
            ExplodListUpdate(gv->sysExplods);
        if (StageBgTicks())
            BGTick(gv->stageBg);
        if (!gv->paused && gv->slowAccum == 0 && gv->envColorTime > 0)
            gv->envColorTime--;

        int skipped = disp.skipFrame;
        GameLoopFrameDraw();
        GameLoopFramePresent();
        if (!skipped)
            PalFxGlobalSave();
        DispFrameSkipUpdate();
        if (!gv->paused)
            gv->gameTick++;
    }
    return (GameModeIsScene(mode) || !gv->round.matchOver) && !gv->quit;
}

void GameLoopLeave()
{
    // In a one-player match the thread loads the next opponents on through
    // the screens that follow.
    bool onePlayer = gv->arcadeSide || gv->survivalSide;
    if (PrecacheIsRunning() && (gv->quit || !onePlayer)) {
        PrecacheAbort();
        PrecacheWait();
    }
    gv->gameLoopMode = 0;
    disp.drawn2x = 0;
    DispFrameSkipReset();
    PalFxGlobalReset();
}

int GameLoopRun(int mode)
{
    GameLoopEnter(mode);
    int go;
    do {
        go = GameLoopFrame();
        if (go < 0)
            return 0;
    } while (go);
    GameLoopLeave();
    return 1;
}

static void ShakeStep()
{
    if (gv->shakeTime <= 0 || gv->paused || gv->slowAccum != 0)
        return;
    float a = (gv->shakeCounter * gv->shakeFreq + gv->shakePhase) * 3.14159f / 180.0f;
    gv->shakeY = TruncToInt(sinf(a) * (float)gv->shakeAmpl);
    gv->shakeCounter++;
    if (gv->shakeCounter >= gv->shakeTime) {
        gv->shakeTime = 0;
        gv->shakeCounter = 0;
        gv->shakeX = 0;
        gv->shakeY = 0;
    }
}

// Main players standing, walking or just landed turn to face their opponent
// (the last one once the round is over).
static void AutoTurnAll(int count)
{
    for (int slot = 1; slot <= count && slot <= GAME_MAIN_SLOTS; slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl || !pl->runFlag)
            continue;
        Player *other = pl->opponent && pl->opponent->enabled ? pl->opponent : nullptr;
        if (!other && gv->round.state > 2 && pl->lastOpponent && pl->lastOpponent->enabled)
            other = pl->lastOpponent;
        if (!other)
            continue;
        int st = pl->state.stateNo;
        bool turns = st == 0 || st == 11 || st == 20 || st == 40 ||
                     (st == 52 && pl->anim && AnimObjTime(pl->anim) >= AnimObjActionTime(pl->anim) - 1);
        if (turns)
            PlayerAutoTurn(pl, other);
    }
}

// The players whose states run in this pass: enabled, with the run flag, not
// yet run in this tick; attackers only when asked.
static void StateRunPass(int count, bool attackersOnly)
{
    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl || !pl->runFlag)
            continue;
        if (attackersOnly ? pl->state.moveType != 1 : pl->lastRunTick == gv->gameTick)
            continue;
        PlayerStateRun(pl);
    }
}

int GameLoopTick()
{
    gv->round.noEnd = gv->matchKind == MATCH_KIND_TRAINING || gv->demo;

    int count = gv->playerSlotCount;
    for (int slot = 1; slot <= count; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl)
            pl->runFlag = pl->enabled != 0;
    }

    // Each main player's opponent is found again, and its integer x kept for
    // the dust test.
    for (int slot = 1; slot <= count && slot <= GAME_MAIN_SLOTS; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl)
            dustX[slot] = TruncToInt(pl->posX);
        pl = PlayerEnabledGet(slot);
        if (!pl)
            continue;
        Player *opp = pl->opponent;
        if (opp && opp->enabled && !opp->isHelper)
            pl->lastOpponent = opp;
        pl->opponent = PlayerOpponentFind(pl);
    }

    if (gv->activePause >= 0) {
        for (int slot = 1; slot <= EnabledEnd(count); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl && pl->pauseMoveTime[gv->activePause] <= 0)
                pl->runFlag = 0;
        }
    }

    if (gv->sysKeyQueue) {
        while (!IntQueueIsEmpty(gv->sysKeyQueue)) {
            int ev = IntQueuePop(gv->sysKeyQueue);
            // Presses are dropped while paused; releases always pass so no key
            // stays held after the pause.
            if (gv->paused && !(ev & INPUT_RELEASE))
                continue;
            for (int slot = 1; slot <= EnabledEnd(count); slot++) {
                Player *pl = PlayerEnabledGet(slot);
                if (pl && !pl->aiControlled)
                    KeyBufPushInput(&pl->keyBuf, pl->keyConfig, ev);
            }
        }
    }

    if (gv->paused || gv->slowAccum > 0)
        return 0;
    counters.ticks++;

    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            AIHitEventPost(pl);
    }
    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            AIPlayerUpdate(pl);
    }
    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            AIEventsClear(pl);
    }

    if (gv->gameLoopMode == GAMELOOP_MATCH) {
        int ended = RoundUpdate();
        if (!ended && gv->demo && gv->round.state == 2)
            ended = RoundDemoUpdate();
        if (ended)
            return 1;
    } else if (GameModeIsScene(gv->gameLoopMode)) {
        RoundSceneUpdate();
    }

    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && pl->frozen)
            pl->runFlag = 0;
    }

    if (gv->stageAutoTurn && !GameModeIsScene(gv->gameLoopMode))
        AutoTurnAll(count);

    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            PlayerInputUpdate(pl);
    }

    for (int &f : gv->specialFlags)
        f = 0;
    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && pl->runFlag)
            for (int &f : pl->assertFlags)
                f = 0;
    }
    gv->stateRerun = 0;

    StateRunPass(count, true);
    StateRunPass(count, false);
    while (gv->stateRerun) {
        gv->stateRerun = 0;
        StateRunPass(count, false);
    }

    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && pl->runFlag)
            PlayerUpdateBindTo(pl);
    }

    ShakeStep();

    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && pl->runFlag && pl->state.hitPauseTime <= 0 && pl->anim)
            AnimObjTick(pl->anim);
    }

    for (int slot = EnabledEnd(count); slot >= 1; slot--) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl)
            continue;
        if (pl->runFlag)
            ProjListUpdate(pl->projList);
        ProjListUpdateScreenPos(pl->projList);
    }
    for (int slot = EnabledEnd(count); slot >= 1; slot--) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl || !pl->runFlag)
            continue;
        AfterImagePlayerRecord(pl);
        AfterImageExplodRecordAll(pl);
    }
    if (gv->round.hitDetect)
        PlayerHitDetectAll();
    if (gv->activePause < 0) {
        for (int slot = std::min(count, (int)GAME_MAIN_SLOTS); slot >= 1; slot--) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl && TruncToInt(pl->posX) != dustX[slot])
                PlayerDustMake(pl);
        }
    }
    for (int slot = EnabledEnd(count); slot >= 1; slot--) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && !pl->frozen)
            AILearnUpdate(pl, pl->runFlag);
    }
    CameraUpdate();
    if (gv->animList)
        AnimListTick(gv->animList);
    for (int slot = 1; slot <= EnabledEnd(count); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            ComboTargetsCheck(pl);
    }
    ExplodListUpdate(gv->explods);
    return 0;
}
