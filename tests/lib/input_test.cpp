#include "lib/input-lb.h"

#include <allegro.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "support/testkit.h"

namespace {

int joyPolls;
int pressAtPoll;

const KbllDevice fakeKeyboard = {
    [] { return 0; }, [] {}, [](int) {}, [](int, int) {},
};

const JoyDevice fakeJoystick = {
    [](int) { num_joysticks = 2; return 0; },
    [] {},
    [] {
        if (++joyPolls == pressAtPoll)
            joy[0].button[3].b = 1;
        return 0;
    },
};

void ClearAllegroInput()
{
    memset(joy, 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
    for (int i = 0; i < MAX_JOYSTICKS; i++)
        joy[i].num_buttons = 8;
    num_joysticks = 0;
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

std::vector<int> Drain()
{
    std::vector<int> out;
    while (InputEventPending())
        out.push_back(InputEventRead());
    return out;
}

// Keyboard and joystick layers on fake devices, with the input engine on top.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        joyPolls = 0;
        pressAtPoll = -1;
        ClearAllegroInput();
        KbllDeviceSet(&fakeKeyboard);
        JoyDeviceSet(&fakeJoystick);
        ASSERT_EQ(KbllInit(), 1);
        ASSERT_NE(JoyInstall(1, 0), 0);
        ASSERT_EQ(InputInit(), 1);
    }
    void TearDown() override
    {
        InputDeinit();
        JoyRemove();
        KbllDeinit();
        JoyDeviceSet(nullptr);
        KbllDeviceSet(nullptr);
        ClearAllegroInput();
    }
    static void Button(int stick, int b, int down)
    {
        joy[stick].button[b].b = down;
        JoyUpdate();
    }
};

TEST_F(InputTest, KeysAndJoystickInputsInOneCodeSpace)
{
    KbllScancodeHook(KEY_ENTER_PAD);
    KbllScancodeHook(KEY_ENTER_PAD | 0x80);
    Button(1, 0, 1);  // second stick, button 0: input 37
    EXPECT_EQ(InputStateGet(293), 2);
    Button(1, 0, 0);
    EXPECT_EQ(Drain(), (std::vector<int>{156, 156 | 0x1000, 293, 293 | 0x1000}));
    EXPECT_EQ(InputStateGet(293), 0);
    EXPECT_EQ(InputStateGet(385), 0);
    EXPECT_EQ(InputStateGet(-1), 0);
}

TEST_F(InputTest, KeyAndButtonRemappedToOneCodeMerge)
{
    int table[INPUT_REMAP_SIZE];
    EXPECT_EQ(InputRemapGet(table), 0);
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        ASSERT_EQ(table[i], i);
    table[293] = 30;  // stick 2's button 0 acts as key A
    ASSERT_EQ(InputRemapSet(table), 1);
    ASSERT_EQ(InputReinit(), 1);

    KbllScancodeHook(KEY_A);
    Button(1, 0, 1);
    EXPECT_EQ(InputStateGet(30), 3);
    KbllScancodeHook(KEY_A | 0x80);
    EXPECT_EQ(Drain(), std::vector<int>{30});  // the release of A alone queues nothing
    Button(1, 0, 0);
    EXPECT_EQ(Drain(), std::vector<int>{30 | 0x1000});

    // The other order: button first, key last.
    Button(1, 0, 1);
    KbllScancodeHook(KEY_A);
    Button(1, 0, 0);
    KbllScancodeHook(KEY_A | 0x80);
    EXPECT_EQ(Drain(), (std::vector<int>{30, 30 | 0x1000}));

    int back[INPUT_REMAP_SIZE];
    EXPECT_EQ(InputRemapGet(back), 1);
    EXPECT_EQ(back[293], 30);
    EXPECT_EQ(back[30], 30);
    InputRemapFree();
    EXPECT_EQ(InputRemapGet(back), 0);
    EXPECT_EQ(back[293], 293);
}

TEST_F(InputTest, RemapToNoInputStaysInsideTheStateMap)
{
    int table[INPUT_REMAP_SIZE];
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        table[i] = i;
    table[30] = INPUT_CODE_NONE;
    table[48] = 5000;  // out of range: stored as no input
    table[46] = -2;
    ASSERT_EQ(InputRemapSet(table), 1);
    int back[INPUT_REMAP_SIZE];
    InputRemapGet(back);
    EXPECT_EQ(back[48], INPUT_CODE_NONE);
    EXPECT_EQ(back[46], INPUT_CODE_NONE);

    KbllScancodeHook(KEY_A);
    EXPECT_EQ(InputStateGet(INPUT_CODE_NONE), 1);
    KbllScancodeHook(KEY_A | 0x80);
    EXPECT_EQ(InputStateGet(INPUT_CODE_NONE), 0);
    KbllScancodeHook(KEY_B);
    EXPECT_EQ(InputStateGet(INPUT_CODE_NONE), 1);
    EXPECT_EQ(Drain(), (std::vector<int>{384, 384 | 0x1000, 384}));
}

TEST_F(InputTest, StateRefreshReadsHeldKeysAndInputsThroughRemap)
{
    KbllScancodeHook(KEY_UP);
    Button(0, 1, 1);  // input 6, code 262
    int table[INPUT_REMAP_SIZE];
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        table[i] = i;
    table[262] = 200;
    table[200] = 203;
    ASSERT_EQ(InputRemapSet(table), 1);
    InputStateRefresh();
    EXPECT_EQ(InputStateGet(200), 2);
    EXPECT_EQ(InputStateGet(203), 1);
    EXPECT_EQ(InputStateGet(262), 0);
    InputEventFlush();
    EXPECT_FALSE(InputEventPending());
}

TEST_F(InputTest, RingDropsOldestAndReadPollsJoysticks)
{
    for (int i = 1; i <= 257; i++)
        ASSERT_EQ(InputEventPush(i), 1);
    std::vector<int> got = Drain();
    ASSERT_EQ(got.size(), 256u);
    EXPECT_EQ(got.front(), 2);
    EXPECT_EQ(got.back(), 257);

    pressAtPoll = joyPolls + 3;
    EXPECT_EQ(InputEventRead(), 256 + 8);  // stick 1, button 3
}

TEST_F(InputTest, InitNeedsBothListenersFree)
{
    EXPECT_EQ(InputInit(), 0);  // ours are already in place
    InputDeinit();
    ASSERT_EQ(JoyCallbackSet([](int, int) {}), 1);
    EXPECT_EQ(InputInit(), 0);
    EXPECT_EQ(KbllListenerSet([](int, int) {}), 1);  // the keyboard's was given back
    KbllListenerClear();
    EXPECT_EQ(InputReinit(), 1);
}

TEST_F(InputTest, KeyboardThreadPushesWhileGameThreadReads)
{
    std::atomic<int> sent{0};
    std::thread keyboard([&] {
        for (int burst = 0; burst < 200; burst++) {
            while (InputEventPending())  // never overflow: every event must arrive
                std::this_thread::yield();
            for (int i = 0; i < 100; i++) {
                KbllScancodeHook(KEY_S | (i & 1 ? 0x80 : 0));
                sent++;
            }
        }
    });
    int got = 0;
    int bad = 0;
    while (got < 20000) {
        int e = InputEventRead();
        bad += e != (got & 1 ? 31 | 0x1000 : 31);
        got++;
    }
    keyboard.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(sent.load(), 20000);
    EXPECT_FALSE(InputEventPending());
}

TEST(InputNoDevice, NothingInstalledReturnsAtOnce)
{
    ASSERT_EQ(KbllIsInstalled(), 0);
    ASSERT_EQ(JoyIsInstalled(), 0);
    EXPECT_EQ(InputInit(), 1);
    EXPECT_EQ(InputEventRead(), 0);
    EXPECT_EQ(InputEventPush(5), 0);
    EXPECT_EQ(InputEventPending(), 0);
    KbllScancodeHook(KEY_A);  // the state map follows, nothing is queued
    EXPECT_EQ(InputStateGet(30), 1);
    KbllScancodeHook(KEY_A | 0x80);
    KbllReset();
    InputDeinit();
}

TEST(InputCodes, FromKeyAndJoystickEvents)
{
    struct { int event, code; } keys[] = {
        {0, 384}, {0x100, 384}, {1, 1}, {30, 30}, {30 | 0x100, 30 | 0x1000},
        {222, 222}, {255 | 0x100, 255 | 0x1000},
    };
    for (auto &c : keys)
        EXPECT_EQ(InputCodeFromKey(c.event), c.code) << c.event;
    struct { int event, code; } pads[] = {
        {0, 0}, {128, 384}, {1, 257}, {37, 293}, {37 | 0x100, 293 | 0x1000}, {127, 383},
        {128 | 0x100, 384}, {500, 384}, {-3, 384},
    };
    for (auto &c : pads)
        EXPECT_EQ(InputCodeFromJoy(c.event), c.code) << c.event;
}

TEST(InputCodesDeathTest, KeyCodeBeyondKeysIsAnAssertion)
{
    EXPECT_EXIT(InputCodeFromKey(0x200), ::testing::ExitedWithCode(1), "Assert failure in input-lb.cpp");
}

TEST(IntQueue, RingOfInts)
{
    IntQueue q;
    ASSERT_EQ(IntQueueCreate(&q, 32), 1);
    EXPECT_EQ(IntQueueIsValid(&q), 1);
    EXPECT_EQ(IntQueueIsEmpty(&q), 1);
    EXPECT_EQ(IntQueuePop(&q), 0);
    for (int i = 1; i <= 40; i++)
        IntQueuePush(&q, i);
    std::vector<int> got;
    while (!IntQueueIsEmpty(&q))
        got.push_back(IntQueuePop(&q));
    ASSERT_EQ(got.size(), 32u);
    EXPECT_EQ(got.front(), 9);
    EXPECT_EQ(got.back(), 40);
    IntQueuePush(&q, 7);
    IntQueueClear(&q);
    EXPECT_EQ(IntQueuePop(&q), 0);
    IntQueueFree(&q);
    EXPECT_EQ(IntQueueIsValid(&q), 0);
    IntQueuePush(&q, 1);  // no storage: ignored
    EXPECT_EQ(IntQueuePop(&q), 0);
    EXPECT_EQ(IntQueueCreate(&q, 0), 0);
    EXPECT_EQ(IntQueueIsValid(&q), 0);
}

}  // namespace
