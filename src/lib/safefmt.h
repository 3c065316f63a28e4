// Safe printf-style formatting of texts that come from data files.
#pragma once
#include <cstddef>

// One value handed to a format: the conversion decides how it is printed.
struct FmtArg {
    enum Kind { INT, FLOAT, STR } kind;
    int i;
    double f;
    const char *s;
};

FmtArg FmtInt(int v);
FmtArg FmtFloat(double v);
FmtArg FmtStr(const char *s);

// Formats `format` with the values into out (always terminated, cut to
// outSize). Conversions d i u x X o c e E f F g G s and %% take flags, width
// and precision; length modifiers are accepted and ignored. A value is
// converted to what its conversion needs; a conversion past the last value
// gets 0 (or an empty string). Anything else, including '*' widths, is
// printed literally. Valid texts give exactly what printf gives. One
// conversion prints at most 511 characters: a width or precision above 511
// counts as 511.
// Returns the length written.
int FmtSafe(char *out, size_t outSize, const char *format, const FmtArg *args, int argCount);
