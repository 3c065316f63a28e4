// The "Continue?" screen after a lost one-player match: the loser poses while the player answers Yes or No.
#include "velok/screens/continue.h"

#include "lib/anim-lib.h"
#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/pal.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "music/bgm.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/screen.h"
#include "velok/match/camera.h"
#include "velok/match/gameloop.h"
#include "velok/match/match.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

enum {
    KEY_ESCAPE = 1,
    BIT_RIGHT = 1 << (KEYBUF_FWD - 1),   // the key configuration's second entry
    BIT_LEFT = 1 << (KEYBUF_BACK - 1),   // its fourth
    BITS_CONFIRM = 0x7F0,                // the six buttons and start
    SCREEN_HALF_WIDTH = 160,
};

static struct {
    Player *loser;
    Player *partner;  // null without one
    int side;         // the human side, 1 or 2
    int frame;
    int yes;
    int confirmed;
    int fadeOut;      // frames of fading out so far
} cs;

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static Player *Present(int slot)
{
    Player *pl = PlayerSlotGet(slot);
    return pl && pl->enabled ? pl : nullptr;
}

static void Pose(Player *pl)
{
    PlayerRoundInit(pl);
    PlayerStateSet(pl, CONTINUE_STATE);
}

void ContinueScreenEnter()
{
    if (disp.gameBuf)
        VbufTargetSet(disp.gameBuf, 0);
    TimerSpeedSet(60);
    KbllFlush();
    JoyUpdate();
    JoyEventClear();
    InputStateRefresh();
    InputEventFlush();
    MatchRoundReset();
    BGTick(gv->stageBg);
    DispFrameSkipReset();

    cs = {};
    cs.yes = 1;
    int human = gv->arcadeSide ? gv->arcadeSide : gv->survivalSide;
    cs.side = human == 2 ? 2 : 1;
    cs.loser = Present(cs.side);
    cs.partner = Present(cs.side + 2);
    if (!cs.loser)
        return;
    Pose(cs.loser);
    float centre = gv->cameraX + (float)SCREEN_HALF_WIDTH;
    cs.loser->posX = centre;
    if (cs.partner) {
        Pose(cs.partner);
        int facing = cs.loser->facing;
        cs.partner->posX = centre + (float)(facing * CONTINUE_PARTNER_GAP);
        if (cs.partner->facing == facing)
            PlayerTurn(cs.partner);
        cs.loser->posX = centre - (float)(facing * CONTINUE_PARTNER_GAP);
    }
}

// Input of the human side's controls, or of either side's when the mode
// names the same side for both its settings.
static bool SideCounts(int configIndex)
{
    return configIndex == cs.side - 1 || gv->arcadeSide == gv->survivalSide;
}

static void Answer()
{
    // Pending checks only: an empty ring must never hold the frame up.
    JoyUpdate();
    int key = KbllEventPending() ? KbllEventRead() : 0;
    if (JoyEventPending())
        JoyEventRead();
    // Alt+Enter is read where the buttons are: the Enter it takes confirms nothing.
    int ev = InputEventPending() ? InputEventRead() : 0;
    ScreenFullscreenToggleEvent(&ev);
    if (cs.confirmed)
        return;
    if (ev && !(ev & INPUT_RELEASE)) {
        int index = -1;
        int bits = KeyConfigFind(gv->playKeys, 2, ev, &index);
        if (bits && SideCounts(index)) {
            if (bits & BIT_LEFT)
                cs.yes = 1;
            else if (bits & BIT_RIGHT)
                cs.yes = 0;
            else if (bits & BITS_CONFIRM)
                cs.confirmed = 1;
        }
    }
    if (key == KEY_ESCAPE) {
        cs.yes = 0;
        cs.confirmed = 1;
    }
}

static void Run(Player *pl)
{
    if (!pl)
        return;
    PlayerStateRun(pl);
    if (pl->anim && pl->state.hitPauseTime <= 0)
        AnimObjTick(pl->anim);
}

static void Draw()
{
    StageBgDraw();
    ShadowSettings shadow = {gv->stageShadowColour, gv->stageShadowIntensity, gv->stageShadowYScale,
                             gv->stageShadowFadeLow, gv->stageShadowFadeHigh};
    for (Player *pl : {cs.loser, cs.partner})
        if (pl && pl->visible)
            PlayerShadowDraw(pl, &shadow, gv->stageReflect, 1.0f);
    if (gv->animList)
        AnimListDrawMaskedZoom(gv->animList, 2, -gv->cameraXi, -gv->cameraYi, 1.0f);
    for (Player *pl : {cs.loser, cs.partner})
        if (pl && pl->visible)
            PlayerDraw(pl, 1.0f);
    if (gv->drawList)
        DrawListDraw(gv->drawList);
    BGDrawLayer(gv->stageBg, 1);
    if (gv->animList)
        AnimListDrawMaskedZoom(gv->animList, 1, -gv->cameraXi, -gv->cameraYi, 1.0f);

    const Font *font = gv->sysFont[1];
    if (!font)
        return;
    const int white = Rgb(31, 63, 31), grey = Rgb(16, 32, 16);
    FontDrawTextC("Continue?", font, 160, 41, 0);
    FontDrawTextC("Continue?", font, 159, 40, white);
    FontDrawTextR("Yes", font, 150, 61, 0);
    FontDrawTextR("Yes", font, 149, 60, cs.yes ? white : grey);
    FontDrawTextL("No", font, 170, 61, 0);
    FontDrawTextL("No", font, 169, 60, cs.yes ? grey : white);
}

int ContinueScreenFrame()
{
    if (cs.confirmed)
        cs.fadeOut++;
    if (gv->drawList)
        DrawListClear(gv->drawList);
    Answer();
    // The match's music, paused by the loss, keeps being serviced.
    BGMUpdate(&gv->stageBgm);
    if (!gv->paused)
        PalListFxReset();
    Run(cs.loser);
    Run(cs.partner);
    if (gv->animList)
        AnimListTick(gv->animList);
    if (cs.frame > 0)
        PalFxGroupMul(PalGroupMaskMake(0xFFFFFFFFu, 0), 128, 128, 128);
    int level = cs.frame < CONTINUE_FADE_FRAMES ? 32 * cs.frame : 256;
    if (cs.confirmed && cs.fadeOut > 0)
        level = (CONTINUE_FADE_FRAMES - cs.fadeOut) * 32;
    PalFxGlobalMulSet(level, level, level);

    int skipped = disp.skipFrame;
    if (!skipped && vbufTarget.pixels) {
        PalFxGlobalCommit();
        Draw();
    }
    GameLoopFramePresent();
    if (!skipped)
        PalFxGlobalSave();
    DispFrameSkipUpdate();
    cs.frame++;
    return !(cs.confirmed && cs.fadeOut >= CONTINUE_FADE_FRAMES);
}

int ContinueScreenAnswer()
{
    return cs.yes;
}

int ContinueScreenLeave()
{
    DispFrameSkipReset();
    PlayerPersistClearAll();
    if (cs.yes)
        gv->continueChosen = 1;
    return cs.yes;
}

int ContinueScreen()
{
    ContinueScreenEnter();
    while (ContinueScreenFrame()) {
    }
    return ContinueScreenLeave();
}
