// Controls set-up: the default keys, the pad installation and the key remap table of the input layer.
#pragma once

// Both sides' keyboard key records take the built-in keys in slots 1 to 11
// (Jump, Right, Crouch, Left, A, B, C, X, Y, Z, Start).
void InitKeysDefault();
// One side's (0 or 1) configured keyboard keys take the built-in ones (the
// options screen's default values; the remap carries them to the players).
void InitKeysConfigDefault(int side);
// Maps every configured key of both sides, and the pad inputs of the sides
// that use a pad, to the input code of the built-in key of the same slot, and
// re-initialises the input engine; 1 on success. Codes outside the keyboard's
// 1..255 or the pads' 0..127 map nothing.
int InitKeysRemap();
// Takes the configured pads into use: joystick input is removed and, when a
// side uses a pad and the nojoy option was not given, installed again (a
// failure turns both sides' pads off); then the input engine is
// re-initialised ("Can't init input" is fatal).
void InitPadsReinit();
