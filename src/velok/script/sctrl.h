// State controllers: compiling a controller group into its trigger lines, type code and parameters.
#pragma once
#include <cstddef>
#include <cstdint>

#include "velok/script/expr.h"

struct Array;
struct Player;
struct TxtParseFile;

enum SCtrlType {
    SCTRL_NULL = 0,
    SCTRL_CHANGESTATE = 1,
    SCTRL_SELFSTATE = 2,
    SCTRL_TURN = 3,
    SCTRL_VARSET = 4,
    SCTRL_VARADD = 5,
    SCTRL_VARRANDOM = 6,
    SCTRL_VARRANGESET = 7,
    SCTRL_LIFESET = 10,
    SCTRL_LIFEADD = 11,
    SCTRL_POWERSET = 12,
    SCTRL_POWERADD = 13,
    SCTRL_CTRLSET = 20,
    SCTRL_POSSET = 21,
    SCTRL_POSADD = 22,
    SCTRL_POSFREEZE = 23,
    SCTRL_VELSET = 24,
    SCTRL_VELADD = 25,
    SCTRL_VELMUL = 26,
    SCTRL_GRAVITY = 27,
    SCTRL_OFFSET = 28,
    SCTRL_HITBY = 30,  // hitby and nothitby
    SCTRL_CHANGEANIM = 32,
    SCTRL_CHANGEANIM2 = 33,
    SCTRL_PLAYSND = 34,
    SCTRL_STOPSND = 35,
    SCTRL_SNDPAN = 36,
    SCTRL_HITDEF = 37,
    SCTRL_REVERSALDEF = 38,
    SCTRL_PROJECTILE = 39,
    SCTRL_WIDTH = 40,
    SCTRL_SCREENBOUND = 50,
    SCTRL_SPRPRIORITY = 51,
    SCTRL_ANGLEDRAW = 60,
    SCTRL_ANGLESET = 61,
    SCTRL_ANGLEADD = 62,
    SCTRL_ANGLEMUL = 63,
    SCTRL_TRANS = 65,
    SCTRL_TARGETBIND = 70,
    SCTRL_BINDTOTARGET = 71,
    SCTRL_TARGETSTATE = 72,
    SCTRL_TARGETPOWERADD = 73,
    SCTRL_TARGETLIFEADD = 74,
    SCTRL_TARGETVELSET = 75,
    SCTRL_TARGETVELADD = 76,
    SCTRL_TARGETFACING = 77,
    SCTRL_TARGETDROP = 78,
    SCTRL_ATTACKDIST = 90,
    SCTRL_PLAYERPUSH = 91,
    SCTRL_HITFALLSET = 100,
    SCTRL_HITVELSET = 101,
    SCTRL_HITFALLDAMAGE = 102,
    SCTRL_HITFALLVEL = 103,
    SCTRL_HITADD = 104,
    SCTRL_ATTACKMULSET = 105,
    SCTRL_DEFENCEMULSET = 106,
    SCTRL_STATETYPESET = 110,
    SCTRL_HITOVERRIDE = 120,
    SCTRL_MOVEHITRESET = 130,
    SCTRL_ASSERTSPECIAL = 150,
    SCTRL_ENVSHAKE = 200,
    SCTRL_FALLENVSHAKE = 201,
    SCTRL_ENVCOLOR = 202,
    SCTRL_GAMEMAKEANIM = 203,
    SCTRL_AFTERIMAGE = 210,
    SCTRL_AFTERIMAGETIME = 211,
    SCTRL_PAUSE = 212,
    SCTRL_SUPERPAUSE = 214,
    SCTRL_MAKEDUST = 215,
    SCTRL_PALFX = 216,  // palfx, bgpalfx, allpalfx
    SCTRL_EXPLOD = 220,
    SCTRL_REMOVEEXPLOD = 221,
    SCTRL_EXPLODBINDTIME = 222,
    SCTRL_MODIFYEXPLOD = 223,
    SCTRL_HELPER = 300,
    SCTRL_DESTROYSELF = 301,
    SCTRL_PARENTVARSET = 304,
    SCTRL_PARENTVARADD = 305,
    SCTRL_DISPLAYTOCLIPBOARD = 310,
    SCTRL_APPENDTOCLIPBOARD = 311,
    SCTRL_CLEARCLIPBOARD = 312,
    SCTRL_BINDTOPARENT = 320,
    SCTRL_BINDTOROOT = 321,
    SCTRL_TAGIN = 10051,
    SCTRL_TAGOUT = 10052,
};

enum {
    SCTRL_SLOT_COUNT = 6,
    SCTRL_TYPE_LEN = 256,
    SCTRL_CLIP_PARAMS = 5,
    SCTRL_CLIP_TEXT_LEN = 77 * 3,  // what the clipboard ring holds
};

// Variable kinds of varset, varadd, parentvarset and parentvaradd.
enum SCtrlVarKind {
    SCTRL_VAR = 0,
    SCTRL_FVAR = 1,
    SCTRL_SYSVAR = 2,
    SCTRL_SYSFVAR = 3,
};

// What each type keeps in its six slots (others stay the int constant 0):
// changestate, selfstate: value, ctrl (-1), anim (-1)
// varset, varadd, parentvarset, parentvaradd: kind (SCtrlVarKind), index, value
// varrandom: index, low (0), high (1000)
// varrangeset: kind (0 int, 1 float), value, first (0), last (59 or 39)
// lifeset, powerset, poweradd, ctrlset, attackdist, playerpush, hitadd, posfreeze (1),
//   sprpriority, angleset, angleadd, anglemul, attackmulset, defencemulset: value
// lifeadd: value, kill (1), absolute (0)
// posset, posadd, velset, veladd, velmul: x, y, z, -, given mask (1 x, 2 y, 4 z)
// offset: x, y, -, -, given mask (1 x, 2 y)
// hitby, nothitby: mask of value, mask of value2, time (1), given mask (1 value, 2 value2)
// changeanim, changeanim2: value, elem, elem given (1)
// stopsnd: channel; sndpan: channel, pan, absolute (1 for abspan)
// reversaldef: reversal.attr mask; hitoverride: slot; palfx: target (0 player, 1 bg, 2 all)
// width: edge front, edge back, player front, player back
// screenbound: value (0), movecamera x (0), movecamera y (0)
// angledraw: value (-32760.0 not given), scale x (1), scale y (1)
// trans: kind (-1 default, 0 none, 1 add, 2 sub, 3 addalpha), alpha source (256), alpha destination (0)
// targetbind: time (1), id (-1), pos x (0), pos y (0)
// bindtotarget: time (1), id (-1), pos x, pos y (-32760.0 not given), body position (0 foot, 1 mid, 2 head)
// targetstate, targetpoweradd, targetfacing: value, id (-1)
// targetlifeadd: value, kill (1), absolute (0), id (-1)
// targetvelset, targetveladd: x, y, z (-32760.0 not given), id (-1)
// targetdrop: excludeID (-1), keepone (1)
// hitfallset: value (-1), velocity x, y (-32760.0 not given)
// hitvelset: x, y
// statetypeset: statetype, movetype, physics (-1 keep)
// assertspecial: flag index, flag kind, flag2 index, flag2 kind, flag3 index, flag3 kind (index -1 absent)
// envcolor: r, g, b (255), time (1), under (0)
// gamemakeanim: value (0), under (0), pos x (0), pos y (0), random (0)
// afterimagetime: time; removeexplod: id (-1); explodbindtime: id (-1), time (1)
// makedust: pos x, pos y, pos2 x, pos2 y, pos2 given (1), spacing (3)
// displaytoclipboard, appendtoclipboard: params 1-5, parameter count; the text in params
// bindtoparent, bindtoroot: time (1), facing (0), pos x, y, z
// tagin: stateno, partnerstateno (0), ctrl (0; read, never applied)
// In params: HitDefParams (hitdef, reversaldef), ExplodParams (explod,
// modifyexplod), HelperParams (helper), the clipboard text.
struct SCtrl {
    Array *triggers;  // Expr keyed (group, line); triggerall is group -1
    int groupCount;
    int persistent;
    int ignoreHitPause;
    int type;
    Expr slot[SCTRL_SLOT_COUNT];
    void *params;  // the complex types' record, or the clipboard text
    // How the trigger lines lie, as the trigger test last found them while
    // their array's change stamp was linesChanges (linesKnown 0: not yet).
    int linesKnown;
    uint64_t linesChanges;
    int linesAll;     // slot of the first triggerall line, -1: not in reading order
    int linesGroups;
};

// Compiles the current group of the file and adds the controller to the
// array keyed (type code, number). 1, or 0 with the reason in the game error text.
int SCtrlParse(TxtParseFile *file, Array *ctrls, int number, Player *pl);
int SCtrlParseType(TxtParseFile *file, SCtrl *ctrl, Player *pl);
void SCtrlFree(SCtrl *ctrl);
// The type code of a type name (any case), -1 when unknown.
int SCtrlTypeCode(const char *name);
// The clipboard controllers' text with their parameters evaluated, through
// the safe formatter; cut to the size.
void SCtrlClipboardText(Player *pl, const SCtrl *ctrl, char *out, size_t size);
