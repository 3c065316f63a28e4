// Slot arrays: fixed-size elements in slots that keep their index, with two keys per slot and one iteration cursor.
#include "lib/array.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "lib/libbase.h"

// Both blocks are sized in size_t; refuse anything whose byte count would not fit.
static int ArraySizesValid(int capacity, int elemSize)
{
    if (capacity < 0 || elemSize < 0 || capacity == INT_MAX)
        return 0;
    if (elemSize && (size_t)capacity > SIZE_MAX / (size_t)elemSize)
        return 0;
    if ((size_t)capacity + 1 > SIZE_MAX / sizeof(ArraySlot))
        return 0;
    return 1;
}

static unsigned char *ArrayElem(const Array *a, int slot)
{
    return a->elements + (size_t)slot * (size_t)a->elemSize;
}

Array *ArrayCreate(int capacity, int elemSize, void *owner)
{
    if (!ArraySizesValid(capacity, elemSize))
        return nullptr;
    Array *a = (Array *)LibCalloc(1, sizeof(Array));
    if (!a)
        return nullptr;
    a->elements = (unsigned char *)LibCalloc((size_t)capacity, (size_t)elemSize);
    a->slots = (ArraySlot *)LibCalloc((size_t)capacity + 1, sizeof(ArraySlot));
    if (!a->elements || !a->slots) {
        MemFree(a->elements);
        MemFree(a->slots);
        MemFree(a);
        return nullptr;
    }
    a->owner = owner;
    a->elemSize = elemSize;
    a->capacity = capacity;
    return a;
}

Array *ArrayClone(const Array *a)
{
    LIB_ASSERT(a);
    Array *c = ArrayCreate(a->capacity, a->elemSize, a->owner);
    if (!c)
        return nullptr;
    if (!ArrayCopy(c, a)) {
        ArrayFree(c);
        return nullptr;
    }
    return c;
}

int ArrayCopy(Array *dst, const Array *src)
{
    LIB_ASSERT(dst && src);
    LIB_ASSERT(dst->elemSize == src->elemSize);
    if (dst == src)
        return 1;
    if (dst->capacity < src->capacity && !ArrayResize(dst, src->capacity))
        return 0;
    size_t n = (size_t)src->capacity;
    if (n)
        memcpy(dst->elements, src->elements, n * (size_t)src->elemSize);
    memcpy(dst->slots, src->slots, n * sizeof(ArraySlot));
    // Tags past the copied range must not survive from dst's old contents:
    // they would sit outside the used bounds and break lookups.
    size_t extra = (size_t)dst->capacity - n;
    if (extra)
        MemZero(ArrayElem(dst, src->capacity), extra * (size_t)dst->elemSize);
    MemZero(dst->slots + n, (extra + 1) * sizeof(ArraySlot));
    dst->owner = src->owner;
    dst->used = src->used;
    dst->nextSerial = src->nextSerial;
    dst->cursor = src->cursor;
    dst->iterCount = src->iterCount;
    dst->lowest = src->lowest;
    dst->highest = src->highest;
    return 1;
}

void ArrayFree(Array *a)
{
    if (!a)
        return;
    MemFree(a->elements);
    MemFree(a->slots);
    MemFree(a);
}

int ArrayHasRoom(const Array *a)
{
    return a->used < a->capacity;
}

int ArrayNextFree(const Array *a)
{
    if (a->used >= a->capacity)
        return -1;
    if (a->used == 0)
        return 0;
    if (a->used < a->highest - a->lowest + 1) {
        for (int i = a->lowest + 1; i < a->highest; i++)
            if (!a->slots[i].used)
                return i;
    }
    if (a->lowest > 0)
        return a->lowest - 1;
    return a->highest + 1;
}

int ArrayAdd(Array *a, const void *elem, int key1, int key2)
{
    int slot = ArrayNextFree(a);
    if (slot < 0)
        return -1;
    LIB_ASSERT(slot < a->capacity);
    LIB_ASSERT(!a->slots[slot].used);
    if (a->elemSize)
        memcpy(ArrayElem(a, slot), elem, (size_t)a->elemSize);
    ArraySlot *s = &a->slots[slot];
    s->used = 1;
    s->serial = a->nextSerial;
    s->key1 = key1;
    s->key2 = key2;
    a->nextSerial = (int)((unsigned)a->nextSerial + 1u);
    if (a->used == 0) {
        a->lowest = slot;
        a->highest = slot;
    } else {
        if (slot < a->lowest)
            a->lowest = slot;
        if (slot > a->highest)
            a->highest = slot;
    }
    a->used++;
    return slot;
}

int ArraySet(Array *a, const void *elem, int key1, int key2)
{
    int slot = ArrayFind(a, key1, key2);
    if (slot < 0)
        return ArrayAdd(a, elem, key1, key2);
    if (a->elemSize)
        memcpy(ArrayElem(a, slot), elem, (size_t)a->elemSize);
    return slot;
}

int ArrayAddGrow(Array *a, const void *elem, int key1, int key2)
{
    if (!ArrayHasRoom(a) && !ArrayResize(a, a->capacity + 1))
        return -1;
    return ArrayAdd(a, elem, key1, key2);
}

int ArraySetGrow(Array *a, const void *elem, int key1, int key2)
{
    if (!ArrayHasRoom(a) && !ArrayResize(a, a->capacity + 1))
        return -1;
    return ArraySet(a, elem, key1, key2);
}

void ArrayRemove(Array *a, int slot)
{
    LIB_ASSERT(slot >= 0 && slot < a->capacity && a->slots[slot].used);
    a->slots[slot].used = 0;
    a->used--;
    if (a->used == 0) {
        a->lowest = 0;
        a->highest = 0;
        return;
    }
    if (slot == a->lowest) {
        int i = slot + 1;
        while (i < a->highest && !a->slots[i].used)
            i++;
        a->lowest = i;
    }
    if (slot == a->highest) {
        int i = slot - 1;
        while (i > a->lowest && !a->slots[i].used)
            i--;
        a->highest = i;
    }
}

void ArrayClear(Array *a)
{
    for (int i = 0; i <= a->capacity; i++)
        a->slots[i].used = 0;
    a->used = 0;
    a->cursor = 0;
    a->iterCount = 0;
    a->lowest = 0;
    a->highest = 0;
}

int ArrayResize(Array *a, int newCapacity)
{
    if (newCapacity < a->capacity)
        return 0;
    if (newCapacity == a->capacity)
        return 1;
    if (!ArraySizesValid(newCapacity, a->elemSize))
        return 0;
    // New blocks first, so that a failure leaves the array as it was.
    unsigned char *elements = (unsigned char *)LibCalloc((size_t)newCapacity, (size_t)a->elemSize);
    ArraySlot *slots = (ArraySlot *)LibCalloc((size_t)newCapacity + 1, sizeof(ArraySlot));
    if (!elements || !slots) {
        MemFree(elements);
        MemFree(slots);
        return 0;
    }
    if (a->capacity && a->elemSize)
        memcpy(elements, a->elements, (size_t)a->capacity * (size_t)a->elemSize);
    memcpy(slots, a->slots, (size_t)a->capacity * sizeof(ArraySlot));
    MemFree(a->elements);
    MemFree(a->slots);
    a->elements = elements;
    a->slots = slots;
    a->capacity = newCapacity;
    return 1;
}

void *ArrayAtRaw(const Array *a, int index)
{
    if (index < 0 || index >= a->used)
        return nullptr;
    return ArrayElem(a, index);
}

void *ArrayAt(const Array *a, int slot)
{
    LIB_ASSERT(slot >= 0 && slot < a->capacity);
    return ArrayElem(a, slot);
}

// Read-only scan of the used range: other threads may look up the same array,
// so nothing is written here (no sentinel).
int ArrayFind(const Array *a, int key1, int key2)
{
    if (a->used == 0)
        return -1;
    LIB_ASSERT(a->lowest <= a->highest);
    LIB_ASSERT(!a->slots[a->highest + 1].used);
    for (int i = a->lowest; i <= a->highest; i++) {
        const ArraySlot *s = &a->slots[i];
        if (s->key1 == key1 && s->key2 == key2 && s->used)
            return i;
    }
    return -1;
}

void *ArrayFindElem(const Array *a, int key1, int key2)
{
    int slot = ArrayFind(a, key1, key2);
    return slot < 0 ? nullptr : ArrayElem(a, slot);
}

int ArrayKey1(const Array *a, int slot)
{
    LIB_ASSERT(a);
    LIB_ASSERT(slot >= 0 && slot < a->capacity);
    return a->slots[slot].key1;
}

int ArrayKey2(const Array *a, int slot)
{
    LIB_ASSERT(a);
    LIB_ASSERT(slot >= 0 && slot < a->capacity);
    return a->slots[slot].key2;
}

void *ArrayFirst(Array *a)
{
    if (a->used == 0)
        return nullptr;
    a->cursor = a->lowest;
    a->iterCount = 1;
    return ArrayElem(a, a->cursor);
}

void *ArrayNext(Array *a)
{
    if (a->used == 0 || a->cursor >= a->highest)
        return nullptr;
    int i = a->cursor + 1;
    while (i < a->highest && !a->slots[i].used)
        i++;
    a->cursor = i;
    a->iterCount++;
    return ArrayElem(a, i);
}
