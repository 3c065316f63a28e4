// Sound library without sound hardware: driver names, WAV and sound files, start and stop, channels on the no-sound drivers, volumes.
#include <gtest/gtest.h>

#include <allegro.h>
#include <string>
#include <vector>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/vfile.h"
#include "support/deftext.h"
#include "support/sndkit.h"
#include "support/testkit.h"

class SndTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
    }
    void TearDown() override
    {
        SndRemove();
        SndSetState(0);
        SndSetLoadToMemory(0);
        SndSetReverseStereo(0);
        LibSetError(0);
        TempDirTest::TearDown();
    }
};

// ---------------------------------------------------------------- driver names

TEST(SndDriverNames, DigitalNamesInAnyCase)
{
    struct Case {
        const char *name;
        int id;
    } cases[] = {
        {"none", DIGI_NONE},     {"NONE", DIGI_NONE},       {"auto", DIGI_AUTODETECT}, {"Auto", DIGI_AUTODETECT},
        {"dx0", DIGI_ALSA},      {"DX3", DIGI_ALSA},        {"dxa9", DIGI_ALSA},       {"DXA2", DIGI_ALSA},
        {"waveoutA", DIGI_OSS},  {"WAVEOUTB", DIGI_OSS},    {"dx10", SND_DRIVER_INVALID},
        {"dx", SND_DRIVER_INVALID}, {"dxa", SND_DRIVER_INVALID}, {"dxx", SND_DRIVER_INVALID},
        {"dxa12", SND_DRIVER_INVALID}, {"waveoutC", SND_DRIVER_INVALID}, {"waveout", SND_DRIVER_INVALID},
        {"", SND_DRIVER_INVALID}, {"-1", SND_DRIVER_INVALID}, {"mapper", SND_DRIVER_INVALID},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SndDigiDriverParse(c.name), c.id) << c.name;
    EXPECT_EQ(SndDigiDriverParse(nullptr), SND_DRIVER_INVALID);
}

TEST(SndDriverNames, MidiNamesInAnyCase)
{
    struct Case {
        const char *name;
        int id;
    } cases[] = {
        {"none", MIDI_NONE},        {"auto", MIDI_AUTODETECT},   {"AUTO", MIDI_AUTODETECT},
        {"mapper", MIDI_ALSA},      {"Mapper", MIDI_ALSA},       {"mid0", MIDI_ALSA},
        {"MID9", MIDI_ALSA},        {"digmid", MIDI_DIGMID},     {"DIGMID", MIDI_DIGMID},
        {"mid", SND_DRIVER_INVALID}, {"mid10", SND_DRIVER_INVALID}, {"midx", SND_DRIVER_INVALID},
        {"dx0", SND_DRIVER_INVALID}, {"", SND_DRIVER_INVALID},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SndMidiDriverParse(c.name), c.id) << c.name;
    EXPECT_EQ(SndMidiDriverParse(nullptr), SND_DRIVER_INVALID);
}

TEST(SndDriverNames, ConfigTextNamesTheDriversThatHaveCodes)
{
    char text[128];
    SndConfigText(-1, -1, text, sizeof text);
    EXPECT_STREQ(text, "");
    SndConfigText(0, 0, text, sizeof text);
    EXPECT_STREQ(text, "[sound]\ndigi_card=0\nmidi_card=0\n");
    SndConfigText(DIGI_ALSA, -1, text, sizeof text);
    EXPECT_STREQ(text, "[sound]\ndigi_card=ALSA\n");
    SndConfigText(-1, MIDI_DIGMID, text, sizeof text);
    EXPECT_STREQ(text, "[sound]\nmidi_card=DIGI\n");
    SndConfigText(DIGI_OSS, MIDI_ALSA, text, sizeof text);
    EXPECT_STREQ(text, "[sound]\ndigi_card=OSSD\nmidi_card=AMID\n");
    // An id ending in blanks is written without them.
    SndConfigText(AL_ID('D', 'X', 'A', ' '), -1, text, sizeof text);
    EXPECT_STREQ(text, "[sound]\ndigi_card=DXA\n");
    SndConfigText(0, 0, text, 12);
    EXPECT_STREQ(text, "[sound]\ndig");
}

// ---------------------------------------------------------------- WAV

static void ExpectSampleIs(const SAMPLE *s, int bits, int stereo, int freq, int frames, int seed)
{
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bits, bits);
    EXPECT_EQ(s->stereo, stereo);
    EXPECT_EQ(s->freq, freq);
    ASSERT_EQ((int)s->len, frames);
    int values = frames * (stereo ? 2 : 1);
    for (int i = 0; i < values; i++) {
        int got = bits == 8 ? ((const unsigned char *)s->data)[i] : ((const unsigned short *)s->data)[i];
        ASSERT_EQ(got, WavSawValue(i, bits, seed)) << "value " << i;
    }
}

TEST_F(SndTest, WavFormatsAndChunks)
{
    // 16-bit stereo, 400 data bytes: 100 frames, signed values stored unsigned.
    VFile *vf = DefMemVFile(WavMake(2, 16, 44100, WavSaw(100, 2, 16, 3)));
    SAMPLE *s = SndWavRead(vf);
    ExpectSampleIs(s, 16, 1, 44100, 100, 3);
    EXPECT_EQ(VFileTell(vf), 0);
    destroy_sample(s);
    VFileClose(vf);

    vf = DefMemVFile(WavMake(1, 8, 11025, WavSaw(37, 1, 8, 5)));
    s = SndWavRead(vf);
    ExpectSampleIs(s, 8, 0, 11025, 37, 5);
    destroy_sample(s);
    VFileClose(vf);

    // No fmt chunk: 22050 Hz, 8-bit mono.
    vf = DefMemVFile(WavRiff(WavChunk("data", WavSaw(20, 1, 8, 1))));
    s = SndWavRead(vf);
    ExpectSampleIs(s, 8, 0, 22050, 20, 1);
    destroy_sample(s);
    VFileClose(vf);

    // A longer fmt chunk, other chunks before the data, and an odd byte left
    // over in 16-bit mono data.
    std::string chunks = WavChunk("fmt ", WavFmtBody(1, 1, 8000, 16, std::string("\x00\x00", 2))) +
                         WavChunk("LIST", "INFOabcd") + WavChunk("fact", "1234") +
                         WavChunk("data", WavSaw(9, 1, 16, 7) + "x") + WavChunk("junk", "zz");
    vf = DefMemVFile(WavRiff(chunks));
    s = SndWavRead(vf);
    ExpectSampleIs(s, 16, 0, 8000, 9, 7);
    destroy_sample(s);
    VFileClose(vf);

    // A later data chunk makes a new sample in the format read by then; the
    // last one is returned.
    vf = DefMemVFile(WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, 8000, 8)) + WavChunk("data", WavSaw(4, 1, 8, 2)) +
                             WavChunk("fmt ", WavFmtBody(1, 2, 11025, 16)) + WavChunk("data", WavSaw(50, 2, 16, 9))));
    s = SndWavRead(vf);
    ExpectSampleIs(s, 16, 1, 11025, 50, 9);
    destroy_sample(s);
    VFileClose(vf);
}

TEST_F(SndTest, DataLongerThanTheStreamIsCutShort)
{
    std::string fmt8 = WavChunk("fmt ", WavFmtBody(1, 1, 8000, 8));
    std::string fmt16 = WavChunk("fmt ", WavFmtBody(1, 2, 8000, 16));
    struct Case {
        const char *what;
        std::string bytes;
        int bits, stereo, frames;
    } cases[] = {
        {"one byte over", WavRiff(fmt8 + WavChunkLen("data", 11, WavSaw(10, 1, 8, 4))), 8, 0, 10},
        {"length above 2 GB", WavRiff(fmt8 + WavChunkLen("data", -4, WavSaw(10, 1, 8, 4))), 8, 0, 10},
        {"16-bit stereo with an odd byte", WavRiff(fmt16 + WavChunkLen("data", 1000, WavSaw(10, 2, 16, 4) + "x")), 16, 1, 10},
        {"nothing left", WavRiff(fmt8 + WavChunkLen("data", 50, "")), 8, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        VFile *vf = DefMemVFile(std::string(5, 'z') + c.bytes);
        ASSERT_EQ(VFileSeek(vf, 5, 0), 0);
        SAMPLE *s = SndWavRead(vf);
        ExpectSampleIs(s, c.bits, c.stereo, 8000, c.frames, 4);
        EXPECT_EQ(VFileTell(vf), 5);
        if (s)
            destroy_sample(s);
        VFileClose(vf);
    }
}

TEST_F(SndTest, WavInsideALargerStreamOnDisk)
{
    std::string wav = WavMake(1, 8, 8000, WavSaw(16, 1, 8, 4));
    WriteFileText("w.bin", std::string(100, 'p') + wav + std::string(30, 'q'));
    VFile *vf = VFileOpen("w.bin", "rb");
    ASSERT_NE(vf, nullptr);
    ASSERT_EQ(VFileSeek(vf, 100, 0), 0);
    SAMPLE *s = SndWavRead(vf);
    ExpectSampleIs(s, 8, 0, 8000, 16, 4);
    EXPECT_EQ(VFileTell(vf), 100);
    destroy_sample(s);
    VFileClose(vf);
}

TEST_F(SndTest, BadWavGivesNullAndKeepsThePosition)
{
    std::string data = WavSaw(10, 1, 8, 0);
    std::string fmt8 = WavChunk("fmt ", WavFmtBody(1, 1, 8000, 8));
    std::string riffWrong = WavMake(1, 8, 8000, data);
    riffWrong[0] = 'r';
    std::string waveWrong = WavMake(1, 8, 8000, data);
    waveWrong[11] = 'X';
    struct Case {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"short header", "RIFF\x10\x00"},
        {"not RIFF", riffWrong},
        {"not WAVE", waveWrong},
        {"format tag 3", WavRiff(WavChunk("fmt ", WavFmtBody(3, 1, 8000, 8)) + WavChunk("data", data))},
        {"3 channels", WavRiff(WavChunk("fmt ", WavFmtBody(1, 3, 8000, 8)) + WavChunk("data", data))},
        {"24 bits", WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, 8000, 24)) + WavChunk("data", data))},
        {"rate 0", WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, 0, 8)) + WavChunk("data", data))},
        {"negative rate", WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, -8000, 8)) + WavChunk("data", data))},
        {"fmt shorter than its fields", WavRiff(WavChunkLen("fmt ", 12, WavFmtBody(1, 1, 8000, 8)) + WavChunk("data", data))},
        {"fmt cut by the end", WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, 8000, 8)).substr(0, 14))},
        {"fmt skip past the end", WavRiff(WavChunkLen("fmt ", 5000, WavFmtBody(1, 1, 8000, 8)) + WavChunk("data", data))},
        {"no data chunk", WavRiff(fmt8 + WavChunk("LIST", "abcd"))},
        {"data length cut", WavRiff(fmt8) + "data\x05"},
        {"zero-length chunk before data", WavRiff(fmt8 + WavChunkLen("LIST", 0, "") + WavChunk("data", data))},
        {"negative chunk before data", WavRiff(fmt8 + WavChunkLen("LIST", -8, "") + WavChunk("data", data))},
        {"chunk skip past the end", WavRiff(fmt8 + WavChunkLen("LIST", 100000, "") + WavChunk("data", data))},
    };
    for (const Case &c : cases) {
        std::string prefix(7, 'z');
        VFile *vf = DefMemVFile(prefix + c.bytes);
        ASSERT_EQ(VFileSeek(vf, 7, 0), 0);
        SAMPLE *s = SndWavRead(vf);
        EXPECT_EQ(s, nullptr) << c.what;
        EXPECT_EQ(VFileTell(vf), 7) << c.what;
        if (s)
            destroy_sample(s);
        VFileClose(vf);
    }
}

TEST_F(SndTest, ChunksPastTheRiffSizeAreNotRead)
{
    // The RIFF size ends before the data chunk: the chunk walk stops once a
    // skip lands beyond it.
    std::string bytes =
        WavRiff(WavChunk("fmt ", WavFmtBody(1, 1, 8000, 8)) + WavChunk("LIST", "abcd")) + WavChunk("data", "abcd");
    PatchLe32(bytes, 4, 4 + 24);  // "WAVE" and the fmt chunk only
    VFile *vf = DefMemVFile(bytes);
    EXPECT_EQ(SndWavRead(vf), nullptr);
    VFileClose(vf);
}

// ---------------------------------------------------------------- sound files

static SndEntry Sound(int group, int number, int frames, int seed, int bits = 8, int channels = 1)
{
    SndEntry e;
    e.group = group;
    e.number = number;
    e.wav = WavMake(channels, bits, 11025, WavSaw(frames, channels, bits, seed));
    return e;
}

TEST_F(SndTest, SoundFileKeysAndSamples)
{
    std::vector<SndEntry> sounds = {Sound(0, 0, 10, 1), Sound(5, 2, 33, 2, 16, 2), Sound(-1, 7, 1, 3)};
    SndOptions opt;
    opt.prefix = std::string(40, 'x');
    VFile *vf = DefMemVFile(SndFileBytes(sounds, opt));
    ASSERT_EQ(VFileSeek(vf, 40, 0), 0);
    SndSet *set = SndFileRead(vf);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(VFileTell(vf), 40);
    EXPECT_EQ(set->samples->used, 3);
    ExpectSampleIs(SndSetFind(set, 0, 0), 8, 0, 11025, 10, 1);
    ExpectSampleIs(SndSetFind(set, 5, 2), 16, 1, 11025, 33, 2);
    ExpectSampleIs(SndSetFind(set, -1, 7), 8, 0, 11025, 1, 3);
    EXPECT_EQ(SndSetFind(set, 5, 3), nullptr);
    SndSetFree(set);
    VFileClose(vf);
}

TEST_F(SndTest, SoundFileWithNoSoundsIsAnEmptySet)
{
    VFile *vf = DefMemVFile(SndFileBytes({}));
    SndSet *set = SndFileRead(vf);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->samples->used, 0);
    SndSetFree(set);
    VFileClose(vf);
}

TEST_F(SndTest, BadSoundFilesGiveNull)
{
    std::vector<SndEntry> two = {Sound(1, 1, 8, 1), Sound(1, 2, 8, 2)};
    std::string good = SndFileBytes(two);
    size_t sub1 = SndSubheaderOffset(two, 1);

    auto with = [&](auto change) {
        std::string b = good;
        change(b);
        return b;
    };
    SndOptions magic;
    magic.magic = std::string("TarnwickSndX", 12);
    SndOptions otherMagic;
    otherMagic.magic = std::string("TarnwickSpr", 12);
    std::vector<SndEntry> dup = {Sound(3, 4, 8, 1), Sound(3, 4, 9, 2)};
    std::vector<SndEntry> badWav = {Sound(1, 1, 8, 1), Sound(1, 2, 8, 2)};
    badWav[1].wav[8] = 'X';  // "WAVX"

    struct Case {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"short header", good.substr(0, 511)},
        {"magic without its zero byte", SndFileBytes(two, magic)},
        {"other magic", SndFileBytes(two, otherMagic)},
        {"negative count", with([](std::string &b) { PatchLe32(b, 16, -1); })},
        {"count beyond the file", with([](std::string &b) { PatchLe32(b, 16, 0x7FFFFFFF); })},
        {"count one more than the chain", with([](std::string &b) { PatchLe32(b, 16, 3); })},
        {"first offset negative", with([](std::string &b) { PatchLe32(b, 20, -16); })},
        {"first offset past the end", with([&](std::string &b) { PatchLe32(b, 20, (int32_t)b.size()); })},
        {"first offset huge", with([](std::string &b) { PatchLe32(b, 20, 0x7FFFFFF0); })},
        {"next offset past the end", with([&](std::string &b) { PatchLe32(b, 512, (int32_t)b.size() - 8); })},
        {"subheader cut", good.substr(0, sub1 + 10)},
        {"bad WAV", SndFileBytes(badWav)},
        {"same key twice", SndFileBytes(dup)},
    };
    for (const Case &c : cases) {
        VFile *vf = DefMemVFile(c.bytes);
        SndSet *set = SndFileRead(vf);
        EXPECT_EQ(set, nullptr) << c.what;
        EXPECT_EQ(VFileTell(vf), 0) << c.what;
        SndSetFree(set);
        VFileClose(vf);
    }
}

TEST_F(SndTest, SoundFileWhoseLastWavIsCutStillLoads)
{
    // The last sound's data chunk claims 3 bytes more than the file holds:
    // its samples end with the file, and the character's sounds all load.
    std::vector<SndEntry> two = {Sound(1, 1, 8, 1), Sound(1, 2, 8, 2)};
    std::string bytes = SndFileBytes(two);
    WriteFileText("cut.snd", bytes.substr(0, bytes.size() - 3));
    SndSet *set = SndSetLoad("cut.snd");
    ASSERT_NE(set, nullptr);
    ExpectSampleIs(SndSetFind(set, 1, 1), 8, 0, 11025, 8, 1);
    ExpectSampleIs(SndSetFind(set, 1, 2), 8, 0, 11025, 5, 2);
    SndSetFree(set);
}

TEST_F(SndTest, SetLoadByExtension)
{
    WriteFileText("Sounds.SND", SndFileBytes({Sound(2, 3, 12, 5)}));
    WriteFileText("one.wav", WavMake(1, 8, 8000, WavSaw(6, 1, 8, 6)));
    WriteFileText("one.txt", WavMake(1, 8, 8000, WavSaw(6, 1, 8, 6)));
    WriteFileText("bad.wav", "RIFF");
    for (int memory = 0; memory < 2; memory++) {
        SndSetLoadToMemory(memory);
        SndSet *set = SndSetLoad("sounds.snd");
        ASSERT_NE(set, nullptr) << memory;
        ExpectSampleIs(SndSetFind(set, 2, 3), 8, 0, 11025, 12, 5);
        SndSetFree(set);

        set = SndSetLoad("one.wav");
        ASSERT_NE(set, nullptr) << memory;
        EXPECT_EQ(set->samples->capacity, 1);
        ExpectSampleIs(SndSetFind(set, 0, 0), 8, 0, 8000, 6, 6);
        SndSetFree(set);

        EXPECT_EQ(SndSetLoad("one.txt"), nullptr);
        EXPECT_EQ(SndSetLoad("bad.wav"), nullptr);
        EXPECT_EQ(SndSetLoad("missing.wav"), nullptr);
    }
    EXPECT_EQ(SndSetLoad(nullptr), nullptr);
}

TEST_F(SndTest, SetAddRefusesAFullSetAndAKeyTwice)
{
    SndSet *set = SndSetCreate(2);
    ASSERT_NE(set, nullptr);
    SAMPLE *a = create_sample(8, 0, 8000, 4);
    SAMPLE *b = create_sample(8, 0, 8000, 4);
    SAMPLE *c = create_sample(8, 0, 8000, 4);
    EXPECT_EQ(SndSetAdd(set, a, 1, 1), 1);
    EXPECT_EQ(SndSetAdd(set, b, 1, 1), 0);
    EXPECT_EQ(SndSetAdd(set, b, 1, 2), 1);
    EXPECT_EQ(SndSetAdd(set, c, 1, 3), 0);
    EXPECT_EQ(SndSetFind(set, 1, 2), b);
    SndSampleDestroy(c);
    SndSampleDestroy(nullptr);
    SndSetFree(set);
    SndSetFree(nullptr);
    EXPECT_EQ(SndSetCreate(-1), nullptr);
}

// ---------------------------------------------------------------- start and stop

TEST_F(SndTest, InstallAndRemoveWithTheNoSoundDrivers)
{
    LibSetError(LIB_ERR_FONTS);
    EXPECT_EQ(SndDigiDetect(0), 1);
    EXPECT_EQ(SndMidiDetect(0), 1);
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    EXPECT_EQ(LibGetError(), LIB_ERR_FONTS);  // the earlier code stands
    EXPECT_EQ(SndGetState(), 1);
    EXPECT_EQ(SndChannelCount(), 256);
    EXPECT_EQ(SndGetDigiVolume(), 127);
    EXPECT_EQ(SndGetMidiVolume(), 127);
    EXPECT_EQ(SndDigiDetect(0), 0);
    EXPECT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 0);
    for (int c = 0; c < 256; c++) {
        ASSERT_EQ(SndChannelVoice(c), -1);
        ASSERT_EQ(SndChannelIsFree(c), 1);
    }
    SndRemove();
    EXPECT_EQ(SndGetState(), 0);
    EXPECT_EQ(SndChannelCount(), 0);
    SndRemove();
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 0), 1);
    EXPECT_EQ(SndChannelCount(), 256);
}

TEST_F(SndTest, InstallFailsWhenTheDriverRefuses)
{
    // Without a system driver every id "detects" with 65535 voices of the
    // no-sound driver, which then refuses the 8 wave channels asked for.
    for (int digi : {DIGI_ALSA, DIGI_OSS, DIGI_AUTODETECT}) {
        LibSetError(0);
        EXPECT_EQ(SndInstall(digi, MIDI_NONE, 8), 0) << digi;
        EXPECT_EQ(LibGetError(), LIB_ERR_SOUND);
        EXPECT_EQ(SndGetState(), 0);
        EXPECT_EQ(SndChannelCount(), 0);
    }
    LibSetError(0);
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    EXPECT_EQ(LibGetError(), 0);
}

TEST_F(SndTest, EveryOperationWaitsForTheStateWord)
{
    SndSet *set = SndSetCreate(1);
    ASSERT_EQ(SndSetAdd(set, create_sample(8, 0, 8000, 4), 0, 0), 1);
    auto expectOff = [&](const char *when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(SndPlayKey(set, 0, 0, 100), -1);
        EXPECT_EQ(SndPlayKeyLoop(set, 0, 0, 100), -1);
        EXPECT_EQ(SndPlayKeyEx(set, 0, 0, 100, 0, 1000), -1);
        EXPECT_EQ(SndChannelLoad(0, set, 0, 0), -1);
        EXPECT_EQ(SndChannelPlayVol(0, set, 0, 0, 100), -1);
        EXPECT_EQ(SndPlayOnKey(5, set, 0, 0, 100), -1);
        EXPECT_EQ(SndLoadOnKey(5, set, 0, 0), -1);
        EXPECT_EQ(SndChannelReserve(1), 0);
        EXPECT_EQ(SndChannelReserveAny(), -1);
        EXPECT_EQ(SndChannelSetVolume(0, 10), -1);
        EXPECT_EQ(SndChannelGetVolume(0), 0);
        EXPECT_EQ(SndChannelSetFreq(0, 10), -1);
        EXPECT_EQ(SndChannelGetFreq(0), 0);
        EXPECT_EQ(SndChannelSetPan(0, 10), -1);
        EXPECT_EQ(SndChannelGetPan(0), 0);
        EXPECT_EQ(SndChannelSetLoop(0, 1), -1);
        EXPECT_EQ(SndChannelIsReserved(0), 0);
        EXPECT_EQ(SndChannelVoice(0), -1);
        EXPECT_EQ(SndChannelIsPlaying(0), 0);
        EXPECT_EQ(SndChannelIsFree(0), 0);
        EXPECT_EQ(SndChannelFindFree(), -1);
        EXPECT_EQ(SndKeyIsPlaying(5), 0);
        EXPECT_EQ(SndKeyFind(5), -1);
        EXPECT_EQ(SndMidiLoad("x.mid"), nullptr);
        EXPECT_EQ(SndMidiPlay(nullptr), -1);
        EXPECT_EQ(SndMidiPlayLooped(nullptr, 0, -1), -1);
        EXPECT_EQ(SndMidiSeek(0), -1);
        SndChannelStart(0);
        SndChannelStop(0);
        SndChannelStopAll();
        SndChannelRelease(0);
        SndChannelReleaseAll();
        SndKeyStart(5);
        SndKeyStop(5);
        SndKeyStop(-1);
        SndMidiStop();
        SndMidiPause();
        SndMidiResume();
    };
    expectOff("never started");
    SndSetState(1);
    expectOff("state word without a start");
    SndSetState(0);
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    ASSERT_EQ(SndPlayOnKey(5, set, 0, 0, 100), 0);
    SndSetState(0);
    expectOff("turned off");
    SndSetState(1);
    EXPECT_EQ(SndKeyFind(5), 0);
    SndRemove();
    expectOff("removed");
    SndSetFree(set);
}

// ---------------------------------------------------------------- channels (no voices play here)

TEST_F(SndTest, KeyedChannelsOnTheNoSoundDriver)
{
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    SndSet *set = SndSetCreate(2);
    SAMPLE *a = create_sample(8, 0, 8000, 100);
    SAMPLE *b = create_sample(16, 1, 22050, 100);
    ASSERT_TRUE(SndSetAdd(set, a, 1, 0) && SndSetAdd(set, b, 1, 1));

    // A fresh table has every owner key 0: key 0 finds channel 0.
    EXPECT_EQ(SndKeyFind(0), 0);
    // Reserving keeps the owner key: the key still finds its channel and
    // plays on it, while the search for a free channel passes it by.
    ASSERT_EQ(SndPlayOnKey(500, set, 1, 0, 90), 0);
    ASSERT_EQ(SndChannelReserve(0), 1);
    EXPECT_EQ(SndChannelReserve(0), 0);
    EXPECT_EQ(SndChannelIsReserved(0), 1);
    EXPECT_GE(SndChannelVoice(0), 0);
    EXPECT_EQ(SndKeyFind(500), 0);
    EXPECT_EQ(SndPlayOnKey(500, set, 1, 1, 90), 0);
    EXPECT_EQ(SndChannelIsReserved(0), 1);
    EXPECT_EQ(SndChannelFindFree(), 1);

    int ch = SndPlayOnKey(1000, set, 1, 0, 90);
    ASSERT_EQ(ch, 1);
    int voice = SndChannelVoice(1);
    ASSERT_GE(voice, 0);
    EXPECT_EQ(SndKeyFind(1000), 1);
    // The same key takes its own channel again, with the new sample.
    EXPECT_EQ(SndPlayOnKey(1000, set, 1, 1, 90), 1);
    // A missing sample plays nothing.
    EXPECT_EQ(SndPlayOnKey(1000, set, 9, 9, 90), -1);

    // Voices of this driver are always finished: another load reclaims the
    // channel (key -1), so a new key gets the first free channel.
    EXPECT_EQ(SndLoadOnKey(2000, set, 1, 0), 1);
    EXPECT_EQ(SndKeyFind(1000), -1);
    EXPECT_EQ(SndKeyFind(2000), 1);
    // A stop leaves key 0, which a later key-0 play finds.
    SndKeyStop(2000);
    EXPECT_EQ(SndKeyFind(2000), -1);
    EXPECT_EQ(SndKeyFind(0), 1);
    EXPECT_EQ(SndPlayOnKey(0, set, 1, 0, 90), 1);

    // Key -1 never owns a channel.
    EXPECT_EQ(SndKeyFind(-1), -1);
    EXPECT_EQ(SndKeyIsPlaying(-1), 0);
    EXPECT_EQ(SndPlayOnKey(-1, set, 1, 0, 90), 1);

    // A key stop reaches the reserved channel too; it stays reserved.
    SndKeyStop(500);
    EXPECT_EQ(SndKeyFind(500), -1);
    EXPECT_EQ(SndChannelIsReserved(0), 1);

    SndChannelRelease(0);
    EXPECT_EQ(SndChannelIsReserved(0), 0);
    EXPECT_EQ(SndChannelVoice(0), -1);
    EXPECT_EQ(SndChannelFindFree(), 0);
    SndSetFree(set);
}

TEST_F(SndTest, NoFreeChannelWhenAllAreReserved)
{
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    SndSet *set = SndSetCreate(1);
    ASSERT_EQ(SndSetAdd(set, create_sample(8, 0, 8000, 10), 0, 0), 1);
    for (int c = 0; c < 255; c++)
        ASSERT_EQ(SndChannelReserveAny(), c);
    // 255 voices are taken; the last channel still gets the 256th.
    EXPECT_EQ(SndPlayOnKey(7, set, 0, 0, 100), 255);
    EXPECT_EQ(SndChannelReserve(255), 1);
    EXPECT_EQ(SndChannelReserveAny(), -1);
    EXPECT_EQ(SndChannelFindFree(), -1);
    EXPECT_EQ(SndPlayOnKey(8, set, 0, 0, 100), -1);
    EXPECT_EQ(SndPlayOnKey(-1, set, 0, 0, 100), -1);
    // Key 7 still owns the channel it had before the reserve.
    EXPECT_EQ(SndPlayOnKey(7, set, 0, 0, 100), 255);
    SndChannelReleaseAll();
    for (int c = 0; c < 256; c++)
        ASSERT_EQ(SndChannelIsReserved(c), 0);
    EXPECT_EQ(SndPlayOnKey(7, set, 0, 0, 100), 0);
    SndSetFree(set);
}

TEST_F(SndTest, ChannelIndexOutsideTheTableDoesNothing)
{
    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    SndSet *set = SndSetCreate(1);
    ASSERT_EQ(SndSetAdd(set, create_sample(8, 0, 8000, 10), 0, 0), 1);
    for (int c : {-1, 256, 100000}) {
        EXPECT_EQ(SndChannelLoad(c, set, 0, 0), -1);
        EXPECT_EQ(SndChannelReserve(c), 0);
        EXPECT_EQ(SndChannelVoice(c), -1);
        EXPECT_EQ(SndChannelIsFree(c), 0);
        SndChannelStop(c);
        SndChannelRelease(c);
    }
    SndSetFree(set);
}

TEST_F(SndTest, ChannelLoadWithoutASetStops)
{
    EXPECT_DEATH(SndChannelLoad(0, nullptr, 0, 0), "Assert failure in snd-lib line 686");
    SndSet bare = {nullptr};
    EXPECT_DEATH(SndChannelLoad(0, &bare, 0, 0), "Assert failure in snd-lib line 686");
}

// ---------------------------------------------------------------- volumes

TEST_F(SndTest, VolumesClampAndMinusOneKeeps)
{
    struct Case {
        int digi, midi, wantDigi, wantMidi;
    } cases[] = {
        {100, 50, 100, 50}, {-1, 7, 100, 7}, {300, -1, 255, 7}, {-5, 256, 0, 255}, {255, 0, 255, 0}, {-1, -1, 255, 0},
    };
    for (int installed = 0; installed < 2; installed++) {
        if (installed) {
            ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
        }
        for (const Case &c : cases) {
            SndSetVolume(c.digi, c.midi);
            EXPECT_EQ(SndGetDigiVolume(), c.wantDigi) << c.digi;
            EXPECT_EQ(SndGetMidiVolume(), c.wantMidi) << c.midi;
        }
    }
}

TEST(SndHalfTest, TruncatesTowardZero)
{
    int cases[][2] = {{0, 0}, {1, 0}, {255, 127}, {-1, 0}, {-3, -1}, {100, 50}, {0x7FFFFFFF, 0x3FFFFFFF}};
    for (auto &c : cases)
        EXPECT_EQ(SndHalf(c[0]), c[1]) << c[0];
}
