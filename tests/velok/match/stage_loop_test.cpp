// The stage and the camera in the round loop's frame and tick.
#include <string>

#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "support/stagekit.h"
#include "velok/core/gamevars.h"
#include "velok/match/camera.h"
#include "velok/match/gameloop.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

namespace {

// A fight in progress on a stage whose back layer is a tiled floor of red 4
// and whose front layer is an 8x8 block of red 9 over player 1 (at x 100).
class StageLoop : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        DefFileWrite("st/bg.sff", BgSffBytes({BgImageFill(0, 0, 8, 8, 4), BgImageFill(1, 0, 8, 8, 9)}));
        DefFileWrite("st/bg.def", "[BGdef]\nspr = bg.sff\n"
                                  "[BG floor]\ntype = normal\nspriteno = 0,0\ntile = 1,1\n"
                                  "[BG front]\ntype = normal\nspriteno = 1,0\nlayerno = 1\nstart = -60,-4\n");
        gv->stageBg = BGLoadFile("st/bg.def", "BG");
        ASSERT_NE(gv->stageBg, nullptr) << LibErrorMsg;
        gv->stage.boundLeft = -100;
        gv->stage.boundRight = 100;
        gv->stage.tension = 50;
        gv->stageScaleTop = gv->stageScaleBottom = 1.0f;
        gv->stageLeftBound = -1000;
        gv->stageRightBound = 1000;
        GameLoopEnter(GAMELOOP_MATCH);
        StateAt(2, 10);
    }
    void TearDown() override
    {
        BGFree(gv->stageBg);
        gv->stageBg = nullptr;
        RoundField::TearDown();
    }
};

TEST_F(StageLoop, BackBeforeThePlayersFrontAfter)
{
    Frame();
    EXPECT_EQ(Pixel(300, 200), BgRed(4));
    EXPECT_EQ(Pixel(101, 1), BgRed(9));
    EXPECT_EQ(Pixel(101, 10), BgRed(4));

    // nofg leaves the front out: the player shows there; nobg clears the back.
    gv->specialFlags[GAME_SPECIAL_NOFG] = 1;
    GameLoopFrameDraw();
    EXPECT_NE(Pixel(101, 1), BgRed(9));
    EXPECT_NE(Pixel(101, 1), BgRed(4));
    gv->specialFlags[GAME_SPECIAL_NOFG] = 0;
    gv->specialFlags[GAME_SPECIAL_NOBG] = 1;
    GameLoopFrameDraw();
    EXPECT_EQ(Pixel(300, 200), 0);
    EXPECT_EQ(Pixel(101, 1), BgRed(9));
}

TEST_F(StageLoop, BackgroundTicksOncePerRunningTick)
{
    Frame();
    Frame();
    EXPECT_EQ(gv->stageBg->tick, 2);
    KbllPauseSet(1);
    Frame();
    EXPECT_EQ(gv->stageBg->tick, 2);
    KbllPauseSet(0);
    Frame();
    EXPECT_EQ(gv->stageBg->tick, 3);
    gv->pause[0].time = 10;
    gv->pause[0].pauseBg = 1;
    Frame();
    EXPECT_EQ(gv->stageBg->tick, 3) << "a pause that stops the background";
    gv->pause[0].pauseBg = 0;
    Frame();
    EXPECT_EQ(gv->stageBg->tick, 4);
    gv->pause[0].time = 0;
    gv->slowRate = 100;
    gv->slowAccum = 0;
    int before = gv->stageBg->tick;
    for (int i = 0; i < 4; i++)
        Frame();
    EXPECT_EQ(gv->stageBg->tick, before + 2) << "slow motion holds it back with the tick";
}

TEST_F(StageLoop, PlayersTurnToTheirOpponentsWhenTheStageSaysSo)
{
    struct Case {
        int autoTurn;
        int state;
        int facingAfter;
    } cases[] = {
        {0, 0, -1},
        {1, 0, 1},
        {1, 200, -1},  // not a state that turns
    };
    for (const Case &c : cases) {
        gv->stageAutoTurn = c.autoTurn;
        Player *p = P(1);
        if (p->facing == 1)
            PlayerTurn(p);
        p->state.stateNo = c.state;
        p->state.ctrl = 1;
        p->frozen = 0;
        Frame();
        EXPECT_EQ(p->facing, c.facingAfter) << c.autoTurn << " " << c.state;
    }
}

TEST_F(StageLoop, TheTickMovesTheCamera)
{
    P(1)->posX = 100;
    P(2)->posX = 300;
    P(2)->screenBound = 0;
    for (int i = 0; i < 10; i++)
        Frame();
    EXPECT_GT(gv->cameraX, 0.0f);
    EXPECT_EQ(gv->cameraXi, (int)gv->cameraX);
}

TEST_F(StageLoop, RestartAndReloadRequests)
{
    gv->restartRequest = 1;
    StateAt(2, 50);
    Frame();
    EXPECT_EQ(gv->restartRequest, 0);
    EXPECT_EQ(gv->round.state, 0) << "the round starts again";

    // A reload that cannot load the stage ends the loop with 0.
    gv->reloadRequest = 1;
    gv->stageFile[0] = 0;
    EXPECT_EQ(Frame(), -1);
    EXPECT_NE(std::string(gv->errorText).find("Can't open stage"), std::string::npos);
}

}  // namespace
