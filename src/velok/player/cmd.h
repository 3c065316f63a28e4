// Command files and command matching: a character's input motions, the player's key-state ring and the active labels.
#pragma once

struct KeyBuf;
struct TxtParseFile;

enum {
    CMD_LABEL_MAX = 128,
    CMD_RING = 128,
    CMD_STEP_MAX = 256,
    CMD_BUFFER_TIME_MAX = 30,
    CMD_HOLD_UNITS_MAX = 1023,   // release hold time in units of 4 ticks (bits 22 and up)
    CMD_HOLD_UNIT_SHIFT = 22,
    CMD_KIND_NORMAL = 1,
    CMD_KIND_RECOVERY = 2,
    CMD_STEP_NOGAP = 1,          // step flag: nothing may come between the previous step and this one
};

// Key-state word bits.
enum {
    CMD_KEY_A = 0x10,
    CMD_KEY_B = 0x20,
    CMD_KEY_C = 0x40,
    CMD_KEY_X = 0x80,
    CMD_KEY_Y = 0x100,
    CMD_KEY_Z = 0x200,
    CMD_KEY_S = 0x400,
    CMD_KEY_BUTTONS = 0x7F0,
    CMD_KEY_UP = 0x1000,
    CMD_KEY_FWD = 0x2000,
    CMD_KEY_DOWN = 0x4000,
    CMD_KEY_BACK = 0x8000,
    CMD_KEY_DIRS = 0xF000,
    CMD_KEY_RELEASE = 0x10000,
    CMD_KEY_HOLD = 0x20000,
    CMD_KEY_DIRGROUP = 0x40000,
    CMD_KEY_NEUTRAL = 0x80000,
    CMD_KEY_REREAD = 0x100000,   // ring entries made by re-reading held keys
};

// One step is two ints: the key-state word and the flag word.
struct Command {
    int *steps;
    int stepCount;
    int time;
    int bufferTime;
    int labelNo;
    int kindMask;
};

// The name table holds one owned string per command, in command order; it is
// freed once the character's states are compiled.
struct CmdSet {
    Command *commands;
    char **names;
    int count;
    int labelCount;
};

// A player's ring of recorded key-state words; zeroed each round.
struct CmdBuffer {
    int words[CMD_RING];
    int ticks[CMD_RING];
    int holds[CMD_RING];
    int oldest;
    int write;
    int processed;   // the entry after the last one matching has seen
    int pressTick[16];  // by bit number of the key
    int inputHold;
    int held;        // key-state word of all held keys
    int lastDir;
    int pendingButtons;
};

// Per command label: the active countdown and the tick of the last activation.
struct CmdFlags {
    unsigned char active[CMD_LABEL_MAX];
    int lastTick[CMD_LABEL_MAX];
};

// Opens the file as a definition file ("Can't open file") and loads it.
int CmdFileLoad(const char *path, CmdSet *set);
// 1, or 0 with the reason in the game error text (the set then holds nothing).
int CmdDefLoad(TxtParseFile *tp, CmdSet *set);
// remap: the words of a, b, c, x, y, z, s (null: themselves).
int CmdStringParse(Command *cmd, const char *text, const int *remap);
int CmdKeyTokenParse(const char *text, int *word, const int *remap);
void CmdNamesFree(CmdSet *set);
void CmdSetFree(CmdSet *set);

void CmdBufferClear(CmdBuffer *cb);
void CmdKeysFromInput(CmdBuffer *cb, const KeyBuf *kb);
int CmdBufferPush(const KeyBuf *kb, CmdBuffer *cb, int event, int tick);
void CmdBufferProcess(CmdFlags *flags, const CmdSet *set, CmdBuffer *cb, int tick, int kindMask);
void CmdBufferProcessAll(CmdFlags *flags, const CmdSet *set, CmdBuffer *cb, int tick);
int CmdMatch(const CmdBuffer *cb, const Command *cmd, int *firstTick);
int CmdElemMatch(const CmdBuffer *cb, int index, int step);

void CmdActiveClear(CmdFlags *flags);
void CmdTimesClear(CmdFlags *flags);
void CmdTimersTick(CmdFlags *flags, int step, int floor);
int CmdIsActive(const CmdFlags *flags, int label);
