// Input engine: keyboard and joystick input merged into one code space with states, remapping and an event ring.
#include "lib/input-lb.h"

#include <mutex>
#include <thread>

#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"

// The keyboard listener runs on the keyboard thread, the joystick listener and
// every reader on the game thread; the lock covers the ring, the state map and
// the remap table. It is never held while calling into the keyboard layer.
static std::mutex lock;
static IntQueue ring;
static unsigned char stateMap[INPUT_CODE_COUNT];
static int *remap;

int IntQueueCreate(IntQueue *q, int size)
{
    q->data = nullptr;
    q->read = 0;
    q->write = 0;
    q->size = 0;
    q->count = 0;
    if (size <= 0)
        return 0;
    q->data = (int *)LibCalloc((size_t)size, sizeof(int));
    if (!q->data)
        return 0;
    q->size = size;
    return 1;
}

void IntQueueFree(IntQueue *q)
{
    MemFree(q->data);
    q->data = nullptr;
    q->read = 0;
    q->write = 0;
    q->size = 0;
    q->count = 0;
}

int IntQueueIsValid(const IntQueue *q)
{
    return q->data != nullptr;
}

int IntQueueIsEmpty(const IntQueue *q)
{
    return q->count == 0;
}

void IntQueueClear(IntQueue *q)
{
    q->read = 0;
    q->write = 0;
    q->count = 0;
}

void IntQueuePush(IntQueue *q, int value)
{
    if (!q->data)
        return;
    q->data[q->write] = value;
    q->write = (q->write + 1) % q->size;
    if (q->count == q->size)
        q->read = (q->read + 1) % q->size;
    else
        q->count++;
}

int IntQueuePop(IntQueue *q)
{
    if (q->count == 0)
        return 0;
    int value = q->data[q->read];
    q->read = (q->read + 1) % q->size;
    q->count--;
    return value;
}

static int DeviceInstalled()
{
    return KbllIsInstalled() || JoyIsInstalled();
}

// The caller holds the lock.
static int Remapped(int raw)
{
    return remap ? remap[raw] : raw;
}

static void InputChange(int raw, int pressed, unsigned char bit)
{
    LIB_ASSERT(raw > 0 && raw < INPUT_CODE_NONE);
    std::lock_guard<std::mutex> hold(lock);
    int code = Remapped(raw);
    LIB_ASSERT(code >= 0 && code <= INPUT_CODE_NONE);
    unsigned char was = stateMap[code];
    unsigned char now = pressed ? (unsigned char)(was | bit) : (unsigned char)(was & ~bit);
    stateMap[code] = now;
    // A key and a button on one code give one press and one release between them.
    if ((was == 0) != (now == 0) && DeviceInstalled())
        IntQueuePush(&ring, code | (now ? 0 : INPUT_RELEASE));
}

static void InputKeyListener(int code, int pressed)
{
    InputChange(code, pressed, 1);
}

static void InputJoyListener(int n, int on)
{
    InputChange(INPUT_JOY_BASE + n, on, 2);
}

int InputInit()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!IntQueueIsValid(&ring) && !IntQueueCreate(&ring, INPUT_RING_SIZE))
            return 0;
    }
    if (!KbllListenerSet(InputKeyListener))
        return 0;
    if (!JoyCallbackSet(InputJoyListener)) {
        KbllListenerClear();
        return 0;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        IntQueueClear(&ring);
    }
    InputStateRefresh();
    return 1;
}

int InputReinit()
{
    KbllListenerClear();
    JoyCallbackClear();
    return InputInit();
}

void InputDeinit()
{
    KbllListenerClear();
    JoyCallbackClear();
    std::lock_guard<std::mutex> hold(lock);
    MemFree(remap);
    remap = nullptr;
    IntQueueFree(&ring);
}

void InputStateRefresh()
{
    std::lock_guard<std::mutex> hold(lock);
    for (auto &s : stateMap)
        s = 0;
    for (int code = 1; code < INPUT_JOY_BASE; code++)
        if (KbllKeyDown(code))
            stateMap[Remapped(code)] |= 1;
    for (int n = 0; n < JOY_INPUT_COUNT; n++)
        if (JoyInputIsOn(n))
            stateMap[Remapped(INPUT_JOY_BASE + n)] |= 2;
}

int InputStateGet(int code)
{
    if (code < 0 || code >= INPUT_CODE_COUNT)
        return 0;
    std::lock_guard<std::mutex> hold(lock);
    return stateMap[code];
}

int InputRemapSet(const int *table)
{
    std::lock_guard<std::mutex> hold(lock);
    if (!remap) {
        remap = (int *)LibCalloc(INPUT_CODE_COUNT, sizeof(int));
        if (!remap)
            return 0;
    }
    for (int i = 0; i < INPUT_REMAP_SIZE; i++) {
        int code = table[i];
        remap[i] = code >= 0 && code <= INPUT_CODE_NONE ? code : INPUT_CODE_NONE;
    }
    remap[INPUT_CODE_NONE] = INPUT_CODE_NONE;
    return 1;
}

int InputRemapGet(int *out)
{
    std::lock_guard<std::mutex> hold(lock);
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        out[i] = remap ? remap[i] : i;
    return remap != nullptr;
}

void InputRemapFree()
{
    std::lock_guard<std::mutex> hold(lock);
    MemFree(remap);
    remap = nullptr;
}

int InputEventPush(int code)
{
    if (!DeviceInstalled())
        return 0;
    std::lock_guard<std::mutex> hold(lock);
    if (!IntQueueIsValid(&ring))
        return 0;
    IntQueuePush(&ring, code);
    return 1;
}

int InputEventRead()
{
    if (!DeviceInstalled())
        return 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock);
            // Without a ring (not initialised) nothing can arrive.
            if (!IntQueueIsValid(&ring))
                return 0;
            if (!IntQueueIsEmpty(&ring))
                return IntQueuePop(&ring);
        }
        if (!JoyUpdate())
            std::this_thread::yield();
    }
}

int InputEventPending()
{
    if (!DeviceInstalled())
        return 0;
    std::lock_guard<std::mutex> hold(lock);
    return !IntQueueIsEmpty(&ring);
}

void InputEventFlush()
{
    std::lock_guard<std::mutex> hold(lock);
    IntQueueClear(&ring);
}

int InputCodeFromKey(int keyEvent)
{
    int code = keyEvent & ~KBLL_RELEASE;
    LIB_ASSERT(code >= 0 && code < INPUT_JOY_BASE);
    if (code == 0)
        return INPUT_CODE_NONE;
    return code | (keyEvent & KBLL_RELEASE ? INPUT_RELEASE : 0);
}

int InputCodeFromJoy(int joyEvent)
{
    if (joyEvent == 0)
        return 0;
    int n = joyEvent & ~JOY_EVENT_OFF;
    // 128 marks an empty slot; anything else outside the inputs has no code either.
    if (n < 0 || n >= JOY_INPUT_COUNT)
        return INPUT_CODE_NONE;
    return (INPUT_JOY_BASE + n) | (joyEvent & JOY_EVENT_OFF ? INPUT_RELEASE : 0);
}
