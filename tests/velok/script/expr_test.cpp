#include "velok/script/expr.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "lib/libbase.h"
#include "support/scriptkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/st-trig.h"

using Expr_ = ScriptTest;

struct IntCase {
    const char *text;
    int value;
};

TEST_F(Expr_, IntResultsFollowPrecedenceAndAssociation)
{
    pl.state.time = 3;
    const IntCase cases[] = {
        {"2 + 3 * 4", 14},       {"2 ** 3 ** 2", 64},     {"-2 ** 2", 4},          {"-time ** 2", 9},
        {"1 || 0 && 0", 1},      {"7 / 2", 3},            {"-7 % 2", -1},          {"3 ** 5", 243},
        {"3 ** 6", 729},         {"~0", -1},              {"1 + ~1", -1},          {"1-3", -2},
        {"1 - 3", -2},           {"2 - -3", 5},           {"2 * -3", -6},          {"- 3 * 2", -6},
        {"10 - 2 - 3", 5},       {"100 / 10 / 5", 2},     {"(1 + 2) * 3", 9},      {"1 + -(2)", -1},
        {"!0", 1},               {"!5 + 1", 1},           {"!(5 + 1)", 0},         {"1 < 2 = 1", 1},
        {"5 >= 5", 1},           {"4 <= 3", 0},           {"2 != 3", 1},           {"3 ^^ 0", 1},
        {"3 ^^ 2", 0},           {"6 & 3", 2},            {"6 | 3", 7},            {"6 ^ 3", 5},
        {"1 | 2 & 3", 3},        {"1 ^ 3 & 1", 0},        {"0 && 1 || 1", 1},      {"1 + 2 = 3", 1},
        {"2 ** 0", 1},           {"0 ** 0", 1},           {"-2 ** 3", -8},         {"((((7))))", 7},
        {"2 > 1 > 0", 1},        {"-time", -3},           {"--3", 3},              {"1.5 && 0.0", 0},
        {"0.5 || 0", 1},         {"2.5 > 2", 1},          {"1 = 1.0", 1},
    };
    for (const IntCase &c : cases) {
        ScriptValue v = Eval(c.text);
        ASSERT_EQ(v.ok, 1) << c.text << ": " << LibErrorMsg;
        EXPECT_EQ(v.type, 1) << c.text;
        EXPECT_EQ(v.i, c.value) << c.text;
    }
}

struct FloatCase {
    const char *text;
    float value;
};

TEST_F(Expr_, FloatResultsAndPromotion)
{
    const FloatCase cases[] = {
        {"7.0 / 2", 3.5f}, {"2 ** -1", 0.5f}, {"1.5 + 1", 2.5f}, {".5 * 2", 1.0f},   {"-.5", -0.5f},
        {"5.", 5.0f},      {"-1.5 * 2", -3.0f}, {"2 ** 0.5", sqrtf(2.0f)}, {"4 - 0.25", 3.75f},
        {"-(1.5)", -1.5f}, {"(5 / 0) * 2.0", 0.0f}, {"(5 / 0) + 1.5", 1.5f},
    };
    for (const FloatCase &c : cases) {
        ScriptValue v = Eval(c.text);
        ASSERT_EQ(v.ok, 1) << c.text << ": " << LibErrorMsg;
        EXPECT_EQ(v.type, 2) << c.text;
        EXPECT_FLOAT_EQ(v.f, c.value) << c.text;
    }
}

TEST_F(Expr_, IntArithmeticWrapsAndSaturates)
{
    const IntCase cases[] = {
        {"2147483647 + 1", INT_MIN},
        {"-2147483648 - 1", INT_MAX},
        {"65536 * 65536", 0},
        {"-2147483648 / -1", INT_MIN},
        {"-2147483648 % -1", 0},
        {"7 % -1", 0},
        {"-(-2147483648)", INT_MIN},
        {"2 ** 31", INT_MIN},
        {"2 ** 32", 0},
        {"3 ** 21", 1870418611},  // 10460353203 wrapped to 32 bits
        {"2 ** 2147483647", 0},
        {"(-1) ** 2147483647", -1},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"abs(-2147483648)", INT_MIN},
    };
    for (const IntCase &c : cases) {
        ScriptValue v = Eval(c.text);
        ASSERT_EQ(v.ok, 1) << c.text << ": " << LibErrorMsg;
        EXPECT_EQ(v.type, 1) << c.text;
        EXPECT_EQ(v.i, c.value) << c.text;
    }
}

TEST_F(Expr_, FloatToIntConversionSaturates)
{
    const IntCase cases[] = {
        {"exp(1000)", INT_MAX},
        {"-exp(1000)", INT_MIN},
        {"exp(1000) - exp(1000)", 0},  // NaN
        {"3000000000.0", INT_MAX},
        {"-2.9", -2},
        {"2.9", 2},
        {"floor(exp(1000))", INT_MAX},
        {"ceil(-exp(1000))", INT_MIN},
        {"floor(exp(1000) - exp(1000))", 0},
        {"floor(-2.5)", -3},
        {"ceil(2.1)", 3},
    };
    for (const IntCase &c : cases) {
        Expr e{};
        ASSERT_EQ(Compile(c.text, &e), 1) << c.text;
        EXPECT_EQ(ExprEvalInt(&pl, &e, 0), c.value) << c.text;
        ExprFree(&e);
    }
    EXPECT_EQ(ExprFloatToInt(NAN), 0);
    EXPECT_EQ(ExprFloatToInt(INFINITY), INT_MAX);
    EXPECT_EQ(ExprFloatToInt(-INFINITY), INT_MIN);
    EXPECT_EQ(ExprFloatToInt(2147483520.0f), 2147483520);
}

TEST_F(Expr_, DivisionByZeroWarnsAndTheValueFlowsOn)
{
    struct Case {
        const char *text;
        const char *warning;
        int type;
        float value;
    } cases[] = {
        {"5 / 0", "Divison by zero", 1, 0},
        {"5.0 / 0", "Divison by zero", 1, 0},
        {"5 / 0.0", "Divison by zero", 1, 0},
        {"5 % 0", "Modulus by zero", 1, 0},
        {"1 + 5 / 0", "Divison by zero", 1, 1},
        {"(5 % 0) - 2.5", "Modulus by zero", 2, -2.5f},
        {"(-1) ** 0.5", "Invalid exponentiation", 1, 0},
        {"(-8.0) ** (1.0 / 3)", "Invalid exponentiation", 1, 0},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        ScriptValue v = Eval(c.text);
        ASSERT_EQ(v.ok, 1) << c.text;
        EXPECT_EQ(v.type, c.type) << c.text;
        if (c.type == 1)
            EXPECT_EQ(v.i, (int)c.value) << c.text;
        else
            EXPECT_FLOAT_EQ(v.f, c.value) << c.text;
        EXPECT_EQ(Warnings(), std::string("   0: Warning: Player Tester (56) in state 0:\n") + c.warning) << c.text;
    }
}

TEST_F(Expr_, Intervals)
{
    struct Case {
        const char *text;
        int results[6];  // for time 4, 5, 6, 9, 10, 11
    } cases[] = {
        {"time = [5, 10]", {0, 1, 1, 1, 1, 0}},
        {"time = (5, 10)", {0, 0, 1, 1, 0, 0}},
        {"time = (5, 10]", {0, 0, 1, 1, 1, 0}},
        {"time = [5, 10)", {0, 1, 1, 1, 0, 0}},
        {"time != [5,10]", {1, 0, 0, 0, 0, 1}},
        {"time != (5,10)", {1, 1, 0, 0, 1, 1}},
        {"(time = [5,10]) && 1", {0, 1, 1, 1, 1, 0}},
        {"time = [4.5, 9.5]", {0, 1, 1, 1, 0, 0}},
        {"time + 1 = [2 * 3, 5 + 5]", {0, 1, 1, 1, 0, 0}},
        {"time = [5, 10] ", {0, 1, 1, 1, 1, 0}},
    };
    const int times[6] = {4, 5, 6, 9, 10, 11};
    for (const Case &c : cases) {
        for (int k = 0; k < 6; k++) {
            pl.state.time = times[k];
            ScriptValue v = Eval(c.text);
            ASSERT_EQ(v.ok, 1) << c.text << ": " << LibErrorMsg;
            EXPECT_EQ(v.type, 1);
            EXPECT_EQ(v.i, c.results[k]) << c.text << " at time " << times[k];
        }
    }
    // In an argument list the interval ends its item.
    pl.state.time = 7;
    EXPECT_EQ(Eval("ifelse(time = [5, 10], 2, 3)").i, 2);
    EXPECT_EQ(Eval("ifelse(time != (5, 10), 2, 3)").i, 3);
    // An undefined tested value gives undefined.
    ScriptValue v = Eval("(1 / 0) = [-1, 1]");
    EXPECT_EQ(v.type, 1);
    EXPECT_EQ(v.i, 0);
}

TEST_F(Expr_, MalformedTextsFailToCompile)
{
    const char *bad[] = {
        "1 2", "()", "1 +", "1 (2)", "* 2", "1 + * 2", "1 $ 2", "(1 + 2", "1 + 2)", "[1, 2]",
        "time = [5,10] && ctrl", "time = [5,10] 1", "time = [1,2,3]", "time = [1,2", "1 + [1,2]",
        "time > [1,2]", "time = ([1,2])", "1,2", "time = [1,2]]", ":= 1", "1 : 2", "!", "", "   ",
        "time = (1,2]]", "5 := 3",
    };
    for (const char *text : bad) {
        Expr e{};
        ExprSetInt(&e, 99);
        LibErrorMsg[0] = 0;
        EXPECT_EQ(Compile(text, &e), 0) << text;
        EXPECT_NE(LibErrorMsg[0], 0) << text;
        // A failed compile leaves the expression as it was.
        EXPECT_EQ(e.code, nullptr) << text;
        EXPECT_EQ(e.value.i, 99) << text;
    }
    Expr e{};
    EXPECT_EQ(Compile("1 2", &e), 0);
    EXPECT_STREQ(LibErrorMsg, "Malformed expression encountered: 1 2");
}

TEST_F(Expr_, CompileFormsAndWantedTypes)
{
    Expr e{};
    ASSERT_EQ(Compile("5", &e, 2), 1);
    EXPECT_EQ(e.code, nullptr);
    EXPECT_EQ(e.isFloat, 1);
    EXPECT_FLOAT_EQ(e.value.f, 5.0f);

    ASSERT_EQ(Compile("-7", &e, 1), 1);
    EXPECT_EQ(e.isFloat, 0);
    EXPECT_EQ(e.value.i, -7);

    EXPECT_EQ(Compile("2.5", &e, 1), 0);
    EXPECT_STREQ(LibErrorMsg, "Expected int value and read float.");
    EXPECT_EQ(e.value.i, -7);

    // A code result is not checked against the wanted type.
    ASSERT_EQ(Compile("2.5 + 1", &e, 1), 1);
    EXPECT_NE(e.code, nullptr);
    EXPECT_EQ(e.count, 3);

    // A null text keeps the caller's default.
    ExprSetInt(&e, 42);
    EXPECT_EQ(Compile(nullptr, &e), 1);
    EXPECT_EQ(e.value.i, 42);

    EXPECT_EQ(Compile("foo + 1", &e), 0);
    EXPECT_STREQ(LibErrorMsg, "Died parsing foo + 1");
    EXPECT_STREQ(gv->errorText, "Invalid trigger: foo");
    ExprFree(&e);

    Expr all0{};
    int i = 7;
    float f;
    EXPECT_EQ(ExprEvaluate(&pl, &all0, &i, &f), 1);
    EXPECT_EQ(i, 0);
}

TEST_F(Expr_, StopPositionForLists)
{
    Expr e{};
    const char *text = "1 + 2, 3";
    const char *stop = nullptr;
    ASSERT_EQ(ExprCompile(text, &e, &pl, &stop, 0), 1);
    EXPECT_EQ(stop, text + 5);
    const char *text2 = "(1, 2), 3";  // a group's "," is not the list's
    EXPECT_EQ(ExprCompile(text2, &e, &pl, &stop, 0), 0);
    const char *text3 = "ifelse(1, 2, 3) , 4";
    ASSERT_EQ(ExprCompile(text3, &e, &pl, &stop, 0), 1);
    EXPECT_EQ(stop, text3 + 16);
    const char *text4 = "4) + 1";
    ASSERT_EQ(ExprCompile(text4, &e, &pl, &stop, 0), 1);
    EXPECT_EQ(*stop, ')');
    ExprFree(&e);
}

TEST_F(Expr_, PendingOperatorAndCodeLimits)
{
    std::string ok(64, '!');
    ok += "1";
    EXPECT_EQ(Eval(ok.c_str()).i, 1);
    std::string over(65, '!');
    over += "1";
    EXPECT_EQ(Eval(over.c_str()).ok, 0);
    EXPECT_STREQ(LibErrorMsg, "Parser stack overflow error");

    std::string sum = "1";
    for (int i = 0; i < 63; i++)
        sum += "+1";
    ScriptValue v = Eval(sum.c_str());  // 127 entries
    EXPECT_EQ(v.ok, 1);
    EXPECT_EQ(v.i, 64);
    sum += "+1+1";  // 131 entries
    EXPECT_EQ(Eval(sum.c_str()).ok, 0);
    EXPECT_STREQ(LibErrorMsg, "Overabundance.");
}

TEST_F(Expr_, VariableAssignment)
{
    ScriptValue v = Eval("var(3) := 7");
    EXPECT_EQ(v.type, 1);
    EXPECT_EQ(v.i, 7);
    EXPECT_EQ(pl.var[3], 7);

    v = Eval("fvar(2) := 1");
    EXPECT_EQ(v.type, 2);
    EXPECT_FLOAT_EQ(v.f, 1.0f);
    EXPECT_FLOAT_EQ(pl.fvar[2], 1.0f);

    v = Eval("fvar(1.9) := 2.5");  // a float index is truncated
    EXPECT_FLOAT_EQ(pl.fvar[1], 2.5f);

    v = Eval("var(1) := var(2) := 3");
    EXPECT_EQ(v.i, 3);
    EXPECT_EQ(pl.var[1], 3);
    EXPECT_EQ(pl.var[2], 3);

    v = Eval("1 && var(4) := 5");
    EXPECT_EQ(v.i, 1);
    EXPECT_EQ(pl.var[4], 5);

    v = Eval("(var(5) := 2) + 10");
    EXPECT_EQ(v.i, 12);
    EXPECT_EQ(pl.var[5], 2);

    v = Eval("var(6) := 2 + 3 * 2");
    EXPECT_EQ(pl.var[6], 8);

    ClearWarnings();
    int before[60];
    memcpy(before, pl.var, sizeof before);
    v = Eval("var(60) := 1");
    EXPECT_EQ(v.i, 1);
    EXPECT_EQ(memcmp(before, pl.var, sizeof before), 0);
    EXPECT_NE(Warnings().find("Assignment to illegal variable ignored"), std::string::npos);
    ClearWarnings();
    Eval("fvar(-1) := 1");
    EXPECT_NE(Warnings().find("Assignment to illegal variable ignored"), std::string::npos);

    const char *refused[] = {"1 + var(1) := 3", "(var(1)) := 3", "parent, var(1) := 3", "sysvar(1) := 3",
                             "time := 3", "!var(1) := 3", "var(1) = 3 := 4"};
    for (const char *text : refused)
        EXPECT_EQ(Eval(text).ok, 0) << text;
}

TEST_F(Expr_, CopySetAndFold)
{
    Expr a{}, b{};
    pl.var[2] = 5;
    ASSERT_EQ(Compile("var(2) * 2 + ifelse(1, 1, 0)", &a), 1);
    ExprCopy(&b, &a);
    ExprFree(&a);
    EXPECT_EQ(ExprEvalInt(&pl, &b, 0), 11);
    ExprCopy(&b, &b);
    EXPECT_EQ(ExprEvalInt(&pl, &b, 0), 11);

    ExprMulFloat(&b, 0.5f);
    EXPECT_FLOAT_EQ(ExprEvalFloat(&pl, &b), 5.5f);
    ExprDivInt(&b, 2);
    EXPECT_FLOAT_EQ(ExprEvalFloat(&pl, &b), 2.75f);

    ExprSetInt(&b, 7);
    EXPECT_EQ(b.code, nullptr);
    ExprDivInt(&b, 2);
    EXPECT_EQ(b.isFloat, 0);
    EXPECT_EQ(b.value.i, 3);
    ExprDivInt(&b, 0);
    EXPECT_EQ(b.value.i, 0);
    ExprSetInt(&b, INT_MIN);
    ExprDivInt(&b, -1);
    EXPECT_EQ(b.value.i, INT_MIN);
    ExprSetInt(&b, 3);
    ExprMulFloat(&b, 1.5f);
    EXPECT_EQ(b.isFloat, 1);
    EXPECT_FLOAT_EQ(b.value.f, 4.5f);
    ExprSetFloat(&b, 7.0f);
    ExprDivInt(&b, 2);
    EXPECT_FLOAT_EQ(b.value.f, 3.5f);
    ExprFree(&b);
    EXPECT_EQ(b.isFloat, 0);
}

TEST_F(Expr_, DumpAndTruncationWarning)
{
    char buf[256];
    Expr e{};
    ExprSetInt(&e, 12);
    ExprDump(buf, sizeof buf, &e, &pl);
    EXPECT_STREQ(buf, "12 (int)");
    ExprSetFloat(&e, 1.5f);
    ExprDump(buf, sizeof buf, &e, &pl);
    EXPECT_STREQ(buf, "1.500000 (float)");
    ASSERT_EQ(Compile("1.5 + time", &e), 1);
    ExprDump(buf, sizeof buf, &e, &pl);
    EXPECT_STREQ(buf, "\nData: 1.500000,0,23,\nTypes: float,trig,oper,");

    gv->gameTick = 9;
    pl.state.stateNo = 200;
    ClearWarnings();
    EXPECT_EQ(ExprEvalInt(&pl, &e, 1), 1);
    EXPECT_EQ(Warnings(), "9 Warning: expression truncated to integer:\nplayer Tester (56) in state 200: 1.500000");
    ClearWarnings();
    EXPECT_EQ(ExprEvalInt(&pl, &e, 0), 1);
    EXPECT_EQ(Warnings(), "");
    ExprFree(&e);
}

using ExprDeath = Expr_;

// Code that leaves two values: no compile makes it, so it is built by hand.
static void EvalTwoLiterals(Player *pl)
{
    gv->gameTick = 7;
    pl->state.stateNo = 300;
    Expr e{};
    ExprWord code[2];
    uint8_t kinds[2] = {EXPR_KIND_INT, EXPR_KIND_INT};
    code[0].i = 1;
    code[1].i = 2;
    e.code = code;
    e.kinds = kinds;
    e.count = 2;
    int i;
    float f;
    ExprEvaluate(pl, &e, &i, &f);
}

TEST_F(ExprDeath, FatalTexts)
{
    struct Case {
        const char *text;
        const char *message;
    } cases[] = {
        {"1.5 & 1", "Type mismatch detected: 16\nData: 1.500000,1,16,"},
        {"1 | 2.5", "Type mismatch detected: 17"},
        {"1.5 ^ 1", "Type mismatch detected: 18"},
        {"~1.5", "Type mismatch detected: 22"},
        {"2.5 % 2", "Type mismatch detected: 27"},
        {"var(1) := 1.5", "Type mismatch detected: 20"},
    };
    for (const Case &c : cases) {
        EXPECT_EXIT(
            {
                ExprStackTop = -1;
                Eval(c.text);
            },
            testing::ExitedWithCode(1), c.message)
            << c.text;
    }
    EXPECT_EXIT(
        {
            for (int i = 0; i < 65; i++)
                ExprStackPushInt(i);
        },
        testing::ExitedWithCode(1), "Expression stack overflow.");
    EXPECT_EXIT(EvalTwoLiterals(&pl),
                        testing::ExitedWithCode(1), "   7: Fatal: Player Tester \\(56\\) in state 300: malformed expression");
}
