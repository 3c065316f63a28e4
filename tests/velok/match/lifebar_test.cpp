// Fight-screen drawing: bar fills through clipping, bar sets, texts, win icons, life and power followers, combo counters, win icons at a KO, and the round loop's passes.
#include "velok/match/lifebar.h"

#include <allegro.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/array.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/vbuf.h"
#include "support/fightkit.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "velok/core/common.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/round.h"
#include "velok/player/p-update.h"

namespace {

class Bars : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        LogStateReset();
        WriteFileText("sys.fnt", FightKitFont());
        gv->sysFont[0] = FontLoad("sys.fnt");
        ASSERT_NE(gv->sysFont[0], nullptr);
        kit.Group("Files").push_back("font0 = kit.fnt");
        for (int slot = 1; slot <= 4; slot++)
            P(slot)->powerMax = 3000;
    }
    void TearDown() override
    {
        FightDataFree();
        FontFree(gv->sysFont[0]);
        gv->sysFont[0] = nullptr;
        LogStateReset();
        RoundField::TearDown();
    }
    void Load() { ASSERT_EQ(FightDefLoad(kit.Write().c_str()), 1) << gv->errorText; }
    void Clear() { clear_to_color(canvas, 0); }
    // The first drawn pixel as "x,y", or "" when the bitmap is all black.
    static std::string Drawn(BITMAP *bmp)
    {
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                if (PixGet(bmp, x, y))
                    return std::to_string(x) + "," + std::to_string(y);
        return "";
    }
    std::vector<uint16_t> Row(int y)
    {
        std::vector<uint16_t> row;
        for (int x = 0; x < PIX_W; x++)
            row.push_back(Pixel(x, y));
        return row;
    }
    // A row that is black outside the kit bar drawn at x 50 and blue inside,
    // but for the given spans.
    struct Span {
        int from, to;
        uint16_t colour;
    };
    static std::vector<uint16_t> BarRow(std::initializer_list<Span> spans)
    {
        std::vector<uint16_t> row(PIX_W, 0);
        for (int x = 50; x < 150; x++)
            row[x] = FK_BLUE;
        for (const Span &s : spans)
            for (int x = s.from; x <= s.to; x++)
                row[x] = s.colour;
        return row;
    }
    void AddTarget(Player *holder, Player *target)
    {
        PlayerTarget t{};
        t.target = target;
        ArrayAdd(holder->targets, &t, 0, 0);
    }
    int TargetCount(Player *holder) { return holder->targets ? holder->targets->used : 0; }

    FightKit kit = FightKitMake();
};

} // namespace

TEST_F(Bars, LifeBarFillsFromItsAnchoredEnd)
{
    struct Case {
        const char *range;
        int shown, red;
        std::vector<uint16_t> row;
    } cases[] = {
        // Drawn from right to left: the front holds the right end and the red
        // part lies left of it, one pixel apart.
        {"99,-1", 400, 700, BarRow({{110, 149, FK_RED}, {80, 108, FK_GREEN}})},
        {"-1,99", 400, 700, BarRow({{50, 88, FK_RED}, {90, 118, FK_GREEN}})},
        {"99,-1", 0, 300, BarRow({{120, 149, FK_GREEN}})},
        {"99,-1", 1000, 1000, BarRow({{50, 149, FK_RED}})},
    };
    for (const Case &c : cases) {
        kit.Group("Lifebar") = {"p1.pos = 50,10", std::string("p1.range.x = ") + c.range, "p1.bg0.spr = 1,0",
                                "p1.mid.spr = 2,0", "p1.front.spr = 3,0"};
        Load();
        P(1)->lifeShown[0] = c.shown;
        P(1)->lifeShown[1] = c.red;
        Clear();
        LifebarDraw(0);
        EXPECT_TRUE(Row(11) == c.row) << c.range << " " << c.shown << "/" << c.red;
        if (!(Row(11) == c.row))
            PixSavePcx(canvas, "lifebar-fill");
        EXPECT_EQ(vbufTarget.x1, 0) << "the clip is restored";
        EXPECT_EQ(vbufTarget.x2, PIX_W - 1);
    }
}

TEST_F(Bars, PowerBarsAndTheirLayers)
{
    kit.Group("Powerbar") = {"p1.pos = 50,30",    "p1.range.x = 0,99", "p1.bg0.spr = 1,0", "p1.front.spr = 3,0",
                             "p1.front.layerno = 1", "p2.pos = 50,40", "p2.range.x = 99,0", "p2.bg1.spr = 1,0",
                             "p2.front.spr = 3,0"};
    Load();
    P(1)->powerShown = 1500;
    P(2)->powerShown = 750;
    LifebarDraw(0);
    EXPECT_TRUE(Row(31) == BarRow({})) << "player 1's front lies in pass 1";
    EXPECT_TRUE(Row(41) == BarRow({{125, 149, FK_RED}})) << "a power fill counts hi - lo + 1 pixels";
    LifebarDraw(1);
    EXPECT_TRUE(Row(31) == BarRow({{50, 99, FK_RED}}));

    // A power maximum of 0 counts as 1 and the fill is clipped to the target.
    P(1)->powerMax = 0;
    Clear();
    LifebarDraw(1);
    EXPECT_TRUE(Row(31) == BarRow({{50, 149, FK_RED}}));
}

TEST_F(Bars, TeamsChooseTheBarSet)
{
    kit.Group("Lifebar") = {"p1.pos = 50,10", "p1.bg0.spr = 1,0"};
    kit.Group("Turns Lifebar") = {"p1.pos = 50,20", "p1.bg0.spr = 1,0"};
    kit.Group("Simul Lifebar") = {"p1.pos = 50,30", "p1.bg0.spr = 1,0", "p3.pos = 50,40", "p3.bg0.spr = 1,0"};
    Load();
    struct Case {
        const char *name;
        int groups, partner;
        std::vector<int> rows;
    } cases[] = {
        {"single", 1, 0, {10}},
        {"turns", 3, 0, {20}},
        {"simul", 1, 1, {30, 40}},
    };
    for (const Case &c : cases) {
        gv->teams[0].entryCount = c.groups;
        P(3)->enabled = c.partner;
        Clear();
        LifebarDraw(0);
        for (int y : {10, 20, 30, 40}) {
            bool want = std::find(c.rows.begin(), c.rows.end(), y) != c.rows.end();
            EXPECT_EQ(Pixel(60, y + 1), want ? FK_BLUE : 0) << c.name << " row " << y;
        }
    }
}

TEST_F(Bars, DebugNumbersBesideTheFront)
{
    kit.Group("Lifebar") = {"p1.pos = 50,10", "p1.range.x = 99,-1", "p1.front.spr = 3,0", "p1.front.layerno = 1"};
    Load();
    P(1)->life = 400;
    P(1)->lifeShown[0] = 400;
    P(1)->lifeShown[1] = 700;
    PlayerEnableSet(2, 0);  // its bar, without a front, shows its numbers in pass 0
    auto count = [this](uint16_t colour) {
        int n = 0;
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                n += Pixel(x, y) == colour;
        return n;
    };
    const uint16_t lifeColour = Rgb565(16, 32, 0), lostColour = Rgb565(16, 0, 0);
    for (int debug : {0, 1}) {
        gv->cfg.debug.debug = debug;
        for (int pass : {0, 1}) {
            Clear();
            LifebarDraw(pass);
            bool want = debug && pass == 1;
            EXPECT_EQ(count(lifeColour) > 0, want) << debug << " " << pass;
            EXPECT_EQ(count(lostColour) > 0, want) << debug << " " << pass;
        }
    }
    // Left of the front on a bar drawn from right to left.
    for (int y = 0; y < PIX_H; y++)
        for (int x = 110; x < PIX_W; x++)
            EXPECT_NE(Pixel(x, y), lifeColour) << x << "," << y;
}

TEST_F(Bars, FacesUseThePlayersSpritesAndTurnsShowTheTeammates)
{
    kit.Group("Face") = {"p1.pos = 100,100", "p1.face.spr = 9000,0", "p2.pos = 200,100", "p2.face.spr = 9000,0"};
    kit.Group("Turns Face") = {"p1.teammate.pos = 0,150", "p1.teammate.spacing = 120,0", "p1.teammate.bg.spr = 1,0",
                               "p1.teammate.ko.spr = 4,0", "p1.teammate.ko.offset = 1,0"};
    Load();
    // The players' own faces: red on the left, blue on the right.
    PcxSpec face;
    face.width = 4;
    face.height = 1;
    face.pixels = {1, 1, 3, 3};
    face.palette.assign(256 * 3, 0);
    face.palette[3] = 248;
    face.palette[3 * 3 + 2] = 248;
    SffEntry e;
    e.group = 9000;
    e.pcx = PcxBytes(face);
    WriteFileText("face.sff", SffBytes({e}));
    SprSet *spr = SprLoad("face.sff");
    ASSERT_NE(spr, nullptr);
    SprSet *own[2] = {P(1)->palInUse, P(2)->palInUse};
    P(1)->palInUse = P(2)->palInUse = spr;
    LifebarDraw(0);
    auto run = [this](int y) {
        std::vector<uint16_t> px;
        for (int x = 0; x < PIX_W; x++)
            if (Pixel(x, y))
                px.push_back(Pixel(x, y));
        return px;
    };
    std::vector<uint16_t> row = run(100);
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(std::vector<uint16_t>(row.begin(), row.begin() + 4),
              (std::vector<uint16_t>{FK_RED, FK_RED, FK_BLUE, FK_BLUE}));
    EXPECT_EQ(std::vector<uint16_t>(row.begin() + 4, row.end()),
              (std::vector<uint16_t>{FK_BLUE, FK_BLUE, FK_RED, FK_RED}))
        << "player 2's face faces the other way";

    // Turns: the waiting member after the current one, then the beaten one
    // with its KO mark.
    gv->teams[0].entryCount = 3;
    gv->teams[0].current = 1;
    Clear();
    LifebarDraw(0);
    EXPECT_EQ(Pixel(1, 151), FK_BLUE);
    EXPECT_EQ(Pixel(121, 151), FK_WHITE);
    EXPECT_EQ(Pixel(2, 151), FK_BLUE) << "no KO mark on the waiting member";
    EXPECT_EQ(Pixel(241, 151), 0) << "no third place";
    P(1)->palInUse = own[0];
    P(2)->palInUse = own[1];
    SprSetFree(spr);
}

TEST_F(Bars, TextsShowTheirValues)
{
    kit.Group("Time") = {"pos = 160,20", "counter.font = 0,0,0"};
    kit.Group("Name") = {"p1.pos = 10,50", "p1.name.font = 0,0,1"};
    kit.Group("Powerbar") = {"p2.pos = 300,70", "p2.counter.font = 0,0,-1"};
    kit.Group("WinIcon") = {"useiconupto = 3", "p2.pos = 250,90", "p2.counter.font = 0,0,1"};
    Load();
    Font *font = gv->fightFonts[0];
    struct Text {
        std::string text;
        int x, y, align;
    };
    // What the texts show with no time left, no name, no power and no wins.
    const Text base[4] = {{"0", 160, 20, 0}, {"", 10, 50, 1}, {"0", 300, 70, -1}, {"", 250, 90, 1}};
    struct Case {
        std::function<void()> set;
        int which;
        const char *text;
    } cases[] = {
        {[] { gv->round.timeLeft = -1; }, 0, "o"},
        {[] { gv->round.timeLeft = 99 * 60 + 59; }, 0, "99"},
        {[this] { snprintf(P(1)->name, sizeof P(1)->name, "Hit10"); }, 1, "Hit10"},
        {[this] { P(2)->powerShown = 2999; }, 2, "2"},
        {[] { gv->round.wins[1] = 4; }, 3, "4"},
    };
    BITMAP *want = PixCanvas(0);
    std::vector<int> wantRows;
    for (const Case &c : cases) {
        gv->round.timeLeft = 0;
        gv->round.wins[1] = 0;
        P(1)->name[0] = 0;
        P(2)->powerShown = 0;
        c.set();
        Clear();
        LifebarDraw(0);
        // The same texts drawn straight into an empty target.
        PixVbufTargetSet(want, &wantRows);
        clear_to_color(want, 0);
        for (int i = 0; i < 4; i++) {
            Text t = base[i];
            if (i == c.which)
                t.text = c.text;
            if (!t.text.empty())
                FontDrawText(t.text.c_str(), font, t.x, t.y, t.align, -1, 0);
        }
        PixVbufTargetSet(canvas, &rows);
        EXPECT_TRUE(PixEqual(canvas, want)) << c.text;
    }
    // The font does draw in bank 0.
    EXPECT_NE(Drawn(want), "");
    destroy_bitmap(want);
}

TEST_F(Bars, WinIconsByKindAndPerfectMarks)
{
    kit.Group("WinIcon") = {"useiconupto = 3",  "p1.pos = 20,60",       "p1.iconoffset = 10,0", "p1.s.spr = 4,0",
                            "p1.t.spr = 4,0",   "p1.perfect.spr = 4,0", "p1.perfect.offset = 0,5",
                            "p1.n.spr = 4,0",   "p1.n.layerno = 2"};
    Load();
    gv->round.wins[0] = 2;
    int icons[WIN_ICON_SLOTS] = {1, 4, 1, -1, -1, -1, -1, -1, -1, -1};
    int perfect[WIN_ICON_SLOTS] = {8, -1, 8, -1, -1, -1, -1, -1, -1, -1};
    memcpy(gv->round.winIcon[0], icons, sizeof icons);
    memcpy(gv->round.winPerfect[0], perfect, sizeof perfect);
    LifebarDraw(0);
    EXPECT_EQ(Pixel(21, 61), FK_WHITE);
    EXPECT_EQ(Pixel(31, 61), FK_WHITE);
    EXPECT_EQ(Pixel(21, 66), FK_WHITE) << "perfect mark of slot 0";
    EXPECT_EQ(Pixel(31, 66), 0) << "slot 1 is not perfect";
    EXPECT_EQ(Pixel(41, 61), 0) << "only the slots below the win count";
    EXPECT_EQ(Pixel(41, 66), 0);

    // Kind 0 drawn in its own pass.
    gv->round.winIcon[0][1] = 0;
    Clear();
    LifebarDraw(0);
    EXPECT_EQ(Pixel(31, 61), 0);
    LifebarDraw(2);
    EXPECT_EQ(Pixel(31, 61), FK_WHITE);
}

TEST_F(Bars, ExtremeFileValuesNeitherOverflowNorDraw)
{
    const std::string big = "2147483647", small = "-2147483648";
    kit.Group("Lifebar") = {"p1.pos = " + big + "," + big, "p1.range.x = " + big + "," + small,
                            "p1.front.spr = 3,0", "p1.front.offset = " + big + ",0", "p1.mid.spr = 2,0",
                            "p2.pos = " + small + ",0", "p2.range.x = " + small + "," + big, "p2.front.spr = 3,0"};
    kit.Group("Powerbar") = {"p1.pos = " + big + ",0", "p1.range.x = " + small + "," + big, "p1.front.spr = 3,0",
                             "p1.counter.font = 0,0", "p1.counter.offset = " + big + "," + small};
    kit.Group("Name") = {"p1.pos = " + big + "," + big, "p1.name.font = 0,0", "p1.name.offset = " + big + ",1"};
    kit.Group("WinIcon") = {"p1.pos = " + big + ",0", "p1.iconoffset = " + big + "," + small, "p1.s.spr = 4,0",
                            "useiconupto = 9"};
    kit.Group("Combo") = {"pos = " + big + "," + big, "start.x = " + small, "counter.font = 0,0",
                          "text.font = 0,0", "text.offset = " + big + ",0", "displaytime = " + big};
    kit.Group("Files").push_back("font0 = kit.fnt");
    Load();
    gv->cfg.debug.debug = 1;
    P(2)->life = P(2)->lifeShown[0] = P(2)->lifeShown[1] = 0;  // its debug numbers off the target too
    gv->round.wins[0] = 9;
    for (int &k : gv->round.winIcon[0])
        k = 1;
    for (int doubled : {0, 4}) {
        gv->cfg.video.doubleRes = doubled;
        P(1)->lifeMax = INT_MAX;
        P(1)->life = 0;
        P(1)->lifeShown[0] = INT_MAX;
        P(1)->lifeShown[1] = INT_MAX;
        P(1)->powerShown = INT_MAX;
        P(1)->powerMax = 1;
        LifebarLifeTick(P(1));
        EXPECT_LT(P(1)->lifeShown[0], INT_MAX);
        for (int pass = 0; pass < 3; pass++)
            LifebarDraw(pass);
        ComboCounterAdd(1, INT_MAX);
        ComboCounterAdd(1, INT_MAX);
        for (int i = 0; i < 3; i++) {
            ComboCounterTick(1);
            ComboDraw(1);
            ComboDraw(2);
        }
    }
    gv->cfg.video.doubleRes = 0;
    EXPECT_EQ(Drawn(canvas), "") << "everything lies off the target";
}

TEST_F(Bars, DisplayedLifeAndRedLifeFollow)
{
    struct Case {
        int lifeMax, life, shown, red;
        int moveType, stateType, time;
        int paused, slow;
        int wantShown, wantRed;
    } cases[] = {
        {1000, 500, 1000, 1000, 0, 1, 0, 0, 0, 941, 1000},  // 1000 - (50 + 9)
        {50, 44, 45, 50, 0, 1, 0, 0, 0, 44, 49},            // 45 - (0.1 + 1) = 43.9, not below the life; red follows at once
        {50, 40, 45, 50, 0, 1, 0, 0, 0, 43, 50},            // the least step is 1 even at life maximum 50
        {1000, 1000, 900, 900, 0, 1, 0, 0, 0, 940, 940},     // rises by at most 40
        {1000, 1000, 990, 990, 0, 1, 0, 0, 0, 1000, 1000},
        {1000, 500, 500, 600, 0, 1, 0, 0, 0, 500, 590},
        {1000, 500, 500, 505, 0, 1, 0, 0, 0, 500, 504},      // 505 - 0.5
        {1000, 500, 500, 600, 2, 1, 0, 0, 0, 500, 600},      // held while being hit
        {1000, 500, 500, 600, 2, 4, 60, 0, 0, 500, 600},
        {1000, 500, 500, 600, 2, 4, 61, 0, 0, 500, 590},     // lying for more than 60 ticks
        {1000, 500, 600, 700, 0, 1, 0, 0, 0, 581, 700},      // red waits for the displayed life
        {1000, 500, 500, 400, 0, 1, 0, 0, 0, 500, 500},      // never below the displayed life
        {1000, 500, 1000, 1000, 0, 1, 0, 1, 0, 1000, 1000},
        {1000, 500, 1000, 1000, 0, 1, 0, 0, 1, 1000, 1000},
        {0, 0, 10, 10, 0, 1, 0, 0, 0, 8, 10},                // a life maximum of 0 still steps by 1 + 1
    };
    Player *pl = P(1);
    for (const Case &c : cases) {
        pl->lifeMax = c.lifeMax;
        pl->life = c.life;
        pl->lifeShown[0] = c.shown;
        pl->lifeShown[1] = c.red;
        pl->state.moveType = c.moveType;
        pl->state.stateType = c.stateType;
        pl->state.time = c.time;
        gv->paused = c.paused;
        gv->slowAccum = c.slow;
        LifebarLifeTick(pl);
        EXPECT_EQ(pl->lifeShown[0], c.wantShown) << c.lifeMax << " " << c.life << " " << c.shown << " " << c.red;
        EXPECT_EQ(pl->lifeShown[1], c.wantRed) << c.lifeMax << " " << c.life << " " << c.shown << " " << c.red;
    }
}

TEST_F(Bars, DisplayedPowerFollowsAndLevelsAreTracked)
{
    Load();
    struct Case {
        int power, shown, paused;
        int wantShown;
    } cases[] = {
        {3000, 0, 0, 165},      // 3000 / 20 + 15
        {3000, 2990, 0, 3000},  // never above the power
        {1000, 2000, 0, 1000},  // falls at once
        {3000, 0, 1, 0},
    };
    Player *pl = P(1);
    for (const Case &c : cases) {
        pl->power = c.power;
        pl->powerShown = c.shown;
        gv->paused = c.paused;
        PowerbarTick(pl);
        EXPECT_EQ(pl->powerShown, c.wantShown) << c.power << " " << c.shown;
        EXPECT_EQ(pl->powerLevel, c.power / 1000) << "the level is followed even while paused";
    }
    // Levels past the last sound and back.
    gv->paused = 0;
    for (int power : {12000, 9000, 0}) {
        pl->power = power;
        PowerbarTick(pl);
        EXPECT_EQ(pl->powerLevel, power / 1000);
    }
}

TEST_F(Bars, ComboShowsFromTheSecondHitAndSlidesInAndOut)
{
    Load();
    const ComboCounter &c = gv->combo[0];
    // A single hit is never shown, however long it runs.
    ComboCounterAdd(1, 1);
    for (int i = 0; i < 5; i++) {
        gv->combo[0].running = 1;
        ComboCounterTick(1);
    }
    ComboCounterTick(1);
    EXPECT_EQ(c.hits, 0) << "the combo broke";
    ComboCounterAdd(1, 1);
    EXPECT_EQ(c.shown, 0);
    ComboDraw(1);
    EXPECT_EQ(Drawn(canvas), "");

    // The second hit while the first still runs starts the display.
    gv->combo[0].running = 1;
    ComboCounterTick(1);
    ComboCounterAdd(1, 1);
    EXPECT_EQ(c.hits, 2);
    EXPECT_EQ(c.shown, 2);
    EXPECT_EQ(c.x, -40);
    EXPECT_EQ(c.timeLeft, 90);
    std::vector<int> xs;
    for (int i = 0; i < 6; i++) {
        gv->combo[0].running = 1;
        ComboCounterTick(1);
        xs.push_back(c.x);
    }
    // 1/8 of the distance to pos x 10, plus 1.
    EXPECT_EQ(xs, (std::vector<int>{-33, -27, -22, -17, -13, -10}));
    ComboCounterAdd(1, 1000);
    EXPECT_EQ(c.shown, 999);

    // The combo breaks; the display stays for its time, then slides back
    // out by 3 and forgets its count at start.x.
    ComboCounterTick(1);
    EXPECT_EQ(c.hits, 0);
    EXPECT_EQ(c.shown, 999);
    int ticks = 1;
    while (c.timeLeft > 0) {
        ComboCounterTick(1);
        ticks++;
    }
    EXPECT_EQ(ticks, 90);
    EXPECT_EQ(c.x, 10 - 3) << "at pos x, and back by 3 in the tick the time ran out";
    EXPECT_EQ(c.shown, 999);
    int back = 0;
    while (c.shown && back < 100) {
        ComboCounterTick(1);
        back++;
    }
    EXPECT_EQ(c.x, -40);
    EXPECT_EQ(back, 16) << "47 pixels at 3 a tick";

    // Paused or held back by slow motion, nothing moves.
    ComboCounterAdd(1, 2);
    gv->slowAccum = 100;
    ComboCounterTick(1);
    EXPECT_EQ(c.timeLeft, 90);
    gv->slowAccum = 0;
    ComboCounterReset(1);
    EXPECT_EQ(c.shown, 0);
    EXPECT_EQ(c.hits, 0);
}

TEST_F(Bars, ComboShakesAndMirrorsForSideTwo)
{
    kit.Group("Combo") = {"counter.font = 0,0", "counter.shake = 1", "text.font = 0,0", "text.text = \"Hit\"",
                          "text.offset = 4,0", "pos = 10,80", "start.x = 10"};
    Load();
    Font *font = gv->fightFonts[0];
    auto leftmost = [this] {
        for (int x = 0; x < PIX_W; x++)
            for (int y = 60; y < 90; y++)
                if (Pixel(x, y))
                    return x;
        return -1;
    };
    ComboCounterAdd(1, 2);
    std::vector<int> shakes;
    for (int i = 0; i < 9; i++) {
        Clear();
        ComboDraw(1);
        shakes.push_back(leftmost() - gv->combo[0].x);
        gv->combo[0].running = 1;
        ComboCounterTick(1);
    }
    EXPECT_EQ(shakes, (std::vector<int>{0, 1, 2, 1, 0, 1, 0, 1, 0}));

    // Side 1 from the left: the count, then the text after the count's width
    // and the text offset.
    Clear();
    ComboDraw(1);
    BITMAP *want = PixCanvas(0);
    std::vector<int> wantRows;
    PixVbufTargetSet(want, &wantRows);
    FontDrawText("2", font, 10, 80, 1, -1, 0);
    FontDrawText("Hit", font, 10 + 4 + FontTextWidth(font, "2"), 80, 1, -1, 0);
    EXPECT_TRUE(PixEqual(canvas, want));

    // Side 2 from the right edge.
    clear_to_color(want, 0);
    FontDrawText("Hit", font, PIX_W - 10 - 1, 80, -1, -1, 0);
    FontDrawText("2", font, PIX_W - 10 - 1 - FontTextWidth(font, "Hit") - 4, 80, -1, -1, 0);
    PixVbufTargetSet(canvas, &rows);
    ComboCounterAdd(2, 2);
    for (int i = 0; i < 8; i++) {
        gv->combo[1].running = 1;
        ComboCounterTick(2);
    }
    Clear();
    ComboDraw(2);
    EXPECT_TRUE(PixEqual(canvas, want));
    destroy_bitmap(want);
}

TEST_F(Bars, ComboTargetsKeepTheComboRunningAndDropTheRecovered)
{
    Player *a = P(1), *v = P(2);
    AddTarget(a, v);
    struct Case {
        int moveType, stateType;
        int running, kept;
    } cases[] = {
        {2, 1, 1, 1},
        {2, 4, 0, 1},  // lying down: kept, but the combo is not held
        {0, 1, 0, 0},
    };
    for (const Case &c : cases) {
        if (!TargetCount(a))
            AddTarget(a, v);
        gv->combo[0].running = 0;
        v->state.moveType = c.moveType;
        v->state.stateType = c.stateType;
        ComboTargetsCheck(a);
        EXPECT_EQ(gv->combo[0].running, c.running) << c.moveType << " " << c.stateType;
        EXPECT_EQ(TargetCount(a), c.kept) << c.moveType << " " << c.stateType;
        EXPECT_EQ(gv->combo[1].running, 0);
    }
    // Only the first target holds the combo.
    AddTarget(a, P(4));
    AddTarget(a, v);
    PlayerEnableSet(4, 1);
    P(4)->state.moveType = 2;
    P(4)->state.stateType = 4;
    v->state.moveType = 2;
    v->state.stateType = 1;
    ComboTargetsCheck(a);
    EXPECT_EQ(gv->combo[0].running, 0);
    EXPECT_EQ(TargetCount(a), 2);
}

TEST_F(Bars, WinIconAtAKnockOut)
{
    struct Case {
        int a, b, attr, state;
        int wins1, wins2;
        int icon1, icon2;
    } cases[] = {
        {2, 1, 0x490, 2, 0, 0, 1, -1},
        {2, 1, 0x40, 2, 0, 0, 5, -1},
        {2, 1, 0x1c0, 2, 0, 0, 1, -1},  // the 0x490 bits come after 0x1c0
        {2, 1, 0x920, 2, 0, 0, 2, -1},
        {1, 2, 0x1, 2, 0, 0, -1, 0},
        {1, 1, 0x490, 2, 0, 0, -1, 7},  // beaten by its own side: the other side's teammate icon
        {0, 1, 0x920, 2, 0, 0, 2, 2},   // both sides
        {0, 1, 0x920, 2, 10, 0, -1, 2}, // ten wins are checked per side
        {2, 1, 0x490, 3, 0, 0, -1, -1},
    };
    for (const Case &c : cases) {
        for (int s = 0; s < 2; s++)
            for (int i = 0; i < WIN_ICON_SLOTS; i++)
                gv->round.winIcon[s][i] = gv->round.winPerfect[s][i] = -1;
        gv->round.state = c.state;
        gv->round.wins[0] = c.wins1;
        gv->round.wins[1] = c.wins2;
        WinIconRecordKO(c.a, c.b, c.attr);
        int slot1 = c.wins1 < WIN_ICON_SLOTS ? c.wins1 : 0;
        EXPECT_EQ(gv->round.winIcon[0][slot1], c.icon1) << c.a << " " << c.b << " " << c.attr;
        EXPECT_EQ(gv->round.winIcon[1][c.wins2], c.icon2) << c.a << " " << c.b << " " << c.attr;
    }
    // The perfect mark when no member of the side has lost life.
    gv->round.wins[0] = 0;
    gv->round.state = 2;
    WinIconRecordKO(2, 1, 0);
    EXPECT_EQ(gv->round.winPerfect[0][0], 8);
    P(1)->life = 999;
    WinIconRecordKO(2, 1, 0);
    EXPECT_EQ(gv->round.winPerfect[0][0], -1);
}

TEST_F(Bars, LifeSetToZeroInTheFightRecordsTheHittersIcon)
{
    gv->round.state = 2;
    P(2)->getHit.lastHitter = P(1);
    P(2)->lastHitAttr = 0x920;
    PlayerLifeSet(P(2), 0);
    EXPECT_EQ(gv->round.winIcon[0][0], 2) << "the kind of the hit's attribute";
    EXPECT_EQ(gv->round.winIcon[1][0], -1);
}

TEST_F(Bars, TheRoundLoopDrawsThePassesAndFollowsInSkippedFrames)
{
    kit.Group("Lifebar") = {"p1.pos = 50,10", "p1.range.x = 0,99", "p1.bg0.spr = 1,0", "p1.bg0.layerno = 1"};
    Load();
    StateAt(2, 10);  // faded in
    struct Case {
        const char *name;
        std::function<void()> set;
        bool shown;
    } cases[] = {
        {"match", [] {}, true},
        {"switched off", [] { gv->lifebarOff = 1; }, false},
        {"demo", [] { gv->demo = 1; }, false},
        {"demo with bars", [] {
             gv->demo = 1;
             gv->demoCfg.barsDisplay = 1;
         },
         true},
    };
    for (const Case &c : cases) {
        gv->lifebarOff = gv->demo = gv->demoCfg.barsDisplay = 0;
        gv->demoCfg.fightEndTime = 10000;
        c.set();
        GameLoopEnter(GAMELOOP_MATCH);
        Clear();
        int drawn = GameLoopCountersGet()->drawn;
        Frame();
        ASSERT_EQ(GameLoopCountersGet()->drawn, drawn + 1) << c.name;
        EXPECT_EQ(Pixel(60, 11), c.shown ? FK_BLUE : 0) << c.name;
        GameLoopLeave();
    }

    // Skipped frames draw nothing, but the displayed life follows.
    gv->demo = 0;
    GameLoopEnter(GAMELOOP_MATCH);
    P(1)->life = 500;
    P(1)->lifeShown[0] = P(1)->lifeShown[1] = 1000;
    disp.skipFrame = 1;
    disp.frameSkip = 100;
    Clear();
    Frame();
    EXPECT_EQ(Pixel(60, 11), 0);
    EXPECT_EQ(P(1)->lifeShown[0], 941);
    GameLoopLeave();
}
