// Afterimages: trail records with their frame rings, and the game's pool of them that players and projectiles borrow.
#pragma once
#include "lib/pal.h"

struct Array;
struct AnimObj;

// One recorded frame of a trail.
struct AfterImageFrame {
    int spr;            // sprite slot, -1 for a blank frame
    float x, y;
    float xScale, yScale;
    int flip;
    int priority;
    float angle;
    Palette pal;        // owned, 256 colours
};

struct AfterImageParams {
    int time, length, timeGap, frameGap;
    int palColor, palInvertAll;
    int palBright[3], palContrast[3], palPostBright[3], palAdd[3];
    float palMul[3];
    int trans, alphaSrc, alphaDst;
};

struct AfterImage {
    AfterImageFrame *frames;  // owned ring
    int capacity;
    AnimObj *anim;            // the bound animation player, or none
    int oldest, write;
    int tickCount;
    int active;
    AfterImageParams params;
    void *owner;              // the player or projectile borrowing a pool record
};

// Clears a record and allocates its frames, each with a 256-colour palette;
// 0 when memory runs out (the record is left empty).
int AfterImageInit(AfterImage *ai, int frameCount);
// Frees the frames and their palettes and zeroes the record.
void AfterImageRelease(AfterImage *ai);

// The game's pool: an Array of count records of frames frames each; null when
// memory runs out, with everything made so far freed.
Array *AfterImagePoolCreate(int count, int frames);
void AfterImagePoolFree(Array *pool);
// The first record without an owner, or null.
AfterImage *AfterImagePoolFindFree(Array *pool);
// Gives every record back: no owner, not active (round start).
void AfterImagePoolReset(Array *pool);
// Records that have an owner.
int AfterImagePoolCount(Array *pool);
