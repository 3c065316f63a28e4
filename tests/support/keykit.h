// Key test kit: the keyboard layer and the input engine installed over a keyboard that installs nothing, driven by Allegro key identifiers.
#pragma once

#include "lib/gfx.h"

// Installs the fake keyboard and the input engine, with no key down and the
// pause switch off.
void KeyKitStart();
// Removes both and puts Allegro's keyboard services back.
void KeyKitStop();
// A key event as Allegro's keyboard thread would deliver it: the key state,
// the keyboard layer's event and the input engine's event.
void KeyKitPress(int allegroKey);
void KeyKitRelease(int allegroKey);
// Press and release; Pause, as Allegro delivers it, gives one event per tap,
// a press and a release in turn.
void KeyKitTap(int allegroKey);

// While one lives, every display mode asked for is set at once without a
// window, so that the full-screen toggle's switch succeeds; the graphics
// state and Allegro's mode setting come back when it goes.
class KeyKitModesAccepted {
public:
    KeyKitModesAccepted();
    ~KeyKitModesAccepted();
    KeyKitModesAccepted(const KeyKitModesAccepted &) = delete;
    KeyKitModesAccepted &operator=(const KeyKitModesAccepted &) = delete;

private:
    GfxState saved;
};
