// Test kit: a fake digital sound driver for Allegro whose voices record every start, so tests see what the game plays.
#pragma once
#include <vector>

struct SAMPLE;

// One voice start, with the voice's settings at that moment.
struct FakePlay {
    int voice;             // the driver's voice number
    const SAMPLE *sample;
    int volume;            // 0..255 as the game asked (the master volume is 255)
    int pan;               // -127..127, as the game asked (0 centre)
    int freq;
    int loop;
    int when;              // the clock's value at the start
};

// Starts sound on the fake driver (Allegro started without a system driver):
// SndInstall with it, then the master digital volume 255 so that voice volumes
// reach the driver as given. Voices play until stopped or finished here.
// False when sound did not start.
bool FakeVoiceStart(int voices = 32);
// Stops sound and puts Allegro's own system driver back.
void FakeVoiceStop();

const std::vector<FakePlay> &FakeVoicePlays();
void FakeVoiceClear();
// Plays record the value the pointer shows at their start (null: 0).
void FakeVoiceClockSet(const int *clock);
// Every voice reaches its end, as if its sound had played out.
void FakeVoiceFinishAll();
// Voices that play now.
int FakeVoicePlayingCount();
