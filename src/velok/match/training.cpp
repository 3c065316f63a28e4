// The training menu over a paused training match: how the dummy player is driven, changed as the player picks.
#include "velok/match/training.h"

#include <cstdio>

#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/vbuf.h"
#include "velok/core/gamevars.h"
#include "velok/player/keybuf.h"
#include "velok/player/player.h"

enum {
    KEY_ESCAPE = 1,
    BIT_UP = 1 << (KEYBUF_UP - 1),
    BIT_RIGHT = 1 << (KEYBUF_FWD - 1),  // the key configuration's second entry
    BIT_DOWN = 1 << (KEYBUF_DOWN - 1),
    BIT_LEFT = 1 << (KEYBUF_BACK - 1),
    BIT_START = 1 << (KEYBUF_START - 1),
    BITS_BUTTONS = 0x7F0,  // a, b, c, x, y, z and start

    // Layout
    BOX_X1 = 64,
    BOX_X2 = 256,
    BOX_Y1 = 28,
    ROW_Y = 62,
    ROW_STEP = 12,
    LABEL_X = 76,
    VALUE_X = 244,
};

static inline int Rgb(int r, int g, int b)
{
    return r << 11 | g << 5 | b;
}

static const char *const entryNames[] = {"Dummy control", "Guard mode", "Dummy mode", "Distance", "Button jam", "AI Level"};
static const char *const controlTexts[] = {"Cooperative", "AI", "Manual"};
static const char *const guardTexts[] = {"None", "Auto"};
static const char *const stanceTexts[] = {"Stand", "Crouch", "Jump", "W Jump"};
static const char *const distanceTexts[] = {"Any", "Close", "Medium", "Far"};
static const char *const buttonTexts[] = {"None", "A", "B", "C", "X", "Y", "Z", "Start"};

int TrainingEntries(int control, int *entries)
{
    int n = 0;
    entries[n++] = TRAINING_ENTRY_CONTROL;
    if (control == TRAINING_COOPERATIVE) {
        entries[n++] = TRAINING_ENTRY_GUARD;
        entries[n++] = TRAINING_ENTRY_STANCE;
        entries[n++] = TRAINING_ENTRY_DISTANCE;
        entries[n++] = TRAINING_ENTRY_BUTTON;
    } else if (control == TRAINING_AI) {
        entries[n++] = TRAINING_ENTRY_LEVEL;
    }
    return n;
}

int TrainingValueCount(int entry)
{
    switch (entry) {
    case TRAINING_ENTRY_CONTROL:
        return 3;
    case TRAINING_ENTRY_GUARD:
        return 2;
    case TRAINING_ENTRY_STANCE:
    case TRAINING_ENTRY_DISTANCE:
        return 4;
    case TRAINING_ENTRY_BUTTON:
        return 8;
    case TRAINING_ENTRY_LEVEL:
        return TRAINING_AI_LEVELS;
    }
    return 1;
}

const char *TrainingEntryName(int entry)
{
    return entry >= 0 && entry <= TRAINING_ENTRY_LEVEL ? entryNames[entry] : "";
}

void TrainingValueText(int entry, int value, char *out, int outSize)
{
    const char *text = "";
    int count = TrainingValueCount(entry);
    if (value < 0 || value >= count) {
        StrCopy(out, (size_t)outSize, "");
        return;
    }
    switch (entry) {
    case TRAINING_ENTRY_CONTROL:
        text = controlTexts[value];
        break;
    case TRAINING_ENTRY_GUARD:
        text = guardTexts[value];
        break;
    case TRAINING_ENTRY_STANCE:
        text = stanceTexts[value];
        break;
    case TRAINING_ENTRY_DISTANCE:
        text = distanceTexts[value];
        break;
    case TRAINING_ENTRY_BUTTON:
        text = buttonTexts[value];
        break;
    case TRAINING_ENTRY_LEVEL:
        snprintf(out, (size_t)outSize, "%i", value + 1);
        return;
    }
    StrCopy(out, (size_t)outSize, text);
}

void TrainingDistance(int value, int *approach, int *retreat)
{
    static const int table[4][2] = {{0, 0}, {50, 0}, {150, 100}, {0, 280}};
    if (value < 0 || value > 3)
        value = 0;
    *approach = table[value][0];
    *retreat = table[value][1];
}

int TrainingDummySlot()
{
    return gv->choosingPlayer == 1 ? 1 : 2;
}

static int *ValueOf(TrainingMenuVars *t, int entry)
{
    switch (entry) {
    case TRAINING_ENTRY_CONTROL:
        return &t->control;
    case TRAINING_ENTRY_GUARD:
        return &t->guard;
    case TRAINING_ENTRY_STANCE:
        return &t->stance;
    case TRAINING_ENTRY_DISTANCE:
        return &t->distance;
    case TRAINING_ENTRY_BUTTON:
        return &t->button;
    default:
        return &t->level;
    }
}

static int ValueGet(const TrainingMenuVars *t, int entry)
{
    const int values[] = {t->control, t->guard, t->stance, t->distance, t->button, t->level};
    return entry >= 0 && entry <= TRAINING_ENTRY_LEVEL ? values[entry] : 0;
}

static int CurrentEntry(const TrainingMenuVars *t)
{
    int entries[TRAINING_ENTRIES_MAX];
    int n = TrainingEntries(t->control, entries);
    return entries[t->entry >= 0 && t->entry < n ? t->entry : 0];
}

// Gives the dummy the entry's value at once, then lets go of every button it
// holds so that nothing stays pressed from before.
static void DummyApply(int entry)
{
    Player *dummy = PlayerSlotGet(TrainingDummySlot());
    if (!dummy)
        return;
    const TrainingMenuVars *t = &gv->training;
    AIPlayer *ai = &dummy->ai;
    dummy->aiControlled = t->control != TRAINING_MANUAL;
    ai->dummy = t->control == TRAINING_COOPERATIVE;
    if (t->control == TRAINING_COOPERATIVE) {
        ai->dummyGuard = t->guard;
        ai->dummyStance = t->stance;
        TrainingDistance(t->distance, &ai->dummyApproach, &ai->dummyRetreat);
        ai->dummyButton = t->button;
    } else if (t->control == TRAINING_AI && entry == TRAINING_ENTRY_LEVEL) {
        AIPlayerLevelSet(dummy, t->level + 1);
    }
    for (int b = 1; b <= KEYBUF_BUTTONS; b++)
        if (dummy->keyBuf.held[b])
            KeyBufPush(&dummy->keyBuf, b | KEYBUF_RELEASE);
}

int MenuTrainingInput(int inputCode)
{
    if (!gv || !gv->paused || gv->matchKind != MATCH_KIND_TRAINING)
        return 0;
    if (inputCode & INPUT_RELEASE)
        return 0;
    TrainingMenuVars *t = &gv->training;
    int index = -1;
    int bits = KeyConfigFind(gv->playKeys, 2, inputCode, &index);
    if ((bits & BIT_START) && index == gv->choosingPlayer) {
        t->open = !t->open;
        return 1;
    }
    if (!t->open)
        return 0;
    if (inputCode == KEY_ESCAPE)
        return 1;
    int entries[TRAINING_ENTRIES_MAX];
    int n = TrainingEntries(t->control, entries);
    if (t->entry < 0 || t->entry >= n)
        t->entry = 0;
    if (bits & (BIT_UP | BIT_DOWN)) {
        t->entry = (t->entry + ((bits & BIT_UP) ? n - 1 : 1)) % n;
        return 1;
    }
    if (bits & (BIT_LEFT | BIT_RIGHT)) {
        int entry = CurrentEntry(t);
        int count = TrainingValueCount(entry);
        int *v = ValueOf(t, entry);
        *v = ((*v + ((bits & BIT_LEFT) ? count - 1 : 1)) % count + count) % count;
        DummyApply(entry);
        return 1;
    }
    return (bits & BITS_BUTTONS) ? 1 : 0;
}

void MenuTrainingReset()
{
    TrainingMenuVars *t = &gv->training;
    *t = TrainingMenuVars{};
    t->open = gv->matchKind == MATCH_KIND_TRAINING;
}

void MenuTrainingDraw()
{
    const TrainingMenuVars *t = &gv->training;
    int entries[TRAINING_ENTRIES_MAX];
    int n = TrainingEntries(t->control, entries);
    int y2 = ROW_Y + (n - 1) * ROW_STEP + 8;
    VbufRect(BOX_X1 - 2, BOX_Y1 - 2, BOX_X2 + 2, y2 + 2, Rgb(16, 20, 10));
    VbufRect(BOX_X1 - 1, BOX_Y1 - 1, BOX_X2 + 1, y2 + 1, Rgb(30, 48, 24));
    // The inside darkens the stage nearly to black, whatever its brightness,
    // so that the grey items read over it; a faint blue keeps it a box.
    VbufRectFillSub(BOX_X1, BOX_Y1, BOX_X2, y2, Rgb(28, 56, 28));
    VbufRectFillAdd(BOX_X1, BOX_Y1, BOX_X2, y2, Rgb(1, 2, 4));

    const int white = Rgb(31, 63, 31), grey = Rgb(16, 32, 16);
    if (const Font *title = gv->sysFont[1]) {
        FontDrawTextC("Training Menu", title, 160, 41, 0);
        FontDrawTextC("Training Menu", title, 159, 40, white);
    }
    const Font *font = gv->sysFont[0];
    if (!font)
        return;
    for (int row = 0; row < n; row++) {
        int entry = entries[row];
        int colour = row == t->entry ? white : grey;
        char value[TRAINING_TEXT_LEN];
        TrainingValueText(entry, ValueGet(t, entry), value, sizeof value);
        int y = ROW_Y + row * ROW_STEP;
        FontDrawTextL(TrainingEntryName(entry), font, LABEL_X, y, colour);
        FontDrawTextR(value, font, VALUE_X, y, colour);
    }
}
