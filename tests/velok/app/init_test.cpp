#include "velok/app/init.h"

#include <allegro.h>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "lib/array.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/script/st-trig.h"

namespace {

class GameRecord : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        vbufTarget = VbufTarget{};
        disp = DispState{};
        NewRecord();
    }
    // A record as the configuration leaves it: small pools.
    static void NewRecord()
    {
        gv = new GameVars();
        CfgEngine &e = gv->cfg.engine;
        e.afterImageMax = 2;
        e.layeredSpriteMax = 32;
        e.helperMax = 4;
    }
    void TearDown() override
    {
        LibCallocFailAt(0);
        LibOutOfMemory = 0;
        GameVarsFree();
        TempDirTest::TearDown();
    }
    // Nothing GameVarsInit makes is left over.
    static void ExpectEmpty()
    {
        EXPECT_EQ(disp.gameBuf, nullptr);
        EXPECT_EQ(disp.buf2x, nullptr);
        EXPECT_EQ(vbufTarget.pixels, nullptr);
        EXPECT_EQ(gv->drawList, nullptr);
        EXPECT_EQ(gv->animList, nullptr);
        EXPECT_EQ(gv->afterImages, nullptr);
        EXPECT_EQ(gv->palList, nullptr);
        EXPECT_EQ(gv->sysKeyQueue, nullptr);
        EXPECT_EQ(gv->players, nullptr);
        EXPECT_EQ(gv->warnLog, nullptr);
    }
};

TEST_F(GameRecord, InitFillsTheRecordAndFreeEmptiesIt)
{
    for (int doubleRes : {0, 2}) {
        SCOPED_TRACE(doubleRes);
        gv->cfg.video.doubleRes = doubleRes;
        gv->cfg.video.stretch = 1;
        ASSERT_EQ(GameVarsInit(), 1) << gv->errorText;

        EXPECT_EQ(gv->startDir, dir);
        EXPECT_EQ(gv->writableDir, 1);
        EXPECT_FALSE(std::filesystem::exists("_velok__.tmp"));
        EXPECT_EQ(gv->versionYear, 2003);
        EXPECT_EQ(gv->versionMonth, 6);
        EXPECT_EQ(gv->versionDay, 14);

        // The game buffer is the drawing target, cleared; the 2x buffer only
        // with a 2x mode, and then it is the one shown.
        ASSERT_NE(disp.gameBuf, nullptr);
        EXPECT_EQ(vbufTarget.set, disp.gameBuf);
        EXPECT_EQ(vbufTarget.width, 320);
        EXPECT_EQ(vbufTarget.height, 240);
        EXPECT_EQ(vbufTarget.depth, 16);
        EXPECT_EQ(((uint16_t *)vbufTarget.pixels)[0], 0);
        if (doubleRes) {
            ASSERT_NE(disp.buf2x, nullptr);
            EXPECT_EQ(SprSetImageAt(disp.buf2x, 0)->width, 640);
            EXPECT_EQ(SprSetImageAt(disp.buf2x, 0)->bpp, 16);
        } else {
            EXPECT_EQ(disp.buf2x, nullptr);
        }
        EXPECT_EQ(disp.filter, doubleRes);
        EXPECT_EQ(disp.stretch, 1);

        ASSERT_NE(gv->drawList, nullptr);
        EXPECT_EQ(gv->drawList->entries->capacity, 32);
        ASSERT_NE(gv->animList, nullptr);
        EXPECT_EQ(gv->animList->insts->capacity, INIT_ANIM_LIST_SIZE);
        ASSERT_NE(gv->afterImages, nullptr);
        EXPECT_EQ(gv->afterImages->used, 2);
        EXPECT_EQ(((AfterImage *)ArrayAtRaw(gv->afterImages, 1))->capacity, 60);
        EXPECT_NE(gv->palList, nullptr);
        ASSERT_NE(gv->sysKeyQueue, nullptr);
        EXPECT_EQ(gv->sysKeyQueue->size, 32);
        ASSERT_NE(gv->warnLog, nullptr);
        EXPECT_EQ(gv->warnLog->width, 77);
        EXPECT_EQ(gv->warnLog->count, 8);

        EXPECT_EQ(gv->motifDir, "data/");
        EXPECT_EQ(gv->motifFile, "system.def");
        EXPECT_EQ(std::vector<int>(gv->playerOn, gv->playerOn + 4), (std::vector<int>{1, 1, 0, 0}));
        ASSERT_NE(gv->players, nullptr);
        EXPECT_EQ(gv->playerSlotCount, 4 + 4);
        EXPECT_EQ(gv->enabledLast, -1);
        EXPECT_NE(gv->randomSeed, 0u);

        GameVarsFree();
        EXPECT_EQ(gv, nullptr);
        EXPECT_EQ(disp.gameBuf, nullptr);
        EXPECT_EQ(vbufTarget.pixels, nullptr);
        GameVarsFree();  // nothing left to free
        NewRecord();
    }
}

TEST_F(GameRecord, UnwritableAndVanishedWorkingDirectories)
{
    // Nothing can be created in /proc, not even by the superuser.
    ASSERT_EQ(chdir("/proc"), 0);
    EXPECT_EQ(GameVarsInit(), 1);
    EXPECT_EQ(gv->startDir, "/proc");
    EXPECT_EQ(gv->writableDir, 0);
    GameVarsFree();

    NewRecord();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    MakeDirs("gone");
    ASSERT_EQ(chdir("gone"), 0);
    std::filesystem::remove(dir + "/gone");
    EXPECT_EQ(GameVarsInit(), 0);
    EXPECT_STREQ(gv->errorText, "");
    ExpectEmpty();
    ASSERT_EQ(chdir(dir.c_str()), 0);
}

// Each allocation in turn fails: the piece's message stands (or none, with the
// out-of-memory flag), everything made so far is freed and the record stays.
TEST_F(GameRecord, EveryFailedAllocationFreesWhatWasMade)
{
    gv->cfg.video.doubleRes = 1;
    std::set<std::string> seen;
    int n = 1;
    for (;; n++) {
        gv->errorText[0] = 0;
        LibOutOfMemory = 0;
        LibCallocFailAt(n);
        int ok = GameVarsInit();
        LibCallocFailAt(0);
        if (ok)
            break;
        SCOPED_TRACE(n);
        EXPECT_EQ(LibOutOfMemory, 1);
        seen.insert(gv->errorText);
        ExpectEmpty();
        ASSERT_LT(n, 10000);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"", "Can't create screen buffer.", "Can't create priority sprites layer 1.",
                                           "Can't create persistent animation array.", "Can't init afterimages.",
                                           "Can't create palgroup array.", "Can't create clipboard."}));
}

TEST(ConstTables, CheckNamesAndTypes)
{
    std::vector<TrigVarName> table(TrigConstNames, TrigConstNames + TRIG_CONST_COUNT);
    EXPECT_EQ(InitConstTablesCheck(table.data(), TRIG_CONST_COUNT), 0);
    EXPECT_EQ(InitConstTablesCheck(table.data(), TRIG_CONST_COUNT - 1), 1);
    std::vector<TrigVarName> noName = table;
    noName[65].name = nullptr;
    EXPECT_EQ(InitConstTablesCheck(noName.data(), TRIG_CONST_COUNT), 1);
    std::vector<TrigVarName> badType = table;
    badType[10].isFloat = -1;
    EXPECT_EQ(InitConstTablesCheck(badType.data(), TRIG_CONST_COUNT), 2);
}

}  // namespace
