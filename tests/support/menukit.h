// Menu test kit: a game record for the menu screens with a game buffer, the two system fonts and both players' keys, and input scripted frame by frame.
#pragma once
#include <string>
#include <vector>

#include "support/testkit.h"

struct BITMAP;

// What arrives in one frame: Allegro keys tapped (pressed and released) and
// pad inputs tapped, in order.
struct MenuFrameInput {
    std::vector<int> keys;
    std::vector<int> pads;
    std::vector<int> presses;   // keys pressed and held
    std::vector<int> releases;  // held keys let go
};

// A script of frames. Each tap is followed by an empty frame, in which the
// menu reads the release.
struct MenuScript {
    std::vector<MenuFrameInput> frames;
    MenuScript &Tap(int allegroKey);
    MenuScript &Pad(int input);
    // A key pressed (and held) in a frame of its own, and let go in one.
    MenuScript &Hold(int allegroKey);
    MenuScript &Let(int allegroKey);
    MenuScript &Wait(int frames);
};

// The game record with the default keys of both players, as the keys the
// menus match and as the configured ones (player 1 Up, Right, Down, Left,
// ",", ".", "/", L, ";", the quote key, Enter), a 320x240
// game buffer as the target, no frame waiting, the two system fonts, the
// keyboard and input layers over a keyboard that installs nothing, and the
// menus' motif record at its defaults.
class MenuTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Installs the script as the menus' frame hook. After the script, frames
    // get nothing, and from the frame limit on each frame taps Escape so that
    // a menu that does not end cannot hang the test.
    void Play(const MenuScript &script, int frameLimit = 5000);
    // Frames begun since the script was installed.
    int Frames();
    // Plays the script through a screen's frame function (1 go on, 0 the
    // screen ends) until the script has been read or the screen ends; the
    // last frame's result.
    int PlayThrough(const MenuScript &script, int (*frame)());
    uint16_t Pixel(int x, int y);
    BITMAP *Buffer();
};

// For display tests: the menu test with the screen in a real 640x480x16
// window (every mode asked for is set as a window); fails without a display.
class MenuWindowTest : public MenuTest {
protected:
    void SetUp() override;
    void TearDown() override;
};
