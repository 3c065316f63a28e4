// Hit engine in the order of a game tick: two fighters of the kit's character, every state run, then the hit pass.
#include "velok/player/p-hit.h"

#include <string>

#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "support/movekit.h"
#include "support/sprkit.h"
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

int NoEscape()
{
    return 0;
}

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

class HitTickTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        LogStateReset();
        gv = (GameVars *)LibCalloc(1, sizeof(GameVars));
        gv->warnLog = TextBufCreate(200, 64);
        gv->options.life = 100;
        gv->playerInput = 1;
        gv->activePause = -1;
        gv->round.state = 2;
        gv->gameTick = 1;
        gv->stageLeftBound = -300.0f;
        gv->stageRightBound = 620.0f;
        gv->stageScaleTop = gv->stageScaleBottom = 1.0f;
        gv->stageScreenLeft = gv->stageScreenRight = 15;
        PlayerStateApplySet(PlayerSCtrlApply);
        PlayerStateEscapeSet(NoEscape);

        CharKit kit = MoveKitChar();
        kit.common += "\n" + HitKitStates();
        kit.air = HitKitAir();
        kit.WriteDir("chars/kit");
        cd = PlayerDefLoadAny("chars/kit", kit.defName.c_str());
        ASSERT_NE(cd, nullptr) << gv->errorText;
        ASSERT_TRUE(PlayerSlotsCreate(0));
        for (int s = 1; s <= 2; s++) {
            Player *p = PlayerNew(cd);
            ASSERT_NE(p, nullptr) << gv->errorText;
            gv->players[s] = p;
            p->slot = s;
            p->side = s;
            PlayerEnableSet(s, 1);
            p->alive = 1;
            p->animOwn = cd->anims;
            p->runFlag = 1;
            p->posX = s == 1 ? 100.0f : 145.0f;
            if (s == 2)
                PlayerTurn(p);
        }
        P(1)->opponent = P(2);
        P(2)->opponent = P(1);
    }
    void TearDown() override
    {
        for (int s = 1; gv->players && s <= gv->playerSlotCount; s++)
            PlayerFree(gv->players[s]);
        PlayerSlotsFree();
        CharDataFree(cd);
        PlayerStateApplySet(nullptr);
        PlayerStateEscapeSet(nullptr);
        TextBufFree(gv->warnLog);
        MemFree(gv);
        gv = nullptr;
        LogStateReset();
        TempDirTest::TearDown();
    }
    Player *P(int n) { return gv->players[n]; }

    // Every state run, then the hit pass, then the next tick.
    void Tick()
    {
        for (int s = 1; s <= 2; s++)
            PlayerStateRun(P(s));
        PlayerHitDetectAll();
        gv->gameTick++;
    }

    CharData *cd = nullptr;
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
