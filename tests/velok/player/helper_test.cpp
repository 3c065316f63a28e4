// Helpers: creation by the Helper controller, placement, the family links and redirects, removal and what others let go of.
#include "velok/player/helper.h"

#include <cstring>
#include <string>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/spr-lib.h"
#include "support/charkit.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/sc-helper.h"
#include "velok/script/sctrl.h"
#include "velok/script/statedef.h"

namespace {

// The field character with two states of its own: 400 removes itself and
// then sets var(5); 410 makes a helper in state 400.
CharKit HelperKit()
{
    CharKit kit = FieldKitChar();
    kit.cns += "[Statedef 400]\n"
               "[State 400, go]\ntype = DestroySelf\ntrigger1 = 1\n"
               "[State 400, after]\ntype = VarSet\ntrigger1 = 1\nv = 5\nvalue = 1\n"
               "[Statedef 410]\n"
               "[State 410, make]\ntype = Helper\ntrigger1 = 1\nstateno = 400\n";
    return kit;
}

// P1 and P2, and two helper slots (5 and 6) holding empty players, as a
// match builds them.
class HelperTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2, HelperKit());
        for (int slot = 5; slot <= 6; slot++) {
            Player *h = PlayerNew(nullptr);
            ASSERT_NE(h, nullptr);
            h->slot = slot;
            h->palMask = PalGroupMaskMake(1u << (slot - 1), 0);
            gv->players[slot] = h;
        }
        gv->cameraX = 5;
        gv->stateRerun = 0;
    }
    Player *Make(Player *parent, const std::string &keys)
    {
        SCtrl *c = Ctrl("type = Helper\n" + keys);
        EXPECT_NE(c, nullptr) << keys << ": " << gv->errorText;
        if (!c)
            return nullptr;
        TrigCtx ctx;
        TrigCtxBuild(parent, &ctx);
        return HelperCreate(parent, (const HelperParams *)c->params, &ctx);
    }
    void Run(Player *who, const std::string &body)
    {
        SCtrl *c = Ctrl(body);
        ASSERT_NE(c, nullptr) << body << ": " << gv->errorText;
        Apply(who, c);
    }
    int I(Player *who, const char *text) { return EvalFor(who, text).i; }
};

} // namespace

TEST_F(HelperTest, NoKeysMakeANormalHelperOfItsParent)
{
    int nextId = gv->playerIdCounter;
    p1->var[7] = 9;
    Player *h = Make(p1, "");
    ASSERT_EQ(h, P(5));
    EXPECT_EQ(h->enabled, 1);
    EXPECT_EQ(h->isHelper, 1);
    EXPECT_EQ(h->charData, cd);
    EXPECT_EQ(h->state.ownList, p1->state.ownList);
    EXPECT_STREQ(h->name, "P1's helper");
    EXPECT_EQ(h->id, nextId);
    EXPECT_EQ(gv->playerIdCounter, nextId + 1);
    EXPECT_EQ(h->helperId, 0);
    EXPECT_EQ(h->helperType, HELPER_TYPE_NORMAL);
    EXPECT_EQ(h->state.stateNo, 0);
    EXPECT_FLOAT_EQ(h->posX, 100);
    EXPECT_EQ(h->facing, 1);
    EXPECT_EQ(h->side, 1);
    EXPECT_EQ(h->palInUse, p1->palInUse);  // the parent's palettes
    EXPECT_EQ(h->anim->spr, p1->sprInUse);
    EXPECT_EQ(h->var[7], 0);
    EXPECT_EQ(memcmp(&h->consts, &p1->consts, sizeof h->consts), 0);
    EXPECT_EQ(h->screenBound + h->moveCameraX + h->moveCameraY + h->playerPush, 0);
    EXPECT_EQ(h->getHit.hitByMask[0], 0);  // not hit on its first tick
    EXPECT_EQ(h->getHit.hitByTime[0], 1);
    EXPECT_EQ(h->opponent, P(2));
    EXPECT_EQ(h->keyCtrl, 0);
    EXPECT_EQ(h->runFlag, 1);
    EXPECT_EQ(gv->stateRerun, 1) << "its states run in this tick too";
    EXPECT_EQ(HelperParentGet(h), p1);
    EXPECT_EQ(HelperRootGet(h), p1);
    EXPECT_EQ(HelperRootGet(p1), nullptr) << "a main player has no root";
    EXPECT_EQ(PlayerPowerOwner(h), p1);
    // The default name is cut to the name field.
    memset(p1->name, 'x', 45);
    p1->name[45] = 0;
    Player *named = Make(p1, "");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(std::string(named->name), std::string(45, 'x') + "'s");
}

TEST_F(HelperTest, AHelperOfAHelperWithItsFamilyRedirectsAndCounts)
{
    Player *a = Make(p1, "id = 3\nname = \"A\"");
    ASSERT_NE(a, nullptr);
    a->posX = 150;
    Player *b = Make(a, "id = 4\nname = \"B\"");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(HelperParentGet(b), a);
    EXPECT_EQ(HelperRootGet(b), p1);
    EXPECT_EQ(I(b, "parent, ishelper(3)"), 1);
    EXPECT_EQ(I(b, "root, id"), 56);
    EXPECT_FLOAT_EQ(EvalFor(b, "parentdist x").f, 0);  // placed at its parent
    EXPECT_FLOAT_EQ(EvalFor(b, "rootdist x").f, -50);
    EXPECT_EQ(I(p1, "helper(4), ishelper(4)"), 1);
    EXPECT_EQ(I(p1, "helper, id"), a->id);  // any ID: the first in slot order
    EXPECT_EQ(I(p1, "numhelper"), 2);
    EXPECT_EQ(I(b, "numhelper"), 2) << "its sibling and itself";
    EXPECT_EQ(I(a, "numhelper(4)"), 1);
    EXPECT_EQ(I(P(2), "numhelper"), 0);
    ClearWarnings();
    EXPECT_EQ(I(P(2), "helper, life"), 0);
    EXPECT_NE(Warnings().find("has no helper 0"), std::string::npos);
    Run(b, "type = ParentVarSet\nv = 2\nvalue = 8");
    EXPECT_EQ(a->var[2], 8);
    EXPECT_EQ(p1->var[2], 0);
    Run(b, "type = BindToRoot\ntime = -1");
    EXPECT_EQ(b->bindTo.slot, 1);
    // Every helper slot in use: the next is silently not made.
    ClearWarnings();
    EXPECT_EQ(Make(p1, ""), nullptr);
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(I(p1, "numhelper"), 2);
}

TEST_F(HelperTest, AParentWhoseSlotWasReusedIsNoParent)
{
    Player *a = Make(p1, "id = 1");
    Player *b = Make(a, "id = 2");
    ASSERT_TRUE(a && b);
    Run(a, "type = DestroySelf");
    EXPECT_EQ(a->enabled, 0);
    EXPECT_EQ(I(p1, "numhelper"), 1);
    Player *c = Make(p1, "id = 3");
    ASSERT_EQ(c, a) << "the slot is taken again";
    EXPECT_EQ(HelperParentGet(b), nullptr);
    EXPECT_EQ(HelperRootGet(b), p1);
    ClearWarnings();
    EXPECT_EQ(I(b, "parent, life"), 0);
    EXPECT_NE(Warnings().find("has no parent"), std::string::npos);
    ClearWarnings();
    Run(b, "type = ParentVarSet\nv = 1\nvalue = 1");
    EXPECT_NE(Warnings().find("no parent for parentvarset"), std::string::npos);
    // A main player does not remove itself.
    Run(p1, "type = DestroySelf");
    EXPECT_EQ(p1->enabled, 1);
}

TEST_F(HelperTest, PlacedByPostypeFacingAndType)
{
    struct Case {
        const char *keys;
        int parentFacing;
        float x, y;
        int facing;
    } cases[] = {
        {"pos = 10, 5", 1, 110, 5, 1},
        {"pos = 10, 5", -1, 90, 5, -1},
        {"pos = 10, 5\nfacing = -1", 1, 110, 5, -1},   // turned after the place is taken
        {"postype = p2\npos = 10", 1, 210, 0, -1},      // P2 at 220 faces left
        {"postype = front\npos = 10", 1, 335, 0, 1},
        {"postype = front\npos = 10", -1, -5, 0, -1},
        {"postype = back\npos = 10", -1, 315, 0, -1},
        {"postype = left\npos = 10", -1, 15, 0, 1},
        {"postype = right\npos = 10", 1, 335, 0, 1},
    };
    for (const Case &c : cases) {
        p1->facing = c.parentFacing;
        Player *h = Make(p1, c.keys);
        ASSERT_NE(h, nullptr) << c.keys;
        EXPECT_FLOAT_EQ(h->posX, c.x) << c.keys << " facing " << c.parentFacing;
        EXPECT_FLOAT_EQ(h->posY, c.y) << c.keys;
        EXPECT_EQ(h->facing, c.facing) << c.keys << " facing " << c.parentFacing;
        EXPECT_EQ(h->keyBuf.faceLeft, c.facing == -1) << c.keys;
        HelperRemove(h);
    }
    p1->facing = 1;
    // Without an opponent p2 places as p1.
    p1->opponent = nullptr;
    Player *h = Make(p1, "postype = p2\npos = 10");
    ASSERT_NE(h, nullptr);
    EXPECT_FLOAT_EQ(h->posX, 110);
    HelperRemove(h);

    p1->posZ = 3;
    h = Make(p1, "helpertype = player\nsize.xscale = 0.5\nsize.head.pos = -3\nkeyctrl = 1\n"
                 "pausemovetime = 4\nsupermovetime = 6");
    ASSERT_NE(h, nullptr);
    EXPECT_FLOAT_EQ(h->posZ, 3);
    EXPECT_EQ(h->helperTypePlayer, 1);
    EXPECT_EQ(h->screenBound + h->moveCameraX + h->moveCameraY + h->playerPush, 4);
    EXPECT_FLOAT_EQ(h->consts.xScale, 0.5f);
    EXPECT_FLOAT_EQ(h->consts.yScale, p1->consts.yScale);
    EXPECT_EQ(h->consts.headPosX, -3);
    EXPECT_EQ(h->consts.headPosY, p1->consts.headPosY);
    EXPECT_EQ(h->keyCtrl, 1);
    EXPECT_EQ(h->pauseMoveTime[0], 4);
    EXPECT_EQ(h->pauseMoveTime[1], 6);
    HelperRemove(h);

    struct Warn {
        const char *keys, *warning;
    } warns[] = {
        {"stateno = -1", "illegal helper stateno"},
        {"id = -2", "negative helper ID"},
        {"pausemovetime = -1", "illegal helper pausemovetime"},
        {"supermovetime = -1", "illegal helper supermovetime"},
    };
    for (const Warn &w : warns) {
        ClearWarnings();
        h = Make(p1, w.keys);
        ASSERT_NE(h, nullptr) << w.keys;
        EXPECT_NE(Warnings().find(w.warning), std::string::npos) << w.keys << ": " << Warnings();
        EXPECT_EQ(h->state.stateNo + h->helperId + h->pauseMoveTime[0] + h->pauseMoveTime[1], 0) << w.keys;
        HelperRemove(h);
    }
}

TEST_F(HelperTest, RemovalLetsGoOfEverythingHeldOnEitherSide)
{
    ASSERT_NE(gv->palList, nullptr);
    int listed = gv->palList->count;
    Player *h = Make(p1, "ownpal = 1");
    ASSERT_NE(h, nullptr);
    // Its own palettes join its parent's groups.
    EXPECT_EQ(gv->palList->count, listed + h->sprView->pals->used);
    EXPECT_TRUE(PalGroupMaskEqual(gv->palList->entries[listed].mask, p1->palMask));
    EXPECT_EQ(h->helperOwnPal, 1);
    EXPECT_EQ(h->palInUse, h->sprView);
    EXPECT_NE(h->palInUse, p1->palInUse);
    ASSERT_NE(h->sprView->pals, nullptr);
    EXPECT_GT(h->sprView->pals->used, 0);

    Player *q = P(2);
    PlayerTarget t{};
    t.target = h;
    ArrayAdd(q->targets, &t, 0, 0);
    PlayerTarget mine{};
    mine.target = q;
    ArrayAdd(h->targets, &mine, 0, 0);
    q->opponent = h;
    q->getHit.lastHitter = h;
    q->bindTo.time = -1;
    q->bindTo.slot = h->slot;
    q->bindTo.id = h->id;
    q->state.customList = h->state.ownList;
    q->state.customOwnerId = h->id;
    q->cmdSet = nullptr;
    q->animOverride = cd->anims;

    Run(h, "type = DestroySelf");
    EXPECT_EQ(h->enabled, 0);
    EXPECT_EQ(q->targets->used, 0);
    EXPECT_EQ(h->targets->used, 0);
    EXPECT_EQ(q->opponent, nullptr);
    EXPECT_EQ(q->getHit.lastHitter, nullptr);
    EXPECT_EQ(q->bindTo.time, 0);
    EXPECT_EQ(q->state.customList, nullptr);
    EXPECT_EQ(q->state.customOwnerId, -1);
    EXPECT_EQ(q->cmdSet, &cd->cmds);
    EXPECT_EQ(q->animOverride, nullptr);
    // Its palettes are gone from the list, the parent's stay.
    EXPECT_EQ(gv->palList->count, listed);
    EXPECT_EQ(h->helperOwnPal, 0);
    EXPECT_EQ(h->palInUse, h->palView);
}

TEST_F(HelperTest, AHelperThatRemovesItselfRunsNothingMore)
{
    Player *h = Make(p1, "stateno = 400");
    ASSERT_NE(h, nullptr);
    PlayerStateRun(h);
    EXPECT_EQ(h->enabled, 0);
    EXPECT_EQ(h->var[5], 0);
    // Made by a state controller, its first state run comes in the same tick.
    PlayerStateSet(p1, 410);
    PlayerStateRun(p1);
    ASSERT_EQ(P(5)->enabled, 1);
    EXPECT_EQ(P(5)->runFlag, 1);
    EXPECT_EQ(P(5)->lastRunTick, -1);
}

TEST_F(HelperTest, KeyctrlHelpersTakeTheParentsKeysAndRunStateMinusOne)
{
    KeyBufPush(&p1->keyBuf, 5);
    Player *plain = Make(p1, "");
    Player *keyed = Make(p1, "keyctrl = 1");
    ASSERT_TRUE(plain && keyed);
    EXPECT_EQ(memcmp(&keyed->keyBuf, &p1->keyBuf, sizeof p1->keyBuf), 0);
    EXPECT_NE(memcmp(&plain->keyBuf, &p1->keyBuf, sizeof p1->keyBuf), 0);
    EXPECT_EQ(keyed->keyConfig, p1->keyConfig);
}

TEST_F(HelperTest, TheFamilyGoesWithItsRootWithTheirExplods)
{
    gv->explods = ExplodListCreate(8, nullptr);
    ASSERT_NE(gv->explods, nullptr);
    Player *a = Make(p1, "");
    Player *b = Make(a, "");
    ASSERT_TRUE(a && b);
    // A new round starts without them.
    PlayerRoundInit(p1);
    EXPECT_EQ(a->enabled + b->enabled, 0);

    a = Make(p1, "");
    b = Make(a, "");
    ASSERT_TRUE(a && b);
    for (Player *who : {p1, a, b, P(2)})
        Run(who, "type = Explod\nanim = 10");
    ASSERT_EQ(gv->explods->live, 4);
    PlayerTarget t{};
    t.target = a;
    ArrayAdd(P(2)->targets, &t, 0, 0);
    P(2)->opponent = p1;
    PlayerEnableSet(1, 0);
    PlayerDestroy(p1);
    EXPECT_EQ(a->enabled + b->enabled, 0);
    EXPECT_EQ(gv->explods->live, 1) << "P2's stays";
    EXPECT_EQ(P(2)->targets->used, 0);
    EXPECT_EQ(P(2)->opponent, nullptr);
    ExplodListFree(gv->explods);
    gv->explods = nullptr;
}
