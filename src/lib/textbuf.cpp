// Text line rings: printf-style text flows into fixed-width lines, oldest dropped.
#include "lib/textbuf.h"

#include <cstdio>
#include <string>

#include "lib/libbase.h"

TextBuf *TextBufCreate(int width, int lines)
{
    if (lines <= 0 || width < 2)
        return nullptr;
    TextBuf *r = (TextBuf *)LibCalloc(1, sizeof(TextBuf));
    if (!r)
        return nullptr;
    r->lines = (char **)LibCalloc((size_t)lines, sizeof(char *));
    r->block = (char *)LibCalloc((size_t)lines, (size_t)width);
    if (!r->lines || !r->block) {
        TextBufFree(r);
        return nullptr;
    }
    for (int i = 0; i < lines; i++)
        r->lines[i] = r->block + (size_t)i * (size_t)width;
    r->width = width;
    r->count = lines;
    return r;
}

void TextBufFree(TextBuf *ring)
{
    if (!ring)
        return;
    MemFree(ring->lines);
    MemFree(ring->block);
    MemFree(ring);
}

void TextBufClear(TextBuf *ring)
{
    ring->oldest = 0;
    ring->current = 0;
    ring->curLen = 0;
    ring->lines[0][0] = 0;
}

static void EndLine(TextBuf *r)
{
    r->current = (r->current + 1) % r->count;
    if (r->current == r->oldest)
        r->oldest = (r->oldest + 1) % r->count;
    r->curLen = 0;
    r->lines[r->current][0] = 0;
}

void TextBufAppend(TextBuf *ring, const char *text)
{
    for (const char *p = text; *p; p++) {
        if (*p == '\n') {
            EndLine(ring);
            continue;
        }
        if (ring->curLen >= ring->width - 1)
            EndLine(ring);
        char *line = ring->lines[ring->current];
        line[ring->curLen++] = *p;
        line[ring->curLen] = 0;
    }
}

void TextBufVPrintf(TextBuf *ring, const char *format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return;
    std::string text((size_t)n + 1, '\0');
    vsnprintf(text.data(), text.size(), format, args);
    TextBufAppend(ring, text.c_str());
}

void TextBufPrintf(TextBuf *ring, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    TextBufVPrintf(ring, format, args);
    va_end(args);
}

void TextBufSet(TextBuf *ring, const char *format, ...)
{
    TextBufClear(ring);
    va_list args;
    va_start(args, format);
    TextBufVPrintf(ring, format, args);
    va_end(args);
}

int DateCompare(int month1, int day1, int year1, int month2, int day2, int year2)
{
    int a[3] = {year1, month1, day1};
    int b[3] = {year2, month2, day2};
    for (int i = 0; i < 3; i++) {
        if (a[i] > b[i])
            return 1;
        if (a[i] < b[i])
            return -1;
    }
    return 0;
}
