#include "velok/player/p-ai.h"

#include <cstring>
#include <sys/stat.h>

#include "lib/array.h"
#include "support/aikit.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"

namespace {

class AIFile : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        gv = new GameVars();
        ASSERT_EQ(AIInfoInit(&info), 1);
    }
    void TearDown() override
    {
        AIInfoFree(&info);
        delete gv;
        gv = nullptr;
        TempDirTest::TearDown();
    }
    static void Add(AIInfo *to, const AISample &s, bool air = false)
    {
        ASSERT_GE(ArrayAdd(air ? to->air : to->ground, &s, s.w[AIS_KEY], 0), 0);
    }
    static const AISample *Find(const AIInfo *in, int key, bool air = false)
    {
        return (const AISample *)ArrayFindElem(air ? in->air : in->ground, key, 0);
    }
    static float F(const AISample *s, int word) { return AISampleFloat(s, word); }
    AIInfo info{};
};

bool Same(const AISample &a, const AISample &b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST_F(AIFile, SaveWritesTheExactLayoutAndLoadsItBack)
{
    AiFileSpec spec;
    spec.ground = {AiKitSample(200, 1, 1, {2, 5}), AiKitSample(210, 2, 2)};
    spec.air = {AiKitSample(600, 3, 3, {7})};
    AiKitBox(spec.basic[1], -20.0f, -90.0f, 18.0f, 0.0f);
    for (const AISample &s : spec.ground)
        Add(&info, s);
    for (const AISample &s : spec.air)
        Add(&info, s, true);
    memcpy(info.basic, spec.basic, sizeof info.basic);

    ASSERT_EQ(AIInfoSave("kit.ai", &info), 1);
    std::string bytes = ReadFileText("kit.ai");
    EXPECT_EQ(bytes.size(), 64u + 4 + 1204 * 2 + 4 + 1204 * 1 + 256);
    EXPECT_TRUE(bytes == AiFileBytes(spec)) << "magic, version 256, 2003.06.14, counts, samples, boxes";
    struct stat st;
    EXPECT_NE(stat("kit.ai.tmp", &st), 0) << "no temporary file is left";

    AIInfo back{};
    ASSERT_EQ(AIInfoLoad("kit.ai", &back), 1) << gv->errorText;
    EXPECT_EQ(back.ground->used, 2);
    EXPECT_EQ(back.air->used, 1);
    EXPECT_TRUE(Same(*Find(&back, 210), spec.ground[1]));
    EXPECT_TRUE(Same(*Find(&back, 600, true), spec.air[0]));
    EXPECT_EQ(memcmp(back.basic, spec.basic, sizeof back.basic), 0);
    ASSERT_EQ(AIInfoSave("again.ai", &back), 1);
    EXPECT_TRUE(ReadFileText("again.ai") == bytes) << "a file read back writes the same bytes";
    AIInfoFree(&back);

    AIInfo empty{};
    ASSERT_EQ(AIInfoInit(&empty), 1);
    ASSERT_EQ(AIInfoSave("empty.ai", &empty), 1);
    EXPECT_EQ(ReadFileText("empty.ai").size(), 64u + 4 + 4 + 256);
    AIInfoFree(&empty);
}

TEST_F(AIFile, BadFilesFailWithTheirTexts)
{
    auto tooMany = [](int n, bool air) {
        AiFileSpec s;
        for (int i = 0; i < n; i++)
            (air ? s.air : s.ground).push_back(AiKitSample(100 + i, air ? 3 : 1, i));
        return s;
    };
    auto withSample = [](void (*change)(AISample *)) {
        AiFileSpec s;
        s.ground = {AiKitSample(200, 1, 0, {1, 2})};
        change(&s.ground[0]);
        return s;
    };
    struct Case {
        const char *what;
        AiFileSpec spec;
        const char *text;  // null: the error text is left as it was
    };
    AiFileSpec shortHead, magic, version, date, date2, cutSample, cutTail, countTooBig;
    shortHead.cut = 40;
    magic.magic = std::string("TarnwickSpr", 12);
    version.version = 255;
    date.day = 15;
    date2.year = 2004;
    date2.month = 1;
    date2.day = 2;
    cutSample.ground = {AiKitSample(200, 1, 0)};
    cutSample.cut = 64 + 4 + 600;
    cutTail.cut = 64 + 4 + 4 + 100;
    countTooBig.ground = {AiKitSample(200, 1, 0)};
    countTooBig.countsGiven = true;
    countTooBig.groundCount = 2;
    Case cases[] = {
        {"short header", shortHead, "Error reading file header"},
        {"magic", magic, "Not an AI file"},
        {"version 255", version, "Incorrect AI version"},
        {"date", date, "Incorrect VELOK version for AI: 2003.06.15"},
        {"date 2", date2, "Incorrect VELOK version for AI: 2004.01.02"},
        {"81 ground samples", tooMany(81, false), "Out of AI learning space"},
        {"41 air samples", tooMany(41, true), "Out of AI learning space"},
        {"sample cut", cutSample, nullptr},
        {"tail cut", cutTail, nullptr},
        {"count beyond the samples", countTooBig, nullptr},
        {"33 context entries", withSample([](AISample *s) { s->w[AIS_CONTEXT_COUNT] = 33; }),
         "Invalid AI sample for state 200"},
        {"negative context count", withSample([](AISample *s) { s->w[AIS_CONTEXT_COUNT] = -1; }),
         "Invalid AI sample for state 200"},
        {"command list without end",
         withSample([](AISample *s) {
             for (int i = 0; i < AI_CMD_WORDS; i++)
                 s->w[AIS_CMDS + i] = 3;
         }),
         "Invalid AI sample for state 200"},
        {"command label 128", withSample([](AISample *s) { s->w[AIS_CMDS + 1] = 128; }),
         "Invalid AI sample for state 200"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileText("bad.ai", AiFileBytes(c.spec));
        strcpy(gv->errorText, "before");
        Add(&info, AiKitSample(5, 1, 0));
        EXPECT_EQ(AIInfoLoad("bad.ai", &info), 0);
        EXPECT_STREQ(gv->errorText, c.text ? c.text : "before");
        EXPECT_EQ(info.ground->used + info.air->used, 0) << "a failed load leaves nothing";
        EXPECT_EQ(AISampleFloat((const AISample *)info.basic[0], 0), -32760.0f);
    }
    // 80 ground and 40 air samples fit.
    AiFileSpec full = tooMany(80, false);
    full.air = tooMany(40, true).air;
    WriteFileText("full.ai", AiFileBytes(full));
    EXPECT_EQ(AIInfoLoad("full.ai", &info), 1) << gv->errorText;
}

TEST_F(AIFile, AFailedSaveKeepsTheFileThatIsThere)
{
    Add(&info, AiKitSample(200, 1, 0));
    WriteFileText("kit.ai", "old contents");
    ASSERT_EQ(mkdir("kit.ai.tmp", 0755), 0);  // the temporary file cannot be made
    EXPECT_EQ(AIInfoSave("kit.ai", &info), 0);
    EXPECT_EQ(ReadFileText("kit.ai"), "old contents");
    EXPECT_EQ(AIInfoSave("nodir/kit.ai", &info), 0);

    AIInfo noArrays{};
    EXPECT_EQ(AIInfoSave("none.ai", &noArrays), 0);
    struct stat st;
    EXPECT_NE(stat("none.ai", &st), 0);
}

TEST_F(AIFile, NamesMustStayInTheCharacterDirectory)
{
    struct {
        const char *name;
        int safe;
    } cases[] = {
        {"kit.ai", 1},        {"ai/kit.ai", 1},     {"ai\\kit.ai", 1},   {"..kit.ai", 1},
        {"", 0},              {"/tmp/kit.ai", 0},   {"\\kit.ai", 0},     {"c:kit.ai", 0},
        {"../kit.ai", 0},     {"ai/../../k.ai", 0}, {"ai\\..\\k.ai", 0}, {"..", 0},
    };
    for (auto &c : cases)
        EXPECT_EQ(AIFileNameSafe(c.name), c.safe) << c.name;
}

TEST_F(AIFile, CombineAveragesTheStatisticsAndJoinsTheContexts)
{
    AISample t = AiKitSample(200, 1, 0, {1, 2});
    AISample s = AiKitSample(200, 1, 0, {3, 4});
    AiKitStat(&t, AIS_FIRST, 10.0f, 8, 12, 2.0f);
    AiKitStat(&s, AIS_FIRST, 20.0f, 20, 20, 0.0f);
    // Contexts by previous state: t has 0 and 20, s has 20, 11 and 40.
    t.w[AIS_CONTEXT] = 0;
    t.w[AIS_CONTEXT + 4] = 20;
    t.w[AIS_CONTEXT_COUNT] = 2;
    s.w[AIS_CONTEXT] = 20;
    s.w[AIS_CONTEXT + 4] = 11;
    s.w[AIS_CONTEXT + 5] = 2;
    s.w[AIS_CONTEXT + 8] = 40;
    s.w[AIS_CONTEXT_COUNT] = 3;
    // Outcome 1 active frames in both, outcome 2 only in s; control only in t.
    AiKitStat(&t, AIS_ACTIVE + 12, 4.0f, 4, 4, 0.0f);
    t.w[AIS_ACTIVE_SEEN + 1] = 1;
    AiKitStat(&s, AIS_ACTIVE + 12, 6.0f, 6, 6, 0.0f);
    s.w[AIS_ACTIVE_SEEN + 1] = 1;
    AiKitStat(&s, AIS_ACTIVE + 24, 9.0f, 9, 9, 0.0f);
    s.w[AIS_ACTIVE_SEEN + 2] = 1;
    AiKitStat(&t, AIS_CONTROL, 15.0f, 15, 15, 0.0f);
    t.w[AIS_CONTROL_SEEN] = 1;
    AiKitBox(&s.w[AIS_BODY_BOX], -30.0f, -70.0f, 5.0f, 2.0f);

    AISampleCombine(&t, &s);
    EXPECT_FLOAT_EQ(F(&t, AIS_FIRST), 0.95f * 10.0f + 0.05f * 20.0f);
    EXPECT_EQ(t.w[AIS_FIRST + 1], 8);
    EXPECT_EQ(t.w[AIS_FIRST + 2], 20);
    EXPECT_FLOAT_EQ(F(&t, AIS_FIRST + 3), 0.95f * 2.0f + 0.05f * 10.0f);
    EXPECT_FLOAT_EQ(F(&t, AIS_ACTIVE + 12), 0.95f * 4.0f + 0.05f * 6.0f);
    EXPECT_FLOAT_EQ(F(&t, AIS_ACTIVE + 24), 9.0f) << "taken whole where only the new sample has it";
    EXPECT_EQ(t.w[AIS_ACTIVE_SEEN + 2], 1);
    EXPECT_FLOAT_EQ(F(&t, AIS_CONTROL), 15.0f) << "kept where only the old one has it";
    EXPECT_EQ(t.w[AIS_CONTEXT_COUNT], 4);
    EXPECT_EQ(t.w[AIS_CONTEXT + 8], 11);
    EXPECT_EQ(t.w[AIS_CONTEXT + 9], 2);
    EXPECT_EQ(t.w[AIS_CONTEXT + 12], 40);
    EXPECT_EQ(t.w[AIS_CMDS], 3) << "the new sample's first command only";
    EXPECT_EQ(t.w[AIS_CMDS + 1], -1);
    EXPECT_EQ(t.w[AIS_COUNT], 2);
    EXPECT_FLOAT_EQ(F(&t, AIS_BODY_BOX), -30.0f);
    EXPECT_FLOAT_EQ(F(&t, AIS_BODY_BOX + 8), 14.0f);
    EXPECT_FLOAT_EQ(F(&t, AIS_BODY_BOX + 12), 2.0f);

    // At most 32 contexts: 31 and three new ones make 32.
    AISample many = AiKitSample(200, 1, 0);
    for (int i = 0; i < 31; i++)
        many.w[AIS_CONTEXT + 4 * i] = 1000 + i;
    many.w[AIS_CONTEXT_COUNT] = 31;
    AISampleCombine(&many, &s);
    EXPECT_EQ(many.w[AIS_CONTEXT_COUNT], 32);
    EXPECT_EQ(many.w[AIS_CONTEXT + 4 * 31], 20);

    AISample other = AiKitSample(201, 1, 0);
    EXPECT_EXIT(AISampleCombine(&t, &other), ::testing::ExitedWithCode(1), "");
}

TEST_F(AIFile, MergeDropsSamplesThatFindNoRoom)
{
    for (int i = 0; i < AI_GROUND_MAX; i++)
        Add(&info, AiKitSample(i, 1, 0));
    AIInfo src{};
    ASSERT_EQ(AIInfoInit(&src), 1);
    Add(&src, AiKitSample(5, 1, 0));
    Add(&src, AiKitSample(500, 1, 0));
    Add(&src, AiKitSample(600, 3, 0), true);
    AiKitBox(src.basic[2], -5.0f, -50.0f, 5.0f, 0.0f);

    EXPECT_EQ(AIInfoMerge(&info, &src), 1) << "the new ground move finds no room; the game goes on";
    EXPECT_EQ(Find(&info, 5)->w[AIS_COUNT], 2) << "a known move still combines";
    EXPECT_EQ(Find(&info, 500), nullptr);
    EXPECT_NE(Find(&info, 600, true), nullptr);
    EXPECT_FLOAT_EQ(AISampleFloat((const AISample *)info.basic[2], 8), 5.0f);

    // A copy holds exactly the source.
    ASSERT_EQ(AIInfoCopy(&info, &src), 0);
    EXPECT_EQ(info.ground->used, 2);
    EXPECT_EQ(Find(&info, 5)->w[AIS_COUNT], 1);
    EXPECT_EQ(memcmp(info.basic, src.basic, sizeof info.basic), 0);
    AIInfoFree(&src);
}
