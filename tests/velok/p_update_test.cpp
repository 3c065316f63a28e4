// Player setters: state and animation changes with their warnings, life and power clamps, turning and screen edges.
#include "velok/p-update.h"

#include <string>

#include "lib/anim-lib.h"
#include "support/fieldkit.h"
#include "velok/gamevars.h"
#include "velok/player.h"

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
    pl.state.stateNo = 20;
    pl.state.time = 9;
    ClearWarnings();
    EXPECT_EQ(PlayerStateSet(&pl, 0), 1);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(pl.state.prevStateNo, 20);
    EXPECT_EQ(pl.state.time, 0);
    // Without compiled statedefs only state 0 exists.
    EXPECT_EQ(PlayerStateSet(&pl, 200), 0);
    EXPECT_EQ(pl.state.stateNo, 200);
    EXPECT_EQ(pl.state.prevStateNo, 0);
    EXPECT_NE(Warnings().find("changed to invalid state 200 (from state 0)"), std::string::npos);
}

TEST_F(UpdateTest, AnimationChanges)
{
    ClearWarnings();
    EXPECT_EQ(PlayerAnimSet(&pl, 10), 1);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 10);
    AnimObjTick(pl.anim);
    AnimObjTick(pl.anim);
    // The same action again starts over.
    EXPECT_EQ(PlayerAnimSet(&pl, 10), 1);
    EXPECT_EQ(AnimObjTime(pl.anim), 0);
    EXPECT_EQ(PlayerAnimElemSet(&pl, 10, 2), 1);
    EXPECT_EQ(pl.anim->elemIndex, 1);
    EXPECT_EQ(AnimObjElemStartTime(pl.anim, 1), AnimObjTime(pl.anim));
    EXPECT_EQ(Warnings(), "");

    EXPECT_EQ(PlayerAnimElemSet(&pl, 200, 3), 0);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 200);
    EXPECT_EQ(pl.anim->elemIndex, 0);
    EXPECT_NE(Warnings().find("Changed to invalid animelem 3 within action 200"), std::string::npos);
    ClearWarnings();
    EXPECT_EQ(PlayerAnimSet(&pl, 11), 0);
    EXPECT_EQ(pl.invalidAction, 1);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 200);
    EXPECT_NE(Warnings().find("Changed to invalid action 11"), std::string::npos);
    EXPECT_EQ(PlayerAnimSet(&pl, 0), 1);
    EXPECT_EQ(pl.invalidAction, 0);

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
        pl.isHelper = c.helper;
        pl.helperTypePlayer = c.helperTypePlayer;
        if (c.raw)
            PlayerLifeSetRaw(&pl, c.value);
        else
            PlayerLifeSet(&pl, c.value);
        EXPECT_EQ(pl.life, c.want) << c.value << " noko " << c.noko << " helper " << c.helper << " raw " << c.raw;
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

TEST_F(UpdateTest, AutoTurnTowardTheOther)
{
    Player *other = P(2);
    // In front: nothing.
    PlayerAutoTurn(&pl, other);
    EXPECT_EQ(pl.facing, 1);
    // Behind, standing: turn with action 5.
    other->posX = 50;
    PlayerAutoTurn(&pl, other);
    EXPECT_EQ(pl.facing, -1);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 5);
    // Crouching: action 6.
    other->posX = 150;
    pl.state.stateType = STATETYPE_C;
    PlayerAutoTurn(&pl, other);
    EXPECT_EQ(pl.facing, 1);
    EXPECT_EQ(AnimObjActionNo(pl.anim), 6);
    // Without control, or with noautoturn asserted, no turn.
    other->posX = 50;
    pl.state.ctrl = 0;
    PlayerAutoTurn(&pl, other);
    EXPECT_EQ(pl.facing, 1);
    pl.state.ctrl = 1;
    pl.assertFlags[ASSERT_NOAUTOTURN] = 1;
    PlayerAutoTurn(&pl, other);
    EXPECT_EQ(pl.facing, 1);
    PlayerTurn(&pl);
    EXPECT_EQ(pl.facing, -1);
}

TEST_F(UpdateTest, ScreenEdgesTreatAScaleOfZeroOrLessAsOne)
{
    const struct {
        float scale;
        int left, right;
    } cases[] = {{1.0f, 45, 325}, {0.5f, -100, 460}, {0.0f, 45, 325}, {-2.0f, 45, 325}};
    for (const auto &c : cases) {
        pl.zScale = c.scale;
        PlayerScreenEdgesUpdate(&pl, 15, 25, 30);
        EXPECT_EQ(pl.screenLeft, c.left) << c.scale;
        EXPECT_EQ(pl.screenRight, c.right) << c.scale;
    }
}
