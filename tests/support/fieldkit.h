// Test kit: a field of two or four fighters made from the kit character, for triggers and controllers.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/testkit.h"
#include "velok/script/expr.h"
#include "velok/player/p-info.h"
#include "velok/player/p-make.h"
#include "velok/script/sctrl.h"
#include "velok/script/st-trig.h"

struct Array;

// Result of compiling and evaluating one expression.
struct FieldValue {
    int ok;    // the compile result
    int type;  // 1 int, 2 float
    int i;
    float f;
};

// The kit character in player slots 1 and 2, or 1 to 4 (odd slots on side 1,
// even on side 2), named "P1" to "P4" with ids 56 to 59. Side 1 stands at x
// 100 and 60 facing right, side 2 at 220 and 260 facing left. The actions: 0
// (one endless element), 5 and 6 (turning), 10 (three elements of 3, 4 and 5
// ticks) and 200 (two elements); the states 0, 200, 210 (entered with anim
// 200, poweradd -1000 and facep2 1), 5000 and 300, whose controllers set
// var(10) on command "a" and var(11) while "FF" is not active.
class FieldTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Two players (1 against 2) or four (1 and 3 against 2 and 4).
    void Field(int players);
    Player *P(int n) { return PlayerSlotGet(n); }

    // Compiles (for player 1) and evaluates for the player.
    FieldValue EvalFor(Player *who, const char *text, int wanted = 0);
    // Compiles one controller from its lines, as in a state file.
    SCtrl *Ctrl(const std::string &body);
    // Applies it with the player's trigger context.
    int Apply(Player *who, SCtrl *c);
    std::string Warnings();
    void ClearWarnings();

    Player *p1 = nullptr;
    std::vector<CharInfo> entries;
    std::vector<Array *> ctrls;  // one per controller, so that pointers stay put
};
