#include "velok/player/p-hit.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include <cstdint>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"
#include "velok/script/sc-hitdef.h"
#include "velok/script/sctrl.h"
#include "velok/script/statedef.h"
#include "velok/script/stparam.h"

// A field of four players of one small character: action 0 has a body box,
// action 200 a body box and an attack box reaching 40 pixels forward. The
// character has no statedefs for the states a hit enters: those changes warn
// and go on.
class HitField : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        gv->cfg.rules.attackLifeToPowerMul = 3.0f;
        gv->cfg.rules.getHitLifeToPowerMul = 2.0f;
        gv->gameTick = 1;
        gv->stageLeftBound = gv->stageZTop = -1000.0f;
        gv->stageRightBound = gv->stageZBottom = 1000.0f;
        for (auto &side : gv->round.winIcon)
            for (int &icon : side)
                icon = -1;
        CharKit kit;
        // At x scale 1 the boxes keep the sizes written.
        std::string consts = CharKitConstantsText();
        consts.replace(consts.find("xscale = 2"), 10, "xscale = 1");
        kit.cns = consts + CharKitStatesText();
        kit.air = DefText({"[Begin Action 0]", "Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "0,0,0,0,-1",
                           "[Begin Action 200]", "Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "Clsn1: 1",
                           " Clsn1[0] = 0,-50,40,-30", "0,1,0,0,-1"});
        Field(4, kit);
        for (int slot = 1; slot <= 4; slot++) {
            pl[slot - 1] = P(slot);
            Make(slot);
        }
        // P1 at 0 facing right, P2 at 30 facing left; P3 and P4 stay out of the way.
        pl[1]->posX = 30;
        pl[1]->facing = -1;
        pl[2]->posX = -300;
        pl[3]->posX = 300;
        pl[3]->facing = -1;
    }
    void TearDown() override
    {
        for (HitDefParams *p : params) {
            SCtrlHitDefFree(p);
            MemFree(p);
        }
        FieldTest::TearDown();
    }
    // The player as at its round start, at x 0 facing right, with the hit
    // geometry of these tests and free of the screen edges.
    void Make(int slot)
    {
        Player *p = P(slot);
        PlayerRoundInit(p);
        p->posX = p->posY = p->posZ = 0;
        p->screenBound = 0;
        p->sinceLastHit = 10;
        p->consts.attackZWidthFront = p->consts.attackZWidthBack = 4;
        p->consts.zWidth = 3;
        p->consts.groundFront = p->consts.groundBack = 16;
        p->screenLeft = -10000;
        p->screenRight = 10000;
    }
    // Puts the player into its attack with a HitDef made of these keys.
    void Attack(Player *p, const std::string &keys, const char *group = "HitDef")
    {
        WriteFileText("hd.cns", std::string("[State 200, a]\n") + keys + "\n");
        TxtParseFile *f = TxtParseOpen("hd.cns");
        ASSERT_NE(f, nullptr);
        ASSERT_GE(TxtParseGroupSet(f, "State 200, a"), 0);
        HitDefParams *hp = (HitDefParams *)LibCalloc(1, sizeof(HitDefParams));
        if (strcmp(group, "ReversalDef") == 0)
            hp->reversalAttr = 0x3f;  // SCA, AA
        ASSERT_EQ(SCtrlHitDefParse(f, hp, p), 1) << gv->errorText;
        TxtParseClose(f);
        params.push_back(hp);
        p->state.moveType = 1;
        AnimObjChangeAction(p->anim, 0, 200);
        SCtrlHitDefApply(hp, p, hp->reversalAttr != 0);
    }
    void Detect()
    {
        PlayerHitDetectAll();
    }
    void NextTick()
    {
        gv->gameTick++;
    }
    PlayerTarget *TargetOf(Player *a, Player *v)
    {
        for (int i = 0; i < a->targets->capacity; i++)
            if (a->targets->slots[i].used && ((PlayerTarget *)ArrayAt(a->targets, i))->target == v)
                return (PlayerTarget *)ArrayAt(a->targets, i);
        return nullptr;
    }

    Player *pl[4] = {};
    std::vector<HitDefParams *> params;
};

TEST_F(HitField, OneActivationHitsOnceAndANewSerialHitsAgain)
{
    Attack(pl[0], "attr = S, NA\ndamage = 30, 5\npausetime = 8, 6\nground.velocity = -4\nground.hittime = 12\n"
                   "getpower = 40");
    int serial = pl[0]->hitDef.serial;
    Detect();
    Player &v = *pl[1];
    // Resolved in the activation's own tick; the life waits for the victim's state run.
    EXPECT_EQ(v.state.stateNo, 5000);
    EXPECT_EQ(v.state.moveType, 2);
    EXPECT_EQ(v.state.ctrl, 0);
    EXPECT_EQ(v.pendingDamage, 30);
    EXPECT_EQ(v.life, 1000);
    EXPECT_EQ(v.getHit.hitShakeTime, 6);
    EXPECT_EQ(pl[0]->pendingHitPause, 8);
    EXPECT_FLOAT_EQ(v.getHit.xVel, 4.0f);  // -(attacker facing) x -4: away from the attacker
    EXPECT_EQ(v.getHit.hitTime, 12);
    EXPECT_EQ(v.getHit.lastHitter, pl[0]);
    EXPECT_EQ(v.getHit.lastHitSerial[1], serial);
    EXPECT_EQ(pl[0]->power, 40);
    EXPECT_EQ(v.power, 60);  // given power defaults to damage x 2.0
    EXPECT_EQ(pl[0]->state.moveContact, CONTACT_HIT);
    EXPECT_EQ(pl[0]->hit.hitCount, 1);
    EXPECT_EQ(gv->combo[0].hits, 1) << "the attacker's side counts the hit";
    ASSERT_NE(TargetOf(pl[0], &v), nullptr);
    EXPECT_EQ(TargetOf(pl[0], &v)->juggle, 15);
    EXPECT_EQ(pl[0]->hitDef.active, 1);
    // The same activation touches the victim once.
    NextTick();
    Detect();
    EXPECT_EQ(v.pendingDamage, 30);
    EXPECT_EQ(pl[0]->hit.hitCount, 1);
    // A new activation carries a new serial and hits again.
    Attack(pl[0], "attr = S, NA\ndamage = 30");
    EXPECT_EQ(pl[0]->hitDef.serial, serial + 1);
    Detect();
    EXPECT_EQ(v.pendingDamage, 60);
    EXPECT_EQ(pl[0]->hit.hitCount, 2);
    EXPECT_EQ(v.getHit.hitCount, 2);
    EXPECT_EQ(gv->combo[0].hits, 2);
    EXPECT_EQ(gv->combo[0].shown, 2);
    EXPECT_EQ(gv->combo[1].hits, 0);
}

TEST_F(HitField, ShakeDuringAPauseKeepsTheVictimMovingForIt)
{
    gv->activePause = 1;
    gv->pause[1].time = 20;
    pl[1]->pauseMoveTime[1] = 2;
    Attack(pl[0], "attr = S, NA\npausetime = 8, 6");
    Detect();
    EXPECT_EQ(pl[1]->pauseMoveTime[1], 6);
    EXPECT_EQ(pl[1]->pauseMoveTime[0], 0);
    // A longer time already given stays.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->pauseMoveTime[1] = 30;
    Attack(pl[0], "attr = S, NA\npausetime = 8, 6");
    Detect();
    EXPECT_EQ(pl[1]->pauseMoveTime[1], 30);
}

TEST_F(HitField, HitOnceTakesTheFirstVictimOfTheTicksOrder)
{
    // P2 and P4 both stand inside the attack box.
    pl[3]->posX = 30;
    pl[0]->hitDef.serial = 0;
    Attack(pl[0], "attr = S, NA\ndamage = 10\nhitonce = 1");
    Detect();  // odd tick: victims in list order
    EXPECT_EQ(pl[1]->pendingDamage, 10);
    EXPECT_EQ(pl[3]->pendingDamage, 0);
    EXPECT_EQ(pl[0]->hitDef.active, 0);
    NextTick();
    pl[1]->hitLock = 0;
    Attack(pl[0], "attr = S, NA\ndamage = 10\nhitonce = 1");
    Detect();  // even tick: reverse order
    EXPECT_EQ(pl[1]->pendingDamage, 10);
    EXPECT_EQ(pl[3]->pendingDamage, 10);
    // hitonce drops every other target.
    EXPECT_EQ(TargetOf(pl[0], pl[1]), nullptr);
    EXPECT_NE(TargetOf(pl[0], pl[3]), nullptr);
}

TEST_F(HitField, KillZeroLeavesOneLifeEvenWithTwoHitsInATick)
{
    pl[1]->life = 5;
    pl[2]->posX = 0;  // P3 attacks from P1's place as well
    Attack(pl[0], "attr = S, NA\ndamage = 30\nkill = 0");
    Attack(pl[2], "attr = S, NA\ndamage = 30\nkill = 0");
    Detect();
    EXPECT_EQ(pl[1]->pendingDamage, 4);
    EXPECT_EQ(pl[1]->getHit.hitCount, 2);
    EXPECT_EQ(pl[1]->getHit.fall, 0);
    // With kill the hit is a KO: the whole life is pending and the victim falls.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->life = 5;
    Attack(pl[0], "attr = S, NA\ndamage = 30");
    Detect();
    EXPECT_EQ(pl[1]->pendingDamage, 5);
    EXPECT_EQ(pl[1]->getHit.fall, 1);
    EXPECT_LE(pl[1]->getHit.yVel, -6.0f);
    EXPECT_EQ(gv->round.winIcon[0][0], 0) << "the KO hit gives its side the icon of a normal attack";
    // The no-KO switch turns it back into a plain hit.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->life = 5;
    gv->noKO = 1;
    Attack(pl[0], "attr = S, NA\ndamage = 30");
    Detect();
    EXPECT_EQ(pl[1]->getHit.fall, 0);
    // A living victim at 0 life (noko asserted) is not healed by kill = 0.
    gv->noKO = 0;
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->life = 0;
    Attack(pl[0], "attr = S, NA\ndamage = 30\nkill = 0");
    Detect();
    EXPECT_EQ(pl[1]->pendingDamage, 0);
}

TEST_F(HitField, GuardAndGuardKO)
{
    for (int kill = 1; kill >= 0; kill--) {
        Make(2);
        pl[1]->posX = 30;
        pl[1]->facing = -1;
        pl[1]->guarding = 1;
        pl[1]->life = 5;
        Attack(pl[0], "attr = S, NA\ndamage = 30, 10\nguardflag = MA\nguard.pausetime = 4, 3\nguard.velocity = -2\n"
                       "guard.kill = " + std::to_string(kill));
        Detect();
        if (kill) {
            // Guard damage that would KO turns the guard into a KO hit, with
            // win icon kind 3 for the attacker's side.
            EXPECT_EQ(pl[1]->state.stateNo, 5000);
            EXPECT_EQ(pl[1]->pendingDamage, 5);
            EXPECT_EQ(pl[1]->getHit.fall, 1);
            EXPECT_EQ(pl[0]->state.moveContact, CONTACT_HIT);
            EXPECT_EQ(gv->round.winIcon[0][0], 3);
            EXPECT_EQ(gv->round.winIcon[1][0], -1);
        } else {
            EXPECT_EQ(pl[1]->state.stateNo, 150);
            EXPECT_EQ(pl[1]->pendingDamage, 4);
            EXPECT_EQ(pl[1]->getHit.guarded, 1);
            EXPECT_EQ(pl[1]->getHit.hitShakeTime, 3);
            EXPECT_FLOAT_EQ(pl[1]->getHit.xVel, 2.0f);
            EXPECT_EQ(pl[0]->pendingHitPause, 4);
            EXPECT_EQ(pl[0]->state.moveContact, CONTACT_GUARDED);
        }
    }
    // A crouching guard goes to 152, an air guard to 154 with the airguard values.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->guarding = 1;
    pl[1]->state.stateType = 3;
    Attack(pl[0], "attr = S, NA\ndamage = 30, 10\nguardflag = MA\nair.velocity = -2, -4\nhitflag = MAF");
    Detect();
    EXPECT_EQ(pl[1]->state.stateNo, 154);
    EXPECT_FLOAT_EQ(pl[1]->getHit.xVel, 3.0f);
    EXPECT_FLOAT_EQ(pl[1]->getHit.yVel, -2.0f);
}

TEST_F(HitField, SparksShowAtTheContactAndTheVictimsGoOnHitExplodsGo)
{
    gv->explods = ExplodListCreate(8, nullptr);
    ASSERT_NE(gv->explods, nullptr);
    const ExplodList *list = gv->explods;
    // The victim's explods: one goes on a hit, one stays.
    for (const char *keys : {"type = Explod\nid = 1\nremoveongethit = 1", "type = Explod\nid = 2"}) {
        SCtrl *c = Ctrl(keys);
        ASSERT_NE(c, nullptr) << gv->errorText;
        Apply(pl[1], c);
    }
    ASSERT_EQ(list->live, 2);
    Attack(pl[0], "attr = S, NA\nsparkno = S200\nsparkxy = 5, -50");
    Detect();
    EXPECT_EQ(ExplodCountById(list, pl[1]->id, 1), 0);
    EXPECT_EQ(ExplodCountById(list, pl[1]->id, 2), 1);
    // The spark: P2's front edge (16) toward P1 plus 5 in P2's facing, at
    // P1's height plus -50.
    const Explod *spark = &list->records[0];
    ASSERT_TRUE(spark->inUse);
    EXPECT_EQ(spark->ownerSlot, 0);
    EXPECT_EQ(AnimObjActionNo(spark->anim), 200);
    EXPECT_EQ(spark->anim->set, cd->anims);
    EXPECT_FLOAT_EQ(spark->posX, 9);
    EXPECT_FLOAT_EQ(spark->posY, -50);
    EXPECT_EQ(spark->layer, 2);
    EXPECT_EQ(spark->flips, 0);

    // A guard shows the guard spark.
    ExplodListClear(gv->explods);
    NextTick();
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->guarding = 1;
    Attack(pl[0], "attr = S, NA\nguardflag = MA\nsparkno = S200\nguard.sparkno = S0");
    Detect();
    ASSERT_EQ(pl[1]->state.stateNo, 150);
    ASSERT_EQ(list->live, 1);
    EXPECT_EQ(AnimObjActionNo(list->records[0].anim), 0);
    ExplodListFree(gv->explods);
    gv->explods = nullptr;
}

TEST_F(HitField, SparkPositionByFacingAndDepth)
{
    struct Case {
        int victimFacing;
        float zScale, cameraX;
        float x, y;
    } cases[] = {
        {-1, 1.0f, 0, 30 - (16 + 5), -50},   // facing each other: the front edge
        {1, 1.0f, 0, 30 + (-16 + 5), -50},   // the attacker behind: the back edge
        {-1, 0.5f, 40, (9 - 40 - 160) * 0.5f + 160 + 40, -25},
    };
    gv->stageZOffset = 0;
    for (const Case &c : cases) {
        pl[1]->facing = c.victimFacing;
        pl[1]->zScale = c.zScale;
        gv->cameraX = c.cameraX;
        float x, y;
        PlayerSparkPos(pl[0], pl[1], 5, -50, &x, &y);
        EXPECT_FLOAT_EQ(x, c.x) << c.victimFacing << " " << c.zScale;
        EXPECT_FLOAT_EQ(y, c.y) << c.victimFacing << " " << c.zScale;
    }
}

TEST_F(HitField, GuardStateErrorWarnsAndResolvesAHit)
{
    pl[1]->guarding = 1;
    pl[1]->state.stateType = 4;  // lying on the ground
    Attack(pl[0], "attr = S, NA\ndamage = 30, 10\nguardflag = D\nhitflag = D\ndown.velocity = -1, -3");
    Detect();
    EXPECT_NE(Warnings().find("Guard state error: wrong move type"), std::string::npos) << Warnings();
    EXPECT_EQ(pl[1]->state.stateNo, 5080);
    EXPECT_EQ(pl[1]->pendingDamage, 30);
    // Lowered 15 pixels before the bounce.
    EXPECT_FLOAT_EQ(pl[1]->pendingOffY, 15.0f);
    EXPECT_FLOAT_EQ(pl[1]->getHit.yVel, -3.0f);
}

TEST_F(HitField, JugglePointsRunOut)
{
    pl[1]->state.stateType = 3;
    pl[1]->posY = -40;
    pl[0]->posY = -40;
    for (int round = 0; round < 3; round++) {
        pl[0]->hitDef.juggle = 6;  // what the attack state's juggle sets at its start
        Attack(pl[0], "attr = S, NA\ndamage = 10\nfall = 1\nair.velocity = -2, -3");
        EXPECT_EQ(pl[0]->hitDef.juggle, 6);
        Detect();
        NextTick();
        pl[1]->state.stateType = 3;  // still in the air
    }
    // 15 points: two falling hits of 6 fit, the third does not.
    EXPECT_EQ(pl[1]->getHit.hitCount, 2);
    EXPECT_EQ(TargetOf(pl[0], pl[1])->juggle, 3);
    EXPECT_EQ(pl[0]->hitDef.juggle, 6);  // the refused activation still holds its cost
}

TEST_F(HitField, PriorityAndTypeTrades)
{
    struct Case {
        int prio1;
        const char *type1;
        int prio2;
        const char *type2;
        int p2Hit, p1Hit;
    } cases[] = {
        {4, "Hit", 4, "Hit", 1, 1},    {4, "Miss", 4, "Hit", 0, 1},   {4, "Hit", 4, "Miss", 1, 0},
        {4, "Miss", 4, "Miss", 0, 0},  {4, "Dodge", 4, "Hit", 0, 0},  {4, "Hit", 4, "Dodge", 0, 0},
        {5, "Hit", 4, "Hit", 1, 0},    {3, "Miss", 4, "Miss", 0, 1},
        // Chosen: a higher priority wins over a dodge too.
        {3, "Dodge", 4, "Hit", 0, 1},  {5, "Hit", 4, "Dodge", 1, 0},
    };
    for (const Case &c : cases) {
        Make(1);
        Make(2);
        pl[1]->posX = 30;
        pl[1]->facing = -1;
        Attack(pl[0], "attr = S, NA\ndamage = 10\npriority = " + std::to_string(c.prio1) + ", " + c.type1);
        Attack(pl[1], "attr = S, NA\ndamage = 10\npriority = " + std::to_string(c.prio2) + ", " + c.type2);
        Detect();
        EXPECT_EQ(pl[1]->pendingDamage > 0, c.p2Hit) << c.prio1 << c.type1 << " vs " << c.prio2 << c.type2;
        EXPECT_EQ(pl[0]->pendingDamage > 0, c.p1Hit) << c.prio1 << c.type1 << " vs " << c.prio2 << c.type2;
    }
}

TEST_F(HitField, ReversalCatchesTheAttack)
{
    Attack(pl[0], "attr = S, NA\ndamage = 30");
    Attack(pl[1], "pausetime = 9, 7\np1stateno = 888\np2stateno = 777\ndamage = 0", "ReversalDef");
    Detect();
    Player &r = *pl[1], &x = *pl[0];
    EXPECT_EQ(x.hitDef.active, 0);
    EXPECT_EQ(x.state.moveContact, CONTACT_REVERSED);
    EXPECT_EQ(x.hitLock, 9);
    EXPECT_EQ(x.pendingHitPause, 7);
    EXPECT_EQ(r.pendingHitPause, 9);
    EXPECT_EQ(r.state.moveContact, CONTACT_HIT);
    // Both of the reverser's hit counts rise by numhits.
    EXPECT_EQ(r.hit.hitCount, 1);
    EXPECT_EQ(r.hit.uniqHitCount, 1);
    EXPECT_EQ(r.state.stateNo, 888);
    EXPECT_EQ(x.state.stateNo, 777);
    EXPECT_EQ(x.state.ctrl, 0);
    // p2stateno makes the caught player run the reverser's states, owned by its id.
    EXPECT_EQ(x.state.customOwnerId, r.id);
    EXPECT_EQ(x.state.customList, r.state.ownList);
    EXPECT_NE(TargetOf(&r, &x), nullptr);
    EXPECT_EQ(r.pendingDamage, 0);
    EXPECT_EQ(x.pendingDamage, 0);
    // A reversal never hits as an attack.
    EXPECT_EQ(PlayerHitTest(&r, &x), 0);
}

TEST_F(HitField, CustomStatesRecordTheAttackersIdAndOverridesWithStatesDoNothing)
{
    pl[0]->id = 900;  // far from its slot number
    Attack(pl[0], "attr = S, NT\np1stateno = 810\np2stateno = 820\npausetime = 5, 5");
    Detect();
    EXPECT_EQ(pl[0]->state.stateNo, 810);
    EXPECT_EQ(pl[1]->state.stateNo, 820);
    EXPECT_EQ(pl[1]->state.customOwnerId, 900);
    EXPECT_EQ(pl[1]->state.customList, pl[0]->state.ownList);
    // A throw locks both players for the pause.
    EXPECT_EQ(pl[0]->hitLock, 6);
    EXPECT_EQ(pl[1]->hitLock, 6);

    Make(1);
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->hitOverride[0] = {1, 0xfff, 300, 10, 0};
    Attack(pl[0], "attr = S, NA\ndamage = 30\np1stateno = 810");
    Detect();
    EXPECT_EQ(pl[1]->state.stateNo, 0);
    EXPECT_EQ(pl[0]->state.stateNo, 0);
    EXPECT_EQ(pl[0]->state.moveContact, 0);
    // Without them the override takes the hit as a hit (damage, shake, move
    // type H, hit count, hitter) and then goes into its own state.
    Attack(pl[0], "attr = S, NA\ndamage = 30\npausetime = 8, 6\nground.velocity = -4");
    Detect();
    EXPECT_EQ(pl[1]->state.stateNo, 300);
    EXPECT_EQ(pl[1]->pendingDamage, 30);
    EXPECT_EQ(pl[1]->state.moveType, MOVETYPE_H);
    EXPECT_EQ(pl[1]->getHit.hitShakeTime, 6);
    EXPECT_EQ(pl[1]->getHit.hitCount, 1);
    EXPECT_EQ(pl[1]->getHit.lastHitter, pl[0]);
    EXPECT_FLOAT_EQ(pl[1]->getHit.xVel, 4.0f);
    EXPECT_EQ(pl[0]->state.moveContact, CONTACT_HIT);
    EXPECT_EQ(pl[0]->hit.hitCount, 1);
    // It never KOs, and force-air takes the hit in the air.
    Make(1);
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    pl[1]->life = 10;
    pl[1]->hitOverride[0] = {1, 0xfff, 300, 10, 1};
    Attack(pl[0], "attr = S, NA\ndamage = 30\nair.velocity = -3, -5");
    Detect();
    EXPECT_EQ(pl[1]->state.stateNo, 300);
    EXPECT_EQ(pl[1]->state.stateType, STATETYPE_A);
    EXPECT_FLOAT_EQ(pl[1]->getHit.yVel, -5.0f);
    EXPECT_EQ(pl[1]->getHit.fall, 0);
    EXPECT_EQ(pl[1]->pendingDamage, 30);
}

TEST_F(HitField, SnapMovesXAndYButNeverZ)
{
    pl[1]->posZ = 2;
    Attack(pl[0], "attr = S, NA\nmindist = 50, 0, 0\nmaxdist = 60, 0, 0\np2stateno = 820\nsnap = 50, 0, 0, 4");
    Detect();
    EXPECT_FLOAT_EQ(pl[1]->pendingOffX, 20.0f);  // from 30 to 0 + 50
    EXPECT_FLOAT_EQ(pl[1]->pendingOffZ, 0.0f);
    PlayerTarget *t = TargetOf(pl[0], pl[1]);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->bindTime, 4);
    EXPECT_FLOAT_EQ(t->bindX, 50.0f);
    EXPECT_FLOAT_EQ(t->bindZ, 0.0f);
}

TEST_F(HitField, HitFromBehindSwapsHighAndLow)
{
    pl[1]->facing = 1;  // back turned to the attacker
    Attack(pl[0], "attr = S, NA\nground.type = High\nanimtype = Medium");
    Detect();
    EXPECT_EQ(pl[1]->getHit.groundType, HITDEF_TYPE_LOW);
    EXPECT_EQ(pl[1]->getHit.airType, HITDEF_TYPE_LOW);
    // p2facing 1 turns the victim to face the attacker.
    EXPECT_EQ(pl[1]->pendingFacing, 0);
    Make(2);
    pl[1]->posX = 30;
    Attack(pl[0], "attr = S, NA\np2facing = 1\nanimtype = back");
    Detect();
    EXPECT_EQ(pl[1]->pendingFacing, -1);
    EXPECT_EQ(pl[1]->getHit.groundType, HITDEF_TYPE_HIGH);
}

TEST_F(HitField, HitFlagsAndAttributesDecide)
{
    struct Case {
        int stateType, moveType, falling;
        const char *keys;
        int hits;
    } cases[] = {
        {1, 0, 0, "hitflag = H", 1},  {1, 0, 0, "hitflag = L", 0}, {2, 0, 0, "hitflag = L", 1},
        {3, 0, 0, "hitflag = HL", 0}, {3, 0, 1, "hitflag = A", 0}, {3, 0, 1, "hitflag = AF", 1},
        {1, 2, 0, "hitflag = H-", 0}, {1, 2, 0, "hitflag = H+", 1}, {1, 0, 0, "hitflag = H+", 0},
        {4, 0, 0, "hitflag = MAF", 0},
    };
    for (const Case &c : cases) {
        Make(2);
        pl[1]->posX = 30;
        pl[1]->facing = -1;
        pl[1]->state.stateType = c.stateType;
        pl[1]->state.moveType = c.moveType;
        pl[1]->getHit.fall = c.falling;
        Attack(pl[0], std::string("attr = S, NA\n") + c.keys);
        EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), c.hits) << c.keys << " type " << c.stateType;
    }
    // The victim's hit-by masks and the attacker's state type.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->getHit.hitByMask[0] = 0xfff & ~HITATTR_C;  // nothitby C: a crouching attacker misses
    Attack(pl[0], "attr = S, NA");
    EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), 1);
    pl[0]->state.stateType = 2;
    EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), 0);
    pl[0]->state.stateType = 1;
    pl[1]->posZ = 8;  // beyond 4 + 3
    EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), 0);
    pl[1]->posZ = 7;
    EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), 1);
    // affectteam F reaches only friends.
    Attack(pl[0], "attr = S, NA\naffectteam = F");
    EXPECT_EQ(PlayerHitTest(pl[0], pl[1]), 0);
    pl[2]->posX = 30;
    EXPECT_EQ(PlayerHitTest(pl[0], pl[2]), 1);
}

TEST_F(HitField, FullTargetListStopsTheHit)
{
    Player others[PLAYER_TARGET_MAX];
    for (Player &o : others) {
        PlayerTarget t{};
        t.target = &o;
        ArrayAdd(pl[0]->targets, &t, 0, 0);
    }
    Attack(pl[0], "attr = S, NA\ndamage = 30");
    Detect();
    EXPECT_EQ(pl[1]->pendingDamage, 0);
    EXPECT_EQ(pl[1]->state.stateNo, 0);
    EXPECT_EQ(pl[0]->state.moveContact, 0);
}

TEST_F(HitField, TargetsDropSendsBoundTargetsTo5050)
{
    Attack(pl[0], "attr = S, NA\np2stateno = 820");
    Detect();
    pl[2]->posX = 0;
    PlayerTarget t{};
    t.target = pl[2];
    ArrayAdd(pl[0]->targets, &t, 0, 0);
    TargetOf(pl[0], pl[1])->bindTimeSeen = 3;
    PlayerTargetsDrop(pl[0], nullptr);
    EXPECT_EQ(pl[0]->targets->used, 0);
    EXPECT_EQ(pl[1]->state.stateNo, 5050);
    EXPECT_EQ(pl[1]->state.customOwnerId, -1);
    EXPECT_EQ(pl[2]->state.stateNo, 0);
}

TEST_F(HitField, LifeAdd)
{
    struct Case {
        int life, damage, kill, absolute;
        float defence;
        int want;
    } cases[] = {
        {100, 30, 1, 0, 1.0f, 70},  {100, 30, 1, 0, 0.5f, 85}, {100, 1, 1, 0, 0.1f, 99},
        {100, 30, 1, 1, 0.5f, 70},  {5, 30, 0, 0, 1.0f, 1},    {5, 30, 1, 0, 1.0f, 0},
        {0, 10, 0, 0, 1.0f, 0},  // no kill never raises a life below 1
        {100, -50, 1, 0, 1.0f, 100}, {50, -20, 0, 0, 2.0f, 70},
        {100, 2000000000, 1, 0, 4.0f, 0},  // scaled in double and clamped
    };
    for (const Case &c : cases) {
        Player &p = *pl[0];
        p.life = c.life;
        p.lifeMax = 100;
        p.defenceMul = c.defence;
        PlayerLifeAdd(&p, c.damage, c.kill, c.absolute);
        EXPECT_EQ(p.life, c.want) << c.life << " - " << c.damage;
    }
}

TEST_F(HitField, PushApart)
{
    // Overlapping bodies 12 apart: each moves away by half of (32 - 12).
    pl[1]->posX = 12;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[0]->posX, -10.0f);
    EXPECT_FLOAT_EQ(pl[1]->posX, 22.0f);
    // Nearer than 10: first placed 5 either side of the middle, then moved by the old shortfall.
    pl[0]->posX = 0;
    pl[1]->posX = 4;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[0]->posX, -17.0f);
    EXPECT_FLOAT_EQ(pl[1]->posX, 21.0f);
    // Equal x: chosen so that the one facing right stays on the left.
    pl[0]->posX = pl[1]->posX = 0;
    pl[0]->facing = -1;
    pl[1]->facing = 1;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_GT(pl[0]->posX, pl[1]->posX);
    // No push without the push flag, apart in depth, or through a player standing far below.
    pl[0]->posX = 0;
    pl[1]->posX = 12;
    pl[0]->playerPush = 0;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[1]->posX, 12.0f);
    pl[0]->playerPush = 1;
    pl[1]->posZ = 6;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[1]->posX, 12.0f);
    // Widths at the int's end, summed wide, push both out to the stage's bounds.
    pl[1]->posZ = 0;
    for (Player *p : {pl[0], pl[1]})
        p->widthPlayerFront = p->widthPlayerBack = INT_MAX;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[0]->posX, gv->stageLeftBound);
    EXPECT_FLOAT_EQ(pl[1]->posX, gv->stageRightBound);
}

TEST_F(HitField, PushApartKeepsBothInsideTheStageAndTheScreen)
{
    // P1 cornered at the stage's left bound: the push leaves it at the bound.
    gv->stageLeftBound = -4.0f;
    pl[1]->posX = 12;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[0]->posX, -4.0f);
    EXPECT_FLOAT_EQ(pl[1]->posX, 22.0f);
    // P2 bound to the screen, whose right edge is at 36: 16 of body width
    // keep it at 20.
    gv->stageLeftBound = -1000.0f;
    gv->stageScreenRight = 284;
    pl[1]->screenBound = 1;
    pl[1]->zScale = 1.0f;
    pl[0]->posX = 0;
    pl[1]->posX = 12;
    PlayerPushApart(pl[0], pl[1], 0);
    EXPECT_FLOAT_EQ(pl[0]->posX, -10.0f);
    EXPECT_FLOAT_EQ(pl[1]->posX, 20.0f);
}

TEST_F(HitField, PlayersFlungBeyondAnyPixelNeitherPushNorHit)
{
    // A state may set any velocity: places out of the int range, infinities
    // included, are too far for any box, and the offsets between them do not
    // wrap round into a meeting.
    struct Case {
        float x0, y0, x1, y1;
    } cases[] = {
        {0, 0, 0, -INFINITY}, {0, 0, INFINITY, 0},    {0, 0, -INFINITY, INFINITY},
        {0, 0, 0, -3.4e38f},  {-3e9f, 0, 3e9f, 0},    {3e9f, 0, -3e9f, 0},
        {0, -3e9f, 0, 3e9f},  {-2147483520.0f, 0, 2147483520.0f, 0},
    };
    for (const Case &c : cases) {
        Make(1);
        Make(2);
        pl[0]->posX = pl[0]->prevX = c.x0;
        pl[0]->posY = pl[0]->prevY = c.y0;
        pl[1]->posX = pl[1]->prevX = c.x1;
        pl[1]->posY = pl[1]->prevY = c.y1;
        pl[1]->facing = -1;
        PlayerPushApart(pl[0], pl[1], 0);
        PlayerPushApart(pl[0], pl[1], 1);
        EXPECT_EQ(pl[0]->posX, c.x0);
        EXPECT_EQ(pl[1]->posX, c.x1);
        Attack(pl[0], "attr = S, NA\ndamage = 10");
        Detect();
        NextTick();
        EXPECT_EQ(TargetOf(pl[0], pl[1]), nullptr) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
        EXPECT_EQ(pl[1]->life, pl[1]->consts.life);
    }
}

TEST_F(HitField, CornerPushAndNestedCustomStates)
{
    // The victim at the screen edge pushes the attacker back by its offset.
    pl[1]->screenRight = 33;
    Attack(pl[0], "attr = S, NA\nground.velocity = -5");
    Detect();
    EXPECT_FLOAT_EQ(pl[1]->cornerPush, -6.5f);
    EXPECT_FLOAT_EQ(pl[0]->extraVel.velX, -6.5f);
    EXPECT_FLOAT_EQ(pl[0]->extraVel.decayX, 0.7f);
    EXPECT_FLOAT_EQ(pl[0]->extraVel.stopThreshold, 1.0f);
    EXPECT_NE(pl[0]->extraVel.ticksLeft, 0);
    // Away from the edge nothing pushes.
    Make(1);
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    Attack(pl[0], "attr = S, NA\nground.velocity = -5");
    Detect();
    EXPECT_FLOAT_EQ(pl[0]->extraVel.velX, 0.0f);

    // An attacker that runs another player's states hands on that player's list and owner.
    Make(2);
    pl[1]->posX = 30;
    pl[1]->facing = -1;
    StateDefList foreignList{};
    StateDefList *foreign = &foreignList;
    pl[0]->state.customList = foreign;
    pl[0]->state.customOwnerId = 777;
    Attack(pl[0], "attr = S, NA\np2stateno = 820");
    Detect();
    EXPECT_EQ(pl[1]->state.customList, foreign);
    EXPECT_EQ(pl[1]->state.customOwnerId, 777);
    // A later hit by someone else brings the victim back to its own states.
    pl[2]->posX = 0;
    Attack(pl[2], "attr = S, NA");
    Detect();
    EXPECT_EQ(pl[1]->state.customList, nullptr);
    EXPECT_EQ(pl[1]->state.customOwnerId, -1);
    EXPECT_EQ(pl[1]->state.stateNo, 5000);
}

TEST_F(HitField, HitShakeStartsTheScreenShake)
{
    Attack(pl[0], "attr = S, NA\nenvshake.time = 10\nenvshake.ampl = -6\nenvshake.freq = 30\nenvshake.phase = 45\n"
                   "fall.envshake.time = 7");
    Detect();
    EXPECT_EQ(gv->shakeTime, 10);
    EXPECT_EQ(gv->shakeCounter, 0);
    EXPECT_FLOAT_EQ(gv->shakeAmpl, -6.0f);
    EXPECT_FLOAT_EQ(gv->shakeFreq, 30.0f);
    EXPECT_FLOAT_EQ(gv->shakePhase, 45.0f);
    // The fall shake waits in the victim's record for its controller.
    EXPECT_EQ(pl[1]->getHit.fallEnvShakeTime, 7);
    // A hit without a shake time leaves a running shake alone.
    gv->shakeCounter = 4;
    pl[2]->posX = 0;
    Attack(pl[2], "attr = S, NA");
    Detect();
    EXPECT_EQ(pl[1]->getHit.lastHitter, pl[2]);
    EXPECT_EQ(gv->shakeTime, 10);
    EXPECT_EQ(gv->shakeCounter, 4);
}

TEST_F(HitField, NormalHelpersGetPowerForTheirOwnerAndAreGivenNone)
{
    // P3 and P4 are normal helpers: their power belongs to their sides'
    // first players, P1 and P2. P3 attacks from 0, P4 stands at 30.
    pl[0]->posX = -300;
    pl[1]->posX = 300;
    pl[2]->posX = 0;
    pl[3]->posX = 30;
    pl[2]->isHelper = pl[3]->isHelper = 1;
    Attack(pl[2], "attr = S, NA\ndamage = 30\ngetpower = 40\ngivepower = 25");
    Detect();
    EXPECT_EQ(pl[3]->pendingDamage, 30);
    EXPECT_EQ(pl[0]->power, 40);
    EXPECT_EQ(pl[2]->power, 0);
    EXPECT_EQ(pl[1]->power, 0);
    EXPECT_EQ(pl[3]->power, 0);
    // A guard: the same.
    Make(4);
    pl[3]->posX = 30;
    pl[3]->facing = -1;
    pl[3]->isHelper = 1;
    pl[3]->guarding = 1;
    Attack(pl[2], "attr = S, NA\ndamage = 30\nguardflag = MA\ngetpower = 40, 15\ngivepower = 25, 5");
    Detect();
    EXPECT_EQ(pl[3]->state.stateNo, 150);
    EXPECT_EQ(pl[0]->power, 55);
    EXPECT_EQ(pl[1]->power, 0);
    // A reversing helper's power goes to its owner as well.
    Make(3);
    Make(4);
    pl[3]->posX = 30;
    pl[3]->facing = -1;
    pl[3]->isHelper = 1;
    Attack(pl[2], "attr = S, NA\ndamage = 30");
    Attack(pl[3], "getpower = 50", "ReversalDef");
    Detect();
    EXPECT_EQ(pl[2]->state.moveContact, CONTACT_REVERSED);
    EXPECT_EQ(pl[1]->power, 50);
}
