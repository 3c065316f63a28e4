// Library base: checked allocation, error codes, assertions, file types, string and path helpers.
#include "lib/libbase.h"

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <strings.h>

#include "platform/pmsgbox.h"

int LibOutOfMemory = 0;
thread_local char LibErrorMsg[LIB_TEXT_LEN];
char LibAssertText[LIB_TEXT_LEN];

static int libErrorCode = 0;

static std::atomic<int> failCountdown{0};

void LibCallocFailAt(int n)
{
    failCountdown = n > 0 ? n : 0;
}

void *LibCalloc(size_t count, size_t size)
{
    int left = failCountdown.load();
    while (left > 0 && !failCountdown.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 1) {
        LibOutOfMemory = 1;
        return nullptr;
    }
    void *p = calloc(count ? count : 1, size ? size : 1);
    if (!p)
        LibOutOfMemory = 1;
    return p;
}

void MemZero(void *block, size_t bytes)
{
    if (block && bytes)
        memset(block, 0, bytes);
}

void MemFree(void *block)
{
    free(block);
}

void LibSetError(int code)
{
    libErrorCode = code;
}

int LibGetError()
{
    return libErrorCode;
}

const char *LibErrorText()
{
    switch (libErrorCode) {
    case LIB_ERR_FONTS: return "Can't load fonts";
    case LIB_ERR_SOUND: return "Can't init sound";
    case LIB_ERR_GRAPHICS: return "Can't init graphics";
    case LIB_ERR_VIDEOMODE: return "Can't change video mode";
    default: return "Error not defined";
    }
}

void LibMsgSet(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    vsnprintf(LibErrorMsg, sizeof LibErrorMsg, format, ap);
    va_end(ap);
}

void LibMsgAppend(const char *text)
{
    size_t used = strlen(LibErrorMsg);
    if (used + 1 < sizeof LibErrorMsg)
        StrCopy(LibErrorMsg + used, sizeof LibErrorMsg - used, text);
}

void (*LibFatalHook)(const char *text) = nullptr;

void LibFatal(const char *text)
{
    if (text != LibErrorMsg)
        StrCopy(LibErrorMsg, sizeof LibErrorMsg, text ? text : "Error detected.");
    if (LibFatalHook)
        LibFatalHook(LibErrorMsg);
    PlatMessageBox("Error message", LibErrorMsg, PLAT_MSG_STDERR);
    exit(1);
}

void LibAssertFail(const char *file, int line)
{
    snprintf(LibAssertText, sizeof LibAssertText, "Assert failure in %s line %i", PathBaseName(file), line);
    LibFatal(LibAssertText);
}

int FileTypeFromExt(const char *name)
{
    static const struct { const char *ext; int type; } three[] = {
        {"pcx", FILETYPE_PCX}, {"sff", FILETYPE_SFF}, {"wav", FILETYPE_WAV},
        {"snd", FILETYPE_SND}, {"mp3", FILETYPE_MP3}, {"mid", FILETYPE_MID},
        {"mod", FILETYPE_MOD}, {"s3m", FILETYPE_MOD}, {"zip", FILETYPE_ZIP},
    };
    if (!name)
        return FILETYPE_UNKNOWN;
    size_t len = strlen(name);
    if (len > 4 && name[len - 4] == '.') {
        for (const auto &e : three)
            if (strcasecmp(name + len - 3, e.ext) == 0)
                return e.type;
    } else if (len > 3 && name[len - 3] == '.') {
        if (strcasecmp(name + len - 2, "xm") == 0)
            return FILETYPE_MOD;
        if (strcasecmp(name + len - 2, "da") == 0)
            return FILETYPE_DA;
    }
    return FILETYPE_UNKNOWN;
}

int StrCaseEqPrefix(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return 0;
    return 1;
}

// The C locale's lower case, which the program never changes, without a
// library call per character: key lookups compare many characters.
static inline unsigned char AsciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c + ('a' - 'A')) : c;
}

int StrNCaseEq(const char *a, const char *b, int n)
{
    for (int i = 0; i < n; i++) {
        if (!a[i] || !b[i])
            return 0;
        if (AsciiLower((unsigned char)a[i]) != AsciiLower((unsigned char)b[i]))
            return 0;
    }
    return 1;
}

int StrNEq(const char *a, const char *b, int n)
{
    for (int i = 0; i < n; i++) {
        if (!a[i] || !b[i])
            return 0;
        if (a[i] != b[i])
            return 0;
    }
    return 1;
}

void StrUpperCopy(char *out, size_t outSize, const char *text)
{
    for (size_t i = 0; i < outSize && text[i]; i++)
        out[i] = (char)toupper((unsigned char)text[i]);
}

void StrCopy(char *out, size_t outSize, const char *text)
{
    if (!outSize)
        return;
    size_t n = text ? strlen(text) : 0;
    if (n >= outSize)
        n = outSize - 1;
    if (n)
        memmove(out, text, n);
    out[n] = 0;
}

static const char *LastSeparator(const char *path)
{
    const char *s = nullptr;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\')
            s = p;
    return s;
}

void PathSplit(const char *path, char *dirOut, size_t dirSize, char *nameOut, size_t nameSize)
{
    const char *sep = LastSeparator(path);
    size_t dirLen = sep ? (size_t)(sep - path) + 1 : 0;
    if (dirOut && dirSize) {
        size_t n = dirLen < dirSize ? dirLen : dirSize - 1;
        memcpy(dirOut, path, n);
        dirOut[n] = 0;
    }
    if (nameOut)
        StrCopy(nameOut, nameSize, path + dirLen);
}

int PathIsAbsolute(const char *path)
{
    if (!path || !path[0])
        return 0;
    return path[0] == '/' || path[0] == '\\' || path[1] == ':';
}

int PathJoin(char *out, size_t outSize, const char *directory, const char *path)
{
    if (PathIsAbsolute(path)) {
        StrCopy(out, outSize, path);
        return (int)strlen(path) + 1;
    }
    size_t dl = strlen(directory);
    bool sep = dl > 0 && directory[dl - 1] != '/' && directory[dl - 1] != '\\';
    snprintf(out, outSize, "%s%s%s", directory, sep ? "/" : "", path);
    return 0;
}

void PathSlashesForward(char *out, size_t outSize, const char *path)
{
    StrCopy(out, outSize, path);
    for (char *p = out; outSize && *p; p++)
        if (*p == '\\')
            *p = '/';
}

const char *PathBaseName(const char *path)
{
    // A separator at the very first character does not count.
    const char *sep = LastSeparator(path);
    if (sep && sep > path)
        return sep + 1;
    return path;
}

long FileLength(FILE *f)
{
    long pos = ftell(f);
    fseek(f, 0, SEEK_END);
    long len = ftell(f);
    fseek(f, pos, SEEK_SET);
    return len;
}

int FileReadLe16(FILE *f)
{
    int lo = fgetc(f);
    int hi = fgetc(f);
    if (lo == EOF || hi == EOF)
        return -1;
    return lo | (hi << 8);
}

int FileReadLe32(FILE *f)
{
    unsigned v = 0;
    for (int i = 0; i < 4; i++) {
        int c = fgetc(f);
        if (c == EOF)
            return -1;
        v |= (unsigned)c << (8 * i);
    }
    return (int)v;
}

int RoundToInt(double x)
{
    double r = floor(x + 0.5);
    if (std::isnan(r))
        return 0;
    if (r >= (double)INT_MAX)
        return INT_MAX;
    if (r <= (double)INT_MIN)
        return INT_MIN;
    return (int)r;
}

void StrUnquote(char *out, size_t outSize, const char *value)
{
    if (outSize == 0)
        return;
    if (value[0] != '"') {
        StrCopy(out, outSize, value);
        return;
    }
    value++;
    const char *end = strchr(value, '"');
    size_t n = end ? (size_t)(end - value) : strlen(value);
    if (n > outSize - 1)
        n = outSize - 1;
    memcpy(out, value, n);
    out[n] = 0;
}

int StrToIntClamped(const char *s, const char **end)
{
    char *e;
    long long v = strtoll(s, &e, 10);
    *end = e;
    return ClampInt(v);
}

void SwapInt(int *a, int *b)
{
    int t = *a;
    *a = *b;
    *b = t;
}

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

int MaxInt(int a, int b)
{
    return a > b ? a : b;
}
