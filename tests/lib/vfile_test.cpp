#include "lib/vfile.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/testkit.h"
#include "support/zipkit.h"

namespace {

std::vector<std::string> AllLines(VFile *vf, int size = 256)
{
    std::vector<std::string> out;
    std::vector<char> buf((size_t)size);
    while (VFileGets(buf.data(), size, vf))
        out.push_back(buf.data());
    return out;
}

class VFileZip : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(ZipArchiveWrite("Dov.zip", {
            {"Chars/Dov/DOV.def", "[Info]\r\nname = \"Dov\"\r\nauthor = me", false},
            {"empty.txt", "", false},
            {"data.bin", std::string("\x01\x02\x03\x04\x05", 5), true},
        }));
    }
};

}  // namespace

TEST(VFileMem, GetsSplitsAtEitherLineEnd)
{
    VFile *vf = DefMemVFile("a\r\nbb\r\n");
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(AllLines(vf), (std::vector<std::string>{"a", "", "bb", ""}));
    EXPECT_EQ(VFileEof(vf), 1);
    VFileClose(vf);

    // The last line needs no line end.
    vf = DefMemVFile("x\ny");
    EXPECT_EQ(AllLines(vf), (std::vector<std::string>{"x", "y"}));
    VFileClose(vf);

    // Lines longer than the buffer come in pieces; the line end after a full piece
    // gives an empty line.
    vf = DefMemVFile("abcdef\nxyz\nz");
    EXPECT_EQ(AllLines(vf, 4), (std::vector<std::string>{"abc", "def", "", "xyz", "", "z"}));
    VFileClose(vf);

    vf = DefMemVFile("");
    char buf[8];
    EXPECT_EQ(VFileGets(buf, sizeof buf, vf), nullptr);
    EXPECT_EQ(VFileEof(vf), 1);
    VFileClose(vf);
    VFileClose(nullptr);
}

TEST(VFileMem, SeekReadAndEndRules)
{
    unsigned char block[10];
    for (int i = 0; i < 10; i++)
        block[i] = (unsigned char)i;
    VFile *vf = VFileOpenMem(block, sizeof block);
    ASSERT_NE(vf, nullptr);

    EXPECT_EQ(VFileSeek(vf, 10, 0), 0);
    EXPECT_EQ(VFileTell(vf), 10);
    EXPECT_EQ(VFileSeek(vf, 11, 0), 1);
    EXPECT_EQ(VFileTell(vf), 10);
    EXPECT_EQ(VFileSeek(vf, -3, 2), 0);
    EXPECT_EQ(VFileTell(vf), 7);
    EXPECT_EQ(VFileSeek(vf, -11, 2), 1);
    EXPECT_EQ(VFileSeek(vf, -7, 1), 0);
    EXPECT_EQ(VFileTell(vf), 0);
    EXPECT_EQ(VFileSeek(vf, -1, 1), 1);
    EXPECT_EQ(VFileSeek(vf, 0, 3), 1);
    EXPECT_EQ(VFileSeek(vf, LONG_MAX, 1), 1);
    EXPECT_EQ(VFileSeek(vf, LONG_MIN, 2), 1);
    EXPECT_EQ(VFileTell(vf), 0);

    unsigned char out[8] = {0};
    EXPECT_EQ(VFileRead(out, 2, 2, vf), 2);
    EXPECT_EQ(out[3], 3);
    EXPECT_EQ(VFileSeek(vf, 7, 0), 0);
    memset(out, 0xee, sizeof out);
    EXPECT_EQ(VFileRead(out, 1, 4, vf), -1);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[2], 9);
    EXPECT_EQ(out[3], 0xee);
    EXPECT_EQ(VFileTell(vf), 10);
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileSeek(vf, 11, 0), 1);
    EXPECT_EQ(VFileEof(vf), 0);  // a refused seek clears the flag too
    EXPECT_EQ(VFileTell(vf), 10);  // and leaves the cursor
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileSeek(vf, 0, 0), 0);
    EXPECT_EQ(VFileEof(vf), 0);

    EXPECT_EQ(VFileGetc(vf), 0);
    EXPECT_EQ(VFileReadLe16(vf), 0x0201);
    EXPECT_EQ(VFileReadLe32(vf), 0x06050403);
    EXPECT_EQ(VFileReadLe32(vf), -1);  // three bytes left
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileSeek(vf, 9, 0), 0);
    EXPECT_EQ(VFileReadLe16(vf), -1);
    VFileClose(vf);  // not owned: the stack block stays

    vf = VFileOpenMem(nullptr, 0);
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileSeek(vf, 0, 2), 0);
    VFileClose(vf);
}

class VFileDisk : public TempDirTest {};

TEST_F(VFileDisk, StdioKind)
{
    MakeDirs("Data");
    WriteFileText("Data/Fight.TXT", std::string("ab\ncd\x10\x20", 7));
    EXPECT_EQ(VFileOpen("data/missing.txt", "rb"), nullptr);
    EXPECT_EQ(VFileOpen("data", "rb"), nullptr);
    VFile *vf = VFileOpen("DATA\\fight.txt", "rb");
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(vf->kind, VFILE_DISK);
    char buf[16];
    ASSERT_NE(VFileGets(buf, sizeof buf, vf), nullptr);
    EXPECT_STREQ(buf, "ab\n");  // as fgets
    EXPECT_EQ(VFileGetc(vf), 'c');
    EXPECT_EQ(VFileTell(vf), 4);
    EXPECT_EQ(VFileSeek(vf, 1, SEEK_CUR), 0);
    EXPECT_EQ(VFileReadLe16(vf), 0x2010);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileSeek(vf, 0, SEEK_SET), 0);
    EXPECT_EQ(VFileRead(buf, 1, 16, vf), 7);
    EXPECT_EQ(VFileZipLoad(vf, "x"), 0);
    VFileClose(vf);
}

TEST_F(VFileZip, EntriesFoundInAnyCase)
{
    VFile *vf = VFileOpenZip("dov.ZIP", "chars/dov/dov.DEF");
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(vf->kind, VFILE_ZIP);
    EXPECT_EQ(AllLines(vf), (std::vector<std::string>{"[Info]", "", "name = \"Dov\"", "", "author = me"}));

    ASSERT_EQ(VFileZipLoad(vf, "DATA.BIN"), 1);
    EXPECT_EQ(VFileEof(vf), 0);
    EXPECT_EQ(VFileReadLe32(vf), 0x04030201);
    EXPECT_EQ(VFileGetc(vf), 5);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileSeek(vf, 5, 0), 0);
    EXPECT_EQ(VFileSeek(vf, 6, 0), 1);

    // An empty entry loads as an empty file, not as a memory failure.
    LibOutOfMemory = 0;
    ASSERT_EQ(VFileZipLoad(vf, "Empty.txt"), 1);
    EXPECT_EQ(LibOutOfMemory, 0);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileEof(vf), 1);

    EXPECT_EQ(VFileZipLoad(vf, "nothere.txt"), 0);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileZipLoad(vf, nullptr), 0);
    ASSERT_EQ(VFileZipLoad(vf, "data.bin"), 1);
    VFileZipCloseEntry(vf);
    EXPECT_EQ(VFileGetc(vf), 1);  // the loaded block stays readable
    VFileClose(vf);
}

TEST_F(VFileZip, OpenFailures)
{
    EXPECT_EQ(VFileOpenZip("missing.zip", "a"), nullptr);
    WriteFileText("fake.zip", "not a zip archive at all");
    EXPECT_EQ(VFileOpenZip("fake.zip", "a"), nullptr);

    // A missing entry still gives a file, which reads as empty.
    VFile *vf = VFileOpenZip("Dov.zip", "dov.def");
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(VFileEof(vf), 1);
    EXPECT_EQ(VFileRead(nullptr, 1, 1, vf), -1);
    VFileClose(vf);
}

TEST_F(VFileZip, HugeEntryRefused)
{
    // A stored entry whose sizes claim 2 GiB, in the local and the central header.
    ASSERT_TRUE(ZipArchiveWrite("big.zip", {{"big.bin", "abcd", true}}));
    std::string z = ReadFileText("big.zip");
    auto patch = [&z](size_t at) {
        z[at] = 0;
        z[at + 1] = 0;
        z[at + 2] = 0;
        z[at + 3] = (char)0x80;
    };
    ASSERT_EQ(z.compare(0, 4, "PK\x03\x04"), 0);
    patch(18);
    patch(22);
    size_t central = z.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    patch(central + 20);
    patch(central + 24);
    WriteFileText("big.zip", z);

    LibOutOfMemory = 0;
    VFile *vf = VFileOpenZip("big.zip", "big.bin");
    ASSERT_NE(vf, nullptr);
    EXPECT_EQ(vf->start, nullptr);
    EXPECT_EQ(VFileGetc(vf), -1);
    EXPECT_EQ(LibOutOfMemory, 0);
    VFileClose(vf);
}

TEST_F(VFileZip, DefinitionFileFromEntry)
{
    VFile *vf = VFileOpenZip("Dov.zip", "CHARS/DOV/dov.def");
    ASSERT_NE(vf, nullptr);
    TxtParseFile *tp = TxtParseOpenVfile(vf);
    VFileClose(vf);
    ASSERT_NE(tp, nullptr);
    ASSERT_GE(TxtParseGroupSet(tp, "info"), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "name"), "\"Dov\"");
    EXPECT_STREQ(TxtParseValueGet(tp, "author"), "me");  // the unterminated last line
    TxtParseClose(tp);
}

TEST(TxtParseVfile, MemoryAndDiskKinds)
{
    std::string longLine(300, 'q');
    VFile *vf = DefMemVFile("skip = 1\n[G]\ra = 1\r" + longLine + "\n; c\nb = 2");
    ASSERT_NE(vf, nullptr);
    ASSERT_EQ(VFileSeek(vf, 9, 0), 0);  // reading starts at the cursor
    TxtParseFile *tp = TxtParseOpenVfile(vf);
    VFileClose(vf);
    ASSERT_NE(tp, nullptr);
    EXPECT_EQ(tp->shared->lineCount, 5);
    ASSERT_GE(TxtParseGroupSet(tp, "g"), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "a"), "1");
    EXPECT_STREQ(TxtParseValueGet(tp, "b"), "2");
    EXPECT_EQ(TxtParseValueGet(tp, "skip"), nullptr);
    TxtParseLineFirst(tp);
    EXPECT_EQ(std::string(TxtParseLineNext(tp)), longLine.substr(0, 255));
    TxtParseClose(tp);
    EXPECT_EQ(TxtParseOpenVfile(nullptr), nullptr);
}

TEST_F(VFileDisk, DefinitionFileFromDiskKind)
{
    DefFileWrite("a.def", "x = 0\n[G]\nk = 5 ;c\n");
    VFile *vf = VFileOpen("a.def", "rt");
    ASSERT_NE(vf, nullptr);
    char skip[16];
    ASSERT_NE(VFileGets(skip, sizeof skip, vf), nullptr);
    TxtParseFile *tp = TxtParseOpenVfile(vf);
    VFileClose(vf);
    ASSERT_NE(tp, nullptr);
    EXPECT_EQ(tp->shared->lineCount, 2);
    TxtParseGroupSet(tp, "G");
    EXPECT_STREQ(TxtParseValueGet(tp, "k"), "5");
    TxtParseClose(tp);
}
