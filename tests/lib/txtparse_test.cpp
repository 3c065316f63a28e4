#include "lib/txtparse.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "lib/libbase.h"
#include "support/deftext.h"
#include "support/testkit.h"

namespace {

class TxtParse : public TempDirTest {
protected:
    TxtParseFile *tp = nullptr;
    void TearDown() override
    {
        TxtParseClose(tp);
        TempDirTest::TearDown();
    }
    TxtParseFile *Open(const std::string &text, bool edit = false)
    {
        DefFileWrite("t.def", text);
        tp = edit ? TxtParseOpenEdit("t.def") : TxtParseOpen("t.def");
        return tp;
    }
};

int Scan(const char *value, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = TxtParseVsscanf(value, format, ap);
    va_end(ap);
    return n;
}

std::vector<std::string> GroupLines(TxtParseFile *tp)
{
    std::vector<std::string> out;
    for (const char *s = TxtParseLineFirst(tp); s; s = TxtParseLineNext(tp))
        out.push_back(s);
    return out;
}

}  // namespace

TEST_F(TxtParse, KeyLookupTable)
{
    ASSERT_TRUE(Open(DefText({
        "[Test]",
        "key=1;comment",
        "KEY2 = 1   ",
        "empty =",
        "keyword = 2",
        "alone",
        "alone2 ; = 5",
        "flag on",
        "quoted = \"a;b\"",
        "tabbed\t=\t3",
        "key = 7",
        "[Next]",
        "after = 1",
    })));
    ASSERT_GE(TxtParseGroupSet(tp, "test"), 0);
    struct { const char *key; const char *value; } cases[] = {
        {"key", "1"}, {"Key2", "1"}, {"empty", ""}, {"keyword", "2"}, {"keywor", nullptr},
        {"alone", nullptr}, {"alone2", nullptr}, {"flag", ""}, {"quoted", "\"a"},
        {"tabbed", "3"}, {"after", nullptr}, {"missing", nullptr},
    };
    for (auto &c : cases) {
        const char *v = TxtParseValueGet(tp, c.key);
        if (!c.value)
            EXPECT_EQ(v, nullptr) << c.key;
        else
            EXPECT_STREQ(v ? v : "(null)", c.value) << c.key;
    }

    // Repeated keys through the cursor.
    EXPECT_STREQ(TxtParseValueGet(tp, "key"), "1");
    EXPECT_STREQ(TxtParseValueGetNext(tp, "key"), "7");
    EXPECT_EQ(TxtParseValueGetNext(tp, "key"), nullptr);
    EXPECT_EQ(TxtParseKeyFind(tp, "key"), 1);
    EXPECT_EQ(TxtParseKeyFindNth(tp, "key", 1), 10);
    EXPECT_EQ(TxtParseKeyFindNth(tp, "key", 2), -1);

    int i = -5;
    float f = -5;
    EXPECT_EQ(TxtParseIntGet(tp, "tabbed", &i), 1);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(TxtParseFloatGet(tp, "missing", &f), 0);
    EXPECT_EQ(f, -5);
    char *dup = TxtParseValueDup(tp, "keyword");
    ASSERT_NE(dup, nullptr);
    EXPECT_STREQ(dup, "2");
    MemFree(dup);
    EXPECT_EQ(TxtParseValueDup(tp, "nothere"), nullptr);
}

TEST_F(TxtParse, GroupSelection)
{
    ASSERT_TRUE(Open(DefText({
        "top = 0",
        "[Options]",
        "a = 1",
        "[options]",
        "a = 2",
        "[Options Extra]",
        "a = 3",
        "[Statedef 2000]",
        "a = 4",
        "[Statedef 200]",
        "[Statedef 201] ; comment",
        "a = 6",
    })));
    EXPECT_EQ(tp->shared->groupCount, 6);
    int a = 0;
    // Any case, first match wins.
    EXPECT_EQ(TxtParseGroupSet(tp, "OPTIONS"), tp->shared->lines[2]);
    EXPECT_EQ(TxtParseIntGet(tp, "a", &a), 1);
    EXPECT_EQ(a, 1);
    EXPECT_GE(TxtParseGroupSet(tp, "options extra"), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "a"), "3");
    // "[Statedef 200]" does not select "[Statedef 2000]"; an empty group has no keys.
    EXPECT_GE(TxtParseGroupSet(tp, "statedef 200"), 0);
    EXPECT_EQ(TxtParseValueGet(tp, "a"), nullptr);
    EXPECT_EQ(tp->endFlag, 1);
    EXPECT_GE(TxtParseGroupSet(tp, "Statedef 201"), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "a"), "6");

    // A failed selection leaves no group current: defaults stay.
    EXPECT_EQ(TxtParseGroupSet(tp, "Option"), -1);
    a = 99;
    EXPECT_EQ(TxtParseIntGet(tp, "a", &a), 0);
    EXPECT_EQ(a, 99);
    EXPECT_EQ(TxtParseLineFirst(tp), nullptr);
    EXPECT_EQ(TxtParseGroupSetIndex(tp, 6), -1);
    EXPECT_EQ(TxtParseValueGet(tp, "a"), nullptr);
    EXPECT_GE(TxtParseGroupSetIndex(tp, 3), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "a"), "4");

    EXPECT_EQ(TxtParseGroupCount(tp, "statedef"), 3);
    EXPECT_EQ(TxtParseGroupCount(tp, "OPTIONS"), 3);
    EXPECT_EQ(TxtParseGroupCount(tp, ""), 6);
    EXPECT_EQ(tp->group, 3);

    std::vector<std::string> headers;
    for (const char *h = TxtParseGroupFirst(tp); h; h = TxtParseGroupNext(tp))
        headers.push_back(h);
    EXPECT_EQ(headers, (std::vector<std::string>{"[Options]", "[options]", "[Options Extra]", "[Statedef 2000]",
                                                 "[Statedef 200]", "[Statedef 201]"}));
}

TEST_F(TxtParse, FileWithoutGroups)
{
    ASSERT_TRUE(Open("a = 1\n; note\nb = 2"));
    EXPECT_EQ(TxtParseValueGet(tp, "a"), nullptr);
    EXPECT_EQ(GroupLines(tp), (std::vector<std::string>{"a = 1", "b = 2"}));
    EXPECT_EQ(TxtParseGroupFirst(tp), nullptr);
    EXPECT_EQ(TxtParseGroupSet(tp, "a"), -1);
    EXPECT_EQ(TxtParseLineFirst(tp), nullptr);
}

TEST_F(TxtParse, LineReaders)
{
    ASSERT_TRUE(Open(DefText({"[G]", "  one = 1  ", "", "; only a comment", "two", "three = 3", "[H]", "x"})));
    ASSERT_GE(TxtParseGroupSet(tp, "G"), 0);
    EXPECT_EQ(GroupLines(tp), (std::vector<std::string>{"one = 1", "two", "three = 3"}));
    EXPECT_EQ(tp->endFlag, 1);
    EXPECT_STREQ(TxtParseLineLast(tp), "three = 3");
    EXPECT_STREQ(TxtParseLinePrev(tp), "three = 3");
    EXPECT_STREQ(TxtParseLinePrev(tp), "two");
    EXPECT_STREQ(TxtParseLinePrev(tp), "one = 1");
    EXPECT_EQ(TxtParseLinePrev(tp), nullptr);
    EXPECT_EQ(TxtParseLineLast(tp), nullptr);

    char buf[5];
    EXPECT_EQ(TxtParseLineNextCopy(tp, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "one ");

    EXPECT_EQ(TxtParseKeyLine(tp, "two"), -1);  // a key alone never matches
    EXPECT_EQ(TxtParseKeyLine(tp, "one"), 1);
    EXPECT_STREQ(TxtParseLineNext(tp), "two");
    EXPECT_EQ(TxtParseKeyLine(tp, nullptr), 4);
    EXPECT_EQ(TxtParseLineNext(tp), nullptr);
    TxtParseGroupRewind(tp);
    EXPECT_EQ(tp->endFlag, 0);
    EXPECT_STREQ(TxtParseLineNext(tp), "one = 1");
    TxtParseGroupEnd(tp);
    EXPECT_EQ(tp->cursor, 4);
    TxtParseGroupReset(tp);
    EXPECT_EQ(tp->cursor, 1);

    char text[64];
    EXPECT_EQ(TxtParseGroupText(tp, text, sizeof text), 21);
    EXPECT_STREQ(text, "one = 1\ntwo\nthree = 3");
    EXPECT_EQ(TxtParseGroupText(tp, text, 6), 5);
    EXPECT_STREQ(text, "one =");

    // A duplicate shares the text and keeps its own place.
    TxtParseFile *d = TxtParseDup(tp);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(tp->shared->refCount, 2);
    EXPECT_GE(TxtParseGroupSet(d, "h"), 0);
    EXPECT_STREQ(TxtParseLineFirst(d), "x");
    EXPECT_STREQ(TxtParseLineFirst(tp), "one = 1");
    TxtParseClose(d);
    EXPECT_EQ(tp->shared->refCount, 1);
    TxtParseClose(nullptr);
}

TEST_F(TxtParse, ScannerTable)
{
    int a = -1, b = -1, c = -1;
    EXPECT_EQ(Scan("1 ,2", "%d,%d", &a, &b), 1);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(Scan("1, 2", "%d,%d", &a, &b), 2);
    EXPECT_EQ(b, 2);
    b = -1;
    EXPECT_EQ(Scan("5,", "%d,%d", &a, &b), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(Scan("7 , 8", "%d , %d", &a, &b), 2);
    EXPECT_EQ(Scan("-3,4,5", "%d,%d,%d", &a, &b, &c), 3);
    EXPECT_EQ(c, 5);
    EXPECT_EQ(Scan("x,4", "%d,%d", &a, &b), 0);
    EXPECT_EQ(Scan("", "%d", &a), 0);
    EXPECT_EQ(Scan("1", "", &a), 0);
    EXPECT_EQ(Scan(nullptr, "%d", &a), 0);

    float f = 0, g = 0;
    EXPECT_EQ(Scan(" 3.5, -2e1", "%f,%g", &f, &g), 2);
    EXPECT_FLOAT_EQ(f, 3.5f);
    EXPECT_FLOAT_EQ(g, -20.0f);
    long l = 0;
    unsigned long ul = 0;
    double d = 0;
    EXPECT_EQ(Scan("-70000,4000000000,0.25", "%ld,%lu,%lg", &l, &ul, &d), 3);
    EXPECT_EQ(l, -70000);
    EXPECT_EQ(ul, 4000000000UL);
    EXPECT_EQ(d, 0.25);
    unsigned o = 0, u = 0, x = 0;
    int i = 0;
    char ch = 0;
    EXPECT_EQ(Scan("17,8,ff,0x10,q", "%o,%u,%x,%i,%c", &o, &u, &x, &i, &ch), 5);
    EXPECT_EQ(o, 15u);
    EXPECT_EQ(u, 8u);
    EXPECT_EQ(x, 255u);
    EXPECT_EQ(i, 16);
    EXPECT_EQ(ch, 'q');

    char word[256], small[4];
    EXPECT_EQ(Scan("fight  12", "%s %d", word, &a), 2);
    EXPECT_STREQ(word, "fight");
    EXPECT_EQ(a, 12);
    EXPECT_EQ(Scan("abcdef", "%3s", small), 1);
    EXPECT_STREQ(small, "abc");
    std::string longWord(600, 'w');
    EXPECT_EQ(Scan(longWord.c_str(), "%s", word), 1);
    EXPECT_EQ(strlen(word), 255u);
}

TEST(TxtParseDeath, BadScanFormatsAreFatal)
{
    int a;
    EXPECT_EXIT(Scan("1", "%q", &a), testing::ExitedWithCode(1), "vsscanf died\n$");
    EXPECT_EXIT(Scan("1", "%lx", &a), testing::ExitedWithCode(1), "vsscanf died\n$");
    // A width is taken by words only.
    EXPECT_EXIT(Scan("12345", "%5d", &a), testing::ExitedWithCode(1), "vsscanf died\n$");
    EXPECT_EXIT(Scan("1", "%2ld", &a), testing::ExitedWithCode(1), "vsscanf died\n$");
    EXPECT_EXIT(Scan("1;2", "%d;%d", &a, &a), testing::ExitedWithCode(1), "vsscanf died Part II");
}

TEST_F(TxtParse, ScanThroughKey)
{
    ASSERT_TRUE(Open("[G]\npos = 10, -20\n"));
    TxtParseGroupSet(tp, "G");
    int x = 0, y = 0;
    EXPECT_EQ(TxtParseScan(tp, "pos", "%d,%d", &x, &y), 2);
    EXPECT_EQ(y, -20);
    EXPECT_EQ(TxtParseScan(tp, "size", "%d,%d", &x, &y), 0);
}

TEST_F(TxtParse, LongLinesComeInPieces)
{
    std::string l300;
    for (int i = 0; i < 300; i++)
        l300 += (char)('a' + i % 26);
    std::string huge(5000, 'h');
    std::string exact(255, 'e');
    std::string longComment = "; " + std::string(300, '-') + " key = 9";
    ASSERT_TRUE(Open("[G]\n" + l300 + "\n" + exact + "\n" + longComment + "\nkey = 1\n" + huge));
    TxtParseGroupSet(tp, "g");
    std::vector<std::string> lines = GroupLines(tp);
    ASSERT_EQ(lines.size(), 2 + 1 + 1 + 20u);
    EXPECT_EQ(lines[0], l300.substr(0, 255));
    EXPECT_EQ(lines[1], l300.substr(255));
    EXPECT_EQ(lines[2], exact);
    EXPECT_EQ(lines[3], "key = 1");
    EXPECT_EQ(lines[23], std::string(5000 - 19 * 255, 'h'));
    // The tail of a long comment is comment too.
    EXPECT_STREQ(TxtParseValueGet(tp, "key"), "1");
    EXPECT_EQ(TxtParseValueGetNext(tp, "key"), nullptr);
}

TEST_F(TxtParse, CrlfLinesReadAsLf)
{
    ASSERT_TRUE(Open(DefText({"[G]", "name = \"x\"", "n = 3 ; c", "flag", "last ="}, "\r\n")));
    ASSERT_GE(TxtParseGroupSet(tp, "g"), 0);
    EXPECT_STREQ(TxtParseValueGet(tp, "name"), "\"x\"");
    EXPECT_STREQ(TxtParseValueGet(tp, "n"), "3");
    EXPECT_STREQ(TxtParseValueGet(tp, "last"), "");
    EXPECT_EQ(TxtParseValueGet(tp, "flag"), nullptr);
    EXPECT_EQ(tp->shared->lineCount, 5);
}

TEST_F(TxtParse, OpenFailures)
{
    EXPECT_EQ(TxtParseOpen("missing.def"), nullptr);
    MakeDirs("sub");
    EXPECT_EQ(TxtParseOpen("sub"), nullptr);
    DefFileWrite("chars/Dov/DOV.DEF", "[Info]\nname = \"Dov\"\n");
    tp = TxtParseOpen("chars\\dov\\dov.def");
    ASSERT_NE(tp, nullptr);
    TxtParseGroupSet(tp, "info");
    EXPECT_STREQ(TxtParseValueGet(tp, "name"), "\"Dov\"");
}

TEST_F(TxtParse, EmptyFile)
{
    ASSERT_TRUE(Open(""));
    EXPECT_EQ(tp->shared->lineCount, 0);
    EXPECT_EQ(TxtParseLineFirst(tp), nullptr);
    EXPECT_EQ(TxtParseGroupSet(tp, "a"), -1);
    EXPECT_EQ(TxtParseValueSet(tp, "a", "1"), -1);
    EXPECT_EQ(TxtParseSave(tp, "out.def"), 0);
}

TEST_F(TxtParse, EditRoundTripKeepsEverythingElse)
{
    std::string src = DefText({
        "; Options file",
        "",
        "[Options]  ; the options",
        "Difficulty = 4        ; 1 to 8",
        "Life\t=\t100",
        "  Time = 99 ;x",
        "Motif = data/system.def",
        "Flag on ; note = 3",
        "",
        "[Rules]",
        "Speed = 0",
        "Speed = 1 ; second",
    });
    ASSERT_TRUE(Open(src, true));
    ASSERT_GE(TxtParseGroupSet(tp, "options"), 0);
    EXPECT_EQ(TxtParseValueSet(tp, "difficulty", "%d", 2), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "life", "%d", 1000), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "time", "%d", 123456), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "motif", "%s", "data/other.def"), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "flag", "%d", 9), -1);  // its only "=" is in the comment
    EXPECT_EQ(TxtParseValueSet(tp, "missing", "%d", 9), 0);
    // Lookups keep the values as read.
    EXPECT_STREQ(TxtParseValueGet(tp, "difficulty"), "4");
    EXPECT_EQ(TxtParseGroupRename(tp, "%s", "Settings"), 1);
    ASSERT_GE(TxtParseGroupSet(tp, "rules"), 0);
    EXPECT_EQ(TxtParseValueSetNth(tp, "speed", 1, "%d", 5), 1);
    ASSERT_EQ(TxtParseSave(tp, "out.def"), 1);
    EXPECT_EQ(ReadFileText("out.def"), DefText({
        "; Options file",
        "",
        "[Settings] ; the options",
        "Difficulty = 2        ; 1 to 8",
        "Life\t=\t1000",
        "  Time = 123456;x",
        "Motif = data/other.def",
        "Flag on ; note = 3",
        "",
        "[Rules]",
        "Speed = 0",
        "Speed = 5 ; second",
    }));

    // Unchanged text saves byte for byte.
    TxtParseClose(tp);
    ASSERT_TRUE(Open(src, true));
    ASSERT_EQ(TxtParseSave(tp, "same.def"), 1);
    EXPECT_EQ(ReadFileText("same.def"), src);
}

TEST_F(TxtParse, EditKeepsCrlfAndLongLines)
{
    std::string longComment = "; " + std::string(400, 'c') + " x = 1";
    std::string src = "[G]\r\n" + longComment + "\r\nv = 1 ; c\r\nlast = 2";
    ASSERT_TRUE(Open(src, true));
    ASSERT_GE(TxtParseGroupSet(tp, "g"), 0);
    EXPECT_EQ(TxtParseValueSet(tp, "v", "%d", 22), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "last", "%s", std::string(2000, 'z').c_str()), 1);
    ASSERT_EQ(TxtParseSave(tp, "out.def"), 1);
    EXPECT_EQ(ReadFileText("out.def"),
              "[G]\r\n" + longComment + "\r\nv = 22; c\r\nlast = " + std::string(1023, 'z') + "\r\n");
}

TEST_F(TxtParse, EditInsertAndDeleteKeepLineMap)
{
    ASSERT_TRUE(Open(DefText({"[A]", "a1 = 1", "; c", "a2 = 2", "[B]", "b1 = 1", "", "b2 = 2"}), true));
    EXPECT_EQ(TxtParseValueSet(tp, "a1", "1"), 0);  // no group current
    ASSERT_GE(TxtParseGroupSet(tp, "a"), 0);
    EXPECT_EQ(TxtParseRawLineIndex(tp, 2), 3);

    // Insert before a2 (cursor after a1).
    TxtParseValueGet(tp, "a1");
    EXPECT_EQ(TxtParseLineInsert(tp, "new = 0"), 1);
    EXPECT_EQ(TxtParseRawLineIndex(tp, 2), 4);  // a2 moved down
    EXPECT_EQ(TxtParseRawLineIndex(tp, 4), 6);  // b1 moved down

    // Delete a1: everything after moves up.
    TxtParseLineFirst(tp);
    TxtParseLinePrev(tp);
    EXPECT_EQ(TxtParseLineDelete(tp), 1);
    EXPECT_EQ(TxtParseRawLineIndex(tp, 1), -1);
    EXPECT_EQ(TxtParseRawLineIndex(tp, 2), 3);
    EXPECT_EQ(TxtParseValueSet(tp, "a2", "%d", 20), 1);
    EXPECT_EQ(TxtParseValueSet(tp, "a1", "%d", 10), 0);

    // Clear group B and refill it in order.
    ASSERT_GE(TxtParseGroupSet(tp, "b"), 0);
    EXPECT_EQ(TxtParseGroupClear(tp), 1);
    EXPECT_EQ(TxtParseLineInsert(tp, "c1 = 1"), 1);
    EXPECT_EQ(TxtParseLineInsert(tp, "c2 = 2"), 1);
    TxtParseGroupEnd(tp);
    EXPECT_EQ(TxtParseLineDelete(tp), 0);
    EXPECT_EQ(TxtParseLineInsert(tp, "c3 = 3"), 1);
    ASSERT_EQ(TxtParseSave(tp, "out.def"), 1);
    EXPECT_EQ(ReadFileText("out.def"), DefText({"[A]", "; c", "new = 0", "a2 = 20", "[B]", "c1 = 1", "c2 = 2", "", "c3 = 3"}));
}

TEST_F(TxtParse, EditCallsOutsideEditMode)
{
    ASSERT_TRUE(Open("[A]\nx = 1\n"));
    TxtParseGroupSet(tp, "a");
    EXPECT_EQ(TxtParseValueSet(tp, "x", "2"), -1);
    EXPECT_EQ(TxtParseGroupRename(tp, "B"), -1);
    EXPECT_EQ(TxtParseLineInsert(tp, "y"), -1);
    EXPECT_EQ(TxtParseLineDelete(tp), -1);
    EXPECT_EQ(TxtParseGroupClear(tp), -1);
    EXPECT_EQ(TxtParseRawLineIndex(tp, 0), -1);
    EXPECT_EQ(TxtParseSave(tp, "out.def"), 0);
}

TEST(TxtParseText, StrCopyUntil)
{
    char buf[8];
    EXPECT_EQ(StrCopyUntil(buf, "ab,cd", 7, ','), 3);
    EXPECT_STREQ(buf, "ab,");
    EXPECT_EQ(StrCopyUntil(buf, "abcdefghij", 7, ','), 7);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(StrCopyUntil(buf, "ab", 7, ','), 2);
    EXPECT_STREQ(buf, "ab");
}
