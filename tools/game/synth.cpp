// Sample-game sounds: hits, guards, swings, landings, menu moves and announcer-style tones synthesised in code.
#include "game/synth.h"

#include <algorithm>
#include <cmath>

#include "kit/sndkit.h"

static const float kPi = 3.14159265f;

static float Envelope(float t, float seconds, float decay)
{
    const float attack = 0.004f;
    float a = t < attack ? t / attack : 1.0f;
    float d = decay > 0 ? expf(-(t / decay)) : 1.0f;
    // The last 10 ms fade to silence so that nothing clicks at the end.
    float tail = seconds - t < 0.01f ? (seconds - t) / 0.01f : 1.0f;
    return a * d * (tail < 0 ? 0 : tail);
}

static float Shape(int shape, float phase)
{
    float f = phase - floorf(phase);
    switch (shape) {
    case SYNTH_SQUARE:
        return f < 0.5f ? 0.6f : -0.6f;
    case SYNTH_TRIANGLE:
        return f < 0.5f ? 4.0f * f - 1.0f : 3.0f - 4.0f * f;
    case SYNTH_SAW:
        return 2.0f * f - 1.0f;
    default:
        return sinf(2.0f * kPi * f);
    }
}

Wave SynthTone(float f0, float f1, float seconds, int shape, float decay, float volume)
{
    Wave w;
    int n = (int)(seconds * (float)SYNTH_RATE);
    w.s.resize((size_t)n);
    float phase = 0;
    for (int i = 0; i < n; i++) {
        float t = (float)i / (float)SYNTH_RATE;
        float f = f0 + (f1 - f0) * t / seconds;
        phase += f / (float)SYNTH_RATE;
        w.s[(size_t)i] = volume * Envelope(t, seconds, decay) * Shape(shape, phase);
    }
    return w;
}

Wave SynthNoise(float c0, float c1, float seconds, float decay, float volume, unsigned seed)
{
    Wave w;
    int n = (int)(seconds * (float)SYNTH_RATE);
    w.s.resize((size_t)n);
    float low = 0, low2 = 0;
    for (int i = 0; i < n; i++) {
        float t = (float)i / (float)SYNTH_RATE;
        seed = seed * 1103515245u + 12345u;
        float white = (float)((seed >> 9) & 0xFFFF) / 32768.0f - 1.0f;
        float c = c0 + (c1 - c0) * t / seconds;
        low += c * (white - low);
        low2 += c * (low - low2);
        w.s[(size_t)i] = volume * 1.8f * Envelope(t, seconds, decay) * low2;
    }
    return w;
}

void SynthMix(Wave *a, const Wave &b, float at)
{
    size_t start = (size_t)(at * (float)SYNTH_RATE);
    if (a->s.size() < start + b.s.size())
        a->s.resize(start + b.s.size(), 0.0f);
    for (size_t i = 0; i < b.s.size(); i++)
        a->s[start + i] += b.s[i];
}

void SynthNormalize(Wave *w, float peak)
{
    float top = 0;
    for (float v : w->s)
        top = std::max(top, fabsf(v));
    if (top <= 0)
        return;
    for (float &v : w->s)
        v *= peak / top;
}

std::string SynthWav(const Wave &w)
{
    std::string data;
    for (float v : w.s) {
        if (!(v == v))
            v = 0;
        if (v > 1)
            v = 1;
        if (v < -1)
            v = -1;
        PutLe16(data, (int)lrintf(v * 32000.0f));
    }
    return WavMake(1, 16, SYNTH_RATE, data);
}

void SynthEntryAdd(std::vector<SndEntry> *list, int group, int number, Wave w, float peak)
{
    SynthNormalize(&w, peak);
    list->push_back({group, number, SynthWav(w)});
}

// ---------------------------------------------------------------- fight sounds

static Wave Hit(float weight, unsigned seed)
{
    Wave w = SynthNoise(0.5f, 0.08f, 0.08f + 0.12f * weight, 0.03f + 0.05f * weight, 0.7f, seed);
    SynthMix(&w, SynthTone(160.0f - 40 * weight, 45.0f, 0.1f + 0.2f * weight, SYNTH_SINE, 0.05f + 0.06f * weight,
                           0.8f));
    return w;
}

static Wave Guard(float weight)
{
    float base = 1500.0f - 500.0f * weight;
    Wave w = SynthTone(base, base * 0.97f, 0.18f + 0.1f * weight, SYNTH_SINE, 0.04f + 0.03f * weight, 0.35f);
    SynthMix(&w, SynthTone(base * 1.47f, base * 1.45f, 0.15f, SYNTH_SINE, 0.03f, 0.25f));
    SynthMix(&w, SynthTone(base * 2.13f, base * 2.1f, 0.1f, SYNTH_TRIANGLE, 0.02f, 0.2f));
    SynthMix(&w, SynthNoise(0.9f, 0.4f, 0.03f, 0.01f, 0.5f, 77u));
    return w;
}

static Wave Swing(float weight, unsigned seed)
{
    float len = 0.14f + 0.12f * weight;
    Wave w = SynthNoise(0.05f, 0.35f - 0.1f * weight, len, 0.0f, 0.45f, seed);
    // A swell in the middle: the air rushing past.
    for (size_t i = 0; i < w.s.size(); i++) {
        float t = (float)i / (float)w.s.size();
        w.s[i] *= sinf(kPi * t);
    }
    return w;
}

static Wave Thud(float low, float seconds, unsigned seed)
{
    Wave w = SynthTone(low * 1.6f, low, seconds, SYNTH_SINE, seconds * 0.35f, 0.9f);
    SynthMix(&w, SynthNoise(0.12f, 0.03f, seconds, seconds * 0.3f, 0.5f, seed));
    return w;
}

// ---------------------------------------------------------------- announcer tones

static float Note(int semitones)
{
    return 440.0f * powf(2.0f, (float)semitones / 12.0f);
}

static Wave Notes(const std::vector<int> &notes, float step, float length, int shape, float volume)
{
    Wave w;
    for (size_t i = 0; i < notes.size(); i++) {
        float f = Note(notes[i]);
        SynthMix(&w, SynthTone(f, f, length, shape, length * 0.6f, volume), step * (float)i);
    }
    return w;
}

static Wave RoundCall(int n)
{
    Wave w = Notes({-5, 0}, 0.16f, 0.3f, SYNTH_SQUARE, 0.3f);
    for (int i = 0; i < n; i++)
        SynthMix(&w, SynthTone(Note(7), Note(7), 0.09f, SYNTH_TRIANGLE, 0.06f, 0.45f), 0.42f + 0.13f * (float)i);
    return w;
}

static Wave FightCall()
{
    Wave w = Notes({0, 4, 7, 12}, 0.07f, 0.4f, SYNTH_SQUARE, 0.22f);
    SynthMix(&w, SynthTone(Note(12), Note(12), 0.5f, SYNTH_SAW, 0.3f, 0.2f), 0.28f);
    SynthMix(&w, SynthNoise(0.3f, 0.05f, 0.3f, 0.1f, 0.35f, 5u), 0.28f);
    return w;
}

static Wave KoCall(int falls)
{
    Wave w;
    for (int i = 0; i < falls; i++) {
        SynthMix(&w, SynthTone(900.0f - 150 * i, 90.0f, 0.7f, SYNTH_SQUARE, 0.45f, 0.3f), 0.25f * (float)i);
        SynthMix(&w, SynthNoise(0.25f, 0.02f, 0.5f, 0.2f, 0.4f, 11u + (unsigned)i), 0.25f * (float)i);
    }
    return w;
}

// ---------------------------------------------------------------- menus

static Wave Blip(float f, float seconds)
{
    return SynthTone(f, f, seconds, SYNTH_SQUARE, seconds * 0.6f, 0.3f);
}


void SynthSoundsMake(GameFiles *out)
{
    std::vector<SndEntry> common;
    for (int i = 0; i < 4; i++)
        SynthEntryAdd(&common, 5, i, Hit((float)i / 3.0f, 100u + (unsigned)i), 0.6f + 0.1f * (float)i);
    SynthEntryAdd(&common, 6, 0, Guard(0.0f), 0.6f);
    SynthEntryAdd(&common, 6, 1, Guard(1.0f), 0.7f);
    SynthEntryAdd(&common, 7, 0, Thud(70.0f, 0.12f, 31u), 0.7f);
    SynthEntryAdd(&common, 7, 1, Thud(55.0f, 0.35f, 32u), 0.8f);
    for (int i = 0; i < 3; i++)
        SynthEntryAdd(&common, 8, i, Swing((float)i / 2.0f, 200u + (unsigned)i), 0.45f + 0.08f * (float)i);
    out->push_back({"data/common.snd", SndFileBytes(common)});

    std::vector<SndEntry> fight;
    for (int n = 1; n <= 9; n++)
        SynthEntryAdd(&fight, 1, n, RoundCall(n), 0.8f);
    SynthEntryAdd(&fight, 2, 0, FightCall(), 0.85f);
    SynthEntryAdd(&fight, 3, 0, KoCall(1), 0.85f);
    SynthEntryAdd(&fight, 3, 1, KoCall(2), 0.85f);
    SynthEntryAdd(&fight, 3, 2, Notes({7, 3, 0}, 0.22f, 0.3f, SYNTH_TRIANGLE, 0.5f), 0.8f);
    SynthEntryAdd(&fight, 4, 0, Notes({0, 4, 7, 12, 16}, 0.09f, 0.5f, SYNTH_TRIANGLE, 0.4f), 0.8f);
    SynthEntryAdd(&fight, 4, 1, Notes({7, 3, 0, -5}, 0.14f, 0.5f, SYNTH_TRIANGLE, 0.4f), 0.8f);
    SynthEntryAdd(&fight, 4, 2, Notes({2, 2}, 0.25f, 0.3f, SYNTH_TRIANGLE, 0.45f), 0.8f);
    for (int lv = 1; lv <= 3; lv++)
        SynthEntryAdd(&fight, 10, lv, Notes({4 * lv, 4 * lv + 7}, 0.07f, 0.25f, SYNTH_SQUARE, 0.25f), 0.6f);
    out->push_back({"data/fight.snd", SndFileBytes(fight)});

    std::vector<SndEntry> menu;
    SynthEntryAdd(&menu, 100, 0, Blip(Note(3), 0.05f), 0.45f);
    SynthEntryAdd(&menu, 100, 1, Notes({7, 14}, 0.06f, 0.14f, SYNTH_SQUARE, 0.3f), 0.5f);
    SynthEntryAdd(&menu, 100, 2, Notes({2, -3}, 0.07f, 0.14f, SYNTH_SQUARE, 0.3f), 0.5f);
    SynthEntryAdd(&menu, 100, 3, Notes({0, 4, 7}, 0.05f, 0.3f, SYNTH_TRIANGLE, 0.35f), 0.6f);
    SynthEntryAdd(&menu, 100, 4, Blip(Note(15), 0.03f), 0.35f);
    SynthEntryAdd(&menu, 100, 5, Blip(Note(10), 0.04f), 0.4f);
    out->push_back({"data/system.snd", SndFileBytes(menu)});
}
