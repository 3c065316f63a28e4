// Script test kit: a game record with a warning log, a player with commands, and compile/evaluate helpers.
#pragma once
#include <gtest/gtest.h>
#include <string>

#include "support/testkit.h"
#include "velok/player/cmd.h"
#include "velok/script/expr.h"
#include "velok/player/player.h"

struct SCtrl;
struct TrigCtx;

// Stands in for the controller routines in PlayerStateApplySet: VarAdd and
// ChangeState, enough to watch the state machine run.
int ScriptTestApply(Player *pl, SCtrl *c, TrigCtx *ctx);

// Result of compiling and evaluating one expression.
struct ScriptValue {
    int ok;     // the compile result
    int type;   // 1 int, 2 float (ExprEvaluate's result)
    int i;
    float f;
};

// Runs in a fresh temporary working directory, for state-file texts.
class ScriptTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Compiles with the wanted type; the caller frees the expression.
    int Compile(const char *text, Expr *expr, int wanted = 0);
    // Compiles, evaluates for the player and frees.
    ScriptValue Eval(const char *text, int wanted = 0);
    // Everything in the warning log, lines joined by "\n"; ClearWarnings empties it.
    std::string Warnings();
    void ClearWarnings();
    // Gives the player a command set with these names (labels 1, 2, ...).
    void SetCommands(std::initializer_list<const char *> names);

    Player pl{};
    CmdSet cmds{};
};
