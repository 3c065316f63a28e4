// The sample game's data tree written into the test's directory, with a game record that loads its configuration, system fonts and motif as start-up does.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "samplefiles.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/textbuf.h"
#include "support/recordkit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"
#include "velok/match/match.h"
#include "velok/player/p-make.h"
#include "velok/screens/charlist.h"
#include "velok/screens/sysfile.h"

class SampleTreeTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        CommandLineNone();
        gv->warnLog = TextBufCreate(77, 8);
        PalFxGlobalInit();
        std::string error;
        ASSERT_EQ(SampleTreeWrite(".", &error), 1) << error;
        for (const GameFile &f : SampleFilesOnce())
            files[f.path] = f.bytes;
    }
    void TearDown() override
    {
        SelectListsFree();
        SysFileFree();
        FightDataFree();
        for (Font *&f : gv->sysFont) {
            FontFree(f);
            f = nullptr;
        }
        PalListFree();
        MatchPlayersFree();
        PlayerCacheFlush();
        PlayerSlotsFree();
        PalFxGlobalFree();
        GameVarsTest::TearDown();
    }
    // The configuration's settings, and the system fonts, as start-up has them.
    void StartUp()
    {
        ASSERT_EQ(SysCfgLoad("data/velok.cfg"), 1) << gv->errorText;
        gv->sysFont[0] = FontLoad("font/f-4x6.fnt");
        gv->sysFont[1] = FontLoad("font/f-6x9.fnt");
        ASSERT_NE(gv->sysFont[0], nullptr) << LibErrorMsg;
        ASSERT_NE(gv->sysFont[1], nullptr) << LibErrorMsg;
    }
    // Then the motif, and the select file with its characters' portraits.
    void MotifLoad()
    {
        gv->motifDir = "data/";
        gv->motifFile = "system.def";
        ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
        ASSERT_EQ(SelectListsAlloc(), 1);
        ASSERT_EQ(SelectDefOpen(gv->motif->selectFile), 1) << gv->errorText;
        ASSERT_EQ(SelectDefLoad(), 1) << gv->errorText;
    }

    std::map<std::string, std::string> files;  // the tree's files by path
};
