// Test kit: keys sent to a program's window on the X display, found by its title, as a player would press them.
#pragma once

// Sends a press and a release of the key (an X key name such as "Escape") to
// the first window with the title; 1 when there was one, 0 when there was
// none or no display.
int XKeyTapWindow(const char *title, const char *keyName);
