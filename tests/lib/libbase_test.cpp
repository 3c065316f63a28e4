#include "lib/libbase.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "support/testkit.h"

TEST(LibBase, FileTypeFromExtension)
{
    struct { const char *name; int type; } cases[] = {
        {"SONG.XM", FILETYPE_MOD}, {"a.DA", FILETYPE_DA}, {".pcx", FILETYPE_UNKNOWN},
        {"x.jpeg", FILETYPE_UNKNOWN}, {"dov.sff", FILETYPE_SFF}, {"A.PCX", FILETYPE_PCX},
        {"b.wav", FILETYPE_WAV}, {"s.Snd", FILETYPE_SND}, {"m.mp3", FILETYPE_MP3},
        {"t.mid", FILETYPE_MID}, {"t.mod", FILETYPE_MOD}, {"t.s3m", FILETYPE_MOD},
        {"c.zip", FILETYPE_ZIP}, {"x.it", FILETYPE_UNKNOWN}, {"x.umx", FILETYPE_UNKNOWN},
        {".xm", FILETYPE_UNKNOWN}, {"", FILETYPE_UNKNOWN},
    };
    for (auto &c : cases)
        EXPECT_EQ(FileTypeFromExt(c.name), c.type) << c.name;
}

TEST(LibBase, StringComparisons)
{
    EXPECT_EQ(StrNCaseEq("Abc", "aBcd", 3), 1);
    EXPECT_EQ(StrNCaseEq("Abc", "aBcd", 4), 0);
    EXPECT_EQ(StrNEq("Abc", "aBc", 3), 0);
    EXPECT_EQ(StrNEq("abc", "abcd", 3), 1);
    EXPECT_EQ(StrCaseEqPrefix("DOV", "dovx"), 1);
    EXPECT_EQ(StrCaseEqPrefix("dab", "dov"), 0);

    char out[8];
    memset(out, 'z', sizeof out);
    StrUpperCopy(out, sizeof out, "ab1");
    EXPECT_EQ(std::string(out, 4), "AB1z");  // no terminating zero written
    StrCopy(out, 4, "abcdef");
    EXPECT_STREQ(out, "abc");
}

TEST(LibBase, PathSplitAndJoin)
{
    char d[64], n[64];
    PathSplit("chars/dov/dov.def", d, sizeof d, n, sizeof n);
    EXPECT_STREQ(d, "chars/dov/");
    EXPECT_STREQ(n, "dov.def");
    PathSplit("dov.def", d, sizeof d, n, sizeof n);
    EXPECT_STREQ(d, "");
    EXPECT_STREQ(n, "dov.def");
    PathSplit("", d, sizeof d, n, sizeof n);
    EXPECT_STREQ(d, "");
    EXPECT_STREQ(n, "");
    PathSplit("a\\b\\c.x", d, sizeof d, nullptr, 0);
    EXPECT_STREQ(d, "a\\b\\");
    char small[4];
    PathSplit("chars/dov/dov.def", small, sizeof small, n, sizeof n);
    EXPECT_STREQ(small, "cha");

    char out[64];
    EXPECT_EQ(PathJoin(out, sizeof out, "chars/dov", "c:\\x.def"), 9);
    EXPECT_STREQ(out, "c:\\x.def");
    EXPECT_EQ(PathJoin(out, sizeof out, "chars/dov", "dov.air"), 0);
    EXPECT_STREQ(out, "chars/dov/dov.air");
    EXPECT_EQ(PathJoin(out, sizeof out, "", "a"), 0);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(PathJoin(out, sizeof out, "dir\\", "a"), 0);
    EXPECT_STREQ(out, "dir\\a");
    PathJoin(out, 6, "chars/dov", "dov.air");
    EXPECT_STREQ(out, "chars");

    EXPECT_EQ(PathIsAbsolute("/x"), 1);
    EXPECT_EQ(PathIsAbsolute("\\x"), 1);
    EXPECT_EQ(PathIsAbsolute("d:x"), 1);
    EXPECT_EQ(PathIsAbsolute("x/y"), 0);
    EXPECT_EQ(PathIsAbsolute(""), 0);

    PathSlashesForward(out, sizeof out, "a\\b\\c");
    EXPECT_STREQ(out, "a/b/c");
    EXPECT_STREQ(PathBaseName("lib\\array"), "array");
    EXPECT_STREQ(PathBaseName("src/velok/gameloop.cpp"), "gameloop.cpp");
    EXPECT_STREQ(PathBaseName("plain"), "plain");
    EXPECT_STREQ(PathBaseName("/root"), "/root");
}

TEST(LibBase, RoundToIntSaturates)
{
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-2.5), -2);
    EXPECT_EQ(RoundToInt(-0.4), 0);
    EXPECT_EQ(RoundToInt(NAN), 0);
    EXPECT_EQ(RoundToInt(1e20), INT_MAX);
    EXPECT_EQ(RoundToInt(-1e20), INT_MIN);
    EXPECT_EQ(RoundToInt(INFINITY), INT_MAX);
}

TEST(LibBase, TruncToIntSaturates)
{
    EXPECT_EQ(TruncToInt(2.9f), 2);
    EXPECT_EQ(TruncToInt(-2.9f), -2);
    EXPECT_EQ(TruncToInt(NAN), 0);
    EXPECT_EQ(TruncToInt(2147483648.0f), INT_MAX);  // the first float past the range
    EXPECT_EQ(TruncToInt(2147483520.0f), 2147483520);
    EXPECT_EQ(TruncToInt(-2147483648.0f), INT_MIN);
    EXPECT_EQ(TruncToInt(-INFINITY), INT_MIN);
}

TEST(LibBase, ErrorTexts)
{
    const char *texts[] = {"Error not defined", "Can't load fonts", "Can't init sound",
                           "Can't init graphics", "Can't change video mode", "Error not defined"};
    for (int code = 0; code <= 5; code++) {
        LibSetError(code);
        EXPECT_EQ(LibGetError(), code);
        EXPECT_STREQ(LibErrorText(), texts[code]);
    }
    LibSetError(0);
}

class LibBaseFiles : public TempDirTest {};

TEST_F(LibBaseFiles, LittleEndianReadsAndLength)
{
    WriteFileText("f.bin", std::string("\x34\x12\x78\x56\x34\x12\x01", 7));
    FILE *f = fopen("f.bin", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(FileReadLe16(f), 0x1234);
    EXPECT_EQ(FileLength(f), 7);
    EXPECT_EQ(ftell(f), 2);
    EXPECT_EQ(FileReadLe32(f), 0x12345678);
    EXPECT_EQ(FileReadLe16(f), -1);
    fclose(f);
}

TEST(LibBaseDeath, FatalAndAssertTexts)
{
    EXPECT_EXIT(LibFatal("boom"), testing::ExitedWithCode(1), "Error message\n\nboom");
    EXPECT_EXIT(LibFatal(nullptr), testing::ExitedWithCode(1), "Error detected\\.");
    EXPECT_EXIT(LIB_ASSERT(1 == 2), testing::ExitedWithCode(1),
                "Assert failure in libbase_test.cpp line [0-9]+");
}

// A harness that outlives fatal exits gets the text and leaves by throwing;
// a hook that returns lets the exit go on.
TEST(LibBase, FatalHookSeesTheTextAndMayLeave)
{
    struct Left {
        std::string text;
    };
    LibFatalHook = [](const char *text) { throw Left{text}; };
    std::string seen;
    try {
        LIB_ASSERT(2 < 1);
    } catch (const Left &left) {
        seen = left.text;
    }
    LibFatalHook = nullptr;
    EXPECT_EQ(seen.rfind("Assert failure in libbase_test.cpp line ", 0), 0u) << seen;
    EXPECT_EXIT(
        {
            LibFatalHook = [](const char *) {};
            LibFatal("kept going");
        },
        testing::ExitedWithCode(1), "kept going");
}

TEST(LibBase, CheckedAllocation)
{
    int *p = (int *)LibCalloc(4, sizeof(int));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0);
    p[2] = 5;
    MemZero(p, 4 * sizeof(int));
    EXPECT_EQ(p[2], 0);
    MemFree(p);
    EXPECT_EQ(LibOutOfMemory, 0);
}
