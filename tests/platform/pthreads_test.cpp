#include "platform/pthreads.h"

#include <atomic>

#include "support/testkit.h"

struct Shared {
    PlatMutex *m;
    int counter;
};

static void Worker(void *arg)
{
    Shared *s = (Shared *)arg;
    for (int i = 0; i < 10000; i++) {
        MutexLock(s->m);
        MutexLock(s->m);  // re-entrant, as the callers expect
        s->counter++;
        MutexUnlock(s->m);
        MutexUnlock(s->m);
    }
}

TEST(PlatThreads, ThreadsCountUnderReentrantMutex)
{
    Shared s{nullptr, 0};
    ASSERT_EQ(MutexCreate(&s.m), 0);
    PlatThread *t[3];
    for (auto &h : t)
        ASSERT_EQ(ThreadCreate(Worker, &s, &h), 0);
    for (auto h : t)
        ThreadJoin(h);
    EXPECT_EQ(s.counter, 30000);
    EXPECT_EQ(MutexUnlock(s.m), 0);  // not owned
    // A held mutex is not destroyed under its holder.
    ASSERT_EQ(MutexLock(s.m), 1);
    EXPECT_EQ(MutexDestroy(s.m), -1);
    EXPECT_EQ(MutexUnlock(s.m), 1);
    EXPECT_EQ(MutexDestroy(s.m), 0);
    EXPECT_EQ(MutexDestroy(nullptr), -1);
    EXPECT_EQ(ThreadCreate(nullptr, nullptr, &t[0]), -1);
}
