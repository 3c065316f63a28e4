// Counts the program's heap allocations, to show that a steady game tick makes none.
#include "allocount.h"

#include <atomic>
#include <cstddef>

// The C library's own entry points; every allocation of the program (operator
// new included) passes through the replacements below on its way there.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t align, size_t size);
}

static std::atomic<long> allocs{0};

void AllocCountReset()
{
    allocs.store(0, std::memory_order_relaxed);
}

long AllocCount()
{
    return allocs.load(std::memory_order_relaxed);
}

extern "C" void *malloc(size_t size)
{
    allocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size)
{
    allocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *p, size_t size)
{
    allocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}

extern "C" void *aligned_alloc(size_t align, size_t size)
{
    allocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(align, size);
}
