// Test kit: a fake player cache for the pre-caching thread that records its loads and releases, and can hold a load or make it fail.
#pragma once
#include <condition_variable>
#include <mutex>
#include <vector>

// One at a time: made, it serves the pre-caching thread; gone, the thread
// has the player cache again.
struct PrecacheFake {
    PrecacheFake();
    ~PrecacheFake();

    // Set before the thread starts.
    int room = 1;     // what the cache says about its room
    int failAt = -1;  // this character's load fails with "Can't open <n>.def"
    int holdAt = -1;  // this character's load waits until Open

    // Blocks until the thread is held in the load of holdAt.
    void WaitHeld();
    void Open();
    std::vector<int> Loads();
    std::vector<int> Releases();  // character indexes
    std::vector<int> Bonuses();   // the stamp bonus of each release

    std::mutex m;
    std::condition_variable cv;
    std::vector<int> loads, releases, bonuses;
    bool held = false, open = false;
};
