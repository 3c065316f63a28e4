// Round test kit: a game record with a small field of players, fight-screen defaults, a fake frame timer and a 320x240 target.
#pragma once
#include <gtest/gtest.h>
#include <vector>

#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"

struct BITMAP;

// Each test runs in a fresh temporary working directory.
class RoundField : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Players 1 (side 1) and 2 (side 2) enabled with full life; slots 3 and 4
    // hold disabled players of sides 1 and 2; helper slots 5 and 6 are empty.
    Player *P(int slot) { return gv->players[slot]; }
    // Puts the round in a state at a tick, with time enough on the clock.
    void StateAt(int state, int tick);
    void Kill(int slot);
    // Feeds the fake frame timer one frame and runs one pass of the loop.
    int Frame();
    uint16_t Pixel(int x, int y);

    BITMAP *canvas = nullptr;
    std::vector<int> rows;
    std::vector<Player *> owned;
};
