// Input engine: keyboard and joystick input merged into one code space with states, remapping and an event ring.
#pragma once

// Input codes: 1 to 255 keyboard key codes, 256 + n joystick input n (up to
// 383), 384 no input. Events carry 0x1000 for a release.
enum {
    INPUT_JOY_BASE = 256,
    INPUT_CODE_NONE = 384,
    INPUT_CODE_COUNT = 385,
    INPUT_REMAP_SIZE = 384,
    INPUT_RELEASE = 0x1000,
    INPUT_RING_SIZE = 256,
};

// A ring of ints; a push onto a full queue drops the oldest entry.
struct IntQueue {
    int *data;
    int read;
    int write;
    int size;
    int count;
};

// 0 when memory runs out.
int IntQueueCreate(IntQueue *queue, int size);
void IntQueueFree(IntQueue *queue);
int IntQueueIsValid(const IntQueue *queue);
int IntQueueIsEmpty(const IntQueue *queue);
void IntQueueClear(IntQueue *queue);
void IntQueuePush(IntQueue *queue, int value);
// The oldest value, or 0 when empty.
int IntQueuePop(IntQueue *queue);

// Installs the keyboard and joystick listeners; both must be free. 1 on success.
int InputInit();
int InputReinit();
void InputDeinit();

void InputStateRefresh();
// Bit 1 while a key maps to the code, bit 2 while a joystick input does.
int InputStateGet(int code);

// The table holds the code used for each of the 384 raw codes; a code outside
// 0..384 is stored as 384. 0 when memory runs out.
int InputRemapSet(const int *table);
// Copies the table (1), or writes the identity (0) when none is set.
int InputRemapGet(int *out);
void InputRemapFree();

int InputEventPush(int code);
int InputEventRead();
int InputEventPending();
void InputEventFlush();

int InputCodeFromKey(int keyEvent);
int InputCodeFromJoy(int joyEvent);
