#include "lib/joy.h"

#include <allegro.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "support/testkit.h"

namespace {

struct FakeJoystick {
    int sticks = 2;
    int installResult = 0;
    int installs = 0;
    int removes = 0;
    int polls = 0;
    std::function<void(int)> onPoll;  // gets the poll number
};
FakeJoystick fake;

const JoyDevice fakeDevice = {
    [](int) {
        fake.installs++;
        num_joysticks = fake.sticks;
        return fake.installResult;
    },
    [] { fake.removes++; },
    [] {
        fake.polls++;
        if (fake.onPoll)
            fake.onPoll(fake.polls);
        return 0;
    },
};

std::vector<std::pair<int, int>> heard;
void Record(int n, int on)
{
    heard.push_back({n, on});
}

void ClearAllegroSticks()
{
    memset(joy, 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
    for (int i = 0; i < MAX_JOYSTICKS; i++) {
        joy[i].num_sticks = 1;
        joy[i].stick[0].num_axis = 2;
        joy[i].num_buttons = 8;
    }
    num_joysticks = 0;
}

class JoyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = FakeJoystick();
        heard.clear();
        ClearAllegroSticks();
        JoyDeviceSet(&fakeDevice);
    }
    void TearDown() override
    {
        JoyRemove();
        JoyDeviceSet(nullptr);
        ClearAllegroSticks();
    }
    static std::vector<int> Drain()
    {
        std::vector<int> out;
        while (JoyEventPending())
            out.push_back(JoyEventRead());
        return out;
    }
};

TEST_F(JoyTest, TypeZeroInstallsNothing)
{
    EXPECT_EQ(JoyInstall(0, 0), 0);
    EXPECT_EQ(JoyIsInstalled(), 0);
    EXPECT_EQ(fake.installs, 0);
    EXPECT_EQ(JoyUpdate(), 0);
    EXPECT_EQ(fake.polls, 0);
    EXPECT_EQ(JoyEventRead(), 0);  // nothing can arrive: no wait
    EXPECT_EQ(JoyPollStub(), 1);

    fake.installResult = -1;
    EXPECT_EQ(JoyInstall(1, 0), 0);
    EXPECT_EQ(JoyIsInstalled(), 0);
}

TEST_F(JoyTest, InstallOnceAndRemove)
{
    fake.sticks = 8;  // Allegro 4.4 allows 8; inputs hold 4
    ASSERT_NE(JoyInstall(1, 5), 0);
    EXPECT_EQ(JoyIsInstalled(), 1);
    EXPECT_EQ(JoyCountGet(), 4);
    EXPECT_EQ(JoyInstall(1, 5), 0);
    EXPECT_EQ(fake.installs, 1);
    ASSERT_EQ(JoyCallbackSet(Record), 1);
    EXPECT_EQ(JoyCallbackSet(Record), 0);
    EXPECT_EQ(JoyCallbackSet(nullptr), 0);

    JoyRemove();
    EXPECT_EQ(fake.removes, 1);
    EXPECT_EQ(JoyIsInstalled(), 0);
    EXPECT_EQ(JoyCallbackSet(Record), 1);  // removal dropped the callback
    JoyCallbackClear();
    EXPECT_EQ(JoyCallbackSet(Record), 1);
}

TEST_F(JoyTest, HeldButtonReportsOnceEachWay)
{
    ASSERT_NE(JoyInstall(1, 0), 0);
    ASSERT_EQ(JoyCallbackSet(Record), 1);
    joy[1].button[0].b = 1;  // second stick, button 0: 32 + 5
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(JoyUpdate(), 1);
    EXPECT_EQ(JoyInputIsOn(37), 1);
    joy[1].button[0].b = 0;
    for (int i = 0; i < 5; i++)
        JoyUpdate();
    EXPECT_EQ(JoyInputIsOn(37), 0);
    EXPECT_EQ(Drain(), (std::vector<int>{37, 37 | 0x100}));
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{37, 1}, {37, 0}}));
    EXPECT_EQ(fake.polls, 10);
}

TEST_F(JoyTest, DirectionsAndButtonBits)
{
    ASSERT_NE(JoyInstall(1, 0), 0);
    struct { int stick, x, y, button; std::vector<int> inputs; } cases[] = {
        {0, -100, 0, -1, {3}},       // left
        {0, 1, 0, -1, {4}},          // right
        {0, 0, -3, -1, {1}},         // up
        {0, 0, 128, -1, {2}},        // down
        {1, -5, 5, 2, {32 + 2, 32 + 3, 32 + 7}},
        {0, 0, 0, 26, {31}},         // the last button that has an input number
    };
    for (auto &c : cases) {
        joy[0].num_buttons = 32;
        joy[1].num_buttons = 32;
        joy[c.stick].stick[0].axis[0].pos = c.x;
        joy[c.stick].stick[0].axis[1].pos = c.y;
        if (c.button >= 0)
            joy[c.stick].button[c.button].b = 1;
        JoyUpdate();
        std::vector<int> got = Drain();
        EXPECT_EQ(got, c.inputs) << c.stick << " " << c.x << " " << c.y << " " << c.button;
        ClearAllegroSticks();
        JoyUpdate();
        JoyEventClear();
    }
}

TEST_F(JoyTest, InputsBeyondTheCodeSpaceAreIgnored)
{
    fake.sticks = 8;
    ASSERT_NE(JoyInstall(1, 0), 0);
    joy[5].button[0].b = 1;  // sixth stick
    joy[0].num_buttons = 32;
    for (int b = 27; b < 32; b++)  // would need bits 32 to 36
        joy[0].button[b].b = 1;
    joy[2].num_sticks = 0;  // no stick: its axes are not read
    joy[2].stick[0].axis[0].pos = -50;
    JoyUpdate();
    EXPECT_FALSE(JoyEventPending());
    EXPECT_EQ(JoyInputIsOn(128), 0);
    EXPECT_EQ(JoyInputIsOn(-1), 0);
}

TEST_F(JoyTest, RingDropsOldestAndReadPollsUntilAnEvent)
{
    for (int i = 1; i <= 257; i++)
        JoyEventPush(i);
    std::vector<int> got = Drain();
    ASSERT_EQ(got.size(), 256u);
    EXPECT_EQ(got.front(), 2);
    EXPECT_EQ(got.back(), 257);

    ASSERT_NE(JoyInstall(1, 0), 0);
    fake.onPoll = [](int n) {
        if (n == 5)
            joy[0].button[1].b = 1;
    };
    EXPECT_EQ(JoyEventRead(), 6);
    EXPECT_EQ(fake.polls, 5);

    JoyEventPush(9);
    JoyReset();
    EXPECT_FALSE(JoyEventPending());
    EXPECT_EQ(JoyInputIsOn(6), 0);
}

}  // namespace
