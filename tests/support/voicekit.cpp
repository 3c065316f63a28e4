// Test kit: a fake digital sound driver for Allegro whose voices record every start, so tests see what the game plays.
#include "support/voicekit.h"

#include <allegro.h>

#include "lib/snd-lib.h"

enum { FAKE_DIGI_ID = AL_ID('F', 'A', 'K', 'E'), FAKE_VOICE_MAX = 64 };

namespace {

struct Voice {
    const SAMPLE *sample;
    int volume, pan, freq, loop;
    int playing;
};

Voice voices[FAKE_VOICE_MAX];
std::vector<FakePlay> plays;
const int *playClock = nullptr;
SYSTEM_DRIVER *savedSystem = nullptr;
SYSTEM_DRIVER patchedSystem;

bool InRange(int v)
{
    return v >= 0 && v < FAKE_VOICE_MAX;
}

int Detect(int) { return 1; }
int Init(int, int) { return 0; }
void Exit(int) {}
int MixerVolumeSet(int) { return 0; }
int MixerVolumeGet() { return 255; }

void InitVoice(int v, const SAMPLE *s)
{
    if (InRange(v))
        voices[v] = Voice{s, 255, 128, s ? s->freq : 0, 0, 0};
}

void ReleaseVoice(int v)
{
    if (InRange(v))
        voices[v].playing = 0;
}

void StartVoice(int v)
{
    if (!InRange(v))
        return;
    Voice &x = voices[v];
    x.playing = 1;
    plays.push_back(FakePlay{v, x.sample, x.volume, x.pan - 127, x.freq, x.loop, playClock ? *playClock : 0});
}

void StopVoice(int v)
{
    if (InRange(v))
        voices[v].playing = 0;
}

void LoopVoice(int v, int mode)
{
    if (InRange(v))
        voices[v].loop = (mode & PLAYMODE_LOOP) != 0;
}

// As with Allegro's mixer, a voice that does not play reads as finished.
int PositionGet(int v)
{
    return InRange(v) && voices[v].playing ? 0 : -1;
}

void PositionSet(int v, int p)
{
    const SAMPLE *s = InRange(v) ? voices[v].sample : nullptr;
    if (s && p >= (int)s->len)
        voices[v].playing = 0;
}

int VolumeGet(int v) { return InRange(v) ? voices[v].volume : 0; }
void VolumeSet(int v, int x)
{
    if (InRange(v))
        voices[v].volume = x;
}
int FreqGet(int v) { return InRange(v) ? voices[v].freq : 0; }
void FreqSet(int v, int x)
{
    if (InRange(v))
        voices[v].freq = x;
}
int PanGet(int v) { return InRange(v) ? voices[v].pan : 128; }
void PanSet(int v, int x)
{
    if (InRange(v))
        voices[v].pan = x;
}
void Sweep(int, int, int) {}
void SweepStop(int) {}

DIGI_DRIVER fakeDriver = {
    FAKE_DIGI_ID, "fake voices", "fake voices", "fake voices", FAKE_VOICE_MAX, 0, FAKE_VOICE_MAX, FAKE_VOICE_MAX,
    Detect, Init, Exit, MixerVolumeSet, MixerVolumeGet, nullptr, nullptr, nullptr,
    InitVoice, ReleaseVoice, StartVoice, StopVoice, LoopVoice, PositionGet, PositionSet,
    VolumeGet, VolumeSet, Sweep, SweepStop, FreqGet, FreqSet, Sweep, SweepStop, PanGet, PanSet, Sweep, SweepStop,
    Sweep, Sweep, Sweep, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

_DRIVER_INFO driverList[] = {{FAKE_DIGI_ID, &fakeDriver, 1}, {0, nullptr, 0}};

_DRIVER_INFO *DigiDrivers()
{
    return driverList;
}

}  // namespace

bool FakeVoiceStart(int count)
{
    if (!savedSystem) {
        savedSystem = system_driver;
        patchedSystem = *system_driver;
        patchedSystem.digi_drivers = DigiDrivers;
        system_driver = &patchedSystem;
    }
    for (Voice &v : voices)
        v = Voice{nullptr, 0, 128, 0, 0, 0};
    plays.clear();
    if (!SndInstall(FAKE_DIGI_ID, MIDI_NONE, count))
        return false;
    SndSetVolume(255, -1);
    return true;
}

void FakeVoiceStop()
{
    SndRemove();
    if (savedSystem)
        system_driver = savedSystem;
    savedSystem = nullptr;
    plays.clear();
    playClock = nullptr;
}

const std::vector<FakePlay> &FakeVoicePlays()
{
    return plays;
}

void FakeVoiceClear()
{
    plays.clear();
}

void FakeVoiceClockSet(const int *c)
{
    playClock = c;
}

void FakeVoiceFinishAll()
{
    for (Voice &v : voices)
        v.playing = 0;
}

int FakeVoicePlayingCount()
{
    int n = 0;
    for (const Voice &v : voices)
        n += v.playing;
    return n;
}
