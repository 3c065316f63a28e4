// Test kit: a field of two or four fighters with life, power, widths and an animation set, for triggers and controllers.
#pragma once
#include <string>
#include <vector>

#include "support/scriptkit.h"
#include "velok/sctrl.h"
#include "velok/st-trig.h"

struct AnimSet;
struct Array;

// Player 1 is the script kit's player (named "Tester", id 56); players 2 to 4
// are "P2" to "P4" with ids 57 to 59. Odd slots stand on side 1, even on side
// 2; each side shares the power of its first player. Every player faces its
// opponent across the middle: side 1 at x 100 and 60, side 2 at 220 and 260.
// The actions: 0 (one endless element), 5 and 6 (turning), 10 (three
// elements of 3, 4 and 5 ticks) and 200 (two elements).
class FieldTest : public ScriptTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Two players (1 against 2) or four (1 and 3 against 2 and 4).
    void Field(int players);
    Player *P(int n) { return n == 1 ? &pl : &others[n - 2]; }

    // Compiles and evaluates for the player.
    ScriptValue EvalFor(Player *who, const char *text, int wanted = 0);
    // Compiles one controller from its lines, as in a state file.
    SCtrl *Ctrl(const std::string &body);
    // Applies it with the player's trigger context.
    int Apply(Player *who, SCtrl *c);
    TrigCtx Ctx(Player *who);

    Player others[3]{};
    int count = 0;
    AnimSet *anims = nullptr;
    std::vector<Array *> ctrls;  // one per controller, so that pointers stay put
};
