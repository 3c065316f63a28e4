// Afterimages: trail records with their frame rings, and the game's pool of them that players and projectiles borrow.
#include "velok/player/afterimg.h"

#include <cstring>

#include "lib/array.h"
#include "lib/libbase.h"

int AfterImageInit(AfterImage *ai, int frameCount)
{
    memset(ai, 0, sizeof(*ai));
    if (frameCount <= 0)
        return 0;
    AfterImageFrame *frames = (AfterImageFrame *)LibCalloc((size_t)frameCount, sizeof(AfterImageFrame));
    if (!frames)
        return 0;
    ai->frames = frames;
    ai->capacity = frameCount;
    for (int i = 0; i < frameCount; i++) {
        frames[i].spr = -1;
        if (!PalInit(&frames[i].pal, PAL_MAX_COLORS, nullptr, 1)) {
            AfterImageRelease(ai);
            return 0;
        }
    }
    return 1;
}

void AfterImageRelease(AfterImage *ai)
{
    if (ai->frames) {
        for (int i = 0; i < ai->capacity; i++)
            PalFree(&ai->frames[i].pal);
        MemFree(ai->frames);
    }
    memset(ai, 0, sizeof(*ai));
}

Array *AfterImagePoolCreate(int count, int frames)
{
    if (count < 0)
        return nullptr;
    Array *pool = ArrayCreate(count, sizeof(AfterImage), nullptr);
    if (!pool)
        return nullptr;
    for (int i = 0; i < count; i++) {
        AfterImage rec;
        memset(&rec, 0, sizeof(rec));
        int slot = ArrayAdd(pool, &rec, i, 0);
        if (slot < 0 || !AfterImageInit((AfterImage *)ArrayAt(pool, slot), frames)) {
            AfterImagePoolFree(pool);
            return nullptr;
        }
    }
    return pool;
}

void AfterImagePoolFree(Array *pool)
{
    if (!pool)
        return;
    for (int i = 0; i < pool->used; i++)
        AfterImageRelease((AfterImage *)ArrayAtRaw(pool, i));
    ArrayFree(pool);
}

AfterImage *AfterImagePoolFindFree(Array *pool)
{
    if (!pool)
        return nullptr;
    for (int i = 0; i < pool->used; i++) {
        AfterImage *ai = (AfterImage *)ArrayAtRaw(pool, i);
        if (ai->owner)
            continue;
        // A record given back must have stopped recording.
        LIB_ASSERT(!ai->active);
        return ai;
    }
    return nullptr;
}

void AfterImagePoolReset(Array *pool)
{
    if (!pool)
        return;
    for (int i = 0; i < pool->used; i++) {
        AfterImage *ai = (AfterImage *)ArrayAtRaw(pool, i);
        ai->owner = nullptr;
        ai->active = 0;
    }
}

int AfterImagePoolCount(Array *pool)
{
    if (!pool)
        return 0;
    int n = 0;
    for (int i = 0; i < pool->used; i++)
        n += ((AfterImage *)ArrayAtRaw(pool, i))->owner != nullptr;
    return n;
}
