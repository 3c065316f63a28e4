// Animation files (actions of timed sprite elements with collision boxes) and the animation player.
#pragma once
#include <cstdint>

struct Array;
struct ClsnList;
struct DrawList;
struct SprSet;
struct TxtParseFile;

enum {
    ANIM_FLIP_H = 1,
    ANIM_FLIP_V = 2,
    ANIM_DEFAULT_CLSN1 = 4,   // the element declared the action's default Clsn1 list
    ANIM_DEFAULT_CLSN2 = 8,
};

struct AnimElem {
    int start;          // action tick at which the element begins
    int time;           // ticks shown, -1 for ever
    int group, image;   // sprite key in the bound sprite set
    int x, y;           // offset added to the draw position
    int flags;          // ANIM_FLIP_* and ANIM_DEFAULT_*
    int trans;          // 0 none, 1 add, 2 subtract, 3 alpha
    int alphaSrc, alphaDst;   // 256 = 1.0
    ClsnList *clsn1;    // each holds one reference, null when none
    ClsnList *clsn2;
};

struct AnimAction {
    Array *elems;       // AnimElem keyed (0, index)
    int count;
    int total;          // sum of the times, -1 when any time is -1
    int loopTime;       // start tick of the loop-start element
    int loopElem;
};

struct AnimSet {
    Array *actions;     // AnimAction keyed (0, action number)
    int count;
};

// The player of one action set over one sprite set; the caller owns it.
struct AnimObj {
    AnimSet *set;
    SprSet *spr;
    int ownsSpr;        // AnimObjFree frees the sprite set too
    int actionSlot;
    int elemIndex;
    int elapsed;        // ticks since the last action change, not reset by looping
    int time;           // one past the tick shown, after a tick
    int transOverride;  // -1: each element's own kind
    int alphaSrcScale, alphaDstScale;
    int sprIndex;       // image slot of the current element, -1 when missing
    DrawList *drawList; // null: draw at once
    int drawPriority;
    // What sprIndex was looked up for: the element, the sprite set and the
    // change stamp of its images, so that a tick looks it up again only when one
    // of them changed.
    const AnimElem *sprElem;
    const SprSet *sprFor;
    const Array *sprImages;
    uint64_t sprChanges;
};

AnimSet *AnimLoadFile(const char *path);
AnimSet *AnimSetParse(TxtParseFile *parser);
int AnimElemParse(const char *text, AnimElem *elem, const char *groupLine, int index);
void AnimSetFree(AnimSet *set);

int AnimSetFindAction(const AnimSet *set, int k1, int k2);
AnimAction *AnimSetActionAt(const AnimSet *set, int slot);
int AnimSetActionGroupAt(const AnimSet *set, int slot);
int AnimSetActionNoAt(const AnimSet *set, int slot);
int AnimSetActionTime(const AnimSet *set, int k1, int k2);
int AnimSetLoopStartTime(const AnimSet *set, int k1, int k2);
// Element record of an action, null when the index is out of range.
AnimElem *AnimActionElemAt(const AnimAction *action, int index);

AnimObj *AnimObjCreate(AnimSet *set, SprSet *spr);
void AnimObjInit(AnimObj *obj, AnimSet *set, SprSet *spr);
void AnimObjCopy(AnimObj *dest, const AnimObj *src);
void AnimObjFree(AnimObj *obj);
int AnimObjTick(AnimObj *obj);
void AnimObjRestart(AnimObj *obj);
int AnimObjChangeAction(AnimObj *obj, int k1, int k2);
int AnimObjChangeActionAt(AnimObj *obj, int k1, int k2, int startTime);
int AnimObjChangeActionElem(AnimObj *obj, int k1, int k2, int elemIndex);

// The current element record.
AnimElem *AnimObjElem(const AnimObj *obj);
int AnimObjActionNo(const AnimObj *obj);
int AnimObjActionGroup(const AnimObj *obj);
int AnimObjActionTime(const AnimObj *obj);
int AnimObjLoopStartTime(const AnimObj *obj);
int AnimObjTime(const AnimObj *obj);
int AnimObjTimeOrLoopStart(const AnimObj *obj);
int AnimObjSprite(const AnimObj *obj);
int AnimObjElemStartTime(const AnimObj *obj, int index);
int AnimObjElemAtTime(const AnimObj *obj, int offset);

int AnimFlipCombine(int a, int b);

// Draw the element shown now (flip bits mirror about the position). With a
// draw list attached the draw is queued there instead of made at once.
void AnimObjDraw(AnimObj *obj, int x, int y);
void AnimObjDrawFlip(AnimObj *obj, int x, int y, int flip);
void AnimObjDrawScaled(AnimObj *obj, float x, float y, float xScale, float yScale);
void AnimObjDrawScaledFlip(AnimObj *obj, float x, float y, float xScale, float yScale, int flip);
void AnimObjDrawAngle(AnimObj *obj, float x, float y, float angle, float xScale, float yScale, int flip);
