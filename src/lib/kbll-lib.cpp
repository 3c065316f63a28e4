// Keyboard layer: Allegro's low-level key callback turned into scan-code key states, a pause switch and an event ring.
#include "lib/kbll-lib.h"

#include <allegro.h>

#include <array>
#include <atomic>
#include <thread>

#include "lib/libbase.h"

static int AllegroKeyboardInstall()
{
    return install_keyboard();
}

static const KbllDevice allegroKeyboard = {
    AllegroKeyboardInstall, remove_keyboard, set_leds, set_keyboard_rate,
};

static const KbllDevice *device = &allegroKeyboard;

// Allegro key identifier to key code; identifiers without a scan code stay 0.
static constexpr std::array<int, KEY_MAX> keyCodeTable = [] {
    const int pairs[][2] = {
        {KEY_A, 30}, {KEY_B, 48}, {KEY_C, 46}, {KEY_D, 32}, {KEY_E, 18}, {KEY_F, 33},
        {KEY_G, 34}, {KEY_H, 35}, {KEY_I, 23}, {KEY_J, 36}, {KEY_K, 37}, {KEY_L, 38},
        {KEY_M, 50}, {KEY_N, 49}, {KEY_O, 24}, {KEY_P, 25}, {KEY_Q, 16}, {KEY_R, 19},
        {KEY_S, 31}, {KEY_T, 20}, {KEY_U, 22}, {KEY_V, 47}, {KEY_W, 17}, {KEY_X, 45},
        {KEY_Y, 21}, {KEY_Z, 44},
        {KEY_0, 11}, {KEY_1, 2}, {KEY_2, 3}, {KEY_3, 4}, {KEY_4, 5},
        {KEY_5, 6}, {KEY_6, 7}, {KEY_7, 8}, {KEY_8, 9}, {KEY_9, 10},
        {KEY_0_PAD, 82}, {KEY_1_PAD, 79}, {KEY_2_PAD, 80}, {KEY_3_PAD, 81}, {KEY_4_PAD, 75},
        {KEY_5_PAD, 76}, {KEY_6_PAD, 77}, {KEY_7_PAD, 71}, {KEY_8_PAD, 72}, {KEY_9_PAD, 73},
        {KEY_F1, 59}, {KEY_F2, 60}, {KEY_F3, 61}, {KEY_F4, 62}, {KEY_F5, 63}, {KEY_F6, 64},
        {KEY_F7, 65}, {KEY_F8, 66}, {KEY_F9, 67}, {KEY_F10, 68}, {KEY_F11, 87}, {KEY_F12, 88},
        {KEY_ESC, 1}, {KEY_TILDE, 41}, {KEY_MINUS, 12}, {KEY_EQUALS, 13}, {KEY_BACKSPACE, 14},
        {KEY_TAB, 15}, {KEY_OPENBRACE, 26}, {KEY_CLOSEBRACE, 27}, {KEY_ENTER, 28},
        {KEY_COLON, 39}, {KEY_QUOTE, 40}, {KEY_BACKSLASH, 43}, {KEY_BACKSLASH2, 86},
        {KEY_COMMA, 51}, {KEY_STOP, 52}, {KEY_SLASH, 53}, {KEY_SPACE, 57},
        {KEY_INSERT, 128 + 82}, {KEY_DEL, 128 + 83}, {KEY_HOME, 128 + 71}, {KEY_END, 128 + 79},
        {KEY_PGUP, 128 + 73}, {KEY_PGDN, 128 + 81}, {KEY_LEFT, 128 + 75}, {KEY_RIGHT, 128 + 77},
        {KEY_UP, 128 + 72}, {KEY_DOWN, 128 + 80}, {KEY_SLASH_PAD, 128 + 53}, {KEY_ASTERISK, 55},
        {KEY_MINUS_PAD, 74}, {KEY_PLUS_PAD, 78}, {KEY_DEL_PAD, 83}, {KEY_ENTER_PAD, 128 + 28},
        {KEY_PRTSCR, 128 + 55}, {KEY_PAUSE, KBLL_KEY_PAUSE},
        {KEY_ABNT_C1, 115}, {KEY_YEN, 125}, {KEY_KANA, 112}, {KEY_CONVERT, 121},
        {KEY_NOCONVERT, 123}, {KEY_CIRCUMFLEX, 128 + 16}, {KEY_AT, 128 + 17},
        {KEY_COLON2, 128 + 18}, {KEY_KANJI, 128 + 20},
        {KEY_LSHIFT, 42}, {KEY_RSHIFT, 54}, {KEY_LCONTROL, 29}, {KEY_RCONTROL, 128 + 29},
        {KEY_ALT, 56}, {KEY_ALTGR, 128 + 56}, {KEY_LWIN, 128 + 91}, {KEY_RWIN, 128 + 92},
        {KEY_MENU, 128 + 93}, {KEY_SCRLOCK, 70}, {KEY_NUMLOCK, 69}, {KEY_CAPSLOCK, 58},
    };
    std::array<int, KEY_MAX> table{};
    for (auto &p : pairs)
        table[p[0]] = p[1];
    return table;
}();

static std::atomic<int> installed{0};
static std::atomic<unsigned char> keyStates[KBLL_KEY_COUNT];
static std::atomic<int> pauseFlag{0};
static std::atomic<KbllListener> listener{nullptr};
static std::atomic<int> pressesOnly{0};
static std::atomic<int> reentries{0};
static int repeatOn;
static int keyboardOption;
static int queueMode;

// The ring indices change only while the busy flag is held.
static int ring[KBLL_RING_SIZE];
static int ringRead;
static int ringWrite;
static std::atomic<int> ringCount{0};
static std::atomic<bool> busy{false};
static thread_local bool holdingBusy;

// Takes the busy flag unless this thread already holds it (a listener calling
// back into the layer). The game thread's holds are short, so the keyboard
// thread waits for them instead of losing a key event.
class BusyHold {
public:
    BusyHold()
    {
        if (holdingBusy)
            return;
        while (busy.exchange(true, std::memory_order_acquire))
            std::this_thread::yield();
        holdingBusy = true;
        took = true;
    }
    ~BusyHold()
    {
        if (!took)
            return;
        holdingBusy = false;
        busy.store(false, std::memory_order_release);
    }
    BusyHold(const BusyHold &) = delete;
    BusyHold &operator=(const BusyHold &) = delete;

private:
    bool took = false;
};

void KbllDeviceSet(const KbllDevice *dev)
{
    device = dev ? dev : &allegroKeyboard;
}

// The callers hold the busy flag.
static void RingClear()
{
    ringRead = 0;
    ringWrite = 0;
    ringCount = 0;
}

static void RingPut(int event)
{
    ring[ringWrite] = event;
    ringWrite = (ringWrite + 1) % KBLL_RING_SIZE;
    if (ringCount == KBLL_RING_SIZE)
        ringRead = (ringRead + 1) % KBLL_RING_SIZE;
    else
        ringCount++;
}

static void StatesClear()
{
    for (auto &s : keyStates)
        s = 0;
    pauseFlag = 0;
}

// One key changing state; the caller holds the busy flag.
static void KeyEvent(int code, int pressed)
{
    keyStates[code] = (unsigned char)pressed;
    if (code == KBLL_KEY_PAUSE) {
        // Every event toggles: a tap of Pause arrives as one event, a press
        // and a release in turn.
        pauseFlag ^= 1;
        return;
    }
    KbllListener fn = listener.load();
    if (pressed || !pressesOnly)
        RingPut(code | (pressed ? 0 : KBLL_RELEASE));
    if (fn)
        fn(code, pressed);
}

void KbllScancodeHook(int scancode)
{
    if (holdingBusy) {
        reentries++;
        return;
    }
    BusyHold hold;
    int id = scancode & 0x7F;
    LIB_ASSERT(id < KEY_MAX);
    int code = keyCodeTable[id];
    if (code)
        KeyEvent(code, !(scancode & 0x80));
}

int KbllInit()
{
    if (installed)
        return 0;
    {
        BusyHold hold;
        StatesClear();
        listener = nullptr;
        RingClear();
    }
    if (device->install() != 0)
        return 0;
    keyboard_lowlevel_callback = KbllScancodeHook;
    if (!repeatOn)
        device->setRate(0, 0);
    installed = 1;
    return 1;
}

void KbllDeinit()
{
    {
        BusyHold hold;
        listener = nullptr;
        StatesClear();
        RingClear();
    }
    if (!installed)
        return;
    keyboard_lowlevel_callback = nullptr;
    device->setLeds(-1);
    device->remove();
    installed = 0;
}

int KbllIsInstalled()
{
    return installed;
}

void KbllHookRemove()
{
    if (installed)
        keyboard_lowlevel_callback = nullptr;
}

void KbllHookRestore()
{
    if (!installed)
        return;
    keyboard_lowlevel_callback = KbllScancodeHook;
    KbllResync();
}

// Every key that changed while the handler was away is queued as it stands,
// Pause and releases included: these are catch-up events, not key strokes,
// so the pause switch and the presses-only switch leave them alone. The
// listener hears them so that its own held states follow the keys.
void KbllResync()
{
    BusyHold hold;
    KbllListener fn = listener.load();
    for (int id = 0; id < KEY_MAX; id++) {
        int code = keyCodeTable[id];
        int down = key[id] != 0;
        if (!code || keyStates[code] == down)
            continue;
        keyStates[code] = (unsigned char)down;
        RingPut(code | (down ? 0 : KBLL_RELEASE));
        if (fn)
            fn(code, down);
    }
}

void KbllReset()
{
    BusyHold hold;
    StatesClear();
    RingClear();
}

void KbllSetRepeat(int delay, int on)
{
    repeatOn = on;
    if (!installed)
        return;
    if (on)
        device->setRate(delay, on);
    else
        device->setRate(0, 0);
}

void KbllSetOption(int value)
{
    keyboardOption = value;
    if (value == 1)
        key_led_flag = 1;
}

void KbllSetLeds(int mask)
{
    int leds = 0;
    if (mask & 1)
        leds |= KB_SCROLOCK_FLAG;
    if (mask & 2)
        leds |= KB_NUMLOCK_FLAG;
    if (mask & 4)
        leds |= KB_CAPSLOCK_FLAG;
    if (installed)
        device->setLeds(leds);
}

void KbllSetMode(int mode)
{
    BusyHold hold;
    queueMode = mode;
    RingClear();
}

void KbllPressesOnlySet(int on)
{
    pressesOnly = on != 0;
}

int KbllListenerSet(KbllListener fn)
{
    BusyHold hold;
    if (!fn || listener.load())
        return 0;
    listener = fn;
    return 1;
}

void KbllListenerClear()
{
    // Holding the flag means no handler is still inside the old listener on return.
    BusyHold hold;
    listener = nullptr;
}

void KbllFlush()
{
    BusyHold hold;
    RingClear();
}

void KbllEventPush(int code)
{
    BusyHold hold;
    RingPut(code);
}

int KbllEventPending()
{
    return ringCount > 0;
}

int KbllEventRead()
{
    if (!installed)
        return 0;
    for (;;) {
        {
            BusyHold hold;
            if (ringCount > 0) {
                int event = ring[ringRead];
                ringRead = (ringRead + 1) % KBLL_RING_SIZE;
                ringCount--;
                return event;
            }
        }
        std::this_thread::yield();
    }
}

int KbllReentryCount()
{
    return reentries;
}

int KbllKeyDown(int code)
{
    if (code < 0 || code >= KBLL_KEY_COUNT)
        return 0;
    return keyStates[code];
}

int KbllPauseGet()
{
    return pauseFlag;
}

void KbllPauseSet(int on)
{
    pauseFlag = on != 0;
}

// US layout, by key code; 0 where a key gives no character.
static constexpr std::array<char, 256> MakeAsciiTable(bool shifted)
{
    std::array<char, 256> t{};
    const char *digits = shifted ? "!@#$%^&*()" : "1234567890";
    for (int i = 0; i < 10; i++)
        t[2 + i] = digits[i];
    const char *row1 = shifted ? "QWERTYUIOP{}" : "qwertyuiop[]";
    for (int i = 0; i < 12; i++)
        t[16 + i] = row1[i];
    const char *row2 = shifted ? "ASDFGHJKL:\"~" : "asdfghjkl;'`";
    for (int i = 0; i < 12; i++)
        t[30 + i] = row2[i];
    const char *row3 = shifted ? "|ZXCVBNM<>?" : "\\zxcvbnm,./";
    for (int i = 0; i < 11; i++)
        t[43 + i] = row3[i];
    const char *pad = "789-456+1230.";
    for (int i = 0; i < 13; i++)
        t[71 + i] = pad[i];
    t[1] = 27;
    t[12] = shifted ? '_' : '-';
    t[13] = shifted ? '+' : '=';
    t[14] = 8;
    t[15] = 9;
    t[28] = 13;
    t[55] = '*';
    t[57] = ' ';
    t[128 + 28] = 13;
    t[128 + 53] = '/';
    return t;
}

static constexpr std::array<char, 256> asciiPlain = MakeAsciiTable(false);
static constexpr std::array<char, 256> asciiShifted = MakeAsciiTable(true);

int KbllKeyToAscii(int code)
{
    if (code < 0 || code >= 256)
        return 0;
    int shift = keyStates[42] || keyStates[54];
    char plain = asciiPlain[code];
    if (plain >= 'a' && plain <= 'z' && (key_shifts & KB_CAPSLOCK_FLAG))
        shift = !shift;
    return (unsigned char)(shift ? asciiShifted[code] : plain);
}

static constexpr std::array<const char *, 256> keyNames = [] {
    std::array<const char *, 256> n{};
    const char *single[] = {
        "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "+",
    };
    for (int i = 0; i < 12; i++)
        n[2 + i] = single[i];
    const char *row1[] = {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]"};
    for (int i = 0; i < 12; i++)
        n[16 + i] = row1[i];
    const char *row2[] = {"A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "\"", "~"};
    for (int i = 0; i < 12; i++)
        n[30 + i] = row2[i];
    const char *row3[] = {"\\", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/"};
    for (int i = 0; i < 11; i++)
        n[43 + i] = row3[i];
    const char *fkeys[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10"};
    for (int i = 0; i < 10; i++)
        n[59 + i] = fkeys[i];
    const char *pad[] = {
        "Pad 7", "Pad 8", "Pad 9", "Pad -", "Pad 4", "Pad 5", "Pad 6",
        "Pad +", "Pad 1", "Pad 2", "Pad 3", "Pad 0", "Pad .",
    };
    for (int i = 0; i < 13; i++)
        n[71 + i] = pad[i];
    n[0] = "Nul";
    n[1] = "Esc";
    n[14] = "Backspace";
    n[15] = "Tab";
    n[28] = "Enter";
    n[29] = "LeftCtrl";
    n[42] = "LeftShift";
    n[54] = "RightShift";
    n[55] = "Pad *";
    n[56] = "LeftAlt";
    n[57] = "SpaceBar";
    n[58] = "CapsLock";
    n[69] = "NumLock";
    n[70] = "ScrollLock";
    n[87] = "F11";
    n[88] = "F12";
    n[156] = "Pad Enter";
    n[157] = "RightCtrl";
    n[181] = "Pad /";
    n[184] = "RightAlt";
    n[199] = "Home";
    n[200] = "Up";
    n[201] = "PgUp";
    n[203] = "Left";
    n[205] = "Right";
    n[207] = "End";
    n[208] = "Down";
    n[209] = "PgDn";
    n[210] = "Insert";
    n[211] = "Delete";
    return n;
}();

const char *KbllKeyName(int code)
{
    if (code < 0 || code >= 256 || !keyNames[code])
        return "";
    return keyNames[code];
}

void KbllPoll()
{
}
