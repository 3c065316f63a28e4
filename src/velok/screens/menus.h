// The menus around the fights: the storyboard runner, the intro, the title menu with its idle demo, and what every menu screen shares.
#pragma once

#include "music/bgm.h"

struct BGDef;
struct Font;
struct SndSet;

enum {
    TITLE_ITEMS = 11,
    TITLE_ITEM_LEN = 32,  // 31 characters
    TITLE_OPTIONS = 9,
    TITLE_EXIT = 10,
    TITLE_VERSUS = 1,
    MENU_FONTS = 10,
    MENU_PATH_LEN = 512,
    MENU_FADE_FULL = 256,

    // Key codes the menus read themselves.
    MENU_KEY_ESCAPE = 1,
    MENU_KEY_SPACE = 57,
    MENU_KEY_F1 = 59,
    MENU_KEY_F2 = 60,
    MENU_KEY_F3 = 61,
    MENU_KEY_F4 = 62,
    MENU_KEY_SCROLL_LOCK = 70,
    MENU_KEY_F12 = 88,

    // Bits of a key-configuration lookup.
    MENU_BIT_UP = 0x1,
    MENU_BIT_RIGHT = 0x2,
    MENU_BIT_DOWN = 0x4,
    MENU_BIT_LEFT = 0x8,
    MENU_BITS_BUTTONS = 0x7F0,  // a, b, c, x, y, z and start

    MENU_PAD_TYPE_HOOKED = 22,  // on this pad type input 11 is Escape
    MENU_PAD_ESCAPE = 11,
};

// A motif font (0 to 9; -1: the first system font), its colour bank (-1:
// its own colours) and alignment (1 left, 0 centre, -1 right).
struct MenuFontRef {
    int font, bank, align;
};

// A sound of the motif's sound set; group -1 none.
struct MenuSndRef {
    int group, number;
};

// [Title Info] of the motif.
struct TitleInfo {
    int fadeInTime, fadeOutTime;  // at least 1
    int posX, posY;
    MenuFontRef itemFont, itemActiveFont;
    int spacingX, spacingY;
    char itemName[TITLE_ITEMS][TITLE_ITEM_LEN];  // empty: the item is hidden
    int marginTop, marginBottom;
    int visibleItems;
    int boxCursorVisible;
    int boxX1, boxY1, boxX2, boxY2;
    MenuSndRef moveSnd, doneSnd, cancelSnd;
};

// What the menus take from the motif.
struct MenuMotif {
    TitleInfo title;
    MenuSndRef optionMoveSnd, optionDoneSnd, optionCancelSnd;  // [Option Info]
    int demoWaitTime;  // [Demo Mode] title.waittime; -1 never
    char logoStoryboard[MENU_PATH_LEN];  // [Files]
    char introStoryboard[MENU_PATH_LEN];
    BGMRequest titleBgm;
    BGDef *titleBg, *optionBg;  // null: none
    SndSet *snd;                // the system sounds
    Font *fonts[MENU_FONTS];    // null: the first system font
};

extern MenuMotif menuMotif;

// The defaults of every value above, with nothing loaded.
void MenuMotifDefaults(MenuMotif *m);

// One frame's input of a menu, read with pending checks only: one keyboard
// event, one pad event and one input event, and that input event looked up in
// both players' key configurations (presses only).
struct MenuInput {
    int key;     // keyboard event (0x100 on release); 0 none
    int pad;     // pad event (0x100 when the input went off); 0 none
    int event;   // input event; 0 none
    int bits;    // the configuration bits of a pressed input event
    int player;  // the configuration that held it: 0 or 1; -1 none
};

// Called at the start of every menu frame, before its input is read; tests
// feed their scripted input from it. Null: none.
typedef void (*MenuFrameHook)();
void MenuFrameHookSet(MenuFrameHook hook);
// Every menu frame starts here (it calls the hook).
void MenuFrameBegin();

// Polls the pads, reads the frame's input and applies Alt+Enter.
void MenuInputRead(MenuInput *in);
// The start of a menu frame that reads input: the frame begins, the menu
// music is serviced and the input read; F12 saves a screenshot. 1 when it
// did, and the frame's key is taken.
int MenuFrameRead(MenuInput *in);
// Empties every input ring and takes the keys as they are now.
void MenuInputFlush();
// Waits for the frame timer, presents, and moves the frame skip on.
void MenuFramePresent(int drawn);
void MenuSoundPlay(MenuSndRef snd);
// The motif font, or the first system font.
const Font *MenuFont(int font);
// Fades: the level after `frame` of `time` frames in, and after `frame` of
// `time` frames out.
int MenuFadeInLevel(int frame, int time);
int MenuFadeOutLevel(int frame, int time);

// Plays a storyboard file (searched like the motif's files) from its groups
// named scene, to its end or until a button or Escape; an empty name does
// nothing.
void MenuStoryboardPlay(const char *name, const char *scene);
// The motif's intro storyboard.
void MenuIntroPlay();

// The title screen; returns the choice (also left in the game record with
// the choosing player). Options are run in place.
int MenuTitle();

// The title screen in parts, for callers that step it: entry (cleared,
// background reset, fading in); one frame: 1 go on, 0 a choice has faded
// out, TITLE_FRAME_OPTIONS the options were chosen; exit, which stores and
// returns the choice.
enum { TITLE_FRAME_OPTIONS = 2 };
void MenuTitleEnter();
int MenuTitleFrame();
int MenuTitleLeave();
// The item under the cursor, and the first shown in the window.
int MenuTitleCursor();
// Puts the cursor on an item and the window at the top; a hidden item moves
// it on to the next shown one at the next entry.
void MenuTitleCursorSet(int item);
int MenuTitleWindowTop();
// Moves the cursor one step (-1 up, 1 down) over the visible items, wrapping;
// 1 when it found a visible item.
int MenuTitleMove(int dir);
