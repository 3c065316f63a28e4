// Fight-screen file: the lifebar, power-bar, face, name, timer, combo, round and win-icon layouts and the files they name.
#pragma once

#include "velok/core/gamevars.h"
#include "velok/player/explod.h"

struct TxtParseFile;

enum {
    FIGHT_COMBO_TEXT_LEN = 32,
    FIGHT_POWER_LEVELS = 10,
    FIGHT_WIN_ICON_KINDS = 9,
    FIGHT_SIMUL_PLAYERS = 4,
    FIGHT_TURNS_NAMES = 4,
};

// A life or power bar: the bar's ends are pos x + range, the first end being
// the one it drains toward.
struct FightBar {
    int posX, posY;
    int range[2];
    ScreenElem bg[3], mid, front;
    ScreenElem counter;  // power bars only
};

struct FightFace {
    int posX, posY;
    ScreenElem bg, face;
    int facing;
    // Turns faces: the waiting and beaten teammates.
    int teamPosX, teamPosY;
    int teamSpacingX, teamSpacingY;
    ScreenElem teamBg, teamFace, teamKo;
};

struct FightName {
    int posX, posY;
    ScreenElem bg, name;
};

struct FightTime {
    int posX, posY;
    ScreenElem bg, counter;
};

// [Combo]; font numbers index the fight fonts, -1 none.
struct FightCombo {
    int posX, posY;
    int startX;
    int counterFont, counterBank;
    int counterShake;
    int textFont, textBank;
    int textOffsetX, textOffsetY;
    int displayTime;
    char text[FIGHT_COMBO_TEXT_LEN];
};

// The announcement elements of [Round]; its timings and sounds are the game
// record's FightRound.
struct FightRoundElems {
    ScreenElem roundDefault;
    ScreenElem round[FIGHT_ROUND_SOUNDS];
    ScreenElem fight, ko, dko, to;
    ScreenElem win, win2, draw;
    FightSnd winSnd, loseSnd, drawSnd;
};

// Icon kinds: 0 n, 1 s, 2 h, 3 throw, 4 t, 5 c, 6 suicide, 7 teammate, 8 perfect.
struct FightWinIcon {
    int posX, posY;
    int offsetX, offsetY;
    ScreenElem counter;
    ScreenElem icon[FIGHT_WIN_ICON_KINDS];
};

struct FightData {
    FightBar life[2], turnsLife[2], simulLife[FIGHT_SIMUL_PLAYERS];
    FightBar power[2];
    FightSnd levelSnd[FIGHT_POWER_LEVELS];
    FightFace face[2], simulFace[FIGHT_SIMUL_PLAYERS], turnsFace[2];
    FightName name[2], simulName[FIGHT_SIMUL_PLAYERS], turnsName[FIGHT_TURNS_NAMES];
    FightTime time;
    FightCombo combo;
    FightRoundElems round;
    FightWinIcon winIcon[2];
    int useIconUpTo;
};

// 1 on success; 0 with the reason in the game error text, and nothing kept.
// Also puts the [Round] and [Time] timings into the game record.
int FightDefLoad(const char *path);
// Frees the fight-screen data, whole or partly loaded; fonts that are the
// first system font are left alone.
void FightDataFree();
// Fight font n, or null when n is outside 0..9 or the slot is empty.
Font *FightFontGet(int n);
// Plays a sound of the fight-screen sound set; group -1 plays nothing.
void FightSndPlay(const FightSnd *snd);
