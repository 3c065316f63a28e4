// Threads and re-entrant mutexes for the engine's worker threads.
#pragma once

struct PlatThread;
struct PlatMutex;

typedef void (*ThreadFunc)(void *arg);

// Starts fn(arg) on a new thread; 0 and the handle, or -1.
int ThreadCreate(ThreadFunc fn, void *arg, PlatThread **handle);
// Waits for the thread to end and frees its handle; null is ignored.
void ThreadJoin(PlatThread *handle);

// An unowned re-entrant mutex; 0 and the handle, or -1.
int MutexCreate(PlatMutex **handle);
// 0, or -1 for a null handle or one still owned.
int MutexDestroy(PlatMutex *handle);
// Waits without time-out; 1 on success.
int MutexLock(PlatMutex *handle);
// 1 on success; 0 when the calling thread does not own the mutex.
int MutexUnlock(PlatMutex *handle);

void PlatSleep(int milliseconds);
// Gives the processor to another thread that is ready to run.
void PlatYield();
