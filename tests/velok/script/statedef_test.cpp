#include "velok/script/statedef.h"

#include <cstring>
#include <string>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "support/recordkit.h"
#include "support/scriptkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-ai.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sctrl.h"
#include "velok/script/st-trig.h"

namespace {

int escapeHeld;
int EscapeTest()
{
    return escapeHeld;
}

class StateDefTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gv = new GameVars();
        gv->warnLog = TextBufCreate(200, 64);
        pl = (Player *)LibCalloc(1, sizeof(Player));
        StrCopy(pl->name, sizeof pl->name, "Tester");
        pl->id = 56;
        pl->facing = 1;
        pl->consts.attackDist = 160;
        escapeHeld = 0;
        PlayerStateApplySet(ScriptTestApply);
        PlayerStateEscapeSet(EscapeTest);
    }
    void TearDown() override
    {
        PlayerStateApplySet(nullptr);
        PlayerStateEscapeSet(nullptr);
        StateDefListFree(list);
        MemFree(pl);
        TextBufFree(gv->warnLog);
        delete gv;
        gv = nullptr;
    }

    StateDefList *Load(const std::string &text)
    {
        VFile *vf = DefMemVFile(text);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        StateDefListFree(list);
        gv->errorText[0] = 0;
        list = StateDefListLoad(tp, pl);
        TxtParseClose(tp);
        PlayerStateInit(pl, list);
        return list;
    }
    // One tick of the state run, then time moves on.
    void Tick()
    {
        PlayerStateRunTick(pl);
        pl->state.time++;
    }

    Player *pl = nullptr;
    StateDefList *list = nullptr;
};

std::string Ctrl(int state, const std::string &body)
{
    return "[State " + std::to_string(state) + ", c]\n" + body + "\n";
}

std::string VarAdd(int state, int var, const std::string &extra = "", const std::string &trigger = "1")
{
    return Ctrl(state, "type = VarAdd\ntrigger1 = " + trigger + "\nv = " + std::to_string(var) + "\nvalue = 1\n" + extra);
}

TEST_F(StateDefTest, LoadErrors)
{
    struct Case {
        std::string text;
        const char *error;
    };
    const Case cases[] = {
        {"[Data]\nlife = 1\n", "Need at least one statedef"},
        {"[Statedef 5]\n[Other]\n", "Need at least one state controller\nError in Statedef 5"},
        {"[Statedef 5]\n[State 5, x]\ntype = VarAdd\n", "Need at least 1 trigger\nError parsing State 5, x\nError in Statedef 5"},
        {"[Statedef 5]\ntype = Q\n" + VarAdd(5, 0), "State type \"Q\" not valid\nError in Statedef 5"},
        {"[Statedef 5]\nmovetype = S\n" + VarAdd(5, 0), "State movetype \"S\" not valid\nError in Statedef 5"},
        {"[Statedef 5]\nphysics = H\n" + VarAdd(5, 0), "State physics \"H\" not valid\nError in Statedef 5"},
        {"[Statedef 5]\nvelset = 1, )\n" + VarAdd(5, 0), "\nError parsing velset\nError in Statedef 5"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Load(c.text), nullptr) << c.text;
        std::string err = gv->errorText;
        EXPECT_EQ(err.substr(err.size() - std::min(err.size(), strlen(c.error))), c.error) << c.text;
    }
}

TEST_F(StateDefTest, HeaderKeysAndSpecialStatesIgnoringThem)
{
    ASSERT_NE(Load("[Statedef 10]\ntype = c\nmovetype = A\nphysics = u\nvelset = 2, -3\nctrl = 0\nsprpriority = 2\n"
                   "juggle = 4\nhitcountpersist = 1\n" + VarAdd(10, 0) +
                   "[Statedef -2]\ntype = Q\nvelset = oops(\n" + VarAdd(-2, 1) +
                   "[Statedef 20]\nvelset = 5\n" + VarAdd(20, 0)),
              nullptr)
        << gv->errorText;
    StateDef *sd = StateDefListFind(list, 10);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(sd->stateType, 2);
    EXPECT_EQ(sd->moveType, 1);
    EXPECT_EQ(sd->physics, -1);
    EXPECT_EQ(StateDefListFind(list, -2)->stateType, 1);

    pl->state.stateNo = 10;
    pl->state.physics = 3;
    pl->state.ctrl = 1;
    pl->facing = -1;
    pl->hit.hitCount = 5;
    pl->hitDef.active = 1;
    pl->state.moveContact = 3;
    Tick();
    EXPECT_EQ(pl->state.stateType, 2);
    EXPECT_EQ(pl->state.moveType, 1);
    EXPECT_EQ(pl->state.physics, 3);
    EXPECT_EQ(pl->state.ctrl, 0);
    EXPECT_FLOAT_EQ(pl->velX, -2.0f);
    EXPECT_FLOAT_EQ(pl->velY, -3.0f);
    EXPECT_EQ(pl->sprPriority, 2);
    EXPECT_EQ(pl->hitDef.juggle, 4);
    EXPECT_EQ(pl->hit.hitCount, 5);       // kept
    EXPECT_EQ(pl->hitDef.active, 0);   // hitdefpersist 0
    EXPECT_EQ(pl->state.moveContact, 0);  // movehitpersist 0
    EXPECT_EQ(pl->guardDist, 160);
    EXPECT_EQ(pl->state.stateExists, 1);
    EXPECT_EQ(pl->var[1], 1);  // state -2 ran

    // Components left out of velset are not given.
    pl->velY = 9.0f;
    pl->state.stateNo = 20;
    pl->state.time = 0;
    Tick();
    EXPECT_FLOAT_EQ(pl->velX, -5.0f);
    EXPECT_FLOAT_EQ(pl->velY, 9.0f);
}

TEST_F(StateDefTest, HeaderWarnings)
{
    ASSERT_NE(Load("[Statedef 0]\nctrl = 5\njuggle = -2\nanim = -4\n" + VarAdd(0, 0) + "[Statedef 1]\nctrl = -2\n" +
                   VarAdd(1, 0)),
              nullptr);
    pl->state.ctrl = 0;
    Tick();
    EXPECT_EQ(pl->state.ctrl, 1);
    std::string w = GameWarnings();
    EXPECT_NE(w.find("ctrl in statedef should be 1 or 0"), std::string::npos);
    EXPECT_NE(w.find("Illegal juggle points"), std::string::npos);
    EXPECT_NE(w.find("illegal anim number"), std::string::npos);
    pl->state.stateNo = 1;
    pl->state.time = 0;
    TextBufClear(gv->warnLog);
    Tick();
    EXPECT_EQ(pl->state.ctrl, 1);
    EXPECT_NE(GameWarnings().find("ctrl in statedef should be 1 or 0"), std::string::npos);
}

TEST_F(StateDefTest, PersistentCounters)
{
    struct Case {
        const char *persistent;
        std::vector<int> runs;  // var 0 after each of 7 ticks
    };
    const Case cases[] = {
        {"", {1, 2, 3, 4, 5, 6, 7}},
        {"persistent = 1\n", {1, 2, 3, 4, 5, 6, 7}},
        {"persistent = 0\n", {1, 1, 1, 1, 1, 1, 1}},
        {"persistent = -4\n", {1, 1, 1, 1, 1, 1, 1}},
        {"persistent = 3\n", {1, 1, 1, 2, 2, 2, 3}},
        {"persistent = 256\n", {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case &c : cases) {
        ASSERT_NE(Load("[Statedef 0]\n" + VarAdd(0, 0, c.persistent)), nullptr) << gv->errorText;
        memset(pl->var, 0, sizeof pl->var);
        pl->state.stateNo = 0;
        pl->state.time = 0;
        std::vector<int> got;
        for (int t = 0; t < 7; t++) {
            Tick();
            got.push_back(pl->var[0]);
        }
        EXPECT_EQ(got, c.runs) << c.persistent;
    }
    // Entering the state again runs a persistent 0 controller again.
    ASSERT_NE(Load("[Statedef 0]\n" + VarAdd(0, 0, "persistent = 0\n")), nullptr);
    memset(pl->var, 0, sizeof pl->var);
    Tick();
    Tick();
    pl->state.time = 0;
    Tick();
    EXPECT_EQ(pl->var[0], 2);
}

TEST_F(StateDefTest, StateChangesWithinOneTick)
{
    ASSERT_NE(Load("[Statedef 0]\n" + Ctrl(0, "type = ChangeState\ntrigger1 = time = 0\nvalue = 10") + VarAdd(0, 0) +
                   "[Statedef 10]\nctrl = 0\n" + VarAdd(10, 1) +
                   Ctrl(10, "type = ChangeState\ntrigger1 = var(1) = 2\nvalue = 0") + VarAdd(10, 2)),
              nullptr)
        << gv->errorText;
    Tick();
    EXPECT_EQ(pl->state.stateNo, 10);
    EXPECT_EQ(pl->state.prevStateNo, 0);
    EXPECT_EQ(pl->state.ctrl, 0);  // the new state's header ran in the same tick
    EXPECT_EQ(pl->var[0], 0);
    EXPECT_EQ(pl->var[1], 1);
    EXPECT_EQ(pl->var[2], 1);
    Tick();  // 10 changes back to 0, whose time-0 change goes to 10 again
    EXPECT_EQ(pl->state.stateNo, 10);
    EXPECT_EQ(pl->var[1], 3);
    EXPECT_EQ(pl->var[2], 2);
}

TEST_F(StateDefTest, EscapeEndsTheRerunLoop)
{
    ASSERT_NE(Load("[Statedef 1]\n" + Ctrl(1, "type = ChangeState\ntrigger1 = 1\nvalue = 2") + "[Statedef 2]\n" +
                   Ctrl(2, "type = ChangeState\ntrigger1 = 1\nvalue = 1")),
              nullptr);
    pl->state.stateNo = 1;
    escapeHeld = 1;
    int passes = 0;
    PlayerStateRunLoop(pl, &passes);
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(pl->state.stateNo, 2);
}

TEST_F(StateDefTest, StuckStateMachineIsFatal)
{
    ASSERT_NE(Load("[Statedef 1]\n" + Ctrl(1, "type = ChangeState\ntrigger1 = 1\nvalue = 2") + "[Statedef 2]\n" +
                   Ctrl(2, "type = ChangeState\ntrigger1 = 1\nvalue = 1")),
              nullptr);
    pl->state.stateNo = 1;
    EXPECT_EXIT(PlayerStateRunTick(pl), testing::ExitedWithCode(1),
                "State machine stuck in loop \\(stopped after 2500 loops\\): 1 for Tester\nCheck your states for "
                "infinite ChangeState loops.");
    // 2501 changes in one tick are allowed; the 2502nd stops the game.
    ASSERT_NE(Load("[Statedef 0]\n" + VarAdd(0, 0) +
                   Ctrl(0, "type = ChangeState\ntrigger1 = var(0) <= 2501\nvalue = 0")),
              nullptr);
    Tick();
    EXPECT_EQ(pl->var[0], 2502);
}

TEST_F(StateDefTest, TooManyControllersIsFatal)
{
    std::string text = "[Statedef 0]\n";
    for (int i = 0; i < 513; i++)
        text += Ctrl(0, "type = Null\ntrigger1 = 1");
    ASSERT_NE(Load(text), nullptr);
    EXPECT_EXIT(PlayerStateRunTick(pl), testing::ExitedWithCode(1), "state 0 can only have max of 512 controllers");
}

TEST_F(StateDefTest, SpecialStatesByOwnerAndFlags)
{
    ASSERT_NE(Load("[Statedef -3]\n" + VarAdd(-3, 3) + "[Statedef -2]\n" + VarAdd(-2, 2) + "[Statedef -1]\n" +
                   VarAdd(-1, 1) + "[Statedef 0]\n" + VarAdd(0, 0)),
              nullptr);
    struct Case {
        int helper, helperTypePlayer, keyCtrl, shownOnly, custom;
        int runs[4];  // var 0 to 3
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, {1, 1, 1, 1}},  // a top-level player runs -1 without keyctrl
        {0, 0, 0, 1, 0, {1, 0, 1, 1}},
        {1, 0, 1, 0, 0, {1, 1, 0, 0}},
        {1, 0, 0, 0, 0, {1, 0, 0, 0}},  // a helper without keyctrl skips -1
        {1, 1, 1, 0, 0, {1, 1, 1, 1}},
        {1, 1, 0, 0, 0, {1, 0, 1, 1}},
        {0, 0, 0, 0, 1, {0, 0, 1, 0}},  // in another player's states (which lack state 0): only -2, from its own list
    };
    StateDefList other{};
    other.defs = ArrayCreate(1, sizeof(StateDef), nullptr);
    for (const Case &c : cases) {
        memset(pl->var, 0, sizeof pl->var);
        pl->isHelper = c.helper;
        pl->helperTypePlayer = c.helperTypePlayer;
        pl->keyCtrl = c.keyCtrl;
        pl->shownOnly = c.shownOnly;
        pl->state.customList = c.custom ? &other : nullptr;
        pl->state.time = 1;
        PlayerStateRunTick(pl);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(pl->var[i], c.runs[i])
                << i << " " << c.helper << c.helperTypePlayer << c.keyCtrl << c.shownOnly << c.custom;
    }
    pl->state.customList = nullptr;
    ArrayFree(other.defs);
}

// A special state that a later file brings runs from then on; a special
// state repeated by a later file runs as first loaded, also once the list
// has had to grow.
TEST_F(StateDefTest, SpecialStatesOfAppendedFiles)
{
    ASSERT_NE(Load("[Statedef -1]\n" + VarAdd(-1, 1) + "[Statedef 0]\n" + VarAdd(0, 0)), nullptr);
    auto append = [&](const std::string &text) {
        VFile *vf = DefMemVFile(text);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        int ok = StateDefListAppend(list, tp, pl);
        TxtParseClose(tp);
        return ok;
    };
    std::string more = "[Statedef -2]\n" + VarAdd(-2, 2) + "[Statedef -1]\n" + VarAdd(-1, 3);
    for (int n = 100; n < 140; n++)
        more += "[Statedef " + std::to_string(n) + "]\n" + VarAdd(n, 4);
    ASSERT_EQ(append(more), 1) << gv->errorText;
    ASSERT_EQ(append("[Statedef -3]\n" + VarAdd(-3, 5)), 1) << gv->errorText;
    pl->state.time = 1;
    PlayerStateRunTick(pl);
    EXPECT_EQ(pl->var[1], 1);
    EXPECT_EQ(pl->var[2], 1);
    EXPECT_EQ(pl->var[3], 0);
    EXPECT_EQ(pl->var[5], 1);
    EXPECT_EQ(pl->var[0], 1);
}

TEST_F(StateDefTest, MissingStateAndHitPause)
{
    ASSERT_NE(Load("[Statedef 0]\nctrl = 0\n" + VarAdd(0, 0) + VarAdd(0, 1, "ignorehitpause = 1\n")), nullptr);
    pl->state.stateNo = 77;
    pl->hit.hitCount = 3;
    pl->state.moveContact = 2;
    pl->state.time = 1;
    Tick();
    EXPECT_EQ(pl->state.stateExists, 0);
    EXPECT_EQ(pl->hit.hitCount, 3);
    pl->state.time = 0;
    Tick();
    EXPECT_EQ(pl->hit.hitCount, 0);
    EXPECT_EQ(pl->state.moveContact, 0);

    pl->state.stateNo = 0;
    pl->state.time = 0;
    pl->state.ctrl = 1;
    pl->state.hitPauseTime = 2;
    Tick();
    EXPECT_EQ(pl->var[0], 0);
    EXPECT_EQ(pl->var[1], 1);
    EXPECT_EQ(pl->state.ctrl, 1);  // no entry during hit pause
    pl->state.hitPauseTime = 0;
    pl->state.time = 0;
    Tick();
    EXPECT_EQ(pl->state.ctrl, 0);
    EXPECT_EQ(pl->var[0], 1);
}

TEST_F(StateDefTest, TriggerContext)
{
    Player p1{}, p3{}, p2{};
    p1.slot = 1;
    p1.side = 1;
    p3.slot = 3;
    p3.side = 1;
    p2.slot = 2;
    p2.side = 2;
    Player *slots[6] = {nullptr, &p1, &p2, &p3, nullptr, nullptr};
    gv->players = slots;
    gv->playerSlotCount = 5;
    p3.opponent = &p2;
    TrigCtx ctx;
    TrigCtxBuild(&p3, &ctx);
    EXPECT_EQ(ctx.opponent, &p2);
    EXPECT_EQ(ctx.powerOwner, &p1);
    EXPECT_EQ(ctx.partner, &p1);
    gv->cfg.rules.gameType = CFG_GAMETYPE_MIXED;
    TrigCtxBuild(&p3, &ctx);
    EXPECT_EQ(ctx.opponent, nullptr);
    EXPECT_EQ(ctx.powerOwner, &p3);
    gv->cfg.rules.gameType = CFG_GAMETYPE_VS;
    slots[1] = nullptr;  // a side without its first player uses its own power
    TrigCtxBuild(&p3, &ctx);
    EXPECT_EQ(ctx.powerOwner, &p3);
    EXPECT_EQ(ctx.partner, nullptr);
    gv->players = nullptr;
}

}  // namespace

namespace {

// Each controller's triggers start from an empty commands-used list, in the
// special states and in the current state alike, so the learning AI only
// ever sees the commands of the controller that changed the state.
int usedSeen[2];
int RecordUsed(Player *pl, SCtrl *c, TrigCtx *)
{
    usedSeen[ExprEvalInt(pl, &c->slot[1], 0)] = CmdUsedListCount(pl->ai.cmdUsed);
    return 0;
}

TEST_F(StateDefTest, EachControllersTriggersStartFromAnEmptyCommandList)
{
    PlayerStateApplySet(RecordUsed);
    ASSERT_NE(Load("[Statedef -1]\n" + VarAdd(-1, 0) + "[Statedef 0]\n" + VarAdd(0, 1)), nullptr) << gv->errorText;
    auto leftOver = [&] {
        usedSeen[0] = usedSeen[1] = -1;
        CmdUsedListClear(pl->ai.cmdUsed);
        CmdUsedListAdd(pl->ai.cmdUsed, 3);
    };
    leftOver();
    PlayerStateRunCurrent(pl);
    EXPECT_EQ(usedSeen[1], 0);
    leftOver();
    PlayerStateSpecialRun(pl, -1, 3);
    EXPECT_EQ(usedSeen[0], 0);
}

TEST_F(StateDefTest, ControllersApplyWithNoRoutineInstalled)
{
    PlayerStateApplySet(nullptr);
    Load("[Statedef 0]\n" + VarAdd(0, 3));
    Tick();
    EXPECT_EQ(pl->var[3], 1);
}

using StateEntryTest = FieldTest;

TEST_F(StateEntryTest, HeaderStartsTheActionAddsPowerAndFacesTheOpponent)
{
    Field(2);
    // Entered with the opponent (at 220) behind and power to spare.
    p1->posX = 300.0f;
    p1->power = 2500;
    PlayerStateSet(p1, 210);
    PlayerStateRunCurrent(p1);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 200);
    EXPECT_EQ(p1->power, 1500);
    EXPECT_EQ(p1->facing, -1);
    // Again, now facing it and short of power: no turn, and the power stops at 0.
    PlayerStateSet(p1, 210);
    PlayerStateRunCurrent(p1);
    EXPECT_EQ(p1->facing, -1);
    EXPECT_EQ(p1->power, 500);
    PlayerStateSet(p1, 210);
    PlayerStateRunCurrent(p1);
    EXPECT_EQ(p1->power, 0);
}

TEST_F(StateEntryTest, PowerAddGoesToTheSidesFirstPlayer)
{
    Field(4);
    P(1)->power = 1200;
    PlayerStateSet(P(3), 210);
    PlayerStateRunCurrent(P(3));
    EXPECT_EQ(P(1)->power, 200);
    EXPECT_EQ(P(3)->power, 0);
}

}  // namespace
