// Backgrounds: layered elements placed from a camera, tiled, windowed, moved by velocities, sines and timed controllers.
#pragma once
#include <cstdint>

struct AnimObj;
struct AnimSet;
struct Array;
struct SprSet;
struct TxtParseFile;

enum BGElemKind {
    BG_KIND_NORMAL = 0,
    BG_KIND_PARALLAX = 1,
    BG_KIND_H = 2,  // needs a sprite, never drawn
    BG_KIND_ANIM = 3,
    BG_KIND_DUMMY = 10,
};

enum BGCtrlType {
    BG_CTRL_VISIBLE = 1,
    BG_CTRL_ENABLE = 2,
    BG_CTRL_POSSET = 3,
    BG_CTRL_VELSET = 4,
    BG_CTRL_POSADD = 5,
    BG_CTRL_VELADD = 6,
    BG_CTRL_ANIM = 8,
    BG_CTRL_SINX = 11,
    BG_CTRL_SINY = 12,
    BG_CTRL_NULL = 20,
};

enum {
    BG_CTRL_IDS = 10,  // element ids one controller may name
};

// An x or y controller value that was not given.
#define BG_NOT_GIVEN (-32760.0f)

// amplitude x sin(time / period x 2 pi); timeStart is what the file gave,
// which a reset returns to.
struct BGSine {
    float amplitude, period, time, timeStart;
};

struct BGElem {
    int kind;  // BGElemKind
    int startX, startY;
    float posX, posY;  // after the last camera
    int posXi, posYi;  // the same rounded to the nearest integer
    float deltaX, deltaY;  // stored negated, so the camera term adds
    float velX, velY;  // pixels per tick
    int tileX, tileY;  // 0 once, 1 for ever, N > 1 N copies
    int tileSpaceX, tileSpaceY;
    int sprWidth, sprHeight;
    int window;
    int winX1, winX2, winY1, winY2;
    float winDeltaX, winDeltaY;
    int winOffX, winOffY;  // from the last camera
    int trans, alphaSrc, alphaDst;  // TransKind and its factors
    int mask;
    int layer;  // 0 back, 1 front
    int pixelScale;
    // Parallax: widths of the top and bottom rows, y scale in thousandths.
    int parTopWidth, parBottomWidth;
    int yScaleStart, yScaleDelta;
    int yScale;  // from the last camera
    float widthRatio;  // bottom / top
    int widthGiven;  // the widths came from "width", not "xscale"
    int parRowCount;
    int *parWidths;  // per source row
    uint8_t **parRows;  // per source row: resampled (widths given) or the sprite's own
    uint8_t *parBuf;  // the resampled rows, owned
    int id;
    int enabled, visible;
    float ctrlOffX, ctrlOffY;
    float ctrlVelX, ctrlVelY;
    int posLink;
    BGSine sinX, sinY;
    AnimObj *anim;  // animation elements only
    int actionNo;
    int sprIndex;  // slot in the sprite set, -1 none
    int sprGroup, sprNumber;  // the sprite asked for, when the element is added
};

struct BGCtrl {
    int ids[BG_CTRL_IDS];  // -1 ends the list; -1 first: every element
    int type;  // BGCtrlType
    int start, end, loop;
    int value;
    float x, y, z;  // BG_NOT_GIVEN when not given
    int timer;
    int *elemSlots;  // the elements its ids name, found once at load; null: every element
    int elemCount;
};

struct BGDef {
    float camX, camY;  // the last camera position given
    int tick;  // ticks since the last reset
    AnimSet *anims;
    int ownsAnims;
    SprSet *spr;
    int ownsSpr;
    Array *elems;  // BGElem keyed (0, index in file order)
    BGCtrl *ctrls;
    int ctrlCount;
    int clearR, clearG, clearB;  // as defined; clearR -1 none
    int clearCurR, clearCurG, clearCurB;  // reset from the defined colour every tick
};

// Reads the background named name from an open definition file; dir is the
// file's directory. The caller's sprite and action sets are used when the file
// names none. Null with the reason in LibErrorMsg.
BGDef *BGLoad(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr, AnimSet *anims);
BGDef *BGLoadFile(const char *path, const char *name);
BGDef *BGLoadFileShared(const char *path, const char *name, SprSet *spr, AnimSet *anims);
// An empty background over the caller's sprite set, with no clear colour.
BGDef *BGCreate(int capacity, SprSet *spr);
// Element defaults: kind, delta 1,1 (as written in files, not negated),
// pixel scale 1, enabled and visible, no window, no sprite.
void BGElemDefaults(BGElem *values, int kind);
// Adds an element made from the values (delta as written in files; the sprite
// by sprGroup, sprNumber). The slot, or -1 with the reason in LibErrorMsg;
// the sprite form refuses animation elements.
int BGAddSpriteElem(BGDef *bg, int key1, int key2, const BGElem *values);
int BGAddAnimElem(BGDef *bg, int key1, int key2, const BGElem *values, int actionNo);
void BGFree(BGDef *bg);

void BGSetPixelScale(BGDef *bg, int scale);
void BGSetCamera(BGDef *bg, float x, float y);
// The extra offsets move every element on top of the camera (the stage's shake).
void BGSetCameraEx(BGDef *bg, float x, float y, float extraX, float extraY);

// Clear colour (when set), then every element.
void BGDrawAll(BGDef *bg);
// Layer 0 first clears with the current clear colour (when set).
void BGDrawLayer(BGDef *bg, int layer);
void BGTick(BGDef *bg);
void BGReset(BGDef *bg);

BGElem *BGFindElemSlot(BGDef *bg, int slot);
// The first element with the id, or null.
BGElem *BGFindElemById(BGDef *bg, int id);

// Parallax rows of an element over its sprite; 0 when they cannot be made.
int BGParallaxInit(BGDef *bg, BGElem *elem);
// One parallax element at a y scale in thousandths: colour 0 skipped with the
// mask flag, else drawn as BGDrawParallaxRows does.
void BGDrawParallax(BGDef *bg, BGElem *elem, int yScale);
// At the element's current y scale.
void BGDrawParallaxDefault(BGDef *bg, BGElem *elem);
// Every pixel, colour 0 included.
void BGDrawParallaxRows(BGDef *bg, BGElem *elem, int yScale);
