// Joystick layer: polls Allegro's joysticks into one state word per stick and reports each changed input.
#pragma once

// Input n = 32 x stick + bit; bits 1 up, 2 down, 3 left, 4 right, 5 + j button j.
// Sticks and buttons beyond the 4 x 32 inputs are ignored.
enum {
    JOY_STICK_LIMIT = 4,
    JOY_INPUT_COUNT = 128,
    JOY_RING_SIZE = 256,
    JOY_EVENT_OFF = 0x100,
};

// Called with the input number and 1 when it went on, 0 when it went off.
typedef void (*JoyCallback)(int input, int on);

// The joystick services the layer uses; the default is Allegro's. Tests put a
// fake in their place and set Allegro's joy[] and num_joysticks by hand.
// install follows Allegro: 0 on success.
struct JoyDevice {
    int (*install)(int type);
    void (*remove)();
    int (*poll)();
};

// Null restores Allegro's services.
void JoyDeviceSet(const JoyDevice *device);

// Type 0 installs nothing; any other type auto-detects. Non-zero on success.
int JoyInstall(int type, int value);
void JoyRemove();
int JoyIsInstalled();
int JoyCountGet();
void JoyReset();

// Polls the sticks; 0 when not installed.
int JoyUpdate();
int JoyInputIsOn(int input);

// Events are input numbers, + 0x100 when the input went off.
void JoyEventPush(int event);
int JoyEventRead();
int JoyEventPending();
void JoyEventClear();

int JoyCallbackSet(JoyCallback callback);
void JoyCallbackClear();
// The set-up hook of joystick type 22: nothing to set up.
int JoyPollStub();
