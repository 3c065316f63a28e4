// Sound library: Allegro sound start and stop by driver name, sound sets from sound and WAV files, 256 keyed sound channels, MIDI and volumes.
#pragma once
#include <cstddef>

struct Array;
struct VFile;
struct SAMPLE;
struct MIDI;

enum {
    SND_CHANNELS = 256,
    SND_DRIVER_NONE = 0,
    SND_DRIVER_AUTO = -1,
    SND_DRIVER_INVALID = -2,
    SND_KEY_NONE = -1,
    SND_FILE_HEADER_LEN = 512,
    SND_SUBHEADER_LEN = 16,
};

// One slot of the channel table.
struct SndChannel {
    int key;       // owner key: 0 after a stop, -1 after a finished voice was reclaimed
    int voice;     // Allegro voice, -1 = none
    int reserved;  // held for a caller that reserved it: never free, never reclaimed
};

// Samples (SAMPLE pointers) keyed by (group, number); the set owns them.
struct SndSet {
    Array *samples;
};

// The driver detection the library uses; the default is Allegro's. Tests put
// one in its place that refuses chosen drivers. Results follow Allegro: the
// voices the driver offers, 0 when it is not there.
struct SndDevice {
    int (*detectDigi)(int id);
    int (*detectMidi)(int id);
};

// Null restores Allegro's detection.
void SndDeviceSet(const SndDevice *device);

// Driver names of the configuration ("none", "auto", "dx0", "mapper", ...), in
// any case, to Allegro driver ids; SND_DRIVER_INVALID when not a driver name.
int SndDigiDriverParse(const char *name);
int SndMidiDriverParse(const char *name);
// The text handed to Allegro before detection ("[sound]\ndigi_card=...\n..."),
// empty when both ids are automatic. Cut to outSize.
void SndConfigText(int digiId, int midiId, char *out, size_t outSize);

// 1 when sound started; 0 with library error code 2 (or when already started).
int SndInstall(int digiId, int midiId, int waveChannels);
void SndRemove();
int SndDigiDetect(int id);
int SndMidiDetect(int id);
void SndSetState(int v);
int SndGetState();
void SndSetLoadToMemory(int flag);
void SndSetReverseStereo(int flag);
int SndChannelCount();

SndSet *SndSetCreate(int capacity);
// 1 when the set took the sample; a full set or a key already present refuses.
int SndSetAdd(SndSet *set, SAMPLE *sample, int group, int number);
SAMPLE *SndSetFind(const SndSet *set, int group, int number);
void SndSetFree(SndSet *set);
void SndSampleDestroy(SAMPLE *sample);
// A "wav" or "snd" file; null when it does not open or does not read.
SndSet *SndSetLoad(const char *path);
// The sound file at the current position; the position is back there afterwards.
SndSet *SndFileRead(VFile *vf);
// The WAV at the current position; the position is back there afterwards.
SAMPLE *SndWavRead(VFile *vf);

// Plays without a channel; the voice, or -1.
int SndPlayKey(SndSet *set, int group, int number, int volume);
int SndPlayKeyLoop(SndSet *set, int group, int number, int volume);
int SndPlayKeyEx(SndSet *set, int group, int number, int volume, int pan, int freq);

// Binds the sample to the channel's voice, not started; the voice or -1.
int SndChannelLoad(int channel, SndSet *set, int group, int number);
int SndChannelPlayVol(int channel, SndSet *set, int group, int number, int volume);
void SndChannelStart(int channel);
void SndChannelStop(int channel);
void SndChannelStopAll();
// Setters return the voice, -1 when the channel has none; getters 0 then.
int SndChannelSetVolume(int channel, int volume);
int SndChannelGetVolume(int channel);
int SndChannelSetFreq(int channel, int freq);
int SndChannelGetFreq(int channel);
int SndChannelSetPan(int channel, int pan);  // pan -127..127
int SndChannelGetPan(int channel);
int SndChannelSetLoop(int channel, int flag);
int SndChannelReserve(int channel);
int SndChannelReserveAny();
void SndChannelRelease(int channel);
void SndChannelReleaseAll();
int SndChannelIsReserved(int channel);
int SndChannelVoice(int channel);
int SndChannelIsPlaying(int channel);
int SndChannelIsFree(int channel);
int SndChannelFindFree();

// Keyed channels: a key owns the channel of its last play; -1 means no key.
int SndPlayOnKey(int key, SndSet *set, int group, int number, int volume);
int SndLoadOnKey(int key, SndSet *set, int group, int number);
void SndKeyStart(int key);
void SndKeyStop(int key);
int SndKeyIsPlaying(int key);
int SndKeyFind(int key);

MIDI *SndMidiLoad(const char *path);
void SndMidiDestroy(MIDI *midi);
int SndMidiPlay(MIDI *midi);
int SndMidiPlayLooped(MIDI *midi, int start, int end);
void SndMidiStop();
void SndMidiPause();
void SndMidiResume();
int SndMidiSeek(int position);

// -1 leaves a volume as it is; other values are clamped to 0..255.
void SndSetVolume(int digi, int midi);
int SndGetDigiVolume();
int SndGetMidiVolume();
int SndHalf(int v);
