// State-file parameter helpers: typed lists, position types, F/S references, float pairs, hit attributes and flags.
#include "velok/script/stparam.h"

#include <cctype>
#include <cstdarg>
#include <cstring>

#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"

static int WantedFromLetter(char letter, const char *format)
{
    switch (letter) {
    case 'i': return 1;
    case 'f': return 2;
    case 'n': return 0;
    default: FatalExitf("Invalid list format %s", format);
    }
}

int SCtrlParseListArr(const char *text, const char *format, Player *pl, const char **end, Expr **exprs)
{
    if (!text)
        return 0;
    const char *colon = strchr(format, ':');
    size_t letters = colon ? (size_t)(colon - format) : strlen(format);
    const char *p = text;
    int count = 0;
    for (size_t i = 0; i < letters; i++) {
        int wanted = WantedFromLetter(format[i], format);
        const char *stop = p;
        if (!ExprCompile(p, exprs[i], pl, &stop, wanted))
            break;
        count++;
        p = stop;
        if (*p == ',' && i + 1 < letters) {
            p++;
            continue;
        }
        break;
    }
    if (end)
        *end = SCtrlSkipSpaces(p);
    return count;
}

int SCtrlParseList(const char *text, const char *format, Player *pl, const char **end, ...)
{
    Expr *exprs[16];
    const char *colon = strchr(format, ':');
    size_t letters = colon ? (size_t)(colon - format) : strlen(format);
    if (letters > 16)
        FatalExitf("Invalid list format %s", format);
    va_list args;
    va_start(args, end);
    for (size_t i = 0; i < letters; i++)
        exprs[i] = va_arg(args, Expr *);
    va_end(args);
    return SCtrlParseListArr(text, format, pl, end, exprs);
}

int SCtrlPosTypeParse(const char *word)
{
    if (!word)
        return POSTYPE_NONE;
    switch (tolower((unsigned char)word[0])) {
    case 'p': return word[1] == '2' ? POSTYPE_P2 : POSTYPE_P1;
    case 'f': return POSTYPE_FRONT;
    case 'b': return POSTYPE_BACK;
    case 'l': return POSTYPE_LEFT;
    case 'r': return POSTYPE_RIGHT;
    default: return POSTYPE_NONE;
    }
}

int SCtrlAssertFlagParse(const char *word, int *index, int *kind)
{
    static const char *const globalFlags[] = {"intro", "roundnotover", "noko", "nokosnd", "nokoslow", "nomusic",
                                              "globalnoshadow", "timerfreeze", "nobardisplay", "nobg", "nofg"};
    static const char *const playerFlags[] = {"nostandguard", "nocrouchguard", "noairguard",
                                              "noautoturn", "noshadow", "nojugglecheck",
                                              "nowalk", "unguardable", "invisible"};
    if (!word)
        return 0;
    char buf[ASSERT_WORD_LEN];
    StrCopy(buf, sizeof buf, word);
    for (char *c = buf; *c; c++)
        *c = (char)tolower((unsigned char)*c);
    for (int i = 0; i < (int)(sizeof globalFlags / sizeof *globalFlags); i++)
        if (strcmp(buf, globalFlags[i]) == 0) {
            *index = i;
            *kind = ASSERT_KIND_GLOBAL;
            return 1;
        }
    for (int i = 0; i < (int)(sizeof playerFlags / sizeof *playerFlags); i++)
        if (strcmp(buf, playerFlags[i]) == 0) {
            *index = i;
            *kind = ASSERT_KIND_PLAYER;
            return 1;
        }
    return 0;
}

// An F or S prefix counts only as a letter of its own ("F5", "S 2"), so that
// expressions such as fvar(1) or sin(1) stay whole.
static const char *FSPrefix(const char *text, int *fromCommon)
{
    const char *p = SCtrlSkipSpaces(text);
    char c = (char)toupper((unsigned char)*p);
    if ((c == 'F' || c == 'S') && !isalpha((unsigned char)p[1]) && p[1] != '_') {
        *fromCommon = c == 'F';
        return p + 1;
    }
    return p;
}

int SCtrlFSIntParse(const char *text, Expr *expr, int *fromCommon, Player *pl)
{
    if (!text)
        return 0;
    const char *p = FSPrefix(text, fromCommon);
    const char *end = p;
    if (!ExprCompile(p, expr, pl, &end, 1))
        return 0;
    return *SCtrlSkipSpaces(end) == 0;
}

int SCtrlFSPairParse(const char *text, Expr *first, Expr *second, int *fromCommon, Player *pl)
{
    if (!text)
        return 0;
    const char *p = FSPrefix(text, fromCommon);
    const char *end = p;
    if (SCtrlParseList(p, "ii", pl, &end, first, second) < 1)
        return 0;
    return *end == 0;
}

int SCtrlFloatPairOptParse(const char *text, Expr *x, Expr *y, Player *pl)
{
    if (!text)
        return 0;
    Expr *items[2] = {x, y};
    const char *p = SCtrlSkipSpaces(text);
    for (int i = 0; i < 2; i++) {
        if ((*p == 'n' || *p == 'N') && (p[1] == 0 || p[1] == ' ' || p[1] == '\t' || p[1] == ',')) {
            ExprSetFloat(items[i], SCTRL_NOT_GIVEN_FLOAT);
            p = SCtrlSkipSpaces(p + 1);
        } else {
            const char *stop = p;
            if (!ExprCompile(p, items[i], pl, &stop, 2))
                return 0;
            p = SCtrlSkipSpaces(stop);
        }
        if (*p != ',' || i == 1)
            break;
        p = SCtrlSkipSpaces(p + 1);
    }
    return *p == 0;
}

static int ClassBits(char cls, char type)
{
    static const char classes[] = "NSH";
    static const int typeShift[] = {0, 3, 6};  // A, T, P groups: 0x8 << shift
    const char *types = "ATP";
    const char *tp = type ? strchr(types, type) : nullptr;
    if (cls == 'A') {
        if (!tp)
            return 0xff8;
        return 0x38 << typeShift[tp - types];
    }
    const char *cp = strchr(classes, cls);
    int c = (int)(cp - classes);
    if (!tp)
        return (0x8 | 0x40 | 0x200) << c;
    return 0x8 << (typeShift[tp - types] + c);
}

int SCtrlHitAttrParse(const char *text, const char **end)
{
    if (!text)
        return -1;
    const char *p = SCtrlSkipSpaces(text);
    int mask = 0;
    for (; isalpha((unsigned char)*p); p++) {
        switch (toupper((unsigned char)*p)) {
        case 'S': mask |= HITATTR_S; break;
        case 'C': mask |= HITATTR_C; break;
        case 'A': mask |= HITATTR_A; break;
        default: return -1;
        }
    }
    for (;;) {
        const char *q = SCtrlSkipSpaces(p);
        if (!*q) {
            p = q;
            break;
        }
        if (*q != ',') {
            if (end)
                break;
            return -1;
        }
        q = SCtrlSkipSpaces(q + 1);
        char cls = (char)toupper((unsigned char)*q);
        if (!cls || !strchr("NSHA", cls)) {
            // Inside an expression the list may be followed by other arguments.
            if (end)
                break;
            return -1;
        }
        char next = q[1];
        char type = (char)toupper((unsigned char)next);
        if (type == 'A' || type == 'T' || type == 'P') {
            mask |= ClassBits(cls, type);
            p = q + 2;
        } else if (next == ' ' || next == '\t' || next == ',' || next == 0 || (end && !isalnum((unsigned char)next))) {
            mask |= ClassBits(cls, 0);
            p = q + 1;
        } else {
            return -1;
        }
    }
    if (end)
        *end = p;
    return mask;
}

int SCtrlHitFlagParse(const char *text)
{
    int bits = HITFLAG_DEFAULT;
    if (!text)
        return bits;
    for (const char *p = text; *p; p++) {
        switch (toupper((unsigned char)*p)) {
        case 'H': bits |= HITFLAG_H; break;
        case 'L': bits |= HITFLAG_L; break;
        case 'M': bits |= HITFLAG_M; break;
        case 'A': bits |= HITFLAG_A; break;
        case 'F': bits |= HITFLAG_F; break;
        case 'D': bits |= HITFLAG_D; break;
        case 'P': bits |= HITFLAG_P; break;
        case '+': bits |= HITFLAG_PLUS; break;
        case '-': bits &= ~HITFLAG_DEFAULT; break;
        default: break;
        }
    }
    return bits;
}

int SCtrlParamInt(TxtParseFile *file, const char *key, Expr *expr, Player *pl, int def)
{
    ExprSetInt(expr, def);
    const char *value = TxtParseValueGet(file, key);
    if (!value)
        return 1;
    return ExprCompile(value, expr, pl, nullptr, 1);
}

int SCtrlParamFloat(TxtParseFile *file, const char *key, Expr *expr, Player *pl, float def)
{
    ExprSetFloat(expr, def);
    const char *value = TxtParseValueGet(file, key);
    if (!value)
        return 1;
    return ExprCompile(value, expr, pl, nullptr, 2);
}

const char *SCtrlSkipSpaces(const char *p)
{
    while (*p == ' ' || *p == '\t' || *p == '\r')
        p++;
    return p;
}

int SCtrlKeyFailed(const char *key)
{
    GameErrorAppend("\nError parsing %s", key);
    return 0;
}

int SCtrlListKey(TxtParseFile *file, const char *key, const char *format, Expr **items, Player *pl, int *count)
{
    if (count)
        *count = 0;
    const char *v = TxtParseValueGet(file, key);
    if (!v)
        return 1;
    const char *end = v;
    int n = SCtrlParseListArr(v, format, pl, &end, items);
    if (n == 0 || *end)
        return SCtrlKeyFailed(key);
    if (count)
        *count = n;
    return 1;
}

int SCtrlPosTypeKey(TxtParseFile *file, int *out)
{
    const char *v = TxtParseValueGet(file, "postype");
    if (!v)
        return 1;
    int code = SCtrlPosTypeParse(v);
    if (code == POSTYPE_NONE) {
        GameErrorSet("Illegal postype: %s", v);
        return 0;
    }
    *out = code;
    return 1;
}
