// Pre-caching: a second thread loads the characters needed next into the player cache while menus and fights run.
#include "velok/player/precache.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "platform/pthreads.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/p-make.h"

// What the thread loads, and what the queue finds cached, is kept a little
// longer than what a finished match gives back.
enum { PRECACHE_STAMP_BONUS = 4 };

static int CacheLoad(int charIndex)
{
    return PlayerCacheLoad(charIndex) != nullptr;
}

static const PrecacheLoader playerCache = {PlayerCacheHasRoom, CacheLoad, PlayerCacheRelease};

// The queue and the thread's state words. The words are atomic because the
// waits poll them; the queue, the loader, the collected error text and the
// thread handle are touched only under the lock.
struct PrecacheQueue {
    int enabled = 0;  // game thread only
    PlatMutex *lock = nullptr;
    std::atomic<int> running{0}, state{PRECACHE_IDLE}, finished{0}, abort{0};
    int queue[PRECACHE_QUEUE_MAX + 1] = {-1};  // character indexes, the head first, ended by -1
    PlatThread *thread = nullptr;              // the last one started, until it is joined
    std::string errors;                        // what ended runs wrote, for the game thread
    std::string warnings;
    const PrecacheLoader *loader = &playerCache;
    std::atomic<PrecacheOpponentsFn> opponents{nullptr};
};

static PrecacheQueue pq;

static thread_local bool onPrecacheThread = false;

static void Lock()
{
    MutexLock(pq.lock);
}

static void Unlock()
{
    MutexUnlock(pq.lock);
}

// ---------------------------------------------------------------- the thread

static void PrecacheThread(void *)
{
    onPrecacheThread = true;
    // Loaders write their reasons into the error text and their warnings into
    // the warning log: here both stay on this thread until the game thread
    // collects them.
    char errors[GAME_ERROR_LEN];
    GameErrorRedirect(errors, sizeof errors);
    std::string warnings;
    WarnLogRedirect(&warnings);

    Lock();
    LIB_ASSERT(pq.state == PRECACHE_IDLE);
    pq.state = PRECACHE_READY;
    Unlock();
    while (pq.state.load() == PRECACHE_READY)
        PlatSleep(1);
    Lock();
    LIB_ASSERT(pq.state == PRECACHE_GO);
    pq.state = PRECACHE_WORKING;
    const PrecacheLoader *loader = pq.loader;

    // Every reference taken, so that each is given back.
    std::vector<int> loaded;
    bool failed = false;
    while (pq.queue[0] != -1) {
        int charIndex = pq.queue[0];
        Unlock();
        if (loader->hasRoom()) {
            errors[0] = 0;
            if (!loader->load(charIndex)) {
                GameErrorAppend("\nError while precaching");
                failed = true;
                Lock();
                break;
            }
            loaded.push_back(charIndex);
        }
        Lock();
        if (pq.abort)
            break;
        memmove(pq.queue, pq.queue + 1, sizeof pq.queue - sizeof pq.queue[0]);
        pq.queue[PRECACHE_QUEUE_MAX] = -1;
    }
    pq.queue[0] = -1;
    for (int charIndex : loaded)
        loader->release(charIndex, PRECACHE_STAMP_BONUS);
    if (failed)
        pq.errors += errors;
    pq.warnings += warnings;
    pq.finished = 1;
    pq.abort = 0;
    pq.state = PRECACHE_IDLE;
    Unlock();
    GameErrorRedirect(nullptr, 0);
    WarnLogRedirect(nullptr);
}

// ---------------------------------------------------------------- set-up

// The fatal exit lets a load in progress end, so that no thread reads the
// game data while the program goes down, and shows what the thread wrote.
static void StopForExit()
{
    if (onPrecacheThread)
        return;
    PrecacheAbort();
    PrecacheWait();
}

int PrecacheInit(int enabled)
{
    if (pq.enabled && pq.running) {
        PrecacheAbort();
        PrecacheWait();
    }
    if (!pq.lock && MutexCreate(&pq.lock) != 0) {
        pq.lock = nullptr;
        pq.enabled = 0;
        return 0;
    }
    Lock();
    pq.enabled = enabled != 0;
    pq.running = 0;
    pq.finished = 0;
    pq.abort = 0;
    pq.queue[0] = -1;
    pq.errors.clear();
    pq.warnings.clear();
    Unlock();
    FatalExitHookSet(StopForExit);
    return 1;
}

int PrecacheIsEnabled()
{
    return pq.enabled;
}

void PrecacheLoaderSet(const PrecacheLoader *loader)
{
    Lock();
    pq.loader = loader ? loader : &playerCache;
    Unlock();
}

void PrecacheOpponentsSet(PrecacheOpponentsFn list)
{
    pq.opponents = list;
}

// ---------------------------------------------------------------- queue fillers

// Under the lock.
static int QueueOne(int charIndex)
{
    LIB_ASSERT(gv && charIndex >= 0 && charIndex < gv->charCount);
    if (PlayerCacheIsLoaded(charIndex)) {
        PlayerCacheStamp(charIndex, PRECACHE_STAMP_BONUS);
        return 1;
    }
    for (int i = 0; i < PRECACHE_QUEUE_MAX; i++) {
        if (pq.queue[i] == charIndex)
            return 1;
        if (pq.queue[i] == -1) {
            pq.queue[i] = charIndex;
            pq.queue[i + 1] = -1;
            return 1;
        }
    }
    return 0;
}

int PrecacheQueueChar(int charIndex)
{
    if (!pq.enabled)
        return 0;
    Lock();
    int ok = QueueOne(charIndex);
    Unlock();
    return ok;
}

int PrecacheQueueList(const TeamInfo *team)
{
    if (!pq.enabled || !team)
        return 0;
    int ok = 1;
    Lock();
    for (int g = 0; g < team->entryCount && g < TEAM_ENTRY_MAX; g++) {
        const TeamEntry *entry = &team->entries[g];
        for (int m = 0; m < entry->memberCount && m < TEAM_MEMBER_MAX; m++) {
            int charIndex = entry->members[m].charIndex;
            if (charIndex >= 0 && !QueueOne(charIndex))
                ok = 0;
        }
    }
    Unlock();
    return ok;
}

static int QueueOpponents(int which)
{
    int side = gv->arcadeSide;
    if (side != 1 && side != 2)
        return 1;
    if (!pq.enabled)
        return 0;
    // The select file's lists hand their ArcadeListOpponents in when they are made.
    PrecacheOpponentsFn list = pq.opponents.load();
    if (!list)
        return 1;
    // The list holds at most the computer team's size.
    int chars[TEAM_ENTRY_MAX];
    int count = list(chars, which);
    int ok = 1;
    Lock();
    for (int i = 0; i < count && i < TEAM_ENTRY_MAX; i++)
        if (!QueueOne(chars[i]))
            ok = 0;
    Unlock();
    return ok;
}

int PrecacheQueueOpponents()
{
    return QueueOpponents(0);
}

int PrecacheQueueNextOpponents()
{
    return QueueOpponents(1);
}

// ---------------------------------------------------------------- running

int PrecacheStart()
{
    if (!pq.enabled)
        return 0;
    Lock();
    int state = pq.state.load();
    if (state != PRECACHE_IDLE && state != PRECACHE_READY) {
        // The thread at work takes what was queued.
        Unlock();
        return 1;
    }
    if (pq.queue[0] == -1) {
        Unlock();
        return 0;
    }
    if (state == PRECACHE_IDLE) {
        // A thread that has ended is collected before the next one starts.
        ThreadJoin(pq.thread);
        pq.thread = nullptr;
        if (ThreadCreate(PrecacheThread, nullptr, &pq.thread) != 0) {
            pq.thread = nullptr;
            Unlock();
            return 0;
        }
    }
    pq.running = 1;
    pq.finished = 0;
    pq.abort = 0;
    Unlock();
    while (pq.state.load() != PRECACHE_READY)
        PlatYield();
    Lock();
    pq.state = PRECACHE_GO;
    Unlock();
    return 1;
}

void PrecacheAbort()
{
    if (!pq.enabled)
        return;
    Lock();
    if (pq.running)
        pq.abort = 1;
    Unlock();
}

int PrecacheIsRunning()
{
    return pq.enabled ? pq.running.load() : 0;
}

int PrecacheIsDone()
{
    return !pq.enabled || !pq.running || pq.finished;
}

void PrecacheWait()
{
    if (!pq.enabled)
        return;
    Lock();
    if (!pq.running) {
        Unlock();
        return;
    }
    while (!pq.finished) {
        Unlock();
        PlatSleep(5);
        Lock();
    }
    pq.running = 0;
    pq.finished = 0;
    pq.abort = 0;
    LIB_ASSERT(pq.state == PRECACHE_IDLE || pq.state == PRECACHE_READY);
    PlatThread *thread = pq.thread;
    pq.thread = nullptr;
    std::string errors, warnings;
    errors.swap(pq.errors);
    warnings.swap(pq.warnings);
    Unlock();
    ThreadJoin(thread);
    if (!errors.empty()) {
        if (GameErrorText()[0])
            GameErrorAppend("\n");
        GameErrorAppend("%s", errors.c_str());
    }
    if (!warnings.empty())
        WarnLogText(warnings.c_str());
}
