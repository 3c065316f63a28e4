// Slot arrays: fixed-size elements in slots that keep their index, with two keys per slot and one iteration cursor.
#pragma once
#include <cstdint>

struct ArraySlot {
    int used;    // 0 or 1
    int serial;  // the array's next serial at the time of the add
    int key1;
    int key2;
};

struct ArrayIndex;

struct Array {
    void *owner;  // stored at creation, never read here
    int elemSize;
    int used;
    int capacity;
    int nextSerial;  // counts every add since creation; wraps
    unsigned char *elements;  // capacity x elemSize bytes
    ArraySlot *slots;         // capacity + 1 records; the last one stays free
    int cursor;
    int iterCount;
    int lowest;   // lowest in-use slot, 0 when empty
    int highest;  // highest in-use slot, 0 when empty
    // Below: what makes adds and lookups cheap at any size, invisible to callers.
    int storage;        // element slots allocated, at least the capacity
    ArrayIndex *index;  // key pair to slots, kept once the array has held enough elements
    // Moves on every change of slots or keys, and no two arrays ever share a
    // value (an array made where a freed one was included), so that a lookup's
    // result can be kept while it stays.
    uint64_t changes;
};

// Null when memory runs out or the sizes are negative or too large.
Array *ArrayCreate(int capacity, int elemSize, void *owner);
Array *ArrayClone(const Array *a);
// Copies header, elements and tags of src into dst (same element size), growing
// dst first when it is smaller. 0 when that growth fails.
int ArrayCopy(Array *dst, const Array *src);
void ArrayFree(Array *a);

int ArrayHasRoom(const Array *a);
// Slot index, or -1 when full.
int ArrayAdd(Array *a, const void *elem, int key1, int key2);
// Overwrites the element with these keys, else adds it. Slot index or -1.
int ArraySet(Array *a, const void *elem, int key1, int key2);
// As ArrayAdd and ArraySet, growing a full array by one slot first.
int ArrayAddGrow(Array *a, const void *elem, int key1, int key2);
int ArraySetGrow(Array *a, const void *elem, int key1, int key2);
void ArrayRemove(Array *a, int slot);
void ArrayClear(Array *a);
// 0 when smaller than the capacity or memory runs out; 1 when equal or grown.
int ArrayResize(Array *a, int newCapacity);
// The slot ArrayAdd would take, -1 when full.
int ArrayNextFree(const Array *a);

// Element storage by raw index, for 0 <= index < used count; else null.
void *ArrayAtRaw(const Array *a, int index);
// Element of a slot; the index must lie in 0..capacity-1.
void *ArrayAt(const Array *a, int slot);
// Slot of the in-use element with these keys, or -1.
int ArrayFind(const Array *a, int key1, int key2);
void *ArrayFindElem(const Array *a, int key1, int key2);
int ArrayKey1(const Array *a, int slot);
int ArrayKey2(const Array *a, int slot);
// Gives an in-use slot new keys.
void ArrayKeysSet(Array *a, int slot, int key1, int key2);

// Iteration in slot order; the current element may be removed between calls.
void *ArrayFirst(Array *a);
void *ArrayNext(Array *a);
