// Tracker-module loaders on hand-made files: structure of MOD, S3M, XM, UMX and own-format modules, probing, bad files.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <string>
#include <vector>

#include "music/tkmod-load.h"
#include "music/tkmod-play.h"
#include "support/testkit.h"
#include "support/tkmodkit.h"

class TkmodLoadTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
    void TearDown() override
    {
        for (TkmodModule *m : loaded)
            TkmodDestroy(m);
        TempDirTest::TearDown();
    }
    std::string Write(const std::string &name, const std::string &bytes)
    {
        WriteFileText(name, bytes);
        return name;
    }
    // Loads through the probe and keeps the module for freeing.
    TkmodModule *Load(const std::string &name, const std::string &bytes)
    {
        TkmodModule *m = TkmodLoad(Write(name, bytes).c_str());
        if (m)
            loaded.push_back(m);
        return m;
    }
    std::vector<TkmodModule *> loaded;
};

static const TkmodCell &Cell(const TkmodModule *m, int pattern, int row, int channel)
{
    return m->patterns[pattern].cells[row * m->channelCount + channel];
}

static std::vector<int> SampleBytes(const TkmodModule *m, int n)
{
    const SAMPLE *s = m->samples[n].sample;
    const unsigned char *d = (const unsigned char *)s->data;
    return std::vector<int>(d, d + s->len);
}

static constexpr auto &At = KitCellAt;

// ---------------------------------------------------------------- packed-file readers

TEST_F(TkmodLoadTest, ReadersGiveBigAndLittleEndianValuesAndMinusOneAtTheEnd)
{
    Write("r.bin", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
    TkmodFile *f = TkmodFileOpen("r.bin", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(TkmodFileGetc(f), 1);
    EXPECT_EQ(TkmodFileReadU16Be(f), 0x0203);
    EXPECT_EQ(TkmodFileReadU16Le(f), 0x0504);
    EXPECT_EQ(TkmodFileReadU32Le(f), -1);  // two bytes left
    TkmodFileReopenAt(f, 0);
    EXPECT_EQ(TkmodFileReadU32Be(f), 0x01020304);
    TkmodFileSkip(f, 2);
    EXPECT_EQ(TkmodFileGetc(f), 7);
    EXPECT_EQ(TkmodFileGetc(f), -1);
    EXPECT_EQ(TkmodFileReadU16Be(f), -1);
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(TkmodFileRead(f, buf, 4), 0);
    TkmodFileReopenAt(f, 5);
    EXPECT_EQ(TkmodFileRead(f, buf, 4), 2);
    EXPECT_EQ(std::string(buf, 2), "\x06\x07");
    TkmodFileReopenAt(f, 100);
    EXPECT_EQ(f->pos, 7);
    TkmodFileClose(f);

    EXPECT_EQ(TkmodFileOpen("r.bin", "wb"), nullptr);
    EXPECT_EQ(TkmodFileOpen("missing.bin", "rb"), nullptr);
    MakeDirs("adir");
    EXPECT_EQ(TkmodFileOpen("adir", "rb"), nullptr);

    const unsigned char orders[4] = {3, 9, 0, 2};
    EXPECT_EQ(TkmodPatternCount(orders, 4), 10);
    EXPECT_EQ(TkmodPatternCount(orders, 1), 4);
}

// ---------------------------------------------------------------- MOD

TEST_F(TkmodLoadTest, ModStructure)
{
    ModDesc desc;
    desc.name = "kit song";
    ModSampleDesc s1;
    s1.data = std::string("\x00\x40\x7F\x80\xFF\x01\x02\x03", 8);
    s1.finetune = 1;
    s1.volume = 40;
    s1.loopStartWords = 1;
    s1.loopLengthWords = 2;
    ModSampleDesc s2;  // a length of one word is no sample
    s2.lengthWords = 1;
    ModSampleDesc s3;
    s3.data = std::string(4, '\x10');
    s3.volume = 80;
    s3.finetune = 0x99;      // only the low nibble counts: -7
    s3.loopStartWords = 1;   // loop runs past the end
    s3.loopLengthWords = 9;
    desc.sampleList = {s1, s2, s3};
    desc.orderCount = 2;
    desc.restart = 5;
    desc.orders = {0, 2, 0, 0, 0, 3};  // entries past the order count still count for patterns
    desc.patterns.resize(4);
    desc.patterns[0] = {At(0, 0, 428, 1, -1, 0xC, 0x20), At(1, 3, 0, 17, -1, 0xF, 3), At(2, 1, 0x123, 0x20, -1, 0, 0)};
    desc.patterns[2] = {At(63, 2, 856, 3, -1, 0xE, 0x12)};
    TkmodModule *m = Load("song.mod", ModBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();

    EXPECT_STREQ(m->name, "kit song");
    EXPECT_EQ(m->channelCount, 4);
    EXPECT_EQ(m->orderCount, 2);
    EXPECT_EQ(m->orders[1], 2);
    EXPECT_EQ(m->patternCount, 4);
    EXPECT_EQ(m->restart, 0);
    EXPECT_EQ(m->flags, 0);
    EXPECT_EQ(m->speed, 6);
    EXPECT_EQ(m->tempo, 125);
    EXPECT_EQ(m->globalVolume, 64);
    EXPECT_EQ(std::vector<int>(m->panning, m->panning + 4), (std::vector<int>{0, 255, 255, 0}));

    ASSERT_EQ(m->sampleCount, 31);
    EXPECT_EQ(m->samples[0].length, 8);
    EXPECT_EQ(m->samples[0].tune, 8413);
    EXPECT_EQ(m->samples[0].volume, 40);
    EXPECT_EQ(m->samples[0].loopType, TKMOD_LOOP_ON);
    EXPECT_EQ(m->samples[0].loopStart, 2);
    EXPECT_EQ(m->samples[0].loopEnd, 6);
    EXPECT_EQ(m->samples[0].sample->loop_start, 2u);
    EXPECT_EQ(m->samples[0].sample->loop_end, 6u);
    EXPECT_EQ(m->samples[0].sample->priority, 192);
    EXPECT_EQ(SampleBytes(m, 0), (std::vector<int>{0x80, 0xC0, 0xFF, 0x00, 0x7F, 0x81, 0x82, 0x83}));
    EXPECT_EQ(m->samples[1].length, 0);
    ASSERT_NE(TkmodSampleGet(m, 1), nullptr);  // an empty block, not a missing one
    EXPECT_EQ(TkmodSampleGet(m, 1)->len, 0u);
    EXPECT_EQ(m->samples[2].volume, 64);
    EXPECT_EQ(m->samples[2].tune, 7941);
    EXPECT_EQ(m->samples[2].loopStart, 2);
    EXPECT_EQ(m->samples[2].loopEnd, 4);
    EXPECT_EQ(SampleBytes(m, 2), (std::vector<int>(4, 0x90)));
    EXPECT_EQ(m->samples[3].length, 0);
    EXPECT_EQ(m->samples[3].loopType, 0);

    const TkmodCell &c0 = Cell(m, 0, 0, 0);
    EXPECT_EQ(c0.note, 8363);  // 3579546 / 428
    EXPECT_EQ(c0.sample, 1);
    EXPECT_EQ(c0.command, 12);
    EXPECT_EQ(c0.param, 0x20);
    const TkmodCell &c1 = Cell(m, 0, 1, 3);
    EXPECT_EQ(c1.note, 0);  // an empty period is no note
    EXPECT_EQ(c1.sample, 17);
    EXPECT_EQ(c1.command, 15);
    EXPECT_EQ(c1.param, 3);
    const TkmodCell &c2 = Cell(m, 0, 2, 1);
    EXPECT_EQ(c2.note, 3579546 / 0x123);
    // A pattern cell keeps the number the file gives, even one above the
    // sample count: the player skips it when it selects the row's sample.
    EXPECT_EQ(c2.sample, 32);
    const TkmodCell &c3 = Cell(m, 2, 63, 2);
    EXPECT_EQ(c3.note, 4181);
    EXPECT_EQ(c3.command, 14);
    EXPECT_EQ(c3.param, 0x12);
}

TEST(TkmodMod, SignaturesGiveChannelCounts)
{
    struct Case {
        const char *sig;
        int channels;
    } cases[] = {{"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4}, {"1CHN", 1}, {"6CHN", 6},  {"9CHN", 9},
                 {"10CH", 10}, {"32CH", 32}, {"64CH", 64}, {"65CH", 0}, {"09CH", 0}, {"CD81", 8},
                 {"OKTA", 8}, {"16CN", 16}, {"32CN", 32}, {"0CHN", 0}, {"FLT8", 0}, {"m.k.", 0}};
    for (const Case &c : cases)
        EXPECT_EQ(TkmodModChannels((const unsigned char *)c.sig), c.channels) << c.sig;
}

TEST_F(TkmodLoadTest, ModLengthsAreCheckedAgainstTheFileAndShortDataIsSilent)
{
    ModDesc desc;
    ModSampleDesc big;
    big.lengthWords = 0xFFFF;  // 128 KiB promised
    big.data = std::string(6, '\x05');
    big.loopStartWords = 0xFFF0;
    big.loopLengthWords = 8;
    desc.sampleList = {big};
    std::string bytes = ModBytes(desc);
    TkmodModule *m = Load("big.mod", bytes);
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    const TkmodSampleInfo &s = m->samples[0];
    EXPECT_LE(s.length, (int)bytes.size());
    std::vector<int> data = SampleBytes(m, 0);
    ASSERT_GE(data.size(), 6u);
    EXPECT_EQ(data[0], 0x85);
    EXPECT_EQ(data[5], 0x85);
    EXPECT_EQ(data[6], 0x80);  // beyond the file: silence
    EXPECT_LE(s.loopEnd, s.length);
    EXPECT_LE(s.loopStart, s.loopEnd);

    desc.sampleList[0].lengthWords = 50;
    desc.dropSampleData = true;
    m = Load("short.mod", ModBytes(desc));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(SampleBytes(m, 0), std::vector<int>(100, 0x80));
}

TEST_F(TkmodLoadTest, PatternsPastTheEndOfAShortModAreEmpty)
{
    ModDesc desc;
    desc.orders = {0, 1, 200};
    desc.orderCount = 3;
    desc.patterns = {{}, {At(0, 1, 428, 2, -1, 12, 0x20), At(3, 2, 428, 1, -1, 15, 3)}};
    desc.dropSampleData = true;
    std::string bytes = ModBytes(desc);
    // The file ends two bytes into pattern 1's cell at row 3, channel 2.
    const size_t patternsAt = 20 + 31 * 30 + 2 + 128 + 4, cell = 4;
    bytes.resize(patternsAt + 64 * 4 * cell + (3 * 4 + 2) * cell + 2);
    TkmodModule *m = Load("short.mod", bytes);
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    ASSERT_EQ(m->patternCount, 201);
    EXPECT_EQ(Cell(m, 1, 0, 1).note, 8363);
    EXPECT_EQ(Cell(m, 1, 0, 1).sample, 2);
    EXPECT_EQ(Cell(m, 1, 0, 1).command, 12);
    // The cell the file ends in keeps its period; the rest of it is empty.
    EXPECT_EQ(Cell(m, 1, 3, 2).note, 8363);
    EXPECT_EQ(Cell(m, 1, 3, 2).sample, 0);
    EXPECT_EQ(Cell(m, 1, 3, 2).command, 0);
    EXPECT_EQ(Cell(m, 1, 3, 2).param, 0);
    int filled = 0;
    for (int p = 1; p <= 200; p++)
        for (int i = p == 1 ? 3 * 4 + 3 : 0; i < 64 * 4; i++) {
            const TkmodCell &c = m->patterns[p].cells[i];
            filled += c.note || c.sample || c.volume || c.command || c.param;
        }
    EXPECT_EQ(filled, 0);
    EXPECT_EQ(m->patterns[200].rows, 64);
}

TEST_F(TkmodLoadTest, FifteenSampleModsLoadOnlyWhenAskedFor)
{
    ModDesc desc;
    desc.samples = 15;
    ModSampleDesc s;
    s.data = std::string(4, '\x00');
    desc.sampleList = {s};
    desc.patterns[0] = {At(0, 3, 428, 15, -1, 0, 0)};
    std::string path = Write("old.mod", ModBytes(desc));
    TkmodModule *m = TkmodModLoad(path.c_str(), 15);
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    loaded.push_back(m);
    EXPECT_EQ(m->channelCount, 4);
    EXPECT_EQ(m->sampleCount, 15);
    EXPECT_EQ(Cell(m, 0, 0, 3).sample, 15);
    EXPECT_EQ(SampleBytes(m, 0), (std::vector<int>{0x80, 0x80, 0x80, 0x80}));

    // The probe never takes a 15-sample file, though its detector accepts it.
    std::string bytes = ReadFileText(path);
    EXPECT_EQ(TkmodModDetect15((const unsigned char *)bytes.data(), (long)bytes.size()), 1);
    EXPECT_EQ(TkmodLoad(path.c_str()), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unsupported MOD type or unable to open file");
    bytes[20 + 24] = 3;  // a finetune
    EXPECT_EQ(TkmodModDetect15((const unsigned char *)bytes.data(), (long)bytes.size()), 0);

    EXPECT_EQ(TkmodModLoad(path.c_str(), 20), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "MOD must be 15 or 31 instruments");
}

// ---------------------------------------------------------------- S3M

TEST_F(TkmodLoadTest, S3mStructure)
{
    S3mDesc desc;
    desc.name = "kit scream";
    desc.orders = {1, 0, 255};
    desc.speed = 0;
    desc.tempo = 0;
    desc.globalVolume = 48;
    desc.channelSettings = {0, 200, 8, 16, 255, 7};
    desc.defaultPan = 252;
    desc.pans = {0, 0, 0x20 | 3, 0x03};
    desc.fileFormat = 1;  // signed samples
    S3mSampleDesc s1;
    s1.data = std::string("\x00\x7F\x80\xFF", 4);
    s1.loop = true;
    s1.loopStart = 1;
    s1.loopEnd = 3;
    s1.volume = 70;
    s1.c2spd = 0x12345;
    S3mSampleDesc s2;
    s2.sixteen = true;
    s2.data = std::string("\x34\x12\xCD\xAB", 4);
    S3mSampleDesc s3;
    s3.data = std::string(4, '\x11');
    s3.tag = false;
    desc.samples = {s1, s2, s3};
    desc.patterns.resize(2);
    desc.patterns[0] = {At(0, 0, 0x40, 1, 70, 1, 3),    At(0, 1, 0x40, 1, 10, 4, 1),  // channel 1 is off
                        At(1, 2, 254, 0, -1, 0, 0),     At(1, 3, 0x0C, 9, -1, 0, 0),
                        At(2, 0, 0x51, 2, -1, 19, 0xB2), At(2, 2, 255, 2, 20, 26, 0x11),
                        At(3, 5, 0, 0, -1, 19, 0x22),    At(4, 5, 0, 0, -1, 4, 0x20)};
    TkmodModule *m = Load("song.s3m", S3mBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();

    EXPECT_STREQ(m->name, "kit scream");
    EXPECT_EQ(m->orderCount, 3);
    EXPECT_EQ(m->orders[0], 1);
    EXPECT_EQ(m->patternCount, 2);
    EXPECT_EQ(m->speed, 6);
    EXPECT_EQ(m->tempo, 125);
    EXPECT_EQ(m->globalVolume, 48);
    EXPECT_EQ(m->flags, 0);
    ASSERT_EQ(m->channelCount, 4);
    EXPECT_EQ(std::vector<int>(m->panning, m->panning + 4), (std::vector<int>{64, 51, 128, 64}));

    ASSERT_EQ(m->sampleCount, 3);
    EXPECT_EQ(SampleBytes(m, 0), (std::vector<int>{0x80, 0xFF, 0x00, 0x7F}));
    EXPECT_EQ(m->samples[0].volume, 64);
    EXPECT_EQ(m->samples[0].tune, 0x2345);
    EXPECT_EQ(m->samples[0].sample->freq, 0x2345);
    EXPECT_EQ(m->samples[0].sample->bits, 8);
    EXPECT_EQ(m->samples[0].loopType, TKMOD_LOOP_ON);
    EXPECT_EQ(m->samples[0].loopStart, 1);
    EXPECT_EQ(m->samples[0].loopEnd, 3);
    EXPECT_EQ(SampleBytes(m, 1), (std::vector<int>{0x92, 0x2B}));  // high bytes, made unsigned
    EXPECT_EQ(m->samples[2].length, 0);

    const TkmodCell &a = Cell(m, 0, 0, 0);
    EXPECT_EQ(a.note, 8363);  // C-4
    EXPECT_EQ(a.sample, 1);
    EXPECT_EQ(a.volume, 64 + 16);
    EXPECT_EQ(a.command, TKCMD_S3M_SPEED);
    EXPECT_EQ(a.param, 3);
    EXPECT_EQ(Cell(m, 0, 0, 1).note, 0);  // the off channel's cell went nowhere
    EXPECT_EQ(Cell(m, 0, 1, 1).note, TKMOD_NOTE_CUT);
    EXPECT_EQ(Cell(m, 0, 1, 2).note, 0);
    EXPECT_EQ(Cell(m, 0, 1, 2).sample, 0);  // instrument 9 of 3
    const TkmodCell &b = Cell(m, 0, 2, 0);
    EXPECT_EQ(b.note, 3579546 / (6464 >> 5));
    EXPECT_EQ(b.command, TKCMD_EXTENDED);
    EXPECT_EQ(b.param, 0x62);  // SB2: pattern loop
    const TkmodCell &c = Cell(m, 0, 2, 1);
    EXPECT_EQ(c.note, 0);
    EXPECT_EQ(c.sample, 2);
    EXPECT_EQ(c.volume, 20 + 16);
    EXPECT_EQ(c.command, 0);  // Z is dropped
    EXPECT_EQ(c.param, 0);
    EXPECT_EQ(Cell(m, 0, 3, 3).param, 0x5A);  // S22: finetune 2 away from none, as a MOD finetune
    EXPECT_EQ(Cell(m, 0, 4, 3).command, TKCMD_S3M_VOL_SLIDE);
}

TEST_F(TkmodLoadTest, S3mRowsEndAtThePackedLength)
{
    S3mDesc desc;
    desc.patterns[0] = {At(0, 0, 0x40, 0, -1, 0, 0), At(1, 0, 0x41, 0, -1, 0, 0)};
    desc.packedLengthCut = 4;  // the first row: flags, note, instrument, end
    TkmodModule *m = Load("cut.s3m", S3mBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    EXPECT_EQ(Cell(m, 0, 0, 0).note, 8363);
    EXPECT_EQ(Cell(m, 0, 1, 0).note, 0);
}

TEST(TkmodS3m, CommandRemap)
{
    struct Case {
        int command, param, want, wantParam;
    } cases[] = {
        {1, 6, TKCMD_S3M_SPEED, 6},        {2, 3, TKCMD_JUMP, 3},
        {3, 0x12, TKCMD_BREAK, 0x12},      {4, 0x0F, TKCMD_S3M_VOL_SLIDE, 0x0F},
        {5, 0xE1, TKCMD_S3M_PORTA_DOWN, 0xE1}, {6, 0xF2, TKCMD_S3M_PORTA_UP, 0xF2},
        {7, 9, TKCMD_TONE_PORTA, 9},        {8, 0x44, TKCMD_VIBRATO, 0x44},
        {9, 0x21, TKCMD_TREMOR, 0x21},      {10, 0x37, TKCMD_S3M_ARPEGGIO, 0x37},
        {11, 1, TKCMD_S3M_VIBRATO_VOL, 1},  {12, 2, TKCMD_S3M_TONE_PORTA_VOL, 2},
        {13, 5, 0, 0},                      {15, 0x10, TKCMD_OFFSET, 0x10},
        {17, 0x83, TKCMD_RETRIG, 0x83},     {18, 0x23, TKCMD_S3M_TREMOLO, 0x23},
        {20, 0x80, TKCMD_TEMPO, 0x80},      {21, 0x31, TKCMD_FINE_VIBRATO, 0x31},
        {22, 0x30, TKCMD_GLOBAL_VOLUME, 0x30}, {24, 0x40, TKCMD_S3M_PAN, 0x40},
        {23, 1, 0, 0},                      {26, 1, 0, 0},
        {0, 5, 0, 0},                       {27, 5, 0, 0},
        {19, 0x13, TKCMD_EXTENDED, 0x33},   {19, 0x28, TKCMD_EXTENDED, 0x50},
        {19, 0x31, TKCMD_EXTENDED, 0x41},   {19, 0x42, TKCMD_EXTENDED, 0x72},
        {19, 0x8F, TKCMD_EXTENDED, 0x8F},   {19, 0xA3, TKCMD_EXTENDED, 0x103},
        {19, 0xB2, TKCMD_EXTENDED, 0x62},   {19, 0xC4, TKCMD_EXTENDED, 0xC4},
        {19, 0xD1, TKCMD_EXTENDED, 0xD1},   {19, 0xE2, TKCMD_EXTENDED, 0xE2},
        {19, 0x01, 0, 0},                   {19, 0x91, 0, 0},
        {19, 0xF1, 0, 0},
    };
    for (const Case &c : cases) {
        int p = c.param;
        EXPECT_EQ(TkmodS3mCommandRemap(c.command, &p), c.want) << c.command << " " << c.param;
        EXPECT_EQ(p, c.wantParam) << c.command << " " << c.param;
    }
}

// ---------------------------------------------------------------- XM

TEST_F(TkmodLoadTest, XmStructure)
{
    XmDesc desc;
    desc.name = "kit extended";
    desc.orders = {0, 1, 0};
    desc.restart = 1;
    desc.channels = 2;
    desc.speed = 0;
    desc.tempo = 0;
    desc.patternRows = {4, 1};
    desc.patterns = {{At(0, 0, 49, 2, 0x40, 0xA, 0x12), At(1, 1, 97, 0, 0, 0, 0), At(2, 0, 0, 0, 0, 0xE, 0x15),
                      At(3, 1, 10, 9, 0x65, 20, 3)},
                     {At(0, 1, 96, 1, 0, 0, 0)}};
    XmInstrumentDesc i0;
    XmSampleDesc a;
    a.values = {0, 10, -10, 127};
    a.loopType = 1;
    a.loopStart = 1;
    a.loopLength = 2;
    a.volume = 50;
    a.finetune = -16;
    a.panning = 200;
    a.relativeNote = 12;
    i0.samples = {a};
    i0.volEnv.points = {{0, 64}, {10, 32}};
    i0.volEnv.sustain = 1;
    i0.volEnv.flags = TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN;
    i0.fadeout = 1024;
    XmInstrumentDesc i1;
    XmSampleDesc b;
    b.sixteen = true;
    b.values = {0x1000, -0x1000, 0x7FFF};
    b.loopType = 2;
    b.loopStart = 0;
    b.loopLength = 3;
    XmSampleDesc c;
    c.values = {5};
    c.volume = 99;
    i1.samples = {b, c};
    for (int n = 48; n < 96; n++)
        i1.keymap[n] = 1;
    i1.keymap[95] = 5;  // the instrument has no sixth sample
    i1.volEnv.points = {{0, 80}, {4, 0}};
    i1.volEnv.count = 13;
    i1.volEnv.loopEnd = 20;
    i1.volEnv.flags = TKMOD_ENV_ON | TKMOD_ENV_LOOP;
    desc.instruments = {i0, i1, XmInstrumentDesc()};
    TkmodModule *m = Load("song.xm", XmBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();

    EXPECT_STREQ(m->name, "kit extended");
    EXPECT_EQ(m->orderCount, 3);
    EXPECT_EQ(m->restart, 1);
    EXPECT_EQ(m->channelCount, 2);
    EXPECT_EQ(m->flags, TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_LINEAR);
    EXPECT_EQ(m->speed, 6);
    EXPECT_EQ(m->tempo, 125);
    EXPECT_EQ(m->globalVolume, 64);
    EXPECT_EQ(m->panning[1], 128);
    ASSERT_EQ(m->patternCount, 2);
    EXPECT_EQ(m->patterns[0].rows, 4);
    EXPECT_EQ(m->patterns[1].rows, 1);

    const TkmodCell &full = Cell(m, 0, 0, 0);
    EXPECT_EQ(full.note, 49);
    EXPECT_EQ(full.sample, 2);
    EXPECT_EQ(full.volume, 0x40);
    EXPECT_EQ(full.command, TKCMD_XM_VOL_SLIDE);
    EXPECT_EQ(full.param, 0x12);
    EXPECT_EQ(Cell(m, 0, 1, 1).note, TKMOD_NOTE_OFF);
    EXPECT_EQ(Cell(m, 0, 2, 0).command, TKCMD_EXTENDED);
    EXPECT_EQ(Cell(m, 0, 2, 0).param, TKEXT_XM_FINE_PORTA_UP * 16 + 5);
    const TkmodCell &k = Cell(m, 0, 3, 1);
    EXPECT_EQ(k.sample, 9);  // instrument 9 of 3 kept as the file gives it
    EXPECT_EQ(k.volume, 0x65);
    EXPECT_EQ(k.command, TKCMD_KEY_OFF);
    EXPECT_EQ(Cell(m, 1, 0, 1).note, 96);

    ASSERT_EQ(m->instrumentCount, 3);
    ASSERT_EQ(m->sampleCount, 3);
    const TkmodInstrument &in0 = m->instruments[0];
    EXPECT_EQ(in0.noteMap[0], 0);
    EXPECT_EQ(in0.noteMap[95], 0);
    EXPECT_EQ(in0.volEnv.count, 2);
    EXPECT_EQ(in0.volEnv.pos[1], 10);
    EXPECT_EQ(in0.volEnv.val[1], 32);
    EXPECT_EQ(in0.volEnv.sustainStart, 1);
    EXPECT_EQ(in0.volEnv.sustainEnd, 1);
    EXPECT_EQ(in0.volEnv.flags, TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN);
    EXPECT_EQ(in0.fadeout, 1024);
    const TkmodInstrument &in1 = m->instruments[1];
    EXPECT_EQ(in1.noteMap[0], 1);  // numbered after instrument 0's sample
    EXPECT_EQ(in1.noteMap[50], 2);
    EXPECT_EQ(in1.noteMap[95], -1);
    EXPECT_EQ(in1.volEnv.count, 12);
    EXPECT_EQ(in1.volEnv.val[0], 64);
    EXPECT_EQ(in1.volEnv.flags, TKMOD_ENV_ON);  // the loop pointed past the points
    EXPECT_EQ(m->instruments[2].noteMap[0], -1);

    const TkmodSampleInfo &sa = m->samples[0];
    EXPECT_EQ(SampleBytes(m, 0), (std::vector<int>{0x80, 0x8A, 0x76, 0xFF}));
    EXPECT_EQ(sa.length, 4);
    EXPECT_EQ(sa.loopType, TKMOD_LOOP_ON);
    EXPECT_EQ(sa.loopStart, 1);
    EXPECT_EQ(sa.loopEnd, 3);
    EXPECT_EQ(sa.tune, 112);
    EXPECT_EQ(sa.relativeNote, 12);
    EXPECT_EQ(sa.volume, 50);
    EXPECT_EQ(sa.panning, 200);
    const TkmodSampleInfo &sb = m->samples[1];
    EXPECT_EQ(SampleBytes(m, 1), (std::vector<int>{0x90, 0x70, 0xFF}));
    EXPECT_EQ(sb.length, 3);
    EXPECT_EQ(sb.loopType, TKMOD_LOOP_ON | TKMOD_LOOP_BIDI);
    EXPECT_EQ(sb.loopEnd, 3);
    EXPECT_EQ(SampleBytes(m, 2), (std::vector<int>{0x85}));
    EXPECT_EQ(m->samples[2].volume, 64);
}

TEST_F(TkmodLoadTest, XmWithoutLinearFlagUsesTheAmigaTable)
{
    XmDesc desc;
    desc.linear = false;
    TkmodModule *m = Load("amiga.xm", XmBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    EXPECT_EQ(m->flags, TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_AMIGA);
}

TEST(TkmodXm, CommandRemap)
{
    struct Case {
        int command, param, want, wantParam;
    } cases[] = {
        {0x0, 0x00, 0, 0},                      {0x0, 0x37, TKCMD_ARPEGGIO, 0x37},
        {0x1, 5, TKCMD_XM_PORTA_UP, 5},         {0x2, 6, TKCMD_XM_PORTA_DOWN, 6},
        {0x3, 7, 3, 7},                         {0x4, 0x21, 4, 0x21},
        {0x5, 0x10, TKCMD_XM_TONE_PORTA_VOL, 0x10}, {0x6, 0x01, TKCMD_XM_VIBRATO_VOL, 1},
        {0x7, 1, 7, 1},                         {0x8, 0x80, 8, 0x80},
        {0x9, 2, 9, 2},                         {0xA, 0x0F, TKCMD_XM_VOL_SLIDE, 0x0F},
        {0xB, 1, 11, 1},                        {0xC, 0x40, 12, 0x40},
        {0xD, 0x10, 13, 0x10},                  {0xF, 0x7D, 15, 0x7D},
        {0xE, 0x13, TKCMD_EXTENDED, 0x113},     {0xE, 0x24, TKCMD_EXTENDED, 0x124},
        {0xE, 0xA2, TKCMD_EXTENDED, 0x132},     {0xE, 0xB3, TKCMD_EXTENDED, 0x143},
        {0xE, 0x31, TKCMD_EXTENDED, 0x31},      {0xE, 0x42, TKCMD_EXTENDED, 0x42},
        {0xE, 0x63, TKCMD_EXTENDED, 0x63},      {0xE, 0x71, TKCMD_EXTENDED, 0x71},
        {0xE, 0x93, TKCMD_EXTENDED, 0x93},      {0xE, 0xC2, TKCMD_EXTENDED, 0xC2},
        {0xE, 0xD1, TKCMD_EXTENDED, 0xD1},      {0xE, 0xE4, TKCMD_EXTENDED, 0xE4},
        {0xE, 0x05, 0, 0},                      {0xE, 0x55, 0, 0},
        {0xE, 0x88, 0, 0},                      {0xE, 0xF1, 0, 0},
        {16, 0x20, TKCMD_GLOBAL_VOLUME, 0x20},  {17, 0x02, TKCMD_GLOBAL_SLIDE, 2},
        {20, 3, TKCMD_KEY_OFF, 3},              {21, 9, TKCMD_ENV_POS, 9},
        {25, 0x40, TKCMD_PAN_SLIDE, 0x40},      {27, 0x13, TKCMD_RETRIG, 0x13},
        {29, 0x11, TKCMD_TREMOR, 0x11},         {33, 0x12, TKCMD_XFINE_PORTA, 0x12},
        {18, 1, 0, 0},                          {19, 1, 0, 0},
        {34, 1, 0, 0},                          {0xF + 100, 1, 0, 0},
    };
    for (const Case &c : cases) {
        int p = c.param;
        EXPECT_EQ(TkmodXmCommandRemap(c.command, &p), c.want) << c.command << " " << c.param;
        EXPECT_EQ(p, c.wantParam) << c.command << " " << c.param;
    }
}

// ---------------------------------------------------------------- own format

TEST_F(TkmodLoadTest, OwnFormatStructure)
{
    OwnDesc desc;
    desc.name = "kit own song that runs on and on";
    desc.orders = {0, 0};
    desc.restart = 1;
    desc.flags = TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_LINEAR;
    desc.panning = {10, 250};
    OwnInstrumentDesc ins;
    ins.map[10] = 7;  // no such sample
    ins.map[20] = 1;
    ins.volEnv.points = {{0, 64}, {5, 20}};
    ins.volEnv.flags = TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN;
    ins.volEnv.sustain = 1;
    ins.panEnv.points = {{0, 32}};
    ins.panEnv.sustain = 3;  // past the point: sustain dropped
    ins.panEnv.flags = TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN;
    ins.fadeout = 300;
    desc.instruments = {ins};
    OwnSampleDesc s0;
    s0.length = 4;
    s0.loopStart = 1;
    s0.loopEnd = 9;
    s0.loopType = 1;
    s0.extra = "abcd";
    s0.volume = 33;
    s0.panning = 99;
    s0.relativeNote = -3;
    s0.c2spd = 150;
    s0.data = "\x80\x90\xA0\xB0";
    OwnSampleDesc s1;
    s1.length = 2;
    s1.bits = 16;
    s1.data = std::string("\x34\x12\xCD\xAB", 4);
    desc.samples = {s0, s1, OwnSampleDesc()};
    desc.patternRows = {2};
    desc.patterns = {{At(0, 0, 49, 1, 0x30, 12, 0x1234), At(1, 1, -2, 5, 0, 50, 7)}};
    TkmodModule *m = Load("song.tkm", OwnBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();

    EXPECT_STREQ(m->name, std::string(desc.name, 0, 28).c_str());
    EXPECT_EQ(m->orderCount, 2);
    EXPECT_EQ(m->restart, 1);
    EXPECT_EQ(m->channelCount, 2);
    EXPECT_EQ(m->flags, TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_LINEAR);
    EXPECT_EQ(m->panning[0], 10);
    EXPECT_EQ(m->panning[1], 250);
    ASSERT_EQ(m->instrumentCount, 1);
    EXPECT_EQ(m->instruments[0].noteMap[0], 0);
    EXPECT_EQ(m->instruments[0].noteMap[10], -1);
    EXPECT_EQ(m->instruments[0].noteMap[20], 1);
    EXPECT_EQ(m->instruments[0].volEnv.count, 2);
    EXPECT_EQ(m->instruments[0].volEnv.val[1], 20);
    EXPECT_EQ(m->instruments[0].volEnv.flags, TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN);
    EXPECT_EQ(m->instruments[0].panEnv.flags, TKMOD_ENV_ON);
    EXPECT_EQ(m->instruments[0].fadeout, 300);

    ASSERT_EQ(m->sampleCount, 3);
    const TkmodSampleInfo &a = m->samples[0];
    EXPECT_EQ(a.length, 4);
    EXPECT_EQ(a.loopStart, 1);
    EXPECT_EQ(a.loopEnd, 4);  // clamped to the sample
    EXPECT_EQ(std::string((const char *)a.extra, 4), "abcd");
    EXPECT_EQ(a.volume, 33);
    EXPECT_EQ(a.panning, 99);
    EXPECT_EQ(a.relativeNote, -3);
    EXPECT_EQ(a.tune, 150);
    EXPECT_EQ(SampleBytes(m, 0), (std::vector<int>{0x80, 0x90, 0xA0, 0xB0}));
    EXPECT_EQ(m->samples[1].sample->bits, 16);
    const uint16_t *w = (const uint16_t *)m->samples[1].sample->data;
    EXPECT_EQ(w[0], 0x1234);
    EXPECT_EQ(w[1], 0xABCD);
    EXPECT_EQ(m->samples[2].length, 0);

    EXPECT_EQ(Cell(m, 0, 0, 0).note, 49);
    EXPECT_EQ(Cell(m, 0, 0, 0).sample, 1);
    EXPECT_EQ(Cell(m, 0, 0, 0).volume, 0x30);
    EXPECT_EQ(Cell(m, 0, 0, 0).command, 12);
    EXPECT_EQ(Cell(m, 0, 0, 0).param, 0x1234);
    EXPECT_EQ(Cell(m, 0, 1, 1).note, TKMOD_NOTE_OFF);
    // Instrument 5 of 1 and a command the player does not know are kept as
    // the file gives them; the player skips both.
    EXPECT_EQ(Cell(m, 0, 1, 1).sample, 5);
    EXPECT_EQ(Cell(m, 0, 1, 1).command, 50);
}

TEST_F(TkmodLoadTest, OwnFormatPeriodsAndRuns)
{
    // Without instruments notes are stored as Amiga periods.
    OwnDesc desc;
    desc.samples = {OwnSampleDesc()};
    desc.samples[0].length = 1;
    desc.patterns = {{At(0, 1, 428, 1, 0, 0, 0)}};
    TkmodModule *m = Load("periods.tkm", OwnBytes(desc));
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    EXPECT_EQ(Cell(m, 0, 0, 1).note, 8363);
    EXPECT_EQ(Cell(m, 0, 0, 0).note, 0);

    // Five channels, one row: 0x85 and five values fill five entries; 0x05 leaves
    // five zeros; a run of seven values is cut at the pattern and the next pattern
    // still starts in the right place.
    OwnDesc runs;
    runs.channels = 5;
    runs.flags = TKMOD_FLAG_INSTRUMENTS;
    runs.patternCountOverride = 2;
    Bytes raw;
    raw.U16Le(1).Raw(std::string("\x85\x01\x02\x03\x04\x05", 6)).U8(0x05);
    raw.Raw(std::string("\x87\x11\x12\x13\x14\x15\x16\x17", 8)).U8(0x05).U8(0x05);
    raw.U16Le(1).U8(0x81).U8(0x30).U8(0x04).U8(0x05).U8(0x05).U8(0x05).U8(0x05);
    runs.rawPatterns = raw.b;
    m = Load("runs.tkm", OwnBytes(runs));
    ASSERT_NE(m, nullptr) << TkmodErrorText();
    for (int c = 0; c < 5; c++) {
        EXPECT_EQ(Cell(m, 0, 0, c).note, c + 1);
        EXPECT_EQ(Cell(m, 0, 0, c).sample, 0);
        EXPECT_EQ(Cell(m, 0, 0, c).volume, 0x11 + c);
    }
    EXPECT_EQ(Cell(m, 1, 0, 0).note, 0x30);
    EXPECT_EQ(Cell(m, 1, 0, 1).note, 0);
}

TEST_F(TkmodLoadTest, OwnFormatLoadsFromADatafile)
{
    OwnDesc desc;
    desc.name = "in a datafile";
    std::string bytes = OwnBytes(desc);
    PACKFILE *f = pack_fopen("music.dat", F_WRITE_NOPACK);
    ASSERT_NE(f, nullptr);
    pack_mputl(DAT_MAGIC, f);
    pack_mputl(1, f);
    pack_mputl(DAT_ID('T', 'K', 'M', ' '), f);
    PACKFILE *chunk = pack_fopen_chunk(f, FALSE);
    pack_fwrite(bytes.data(), (long)bytes.size(), chunk);
    f = pack_fclose_chunk(chunk);
    pack_fclose(f);

    TkmodDatafileRegister();
    TkmodDatafileRegister();
    DATAFILE *dat = load_datafile("music.dat");
    ASSERT_NE(dat, nullptr);
    EXPECT_EQ(dat[0].type, DAT_ID('T', 'K', 'M', ' '));
    ASSERT_NE(dat[0].dat, nullptr);
    EXPECT_STREQ(((TkmodModule *)dat[0].dat)->name, "in a datafile");
    unload_datafile(dat);
}

// ---------------------------------------------------------------- probing

TEST_F(TkmodLoadTest, ContentDecidesTheFormatAndInfoNamesIt)
{
    S3mDesc s3m;
    s3m.name = "scream name";
    XmDesc xm;
    xm.name = "extended name";
    ModDesc mod;
    mod.name = "mod name";
    OwnDesc own;
    own.name = "own name";
    struct Case {
        const char *file;
        std::string bytes;
        int type;
        const char *typeName, *song;
        int channels;
    } cases[] = {
        {"a.mod", ModBytes(mod), TKMOD_TYPE_MOD31, "MOD (31 Samples)", "mod name", 4},
        {"b.s3m", S3mBytes(s3m), TKMOD_TYPE_S3M, "S3M", "scream name", 2},
        {"c.xm", XmBytes(xm), TKMOD_TYPE_XM, "XM", "extended name", 2},
        {"d.tkm", OwnBytes(own), TKMOD_TYPE_OWN, "TKM", "own name", 2},
        {"e.umx", UmxWrap(XmBytes(xm), 100), TKMOD_TYPE_UMX_XM, "Unreal XM (UMX)", "extended name", 2},
        {"f.umx", UmxWrap(S3mBytes(s3m), 300), TKMOD_TYPE_UMX_S3M, "Unreal S3M (UMX)", "scream name", 2},
        {"music.xm", S3mBytes(s3m), TKMOD_TYPE_S3M, "S3M", "scream name", 2},  // the name says XM
        {"music.mod", XmBytes(xm), TKMOD_TYPE_XM, "XM", "extended name", 2},
    };
    for (const Case &c : cases) {
        TkmodModule *m = Load(c.file, c.bytes);
        ASSERT_NE(m, nullptr) << c.file << ": " << TkmodErrorText();
        EXPECT_STREQ(m->name, c.song) << c.file;
        EXPECT_EQ(m->channelCount, c.channels) << c.file;
        TkmodInfo info;
        ASSERT_EQ(TkmodInfoGet(c.file, &info), 1) << c.file;
        EXPECT_EQ(info.type, c.type) << c.file;
        EXPECT_STREQ(info.typeName, c.typeName) << c.file;
        EXPECT_STREQ(info.songName, c.song) << c.file;
    }
}

TEST_F(TkmodLoadTest, ItIsRecognisedButNotLoaded)
{
    Bytes it;
    it.Raw("IMPM").Text("an impulse song", 26).Zeros(200);
    for (const auto &[file, bytes, type] : {std::make_tuple("a.it", it.b, (int)TKMOD_TYPE_IT),
                                            std::make_tuple("b.umx", UmxWrap(it.b, 40), (int)TKMOD_TYPE_UMX_IT)}) {
        Write(file, bytes);
        CaptureStdoutBegin();
        EXPECT_EQ(TkmodLoad(file), nullptr);
        EXPECT_EQ(CaptureStdoutEnd(), "an impulse song\n");
        EXPECT_STREQ(TkmodErrorText(), "IT support is not completed yet. Wait a few more versions");
        TkmodInfo info;
        ASSERT_EQ(TkmodInfoGet(file, &info), 1);
        EXPECT_EQ(info.type, type);
        EXPECT_STREQ(info.songName, "an impulse song");
    }
}

TEST_F(TkmodLoadTest, UnknownFilesAndFarPackageSignaturesAreRefused)
{
    XmDesc xm;
    struct Case {
        const char *file;
        std::string bytes;
    } cases[] = {
        {"far.umx", UmxWrap(XmBytes(xm), 600)},
        {"noise.mod", std::string(3000, 'x')},
        {"empty.xm", ""},
        {"short.xm", "Extended"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Load(c.file, c.bytes), nullptr) << c.file;
        EXPECT_STREQ(TkmodErrorText(), "Unsupported MOD type or unable to open file") << c.file;
        TkmodInfo info;
        EXPECT_EQ(TkmodInfoGet(c.file, &info), -1) << c.file;
    }
    EXPECT_EQ(TkmodLoad("missing.xm"), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unsupported MOD type or unable to open file");
    EXPECT_EQ(TkmodOwnLoad("missing.tkm"), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unable to open missing.tkm");
    EXPECT_EQ(TkmodXmLoad("missing.xm", 0), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unable to open missing.xm");
    EXPECT_EQ(TkmodModLoad("missing.mod", 31), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unable to open missing.mod");

    // A package tag right before the signature is found; S3M needs room for its header.
    const std::string near = UmxWrap(XmBytes(xm), 0);
    EXPECT_EQ(TkmodXmUmxDetect((const unsigned char *)near.data(), (long)near.size()), 4);
    const std::string edge = UmxWrap(XmBytes(xm), TKMOD_UMX_SEARCH - 17);
    EXPECT_EQ(TkmodXmUmxDetect((const unsigned char *)edge.data(), (long)edge.size()), 4 + TKMOD_UMX_SEARCH - 17);
    const std::string past = UmxWrap(XmBytes(xm), TKMOD_UMX_SEARCH - 16);
    EXPECT_EQ(TkmodXmUmxDetect((const unsigned char *)past.data(), (long)past.size()), -1);
}

TEST_F(TkmodLoadTest, BadCountsAndIndexesFailWithTheirTexts)
{
    auto xmWith = [](auto change) {
        XmDesc s;
        change(s);
        return XmBytes(s);
    };
    auto ownWith = [](auto change) {
        OwnDesc s;
        change(s);
        return OwnBytes(s);
    };
    S3mDesc allOff;
    allOff.channelSettings = {255, 128, 32};
    S3mDesc manyOrders;
    manyOrders.orders = std::vector<int>(257, 0);
    ModDesc noSig;
    noSig.signature = "NONE";
    struct Case {
        const char *file;
        std::string bytes;
        const char *text;
    } cases[] = {
        {"c0.xm", xmWith([](XmDesc &s) { s.channels = 0; }), "Bad channel count in c0.xm"},
        {"c65.xm", xmWith([](XmDesc &s) { s.channels = 65; }), "Bad channel count in c65.xm"},
        {"o.xm", xmWith([](XmDesc &s) { s.orders = std::vector<int>(257, 0); }), "Too many orders in o.xm"},
        {"r0.xm", xmWith([](XmDesc &s) { s.patternRows = {0}; }), "Bad pattern row count in r0.xm"},
        {"r257.xm", xmWith([](XmDesc &s) { s.patternRows = {257}; }), "Bad pattern row count in r257.xm"},
        {"i.xm", xmWith([](XmDesc &s) { s.instruments.resize(256); }), "Too many instruments in i.xm"},
        {"off.s3m", S3mBytes(allOff), "No channels in off.s3m"},
        {"o.s3m", S3mBytes(manyOrders), "Too many orders in o.s3m"},
        {"bits.tkm", ownWith([](OwnDesc &s) {
             s.samples.resize(1);
             s.samples[0].length = 2;
             s.samples[0].bits = 12;
         }),
         "Bad sample bits in bits.tkm"},
        {"rows.tkm", ownWith([](OwnDesc &s) { s.patternRows = {0}; }), "Bad pattern row count in rows.tkm"},
        {"ch.tkm", ownWith([](OwnDesc &s) { s.channels = 65; }), "Bad channel count in ch.tkm"},
        {"cut.tkm", ownWith([](OwnDesc &s) { s.patternCountOverride = 3; }), "cut.tkm is cut short in its patterns"},
        {"smp.tkm", ownWith([](OwnDesc &) {}).replace(18 + 30 + 8, 2, "\xFF\xFF"), "Too many samples in smp.tkm"},
        {"nosig.mod", ModBytes(noSig), "Unsupported MOD type or unable to open file"},
    };
    for (const Case &c : cases) {
        Write(c.file, c.bytes);
        EXPECT_EQ(TkmodLoad(c.file), nullptr) << c.file;
        EXPECT_STREQ(TkmodErrorText(), c.text) << c.file;
    }
    // The probe takes only known signatures, so a MOD without one is asked for by hand.
    EXPECT_EQ(TkmodModLoad("nosig.mod", 31), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "Unsupported MOD type or unable to open file");
    Write("tiny.mod", std::string(100, '\0'));
    EXPECT_EQ(TkmodModLoad("tiny.mod", 31), nullptr);
    EXPECT_STREQ(TkmodErrorText(), "tiny.mod is too short for a MOD");
}
