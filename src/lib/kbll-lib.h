// Keyboard layer: Allegro's low-level key callback turned into scan-code key states, a pause switch and an event ring.
#pragma once

// Key codes are PC scan codes (set 1); keys sent with the E0 prefix are 128 +
// their code; Pause is 222. In the event ring a release carries 0x100.
enum {
    KBLL_KEY_PAUSE = 222,
    KBLL_RELEASE = 0x100,
    KBLL_KEY_COUNT = 257,
    KBLL_RING_SIZE = 256,
};

// Called on every key event with the key code and 1 for a press, 0 for a release.
typedef void (*KbllListener)(int code, int pressed);

// The keyboard services the layer uses; the default is Allegro's. Tests put a
// fake in their place and feed the scancode handler by hand. install follows
// Allegro: 0 on success.
struct KbllDevice {
    int (*install)();
    void (*remove)();
    void (*setLeds)(int leds);
    void (*setRate)(int delay, int repeat);
};

// Null restores Allegro's services.
void KbllDeviceSet(const KbllDevice *device);

int KbllInit();
void KbllDeinit();
int KbllIsInstalled();

// Allegro's low-level callback: key identifier in the low 7 bits, bit 7 set for a release.
void KbllScancodeHook(int scancode);
void KbllHookRemove();
void KbllHookRestore();
void KbllResync();
void KbllReset();

void KbllSetRepeat(int delay, int on);
void KbllSetOption(int value);
// Bit 0 scroll lock, bit 1 num lock, bit 2 caps lock.
void KbllSetLeds(int mask);
void KbllSetMode(int mode);
// When on, releases are not queued (the listener still hears them).
void KbllPressesOnlySet(int on);

int KbllListenerSet(KbllListener listener);
void KbllListenerClear();

void KbllFlush();
void KbllEventPush(int code);
int KbllEventPending();
int KbllEventRead();
// Key events the handler dropped because it was entered again from within itself.
int KbllReentryCount();

int KbllKeyDown(int code);
int KbllPauseGet();
void KbllPauseSet(int on);

int KbllKeyToAscii(int code);
const char *KbllKeyName(int code);
void KbllPoll();
