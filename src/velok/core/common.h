// Command line, status log, fatal exit, warning lines and data-file finding.
#pragma once
#include <cstddef>
#include <string>

enum {
    CMDLINE_NAME_LEN = 64,
    CMDLINE_MOTIF_LEN = 68,
    CMDLINE_PATH_LEN = 256,
};

struct CmdLineOptions {
    char playerName[4][CMDLINE_NAME_LEN];
    char stage[CMDLINE_NAME_LEN];
    char motif[CMDLINE_MOTIF_LEN];
    int resultsLog;
    char resultsLogPath[CMDLINE_PATH_LEN];
    int noSound;
    int noMusic;
    int noJoy;
    int rounds;
    int ai[4];
    int color[4];  // value - 1; -1 when not given
    int life[4];
    int power[4];
    int aiLevel;
    int speed;
    int speedTest;
    int stressTest;
    char storyboard[CMDLINE_NAME_LEN];
    int configPlugins;
    int roundsGiven;  // the rounds option was given
};

enum { VERSION_YEAR = 2003, VERSION_MONTH = 6, VERSION_DAY = 14 };

void CmdLineParse(CmdLineOptions *opt, int argc, char **argv);
[[noreturn]] void CmdLineHelp();

int LogWrite(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Forgets the open log and the first-message flag, as at program start.
void LogStateReset();

[[noreturn]] void FatalExit();
[[noreturn]] void FatalExitf(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Bounded writes into the game error text (no-ops before the game record exists).
void GameErrorSet(const char *format, ...) __attribute__((format(printf, 1, 2)));
void GameErrorAppend(const char *format, ...) __attribute__((format(printf, 1, 2)));
// From now on the calling thread's game error text is the buffer (emptied
// here) instead of the game record's; null turns this off again. Worker
// threads keep their own text this way and hand it to the game thread.
void GameErrorRedirect(char *buffer, size_t size);
// The calling thread's game error text.
const char *GameErrorText();
// Called first by the fatal exit, before the box is made: stops worker
// threads and collects what they had to say. Null removes it.
typedef void (*FatalExitHook)();
void FatalExitHookSet(FatalExitHook hook);

// Warning lines for a player by name, id and state number; the game tick comes
// from the game record.
void WarnLogAppend(const char *name, int id, int stateNo, const char *text);
void WarnLogAppendRedirected(const char *nameA, int idA, int stateA,
                             const char *nameB, int idB, int stateB, const char *text);
// Appends the text to the warning log; on a thread that collects its
// warnings, to its collection instead.
void WarnLogText(const char *text);
// From now on the calling thread's warning-log text goes into the string,
// for the game thread to append later; null turns this off.
void WarnLogRedirect(std::string *collect);

char *StrUnescapePercent(char *text);

struct TextBuf;
struct Font;
// Draws the ring's lines from the oldest to the current one, left-aligned,
// one font line apart. A line index outside the ring is fatal.
void TextBufDraw(const TextBuf *ring, const Font *font, int x, int y, int colour);

struct TxtParseFile;
// Reads a key's double-quoted value (the text between the quotes, cut to the
// buffer). 1 when read; else the game error text says why.
int ParamGetQuoted(TxtParseFile *tp, const char *key, char *buffer, int bufferLen, const char *context);

int FileExists(const char *path);
int FileFindIn(const char *path, char *full, size_t fullSize, const char *callerDir,
               char *foundDir, size_t foundDirSize);
int FileFind(const char *path, char *full, size_t fullSize, char *foundDir, size_t foundDirSize);
// Changes the process's working directory: only for start-up, before any
// second thread exists.
int FileFindInDirs(const char *path, char *full, size_t fullSize, char *oldDir, size_t oldDirSize);
