// Round test kit: a game record with a small field of players, fight-screen defaults, a fake frame timer and a 320x240 target.
#include "support/roundkit.h"

#include <allegro.h>

#include "kit/enginekit.h"
#include "lib/disp.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "support/keykit.h"
#include "support/pixkit.h"
#include "support/testkit.h"
#include "velok/match/gameloop.h"
#include "velok/match/round.h"

BITMAP *RoundRecordSet(int state, std::vector<int> *rows)
{
    BITMAP *canvas = PixCanvasStart(rows);
    TimerDeviceSet(&kQuietTimer);
    TimerInit(180);
    TimerSpeedSet(60);
    disp = DispState{};
    FightRoundDefaults();
    for (int s = 0; s < 2; s++) {
        MatchSide &side = gv->side[s];
        side.roundsToWin = gv->fightRound.matchWins;
        side.drawsAllowed = gv->fightRound.maxDrawGames;
        side.standRatio = 1.0f;
        for (int i = 0; i < WIN_ICON_SLOTS; i++)
            gv->round.winIcon[s][i] = gv->round.winPerfect[s][i] = -1;
    }
    gv->round.state = state;
    gv->round.number = 1;
    gv->round.endTick = gv->overTime;
    gv->round.timeLeft = 100 * gv->fightRound.framesPerCount - 1;
    gv->gameLoopMode = GAMELOOP_MATCH;
    gv->sysKeyQueue = (IntQueue *)LibCalloc(1, sizeof(IntQueue));
    IntQueueCreate(gv->sysKeyQueue, 32);
    GameLoopCountersReset();
    KeyKitStart();
    return canvas;
}

void RoundField::SetUp()
{
    FieldTest::SetUp();
    canvas = RoundRecordSet(0, &rows);  // before the intro
    Field(4);
    PlayerEnableSet(3, 0);
    PlayerEnableSet(4, 0);
    // Control comes with the fight (round state 2 at its control time).
    for (int slot = 1; slot <= 4; slot++)
        P(slot)->state.ctrl = 0;
    for (int s = 0; s < 2; s++) {
        gv->sideEntry[s].memberCount = 1;
        gv->sideEntry[s].members[0].slot = s + 1;
    }
}

void RoundField::TearDown()
{
    KeyKitStop();
    vbufTarget = VbufTarget{};
    disp = DispState{};
    destroy_bitmap(canvas);
    IntQueueFree(gv->sysKeyQueue);
    MemFree(gv->sysKeyQueue);
    FieldTest::TearDown();
    TimerExit();
    TimerDeviceSet(nullptr);
    PalFxGlobalFree();
}

void RoundField::StateAt(int state, int tick)
{
    gv->round.state = state;
    gv->round.tick = tick;
}

void RoundField::Kill(int slot)
{
    P(slot)->life = 0;
    P(slot)->alive = 0;
}

int RoundField::Frame()
{
    for (int i = 0; i < 3; i++)
        TimerTick();
    return GameLoopFrame();
}

uint16_t RoundField::Pixel(int x, int y)
{
    return PixGet(canvas, x, y);
}
