// Explods and screen elements: animations, sprites and texts in fixed lists, moved, bound, drawn and removed.
#pragma once

struct AnimObj;
struct AnimSet;
struct DrawList;
struct ExplodParams;
struct Font;
struct Player;
struct SprSet;
struct TrigCtx;
struct TxtParseFile;

enum {
    EXPLOD_TEXT_LEN = 48,       // 47 characters and the terminator
    SCREEN_ELEM_TEXT_LEN = 48,
    SCREEN_ELEM_FONTS = 10,     // entries of a font table
};

enum ExplodKind {
    EXPLOD_KIND_ANIM = 1,
    EXPLOD_KIND_SPRITE = 2,
    EXPLOD_KIND_TEXT = 3,
};

enum {
    EXPLOD_FLIP_H = 1,
    EXPLOD_FLIP_V = 2,
};

// What a bound record follows: a player's screen position, or the camera.
enum ExplodAnchor {
    EXPLOD_ANCHOR_NONE = 0,
    EXPLOD_ANCHOR_PLAYER = 1,
    EXPLOD_ANCHOR_CAMERA = 2,
};

// One record of a list. Players (the owner, the anchor) are named by slot and
// id and looked up when needed, so a record never outlives them in a pointer.
struct Explod {
    int inUse;
    int kind;             // ExplodKind
    int shownDirectly;    // drawn by a screen-element show: the layer passes skip it
    int owner;            // the owning player's id; 0 for screen elements and sparks
    int id;               // explod ID; a screen element's serial number
    float posX, posY;
    float velX, velY;
    float accelX, accelY;
    int offsetX, offsetY; // from the anchor while bound
    int pauseMoveTime;    // ticks of its life it moves on in a Pause (-1 always)
    int superMoveTime;    // the same in a SuperPause
    int age;
    int removeTime;       // freed at this age; -1 never
    float scaleX, scaleY;
    int anchor;           // ExplodAnchor
    int anchorSlot, anchorId;
    int postype;          // PosType
    int bindTime;         // ticks left bound; -1 for ever, 0 unbound
    int layer;            // 0 through the draw list by priority, 1, 2 on top
    int flips;            // EXPLOD_FLIP_*
    int stageSpace;       // 1: stage coordinates, the camera is taken off when drawing
    int shake;            // 1: the screen shake moves it
    int shadowColour;     // 0 none, -1 the stage's, else RGB565
    int removeOnGetHit;
    int ignoreHitPause;
    AnimObj *anim;        // the list's, one per record
    int transKind;        // TransKind; -1 keeps the animation's own
    int alphaSrc, alphaDst;
    SprSet *spr;          // animation and sprite kinds
    int sprite;           // image slot of the sprite kind, -1 none
    Font *font;           // text kind
    int fontBank, fontAlign;
    char text[EXPLOD_TEXT_LEN];
    int ownerSlot;        // where the owner is looked up
};

// A fixed pool: records and their animation players are made once.
struct ExplodList {
    Explod *records;
    AnimObj *anims;
    int capacity;
    int live;             // records in use
    DrawList *drawList;   // where layer-0 animations queue; null for none
};

enum ScreenElemKind {
    SCREEN_ELEM_NONE = 0,
    SCREEN_ELEM_ANIM = 1,
    SCREEN_ELEM_SPRITE = 2,
    SCREEN_ELEM_TEXT = 3,
};

// One element of a screen: an animation, a sprite or a text in a font,
// placed at an offset from where its screen puts it.
struct ScreenElem {
    int kind;           // ScreenElemKind
    int num1, num2;     // action; sprite group and number; font and bank
    int align;          // text: 1 left, 0 centre, -1 right
    int spare;
    int displayTime;    // -2: an animation's whole length
    int offsetX, offsetY;
    int layer;          // the lifebar pass that draws it
    int owner;          // always 0
    int serial;         // game-wide, in reading order
    int facing, vfacing;
    float scaleX, scaleY;
    char text[SCREEN_ELEM_TEXT_LEN];
};

// Null when memory runs out. With a draw list, layer-0 animations queue there.
ExplodList *ExplodListCreate(int count, DrawList *drawList);
void ExplodListFree(ExplodList *list);
// Every record free (match and round starts).
void ExplodListClear(ExplodList *list);
void ExplodListUpdate(ExplodList *list);
// The live records of a layer (-1 all) that no show drew directly.
void ExplodListDraw(ExplodList *list, int layer);
void ExplodListDrawShadows(ExplodList *list);
// The record at an index, or null.
Explod *ExplodAt(ExplodList *list, int index);

// The Explod and ModifyExplod controllers, on the game's player list.
void ExplodCtrlRun(Player *pl, const ExplodParams *p, TrigCtx *ctx);
void ExplodCtrlModify(Player *pl, const ExplodParams *p, TrigCtx *ctx);
void ExplodParamsApply(Player *pl, Explod *e, const ExplodParams *p, TrigCtx *ctx, int modify);

// A new record of each kind; its index, or -1 when the action or sprite does
// not exist or the list is full (nothing is said).
int ExplodAddAnim(ExplodList *list, int action, AnimSet *anims, SprSet *spr);
int ExplodAddSprite(ExplodList *list, int group, int number, SprSet *spr);
int ExplodAddText(ExplodList *list, const char *text, Font *font, int bank, int alignment);

// By owner and ID (-1 all IDs).
void ExplodRemoveById(ExplodList *list, int ownerId, int id);
void ExplodRemoveOnHit(ExplodList *list, int ownerId);
void ExplodSetBindTime(ExplodList *list, int ownerId, int id, int time);
int ExplodCountById(const ExplodList *list, int ownerId, int id);

void ExplodTick(ExplodList *list, Explod *e);
void ExplodDraw(Explod *e);

// A fresh element: no kind, facing 1, scale 1.0, display time -2.
void ScreenElemInit(ScreenElem *e);
// Reads the element under the prefix from the current group into e; fields
// whose keys are absent keep what e held. Takes the next serial number, also
// when the element has no kind.
void ScreenElemRead(TxtParseFile *tp, ScreenElem *e, const char *prefix);
// 1 with the group and number of a sprite element, else 0.
int ScreenElemGetSprite(const ScreenElem *e, int *group, int *number);
// Puts the element into the list at (x, y) plus its offset, or renews the
// placement of its live record; the index, or -1. fonts: a table of
// SCREEN_ELEM_FONTS entries.
int ScreenElemSpawn(ExplodList *list, const ScreenElem *e, SprSet *spr, AnimSet *anims, Font *const *fonts,
                    int x, int y);
// Only for layer -1 or the element's own: spawns it and draws it at once
// (unless the frame is skipped); the index, or -1 when nothing was shown. An
// element shown for one tick is freed again at once.
int ScreenElemShow(ExplodList *list, const ScreenElem *e, SprSet *spr, AnimSet *anims, Font *const *fonts, int x,
                   int y, int layer);
// The same in the system list with the fight screen's sprites, actions and fonts.
int FightElemSpawn(const ScreenElem *e, int x, int y);
int FightElemShow(const ScreenElem *e, int x, int y, int layer);
// The same with the motif's sprites, actions and fonts (the front end's
// screens, the win screen and the survival results).
int MotifElemSpawn(const ScreenElem *e, int x, int y);
int MotifElemShow(const ScreenElem *e, int x, int y, int layer);
