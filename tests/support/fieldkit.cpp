// Test kit: a field of two or four fighters made from the kit character, for triggers and controllers.
#include "support/fieldkit.h"

#include <cstring>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/core/pal.h"
#include "velok/player/player.h"
#include "velok/script/state-i.h"
#include "velok/script/statedef.h"

static std::string FieldStates()
{
    return "[Statedef 200]\ntype = S\n"
           "[State 200, none]\ntype = null\ntrigger1 = 1\n"
           "[Statedef 210]\ntype = S\nanim = 200\npoweradd = -1000\nfacep2 = 1\n"
           "[State 210, none]\ntype = null\ntrigger1 = 1\n"
           "[Statedef 5000]\ntype = S\nmovetype = H\n"
           "[State 5000, none]\ntype = null\ntrigger1 = 1\n"
           "[Statedef 300]\n"
           "[State 300, a]\ntype = VarSet\ntrigger1 = command = \"a\"\nv = 10\nvalue = 1\n"
           "[State 300, not FF]\ntype = VarSet\ntrigger1 = command != \"FF\"\nv = 11\nvalue = 1\n";
}

CharKit FieldKitChar()
{
    CharKit kit;
    kit.air = AirAction(0, {"0,0, 0,0, -1"}) + AirAction(5, {"0,0, 0,0, 2"}) + AirAction(6, {"0,0, 0,0, 2"}) +
              AirAction(10, {"0,0, 0,0, 3", "0,0, 0,0, 4", "0,0, 0,0, 5"}) +
              AirAction(200, {"0,0, 0,0, 2", "0,0, 0,0, 2"});
    kit.cns += FieldStates();
    return kit;
}

static int NoEscape()
{
    return 0;
}

int FieldRecordSet()
{
    gv->options.life = 100;
    gv->options.difficulty = 4;
    gv->cfg.misc.playerCache = 2;
    // The configuration's floors.
    gv->cfg.engine.explodMax = 8;
    gv->cfg.engine.sysExplodMax = 8;
    gv->playerInput = 1;
    gv->activePause = -1;
    gv->round.state = 2;
    gv->stageLeftBound = -300.0f;
    gv->stageRightBound = 620.0f;
    gv->stageScaleTop = gv->stageScaleBottom = 1.0f;
    gv->stageScreenLeft = gv->stageScreenRight = 15;
    PlayerStateApplySet(PlayerSCtrlApply);
    PlayerStateEscapeSet(NoEscape);
    return PlayerSlotsCreate(6);
}

void FieldTest::SetUp()
{
    GameVarsTest::SetUp();
    CommandLineNone();
    // Wider and longer than the game's, so that a test sees every warning whole.
    gv->warnLog = TextBufCreate(400, 64);
    ASSERT_EQ(FieldRecordSet(), 1);
    LibErrorMsg[0] = 0;
    ExprStackTop = -1;
}

int FieldPlayersMake(CharInfo *entry, int players)
{
    gv->charList = entry;
    gv->charCount = 1;
    for (int side = 1; side <= 2; side++) {
        TeamInfo *t = &gv->teams[side - 1];
        memset(t, 0, sizeof *t);
        t->entryCount = 1;
        TeamEntry *en = &t->entries[0];
        en->memberCount = side == 1 ? (players + 1) / 2 : players / 2;
        for (int m = 0; m < en->memberCount; m++) {
            en->members[m].slot = side + 2 * m;
            en->members[m].charIndex = 0;
            en->members[m].keySet = side - 1;
        }
        if (!PlayersCreateSide(side))
            return 0;
        gv->sideEntry[side - 1] = *en;
    }
    for (int n = 1; n <= players; n++) {
        Player *p = PlayerSlotGet(n);
        if (!p)
            return 0;
        snprintf(p->name, sizeof p->name, "P%d", n);
        p->runFlag = 1;
        p->posX = n == 1 ? 100.0f : n == 2 ? 220.0f : n == 3 ? 60.0f : 260.0f;
        if (p->side == 2)
            PlayerTurn(p);
    }
    for (int n = 1; n <= players; n++)
        PlayerSlotGet(n)->opponent = PlayerOpponentFind(PlayerSlotGet(n));
    PalListRebuild();
    return 1;
}

int FieldPlayersFree(CharInfo *entries, size_t count)
{
    PalListFree();
    for (int s = 1; gv->players && s <= gv->playerSlotCount; s++) {
        PlayerFree(gv->players[s]);
        gv->players[s] = nullptr;
    }
    for (CharData *&c : gv->slotChar)
        c = nullptr;
    gv->enabledCount = 0;
    gv->enabledFirst = 0;
    gv->enabledLast = -1;
    for (size_t i = 0; i < count; i++)
        entries[i].cacheRefs = 0;
    return gv->charList ? PlayerCacheFlush() : 1;
}

void FieldTest::Field(int players, const CharKit &kit)
{
    FieldFree();
    kit.WriteDir("chars/kit");
    entries.resize(1);
    CharKitEntrySet(&entries[0], "chars/kit", kit.defName);
    ASSERT_EQ(FieldPlayersMake(&entries[0], players), 1) << gv->errorText;
    cd = gv->slotChar[1];
    for (int n = 1; n <= players; n++)
        P(n)->id = 55 + n;
    p1 = P(1);
    ClearWarnings();
}

void FieldTest::FieldFree()
{
    EXPECT_EQ(FieldPlayersFree(entries.data(), entries.size()), 1) << gv->errorText;
    cd = nullptr;
    p1 = nullptr;
}

void FieldTest::TearDown()
{
    for (Array *a : ctrls) {
        for (SCtrl *c = (SCtrl *)ArrayFirst(a); c; c = (SCtrl *)ArrayNext(a))
            SCtrlFree(c);
        ArrayFree(a);
    }
    ctrls.clear();
    FieldFree();
    PlayerStateApplySet(nullptr);
    PlayerStateEscapeSet(nullptr);
    PlayerSlotsFree();
    EXPECT_EQ(ExprStackTop, -1);
    GameVarsTest::TearDown();
}

FieldValue FieldTest::EvalFor(Player *who, const char *text, int wanted)
{
    FieldValue v{};
    Expr e{};
    v.ok = ExprCompile(text, &e, p1, nullptr, wanted);
    if (v.ok)
        v.type = ExprEvaluate(who, &e, &v.i, &v.f);
    ExprFree(&e);
    return v;
}

SCtrl *FieldTest::Ctrl(const std::string &body)
{
    Array *a = ArrayCreate(1, sizeof(SCtrl), nullptr);
    ctrls.push_back(a);
    DefFileWrite("st.cns", "[State 200, test]\ntrigger1 = 1\n" + body + "\n");
    TxtParseFile *f = TxtParseOpen("st.cns");
    if (!f || TxtParseGroupSet(f, "State 200, test") < 0) {
        TxtParseClose(f);
        return nullptr;
    }
    gv->errorText[0] = 0;
    int ok = SCtrlParse(f, a, 0, p1);
    TxtParseClose(f);
    return ok ? (SCtrl *)ArrayFirst(a) : nullptr;
}

int FieldTest::Apply(Player *who, SCtrl *c)
{
    TrigCtx ctx;
    TrigCtxBuild(who, &ctx);
    return PlayerSCtrlApply(who, c, &ctx);
}

std::string FieldTest::Warnings()
{
    return GameWarnings();
}

void FieldTest::ClearWarnings()
{
    TextBufClear(gv->warnLog);
}
