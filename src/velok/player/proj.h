// Projectiles: each player's fixed list of flying attacks with their motion, bounds, end animations, drawing and counts.
#pragma once

#include "lib/anim-lib.h"
#include "velok/script/sc-hitdef.h"

struct AfterImage;
struct Array;
struct ClsnList;
struct Player;
struct ShadowSettings;
struct SprSet;

enum ProjState {
    PROJ_STATE_NONE = 0,
    PROJ_STATE_FLYING = 1,
    PROJ_STATE_REMOVED = 2,    // playing its remove animation
    PROJ_STATE_CANCELLED = 3,  // playing its cancel animation
    PROJ_STATE_HIT = 4,        // playing its hit animation
};

enum {
    PROJ_CAPACITY_MIN = 5,
    PROJ_DEPTH_REACH = 8,      // z distance within which projectiles touch
};

struct Projectile {
    int id;
    int state;                 // ProjState
    int side;                  // the launching player's side
    int priority;
    int hitAnim, removeAnim, cancelAnim;  // actions, -1 none
    int hits;                  // hits left
    int age;                   // ticks updated, for the pause move times
    int stateTime;             // ticks in the current state
    int hitPause;              // motion stops while above 0, the animation runs on
    int missCounter;           // ticks before it may hit again
    int missTime;
    int facing;                // 1 or -1
    int remove;
    int removeTime;            // -1 never
    int shadow;                // 0 none, -1 the stage's colour, else RGB565
    float x, y, z;
    float depthScale;
    float xScale, yScale;
    int screenX, screenY;
    float velX, velY;
    float remVelX, remVelY;    // the velocity once it leaves flight
    float velMulX, velMulY;
    float accelX, accelY;
    int edgeBound;
    int stageLeft, heightLow, stageRight, heightHigh;
    HitDef hitDef;
    AnimObj anim;
    int sprPriority;
    int frozen;                // a pause held it this tick
    int pendingHit, pendingPause, pendingMiss;  // the hit engine's, applied after its hit pass
    int pauseMoveTime, superMoveTime;
    AfterImage *afterImage;    // borrowed from the game's pool, or null
};

// The owner's list; new projectiles draw with its animation and sprite sets.
struct ProjList {
    Array *projs;   // Projectile, a fixed number of slots
    AnimSet *anims;
    SprSet *spr;
};

// Null when memory runs out.
ProjList *ProjListCreate(int capacity, AnimSet *anims, SprSet *spr);
// Gives back the afterimage records and frees the list.
void ProjListFree(ProjList *list);
// Copies the template into a free slot; its animation player starts as a copy
// of the owner's and plays the action from its first element in the owner
// character's actions. The slot, or -1 when the list is full or the action is
// missing.
int ProjListAdd(Player *owner, ProjList *list, const Projectile *proj, int action);
// Gives back the projectile's afterimage record and frees the slot.
void ProjListRemove(ProjList *list, int index);
// Removes every projectile (round start).
void ProjListClear(ProjList *list);
// The projectile in a slot, null when the slot is free or out of range.
Projectile *ProjListAt(const ProjList *list, int index);
// Slots of the list (used or not), 0 for no list.
int ProjListCapacity(const ProjList *list);
// One past the highest slot in use (0 when none): walks over the live
// projectiles stop there instead of passing every free slot each tick.
int ProjListEnd(const ProjList *list);
// Projectiles in the list in any state.
int ProjListCount(const ProjList *list);

// One tick: pause freezing, flight with its bounds and remove time, the end
// animations, deletion, and the animation step.
void ProjListUpdate(ProjList *list);
// Depth scale and screen position of every projectile.
void ProjListUpdateScreenPos(ProjList *list);
// Flying projectiles; with that ID.
int ProjListCountActive(const ProjList *list);
int ProjListCountId(const ProjList *list, int id);
// 1 when the attack boxes of any flying projectile overlap the boxes placed
// at (x, y), mirrored when flip is set.
int ProjListHitTest(const ProjList *list, const ClsnList *boxes, int x, int y, int flip);

void ProjListDraw(ProjList *list);
void ProjListDrawShadows(ProjList *list, const ShadowSettings *shadow, int reflect, float zoom);
// Debug display: the collision boxes in red.
void ProjListDrawClsn(ProjList *list, float zoom);
