// Fight-screen file: defaults, the values read, screen elements, every missing group and file, the status log, freeing and the palette list.
#include "velok/match/fight.h"

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "lib/anim-lib.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/fightkit.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/pal.h"

namespace {

class FightLoad : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->cfg.engine.explodMax = 8;
        gv->cfg.engine.sysExplodMax = 8;
        WriteFileText("sys.fnt", FightKitFont());
        gv->sysFont[0] = FontLoad("sys.fnt");
        ASSERT_NE(gv->sysFont[0], nullptr);
    }
    void TearDown() override
    {
        FightDataFree();
        PalListFree();
        FontFree(gv->sysFont[0]);
        GameVarsTest::TearDown();
    }
    int Load() { return FightDefLoad(kit.Write().c_str()); }
    // Loads the kit with lines added to a group.
    int LoadWith(const std::string &group, std::initializer_list<std::string> lines)
    {
        for (const std::string &l : lines)
            kit.Group(group).push_back(l);
        return Load();
    }
    FightKit kit = FightKitMake();
};

void ExpectNothingKept()
{
    EXPECT_EQ(gv->fight, nullptr);
    EXPECT_EQ(gv->fightSpr, nullptr);
    EXPECT_EQ(gv->fightSnd, nullptr);
    EXPECT_EQ(gv->fightFxSpr, nullptr);
    EXPECT_EQ(gv->fightFxAnims, nullptr);
    EXPECT_EQ(gv->commonSnd, nullptr);
    for (Font *f : gv->fightFonts)
        EXPECT_EQ(f, nullptr);
}

} // namespace

TEST_F(FightLoad, AFileOfEmptyGroupsTakesEveryDefault)
{
    ASSERT_EQ(Load(), 1) << gv->errorText;
    const FightData *f = gv->fight;
    ASSERT_NE(f, nullptr);
    EXPECT_NE(gv->fightSpr, nullptr);
    EXPECT_NE(gv->fightSnd, nullptr);
    EXPECT_NE(gv->fightFxSpr, nullptr);
    EXPECT_NE(gv->fightFxAnims, nullptr);
    EXPECT_NE(gv->commonSnd, nullptr);
    EXPECT_EQ(gv->fightAnims, nullptr) << "no action group, no fight animation set";
    for (Font *font : gv->fightFonts)
        EXPECT_EQ(font, gv->sysFont[0]);

    const FightRound &fr = gv->fightRound;
    EXPECT_EQ(fr.matchWins, 2);
    EXPECT_EQ(fr.maxDrawGames, 1);
    EXPECT_EQ(fr.startWaitTime, 30);
    EXPECT_EQ(fr.introTime, 70);
    EXPECT_EQ(fr.slowTime, 60);
    EXPECT_EQ(fr.overWaitTime, 0);
    EXPECT_EQ(fr.overHitTime, 10);
    EXPECT_EQ(gv->overWinTime, 45);
    EXPECT_EQ(gv->overTime, 150);
    EXPECT_EQ(fr.winTime, 60);
    EXPECT_EQ(gv->roundTime, 0);
    EXPECT_EQ(fr.fightTime, 0);
    EXPECT_EQ(fr.koTime, 10) << "KO.time 0 is raised by 10";
    EXPECT_EQ(fr.koSndTime, 10);
    EXPECT_EQ(fr.framesPerCount, 60);
    EXPECT_EQ(fr.posX, 0);
    for (const FightSnd &s : fr.roundSnd)
        EXPECT_EQ(s.group, -1);
    for (const FightSnd *s : {&fr.fightSnd, &fr.koSnd, &fr.dkoSnd, &fr.toSnd, &f->round.winSnd, &f->round.loseSnd,
                              &f->round.drawSnd, &f->levelSnd[0], &f->levelSnd[9]})
        EXPECT_EQ(s->group, -1);

    // The fight, KO and win elements stand at (160, 120) with their texts.
    for (const ScreenElem *e : {&f->round.fight, &f->round.ko, &f->round.win}) {
        EXPECT_EQ(e->kind, SCREEN_ELEM_NONE);
        EXPECT_EQ(e->offsetX, 160);
        EXPECT_EQ(e->offsetY, 120);
    }
    EXPECT_STREQ(f->round.fight.text, "Fight!");
    EXPECT_STREQ(f->round.ko.text, "K.O");
    EXPECT_EQ(f->round.dko.offsetX, 0);

    EXPECT_EQ(f->combo.posX, 10);
    EXPECT_EQ(f->combo.posY, 80);
    EXPECT_EQ(f->combo.startX, -40);
    EXPECT_EQ(f->combo.displayTime, 90);
    EXPECT_EQ(f->combo.counterFont, -1);
    EXPECT_STREQ(f->combo.text, "%i Hit!");

    EXPECT_EQ(f->face[0].facing, 1);
    EXPECT_EQ(f->face[1].facing, -1);
    EXPECT_EQ(f->turnsFace[1].facing, -1);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(f->simulFace[i].facing, i % 2 ? -1 : 1);

    // Ten fonts that are the system font: freeing frees none of them.
    FightDataFree();
    ExpectNothingKept();
    EXPECT_EQ(FontTextWidth(gv->sysFont[0], "10"), 7);
}

TEST_F(FightLoad, ValuesAndTheirRules)
{
    kit.Group("Files").push_back("font1 = kit.fnt");
    kit.Group("Lifebar") = {"p2.pos = 300,12", "p2.range.x = -5,-100", "p2.front.spr = 3,0", "p2.front.layerno = 2"};
    kit.Group("Powerbar") = {"level3.snd = 1,3", "level4.snd = 2,", "level5.snd = ,5", "p1.counter.font = 1,0,-1"};
    kit.Group("Turns Face") = {"p1.facing = 1", "p1.teammate.facing = -1", "p2.facing = 1",
                               "p1.teammate.spacing = 12,0"};
    kit.Group("Time") = {"framespercount = 0"};
    kit.Group("Combo") = {"text.text = \"A combo text of more than thirty-one characters\"", "counter.font = 2,1",
                          "counter.shake = 1", "start.x = -60"};
    kit.Group("Round") = {"round.default.font = 1,0", "round.default.text = \"Round %%i: 100%%\"",
                          "round.time = 20",       "fight.time = 7",
                          "fight.anim = 5",        "fight.offset = 10,20",
                          "KO.time = 5",           "KO.snd = 9,9",
                          "win.font = 1,0",        "win.text = \"%s wins\"",
                          "over.time = 99",        "round3.snd = 1,3"};
    kit.Group("WinIcon") = {"useiconupto = 12", "p1.iconoffset = 6,-1", "p1.perfect.spr = 4,0"};
    kit.tail = "[Begin Action 5]\n" "4,0, 0,0, 10\n";
    ASSERT_EQ(Load(), 1) << gv->errorText;
    const FightData *f = gv->fight;

    EXPECT_EQ(f->life[1].posX, 300);
    EXPECT_EQ(f->life[1].range[0], -5);
    EXPECT_EQ(f->life[1].range[1], -100);
    EXPECT_EQ(f->life[1].front.kind, SCREEN_ELEM_SPRITE);
    EXPECT_EQ(f->life[1].front.layer, 2);
    EXPECT_EQ(f->levelSnd[3].group, 1);
    EXPECT_EQ(f->levelSnd[3].number, 3);
    EXPECT_EQ(f->levelSnd[4].group, -1) << "a sound without its number is none";
    EXPECT_EQ(f->levelSnd[5].group, -1);
    EXPECT_EQ(f->power[0].counter.kind, SCREEN_ELEM_TEXT);
    EXPECT_EQ(f->power[0].counter.align, -1);
    EXPECT_EQ(f->turnsFace[0].facing, -1) << "teammate.facing overwrites facing";
    EXPECT_EQ(f->turnsFace[1].facing, 1);
    EXPECT_EQ(f->turnsFace[0].teamSpacingX, 12);
    EXPECT_EQ(gv->fightRound.framesPerCount, 1) << "a count of 0 frames would divide by zero";
    EXPECT_STREQ(f->combo.text, "A combo text of more than thirt");
    EXPECT_EQ(f->combo.counterFont, 2);
    EXPECT_EQ(f->combo.counterBank, 1);
    EXPECT_EQ(f->combo.counterShake, 1);
    EXPECT_EQ(f->combo.startX, -60);

    const FightRound &fr = gv->fightRound;
    EXPECT_STREQ(f->round.roundDefault.text, "Round %i: 100%");
    EXPECT_STREQ(fr.roundDefaultText, "Round %i: 100%");
    EXPECT_STREQ(fr.winText, "%s wins");
    EXPECT_EQ(gv->roundTime, 20);
    EXPECT_EQ(fr.roundSndTime, 20) << "round.sndtime defaults to round.time";
    EXPECT_EQ(fr.fightSndTime, 7);
    EXPECT_EQ(fr.koTime, 15);
    EXPECT_EQ(fr.koSndTime, 15);
    EXPECT_EQ(fr.koSnd.group, 9);
    EXPECT_EQ(fr.roundSnd[2].number, 3);
    EXPECT_EQ(gv->overTime, 99);
    EXPECT_EQ(f->round.fight.kind, SCREEN_ELEM_ANIM);
    EXPECT_EQ(f->round.fight.num1, 5);
    EXPECT_EQ(f->round.fight.offsetX, 10);
    EXPECT_EQ(f->round.fight.offsetY, 20);
    EXPECT_EQ(f->useIconUpTo, 9);
    EXPECT_EQ(f->winIcon[0].offsetY, -1);
    EXPECT_EQ(f->winIcon[0].icon[8].kind, SCREEN_ELEM_SPRITE);

    ASSERT_NE(gv->fightAnims, nullptr);
    EXPECT_GE(AnimSetFindAction(gv->fightAnims, 0, 5), 0);
    EXPECT_NE(gv->fightFonts[1], gv->sysFont[0]);
    EXPECT_EQ(gv->fightFonts[0], gv->sysFont[0]);
    EXPECT_EQ(FightFontGet(1), gv->fightFonts[1]);
    EXPECT_EQ(FightFontGet(-1), nullptr);
    EXPECT_EQ(FightFontGet(10), nullptr);
}

TEST_F(FightLoad, KoTimesAtTheTopOfTheIntRangeStayThere)
{
    ASSERT_EQ(LoadWith("Round", {"KO.time = 2147483647", "KO.sndtime = 2147483640"}), 1) << gv->errorText;
    EXPECT_EQ(gv->fightRound.koTime, INT_MAX);
    EXPECT_EQ(gv->fightRound.koSndTime, INT_MAX);
}

TEST_F(FightLoad, ScreenElementKindsAndFields)
{
    struct Case {
        const char *lines;
        int kind, num1, num2, align, displayTime, layer, facing, vfacing;
        float scaleX;
        const char *text;
    } cases[] = {
        {"e.spr = 4,2\ne.anim = 7", SCREEN_ELEM_SPRITE, 4, 2, 0, 1, 0, 1, 1, 1.0f, ""},
        {"e.anim = 7\ne.displaytime = 30\ne.layerno = 2\ne.facing = -1", SCREEN_ELEM_ANIM, 7, 0, 0, 30, 2, -1, 1,
         1.0f, ""},
        {"e.anim = 7\ne.scale = 2.5,0.5\ne.vfacing = -1", SCREEN_ELEM_ANIM, 7, 0, 0, -2, 0, 1, -1, 2.5f, ""},
        {"e.font = 3,1,-1\ne.text = \"Hello; there\"", SCREEN_ELEM_TEXT, 3, 1, -1, 1, 0, 1, 1, 1.0f, "Hello"},
        {"e.font = 3,1\ne.text = Plain", SCREEN_ELEM_TEXT, 3, 1, 0, 1, 0, 1, 1, 1.0f, "Plain"},
        {"e.font = 3\ne.text = \"Alone\"", SCREEN_ELEM_NONE, 0, 0, 0, -2, 0, 1, 1, 1.0f, ""},
        {"e.spr = 4\ne.offset = 5,6", SCREEN_ELEM_NONE, 0, 0, 0, -2, 0, 1, 1, 1.0f, ""},
    };
    auto read = [](const std::string &lines) {
        VFile *vf = DefMemVFile("[G]\n" + lines + "\n");
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        ScreenElem e;
        ScreenElemInit(&e);
        EXPECT_NE(tp, nullptr);
        if (tp) {
            TxtParseGroupSet(tp, "G");
            ScreenElemRead(tp, &e, "e");
            TxtParseClose(tp);
        }
        return e;
    };
    int serial = gv->screenElemSerial;
    for (const Case &c : cases) {
        ScreenElem e = read(c.lines);
        EXPECT_EQ(e.kind, c.kind) << c.lines;
        EXPECT_EQ(e.num1, c.num1) << c.lines;
        EXPECT_EQ(e.num2, c.num2) << c.lines;
        EXPECT_EQ(e.align, c.align) << c.lines;
        EXPECT_EQ(e.displayTime, c.displayTime) << c.lines;
        EXPECT_EQ(e.layer, c.layer) << c.lines;
        EXPECT_EQ(e.facing, c.facing) << c.lines;
        EXPECT_EQ(e.vfacing, c.vfacing) << c.lines;
        EXPECT_FLOAT_EQ(e.scaleX, c.scaleX) << c.lines;
        EXPECT_STREQ(e.text, c.text) << c.lines;
        EXPECT_EQ(e.offsetX, 0) << "no kind, no further keys";
        // Every element takes the next serial, kind or not.
        EXPECT_EQ(e.serial, ++serial) << c.lines;
    }

    // A long text keeps 47 characters.
    EXPECT_EQ(strlen(read("e.font = 0,0\ne.text = \"" + std::string(60, 'x') + "\"").text), 47u);
}

TEST_F(FightLoad, EveryMissingGroupAndFileEndsTheLoad)
{
    struct Case {
        std::function<void(FightKit &)> change;
        const char *error;
    } cases[] = {
        {[](FightKit &k) { k.Drop("Files"); }, "Missing files info"},
        {[](FightKit &k) { k.Drop("Lifebar"); }, "Missing lifebar info"},
        {[](FightKit &k) { k.Drop("Turns Lifebar"); }, "Missing turns lifebar info"},
        {[](FightKit &k) { k.Drop("Simul Lifebar"); }, "Missing simul lifebar info"},
        {[](FightKit &k) { k.Drop("Powerbar"); }, "Missing Powerbar info"},
        {[](FightKit &k) { k.Drop("Face"); }, "Missing face info"},
        {[](FightKit &k) { k.Drop("Simul Face"); }, "Missing simul face info"},
        {[](FightKit &k) { k.Drop("Turns Face"); }, "Missing turns face info"},
        {[](FightKit &k) { k.Drop("Name"); }, "Missing name info"},
        {[](FightKit &k) { k.Drop("Simul Name"); }, "Missing simul name info"},
        {[](FightKit &k) { k.Drop("Turns Name"); }, "Missing turns name info"},
        {[](FightKit &k) { k.Drop("Time"); }, "Missing time info"},
        {[](FightKit &k) { k.Drop("Combo"); }, "Missing combo info"},
        {[](FightKit &k) { k.Drop("Round"); }, "Missing round info"},
        {[](FightKit &k) { k.Drop("WinIcon"); }, "Missing winicon info"},
        {[](FightKit &k) { k.Group("Files").erase(k.Group("Files").begin()); }, "Can't read Files|sff"},
        {[](FightKit &k) { k.Group("Files")[0] = "sff = none.sff"; }, "Can't read none.sff"},
        {[](FightKit &k) { k.Group("Files")[0] = "sff = fight.snd"; }, "Can't read fight.snd"},
        {[](FightKit &k) { k.Group("Files").erase(k.Group("Files").begin() + 1); }, "Can't read Files|snd"},
        {[](FightKit &k) { k.Group("Files")[1] = "snd = fight.sff"; }, "Can't read fight.sff"},
        {[](FightKit &k) { k.Group("Files").erase(k.Group("Files").begin() + 2); }, "Can't read Files|fightfx.sff"},
        {[](FightKit &k) { k.Group("Files")[2] = "fightfx.sff = none"; }, "Can't load none"},
        {[](FightKit &k) { k.Group("Files").erase(k.Group("Files").begin() + 3); }, "Can't read Files|fightfx.air"},
        {[](FightKit &k) { k.Group("Files")[3] = "fightfx.air = fight.def"; }, "Can't load fight.def"},
        {[](FightKit &k) { k.Group("Files").erase(k.Group("Files").begin() + 4); }, "Can't read Files|common.snd"},
        {[](FightKit &k) { k.Group("Files")[4] = "common.snd = fight.sff"; }, "Can't load fight.sff"},
        {[](FightKit &k) { k.Group("Files").push_back("font4 = fight.sff"); }, "Can't read font fight.sff"},
        {[](FightKit &k) { k.tail = "[Begin Action 3]\n4,0\n"; },
         "Too few arguments on element 1 of [Begin Action 3]:\n4,0 (2)\nError loading anim in Files"},
    };
    for (const Case &c : cases) {
        kit = FightKitMake();
        c.change(kit);
        gv->errorText[0] = 0;
        EXPECT_EQ(Load(), 0) << c.error;
        EXPECT_STREQ(gv->errorText, c.error);
        ExpectNothingKept();
    }
    EXPECT_EQ(FightDefLoad("nowhere/fight.def"), 0);
    EXPECT_STREQ(gv->errorText, "Can't open nowhere/fight.def");
}

TEST_F(FightLoad, GroupNamesMatchInAnyCaseAndFilesAreFoundBesideTheFile)
{
    for (FightGroup &g : kit.groups)
        for (char &ch : g.name)
            ch = (char)toupper((unsigned char)ch);
    // The working directory is not the fight file's.
    ASSERT_EQ(FightDefLoad(kit.Write("data/motif").c_str()), 1) << gv->errorText;
}

TEST_F(FightLoad, StatusLogLines)
{
    kit.tail = "[Begin Action 5]\n" "4,0, 0,0, 10\n";
    std::string path = kit.Write();
    ASSERT_EQ(FightDefLoad(path.c_str()), 1) << gv->errorText;
    std::string log = ReadFileText("velokw.log");
    std::string want = "    Opening fight data file fight/fight.def...OK\n"
                       "    Reading [Files]...OK\n"
                       "    Loading fonts...OK\n"
                       "    Load fight anim...OK\n"
                       "    Reading [Lifebar]...[Turns Lifebar]...[Simul Lifebar]...[Powerbar]...\n"
                       "    [Face]...[Simul Face]...[Turns Face]...\n"
                       "    [Name]...[Simul Name]...[Turns Name]...\n"
                       "    [Time]...[Combo]...[Round]...[WinIcon]...OK\n"
                       "    Allocating explods...OK\n";
    ASSERT_GE(log.size(), want.size());
    EXPECT_EQ(log.substr(log.size() - want.size()), want);
}

TEST_F(FightLoad, ExplodListsComeWithTheFileAndGoWithIt)
{
    ASSERT_EQ(Load(), 1) << gv->errorText;
    ASSERT_TRUE(gv->explods && gv->sysExplods);
    EXPECT_EQ(gv->explods->capacity, 8);
    EXPECT_EQ(gv->sysExplods->drawList, nullptr);
    FightDataFree();
    EXPECT_EQ(gv->explods, nullptr);
    EXPECT_EQ(gv->sysExplods, nullptr);
    // A list that cannot be made fails the load and keeps nothing.
    const struct {
        int explods, sysExplods;
        const char *error;
    } cases[] = {{0, 8, "Can't allocate explods"}, {8, 0, "Can't allocate sysexplods"}};
    for (const auto &c : cases) {
        gv->cfg.engine.explodMax = c.explods;
        gv->cfg.engine.sysExplodMax = c.sysExplods;
        EXPECT_EQ(Load(), 0);
        EXPECT_STREQ(gv->errorText, c.error);
        ExpectNothingKept();
        EXPECT_EQ(gv->explods, nullptr);
    }
}

TEST_F(FightLoad, PalettesJoinThePaletteListAndLeaveItWhenFreed)
{
    kit.Group("Files").push_back("font2 = kit.fnt");
    ASSERT_EQ(Load(), 1) << gv->errorText;
    PalListRebuild();
    auto count = [](uint32_t bits) {
        int n = 0;
        for (int i = 0; i < gv->palList->count; i++)
            n += PalGroupMaskEqual(gv->palList->entries[i].mask, PalGroupMaskMake(bits, 0));
        return n;
    };
    EXPECT_EQ(count(PAL_GROUP_FIGHT), SprSetPalCount(gv->fightSpr));
    EXPECT_GT(count(PAL_GROUP_FIGHT), 0);
    EXPECT_EQ(count(PAL_GROUP_FIGHTFX), SprSetPalCount(gv->fightFxSpr));
    EXPECT_EQ(count(PAL_GROUP_FONT), SprSetPalCount(gv->fightFonts[2]->glyphs)) << "the system font is not listed";
    FightDataFree();
    EXPECT_EQ(gv->palList->count, 0);
}
