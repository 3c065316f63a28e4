// Versus screen: both teams' large portraits and names over the versus background, with its fades, while their characters are pre-cached.
#include "velok/screens/vsscreen.h"

#include "lib/bg.h"
#include "music/bgm.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/precache.h"
#include "velok/screens/charsel.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"

static const VsScreenInfo *Info()
{
    static const VsScreenInfo none{};
    return gv->motif ? &gv->motif->vs : &none;
}

static BGDef *Background()
{
    return gv->motif ? gv->motif->bg[MOTIF_BG_VERSUS] : nullptr;
}

void VsScreenBegin(VsScreen *vs)
{
    const VsScreenInfo *v = Info();
    vs->frame = 0;
    vs->level = 0;
    vs->fadeOutStart = v->time - v->fadeOutTime;
    // Both teams load while the screen shows them (nothing without pre-caching).
    PrecacheQueueList(&gv->teams[0]);
    PrecacheQueueList(&gv->teams[1]);
    PrecacheStart();
}

// The fade in over its time from the first frame, the fade out over its own
// until the end; a fade time of 0 is no fade.
static int Level(const VsScreen *vs, const VsScreenInfo *v)
{
    if (v->fadeInTime > 0 && vs->frame < v->fadeInTime)
        return vs->frame * 256 / v->fadeInTime;
    if (v->fadeOutTime > 0 && vs->frame >= vs->fadeOutStart) {
        int level = (vs->fadeOutStart - vs->frame) * 256 / v->fadeOutTime + 256;
        return level < 0 ? 0 : level;
    }
    return 256;
}

int VsScreenUpdate(VsScreen *vs, const int input[2], int escape)
{
    const VsScreenInfo *v = Info();
    if (escape) {
        PrecacheAbort();
        return CHARSEL_CANCELLED;
    }
    bool holding = vs->frame >= v->fadeInTime && vs->frame < vs->fadeOutStart;
    if (holding && ((input[0] | input[1]) & CHARSEL_CONFIRM))
        vs->fadeOutStart = vs->frame;
    if (vs->frame >= vs->fadeOutStart + v->fadeOutTime)
        return CHARSEL_DONE;
    vs->level = Level(vs, v);
    vs->frame++;
    return CHARSEL_GOING;
}

int VsScreenTick(VsScreen *vs)
{
    int input[2], escape;
    CharSelInputRead(input, &escape, gv->demo);
    return VsScreenUpdate(vs, input, escape);
}

static void SideDraw(const VsScreenInfo *v, int s)
{
    SelectInfo *si = gv->motif ? &gv->motif->select : nullptr;
    TeamInfo *team = &gv->teams[s];
    Font *font = MotifFontGet(v->nameFont[s].font);
    int lineHeight = font ? font->sizeH + font->spacingY : 0;
    for (int j = 0; j < TeamMemberCount(team); j++) {
        int c = TeamMemberAt(team, j)->charIndex;
        const SelectCell *sc = SelectCellOfChar(si, c);
        if (!sc)
            continue;
        if (j == 0) {
            // The team's first fighter stands for it.
            int index = sc->portraits ? SprSetFindImage(sc->portraits, MOTIF_PORTRAIT_GROUP, 1) : -1;
            float sx = v->facing[s] < 0 ? -v->scaleX[s] : v->scaleX[s];
            if (index >= 0)
                SprDrawScaled(sc->portraits, index, (float)v->posX[s], (float)v->posY[s], sx, v->scaleY[s]);
        }
        MotifTextDraw(&v->nameFont[s], v->nameX[s], v->nameY[s] + j * lineHeight, gv->charList[c].displayName);
    }
}

void VsScreenDraw(const VsScreen *vs)
{
    if (!vbufTarget.pixels)
        return;
    const VsScreenInfo *v = Info();
    PalFxGlobalMulSet(vs->level, vs->level, vs->level);
    PalFxGlobalCommit();
    VbufClear(0);
    if (BGDef *bg = Background()) {
        BGSetCamera(bg, 0.0f, 0.0f);
        BGDrawAll(bg);
    }
    for (int s = 0; s < 2; s++)
        SideDraw(v, s);
    if (gv->cfg.debug.debug && gv->warnLog && gv->sysFont[0])
        TextBufDraw(gv->warnLog, gv->sysFont[0], 10, 50, 0xFFFF);
}

static void ScreenDraw(const void *vs)
{
    VsScreenDraw((const VsScreen *)vs);
}

int VsScreenRun()
{
    VsScreen vs;
    VsScreenBegin(&vs);
    TimerSpeedSet(60);
    MenuInputFlush();
    BGReset(Background());
    DispFrameSkipReset();
    if (gv->motif)
        MotifMusicPlay(&gv->motif->vsBgm);
    int r;
    for (;;) {
        CharSelFrameStart();
        if ((r = VsScreenTick(&vs)) != CHARSEL_GOING)
            break;
        CharSelFrameEnd(Background(), ScreenDraw, &vs);
    }
    PalFxGlobalReset();
    DispFrameSkipReset();
    BGMStop(&gv->menuBgm);
    PrecacheWait();
    return r == CHARSEL_DONE ? 1 : 0;
}
