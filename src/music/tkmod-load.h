// Tracker-module loaders: MOD, S3M and XM files (also inside UMX packages) and the player's own format, detected by content.
#pragma once
#include <cstddef>
#include <cstdint>

struct TkmodModule;
struct PACKFILE;

enum {
    TKMOD_TYPE_NONE = 0,
    TKMOD_TYPE_MOD15 = 1,
    TKMOD_TYPE_MOD31 = 2,
    TKMOD_TYPE_S3M = 3,
    TKMOD_TYPE_XM = 4,
    TKMOD_TYPE_IT = 5,
    TKMOD_TYPE_OWN = 6,
    TKMOD_TYPE_UMX_S3M = 7,
    TKMOD_TYPE_UMX_XM = 8,
    TKMOD_TYPE_UMX_IT = 9,

    // Bytes of a file's start that detection and the info reader look at.
    TKMOD_HEAD_LEN = 2048,
    // How far after the package tag an embedded module's signature may stand.
    TKMOD_UMX_SEARCH = 500,
};

struct TkmodInfo {
    int type;
    char typeName[32];
    char songName[32];
};

// A file read whole into memory; the readers move through it.
struct TkmodFile {
    unsigned char *data;
    long size;
    long pos;
    char path[260];
};

// The module in the file, whatever its format; null with the error text set.
TkmodModule *TkmodLoad(const char *path);
// Type and song name without loading; 1, or -1 with the error text set.
int TkmodInfoGet(const char *path, TkmodInfo *info);

// Detectors look at the first bytes of a file (head, of size bytes): 1 when
// the format is recognised. The package detectors give the offset of the
// embedded module, -1 when there is none.
int TkmodOwnDetect(const unsigned char *head, long size);
int TkmodItDetect(const unsigned char *head, long size);
int TkmodXmDetect(const unsigned char *head, long size);
int TkmodS3mDetect(const unsigned char *head, long size);
int TkmodModDetect31(const unsigned char *head, long size);
// Not probed by TkmodLoad: too many files that are not modules pass it.
int TkmodModDetect15(const unsigned char *head, long size);
long TkmodItUmxDetect(const unsigned char *head, long size);
long TkmodXmUmxDetect(const unsigned char *head, long size);
long TkmodS3mUmxDetect(const unsigned char *head, long size);
// Channel count of a 31-sample MOD signature, 0 when it is not one.
int TkmodModChannels(const unsigned char signature[4]);

TkmodModule *TkmodOwnLoad(const char *path);
TkmodModule *TkmodItLoad(const char *path, long offset);
TkmodModule *TkmodXmLoad(const char *path, long offset);
TkmodModule *TkmodS3mLoad(const char *path, long offset);
TkmodModule *TkmodModLoad(const char *path, int samples);
// The own format from a file already in memory (a datafile object, for one).
TkmodModule *TkmodOwnRead(TkmodFile *f);

// File command and parameter (S3M: 1 = A; XM: 0..0x21) to the internal
// command; *param is rewritten; dropped commands give 0 with parameter 0.
int TkmodS3mCommandRemap(int command, int *param);
int TkmodXmCommandRemap(int command, int *param);

// Registers the datafile object type "TKM " once.
void TkmodDatafileRegister();
void *TkmodDatafileLoad(PACKFILE *f, long size);
void TkmodDatafileDestroy(void *data);

// Only reading modes ("r", "rb") open; null when the file cannot be read.
TkmodFile *TkmodFileOpen(const char *path, const char *mode);
void TkmodFileClose(TkmodFile *f);
// Back to the offset from the file's start (the file is in memory, so no reopening is needed).
int TkmodFileReopenAt(TkmodFile *f, long offset);
void TkmodFileSkip(TkmodFile *f, long n);
// Bytes copied; what lies past the end is left as it was.
long TkmodFileRead(TkmodFile *f, void *buffer, long n);
// 0..255, -1 at the end.
int TkmodFileGetc(TkmodFile *f);
// -1 at the end.
long TkmodFileReadU16Be(TkmodFile *f);
long long TkmodFileReadU32Be(TkmodFile *f);
long TkmodFileReadU16Le(TkmodFile *f);
long long TkmodFileReadU32Le(TkmodFile *f);

// 1 + the largest of the first n order entries.
int TkmodPatternCount(const unsigned char *orders, int n);
// A zeroed block (a block of one byte for size 0), null when memory runs out.
void *TkmodAlloc(size_t size);
