// Window messages: a locked queue for the game window and its chain of hooked procedures.
#include "platform/pwinmsg.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Message {
    unsigned message;
    uintptr_t wparam;
    intptr_t lparam;
};

// The chain runs from its back (the newest hook) to its front.
struct WinState {
    std::mutex lock;
    std::vector<Message> queue;
    std::vector<PlatWndProc> chain;
};

WinState &State()
{
    static WinState s;
    return s;
}

char gameWindow;

}  // namespace

void *PlatWinGameWindow()
{
    return &gameWindow;
}

int PlatWinHook(void *window, PlatWndProc proc)
{
    if (window != &gameWindow || !proc)
        return 0;
    WinState &s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (std::find(s.chain.begin(), s.chain.end(), proc) != s.chain.end())
        return 0;
    s.chain.push_back(proc);
    return 1;
}

int PlatWinUnhook(void *window, PlatWndProc proc)
{
    if (window != &gameWindow)
        return 0;
    WinState &s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    auto it = std::find(s.chain.begin(), s.chain.end(), proc);
    if (it == s.chain.end())
        return 0;
    s.chain.erase(it);
    return 1;
}

intptr_t PlatWinCallNext(PlatWndProc proc, void *window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
    PlatWndProc next = nullptr;
    {
        WinState &s = State();
        std::lock_guard<std::mutex> hold(s.lock);
        auto it = std::find(s.chain.begin(), s.chain.end(), proc);
        if (it != s.chain.end() && it != s.chain.begin())
            next = *(it - 1);
    }
    // The lock is not held across a procedure: it may hook, unhook or post.
    return next ? next(window, message, wparam, lparam) : 0;
}

int PlatWinPost(void *window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
    if (window != &gameWindow)
        return 0;
    WinState &s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.queue.push_back({message, wparam, lparam});
    return 1;
}

int PlatWinPump()
{
    WinState &s = State();
    // Swapped with the queue each frame, so both keep their room and a pump
    // allocates nothing once they have grown; a procedure that pumps again
    // from inside gets a batch of its own.
    static thread_local std::vector<Message> kept;
    static thread_local int depth;
    std::vector<Message> own;
    std::vector<Message> &batch = depth == 0 ? kept : own;
    batch.clear();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        batch.swap(s.queue);
    }
    depth++;
    for (const Message &m : batch) {
        PlatWndProc front = nullptr;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            if (!s.chain.empty())
                front = s.chain.back();
        }
        if (front)
            front(&gameWindow, m.message, m.wparam, m.lparam);
    }
    depth--;
    int handed = (int)batch.size();
    batch.clear();
    return handed;
}

int PlatWinPending()
{
    WinState &s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    return (int)s.queue.size();
}

void PlatWinReset()
{
    WinState &s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.queue.clear();
    s.chain.clear();
}
