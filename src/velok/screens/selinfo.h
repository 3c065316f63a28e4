// Select-screen layout ([Select Info] of the motif): the grid and its cells, cursors, portraits, names, stage line and team menus, and what the screen remembers between visits.
#pragma once

#include "velok/player/explod.h"
#include "velok/player/p-make.h"

struct SprSet;
struct TxtParseFile;

enum {
    SELECT_MODE_SLOTS = 4,
    SELECT_GRID_MAX = 65536,    // cells of a grid at most
    SELECT_CELL_EMPTY = -1,
    SELECT_CELL_RANDOM = -2,
    MOTIF_PORTRAIT_GROUP = 9000,  // image 0 the small portrait, 1 the large one
};

// A sound of the motif's sound set; group -1 none.
struct MotifSnd {
    int group, number;
};

// A motif font (0 to 9, -1 none) with a colour bank and an alignment (1
// left, 0 centre, -1 right).
struct MotifFont {
    int font, bank, align;
};

// A grid cell: the character's entry in the select list holds its name and
// files; the cell holds its portraits.
struct SelectCell {
    int charIndex;  // SELECT_CELL_EMPTY, SELECT_CELL_RANDOM or an index into the select list
    SprSet *portraits;  // null when the character has none
};

// One side's team menu.
struct SelectTeamMenuLayout {
    int posX, posY;
    ScreenElem bg, selfTitle, enemyTitle;
    MotifSnd moveSnd, valueSnd, doneSnd;
    MotifFont itemFont, itemActiveFont, itemActive2Font;
    int itemOffsetX, itemOffsetY;
    int itemSpacingX, itemSpacingY;
    ScreenElem itemCursor, valueIcon, valueEmptyIcon;
    int valueSpacingX, valueSpacingY;
};

struct SelectInfo {
    int fadeInTime, fadeOutTime;
    int rows, columns;
    int wrapping;
    int posX, posY;
    int showEmptyBoxes, moveOverEmptyBoxes;
    int startRow[2], startCol[2];  // "row, column"
    int p2CursorBlink;
    int cellSizeX, cellSizeY;
    int cellSpacing;
    float portraitScaleX, portraitScaleY;
    int portraitOffsetX, portraitOffsetY;
    int titleOffsetX, titleOffsetY;
    MotifFont titleFont;
    MotifSnd cursorMoveSnd[2], cursorDoneSnd[2], randomMoveSnd[2];
    int randomMoveSndCancel;
    MotifSnd stageMoveSnd, stageDoneSnd, cancelSnd;
    ScreenElem cellBg, cellRandom;
    int cellRandomSwitchTime;
    ScreenElem cursorActive[2], cursorDone[2];
    int faceOffsetX[2], faceOffsetY[2];
    float faceScaleX[2], faceScaleY[2];
    int faceFacing[2];
    int nameOffsetX[2], nameOffsetY[2];
    MotifFont nameFont[2];
    int stagePosX, stagePosY;
    MotifFont stageActiveFont, stageActive2Font, stageDoneFont;
    int teamMenuMoveWrapping;
    SelectTeamMenuLayout teamMenu[2];

    SelectCell *cells;  // rows x columns, row by row
    int cellCount;

    // Remembered between visits: each side's cursor per mode slot (-1 none:
    // the start cell then), and each side's last team-menu item and value.
    int rememberCol[2][SELECT_MODE_SLOTS], rememberRow[2][SELECT_MODE_SLOTS];
    int teamItem[2], teamValue[2];
};

// Reads the current group ([Select Info]) into si and makes its empty grid;
// 1, or 0 with the reason in the game error text.
int SelectInfoRead(TxtParseFile *tp, SelectInfo *si);
// Frees the grid with its portraits.
void SelectInfoFree(SelectInfo *si);
// The cell at a column and row; null outside the grid.
SelectCell *SelectCellGet(SelectInfo *si, int col, int row);
// The cell of a character of the select list; null when it has none (a
// character named on the command line).
SelectCell *SelectCellOfChar(SelectInfo *si, int charIndex);

// Readers shared by the motif's groups. A font "font, bank, alignment": a
// font number outside 0 to 9 reads as -1 (none); an absent key leaves f.
void MotifFontRead(TxtParseFile *tp, const char *key, MotifFont *f);
// A sound "group, number"; group -1 when the key is absent or unreadable.
void MotifSndRead(TxtParseFile *tp, const char *key, MotifSnd *s);
// A fresh element read from the keys under the prefix.
void MotifElemRead(TxtParseFile *tp, ScreenElem *e, const char *prefix);
