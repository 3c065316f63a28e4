// Needs an X display: start-up runs for real (Allegro, timer, keyboard, a window) in a data tree of the test kit.
#include "velok/app/init.h"

#include <allegro.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "lib/gfx.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/timer.h"
#include "music/music.h"
#include "music/plugin.h"
#include "platform/pwinmsg.h"
#include "support/fightkit.h"
#include "support/gamekit.h"
#include "support/motifkit.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"
#include "velok/match/fight.h"
#include "velok/screens/sysfile.h"

namespace {

const TimerDevice brokenTimer = {
    [] { return -1; },
    [] {},
    [](void (*)(), long) { return -1; },
    [](void (*)()) {},
    [](unsigned) {},
};

const KbllDevice brokenKeyboard = {
    [] { return -1; },
    [] {},
    [](int) {},
    [](int, int) {},
};

const GfxDevice noModes = {
    [](int card, int w, int h) { return card == GFX_TEXT ? set_gfx_mode(card, w, h, 0, 0) : -1; },
};

const SndDevice noAlsa = {
    [](int id) { return id == DIGI_ALSA ? 0 : detect_digi_driver(id); },
    [](int id) { return id == MIDI_ALSA ? 0 : detect_midi_driver(id); },
};

void Listener(int, int) {}

// A depth no driver takes (a window would take the desktop's depth instead).
std::string FullScreenDepth12()
{
    return GameCfgWith("Video Win", "Depth = 12", GameCfgWith("Video Win", "DXMode = Hardware"));
}

class StartUp : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        LogStateReset();
        LibSetError(0);
        ASSERT_EQ(gv, nullptr);
    }
    void TearDown() override
    {
        DeinitSystem(0);
        TimerDeviceSet(nullptr);
        KbllDeviceSet(nullptr);
        GfxDeviceSet(nullptr);
        SndDeviceSet(nullptr);
        JoyCallbackClear();
        PluginSlotsFree();
        LogStateReset();
        TempDirTest::TearDown();
    }
    // The record as CmdLineParse fills it from "velokw" and the arguments.
    static CmdLineOptions Options(std::vector<std::string> args)
    {
        args.insert(args.begin(), "velokw");
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        CmdLineOptions opt;
        CmdLineParse(&opt, (int)argv.size(), argv.data());
        return opt;
    }
    // The status log after its header, from the given text on.
    std::string Log(const std::string &from = "")
    {
        std::string text = TestLogBody(ReadFileText(dir + "/velokw.log"));
        return from.empty() ? text : text.substr(text.find(from));
    }
    int Run(const CmdLineOptions &opt, std::string *printed = nullptr)
    {
        CaptureStdoutBegin();
        int step = InitSystemRun(opt, &selectFlag);
        std::string out = CaptureStdoutEnd();
        if (printed)
            *printed = out;
        return step;
    }
    // Everything shut down, and shutting down again changes nothing.
    void ShutDownTwice()
    {
        CaptureStdoutBegin();
        DeinitSystem(selectFlag);
        DeinitSystem(selectFlag);
        CaptureStdoutEnd();
        EXPECT_EQ(gv, nullptr);
        EXPECT_EQ(screen, nullptr);
        EXPECT_EQ(KbllIsInstalled(), 0);
        EXPECT_EQ(JoyIsInstalled(), 0);
        EXPECT_EQ(SndGetState(), 0);
        EXPECT_EQ(MusPluginIsUp(), 0);
    }
    int selectFlag = 0;
};

TEST_F(StartUp, RunsInOrderAndShutsDownInReverse)
{
    GameTreeWrite();
    MotifKitMake().Write("data");
    std::string printed;
    ASSERT_EQ(Run(Options({"-nosound", "-nojoy"}), &printed), INIT_DONE) << gv->errorText;
    EXPECT_EQ(Log().substr(0, Log().find("  Load system fonts")),
              std::string("Command line: velokw -nosound -nojoy\n") + kGameStartLog +
                  "  Load system file data/system.def...OK\n");
    EXPECT_EQ(Log("  Fight data loaded"), "  Fight data loaded OK\nSystem loaded OK\n");
    EXPECT_EQ(printed, "Initializing keyboard.\nInitializing sound...sound is disabled\nInitializing graphics.\n");
    ASSERT_NE(gv->motif, nullptr);
    EXPECT_EQ(gv->motifFonts[1] != gv->sysFont[0], true);
    EXPECT_NE(gv->fight, nullptr);

    EXPECT_EQ(selectFlag, 1);
    EXPECT_EQ(gv->quickVs, 0);
    EXPECT_EQ(gv->noJoy, 1);
    EXPECT_EQ(gv->dxVersion, 0x700);
    EXPECT_EQ(ScreenWindowActive(), 1);
    EXPECT_EQ(gv->startDir, dir);
    EXPECT_EQ(gv->progDir, dir + "/");
    EXPECT_NE(gv->sysFont[0], nullptr);
    EXPECT_NE(gv->sysFont[1], nullptr);
    EXPECT_EQ(gv->debugFont, gv->sysFont[0]);
    EXPECT_EQ(gv->cfg.sound.sound, 0);
    EXPECT_EQ(SCREEN_W, 640);
    EXPECT_EQ(KbllIsInstalled(), 1);
    EXPECT_EQ(MusPluginIsUp(), 1) << "plug-in music is on, with or without sound";
    // Player 1's W (17) is read as player 1's jump key, Up (200).
    EXPECT_EQ(gv->cfg.input.keys[0].key[1], 17);
    std::vector<int> remap(INPUT_REMAP_SIZE);
    ASSERT_EQ(InputRemapGet(remap.data()), 1);
    EXPECT_EQ(remap[17], 200);

    // Shutdown frees the motif and the fight screen (the sanitizers see a leak otherwise).
    gv->loadTimeBg = 90;
    gv->loadTimePlayer[0] = 18;
    gv->loadTimePlayer[1] = 36;
    gv->loadTimeTotal = 180;
    gv->palBgCount = 3;
    ASSERT_EQ(chdir("data"), 0);
    CaptureStdoutBegin();
    DeinitSystem(selectFlag);
    printed = CaptureStdoutEnd();
    EXPECT_EQ(printed, "2003.06.14\nBG load time: 500.0 ms\nPlayer load time: 100.0 ms, 200.0 ms\n"
                       "Total load time: 1000.0 ms\nPal groups in background: 3\n\n");
    EXPECT_EQ(Log("Clearing"),
              "Clearing player cache...OK\n"
              "Freeing character info...OK\n"
              "Freeing select screen...OK\n"
              "Freeing fight data...OK\n"
              "Freeing system data...OK\n"
              "Freeing game variables...OK\n"
              "Deinitializing input...pad...keyboard...OK\n"
              "Removing callbacks...OK\n"
              "Deintializing timer...OK\n"
              "Deinitializing graphics...OK\n"
              "Deinitializing CDA...MP3...sound...OK\n");
    EXPECT_EQ(std::filesystem::current_path().string(), dir);  // back in the start directory
    ShutDownTwice();
}

TEST_F(StartUp, CommandLineReachesTheRecord)
{
    GameTreeWrite();
    WriteFileText("results.txt", "an old match\n");
    ASSERT_EQ(Run(Options({"-p1", "kit", "-p2", "kat", "-nomusic", "-nosound", "-nojoy", "-log", "results.txt",
                           "-ailevel", "7", "-speed", "-3", "-p2.color", "3", "-p1.life", "500", "-p2.ai", "1",
                           "-p1.power", "900", "-speedtest", "-stresstest", "4"})),
              INIT_STEP_SYSTEM);
    EXPECT_EQ(selectFlag, 0);
    EXPECT_EQ(gv->quickVs, 1);
    EXPECT_EQ(gv->noMusic, 1);
    const CfgSound &s = gv->cfg.sound;
    EXPECT_EQ(s.playCda + s.playMp3 + s.playMidi + s.playMod, 0);
    EXPECT_EQ(gv->resultsLog, 1);
    EXPECT_EQ(gv->resultsLogPath, "results.txt");
    EXPECT_EQ(ReadFileText("results.txt"), "");
    EXPECT_EQ(gv->options.difficulty, 7);
    EXPECT_EQ(gv->options.gameSpeed, -3);
    EXPECT_EQ(std::vector<int>(gv->cmdColor, gv->cmdColor + 4), (std::vector<int>{-1, 2, -1, -1}));
    EXPECT_EQ(std::vector<int>(gv->cmdLife, gv->cmdLife + 4), (std::vector<int>{500, -1, -1, -1}));
    EXPECT_EQ(std::vector<int>(gv->cmdAi, gv->cmdAi + 4), (std::vector<int>{-1, 1, -1, -1}));
    EXPECT_EQ(std::vector<int>(gv->cmdPower, gv->cmdPower + 4), (std::vector<int>{900, -1, -1, -1}));
    EXPECT_EQ(gv->speedTest, 1);
    EXPECT_EQ(gv->stressTest, 4);
    ShutDownTwice();

    // The motif option: a bare name is a directory under data/ holding
    // system.def, a name ending in ".def" (any case) the file itself.
    struct {
        const char *motif, *dir, *file;
    } motifs[] = {
        {"neon", "data/neon/", "system.def"},
        {"Alt.DEF", "data/", "Alt.DEF"},
        {"def", "data/def/", "system.def"},
        {"kits\\old\\menu.def", "data/kits\\old\\", "menu.def"},
    };
    for (auto &m : motifs) {
        SCOPED_TRACE(m.motif);
        selectFlag = 0;
        ASSERT_EQ(Run(Options({"-nosound", "-nojoy", "-r", m.motif})), INIT_STEP_SYSTEM);
        EXPECT_EQ(gv->motifDir, m.dir);
        EXPECT_EQ(gv->motifFile, m.file);
        std::string path = std::string(m.dir) + m.file;
        EXPECT_EQ(gv->errorText, "Can't open " + path + "\nError loading system data: " + path);
        ShutDownTwice();
    }
}

TEST_F(StartUp, SoundFallsBackToWhatTheDevicesAllow)
{
    // The ALSA drivers are refused as on a machine without a sound card.
    SndDeviceSet(&noAlsa);
    struct {
        const char *wav, *midi;
        int sound;
        const char *logged, *printed;
    } cases[] = {
        {"dx0", "none", 1, "no wave device found.\n", "no wave device found.\n"},
        {"dx0", "mapper", 0, "failed to init sound hardware.\n", "failed to init hardware.\n"},
        {"none", "none", 1, "OK\n", "ok\n"},
        {"none", "mapper", 1, "no midi device found.\n", "no midi device found.\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::string(c.wav) + " " + c.midi);
        std::string cfg = GameCfgWith("Sound Win", std::string("WavDevice = ") + c.wav);
        GameTreeWrite(GameCfgWith("Sound Win", std::string("MidiDevice = ") + c.midi, cfg));
        std::string printed;
        LogStateReset();
        ASSERT_EQ(Run(Options({"-nojoy"}), &printed), INIT_STEP_SYSTEM);
        EXPECT_EQ(gv->cfg.sound.sound, c.sound);
        EXPECT_EQ(SndGetState(), c.sound);
        EXPECT_EQ(LibGetError(), 0);
        EXPECT_EQ(Log("Initializing sound"),
                  "Initializing sound..." + std::string(c.logged) + Log("Initializing graphics"));
        EXPECT_NE(printed.find("Initializing sound..." + std::string(c.printed) + "Initializing graphics.\n"),
                  std::string::npos)
            << printed;
        ShutDownTwice();
    }

    // Sound switched off in the file: nothing is tried.
    GameTreeWrite(GameCfgWith("Sound Win", "Sound = 0"));
    LogStateReset();
    ASSERT_EQ(Run(Options({"-nojoy"})), INIT_STEP_SYSTEM);
    EXPECT_EQ(SndGetState(), 0);
    EXPECT_EQ(Log("Initializing sound"), "Initializing sound..." + Log("Initializing graphics"));
}

// Start-up stopped at any step leaves a state that shutdown takes apart (the
// sanitizers check that nothing leaks).
TEST_F(StartUp, FailureAtEachStepLeavesAShutdownThatWorks)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        std::vector<std::string> args;
        int step;
        const char *error;
        int libError;
    } cases[] = {
        {"no configuration", [] { std::filesystem::remove("data/velok.cfg"); }, {}, INIT_STEP_CONFIG,
         "Can't open data/velok.cfg. Make sure you have extracted with directories\nError reading data/velok.cfg",
         0},
        {"plug-in set-up", [] { GameTreeWrite(GameCfgWith("Sound Win", "plugin = plugins/none.so, xyz")); },
         {"-configplugins"}, INIT_STEP_PLUGINS, "Couldn't initialize plugin plugins/none.so!", 0},
        {"timer", [] { TimerDeviceSet(&brokenTimer); }, {}, INIT_STEP_TIMER, "Can't init timer", 0},
        {"keyboard", [] { KbllDeviceSet(&brokenKeyboard); }, {}, INIT_STEP_KEYBOARD, "Can't init keyboard", 0},
        {"input engine", [] { JoyCallbackSet(Listener); }, {}, INIT_STEP_INPUT, "Can't init input", 0},
        {"video mode", [] { GameTreeWrite(FullScreenDepth12()); }, {}, INIT_STEP_GRAPHICS,
         "Error: Can't change video mode to 640x480x12bits\n", LIB_ERR_VIDEOMODE},
        {"640x480x16", [] { GfxDeviceSet(&noModes); }, {}, INIT_STEP_GRAPHICS, "", LIB_ERR_VIDEOMODE},
        {"first font", [] { std::filesystem::remove("font/f-4x6.fnt"); }, {}, INIT_STEP_FONTS, "f-4x6.fnt",
         LIB_ERR_FONTS},
        {"second font", [] { std::filesystem::remove("font/f-6x9.fnt"); }, {}, INIT_STEP_FONTS, "f-6x9.fnt",
         LIB_ERR_FONTS},
        {"motif", [] {}, {}, INIT_STEP_SYSTEM, "Can't open data/system.def\nError loading system data: data/system.def",
         0},
        {"plug-in host", [] { PlatWinHook(PlatWinGameWindow(), PluginWndProc); }, {}, INIT_STEP_SOUND,
         "Window procedure hook failed", 0},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.name);
        GameTreeWrite();
        c.arrange();
        c.args.insert(c.args.end(), {"-nosound", "-nojoy"});
        LogStateReset();
        selectFlag = 0;
        ASSERT_EQ(Run(Options(c.args)), c.step);
        ASSERT_NE(gv, nullptr);
        EXPECT_STREQ(gv->errorText, c.error);
        EXPECT_EQ(LibGetError(), c.libError);
        if (c.step == INIT_STEP_FONTS) {
            // What the game record held is freed; the record and its text stay.
            EXPECT_EQ(gv->sysFont[0], nullptr);
            EXPECT_EQ(gv->drawList, nullptr);
            EXPECT_EQ(gv->warnLog, nullptr);
        }
        ShutDownTwice();
        TimerDeviceSet(nullptr);
        KbllDeviceSet(nullptr);
        GfxDeviceSet(nullptr);
        JoyCallbackClear();
        PlatWinUnhook(PlatWinGameWindow(), PluginWndProc);
        PluginSlotsFree();
        LibSetError(0);
    }
}

// The plug-in option shows each plug-in's settings and ends the program.
TEST_F(StartUp, ConfiguringPluginsEndsTheProgram)
{
    GameTreeWrite(GameCfgWith("Sound Win", std::string("plugin = ") + VELOK_TESTPLUG_PATH + ", vpc"));
    std::string calls = dir + "/calls.log";
    setenv("VELOK_TESTPLUG_LOG", calls.c_str(), 1);
    EXPECT_EXIT(
        {
            int flag = 0;
            InitSystem(Options({"-configplugins", "-nosound", "-nojoy"}), &flag);
        },
        testing::ExitedWithCode(0), "");
    unsetenv("VELOK_TESTPLUG_LOG");
    EXPECT_EQ(ReadFileText(calls), "Init\nConfig\nQuit\n");
    EXPECT_EQ(Log("Reading"), "Reading configuration file...OK\nConfiguring music plugins.\n\nLog file successfully closed.\n");
}

// The fatal box of each failure as the player sees it; the process ends with
// code 1 (and, under the sanitizers, without a leak).
TEST_F(StartUp, FailuresEndInTheFatalBox)
{
    struct {
        const char *name;
        std::function<void()> arrange;
        const char *box;
    } cases[] = {
        {"video mode", [] { GameTreeWrite(FullScreenDepth12()); },
         "V.E.L.O.K Error\n\nLibrary \\(built in\\) message: Can't change video mode.\n\n"
         "Error message: Error: Can't change video mode to 640x480x12bits\n\n\n$"},
        {"640x480x16", [] { GfxDeviceSet(&noModes); },
         "V.E.L.O.K Error\n\nLibrary \\(built in\\) message: Can't change video mode.\n\nError detected.\n\n$"},
        {"second font", [] { std::filesystem::remove("font/f-6x9.fnt"); },
         "V.E.L.O.K Error\n\nLibrary \\(built in\\) message: Can't load fonts.\n\nError message: f-6x9.fnt\n\n"
         "Library error message: [^\n]*f-6x9.fnt[^\n]*\n\n$"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        GameTreeWrite();
        EXPECT_EXIT(
            {
                c.arrange();
                int flag = 0;
                InitSystem(Options({"-nosound", "-nojoy"}), &flag);
            },
            testing::ExitedWithCode(1), c.box);
        EXPECT_NE(Log().find("Exit with an error.\n\nLog file successfully closed.\n"), std::string::npos);
        GfxDeviceSet(nullptr);
    }
}

}  // namespace
