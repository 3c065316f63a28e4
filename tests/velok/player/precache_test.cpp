#include "velok/player/precache.h"

#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "platform/pthreads.h"
#include "support/charkit.h"
#include "support/precachekit.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/chardef.h"
#include "velok/player/p-make.h"

namespace {

using Ints = std::vector<int>;

class Precache : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->warnLog = TextBufCreate(400, 16);
        gv->cfg.misc.playerCache = 4;
        entries.resize(8);
        for (size_t i = 0; i < entries.size(); i++)
            CharKitEntrySet(&entries[i], "chars/c" + std::to_string(i));
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
        ASSERT_EQ(PrecacheInit(1), 1);
    }
    void TearDown() override
    {
        PrecacheAbort();
        PrecacheWait();
        PrecacheOpponentsSet(nullptr);
        PrecacheInit(0);
        PlayerCacheFlush();
        GameVarsTest::TearDown();
    }
    // Queues the characters; the results in order.
    static Ints Queue(const Ints &chars)
    {
        Ints out;
        for (int c : chars)
            out.push_back(PrecacheQueueChar(c));
        return out;
    }
    // Runs what is queued to its end and collects the thread.
    static void Run()
    {
        ASSERT_EQ(PrecacheStart(), 1);
        PrecacheWait();
        EXPECT_EQ(PrecacheIsRunning(), 0);
        EXPECT_EQ(PrecacheIsDone(), 1);
    }
    // Marks an entry as loaded without a file behind it.
    void FakeCached(int charIndex)
    {
        entries[charIndex].cacheData = reinterpret_cast<CharData *>(&entries[charIndex]);
        gv->cacheLoaded++;
    }
    void Uncache(int charIndex)
    {
        entries[charIndex].cacheData = nullptr;
        gv->cacheLoaded--;
    }

    std::vector<CharInfo> entries;
};

} // namespace

TEST_F(Precache, DisabledEveryOperationIsANoOp)
{
    PrecacheFake fake;
    ASSERT_EQ(PrecacheInit(0), 1);
    TeamInfo team;
    TeamSetup(&team, 1, TEAM_MODE_SINGLE, 1);
    team.entries[0].members[0].charIndex = 2;
    EXPECT_EQ(Queue({0, 1}), (Ints{0, 0}));
    EXPECT_EQ(PrecacheQueueList(&team), 0);
    EXPECT_EQ(PrecacheQueueOpponents(), 1) << "no arcade side";
    gv->arcadeSide = 1;
    EXPECT_EQ(PrecacheQueueOpponents(), 0);
    EXPECT_EQ(PrecacheQueueNextOpponents(), 0);
    EXPECT_EQ(PrecacheStart(), 0);
    PrecacheAbort();
    PrecacheWait();
    EXPECT_EQ(PrecacheIsRunning(), 0);
    EXPECT_EQ(PrecacheIsDone(), 1);
    EXPECT_EQ(PrecacheIsEnabled(), 0);
    EXPECT_TRUE(fake.Loads().empty());
}

TEST_F(Precache, QueueHoldsFourCharactersAndACachedOneOnlyHasItsUseRenewed)
{
    PrecacheFake fake;
    FakeCached(5);
    gv->cacheStamp = 10;
    entries[5].cacheStamp = 2;
    EXPECT_EQ(Queue({0, 1, 2, 1, 3}), (Ints{1, 1, 1, 1, 1})) << "a queued character counts as queued";
    EXPECT_EQ(PrecacheQueueChar(5), 1) << "a cached character takes no entry";
    EXPECT_EQ(entries[5].cacheStamp, 14);
    EXPECT_EQ(gv->cacheStamp, 10) << "the use counter stays";
    EXPECT_EQ(PrecacheQueueChar(4), 0) << "a fifth";
    EXPECT_EQ(PrecacheIsDone(), 1) << "not started yet";
    Run();
    EXPECT_EQ(fake.Loads(), (Ints{0, 1, 2, 3}));
    EXPECT_EQ(fake.Releases(), (Ints{0, 1, 2, 3})) << "every reference the thread took is given back";
    EXPECT_EQ(fake.Bonuses(), (Ints{4, 4, 4, 4}));
    EXPECT_EQ(PrecacheStart(), 0) << "the queue is empty";
    Uncache(5);
    EXPECT_DEATH(PrecacheQueueChar(8), "Assert failure");
}

TEST_F(Precache, AbortDuringTheSecondOfFourLoadsEndsAfterIt)
{
    PrecacheFake fake;
    fake.holdAt = 1;
    Queue({0, 1, 2, 3});
    ASSERT_EQ(PrecacheStart(), 1);
    fake.WaitHeld();
    EXPECT_EQ(PrecacheIsRunning(), 1);
    EXPECT_EQ(PrecacheIsDone(), 0);
    PrecacheAbort();
    fake.Open();
    PrecacheWait();
    EXPECT_EQ(PrecacheIsRunning(), 0);
    EXPECT_EQ(fake.Loads(), (Ints{0, 1}));
    EXPECT_EQ(fake.Releases(), (Ints{0, 1}));
    EXPECT_EQ(PrecacheStart(), 0) << "the rest of the queue is dropped";
}

TEST_F(Precache, WorkingThreadTakesNewEntriesAndAFinishedOneIsFollowedByANewThread)
{
    PrecacheFake fake;
    fake.holdAt = 0;
    Queue({0});
    ASSERT_EQ(PrecacheStart(), 1);
    fake.WaitHeld();
    EXPECT_EQ(Queue({1}), (Ints{1}));
    EXPECT_EQ(PrecacheStart(), 1) << "the thread at work takes it";
    fake.Open();
    while (!PrecacheIsDone())
        PlatSleep(1);
    EXPECT_EQ(PrecacheIsRunning(), 1) << "until the wait collects the thread";
    EXPECT_EQ(fake.Loads(), (Ints{0, 1}));

    // Started again without a wait in between: the ended thread is joined.
    Queue({2});
    Run();
    EXPECT_EQ(fake.Loads(), (Ints{0, 1, 2}));
    EXPECT_EQ(fake.Releases(), (Ints{0, 1, 2}));
}

TEST_F(Precache, LoadFailureStopsTheRunAndItsTextReachesTheGameOnlyInTheWait)
{
    PrecacheFake fake;
    fake.failAt = 1;
    Queue({0, 1, 2});
    GameErrorSet("Earlier.");
    ASSERT_EQ(PrecacheStart(), 1);
    while (!PrecacheIsDone())
        PlatSleep(1);
    EXPECT_STREQ(gv->errorText, "Earlier.") << "the thread keeps its text";
    PrecacheWait();
    EXPECT_STREQ(gv->errorText, "Earlier.\nCan't open 1.def\nError while precaching");
    EXPECT_EQ(fake.Loads(), (Ints{0, 1}));
    EXPECT_EQ(fake.Releases(), (Ints{0}));
    EXPECT_EQ(PrecacheStart(), 0) << "the queue is emptied";

    // A successful run adds nothing.
    gv->errorText[0] = 0;
    fake.failAt = -1;
    Queue({3});
    Run();
    EXPECT_STREQ(gv->errorText, "");
}

TEST_F(Precache, CacheWithoutRoomSkipsTheHead)
{
    PrecacheFake fake;
    fake.room = 0;
    Queue({0, 1});
    Run();
    EXPECT_TRUE(fake.Loads().empty());
    EXPECT_TRUE(fake.Releases().empty());
    EXPECT_EQ(PrecacheStart(), 0);
}

TEST_F(Precache, TeamListsAndArcadeOpponents)
{
    PrecacheFake fake;
    // Turns: one member per group; -1 is skipped.
    TeamInfo team;
    TeamSetup(&team, 1, TEAM_MODE_TURNS, 3);
    team.entries[0].members[0].charIndex = 6;
    team.entries[2].members[0].charIndex = 7;
    EXPECT_EQ(PrecacheQueueList(&team), 1);
    Queue({0, 1});
    team.entries[1].members[0].charIndex = 2;
    EXPECT_EQ(PrecacheQueueList(&team), 0) << "the third did not fit";
    Run();
    EXPECT_EQ(fake.Loads(), (Ints{6, 7, 0, 1}));

    // The opponents come from the arcade order's groups (of the computer
    // team's size: the order's list gives no more).
    EXPECT_EQ(PrecacheQueueOpponents(), 1) << "no arcade side";
    gv->arcadeSide = 2;
    TeamSetup(&gv->teams[0], 1, TEAM_MODE_SIMUL, 2);
    EXPECT_EQ(PrecacheQueueOpponents(), 1) << "no order to read yet";
    PrecacheOpponentsSet([](int *out, int which) {
        static const int groups[2][2] = {{3, 4}, {5, 2}};
        memcpy(out, groups[which], sizeof groups[which]);
        return 2;
    });
    EXPECT_EQ(PrecacheQueueOpponents(), 1);
    EXPECT_EQ(PrecacheQueueNextOpponents(), 1);
    Run();
    EXPECT_EQ(fake.Loads(), (Ints{6, 7, 0, 1, 3, 4, 5, 2}));
    Queue({0, 1, 6});
    EXPECT_EQ(PrecacheQueueNextOpponents(), 0) << "5 fits, 2 does not";
}

TEST_F(Precache, KitCharacterLoadsOnTheThreadWhileTheGameThreadGoesOn)
{
    CharKit kit;
    kit.def += "ai = kit.ai\n";
    kit.extra["kit.ai"] = "not learned data";
    kit.WriteDir("chars/c0");
    gv->cfg.misc.playerCache = 2;
    Queue({0, 1});  // the second has no files
    ASSERT_EQ(PrecacheStart(), 1);
    // What the game thread may do beside the thread: log, write its error
    // and library texts, ask the cache. The cache's lock orders the two
    // threads, so it is asked last, not to hide the others from the checks.
    int n = 0;
    while (!PrecacheIsDone()) {
        LogWrite("game thread %i\n", n);
        WarnLogText("game\n");
        GameErrorSet("game %i", n);
        snprintf(LibErrorMsg, sizeof LibErrorMsg, "game %i", n);
        if (++n % 64 == 0) {
            PlayerCacheIsLoaded(0);
            PlayerCacheHasRoom();
        }
        PlatYield();
    }
    gv->errorText[0] = 0;
    PrecacheWait();
    ASSERT_EQ(PlayerCacheIsLoaded(0), 1);
    EXPECT_EQ(entries[0].cacheRefs, 0) << "the thread's reference is given back";
    EXPECT_EQ(entries[0].cacheStamp, 4);
    EXPECT_EQ(entries[0].cacheData->consts.life, 1000);
    EXPECT_EQ(gv->cacheLoaded, 1);
    EXPECT_STREQ(gv->errorText, "Can't open kit.def\nError loading chars/c1/kit.def\nError while precaching");
    EXPECT_NE(ReadFileText("velokw.log").find("Using original loader on chars/c0/kit.def"), std::string::npos);
    TextBuf *w = gv->warnLog;
    EXPECT_STREQ(w->lines[(w->current + w->count - 1) % w->count], "Ignoring invalid AI file: kit.ai")
        << "the thread's warning is added in the wait";

    // The character loads again from the cache, whole.
    CharData *cd = PlayerCacheLoad(0);
    ASSERT_NE(cd, nullptr);
    EXPECT_STREQ(cd->name, "Kit");
    PlayerCacheRelease(0, 0);
}

TEST_F(Precache, FatalExitLetsTheLoadEndAndShowsWhatTheThreadWrote)
{
    // A child that starts a thread is made afresh rather than forked.
    std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Queue({1});
            PrecacheStart();
            FatalExitf("Stopped");
        },
        testing::ExitedWithCode(1), "Stopped\nCan't open kit.def\nError loading chars/c1/kit.def\nError while precaching");
    GTEST_FLAG_SET(death_test_style, style);
}
