// Command records: a character's compiled input motions and the names that command triggers refer to.
#pragma once

enum {
    CMD_LABEL_MAX = 128,
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
