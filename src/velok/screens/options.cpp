// The options screen with its input and team pages, and the key and pad-button configuration.
#include "velok/screens/options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"
#include "velok/screens/menus.h"

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static const int white = Rgb(31, 63, 31);
static const int grey = Rgb(16, 32, 16);

// ---------------------------------------------------------------- values

static const int timeSteps[] = {20, 40, 60, 80, 99, -1};

struct JoyTypeName {
    int type;
    const char *text;
};
static const JoyTypeName joyTypes[] = {
    {0, "Disabled"}, {1, "Auto"},    {2, "4 button"}, {3, "6 button"}, {4, "8 button"},
    {5, "Sidewinder"}, {6, "SNESKey"}, {7, "PSX Pad"}, {8, "N64 Pad"},
};
static const int joyTypeCount = (int)(sizeof joyTypes / sizeof joyTypes[0]);

// Any other type in use auto-detects on this platform: it is shown, and
// stepped from, as "Auto".
static int JoyTypeIndex(int type)
{
    for (int i = 0; i < joyTypeCount; i++)
        if (joyTypes[i].type == type)
            return i;
    return 1;
}

static int TimeStep(int value, int dir)
{
    // No limit (-1) lies past 99.
    auto rank = [](int v) { return v == -1 ? 1000 : v; };
    int v = rank(value);
    if (dir > 0) {
        for (int s : timeSteps)
            if (rank(s) > v)
                return s;
    } else {
        for (int i = (int)(sizeof timeSteps / sizeof timeSteps[0]) - 1; i >= 0; i--)
            if (rank(timeSteps[i]) < v)
                return timeSteps[i];
    }
    return value;
}

int OptionValueStep(int kind, int value, int dir)
{
    dir = dir < 0 ? -1 : 1;
    switch (kind) {
    case OPTV_DIFFICULTY:
        return std::clamp(value + dir, 1, 8);
    case OPTV_LIFE:
        return std::clamp(value + 10 * dir, 30, 300);
    case OPTV_TIME:
        return TimeStep(value, dir);
    case OPTV_SPEED:
        return std::clamp(value + dir, -9, 9);
    case OPTV_VOLUME:
        return std::clamp(value + 10 * dir, 0, 100);
    case OPTV_TEAM_LIFE:
        return std::clamp(value + 10 * dir, 100, 300);
    case OPTV_TEAM_KO:
    case OPTV_LOAD_SAVE:
        return std::clamp(value + dir, 0, 1);
    case OPTV_JOY_TYPE:
        return joyTypes[std::clamp(JoyTypeIndex(value) + dir, 0, joyTypeCount - 1)].type;
    }
    return value;
}

void OptionValueText(int kind, int value, char *out, int outSize)
{
    size_t n = (size_t)outSize;
    switch (kind) {
    case OPTV_DIFFICULTY:
        snprintf(out, n, "%s %i", value <= 2 ? "Easy" : value <= 5 ? "Medium" : "Hard", value);
        return;
    case OPTV_LIFE:
    case OPTV_TEAM_LIFE:
        snprintf(out, n, "%i%%", value);
        return;
    case OPTV_TIME:
        if (value == -1)
            StrCopy(out, n, "None");
        else
            snprintf(out, n, "%i", value);
        return;
    case OPTV_SPEED:
        if (value == 0)
            StrCopy(out, n, "Normal");
        else
            snprintf(out, n, "%s %i", value < 0 ? "Slow" : "Fast", abs(value));
        return;
    case OPTV_VOLUME:
        if (value <= 0)
            StrCopy(out, n, "Off");
        else if (value >= 100)
            StrCopy(out, n, "Max");
        else
            snprintf(out, n, "%i", value);
        return;
    case OPTV_TEAM_KO:
        StrCopy(out, n, value ? "AI keeps fighting" : "Team loses");
        return;
    case OPTV_JOY_TYPE:
        StrCopy(out, n, joyTypes[JoyTypeIndex(value)].text);
        return;
    case OPTV_LOAD_SAVE:
        StrCopy(out, n, value ? "Save" : "Load");
        return;
    }
    StrCopy(out, n, "");
}

// ---------------------------------------------------------------- drawing

static void Text(const char *text, int x, int y, int align, int colour)
{
    const Font *font = gv->sysFont[0];
    if (font)
        FontDrawText(text, font, x, y, align, colour, FONT_NO_BANK);
}

static void Heading(const char *text, int y)
{
    const Font *font = gv->sysFont[1] ? gv->sysFont[1] : gv->sysFont[0];
    if (!font)
        return;
    FontDrawTextC(text, font, 160, y + 1, 0);
    FontDrawTextC(text, font, 159, y, white);
}

static void Row(const char *label, const char *value, const char *hint, int y, bool current)
{
    int colour = current ? white : grey;
    Text(label, 60, y, 1, colour);
    if (value)
        Text(value, 260, y, -1, colour);
    else if (hint)
        Text(hint, 260, y, -1, grey);
}

static void BackgroundStep(int drawn)
{
    BGDef *bg = menuMotif.optionBg;
    if (bg) {
        BGTick(bg);
        BGSetCamera(bg, 0.0f, 0.0f);
    }
    if (!drawn)
        return;
    VbufClear(0);
    PalFxGlobalReset();
    PalFxGlobalCommit();
    if (bg)
        BGDrawAll(bg);
}

// The end of an options page's frame: the background moves on and, unless
// the frame is skipped, the page is drawn over it and presented.
static void PageFrameEnd(void (*draw)())
{
    int drawn = !disp.skipFrame && vbufTarget.pixels;
    BackgroundStep(drawn);
    if (drawn)
        draw();
    MenuFramePresent(drawn);
}

// ---------------------------------------------------------------- options screen

static const char *const mainLabels[OPT_MAIN_ROWS] = {
    "Difficulty",       "Life",           "Time Limit", "Game Speed",
    "Wav Volume",       "Midi Volume",    "Input Config", "Team Mode Config",
    "Default Values",   "Load/Save",      "Return to Main Menu",
};
static const char *const inputLabels[OPT_IN_PER_PLAYER] = {"Key Config", "Joystick Type", "Joystick Config",
                                                           "Default Values"};
static const char *const teamLabels[OPT_TEAM_ROWS] = {"1P VS Team Advantage", "If player KOed", "Default Values",
                                                      "Return to Options"};

static struct {
    int page;
    int row[3];
    int loadSave;  // 0 "Load", 1 "Save"
    const char *message;
    int messageTime;
    int done;
} opt;

// The option a row of the main page changes, with its kind; null for the
// other rows.
static int *MainValue(int row, int *kind)
{
    SysOptions *o = &gv->options;
    switch (row) {
    case OPT_DIFFICULTY:
        *kind = OPTV_DIFFICULTY;
        return &o->difficulty;
    case OPT_LIFE:
        *kind = OPTV_LIFE;
        return &o->life;
    case OPT_TIME:
        *kind = OPTV_TIME;
        return &o->time;
    case OPT_SPEED:
        *kind = OPTV_SPEED;
        return &o->gameSpeed;
    case OPT_WAV:
        *kind = OPTV_VOLUME;
        return &o->wavVolume;
    case OPT_MIDI:
        *kind = OPTV_VOLUME;
        return &o->midiVolume;
    case OPT_LOAD_SAVE:
        *kind = OPTV_LOAD_SAVE;
        return &opt.loadSave;
    }
    return nullptr;
}

static int *TeamValue(int row, int *kind)
{
    SysOptions *o = &gv->options;
    if (row == OPT_TEAM_LIFE) {
        *kind = OPTV_TEAM_LIFE;
        return &o->team1Vs2Life;
    }
    if (row == OPT_TEAM_KO) {
        *kind = OPTV_TEAM_KO;
        return &o->teamLoseOnKO;
    }
    return nullptr;
}

static int *InputValue(int row, int *kind)
{
    if (row < OPT_IN_RETURN && row % OPT_IN_PER_PLAYER == OPT_IN_JOY_TYPE) {
        *kind = OPTV_JOY_TYPE;
        return &gv->cfg.input.joyType[row / OPT_IN_PER_PLAYER];
    }
    return nullptr;
}

static int RowCount(int page)
{
    if (page == OPT_PAGE_MAIN)
        return OPT_MAIN_ROWS;
    return page == OPT_PAGE_INPUT ? (int)OPT_INPUT_ROWS : (int)OPT_TEAM_ROWS;
}

static int *PageValue(int page, int row, int *kind)
{
    return page == OPT_PAGE_MAIN ? MainValue(row, kind) : page == OPT_PAGE_INPUT ? InputValue(row, kind)
                                                                                   : TeamValue(row, kind);
}

static void Message(const char *text)
{
    opt.message = text;
    opt.messageTime = OPTION_MESSAGE_FRAMES;
}

// The pads and the key remapping take what the input page changed.
static void InputSetUp()
{
    LogWrite("Setting up input\n");
    CfgInput &in = gv->cfg.input;
    for (int p = 0; p < 2; p++)
        in.useJoystick[p] = in.joyType[p] != 0;
    InitPadsReinit();
    if (!InitKeysRemap())
        FatalExitf("Cannot init input");
}

static void PageOpen(int page)
{
    if (opt.page == OPT_PAGE_INPUT && page != OPT_PAGE_INPUT)
        InputSetUp();
    opt.page = page;
}

static void KeyPageRun(int kind, int row)
{
    LogWrite(kind == KEYCONFIG_PAGE_KEYS ? "Config keys menu\n" : "Config pads menu\n");
    opt.row[OPT_PAGE_INPUT] = MenuKeyConfig(kind, row);
    LogWrite(kind == KEYCONFIG_PAGE_KEYS ? "Return from config keys menu\n" : "Return from config pads menu\n");
}

static void PlayerDefaults(int p)
{
    InitKeysConfigDefault(p);
    KeyConfigPadDefaults(p);
    gv->cfg.input.joyType[p] = 0;
    gv->cfg.input.useJoystick[p] = 0;
}

static void Confirm()
{
    int row = opt.row[opt.page];
    MenuSoundPlay(menuMotif.optionDoneSnd);
    if (opt.page == OPT_PAGE_MAIN) {
        switch (row) {
        case OPT_INPUT:
            PageOpen(OPT_PAGE_INPUT);
            break;
        case OPT_TEAM:
            PageOpen(OPT_PAGE_TEAM);
            break;
        case OPT_DEFAULTS:
            SysOptionsDefault();
            break;
        case OPT_LOAD_SAVE:
            if (opt.loadSave) {
                SysOptionsSave();
                Message("Options Saved");
            } else {
                SysOptionsLoad();
                Message("Options Loaded");
            }
            break;
        case OPT_RETURN:
            opt.done = 1;
            break;
        }
    } else if (opt.page == OPT_PAGE_TEAM) {
        if (row == OPT_TEAM_DEFAULTS) {
            gv->options.team1Vs2Life = OPTION_TEAM_LIFE_DEFAULT;
            gv->options.teamLoseOnKO = 0;
        } else if (row == OPT_TEAM_RETURN) {
            PageOpen(OPT_PAGE_MAIN);
        }
    } else if (row == OPT_IN_RETURN) {
        PageOpen(OPT_PAGE_MAIN);
    } else {
        int p = row / OPT_IN_PER_PLAYER;
        switch (row % OPT_IN_PER_PLAYER) {
        case OPT_IN_KEYS:
            KeyPageRun(KEYCONFIG_PAGE_KEYS, row);
            break;
        case OPT_IN_JOY_CONFIG:
            KeyPageRun(KEYCONFIG_PAGE_PADS, row);
            break;
        case OPT_IN_DEFAULTS:
            PlayerDefaults(p);
            break;
        }
    }
}

static void Escape()
{
    MenuSoundPlay(menuMotif.optionCancelSnd);
    if (opt.page == OPT_PAGE_MAIN)
        opt.done = 1;
    else
        PageOpen(OPT_PAGE_MAIN);
}

static void OptionsInput(const MenuInput &in)
{
    if (in.key == MENU_KEY_ESCAPE) {
        Escape();
        return;
    }
    if (opt.page == OPT_PAGE_INPUT && (in.key == MENU_KEY_F1 || in.key == MENU_KEY_F2)) {
        int row = in.key == MENU_KEY_F1 ? OPT_IN_KEYS : OPT_IN_PER_PLAYER + OPT_IN_KEYS;
        opt.row[OPT_PAGE_INPUT] = row;
        KeyPageRun(KEYCONFIG_PAGE_KEYS, row);
        return;
    }
    if (opt.page == OPT_PAGE_TEAM && in.key == MENU_KEY_F1) {
        opt.row[OPT_PAGE_TEAM] = OPT_TEAM_DEFAULTS;
        Confirm();
        return;
    }
    int &row = opt.row[opt.page];
    int rows = RowCount(opt.page);
    if (in.bits & (MENU_BIT_UP | MENU_BIT_DOWN)) {
        row = (row + ((in.bits & MENU_BIT_UP) ? rows - 1 : 1)) % rows;
        MenuSoundPlay(menuMotif.optionMoveSnd);
    } else if (in.bits & (MENU_BIT_LEFT | MENU_BIT_RIGHT)) {
        int kind;
        int *value = PageValue(opt.page, row, &kind);
        if (value) {
            int next = OptionValueStep(kind, *value, (in.bits & MENU_BIT_LEFT) ? -1 : 1);
            if (next != *value)
                MenuSoundPlay(menuMotif.optionMoveSnd);
            *value = next;
        }
    } else if (in.bits & MENU_BITS_BUTTONS) {
        Confirm();
    }
}

// Row places. The saved and loaded message shows on its own lines at
// (159, 118), so the pages leave the band around it free: the main page puts
// its values above it and the rows that open pages or act below; the input
// page puts player 1 above it and player 2 below.
enum {
    OPT_MAIN_Y = 40,
    OPT_MAIN_LOWER_Y = 132,
    OPT_ROW_STEP = 12,
    OPT_TEAM_Y = 60,
    OPT_TEAM_STEP = 14,
    OPT_INPUT_P1_Y = 40,
    OPT_INPUT_P2_Y = 132,
    OPT_INPUT_RETURN_Y = 204,
};

static void OptionsDraw()
{
    int current = opt.row[opt.page];
    char value[OPTION_TEXT_LEN];
    int kind;
    if (opt.page == OPT_PAGE_MAIN) {
        Heading("OPTIONS", 24);
        for (int r = 0; r < OPT_MAIN_ROWS; r++) {
            int *v = MainValue(r, &kind);
            if (v)
                OptionValueText(kind, *v, value, sizeof value);
            int y = r < OPT_INPUT ? OPT_MAIN_Y + r * OPT_ROW_STEP : OPT_MAIN_LOWER_Y + (r - OPT_INPUT) * OPT_ROW_STEP;
            Row(mainLabels[r], v ? value : nullptr, nullptr, y, r == current);
        }
    } else if (opt.page == OPT_PAGE_TEAM) {
        Heading("TEAM MODE CONFIG", 24);
        for (int r = 0; r < OPT_TEAM_ROWS; r++) {
            int *v = TeamValue(r, &kind);
            if (v)
                OptionValueText(kind, *v, value, sizeof value);
            const char *hint = r == OPT_TEAM_DEFAULTS ? "(F1)" : r == OPT_TEAM_RETURN ? "(Esc)" : nullptr;
            Row(teamLabels[r], v ? value : nullptr, hint, OPT_TEAM_Y + r * OPT_TEAM_STEP, r == current);
        }
    } else {
        Heading("INPUT CONFIG", 24);
        for (int p = 0; p < 2; p++) {
            int y = p ? OPT_INPUT_P2_Y : OPT_INPUT_P1_Y;
            Text(p ? "PLAYER 2" : "PLAYER 1", 160, y, 0, white);
            for (int k = 0; k < OPT_IN_PER_PLAYER; k++) {
                int r = p * OPT_IN_PER_PLAYER + k;
                int *v = InputValue(r, &kind);
                if (v)
                    OptionValueText(kind, *v, value, sizeof value);
                const char *hint = k == OPT_IN_KEYS ? (p ? "(F2)" : "(F1)") : nullptr;
                Row(inputLabels[k], v ? value : nullptr, hint, y + (k + 1) * OPT_ROW_STEP, r == current);
            }
        }
        Row("Return to Options", nullptr, "(Esc)", OPT_INPUT_RETURN_Y, current == OPT_IN_RETURN);
    }
    if (opt.message && opt.messageTime > 0) {
        const Font *font = gv->sysFont[1] ? gv->sysFont[1] : gv->sysFont[0];
        if (font)
            FontDrawTextC(opt.message, font, 159, 118, white);
    }
}

void MenuOptionsEnter()
{
    if (disp.gameBuf)
        VbufTargetSet(disp.gameBuf, 0);
    if (vbufTarget.pixels)
        VbufClear(0);
    if (menuMotif.optionBg)
        BGReset(menuMotif.optionBg);
    opt = {};
    opt.loadSave = 1;
    MenuInputFlush();
}

int MenuOptionsFrame()
{
    MenuInput in;
    MenuFrameRead(&in);
    if (opt.messageTime > 0)
        opt.messageTime--;
    OptionsInput(in);
    if (opt.done)
        return 0;
    PageFrameEnd(OptionsDraw);
    return 1;
}

void MenuOptionsLeave()
{
    if (opt.page == OPT_PAGE_INPUT)
        InputSetUp();
    DispFrameSkipReset();
}

void MenuOptions()
{
    MenuOptionsEnter();
    while (MenuOptionsFrame()) {
    }
    MenuOptionsLeave();
}

int MenuOptionsPage()
{
    return opt.page;
}

int MenuOptionsRow()
{
    return opt.row[opt.page];
}

int MenuOptionsLoadSave()
{
    return opt.loadSave;
}

const char *MenuOptionsMessage()
{
    return opt.messageTime > 0 ? opt.message : nullptr;
}

// ---------------------------------------------------------------- key configuration

static const char *const keyRowLabels[KC_ROWS] = {"Config all", "Up", "Down", "Left", "Right", "A",      "B",
                                                  "C",          "X",  "Y",    "Z",    "Start", "Default", "Exit"};
// Slots of the key record by row: Jump 1, Right 2, Crouch 3, Left 4, a to start 5 to 11.
static const int rowSlots[KC_ROWS] = {0, 1, 3, 4, 2, 5, 6, 7, 8, 9, 10, 11, 0, 0};

int KeyConfigRowSlot(int row)
{
    return row >= 0 && row < KC_ROWS ? rowSlots[row] : 0;
}

void KeyConfigCodeText(int kind, int code, char *out, int outSize)
{
    size_t n = (size_t)outSize;
    if (kind == KEYCONFIG_PAGE_PADS) {
        // Input 0 is no input of any stick; 128 marks an empty slot.
        if (code <= 0 || code >= SYSKEYS_PAD_NONE)
            StrCopy(out, n, "Not used");
        else
            snprintf(out, n, "%c-%02i", 'A' + code / 32, code % 32);
        return;
    }
    if (code <= 0 || code >= SYSKEYS_KEY_NONE) {
        StrCopy(out, n, "Not used");
        return;
    }
    const char *name = KbllKeyName(code);
    if (name[0])
        StrCopy(out, n, name);
    else
        snprintf(out, n, "Key %i", code);
}

void KeyConfigPadDefaults(int player)
{
    if (player < 0 || player > 1)
        return;
    KeyConfig &pad = gv->cfg.input.joyKeys[player];
    for (int &k : pad.key)
        k = 0;
    pad.key[1] = 1;  // Jump: up
    pad.key[2] = 4;  // Right
    pad.key[3] = 2;  // Crouch: down
    pad.key[4] = 3;  // Left
    SysKeysFill(&pad, SYSKEYS_PAD_NONE);
}

static struct {
    int kind;
    int player;
    int row;
    int waiting;  // the row waits for its key
    int all;      // "Config all": the key rows follow one another
    int done;
} kc;

static KeyConfig *Record(int player)
{
    CfgInput &in = gv->cfg.input;
    return kc.kind == KEYCONFIG_PAGE_PADS ? &in.joyKeys[player] : &in.keys[player];
}

static void WaitFor(int player, int row, int all)
{
    kc.player = player;
    kc.row = row;
    kc.waiting = 1;
    kc.all = all;
}

// The waiting row takes the code; "Config all" goes on to the next row.
static void Assign(int code)
{
    Record(kc.player)->key[KeyConfigRowSlot(kc.row)] = code;
    MenuSoundPlay(menuMotif.optionMoveSnd);
    if (kc.all && kc.row < KC_ROW_DEFAULT - 1) {
        kc.row++;
        return;
    }
    if (kc.all)
        kc.row = KC_ROW_ALL;
    kc.waiting = 0;
    kc.all = 0;
}

static void Restore(int player)
{
    if (kc.kind == KEYCONFIG_PAGE_PADS)
        KeyConfigPadDefaults(player);
    else
        InitKeysConfigDefault(player);
    MenuSoundPlay(menuMotif.optionDoneSnd);
}

static void KeyWaitInput(const MenuInput &in)
{
    if (in.key == MENU_KEY_ESCAPE) {
        if (kc.all)
            kc.row = KC_ROW_ALL;
        kc.waiting = 0;
        kc.all = 0;
        MenuSoundPlay(menuMotif.optionCancelSnd);
    } else if (in.key == MENU_KEY_SPACE) {
        Assign(kc.kind == KEYCONFIG_PAGE_PADS ? SYSKEYS_PAD_NONE : SYSKEYS_KEY_NONE);
    } else if (kc.kind == KEYCONFIG_PAGE_KEYS && in.key && !(in.key & KBLL_RELEASE)) {
        Assign(in.key);
    } else if (kc.kind == KEYCONFIG_PAGE_PADS && in.pad && !(in.pad & JOY_EVENT_OFF)) {
        Assign(in.pad);
    }
}

static void KeyPageInput(const MenuInput &in)
{
    switch (in.key) {
    case MENU_KEY_F1:
    case MENU_KEY_F2:
        WaitFor(in.key == MENU_KEY_F1 ? 0 : 1, KC_ROW_FIRST_KEY, 1);
        return;
    case MENU_KEY_F3:
    case MENU_KEY_F4:
        kc.player = in.key == MENU_KEY_F3 ? 0 : 1;
        kc.row = KC_ROW_DEFAULT;
        Restore(kc.player);
        return;
    case MENU_KEY_ESCAPE:
        kc.row = KC_ROW_EXIT;
        kc.done = 1;
        MenuSoundPlay(menuMotif.optionCancelSnd);
        return;
    }
    if (in.bits & (MENU_BIT_UP | MENU_BIT_DOWN)) {
        kc.row = (kc.row + ((in.bits & MENU_BIT_UP) ? KC_ROWS - 1 : 1)) % KC_ROWS;
        MenuSoundPlay(menuMotif.optionMoveSnd);
    } else if (in.bits & (MENU_BIT_LEFT | MENU_BIT_RIGHT)) {
        kc.player = 1 - kc.player;
        MenuSoundPlay(menuMotif.optionMoveSnd);
    } else if (in.bits & MENU_BITS_BUTTONS) {
        if (kc.row == KC_ROW_ALL)
            WaitFor(kc.player, KC_ROW_FIRST_KEY, 1);
        else if (kc.row == KC_ROW_DEFAULT)
            Restore(kc.player);
        else if (kc.row == KC_ROW_EXIT)
            kc.done = 1;
        else
            WaitFor(kc.player, kc.row, 0);
        if (kc.waiting || kc.done)
            MenuSoundPlay(menuMotif.optionDoneSnd);
    }
}

static void KeyPageDraw()
{
    Heading(kc.kind == KEYCONFIG_PAGE_PADS ? "JOYSTICK CONFIG" : "KEY CONFIG", 20);
    static const char *const hints[2][KC_ROWS] = {
        {"(F1)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
         "(F3)", "(Esc)"},
        {"(F2)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
         "(F4)", "(Esc)"},
    };
    for (int p = 0; p < 2; p++) {
        int left = p ? 168 : 12, right = p ? 308 : 152;
        Text(p ? "PLAYER 2" : "PLAYER 1", (left + right) / 2, 36, 0, white);
        for (int r = 0; r < KC_ROWS; r++) {
            int y = 50 + r * 11;
            bool current = p == kc.player && r == kc.row;
            int colour = current ? white : grey;
            Text(keyRowLabels[r], left, y, 1, colour);
            int slot = KeyConfigRowSlot(r);
            if (slot) {
                char value[OPTION_TEXT_LEN];
                if (kc.waiting && current)
                    StrCopy(value, sizeof value, "...");
                else
                    KeyConfigCodeText(kc.kind, Record(p)->key[slot], value, sizeof value);
                Text(value, right, y, -1, colour);
            } else if (hints[p][r]) {
                Text(hints[p][r], right, y, -1, grey);
            }
        }
    }
    if (kc.waiting) {
        Text("Press a key to assign to entry", 160, 210, 0, white);
        Text("Press spacebar to disable entry", 160, 220, 0, white);
        Text("Press esc to cancel", 160, 230, 0, white);
    }
}

void MenuKeyConfigEnter(int kind, int entry)
{
    kc = {};
    kc.kind = kind == KEYCONFIG_PAGE_PADS ? KEYCONFIG_PAGE_PADS : KEYCONFIG_PAGE_KEYS;
    kc.player = entry >= OPT_IN_PER_PLAYER && entry < OPT_IN_RETURN ? 1 : 0;
    kc.row = KC_ROW_ALL;
    MenuInputFlush();
}

int MenuKeyConfigFrame()
{
    MenuInput in;
    if (!MenuFrameRead(&in)) {
        if (kc.waiting)
            KeyWaitInput(in);
        else
            KeyPageInput(in);
    }
    if (kc.done)
        return 0;
    PageFrameEnd(KeyPageDraw);
    return 1;
}

int MenuKeyConfigLeave()
{
    MenuInputFlush();
    return kc.player * OPT_IN_PER_PLAYER + (kc.kind == KEYCONFIG_PAGE_PADS ? OPT_IN_JOY_CONFIG : OPT_IN_KEYS);
}

int MenuKeyConfig(int kind, int entry)
{
    MenuKeyConfigEnter(kind, entry);
    while (MenuKeyConfigFrame()) {
    }
    return MenuKeyConfigLeave();
}

int MenuKeyConfigPlayer()
{
    return kc.player;
}

int MenuKeyConfigRow()
{
    return kc.row;
}

int MenuKeyConfigWaiting()
{
    return kc.waiting;
}
