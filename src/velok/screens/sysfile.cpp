// Motif system file: the front end's fonts, sprites, sounds, menu backgrounds, screen layouts and storyboards, and the fight-screen and select files it names.
#include "velok/screens/sysfile.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "lib/anim-lib.h"
#include "lib/bg.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/sound.h"
#include "velok/match/fight.h"
#include "velok/screens/menus.h"

enum { KEY_LEN = 64 };

static const char *const bgNames[MOTIF_BG_COUNT] = {"TitleBG", "VersusBG", "SelectBG", "OptionBG"};

static const char *const titleItemKeys[TITLE_ITEMS] = {
    "arcade", "versus", "teamarcade", "teamversus", "teamcoop", "survival",
    "survivalcoop", "training", "watch", "options", "exit"};

static std::string SystemPath()
{
    return gv->motifDir + gv->motifFile;
}

// A file named in the system file, searched from the motif directory; 0 when
// it is nowhere.
static int MotifFileFind(const char *name, char *full, size_t fullSize)
{
    return FileFindIn(name, full, fullSize, gv->motifDir.c_str(), nullptr, 0);
}

// The error text of a library loader, followed by our own line.
static void LibErrorWith(const char *text)
{
    if (LibErrorMsg[0])
        GameErrorSet("%s\n%s", LibErrorMsg, text);
    else
        GameErrorSet("%s", text);
}

// Copies a value when the key is present.
static void ValueCopy(TxtParseFile *tp, const char *key, char *out, size_t outSize)
{
    if (const char *v = TxtParseValueGet(tp, key))
        StrCopy(out, outSize, v);
}

// ---------------------------------------------------------------- [Files]

static int FilesRead(TxtParseFile *tp, Motif *m)
{
    if (TxtParseGroupSet(tp, "Files") < 0) {
        GameErrorSet("Can't access [Files] group");
        return 0;
    }
    char name[MOTIF_PATH_LEN], full[MOTIF_PATH_LEN];
    const char *v = TxtParseValueGet(tp, "spr");
    if (!v) {
        GameErrorSet("Missing spr entry in [Files]");
        return 0;
    }
    StrCopy(name, sizeof name, v);
    if (!MotifFileFind(name, full, sizeof full) || !(gv->motifSpr = SprLoad(full))) {
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    StrCopy(m->sprPath, sizeof m->sprPath, full);
    if ((v = TxtParseValueGet(tp, "snd"))) {
        StrCopy(name, sizeof name, v);
        if (!MotifFileFind(name, full, sizeof full) || !(gv->motifSnd = SndSetLoad(full))) {
            GameErrorSet("Can't load %s", name);
            return 0;
        }
    }
    const char *required[2] = {"fight", "select"};
    char *into[2] = {m->fightFile, m->selectFile};
    for (int i = 0; i < 2; i++) {
        if (!(v = TxtParseValueGet(tp, required[i])) || !v[0]) {
            GameErrorSet("Missing %s entry in [Files]", required[i]);
            return 0;
        }
        StrCopy(into[i], MOTIF_PATH_LEN, v);
    }
    ValueCopy(tp, "logo.storyboard", menuMotif.logoStoryboard, sizeof menuMotif.logoStoryboard);
    ValueCopy(tp, "intro.storyboard", menuMotif.introStoryboard, sizeof menuMotif.introStoryboard);

    LogWrite("  Load system fonts...");
    for (int i = 0; i < MOTIF_FONT_COUNT; i++) {
        char key[16];
        snprintf(key, sizeof key, "font%i", i);
        gv->motifFonts[i] = gv->sysFont[0];
        if (!(v = TxtParseValueGet(tp, key)))
            continue;
        StrCopy(name, sizeof name, v);
        Font *font = MotifFileFind(name, full, sizeof full) ? FontLoad(full) : nullptr;
        if (!font) {
            GameErrorSet("Can't read font %s", name);
            return 0;
        }
        gv->motifFonts[i] = font;
    }
    LogWrite("OK\n");
    return 1;
}

// ---------------------------------------------------------------- screens

static int GroupOpen(TxtParseFile *tp, const char *name, const char *missing)
{
    LogWrite("  Load [%s]...", name);
    if (TxtParseGroupSet(tp, name) < 0) {
        GameErrorSet("%s", missing);
        return 0;
    }
    return 1;
}

static void MenuFontRead(TxtParseFile *tp, const char *key, MenuFontRef *f)
{
    MotifFont read{f->font, f->bank, f->align};
    MotifFontRead(tp, key, &read);
    *f = MenuFontRef{read.font, read.bank, read.align};
}

static void MenuSndRead(TxtParseFile *tp, const char *key, MenuSndRef *s)
{
    SoundRefParse(tp, key, &s->group, &s->number);
}

static int TitleRead(TxtParseFile *tp)
{
    TitleInfo &t = menuMotif.title;
    if (!GroupOpen(tp, "Title Info", "Can't access [Title Info] group"))
        return 0;
    TxtParseIntGet(tp, "fadein.time", &t.fadeInTime);
    TxtParseIntGet(tp, "fadeout.time", &t.fadeOutTime);
    t.fadeInTime = MaxInt(t.fadeInTime, 1);
    t.fadeOutTime = MaxInt(t.fadeOutTime, 1);
    TxtParseScan(tp, "menu.pos", "%i,%i", &t.posX, &t.posY);
    MenuFontRead(tp, "menu.item.font", &t.itemFont);
    MenuFontRead(tp, "menu.item.active.font", &t.itemActiveFont);
    TxtParseScan(tp, "menu.item.spacing", "%i,%i", &t.spacingX, &t.spacingY);
    for (int i = 0; i < TITLE_ITEMS; i++) {
        char key[KEY_LEN];
        snprintf(key, sizeof key, "menu.itemname.%s", titleItemKeys[i]);
        ValueCopy(tp, key, t.itemName[i], sizeof t.itemName[i]);
    }
    TxtParseScan(tp, "menu.window.margins.y", "%i,%i", &t.marginTop, &t.marginBottom);
    TxtParseIntGet(tp, "menu.window.visibleitems", &t.visibleItems);
    // The menu window scrolls by the count of items it shows.
    t.visibleItems = MaxInt(t.visibleItems, 1);
    TxtParseIntGet(tp, "menu.boxcursor.visible", &t.boxCursorVisible);
    TxtParseScan(tp, "menu.boxcursor.coords", "%i,%i,%i,%i", &t.boxX1, &t.boxY1, &t.boxX2, &t.boxY2);
    MenuSndRead(tp, "cursor.move.snd", &t.moveSnd);
    MenuSndRead(tp, "cursor.done.snd", &t.doneSnd);
    MenuSndRead(tp, "cancel.snd", &t.cancelSnd);
    LogWrite("OK\n");
    return 1;
}

static int OptionRead(TxtParseFile *tp)
{
    if (!GroupOpen(tp, "Option Info", "Can't access [Option Info] group"))
        return 0;
    MenuSndRead(tp, "cursor.move.snd", &menuMotif.optionMoveSnd);
    MenuSndRead(tp, "cursor.done.snd", &menuMotif.optionDoneSnd);
    MenuSndRead(tp, "cancel.snd", &menuMotif.optionCancelSnd);
    LogWrite("OK\n");
    return 1;
}

static int VsRead(TxtParseFile *tp, VsScreenInfo *vs)
{
    vs->time = 150;
    for (int s = 0; s < 2; s++) {
        vs->facing[s] = s == 0 ? 1 : -1;
        vs->scaleX[s] = vs->scaleY[s] = 1.0f;
        vs->nameFont[s] = MotifFont{-1, 0, 0};
    }
    if (!GroupOpen(tp, "VS Screen", "Can't access [VS Screen] group\n"))
        return 0;
    TxtParseIntGet(tp, "time", &vs->time);
    TxtParseIntGet(tp, "fadein.time", &vs->fadeInTime);
    TxtParseIntGet(tp, "fadeout.time", &vs->fadeOutTime);
    vs->fadeInTime = MaxInt(vs->fadeInTime, 0);
    vs->fadeOutTime = MaxInt(vs->fadeOutTime, 0);
    for (int s = 0; s < 2; s++) {
        char key[KEY_LEN];
        snprintf(key, sizeof key, "p%i.pos", s + 1);
        TxtParseScan(tp, key, "%i,%i", &vs->posX[s], &vs->posY[s]);
        snprintf(key, sizeof key, "p%i.facing", s + 1);
        TxtParseIntGet(tp, key, &vs->facing[s]);
        snprintf(key, sizeof key, "p%i.scale", s + 1);
        TxtParseScan(tp, key, "%f,%f", &vs->scaleX[s], &vs->scaleY[s]);
        snprintf(key, sizeof key, "p%i.name.pos", s + 1);
        TxtParseScan(tp, key, "%i,%i", &vs->nameX[s], &vs->nameY[s]);
        snprintf(key, sizeof key, "p%i.name.font", s + 1);
        MotifFontRead(tp, key, &vs->nameFont[s]);
    }
    LogWrite("OK\n");
    return 1;
}

// The optional groups: absent ones keep their defaults.
static void DemoRead(TxtParseFile *tp, DemoInfo *d)
{
    gv->demoCfg = DemoCfg{};
    LogWrite("  Load [Demo Mode]...");
    if (TxtParseGroupSet(tp, "Demo Mode") >= 0) {
        TxtParseIntGet(tp, "enabled", &d->enabled);
        if (d->enabled)
            TxtParseIntGet(tp, "title.waittime", &menuMotif.demoWaitTime);
        TxtParseIntGet(tp, "select.enabled", &d->selectEnabled);
        TxtParseIntGet(tp, "vsscreen.enabled", &d->vsScreenEnabled);
        TxtParseIntGet(tp, "fight.endtime", &gv->demoCfg.fightEndTime);
        TxtParseIntGet(tp, "fight.playbgm", &gv->demoCfg.playBgm);
        TxtParseIntGet(tp, "fight.bars.display", &gv->demoCfg.barsDisplay);
        TxtParseIntGet(tp, "debuginfo", &gv->demoCfg.debugInfo);
        TxtParseIntGet(tp, "intro.waitcycles", &gv->demoCfg.introWaitCycles);
    }
    LogWrite("OK\n");
}

static void StoryRead(TxtParseFile *tp, const char *group, StoryScreen *s)
{
    LogWrite("  Load [%s]...", group);
    if (TxtParseGroupSet(tp, group) >= 0) {
        TxtParseIntGet(tp, "enabled", &s->enabled);
        ValueCopy(tp, "storyboard", s->storyboard, sizeof s->storyboard);
    }
    LogWrite("OK\n");
}

static void SceneRead(TxtParseFile *tp, Motif *m)
{
    gv->winScreen = SceneCfg{};
    gv->survivalScreen = SceneCfg{};
    gv->winScreen.elem = &m->winText;
    gv->survivalScreen.elem = &m->winsText;
    ScreenElemInit(&m->winText);
    ScreenElemInit(&m->winsText);
    LogWrite("  Load [Win Screen]...");
    if (TxtParseGroupSet(tp, "Win Screen") >= 0) {
        SceneCfg &w = gv->winScreen;
        TxtParseIntGet(tp, "enabled", &m->winScreenEnabled);
        ScreenElemRead(tp, &m->winText, "wintext");
        TxtParseIntGet(tp, "fadein.time", &w.fadeInTime);
        TxtParseIntGet(tp, "pose.time", &w.holdTime);
        TxtParseIntGet(tp, "fadeout.time", &w.fadeOutTime);
    }
    LogWrite("OK\n");
    LogWrite("  Load [Survival Results Screen]...");
    if (TxtParseGroupSet(tp, "Survival Results Screen") >= 0) {
        SceneCfg &s = gv->survivalScreen;
        TxtParseIntGet(tp, "enabled", &m->survivalEnabled);
        ScreenElemRead(tp, &m->winsText, "winstext");
        TxtParseIntGet(tp, "fadein.time", &s.fadeInTime);
        TxtParseIntGet(tp, "show.time", &s.holdTime);
        TxtParseIntGet(tp, "fadeout.time", &s.fadeOutTime);
        TxtParseIntGet(tp, "roundstowin", &m->survivalRoundsToWin);
    }
    LogWrite("OK\n");
}

// A music key; a file of that name in the motif's directory is the one
// meant, else the name stands as written.
static void MusicRead(TxtParseFile *tp, BGMRequest *req, const char *key)
{
    BGMReadKey(tp, req, key);
    std::string inMotif = gv->motifDir + req->name;
    if (req->name[0] && inMotif.size() < sizeof req->name && FileExists(inMotif.c_str()))
        StrCopy(req->name, sizeof req->name, inMotif.c_str());
}

// The menus' record borrows the backgrounds, sounds and fonts.
static void MenuMotifShare()
{
    Motif *m = gv->motif;
    menuMotif.titleBg = m ? m->bg[MOTIF_BG_TITLE] : nullptr;
    menuMotif.optionBg = m ? m->bg[MOTIF_BG_OPTION] : nullptr;
    menuMotif.snd = gv->motifSnd;
    for (int i = 0; i < MENU_FONTS && i < MOTIF_FONT_COUNT; i++)
        menuMotif.fonts[i] = gv->motifFonts[i];
}

// ---------------------------------------------------------------- backgrounds

static int BgLoadOne(TxtParseFile *tp, Motif *m, int i)
{
    m->bg[i] = BGLoad(tp, gv->motifDir.c_str(), bgNames[i], gv->motifSpr, gv->motifAnims);
    return m->bg[i] != nullptr;
}

static int MotifRead(TxtParseFile *tp, Motif *m)
{
    if (!FilesRead(tp, m))
        return 0;
    if (TxtParseGroupCount(tp, "begin action ") > 0) {
        LogWrite("  Load system anim...");
        if (!(gv->motifAnims = AnimSetParse(tp))) {
            LibErrorWith("Error loading anim");
            return 0;
        }
        LogWrite("OK\n");
    }
    m->selectBgm.loop = m->vsBgm.loop = 1;
    if (TxtParseGroupSet(tp, "Music") >= 0) {
        MusicRead(tp, &menuMotif.titleBgm, "title.bgm");
        MusicRead(tp, &m->selectBgm, "select.bgm");
        MusicRead(tp, &m->vsBgm, "vs.bgm");
    }
    if (!TitleRead(tp) || !OptionRead(tp))
        return 0;
    if (!GroupOpen(tp, "Select Info", "Can't access [Select Info] group") || !SelectInfoRead(tp, &m->select))
        return 0;
    LogWrite("OK\n");
    if (!VsRead(tp, &m->vs))
        return 0;
    DemoRead(tp, &m->demo);
    StoryRead(tp, "Continue Screen", &m->continueScreen);
    StoryRead(tp, "Game Over Screen", &m->gameOver);
    SceneRead(tp, m);
    StoryRead(tp, "Default Ending", &m->defaultEnding);
    StoryRead(tp, "End Credits", &m->endCredits);

    for (int i = 0; i < MOTIF_BG_COUNT; i++) {
        LogWrite(i == 0 ? "  Load %s..." : "%s...", bgNames[i]);
        if (!BgLoadOne(tp, m, i)) {
            char text[64];
            snprintf(text, sizeof text, "Error loading %s", bgNames[i]);
            LibErrorWith(text);
            return 0;
        }
    }
    LogWrite("OK\n");
    return 1;
}

static int FightLoad(const Motif *m)
{
    LogWrite("  Loading fight data\n");
    char full[MOTIF_PATH_LEN];
    const char *path = MotifFileFind(m->fightFile, full, sizeof full) ? full : m->fightFile;
    if (!FightDefLoad(path)) {
        GameErrorAppend("\nError loading fight data: %s", m->fightFile);
        return 0;
    }
    LogWrite("  Fight data loaded OK\n");
    return 1;
}

int SysFileLoad()
{
    SysFileFree();
    std::string path = SystemPath();
    LogWrite("  Load system file %s...", path.c_str());
    TxtParseFile *tp = TxtParseOpen(path.c_str());
    if (!tp) {
        GameErrorSet("Can't open %s%s", gv->motifDir.c_str(), gv->motifFile.c_str());
        return 0;
    }
    LogWrite("OK\n");
    gv->motif = new (std::nothrow) Motif();
    if (!gv->motif) {
        TxtParseClose(tp);
        GameErrorSet("Out of memory");
        return 0;
    }
    MenuMotifDefaults(&menuMotif);
    int ok = MotifRead(tp, gv->motif);
    TxtParseClose(tp);
    if (ok)
        ok = FightLoad(gv->motif);
    if (!ok) {
        SysFileFree();
        return 0;
    }
    MenuMotifShare();
    return 1;
}

void SysBgUnload()
{
    Motif *m = gv ? gv->motif : nullptr;
    if (!m)
        return;
    LogWrite("Unloading system background data...");
    for (BGDef *&bg : m->bg) {
        BGFree(bg);
        bg = nullptr;
    }
    LogWrite("sprite data...");
    SprSetFree(gv->motifSpr);
    gv->motifSpr = nullptr;
    MenuMotifShare();
    LogWrite("OK\n");
}

void SysFileReload()
{
    Motif *m = gv ? gv->motif : nullptr;
    if (!m)
        return;
    LogWrite("Reloading system sprite data...");
    bool newSprites = false;
    if (!gv->motifSpr) {
        if (!(gv->motifSpr = SprLoad(m->sprPath)))
            FatalExitf("Out of memory loading system file %s", m->sprPath);
        newSprites = true;
    }
    LogWrite("OK\n");
    // The sounds stay loaded through a match: nothing to load again.
    LogWrite("Reloading system sound data...");
    LogWrite("OK\n");
    LogWrite("Reloading system background data...");
    // A background drawn from sprites that are gone is loaded again over the new ones.
    bool missing = false;
    for (BGDef *&bg : m->bg) {
        if (newSprites && bg && !bg->ownsSpr) {
            BGFree(bg);
            bg = nullptr;
        }
        missing = missing || !bg;
    }
    if (missing) {
        std::string path = SystemPath();
        TxtParseFile *tp = TxtParseOpen(path.c_str());
        if (!tp)
            FatalExitf("Out of memory loading system file %s", path.c_str());
        for (int i = 0; i < MOTIF_BG_COUNT; i++) {
            if (m->bg[i] || BgLoadOne(tp, m, i))
                continue;
            TxtParseClose(tp);
            FatalExitf("Error reloading %s", bgNames[i]);
        }
        TxtParseClose(tp);
    }
    MenuMotifShare();
    LogWrite("OK\n");
}

void SysFileFree()
{
    if (!gv)
        return;
    if (Motif *m = gv->motif) {
        for (BGDef *bg : m->bg)
            BGFree(bg);
        SelectInfoFree(&m->select);
        delete m;
        gv->motif = nullptr;
    }
    gv->winScreen.elem = gv->survivalScreen.elem = nullptr;
    MenuMotifDefaults(&menuMotif);
    for (Font *&font : gv->motifFonts) {
        if (font && font != gv->sysFont[0])
            FontFree(font);
        font = nullptr;
    }
    AnimSetFree(gv->motifAnims);
    SndSetFree(gv->motifSnd);
    SprSetFree(gv->motifSpr);
    gv->motifAnims = nullptr;
    gv->motifSnd = nullptr;
    gv->motifSpr = nullptr;
}

// ---------------------------------------------------------------- use

Font *MotifFontGet(int n)
{
    if (!gv || n < 0 || n >= MOTIF_FONT_COUNT)
        return nullptr;
    return gv->motifFonts[n];
}

void MotifSndPlay(const MotifSnd *snd)
{
    if (gv && snd)
        SoundPlay(gv->motifSnd, snd->group, snd->number, 0);
}

void MotifSndPlayOnKey(int key, const MotifSnd *snd)
{
    if (gv && snd)
        SoundPlayOnKey(key, gv->motifSnd, snd->group, snd->number, 0);
}

void MotifTextDraw(const MotifFont *f, int x, int y, const char *text)
{
    Font *font = f ? MotifFontGet(f->font) : nullptr;
    if (font && text && text[0] && vbufTarget.pixels)
        FontDrawText(text, font, x, y, f->align, -1, f->bank);
}

void MotifMusicPlay(const BGMRequest *req)
{
    // The menus' music has no volume of its own: the configured one alone.
    if (!BGMPlay(&gv->menuBgm, req->name, req->loop, 0))
        FatalExit();
}
