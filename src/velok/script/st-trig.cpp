// Triggers: compiling trigger references inside expressions, evaluating them, and testing controller trigger lines.
#include "velok/script/st-trig.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/timer.h"
#include "velok/player/cmd.h"
#include "velok/core/common.h"
#include "velok/player/chardef.h"
#include "velok/core/gamevars.h"
#include "velok/player/explod.h"
#include "velok/player/helper.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/match/round.h"
#include "velok/script/sctrl.h"
#include "velok/script/stparam.h"

// ---------------------------------------------------------------- name tables

enum NameKind {
    NAME_EXACT = 0,
    NAME_WIN,     // "win" and a kind suffix
    NAME_PROJ,    // projhit, projguarded, projcontact and an ID suffix
    NAME_BODY,    // edge body distances
};

struct TrigName {
    const char *name;
    int code;
    int kind;
};

// Match order matters: the longer "...time" forms stand before the prefixes.
static const TrigName trigNames[] = {
    {"time", TRIG_TIME, NAME_EXACT},
    {"statetime", TRIG_TIME, NAME_EXACT},
    {"animtime", TRIG_ANIMTIME, NAME_EXACT},
    {"animelem", TRIG_ANIMELEM, NAME_EXACT},
    {"anim", TRIG_ANIM, NAME_EXACT},
    {"vel", TRIG_VEL, NAME_EXACT},
    {"pos", TRIG_POS, NAME_EXACT},
    {"screenpos", TRIG_SCREENPOS, NAME_EXACT},
    {"timemod", TRIG_TIMEMOD, NAME_EXACT},
    {"p2dist", TRIG_P2DIST, NAME_EXACT},
    {"p2bodydist", TRIG_P2BODYDIST, NAME_EXACT},
    {"p2life", TRIG_P2LIFE, NAME_EXACT},
    {"winperfect", TRIG_WINPERFECT, NAME_EXACT},
    {"win", TRIG_WIN, NAME_WIN},
    {"lose", TRIG_LOSE, NAME_WIN},
    {"drawgame", TRIG_DRAWGAME, NAME_EXACT},
    {"matchover", TRIG_MATCHOVER, NAME_EXACT},
    {"gametime", TRIG_GAMETIME, NAME_EXACT},
    {"roundno", TRIG_ROUNDNO, NAME_EXACT},
    {"roundstate", TRIG_ROUNDSTATE, NAME_EXACT},
    {"matchno", TRIG_MATCHNO, NAME_EXACT},
    {"roundsexisted", TRIG_ROUNDSEXISTED, NAME_EXACT},
    {"teamside", TRIG_TEAMSIDE, NAME_EXACT},
    {"teammode", TRIG_TEAMMODE, NAME_EXACT},
    {"ishometeam", TRIG_ISHOMETEAM, NAME_EXACT},
    {"frontedgedist", TRIG_FRONTEDGEDIST, NAME_EXACT},
    {"backedgedist", TRIG_BACKEDGEDIST, NAME_EXACT},
    {"frontedgebodydist", TRIG_FRONTEDGEDIST, NAME_BODY},
    {"backedgebodydist", TRIG_BACKEDGEDIST, NAME_BODY},
    {"life", TRIG_LIFE, NAME_EXACT},
    {"lifemax", TRIG_LIFEMAX, NAME_EXACT},
    {"power", TRIG_POWER, NAME_EXACT},
    {"powermax", TRIG_POWERMAX, NAME_EXACT},
    {"alive", TRIG_ALIVE, NAME_EXACT},
    {"command", TRIG_COMMAND, NAME_EXACT},
    {"hitcount", TRIG_HITCOUNT, NAME_EXACT},
    {"uniqhitcount", TRIG_UNIQHITCOUNT, NAME_EXACT},
    {"movehit", TRIG_MOVEHIT, NAME_EXACT},
    {"moveguarded", TRIG_MOVEGUARDED, NAME_EXACT},
    {"movecontact", TRIG_MOVECONTACT, NAME_EXACT},
    {"movereversed", TRIG_MOVEREVERSED, NAME_EXACT},
    {"inguarddist", TRIG_INGUARDDIST, NAME_EXACT},
    {"stateno", TRIG_STATENO, NAME_EXACT},
    {"prevstateno", TRIG_PREVSTATENO, NAME_EXACT},
    {"p2stateno", TRIG_P2STATENO, NAME_EXACT},
    {"statetype", TRIG_STATETYPE, NAME_EXACT},
    {"p2statetype", TRIG_P2STATETYPE, NAME_EXACT},
    {"movetype", TRIG_MOVETYPE, NAME_EXACT},
    {"p2movetype", TRIG_P2MOVETYPE, NAME_EXACT},
    {"ctrl", TRIG_CTRL, NAME_EXACT},
    {"hitdefattr", TRIG_HITDEFATTR, NAME_EXACT},
    {"var", TRIG_VAR, NAME_EXACT},
    {"fvar", TRIG_FVAR, NAME_EXACT},
    {"sysvar", TRIG_SYSVAR, NAME_EXACT},
    {"sysfvar", TRIG_SYSFVAR, NAME_EXACT},
    {"random", TRIG_RANDOM, NAME_EXACT},
    {"numproj", TRIG_NUMPROJ, NAME_EXACT},
    {"numprojid", TRIG_NUMPROJID, NAME_EXACT},
    {"projcanceltime", TRIG_PROJCANCELTIME, NAME_EXACT},
    {"projhittime", TRIG_PROJHITTIME, NAME_EXACT},
    {"projhit", TRIG_PROJHIT, NAME_PROJ},
    {"projguardedtime", TRIG_PROJGUARDEDTIME, NAME_EXACT},
    {"projguarded", TRIG_PROJGUARDED, NAME_PROJ},
    {"projcontacttime", TRIG_PROJCONTACTTIME, NAME_EXACT},
    {"projcontact", TRIG_PROJCONTACT, NAME_PROJ},
    {"p1name", TRIG_NAME, NAME_EXACT},
    {"name", TRIG_NAME, NAME_EXACT},
    {"p2name", TRIG_P2NAME, NAME_EXACT},
    {"p3name", TRIG_P3NAME, NAME_EXACT},
    {"p4name", TRIG_P4NAME, NAME_EXACT},
    {"authorname", TRIG_AUTHORNAME, NAME_EXACT},
    {"numpartner", TRIG_NUMPARTNER, NAME_EXACT},
    {"numenemy", TRIG_NUMENEMY, NAME_EXACT},
    {"id", TRIG_ID, NAME_EXACT},
    {"facing", TRIG_FACING, NAME_EXACT},
    {"hitfall", TRIG_HITFALL, NAME_EXACT},
    {"hitshakeover", TRIG_HITSHAKEOVER, NAME_EXACT},
    {"hitover", TRIG_HITOVER, NAME_EXACT},
    {"hitvel", TRIG_HITVEL, NAME_EXACT},
    {"hitpausetime", TRIG_HITPAUSETIME, NAME_EXACT},
    {"canrecover", TRIG_CANRECOVER, NAME_EXACT},
    {"animelemno", TRIG_ANIMELEMNO, NAME_EXACT},
    {"animexist", TRIG_ANIMEXIST, NAME_EXACT},
    {"selfanimexist", TRIG_SELFANIMEXIST, NAME_EXACT},
    {"playeridexist", TRIG_PLAYERIDEXIST, NAME_EXACT},
    {"palno", TRIG_PALNO, NAME_EXACT},
    {"numexplod", TRIG_NUMEXPLOD, NAME_EXACT},
    {"numtarget", TRIG_NUMTARGET, NAME_EXACT},
    {"gethitvar", TRIG_GETHITVAR, NAME_EXACT},
    {"const", TRIG_CONST, NAME_EXACT},
    {"stagevar", TRIG_STAGEVAR, NAME_EXACT},
    {"tickspersecond", TRIG_TICKSPERSECOND, NAME_EXACT},
    {"ishelper", TRIG_ISHELPER, NAME_EXACT},
    {"numhelper", TRIG_NUMHELPER, NAME_EXACT},
    {"parentdist", TRIG_PARENTDIST, NAME_EXACT},
    {"rootdist", TRIG_ROOTDIST, NAME_EXACT},
    {"standby", TRIG_STANDBY, NAME_EXACT},
    {"pi", TRIG_PI, NAME_EXACT},
    {"e", TRIG_E, NAME_EXACT},
    {"ifelse", TRIG_IFELSE, NAME_EXACT},
    {"log", TRIG_LOG, NAME_EXACT},
    {"sin", TRIG_SIN, NAME_EXACT},
    {"cos", TRIG_COS, NAME_EXACT},
    {"tan", TRIG_TAN, NAME_EXACT},
    {"asin", TRIG_ASIN, NAME_EXACT},
    {"acos", TRIG_ACOS, NAME_EXACT},
    {"atan", TRIG_ATAN, NAME_EXACT},
    {"exp", TRIG_EXP, NAME_EXACT},
    {"ln", TRIG_LN, NAME_EXACT},
    {"abs", TRIG_ABS, NAME_EXACT},
    {"floor", TRIG_FLOOR, NAME_EXACT},
    {"ceil", TRIG_CEIL, NAME_EXACT},
    {"animelemtime", TRIG_ANIMELEMTIME, NAME_EXACT},
};

struct RedirectName {
    const char *name;
    int kind;
    int defaultArg;
};

static const RedirectName redirectNames[] = {
    {"parent", TRIG_REDIR_PARENT, 0},   {"root", TRIG_REDIR_ROOT, 0},
    {"helper", TRIG_REDIR_HELPER, 0},   {"target", TRIG_REDIR_TARGET, -1},
    {"partner", TRIG_REDIR_PARTNER, 0}, {"enemy", TRIG_REDIR_ENEMY, 0},
    {"enemynear", TRIG_REDIR_ENEMYNEAR, 0}, {"playerid", TRIG_REDIR_PLAYERID, 0},
};

const TrigVarName TrigGetHitVarNames[TRIG_GETHITVAR_COUNT] = {
    {"xveladd", 0, 0},
    {"yveladd", 1, 0},
    {"type", 2, 0},
    {"animtype", 3, 0},
    {"airtype", 4, 0},
    {"groundtype", 5, 0},
    {"damage", 6, 0},
    {"hitcount", 7, 0},
    {"fallcount", 8, 0},
    {"hitshaketime", 9, 0},
    {"hittime", 10, 0},
    {"slidetime", 11, 0},
    {"ctrltime", 12, 0},
    {"recovertime", 13, 0},
    {"xoff", 14, 1},
    {"yoff", 15, 1},
    {"zoff", 16, 1},
    {"xvel", 17, 1},
    {"yvel", 18, 1},
    {"yaccel", 19, 1},
    {"chainid", 20, 0},
    {"guarded", 21, 0},
    {"isbound", 22, 0},
    {"fall", 23, 0},
    {"fall.damage", 24, 0},
    {"fall.xvel", 25, 1},
    {"fall.yvel", 26, 1},
    {"fall.recover", 27, 0},
    {"fall.time", 28, 0},
    {"fall.recovertime", 29, 0},
    {"fall.kill", 30, 0},
    {"fall.envshake.time", 31, 0},
    {"fall.envshake.dir", 32, 0},
    {"fall.envshake.ampl", 33, 0},
    {"fall.envshake.freq", 34, 1},
    {"fall.envshake.phase", 35, 1},
};

#define CONST_WORD(field) (int)(offsetof(PlayerConst, field) / 4)

const TrigVarName TrigConstNames[TRIG_CONST_COUNT] = {
    {"data.life", CONST_WORD(life), 0},
    {"data.power", CONST_WORD(power), 0},
    {"data.attack", CONST_WORD(attack), 0},
    {"size.attack.z.width.front", CONST_WORD(attackZWidthFront), 0},
    {"size.attack.z.width.back", CONST_WORD(attackZWidthBack), 0},
    {"data.airjuggle", CONST_WORD(airJuggle), 0},
    {"size.attack.dist", CONST_WORD(attackDist), 0},
    {"size.proj.attack.dist", CONST_WORD(projAttackDist), 0},
    {"data.defence", CONST_WORD(defence), 0},
    {"data.fall.defence_up", CONST_WORD(fallDefenceUp), 1},
    {"data.liedown.time", CONST_WORD(liedownTime), 0},
    {"size.xscale", CONST_WORD(xScale), 1},
    {"size.yscale", CONST_WORD(yScale), 1},
    {"size.ground.back", CONST_WORD(groundBack), 0},
    {"size.ground.front", CONST_WORD(groundFront), 0},
    {"size.air.back", CONST_WORD(airBack), 0},
    {"size.air.front", CONST_WORD(airFront), 0},
    {"size.z.width", CONST_WORD(zWidth), 0},
    {"size.height", CONST_WORD(height), 0},
    {"size.proj.doscale", CONST_WORD(projDoScale), 0},
    {"size.head.pos.x", CONST_WORD(headPosX), 0},
    {"size.head.pos.y", CONST_WORD(headPosY), 0},
    {"size.mid.pos.x", CONST_WORD(midPosX), 0},
    {"size.mid.pos.y", CONST_WORD(midPosY), 0},
    {"size.shadowoffset", CONST_WORD(shadowOffset), 0},
    {"velocity.walk.fwd.x", CONST_WORD(walkFwd), 1},
    {"velocity.walk.back.x", CONST_WORD(walkBack), 1},
    {"velocity.walk.up.x", CONST_WORD(walkUp), 1},
    {"velocity.walk.down.x", CONST_WORD(walkDown), 1},
    {"velocity.run.fwd.x", CONST_WORD(runFwdX), 1},
    {"velocity.run.fwd.y", CONST_WORD(runFwdY), 1},
    {"velocity.run.back.x", CONST_WORD(runBackX), 1},
    {"velocity.run.back.y", CONST_WORD(runBackY), 1},
    {"velocity.run.down.x", CONST_WORD(runDownX), 1},
    {"velocity.run.down.y", CONST_WORD(runDownY), 1},
    {"velocity.run.up.x", CONST_WORD(runUpX), 1},
    {"velocity.run.up.y", CONST_WORD(runUpY), 1},
    {"velocity.jump.neu.x", CONST_WORD(jumpNeuX), 1},
    {"velocity.jump.neu.y", CONST_WORD(jumpY), 1},
    {"velocity.jump.fwd.x", CONST_WORD(jumpFwdX), 1},
    {"velocity.jump.back.x", CONST_WORD(jumpBackX), 1},
    {"velocity.jump.up.x", CONST_WORD(jumpUpX), 1},
    {"velocity.jump.down.x", CONST_WORD(jumpDownX), 1},
    {"velocity.runjump.fwd.x", CONST_WORD(runJumpFwdX), 1},
    {"velocity.runjump.fwd.y", CONST_WORD(runJumpY), 1},
    {"velocity.runjump.back.x", CONST_WORD(runJumpBackX), 1},
    {"velocity.runjump.up.x", CONST_WORD(runJumpUpX), 1},
    {"velocity.runjump.down.x", CONST_WORD(runJumpDownX), 1},
    {"movement.airjump.num", CONST_WORD(airJumpNum), 0},
    {"movement.airjump.height", CONST_WORD(airJumpHeight), 0},
    {"velocity.airjump.neu.x", CONST_WORD(airJumpNeuX), 1},
    {"velocity.airjump.neu.y", CONST_WORD(airJumpY), 1},
    {"velocity.airjump.fwd.x", CONST_WORD(airJumpFwdX), 1},
    {"velocity.airjump.back.x", CONST_WORD(airJumpBackX), 1},
    {"velocity.airjump.up.x", CONST_WORD(airJumpUpX), 1},
    {"velocity.airjump.down.x", CONST_WORD(airJumpDownX), 1},
    {"movement.yaccel", CONST_WORD(yAccel), 1},
    {"movement.stand.friction", CONST_WORD(standFriction), 1},
    {"movement.crouch.friction", CONST_WORD(crouchFriction), 1},
    {"data.sparkno", CONST_WORD(sparkNo), 0},
    {"data.guard.sparkno", CONST_WORD(guardSparkNo), 0},
    {"data.ko.echo", CONST_WORD(koEcho), 0},
    {"size.draw.offset.x", CONST_WORD(drawOffsetX), 0},
    {"size.draw.offset.y", CONST_WORD(drawOffsetY), 0},
    {"data.intpersistindex", CONST_WORD(intPersistIndex), 0},
    {"data.floatpersistindex", CONST_WORD(floatPersistIndex), 0},
};

// ---------------------------------------------------------------- compiling

static bool IsWordChar(char c)
{
    return isalnum((unsigned char)c) || c == '_';
}

// Reads a word of the accepted characters into a TRIG_WORD_LEN buffer.
// Returns the position after it, or null when it does not fit.
static const char *ReadWord(const char *p, char *word, bool allowDot)
{
    size_t n = 0;
    while (IsWordChar(*p) || (allowDot && *p == '.')) {
        if (n + 1 >= TRIG_WORD_LEN)
            return nullptr;
        word[n++] = *p++;
    }
    word[n] = 0;
    return p;
}

static const char *ReadInt(const char *p, int *out)
{
    const char *s = p;
    bool neg = false;
    if (*s == '-' || *s == '+') {
        neg = *s == '-';
        s++;
    }
    if (!isdigit((unsigned char)*s))
        return nullptr;
    long long acc = 0;
    while (isdigit((unsigned char)*s)) {
        if (acc <= 0x80000000ll)
            acc = acc * 10 + (*s - '0');
        s++;
    }
    if (neg)
        *out = acc >= 0x80000000ll ? INT_MIN : -(int)acc;
    else
        *out = acc > INT_MAX ? INT_MAX : (int)acc;
    return s;
}

static const char *ReadFloat(const char *p, float *out)
{
    char *end;
    float f = strtof(p, &end);
    if (end == p)
        return nullptr;
    *out = f;
    return end;
}

static void TrigErr(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void TrigErr(const char *format, ...)
{
    char buf[GAME_ERROR_LEN];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    GameErrorSet("%s", buf);
}

static const char *ReadEqOrNe(const char *p, int *op)
{
    p = SCtrlSkipSpaces(p);
    if (p[0] == '!' && p[1] == '=') {
        *op = TRIG_CMP_NE;
        return SCtrlSkipSpaces(p + 2);
    }
    if (p[0] == '=') {
        *op = TRIG_CMP_EQ;
        return SCtrlSkipSpaces(p + 1);
    }
    return nullptr;
}

int TrigArgCount(int code)
{
    if (code >= 320 && code <= 348)
        return 1;
    if (code == TRIG_LOG)
        return 2;
    if (code == TRIG_IFELSE)
        return 3;
    return 0;
}

int TrigArgListParse(const char *text, const char *format, Player *pl, const char **end, ExprWord *values,
                     uint8_t *kinds, int *codeLen, int room)
{
    *codeLen = 0;
    if (*text != '(')
        return -1;
    const char *enders = strchr(format, ':');
    size_t letters = enders ? (size_t)(enders - format) : strlen(format);
    enders = enders ? enders + 1 : ")";
    const char *p = text + 1;
    int count = 0, len = 0;
    for (size_t i = 0; i < letters; i++) {
        int wanted = 0;
        if (format[i] == 'i')
            wanted = 1;
        else if (format[i] == 'f')
            wanted = 2;
        else if (format[i] != 'n')
            FatalExitf("Invalid list format %s", format);
        const char *stop = p;
        int got = ExprParse(p, values + len, kinds + len, pl, room - len, &stop, wanted);
        if (!got) {
            for (int k = 0; k < len; k++)
                if (kinds[k] == EXPR_KIND_TRIG)
                    TrigNodeFree(values[k].trig);
            return -1;
        }
        len += got;
        count++;
        p = stop;
        if (*p == ',' && i + 1 < letters) {
            p++;
            continue;
        }
        break;
    }
    if (!*p || !strchr(enders, *p)) {
        for (int k = 0; k < len; k++)
            if (kinds[k] == EXPR_KIND_TRIG)
                TrigNodeFree(values[k].trig);
        return -1;
    }
    *end = p + 1;
    *codeLen = len;
    return count;
}

int TrigCommandParse(const char *text, TrigNode *node, Player *pl, const char **end)
{
    const char *close = strchr(text, '"');
    if (!close) {
        TrigErr("Couldn't parse command.");
        return 0;
    }
    size_t len = (size_t)(close - text);
    CmdSet *set = pl ? pl->cmdSet : nullptr;
    if (set && set->names) {
        for (int i = 0; i < set->count; i++) {
            const char *name = set->names[i];
            if (name && strlen(name) == len && strncmp(name, text, len) == 0) {
                node->lo = set->commands[i].labelNo;
                *end = close + 1;
                return 1;
            }
        }
    }
    int shown = len < TRIG_LABEL_LEN ? (int)len : TRIG_LABEL_LEN - 1;
    TrigErr("Undefined command label: \"%.*s\".\nIf not misspelling in CNS, check CMD", shown, text);
    return 0;
}

int TrigCompareParse(const char *text, TrigNode *node, const char **end)
{
    const char *p = SCtrlSkipSpaces(text);
    int op;
    if (p[0] == '!' && p[1] == '=') {
        op = TRIG_CMP_NE;
        p += 2;
    } else if (p[0] == '>' && p[1] == '=') {
        op = TRIG_CMP_GE;
        p += 2;
    } else if (p[0] == '<' && p[1] == '=') {
        op = TRIG_CMP_LE;
        p += 2;
    } else if (p[0] == '>' || p[0] == '<' || p[0] == '=') {
        op = p[0] == '>' ? TRIG_CMP_GT : p[0] == '<' ? TRIG_CMP_LT : TRIG_CMP_EQ;
        p++;
    } else if (isdigit((unsigned char)p[0]) || p[0] == '-') {
        op = TRIG_CMP_EQ;
    } else {
        return 0;
    }
    p = SCtrlSkipSpaces(p);
    if (op == TRIG_CMP_EQ && (*p == '[' || *p == '(')) {
        char open = *p;
        p = SCtrlSkipSpaces(p + 1);
        if (node->isFloat) {
            if (!(p = ReadFloat(p, &node->flo)))
                return 0;
        } else if (!(p = ReadInt(p, &node->lo))) {
            return 0;
        }
        p = SCtrlSkipSpaces(p);
        if (*p != ',')
            return 0;
        p = SCtrlSkipSpaces(p + 1);
        if (node->isFloat) {
            if (!(p = ReadFloat(p, &node->fhi)))
                return 0;
        } else if (!(p = ReadInt(p, &node->hi))) {
            return 0;
        }
        p = SCtrlSkipSpaces(p);
        if (*p != ']' && *p != ')')
            return 0;
        if (open == '[')
            node->cmpOp = *p == ']' ? TRIG_CMP_CC : TRIG_CMP_CO;
        else
            node->cmpOp = *p == ']' ? TRIG_CMP_OC : TRIG_CMP_OO;
        *end = p + 1;
        return 1;
    }
    if (node->isFloat) {
        if (!(p = ReadFloat(p, &node->flo)))
            return 0;
    } else if (!(p = ReadInt(p, &node->lo))) {
        return 0;
    }
    node->cmpOp = op;
    *end = p;
    return 1;
}

static bool IsVectorCode(int code)
{
    switch (code) {
    case TRIG_POS: case TRIG_SCREENPOS: case TRIG_VEL: case TRIG_P2DIST: case TRIG_P2BODYDIST:
    case TRIG_HITVEL: case TRIG_PARENTDIST: case TRIG_ROOTDIST:
        return true;
    default:
        return false;
    }
}

// gethitvar(name), const(name), stagevar(name).
static const char *ParseNamedVar(const char *p, const char *text, TrigNode *node)
{
    const char *what = node->code == TRIG_GETHITVAR ? "gethitvar" : node->code == TRIG_CONST ? "const" : "stagevar";
    p = SCtrlSkipSpaces(p);
    if (*p != '(') {
        TrigErr("Need to specify %s(varname): %s", what, text);
        return nullptr;
    }
    char name[TRIG_WORD_LEN];
    p = SCtrlSkipSpaces(p + 1);
    const char *after = ReadWord(p, name, true);
    if (!after || !name[0]) {
        TrigErr("Need to specify %s(varname): %s", what, text);
        return nullptr;
    }
    p = SCtrlSkipSpaces(after);
    if (*p != ')') {
        TrigErr("Missing closing parenthesis: %s", text);
        return nullptr;
    }
    for (char *c = name; *c; c++)
        *c = (char)tolower((unsigned char)*c);
    if (node->code == TRIG_GETHITVAR) {
        for (const TrigVarName &v : TrigGetHitVarNames)
            if (strcmp(v.name, name) == 0) {
                node->lo = v.index;
                node->isFloat = v.isFloat;
                return p + 1;
            }
        TrigErr("Invalid varname %s in: %s", name, text);
        return nullptr;
    }
    if (node->code == TRIG_CONST) {
        for (const TrigVarName &v : TrigConstNames)
            if (strcmp(v.name, name) == 0) {
                node->lo = v.index;
                node->isFloat = v.isFloat;
                return p + 1;
            }
        TrigErr("Invalid cnstname %s in: %s", name, text);
        return nullptr;
    }
    // The stage has no variables that a character may read.
    TrigErr("Invalid varname %s in: %s", name, text);
    return nullptr;
}

// The old-style forms; p is after the trigger word.
static const char *ParseOldStyle(const char *p, const char *text, TrigNode *node, Player *pl)
{
    const char *q;
    int op;
    switch (node->code) {
    case TRIG_ANIMELEM: {
        p = SCtrlSkipSpaces(p);
        if (*p != '=')
            break;
        int n;
        if (!(q = ReadInt(SCtrlSkipSpaces(p + 1), &n)))
            break;
        if (n < 1) {
            TrigErr("Anim must be > 0");
            return nullptr;
        }
        node->num = n - 1;
        const char *r = SCtrlSkipSpaces(q);
        if (*r == ',') {
            if (!TrigCompareParse(r + 1, node, &q))
                break;
            return q;
        }
        node->cmpOp = TRIG_CMP_EQ;
        node->lo = 0;
        return q;
    }
    case TRIG_TIMEMOD: {
        p = SCtrlSkipSpaces(p);
        if (*p != '=')
            break;
        int n;
        if (!(q = ReadInt(SCtrlSkipSpaces(p + 1), &n)) || n <= 0)
            break;
        node->num = n;
        q = SCtrlSkipSpaces(q);
        if (*q != ',' || !TrigCompareParse(q + 1, node, &q))
            break;
        return q;
    }
    case TRIG_PROJHIT: case TRIG_PROJGUARDED: case TRIG_PROJCONTACT: {
        p = SCtrlSkipSpaces(p);
        if (*p != '=')
            break;
        if (!(q = ReadInt(SCtrlSkipSpaces(p + 1), &node->projValue)))
            break;
        const char *r = SCtrlSkipSpaces(q);
        if (*r == ',') {
            if (!TrigCompareParse(r + 1, node, &q))
                break;
        }
        return q;
    }
    case TRIG_COMMAND:
        if (!(q = ReadEqOrNe(p, &op)) || *q != '"') {
            TrigErr("Couldn't parse command.");
            return nullptr;
        }
        node->cmpOp = op;
        if (!TrigCommandParse(q + 1, node, pl, &q))
            return nullptr;
        return q;
    case TRIG_NAME: case TRIG_P2NAME: case TRIG_P3NAME: case TRIG_P4NAME: case TRIG_AUTHORNAME: {
        if (!(q = ReadEqOrNe(p, &op)) || *q != '"')
            break;
        const char *close = strchr(q + 1, '"');
        if (!close)
            break;
        size_t len = (size_t)(close - q - 1);
        node->str = (char *)LibCalloc(len + 1, 1);
        if (!node->str) {
            TrigErr("Out of memory");
            return nullptr;
        }
        memcpy(node->str, q + 1, len);
        node->cmpOp = op;
        return close + 1;
    }
    case TRIG_STATETYPE: case TRIG_P2STATETYPE: case TRIG_MOVETYPE: case TRIG_P2MOVETYPE: {
        if (!(q = ReadEqOrNe(p, &op)))
            break;
        const char *letters = node->code == TRIG_STATETYPE || node->code == TRIG_P2STATETYPE ? "SCAL" : "IAH";
        int base = node->code == TRIG_STATETYPE || node->code == TRIG_P2STATETYPE ? 1 : 0;
        char c = (char)toupper((unsigned char)*q);
        const char *at = c ? strchr(letters, c) : nullptr;
        if (!at)
            break;
        node->lo = (int)(at - letters) + base;
        node->cmpOp = op;
        return q + 1;
    }
    case TRIG_HITDEFATTR: {
        if (!(q = ReadEqOrNe(p, &op)))
            break;
        int mask = SCtrlHitAttrParse(q, &q);
        if (mask < 0)
            break;
        node->lo = mask;
        node->cmpOp = op;
        return q;
    }
    case TRIG_TEAMMODE: {
        p = SCtrlSkipSpaces(p);
        if (*p != '=')
            break;
        char word[TRIG_WORD_LEN];
        q = ReadWord(SCtrlSkipSpaces(p + 1), word, false);
        if (!q)
            break;
        if (strcasecmp(word, "single") == 0)
            node->lo = 0;
        else if (strcasecmp(word, "simul") == 0)
            node->lo = 1;
        else if (strcasecmp(word, "turns") == 0)
            node->lo = 3;
        else {
            TrigErr("Invalid TeamMode %s in %s", word, text);
            return nullptr;
        }
        node->cmpOp = TRIG_CMP_EQ;
        return q;
    }
    default:
        return p;
    }
    TrigErr("Invalid trigger: %s", text);
    return nullptr;
}

static bool HasOldStyle(int code)
{
    switch (code) {
    case TRIG_ANIMELEM: case TRIG_TIMEMOD: case TRIG_PROJHIT: case TRIG_PROJGUARDED: case TRIG_PROJCONTACT:
    case TRIG_COMMAND: case TRIG_NAME: case TRIG_P2NAME: case TRIG_P3NAME: case TRIG_P4NAME:
    case TRIG_AUTHORNAME: case TRIG_STATETYPE: case TRIG_P2STATETYPE: case TRIG_MOVETYPE:
    case TRIG_P2MOVETYPE: case TRIG_HITDEFATTR: case TRIG_TEAMMODE:
        return true;
    default:
        return false;
    }
}

static void NodeClear(TrigNode *node)
{
    ExprFree(&node->redirectArg);
    MemFree(node->str);
    node->str = nullptr;
}

int TrigParse(const char *text, Player *pl, ExprWord *values, uint8_t *kinds, int room, const char **end)
{
    TrigNode node;
    memset(&node, 0, sizeof node);
    node.cmpOp = TRIG_CMP_NONE;
    int argLen = 0;
    char word[TRIG_WORD_LEN];
    const char *p = ReadWord(text, word, false);
    if (!p) {
        TrigErr("Invalid trigger: %.*s", TRIG_WORD_LEN - 1, text);
        return 0;
    }

    for (const RedirectName &r : redirectNames) {
        if (strcasecmp(word, r.name) != 0)
            continue;
        node.redirect = r.kind;
        ExprSetInt(&node.redirectArg, r.defaultArg);
        p = SCtrlSkipSpaces(p);
        if (*p == '(' && r.kind != TRIG_REDIR_PARENT && r.kind != TRIG_REDIR_ROOT) {
            const char *stop = p + 1;
            if (!ExprCompile(p + 1, &node.redirectArg, pl, &stop, 1)) {
                TrigErr("%s", LibErrorMsg);
                goto fail;
            }
            if (*stop != ')') {
                TrigErr("Missing closing parenthesis: %s", text);
                goto fail;
            }
            p = SCtrlSkipSpaces(stop + 1);
        } else if (r.kind == TRIG_REDIR_PLAYERID) {
            TrigErr("Invalid trigger: %s", text);
            goto fail;
        }
        if (*p != ',') {
            TrigErr("Invalid trigger: %s", text);
            goto fail;
        }
        p = ReadWord(SCtrlSkipSpaces(p + 1), word, false);
        if (!p || !word[0]) {
            TrigErr("Invalid trigger: %s", text);
            goto fail;
        }
        break;
    }

    {
        const TrigName *found = nullptr;
        for (const TrigName &t : trigNames) {
            size_t len = strlen(t.name);
            if (t.kind == NAME_WIN || t.kind == NAME_PROJ) {
                if (strncasecmp(word, t.name, len) == 0) {
                    found = &t;
                    break;
                }
            } else if (strcasecmp(word, t.name) == 0) {
                found = &t;
                break;
            }
        }
        if (!found) {
            TrigErr("Invalid trigger: %s", word);
            goto fail;
        }
        node.code = found->code;
        const char *suffix = word + strlen(found->name);
        if (found->kind == NAME_WIN) {
            if (!*suffix)
                node.num = -1;
            else if (strcasecmp(suffix, "ko") == 0)
                node.num = 1;
            else if (strcasecmp(suffix, "time") == 0)
                node.num = 3;
            else {
                TrigErr(found->code == TRIG_WIN ? "Invalid win trigger: %s" : "Invalid lose trigger: %s", word);
                goto fail;
            }
        } else if (found->kind == NAME_PROJ) {
            int id = 0;
            if (*suffix) {
                const char *after = ReadInt(suffix, &id);
                if (!after || *after || *suffix == '-' || *suffix == '+') {
                    TrigErr("Invalid trigger: %s", word);
                    goto fail;
                }
            }
            node.num = id;
        } else if (found->kind == NAME_BODY) {
            node.num = 1;
        }
    }

    {
        const char *after = SCtrlSkipSpaces(p);
        // The counting triggers take an optional ID argument.
        if (*after == '(') {
            if (node.code == TRIG_NUMEXPLOD)
                node.code = TRIG_NUMEXPLOD_ID;
            else if (node.code == TRIG_NUMTARGET)
                node.code = TRIG_NUMTARGET_ID;
            else if (node.code == TRIG_ISHELPER)
                node.code = TRIG_ISHELPER_ID;
            else if (node.code == TRIG_NUMHELPER)
                node.code = TRIG_NUMHELPER_ID;
        }
        int need = TrigArgCount(node.code);
        if (need) {
            const char *format = need == 1 ? "n:)" : need == 2 ? "nn:)" : "nnn:)";
            if (*after != '(') {
                TrigErr("Need argument in parentheses: %s", text);
                goto fail;
            }
            int got = TrigArgListParse(after, format, pl, &p, values, kinds, &argLen, room - 1);
            if (got < 0) {
                TrigErr("%s", LibErrorMsg);
                goto fail;
            }
            if (got != need) {
                TrigErr("Wrong number of arguments: %s", text);
                goto fail;
            }
        } else if (node.code == TRIG_GETHITVAR || node.code == TRIG_CONST || node.code == TRIG_STAGEVAR) {
            if (!(p = ParseNamedVar(p, text, &node)))
                goto fail;
        } else if (IsVectorCode(node.code)) {
            char comp[TRIG_WORD_LEN];
            const char *q = ReadWord(after, comp, false);
            size_t len = q ? strlen(comp) : 0;
            char last = len ? (char)tolower((unsigned char)comp[len - 1]) : 0;
            if (last != 'x' && last != 'y' && last != 'z') {
                TrigErr("Missing x, y or z component: %s", text);
                goto fail;
            }
            node.lo = last - 'x';
            node.isFloat = 1;
            p = q;
        } else if (HasOldStyle(node.code)) {
            if (!(p = ParseOldStyle(p, text, &node, pl)))
                goto fail;
        } else if (node.code == TRIG_PI || node.code == TRIG_E) {
            node.isFloat = 1;
        }
    }

    if (argLen + 1 > room) {
        TrigErr("Overabundance.");
        goto fail;
    }
    {
        TrigNode *owned = (TrigNode *)LibCalloc(1, sizeof *owned);
        if (!owned) {
            TrigErr("Out of memory");
            goto fail;
        }
        *owned = node;
        values[argLen].trig = owned;
        kinds[argLen] = EXPR_KIND_TRIG;
    }
    *end = p;
    return argLen + 1;

fail:
    for (int k = 0; k < argLen; k++)
        if (kinds[k] == EXPR_KIND_TRIG)
            TrigNodeFree(values[k].trig);
    NodeClear(&node);
    return 0;
}

void TrigNodeFree(TrigNode *node)
{
    if (!node)
        return;
    NodeClear(node);
    MemFree(node);
}

TrigNode *TrigNodeCopy(const TrigNode *node)
{
    TrigNode *copy = (TrigNode *)LibCalloc(1, sizeof *copy);
    if (!copy)
        FatalExitf("Alloc error");
    *copy = *node;
    memset(&copy->redirectArg, 0, sizeof copy->redirectArg);
    ExprCopy(&copy->redirectArg, &node->redirectArg);
    if (node->str) {
        if (node->code < TRIG_NAME || node->code > TRIG_AUTHORNAME)
            FatalExitf("Random data");
        copy->str = strdup(node->str);
        if (!copy->str)
            FatalExitf("Alloc error");
    }
    return copy;
}

// ---------------------------------------------------------------- evaluating

int TrigPartnerSlot(const Player *pl)
{
    if (pl && (pl->isHelper || pl->slot > 4))
        pl = pl->root;
    return pl ? PlayerPartnerSlot(pl->slot) : 0;
}

struct TrigVal {
    int32_t i;
    float f;
    int tag;
};

static TrigVal PopRaw()
{
    if (ExprStackTop < 1)
        FatalExitf("Fatal: Expression stack underflow.");
    TrigVal v;
    v.tag = ExprStack[ExprStackTop--];
    v.i = ExprStack[ExprStackTop--];
    if (v.tag == EXPR_TAG_FLOAT)
        memcpy(&v.f, &v.i, sizeof v.f);
    else
        v.f = (float)v.i;
    return v;
}

int TrigPopInt(Player *pl, int *out)
{
    TrigVal v = PopRaw();
    if (v.tag == EXPR_TAG_UNDEF) {
        *out = 0;
        return 3;
    }
    if (v.tag == EXPR_TAG_FLOAT) {
        PlayerWarn(pl, "trigger arg truncated to int");
        *out = ExprFloatToInt(v.f);
        return 2;
    }
    *out = v.i;
    return 1;
}

int TrigPopFloat(Player *pl, float *out)
{
    (void)pl;
    TrigVal v = PopRaw();
    if (v.tag == EXPR_TAG_UNDEF) {
        *out = 0.0f;
        return 3;
    }
    *out = v.f;
    return 1;
}

static void PushTyped(const TrigVal &v)
{
    if (v.tag == EXPR_TAG_FLOAT)
        ExprStackPushFloat(v.f);
    else if (v.tag == EXPR_TAG_UNDEF)
        ExprStackPushUndef();
    else
        ExprStackPushInt(v.i);
}

static int CompareInt(const TrigNode *n, int v)
{
    switch (n->cmpOp) {
    case TRIG_CMP_EQ: return v == n->lo;
    case TRIG_CMP_NE: return v != n->lo;
    case TRIG_CMP_GT: return v > n->lo;
    case TRIG_CMP_GE: return v >= n->lo;
    case TRIG_CMP_LT: return v < n->lo;
    case TRIG_CMP_LE: return v <= n->lo;
    case TRIG_CMP_CC: return n->lo <= v && v <= n->hi;
    case TRIG_CMP_CO: return n->lo <= v && v < n->hi;
    case TRIG_CMP_OC: return n->lo < v && v <= n->hi;
    case TRIG_CMP_OO: return n->lo < v && v < n->hi;
    default: return v;
    }
}

// Commands and names take "=" or "!=" only and are compared where they are read.
static bool HasComparison(int code)
{
    switch (code) {
    case TRIG_ANIMELEM: case TRIG_TIMEMOD: case TRIG_STATETYPE: case TRIG_P2STATETYPE:
    case TRIG_MOVETYPE: case TRIG_P2MOVETYPE: case TRIG_PROJHIT: case TRIG_PROJGUARDED: case TRIG_PROJCONTACT:
        return true;
    default:
        return false;
    }
}

// Warnings from inside a trigger name both players when it was redirected.
static void TrigWarn(Player *self, Player *read, const char *text)
{
    if (read && read != self)
        PlayerWarnRedirected(read, self, text);
    else
        PlayerWarn(self, text);
}

// Redirects over the player slots: partner, enemy, enemynear and playerid.
static Player *RedirectSlots(Player *pl, int redirect, int arg)
{
    Player *found;
    switch (redirect) {
    case TRIG_REDIR_PARTNER:
        if (arg < 0) {
            PlayerWarn(pl, "Illegal partner number in retargeted trigger");
            arg = 0;
        }
        if (!(found = PlayerTeammateGet(pl, arg)))
            PlayerWarnf(pl, "has no %i-th partner", arg);
        return found;
    case TRIG_REDIR_ENEMY:
        if (arg < 0) {
            PlayerWarn(pl, "Illegal enemy number in retargeted trigger");
            arg = 0;
        }
        if (!(found = PlayerEnemyGet(pl, arg)))
            PlayerWarnf(pl, "has no %i-th enemy", arg);
        return found;
    case TRIG_REDIR_ENEMYNEAR:
        if (arg < 0) {
            PlayerWarn(pl, "Illegal near enemy number in retargeted trigger");
            arg = 0;
        }
        if (!(found = PlayerTeamMemberGet(pl, arg)))
            PlayerWarnf(pl, "has no %i-th nearest enemy", arg);
        return found;
    default:
        if (arg < 0)
            PlayerWarn(pl, "Illegal player number in retargeted trigger");
        if (!(found = PlayerFindById(arg)))
            PlayerWarnf(pl, "tried to access non-existent player with ID %i", arg);
        return found;
    }
}

// The other member of the opposing pair: when the opponent is neither of
// them, the farther of the two.
static Player *SecondEnemy(Player *pl, Player *opp)
{
    Player *a = PlayerTeamMemberGet(pl, 0), *b = PlayerTeamMemberGet(pl, 1);
    if (!a || !b)
        return nullptr;
    if (opp == a)
        return b;
    if (opp == b)
        return a;
    return b;
}

static int NameIs(const TrigNode *node, const char *name)
{
    int match = node->str && strcasecmp(name, node->str) == 0;
    return node->cmpOp == TRIG_CMP_NE ? !match : match;
}

// Triggers over the player slots and the data of modules not in this build;
// 0 for a code that is no trigger at all.
static int EvalSlots(Player *self, Player *pl, Player *opp, TrigNode *node, int arg, int32_t *iv, bool *undef)
{
    switch (node->code) {
    case TRIG_COMMAND: {
        int active = CmdIsActive(&pl->cmdFlags, node->lo);
        *iv = node->cmpOp == TRIG_CMP_NE ? !active : active;
        // The learning AI remembers which commands started a move.
        if (active && node->cmpOp != TRIG_CMP_NE && self)
            CmdUsedListAdd(self->ai.cmdUsed, node->lo);
        return 1;
    }
    case TRIG_P3NAME: {
        Player *partner = PlayerSlotGet(TrigPartnerSlot(pl));
        *iv = partner ? NameIs(node, partner->name) : 0;
        return 1;
    }
    case TRIG_P4NAME: {
        Player *second = SecondEnemy(pl, opp);
        *iv = second ? NameIs(node, second->name) : 0;
        return 1;
    }
    case TRIG_AUTHORNAME:
        *iv = pl->charData ? NameIs(node, pl->charData->author) : 0;
        return 1;
    case TRIG_NUMPARTNER: *iv = PlayerTeammateCount(pl); return 1;
    case TRIG_NUMENEMY: *iv = PlayerEnemyCount(pl); return 1;
    case TRIG_INGUARDDIST: *iv = PlayerInGuardDistAny(pl); return 1;
    case TRIG_PLAYERIDEXIST: *iv = PlayerFindById(arg) != nullptr; return 1;
    case TRIG_HITDEFATTR: {
        // The HitDef block as the last HitDef left it: a hitonce attack that
        // hit, or one a reversal caught, keeps its attribute while the attack
        // state lasts (a new state without hitdefpersist clears it).
        int attr = pl->hitDef.attr & node->lo;
        int shares = pl->state.moveType == MOVETYPE_A && (attr & 0x7) && (attr & 0xff8);
        *iv = node->cmpOp == TRIG_CMP_NE ? !shares : shares;
        return 1;
    }
    case TRIG_ROUNDNO: *iv = gv ? gv->round.number : 0; return 1;
    case TRIG_ROUNDSTATE: *iv = gv ? gv->round.state : 0; return 1;
    case TRIG_MATCHNO: *iv = gv ? gv->matchNo : 0; return 1;
    case TRIG_TEAMMODE:
        if (!gv || (pl->side != 1 && pl->side != 2))
            *undef = true;
        else
            *iv = gv->teams[pl->side - 1].mode == node->lo;
        return 1;
    case TRIG_WIN: case TRIG_LOSE: {
        if (!gv) {
            *undef = true;
            return 1;
        }
        const RoundVars &r = gv->round;
        int side = node->code == TRIG_WIN ? pl->side : 3 - pl->side;
        bool kind = node->num == -1 || (node->num == 1 && r.endKind == ROUND_END_KO) ||
                    (node->num == 3 && r.endKind == ROUND_END_TIME_OVER);
        *iv = (pl->side == 1 || pl->side == 2) && r.winner == side && kind;
        return 1;
    }
    case TRIG_WINPERFECT:
        *iv = gv && gv->round.endKind != ROUND_END_NONE && (pl->side == 1 || pl->side == 2) &&
              gv->round.winner == pl->side && !WinIconTeamDamaged(pl->side);
        return 1;
    case TRIG_DRAWGAME:
        *iv = gv && gv->round.endKind != ROUND_END_NONE && gv->round.winner == 0;
        return 1;
    case TRIG_MATCHOVER: *iv = gv && MatchWinnerGet() != 0; return 1;
    case TRIG_ROUNDSEXISTED: *iv = pl->roundsExisted; return 1;
    case TRIG_ISHOMETEAM: {
        // The human's side of a one-player mode plays away.
        int s = gv ? (gv->arcadeSide ? gv->arcadeSide : gv->survivalSide) : 0;
        *iv = (s == 1 || s == 2) ? pl->side == 3 - s : pl->side == 1;
        return 1;
    }
    case TRIG_TICKSPERSECOND: *iv = TimerSpeedGet(); return 1;
    case TRIG_STAGEVAR:
        *undef = true;
        return 1;
    default:
        return 0;
    }
}

// The player a redirect reads, or null after its warning.
static Player *RedirectResolve(Player *pl, TrigNode *node)
{
    int arg = ExprEvalInt(pl, &node->redirectArg, 1);
    switch (node->redirect) {
    case TRIG_REDIR_PARENT:
        if (Player *parent = HelperParentGet(pl))
            return parent;
        PlayerWarn(pl, "has no parent");
        return nullptr;
    case TRIG_REDIR_ROOT:
        if (Player *root = HelperRootGet(pl))
            return root;
        PlayerWarn(pl, "has no root");
        return nullptr;
    case TRIG_REDIR_HELPER:
        if (arg < 0) {
            PlayerWarn(pl, "Illegal helper ID in retargeted trigger");
            arg = 0;
        }
        if (Player *h = HelperFind(pl, arg))
            return h;
        PlayerWarnf(pl, "has no helper %i", arg);
        return nullptr;
    case TRIG_REDIR_TARGET:
        if (arg < -1) {
            PlayerWarn(pl, "Illegal target ID in retargeted trigger");
            arg = -1;
        }
        if (Player *t = pl ? TargetGetById(pl->targets, arg) : nullptr)
            return t;
        if (arg == -1)
            PlayerWarn(pl, "has no target");
        else
            PlayerWarnf(pl, "has no target with hit ID %i", arg);
        return nullptr;
    case TRIG_REDIR_PARTNER:
    case TRIG_REDIR_ENEMY:
    case TRIG_REDIR_ENEMYNEAR:
    case TRIG_REDIR_PLAYERID:
        return RedirectSlots(pl, node->redirect, arg);
    default:
        FatalExitf("Redirect %i is not available", node->redirect);
    }
}

static void PushResult(const TrigNode *node, int32_t i, float f)
{
    if (node->isFloat)
        ExprStackPushFloat(f);
    else
        ExprStackPushInt(i);
}

// The player-free triggers: 1 when the code was one of them.
static int EvalPlain(Player *self, Player *pl, TrigNode *node)
{
    switch (node->code) {
    case TRIG_PI:
        ExprStackPushFloat(3.14159265358979f);
        return 1;
    case TRIG_E:
        ExprStackPushFloat(2.71828182845905f);
        return 1;
    case TRIG_RANDOM:
        ExprStackPushInt(GameRandom() % 1000);
        return 1;
    case TRIG_IFELSE: {
        TrigVal b = PopRaw(), a = PopRaw(), c = PopRaw();
        if (c.tag == EXPR_TAG_UNDEF)
            ExprStackPushUndef();
        else
            PushTyped(ExprIsTrue(c.i, c.tag) ? a : b);
        return 1;
    }
    case TRIG_LOG: {
        float x, base;
        int rx = TrigPopFloat(self, &x), rb = TrigPopFloat(self, &base);
        if (rx == 3 || rb == 3) {
            ExprStackPushUndef();
        } else if (base <= 0.0f || base == 1.0f || x <= 0.0f) {
            TrigWarn(self, pl, "took log with non-positive base or argument.");
            ExprStackPushUndef();
        } else {
            ExprStackPushFloat(logf(x) / logf(base));
        }
        return 1;
    }
    case TRIG_SIN: case TRIG_COS: case TRIG_TAN: case TRIG_ASIN: case TRIG_ACOS: case TRIG_ATAN:
    case TRIG_EXP: case TRIG_LN: {
        float x;
        if (TrigPopFloat(self, &x) == 3) {
            ExprStackPushUndef();
            return 1;
        }
        float r = 0.0f;
        switch (node->code) {
        case TRIG_SIN: r = sinf(x); break;
        case TRIG_COS: r = cosf(x); break;
        case TRIG_TAN: r = tanf(x); break;
        case TRIG_ATAN: r = atanf(x); break;
        case TRIG_EXP: r = expf(x); break;
        case TRIG_ASIN:
        case TRIG_ACOS:
            if (x < -1.0f || x > 1.0f) {
                TrigWarn(self, pl, node->code == TRIG_ASIN ? "asin argument out of range" : "acos argument out of range");
                ExprStackPushUndef();
                return 1;
            }
            r = node->code == TRIG_ASIN ? asinf(x) : acosf(x);
            break;
        default:
            if (x <= 0.0f) {
                TrigWarn(self, pl, "took ln of a non-positive number");
                ExprStackPushUndef();
                return 1;
            }
            r = logf(x);
            break;
        }
        ExprStackPushFloat(r);
        return 1;
    }
    case TRIG_ABS: {
        TrigVal v = PopRaw();
        if (v.tag == EXPR_TAG_FLOAT)
            ExprStackPushFloat(fabsf(v.f));
        else if (v.tag == EXPR_TAG_UNDEF)
            ExprStackPushUndef();
        else
            ExprStackPushInt(v.i < 0 ? (int32_t)(0u - (uint32_t)v.i) : v.i);
        return 1;
    }
    case TRIG_FLOOR: case TRIG_CEIL: {
        TrigVal v = PopRaw();
        if (v.tag == EXPR_TAG_FLOAT)
            ExprStackPushInt(ExprFloatToInt(node->code == TRIG_FLOOR ? floorf(v.f) : ceilf(v.f)));
        else
            PushTyped(v);
        return 1;
    }
    case TRIG_VAR: case TRIG_FVAR: case TRIG_SYSVAR: case TRIG_SYSFVAR: {
        int idx;
        if (TrigPopInt(self, &idx) == 3) {
            ExprStackPushUndef();
            return 1;
        }
        static const int counts[] = {PLAYER_VAR_COUNT, PLAYER_FVAR_COUNT, PLAYER_SYSVAR_COUNT, PLAYER_SYSFVAR_COUNT};
        static const char *const warnings[] = {"var index out of range", "fvar index out of range",
                                               "sysvar index out of range", "sysfvar index out of range"};
        int which = node->code - TRIG_VAR;
        if (!pl || idx < 0 || idx >= counts[which]) {
            TrigWarn(self, pl, warnings[which]);
            ExprStackPushUndef();
            return 1;
        }
        if (which == 0)
            ExprStackPushInt(pl->var[idx]);
        else if (which == 1)
            ExprStackPushFloat(pl->fvar[idx]);
        else if (which == 2)
            ExprStackPushInt(pl->sysVar[idx]);
        else
            ExprStackPushFloat(pl->sysFvar[idx]);
        return 1;
    }
    default:
        return 0;
    }
}

// The value of a gethitvar index; 0 for an index the table does not hold.
static int GetHitVar(const Player *pl, int index, int32_t *iv, float *fv)
{
    const PlayerGetHit &g = pl->getHit;
    const int ints[] = {g.xVelAdd, g.yVelAdd, g.type, g.animType, g.airType, g.groundType, g.damage, g.hitCount,
                        g.fallCount, g.hitShakeTime, g.hitTime, g.slideTime, g.ctrlTime, g.recoverTime};
    if (index >= 0 && index < 14) {
        *iv = ints[index];
        return 1;
    }
    switch (index) {
    case 14: *fv = g.xOff; return 1;
    case 15: *fv = g.yOff; return 1;
    case 16: *fv = g.zOff; return 1;
    case 17: *fv = g.xVel; return 1;
    case 18: *fv = g.yVel; return 1;
    case 19: *fv = g.yAccel; return 1;
    case 20: *iv = g.chainId; return 1;
    case 21: *iv = g.guarded; return 1;
    case 22: *iv = g.isBound; return 1;
    case 23: *iv = g.fall; return 1;
    case 24: *iv = g.fallDamage; return 1;
    case 25: *fv = g.fallXVel; return 1;
    case 26: *fv = g.fallYVel; return 1;
    case 27: *iv = g.fallRecoverFlag; return 1;
    case 28: *iv = g.fallTime; return 1;
    case 29: *iv = g.fallRecoverTime; return 1;
    case 30: *iv = g.fallKill; return 1;
    case 31: *iv = g.fallEnvShakeTime; return 1;
    case 32: *iv = g.fallEnvShakeDir; return 1;
    case 33: *iv = g.fallEnvShakeAmpl; return 1;
    case 34: *fv = g.fallEnvShakeFreq; return 1;
    case 35: *fv = g.fallEnvShakePhase; return 1;
    default: return 0;
    }
}

// Ticks since element index (0-based) of the current action started; 0 when
// there is no such element.
static int ElemTime(const Player *pl, int index, int *out)
{
    if (!pl->anim || !pl->anim->set || index < 0)
        return 0;
    int start = AnimObjElemStartTime(pl->anim, index);
    if (start < 0)
        return 0;
    *out = (int)((uint32_t)AnimObjTime(pl->anim) - (uint32_t)start);
    return 1;
}

// Bits of the projectile contact kinds 1 guarded, 2 hit and 3 cancelled.
enum {
    PROJ_CONTACT_GUARDED_BIT = 1 << 1,
    PROJ_CONTACT_HIT_BIT = 1 << 2,
    PROJ_CONTACT_CANCELLED_BIT = 1 << 3,
};

// The player's last projectile contact is of one of the kinds and its
// projectile's ID matches (0 any).
static bool ProjContactIs(const Player *pl, int kinds, int id)
{
    int kind = pl->projContactKind;
    return kind >= 1 && kind <= 3 && (kinds & (1 << kind)) && (id == 0 || pl->projContactId == id);
}

static int MoveContactValue(const Player *pl, int kinds)
{
    return (pl->state.moveContact & kinds) ? (int)((uint32_t)pl->state.moveContactTicks + 1u) : 0;
}

void TrigEval(Player *pl, TrigNode *node)
{
    int argc = TrigArgCount(node->code);
    Player *self = pl;
    if (node->redirect != TRIG_REDIR_NONE) {
        pl = RedirectResolve(self, node);
        if (!pl) {
            for (int i = 0; i < argc; i++)
                PopRaw();
            ExprStackPushUndef();
            return;
        }
    }
    if (EvalPlain(self, pl, node))
        return;

    // One int argument, popped before the player is looked at.
    int arg = 0;
    bool undef = false;
    if (argc == 1 && TrigPopInt(self, &arg) == 3)
        undef = true;
    if (!pl) {
        ExprStackPushUndef();
        return;
    }

    // In the mixed game type nobody has one opponent.
    bool mixed = gv && gv->cfg.rules.gameType == CFG_GAMETYPE_MIXED;
    Player *opp = mixed ? nullptr : pl->opponent;
    int32_t iv = 0;
    float fv = 0.0f;
    switch (node->code) {
    case TRIG_TIME: iv = pl->state.time; break;
    case TRIG_ANIMTIME:
        if (!pl->anim || !pl->anim->set)
            undef = true;
        else
            iv = (int)((uint32_t)AnimObjTime(pl->anim) - (uint32_t)AnimObjActionTime(pl->anim));
        break;
    case TRIG_ANIMELEM:
        undef = !ElemTime(pl, node->num, &iv);
        break;
    case TRIG_ANIM:
        if (!pl->anim || !pl->anim->set)
            undef = true;
        else
            iv = AnimObjActionNo(pl->anim);
        break;
    case TRIG_POS: {
        float camX = gv ? gv->cameraX : 0.0f;
        fv = node->lo == 0 ? pl->posX - camX - 160.0f : node->lo == 1 ? pl->posY : pl->posZ;
        break;
    }
    case TRIG_SCREENPOS:
        if (!gv) {
            undef = true;
            break;
        }
        fv = node->lo == 0   ? pl->posX - gv->cameraX
             : node->lo == 1 ? pl->posY - gv->cameraY + (float)gv->stageZOffset
                             : pl->posZ;
        break;
    case TRIG_FRONTEDGEDIST: case TRIG_BACKEDGEDIST:
        if (!gv) {
            undef = true;
            break;
        }
        PlayerScreenEdgesUpdate(pl, gv->stageScreenLeft, gv->stageScreenRight, gv->cameraXi);
        iv = PlayerEdgeDist(pl, node->code == TRIG_BACKEDGEDIST, node->num);
        break;
    case TRIG_VEL:
        fv = node->lo == 0 ? pl->velX * (float)pl->facing : node->lo == 1 ? pl->velY : pl->velZ;
        break;
    case TRIG_TIMEMOD:
        iv = node->num > 0 ? pl->state.time % node->num : 0;
        break;
    case TRIG_P2DIST: case TRIG_P2BODYDIST:
        if (!opp) {
            undef = true;
        } else if (node->lo == 0) {
            fv = (float)(node->code == TRIG_P2DIST ? PlayerDistX(pl, opp) : PlayerBodyDistX(pl, opp));
        } else {
            fv = node->lo == 1 ? opp->posY - pl->posY : opp->posZ - pl->posZ;
        }
        break;
    case TRIG_PARENTDIST: case TRIG_ROOTDIST: {
        Player *other = node->code == TRIG_PARENTDIST ? HelperParentGet(pl) : HelperRootGet(pl);
        if (!other)
            undef = true;
        else
            fv = node->lo == 0 ? (float)PlayerDistX(pl, other) : node->lo == 1 ? other->posY - pl->posY : other->posZ - pl->posZ;
        break;
    }
    case TRIG_P2LIFE:
        undef = !opp;
        iv = opp ? opp->life : 0;
        break;
    case TRIG_LIFE: iv = pl->life; break;
    case TRIG_LIFEMAX: iv = pl->lifeMax; break;
    case TRIG_POWER: iv = PlayerPowerGet(pl); break;
    case TRIG_POWERMAX: iv = PlayerPowerMaxGet(pl); break;
    case TRIG_ALIVE: iv = pl->alive; break;
    case TRIG_HITCOUNT: iv = pl->hit.hitCount; break;
    case TRIG_UNIQHITCOUNT: iv = pl->hit.uniqHitCount; break;
    case TRIG_MOVEHIT: iv = MoveContactValue(pl, CONTACT_HIT); break;
    case TRIG_MOVEGUARDED: iv = MoveContactValue(pl, CONTACT_GUARDED); break;
    case TRIG_MOVEREVERSED: iv = MoveContactValue(pl, CONTACT_REVERSED); break;
    case TRIG_MOVECONTACT: iv = MoveContactValue(pl, CONTACT_HIT | CONTACT_GUARDED); break;
    case TRIG_STATENO: iv = pl->state.stateNo; break;
    case TRIG_PREVSTATENO: iv = pl->state.prevStateNo; break;
    case TRIG_STATETYPE: iv = pl->state.stateType; break;
    case TRIG_MOVETYPE: iv = pl->state.moveType; break;
    case TRIG_P2STATENO: case TRIG_P2STATETYPE: case TRIG_P2MOVETYPE:
        if (!opp)
            undef = true;
        else
            iv = node->code == TRIG_P2STATENO ? opp->state.stateNo
                 : node->code == TRIG_P2STATETYPE ? opp->state.stateType : opp->state.moveType;
        break;
    case TRIG_CTRL: iv = pl->state.ctrl; break;
    case TRIG_NUMPROJ: iv = ProjListCountActive(pl->projList); break;
    case TRIG_NUMPROJID:
        if (!undef && arg < 0)
            TrigWarn(self, pl, "Negative projID specified.");
        iv = ProjListCountId(pl->projList, arg);
        break;
    case TRIG_PROJHIT: case TRIG_PROJGUARDED: case TRIG_PROJCONTACT: {
        // The old-style form: a contact of the kind asked gives its age
        // through the comparison (true without one), and a value of 0 asks
        // for the opposite.
        int kinds = node->code == TRIG_PROJHIT ? PROJ_CONTACT_HIT_BIT
                    : node->code == TRIG_PROJGUARDED ? PROJ_CONTACT_GUARDED_BIT
                                                     : PROJ_CONTACT_HIT_BIT | PROJ_CONTACT_GUARDED_BIT;
        int result;
        if (ProjContactIs(pl, kinds, node->num)) {
            int r = node->cmpOp == TRIG_CMP_NONE ? 1 : CompareInt(node, pl->projContactTicks) != 0;
            result = node->projValue ? r : !r;
        } else {
            result = node->projValue == 0;
        }
        ExprStackPushInt(result);
        return;
    }
    case TRIG_PROJHITTIME: case TRIG_PROJGUARDEDTIME: case TRIG_PROJCONTACTTIME: case TRIG_PROJCANCELTIME: {
        if (!undef && arg < 0) {
            TrigWarn(self, pl, "Negative projectile ID specified.");
            arg = 0;
        }
        int kinds = node->code == TRIG_PROJHITTIME       ? PROJ_CONTACT_HIT_BIT
                    : node->code == TRIG_PROJGUARDEDTIME ? PROJ_CONTACT_GUARDED_BIT
                    : node->code == TRIG_PROJCANCELTIME  ? PROJ_CONTACT_CANCELLED_BIT
                                                         : PROJ_CONTACT_HIT_BIT | PROJ_CONTACT_GUARDED_BIT;
        iv = ProjContactIs(pl, kinds, arg) ? pl->projContactTicks : -1;
        break;
    }
    case TRIG_NAME: case TRIG_P2NAME: {
        Player *who = node->code == TRIG_NAME ? pl : opp;
        iv = who ? NameIs(node, who->name) : 0;
        break;
    }
    case TRIG_ID: iv = pl->id; break;
    case TRIG_FACING: iv = pl->facing; break;
    case TRIG_HITFALL: iv = pl->getHit.fall; break;
    case TRIG_HITSHAKEOVER: iv = pl->getHit.hitShakeTime < 1; break;
    case TRIG_HITOVER: iv = pl->getHit.hitTime < 0; break;
    case TRIG_HITVEL:
        fv = node->lo == 0 ? pl->getHit.xVel * (float)pl->facing : node->lo == 1 ? pl->getHit.yVel : 0.0f;
        break;
    case TRIG_HITPAUSETIME: iv = pl->state.hitPauseTime; break;
    case TRIG_CANRECOVER: iv = pl->getHit.fall && pl->getHit.recoverCount >= pl->getHit.fallRecoverTime; break;
    case TRIG_PALNO: iv = pl->palNo + 1; break;
    case TRIG_GAMETIME: iv = gv ? gv->gameTick : 0; break;
    case TRIG_TEAMSIDE: iv = pl->side; break;
    case TRIG_NUMEXPLOD: iv = ExplodCountById(gv ? gv->explods : nullptr, pl->id, -1); break;
    case TRIG_NUMEXPLOD_ID:
        if (!undef && arg < -1)
            TrigWarn(self, pl, "illegal explod ID for numexplod");
        iv = ExplodCountById(gv ? gv->explods : nullptr, pl->id, arg);
        break;
    case TRIG_NUMTARGET: iv = TargetCountById(pl->targets, -1); break;
    case TRIG_NUMTARGET_ID:
        if (!undef && arg < -1)
            TrigWarn(self, pl, "illegal target ID for numtarget");
        iv = TargetCountById(pl->targets, arg);
        break;
    case TRIG_GETHITVAR:
        if (!GetHitVar(pl, node->lo, &iv, &fv))
            FatalExitf("Illegal gethitvar - programmer's fault");
        break;
    case TRIG_CONST: {
        int32_t word;
        memcpy(&word, (const char *)&pl->consts + node->lo * 4, sizeof word);
        iv = word;
        memcpy(&fv, &word, sizeof fv);
        break;
    }
    case TRIG_ISHELPER: iv = pl->isHelper != 0; break;
    case TRIG_ISHELPER_ID: iv = pl->isHelper && pl->helperId == arg; break;
    case TRIG_NUMHELPER: iv = HelperCount(pl, 0); break;
    case TRIG_NUMHELPER_ID: iv = HelperCount(pl, arg); break;
    case TRIG_STANDBY: iv = pl->standby; break;
    case TRIG_ANIMELEMTIME:
        // Elements count from 1; a number below that (the lowest int too)
        // names none.
        if (!undef)
            undef = !ElemTime(pl, arg >= 1 ? arg - 1 : -1, &iv);
        break;
    case TRIG_ANIMEXIST: iv = PlayerAnimExist(pl, arg); break;
    case TRIG_SELFANIMEXIST: iv = PlayerSelfAnimExist(pl, arg); break;
    case TRIG_ANIMELEMNO:
        if (!pl->anim || !pl->anim->set || (iv = AnimObjElemAtTime(pl->anim, arg)) <= 0)
            undef = true;
        break;
    default:
        if (!EvalSlots(self, pl, opp, node, arg, &iv, &undef))
            FatalExitf("Missing trigger code %i", node->code);
        break;
    }
    if (undef) {
        ExprStackPushUndef();
        return;
    }
    if (HasComparison(node->code))
        iv = CompareInt(node, iv);
    PushResult(node, iv, fv);
}

// ---------------------------------------------------------------- trigger lines

static bool LineTrue(Player *pl, const Expr *e)
{
    int i = 0;
    float f = 0.0f;
    if (ExprEvaluate(pl, e, &i, &f) == 2)
        return f != 0.0f;
    return i != 0;
}

// The lines as the state-file reader lays them out, every slot in use from 0:
// group 0's lines 0.., group 1's, ... then the triggerall lines 0... Gives
// the slot of the first triggerall line (the used count when there is none)
// and the number of groups, or -1 when the array is laid out otherwise. The
// keys are then unique and in walking order, so that walking the slots
// finds each line where a lookup of its keys would.
static int TrigLinesInOrder(const Array *lines, int *groups)
{
    int n = lines->used;
    if (lines->elemSize != (int)sizeof(Expr) || (n > 0 && (lines->lowest != 0 || lines->highest != n - 1)))
        return -1;
    int group = 0, line = 0, i = 0;
    for (; i < n && lines->slots[i].key1 >= 0; i++) {
        const ArraySlot &s = lines->slots[i];
        if (s.key1 == group && s.key2 == line) {
            line++;
        } else if (s.key1 == group + 1 && s.key2 == 0 && line > 0) {
            group++;
            line = 1;
        } else {
            return -1;
        }
    }
    *groups = i > 0 ? group + 1 : 0;
    int all = i;
    for (line = 0; i < n; i++, line++)
        if (lines->slots[i].key1 != -1 || lines->slots[i].key2 != line)
            return -1;
    return all;
}

// The same test through key lookups, for arrays laid out otherwise.
static int TrigArrayTestByKeys(Player *pl, SCtrl *ctrl)
{
    Array *lines = ctrl->triggers;
    for (int line = 0;; line++) {
        const Expr *e = (const Expr *)ArrayFindElem(lines, -1, line);
        if (!e)
            break;
        if (!LineTrue(pl, e))
            return 0;
    }
    for (int group = 0; group < ctrl->groupCount; group++) {
        const Expr *e = (const Expr *)ArrayFindElem(lines, group, 0);
        if (!e)
            FatalExitf("TrigArrayTest bug");
        bool all = true;
        for (int line = 0; e; e = (const Expr *)ArrayFindElem(lines, group, ++line)) {
            if (!LineTrue(pl, e)) {
                all = false;
                break;
            }
        }
        if (all)
            return 1;
    }
    return 0;
}

// The triggerall lines in order, any false one failing the test; then each
// group's lines in order until one is false; the first group that holds
// whole passes. One walk over the lines.
int TrigArrayTest(Player *pl, SCtrl *ctrl)
{
    Array *lines = ctrl->triggers;
    // The layout is looked at again only after the lines changed.
    if (!ctrl->linesKnown || ctrl->linesChanges != lines->changes) {
        ctrl->linesAll = TrigLinesInOrder(lines, &ctrl->linesGroups);
        ctrl->linesChanges = lines->changes;
        ctrl->linesKnown = 1;
    }
    int all = ctrl->linesAll;
    if (all < 0 || ctrl->linesGroups != ctrl->groupCount)
        return TrigArrayTestByKeys(pl, ctrl);
    const Expr *e = (const Expr *)lines->elements;
    for (int i = all; i < lines->used; i++)
        if (!LineTrue(pl, &e[i]))
            return 0;
    int i = 0;
    while (i < all) {
        int group = lines->slots[i].key1;
        bool holds = true;
        for (; i < all && lines->slots[i].key1 == group; i++) {
            if (!LineTrue(pl, &e[i])) {
                holds = false;
                break;
            }
        }
        if (holds)
            return 1;
        while (i < all && lines->slots[i].key1 == group)
            i++;
    }
    return 0;
}
