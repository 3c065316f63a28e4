// Format writers: WAV images, sound files and MIDI files, in memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

void PutLe16(std::string &out, int v);
void PutLe32(std::string &out, int32_t v);
// Overwrites four bytes at the offset.
void PatchLe32(std::string &bytes, size_t offset, int32_t v);

// One chunk: id, 32-bit length of the body, body; WavChunkLen writes the
// given length whatever the body holds.
std::string WavChunk(const char *id, const std::string &body);
std::string WavChunkLen(const char *id, int32_t length, const std::string &body);
// A "fmt " body of 16 bytes (plus extra bytes when given).
std::string WavFmtBody(int tag, int channels, int rate, int bits, const std::string &extra = "");
// "RIFF", the size of what follows, "WAVE", then the chunks.
std::string WavRiff(const std::string &chunks);
// A PCM WAV of one fmt and one data chunk.
std::string WavMake(int channels, int bits, int rate, const std::string &data);
// Sample data: frames x channels values of a sawtooth that starts at seed;
// 8-bit values are unsigned bytes, 16-bit values little-endian signed.
std::string WavSaw(int frames, int channels, int bits, int seed);
// The value (unsigned, as Allegro stores it) of sample i of WavSaw.
int WavSawValue(int i, int bits, int seed);

// One sound of a sound file.
struct SndEntry {
    int group = 0;
    int number = 0;
    std::string wav;
};

struct SndOptions {
    std::string magic = std::string("TarnwickSnd", 12);  // 12 bytes with the zero
    bool countOverride = false;  // write soundCount instead of the real count
    int32_t soundCount = 0;
    bool firstOverride = false;  // write firstOffset instead of 512
    int32_t firstOffset = 0;
    std::string prefix;  // bytes before the sound file (offsets stay relative to it)
};

// Header of 512 bytes, then each sound's 16-byte subheader and WAV, chained.
std::string SndFileBytes(const std::vector<SndEntry> &entries, const SndOptions &opt = SndOptions());
// Offset (from the sound file's start) of the subheader of sound i.
size_t SndSubheaderOffset(const std::vector<SndEntry> &entries, size_t i);

// A format-0 MIDI file of one track: the given notes one after another, each
// held for ticks (96 per beat, 120 beats a minute) on channel 0.
std::string MidiBytes(const std::vector<int> &notes, int ticks);
