// Expressions of the state files: compiling infix text to postfix code and evaluating it for a player.
#include "velok/script/expr.h"

#include <cctype>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/script/st-trig.h"

int32_t ExprStack[EXPR_STACK_SIZE];
int ExprStackTop = -1;

// Precedence by operator code; a higher value binds tighter.
static const int opPrec[30] = {
    0,  8,  8,  10, 10, 10, 10, 9,  9,  9,  9, 3, 1,  14, 2,
    13, 6,  4,  5,  14, 7,  7,  14, 11, 11, 12, 12, 12, 15, 15,
};

enum ParsePrev { PREV_START, PREV_LIT, PREV_OP, PREV_INTERVAL, PREV_TRIG, PREV_GROUP };

static bool OpIsUnary(int op)
{
    return op == EXPR_OP_LNOT || op == EXPR_OP_NEG || op == EXPR_OP_BNOT;
}

static bool OpIsInterval(int op)
{
    return op >= EXPR_OP_IV_OO && op <= EXPR_OP_IV_CC;
}

static bool OpIsBinary(int op)
{
    return op >= EXPR_OP_EQ && op <= EXPR_OP_MOD && !OpIsUnary(op) && !OpIsInterval(op);
}

[[noreturn]] static void ExprFatal(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void ExprFatal(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(LibErrorMsg, sizeof LibErrorMsg, format, args);
    va_end(args);
    FatalExit();
}

int ExprIsTrue(int32_t value, int tag)
{
    if (tag == EXPR_TAG_FLOAT) {
        float f;
        memcpy(&f, &value, sizeof f);
        return f != 0.0f;
    }
    if (tag == EXPR_TAG_UNDEF)
        return 0;
    return value != 0;
}

int ExprOperatorCode(const char *p)
{
    switch (*p) {
    case '=': return EXPR_OP_EQ;
    case '!': return p[1] == '=' ? EXPR_OP_NE : EXPR_OP_LNOT;
    case '>': return p[1] == '=' ? EXPR_OP_GE : EXPR_OP_GT;
    case '<': return p[1] == '=' ? EXPR_OP_LE : EXPR_OP_LT;
    case '&': return p[1] == '&' ? EXPR_OP_LAND : EXPR_OP_BAND;
    case '|': return p[1] == '|' ? EXPR_OP_LOR : EXPR_OP_BOR;
    case '^': return p[1] == '^' ? EXPR_OP_LXOR : EXPR_OP_BXOR;
    case '*': return p[1] == '*' ? EXPR_OP_POW : EXPR_OP_MUL;
    case ':': return p[1] == '=' ? EXPR_OP_SETVAR : 0;
    case '~': return EXPR_OP_BNOT;
    case '+': return EXPR_OP_ADD;
    case '-': return EXPR_OP_SUB;
    case '/': return EXPR_OP_DIV;
    case '%': return EXPR_OP_MOD;
    case '(': return EXPR_OP_OPEN;
    case ')': return EXPR_OP_CLOSE;
    default: return 0;
    }
}

static int OpTextLen(int op)
{
    switch (op) {
    case EXPR_OP_NE: case EXPR_OP_GE: case EXPR_OP_LE: case EXPR_OP_LAND: case EXPR_OP_LOR:
    case EXPR_OP_LXOR: case EXPR_OP_POW: case EXPR_OP_SETVAR:
        return 2;
    default:
        return 1;
    }
}

// Reads a literal: base-10 int (saturating), or a float when a "." follows
// the digits or the token begins "-.".
static const char *ReadNumber(const char *p, ExprWord *value, uint8_t *kind)
{
    const char *s = p;
    bool neg = false;
    if (*s == '-') {
        neg = true;
        s++;
    }
    const char *d = s;
    unsigned long long acc = 0;
    while (isdigit((unsigned char)*d)) {
        if (acc <= 0x80000000ull)
            acc = acc * 10 + (unsigned)(*d - '0');
        d++;
    }
    if (*d == '.') {
        char *end;
        value->f = strtof(p, &end);
        *kind = EXPR_KIND_FLOAT;
        return end;
    }
    if (neg)
        value->i = acc >= 0x80000000ull ? INT_MIN : -(int32_t)acc;
    else
        value->i = acc > (unsigned long long)INT_MAX ? INT_MAX : (int32_t)acc;
    *kind = EXPR_KIND_INT;
    return d;
}

static void FreeTrigEntries(ExprWord *values, uint8_t *kinds, int n)
{
    for (int i = 0; i < n; i++) {
        if (kinds[i] == EXPR_KIND_TRIG) {
            TrigNodeFree(values[i].trig);
            values[i].trig = nullptr;
            kinds[i] = EXPR_KIND_INT;
        }
    }
}

// Checks that the postfix code leaves exactly one value.
static bool DepthCheck(const ExprWord *values, const uint8_t *kinds, int n)
{
    int depth = 0;
    for (int i = 0; i < n; i++) {
        switch (kinds[i]) {
        case EXPR_KIND_INT:
        case EXPR_KIND_FLOAT:
            depth++;
            break;
        case EXPR_KIND_OP: {
            int op = values[i].i;
            if (OpIsInterval(op)) {
                if (depth < 3 || i + 1 >= n || kinds[i + 1] != EXPR_KIND_OP ||
                    (values[i + 1].i != EXPR_OP_EQ && values[i + 1].i != EXPR_OP_NE))
                    return false;
                depth -= 2;
                i++;
            } else if (OpIsUnary(op)) {
                if (depth < 1)
                    return false;
            } else if (OpIsBinary(op)) {
                if (depth < 2)
                    return false;
                depth--;
            } else {
                return false;
            }
            break;
        }
        case EXPR_KIND_TRIG: {
            int args = TrigArgCount(values[i].trig->code);
            if (depth < args)
                return false;
            depth = depth - args + 1;
            break;
        }
        default:
            return false;
        }
    }
    return depth == 1;
}

int ExprParse(const char *text, ExprWord *values, uint8_t *kinds, Player *pl, int limit, const char **stop,
              int wanted)
{
    int n = 0;
    int ops[EXPR_PENDING_MAX];
    int nops = 0;
    int prev = PREV_START;
    const char *p = text;

    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r')
            p++;
        char c = *p;
        if (!c)
            break;
        // An interval ends its expression, its group or its list item.
        if (prev == PREV_INTERVAL && c != ')' && !(c == ',' && stop))
            goto malformed;
        if (c == ',') {
            if (stop)
                break;
            goto malformed;
        }
        if (c == ')' || c == ']') {
            if (stop)
                break;
            goto malformed;
        }

        bool minusNumber = c == '-' && prev != PREV_LIT && prev != PREV_TRIG && prev != PREV_GROUP &&
                           (isdigit((unsigned char)p[1]) || (p[1] == '.' && isdigit((unsigned char)p[2])));
        if (isdigit((unsigned char)c) || (c == '.' && isdigit((unsigned char)p[1])) || minusNumber) {
            if (n >= limit)
                goto overabundance;
            p = ReadNumber(p, &values[n], &kinds[n]);
            n++;
            prev = PREV_LIT;
            continue;
        }

        if (isalpha((unsigned char)c) || c == '_') {
            const char *end = p;
            int added = TrigParse(p, pl, values + n, kinds + n, limit - n, &end);
            if (!added) {
                snprintf(LibErrorMsg, sizeof LibErrorMsg, "Died parsing %s", text);
                goto fail;
            }
            n += added;
            if (n > limit)
                goto overabundance;
            p = end;
            prev = PREV_TRIG;
            continue;
        }

        if (c == '(' || c == '[') {
            if (prev == PREV_LIT)
                goto malformed;
            bool canInterval = prev == PREV_OP && nops > 0 &&
                               (ops[nops - 1] == EXPR_OP_EQ || ops[nops - 1] == EXPR_OP_NE);
            const char *inner = p + 1;
            int got = ExprParse(p + 1, values + n, kinds + n, pl, limit - n, &inner, wanted);
            if (!got)
                goto fail;
            n += got;
            if (c == '(' && *inner == ')') {
                p = inner + 1;
                prev = PREV_GROUP;
                continue;
            }
            if (*inner != ',' || !canInterval)
                goto malformed;
            // The "=" or "!=" is the pending top, so no pending operator of
            // precedence 9 or more stands above it: the bounds go out as they are.
            const char *close = inner + 1;
            got = ExprParse(inner + 1, values + n, kinds + n, pl, limit - n, &close, wanted);
            if (!got)
                goto fail;
            n += got;
            if (*close != ')' && *close != ']')
                goto malformed;
            if (n >= limit)
                goto overabundance;
            int op = c == '(' ? (*close == ')' ? EXPR_OP_IV_OO : EXPR_OP_IV_OC)
                              : (*close == ')' ? EXPR_OP_IV_CO : EXPR_OP_IV_CC);
            values[n].i = op;
            kinds[n] = EXPR_KIND_OP;
            n++;
            p = close + 1;
            prev = PREV_INTERVAL;
            continue;
        }

        int op = ExprOperatorCode(p);
        if (!op || op == EXPR_OP_OPEN || op == EXPR_OP_CLOSE)
            goto malformed;
        int len = OpTextLen(op);
        if (op == EXPR_OP_SUB && (prev == PREV_START || prev == PREV_OP))
            op = EXPR_OP_NEG;
        if (prev == PREV_OP && !OpIsUnary(op))
            goto malformed;
        if (op == EXPR_OP_SETVAR) {
            if (prev != PREV_TRIG || n == 0 || kinds[n - 1] != EXPR_KIND_TRIG)
                goto malformed;
            TrigNode *t = values[n - 1].trig;
            if (t->redirect != TRIG_REDIR_NONE || (t->code != TRIG_VAR && t->code != TRIG_FVAR))
                goto malformed;
            if (nops > 0 && opPrec[ops[nops - 1]] > opPrec[EXPR_OP_SETVAR])
                goto malformed;
            op = t->code == TRIG_VAR ? EXPR_OP_SETVAR : EXPR_OP_SETFVAR;
            // The index code stays: the output reads index, value, operator.
            TrigNodeFree(t);
            n--;
            kinds[n] = EXPR_KIND_INT;
        }
        bool rightAssoc = OpIsUnary(op) || op == EXPR_OP_SETVAR || op == EXPR_OP_SETFVAR;
        while (nops > 0 && (rightAssoc ? opPrec[ops[nops - 1]] > opPrec[op] : opPrec[ops[nops - 1]] >= opPrec[op])) {
            if (n >= limit)
                goto overabundance;
            values[n].i = ops[--nops];
            kinds[n] = EXPR_KIND_OP;
            n++;
        }
        if (nops >= EXPR_PENDING_MAX) {
            StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Parser stack overflow error");
            goto fail;
        }
        ops[nops++] = op;
        p += len;
        prev = PREV_OP;
    }

    while (nops > 0) {
        if (n >= limit)
            goto overabundance;
        values[n].i = ops[--nops];
        kinds[n] = EXPR_KIND_OP;
        n++;
    }
    if (stop)
        *stop = p;
    if (!DepthCheck(values, kinds, n))
        goto malformed;
    return n;

overabundance:
    StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Overabundance.");
    goto fail;
malformed:
    snprintf(LibErrorMsg, sizeof LibErrorMsg, "Malformed expression encountered: %s", text);
fail:
    FreeTrigEntries(values, kinds, n);
    return 0;
}

// The code of n entries in one block, the kinds right after the words, so
// that evaluating a line reads one block; null when memory runs out.
static ExprWord *CodeAlloc(int n, uint8_t **kinds)
{
    ExprWord *code = (ExprWord *)LibCalloc((size_t)n * sizeof(ExprWord) + (size_t)n, 1);
    *kinds = code ? (uint8_t *)(code + n) : nullptr;
    return code;
}

void ExprFree(Expr *expr)
{
    if (!expr)
        return;
    if (expr->code) {
        FreeTrigEntries(expr->code, expr->kinds, expr->count);
        MemFree(expr->code);
    }
    memset(expr, 0, sizeof *expr);
}

void ExprSetInt(Expr *expr, int value)
{
    ExprFree(expr);
    expr->value.i = value;
}

void ExprSetFloat(Expr *expr, float value)
{
    ExprFree(expr);
    expr->isFloat = 1;
    expr->value.f = value;
}

int ExprCompile(const char *text, Expr *expr, Player *pl, const char **stop, int wanted)
{
    if (!text)
        return 1;
    ExprWord values[EXPR_CODE_MAX];
    uint8_t kinds[EXPR_CODE_MAX];
    int n = ExprParse(text, values, kinds, pl, EXPR_CODE_MAX, stop, wanted);
    if (!n)
        return 0;
    if (n == 1 && (kinds[0] == EXPR_KIND_INT || kinds[0] == EXPR_KIND_FLOAT)) {
        if (kinds[0] == EXPR_KIND_FLOAT && wanted == 1) {
            StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Expected int value and read float.");
            return 0;
        }
        if (kinds[0] == EXPR_KIND_FLOAT)
            ExprSetFloat(expr, values[0].f);
        else if (wanted == 2)
            ExprSetFloat(expr, (float)values[0].i);
        else
            ExprSetInt(expr, values[0].i);
        return 1;
    }
    uint8_t *codeKinds;
    ExprWord *code = CodeAlloc(n, &codeKinds);
    if (!code) {
        FreeTrigEntries(values, kinds, n);
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, "Out of memory");
        return 0;
    }
    memcpy(code, values, n * sizeof *code);
    memcpy(codeKinds, kinds, n);
    ExprFree(expr);
    expr->code = code;
    expr->kinds = codeKinds;
    expr->count = n;
    return 1;
}

void ExprCopy(Expr *dest, const Expr *src)
{
    if (dest == src)
        return;
    ExprFree(dest);
    *dest = *src;
    if (!src->code)
        return;
    dest->code = CodeAlloc(src->count, &dest->kinds);
    if (!dest->code)
        ExprFatal("Uh-oh. Alloc error");
    memcpy(dest->code, src->code, src->count * sizeof *dest->code);
    memcpy(dest->kinds, src->kinds, src->count);
    for (int i = 0; i < src->count; i++)
        if (src->kinds[i] == EXPR_KIND_TRIG)
            dest->code[i].trig = TrigNodeCopy(src->code[i].trig);
}

static void ExprAppend(Expr *expr, ExprWord a, uint8_t kindA, ExprWord b, uint8_t kindB)
{
    int n = expr->count + 2;
    uint8_t *kinds;
    ExprWord *code = CodeAlloc(n, &kinds);
    if (!code)
        ExprFatal("Can't realloc memory.");
    if (expr->count) {
        memcpy(code, expr->code, (size_t)expr->count * sizeof *code);
        memcpy(kinds, expr->kinds, (size_t)expr->count);
    }
    MemFree(expr->code);
    expr->code = code;
    expr->kinds = kinds;
    code[n - 2] = a;
    kinds[n - 2] = kindA;
    code[n - 1] = b;
    kinds[n - 1] = kindB;
    expr->count = n;
}

void ExprMulFloat(Expr *expr, float factor)
{
    if (!expr->code) {
        float v = expr->isFloat ? expr->value.f : (float)expr->value.i;
        ExprSetFloat(expr, v * factor);
        return;
    }
    ExprWord lit, op;
    lit.f = factor;
    op.i = EXPR_OP_MUL;
    ExprAppend(expr, lit, EXPR_KIND_FLOAT, op, EXPR_KIND_OP);
}

void ExprDivInt(Expr *expr, int divisor)
{
    if (!expr->code) {
        // A zero divisor folds to 0, the value run-time division gives.
        if (expr->isFloat)
            expr->value.f = divisor ? expr->value.f / (float)divisor : 0.0f;
        else if (!divisor)
            expr->value.i = 0;
        else if (divisor != -1)
            expr->value.i /= divisor;
        else
            expr->value.i = (int32_t)(0u - (uint32_t)expr->value.i);
        return;
    }
    ExprWord lit, op;
    lit.i = divisor;
    op.i = EXPR_OP_DIV;
    ExprAppend(expr, lit, EXPR_KIND_INT, op, EXPR_KIND_OP);
}

void ExprDump(char *buffer, size_t size, const Expr *expr, Player *pl)
{
    (void)pl;
    static const char *kindNames[] = {"int", "float", "oper", "trig", "SC"};
    std::string out;
    char item[64];
    if (!expr->code) {
        if (expr->isFloat)
            snprintf(item, sizeof item, "%f (float)", expr->value.f);
        else
            snprintf(item, sizeof item, "%d (int)", expr->value.i);
        out = item;
    } else {
        out = "\nData: ";
        for (int i = 0; i < expr->count; i++) {
            if (expr->kinds[i] == EXPR_KIND_FLOAT)
                snprintf(item, sizeof item, "%f,", expr->code[i].f);
            else if (expr->kinds[i] == EXPR_KIND_TRIG)
                snprintf(item, sizeof item, "%d,", expr->code[i].trig->code);
            else
                snprintf(item, sizeof item, "%d,", expr->code[i].i);
            out += item;
        }
        out += "\nTypes: ";
        for (int i = 0; i < expr->count; i++) {
            out += kindNames[expr->kinds[i] <= 4 ? expr->kinds[i] : 4];
            out += ",";
        }
    }
    StrCopy(buffer, size, out.c_str());
}

// ---------------------------------------------------------------- evaluation

// The stack operations of the evaluator itself, inlined into it; the
// exported ones below are the same for the trigger code.
static inline void Push(int32_t value, int tag)
{
    if (ExprStackTop + 2 >= EXPR_STACK_SIZE)
        ExprFatal("Expression stack overflow.");
    ExprStack[ExprStackTop + 1] = value;
    ExprStack[ExprStackTop + 2] = tag;
    ExprStackTop += 2;
}

static inline void PushInt(int value)
{
    Push(value, EXPR_TAG_INT);
}

static inline void PushFloat(float value)
{
    int32_t bits;
    memcpy(&bits, &value, sizeof bits);
    Push(bits, EXPR_TAG_FLOAT);
}

static inline void PushUndef()
{
    Push(0, EXPR_TAG_UNDEF);
}

void ExprStackPush(int32_t value, int tag)
{
    Push(value, tag);
}

void ExprStackPushInt(int value)
{
    PushInt(value);
}

void ExprStackPushFloat(float value)
{
    PushFloat(value);
}

void ExprStackPushUndef()
{
    PushUndef();
}

// One popped value; undefined takes part as the int 0. Its float value is
// made only when an operation asks for it.
struct Val {
    int32_t i;
    int tag;
    float F() const
    {
        if (tag != EXPR_TAG_FLOAT)
            return (float)i;
        float f;
        memcpy(&f, &i, sizeof f);
        return f;
    }
};

static inline Val PopVal()
{
    if (ExprStackTop < 1)
        ExprFatal("Fatal: Expression stack underflow.");
    Val v;
    v.tag = ExprStack[ExprStackTop];
    v.i = ExprStack[ExprStackTop - 1];
    ExprStackTop -= 2;
    if (v.tag != EXPR_TAG_FLOAT && v.tag != EXPR_TAG_INT)
        v.i = 0;
    return v;
}

static int32_t Wrap(uint32_t v)
{
    return (int32_t)v;
}

static int32_t IntPow(int32_t base, int32_t exponent)
{
    uint32_t result = 1, b = (uint32_t)base;
    while (exponent > 0) {
        if (exponent & 1)
            result *= b;
        b *= b;
        exponent >>= 1;
    }
    return (int32_t)result;
}

[[noreturn]] static void TypeMismatch(int op, const Expr *expr, Player *pl)
{
    char dump[LIB_TEXT_LEN];
    ExprDump(dump, sizeof dump, expr, pl);
    ExprFatal("Type mismatch detected: %d%s", op, dump);
}

static bool IntervalHolds(int op, float v, float lo, float hi)
{
    switch (op) {
    case EXPR_OP_IV_OO: return lo < v && v < hi;
    case EXPR_OP_IV_OC: return lo < v && v <= hi;
    case EXPR_OP_IV_CO: return lo <= v && v < hi;
    default: return lo <= v && v <= hi;
    }
}

static bool IntervalHoldsInt(int op, int32_t v, int32_t lo, int32_t hi)
{
    switch (op) {
    case EXPR_OP_IV_OO: return lo < v && v < hi;
    case EXPR_OP_IV_OC: return lo < v && v <= hi;
    case EXPR_OP_IV_CO: return lo <= v && v < hi;
    default: return lo <= v && v <= hi;
    }
}

static void EvalUnary(Player *pl, const Expr *expr, int op)
{
    Val a = PopVal();
    bool fl = a.tag == EXPR_TAG_FLOAT;
    switch (op) {
    case EXPR_OP_LNOT:
        PushInt(!ExprIsTrue(a.i, a.tag == EXPR_TAG_FLOAT ? EXPR_TAG_FLOAT : EXPR_TAG_INT));
        break;
    case EXPR_OP_NEG:
        if (fl)
            PushFloat(-a.F());
        else
            PushInt(Wrap(0u - (uint32_t)a.i));
        break;
    default:  // bitwise not
        if (fl)
            TypeMismatch(op, expr, pl);
        PushInt(~a.i);
        break;
    }
}

static void EvalAssign(Player *pl, const Expr *expr, int op)
{
    Val value = PopVal();
    Val index = PopVal();
    if (op == EXPR_OP_SETVAR) {
        if (value.tag == EXPR_TAG_FLOAT || index.tag == EXPR_TAG_FLOAT)
            TypeMismatch(op, expr, pl);
        if (index.i < 0 || index.i >= PLAYER_VAR_COUNT)
            PlayerWarn(pl, "Assignment to illegal variable ignored");
        else if (pl)
            pl->var[index.i] = value.i;
        PushInt(value.i);
        return;
    }
    int idx = index.tag == EXPR_TAG_FLOAT ? ExprFloatToInt(index.F()) : index.i;
    if (idx < 0 || idx >= PLAYER_FVAR_COUNT)
        PlayerWarn(pl, "Assignment to illegal variable ignored");
    else if (pl)
        pl->fvar[idx] = value.F();
    PushFloat(value.F());
}

static void EvalBinary(Player *pl, const Expr *expr, int op)
{
    Val b = PopVal();
    Val a = PopVal();
    bool fl = a.tag == EXPR_TAG_FLOAT || b.tag == EXPR_TAG_FLOAT;
    if (fl && (op == EXPR_OP_BAND || op == EXPR_OP_BOR || op == EXPR_OP_BXOR || op == EXPR_OP_MOD))
        TypeMismatch(op, expr, pl);
    int ta = a.tag == EXPR_TAG_FLOAT ? EXPR_TAG_FLOAT : EXPR_TAG_INT;
    int tb = b.tag == EXPR_TAG_FLOAT ? EXPR_TAG_FLOAT : EXPR_TAG_INT;
    uint32_t ua = (uint32_t)a.i, ub = (uint32_t)b.i;
    switch (op) {
    case EXPR_OP_EQ: PushInt(fl ? a.F() == b.F() : a.i == b.i); break;
    case EXPR_OP_NE: PushInt(fl ? a.F() != b.F() : a.i != b.i); break;
    case EXPR_OP_GT: PushInt(fl ? a.F() > b.F() : a.i > b.i); break;
    case EXPR_OP_LT: PushInt(fl ? a.F() < b.F() : a.i < b.i); break;
    case EXPR_OP_GE: PushInt(fl ? a.F() >= b.F() : a.i >= b.i); break;
    case EXPR_OP_LE: PushInt(fl ? a.F() <= b.F() : a.i <= b.i); break;
    case EXPR_OP_LAND: PushInt(ExprIsTrue(a.i, ta) && ExprIsTrue(b.i, tb)); break;
    case EXPR_OP_LOR: PushInt(ExprIsTrue(a.i, ta) || ExprIsTrue(b.i, tb)); break;
    case EXPR_OP_LXOR: PushInt(ExprIsTrue(a.i, ta) != ExprIsTrue(b.i, tb)); break;
    case EXPR_OP_BAND: PushInt(a.i & b.i); break;
    case EXPR_OP_BOR: PushInt(a.i | b.i); break;
    case EXPR_OP_BXOR: PushInt(a.i ^ b.i); break;
    case EXPR_OP_ADD:
        if (fl)
            PushFloat(a.F() + b.F());
        else
            PushInt(Wrap(ua + ub));
        break;
    case EXPR_OP_SUB:
        if (fl)
            PushFloat(a.F() - b.F());
        else
            PushInt(Wrap(ua - ub));
        break;
    case EXPR_OP_MUL:
        if (fl)
            PushFloat(a.F() * b.F());
        else
            PushInt(Wrap(ua * ub));
        break;
    case EXPR_OP_DIV:
        if (fl ? b.F() == 0.0f : b.i == 0) {
            PlayerWarn(pl, "Divison by zero");
            PushUndef();
        } else if (fl) {
            PushFloat(a.F() / b.F());
        } else if (a.i == INT_MIN && b.i == -1) {
            PushInt(INT_MIN);
        } else {
            PushInt(a.i / b.i);
        }
        break;
    case EXPR_OP_MOD:
        if (b.i == 0) {
            PlayerWarn(pl, "Modulus by zero");
            PushUndef();
        } else if (b.i == -1) {
            PushInt(0);
        } else {
            PushInt(a.i % b.i);
        }
        break;
    case EXPR_OP_POW:
        if (!fl && b.i >= 0) {
            PushInt(IntPow(a.i, b.i));
        } else {
            float r = powf(a.F(), b.F());
            if (std::isnan(r)) {
                PlayerWarn(pl, "Invalid exponentiation");
                PushUndef();
            } else {
                PushFloat(r);
            }
        }
        break;
    default:
        ExprFatal("Type mismatch detected: %d", op);
    }
}

static void MalformedResult(Player *pl)
{
    ExprFatal("%4i: Fatal: Player %s (%i) in state %i: malformed expression", gv ? gv->gameTick : 0,
              pl ? pl->name : "", pl ? pl->id : 0, pl ? pl->state.stateNo : 0);
}

int ExprEvaluate(Player *pl, const Expr *expr, int *intOut, float *floatOut)
{
    if (!expr->code) {
        if (expr->isFloat) {
            *floatOut = expr->value.f;
            return 2;
        }
        *intOut = expr->value.i;
        return 1;
    }
    int base = ExprStackTop;
    for (int i = 0; i < expr->count; i++) {
        const ExprWord w = expr->code[i];
        switch (expr->kinds[i]) {
        case EXPR_KIND_INT:
            PushInt(w.i);
            break;
        case EXPR_KIND_FLOAT:
            PushFloat(w.f);
            break;
        case EXPR_KIND_TRIG:
            TrigEval(pl, w.trig);
            break;
        case EXPR_KIND_OP: {
            int op = w.i;
            if (OpIsInterval(op)) {
                if (i + 1 >= expr->count || expr->kinds[i + 1] != EXPR_KIND_OP)
                    MalformedResult(pl);
                int eq = expr->code[++i].i;
                Val hi = PopVal(), lo = PopVal(), v = PopVal();
                if (v.tag == EXPR_TAG_UNDEF) {
                    PushUndef();
                    break;
                }
                bool in;
                if (v.tag == EXPR_TAG_FLOAT || lo.tag == EXPR_TAG_FLOAT || hi.tag == EXPR_TAG_FLOAT)
                    in = IntervalHolds(op, v.F(), lo.F(), hi.F());
                else
                    in = IntervalHoldsInt(op, v.i, lo.i, hi.i);
                PushInt(eq == EXPR_OP_NE ? !in : in);
            } else if (OpIsUnary(op)) {
                EvalUnary(pl, expr, op);
            } else if (op == EXPR_OP_SETVAR || op == EXPR_OP_SETFVAR) {
                EvalAssign(pl, expr, op);
            } else if (OpIsBinary(op)) {
                EvalBinary(pl, expr, op);
            } else {
                MalformedResult(pl);
            }
            break;
        }
        default:
            MalformedResult(pl);
        }
    }
    if (ExprStackTop != base + 2)
        MalformedResult(pl);
    Val r = PopVal();
    if (r.tag == EXPR_TAG_FLOAT) {
        *floatOut = r.F();
        return 2;
    }
    *intOut = r.i;
    return 1;
}

int ExprEvalInt(Player *pl, const Expr *expr, int warn)
{
    int i = 0;
    float f = 0.0f;
    if (ExprEvaluate(pl, expr, &i, &f) != 2)
        return i;
    if (warn && pl && gv && gv->warnLog)
        TextBufPrintf(gv->warnLog, "%i Warning: expression truncated to integer:\nplayer %s (%i) in state %i: %f",
                      gv->gameTick, pl->name, pl->id, pl->state.stateNo, f);
    return ExprFloatToInt(f);
}

float ExprEvalFloat(Player *pl, const Expr *expr)
{
    int i = 0;
    float f = 0.0f;
    if (ExprEvaluate(pl, expr, &i, &f) == 2)
        return f;
    return (float)i;
}

void ExprArrayFree(Array *exprs)
{
    if (!exprs)
        return;
    for (Expr *e = (Expr *)ArrayFirst(exprs); e; e = (Expr *)ArrayNext(exprs))
        ExprFree(e);
    ArrayFree(exprs);
}
