#include "lib/safefmt.h"

#include <cstdio>
#include <string>

#include "support/testkit.h"

TEST(SafeFmt, ValidFormatsMatchPrintf)
{
    char out[128], ref[128];
    FmtArg a[] = {FmtInt(42), FmtFloat(3.25), FmtInt(-7)};
    FmtSafe(out, sizeof out, "v=%5d f=%.2f x=%X", a, 3);
    snprintf(ref, sizeof ref, "v=%5d f=%.2f x=%X", 42, 3.25, (unsigned)-7);
    EXPECT_STREQ(out, ref);

    FmtArg b[] = {FmtStr("Dov"), FmtInt(3)};
    FmtSafe(out, sizeof out, "%s wins round %i 100%%", b, 2);
    EXPECT_STREQ(out, "Dov wins round 3 100%");
}

TEST(SafeFmt, ValuesConvertToWhatTheConversionNeeds)
{
    char out[128];
    FmtArg a[] = {FmtFloat(2.75), FmtInt(5)};
    FmtSafe(out, sizeof out, "%d %f", a, 2);
    EXPECT_STREQ(out, "2 5.000000");
    FmtArg nan[] = {FmtFloat(0.0 / 0.0), FmtFloat(1e30)};
    FmtSafe(out, sizeof out, "%d %d", nan, 2);
    EXPECT_STREQ(out, "0 2147483647");
}

TEST(SafeFmt, HostileTextsAreHarmless)
{
    char out[32];
    // More conversions than values, %n, %p and '*' widths never reach printf.
    FmtSafe(out, sizeof out, "%n%p%*d %d %s|", nullptr, 0);
    EXPECT_STREQ(out, "%n%p%*d 0 |");
    FmtArg a[] = {FmtInt(1)};
    int n = FmtSafe(out, sizeof out, "%0100d", a, 1);
    EXPECT_EQ(n, 31);
    EXPECT_EQ(out[31], 0);
    FmtSafe(out, sizeof out, "50%", nullptr, 0);
    EXPECT_STREQ(out, "50%");
    FmtSafe(out, sizeof out, "%ld %hhx", a, 1);
    EXPECT_STREQ(out, "1 0");
}

TEST(SafeFmt, HugeWidthsAndPrecisionsCountAsOneConversionsFill)
{
    // A text may ask for millions of padding characters or digits; one
    // conversion holds 511, and the value still shows at its end.
    char out[1024];
    FmtArg seven[] = {FmtInt(7)};
    FmtArg half[] = {FmtFloat(1.5)};
    FmtArg word[] = {FmtStr("ab")};
    struct Case {
        const char *format;
        const FmtArg *arg;
        std::string want;
    } cases[] = {
        {"%345932870d|", seven, std::string(510, ' ') + "7|"},
        {"%000000000345932870d|", seven, std::string(510, '0') + "7|"},
        {"%-99999999999999999999i|", seven, "7" + std::string(510, ' ') + "|"},
        {"%.2147483648f|", half, "1.5" + std::string(508, '0') + "|"},
        {"%511d|", seven, std::string(510, ' ') + "7|"},
        {"%.s|", word, "|"},
    };
    for (const Case &c : cases) {
        FmtSafe(out, sizeof out, c.format, c.arg, 1);
        EXPECT_EQ(std::string(out), c.want) << c.format;
    }
}
