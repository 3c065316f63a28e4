// Test kit: a fake player cache for the pre-caching thread that records its loads and releases, and can hold a load or make it fail.
#include "support/precachekit.h"

#include "velok/core/common.h"
#include "velok/player/precache.h"

static PrecacheFake *active = nullptr;

static int FakeHasRoom()
{
    return active->room;
}

static int FakeLoad(int charIndex)
{
    std::unique_lock<std::mutex> lock(active->m);
    active->loads.push_back(charIndex);
    if (charIndex == active->holdAt) {
        active->held = true;
        active->cv.notify_all();
        active->cv.wait(lock, [] { return active->open; });
    }
    if (charIndex == active->failAt) {
        GameErrorSet("Can't open %i.def", charIndex);
        return 0;
    }
    return 1;
}

static void FakeRelease(int charIndex, int bonus)
{
    std::lock_guard<std::mutex> lock(active->m);
    active->releases.push_back(charIndex);
    active->bonuses.push_back(bonus);
}

static const PrecacheLoader fakeLoader = {FakeHasRoom, FakeLoad, FakeRelease};

PrecacheFake::PrecacheFake()
{
    active = this;
    PrecacheLoaderSet(&fakeLoader);
}

PrecacheFake::~PrecacheFake()
{
    Open();
    PrecacheAbort();
    PrecacheWait();
    PrecacheLoaderSet(nullptr);
    active = nullptr;
}

void PrecacheFake::WaitHeld()
{
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return held; });
}

void PrecacheFake::Open()
{
    std::lock_guard<std::mutex> lock(m);
    open = true;
    cv.notify_all();
}

std::vector<int> PrecacheFake::Loads()
{
    std::lock_guard<std::mutex> lock(m);
    return loads;
}

std::vector<int> PrecacheFake::Releases()
{
    std::lock_guard<std::mutex> lock(m);
    return releases;
}

std::vector<int> PrecacheFake::Bonuses()
{
    std::lock_guard<std::mutex> lock(m);
    return bonuses;
}
