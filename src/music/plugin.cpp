// Music plug-in host: loads one plug-in library at a time, feeds its end-of-file notices back on the game thread, and streams its PCM through the program's output module.
#include "music/plugin.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <vector>

#include "music/audstream.h"
#include "platform/pdynlib.h"
#include "platform/pmsgbox.h"
#include "platform/pwinmsg.h"

namespace {

// ---------------------------------------------------------------- output module

// The output's state is shared with the plug-in's decoding thread, so every
// handler holds the lock; the host never calls into the plug-in while it
// holds it (a plug-in's Stop waits for its thread, which may be waiting here).
struct OutState {
    std::recursive_mutex lock;
    AudStream *stream = nullptr;
    int rate = 0, channels = 0, bits = 0;
    int64_t bytesWritten = 0;
    int64_t timeBase = 0;  // ms
    int dataWritten = 0;
    int started = 0;       // the host let the voice run
    int closeHeld = 0;     // a restart keeps the stream through Close and Quit
};

OutState out;

// Read by the output on the plug-in's thread, set on the game thread.
std::atomic<int> rememberedVolume{0};
std::atomic<int> currentLoop{0};

using Hold = std::lock_guard<std::recursive_mutex>;

int Clamp255(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

void OutStreamClose()
{
    AudStreamDestroy(out.stream);
    out.stream = nullptr;
    out.started = 0;
}

void OutConfig(void *)
{
}

void OutAbout(void *)
{
    PlatMessageBox("Info", "Internal Allegro BGM output driver", PLAT_MSG_STDERR);
}

void OutInit()
{
}

void OutClose()
{
    Hold hold(out.lock);
    if (!out.closeHeld)
        OutStreamClose();
}

void OutQuit()
{
    OutClose();
}

int OutOpen(int rate, int channels, int bits)
{
    if (rate <= 0 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16))
        return -1;
    Hold hold(out.lock);
    if (out.stream && out.rate == rate && out.channels == channels && out.bits == bits)
        return 0;
    int started = out.started;
    OutStreamClose();
    int blockFrames = PLUGIN_OUT_BLOCK_BYTES / (channels * bits / 8);
    out.stream = AudStreamCreate(rate, bits, channels == 2, blockFrames, PLUGIN_OUT_BLOCKS, 1, 128,
                                 rememberedVolume.load());
    if (!out.stream)
        return -1;
    out.rate = rate;
    out.channels = channels;
    out.bits = bits;
    out.bytesWritten = 0;
    out.timeBase = 0;
    out.dataWritten = 0;
    // A format change in the middle of a file goes on playing.
    if (started) {
        out.started = 1;
        AudStreamStartWhenFull(out.stream);
    }
    return 0;
}

int OutWrite(const char *buffer, int length)
{
    Hold hold(out.lock);
    if (!out.stream || length < 0)
        return 1;
    int r = AudStreamWrite(out.stream, buffer, length);
    if (r == 0) {
        out.bytesWritten += length;
        out.dataWritten = 1;
    }
    return r;
}

int OutCanWrite()
{
    Hold hold(out.lock);
    return out.stream ? AudStreamCanWrite(out.stream) : 0;
}

// A looping file ends early, while the ring still holds most of its sound,
// so that the restart follows without the ring running dry.
int OutIsPlaying()
{
    Hold hold(out.lock);
    if (!out.stream)
        return 0;
    // The plug-in asks once it has written all it has: a file shorter than
    // the prebuffer would otherwise wait for ever for a voice that waits for
    // more sound.
    // A paused stream keeps waiting: the first ask after the resume starts it.
    if (out.stream->startWhenFull && !out.stream->paused)
        AudStreamStart(out.stream);
    int pending = AudStreamPending(out.stream);
    if (currentLoop.load())
        return !(out.dataWritten && pending < (out.stream->blocks - 2) * out.stream->blockFrames);
    return pending > 0;
}

int OutPause(int pause)
{
    Hold hold(out.lock);
    return out.stream ? AudStreamPause(out.stream, pause) : pause;
}

void OutSetVolume(int volume)
{
    if (volume == PLUGIN_VOLUME_REMEMBERED)
        volume = rememberedVolume.load();
    Hold hold(out.lock);
    if (out.stream)
        AudStreamSetVolume(out.stream, Clamp255(volume));
}

void OutSetPan(int)
{
}

int64_t WrittenMs()
{
    if (out.rate <= 0 || out.channels <= 0)
        return 0;
    int64_t ms = out.bytesWritten * 1000 / ((int64_t)out.rate * out.channels);
    return out.bits == 16 ? ms / 2 : ms;
}

// Without a stream there is no time: both times read 0.
void OutFlush(int ms)
{
    Hold hold(out.lock);
    if (out.stream)
        out.timeBase = ms - WrittenMs();
}

int OutGetWrittenTime()
{
    Hold hold(out.lock);
    return out.stream ? (int)(WrittenMs() + out.timeBase) : 0;
}

int OutGetOutputTime()
{
    Hold hold(out.lock);
    if (!out.stream)
        return 0;
    int64_t t = WrittenMs() + out.timeBase - (int64_t)AudStreamPending(out.stream) * 1000 / out.rate;
    return (int)std::max<int64_t>(0, t);
}

// The host's own start of the voice (the deferred start, or a play that is
// not deferred): a stream opened later starts as soon as it is full.
void OutStart()
{
    Hold hold(out.lock);
    out.started = 1;
    if (out.stream)
        AudStreamStartWhenFull(out.stream);
}

void OutHoldClose(int held)
{
    Hold hold(out.lock);
    out.closeHeld = held;
}

void OutForceClose()
{
    Hold hold(out.lock);
    out.closeHeld = 0;
    OutStreamClose();
}

OutModule outModule = {
    PLUGIN_OUT_VERSION,
    "Internal Allegro BGM output driverv1.0 (x86)",
    0x1029a,
    nullptr,
    nullptr,
    OutConfig,
    OutAbout,
    OutInit,
    OutQuit,
    OutOpen,
    OutClose,
    OutWrite,
    OutCanWrite,
    OutIsPlaying,
    OutPause,
    OutSetVolume,
    OutSetPan,
    OutFlush,
    OutGetOutputTime,
    OutGetWrittenTime,
};

// ---------------------------------------------------------------- host callbacks

void HostSAVSAInit(int, int)
{
}

void HostSAVSADeInit()
{
}

void HostAddPCMData(void *, int, int, int)
{
}

int HostSAGetMode()
{
    return 0;
}

int HostSAAdd(void *, int, int)
{
    return 0;
}

int HostVSAGetMode(int *specChannels, int *waveChannels)
{
    if (specChannels)
        *specChannels = 0;
    if (waveChannels)
        *waveChannels = 0;
    return 0;
}

int HostVSAAdd(void *, int)
{
    return 0;
}

void HostVSASetInfo(int, int)
{
}

int HostDspIsActive()
{
    return 0;
}

int HostDspDoSamples(short *, int count, int, int, int)
{
    return count;
}

void HostSetInfo(int, int, int, int)
{
}

int HostPostMessage(void *window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
    return PlatWinPost(window, message, wparam, lparam);
}

// ---------------------------------------------------------------- host

struct HostState {
    std::vector<PluginSlot> slots;
    int capacity = 0;
    int registry = 0;  // a registry was made
    int active = -1;
    void *library = nullptr;
    InModule *mod = nullptr;
    int running = 0;   // the plug-in was given a file and not stopped since
    int playing = 0;
    std::string file;
    int deferred = 0;
    int restartPending = 0;
    int configVolume = 0;
    void *window = nullptr;
    int up = 0;
    std::string error;
};

HostState host;

void ErrorSet(const char *format, const char *arg = "")
{
    char text[PLUGIN_PATH_LEN + 64];
    snprintf(text, sizeof text, format, arg);
    host.error = text;
}

void *Window()
{
    return host.window ? host.window : PlatWinGameWindow();
}

// The plug-in's thread must be gone before anything else is asked of it,
// however its file ended.
void PluginHalt()
{
    if (host.mod && host.running)
        host.mod->Stop();
    host.running = 0;
    host.playing = 0;
}

void Unload()
{
    PluginHalt();
    if (host.mod)
        host.mod->Quit();
    PlatLibClose(host.library);
    host.library = nullptr;
    host.mod = nullptr;
    host.active = -1;
}

// A record missing a handler that the host calls is not used.
int ModuleUsable(const InModule *m)
{
    return m && m->version == PLUGIN_IN_VERSION && m->Config && m->Init && m->Quit && m->Play && m->Pause &&
           m->UnPause && m->IsPaused && m->Stop && m->SetVolume && m->SetOutputTime;
}

void ModuleFill(InModule *m, void *library)
{
    m->hMainWindow = Window();
    m->hDllInstance = library;
    m->SAVSAInit = HostSAVSAInit;
    m->SAVSADeInit = HostSAVSADeInit;
    m->SAAddPCMData = HostAddPCMData;
    m->SAGetMode = HostSAGetMode;
    m->VSAAddPCMData = HostAddPCMData;
    m->VSAGetMode = HostVSAGetMode;
    m->VSAAdd = HostVSAAdd;
    m->VSASetInfo = HostVSASetInfo;
    m->dsp_isactive = HostDspIsActive;
    m->dsp_dosamples = HostDspDoSamples;
    m->SetInfo = HostSetInfo;
    if (!m->SAAdd)
        m->SAAdd = HostSAAdd;
    m->PostMessage = HostPostMessage;
    if (m->UsesOutputPlug)
        m->outMod = &outModule;
}

const char *ExtensionOf(const char *file, size_t *len)
{
    const char *dot = strrchr(file, '.');
    *len = 0;
    if (!dot)
        return nullptr;
    const char *e = dot + 1;
    while (isalnum((unsigned char)e[*len]) || e[*len] == '_')
        (*len)++;
    return e;
}

int SlotClaims(const PluginSlot &slot, const char *ext, size_t len)
{
    const std::string &list = slot.extensions;
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(',', at);
        if (end == std::string::npos)
            end = list.size();
        if (end - at == len && list.compare(at, len, ext, len) == 0)
            return 1;
        at = end + 1;
    }
    return 0;
}

void FileForget()
{
    host.file.clear();
    currentLoop = 0;
    host.deferred = 0;
    host.restartPending = 0;
}

}  // namespace

// ---------------------------------------------------------------- registry

int PluginLineParse(const char *value, PluginSlot *slot)
{
    if (!value || !slot)
        return 0;
    const char *p = value;
    while (isblank((unsigned char)*p))
        p++;
    int loopType = 0;
    if (strncasecmp(p, "looptype", 8) == 0) {
        const char *q = p + 8;
        while (isblank((unsigned char)*q))
            q++;
        if (*q == '=') {
            int n = atoi(q + 1);
            loopType = n >= 0 && n <= 2 ? n : 0;
            const char *comma = strchr(q, ',');
            if (!comma)
                return 0;
            p = comma + 1;
        }
    }
    while (isblank((unsigned char)*p))
        p++;
    const char *comma = strchr(p, ',');
    if (!comma)
        return 0;
    std::string path(p, comma - p);
    while (!path.empty() && isspace((unsigned char)path.back()))
        path.pop_back();
    if (path.empty() || path.size() >= PLUGIN_PATH_LEN)
        return 0;
    std::string exts;
    for (const char *e = comma + 1; *e; e++)
        if (!isspace((unsigned char)*e))
            exts += (char)tolower((unsigned char)*e);
    slot->extensions = exts;
    slot->loopType = loopType;
    slot->path = path;
    return 1;
}

int PluginSlotsAlloc(int count)
{
    if (count <= 0 || host.registry)
        return 1;
    host.slots.clear();
    host.slots.reserve(count);
    host.capacity = count;
    host.registry = 1;
    return 0;
}

int PluginRegister(const char *value)
{
    if (!host.registry || (int)host.slots.size() >= host.capacity)
        return 0;
    PluginSlot slot;
    if (!PluginLineParse(value, &slot))
        return 0;
    host.slots.push_back(slot);
    return 1;
}

int PluginSlotCount()
{
    return (int)host.slots.size();
}

const PluginSlot *PluginSlotGet(int slot)
{
    return slot >= 0 && slot < (int)host.slots.size() ? &host.slots[slot] : nullptr;
}

void PluginSlotsFree()
{
    host.slots.clear();
    host.slots.shrink_to_fit();
    host.capacity = 0;
    host.registry = 0;
}

int PluginFindByExt(const char *file)
{
    if (!file)
        return -1;
    size_t len;
    const char *ext = ExtensionOf(file, &len);
    if (!ext || len == 0)
        return -1;
    int count = (int)host.slots.size();
    if (host.active >= 0 && host.active < count && SlotClaims(host.slots[host.active], ext, len))
        return host.active;
    for (int i = 0; i < count; i++)
        if (i != host.active && SlotClaims(host.slots[i], ext, len))
            return i;
    return -1;
}

// ---------------------------------------------------------------- host

int PluginHostInit(void *window, int volume)
{
    if (host.up)
        return 1;
    host.window = window ? window : PlatWinGameWindow();
    outModule.hMainWindow = host.window;
    outModule.hDllInstance = nullptr;
    outModule.Init();
    volume = Clamp255(volume);
    rememberedVolume = volume;
    host.configVolume = volume;
    outModule.SetVolume(volume);
    outModule.SetPan(0);
    if (!PlatWinHook(host.window, PluginWndProc)) {
        ErrorSet("Window procedure hook failed");
        host.window = nullptr;
        return 0;
    }
    host.up = 1;
    return 1;
}

int PluginHostIsUp()
{
    return host.up;
}

void PluginHostShutdown()
{
    PluginHalt();
    OutForceClose();
    Unload();
    FileForget();
    PluginSlotsFree();
    if (host.up)
        PlatWinUnhook(host.window, PluginWndProc);
    host.up = 0;
    host.window = nullptr;
}

const char *PluginErrorText()
{
    return host.error.c_str();
}

int PluginLoad(int slot, int keepVolume)
{
    if (slot >= 0 && slot == host.active && host.mod)
        return 1;
    if (slot < 0 || slot >= (int)host.slots.size())
        return 0;
    Unload();
    void *library = PlatLibOpen(host.slots[slot].path.c_str());
    if (!library)
        return 0;
    PluginEntryFunc entry = (PluginEntryFunc)PlatLibSymbol(library, PLUGIN_ENTRY_SYMBOL);
    InModule *m = entry ? entry() : nullptr;
    if (!ModuleUsable(m)) {
        PlatLibClose(library);
        return 0;
    }
    ModuleFill(m, library);
    host.library = library;
    host.mod = m;
    host.active = slot;
    m->Init();
    if (!keepVolume) {
        m->SetVolume(host.configVolume);
        rememberedVolume = host.configVolume;
    }
    return 1;
}

int PluginCanPlay(const char *file)
{
    int slot = PluginFindByExt(file);
    return slot >= 0 && PluginLoad(slot, 1);
}

int PluginPlay(const char *file, int loop, int deferred)
{
    FileForget();
    if (!file || !file[0])
        return 0;
    currentLoop = loop ? 1 : 0;
    int slot = PluginFindByExt(file);
    // The volume the front end set just before stays, whether or not the
    // library had to be loaded for this file.
    if (slot < 0 || !PluginLoad(slot, 1))
        return 0;
    PluginHalt();
    OutForceClose();
    if (host.mod->Play(file) != 0)
        return 0;
    host.running = 1;
    host.deferred = deferred ? 1 : 0;
    if (deferred) {
        int v = rememberedVolume.load();
        outModule.SetVolume(v);
        host.mod->SetVolume(v);
    } else {
        OutStart();
        host.playing = 1;
    }
    host.file = file;
    return 1;
}

void PluginStop()
{
    PluginHalt();
    FileForget();
}

void PluginPause()
{
    if (!host.mod)
        return;
    host.mod->Pause();
    outModule.Pause(1);
}

void PluginResume()
{
    if (!host.mod)
        return;
    host.mod->UnPause();
    outModule.Pause(0);
}

int PluginIsPaused()
{
    return host.mod ? host.mod->IsPaused() : 0;
}

void PluginSeek(int ms)
{
    if (host.mod && host.running)
        host.mod->SetOutputTime(ms);
}

void PluginVolumeSet(int volume)
{
    volume = Clamp255(volume);
    outModule.SetVolume(volume);
    rememberedVolume = volume;
}

int PluginVolumeGet()
{
    return rememberedVolume.load();
}

int PluginUpdate()
{
    if (!host.deferred && !host.restartPending)
        return 1;
    int deferred = host.deferred, restart = host.restartPending;
    host.deferred = host.restartPending = 0;
    if (host.file.empty())
        return 0;
    if (deferred) {
        OutStart();
        host.playing = 1;
        // A file that ended before its start still loops.
        if (!restart)
            return 1;
    }
    int slot = host.active;
    int loopType = slot >= 0 ? host.slots[slot].loopType : PLUGIN_LOOP_RESTART;
    OutHoldClose(1);
    PluginHalt();
    int played = 0;
    if (loopType == PLUGIN_LOOP_RELOAD) {
        Unload();
        PluginLoad(slot, 1);
    }
    if (host.mod) {
        played = host.mod->Play(host.file.c_str()) == 0;
        if (played) {
            host.running = 1;
            if (loopType == PLUGIN_LOOP_REWIND)
                host.mod->SetOutputTime(0);
        }
    }
    OutHoldClose(0);
    if (!played) {
        // Left open, the voice would go round the last ring of sound for ever.
        OutForceClose();
        host.playing = 0;
        return 0;
    }
    host.playing = 1;
    return 1;
}

intptr_t PluginWndProc(void *window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
    if (message == PLUGIN_MSG_EOF) {
        host.playing = 0;
        if (currentLoop.load())
            host.restartPending = 1;
        else
            outModule.Close();
    }
    return PlatWinCallNext(PluginWndProc, window, message, wparam, lparam);
}

int PluginConfigAll()
{
    int ok = 1;
    for (int i = 0; i < (int)host.slots.size(); i++) {
        if (!PluginLoad(i, 1)) {
            ErrorSet("Couldn't initialize plugin %s!", host.slots[i].path.c_str());
            ok = 0;
            break;
        }
        host.mod->Config(Window());
    }
    Unload();
    return ok;
}

int PluginActiveSlot()
{
    return host.active;
}

int PluginIsPlaying()
{
    return host.playing;
}

const InModule *PluginActiveModule()
{
    return host.mod;
}

const char *PluginCurrentFile()
{
    return host.file.c_str();
}

OutModule *PluginOutModule()
{
    return &outModule;
}

AudStream *PluginOutStream()
{
    return out.stream;
}
