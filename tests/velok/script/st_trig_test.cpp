#include "velok/script/st-trig.h"

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "lib/grandom.h"
#include "lib/libbase.h"
#include "support/scriptkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/stparam.h"

class Trig : public ScriptTest {
protected:
    void TearDown() override
    {
        ExprFree(&expr);
        ScriptTest::TearDown();
    }
    // Compiles the text and returns its last trigger node (null on failure).
    TrigNode *Node(const char *text)
    {
        ExprFree(&expr);
        gv->errorText[0] = 0;
        if (!Compile(text, &expr) || !expr.code)
            return nullptr;
        for (int i = expr.count - 1; i >= 0; i--)
            if (expr.kinds[i] == EXPR_KIND_TRIG)
                return expr.code[i].trig;
        return nullptr;
    }
    Expr expr{};
};

TEST_F(Trig, NamesMapToCodes)
{
    struct Case {
        const char *text;
        int code;
        int num;
    } cases[] = {
        {"time", 0, 0},           {"StateTime", 0, 0},       {"animtime", 1, 0},        {"anim", 3, 0},
        {"p2life", 10, 0},        {"winperfect", 108, 0},    {"win", 109, -1},          {"winko", 109, 1},
        {"WinTime", 109, 3},      {"lose", 110, -1},         {"loseko", 110, 1},        {"losetime", 110, 3},
        {"drawgame", 111, 0},     {"matchover", 112, 0},     {"gametime", 113, 0},      {"roundno", 114, 0},
        {"roundstate", 115, 0},   {"matchno", 116, 0},       {"roundsexisted", 117, 0}, {"teamside", 120, 0},
        {"ishometeam", 122, 0},   {"frontedgedist", 11, 0},  {"backedgedist", 12, 0},   {"frontedgebodydist", 11, 1},
        {"backedgebodydist", 12, 1}, {"life", 15, 0},        {"lifemax", 16, 0},        {"power", 17, 0},
        {"powermax", 18, 0},      {"alive", 19, 0},          {"hitcount", 30, 0},       {"uniqhitcount", 31, 0},
        {"movehit", 32, 0},       {"moveguarded", 33, 0},    {"movecontact", 34, 0},    {"movereversed", 35, 0},
        {"inguarddist", 36, 0},   {"stateno", 40, 0},        {"prevstateno", 41, 0},    {"p2stateno", 42, 0},
        {"ctrl", 47, 0},          {"random", 51, 0},         {"numproj", 60, 0},        {"numprojid(2)", 340, 0},
        {"projcanceltime(0)", 347, 0}, {"projhittime(1)", 337, 0}, {"projguardedtime(1)", 338, 0},
        {"projcontacttime(1)", 339, 0}, {"numpartner", 95, 0}, {"numenemy", 96, 0},      {"id", 97, 0},
        {"facing", 99, 0},        {"hitfall", 100, 0},       {"hitshakeover", 101, 0},  {"hitover", 102, 0},
        {"hitpausetime", 104, 0}, {"canrecover", 105, 0},    {"animelemno(0)", 348, 0}, {"animexist(5)", 332, 0},
        {"selfanimexist(5)", 333, 0}, {"playeridexist(5)", 334, 0}, {"palno", 107, 0},   {"numexplod", 150, 0},
        {"numexplod(3)", 341, 0}, {"numtarget", 160, 0},     {"numtarget(3)", 342, 0},  {"tickspersecond", 190, 0},
        {"ishelper", 201, 0},     {"ishelper(2)", 335, 0},   {"numhelper", 202, 0},     {"numhelper (2)", 336, 0},
        {"standby", 205, 0},      {"pi", 300, 0},            {"E", 301, 0},             {"ifelse(1,2,3)", 305, 0},
        {"log(2,4)", 310, 0},     {"sin(1)", 320, 0},        {"cos(1)", 321, 0},        {"tan(1)", 322, 0},
        {"asin(1)", 323, 0},      {"acos(1)", 324, 0},       {"atan(1)", 325, 0},       {"exp(1)", 326, 0},
        {"ln(1)", 327, 0},        {"abs(1)", 328, 0},        {"floor(1)", 329, 0},      {"ceil(1)", 330, 0},
        {"animelemtime(1)", 331, 0}, {"var(1)", 343, 0},     {"fvar(1)", 344, 0},       {"sysvar(1)", 345, 0},
        {"sysfvar(1)", 346, 0},
    };
    for (const Case &c : cases) {
        TrigNode *n = Node(c.text);
        ASSERT_NE(n, nullptr) << c.text << ": " << gv->errorText;
        EXPECT_EQ(n->code, c.code) << c.text;
        EXPECT_EQ(n->num, c.num) << c.text;
        EXPECT_EQ(n->redirect, 0) << c.text;
    }
    EXPECT_EQ(Node("foo"), nullptr);
    EXPECT_STREQ(gv->errorText, "Invalid trigger: foo");
    EXPECT_EQ(Node("winx"), nullptr);
    EXPECT_STREQ(gv->errorText, "Invalid win trigger: winx");
    EXPECT_EQ(Node("loseround"), nullptr);
    EXPECT_STREQ(gv->errorText, "Invalid lose trigger: loseround");
    std::string longWord(300, 'a');
    EXPECT_EQ(Node(longWord.c_str()), nullptr);
}

TEST_F(Trig, ArgumentsAndArgCounts)
{
    EXPECT_EQ(TrigArgCount(320), 1);
    EXPECT_EQ(TrigArgCount(348), 1);
    EXPECT_EQ(TrigArgCount(310), 2);
    EXPECT_EQ(TrigArgCount(305), 3);
    EXPECT_EQ(TrigArgCount(0), 0);
    EXPECT_EQ(TrigArgCount(300), 0);

    const char *bad[] = {"sin", "sin()", "sin(1, 2)", "log(2)", "ifelse(1, 2)", "ifelse(1, 2, 3, 4)",
                         "var(1", "var[1]", "sin(1]", "var()", "abs(1 2)"};
    for (const char *text : bad)
        EXPECT_EQ(Node(text), nullptr) << text;

    // Argument code comes first, then the trigger entry.
    ASSERT_NE(Node("ifelse(time, 2 + 3, var(1))"), nullptr);
    EXPECT_EQ(expr.count, 7);
    EXPECT_EQ(expr.kinds[0], EXPR_KIND_TRIG);
    EXPECT_EQ(expr.kinds[6], EXPR_KIND_TRIG);
    EXPECT_EQ(expr.code[6].trig->code, TRIG_IFELSE);

    // TrigArgListParse directly: counts, code length and the closing ")".
    ExprWord values[16];
    uint8_t kinds[16];
    int len = 0;
    const char *end = nullptr;
    const char *text = "(1 + 2, 3) + 4";
    EXPECT_EQ(TrigArgListParse(text, "nn:)", &pl, &end, values, kinds, &len, 16), 2);
    EXPECT_EQ(len, 4);
    EXPECT_EQ(end, text + 10);
    EXPECT_EQ(TrigArgListParse("(1, 2, 3)", "nn:)", &pl, &end, values, kinds, &len, 16), -1);
    EXPECT_EQ(TrigArgListParse("1, 2)", "nn:)", &pl, &end, values, kinds, &len, 16), -1);
}

TEST_F(Trig, RedirectForms)
{
    struct Case {
        const char *text;
        int redirect;
        int arg;
        int code;
    } cases[] = {
        {"parent, time", 1, 0, 0},          {"Root , var(2)", 2, 0, 343},   {"helper, life", 3, 0, 15},
        {"helper(1234), life", 3, 1234, 15}, {"target, time", 4, -1, 0},     {"target(2),time", 4, 2, 0},
        {"partner, stateno", 5, 0, 40},      {"partner(1), stateno", 5, 1, 40}, {"enemy, life", 6, 0, 15},
        {"enemy(1), life", 6, 1, 15},        {"enemynear, pos x", 7, 0, 4},  {"enemynear(1 + 1), life", 7, 2, 15},
        {"playerid(57), name = \"x\"", 8, 57, 90},
    };
    for (const Case &c : cases) {
        TrigNode *n = Node(c.text);
        ASSERT_NE(n, nullptr) << c.text << ": " << gv->errorText;
        EXPECT_EQ(n->redirect, c.redirect) << c.text;
        EXPECT_EQ(n->code, c.code) << c.text;
        EXPECT_EQ(ExprEvalInt(&pl, &n->redirectArg, 0), c.arg) << c.text;
    }
    const char *bad[] = {"playerid, time", "parent(1), time", "helper(1) time", "helper(1, time",
                         "root,", "target(2.5), time", "enemy(, life"};
    for (const char *text : bad)
        EXPECT_EQ(Node(text), nullptr) << text;
}

TEST_F(Trig, RedirectToParentAndRoot)
{
    Player parent{};
    StrCopy(parent.name, sizeof parent.name, "Mother");
    parent.id = 3;
    parent.var[2] = 40;
    ClearWarnings();
    ScriptValue v = Eval("parent, var(2) + 5");
    EXPECT_EQ(v.i, 5);
    EXPECT_EQ(Warnings(), "   0: Warning: Player Tester (56) in state 0:\nhas no parent");
    ClearWarnings();
    v = Eval("root, stateno + 1");
    EXPECT_EQ(v.i, 1);
    EXPECT_EQ(Warnings(), "   0: Warning: Player Tester (56) in state 0:\nhas no root");

    // The parent is found in its slot by its id.
    Player *slots[] = {nullptr, &pl, &parent};
    gv->players = slots;
    gv->playerSlotCount = 2;
    parent.slot = 2;
    pl.isHelper = 1;
    pl.parent = &parent;
    pl.parentSlot = 2;
    pl.parentId = 3;
    pl.root = &parent;
    EXPECT_EQ(Eval("parent, var(2) + 5").i, 45);
    EXPECT_EQ(Eval("root, var(2)").i, 40);
    // Warnings from inside a redirected trigger name both players.
    ClearWarnings();
    EXPECT_EQ(Eval("parent, var(99)").i, 0);
    EXPECT_EQ(Warnings(), "   0: Warning: Player Mother (3) in state 0:\nin redirected trigger from player Tester (56) "
                          "in state 0:\nvar index out of range");
    // Once the slot holds another player the parent is gone.
    parent.id = 4;
    ClearWarnings();
    EXPECT_EQ(Eval("parent, var(2) + 5").i, 5);
    EXPECT_EQ(Warnings(), "   0: Warning: Player Tester (56) in state 0:\nhas no parent");
    gv->players = nullptr;
    gv->playerSlotCount = 0;
}

TEST_F(Trig, OldStyleForms)
{
    struct Case {
        const char *text;
        int code;
        int cmp;
        int lo;
        int hi;
        int num;
        int projValue;
    } cases[] = {
        {"animelem = 2", 2, TRIG_CMP_EQ, 0, 0, 1, 0},
        {"animelem = 2, >= 3", 2, TRIG_CMP_GE, 3, 0, 1, 0},
        {"animelem=3,4", 2, TRIG_CMP_EQ, 4, 0, 2, 0},
        {"animelem = 1, = [2, 5)", 2, TRIG_CMP_CO, 2, 5, 0, 0},
        {"timemod = 4, 0", 7, TRIG_CMP_EQ, 0, 0, 4, 0},
        {"timemod = 10, != 3", 7, TRIG_CMP_NE, 3, 0, 10, 0},
        {"projhit = 1", 62, TRIG_CMP_NONE, 0, 0, 0, 1},
        {"projhit5 = 0", 62, TRIG_CMP_NONE, 0, 0, 5, 0},
        {"projguarded12 = 1, < 4", 63, TRIG_CMP_LT, 4, 0, 12, 1},
        {"projcontact = 1, -2", 64, TRIG_CMP_EQ, -2, 0, 0, 1},
        {"statetype = S", 43, TRIG_CMP_EQ, 1, 0, 0, 0},
        {"statetype != a", 43, TRIG_CMP_NE, 3, 0, 0, 0},
        {"p2statetype = L", 44, TRIG_CMP_EQ, 4, 0, 0, 0},
        {"statetype=C", 43, TRIG_CMP_EQ, 2, 0, 0, 0},
        {"movetype = H", 45, TRIG_CMP_EQ, 2, 0, 0, 0},
        {"p2movetype != I", 46, TRIG_CMP_NE, 0, 0, 0, 0},
        {"hitdefattr = SC, NA, SA", 48, TRIG_CMP_EQ, 0x1b, 0, 0, 0},
        {"hitdefattr != A, AP", 48, TRIG_CMP_NE, 0xe04, 0, 0, 0},
        {"teammode = single", 121, TRIG_CMP_EQ, 0, 0, 0, 0},
        {"teammode = Simul", 121, TRIG_CMP_EQ, 1, 0, 0, 0},
        {"teammode = turns", 121, TRIG_CMP_EQ, 3, 0, 0, 0},
    };
    for (const Case &c : cases) {
        TrigNode *n = Node(c.text);
        ASSERT_NE(n, nullptr) << c.text << ": " << gv->errorText;
        EXPECT_EQ(n->code, c.code) << c.text;
        EXPECT_EQ(n->cmpOp, c.cmp) << c.text;
        EXPECT_EQ(n->lo, c.lo) << c.text;
        EXPECT_EQ(n->hi, c.hi) << c.text;
        EXPECT_EQ(n->num, c.num) << c.text;
        EXPECT_EQ(n->projValue, c.projValue) << c.text;
    }
    struct Bad {
        const char *text;
        const char *error;
    } bad[] = {
        {"animelem = 0", "Anim must be > 0"},
        {"animelem", "Invalid trigger: animelem"},
        {"timemod = 0, 1", "Invalid trigger: timemod = 0, 1"},
        {"timemod = 4", "Invalid trigger: timemod = 4"},
        {"statetype = X", "Invalid trigger: statetype = X"},
        {"movetype > A", "Invalid trigger: movetype > A"},
        {"hitdefattr = SX", "Invalid trigger: hitdefattr = SX"},
        {"teammode = pairs", "Invalid TeamMode pairs in teammode = pairs"},
        {"projhitx = 1", "Invalid trigger: projhitx"},
        {"projhit", "Invalid trigger: projhit"},
    };
    for (const Bad &b : bad) {
        EXPECT_EQ(Node(b.text), nullptr) << b.text;
        EXPECT_STREQ(gv->errorText, b.error) << b.text;
    }
    // An old-style form ends where the expression goes on.
    ASSERT_NE(Node("animelem = 2 && time > 3"), nullptr);
    EXPECT_EQ(expr.count, 5);
}

TEST_F(Trig, StateAndMoveTypeComparisons)
{
    const int types[] = {1, 2, 3, 4};  // S C A L
    for (int t : types) {
        pl.state.stateType = t;
        EXPECT_EQ(Eval("statetype != A").i, t != 3) << t;
        EXPECT_EQ(Eval("statetype = C").i, t == 2) << t;
    }
    pl.state.moveType = 1;
    EXPECT_EQ(Eval("movetype = A").i, 1);
    EXPECT_EQ(Eval("movetype = H || movetype = I").i, 0);
}

TEST_F(Trig, CompareParse)
{
    struct Case {
        const char *text;
        int cmp;
        int lo;
        int hi;
        int used;
    } cases[] = {
        {"= 3", TRIG_CMP_EQ, 3, 0, 3},     {"!= 3", TRIG_CMP_NE, 3, 0, 4},   {"> 3", TRIG_CMP_GT, 3, 0, 3},
        {">= 3", TRIG_CMP_GE, 3, 0, 4},    {"< -3", TRIG_CMP_LT, -3, 0, 4},  {"<=3", TRIG_CMP_LE, 3, 0, 3},
        {"7", TRIG_CMP_EQ, 7, 0, 1},       {"-7 &&", TRIG_CMP_EQ, -7, 0, 2}, {"= [1,5]", TRIG_CMP_CC, 1, 5, 7},
        {"= [1, 5)", TRIG_CMP_CO, 1, 5, 8}, {"=(1,5]", TRIG_CMP_OC, 1, 5, 6}, {"= (1,5)", TRIG_CMP_OO, 1, 5, 7},
    };
    for (const Case &c : cases) {
        TrigNode n{};
        const char *end = nullptr;
        ASSERT_EQ(TrigCompareParse(c.text, &n, &end), 1) << c.text;
        EXPECT_EQ(n.cmpOp, c.cmp) << c.text;
        EXPECT_EQ(n.lo, c.lo) << c.text;
        EXPECT_EQ(n.hi, c.hi) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    TrigNode f{};
    f.isFloat = 1;
    const char *end;
    ASSERT_EQ(TrigCompareParse("= [1.5, 2.5]", &f, &end), 1);
    EXPECT_FLOAT_EQ(f.flo, 1.5f);
    EXPECT_FLOAT_EQ(f.fhi, 2.5f);
    const char *bad[] = {"", "x", "= [1, 2", "= [1 2]", "=", ">= y"};
    for (const char *text : bad) {
        TrigNode n{};
        EXPECT_EQ(TrigCompareParse(text, &n, &end), 0) << text;
    }
}

TEST_F(Trig, CommandsAndNames)
{
    SetCommands({"QCF_x", "a", "QCF_x2"});
    TrigNode *n = Node("command = \"QCF_x2\"");
    ASSERT_NE(n, nullptr) << gv->errorText;
    EXPECT_EQ(n->lo, 3);
    EXPECT_EQ(n->cmpOp, TRIG_CMP_EQ);
    n = Node("command != \"a\" && 1");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->code, TRIG_COMMAND);
    EXPECT_EQ(n->lo, 2);
    EXPECT_EQ(n->cmpOp, TRIG_CMP_NE);

    EXPECT_EQ(Node("command = \"qcf_x\""), nullptr);  // labels compare exactly
    EXPECT_STREQ(gv->errorText, "Undefined command label: \"qcf_x\".\nIf not misspelling in CNS, check CMD");
    EXPECT_EQ(Node("command = QCF_x"), nullptr);
    EXPECT_STREQ(gv->errorText, "Couldn't parse command.");
    EXPECT_EQ(Node("command"), nullptr);
    EXPECT_STREQ(gv->errorText, "Couldn't parse command.");
    EXPECT_EQ(Node("command = \"QCF_x"), nullptr);
    std::string longLabel = "command = \"" + std::string(200, 'k') + "\"";
    EXPECT_EQ(Node(longLabel.c_str()), nullptr);
    EXPECT_EQ(strlen(gv->errorText), strlen("Undefined command label: \"\".\nIf not misspelling in CNS, check CMD") + 63);

    const struct {
        const char *text;
        int code;
        int cmp;
        const char *str;
    } names[] = {
        {"name = \"Kung Fu Man\"", 90, TRIG_CMP_EQ, "Kung Fu Man"},
        {"p1name != \"x\"", 90, TRIG_CMP_NE, "x"},
        {"p2name = \"\"", 91, TRIG_CMP_EQ, ""},
        {"p3name = \"a\"", 92, TRIG_CMP_EQ, "a"},
        {"p4name = \"b\"", 93, TRIG_CMP_EQ, "b"},
        {"authorname = \"Me\"", 94, TRIG_CMP_EQ, "Me"},
    };
    for (const auto &c : names) {
        n = Node(c.text);
        ASSERT_NE(n, nullptr) << c.text;
        EXPECT_EQ(n->code, c.code);
        EXPECT_EQ(n->cmpOp, c.cmp);
        EXPECT_STREQ(n->str, c.str);
    }
    EXPECT_EQ(Node("name = Kung"), nullptr);
    EXPECT_EQ(Node("name = \"Kung"), nullptr);

    // A deep copy owns its own string and redirect.
    n = Node("playerid(3 + 4), p2name = \"Zed\"");
    ASSERT_NE(n, nullptr);
    TrigNode *copy = TrigNodeCopy(n);
    ExprFree(&expr);
    EXPECT_STREQ(copy->str, "Zed");
    EXPECT_EQ(ExprEvalInt(&pl, &copy->redirectArg, 0), 7);
    TrigNodeFree(copy);
}

TEST_F(Trig, GetHitVarConstAndStageVar)
{
    for (const TrigVarName &v : TrigGetHitVarNames) {
        std::string text = std::string("gethitvar(") + v.name + ")";
        TrigNode *n = Node(text.c_str());
        ASSERT_NE(n, nullptr) << text;
        EXPECT_EQ(n->lo, v.index);
        EXPECT_EQ(n->isFloat, v.isFloat);
    }
    TrigNode *n = Node("gethitvar( FALL.Envshake.Freq )");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->lo, 34);
    EXPECT_EQ(n->isFloat, 1);
    EXPECT_EQ(Node("gethitvar(yvel)")->isFloat, 1);
    EXPECT_EQ(Node("gethitvar(fall.recovertime)")->lo, 29);

    std::set<std::string> names;
    std::set<int> words;
    for (const TrigVarName &v : TrigConstNames) {
        names.insert(v.name);
        words.insert(v.index);
    }
    EXPECT_EQ(names.size(), 66u);
    EXPECT_EQ(words.size(), 66u);
    EXPECT_EQ(*words.rbegin(), 65);

    pl.consts.life = 1000;
    pl.consts.walkFwd = 2.4f;
    pl.consts.yAccel = 0.44f;
    pl.consts.attackZWidthBack = 7;
    pl.consts.jumpY = -8.5f;
    pl.consts.jumpNeuX = 0.25f;
    pl.consts.floatPersistIndex = 40;
    EXPECT_EQ(Eval("const(data.life)").i, 1000);
    EXPECT_FLOAT_EQ(Eval("const(velocity.walk.fwd.x)").f, 2.4f);
    EXPECT_FLOAT_EQ(Eval("const(Movement.YAccel)").f, 0.44f);
    EXPECT_EQ(Eval("const(size.attack.z.width.back)").i, 7);
    EXPECT_FLOAT_EQ(Eval("const(velocity.jump.neu.y)").f, -8.5f);
    EXPECT_FLOAT_EQ(Eval("const(velocity.jump.neu.x)").f, 0.25f);
    EXPECT_EQ(Eval("const(data.floatpersistindex)").i, 40);

    struct Bad {
        const char *text;
        const char *error;
    } bad[] = {
        {"gethitvar", "Need to specify gethitvar(varname): gethitvar"},
        {"gethitvar()", "Need to specify gethitvar(varname): gethitvar()"},
        {"gethitvar(xvel", "Missing closing parenthesis: gethitvar(xvel"},
        {"gethitvar(foo)", "Invalid varname foo in: gethitvar(foo)"},
        {"const", "Need to specify const(varname): const"},
        {"const(data.lives)", "Invalid cnstname data.lives in: const(data.lives)"},
        {"const(data.life", "Missing closing parenthesis: const(data.life"},
        {"stagevar", "Need to specify stagevar(varname): stagevar"},
        {"stagevar(info.name)", "Invalid varname info.name in: stagevar(info.name)"},
        {"stagevar(info.name", "Missing closing parenthesis: stagevar(info.name"},
    };
    for (const Bad &b : bad) {
        EXPECT_EQ(Node(b.text), nullptr) << b.text;
        EXPECT_STREQ(gv->errorText, b.error) << b.text;
    }
}

TEST_F(Trig, VectorComponents)
{
    struct Case {
        const char *text;
        int code;
        int component;
    } cases[] = {
        {"pos x", 4, 0}, {"pos Y", 4, 1}, {"screenpos z", 5, 2}, {"vel x", 6, 0}, {"p2dist y", 8, 1},
        {"p2bodydist x", 9, 0}, {"hitvel y", 103, 1}, {"parentdist x", 203, 0}, {"rootdist z", 204, 2},
    };
    for (const Case &c : cases) {
        TrigNode *n = Node(c.text);
        ASSERT_NE(n, nullptr) << c.text;
        EXPECT_EQ(n->code, c.code);
        EXPECT_EQ(n->lo, c.component);
        EXPECT_EQ(n->isFloat, 1);
    }
    EXPECT_EQ(Node("pos w"), nullptr);
    EXPECT_EQ(Node("pos"), nullptr);
    EXPECT_EQ(Node("vel > 1"), nullptr);
}

TEST_F(Trig, PlayerFreeTriggersEvaluate)
{
    struct Case {
        const char *text;
        int type;
        float value;
    } cases[] = {
        {"pi", 2, 3.14159265f},
        {"e", 2, 2.71828183f},
        {"ifelse(1, 2, 3.5)", 1, 2},
        {"ifelse(0, 2, 3.5)", 2, 3.5f},
        {"ifelse(0.5, 2, 3)", 1, 2},
        {"ifelse(1 / 0, 2, 3)", 1, 0},
        {"log(2, 8)", 2, 3.0f},
        {"sin(0)", 2, 0.0f},
        {"cos(0)", 2, 1.0f},
        {"tan(0)", 2, 0.0f},
        {"asin(1)", 2, 1.5707964f},
        {"acos(1)", 2, 0.0f},
        {"atan(1)", 2, 0.7853982f},
        {"exp(0)", 2, 1.0f},
        {"ln(e)", 2, 1.0f},
        {"abs(-3)", 1, 3},
        {"abs(-2.5)", 2, 2.5f},
        {"floor(2.5)", 1, 2},
        {"ceil(-2.5)", 1, -2},
        {"ceil(2)", 1, 2},
        {"floor(1 / 0)", 1, 0},
        {"sin(1 / 0)", 1, 0},
        {"abs(1 / 0) + 1", 1, 1},
    };
    for (const Case &c : cases) {
        ScriptValue v = Eval(c.text);
        ASSERT_EQ(v.ok, 1) << c.text << ": " << gv->errorText << " / " << LibErrorMsg;
        EXPECT_EQ(v.type, c.type) << c.text;
        if (c.type == 1)
            EXPECT_EQ(v.i, (int)c.value) << c.text;
        else
            EXPECT_NEAR(v.f, c.value, 1e-5) << c.text;
    }

    struct Warn {
        const char *text;
        const char *warning;
    } warns[] = {
        {"log(1, 8)", "took log with non-positive base or argument."},
        {"log(0, 8)", "took log with non-positive base or argument."},
        {"log(2, 0)", "took log with non-positive base or argument."},
        {"ln(0)", "took ln of a non-positive number"},
        {"asin(2)", "asin argument out of range"},
        {"acos(-1.5)", "acos argument out of range"},
        {"var(60)", "var index out of range"},
        {"fvar(40)", "fvar index out of range"},
        {"sysvar(5)", "sysvar index out of range"},
        {"sysfvar(-1)", "sysfvar index out of range"},
    };
    for (const Warn &w : warns) {
        ClearWarnings();
        ScriptValue v = Eval((std::string(w.text) + " + 1").c_str());
        ASSERT_EQ(v.ok, 1) << w.text;
        EXPECT_EQ(v.type, 1) << w.text;
        EXPECT_EQ(v.i, 1) << w.text;  // undefined takes part as 0
        EXPECT_EQ(Warnings(), std::string("   0: Warning: Player Tester (56) in state 0:\n") + w.warning);
    }

    pl.var[1] = 11;
    pl.fvar[39] = 0.5f;
    pl.sysVar[4] = -3;
    pl.sysFvar[0] = 1.25f;
    EXPECT_EQ(Eval("var(1)").i, 11);
    EXPECT_FLOAT_EQ(Eval("fvar(39)").f, 0.5f);
    EXPECT_EQ(Eval("sysvar(4)").i, -3);
    EXPECT_FLOAT_EQ(Eval("sysfvar(0)").f, 1.25f);
    ClearWarnings();
    EXPECT_EQ(Eval("var(1.5)").i, 11);
    EXPECT_NE(Warnings().find("trigger arg truncated to int"), std::string::npos);

    pl.state.time = 4;
    pl.state.stateNo = 200;
    pl.state.prevStateNo = 20;
    pl.state.ctrl = 0;
    EXPECT_EQ(Eval("time + statetime").i, 8);
    EXPECT_EQ(Eval("stateno").i, 200);
    EXPECT_EQ(Eval("prevstateno").i, 20);
    EXPECT_EQ(Eval("ctrl").i, 0);
    EXPECT_EQ(Eval("id").i, 56);

    GameRandomSeed(5);
    for (int i = 0; i < 200; i++) {
        int r = Eval("random").i;
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 999);
    }
}

TEST_F(Trig, PartnerSlots)
{
    Player root{};
    const int pairs[][2] = {{1, 3}, {2, 4}, {3, 1}, {4, 2}, {0, 0}};
    for (const auto &p : pairs) {
        pl.slot = p[0];
        EXPECT_EQ(TrigPartnerSlot(&pl), p[1]) << p[0];
        root.slot = p[0];
        Player helper{};
        helper.slot = 7;
        helper.isHelper = 1;
        helper.root = &root;
        EXPECT_EQ(TrigPartnerSlot(&helper), p[1]) << p[0];
    }
    Player orphan{};
    orphan.slot = 6;
    orphan.isHelper = 1;
    EXPECT_EQ(TrigPartnerSlot(&orphan), 0);
}

using TrigDeath = Trig;

TEST_F(TrigDeath, UnknownCodesAndUnderflow)
{
    EXPECT_EXIT(
        {
            TrigNode n{};
            n.code = 999;
            TrigEval(&pl, &n);
        },
        testing::ExitedWithCode(1), "Missing trigger code 999");
    EXPECT_EXIT(
        {
            TrigNode n{};
            n.code = TRIG_SIN;
            TrigEval(&pl, &n);
        },
        testing::ExitedWithCode(1), "Fatal: Expression stack underflow.");
    EXPECT_EXIT(
        {
            TrigNode n{};
            n.code = TRIG_TIME;
            n.str = strdup("x");
            TrigNodeCopy(&n);
        },
        testing::ExitedWithCode(1), "Random data");
}
