// Text line rings (warning log, clipboards) and date comparison.
#pragma once
#include <cstdarg>

// A ring of fixed-width lines. Lines from oldest up to the one before current
// are complete; current is the one being written and is always terminated.
struct TextBuf {
    char **lines;   // line starts, `count` entries into `block`
    char *block;    // count x width bytes, zeroed
    int width;
    int count;
    int oldest;
    int current;
    int curLen;     // characters on the current line
};

// Null when lines <= 0, width < 2 (no room for a character) or memory runs out.
TextBuf *TextBufCreate(int width, int lines);
void TextBufFree(TextBuf *ring);
void TextBufClear(TextBuf *ring);
void TextBufSet(TextBuf *ring, const char *format, ...);
void TextBufPrintf(TextBuf *ring, const char *format, ...);
void TextBufVPrintf(TextBuf *ring, const char *format, va_list args);
// Appends text as it stands (no formatting).
void TextBufAppend(TextBuf *ring, const char *text);

// 1 when the first date is later, -1 when earlier, 0 when equal.
int DateCompare(int month1, int day1, int year1, int month2, int day2, int year2);
