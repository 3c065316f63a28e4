// Start-up and shutdown: the game record, the ordered start-up with its status-log lines, and its reverse.
#include "velok/app/init.h"

#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/grandom.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "music/music.h"
#include "music/plugin.h"
#include "platform/pdriver.h"
#include "platform/pfile.h"
#include "platform/pwinmsg.h"
#include "velok/core/config.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamemusic.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/screen.h"
#include "velok/core/sound.h"
#include "velok/match/fight.h"
#include "velok/player/afterimg.h"
#include "velok/player/p-make.h"
#include "velok/player/precache.h"
#include "velok/screens/charlist.h"
#include "velok/screens/sysfile.h"
#include "velok/script/st-trig.h"

static const char cfgPath[] = "data/velok.cfg";
static const char writeTestFile[] = "_velok__.tmp";
static const char *const sysFontNames[2] = {"f-4x6.fnt", "f-6x9.fnt"};

int InitConstTablesCheck(const TrigVarName *table, int count)
{
    if (count != TRIG_CONST_COUNT)
        return 1;
    for (int i = 0; i < count; i++)
        if (!table[i].name || !table[i].name[0])
            return 1;
    for (int i = 0; i < count; i++)
        if (table[i].isFloat != 0 && table[i].isFloat != 1)
            return 2;
    return 0;
}

int InitAllegro()
{
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0)
        return 0;
    LibSetError(0);
    LibErrorMsg[0] = 0;
    LibAssertText[0] = 0;
    return 1;
}

// ---------------------------------------------------------------- game record

static int CurrentDirGet(std::string *out)
{
    std::vector<char> buf(256);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            return 0;
        buf.resize(buf.size() * 2);
    }
    *out = buf.data();
    return 1;
}

// Everything GameVarsInit made and the system fonts; the record itself stays,
// so its error text can still be shown.
static void GameVarsContentsFree()
{
    for (Font *&font : gv->sysFont) {
        FontFree(font);
        font = nullptr;
    }
    gv->debugFont = nullptr;
    TextBufFree(gv->warnLog);
    gv->warnLog = nullptr;
    if (gv->sysKeyQueue) {
        IntQueueFree(gv->sysKeyQueue);
        MemFree(gv->sysKeyQueue);
        gv->sysKeyQueue = nullptr;
    }
    PlayerSlotsFree();
    PalListFree();
    AfterImagePoolFree(gv->afterImages);
    gv->afterImages = nullptr;
    AnimListFree(gv->animList);
    gv->animList = nullptr;
    DrawListFree(gv->drawList);
    gv->drawList = nullptr;
    VbufSprFree(disp.buf2x);
    VbufSprFree(disp.gameBuf);
    disp = DispState{};
}

// The failure of one piece: its message (or none) stands, the rest is freed.
static int GameVarsInitFail(const char *message)
{
    if (message)
        GameErrorSet("%s", message);
    GameVarsContentsFree();
    return 0;
}

int GameVarsInit()
{
    const SysConfig &cfg = gv->cfg;
    if (!CurrentDirGet(&gv->startDir))
        return 0;

    gv->versionMonth = VERSION_MONTH;
    gv->versionDay = VERSION_DAY;
    gv->versionYear = VERSION_YEAR;
    gv->writableDir = 0;
    if (FILE *f = PlatFileOpen(writeTestFile, "wb")) {
        gv->writableDir = 1;
        fclose(f);
        remove(PlatPathResolve(writeTestFile).c_str());
    }

    disp = DispState{};
    disp.gameBuf = VbufSprCreateDepth(320, 240, 16);
    if (!disp.gameBuf)
        return GameVarsInitFail("Can't create screen buffer.");
    VbufTargetSet(disp.gameBuf, 0);
    VbufClear(0);
    if (cfg.video.doubleRes != 0) {
        // Its existence makes it the buffer shown.
        disp.buf2x = VbufSprCreateDepth(640, 480, 16);
        if (!disp.buf2x)
            return GameVarsInitFail("Can't create screen buffer.");
    }
    disp.filter = cfg.video.doubleRes;
    disp.stretch = cfg.video.stretch;
    disp.noFrameWait = cfg.debug.speedup;

    if (!(gv->drawList = DrawListCreate(cfg.engine.layeredSpriteMax)))
        return GameVarsInitFail("Can't create priority sprites layer 1.");
    if (!(gv->animList = AnimListCreate(INIT_ANIM_LIST_SIZE)))
        return GameVarsInitFail("Can't create persistent animation array.");
    if (!(gv->afterImages = AfterImagePoolCreate(cfg.engine.afterImageMax, INIT_AFTERIMAGE_FRAMES)))
        return GameVarsInitFail("Can't init afterimages.");
    if (!PalListInit())
        return GameVarsInitFail("Can't create palgroup array.");
    gv->palBgCount = 0;
    gv->sysKeyQueue = (IntQueue *)LibCalloc(1, sizeof(IntQueue));
    if (!gv->sysKeyQueue || !IntQueueCreate(gv->sysKeyQueue, INIT_SYS_KEY_QUEUE))
        return GameVarsInitFail(nullptr);

    gv->motifDir = "data/";
    gv->motifFile = "system.def";
    gv->cameraX = gv->cameraY = 0.0f;
    gv->cameraXi = gv->cameraYi = 0;
    gv->shakeTime = gv->shakeX = gv->shakeY = 0;
    gv->quit = 0;
    gv->playerOn[0] = gv->playerOn[1] = 1;
    gv->playerOn[2] = gv->playerOn[3] = 0;
    if (!PlayerSlotsCreate(cfg.engine.helperMax))
        return GameVarsInitFail(nullptr);
    gv->randomSeed = (unsigned)time(nullptr);
    srand(gv->randomSeed);
    GameRandomSeed(gv->randomSeed);

    if (!(gv->warnLog = TextBufCreate(INIT_WARN_WIDTH, INIT_WARN_LINES)))
        return GameVarsInitFail("Can't create clipboard.");
    return 1;
}

void GameVarsFree()
{
    if (!gv)
        return;
    GameVarsContentsFree();
    delete gv;
    gv = nullptr;
}

// ---------------------------------------------------------------- start-up

// The text goes to the status log and to standard output.
static void LogAndPrint(const char *text)
{
    LogWrite("%s", text);
    fputs(text, stdout);
    fflush(stdout);
}

static void CommandLineCopy(const CmdLineOptions &opt, int *selectFlag)
{
    CfgSound &snd = gv->cfg.sound;
    if (opt.noMusic) {
        gv->noMusic = 1;
        snd.playCda = snd.playMp3 = snd.playMidi = snd.playMod = 0;
    }
    if (opt.resultsLog) {
        gv->resultsLog = 1;
        gv->resultsLogPath = opt.resultsLogPath;
        if (FILE *f = PlatFileOpen(opt.resultsLogPath, "wt"))
            fclose(f);
    }
    for (int i = 0; i < 4; i++) {
        gv->cmdAi[i] = opt.ai[i];
        gv->cmdColor[i] = opt.color[i];
        gv->cmdLife[i] = opt.life[i];
        gv->cmdPower[i] = opt.power[i];
    }
    gv->speedTest = opt.speedTest;
    gv->stressTest = opt.stressTest;
    gv->noJoy = opt.noJoy;
    if (opt.playerName[1][0])
        gv->quickVs = 1;
    else
        *selectFlag = 1;
}

// Sound is never fatal: without devices the game runs silent. 0 only when
// the plug-in host could not hook the game window.
static int SoundStart(int noSound)
{
    CfgSound &s = gv->cfg.sound;
    LogAndPrint("Initializing sound...");
    if (noSound) {
        s.sound = 0;
        SndSetState(0);
        LogAndPrint("sound is disabled\n");
    } else if (s.sound) {
        if (SndInstall(s.wavDeviceId, s.midiDeviceId, s.wavChannels)) {
            LogWrite("OK\n");
            printf("ok\n");
        } else if (SndInstall(s.wavDeviceId, 0, s.wavChannels)) {
            LogAndPrint("no midi device found.\n");
        } else if (SndInstall(0, s.midiDeviceId, s.wavChannels)) {
            LogAndPrint("no wave device found.\n");
        } else {
            s.sound = 0;
            SndSetState(0);
            LogWrite("failed to init sound hardware.\n");
            printf("failed to init hardware.\n");
        }
        fflush(stdout);
    }
    LibSetError(0);
    if (s.playMp3 && !MusPluginInit(PlatWinGameWindow(), s.mp3Volume)) {
        GameErrorSet("%s", PluginErrorText());
        return 0;
    }
    return 1;
}

static int GraphicsStart()
{
    const CfgVideo &v = gv->cfg.video;
    LogWrite("Initializing graphics...");
    printf("Initializing graphics.\n");
    fflush(stdout);
    if (!GfxInit() || !GfxSetPalMode(0))
        return 0;
    LogWrite("trying %ix%ix%i mode 0x%X...", v.width, v.height, v.depth, (unsigned)v.driver);
    if (!GfxSetMode(v.driver, v.width, v.height, v.depth)) {
        LogWrite("failed. ");
        // The box of a failed 640x480x16 shows the library paragraph alone.
        if (!(v.width == 640 && v.height == 480 && v.depth == 16))
            GameErrorSet("Error: Can't change video mode to %ix%ix%ibits\n", v.width, v.height, v.depth);
        return 0;
    }
    LogWrite("success...");
    if (v.depth == 32 || v.driver == GFX_DRV_GDI)
        GfxSetSwapRB(1);
    if (v.blitMode == 1)
        GfxSetPageFlip(v.blitMode, 1);
    LogWrite("OK\n");
    return 1;
}

static int SysFontsLoad()
{
    LogWrite("Loading system fonts...");
    for (int i = 0; i < 2; i++) {
        std::string path = std::string("font/") + sysFontNames[i];
        gv->sysFont[i] = FontLoad(path.c_str());
        if (!gv->sysFont[i]) {
            LibSetError(LIB_ERR_FONTS);
            GameErrorSet("%s", sysFontNames[i]);
            GameVarsContentsFree();
            return 0;
        }
    }
    // The collision-box display writes its texts in the small font, as the
    // debug overlay does.
    gv->debugFont = gv->sysFont[0];
    LogWrite("OK\n");
    return 1;
}

// The r option: a bare name is a directory under "data/" holding
// "system.def"; a name ending in ".def" names the file itself.
static void MotifFromOption(const char *name)
{
    std::string m = name;
    if (m.size() < 4 || strcasecmp(m.c_str() + m.size() - 4, ".def") != 0)
        m += "/system.def";
    size_t cut = m.find_last_of("/\\");
    size_t fileAt = cut == std::string::npos ? 0 : cut + 1;
    gv->motifDir = "data/" + m.substr(0, fileAt);
    gv->motifFile = m.substr(fileAt);
}

int InitSystemRun(const CmdLineOptions &opt, int *selectFlag)
{
    if (!InitAllegro())
        FatalExitf("Can't start Allegro: %s", allegro_error[0] ? allegro_error : "no system driver (no display?)");
    if (system_driver && system_driver->set_window_title)
        set_window_title("V.E.L.O.K");

    LogWrite("Allocating game variables\n");
    LIB_ASSERT(!gv);
    gv = new (std::nothrow) GameVars();
    if (!gv) {
        LibOutOfMemory = 1;
        printf("Can't allocate game variables.\n\n");
        fflush(stdout);
        exit(1);
    }

    LogWrite("Reading configuration file...");
    if (!SysCfgLoad(cfgPath)) {
        GameErrorAppend("\nError reading %s", cfgPath);
        return INIT_STEP_CONFIG;
    }
    LogWrite("OK\n");

    if (opt.configPlugins) {
        LogWrite("Configuring music plugins.\n");
        if (!PluginConfigAll()) {
            GameErrorSet("%s", PluginErrorText());
            return INIT_STEP_PLUGINS;
        }
        allegro_exit();
        LogWrite("close log");
        exit(0);
    }

    CommandLineCopy(opt, selectFlag);

    LogWrite("Checking DX version...");
    GameMusicHostSet();
    gv->dxVersion = PlatDxVersionGet();
    if (gv->dxVersion < 0x700 && gv->cfg.video.driver != GFX_DRV_GDI) {
        GameErrorSet("Requires DirectX version 7.0 or higher.\nDetected %f", gv->dxVersion / 256.0);
        return INIT_STEP_DRIVER_CHECK;
    }
    LogWrite("0x%X\n", (unsigned)gv->dxVersion);

    LogWrite("Initializing timer...");
    if (!TimerInit(INIT_TIMER_RATE)) {
        GameErrorSet("Can't init timer");
        return INIT_STEP_TIMER;
    }
    LogWrite("OK\n");

    LogWrite("Initializing keyboard...");
    printf("Initializing keyboard.\n");
    fflush(stdout);
    if (!KbllInit()) {
        GameErrorSet("Can't init keyboard");
        return INIT_STEP_KEYBOARD;
    }
    LogWrite("configuring...");
    KbllSetMode(2);
    KbllSetRepeat(0, 0);
    KbllSetOption(1);
    KbllSetLeds(0);
    LogWrite("OK\n");

    LogWrite("Initializing input engine...");
    InitKeysDefault();
    if (!InputInit()) {
        GameErrorSet("Can't init input");
        return INIT_STEP_INPUT;
    }
    LogWrite("OK\n");

    if (!SoundStart(opt.noSound))
        return INIT_STEP_SOUND;

    if (!GraphicsStart())
        return INIT_STEP_GRAPHICS;

    ScreenSwitchModeSet(gv->cfg.misc.pauseOnDefocus || ScreenDriverIsFullscreen(gv->cfg.video.driver));
    ScreenWindowActiveSet(1);

    LogWrite("Setting callbacks...");
    LogWrite(InitSwitchCallbacksSet() ? "OK\n" : "failed\n");

    LogWrite("Initializing game variables...");
    if (!GameVarsInit())
        return INIT_STEP_GAME_VARS;
    LogWrite("OK\n");

    std::string dir = gv->startDir;
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    gv->progDir = dir;

    if (!SysFontsLoad())
        return INIT_STEP_FONTS;

    LogWrite("Loading options...\n");
    SysOptionsDefault();
    SysOptionsLoad();
    LogWrite("Options loaded OK\n");
    if (opt.aiLevel > 0)
        gv->options.difficulty = opt.aiLevel;
    if (opt.speed >= -9 && opt.speed <= 9)
        gv->options.gameSpeed = opt.speed;

    LogWrite("Loading system...\n");
    if (opt.motif[0])
        MotifFromOption(opt.motif);
    if (!SysFileLoad()) {
        GameErrorAppend("\nError loading system data: %s%s", gv->motifDir.c_str(), gv->motifFile.c_str());
        return INIT_STEP_SYSTEM;
    }
    SoundSetVolumes(gv->cfg.sound.masterWavVolume, -1);
    LogWrite("System loaded OK\n");
    return INIT_DONE;
}

void InitSystem(CmdLineOptions opt, int *selectFlag)
{
    if (InitSystemRun(opt, selectFlag) != INIT_DONE)
        FatalExit();
}

// ---------------------------------------------------------------- shutdown

void DeinitSystem(int selectFlag)
{
    if (screen)
        GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);

    double rate = TimerRateGet() > 0 ? TimerRateGet() : INIT_TIMER_RATE;
    auto ms = [rate](int ticks) { return ticks / rate * 1000.0; };
    printf("%i.%02i.%02i\n", VERSION_YEAR, VERSION_MONTH, VERSION_DAY);
    printf("BG load time: %.1f ms\nPlayer load time: %.1f ms, %.1f ms\n", ms(gv ? gv->loadTimeBg : 0),
           ms(gv ? gv->loadTimePlayer[0] : 0), ms(gv ? gv->loadTimePlayer[1] : 0));
    printf("Total load time: %.1f ms\n", ms(gv ? gv->loadTimeTotal : 0));
    printf("Pal groups in background: %i\n", gv ? gv->palBgCount : 0);
    printf("\n");
    fflush(stdout);

    // The mode loop has stopped it; a thread still loading would find the cache gone.
    PrecacheAbort();
    PrecacheWait();
    LogWrite("Clearing player cache...");
    // Entries that players still use stay loaded (the error text names them).
    LogWrite(!gv || PlayerCacheFlush() ? "OK\n" : "failed\n");
    LogWrite("Freeing character info...");
    SelectListsFree();
    LogWrite("OK\n");
    if (selectFlag) {
        LogWrite("Freeing select screen...");
        SelectCharListFree();
        LogWrite("OK\n");
    }
    LogWrite("Freeing fight data...");
    FightDataFree();
    LogWrite("OK\n");
    LogWrite("Freeing system data...");
    SysFileFree();
    LogWrite("OK\n");

    if (gv && !gv->startDir.empty())
        PlatChangeDir(gv->startDir.c_str());

    LogWrite("Freeing game variables...");
    GameVarsFree();
    LogWrite("OK\n");

    LogWrite("Deinitializing input...");
    InputDeinit();
    LogWrite("pad...");
    JoyRemove();
    LogWrite("keyboard...");
    KbllDeinit();
    LogWrite("OK\n");
    LogWrite("Removing callbacks...");
    InitSwitchCallbacksRemove();
    LogWrite("OK\n");
    LogWrite("Deintializing timer...");
    TimerExit();
    LogWrite("OK\n");
    LogWrite("Deinitializing graphics...");
    GfxShutdown();
    LogWrite("OK\n");
    LogWrite("Deinitializing CDA...");
    MusCdShutdown();
    LogWrite("MP3...");
    MusPluginShutdown();
    LogWrite("sound...");
    SndRemove();
    LogWrite("OK\n");

    allegro_exit();
}
