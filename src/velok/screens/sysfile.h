// Motif system file: the front end's fonts, sprites, sounds, menu backgrounds, screen layouts and storyboards, and the fight-screen and select files it names.
#pragma once

#include "music/bgm.h"
#include "velok/core/gamevars.h"
#include "velok/screens/selinfo.h"

struct AnimSet;
struct BGDef;
struct Font;
struct SndSet;
struct SprSet;

enum {
    MOTIF_PATH_LEN = 512,
};

// The four menu backgrounds, by the order they load in.
enum MotifBg {
    MOTIF_BG_TITLE,
    MOTIF_BG_VERSUS,
    MOTIF_BG_SELECT,
    MOTIF_BG_OPTION,
    MOTIF_BG_COUNT,
};

// [VS Screen]; fade times of 0 are no fade.
struct VsScreenInfo {
    int time;
    int fadeInTime, fadeOutTime;
    int posX[2], posY[2];
    int facing[2];
    float scaleX[2], scaleY[2];
    int nameX[2], nameY[2];
    MotifFont nameFont[2];
};

// [Demo Mode] but what the round reads (the game record's demo settings) and
// the title menu's waiting time (the menus' record).
struct DemoInfo {
    int enabled;
    int selectEnabled, vsScreenEnabled;
};

// [Continue Screen], [Game Over Screen], [Default Ending], [End Credits].
struct StoryScreen {
    int enabled;
    char storyboard[MOTIF_PATH_LEN];
};

// What the select and versus screens and the round take from the motif; the
// title menu, the options screen and the storyboards take theirs from the
// menus' record (menuMotif), which the load fills too.
struct Motif {
    // What [Files] names; the sprite path as found, for reloading (the sounds
    // stay loaded).
    char sprPath[MOTIF_PATH_LEN];
    char fightFile[MOTIF_PATH_LEN];
    char selectFile[MOTIF_PATH_LEN];

    BGDef *bg[MOTIF_BG_COUNT];
    // The select and versus screens' music, found in the motif's directory
    // or as written.
    BGMRequest selectBgm, vsBgm;

    SelectInfo select;
    VsScreenInfo vs;
    DemoInfo demo;
    StoryScreen continueScreen, gameOver, defaultEnding, endCredits;
    int winScreenEnabled;
    ScreenElem winText;
    int survivalEnabled;
    ScreenElem winsText;
    int survivalRoundsToWin;
};

// Reads the motif's system file (motif directory and file of the game record)
// into gv->motif, the game record's motif sets and fonts and the menus'
// record, then the fight-screen file; 1, or 0 with the reason in the game
// error text and nothing kept (the menus' record back to its defaults).
int SysFileLoad();
// Before a match ([Misc] unloadsystem): frees the menu backgrounds and the
// system sprites.
void SysBgUnload();
// After the match: loads again what SysBgUnload freed (the sprites, the sounds
// if they are gone, the backgrounds over the sprites now loaded); a failure
// ends the program.
void SysFileReload();
// Frees everything SysFileLoad made but the fight screen.
void SysFileFree();

// Motif font n, or null when n is outside 0 to 9 or there is no motif.
Font *MotifFontGet(int n);
// Plays a sound of the motif's sound set; group -1 plays nothing.
void MotifSndPlay(const MotifSnd *snd);
// Plays it on the channel of the key, cutting off what played there.
void MotifSndPlayOnKey(int key, const MotifSnd *snd);
// Draws a text in a motif font; nothing without the font.
void MotifTextDraw(const MotifFont *f, int x, int y, const char *text);
// Starts a menu music record of the motif on the menus' record; a name that
// is not music ends the program.
void MotifMusicPlay(const BGMRequest *req);
