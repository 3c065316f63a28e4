// State-file parameter helpers: typed lists, position types, F/S references, float pairs, hit attributes and flags.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

enum HitAttrBits {
    HITATTR_S = 0x1,
    HITATTR_C = 0x2,
    HITATTR_A = 0x4,
    HITATTR_NA = 0x8,
    HITATTR_SA = 0x10,
    HITATTR_HA = 0x20,
    HITATTR_NT = 0x40,
    HITATTR_ST = 0x80,
    HITATTR_HT = 0x100,
    HITATTR_NP = 0x200,
    HITATTR_SP = 0x400,
    HITATTR_HP = 0x800,
    HITATTR_ALL = 0xfff,
};

enum HitFlagBits {
    HITFLAG_DEFAULT = 0x2,
    HITFLAG_H = 0x4,
    HITFLAG_L = 0x8,
    HITFLAG_M = 0xc,
    HITFLAG_A = 0x10,
    HITFLAG_F = 0x20,
    HITFLAG_D = 0x40,
    HITFLAG_P = 0x80,
    HITFLAG_PLUS = 0x100,
};

enum PosType {
    POSTYPE_NONE = -1,
    POSTYPE_P1 = 0,
    POSTYPE_FRONT = 1,
    POSTYPE_BACK = 2,
    POSTYPE_LEFT = 3,
    POSTYPE_RIGHT = 4,
    POSTYPE_P2 = 5,
};

enum AssertFlagKind {
    ASSERT_KIND_GLOBAL = 0,
    ASSERT_KIND_PLAYER = 1,
};

enum {
    SCTRL_NOT_GIVEN_INT = -32751,
    ASSERT_WORD_LEN = 64,
};

// The float marker of a parameter that was not given.
constexpr float SCTRL_NOT_GIVEN_FLOAT = -32760.0f;

// The expression gets the default, then the key's value when present; 0 only
// when a present value fails to compile.
int SCtrlParamInt(TxtParseFile *file, const char *key, Expr *expr, Player *pl, int def);
int SCtrlParamFloat(TxtParseFile *file, const char *key, Expr *expr, Player *pl, float def);

// Compiles a comma list: one format letter per item (i int, f float, n any),
// after an optional ":" the characters that may end the list. Returns the
// items compiled; end gets the position after the list and its spaces.
int SCtrlParseList(const char *text, const char *format, Player *pl, const char **end, ...);
// The same with the expressions in an array of format-length entries.
int SCtrlParseListArr(const char *text, const char *format, Player *pl, const char **end, Expr **exprs);

// A key's comma list into the given expressions: fewer values keep what the
// expressions hold; an empty list or text after it fails with "Error parsing
// <key>". count (may be null) gets the values read, 0 when the key is absent.
int SCtrlListKey(TxtParseFile *file, const char *key, const char *format, Expr **items, Player *pl, int *count);

int SCtrlPosTypeParse(const char *word);
// The "postype" key into *out: left as the caller set it when absent; an
// unknown word fails with "Illegal postype: %s".
int SCtrlPosTypeKey(TxtParseFile *file, int *out);
// Past blanks (space, tab, carriage return).
const char *SCtrlSkipSpaces(const char *p);
// Appends "\nError parsing <key>" to the game error text; returns 0.
int SCtrlKeyFailed(const char *key);
int SCtrlAssertFlagParse(const char *word, int *index, int *kind);
int SCtrlFSIntParse(const char *text, Expr *expr, int *fromCommon, Player *pl);
int SCtrlFSPairParse(const char *text, Expr *first, Expr *second, int *fromCommon, Player *pl);
int SCtrlFloatPairOptParse(const char *text, Expr *x, Expr *y, Player *pl);
// The HitAttr mask, or -1 when invalid. With end given, reading stops before
// anything that does not continue the list and end gets that position;
// without it the whole text must be the attribute.
int SCtrlHitAttrParse(const char *text, const char **end);
int SCtrlHitFlagParse(const char *text);
