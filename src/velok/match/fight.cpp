// Fight-screen file: the lifebar, power-bar, face, name, timer, combo, round and win-icon layouts and the files they name.
#include "velok/match/fight.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/pal.h"
#include "velok/core/sound.h"
#include "velok/match/round.h"

enum { FIGHT_KEY_LEN = 96, FIGHT_PATH_LEN = GAME_DIR_LEN };

// ---------------------------------------------------------------- screen elements

// A fresh element read under a prefix made from a format and a number.
static void ElemRead(TxtParseFile *tp, ScreenElem *e, const char *format, int n)
{
    char prefix[FIGHT_KEY_LEN];
    snprintf(prefix, sizeof prefix, format, n);
    ScreenElemInit(e);
    ScreenElemRead(tp, e, prefix);
}

// ---------------------------------------------------------------- the file's groups

static void PairRead(TxtParseFile *tp, const char *format, int n, int *a, int *b)
{
    char key[FIGHT_KEY_LEN];
    snprintf(key, sizeof key, format, n);
    TxtParseScan(tp, key, "%i,%i", a, b);
}

static void IntRead(TxtParseFile *tp, const char *format, int n, int *v)
{
    char key[FIGHT_KEY_LEN];
    snprintf(key, sizeof key, format, n);
    TxtParseIntGet(tp, key, v);
}

// A sound reference "group,number"; the group stays -1 when nothing is read.
static void SndRead(TxtParseFile *tp, const char *format, int n, FightSnd *snd)
{
    char key[FIGHT_KEY_LEN];
    snprintf(key, sizeof key, format, n);
    SoundRefParse(tp, key, &snd->group, &snd->number);
}

static int GroupNeed(TxtParseFile *tp, const char *name, const char *missing)
{
    if (TxtParseGroupSet(tp, name) >= 0)
        return 1;
    GameErrorSet("%s", missing);
    return 0;
}

static void BarRead(TxtParseFile *tp, FightBar *bar, int p, bool counter)
{
    PairRead(tp, "p%i.pos", p, &bar->posX, &bar->posY);
    PairRead(tp, "p%i.range.x", p, &bar->range[0], &bar->range[1]);
    for (int i = 0; i < 3; i++) {
        char format[FIGHT_KEY_LEN];
        snprintf(format, sizeof format, "p%%i.bg%i", i);
        ElemRead(tp, &bar->bg[i], format, p);
    }
    ElemRead(tp, &bar->mid, "p%i.mid", p);
    ElemRead(tp, &bar->front, "p%i.front", p);
    ScreenElemInit(&bar->counter);
    if (counter)
        ElemRead(tp, &bar->counter, "p%i.counter", p);
}

static int BarsRead(TxtParseFile *tp, const char *group, const char *missing, FightBar *bars, int count)
{
    if (!GroupNeed(tp, group, missing))
        return 0;
    for (int p = 1; p <= count; p++)
        BarRead(tp, &bars[p - 1], p, false);
    return 1;
}

static void FaceRead(TxtParseFile *tp, FightFace *face, int p, int facing, bool turns)
{
    PairRead(tp, "p%i.pos", p, &face->posX, &face->posY);
    ElemRead(tp, &face->bg, "p%i.bg", p);
    ElemRead(tp, &face->face, "p%i.face", p);
    face->facing = facing;
    IntRead(tp, "p%i.facing", p, &face->facing);
    ScreenElemInit(&face->teamBg);
    ScreenElemInit(&face->teamFace);
    ScreenElemInit(&face->teamKo);
    if (!turns)
        return;
    PairRead(tp, "p%i.teammate.pos", p, &face->teamPosX, &face->teamPosY);
    PairRead(tp, "p%i.teammate.spacing", p, &face->teamSpacingX, &face->teamSpacingY);
    ElemRead(tp, &face->teamBg, "p%i.teammate.bg", p);
    ElemRead(tp, &face->teamFace, "p%i.teammate.face", p);
    ElemRead(tp, &face->teamKo, "p%i.teammate.ko", p);
    // The teammates' facing is the face's own: read later, it wins.
    IntRead(tp, "p%i.teammate.facing", p, &face->facing);
}

static int FacesRead(TxtParseFile *tp, const char *group, const char *missing, FightFace *faces, int count,
                     bool turns)
{
    if (!GroupNeed(tp, group, missing))
        return 0;
    for (int p = 1; p <= count; p++)
        FaceRead(tp, &faces[p - 1], p, p % 2 ? 1 : -1, turns);
    return 1;
}

static int NamesRead(TxtParseFile *tp, const char *group, const char *missing, FightName *names, int count)
{
    if (!GroupNeed(tp, group, missing))
        return 0;
    for (int p = 1; p <= count; p++) {
        FightName *n = &names[p - 1];
        PairRead(tp, "p%i.pos", p, &n->posX, &n->posY);
        ElemRead(tp, &n->bg, "p%i.bg", p);
        ElemRead(tp, &n->name, "p%i.name", p);
    }
    return 1;
}

static int TimeRead(TxtParseFile *tp, FightTime *t)
{
    if (!GroupNeed(tp, "time", "Missing time info"))
        return 0;
    TxtParseScan(tp, "pos", "%i,%i", &t->posX, &t->posY);
    ElemRead(tp, &t->bg, "bg", 0);
    ElemRead(tp, &t->counter, "counter", 0);
    int fpc = 60;
    TxtParseIntGet(tp, "framespercount", &fpc);
    // The timer divides by it.
    gv->fightRound.framesPerCount = fpc < 1 ? 1 : fpc;
    return 1;
}

static int ComboRead(TxtParseFile *tp, FightCombo *c)
{
    if (!GroupNeed(tp, "combo", "Missing combo info"))
        return 0;
    c->posX = 10;
    c->posY = 80;
    c->startX = -40;
    c->displayTime = 90;
    c->counterFont = -1;
    StrCopy(c->text, sizeof c->text, "%i Hit!");
    const char *text = TxtParseValueGet(tp, "text.text");
    if (text)
        StrUnquote(c->text, sizeof c->text, text);
    TxtParseScan(tp, "pos", "%i,%i", &c->posX, &c->posY);
    TxtParseIntGet(tp, "start.x", &c->startX);
    TxtParseScan(tp, "counter.font", "%i,%i", &c->counterFont, &c->counterBank);
    TxtParseIntGet(tp, "counter.shake", &c->counterShake);
    TxtParseScan(tp, "text.font", "%i,%i", &c->textFont, &c->textBank);
    TxtParseScan(tp, "text.offset", "%i,%i", &c->textOffsetX, &c->textOffsetY);
    TxtParseIntGet(tp, "displaytime", &c->displayTime);
    return 1;
}

// An element that has a position and a text before the file speaks.
static void ElemReadPreset(TxtParseFile *tp, ScreenElem *e, const char *prefix, const char *text)
{
    ScreenElemInit(e);
    e->offsetX = 160;
    e->offsetY = 120;
    if (text)
        StrCopy(e->text, sizeof e->text, text);
    ScreenElemRead(tp, e, prefix);
}

static void SndKeyRead(TxtParseFile *tp, const char *key, FightSnd *snd)
{
    SoundRefParse(tp, key, &snd->group, &snd->number);
}

static int RoundRead(TxtParseFile *tp, FightRoundElems *re)
{
    if (!GroupNeed(tp, "round", "Missing round info"))
        return 0;
    FightRound *fr = &gv->fightRound;
    int fpc = fr->framesPerCount;  // [Time] is read already
    FightRoundDefaults();
    fr->framesPerCount = fpc;
    fr->koTime = 0;
    fr->koSndTime = 0;

    TxtParseIntGet(tp, "match.wins", &fr->matchWins);
    TxtParseIntGet(tp, "match.maxdrawgames", &fr->maxDrawGames);
    TxtParseIntGet(tp, "start.waittime", &fr->startWaitTime);
    TxtParseIntGet(tp, "intro.time", &fr->introTime);
    TxtParseScan(tp, "pos", "%i,%i", &fr->posX, &fr->posY);
    ScreenElemInit(&re->roundDefault);
    ScreenElemRead(tp, &re->roundDefault, "round.default");
    StrUnescapePercent(re->roundDefault.text);
    TxtParseIntGet(tp, "round.time", &gv->roundTime);
    fr->roundSndTime = gv->roundTime;
    TxtParseIntGet(tp, "round.sndtime", &fr->roundSndTime);
    for (int n = 1; n <= FIGHT_ROUND_SOUNDS; n++) {
        SndRead(tp, "round%i.snd", n, &fr->roundSnd[n - 1]);
        ElemRead(tp, &re->round[n - 1], "round%i", n);
    }
    ElemReadPreset(tp, &re->fight, "fight", "Fight!");
    TxtParseIntGet(tp, "fight.time", &fr->fightTime);
    fr->fightSndTime = fr->fightTime;
    TxtParseIntGet(tp, "fight.sndtime", &fr->fightSndTime);
    SndKeyRead(tp, "fight.snd", &fr->fightSnd);
    TxtParseIntGet(tp, "ctrl.time", &fr->ctrlTime);
    ElemReadPreset(tp, &re->ko, "KO", "K.O");
    ElemRead(tp, &re->dko, "DKO", 0);
    ElemRead(tp, &re->to, "TO", 0);
    TxtParseIntGet(tp, "KO.time", &fr->koTime);
    fr->koSndTime = fr->koTime;
    TxtParseIntGet(tp, "KO.sndtime", &fr->koSndTime);
    SndKeyRead(tp, "KO.snd", &fr->koSnd);
    SndKeyRead(tp, "DKO.snd", &fr->dkoSnd);
    SndKeyRead(tp, "TO.snd", &fr->toSnd);
    // Raised by 10, held at the top of the int range.
    fr->koTime = fr->koTime > INT_MAX - 10 ? INT_MAX : fr->koTime + 10;
    fr->koSndTime = fr->koSndTime > INT_MAX - 10 ? INT_MAX : fr->koSndTime + 10;
    TxtParseIntGet(tp, "win.time", &fr->winTime);
    ElemReadPreset(tp, &re->win, "win", nullptr);
    ElemRead(tp, &re->win2, "win2", 0);
    ElemRead(tp, &re->draw, "draw", 0);
    SndKeyRead(tp, "win.snd", &re->winSnd);
    SndKeyRead(tp, "lose.snd", &re->loseSnd);
    SndKeyRead(tp, "draw.snd", &re->drawSnd);
    TxtParseIntGet(tp, "slow.time", &fr->slowTime);
    TxtParseIntGet(tp, "over.waittime", &fr->overWaitTime);
    TxtParseIntGet(tp, "over.hittime", &fr->overHitTime);
    TxtParseIntGet(tp, "over.wintime", &gv->overWinTime);
    TxtParseIntGet(tp, "over.time", &gv->overTime);

    // The round machine formats these texts for its announcements.
    StrCopy(fr->roundDefaultText, sizeof fr->roundDefaultText, re->roundDefault.text);
    StrCopy(fr->winText, sizeof fr->winText, re->win.text);
    StrCopy(fr->win2Text, sizeof fr->win2Text, re->win2.text);
    return 1;
}

static const char *const winIconKinds[FIGHT_WIN_ICON_KINDS] = {"n", "s",       "h",        "throw",  "t",
                                                              "c", "suicide", "teammate", "perfect"};

static int WinIconRead(TxtParseFile *tp, FightData *f)
{
    if (!GroupNeed(tp, "winicon", "Missing winicon info"))
        return 0;
    for (int p = 1; p <= 2; p++) {
        FightWinIcon *w = &f->winIcon[p - 1];
        PairRead(tp, "p%i.pos", p, &w->posX, &w->posY);
        PairRead(tp, "p%i.iconoffset", p, &w->offsetX, &w->offsetY);
        ElemRead(tp, &w->counter, "p%i.counter", p);
        for (int k = 0; k < FIGHT_WIN_ICON_KINDS; k++) {
            char format[FIGHT_KEY_LEN];
            snprintf(format, sizeof format, "p%%i.%s", winIconKinds[k]);
            ElemRead(tp, &w->icon[k], format, p);
        }
    }
    TxtParseIntGet(tp, "useiconupto", &f->useIconUpTo);
    if (f->useIconUpTo > 9)
        f->useIconUpTo = 9;
    return 1;
}

// ---------------------------------------------------------------- files

// The value of a required [Files] key found beside the fight file; 0 with
// "Can't read Files|key" when the key is missing.
static int FileKeyFind(TxtParseFile *tp, const char *key, const char *dir, char *name, size_t nameSize, char *full,
                       size_t fullSize)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v) {
        GameErrorSet("Can't read Files|%s", key);
        return 0;
    }
    StrCopy(name, nameSize, v);
    if (!FileFindIn(name, full, fullSize, dir, nullptr, 0))
        full[0] = 0;
    return 1;
}

static int FilesRead(TxtParseFile *tp, const char *dir)
{
    LogWrite("    Reading [Files]...");
    if (!GroupNeed(tp, "Files", "Missing files info"))
        return 0;
    char name[FIGHT_PATH_LEN], full[FIGHT_PATH_LEN];
    if (!FileKeyFind(tp, "sff", dir, name, sizeof name, full, sizeof full))
        return 0;
    if (!full[0] || !(gv->fightSpr = SprLoad(full))) {
        GameErrorSet("Can't read %s", name);
        return 0;
    }
    if (!FileKeyFind(tp, "snd", dir, name, sizeof name, full, sizeof full))
        return 0;
    if (!full[0] || !(gv->fightSnd = SndSetLoad(full))) {
        GameErrorSet("Can't read %s", name);
        return 0;
    }
    if (!FileKeyFind(tp, "fightfx.sff", dir, name, sizeof name, full, sizeof full))
        return 0;
    if (!full[0] || !(gv->fightFxSpr = SprLoad(full))) {
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    if (!FileKeyFind(tp, "fightfx.air", dir, name, sizeof name, full, sizeof full))
        return 0;
    if (!full[0] || !(gv->fightFxAnims = AnimLoadFile(full))) {
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    if (!FileKeyFind(tp, "common.snd", dir, name, sizeof name, full, sizeof full))
        return 0;
    if (!full[0] || !(gv->commonSnd = SndSetLoad(full))) {
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    LogWrite("OK\n");

    LogWrite("    Loading fonts...");
    for (int i = 0; i < FIGHT_FONT_COUNT; i++) {
        char key[16];
        snprintf(key, sizeof key, "font%i", i);
        gv->fightFonts[i] = gv->sysFont[0];
        const char *v = TxtParseValueGet(tp, key);
        if (!v)
            continue;
        StrCopy(name, sizeof name, v);
        Font *font = FileFindIn(name, full, sizeof full, dir, nullptr, 0) ? FontLoad(full) : nullptr;
        if (!font) {
            GameErrorSet("Can't read font %s", name);
            return 0;
        }
        gv->fightFonts[i] = font;
    }
    LogWrite("OK\n");
    return 1;
}

static int FightRead(TxtParseFile *tp, const char *dir)
{
    FightData *f = gv->fight;
    if (!FilesRead(tp, dir))
        return 0;

    if (TxtParseGroupCount(tp, "begin action ") > 0) {
        LogWrite("    Load fight anim...");
        gv->fightAnims = AnimSetParse(tp);
        if (!gv->fightAnims) {
            GameErrorSet("%s\nError loading anim in Files", LibErrorMsg);
            return 0;
        }
        LogWrite("OK\n");
    }

    LogWrite("    Reading [Lifebar]...");
    if (!BarsRead(tp, "Lifebar", "Missing lifebar info", f->life, 2))
        return 0;
    LogWrite("[Turns Lifebar]...");
    if (!BarsRead(tp, "Turns Lifebar", "Missing turns lifebar info", f->turnsLife, 2))
        return 0;
    LogWrite("[Simul Lifebar]...");
    if (!BarsRead(tp, "Simul Lifebar", "Missing simul lifebar info", f->simulLife, FIGHT_SIMUL_PLAYERS))
        return 0;

    LogWrite("[Powerbar]...");
    if (!GroupNeed(tp, "Powerbar", "Missing Powerbar info"))
        return 0;
    for (int p = 1; p <= 2; p++)
        BarRead(tp, &f->power[p - 1], p, true);
    for (int i = 0; i < FIGHT_POWER_LEVELS; i++)
        SndRead(tp, "level%i.snd", i, &f->levelSnd[i]);

    LogWrite("\n    [Face]...");
    if (!FacesRead(tp, "face", "Missing face info", f->face, 2, false))
        return 0;
    LogWrite("[Simul Face]...");
    if (!FacesRead(tp, "simul face", "Missing simul face info", f->simulFace, FIGHT_SIMUL_PLAYERS, false))
        return 0;
    LogWrite("[Turns Face]...");
    if (!FacesRead(tp, "turns face", "Missing turns face info", f->turnsFace, 2, true))
        return 0;

    LogWrite("\n    [Name]...");
    if (!NamesRead(tp, "name", "Missing name info", f->name, 2))
        return 0;
    LogWrite("[Simul Name]...");
    if (!NamesRead(tp, "simul name", "Missing simul name info", f->simulName, FIGHT_SIMUL_PLAYERS))
        return 0;
    LogWrite("[Turns Name]...");
    if (!NamesRead(tp, "turns name", "Missing turns name info", f->turnsName, FIGHT_TURNS_NAMES))
        return 0;

    LogWrite("\n    [Time]...");
    if (!TimeRead(tp, &f->time))
        return 0;
    LogWrite("[Combo]...");
    if (!ComboRead(tp, &f->combo))
        return 0;
    LogWrite("[Round]...");
    if (!RoundRead(tp, &f->round))
        return 0;
    LogWrite("[WinIcon]...");
    if (!WinIconRead(tp, f))
        return 0;
    LogWrite("OK\n");
    return 1;
}

int FightDefLoad(const char *path)
{
    FightDataFree();
    LogWrite("    Opening fight data file %s...", path);
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        GameErrorSet("Can't open %s", path);
        return 0;
    }
    LogWrite("OK\n");
    gv->fight = (FightData *)LibCalloc(1, sizeof(FightData));
    if (!gv->fight) {
        TxtParseClose(tp);
        GameErrorSet("Out of memory");
        return 0;
    }
    PalFxInit(&gv->fightPalFx);
    char dir[FIGHT_PATH_LEN];
    PathSplit(path, dir, sizeof dir, nullptr, 0);
    int ok = FightRead(tp, dir);
    TxtParseClose(tp);
    if (!ok) {
        FightDataFree();
        return 0;
    }
    LogWrite("    Allocating explods...");
    gv->explods = ExplodListCreate(gv->cfg.engine.explodMax, gv->drawList);
    if (!gv->explods) {
        FightDataFree();
        GameErrorSet("Can't allocate explods");
        return 0;
    }
    gv->sysExplods = ExplodListCreate(gv->cfg.engine.sysExplodMax, nullptr);
    if (!gv->sysExplods) {
        FightDataFree();
        GameErrorSet("Can't allocate sysexplods");
        return 0;
    }
    LogWrite("OK\n");
    return 1;
}

void FightDataFree()
{
    if (!gv)
        return;
    // The palette list must not keep palettes that go away here.
    if (gv->palList) {
        PalListRemove(PalGroupMaskMake(PAL_GROUP_FIGHT, 0));
        PalListRemove(PalGroupMaskMake(PAL_GROUP_FIGHTFX, 0));
        PalListRemove(PalGroupMaskMake(PAL_GROUP_FONT, 0));
    }
    for (Font *&font : gv->fightFonts) {
        if (font && font != gv->sysFont[0])
            FontFree(font);
        font = nullptr;
    }
    SprSetFree(gv->fightSpr);
    SprSetFree(gv->fightFxSpr);
    SndSetFree(gv->fightSnd);
    SndSetFree(gv->commonSnd);
    AnimSetFree(gv->fightFxAnims);
    AnimSetFree(gv->fightAnims);
    gv->fightSpr = gv->fightFxSpr = nullptr;
    gv->fightSnd = gv->commonSnd = nullptr;
    gv->fightFxAnims = gv->fightAnims = nullptr;
    ExplodListFree(gv->explods);
    ExplodListFree(gv->sysExplods);
    gv->explods = gv->sysExplods = nullptr;
    MemFree(gv->fight);
    gv->fight = nullptr;
}

Font *FightFontGet(int n)
{
    if (n < 0 || n >= FIGHT_FONT_COUNT)
        return nullptr;
    return gv->fightFonts[n];
}

void FightSndPlay(const FightSnd *snd)
{
    // The fight screen's sounds carry no volume of their own: the configured
    // offset alone.
    if (snd)
        SoundPlay(gv->fightSnd, snd->group, snd->number, 0);
}
