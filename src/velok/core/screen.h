// Screen modes: the graphics-mode switch, the full-screen toggle and the display-switch callbacks.
#pragma once

enum {
    SCREEN_KEY_ENTER = 28,
    SCREEN_KEY_LEFT_ALT = 56,
    SCREEN_KEY_RIGHT_ALT = 184,
};

// 1 while the game window has the focus. The display-switch callbacks change
// it on Allegro's own thread, so it lives here rather than in the game record
// (shutdown frees the record before it removes the callbacks).
int ScreenWindowActive();
void ScreenWindowActiveSet(int on);

// The configured drivers that take the whole screen.
int ScreenDriverIsFullscreen(int driver);
// Pausing in the background when asked, else running on. Windows on this
// platform refuse to pause; they run on in the background instead.
void ScreenSwitchModeSet(int pause);

// Sets the other kind of mode (windowed or full screen) at the given size;
// on failure the configured mode is set again. 1 when the new mode was set.
int InitGfxModeSet(int width, int height, int depth, int fullscreenNow);

// Registers the switch-out and switch-in callbacks (again, when they are
// registered already); 0 when Allegro refused them.
int InitSwitchCallbacksSet();
void InitSwitchCallbacksRemove();
void InitSwitchOut();
void InitSwitchIn();

// The Alt+Enter handler of every screen's key handling: 0 unless an Alt key
// is down. Enter switches between windowed and full screen; the key code is
// set to 0 when the switch succeeded.
int ScreenFullscreenToggle(int *keyCode);
// The same on an event of the input layer, where the screens read their
// buttons: a keyboard press goes through the toggle, and the event becomes 0
// when the toggle took its key, so that it reaches the screen as nothing
// else. Releases and pad inputs pass untouched.
int ScreenFullscreenToggleEvent(int *inputEvent);
