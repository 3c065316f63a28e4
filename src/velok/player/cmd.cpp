// Command files and command matching: a character's input motions, the player's key-state ring and the active labels.
#include "velok/player/cmd.h"

#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/player/keybuf.h"

static const char cmdLetters[] = "abcxyzs";
static const int cmdLetterWords[7] = {CMD_KEY_A, CMD_KEY_B, CMD_KEY_C, CMD_KEY_X, CMD_KEY_Y, CMD_KEY_Z, CMD_KEY_S};

// Key bit of each key-buffer button 1-11; button 12 has none.
static const int cmdButtonBits[KEYBUF_BUTTONS + 1] = {
    0, CMD_KEY_UP, CMD_KEY_FWD, CMD_KEY_DOWN, CMD_KEY_BACK, CMD_KEY_A, CMD_KEY_B,
    CMD_KEY_C, CMD_KEY_X, CMD_KEY_Y, CMD_KEY_Z, CMD_KEY_S, 0,
};

static char *StrDupLen(const char *text, size_t len)
{
    char *s = (char *)LibCalloc(len + 1, 1);
    if (s)
        memcpy(s, text, len);
    return s;
}

static int BitNumber(int bit)
{
    int n = 0;
    while (bit > 1) {
        bit >>= 1;
        n++;
    }
    return n;
}

// ---------------------------------------------------------------- command strings

int CmdKeyTokenParse(const char *text, int *word, const int *remap)
{
    char c = text[0];
    if ((c == 'D' || c == 'U') && (text[1] == 'B' || text[1] == 'F')) {
        *word = (c == 'D' ? CMD_KEY_DOWN : CMD_KEY_UP) | (text[1] == 'B' ? CMD_KEY_BACK : CMD_KEY_FWD);
        return 2;
    }
    switch (c) {
    case 'B': *word = CMD_KEY_BACK; return 1;
    case 'D': *word = CMD_KEY_DOWN; return 1;
    case 'F': *word = CMD_KEY_FWD; return 1;
    case 'U': *word = CMD_KEY_UP; return 1;
    case 'N': *word = CMD_KEY_NEUTRAL; return 1;
    default: break;
    }
    const char *at = c ? strchr(cmdLetters, c) : nullptr;
    if (!at)
        return 0;
    int i = (int)(at - cmdLetters);
    *word = remap ? remap[i] : cmdLetterWords[i];
    return 1;
}

static const char *SkipBlanks(const char *p)
{
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

int CmdStringParse(Command *cmd, const char *text, const int *remap)
{
    std::vector<int> steps;
    const char *p = text;
    for (;;) {
        p = SkipBlanks(p);
        if (!*p)
            return 0;
        int flag = 0;
        unsigned word = 0;
        if (*p == '>') {
            flag |= CMD_STEP_NOGAP;
            p++;
        }
        if (*p == '/') {
            word |= CMD_KEY_HOLD;
            p++;
        }
        if (*p == '~') {
            word |= CMD_KEY_RELEASE;
            p++;
            long n = 0;
            for (; *p >= '0' && *p <= '9'; p++)
                if (n < 4L * CMD_HOLD_UNITS_MAX)
                    n = n * 10 + (*p - '0');
            long units = n / 4;
            if (units > CMD_HOLD_UNITS_MAX)
                units = CMD_HOLD_UNITS_MAX;
            word |= (unsigned)units << CMD_HOLD_UNIT_SHIFT;
        }
        if (*p == '$') {
            word |= CMD_KEY_DIRGROUP;
            p++;
        }
        if (*p == '+')
            p++;
        for (;;) {
            int key = 0;
            int used = CmdKeyTokenParse(p, &key, remap);
            if (!used)
                return 0;
            word |= (unsigned)key;
            p += used;
            const char *q = SkipBlanks(p);
            if (*q != '+')
                break;
            p = SkipBlanks(q + 1);
        }
        while (*p && *p != ',')
            p++;

        size_t count = steps.size() / 2;
        // F, F is press, release, press with nothing in between.
        if (count > 0 && (unsigned)steps[steps.size() - 2] == word && (word & (CMD_KEY_DIRS | CMD_KEY_NEUTRAL))) {
            if (count + 2 > CMD_STEP_MAX)
                return 0;
            steps.push_back((int)(word | CMD_KEY_RELEASE));
            steps.push_back(CMD_STEP_NOGAP);
            flag |= CMD_STEP_NOGAP;
        } else if (count + 1 > CMD_STEP_MAX) {
            return 0;
        }
        steps.push_back((int)word);
        steps.push_back(flag);
        if (*p != ',')
            break;
        p++;
    }
    int *block = (int *)LibCalloc(steps.size(), sizeof(int));
    if (!block)
        return 0;
    memcpy(block, steps.data(), steps.size() * sizeof(int));
    MemFree(cmd->steps);
    cmd->steps = block;
    cmd->stepCount = (int)(steps.size() / 2);
    return 1;
}

// ---------------------------------------------------------------- command files

void CmdNamesFree(CmdSet *set)
{
    if (!set->names)
        return;
    for (int i = 0; i < set->count; i++)
        MemFree(set->names[i]);
    MemFree(set->names);
    set->names = nullptr;
}

void CmdSetFree(CmdSet *set)
{
    if (!set)
        return;
    CmdNamesFree(set);
    if (set->commands)
        for (int i = 0; i < set->count; i++)
            MemFree(set->commands[i].steps);
    MemFree(set->commands);
    memset(set, 0, sizeof *set);
}

static int CmdDefFail(CmdSet *set)
{
    CmdSetFree(set);
    return 0;
}

int CmdDefLoad(TxtParseFile *tp, CmdSet *set)
{
    memset(set, 0, sizeof *set);
    int defTime = 15, defBuffer = 1;
    if (TxtParseGroupSet(tp, "Defaults") >= 0) {
        int v;
        if (TxtParseIntGet(tp, "command.time", &v))
            defTime = v <= 0 ? 1 : v;
        if (TxtParseIntGet(tp, "command.buffer.time", &v))
            defBuffer = v < 1 ? 1 : v > CMD_BUFFER_TIME_MAX ? CMD_BUFFER_TIME_MAX : v;
    }
    int remap[7];
    memcpy(remap, cmdLetterWords, sizeof remap);
    if (TxtParseGroupSet(tp, "Remap") >= 0) {
        for (int i = 0; i < 7; i++) {
            char key[2] = {cmdLetters[i], 0};
            const char *v = TxtParseValueGet(tp, key);
            if (!v)
                continue;
            const char *at = *v ? strchr(cmdLetters, *v) : nullptr;
            // 1 is a bit no input sets: the letter never matches.
            remap[i] = at ? cmdLetterWords[at - cmdLetters] : 1;
        }
    }

    std::vector<int> groups;
    int g = 0;
    for (const char *h = TxtParseGroupFirst(tp); h; h = TxtParseGroupNext(tp), g++)
        if (StrNCaseEq(h + 1, "command", 7))
            groups.push_back(g);
    if (groups.empty()) {
        GameErrorSet("Need at least 1 command");
        return 0;
    }
    set->commands = (Command *)LibCalloc(groups.size(), sizeof(Command));
    set->names = (char **)LibCalloc(groups.size(), sizeof(char *));
    if (!set->commands || !set->names) {
        GameErrorSet("Out of memory for commands");
        return CmdDefFail(set);
    }
    int counter = 1;
    for (size_t i = 0; i < groups.size(); i++) {
        int num = (int)i + 1;
        TxtParseGroupSetIndex(tp, groups[i]);
        const char *nameVal = TxtParseValueGet(tp, "name");
        if (!nameVal) {
            GameErrorSet("Command %i missing name parameter", num);
            return CmdDefFail(set);
        }
        size_t len = strlen(nameVal);
        // A lone quote starts and ends with a quote but holds no name.
        if (len < 2 || nameVal[0] != '"' || nameVal[len - 1] != '"') {
            GameErrorSet("Command %i name not in quotes", num);
            return CmdDefFail(set);
        }
        char *name = StrDupLen(nameVal + 1, len - 2);
        if (!name) {
            GameErrorSet("Out of memory for commands");
            return CmdDefFail(set);
        }
        Command *cmd = &set->commands[i];
        set->names[i] = name;
        set->count = num;

        cmd->kindMask = CMD_KIND_NORMAL;
        if (strcmp(nameVal, "\"recovery\"") == 0) {
            cmd->labelNo = 0;
            cmd->kindMask = CMD_KIND_RECOVERY;
            counter++;
        } else {
            int shared = -1;
            for (size_t j = 0; j < i && shared < 0; j++)
                if (strcmp(set->names[j], name) == 0)
                    shared = set->commands[j].labelNo;
            if (shared >= 0) {
                cmd->labelNo = shared;
            } else {
                cmd->labelNo = counter++;
            }
        }
        if (counter >= CMD_LABEL_MAX) {
            GameErrorSet("Player has too many commands. Only %i unique commands labels allowed.", CMD_LABEL_MAX);
            return CmdDefFail(set);
        }

        const char *text = TxtParseValueGet(tp, "command");
        if (!text) {
            GameErrorSet("Command %i \"%s\" missing command parameter", num, name);
            return CmdDefFail(set);
        }
        if (!CmdStringParse(cmd, text, remap)) {
            GameErrorAppend("\nError in command: %s", name);
            return CmdDefFail(set);
        }
        int v;
        cmd->time = TxtParseIntGet(tp, "time", &v) ? v : defTime;
        cmd->bufferTime = defBuffer;
        if (TxtParseIntGet(tp, "buffer.time", &v))
            cmd->bufferTime = v < 1 ? 1 : v > CMD_BUFFER_TIME_MAX ? CMD_BUFFER_TIME_MAX : v;
    }
    set->labelCount = counter;
    return 1;
}

int CmdFileLoad(const char *path, CmdSet *set)
{
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        GameErrorSet("Can't open file");
        return 0;
    }
    int ok = CmdDefLoad(tp, set);
    TxtParseClose(tp);
    return ok;
}

// ---------------------------------------------------------------- command buffer

void CmdBufferClear(CmdBuffer *cb)
{
    memset(cb, 0, sizeof *cb);
}

static int HeldDirections(const KeyBuf *kb)
{
    int w = 0;
    if (kb->held[KEYBUF_UP])
        w |= CMD_KEY_UP;
    if (kb->held[KEYBUF_FWD])
        w |= CMD_KEY_FWD;
    if (kb->held[KEYBUF_DOWN])
        w |= CMD_KEY_DOWN;
    if (kb->held[KEYBUF_BACK])
        w |= CMD_KEY_BACK;
    return w;
}

void CmdKeysFromInput(CmdBuffer *cb, const KeyBuf *kb)
{
    int w = 0;
    for (int b = 1; b <= KEYBUF_START; b++)
        if (kb->held[b])
            w |= cmdButtonBits[b];
    cb->held = w;
}

static void Record(CmdBuffer *cb, int word, int tick, int hold)
{
    cb->words[cb->write] = word;
    cb->ticks[cb->write] = tick;
    cb->holds[cb->write] = hold;
    cb->write = (cb->write + 1) % CMD_RING;
    if (cb->write == cb->oldest)
        cb->oldest = (cb->oldest + 1) % CMD_RING;
}

int CmdBufferPush(const KeyBuf *kb, CmdBuffer *cb, int event, int tick)
{
    int button = event & KEYBUF_BUTTON_MASK;
    int bit = button <= KEYBUF_BUTTONS ? cmdButtonBits[button] : 0;
    int release = bit && (event & KEYBUF_RELEASE);
    int reread = bit && (event & KEYBUF_REREAD);
    int hold = 0;
    if (!bit) {
        if (!cb->pendingButtons)
            return 0;
        Record(cb, cb->pendingButtons, tick, 0);
        cb->pendingButtons = 0;
        return 1;
    }
    int word = bit | (release ? CMD_KEY_RELEASE : 0) | (reread ? CMD_KEY_REREAD : 0);
    int n = BitNumber(bit);
    if (release)
        hold = tick - cb->pressTick[n];
    else
        cb->pressTick[n] = tick;

    if (bit & CMD_KEY_DIRS) {
        int dirs = HeldDirections(kb);
        if (dirs == cb->lastDir) {
            Record(cb, word, tick, hold);
            return 1;
        }
        if (cb->lastDir)
            Record(cb, cb->lastDir | CMD_KEY_RELEASE, tick, hold);
        // With nothing held there is no combination to record, so a release
        // sits right before the next press (F, F).
        if (dirs)
            Record(cb, dirs | (release && reread ? CMD_KEY_REREAD : 0), tick, 0);
        cb->lastDir = dirs;
        return 1;
    }
    if (!release) {
        cb->pendingButtons |= word;
        return 0;
    }
    Record(cb, word, tick, hold);
    return 1;
}

// ---------------------------------------------------------------- matching

int CmdElemMatch(const CmdBuffer *cb, int index, int step)
{
    if (step & CMD_KEY_HOLD) {
        int held = cb->held & CMD_KEY_DIRS;
        int want = step & CMD_KEY_DIRS;
        if (step & CMD_KEY_NEUTRAL) {
            if (held)
                return 0;
        } else if (want) {
            if (step & CMD_KEY_DIRGROUP ? (held & want) != want : held != want)
                return 0;
        }
        if ((step & CMD_KEY_BUTTONS) && !(cb->held & step & CMD_KEY_BUTTONS))
            return 0;
        return 1;
    }
    if (index < 0 || index >= CMD_RING)
        return 0;
    int entry = cb->words[index];
    unsigned units = (unsigned)step >> CMD_HOLD_UNIT_SHIFT;
    if ((long)cb->holds[index] < 4L * (long)units)
        return 0;
    if ((entry & CMD_KEY_REREAD) && !(entry & CMD_KEY_RELEASE))
        return 0;
    if ((entry ^ step) & CMD_KEY_RELEASE)
        return 0;
    if (step & CMD_KEY_BUTTONS)
        return (entry & step & CMD_KEY_BUTTONS) == (step & CMD_KEY_BUTTONS);
    if (step & CMD_KEY_DIRGROUP)
        return (entry & step & CMD_KEY_DIRS) == (step & CMD_KEY_DIRS);
    return (entry & (CMD_KEY_DIRS | CMD_KEY_BUTTONS)) == (step & (CMD_KEY_DIRS | CMD_KEY_BUTTONS));
}

int CmdMatch(const CmdBuffer *cb, const Command *cmd, int *firstTick)
{
    int n = cmd->stepCount;
    if (n <= 0 || !cmd->steps)
        return 0;
    int e = (cb->processed + CMD_RING - 1) % CMD_RING;
    if (!CmdElemMatch(cb, e, cmd->steps[2 * (n - 1)]))
        return 0;
    int k = n - 2;
    int lastFlag = cmd->steps[2 * (n - 1) + 1];
    if (k < 0) {
        *firstTick = cb->ticks[e];
        return 1;
    }
    for (int i = e; i != cb->oldest;) {
        i = (i + CMD_RING - 1) % CMD_RING;
        int step = cmd->steps[2 * k];
        int isHold = step & CMD_KEY_HOLD;
        int past = cb->ticks[e] - cb->ticks[i] > cmd->time;
        if (past && !isHold)
            return 0;
        int matched = CmdElemMatch(cb, i, step);
        // A hold step tests the keys held now, so it would match at any age:
        // only the command time bounds it.
        if (isHold && past)
            return 0;
        if (matched) {
            lastFlag = cmd->steps[2 * k + 1];
            if (--k < 0) {
                *firstTick = cb->ticks[i];
                return 1;
            }
            continue;
        }
        if (lastFlag & CMD_STEP_NOGAP)
            return 0;
    }
    return 0;
}

static int LabelOk(int label)
{
    return label >= 0 && label < CMD_LABEL_MAX;
}

void CmdBufferProcess(CmdFlags *flags, const CmdSet *set, CmdBuffer *cb, int tick, int kindMask)
{
    if (!set || !set->commands)
        return;
    while (cb->processed != cb->write) {
        cb->processed = (cb->processed + 1) % CMD_RING;
        for (int c = 0; c < set->count; c++) {
            const Command *cmd = &set->commands[c];
            if (!(cmd->kindMask & kindMask) || !LabelOk(cmd->labelNo))
                continue;
            int first = 0;
            if (CmdMatch(cb, cmd, &first) && first > flags->lastTick[cmd->labelNo]) {
                flags->active[cmd->labelNo] = (unsigned char)cmd->bufferTime;
                flags->lastTick[cmd->labelNo] = tick;
            }
        }
    }
    int newest = (cb->write + CMD_RING - 1) % CMD_RING;
    for (int c = 0; c < set->count; c++) {
        const Command *cmd = &set->commands[c];
        if (!(cmd->kindMask & kindMask) || !LabelOk(cmd->labelNo) || cmd->stepCount != 1 ||
            !(cmd->steps[0] & CMD_KEY_HOLD))
            continue;
        if (CmdElemMatch(cb, newest, cmd->steps[0])) {
            flags->active[cmd->labelNo] = 1;
            flags->lastTick[cmd->labelNo] = tick;
        }
    }
}

void CmdBufferProcessAll(CmdFlags *flags, const CmdSet *set, CmdBuffer *cb, int tick)
{
    CmdBufferProcess(flags, set, cb, tick, 15);
}

void CmdActiveClear(CmdFlags *flags)
{
    memset(flags->active, 0, sizeof flags->active);
}

void CmdTimesClear(CmdFlags *flags)
{
    memset(flags->lastTick, 0, sizeof flags->lastTick);
}

void CmdTimersTick(CmdFlags *flags, int step, int floor)
{
    // Every tick for every player: written without branches so that the
    // compiler can do the whole table in a few vector steps.
    for (int i = 0; i < CMD_LABEL_MAX; i++) {
        int a = flags->active[i];
        int v = a - step;
        v = v < floor ? floor : v;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        flags->active[i] = (unsigned char)(a ? v : 0);
    }
}

int CmdIsActive(const CmdFlags *flags, int label)
{
    if (!flags || !LabelOk(label))
        return 0;
    return flags->active[label] != 0;
}
