// Test plug-in: plays "VPCM" files (a 12-byte header, then raw PCM) on its own thread and logs every call the host makes.
//
// File: "VPCM", rate (32-bit), channels (16-bit), bits (16-bit), little-endian,
// then the frames. Calls are appended as lines to the file named by the
// environment variable VELOK_TESTPLUG_LOG (the log outlives a reload of the
// library). VELOK_TESTPLUG_BROKEN set: the record lacks its Play handler.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "music/plugin-mod.h"

namespace {

InModule mod;
std::thread decoder;
std::atomic<int> kill{0};
std::atomic<int> paused{0};
std::atomic<int> seekMs{-1};
std::vector<char> pcm;
int rate, channels, bits;

void Log(const std::string &line)
{
    const char *path = getenv("VELOK_TESTPLUG_LOG");
    if (!path)
        return;
    FILE *f = fopen(path, "a");
    if (!f)
        return;
    fprintf(f, "%s\n", line.c_str());
    fclose(f);
}

void Nap()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Decode()
{
    OutModule *out = mod.outMod;
    const int frame = channels * bits / 8;
    size_t at = 0;
    for (;;) {
        if (kill)
            return;
        int seek = seekMs.exchange(-1);
        if (seek >= 0) {
            at = std::min(pcm.size(), (size_t)((int64_t)seek * rate / 1000) * frame);
            out->Flush(seek);
        }
        if (paused || at >= pcm.size()) {
            if (at >= pcm.size() && !paused && !out->IsPlaying())
                break;
            Nap();
            continue;
        }
        int chunk = (int)std::min(pcm.size() - at, (size_t)1024 * frame);
        if (out->CanWrite() < chunk || out->Write(pcm.data() + at, chunk) != 0) {
            Nap();
            continue;
        }
        at += chunk;
    }
    mod.PostMessage(mod.hMainWindow, PLUGIN_MSG_EOF, 0, 0);
}

int Read16(const unsigned char *p)
{
    return p[0] | p[1] << 8;
}

std::string BaseName(const char *file)
{
    const char *slash = strrchr(file, '/');
    return slash ? slash + 1 : file;
}

void Config(void *)
{
    Log("Config");
}

void About(void *)
{
}

void Init()
{
    Log("Init");
}

void Quit()
{
    Log("Quit");
}

int Play(const char *file)
{
    std::string name = BaseName(file);
    FILE *f = fopen(file, "rb");
    std::vector<char> data;
    if (f) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            data.insert(data.end(), buf, buf + n);
        fclose(f);
    }
    if (data.size() < 12 || memcmp(data.data(), "VPCM", 4) != 0) {
        Log("Play " + name + " refused");
        return -1;
    }
    const unsigned char *h = (const unsigned char *)data.data();
    rate = Read16(h + 4) | Read16(h + 6) << 16;
    channels = Read16(h + 8);
    bits = Read16(h + 10);
    if (mod.outMod->Open(rate, channels, bits) < 0) {
        Log("Play " + name + " refused");
        return -1;
    }
    pcm.assign(data.begin() + 12, data.end());
    kill = 0;
    paused = 0;
    seekMs = -1;
    decoder = std::thread(Decode);
    Log("Play " + name);
    return 0;
}

void Stop()
{
    Log("Stop");
    kill = 1;
    if (decoder.joinable())
        decoder.join();
    mod.outMod->Close();
}

void Pause()
{
    Log("Pause");
    paused = 1;
}

void UnPause()
{
    Log("UnPause");
    paused = 0;
}

int IsPaused()
{
    return paused;
}

void SetVolume(int volume)
{
    char line[32];
    snprintf(line, sizeof line, "SetVolume %d", volume);
    Log(line);
    mod.outMod->SetVolume(volume);
}

void SetOutputTime(int ms)
{
    char line[32];
    snprintf(line, sizeof line, "SetOutputTime %d", ms);
    Log(line);
    seekMs = ms;
}

void EQSet(int, char[10], int)
{
}

}  // namespace

extern "C" InModule *winampGetInModule2()
{
    mod = InModule{};
    mod.version = PLUGIN_IN_VERSION;
    mod.description = "velok test tones";
    mod.UsesOutputPlug = 1;
    mod.Config = Config;
    mod.About = About;
    mod.Init = Init;
    mod.Quit = Quit;
    mod.Play = getenv("VELOK_TESTPLUG_BROKEN") ? nullptr : Play;
    mod.Pause = Pause;
    mod.UnPause = UnPause;
    mod.IsPaused = IsPaused;
    mod.Stop = Stop;
    mod.SetVolume = SetVolume;
    mod.SetOutputTime = SetOutputTime;
    // SAAdd is left for the host to fill; EQSet is the plug-in's own.
    mod.EQSet = EQSet;
    return &mod;
}
