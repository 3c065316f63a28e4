// Slot arrays: fixed-size elements in slots that keep their index, with two keys per slot and one iteration cursor.
#include "lib/array.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
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

// Each array's change stamps start at its own multiple of 2^32: a lookup kept
// for one array is never taken for another's that happens to lie at the same
// address after the first was freed.
static std::atomic<uint64_t> arraysMade{0};

static unsigned char *ArrayElem(const Array *a, int slot)
{
    return a->elements + (size_t)slot * (size_t)a->elemSize;
}

// ---------------------------------------------------------------- key index

// Key pairs to slots, so that a lookup costs the same in a set of ten
// thousand as in a set of ten: open addressing with linear probing, one entry
// per in-use slot (a key pair may be in several). The first match of the slot
// scan is the lowest slot among a key pair's entries. The index is sized with
// the storage (at most half full then), so that it allocates only where the
// array itself may: creating, copying and growing. Arrays of fewer slots are
// scanned instead, and so is an array whose index could not get memory: the
// index never decides whether an array operation succeeds, and its blocks
// come from the C library directly, so that a failure raises no
// out-of-memory flag either.
enum { ARRAY_INDEX_FROM = 8 };

struct ArrayIndexEntry {
    int key1, key2;
    int slot;  // -1: empty
};

struct ArrayIndex {
    ArrayIndexEntry *entries;
    unsigned mask;  // table size - 1, a power of two less one
    int count;      // entries in use
};

static unsigned IndexHash(int key1, int key2, unsigned mask)
{
    uint64_t x = (uint64_t)(uint32_t)key1 << 32 | (uint32_t)key2;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return (unsigned)x & mask;
}

static void IndexPut(ArrayIndex *ix, int key1, int key2, int slot)
{
    unsigned i = IndexHash(key1, key2, ix->mask);
    while (ix->entries[i].slot >= 0)
        i = (i + 1) & ix->mask;
    ix->entries[i] = ArrayIndexEntry{key1, key2, slot};
    ix->count++;
}

static void IndexErase(ArrayIndex *ix, int key1, int key2, int slot)
{
    unsigned i = IndexHash(key1, key2, ix->mask);
    while (ix->entries[i].slot >= 0 &&
           !(ix->entries[i].slot == slot && ix->entries[i].key1 == key1 && ix->entries[i].key2 == key2))
        i = (i + 1) & ix->mask;
    if (ix->entries[i].slot < 0)
        return;
    // Later entries of the run move back into the hole when their home lies
    // at or before it, so that no probe stops short of them.
    unsigned hole = i;
    for (unsigned j = (i + 1) & ix->mask; ix->entries[j].slot >= 0; j = (j + 1) & ix->mask) {
        unsigned home = IndexHash(ix->entries[j].key1, ix->entries[j].key2, ix->mask);
        bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            ix->entries[hole] = ix->entries[j];
            hole = j;
        }
    }
    ix->entries[hole].slot = -1;
    ix->count--;
}

static int IndexFind(const ArrayIndex *ix, int key1, int key2)
{
    int best = -1;
    for (unsigned i = IndexHash(key1, key2, ix->mask); ix->entries[i].slot >= 0; i = (i + 1) & ix->mask) {
        const ArrayIndexEntry *e = &ix->entries[i];
        if (e->key1 == key1 && e->key2 == key2 && (best < 0 || e->slot < best))
            best = e->slot;
    }
    return best;
}

static void IndexEmpty(ArrayIndex *ix)
{
    for (unsigned i = 0; i <= ix->mask; i++)
        ix->entries[i].slot = -1;
    ix->count = 0;
}

static void IndexFree(Array *a)
{
    if (a->index) {
        free(a->index->entries);
        free(a->index);
        a->index = nullptr;
    }
}

// Entries for every in-use slot.
static void IndexFill(Array *a)
{
    IndexEmpty(a->index);
    if (a->used > 0)
        for (int i = a->lowest; i <= a->highest; i++)
            if (a->slots[i].used)
                IndexPut(a->index, a->slots[i].key1, a->slots[i].key2, i);
}

// An index with room for every slot of the storage, holding the in-use ones;
// none for a small array or when memory runs out.
static void IndexFit(Array *a)
{
    if (a->storage < ARRAY_INDEX_FROM || a->storage > INT_MAX / 4) {
        IndexFree(a);
        return;
    }
    size_t size = 16;
    while (size < (size_t)a->storage * 2 + 2)
        size *= 2;
    if (a->index && (size_t)a->index->mask + 1 >= size)
        return;
    ArrayIndex *ix = a->index ? a->index : (ArrayIndex *)malloc(sizeof(ArrayIndex));
    ArrayIndexEntry *entries = ix ? (ArrayIndexEntry *)malloc(size * sizeof(ArrayIndexEntry)) : nullptr;
    if (!entries) {
        if (ix != a->index)
            free(ix);
        IndexFree(a);
        return;
    }
    if (ix == a->index)
        free(ix->entries);
    ix->entries = entries;
    ix->mask = (unsigned)(size - 1);
    a->index = ix;
    IndexFill(a);
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
    a->storage = capacity;
    a->changes = (arraysMade.fetch_add(1, std::memory_order_relaxed) + 1) << 32;
    IndexFit(a);
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
    size_t extra = (size_t)dst->storage - n;
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
    dst->changes++;
    if (dst->index)
        IndexFill(dst);
    return 1;
}

void ArrayFree(Array *a)
{
    if (!a)
        return;
    IndexFree(a);
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
    if (a->index)
        IndexPut(a->index, key1, key2, slot);
    if (a->elemSize)
        memcpy(ArrayElem(a, slot), elem, (size_t)a->elemSize);
    ArraySlot *s = &a->slots[slot];
    s->used = 1;
    s->serial = a->nextSerial;
    s->key1 = key1;
    s->key2 = key2;
    a->nextSerial = (int)((unsigned)a->nextSerial + 1u);
    a->changes++;
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

// Storage for at least want slots: reallocated, the new part zeroed.
static int ArrayReserve(Array *a, int want)
{
    if (want <= a->storage)
        return 1;
    if (!ArraySizesValid(want, a->elemSize))
        return 0;
    // New blocks first, so that a failure leaves the array as it was.
    unsigned char *elements = (unsigned char *)LibCalloc((size_t)want, (size_t)a->elemSize);
    ArraySlot *slots = (ArraySlot *)LibCalloc((size_t)want + 1, sizeof(ArraySlot));
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
    a->storage = want;
    IndexFit(a);
    return 1;
}

// One more slot of capacity, as the growing adds promise; the storage under
// it grows by half at a time, so that a run of adds costs linear time.
static int ArrayGrowOne(Array *a)
{
    if (a->capacity == INT_MAX - 1)
        return 0;
    if (a->capacity + 1 > a->storage) {
        int64_t want = (int64_t)a->storage + a->storage / 2 + 4;
        if (want > INT_MAX - 1 || !ArrayReserve(a, (int)want))
            if (!ArrayReserve(a, a->capacity + 1))
                return 0;
    }
    return ArrayResize(a, a->capacity + 1);
}

int ArrayAddGrow(Array *a, const void *elem, int key1, int key2)
{
    if (!ArrayHasRoom(a) && !ArrayGrowOne(a))
        return -1;
    return ArrayAdd(a, elem, key1, key2);
}

int ArraySetGrow(Array *a, const void *elem, int key1, int key2)
{
    if (!ArrayHasRoom(a) && !ArrayGrowOne(a))
        return -1;
    return ArraySet(a, elem, key1, key2);
}

void ArrayRemove(Array *a, int slot)
{
    LIB_ASSERT(slot >= 0 && slot < a->capacity && a->slots[slot].used);
    if (a->index)
        IndexErase(a->index, a->slots[slot].key1, a->slots[slot].key2, slot);
    a->slots[slot].used = 0;
    a->used--;
    a->changes++;
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
    a->changes++;
    // A list that fills a little and empties every frame takes its few
    // entries out of the index rather than wiping the whole table.
    if (a->index && a->index->count > 0 && (size_t)a->index->count * 8 < (size_t)a->index->mask + 1) {
        for (int i = a->lowest; i <= a->highest; i++)
            if (a->slots[i].used)
                IndexErase(a->index, a->slots[i].key1, a->slots[i].key2, i);
    } else if (a->index && a->index->count > 0) {
        IndexEmpty(a->index);
    }
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
    if (newCapacity == INT_MAX || !ArrayReserve(a, newCapacity))
        return 0;
    // Within the storage: the slots gained (and the sentinel after them) start
    // free and zeroed, as newly allocated ones would.
    MemZero(ArrayElem(a, a->capacity), (size_t)(newCapacity - a->capacity) * (size_t)a->elemSize);
    MemZero(a->slots + a->capacity, (size_t)(newCapacity - a->capacity + 1) * sizeof(ArraySlot));
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

// Read-only, through the index or a scan of the used range: other threads may
// look up the same array, so nothing is written here (no sentinel).
int ArrayFind(const Array *a, int key1, int key2)
{
    if (a->used == 0)
        return -1;
    LIB_ASSERT(a->lowest <= a->highest);
    LIB_ASSERT(!a->slots[a->highest + 1].used);
    if (a->index)
        return IndexFind(a->index, key1, key2);
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

void ArrayKeysSet(Array *a, int slot, int key1, int key2)
{
    LIB_ASSERT(a);
    LIB_ASSERT(slot >= 0 && slot < a->capacity && a->slots[slot].used);
    ArraySlot *s = &a->slots[slot];
    if (a->index) {
        IndexErase(a->index, s->key1, s->key2, slot);
        IndexPut(a->index, key1, key2, slot);
    }
    s->key1 = key1;
    s->key2 = key2;
    a->changes++;
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
