// Tracker-module loaders: MOD, S3M and XM files (also inside UMX packages) and the player's own format, detected by content.
#include "music/tkmod-load.h"

#include <allegro.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/tkmod-play.h"
#include "platform/pfile.h"

static const char ownMagic[] = "TKMOD 01 module : ";
enum { OWN_MAGIC_LEN = 18 };
static const unsigned char umxTag[4] = {0xC1, 0x83, 0x2A, 0x9E};  // 0x9E2A83C1 little-endian

static const char *const typeNames[] = {"",    "MOD (15 Samples)", "MOD (31 Samples)", "S3M", "XM", "IT", "TKM",
                                        "Unreal S3M (UMX)", "Unreal XM (UMX)", "Unreal IT (UMX)"};

// 3579546 / Amiga period: a note as the frequency it plays at c2spd 8363.
static const long AMIGA_CLOCK = 3579546;
static const int s3mPeriods[12] = {6848, 6464, 6096, 5760, 5424, 5120, 4832, 4560, 4304, 4064, 3840, 3628};

// ---------------------------------------------------------------- files

void *TkmodAlloc(size_t size)
{
    return calloc(1, size ? size : 1);
}

static TkmodFile *FileFromBytes(std::vector<unsigned char> &bytes, const char *path)
{
    TkmodFile *f = (TkmodFile *)TkmodAlloc(sizeof(TkmodFile));
    if (!f)
        return nullptr;
    f->data = (unsigned char *)malloc(bytes.empty() ? 1 : bytes.size());
    if (!f->data) {
        free(f);
        return nullptr;
    }
    if (!bytes.empty())
        memcpy(f->data, bytes.data(), bytes.size());
    f->size = (long)bytes.size();
    snprintf(f->path, sizeof f->path, "%s", path ? path : "");
    return f;
}

// Up to limit bytes of a file (all of it with limit -1); false when it does not open.
static bool FileBytes(const char *path, long limit, std::vector<unsigned char> &out)
{
    out.clear();
    if (!path || PlatIsDirectory(path))
        return false;
    std::string resolved = PlatPathResolve(path);
    PACKFILE *pf = pack_fopen(resolved.c_str(), F_READ);
    if (!pf)
        return false;
    unsigned char chunk[65536];
    while (limit < 0 || (long)out.size() < limit) {
        long want = (long)sizeof chunk;
        if (limit >= 0)
            want = std::min(want, limit - (long)out.size());
        long got = pack_fread(chunk, want, pf);
        if (got <= 0)
            break;
        out.insert(out.end(), chunk, chunk + got);
    }
    pack_fclose(pf);
    return true;
}

TkmodFile *TkmodFileOpen(const char *path, const char *mode)
{
    if (!mode || mode[0] != 'r')
        return nullptr;
    std::vector<unsigned char> bytes;
    if (!FileBytes(path, -1, bytes))
        return nullptr;
    return FileFromBytes(bytes, path);
}

void TkmodFileClose(TkmodFile *f)
{
    if (!f)
        return;
    free(f->data);
    free(f);
}

int TkmodFileReopenAt(TkmodFile *f, long offset)
{
    f->pos = std::clamp(offset, 0L, f->size);
    return 1;
}

void TkmodFileSkip(TkmodFile *f, long n)
{
    if (n > 0)
        f->pos = (n > f->size - f->pos) ? f->size : f->pos + n;
}

long TkmodFileRead(TkmodFile *f, void *buffer, long n)
{
    long got = std::clamp(f->size - f->pos, 0L, std::max(n, 0L));
    if (got > 0)
        memcpy(buffer, f->data + f->pos, got);
    f->pos += got;
    return got;
}

int TkmodFileGetc(TkmodFile *f)
{
    return f->pos < f->size ? f->data[f->pos++] : -1;
}

long TkmodFileReadU16Be(TkmodFile *f)
{
    int a = TkmodFileGetc(f), b = TkmodFileGetc(f);
    return (a < 0 || b < 0) ? -1 : (long)(a << 8 | b);
}

long long TkmodFileReadU32Be(TkmodFile *f)
{
    long a = TkmodFileReadU16Be(f), b = TkmodFileReadU16Be(f);
    return (a < 0 || b < 0) ? -1 : ((long long)a << 16 | b);
}

long TkmodFileReadU16Le(TkmodFile *f)
{
    int a = TkmodFileGetc(f), b = TkmodFileGetc(f);
    return (a < 0 || b < 0) ? -1 : (long)(b << 8 | a);
}

long long TkmodFileReadU32Le(TkmodFile *f)
{
    long a = TkmodFileReadU16Le(f), b = TkmodFileReadU16Le(f);
    return (a < 0 || b < 0) ? -1 : ((long long)b << 16 | a);
}

// Values that must be there: the end of the file reads as 0 and marks the file short.
struct Reader {
    TkmodFile *f;
    bool shortRead = false;
    int Byte()
    {
        int v = TkmodFileGetc(f);
        if (v < 0) {
            shortRead = true;
            return 0;
        }
        return v;
    }
    int SByte()
    {
        return (int)(signed char)Byte();
    }
    long U16Le()
    {
        long v = TkmodFileReadU16Le(f);
        return v < 0 ? (shortRead = true, 0) : v;
    }
    long U16Be()
    {
        long v = TkmodFileReadU16Be(f);
        return v < 0 ? (shortRead = true, 0) : v;
    }
    long long U32Le()
    {
        long long v = TkmodFileReadU32Le(f);
        return v < 0 ? (shortRead = true, 0) : v;
    }
    // n bytes as text up to the first zero, cut to outSize.
    void Text(char *out, size_t outSize, long n)
    {
        std::string s;
        bool ended = false;
        for (long i = 0; i < n; i++) {
            int c = Byte();
            ended = ended || c == 0;
            if (!ended)
                s += (char)c;
        }
        snprintf(out, outSize, "%s", s.c_str());
    }
    long Left() const
    {
        return f->size - f->pos;
    }
};

int TkmodPatternCount(const unsigned char *orders, int n)
{
    int most = 0;
    for (int i = 0; i < n; i++)
        most = std::max(most, (int)orders[i]);
    return most + 1;
}

// ---------------------------------------------------------------- detection

static bool HasAt(const unsigned char *head, long size, long at, const char *text, long len)
{
    return at >= 0 && at + len <= size && memcmp(head + at, text, len) == 0;
}

int TkmodOwnDetect(const unsigned char *head, long size)
{
    return HasAt(head, size, 0, ownMagic, OWN_MAGIC_LEN);
}

int TkmodItDetect(const unsigned char *head, long size)
{
    return HasAt(head, size, 0, "IMPM", 4);
}

int TkmodXmDetect(const unsigned char *head, long size)
{
    return HasAt(head, size, 0, "Extended Module: ", 17);
}

int TkmodS3mDetect(const unsigned char *head, long size)
{
    return HasAt(head, size, 44, "SCRM", 4);
}

int TkmodModChannels(const unsigned char s[4])
{
    static const struct {
        const char *tag;
        int channels;
    } fixed[] = {{"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4}, {"CD81", 8}, {"OKTA", 8}, {"16CN", 16}, {"32CN", 32}};
    for (const auto &t : fixed)
        if (memcmp(s, t.tag, 4) == 0)
            return t.channels;
    if (s[0] >= '1' && s[0] <= '9' && memcmp(s + 1, "CHN", 3) == 0)
        return s[0] - '0';
    if (s[0] >= '0' && s[0] <= '9' && s[1] >= '0' && s[1] <= '9' && s[2] == 'C' && s[3] == 'H') {
        int n = (s[0] - '0') * 10 + (s[1] - '0');
        if (n >= 10 && n <= 64)
            return n;
    }
    return 0;
}

int TkmodModDetect31(const unsigned char *head, long size)
{
    return size >= 1084 && TkmodModChannels(head + 1080) > 0;
}

int TkmodModDetect15(const unsigned char *head, long size)
{
    if (size < 600)
        return 0;
    for (int i = 0; i < 15; i++) {
        const unsigned char *h = head + 20 + i * 30;
        if (h[24] != 0 || h[25] > 64)
            return 0;
    }
    return 1;
}

// Offset of the module whose signature (at sigAt in the module) stands within
// the search range after the package tag, -1 when there is none.
static long UmxFind(const unsigned char *head, long size, const char *sig, long len, long sigAt)
{
    if (size < 4 || memcmp(head, umxTag, 4) != 0)
        return -1;
    long end = std::min(size, 4L + TKMOD_UMX_SEARCH);
    for (long p = 4 + sigAt; p + len <= end; p++)
        if (memcmp(head + p, sig, len) == 0)
            return p - sigAt;
    return -1;
}

long TkmodItUmxDetect(const unsigned char *head, long size)
{
    return UmxFind(head, size, "IMPM", 4, 0);
}

long TkmodXmUmxDetect(const unsigned char *head, long size)
{
    return UmxFind(head, size, "Extended Module: ", 17, 0);
}

long TkmodS3mUmxDetect(const unsigned char *head, long size)
{
    return UmxFind(head, size, "SCRM", 4, 44);
}

// ---------------------------------------------------------------- module building

// Frees what was built; the error text is the one already set.
static TkmodModule *Fail(TkmodModule *mod, TkmodFile *f)
{
    TkmodDestroy(mod);
    TkmodFileClose(f);
    return nullptr;
}

// Sets the error text (a format with at most one string, the path) and frees what was built.
static TkmodModule *Fail(TkmodModule *mod, TkmodFile *f, const char *format, const char *path)
{
    TkmodErrorSet(format, path ? path : "");
    return Fail(mod, f);
}

static TkmodModule *ModuleAlloc()
{
    TkmodModule *mod = (TkmodModule *)TkmodAlloc(sizeof(TkmodModule));
    if (!mod)
        TkmodErrorSet("Unable to allocate enough memory for TKMOD structure");
    return mod;
}

static bool PatternsAlloc(TkmodModule *mod, int count)
{
    mod->patterns = (TkmodPattern *)TkmodAlloc(sizeof(TkmodPattern) * std::max(count, 1));
    if (!mod->patterns) {
        TkmodErrorSet("Unable to allocate enough memory for PATTERN_INFO");
        return false;
    }
    mod->patternCount = count;
    return true;
}

static TkmodCell *CellsAlloc(TkmodModule *mod, int pattern, int rows)
{
    TkmodPattern &p = mod->patterns[pattern];
    p.cells = (TkmodCell *)TkmodAlloc(sizeof(TkmodCell) * (size_t)rows * mod->channelCount);
    if (!p.cells) {
        TkmodErrorSet("Unable to allocate enough memory for NOTE_INFO");
        return nullptr;
    }
    p.rows = rows;
    return p.cells;
}

static bool SamplesAlloc(TkmodModule *mod, int count)
{
    mod->samples = (TkmodSampleInfo *)TkmodAlloc(sizeof(TkmodSampleInfo) * std::max(count, 1));
    if (!mod->samples) {
        TkmodErrorSet("Unable to allocate enough memory for SAMPLE_INFO structure");
        return false;
    }
    mod->sampleCount = count;
    return true;
}

static bool InstrumentsAlloc(TkmodModule *mod, int count)
{
    mod->instruments = (TkmodInstrument *)TkmodAlloc(sizeof(TkmodInstrument) * std::max(count, 1));
    if (!mod->instruments) {
        TkmodErrorSet("Unable to allocate enough memory for INSTRUMENT_INFO");
        return false;
    }
    mod->instrumentCount = count;
    return true;
}

// Loop points inside the sample; a loop with nothing in it plays once.
static void LoopClamp(TkmodSampleInfo &s)
{
    s.loopEnd = std::clamp(s.loopEnd, 0, s.length);
    s.loopStart = std::clamp(s.loopStart, 0, s.loopEnd);
    if (s.loopStart >= s.loopEnd)
        s.loopType = 0;
    if (!s.loopType) {
        s.loopStart = 0;
        s.loopEnd = s.length;
    }
}

// The Allegro sample of a sample record (length, loop and bits already set); false when memory runs out.
static bool SampleMake(TkmodSampleInfo &s, int bits, int freq)
{
    s.sample = create_sample(bits, 0, freq, s.length);
    if (!s.sample) {
        TkmodErrorSet("Unable to allocate enough memory for SAMPLE DATA");
        return false;
    }
    s.sample->priority = 192;
    s.sample->loop_start = s.loopStart;
    s.sample->loop_end = s.loopEnd;
    return true;
}

// A length in frames cut to what a file of this size could hold.
static long LengthCheck(long long length, int bytesPerFrame, const TkmodFile *f)
{
    if (length < 0)
        return 0;
    return (long)std::min<long long>(length, f->size / bytesPerFrame);
}

// 8-bit data as stored (xorMask 0x80 turns signed into unsigned); what the file lacks stays silent.
static void Data8Read(TkmodFile *f, SAMPLE *sample, long length, int xorMask)
{
    unsigned char *d = (unsigned char *)sample->data;
    long got = TkmodFileRead(f, d, length);
    for (long i = 0; i < got; i++)
        d[i] ^= xorMask;
    memset(d + got, 0x80, length - got);
}

static const char *BaseName(const TkmodFile *f)
{
    return f->path;
}

// ---------------------------------------------------------------- MOD

TkmodModule *TkmodModLoad(const char *path, int samples)
{
    if (samples != 15 && samples != 31) {
        TkmodErrorSet("MOD must be 15 or 31 instruments");
        return nullptr;
    }
    TkmodFile *f = TkmodFileOpen(path, "rb");
    if (!f)
        return Fail(nullptr, nullptr, "Unable to open %s", path);
    long headerLen = 20 + samples * 30 + 2 + 128 + (samples == 31 ? 4 : 0);
    if (f->size < headerLen)
        return Fail(nullptr, f, "%s is too short for a MOD", path);
    TkmodModule *mod = ModuleAlloc();
    if (!mod)
        return Fail(nullptr, f);
    Reader r{f};
    r.Text(mod->name, sizeof mod->name, 20);
    if (!SamplesAlloc(mod, samples))
        return Fail(mod, f);
    for (int i = 0; i < samples; i++) {
        TkmodSampleInfo &s = mod->samples[i];
        TkmodFileSkip(f, 22);
        long len = r.U16Be();
        int finetune = r.Byte() & 15;
        int volume = r.Byte();
        long loopStart = r.U16Be();
        long loopLen = r.U16Be();
        s.length = len == 1 ? 0 : (int)len * 2;
        s.tune = TkmodFinetuneToC2spd(finetune);
        s.volume = std::min(volume, 64);
        s.panning = 128;
        s.loopStart = (int)loopStart * 2;
        s.loopEnd = s.loopStart + (loopLen == 1 ? 0 : (int)loopLen * 2);
        s.loopType = loopLen > 1 ? TKMOD_LOOP_ON : 0;
    }
    int orderCount = r.Byte();
    int restart = r.Byte();
    TkmodFileRead(f, mod->orders, 128);
    mod->orderCount = std::min(orderCount, 128);
    mod->restart = restart < mod->orderCount ? restart : 0;
    if (samples == 31) {
        unsigned char sig[4];
        TkmodFileRead(f, sig, 4);
        mod->channelCount = TkmodModChannels(sig);
        if (mod->channelCount == 0)
            return Fail(mod, f, "Unsupported MOD type or unable to open file", nullptr);
    } else {
        mod->channelCount = 4;
    }
    mod->globalVolume = 64;
    mod->speed = 6;
    mod->tempo = 125;
    for (int c = 0; c < mod->channelCount; c++)
        mod->panning[c] = (c % 4 == 0 || c % 4 == 3) ? 0 : 255;

    if (!PatternsAlloc(mod, TkmodPatternCount(mod->orders, 128)))
        return Fail(mod, f);
    for (int p = 0; p < mod->patternCount; p++) {
        TkmodCell *cells = CellsAlloc(mod, p, 64);
        if (!cells)
            return Fail(mod, f);
        // Cells past the end of the file stay empty as allocated: orders may
        // name up to 256 patterns that a short file does not hold.
        for (int i = 0; i < 64 * mod->channelCount && f->pos < f->size; i++) {
            unsigned char b[4] = {0, 0, 0, 0};
            TkmodFileRead(f, b, 4);
            int sample = (b[0] & 0xF0) | (b[2] >> 4);
            int period = (b[0] & 0x0F) << 8 | b[1];
            cells[i].sample = (uint8_t)sample;  // the player skips a number above the count
            cells[i].note = period ? (int32_t)(AMIGA_CLOCK / period) : 0;
            cells[i].command = b[2] & 0x0F;
            cells[i].param = b[3];
        }
    }
    for (int i = 0; i < samples; i++) {
        TkmodSampleInfo &s = mod->samples[i];
        s.length = (int)LengthCheck(s.length, 1, f);
        LoopClamp(s);
        if (!SampleMake(s, 8, 8363))
            return Fail(mod, f);
        Data8Read(f, s.sample, s.length, 0x80);
    }
    TkmodFileClose(f);
    TkmodSamplesLock(mod);
    return mod;
}

// ---------------------------------------------------------------- S3M

int TkmodS3mCommandRemap(int command, int *param)
{
    static const int letters[27] = {
        0,      // none
        TKCMD_S3M_SPEED,        TKCMD_JUMP,       TKCMD_BREAK,           TKCMD_S3M_VOL_SLIDE,
        TKCMD_S3M_PORTA_DOWN,   TKCMD_S3M_PORTA_UP, TKCMD_TONE_PORTA,    TKCMD_VIBRATO,
        TKCMD_TREMOR,           TKCMD_S3M_ARPEGGIO, TKCMD_S3M_VIBRATO_VOL, TKCMD_S3M_TONE_PORTA_VOL,
        -1,  // M
        -1,  // N
        TKCMD_OFFSET,
        -1,  // P
        TKCMD_RETRIG,           TKCMD_S3M_TREMOLO, -1,  // S, below
        TKCMD_TEMPO,            TKCMD_FINE_VIBRATO, TKCMD_GLOBAL_VOLUME, -1,  // W
        TKCMD_S3M_PAN,          -1,  // Y
        -1,                     // Z
    };
    int p = *param & 0xFF;
    if (command == 19) {  // S
        int sub = p >> 4, v = p & 15;
        int ext = -1;
        switch (sub) {
        case 0x1: ext = TKEXT_GLISSANDO; break;
        case 0x2:
            // S3M finetunes count from 8 for none, MOD finetunes from 0.
            ext = TKEXT_FINETUNE;
            v ^= 8;
            break;
        case 0x3: ext = TKEXT_VIBRATO_WAVE; break;
        case 0x4: ext = TKEXT_TREMOLO_WAVE; break;
        case 0x8: ext = TKEXT_PAN; break;
        case 0xA: ext = TKEXT_STEREO; break;
        case 0xB: ext = TKEXT_PATTERN_LOOP; break;
        case 0xC: ext = TKEXT_NOTE_CUT; break;
        case 0xD: ext = TKEXT_NOTE_DELAY; break;
        case 0xE: ext = TKEXT_PATTERN_DELAY; break;
        default: break;
        }
        if (ext < 0) {
            *param = 0;
            return 0;
        }
        *param = ext * 16 + v;
        return TKCMD_EXTENDED;
    }
    int cmd = (command >= 1 && command <= 26) ? letters[command] : -1;
    if (cmd <= 0) {
        *param = 0;
        return 0;
    }
    *param = p;
    return cmd;
}

// The stored note of an S3M note byte: 0 none, -1 cut.
static int S3mNote(int b)
{
    if (b == 254)
        return TKMOD_NOTE_CUT;
    int octave = b >> 4, semitone = b & 15;
    if (b == 255 || semitone >= 12)
        return 0;
    int period = s3mPeriods[semitone] >> octave;
    return period > 0 ? (int)(AMIGA_CLOCK / period) : 0;
}

TkmodModule *TkmodS3mLoad(const char *path, long offset)
{
    TkmodFile *f = TkmodFileOpen(path, "rb");
    if (!f)
        return Fail(nullptr, nullptr, "Unable to open %s", path);
    if (offset < 0 || offset + 96 > f->size)
        return Fail(nullptr, f, "%s is too short for an S3M", path);
    TkmodModule *mod = ModuleAlloc();
    if (!mod)
        return Fail(nullptr, f);
    Reader r{f};
    TkmodFileReopenAt(f, offset);
    r.Text(mod->name, sizeof mod->name, 28);
    TkmodFileSkip(f, 4);
    long orderCount = r.U16Le(), insCount = r.U16Le(), patCount = r.U16Le();
    r.U16Le();  // flags
    r.U16Le();  // tracker version
    int fileFormat = (int)r.U16Le();
    TkmodFileSkip(f, 4);  // SCRM
    int globalVolume = r.Byte(), speed = r.Byte(), tempo = r.Byte();
    r.Byte();  // master volume
    r.Byte();  // click removal
    int defaultPan = r.Byte();
    TkmodFileSkip(f, 10);
    unsigned char settings[32];
    TkmodFileRead(f, settings, 32);
    if (orderCount > TKMOD_MAX_ORDERS)
        return Fail(mod, f, "Too many orders in %s", path);
    if (insCount > 255)
        return Fail(mod, f, "Too many samples in %s", path);
    if (patCount > 256)
        return Fail(mod, f, "Too many patterns in %s", path);
    TkmodFileRead(f, mod->orders, orderCount);
    mod->orderCount = (int)orderCount;

    uint16_t *para = (uint16_t *)TkmodAlloc(sizeof(uint16_t) * (insCount + patCount));
    if (!para)
        return Fail(mod, f, "Unable to allocate enough memory for parapointer", nullptr);
    for (long i = 0; i < insCount + patCount; i++)
        para[i] = (uint16_t)r.U16Le();
    unsigned char pans[32] = {0};
    if (defaultPan == 252)
        TkmodFileRead(f, pans, 32);
    if (r.shortRead) {
        free(para);
        return Fail(mod, f, "%s is too short for an S3M", path);
    }

    int channelOf[32];
    int channels = 0;
    for (int c = 0; c < 32; c++) {
        channelOf[c] = -1;
        if (settings[c] >= 32)
            continue;
        int pan = settings[c] <= 7 ? 64 : settings[c] <= 15 ? 192 : 128;
        if (defaultPan == 252 && (pans[c] & 0x20))
            pan = (pans[c] & 15) * 17;
        mod->panning[channels] = (unsigned char)pan;
        channelOf[c] = channels++;
    }
    if (channels == 0) {
        free(para);
        return Fail(mod, f, "No channels in %s", path);
    }
    mod->channelCount = channels;
    mod->speed = speed ? speed : 6;
    mod->tempo = tempo ? tempo : 125;
    mod->globalVolume = std::min(globalVolume, 64);

    if (!SamplesAlloc(mod, (int)insCount)) {
        free(para);
        return Fail(mod, f);
    }
    int xorMask = fileFormat == 1 ? 0x80 : 0;
    for (int i = 0; i < insCount; i++) {
        TkmodSampleInfo &s = mod->samples[i];
        s.panning = 128;
        TkmodFileReopenAt(f, offset + (long)para[i] * 16);
        int type = r.Byte();
        TkmodFileSkip(f, 12);
        long memSeg = (long)r.Byte() << 16;
        memSeg |= r.U16Le();
        long long length = r.U32Le(), loopStart = r.U32Le(), loopEnd = r.U32Le();
        int volume = r.Byte();
        r.Byte();
        r.Byte();  // packing
        int flags = r.Byte();
        long c2spd = (long)(r.U32Le() & 0xFFFF);
        TkmodFileSkip(f, 12 + 28);
        char tag[4] = {0, 0, 0, 0};
        TkmodFileRead(f, tag, 4);
        bool sixteen = (flags & 4) != 0;
        if (type != 1 || memcmp(tag, "SCRS", 4) != 0)
            length = 0;
        s.length = (int)LengthCheck(length, sixteen ? 2 : 1, f);
        s.loopStart = (int)std::min<long long>(loopStart, s.length);
        s.loopEnd = (int)std::min<long long>(loopEnd, s.length);
        s.loopType = (flags & 1) ? TKMOD_LOOP_ON : 0;
        s.volume = std::min(volume, 64);
        s.tune = (int)c2spd;
        LoopClamp(s);
        if (!SampleMake(s, 8, (int)c2spd)) {
            free(para);
            return Fail(mod, f);
        }
        TkmodFileReopenAt(f, offset + memSeg * 16);
        unsigned char *d = (unsigned char *)s.sample->data;
        if (!sixteen) {
            Data8Read(f, s.sample, s.length, xorMask);
        } else {
            for (long k = 0; k < s.length; k++) {
                TkmodFileGetc(f);
                int hi = TkmodFileGetc(f);
                d[k] = hi < 0 ? 0x80 : (unsigned char)(hi ^ xorMask);
            }
        }
    }

    if (!PatternsAlloc(mod, (int)patCount)) {
        free(para);
        return Fail(mod, f);
    }
    for (int p = 0; p < patCount; p++) {
        TkmodCell *cells = CellsAlloc(mod, p, 64);
        if (!cells) {
            free(para);
            return Fail(mod, f);
        }
        long at = (long)para[insCount + p] * 16;
        if (at == 0)
            continue;
        TkmodFileReopenAt(f, offset + at);
        long packed = TkmodFileReadU16Le(f);
        if (packed < 0)
            continue;
        long end = f->pos + packed;
        int row = 0;
        while (row < 64 && f->pos < end) {
            int b = TkmodFileGetc(f);
            if (b < 0)
                break;
            if (b == 0) {
                row++;
                continue;
            }
            int note = -2, ins = 0, vol = -1, cmd = 0, par = 0;
            if (b & 0x20) {
                note = TkmodFileGetc(f);
                ins = TkmodFileGetc(f);
            }
            if (b & 0x40)
                vol = TkmodFileGetc(f);
            if (b & 0x80) {
                cmd = TkmodFileGetc(f);
                par = TkmodFileGetc(f);
            }
            int c = channelOf[b & 31];
            if (c < 0)
                continue;
            TkmodCell &cell = cells[row * channels + c];
            if (b & 0x20) {
                cell.note = note < 0 ? 0 : S3mNote(note);
                cell.sample = (uint8_t)(ins > 0 && ins <= insCount ? ins : 0);
            }
            // Kept in the set-volume range of the volume column.
            if (vol >= 0)
                cell.volume = (uint8_t)(std::min(vol, 64) + 16);
            if (b & 0x80) {
                int param = std::max(par, 0);
                cell.command = (uint8_t)TkmodS3mCommandRemap(cmd, &param);
                cell.param = (uint16_t)param;
            }
        }
    }
    free(para);
    TkmodFileClose(f);
    TkmodSamplesLock(mod);
    return mod;
}

// ---------------------------------------------------------------- XM

int TkmodXmCommandRemap(int command, int *param)
{
    int p = *param & 0xFF;
    int cmd = -1;
    switch (command) {
    case 0x0: cmd = p ? TKCMD_ARPEGGIO : -1; break;
    case 0x1: cmd = TKCMD_XM_PORTA_UP; break;
    case 0x2: cmd = TKCMD_XM_PORTA_DOWN; break;
    case 0x5: cmd = TKCMD_XM_TONE_PORTA_VOL; break;
    case 0x6: cmd = TKCMD_XM_VIBRATO_VOL; break;
    case 0xA: cmd = TKCMD_XM_VOL_SLIDE; break;
    case 0x3: case 0x4: case 0x7: case 0x8: case 0x9: case 0xB: case 0xC: case 0xD: case 0xF:
        cmd = command;
        break;
    case 0xE: {
        int sub = p >> 4, v = p & 15;
        int ext = -1;
        switch (sub) {
        case 0x1: ext = TKEXT_XM_FINE_PORTA_UP; break;
        case 0x2: ext = TKEXT_XM_FINE_PORTA_DOWN; break;
        case 0xA: ext = TKEXT_XM_FINE_VOL_UP; break;
        case 0xB: ext = TKEXT_XM_FINE_VOL_DOWN; break;
        case 0x3: case 0x4: case 0x6: case 0x7: case 0x9: case 0xC: case 0xD: case 0xE:
            ext = sub;
            break;
        default: break;
        }
        if (ext < 0)
            break;
        *param = ext * 16 + v;
        return TKCMD_EXTENDED;
    }
    case 16: cmd = TKCMD_GLOBAL_VOLUME; break;  // G
    case 17: cmd = TKCMD_GLOBAL_SLIDE; break;   // H
    case 20: cmd = TKCMD_KEY_OFF; break;        // K
    case 21: cmd = TKCMD_ENV_POS; break;        // L
    case 25: cmd = TKCMD_PAN_SLIDE; break;      // P
    case 27: cmd = TKCMD_RETRIG; break;         // R
    case 29: cmd = TKCMD_TREMOR; break;         // T
    case 33: cmd = TKCMD_XFINE_PORTA; break;    // X
    default: break;
    }
    if (cmd < 0) {
        *param = 0;
        return 0;
    }
    *param = p;
    return cmd;
}

// Points, sustain and loop of an envelope as the file gives them, made safe to play.
static void EnvelopeCheck(TkmodEnvelopeDef &e)
{
    e.count = std::clamp(e.count, 0, (int)TKMOD_ENV_POINTS);
    for (int i = 0; i < TKMOD_ENV_POINTS; i++)
        e.val[i] = std::clamp(e.val[i], 0, 64);
    if (e.sustainStart >= e.count || e.sustainEnd >= e.count)
        e.flags &= ~TKMOD_ENV_SUSTAIN;
    if (e.loopStart >= e.count || e.loopEnd >= e.count || e.loopEnd < e.loopStart)
        e.flags &= ~TKMOD_ENV_LOOP;
    if (e.count == 0)
        e.flags &= ~TKMOD_ENV_ON;
    e.flags &= TKMOD_ENV_ON | TKMOD_ENV_SUSTAIN | TKMOD_ENV_LOOP;
}

// Samples made while the instruments are read, freed unless handed to the module.
struct SampleList {
    std::vector<TkmodSampleInfo> list;
    ~SampleList()
    {
        for (TkmodSampleInfo &s : list)
            destroy_sample(s.sample);
    }
};

struct XmSampleHeader {
    long long length, loopStart, loopLength;
    int volume, finetune, type, panning, relativeNote;
};

TkmodModule *TkmodXmLoad(const char *path, long offset)
{
    TkmodFile *f = TkmodFileOpen(path, "rb");
    if (!f)
        return Fail(nullptr, nullptr, "Unable to open %s", path);
    if (offset < 0 || offset + 80 + 256 > f->size)
        return Fail(nullptr, f, "%s is too short for an XM", path);
    TkmodModule *mod = ModuleAlloc();
    if (!mod)
        return Fail(nullptr, f);
    Reader r{f};
    TkmodFileReopenAt(f, offset + 17);
    r.Text(mod->name, sizeof mod->name, 20);
    TkmodFileReopenAt(f, offset + 60);
    long long headerSize = r.U32Le();
    long orderCount = r.U16Le(), restart = r.U16Le(), channels = r.U16Le();
    long patCount = r.U16Le(), insCount = r.U16Le(), flags = r.U16Le();
    long speed = r.U16Le(), tempo = r.U16Le();
    unsigned char orders[256];
    TkmodFileRead(f, orders, 256);
    if (orderCount > TKMOD_MAX_ORDERS)
        return Fail(mod, f, "Too many orders in %s", path);
    if (channels < 1 || channels > TKMOD_MAX_CHANNELS)
        return Fail(mod, f, "Bad channel count in %s", path);
    if (patCount > 256)
        return Fail(mod, f, "Too many patterns in %s", path);
    if (insCount > 255)
        return Fail(mod, f, "Too many instruments in %s", path);
    memcpy(mod->orders, orders, sizeof orders);
    mod->orderCount = (int)orderCount;
    mod->restart = restart < orderCount ? (int)restart : 0;
    mod->channelCount = (int)channels;
    mod->flags = TKMOD_FLAG_INSTRUMENTS | ((flags & 1) ? TKMOD_FLAG_LINEAR : TKMOD_FLAG_AMIGA);
    mod->speed = speed ? (int)speed : 6;
    mod->tempo = tempo ? (int)tempo : 125;
    mod->globalVolume = 64;
    memset(mod->panning, 128, sizeof mod->panning);

    long pos = (long)std::min<long long>(offset + 60 + headerSize, f->size);
    if (!PatternsAlloc(mod, (int)patCount))
        return Fail(mod, f);
    for (int p = 0; p < patCount; p++) {
        TkmodFileReopenAt(f, pos);
        long long headerLen = r.U32Le();
        r.Byte();  // packing type
        long rows = r.U16Le();
        long packed = r.U16Le();
        if (r.shortRead)
            return Fail(mod, f, "%s is cut short in its patterns", path);
        if (rows < 1 || rows > TKMOD_MAX_ROWS)
            return Fail(mod, f, "Bad pattern row count in %s", path);
        TkmodCell *cells = CellsAlloc(mod, p, (int)rows);
        if (!cells)
            return Fail(mod, f);
        long data = (long)std::min<long long>(pos + headerLen, f->size);
        long end = std::min(data + packed, f->size);
        TkmodFileReopenAt(f, data);
        for (long i = 0; i < rows * channels && f->pos < end; i++) {
            int b = TkmodFileGetc(f);
            int note = 0, ins = 0, vol = 0, cmd = 0, par = 0;
            if (b & 0x80) {
                if (b & 1) note = TkmodFileGetc(f);
                if (b & 2) ins = TkmodFileGetc(f);
                if (b & 4) vol = TkmodFileGetc(f);
                if (b & 8) cmd = TkmodFileGetc(f);
                if (b & 16) par = TkmodFileGetc(f);
            } else {
                note = b;
                ins = TkmodFileGetc(f);
                vol = TkmodFileGetc(f);
                cmd = TkmodFileGetc(f);
                par = TkmodFileGetc(f);
            }
            TkmodCell &cell = cells[i];
            cell.note = note == 97 ? TKMOD_NOTE_OFF : (note >= 1 && note <= 96) ? note : 0;
            cell.sample = (uint8_t)std::max(ins, 0);  // the player skips a number above the count
            cell.volume = (uint8_t)std::max(vol, 0);
            int param = std::max(par, 0);
            cell.command = (uint8_t)TkmodXmCommandRemap(std::max(cmd, 0), &param);
            cell.param = (uint16_t)param;
        }
        pos = (long)std::min<long long>((long long)data + packed, f->size);
    }

    if (!InstrumentsAlloc(mod, (int)insCount))
        return Fail(mod, f);
    SampleList made;
    std::vector<TkmodSampleInfo> &samples = made.list;
    std::vector<XmSampleHeader> headers;
    for (int i = 0; i < insCount; i++) {
        TkmodInstrument &ins = mod->instruments[i];
        for (int n = 0; n < TKMOD_NOTE_MAP; n++)
            ins.noteMap[n] = -1;
        TkmodFileReopenAt(f, pos);
        long long size = r.U32Le();
        TkmodFileSkip(f, 22 + 1);
        long count = r.U16Le();
        if (r.shortRead)
            return Fail(mod, f, "%s is cut short in its instruments", path);
        long next = pos + 29;
        if (count > 0) {
            long long headerSize = r.U32Le();
            unsigned char keymap[96];
            TkmodFileRead(f, keymap, 96);
            TkmodEnvelopeDef *envs[2] = {&ins.volEnv, &ins.panEnv};
            for (TkmodEnvelopeDef *e : envs)
                for (int k = 0; k < TKMOD_ENV_POINTS; k++) {
                    e->pos[k] = (int)r.U16Le();
                    e->val[k] = (int)r.U16Le();
                }
            ins.volEnv.count = r.Byte();
            ins.panEnv.count = r.Byte();
            ins.volEnv.sustainStart = ins.volEnv.sustainEnd = r.Byte();
            ins.volEnv.loopStart = r.Byte();
            ins.volEnv.loopEnd = r.Byte();
            ins.panEnv.sustainStart = ins.panEnv.sustainEnd = r.Byte();
            ins.panEnv.loopStart = r.Byte();
            ins.panEnv.loopEnd = r.Byte();
            ins.volEnv.flags = r.Byte();
            ins.panEnv.flags = r.Byte();
            TkmodFileSkip(f, 4);  // auto-vibrato
            ins.fadeout = (int)r.U16Le();
            EnvelopeCheck(ins.volEnv);
            EnvelopeCheck(ins.panEnv);
            if (r.shortRead)
                return Fail(mod, f, "%s is cut short in its instruments", path);
            long base = (long)samples.size();
            if (count > 255 || base + count > INT16_MAX)
                return Fail(mod, f, "Too many samples in %s", path);
            for (int n = 0; n < TKMOD_NOTE_MAP; n++)
                ins.noteMap[n] = (int16_t)(keymap[n] < count ? base + keymap[n] : -1);
            next = (long)std::min<long long>(pos + std::max<long long>(size, f->pos - pos), f->size);
            long sampleHeaderLen = (long)std::max<long long>(headerSize, 40);
            if (count * sampleHeaderLen > f->size - next)
                return Fail(mod, f, "%s is cut short in its samples", path);
            headers.clear();
            try {
                headers.resize(count);
            } catch (...) {
                return Fail(mod, f, "Unable to allocate enough memory for XMWAV", nullptr);
            }
            for (long k = 0; k < count; k++) {
                TkmodFileReopenAt(f, next + k * sampleHeaderLen);
                XmSampleHeader &h = headers[k];
                h.length = r.U32Le();
                h.loopStart = r.U32Le();
                h.loopLength = r.U32Le();
                h.volume = r.Byte();
                h.finetune = r.SByte();
                h.type = r.Byte();
                h.panning = r.Byte();
                h.relativeNote = r.SByte();
            }
            long dataAt = next + count * sampleHeaderLen;
            TkmodFileReopenAt(f, dataAt);
            for (long k = 0; k < count; k++) {
                const XmSampleHeader &h = headers[k];
                bool sixteen = (h.type & 16) != 0;
                int bytes = sixteen ? 2 : 1;
                TkmodSampleInfo s;
                memset(&s, 0, sizeof s);
                long frames = LengthCheck(h.length / bytes, 1, f);
                s.length = (int)frames;
                s.loopStart = (int)std::min<long long>(h.loopStart / bytes, frames);
                s.loopEnd = (int)std::min<long long>((h.loopStart + h.loopLength) / bytes, frames);
                s.loopType = (h.type & 3) == 0 ? 0 : (h.type & 2) ? TKMOD_LOOP_ON | TKMOD_LOOP_BIDI : TKMOD_LOOP_ON;
                s.tune = h.finetune + 128;
                s.relativeNote = h.relativeNote;
                s.volume = std::min(h.volume, 64);
                s.panning = h.panning;
                LoopClamp(s);
                if (!SampleMake(s, 8, 8363))
                    return Fail(mod, f);
                unsigned char *d = (unsigned char *)s.sample->data;
                long long stored = h.length;
                if (!sixteen) {
                    unsigned char sum = 0;
                    for (long n = 0; n < frames; n++) {
                        int b = TkmodFileGetc(f);
                        sum = (unsigned char)(sum + (b < 0 ? 0 : b));
                        d[n] = b < 0 ? 0x80 : (unsigned char)(sum ^ 0x80);
                    }
                } else {
                    uint16_t sum = 0;
                    for (long n = 0; n < frames; n++) {
                        long v = TkmodFileReadU16Le(f);
                        sum = (uint16_t)(sum + (v < 0 ? 0 : v));
                        d[n] = v < 0 ? 0x80 : (unsigned char)((sum >> 8) ^ 0x80);
                    }
                }
                // The next sample's data starts after this one's stored bytes, whatever was kept.
                TkmodFileReopenAt(f, (long)std::min<long long>(dataAt + stored, f->size));
                dataAt = f->pos;
                try {
                    samples.push_back(s);
                } catch (...) {
                    destroy_sample(s.sample);
                    return Fail(mod, f, "Unable to allocate enough memory for SAMPLE_INFO structure", nullptr);
                }
            }
            next = dataAt;
        } else {
            next = (long)std::min<long long>(pos + std::max<long long>(size, 29), f->size);
        }
        pos = next;
    }
    if (!SamplesAlloc(mod, (int)samples.size()))
        return Fail(mod, f);
    if (!samples.empty())
        memcpy(mod->samples, samples.data(), samples.size() * sizeof(TkmodSampleInfo));
    samples.clear();  // the module owns them now
    TkmodFileClose(f);
    TkmodSamplesLock(mod);
    return mod;
}

// ---------------------------------------------------------------- own format

static void OwnEnvelopeRead(Reader &r, TkmodEnvelopeDef &e)
{
    for (int k = 0; k < TKMOD_ENV_POINTS; k++) {
        e.pos[k] = (int)r.U16Le();
        e.val[k] = (int)r.U16Le();
    }
    e.count = r.Byte();
    e.flags = r.Byte();
    e.sustainStart = e.sustainEnd = r.Byte();
    e.loopStart = r.Byte();
    e.loopEnd = r.Byte();
    EnvelopeCheck(e);
}

// One field of every entry of a pattern, run-length packed; false when the file ends first.
template <typename Store>
static bool OwnFieldRead(TkmodFile *f, long entries, int width, Store store)
{
    long i = 0;
    while (i < entries) {
        int c = TkmodFileGetc(f);
        if (c < 0)
            return false;
        int n = c & 0x7F;
        if (!(c & 0x80)) {
            i = std::min(entries, i + n);
            continue;
        }
        for (int k = 0; k < n; k++) {
            long v = width == 2 ? TkmodFileReadU16Le(f) : TkmodFileGetc(f);
            if (v < 0)
                return false;
            // A run longer than the pattern: its extra values are read and dropped.
            if (i < entries)
                store(i++, v);
        }
    }
    return true;
}

TkmodModule *TkmodOwnRead(TkmodFile *f)
{
    const char *path = BaseName(f);
    TkmodFileReopenAt(f, 0);
    if (f->size < OWN_MAGIC_LEN + 30 + 20 || memcmp(f->data, ownMagic, OWN_MAGIC_LEN) != 0) {
        TkmodErrorSet("%s is not a TKMOD module", path);
        return nullptr;
    }
    TkmodModule *mod = ModuleAlloc();
    if (!mod)
        return nullptr;
    Reader r{f};
    TkmodFileSkip(f, OWN_MAGIC_LEN);
    r.Text(mod->name, 29, 28);
    TkmodFileSkip(f, 2);
    long orderCount = r.U16Le(), patCount = r.U16Le(), channels = r.U16Le();
    long insCount = r.U16Le(), smpCount = r.U16Le();
    long speed = r.U16Le(), tempo = r.U16Le(), globalVolume = r.U16Le(), restart = r.U16Le(), flags = r.U16Le();
    // With a format the error text names the file; without, the text already set stands.
    auto fail = [&](const char *format) {
        if (format)
            TkmodErrorSet(format, path);
        TkmodDestroy(mod);
        return (TkmodModule *)nullptr;
    };
    if (orderCount > TKMOD_MAX_ORDERS)
        return fail("Too many orders in %s");
    if (patCount > 256)
        return fail("Too many patterns in %s");
    if (channels < 1 || channels > TKMOD_MAX_CHANNELS)
        return fail("Bad channel count in %s");
    if (insCount > 255)
        return fail("Too many instruments in %s");
    // Every sample takes at least its 4-byte length.
    if (smpCount > r.Left() / 4)
        return fail("Too many samples in %s");
    mod->orderCount = (int)orderCount;
    mod->channelCount = (int)channels;
    mod->flags = (int)(flags & (TKMOD_FLAG_INSTRUMENTS | TKMOD_FLAG_AMIGA | TKMOD_FLAG_LINEAR));
    mod->speed = std::max((int)speed, 1);
    mod->tempo = std::max((int)tempo, 1);
    mod->globalVolume = std::min((int)globalVolume, 64);
    mod->restart = restart < orderCount ? (int)restart : 0;
    TkmodFileRead(f, mod->panning, channels);
    TkmodFileRead(f, mod->orders, orderCount);

    if (!InstrumentsAlloc(mod, (int)insCount))
        return fail(nullptr);
    for (int i = 0; i < insCount; i++) {
        TkmodInstrument &ins = mod->instruments[i];
        for (int n = 0; n < TKMOD_NOTE_MAP; n++) {
            int s = r.Byte();
            ins.noteMap[n] = (int16_t)(s < smpCount ? s : -1);
        }
        OwnEnvelopeRead(r, ins.volEnv);
        OwnEnvelopeRead(r, ins.panEnv);
        ins.fadeout = (int)r.U16Le();
    }
    if (r.shortRead)
        return fail("%s is cut short in its instruments");

    if (!SamplesAlloc(mod, (int)smpCount))
        return fail(nullptr);
    for (int i = 0; i < smpCount; i++) {
        TkmodSampleInfo &s = mod->samples[i];
        long long length = r.U32Le();
        if (r.shortRead)
            return fail("%s is cut short in its samples");
        int bits = 8;
        if (length != 0) {
            long long loopStart = r.U32Le(), loopEnd = r.U32Le();
            TkmodFileRead(f, s.extra, 4);
            s.volume = std::min(r.Byte(), 64);
            s.panning = r.Byte();
            s.relativeNote = r.SByte();
            s.tune = (int)r.U16Le();
            bits = r.Byte();
            s.loopType = r.Byte() & (TKMOD_LOOP_ON | TKMOD_LOOP_BIDI);
            if (bits != 8 && bits != 16)
                return fail("Bad sample bits in %s");
            s.length = (int)LengthCheck(length, bits / 8, f);
            s.loopStart = (int)std::min<long long>(loopStart, s.length);
            s.loopEnd = (int)std::min<long long>(loopEnd, s.length);
        }
        LoopClamp(s);
        if (!SampleMake(s, bits, 8363))
            return fail(nullptr);
        long stored = (long)std::min<long long>(length, 0x7FFFFFFFLL / 2) * (bits / 8);
        if (bits == 8) {
            Data8Read(f, s.sample, s.length, 0);
        } else {
            uint16_t *d = (uint16_t *)s.sample->data;
            for (long k = 0; k < s.length; k++) {
                long v = TkmodFileReadU16Le(f);
                d[k] = v < 0 ? 0x8000 : (uint16_t)v;
            }
        }
        // Data the length promised beyond what was kept.
        TkmodFileSkip(f, stored - (long)s.length * (bits / 8));
    }

    if (!PatternsAlloc(mod, (int)patCount))
        return fail(nullptr);
    bool instruments = (mod->flags & TKMOD_FLAG_INSTRUMENTS) != 0;
    for (int p = 0; p < patCount; p++) {
        long rows = TkmodFileReadU16Le(f);
        if (rows < 0)
            return fail("%s is cut short in its patterns");
        if (rows < 1 || rows > TKMOD_MAX_ROWS)
            return fail("Bad pattern row count in %s");
        TkmodCell *cells = CellsAlloc(mod, p, (int)rows);
        if (!cells)
            return fail(nullptr);
        long entries = rows * channels;
        bool ok = OwnFieldRead(f, entries, instruments ? 1 : 2, [&](long i, long v) {
            if (instruments)
                cells[i].note = (int32_t)(signed char)v;
            else
                cells[i].note = v ? (int32_t)(AMIGA_CLOCK / v) : 0;
        });
        // Numbers and commands as the file gives them: the player skips a
        // number above the count and a command it does not know.
        ok = ok && OwnFieldRead(f, entries, 1, [&](long i, long v) { cells[i].sample = (uint8_t)v; });
        ok = ok && OwnFieldRead(f, entries, 1, [&](long i, long v) { cells[i].volume = (uint8_t)v; });
        ok = ok && OwnFieldRead(f, entries, 1, [&](long i, long v) { cells[i].command = (uint8_t)v; });
        ok = ok && OwnFieldRead(f, entries, 2, [&](long i, long v) { cells[i].param = (uint16_t)v; });
        if (!ok)
            return fail("%s is cut short in its patterns");
    }
    TkmodSamplesLock(mod);
    return mod;
}

TkmodModule *TkmodOwnLoad(const char *path)
{
    TkmodFile *f = TkmodFileOpen(path, "rb");
    if (!f) {
        TkmodErrorSet("Unable to open %s", path);
        return nullptr;
    }
    TkmodModule *mod = TkmodOwnRead(f);
    TkmodFileClose(f);
    return mod;
}

// ---------------------------------------------------------------- IT

TkmodModule *TkmodItLoad(const char *path, long offset)
{
    TkmodFile *f = TkmodFileOpen(path, "rb");
    if (!f) {
        TkmodErrorSet("Unable to open %s", path);
        return nullptr;
    }
    Reader r{f};
    TkmodFileReopenAt(f, offset + 4);
    char name[27];
    r.Text(name, sizeof name, 26);
    printf("%s\n", name);
    TkmodFileClose(f);
    TkmodErrorSet("IT support is not completed yet. Wait a few more versions");
    return nullptr;
}

// ---------------------------------------------------------------- probing

static const char *const unsupported = "Unsupported MOD type or unable to open file";

TkmodModule *TkmodLoad(const char *path)
{
    std::vector<unsigned char> head;
    if (!FileBytes(path, TKMOD_HEAD_LEN, head)) {
        TkmodErrorSet("%s", unsupported);
        return nullptr;
    }
    const unsigned char *h = head.data();
    long n = (long)head.size();
    if (TkmodOwnDetect(h, n))
        return TkmodOwnLoad(path);
    if (TkmodItDetect(h, n))
        return TkmodItLoad(path, 0);
    if (TkmodXmDetect(h, n))
        return TkmodXmLoad(path, 0);
    if (TkmodS3mDetect(h, n))
        return TkmodS3mLoad(path, 0);
    if (TkmodModDetect31(h, n))
        return TkmodModLoad(path, 31);
    long at;
    if ((at = TkmodItUmxDetect(h, n)) >= 0)
        return TkmodItLoad(path, at);
    if ((at = TkmodXmUmxDetect(h, n)) >= 0)
        return TkmodXmLoad(path, at);
    if ((at = TkmodS3mUmxDetect(h, n)) >= 0)
        return TkmodS3mLoad(path, at);
    TkmodErrorSet("%s", unsupported);
    return nullptr;
}

// The text of len bytes at the offset, cut at its first zero.
static void HeadText(const std::vector<unsigned char> &head, long at, long len, char *out, size_t outSize)
{
    std::string s;
    for (long i = at; i < at + len && i >= 0 && i < (long)head.size() && head[i]; i++)
        s += (char)head[i];
    snprintf(out, outSize, "%s", s.c_str());
}

int TkmodInfoGet(const char *path, TkmodInfo *info)
{
    memset(info, 0, sizeof *info);
    std::vector<unsigned char> head;
    if (!FileBytes(path, TKMOD_HEAD_LEN, head)) {
        TkmodErrorSet("%s", unsupported);
        return -1;
    }
    const unsigned char *h = head.data();
    long n = (long)head.size();
    int type = TKMOD_TYPE_NONE;
    long nameAt = 0, nameLen = 0, at;
    if (TkmodOwnDetect(h, n)) {
        type = TKMOD_TYPE_OWN;
        nameAt = OWN_MAGIC_LEN;
        nameLen = 29;
    } else if (TkmodItDetect(h, n)) {
        type = TKMOD_TYPE_IT;
        nameAt = 4;
        nameLen = 26;
    } else if (TkmodXmDetect(h, n)) {
        type = TKMOD_TYPE_XM;
        nameAt = 17;
        nameLen = 20;
    } else if (TkmodS3mDetect(h, n)) {
        type = TKMOD_TYPE_S3M;
        nameLen = 28;
    } else if (TkmodModDetect31(h, n)) {
        type = TKMOD_TYPE_MOD31;
        nameLen = 20;
    } else if ((at = TkmodItUmxDetect(h, n)) >= 0) {
        type = TKMOD_TYPE_UMX_IT;
        nameAt = at + 4;
        nameLen = 26;
    } else if ((at = TkmodXmUmxDetect(h, n)) >= 0) {
        type = TKMOD_TYPE_UMX_XM;
        nameAt = at + 17;
        nameLen = 20;
    } else if ((at = TkmodS3mUmxDetect(h, n)) >= 0) {
        type = TKMOD_TYPE_UMX_S3M;
        nameAt = at;
        nameLen = 28;
    } else {
        TkmodErrorSet("%s", unsupported);
        return -1;
    }
    info->type = type;
    snprintf(info->typeName, sizeof info->typeName, "%s", typeNames[type]);
    HeadText(head, nameAt, nameLen, info->songName, sizeof info->songName);
    return 1;
}

// ---------------------------------------------------------------- datafiles

void *TkmodDatafileLoad(PACKFILE *f, long size)
{
    std::vector<unsigned char> bytes;
    if (size > 0) {
        try {
            bytes.resize(size);
        } catch (...) {
            TkmodErrorSet("Unable to allocate enough memory for TKMOD structure");
            return nullptr;
        }
        long got = pack_fread(bytes.data(), size, f);
        bytes.resize(std::max(got, 0L));
    }
    TkmodFile *file = FileFromBytes(bytes, "datafile object");
    if (!file) {
        TkmodErrorSet("Unable to allocate enough memory for TKMOD structure");
        return nullptr;
    }
    TkmodModule *mod = TkmodOwnRead(file);
    TkmodFileClose(file);
    return mod;
}

void TkmodDatafileDestroy(void *data)
{
    TkmodDestroy((TkmodModule *)data);
}

void TkmodDatafileRegister()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    register_datafile_object(DAT_ID('T', 'K', 'M', ' '), TkmodDatafileLoad, TkmodDatafileDestroy);
}
