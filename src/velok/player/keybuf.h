// Key buffers: a player's queue of button events and the held state of its twelve buttons, in its own facing.
#pragma once

#include "velok/core/config.h"

enum {
    KEYBUF_RING = 30,     // slots; at most 29 events wait
    KEYBUF_BUTTONS = 12,
    KEYBUF_UP = 1,
    KEYBUF_FWD = 2,
    KEYBUF_DOWN = 3,
    KEYBUF_BACK = 4,
    KEYBUF_A = 5,         // a, b, c, x, y, z are 5 to 10
    KEYBUF_START = 11,
    KEYBUF_EXTRA = 12,
    KEYBUF_BUTTON_MASK = 0x0F,
    KEYBUF_RELEASE = 0x10,
    KEYBUF_REREAD = 0x20, // made by re-reading held keys, not by a key event
};

struct KeyBuf {
    int ring[KEYBUF_RING];
    int held[KEYBUF_BUTTONS + 1];  // indexed by button number 1-12
    int read;
    int write;
    int faceLeft;
};

void KeyBufClear(KeyBuf *kb);
// Button numbers above 12 and codes whose low 4 bits are 0 are ignored.
void KeyBufPush(KeyBuf *kb, int code);
void KeyBufPushCodeFaced(KeyBuf *kb, int code);
// A null configuration (AI players, helpers) takes nothing.
void KeyBufPushInput(KeyBuf *kb, const KeyConfig *cfg, int inputEvent);
void KeyBufPollKeys(KeyBuf *kb, const KeyConfig *cfg);
void KeyBufSetFacing(KeyBuf *kb, int left);
// The oldest event, 0 when empty.
int KeyBufPop(KeyBuf *kb);
void KeyBufClearButtons(KeyBuf *kb);

int KeyBufIsMenuKey(const KeyConfig *cfg, int inputCode);
// The bit 1 << (entry - 1) of the first configuration entry 1-12 holding the
// code, and the index of that configuration; 0 when none.
int KeyConfigFind(const KeyConfig *list, int count, int inputCode, int *index);
