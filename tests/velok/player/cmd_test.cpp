#include "velok/player/cmd.h"

#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/keybuf.h"

namespace {

class CmdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gv = new GameVars();
        KeyBufClear(&kb);
        CmdBufferClear(&cb);
        memset(&flags, 0, sizeof flags);
    }
    void TearDown() override
    {
        CmdSetFree(&set);
        delete gv;
        gv = nullptr;
    }

    // Loads a command file text; 1 or 0.
    int Load(const std::string &text)
    {
        CmdSetFree(&set);
        VFile *vf = DefMemVFile(text);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        int ok = CmdDefLoad(tp, &set);
        TxtParseClose(tp);
        VFileClose(vf);
        return ok;
    }

    // A file of commands given as name and command string.
    static std::string Commands(const std::vector<std::pair<std::string, std::string>> &cmds,
                                const std::string &extra = "")
    {
        std::string t;
        for (auto &c : cmds)
            t += "[Command]\nname = \"" + c.first + "\"\ncommand = " + c.second + "\n" + extra + "\n";
        return t;
    }

    // One game tick of the input step: the event goes through the key buffer
    // into the command buffer, then the commands are matched.
    void Tick(int event = 0)
    {
        tick++;
        CmdTimersTick(&flags, 1, 0);
        if (event)
            KeyBufPush(&kb, event);
        int ev = KeyBufPop(&kb);
        CmdKeysFromInput(&cb, &kb);
        CmdBufferPush(&kb, &cb, ev, tick);
        CmdBufferProcess(&flags, &set, &cb, tick, CMD_KIND_NORMAL);
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; i++)
            Tick();
    }
    bool Active(int label = 1) { return CmdIsActive(&flags, label); }

    CmdSet set{};
    KeyBuf kb;
    CmdBuffer cb;
    CmdFlags flags;
    int tick = 0;
};

const int REL = KEYBUF_RELEASE;

TEST_F(CmdTest, StepsParseWithPrefixesAndInsertedReleases)
{
    struct Case {
        const char *text;
        std::vector<int> steps;  // word, flag pairs
    };
    const Case cases[] = {
        {"a", {CMD_KEY_A, 0}},
        {"~D, DF, F, x", {CMD_KEY_RELEASE | CMD_KEY_DOWN, 0, CMD_KEY_DOWN | CMD_KEY_FWD, 0, CMD_KEY_FWD, 0, CMD_KEY_X, 0}},
        {"F, F", {CMD_KEY_FWD, 0, CMD_KEY_FWD | CMD_KEY_RELEASE, 1, CMD_KEY_FWD, 1}},
        {"a, a", {CMD_KEY_A, 0, CMD_KEY_A, 0}},
        {">~30$B+a", {CMD_KEY_RELEASE | (7 << 22) | CMD_KEY_DIRGROUP | CMD_KEY_BACK | CMD_KEY_A, 1}},
        {"/ UB", {}},
        {"/UB", {CMD_KEY_HOLD | CMD_KEY_UP | CMD_KEY_BACK, 0}},
        {"a + b  trailing words", {CMD_KEY_A | CMD_KEY_B, 0}},
        {"N, s", {CMD_KEY_NEUTRAL, 0, CMD_KEY_S, 0}},
        {"", {}},
        {"a,", {}},
        {"a, , b", {}},
        {"G", {}},
        {"a+", {}},
    };
    for (const Case &c : cases) {
        Command cmd{};
        int ok = CmdStringParse(&cmd, c.text, nullptr);
        EXPECT_EQ(ok, c.steps.empty() ? 0 : 1) << c.text;
        if (ok) {
            EXPECT_EQ(std::vector<int>(cmd.steps, cmd.steps + 2 * cmd.stepCount), c.steps) << c.text;
        }
        MemFree(cmd.steps);
    }
}

TEST_F(CmdTest, HoldTimeAndStepLimits)
{
    Command cmd{};
    ASSERT_EQ(CmdStringParse(&cmd, "~99999999999999a", nullptr), 1);
    EXPECT_EQ((unsigned)cmd.steps[0] >> 22, 1023u);
    // 256 steps fit; inserted releases count too.
    std::string s;
    for (int i = 0; i < 256; i++)
        s += i ? ", a" : "a";
    EXPECT_EQ(CmdStringParse(&cmd, s.c_str(), nullptr), 1);
    EXPECT_EQ(cmd.stepCount, 256);
    EXPECT_EQ(CmdStringParse(&cmd, (s + ", b").c_str(), nullptr), 0);
    std::string f;
    for (int i = 0; i < 129; i++)
        f += i ? ", F" : "F";  // 129 presses and 128 releases
    EXPECT_EQ(CmdStringParse(&cmd, f.c_str(), nullptr), 0);
    MemFree(cmd.steps);
}

TEST_F(CmdTest, FileLabelsDefaultsAndRemap)
{
    std::string text = "[Remap]\nx = a\ny = q\n[Defaults]\ncommand.time = 0\ncommand.buffer.time = 50\n" +
                       Commands({{"one", "x"}, {"two", "y"}, {"recovery", "a+b"}, {"one", "b"}, {"three", "c"}}) +
                       "[Command]\nname = \"four\"\ncommand = a\ntime = 9\nbuffer.time = 0\n"
                       "[Command]\nname = \"five\"\ncommand = a\nbuffer.time = 99\n"
                       "[Statedef -1]\n";
    ASSERT_EQ(Load(text), 1) << gv->errorText;
    ASSERT_EQ(set.count, 7);
    const int labels[] = {1, 2, 0, 1, 4, 5, 6};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(set.commands[i].labelNo, labels[i]) << i;
    EXPECT_EQ(set.labelCount, 7);
    EXPECT_EQ(set.commands[2].kindMask, CMD_KIND_RECOVERY);
    EXPECT_EQ(set.commands[0].kindMask, CMD_KIND_NORMAL);
    EXPECT_EQ(set.commands[0].steps[0], CMD_KEY_A);  // x stands for a
    EXPECT_EQ(set.commands[1].steps[0], 1);          // never matches
    EXPECT_EQ(set.commands[0].time, 1);
    EXPECT_EQ(set.commands[0].bufferTime, 30);
    EXPECT_EQ(set.commands[5].time, 9);
    EXPECT_EQ(set.commands[5].bufferTime, 1);
    EXPECT_EQ(set.commands[6].bufferTime, 30);
    EXPECT_STREQ(set.names[4], "three");
    CmdNamesFree(&set);
    EXPECT_EQ(set.names, nullptr);
}

TEST_F(CmdTest, FileErrors)
{
    struct Case {
        std::string text;
        const char *error;
    };
    const Case cases[] = {
        {"[Defaults]\n", "Need at least 1 command"},
        {"[Command]\ncommand = a\n", "Command 1 missing name parameter"},
        {Commands({{"a", "a"}}) + "[Command]\nname = one\ncommand = a\n", "Command 2 name not in quotes"},
        {"[Command]\nname = \"\ncommand = a\n", "Command 1 name not in quotes"},
        {"[Command]\nname = \"x\"\n", "Command 1 \"x\" missing command parameter"},
        // Only the line of context is added: what the error text held stays.
        {Commands({{"bad", "a, Q"}}), "earlier\nError in command: bad"},
    };
    for (const Case &c : cases) {
        GameErrorSet("earlier");
        EXPECT_EQ(Load(c.text), 0) << c.text;
        EXPECT_STREQ(gv->errorText, c.error) << c.text;
        EXPECT_EQ(set.commands, nullptr);
    }
}

TEST_F(CmdTest, FileFromDisk)
{
    EXPECT_EQ(CmdFileLoad("no-such.cmd", &set), 0);
    EXPECT_STREQ(gv->errorText, "Can't open file");
}

TEST_F(CmdTest, LabelLimit)
{
    std::vector<std::pair<std::string, std::string>> cmds;
    for (int i = 0; i < 126; i++)
        cmds.push_back({"c" + std::to_string(i), "a"});
    cmds.push_back({"c0", "b"});  // shares a label
    EXPECT_EQ(Load(Commands(cmds)), 1) << gv->errorText;
    EXPECT_EQ(set.labelCount, 127);
    cmds.push_back({"c126", "a"});
    EXPECT_EQ(Load(Commands(cmds)), 0);
    EXPECT_STREQ(gv->errorText, "Player has too many commands. Only 128 unique commands labels allowed.");
}

TEST_F(CmdTest, DoubleTapNeedsReleaseWithNothingBetween)
{
    ASSERT_EQ(Load(Commands({{"ff", "F, F"}})), 1);
    Tick(KEYBUF_FWD);
    Tick(KEYBUF_FWD | REL);
    Tick(KEYBUF_FWD);
    EXPECT_TRUE(Active());
    EXPECT_EQ(flags.lastTick[1], 3);
    Ticks(3);
    EXPECT_FALSE(Active());

    // A press of down between the taps breaks it.
    Tick(KEYBUF_FWD | REL);
    Tick(KEYBUF_DOWN);
    Tick(KEYBUF_DOWN | REL);
    Tick(KEYBUF_FWD);
    EXPECT_FALSE(Active());
    // Holding forward without a release is not a tap.
    Tick(KEYBUF_A);
    Tick(KEYBUF_FWD | REL);
    EXPECT_FALSE(Active());
}

TEST_F(CmdTest, ReleaseHoldTime)
{
    ASSERT_EQ(Load(Commands({{"charge", "~30B, F"}}, "time = 60")), 1);
    for (int held : {27, 28}) {
        memset(&flags, 0, sizeof flags);
        Tick(KEYBUF_BACK);
        Ticks(held - 1);
        Tick(KEYBUF_BACK | REL);
        Tick(KEYBUF_FWD);
        EXPECT_EQ(Active(), held >= 28) << held;
        Tick(KEYBUF_FWD | REL);
        Ticks(5);
    }
}

TEST_F(CmdTest, ButtonsOnConsecutiveTicksFormOneEntry)
{
    ASSERT_EQ(Load(Commands({{"ab", "a+b"}, {"a", "a"}})), 1);
    Tick(KEYBUF_A);
    Tick(KEYBUF_A + 1);
    EXPECT_FALSE(Active(1));
    Tick();
    EXPECT_TRUE(Active(1));
    EXPECT_TRUE(Active(2));
    EXPECT_EQ(cb.words[(cb.write + CMD_RING - 1) % CMD_RING], CMD_KEY_A | CMD_KEY_B);
    // Button 12 has no command bit: it records nothing of its own.
    int before = cb.write;
    Tick(KEYBUF_EXTRA);
    EXPECT_EQ(cb.write, before);
}

TEST_F(CmdTest, MotionWithinTimeAndBufferTime)
{
    ASSERT_EQ(Load(Commands({{"qcf", "~D, DF, F, x"}}, "time = 10\nbuffer.time = 3")), 1);
    auto Motion = [&](int gap) {
        Tick(KEYBUF_DOWN);
        Tick(KEYBUF_DOWN | REL);  // released at once: the ~D
        Tick(KEYBUF_DOWN);
        Tick(KEYBUF_FWD);
        Ticks(gap);
        Tick(KEYBUF_DOWN | REL);
        Tick(KEYBUF_A + 3);
        Tick();
    };
    Motion(0);
    EXPECT_TRUE(Active());
    Ticks(2);
    EXPECT_TRUE(Active());
    Tick();
    EXPECT_FALSE(Active());
    Tick(KEYBUF_FWD | REL);
    Motion(8);  // the whole input took longer than 10 ticks
    EXPECT_FALSE(Active());
}

TEST_F(CmdTest, HoldAndDirectionGroupSteps)
{
    ASSERT_EQ(Load(Commands({{"hold", "/$D"}, {"holda", "/a"}, {"down", "$D"}, {"neutral", "/N"}})), 1);
    Tick();
    EXPECT_TRUE(Active(4));
    Tick(KEYBUF_DOWN);
    EXPECT_TRUE(Active(1));
    EXPECT_TRUE(Active(3));
    EXPECT_FALSE(Active(4));
    Tick(KEYBUF_BACK);  // down-back still holds down
    EXPECT_TRUE(Active(1));
    EXPECT_TRUE(Active(3));
    Tick(KEYBUF_A);
    EXPECT_TRUE(Active(2));
    Tick(KEYBUF_DOWN | REL);
    Tick(KEYBUF_BACK | REL);
    EXPECT_FALSE(Active(1));
    EXPECT_TRUE(Active(4));
}

TEST_F(CmdTest, HoldStepsWithinTheCommandTime)
{
    // D and a are held from the start; b is pressed some ticks later.
    for (int wait : {10, 38}) {
        SCOPED_TRACE(wait);
        ASSERT_EQ(Load(Commands({{"holds", "/D, /a, b"}}, "time = 15")), 1);
        KeyBufClear(&kb);
        CmdBufferClear(&cb);
        memset(&flags, 0, sizeof flags);
        Tick(KEYBUF_DOWN);
        Tick(KEYBUF_A);
        Ticks(wait);
        Tick(KEYBUF_A + 1);
        Tick();
        EXPECT_EQ(Active(), wait == 10);
    }
}

TEST_F(CmdTest, InputBeforeTheLastActivationDoesNotReactivate)
{
    ASSERT_EQ(Load(Commands({{"two", "a, b"}, {"two", "b"}})), 1);
    Tick(KEYBUF_A);
    Tick(KEYBUF_A | REL);
    Tick(KEYBUF_A + 1);
    Tick();  // b recorded: both commands match; "a, b" first, from tick 1
    EXPECT_EQ(flags.lastTick[1], 4);
    Tick();
    EXPECT_FALSE(Active());
    // A new b alone reactivates; the old "a" press does not make "a, b" match again.
    Tick((KEYBUF_A + 1) | REL);
    Tick(KEYBUF_A + 1);
    Tick();
    EXPECT_TRUE(Active());
}

TEST_F(CmdTest, TimersAndLabelRange)
{
    flags.active[3] = 5;
    flags.active[4] = 1;
    CmdTimersTick(&flags, 1, 2);
    EXPECT_EQ(flags.active[3], 4);
    EXPECT_EQ(flags.active[4], 2);
    CmdTimersTick(&flags, 10, 0);
    EXPECT_EQ(flags.active[3], 0);
    EXPECT_EQ(flags.active[5], 0);
    flags.active[127] = 1;
    EXPECT_TRUE(CmdIsActive(&flags, 127));
    EXPECT_FALSE(CmdIsActive(&flags, 128));
    EXPECT_FALSE(CmdIsActive(&flags, -1));
    flags.lastTick[2] = 7;
    CmdActiveClear(&flags);
    CmdTimesClear(&flags);
    EXPECT_FALSE(CmdIsActive(&flags, 127));
    EXPECT_EQ(flags.lastTick[2], 0);
}

TEST_F(CmdTest, RingDropsTheOldest)
{
    for (int i = 0; i < CMD_RING + 5; i++)
        CmdBufferPush(&kb, &cb, KEYBUF_A | REL, i + 1);
    EXPECT_EQ(cb.write, 5);
    EXPECT_EQ(cb.oldest, 6);
}

}  // namespace
