// Threads and re-entrant mutexes over the standard library.
#include "platform/pthreads.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <thread>

struct PlatThread {
    std::thread t;
};

struct PlatMutex {
    std::recursive_mutex m;
    std::atomic<std::thread::id> owner{};
    int depth = 0;  // touched only by the owner
};

int ThreadCreate(ThreadFunc fn, void *arg, PlatThread **handle)
{
    if (!fn || !handle)
        return -1;
    PlatThread *h = new (std::nothrow) PlatThread;
    if (!h)
        return -1;
    try {
        h->t = std::thread(fn, arg);
    } catch (...) {
        delete h;
        return -1;
    }
    *handle = h;
    return 0;
}

void ThreadJoin(PlatThread *handle)
{
    if (!handle)
        return;
    if (handle->t.joinable())
        handle->t.join();
    delete handle;
}

int MutexCreate(PlatMutex **handle)
{
    if (!handle)
        return -1;
    *handle = new (std::nothrow) PlatMutex;
    return *handle ? 0 : -1;
}

int MutexDestroy(PlatMutex *handle)
{
    if (!handle || handle->owner.load() != std::thread::id())
        return -1;
    delete handle;
    return 0;
}

int MutexLock(PlatMutex *handle)
{
    if (!handle)
        return 0;
    handle->m.lock();
    handle->owner.store(std::this_thread::get_id());
    handle->depth++;
    return 1;
}

int MutexUnlock(PlatMutex *handle)
{
    if (!handle || handle->owner.load() != std::this_thread::get_id())
        return 0;
    if (--handle->depth == 0)
        handle->owner.store(std::thread::id());
    handle->m.unlock();
    return 1;
}

void PlatSleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0));
}

void PlatYield()
{
    std::this_thread::yield();
}
