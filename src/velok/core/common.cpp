// Command line, status log, fatal exit, warning lines and data-file finding.
#include "velok/core/common.h"

#include <allegro.h>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

#include "lib/font.h"
#include "lib/gfx.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "music/music.h"
#include "platform/pfile.h"
#include "platform/pmsgbox.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"

GameVars *gv = nullptr;

// ---------------------------------------------------------------- command line

static const char helpText[] =
    "Options (case sensitive):\n"
    " -h -? \tHelp\n"
    " -log <logfile> \tRecords match data to <logfile>\n"
    " -r <sysfile> \tLoads motif <sysfile>. eg. -r motifdir or -r motifdir/system.def\n"
    " -configplugins \tConfigure music plugins\n"
    "Quick VS Options:\n"
    " -p<?> <playername> \tLoads player ?, eg. -p3 dov\n"
    " -p<?>.ai 1 \tEnables AI for player ?, eg. -p1.ai 1\n"
    " -p<?>.color <col> \tSet player ?'s color to <col>\n"
    " -p<?>.life <life> \tSets player ?'s life to <life>\n"
    " -p<?>.power <power> \tSets player ?'s power to <power>\n"
    " -rounds <num> \tPlays for <num> rounds, and then quits\n"
    " -s <stagename> \tLoads stage <stagename>\n"
    "Debug Options:\n"
    " -nojoy   \tDisables joysticks\n"
    " -nomusic \tDisables music\n"
    " -nosound \tDisables all sound effects and music\n"
    "\n";

void CmdLineHelp()
{
    char text[2048];
    snprintf(text, sizeof text, "%i.%02i.%02i\n\n%s", VERSION_YEAR, VERSION_MONTH, VERSION_DAY, helpText);
    PlatMessageBox("V.E.L.O.K Command line options", text, PLAT_MSG_STDOUT);
    exit(0);
}

void CmdLineParse(CmdLineOptions *opt, int argc, char **argv)
{
    LogWrite("Command line: %s", argc > 0 ? argv[0] : "");
    memset(opt, 0, sizeof *opt);
    opt->rounds = 1000000;
    for (int i = 0; i < 4; i++)
        opt->ai[i] = opt->color[i] = opt->life[i] = opt->power[i] = -1;
    opt->aiLevel = 0;
    opt->speed = 999;

    int bare = 0;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        LogWrite(" %s", arg);
        if (arg[0] != '-') {
            if (bare < 2)
                StrCopy(opt->playerName[bare], CMDLINE_NAME_LEN, arg);
            bare++;
            continue;
        }
        const char *w = arg + 1;
        // The value of an option that takes one; the box when it is missing.
        auto value = [&]() -> const char * {
            if (i + 1 >= argc)
                CmdLineHelp();
            LogWrite(" %s", argv[i + 1]);
            return argv[++i];
        };
        switch (w[0]) {
        case 'h':
        case '?':
            CmdLineHelp();
        case 'a':
            if (strcmp(w, "ailevel") != 0)
                CmdLineHelp();
            {
                int n = atoi(value());
                opt->aiLevel = n >= 1 && n <= 9 ? n : 4;
            }
            break;
        case 'c':
            if (strcmp(w, "configplugins") != 0)
                CmdLineHelp();
            opt->configPlugins = 1;
            break;
        case 'l':
            if (strcmp(w, "log") != 0)
                CmdLineHelp();
            opt->resultsLog = 1;
            StrCopy(opt->resultsLogPath, CMDLINE_PATH_LEN, value());
            break;
        case 'n':
            if (strcmp(w, "nomusic") == 0)
                opt->noMusic = 1;
            else if (strcmp(w, "nosound") == 0)
                opt->noSound = 1;
            else if (strcmp(w, "nojoy") == 0)
                opt->noJoy = 1;
            else
                CmdLineHelp();
            break;
        case 'p': {
            if (w[1] < '1' || w[1] > '4')
                CmdLineHelp();
            int n = w[1] - '1';
            const char *suffix = w + 2;
            if (suffix[0] == 0) {
                StrCopy(opt->playerName[n], CMDLINE_NAME_LEN, value());
            } else if (strcmp(suffix, ".ai") == 0) {
                opt->ai[n] = atoi(value());
            } else if (strcmp(suffix, ".color") == 0) {
                opt->color[n] = atoi(value()) - 1;
            } else if (strcmp(suffix, ".life") == 0) {
                opt->life[n] = atoi(value());
            } else if (strcmp(suffix, ".power") == 0) {
                opt->power[n] = atoi(value());
            } else {
                CmdLineHelp();
            }
            bare = n;
            break;
        }
        case 'r':
            if (strcmp(w, "r") == 0 || strcmp(w, "rubric") == 0) {
                StrCopy(opt->motif, CMDLINE_MOTIF_LEN, value());
            } else if (strcmp(w, "rounds") == 0) {
                opt->rounds = MaxInt(1, atoi(value()));
                opt->roundsGiven = 1;
            } else {
                CmdLineHelp();
            }
            break;
        case 's':
            if (strcmp(w, "s") == 0 || strcmp(w, "stage") == 0) {
                StrCopy(opt->stage, CMDLINE_NAME_LEN, value());
            } else if (strcmp(w, "speedtest") == 0) {
                opt->speedTest = 1;
            } else if (strcmp(w, "storyboard") == 0) {
                StrCopy(opt->storyboard, CMDLINE_NAME_LEN, value());
            } else if (strcmp(w, "stresstest") == 0) {
                opt->stressTest = atoi(value());
            } else if (strcmp(w, "speed") == 0) {
                int n = atoi(value());
                opt->speed = n >= -9 && n <= 9 ? n : 999;
            } else {
                CmdLineHelp();
            }
            break;
        default:
            printf("Error: Invalid option %s\n\n", arg);
            CmdLineHelp();
        }
    }
    LogWrite("\n");
}

// ---------------------------------------------------------------- status log

static FILE *logFile = nullptr;
static bool logFirst = true;
// Characters loading on the pre-caching thread log too.
static std::mutex logLock;

void LogStateReset()
{
    std::lock_guard<std::mutex> hold(logLock);
    if (logFile)
        fclose(logFile);
    logFile = nullptr;
    logFirst = true;
}

int LogWrite(const char *format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);

    std::lock_guard<std::mutex> hold(logLock);
    if (logFirst) {
        logFirst = false;
        logFile = PlatFileOpen("velokw.log", "wt");
        if (logFile) {
            fputs("\n\n-----------------------------------\n", logFile);
            fprintf(logFile, "V.E.L.O.K ver %i.%02i.%02i status log\n", VERSION_YEAR, VERSION_MONTH, VERSION_DAY);
            fputs("-----------------------------------\n", logFile);
        }
    }
    if (!logFile)
        return 0;
    if (strcmp(format, "close log") == 0) {
        fputs("\nLog file successfully closed.\n", logFile);
        fflush(logFile);
        fclose(logFile);
        logFile = nullptr;
        return 0;
    }
    fputs(buf, logFile);
    return fflush(logFile);
}

// ---------------------------------------------------------------- errors

// Where the error text goes while there is no game record (before start-up
// allocates it, after shutdown frees it), so that a fatal stop then still
// shows its reason.
static char earlyErrorText[512];

// A worker thread's own error text, so that what its loaders write never
// meets the game thread's text; it hands the text over when it ends.
static thread_local char *threadErrorText = nullptr;
static thread_local size_t threadErrorSize = 0;

static char *ErrorText(size_t *size)
{
    if (threadErrorText) {
        *size = threadErrorSize;
        return threadErrorText;
    }
    if (gv) {
        *size = sizeof gv->errorText;
        return gv->errorText;
    }
    *size = sizeof earlyErrorText;
    return earlyErrorText;
}

static void ErrorWrite(bool append, const char *format, va_list args)
{
    size_t size;
    char *text = ErrorText(&size);
    size_t used = append ? strlen(text) : 0;
    if (used >= size - 1)
        return;
    vsnprintf(text + used, size - used, format, args);
}

void GameErrorSet(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    ErrorWrite(false, format, args);
    va_end(args);
}

void GameErrorAppend(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    ErrorWrite(true, format, args);
    va_end(args);
}

void GameErrorRedirect(char *buffer, size_t size)
{
    bool on = buffer && size > 0;
    threadErrorText = on ? buffer : nullptr;
    threadErrorSize = on ? size : 0;
    if (on)
        buffer[0] = 0;
}

const char *GameErrorText()
{
    size_t size;
    return ErrorText(&size);
}

// ---------------------------------------------------------------- fatal exit

static std::atomic<bool> fatalRunning{false};
static std::atomic<FatalExitHook> fatalHook{nullptr};

void FatalExitHookSet(FatalExitHook hook)
{
    fatalHook = hook;
}

void FatalExit()
{
    // A second failure while the exit runs (a module's shutdown failing, say)
    // must not start the sequence again.
    if (fatalRunning.exchange(true))
        _exit(1);
    if (FatalExitHook hook = fatalHook.load())
        hook();

    std::string box;
    char para[GAME_ERROR_LEN + 64];
    if (LibGetError() != 0) {
        snprintf(para, sizeof para, "Library (built in) message: %s.\n\n", LibErrorText());
        box += para;
    }
    size_t textSize;
    const char *text = ErrorText(&textSize);
    if (text[0]) {
        snprintf(para, sizeof para, "Error message: %s\n\n", text);
        box += para;
    } else {
        box += "Error detected.\n\n";
    }
    if (LibErrorMsg[0]) {
        snprintf(para, sizeof para, "Library error message: %s\n\n", LibErrorMsg);
        box += para;
    }
    if (LibOutOfMemory)
        box += "Out of memory error.\n\n";
    if (box.size() > 4095)
        box.resize(4095);
    if (LibFatalHook) {
        fatalRunning = false;
        LibFatalHook(box.c_str());
        fatalRunning = true;
    }

    LogWrite("Exit with an error.\n");
    LogWrite("close log");
    KbllHookRemove();
    if (screen)
        GfxSetMode(GFX_DRV_TEXT, 80, 25, 8);

    MusCdShutdown();
    MusPluginShutdown();
    SndRemove();
    InitSwitchCallbacksRemove();
    PlatMessageBox("V.E.L.O.K Error", box.c_str(), PLAT_MSG_STDERR);
    allegro_exit();
    exit(1);
}

void FatalExitf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    ErrorWrite(false, format, args);
    va_end(args);
    FatalExit();
}

// ---------------------------------------------------------------- warnings

static thread_local std::string *threadWarnings = nullptr;

void WarnLogRedirect(std::string *collect)
{
    threadWarnings = collect;
}

void WarnLogText(const char *text)
{
    if (threadWarnings)
        *threadWarnings += text;
    else if (gv && gv->warnLog)
        TextBufAppend(gv->warnLog, text);
}

void WarnLogAppend(const char *name, int id, int stateNo, const char *text)
{
    if (!gv || !gv->warnLog)
        return;
    TextBufPrintf(gv->warnLog, "%4i: Warning: Player %s (%i) in state %i:\n%s", gv->gameTick, name, id, stateNo,
                  text);
}

void WarnLogAppendRedirected(const char *nameA, int idA, int stateA, const char *nameB, int idB, int stateB,
                             const char *text)
{
    if (!gv || !gv->warnLog)
        return;
    TextBufPrintf(gv->warnLog,
                  "%4i: Warning: Player %s (%i) in state %i:\nin redirected trigger from player %s (%i) in state "
                  "%i:\n%s",
                  gv->gameTick, nameA, idA, stateA, nameB, idB, stateB, text);
}

char *StrUnescapePercent(char *text)
{
    char *out = text;
    for (const char *p = text; *p; p++) {
        *out++ = *p;
        if (p[0] == '%' && p[1] == '%')
            p++;
    }
    *out = 0;
    return text;
}

void TextBufDraw(const TextBuf *ring, const Font *font, int x, int y, int colour)
{
    if (!ring || !font)
        return;
    // The current index is checked before the walk too: one the walk can
    // never meet would never end it.
    for (int index : {ring->oldest, ring->current})
        if (index < 0 || index >= ring->count)
            FatalExitf("%i %i %i", index, ring->width, ring->count);
    int i = ring->oldest;
    while (i != ring->current) {
        FontDrawTextL(ring->lines[i], font, x, y, colour);
        y += font->sizeH + font->spacingY;
        i = i + 1 < ring->count ? i + 1 : 0;
    }
    if (ring->lines[i][0])
        FontDrawTextL(ring->lines[i], font, x, y, colour);
}

int ParamGetQuoted(TxtParseFile *tp, const char *key, char *buffer, int bufferLen, const char *context)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v) {
        if (context)
            GameErrorSet("%s", context);
        else
            GameErrorSet("Cannot find parameter: %s", key);
        return 0;
    }
    size_t len = strlen(v);
    if (len < 2 || v[0] != '"' || v[len - 1] != '"') {
        if (context)
            GameErrorSet("String must be in quotes\n%s", context);
        else
            GameErrorSet("String value for %s must be in quotes", key);
        return 0;
    }
    if (bufferLen > 0) {
        size_t n = MinInt((int)len - 2, bufferLen - 1);
        memcpy(buffer, v + 1, n);
        buffer[n] = 0;
    }
    return 1;
}

// ---------------------------------------------------------------- file finding

int FileExists(const char *path)
{
    FILE *f = PlatFileOpen(path, "rb");
    if (!f)
        return 0;
    fclose(f);
    return 1;
}

int FileFindIn(const char *path, char *full, size_t fullSize, const char *callerDir, char *foundDir,
               size_t foundDirSize)
{
    const char *p = path;
    if (p[0] && p[1] == ':')
        p += 2;
    char dir[GAME_DIR_LEN], name[GAME_DIR_LEN];
    PathSplit(p, dir, sizeof dir, name, sizeof name);

    const char *candidates[4];
    int n = 0;
    if (dir[0] == '/' || dir[0] == '\\')
        candidates[n++] = "";
    else if (callerDir)
        candidates[n++] = callerDir;
    candidates[n++] = gv ? gv->motifDir.c_str() : "";
    candidates[n++] = "./";
    candidates[n++] = "data/";

    for (int i = 0; i < n; i++) {
        std::string c = std::string(candidates[i]) + dir + name;
        if (FileExists(c.c_str())) {
            StrCopy(full, fullSize, c.c_str());
            if (foundDir)
                StrCopy(foundDir, foundDirSize, (std::string(candidates[i]) + dir).c_str());
            return 1;
        }
    }
    GameErrorSet("Can't find file %s", path);
    return 0;
}

int FileFind(const char *path, char *full, size_t fullSize, char *foundDir, size_t foundDirSize)
{
    return FileFindIn(path, full, fullSize, nullptr, foundDir, foundDirSize);
}

int FileFindInDirs(const char *path, char *full, size_t fullSize, char *oldDir, size_t oldDirSize)
{
    char cwd[GAME_DIR_LEN];
    if (!getcwd(cwd, sizeof cwd))
        cwd[0] = 0;
    std::string dirs[3] = {cwd, (gv ? gv->progDir : std::string()) + "data/", "./"};
    for (const std::string &d : dirs) {
        if (PlatChangeDir(d.c_str()) != 0)
            continue;
        if (FileExists(path)) {
            StrCopy(full, fullSize, path);
            if (oldDir)
                StrCopy(oldDir, oldDirSize, cwd);
            return 1;
        }
        PlatChangeDir(cwd);
    }
    PlatChangeDir(cwd);
    GameErrorSet("Can't find file %s", path);
    return 0;
}
