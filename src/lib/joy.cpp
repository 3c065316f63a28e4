// Joystick layer: polls Allegro's joysticks into one state word per stick and reports each changed input.
#include "lib/joy.h"

#include <allegro.h>

#include <atomic>
#include <cstdint>

static int AllegroJoystickInstall(int type)
{
    (void)type;
    return install_joystick(JOY_TYPE_AUTODETECT);
}

static const JoyDevice allegroJoystick = {AllegroJoystickInstall, remove_joystick, poll_joystick};

static const JoyDevice *device = &allegroJoystick;

// The input engine's keyboard listener asks from the keyboard thread whether
// any device is installed; everything else is the game thread's.
static std::atomic<int> installed{0};
static int stickCount;
static int extraValue;
static uint32_t previousWords[JOY_STICK_LIMIT];
static uint32_t currentWords[JOY_STICK_LIMIT];
static unsigned char inputBits[JOY_INPUT_COUNT];
static JoyCallback callback;

static int ring[JOY_RING_SIZE];
static int ringRead;
static int ringWrite;
static int ringCount;

void JoyDeviceSet(const JoyDevice *dev)
{
    device = dev ? dev : &allegroJoystick;
}

void JoyReset()
{
    for (int i = 0; i < JOY_STICK_LIMIT; i++) {
        previousWords[i] = 0;
        currentWords[i] = 0;
    }
    for (auto &b : inputBits)
        b = 0;
    JoyEventClear();
}

int JoyInstall(int type, int value)
{
    if (installed)
        return 0;
    JoyReset();
    if (type == 0)
        return 0;
    if (device->install(type) != 0)
        return 0;
    stickCount = num_joysticks;
    if (stickCount > JOY_STICK_LIMIT)
        stickCount = JOY_STICK_LIMIT;
    if (stickCount < 0)
        stickCount = 0;
    extraValue = value;
    installed = 1;
    return 1;
}

void JoyRemove()
{
    callback = nullptr;
    JoyReset();
    if (!installed)
        return;
    device->remove();
    installed = 0;
    stickCount = 0;
}

int JoyIsInstalled()
{
    return installed;
}

int JoyCountGet()
{
    return stickCount;
}

static uint32_t StickWord(const JOYSTICK_INFO &j)
{
    uint32_t word = 0;
    if (j.num_sticks > 0) {
        const JOYSTICK_STICK_INFO &s = j.stick[0];
        if (s.num_axis > 0) {
            if (s.axis[0].pos < 0)
                word |= 8;
            else if (s.axis[0].pos > 0)
                word |= 16;
        }
        if (s.num_axis > 1) {
            if (s.axis[1].pos < 0)
                word |= 2;
            else if (s.axis[1].pos > 0)
                word |= 4;
        }
    }
    // Button j is bit 5 + j; buttons past bit 31 have no input number.
    int buttons = j.num_buttons;
    if (buttons > 32 - 5)
        buttons = 32 - 5;
    for (int b = 0; b < buttons; b++)
        if (j.button[b].b)
            word |= 32u << b;
    return word;
}

int JoyUpdate()
{
    if (!installed)
        return 0;
    for (int i = 0; i < JOY_STICK_LIMIT; i++) {
        previousWords[i] = currentWords[i];
        currentWords[i] = 0;
    }
    device->poll();
    for (int i = 0; i < stickCount; i++)
        currentWords[i] = StickWord(joy[i]);
    for (int i = 0; i < stickCount; i++) {
        uint32_t changed = previousWords[i] ^ currentWords[i];
        for (int bit = 0; changed && bit < 32; bit++) {
            if (!(changed & (1u << bit)))
                continue;
            int n = 32 * i + bit;
            int on = (currentWords[i] >> bit) & 1;
            inputBits[n] = (unsigned char)on;
            if (callback)
                callback(n, on);
            JoyEventPush(n | (on ? 0 : JOY_EVENT_OFF));
        }
    }
    return 1;
}

int JoyInputIsOn(int n)
{
    if (n < 0 || n >= JOY_INPUT_COUNT)
        return 0;
    return inputBits[n];
}

void JoyEventPush(int event)
{
    ring[ringWrite] = event;
    ringWrite = (ringWrite + 1) % JOY_RING_SIZE;
    if (ringCount == JOY_RING_SIZE)
        ringRead = (ringRead + 1) % JOY_RING_SIZE;
    else
        ringCount++;
}

int JoyEventRead()
{
    while (ringCount == 0) {
        // Without sticks nothing can ever arrive.
        if (!installed)
            return 0;
        JoyUpdate();
    }
    int event = ring[ringRead];
    ringRead = (ringRead + 1) % JOY_RING_SIZE;
    ringCount--;
    return event;
}

int JoyEventPending()
{
    return ringCount > 0;
}

void JoyEventClear()
{
    ringRead = 0;
    ringWrite = 0;
    ringCount = 0;
}

int JoyCallbackSet(JoyCallback fn)
{
    if (!fn || callback)
        return 0;
    callback = fn;
    return 1;
}

void JoyCallbackClear()
{
    callback = nullptr;
}

int JoyPollStub()
{
    return 1;
}
