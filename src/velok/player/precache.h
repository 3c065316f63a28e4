// Pre-caching: a second thread loads the characters needed next into the player cache while menus and fights run.
#pragma once

struct TeamInfo;

enum { PRECACHE_QUEUE_MAX = 4 };

// Thread states: idle, thread up and waiting for the go, go given, working.
enum PrecacheThreadState {
    PRECACHE_IDLE = 0,
    PRECACHE_READY = 1,
    PRECACHE_GO = 2,
    PRECACHE_WORKING = 3,
};

// What the thread does with the player cache; tests hand in fakes.
struct PrecacheLoader {
    int (*hasRoom)();
    // 1 with one reference taken; 0 with the reason in the error text.
    int (*load)(int charIndex);
    void (*release)(int charIndex, int bonus);
};

// The characters of the next (which 0) or the following (1) arcade opponent
// group, written to out (room for 4); their count.
typedef int (*PrecacheOpponentsFn)(int *out, int which);

// Stores the switch and empties the queue; the lock is made once. 0 when the
// lock cannot be made. Not while a thread runs.
int PrecacheInit(int enabled);
int PrecacheIsEnabled();
// Null gives the player cache back.
void PrecacheLoaderSet(const PrecacheLoader *loader);
// Where the opponent fillers read the arcade order; null: nowhere yet.
void PrecacheOpponentsSet(PrecacheOpponentsFn list);

// Queue fillers, 0 at once when disabled. One character: a cached one has
// its last use renewed instead; 1 when cached, queued or appended, 0 when
// four others wait.
int PrecacheQueueChar(int charIndex);
// Every member's character of every group of the team; 0 when one did not fit.
int PrecacheQueueList(const TeamInfo *team);
// The current or the following arcade opponents, at most the opponent
// side's team size of them; 1 without an arcade side or when all fitted.
int PrecacheQueueOpponents();
int PrecacheQueueNextOpponents();

// 1 when the thread works or was started; 0 when disabled, the queue is
// empty or no thread can be started (the queue then waits for the next start).
int PrecacheStart();
// The thread stops after the character it loads.
void PrecacheAbort();
int PrecacheIsRunning();
int PrecacheIsDone();
// Waits until the thread has ended, collects it, and appends what it wrote to
// its error text to the game error text and its warnings to the warning log.
void PrecacheWait();
