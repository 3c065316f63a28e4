// Tracker-module player: one module in the internal form played on a fixed set of voices by a timer tick.
#include "music/tkmod-play.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "music/tkmod-load.h"

enum {
    PERIOD_MIN = 4,
    PERIOD_MAX = 1 << 24,
    TEMPO_SLIDE_MAX = 255,
    LINEAR_OCTAVE = 768,
    AMIGA_STEPS = 96,  // eighth semitones in the Amiga table's octave
};

// 60 x Allegro's timer clock: one tick per minute in timer units.
static const long long TIMER_UNITS_PER_MINUTE = 71590860LL;

static const int modFinetuneC2spd[16] = {8363, 8413, 8463, 8529, 8581, 8651, 8723, 8757,
                                         7895, 7941, 7985, 8046, 8107, 8169, 8232, 8280};

// 32 x the Amiga period, in eighth-semitone steps from a semitone below C over one octave.
static const int amigaTable[AMIGA_STEPS + 1] = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802, 796, 791,
    785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704, 699, 694, 689, 684,
    678, 675, 670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619, 614, 610, 604, 601, 597, 592,
    588, 584, 580, 575, 570, 567, 563, 559, 555, 551, 547, 543, 538, 535, 532, 528, 524, 520, 516, 513,
    508, 505, 502, 498, 494, 491, 487, 484, 480, 477, 474, 470, 467, 463, 460, 457, 453};

static const int sineTable[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                                  255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

// Retrigger volume change by the high nibble: kind 0 none, 1 add, 2 multiply by num / den.
static const struct {
    int kind, amount, num, den;
} retrigVolume[16] = {{0, 0, 1, 1},  {1, -1, 1, 1},  {1, -2, 1, 1}, {1, -4, 1, 1}, {1, -8, 1, 1}, {1, -16, 1, 1},
                      {2, 0, 2, 3},  {2, 0, 1, 2},   {0, 0, 1, 1},  {1, 1, 1, 1},  {1, 2, 1, 1},  {1, 4, 1, 1},
                      {1, 8, 1, 1},  {1, 16, 1, 1},  {2, 0, 3, 2},  {2, 0, 2, 1}};

static struct {
    // Every operation holds it; the tick only tries it, so the timer thread never waits.
    std::recursive_mutex lock;
    TkmodDevice dev;
    bool devSet;
    int installed;
    int voices[TKMOD_MAX_CHANNELS];
    int voiceCount;
    SAMPLE *placeholder;
    TkmodModule *mod;
    int playing, paused, loop;
    int tick, row, order, pattern;
    bool rowStart;  // the next tick starts `row` at tick 0 without moving on
    int speed, tempo, globalVolume;
    int patternDelay;
    int loopJump, loopJumpRow;
    int posJump, posJumpOrder, posJumpRow, posJumpWraps;
    int jumpRequest, jumpTarget;
    int master = 255;
    int speedRatio = 100, pitchRatio = 100;
    int timerOn;
    long timerPeriod;
    unsigned random = 0x2545F491u;
    TkmodChannel ch[TKMOD_MAX_CHANNELS];
    char error[TKMOD_ERROR_LEN];
} tk;

// ---------------------------------------------------------------- errors

const char *TkmodErrorText()
{
    return tk.error;
}

void TkmodErrorSet(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    vsnprintf(tk.error, sizeof tk.error, format, ap);
    va_end(ap);
}

// ---------------------------------------------------------------- device

static int AlVoiceAllocate(SAMPLE *sample)
{
    return allocate_voice(sample);
}
static void AlVoiceDeallocate(int voice)
{
    deallocate_voice(voice);
}
static void AlVoiceReallocate(int voice, SAMPLE *sample)
{
    reallocate_voice(voice, sample);
}
static void AlVoiceStart(int voice)
{
    voice_start(voice);
}
static void AlVoiceStop(int voice)
{
    voice_stop(voice);
}
static void AlVoiceSetVolume(int voice, int volume)
{
    voice_set_volume(voice, volume);
}
static void AlVoiceSetPan(int voice, int pan)
{
    voice_set_pan(voice, pan);
}
static void AlVoiceSetFrequency(int voice, int freq)
{
    voice_set_frequency(voice, freq);
}
static void AlVoiceSetPosition(int voice, int position)
{
    voice_set_position(voice, position);
}
static int AlVoiceGetPosition(int voice)
{
    return voice_get_position(voice);
}
static void AlVoiceSetPlaymode(int voice, int mode)
{
    voice_set_playmode(voice, mode);
}
static int AlTimerInstall(void (*callback)(), long units)
{
    return install_int_ex(callback, units);
}
static void AlTimerRemove(void (*callback)())
{
    remove_int(callback);
}

static const TkmodDevice allegroDevice = {
    AlVoiceAllocate,  AlVoiceDeallocate,   AlVoiceReallocate,  AlVoiceStart,       AlVoiceStop,
    AlVoiceSetVolume, AlVoiceSetPan,       AlVoiceSetFrequency, AlVoiceSetPosition, AlVoiceGetPosition,
    AlVoiceSetPlaymode, AlTimerInstall,    AlTimerRemove,
};

const TkmodDevice *TkmodDeviceAllegro()
{
    return &allegroDevice;
}

void TkmodDeviceSet(const TkmodDevice *device)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    tk.dev = device ? *device : allegroDevice;
    tk.devSet = true;
}

static const TkmodDevice &Dev()
{
    if (!tk.devSet) {
        tk.dev = allegroDevice;
        tk.devSet = true;
    }
    return tk.dev;
}

// ---------------------------------------------------------------- arithmetic

static int Clamp(long long v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : (int)v;
}

long TkmodTimerPeriod(int tempo, int speedRatio)
{
    long long perMinute = (long long)speedRatio * tempo * 24 / 100;
    if (perMinute < 1)
        perMinute = 1;
    return (long)(TIMER_UNITS_PER_MINUTE / perMinute);
}

int TkmodFinetuneToC2spd(int finetune)
{
    return modFinetuneC2spd[finetune & 15];
}

static bool IsInstrumentMode(const TkmodModule *mod)
{
    return mod && (mod->flags & TKMOD_FLAG_INSTRUMENTS);
}

// Note numbers and finetunes mean something to the period tables only in
// instrument mode; elsewhere notes are frequencies.
static bool IsLinear(const TkmodModule *mod)
{
    return IsInstrumentMode(mod) && (mod->flags & TKMOD_FLAG_LINEAR);
}

static bool IsAmiga(const TkmodModule *mod)
{
    return IsInstrumentMode(mod) && !(mod->flags & TKMOD_FLAG_LINEAR) && (mod->flags & TKMOD_FLAG_AMIGA);
}

static const int *LinearTable()
{
    static int table[LINEAR_OCTAVE];
    static std::once_flag once;
    std::call_once(once, [] {
        for (int i = 0; i < LINEAR_OCTAVE; i++)
            table[i] = (int)(535232.0 * std::pow(2.0, -i / 768.0));
    });
    return table;
}

// 2^(-k/12) in 16.16, k = 0..15: a period k semitones higher.
static const int *SemitoneTable()
{
    static int table[16];
    static std::once_flag once;
    std::call_once(once, [] {
        for (int k = 0; k < 16; k++)
            table[k] = (int)std::lround(65536.0 * std::pow(2.0, -k / 12.0));
    });
    return table;
}

int TkmodNoteToPeriod(const TkmodModule *mod, int note, int tune)
{
    if (IsLinear(mod)) {
        int n = Clamp(note, 0, 118);
        return 7744 - n * 64 - (tune - 128) / 2;
    }
    if (IsAmiga(mod)) {
        // Notes count from 1 for the lowest C, as in the linear formula; the
        // table's octave starts at C, so the table wants them from 0.
        int n = Clamp(note - 1, 0, 118);
        int ft = Clamp(tune, 0, 255);
        int index = ft / 16 + 8 * (n % 12);
        int shift = n / 12;
        if (index >= AMIGA_STEPS) {
            index -= AMIGA_STEPS;
            shift++;
        }
        long long p0 = amigaTable[index] * 32LL, p1 = amigaTable[index + 1] * 32LL;
        long long p = p0 + (p1 - p0) * (ft % 16) / 16;
        return (int)(p >> shift);
    }
    long long c2spd = tune > 0 ? tune : 4242;
    long long freq = (long long)note * c2spd / 8363;
    if (freq < 1)
        freq = 1;
    return Clamp(14318184LL / freq, PERIOD_MIN, PERIOD_MAX);
}

int TkmodPeriodToFreq(const TkmodModule *mod, int period)
{
    if (period <= 0)
        return 0;
    if (IsLinear(mod)) {
        int shift = std::min(period / LINEAR_OCTAVE, 31);
        return LinearTable()[period % LINEAR_OCTAVE] >> shift;
    }
    if (IsAmiga(mod))
        return 14317456 / period;
    return 14318184 / period;
}

int TkmodVoiceVolumeCompute(int fade, int master, int volume, int envelope, int globalVolume)
{
    // Full scale (32768 x 255 x 64 x 64 x 64) gives 255.
    unsigned long long v = (unsigned long long)Clamp(fade, 0, TKMOD_FADE_FULL) * Clamp(master, 0, 255) *
                           Clamp(volume, 0, 64) * Clamp(envelope, 0, 64) * Clamp(globalVolume, 0, 64);
    return (int)(v >> 33);
}

int TkmodVoicePanCompute(int pan, int envelope)
{
    int p = Clamp(pan, 0, 255);
    int room = 128 - std::abs(p - 128);
    return Clamp(p + (Clamp(envelope, 0, 64) - 32) * room / 32, 0, 255);
}

// A period k semitones higher (k may be 0).
static int PeriodUp(const TkmodModule *mod, int period, int k)
{
    if (k <= 0)
        return period;
    if (IsLinear(mod))
        return period - k * 64;
    return (int)(((long long)period * SemitoneTable()[k & 15]) >> 16);
}

// The period rounded to whole semitones counted from the target.
static int Glissando(const TkmodModule *mod, int period, int target)
{
    if (target <= 0 || period <= 0)
        return period;
    if (IsLinear(mod))
        return target + (int)std::lround((period - target) / 64.0) * 64;
    double k = std::round(12.0 * std::log2((double)period / target));
    return Clamp(std::llround(target * std::pow(2.0, k / 12.0)), PERIOD_MIN, PERIOD_MAX);
}

// ---------------------------------------------------------------- envelopes

int TkmodInterpolate(int x, int x0, int x1, int y0, int y1)
{
    if (x0 == x1)
        return y0;
    return (int)(y0 + (long long)(x - x0) * (y1 - y0) / (x1 - x0));
}

void TkmodEnvelopeInit(TkmodEnvelope *env, const TkmodEnvelopeDef *def)
{
    memset(env, 0, sizeof *env);
    if (!def)
        return;
    int count = Clamp(def->count, 0, TKMOD_ENV_POINTS);
    memcpy(env->pos, def->pos, sizeof env->pos);
    memcpy(env->val, def->val, sizeof env->val);
    env->flags = def->flags;
    env->count = count;
    env->loopStart = def->loopStart;
    env->loopEnd = def->loopEnd;
    env->sustainStart = def->sustainStart;
    env->sustainEnd = def->sustainEnd;
    // Points outside the envelope switch their feature off rather than index past it.
    if (env->loopStart < 0 || env->loopEnd < env->loopStart || env->loopEnd >= count)
        env->flags &= ~TKMOD_ENV_LOOP;
    if (env->sustainStart < 0 || env->sustainEnd < env->sustainStart || env->sustainEnd >= count)
        env->flags &= ~TKMOD_ENV_SUSTAIN;
    env->cur = 0;
    env->next = count > 1 ? 1 : 0;
    env->tick = count > 0 ? env->pos[0] : 0;
    env->value = count > 0 ? env->val[0] : 0;
}

static void EnvelopeGo(TkmodEnvelope *env, int point)
{
    env->cur = point;
    env->next = std::min(point + 1, env->count - 1);
    env->tick = env->pos[point];
}

int TkmodEnvelopeStep(TkmodEnvelope *env, int keyOn)
{
    if (!(env->flags & TKMOD_ENV_ON) || env->count <= 0)
        return env->value;
    int c = env->cur, n = env->next, last = env->count - 1;
    env->value = TkmodInterpolate(env->tick, env->pos[c], env->pos[n], env->val[c], env->val[n]);
    if (env->count == 1)
        return env->value;
    bool sustain = keyOn && (env->flags & TKMOD_ENV_SUSTAIN);
    int sEnd = env->sustainEnd, lEnd = env->loopEnd;
    // A one-point sustain holds while the key is down.
    if (sustain && env->sustainStart == sEnd && c == sEnd && env->tick == env->pos[sEnd])
        return env->value;
    if (c >= last)
        return env->value;
    int old = env->tick++;
    while (env->cur < last && env->tick >= env->pos[env->next]) {
        env->cur = env->next;
        env->next = std::min(env->cur + 1, last);
    }
    // The loop also goes back when it stood on its end: a loop of one point
    // is sent back to that point every tick, so it holds there.
    if (sustain && old < env->pos[sEnd] && env->tick >= env->pos[sEnd])
        EnvelopeGo(env, env->sustainStart);
    else if ((env->flags & TKMOD_ENV_LOOP) && old <= env->pos[lEnd] && env->tick >= env->pos[lEnd])
        EnvelopeGo(env, env->loopStart);
    return env->value;
}

void TkmodEnvelopeSetPos(TkmodEnvelope *env, int tick)
{
    if (env->count <= 0)
        return;
    int last = env->count - 1;
    int t = Clamp(tick, 0, env->pos[last]);
    int c = 0;
    while (c < last && env->pos[c + 1] <= t)
        c++;
    env->cur = c;
    env->next = std::min(c + 1, last);
    env->tick = t;
    env->value = TkmodInterpolate(t, env->pos[c], env->pos[env->next], env->val[c], env->val[env->next]);
}

// ---------------------------------------------------------------- channels

static void ChannelReset(int c)
{
    TkmodChannel &ch = tk.ch[c];
    memset(&ch, 0, sizeof ch);
    ch.instrument = -1;
    ch.sample = -1;
    ch.pan = (tk.mod && c < tk.mod->channelCount) ? tk.mod->panning[c] : 128;
    ch.tune = IsInstrumentMode(tk.mod) ? 0 : 8363;
    ch.fade = TKMOD_FADE_FULL;
    ch.volEnvValue = 64;
    ch.panEnvValue = 32;
    ch.cutTick = ch.delayTick = ch.keyOffTick = -1;
}

static const TkmodInstrument *ChannelInstrument(const TkmodChannel &ch)
{
    if (!IsInstrumentMode(tk.mod) || ch.instrument < 0 || ch.instrument >= tk.mod->instrumentCount)
        return nullptr;
    return &tk.mod->instruments[ch.instrument];
}

static const TkmodSampleInfo *ChannelSample(const TkmodChannel &ch)
{
    if (ch.sample < 0 || ch.sample >= tk.mod->sampleCount)
        return nullptr;
    return &tk.mod->samples[ch.sample];
}

// The module sample an instrument plays for a note, -1 for none.
static int InstrumentSample(const TkmodChannel &ch, int note)
{
    const TkmodInstrument *ins = ChannelInstrument(ch);
    if (!ins || note < 1)
        return -1;
    int s = ins->noteMap[std::min(note, (int)TKMOD_NOTE_MAP) - 1];
    return (s >= 0 && s < tk.mod->sampleCount) ? s : -1;
}

static bool HasVolumeEnvelope(const TkmodChannel &ch)
{
    return (ch.volEnv.flags & TKMOD_ENV_ON) && ch.volEnv.count > 0;
}

static void KeyOff(TkmodChannel &ch)
{
    ch.keyOn = 0;
    if (!HasVolumeEnvelope(ch))
        ch.volume = 0;
}

static bool IsTonePorta(int command)
{
    return command == TKCMD_TONE_PORTA || command == TKCMD_TONE_PORTA_VOL || command == TKCMD_S3M_TONE_PORTA_VOL ||
           command == TKCMD_XM_TONE_PORTA_VOL;
}

// The row's instrument or sample number: the channel takes its sample's volume (and panning with instruments).
static void SampleSelect(TkmodChannel &ch, int number, int note, bool porta)
{
    if (IsInstrumentMode(tk.mod)) {
        if (number > tk.mod->instrumentCount)
            return;
        ch.instrument = number - 1;
        int s = (porta && ch.sample >= 0) ? ch.sample : InstrumentSample(ch, note > 0 ? note : ch.keyNote);
        if (s < 0)
            return;
        const TkmodSampleInfo &info = tk.mod->samples[s];
        ch.volume = info.volume;
        ch.pan = info.panning;
        return;
    }
    if (number > tk.mod->sampleCount)
        return;
    if (!porta || ch.sample < 0)
        ch.sample = number - 1;
    const TkmodSampleInfo &info = tk.mod->samples[number - 1];
    ch.volume = info.volume;
    ch.tune = info.tune;
}

// The period a note plays at on this channel, 0 when it cannot play.
static int NotePeriod(TkmodChannel &ch, int note, int *sampleOut, int *playedNote)
{
    int s = ch.sample, played = note;
    if (IsInstrumentMode(tk.mod)) {
        s = InstrumentSample(ch, note);
        if (s < 0)
            return 0;
        played = note + tk.mod->samples[s].relativeNote;
    } else if (!ChannelSample(ch)) {
        return 0;
    }
    int tune = IsInstrumentMode(tk.mod) ? tk.mod->samples[s].tune : ch.tune;
    if (sampleOut)
        *sampleOut = s;
    if (playedNote)
        *playedNote = played;
    return TkmodNoteToPeriod(tk.mod, played, tune);
}

static void NoteTrigger(TkmodChannel &ch, int note, int command, int param)
{
    int s = -1, played = 0;
    int period = NotePeriod(ch, note, &s, &played);
    if (period <= 0) {
        // An instrument with no sample for the note: the channel falls silent.
        if (IsInstrumentMode(tk.mod)) {
            ch.stopPending = 1;
            ch.triggered = 0;
            ch.hasFreq = 0;
        }
        return;
    }
    if (IsInstrumentMode(tk.mod)) {
        ch.sample = s;
        ch.tune = tk.mod->samples[s].tune;
    }
    ch.keyNote = note;
    ch.note = played;
    ch.period = ch.outPeriod = ch.targetPeriod = period;
    ch.triggered = 1;
    ch.stopPending = 0;
    ch.hasFreq = 1;
    ch.keyOn = 1;
    ch.fade = TKMOD_FADE_FULL;
    ch.retrigCount = 0;
    if (!(ch.vibWave & 4))
        ch.vibPos = 0;
    if (!(ch.tremWave & 4))
        ch.tremPos = 0;
    const TkmodInstrument *ins = ChannelInstrument(ch);
    TkmodEnvelopeInit(&ch.volEnv, ins ? &ins->volEnv : nullptr);
    TkmodEnvelopeInit(&ch.panEnv, ins ? &ins->panEnv : nullptr);
    ch.offsetPending = 0;
    if (command == TKCMD_OFFSET) {
        int p = param ? param : ch.memOffset;
        ch.memOffset = p;
        ch.offsetPending = 1;
        ch.offset = p * 256;
    }
}

// Sample, note and volume column of a cell: the first tick of a row, or the tick a delayed note falls on.
static void ChannelNote(TkmodChannel &ch, const TkmodCell &cell)
{
    bool porta = IsTonePorta(cell.command) || cell.volume >= 0xF0;
    if (cell.sample > 0)
        SampleSelect(ch, cell.sample, cell.note, porta);
    if (cell.note > 0) {
        if (porta && ch.hasFreq) {
            int target = NotePeriod(ch, cell.note, nullptr, nullptr);
            if (target > 0)
                ch.targetPeriod = target;
        } else {
            NoteTrigger(ch, cell.note, cell.command, cell.param);
        }
    } else if (cell.note == TKMOD_NOTE_CUT) {
        ch.volume = 0;
    } else if (cell.note == TKMOD_NOTE_OFF) {
        KeyOff(ch);
    }
    int v = cell.volume, y = v & 15;
    if (v >= 0x10 && v <= 0x50)
        ch.volume = v - 0x10;
    else if (v >= 0x80 && v <= 0x8F)
        ch.volume = Clamp(ch.volume - y, 0, 64);
    else if (v >= 0x90 && v <= 0x9F)
        ch.volume = Clamp(ch.volume + y, 0, 64);
    else if (v >= 0xA0 && v <= 0xAF && y)
        ch.vibSpeed = y * 4;
    else if (v >= 0xB0 && v <= 0xBF && y)
        ch.vibDepth = y;
    else if (v >= 0xC0 && v <= 0xCF)
        ch.pan = y * 17;
    else if (v >= 0xF0 && y)
        ch.memTonePorta = y * 16 * 4;
}

static void SetTempo(int tempo);

// ---------------------------------------------------------------- effects

static int Wave(int wave, int pos)
{
    int index = (pos >> 2) & 31;
    switch (wave & 3) {
    case 0:
        return sineTable[index];
    case 1:
        return (pos & 0x80) ? 255 - 8 * index : 8 * index;
    case 2:
        return 255;
    default:
        tk.random = tk.random * 1103515245u + 12345u;
        return (int)((tk.random >> 16) % 255);
    }
}

static int WaveDelta(int wave, int pos, int depth, int shift)
{
    int d = (Wave(wave, pos) * depth) >> shift;
    return (pos & 0x80) ? -d : d;
}

static void VolumeSlide(TkmodChannel &ch, int param)
{
    int p = param ? param : ch.memVolSlide;
    ch.memVolSlide = p;
    int x = p >> 4, y = p & 15;
    ch.volume = Clamp(x > 0 ? ch.volume + x : ch.volume - y, 0, 64);
}

// S3M D: fine slides act on the first tick, plain slides on the others.
static void S3mVolumeSlide(TkmodChannel &ch, int param, bool first)
{
    int p = param ? param : ch.memS3mVolSlide;
    ch.memS3mVolSlide = p;
    int x = p >> 4, y = p & 15;
    if (y == 15 && x > 0) {
        if (first)
            ch.volume += x;
    } else if (x == 15 && y > 0) {
        if (first)
            ch.volume -= y;
    } else if (y == 0) {
        if (!first)
            ch.volume += x;
    } else if (x == 0) {
        if (!first)
            ch.volume -= y;
    }
    ch.volume = Clamp(ch.volume, 0, 64);
}

// S3M E (down) and F (up): 0xE0.. extra fine and 0xF0.. fine steps once, smaller values per tick.
static void S3mPorta(TkmodChannel &ch, int param, bool first, int sign)
{
    int p = param ? param : ch.memS3mPorta;
    ch.memS3mPorta = p;
    int step = 0;
    if (p >= 0xF0)
        step = first ? 4 * (p & 15) : 0;
    else if (p >= 0xE0)
        step = first ? (p & 15) : 0;
    else
        step = first ? 0 : p * 4;
    ch.period += sign * step;
}

static void TonePorta(TkmodChannel &ch)
{
    int speed = ch.memTonePorta;
    if (ch.targetPeriod <= 0 || speed <= 0)
        return;
    if (ch.period < ch.targetPeriod)
        ch.period = (int)std::min<long long>((long long)ch.period + speed, ch.targetPeriod);
    else if (ch.period > ch.targetPeriod)
        ch.period = (int)std::max<long long>((long long)ch.period - speed, ch.targetPeriod);
}

static void Retrigger(TkmodChannel &ch)
{
    if (ch.hasFreq && ChannelSample(ch)) {
        ch.triggered = 1;
        ch.offsetPending = 0;
    }
}

static void RetrigVolume(TkmodChannel &ch, int x)
{
    const auto &r = retrigVolume[x & 15];
    if (r.kind == 1)
        ch.volume = Clamp(ch.volume + r.amount, 0, 64);
    else if (r.kind == 2)
        ch.volume = Clamp(ch.volume * r.num / r.den, 0, 64);
}

// Retrigger with volume change: counts every tick, restarts the note each y ticks.
static void RetrigTick(TkmodChannel &ch)
{
    int p = ch.param ? ch.param : ch.memRetrig;
    ch.memRetrig = p;
    int y = p & 15;
    if (y == 0)
        return;
    if (++ch.retrigCount >= y) {
        ch.retrigCount = 0;
        Retrigger(ch);
        RetrigVolume(ch, p >> 4);
    }
}

static void ExtendedFirst(TkmodChannel &ch, const TkmodCell &cell)
{
    int sub = ch.param >> 4, v = ch.param & 15;
    switch (sub) {
    case TKEXT_FINE_PORTA_UP:
        ch.period -= v * 4;
        break;
    case TKEXT_FINE_PORTA_DOWN:
        ch.period += v * 4;
        break;
    case TKEXT_XM_FINE_PORTA_UP: {
        int p = v ? v : ch.memFinePortaUp;
        ch.memFinePortaUp = p;
        ch.period -= p * 4;
        break;
    }
    case TKEXT_XM_FINE_PORTA_DOWN: {
        int p = v ? v : ch.memFinePortaDown;
        ch.memFinePortaDown = p;
        ch.period += p * 4;
        break;
    }
    case TKEXT_GLISSANDO:
        ch.glissando = v;
        break;
    case TKEXT_VIBRATO_WAVE:
        ch.vibWave = v & 7;
        break;
    case TKEXT_TREMOLO_WAVE:
        ch.tremWave = v & 7;
        break;
    case TKEXT_FINETUNE:
        ch.tune = IsInstrumentMode(tk.mod) ? v * 16 : TkmodFinetuneToC2spd(v);
        // A note on the same row plays at the new finetune.
        if (cell.note > 0 && ch.triggered)
            ch.period = ch.outPeriod = ch.targetPeriod = TkmodNoteToPeriod(tk.mod, ch.note, ch.tune);
        break;
    case TKEXT_PAN:
        ch.pan = v * 17;
        break;
    case TKEXT_FINE_VOL_UP:
        ch.volume = Clamp(ch.volume + v, 0, 64);
        break;
    case TKEXT_FINE_VOL_DOWN:
        ch.volume = Clamp(ch.volume - v, 0, 64);
        break;
    case TKEXT_XM_FINE_VOL_UP: {
        int p = v ? v : ch.memFineVolUp;
        ch.memFineVolUp = p;
        ch.volume = Clamp(ch.volume + p, 0, 64);
        break;
    }
    case TKEXT_XM_FINE_VOL_DOWN: {
        int p = v ? v : ch.memFineVolDown;
        ch.memFineVolDown = p;
        ch.volume = Clamp(ch.volume - p, 0, 64);
        break;
    }
    case TKEXT_NOTE_CUT:
        ch.cutTick = v;
        if (v == 0)
            ch.volume = 0;
        break;
    case TKEXT_STEREO:
        // The nibble as a signed step from the centre: 0..7 right, 8..15 left.
        ch.pan = Clamp(128 + ((v ^ 8) - 8) * 16, 0, 255);
        break;
    default:
        break;
    }
}

// What a command does on the first tick of its row (the note has been handled).
static void CommandFirst(TkmodChannel &ch, const TkmodCell &cell)
{
    int p = ch.param, x = p >> 4, y = p & 15;
    switch (ch.command) {
    case TKCMD_PORTA_UP:
    case TKCMD_XM_PORTA_UP:
        if (p)
            ch.memPortaUp = p;
        break;
    case TKCMD_PORTA_DOWN:
    case TKCMD_XM_PORTA_DOWN:
        if (p)
            ch.memPortaDown = p;
        break;
    case TKCMD_TONE_PORTA:
        if (p)
            ch.memTonePorta = p * 4;
        break;
    case TKCMD_VIBRATO:
    case TKCMD_FINE_VIBRATO:
        if (x)
            ch.vibSpeed = x * 4;
        if (y)
            ch.vibDepth = y;
        break;
    case TKCMD_TREMOLO:
    case TKCMD_S3M_TREMOLO:
        if (x)
            ch.tremSpeed = x * 4;
        if (y)
            ch.tremDepth = y;
        break;
    case TKCMD_TONE_PORTA_VOL:
    case TKCMD_VIBRATO_VOL:
    case TKCMD_VOL_SLIDE:
    case TKCMD_XM_TONE_PORTA_VOL:
    case TKCMD_XM_VIBRATO_VOL:
    case TKCMD_XM_VOL_SLIDE:
        if (p)
            ch.memVolSlide = p;
        break;
    case TKCMD_S3M_VOL_SLIDE:
    case TKCMD_S3M_VIBRATO_VOL:
    case TKCMD_S3M_TONE_PORTA_VOL:
        S3mVolumeSlide(ch, p, true);
        break;
    case TKCMD_S3M_PORTA_DOWN:
        S3mPorta(ch, p, true, 1);
        break;
    case TKCMD_S3M_PORTA_UP:
        S3mPorta(ch, p, true, -1);
        break;
    case TKCMD_PAN:
        ch.pan = Clamp(p, 0, 255);
        break;
    case TKCMD_VOLUME:
        ch.volume = Clamp(p, 0, 64);
        break;
    case TKCMD_S3M_ARPEGGIO:
        if (p)
            ch.memArpeggio = p;
        break;
    case TKCMD_TREMOR:
        if (p)
            ch.memTremor = p;
        break;
    case TKCMD_RETRIG:
        if (!ch.triggered)
            RetrigTick(ch);
        else if (p)
            ch.memRetrig = p;
        break;
    case TKCMD_TEMPO:
        if (p > 0 && p < 32)
            ch.memTempoSlide = p;
        break;
    case TKCMD_S3M_PAN:
        if (p == 0)
            ch.pan = 0;
        else if (p <= 128)
            ch.pan = 2 * p - 1;
        break;
    case TKCMD_GLOBAL_SLIDE:
        if (p)
            ch.memGlobalSlide = p;
        break;
    case TKCMD_KEY_OFF:
        ch.keyOffTick = p;
        if (p == 0)
            KeyOff(ch);
        break;
    case TKCMD_ENV_POS:
        TkmodEnvelopeSetPos(&ch.volEnv, p);
        TkmodEnvelopeSetPos(&ch.panEnv, p);
        break;
    case TKCMD_PAN_SLIDE:
        if (p)
            ch.memPanSlide = p;
        break;
    case TKCMD_XFINE_PORTA:
        if (x == 1)
            ch.period -= y;
        else if (x == 2)
            ch.period += y;
        break;
    case TKCMD_EXTENDED:
        ExtendedFirst(ch, cell);
        break;
    default:
        break;
    }
}

// What a command does on each later tick of its row.
static void CommandNext(TkmodChannel &ch)
{
    int p = ch.param;
    switch (ch.command) {
    case TKCMD_PORTA_UP:
    case TKCMD_XM_PORTA_UP:
        ch.period -= (p ? p : ch.memPortaUp) * 4;
        break;
    case TKCMD_PORTA_DOWN:
    case TKCMD_XM_PORTA_DOWN:
        ch.period += (p ? p : ch.memPortaDown) * 4;
        break;
    case TKCMD_TONE_PORTA:
        TonePorta(ch);
        break;
    case TKCMD_TONE_PORTA_VOL:
    case TKCMD_XM_TONE_PORTA_VOL:
        TonePorta(ch);
        VolumeSlide(ch, p);
        break;
    case TKCMD_S3M_TONE_PORTA_VOL:
        TonePorta(ch);
        S3mVolumeSlide(ch, p, false);
        break;
    case TKCMD_VIBRATO_VOL:
    case TKCMD_XM_VIBRATO_VOL:
    case TKCMD_VOL_SLIDE:
    case TKCMD_XM_VOL_SLIDE:
        VolumeSlide(ch, p);
        break;
    case TKCMD_S3M_VOL_SLIDE:
    case TKCMD_S3M_VIBRATO_VOL:
        S3mVolumeSlide(ch, p, false);
        break;
    case TKCMD_S3M_PORTA_DOWN:
        S3mPorta(ch, p, false, 1);
        break;
    case TKCMD_S3M_PORTA_UP:
        S3mPorta(ch, p, false, -1);
        break;
    case TKCMD_RETRIG:
        RetrigTick(ch);
        break;
    case TKCMD_TEMPO:
        if (p < 32) {
            int s = p ? p : ch.memTempoSlide;
            int step = s & 15;
            if ((s >> 4) == 0)
                SetTempo(std::min(tk.tempo + step, (int)TEMPO_SLIDE_MAX));
            else if ((s >> 4) == 1)
                SetTempo(std::max(tk.tempo - step, 1));
        }
        break;
    case TKCMD_GLOBAL_SLIDE: {
        int s = p ? p : ch.memGlobalSlide;
        int x = s >> 4, y = s & 15;
        tk.globalVolume = Clamp(x > 0 ? tk.globalVolume + x : tk.globalVolume - y, 0, 64);
        break;
    }
    case TKCMD_KEY_OFF:
        if (tk.tick == ch.keyOffTick)
            KeyOff(ch);
        break;
    case TKCMD_PAN_SLIDE: {
        int s = p ? p : ch.memPanSlide;
        int x = s >> 4, y = s & 15;
        ch.pan = Clamp(x > 0 ? ch.pan + x : ch.pan - y, 0, 255);
        break;
    }
    case TKCMD_EXTENDED: {
        int sub = p >> 4, v = p & 15;
        if (sub == TKEXT_RETRIG && v > 0 && tk.tick % v == 0)
            Retrigger(ch);
        else if (sub == TKEXT_NOTE_CUT && tk.tick == ch.cutTick)
            ch.volume = 0;
        break;
    }
    default:
        break;
    }
}

// Volume-column slides on the ticks after the first.
static void VolumeColumnNext(TkmodChannel &ch)
{
    int v = ch.volCmd, y = v & 15;
    if (v >= 0x60 && v <= 0x6F)
        ch.volume = Clamp(ch.volume - y, 0, 64);
    else if (v >= 0x70 && v <= 0x7F)
        ch.volume = Clamp(ch.volume + y, 0, 64);
    else if (v >= 0xD0 && v <= 0xDF)
        ch.pan = Clamp(ch.pan - y, 0, 255);
    else if (v >= 0xE0 && v <= 0xEF)
        ch.pan = Clamp(ch.pan + y, 0, 255);
    else if (v >= 0xF0 && !IsTonePorta(ch.command))
        TonePorta(ch);
}

// The played period and volume of this tick: the base values through the
// running modulations; their positions move on every tick but the first.
static void Modulate(TkmodChannel &ch, bool first)
{
    ch.period = Clamp(ch.period, PERIOD_MIN, PERIOD_MAX);
    ch.outPeriod = ch.period;
    ch.outVolume = ch.volume;
    int cmd = ch.command, p = ch.param;
    if (ch.glissando && (IsTonePorta(cmd) || ch.volCmd >= 0xF0))
        ch.outPeriod = Glissando(tk.mod, ch.period, ch.targetPeriod);

    bool vibrato = cmd == TKCMD_VIBRATO || cmd == TKCMD_VIBRATO_VOL || cmd == TKCMD_S3M_VIBRATO_VOL ||
                   cmd == TKCMD_XM_VIBRATO_VOL || cmd == TKCMD_FINE_VIBRATO || (ch.volCmd >= 0xB0 && ch.volCmd <= 0xBF);
    if (vibrato) {
        int shift = cmd == TKCMD_FINE_VIBRATO ? 7 : 5;
        ch.outPeriod += WaveDelta(ch.vibWave, ch.vibPos, ch.vibDepth, shift);
        if (!first)
            ch.vibPos = (ch.vibPos + ch.vibSpeed) & 255;
    }
    if (cmd == TKCMD_TREMOLO || cmd == TKCMD_S3M_TREMOLO) {
        int shift = cmd == TKCMD_TREMOLO ? 6 : 7;
        ch.outVolume += WaveDelta(ch.tremWave, ch.tremPos, ch.tremDepth, shift);
        if (!first)
            ch.tremPos = (ch.tremPos + ch.tremSpeed) & 255;
    }
    if ((cmd == TKCMD_ARPEGGIO && p) || cmd == TKCMD_S3M_ARPEGGIO) {
        int a = cmd == TKCMD_ARPEGGIO ? p : ch.memArpeggio;
        int step = tk.tick % 3;
        int k = step == 0 ? 0 : step == 1 ? a >> 4 : a & 15;
        ch.outPeriod = PeriodUp(tk.mod, ch.outPeriod, k);
    }
    if (cmd == TKCMD_TREMOR) {
        int t = ch.memTremor;
        int on = (t >> 4) + 1, off = (t & 15) + 1;
        if (ch.tremorCount % (on + off) >= on)
            ch.outVolume = 0;
        ch.tremorCount++;
    }
}

// ---------------------------------------------------------------- sequencer

static void SetTempo(int tempo)
{
    tempo = std::max(tempo, 1);
    if (tempo == tk.tempo)
        return;
    tk.tempo = tempo;
    if (tk.timerOn) {
        tk.timerPeriod = TkmodTimerPeriod(tk.tempo, tk.speedRatio);
        Dev().timerInstall(TkmodTick, tk.timerPeriod);
    }
}

static void TimerStart()
{
    tk.timerPeriod = TkmodTimerPeriod(tk.tempo, tk.speedRatio);
    Dev().timerInstall(TkmodTick, tk.timerPeriod);
    tk.timerOn = 1;
}

static void VoicesStop(bool rest)
{
    for (int c = 0; c < tk.voiceCount; c++) {
        int v = tk.voices[c];
        Dev().voiceStop(v);
        if (rest) {
            Dev().voiceSetVolume(v, 0);
            // Back on the placeholder, so that freeing the module's samples
            // never takes a voice away from the player.
            Dev().voiceReallocate(v, tk.placeholder);
        }
    }
}

// The module from its start: channels reset, speed, tempo and global volume
// from the module, order 0 row 0 on the next tick.
static void SongReset()
{
    for (int c = 0; c < TKMOD_MAX_CHANNELS; c++)
        ChannelReset(c);
    tk.speed = std::max(tk.mod->speed, 1);
    tk.tempo = std::max(tk.mod->tempo, 1);
    tk.globalVolume = Clamp(tk.mod->globalVolume, 0, 64);
    tk.order = 0;
    tk.row = 0;
    tk.tick = 0;
    tk.rowStart = true;
    tk.patternDelay = 0;
    tk.loopJump = tk.posJump = 0;
    tk.jumpRequest = 0;
    tk.pattern = tk.mod->orderCount > 0 ? tk.mod->orders[0] : 0;
}

// Starts the module again as a play would, keeping the loop flag and the timer.
static void SongRestart()
{
    int oldTempo = tk.tempo;
    SongReset();
    int tempo = tk.tempo;
    tk.tempo = oldTempo;
    SetTempo(tempo);
}

static void Forget()
{
    tk.playing = 0;
    tk.order = 0;
    tk.mod = nullptr;
}

// Settles the order position on a playable pattern and the row inside it.
// At the end of the order list the song stops, or starts again from the
// restart position when it loops; false when nothing is left to play.
static bool OrderSettle()
{
    for (int pass = 0; pass < 2; pass++) {
        while (tk.order < tk.mod->orderCount && tk.mod->orders[tk.order] >= tk.mod->patternCount)
            tk.order++;
        if (tk.order < tk.mod->orderCount) {
            tk.pattern = tk.mod->orders[tk.order];
            if (tk.row < 0 || tk.row >= tk.mod->patterns[tk.pattern].rows)
                tk.row = 0;
            return true;
        }
        VoicesStop(false);
        if (!tk.loop || pass > 0)
            break;
        SongRestart();
        tk.order = tk.mod->restart < tk.mod->orderCount ? tk.mod->restart : 0;
        tk.rowStart = false;
    }
    // The module stops being current, so destroying it later stops nothing:
    // a voice left on one of its samples would be freed with that sample.
    VoicesStop(true);
    Forget();
    return false;
}

static void OrderChanged()
{
    for (int c = 0; c < TKMOD_MAX_CHANNELS; c++) {
        tk.ch[c].loopRow = 0;
        tk.ch[c].loopCount = 0;
    }
}

static void RowAdvance()
{
    if (tk.loopJump) {
        tk.loopJump = 0;
        tk.posJump = 0;
        tk.row = tk.loopJumpRow;
        return;
    }
    if (tk.posJump) {
        tk.posJump = 0;
        int target = tk.posJumpOrder;
        if (target >= tk.mod->orderCount && tk.posJumpWraps && tk.loop)
            target = 0;
        tk.order = target;
        tk.row = tk.posJumpRow;
        OrderChanged();
        return;
    }
    tk.row++;
    if (tk.row >= tk.mod->patterns[tk.pattern].rows) {
        tk.row = 0;
        tk.order++;
        OrderChanged();
    }
}

// Position jump, pattern break, speed, tempo, global volume, pattern loop and delay of every channel.
static void GlobalCommands(const TkmodCell *cells)
{
    bool jumpSeen = false, breakSeen = false;
    for (int c = 0; c < tk.mod->channelCount; c++) {
        int p = cells[c].param;
        switch (cells[c].command) {
        case TKCMD_JUMP:
            tk.posJump = 1;
            tk.posJumpOrder = p;
            tk.posJumpWraps = 1;
            if (!breakSeen)
                tk.posJumpRow = 0;
            jumpSeen = true;
            break;
        case TKCMD_BREAK:
            tk.posJump = 1;
            if (!jumpSeen) {
                tk.posJumpOrder = tk.order + 1;
                tk.posJumpWraps = 0;
            }
            tk.posJumpRow = (p >> 4) * 10 + (p & 15);
            breakSeen = true;
            break;
        case TKCMD_SPEED:
            if (p > 0 && p < 32)
                tk.speed = p;
            else if (p >= 32)
                SetTempo(p);
            break;
        case TKCMD_S3M_SPEED:
            if (p > 0)
                tk.speed = p;
            break;
        case TKCMD_TEMPO:
            if (p >= 32)
                SetTempo(p);
            break;
        case TKCMD_GLOBAL_VOLUME:
            tk.globalVolume = std::min(p, 64);
            break;
        case TKCMD_EXTENDED: {
            int sub = p >> 4, v = p & 15;
            TkmodChannel &ch = tk.ch[c];
            if (sub == TKEXT_PATTERN_LOOP) {
                if (v == 0) {
                    ch.loopRow = tk.row;
                } else if (ch.loopCount == 0) {
                    ch.loopCount = v;
                    tk.loopJump = 1;
                    tk.loopJumpRow = ch.loopRow;
                } else if (--ch.loopCount > 0) {
                    tk.loopJump = 1;
                    tk.loopJumpRow = ch.loopRow;
                }
            } else if (sub == TKEXT_PATTERN_DELAY) {
                tk.patternDelay = v * tk.speed;
            }
            break;
        }
        default:
            break;
        }
    }
}

static int ChannelsPlayed()
{
    return std::min(tk.voiceCount, tk.mod->channelCount);
}

static void RowStart()
{
    const TkmodPattern &pat = tk.mod->patterns[tk.pattern];
    const TkmodCell *cells = pat.cells + (size_t)tk.row * tk.mod->channelCount;
    GlobalCommands(cells);
    for (int c = 0; c < ChannelsPlayed(); c++) {
        TkmodChannel &ch = tk.ch[c];
        const TkmodCell &cell = cells[c];
        ch.command = cell.command;
        ch.param = cell.param;
        ch.volCmd = cell.volume;
        ch.cutTick = ch.delayTick = ch.keyOffTick = -1;
        int sub = cell.command == TKCMD_EXTENDED ? cell.param >> 4 : -1;
        int v = cell.param & 15;
        if (sub == TKEXT_NOTE_DELAY && v > 0) {
            ch.delayTick = v;
            ch.delayed = cell;
        } else {
            ChannelNote(ch, cell);
        }
        CommandFirst(ch, cell);
        Modulate(ch, true);
    }
}

static void TickEffects()
{
    for (int c = 0; c < ChannelsPlayed(); c++) {
        TkmodChannel &ch = tk.ch[c];
        if (tk.tick == ch.delayTick)
            ChannelNote(ch, ch.delayed);
        VolumeColumnNext(ch);
        CommandNext(ch);
        Modulate(ch, false);
    }
}

static void VoicesUpdate()
{
    const TkmodDevice &dev = Dev();
    bool instruments = IsInstrumentMode(tk.mod);
    for (int c = 0; c < tk.voiceCount; c++) {
        TkmodChannel &ch = tk.ch[c];
        int v = tk.voices[c];
        ch.period = Clamp(ch.period, PERIOD_MIN, PERIOD_MAX);
        ch.outPeriod = Clamp(ch.outPeriod, PERIOD_MIN, PERIOD_MAX);
        ch.volume = Clamp(ch.volume, 0, 64);
        ch.outVolume = Clamp(ch.outVolume, 0, 64);
        ch.pan = Clamp(ch.pan, 0, 255);
        if (ch.stopPending) {
            dev.voiceStop(v);
            ch.stopPending = 0;
        }
        if (ch.triggered) {
            const TkmodSampleInfo *info = ChannelSample(ch);
            bool play = info && info->sample && info->length > 0;
            int position = 0;
            if (play && ch.offsetPending) {
                position = ch.offset;
                // Past the end a looping sample goes on from its loop, a plain one stays silent.
                if (position >= info->length) {
                    if (info->loopType & TKMOD_LOOP_ON)
                        position = info->loopStart;
                    else
                        play = false;
                }
            }
            if (play) {
                dev.voiceReallocate(v, info->sample);
                int mode = PLAYMODE_PLAY;
                if (info->loopType & TKMOD_LOOP_BIDI)
                    mode = PLAYMODE_LOOP | PLAYMODE_BIDIR;
                else if (info->loopType & TKMOD_LOOP_ON)
                    mode = PLAYMODE_LOOP;
                dev.voiceSetPlaymode(v, mode);
                if (ch.offsetPending)
                    dev.voiceSetPosition(v, position);
            } else {
                dev.voiceStop(v);
                ch.triggered = 0;
            }
            ch.offsetPending = 0;
        }
        if (ch.hasFreq) {
            long long f = (long long)TkmodPeriodToFreq(tk.mod, ch.outPeriod) * tk.pitchRatio / 100;
            ch.freq = Clamp(f, 0, 0x7FFFF);
            dev.voiceSetFrequency(v, ch.freq);
        }
        ch.volEnvValue = (ch.volEnv.flags & TKMOD_ENV_ON) && ch.volEnv.count > 0
                             ? TkmodEnvelopeStep(&ch.volEnv, ch.keyOn) : 64;
        ch.panEnvValue = (ch.panEnv.flags & TKMOD_ENV_ON) && ch.panEnv.count > 0
                             ? TkmodEnvelopeStep(&ch.panEnv, ch.keyOn) : 32;
        dev.voiceSetVolume(v, TkmodVoiceVolumeCompute(ch.fade, tk.master, ch.outVolume, ch.volEnvValue,
                                                      tk.globalVolume));
        dev.voiceSetPan(v, TkmodVoicePanCompute(ch.pan, ch.panEnvValue));
        if (!ch.keyOn && instruments) {
            const TkmodInstrument *ins = ChannelInstrument(ch);
            if (ins)
                ch.fade = std::max(ch.fade - ins->fadeout, 0);
        }
        if (ch.triggered) {
            dev.voiceStart(v);
            ch.triggered = 0;
        }
    }
}

static void SilenceChannels()
{
    for (int c = 0; c < TKMOD_MAX_CHANNELS; c++) {
        TkmodChannel &ch = tk.ch[c];
        ch.triggered = ch.offsetPending = ch.stopPending = 0;
        ch.hasFreq = 0;
        ch.volume = ch.outVolume = 0;
        ch.period = ch.outPeriod = ch.targetPeriod = 0;
        ch.keyOn = 0;
        ch.command = ch.param = ch.volCmd = 0;
        ch.delayTick = ch.cutTick = ch.keyOffTick = -1;
        ch.loopRow = ch.loopCount = 0;
    }
    for (int c = 0; c < tk.voiceCount; c++) {
        Dev().voiceSetVolume(tk.voices[c], 0);
        Dev().voiceStop(tk.voices[c]);
    }
}

static void TickRun()
{
    if (tk.jumpRequest) {
        tk.jumpRequest = 0;
        int target = tk.jumpTarget - 1;
        if (target <= 0) {
            VoicesStop(false);
            SongRestart();
        } else {
            SilenceChannels();
            tk.order = target;
            tk.row = 0;
            tk.rowStart = true;
            tk.patternDelay = 0;
            tk.loopJump = tk.posJump = 0;
        }
    }
    bool newRow = false, effects = true;
    if (tk.rowStart) {
        tk.rowStart = false;
        tk.tick = 0;
        newRow = true;
    } else if (++tk.tick >= tk.speed) {
        if (tk.patternDelay > 0) {
            tk.patternDelay--;
            effects = false;
        } else {
            tk.tick = 0;
            RowAdvance();
            newRow = true;
        }
    }
    if (newRow && !OrderSettle())
        return;
    if (newRow)
        RowStart();
    else if (effects)
        TickEffects();
    else
        for (int c = 0; c < ChannelsPlayed(); c++) {
            tk.ch[c].outPeriod = tk.ch[c].period;
            tk.ch[c].outVolume = tk.ch[c].volume;
        }
    VoicesUpdate();
}

void TkmodTick()
{
    std::unique_lock<std::recursive_mutex> hold(tk.lock, std::try_to_lock);
    if (!hold.owns_lock())
        return;
    if (!tk.mod || !tk.playing || tk.paused)
        return;
    TickRun();
}

// ---------------------------------------------------------------- operations

static void RemoveAtExit()
{
    TkmodRemove();
}

int TkmodInstall(int voices)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (tk.installed)
        return 1;
    if (voices < 1 || voices > TKMOD_MAX_CHANNELS) {
        TkmodErrorSet("TKMOD : Unable to allocate enough voices");
        return -1;
    }
    TkmodDatafileRegister();
    if (!tk.placeholder) {
        SAMPLE *s = (SAMPLE *)calloc(1, sizeof(SAMPLE));
        unsigned char *data = (unsigned char *)malloc(1);
        if (!s || !data) {
            free(s);
            free(data);
            TkmodErrorSet("TKMOD : Not enough memory to setup initialization sample");
            return -1;
        }
        // Silent and empty; the byte behind it is only there so that no mixer reads through null.
        data[0] = 0x80;
        s->bits = 8;
        s->stereo = 0;
        s->freq = 1000;
        s->priority = 192;
        s->len = 0;
        s->loop_start = 0;
        s->loop_end = 0;
        s->data = data;
        tk.placeholder = s;
    }
    const TkmodDevice &dev = Dev();
    for (int c = 0; c < voices; c++) {
        int v = dev.voiceAllocate(tk.placeholder);
        if (v < 0) {
            for (int k = 0; k < c; k++)
                dev.voiceDeallocate(tk.voices[k]);
            tk.voiceCount = 0;
            free(tk.placeholder->data);
            free(tk.placeholder);
            tk.placeholder = nullptr;
            TkmodErrorSet("TKMOD : Unable to allocate enough voices");
            return -1;
        }
        tk.voices[c] = v;
        dev.voiceSetVolume(v, 0);
        dev.voiceStart(v);
    }
    tk.voiceCount = voices;
    tk.playing = 0;
    tk.paused = 0;
    tk.speedRatio = tk.pitchRatio = 100;
    tk.installed = -1;
    static bool atExitRegistered = false;
    if (!atExitRegistered) {
        atExitRegistered = true;
        std::atexit(RemoveAtExit);
    }
    return 1;
}

static void StopLocked()
{
    if (!tk.installed)
        return;
    tk.playing = 0;
    tk.order = 0;
    VoicesStop(true);
    for (int c = 0; c < TKMOD_MAX_CHANNELS; c++)
        tk.ch[c].triggered = tk.ch[c].offsetPending = tk.ch[c].stopPending = 0;
    tk.mod = nullptr;
}

void TkmodRemove()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (!tk.installed)
        return;
    StopLocked();
    if (tk.timerOn) {
        Dev().timerRemove(TkmodTick);
        tk.timerOn = 0;
    }
    for (int c = 0; c < tk.voiceCount; c++)
        Dev().voiceDeallocate(tk.voices[c]);
    tk.voiceCount = 0;
    if (tk.placeholder) {
        free(tk.placeholder->data);
        free(tk.placeholder);
        tk.placeholder = nullptr;
    }
    tk.installed = 0;
    tk.paused = 0;
}

int TkmodPlay(TkmodModule *module, int loop)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (!module) {
        TkmodErrorSet("Can't play a TKMOD pointer with null value");
        return -1;
    }
    if (!tk.installed) {
        TkmodErrorSet("TKMOD : Player not installed");
        return -1;
    }
    StopLocked();
    tk.mod = module;
    SongReset();
    tk.playing = -1;
    tk.loop = loop ? -1 : 0;
    TimerStart();
    return 1;
}

void TkmodStop()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    StopLocked();
}

void TkmodPause()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (!tk.installed)
        return;
    tk.paused = -1;
    for (int c = 0; c < tk.voiceCount; c++)
        Dev().voiceStop(tk.voices[c]);
}

void TkmodResume()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (!tk.installed)
        return;
    tk.paused = 0;
    for (int c = 0; c < tk.voiceCount; c++)
        if (Dev().voiceGetPosition(tk.voices[c]) >= 0)
            Dev().voiceStart(tk.voices[c]);
}

void TkmodTogglePause()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (tk.paused)
        TkmodResume();
    else
        TkmodPause();
}

int TkmodIsPlaying()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    return tk.playing;
}

int TkmodIsPaused()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    return tk.playing ? tk.paused : 0;
}

static void JumpRequest(int target)
{
    tk.jumpTarget = target;
    tk.jumpRequest = 1;
}

int TkmodNextTrack()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    int target = tk.order + 2;
    if (tk.mod)
        JumpRequest(target);
    return target;
}

void TkmodPrevTrack()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (tk.mod)
        JumpRequest(std::max(tk.order, 1));
}

void TkmodGotoTrack(int order)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    if (tk.mod)
        JumpRequest(std::max(order, 0) + 1);
}

void TkmodSetVolume(int volume)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    tk.master = Clamp(volume, 0, 255);
    if (!tk.installed || !tk.mod)
        return;
    for (int c = 0; c < tk.voiceCount; c++) {
        const TkmodChannel &ch = tk.ch[c];
        Dev().voiceSetVolume(tk.voices[c], TkmodVoiceVolumeCompute(ch.fade, tk.master, ch.outVolume, ch.volEnvValue,
                                                                   tk.globalVolume));
    }
}

int TkmodGetVolume()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    return tk.master;
}

void TkmodSetSpeed(int percent)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    tk.speedRatio = Clamp(percent, 1, 400);
    if (tk.playing && tk.installed)
        TimerStart();
}

void TkmodSetPitch(int percent)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    tk.pitchRatio = Clamp(percent, 1, 400);
}

void TkmodDestroy(TkmodModule *module)
{
    if (!module)
        return;
    {
        std::lock_guard<std::recursive_mutex> hold(tk.lock);
        if (module == tk.mod)
            StopLocked();
    }
    if (module->samples)
        for (int i = 0; i < module->sampleCount; i++)
            if (module->samples[i].sample)
                destroy_sample(module->samples[i].sample);
    free(module->samples);
    free(module->instruments);
    if (module->patterns)
        for (int i = 0; i < module->patternCount; i++)
            free(module->patterns[i].cells);
    free(module->patterns);
    free(module);
}

SAMPLE *TkmodSampleGet(TkmodModule *module, int n)
{
    if (!module) {
        TkmodErrorSet("TKMOD pointer passed in is a NULL value");
        return nullptr;
    }
    if (n < 0 || n >= module->sampleCount || !module->samples[n].sample) {
        TkmodErrorSet("Incorrect value of no sample found");
        return nullptr;
    }
    return module->samples[n].sample;
}

void TkmodSamplesLock(TkmodModule *module)
{
    if (!module)
        return;
    for (int i = 0; i < module->sampleCount; i++)
        if (module->samples[i].sample)
            lock_sample(module->samples[i].sample);
}

// ---------------------------------------------------------------- state for callers and tests

void TkmodPositionGet(TkmodPosition *out)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    out->order = tk.order;
    out->pattern = tk.pattern;
    out->row = tk.row;
    out->tick = tk.tick;
    out->speed = tk.speed;
    out->tempo = tk.tempo;
    out->globalVolume = tk.globalVolume;
}

bool TkmodChannelGet(int n, TkmodChannel *out)
{
    if (n < 0 || n >= TKMOD_MAX_CHANNELS)
        return false;
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    *out = tk.ch[n];
    return true;
}

int TkmodVoiceCount()
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    return tk.voiceCount;
}

int TkmodVoiceGet(int n)
{
    std::lock_guard<std::recursive_mutex> hold(tk.lock);
    return (n >= 0 && n < tk.voiceCount) ? tk.voices[n] : -1;
}
