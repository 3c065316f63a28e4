// Hit engine in the order of a game tick: two fighters of the kit's character, every state run, then the hit pass.
#include "velok/player/p-hit.h"

#include <climits>
#include <string>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "support/fieldkit.h"
#include "support/movekit.h"
#include "support/testkit.h"
#include "velok/player/chardef.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/state-i.h"
#include "velok/script/statedef.h"

namespace {

// State 200 attacks once at its first tick; 5000 is a get-hit state that
// keeps the hit time it reads in var(5) and returns to 0 once the hit is over.
std::string HitKitStates()
{
    return "[Statedef 200]\n"
           "type = S\n"
           "movetype = A\n"
           "physics = S\n"
           "ctrl = 0\n"
           "[State 200, anim]\n"
           "type = ChangeAnim\n"
           "trigger1 = Time = 0\n"
           "value = 200\n"
           "[State 200, hit]\n"
           "type = HitDef\n"
           "trigger1 = Time = 0\n"
           "attr = S, NA\n"
           "damage = 30\n"
           "pausetime = 8, 6\n"
           "ground.velocity = -4\n"
           "ground.hittime = 12\n"
           "\n"
           "[Statedef 5000]\n"
           "type = S\n"
           "movetype = H\n"
           "physics = N\n"
           "[State 5000, read]\n"
           "type = VarSet\n"
           "trigger1 = 1\n"
           "v = 5\n"
           "value = gethitvar(hittime)\n"
           "[State 5000, over]\n"
           "type = ChangeState\n"
           "trigger1 = HitOver\n"
           "value = 0\n"
           "ctrl = 1\n";
}

// Action 0 has a body box; action 200 a body box and an attack box reaching forward.
std::string HitKitAir()
{
    return AirAction(0, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", AirElemLine(0, 0, 0, 0, -1)}) +
           AirAction(200, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "Clsn1: 1", " Clsn1[0] = 0,-50,40,-30",
                           AirElemLine(0, 0, 0, 0, -1)}) +
           MoveKitAirText().substr(MoveKitAirText().find("[Begin Action 5]"));
}

// Player 1 at x 100 facing right; player 2 in its reach at x 145 facing left.
class HitTickTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        gv->gameTick = 1;
        CharKit kit = MoveKitChar();
        kit.common += "\n" + HitKitStates();
        kit.air = HitKitAir();
        Field(2, kit);
        P(2)->posX = 145.0f;
    }

    // Every state run, then the hit pass, then the next tick.
    void Tick()
    {
        for (int s = 1; s <= 2; s++)
            PlayerStateRun(P(s));
        PlayerHitDetectAll();
        gv->gameTick++;
    }
};

TEST_F(HitTickTest, ActivationHitsInItsTickAndTheDamageLandsAtTheNextStateRun)
{
    Player *a = P(1), *v = P(2);
    PlayerStateSet(a, 200);
    Tick();
    // The HitDef of the state run hits in the same tick.
    EXPECT_EQ(a->hitDef.active, 1);
    EXPECT_EQ(v->state.stateNo, 5000);
    EXPECT_EQ(v->state.moveType, MOVETYPE_H);
    EXPECT_EQ(v->pendingDamage, 30);
    EXPECT_EQ(v->life, 1000);
    EXPECT_EQ(v->getHit.hitShakeTime, 6);
    EXPECT_EQ(a->pendingHitPause, 8);
    EXPECT_EQ(a->state.moveContact, CONTACT_HIT);

    // The next state runs: the attacker's pause starts, the victim takes the
    // damage and its shake counts down; the same activation does not hit again.
    Tick();
    EXPECT_EQ(a->state.hitPauseTime, 7);
    EXPECT_EQ(v->life, 970);
    EXPECT_EQ(v->pendingDamage, 0);
    EXPECT_EQ(v->getHit.hitShakeTime, 5);
    for (int i = 0; i < 5; i++)
        Tick();
    EXPECT_EQ(v->life, 970);
    EXPECT_EQ(a->hit.hitCount, 1);
    EXPECT_EQ(a->state.hitPauseTime, 2);
    EXPECT_EQ(v->getHit.hitShakeTime, 0);
}

}  // namespace

namespace {

TEST_F(HitTickTest, TheGetHitStateEndsOnceTheHitTimeHasRunOut)
{
    Player *a = P(1), *v = P(2);
    PlayerStateSet(a, 200);
    Tick();
    ASSERT_EQ(v->state.stateNo, 5000);
    // Six ticks of shake (the last one counts the hit time down to 11), then
    // eleven more to 0 and one to -1: the state read in the next tick ends it.
    for (int i = 0; i < 18; i++)
        Tick();
    EXPECT_EQ(v->state.stateNo, 5000);
    EXPECT_EQ(v->var[5], 0);
    EXPECT_EQ(v->getHit.hitTime, -1);
    Tick();
    EXPECT_EQ(v->state.stateNo, 0);
    EXPECT_EQ(v->var[5], -1);
    EXPECT_EQ(v->state.ctrl, 1);
}

}  // namespace

namespace {

// The field again with keys added to state 200's HitDef.
class HitNumbersTest : public HitTickTest {
protected:
    // Each "key = value" line replaces the HitDef's line of that key or is added.
    void FieldWith(const std::string &keys, const std::string &statedef = "")
    {
        std::string states = HitKitStates();
        size_t hitDef = states.find("[State 200, hit]");
        for (size_t at = 0; at < keys.size();) {
            size_t end = keys.find('\n', at);
            std::string line = keys.substr(at, end - at + 1);
            size_t old = states.find("\n" + line.substr(0, line.find('=')), hitDef);
            if (old != std::string::npos && old < states.find("[Statedef 5000]"))
                states.replace(old + 1, states.find('\n', old + 1) - old, line);
            else
                states.insert(states.find("ground.hittime"), line);
            at = end + 1;
        }
        states.insert(states.find("movetype = A"), statedef);
        CharKit kit = MoveKitChar();
        kit.common += "\n" + states;
        kit.air = HitKitAir();
        Field(2, kit);
        P(2)->posX = 145.0f;
    }
};

// A HitDef's numbers and a body's depth may lie anywhere in the int range:
// reaches and locks are summed wide and saturate, a snap goes as far as it
// says, and hit counts wrap as the combo counter does.
TEST_F(HitNumbersTest, HitDefNumbersAtTheEndsOfTheIntRange)
{
    // A depth reach of 10 plus a victim 2147483647 deep reaches it.
    FieldWith("");
    P(2)->consts.zWidth = INT_MAX;
    PlayerStateSet(P(1), 200);
    Tick();
    EXPECT_EQ(P(2)->state.stateNo, 5000) << "depth";

    // A throw holds both for its pause time + 1, at most the int's end.
    FieldWith("attr = S, NT\npausetime = 2147483647, 0\n");
    PlayerStateSet(P(1), 200);
    Tick();
    EXPECT_EQ(P(1)->hitLock, INT_MAX);
    EXPECT_EQ(P(2)->hitLock, INT_MAX);

    // The combo's hit count wraps; a falling hit's juggle cost (the state's)
    // saturates the points left.
    FieldWith("numhits = 2147483647\nfall = 1\n", "juggle = 2147483647\n");
    P(1)->hitCombo = 5;
    P(1)->consts.airJuggle = -10;
    PlayerStateSet(P(1), 200);
    Tick();
    EXPECT_EQ(P(1)->hit.hitCount, INT_MAX);
    EXPECT_EQ(P(1)->hitCombo, INT_MIN + 4);
    const PlayerTarget *t = TargetListFind(P(1)->targets, P(2));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->juggle, INT_MIN);

    // A snap from an attacker facing left to a maximum distance of -2147483648.
    FieldWith("maxdist = -2147483647 - 1, 0\n");
    PlayerStateSet(P(2), 200);
    Tick();
    ASSERT_EQ(P(1)->state.stateNo, 5000);
    EXPECT_GT(P(1)->pendingOffX, 2e9f);
}

}  // namespace
