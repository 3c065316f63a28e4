#include "lib/array.h"

#include <climits>
#include <random>
#include <vector>

#include "support/testkit.h"

namespace {

// An array of ints whose element value equals key 1, for easy checks.
struct IntArray {
    Array *a;
    explicit IntArray(int cap) : a(ArrayCreate(cap, sizeof(int), nullptr)) {}
    ~IntArray() { ArrayFree(a); }
    int Add(int k) { return ArrayAdd(a, &k, k, 0); }
};

std::vector<int> UsedSlots(const Array *a)
{
    std::vector<int> out;
    for (int i = 0; i < a->capacity; i++)
        if (a->slots[i].used)
            out.push_back(i);
    return out;
}

// The lookup as the slot scan defines it: the lowest in-use slot of the used
// range with both keys, -1 when none.
int ReferenceFind(const Array *a, int key1, int key2)
{
    if (a->used == 0)
        return -1;
    for (int i = a->lowest; i <= a->highest; i++)
        if (a->slots[i].used && a->slots[i].key1 == key1 && a->slots[i].key2 == key2)
            return i;
    return -1;
}

// Every key pair of the small key space used below (and one never used) is
// found where the scan finds it.
::testing::AssertionResult LookupsMatch(const Array *a)
{
    for (int k1 = -1; k1 <= 6; k1++)
        for (int k2 = 0; k2 <= 3; k2++) {
            int got = ArrayFind(a, k1, k2), want = ReferenceFind(a, k1, k2);
            if (got != want)
                return ::testing::AssertionFailure()
                       << "keys (" << k1 << ", " << k2 << "): found " << got << ", the scan finds " << want
                       << " (used " << a->used << ")";
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Array, SlotChoiceTable)
{
    // Each case: slots made busy (added in order, then the listed ones removed),
    // then the slots the next adds must take.
    struct Case {
        int fill;                 // add this many into slots 0..fill-1
        std::vector<int> remove;  // then remove these
        std::vector<int> next;    // expected slots of the following adds
    } cases[] = {
        {0, {}, {0, 1, 2}},
        {4, {0}, {0, 4}},             // dense 1..3: below the lowest first
        {4, {2}, {2, 4}},             // hole inside the range
        {6, {0, 1}, {1, 0, 6, 7}},    // 2..5 dense: down to 0, then up
        {6, {0, 1, 3}, {3, 1, 0, 6}}, // hole above lowest wins over lowest-1
        {1, {0}, {0}},                // removing the only element
        {8, {}, {-1}},                // full
    };
    for (auto &c : cases) {
        IntArray t(8);
        for (int i = 0; i < c.fill; i++)
            ASSERT_EQ(t.Add(i), i);
        for (int s : c.remove)
            ArrayRemove(t.a, s);
        for (int want : c.next) {
            EXPECT_EQ(ArrayNextFree(t.a), want);
            EXPECT_EQ(t.Add(100 + want), want);
        }
    }
}

TEST(Array, BoundsFollowAddsAndRemoves)
{
    IntArray t(8);
    for (int i = 0; i < 5; i++)
        t.Add(i);
    ArrayRemove(t.a, 0);
    ArrayRemove(t.a, 1);
    EXPECT_EQ(t.a->lowest, 2);
    ArrayRemove(t.a, 4);
    ArrayRemove(t.a, 3);
    EXPECT_EQ(t.a->highest, 2);
    ArrayRemove(t.a, 2);
    EXPECT_EQ(t.a->used, 0);
    EXPECT_EQ(t.a->lowest, 0);
    EXPECT_EQ(t.a->highest, 0);
    EXPECT_EQ(t.Add(9), 0);
}

TEST(Array, FindSkipsStaleKeysOfFreeSlots)
{
    IntArray t(8);
    for (int i = 0; i < 5; i++)
        t.Add(i);
    ArrayRemove(t.a, 2);  // slot 2 still carries key (2, 0)
    EXPECT_EQ(ArrayFind(t.a, 2, 0), -1);
    EXPECT_EQ(ArrayFindElem(t.a, 2, 0), nullptr);
    EXPECT_EQ(ArrayFind(t.a, 3, 0), 3);
    EXPECT_EQ(*(int *)ArrayFindElem(t.a, 4, 0), 4);
    EXPECT_EQ(ArrayFind(t.a, 4, 1), -1);

    // Duplicate keys: the lowest slot wins.
    int v = 77;
    EXPECT_EQ(ArrayAdd(t.a, &v, 3, 0), 2);
    EXPECT_EQ(ArrayFind(t.a, 3, 0), 2);

    // The removed highest slot keeps its key but is out of the used range.
    ArrayRemove(t.a, 4);
    EXPECT_EQ(ArrayFind(t.a, 4, 0), -1);
}

TEST(Array, FindWithHighestAtLastSlot)
{
    IntArray t(4);
    for (int i = 0; i < 4; i++)
        t.Add(i);
    EXPECT_EQ(ArrayFind(t.a, 3, 0), 3);
    EXPECT_EQ(ArrayFind(t.a, 0, 0), 0);
    EXPECT_EQ(ArrayFind(t.a, 9, 0), -1);
    ArrayRemove(t.a, 1);
    EXPECT_EQ(ArrayFind(t.a, 1, 0), -1);
    EXPECT_EQ(ArrayFind(t.a, 3, 0), 3);
    // Nothing was written outside the element slots.
    EXPECT_EQ(t.a->slots[4].used, 0);
    EXPECT_EQ(t.a->slots[4].key1, 0);
}

TEST(Array, IterationWithRemoval)
{
    IntArray t(10);
    for (int i = 0; i < 8; i++)
        t.Add(i);
    ArrayRemove(t.a, 0);
    ArrayRemove(t.a, 4);

    std::vector<int> seen;
    for (int *p = (int *)ArrayFirst(t.a); p; p = (int *)ArrayNext(t.a))
        seen.push_back(*p);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(t.a->iterCount, 6);

    seen.clear();
    for (int *p = (int *)ArrayFirst(t.a); p; p = (int *)ArrayNext(t.a)) {
        seen.push_back(*p);
        ArrayRemove(t.a, t.a->cursor);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(t.a->used, 0);
    EXPECT_EQ(ArrayFirst(t.a), nullptr);
    EXPECT_EQ(ArrayNext(t.a), nullptr);
}

TEST(Array, SetOverwritesOrAdds)
{
    IntArray t(2);
    int v = 5;
    EXPECT_EQ(ArraySet(t.a, &v, 1, 2), 0);
    v = 6;
    EXPECT_EQ(ArraySet(t.a, &v, 1, 2), 0);
    EXPECT_EQ(*(int *)ArrayAt(t.a, 0), 6);
    EXPECT_EQ(t.a->used, 1);
    EXPECT_EQ(ArraySet(t.a, &v, 3, 4), 1);
    EXPECT_EQ(ArrayKey1(t.a, 1), 3);
    EXPECT_EQ(ArrayKey2(t.a, 1), 4);
    EXPECT_EQ(ArrayHasRoom(t.a), 0);
    EXPECT_EQ(ArraySet(t.a, &v, 5, 6), -1);
    EXPECT_EQ(ArraySet(t.a, &v, 3, 4), 1);  // overwrite works when full
    EXPECT_EQ(ArrayAdd(t.a, &v, 7, 7), -1);

    EXPECT_EQ(ArrayAddGrow(t.a, &v, 7, 7), 2);
    EXPECT_EQ(t.a->capacity, 3);
    EXPECT_EQ(ArraySetGrow(t.a, &v, 8, 8), 3);
    EXPECT_EQ(t.a->capacity, 4);
    EXPECT_EQ(ArraySetGrow(t.a, &v, 8, 8), 3);  // overwrites, after growing the full array
    EXPECT_EQ(t.a->capacity, 5);
    EXPECT_EQ(t.a->used, 4);
    EXPECT_EQ(t.a->nextSerial, 4);
    EXPECT_EQ(t.a->slots[3].serial, 3);
}

TEST(Array, ResizeAndRawAccess)
{
    IntArray t(3);
    t.Add(10);
    t.Add(11);
    EXPECT_EQ(ArrayResize(t.a, 3), 1);
    EXPECT_EQ(t.a->capacity, 3);
    EXPECT_EQ(ArrayResize(t.a, 2), 0);
    EXPECT_EQ(t.a->capacity, 3);
    EXPECT_EQ(ArrayResize(t.a, 6), 1);
    EXPECT_EQ(t.a->capacity, 6);
    EXPECT_EQ(*(int *)ArrayAt(t.a, 1), 11);
    EXPECT_EQ(*(int *)ArrayAt(t.a, 5), 0);
    EXPECT_EQ(ArrayFind(t.a, 11, 0), 1);
    EXPECT_EQ(ArrayResize(t.a, INT_MAX), 0);  // slot records would not fit an int count
    EXPECT_EQ(t.a->capacity, 6);

    EXPECT_EQ(*(int *)ArrayAtRaw(t.a, 0), 10);
    EXPECT_EQ(ArrayAtRaw(t.a, 2), nullptr);
    EXPECT_EQ(ArrayAtRaw(t.a, -1), nullptr);
}

TEST(Array, CreateRefusesBadSizes)
{
    EXPECT_EQ(ArrayCreate(-1, 4, nullptr), nullptr);
    EXPECT_EQ(ArrayCreate(4, -1, nullptr), nullptr);
    EXPECT_EQ(ArrayCreate(INT_MAX, INT_MAX, nullptr), nullptr);
    Array *a = ArrayCreate(0, 4, nullptr);
    ASSERT_NE(a, nullptr);
    int v = 1;
    EXPECT_EQ(ArrayAdd(a, &v, 1, 1), -1);
    EXPECT_EQ(ArrayFind(a, 1, 1), -1);
    EXPECT_EQ(ArrayAddGrow(a, &v, 1, 1), 0);
    ArrayFree(a);
    ArrayFree(nullptr);
}

TEST(Array, CloneAndCopy)
{
    IntArray src(4);
    for (int i = 0; i < 4; i++)
        src.Add(i);
    ArrayRemove(src.a, 1);

    Array *c = ArrayClone(src.a);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(UsedSlots(c), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(ArrayFind(c, 3, 0), 3);
    EXPECT_EQ(c->nextSerial, 4);
    ArrayFree(c);

    // Copy into a larger array that has busy slots past the source's capacity.
    IntArray big(8);
    for (int i = 0; i < 8; i++)
        big.Add(50 + i);
    ASSERT_EQ(ArrayCopy(big.a, src.a), 1);
    EXPECT_EQ(big.a->capacity, 8);
    EXPECT_EQ(UsedSlots(big.a), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(big.a->used, 3);
    EXPECT_EQ(ArrayFind(big.a, 55, 0), -1);
    EXPECT_EQ(ArrayFind(big.a, 2, 0), 2);
    EXPECT_EQ(big.Add(9), 1);
    EXPECT_EQ(big.Add(9), 4);

    // Copy into a smaller array grows it.
    IntArray small(1);
    ASSERT_EQ(ArrayCopy(small.a, src.a), 1);
    EXPECT_EQ(small.a->capacity, 4);
    EXPECT_EQ(UsedSlots(small.a), (std::vector<int>{0, 2, 3}));
}

TEST(Array, ClearKeepsSerialAndSerialWraps)
{
    IntArray t(4);
    t.Add(1);
    t.Add(2);
    ArrayClear(t.a);
    EXPECT_EQ(t.a->used, 0);
    EXPECT_EQ(ArrayFind(t.a, 1, 0), -1);
    EXPECT_EQ(ArrayFirst(t.a), nullptr);
    t.a->nextSerial = INT_MAX;
    EXPECT_EQ(t.Add(3), 0);
    EXPECT_EQ(t.a->slots[0].serial, INT_MAX);
    EXPECT_EQ(t.a->nextSerial, INT_MIN);
}

TEST(ArrayDeath, MisuseStopsWithAssertion)
{
    IntArray t(4);
    t.Add(1);
    EXPECT_EXIT(ArrayRemove(t.a, 2), testing::ExitedWithCode(1), "Assert failure in array.cpp line");
    EXPECT_EXIT(ArrayRemove(t.a, 4), testing::ExitedWithCode(1), "Assert failure in array.cpp line");
    EXPECT_EXIT(ArrayAt(t.a, 4), testing::ExitedWithCode(1), "Assert failure in array.cpp line");
    EXPECT_EXIT(ArrayKey1(t.a, -1), testing::ExitedWithCode(1), "Assert failure in array.cpp line");
}

// Random adds, sets, removes, key changes, clears, copies and resizes over a
// small key space (so that key pairs repeat), at sizes on both sides of the
// point where lookups stop scanning: every lookup agrees with the slot scan,
// and the capacity grows exactly as the one-slot growth gives it.
TEST(Array, LookupsAgreeWithTheScanOnRandomChanges)
{
    std::mt19937 rng(20);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    for (int size : {4, 12, 40, 300}) {
        Array *a = ArrayCreate(2, sizeof(int), nullptr);
        ASSERT_NE(a, nullptr);
        int capacity = 2;
        bool indexed = false;
        for (int step = 0; step < 4000; step++) {
            int k1 = pick(6), k2 = pick(4), v = step;
            int op = pick(1000);
            bool wantMore = a->used < size;
            bool full = a->used == capacity;
            if (op < 300 && wantMore) {
                capacity += full;
                ASSERT_GE(ArrayAddGrow(a, &v, k1, k2), 0);
            } else if (op < 400) {
                EXPECT_EQ(ArrayAdd(a, &v, k1, k2) < 0, full);
            } else if (op < 550 && wantMore) {
                int before = ReferenceFind(a, k1, k2);
                capacity += full;
                int slot = ArraySetGrow(a, &v, k1, k2);
                EXPECT_TRUE(before < 0 || slot == before);
            } else if (op < 850 && a->used > 0) {
                int slot;
                do
                    slot = a->lowest + pick(a->highest - a->lowest + 1);
                while (!a->slots[slot].used);
                if (op < 800)
                    ArrayRemove(a, slot);
                else
                    ArrayKeysSet(a, slot, k1, k2);
            } else if (op < 852) {
                ArrayClear(a);
            } else if (op < 882) {
                capacity += 3;
                ASSERT_EQ(ArrayResize(a, capacity), 1);
            } else if (op < 900) {
                Array *copy = ArrayClone(a);
                ASSERT_NE(copy, nullptr);
                ASSERT_TRUE(LookupsMatch(copy));
                IntArray small(1);
                ASSERT_EQ(ArrayCopy(small.a, copy), 1);
                ASSERT_TRUE(LookupsMatch(small.a));
                ArrayFree(copy);
            }
            indexed |= a->index != nullptr;
            ASSERT_EQ(a->capacity, capacity) << "step " << step;
            ASSERT_EQ(ArrayHasRoom(a), a->used < capacity);
            ASSERT_TRUE(LookupsMatch(a)) << "size " << size << ", step " << step;
        }
        // The larger runs go through the key index, not only the scan.
        EXPECT_TRUE(size < 40 || indexed) << size;
        ArrayFree(a);
    }
}

namespace {

// The slot array as its rules state it, slot by slot, for comparing the real
// one against: slot choice, bounds that follow the used slots, first-match
// lookups and growth by one slot.
struct ArrayModel {
    struct Slot {
        bool used = false;
        int serial = 0, key1 = 0, key2 = 0, value = 0;
    };
    std::vector<Slot> slots;
    int serial = 0;
    int Used() const
    {
        int n = 0;
        for (const Slot &s : slots)
            n += s.used;
        return n;
    }
    int Lowest() const
    {
        for (int i = 0; i < (int)slots.size(); i++)
            if (slots[i].used)
                return i;
        return 0;
    }
    int Highest() const
    {
        for (int i = (int)slots.size() - 1; i >= 0; i--)
            if (slots[i].used)
                return i;
        return 0;
    }
    int NextFree() const
    {
        int used = Used(), lo = Lowest(), hi = Highest();
        if (used >= (int)slots.size())
            return -1;
        if (used == 0)
            return 0;
        if (used < hi - lo + 1)
            for (int i = lo + 1;; i++)
                if (!slots[i].used)
                    return i;
        return lo > 0 ? lo - 1 : hi + 1;
    }
    int Add(int value, int k1, int k2)
    {
        int i = NextFree();
        if (i >= 0)
            slots[i] = Slot{true, serial++, k1, k2, value};
        return i;
    }
    int Find(int k1, int k2) const
    {
        for (int i = 0; i < (int)slots.size(); i++)
            if (slots[i].used && slots[i].key1 == k1 && slots[i].key2 == k2)
                return i;
        return -1;
    }
};

::testing::AssertionResult MatchesModel(Array *a, const ArrayModel &m)
{
    auto fail = [&](const char *what) {
        return ::testing::AssertionFailure() << what << " (used " << a->used << ", model " << m.Used() << ")";
    };
    if (a->capacity != (int)m.slots.size() || a->used != m.Used())
        return fail("capacity or used count");
    if (a->lowest != m.Lowest() || a->highest != m.Highest())
        return fail("bounds");
    if (ArrayNextFree(a) != m.NextFree() || ArrayHasRoom(a) != (m.NextFree() >= 0))
        return fail("next free slot");
    for (int i = 0; i < a->capacity; i++) {
        const ArrayModel::Slot &s = m.slots[i];
        if (a->slots[i].used != (int)s.used)
            return fail("in-use flags");
        if (s.used && (a->slots[i].serial != s.serial || ArrayKey1(a, i) != s.key1 || ArrayKey2(a, i) != s.key2 ||
                       *(int *)ArrayAt(a, i) != s.value))
            return fail("tags or element");
    }
    if (a->slots[a->capacity].used)
        return fail("sentinel");
    for (int k1 = 0; k1 < 6; k1++)
        for (int k2 = 0; k2 < 4; k2++)
            if (ArrayFind(a, k1, k2) != m.Find(k1, k2))
                return fail("lookup");
    return ::testing::AssertionSuccess();
}

}  // namespace

// Random adds, sets, removes, key changes, clears, resizes, copies and walks
// that remove what they visit, at sizes on both sides of the key index, give
// the slots, tags, bounds, lookups and visiting order the rules give.
TEST(Array, MatchesTheRulesOnRandomChanges)
{
    std::mt19937 rng(101);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    for (int size : {3, 9, 60, 400}) {
        Array *a = ArrayCreate(1, sizeof(int), nullptr);
        ASSERT_NE(a, nullptr);
        ArrayModel m;
        m.slots.resize(1);
        for (int step = 0; step < 3000; step++) {
            int k1 = pick(6), k2 = pick(4), v = step, op = pick(100);
            bool more = m.Used() < size;
            if (op < 30 && more) {
                if (m.NextFree() < 0)
                    m.slots.emplace_back();
                ASSERT_EQ(ArrayAddGrow(a, &v, k1, k2), m.Add(v, k1, k2));
            } else if (op < 38) {
                ASSERT_EQ(ArrayAdd(a, &v, k1, k2), m.Add(v, k1, k2));
            } else if (op < 50 && more) {
                // A full array grows first, whether the keys are there or not.
                if (m.NextFree() < 0)
                    m.slots.emplace_back();
                int at = m.Find(k1, k2);
                if (at >= 0)
                    m.slots[at].value = v;
                else
                    at = m.Add(v, k1, k2);
                ASSERT_EQ(ArraySetGrow(a, &v, k1, k2), at);
            } else if (op < 75 && m.Used() > 0) {
                int slot;
                do
                    slot = pick((int)m.slots.size());
                while (!m.slots[slot].used);
                if (op < 68) {
                    ArrayRemove(a, slot);
                    m.slots[slot].used = false;
                } else {
                    ArrayKeysSet(a, slot, k1, k2);
                    m.slots[slot].key1 = k1, m.slots[slot].key2 = k2;
                }
            } else if (op < 77) {
                ArrayClear(a);
                for (auto &s : m.slots)
                    s.used = false;
            } else if (op < 82) {
                int c = (int)m.slots.size() + pick(4) - 1;
                ASSERT_EQ(ArrayResize(a, c), c >= (int)m.slots.size());
                if (c > (int)m.slots.size())
                    m.slots.resize((size_t)c);
            } else if (op < 88) {
                // A walk that removes some of what it visits sees every element once, in slot order.
                std::vector<int> want, seen;
                for (const auto &s : m.slots)
                    if (s.used)
                        want.push_back(s.value);
                for (int *e = (int *)ArrayFirst(a); e; e = (int *)ArrayNext(a)) {
                    seen.push_back(*e);
                    if (pick(2)) {
                        m.slots[a->cursor].used = false;
                        ArrayRemove(a, a->cursor);
                    }
                }
                ASSERT_EQ(seen, want);
            } else if (op < 92) {
                // Copies into a smaller and into a larger array that holds elements of its own.
                Array *small = ArrayCreate(1, sizeof(int), nullptr);
                int extra = (int)m.slots.size() + 1 + pick(20);
                Array *large = ArrayCreate(extra, sizeof(int), nullptr);
                for (int i = 0; i < extra; i++)
                    ArrayAdd(large, &i, i % 6, 0);
                ASSERT_EQ(ArrayCopy(small, a), 1);
                ASSERT_EQ(ArrayCopy(large, a), 1);
                ASSERT_TRUE(MatchesModel(small, m)) << "copy, step " << step;
                ArrayModel bigger = m;
                bigger.slots.resize((size_t)extra);
                ASSERT_TRUE(MatchesModel(large, bigger)) << "copy into a larger one, step " << step;
                ArrayFree(small);
                ArrayFree(large);
            }
            ASSERT_TRUE(MatchesModel(a, m)) << "size " << size << ", step " << step;
        }
        ArrayFree(a);
    }
}
