// The menus around the fights: the storyboard runner, the intro, the title menu with its idle demo, and what every menu screen shares.
#include "velok/screens/menus.h"

#include <algorithm>
#include <cstring>

#include "lib/bg.h"
#include "lib/cutscene.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/screen.h"
#include "velok/core/sound.h"
#include "velok/match/gameloop.h"
#include "velok/player/keybuf.h"
#include "velok/screens/options.h"

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static const char *const titleItemDefaults[TITLE_ITEMS] = {
    "Arcade", "VS Mode", "Team Arcade", "Team Versus", "Team Co-op", "Survival",
    "Survival Co-op", "Training", "Watch", "Options", "Exit",
};

void MenuMotifDefaults(MenuMotif *m)
{
    *m = MenuMotif{};
    TitleInfo &t = m->title;
    t.fadeInTime = t.fadeOutTime = 1;
    t.posX = 159;
    t.posY = 158;
    t.itemFont = t.itemActiveFont = {-1, -1, 0};
    t.spacingX = 0;
    t.spacingY = 13;
    for (int i = 0; i < TITLE_ITEMS; i++)
        StrCopy(t.itemName[i], sizeof t.itemName[i], titleItemDefaults[i]);
    t.marginTop = 12;
    t.marginBottom = 8;
    t.visibleItems = 5;
    t.boxCursorVisible = 1;
    t.boxX1 = -32;
    t.boxY1 = -10;
    t.boxX2 = 32;
    t.boxY2 = 2;
    t.moveSnd = t.doneSnd = t.cancelSnd = {-1, 0};
    m->optionMoveSnd = m->optionDoneSnd = m->optionCancelSnd = {-1, 0};
    m->demoWaitTime = -1;
    m->titleBgm.loop = 1;
}

static MenuMotif MotifDefault()
{
    MenuMotif m;
    MenuMotifDefaults(&m);
    return m;
}

// SysFileLoad (screens/sysfile) fills this record from [Files]
// logo.storyboard and intro.storyboard, [Music] title.bgm, [Title Info], [Option Info], [Demo
// Mode] title.waittime, the TitleBG and OptionBG backgrounds, the system
// sounds and the motif fonts; without a motif the menus run on these defaults.
MenuMotif menuMotif = MotifDefault();

// ---------------------------------------------------------------- shared by the menus

static MenuFrameHook frameHook;

void MenuFrameHookSet(MenuFrameHook hook)
{
    frameHook = hook;
}

void MenuFrameBegin()
{
    if (frameHook)
        frameHook();
}

void MenuInputRead(MenuInput *in)
{
    *in = MenuInput{};
    in->player = -1;
    // Pending checks only: an empty ring must never hold a frame up.
    JoyUpdate();
    in->key = KbllEventPending() ? KbllEventRead() : 0;
    in->pad = JoyEventPending() ? JoyEventRead() : 0;
    // Alt+Enter is read where the buttons are: the Enter it takes is nobody's start.
    in->event = InputEventPending() ? InputEventRead() : 0;
    ScreenFullscreenToggleEvent(&in->event);
    if (in->event && !(in->event & INPUT_RELEASE))
        in->bits = KeyConfigFind(gv->playKeys, 2, in->event, &in->player);
    if (!in->bits)
        in->player = -1;
}

int MenuFrameRead(MenuInput *in)
{
    MenuFrameBegin();
    BGMUpdate(&gv->menuBgm);
    MenuInputRead(in);
    if (in->key != MENU_KEY_F12)
        return 0;
    DispScreenshot();
    return 1;
}

void MenuInputFlush()
{
    KbllFlush();
    JoyUpdate();
    JoyEventClear();
    InputStateRefresh();
    InputEventFlush();
}

void MenuFramePresent(int drawn)
{
    GameLoopFramePresent();
    if (drawn)
        PalFxGlobalSave();
    DispFrameSkipUpdate();
}

void MenuSoundPlay(MenuSndRef snd)
{
    SoundPlay(menuMotif.snd, snd.group, snd.number, 0);
}

const Font *MenuFont(int font)
{
    if (font >= 0 && font < MENU_FONTS && menuMotif.fonts[font])
        return menuMotif.fonts[font];
    return gv->sysFont[0];
}

int MenuFadeInLevel(int frame, int time)
{
    if (time <= 0 || frame >= time)
        return MENU_FADE_FULL;
    return frame <= 0 ? 0 : frame * MENU_FADE_FULL / time;
}

int MenuFadeOutLevel(int frame, int time)
{
    if (time <= 0 || frame >= time)
        return 0;
    return frame <= 0 ? MENU_FADE_FULL : (time - frame) * MENU_FADE_FULL / time;
}

static int DrawTargetReady()
{
    return vbufTarget.pixels != nullptr;
}

static void TargetGameBuffer()
{
    if (disp.gameBuf)
        VbufTargetSet(disp.gameBuf, 0);
}

// ---------------------------------------------------------------- storyboards

static void MusicPause(int pause)
{
    if (pause)
        BGMPause(&gv->menuBgm);
    else
        BGMResume(&gv->menuBgm);
}

void MenuStoryboardPlay(const char *name, const char *scene)
{
    if (!name || !name[0])
        return;
    LogWrite("Playing storyboard %s: %s\n", name, scene);
    char full[MENU_PATH_LEN];
    if (!FileFind(name, full, sizeof full, nullptr, 0)) {
        LogWrite("Storyboard file not found: %s", name);
        return;
    }
    Storyboard *sb = StoryboardLoad(full, scene, nullptr, nullptr);
    if (!sb) {
        GameErrorSet("%s", LibErrorMsg);
        GameErrorAppend("\nError loading storyboard: %s", full);
        LogWrite("%s\n", gv->errorText);
        return;
    }
    StoryboardSetBgmHooks(sb, BGMPlayCallback, BGMStopCallback);

    TargetGameBuffer();
    if (DrawTargetReady())
        VbufClear(0);
    TimerSpeedSet(60);
    MenuInputFlush();

    int paused = 0;
    for (;;) {
        MenuFrameBegin();
        if (!gv->cfg.debug.debug && KbllPauseGet() != paused) {
            paused = KbllPauseGet();
            MusicPause(paused);
        }
        // Servicing the music also pauses it while the window is in the
        // background, when the sound settings ask for that.
        BGMUpdate(&gv->menuBgm);
        MenuInput in;
        MenuInputRead(&in);
        if (in.bits & MENU_BITS_BUTTONS) {
            LogWrite("Storyboard playback canceled %X:%i k%X p%X\n", (unsigned)in.bits, in.player,
                     (unsigned)in.key, (unsigned)in.pad);
            break;
        }
        if (in.key == MENU_KEY_ESCAPE) {
            LogWrite("Storyboard playback canceled by Esc\n");
            break;
        }
        if (gv->drawList)
            DrawListClear(gv->drawList);
        // Scroll Lock steps one frame while paused.
        if ((!paused || in.key == MENU_KEY_SCROLL_LOCK) && StoryboardTick(sb)) {
            LogWrite("Storyboard playback finished OK\n");
            break;
        }
        if (in.key == MENU_KEY_F12)
            DispScreenshot();
        int drawn = !disp.skipFrame && DrawTargetReady();
        if (drawn) {
            PalFxGlobalReset();
            StoryboardFade(sb);
            PalFxGlobalCommit();
            StoryboardDraw(sb);
        }
        MenuFramePresent(drawn);
    }
    if (paused)
        MusicPause(0);
    DispFrameSkipReset();
    StoryboardFree(sb);
    PalFxGlobalReset();
    LogWrite("Finished playing storyboard %s: %s\n", name, scene);
}

void MenuIntroPlay()
{
    MenuStoryboardPlay(menuMotif.introStoryboard, "scene");
}

// ---------------------------------------------------------------- title menu

static struct {
    int frame;
    int idle;       // frames without input
    int fading;     // a choice was made: fading out
    int fadeCount;  // frames of fading out so far
    int choice;
    int chooser;
} title;

// Kept from one visit of the title to the next.
static int titleCursor;
static int titleTop;

static bool ItemShown(int item)
{
    return item >= 0 && item < TITLE_ITEMS && menuMotif.title.itemName[item][0] != 0;
}

int MenuTitleCursor()
{
    return titleCursor;
}

void MenuTitleCursorSet(int item)
{
    titleCursor = item >= 0 && item < TITLE_ITEMS ? item : 0;
    titleTop = 0;
}

int MenuTitleWindowTop()
{
    return titleTop;
}

int MenuTitleMove(int dir)
{
    // One lap at most: with every item hidden the cursor stays.
    int item = titleCursor;
    for (int n = 0; n < TITLE_ITEMS; n++) {
        item = (item + dir + TITLE_ITEMS) % TITLE_ITEMS;
        if (ItemShown(item)) {
            titleCursor = item;
            return 1;
        }
    }
    return 0;
}

// The shown items in order; the cursor's place among them (-1 when hidden).
static int ShownItems(int *items, int *cursorPlace)
{
    int n = 0;
    *cursorPlace = -1;
    for (int i = 0; i < TITLE_ITEMS; i++) {
        if (!ItemShown(i))
            continue;
        if (i == titleCursor)
            *cursorPlace = n;
        items[n++] = i;
    }
    return n;
}

static int VisibleRows()
{
    return std::max(1, menuMotif.title.visibleItems);
}

// Scrolls the window just enough to keep the cursor in it.
static void WindowFollow()
{
    int items[TITLE_ITEMS], place;
    int n = ShownItems(items, &place);
    int rows = VisibleRows();
    if (place >= 0) {
        if (place < titleTop)
            titleTop = place;
        if (place >= titleTop + rows)
            titleTop = place - rows + 1;
    }
    titleTop = std::clamp(titleTop, 0, std::max(0, n - rows));
}

static void ItemText(const char *text, const MenuFontRef &ref, int x, int y)
{
    const Font *font = MenuFont(ref.font);
    if (font)
        FontDrawText(text, font, x, y, ref.align, -1, ref.bank);
}

static void TitleDraw(int level)
{
    const TitleInfo &t = menuMotif.title;
    VbufClear(0);
    PalFxGlobalReset();
    PalFxGlobalMulSet(level, level, level);
    PalFxGlobalCommit();
    if (menuMotif.titleBg)
        BGDrawAll(menuMotif.titleBg);

    int items[TITLE_ITEMS], place;
    int n = ShownItems(items, &place);
    int rows = VisibleRows();
    int clip[4];
    VbufClipSave(clip);
    VbufClipSet(0, t.posY - t.marginTop, vbufTarget.width - 1, t.posY + (rows - 1) * t.spacingY + t.marginBottom);
    for (int r = 0; r < rows && titleTop + r < n; r++) {
        int item = items[titleTop + r];
        int x = t.posX + r * t.spacingX, y = t.posY + r * t.spacingY;
        bool current = item == titleCursor;
        if (current && t.boxCursorVisible)
            VbufRectFillAddHalf(x + t.boxX1, y + t.boxY1, x + t.boxX2, y + t.boxY2, Rgb(16, 32, 16));
        ItemText(t.itemName[item], current ? t.itemActiveFont : t.itemFont, x, y);
    }
    VbufClipRestore(clip);
    if (gv->demo && title.fading && gv->sysFont[0])
        FontDrawTextR("Loading demo", gv->sysFont[0], 314, 234, Rgb(31, 63, 31));
}

static bool PadEscape(int pad)
{
    const CfgInput &in = gv->cfg.input;
    return pad == MENU_PAD_ESCAPE && (in.joyType[0] == MENU_PAD_TYPE_HOOKED || in.joyType[1] == MENU_PAD_TYPE_HOOKED);
}

static void Choose(int item, int chooser)
{
    title.fading = 1;
    title.fadeCount = 0;
    title.choice = item;
    title.chooser = chooser;
}

void MenuTitleEnter()
{
    TargetGameBuffer();
    if (DrawTargetReady())
        VbufClear(0);
    if (menuMotif.titleBg) {
        BGReset(menuMotif.titleBg);
        BGSetCamera(menuMotif.titleBg, 0.0f, 0.0f);
    }
    title = {};
    title.choice = TITLE_EXIT;
    if (!ItemShown(titleCursor))
        MenuTitleMove(1);
    WindowFollow();
    // The same file goes on playing when the title comes back.
    if (menuMotif.titleBgm.name[0])
        BGMPlay(&gv->menuBgm, menuMotif.titleBgm.name, menuMotif.titleBgm.loop, 0);
    MenuInputFlush();
}

int MenuTitleFrame()
{
    const TitleInfo &t = menuMotif.title;
    MenuInput in;
    MenuFrameRead(&in);

    if (title.fading) {
        title.fadeCount++;
    } else {
        title.idle = (in.key || in.pad || in.event) ? 0 : title.idle + 1;
        if (in.key == MENU_KEY_ESCAPE || PadEscape(in.pad)) {
            Choose(TITLE_EXIT, 0);
        } else if (in.bits & (MENU_BIT_UP | MENU_BIT_DOWN)) {
            if (MenuTitleMove((in.bits & MENU_BIT_UP) ? -1 : 1))
                MenuSoundPlay(t.moveSnd);
            WindowFollow();
        } else if ((in.bits & MENU_BITS_BUTTONS) && ItemShown(titleCursor)) {
            MenuSoundPlay(t.doneSnd);
            if (titleCursor == TITLE_OPTIONS)
                return TITLE_FRAME_OPTIONS;
            Choose(titleCursor, in.player);
        } else if (menuMotif.demoWaitTime != -1 && title.idle > menuMotif.demoWaitTime && gv->charCount >= 1) {
            gv->demo = 1;
            gv->round.demoTick = 0;
            Choose(TITLE_VERSUS, 0);
        }
    }

    if (menuMotif.titleBg) {
        BGTick(menuMotif.titleBg);
        BGSetCamera(menuMotif.titleBg, 0.0f, 0.0f);
    }
    int level = MenuFadeInLevel(title.frame, t.fadeInTime);
    if (title.fading)
        level = std::min(level, MenuFadeOutLevel(title.fadeCount, t.fadeOutTime));
    int drawn = !disp.skipFrame && DrawTargetReady();
    if (drawn)
        TitleDraw(level);
    MenuFramePresent(drawn);
    title.frame++;
    return title.fading && title.fadeCount >= t.fadeOutTime ? 0 : 1;
}

int MenuTitleLeave()
{
    DispFrameSkipReset();
    PalListFree();
    PalFxGlobalReset();
    gv->titleChoice = title.choice;
    gv->choosingPlayer = title.chooser;
    return title.choice;
}

int MenuTitle()
{
    for (;;) {
        MenuTitleEnter();
        int r;
        while ((r = MenuTitleFrame()) == 1) {
        }
        if (r != TITLE_FRAME_OPTIONS)
            break;
        LogWrite("Options Screen\n");
        MenuOptions();
        LogWrite("Return from Options Screen\n");
    }
    return MenuTitleLeave();
}
