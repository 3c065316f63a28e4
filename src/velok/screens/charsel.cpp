// Character select screen: each side's team mode, characters with their palettes and, in the modes that have it, the stage, on the motif's grid; the cursors and team choices it remembers.
#include "velok/screens/charsel.h"

#include <cstdio>
#include <cstring>

#include "lib/bg.h"
#include "music/bgm.h"
#include "lib/disp.h"
#include "lib/grandom.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"
#include "velok/player/charpal.h"
#include "velok/player/explod.h"
#include "velok/player/keybuf.h"
#include "velok/player/precache.h"
#include "velok/screens/charlist.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"

enum {
    KEY_ESCAPE = 1,
    KEY_F12 = 88,
    AUTO_SWITCH_TIME = 6,      // random portrait ticks in watch and demo
    MENU_AUTO_PICK_END = 60,   // watch and demo menus pick until this tick
    MENU_AUTO_CONFIRM = 300,   // and confirm from this one
    RANDOM_SND_KEY = 900,      // + side: a random move that cuts off the last one
};

static const char *const modeTitles[CHARSEL_MODES] = {
    "Arcade", "Versus Mode", "Team Arcade", "Team Versus", "Team Cooperative",
    "Survival", "Survival Cooperative", "Training Mode", "Watch Mode"};
static const char *const itemTexts[CHARSEL_ITEM_KINDS] = {"Single", "Simul", "Tag", "Turns"};

static SelectInfo *Info()
{
    return gv->motif ? &gv->motif->select : nullptr;
}

static int Random(int n)
{
    return n > 0 ? GameRandom() % n : 0;
}

// ---------------------------------------------------------------- remembered state

int CharSelModeSlot(int mode)
{
    switch (mode) {
    case CHARSEL_VERSUS:
    case CHARSEL_TEAM_VERSUS:
        return 1;
    case CHARSEL_TEAM_COOP:
    case CHARSEL_SURVIVAL_COOP:
        return 2;
    case CHARSEL_TRAINING:
    case CHARSEL_WATCH:
        return 3;
    default:
        return 0;
    }
}

void CharSelForgetCursors()
{
    SelectInfo *si = Info();
    for (int s = 0; si && s < 2; s++)
        for (int m = 0; m < SELECT_MODE_SLOTS; m++)
            si->rememberCol[s][m] = si->rememberRow[s][m] = -1;
}

void CharSelRememberCursor(int col, int row, int slot, int side)
{
    SelectInfo *si = Info();
    if (!si || slot < 0 || slot >= SELECT_MODE_SLOTS || side < 0 || side > 1)
        return;
    si->rememberCol[side][slot] = col;
    si->rememberRow[side][slot] = row;
}

void CharSelRecallCursors(CharSelSide *state, int slot, int side)
{
    SelectInfo *si = Info();
    if (!si)
        return;
    int col = si->rememberCol[side][slot], row = si->rememberRow[side][slot];
    if (col < 0 || row < 0 || col >= si->columns || row >= si->rows) {
        col = si->startCol[side];
        row = si->startRow[side];
    }
    state->col = state->prevCol = col;
    state->row = state->prevRow = row;
}

void CharSelForgetTeamModes()
{
    SelectInfo *si = Info();
    for (int s = 0; si && s < 2; s++)
        si->teamItem[s] = si->teamValue[s] = -1;
}

void CharSelGetTeamMode(CharSelMenu *menu, int side)
{
    SelectInfo *si = Info();
    if (!si || si->teamItem[side] < 0)
        return;
    for (int i = 0; i < menu->itemCount; i++) {
        if (menu->kind[i] != si->teamItem[side])
            continue;
        menu->current = i;
        int v = si->teamValue[side];
        menu->value[i] = v < menu->valueMin[i] ? menu->valueMin[i] : v > menu->valueMax[i] ? menu->valueMax[i] : v;
    }
}

void CharSelSetTeamMode(const CharSelMenu *menu, int side)
{
    SelectInfo *si = Info();
    if (!si || menu->current < 0)
        return;
    si->teamItem[side] = menu->kind[menu->current];
    si->teamValue[side] = menu->value[menu->current];
}

// ---------------------------------------------------------------- cursor

static bool CellEmpty(SelectInfo *si, int col, int row)
{
    SelectCell *c = SelectCellGet(si, col, row);
    return !c || c->charIndex == SELECT_CELL_EMPTY;
}

// One direction along an axis: a step, then over empty cells when they may
// not be stopped on, for at most one lap; without wrapping the edge keeps the
// cursor where it stood.
static void CursorStep(SelectInfo *si, int *col, int *row, int dc, int dr)
{
    int length = dc ? si->columns : si->rows;
    int c = *col, r = *row;
    for (int k = 0; k < length; k++) {
        int nc = c + dc, nr = r + dr;
        if (nc < 0 || nc >= si->columns || nr < 0 || nr >= si->rows) {
            if (!si->wrapping)
                return;
            nc = (nc + si->columns) % si->columns;
            nr = (nr + si->rows) % si->rows;
        }
        c = nc;
        r = nr;
        if (si->moveOverEmptyBoxes || !CellEmpty(si, c, r)) {
            *col = c;
            *row = r;
            return;
        }
    }
}

int CharSelCursorMove(int input, int sideAsked, int *col, int *row, int sideMoving)
{
    SelectInfo *si = Info();
    if (sideAsked != sideMoving || !si || !si->cells || gv->charCount <= 0)
        return -1;
    if (input & CHARSEL_UP)
        CursorStep(si, col, row, 0, -1);
    if (input & CHARSEL_RIGHT)
        CursorStep(si, col, row, 1, 0);
    if (input & CHARSEL_DOWN)
        CursorStep(si, col, row, 0, 1);
    if (input & CHARSEL_LEFT)
        CursorStep(si, col, row, -1, 0);
    if (CellEmpty(si, *col, *row))
        return -1;
    int pal = -1;
    for (int b = 0; b < 6; b++)
        if (input & CHARSEL_A << b)
            pal = b;
    if (pal >= 0 && (input & CHARSEL_START_HELD))
        pal += 6;
    return pal;
}

// ---------------------------------------------------------------- teams and steps

void TeamInitSlots(TeamInfo *team, int side, int count, int mode)
{
    TeamSetup(team, side + 1, mode, count);
}

void CharSelSideStart(CharSel *cs, const CharSelStep *step, int side)
{
    CharSelSide *sd = &cs->side[side];
    if (step->member == 0) {
        TeamInitSlots(&cs->teams[step->team], step->team, step->count, step->mode);
        cs->teamMade[step->team] = 1;
    }
    sd->autoTimer = cs->automatic ? 20 + Random(20) : -1;
    sd->randomTick = 0;
}

void TeamMenuInit(CharSelMenu *menu, const CharSelStep *step, int side)
{
    if (menu->current != -1)
        FatalExitf("Menu - programmer's fault");
    static const int values[CHARSEL_ITEM_KINDS][3] = {{1, 1, 1}, {2, 2, 2}, {2, 2, 2}, {2, 1, TEAM_ENTRY_MAX}};
    menu->itemCount = 0;
    menu->tick = 0;
    for (int k = 0; k < CHARSEL_ITEM_KINDS; k++) {
        if (!(step->allowed & 1 << k))
            continue;
        int i = menu->itemCount++;
        menu->kind[i] = k;
        menu->value[i] = values[k][0];
        menu->valueMin[i] = values[k][1];
        menu->valueMax[i] = values[k][2];
    }
    menu->current = 0;
    CharSelGetTeamMode(menu, side);
}

static CharSelStep *StepAdd(CharSel *cs, int list, int kind, int team, int input)
{
    int n = 0;
    while (cs->steps[list][n].kind != CHARSEL_STEP_END)
        n++;
    LIB_ASSERT(n + 1 < CHARSEL_STEPS);
    CharSelStep *st = &cs->steps[list][n];
    memset(st, 0, sizeof *st);
    st->kind = kind;
    st->team = team;
    st->input = input;
    st->inputs = 1 << input;
    st->linked = -1;
    st->mode = TEAM_MODE_SINGLE;
    st->count = st->fill = 1;
    st->keySet = team;
    return st;
}

// A team menu and the step its result goes to.
static void MenuThen(CharSel *cs, int list, int team, int input, int allowed, CharSelStep *then)
{
    int at = (int)(then - cs->steps[list]);
    CharSelStep *menu = &cs->steps[list][at - 1];
    LIB_ASSERT(menu->kind == CHARSEL_STEP_TEAM_MENU && menu->team == team && menu->input == input);
    menu->allowed = allowed;
    menu->linked = at;
}

static CharSelStep *MenuAndChars(CharSel *cs, int list, int team, int input, int allowed, int kind)
{
    StepAdd(cs, list, CHARSEL_STEP_TEAM_MENU, team, input);
    CharSelStep *then = StepAdd(cs, list, kind, team, input);
    MenuThen(cs, list, team, input, allowed, then);
    return then;
}

// The two members of a cooperative team: the side that started chooses the
// first, the other side the second, which it then plays.
static void CoopSteps(CharSel *cs, int s, int o, int allowed)
{
    CharSelStep *a = StepAdd(cs, s, CHARSEL_STEP_CHAR, s, s);
    CharSelStep *b = StepAdd(cs, s, CHARSEL_STEP_CHAR, s, o);
    a->mode = b->mode = TEAM_MODE_SIMUL;
    a->count = b->count = 2;
    b->member = 1;
    b->keySet = o;
    MenuAndChars(cs, s, o, s, allowed, CHARSEL_STEP_COMPUTER);
}

static void StepsBuild(CharSel *cs)
{
    int s = cs->start, o = 1 - s;
    switch (cs->mode) {
    case CHARSEL_ARCADE:
        StepAdd(cs, s, CHARSEL_STEP_CHAR, s, s);
        StepAdd(cs, o, CHARSEL_STEP_COMPUTER, o, o);
        break;
    case CHARSEL_VERSUS:
        StepAdd(cs, s, CHARSEL_STEP_CHAR, s, s);
        StepAdd(cs, o, CHARSEL_STEP_CHAR, o, o);
        StepAdd(cs, s, CHARSEL_STEP_STAGE, s, s)->inputs = 3;
        break;
    case CHARSEL_TEAM_ARCADE:
        MenuAndChars(cs, s, s, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR);
        MenuAndChars(cs, s, o, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_COMPUTER);
        break;
    case CHARSEL_TEAM_VERSUS:
        MenuAndChars(cs, s, s, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR);
        MenuAndChars(cs, o, o, o, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR);
        StepAdd(cs, s, CHARSEL_STEP_STAGE, s, s)->inputs = 3;
        break;
    case CHARSEL_TEAM_COOP:
        CoopSteps(cs, s, o, CHARSEL_ALLOW_ALL);
        break;
    case CHARSEL_SURVIVAL:
        MenuAndChars(cs, s, s, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR);
        MenuAndChars(cs, s, o, s, CHARSEL_ALLOW_SURVIVAL, CHARSEL_STEP_COMPUTER);
        break;
    case CHARSEL_SURVIVAL_COOP:
        CoopSteps(cs, s, o, CHARSEL_ALLOW_SURVIVAL);
        break;
    case CHARSEL_TRAINING: {
        StepAdd(cs, s, CHARSEL_STEP_CHAR, s, s);
        CharSelStep *dummy = StepAdd(cs, s, CHARSEL_STEP_CHAR, o, s);
        dummy->ai = 1;
        StepAdd(cs, s, CHARSEL_STEP_STAGE, s, s);
        break;
    }
    case CHARSEL_WATCH:
        MenuAndChars(cs, s, s, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR)->ai = 1;
        MenuAndChars(cs, s, o, s, CHARSEL_ALLOW_ALL, CHARSEL_STEP_CHAR)->ai = 1;
        StepAdd(cs, s, CHARSEL_STEP_STAGE, s, s);
        break;
    default:
        FatalExitf("Programmer's fault");
    }
    // The computer's members play without controls.
    for (int l = 0; l < 2; l++)
        for (CharSelStep *st = cs->steps[l]; st->kind != CHARSEL_STEP_END; st++)
            if (st->kind == CHARSEL_STEP_COMPUTER)
                st->ai = 1;
}

void CharSelBegin(CharSel *cs, int mode, int side)
{
    memset(cs, 0, sizeof *cs);
    cs->mode = mode;
    cs->start = side == 1 ? 1 : 0;
    cs->demo = gv->demo;
    cs->automatic = mode == CHARSEL_WATCH || gv->demo;
    cs->stageIndex = -1;
    for (int s = 0; s < 2; s++) {
        cs->menu[s].current = -1;
        cs->side[s].lastChar = cs->side[s].randomChar = -1;
        CharSelRecallCursors(&cs->side[s], CharSelModeSlot(mode), s);
    }
    StepsBuild(cs);

    int human = cs->start + 1;
    bool ladder = mode == CHARSEL_ARCADE || mode == CHARSEL_TEAM_ARCADE || mode == CHARSEL_TEAM_COOP;
    bool survival = mode == CHARSEL_SURVIVAL || mode == CHARSEL_SURVIVAL_COOP;
    gv->arcadeSide = ladder ? human : 0;
    gv->survivalSide = survival ? human : 0;
    gv->watch = mode == CHARSEL_WATCH;
    gv->stageFile[0] = 0;
}

// ---------------------------------------------------------------- the steps' ticks

static void Fill(CharSel *cs, CharSelStep *st, int charIndex, int pal)
{
    TeamMember *m = TeamMemberAt(&cs->teams[st->team], st->member + st->filled);
    if (!m)
        return;
    m->charIndex = charIndex;
    m->palNo = CharReservePal(pal, charIndex);
    m->keySet = st->keySet;
    // One player's controls drive one fighter: the simul partner picked on
    // them after the first is computer-driven. A cooperative team's partner
    // is picked, and played, on the other side's controls, by a step of its own.
    m->ai = st->ai || (st->mode == TEAM_MODE_SIMUL && st->filled > 0);
    st->filled++;
    cs->side[st->input].lastChar = charIndex;
    SelectInfo *si = Info();
    MotifSndPlay(&si->cursorDoneSnd[st->input]);
    PrecacheQueueChar(charIndex);
    PrecacheStart();
}

static int CharTick(CharSel *cs, CharSelStep *st, int input)
{
    SelectInfo *si = Info();
    CharSelSide *sd = &cs->side[st->input];
    if (!st->started) {
        CharSelSideStart(cs, st, st->input);
        st->started = 1;
    }
    sd->prevCol = sd->col;
    sd->prevRow = sd->row;
    int pal = CharSelCursorMove(input, st->input, &sd->col, &sd->row, st->input);
    if (sd->col != sd->prevCol || sd->row != sd->prevRow)
        MotifSndPlay(&si->cursorMoveSnd[st->input]);
    SelectCell *cell = SelectCellGet(si, sd->col, sd->row);
    if (cs->automatic || (cell && cell->charIndex == SELECT_CELL_RANDOM)) {
        int every = cs->automatic ? AUTO_SWITCH_TIME : si->cellRandomSwitchTime;
        if (sd->randomTick++ % every == 0 && gv->charCount > 0) {
            sd->randomChar = Random(gv->charCount);
            if (si->randomMoveSndCancel)
                MotifSndPlayOnKey(RANDOM_SND_KEY + st->input, &si->randomMoveSnd[st->input]);
            else
                MotifSndPlay(&si->randomMoveSnd[st->input]);
        }
        bool choose = pal >= 0;
        if (sd->autoTimer >= 0 && --sd->autoTimer < 0) {
            choose = true;
            sd->autoTimer = 10 + Random(10);
        }
        if (choose && gv->charCount > 0) {
            int c = Random(gv->charCount);
            Fill(cs, st, c, Random(CHAR_PALETTES));
        }
    } else if (cell && cell->charIndex >= 0 && pal >= 0) {
        Fill(cs, st, cell->charIndex, pal);
    }
    if (st->filled < st->fill)
        return 0;
    CharSelRememberCursor(sd->col, sd->row, CharSelModeSlot(cs->mode), st->input);
    return 1;
}

static void MenuMove(CharSelMenu *m, int dir, int wrap)
{
    int next = m->current + dir;
    if (next < 0 || next >= m->itemCount) {
        if (!wrap)
            return;
        next = (next + m->itemCount) % m->itemCount;
    }
    m->current = next;
}

// The menu's confirmed item goes to its linked step as the team's mode and
// member count.
static void MenuResult(CharSel *cs, int list, const CharSelStep *st, const CharSelMenu *m)
{
    int kind = m->kind[m->current];
    int mode = TEAM_MODE_SINGLE, count = 1;
    switch (kind) {
    case CHARSEL_ITEM_SIMUL:
        mode = TEAM_MODE_SIMUL;
        count = 2;
        break;
    case CHARSEL_ITEM_TAG:
        FatalExitf("Not yet implemented");
    case CHARSEL_ITEM_TURNS:
        mode = TEAM_MODE_TURNS;
        count = m->value[m->current];
        break;
    default:
        break;
    }
    if (st->linked >= 0) {
        CharSelStep *to = &cs->steps[list][st->linked];
        to->mode = mode;
        to->count = to->fill = count;
    }
}

static int MenuTick(CharSel *cs, int list, CharSelStep *st, int input)
{
    SelectInfo *si = Info();
    CharSelMenu *m = &cs->menu[list];
    const SelectTeamMenuLayout *lay = &si->teamMenu[st->team];
    if (!st->started) {
        TeamMenuInit(m, st, st->team);
        st->started = 1;
    }
    int tick = m->tick++;
    bool confirm;
    if (cs->automatic) {
        if (tick < MENU_AUTO_PICK_END && tick % 10 == 0) {
            m->current = Random(m->itemCount);
            int span = m->valueMax[m->current] - m->valueMin[m->current] + 1;
            m->value[m->current] = m->valueMin[m->current] + Random(span);
            MotifSndPlay(&lay->moveSnd);
        }
        confirm = tick >= MENU_AUTO_CONFIRM;
    } else {
        if (input & (CHARSEL_UP | CHARSEL_DOWN)) {
            int was = m->current;
            if (input & CHARSEL_UP)
                MenuMove(m, -1, si->teamMenuMoveWrapping);
            if (input & CHARSEL_DOWN)
                MenuMove(m, 1, si->teamMenuMoveWrapping);
            if (m->current != was)
                MotifSndPlay(&lay->moveSnd);
        }
        // The second side's menu stands mirrored: its directions are swapped.
        int more = st->team == 0 ? CHARSEL_RIGHT : CHARSEL_LEFT;
        int less = st->team == 0 ? CHARSEL_LEFT : CHARSEL_RIGHT;
        int i = m->current, v = m->value[i];
        if ((input & more) && v < m->valueMax[i])
            v++;
        if ((input & less) && v > m->valueMin[i])
            v--;
        if (v != m->value[i]) {
            m->value[i] = v;
            MotifSndPlay(&lay->valueSnd);
        }
        confirm = (input & CHARSEL_CONFIRM) != 0;
    }
    if (!confirm)
        return 0;
    MotifSndPlay(&lay->doneSnd);
    MenuResult(cs, list, st, m);
    CharSelSetTeamMode(m, st->team);
    m->current = -1;
    return 1;
}

static void ComputerTeam(CharSel *cs, const CharSelStep *st)
{
    TeamInfo *team = &cs->teams[st->team];
    TeamInitSlots(team, st->team, st->count, st->mode);
    for (int j = 0; j < TeamMemberCount(team); j++)
        TeamMemberAt(team, j)->ai = 1;
    cs->teamMade[st->team] = 1;
}

static int StageTick(CharSel *cs, const CharSelStep *st, const int input[2])
{
    SelectInfo *si = Info();
    cs->stageState = 1;
    if (cs->automatic) {
        cs->stageIndex = -1;
        cs->stageState = 2;
        return 1;
    }
    int bits = 0;
    for (int s = 0; s < 2; s++)
        if (st->inputs & 1 << s)
            bits |= input[s];
    int n = gv->stageCount, was = cs->stageIndex;
    if (n > 0 && (bits & CHARSEL_LEFT))
        cs->stageIndex = cs->stageIndex < 0 ? n - 1 : cs->stageIndex - 1;
    if (n > 0 && (bits & CHARSEL_RIGHT))
        cs->stageIndex = cs->stageIndex >= n - 1 ? -1 : cs->stageIndex + 1;
    if (cs->stageIndex != was)
        MotifSndPlay(&si->stageMoveSnd);
    if (!(bits & CHARSEL_CONFIRM))
        return 0;
    MotifSndPlay(&si->stageDoneSnd);
    cs->stageState = 2;
    return 1;
}

static bool ListDone(const CharSel *cs, int list)
{
    return cs->steps[list][cs->stepAt[list]].kind == CHARSEL_STEP_END;
}

// Runs the list's current step; a step finished by input hands over to the
// next one on the next tick (the input is used up), to a computer set-up at
// once.
static void ListTick(CharSel *cs, int list, const int input[2])
{
    for (;;) {
        CharSelStep *st = &cs->steps[list][cs->stepAt[list]];
        int done = 0;
        switch (st->kind) {
        case CHARSEL_STEP_END:
            return;
        case CHARSEL_STEP_COMPUTER:
            ComputerTeam(cs, st);
            cs->stepAt[list]++;
            continue;
        case CHARSEL_STEP_TEAM_MENU:
            done = MenuTick(cs, list, st, input[st->input]);
            break;
        case CHARSEL_STEP_CHAR:
            done = CharTick(cs, st, input[st->input]);
            break;
        case CHARSEL_STEP_STAGE:
            // The stage is chosen once every character is.
            if (!ListDone(cs, 1 - list))
                return;
            done = StageTick(cs, st, input);
            break;
        }
        if (!done)
            return;
        cs->stepAt[list]++;
        if (cs->steps[list][cs->stepAt[list]].kind != CHARSEL_STEP_COMPUTER)
            return;
    }
}

int CharSelUpdate(CharSel *cs, const int input[2], int escape)
{
    if (escape)
        return CHARSEL_CANCELLED;
    for (int l = 0; l < 2; l++)
        ListTick(cs, l, input);
    cs->tick++;
    return ListDone(cs, 0) && ListDone(cs, 1) ? CHARSEL_DONE : CHARSEL_GOING;
}

void CharSelInputRead(int input[2], int *escape, int demo)
{
    input[0] = input[1] = 0;
    *escape = 0;
    JoyUpdate();
    // Keys and pads reach the screen through the input events; their own
    // rings are emptied so that nothing stale waits in them for another screen.
    while (KbllEventPending())
        KbllEventRead();
    while (JoyEventPending())
        JoyEventRead();
    while (InputEventPending()) {
        int ev = InputEventRead();
        if (ev & INPUT_RELEASE)
            continue;
        int code = ev & ~INPUT_RELEASE;
        if (demo) {
            *escape = 1;
            continue;
        }
        // Pads reach the screen through the key remap, as their keys' codes.
        if (code < 1 || code >= INPUT_JOY_BASE)
            continue;
        ScreenFullscreenToggleEvent(&code);
        if (code == 0)
            continue;
        if (code == KEY_ESCAPE) {
            *escape = 1;
            continue;
        }
        if (code == KEY_F12) {
            DispScreenshot();
            continue;
        }
        int side = 0;
        int bit = KeyConfigFind(gv->playKeys, 2, code, &side) & (CHARSEL_START * 2 - 1);
        if (bit)
            input[side] |= bit;
    }
    for (int s = 0; s < 2; s++) {
        int start = gv->playKeys[s].key[KEYBUF_START];
        if (start >= 1 && start < INPUT_JOY_BASE && InputStateGet(start))
            input[s] |= CHARSEL_START_HELD;
    }
}

int CharSelTick(CharSel *cs)
{
    int input[2], escape;
    CharSelInputRead(input, &escape, cs->demo);
    return CharSelUpdate(cs, input, escape);
}

static void StageChoose(const CharSel *cs)
{
    if (cs->stageState != 2)
        return;
    const char *path = nullptr;
    int i = cs->stageIndex;
    if (i < 0 && gv->stageCount > 0)
        i = Random(gv->stageCount);
    if (i >= 0 && i < gv->stageCount)
        path = gv->stageList[i].path;
    else
        path = gv->cfg.debug.startStage;
    StrCopy(gv->stageFile, sizeof gv->stageFile, path);
}

int CharSelEnd(CharSel *cs, int result)
{
    if (result != CHARSEL_DONE) {
        if (!cs->demo)
            MotifSndPlay(&Info()->cancelSnd);
        // The palettes this visit took are free again.
        for (int t = 0; t < 2; t++) {
            for (int j = 0; cs->teamMade[t] && j < TeamMemberCount(&cs->teams[t]); j++) {
                TeamMember *m = TeamMemberAt(&cs->teams[t], j);
                CharReleasePal(m->palNo, m->charIndex);
            }
        }
        PrecacheWait();
        return 0;
    }
    for (int t = 0; t < 2; t++) {
        if (!cs->teamMade[t])
            FatalExitf("No team: Programmer's fault");
        cs->teams[t].current = 0;
        // A computer team's order is the order drawn; a human one follows the
        // keys held at match start.
        bool computer = TeamMemberCount(&cs->teams[t]) > 0 && TeamMemberAt(&cs->teams[t], 0)->ai;
        for (int g = 0; g < cs->teams[t].entryCount; g++)
            cs->teams[t].entries[g].orderFixed = computer;
        gv->teams[t] = cs->teams[t];
    }
    StageChoose(cs);
    return 1;
}

// ---------------------------------------------------------------- drawing

static void CellXY(const SelectInfo *si, int col, int row, int *x, int *y)
{
    *x = si->posX + col * (si->cellSizeX + si->cellSpacing);
    *y = si->posY + row * (si->cellSizeY + si->cellSpacing);
}

static void PortraitDraw(SprSet *set, int number, float x, float y, float sx, float sy)
{
    int index = set ? SprSetFindImage(set, MOTIF_PORTRAIT_GROUP, number) : -1;
    if (index >= 0)
        SprDrawScaled(set, index, x, y, sx, sy);
}

static void GridDraw(const CharSel *cs, SelectInfo *si)
{
    for (int row = 0; row < si->rows; row++) {
        for (int col = 0; col < si->columns; col++) {
            const SelectCell *c = SelectCellGet(si, col, row);
            int x, y;
            CellXY(si, col, row, &x, &y);
            if (c->charIndex == SELECT_CELL_EMPTY) {
                if (si->showEmptyBoxes)
                    MotifElemShow(&si->cellBg, x, y, -1);
                continue;
            }
            MotifElemShow(&si->cellBg, x, y, -1);
            if (c->charIndex == SELECT_CELL_RANDOM)
                MotifElemShow(&si->cellRandom, x, y, -1);
            else
                PortraitDraw(c->portraits, 0, (float)(x + si->portraitOffsetX), (float)(y + si->portraitOffsetY),
                             si->portraitScaleX, si->portraitScaleY);
        }
    }
    // Each side's cursor while it chooses a character; the second side's
    // blinks over the first's cell when asked to.
    for (int s = 0; s < 2; s++) {
        const CharSelSide *sd = &cs->side[s];
        bool choosing = false, chose = false;
        for (int l = 0; l < 2; l++) {
            const CharSelStep *st = &cs->steps[l][cs->stepAt[l]];
            choosing = choosing || (st->kind == CHARSEL_STEP_CHAR && st->input == s);
        }
        chose = !choosing && sd->lastChar >= 0;
        if (!choosing && !chose)
            continue;
        if (s == 1 && si->p2CursorBlink && (cs->tick & 1) && sd->col == cs->side[0].col && sd->row == cs->side[0].row)
            continue;
        int x, y;
        CellXY(si, sd->col, sd->row, &x, &y);
        MotifElemShow(choosing ? &si->cursorActive[s] : &si->cursorDone[s], x, y, -1);
    }
}

// The character a side's face shows: the cell under the cursor while it
// chooses, the random pick on a random cell, else the last one chosen.
static int FaceChar(const CharSel *cs, SelectInfo *si, int s)
{
    const CharSelSide *sd = &cs->side[s];
    for (int l = 0; l < 2; l++) {
        const CharSelStep *st = &cs->steps[l][cs->stepAt[l]];
        if (st->kind != CHARSEL_STEP_CHAR || st->input != s)
            continue;
        const SelectCell *c = SelectCellGet(si, sd->col, sd->row);
        if (cs->automatic || (c && c->charIndex == SELECT_CELL_RANDOM))
            return sd->randomChar;
        return c ? c->charIndex : -1;
    }
    return sd->lastChar;
}

static void MenuDraw(const CharSel *cs, SelectInfo *si, int list)
{
    const CharSelStep *st = &cs->steps[list][cs->stepAt[list]];
    const CharSelMenu *m = &cs->menu[list];
    if (st->kind != CHARSEL_STEP_TEAM_MENU || m->current < 0)
        return;
    const SelectTeamMenuLayout *lay = &si->teamMenu[st->team];
    MotifElemShow(&lay->bg, lay->posX, lay->posY, -1);
    MotifElemShow(st->team == st->input ? &lay->selfTitle : &lay->enemyTitle, lay->posX, lay->posY, -1);
    for (int i = 0; i < m->itemCount; i++) {
        int x = lay->posX + lay->itemOffsetX + i * lay->itemSpacingX;
        int y = lay->posY + lay->itemOffsetY + i * lay->itemSpacingY;
        const MotifFont *f = &lay->itemFont;
        if (i == m->current) {
            f = (cs->tick / 2) & 1 ? &lay->itemActive2Font : &lay->itemActiveFont;
            MotifElemShow(&lay->itemCursor, x, y, -1);
        }
        MotifTextDraw(f, x, y, itemTexts[m->kind[i]]);
        if (m->kind[i] != CHARSEL_ITEM_TURNS)
            continue;
        for (int v = 1; v <= m->valueMax[i]; v++)
            MotifElemShow(v <= m->value[i] ? &lay->valueIcon : &lay->valueEmptyIcon,
                          x + (v - 1) * lay->valueSpacingX, y + (v - 1) * lay->valueSpacingY, -1);
    }
}

void CharSelDraw(const CharSel *cs)
{
    SelectInfo *si = Info();
    if (!si || !si->cells || !vbufTarget.pixels)
        return;
    int level = cs->tick < si->fadeInTime ? cs->tick * 256 / si->fadeInTime : 256;
    if (cs->fadeOut > 0)
        level = MaxInt(si->fadeOutTime - cs->fadeOut, 0) * 256 / si->fadeOutTime;
    PalFxGlobalMulSet(level, level, level);
    PalFxGlobalCommit();
    VbufClear(0);
    if (BGDef *bg = gv->motif->bg[MOTIF_BG_SELECT]) {
        BGSetCamera(bg, 0.0f, 0.0f);
        BGDrawAll(bg);
    }
    GridDraw(cs, si);
    for (int s = 0; s < 2; s++) {
        int c = FaceChar(cs, si, s);
        const SelectCell *cell = SelectCellOfChar(si, c);
        if (!cell)
            continue;
        float sx = si->faceScaleX[s] * (si->faceFacing[s] < 0 ? -1.0f : 1.0f);
        PortraitDraw(cell->portraits, 1, (float)si->faceOffsetX[s], (float)si->faceOffsetY[s], sx,
                     si->faceScaleY[s]);
        MotifTextDraw(&si->nameFont[s], si->nameOffsetX[s], si->nameOffsetY[s], gv->charList[c].displayName);
    }
    MotifTextDraw(&si->titleFont, si->titleOffsetX, si->titleOffsetY, modeTitles[cs->mode]);
    for (int l = 0; l < 2; l++)
        MenuDraw(cs, si, l);
    if (cs->stageState > 0) {
        char line[SELECT_STAGE_NAME_LEN + 32];
        if (cs->stageIndex < 0 || cs->stageIndex >= gv->stageCount)
            snprintf(line, sizeof line, "Stage: Random");
        else
            snprintf(line, sizeof line, "Stage %i: %s", cs->stageIndex + 1, gv->stageList[cs->stageIndex].name);
        const MotifFont *f = cs->stageState == 2 ? &si->stageDoneFont
                             : (cs->tick / 2) & 1 ? &si->stageActive2Font
                                                  : &si->stageActiveFont;
        MotifTextDraw(f, si->stagePosX, si->stagePosY, line);
    }
}

// ---------------------------------------------------------------- the screen

void CharSelFrameStart()
{
    MenuFrameBegin();
    BGMUpdate(&gv->menuBgm);
}

void CharSelFrameEnd(BGDef *bg, void (*draw)(const void *screen), const void *screen)
{
    BGTick(bg);
    int drawn = !disp.skipFrame && disp.gameBuf;
    if (drawn) {
        VbufTargetSet(disp.gameBuf, 0);
        draw(screen);
    }
    MenuFramePresent(drawn);
}

static void ScreenDraw(const void *cs)
{
    CharSelDraw((const CharSel *)cs);
}

// One frame of the screen: its tick's result, or with tick off (the closing
// fade, once both sides are done) the frame's services alone.
static int Frame(CharSel *cs, BGDef *bg, bool tick)
{
    CharSelFrameStart();
    int r = tick ? CharSelTick(cs) : CHARSEL_DONE;
    CharSelFrameEnd(bg, ScreenDraw, cs);
    ExplodListUpdate(gv->sysExplods);
    return r;
}

int CharSelRun(int mode, int side)
{
    CharSel cs;
    CharSelBegin(&cs, mode, side);
    TimerSpeedSet(60);
    MenuInputFlush();
    BGDef *bg = gv->motif ? gv->motif->bg[MOTIF_BG_SELECT] : nullptr;
    BGReset(bg);
    ExplodListClear(gv->sysExplods);
    DispFrameSkipReset();
    if (gv->motif)
        MotifMusicPlay(&gv->motif->selectBgm);
    int r;
    do
        r = Frame(&cs, bg, true);
    while (r == CHARSEL_GOING);
    for (SelectInfo *si = Info(); r == CHARSEL_DONE && si && cs.fadeOut < si->fadeOutTime;) {
        cs.fadeOut++;
        Frame(&cs, bg, false);
    }
    PalFxGlobalReset();
    DispFrameSkipReset();
    ExplodListClear(gv->sysExplods);
    return CharSelEnd(&cs, r);
}
