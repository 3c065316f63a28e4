// State controllers: compiling a controller group into its trigger lines, type code and parameters.
#include "velok/script/sctrl.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/safefmt.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/script/sc-afterimg.h"
#include "velok/script/sc-envshake.h"
#include "velok/script/sc-explod.h"
#include "velok/script/sc-helper.h"
#include "velok/script/sc-hitdef.h"
#include "velok/script/sc-hitovr.h"
#include "velok/script/sc-palfx.h"
#include "velok/script/sc-pause.h"
#include "velok/script/sc-proj.h"
#include "velok/script/sc-playsnd.h"
#include "velok/script/stparam.h"

struct SCtrlTypeName {
    const char *name;
    int code;
};

static const SCtrlTypeName typeNames[] = {
    {"null", SCTRL_NULL},
    {"forcefeedback", SCTRL_NULL},
    {"changestate", SCTRL_CHANGESTATE},
    {"selfstate", SCTRL_SELFSTATE},
    {"turn", SCTRL_TURN},
    {"varset", SCTRL_VARSET},
    {"varadd", SCTRL_VARADD},
    {"varrandom", SCTRL_VARRANDOM},
    {"varrangeset", SCTRL_VARRANGESET},
    {"lifeset", SCTRL_LIFESET},
    {"lifeadd", SCTRL_LIFEADD},
    {"powerset", SCTRL_POWERSET},
    {"poweradd", SCTRL_POWERADD},
    {"ctrlset", SCTRL_CTRLSET},
    {"posset", SCTRL_POSSET},
    {"posadd", SCTRL_POSADD},
    {"posfreeze", SCTRL_POSFREEZE},
    {"velset", SCTRL_VELSET},
    {"veladd", SCTRL_VELADD},
    {"velmul", SCTRL_VELMUL},
    {"gravity", SCTRL_GRAVITY},
    {"offset", SCTRL_OFFSET},
    {"hitby", SCTRL_HITBY},
    {"nothitby", SCTRL_HITBY},
    {"changeanim", SCTRL_CHANGEANIM},
    {"changeanim2", SCTRL_CHANGEANIM2},
    {"playsnd", SCTRL_PLAYSND},
    {"stopsnd", SCTRL_STOPSND},
    {"sndpan", SCTRL_SNDPAN},
    {"hitdef", SCTRL_HITDEF},
    {"reversaldef", SCTRL_REVERSALDEF},
    {"projectile", SCTRL_PROJECTILE},
    {"width", SCTRL_WIDTH},
    {"screenbound", SCTRL_SCREENBOUND},
    {"sprpriority", SCTRL_SPRPRIORITY},
    {"angledraw", SCTRL_ANGLEDRAW},
    {"angleset", SCTRL_ANGLESET},
    {"angleadd", SCTRL_ANGLEADD},
    {"anglemul", SCTRL_ANGLEMUL},
    {"trans", SCTRL_TRANS},
    {"targetbind", SCTRL_TARGETBIND},
    {"bindtotarget", SCTRL_BINDTOTARGET},
    {"targetstate", SCTRL_TARGETSTATE},
    {"targetpoweradd", SCTRL_TARGETPOWERADD},
    {"targetlifeadd", SCTRL_TARGETLIFEADD},
    {"targetvelset", SCTRL_TARGETVELSET},
    {"targetveladd", SCTRL_TARGETVELADD},
    {"targetfacing", SCTRL_TARGETFACING},
    {"targetdrop", SCTRL_TARGETDROP},
    {"attackdist", SCTRL_ATTACKDIST},
    {"playerpush", SCTRL_PLAYERPUSH},
    {"hitfallset", SCTRL_HITFALLSET},
    {"hitvelset", SCTRL_HITVELSET},
    {"hitfalldamage", SCTRL_HITFALLDAMAGE},
    {"hitfallvel", SCTRL_HITFALLVEL},
    {"hitadd", SCTRL_HITADD},
    {"attackmulset", SCTRL_ATTACKMULSET},
    {"defencemulset", SCTRL_DEFENCEMULSET},
    {"statetypeset", SCTRL_STATETYPESET},
    {"hitoverride", SCTRL_HITOVERRIDE},
    {"movehitreset", SCTRL_MOVEHITRESET},
    {"assertspecial", SCTRL_ASSERTSPECIAL},
    {"envshake", SCTRL_ENVSHAKE},
    {"fallenvshake", SCTRL_FALLENVSHAKE},
    {"envcolor", SCTRL_ENVCOLOR},
    {"gamemakeanim", SCTRL_GAMEMAKEANIM},
    {"afterimage", SCTRL_AFTERIMAGE},
    {"afterimagetime", SCTRL_AFTERIMAGETIME},
    {"pause", SCTRL_PAUSE},
    {"superpause", SCTRL_SUPERPAUSE},
    {"makedust", SCTRL_MAKEDUST},
    {"palfx", SCTRL_PALFX},
    {"bgpalfx", SCTRL_PALFX},
    {"allpalfx", SCTRL_PALFX},
    {"explod", SCTRL_EXPLOD},
    {"removeexplod", SCTRL_REMOVEEXPLOD},
    {"explodbindtime", SCTRL_EXPLODBINDTIME},
    {"modifyexplod", SCTRL_MODIFYEXPLOD},
    {"helper", SCTRL_HELPER},
    {"destroyself", SCTRL_DESTROYSELF},
    {"parentvarset", SCTRL_PARENTVARSET},
    {"parentvaradd", SCTRL_PARENTVARADD},
    {"displaytoclipboard", SCTRL_DISPLAYTOCLIPBOARD},
    {"appendtoclipboard", SCTRL_APPENDTOCLIPBOARD},
    {"clearclipboard", SCTRL_CLEARCLIPBOARD},
    {"bindtoparent", SCTRL_BINDTOPARENT},
    {"bindtoroot", SCTRL_BINDTOROOT},
    {"tagin", SCTRL_TAGIN},
    {"tagout", SCTRL_TAGOUT},
};

int SCtrlTypeCode(const char *name)
{
    char lower[SCTRL_TYPE_LEN];
    StrCopy(lower, sizeof lower, name ? name : "");
    for (char *c = lower; *c; c++)
        *c = (char)tolower((unsigned char)*c);
    for (const SCtrlTypeName &t : typeNames)
        if (strcmp(t.name, lower) == 0)
            return t.code;
    return -1;
}

// ---------------------------------------------------------------- key readers

// Each reader returns 1, or 0 with the reason in the game error text (or in
// the library message text for an expression, with the key named here).
static int OptInt(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

static int OptFloat(TxtParseFile *f, const char *key, Expr *e, Player *pl, float def)
{
    return SCtrlParamFloat(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

static int ReqValue(TxtParseFile *f, const char *key, Expr *e, Player *pl, int wanted, const char *missing = nullptr)
{
    const char *v = TxtParseValueGet(f, key);
    if (!v) {
        if (missing)
            GameErrorSet("%s", missing);
        else
            GameErrorSet("Missing %s parameter", key);
        return 0;
    }
    return ExprCompile(v, e, pl, nullptr, wanted) ? 1 : SCtrlKeyFailed(key);
}

// An optional key; given receives 1 when it was present.
static int GivenValue(TxtParseFile *f, const char *key, Expr *e, Player *pl, int wanted, int *given)
{
    const char *v = TxtParseValueGet(f, key);
    *given = v != nullptr;
    if (!v)
        return 1;
    return ExprCompile(v, e, pl, nullptr, wanted) ? 1 : SCtrlKeyFailed(key);
}

// The game and library messages as they stand, so that a list item whose
// failure the controller shrugs off leaves no stale reason behind for a
// later failure to be read with.
struct ErrorTexts {
    std::string game, lib;
};

static ErrorTexts ErrorTextsSave()
{
    return {GameErrorText(), LibErrorMsg};
}

static void ErrorTextsRestore(const ErrorTexts &saved)
{
    GameErrorSet("%s", saved.game.c_str());
    StrCopy(LibErrorMsg, sizeof LibErrorMsg, saved.lib.c_str());
}

// Compiles a present key's comma list into consecutive slots; the number of
// items compiled, with the end of the list, or -1 when the key is absent.
static int ListParse(TxtParseFile *f, const char *key, const char *format, Expr *first, Player *pl, const char **end)
{
    const char *v = TxtParseValueGet(f, key);
    if (!v)
        return -1;
    Expr *items[8];
    size_t letters = strcspn(format, ":");
    for (size_t i = 0; i < letters; i++)
        items[i] = first + i;
    *end = v;
    return SCtrlParseListArr(v, format, pl, end, items);
}

// A comma list into consecutive slots. Items not given, and an item that
// fails to compile together with those after it, keep their defaults: the
// controller loads all the same.
static int ListKey(TxtParseFile *f, const char *key, const char *format, Expr *first, Player *pl, int *count = nullptr)
{
    ErrorTexts saved = ErrorTextsSave();
    const char *end = nullptr;
    int n = ListParse(f, key, format, first, pl, &end);
    if (count)
        *count = n > 0 ? n : 0;
    if (n >= 0 && n < (int)strcspn(format, ":"))
        ErrorTextsRestore(saved);
    return 1;
}

// The lists of Width and GameMakeAnim are taken whole: an item that fails to
// compile fails the key.
static int StrictListKey(TxtParseFile *f, const char *key, const char *format, Expr *first, Player *pl)
{
    const char *end = nullptr;
    int n = ListParse(f, key, format, first, pl, &end);
    if (n == 0 || (n > 0 && n < (int)strcspn(format, ":") && *end))
        return SCtrlKeyFailed(key);
    return 1;
}

static void SetInt(Expr *e, int v)
{
    ExprSetInt(e, v);
}

static int XYZKeys(TxtParseFile *f, SCtrl *c, Player *pl, int axes)
{
    static const char *const keys[] = {"x", "y", "z"};
    int mask = 0;
    for (int i = 0; i < axes; i++) {
        int given;
        if (!GivenValue(f, keys[i], &c->slot[i], pl, 2, &given))
            return 0;
        if (given)
            mask |= 1 << i;
    }
    SetInt(&c->slot[4], mask);
    return 1;
}

static int TargetXYZ(TxtParseFile *f, SCtrl *c, Player *pl)
{
    return OptFloat(f, "x", &c->slot[0], pl, SCTRL_NOT_GIVEN_FLOAT) &&
           OptFloat(f, "y", &c->slot[1], pl, SCTRL_NOT_GIVEN_FLOAT) &&
           OptFloat(f, "z", &c->slot[2], pl, SCTRL_NOT_GIVEN_FLOAT) && OptInt(f, "id", &c->slot[3], pl, -1);
}

// varset, varadd, parentvarset, parentvaradd: slots kind, index, value.
static int VarSetKeys(TxtParseFile *f, SCtrl *c, Player *pl, bool sysForms)
{
    if (TxtParseValueGet(f, "value")) {
        int given;
        if (!GivenValue(f, "v", &c->slot[1], pl, 1, &given))
            return 0;
        if (given) {
            SetInt(&c->slot[0], SCTRL_VAR);
            return ReqValue(f, "value", &c->slot[2], pl, 1);
        }
        if (!GivenValue(f, "fv", &c->slot[1], pl, 1, &given))
            return 0;
        if (given) {
            SetInt(&c->slot[0], SCTRL_FVAR);
            return ReqValue(f, "value", &c->slot[2], pl, 2);
        }
        GameErrorSet("Missing v or fv parameter");
        return 0;
    }
    static const struct {
        const char *word;
        int kind;
    } forms[] = {{"sysfvar", SCTRL_SYSFVAR}, {"sysvar", SCTRL_SYSVAR}, {"fvar", SCTRL_FVAR}, {"var", SCTRL_VAR}};
    for (const char *line = TxtParseLineFirst(f); line; line = TxtParseLineNext(f)) {
        for (const auto &form : forms) {
            if (!sysForms && form.kind >= SCTRL_SYSVAR)
                continue;
            size_t len = strlen(form.word);
            if (strncasecmp(line, form.word, len) != 0)
                continue;
            const char *p = SCtrlSkipSpaces(line + len);
            if (*p != '(')
                continue;
            const char *stop = p + 1;
            if (!ExprCompile(p + 1, &c->slot[1], pl, &stop, 1) || *stop != ')')
                return SCtrlKeyFailed(line);
            p = SCtrlSkipSpaces(stop + 1);
            if (*p != '=') {
                GameErrorSet("Missing value in %s", line);
                return 0;
            }
            int wanted = form.kind == SCTRL_FVAR || form.kind == SCTRL_SYSFVAR ? 2 : 1;
            if (!ExprCompile(SCtrlSkipSpaces(p + 1), &c->slot[2], pl, nullptr, wanted))
                return SCtrlKeyFailed(line);
            SetInt(&c->slot[0], form.kind);
            return 1;
        }
    }
    GameErrorSet("Missing value parameter");
    return 0;
}

static int HitAttrKey(const char *v, int *mask)
{
    *mask = SCtrlHitAttrParse(v, nullptr);
    if (*mask < 0) {
        GameErrorSet("Invalid hit attribute: %s", v);
        return 0;
    }
    return 1;
}

static int HitByKeys(TxtParseFile *f, SCtrl *c, Player *pl, bool complement)
{
    static const char *const keys[] = {"value", "value2"};
    int given = 0;
    for (int i = 0; i < 2; i++) {
        const char *v = TxtParseValueGet(f, keys[i]);
        if (!v)
            continue;
        int mask;
        if (!HitAttrKey(v, &mask))
            return 0;
        SetInt(&c->slot[i], complement ? (HITATTR_ALL & ~mask) : mask);
        given |= 1 << i;
    }
    if (!given) {
        GameErrorSet("Missing value parameter");
        return 0;
    }
    SetInt(&c->slot[3], given);
    return OptInt(f, "time", &c->slot[2], pl, 1);
}

static int LetterCode(const char *v, const char *letters, const int *codes)
{
    char c = (char)toupper((unsigned char)*SCtrlSkipSpaces(v));
    const char *at = c ? strchr(letters, c) : nullptr;
    return at ? codes[at - letters] : -2;
}

static int StateTypeSetKeys(TxtParseFile *f, SCtrl *c)
{
    static const int stateCodes[] = {1, 2, 3, 4};
    static const int moveCodes[] = {1, 2, 0};
    static const int physicsCodes[] = {1, 2, 3, 0};
    const char *v = TxtParseValueGet(f, "statetype");
    if (!v)
        v = TxtParseValueGet(f, "value");
    int code = -1;
    if (v && (code = LetterCode(v, "SCAL", stateCodes)) < -1) {
        GameErrorSet("State type \"%s\" not valid", v);
        return 0;
    }
    SetInt(&c->slot[0], code);
    code = -1;
    if ((v = TxtParseValueGet(f, "movetype")) && (code = LetterCode(v, "AHI", moveCodes)) < -1) {
        GameErrorSet("State movetype \"%s\" not valid", v);
        return 0;
    }
    SetInt(&c->slot[1], code);
    code = -1;
    if ((v = TxtParseValueGet(f, "physics")) && (code = LetterCode(v, "SCAN", physicsCodes)) < -1) {
        GameErrorSet("State physics \"%s\" not valid", v);
        return 0;
    }
    SetInt(&c->slot[2], code);
    return 1;
}

static int AssertSpecialKeys(TxtParseFile *f, SCtrl *c)
{
    static const char *const keys[] = {"flag", "flag2", "flag3"};
    for (int i = 0; i < 3; i++) {
        const char *v = TxtParseValueGet(f, keys[i]);
        int index = -1, kind = 0;
        if (!v) {
            if (i == 0) {
                GameErrorSet("AssertSpecial flag parameter missing");
                return 0;
            }
        } else if (!SCtrlAssertFlagParse(v, &index, &kind)) {
            GameErrorSet("AssertSpecial %s \"%s\" not valid", keys[i], v);
            return 0;
        }
        SetInt(&c->slot[2 * i], index);
        SetInt(&c->slot[2 * i + 1], kind);
    }
    return 1;
}

static int TransKeys(TxtParseFile *f, SCtrl *c, Player *pl)
{
    const char *v = TxtParseValueGet(f, "trans");
    int kind = -1;
    SetInt(&c->slot[1], 256);
    SetInt(&c->slot[2], 0);
    if (v && *v) {
        if (strcasecmp(v, "none") == 0)
            kind = 0;
        else if (strcasecmp(v, "default") == 0)
            kind = -1;
        else if (strcasecmp(v, "add") == 0)
            kind = 1;
        else if (strcasecmp(v, "sub") == 0)
            kind = 2;
        else if (strcasecmp(v, "addalpha") == 0)
            kind = 3;
        else if (strcasecmp(v, "add1") == 0) {
            kind = 3;
            SetInt(&c->slot[2], 128);
        } else {
            GameErrorSet("Invalid trans type: %s", v);
            return 0;
        }
    }
    SetInt(&c->slot[0], kind);
    return ListKey(f, "alpha", "ii", &c->slot[1], pl);
}

static int BindToTargetKeys(TxtParseFile *f, SCtrl *c, Player *pl)
{
    if (!OptInt(f, "time", &c->slot[0], pl, 1) || !OptInt(f, "id", &c->slot[1], pl, -1))
        return 0;
    ExprSetFloat(&c->slot[2], SCTRL_NOT_GIVEN_FLOAT);
    ExprSetFloat(&c->slot[3], SCTRL_NOT_GIVEN_FLOAT);
    SetInt(&c->slot[4], 0);
    const char *v = TxtParseValueGet(f, "pos");
    if (!v)
        return 1;
    Expr *items[2] = {&c->slot[2], &c->slot[3]};
    const char *end = v;
    ErrorTexts saved = ErrorTextsSave();
    // An item that fails keeps its default, as in every controller list.
    if (SCtrlParseListArr(v, "ff:,", pl, &end, items) < 2)
        ErrorTextsRestore(saved);
    if (*end == ',') {
        const char *word = SCtrlSkipSpaces(end + 1);
        switch (tolower((unsigned char)*word)) {
        case 'f': SetInt(&c->slot[4], 0); break;
        case 'm': SetInt(&c->slot[4], 1); break;
        case 'h': SetInt(&c->slot[4], 2); break;
        default:
            GameErrorSet("Invalid bind position: %s", word);
            return 0;
        }
    }
    return 1;
}

static int WidthKeys(TxtParseFile *f, SCtrl *c, Player *pl)
{
    if (TxtParseValueGet(f, "edge") || TxtParseValueGet(f, "player"))
        return StrictListKey(f, "edge", "ii", &c->slot[0], pl) && StrictListKey(f, "player", "ii", &c->slot[2], pl);
    if (!StrictListKey(f, "value", "ii", &c->slot[0], pl))
        return 0;
    ExprCopy(&c->slot[2], &c->slot[0]);
    ExprCopy(&c->slot[3], &c->slot[1]);
    return 1;
}

// The clipboard text: a quoted string with \n, \t and \x escapes, and its
// parameters, one per "%" that is not "%%".
static int ClipboardKeys(TxtParseFile *f, SCtrl *c, Player *pl, const char *typeName)
{
    const char *v = TxtParseValueGet(f, "text");
    if (!v) {
        GameErrorSet("Text not specified for %s.", typeName);
        return 0;
    }
    if (*v != '"') {
        GameErrorSet("Message text not quote-delimited.");
        return 0;
    }
    std::string text;
    const char *p = v + 1;
    for (; *p && *p != '"'; p++) {
        if (*p != '\\') {
            text += *p;
            continue;
        }
        p++;
        if (!*p) {
            GameErrorSet("Unterminated backslash escape sequence");
            return 0;
        }
        text += *p == 'n' ? '\n' : *p == 't' ? '\t' : *p;
    }
    if (*p != '"') {
        GameErrorSet("Message text not quote-delimited.");
        return 0;
    }
    int params = 0;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%')
            i++;
        else
            params++;
    }
    if (params > SCTRL_CLIP_PARAMS) {
        GameErrorSet("More than 5 parameters to %s.", typeName);
        return 0;
    }
    int count = 0;
    if (!ListKey(f, "params", "nnnnn", &c->slot[0], pl, &count))
        return 0;
    if (count != params) {
        GameErrorSet("%s has %i parameters in its text and %i in params.", typeName, params, count);
        return 0;
    }
    SetInt(&c->slot[5], count);
    char *owned = (char *)LibCalloc(text.size() + 1, 1);
    if (!owned) {
        GameErrorSet("Out of memory");
        return 0;
    }
    memcpy(owned, text.c_str(), text.size());
    c->params = owned;
    return 1;
}

void SCtrlClipboardText(Player *pl, const SCtrl *ctrl, char *out, size_t size)
{
    if (!out || !size)
        return;
    out[0] = 0;
    if (!ctrl->params)
        return;
    FmtArg args[SCTRL_CLIP_PARAMS];
    int count = ctrl->slot[5].value.i;
    if (count < 0 || count > SCTRL_CLIP_PARAMS)
        count = 0;
    for (int i = 0; i < count; i++) {
        int iv = 0;
        float fv = 0.0f;
        if (ExprEvaluate(pl, &ctrl->slot[i], &iv, &fv) == 2)
            args[i] = FmtFloat((double)fv);
        else
            args[i] = FmtInt(iv);
    }
    if (size > SCTRL_CLIP_TEXT_LEN + 1)
        size = SCTRL_CLIP_TEXT_LEN + 1;
    FmtSafe(out, size, (const char *)ctrl->params, args, count);
}

// HitDef and ReversalDef: the attack record hangs from the parameter slot.
static int HitDefKeys(TxtParseFile *f, SCtrl *c, Player *pl, int reversalAttr)
{
    HitDefParams *p = (HitDefParams *)LibCalloc(1, sizeof(HitDefParams));
    if (!p) {
        GameErrorSet("Out of memory");
        return 0;
    }
    p->reversalAttr = reversalAttr;
    if (!SCtrlHitDefParse(f, p, pl)) {
        SCtrlHitDefFree(p);
        MemFree(p);
        return 0;
    }
    c->params = p;
    return 1;
}

// A complex type's record hangs from the parameter slot: allocated zeroed,
// read by its parse routine, freed again when that fails. context, when
// given, names the controller after the reason.
template <typename Rec, typename Parse, typename Free>
static int RecordKeys(SCtrl *c, Parse parse, Free release, const char *context)
{
    Rec *rec = (Rec *)LibCalloc(1, sizeof(Rec));
    if (!rec) {
        GameErrorSet("Out of memory");
        return 0;
    }
    if (!parse(rec)) {
        release(rec);
        MemFree(rec);
        if (context)
            GameErrorAppend("\nError parsing %s", context);
        return 0;
    }
    c->params = rec;
    return 1;
}

// Explod and ModifyExplod: their record hangs from the parameter slot. A
// failure adds no context line of its own.
static int ExplodKeys(TxtParseFile *f, SCtrl *c, Player *pl, int modify)
{
    ExplodParams *p = (ExplodParams *)LibCalloc(1, sizeof(ExplodParams));
    if (!p) {
        GameErrorSet("Out of memory");
        return 0;
    }
    if (!SCtrlExplodParse(f, pl, p, modify)) {
        SCtrlExplodFree(p);
        MemFree(p);
        return 0;
    }
    c->params = p;
    return 1;
}

static int HelperKeys(TxtParseFile *f, SCtrl *c, Player *pl)
{
    HelperParams *p = (HelperParams *)LibCalloc(1, sizeof(HelperParams));
    if (!p) {
        GameErrorSet("Out of memory");
        return 0;
    }
    if (!SCtrlHelperParse(f, pl, p)) {
        SCtrlHelperFree(p);
        MemFree(p);
        GameErrorAppend("\nError parsing Helper");
        return 0;
    }
    c->params = p;
    return 1;
}

int SCtrlParseType(TxtParseFile *f, SCtrl *c, Player *pl)
{
    const char *typeText = TxtParseValueGet(f, "type");
    char name[SCTRL_TYPE_LEN];
    StrCopy(name, sizeof name, typeText ? typeText : "null");
    for (char *ch = name; *ch; ch++)
        *ch = (char)tolower((unsigned char)*ch);
    int code = SCtrlTypeCode(name);
    if (code < 0) {
        GameErrorSet("Not a valid elem type: %s", name);
        return 0;
    }
    c->type = code;
    Expr *s = c->slot;
    switch (code) {
    case SCTRL_CHANGESTATE:
    case SCTRL_SELFSTATE:
        return ReqValue(f, "value", &s[0], pl, 1) && OptInt(f, "ctrl", &s[1], pl, -1) &&
               OptInt(f, "anim", &s[2], pl, -1);
    case SCTRL_VARSET:
    case SCTRL_VARADD:
        return VarSetKeys(f, c, pl, true);
    case SCTRL_PARENTVARSET:
    case SCTRL_PARENTVARADD:
        return VarSetKeys(f, c, pl, false);
    case SCTRL_VARRANDOM: {
        SetInt(&s[1], 0);
        SetInt(&s[2], 1000);
        int n;
        if (!ReqValue(f, "v", &s[0], pl, 1) || !ListKey(f, "range", "ii", &s[1], pl, &n))
            return 0;
        if (n == 1) {
            ExprCopy(&s[2], &s[1]);
            SetInt(&s[1], 0);
        }
        return 1;
    }
    case SCTRL_VARRANGESET: {
        int given;
        if (!GivenValue(f, "value", &s[1], pl, 1, &given))
            return 0;
        if (given) {
            SetInt(&s[0], 0);
        } else {
            if (!GivenValue(f, "fvalue", &s[1], pl, 2, &given))
                return 0;
            if (!given) {
                GameErrorSet("VarRangeSet value not specified.");
                return 0;
            }
            SetInt(&s[0], 1);
        }
        return OptInt(f, "first", &s[2], pl, 0) && OptInt(f, "last", &s[3], pl, given && s[0].value.i ? 39 : 59);
    }
    case SCTRL_LIFESET:
    case SCTRL_POWERSET:
    case SCTRL_POWERADD:
    case SCTRL_CTRLSET:
    case SCTRL_ATTACKDIST:
    case SCTRL_PLAYERPUSH:
    case SCTRL_HITADD:
        return ReqValue(f, "value", &s[0], pl, 1);
    case SCTRL_LIFEADD:
        return ReqValue(f, "value", &s[0], pl, 1) && OptInt(f, "kill", &s[1], pl, 1) &&
               OptInt(f, "absolute", &s[2], pl, 0);
    case SCTRL_POSSET:
    case SCTRL_POSADD:
    case SCTRL_VELSET:
    case SCTRL_VELADD:
    case SCTRL_VELMUL:
        return XYZKeys(f, c, pl, 3);
    case SCTRL_POSFREEZE:
        return OptInt(f, "value", &s[0], pl, 1);
    case SCTRL_OFFSET:
        return XYZKeys(f, c, pl, 2);
    case SCTRL_HITBY:
        return HitByKeys(f, c, pl, strcmp(name, "nothitby") == 0);
    case SCTRL_CHANGEANIM:
    case SCTRL_CHANGEANIM2: {
        int given;
        if (!ReqValue(f, "value", &s[0], pl, 1) || !GivenValue(f, "elem", &s[1], pl, 1, &given))
            return 0;
        SetInt(&s[2], given);
        return 1;
    }
    case SCTRL_PLAYSND: {
        PlaySndParams *p = (PlaySndParams *)LibCalloc(1, sizeof(PlaySndParams));
        if (!p) {
            GameErrorSet("Out of memory");
            return 0;
        }
        if (!SCtrlPlaySndParse(f, p, pl)) {
            SCtrlPlaySndFree(p);
            MemFree(p);
            GameErrorAppend("\nError parsing PlaySnd");
            return 0;
        }
        c->params = p;
        return 1;
    }
    case SCTRL_STOPSND:
        return ReqValue(f, "channel", &s[0], pl, 1, "Missing channel parameter");
    case SCTRL_SNDPAN: {
        int given;
        if (!ReqValue(f, "channel", &s[0], pl, 1, "Missing channel parameter") ||
            !GivenValue(f, "pan", &s[1], pl, 1, &given))
            return 0;
        if (given)
            return 1;
        if (!GivenValue(f, "abspan", &s[1], pl, 1, &given))
            return 0;
        SetInt(&s[2], given);
        return 1;
    }
    case SCTRL_REVERSALDEF: {
        const char *v = TxtParseValueGet(f, "reversal.attr");
        int mask;
        if (!v)
            GameErrorSet("Missing reversal.attr parameter");
        else if ((mask = SCtrlHitAttrParse(v, nullptr)) < 0)
            GameErrorSet("Invalid reversal.attr: %s", v);
        else {
            SetInt(&s[0], mask);
            if (HitDefKeys(f, c, pl, mask))
                return 1;
        }
        GameErrorAppend("\nError parsing Reversaldef");
        return 0;
    }
    case SCTRL_HITDEF:
        if (HitDefKeys(f, c, pl, 0))
            return 1;
        GameErrorAppend("\nError parsing Hitdef");
        return 0;
    case SCTRL_HITOVERRIDE:
        return OptInt(f, "slot", &s[0], pl, 0) &&
               RecordKeys<HitOverrideParams>(
                   c, [&](HitOverrideParams *r) { return SCtrlHitOverrideParse(f, r, pl); }, SCtrlHitOverrideFree,
                   "HitOverride");
    case SCTRL_PALFX: {
        int target = strcmp(name, "palfx") == 0 ? PALFX_TARGET_PLAYER
                     : strcmp(name, "bgpalfx") == 0 ? PALFX_TARGET_BG
                                                    : PALFX_TARGET_ALL;
        SetInt(&s[0], target);
        return RecordKeys<PalFxCtrlParams>(
            c,
            [&](PalFxCtrlParams *r) {
                r->target = target;
                return SCtrlPalFXParse(f, "", r, pl);
            },
            SCtrlPalFXFree, nullptr);
    }
    case SCTRL_PROJECTILE:
        return RecordKeys<ProjectileParams>(
            c, [&](ProjectileParams *r) { return SCtrlProjectileParse(f, r, pl); }, SCtrlProjectileFree,
            "Projectile");
    case SCTRL_ENVSHAKE:
        return RecordKeys<EnvShakeParams>(
            c, [&](EnvShakeParams *r) { return SCtrlEnvShakeParse(f, "", r, pl); }, SCtrlEnvShakeFree, "EnvShake");
    case SCTRL_AFTERIMAGE:
        return RecordKeys<AfterImageCtrlParams>(
            c, [&](AfterImageCtrlParams *r) { return SCtrlAfterImageParse(f, "", r, pl); }, SCtrlAfterImageFree,
            "AfterImage");
    case SCTRL_PAUSE:
        return RecordKeys<PauseParams>(
            c, [&](PauseParams *r) { return SCtrlPauseParse(f, r, pl); }, SCtrlPauseFree, "Pause");
    case SCTRL_SUPERPAUSE:
        return RecordKeys<PauseParams>(
            c, [&](PauseParams *r) { return SCtrlSuperPauseParse(f, r, pl); }, SCtrlSuperPauseFree, "SuperPause");
    case SCTRL_WIDTH:
        return WidthKeys(f, c, pl);
    case SCTRL_SCREENBOUND:
        return OptInt(f, "value", &s[0], pl, 0) && ListKey(f, "movecamera", "ii", &s[1], pl);
    case SCTRL_SPRPRIORITY:
        return OptInt(f, "value", &s[0], pl, 0);
    case SCTRL_ANGLEDRAW:
        ExprSetFloat(&s[1], 1.0f);
        ExprSetFloat(&s[2], 1.0f);
        return OptFloat(f, "value", &s[0], pl, SCTRL_NOT_GIVEN_FLOAT) && ListKey(f, "scale", "ff", &s[1], pl);
    case SCTRL_ANGLESET:
    case SCTRL_ANGLEADD:
    case SCTRL_ANGLEMUL:
        return OptFloat(f, "value", &s[0], pl, 0.0f);
    case SCTRL_TRANS:
        return TransKeys(f, c, pl);
    case SCTRL_TARGETBIND:
        ExprSetFloat(&s[2], 0.0f);
        ExprSetFloat(&s[3], 0.0f);
        return OptInt(f, "time", &s[0], pl, 1) && OptInt(f, "id", &s[1], pl, -1) &&
               ListKey(f, "pos", "ff", &s[2], pl);
    case SCTRL_BINDTOTARGET:
        return BindToTargetKeys(f, c, pl);
    case SCTRL_TARGETSTATE:
    case SCTRL_TARGETPOWERADD:
    case SCTRL_TARGETFACING:
        return ReqValue(f, "value", &s[0], pl, 1) && OptInt(f, "id", &s[1], pl, -1);
    case SCTRL_TARGETLIFEADD:
        return ReqValue(f, "value", &s[0], pl, 1) && OptInt(f, "kill", &s[1], pl, 1) &&
               OptInt(f, "absolute", &s[2], pl, 0) && OptInt(f, "id", &s[3], pl, -1);
    case SCTRL_TARGETVELSET:
    case SCTRL_TARGETVELADD:
        return TargetXYZ(f, c, pl);
    case SCTRL_TARGETDROP:
        return OptInt(f, "excludeID", &s[0], pl, -1) && OptInt(f, "keepone", &s[1], pl, 1);
    case SCTRL_HITFALLSET:
        ExprSetFloat(&s[1], SCTRL_NOT_GIVEN_FLOAT);
        ExprSetFloat(&s[2], SCTRL_NOT_GIVEN_FLOAT);
        return OptInt(f, "value", &s[0], pl, -1) && ListKey(f, "velocity", "ff", &s[1], pl);
    case SCTRL_HITVELSET:
        return OptInt(f, "x", &s[0], pl, 0) && OptInt(f, "y", &s[1], pl, 0);
    case SCTRL_ATTACKMULSET:
    case SCTRL_DEFENCEMULSET:
        return ReqValue(f, "value", &s[0], pl, 2);
    case SCTRL_STATETYPESET:
        return StateTypeSetKeys(f, c);
    case SCTRL_ASSERTSPECIAL:
        return AssertSpecialKeys(f, c);
    case SCTRL_ENVCOLOR: {
        SetInt(&s[0], 255);
        SetInt(&s[1], 255);
        SetInt(&s[2], 255);
        int n;
        if (!ListKey(f, "value", "iii", &s[0], pl, &n))
            return 0;
        if (TxtParseValueGet(f, "value") && n != 3) {
            GameErrorSet("EnvColor value needs three numbers");
            return 0;
        }
        return OptInt(f, "time", &s[3], pl, 1) && OptInt(f, "under", &s[4], pl, 0);
    }
    case SCTRL_GAMEMAKEANIM:
        ExprSetFloat(&s[2], 0.0f);
        ExprSetFloat(&s[3], 0.0f);
        return OptInt(f, "value", &s[0], pl, 0) && OptInt(f, "under", &s[1], pl, 0) &&
               StrictListKey(f, "pos", "ff", &s[2], pl) && OptInt(f, "random", &s[4], pl, 0);
    case SCTRL_AFTERIMAGETIME:
        if (TxtParseValueGet(f, "time"))
            return OptInt(f, "time", &s[0], pl, 0);
        return OptInt(f, "value", &s[0], pl, 0);
    case SCTRL_MAKEDUST: {
        int n;
        if (!ListKey(f, "pos", "ii", &s[0], pl) || !ListKey(f, "pos2", "ff", &s[2], pl, &n))
            return 0;
        SetInt(&s[4], n > 0);
        return OptInt(f, "spacing", &s[5], pl, 3);
    }
    case SCTRL_EXPLOD:
    case SCTRL_MODIFYEXPLOD:
        return ExplodKeys(f, c, pl, code == SCTRL_MODIFYEXPLOD);
    case SCTRL_HELPER:
        return HelperKeys(f, c, pl);
    case SCTRL_REMOVEEXPLOD:
        return OptInt(f, "id", &s[0], pl, -1);
    case SCTRL_EXPLODBINDTIME:
        if (!OptInt(f, "id", &s[0], pl, -1))
            return 0;
        if (TxtParseValueGet(f, "time"))
            return OptInt(f, "time", &s[1], pl, 1);
        return OptInt(f, "value", &s[1], pl, 1);
    case SCTRL_DISPLAYTOCLIPBOARD:
    case SCTRL_APPENDTOCLIPBOARD:
        return ClipboardKeys(f, c, pl, name);
    case SCTRL_BINDTOPARENT:
    case SCTRL_BINDTOROOT:
        ExprSetFloat(&s[2], 0.0f);
        ExprSetFloat(&s[3], 0.0f);
        ExprSetFloat(&s[4], 0.0f);
        return OptInt(f, "time", &s[0], pl, 1) && OptInt(f, "facing", &s[1], pl, 0) &&
               ListKey(f, "pos", "fff", &s[2], pl);
    case SCTRL_TAGIN:
        return ReqValue(f, "stateno", &s[0], pl, 1) && OptInt(f, "partnerstateno", &s[1], pl, 0) &&
               OptInt(f, "ctrl", &s[2], pl, 0);
    default:
        // No keys, or a parameter record that its own module reads.
        return 1;
    }
}

void SCtrlFree(SCtrl *ctrl)
{
    if (!ctrl)
        return;
    if (ctrl->triggers)
        ExprArrayFree(ctrl->triggers);
    ctrl->triggers = nullptr;
    for (Expr &e : ctrl->slot)
        ExprFree(&e);
    if (ctrl->params) {
        switch (ctrl->type) {
        case SCTRL_HITDEF:
        case SCTRL_REVERSALDEF: SCtrlHitDefFree((HitDefParams *)ctrl->params); break;
        case SCTRL_PROJECTILE: SCtrlProjectileFree((ProjectileParams *)ctrl->params); break;
        case SCTRL_HITOVERRIDE: SCtrlHitOverrideFree((HitOverrideParams *)ctrl->params); break;
        case SCTRL_PALFX: SCtrlPalFXFree((PalFxCtrlParams *)ctrl->params); break;
        case SCTRL_ENVSHAKE: SCtrlEnvShakeFree((EnvShakeParams *)ctrl->params); break;
        case SCTRL_AFTERIMAGE: SCtrlAfterImageFree((AfterImageCtrlParams *)ctrl->params); break;
        case SCTRL_PAUSE: SCtrlPauseFree((PauseParams *)ctrl->params); break;
        case SCTRL_SUPERPAUSE: SCtrlSuperPauseFree((PauseParams *)ctrl->params); break;
        case SCTRL_PLAYSND: SCtrlPlaySndFree((PlaySndParams *)ctrl->params); break;
        case SCTRL_EXPLOD:
        case SCTRL_MODIFYEXPLOD: SCtrlExplodFree((ExplodParams *)ctrl->params); break;
        case SCTRL_HELPER: SCtrlHelperFree((HelperParams *)ctrl->params); break;
        default: break;
        }
    }
    MemFree(ctrl->params);
    ctrl->params = nullptr;
}

// Lines of a repeated key in the current group.
static int KeyLineCount(TxtParseFile *f, const char *key)
{
    int n = 0;
    TxtParseGroupRewind(f);
    while (TxtParseValueGetNext(f, key))
        n++;
    return n;
}

static int CompileLines(TxtParseFile *f, const char *key, int group, SCtrl *c, Player *pl)
{
    TxtParseGroupRewind(f);
    int line = 0;
    for (const char *v; (v = TxtParseValueGetNext(f, key)); line++) {
        Expr e{};
        if (!ExprCompile(v, &e, pl, nullptr, 0)) {
            if (group < 0)
                GameErrorAppend("\nError parsing triggerall");
            else
                GameErrorAppend("\nError parsing %s, %i", key, line + 1);
            return 0;
        }
        if (ArrayAddGrow(c->triggers, &e, group, line) < 0) {
            ExprFree(&e);
            GameErrorSet("Out of memory");
            return 0;
        }
    }
    return 1;
}

int SCtrlParse(TxtParseFile *f, Array *ctrls, int number, Player *pl)
{
    int lines = KeyLineCount(f, "triggerall");
    int groups = 0;
    char key[32];
    for (;;) {
        snprintf(key, sizeof key, "trigger%i", groups + 1);
        int n = KeyLineCount(f, key);
        if (!n)
            break;
        lines += n;
        groups++;
    }
    if (!groups) {
        GameErrorSet("Need at least 1 trigger");
        return 0;
    }

    SCtrl c;
    memset(&c, 0, sizeof c);
    c.groupCount = groups;
    c.triggers = ArrayCreate(lines, sizeof(Expr), nullptr);
    if (!c.triggers) {
        GameErrorSet("Out of memory");
        return 0;
    }
    for (int g = 0; g < groups; g++) {
        snprintf(key, sizeof key, "trigger%i", g + 1);
        if (!CompileLines(f, key, g, &c, pl))
            goto fail;
    }
    if (!CompileLines(f, "triggerall", -1, &c, pl))
        goto fail;

    c.persistent = 1;
    TxtParseIntGet(f, "persistent", &c.persistent);
    TxtParseIntGet(f, "ignorehitpause", &c.ignoreHitPause);
    if (!SCtrlParseType(f, &c, pl))
        goto fail;
    if (ArrayAddGrow(ctrls, &c, c.type, number) < 0) {
        GameErrorSet("Out of memory");
        goto fail;
    }
    return 1;

fail:
    SCtrlFree(&c);
    return 0;
}
