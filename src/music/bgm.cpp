// Background-music records: route a file to its player by kind; start, stop, pause, fade and per-frame service.
#include "music/bgm.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <string>
#include <strings.h>

#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/txtparse.h"
#include "music/music.h"
#include "platform/pwinmsg.h"

namespace {

void PumpMessages()
{
    PlatWinPump();
}

const BGMBackend realBackend = {
    SndMidiLoad, SndMidiDestroy, SndMidiPlayLooped, SndMidiPause, SndMidiResume,
    MusModInstall, MusModRemove, MusModLoad, MusModFree, MusModPlay, MusModStop, MusModPause, MusModResume,
    MusModSetVolume, MusModGetVolume,
    MusPluginFindByExt, MusPluginPlay, MusPluginStop, MusPluginPause, MusPluginResume, MusPluginSetVolume,
    MusPluginGetVolume, MusPluginRestart,
    MusCdInit, MusCdPlay, MusCdStop, MusCdPause, MusCdResume, MusCdPoll, MusCdIsAudio, MusCdGetTracks,
    MusCdSetVolume, MusCdGetVolume,
    GameRandom,
    PumpMessages,
};

const BGMHost *host = nullptr;
const BGMBackend *be = &realBackend;

BGMSettings Settings()
{
    BGMSettings s{};
    if (host && host->settingsGet)
        host->settingsGet(&s);
    return s;
}

void ErrorSet(const char *format, const char *name)
{
    if (!host || !host->errorSet)
        return;
    char text[BGM_NAME_LEN + 64];
    snprintf(text, sizeof text, format, name ? name : "");
    host->errorSet(text);
}

void ErrorAppend(const char *format, const char *name)
{
    if (!host || !host->errorAppend)
        return;
    char text[BGM_NAME_LEN + 64];
    snprintf(text, sizeof text, format, name ? name : "");
    host->errorAppend(text);
}

// A volume from a definition file plus a configured offset; both are any
// int, so the sum stops at the ends of the range instead of wrapping round.
int VolumeSum(int a, int b)
{
    long long v = (long long)a + b;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v;
}

// The plug-in's volume for the record: its halved volume plus the offset.
int PluginVolume(const BGM *bgm, const BGMSettings &s)
{
    return VolumeSum(SndHalf(bgm->volume), s.mp3Volume);
}

void Clear(BGM *bgm)
{
    int volume = bgm->volume;
    *bgm = BGM{};
    bgm->volume = volume;
}

// The track of a CD file name: its base name read as a decimal number, so a
// path joined to a directory names the same track as the bare name.
int CdTrackFromName(const char *name)
{
    const char *base = name;
    for (const char *p = name; *p; p++)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    while (isspace((unsigned char)*base))
        base++;
    int sign = 1;
    if (*base == '-' || *base == '+')
        sign = *base++ == '-' ? -1 : 1;
    long long v = 0;
    for (; isdigit((unsigned char)*base); base++)
        if (v <= INT_MAX)
            v = v * 10 + (*base - '0');
    if (v > INT_MAX)
        v = INT_MAX;
    return (int)(sign * v);
}

// The first audio track and on to the last; every other case is track 1.
int CdRandomTrack()
{
    int first = 0, count = 0;
    if (!be->cdGetTracks(&first, &count) || count <= 0)
        return 1;
    for (int a = first; a <= count; a++)
        if (be->cdIsAudio(a) == 1)
            return a + be->random() % (count - a + 1);
    return 1;
}

void KindPause(BGM *bgm)
{
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        be->midiPause();
        break;
    case BGM_KIND_MOD:
        be->modPause();
        break;
    case BGM_KIND_PLUGIN:
        be->pluginSetVolume(0);
        be->pluginPause();
        break;
    case BGM_KIND_CD:
        be->cdPause();
        break;
    }
}

void KindResume(BGM *bgm, const BGMSettings &s)
{
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        be->midiResume();
        break;
    case BGM_KIND_MOD:
        be->modResume();
        break;
    case BGM_KIND_PLUGIN:
        be->pluginResume();
        be->pluginSetVolume(PluginVolume(bgm, s));
        break;
    case BGM_KIND_CD:
        be->cdResume();
        break;
    }
}

}  // namespace

void BGMHostSet(const BGMHost *h)
{
    host = h;
}

void BGMBackendSet(const BGMBackend *backend)
{
    be = backend ? backend : &realBackend;
}

int BGMFileKind(const char *name)
{
    if (!name)
        return FILETYPE_UNKNOWN;
    if (be->pluginFindByExt(name) >= 0)
        return FILETYPE_MP3;
    int type = FileTypeFromExt(name);
    switch (type) {
    case FILETYPE_MP3:
    case FILETYPE_MID:
    case FILETYPE_MOD:
    case FILETYPE_DA:
        return type;
    }
    return FILETYPE_UNKNOWN;
}

// The motif system file reads "title.bgm", "select.bgm" and "vs.bgm" of
// [Music] with this, for the menus' record.
int BGMReadKey(TxtParseFile *tp, BGMRequest *req, const char *key)
{
    req->name[0] = 0;
    req->loop = 1;
    const char *value = TxtParseValueGet(tp, key);
    if (!value)
        return 0;
    // The first word of the value, as a "%s" read takes it.
    while (isspace((unsigned char)*value))
        value++;
    size_t n = 0;
    while (value[n] && !isspace((unsigned char)value[n]) && n < sizeof req->name - 1) {
        req->name[n] = value[n];
        n++;
    }
    req->name[n] = 0;
    std::string loopKey = std::string(key) + ".loop";
    TxtParseIntGet(tp, loopKey.c_str(), &req->loop);
    return 1;
}

int BGMPlay(BGM *bgm, const char *name, int loop, int volume)
{
    BGMSettings s = Settings();
    if (!s.sound || s.noMusic)
        return 1;
    if (!name || !name[0]) {
        BGMStop(bgm);
        return 1;
    }
    if (bgm->started && strcasecmp(bgm->name, name) == 0 && bgm->loop && loop)
        return 1;
    if (host && host->masterVolumesApply)
        host->masterVolumesApply();
    bgm->volume = volume;
    if (!BGMOpen(bgm, name, loop)) {
        // The reason BGMOpen gave stays in front of this line.
        ErrorAppend("\nError loading BGM: %s", name);
        return 0;
    }
    BGMStart(bgm);
    return 1;
}

int BGMOpen(BGM *bgm, const char *name, int loop)
{
    BGMStop(bgm);
    bgm->loop = loop;
    BGMSettings s = Settings();
    if (!name || !name[0] || !s.sound)
        return 1;
    switch (BGMFileKind(name)) {
    case FILETYPE_MP3:
        if (!s.playMp3)
            return 1;
        be->pluginSetVolume(PluginVolume(bgm, s));
        if (!be->pluginPlay(name, loop))
            return 1;
        bgm->kind = BGM_KIND_PLUGIN;
        break;
    case FILETYPE_MID:
        if (!s.playMidi)
            return 1;
        bgm->midi = be->midiLoad(name);
        if (!bgm->midi)
            return 1;
        bgm->kind = BGM_KIND_MIDI;
        break;
    case FILETYPE_MOD:
        if (!s.playMod)
            return 1;
        if (!be->modInstall(s.modVoices)) {
            if (host && host->warn)
                host->warn("Warning: could not allocate mod voices\n");
            return 1;
        }
        bgm->mod = be->modLoad(name);
        if (!bgm->mod) {
            // Installed for this file alone: nothing else would remove it.
            be->modRemove();
            return 1;
        }
        bgm->kind = BGM_KIND_MOD;
        be->modSetVolume(VolumeSum(SndHalf(bgm->volume), s.modVolume));
        break;
    case FILETYPE_DA: {
        if (!s.playCda)
            return 1;
        be->cdInit(s.cdaDevice[0] ? s.cdaDevice : nullptr);
        int track = CdTrackFromName(name);
        if (track >= 0) {
            if (s.cdaVolume != -1)
                be->cdSetVolume(VolumeSum(s.cdaVolume, bgm->volume));
            bgm->kind = BGM_KIND_CD;
            bgm->cdTrack = track;
        }
        return 1;
    }
    default:
        ErrorSet("Music file not supported: %s", name);
        return 0;
    }
    StrCopy(bgm->name, sizeof bgm->name, name);
    return 1;
}

int BGMStart(BGM *bgm)
{
    if (!Settings().sound)
        return bgm->started;
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        be->midiPlayLooped(bgm->midi, 0, -1);
        break;
    case BGM_KIND_MOD:
        be->modPlay(bgm->mod, 1);
        break;
    case BGM_KIND_CD:
        if (bgm->cdTrack == 0)
            bgm->cdTrack = CdRandomTrack();
        if (!be->cdPlay(bgm->cdTrack, 1))
            return bgm->started;
        break;
    }
    bgm->started = 1;
    return 1;
}

void BGMStop(BGM *bgm)
{
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        be->midiDestroy(bgm->midi);
        break;
    case BGM_KIND_MOD:
        be->modStop();
        be->modFree(bgm->mod);
        be->modRemove();
        break;
    case BGM_KIND_PLUGIN:
        be->pluginStop();
        break;
    case BGM_KIND_CD:
        be->cdStop();
        break;
    }
    Clear(bgm);
}

void BGMPause(BGM *bgm)
{
    if (!Settings().sound || bgm->paused || bgm->focusPaused)
        return;
    KindPause(bgm);
    bgm->paused = 1;
}

void BGMResume(BGM *bgm)
{
    BGMSettings s = Settings();
    if (!s.sound || !bgm->paused || bgm->focusPaused)
        return;
    KindResume(bgm, s);
    bgm->paused = 0;
}

int BGMIsPaused(const BGM *bgm)
{
    return bgm->paused || bgm->focusPaused;
}

int BGMGetVolume(const BGM *bgm)
{
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        return Settings().midiVolume;
    case BGM_KIND_MOD:
        return be->modGetVolume();
    case BGM_KIND_PLUGIN:
        return be->pluginGetVolume();
    case BGM_KIND_CD:
        return be->cdGetVolume();
    }
    return 0;
}

void BGMSetVolume(BGM *bgm, int v)
{
    switch (bgm->kind) {
    case BGM_KIND_MIDI:
        if (host && host->midiVolumeSet)
            host->midiVolumeSet(v);
        break;
    case BGM_KIND_MOD:
        be->modSetVolume(v);
        break;
    case BGM_KIND_PLUGIN:
        be->pluginSetVolume(v);
        break;
    case BGM_KIND_CD:
        be->cdSetVolume(v);
        break;
    }
}

void BGMUpdate(BGM *bgm)
{
    // The drive's and the plug-ins' end notices are handled here, on the
    // game thread, before the plug-in service below acts on them.
    be->messagesPump();
    BGMSettings s = Settings();
    if (s.pauseBgmOnDefocus) {
        int active = host && host->windowActive ? host->windowActive() : 1;
        if (active && bgm->focusPaused && !bgm->paused) {
            if (s.sound)
                KindResume(bgm, s);
            bgm->focusPaused = 0;
        } else if (!active && !bgm->paused && !bgm->focusPaused) {
            if (s.sound)
                KindPause(bgm);
            bgm->focusPaused = 1;
        }
    }
    BGMPoll(bgm);
}

void BGMPoll(BGM *bgm)
{
    if (!Settings().sound)
        return;
    if (bgm->kind == BGM_KIND_CD) {
        int tick = host && host->gameTick ? host->gameTick() : 0;
        if (tick % 6 == 0)
            be->cdPoll();
    } else if (bgm->kind == BGM_KIND_PLUGIN) {
        be->pluginRestart();
        if (bgm->paused || bgm->focusPaused) {
            int v = be->pluginGetVolume();
            if (v > 0)
                be->pluginSetVolume(std::max(0, v * 10 / 11 - 4));
        }
    }
}

// The storyboard runner hands these two to the storyboard's music hooks.
void BGMPlayCallback(const char *name, int loop)
{
    BGM *menu = host && host->menuRecord ? host->menuRecord() : nullptr;
    if (menu)
        BGMPlay(menu, name, loop, 0);
}

void BGMStopCallback()
{
    BGM *menu = host && host->menuRecord ? host->menuRecord() : nullptr;
    if (menu)
        BGMStop(menu);
}
