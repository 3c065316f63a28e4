// Safe printf-style formatting: author texts never reach printf as formats.
#include "lib/safefmt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

FmtArg FmtInt(int v) { return FmtArg{FmtArg::INT, v, (double)v, nullptr}; }
FmtArg FmtFloat(double v) { return FmtArg{FmtArg::FLOAT, 0, v, nullptr}; }
FmtArg FmtStr(const char *s) { return FmtArg{FmtArg::STR, 0, 0.0, s}; }

static int ArgToInt(const FmtArg *a)
{
    if (!a)
        return 0;
    switch (a->kind) {
    case FmtArg::INT: return a->i;
    case FmtArg::FLOAT:
        if (std::isnan(a->f))
            return 0;
        if (a->f >= 2147483647.0)
            return 2147483647;
        if (a->f <= -2147483648.0)
            return (int)-2147483647 - 1;
        return (int)a->f;
    case FmtArg::STR: return a->s ? atoi(a->s) : 0;
    }
    return 0;
}

static double ArgToDouble(const FmtArg *a)
{
    if (!a)
        return 0.0;
    switch (a->kind) {
    case FmtArg::INT: return a->i;
    case FmtArg::FLOAT: return a->f;
    case FmtArg::STR: return a->s ? atof(a->s) : 0.0;
    }
    return 0.0;
}

// One conversion prints at most this many characters.
static const int CONV_MAX = 511;

// A run of digits (none leaves *value as it was); a number past what one
// conversion can print counts as that many, so that a width or precision of
// millions costs no more than one that fills the conversion. printf pads and
// writes digits one by one up to the number asked, even into a short buffer.
static const char *DigitsRead(const char *q, int *value)
{
    if (*q < '0' || *q > '9')
        return q;
    int v = 0;
    for (; *q >= '0' && *q <= '9'; q++)
        v = std::min(v * 10 + (*q - '0'), CONV_MAX + 1);
    *value = std::min(v, CONV_MAX);
    return q;
}

int FmtSafe(char *out, size_t outSize, const char *format, const FmtArg *args, int argCount)
{
    std::string result;
    int next = 0;
    const char *p = format ? format : "";
    while (*p) {
        if (*p != '%') {
            result += *p++;
            continue;
        }
        if (p[1] == '%') {
            result += '%';
            p += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion, all bounded in size
        const char *q = p + 1;
        while (*q && strchr("-+ #0", *q))
            q++;
        const char *flagsEnd = q;
        int width = -1, precision = -1;
        q = DigitsRead(q, &width);
        if (*q == '.') {
            precision = 0;
            q = DigitsRead(q + 1, &precision);
        }
        while (*q && strchr("hlLqjzt", *q))
            q++;
        char conv = *q;
        if (!conv || !strchr("diuxXoceEfFgGs", conv) || q - p > 32) {
            result += *p++;  // not a conversion we take: print the '%' literally
            continue;
        }
        // The conversion text without length modifiers, ended with our own
        // conversion letter; width and precision as bounded.
        std::string head(p, (size_t)(flagsEnd - p));
        if (width >= 0)
            head += std::to_string(width);
        if (precision >= 0)
            head += "." + std::to_string(precision);
        const FmtArg *a = next < argCount && args ? &args[next] : nullptr;
        next++;
        char buf[CONV_MAX + 1];
        switch (conv) {
        case 'd': case 'i': case 'c':
            snprintf(buf, sizeof buf, (head + conv).c_str(), ArgToInt(a));
            break;
        case 'u': case 'x': case 'X': case 'o':
            snprintf(buf, sizeof buf, (head + conv).c_str(), (unsigned)ArgToInt(a));
            break;
        case 's': {
            std::string text;
            if (a && a->kind == FmtArg::STR)
                text = a->s ? a->s : "";
            else if (a && a->kind == FmtArg::FLOAT)
                text = std::to_string(a->f);
            else if (a)
                text = std::to_string(a->i);
            snprintf(buf, sizeof buf, (head + 's').c_str(), text.c_str());
            break;
        }
        default:
            snprintf(buf, sizeof buf, (head + conv).c_str(), ArgToDouble(a));
            break;
        }
        result += buf;
        p = q + 1;
    }
    if (outSize == 0)
        return 0;
    size_t n = result.size() < outSize ? result.size() : outSize - 1;
    memcpy(out, result.data(), n);
    out[n] = 0;
    return (int)n;
}
