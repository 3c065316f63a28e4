// Controller application: a table of controllers over a field of fighters, with their clamps, warnings and results.
#include "velok/script/state-i.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/grandom.h"
#include "lib/textbuf.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/match/gameloop.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

class ApplyTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
};

struct CtrlCase {
    const char *body;
    std::function<void(Player *)> check;
    const char *warning;  // warnings expected on the log, separated by "|"; "" for none
    int result;
};

TEST_F(ApplyTest, ControllerTable)
{
    const CtrlCase cases[] = {
        {"type = null", [](Player *) {}, "", 0},
        {"type = varset\nv = 59\nvalue = 7", [](Player *p) { EXPECT_EQ(p->var[59], 7); }, "", 0},
        {"type = varset\nv = 60\nvalue = 7", [](Player *) {}, "set var out of range (60)", 0},
        {"type = varset\nfv = 39\nvalue = 2.5", [](Player *p) { EXPECT_FLOAT_EQ(p->fvar[39], 2.5f); }, "", 0},
        {"type = varset\nfv = 40\nvalue = 1", [](Player *) {}, "set var out of range (40)", 0},
        {"type = varset\nsysvar(5) = 1", [](Player *) {}, "set sysvar out of range (5)", 0},
        {"type = varset\nsysfvar(4) = 1.5", [](Player *p) { EXPECT_FLOAT_EQ(p->sysFvar[4], 1.5f); }, "", 0},
        {"type = varadd\nv = 3\nvalue = 1", [](Player *p) { EXPECT_EQ(p->var[3], INT_MIN); }, "", 0},
        {"type = varrangeset\nfirst = 10\nlast = 5\nvalue = 1", [](Player *) {}, "set illegal var range (10-5)", 0},
        {"type = varrangeset\nfirst = 50\nvalue = 4",
         [](Player *p) { EXPECT_EQ(p->var[49], 0); EXPECT_EQ(p->var[50], 4); EXPECT_EQ(p->var[59], 4); }, "", 0},
        {"type = varrangeset\nfvalue = 0.5\nfirst = 38",
         [](Player *p) { EXPECT_FLOAT_EQ(p->fvar[38], 0.5f); EXPECT_FLOAT_EQ(p->fvar[39], 0.5f); }, "", 0},
        {"type = varrangeset\nfvalue = 0.5\nlast = 40", [](Player *) {}, "set illegal var range (0-40)", 0},
        {"type = varrandom\nv = 60", [](Player *) {}, "randomized var out of range (60)", 0},
        {"type = varrandom\nv = 2\nrange = 9, 5",
         [](Player *p) { EXPECT_GE(p->var[2], 5); EXPECT_LE(p->var[2], 9); }, "", 0},
        {"type = ctrlset\nvalue = 5", [](Player *p) { EXPECT_EQ(p->state.ctrl, 1); }, "", 0},
        {"type = ctrlset\nvalue = 0", [](Player *p) { EXPECT_EQ(p->state.ctrl, 0); }, "", 0},
        {"type = posset\nx = 10\ny = -5", [](Player *p) {
             EXPECT_FLOAT_EQ(p->posX, 10 + 30 + 160);  // the camera stands at 30
             EXPECT_FLOAT_EQ(p->posY, -5);
             EXPECT_FLOAT_EQ(p->posZ, 0);
         }, "", 0},
        {"type = posadd\nx = 10\nz = 2", [](Player *p) { EXPECT_FLOAT_EQ(p->posX, 110); EXPECT_FLOAT_EQ(p->posZ, 2); }, "", 0},
        {"type = velset\nx = 3\ny = -4", [](Player *p) { EXPECT_FLOAT_EQ(p->velX, 3); EXPECT_FLOAT_EQ(p->velY, -4); }, "", 0},
        {"type = veladd\nx = 1", [](Player *p) { EXPECT_FLOAT_EQ(p->velX, 1); }, "", 0},
        {"type = velmul\ny = 2", [](Player *p) { EXPECT_FLOAT_EQ(p->velY, 0); }, "", 0},
        {"type = gravity", [](Player *p) { EXPECT_FLOAT_EQ(p->velY, 0.44f); }, "", 0},
        {"type = posfreeze", [](Player *p) { EXPECT_EQ(p->posFreeze, 1); }, "", 0},
        {"type = offset\nx = 3.7\ny = -2", [](Player *p) { EXPECT_EQ(p->drawOffsetX, 3); EXPECT_EQ(p->drawOffsetY, -2); }, "", 0},
        {"type = hitby\nvalue = SCA\ntime = 5", [](Player *p) {
             EXPECT_EQ(p->getHit.hitByMask[0], 0x7);
             EXPECT_EQ(p->getHit.hitByTime[0], 5);
             EXPECT_EQ(p->getHit.hitByMask[1], 4095);
         }, "", 0},
        {"type = nothitby\nvalue2 = S, NA", [](Player *p) {
             EXPECT_EQ(p->getHit.hitByMask[1], 0xfff & ~0x9);
             EXPECT_EQ(p->getHit.hitByTime[1], 1);
         }, "", 0},
        {"type = width\nedge = 3, 4\nplayer = 5, 6", [](Player *p) {
             EXPECT_EQ(p->widthEdgeFront, 3);
             EXPECT_EQ(p->widthEdgeBack, 4);
             EXPECT_EQ(p->widthPlayerFront, 5);
             EXPECT_EQ(p->widthPlayerBack, 6);
         }, "", 0},
        {"type = screenbound\nvalue = 0\nmovecamera = 1, 0", [](Player *p) {
             EXPECT_EQ(p->screenBound, 0);
             EXPECT_EQ(p->moveCameraX, 1);
             EXPECT_EQ(p->moveCameraY, 0);
         }, "", 0},
        {"type = sprpriority\nvalue = 3", [](Player *p) { EXPECT_EQ(p->sprPriority, 3); }, "", 0},
        {"type = angledraw\nscale = 2, 0.5", [](Player *p) {
             EXPECT_EQ(p->angleDraw, 1);
             EXPECT_FLOAT_EQ(p->angle, 0);
             EXPECT_FLOAT_EQ(p->drawScaleX, 2);
             EXPECT_FLOAT_EQ(p->drawScaleY, 0.5f);
         }, "", 0},
        {"type = angleset\nvalue = 30", [](Player *p) { EXPECT_FLOAT_EQ(p->angle, 30); }, "", 0},
        {"type = trans\ntrans = addalpha\nalpha = 300, -4", [](Player *p) {
             EXPECT_EQ(p->transKind, 3);
             EXPECT_EQ(p->transSrc, 256);
             EXPECT_EQ(p->transDst, 0);
         }, "", 0},
        {"type = attackdist\nvalue = 90", [](Player *p) { EXPECT_EQ(p->guardDist, 90); }, "", 0},
        {"type = playerpush\nvalue = 0", [](Player *p) { EXPECT_EQ(p->playerPush, 0); }, "", 0},
        {"type = hitfallset\nvalue = 1\nxvel = 9\nvelocity = 2, -5", [](Player *p) {
             EXPECT_EQ(p->getHit.fall, 1);
             EXPECT_FLOAT_EQ(p->getHit.fallXVel, 2);
             EXPECT_FLOAT_EQ(p->getHit.fallYVel, -5);
         }, "", 0},
        {"type = hitfallset", [](Player *p) {
             EXPECT_EQ(p->getHit.fall, 0);
             EXPECT_FLOAT_EQ(p->getHit.fallXVel, 0);
         }, "", 0},
        {"type = attackmulset\nvalue = 1.5", [](Player *p) { EXPECT_FLOAT_EQ(p->attackMul, 1.5f); }, "", 0},
        {"type = defencemulset\nvalue = 0.5", [](Player *p) { EXPECT_FLOAT_EQ(p->defenceMul, 0.5f); }, "", 0},
        {"type = statetypeset\nstatetype = A\nphysics = N", [](Player *p) {
             EXPECT_EQ(p->state.stateType, STATETYPE_A);
             EXPECT_EQ(p->state.moveType, MOVETYPE_I);
             EXPECT_EQ(p->state.physics, PHYSICS_N);
         }, "", 0},
        {"type = assertspecial\nflag = noautoturn\nflag2 = noko\nflag3 = invisible", [](Player *p) {
             EXPECT_EQ(p->assertFlags[ASSERT_NOAUTOTURN], 1);
             EXPECT_EQ(p->assertFlags[ASSERT_INVISIBLE], 1);
             EXPECT_EQ(p->assertFlags[ASSERT_NOWALK], 0);
             EXPECT_EQ(gv->specialFlags[GAME_SPECIAL_NOKO], 1);
         }, "", 0},
        {"type = lifeset\nvalue = 5000", [](Player *p) { EXPECT_EQ(p->life, 1000); }, "", 0},
        {"type = lifeset\nvalue = -3", [](Player *p) { EXPECT_EQ(p->life, 0); }, "", 0},
        {"type = turn", [](Player *p) { EXPECT_EQ(p->facing, -1); }, "", 0},
        {"type = changestate\nvalue = -5", [](Player *p) {
             EXPECT_EQ(p->state.stateNo, 0);
             EXPECT_EQ(p->state.prevStateNo, 0);
         }, "attempted change to negative state", 1},
        {"type = changestate\nvalue = 0\nctrl = 0\nanim = 10", [](Player *p) {
             EXPECT_EQ(p->state.ctrl, 0);
             EXPECT_EQ(AnimObjActionNo(p->anim), 10);
         }, "", 1},
        {"type = changestate\nvalue = 0\nanim = -2", [](Player *p) {
             EXPECT_EQ(AnimObjActionNo(p->anim), 0);
         }, "attempted change to negative anim", 1},
        {"type = changeanim\nvalue = 10\nelem = 3", [](Player *p) {
             EXPECT_EQ(AnimObjActionNo(p->anim), 10);
             EXPECT_EQ(p->anim->elemIndex, 2);
         }, "", 0},
        {"type = changeanim\nvalue = 10\nelem = 4", [](Player *p) {
             EXPECT_EQ(AnimObjActionNo(p->anim), 10);
             EXPECT_EQ(p->anim->elemIndex, 0);
         }, "Changed to invalid animelem 4 within action 10", 0},
        {"type = changeanim\nvalue = 77", [](Player *p) {
             EXPECT_EQ(AnimObjActionNo(p->anim), 0);
             EXPECT_EQ(p->invalidAction, 1);
         }, "Changed to invalid action 77", 0},
        {"type = changeanim\nvalue = -1\nelem = -1", [](Player *) {},
         "changed to negative animelem|attempted change to negative anim",
         0},
        {"type = movehitreset", [](Player *p) { EXPECT_EQ(p->state.moveContact, 0); }, "", 0},
        {"type = tagout", [](Player *p) { EXPECT_EQ(p->standby, 1); }, "", 1},
        {"type = hitadd\nvalue = 3",
         [](Player *p) {
             EXPECT_EQ(p->hit.hitCount, 3);
             EXPECT_EQ(p->hit.uniqHitCount, 3);
             EXPECT_EQ(gv->combo[0].hits, 3) << "and the side's combo counter";
         }, "", 0},
        // The fill time is one more than asked (the round loop counts it down
        // before the frame); -1 fills until changed.
        {"type = envcolor\nvalue = 255, 0, 0\ntime = 5\nunder = 1", [](Player *) {
             EXPECT_EQ(gv->envColor, 0xf800);
             EXPECT_EQ(gv->envColorTime, 6);
             EXPECT_EQ(gv->envColorUnder, 1);
         }, "", 0},
        {"type = envcolor", [](Player *) {
             EXPECT_EQ(gv->envColor, 0xffff);
             EXPECT_EQ(gv->envColorTime, 2);
             EXPECT_EQ(gv->envColorUnder, 0);
         }, "", 0},
        {"type = envcolor\nvalue = 300, -5, 128\ntime = -1", [](Player *) {
             EXPECT_EQ(gv->envColor, 0xf810);
             EXPECT_EQ(gv->envColorTime, -1);
         }, "", 0},
        {"type = envcolor\ntime = -3", [](Player *) { EXPECT_EQ(gv->envColorTime, 2); }, "set illegal envcolortime", 0},
    };
    for (const CtrlCase &c : cases) {
        SCOPED_TRACE(c.body);
        TearDown();
        SetUp();
        gv->cameraX = 30;
        p1->var[3] = INT_MAX;
        p1->state.moveContact = CONTACT_HIT;
        SCtrl *ctrl = Ctrl(c.body);
        ASSERT_NE(ctrl, nullptr) << gv->errorText;
        ClearWarnings();
        EXPECT_EQ(Apply(p1, ctrl), c.result);
        std::string w = Warnings();
        if (!*c.warning) {
            EXPECT_EQ(w, "");
        }
        std::string want = c.warning;
        for (size_t at = 0; at < want.size();) {
            size_t bar = want.find('|', at);
            std::string part = want.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            EXPECT_NE(w.find("Player P1 (56) in state " + std::to_string(p1->state.stateNo) + ":\n" + part),
                      std::string::npos) << w;
            at = bar == std::string::npos ? want.size() : bar + 1;
        }
        c.check(p1);
    }
}

TEST_F(ApplyTest, FallEnvShakeStartsTheShakeOnce)
{
    SCtrl *c = Ctrl("type = fallenvshake");
    ASSERT_NE(c, nullptr) << gv->errorText;
    PlayerGetHit *g = &p1->getHit;
    g->fallEnvShakeTime = 12;
    g->fallEnvShakeAmpl = -5;
    g->fallEnvShakeFreq = 40.0f;
    g->fallEnvShakePhase = 10.0f;
    gv->shakeCounter = 3;
    EXPECT_EQ(Apply(p1, c), 0);
    EXPECT_EQ(gv->shakeTime, 12);
    EXPECT_EQ(gv->shakeCounter, 0);
    EXPECT_FLOAT_EQ(gv->shakeAmpl, -5.0f);
    EXPECT_FLOAT_EQ(gv->shakeFreq, 40.0f);
    EXPECT_FLOAT_EQ(gv->shakePhase, 10.0f);
    EXPECT_EQ(g->fallEnvShakeTime, 0);
    EXPECT_EQ(EvalFor(p1, "gethitvar(fall.envshake.ampl)").i, 0);
    // Used up: a second one changes nothing.
    gv->shakeTime = 4;
    Apply(p1, c);
    EXPECT_EQ(gv->shakeTime, 4);
}

TEST_F(ApplyTest, ChangeStateTurnsTowardTheOpponentOnStagesThatTurn)
{
    struct Case {
        const char *type;
        int autoTurn, mode, ctrl, stateType, helper, enabled;
        int turns;
    } cases[] = {
        {"changestate", 1, GAMELOOP_MATCH, 1, STATETYPE_S, 0, 1, 1},
        {"selfstate", 1, GAMELOOP_MATCH, 1, STATETYPE_C, 0, 1, 1},
        {"changestate", 0, GAMELOOP_MATCH, 1, STATETYPE_S, 0, 1, 0},
        {"changestate", 1, GAMELOOP_WIN_SCREEN, 1, STATETYPE_S, 0, 1, 0},
        {"changestate", 1, GAMELOOP_MATCH, 0, STATETYPE_S, 0, 1, 0},
        {"changestate", 1, GAMELOOP_MATCH, 1, STATETYPE_A, 0, 1, 0},
        {"changestate", 1, GAMELOOP_MATCH, 1, STATETYPE_S, 1, 1, 0},
        {"changestate", 1, GAMELOOP_MATCH, 1, STATETYPE_S, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " autoturn " << c.autoTurn << " mode " << c.mode << " ctrl "
                                        << c.ctrl << " type " << c.stateType << " helper " << c.helper);
        SCtrl *ctrl = Ctrl(std::string("type = ") + c.type + "\nvalue = 200\nctrl = 0");
        ASSERT_NE(ctrl, nullptr) << gv->errorText;
        gv->stageAutoTurn = c.autoTurn;
        gv->gameLoopMode = c.mode;
        if (p1->facing != 1)
            PlayerTurn(p1);
        p1->state.ctrl = c.ctrl;
        p1->state.stateType = c.stateType;
        p1->isHelper = c.helper;
        P(2)->posX = 50.0f;  // behind player 1
        P(2)->enabled = c.enabled;
        EXPECT_EQ(Apply(p1, ctrl), 1);
        EXPECT_EQ(p1->state.stateNo, 200);
        EXPECT_EQ(p1->facing, c.turns ? -1 : 1);
        EXPECT_EQ(p1->state.ctrl, 0);
        P(2)->enabled = 1;
    }
}

TEST_F(ApplyTest, VarRandomCoversTheWidestRangeWithoutOverflow)
{
    p1->var[0] = 0;
    SCtrl *wide = Ctrl("type = varrandom\nv = 1\nrange = -2147483647 - 1, 2147483647");
    SCtrl *single = Ctrl("type = varrandom\nv = 2\nrange = 7, 7");
    ASSERT_NE(wide, nullptr) << gv->errorText;
    ASSERT_NE(single, nullptr) << gv->errorText;
    GameRandomSeed(5);
    bool sawOther = false;
    for (int i = 0; i < 50; i++) {
        EXPECT_EQ(Apply(p1, wide), 0);
        EXPECT_EQ(Apply(p1, single), 0);
        EXPECT_EQ(p1->var[2], 7);
        // low + r with r below 32768: the result stays at the bottom of the range.
        EXPECT_GE(p1->var[1], INT_MIN);
        EXPECT_LT(p1->var[1], INT_MIN + 32768);
        sawOther |= p1->var[1] != INT_MIN;
    }
    EXPECT_TRUE(sawOther);
    EXPECT_EQ(Warnings(), "");
}

TEST_F(ApplyTest, DefenceOfZeroSkipsTheMultiplierWithAWarning)
{
    p1->consts.defence = 0;
    p1->defenceMul = 1.25f;
    SCtrl *c = Ctrl("type = defencemulset\nvalue = 2");
    ASSERT_NE(c, nullptr);
    ClearWarnings();
    EXPECT_EQ(Apply(p1, c), 0);
    EXPECT_FLOAT_EQ(p1->defenceMul, 1.25f);
    EXPECT_NE(Warnings().find("defencemulset with a defence of 0 ignored"), std::string::npos);
    p1->consts.defence = 200;
    EXPECT_EQ(Apply(p1, c), 0);
    EXPECT_FLOAT_EQ(p1->defenceMul, 1.0f);
}

TEST_F(ApplyTest, ClipboardControllers)
{
    SCtrl *display = Ctrl("type = displaytoclipboard\ntext = \"life %d, x %.1f\"\nparams = life, 2.5");
    SCtrl *append = Ctrl("type = appendtoclipboard\ntext = \"\\nnext\"");
    SCtrl *clear = Ctrl("type = clearclipboard");
    ASSERT_TRUE(display && append && clear) << gv->errorText;
    Apply(p1, display);
    Apply(p1, display);
    EXPECT_STREQ(p1->clipboard->lines[p1->clipboard->current], "life 1000, x 2.5");
    Apply(p1, append);
    EXPECT_STREQ(p1->clipboard->lines[p1->clipboard->current], "next");
    Apply(p1, clear);
    EXPECT_STREQ(p1->clipboard->lines[p1->clipboard->current], "");
}

TEST_F(ApplyTest, ParentVariablesOnlyForHelpers)
{
    SCtrl *set = Ctrl("type = parentvarset\nv = 4\nvalue = 9");
    SCtrl *add = Ctrl("type = parentvaradd\nfv = 40\nvalue = 1");
    ASSERT_TRUE(set && add) << gv->errorText;
    ClearWarnings();
    Apply(p1, set);
    EXPECT_NE(Warnings().find("no parent for parentvarset"), std::string::npos);
    Player *helper = P(2);
    helper->isHelper = 1;
    helper->parent = p1;
    helper->parentSlot = p1->slot;
    helper->parentId = p1->id;
    ClearWarnings();
    Apply(helper, set);
    EXPECT_EQ(p1->var[4], 9);
    EXPECT_EQ(helper->var[4], 0);
    Apply(helper, add);
    EXPECT_NE(Warnings().find("set parentvar out of range"), std::string::npos);
}

TEST_F(ApplyTest, ChangeAnim2UsesTheSetOfTheStatesItRuns)
{
    AnimSet *other = nullptr;
    WriteFileText("other.air", AirAction(300, {"3,0, 0,0, 4"}));
    other = AnimLoadFile("other.air");
    ASSERT_NE(other, nullptr);
    SCtrl *c = Ctrl("type = changeanim2\nvalue = 300");
    SCtrl *own = Ctrl("type = changeanim\nvalue = 10");
    SCtrl *self = Ctrl("type = selfstate\nvalue = 0");
    ASSERT_TRUE(c && own && self) << gv->errorText;
    // Not in another player's states: the own actions, where 300 is missing.
    p1->animOverride = other;
    ClearWarnings();
    Apply(p1, c);
    EXPECT_NE(Warnings().find("Changed to invalid action 300"), std::string::npos);
    EXPECT_EQ(p1->animOverride, nullptr);
    // In another player's states the override holds.
    p1->state.customList = (StateDefList *)&other;  // any non-null list marks custom states
    p1->state.customOwnerId = 57;
    p1->animOverride = other;
    ClearWarnings();
    Apply(p1, c);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(AnimObjActionNo(p1->anim), 300);
    EXPECT_EQ(p1->anim->set, other);
    // changeanim takes the own set even there.
    Apply(p1, own);
    EXPECT_EQ(p1->anim->set, PlayerOwnAnims(p1));
    EXPECT_EQ(AnimObjActionNo(p1->anim), 10);
    // selfstate leaves the custom states and takes back the own actions.
    PlayerAnimSet(p1, 300);
    EXPECT_EQ(Apply(p1, self), 1);
    EXPECT_EQ(p1->state.customList, nullptr);
    EXPECT_EQ(p1->state.customOwnerId, -1);
    EXPECT_EQ(p1->animOverride, nullptr);
    EXPECT_EQ(p1->anim->set, PlayerOwnAnims(p1));
    EXPECT_EQ(AnimObjActionNo(p1->anim), 0);
    AnimSetFree(other);
}

TEST_F(ApplyTest, AttackAndLifeControllers)
{
    // hitdef and reversaldef: the attack block, active, with the next game serial.
    gv->hitDefSerial = 7;
    SCtrl *hd = Ctrl("type = hitdef\nattr = S, NA\ndamage = 20, 4\nid = 3");
    SCtrl *rd = Ctrl("type = reversaldef\nreversal.attr = SCA, AA");
    ASSERT_TRUE(hd && rd) << gv->errorText;
    p1->attackMul = 1.5f;
    EXPECT_EQ(Apply(p1, hd), 0);
    EXPECT_EQ(p1->hitDef.active, 1);
    EXPECT_EQ(p1->hitDef.serial, 7);
    EXPECT_EQ(p1->hitDef.damage, 30);
    EXPECT_EQ(p1->hitDef.guardDamage, 4);
    EXPECT_EQ(p1->hitDef.id, 3);
    EXPECT_EQ(p1->hitDef.reversalAttr, 0);
    p1->hitDef.reversalUsed = 1;
    EXPECT_EQ(Apply(p1, rd), 0);
    EXPECT_EQ(p1->hitDef.serial, 8);
    EXPECT_EQ(gv->hitDefSerial, 9);
    EXPECT_NE(p1->hitDef.reversalAttr, 0);
    EXPECT_EQ(p1->hitDef.reversalUsed, 0);

    // lifeadd: the negated value as damage, scaled unless absolute; kill 0 stops at 1.
    struct {
        const char *body;
        int life, want;
    } cases[] = {
        {"type = lifeadd\nvalue = -30", 1000, 940},
        {"type = lifeadd\nvalue = -30\nabsolute = 1", 1000, 970},
        {"type = lifeadd\nvalue = 50", 900, 950},
        {"type = lifeadd\nvalue = -30\nkill = 0", 5, 1},
        {"type = lifeadd\nvalue = -30", 5, 0},
    };
    p1->defenceMul = 2.0f;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body);
        SCtrl *ctrl = Ctrl(c.body);
        ASSERT_NE(ctrl, nullptr) << gv->errorText;
        p1->life = c.life;
        Apply(p1, ctrl);
        EXPECT_EQ(p1->life, c.want);
    }
    // hitfalldamage takes the fall damage as it is, once.
    SCtrl *fall = Ctrl("type = hitfalldamage");
    ASSERT_NE(fall, nullptr);
    p1->life = 100;
    p1->getHit.fallDamage = 20;
    Apply(p1, fall);
    Apply(p1, fall);
    EXPECT_EQ(p1->life, 80);
    EXPECT_EQ(p1->getHit.fallDamage, 0);
}

class ApplyTeamTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(4);
    }
};

TEST_F(ApplyTeamTest, PowerGoesToTheSidesFirstPlayer)
{
    SCtrl *add = Ctrl("type = poweradd\nvalue = 2000");
    SCtrl *set = Ctrl("type = powerset\nvalue = -5");
    ASSERT_TRUE(add && set);
    Apply(P(3), add);
    EXPECT_EQ(p1->power, 2000);
    EXPECT_EQ(P(3)->power, 0);
    Apply(P(3), add);
    EXPECT_EQ(p1->power, 3000);  // clamped to the maximum
    Apply(P(4), add);
    EXPECT_EQ(P(2)->power, 2000);
    Apply(p1, set);
    EXPECT_EQ(p1->power, 0);
}

TEST_F(ApplyTeamTest, TagInAndTagOut)
{
    SCtrl *in = Ctrl("type = tagin\nstateno = 0\npartnerstateno = 0");
    SCtrl *badPartner = Ctrl("type = tagin\nstateno = 0\npartnerstateno = -2");
    SCtrl *noOwnState = Ctrl("type = tagin\nstateno = -1\npartnerstateno = -2");
    SCtrl *out = Ctrl("type = tagout");
    ASSERT_TRUE(in && badPartner && noOwnState && out) << gv->errorText;
    Player *partner = P(3);
    partner->standby = 1;
    partner->facing = -1;
    partner->state.stateNo = 5;
    p1->state.stateNo = 7;
    EXPECT_EQ(Apply(p1, in), 1);
    EXPECT_EQ(p1->state.stateNo, 0);
    EXPECT_EQ(partner->state.stateNo, 0);
    EXPECT_EQ(partner->state.prevStateNo, 5);
    EXPECT_EQ(partner->standby, 0);
    EXPECT_EQ(partner->facing, 1);

    // A negative partner state warns; the own state changed, so the run stops.
    p1->state.stateNo = 7;
    partner->state.stateNo = 5;
    ClearWarnings();
    EXPECT_EQ(Apply(p1, badPartner), 1);
    EXPECT_EQ(p1->state.stateNo, 0);
    EXPECT_EQ(partner->state.stateNo, 5);
    EXPECT_NE(Warnings().find("attempted change to negative anim"), std::string::npos);
    p1->state.stateNo = 7;
    EXPECT_EQ(Apply(p1, noOwnState), 0);
    EXPECT_EQ(p1->state.stateNo, 7);

    EXPECT_EQ(Apply(P(3), out), 1);
    EXPECT_EQ(P(3)->standby, 1);

    // Without partnerstateno the partner comes in at state 0; ctrl changes nothing.
    SCtrl *bare = Ctrl("type = tagin\nstateno = 200\nctrl = 0");
    ASSERT_NE(bare, nullptr) << gv->errorText;
    partner->state.stateNo = 5;
    p1->state.ctrl = 1;
    EXPECT_EQ(Apply(p1, bare), 1);
    EXPECT_EQ(p1->state.stateNo, 200);
    EXPECT_EQ(p1->state.ctrl, 1);
    EXPECT_EQ(partner->state.stateNo, 0);
    EXPECT_EQ(partner->standby, 0);
}

TEST_F(ApplyTest, TagInWithoutPartnerStops)
{
    SCtrl *in = Ctrl("type = tagin\nstateno = 0");
    ASSERT_NE(in, nullptr);
    p1->state.stateNo = 7;
    EXPECT_EQ(Apply(p1, in), 1);
    EXPECT_EQ(p1->state.stateNo, 7);
}

using ApplyDeath = ApplyTest;

TEST_F(ApplyDeath, UnknownTypeIsFatal)
{
    SCtrl c{};
    c.type = 9999;
    EXPECT_EXIT(PlayerSCtrlApply(p1, &c, nullptr), testing::ExitedWithCode(1), "PlayerSCtrlApplyElem not recognised");
}

// P1 holds P2 (hit id 5) and P4 (hit id 7) as targets.
class ApplyTargetTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(4);
        Hold(P(2), 5);
        Hold(P(4), 7);
    }
    void Hold(Player *t, int hitId)
    {
        PlayerTarget e{};
        e.target = t;
        t->getHit.chainId = hitId;
        ASSERT_GE(ArrayAdd(p1->targets, &e, 0, 0), 0);
    }
    int Count() { return TargetCountById(p1->targets, -1); }
};

TEST_F(ApplyTargetTest, TargetStateVelocityFacingAndPower)
{
    SCtrl *state = Ctrl("type = targetstate\nvalue = 300\nid = 5");
    SCtrl *neg = Ctrl("type = targetstate\nvalue = -1\nid = 7");
    SCtrl *vel = Ctrl("type = targetvelset\nx = 3\ny = -2\nid = -1");
    SCtrl *add = Ctrl("type = targetveladd\ny = -1");
    SCtrl *face = Ctrl("type = targetfacing\nvalue = 1\nid = 7");
    SCtrl *power = Ctrl("type = targetpoweradd\nvalue = 500");
    ASSERT_TRUE(state && neg && vel && add && face && power) << gv->errorText;

    p1->animOverride = nullptr;
    ClearWarnings();
    EXPECT_EQ(Apply(p1, state), 0);
    EXPECT_EQ(P(2)->state.stateNo, 300);
    EXPECT_EQ(P(2)->state.customList, p1->state.ownList);
    EXPECT_EQ(P(2)->state.customOwnerId, 56);
    EXPECT_EQ(P(2)->cmdSet, p1->cmdSet);
    EXPECT_EQ(P(2)->animOverride, PlayerOwnAnims(p1));
    EXPECT_EQ(P(4)->state.stateNo, 0);  // the hit id does not match
    EXPECT_EQ(P(4)->state.customList, nullptr);
    EXPECT_EQ(Warnings(), "");
    Apply(p1, neg);
    EXPECT_EQ(P(4)->state.stateNo, 0);
    EXPECT_EQ(P(4)->state.customOwnerId, 56);
    EXPECT_NE(Warnings().find("attempted targetstate to negative"), std::string::npos);

    p1->facing = -1;
    Apply(p1, vel);
    EXPECT_FLOAT_EQ(P(2)->velX, -3);
    EXPECT_FLOAT_EQ(P(4)->velY, -2);
    EXPECT_FLOAT_EQ(P(4)->velZ, 0);
    Apply(p1, add);
    EXPECT_FLOAT_EQ(P(2)->velX, -3);
    EXPECT_FLOAT_EQ(P(2)->velY, -3);

    Apply(p1, face);  // P4 faces left like P1 already
    EXPECT_EQ(P(4)->facing, -1);
    p1->facing = 1;
    Apply(p1, face);
    EXPECT_EQ(P(4)->facing, 1);
    EXPECT_EQ(P(2)->facing, -1);

    Apply(p1, power);
    EXPECT_EQ(P(2)->power, 1000);  // P2 and P4 both add to side 2's power
    EXPECT_EQ(p1->power, 0);
}

TEST_F(ApplyTargetTest, TargetBindAndBindToTarget)
{
    SCtrl *bind = Ctrl("type = targetbind\ntime = -3\npos = 10, -20");
    SCtrl *to = Ctrl("type = bindtotarget\ntime = 4\nid = 7\npos = 5, 0, head");
    ASSERT_TRUE(bind && to) << gv->errorText;
    P(4)->alive = 0;
    ClearWarnings();
    Apply(p1, bind);
    EXPECT_NE(Warnings().find("set illegal target bindtime"), std::string::npos);
    PlayerTarget *e2 = TargetListFind(p1->targets, P(2));
    PlayerTarget *e4 = TargetListFind(p1->targets, P(4));
    ASSERT_TRUE(e2 && e4);
    EXPECT_EQ(e2->bindTime, 1);
    EXPECT_FLOAT_EQ(e2->bindX, 10);
    EXPECT_FLOAT_EQ(e2->bindY, -20);
    EXPECT_EQ(e4->bindTime, 0);  // a dead target is not bound

    Apply(p1, to);
    EXPECT_EQ(p1->bindTo.time, 4);
    EXPECT_EQ(p1->bindTo.slot, 4);
    EXPECT_EQ(p1->bindTo.id, 59);
    EXPECT_FLOAT_EQ(p1->bindTo.offX, 5 + (float)P(4)->consts.headPosX);
    EXPECT_FLOAT_EQ(p1->bindTo.offY, (float)P(4)->consts.headPosY);
}

TEST_F(ApplyTargetTest, TargetDrop)
{
    SCtrl *all = Ctrl("type = targetdrop");
    SCtrl *keep = Ctrl("type = targetdrop\nexcludeID = 5");
    SCtrl *keepMany = Ctrl("type = targetdrop\nexcludeID = 5\nkeepone = 0");
    ASSERT_TRUE(all && keep && keepMany) << gv->errorText;
    Hold(P(3), 5);  // a second target of hit id 5
    Apply(p1, keepMany);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(TargetListFind(p1->targets, P(4)), nullptr);
    Apply(p1, keep);
    EXPECT_EQ(Count(), 1);
    EXPECT_NE(TargetListFind(p1->targets, P(2)), nullptr);
    Apply(p1, all);
    EXPECT_EQ(Count(), 0);
}

TEST_F(ApplyTargetTest, TargetLifeAddAndTheReleaseOfABoundTarget)
{
    SCtrl *life = Ctrl("type = targetlifeadd\nvalue = -10\nid = 5");
    SCtrl *all = Ctrl("type = targetlifeadd\nvalue = -1\nabsolute = 1");
    SCtrl *drop = Ctrl("type = targetdrop\nexcludeID = 7");
    ASSERT_TRUE(life && all && drop) << gv->errorText;
    P(2)->defenceMul = 2.0f;
    Apply(p1, life);
    EXPECT_EQ(P(2)->life, P(2)->lifeMax - 20);
    EXPECT_EQ(P(4)->life, P(4)->lifeMax);
    P(4)->defenceMul = 2.0f;
    Apply(p1, all);
    EXPECT_EQ(P(2)->life, P(2)->lifeMax - 21);
    EXPECT_EQ(P(4)->life, P(4)->lifeMax - 1);
    EXPECT_EQ(p1->life, p1->lifeMax);

    // P2 was bound at P1's last run: dropped, it leaves P1's states and falls.
    TargetListFind(p1->targets, P(2))->bindTimeSeen = 3;
    P(2)->state.customList = p1->state.ownList;
    P(2)->state.customOwnerId = p1->id;
    Apply(p1, drop);
    EXPECT_EQ(TargetListFind(p1->targets, P(2)), nullptr);
    EXPECT_NE(TargetListFind(p1->targets, P(4)), nullptr);
    EXPECT_EQ(P(2)->state.stateNo, 5050);
    EXPECT_EQ(P(2)->state.customList, nullptr);
    EXPECT_EQ(P(4)->state.stateNo, 0);
}

TEST_F(ApplyTargetTest, BindToParentAndRoot)
{
    SCtrl *parent = Ctrl("type = bindtoparent\ntime = -2\nfacing = 3\npos = 1, 2, 3");
    SCtrl *root = Ctrl("type = bindtoroot\nfacing = -1");
    ASSERT_TRUE(parent && root) << gv->errorText;
    ClearWarnings();
    Apply(p1, parent);
    EXPECT_NE(Warnings().find("No parent for bindtoparent"), std::string::npos);
    Apply(p1, root);
    EXPECT_NE(Warnings().find("No root for bindtoroot"), std::string::npos);
    EXPECT_EQ(p1->bindTo.time, 0);

    Player *h = P(3);
    h->isHelper = 1;
    h->parent = p1;
    h->parentSlot = p1->slot;
    h->parentId = p1->id;
    h->root = p1;
    ClearWarnings();
    Apply(h, parent);
    EXPECT_NE(Warnings().find("illegal helper bindtime"), std::string::npos);
    EXPECT_NE(Warnings().find("bind's facing param not +/-1 or 0"), std::string::npos);
    EXPECT_EQ(h->bindTo.time, 1);
    EXPECT_EQ(h->bindTo.facingRule, 1);
    EXPECT_EQ(h->bindTo.slot, 1);
    EXPECT_FLOAT_EQ(h->bindTo.offZ, 3);
    Apply(h, root);
    EXPECT_EQ(h->bindTo.facingRule, -1);
    EXPECT_EQ(h->bindTo.time, 1);
}
