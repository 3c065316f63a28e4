// The game record of a match in the sample game, for the tests that play one: made over the sample tree written in the working directory, freed with the match.
#pragma once
#include <gtest/gtest.h>

#include "kit/enginekit.h"
#include "lib/pal.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/match/fight.h"
#include "velok/match/match.h"
#include "velok/player/p-make.h"
#include "lib/disp.h"

// A new game record with the sample game's configuration as start-up leaves
// it for a match (no sound, no debug display, life 100, time 99, nothing
// given on the command line), a warning log of the size given, a quiet frame
// timer at 60 frames a second and no frame waiting.
inline void SampleMatchRecordMake(int warnWidth, int warnLines)
{
    LogStateReset();
    gv = new GameVars();
    for (int i = 0; i < 4; i++)
        gv->cmdAi[i] = gv->cmdColor[i] = gv->cmdLife[i] = gv->cmdPower[i] = -1;
    gv->warnLog = TextBufCreate(warnWidth, warnLines);
    PalFxGlobalInit();
    TimerDeviceSet(&kQuietTimer);
    TimerInit(180);
    TimerSpeedSet(60);
    ASSERT_EQ(SysCfgLoad("data/velok.cfg"), 1) << gv->errorText;
    gv->cfg.sound.sound = 0;
    // Start-up turns the debug display on; its numbers would cover the bars.
    gv->cfg.debug.debug = 0;
    gv->options.life = 100;
    gv->options.time = 99;
    disp = DispState{};
    disp.noFrameWait = 1;
}

// Frees the match's players and sprites and the fight screen (which may
// still use the system fonts).
inline void SampleMatchFree()
{
    PalListFree();
    MatchTeamSpritesFree();
    MatchPlayersFree();
    PlayerCacheFlush();
    PlayerSlotsFree();
    FightDataFree();
}

// Frees the timer and the record.
inline void SampleMatchRecordFree()
{
    TimerExit();
    TimerDeviceSet(nullptr);
    TextBufFree(gv->warnLog);
    PalFxGlobalFree();
    delete gv;
    gv = nullptr;
    LogStateReset();
}
