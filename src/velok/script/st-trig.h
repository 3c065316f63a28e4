// Triggers: compiling trigger references inside expressions, evaluating them, and testing controller trigger lines.
#pragma once
#include <cstdint>

#include "velok/script/expr.h"

struct Player;
struct SCtrl;

enum TrigRedirect {
    TRIG_REDIR_NONE = 0,
    TRIG_REDIR_PARENT = 1,
    TRIG_REDIR_ROOT = 2,
    TRIG_REDIR_HELPER = 3,
    TRIG_REDIR_TARGET = 4,
    TRIG_REDIR_PARTNER = 5,
    TRIG_REDIR_ENEMY = 6,
    TRIG_REDIR_ENEMYNEAR = 7,
    TRIG_REDIR_PLAYERID = 8,
};

// Old-style comparison operators of a node.
enum TrigCmp {
    TRIG_CMP_NONE = -1,
    TRIG_CMP_EQ = 0,
    TRIG_CMP_NE = 1,
    TRIG_CMP_GT = 2,
    TRIG_CMP_GE = 3,
    TRIG_CMP_LT = 4,
    TRIG_CMP_LE = 5,
    TRIG_CMP_CC = 10, // [a,b]
    TRIG_CMP_CO = 11, // [a,b)
    TRIG_CMP_OC = 12, // (a,b]
    TRIG_CMP_OO = 13, // (a,b)
};

enum TrigCode {
    TRIG_TIME = 0, TRIG_ANIMTIME = 1, TRIG_ANIMELEM = 2, TRIG_ANIM = 3, TRIG_POS = 4, TRIG_SCREENPOS = 5,
    TRIG_VEL = 6, TRIG_TIMEMOD = 7, TRIG_P2DIST = 8, TRIG_P2BODYDIST = 9, TRIG_P2LIFE = 10,
    TRIG_FRONTEDGEDIST = 11, TRIG_BACKEDGEDIST = 12, TRIG_LIFE = 15, TRIG_LIFEMAX = 16, TRIG_POWER = 17,
    TRIG_POWERMAX = 18, TRIG_ALIVE = 19, TRIG_COMMAND = 20, TRIG_HITCOUNT = 30, TRIG_UNIQHITCOUNT = 31,
    TRIG_MOVEHIT = 32, TRIG_MOVEGUARDED = 33, TRIG_MOVECONTACT = 34, TRIG_MOVEREVERSED = 35,
    TRIG_INGUARDDIST = 36, TRIG_STATENO = 40, TRIG_PREVSTATENO = 41, TRIG_P2STATENO = 42,
    TRIG_STATETYPE = 43, TRIG_P2STATETYPE = 44, TRIG_MOVETYPE = 45, TRIG_P2MOVETYPE = 46, TRIG_CTRL = 47,
    TRIG_HITDEFATTR = 48, TRIG_RANDOM = 51, TRIG_NUMPROJ = 60, TRIG_PROJHIT = 62, TRIG_PROJGUARDED = 63,
    TRIG_PROJCONTACT = 64, TRIG_NAME = 90, TRIG_P2NAME = 91, TRIG_P3NAME = 92, TRIG_P4NAME = 93,
    TRIG_AUTHORNAME = 94, TRIG_NUMPARTNER = 95, TRIG_NUMENEMY = 96, TRIG_ID = 97, TRIG_FACING = 99,
    TRIG_HITFALL = 100, TRIG_HITSHAKEOVER = 101, TRIG_HITOVER = 102, TRIG_HITVEL = 103,
    TRIG_HITPAUSETIME = 104, TRIG_CANRECOVER = 105, TRIG_PALNO = 107, TRIG_WINPERFECT = 108, TRIG_WIN = 109,
    TRIG_LOSE = 110, TRIG_DRAWGAME = 111, TRIG_MATCHOVER = 112, TRIG_GAMETIME = 113, TRIG_ROUNDNO = 114,
    TRIG_ROUNDSTATE = 115, TRIG_MATCHNO = 116, TRIG_ROUNDSEXISTED = 117, TRIG_TEAMSIDE = 120,
    TRIG_TEAMMODE = 121, TRIG_ISHOMETEAM = 122, TRIG_NUMEXPLOD = 150, TRIG_NUMTARGET = 160,
    TRIG_GETHITVAR = 180, TRIG_CONST = 181, TRIG_STAGEVAR = 182, TRIG_TICKSPERSECOND = 190,
    TRIG_ISHELPER = 201, TRIG_NUMHELPER = 202, TRIG_PARENTDIST = 203, TRIG_ROOTDIST = 204,
    TRIG_STANDBY = 205, TRIG_PI = 300, TRIG_E = 301, TRIG_IFELSE = 305, TRIG_LOG = 310, TRIG_SIN = 320,
    TRIG_COS = 321, TRIG_TAN = 322, TRIG_ASIN = 323, TRIG_ACOS = 324, TRIG_ATAN = 325, TRIG_EXP = 326,
    TRIG_LN = 327, TRIG_ABS = 328, TRIG_FLOOR = 329, TRIG_CEIL = 330, TRIG_ANIMELEMTIME = 331,
    TRIG_ANIMEXIST = 332, TRIG_SELFANIMEXIST = 333, TRIG_PLAYERIDEXIST = 334, TRIG_ISHELPER_ID = 335,
    TRIG_NUMHELPER_ID = 336, TRIG_PROJHITTIME = 337, TRIG_PROJGUARDEDTIME = 338,
    TRIG_PROJCONTACTTIME = 339, TRIG_NUMPROJID = 340, TRIG_NUMEXPLOD_ID = 341, TRIG_NUMTARGET_ID = 342,
    TRIG_VAR = 343, TRIG_FVAR = 344, TRIG_SYSVAR = 345, TRIG_SYSFVAR = 346, TRIG_PROJCANCELTIME = 347,
    TRIG_ANIMELEMNO = 348,
};

enum {
    TRIG_WORD_LEN = 256,   // trigger, redirect, gethitvar, const and stagevar words
    TRIG_LABEL_LEN = 64,   // command labels
    TRIG_GETHITVAR_COUNT = 36,
    TRIG_CONST_COUNT = 66,
};

// One compiled trigger reference, owned by the expression entry that holds it.
struct TrigNode {
    int code;
    int redirect;
    Expr redirectArg;
    int cmpOp;      // TrigCmp of the old-style form; TRIG_CMP_NONE when unset
    int isFloat;
    int lo;         // component, gethitvar/const index, letter code, attribute mask, team mode, low bound
    int hi;
    int num;        // animelem number - 1, timemod divisor, win/lose kind, body flag, projectile ID
    int projValue;
    float flo;
    float fhi;
    char *str;      // names (codes 90-94) only
};

// Players that a state run reads: built before the player's states run.
struct TrigCtx {
    Player *opponent;
    Player *powerOwner;
    Player *partner;
    Player *parent;
    Player *root;
};

// A named entry of the gethitvar and const tables.
struct TrigVarName {
    const char *name;
    int index;
    int isFloat;
};

extern const TrigVarName TrigGetHitVarNames[TRIG_GETHITVAR_COUNT];
// In the order of the constants table; index is the word of PlayerConst.
extern const TrigVarName TrigConstNames[TRIG_CONST_COUNT];

// Compiles one reference: appends its argument code and one trigger entry.
// Returns the entries added, 0 on failure (reason in the game error text).
int TrigParse(const char *text, Player *pl, ExprWord *values, uint8_t *kinds, int room, const char **end);
int TrigArgCount(int code);
// Compiles "(a, b, ...)" starting at the "(": format "n:)" and the like.
// Returns the number of arguments (-1 on a compile failure) and their code length.
int TrigArgListParse(const char *text, const char *format, Player *pl, const char **end, ExprWord *values,
                     uint8_t *kinds, int *codeLen, int room);
// Text starts after the opening quote; stores the command's label number.
int TrigCommandParse(const char *text, TrigNode *node, Player *pl, const char **end);
int TrigCompareParse(const char *text, TrigNode *node, const char **end);

void TrigNodeFree(TrigNode *node);
TrigNode *TrigNodeCopy(const TrigNode *node);

// The slot of a player's partner: P1 with P3 and P2 with P4; a helper uses
// its root's slot. 0 when the player has no partner slot.
int TrigPartnerSlot(const Player *pl);

void TrigEval(Player *pl, TrigNode *node);
// 1 int, 2 float truncated (warned), 3 undefined.
int TrigPopInt(Player *pl, int *out);
// 1 int or float, 3 undefined.
int TrigPopFloat(Player *pl, float *out);
int TrigArrayTest(Player *pl, SCtrl *ctrl);
