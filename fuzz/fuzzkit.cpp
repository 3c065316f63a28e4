// Fuzz kit: what every fuzz target shares: outliving the expected fatal exits, a private working directory, inputs as files, the game record.
#include "fuzzkit.h"

#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <unistd.h>

#include "kit/enginekit.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "lib/vfile.h"
#include "support/charkit.h"
#include "support/fieldkit.h"
#include "support/fightkit.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/player.h"
#include "velok/script/expr.h"

static std::vector<std::string> expected;
static std::vector<long> expectedMet;
static std::string workDir;

[[noreturn]] static void FatalThrow(const char *text)
{
    throw FuzzFatal{text ? text : ""};
}

static void WorkDirRemove()
{
    for (size_t i = 0; i < expected.size(); i++)
        fprintf(stderr, "fuzz: expected fatal exit \"%s\" met %ld times\n", expected[i].c_str(), expectedMet[i]);
    if (workDir.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(workDir, ec);
}

// A finding ends the process without its exit handlers, so its working
// directory stays: the next target to start removes those whose process
// (named in the directory's name) is gone.
static void StaleWorkDirsRemove(const std::filesystem::path &base)
{
    const std::string prefix = "velok-fuzz-";
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(base, ec)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        char *end = nullptr;
        long pid = strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == name.c_str() + prefix.size() || *end != '-')
            continue;
        if (kill((pid_t)pid, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code rec;
        std::filesystem::remove_all(entry.path(), rec);
    }
}

void FuzzStart(std::initializer_list<const char *> expectedFatals)
{
    static bool started = false;
    if (started)
        return;
    started = true;
    for (const char *e : expectedFatals)
        expected.push_back(e);
    expectedMet.assign(expected.size(), 0);
    LibFatalHook = FatalThrow;
    install_allegro(SYSTEM_NONE, &errno, atexit);
    // Most targets write their input to files: in memory when the system
    // offers a memory file system, since a disk's create and delete per input
    // cost more than the load itself.
    std::filesystem::path base = access("/dev/shm", W_OK | X_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                                       : std::filesystem::temp_directory_path();
    StaleWorkDirsRemove(base);
    std::string tmpl = (base / ("velok-fuzz-" + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data()) || chdir(tmpl.c_str()) != 0) {
        fprintf(stderr, "fuzz: no working directory\n");
        abort();
    }
    workDir = tmpl;
    atexit(WorkDirRemove);
    // A directory where the status log would go: the log stays closed.
    std::filesystem::create_directory("velokw.log");
}

void FuzzWorkDirEnter()
{
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) {
        fprintf(stderr, "fuzz: cannot enter %s\n", workDir.c_str());
        abort();
    }
}

void FuzzErrorsClear()
{
    LibErrorMsg[0] = 0;
    LibSetError(0);
    LibOutOfMemory = 0;
    ExprStackTop = -1;
    if (gv)
        gv->errorText[0] = 0;
    else
        GameErrorSet("%s", "");
}

void FuzzFatalCheck(const std::string &text)
{
    for (size_t i = 0; i < expected.size(); i++)
        if (text.find(expected[i]) != std::string::npos) {
            expectedMet[i]++;
            // The evaluator's stack is left as the exit found it.
            ExprStackTop = -1;
            return;
        }
    fprintf(stderr, "fuzz: unexpected fatal exit:\n%s\n", text.c_str());
    abort();
}

std::string FuzzWrite(const std::string &path, const uint8_t *data, size_t size)
{
    std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char *)data, (std::streamsize)size);
    return path;
}

std::string FuzzWrite(const std::string &path, const std::string &data)
{
    return FuzzWrite(path, (const uint8_t *)data.data(), data.size());
}

VFile *FuzzMemVFile(const uint8_t *data, size_t size)
{
    // One byte more, so that an empty input still has a block.
    char *block = (char *)malloc(size + 1);
    if (size)
        memcpy(block, data, size);
    VFile *vf = VFileOpenMem(block, size);
    if (!vf) {
        free(block);
        return nullptr;
    }
    vf->ownsBlock = 1;
    return vf;
}

std::vector<std::string> FuzzSplit(const uint8_t *data, size_t size, size_t count)
{
    std::vector<std::string> files(count);
    std::string all((const char *)data, size);
    const size_t sepLen = strlen(FUZZ_SEP);
    size_t pos = 0;
    for (size_t i = 0; i < count; i++) {
        size_t next = i + 1 < count ? all.find(FUZZ_SEP, pos) : std::string::npos;
        if (next == std::string::npos) {
            files[i] = all.substr(pos);
            break;
        }
        files[i] = all.substr(pos, next - pos);
        pos = next + sepLen;
    }
    return files;
}

std::string FuzzJoin(const std::vector<std::string> &files)
{
    std::string out;
    for (size_t i = 0; i < files.size(); i++) {
        if (i)
            out += FUZZ_SEP;
        out += files[i];
    }
    return out;
}

void FuzzGameStart()
{
    gv = new GameVars();
    for (int i = 0; i < 4; i++)
        gv->cmdAi[i] = gv->cmdColor[i] = gv->cmdLife[i] = gv->cmdPower[i] = -1;
    gv->warnLog = TextBufCreate(77, 8);
    FieldRecordSet();
}

void FuzzCanvasStart()
{
    static std::vector<int> rows;
    static BITMAP *canvas = PixCanvasStart(&rows);
    (void)canvas;
}

bool FuzzFontSoundStart()
{
    FuzzWrite("sys.fnt", FightKitFont());
    gv->sysFont[0] = FontLoad("sys.fnt");
    return SndInstall(DIGI_NONE, MIDI_NONE, 8) == 1;
}

// ---------------------------------------------------------------- field

static CharInfo fieldEntry;

Player *FuzzPlayer(int slot)
{
    return PlayerSlotGet(slot);
}

int FuzzFieldMake(const CharKit &kit, int players)
{
    kit.WriteDir("chars/kit");
    return FuzzFieldMakeAt("chars/kit", kit.defName.c_str(), players);
}

int FuzzFieldMakeAt(const char *dir, const char *defName, int players)
{
    FuzzFieldFree();
    CharEntrySet(&fieldEntry, dir, defName);
    if (!FieldPlayersMake(&fieldEntry, players)) {
        FuzzFieldFree();
        return 0;
    }
    return 1;
}

void FuzzFieldFree()
{
    if (!gv->charList)
        return;
    FieldPlayersFree(&fieldEntry, 1);
    gv->charList = nullptr;
    gv->charCount = 0;
}

// ---------------------------------------------------------------- round

static std::vector<int> canvasRows;

void FuzzRoundStart()
{
    RoundRecordSet(2, &canvasRows);
}
