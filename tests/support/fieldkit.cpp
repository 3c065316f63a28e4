// Test kit: a field of two or four fighters with life, power, widths and an animation set, for triggers and controllers.
#include "support/fieldkit.h"

#include <cstring>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/sprkit.h"
#include "velok/gamevars.h"
#include "velok/player.h"
#include "velok/state-i.h"

void FieldTest::SetUp()
{
    ScriptTest::SetUp();
    std::string air = AirAction(0, {"0,0, 0,0, -1"}) + AirAction(5, {"0,1, 0,0, 2"}) +
                      AirAction(6, {"0,2, 0,0, 2"}) +
                      AirAction(10, {"1,0, 0,0, 3", "1,1, 0,0, 4", "1,2, 0,0, 5"}) +
                      AirAction(200, {"2,0, 0,0, 2", "2,1, 0,0, 2"});
    WriteFileText("field.air", air);
    anims = AnimLoadFile("field.air");
    ASSERT_NE(anims, nullptr) << LibErrorMsg;
}

static void PlayerInit(Player *p, int slot, AnimSet *anims)
{
    p->slot = slot;
    p->side = slot % 2 ? 1 : 2;
    p->enabled = 1;
    p->alive = 1;
    p->life = p->lifeMax = 1000;
    p->power = 0;
    p->powerMax = 3000;
    p->consts.life = 1000;
    p->consts.power = 3000;
    p->consts.attack = 100;
    p->consts.defence = 100;
    p->consts.groundBack = 15;
    p->consts.groundFront = 16;
    p->consts.airBack = 12;
    p->consts.airFront = 12;
    p->consts.height = 60;
    p->consts.yAccel = 0.44f;
    p->attackMul = 1.0f;
    p->defenceMul = 1.0f;
    p->state.stateType = STATETYPE_S;
    p->state.moveType = MOVETYPE_I;
    p->state.physics = PHYSICS_S;
    p->state.ctrl = 1;
    p->state.customOwnerId = -1;
    p->screenBound = p->moveCameraX = p->moveCameraY = p->playerPush = 1;
    p->drawScaleX = p->drawScaleY = 1.0f;
    p->transKind = -1;
    p->transSrc = 256;
    p->zScale = 1.0f;
    p->getHit.hitByMask[0] = p->getHit.hitByMask[1] = 4095;
    p->facing = p->side == 1 ? 1 : -1;
    p->posX = slot == 1 ? 100.0f : slot == 2 ? 220.0f : slot == 3 ? 60.0f : 260.0f;
    p->animOwn = anims;
    p->anim = AnimObjCreate(anims, nullptr);
    AnimObjChangeAction(p->anim, 0, 0);
    p->clipboard = TextBufCreate(77, 3);
}

void FieldTest::Field(int players)
{
    count = players;
    PlayerInit(&pl, 1, anims);
    for (int n = 2; n <= players; n++) {
        Player *p = P(n);
        memset(p, 0, sizeof *p);
        snprintf(p->name, sizeof p->name, "P%d", n);
        p->id = 55 + n;
        PlayerInit(p, n, anims);
    }
    // Each side's power lives in its first player.
    for (int n = 1; n <= players; n++) {
        Player *first = P(P(n)->side);
        P(n)->powerPtr = &first->power;
        P(n)->powerMaxPtr = &first->powerMax;
        P(n)->root = nullptr;
    }
    pl.opponent = P(2);
    P(2)->opponent = &pl;
    if (players == 4) {
        P(3)->opponent = P(2);
        P(4)->opponent = &pl;
    }
}

void FieldTest::TearDown()
{
    for (Array *a : ctrls) {
        for (SCtrl *c = (SCtrl *)ArrayFirst(a); c; c = (SCtrl *)ArrayNext(a))
            SCtrlFree(c);
        ArrayFree(a);
    }
    ctrls.clear();
    for (int n = 1; n <= count; n++) {
        AnimObjFree(P(n)->anim);
        TextBufFree(P(n)->clipboard);
    }
    count = 0;
    AnimSetFree(anims);
    anims = nullptr;
    ScriptTest::TearDown();
}

ScriptValue FieldTest::EvalFor(Player *who, const char *text, int wanted)
{
    ScriptValue v{};
    Expr e{};
    v.ok = ExprCompile(text, &e, &pl, nullptr, wanted);
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
    int ok = SCtrlParse(f, a, 0, &pl);
    TxtParseClose(f);
    return ok ? (SCtrl *)ArrayFirst(a) : nullptr;
}

TrigCtx FieldTest::Ctx(Player *who)
{
    TrigCtx ctx{};
    ctx.opponent = who->opponent;
    ctx.powerOwner = P(who->side);
    int partner = TrigPartnerSlot(who);
    ctx.partner = partner >= 1 && partner <= count ? P(partner) : nullptr;
    ctx.parent = who->parent;
    ctx.root = who->root;
    return ctx;
}

int FieldTest::Apply(Player *who, SCtrl *c)
{
    TrigCtx ctx = Ctx(who);
    return PlayerSCtrlApply(who, c, &ctx);
}
