// The one seedable random generator of the game: a linear congruential generator, 15-bit results.
#include "lib/grandom.h"

#include <atomic>

static std::atomic<unsigned> randomState{1};

void GameRandomSeed(unsigned seed)
{
    randomState.store(seed);
}

int GameRandom()
{
    unsigned s = randomState.load(std::memory_order_relaxed);
    unsigned n;
    do {
        n = s * 214013u + 2531011u;
    } while (!randomState.compare_exchange_weak(s, n, std::memory_order_relaxed));
    return (int)((n >> 16) & 0x7fff);
}
