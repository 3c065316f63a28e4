#include "velok/core/config.h"

#include <allegro.h>
#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "lib/gfx.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-read.h"
#include "music/plugin.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"

// The smallest file that loads: every required group and key.
static const char baseCfg[] =
    "[Rules]\n"
    "GameType = VS\n"
    "[Config]\n"
    "GameSpeed = 60\n"
    "[Video Win]\n"
    "Width = 640\n"
    "Height = 480\n"
    "Depth = 16\n"
    "VRetrace = 1\n"
    "[Sound Win]\n"
    "[Misc]\n"
    "[Arcade]\n"
    "[Input]\n";

static std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The base file with a line added at the start of a group.
static std::string With(const std::string &group, const std::string &line, std::string text = baseCfg)
{
    std::string header = "[" + group + "]\n";
    size_t at = text.find(header);
    if (at == std::string::npos)
        return text + header + line + "\n";
    return text.insert(at + header.size(), line + "\n");
}

// The base file with a group header renamed away, so the group is missing.
static std::string Without(const std::string &group)
{
    std::string text = baseCfg;
    size_t at = text.find("[" + group + "]");
    return text.replace(at, group.size() + 2, "[Gone]");
}

class Config : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        LogStateReset();
        gv = new GameVars();
        // Loading options takes the configured pads into use: no joystick
        // driver is started in these tests.
        gv->noJoy = 1;
        MakeDirs("data");
    }
    void TearDown() override
    {
        PluginSlotsFree();
        InputDeinit();
        LogStateReset();
        delete gv;
        gv = nullptr;
        TempDirTest::TearDown();
    }
    int Load(const std::string &text)
    {
        WriteFileText("data/velok.cfg", text);
        gv->errorText[0] = 0;
        PluginSlotsFree();
        CaptureStdoutBegin();
        int ok = SysCfgLoad("data/velok.cfg");
        printed = CaptureStdoutEnd();
        return ok;
    }
    std::string printed;
};

TEST_F(Config, DefaultsOfEveryGroup)
{
    ASSERT_EQ(Load(baseCfg), 1) << gv->errorText;
    const SysConfig &c = gv->cfg;
    EXPECT_EQ(c.rules.gameType, CFG_GAMETYPE_VS);
    EXPECT_FLOAT_EQ(c.rules.attackLifeToPowerMul, 3.0f);
    EXPECT_FLOAT_EQ(c.rules.getHitLifeToPowerMul, 2.0f);
    EXPECT_FLOAT_EQ(c.rules.superTargetDefenceMul, 1.0f);

    EXPECT_EQ(c.engine.gameSpeed, 60);
    EXPECT_EQ(c.engine.drawShadows, 1);
    EXPECT_GE(c.engine.afterImageMax, 1);
    EXPECT_GE(c.engine.layeredSpriteMax, 32);
    EXPECT_GE(c.engine.explodMax, 8);
    EXPECT_GE(c.engine.sysExplodMax, 8);
    EXPECT_TRUE(c.engine.helperMax >= 4 && c.engine.helperMax <= 56);
    EXPECT_GE(c.engine.playerProjectileMax, 5);
    EXPECT_GE(c.engine.playerPalMax, 12);
    EXPECT_EQ(c.engine.firstRun, 0);

    EXPECT_EQ(c.video.width, 640);
    EXPECT_EQ(c.video.height, 480);
    EXPECT_EQ(c.video.depth, 16);
    EXPECT_EQ(c.video.vretrace, 1);
    EXPECT_EQ(c.video.stretch, 0);
    EXPECT_EQ(c.video.doubleRes, 0);
    EXPECT_EQ(c.video.driver, GFX_DRV_DIRECTX_ACCEL);
    EXPECT_EQ(c.video.blitMode, 0);

    const CfgSound &s = c.sound;
    EXPECT_EQ(s.sound, 1);
    EXPECT_EQ(s.stereoEffects, 1);
    EXPECT_EQ(s.panningWidth, 160);
    EXPECT_EQ(s.reverseStereoGiven, 0);
    EXPECT_EQ(s.pauseBgmOnDefocus, 0);
    EXPECT_EQ(s.masterWavVolume, 200);
    EXPECT_EQ(s.wavVolume, 175);
    EXPECT_EQ(s.midiVolume, 0);
    EXPECT_EQ(s.mp3Volume, 175);
    EXPECT_EQ(s.modVolume, 175);
    EXPECT_EQ(s.cdaVolume, -1);
    EXPECT_EQ(s.playCda + s.playMp3 + s.playMidi + s.playMod, 4);
    EXPECT_STREQ(s.cdaDevice, "");
    EXPECT_EQ(s.pluginCount, 0);
    EXPECT_STREQ(s.wavDevice, "");
    EXPECT_EQ(s.wavDeviceId, -1);
    EXPECT_EQ(s.wavChannels, 8);
    EXPECT_EQ(s.modVoices, 0);
    EXPECT_STREQ(s.midiDevice, "");
    EXPECT_EQ(s.midiDeviceId, -1);

    EXPECT_EQ(c.misc.playerCache, 2);
    EXPECT_EQ(c.misc.precache + c.misc.bufferedRead + c.misc.unloadSystem + c.misc.pauseOnDefocus, 0);
    EXPECT_EQ(c.arcade.aiRandomColor + c.arcade.aiCheat, 0);
    for (auto &ramp : c.arcade.aiRamp)
        for (int v : ramp)
            EXPECT_EQ(v, 0);

    const CfgInput &in = c.input;
    for (int p = 0; p < 2; p++) {
        EXPECT_EQ(in.useKeyboard[p] + in.joyType[p] + in.useJoystick[p], 0);
        EXPECT_EQ(in.keys[p].key[0], 0);
        for (int i = 1; i < KEYCONFIG_SLOTS; i++)
            EXPECT_EQ(in.keys[p].key[i], SYSKEYS_KEY_NONE);
        for (int i = 0; i < KEYCONFIG_SLOTS; i++)
            EXPECT_EQ(in.joyKeys[p].key[i], 0);  // pad not in use
    }
    EXPECT_EQ(in.forceFeedback + in.psxDelay, 0);
    EXPECT_EQ(printed, "");
}

struct CfgCase {
    const char *group;
    const char *line;
    std::function<int(const SysConfig &)> get;
    int want;
};

TEST_F(Config, ValuesAndClamps)
{
    const CfgCase cases[] = {
        {"Rules", "gametype = Mixed", [](const SysConfig &c) { return c.rules.gameType; }, 1},
        {"Rules", "gametype = vs2", [](const SysConfig &c) { return c.rules.gameType; }, 0},
        {"Rules", "super.targetdefencemul = 1.5",
         [](const SysConfig &c) { return (int)(c.rules.superTargetDefenceMul * 10); }, 15},
        {"Config", "helpermax = 100", [](const SysConfig &c) { return c.engine.helperMax; }, 56},
        {"Config", "helpermax = 0", [](const SysConfig &c) { return c.engine.helperMax; }, 4},
        {"Config", "helpermax = 10", [](const SysConfig &c) { return c.engine.helperMax; }, 10},
        {"Config", "afterimagemax = 0", [](const SysConfig &c) { return c.engine.afterImageMax; }, 1},
        {"Config", "layeredspritemax = 5", [](const SysConfig &c) { return c.engine.layeredSpriteMax; }, 32},
        {"Config", "layeredspritemax = 500", [](const SysConfig &c) { return c.engine.layeredSpriteMax; }, 500},
        {"Config", "explodmax = -3", [](const SysConfig &c) { return c.engine.explodMax; }, 8},
        {"Config", "sysexplodmax = 1", [](const SysConfig &c) { return c.engine.sysExplodMax; }, 8},
        {"Config", "playerprojectilemax = 2", [](const SysConfig &c) { return c.engine.playerProjectileMax; }, 5},
        {"Config", "playerpalmax = 1", [](const SysConfig &c) { return c.engine.playerPalMax; }, 12},
        {"Config", "drawshadows = 0", [](const SysConfig &c) { return c.engine.drawShadows; }, 0},
        {"Config", "gamespeed = 45", [](const SysConfig &c) { return c.engine.gameSpeed; }, 45},
        {"Video Win", "doubleres = 9", [](const SysConfig &c) { return c.video.doubleRes; }, 4},
        {"Video Win", "doubleres = -2", [](const SysConfig &c) { return c.video.doubleRes; }, 0},
        {"Video Win", "doubleres = 3", [](const SysConfig &c) { return c.video.doubleRes; }, 3},
        {"Video Win", "stretch = 1", [](const SysConfig &c) { return c.video.stretch; }, 1},
        {"Video Win", "dxmode = Windowed", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_WIN},
        {"Video Win", "dxmode = wxyz", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_WIN},
        {"Video Win", "dxmode = hardware", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_ACCEL},
        {"Video Win", "dxmode = Fullsafe", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_SAFE},
        {"Video Win", "dxmode = software", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_SOFT},
        {"Video Win", "dxmode = Overlay", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_DIRECTX_OVL},
        {"Video Win", "dxmode = nodx", [](const SysConfig &c) { return c.video.driver; }, GFX_DRV_GDI},
        {"Video Win", "blitmode = PageFlip", [](const SysConfig &c) { return c.video.blitMode; }, 1},
        {"Video Win", "blitmode = triple", [](const SysConfig &c) { return c.video.blitMode; }, 2},
        {"Video Win", "blitmode = Normal", [](const SysConfig &c) { return c.video.blitMode; }, 0},
        {"Sound Win", "reversestereo = 0", [](const SysConfig &c) { return c.sound.reverseStereoGiven; }, 1},
        {"Sound Win", "cdavolume = 40", [](const SysConfig &c) { return c.sound.cdaVolume; }, 40},
        {"Sound Win", "wavchannels = 16", [](const SysConfig &c) { return c.sound.wavChannels; }, 16},
        {"Sound Win", "playmp3 = 0", [](const SysConfig &c) { return c.sound.playMp3; }, 0},
        {"Sound Win", "wavdevice = None", [](const SysConfig &c) { return c.sound.wavDeviceId; }, SND_DRIVER_NONE},
        {"Sound Win", "wavdevice = DX3", [](const SysConfig &c) { return c.sound.wavDeviceId; },
         SndDigiDriverParse("dx3")},
        {"Sound Win", "mididevice = digmid", [](const SysConfig &c) { return c.sound.midiDeviceId; },
         SndMidiDriverParse("digmid")},
        {"Sound Win", "mididevice = auto", [](const SysConfig &c) { return c.sound.midiDeviceId; }, SND_DRIVER_AUTO},
        {"Sound Win", "plugin = a.dll, mp3\nwavvolume = 9\nplugin = b.dll, ogg",
         [](const SysConfig &c) { return c.sound.pluginCount * 100 + c.sound.wavVolume; }, 209},
        {"Sound Win", "cdadevice = dddddddddddddddddddddddddddddddddddddddd",
         [](const SysConfig &c) { return (int)strlen(c.sound.cdaDevice); }, 31},
        {"Misc", "playercache = 3", [](const SysConfig &c) { return c.misc.playerCache; }, 5},
        {"Misc", "playercache = 2147483647", [](const SysConfig &c) { return c.misc.playerCache; }, INT_MAX},
        {"Misc", "pauseondefocus = 1", [](const SysConfig &c) { return c.sound.pauseBgmOnDefocus; }, 1},
        {"Misc", "precache = 1", [](const SysConfig &c) { return c.misc.precache; }, 1},
        {"Arcade", "team.AIramp.end = 4,2", [](const SysConfig &c) { return c.arcade.aiRamp[1][2] * 10 + c.arcade.aiRamp[1][3]; }, 42},
        {"Arcade", "survival.AIramp.start = 1", [](const SysConfig &c) { return c.arcade.aiRamp[2][0] * 10 + c.arcade.aiRamp[2][1]; }, 10},
        {"Arcade", "ai.cheat = 1", [](const SysConfig &c) { return c.arcade.aiCheat; }, 1},
        {"Input", "p2.joystick.type = 3", [](const SysConfig &c) { return c.input.useJoystick[1]; }, 1},
        {"Input", "psxdelay = 7", [](const SysConfig &c) { return c.input.psxDelay; }, 7},
    };
    for (const CfgCase &t : cases) {
        SCOPED_TRACE(t.line);
        memset(&gv->cfg, 0, sizeof gv->cfg);
        ASSERT_EQ(Load(With(t.group, t.line)), 1) << gv->errorText;
        EXPECT_EQ(t.get(gv->cfg), t.want);
    }
}

TEST_F(Config, FailuresNameTheProblem)
{
    struct {
        std::string text;
        const char *error;
    } cases[] = {
        {Without("Rules"), "Can't load rules."},
        {Without("Config"), "Can't access config."},
        {Without("Video Win"), "Can't load video config: [video win]"},
        {Without("Sound Win"), "Can't load sound config: [sound win]"},
        {Without("Misc"), "Can't load misc config."},
        {Without("Arcade"), "Can't load arcade config."},
        {Without("Input"), "Can't load input config."},
        {Replace(baseCfg, "GameType = VS", "gametype = team"), "Can't get game type."},
        {Replace(baseCfg, "GameType = VS", "GameTypo = VS"), "Can't get game type."},
        {Replace(baseCfg, "Depth = 16\n", ""), "Can't read video config."},
        {With("Video Win", "dxmode = zoom"), "Unrecognised DXmode: zoom"},
        {With("Video Win", "dxmode ="), "Unrecognised DXmode: "},
        {With("Video Win", "blitmode = quick"), "Unrecognised BlitMode: quick"},
        {With("Sound Win", "wavdevice = dx10"), "Invalid wav device: dx10"},
        {With("Sound Win", "mididevice = mapper2"), "Invalid midi device: mapper2"},
        {With("Sound Win", "plugin = plugins/nocomma.so"), "Error registering plugin: plugins/nocomma.so"},
        {With("Input", "p1.usekeyboard = 1"), "Can't read p1 key config."},
        {With("Input", "p2.usekeyboard = 1", With("P1 Keys", "Jump = 200")), "Can't read p2 key config."},
    };
    for (auto &t : cases) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(Load(t.text), 0);
        EXPECT_STREQ(gv->errorText, t.error);
    }
    EXPECT_EQ(SysCfgLoad("data/none.cfg"), 0);
    EXPECT_STREQ(gv->errorText, "Can't open data/none.cfg. Make sure you have extracted with directories");
}

TEST_F(Config, PluginLinesAreRegisteredInFileOrderOnce)
{
    std::string text = With("Sound Win", "plugin = looptype=1, plugins/a.so, MP3\nmididevice = digmid\n"
                                         "plugin = plugins/b.so, ogg, Mid");
    ASSERT_EQ(Load(text), 1) << gv->errorText;
    EXPECT_EQ(gv->cfg.sound.pluginCount, 2);
    ASSERT_EQ(PluginSlotCount(), 2);
    EXPECT_EQ(PluginSlotGet(0)->path, "plugins/a.so");
    EXPECT_EQ(PluginSlotGet(0)->loopType, 1);
    EXPECT_EQ(PluginSlotGet(1)->extensions, "ogg,mid");
    EXPECT_EQ(gv->cfg.sound.midiDeviceId, SND_DRIVER_NONE) << "MIDI files go to the plug-in";

    // A second read finds the registry made and registers nothing.
    WriteFileText("data/velok.cfg", With("Sound Win", "plugin = plugins/c.so, xm"));
    ASSERT_EQ(SysCfgLoad("data/velok.cfg"), 1) << gv->errorText;
    EXPECT_EQ(PluginSlotCount(), 2);
    EXPECT_EQ(PluginFindByExt("a.xm"), -1);
}

// Buffered reading is the sprite reader's setting as much as the sound
// loader's: both read whole files into memory before parsing them.
TEST_F(Config, BufferedReadReachesTheSpriteReader)
{
    ASSERT_EQ(Load(With("Misc", "bufferedread = 1")), 1) << gv->errorText;
    EXPECT_EQ(gv->cfg.misc.bufferedRead, 1);
    EXPECT_EQ(SprReadLoadToMemory(), 1);
    ASSERT_EQ(Load(baseCfg), 1) << gv->errorText;
    EXPECT_EQ(SprReadLoadToMemory(), 0);
}

TEST_F(Config, DebugSwitchesAreAlwaysOn)
{
    std::string text = With("Debug", "debug = 0\nallowdebugmode = 0\nallowdebugkeys = 0\nspeedup = 1\nstartstage = stages/dojo.def");
    ASSERT_EQ(Load(text), 1) << gv->errorText;
    EXPECT_EQ(gv->cfg.debug.debug, 1);
    EXPECT_EQ(gv->cfg.debug.allowDebugMode, 1);
    EXPECT_EQ(gv->cfg.debug.allowDebugKeys, 1);
    EXPECT_EQ(gv->cfg.debug.speedup, 0);  // read only when the file turns debug on
    EXPECT_STREQ(gv->cfg.debug.startStage, "stages/dojo.def");

    ASSERT_EQ(Load(With("Debug", "debug = 1\nspeedup = 1")), 1);
    EXPECT_EQ(gv->cfg.debug.speedup, 1);
    EXPECT_EQ(gv->cfg.debug.allowDebugKeys, 1);

    // Without the group at all.
    ASSERT_EQ(Load(baseCfg), 1);
    EXPECT_EQ(gv->cfg.debug.debug + gv->cfg.debug.allowDebugMode + gv->cfg.debug.allowDebugKeys, 3);
    EXPECT_STREQ(gv->cfg.debug.startStage, "");
}

TEST_F(Config, KeyGroups)
{
    std::string text = With("Input", "p1.usekeyboard = 1\np1.joystick.type = 1\np2.joystick.type = 2");
    text += "[P1 Keys]\nJump = 200\nCrouch = 208\nleft = 203\nRight = 205\nA = 30\nStart = 28\n";
    text += "[P1 Joystick Win]\nJump = 33\nA = 5\nZ = 10\n";
    text += "[P2 Joystick Win]\n";  // present, empty: the default directions stay
    ASSERT_EQ(Load(text), 1) << gv->errorText;
    const CfgInput &in = gv->cfg.input;
    const int p1[KEYCONFIG_SLOTS] = {0, 200, 205, 208, 203, 30, 256, 256, 256, 256, 256, 28, 256};
    const int pad1[KEYCONFIG_SLOTS] = {0, 33, 4, 2, 3, 5, 128, 128, 128, 128, 10, 128, 128};
    const int pad2[KEYCONFIG_SLOTS] = {0, 1, 4, 2, 3, 128, 128, 128, 128, 128, 128, 128, 128};
    for (int i = 0; i < KEYCONFIG_SLOTS; i++) {
        EXPECT_EQ(in.keys[0].key[i], p1[i]) << i;
        EXPECT_EQ(in.keys[1].key[i], i ? 256 : 0) << i;
        EXPECT_EQ(in.joyKeys[0].key[i], pad1[i]) << i;
        EXPECT_EQ(in.joyKeys[1].key[i], pad2[i]) << i;
    }
    EXPECT_EQ(printed, "Loading button config for P1 joystick win.\nLoading button config for P2 joystick win.\n");

    // A pad without its group keeps the default directions; a pad not in use
    // is zeroed even when its group is present.
    text = With("Input", "p2.joystick.type = 1") + "[P1 Joystick Win]\nJump = 9\n";
    ASSERT_EQ(Load(text), 1);
    EXPECT_EQ(printed, "");
    for (int i = 0; i < KEYCONFIG_SLOTS; i++) {
        EXPECT_EQ(gv->cfg.input.joyKeys[0].key[i], 0);
        EXPECT_EQ(gv->cfg.input.joyKeys[1].key[i], pad2[i]);
    }
}

TEST_F(Config, FirstRunIsClearedKeepingTheRest)
{
    std::string text = With("Config", "FirstRun  = 1   ; set on install\n; keep me\nunknown line here");
    ASSERT_EQ(Load(text), 1) << gv->errorText;
    EXPECT_EQ(gv->cfg.engine.firstRun, 1);
    std::string want = text;
    want.replace(want.find("FirstRun  = 1 "), 14, "FirstRun  = 0 ");
    EXPECT_EQ(ReadFileText("data/velok.cfg"), want);

    // CRLF line ends survive the rewrite.
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    ASSERT_EQ(Load(crlf), 1) << gv->errorText;
    std::string wantCrlf = crlf;
    wantCrlf.replace(wantCrlf.find("FirstRun  = 1 "), 14, "FirstRun  = 0 ");
    EXPECT_EQ(ReadFileText("data/velok.cfg"), wantCrlf);
    ASSERT_EQ(Load(wantCrlf), 1);
    EXPECT_EQ(gv->cfg.engine.firstRun, 0);
}

static int fakeDesktopDepth()
{
    return 32;
}

TEST_F(Config, WindowedModesTakeTheDesktopDepth)
{
    TestAllegroStart();
    SYSTEM_DRIVER *real = system_driver;
    SYSTEM_DRIVER fake = *real;
    fake.desktop_color_depth = fakeDesktopDepth;
    system_driver = &fake;
    struct {
        const char *mode;
        int depth;
    } cases[] = {{"windowed", 32}, {"overlay", 32}, {"nodx", 32}, {"hardware", 16}, {"safe", 16}, {"fullsafe", 16}};
    for (auto &t : cases) {
        SCOPED_TRACE(t.mode);
        EXPECT_EQ(Load(With("Video Win", std::string("dxmode = ") + t.mode)), 1);
        EXPECT_EQ(gv->cfg.video.depth, t.depth);
    }
    system_driver = real;
}

TEST(ConfigKeys, FillAndClear)
{
    KeyConfig k = {{0, 200, 0, 256, 5, 0, 0, 0, 0, 0, 0, 0, 0}};
    SysKeysFill(&k, 256);
    const int filled[KEYCONFIG_SLOTS] = {0, 200, 256, 256, 5, 256, 256, 256, 256, 256, 256, 256, 256};
    for (int i = 0; i < KEYCONFIG_SLOTS; i++)
        EXPECT_EQ(k.key[i], filled[i]);
    SysKeysClear(&k, 256);
    const int cleared[KEYCONFIG_SLOTS] = {0, 200, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < KEYCONFIG_SLOTS; i++)
        EXPECT_EQ(k.key[i], cleared[i]);
}

// ---------------------------------------------------------------- options

TEST_F(Config, OptionsDefaultAndLoad)
{
    SysOptionsDefault();
    const SysOptions &o = gv->options;
    EXPECT_EQ(o.difficulty, 4);
    EXPECT_EQ(o.life, 100);
    EXPECT_EQ(o.time, 99);
    EXPECT_EQ(o.gameSpeed, 0);
    EXPECT_EQ(o.wavVolume, 50);
    EXPECT_EQ(o.midiVolume, 50);
    EXPECT_STREQ(o.motif, "data/system.def");
    EXPECT_EQ(o.team1Vs2Life, 0);
    EXPECT_EQ(o.teamLoseOnKO, 0);

    // No [Options] group: the defaults stand and the motif is split.
    WriteFileText("data/velok.cfg", baseCfg);
    SysOptionsLoad();
    EXPECT_EQ(o.life, 100);
    EXPECT_EQ(gv->motifDir, "data/");
    EXPECT_EQ(gv->motifFile, "system.def");

    WriteFileText("data/velok.cfg", std::string(baseCfg) +
                                        "[options]\nDifficulty = 7\nlife = 150\nTime = -1\nGameSpeed = -3\n"
                                        "WavVolume = 0\nMidiVolume = 100\nmotif = data/neon/system.def ; comment\n"
                                        "Team.1VS2Life = 250\nTeam.LoseOnKO = 1\n"
                                        "[P2 Keys]\nJump = 72\nB = 0\n"
                                        "[P2 Joystick Win]\nA = 6\n");
    WriteFileText("data/velok.cfg", With("Input", "p2.joystick.type = 2", ReadFileText("data/velok.cfg")));
    SysOptionsLoad();
    EXPECT_EQ(o.difficulty, 7);
    EXPECT_EQ(o.life, 150);
    EXPECT_EQ(o.time, -1);
    EXPECT_EQ(o.gameSpeed, -3);
    EXPECT_EQ(o.wavVolume, 0);
    EXPECT_EQ(o.midiVolume, 100);
    EXPECT_STREQ(o.motif, "data/neon/system.def");
    EXPECT_EQ(gv->motifDir, "data/neon/");
    EXPECT_EQ(gv->motifFile, "system.def");
    EXPECT_EQ(o.team1Vs2Life, 250);
    EXPECT_EQ(o.teamLoseOnKO, 1);
    const CfgInput &in = gv->cfg.input;
    EXPECT_EQ(in.keys[1].key[1], 72);
    EXPECT_EQ(in.keys[1].key[6], SYSKEYS_KEY_NONE);
    EXPECT_EQ(in.joyType[1], 2);
    EXPECT_EQ(in.useJoystick[1], 1);
    EXPECT_EQ(in.joyKeys[1].key[5], 6);
    EXPECT_EQ(in.joyKeys[1].key[6], SYSKEYS_PAD_NONE);
    EXPECT_EQ(in.joyKeys[0].key[1], SYSKEYS_PAD_NONE);
}

TEST_F(Config, OptionsLoadWithoutFileIsFatal)
{
    EXPECT_EXIT(SysOptionsLoad(), testing::ExitedWithCode(1), "Error loading options");
}

TEST_F(Config, OptionsSaveWithoutFileIsFatal)
{
    EXPECT_EXIT(SysOptionsSave(), testing::ExitedWithCode(1), "Error saving options");
}

// A key group's lines, Jump, Crouch, Left, Right, A, B, C, X, Y, Z and Start,
// with the values given.
static std::string KeyGroup(const std::string &name, std::initializer_list<int> values)
{
    static const char *const keys[] = {"Jump", "Crouch", "Left", "Right", "A", "B", "C", "X", "Y", "Z", "Start"};
    std::string t = "[" + name + "]\n";
    size_t i = 0;
    for (int v : values)
        t += std::string(keys[i++]) + " = " + std::to_string(v) + "\n";
    return t;
}

// A file with comments, odd spacing, an unknown group and unknown keys.
static const std::string savedCfg = "; velok configuration\n"
                                    "\n"
                                    "[Options]\n"
                                    "Difficulty = 4          ; 1 to 8\n"
                                    "Life=100\n"
                                    "Time   =\t99\n"
                                    "GameSpeed = 0\n"
                                    "WavVolume = 50\n"
                                    "MidiVolume = 50\n"
                                    "motif = data/system.def\n"
                                    "Team.1VS2Life = 200\n"
                                    "Team.LoseOnKO = 0\n"
                                    "Mystery = keep this\n"
                                    "\n"
                                    "[Unknown]\n"
                                    "  anything goes ; here\n"
                                    "[Input]\n"
                                    "P1.UseKeyboard = 1\n"
                                    "P1.Joystick.type = 0\n"
                                    "P2.Joystick.type = 0\n" +
                                    KeyGroup("P1 Keys", {200, 208, 203, 205, 30, 31, 32, 16, 17, 18, 28}) +
                                    KeyGroup("P2 Keys", {72, 80, 75, 77, 0, 0, 0, 0, 0, 0, 0}) +
                                    KeyGroup("P1 Joystick Win", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) +
                                    KeyGroup("P2 Joystick Win", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) + "; the end";

static std::string ToCrlf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST_F(Config, SaveKeepsEveryOtherLine)
{
    for (int crlf = 0; crlf < 2; crlf++) {
        SCOPED_TRACE(crlf ? "CRLF" : "LF");
        std::string file = crlf ? ToCrlf(savedCfg) : std::string(savedCfg);
        WriteFileText("data/velok.cfg", file);
        SysOptionsDefault();
        SysOptionsLoad();

        // Nothing changed: saving writes the file back as it was, apart from
        // the line end the unterminated last line gets.
        SysOptionsSave();
        EXPECT_EQ(ReadFileText("data/velok.cfg"), file + (crlf ? "\r\n" : "\n"));

        SysOptions &o = gv->options;
        o.difficulty = 8;
        o.life = 300;
        o.time = -1;
        o.gameSpeed = -9;
        o.team1Vs2Life = 110;
        o.teamLoseOnKO = 1;
        CfgInput &in = gv->cfg.input;
        in.joyType[1] = 2;
        in.keys[0].key[5] = SYSKEYS_KEY_NONE;  // A disabled
        in.keys[1].key[11] = 57;
        in.joyKeys[0].key[2] = SYSKEYS_PAD_NONE;  // Right disabled
        in.joyKeys[1].key[7] = 40;
        SysOptionsSave();

        std::string want = savedCfg;
        want = Replace(want, "Difficulty = 4          ;", "Difficulty = 8          ;");
        want = Replace(want, "Life=100", "Life=300");
        want = Replace(want, "Time   =\t99", "Time   =\t-1");
        want = Replace(want, "GameSpeed = 0", "GameSpeed = -9");
        want = Replace(want, "Team.1VS2Life = 200", "Team.1VS2Life = 110");
        want = Replace(want, "Team.LoseOnKO = 0", "Team.LoseOnKO = 1");
        want = Replace(want, "P2.Joystick.type = 0", "P2.Joystick.type = 2");
        want = Replace(want, "A = 30", "A = 0");
        want = Replace(want, "Jump = 72\nCrouch = 80\nLeft = 75\nRight = 77\nA = 0\nB = 0\nC = 0\nX = 0\nY = 0\nZ = 0\nStart = 0",
                       "Jump = 72\nCrouch = 80\nLeft = 75\nRight = 77\nA = 0\nB = 0\nC = 0\nX = 0\nY = 0\nZ = 0\nStart = 57");
        want = Replace(want, "[P1 Joystick Win]\nJump = 1\nCrouch = 2\nLeft = 3\nRight = 4",
                       "[P1 Joystick Win]\nJump = 1\nCrouch = 2\nLeft = 3\nRight = 0");
        want = Replace(want, "[P2 Joystick Win]\nJump = 1\nCrouch = 2\nLeft = 3\nRight = 4\nA = 5\nB = 6\nC = 7",
                       "[P2 Joystick Win]\nJump = 1\nCrouch = 2\nLeft = 3\nRight = 4\nA = 5\nB = 6\nC = 40");
        want += "\n";
        EXPECT_EQ(ReadFileText("data/velok.cfg"), crlf ? ToCrlf(want) : want);

        // Reading back gives what was saved, empty slots filled again.
        SysOptionsDefault();
        SysOptionsLoad();
        EXPECT_EQ(o.difficulty, 8);
        EXPECT_EQ(o.time, -1);
        EXPECT_EQ(o.gameSpeed, -9);
        EXPECT_EQ(o.teamLoseOnKO, 1);
        EXPECT_EQ(gv->cfg.input.keys[0].key[5], SYSKEYS_KEY_NONE);
        EXPECT_EQ(gv->cfg.input.keys[1].key[11], 57);
        EXPECT_EQ(gv->cfg.input.keys[1].key[5], SYSKEYS_KEY_NONE);
        EXPECT_EQ(gv->cfg.input.joyKeys[0].key[2], SYSKEYS_PAD_NONE);
        EXPECT_EQ(gv->cfg.input.joyKeys[1].key[7], 40);
        EXPECT_EQ(gv->cfg.input.joyType[1], 2);
    }
}

TEST_F(Config, SaveAddsWhatTheFileLacks)
{
    // No [Options] group, no key groups, and [Input] without the pad types.
    WriteFileText("data/velok.cfg", "[Input]\r\n; pads\r\nP1.UseKeyboard = 1\r\n[Other]\r\nx = 1\r\n");
    SysOptionsDefault();
    memset(&gv->cfg.input, 0, sizeof gv->cfg.input);
    gv->cfg.input.joyType[0] = 1;
    for (int i = 1; i < KEYCONFIG_SLOTS; i++)
        gv->cfg.input.keys[0].key[i] = 100 + i;
    gv->options.life = 120;
    SysOptionsSave();
    std::string want =
        "[Input]\r\n; pads\r\np1.joystick.type = 1\r\np2.joystick.type = 0\r\nP1.UseKeyboard = 1\r\n[Other]\r\nx = 1\r\n"
        "[Options]\r\nDifficulty = 4\r\nLife = 120\r\nTime = 99\r\nGameSpeed = 0\r\nWavVolume = 50\r\n"
        "MidiVolume = 50\r\nTeam.1VS2Life = 0\r\nTeam.LoseOnKO = 0\r\n"
        "[p1 keys]\r\nJump = 101\r\nRight = 102\r\nCrouch = 103\r\nLeft = 104\r\nA = 105\r\nB = 106\r\n"
        "C = 107\r\nX = 108\r\nY = 109\r\nZ = 110\r\nStart = 111\r\n"
        "[P1 joystick win]\r\nJump = 0\r\nRight = 0\r\nCrouch = 0\r\nLeft = 0\r\nA = 0\r\nB = 0\r\n"
        "C = 0\r\nX = 0\r\nY = 0\r\nZ = 0\r\nStart = 0\r\n"
        "[p2 keys]\r\nJump = 0\r\nRight = 0\r\nCrouch = 0\r\nLeft = 0\r\nA = 0\r\nB = 0\r\n"
        "C = 0\r\nX = 0\r\nY = 0\r\nZ = 0\r\nStart = 0\r\n"
        "[P2 joystick win]\r\nJump = 0\r\nRight = 0\r\nCrouch = 0\r\nLeft = 0\r\nA = 0\r\nB = 0\r\n"
        "C = 0\r\nX = 0\r\nY = 0\r\nZ = 0\r\nStart = 0\r\n";
    EXPECT_EQ(ReadFileText("data/velok.cfg"), want);

    SysOptionsDefault();
    gv->options.life = 0;
    SysOptionsLoad();
    EXPECT_EQ(gv->options.life, 120);
    EXPECT_EQ(gv->cfg.input.keys[0].key[11], 111);
}
