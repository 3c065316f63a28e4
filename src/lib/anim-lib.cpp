// Animation files (actions of timed sprite elements with collision boxes) and the animation player.
#include "lib/anim-lib.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/drawlist.h"
#include "lib/libbase.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/txtparse.h"

#define ANIM_ASSERT(cond) \
    do { \
        if (!(cond)) \
            LibAssertFail("anim-lib", __LINE__); \
    } while (0)

static const char actionPrefix[] = "begin action ";
enum { ACTION_PREFIX_LEN = sizeof actionPrefix - 1 };

// Sums of element times wrap like the rest of the script arithmetic.
static int WrapAdd(int a, int b)
{
    return (int)((unsigned)a + (unsigned)b);
}

static void AppendError(const char *text)
{
    size_t used = strlen(LibErrorMsg);
    if (used < sizeof LibErrorMsg)
        StrCopy(LibErrorMsg + used, sizeof LibErrorMsg - used, text);
}

static bool IsActionGroup(const char *header)
{
    return header && header[0] == '[' && strncasecmp(header + 1, actionPrefix, ACTION_PREFIX_LEN) == 0;
}

static bool IsElementLine(const char *line)
{
    if (isdigit((unsigned char)line[0]) || line[0] == '-')
        return true;
    return (line[0] == 'L' || line[0] == 'l') && isdigit((unsigned char)line[1]);
}

static const char *SkipBlanks(const char *p)
{
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

static void ParseTrans(const char *p, AnimElem *elem)
{
    while (*p && tolower((unsigned char)*p) != 'a' && tolower((unsigned char)*p) != 's')
        p++;
    if (!*p)
        return;
    if (tolower((unsigned char)*p) == 's') {
        elem->trans = 2;
        return;
    }
    p++;
    if (*p == '1') {
        elem->trans = 3;
        elem->alphaSrc = 256;
        elem->alphaDst = 128;
    } else if (tolower((unsigned char)*p) == 's') {
        elem->trans = 3;
        p++;
        if (isdigit((unsigned char)*p))
            elem->alphaSrc = StrToIntClamped(p, &p);
        while (*p && tolower((unsigned char)*p) != 'd')
            p++;
        if (*p && isdigit((unsigned char)p[1]))
            elem->alphaDst = StrToIntClamped(p + 1, &p);
    } else {
        elem->trans = 1;
    }
}

int AnimElemParse(const char *text, AnimElem *elem, const char *groupLine, int index)
{
    elem->trans = 0;
    elem->alphaSrc = 256;
    elem->alphaDst = 0;
    elem->flags = 0;
    int v[5];
    int got = 0;
    const char *p = text;
    while (got < 5) {
        p = SkipBlanks(p);
        const char *end;
        int value = StrToIntClamped(p, &end);
        if (end == p)
            break;
        v[got++] = value;
        p = SkipBlanks(end);
        if (got < 5) {
            if (*p != ',')
                break;
            p++;
        }
    }
    if (got < 5) {
        snprintf(LibErrorMsg, sizeof LibErrorMsg, "Too few arguments on element %i of %s:\n%s (%i)", index + 1,
                 groupLine, text, got);
        return 0;
    }
    elem->group = v[0];
    elem->image = v[1];
    elem->x = v[2];
    elem->y = v[3];
    elem->time = v[4];
    if (*p == ',') {
        p++;
        for (; *p && *p != ','; p++) {
            if (*p == 'h' || *p == 'H')
                elem->flags |= ANIM_FLIP_H;
            else if (*p == 'v' || *p == 'V')
                elem->flags |= ANIM_FLIP_V;
        }
        if (*p == ',')
            ParseTrans(p + 1, elem);
    }
    return 1;
}

static void ElemsRelease(Array *elems)
{
    if (!elems)
        return;
    for (AnimElem *e = (AnimElem *)ArrayFirst(elems); e; e = (AnimElem *)ArrayNext(elems)) {
        ClsnListRelease(e->clsn1);
        ClsnListRelease(e->clsn2);
    }
    ArrayFree(elems);
}

void AnimSetFree(AnimSet *set)
{
    if (!set)
        return;
    if (set->actions) {
        for (AnimAction *a = (AnimAction *)ArrayFirst(set->actions); a; a = (AnimAction *)ArrayNext(set->actions))
            ElemsRelease(a->elems);
        ArrayFree(set->actions);
    }
    MemFree(set);
}

// What one action group's parse holds between lines.
struct ActionParse {
    const char *groupLine;
    ClsnList *pending1, *pending2;   // lists given since the previous element line
    ClsnList *default1, *default2;
    int loopPending;
};

static void ParseStateRelease(ActionParse *ps)
{
    ClsnListRelease(ps->pending1);
    ClsnListRelease(ps->pending2);
    ClsnListRelease(ps->default1);
    ClsnListRelease(ps->default2);
    ps->pending1 = ps->pending2 = ps->default1 = ps->default2 = nullptr;
}

// A Clsn header line: parses its boxes and makes it pending (and the default
// in its default form). False with the error text set on failure.
static bool TakeClsnLine(const char *line, TxtParseFile *tp, ActionParse *ps, int index)
{
    int kind = line[4] - '0';
    ClsnList *list = ClsnListParse(line, tp);
    if (!list) {
        snprintf(LibErrorMsg, sizeof LibErrorMsg, "Error in clsn%i in %s elem %i", kind, ps->groupLine, index);
        return false;
    }
    ClsnList **pending = kind == 1 ? &ps->pending1 : &ps->pending2;
    ClsnList **def = kind == 1 ? &ps->default1 : &ps->default2;
    // A list given twice for one element replaces the first, which is released.
    ClsnListRelease(*pending);
    *pending = list;
    if (line[5] == 'd' || line[5] == 'D') {
        ClsnListRelease(*def);
        *def = ClsnListRef(list);
    }
    return true;
}

static int CountElementLines(TxtParseFile *tp)
{
    int n = 0;
    for (const char *line = TxtParseLineFirst(tp); line; line = TxtParseLineNext(tp))
        if (IsElementLine(line))
            n++;
    return n;
}

static bool ParseAction(TxtParseFile *tp, const char *groupLine, AnimAction *action)
{
    int count = CountElementLines(tp);
    TxtParseGroupRewind(tp);
    memset(action, 0, sizeof *action);
    action->elems = ArrayCreate(count > 0 ? count : 1, sizeof(AnimElem), nullptr);
    if (!action->elems) {
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory.");
        return false;
    }
    ActionParse ps = {groupLine, nullptr, nullptr, nullptr, nullptr, 0};
    int prevStart = 0, prevTime = 0;
    for (int i = 0; i < count; i++) {
        const char *line;
        bool flipDefault1 = false, flipDefault2 = false;
        while (true) {
            line = TxtParseLineNext(tp);
            if (!line) {
                snprintf(LibErrorMsg, sizeof LibErrorMsg, "Error reading line in %s elem %i", groupLine, i + 1);
                ParseStateRelease(&ps);
                return false;
            }
            if (strncasecmp(line, "loopstart", 9) == 0) {
                ps.loopPending = 1;
            } else if (strncasecmp(line, "clsn1", 5) == 0 || strncasecmp(line, "clsn2", 5) == 0) {
                if (!TakeClsnLine(line, tp, &ps, i)) {
                    ParseStateRelease(&ps);
                    return false;
                }
                if (line[5] == 'd' || line[5] == 'D')
                    (line[4] == '1' ? flipDefault1 : flipDefault2) = true;
            } else if (IsElementLine(line)) {
                break;
            }
        }
        AnimElem elem;
        memset(&elem, 0, sizeof elem);
        elem.start = i == 0 ? 0 : WrapAdd(prevStart, prevTime);
        if (ps.loopPending) {
            action->loopTime = elem.start;
            action->loopElem = i;
            ps.loopPending = 0;
        }
        const char *fields = line;
        while (*fields && !isdigit((unsigned char)*fields) && *fields != '-')
            fields++;
        if (!*fields) {
            snprintf(LibErrorMsg, sizeof LibErrorMsg, "Syntax error in %s elem %i", groupLine, i + 1);
            ParseStateRelease(&ps);
            return false;
        }
        if (!AnimElemParse(fields, &elem, groupLine, i)) {
            ParseStateRelease(&ps);
            return false;
        }
        if (flipDefault1)
            elem.flags |= ANIM_DEFAULT_CLSN1;
        if (flipDefault2)
            elem.flags |= ANIM_DEFAULT_CLSN2;
        elem.clsn1 = ps.pending1 ? ps.pending1 : ClsnListRef(ps.default1);
        elem.clsn2 = ps.pending2 ? ps.pending2 : ClsnListRef(ps.default2);
        ps.pending1 = ps.pending2 = nullptr;
        if (ArrayAdd(action->elems, &elem, 0, i) < 0) {
            ClsnListRelease(elem.clsn1);
            ClsnListRelease(elem.clsn2);
            snprintf(LibErrorMsg, sizeof LibErrorMsg, "Internal lib error in %s elem %i", groupLine, i);
            ParseStateRelease(&ps);
            return false;
        }
        if (elem.time == -1 || action->total == -1)
            action->total = -1;
        else
            action->total = WrapAdd(action->total, elem.time);
        prevStart = elem.start;
        prevTime = elem.time;
        action->count = i + 1;
    }
    ParseStateRelease(&ps);
    return true;
}

AnimSet *AnimSetParse(TxtParseFile *tp)
{
    int groups = 0;
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp))
        if (IsActionGroup(g))
            groups++;
    if (groups == 0) {
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Need at least one action");
        return nullptr;
    }
    AnimSet *set = (AnimSet *)LibCalloc(1, sizeof *set);
    if (set)
        set->actions = ArrayCreate(groups, sizeof(AnimAction), nullptr);
    if (!set || !set->actions) {
        MemFree(set);
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory.");
        return nullptr;
    }
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp)) {
        if (!IsActionGroup(g))
            continue;
        const char *end;
        int number = StrToIntClamped(g + 1 + ACTION_PREFIX_LEN, &end);
        AnimAction action;
        if (!ParseAction(tp, g, &action)) {
            ElemsRelease(action.elems);
            AnimSetFree(set);
            return nullptr;
        }
        if (ArrayAdd(set->actions, &action, 0, number) < 0) {
            ElemsRelease(action.elems);
            AnimSetFree(set);
            StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory.");
            return nullptr;
        }
        set->count++;
    }
    return set;
}

AnimSet *AnimLoadFile(const char *path)
{
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        AppendError("\nTXTPARSE error opening ");
        AppendError(path);
        return nullptr;
    }
    AnimSet *set = AnimSetParse(tp);
    TxtParseClose(tp);
    if (!set) {
        AppendError("\nAnim error reading ");
        AppendError(path);
    }
    return set;
}

int AnimSetFindAction(const AnimSet *set, int k1, int k2)
{
    if (!set || !set->actions)
        return -1;
    return ArrayFind(set->actions, k1, k2);
}

static bool SlotValid(const AnimSet *set, int slot)
{
    return set && set->actions && slot >= 0 && slot < set->actions->used;
}

AnimAction *AnimSetActionAt(const AnimSet *set, int slot)
{
    ANIM_ASSERT(SlotValid(set, slot));
    return (AnimAction *)ArrayAt(set->actions, slot);
}

int AnimSetActionGroupAt(const AnimSet *set, int slot)
{
    ANIM_ASSERT(SlotValid(set, slot));
    return ArrayKey1(set->actions, slot);
}

int AnimSetActionNoAt(const AnimSet *set, int slot)
{
    ANIM_ASSERT(SlotValid(set, slot));
    return ArrayKey2(set->actions, slot);
}

int AnimSetActionTime(const AnimSet *set, int k1, int k2)
{
    int slot = AnimSetFindAction(set, k1, k2);
    ANIM_ASSERT(slot >= 0);
    return AnimSetActionAt(set, slot)->total;
}

int AnimSetLoopStartTime(const AnimSet *set, int k1, int k2)
{
    int slot = AnimSetFindAction(set, k1, k2);
    ANIM_ASSERT(slot >= 0);
    return AnimSetActionAt(set, slot)->loopTime;
}

AnimElem *AnimActionElemAt(const AnimAction *action, int index)
{
    if (!action || !action->elems || index < 0 || index >= action->count)
        return nullptr;
    return (AnimElem *)ArrayAt(action->elems, index);
}

void AnimObjInit(AnimObj *obj, AnimSet *set, SprSet *spr)
{
    memset(obj, 0, sizeof *obj);
    obj->set = set;
    obj->spr = spr;
    obj->transOverride = -1;
    obj->alphaSrcScale = 256;
    obj->alphaDstScale = 256;
}

AnimObj *AnimObjCreate(AnimSet *set, SprSet *spr)
{
    AnimObj *obj = (AnimObj *)LibCalloc(1, sizeof *obj);
    if (obj)
        AnimObjInit(obj, set, spr);
    return obj;
}

void AnimObjCopy(AnimObj *dest, const AnimObj *src)
{
    *dest = *src;
    // The copy borrows the sprite set; only one record may free it.
    dest->ownsSpr = 0;
}

void AnimObjFree(AnimObj *obj)
{
    if (!obj)
        return;
    if (obj->ownsSpr)
        SprSetFree(obj->spr);
    MemFree(obj);
}

static AnimAction *CurrentAction(const AnimObj *obj)
{
    ANIM_ASSERT(obj && obj->set);
    return AnimSetActionAt(obj->set, obj->actionSlot);
}

static void MoveForward(AnimObj *obj, const AnimAction *action)
{
    while (obj->elemIndex + 1 < action->count &&
           AnimActionElemAt(action, obj->elemIndex + 1)->start <= obj->time)
        obj->elemIndex++;
}

// The sprite index of the element shown, looked up only when the element,
// the sprite set or the set's images changed since the last lookup.
static void SpriteResolve(AnimObj *obj, const AnimElem *elem)
{
    const Array *images = obj->spr ? obj->spr->images : nullptr;
    if (elem && elem == obj->sprElem && obj->spr == obj->sprFor && images == obj->sprImages &&
        (!images || images->changes == obj->sprChanges))
        return;
    obj->sprIndex = elem ? SprSetFindImage(obj->spr, elem->group, elem->image) : -1;
    obj->sprElem = elem;
    obj->sprFor = obj->spr;
    obj->sprImages = images;
    obj->sprChanges = images ? images->changes : 0;
}

int AnimObjTick(AnimObj *obj)
{
    const AnimAction *action = CurrentAction(obj);
    int looped = 0;
    MoveForward(obj, action);
    if (action->total != -1 && obj->time >= action->total) {
        obj->time = action->loopTime;
        obj->elemIndex = 0;
        MoveForward(obj, action);
        looped = 1;
    }
    SpriteResolve(obj, AnimActionElemAt(action, obj->elemIndex));
    obj->elapsed = WrapAdd(obj->elapsed, 1);
    obj->time = WrapAdd(obj->time, 1);
    return looped;
}

static void SlotInRange(AnimObj *obj)
{
    ANIM_ASSERT(obj && obj->set);
    if (!SlotValid(obj->set, obj->actionSlot)) {
        obj->actionSlot = 0;
        obj->elemIndex = 0;
    }
}

void AnimObjRestart(AnimObj *obj)
{
    SlotInRange(obj);
    obj->time = 0;
    obj->elapsed = 0;
    obj->elemIndex = 0;
}

int AnimObjChangeActionAt(AnimObj *obj, int k1, int k2, int startTime)
{
    SlotInRange(obj);
    int slot = AnimSetFindAction(obj->set, k1, k2);
    if (slot < 0)
        return 0;
    if (slot == obj->actionSlot)
        return 1;
    obj->actionSlot = slot;
    if (startTime != -1) {
        obj->elapsed = startTime;
        obj->time = startTime;
    }
    obj->elemIndex = 0;
    return 1;
}

int AnimObjChangeAction(AnimObj *obj, int k1, int k2)
{
    return AnimObjChangeActionAt(obj, k1, k2, 0);
}

int AnimObjChangeActionElem(AnimObj *obj, int k1, int k2, int elemIndex)
{
    if (!AnimObjChangeActionAt(obj, k1, k2, 0))
        return 0;
    AnimObjRestart(obj);
    const AnimAction *action = CurrentAction(obj);
    if (elemIndex < 0 || elemIndex >= action->count)
        return 0;
    if (elemIndex == 0)
        return 1;
    MoveForward(obj, action);
    // Between element starts a tick changes nothing but the time, so the walk
    // jumps from start to start: an element shown for a billion ticks costs
    // one step. The element index only grows until the action loops, so once
    // it is past the wanted element that element is never reached: with a
    // total the loop comes first, and without one the walk would never end.
    int lastTick = -1;  // the time of the last tick the walk ran
    while (obj->elemIndex != elemIndex) {
        if (obj->elemIndex > elemIndex)
            return 0;
        int next = AnimActionElemAt(action, obj->elemIndex + 1)->start;
        if (action->total != -1 && action->total <= next)
            return 0;
        obj->time = next;
        AnimObjTick(obj);
        lastTick = next;
    }
    if (lastTick >= 0) {
        // One tick back, so the next tick shows the element's first tick.
        obj->time = lastTick;
        obj->elapsed = lastTick;
    }
    return 1;
}

AnimElem *AnimObjElem(const AnimObj *obj)
{
    return AnimActionElemAt(CurrentAction(obj), obj->elemIndex);
}

int AnimObjActionNo(const AnimObj *obj)
{
    CurrentAction(obj);
    return AnimSetActionNoAt(obj->set, obj->actionSlot);
}

int AnimObjActionGroup(const AnimObj *obj)
{
    CurrentAction(obj);
    return AnimSetActionGroupAt(obj->set, obj->actionSlot);
}

int AnimObjActionTime(const AnimObj *obj)
{
    return CurrentAction(obj)->total;
}

int AnimObjLoopStartTime(const AnimObj *obj)
{
    return CurrentAction(obj)->loopTime;
}

int AnimObjTime(const AnimObj *obj)
{
    CurrentAction(obj);
    return obj->time;
}

int AnimObjTimeOrLoopStart(const AnimObj *obj)
{
    const AnimAction *action = CurrentAction(obj);
    return obj->time < action->total ? obj->time : action->loopTime;
}

int AnimObjSprite(const AnimObj *obj)
{
    CurrentAction(obj);
    return obj->sprIndex;
}

int AnimObjElemStartTime(const AnimObj *obj, int index)
{
    const AnimElem *elem = AnimActionElemAt(CurrentAction(obj), index);
    return elem ? elem->start : -1;
}

int AnimObjElemAtTime(const AnimObj *obj, int offset)
{
    const AnimAction *action = CurrentAction(obj);
    int64_t t = obj->time, o = offset, total = action->total, loop = action->loopTime;
    int64_t f = t + o;
    if (f < 0) {
        if (t < total)
            return -1;
        f = t - o + (total - loop);
    }
    if (f >= total && total != -1) {
        // A loop of no length stays on its loop-start element.
        if (total - loop <= 0)
            return action->count > 0 ? action->loopElem + 1 : 0;
        f = loop + (f - loop) % (total - loop);
    }
    int n = 0;
    for (int i = 0; i < action->count; i++)
        if (AnimActionElemAt(action, i)->start <= f)
            n++;
    return n;
}

int AnimFlipCombine(int a, int b)
{
    return a ^ b;
}

namespace {
// What one shown element draws: its offset, flips and transparency.
struct AnimDrawElem {
    int x, y;
    int flip;
    int trans, alphaSrc, alphaDst;
};
}

// The element shown on the tick before the action time, with the player's
// transparency override folded in; false when nothing is to be drawn.
static bool AnimDrawElemGet(const AnimObj *obj, int flip, AnimDrawElem *out)
{
    const AnimAction *action = CurrentAction(obj);
    int64_t shown = (int64_t)obj->time - 1;
    const AnimElem *found = nullptr;
    for (int i = 0; i < action->count; i++) {
        const AnimElem *e = AnimActionElemAt(action, i);
        if (e->start > shown)
            break;
        if (shown < (int64_t)e->start + e->time || e->time == -1)
            found = e;
    }
    if (!found || obj->sprIndex < 0)
        return false;
    out->x = (flip & ANIM_FLIP_H) ? -found->x : found->x;
    out->y = (flip & ANIM_FLIP_V) ? -found->y : found->y;
    out->flip = AnimFlipCombine(flip, found->flags & (ANIM_FLIP_H | ANIM_FLIP_V));
    if (obj->transOverride == -1) {
        out->trans = found->trans;
        out->alphaSrc = found->alphaSrc;
        out->alphaDst = found->alphaDst;
    } else {
        int scale = obj->alphaDstScale;
        out->trans = obj->transOverride;
        out->alphaSrc = (int)(((int64_t)found->alphaSrc * obj->alphaSrcScale) >> 8);
        out->alphaDst = (int)(scale + (int64_t)(256 - scale) * found->alphaDst / 256);
    }
    return true;
}

static int AnimCoord(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT_MAX;
    if (v <= -2147483648.0)
        return INT_MIN;
    return (int)v;
}

// Queues the draw on the player's draw list at its draw priority; the list
// applies the flip to the scales when it draws.
static void AnimQueue(const AnimObj *obj, const AnimDrawElem *d, int x, int y, int kind, float xScale,
                      float yScale, int angle)
{
    DrawEntry e;
    memset(&e, 0, sizeof e);
    e.priority = obj->drawPriority;
    e.spr = obj->spr;
    e.sprIndex = obj->sprIndex;
    e.x = x;
    e.y = y;
    e.kind = kind;
    e.trans = d->trans;
    e.alphaSrc = d->alphaSrc;
    e.alphaDst = d->alphaDst;
    e.xScale = xScale;
    e.yScale = yScale;
    e.angle = angle;
    e.flip = d->flip;
    DrawListAdd(obj->drawList, &e);
}

void AnimObjDrawFlip(AnimObj *obj, int x, int y, int flip)
{
    AnimDrawElem d;
    if (!AnimDrawElemGet(obj, flip, &d))
        return;
    if (obj->drawList) {
        AnimQueue(obj, &d, WrapAdd(x, d.x), WrapAdd(y, d.y), DRAW_PLAIN, 1.0f, 1.0f, 0);
        return;
    }
    SprDrawFlipTrans(obj->spr, obj->sprIndex, WrapAdd(x, d.x), WrapAdd(y, d.y), d.flip, d.trans, d.alphaSrc,
                     d.alphaDst);
}

void AnimObjDraw(AnimObj *obj, int x, int y)
{
    AnimObjDrawFlip(obj, x, y, 0);
}

void AnimObjDrawScaledFlip(AnimObj *obj, float x, float y, float xScale, float yScale, int flip)
{
    if (xScale == 1.0f && yScale == 1.0f) {
        AnimObjDrawFlip(obj, AnimCoord(x), AnimCoord(y), flip);
        return;
    }
    AnimDrawElem d;
    if (!AnimDrawElemGet(obj, flip, &d))
        return;
    int ox = AnimCoord(std::floor((double)d.x * xScale + 0.5));
    int oy = AnimCoord(std::floor((double)d.y * yScale + 0.5));
    if (obj->drawList) {
        AnimQueue(obj, &d, AnimCoord((double)x + ox), AnimCoord((double)y + oy), DRAW_SCALED, xScale, yScale, 0);
        return;
    }
    float xs = (d.flip & ANIM_FLIP_H) ? -xScale : xScale;
    float ys = (d.flip & ANIM_FLIP_V) ? -yScale : yScale;
    SprDrawScaledTrans(obj->spr, obj->sprIndex, x + ox, y + oy, xs, ys, d.trans, d.alphaSrc, d.alphaDst);
}

void AnimObjDrawScaled(AnimObj *obj, float x, float y, float xScale, float yScale)
{
    AnimObjDrawScaledFlip(obj, x, y, xScale, yScale, 0);
}

void AnimObjDrawAngle(AnimObj *obj, float x, float y, float angle, float xScale, float yScale, int flip)
{
    AnimDrawElem d;
    if (!AnimDrawElemGet(obj, flip, &d))
        return;
    float px = (float)AnimCoord((double)d.x * xScale + x);
    float py = (float)AnimCoord((double)d.y * yScale + y);
    if (flip & ANIM_FLIP_H)
        angle = -angle;
    if (obj->drawList) {
        AnimQueue(obj, &d, AnimCoord((double)d.x * xScale + x), AnimCoord((double)d.y * yScale + y), DRAW_ROTATED,
                  xScale, yScale, AnimCoord(angle));
        return;
    }
    float xs = (d.flip & ANIM_FLIP_H) ? -xScale : xScale;
    float ys = (d.flip & ANIM_FLIP_V) ? -yScale : yScale;
    SprDrawRotatedTrans(obj->spr, obj->sprIndex, px, py, angle, xs, ys, 1.0f, 1.0f, d.trans, d.alphaSrc,
                        d.alphaDst);
}
