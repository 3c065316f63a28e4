// Stream ring: one writer queues PCM ahead of a looping voice; silence is laid ahead of the voice when the writer falls behind.
#include "music/audstream.h"

#include <algorithm>
#include <allegro.h>
#include <cstring>
#include <new>

namespace {

int AlVoiceAllocate(SAMPLE *sample)
{
    return allocate_voice(sample);
}

void AlVoiceLoop(int voice)
{
    voice_set_playmode(voice, PLAYMODE_LOOP);
}

void *AlVoiceLock(int voice, int start, int end)
{
    return digi_driver && digi_driver->lock_voice ? digi_driver->lock_voice(voice, start, end) : nullptr;
}

void AlVoiceUnlock(int voice)
{
    if (digi_driver && digi_driver->unlock_voice)
        digi_driver->unlock_voice(voice);
}

const AudVoiceOps allegroVoice = {
    AlVoiceAllocate, deallocate_voice, AlVoiceLoop, voice_start, voice_stop, voice_get_position,
    voice_set_position, voice_set_volume, voice_set_pan, AlVoiceLock, AlVoiceUnlock,
};

const AudVoiceOps *ops = &allegroVoice;

int Clamp255(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// Silence is the midpoint of the unsigned sample format.
void SilenceFill(unsigned char *dst, int frames, const AudStream *s)
{
    int bytes = frames * s->bytesPerFrame;
    if (s->sample->bits == 8) {
        memset(dst, 0x80, bytes);
        return;
    }
    uint16_t *p = (uint16_t *)dst;
    std::fill(p, p + bytes / 2, (uint16_t)0x8000);
}

// Signed 16-bit input becomes the unsigned form the sample holds.
void FramesCopy(unsigned char *dst, const unsigned char *src, int frames, const AudStream *s)
{
    int bytes = frames * s->bytesPerFrame;
    if (s->sample->bits == 8) {
        memcpy(dst, src, bytes);
        return;
    }
    for (int i = 0; i < bytes; i += 2) {
        uint16_t v;
        memcpy(&v, src + i, 2);
        v ^= 0x8000;
        memcpy(dst + i, &v, 2);
    }
}

// Writes frames at start (src null: silence) through the voice's lock when the
// driver has one, wrapping at the ring's end.
void RingPut(AudStream *s, int start, const unsigned char *src, int frames)
{
    while (frames > 0) {
        start %= s->len;
        int n = std::min(frames, s->len - start);
        unsigned char *dst = nullptr;
        if (s->voice >= 0 && ops->lock)
            dst = (unsigned char *)ops->lock(s->voice, start, start + n);
        int locked = dst != nullptr;
        if (!dst)
            dst = (unsigned char *)s->sample->data + (size_t)start * s->bytesPerFrame;
        if (src) {
            FramesCopy(dst, src, n, s);
            src += (size_t)n * s->bytesPerFrame;
        } else {
            SilenceFill(dst, n, s);
        }
        if (locked && ops->unlock)
            ops->unlock(s->voice);
        start += n;
        frames -= n;
    }
}

// Queues frames at the write position.
void Queue(AudStream *s, const unsigned char *src, int frames)
{
    RingPut(s, s->writePos, src, frames);
    s->writePos = (s->writePos + frames) % s->len;
    s->pending += frames;
    s->total += frames;
}

int VoiceTake(AudStream *s)
{
    if (s->voice < 0) {
        s->voice = ops->allocate(s->sample);
        if (s->voice < 0)
            return 0;
        // A voice taken again after a stop goes on where the old one was.
        if (ops->positionSet)
            ops->positionSet(s->voice, s->playPos);
    }
    ops->loop(s->voice);
    ops->volumeSet(s->voice, s->volume);
    ops->panSet(s->voice, s->pan);
    return 1;
}

void VoiceRun(AudStream *s)
{
    ops->start(s->voice);
    s->playing = 1;
    s->startWhenFull = 0;
}

void StartIfFull(AudStream *s)
{
    if (s->startWhenFull && s->voice >= 0 && !s->paused && s->pending >= s->prebuffer)
        VoiceRun(s);
}

// Room for a write: up to one frame short of the voice, or all but one block
// when nothing is queued.
int FreeFrames(const AudStream *s)
{
    if (s->pending == 0)
        return (s->blocks - 1) * s->blockFrames;
    return (s->playPos - s->writePos + s->len) % s->len - 1;
}

// After the voice has played everything queued, new sound starts a
// prebuffer's length ahead of it. The gap is laid with silence and counted as
// queued, so that the count keeps matching the distance from the voice to the
// write position (a gap played as if it were the new sound would let later
// writes land on sound not yet played).
int NeedsRestart(const AudStream *s)
{
    return s->pending == 0 && (s->total > 0 || s->playPos != s->writePos);
}

void RestartAhead(AudStream *s)
{
    s->writePos = s->playPos;
    RingPut(s, s->writePos, nullptr, s->prebuffer);
    s->writePos = (s->writePos + s->prebuffer) % s->len;
    s->pending = s->prebuffer;
}

}  // namespace

void AudStreamVoiceSet(const AudVoiceOps *voiceOps)
{
    ops = voiceOps ? voiceOps : &allegroVoice;
}

AudStream *AudStreamCreate(int rate, int bits, int stereo, int blockFrames, int blocks, int prebufferBlocks,
                           int pan, int volume)
{
    if (rate <= 0 || (bits != 8 && bits != 16))
        return nullptr;
    if (blockFrames <= 0)
        blockFrames = AUD_BLOCK_FRAMES;
    blocks = std::max(blocks, (int)AUD_MIN_BLOCKS);
    if ((int64_t)blockFrames * blocks > (1 << 24))
        return nullptr;
    AudStream *s = new (std::nothrow) AudStream{};
    if (!s)
        return nullptr;
    s->sample = create_sample(bits, stereo ? 1 : 0, rate, blockFrames * blocks);
    if (!s->sample) {
        delete s;
        return nullptr;
    }
    s->voice = -1;
    s->blockFrames = blockFrames;
    s->blocks = blocks;
    s->len = blockFrames * blocks;
    s->bytesPerFrame = (stereo ? 2 : 1) * bits / 8;
    s->pan = Clamp255(pan);
    s->volume = Clamp255(volume);
    s->prebuffer = blockFrames * std::clamp(prebufferBlocks, 0, blocks - 2);
    s->silent.assign(blocks, 1);
    RingPut(s, 0, nullptr, s->len);
    return s;
}

int AudStreamStart(AudStream *s)
{
    if (!s || !VoiceTake(s))
        return 0;
    s->paused = 0;
    VoiceRun(s);
    return 1;
}

int AudStreamStartWhenFull(AudStream *s)
{
    if (!s)
        return 0;
    if (s->playing)
        return 1;
    if (!VoiceTake(s))
        return 0;
    s->startWhenFull = 1;
    StartIfFull(s);
    return 1;
}

void AudStreamPoll(AudStream *s)
{
    if (!s)
        return;
    int pos = s->playPos;
    if (s->voice >= 0 && s->playing) {
        int p = ops->position(s->voice);
        if (p >= 0 && p < s->len)
            pos = p;
    }
    int played = (pos - s->playPos + s->len) % s->len;
    s->playPos = pos;
    s->pending = std::max(0, s->pending - played);

    if (s->pending == 0) {
        int b = (pos / s->blockFrames + 1) % s->blocks;
        if (!s->silent[b]) {
            RingPut(s, b * s->blockFrames, nullptr, s->blockFrames);
            s->silent[b] = 1;
        }
    } else if (s->pending < s->blockFrames) {
        int b = s->writePos / s->blockFrames;
        if (!s->silent[b]) {
            RingPut(s, s->writePos, nullptr, (b + 1) * s->blockFrames - s->writePos);
            s->silent[b] = 1;
        }
    }
}

int AudStreamPending(AudStream *s)
{
    if (!s)
        return 0;
    AudStreamPoll(s);
    return s->pending;
}

int AudStreamCanWrite(AudStream *s)
{
    if (!s)
        return 0;
    AudStreamPoll(s);
    int free;
    if (NeedsRestart(s) && s->prebuffer > 0)
        free = s->len - s->prebuffer - 1;
    else
        free = FreeFrames(s);
    return std::max(0, free * s->bytesPerFrame - s->carryLen);
}

int AudStreamWrite(AudStream *s, const void *data, int length)
{
    if (!s || length < 0 || (length > 0 && !data))
        return 1;
    AudStreamPoll(s);
    if (NeedsRestart(s))
        RestartAhead(s);
    const int bpf = s->bytesPerFrame;
    int64_t frames = ((int64_t)s->carryLen + length) / bpf;
    if (frames > FreeFrames(s))
        return 1;

    const unsigned char *src = (const unsigned char *)data;
    int left = length;
    if (s->carryLen > 0 && frames > 0) {
        unsigned char frame[sizeof s->carry];
        int need = bpf - s->carryLen;
        memcpy(frame, s->carry, s->carryLen);
        memcpy(frame + s->carryLen, src, need);
        Queue(s, frame, 1);
        src += need;
        left -= need;
        s->carryLen = 0;
    }
    int whole = left / bpf;
    Queue(s, src, whole);
    src += (size_t)whole * bpf;
    left -= whole * bpf;
    memcpy(s->carry + s->carryLen, src, left);
    s->carryLen += left;

    std::fill(s->silent.begin(), s->silent.end(), 0);
    StartIfFull(s);
    return 0;
}

int AudStreamPause(AudStream *s, int pause)
{
    if (!s)
        return pause;
    int was = s->paused;
    if (pause) {
        // What played up to the stop is counted before the voice stands still.
        AudStreamPoll(s);
        s->paused = 1;
        if (s->playing) {
            ops->stop(s->voice);
            s->playing = 0;
        }
    } else if (s->paused) {
        s->paused = 0;
        if (s->voice >= 0 && !s->playing) {
            if (s->startWhenFull)
                StartIfFull(s);
            else
                VoiceRun(s);
        }
    }
    return was;
}

void AudStreamStop(AudStream *s, int keepBuffer)
{
    if (!s)
        return;
    if (s->voice >= 0) {
        ops->stop(s->voice);
        ops->release(s->voice);
        s->voice = -1;
    }
    s->playing = 0;
    s->paused = 0;
    s->startWhenFull = 0;
    if (keepBuffer)
        return;
    s->writePos = s->playPos = 0;
    s->pending = 0;
    s->total = 0;
    s->carryLen = 0;
    RingPut(s, 0, nullptr, s->len);
    std::fill(s->silent.begin(), s->silent.end(), 1);
}

void AudStreamDestroy(AudStream *s)
{
    if (!s)
        return;
    AudStreamStop(s, 1);
    destroy_sample(s->sample);
    delete s;
}

void AudStreamSetVolume(AudStream *s, int volume)
{
    if (!s)
        return;
    s->volume = Clamp255(volume);
    if (s->voice >= 0)
        ops->volumeSet(s->voice, s->volume);
}

void AudStreamSetPan(AudStream *s, int pan)
{
    if (!s)
        return;
    s->pan = Clamp255(pan);
    if (s->voice >= 0)
        ops->panSet(s->voice, s->pan);
}
