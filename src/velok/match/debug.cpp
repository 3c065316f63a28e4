// Debug overlay of the round loop: frame counters and the state of the player the debug display follows.
#include "velok/match/debug.h"

#include <cstdio>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-info.h"
#include "velok/player/player.h"

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static const int white = Rgb(31, 63, 31);
static const int nameGreen = Rgb(27, 50, 25);
static const int foreign = Rgb(15, 63, 31);

// The animation player shows an action that exists in its set.
static bool ActionReadable(const Player *pl)
{
    const AnimObj *a = pl->anim;
    if (!a || !a->set || !a->set->actions)
        return false;
    const Array *actions = a->set->actions;
    return a->actionSlot >= 0 && a->actionSlot < actions->capacity && actions->slots[a->actionSlot].used;
}

static void ActionLine(const Player *pl, char *out, size_t size)
{
    const char *invalid = pl->invalidAction ? " (invalid)" : "";
    // Without a shown action there is nothing true to print: placeholders.
    if (pl->invalidAction || !ActionReadable(pl)) {
        snprintf(out, size, "ActionID: -; Spr: -,-; Elemno: -/-; Time: -/-%s", invalid);
        return;
    }
    const AnimObj *a = pl->anim;
    const AnimAction *action = AnimSetActionAt(a->set, a->actionSlot);
    int n = snprintf(out, size, "ActionID: %i; ", AnimObjActionNo(a));
    if (n < 0 || (size_t)n >= size)
        return;
    const AnimElem *elem = AnimObjElem(a);
    if (elem)
        snprintf(out + n, size - n, "Spr: %i,%i; Elemno: %i/%i; Time: %i/%i", elem->group, elem->image,
                 a->elemIndex + 1, action->count, AnimObjTime(a), action->total);
    else
        snprintf(out + n, size - n, "Spr: -,-; Elemno: -/%i; Time: %i/%i", action->count, AnimObjTime(a),
                 action->total);
}

static void NameLine(const Player *pl, int slot, char *out, size_t size)
{
    int n;
    if (slot == pl->id + 1)
        n = snprintf(out, size, "%s %i", pl->name, pl->id);
    else
        n = snprintf(out, size, "%s %i (%i)", pl->name, pl->id, slot - 1);
    if (n < 0 || (size_t)n >= size || !pl->state.customList)
        return;
    const Player *owner = PlayerFindById(pl->state.customOwnerId);
    snprintf(out + n, size - n, " (in %s %i's state rc)", owner ? owner->name : "?", pl->state.customOwnerId);
}

void DebugOverlayTextGet(DebugOverlayText *out)
{
    *out = DebugOverlayText{};
    float fps = TimerFpsGet();
    snprintf(out->frames, sizeof out->frames, "Frames: %i (%.1f FPS)", gv->gameTick, fps < 0 ? 0.0 : (double)fps);
    // One character holds the settings 0 to 9; larger ones are written out.
    int skip = disp.frameSkip;
    if (skip == DISP_FRAMESKIP_AUTO || (skip >= 0 && skip <= 9))
        snprintf(out->speed, sizeof out->speed, "VRet: %i, Speed: %i, Skip: %c", gv->cfg.video.vretrace,
                 disp.noFrameWait, skip < 0 ? 'a' : '0' + skip);
    else
        snprintf(out->speed, sizeof out->speed, "VRet: %i, Speed: %i, Skip: %i", gv->cfg.video.vretrace,
                 disp.noFrameWait, skip);

    int slot = gv->debugPlayer;
    const Player *pl = PlayerSlotGet(slot);
    out->nameColour = nameGreen;
    if (!pl || !pl->enabled) {
        snprintf(out->name, sizeof out->name, "Player %i Disabled", slot - 1);
        return;
    }
    out->shown = 1;
    NameLine(pl, slot, out->name, sizeof out->name);
    ActionLine(pl, out->action, sizeof out->action);
    out->actionColour = pl->animOverride ? foreign : white;
    const PlayerStateBlock &st = pl->state;
    snprintf(out->state, sizeof out->state, "State no: %i; Ctrl: %i; Type: %i; Movetype %i; Time: %i%s", st.stateNo,
             st.ctrl, st.stateType, st.moveType, st.time, st.stateNo > 199 && !st.stateExists ? " (invalid)" : "");
    out->stateColour = st.customList ? foreign : white;
}

void DebugOverlayDraw()
{
    const Font *font = gv->sysFont[0];
    if (!font || !vbufTarget.pixels)
        return;
    int h = vbufTarget.height;
    DebugOverlayText t;
    DebugOverlayTextGet(&t);
    FontDrawTextL(t.frames, font, 10, h - 39, white);
    FontDrawTextL(t.speed, font, 110, h - 39, white);
    FontDrawTextL(t.name, font, 10, h - 31, t.nameColour);
    // The warning log belongs to no player: it shows whoever is followed.
    TextBufDraw(gv->warnLog, font, 10, 50, white);
    if (!t.shown)
        return;
    FontDrawTextL(t.action, font, 10, h - 24, t.actionColour);
    FontDrawTextL(t.state, font, 10, h - 17, t.stateColour);
    TextBufDraw(PlayerSlotGet(gv->debugPlayer)->clipboard, font, 10, h - 10, white);
}
