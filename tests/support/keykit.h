// Key test kit: the keyboard layer and the input engine installed over a keyboard that installs nothing, driven by Allegro key identifiers.
#pragma once

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
