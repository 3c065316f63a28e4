// Afterimages: trail records with their frame rings, and the game's pool of them that players and projectiles borrow.
#pragma once
#include "lib/pal.h"

struct Array;
struct AnimObj;
struct Player;
struct Projectile;

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
    int count;                // frames held in the ring, at most the length
};

// Clears a record and allocates its frames, each with a 256-colour palette;
// 0 when memory runs out (the record is left empty).
int AfterImageInit(AfterImage *ai, int frameCount);
// The same for a new record; null when memory runs out, nothing left allocated.
AfterImage *AfterImageCreate(int frameCount);
// Frees the frames and their palettes and zeroes the record.
void AfterImageRelease(AfterImage *ai);
// Releases and frees a record made by AfterImageCreate.
void AfterImageFree(AfterImage *ai);
// Starts the trail of the animation player with the parameters. Gaps below 1
// count as 1 and the length is kept within 1 and the record's capacity, so
// the ring never holds more frames than it has.
void AfterImageSetParams(AfterImage *ai, const AfterImageParams *params, AnimObj *anim);
// One tick of recording at the owner's place (the current element's offset
// is added, mirrored by the flips); advance counts the tick. 0 when the
// record is inactive or its time has run out (it turns inactive then).
int AfterImageRecord(AfterImage *ai, float x, float y, float xScale, float yScale, float angle, int flip,
                     int advance);
// Queues the trail, newest copy first and nearest to the owner, into the
// animation player's draw list (drawn at once without one), shifted by x, y.
void AfterImageDraw(AfterImage *ai, int x, int y, int priority);

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
// A free record of the game's pool lent to the owner, or null.
AfterImage *AfterImagePoolTake(void *owner);
// Gives a borrowed record back: no owner, not active.
void AfterImageGiveBack(AfterImage *ai);

// The trails of players and their projectiles, as the round loop records and
// draws them. A recording that ends gives the record back; a link to a record
// the pool has taken back is dropped, never given back twice.
AfterImage *AfterImagePlayerHeld(Player *pl);
void AfterImagePlayerRecord(Player *pl);
void AfterImagePlayerRelease(Player *pl);
void AfterImageExplodRelease(Projectile *proj);
void AfterImageExplodRecord(Projectile *proj);
void AfterImageExplodRecordAll(Player *pl);
void AfterImagePlayerDraw(Player *pl);
void AfterImageExplodDraw(Projectile *proj, int priority);
void AfterImageExplodDrawAll(Player *pl);
