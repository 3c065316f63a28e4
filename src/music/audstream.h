// Stream ring: PCM written by one thread into a sample that one looping voice plays round and round.
#pragma once
#include <cstdint>
#include <vector>

struct SAMPLE;

enum {
    AUD_BLOCK_FRAMES = 576,  // block length when none is given
    AUD_MIN_BLOCKS = 4,
};

// The voice under a stream. The default is Allegro's; tests put one in its
// place whose play position they move themselves.
struct AudVoiceOps {
    int (*allocate)(SAMPLE *sample);  // the voice, or -1
    void (*release)(int voice);
    void (*loop)(int voice);          // plays the sample round and round
    void (*start)(int voice);
    void (*stop)(int voice);
    int (*position)(int voice);       // frames; -1 when it does not play
    void (*positionSet)(int voice, int frame);
    void (*volumeSet)(int voice, int volume);
    void (*panSet)(int voice, int pan);
    // The voice's data from frame start to end for writing, or null when the
    // driver has no such call (the sample data is written directly then).
    void *(*lock)(int voice, int start, int end);
    void (*unlock)(int voice);
};

struct AudStream {
    SAMPLE *sample;
    int voice;           // -1 none
    int writePos;        // frames
    int playPos;         // the voice's position at the last poll
    int blockFrames;
    int blocks;
    int len;             // frames in the ring
    int bytesPerFrame;
    int pan;             // 0..255, 128 centre
    int volume;          // 0..255
    int playing;         // the voice runs
    int paused;
    int prebuffer;       // frames pending before a waiting voice starts
    int startWhenFull;   // the voice waits for the prebuffer
    std::vector<unsigned char> silent;  // per block: filled with silence since the last write
    int pending;         // frames queued ahead of the voice, not yet played
    int64_t total;       // frames written
    unsigned char carry[4];  // the start of a frame that a write left incomplete
    int carryLen;
};

// Null: Allegro's voices.
void AudStreamVoiceSet(const AudVoiceOps *ops);

// A ring of blocks x blockFrames frames (blocks at least 4; blockFrames 576
// when not above 0) filled with silence, no voice yet; prebuffer is
// blockFrames x min(prebufferBlocks, blocks - 2). Null for a format the
// sample cannot hold or when it cannot be made.
AudStream *AudStreamCreate(int rate, int bits, int stereo, int blockFrames, int blocks, int prebufferBlocks,
                           int pan, int volume);
// Takes a voice (when it has none) in loop mode with the stream's volume and
// pan and starts it now; 0 when no voice is free.
int AudStreamStart(AudStream *s);
// The same, but the voice starts once the prebuffer is queued (at once when
// it is already).
int AudStreamStartWhenFull(AudStream *s);
// Bytes a write would take now.
int AudStreamCanWrite(AudStream *s);
// Follows the voice: counts what it played and fills silence ahead of it when
// the writer falls behind.
void AudStreamPoll(AudStream *s);
// Frames queued ahead of the voice, after a poll.
int AudStreamPending(AudStream *s);
// Copies the bytes in (16-bit samples signed, 8-bit unsigned). 0 written, 1
// no room for all of it (nothing written). A trailing part of a frame is kept
// for the next write.
int AudStreamWrite(AudStream *s, const void *data, int length);
// 1 stops the voice, 0 lets it play again; returns the previous state.
int AudStreamPause(AudStream *s, int pause);
// Stops and gives back the voice; without keepBuffer the ring is emptied too.
void AudStreamStop(AudStream *s, int keepBuffer);
void AudStreamDestroy(AudStream *s);
// Clamped to 0..255.
void AudStreamSetVolume(AudStream *s, int volume);
void AudStreamSetPan(AudStream *s, int pan);
