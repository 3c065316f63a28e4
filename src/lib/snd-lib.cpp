// Sound library: Allegro sound start and stop by driver name, sound sets from sound and WAV files, 256 keyed sound channels, MIDI and volumes.
#include "lib/snd-lib.h"

#include <allegro.h>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/vfile.h"
#include "platform/pfile.h"

// Line number that names the set check of SndChannelLoad in its assertion text.
enum { SND_LINE_CHANNEL_LOAD = 686 };

// Allegro keeps voice frequencies as 20.12 fixed point in an int.
enum { SND_RATE_MAX = 0x7FFFFFFF >> 12 };

static const unsigned char sndMagic[12] = {'T', 'a', 'r', 'n', 'w', 'i', 'c', 'k', 'S', 'n', 'd', 0};

static struct {
    int state;
    int installed;
    int channelCount;
    SndChannel *channels;
    // The sample each channel's voice was last pointed at (Allegro tells it
    // only for voices that hold a hardware voice).
    SAMPLE *channelSample[SND_CHANNELS];
    SAMPLE *placeholder;
    int panSign = 1;
    int digiVolume = 127;
    int midiVolume = 127;
    int loadToMemory;
} snd;

static const SndDevice allegroSound = {
    [](int id) { return detect_digi_driver(id); },
    [](int id) { return detect_midi_driver(id); },
};
static const SndDevice *device = &allegroSound;

void SndDeviceSet(const SndDevice *d)
{
    device = d ? d : &allegroSound;
}

// ---------------------------------------------------------------- driver names

// "<prefix><digit>" of exactly the given length, in any case; the device number or -1.
static int DeviceNumber(const char *name, const char *prefix, size_t length)
{
    size_t n = strlen(prefix);
    if (strlen(name) != length || !StrNCaseEq(name, prefix, (int)n) || !isdigit((unsigned char)name[n]))
        return -1;
    return atoi(name + n);
}

// Linux has no DirectSound or waveOut: the DirectSound devices go to ALSA and
// the older waveOut devices to OSS; the MIDI mapper and MIDI devices go to the
// ALSA sequencer.
int SndDigiDriverParse(const char *name)
{
    if (!name)
        return SND_DRIVER_INVALID;
    if (strcasecmp(name, "none") == 0)
        return DIGI_NONE;
    if (strcasecmp(name, "auto") == 0)
        return DIGI_AUTODETECT;
    if (DeviceNumber(name, "dx", 3) >= 0 || DeviceNumber(name, "dxa", 4) >= 0)
        return DIGI_ALSA;
    if (strcasecmp(name, "waveoutA") == 0 || strcasecmp(name, "waveoutB") == 0)
        return DIGI_OSS;
    return SND_DRIVER_INVALID;
}

int SndMidiDriverParse(const char *name)
{
    if (!name)
        return SND_DRIVER_INVALID;
    if (strcasecmp(name, "none") == 0)
        return MIDI_NONE;
    if (strcasecmp(name, "auto") == 0)
        return MIDI_AUTODETECT;
    if (strcasecmp(name, "mapper") == 0 || DeviceNumber(name, "mid", 4) >= 0)
        return MIDI_ALSA;
    if (strcasecmp(name, "digmid") == 0)
        return MIDI_DIGMID;
    return SND_DRIVER_INVALID;
}

// The id's code for the configuration text: "0" for none, its characters
// without trailing blanks for a driver, nothing for auto or invalid ids.
static std::string DriverCode(int id)
{
    if (id == 0)
        return "0";
    if (id < 0)
        return "";
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8)
        code += (char)((unsigned)id >> shift & 0xFF);
    while (!code.empty() && code.back() == ' ')
        code.pop_back();
    return code;
}

void SndConfigText(int digiId, int midiId, char *out, size_t outSize)
{
    std::string text;
    if (digiId != -1 || midiId != -1) {
        text = "[sound]\n";
        std::string code = DriverCode(digiId);
        if (!code.empty())
            text += "digi_card=" + code + "\n";
        code = DriverCode(midiId);
        if (!code.empty())
            text += "midi_card=" + code + "\n";
    }
    StrCopy(out, outSize, text.c_str());
}

// ---------------------------------------------------------------- start and stop

static void FreeTables()
{
    MemFree(snd.channels);
    snd.channels = nullptr;
    if (snd.placeholder)
        destroy_sample(snd.placeholder);
    snd.placeholder = nullptr;
    snd.channelCount = 0;
}

// Undoes a start that got past install_sound, leaving sound off.
static int InstallFail()
{
    remove_sound();
    FreeTables();
    snd.installed = 0;
    snd.state = 0;
    LibSetError(LIB_ERR_SOUND);
    return 0;
}

int SndInstall(int digiId, int midiId, int waveChannels)
{
    int oldError = LibGetError();
    char config[128];
    SndConfigText(digiId, midiId, config, sizeof config);
    if (config[0])
        override_config_data(config, (int)strlen(config));
    if (snd.installed)
        return 0;

    int digiVoices = 0, midiVoices = 0;
    if (digiId != 0) {
        digiVoices = device->detectDigi(digiId);
        if (digiVoices == 0) {
            LibSetError(LIB_ERR_SOUND);
            return 0;
        }
        if (waveChannels > 0 && waveChannels < digiVoices)
            digiVoices = waveChannels;
    }
    if (midiId != 0) {
        midiVoices = device->detectMidi(midiId);
        if (midiVoices == 0) {
            LibSetError(LIB_ERR_SOUND);
            return 0;
        }
        if (midiVoices == -1 || midiVoices == 0xFFFF)
            midiVoices = 9;
    }
    reserve_voices(digiVoices, midiVoices);
    if (install_sound(digiId, midiId, nullptr) == -1) {
        LibSetError(LIB_ERR_SOUND);
        return 0;
    }

    snd.digiVolume = snd.midiVolume = 127;
    set_volume(127, 127);
    snd.state = 1;
    snd.installed = 1;
    snd.channelCount = SND_CHANNELS;
    snd.channels = (SndChannel *)LibCalloc(SND_CHANNELS, sizeof(SndChannel));
    if (!snd.channels)
        return InstallFail();
    for (int i = 0; i < SND_CHANNELS; i++) {
        snd.channels[i].voice = -1;
        snd.channelSample[i] = nullptr;
    }
    snd.placeholder = create_sample(8, 0, 8000, 1);
    if (!snd.placeholder)
        return InstallFail();
    snd.placeholder->priority = 255;
    ((unsigned char *)snd.placeholder->data)[0] = 0x80;
    LibSetError(oldError);
    return 1;
}

void SndRemove()
{
    if (!snd.installed)
        return;
    remove_sound();
    snd.installed = 0;
    FreeTables();
    snd.state = 0;
}

int SndDigiDetect(int id)
{
    if (snd.installed)
        return 0;
    return id == 0 || device->detectDigi(id) != 0;
}

int SndMidiDetect(int id)
{
    if (snd.installed)
        return 0;
    return id == 0 || device->detectMidi(id) != 0;
}

void SndSetState(int v)
{
    snd.state = v;
}

int SndGetState()
{
    return snd.state;
}

void SndSetLoadToMemory(int flag)
{
    snd.loadToMemory = flag;
}

void SndSetReverseStereo(int flag)
{
    snd.panSign = flag ? -1 : 1;
}

int SndChannelCount()
{
    return snd.channelCount;
}

// Sound runs: the state word says so and there is a driver and a channel
// table to act on (the state word alone can be set without a start).
static int Running()
{
    return snd.state == 1 && snd.installed;
}

// ---------------------------------------------------------------- sound sets

SndSet *SndSetCreate(int capacity)
{
    if (capacity < 0)
        return nullptr;
    SndSet *set = (SndSet *)LibCalloc(1, sizeof(SndSet));
    if (!set)
        return nullptr;
    set->samples = ArrayCreate(capacity, (int)sizeof(SAMPLE *), set);
    if (!set->samples) {
        MemFree(set);
        return nullptr;
    }
    return set;
}

int SndSetAdd(SndSet *set, SAMPLE *sample, int group, int number)
{
    if (!set || !set->samples || ArrayFind(set->samples, group, number) >= 0)
        return 0;
    return ArrayAdd(set->samples, &sample, group, number) >= 0;
}

SAMPLE *SndSetFind(const SndSet *set, int group, int number)
{
    if (!set || !set->samples)
        return nullptr;
    SAMPLE **elem = (SAMPLE **)ArrayFindElem(set->samples, group, number);
    return elem ? *elem : nullptr;
}

void SndSampleDestroy(SAMPLE *sample)
{
    if (!sample)
        return;
    // Allegro frees the voices still bound to a destroyed sample, which would
    // leave their numbers in the channel table; such channels keep their voice,
    // stopped, on the placeholder.
    if (snd.installed) {
        for (int i = 0; i < SND_CHANNELS; i++) {
            int v = snd.channels[i].voice;
            if (v >= 0 && snd.channelSample[i] == sample) {
                voice_stop(v);
                reallocate_voice(v, snd.placeholder);
                snd.channelSample[i] = snd.placeholder;
            }
        }
    }
    destroy_sample(sample);
}

void SndSetFree(SndSet *set)
{
    if (!set)
        return;
    if (set->samples) {
        for (SAMPLE **s = (SAMPLE **)ArrayFirst(set->samples); s; s = (SAMPLE **)ArrayNext(set->samples))
            SndSampleDestroy(*s);
        ArrayFree(set->samples);
    }
    MemFree(set);
}

// Size of the stream behind the file, -1 when it cannot be told; the position is kept.
static long StreamSize(VFile *vf)
{
    long pos = VFileTell(vf);
    if (pos < 0 || VFileSeek(vf, 0, 2) != 0)
        return -1;
    long size = VFileTell(vf);
    VFileSeek(vf, pos, 0);
    return size;
}

static int Le16(const unsigned char *p)
{
    return p[0] | p[1] << 8;
}

static int32_t Le32(const unsigned char *p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static int ReadBytes(VFile *vf, void *buffer, int n)
{
    return VFileRead(buffer, n, 1, vf) == 1;
}

// Fills the sample from the data chunk at the current position.
static int WavFill(VFile *vf, SAMPLE *s, int bits, int channels)
{
    size_t values = (size_t)s->len * (size_t)channels;
    if (values == 0)
        return 1;
    size_t bytes = values * (size_t)(bits / 8);
    if (bits == 8)
        return ReadBytes(vf, s->data, (int)bytes);
    unsigned char *raw = (unsigned char *)malloc(bytes);
    if (!raw)
        return 0;
    int ok = ReadBytes(vf, raw, (int)bytes);
    if (ok) {
        uint16_t *out = (uint16_t *)s->data;
        for (size_t i = 0; i < values; i++)
            out[i] = (uint16_t)(Le16(raw + 2 * i) ^ 0x8000);
    }
    free(raw);
    return ok;
}

SAMPLE *SndWavRead(VFile *vf)
{
    if (!vf)
        return nullptr;
    long start = VFileTell(vf);
    long size = StreamSize(vf);
    if (start < 0 || size < 0)
        return nullptr;
    int rate = 22050, bits = 8, channels = 1;
    unsigned char head[12];
    if (!ReadBytes(vf, head, 12) || memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0) {
        VFileSeek(vf, start, 0);
        return nullptr;
    }
    int64_t end = (int64_t)(uint32_t)Le32(head + 4) + 8;

    SAMPLE *sample = nullptr;
    while (!VFileEof(vf)) {
        unsigned char chunk[8];
        if (!ReadBytes(vf, chunk, 8))
            break;
        int32_t n = Le32(chunk + 4);
        if (memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (n < 16 || !ReadBytes(vf, fmt, 16))
                break;
            int tag = Le16(fmt), ch = Le16(fmt + 2), b = Le16(fmt + 14);
            int32_t r = Le32(fmt + 4);
            if (tag != 1 || (ch != 1 && ch != 2) || (b != 8 && b != 16) || r <= 0 || r > SND_RATE_MAX)
                break;
            channels = ch;
            bits = b;
            rate = r;
            if (n > 16 && VFileSeek(vf, n - 16, 1) != 0)
                break;
        } else if (memcmp(chunk, "data", 4) == 0) {
            // A data chunk longer than what is left of the stream is cut
            // short: writers that never patch the length leave it too big.
            long pos = VFileTell(vf);
            if (pos < 0)
                break;
            int64_t length = (uint32_t)n;
            int64_t left = (int64_t)size - pos;
            if (length > left)
                length = left > 0 ? left : 0;
            if (length > INT32_MAX)
                length = INT32_MAX;
            int frames = (int)length / channels;
            if (bits == 16)
                frames /= 2;
            // A later data chunk replaces the samples of an earlier one.
            SAMPLE *next = create_sample(bits, channels == 2, rate, frames);
            if (!next) {
                if (VFileSeek(vf, (long)length, 1) != 0)
                    break;
                continue;
            }
            SndSampleDestroy(sample);
            sample = next;
            if (!WavFill(vf, sample, bits, channels)) {
                destroy_sample(sample);
                sample = nullptr;
                break;
            }
        } else {
            if (n < 1 || VFileSeek(vf, n, 1) != 0)
                break;
            long pos = VFileTell(vf);
            if (pos < 0 || (int64_t)pos > (int64_t)start + end)
                break;
        }
    }
    if (sample)
        lock_sample(sample);
    VFileSeek(vf, start, 0);
    return sample;
}

SndSet *SndFileRead(VFile *vf)
{
    if (!vf)
        return nullptr;
    long base = VFileTell(vf);
    long size = StreamSize(vf);
    if (base < 0 || size < 0)
        return nullptr;
    unsigned char head[SND_FILE_HEADER_LEN];
    if (!ReadBytes(vf, head, sizeof head) || memcmp(head, sndMagic, sizeof sndMagic) != 0) {
        VFileSeek(vf, base, 0);
        return nullptr;
    }
    int32_t count = Le32(head + 16);
    int64_t offset = Le32(head + 20);
    // Every sound has a subheader of its own in the file, so there cannot be
    // more sounds than places for one.
    int64_t room = (int64_t)size - base - SND_SUBHEADER_LEN + 1;
    if (count < 0 || count > (room > 0 ? room : 0)) {
        VFileSeek(vf, base, 0);
        return nullptr;
    }
    SndSet *set = SndSetCreate(count);
    if (!set) {
        VFileSeek(vf, base, 0);
        return nullptr;
    }
    for (int i = 0; i < count; i++) {
        unsigned char sub[SND_SUBHEADER_LEN];
        if (offset < 0 || base + offset + SND_SUBHEADER_LEN > size || VFileSeek(vf, (long)(base + offset), 0) != 0 ||
            !ReadBytes(vf, sub, sizeof sub)) {
            SndSetFree(set);
            set = nullptr;
            break;
        }
        SAMPLE *sample = SndWavRead(vf);
        if (!sample || !SndSetAdd(set, sample, Le32(sub + 8), Le32(sub + 12))) {
            SndSampleDestroy(sample);
            SndSetFree(set);
            set = nullptr;
            break;
        }
        offset = Le32(sub);
    }
    VFileSeek(vf, base, 0);
    return set;
}

// The whole disk file in a memory file that owns the block.
static VFile *OpenInMemory(const char *path)
{
    FILE *f = PlatFileOpen(path, "rb");
    if (!f)
        return nullptr;
    long size = FileLength(f);
    unsigned char *block = size >= 0 ? (unsigned char *)LibCalloc((size_t)size + 1, 1) : nullptr;
    VFile *vf = nullptr;
    if (block && fseek(f, 0, SEEK_SET) == 0 && fread(block, 1, (size_t)size, f) == (size_t)size)
        vf = VFileOpenMem(block, (size_t)size);
    fclose(f);
    if (!vf) {
        MemFree(block);
        return nullptr;
    }
    vf->ownsBlock = 1;
    return vf;
}

SndSet *SndSetLoad(const char *path)
{
    if (!path)
        return nullptr;
    VFile *vf = snd.loadToMemory ? OpenInMemory(path) : VFileOpen(path, "rb");
    if (!vf)
        return nullptr;
    VFileSeek(vf, 0, 0);
    SndSet *set = nullptr;
    switch (FileTypeFromExt(path)) {
    case FILETYPE_WAV: {
        SAMPLE *sample = SndWavRead(vf);
        if (sample) {
            set = SndSetCreate(1);
            if (!set || !SndSetAdd(set, sample, 0, 0)) {
                SndSampleDestroy(sample);
                SndSetFree(set);
                set = nullptr;
            }
        }
        break;
    }
    case FILETYPE_SND: set = SndFileRead(vf); break;
    default: break;
    }
    VFileClose(vf);
    return set;
}

// ---------------------------------------------------------------- playing without channels

static int PlayFromSet(SndSet *set, int group, int number, int volume, int pan, int freq, int loop)
{
    if (!Running())
        return -1;
    SAMPLE *sample = SndSetFind(set, group, number);
    if (!sample)
        return -1;
    return play_sample(sample, volume, pan, freq, loop);
}

int SndPlayKey(SndSet *set, int group, int number, int volume)
{
    return PlayFromSet(set, group, number, volume, 127, 1000, 0);
}

int SndPlayKeyLoop(SndSet *set, int group, int number, int volume)
{
    return PlayFromSet(set, group, number, volume, 127, 1000, 1);
}

int SndPlayKeyEx(SndSet *set, int group, int number, int volume, int pan, int freq)
{
    return PlayFromSet(set, group, number, volume, pan, freq, 0);
}

// ---------------------------------------------------------------- channels

// The channel when sound runs and the index lies in the table, else null.
static SndChannel *Channel(int channel)
{
    if (!Running() || channel < 0 || channel >= SND_CHANNELS)
        return nullptr;
    return &snd.channels[channel];
}

// The channel's voice when it has one, else -1.
static int ChannelVoice(int channel)
{
    SndChannel *c = Channel(channel);
    return c ? c->voice : -1;
}

static int VoiceFinished(int voice)
{
    return voice_get_position(voice) == -1;
}

static int IsFree(const SndChannel *c)
{
    return !c->reserved && (c->voice < 0 || VoiceFinished(c->voice));
}

int SndChannelLoad(int channel, SndSet *set, int group, int number)
{
    if (!set || !set->samples)
        LibAssertFail("snd-lib", SND_LINE_CHANNEL_LOAD);
    SndChannel *c = Channel(channel);
    if (!c)
        return -1;
    for (int i = 0; i < SND_CHANNELS; i++) {
        SndChannel *o = &snd.channels[i];
        if (o->voice >= 0 && !o->reserved && VoiceFinished(o->voice)) {
            deallocate_voice(o->voice);
            o->voice = -1;
            o->key = -1;
            snd.channelSample[i] = nullptr;
        }
    }
    SAMPLE *sample = SndSetFind(set, group, number);
    if (!sample)
        return -1;
    if (c->voice < 0) {
        c->voice = allocate_voice(snd.placeholder);
        if (c->voice < 0)
            return -1;
    }
    reallocate_voice(c->voice, sample);
    snd.channelSample[channel] = sample;
    voice_set_volume(c->voice, 127);
    voice_set_pan(c->voice, 127);
    voice_set_frequency(c->voice, sample->freq);
    voice_set_playmode(c->voice, PLAYMODE_PLAY);
    return c->voice;
}

int SndChannelPlayVol(int channel, SndSet *set, int group, int number, int volume)
{
    int v = SndChannelLoad(channel, set, group, number);
    if (v < 0)
        return -1;
    voice_set_volume(v, volume);
    voice_start(v);
    return v;
}

void SndChannelStart(int channel)
{
    int v = ChannelVoice(channel);
    if (v >= 0)
        voice_start(v);
}

static void StopChannel(int channel)
{
    SndChannel *c = &snd.channels[channel];
    c->key = 0;
    if (c->voice < 0)
        return;
    voice_stop(c->voice);
    const SAMPLE *sample = voice_check(c->voice);
    if (!sample)
        sample = snd.channelSample[channel];
    if (sample)
        voice_set_position(c->voice, (int)sample->len);
}

void SndChannelStop(int channel)
{
    if (Channel(channel))
        StopChannel(channel);
}

void SndChannelStopAll()
{
    if (!Running())
        return;
    for (int i = 0; i < SND_CHANNELS; i++)
        StopChannel(i);
}

int SndChannelSetVolume(int channel, int volume)
{
    int v = ChannelVoice(channel);
    if (v >= 0)
        voice_set_volume(v, volume);
    return v;
}

int SndChannelGetVolume(int channel)
{
    int v = ChannelVoice(channel);
    return v >= 0 ? voice_get_volume(v) : 0;
}

int SndChannelSetFreq(int channel, int freq)
{
    int v = ChannelVoice(channel);
    if (v >= 0)
        voice_set_frequency(v, freq);
    return v;
}

int SndChannelGetFreq(int channel)
{
    int v = ChannelVoice(channel);
    return v >= 0 ? voice_get_frequency(v) : 0;
}

int SndChannelSetPan(int channel, int pan)
{
    int v = ChannelVoice(channel);
    if (v >= 0)
        voice_set_pan(v, pan * snd.panSign + 127);
    return v;
}

int SndChannelGetPan(int channel)
{
    int v = ChannelVoice(channel);
    return v >= 0 ? (voice_get_pan(v) - 127) * snd.panSign : 0;
}

int SndChannelSetLoop(int channel, int flag)
{
    int v = ChannelVoice(channel);
    if (v >= 0)
        voice_set_playmode(v, flag ? PLAYMODE_LOOP : PLAYMODE_PLAY);
    return v;
}

static int Reserve(int channel)
{
    SndChannel *c = &snd.channels[channel];
    if (c->reserved)
        return 0;
    if (c->voice >= 0) {
        deallocate_voice(c->voice);
        c->voice = -1;
    }
    snd.channelSample[channel] = nullptr;
    c->voice = allocate_voice(snd.placeholder);
    if (c->voice < 0)
        return 0;
    snd.channelSample[channel] = snd.placeholder;
    c->reserved = 1;
    return 1;
}

int SndChannelReserve(int channel)
{
    return Channel(channel) ? Reserve(channel) : 0;
}

int SndChannelReserveAny()
{
    if (!Running())
        return -1;
    for (int i = 0; i < SND_CHANNELS; i++)
        if (!snd.channels[i].reserved)
            return Reserve(i) ? i : -1;
    return -1;
}

static void Release(int channel)
{
    SndChannel *c = &snd.channels[channel];
    if (!c->reserved)
        return;
    if (c->voice >= 0)
        deallocate_voice(c->voice);
    c->voice = -1;
    c->key = 0;
    c->reserved = 0;
    snd.channelSample[channel] = nullptr;
}

void SndChannelRelease(int channel)
{
    if (Channel(channel))
        Release(channel);
}

void SndChannelReleaseAll()
{
    if (!Running())
        return;
    for (int i = 0; i < SND_CHANNELS; i++)
        Release(i);
}

int SndChannelIsReserved(int channel)
{
    SndChannel *c = Channel(channel);
    return c ? c->reserved : 0;
}

int SndChannelVoice(int channel)
{
    return ChannelVoice(channel);
}

int SndChannelIsPlaying(int channel)
{
    int v = ChannelVoice(channel);
    return v >= 0 && !VoiceFinished(v);
}

int SndChannelIsFree(int channel)
{
    SndChannel *c = Channel(channel);
    return c ? IsFree(c) : 0;
}

int SndChannelFindFree()
{
    if (!Running())
        return -1;
    for (int i = 0; i < SND_CHANNELS; i++)
        if (IsFree(&snd.channels[i]))
            return i;
    return -1;
}

// ---------------------------------------------------------------- keyed channels

// The first channel the key owns. Reserving a channel keeps its owner key, so
// a key still reaches its channel after the channel was reserved; only the
// search for a free channel passes reserved ones by.
static int KeyChannel(int key)
{
    if (!Running() || key == SND_KEY_NONE)
        return -1;
    for (int i = 0; i < SND_CHANNELS; i++)
        if (snd.channels[i].key == key)
            return i;
    return -1;
}

int SndLoadOnKey(int key, SndSet *set, int group, int number)
{
    if (!Running())
        return -1;
    int channel = KeyChannel(key);
    if (channel < 0)
        channel = SndChannelFindFree();
    if (channel < 0 || SndChannelLoad(channel, set, group, number) < 0)
        return -1;
    snd.channels[channel].key = key;
    return channel;
}

int SndPlayOnKey(int key, SndSet *set, int group, int number, int volume)
{
    int channel = SndLoadOnKey(key, set, group, number);
    if (channel < 0)
        return -1;
    int v = snd.channels[channel].voice;
    voice_set_volume(v, volume);
    voice_start(v);
    return channel;
}

void SndKeyStart(int key)
{
    int channel = KeyChannel(key);
    if (channel >= 0)
        SndChannelStart(channel);
}

void SndKeyStop(int key)
{
    if (key == SND_KEY_NONE) {
        SndChannelStopAll();
        return;
    }
    int channel = KeyChannel(key);
    if (channel >= 0)
        SndChannelStop(channel);
}

int SndKeyIsPlaying(int key)
{
    int channel = KeyChannel(key);
    return channel >= 0 && SndChannelIsPlaying(channel);
}

int SndKeyFind(int key)
{
    return KeyChannel(key);
}

// ---------------------------------------------------------------- MIDI

MIDI *SndMidiLoad(const char *path)
{
    if (!Running() || !path)
        return nullptr;
    std::string resolved = PlatPathResolve(path);
    return load_midi(resolved.c_str());
}

// Freeing takes no driver, so a tune loaded while sound ran is freed whatever
// the state word says now.
void SndMidiDestroy(MIDI *midi)
{
    if (midi)
        destroy_midi(midi);
}

int SndMidiPlay(MIDI *midi)
{
    return Running() ? play_midi(midi, 0) : -1;
}

int SndMidiPlayLooped(MIDI *midi, int start, int end)
{
    return Running() ? play_looped_midi(midi, start, end) : -1;
}

void SndMidiStop()
{
    if (Running())
        stop_midi();
}

void SndMidiPause()
{
    if (Running())
        midi_pause();
}

void SndMidiResume()
{
    if (Running())
        midi_resume();
}

int SndMidiSeek(int position)
{
    return Running() ? midi_seek(position) : -1;
}

// ---------------------------------------------------------------- volumes

static int ClampVolume(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

void SndSetVolume(int digi, int midi)
{
    if (digi != -1)
        digi = snd.digiVolume = ClampVolume(digi);
    if (midi != -1)
        midi = snd.midiVolume = ClampVolume(midi);
    if (snd.installed)
        set_volume(digi, midi);
}

int SndGetDigiVolume()
{
    return snd.digiVolume;
}

int SndGetMidiVolume()
{
    return snd.midiVolume;
}

int SndHalf(int v)
{
    return v / 2;
}
