// Test kit: a fake voice under the stream ring, files of the test plug-in's format, and the plug-in's call log.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct SAMPLE;

// One voice that the stream ring plays. The position moves only when the
// test moves it, or by step frames at every position query (the decoding
// thread's polls then drain the ring as a playing voice would).
struct FakeStreamVoice {
    // Counted on whichever thread drives the stream.
    std::atomic<int> allocations{0};
    std::atomic<int> releases{0};
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<int> locks{0};
    std::atomic<int> volume{-1};
    std::atomic<int> pan{-1};
    std::atomic<int> looping{0};
    bool offerLock = false;  // the driver offers lock_voice
    bool refuse = false;     // no voice is free
};

// Puts the fake voice under every stream (and resets it); Remove puts
// Allegro's voices back.
FakeStreamVoice &FakeStreamVoiceInstall();
void FakeStreamVoiceRemove();
// The voice's play position (frames) and whether it runs.
int FakeStreamVoicePos();
void FakeStreamVoiceMove(int frames);
void FakeStreamVoiceStep(int frames);
bool FakeStreamVoiceRunning();

// A file of the test plug-in: "VPCM", rate, channels, bits, then the frames.
// Sample i of the data (counting every channel's sample) is i * 7 truncated
// to the sample size.
void PlugToneWrite(const std::string &path, int rate, int channels, int bits, int frames);

// Sends the test plug-in's call log to a fresh file under the working
// directory; Take returns the lines logged since and starts over.
void PlugLogBegin();
std::vector<std::string> PlugLogTake();
void PlugLogEnd();

// Waits (up to five seconds) until the game window has a message queued.
bool PlugWaitForMessage();
