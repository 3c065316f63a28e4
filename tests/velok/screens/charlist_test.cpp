// Select file: name resolution, a whole select file into the character list, the grid and the stage list, every failure, and the arcade order with the opponents it places.
#include "velok/screens/charlist.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "support/motifkit.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/team.h"
#include "velok/screens/sysfile.h"

namespace {

class SelectFileTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->motifDir = "data/";
        Grid(2, 3);
        ASSERT_EQ(SelectListsAlloc(), 1);
    }
    void TearDown() override
    {
        SelectListsFree();
        SysFileFree();
        GameVarsTest::TearDown();
    }
    // A motif holding only an empty grid.
    void Grid(int rows, int cols)
    {
        SysFileFree();
        gv->motif = new Motif();
        SelectInfo &si = gv->motif->select;
        si.rows = rows;
        si.columns = cols;
        si.cellCount = rows * cols;
        si.cells = (SelectCell *)LibCalloc((size_t)si.cellCount, sizeof(SelectCell));
    }
    int Load(const std::string &text)
    {
        MakeDirs("data");
        WriteFileText("data/select.def", text);
        gv->errorText[0] = 0;
        if (!SelectDefOpen("select.def"))
            return 0;
        return SelectDefLoad();
    }
    SelectCell &Cell(int i) { return gv->motif->select.cells[i]; }
    CharInfo &Char(int i) { return gv->charList[i]; }
};

TEST(SelectCharResolve, NamesBecomeDirectoryAndDefinitionFile)
{
    struct Case {
        const char *name, *dir, *file;
        int zip;
    } cases[] = {
        {"dov", "chars/dov/", "dov.def", 0},
        {"dov/dov2.def", "chars/dov/", "dov2.def", 0},
        {"dov.zip", "chars/dov.zip", "dov.def", 1},
        {"DOV.ZIP", "chars/DOV.ZIP", "DOV.def", 1},
        {"pack/dov.zip", "chars/pack/dov.zip", "dov.def", 1},
        {"dov/alt", "chars/dov/", "alt.def", 0},
        {"dov/ALT.DEF", "chars/dov/", "ALT.DEF", 0},
        {"dov\\x.def", "chars/dov\\", "x.def", 0},
        {"/games/dov/dov.def", "/games/dov/", "dov.def", 0},
        {"a.b", "chars/a.b/", "a.b.def", 0},
    };
    for (const Case &c : cases) {
        char dir[CHARINFO_PATH_LEN], file[CHARINFO_PATH_LEN];
        EXPECT_EQ(SelectCharResolve(c.name, dir, sizeof dir, file, sizeof file), c.zip) << c.name;
        EXPECT_STREQ(dir, c.dir) << c.name;
        EXPECT_STREQ(file, c.file) << c.name;
    }
    // A path longer than the list's fields is refused, never cut to another path.
    char dir[CHARINFO_PATH_LEN], file[CHARINFO_PATH_LEN];
    EXPECT_EQ(SelectCharResolve(std::string(300, 'x').c_str(), dir, sizeof dir, file, sizeof file), -1);
}

TEST_F(SelectFileTest, AWholeFileFillsTheListsAndTheGrid)
{
    SelectChar dov;
    dov.name = "Dov";
    dov.displayName = "\"Dov the Shown\"";
    dov.palDefaults = "3,0,14,2";
    dov.intro = "intro.def";
    dov.ending = "end.def";
    dov.pals = 3;
    SelectCharWrite("chars/dov", "dov.def", dov);
    SelectChar dov2;
    dov2.name = "Dov Two";
    dov2.value = 20;
    SelectCharWrite("chars/dov", "dov2.def", dov2);
    SelectChar zipped;
    zipped.name = "Zipped";
    zipped.value = 30;
    zipped.pals = 12;
    MakeDirs("chars");
    ASSERT_TRUE(SelectCharWriteZip("chars/zap.zip", "zap.def", zipped));
    SelectChar bare;
    bare.portraits = false;
    SelectCharWrite("chars/bare", "bare.def", bare);
    SelectStageWrite("stages/a.def", "name = \"Stage A\"");
    SelectStageWrite("stages/b.def", "");
    SelectStageWrite("stages/c.def", "name = \"Stage C\"");

    ASSERT_EQ(Load("[Options]\n"
                   "arcade.maxmatches = 6, 1,1,0,0,0,0,0,0,0,9,9\n"
                   "team.maxmatches = 4,-1\n"
                   "[Characters]\n"
                   "dov, stages/a.def, music = Sound/Theme.MP3, order = 0\n"
                   "nobody, stages/c.def\n"
                   "randomselect\n"
                   "dov/dov2.def,stages/a.def,order=15\n"
                   "zap.zip, random, includestage = 1\n"
                   "bare ,stages/nowhere.def, ORDER = 3, IncludeStage = 1\n"
                   "dov, stages/c.def\n"
                   "[ExtraStages]\n"
                   "stages/b.def\n"
                   "stages/a.def\n"),
              1)
        << gv->errorText;

    EXPECT_EQ(std::vector<int>(gv->arcadeMaxMatches, gv->arcadeMaxMatches + 10),
              (std::vector<int>{6, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<int>(gv->teamMaxMatches, gv->teamMaxMatches + 3), (std::vector<int>{4, -1, 0}));

    // Six cells: the seventh line is not read; "nobody" leaves its cell empty.
    ASSERT_EQ(gv->charCount, 4);
    std::vector<int> cells;
    for (int i = 0; i < 6; i++)
        cells.push_back(Cell(i).charIndex);
    EXPECT_EQ(cells, (std::vector<int>{0, -1, -2, 1, 2, 3}));

    const CharInfo &a = Char(0);
    EXPECT_STREQ(a.dir, "chars/dov/");
    EXPECT_STREQ(a.defFile, "dov.def");
    EXPECT_STREQ(a.stage, "stages/a.def");
    EXPECT_STREQ(a.music, "sound/theme.mp3");
    EXPECT_EQ(a.stageFlag, 3);
    EXPECT_EQ(a.order, -1) << "order 0 keeps it out of the arcade";
    EXPECT_EQ(a.cell, 0);
    EXPECT_EQ(a.palMask, 0x7);
    EXPECT_EQ(a.palFree, 0x7);
    EXPECT_EQ(std::vector<int>(a.palDefaults, a.palDefaults + 4), (std::vector<int>{3, 2, 3, 2}))
        << "a default outside 1 to 12 keeps the default of its place";
    EXPECT_STREQ(a.introStoryboard, "intro.def");
    EXPECT_STREQ(a.endingStoryboard, "end.def");
    EXPECT_STREQ(a.displayName, "Dov the Shown") << "the screens and the results log show it";
    EXPECT_EQ(SelectCellOfChar(&gv->motif->select, 0), &Cell(0));
    ASSERT_NE(Cell(0).portraits, nullptr);
    EXPECT_EQ(SprSetImageCount(Cell(0).portraits), 2) << "the portraits alone";
    EXPECT_EQ(SprSetImageGet(Cell(0).portraits, 9000, 1)->width, 8);

    const CharInfo &b = Char(1);
    EXPECT_STREQ(b.defFile, "dov2.def");
    EXPECT_EQ(b.order, 9) << "order 15 is order 10";
    EXPECT_STREQ(b.displayName, "Dov Two") << "the name when there is no display name";
    EXPECT_EQ(SelectCellOfChar(&gv->motif->select, 1), &Cell(3));
    EXPECT_EQ(std::vector<int>(b.palDefaults, b.palDefaults + 4), (std::vector<int>{1, 2, 3, 4}));

    const CharInfo &z = Char(2);
    EXPECT_STREQ(z.dir, "chars/zap.zip");
    EXPECT_STREQ(z.defFile, "zap.def");
    EXPECT_EQ(z.order, 0);
    EXPECT_EQ(z.palMask, 0xFFF);
    ASSERT_NE(Cell(4).portraits, nullptr) << "read from the archive";
    EXPECT_GE(SprSetFindImage(Cell(4).portraits, 9000, 0), 0);

    const CharInfo &n = Char(3);
    EXPECT_EQ(n.order, 2);
    EXPECT_EQ(Cell(5).portraits, nullptr) << "a character without portraits is no error";
    EXPECT_STREQ(n.stage, "") << "a stage that does not open is cleared";

    // a.def once (two characters and an extra stage name it); "random" does
    // not open and is dropped; then the extra b.def, named by its path.
    ASSERT_EQ(gv->stageCount, 2);
    EXPECT_STREQ(gv->stageList[0].path, "stages/a.def");
    EXPECT_STREQ(gv->stageList[0].name, "Stage A");
    EXPECT_EQ(gv->stageList[0].flag, 3);
    EXPECT_STREQ(gv->stageList[1].path, "stages/b.def");
    EXPECT_STREQ(gv->stageList[1].name, "stages/b.def");
    EXPECT_EQ(gv->stageList[1].flag, 0);
    EXPECT_STREQ(z.stage, "");

    SelectListsFree();
    EXPECT_EQ(gv->charList, nullptr);
    EXPECT_EQ(gv->stageList, nullptr);
    SelectCharListFree();
}

TEST_F(SelectFileTest, TheCharacterListGrowsAsItFills)
{
    Grid(5, 8);
    SelectChar c;
    SelectCharWrite("chars/c", "c.def", c);
    std::string lines;
    for (int i = 0; i < 40; i++)
        lines += "c, stages/s" + std::to_string(i % 3) + ".def\n";
    for (int i = 0; i < 3; i++)
        SelectStageWrite("stages/s" + std::to_string(i) + ".def", "");
    ASSERT_EQ(Load("[Options]\n[Characters]\n" + lines), 1) << gv->errorText;
    EXPECT_EQ(gv->charCount, 40);
    EXPECT_GE(gv->charCapacity, 40);
    for (int i = 0; i < 40; i++) {
        EXPECT_EQ(Char(i).cell, i);
        EXPECT_EQ(Cell(i).charIndex, i);
        EXPECT_STREQ(Char(i).defFile, "c.def");
    }
    EXPECT_EQ(gv->stageCount, 3);
}

TEST_F(SelectFileTest, EachFailureNamesItsCause)
{
    SelectChar plain;
    SelectCharWrite("chars/ok", "ok.def", plain);
    SelectChar unquoted;
    unquoted.displayName = "Shown without quotes";
    SelectCharWrite("chars/bad", "bad.def", unquoted);
    SelectStageWrite("stages/bad.def", "name = Bad");
    struct Case {
        const char *text, *error;
    } cases[] = {
        {"[Characters]\nok\n", "Could not locate Options group."},
        {"[Options]\n", "Could not locate Characters group."},
        {"[Options]\n[Characters]\nok, stages/x.def, colour = 3\n",
         "\n[Characters]: On line: ok, stages/x.def, colour = 3\n-- Unknown flag: colour"},
        {"[Options]\n[Characters]\nok, stages/x.def, order 3\n",
         "\n[Characters]: On line: ok, stages/x.def, order 3\n-- Param order 3 missing '='"},
        {"[Options]\n[Characters]\nok\nbad\n", "String value for displayname must be in quotes\nError reading bad.def"},
        {"[Options]\n[Characters]\nok, stages/bad.def\n",
         "String value for name must be in quotes\nError getting stage name for stages/bad.def"},
        {"[Options]\n[Characters]\nnobody\nrandomselect\n", "\n[Characters]: No character could be found"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        SelectListsAlloc();
        EXPECT_EQ(Load(c.text), 0);
        EXPECT_STREQ(gv->errorText, c.error);
    }
    EXPECT_EQ(SelectDefOpen("none.def"), 0);
    EXPECT_STREQ(gv->errorText, "Couldn't find file for selection screen: none.def\n");
}

// ---------------------------------------------------------------- arcade order

class ArcadeOrderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gv = new GameVars();
        GameRandomSeed(11);
    }
    void TearDown() override
    {
        delete gv;
        gv = nullptr;
    }
    // Characters with these orders, every palette free.
    void Chars(const std::vector<int> &orders)
    {
        entries.assign(orders.size(), CharInfo{});
        for (size_t i = 0; i < orders.size(); i++) {
            entries[i].order = orders[i];
            entries[i].palMask = entries[i].palFree = 0xFFF;
            for (int k = 0; k < 4; k++)
                entries[i].palDefaults[k] = k + 2;
        }
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
    }
    std::vector<int> Order() { return gv->arcadeOrder; }
    std::vector<CharInfo> entries;
};

TEST_F(ArcadeOrderTest, OrdersComeInTurnWithTheirCountsInWholeGroups)
{
    struct Case {
        std::vector<int> orders;
        int teamSize;
        std::vector<int> counts;
        std::vector<int> perOrder;  // entries taken of orders 0, 1, 2 ...
    } cases[] = {
        {{0, 0, 0, 1, 1, -1}, 1, {2, 5}, {2, 2}},
        {{1, 1, 1, 1, 1, 0}, 2, {0, 3}, {0, 6}},   // five of order 1, and one again to make six
        {{0, 0, 0}, 2, {1}, {2}},
        {{0, 2, 2, 2}, 3, {0, 1, 1}, {0, 0, 3}},
        {{0, 0}, 1, {-2, 0}, {0}},
        {{-1, -1}, 1, {5}, {0}},
        {{9, 9}, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 3}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 2}},
    };
    for (Case &c : cases) {
        Chars(c.orders);
        int counts[10] = {};
        std::copy(c.counts.begin(), c.counts.end(), counts);
        ArcadeOrderBuild(c.teamSize, counts);
        std::vector<int> order = Order();
        ASSERT_FALSE(order.empty());
        EXPECT_EQ(order.back(), -1);
        order.pop_back();
        std::vector<int> perOrder(c.perOrder.size(), 0);
        int last = 0;
        for (int ch : order) {
            int o = entries[ch].order;
            ASSERT_GE(o, last) << "orders ascend";
            last = o;
            ASSERT_LT(o, (int)perOrder.size());
            perOrder[o]++;
        }
        EXPECT_EQ(perOrder, c.perOrder);
        EXPECT_EQ(order.size() % c.teamSize, 0u);
        EXPECT_EQ(gv->arcadeIndex, 0);
        EXPECT_EQ(ArcadeMatchesLeft(), (int)order.size());
    }
    // Taken characters are distinct until the group has to be made up.
    Chars({1, 1, 1, 1, 1});
    int counts[10] = {0, 3};
    ArcadeOrderBuild(2, counts);
    std::vector<int> order = Order();
    std::sort(order.begin(), order.end() - 1);
    EXPECT_EQ(std::unique(order.begin(), order.end() - 1) - order.begin(), 5);

    // No characters: an order of nothing.
    Chars({});
    ArcadeOrderBuild(1, counts);
    EXPECT_EQ(Order(), std::vector<int>{-1});
}

TEST_F(ArcadeOrderTest, OpponentsComeFromTheOrderWithReservedPalettes)
{
    Chars({0, 0, 0, 0});
    gv->arcadeSide = 1;
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_SIMUL, 2);
    gv->teamMaxMatches[0] = 2;
    gv->arcadeMaxMatches[0] = 1;
    ArcadeBuildOrder();
    std::vector<int> order = Order();
    ASSERT_EQ(order.size(), 5u) << "two groups of two from the team counts";
    EXPECT_EQ(ArcadeNextTeamSize(), 2);
    int next[TEAM_ENTRY_MAX], following[TEAM_ENTRY_MAX];
    ASSERT_EQ(ArcadeGetOpponents(next), 2);
    ASSERT_EQ(ArcadeGetFollowingOpponents(following), 2);
    EXPECT_EQ(next[0], order[0]);
    EXPECT_EQ(following[1], order[3]);

    EXPECT_EQ(ArcadePeekOpponents(), order[1]);
    EXPECT_EQ(gv->arcadeIndex, 0);
    TeamMember *m0 = TeamMemberAt(&gv->teams[1], 0);
    EXPECT_EQ(m0->charIndex, order[0]);
    EXPECT_EQ(m0->palNo, 1) << "the first default palette";
    EXPECT_EQ(entries[order[0]].palFree, 0xFFF & ~2);
    // Placing the same group again gives its palettes back first.
    ArcadePeekOpponents();
    EXPECT_EQ(m0->palNo, 1);
    EXPECT_EQ(entries[order[0]].palFree, 0xFFF & ~2);

    EXPECT_EQ(ArcadeSetOpponents(1), order[1]);
    EXPECT_EQ(ArcadeMatchesLeft(), 2);
    EXPECT_EQ(ArcadeSetOpponents(1), order[3]);
    EXPECT_EQ(entries[order[0]].palFree, 0xFFF) << "the beaten group's palettes are free";
    EXPECT_EQ(m0->charIndex, order[2]);
    EXPECT_EQ(ArcadeMatchesLeft(), 0);
    EXPECT_EQ(ArcadeNextTeamSize(), 0);
    EXPECT_EQ(ArcadeGetOpponents(next), 0);
    // The walk stops at the end mark.
    EXPECT_EQ(ArcadeSetOpponents(1), -1);
    EXPECT_EQ(gv->arcadeIndex, 4);

    // One member in single mode takes the one-player counts; its groups are
    // of one.
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_SINGLE, 1);
    gv->arcadeMaxMatches[0] = 3;
    ArcadeBuildOrder();
    order = Order();
    EXPECT_EQ(order.size(), 4u);
    ASSERT_EQ(ArcadeGetOpponents(next), 1);
    ASSERT_EQ(ArcadeGetFollowingOpponents(following), 1);
    EXPECT_EQ(following[0], order[1]);
    gv->cfg.arcade.aiRandomColor = 1;
    ArcadePeekOpponents();
    EXPECT_GE(TeamMemberAt(&gv->teams[1], 0)->palNo, 0);
}

using ArcadeOrderDeathTest = ArcadeOrderTest;

TEST_F(ArcadeOrderDeathTest, NoArcadeSideIsAProgrammingFault)
{
    Chars({0});
    gv->arcadeSide = 0;
    EXPECT_EXIT(ArcadeBuildOrder(), ::testing::ExitedWithCode(1), "Programmer's fault");
    EXPECT_EXIT(ArcadeNextTeamSize(), ::testing::ExitedWithCode(1), "Programmer's fault");
}

}  // namespace
