#include "velok/script/stparam.h"

#include <string>

#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/scriptkit.h"

using StParam = ScriptTest;

static float FloatOf(const Expr &e)
{
    EXPECT_EQ(e.code, nullptr);
    return e.isFloat ? e.value.f : (float)e.value.i;
}

TEST_F(StParam, HitAttributes)
{
    struct Case {
        const char *text;
        int mask;
    } cases[] = {
        {"SCA, NA, SA, HA", 0x3f}, {"S, NP", 0x201}, {"A, AT", 0x1c4},  {"SC, A", 0xffb}, {"SX", -1},
        {"S, NX", -1},             {"sca, na", 0xf}, {"S,N", 0x249},    {"C , H", 0x922}, {"A, AA, AP", 0xe3c},
        {"S, ST, HT", 0x181},      {"S, SP", 0x401}, {"S, Q", -1},      {"S NA", -1},     {"S, NA,", -1},
        {"SCA", 0x7},              {"S, NA x", -1},  {"S, N\t", 0x249},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SCtrlHitAttrParse(c.text, nullptr), c.mask) << c.text;

    // Inside an expression the attribute ends where the list does.
    const char *text = "SC, NA && 1";
    const char *end = nullptr;
    EXPECT_EQ(SCtrlHitAttrParse(text, &end), 0xb);
    EXPECT_STREQ(end, " && 1");
    text = "SC, NA, 1";
    EXPECT_EQ(SCtrlHitAttrParse(text, &end), 0xb);
    EXPECT_STREQ(end, ", 1");
}

TEST_F(StParam, HitFlagsPosTypesAndAssertFlags)
{
    const struct {
        const char *text;
        int bits;
    } flags[] = {{"MAF", 0x3e}, {"H-", 0x4}, {"+", 0x102}, {"", 0x2}, {"maf", 0x3e}, {"LDP", 0xca}, {"xyz", 0x2}};
    for (const auto &f : flags)
        EXPECT_EQ(SCtrlHitFlagParse(f.text), f.bits) << f.text;

    const struct {
        const char *word;
        int code;
    } pos[] = {{"P2", 5}, {"p1", 0}, {"p", 0}, {"Left", 3}, {"x", -1}, {"front", 1}, {"Back", 2}, {"right", 4}, {"", -1}};
    for (const auto &p : pos)
        EXPECT_EQ(SCtrlPosTypeParse(p.word), p.code) << p.word;

    const char *globals[] = {"intro", "roundnotover", "noko", "nokosnd", "nokoslow", "nomusic",
                             "globalnoshadow", "timerfreeze", "nobardisplay", "nobg", "nofg"};
    const char *players[] = {"nostandguard", "nocrouchguard", "noairguard", "noautoturn", "noshadow",
                             "nojugglecheck", "nowalk", "unguardable", "invisible"};
    int index, kind;
    for (int i = 0; i < 11; i++) {
        ASSERT_EQ(SCtrlAssertFlagParse(globals[i], &index, &kind), 1) << globals[i];
        EXPECT_EQ(index, i);
        EXPECT_EQ(kind, 0);
    }
    for (int i = 0; i < 9; i++) {
        ASSERT_EQ(SCtrlAssertFlagParse(players[i], &index, &kind), 1) << players[i];
        EXPECT_EQ(index, i);
        EXPECT_EQ(kind, 1);
    }
    EXPECT_EQ(SCtrlAssertFlagParse("NoWalk", &index, &kind), 1);
    EXPECT_EQ(index, 6);
    EXPECT_EQ(SCtrlAssertFlagParse("nowalkx", &index, &kind), 0);
    EXPECT_EQ(SCtrlAssertFlagParse(std::string(500, 'n').c_str(), &index, &kind), 0);
}

TEST_F(StParam, Lists)
{
    Expr a{}, b{}, c{};
    ExprSetInt(&c, 9);
    const char *end = nullptr;
    EXPECT_EQ(SCtrlParseList("1, 2", "fff", &pl, &end, &a, &b, &c), 2);
    EXPECT_FLOAT_EQ(FloatOf(a), 1.0f);
    EXPECT_EQ(a.isFloat, 1);
    EXPECT_FLOAT_EQ(FloatOf(b), 2.0f);
    EXPECT_EQ(c.value.i, 9);  // the third keeps its default
    EXPECT_STREQ(end, "");

    const char *text = "3, 4 , 5";
    EXPECT_EQ(SCtrlParseList(text, "ii", &pl, &end, &a, &b), 2);
    EXPECT_EQ(a.value.i, 3);
    EXPECT_EQ(b.value.i, 4);
    EXPECT_STREQ(end, ", 5");

    EXPECT_EQ(SCtrlParseList("1, foo", "ii", &pl, &end, &a, &b), 1);
    EXPECT_EQ(b.value.i, 4);  // a failed item keeps what it had
    EXPECT_STREQ(end, "foo");
    EXPECT_EQ(SCtrlParseList(nullptr, "ii", &pl, &end, &a, &b), 0);
    EXPECT_EQ(SCtrlParseList("1.5, 2", "in", &pl, &end, &a, &b), 0);
    EXPECT_EQ(SCtrlParseList("time + 1, 2", "nn:,", &pl, &end, &a, &b), 2);
    EXPECT_NE(a.code, nullptr);
    ExprFree(&a);
    ExprFree(&b);
    ExprFree(&c);
}

TEST_F(StParam, FloatPairsAndFSReferences)
{
    Expr x{}, y{};
    ExprSetFloat(&y, 7.0f);
    EXPECT_EQ(SCtrlFloatPairOptParse("n, 5", &x, &y, &pl), 1);
    EXPECT_FLOAT_EQ(FloatOf(x), SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_FLOAT_EQ(FloatOf(y), 5.0f);
    EXPECT_EQ(SCtrlFloatPairOptParse("1.5,n", &x, &y, &pl), 1);
    EXPECT_FLOAT_EQ(FloatOf(x), 1.5f);
    EXPECT_FLOAT_EQ(FloatOf(y), SCTRL_NOT_GIVEN_FLOAT);
    ExprSetFloat(&y, 7.0f);
    EXPECT_EQ(SCtrlFloatPairOptParse("n", &x, &y, &pl), 1);
    EXPECT_FLOAT_EQ(FloatOf(x), SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_FLOAT_EQ(FloatOf(y), 7.0f);
    EXPECT_EQ(SCtrlFloatPairOptParse("1, 2, 3", &x, &y, &pl), 0);
    EXPECT_EQ(SCtrlFloatPairOptParse("x, 1", &x, &y, &pl), 0);
    EXPECT_EQ(SCtrlFloatPairOptParse("N , 3", &x, &y, &pl), 1);
    EXPECT_FLOAT_EQ(FloatOf(y), 3.0f);

    int common = -1;
    Expr e{}, e2{};
    EXPECT_EQ(SCtrlFSIntParse("F5", &e, &common, &pl), 1);
    EXPECT_EQ(common, 1);
    EXPECT_EQ(e.value.i, 5);
    EXPECT_EQ(SCtrlFSIntParse(" s 3", &e, &common, &pl), 1);
    EXPECT_EQ(common, 0);
    EXPECT_EQ(e.value.i, 3);
    common = 1;
    EXPECT_EQ(SCtrlFSIntParse("7", &e, &common, &pl), 1);
    EXPECT_EQ(common, 1);  // no prefix keeps the caller's choice
    EXPECT_EQ(SCtrlFSIntParse("fvar(1)", &e, &common, &pl), 1);
    EXPECT_EQ(common, 1);
    EXPECT_NE(e.code, nullptr);
    EXPECT_EQ(SCtrlFSIntParse("F5 x", &e, &common, &pl), 0);
    EXPECT_EQ(SCtrlFSIntParse("F1.5", &e, &common, &pl), 0);

    EXPECT_EQ(SCtrlFSPairParse("S1, 0", &e, &e2, &common, &pl), 1);
    EXPECT_EQ(common, 0);
    EXPECT_EQ(e.value.i, 1);
    EXPECT_EQ(e2.value.i, 0);
    EXPECT_EQ(SCtrlFSPairParse("F2,3", &e, &e2, &common, &pl), 1);
    EXPECT_EQ(common, 1);
    EXPECT_EQ(e2.value.i, 3);
    EXPECT_EQ(SCtrlFSPairParse("F2,3,4", &e, &e2, &common, &pl), 0);
    ExprFree(&x);
    ExprFree(&y);
    ExprFree(&e);
    ExprFree(&e2);
}

TEST_F(StParam, KeysWithDefaults)
{
    DefFileWrite("p.cns", "[State 1, a]\nint = 4 * 2\nflt = 1\nbad = 1 +\nfl = 2.5\n");
    TxtParseFile *f = TxtParseOpen("p.cns");
    ASSERT_NE(f, nullptr);
    ASSERT_GE(TxtParseGroupSet(f, "State 1, a"), 0);
    Expr e{};
    EXPECT_EQ(SCtrlParamInt(f, "int", &e, &pl, 3), 1);
    EXPECT_NE(e.code, nullptr);
    EXPECT_EQ(ExprEvalInt(&pl, &e, 0), 8);
    EXPECT_EQ(SCtrlParamInt(f, "absent", &e, &pl, 3), 1);
    EXPECT_EQ(e.code, nullptr);
    EXPECT_EQ(e.value.i, 3);
    EXPECT_EQ(SCtrlParamInt(f, "bad", &e, &pl, 3), 0);
    EXPECT_EQ(SCtrlParamInt(f, "fl", &e, &pl, 3), 0);
    EXPECT_EQ(SCtrlParamFloat(f, "flt", &e, &pl, 0.5f), 1);
    EXPECT_EQ(e.isFloat, 1);
    EXPECT_FLOAT_EQ(e.value.f, 1.0f);
    EXPECT_EQ(SCtrlParamFloat(f, "absent", &e, &pl, 0.5f), 1);
    EXPECT_FLOAT_EQ(e.value.f, 0.5f);
    ExprFree(&e);
    TxtParseClose(f);
}

using StParamDeath = StParam;

TEST_F(StParamDeath, BadListFormat)
{
    Expr a{};
    const char *end;
    EXPECT_EXIT(SCtrlParseList("1", "x", &pl, &end, &a), testing::ExitedWithCode(1), "Invalid list format x");
}
