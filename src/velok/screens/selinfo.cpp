// Select-screen layout ([Select Info] of the motif): the grid and its cells, cursors, portraits, names, stage line and team menus, and what the screen remembers between visits.
#include "velok/screens/selinfo.h"

#include <cstdio>
#include <cstring>

#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/sound.h"

enum { KEY_LEN = 64 };

void MotifFontRead(TxtParseFile *tp, const char *key, MotifFont *f)
{
    int font = f->font, bank = f->bank, align = f->align;
    if (TxtParseScan(tp, key, "%i,%i,%i", &font, &bank, &align) < 1)
        return;
    f->font = font >= 0 && font < MOTIF_FONT_COUNT ? font : -1;
    f->bank = bank;
    f->align = align;
}

void MotifSndRead(TxtParseFile *tp, const char *key, MotifSnd *s)
{
    SoundRefParse(tp, key, &s->group, &s->number);
}

void MotifElemRead(TxtParseFile *tp, ScreenElem *e, const char *prefix)
{
    ScreenElemInit(e);
    ScreenElemRead(tp, e, prefix);
}

static const char *SideKey(char *key, int side, const char *suffix)
{
    snprintf(key, KEY_LEN, "p%i.%s", side + 1, suffix);
    return key;
}

static void TeamMenuRead(TxtParseFile *tp, SelectTeamMenuLayout *m, int side)
{
    char key[KEY_LEN];
    TxtParseScan(tp, SideKey(key, side, "teammenu.pos"), "%i,%i", &m->posX, &m->posY);
    MotifElemRead(tp, &m->bg, SideKey(key, side, "teammenu.bg"));
    MotifElemRead(tp, &m->selfTitle, SideKey(key, side, "teammenu.selftitle"));
    MotifElemRead(tp, &m->enemyTitle, SideKey(key, side, "teammenu.enemytitle"));
    MotifSndRead(tp, SideKey(key, side, "teammenu.move.snd"), &m->moveSnd);
    MotifSndRead(tp, SideKey(key, side, "teammenu.value.snd"), &m->valueSnd);
    MotifSndRead(tp, SideKey(key, side, "teammenu.done.snd"), &m->doneSnd);
    m->itemFont = m->itemActiveFont = m->itemActive2Font = MotifFont{-1, 0, 0};
    MotifFontRead(tp, SideKey(key, side, "teammenu.item.font"), &m->itemFont);
    MotifFontRead(tp, SideKey(key, side, "teammenu.item.active.font"), &m->itemActiveFont);
    MotifFontRead(tp, SideKey(key, side, "teammenu.item.active2.font"), &m->itemActive2Font);
    TxtParseScan(tp, SideKey(key, side, "teammenu.item.offset"), "%i,%i", &m->itemOffsetX, &m->itemOffsetY);
    TxtParseScan(tp, SideKey(key, side, "teammenu.item.spacing"), "%i,%i", &m->itemSpacingX, &m->itemSpacingY);
    MotifElemRead(tp, &m->itemCursor, SideKey(key, side, "teammenu.item.cursor"));
    MotifElemRead(tp, &m->valueIcon, SideKey(key, side, "teammenu.value.icon"));
    MotifElemRead(tp, &m->valueEmptyIcon, SideKey(key, side, "teammenu.value.empty.icon"));
    TxtParseScan(tp, SideKey(key, side, "teammenu.value.spacing"), "%i,%i", &m->valueSpacingX, &m->valueSpacingY);
}

static int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

int SelectInfoRead(TxtParseFile *tp, SelectInfo *si)
{
    SelectInfoFree(si);
    memset(si, 0, sizeof *si);
    char key[KEY_LEN];

    si->fadeInTime = si->fadeOutTime = 1;
    TxtParseIntGet(tp, "fadein.time", &si->fadeInTime);
    TxtParseIntGet(tp, "fadeout.time", &si->fadeOutTime);
    si->fadeInTime = MaxInt(si->fadeInTime, 1);
    si->fadeOutTime = MaxInt(si->fadeOutTime, 1);
    TxtParseIntGet(tp, "rows", &si->rows);
    TxtParseIntGet(tp, "columns", &si->columns);
    TxtParseIntGet(tp, "wrapping", &si->wrapping);
    TxtParseScan(tp, "pos", "%i,%i", &si->posX, &si->posY);
    TxtParseIntGet(tp, "showemptyboxes", &si->showEmptyBoxes);
    TxtParseIntGet(tp, "moveoveremptyboxes", &si->moveOverEmptyBoxes);
    for (int s = 0; s < 2; s++)
        TxtParseScan(tp, SideKey(key, s, "cursor.startcell"), "%i,%i", &si->startRow[s], &si->startCol[s]);
    TxtParseIntGet(tp, "p2.cursor.blink", &si->p2CursorBlink);
    TxtParseScan(tp, "cell.size", "%i,%i", &si->cellSizeX, &si->cellSizeY);
    TxtParseIntGet(tp, "cell.spacing", &si->cellSpacing);
    si->portraitScaleX = si->portraitScaleY = 1.0f;
    TxtParseScan(tp, "portrait.scale", "%f,%f", &si->portraitScaleX, &si->portraitScaleY);
    TxtParseScan(tp, "portrait.offset", "%i,%i", &si->portraitOffsetX, &si->portraitOffsetY);
    TxtParseScan(tp, "title.offset", "%i,%i", &si->titleOffsetX, &si->titleOffsetY);
    si->titleFont = MotifFont{-1, 0, 0};
    MotifFontRead(tp, "title.font", &si->titleFont);
    for (int s = 0; s < 2; s++) {
        MotifSndRead(tp, SideKey(key, s, "cursor.move.snd"), &si->cursorMoveSnd[s]);
        MotifSndRead(tp, SideKey(key, s, "cursor.done.snd"), &si->cursorDoneSnd[s]);
        MotifSndRead(tp, SideKey(key, s, "random.move.snd"), &si->randomMoveSnd[s]);
    }
    TxtParseIntGet(tp, "random.move.snd.cancel", &si->randomMoveSndCancel);
    MotifSndRead(tp, "stage.move.snd", &si->stageMoveSnd);
    MotifSndRead(tp, "stage.done.snd", &si->stageDoneSnd);
    MotifSndRead(tp, "cancel.snd", &si->cancelSnd);
    MotifElemRead(tp, &si->cellBg, "cell.bg");
    MotifElemRead(tp, &si->cellRandom, "cell.random");
    si->cellRandomSwitchTime = 4;
    TxtParseIntGet(tp, "cell.random.switchtime", &si->cellRandomSwitchTime);
    si->cellRandomSwitchTime = MaxInt(si->cellRandomSwitchTime, 1);
    for (int s = 0; s < 2; s++) {
        MotifElemRead(tp, &si->cursorActive[s], SideKey(key, s, "cursor.active"));
        MotifElemRead(tp, &si->cursorDone[s], SideKey(key, s, "cursor.done"));
    }
    for (int s = 0; s < 2; s++) {
        TxtParseScan(tp, SideKey(key, s, "face.offset"), "%i,%i", &si->faceOffsetX[s], &si->faceOffsetY[s]);
        si->faceScaleX[s] = si->faceScaleY[s] = 1.0f;
        TxtParseScan(tp, SideKey(key, s, "face.scale"), "%f,%f", &si->faceScaleX[s], &si->faceScaleY[s]);
        si->faceFacing[s] = s == 0 ? 1 : -1;
        TxtParseIntGet(tp, SideKey(key, s, "face.facing"), &si->faceFacing[s]);
        TxtParseScan(tp, SideKey(key, s, "name.offset"), "%i,%i", &si->nameOffsetX[s], &si->nameOffsetY[s]);
        si->nameFont[s] = MotifFont{-1, 0, 0};
        MotifFontRead(tp, SideKey(key, s, "name.font"), &si->nameFont[s]);
    }
    TxtParseScan(tp, "stage.pos", "%i,%i", &si->stagePosX, &si->stagePosY);
    si->stageActiveFont = si->stageActive2Font = si->stageDoneFont = MotifFont{-1, 0, 0};
    MotifFontRead(tp, "stage.active.font", &si->stageActiveFont);
    MotifFontRead(tp, "stage.active2.font", &si->stageActive2Font);
    MotifFontRead(tp, "stage.done.font", &si->stageDoneFont);
    TxtParseIntGet(tp, "teammenu.move.wrapping", &si->teamMenuMoveWrapping);
    for (int s = 0; s < 2; s++)
        TeamMenuRead(tp, &si->teamMenu[s], s);

    // The grid's size indexes every cell: it must hold at least one cell.
    if (si->rows < 1 || si->columns < 1 || (long long)si->rows * si->columns > SELECT_GRID_MAX) {
        GameErrorSet("Bad grid size %ix%i in [Select Info] (rows and columns at least 1, %i cells at most)",
                     si->rows, si->columns, SELECT_GRID_MAX);
        return 0;
    }
    for (int s = 0; s < 2; s++) {
        si->startRow[s] = Clamp(si->startRow[s], 0, si->rows - 1);
        si->startCol[s] = Clamp(si->startCol[s], 0, si->columns - 1);
        for (int m = 0; m < SELECT_MODE_SLOTS; m++)
            si->rememberCol[s][m] = si->rememberRow[s][m] = -1;
        si->teamItem[s] = si->teamValue[s] = -1;
    }

    si->cellCount = si->rows * si->columns;
    si->cells = (SelectCell *)LibCalloc((size_t)si->cellCount, sizeof(SelectCell));
    if (!si->cells) {
        si->cellCount = 0;
        GameErrorSet("Out of memory");
        return 0;
    }
    for (int i = 0; i < si->cellCount; i++)
        si->cells[i].charIndex = SELECT_CELL_EMPTY;
    return 1;
}

void SelectInfoFree(SelectInfo *si)
{
    for (int i = 0; si->cells && i < si->cellCount; i++)
        SprSetFree(si->cells[i].portraits);
    MemFree(si->cells);
    si->cells = nullptr;
    si->cellCount = 0;
}

SelectCell *SelectCellGet(SelectInfo *si, int col, int row)
{
    if (!si->cells || col < 0 || row < 0 || col >= si->columns || row >= si->rows)
        return nullptr;
    return &si->cells[col + si->columns * row];
}

SelectCell *SelectCellOfChar(SelectInfo *si, int charIndex)
{
    if (!si || !si->cells || !gv->charList || charIndex < 0 || charIndex >= gv->charCount)
        return nullptr;
    int cell = gv->charList[charIndex].cell;
    return cell >= 0 && cell < si->cellCount ? &si->cells[cell] : nullptr;
}
