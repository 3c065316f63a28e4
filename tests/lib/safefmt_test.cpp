#include "lib/safefmt.h"

#include <cstdio>

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
