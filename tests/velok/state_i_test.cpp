// Controller application: a table of controllers over a field of fighters, with their clamps, warnings and results.
#include "velok/state-i.h"

#include <climits>
#include <functional>
#include <string>

#include "lib/anim-lib.h"
#include "lib/grandom.h"
#include "lib/textbuf.h"
#include "support/fieldkit.h"
#include "support/sprkit.h"
#include "velok/gamevars.h"
#include "velok/p-update.h"
#include "velok/player.h"

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
    };
    for (const CtrlCase &c : cases) {
        SCOPED_TRACE(c.body);
        TearDown();
        SetUp();
        gv->cameraX = 30;
        pl.var[3] = INT_MAX;
        pl.state.moveContact = CONTACT_HIT;
        SCtrl *ctrl = Ctrl(c.body);
        ASSERT_NE(ctrl, nullptr) << gv->errorText;
        ClearWarnings();
        EXPECT_EQ(Apply(&pl, ctrl), c.result);
        std::string w = Warnings();
        if (!*c.warning) {
            EXPECT_EQ(w, "");
        }
        std::string want = c.warning;
        for (size_t at = 0; at < want.size();) {
            size_t bar = want.find('|', at);
            std::string part = want.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            EXPECT_NE(w.find("Player Tester (56) in state " + std::to_string(pl.state.stateNo) + ":\n" + part),
                      std::string::npos) << w;
            at = bar == std::string::npos ? want.size() : bar + 1;
        }
        c.check(&pl);
    }
}

TEST_F(ApplyTest, VarRandomCoversTheWidestRangeWithoutOverflow)
{
    pl.var[0] = 0;
    SCtrl *wide = Ctrl("type = varrandom\nv = 1\nrange = -2147483647 - 1, 2147483647");
    SCtrl *single = Ctrl("type = varrandom\nv = 2\nrange = 7, 7");
    ASSERT_NE(wide, nullptr) << gv->errorText;
    ASSERT_NE(single, nullptr) << gv->errorText;
    GameRandomSeed(5);
    bool sawOther = false;
    for (int i = 0; i < 50; i++) {
        EXPECT_EQ(Apply(&pl, wide), 0);
        EXPECT_EQ(Apply(&pl, single), 0);
        EXPECT_EQ(pl.var[2], 7);
        // low + r with r below 32768: the result stays at the bottom of the range.
        EXPECT_GE(pl.var[1], INT_MIN);
        EXPECT_LT(pl.var[1], INT_MIN + 32768);
        sawOther |= pl.var[1] != INT_MIN;
    }
    EXPECT_TRUE(sawOther);
    EXPECT_EQ(Warnings(), "");
}

TEST_F(ApplyTest, DefenceOfZeroSkipsTheMultiplierWithAWarning)
{
    pl.consts.defence = 0;
    pl.defenceMul = 1.25f;
    SCtrl *c = Ctrl("type = defencemulset\nvalue = 2");
    ASSERT_NE(c, nullptr);
    ClearWarnings();
    EXPECT_EQ(Apply(&pl, c), 0);
    EXPECT_FLOAT_EQ(pl.defenceMul, 1.25f);
    EXPECT_NE(Warnings().find("defencemulset with a defence of 0 ignored"), std::string::npos);
    pl.consts.defence = 200;
    EXPECT_EQ(Apply(&pl, c), 0);
    EXPECT_FLOAT_EQ(pl.defenceMul, 1.0f);
}

TEST_F(ApplyTest, ClipboardControllers)
{
    SCtrl *display = Ctrl("type = displaytoclipboard\ntext = \"life %d, x %.1f\"\nparams = life, 2.5");
    SCtrl *append = Ctrl("type = appendtoclipboard\ntext = \"\\nnext\"");
    SCtrl *clear = Ctrl("type = clearclipboard");
    ASSERT_TRUE(display && append && clear) << gv->errorText;
    Apply(&pl, display);
    Apply(&pl, display);
    EXPECT_STREQ(pl.clipboard->lines[pl.clipboard->current], "life 1000, x 2.5");
    Apply(&pl, append);
    EXPECT_STREQ(pl.clipboard->lines[pl.clipboard->current], "next");
    Apply(&pl, clear);
    EXPECT_STREQ(pl.clipboard->lines[pl.clipboard->current], "");
}

TEST_F(ApplyTest, ParentVariablesOnlyForHelpers)
{
    SCtrl *set = Ctrl("type = parentvarset\nv = 4\nvalue = 9");
    SCtrl *add = Ctrl("type = parentvaradd\nfv = 40\nvalue = 1");
    ASSERT_TRUE(set && add) << gv->errorText;
    ClearWarnings();
    Apply(&pl, set);
    EXPECT_NE(Warnings().find("no parent for parentvarset"), std::string::npos);
    Player *helper = P(2);
    helper->isHelper = 1;
    helper->parent = &pl;
    ClearWarnings();
    Apply(helper, set);
    EXPECT_EQ(pl.var[4], 9);
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
    pl.animOverride = other;
    ClearWarnings();
    Apply(&pl, c);
    EXPECT_NE(Warnings().find("Changed to invalid action 300"), std::string::npos);
    EXPECT_EQ(pl.animOverride, nullptr);
    // In another player's states the override holds.
    pl.state.customList = (StateDefList *)&other;  // any non-null list marks custom states
    pl.state.customOwnerId = 57;
    pl.animOverride = other;
    ClearWarnings();
    Apply(&pl, c);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(AnimObjActionNo(pl.anim), 300);
    EXPECT_EQ(pl.anim->set, other);
    // changeanim takes the own set even there.
    Apply(&pl, own);
    EXPECT_EQ(pl.anim->set, anims);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 10);
    // selfstate leaves the custom states and takes back the own actions.
    PlayerAnimSet(&pl, 300);
    EXPECT_EQ(Apply(&pl, self), 1);
    EXPECT_EQ(pl.state.customList, nullptr);
    EXPECT_EQ(pl.state.customOwnerId, -1);
    EXPECT_EQ(pl.animOverride, nullptr);
    EXPECT_EQ(pl.anim->set, anims);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 0);
    AnimSetFree(other);
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
    EXPECT_EQ(pl.power, 2000);
    EXPECT_EQ(P(3)->power, 0);
    Apply(P(3), add);
    EXPECT_EQ(pl.power, 3000);  // clamped to the maximum
    Apply(P(4), add);
    EXPECT_EQ(P(2)->power, 2000);
    Apply(&pl, set);
    EXPECT_EQ(pl.power, 0);
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
    pl.state.stateNo = 7;
    EXPECT_EQ(Apply(&pl, in), 1);
    EXPECT_EQ(pl.state.stateNo, 0);
    EXPECT_EQ(partner->state.stateNo, 0);
    EXPECT_EQ(partner->state.prevStateNo, 5);
    EXPECT_EQ(partner->standby, 0);
    EXPECT_EQ(partner->facing, 1);

    // A negative partner state warns; the own state changed, so the run stops.
    pl.state.stateNo = 7;
    partner->state.stateNo = 5;
    ClearWarnings();
    EXPECT_EQ(Apply(&pl, badPartner), 1);
    EXPECT_EQ(pl.state.stateNo, 0);
    EXPECT_EQ(partner->state.stateNo, 5);
    EXPECT_NE(Warnings().find("attempted change to negative anim"), std::string::npos);
    pl.state.stateNo = 7;
    EXPECT_EQ(Apply(&pl, noOwnState), 0);
    EXPECT_EQ(pl.state.stateNo, 7);

    EXPECT_EQ(Apply(P(3), out), 1);
    EXPECT_EQ(P(3)->standby, 1);
}

TEST_F(ApplyTeamTest, TagInWithoutPartnerStops)
{
    count = 2;  // the partners leave the field
    SCtrl *in = Ctrl("type = tagin\nstateno = 0");
    ASSERT_NE(in, nullptr);
    pl.state.stateNo = 7;
    EXPECT_EQ(Apply(&pl, in), 1);
    EXPECT_EQ(pl.state.stateNo, 7);
    count = 4;
}

using ApplyDeath = ApplyTest;

TEST_F(ApplyDeath, UnknownTypeIsFatal)
{
    SCtrl c{};
    c.type = 9999;
    EXPECT_EXIT(PlayerSCtrlApply(&pl, &c, nullptr), testing::ExitedWithCode(1), "PlayerSCtrlApplyElem not recognised");
}
