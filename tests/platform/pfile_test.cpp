#include "platform/pfile.h"

#include "support/testkit.h"

class PlatFile : public TempDirTest {};

TEST_F(PlatFile, OpensWithBackslashesDrivePrefixAndAnyCase)
{
    MakeDirs("Chars/Dov");
    WriteFileText("Chars/Dov/DOV.SFF", "x");
    const char *spellings[] = {"Chars/Dov/DOV.SFF", "chars/dov/dov.sff", "chars\\dov\\Dov.Sff",
                               "c:chars\\DOV\\dov.sff", "./CHARS/dov/../Dov/dov.sff"};
    for (const char *p : spellings) {
        FILE *f = PlatFileOpen(p, "rb");
        EXPECT_NE(f, nullptr) << p;
        if (f)
            fclose(f);
    }
    EXPECT_EQ(PlatFileOpen("chars/dov/missing.sff", "rb"), nullptr);
    EXPECT_EQ(PlatFileOpen("", "rb"), nullptr);
}

TEST_F(PlatFile, ExactNameWinsAndDirectoriesRefuse)
{
    WriteFileText("a.txt", "lower");
    WriteFileText("A.TXT", "upper");
    FILE *f = PlatFileOpen("A.TXT", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fgetc(f), 'u');
    fclose(f);

    MakeDirs("sub");
    EXPECT_EQ(PlatFileOpen("sub", "rb"), nullptr);
    EXPECT_EQ(PlatFileOpen("SUB", "rb"), nullptr);
    EXPECT_EQ(PlatIsDirectory("Sub"), 1);
    EXPECT_EQ(PlatIsDirectory("a.txt"), 0);
}

TEST_F(PlatFile, WritesIntoExistingDirectoryOfAnotherCase)
{
    MakeDirs("Data");
    FILE *f = PlatFileOpen("data\\new.cfg", "wb");
    ASSERT_NE(f, nullptr);
    fputs("k", f);
    fclose(f);
    EXPECT_EQ(ReadFileText("Data/new.cfg"), "k");
}
