#include "velok/player/proj.h"

#include <climits>
#include <string>
#include <vector>

#include <allegro.h>

#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/gfx.h"
#include "lib/vbuf.h"
#include "lib/snd-lib.h"
#include "support/pixkit.h"
#include "support/voicekit.h"
#include "velok/player/p-draw.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/player/explod.h"
#include "velok/player/p-hit.h"
#include "velok/player/player.h"

namespace {

// Two fighters of a character whose boxes keep their written sizes: action 0
// a body box, action 200 a body box and an attack box reaching 40 pixels
// forward; the projectile actions 300 (body and attack box 10 pixels wide,
// endless), 301 (3 ticks) and 302 (two elements, 4 ticks). The stage's camera
// bounds are -200 and 200, the camera at 0.
class ProjField : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        gv->stage.boundLeft = -200;
        gv->stage.boundRight = 200;
        gv->afterImages = AfterImagePoolCreate(2, 8);
        CharKit kit = FieldKitChar();
        kit.cns.replace(kit.cns.find("xscale = 2"), 10, "xscale = 1");
        kit.air = DefText({"[Begin Action 0]", "Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "0,0,0,0,-1",
                           "[Begin Action 200]", "Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "Clsn1: 1",
                           " Clsn1[0] = 0,-50,40,-30", "0,0,0,0,-1", "[Begin Action 300]", "Clsn2Default: 1",
                           " Clsn2[0] = -5,-5,5,5", "Clsn1Default: 1", " Clsn1[0] = -5,-5,5,5", "0,0,0,0,-1",
                           "[Begin Action 301]", "0,0,0,0,3", "[Begin Action 302]", "0,0,0,0,2", "0,0,0,0,2"});
        Field(2, kit);
        p2 = P(2);
    }
    void TearDown() override
    {
        FieldFree();
        AfterImagePoolFree(gv->afterImages);
        gv->afterImages = nullptr;
        FieldTest::TearDown();
    }
    // Runs a Projectile controller with these keys for the player; the slot
    // of the new projectile in the list, or -1.
    int Launch(const std::string &keys, Player *who = nullptr)
    {
        SCtrl *c = Ctrl("type = Projectile\n" + keys);
        EXPECT_NE(c, nullptr) << gv->errorText;
        if (!c)
            return -1;
        who = who ? who : p1;
        Player *owner = who->isHelper && who->root ? who->root : who;
        std::vector<bool> used;
        for (int i = 0; i < ProjListCapacity(owner->projList); i++)
            used.push_back(ProjListAt(owner->projList, i) != nullptr);
        Apply(who, c);
        for (int i = 0; i < ProjListCapacity(owner->projList); i++)
            if (!used[i] && ProjListAt(owner->projList, i))
                return i;
        return -1;
    }
    Projectile *Proj(int index, Player *who = nullptr) { return ProjListAt((who ? who : p1)->projList, index); }
    void Update(Player *who = nullptr)
    {
        ProjList *list = (who ? who : p1)->projList;
        ProjListUpdate(list);
        ProjListUpdateScreenPos(list);
    }
    Player *p2 = nullptr;
};

} // namespace

TEST_F(ProjField, AProjectileWithoutKeysStandsAtThePlayerAndHitsOnceWithTheHitDefDefaults)
{
    int i = Launch("projhitanim = 10");
    ASSERT_GE(i, 0);
    const Projectile *p = Proj(i);
    EXPECT_EQ(AnimObjActionNo(&p->anim), 0);
    EXPECT_FLOAT_EQ(p->x, 100.0f);
    EXPECT_FLOAT_EQ(p->y, 0.0f);
    EXPECT_EQ(p->velX, 0.0f);
    EXPECT_EQ(p->hits, 1);
    EXPECT_EQ(p->priority, 1);
    EXPECT_EQ(p->remove, 1);
    EXPECT_EQ(p->removeTime, -1);
    EXPECT_EQ(p->missTime, 0);
    EXPECT_EQ(p->sprPriority, 3);
    EXPECT_EQ(p->facing, 1);
    EXPECT_EQ(p->side, 1);
    EXPECT_EQ(p->shadow, 0);
    EXPECT_EQ(p->edgeBound, 40);
    EXPECT_EQ(p->stageLeft, -240);
    EXPECT_EQ(p->stageRight, 560);
    EXPECT_EQ(p->heightLow, -240);
    EXPECT_EQ(p->heightHigh, 1);
    EXPECT_EQ(p->xScale, 1.0f);
    EXPECT_EQ(p->hitAnim, 10);
    EXPECT_EQ(p->removeAnim, 10) << "the remove animation defaults to the hit animation";
    EXPECT_EQ(p->cancelAnim, 10) << "and the cancel animation to the remove animation";
    EXPECT_EQ(p->hitDef.active, 0) << "a HitDef without attr is not active";
    EXPECT_EQ(p->hitDef.guardDist, p1->consts.projAttackDist);
    EXPECT_EQ(EvalFor(p1, "numproj").i, 1);
    EXPECT_EQ(Warnings(), "");

    // With an attr it is active and takes the next serial; its damage is
    // scaled by the launcher's attack multiplier, at least 1.
    p1->attackMul = 1.5f;
    int serial = gv->hitDefSerial;
    int j = Launch("attr = S, NP\ndamage = 10\nprojid = 4");
    ASSERT_GE(j, 0);
    EXPECT_EQ(Proj(j)->hitDef.active, 1);
    EXPECT_EQ(Proj(j)->hitDef.serial, serial);
    EXPECT_EQ(Proj(j)->hitDef.damage, 15);
    p1->attackMul = 0.01f;
    int k = Launch("attr = S, NP\ndamage = 1");
    ASSERT_GE(k, 0);
    EXPECT_EQ(Proj(k)->hitDef.damage, 1);
    EXPECT_EQ(EvalFor(p1, "numprojid(4)").i, 1);
}

TEST_F(ProjField, EvaluationWarnsAndReplaces)
{
    struct Case {
        const char *keys;
        const char *warning;
        int Projectile::*field;
        int want;
    };
    const Case cases[] = {
        {"projid = -3", "negative projectile ID", &Projectile::id, 0},
        {"projremovetime = -4", "illegal projremovetime", &Projectile::removeTime, 1},
        {"projmisstime = -1", "negative projectile miss time", &Projectile::missTime, 2},
        {"projhits = -2", "negative # of projectile hits", &Projectile::hits, 1},
        {"projhitanim = -5", "illegal projhit actionid", &Projectile::hitAnim, -1},
        // The remove and cancel actions keep a value below -1 with the warning.
        {"projremanim = -5", "illegal projremove actionid", &Projectile::removeAnim, -5},
        {"projcancelanim = -5", "illegal projcancel actionid", &Projectile::cancelAnim, -5},
        {"projshadow = 300, 0, 0", "illegal shadowcolor", &Projectile::shadow, -1},
        {"projshadow = 255, 255, -1", "", &Projectile::shadow, -1},
        {"projshadow = 255, 128, 64", "", &Projectile::shadow, 31 << 11 | 32 << 5 | 8},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        ProjListClear(p1->projList);
        int i = Launch(c.keys);
        ASSERT_GE(i, 0) << c.keys;
        EXPECT_EQ(Proj(i)->*c.field, c.want) << c.keys;
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.keys << ": " << Warnings();
        if (!*c.warning) {
            EXPECT_EQ(Warnings(), "") << c.keys;
        }
    }
    ClearWarnings();
    int i = Launch("projanim = -5");
    ASSERT_GE(i, 0);
    EXPECT_EQ(AnimObjActionNo(&Proj(i)->anim), 0);
    EXPECT_NE(Warnings().find("illegal projanim"), std::string::npos);

    // Scaled with the character when asked to.
    p1->consts.projDoScale = 1;
    p1->consts.xScale = 0.5f;
    int j = Launch("projscale = 2, 3");
    EXPECT_FLOAT_EQ(Proj(j)->xScale, 1.0f);
    EXPECT_FLOAT_EQ(Proj(j)->yScale, 3.0f);

    // A full list or a missing action adds nothing.
    EXPECT_EQ(Launch("projanim = 999"), -1);
    while (ProjListCount(p1->projList) < ProjListCapacity(p1->projList))
        Launch("");
    EXPECT_EQ(Launch(""), -1);
}

TEST_F(ProjField, StartPlaceByPostype)
{
    gv->cameraX = 50.0f;
    struct Case {
        const char *keys;
        Player *who;
        float x, y;
        float velX;
    };
    p1->posY = -7.5f;
    p2->posY = -20.0f;
    const Case cases[] = {
        {"offset = 10, -5\nvelocity = 2, 1", p1, 110.0f, -12.0f, 2.0f},
        {"postype = p2\noffset = 10, 0", p1, 230.0f, -20.0f, 0.0f},
        {"postype = front\noffset = 10", p1, 380.0f, 0.0f, 0.0f},
        {"postype = back", p1, 50.0f, 0.0f, 0.0f},
        {"postype = left", p2, 50.0f, 0.0f, 0.0f},
        {"postype = right", p2, 370.0f, 0.0f, 0.0f},
        {"postype = front\noffset = 10\nvelocity = 2, 1", p2, 40.0f, 0.0f, -2.0f},
    };
    for (const Case &c : cases) {
        int i = Launch(c.keys, c.who);
        ASSERT_GE(i, 0) << c.keys;
        const Projectile *p = Proj(i, c.who);
        EXPECT_FLOAT_EQ(p->x, c.x) << c.keys;
        EXPECT_FLOAT_EQ(p->y, c.y) << c.keys;
        EXPECT_FLOAT_EQ(p->velX, c.velX) << c.keys;
        ProjListClear(c.who->projList);
    }
}

TEST_F(ProjField, FlightEndsAtTheBoundsItMovesTowardAndAtTheEdges)
{
    struct Case {
        const char *keys;
        float cameraX;
        bool leaves;
    };
    // Stage limits -240 and 560, height bounds -240 and 1; the screen edges
    // are camera x and camera x + 320, with an edge bound of 40.
    const Case cases[] = {
        {"projremovetime = 0", 0, true},
        {"projremovetime = 2", 0, false},
        {"postype = left\noffset = 361, 0", 0, true},
        {"postype = left\noffset = 360, 0", 0, false},
        {"postype = left\noffset = -41, 0", 0, true},
        {"postype = left\noffset = -40, 0", 0, false},
        {"postype = left\noffset = 270, 0\nvelocity = 1, 0", 300, true},
        {"postype = left\noffset = 270, 0", 300, false},
        {"postype = left\noffset = 270, 0\nvelocity = -1, 0", 300, false},
        {"postype = left\noffset = 50, 0\nvelocity = -1, 0", -300, true},
        {"postype = left\noffset = 50, 0", -300, false},
        {"offset = 0, 5\nvelocity = 0, 1", 0, true},
        {"offset = 0, 5", 0, false},
        {"offset = 0, -250\nvelocity = 0, -1", 0, true},
        {"offset = 0, -250\nvelocity = 0, 1", 0, false},
        {"projedgebound = 100\npostype = left\noffset = 415, 0", 0, false},
    };
    for (const Case &c : cases) {
        gv->cameraX = c.cameraX;
        ProjListClear(p1->projList);
        int i = Launch(std::string(c.keys) + "\nprojremanim = 302");
        ASSERT_GE(i, 0) << c.keys;
        Update();
        ASSERT_NE(Proj(i), nullptr) << c.keys;
        EXPECT_EQ(Proj(i)->state, c.leaves ? PROJ_STATE_REMOVED : PROJ_STATE_FLYING) << c.keys;
    }
}

TEST_F(ProjField, MotionAndScreenPlace)
{
    gv->stageScaleZTop = 0.0f;
    gv->stageScaleZBottom = 100.0f;
    gv->stageScaleTop = 1.0f;
    gv->stageScaleBottom = 0.5f;
    gv->stageZOffset = 190;
    gv->cameraX = 20.0f;
    gv->cameraY = -4.0f;
    gv->shakeX = 2;
    p1->posZ = 50.0f;
    int i = Launch("offset = 0, -30\nvelocity = 4, -2\nvelmul = 0.5, 1\naccel = 1, 0.5");
    ASSERT_GE(i, 0);
    Update();
    const Projectile *p = Proj(i);
    EXPECT_FLOAT_EQ(p->x, 104.0f);
    EXPECT_FLOAT_EQ(p->y, -32.0f);
    EXPECT_FLOAT_EQ(p->velX, 3.0f);
    EXPECT_FLOAT_EQ(p->velY, -1.5f);
    // Half way down the depth, half way between the scales (no one added to
    // the depth span).
    EXPECT_FLOAT_EQ(p->depthScale, 0.75f);
    EXPECT_EQ(p->screenX, (int)((104.0f - 20.0f - 2.0f - 160.0f) * 0.75f + 160.0f));
    EXPECT_EQ(p->screenY, (int)(0.75f * -32.0f + 4.0f + 190.0f + 50.0f));
    EXPECT_EQ(p->anim.drawPriority, 3 + 500);
    Update();
    EXPECT_FLOAT_EQ(p->x, 107.0f);
    EXPECT_FLOAT_EQ(p->velX, 2.5f);
    EXPECT_EQ(p->age, 2);

    // Moving back turns it round.
    int j = Launch("velocity = -1, 0");
    Update();
    EXPECT_EQ(Proj(j)->facing, -1);
}

TEST_F(ProjField, EndAnimationsPlayOnceAndEnd)
{
    // The end action is the one already playing: it starts again, so it ends
    // four updates after the projectile left flight at its seventh.
    int i = Launch("projanim = 302\nprojremanim = 302\nprojremovetime = 6\nremvelocity = 3, 0");
    for (int n = 1; n <= 7; n++)
        Update();
    ASSERT_NE(Proj(i), nullptr);
    EXPECT_EQ(Proj(i)->state, PROJ_STATE_REMOVED);
    EXPECT_EQ(Proj(i)->velX, 3.0f) << "the remove velocity from the state's first tick";
    for (int n = 8; n <= 10; n++)
        Update();
    ASSERT_NE(Proj(i), nullptr);
    Update();
    EXPECT_EQ(Proj(i), nullptr);

    struct Case {
        const char *keys;
        int updatesAlive;  // updates after the one that ended flight
    };
    const Case cases[] = {
        {"projremanim = 301", 2},
        {"projremanim = 302", 3},
        {"projremanim = -1", -1},
        {"projremanim = -5", -1},   // kept below -1: ended as -1 is
        {"projremanim = 999", -1},  // a missing action
        {"projremanim = 0", -1},    // an action without end
    };
    for (const Case &c : cases) {
        int k = Launch(std::string("projremovetime = 0\n") + c.keys);
        ASSERT_GE(k, 0) << c.keys;
        Update();
        int alive = -1;
        while (Proj(k) && alive < 10) {
            alive++;
            Update();
        }
        EXPECT_EQ(alive, c.updatesAlive) << c.keys;
    }

    // A cancel action below -1 ends an endless projectile at once too.
    int k = Launch("projanim = 300\nprojcancelanim = -5");
    ASSERT_GE(k, 0);
    Proj(k)->state = PROJ_STATE_CANCELLED;
    Proj(k)->stateTime = 0;
    Update();
    EXPECT_EQ(Proj(k), nullptr);
}

TEST_F(ProjField, HitsLandOnPlayersAndTheLastOneEndsTheProjectile)
{
    // Inside P2's body; the hit animation -1 deletes the projectile at once.
    gv->explods = ExplodListCreate(4, nullptr);
    int i = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30\npausetime = 5, 5\ngetpower = 7\n"
                   "projid = 9\nprojmisstime = 4\nsparkno = S301\nsparkxy = 5, -10");
    ASSERT_GE(i, 0);
    Update();
    PlayerHitDetectAll();
    // The spark at the projectile plus the spark offset in its facing.
    ASSERT_EQ(gv->explods->live, 1);
    const Explod *spark = &gv->explods->records[0];
    EXPECT_EQ(AnimObjActionNo(spark->anim), 301);
    EXPECT_FLOAT_EQ(spark->posX, 225.0f);
    EXPECT_FLOAT_EQ(spark->posY, -40.0f);
    ExplodListFree(gv->explods);
    gv->explods = nullptr;
    EXPECT_EQ(p2->pendingDamage, 30);
    EXPECT_EQ(p2->getHit.lastHitter, p1);
    EXPECT_EQ(p2->getHit.hitByMask[1], 511) << "no further projectile hits it this tick";
    EXPECT_EQ(p1->power, 7);
    EXPECT_EQ(p1->hit.hitCount, 1);
    EXPECT_EQ(gv->combo[0].hits, 1);
    EXPECT_EQ(p1->projContactKind, CONTACT_HIT);
    EXPECT_EQ(p1->projContactId, 9);
    ASSERT_NE(Proj(i), nullptr);
    EXPECT_EQ(Proj(i)->state, PROJ_STATE_HIT);
    EXPECT_EQ(Proj(i)->hitPause, 0) << "no pause at the hit that ends it";
    Update();
    EXPECT_EQ(Proj(i), nullptr);

    struct Trig {
        const char *text;
        int want;
    };
    const Trig trigs[] = {
        {"projhittime(0)", 0},   {"projhittime(9)", 0},  {"projhittime(8)", -1}, {"projcontacttime(9)", 0},
        {"projguardedtime(0)", -1}, {"projcanceltime(0)", -1}, {"projhit = 1", 1},  {"projhit9 = 1", 1},
        {"projhit8 = 1", 0},     {"projhit8 = 0", 1},    {"projhit = 0", 0},     {"projguarded = 1", 0},
        {"projcontact = 1, > 0", 0}, {"projcontact = 1, = 0", 1},
    };
    for (const Trig &t : trigs)
        EXPECT_EQ(EvalFor(p1, t.text).i, t.want) << t.text;
    ClearWarnings();
    EXPECT_EQ(EvalFor(p1, "projhittime(-2)").i, 0);
    EXPECT_NE(Warnings().find("Negative projectile ID specified."), std::string::npos);

    // The contact ages with the owner's state runs.
    p1->projContactTicks = 3;
    EXPECT_EQ(EvalFor(p1, "projcontact = 1, > 2").i, 1);
    EXPECT_EQ(EvalFor(p1, "projhittime(0)").i, 3);

    // With hits to spare it pauses and waits its miss time before another.
    p2->getHit.hitByMask[1] = 4095;
    p2->pendingDamage = 0;
    int j = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30\npausetime = 5, 5\nprojhits = 2\n"
                   "projmisstime = 4");
    Update();
    PlayerHitDetectAll();
    ASSERT_NE(Proj(j), nullptr);
    EXPECT_EQ(Proj(j)->state, PROJ_STATE_FLYING);
    EXPECT_EQ(Proj(j)->hits, 1);
    EXPECT_EQ(Proj(j)->hitPause, 5);
    EXPECT_EQ(Proj(j)->missCounter, 4);
    p2->getHit.hitByMask[1] = 4095;
    int before = p2->pendingDamage;
    PlayerHitDetectAll();
    EXPECT_EQ(p2->pendingDamage, before) << "locked while its pause and miss time run";
}

TEST_F(ProjField, AnOverriddenHitShowsItsSparkAndGoesIntoTheOverrideState)
{
    gv->explods = ExplodListCreate(4, nullptr);
    p2->hitOverride[0] = {1, 0xfff, 200, 10, 0};
    int i = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30\nsparkno = S301\n"
                   "sparkxy = 5, -10\npalfx.time = 5");
    ASSERT_GE(i, 0);
    Update();
    PlayerHitDetectAll();
    EXPECT_EQ(p2->state.stateNo, 200);
    EXPECT_EQ(p2->getHit.lastHitter, p1);
    ASSERT_EQ(gv->explods->live, 1) << "the spark shows as for any hit";
    EXPECT_EQ(AnimObjActionNo(gv->explods->records[0].anim), 301);
    EXPECT_FLOAT_EQ(gv->explods->records[0].posX, 225.0f);
    EXPECT_EQ(p2->palFx.time, 0) << "the palette effect is the hit's only without an override";
    ExplodListFree(gv->explods);
    gv->explods = nullptr;
}

TEST_F(ProjField, GuardsHitLocksAndTeamsDecide)
{
    p2->guarding = 1;
    int i = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30, 4\nguardflag = MA\nprojid = 2");
    Update();
    PlayerHitDetectAll();
    EXPECT_EQ(p1->projContactKind, CONTACT_GUARDED);
    EXPECT_EQ(EvalFor(p1, "projguardedtime(2)").i, 0);
    EXPECT_EQ(EvalFor(p1, "projhittime(2)").i, -1);
    EXPECT_EQ(p2->pendingDamage, 4);
    EXPECT_EQ(p2->getHit.guarded, 1);
    ASSERT_NE(Proj(i), nullptr);
    EXPECT_EQ(Proj(i)->state, PROJ_STATE_HIT);

    // Nothing with affectteam F, nor while the victim's hit lock runs.
    p2->pendingDamage = 0;
    p2->guarding = 0;
    int k = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30\naffectteam = F");
    Update();
    PlayerHitDetectAll();
    EXPECT_EQ(p2->pendingDamage, 0);
    ASSERT_NE(Proj(k), nullptr);
    EXPECT_EQ(Proj(k)->hits, 1) << "its own side only";
    p2->hitLock = 3;
    int j = Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30");
    Update();
    PlayerHitDetectAll();
    EXPECT_EQ(p2->pendingDamage, 0);
    ASSERT_NE(Proj(j), nullptr);
    EXPECT_EQ(Proj(j)->hits, 1);
    p2->hitLock = 0;
    PlayerHitDetectAll();
    EXPECT_EQ(p2->pendingDamage, 30);

    // A projectile's KO records the win icon of its side.
    for (int &icon : gv->round.winIcon[0])
        icon = -1;
    p2->getHit.hitByMask[1] = 4095;
    p2->life = 20;
    p2->pendingDamage = 0;
    Launch("projanim = 300\npostype = p2\noffset = 0, -30\nattr = S, NP\ndamage = 30");
    Update();
    PlayerHitDetectAll();
    EXPECT_EQ(p2->pendingDamage, 20);
    EXPECT_NE(gv->round.winIcon[0][0], -1);
}

TEST_F(ProjField, AnAttackWithThePFlagSpendsItselfOnAProjectile)
{
    // The projectile's hit sound plays where it is struck.
    gv->cfg.sound.sound = 1;
    gv->cfg.sound.wavVolume = 175;
    ASSERT_TRUE(FakeVoiceStart());
    SndSet *common = SndSetCreate(1);
    SAMPLE *sound = create_sample(8, 0, 8000, 100);
    ASSERT_TRUE(SndSetAdd(common, sound, 1, 0));
    gv->commonSnd = common;
    FakeVoiceClear();
    int i = Launch("projanim = 300\npostype = p2\noffset = -20, -40\nattr = S, NP\ndamage = 30\nprojhits = 2\nprojmisstime = 3\n"
                   "hitsound = 1, 0");
    Update();
    // P2's attack box reaches 40 pixels in front of it, where the projectile is.
    SCtrl *hd = Ctrl("type = HitDef\nattr = S, NA\nhitflag = MAFP\np1stateno = 200");
    ASSERT_NE(hd, nullptr);
    AnimObjChangeAction(p2->anim, 0, 200);
    p2->state.moveType = MOVETYPE_A;
    Apply(p2, hd);
    ASSERT_EQ(p2->hitDef.active, 1);
    p1->hitLock = 10;  // keep P1 out of P2's way
    PlayerHitDetectAll();
    EXPECT_EQ(p2->hitDef.active, 0);
    EXPECT_EQ(p2->state.stateNo, 200);
    ASSERT_NE(Proj(i), nullptr);
    EXPECT_EQ(Proj(i)->hits, 1);
    EXPECT_EQ(Proj(i)->missCounter, 3);
    EXPECT_EQ(Proj(i)->state, PROJ_STATE_FLYING);
    ASSERT_EQ(FakeVoicePlays().size(), 1u);
    EXPECT_EQ(FakeVoicePlays()[0].sample, sound);
    gv->commonSnd = nullptr;
    SndSetFree(common);
    FakeVoiceStop();

    // The last hit removes it; an attack without the P flag passes through.
    Proj(i)->missCounter = 0;
    Apply(p2, hd);
    PlayerHitDetectAll();
    EXPECT_EQ(Proj(i)->state, PROJ_STATE_REMOVED);
    int j = Launch("projanim = 300\npostype = p2\noffset = -20, -40\nattr = S, NP");
    Update();
    SCtrl *plain = Ctrl("type = HitDef\nattr = S, NA\nhitflag = MAF");
    Apply(p2, plain);
    PlayerHitDetectAll();
    EXPECT_EQ(p2->hitDef.active, 1);
    EXPECT_EQ(Proj(j)->hits, 1);
}

TEST_F(ProjField, ClashesCostTheLowerPriorityAHitAndTheHigherAPoint)
{
    struct Case {
        int prio1, prio2, hits;
        int state1, state2;
        int prioAfter1, prioAfter2;
    };
    const Case cases[] = {
        {1, 1, 1, PROJ_STATE_CANCELLED, PROJ_STATE_CANCELLED, 0, 0},
        {2, 1, 1, PROJ_STATE_FLYING, PROJ_STATE_CANCELLED, 1, 1},
        {1, 2, 1, PROJ_STATE_CANCELLED, PROJ_STATE_FLYING, 1, 1},
        {3, 3, 2, PROJ_STATE_FLYING, PROJ_STATE_FLYING, 2, 2},
        // A priority at the int's low end stays there.
        {INT_MIN, INT_MIN, 2, PROJ_STATE_FLYING, PROJ_STATE_FLYING, INT_MIN, INT_MIN},
    };
    auto number = [](int v) { return v == INT_MIN ? std::string("-2147483647 - 1") : std::to_string(v); };
    for (const Case &c : cases) {
        ProjListClear(p1->projList);
        ProjListClear(p2->projList);
        p1->projContactKind = p2->projContactKind = 0;
        // Both at x 160, between the players and clear of their bodies.
        std::string common = "projanim = 300\npostype = left\noffset = 160, -30\nprojmisstime = 2\nprojhits = " + std::to_string(c.hits);
        int i = Launch(common + "\nprojpriority = " + number(c.prio1));
        std::string common2 = "projanim = 300\npostype = left\noffset = -160, -30\nprojmisstime = 2\nprojhits = " + std::to_string(c.hits);
        int j = Launch(common2 + "\nprojpriority = " + number(c.prio2), p2);
        ASSERT_GE(i, 0);
        ASSERT_GE(j, 0);
        ASSERT_FLOAT_EQ(Proj(j, p2)->x, 160.0f);
        Update(p1);
        Update(p2);
        PlayerHitDetectAll();
        const Projectile *g = Proj(i, p1), *m = Proj(j, p2);
        std::string what = std::to_string(c.prio1) + " against " + std::to_string(c.prio2);
        EXPECT_EQ(g->state, c.state1) << what;
        EXPECT_EQ(m->state, c.state2) << what;
        EXPECT_EQ(g->priority, c.prioAfter1) << what;
        EXPECT_EQ(m->priority, c.prioAfter2) << what;
        EXPECT_EQ(p1->projContactKind, c.state1 == PROJ_STATE_CANCELLED ? 3 : 0) << what;
        EXPECT_EQ(EvalFor(p2, "projcanceltime(0)").i, c.state2 == PROJ_STATE_CANCELLED ? 0 : -1) << what;
        if (c.state1 == PROJ_STATE_FLYING) {
            EXPECT_EQ(g->missCounter, 2) << what << ": left with hits, locked";
        }
    }
}

TEST_F(ProjField, PausesFreezeProjectilesOlderThanTheirMoveTimes)
{
    struct Case {
        int pause;
        const char *keys;
        int movingUpdates;
    };
    const Case cases[] = {
        {1, "supermovetime = 0", 1},
        {1, "supermovetime = 2", 3},
        {1, "supermovetime = -1", 5},
        {1, "pausemovetime = 0\nsupermovetime = 1", 2},
        {0, "pausemovetime = 1", 2},
        {-1, "", 5},
    };
    for (const Case &c : cases) {
        ProjListClear(p1->projList);
        gv->activePause = -1;
        int i = Launch(std::string(c.keys) + "\nvelocity = 1, 0");
        gv->activePause = c.pause;
        for (int n = 0; n < 5; n++)
            Update();
        EXPECT_FLOAT_EQ(Proj(i)->x, 100.0f + c.movingUpdates) << c.keys;
        EXPECT_EQ(Proj(i)->frozen, c.movingUpdates < 5) << c.keys;
    }
    gv->activePause = -1;
}

TEST_F(ProjField, AHelpersProjectilesGoIntoItsRootsList)
{
    Field(4, FieldKitChar());
    Player *helper = P(3);
    helper->isHelper = 1;
    helper->root = P(1);
    SCtrl *c = Ctrl("type = Projectile\nprojid = 6");
    ASSERT_NE(c, nullptr);
    Apply(helper, c);
    EXPECT_EQ(ProjListCountActive(P(1)->projList), 1);
    EXPECT_EQ(ProjListCount(helper->projList), 0);
    EXPECT_EQ(EvalFor(P(1), "numprojid(6)").i, 1);
    EXPECT_EQ(EvalFor(helper, "numproj").i, 0);
}

TEST_F(ProjField, NumprojCountsOnlyFlyingProjectiles)
{
    int i = Launch("projid = 5\nprojremanim = 302");
    Launch("projid = 5");
    Launch("projid = 7");
    EXPECT_EQ(EvalFor(p1, "numproj").i, 3);
    EXPECT_EQ(EvalFor(p1, "numprojid(5)").i, 2);
    Proj(i)->removeTime = 0;
    Update();
    EXPECT_EQ(ProjListCount(p1->projList), 3);
    EXPECT_EQ(EvalFor(p1, "numproj").i, 2);
    EXPECT_EQ(EvalFor(p1, "numprojid(5)").i, 1);
    ClearWarnings();
    EXPECT_EQ(EvalFor(p1, "numprojid(-1)").i, 0);
    EXPECT_NE(Warnings().find("Negative projID specified."), std::string::npos);
}

TEST_F(ProjField, GuardDistanceComesFromTheProjectilesWhileThereAreAny)
{
    p1->state.moveType = MOVETYPE_A;
    p1->guardDist = 500;
    p2->posX = 190.0f;
    EXPECT_EQ(EvalFor(p2, "inguarddist").i, 1);
    // Its own guard distance no longer counts; the projectile's 50 does.
    Launch("postype = left\noffset = 150, 0\nattr = S, NP\nguard.dist = 50");
    EXPECT_EQ(EvalFor(p2, "inguarddist").i, 1);
    p2->posX = 220.0f;
    EXPECT_EQ(EvalFor(p2, "inguarddist").i, 0);
    // A player with a projectile but no attack still holds its enemy.
    p1->state.moveType = MOVETYPE_I;
    p2->posX = 190.0f;
    EXPECT_EQ(EvalFor(p2, "inguarddist").i, 1);
}

TEST_F(ProjField, LoadErrorsNameTheKey)
{
    struct Case {
        const char *keys;
        const char *error;
    };
    const Case cases[] = {
        {"postype = middle", "Illegal postype: middle"},
        {"offset = 1, 2, 3", "Error parsing offset"},
        {"projheightbound = 1, 2 x", "Error parsing projheightbound"},
        {"attr = Q", "Error parsing Hitdef of projectile"},
        {"afterimage.time = 3\nafterimage.palmul = 1, 1, 1, 1", "Error parsing Afterimage of projectile"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Ctrl(std::string("type = Projectile\n") + c.keys), nullptr) << c.keys;
        EXPECT_NE(std::string(gv->errorText).find(c.error), std::string::npos) << gv->errorText;
        EXPECT_NE(std::string(gv->errorText).find("Error parsing Projectile"), std::string::npos) << gv->errorText;
    }
}

TEST_F(ProjField, ATrailIsBorrowedFromThePoolAndGivenBack)
{
    int i = Launch("afterimage.time = 5\nafterimage.length = 30");
    ASSERT_GE(i, 0);
    AfterImage *ai = Proj(i)->afterImage;
    ASSERT_NE(ai, nullptr);
    EXPECT_EQ(ai->owner, Proj(i));
    EXPECT_EQ(ai->anim, &Proj(i)->anim);
    EXPECT_EQ(ai->params.length, 8) << "limited to the pool record's frames";
    EXPECT_NE(Warnings().find("length for afterimage exceeds maximum of 8"), std::string::npos);
    EXPECT_EQ(AfterImagePoolCount(gv->afterImages), 1);
    Launch("afterimage.time = 5");
    Launch("afterimage.time = 5");
    EXPECT_EQ(AfterImagePoolCount(gv->afterImages), 2) << "none left for the third";
    ProjListRemove(p1->projList, i);
    EXPECT_EQ(AfterImagePoolCount(gv->afterImages), 1);
    EXPECT_EQ(ai->active, 0);
    ProjListClear(p1->projList);
    EXPECT_EQ(AfterImagePoolCount(gv->afterImages), 0);
}

TEST_F(ProjField, ShadowsAndDebugBoxesAreDrawnAtTheScreenPlace)
{
    ASSERT_EQ(GfxSinTableInit(), 1);
    BITMAP *canvas = PixCanvas(0xffff);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    gv->cfg.engine.drawShadows = 1;
    gv->stageZOffset = 100;
    gv->stageShadowIntensity = 128;
    gv->stageShadowYScale = 1.0f;
    int i = Launch("projanim = 300\npostype = left\noffset = 160, -30\nprojshadow = -1, 0, 0");
    Update();
    ASSERT_EQ(Proj(i)->screenX, 160);
    ASSERT_EQ(Proj(i)->screenY, 70);
    ShadowSettings shadow = {0, 128, 1.0f, 0, 0};
    ProjListDrawShadows(p1->projList, &shadow, 0, 1.0f);
    // The shadow lies below the ground line, at y 100 and the 30 pixels the
    // projectile flies above it turned upside down.
    int darkened = 0;
    for (int y = 90; y < 140; y++)
        for (int x = 150; x < 175; x++)
            darkened += PixGet(canvas, x, y) != 0xffff;
    EXPECT_GT(darkened, 0);
    for (int y = 0; y < 80; y++)
        for (int x = 150; x < 175; x++)
            ASSERT_EQ(PixGet(canvas, x, y), 0xffff) << x << "," << y;
    // No colour, no shadow.
    Proj(i)->shadow = 0;
    BITMAP *clean = PixCanvas(0xffff);
    PixVbufTargetSet(clean, &rows);
    ProjListDrawShadows(p1->projList, &shadow, 0, 1.0f);
    BITMAP *white = PixCanvas(0xffff);
    EXPECT_TRUE(PixEqual(clean, white));
    destroy_bitmap(white);

    // Boxes 10 pixels wide about the screen place, in red.
    BITMAP *boxes = PixCanvas(0);
    PixVbufTargetSet(boxes, &rows);
    gv->clsnDisplay = 1;
    ProjListDrawClsn(p1->projList, 1.0f);
    EXPECT_EQ(PixGet(boxes, 155, 70), Rgb565(31, 0, 0));
    EXPECT_EQ(PixGet(boxes, 165, 65), Rgb565(31, 0, 0));
    EXPECT_EQ(PixGet(boxes, 160, 70), 0) << "outlines only";
    vbufTarget = VbufTarget{};
    destroy_bitmap(canvas);
    destroy_bitmap(clean);
    destroy_bitmap(boxes);
}

TEST_F(ProjField, HitTestFindsFlyingProjectilesThatReachTheBoxes)
{
    ClsnList *body = ClsnListCreate(1);
    ClsnListAddBox(body, -10, -60, 10, 0);
    int i = Launch("projanim = 300\npostype = left\noffset = 160, -30\nprojremanim = 302");
    struct Case {
        int x, y, flip;
        int hits;
    };
    // The projectile's attack box spans 155..165 and -35..-25.
    const Case cases[] = {
        {170, 0, 0, 1}, {176, 0, 0, 0}, {144, 0, 1, 0}, {150, 0, 1, 1}, {170, -36, 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ProjListHitTest(p1->projList, body, c.x, c.y, c.flip), c.hits) << c.x << "," << c.y;
    Proj(i)->state = PROJ_STATE_REMOVED;
    EXPECT_EQ(ProjListHitTest(p1->projList, body, 170, 0, 0), 0) << "flying projectiles only";
    ClsnListRelease(body);
}
