// Tracker-module player: one module in the internal form played on a fixed set of voices by a timer tick.
#pragma once
#include <cstdint>

struct SAMPLE;

enum {
    TKMOD_MAX_CHANNELS = 64,
    TKMOD_MAX_ORDERS = 256,
    TKMOD_MAX_ROWS = 256,
    TKMOD_ENV_POINTS = 12,
    TKMOD_NOTE_MAP = 96,
    TKMOD_ERROR_LEN = 80,
    TKMOD_FADE_FULL = 32768,

    // Module flags.
    TKMOD_FLAG_INSTRUMENTS = 1,
    TKMOD_FLAG_AMIGA = 2,
    TKMOD_FLAG_LINEAR = 4,

    // Envelope flags.
    TKMOD_ENV_ON = 1,
    TKMOD_ENV_SUSTAIN = 2,
    TKMOD_ENV_LOOP = 4,

    // Sample loop type bits.
    TKMOD_LOOP_ON = 1,
    TKMOD_LOOP_BIDI = 2,

    // Pattern note values below 0.
    TKMOD_NOTE_CUT = -1,
    TKMOD_NOTE_OFF = -2,
};

// Internal command numbers stored in patterns (the loaders remap file commands to these).
enum {
    TKCMD_ARPEGGIO = 0,
    TKCMD_PORTA_UP = 1,
    TKCMD_PORTA_DOWN = 2,
    TKCMD_TONE_PORTA = 3,
    TKCMD_VIBRATO = 4,
    TKCMD_TONE_PORTA_VOL = 5,
    TKCMD_VIBRATO_VOL = 6,
    TKCMD_TREMOLO = 7,
    TKCMD_PAN = 8,
    TKCMD_OFFSET = 9,
    TKCMD_VOL_SLIDE = 10,
    TKCMD_JUMP = 11,
    TKCMD_VOLUME = 12,
    TKCMD_BREAK = 13,
    TKCMD_EXTENDED = 14,
    TKCMD_SPEED = 15,
    TKCMD_S3M_SPEED = 16,
    TKCMD_S3M_VOL_SLIDE = 17,
    TKCMD_S3M_PORTA_DOWN = 18,
    TKCMD_S3M_PORTA_UP = 19,
    TKCMD_TREMOR = 20,
    TKCMD_S3M_ARPEGGIO = 21,
    TKCMD_S3M_VIBRATO_VOL = 22,
    TKCMD_S3M_TONE_PORTA_VOL = 23,
    TKCMD_RETRIG = 24,
    TKCMD_S3M_TREMOLO = 25,
    TKCMD_TEMPO = 26,
    TKCMD_FINE_VIBRATO = 27,
    TKCMD_GLOBAL_VOLUME = 28,
    TKCMD_S3M_PAN = 29,
    TKCMD_XM_PORTA_UP = 30,
    TKCMD_XM_PORTA_DOWN = 31,
    TKCMD_XM_TONE_PORTA_VOL = 32,
    TKCMD_XM_VIBRATO_VOL = 33,
    TKCMD_XM_VOL_SLIDE = 34,
    TKCMD_GLOBAL_SLIDE = 35,
    TKCMD_KEY_OFF = 36,
    TKCMD_ENV_POS = 37,
    TKCMD_PAN_SLIDE = 38,
    TKCMD_XFINE_PORTA = 39,
};

// Extended sub-commands (parameter = sub-command x 16 + value).
enum {
    TKEXT_FINE_PORTA_UP = 1,
    TKEXT_FINE_PORTA_DOWN = 2,
    TKEXT_GLISSANDO = 3,
    TKEXT_VIBRATO_WAVE = 4,
    TKEXT_FINETUNE = 5,
    TKEXT_PATTERN_LOOP = 6,
    TKEXT_TREMOLO_WAVE = 7,
    TKEXT_PAN = 8,
    TKEXT_RETRIG = 9,
    TKEXT_FINE_VOL_UP = 10,
    TKEXT_FINE_VOL_DOWN = 11,
    TKEXT_NOTE_CUT = 12,
    TKEXT_NOTE_DELAY = 13,
    TKEXT_PATTERN_DELAY = 14,
    TKEXT_STEREO = 16,
    TKEXT_XM_FINE_PORTA_UP = 17,
    TKEXT_XM_FINE_PORTA_DOWN = 18,
    TKEXT_XM_FINE_VOL_UP = 19,
    TKEXT_XM_FINE_VOL_DOWN = 20,
};

// One pattern entry. Note: in instrument mode a note number (1 = the lowest C),
// otherwise a frequency at c2spd 8363 (3579546 / Amiga period); 0 none, -1 cut, -2 key off.
// Sample: 1-based sample (or instrument in instrument mode), 0 none.
struct TkmodCell {
    int32_t note;
    uint8_t sample;
    uint8_t volume;
    uint8_t command;
    uint16_t param;
};

struct TkmodPattern {
    int rows;
    TkmodCell *cells;  // rows x the module's channel count, row-major
};

struct TkmodEnvelopeDef {
    int pos[TKMOD_ENV_POINTS];
    int val[TKMOD_ENV_POINTS];
    int count;
    int flags;
    int sustainStart, sustainEnd;
    int loopStart, loopEnd;
};

struct TkmodInstrument {
    int16_t noteMap[TKMOD_NOTE_MAP];  // module sample index per note, -1 none
    TkmodEnvelopeDef volEnv;
    TkmodEnvelopeDef panEnv;
    int fadeout;
};

struct TkmodSampleInfo {
    SAMPLE *sample;  // 8-bit (or 16-bit from the own format) Allegro sample, owned
    int length;      // frames
    int loopStart, loopEnd;
    int loopType;  // TKMOD_LOOP_*
    int tune;      // c2spd, or finetune + 128 (0..255) in instrument mode
    int volume;    // 0..64
    int panning;   // 0..255
    int relativeNote;
    unsigned char extra[4];
};

struct TkmodModule {
    char name[32];
    int orderCount;
    int restart;
    unsigned char orders[TKMOD_MAX_ORDERS];
    int patternCount;
    TkmodPattern *patterns;
    int instrumentCount;
    TkmodInstrument *instruments;
    int sampleCount;
    TkmodSampleInfo *samples;
    int flags;
    int speed, tempo, globalVolume;
    int channelCount;
    unsigned char panning[TKMOD_MAX_CHANNELS];
};

// Running envelope of one channel.
struct TkmodEnvelope {
    int pos[TKMOD_ENV_POINTS];
    int val[TKMOD_ENV_POINTS];
    int flags;
    int count;
    int loopStart, loopEnd;
    int sustainStart, sustainEnd;
    int cur, next;
    int tick;
    int value;
};

struct TkmodChannel {
    TkmodEnvelope volEnv;
    TkmodEnvelope panEnv;
    int instrument;  // -1 none
    int sample;      // -1 none
    int keyNote;     // the pattern note last triggered (instrument mode: picks the sample)
    int note;        // the note last played (relative note included)
    int period, targetPeriod;
    int outPeriod;  // period played this tick (vibrato, arpeggio, glissando)
    int tune;       // c2spd, or finetune + 128 in instrument mode
    int freq;       // voice frequency last set
    int volume;     // 0..64
    int outVolume;  // volume played this tick (tremolo, tremor)
    int pan;        // 0..255
    int keyOn;
    int fade;  // 0..32768
    int hasFreq;
    int triggered;
    int stopPending;
    int offsetPending, offset;
    int volEnvValue, panEnvValue;
    // The row's command and volume column, for the ticks after the first.
    int command, param, volCmd;
    // Effect memories.
    int memPortaUp, memPortaDown, memTonePorta, memS3mPorta;
    int memVolSlide, memS3mVolSlide, memArpeggio, memOffset;
    int memRetrig, memTremor, memGlobalSlide, memPanSlide;
    int memFinePortaUp, memFinePortaDown, memFineVolUp, memFineVolDown, memTempoSlide;
    int vibSpeed, vibDepth, vibPos, vibWave;
    int tremSpeed, tremDepth, tremPos, tremWave;
    int retrigCount, tremorCount;
    int cutTick, delayTick, keyOffTick;
    TkmodCell delayed;
    int glissando;
    int loopRow, loopCount;
};

// Sequencer position as the tick left it.
struct TkmodPosition {
    int order;  // from 0
    int pattern;
    int row;
    int tick;
    int speed;
    int tempo;
    int globalVolume;
};

// What the player needs from the sound and timer layers; the default is
// Allegro's. Tests put a recording fake in its place and call TkmodTick themselves.
struct TkmodDevice {
    int (*voiceAllocate)(SAMPLE *sample);  // -1 when none is free
    void (*voiceDeallocate)(int voice);
    void (*voiceReallocate)(int voice, SAMPLE *sample);
    void (*voiceStart)(int voice);
    void (*voiceStop)(int voice);
    void (*voiceSetVolume)(int voice, int volume);
    void (*voiceSetPan)(int voice, int pan);
    void (*voiceSetFrequency)(int voice, int freq);
    void (*voiceSetPosition)(int voice, int position);
    int (*voiceGetPosition)(int voice);  // -1 once a sample played to its end
    void (*voiceSetPlaymode)(int voice, int mode);  // Allegro PLAYMODE_* bits
    int (*timerInstall)(void (*callback)(), long timerUnits);  // 0 on success
    void (*timerRemove)(void (*callback)());
};

// Null restores Allegro's services.
void TkmodDeviceSet(const TkmodDevice *device);
const TkmodDevice *TkmodDeviceAllegro();

// 1 when installed (or already installed), -1 with the error text set.
int TkmodInstall(int voices);
void TkmodRemove();

// 1 when the module plays, -1 when it is null or the player is not installed.
int TkmodPlay(TkmodModule *module, int loop);
void TkmodStop();
void TkmodPause();
void TkmodResume();
void TkmodTogglePause();
int TkmodIsPlaying();
int TkmodIsPaused();

// Jump requests, carried out by the next tick. Targets are order positions counted from 1.
int TkmodNextTrack();
void TkmodPrevTrack();
void TkmodGotoTrack(int order);

void TkmodSetVolume(int volume);
int TkmodGetVolume();
void TkmodSetSpeed(int percent);
void TkmodSetPitch(int percent);

// Stops the module first when it is the one playing, then frees it with its samples.
void TkmodDestroy(TkmodModule *module);
// The sample of module sample n (from 0); null with the error text set.
SAMPLE *TkmodSampleGet(TkmodModule *module, int n);
void TkmodSamplesLock(TkmodModule *module);

// The timer callback; returns at once while an operation holds the player or nothing plays.
void TkmodTick();

void TkmodPositionGet(TkmodPosition *out);
// A copy of channel n's state (from 0); false outside 0..63.
bool TkmodChannelGet(int n, TkmodChannel *out);
int TkmodVoiceCount();
// The voice of channel n, -1 when it has none.
int TkmodVoiceGet(int n);

// Last failure message of the player and its loaders.
const char *TkmodErrorText();
void TkmodErrorSet(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The timer period for a tempo at a speed ratio (percent), in Allegro timer units.
long TkmodTimerPeriod(int tempo, int speedRatio);
// Period of a note for the module's period mode; tune is c2spd, or finetune + 128 in instrument mode.
int TkmodNoteToPeriod(const TkmodModule *module, int note, int tune);
// Frequency of a period for the module's period mode, before the pitch ratio.
int TkmodPeriodToFreq(const TkmodModule *module, int period);
// Voice volume 0..255 from the fade-out factor (0..32768), master (0..255),
// channel, envelope and global volumes (0..64 each).
int TkmodVoiceVolumeCompute(int fade, int master, int volume, int envelope, int globalVolume);
// Voice pan 0..255 from the channel pan and the panning envelope value (0..64, centre 32).
int TkmodVoicePanCompute(int pan, int envelope);

int TkmodInterpolate(int x, int x0, int x1, int y0, int y1);
void TkmodEnvelopeInit(TkmodEnvelope *env, const TkmodEnvelopeDef *def);
// The envelope's value this tick, then one tick on.
int TkmodEnvelopeStep(TkmodEnvelope *env, int keyOn);
void TkmodEnvelopeSetPos(TkmodEnvelope *env, int tick);

// c2spd of a MOD finetune nibble (0..15).
int TkmodFinetuneToC2spd(int finetune);
