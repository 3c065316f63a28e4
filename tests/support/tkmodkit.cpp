// Test kit: a recording voice device for the tracker player and byte writers for MOD, S3M, XM, UMX and own-format modules.
#include "support/tkmodkit.h"

#include <algorithm>
#include <map>

#include "music/tkmod-play.h"

// ---------------------------------------------------------------- fake device

static TkmodFake fake;

static FakeVoice *Voice(int v)
{
    return (v >= 0 && v < (int)fake.voices.size()) ? &fake.voices[v] : nullptr;
}

static int FakeAllocate(SAMPLE *sample)
{
    if (fake.allocations >= fake.allocLimit)
        return -1;
    fake.allocations++;
    for (size_t i = 0; i < fake.voices.size(); i++)
        if (!fake.voices[i].allocated) {
            fake.voices[i] = FakeVoice();
            fake.voices[i].allocated = true;
            fake.voices[i].sample = sample;
            return (int)i;
        }
    FakeVoice v;
    v.allocated = true;
    v.sample = sample;
    fake.voices.push_back(v);
    return (int)fake.voices.size() - 1;
}

static void FakeDeallocate(int v)
{
    if (FakeVoice *fv = Voice(v))
        *fv = FakeVoice();
}

static void FakeReallocate(int v, SAMPLE *sample)
{
    if (FakeVoice *fv = Voice(v)) {
        fv->sample = sample;
        fv->position = 0;
        fv->ended = false;
        fv->playing = false;
    }
}

static void FakeStart(int v)
{
    if (FakeVoice *fv = Voice(v)) {
        fv->playing = true;
        fv->starts++;
    }
}

static void FakeStop(int v)
{
    if (FakeVoice *fv = Voice(v))
        fv->playing = false;
}

static void FakeSetVolume(int v, int volume)
{
    if (FakeVoice *fv = Voice(v))
        fv->volume = volume;
    if (fake.onVolume)
        fake.onVolume();
}

static void FakeSetPan(int v, int pan)
{
    if (FakeVoice *fv = Voice(v))
        fv->pan = pan;
}

static void FakeSetFrequency(int v, int freq)
{
    if (FakeVoice *fv = Voice(v))
        fv->freq = freq;
}

static void FakeSetPosition(int v, int position)
{
    if (FakeVoice *fv = Voice(v))
        fv->position = position;
}

static int FakeGetPosition(int v)
{
    FakeVoice *fv = Voice(v);
    return (!fv || fv->ended) ? -1 : fv->position;
}

static void FakeSetPlaymode(int v, int mode)
{
    if (FakeVoice *fv = Voice(v))
        fv->playmode = mode;
}

static int FakeTimerInstall(void (*)(), long period)
{
    fake.timerInstalls++;
    fake.timerPeriod = period;
    fake.timerOn = true;
    return 0;
}

static void FakeTimerRemove(void (*)())
{
    fake.timerOn = false;
}

static const TkmodDevice fakeDevice = {
    FakeAllocate,  FakeDeallocate,   FakeReallocate,  FakeStart,      FakeStop,
    FakeSetVolume, FakeSetPan,       FakeSetFrequency, FakeSetPosition, FakeGetPosition,
    FakeSetPlaymode, FakeTimerInstall, FakeTimerRemove,
};

TkmodFake &TkmodFakeInstall()
{
    fake = TkmodFake();
    TkmodDeviceSet(&fakeDevice);
    return fake;
}

TkmodFake &TkmodFakeGet()
{
    return fake;
}

// ---------------------------------------------------------------- bytes

Bytes &Bytes::U8(int v)
{
    b += (char)(v & 0xFF);
    return *this;
}

Bytes &Bytes::U16Le(long v)
{
    return U8((int)v).U8((int)(v >> 8));
}

Bytes &Bytes::U16Be(long v)
{
    return U8((int)(v >> 8)).U8((int)v);
}

Bytes &Bytes::U32Le(long long v)
{
    return U16Le((long)(v & 0xFFFF)).U16Le((long)((v >> 16) & 0xFFFF));
}

Bytes &Bytes::Text(const std::string &s, size_t n)
{
    std::string t = s.substr(0, n);
    t.resize(n, '\0');
    b += t;
    return *this;
}

Bytes &Bytes::Raw(const std::string &s)
{
    b += s;
    return *this;
}

Bytes &Bytes::Zeros(size_t n)
{
    b.append(n, '\0');
    return *this;
}

static void Align16(Bytes &out)
{
    while (out.Size() % 16)
        out.U8(0);
}

// ---------------------------------------------------------------- MOD

std::string ModBytes(const ModDesc &desc)
{
    Bytes out;
    out.Text(desc.name, 20);
    for (int i = 0; i < desc.samples; i++) {
        ModSampleDesc s = i < (int)desc.sampleList.size() ? desc.sampleList[i] : ModSampleDesc();
        int words = s.lengthWords >= 0 ? s.lengthWords : (int)s.data.size() / 2;
        out.Text("sample", 22).U16Be(words).U8(s.finetune).U8(s.volume).U16Be(s.loopStartWords).U16Be(s.loopLengthWords);
    }
    out.U8(desc.orderCount).U8(desc.restart);
    for (int i = 0; i < 128; i++)
        out.U8(i < (int)desc.orders.size() ? desc.orders[i] : 0);
    if (desc.samples == 31)
        out.Text(desc.signature, 4);
    int patterns = 0;
    for (int o : desc.orders)
        patterns = std::max(patterns, o + 1);
    for (int p = 0; p < patterns; p++) {
        std::string pat(64 * desc.channels * 4, '\0');
        if (p < (int)desc.patterns.size())
            for (const KitCell &c : desc.patterns[p]) {
                size_t at = (size_t)(c.row * desc.channels + c.channel) * 4;
                pat[at] = (char)((c.sample & 0xF0) | ((c.note >> 8) & 0x0F));
                pat[at + 1] = (char)(c.note & 0xFF);
                pat[at + 2] = (char)(((c.sample & 15) << 4) | (c.command & 15));
                pat[at + 3] = (char)c.param;
            }
        out.Raw(pat);
    }
    if (!desc.dropSampleData)
        for (const ModSampleDesc &s : desc.sampleList)
            out.Raw(s.data);
    return out.b;
}

// ---------------------------------------------------------------- S3M

std::string S3mBytes(const S3mDesc &desc)
{
    Bytes out;
    int ins = (int)desc.samples.size(), pats = (int)desc.patterns.size();
    out.Text(desc.name, 28).U8(0x1A).U8(16).U16Le(0);
    out.U16Le((long)desc.orders.size()).U16Le(ins).U16Le(pats).U16Le(0).U16Le(0x1320).U16Le(desc.fileFormat);
    out.Raw("SCRM").U8(desc.globalVolume).U8(desc.speed).U8(desc.tempo).U8(0xB0).U8(0).U8(desc.defaultPan);
    out.Zeros(8).U16Le(0);
    for (int c = 0; c < 32; c++)
        out.U8(c < (int)desc.channelSettings.size() ? desc.channelSettings[c] : 255);
    for (int o : desc.orders)
        out.U8(o);
    size_t paraAt = out.Size();
    out.Zeros(2 * (ins + pats));
    if (desc.defaultPan == 252)
        for (int c = 0; c < 32; c++)
            out.U8(c < (int)desc.pans.size() ? desc.pans[c] : 0);
    Align16(out);

    auto setPara = [&](int index, size_t at) {
        out.b[paraAt + 2 * index] = (char)((at / 16) & 0xFF);
        out.b[paraAt + 2 * index + 1] = (char)((at / 16) >> 8);
    };
    std::vector<size_t> headerAt(ins);
    for (int i = 0; i < ins; i++) {
        const S3mSampleDesc &s = desc.samples[i];
        headerAt[i] = out.Size();
        setPara(i, headerAt[i]);
        long frames = s.lengthOverride >= 0 ? s.lengthOverride : (long)s.data.size() / (s.sixteen ? 2 : 1);
        int flags = (s.loop ? 1 : 0) | (s.sixteen ? 4 : 0);
        out.U8(s.type).Text("kit.smp", 12).Zeros(3);  // memory segment, written below
        out.U32Le(frames).U32Le(s.loopStart).U32Le(s.loopEnd).U8(s.volume).U8(0).U8(0).U8(flags);
        out.U32Le(s.c2spd).Zeros(12).Text("kit sample", 28).Raw(s.tag ? "SCRS" : "NONE");
        Align16(out);
    }
    for (int p = 0; p < pats; p++) {
        std::map<int, std::vector<KitCell>> rows;
        for (const KitCell &c : desc.patterns[p])
            rows[c.row].push_back(c);
        Bytes data;
        for (int r = 0; r < 64; r++) {
            for (const KitCell &c : rows[r]) {
                bool hasNote = c.note || c.sample;
                int flags = (c.channel & 31) | (hasNote ? 0x20 : 0) | (c.volume >= 0 ? 0x40 : 0) | (c.command ? 0x80 : 0);
                data.U8(flags);
                if (hasNote)
                    data.U8(c.note ? c.note : 255).U8(c.sample);
                if (c.volume >= 0)
                    data.U8(c.volume);
                if (c.command)
                    data.U8(c.command).U8(c.param);
            }
            data.U8(0);
        }
        size_t at = out.Size();
        setPara(ins + p, at);
        out.U16Le(desc.packedLengthCut >= 0 ? desc.packedLengthCut : (long)data.Size()).Raw(data.b);
        Align16(out);
    }
    for (int i = 0; i < ins; i++) {
        size_t at = out.Size();
        long seg = (long)(at / 16);
        out.b[headerAt[i] + 13] = (char)((seg >> 16) & 0xFF);
        out.b[headerAt[i] + 14] = (char)(seg & 0xFF);
        out.b[headerAt[i] + 15] = (char)((seg >> 8) & 0xFF);
        out.Raw(desc.samples[i].data);
        Align16(out);
    }
    return out.b;
}

// ---------------------------------------------------------------- XM

static void EnvelopeWrite(Bytes &out, const KitEnvelope &e)
{
    for (int k = 0; k < 12; k++) {
        auto pt = k < (int)e.points.size() ? e.points[k] : std::make_pair(0, 0);
        out.U16Le(pt.first).U16Le(pt.second);
    }
}

static int EnvelopeCount(const KitEnvelope &e)
{
    return e.count >= 0 ? e.count : (int)e.points.size();
}

std::string XmBytes(const XmDesc &desc)
{
    Bytes out;
    out.Raw("Extended Module: ").Text(desc.name, 20).U8(0x1A).Text("kit tracker", 20).U16Le(0x0104).U32Le(276);
    out.U16Le((long)desc.orders.size()).U16Le(desc.restart).U16Le(desc.channels).U16Le((long)desc.patterns.size());
    out.U16Le((long)desc.instruments.size()).U16Le(desc.linear ? 1 : 0).U16Le(desc.speed).U16Le(desc.tempo);
    for (int i = 0; i < 256; i++)
        out.U8(i < (int)desc.orders.size() ? desc.orders[i] : 0);
    for (size_t p = 0; p < desc.patterns.size(); p++) {
        int rows = p < desc.patternRows.size() ? desc.patternRows[p] : 64;
        std::map<std::pair<int, int>, KitCell> cells;
        for (const KitCell &c : desc.patterns[p])
            cells[{c.row, c.channel}] = c;
        Bytes data;
        for (int r = 0; r < std::max(rows, 0); r++)
            for (int c = 0; c < desc.channels; c++) {
                auto it = cells.find({r, c});
                KitCell k = it != cells.end() ? it->second : KitCell();
                int vol = std::max(k.volume, 0);
                if (k.note && k.sample && vol && k.command && k.param) {
                    data.U8(k.note).U8(k.sample).U8(vol).U8(k.command).U8(k.param);
                    continue;
                }
                int mask = 0x80 | (k.note ? 1 : 0) | (k.sample ? 2 : 0) | (vol ? 4 : 0) | (k.command ? 8 : 0) |
                           (k.param ? 16 : 0);
                data.U8(mask);
                if (k.note) data.U8(k.note);
                if (k.sample) data.U8(k.sample);
                if (vol) data.U8(vol);
                if (k.command) data.U8(k.command);
                if (k.param) data.U8(k.param);
            }
        out.U32Le(9).U8(0).U16Le(rows).U16Le((long)data.Size()).Raw(data.b);
    }
    for (const XmInstrumentDesc &ins : desc.instruments) {
        if (ins.samples.empty()) {
            out.U32Le(29).Text("kit instrument", 22).U8(0).U16Le(0);
            continue;
        }
        size_t start = out.Size();
        out.U32Le(263).Text("kit instrument", 22).U8(0).U16Le((long)ins.samples.size()).U32Le(40);
        for (int n = 0; n < 96; n++)
            out.U8(ins.keymap[n]);
        EnvelopeWrite(out, ins.volEnv);
        EnvelopeWrite(out, ins.panEnv);
        out.U8(EnvelopeCount(ins.volEnv)).U8(EnvelopeCount(ins.panEnv));
        out.U8(ins.volEnv.sustain).U8(ins.volEnv.loopStart).U8(ins.volEnv.loopEnd);
        out.U8(ins.panEnv.sustain).U8(ins.panEnv.loopStart).U8(ins.panEnv.loopEnd);
        out.U8(ins.volEnv.flags).U8(ins.panEnv.flags).Zeros(4).U16Le(ins.fadeout);
        while (out.Size() < start + 263)
            out.U8(0);
        for (const XmSampleDesc &s : ins.samples) {
            int bytes = s.sixteen ? 2 : 1;
            out.U32Le((long long)s.values.size() * bytes).U32Le(s.loopStart * bytes).U32Le(s.loopLength * bytes);
            out.U8(s.volume).U8(s.finetune).U8(s.loopType | (s.sixteen ? 16 : 0)).U8(s.panning).U8(s.relativeNote);
            out.U8(0).Text("kit sample", 22);
        }
        for (const XmSampleDesc &s : ins.samples) {
            int last = 0;
            for (int v : s.values) {
                int delta = v - last;
                last = v;
                if (s.sixteen)
                    out.U16Le(delta & 0xFFFF);
                else
                    out.U8(delta & 0xFF);
            }
        }
    }
    return out.b;
}

// ---------------------------------------------------------------- own format

std::string OwnPack(const std::vector<int> &values, bool word)
{
    Bytes out;
    size_t i = 0;
    while (i < values.size()) {
        size_t j = i;
        if (values[i] == 0) {
            while (j < values.size() && values[j] == 0 && j - i < 127)
                j++;
            out.U8((int)(j - i));
        } else {
            while (j < values.size() && values[j] != 0 && j - i < 127)
                j++;
            out.U8(0x80 | (int)(j - i));
            for (size_t k = i; k < j; k++) {
                if (word)
                    out.U16Le(values[k] & 0xFFFF);
                else
                    out.U8(values[k]);
            }
        }
        i = j;
    }
    return out.b;
}

static void OwnEnvelopeWrite(Bytes &out, const KitEnvelope &e)
{
    EnvelopeWrite(out, e);
    out.U8(EnvelopeCount(e)).U8(e.flags).U8(e.sustain).U8(e.loopStart).U8(e.loopEnd);
}

std::string OwnBytes(const OwnDesc &desc)
{
    Bytes out;
    int pats = desc.patternCountOverride >= 0 ? desc.patternCountOverride : (int)desc.patterns.size();
    out.Raw("TKMOD 01 module : ").Text(desc.name, 30);
    out.U16Le((long)desc.orders.size()).U16Le(pats).U16Le(desc.channels).U16Le((long)desc.instruments.size());
    out.U16Le((long)desc.samples.size()).U16Le(desc.speed).U16Le(desc.tempo).U16Le(desc.globalVolume);
    out.U16Le(desc.restart).U16Le(desc.flags);
    for (int c = 0; c < desc.channels; c++)
        out.U8(c < (int)desc.panning.size() ? desc.panning[c] : 128);
    for (int o : desc.orders)
        out.U8(o);
    for (const OwnInstrumentDesc &ins : desc.instruments) {
        for (int n = 0; n < 96; n++)
            out.U8(ins.map[n]);
        OwnEnvelopeWrite(out, ins.volEnv);
        OwnEnvelopeWrite(out, ins.panEnv);
        out.U16Le(ins.fadeout);
    }
    for (const OwnSampleDesc &s : desc.samples) {
        out.U32Le(s.length);
        if (s.length == 0)
            continue;
        out.U32Le(s.loopStart).U32Le(s.loopEnd).Text(s.extra, 4).U8(s.volume).U8(s.panning).U8(s.relativeNote);
        out.U16Le(s.c2spd).U8(s.bits).U8(s.loopType);
        std::string data = s.data;
        data.resize((size_t)s.length * (s.bits / 8), (char)0x80);
        out.Raw(data);
    }
    if (!desc.rawPatterns.empty()) {
        out.Raw(desc.rawPatterns);
        return out.b;
    }
    bool instruments = (desc.flags & 1) != 0;
    for (size_t p = 0; p < desc.patterns.size(); p++) {
        int rows = p < desc.patternRows.size() ? desc.patternRows[p] : 64;
        size_t entries = (size_t)std::max(rows, 0) * desc.channels;
        std::vector<int> note(entries), sample(entries), volume(entries), command(entries), param(entries);
        for (const KitCell &c : desc.patterns[p]) {
            size_t i = (size_t)c.row * desc.channels + c.channel;
            if (i >= entries)
                continue;
            note[i] = c.note;
            sample[i] = c.sample;
            volume[i] = std::max(c.volume, 0);
            command[i] = c.command;
            param[i] = c.param;
        }
        out.U16Le(rows);
        out.Raw(OwnPack(note, !instruments)).Raw(OwnPack(sample, false)).Raw(OwnPack(volume, false));
        out.Raw(OwnPack(command, false)).Raw(OwnPack(param, true));
    }
    return out.b;
}

std::string UmxWrap(const std::string &module, size_t filler)
{
    Bytes out;
    out.U8(0xC1).U8(0x83).U8(0x2A).U8(0x9E);
    for (size_t i = 0; i < filler; i++)
        out.U8('.');
    return out.Raw(module).b;
}

KitCell KitCellAt(int row, int channel, int note, int sample, int volume, int command, int param)
{
    KitCell c;
    c.row = row;
    c.channel = channel;
    c.note = note;
    c.sample = sample;
    c.volume = volume;
    c.command = command;
    c.param = param;
    return c;
}
