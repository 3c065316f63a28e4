// Expressions of the state files: compiling infix text to postfix code and evaluating it for a player.
#pragma once
#include <cstddef>
#include <cstdint>

#include "lib/libbase.h"

struct Player;
struct TrigNode;
struct Array;

enum {
    EXPR_CODE_MAX = 128,   // entries of one compiled expression
    EXPR_STACK_SIZE = 128, // slots of the shared evaluation stack
    EXPR_PENDING_MAX = 64, // pending operators while compiling
};

// Entry kinds of compiled code.
enum ExprKind {
    EXPR_KIND_INT = 0,
    EXPR_KIND_FLOAT = 1,
    EXPR_KIND_OP = 2,
    EXPR_KIND_TRIG = 3,
};

// Type tags of values on the evaluation stack.
enum ExprTag {
    EXPR_TAG_INT = 0,
    EXPR_TAG_FLOAT = 1,
    EXPR_TAG_UNDEF = 4,
};

enum ExprOp {
    EXPR_OP_EQ = 1,
    EXPR_OP_NE = 2,
    EXPR_OP_GT = 3,
    EXPR_OP_LT = 4,
    EXPR_OP_GE = 5,
    EXPR_OP_LE = 6,
    EXPR_OP_IV_OO = 7,  // (a,b)
    EXPR_OP_IV_OC = 8,  // (a,b]
    EXPR_OP_IV_CO = 9,  // [a,b)
    EXPR_OP_IV_CC = 10, // [a,b]
    EXPR_OP_LAND = 11,
    EXPR_OP_LOR = 12,
    EXPR_OP_LNOT = 13,
    EXPR_OP_LXOR = 14,
    EXPR_OP_POW = 15,
    EXPR_OP_BAND = 16,
    EXPR_OP_BOR = 17,
    EXPR_OP_BXOR = 18,
    EXPR_OP_NEG = 19,
    EXPR_OP_SETVAR = 20,
    EXPR_OP_SETFVAR = 21,
    EXPR_OP_BNOT = 22,
    EXPR_OP_ADD = 23,
    EXPR_OP_SUB = 24,
    EXPR_OP_MUL = 25,
    EXPR_OP_DIV = 26,
    EXPR_OP_MOD = 27,
    EXPR_OP_OPEN = 28,
    EXPR_OP_CLOSE = 29,
};

// One code entry: an int literal or operator code, a float literal, or an
// owned trigger node, as its kind says.
union ExprWord {
    int32_t i;
    float f;
    TrigNode *trig;
};

// Constant form: code is null and value holds the int or float (isFloat).
// Code form: code and kinds hold count entries. All-zero is the int constant 0.
struct Expr {
    int isFloat;
    ExprWord value;
    ExprWord *code;
    uint8_t *kinds;
    int count;
};

// The shared evaluation stack: every value takes two slots, the value and
// then its type tag on top.
extern int32_t ExprStack[EXPR_STACK_SIZE];
extern int ExprStackTop;

// Wanted type: 0 any, 1 int, 2 float. Returns 1, or 0 with the reason in the
// library message text. A null text leaves the expression as it is.
int ExprCompile(const char *text, Expr *expr, Player *pl, const char **stop, int wanted);
// Compiles into caller arrays of at least limit entries; the entry count, 0
// when malformed. With stop given, parsing also ends at a top-level "," and
// at a top-level ")" or "]", and stop receives that position.
int ExprParse(const char *text, ExprWord *values, uint8_t *kinds, Player *pl, int limit,
              const char **stop, int wanted);
int ExprOperatorCode(const char *pos);

// 1 with the int result (undefined gives 0), 2 with the float result.
int ExprEvaluate(Player *pl, const Expr *expr, int *intOut, float *floatOut);
int ExprEvalInt(Player *pl, const Expr *expr, int warn);
float ExprEvalFloat(Player *pl, const Expr *expr);

void ExprStackPush(int32_t value, int tag);
void ExprStackPushInt(int value);
void ExprStackPushFloat(float value);
void ExprStackPushUndef();

void ExprFree(Expr *expr);
void ExprArrayFree(Array *exprs);
void ExprSetInt(Expr *expr, int value);
void ExprSetFloat(Expr *expr, float value);
void ExprCopy(Expr *dest, const Expr *src);
void ExprMulFloat(Expr *expr, float factor);
void ExprDivInt(Expr *expr, int divisor);
void ExprDump(char *buffer, size_t size, const Expr *expr, Player *pl);

// Float to int as scripts convert: toward zero, NaN 0, out of range saturates.
inline int ExprFloatToInt(float value)
{
    return TruncToInt(value);
}
int ExprIsTrue(int32_t value, int tag);
