#include "lib/bg.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"

namespace {

struct BgTest : PixCanvasTest {
    BGDef *bg = nullptr;

    void TearDown() override
    {
        BGFree(bg);
        PixCanvasTest::TearDown();
    }
    // Writes "bg.def" (its [BGdef] naming "bg.sff" unless the text has one) and the sprites.
    BGDef *Load(const std::string &body, const std::vector<BgImage> &images = {BgImageColumns(0, 0, 4, 2, 1, 0)})
    {
        DefFileWrite("bg.def", body);
        DefFileWrite("bg.sff", BgSffBytes(images));
        LibErrorMsg[0] = 0;
        BGFree(bg);
        bg = BGLoadFile("bg.def", "BG");
        return bg;
    }
    BGElem *E(int i) { return BGFindElemSlot(bg, i); }
    uint16_t Px(int x, int y) { return PixGet(canvas, x, y); }
    int DrawnCount()
    {
        int n = 0;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                n += Px(x, y) != 0;
        return n;
    }
};

const char *kDef = "[BGdef]\nspr = bg.sff\n";

TEST_F(BgTest, LoadErrorsNameTheProblem)
{
    struct Case {
        std::string text;
        std::string message;
        bool ending = false;  // the message ends the text (the reader's own reason comes first)
    };
    const std::string tail = "\nBG error reading bg.def";
    const Case cases[] = {
        {"[Info]\n[BG a]\ntype = normal\nspriteno = 0,0\n", "Can't access group BGdef" + tail},
        {"[BGdef]\n[BG a]\ntype = normal\nspriteno = 0,0\n", "Error: sff file must be specified" + tail},
        {"[BGdef]\nspr = none.sff\n[BG a]\ntype = normal\nspriteno = 0,0\n", "Can't load sprite file none.sff" + tail},
        {std::string(kDef) + "[BGx a]\ntype = normal\n", "Need at least one [BG] type bg" + tail},
        {std::string(kDef) + "[BG a]\nspriteno = 0,0\n", "Missing type in [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = xyz\n", "Invalid type: xyz\n\tin [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = anim\n", "Missing actionno in [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = normal\n", "Invalid or missing spriteno: -1,-1\n\tin [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = high\nspriteno = 0\n", "Invalid or missing spriteno: 0,-1\n\tin [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 5,5\n", "Sprite doesn't exist: 5,5" + tail},
        {std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\ntrans = glow\n",
         "Invalid argument: trans = glow\nin [BG a]" + tail},
        {std::string(kDef) + "[BG a]\ntype = parallax\nspriteno = 0,0\n",
         "Missing or invalid width or xscale for parallax in [BG a]." + tail},
        {std::string(kDef) + "[BG a]\ntype = parallax\nspriteno = 0,0\nwidth = 0,10\n",
         "Missing or invalid width or xscale for parallax in [BG a]." + tail},
        {std::string(kDef) + "[BG a]\ntype = parallax\nspriteno = 0,0\nxscale = 1,-1\n",
         "Missing or invalid width or xscale for parallax in [BG a]." + tail},
        {std::string(kDef) + "[BG a]\ntype = anim\nactionno = 7\n", "Action 7 doesn't exist\n\tin [BG a]" + tail},
        {std::string(kDef) + "[Begin Action 5]\n0,0, 0,0, -1\n[BG a]\ntype = anim\nactionno = 7\n",
         "Action 7 doesn't exist\n\tin [BG a]" + tail},
        {std::string(kDef) + "[Begin Action 5]\n0,0\n[BG a]\ntype = anim\nactionno = 5\n",
         "\nError loading anim." + tail, true},
        {std::string(kDef) + "[BG a]\ntype = dummy\n[BGCtrlDef]\n[BGCtrl x]\ntime = 1\n[BGCtrl y]\ntype = null\n",
         "\n1/2 [BGCtrl x]: Missing \"type\" parameter.\nError reading bg control data" + tail},
        {std::string(kDef) + "[BG a]\ntype = dummy\n[BGCtrl y]\ntype = spin\n",
         "\n[BGCtrl y]: Invalid type: spin\nError reading bg control data" + tail},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Load(c.text), nullptr) << c.text;
        std::string got = LibErrorMsg;
        if (c.ending)
            EXPECT_EQ(got.substr(got.size() - std::min(got.size(), c.message.size())), c.message) << got;
        else
            EXPECT_EQ(got, c.message) << c.text;
    }
    LibErrorMsg[0] = 0;
    EXPECT_EQ(BGLoadFile("missing.def", "BG"), nullptr);
    EXPECT_STREQ(LibErrorMsg, "\nTXTPARSE error opening missing.def");
}

TEST_F(BgTest, SpriteSetOfTheCallerOrTheFile)
{
    DefFileWrite("bg.sff", BgSffBytes({BgImageFill(0, 0, 2, 2, 1)}));
    DefFileWrite("other.def", "[Menudef]\n[Menu a]\ntype = normal\nspriteno = 0,0\n");
    bg = BGLoadFile("other.def", "Menu");
    EXPECT_EQ(bg, nullptr);
    BGDef *own = Load(std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\n");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->ownsSpr, 1);
    DefFileWrite("sub/menu.def", "[menuDEF]\n[menu a]\ntype = normal\nspriteno = 0,0\n");
    BGDef *shared = BGLoadFileShared("sub/menu.def", "Menu", own->spr, nullptr);
    ASSERT_NE(shared, nullptr) << LibErrorMsg;
    EXPECT_EQ(shared->spr, own->spr);
    EXPECT_EQ(shared->ownsSpr, 0);
    BGFree(shared);
    // A file's own sprite file is looked up beside it.
    DefFileWrite("sub/bg.sff", BgSffBytes({BgImageFill(0, 0, 3, 1, 2)}));
    DefFileWrite("sub/own.def", std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\n");
    BGDef *sub = BGLoadFile("sub/own.def", "BG");
    ASSERT_NE(sub, nullptr) << LibErrorMsg;
    ASSERT_NE(BGFindElemSlot(sub, 0), nullptr);
    EXPECT_EQ(BGFindElemSlot(sub, 0)->sprWidth, 3);
    BGFree(sub);
}

TEST_F(BgTest, ClearColourFromDebugBgOrBgClearColor)
{
    struct Case {
        const char *keys;
        int r, g, b;
    } cases[] = {
        {"", -1, 0, 0},
        {"bgclearcolor = 10,20,30\n", 10, 20, 30},
        {"debugbg = 0\nbgclearcolor = 10,20,30\n", -1, 0, 0},
        {"debugbg = 1\nbgclearcolor = 10,20,30\n", 255, 0, 255},
    };
    for (const Case &c : cases) {
        ASSERT_NE(Load(std::string(kDef) + c.keys + "[BG a]\ntype = dummy\n"), nullptr) << LibErrorMsg;
        EXPECT_EQ(bg->clearR, c.r) << c.keys;
        if (c.r != -1) {
            EXPECT_EQ(bg->clearG, c.g);
            EXPECT_EQ(bg->clearB, c.b);
        }
    }
    // Layer 0 clears with it, layer 1 does not.
    ASSERT_NE(Load(std::string(kDef) + "bgclearcolor = 255,0,255\n[BG a]\ntype = dummy\n"), nullptr);
    BGDrawLayer(bg, 1);
    EXPECT_EQ(Px(5, 5), 0);
    BGDrawLayer(bg, 0);
    EXPECT_EQ(Px(5, 5), Rgb565(31, 0, 31));
}

TEST_F(BgTest, ElementKeys)
{
    ASSERT_NE(Load(std::string(kDef) +
                   "[BG full]\ntype = Normal\nspriteno = 0,0\nlayerno = 1\nstart = 3, -4\ndelta = .5,.25\n"
                   "velocity = 1.5,-2\ntrans = add1\nmask = 1\nid = 9\ntile = 1,2\ntilespacing = 3,4\n"
                   "window = 1,2,30,40\nwindowdelta = .5,1\npositionlink = 1\nsin.x = 2, 30, 5\nsin.y = 1, 2\n"
                   "[BG alpha]\ntype = normal\nspriteno = 0,0\ntrans = addalpha\nalpha = 100,50\n"
                   "[BG defaults]\ntype = h\nspriteno = 0,0\nwindow = 1,2,3\n"
                   "[Begin Action 5]\n0,0, 0,0, -1\n"
                   "[BG anim]\ntype = Anim\nactionno = 5\ntrans = sub\ntilespacing = 0,-3\n"),
              nullptr)
        << LibErrorMsg;
    BGElem *e = E(0);
    EXPECT_EQ(e->kind, BG_KIND_NORMAL);
    EXPECT_EQ(e->layer, 1);
    EXPECT_EQ(e->startX, 3);
    EXPECT_EQ(e->startY, -4);
    EXPECT_FLOAT_EQ(e->deltaX, -0.5f);  // stored negated
    EXPECT_FLOAT_EQ(e->deltaY, -0.25f);
    EXPECT_FLOAT_EQ(e->velX, 1.5f);
    EXPECT_FLOAT_EQ(e->velY, -2.0f);
    EXPECT_EQ(e->trans, 3);
    EXPECT_EQ(e->alphaSrc, 256);
    EXPECT_EQ(e->alphaDst, 128);
    EXPECT_EQ(e->mask, 1);
    EXPECT_EQ(e->id, 9);
    EXPECT_EQ(e->tileX, 1);
    EXPECT_EQ(e->tileY, 2);
    EXPECT_EQ(e->tileSpaceX, 3);
    EXPECT_EQ(e->tileSpaceY, 4);
    EXPECT_EQ(e->window, 1);
    EXPECT_EQ(e->winX1, 1);
    EXPECT_EQ(e->winY1, 2);
    EXPECT_EQ(e->winX2, 30);
    EXPECT_EQ(e->winY2, 40);
    EXPECT_FLOAT_EQ(e->winDeltaX, 0.5f);
    EXPECT_FLOAT_EQ(e->winDeltaY, 1.0f);
    EXPECT_EQ(e->posLink, 1);
    EXPECT_FLOAT_EQ(e->sinX.amplitude, 2.0f);
    EXPECT_FLOAT_EQ(e->sinX.period, 30.0f);
    EXPECT_FLOAT_EQ(e->sinX.time, 5.0f);
    EXPECT_FLOAT_EQ(e->sinY.period, 2.0f);
    EXPECT_EQ(e->sprWidth, 4);
    EXPECT_EQ(e->sprHeight, 2);
    EXPECT_EQ(E(1)->trans, 3);
    EXPECT_EQ(E(1)->alphaSrc, 100);
    EXPECT_EQ(E(1)->alphaDst, 50);
    e = E(2);
    EXPECT_EQ(e->kind, BG_KIND_H);
    EXPECT_FLOAT_EQ(e->deltaX, -1.0f);
    EXPECT_EQ(e->trans, TRANS_NONE);
    EXPECT_EQ(e->window, 0);  // three values are not a window
    EXPECT_EQ(e->enabled, 1);
    EXPECT_EQ(e->visible, 1);
    EXPECT_EQ(e->pixelScale, 1);
    e = E(3);
    EXPECT_EQ(e->kind, BG_KIND_ANIM);
    EXPECT_EQ(e->trans, TRANS_NONE);  // its animation's own
    EXPECT_EQ(e->tileSpaceX, 1);
    EXPECT_EQ(e->tileSpaceY, 1);
    EXPECT_NE(e->anim, nullptr);
    EXPECT_EQ(bg->ownsAnims, 1);
}

TEST_F(BgTest, PositionsFromCameraTicksSinesAndLinks)
{
    ASSERT_NE(Load(std::string(kDef) +
                   "[BG lead-link]\ntype = dummy\nstart = 7,8\npositionlink = 1\n"
                   "[BG a]\ntype = dummy\nstart = 10,20\ndelta = .5,.25\nvelocity = 2,-1\nsin.x = 4, 20, 5\n"
                   "[BG linked]\ntype = dummy\nstart = 3,4\npositionlink = 1\n"
                   "[BG plain]\ntype = dummy\ndelta = 0.5\nwindow = 0,0,10,10\nwindowdelta = .5,.5\n"
                   "[BG par]\ntype = parallax\nspriteno = 0,0\nwidth = 4,8\nyscalestart = 100\nyscaledelta = 1.5\n"),
              nullptr)
        << LibErrorMsg;
    for (int i = 0; i < 5; i++)
        bg->tick++;
    BGSetCameraEx(bg, 100, 40, 0.5f, -1);
    EXPECT_FLOAT_EQ(E(0)->posX, 7.5f);  // a link on the first element follows 0
    EXPECT_FLOAT_EQ(E(0)->posY, 7.0f);
    // 10 + 2 x 5 - 100 x 0.5 + 4 sin(pi / 2), + 0.5
    EXPECT_NEAR(E(1)->posX, -25.5f, 1e-4);
    EXPECT_FLOAT_EQ(E(1)->posY, 20 - 5 - 10 - 1);
    EXPECT_EQ(E(1)->posXi, -25);  // floor(x + 0.5)
    EXPECT_NEAR(E(2)->posX, 3 + -26.0f + 0.5f, 1e-4);
    EXPECT_FLOAT_EQ(E(2)->posY, 4 + 5 - 1);
    EXPECT_FLOAT_EQ(E(3)->posX, -49.5f);  // delta 0.5 at camera 100: 50 to the left, then the extra
    EXPECT_EQ(E(3)->winOffX, 50);
    EXPECT_EQ(E(3)->winOffY, 20);
    BGSetCamera(bg, 101, -20);
    EXPECT_EQ(E(3)->winOffX, 51);  // 50.5 rounds up
    EXPECT_EQ(E(3)->winOffY, -10);
    EXPECT_EQ(E(4)->yScale, 700);  // 1000 - 20 x 15
    EXPECT_EQ(E(3)->posXi, -50);
    // Controller offsets add after the camera.
    E(3)->ctrlOffX = -0.6f;
    BGSetCamera(bg, 101, 0);
    EXPECT_EQ(E(3)->posXi, -51);  // -51.1
}

TEST_F(BgTest, ControllersActInTheirWindows)
{
    std::string text = std::string(kDef) +
                       "[BG one]\ntype = normal\nspriteno = 0,0\nid = 1\n"
                       "[BG eleven]\ntype = dummy\nid = 11\n"
                       "[BG ten]\ntype = dummy\nid = 10\nsin.x = 1, 4, 2\n"
                       "[BGCtrlDef a]\nlooptime = 30\nctrlid = 1\n"
                       "[BGCtrl move]\ntype = PosAdd\ntime = 10, 20\nx = 1\n"
                       "[BGCtrl once]\ntype = posadd\ny = 1\n"
                       "[BGCtrl anim]\ntype = anim\ntime = 0\nvalue = 5\n"
                       "[BGCtrlDef b]\nctrlid = 1,2,3,4,5,6,7,8,9,10,11\n"
                       "[BGCtrl hide]\ntype = visible\ntime = 0\nvalue = 0\n"
                       "[BGCtrl sine]\ntype = sinx\ntime = 3\nctrlid = 10\nvalue = 3, 12, 0\n"
                       "[BGCtrl push]\ntype = velset\ntime = 2,2\nctrlid = 11\nx = 2\n"
                       "[BGCtrl push more]\ntype = veladd\ntime = 4\nctrlid = 11\nx = .5\ny = -1\n";
    ASSERT_NE(Load(text), nullptr) << LibErrorMsg;
    ASSERT_EQ(bg->ctrlCount, 7);
    EXPECT_EQ(bg->ctrls[3].ids[9], 10);  // the eleventh id is cut
    EXPECT_EQ(bg->ctrls[0].loop, 30);
    EXPECT_EQ(bg->ctrls[3].loop, -1);
    std::vector<int> acted;
    float before = 0;
    for (int t = 0; t < 60; t++) {
        BGTick(bg);
        if (E(0)->ctrlOffX != before)
            acted.push_back(t);
        before = E(0)->ctrlOffX;
    }
    std::vector<int> want;
    for (int t = 10; t <= 20; t++)
        want.push_back(t);
    for (int t = 40; t <= 50; t++)
        want.push_back(t);
    EXPECT_EQ(acted, want);
    EXPECT_FLOAT_EQ(E(0)->ctrlOffY, 1.0f);  // no time: the first tick only
    EXPECT_EQ(E(0)->visible, 0);
    EXPECT_EQ(E(1)->visible, 1);  // id 11 was cut
    EXPECT_EQ(E(2)->visible, 0);
    EXPECT_FLOAT_EQ(E(2)->sinX.amplitude, 3.0f);
    EXPECT_FLOAT_EQ(E(2)->sinX.period, 12.0f);
    EXPECT_FLOAT_EQ(E(2)->sinX.time, 57);  // 0 at tick 3, then one per tick from that tick on
    EXPECT_FLOAT_EQ(E(1)->ctrlVelX, 2.5f);
    EXPECT_FLOAT_EQ(E(1)->ctrlVelY, -1.0f);
    // Ticks 2 and 3 at 2, then 56 ticks at 2.5.
    EXPECT_FLOAT_EQ(E(1)->ctrlOffX, 2 * 2 + 56 * 2.5f);

    BGReset(bg);
    EXPECT_EQ(bg->tick, 0);
    EXPECT_EQ(E(2)->visible, 1);
    EXPECT_FLOAT_EQ(E(1)->ctrlOffX, 0.0f);
    EXPECT_FLOAT_EQ(E(1)->ctrlVelX, 0.0f);
    EXPECT_FLOAT_EQ(E(2)->sinX.time, 2.0f);  // the file's phase
    for (int k = 0; k < bg->ctrlCount; k++)
        EXPECT_EQ(bg->ctrls[k].timer, 0);
    BGTick(bg);
    EXPECT_FLOAT_EQ(E(0)->ctrlOffY, 1.0f);  // acts again after a reset
}

TEST_F(BgTest, AnimControllerAndReset)
{
    ASSERT_NE(Load(std::string(kDef) + "[Begin Action 5]\n0,0, 0,0, -1\n[Begin Action 6]\n1,0, 0,0, -1\n"
                                       "[BG a]\ntype = anim\nactionno = 5\nstart = 10,20\n"
                                       "[BGCtrl a]\ntype = anim\ntime = 2\nvalue = 6\n",
                   {BgImageFill(0, 0, 2, 2, 4), BgImageFill(1, 0, 2, 2, 9)}),
              nullptr)
        << LibErrorMsg;
    BGSetCamera(bg, 0, 0);
    BGDrawAll(bg);
    EXPECT_EQ(DrawnCount(), 0);  // nothing shown before the first tick
    BGTick(bg);
    BGDrawAll(bg);
    EXPECT_EQ(Px(170, 20), BgRed(4));
    BGTick(bg);
    BGTick(bg);
    BGTick(bg);
    EXPECT_EQ(AnimObjActionNo(E(0)->anim), 6);
    BGDrawAll(bg);
    EXPECT_EQ(Px(171, 21), BgRed(9));
    BGReset(bg);
    EXPECT_EQ(AnimObjActionNo(E(0)->anim), 5);
}

TEST_F(BgTest, NormalElementPlacementMaskAndTransparency)
{
    std::vector<BgImage> images = {BgImageColumns(0, 0, 4, 2, 1, 0), BgImage{1, 0, 2, 1, 0, 0, {0, 5}}};
    ASSERT_NE(Load(std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\nstart = 10,20\n"
                                       "[BG opaque]\ntype = normal\nspriteno = 1,0\nstart = 0,50\n"
                                       "[BG masked]\ntype = normal\nspriteno = 1,0\nstart = 0,60\nmask = 1\n"
                                       "[BG add]\ntype = normal\nspriteno = 1,0\nstart = 0,70\ntrans = add\n"
                                       "[BG sub]\ntype = normal\nspriteno = 1,0\nstart = 0,80\ntrans = sub\n"
                                       "[BG alpha]\ntype = normal\nspriteno = 1,0\nstart = 0,90\ntrans = addalpha\n"
                                       "alpha = 256,256\n",
                   images),
              nullptr)
        << LibErrorMsg;
    clear_to_color(canvas, Rgb565(0, 0, 1));
    for (int x = 150; x < 170; x++)
        PixSet(canvas, x, 80, Rgb565(12, 0, 1));
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    // The stage's x 0 is the screen centre; the axis lands on the position.
    EXPECT_EQ(Px(168, 20), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(169, 20), BgRed(1));
    EXPECT_EQ(Px(172, 21), BgRed(4));
    EXPECT_EQ(Px(173, 20), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(160, 50), 0);  // colour 0 drawn without the mask
    EXPECT_EQ(Px(161, 50), BgRed(5));
    EXPECT_EQ(Px(160, 60), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(161, 60), BgRed(5));
    EXPECT_EQ(Px(161, 70), Rgb565(5, 0, 1));
    EXPECT_EQ(Px(161, 80), Rgb565(7, 0, 1));
    EXPECT_EQ(Px(161, 90), Rgb565(5, 0, 1));  // alpha 256,256 adds
    // Camera 100 with delta 1 moves it 100 to the left.
    clear_to_color(canvas, 0);
    BGSetCamera(bg, 100, 5);
    BGDrawLayer(bg, 0);
    EXPECT_EQ(Px(69, 15), BgRed(1));
}

TEST_F(BgTest, NeverDrawnKindsAndStates)
{
    ASSERT_NE(Load(std::string(kDef) + "[BG h]\ntype = h\nspriteno = 0,0\n[BG d]\ntype = dummy\n"
                                       "[BG off]\ntype = normal\nspriteno = 0,0\n[BG front]\ntype = normal\n"
                                       "spriteno = 0,0\nlayerno = 1\nstart = 0,100\n"),
              nullptr);
    BGSetCamera(bg, 0, 0);
    E(2)->visible = 0;
    BGDrawLayer(bg, 0);
    EXPECT_EQ(DrawnCount(), 0);
    E(2)->visible = 1;
    E(2)->enabled = 0;
    BGDrawLayer(bg, 0);
    EXPECT_EQ(DrawnCount(), 0);
    BGDrawLayer(bg, 1);
    EXPECT_EQ(DrawnCount(), 8);
    BGDrawAll(bg);
    EXPECT_EQ(DrawnCount(), 8);
}

TEST_F(BgTest, EndlessTileCoversTheWidthAtAnyCamera)
{
    ASSERT_NE(Load(std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\ntile = 1,0\nstart = 0,10\n",
                   {BgImageColumns(0, 0, 16, 1, 5, 0)}),
              nullptr);
    for (float cam : {0.0f, 13.0f, -13.0f, 100.4f, -1000.0f, 37.7f, -64.5f, 1e6f}) {
        clear_to_color(canvas, 0);
        BGSetCamera(bg, cam, 0);
        BGDrawLayer(bg, 0);
        int left = E(0)->posXi + 160 - 5;  // a copy's left edge
        for (int x = 0; x < PIX_W; x++) {
            int col = (int)(((x - (int64_t)left) % 16 + 16) % 16);
            ASSERT_EQ(Px(x, 10), BgRed(1 + col)) << "camera " << cam << " x " << x;
        }
        EXPECT_EQ(Px(0, 11), 0);
    }
}

TEST_F(BgTest, CountedTilesStepsAndRows)
{
    ASSERT_NE(Load(std::string(kDef) +
                   "[BG three]\ntype = normal\nspriteno = 0,0\ntile = 3,2\ntilespacing = 2,1\nstart = -150,10\n"
                   "[BG many]\ntype = normal\nspriteno = 0,0\ntile = 2000000000,0\nstart = -1000000,30\n"
                   "[BG packed]\ntype = normal\nspriteno = 0,0\ntile = 1,0\ntilespacing = -4,0\nstart = 0,40\n",
                   {BgImageColumns(0, 0, 4, 1)}),
              nullptr)
        << LibErrorMsg;
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    // Three copies 6 apart, two rows 2 apart.
    for (int y : {10, 12}) {
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(Px(10 + 6 * i, y), BgRed(1)) << i;
            EXPECT_EQ(Px(13 + 6 * i, y), BgRed(4)) << i;
            EXPECT_EQ(Px(14 + 6 * i, y), 0) << i;
        }
        EXPECT_EQ(Px(28, y), 0);
    }
    EXPECT_EQ(Px(10, 11), 0);
    EXPECT_EQ(Px(10, 14), 0);
    // Two thousand million copies: only those on screen are drawn, in step.
    for (int x = 0; x < PIX_W; x++) {
        int col = (int)(((x + 1000000 - 160) % 4 + 4) % 4);
        ASSERT_EQ(Px(x, 30), BgRed(1 + col)) << x;
    }
    // A step of 0 is taken as 1: every pixel starts a copy.
    for (int x = 0; x < PIX_W - 3; x++)
        ASSERT_EQ(Px(x, 40), BgRed(1)) << x;
}

TEST_F(BgTest, WindowsClipAndMoveWithTheCamera)
{
    ASSERT_NE(Load(std::string(kDef) +
                   "[BG a]\ntype = normal\nspriteno = 0,0\ntile = 1,1\nwindow = 100,50,149,59\n"
                   "windowdelta = 1,0\n[BG off]\ntype = normal\nspriteno = 0,0\ntile = 1,1\n"
                   "window = 400,50,500,59\n",
                   {BgImageFill(0, 0, 8, 8, 2)}),
              nullptr);
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    EXPECT_EQ(DrawnCount(), 50 * 10);  // the off-screen window shows nothing, not a strip at the edge
    EXPECT_EQ(Px(100, 50), BgRed(2));
    EXPECT_EQ(Px(149, 59), BgRed(2));
    EXPECT_EQ(Px(150, 59), 0);
    EXPECT_EQ(vbufTarget.x1, 0);  // the clip is put back
    EXPECT_EQ(vbufTarget.x2, PIX_W - 1);
    clear_to_color(canvas, 0);
    BGSetCamera(bg, 30, 0);
    BGDrawLayer(bg, 0);
    EXPECT_EQ(Px(70, 50), BgRed(2));
    EXPECT_EQ(Px(119, 50), BgRed(2));
    EXPECT_EQ(Px(120, 50), 0);
}

TEST_F(BgTest, PixelScaleTwoDoublesSpritesButNotParallax)
{
    ASSERT_NE(Load(std::string(kDef) + "[BG a]\ntype = normal\nspriteno = 0,0\nstart = 10,20\n"
                                       "[BG p]\ntype = parallax\nspriteno = 0,0\nwidth = 4,8\nstart = 0,100\n",
                   {BgImageColumns(0, 0, 4, 2)}),
              nullptr);
    BGSetPixelScale(bg, 2);
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    EXPECT_EQ(Px(180, 40), BgRed(1));
    EXPECT_EQ(Px(181, 43), BgRed(1));
    EXPECT_EQ(Px(182, 40), BgRed(2));
    EXPECT_EQ(Px(187, 43), BgRed(4));
    EXPECT_EQ(Px(188, 40), 0);
    EXPECT_EQ(Px(180, 44), 0);
    EXPECT_EQ(DrawnCount(), 32);
}

TEST_F(BgTest, ParallaxRowsByWidths)
{
    // Row r holds 1 + x + 8r, so resampling shows in the columns.
    BgImage img = BgImageFill(0, 0, 4, 3, 0, 0, 2);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            img.pixels[(size_t)y * 4 + x] = (uint8_t)(1 + x + 8 * y);
    ASSERT_NE(Load(std::string(kDef) + "[BG p]\ntype = parallax\nspriteno = 0,0\nwidth = 4,8\nstart = 0,100\n"
                                       "[BG one]\ntype = parallax\nspriteno = 1,0\nwidth = 5,9\nstart = 0,200\n",
                   {img, BgImageFill(1, 0, 3, 1, 6)}),
              nullptr)
        << LibErrorMsg;
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    // First row at 100 - axis 2; widths 4, 6, 8 centred on the screen.
    EXPECT_EQ(Px(157, 98), 0);
    EXPECT_EQ(Px(158, 98), BgRed(1));
    EXPECT_EQ(Px(161, 98), BgRed(4));
    EXPECT_EQ(Px(162, 98), 0);
    std::vector<uint16_t> row1, row2;
    for (int x = 157; x <= 163; x++)
        row1.push_back(Px(x, 99));
    EXPECT_EQ(row1, (std::vector<uint16_t>{BgRed(9), BgRed(9), BgRed(10), BgRed(11), BgRed(11), BgRed(12), 0}));
    for (int x = 156; x <= 163; x++)
        row2.push_back(Px(x, 100));
    EXPECT_EQ(row2, (std::vector<uint16_t>{BgRed(17), BgRed(17), BgRed(18), BgRed(18), BgRed(19), BgRed(19),
                                           BgRed(20), BgRed(20)}));
    EXPECT_EQ(Px(160, 101), 0);
    // A one-row sprite is its top width.
    EXPECT_EQ(Px(158, 200), BgRed(6));
    EXPECT_EQ(Px(162, 200), BgRed(6));
    EXPECT_EQ(Px(163, 200), 0);

    // Half the y scale: the counter from 500 shows row 0 once, then each row about twice.
    clear_to_color(canvas, 0);
    BGDrawParallax(bg, E(0), 500);
    std::vector<uint16_t> col;
    for (int y = 95; y <= 101; y++)
        col.push_back(Px(160, y));
    // The first row moves up to 100 - 2 x 1000 / 500.
    EXPECT_EQ(col, (std::vector<uint16_t>{0, BgRed(3), BgRed(11), BgRed(11), BgRed(19), BgRed(19), 0}));
    // A y scale of 0 or less draws nothing.
    clear_to_color(canvas, 0);
    BGDrawParallax(bg, E(0), 0);
    BGDrawParallax(bg, E(0), -300);
    EXPECT_EQ(DrawnCount(), 0);
}

TEST_F(BgTest, ParallaxRowsByXScaleTileAndMask)
{
    BgImage img = BgImageRows(0, 0, 8, 3);
    img.pixels[0] = 0;
    ASSERT_NE(Load(std::string(kDef) + "[BG p]\ntype = parallax\nspriteno = 0,0\nxscale = 1,2\nstart = 10,100\n"
                                       "[BG t]\ntype = parallax\nspriteno = 0,0\nwidth = 8,16\ntile = 1\n"
                                       "start = 3,150\nmask = 1\n",
                   {img}),
              nullptr)
        << LibErrorMsg;
    EXPECT_EQ(E(0)->parTopWidth, 8);
    EXPECT_EQ(E(0)->parBottomWidth, 16);
    clear_to_color(canvas, Rgb565(0, 0, 1));
    for (int x = 150; x < 170; x++)
        PixSet(canvas, x, 80, Rgb565(12, 0, 1));
    BGSetCamera(bg, 0, 0);
    BGDrawLayer(bg, 0);
    // Each row shifts by x x ((2 - 1) x (r + 1) / 3 + 1): 13.3, 16.7, 20.
    EXPECT_EQ(Px(172, 100), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(173, 100), 0);  // colour 0 drawn without the mask
    EXPECT_EQ(Px(180, 100), BgRed(1));
    EXPECT_EQ(Px(181, 100), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(176, 101), BgRed(2));
    EXPECT_EQ(Px(175, 101), Rgb565(0, 0, 1));
    EXPECT_EQ(Px(180, 102), BgRed(3));
    EXPECT_EQ(Px(187, 102), BgRed(3));
    // Tiled rows fill the whole width; the masked 0 leaves its pixel.
    int masked = 0;
    for (int x = 0; x < PIX_W; x++) {
        uint16_t c = Px(x, 150);
        if (c == Rgb565(0, 0, 1))
            masked++;
        else
            ASSERT_EQ(c, BgRed(1)) << x;
        ASSERT_EQ(Px(x, 152), BgRed(3)) << x;
    }
    EXPECT_EQ(masked, 40);  // one in every 8
}

}  // namespace
