#include "velok/core/common.h"

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"

// A game record with a warning log, in a temporary working directory.
class Common : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        LogStateReset();
        // Library texts left by earlier tests in this process would show in the fatal box.
        LibErrorMsg[0] = 0;
        LibSetError(0);
        gv = new GameVars();
        gv->warnLog = TextBufCreate(77, 8);
        gv->motifDir = "data/";
    }
    void TearDown() override
    {
        LogStateReset();
        TextBufFree(gv->warnLog);
        delete gv;
        gv = nullptr;
        TempDirTest::TearDown();
    }
    CmdLineOptions Parse(std::vector<const char *> args)
    {
        args.insert(args.begin(), "velokw");
        CmdLineOptions opt;
        CmdLineParse(&opt, (int)args.size(), const_cast<char **>(args.data()));
        return opt;
    }
};

TEST_F(Common, CommandLineDefaultsAndValues)
{
    CmdLineOptions o = Parse({});
    EXPECT_EQ(o.rounds, 1000000);
    EXPECT_EQ(o.roundsGiven, 0);
    EXPECT_EQ(o.speed, 999);
    EXPECT_EQ(o.aiLevel, 0);
    EXPECT_EQ(o.ai[3], -1);
    EXPECT_EQ(o.color[0], -1);

    o = Parse({"-rounds", "0", "-speed", "12", "-ailevel", "0", "-p2.color", "3", "-p1.life", "500",
               "-p4.power", "2000", "-p3.ai", "1", "-s", "temple", "-r", "mymotif", "-log", "res.txt",
               "-nosound", "-nomusic", "-nojoy", "-speedtest", "-stresstest", "7", "-storyboard", "intro.def",
               "-configplugins"});
    EXPECT_EQ(o.rounds, 1);
    EXPECT_EQ(o.roundsGiven, 1);
    EXPECT_EQ(o.speed, 999);
    EXPECT_EQ(o.aiLevel, 4);
    EXPECT_EQ(o.color[1], 2);
    EXPECT_EQ(o.life[0], 500);
    EXPECT_EQ(o.power[3], 2000);
    EXPECT_EQ(o.ai[2], 1);
    EXPECT_STREQ(o.stage, "temple");
    EXPECT_STREQ(o.motif, "mymotif");
    EXPECT_EQ(o.resultsLog, 1);
    EXPECT_STREQ(o.resultsLogPath, "res.txt");
    EXPECT_EQ(o.noSound + o.noMusic + o.noJoy + o.speedTest + o.configPlugins, 5);
    EXPECT_EQ(o.stressTest, 7);
    EXPECT_STREQ(o.storyboard, "intro.def");

    o = Parse({"-speed", "-9", "-ailevel", "9", "-rubric", "m2", "-stage", "s2"});
    EXPECT_EQ(o.speed, -9);
    EXPECT_EQ(o.aiLevel, 9);
    EXPECT_STREQ(o.motif, "m2");
    EXPECT_STREQ(o.stage, "s2");
}

TEST_F(Common, BareArgumentsFollowTheIndex)
{
    CmdLineOptions o = Parse({"a", "b", "c"});
    EXPECT_STREQ(o.playerName[0], "a");
    EXPECT_STREQ(o.playerName[1], "b");
    EXPECT_STREQ(o.playerName[2], "");

    o = Parse({"-p3", "x", "y"});
    EXPECT_STREQ(o.playerName[2], "x");
    EXPECT_STREQ(o.playerName[0], "");
    EXPECT_STREQ(o.playerName[1], "");

    // A player option moves the index back: the next bare name replaces player 1.
    o = Parse({"-p1.ai", "1", "dov"});
    EXPECT_STREQ(o.playerName[0], "dov");

    std::string longName(300, 'n');
    o = Parse({longName.c_str(), "-s", longName.c_str()});
    EXPECT_EQ(strlen(o.playerName[0]), (size_t)CMDLINE_NAME_LEN - 1);
    EXPECT_EQ(strlen(o.stage), (size_t)CMDLINE_NAME_LEN - 1);
}

TEST_F(Common, CommandLineLogsEveryArgument)
{
    Parse({"-p1", "dov", "x"});
    LogWrite("close log");
    std::string log = ReadFileText("velokw.log");
    EXPECT_NE(log.find("Command line: velokw -p1 dov x\n"), std::string::npos) << log;
}

TEST_F(Common, OptionsBoxOnStdoutAndExitZero)
{
    static const std::string box = "V.E.L.O.K Command line options\n\n2003.06.14\n\nOptions (case sensitive):\n";
    struct { std::vector<const char *> args; bool invalidLine; } cases[] = {
        {{"-h"}, false},       {{"-?"}, false},      {{"-help"}, false},    {{"-stage"}, false},
        {{"-sx", "v"}, false}, {{"-p", "v"}, false}, {{"-p5", "v"}, false}, {{"-p1.foo", "1"}, false},
        {{"-p2"}, false},      {{"-P1"}, true},      {{"-xyz"}, true},      {{"-"}, true},
    };
    for (auto &c : cases) {
        // The child sends its standard output to a file we read back.
        EXPECT_EXIT(
            {
                fflush(stdout);
                if (!freopen("out.txt", "w", stdout))
                    _exit(3);
                Parse(c.args);
                _exit(4);
            },
            testing::ExitedWithCode(0), "")
            << c.args[0];
        std::string out = ReadFileText("out.txt");
        std::string want = (c.invalidLine ? "Error: Invalid option " + std::string(c.args[0]) + "\n\n" : "") + box;
        EXPECT_EQ(out.substr(0, want.size()), want) << c.args[0];
        EXPECT_NE(out.find(" -nosound \tDisables all sound effects and music\n\n"), std::string::npos);
    }
}

TEST_F(Common, StatusLogHeaderFlushAndClose)
{
    LogWrite("step %i...", 1);
    // Flushed at once: readable before the log is closed.
    std::string log = ReadFileText("velokw.log");
    EXPECT_EQ(log,
              "\n\n-----------------------------------\n"
              "V.E.L.O.K ver 2003.06.14 status log\n"
              "-----------------------------------\n"
              "step 1...");
    LogWrite("close log");
    LogWrite("after close\n");
    log = ReadFileText("velokw.log");
    EXPECT_EQ(log.substr(log.size() - 31), "\nLog file successfully closed.\n");
    EXPECT_EQ(log.find("after close"), std::string::npos);

    // An over-long message is cut, never overflowing.
    LogStateReset();
    std::string big(5000, 'q');
    LogWrite("%s", big.c_str());
    LogWrite("close log");
    log = ReadFileText("velokw.log");
    EXPECT_NE(log.find(std::string(1023, 'q') + "\nLog file"), std::string::npos);
}

TEST_F(Common, UnopenableLogDropsMessages)
{
    MakeDirs("velokw.log");  // a directory where the log should go
    EXPECT_EQ(LogWrite("x"), 0);
    EXPECT_EQ(LogWrite("close log"), 0);
}

TEST_F(Common, FatalExitParagraphs)
{
    struct {
        int libCode;
        const char *gameText;
        const char *libMsg;
        int oom;
        const char *box;
    } cases[] = {
        {0, "", "", 0, "V.E.L.O.K Error\n\nError detected.\n\n$"},
        {0, "Can't find file x", "", 0, "V.E.L.O.K Error\n\nError message: Can't find file x\n\n$"},
        {4, "", "", 0,
         "V.E.L.O.K Error\n\nLibrary \\(built in\\) message: Can't change video mode.\n\nError detected.\n\n$"},
        {1, "f-6x9.fnt", "bad glyph", 1,
         "V.E.L.O.K Error\n\nLibrary \\(built in\\) message: Can't load fonts.\n\nError message: f-6x9.fnt\n\n"
         "Library error message: bad glyph\n\nOut of memory error.\n\n$"},
        {0, "", "", 1, "V.E.L.O.K Error\n\nError detected.\n\nOut of memory error.\n\n$"},
    };
    for (auto &c : cases) {
        EXPECT_EXIT(
            {
                LibSetError(c.libCode);
                StrCopy(gv->errorText, sizeof gv->errorText, c.gameText);
                StrCopy(LibErrorMsg, sizeof LibErrorMsg, c.libMsg);
                LibOutOfMemory = c.oom;
                LogWrite("started\n");
                FatalExit();
            },
            testing::ExitedWithCode(1), c.box);
        std::string log = ReadFileText("velokw.log");
        EXPECT_NE(log.find("started\nExit with an error.\n\nLog file successfully closed.\n"), std::string::npos)
            << log;
    }
}

TEST_F(Common, FatalExitfFormatsIntoTheGameErrorText)
{
    EXPECT_EXIT(FatalExitf("Error: Can't change video mode to %ix%ix%ibits\n", 800, 600, 32),
                testing::ExitedWithCode(1),
                "Error message: Error: Can't change video mode to 800x600x32bits\n\n\n$");
    std::string huge(10000, 'e');
    EXPECT_EXIT(FatalExitf("%s", huge.c_str()), testing::ExitedWithCode(1), "Error message: eeee");
    EXPECT_EXIT(
        {
            gv = nullptr;
            FatalExit();
        },
        testing::ExitedWithCode(1), "Error detected");
    // Without a game record the text is kept aside and the box still says why.
    EXPECT_EXIT(
        {
            gv = nullptr;
            GameErrorSet("Can't find file %s", "velok.cfg");
            GameErrorAppend("\nError reading %s", "config");
            FatalExit();
        },
        testing::ExitedWithCode(1), "Error message: Can't find file velok.cfg\nError reading config\n\n$");
    EXPECT_EXIT(
        {
            gv = nullptr;
            FatalExitf("Error: Can't change video mode to %ix%ix%ibits\n", 640, 480, 8);
        },
        testing::ExitedWithCode(1), "Error message: Error: Can't change video mode to 640x480x8bits\n\n\n$");
}

TEST_F(Common, FatalHookGetsTheBoxBeforeAnyShutdownStep)
{
    struct Left {
        std::string box;
    };
    LibFatalHook = [](const char *box) { throw Left{box}; };
    std::string seen;
    for (int round = 0; round < 2; round++) {
        try {
            FatalExitf("State machine stuck in loop %i", round);
        } catch (const Left &left) {
            seen = left.box;
        }
    }
    LibFatalHook = nullptr;
    // The second call got through too: a caught exit is not a failure during the exit.
    EXPECT_EQ(seen, "Error message: State machine stuck in loop 1\n\n");
    EXPECT_EQ(ReadFileText("velokw.log").find("Exit with an error"), std::string::npos);
}

TEST_F(Common, FatalExitStopsSound)
{
    EXPECT_EXIT(
        {
            TestAllegroStart();
            if (SndInstall(DIGI_NONE, MIDI_NONE, 8) != 1)
                exit(3);
            atexit([] { fprintf(stderr, "sound state %d, channels %d\n", SndGetState(), SndChannelCount()); });
            FatalExit();
        },
        testing::ExitedWithCode(1), "Error detected.\n\nsound state 0, channels 0\n$");
}

TEST_F(Common, GameErrorAppendIsBounded)
{
    GameErrorSet("Can't find file %s", "a.def");
    GameErrorAppend("\nError loading p%i", 1);
    EXPECT_STREQ(gv->errorText, "Can't find file a.def\nError loading p1");
    std::string big(5000, 'z');
    GameErrorAppend("%s", big.c_str());
    GameErrorAppend("%s", big.c_str());
    EXPECT_EQ(strlen(gv->errorText), sizeof gv->errorText - 1);
}

TEST_F(Common, WarningLines)
{
    gv->gameTick = 12;
    WarnLogAppend("Dov", 56, 200, "Divide by 0");
    WarnLogAppendRedirected("Kay", 57, 0, "Dov", 56, 210, "Bad index");
    TextBuf *r = gv->warnLog;
    std::vector<std::string> lines;
    for (int i = r->oldest; i != r->current; i = (i + 1) % r->count)
        lines.push_back(r->lines[i]);
    lines.push_back(r->lines[r->current]);
    std::vector<std::string> want = {
        "  12: Warning: Player Dov (56) in state 200:", "Divide by 0  12: Warning: Player Kay (57) in state 0:",
        "in redirected trigger from player Dov (56) in state 210:", "Bad index"};
    EXPECT_EQ(lines, want);

    gv->warnLog = nullptr;  // no log yet: ignored
    WarnLogAppend("Dov", 1, 0, "x");
    gv->warnLog = r;
}

TEST_F(Common, UnescapePercent)
{
    char t[] = "100%% sure %%%% and %d";
    EXPECT_STREQ(StrUnescapePercent(t), "100% sure %% and %d");
}

TEST_F(Common, FileFindCandidatesInOrder)
{
    MakeDirs("chars/dov");
    MakeDirs("data/fight");
    WriteFileText("chars/dov/dov.air", "a");
    WriteFileText("data/common.cmd", "c");
    WriteFileText("common.cmd", "root");
    WriteFileText("data/fight/fight.def", "f");

    char full[256], found[256];
    ASSERT_EQ(FileFindIn("dov.air", full, sizeof full, "chars/dov/", found, sizeof found), 1);
    EXPECT_STREQ(full, "chars/dov/dov.air");
    EXPECT_STREQ(found, "chars/dov/");
    // The motif directory ("data/") comes before "./".
    ASSERT_EQ(FileFindIn("common.cmd", full, sizeof full, "chars/dov/", nullptr, 0), 1);
    EXPECT_STREQ(full, "data/common.cmd");
    ASSERT_EQ(FileFind("c:fight\\fight.def", full, sizeof full, found, sizeof found), 1);
    EXPECT_STREQ(full, "data/fight\\fight.def");
    EXPECT_STREQ(found, "data/fight\\");

    std::string abs = dir + "/chars/dov/dov.air";
    ASSERT_EQ(FileFindIn(abs.c_str(), full, sizeof full, "nowhere/", nullptr, 0), 1);
    EXPECT_EQ(std::string(full), abs);

    EXPECT_EQ(FileFind("missing.def", full, sizeof full, nullptr, 0), 0);
    EXPECT_STREQ(gv->errorText, "Can't find file missing.def");
    EXPECT_EQ(FileExists("chars"), 0);  // a directory is not a file
}

TEST_F(Common, FileFindInDirsStaysWhereFound)
{
    MakeDirs("prog/data");
    WriteFileText("prog/data/velok.cfg", "x");
    gv->progDir = dir + "/prog/";
    char full[256], old[512];
    ASSERT_EQ(FileFindInDirs("velok.cfg", full, sizeof full, old, sizeof old), 1);
    EXPECT_STREQ(full, "velok.cfg");
    EXPECT_EQ(std::string(old), dir);
    EXPECT_EQ(FileExists("velok.cfg"), 1);  // now in prog/data
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(FileFindInDirs("none.cfg", full, sizeof full, old, sizeof old), 0);
    EXPECT_STREQ(gv->errorText, "Can't find file none.cfg");
}

TEST_F(Common, QuotedParameters)
{
    WriteFileText("t.def", "[Info]\nname = \"Dov the Brave\"\nbare = Dov\nshort = \"\nempty = \"\"\n");
    TxtParseFile *tp = TxtParseOpen("t.def");
    ASSERT_NE(tp, nullptr);
    ASSERT_GE(TxtParseGroupSet(tp, "info"), 0);
    char buf[8];
    struct { const char *key; const char *context; int result; const char *text; const char *error; } cases[] = {
        {"name", nullptr, 1, "Dov the", ""},
        {"empty", nullptr, 1, "", ""},
        {"bare", nullptr, 0, nullptr, "String value for bare must be in quotes"},
        {"short", nullptr, 0, nullptr, "String value for short must be in quotes"},
        {"missing", nullptr, 0, nullptr, "Cannot find parameter: missing"},
        {"bare", "in [Info] of t.def", 0, nullptr, "String must be in quotes\nin [Info] of t.def"},
        {"missing", "No name in t.def", 0, nullptr, "No name in t.def"},
    };
    for (auto &c : cases) {
        gv->errorText[0] = 0;
        EXPECT_EQ(ParamGetQuoted(tp, c.key, buf, sizeof buf, c.context), c.result) << c.key;
        if (c.text) {
            EXPECT_STREQ(buf, c.text);
        }
        EXPECT_STREQ(gv->errorText, c.error);
    }
    TxtParseClose(tp);
}
