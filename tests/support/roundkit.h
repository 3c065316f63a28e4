// Round test kit: the field kit's four fighters with players 1 and 2 in the fight, fight-screen defaults, a fake frame timer, a fake keyboard and a 320x240 target.
#pragma once
#include <gtest/gtest.h>
#include <vector>

#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"

struct BITMAP;

// What the round loop needs around the field, on the record gv points at:
// the palette effects and a 320x240 canvas as the drawing target
// (PixCanvasStart; its row table in rows), a fake frame timer at 60 ticks a
// second, fight-screen defaults, both sides' wins and draws from them with
// their win icons empty, round 1 in the state given with the whole clock,
// the match loop with its counters cleared, the system key queue and a
// keyboard that installs nothing. Returns the canvas.
BITMAP *RoundRecordSet(int state, std::vector<int> *rows);

// A match before its first round: players 1 (side 1) and 2 (side 2) enabled
// with full life and no control yet; slots 3 and 4 hold disabled players of
// sides 1 and 2; the helper slots are empty.
class RoundField : public FieldTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts the round in a state at a tick, with time enough on the clock.
    void StateAt(int state, int tick);
    void Kill(int slot);
    // Feeds the fake frame timer one frame and runs one pass of the loop.
    int Frame();
    uint16_t Pixel(int x, int y);

    BITMAP *canvas = nullptr;
    std::vector<int> rows;
};
