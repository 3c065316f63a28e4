// Script test kit: a game record with a warning log, a player with commands, and compile/evaluate helpers.
#include "support/scriptkit.h"

#include <cstring>

#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "support/recordkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/sctrl.h"

void ScriptTest::SetUp()
{
    TempDirTest::SetUp();
    gv = new GameVars();
    // Wider and longer than the game's, so that a test sees every warning whole.
    gv->warnLog = TextBufCreate(200, 64);
    memset(&pl, 0, sizeof pl);
    StrCopy(pl.name, sizeof pl.name, "Tester");
    pl.id = 56;
    pl.slot = 1;
    pl.side = 1;
    pl.state.stateType = 1;
    pl.state.ctrl = 1;
    LibErrorMsg[0] = 0;
    ExprStackTop = -1;
}

void ScriptTest::TearDown()
{
    EXPECT_EQ(ExprStackTop, -1);
    SetCommands({});
    TextBufFree(gv->warnLog);
    delete gv;
    gv = nullptr;
    TempDirTest::TearDown();
}

int ScriptTest::Compile(const char *text, Expr *expr, int wanted)
{
    return ExprCompile(text, expr, &pl, nullptr, wanted);
}

ScriptValue ScriptTest::Eval(const char *text, int wanted)
{
    ScriptValue v{};
    Expr e{};
    v.ok = Compile(text, &e, wanted);
    if (v.ok)
        v.type = ExprEvaluate(&pl, &e, &v.i, &v.f);
    ExprFree(&e);
    return v;
}

std::string ScriptTest::Warnings()
{
    return GameWarnings();
}

void ScriptTest::ClearWarnings()
{
    TextBufClear(gv->warnLog);
}

void ScriptTest::SetCommands(std::initializer_list<const char *> names)
{
    for (int i = 0; i < cmds.count; i++)
        MemFree(cmds.names[i]);
    MemFree(cmds.names);
    MemFree(cmds.commands);
    memset(&cmds, 0, sizeof cmds);
    pl.cmdSet = nullptr;
    if (names.size() == 0)
        return;
    cmds.count = (int)names.size();
    cmds.names = (char **)LibCalloc(cmds.count, sizeof(char *));
    cmds.commands = (Command *)LibCalloc(cmds.count, sizeof(Command));
    int i = 0;
    for (const char *n : names) {
        cmds.names[i] = strdup(n);
        cmds.commands[i].labelNo = i + 1;
        i++;
    }
    cmds.labelCount = cmds.count + 1;
    pl.cmdSet = &cmds;
}

int ScriptTestApply(Player *pl, SCtrl *c, TrigCtx *)
{
    if (c->type == SCTRL_VARADD) {
        pl->var[ExprEvalInt(pl, &c->slot[1], 0)] += ExprEvalInt(pl, &c->slot[2], 0);
        return 0;
    }
    if (c->type == SCTRL_CHANGESTATE) {
        pl->state.prevStateNo = pl->state.stateNo;
        pl->state.stateNo = ExprEvalInt(pl, &c->slot[0], 0);
        pl->state.time = 0;
        return 1;
    }
    return 0;
}
