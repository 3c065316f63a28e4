// Safe printf-style formatting: author texts never reach printf as formats.
#include "lib/safefmt.h"

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
        while (*q >= '0' && *q <= '9')
            q++;
        if (*q == '.') {
            q++;
            while (*q >= '0' && *q <= '9')
                q++;
        }
        const char *lenStart = q;
        while (*q && strchr("hlLqjzt", *q))
            q++;
        char conv = *q;
        if (!conv || !strchr("diuxXoceEfFgGs", conv) || q - p > 32) {
            result += *p++;  // not a conversion we take: print the '%' literally
            continue;
        }
        // The conversion text without length modifiers, ended with our own conversion letter.
        std::string head(p, (size_t)(lenStart - p));
        const FmtArg *a = next < argCount && args ? &args[next] : nullptr;
        next++;
        char buf[512];
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
