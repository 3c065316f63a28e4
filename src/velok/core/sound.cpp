// Game-level sound: volume policy, panning by screen position, player channel keys, master volumes and sound references.
#include "velok/core/sound.h"

#include <allegro.h>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/txtparse.h"
#include "velok/core/gamevars.h"

// Allegro keeps voice frequencies as 20.12 fixed point in an int.
enum { SOUND_FREQ_MAX = INT_MAX >> 12 };

int SoundOn()
{
    return gv && gv->cfg.sound.sound && SndGetState() == 1;
}

// A definition-file volume on the mixer's 0..255 scale.
static int GameVolume(int volume)
{
    return ClampInt((int64_t)SndHalf(volume) + gv->cfg.sound.wavVolume, 0, 255);
}

void SoundPlay(SndSet *set, int group, int number, int volume)
{
    SoundPlayOnKey(SND_KEY_NONE, set, group, number, volume);
}

void SoundPlayOnKey(int key, SndSet *set, int group, int number, int volume)
{
    if (!SoundOn() || !set || group == -1)
        return;
    SndPlayOnKey(key, set, group, number, GameVolume(volume));
}

int SoundPanFromX(float x)
{
    float d = 0.0f;
    if (x < 120.0f)
        d = x - 120.0f;
    else if (x > 200.0f)
        d = x - 200.0f;
    int width = gv ? gv->cfg.sound.panningWidth : 0;
    if (width <= 20)
        return 0;
    double p = (double)d * 128.0 / (double)((int64_t)width - 20);
    // Truncated toward zero; anything beyond the range only clamps.
    int pan = p >= 1e9 ? 1000000000 : p <= -1e9 ? -1000000000 : (int)p;
    return ClampInt(SndHalf(pan), -SOUND_PAN_MAX, SOUND_PAN_MAX);
}

static int PanFor(float x)
{
    return gv->cfg.sound.stereoEffects ? SoundPanFromX(x) : 0;
}

// The sample's rate times the multiplier, within what a voice can take.
static int Frequency(int rate, float freqMul)
{
    double f = (double)rate * (double)freqMul;
    if (f > (double)SOUND_FREQ_MAX)
        return SOUND_FREQ_MAX;
    return f < (double)SOUND_FREQ_MIN ? SOUND_FREQ_MIN : (int)f;
}

void SoundPlayAtEx(int key, float x, SndSet *set, int group, int number, int volume, float freqMul, int loop)
{
    if (!SoundOn() || !set || group == -1)
        return;
    int channel = SndLoadOnKey(key, set, group, number);
    if (channel < 0)
        return;
    SndChannelSetPan(channel, PanFor(x));
    SndChannelSetVolume(channel, GameVolume(volume));
    const SAMPLE *sample = SndSetFind(set, group, number);
    if (sample && freqMul > 0.0f && freqMul != 1.0f)
        SndChannelSetFreq(channel, Frequency(sample->freq, freqMul));
    SndChannelSetLoop(channel, loop != 0);
    SndChannelStart(channel);
}

void SoundPlayAt(int key, float x, SndSet *set, int group, int number, int volume)
{
    SoundPlayAtEx(key, x, set, group, number, volume, 1.0f, 0);
}

void SoundPanAt(int key, float x)
{
    if (!SoundOn() || key == SND_KEY_NONE)
        return;
    int channel = SndKeyFind(key);
    if (channel >= 0)
        SndChannelSetPan(channel, PanFor(x));
}

int SoundPlayerChannelKey(int slot, int channel)
{
    if (channel == -1)
        return SND_KEY_NONE;
    int slots = gv ? gv->playerSlotCount : 0;
    return ClampInt((int64_t)SOUND_PLAYER_KEY_BASE + (int64_t)channel * slots + slot, INT_MIN, INT_MAX);
}

void SoundPlayerStop(int slot, int channel)
{
    if (SoundOn())
        SndKeyStop(SoundPlayerChannelKey(slot, channel));
}

// A master volume times its option percentage; a product that would read as
// -1 ("as it is") is a plain 0.
static int Scaled(int v, int percent)
{
    if (v == -1)
        return -1;
    return ClampInt((int64_t)v * percent / 50, 0, INT_MAX);
}

void SoundSetVolumes(int digital, int midi)
{
    if (!SoundOn())
        return;
    SndSetVolume(Scaled(digital, gv->options.wavVolume), Scaled(midi, gv->options.midiVolume));
}

static int Offset(int configured, int add)
{
    if (configured == -1)
        return -1;
    return ClampInt((int64_t)configured + add, 0, INT_MAX);
}

void SoundSetVolumesOffset(int add)
{
    if (!gv)
        return;
    SoundSetVolumes(Offset(gv->cfg.sound.masterWavVolume, add), Offset(gv->cfg.sound.midiVolume, add));
}

// One "%i" number: decimal, octal with a leading 0 or hex with 0x, within int.
static const char *ReadInt(const char *p, int *out)
{
    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p || isspace((unsigned char)*p))
        return nullptr;
    char *end;
    errno = 0;
    long long v = strtoll(p, &end, 0);
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return nullptr;
    *out = (int)v;
    return end;
}

int SoundRefParse(TxtParseFile *file, const char *key, int *group, int *number)
{
    *group = -1;
    *number = 0;
    const char *v = file ? TxtParseValueGet(file, key) : nullptr;
    if (!v)
        return 0;
    int g, n;
    const char *p = ReadInt(v, &g);
    if (!p)
        return 0;
    while (*p == ' ' || *p == '\t')
        p++;
    if (*p != ',' || !(p = ReadInt(p + 1, &n)))
        return 0;
    *group = g;
    *number = n;
    return 2;
}

int SoundVolumeIdentity(int v)
{
    return v;
}
