#include "velok/match/camera.h"

#include <allegro.h>

#include <climits>
#include <string>
#include <vector>

#include "lib/bg.h"
#include "lib/libbase.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "support/stagekit.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

namespace {

// Players 1 and 2 follow the camera in both directions; bodies of no width;
// camera bounds -100..100 and -40..0, tension 50.
class CameraTest : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        gv->stageScaleTop = gv->stageScaleBottom = 1.0f;
        StageVars &st = gv->stage;
        st.boundLeft = -100;
        st.boundRight = 100;
        st.boundHigh = -40;
        st.boundLow = 0;
        st.tension = 50;
        st.verticalFollow = 0.2f;
        for (int slot = 1; slot <= 2; slot++) {
            Player *p = P(slot);
            p->moveCameraX = p->moveCameraY = 1;
            p->screenBound = 0;
            p->consts.groundFront = p->consts.groundBack = p->consts.airFront = p->consts.airBack = 0;
            p->posY = 0;
        }
        CameraSetPos(0, 0);
    }
    void TearDown() override
    {
        BGFree(gv->stageBg);
        RoundField::TearDown();
    }
};

TEST_F(CameraTest, FollowSnapAndClamp)
{
    struct Case {
        const char *what;
        int roundState;
        float x1, x2, vx1, vx2;
        int follow1, follow2;
        int boundLeft, boundRight;
        float camX, targetX;
    };
    // Screen rooms: left = x1 - camera - 50, right = 319 - 50 - (x2 - camera).
    const Case cases[] = {
        {"both inside the margins: no move", 2, 100, 220, 0, 0, 1, 1, -100, 100, 0, 0},
        {"right room -61 with a negative sum: the middle, jumped to before the round", 0, 100, 330, 0, 0, 1, 1,
         -100, 100, 55, 55},
        {"right room -21 only: camera - room", 0, 100, 290, 0, 0, 1, 1, -100, 100, 21, 21},
        {"in the round the target is halved and the camera steps 1", 2, 100, 290, 0, 0, 1, 1, -100, 100, 1, 10},
        {"a fighter pushing the right margin at 3 drags the camera at 3", 2, 100, 290, 0, 3, 1, 1, -100, 100, 3, 10},
        {"a fighter pushing the left margin at -2.5 drags at 2.5", 2, 30, 200, -2.5f, 0, 1, 1, -100, 100, -2.5f, -10},
        {"within two steps of the target the camera snaps", 2, 100, 272, 0, 0, 1, 1, -100, 100, 1, 1},
        {"clamped to the right bound", 0, 100, 500, 0, 0, 1, 1, -100, 100, 100, 140},
        {"bounds the wrong way round: the right one", 0, 100, 220, 0, 0, 1, 1, 50, 40, 40, 0},
        {"only fighters that follow count", 0, 300, 100, 0, 0, 1, 0, -100, 100, 31, 31},
        {"none follows: the target stays", 0, 300, 100, 0, 0, 0, 0, -100, 100, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CameraSetPos(0, 0);
        gv->round.state = c.roundState;
        gv->stage.boundLeft = c.boundLeft;
        gv->stage.boundRight = c.boundRight;
        P(1)->posX = c.x1;
        P(2)->posX = c.x2;
        P(1)->velX = c.vx1;
        P(2)->velX = c.vx2;
        P(1)->moveCameraX = c.follow1;
        P(2)->moveCameraX = c.follow2;
        CameraUpdate();
        EXPECT_FLOAT_EQ(gv->cameraX, c.camX);
        EXPECT_FLOAT_EQ(gv->cameraTargetX, c.targetX);
        EXPECT_EQ(gv->cameraXi, (int)c.camX) << "truncated toward zero";
    }

    // The right fighter's body toward the right (its back, facing left), one more in the air.
    gv->round.state = 0;
    P(1)->moveCameraX = P(2)->moveCameraX = 1;
    P(2)->velX = 0;
    P(1)->posX = 100;
    P(2)->posX = 280;
    P(2)->consts.groundBack = P(2)->consts.airBack = 10;
    CameraSetPos(0, 0);
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraX, 21.0f);
    P(2)->state.stateType = STATETYPE_A;
    CameraSetPos(0, 0);
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraX, 22.0f);
}

TEST_F(CameraTest, VerticalFollow)
{
    gv->round.state = 0;
    P(1)->posX = 100;
    P(2)->posX = 220;
    P(2)->posY = -100;
    gv->stage.verticalFollow = 0.0f;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraTargetY, 0.0f) << "no vertical follow, however high";
    EXPECT_FLOAT_EQ(gv->cameraY, 0.0f);

    gv->stage.verticalFollow = 0.2f;
    gv->stage.floorTension = 10;
    CameraUpdate();
    // int(10 - 100) x 0.2; the camera falls 0.5, then 0.2 x 17.5 x 0.1 more.
    EXPECT_FLOAT_EQ(gv->cameraTargetY, -18.0f);
    EXPECT_NEAR(gv->cameraY, -0.85f, 1e-5);
    for (int i = 0; i < 200; i++)
        CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraY, -18.0f) << "it reaches the target and snaps";

    // In the round the target moves 15% of the way.
    gv->round.state = 2;
    P(2)->posY = 0;
    CameraUpdate();
    EXPECT_NEAR(gv->cameraTargetY, 0.85f * -18.0f + 0.15f * 2.0f, 1e-5);
    // Bounded by boundhigh.
    gv->round.state = 0;
    P(2)->posY = -1000;
    for (int i = 0; i < 500; i++)
        CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraY, -40.0f);
    EXPECT_EQ(gv->cameraYi, -40);
}

TEST_F(CameraTest, PausesAndScenes)
{
    gv->round.state = 2;
    P(1)->posX = 100;
    P(2)->posX = 290;
    gv->paused = 1;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraTargetX, 10.0f) << "the target moves in a pause";
    EXPECT_FLOAT_EQ(gv->cameraX, 0.0f) << "the camera does not";
    CameraSetPos(0, 0);
    P(2)->posX = 272;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraX, 1.0f) << "but it snaps";
    gv->paused = 0;

    gv->gameLoopMode = GAMELOOP_WIN_SCREEN;
    CameraSetPos(5, 0);
    P(2)->posX = 500;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraX, 5.0f);
    EXPECT_FLOAT_EQ(gv->cameraTargetX, 5.0f);
}

TEST_F(CameraTest, StageValuesAtTheEndsOfTheIntRangeDoNotWrap)
{
    gv->round.state = 0;
    // A tension of -2^31 leaves wide rooms on both sides: the target stays.
    gv->stage.tension = INT_MIN;
    P(1)->posX = 100;
    P(2)->posX = 290;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraTargetX, 0.0f);
    // Fighters at both ends of the int range with the largest tension: the middle.
    gv->stage.tension = INT_MAX;
    CameraSetPos(0, 0);
    P(1)->posX = -1e30f;
    P(2)->posX = 1e30f;
    CameraUpdate();
    EXPECT_FLOAT_EQ(gv->cameraTargetX, -160.0f);
    EXPECT_FLOAT_EQ(gv->cameraX, -100.0f);
}

TEST_F(CameraTest, AStateRunMovesTheCamera)
{
    gv->round.state = 0;
    gv->stageLeftBound = -1000;
    gv->stageRightBound = 1000;
    P(1)->posX = 100;
    P(2)->posX = 290;
    PlayerStateRun(P(2));
    EXPECT_FLOAT_EQ(gv->cameraX, 21.0f);
    EXPECT_FLOAT_EQ(P(2)->screenX, 290 - 21);
}

TEST_F(CameraTest, StageBackDrawnWithGroundLineAndShakeBands)
{
    DefFileWrite("st/bg.sff", BgSffBytes({BgImageFill(0, 0, 8, 8, 4)}));
    DefFileWrite("st/bg.def", "[BGdef]\nspr = bg.sff\nbgclearcolor = 0,0,255\n"
                              "[BG floor]\ntype = normal\nspriteno = 0,0\ntile = 1,1\n"
                              "[BG ground]\ntype = dummy\nid = 5\nstart = 0,30\ndelta = 1,.5\n");
    gv->stageBg = BGLoadFile("st/bg.def", "BG");
    ASSERT_NE(gv->stageBg, nullptr) << LibErrorMsg;
    gv->stage.zOffset = 200;
    gv->stage.zOffsetLink = 5;
    gv->stage.groundElem = BGFindElemById(gv->stageBg, 5);  // as the stage loader finds it
    CameraSetPos(10.7f, -20.4f);
    gv->shakeY = 3;
    gv->shakeX = 2;
    StageBgDraw();
    // Placed at the integer camera with the shake taken off.
    EXPECT_FLOAT_EQ(gv->stageBg->camX, 10.0f);
    EXPECT_FLOAT_EQ(BGFindElemById(gv->stageBg, 5)->posY, 30 + 20 * 0.5f - 3);
    // int(30 + 20.4 x 0.5 + 200 + 0.999999)
    EXPECT_EQ(gv->stageZOffset, 241);
    EXPECT_EQ(Pixel(5, 236), BgRed(4));
    EXPECT_EQ(Pixel(5, 237), 0) << "the rows the shake uncovers";
    EXPECT_EQ(Pixel(5, 239), 0);

    gv->shakeY = -2;
    StageBgDraw();
    EXPECT_EQ(Pixel(5, 1), 0);
    EXPECT_EQ(Pixel(5, 2), BgRed(4));
    for (int shake : {100000, INT_MIN}) {
        clear_to_color(canvas, 0);
        gv->shakeY = shake;
        StageBgDraw();
        EXPECT_EQ(Pixel(5, 0), 0) << "a band never larger than the target";
        EXPECT_EQ(Pixel(5, 239), 0);
    }

    gv->stage.groundElem = nullptr;
    StageBgDraw();
    EXPECT_EQ(gv->stageZOffset, 200) << "without the element zoffset holds";
}

}  // namespace
