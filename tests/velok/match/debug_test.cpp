// Debug overlay: its lines for the followed player, placeholders, colours, and where the round loop draws it.
#include "velok/match/debug.h"

#include <string>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/textbuf.h"
#include "support/fontkit.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "velok/match/gameloop.h"
#include "velok/player/p-update.h"

namespace {

const int white = Rgb565(31, 63, 31);
const int green = Rgb565(27, 50, 25);
const int foreign = Rgb565(15, 63, 31);

class Overlay : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        CharKit kit = FieldKitChar();
        kit.air += AirAction(4, {"; no element"});
        Field(2, kit);
        gv->debugPlayer = 1;
        gv->cfg.debug.debug = 1;
    }
    void TearDown() override
    {
        FontFree(gv->sysFont[0]);
        gv->sysFont[0] = nullptr;
        RoundField::TearDown();
    }
    DebugOverlayText Text()
    {
        DebugOverlayText t;
        DebugOverlayTextGet(&t);
        return t;
    }
};

TEST_F(Overlay, LinesOfTheFollowedPlayer)
{
    Player *pl = P(1);
    PlayerAnimSet(pl, 10);
    PlayerStateSet(pl, 200);
    pl->state.stateExists = 1;
    pl->state.ctrl = 1;
    pl->state.time = 5;
    gv->gameTick = 1234;
    gv->cfg.video.vretrace = 1;
    disp.noFrameWait = 0;
    disp.frameSkip = -1;

    DebugOverlayText t = Text();
    EXPECT_EQ(std::string(t.frames).rfind("Frames: 1234 (", 0), 0u) << t.frames;
    EXPECT_NE(std::string(t.frames).find(" FPS)"), std::string::npos) << t.frames;
    EXPECT_STREQ(t.speed, "VRet: 1, Speed: 0, Skip: a");
    EXPECT_EQ(t.shown, 1);
    EXPECT_STREQ(t.name, "P1 56 (0)") << "slot 1 is not id + 1";
    EXPECT_EQ(t.nameColour, green);
    EXPECT_STREQ(t.action, "ActionID: 10; Spr: 0,0; Elemno: 1/3; Time: 0/12");
    EXPECT_EQ(t.actionColour, white);
    EXPECT_STREQ(t.state, "State no: 200; Ctrl: 1; Type: 1; Movetype 0; Time: 5");
    EXPECT_EQ(t.stateColour, white);

    pl->id = 0;
    EXPECT_STREQ(Text().name, "P1 0");

    // Running in player 2's states, with player 2's animations.
    pl->state.customList = P(2)->state.ownList;
    pl->state.customOwnerId = P(2)->id;
    pl->animOverride = PlayerOwnAnims(P(2));
    t = Text();
    EXPECT_STREQ(t.name, "P1 0 (in P2 57's state rc)");
    EXPECT_EQ(t.stateColour, foreign);
    EXPECT_EQ(t.actionColour, foreign);
    pl->state.customList = nullptr;
    pl->animOverride = nullptr;
}

TEST_F(Overlay, PlaceholdersAndInvalidMarks)
{
    Player *pl = P(1);
    struct Case {
        int action;       // -1: leave as it is
        int invalidAction;
        int stateNo, stateExists;
        const char *actionText, *stateEnd;
    } cases[] = {
        {4, 0, 200, 1, "ActionID: 4; Spr: -,-; Elemno: -/0; Time: 0/0", "Time: 0"},
        {-1, 1, 300, 0, "ActionID: -; Spr: -,-; Elemno: -/-; Time: -/- (invalid)", "Time: 0 (invalid)"},
        {10, 0, 150, 0, "ActionID: 10; Spr: 0,0; Elemno: 1/3; Time: 0/12", "Time: 0"},
        {10, 0, 200, 0, "ActionID: 10; Spr: 0,0; Elemno: 1/3; Time: 0/12", "Time: 0 (invalid)"},
    };
    for (const Case &c : cases) {
        if (c.action >= 0)
            PlayerAnimSet(pl, c.action);
        pl->invalidAction = c.invalidAction;
        pl->state.stateNo = c.stateNo;
        pl->state.stateExists = c.stateExists;
        pl->state.time = 0;
        DebugOverlayText t = Text();
        EXPECT_STREQ(t.action, c.actionText);
        std::string state = t.state;
        EXPECT_EQ(state.substr(state.size() - strlen(c.stateEnd)), c.stateEnd) << state;
    }

    // An animation player whose action is gone from its set.
    PlayerAnimSet(pl, 10);
    pl->anim->actionSlot = 99;
    EXPECT_STREQ(Text().action, "ActionID: -; Spr: -,-; Elemno: -/-; Time: -/-");

    // A slot without an enabled player.
    gv->debugPlayer = 3;
    DebugOverlayText t = Text();
    EXPECT_EQ(t.shown, 0);
    EXPECT_STREQ(t.name, "Player 2 Disabled");
    EXPECT_EQ(t.nameColour, green);
    PlayerEnableSet(2, 0);
    gv->debugPlayer = 2;
    EXPECT_STREQ(Text().name, "Player 1 Disabled");

    // Frame-skip settings of more than one digit are written out.
    for (auto [skip, text] : {std::pair{2, "Skip: 2"}, {2000, "Skip: 2000"}, {-1, "Skip: a"}}) {
        disp.frameSkip = skip;
        std::string speed = Text().speed;
        EXPECT_EQ(speed.substr(speed.find("Skip")), text);
    }
}

TEST_F(Overlay, DrawnAtTheBottomWhenTheLoopShowsIt)
{
    // One glyph, 3 wide and 5 high, for the first letter of every line.
    FntSpec spec;
    spec.pcx = PcxBytes(FntGlyphStrip({3}, 5, 200));
    spec.text = FntDefText({"size = 4,5", "spacing = 1,2", "colors = 1"},
                           {"F 0 3", "V 0 3", "P 0 3", "A 0 3", "S 0 3", "W 0 3", "C 0 3"});
    WriteFileText("f.fnt", FntBytes(spec));
    gv->sysFont[0] = FontLoad("f.fnt");
    ASSERT_NE(gv->sysFont[0], nullptr);
    TextBufPrintf(gv->warnLog, "W");
    TextBufPrintf(P(1)->clipboard, "C");
    GameLoopEnter(GAMELOOP_MATCH);
    StateAt(2, 10);
    // A plain field under the overlay.
    gv->envColorTime = -1;
    gv->envColor = Rgb565(0, 20, 0);
    gv->demoCfg.fightEndTime = 100000;

    const int h = PIX_H;
    struct Probe {
        int x, y, colour;
    } shown[] = {{10, h - 39, white}, {110, h - 39, white}, {10, h - 31, green}, {10, h - 24, white},
                 {10, h - 17, white}, {10, 50, white},      {10, h - 10, white}};
    Frame();
    for (const Probe &p : shown)
        EXPECT_EQ(Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;

    // Not in a demo unless the motif asks, nor without a followed player or
    // with the display off.
    struct Gate {
        int demo, demoInfo, player, display, drawn;
    } gates[] = {{1, 0, 1, 1, 0}, {1, 1, 1, 1, 1}, {0, 0, 0, 1, 0}, {0, 0, 1, 0, 0}};
    for (const Gate &g : gates) {
        gv->demo = g.demo;
        gv->demoCfg.debugInfo = g.demoInfo;
        gv->debugPlayer = g.player;
        gv->cfg.debug.debug = g.display;
        Frame();
        EXPECT_EQ(Pixel(10, h - 39) == white, g.drawn == 1) << g.demo << g.demoInfo << g.player << g.display;
    }
    gv->demo = 0;

    // A disabled player: its name line only, and no clipboard.
    gv->debugPlayer = 3;
    gv->cfg.debug.debug = 1;
    Frame();
    EXPECT_EQ(Pixel(10, h - 31), green);
    EXPECT_EQ(Pixel(10, h - 24), Rgb565(0, 20, 0));
    EXPECT_EQ(Pixel(10, h - 10), Rgb565(0, 20, 0));
    GameLoopLeave();
}

} // namespace
