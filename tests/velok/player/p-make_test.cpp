#include "velok/player/p-make.h"

#include <allegro.h>

#include <climits>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "kit/sprkit.h"
#include "lib/drawlist.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "support/recordkit.h"
#include "support/scriptkit.h"
#include "support/testkit.h"
#include "velok/player/chardef.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-update.h"
#include "velok/script/sctrl.h"
#include "velok/script/statedef.h"

namespace {

class PlayerMakeTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->warnLog = TextBufCreate(400, 64);
        gv->options.life = 100;
        gv->options.difficulty = 4;
        ASSERT_EQ(PlayerSlotsCreate(6), 1);
        CharKit kit;
        kit.def += "pal2 = kit2.act\n";
        std::vector<unsigned char> rgb(768, 99);
        kit.extra["kit2.act"] = ActFileBytes(rgb);
        kit.WriteDir("chars/kit");
        MakeDirs("chars");
        ASSERT_TRUE(kit.WriteZip("chars/kit.zip"));
        CharKit other;
        other.def = CharKitDefText("Other");
        other.WriteDir("chars/other");
        entries.resize(4);
        Entry(0, "chars/kit");
        Entry(1, "chars/kit.zip");
        Entry(2, "chars/other");
        Entry(3, "chars/none");
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
        gv->cfg.misc.playerCache = 2;
    }
    void TearDown() override
    {
        for (int s = 1; s <= gv->playerSlotCount; s++)
            PlayerFree(gv->players[s]);
        for (auto &e : entries)
            e.cacheRefs = 0;
        PlayerCacheFlush();
        PlayerSlotsFree();
        PalListFree();
        GameVarsTest::TearDown();
    }
    void Entry(int i, const char *dir)
    {
        CharKitEntrySet(&entries[i], dir);
    }
    // Side's team: one entry per member list.
    void Team(int side, std::vector<std::vector<int>> entryChars, int slotBase)
    {
        TeamInfo *t = &gv->teams[side - 1];
        memset(t, 0, sizeof *t);
        t->entryCount = (int)entryChars.size();
        for (size_t e = 0; e < entryChars.size(); e++) {
            TeamEntry *en = &t->entries[e];
            en->memberCount = (int)entryChars[e].size();
            for (size_t m = 0; m < entryChars[e].size(); m++) {
                en->members[m].slot = slotBase + 2 * (int)m;
                en->members[m].charIndex = entryChars[e][m];
                en->members[m].keySet = side - 1;
                en->members[m].palNo = 0;
            }
        }
    }

    std::vector<CharInfo> entries;
};

TEST_F(PlayerMakeTest, CacheSharesLoadsAndEvictsTheOldestUnused)
{
    CharData *a = PlayerCacheLoad(0);
    ASSERT_NE(a, nullptr) << gv->errorText;
    EXPECT_EQ(a->selIndex, 0);
    EXPECT_EQ(PlayerCacheLoad(0), a);
    EXPECT_EQ(entries[0].cacheRefs, 2);
    EXPECT_EQ(gv->cacheLoaded, 1);
    Player *p1 = PlayerNew(a), *p2 = PlayerNew(a);
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(p2->id, p1->id + 1);
    PlayerFree(p1);
    PlayerFree(p2);
    PlayerCacheRelease(0, 0);
    EXPECT_EQ(entries[0].cacheRefs, 1);
    PlayerCacheReleaseIdx(0);
    EXPECT_EQ(entries[0].cacheStamp, 0);
    EXPECT_EQ(gv->cacheStamp, 1);
    EXPECT_TRUE(PlayerCacheIsLoaded(0));

    ASSERT_NE(PlayerCacheLoad(1), nullptr) << gv->errorText;  // the zip form
    EXPECT_TRUE(PlayerCacheHasRoom());
    PlayerCacheRelease(1, 4);
    EXPECT_EQ(entries[1].cacheStamp, 5);
    EXPECT_EQ(gv->cacheStamp, 2);
    PlayerCacheStamp(0, 10);  // counter 2 + 10
    EXPECT_EQ(entries[0].cacheStamp, 12);
    EXPECT_EQ(gv->cacheStamp, 2);

    ASSERT_NE(PlayerCacheLoad(2), nullptr);
    EXPECT_TRUE(PlayerCacheIsLoaded(0));
    EXPECT_FALSE(PlayerCacheIsLoaded(1));
    EXPECT_EQ(gv->cacheLoaded, 2);
    EXPECT_STREQ(entries[2].cacheData->name, "Other");

    // Equal stamps: the first in list order goes.
    PlayerCacheRelease(2, 0);
    entries[0].cacheStamp = entries[2].cacheStamp = 3;
    ASSERT_NE(PlayerCacheLoad(1), nullptr);
    EXPECT_FALSE(PlayerCacheIsLoaded(0));
    EXPECT_TRUE(PlayerCacheIsLoaded(2));

    std::string log = ReadFileText("velokw.log");
    EXPECT_NE(log.find("\nUsing zip loader on chars/kit.zip\n"), std::string::npos);
    EXPECT_NE(log.find("\nUsing original loader on chars/other/kit.def\n"), std::string::npos);
}

TEST_F(PlayerMakeTest, CharacterLoadedOnAnotherThreadIsSeenWhole)
{
    std::atomic<bool> done{false};
    std::thread loader([&] {
        PlayerCacheLoad(1);
        PlayerCacheRelease(1, 4);
        done = true;
    });
    // While the other thread loads, the entry reads as not loaded or as complete.
    while (!done) {
        if (PlayerCacheIsLoaded(1)) {
            EXPECT_EQ(entries[1].cacheData->consts.life, 1000);
            break;
        }
    }
    loader.join();
    EXPECT_TRUE(PlayerCacheIsLoaded(1));
    EXPECT_EQ(entries[1].cacheStamp, 4);
    EXPECT_TRUE(PlayerCacheHasRoom());
}

TEST_F(PlayerMakeTest, TwoThreadsLoadingOneCharacterKeepOneSharedCopy)
{
    for (int round = 0; round < 4; round++) {
        std::atomic<int> ready{0};
        CharData *other = nullptr;
        std::thread loader([&] {
            ready++;
            while (ready < 2) {
            }
            other = PlayerCacheLoad(1);
        });
        ready++;
        while (ready < 2) {
        }
        CharData *mine = PlayerCacheLoad(1);
        loader.join();
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(other, mine);
        EXPECT_EQ(entries[1].cacheRefs, 2);
        EXPECT_EQ(gv->cacheLoaded, 1);
        PlayerCacheRelease(1, 0);
        PlayerCacheRelease(1, 0);
        EXPECT_EQ(PlayerCacheFlush(), 1);
    }
}

TEST_F(PlayerMakeTest, CacheFailuresAndFatalTexts)
{
    gv->cfg.misc.playerCache = 1;
    EXPECT_EQ(PlayerCacheLoad(3), nullptr);
    EXPECT_STREQ(gv->errorText, "Can't open kit.def\nError loading chars/none/kit.def");
    EXPECT_EQ(gv->cacheLoaded, 0);
    ASSERT_NE(PlayerCacheLoad(0), nullptr);
    EXPECT_FALSE(PlayerCacheHasRoom());
    EXPECT_EXIT(PlayerCacheLoad(2), testing::ExitedWithCode(1), "Player cache too small");
    // A flush while a player still uses the entry keeps it, and says so.
    CharData *used = entries[0].cacheData;
    gv->errorText[0] = 0;
    EXPECT_EQ(PlayerCacheFlush(), 0);
    EXPECT_STREQ(gv->errorText, "Player cache: chars/kit/kit.def still used by 1 players");
    EXPECT_EQ(entries[0].cacheData, used);
    EXPECT_EQ(entries[0].cacheRefs, 1);
    EXPECT_EQ(gv->cacheLoaded, 1);
    PlayerCacheRelease(0, 0);
    EXPECT_TRUE(PlayerCacheHasRoom());
    EXPECT_EXIT(PlayerCacheRelease(0, 0), testing::ExitedWithCode(1), "Player cache freed too many");
    EXPECT_EQ(PlayerCacheFlush(), 1);
    EXPECT_EQ(gv->cacheLoaded, 0);
    EXPECT_EQ(entries[0].cacheData, nullptr);
}

TEST_F(PlayerMakeTest, NewPlayerFromCharacterAndBareRecord)
{
    gv->options.life = 50;
    CharData *cd = PlayerCacheLoad(0);
    ASSERT_NE(cd, nullptr);
    gv->drawList = DrawListCreate(8);
    Player *pl = PlayerNew(cd);
    ASSERT_NE(pl, nullptr);
    EXPECT_NE(pl->anim->drawList, nullptr);
    EXPECT_EQ(pl->anim->drawList, gv->drawList);
    DrawListFree(gv->drawList);
    gv->drawList = nullptr;
    pl->anim->drawList = nullptr;
    EXPECT_EQ(pl->isHelper, 0);
    EXPECT_STREQ(pl->name, "Kit");
    EXPECT_EQ(pl->cmdSet, &cd->cmds);
    EXPECT_EQ(pl->teamIndex, -1);
    EXPECT_EQ(pl->consts.life, 1000);
    EXPECT_EQ(pl->life, 500);
    EXPECT_EQ(pl->lifeMax, 500);
    EXPECT_EQ(pl->powerMax, 3000);
    EXPECT_FLOAT_EQ(pl->attackMul, 1.0f);
    EXPECT_FLOAT_EQ(pl->defenceMul, 1.0f);
    EXPECT_EQ(pl->state.ownList, cd->states);
    EXPECT_EQ(pl->lastRunTick, -1);  // so even game tick 0 runs its states
    EXPECT_EQ(pl->state.physics, 1);
    EXPECT_EQ(pl->state.ctrl, 1);
    EXPECT_EQ(pl->state.customOwnerId, -1);
    EXPECT_EQ(pl->getHit.hitByMask[1], 4095);
    EXPECT_EQ(pl->getHit.lieTime, 60);
    EXPECT_EQ(pl->getHit.lastHitSerial[gv->playerSlotCount], -1);
    EXPECT_EQ(pl->transKind, -1);
    EXPECT_EQ(pl->transSrc, 256);
    EXPECT_EQ(AnimObjActionNo(pl->anim), 0);
    EXPECT_EQ(pl->aiLevel, 4);
    EXPECT_NE(pl->clipboard, nullptr);
    pl->var[10] = 5;
    pl->var[55] = 6;
    pl->fvar[35] = 1.5f;
    pl->consts.defence = 0;  // a controller's change cannot divide by zero
    PlayerRoundInit(pl);
    EXPECT_EQ(pl->var[10], 0);
    EXPECT_EQ(pl->var[55], 6);
    EXPECT_FLOAT_EQ(pl->fvar[35], 1.5f);
    EXPECT_FLOAT_EQ(pl->defenceMul, 1.0f);
    PlayerFree(pl);

    Player *bare = PlayerNew(nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->isHelper, 1);
    EXPECT_STREQ(bare->name, "");
    EXPECT_EQ(bare->cmdSet, nullptr);
    EXPECT_EQ(bare->state.ownList, nullptr);
    PlayerRoundInit(bare);
    PlayerSprRequire(bare, 0);
    PlayerFree(bare);
    PlayerCacheReleaseIdx(0);
}

TEST_F(PlayerMakeTest, ChosenPaletteReachesThePaletteView)
{
    CharData *cd = PlayerCacheLoad(0);
    ASSERT_NE(cd, nullptr);
    const unsigned char *pal1 = SprSetPalGet(cd->spr, 1, 1)->data;
    const unsigned char *pal0 = SprSetPalGet(cd->spr, 1, 0)->data;
    struct Case {
        int palNo;
        const unsigned char *want;
    };
    for (Case c : {Case{1, pal1}, Case{0, pal0}, Case{7, pal0}}) {
        Player *pl = PlayerNew(cd);
        ASSERT_NE(pl, nullptr);
        PlayerSprRequire(pl, c.palNo);
        SprImage *img = SprSetImageGet(pl->palInUse, 0, 0);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(SprSetPalAt(pl->palInUse, img->palIndex)->data, c.want) << c.palNo;
        PlayerFree(pl);
    }
    PlayerCacheReleaseIdx(0);
}

TEST_F(PlayerMakeTest, SidesAreBuiltAndTornDown)
{
    Team(1, {{0}}, 1);
    Team(2, {{0}}, 2);
    gv->teams[0].entries[0].members[0].keySet = 7;  // no such key configuration
    ASSERT_EQ(PlayersCreateSide(1), 1) << gv->errorText;
    EXPECT_EQ(gv->players[1]->keyConfig, nullptr);
    ASSERT_EQ(PlayersCreateSide(2), 1) << gv->errorText;
    EXPECT_EQ(entries[0].cacheRefs, 2);
    EXPECT_EQ(gv->cacheLoaded, 1);
    Player *p1 = gv->players[1], *p2 = gv->players[2];
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(p1->side, 1);
    EXPECT_EQ(p2->side, 2);
    EXPECT_EQ(p1->teamIndex, 0);
    EXPECT_EQ(p2->keyConfig, &gv->playKeys[1]);
    EXPECT_EQ(gv->enabledCount, 2);
    EXPECT_EQ(gv->enabledFirst, 1);
    EXPECT_EQ(gv->enabledLast, 2);
    EXPECT_TRUE(PalGroupMaskEqual(p2->palMask, PalGroupMaskMake(1u << 2, 0)));
    EXPECT_EQ(PlayerPowerOwner(p2), p2);
    std::string w = GameWarnings();
    EXPECT_NE(w.find("Kit (" + std::to_string(p1->id) +
                     ") missing required sprites:\n5000,0, 5000,10, 5000,20, 5001,0, 5001,10, 5001,20, 5002,0, "
                     "5002,10 (more)\n"),
              std::string::npos)
        << w;
    EXPECT_NE(w.find(") missing required animation actions:\n10, 11, 12, 20, 21, 40, 41, 42 (more)\n"),
              std::string::npos)
        << w;

    // Variables from "IntPersistIndex" (50) and "FloatPersistIndex" (30) on are kept.
    p1->var[49] = 1;
    p1->var[50] = 2;
    p1->fvar[30] = 2.5f;
    p1->power = 700;
    gv->demo = 1;
    PlayersRebuildSide(1);
    p1 = gv->players[1];
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1->aiControlled, 1);
    EXPECT_EQ(gv->players[2]->aiControlled, 0);
    TeamAIEnableAll();
    EXPECT_EQ(gv->players[2]->aiControlled, 1);
    EXPECT_EQ(p1->var[49], 0);
    EXPECT_EQ(p1->var[50], 2);
    EXPECT_FLOAT_EQ(p1->fvar[30], 2.5f);
    EXPECT_EQ(p1->power, 700);
    // The rebuilt palette list reaches both sides' palettes under their masks.
    ASSERT_NE(gv->palList, nullptr);
    int forSide[2] = {0, 0};
    for (int i = 0; i < gv->palList->count; i++)
        for (int s = 0; s < 2; s++)
            forSide[s] += PalGroupMaskEqual(gv->palList->entries[i].mask, gv->players[s + 1]->palMask);
    EXPECT_GT(forSide[0], 0);
    EXPECT_GT(forSide[1], 0);
    EXPECT_EQ(forSide[0] + forSide[1], gv->palList->count);
    EXPECT_EQ(gv->persist[0][0][0].var[50], 2);
    EXPECT_EQ(gv->persist[0][0][0].var[49], 0);
    EXPECT_EQ(entries[0].cacheRefs, 2);
    EXPECT_EQ(gv->sideEntry[0].members[0].charIndex, 0);

    EXPECT_EQ(PlayersDestroySide(1), 1);
    EXPECT_EQ(gv->players[1], nullptr);
    EXPECT_EQ(gv->slotChar[1], nullptr);
    EXPECT_EQ(entries[0].cacheRefs, 1);
    EXPECT_EQ(gv->enabledCount, 1);
    EXPECT_EQ(gv->enabledFirst, 2);
    EXPECT_EQ(PlayersDestroySide(2), 1);
    EXPECT_EQ(gv->enabledLast, -1);
    EXPECT_EQ(entries[0].cacheRefs, 0);

    PlayerPersistClearTeam(0);
    EXPECT_EQ(gv->persist[0][0][0].var[50], 0);
    PlayerPersistClearTeam(5);  // ignored
    gv->persist[1][3][3].fvar[39] = 1.0f;
    PlayerPersistClearAll();
    EXPECT_FLOAT_EQ(gv->persist[1][3][3].fvar[39], 0.0f);
}

TEST_F(PlayerMakeTest, FailedSideNamesTheSlot)
{
    Team(1, {{3}}, 1);
    EXPECT_EQ(PlayersCreateSide(1), 0);
    EXPECT_STREQ(gv->errorText, "Can't open kit.def\nError loading chars/none/kit.def\nError loading p1");
}

TEST_F(PlayerMakeTest, EnableSetKeepsTheEnabledRange)
{
    Player rec[5];
    memset(rec, 0, sizeof rec);
    for (int s = 1; s <= 4; s++)
        gv->players[s] = &rec[s];
    PlayerEnableSet(3, 1);
    EXPECT_EQ(gv->enabledFirst, 3);
    EXPECT_EQ(gv->enabledLast, 3);
    PlayerEnableSet(1, 1);
    PlayerEnableSet(4, 1);
    PlayerEnableSet(4, 1);  // already on
    EXPECT_EQ(gv->enabledCount, 3);
    EXPECT_EQ(gv->enabledFirst, 1);
    EXPECT_EQ(gv->enabledLast, 4);
    PlayerEnableSet(1, 0);
    EXPECT_EQ(gv->enabledFirst, 3);
    PlayerEnableSet(4, 0);
    EXPECT_EQ(gv->enabledLast, 3);
    PlayerEnableSet(3, 0);
    EXPECT_EQ(gv->enabledFirst, 0);
    EXPECT_EQ(gv->enabledLast, -1);
    rec[2].enabled = 1;  // behind the table's back
    EXPECT_EXIT(PlayerEnableSet(3, 1), testing::ExitedWithCode(1), "PlayerEnableSet: count does not match enabled 0 != 1");
    rec[2].enabled = 0;
    EXPECT_EXIT(PlayerEnableSet(5, 1), testing::ExitedWithCode(1), "PlayerEnableSet: pidx out of range 5 0");
    EXPECT_EXIT(PlayerEnableSet(99, 1), testing::ExitedWithCode(1), "PlayerEnableSet: pidx out of range 99 0");
    for (int s = 1; s <= 4; s++)
        gv->players[s] = nullptr;
}

TEST_F(PlayerMakeTest, DestroyLeavesOtherPlayersWithoutReferences)
{
    Player a{}, b{};
    StateDefList list{};
    gv->players[1] = &a;
    gv->players[2] = &b;
    a.id = 7;
    b.enabled = 1;
    b.opponent = &a;
    b.companion = &a;
    b.state.customList = &list;
    b.state.customOwnerId = 7;
    EXPECT_EQ(PlayerDestroy(&a), 1);
    EXPECT_EQ(b.opponent, nullptr);
    EXPECT_EQ(b.companion, nullptr);
    EXPECT_EQ(b.state.customList, nullptr);
    EXPECT_EQ(b.state.customOwnerId, -1);
    gv->players[1] = gv->players[2] = nullptr;
}

TEST_F(PlayerMakeTest, AILevelRamps)
{
    struct Case {
        int arcadeSide, survivalSide, matchNo, wins, oppTeam;
        int want;
    };
    gv->options.difficulty = 4;
    const int ramps[CFG_RAMP_COUNT][4] = {{2, -2, 6, 3}, {0, 1, 0, 1}, {0, -3, 10, 2}};
    memcpy(gv->cfg.arcade.aiRamp, ramps, sizeof ramps);
    const Case cases[] = {
        {0, 0, 1, 0, 0, 4},   // no ramp
        {1, 0, 1, 0, 0, 2},   // n 0 <= start
        {1, 0, 4, 0, 0, 3},   // n 3: -2 + 5 * 1 / 4
        {1, 0, 6, 0, 0, 5},   // n 5: -2 + 5 * 3 / 4
        {1, 0, 9, 0, 0, 7},   // n 8 >= end
        {2, 0, 9, 0, 1, 5},   // the team ramp
        {0, 1, 1, 5, 0, 3},   // survival: base 4, -3 + 5 * 5 / 10
        {0, 2, 1, 5, 0, 3},   // the survival side's own wins on side 2
        {0, 1, 1, 0, 0, 1},   // clamped
    };
    for (const Case &c : cases) {
        gv->arcadeSide = c.arcadeSide;
        gv->survivalSide = c.survivalSide;
        gv->matchNo = c.matchNo;
        // Rounds won by the survival side; the other side's never count.
        gv->round.wins[0] = c.survivalSide == 1 ? c.wins : 9;
        gv->round.wins[1] = c.survivalSide == 2 ? c.wins : 9;
        memset(gv->teams, 0, sizeof gv->teams);
        gv->teams[0].isTeam = gv->teams[1].isTeam = c.oppTeam;
        EXPECT_EQ(PlayerAILevelStart(), c.want) << c.arcadeSide << " " << c.matchNo;
    }
    gv->options.difficulty = 12;
    gv->arcadeSide = gv->survivalSide = 0;
    EXPECT_EQ(PlayerAILevelStart(), 8);

    // A ramp from the configuration may hold any int: the level is worked out
    // wide, 4 + 2147483647 - 4294967295 x 2147483648 / 4294967295 = 3.
    const int wide[4] = {INT_MIN, INT_MAX, INT_MAX, INT_MIN};
    memcpy(gv->cfg.arcade.aiRamp[CFG_RAMP_ARCADE], wide, sizeof wide);
    gv->options.difficulty = 4;
    gv->arcadeSide = 1;
    gv->matchNo = 1;
    memset(gv->teams, 0, sizeof gv->teams);
    EXPECT_EQ(PlayerAILevelStart(), 3);
    gv->arcadeSide = 0;
}

std::string VarAdd(int state, int var, const std::string &extra)
{
    return "[State " + std::to_string(state) + ", add]\ntype = VarAdd\ntrigger1 = 1\nv = " + std::to_string(var) +
           "\nvalue = 1\n" + extra;
}

TEST_F(PlayerMakeTest, KitCharacterFromTheCacheRunsItsStates)
{
    CharKit kit;
    kit.cmd = CharKitCmdText();
    kit.cmd = kit.cmd.substr(0, kit.cmd.find("[Statedef -1]")) + "[Statedef -1]\n" + VarAdd(-1, 1, "");
    kit.cns = CharKitConstantsText() + "[Statedef 0]\n" + VarAdd(0, 10, "persistent = 0\n") +
              VarAdd(0, 11, "persistent = 1\n") + VarAdd(0, 12, "persistent = 3\n") +
              "[State 0, go]\ntype = ChangeState\ntrigger1 = time = 4\nvalue = 20\n"
              "[Statedef 20]\nctrl = 0\n[State 20, back]\ntype = ChangeState\ntrigger1 = time = 0\nvalue = 0\n"
              "[Statedef -2]\n" + VarAdd(-2, 2, "") + "[Statedef -3]\n" + VarAdd(-3, 3, "");
    kit.WriteDir("chars/run");
    ASSERT_TRUE(kit.WriteZip("chars/run.zip"));
    Entry(0, "chars/run");
    Entry(1, "chars/run.zip");
    PlayerStateApplySet(ScriptTestApply);
    for (int charIndex : {0, 1}) {
        Team(1, {{charIndex}}, 1);
        Team(2, {{charIndex}}, 2);
        ASSERT_EQ(PlayersCreateSide(1), 1) << gv->errorText;
        ASSERT_EQ(PlayersCreateSide(2), 1) << gv->errorText;
        EXPECT_EQ(entries[charIndex].cacheRefs, 2);
        EXPECT_EQ(gv->players[1]->charData, gv->players[2]->charData);
        for (int slot : {1, 2}) {
            Player *pl = gv->players[slot];
            for (int t = 0; t < 7; t++) {
                PlayerStateRunTick(pl);
                pl->state.time++;
            }
            EXPECT_EQ(pl->var[1], 7);   // -1
            EXPECT_EQ(pl->var[2], 7);   // -2
            EXPECT_EQ(pl->var[3], 7);   // -3
            EXPECT_EQ(pl->var[10], 2);  // once per entry: times 0 and 4 (re-entered through 20)
            EXPECT_EQ(pl->var[11], 8);  // every pass: twice in the tick of the change
            EXPECT_EQ(pl->var[12], 3);  // times 0 and 3, then 4 on re-entry
            EXPECT_EQ(pl->state.stateNo, 0);
            EXPECT_EQ(pl->state.prevStateNo, 20);
            EXPECT_EQ(pl->state.time, 3);
        }
        PlayersDestroySide(1);
        PlayersDestroySide(2);
        EXPECT_EQ(entries[charIndex].cacheRefs, 0);
    }
    PlayerStateApplySet(nullptr);
}

const KbllDevice fakeKeyboard = {
    [] { return 0; }, [] {}, [](int) {}, [](int, int) {},
};

TEST_F(PlayerMakeTest, TeamOrderFromHeldKeys)
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
    KbllDeviceSet(&fakeKeyboard);
    ASSERT_EQ(KbllInit(), 1);
    ASSERT_EQ(InputInit(), 1);
    KbllScancodeHook(KEY_D);
    InputStateRefresh();
    int held = 0;
    for (int c = 1; c < INPUT_JOY_BASE && !held; c++)
        if (InputStateGet(c))
            held = c;
    ASSERT_NE(held, 0);

    struct Case {
        int side, keyEntry, entries;
        std::vector<int> order;  // character index of each entry afterwards
        int orderFixed;
    };
    const Case cases[] = {
        {1, 2, 3, {1, 2, 0}, 0},
        {1, 4, 3, {2, 0, 1}, 0},
        {2, 2, 3, {2, 0, 1}, 0},   // side 2 mirrors
        {1, 1, 4, {2, 3, 0, 1}, 0},  // up with four entries
        {1, 1, 3, {0, 1, 2}, 0},
        {1, 2, 3, {0, 1, 2}, 1},
        {1, 2, 1, {0}, 0},
    };
    for (const Case &c : cases) {
        std::vector<std::vector<int>> ents;
        for (int i = 0; i < c.entries; i++)
            ents.push_back({i});
        Team(c.side, ents, c.side);
        gv->teams[c.side - 1].entries[0].orderFixed = c.orderFixed;
        for (int i = 0; i < c.entries; i++)
            gv->persist[c.side - 1][i][0].var[59] = i;
        memset(gv->playKeys, 0, sizeof gv->playKeys);
        gv->playKeys[c.side - 1].key[c.keyEntry] = held;
        TeamOrderFromKeys(c.side);
        for (int i = 0; i < c.entries; i++) {
            EXPECT_EQ(gv->teams[c.side - 1].entries[i].members[0].charIndex, c.order[i]) << c.side << c.keyEntry;
            EXPECT_EQ(gv->persist[c.side - 1][i][0].var[59], c.order[i]);
        }
    }
    KbllScancodeHook(KEY_D | 0x80);
    InputDeinit();
    KbllDeinit();
    KbllDeviceSet(nullptr);
}

// Round start and teardown on a field of real players.
class PlayerRoundTest : public FieldTest {};

TEST_F(PlayerRoundTest, RoundStartLeavesNothingOfTheLastRound)
{
    Field(2);
    Player *p = P(1), *q = P(2);
    p->bindTo = PlayerBindTo{-1, 2, q->id, 1, 0, 0, 0, 10.0f, 0, 0};
    p->alive = p->visible = p->playerPush = 0;
    p->animOwn = nullptr;
    p->pendingDamage = 50;
    p->hitOverride[0].active = 1;
    p->pauseMoveTime[1] = 8;
    p->state.moveContact = CONTACT_HIT;
    PlayerRoundInit(p);
    EXPECT_EQ(p->alive, 1);
    EXPECT_EQ(p->visible, 1);
    EXPECT_EQ(p->playerPush, 1);
    EXPECT_EQ(p->animOwn, cd->anims);
    EXPECT_EQ(p->pendingDamage, 0);
    EXPECT_EQ(p->hitOverride[0].active, 0);
    EXPECT_EQ(p->pauseMoveTime[1], 0);
    EXPECT_EQ(p->state.moveContact, 0);
    // The binding of the last round is gone: no snap onto its old target.
    EXPECT_EQ(p->bindTo.time, 0);
    p->posX = 100.0f;
    PlayerUpdateBindTo(p);
    EXPECT_FLOAT_EQ(p->posX, 100.0f);
}

TEST_F(PlayerRoundTest, DestroyedPlayerLetsGoAndIsLetGo)
{
    Field(4);
    Player *p = P(1), *held = P(2), *holder = P(3), *watcher = P(4);
    PlayerTarget t{};
    t.target = held;
    t.bindTimeSeen = 3;  // held as a bound target
    ASSERT_GE(ArrayAdd(p->targets, &t, held->id, 0), 0);
    PlayerStateSet(held, 820);
    t.target = p;
    ASSERT_GE(ArrayAdd(holder->targets, &t, p->id, 0), 0);
    PlayerEnableSet(3, 0);  // even a disabled holder lets go
    held->bindTo = PlayerBindTo{-1, 1, p->id, 1, 1, 0, 0, 0, 0, 0};
    watcher->opponent = watcher->companion = p;

    EXPECT_EQ(PlayerDestroy(p), 1);
    EXPECT_EQ(p->targets->used, 0);
    EXPECT_EQ(held->state.stateNo, 5050) << "released from the hold";
    EXPECT_EQ(held->bindTo.time, 0);
    EXPECT_EQ(holder->targets->used, 0);
    EXPECT_EQ(watcher->opponent, nullptr);
    EXPECT_EQ(watcher->companion, nullptr);
}

}  // namespace
