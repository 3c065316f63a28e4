// Text definition files: groups in square brackets, key = value lines, ";" comments, and an editing mode.
#pragma once
#include <cstdarg>
#include <string>
#include <vector>

struct VFile;

enum {
    TXTPARSE_CHUNK = 255,  // lines are read this many characters at a time
    TXTPARSE_VALUE_SET_LEN = 1024,  // a formatted value is cut to this
};

// Where a kept line came from in edit mode. A deleted raw line leaves its
// kept lines marked, pointing at the place where it stood.
struct TxtParseLineRef {
    int raw;
    int col;  // where the kept piece starts in the raw line (long lines come in pieces)
    int deleted;
};

// One line as read (without its line end), for saving.
struct TxtParseRawLine {
    std::string text;
    int crlf;  // ended with "\r\n"
};

struct TxtParseEdit {
    std::vector<TxtParseLineRef> map;  // kept-line index -> raw line
    std::vector<TxtParseRawLine> raw;
    int crlf;  // line end for inserted lines: that of the file's first line
};

// The text and tables, shared by duplicates.
struct TxtParseText {
    int refCount;
    std::vector<char> text;  // kept lines, each zero-terminated, then "[TPEnd]"
    long textLength;         // bytes read from the file
    std::vector<int> lines;  // offset of each kept line, plus one entry for "[TPEnd]"
    std::vector<unsigned char> isHeader;  // per kept line
    int lineCount;
    std::vector<int> groups;  // line index of each header
    int groupCount;
    TxtParseEdit *edit;  // null outside edit mode
};

struct TxtParseFile {
    TxtParseText *shared;
    int groupFirstLine;   // first line after the current group's header
    int groupTextOffset;  // text offset of that line
    int cursor;           // next line to read
    int group;            // current group, -1 when none
    int endFlag;          // the cursor has reached a header or the end
};

TxtParseFile *TxtParseOpen(const char *path);
TxtParseFile *TxtParseOpenEdit(const char *path);
// Reads from the file's current position to its end: a disk kind with the
// stdio reader, a memory or zip kind line by line with VFileGets.
TxtParseFile *TxtParseOpenVfile(VFile *vf);
TxtParseFile *TxtParseDup(TxtParseFile *tp);
void TxtParseClose(TxtParseFile *tp);
// Edit mode only: writes every raw line. 1, or 0 on failure.
int TxtParseSave(TxtParseFile *tp, const char *path);

// Group text offset of the first group whose header is "[" name "]" in any
// case, or -1 (and then no group is current).
int TxtParseGroupSet(TxtParseFile *tp, const char *name);
int TxtParseGroupSetIndex(TxtParseFile *tp, int index);
const char *TxtParseGroupFirst(TxtParseFile *tp);
const char *TxtParseGroupNext(TxtParseFile *tp);
int TxtParseGroupCount(TxtParseFile *tp, const char *prefix);
void TxtParseGroupRewind(TxtParseFile *tp);
void TxtParseGroupReset(TxtParseFile *tp);

const char *TxtParseValueGet(TxtParseFile *tp, const char *key);
const char *TxtParseValueGetNext(TxtParseFile *tp, const char *key);
int TxtParseIntGet(TxtParseFile *tp, const char *key, int *out);
int TxtParseFloatGet(TxtParseFile *tp, const char *key, float *out);
// "%i,%i" or "%f,%f" into a pair; values not given keep what the pair held.
// The number of values read.
int TxtParseIntPairGet(TxtParseFile *tp, const char *key, int *a, int *b);
int TxtParseFloatPairGet(TxtParseFile *tp, const char *key, float *a, float *b);
// Conversions: %c %d %i %e %f %g (float) %ld %lu %lg %o %u %x %s. A width may
// be given for %s ("%31s"); a plain %s copies at most 255 characters, so its
// destination holds 256. Returns the number of fields stored.
int TxtParseScan(TxtParseFile *tp, const char *key, const char *format, ...) __attribute__((format(scanf, 3, 4)));
int TxtParseVsscanf(const char *value, const char *format, va_list ap);
// A copy to free with MemFree, or null.
char *TxtParseValueDup(TxtParseFile *tp, const char *key);
int TxtParseKeyFind(TxtParseFile *tp, const char *key);
int TxtParseKeyFindNth(TxtParseFile *tp, const char *key, int n);
// Line of the key with the cursor after it; with a null key, the cursor goes
// to the group end, which is returned.
int TxtParseKeyLine(TxtParseFile *tp, const char *key);
void TxtParseGroupEnd(TxtParseFile *tp);

const char *TxtParseLineFirst(TxtParseFile *tp);
const char *TxtParseLineNext(TxtParseFile *tp);
const char *TxtParseLineLast(TxtParseFile *tp);
// Moves the cursor one line back within the group; the line now at the
// cursor, or null at the group's first line.
const char *TxtParseLinePrev(TxtParseFile *tp);
// Copies the next line into the buffer, cut to its size; 1, or 0 at the group end.
int TxtParseLineNextCopy(TxtParseFile *tp, char *buffer, int size);
// The group's lines joined by "\n", cut to the buffer size; the number of characters.
int TxtParseGroupText(TxtParseFile *tp, char *buffer, int size);

// Edit mode: 1; 0 when the key is absent; -1 outside edit mode or when the line has no "=".
int TxtParseValueSet(TxtParseFile *tp, const char *key, const char *format, ...) __attribute__((format(printf, 3, 4)));
int TxtParseValueSetNth(TxtParseFile *tp, const char *key, int n, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// Edit mode: the current header becomes "[" text "]"; 1, or -1.
int TxtParseGroupRename(TxtParseFile *tp, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Edit mode: 1, or -1 outside edit mode.
int TxtParseLineInsert(TxtParseFile *tp, const char *text);
// Edit mode: 1; 0 at the group end; -1 outside edit mode.
int TxtParseLineDelete(TxtParseFile *tp);
int TxtParseGroupClear(TxtParseFile *tp);
int TxtParseRawLineIndex(TxtParseFile *tp, int line);

// Copies at most n characters, up to and including the stop character, and a
// terminating zero (the buffer holds n + 1). The number of characters copied.
int StrCopyUntil(char *buffer, const char *text, int n, char stop);
