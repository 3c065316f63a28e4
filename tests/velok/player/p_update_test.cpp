// Player setters: state and animation changes with their warnings, life and power clamps, turning and screen edges.
#include "velok/player/p-update.h"

#include <string>

#include "lib/anim-lib.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"

class UpdateTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
};

TEST_F(UpdateTest, StateChangesKeepTheNumberAndWarnWhenMissing)
{
    p1->state.stateNo = 20;
    p1->state.time = 9;
    ClearWarnings();
    EXPECT_EQ(PlayerStateSet(p1, 0), 1);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(p1->state.prevStateNo, 20);
    EXPECT_EQ(p1->state.time, 0);
    EXPECT_EQ(PlayerStateSet(p1, 200), 1);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(PlayerStateSet(p1, 201), 0);
    EXPECT_EQ(p1->state.stateNo, 201);
    EXPECT_EQ(p1->state.prevStateNo, 200);
    EXPECT_NE(Warnings().find("changed to invalid state 201 (from state 200)"), std::string::npos);
    // In another player's states the lookup goes to that player's list.
    p1->state.customList = P(2)->state.ownList;
    EXPECT_EQ(PlayerStateSet(p1, 300), 1);
}

TEST_F(UpdateTest, AnimationChanges)
{
    ClearWarnings();
    EXPECT_EQ(PlayerAnimSet(p1, 10), 1);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 10);
    AnimObjTick(p1->anim);
    AnimObjTick(p1->anim);
    // The same action again starts over.
    EXPECT_EQ(PlayerAnimSet(p1, 10), 1);
    EXPECT_EQ(AnimObjTime(p1->anim), 0);
    EXPECT_EQ(PlayerAnimElemSet(p1, 10, 2), 1);
    EXPECT_EQ(p1->anim->elemIndex, 1);
    EXPECT_EQ(AnimObjElemStartTime(p1->anim, 1), AnimObjTime(p1->anim));
    EXPECT_EQ(Warnings(), "");

    EXPECT_EQ(PlayerAnimElemSet(p1, 200, 3), 0);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 200);
    EXPECT_EQ(p1->anim->elemIndex, 0);
    EXPECT_NE(Warnings().find("Changed to invalid animelem 3 within action 200"), std::string::npos);
    ClearWarnings();
    EXPECT_EQ(PlayerAnimSet(p1, 11), 0);
    EXPECT_EQ(p1->invalidAction, 1);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 200);
    EXPECT_NE(Warnings().find("Changed to invalid action 11"), std::string::npos);
    EXPECT_EQ(PlayerAnimSet(p1, 0), 1);
    EXPECT_EQ(p1->invalidAction, 0);

    // A bare record has no actions at all.
    Player bare{};
    EXPECT_EQ(PlayerAnimSetOwn(&bare, 0), 0);
    EXPECT_EQ(bare.invalidAction, 1);
}

TEST_F(UpdateTest, LifeAndPowerClamps)
{
    struct Case {
        int value, noko, helper, helperTypePlayer, raw, want;
    } cases[] = {
        {1500, 0, 0, 0, 0, 1000}, {-20, 0, 0, 0, 0, 0},  {0, 1, 0, 0, 0, 1},   {0, 1, 0, 0, 1, 1},
        {-5, 0, 1, 0, 0, 1},      {-5, 0, 1, 1, 0, 0},   {-5, 0, 1, 0, 1, 0},  {640, 0, 1, 0, 0, 640},
    };
    for (const Case &c : cases) {
        gv->noKO = c.noko;  // the game's no-KO switch, not AssertSpecial noko
        p1->isHelper = c.helper;
        p1->helperTypePlayer = c.helperTypePlayer;
        if (c.raw)
            PlayerLifeSetRaw(p1, c.value);
        else
            PlayerLifeSet(p1, c.value);
        EXPECT_EQ(p1->life, c.want) << c.value << " noko " << c.noko << " helper " << c.helper << " raw " << c.raw;
    }
    PlayerPowerSet(P(2), 4000);
    EXPECT_EQ(P(2)->power, 3000);
    EXPECT_EQ(PlayerPowerGet(P(2)), 3000);
    PlayerPowerSet(P(2), -1);
    EXPECT_EQ(PlayerPowerGet(P(2)), 0);
    Player bare{};
    bare.powerMax = 50;
    PlayerPowerSet(&bare, 70);
    EXPECT_EQ(bare.power, 50);
}

TEST_F(UpdateTest, ALifeOfZeroWithoutAHitterGivesTheOtherSideItsIcon)
{
    struct Case {
        int roundState, helper, hitter, value;
        int want;  // side 2's first icon
    } cases[] = {
        {2, 0, 0, 0, 6}, {2, 0, 0, 10, -1}, {3, 0, 0, 0, -1}, {1, 0, 0, 0, -1}, {2, 1, 0, 0, -1},
        {2, 0, 1, 0, 0},  // a hitter's KO: the hitter's side takes the icon of its hit
    };
    for (const Case &c : cases) {
        gv->round.state = c.roundState;
        gv->round.winIcon[0][0] = gv->round.winIcon[1][0] = -1;
        p1->isHelper = p1->helperTypePlayer = c.helper;
        p1->getHit.lastHitter = c.hitter ? P(2) : nullptr;
        p1->life = 500;
        PlayerLifeSet(p1, c.value);
        EXPECT_EQ(gv->round.winIcon[1][0], c.want) << c.roundState << " " << c.helper << " " << c.hitter;
        EXPECT_EQ(gv->round.winIcon[0][0], -1);
    }
}

TEST_F(UpdateTest, AutoTurnTowardTheOther)
{
    Player *other = P(2);
    // In front: nothing.
    PlayerAutoTurn(p1, other);
    EXPECT_EQ(p1->facing, 1);
    // Behind, standing: turn with action 5.
    other->posX = 50;
    PlayerAutoTurn(p1, other);
    EXPECT_EQ(p1->facing, -1);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 5);
    // Crouching: action 6.
    other->posX = 150;
    p1->state.stateType = STATETYPE_C;
    PlayerAutoTurn(p1, other);
    EXPECT_EQ(p1->facing, 1);
    EXPECT_EQ(AnimObjActionNo(p1->anim), 6);
    // Without control, or with noautoturn asserted, no turn.
    other->posX = 50;
    p1->state.ctrl = 0;
    PlayerAutoTurn(p1, other);
    EXPECT_EQ(p1->facing, 1);
    p1->state.ctrl = 1;
    p1->assertFlags[ASSERT_NOAUTOTURN] = 1;
    PlayerAutoTurn(p1, other);
    EXPECT_EQ(p1->facing, 1);
    PlayerTurn(p1);
    EXPECT_EQ(p1->facing, -1);
}

TEST_F(UpdateTest, ScreenEdgesTreatAScaleOfZeroOrLessAsOne)
{
    const struct {
        float scale;
        int left, right;
    } cases[] = {{1.0f, 45, 325}, {0.5f, -100, 460}, {0.0f, 45, 325}, {-2.0f, 45, 325},
                 // Each edge is truncated whole: -131.8 + 190 is 58, not -131 + 190.
                 {1.1f, 58, 312}};
    for (const auto &c : cases) {
        p1->zScale = c.scale;
        PlayerScreenEdgesUpdate(p1, 15, 25, 30);
        EXPECT_EQ(p1->screenLeft, c.left) << c.scale;
        EXPECT_EQ(p1->screenRight, c.right) << c.scale;
    }
}
