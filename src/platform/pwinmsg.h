// Window messages: a thread-safe queue of messages for the game window and the chain of procedures that handle them, pumped on the game thread.
#pragma once
#include <cstdint>

typedef intptr_t (*PlatWndProc)(void *window, unsigned message, uintptr_t wparam, intptr_t lparam);

// The game window's handle: the one window that messages and hooks can name.
void *PlatWinGameWindow();

// Puts the procedure in front of the window's chain, so it sees each message
// first. 0 when the window is not the game window, the procedure is null or
// already in the chain.
int PlatWinHook(void *window, PlatWndProc proc);
// Takes the procedure out of the chain wherever it sits; 1 when it was there.
int PlatWinUnhook(void *window, PlatWndProc proc);
// For a hooked procedure: hands the message on to the procedure after it in
// the chain. After the last one (or for a procedure no longer hooked) the
// default procedure takes it, which ignores it and returns 0.
intptr_t PlatWinCallNext(PlatWndProc proc, void *window, unsigned message, uintptr_t wparam, intptr_t lparam);

// From any thread: queues a message for the game window; 0 for any other window.
int PlatWinPost(void *window, unsigned message, uintptr_t wparam, intptr_t lparam);
// On the game thread: hands the messages queued so far to the front of the
// chain in the order they were posted; the number handed. Messages posted
// while they are handled wait for the next pump.
int PlatWinPump();
// Messages waiting for a pump.
int PlatWinPending();
// Empties the queue and the chain.
void PlatWinReset();
