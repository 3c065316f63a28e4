// Explods and screen elements: the controllers, binding, removal, pauses, the fixed lists, drawing, sparks, dust, game animations and screen elements.
#include "velok/player/explod.h"

#include <allegro.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "support/fightkit.h"
#include "support/pixkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/chardef.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sctrl.h"
#include "velok/script/stparam.h"

namespace {

// Two players of the field character (actions 0 endless, 10 of 12 ticks, 200
// of 4), a list of six records, a draw list, game animations, and fight
// effects with action 2 (3 ticks) and the dust action 120 (4 ticks). P1's
// screen position is (100, 200); the camera stands at (5, 7).
class ExplodTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
        gv->drawList = DrawListCreate(16);
        gv->animList = AnimListCreate(4);
        gv->explods = ExplodListCreate(6, gv->drawList);
        gv->sysExplods = ExplodListCreate(4, nullptr);
        ASSERT_TRUE(gv->drawList && gv->animList && gv->explods && gv->sysExplods);
        list = gv->explods;
        WriteFileText("fx.air", AirAction(2, {AirElemLine(0, 0, 0, 0, 3)}) +
                                    AirAction(120, {AirElemLine(0, 0, 0, 0, 2), AirElemLine(0, 0, 0, 0, 2)}));
        fx = AnimLoadFile("fx.air");
        ASSERT_NE(fx, nullptr);
        gv->fightFxAnims = fx;
        gv->fightFxSpr = p1->sprView;
        p1->screenX = 100;
        p1->screenY = 200;
        P(2)->screenX = 220;
        P(2)->screenY = 200;
        gv->cameraXi = 5;
        gv->cameraYi = 7;
    }
    void TearDown() override
    {
        ExplodListFree(gv->explods);
        ExplodListFree(gv->sysExplods);
        gv->explods = gv->sysExplods = nullptr;
        DrawListFree(gv->drawList);
        AnimListFree(gv->animList);
        gv->drawList = nullptr;
        gv->animList = nullptr;
        AnimSetFree(fx);
        gv->fightFxAnims = nullptr;
        FieldTest::TearDown();
    }
    int FirstFree()
    {
        for (int i = 0; i < list->capacity; i++)
            if (!list->records[i].inUse)
                return i;
        return -1;
    }
    // Runs the Explod controller with these keys; the record it took, or null.
    Explod *Make(const std::string &keys, Player *who = nullptr)
    {
        SCtrl *c = Ctrl("type = Explod\n" + keys);
        EXPECT_NE(c, nullptr) << keys << ": " << gv->errorText;
        if (!c)
            return nullptr;
        int index = FirstFree();
        Apply(who ? who : p1, c);
        Explod *e = ExplodAt(list, index);
        return e && e->inUse ? e : nullptr;
    }
    void Run(Player *who, const std::string &body)
    {
        SCtrl *c = Ctrl(body);
        ASSERT_NE(c, nullptr) << body << ": " << gv->errorText;
        Apply(who, c);
    }
    void Tick(int n = 1)
    {
        for (int i = 0; i < n; i++)
            ExplodListUpdate(list);
    }
    int Live(const ExplodList *l)
    {
        int n = 0;
        for (int i = 0; i < l->capacity; i++)
            n += l->records[i].inUse;
        return n;
    }

    ExplodList *list = nullptr;
    AnimSet *fx = nullptr;
};

} // namespace

TEST_F(ExplodTest, NoKeysMakeAnExplodBoundToThePlayerForOneTick)
{
    Explod *e = Make("");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, EXPLOD_KIND_ANIM);
    EXPECT_EQ(e->id, 0);
    EXPECT_EQ(e->owner, 56);
    EXPECT_EQ(AnimObjActionNo(e->anim), 0);
    EXPECT_EQ(e->anim->set, cd->anims);
    EXPECT_EQ(e->postype, POSTYPE_P1);
    EXPECT_EQ(e->bindTime, 1);
    EXPECT_EQ(e->layer, 0);
    EXPECT_EQ(e->anim->drawList, gv->drawList);  // queued at sprite priority 0
    EXPECT_EQ(e->anim->drawPriority, 0);
    EXPECT_EQ(e->flips, 0);
    EXPECT_EQ(e->shadowColour, 0);
    EXPECT_EQ(e->ignoreHitPause, 1);
    EXPECT_EQ(e->removeTime, -1);  // action 0 never ends
    // At the player on the first tick, then on the stage where it was.
    Tick();
    EXPECT_FLOAT_EQ(e->posX, 105);
    EXPECT_FLOAT_EQ(e->posY, 207);
    EXPECT_EQ(e->stageSpace, 1);
    EXPECT_EQ(e->bindTime, 0);
    p1->screenX = 150;
    Tick();
    EXPECT_FLOAT_EQ(e->posX, 105);
    // Removed when its animation has run once: action 10 lasts 12 ticks.
    Explod *once = Make("anim = 10");
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(once->removeTime, 12);
    Tick(12);
    EXPECT_TRUE(once->inUse);
    Tick();
    EXPECT_FALSE(once->inUse);
    EXPECT_EQ(list->live, Live(list));
}

TEST_F(ExplodTest, BindingMotionAndRemovalByTick)
{
    struct Case {
        const char *keys;
        int ticks;
        bool live;
        float x, y;
        int stageSpace;
    } cases[] = {
        {"bindtime = 0\npos = 10, -20", 3, true, 10, -20, 0},  // the anchor is never applied
        {"pos = 10, -20", 1, true, 115, 187, 1},               // at the player, then on the stage
        {"pos = 10, -20\nvel = 2, 1\naccel = 0, 1", 3, true, 119, 190, 1},
        {"bindtime = -1\npos = 10", 4, true, 110, 200, 0},
        {"bindtime = 3\npostype = left\npos = 10", 2, true, 15, 7, 1},  // on the camera
        {"removetime = -1\nanim = 10", 40, true, 105, 207, 1},
        {"removetime = 3", 3, true, 105, 207, 1},
        {"removetime = 3", 4, false, 0, 0, 0},
        {"removetime = -2\nanim = 200", 5, false, 0, 0, 0},
    };
    for (const Case &c : cases) {
        ExplodListClear(list);
        Explod *e = Make(c.keys);
        ASSERT_NE(e, nullptr) << c.keys;
        Tick(c.ticks);
        EXPECT_EQ(e->inUse != 0, c.live) << c.keys;
        if (c.live) {
            EXPECT_FLOAT_EQ(e->posX, c.x) << c.keys;
            EXPECT_FLOAT_EQ(e->posY, c.y) << c.keys;
            EXPECT_EQ(e->stageSpace, c.stageSpace) << c.keys;
        }
        EXPECT_EQ(list->live, Live(list)) << c.keys;
    }
}

TEST_F(ExplodTest, PausesAndTheOwnersHitPause)
{
    struct Case {
        const char *keys;
        int pause;     // -1 none, 0 Pause, 1 SuperPause
        int hitPause;  // the owner's
        int age;       // after 5 ticks
    } cases[] = {
        {"anim = 10\nsupermovetime = -2", 1, 0, 5},    // the remove time: keeps animating
        {"anim = 10\nsupermovetime = 0", 1, 0, 1},     // frozen from age 1 on
        {"anim = 10\nsupermove = 1", 1, 0, 5},          // supermove alone means the remove time
        {"anim = 10\nsupermovetime = 2", 1, 0, 3},
        {"anim = 10\nsupermovetime = -2", 0, 0, 1},    // a Pause asks the pause move time
        {"anim = 10\npausemovetime = -2", 0, 0, 5},
        {"anim = 10\npausemovetime = 0", 0, 0, 1},
        {"anim = 10\nignorehitpause = 0", -1, 3, 0},   // the owner in hit pause holds it
        {"anim = 10", -1, 3, 5},                        // unless it ignores hit pause
    };
    for (const Case &c : cases) {
        ExplodListClear(list);
        Explod *e = Make(c.keys);
        ASSERT_NE(e, nullptr) << c.keys;
        gv->activePause = c.pause;
        if (c.pause >= 0)
            gv->pause[c.pause].time = 50;
        p1->state.hitPauseTime = c.hitPause;
        Tick(5);
        EXPECT_EQ(e->age, c.age) << c.keys << " pause " << c.pause;
        EXPECT_EQ(AnimObjTime(e->anim), c.age) << c.keys;
        gv->activePause = -1;
        gv->pause[0].time = gv->pause[1].time = 0;
        p1->state.hitPauseTime = 0;
    }
}

TEST_F(ExplodTest, AFullListDropsSilentlyAndTheLowestFreeRecordIsTakenAgain)
{
    for (int id = 1; id <= 7; id++)
        Make("id = " + std::to_string(id));
    EXPECT_EQ(list->live, 6);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(EvalFor(p1, "numexplod").i, 6);
    EXPECT_EQ(HitSparkMake(p1, 2, 0, 0, 0, 0, 0), -1);  // sparks are dropped too
    SparkSpec dust;
    ASSERT_EQ(DustSpecAt(0, 0, &dust), 1);
    EXPECT_EQ(SparkMake(&dust), -1);

    Run(p1, "type = RemoveExplod\nid = 3");
    EXPECT_FALSE(list->records[2].inUse);
    EXPECT_EQ(list->live, 5);
    Explod *e = Make("id = 9");
    EXPECT_EQ(e, &list->records[2]);
    EXPECT_EQ(EvalFor(p1, "numexplod(9)").i, 1);
    EXPECT_EQ(EvalFor(P(2), "numexplod").i, 0);
}

TEST_F(ExplodTest, PlacesByPostypeFacingAndWarnings)
{
    struct Case {
        const char *keys;
        int playerFacing;
        int x, y, flips, anchor, anchorSlot, stageSpace;
    } cases[] = {
        {"pos = 10, -5", 1, 10, -5, 0, EXPLOD_ANCHOR_PLAYER, 1, 0},
        {"pos = 10, -5", -1, -10, -5, EXPLOD_FLIP_H, EXPLOD_ANCHOR_PLAYER, 1, 0},
        {"pos = 10, -5\nfacing = -1", -1, -10, -5, 0, EXPLOD_ANCHOR_PLAYER, 1, 0},
        {"postype = p2\npos = 10", 1, -10, 0, EXPLOD_FLIP_H, EXPLOD_ANCHOR_PLAYER, 2, 0},  // P2 faces left
        {"postype = front\npos = 10", 1, 330, 0, 0, EXPLOD_ANCHOR_CAMERA, 0, 1},
        {"postype = front\npos = 10", -1, 10, 0, 0, EXPLOD_ANCHOR_CAMERA, 0, 1},
        {"postype = back\npos = 10", 1, 10, 0, 0, EXPLOD_ANCHOR_CAMERA, 0, 1},
        {"postype = back\npos = 10", -1, 310, 0, EXPLOD_FLIP_H, EXPLOD_ANCHOR_CAMERA, 0, 1},
        {"postype = left\npos = 10\nvfacing = -1", -1, 10, 0, EXPLOD_FLIP_V, EXPLOD_ANCHOR_CAMERA, 0, 1},
        {"postype = right\npos = 10", 1, 330, 0, 0, EXPLOD_ANCHOR_CAMERA, 0, 1},
        // Sums that leave the int range stop at its end.
        {"postype = right\npos = 2147483647", 1, INT_MAX, 0, 0, EXPLOD_ANCHOR_CAMERA, 0, 1},
    };
    for (const Case &c : cases) {
        ExplodListClear(list);
        p1->facing = c.playerFacing;
        Explod *e = Make(c.keys);
        ASSERT_NE(e, nullptr) << c.keys;
        EXPECT_EQ(e->offsetX, c.x) << c.keys << " facing " << c.playerFacing;
        EXPECT_EQ(e->offsetY, c.y) << c.keys;
        EXPECT_FLOAT_EQ(e->posX, (float)c.x) << c.keys;
        EXPECT_EQ(e->flips, c.flips) << c.keys << " facing " << c.playerFacing;
        EXPECT_EQ(e->anchor, c.anchor) << c.keys;
        EXPECT_EQ(e->anchorSlot, c.anchorSlot) << c.keys;
        EXPECT_EQ(e->stageSpace, c.stageSpace) << c.keys;
    }
    p1->facing = 1;

    // Without an opponent p2 stands as p1 would: at the player plus pos, once.
    ExplodListClear(list);
    p1->opponent = nullptr;
    Explod *e = Make("postype = p2\npos = 10, 4");
    ASSERT_NE(e, nullptr);
    Tick();
    EXPECT_FLOAT_EQ(e->posX, 100 + 10 + 5);
    EXPECT_FLOAT_EQ(e->posY, 200 + 4 + 7);

    struct Warn {
        const char *keys, *warning;
    } warns[] = {
        {"facing = 2", "explod facing param must be 1 or -1"},
        {"vfacing = 0", "explod vfacing param must be 1 or -1"},
        {"random = -1", "negative explod random param"},
        {"id = -4", "negative explod ID"},
        {"anim = -3", "illegal explod animno"},
        {"bindtime = -3", "Illegal posbindtime for explod"},
        {"removetime = -3", "Illegal removetime for explod"},
    };
    for (const Warn &w : warns) {
        ClearWarnings();
        ExplodListClear(list);
        Explod *made = Make(w.keys);
        ASSERT_NE(made, nullptr) << w.keys;
        EXPECT_NE(Warnings().find(w.warning), std::string::npos) << w.keys << ": " << Warnings();
    }
    ExplodListClear(list);
    e = Make("bindtime = -3\nanim = 10\nremovetime = -3\nid = -4");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->bindTime, -1);
    EXPECT_EQ(e->removeTime, 12);
    EXPECT_EQ(e->id, 0);
}

TEST_F(ExplodTest, RandomSpreadStaysInItsRange)
{
    GameRandomSeed(3);
    bool seen[11] = {};
    for (int i = 0; i < 300; i++) {
        ExplodListClear(list);
        Explod *e = Make("postype = left\nrandom = 10, 0");
        ASSERT_NE(e, nullptr);
        ASSERT_TRUE(e->offsetX >= -5 && e->offsetX <= 5) << e->offsetX;
        EXPECT_EQ(e->offsetY, 0);
        seen[e->offsetX + 5] = true;
    }
    for (bool s : seen)
        EXPECT_TRUE(s);
}

TEST_F(ExplodTest, ShadowColoursTransparencyAndDrawingRoute)
{
    struct Case {
        const char *keys;
        int colour;
        bool warned;
    } cases[] = {
        {"shadow = 0, 0, 0", 0, false},
        {"shadow = 255, 255, 255", 0xFFFF, false},
        {"shadow = 8, 4, 8", 1 << 11 | 1 << 5 | 1, false},
        {"shadow = -1, 0, 0", -1, false},
        {"shadow = 0, -1, 0", -1, false},  // any component of -1 is the stage's colour
        {"shadow = 300, 0, 0", -1, true},
        {"shadow = 0, 0, -2", -1, true},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        Explod *e = Make(c.keys);
        ASSERT_NE(e, nullptr) << c.keys;
        EXPECT_EQ(e->shadowColour, c.colour) << c.keys;
        EXPECT_EQ(Warnings().find("Illegal shadow color") != std::string::npos, c.warned) << c.keys;
        ExplodListClear(list);
    }

    Explod *e = Make("trans = addalpha\nalpha = 300, -4\nsprpriority = 3");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->transKind, 3);
    EXPECT_EQ(e->alphaSrc, 256);
    EXPECT_EQ(e->alphaDst, 0);
    EXPECT_EQ(e->anim->drawList, gv->drawList);
    EXPECT_EQ(e->anim->drawPriority, 3);
    e = Make("ontop = 1\nsprpriority = 3");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->layer, 2);
    EXPECT_EQ(e->anim->drawList, nullptr);
    // The own palette view, or the shared one.
    EXPECT_EQ(Make("ownpal = 1")->spr, p1->palInUse);
    EXPECT_EQ(Make("")->spr, p1->sprInUse);
    EXPECT_EQ(Make("anim = F2")->anim->set, fx);
}

TEST_F(ExplodTest, ModifyExplodChangesOnlyWhatItIsGiven)
{
    Explod *a = Make("id = 1\npos = 3, 4\nvel = 1, 0\nbindtime = 0\npostype = left\nsprpriority = 2");
    Explod *b = Make("id = 2\npos = 5, 6\nbindtime = 0");
    ASSERT_TRUE(a && b);
    Explod before[2] = {*a, *b};

    Run(p1, "type = ModifyExplod\nscale = 2, 2");
    for (Explod *e : {a, b}) {
        EXPECT_FLOAT_EQ(e->scaleX, 2);
        EXPECT_FLOAT_EQ(e->scaleY, 2);
        e->scaleX = e->scaleY = 1;
    }
    EXPECT_EQ(memcmp(a, &before[0], sizeof *a), 0) << "nothing but the scale changes";
    EXPECT_EQ(memcmp(b, &before[1], sizeof *b), 0);

    // Another player's modify touches none of them; an ID picks one.
    Run(P(2), "type = ModifyExplod\nscale = 5, 5");
    EXPECT_FLOAT_EQ(a->scaleX, 1);
    Run(p1, "type = ModifyExplod\nid = 2\nscale = 3, 3");
    EXPECT_FLOAT_EQ(a->scaleX, 1);
    EXPECT_FLOAT_EQ(b->scaleX, 3);

    // A postype without pos moves it to the new anchor at 0, 0, binding it
    // for the next tick; the motion it was not given stays.
    Run(p1, "type = ModifyExplod\nid = 1\npostype = p1");
    EXPECT_EQ(a->offsetX, 0);
    EXPECT_EQ(a->offsetY, 0);
    EXPECT_EQ(a->anchor, EXPLOD_ANCHOR_PLAYER);
    EXPECT_EQ(a->bindTime, 1);
    EXPECT_EQ(a->stageSpace, 0);
    EXPECT_FLOAT_EQ(a->velX, 1);
    EXPECT_EQ(a->anim->drawPriority, 2);
    Tick();
    EXPECT_FLOAT_EQ(a->posX, 100 + 5);
    EXPECT_FLOAT_EQ(a->posY, 200 + 7);
    // ExplodBindTime and RemoveExplod by ID, with their warnings.
    ClearWarnings();
    Run(p1, "type = ExplodBindTime\nid = -2\ntime = -5");
    EXPECT_NE(Warnings().find("illegal ID to explodbindtime"), std::string::npos);
    EXPECT_NE(Warnings().find("illegal explodbindtime"), std::string::npos);
    EXPECT_EQ(a->bindTime, -1);
    EXPECT_EQ(b->bindTime, -1);
    Run(p1, "type = ExplodBindTime\nid = 2\ntime = 4");
    EXPECT_EQ(b->bindTime, 4);
    EXPECT_EQ(a->bindTime, -1);
    ClearWarnings();
    Run(p1, "type = RemoveExplod\nid = -7");
    EXPECT_NE(Warnings().find("removal of illegal explod ID"), std::string::npos);
    EXPECT_EQ(list->live, 0);
}

TEST_F(ExplodTest, OnlyAPlayersOwnExplodsAreItsOwn)
{
    // Sparks and dust carry owner 0, which a player's id may also be.
    p1->id = 0;
    ASSERT_NE(Make("id = 4\nremoveongethit = 1"), nullptr);
    ASSERT_NE(Make("id = 5"), nullptr);
    ASSERT_GE(HitSparkMake(p1, 2, 30, 40, 0, 1, 0), 0);
    EXPECT_EQ(EvalFor(p1, "numexplod").i, 2);
    EXPECT_EQ(ExplodCountById(list, 0, 0), 0);
    ExplodRemoveOnHit(list, 0);
    EXPECT_EQ(EvalFor(p1, "numexplod").i, 1);
    EXPECT_EQ(EvalFor(p1, "numexplod(5)").i, 1);
    ExplodRemoveById(list, 0, -1);
    EXPECT_EQ(list->live, 1);  // the spark stays
    const Explod *spark = nullptr;
    for (int i = 0; i < list->capacity; i++)
        if (list->records[i].inUse)
            spark = &list->records[i];
    ASSERT_NE(spark, nullptr);
    EXPECT_EQ(spark->layer, 2);
    EXPECT_EQ(spark->flips, EXPLOD_FLIP_H);
    EXPECT_EQ(spark->removeTime, 3);
    EXPECT_EQ(spark->superMoveTime, 3);
    EXPECT_EQ(spark->stageSpace, 1);
    EXPECT_EQ(spark->shake, 1);
    EXPECT_FLOAT_EQ(spark->posX, 30);
    EXPECT_FLOAT_EQ(spark->posY, 40);
    EXPECT_EQ(spark->anim->drawList, nullptr);
    EXPECT_EQ(list->live, Live(list));
}

TEST_F(ExplodTest, DustAndGameAnimationsFromTheirControllers)
{
    GameRandomSeed(5);
    gv->gameTick = 7;
    ClearWarnings();
    Run(p1, "type = MakeDust\npos = 10, -4\npos2 = -10, 0\nspacing = 0");
    EXPECT_NE(Warnings().find("makedust spacing <= 0"), std::string::npos);
    ASSERT_EQ(list->live, 2);
    const Explod &d = list->records[0];
    EXPECT_EQ(AnimObjActionNo(d.anim), 120);
    EXPECT_EQ(d.anim->drawList, gv->drawList);
    EXPECT_EQ(d.anim->drawPriority, 10);
    EXPECT_EQ(d.removeTime, 4);
    EXPECT_NEAR(d.posX, 100 + 10 + 5, 1.0f);
    EXPECT_NEAR(d.posY, 200 - 4 + 7, 1.0f);
    EXPECT_NEAR(list->records[1].posX, 100 - 10 + 5, 1.0f);
    // Only on ticks divisible by the spacing.
    Run(p1, "type = MakeDust\nspacing = 2");
    EXPECT_EQ(list->live, 2);

    ClearWarnings();
    Run(p1, "type = GameMakeAnim\nvalue = 2\nunder = 1\npos = 10, -5");
    Run(p1, "type = GameMakeAnim\nvalue = -1\nrandom = -2");
    EXPECT_NE(Warnings().find("made negative gameanim"), std::string::npos);
    EXPECT_NE(Warnings().find("negative random param for GameMakeAnim"), std::string::npos);
    ASSERT_EQ(gv->animList->insts->used, 1);  // the fight effects have no action 0
    const AnimInst *inst = (const AnimInst *)ArrayFirst(gv->animList->insts);
    // At the screen position brought up to date, plus the camera and pos.
    EXPECT_EQ(inst->x, (int)(p1->screenX + gv->cameraX) + 10);
    EXPECT_EQ(inst->y, (int)(p1->screenY + gv->cameraY) - 5);
    EXPECT_EQ(inst->flip, 0);
    EXPECT_EQ(gv->animList->insts->slots[0].key1, 2);  // under the players
}

TEST_F(ExplodTest, DrawnByLayerFromStageOrScreenSpace)
{
    BITMAP *canvas = PixCanvas(0);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    // The kit sprite: 4x3 with its axis at the top left.
    Explod *e = Make("postype = left\npos = 50, 60\nbindtime = 0\nontop = 1\nanim = 200");
    ASSERT_NE(e, nullptr);
    Tick();
    ExplodListDraw(list, 0);
    EXPECT_EQ(PixGet(canvas, 51, 61), 0);
    ExplodListDraw(list, 2);
    // On the stage: the camera (5, 7) is taken off.
    EXPECT_NE(PixGet(canvas, 46, 54), 0);
    EXPECT_NE(PixGet(canvas, 48, 55), 0);
    EXPECT_EQ(PixGet(canvas, 49, 54), 0);
    EXPECT_EQ(PixGet(canvas, 46, 57), 0);
    // Shaken with the screen, and not drawn by the passes once shown directly.
    clear_to_color(canvas, 0);
    gv->shakeY = 2;
    ExplodListDraw(list, -1);
    EXPECT_NE(PixGet(canvas, 46, 52), 0);
    EXPECT_EQ(PixGet(canvas, 46, 55), 0);
    clear_to_color(canvas, 0);
    e->shownDirectly = 1;
    ExplodListDraw(list, -1);
    EXPECT_EQ(PixGet(canvas, 46, 52), 0);
    vbufTarget = VbufTarget{};
    destroy_bitmap(canvas);
}

namespace {

class ScreenElemTest : public ExplodTest {
protected:
    ScreenElem Read(const std::string &lines, const char *prefix = "e")
    {
        DefFileWrite("elems.def", "[Elems]\n" + lines + "\n");
        TxtParseFile *tp = TxtParseOpen("elems.def");
        ScreenElem e;
        ScreenElemInit(&e);
        if (tp && TxtParseGroupSet(tp, "Elems") >= 0)
            ScreenElemRead(tp, &e, prefix);
        TxtParseClose(tp);
        return e;
    }
    Font *fonts[SCREEN_ELEM_FONTS] = {};
};

} // namespace

TEST_F(ScreenElemTest, ReadByKindWithSerialsAndDefaults)
{
    int serial = gv->screenElemSerial;
    ScreenElem s = Read("e.spr = 3, 4\ne.anim = 7\ne.offset = 5, -6\ne.facing = -1\ne.layerno = 2\ne.scale = 2, 0.5");
    EXPECT_EQ(s.kind, SCREEN_ELEM_SPRITE);
    EXPECT_EQ(s.num1, 3);
    EXPECT_EQ(s.num2, 4);
    EXPECT_EQ(s.displayTime, 1);  // -2 becomes 1 for a sprite
    EXPECT_EQ(s.offsetX, 5);
    EXPECT_EQ(s.offsetY, -6);
    EXPECT_EQ(s.facing, -1);
    EXPECT_EQ(s.layer, 2);
    EXPECT_FLOAT_EQ(s.scaleY, 0.5f);
    EXPECT_EQ(s.serial, serial + 1);
    int g = 0, n = 0;
    EXPECT_EQ(ScreenElemGetSprite(&s, &g, &n), 1);
    EXPECT_EQ(g * 10 + n, 34);

    ScreenElem a = Read("e.anim = 7");
    EXPECT_EQ(a.kind, SCREEN_ELEM_ANIM);
    EXPECT_EQ(a.displayTime, -2);
    EXPECT_EQ(ScreenElemGetSprite(&a, &g, &n), 0);
    ScreenElem t = Read("e.font = 1, 2, -1\ne.text = \"" + std::string(60, 'w') + "\"\ne.displaytime = 9");
    EXPECT_EQ(t.kind, SCREEN_ELEM_TEXT);
    EXPECT_EQ(t.align, -1);
    EXPECT_EQ(strlen(t.text), 47u);
    EXPECT_EQ(t.displayTime, 9);
    ScreenElem none = Read("e.font = 1");  // a font without a bank is no text
    EXPECT_EQ(none.kind, SCREEN_ELEM_NONE);
    EXPECT_EQ(none.serial, serial + 4);  // a serial all the same
}

TEST_F(ScreenElemTest, SpawnedOnceAndShownEveryFrameKeepingItsAge)
{
    ExplodList *sys = gv->sysExplods;
    ScreenElem anim = Read("e.anim = 10\ne.offset = 3, 4\ne.layerno = 1");
    // Shown only in its own layer's pass.
    EXPECT_EQ(ScreenElemShow(sys, &anim, p1->sprView, cd->anims, fonts, 10, 20, 0), -1);
    EXPECT_EQ(sys->live, 0);
    int index = ScreenElemShow(sys, &anim, p1->sprView, cd->anims, fonts, 10, 20, 1);
    ASSERT_GE(index, 0);
    Explod *r = &sys->records[index];
    EXPECT_EQ(r->age, 1);  // a new animation is ticked once
    EXPECT_EQ(r->removeTime, 12);
    EXPECT_EQ(r->shownDirectly, 1);
    EXPECT_EQ(r->id, anim.serial);
    EXPECT_EQ(r->owner, 0);
    EXPECT_FLOAT_EQ(r->posX, 13);
    for (int frame = 0; frame < 5; frame++) {
        ExplodListUpdate(sys);
        EXPECT_EQ(ScreenElemShow(sys, &anim, p1->sprView, cd->anims, fonts, 30, 20, -1), index);
    }
    EXPECT_EQ(sys->live, 1);
    EXPECT_EQ(r->age, 6);  // found again by its serial: the age runs on
    EXPECT_FLOAT_EQ(r->posX, 33);

    // A sprite shown for one tick goes at once; a missing one is not made.
    ScreenElem spr = Read("e.spr = 0, 0");
    EXPECT_GE(ScreenElemShow(sys, &spr, p1->sprView, cd->anims, fonts, 0, 0, -1), 0);
    EXPECT_EQ(sys->live, 1);
    ScreenElem lost = Read("e.spr = 9, 9\ne.displaytime = 5");
    EXPECT_EQ(ScreenElemSpawn(sys, &lost, p1->sprView, cd->anims, fonts, 0, 0), -1);
    // A text needs its font and a text.
    ScreenElem text = Read("e.font = 3, 0\ne.text = \"ok\"\ne.displaytime = 5");
    EXPECT_EQ(ScreenElemSpawn(sys, &text, p1->sprView, cd->anims, fonts, 0, 0), -1);
    WriteFileText("kit.fnt", FightKitFont());
    fonts[3] = FontLoad("kit.fnt");
    ASSERT_NE(fonts[3], nullptr);
    int t = ScreenElemSpawn(sys, &text, p1->sprView, cd->anims, fonts, 0, 0);
    ASSERT_GE(t, 0);
    EXPECT_STREQ(sys->records[t].text, "ok");
    EXPECT_EQ(sys->records[t].removeTime, 5);
    // Found again, it shows the text it is given now.
    StrCopy(text.text, sizeof text.text, "99");
    EXPECT_EQ(ScreenElemSpawn(sys, &text, p1->sprView, cd->anims, fonts, 0, 0), t);
    EXPECT_STREQ(sys->records[t].text, "99");
    EXPECT_EQ(sys->live, Live(sys));
    ExplodListClear(sys);
    FontFree(fonts[3]);
}
