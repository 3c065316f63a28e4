// Test kit: a fake voice under the stream ring, files of the test plug-in's format, and the plug-in's call log.
#include "support/plugkit.h"

#include <allegro.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "music/audstream.h"
#include "platform/pwinmsg.h"
#include "support/testkit.h"

namespace {

FakeStreamVoice fake;
SAMPLE *voiceSample = nullptr;
std::atomic<int> position{0};
std::atomic<int> step{0};
std::atomic<int> running{0};
std::string logPath;

int Len()
{
    return voiceSample ? (int)voiceSample->len : 1;
}

int Allocate(SAMPLE *sample)
{
    if (fake.refuse)
        return -1;
    fake.allocations++;
    voiceSample = sample;
    position = 0;
    running = 0;
    return 3;
}

void Release(int)
{
    fake.releases++;
    running = 0;
}

void Loop(int)
{
    fake.looping = 1;
}

void Start(int)
{
    fake.starts++;
    running = 1;
}

void Stop(int)
{
    fake.stops++;
    running = 0;
}

int Position(int)
{
    if (!running)
        return -1;
    int p = position.load();
    position = (p + step.load()) % Len();
    return p;
}

void PositionSet(int, int frame)
{
    position = frame;
}

void VolumeSet(int, int v)
{
    fake.volume = v;
}

void PanSet(int, int p)
{
    fake.pan = p;
}

void *Lock(int, int start, int)
{
    if (!fake.offerLock)
        return nullptr;
    fake.locks++;
    int frame = (voiceSample->stereo ? 2 : 1) * voiceSample->bits / 8;
    return (char *)voiceSample->data + start * frame;
}

void Unlock(int)
{
}

const AudVoiceOps fakeOps = {Allocate, Release, Loop, Start, Stop, Position, PositionSet, VolumeSet, PanSet,
                             Lock, Unlock};

}  // namespace

FakeStreamVoice &FakeStreamVoiceInstall()
{
    for (std::atomic<int> *c : {&fake.allocations, &fake.releases, &fake.starts, &fake.stops, &fake.locks,
                                &fake.looping})
        *c = 0;
    fake.volume = -1;
    fake.pan = -1;
    fake.offerLock = false;
    fake.refuse = false;
    voiceSample = nullptr;
    position = 0;
    step = 0;
    running = 0;
    AudStreamVoiceSet(&fakeOps);
    return fake;
}

void FakeStreamVoiceRemove()
{
    AudStreamVoiceSet(nullptr);
}

int FakeStreamVoicePos()
{
    return position.load();
}

void FakeStreamVoiceMove(int frames)
{
    position = (position.load() + frames) % Len();
}

void FakeStreamVoiceStep(int frames)
{
    step = frames;
}

bool FakeStreamVoiceRunning()
{
    return running.load() != 0;
}

void PlugToneWrite(const std::string &path, int rate, int channels, int bits, int frames)
{
    std::string data = "VPCM";
    auto put = [&data](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++)
            data += (char)(v >> (8 * i));
    };
    put(rate, 4);
    put(channels, 2);
    put(bits, 2);
    int samples = frames * channels;
    for (int i = 0; i < samples; i++)
        put((uint32_t)(i * 7), bits / 8);
    WriteFileText(path, data);
}

void PlugLogBegin()
{
    char cwd[4096];
    logPath = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/plugin-calls.log";
    WriteFileText(logPath, "");
    setenv("VELOK_TESTPLUG_LOG", logPath.c_str(), 1);
}

std::vector<std::string> PlugLogTake()
{
    std::vector<std::string> lines;
    std::ifstream in(logPath);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    in.close();
    WriteFileText(logPath, "");
    return lines;
}

void PlugLogEnd()
{
    unsetenv("VELOK_TESTPLUG_LOG");
}

bool PlugWaitForMessage()
{
    for (int i = 0; i < 5000; i++) {
        if (PlatWinPending() > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}
