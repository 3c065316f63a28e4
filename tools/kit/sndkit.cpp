// Format writers: WAV images, sound files and MIDI files, in memory.
#include "kit/sndkit.h"

#include <cstring>

void PutLe16(std::string &out, int v)
{
    out += (char)(v & 0xFF);
    out += (char)((v >> 8) & 0xFF);
}

void PutLe32(std::string &out, int32_t v)
{
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++)
        out += (char)((u >> (8 * i)) & 0xFF);
}

void PatchLe32(std::string &bytes, size_t offset, int32_t v)
{
    std::string le;
    PutLe32(le, v);
    bytes.replace(offset, 4, le);
}

std::string WavChunkLen(const char *id, int32_t length, const std::string &body)
{
    std::string out(id, 4);
    PutLe32(out, length);
    return out + body;
}

std::string WavChunk(const char *id, const std::string &body)
{
    return WavChunkLen(id, (int32_t)body.size(), body);
}

std::string WavFmtBody(int tag, int channels, int rate, int bits, const std::string &extra)
{
    std::string out;
    PutLe16(out, tag);
    PutLe16(out, channels);
    PutLe32(out, rate);
    PutLe32(out, rate * channels * bits / 8);
    PutLe16(out, channels * bits / 8);
    PutLe16(out, bits);
    return out + extra;
}

std::string WavRiff(const std::string &chunks)
{
    std::string out("RIFF");
    PutLe32(out, (int32_t)(chunks.size() + 4));
    return out + "WAVE" + chunks;
}

std::string WavMake(int channels, int bits, int rate, const std::string &data)
{
    return WavRiff(WavChunk("fmt ", WavFmtBody(1, channels, rate, bits)) + WavChunk("data", data));
}

static int SawSigned(int i, int bits, int seed)
{
    if (bits == 8)
        return (i * 7 + seed) & 0xFF;
    return (int)(int16_t)(uint16_t)((i * 1031 + seed * 17) & 0xFFFF);
}

std::string WavSaw(int frames, int channels, int bits, int seed)
{
    std::string out;
    for (int i = 0; i < frames * channels; i++) {
        if (bits == 8)
            out += (char)SawSigned(i, 8, seed);
        else
            PutLe16(out, SawSigned(i, 16, seed));
    }
    return out;
}

int WavSawValue(int i, int bits, int seed)
{
    if (bits == 8)
        return SawSigned(i, 8, seed);
    return (SawSigned(i, 16, seed) + 0x8000) & 0xFFFF;
}

size_t SndSubheaderOffset(const std::vector<SndEntry> &entries, size_t i)
{
    size_t offset = 512;
    for (size_t k = 0; k < i; k++)
        offset += 16 + entries[k].wav.size();
    return offset;
}

std::string SndFileBytes(const std::vector<SndEntry> &entries, const SndOptions &opt)
{
    std::string out = opt.magic;
    out.resize(12, '\0');
    PutLe32(out, 0);
    PutLe32(out, opt.countOverride ? opt.soundCount : (int32_t)entries.size());
    PutLe32(out, opt.firstOverride ? opt.firstOffset : 512);
    out.resize(512, '\0');
    for (size_t i = 0; i < entries.size(); i++) {
        size_t next = SndSubheaderOffset(entries, i + 1);
        PutLe32(out, (int32_t)next);
        PutLe32(out, (int32_t)entries[i].wav.size());
        PutLe32(out, entries[i].group);
        PutLe32(out, entries[i].number);
        out += entries[i].wav;
    }
    return opt.prefix + out;
}

static void PutBe32(std::string &out, uint32_t v)
{
    for (int i = 3; i >= 0; i--)
        out += (char)((v >> (8 * i)) & 0xFF);
}

static void PutVarLen(std::string &out, uint32_t v)
{
    char bytes[5];
    int n = 0;
    bytes[n++] = (char)(v & 0x7F);
    while (v >>= 7)
        bytes[n++] = (char)((v & 0x7F) | 0x80);
    while (n)
        out += bytes[--n];
}

std::string MidiBytes(const std::vector<int> &notes, int ticks)
{
    std::string track;
    PutVarLen(track, 0);
    track += std::string("\xFF\x51\x03\x07\xA1\x20", 6);  // 500000 microseconds a beat
    for (int note : notes) {
        PutVarLen(track, 0);
        track += (char)0x90;
        track += (char)note;
        track += (char)100;
        PutVarLen(track, (uint32_t)ticks);
        track += (char)0x80;
        track += (char)note;
        track += (char)0;
    }
    PutVarLen(track, 0);
    track += std::string("\xFF\x2F\x00", 3);

    std::string out("MThd");
    PutBe32(out, 6);
    out += std::string("\x00\x00\x00\x01\x00\x60", 6);
    out += "MTrk";
    PutBe32(out, (uint32_t)track.size());
    return out + track;
}
