// Test kit: a field of fighters made from a kit character the way a match makes them, for triggers, controllers, the per-tick update, the hit engine and the round loop.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/charkit.h"
#include "support/recordkit.h"
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

// The field's usual character: the kit character with the actions 0 (one
// endless element), 5 and 6 (turning), 10 (three elements of 3, 4 and 5
// ticks) and 200 (two elements); the states 0, 200, 210 (entered with anim
// 200, poweradd -1000 and facep2 1), 5000 and 300, whose controllers set
// var(10) on command "a" and var(11) while "FF" is not active.
CharKit FieldKitChar();

// A game record in the middle of a fight: round state 2, no pause, life at
// 100 percent, a stage from -300 to 620 with 15-pixel screen margins and a
// flat perspective, the camera at 0, state controllers applied, a held Escape
// never read. Field() adds players built through the player cache, the side
// builder and the round start, as a match builds them.
// The game record's part of that, on the record gv points at; the result of
// making the player slots.
int FieldRecordSet();

// The field's players, made through the player cache and the side builder
// as a match makes them from the one select entry, which becomes the game's
// character list: players 1 to n (1, 2 or 4; odd slots on side 1) named "P1"
// to "P4", enabled, each with its run flag and its opponent, side 1 at x 100
// and 60 facing right, side 2 at 220 and 260 facing left, their palettes in
// the game's palette list. 0 as soon as a side or a player is not made; what
// was made stays for FieldPlayersFree.
int FieldPlayersMake(CharInfo *entry, int players);
// Frees the players left in the slots and the palette list. The players go
// without their releases, so the entries' cache references are cleared and,
// when the game has a character list, the player cache is emptied: the
// flush's result, 1 without a list.
int FieldPlayersFree(CharInfo *entries, size_t count);

class FieldTest : public GameVarsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // One player alone, 1 against 2, or 1 and 3 against 2 and 4 (odd slots
    // on side 1), named "P1" to "P4" with ids 56 to 59, enabled, each with
    // its opponent, its run flag and its palettes in the game's palette
    // list. Side 1 stands at x 100 and 60 facing right, side 2 at 220 and 260
    // facing left. A field made before is taken down first.
    void Field(int players, const CharKit &kit = FieldKitChar());
    // Frees the players left in the slots and the character.
    void FieldFree();
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
    CharData *cd = nullptr;  // the field's character
    std::vector<CharInfo> entries;
    std::vector<Array *> ctrls;  // one per controller, so that pointers stay put
};
