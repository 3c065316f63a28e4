#include "velok/player/keybuf.h"

#include <allegro.h>

#include <vector>

#include "lib/input-lb.h"
#include "lib/kbll-lib.h"
#include "support/testkit.h"

namespace {

std::vector<int> Drain(KeyBuf *kb)
{
    std::vector<int> out;
    for (int c; (c = KeyBufPop(kb)) != 0;)
        out.push_back(c);
    return out;
}

KeyConfig TestConfig()
{
    KeyConfig cfg{};
    for (int i = 1; i <= 12; i++)
        cfg.key[i] = 100 + i;
    return cfg;
}

TEST(KeyBufTest, RingKeepsTheLast29)
{
    KeyBuf kb;
    KeyBufClear(&kb);
    for (int i = 0; i < 30; i++)
        KeyBufPush(&kb, 5 + (i % 6));
    std::vector<int> got = Drain(&kb);
    ASSERT_EQ(got.size(), 29u);
    EXPECT_EQ(got.front(), 5 + (1 % 6));
    EXPECT_EQ(got.back(), 5 + (29 % 6));
    EXPECT_EQ(KeyBufPop(&kb), 0);
}

TEST(KeyBufTest, HeldFlagsFollowPressesAndBadButtonsAreIgnored)
{
    KeyBuf kb;
    KeyBufClear(&kb);
    KeyBufPush(&kb, 6);
    EXPECT_EQ(kb.held[6], 1);
    KeyBufPush(&kb, 6 | KEYBUF_RELEASE);
    EXPECT_EQ(kb.held[6], 0);
    KeyBufPush(&kb, 0x10);  // no button
    KeyBufPush(&kb, 13);    // beyond the twelve buttons
    KeyBufPush(&kb, 15 | KEYBUF_RELEASE);
    EXPECT_EQ(Drain(&kb), (std::vector<int>{6, 6 | KEYBUF_RELEASE}));
}

TEST(KeyBufTest, InputEventsThroughConfigurationAndFacing)
{
    KeyBuf kb;
    KeyBufClear(&kb);
    KeyConfig cfg = TestConfig();
    KeyBufPushInput(&kb, &cfg, 102);                  // right: forward
    KeyBufPushInput(&kb, &cfg, 104 | INPUT_RELEASE);  // left released: back
    KeyBufPushInput(&kb, &cfg, 99);                   // not configured
    KeyBufPushInput(&kb, &cfg, 99 | INPUT_RELEASE);
    KeyBufPushInput(&kb, nullptr, 105);               // AI players have none
    EXPECT_EQ(Drain(&kb), (std::vector<int>{2, 4 | KEYBUF_RELEASE}));
    kb.faceLeft = 1;
    KeyBufPushInput(&kb, &cfg, 102);
    KeyBufPushInput(&kb, &cfg, 104);
    KeyBufPushInput(&kb, &cfg, 112);  // the further key
    EXPECT_EQ(Drain(&kb), (std::vector<int>{4, 2, 12}));
}

TEST(KeyBufTest, TurningRelabelsTheHeldHorizontalKey)
{
    struct Case {
        int faceLeft;
        int held;  // 0 none, 2 forward, 4 back, 6 both
        std::vector<int> events;
    };
    const int R = KEYBUF_RELEASE | KEYBUF_REREAD, P = KEYBUF_REREAD;
    const Case cases[] = {
        {0, 4, {4 | R, 2 | P}},
        {0, 2, {2 | R, 4 | P}},
        {1, 2, {2 | R, 4 | P}},
        {1, 4, {4 | R, 2 | P}},
        {0, 6, {}},
        {0, 0, {}},
    };
    for (const Case &c : cases) {
        KeyBuf kb;
        KeyBufClear(&kb);
        kb.faceLeft = c.faceLeft;
        kb.held[2] = (c.held & 2) != 0;
        kb.held[4] = (c.held & 4) != 0;
        KeyBufSetFacing(&kb, !c.faceLeft);
        EXPECT_EQ(kb.faceLeft, !c.faceLeft);
        EXPECT_EQ(Drain(&kb), c.events) << c.faceLeft << " " << c.held;
        if (c.held == 6) {
            EXPECT_TRUE(kb.held[2] && kb.held[4]);
        }
        KeyBufSetFacing(&kb, !c.faceLeft);  // already so: nothing
        EXPECT_TRUE(Drain(&kb).empty());
    }
}

TEST(KeyBufTest, MenuKeysAndConfigurationSearch)
{
    KeyConfig cfgs[2] = {TestConfig(), TestConfig()};
    for (int i = 1; i <= 12; i++)
        cfgs[1].key[i] = 200 + i;
    EXPECT_TRUE(KeyBufIsMenuKey(&cfgs[0], 105));
    EXPECT_TRUE(KeyBufIsMenuKey(&cfgs[0], 111));
    EXPECT_FALSE(KeyBufIsMenuKey(&cfgs[0], 101));
    EXPECT_FALSE(KeyBufIsMenuKey(&cfgs[0], 112));
    EXPECT_FALSE(KeyBufIsMenuKey(nullptr, 105));
    int idx = -1;
    EXPECT_EQ(KeyConfigFind(cfgs, 2, 203, &idx), 1 << 2);
    EXPECT_EQ(idx, 1);
    EXPECT_EQ(KeyConfigFind(cfgs, 2, 112, &idx), 1 << 11);
    EXPECT_EQ(idx, 0);
    EXPECT_EQ(KeyConfigFind(cfgs, 2, 99, &idx), 0);
}

const KbllDevice fakeKeyboard = {
    [] { return 0; }, [] {}, [](int) {}, [](int, int) {},
};

TEST(KeyBufTest, PollReadsHeldKeysUnderTheFacingSwap)
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
    KbllDeviceSet(&fakeKeyboard);
    ASSERT_EQ(KbllInit(), 1);
    ASSERT_EQ(InputInit(), 1);
    KbllScancodeHook(KEY_A);
    InputStateRefresh();
    int code = 0;
    for (int c = 1; c < INPUT_JOY_BASE && !code; c++)
        if (InputStateGet(c))
            code = c;
    ASSERT_NE(code, 0);

    KeyConfig cfg{};
    cfg.key[2] = code;  // the right key
    KeyBuf kb;
    KeyBufClear(&kb);
    kb.faceLeft = 1;
    kb.held[6] = 1;  // b is held but its key (code 0) is not
    KeyBufPollKeys(&kb, &cfg);
    EXPECT_EQ(Drain(&kb), (std::vector<int>{4 | KEYBUF_REREAD, 6 | KEYBUF_REREAD | KEYBUF_RELEASE}));
    KeyBufPollKeys(&kb, &cfg);  // in step now
    EXPECT_TRUE(Drain(&kb).empty());
    KeyBufPollKeys(&kb, nullptr);

    KbllScancodeHook(KEY_A | 0x80);
    InputDeinit();
    KbllDeinit();
    KbllDeviceSet(nullptr);
}

}  // namespace
