// System keys of the round loop: pause and frame step, Escape, screenshots, and the debug keys for character authors.
#pragma once

// Key codes the system keys read (the keyboard layer's numbering).
enum {
    SYSKEY_ESCAPE = 1,
    SYSKEY_1 = 2,  // 1 to 4 are 2 to 5
    SYSKEY_T = 20,
    SYSKEY_I = 23,
    SYSKEY_LCTRL = 29,
    SYSKEY_S = 31,
    SYSKEY_D = 32,
    SYSKEY_F = 33,
    SYSKEY_L = 38,
    SYSKEY_LSHIFT = 42,
    SYSKEY_C = 46,
    SYSKEY_V = 47,
    SYSKEY_RSHIFT = 54,
    SYSKEY_LALT = 56,
    SYSKEY_SPACE = 57,
    SYSKEY_F1 = 59,  // F1 to F5 are 59 to 63
    SYSKEY_F8 = 66,
    SYSKEY_SCROLL_LOCK = 70,
    SYSKEY_F12 = 88,
    SYSKEY_RCTRL = 157,
    SYSKEY_RALT = 184,
};

enum {
    SYSKEYS_FRAMESKIP_OFF = 2000,  // drawing all but off, with sound off
};

// Reads the keyboard and pads once per frame: takes the pause switch, moves
// the frame's input events into the system key queue and acts on the
// system and debug keys. Returns 0.
int GameLoopSystemKeys();
// Forgets a frame step still pending from an earlier loop.
void SysKeysReset();
// The frame-skip setting that Ctrl+F gives after the current one, with the
// sound switch it sets (1 on, 0 off, -1 unchanged).
int SysKeysFrameSkipNext(int current, int noFrameWait, int *sound);
