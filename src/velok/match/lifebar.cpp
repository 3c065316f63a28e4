// Fight-screen drawing: lifebars, power bars, faces, names, timer, combo counters and win icons, and the displays that follow life and power.
#include "velok/match/lifebar.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "lib/array.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/safefmt.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "velok/core/gamevars.h"
#include "velok/match/fight.h"
#include "velok/match/round.h"
#include "velok/player/p-hit.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

enum { COMBO_SHOWN_MAX = 999, COMBO_TEXT_LEN = 64 };

static inline int Rgb(int r, int g, int b)
{
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
}

static bool Doubled()
{
    return gv->cfg.video.doubleRes == 4;
}

static bool CanDraw()
{
    return !disp.skipFrame && vbufTarget.pixels;
}

// Positions add file values together, so they are summed in 64 bits and
// handed to the drawing calls held within a range far beyond any target,
// where the glyph and sprite arithmetic of those calls cannot overflow.
enum { DRAW_POS_LIMIT = 1 << 24 };

static int Sat(long long v)
{
    return v > DRAW_POS_LIMIT ? DRAW_POS_LIMIT : v < -DRAW_POS_LIMIT ? -DRAW_POS_LIMIT : (int)v;
}

static long long Dbl(long long v)
{
    return Doubled() ? v * 2 : v;
}

// An element at (x, y) plus its offset, in the pass of its layer, shown
// through the system explod list (so an animation runs on from frame to
// frame); a text element shows `text` when given, hflip mirrors it once more,
// and spr gives its sprites (the fight screen's, or a face's player's).
static void ElemShow(const ScreenElem *e, SprSet *spr, long long x, long long y, int pass,
                     const char *text = nullptr, bool hflip = false)
{
    if (e->kind == SCREEN_ELEM_NONE || e->layer != pass)
        return;
    ScreenElem shown = *e;
    if (text)
        StrCopy(shown.text, sizeof shown.text, text);
    if (hflip)
        shown.facing = e->facing == -1 ? 1 : -1;
    ScreenElemShow(gv->sysExplods, &shown, spr, gv->fightAnims, gv->fightFonts, Sat(x), Sat(y), pass);
}

// ---------------------------------------------------------------- bar sets

enum BarSet { BAR_SINGLE, BAR_TURNS, BAR_SIMUL };

static Player *Shown(int slot)
{
    Player *pl = PlayerSlotGet(slot);
    return pl && pl->enabled ? pl : nullptr;
}

// Simul when the side's second player is in the match, turns when the side
// comes in more than one group, else single.
static BarSet BarSetOf(int side)
{
    if (Shown(side + 2))
        return BAR_SIMUL;
    if (gv->teams[side - 1].entryCount > 1)
        return BAR_TURNS;
    return BAR_SINGLE;
}

// The bar's ends from its range; the first end is where it is anchored when
// that end lies right of the other.
struct BarSpan {
    long long lo, hi;
    bool right;
};

static BarSpan BarSpanOf(const FightBar *b)
{
    long long e1 = Dbl((long long)b->posX + b->range[0]), e2 = Dbl((long long)b->posX + b->range[1]);
    return {std::min(e1, e2), std::max(e1, e2), e1 > e2};
}

// Draws the element through a clip of the pixels [from, to) counted from the
// anchored end, within the clip in force.
static void FillShow(const ScreenElem *e, const FightBar *b, const BarSpan &span, long long from, long long to,
                     int pass)
{
    if (to <= from || e->kind == SCREEN_ELEM_NONE || e->layer != pass || !CanDraw())
        return;
    long long x1 = span.right ? span.hi - to + 1 : span.lo + from;
    long long x2 = span.right ? span.hi - from : span.lo + to - 1;
    int saved[4];
    VbufClipSave(saved);
    x1 = std::max<long long>(x1, saved[0]);
    x2 = std::min<long long>(x2, saved[2]);
    if (x1 > x2)
        return;
    VbufClipSet((int)x1, saved[1], (int)x2, saved[3]);
    ElemShow(e, gv->fightSpr, b->posX, b->posY, pass);
    VbufClipRestore(saved);
}

static void LifeDebugDraw(const BarSpan &span, long long front, const FightBar *b, const Player *pl)
{
    Font *font = gv->sysFont[0];
    if (!font || !CanDraw())
        return;
    int y = Sat(Dbl(b->posY));
    char life[16], diff[16];
    snprintf(life, sizeof life, "%i", pl->life);
    long long lost = (long long)pl->lifeShown[1] - pl->life;
    snprintf(diff, sizeof diff, span.right ? "%3i" : "%i", ClampInt(lost));
    if (span.right) {
        int x = Sat(span.hi - front - 1);
        FontDrawTextR(life, font, x, y, Rgb(128, 128, 0));
        if (lost > 0)
            FontDrawTextR(diff, font, x - FontTextWidth(font, life) - 2, y, Rgb(128, 0, 0));
    } else {
        int x = Sat(span.lo + front + 1);
        FontDrawTextL(life, font, x, y, Rgb(128, 128, 0));
        if (lost > 0)
            FontDrawTextL(diff, font, x + FontTextWidth(font, life) + 2, y, Rgb(128, 0, 0));
    }
}

// v / max of a bar w pixels wide (a max of 0 or less counts as 1), held to
// a range that the clip arithmetic can take.
static long long BarPart(long long w, int v, int max)
{
    __int128 p = (__int128)w * v / (max > 0 ? max : 1);
    const long long limit = 1LL << 40;
    return p > limit ? limit : p < -limit ? -limit : (long long)p;
}

static void LifeBarDraw(const FightBar *b, const Player *pl, int pass)
{
    ElemShow(&b->bg[0], gv->fightSpr, b->posX, b->posY, pass);
    ElemShow(&b->bg[1], gv->fightSpr, b->posX, b->posY, pass);
    BarSpan span = BarSpanOf(b);
    long long w = span.hi - span.lo;
    int shown = pl->lifeShown[0], red = pl->lifeShown[1];
    long long front = BarPart(w, shown, pl->lifeMax);
    long long redW = BarPart(w, red, pl->lifeMax);
    long long redFrom = shown == 0 ? 0 : std::min(front + 1, redW);
    if (shown < red)
        FillShow(&b->mid, b, span, redFrom, redW, pass);
    if (shown > 0)
        FillShow(&b->front, b, span, 0, front, pass);
    if (gv->cfg.debug.debug && b->front.layer == pass)
        LifeDebugDraw(span, front, b, pl);
}

static void PowerBarDraw(const FightBar *b, const Player *pl, int pass)
{
    ElemShow(&b->bg[0], gv->fightSpr, b->posX, b->posY, pass);
    ElemShow(&b->bg[1], gv->fightSpr, b->posX, b->posY, pass);
    ElemShow(&b->mid, gv->fightSpr, b->posX, b->posY, pass);
    BarSpan span = BarSpanOf(b);
    long long fill = BarPart(span.hi - span.lo + 1, pl->powerShown, PlayerPowerMaxGet(pl));
    FillShow(&b->front, b, span, 0, fill, pass);
    char text[16];
    snprintf(text, sizeof text, "%i", pl->powerShown / 1000);
    ElemShow(&b->counter, gv->fightSpr, b->posX, b->posY, pass, text);
}

static SprSet *PlayerSprites(const Player *pl)
{
    return pl->palInUse ? pl->palInUse : pl->sprView;
}

// The waiting teammates after the current group at the teammate places, then
// the beaten ones with the KO mark.
static void TeammatesDraw(const FightFace *f, int side, int pass)
{
    const TeamInfo &team = gv->teams[side - 1];
    int place = 0;
    auto mate = [&](int entry) {
        long long x = f->teamPosX + (long long)place * f->teamSpacingX;
        long long y = f->teamPosY + (long long)place * f->teamSpacingY;
        ElemShow(&f->teamBg, gv->fightSpr, x, y, pass);
        ElemShow(&f->teamFace, gv->teamSpr[side - 1][entry], x, y, pass, nullptr, f->facing == -1);
        if (entry < team.current)
            ElemShow(&f->teamKo, gv->fightSpr, x, y, pass);
        place++;
    };
    for (int e = team.current + 1; e < team.entryCount && e < TEAM_ENTRY_MAX; e++)
        mate(e);
    for (int e = 0; e < team.current && e < TEAM_ENTRY_MAX; e++)
        mate(e);
}

static void FaceDraw(const FightFace *f, const Player *pl, int pass)
{
    ElemShow(&f->bg, gv->fightSpr, f->posX, f->posY, pass);
    ElemShow(&f->face, PlayerSprites(pl), f->posX, f->posY, pass, nullptr, f->facing == -1);
}

static void NameDraw(const FightName *n, const Player *pl, int pass)
{
    ElemShow(&n->bg, gv->fightSpr, n->posX, n->posY, pass);
    ElemShow(&n->name, gv->fightSpr, n->posX, n->posY, pass, pl->name);
}

static void TimeDraw(const FightTime *t, int pass)
{
    ElemShow(&t->bg, gv->fightSpr, t->posX, t->posY, pass);
    char text[16];
    int left = gv->round.timeLeft;
    if (left == -1)
        snprintf(text, sizeof text, "%c", 'o');
    else
        snprintf(text, sizeof text, "%i", left / (gv->fightRound.framesPerCount > 0 ? gv->fightRound.framesPerCount : 1));
    ElemShow(&t->counter, gv->fightSpr, t->posX, t->posY, pass, text);
}

static void WinIconsDraw(const FightData *f, int side, int pass)
{
    const FightWinIcon *w = &f->winIcon[side - 1];
    int wins = gv->round.wins[side - 1];
    if (wins > f->useIconUpTo) {
        char text[16];
        snprintf(text, sizeof text, "%i", wins);
        ElemShow(&w->counter, gv->fightSpr, w->posX, w->posY, pass, text);
        return;
    }
    int slots = std::min(wins, (int)WIN_ICON_SLOTS);
    for (const int *kinds : {gv->round.winIcon[side - 1], gv->round.winPerfect[side - 1]}) {
        for (int slot = 0; slot < slots; slot++) {
            int kind = kinds[slot];
            if (kind >= 0 && kind < FIGHT_WIN_ICON_KINDS)
                ElemShow(&w->icon[kind], gv->fightSpr, w->posX + (long long)slot * w->offsetX,
                         w->posY + (long long)slot * w->offsetY, pass);
        }
    }
}

// Each side's shown players in slot order: the main slot, and the partner
// slot where the side shows simultaneous bars.
template <class Fn> static void EachShownBarSlot(Fn fn)
{
    for (int side = 1; side <= 2; side++) {
        BarSet set = BarSetOf(side);
        for (int slot = side; slot <= side + 2; slot += 2) {
            Player *pl = Shown(slot);
            if (pl && (slot <= 2 || set == BAR_SIMUL))
                fn(side, slot, set, pl);
        }
    }
}

void LifebarDraw(int pass)
{
    const FightData *f = gv->fight;
    if (!f)
        return;
    EachShownBarSlot([&](int side, int slot, BarSet set, Player *pl) {
        const FightBar *bar = set == BAR_SIMUL  ? &f->simulLife[slot - 1]
                              : set == BAR_TURNS ? &f->turnsLife[side - 1]
                                                 : &f->life[side - 1];
        LifeBarDraw(bar, pl, pass);
    });
    for (int slot = 1; slot <= 2; slot++) {
        Player *pl = Shown(slot);
        if (pl)
            PowerBarDraw(&f->power[slot - 1], pl, pass);
    }
    EachShownBarSlot([&](int side, int slot, BarSet set, Player *pl) {
        const FightFace *face = set == BAR_SIMUL  ? &f->simulFace[slot - 1]
                                : set == BAR_TURNS ? &f->turnsFace[side - 1]
                                                   : &f->face[side - 1];
        FaceDraw(face, pl, pass);
        if (set == BAR_TURNS)
            TeammatesDraw(face, side, pass);
    });
    EachShownBarSlot([&](int side, int slot, BarSet set, Player *pl) {
        const FightName *name = set == BAR_SIMUL  ? &f->simulName[slot - 1]
                                : set == BAR_TURNS ? &f->turnsName[side - 1]
                                                   : &f->name[side - 1];
        NameDraw(name, pl, pass);
    });
    TimeDraw(&f->time, pass);
    for (int side = 1; side <= 2; side++)
        WinIconsDraw(f, side, pass);
}

// ---------------------------------------------------------------- followers

void LifebarLifeTick(Player *pl)
{
    if (!pl || gv->paused || gv->slowAccum != 0)
        return;
    long long m1 = std::max(1LL, pl->lifeMax * 9LL / 1000);
    long long m2 = std::max(1LL, pl->lifeMax * 40LL / 1000);
    int life = pl->life;
    int &shown = pl->lifeShown[0];
    int &red = pl->lifeShown[1];
    if (shown > life) {
        float gap = (float)((long long)shown - life);
        long long next = (long long)((float)shown - (gap * 0.1f + (float)m1));
        shown = next < life ? life : ClampInt(next);
    } else if (shown < life) {
        shown += (int)std::min<long long>((long long)life - shown, m2);
    }
    const PlayerStateBlock &st = pl->state;
    bool beingHit = st.moveType == MOVETYPE_H && !(st.stateType == STATETYPE_L && st.time > 60);
    if (beingHit)
        return;
    if (shown == life && red > shown) {
        float gap = (float)((long long)red - shown);
        long long next = (long long)((float)red - gap * 0.1f);
        red = next < shown ? shown : ClampInt(next);
    }
    if (red < shown)
        red = shown;
}

void PowerbarTick(Player *pl)
{
    if (!pl)
        return;
    int power = PlayerPowerGet(pl);
    if (!gv->paused && gv->slowAccum == 0) {
        if (pl->powerShown < power) {
            long long next = (long long)pl->powerShown + ((long long)power - pl->powerShown) / 20 + 15;
            pl->powerShown = next > power ? power : (int)next;
        } else if (pl->powerShown > power) {
            pl->powerShown = power;
        }
    }
    int level = power / 1000;
    if (level == pl->powerLevel)
        return;
    if (level > pl->powerLevel && level >= 0 && level < FIGHT_POWER_LEVELS && gv->fight)
        FightSndPlay(&gv->fight->levelSnd[level]);
    pl->powerLevel = level;
}

// ---------------------------------------------------------------- combo counters

static ComboCounter *ComboOf(int side)
{
    return side == 1 || side == 2 ? &gv->combo[side - 1] : nullptr;
}

// [Combo] of the fight screen, or its defaults before one is loaded.
static const FightCombo *ComboCfg()
{
    static const FightCombo defaults = {10, 80, -40, -1, 0, 0, 0, 0, 0, 0, 90, "%i Hit!"};
    return gv->fight ? &gv->fight->combo : &defaults;
}

void ComboCounterAdd(int side, int hits)
{
    ComboCounter *c = ComboOf(side);
    if (!c)
        return;
    const FightCombo *cfg = ComboCfg();
    bool running = c->shown != 0;
    c->hits = (int)((unsigned)c->hits + (unsigned)hits);
    if (!running && c->hits < 2)
        return;
    if (!running)
        c->x = cfg->startX;
    if (c->hits >= 2) {
        c->timeLeft = cfg->displayTime;
        c->shown = std::min(c->hits, (int)COMBO_SHOWN_MAX);
    }
}

void ComboCounterReset(int side)
{
    ComboCounter *c = ComboOf(side);
    if (c)
        *c = ComboCounter{};
}

void ComboCounterTick(int side)
{
    ComboCounter *c = ComboOf(side);
    if (!c || gv->paused || gv->slowAccum != 0)
        return;
    const FightCombo *cfg = ComboCfg();
    if (!c->running)
        c->hits = 0;
    c->running = 0;
    if (c->timeLeft > 0) {
        long long d = (long long)cfg->posX - c->x;
        long long step = std::llabs(d) / 8 + 1;
        c->x = (int)(c->x + (d > 0 ? std::min(d, step) : -std::min(-d, step)));
        c->timeLeft--;
    }
    if (c->hits < 2 && c->timeLeft <= 0) {
        long long d = (long long)cfg->startX - c->x;
        c->x = (int)(c->x + (d > 0 ? std::min(d, 3LL) : -std::min(-d, 3LL)));
        if (c->x == cfg->startX)
            c->shown = 0;
    }
}

void ComboTargetsCheck(Player *pl)
{
    if (!pl || !pl->targets)
        return;
    Array *targets = pl->targets;
    bool first = true;
    for (int i = 0; i < targets->capacity; i++) {
        if (!targets->slots[i].used)
            continue;
        const Player *t = ((PlayerTarget *)ArrayAt(targets, i))->target;
        bool hit = t && t->enabled && t->state.moveType == MOVETYPE_H;
        if (first && hit && t->state.stateType != STATETYPE_L) {
            ComboCounter *c = ComboOf(pl->side);
            if (c)
                c->running = 1;
        }
        first = false;
        if (!hit)
            PlayerTargetRelease(pl, i);
    }
}

// Pixels to the right in the first seven ticks of a display.
static int ComboShake(const ComboCounter *c, const FightCombo *cfg)
{
    static const int pattern[7] = {1, 2, 1, 0, 1, 0, 1};
    int t = cfg->displayTime - c->timeLeft;
    return cfg->counterShake && t >= 1 && t <= 7 ? pattern[t - 1] : 0;
}

void ComboDraw(int side)
{
    const ComboCounter *c = ComboOf(side);
    if (!c || c->shown < 2 || !CanDraw())
        return;
    const FightCombo *cfg = ComboCfg();
    int y = Sat(Dbl(cfg->posY));
    long long shake = ComboShake(c, cfg);
    char count[16], text[COMBO_TEXT_LEN];
    snprintf(count, sizeof count, "%i", c->shown);
    FmtArg arg = FmtInt(c->shown);
    FmtSafe(text, sizeof text, cfg->text, &arg, 1);
    Font *countFont = FightFontGet(cfg->counterFont);
    Font *textFont = FightFontGet(cfg->textFont);
    long long x = c->x;
    if (side == 1) {
        int countW = countFont ? FontTextWidth(countFont, count) : 0;
        if (textFont)
            FontDrawText(text, textFont, Sat(x + cfg->textOffsetX + countW), y, 1, -1, cfg->textBank);
        if (countFont)
            FontDrawText(count, countFont, Sat(x + shake), y, 1, -1, cfg->counterBank);
        return;
    }
    x = vbufTarget.width - x - 1;
    int textW = textFont ? FontTextWidth(textFont, text) : 0;
    if (textFont)
        FontDrawText(text, textFont, Sat(x), y, -1, -1, cfg->textBank);
    if (countFont)
        FontDrawText(count, countFont, Sat(x - textW - cfg->textOffsetX + shake), y, -1, -1, cfg->counterBank);
}

// ---------------------------------------------------------------- win icons

void WinIconRecordKO(int a, int b, int attr)
{
    // Each side's record checks its own ten wins and the round state.
    if (a == b) {
        WinIconRecordTeam(3 - b, attr, 7);
    } else if (a == 0) {
        WinIconRecordTeam(1, attr, -1);
        WinIconRecordTeam(2, attr, -1);
    } else {
        WinIconRecordTeam(b, attr, -1);
    }
}
