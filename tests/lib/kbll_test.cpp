#include "lib/kbll-lib.h"

#include <allegro.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/testkit.h"

namespace {

struct FakeKeyboard {
    int installResult = 0;
    int installs = 0;
    int removes = 0;
    std::vector<int> leds;
    std::vector<std::pair<int, int>> rates;
};
FakeKeyboard fake;

const KbllDevice fakeDevice = {
    [] { fake.installs++; return fake.installResult; },
    [] { fake.removes++; },
    [](int leds) { fake.leds.push_back(leds); },
    [](int delay, int rate) { fake.rates.push_back({delay, rate}); },
};

std::vector<std::pair<int, int>> heard;
void Record(int code, int pressed)
{
    heard.push_back({code, pressed});
}

void ClearAllegroKeys()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
    key_shifts = 0;
}

class KbllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = FakeKeyboard();
        heard.clear();
        ClearAllegroKeys();
        KbllDeviceSet(&fakeDevice);
        KbllPressesOnlySet(0);
        ASSERT_EQ(KbllInit(), 1);
    }
    void TearDown() override
    {
        KbllDeinit();
        KbllDeviceSet(nullptr);
        ClearAllegroKeys();
    }
    static void Press(int id) { KbllScancodeHook(id); }
    static void Release(int id) { KbllScancodeHook(id | 0x80); }
    static std::vector<int> Drain()
    {
        std::vector<int> out;
        while (KbllEventPending())
            out.push_back(KbllEventRead());
        return out;
    }
};

TEST_F(KbllTest, InitOnceDeinitRestoresLedsAndRemoves)
{
    EXPECT_EQ(KbllIsInstalled(), 1);
    EXPECT_EQ(fake.installs, 1);
    EXPECT_EQ(keyboard_lowlevel_callback, &KbllScancodeHook);
    EXPECT_EQ(fake.rates, (std::vector<std::pair<int, int>>{{0, 0}}));  // repeat off
    EXPECT_EQ(KbllInit(), 0);
    EXPECT_EQ(fake.installs, 1);

    KbllDeinit();
    EXPECT_EQ(KbllIsInstalled(), 0);
    EXPECT_EQ(fake.leds, std::vector<int>{-1});
    EXPECT_EQ(fake.removes, 1);
    EXPECT_EQ(keyboard_lowlevel_callback, nullptr);
    EXPECT_EQ(KbllEventRead(), 0);  // not installed: no wait

    fake.installResult = -1;
    EXPECT_EQ(KbllInit(), 0);
    EXPECT_EQ(KbllIsInstalled(), 0);
    fake.installResult = 0;
    ASSERT_EQ(KbllInit(), 1);
}

TEST_F(KbllTest, TranslatesAllegroIdentifiersToScanCodes)
{
    struct { int id; int code; } cases[] = {
        {KEY_ESC, 1}, {KEY_1, 2}, {KEY_0, 11}, {KEY_A, 30}, {KEY_Z, 44}, {KEY_Q, 16},
        {KEY_ENTER, 28}, {KEY_SPACE, 57}, {KEY_F1, 59}, {KEY_F10, 68}, {KEY_F11, 87},
        {KEY_F12, 88}, {KEY_7_PAD, 71}, {KEY_0_PAD, 82}, {KEY_DEL_PAD, 83}, {KEY_ASTERISK, 55},
        {KEY_ENTER_PAD, 156}, {KEY_SLASH_PAD, 181}, {KEY_UP, 200}, {KEY_LEFT, 203},
        {KEY_RIGHT, 205}, {KEY_DOWN, 208}, {KEY_HOME, 199}, {KEY_PGDN, 209}, {KEY_INSERT, 210},
        {KEY_DEL, 211}, {KEY_TILDE, 41}, {KEY_QUOTE, 40}, {KEY_BACKSLASH, 43},
        // Allegro 4.4 numbers the modifiers 115 to 126.
        {KEY_LSHIFT, 42}, {KEY_RSHIFT, 54}, {KEY_LCONTROL, 29}, {KEY_RCONTROL, 157},
        {KEY_ALT, 56}, {KEY_ALTGR, 184}, {KEY_SCRLOCK, 70}, {KEY_NUMLOCK, 69},
        {KEY_CAPSLOCK, 58},
    };
    ASSERT_EQ(KEY_LSHIFT, 115);
    ASSERT_EQ(KEY_CAPSLOCK, 126);
    for (auto &c : cases) {
        Press(c.id);
        EXPECT_EQ(KbllKeyDown(c.code), 1) << c.id;
        Release(c.id);
        EXPECT_EQ(KbllKeyDown(c.code), 0) << c.id;
        EXPECT_EQ(Drain(), (std::vector<int>{c.code, c.code | 0x100})) << c.id;
    }
    // Identifiers with no scan code are ignored.
    for (int id : {0, (int)KEY_COMMAND, (int)KEY_UNKNOWN1, (int)KEY_UNKNOWN8, (int)KEY_EQUALS_PAD}) {
        Press(id);
        Release(id);
        EXPECT_FALSE(KbllEventPending()) << id;
    }
}

TEST_F(KbllTest, EveryPauseEventTogglesAndQueuesNothing)
{
    // Each tap of Pause comes as one event, a press and a release in turn.
    ASSERT_EQ(KbllListenerSet(Record), 1);
    std::vector<int> paused;
    for (int tap = 0; tap < 6; tap++) {
        if (tap % 2 == 0)
            Press(KEY_PAUSE);
        else
            Release(KEY_PAUSE);
        paused.push_back(KbllPauseGet());
        EXPECT_EQ(KbllKeyDown(KBLL_KEY_PAUSE), tap % 2 == 0) << tap;
    }
    EXPECT_EQ(paused, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    EXPECT_FALSE(KbllEventPending());
    EXPECT_TRUE(heard.empty());

    KbllPauseSet(1);
    EXPECT_EQ(KbllPauseGet(), 1);
    KbllReset();
    EXPECT_EQ(KbllPauseGet(), 0);
}

TEST_F(KbllTest, RingKeepsTheLast256)
{
    for (int i = 1; i <= 300; i++)
        KbllEventPush(i);
    std::vector<int> got = Drain();
    ASSERT_EQ(got.size(), 256u);
    EXPECT_EQ(got.front(), 45);
    EXPECT_EQ(got.back(), 300);

    for (int i = 0; i < 10; i++)
        Press(KEY_A);
    KbllFlush();
    EXPECT_FALSE(KbllEventPending());
    KbllEventPush(5);
    KbllSetMode(2);  // also empties the ring
    EXPECT_FALSE(KbllEventPending());
    Press(KEY_B);
    KbllReset();
    EXPECT_FALSE(KbllEventPending());
    EXPECT_EQ(KbllKeyDown(48), 0);
}

TEST_F(KbllTest, ListenerAndPressesOnly)
{
    EXPECT_EQ(KbllListenerSet(Record), 1);
    EXPECT_EQ(KbllListenerSet(Record), 0);
    EXPECT_EQ(KbllListenerSet(nullptr), 0);
    Press(KEY_A);
    Release(KEY_A);
    KbllPressesOnlySet(1);
    Press(KEY_UP);
    Release(KEY_UP);
    EXPECT_EQ(Drain(), (std::vector<int>{30, 30 | 0x100, 200}));
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{30, 1}, {30, 0}, {200, 1}, {200, 0}}));

    KbllListenerClear();
    Press(KEY_B);
    EXPECT_EQ(heard.size(), 4u);
    EXPECT_EQ(KbllListenerSet(Record), 1);
}

int reentryResult;
void CallsBackIn(int code, int pressed)
{
    // Entering the handler from its own listener drops the inner event;
    // queueing by hand from the listener works.
    KbllScancodeHook(KEY_B);
    KbllEventPush(code | 0x8000);
    reentryResult = pressed;
}

TEST_F(KbllTest, ReentryIsCountedAndDropped)
{
    int before = KbllReentryCount();
    ASSERT_EQ(KbllListenerSet(CallsBackIn), 1);
    Press(KEY_A);
    EXPECT_EQ(KbllReentryCount(), before + 1);
    EXPECT_EQ(KbllKeyDown(48), 0);
    EXPECT_EQ(Drain(), (std::vector<int>{30, 30 | 0x8000}));
    EXPECT_EQ(reentryResult, 1);
}

std::atomic<int> heardCount;
void Count(int, int)
{
    heardCount++;
}

TEST_F(KbllTest, KeyboardThreadLosesNoEventWhileGameThreadWorksOnRing)
{
    heardCount = 0;
    int before = KbllReentryCount();
    ASSERT_EQ(KbllListenerSet(Count), 1);
    std::atomic<bool> done{false};
    std::thread keyboard([&] {
        for (int i = 0; i < 20000; i++)
            KbllScancodeHook(KEY_A | (i & 1 ? 0x80 : 0));
        done = true;
    });
    int reads = 0;
    while (!done) {
        if (KbllEventPending()) {
            KbllEventRead();
            reads++;
        }
        KbllFlush();
    }
    keyboard.join();
    EXPECT_EQ(heardCount.load(), 20000);
    EXPECT_EQ(KbllReentryCount(), before);
    EXPECT_EQ(KbllKeyDown(30), 0);
}

TEST_F(KbllTest, ResyncQueuesWhatChangedWhileAway)
{
    ASSERT_EQ(KbllListenerSet(Record), 1);
    key[KEY_A] = 1;
    Press(KEY_A);
    key[KEY_C] = 1;
    Press(KEY_C);
    EXPECT_EQ(Drain().size(), 2u);
    heard.clear();

    KbllHookRemove();
    EXPECT_EQ(keyboard_lowlevel_callback, nullptr);
    key[KEY_A] = 0;  // released while the window was away
    key[KEY_RCONTROL] = 1;  // pressed while away
    KbllHookRestore();
    EXPECT_EQ(keyboard_lowlevel_callback, &KbllScancodeHook);
    EXPECT_EQ(Drain(), (std::vector<int>{30 | 0x100, 157}));
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{30, 0}, {157, 1}}));
    EXPECT_EQ(KbllKeyDown(30), 0);
    EXPECT_EQ(KbllKeyDown(46), 1);
    EXPECT_EQ(KbllKeyDown(157), 1);

    KbllResync();  // nothing changed since
    EXPECT_FALSE(KbllEventPending());

    // Pause changed while away is queued like any key and does not toggle the
    // pause; with presses-only on, a release is still queued.
    heard.clear();
    KbllPressesOnlySet(1);
    KbllHookRemove();
    key[KEY_PAUSE] = 1;
    key[KEY_C] = 0;
    KbllHookRestore();
    EXPECT_EQ(KbllPauseGet(), 0);
    EXPECT_EQ(KbllKeyDown(KBLL_KEY_PAUSE), 1);
    KbllHookRemove();
    key[KEY_PAUSE] = 0;
    KbllHookRestore();
    EXPECT_EQ(KbllPauseGet(), 0);
    EXPECT_EQ(Drain(), (std::vector<int>{46 | 0x100, KBLL_KEY_PAUSE, KBLL_KEY_PAUSE | 0x100}));
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{46, 0}, {KBLL_KEY_PAUSE, 1}, {KBLL_KEY_PAUSE, 0}}));
}

TEST_F(KbllTest, KeyNames)
{
    struct { int code; const char *name; } cases[] = {
        {0, "Nul"}, {1, "Esc"}, {2, "1"}, {11, "0"}, {12, "-"}, {13, "+"}, {14, "Backspace"},
        {15, "Tab"}, {16, "Q"}, {25, "P"}, {26, "["}, {27, "]"}, {28, "Enter"},
        {29, "LeftCtrl"}, {30, "A"}, {38, "L"}, {39, ";"}, {40, "\""}, {41, "~"},
        {42, "LeftShift"}, {43, "\\"}, {44, "Z"}, {50, "M"}, {51, ","}, {52, "."}, {53, "/"},
        {54, "RightShift"}, {55, "Pad *"}, {56, "LeftAlt"}, {57, "SpaceBar"},
        {58, "CapsLock"}, {59, "F1"}, {68, "F10"}, {69, "NumLock"}, {70, "ScrollLock"},
        {71, "Pad 7"}, {74, "Pad -"}, {78, "Pad +"}, {82, "Pad 0"}, {83, "Pad ."},
        {84, ""}, {86, ""}, {87, "F11"}, {88, "F12"}, {156, "Pad Enter"}, {157, "RightCtrl"},
        {181, "Pad /"}, {184, "RightAlt"}, {199, "Home"}, {200, "Up"}, {201, "PgUp"},
        {202, ""}, {203, "Left"}, {205, "Right"}, {207, "End"}, {208, "Down"}, {209, "PgDn"},
        {210, "Insert"}, {211, "Delete"}, {222, ""}, {255, ""}, {256, ""}, {-1, ""},
    };
    for (auto &c : cases)
        EXPECT_STREQ(KbllKeyName(c.code), c.name) << c.code;
}

TEST_F(KbllTest, KeyToAsciiWithShiftAndCapsLock)
{
    EXPECT_EQ(KbllKeyToAscii(30), 'a');
    EXPECT_EQ(KbllKeyToAscii(2), '1');
    EXPECT_EQ(KbllKeyToAscii(53), '/');
    EXPECT_EQ(KbllKeyToAscii(156), 13);
    EXPECT_EQ(KbllKeyToAscii(57), ' ');
    EXPECT_EQ(KbllKeyToAscii(59), 0);
    EXPECT_EQ(KbllKeyToAscii(300), 0);

    Press(KEY_RSHIFT);
    EXPECT_EQ(KbllKeyToAscii(30), 'A');
    EXPECT_EQ(KbllKeyToAscii(2), '!');
    EXPECT_EQ(KbllKeyToAscii(40), '"');
    EXPECT_EQ(KbllKeyToAscii(43), '|');
    Release(KEY_RSHIFT);

    key_shifts = KB_CAPSLOCK_FLAG;  // Caps Lock turns letters only
    EXPECT_EQ(KbllKeyToAscii(30), 'A');
    EXPECT_EQ(KbllKeyToAscii(2), '1');
    Press(KEY_LSHIFT);
    EXPECT_EQ(KbllKeyToAscii(30), 'a');
    EXPECT_EQ(KbllKeyToAscii(2), '!');
    Release(KEY_LSHIFT);
    Drain();
}

TEST_F(KbllTest, RepeatLedsAndOption)
{
    fake.rates.clear();
    KbllSetRepeat(250, 1);
    KbllSetRepeat(250, 0);
    EXPECT_EQ(fake.rates, (std::vector<std::pair<int, int>>{{250, 1}, {0, 0}}));

    KbllSetLeds(0);
    KbllSetLeds(7);
    KbllSetLeds(2);
    KbllSetLeds(0x15);  // only the low 3 bits count
    EXPECT_EQ(fake.leds, (std::vector<int>{0, 0x700, 0x200, 0x500}));

    key_led_flag = 0;
    KbllSetOption(0);
    EXPECT_EQ(key_led_flag, 0);
    KbllSetOption(1);
    EXPECT_EQ(key_led_flag, 1);
    KbllPoll();
}

TEST(KbllDeathTest, IdentifierBeyondAllegroKeysIsAnAssertion)
{
    EXPECT_EXIT(KbllScancodeHook(KEY_MAX), ::testing::ExitedWithCode(1),
                "Assert failure in kbll-lib.cpp line");
}

}  // namespace
