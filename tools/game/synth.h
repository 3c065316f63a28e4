// Sample-game sounds: hits, guards, swings, landings, menu moves and announcer-style tones synthesised in code.
#pragma once
#include <string>
#include <vector>

#include "game/art.h"

struct SndEntry;

constexpr int SYNTH_RATE = 22050;

// A mono sound as samples in -1..1 at SYNTH_RATE.
struct Wave {
    std::vector<float> s;
};

// Oscillator shapes.
enum { SYNTH_SINE = 0, SYNTH_SQUARE = 1, SYNTH_TRIANGLE = 2, SYNTH_SAW = 3 };

// A tone gliding from f0 to f1 Hz over its length, with a quick attack and
// an exponential decay (decay: the time in seconds to fall to a third).
Wave SynthTone(float f0, float f1, float seconds, int shape, float decay, float volume);
// Noise through a low-pass filter whose cut-off glides from c0 to c1 (0..1 of
// the sample rate's half), shaped like a tone.
Wave SynthNoise(float c0, float c1, float seconds, float decay, float volume, unsigned seed);
// Adds b into a from the given time on (a grows as needed).
void SynthMix(Wave *a, const Wave &b, float at = 0.0f);
// Scales the wave so that its loudest sample reaches the peak (0..1).
void SynthNormalize(Wave *w, float peak);
// The wave as a 16-bit mono WAV file, clipped to -1..1 (a value that is not a
// number is silence).
std::string SynthWav(const Wave &w);
// Scales the wave to its peak and adds it to the list as sound (group,
// number): the mix of its parts decides its colour, the peak how loud it
// plays beside the others.
void SynthEntryAdd(std::vector<SndEntry> *list, int group, int number, Wave w, float peak);

// The game's sound files: "data/common.snd" (hits 5,0-5,3, guards 6,0-6,1,
// landing 7,0, body fall 7,1, swings 8,0-8,2), "data/fight.snd" (round n
// 1,n for 1 to 9, fight 2,0, KO 3,0, double KO 3,1, time over 3,2, win 4,0,
// lose 4,1, draw 4,2, power levels 10,1-10,3) and "data/system.snd" (menu
// move 100,0, done 100,1, cancel 100,2, character chosen 100,3, random
// move 100,4, value change 100,5).
void SynthSoundsMake(GameFiles *out);
