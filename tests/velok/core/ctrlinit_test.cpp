#include "velok/core/ctrlinit.h"

#include <string>
#include <vector>

#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/libbase.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/keybuf.h"

namespace {

struct FakePads {
    int installResult = 0;
    std::vector<int> installs;  // types asked for
    int removes = 0;
};
FakePads pads;

const JoyDevice fakePads = {
    [](int type) { pads.installs.push_back(type); return pads.installResult; },
    [] { pads.removes++; },
    [] { return 0; },
};

class Controls : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        LogStateReset();
        pads = FakePads();
        JoyDeviceSet(&fakePads);
        gv = new GameVars();
        CfgInput &in = gv->cfg.input;
        for (int p = 0; p < 2; p++)
            for (int k = 0; k < KEYCONFIG_SLOTS; k++) {
                in.keys[p].key[k] = SYSKEYS_KEY_NONE;
                in.joyKeys[p].key[k] = SYSKEYS_PAD_NONE;
            }
    }
    void TearDown() override
    {
        InputDeinit();
        JoyRemove();
        JoyDeviceSet(nullptr);
        delete gv;
        gv = nullptr;
        LogStateReset();
        TempDirTest::TearDown();
    }
    // The status log after its three header lines.
    static std::string Log()
    {
        return GameLogClosed();
    }
    static std::vector<int> Remap()
    {
        std::vector<int> table(INPUT_REMAP_SIZE);
        InputRemapGet(table.data());
        return table;
    }
};

TEST_F(Controls, DefaultKeys)
{
    gv->cfg.input.keys[0].key[1] = 17;
    InitKeysDefault();
    EXPECT_EQ(gv->cfg.input.keys[0].key[1], 17);  // what the file says stays
    const KeyConfig *keys = gv->playKeys;
    EXPECT_EQ(std::vector<int>(keys[0].key + 1, keys[0].key + 12),
              (std::vector<int>{200, 205, 208, 203, 51, 52, 53, 38, 39, 40, 28}));
    EXPECT_EQ(std::vector<int>(keys[1].key + 1, keys[1].key + 12),
              (std::vector<int>{72, 77, 80, 75, 74, 78, 156, 69, 181, 55, 81}));
    EXPECT_EQ(keys[0].key[0], SYSKEYS_KEY_NONE);  // slots 0 and 12 are left alone
    EXPECT_EQ(keys[1].key[12], SYSKEYS_KEY_NONE);
}

TEST_F(Controls, RemapSendsConfiguredCodesToTheDefaultKeys)
{
    CfgInput &in = gv->cfg.input;
    in.keys[0].key[1] = 17;   // W jumps for player 1 (default Up, 200)
    in.keys[0].key[5] = 36;   // A (default ",", 51)
    in.keys[1].key[2] = 250;  // player 2 right (default Pad 6, 77)
    // Codes from the file outside the keyboard's range index nothing.
    in.keys[0].key[6] = 0;
    in.keys[0].key[7] = -5;
    in.keys[1].key[8] = 300;
    in.keys[1].key[9] = 1000000;
    // Pad inputs count only for a side that uses its pad.
    in.useJoystick[0] = 1;
    in.joyKeys[0].key[1] = 1;    // stick 0 up
    in.joyKeys[0].key[5] = 37;   // stick 1 button 0
    in.joyKeys[0].key[6] = 128;  // empty
    in.joyKeys[0].key[7] = -1;
    in.joyKeys[0].key[8] = 4000;
    in.joyKeys[1].key[5] = 5;  // player 2 has no pad: stick 0 button 0 stays unmapped

    ASSERT_EQ(InitKeysRemap(), 1);
    std::vector<int> want(INPUT_REMAP_SIZE);
    for (int i = 0; i < INPUT_REMAP_SIZE; i++)
        want[i] = i;
    want[17] = 200;
    want[36] = 51;
    want[250] = 77;
    want[256 + 1] = 200;
    want[256 + 37] = 51;
    EXPECT_EQ(Remap(), want);
    EXPECT_EQ(Log(), "Remapping keys...Reinitializing input engine...OK\n");

    // What the remap delivers is what players match: W and player 1's stick
    // press jump, player 2's configured right walks right.
    InitKeysDefault();
    KeyBuf kb;
    KeyBufClear(&kb);
    KeyBufPushInput(&kb, &gv->playKeys[0], want[17]);
    KeyBufPushInput(&kb, &gv->playKeys[0], want[256 + 1]);
    KeyBufPushInput(&kb, &gv->playKeys[1], want[250]);
    EXPECT_EQ(KeyBufPop(&kb), KEYBUF_UP);
    EXPECT_EQ(KeyBufPop(&kb), KEYBUF_UP);
    EXPECT_EQ(KeyBufPop(&kb), KEYBUF_FWD);

    // A remap table that cannot be made fails.
    InputDeinit();
    LibCallocFailAt(1);
    EXPECT_EQ(InitKeysRemap(), 0);
    LibCallocFailAt(0);
    LibOutOfMemory = 0;
}

TEST_F(Controls, PadsInstallForTheFirstSideThatUsesOne)
{
    struct Case {
        const char *name;
        int use0, type0, use1, type1, noJoy, installResult;
        std::vector<int> installs;
        int useAfter;
        const char *log;
    } cases[] = {
        {"no pads", 0, 0, 0, 0, 0, 1, {}, 0, "Reinitializing input engine...OK\n"},
        {"player 2's pad", 0, 0, 1, 3, 0, 1, {3}, 1, "Initializing pads...OK\nReinitializing input engine...OK\n"},
        {"player 1's type first", 1, 2, 1, 3, 0, 1, {2}, 1,
         "Initializing pads...OK\nReinitializing input engine...OK\n"},
        {"hooked type", 1, 22, 0, 0, 0, 1, {22}, 1, "Initializing pads...OK\nReinitializing input engine...OK\n"},
        {"failed", 1, 1, 1, 1, 0, -1, {1}, 0, "Initializing pads...failed\nReinitializing input engine...OK\n"},
        {"nojoy", 1, 1, 0, 0, 1, 1, {}, 1, "Reinitializing input engine...OK\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LogStateReset();
        JoyRemove();
        pads = FakePads();
        pads.installResult = c.installResult == 1 ? 0 : -1;
        CfgInput &in = gv->cfg.input;
        in.useJoystick[0] = c.use0;
        in.joyType[0] = c.type0;
        in.useJoystick[1] = c.use1;
        in.joyType[1] = c.type1;
        in.joyKeys[1].key[3] = 9;
        gv->noJoy = c.noJoy;
        InitPadsReinit();
        EXPECT_EQ(pads.installs, c.installs);
        EXPECT_EQ(JoyIsInstalled(), !c.installs.empty() && c.installResult == 1);
        EXPECT_EQ(in.useJoystick[0] || in.useJoystick[1], c.useAfter);
        EXPECT_EQ(in.joyKeys[1].key[3], 9);  // records are kept, in use or not
        EXPECT_EQ(Log(), c.log);
    }

    // Installed pads are removed before they are installed again.
    LogStateReset();
    InitPadsReinit();
    LogStateReset();
    gv->noJoy = 0;
    gv->cfg.input.useJoystick[0] = 1;
    gv->cfg.input.joyType[0] = 1;
    InitPadsReinit();
    pads.removes = 0;
    InitPadsReinit();
    EXPECT_EQ(pads.removes, 1);
    EXPECT_EQ(Log(), "Initializing pads...OK\nReinitializing input engine...OK\n"
                     "Deinitializing pads\nInitializing pads...OK\nReinitializing input engine...OK\n");
}

TEST_F(Controls, InputEngineThatCannotStartIsFatal)
{
    EXPECT_EXIT(
        {
            InputDeinit();
            LibCallocFailAt(1);  // the event ring
            InitPadsReinit();
        },
        testing::ExitedWithCode(1), "Error message: Can't init input");
}

}  // namespace
