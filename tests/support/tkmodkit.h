// Test kit: a recording voice device for the tracker player and byte writers for MOD, S3M, XM, UMX and own-format modules.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct SAMPLE;

// ---------------------------------------------------------------- fake device

struct FakeVoice {
    bool allocated = false;
    SAMPLE *sample = nullptr;
    bool playing = false;
    int volume = -1, pan = -1, freq = -1, position = 0, playmode = -1;
    int starts = 0;
    bool ended = false;  // voice_get_position gives -1
};

struct TkmodFake {
    std::vector<FakeVoice> voices;
    int allocLimit = 64;  // allocations beyond this many fail
    int allocations = 0;
    int timerInstalls = 0;
    long timerPeriod = 0;
    bool timerOn = false;
    // Called inside every volume change, while the player holds its lock.
    std::function<void()> onVolume;
};

// Resets the fake and makes it the player's device.
TkmodFake &TkmodFakeInstall();
TkmodFake &TkmodFakeGet();

// ---------------------------------------------------------------- bytes

struct Bytes {
    std::string b;
    Bytes &U8(int v);
    Bytes &U16Le(long v);
    Bytes &U16Be(long v);
    Bytes &U32Le(long long v);
    // The text padded with zeros (or cut) to n bytes.
    Bytes &Text(const std::string &s, size_t n);
    Bytes &Raw(const std::string &s);
    Bytes &Zeros(size_t n);
    size_t Size() const { return b.size(); }
};

// One pattern entry; each format reads the fields in its own units.
struct KitCell {
    int row = 0, channel = 0;
    int note = 0;    // MOD: Amiga period; S3M: note byte (255 none); XM: 1..97; own: note or period
    int sample = 0;  // 1-based, 0 none
    int volume = -1;  // S3M: 0..64 (-1 none); XM and own: the volume column byte
    int command = 0;  // MOD 0..15; S3M letter number (A = 1); XM 0..35; own internal
    int param = 0;
};
KitCell KitCellAt(int row, int channel, int note, int sample, int volume, int command, int param);

// ---------------------------------------------------------------- MOD

struct ModSampleDesc {
    std::string data;  // signed 8-bit as stored
    int lengthWords = -1;  // -1: from the data
    int finetune = 0, volume = 64;
    int loopStartWords = 0, loopLengthWords = 0;
};

struct ModDesc {
    std::string name = "kit mod";
    int samples = 31;
    std::vector<ModSampleDesc> sampleList;
    int orderCount = 1, restart = 0;
    std::vector<int> orders = {0};  // the rest of the 128 entries are 0
    std::string signature = "M.K.";
    int channels = 4;
    std::vector<std::vector<KitCell>> patterns = {{}};
    bool dropSampleData = false;  // end the file after the patterns
};
std::string ModBytes(const ModDesc &desc);

// ---------------------------------------------------------------- S3M

struct S3mSampleDesc {
    std::string data;  // as stored (unsigned unless the file says signed); 16-bit: 2 bytes a frame
    int volume = 64, c2spd = 8363;
    bool loop = false, sixteen = false;
    long loopStart = 0, loopEnd = 0;
    long lengthOverride = -1;
    bool tag = true;
    int type = 1;
};

struct S3mDesc {
    std::string name = "kit s3m";
    std::vector<int> orders = {0};
    int speed = 6, tempo = 125, globalVolume = 64;
    std::vector<int> channelSettings = {0, 8};  // the rest are 255 (off)
    int defaultPan = 0;            // 252: the pan bytes follow
    std::vector<int> pans;         // for defaultPan 252
    int fileFormat = 2;            // 1 signed samples
    std::vector<S3mSampleDesc> samples;
    std::vector<std::vector<KitCell>> patterns = {{}};
    int packedLengthCut = -1;      // write this packed length instead of the real one
};
std::string S3mBytes(const S3mDesc &desc);

// ---------------------------------------------------------------- XM

struct XmSampleDesc {
    std::vector<int> values;  // signed values (8-bit or 16-bit), delta-coded by the kit
    bool sixteen = false;
    long loopStart = 0, loopLength = 0;  // frames
    int loopType = 0;
    int volume = 64, finetune = 0, panning = 128, relativeNote = 0;
};

struct KitEnvelope {
    std::vector<std::pair<int, int>> points;
    int count = -1;  // -1: the number of points
    int sustain = 0, loopStart = 0, loopEnd = 0, flags = 0;
};

struct XmInstrumentDesc {
    std::vector<XmSampleDesc> samples;
    std::array<int, 96> keymap{};
    KitEnvelope volEnv, panEnv;
    int fadeout = 0;
};

struct XmDesc {
    std::string name = "kit xm";
    std::vector<int> orders = {0};
    int restart = 0, channels = 2;
    bool linear = true;
    int speed = 6, tempo = 125;
    std::vector<int> patternRows = {64};
    std::vector<std::vector<KitCell>> patterns = {{}};
    std::vector<XmInstrumentDesc> instruments;
};
std::string XmBytes(const XmDesc &desc);

// ---------------------------------------------------------------- own format

struct OwnSampleDesc {
    long length = 0;  // frames
    long loopStart = 0, loopEnd = 0;
    std::string extra = std::string(4, '\0');
    int volume = 64, panning = 128, relativeNote = 0, c2spd = 8363, bits = 8, loopType = 0;
    std::string data;  // stored bytes; padded with 0x80 to the length
};

struct OwnInstrumentDesc {
    std::array<int, 96> map{};
    KitEnvelope volEnv, panEnv;
    int fadeout = 0;
};

struct OwnDesc {
    std::string name = "kit own";
    std::vector<int> orders = {0};
    int channels = 2;
    int speed = 6, tempo = 125, globalVolume = 64, restart = 0, flags = 0;
    std::vector<int> panning;  // default 128 each
    std::vector<OwnInstrumentDesc> instruments;
    std::vector<OwnSampleDesc> samples;
    std::vector<int> patternRows = {64};
    std::vector<std::vector<KitCell>> patterns = {{}};
    std::string rawPatterns;  // written instead of the patterns when not empty
    int patternCountOverride = -1;
};
std::string OwnBytes(const OwnDesc &desc);
// The run-length packing of one field's values.
std::string OwnPack(const std::vector<int> &values, bool word);

// A package: the tag, filler bytes, then the module.
std::string UmxWrap(const std::string &module, size_t filler);
