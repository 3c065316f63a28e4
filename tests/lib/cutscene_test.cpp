// Storyboards: reading and its errors, scene timing, fades, music hooks, layers and drawing.
#include "lib/cutscene.h"

#include <allegro.h>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"

namespace {

std::vector<std::string> hookCalls;

void HookPlay(const char *path, int loop)
{
    hookCalls.push_back("play " + std::string(path) + " " + std::to_string(loop));
}

void HookStop()
{
    hookCalls.push_back("stop");
}

const char *kDef = "[SceneDef]\nspr = sb.sff\n";

struct CutsceneTest : PixCanvasTest {
    Storyboard *sb = nullptr;

    void SetUp() override
    {
        PixCanvasTest::SetUp();
        hookCalls.clear();
    }
    void TearDown() override
    {
        StoryboardFree(sb);
        PixCanvasTest::TearDown();
    }
    // Writes "story/sb.def" and its sprites "story/sb.sff": image (1, 0) is 4x4
    // of red 5, image (2, 0) 4x4 of red 9.
    Storyboard *Load(const std::string &text)
    {
        DefFileWrite("story/sb.def", text);
        DefFileWrite("story/sb.sff", BgSffBytes({BgImageFill(1, 0, 4, 4, 5), BgImageFill(2, 0, 4, 4, 9)}));
        StoryboardFree(sb);
        LibErrorMsg[0] = 0;
        sb = StoryboardLoad("story/sb.def", "Scene", nullptr, nullptr);
        if (sb)
            StoryboardSetBgmHooks(sb, HookPlay, HookStop);
        return sb;
    }
    StoryboardData *D() { return sb->data; }
    uint16_t Px(int x, int y) { return PixGet(canvas, x, y); }
    void Ticks(int n)
    {
        for (int i = 0; i < n; i++)
            StoryboardTick(sb);
    }
};

TEST_F(CutsceneTest, LoadErrorsNameTheProblem)
{
    const std::string tail = "\nCutscene error reading story/sb.def";
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {"[Scene 1]\nend.time = 5\n", "Can't access group Scenedef" + tail},
        {"[SceneDef]\n[Scene 1]\nend.time = 5\n", "Error: sff file must be specified" + tail},
        {"[SceneDef]\nspr = none.sff\n[Scene 1]\nend.time = 5\n", "Error reading sprite story/none.sff" + tail},
        {std::string(kDef) + "[Scenes 1]\nend.time = 5\n", "Need at least one [Scene] type act" + tail},
        {std::string(kDef) + "[Scene 1]\nend.time = 5\n[Scene two]\nbgm = x.mid\n",
         "\nIn Scene two: end.time not specified." + tail},
        {std::string(kDef) + "[Scene 1]\nend.time = 5\nbg.name = Back\n", "Can't access group Backdef" + tail},
        {std::string(kDef) + "[Begin Action 1]\n0,0\n[Scene 1]\nend.time = 5\n", "\nError loading anim." + tail},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Load(c.text), nullptr) << c.text;
        std::string msg = LibErrorMsg;
        if (c.message.rfind("\nError loading anim.", 0) == 0)  // after the reader's own reason
            EXPECT_TRUE(msg.size() > c.message.size() && msg.ends_with(c.message)) << msg;
        else
            EXPECT_EQ(msg, c.message) << c.text;
    }

    EXPECT_EQ(StoryboardLoad("missing.def", "Scene", nullptr, nullptr), nullptr);
    EXPECT_STREQ(LibErrorMsg, "\nTXTPARSE error opening missing.def");
}

TEST_F(CutsceneTest, TicksWalkTheScenesAndTheLastOneEndsThePlay)
{
    ASSERT_TRUE(Load(std::string(kDef) + "[Scene a]\nend.time = 2\n[Scene b]\nend.time = 3\n"));
    struct Step {
        int scene, timer, result;
    } expected[] = {{0, 1, 0}, {0, 2, 0}, {1, 1, 0}, {1, 2, 0}, {1, 3, 1}};
    for (const Step &e : expected) {
        int result = StoryboardTick(sb);
        EXPECT_EQ(result, e.result);
        EXPECT_EQ(D()->scene, e.scene);
        EXPECT_EQ(D()->timer, e.timer);
    }
    EXPECT_EQ(D()->tickCount, 4) << "the ending tick is not counted";

    // The start scene; one outside the scenes ends at the first tick.
    struct Start {
        int scene, firstScene, firstResult;
    } starts[] = {{1, 1, 0}, {2, 2, 1}, {-1, -1, 1}};
    for (const Start &s : starts) {
        ASSERT_TRUE(Load(std::string(kDef) + "startscene = " + std::to_string(s.scene) +
                         "\n[Scene a]\nend.time = 2\n[Scene b]\nend.time = 3\n"));
        EXPECT_EQ(StoryboardTick(sb), s.firstResult) << s.scene;
        EXPECT_EQ(D()->scene, s.firstScene);
        StoryboardDraw(sb);  // nothing to draw, nothing touched
        StoryboardFade(sb);
    }

    ASSERT_TRUE(Load(std::string(kDef) + "[Scene a]\nend.time = -1\n"));
    for (int i = 0; i < 1000; i++)
        ASSERT_EQ(StoryboardTick(sb), 0) << "a scene without end";

    // A restart goes back to the start scene.
    ASSERT_TRUE(Load(std::string(kDef) + "[Scene a]\nend.time = 2\n[Scene b]\nend.time = 3\n"));
    Ticks(5);
    StoryboardRestart(sb);
    EXPECT_EQ(D()->scene, 0);
    EXPECT_EQ(D()->timer, 0);
    EXPECT_EQ(StoryboardTick(sb), 0);
}

TEST_F(CutsceneTest, FadesInAndOutThroughTheGlobalEffect)
{
    struct Case {
        std::string scene;
        std::vector<int> ticks;   // the tick count at each look
        std::vector<int> levels;  // -1: no fade set
    } cases[] = {
        // Fade-in over 10 ticks, fade-out over the last 20 of 100.
        {"fadein.time = 10\nfadeout.time = 20\nend.time = 100\n",
         {1, 6, 11, 12, 80, 81, 90, 100},
         {0, 128, 256, -1, -1, 243, 128, 0}},
        // White both ways.
        {"fadein.time = 10\nfadein.col = 255\nfadeout.time = 20\nfadeout.col = 128\nend.time = 100\n",
         {1, 6, 81, 100},
         {512, 384, 269, 512}},
        // No fade-in time: full at once; no fade-out without end.
        {"fadein.time = 0\nfadeout.time = 20\nend.time = -1\n", {1, 2, 500}, {256, -1, -1}},
    };
    for (const Case &c : cases) {
        // A second scene, so the first one's last tick is played and faded.
        ASSERT_TRUE(Load(std::string(kDef) + "[Scene a]\n" + c.scene + "[Scene b]\nend.time = 5\n"));
        int done = 0;
        for (size_t i = 0; i < c.ticks.size(); i++) {
            Ticks(c.ticks[i] - done);
            done = c.ticks[i];
            EXPECT_EQ(StoryboardDataFadeLevel(D()), c.levels[i]) << c.scene << " tick " << done;
            PalFxGlobalReset();
            StoryboardFade(sb);
            const PalFxParams &g = PalFxGlobalGet()->cur;
            int v = c.levels[i];
            if (v > 256) {
                EXPECT_EQ(g.addR, v - 256);
                EXPECT_EQ(g.mulB, 256);
            } else {
                EXPECT_EQ(g.mulG, v < 0 ? 256 : v);
                EXPECT_EQ(g.addR, 0);
            }
        }
    }
}

TEST_F(CutsceneTest, MusicHooksFollowTheScenes)
{
    ASSERT_TRUE(Load(std::string(kDef) +
                     "[Scene 1]\nbgm = one.mid\nend.time = 1\n"       // plays
                     "[Scene 2]\nend.time = 1\n"                      // keeps it
                     "[Scene 3]\nbgm =\nend.time = 1\n"               // stops it, plays nothing
                     "[Scene 4]\nbgm = two.mod\nbgm.loop = 0\nend.time = 1\n"
                     "[Scene 5]\nbgm = three.mid\nend.time = 5\n"));
    std::vector<std::vector<std::string>> perScene = {
        {"play story/one.mid 1"}, {}, {"stop"}, {"play story/two.mod 0"}, {"stop", "play story/three.mid 1"}};
    for (size_t i = 0; i < perScene.size(); i++) {
        hookCalls.clear();
        StoryboardTick(sb);
        EXPECT_EQ(hookCalls, perScene[i]) << "scene " << i + 1;
    }
    hookCalls.clear();
    StoryboardRestart(sb);
    EXPECT_EQ(hookCalls, std::vector<std::string>{"stop"});
    hookCalls.clear();
    StoryboardRestart(sb);
    EXPECT_TRUE(hookCalls.empty()) << "nothing playing, nothing stopped";
    StoryboardTick(sb);
    hookCalls.clear();
    StoryboardFree(sb);
    sb = nullptr;
    EXPECT_EQ(hookCalls, std::vector<std::string>{"stop"});

    // Without hooks nothing is called and nothing counts as started.
    DefFileWrite("story/quiet.def", std::string(kDef) + "[Scene 1]\nbgm = one.mid\nend.time = 1\n");
    sb = StoryboardLoad("story/quiet.def", "Scene", nullptr, nullptr);
    ASSERT_TRUE(sb);
    StoryboardTick(sb);
    EXPECT_EQ(D()->bgmStarted, 0);
}

TEST_F(CutsceneTest, LayersStartOnTimeAndScenesDrawInOrder)
{
    std::string text = std::string(kDef) + AirAction(10, {AirElemLine(1, 0, 0, 0, -1)}) +
                       AirAction(20, {AirElemLine(2, 0, 0, 0, -1)}) +
                       "[Scene a]\nclearcolor = 0,0,255\nwindow = 0,0,159,239\nlayerall.pos = 100,50\n"
                       "layer0.anim = 10\nlayer0.offset = 10,20\nlayer0.starttime = 30\n"
                       "layer1.anim = 99\n"  // no such action: never shown
                       "layer2.anim = 20\nlayer2.offset = 100,0\n"
                       "bg.name = Back\nend.time = 40\n"
                       "[Scene b]\nlayer2.anim = 20\nlayer2.offset = 0,100\n"
                       "layer3.anim = 10\nlayer3.offset = 150,100\nend.time = 10\n"
                       "[BackDef]\n[Back tile]\ntype = normal\nspriteno = 2,0\nstart = 0,0\ntile = 1,1\n"
                       "layerno = 0\n";
    ASSERT_TRUE(Load(text));
    const uint16_t blue = Rgb565(0, 0, 31);
    auto frame = [&] {
        clear_to_color(canvas, 0);
        StoryboardDraw(sb);
    };

    Ticks(30);
    frame();
    EXPECT_EQ(D()->layerStarted[0], 0) << "not yet at tick 29";
    EXPECT_EQ(D()->layerStarted[1], 0);
    EXPECT_EQ(Px(110, 70), BgRed(9)) << "the tiled background shows through";
    EXPECT_EQ(Px(200, 100), blue) << "outside the window the clear colour stays";
    Ticks(1);
    frame();
    EXPECT_EQ(D()->layerStarted[0], 1) << "shown at tick 30";
    EXPECT_EQ(Px(110, 70), BgRed(5)) << "layerall + offset";
    EXPECT_EQ(Px(109, 70), BgRed(9));
    EXPECT_EQ(Px(200, 50), blue) << "layer 2 at x 200 lies outside the window";
    EXPECT_EQ(D()->layerStarted[1], 0) << "a missing action stays hidden";

    // The next scene keeps the clear colour, the window and the common
    // position, and its layer 2 goes on with the same action.
    Ticks(10);
    ASSERT_EQ(D()->scene, 1);
    frame();
    EXPECT_EQ(Px(100, 150), BgRed(9)) << "layer 2 now at (100, 150), same action";
    EXPECT_EQ(Px(110, 70), blue) << "layer 0 is not started in this scene; no background";
    EXPECT_EQ(D()->layerStarted[3], 1);
    EXPECT_EQ(Px(250, 150), blue) << "the window still clips layer 3";
    int clip[4];
    VbufClipSave(clip);
    EXPECT_EQ(clip[2], 319) << "the clip rectangle is put back";
}

}  // namespace
