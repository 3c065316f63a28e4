// Library base: checked allocation, error codes, assertions, file types, string and path helpers.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdio>

enum LibErrorCode {
    LIB_ERR_NONE = 0,
    LIB_ERR_FONTS = 1,
    LIB_ERR_SOUND = 2,
    LIB_ERR_GRAPHICS = 3,
    LIB_ERR_VIDEOMODE = 4,
};

enum FileType {
    FILETYPE_UNKNOWN = 0,
    FILETYPE_PCX = 1,
    FILETYPE_SFF = 2,
    FILETYPE_WAV = 3,
    FILETYPE_SND = 4,
    FILETYPE_MP3 = 5,
    FILETYPE_MID = 6,
    FILETYPE_MOD = 7,
    FILETYPE_DA = 8,
    FILETYPE_ZIP = 9,
};

enum { LIB_TEXT_LEN = 256 };

// Library-wide state. The out-of-memory flag is set by any failed checked
// allocation and never cleared by the library. The message text is each
// thread's own: loaders running on a worker thread write theirs there.
extern int LibOutOfMemory;
extern thread_local char LibErrorMsg[LIB_TEXT_LEN];
extern char LibAssertText[LIB_TEXT_LEN];

void *LibCalloc(size_t count, size_t size);
// For tests of failure paths: the n-th checked allocation from now fails as if
// memory had run out; 0 turns this off.
void LibCallocFailAt(int n);
void MemZero(void *block, size_t bytes);
void MemFree(void *block);

void LibSetError(int code);
int LibGetError();
const char *LibErrorText();
// Formats into this thread's LibErrorMsg, or appends a text to it; both bounded.
void LibMsgSet(const char *format, ...) __attribute__((format(printf, 1, 2)));
void LibMsgAppend(const char *text);

// Copies the text (or "Error detected." when null) into LibErrorMsg, shows it
// in a box titled "Error message" and exits with code 1. No clean-up.
[[noreturn]] void LibFatal(const char *text);
// Null in the game. A harness that must outlive fatal exits (the fuzz targets)
// sets it: LibFatal and the game's FatalExit call it first with the text they
// would show, and it leaves by throwing or jumping; should it return, the exit
// goes on as usual.
extern void (*LibFatalHook)(const char *text);
// Formats "Assert failure in %s line %i" with the file's base name and stops.
[[noreturn]] void LibAssertFail(const char *file, int line);

#define LIB_ASSERT(cond) \
    do { \
        if (!(cond)) \
            LibAssertFail(__FILE__, __LINE__); \
    } while (0)

int FileTypeFromExt(const char *name);

int StrCaseEqPrefix(const char *a, const char *b);
int StrNCaseEq(const char *a, const char *b, int n);
int StrNEq(const char *a, const char *b, int n);
// Copies the text upper-cased without a terminating zero, at most outSize bytes.
void StrUpperCopy(char *out, size_t outSize, const char *text);
// Copies at most outSize - 1 bytes and always terminates (when outSize > 0).
void StrCopy(char *out, size_t outSize, const char *text);
// A quoted value gives what stands between its quotes (to the end when the
// closing quote is missing), an unquoted one the value itself; cut to the buffer.
void StrUnquote(char *out, size_t outSize, const char *value);

// Either output may be null; each is cut to its size.
void PathSplit(const char *path, char *dirOut, size_t dirSize, char *nameOut, size_t nameSize);
// Result: the path's length + 1 when the path was absolute and copied alone, else 0.
int PathJoin(char *out, size_t outSize, const char *directory, const char *path);
int PathIsAbsolute(const char *path);
void PathSlashesForward(char *out, size_t outSize, const char *path);
const char *PathBaseName(const char *path);

long FileLength(FILE *f);
int FileReadLe16(FILE *f);
int FileReadLe32(FILE *f);

// floor(x + 0.5); NaN gives 0, values beyond the int range saturate.
int RoundToInt(double x);
// Truncation toward zero; NaN gives 0 and values beyond the int range saturate.
// Inline: positions go through it many times per tick.
inline int TruncToInt(float x)
{
    if (!(x == x))
        return 0;
    if (x >= 2147483648.0f)
        return INT_MAX;
    if (x <= -2147483648.0f)
        return INT_MIN;
    return (int)x;
}
inline int TruncToInt(double x)
{
    if (!(x == x))
        return 0;
    if (x >= (double)INT_MAX)
        return INT_MAX;
    if (x <= (double)INT_MIN)
        return INT_MIN;
    return (int)x;
}
// A wide integer brought into lo..hi, by default saturated to the int range:
// sums of ints from data files are taken in 64 bits and come back through it.
inline int ClampInt(long long v, int lo = INT_MIN, int hi = INT_MAX)
{
    return v < lo ? lo : v > hi ? hi : (int)v;
}
// A decimal number at s (strtol's reading), saturated to the int range; *end
// is where it stopped, s itself when no number stands there.
int StrToIntClamped(const char *s, const char **end);
void SwapInt(int *a, int *b);
int MinInt(int a, int b);
int MaxInt(int a, int b);
