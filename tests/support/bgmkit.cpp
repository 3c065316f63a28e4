// Test kit: stands in for the game and the players behind background-music records, recording each call the records make.
#include "support/bgmkit.h"

#include <cstring>

#include "music/music.h"
#include "platform/pcdrom.h"

static BgmKit *kit = nullptr;
static char midiToken;

std::vector<std::string> BgmKit::Take()
{
    std::vector<std::string> out;
    out.swap(calls);
    return out;
}

static void Call(const std::string &text)
{
    kit->calls.push_back(text);
}

static std::string Str(int v)
{
    return std::to_string(v);
}

// ---------------------------------------------------------------- host

static void SettingsGet(BGMSettings *out) { *out = kit->settings; }
static void MidiVolumeSet(int v)
{
    kit->settings.midiVolume = v;
    Call("midiVolume " + Str(v));
}
static void MasterVolumesApply() { Call("volumes"); }
static void ErrorSet(const char *text) { kit->error = text; }
static void ErrorAppend(const char *text) { kit->error += text; }
static void Warn(const char *line) { kit->warnings.push_back(line); }
static int GameTick() { return kit->tick; }
static int WindowActive() { return kit->active; }
static BGM *MenuRecord() { return &kit->menu; }

static const BGMHost kitHost = {
    SettingsGet, MidiVolumeSet, MasterVolumesApply, ErrorSet, ErrorAppend, Warn, GameTick, WindowActive, MenuRecord,
};

// ---------------------------------------------------------------- players

static MIDI *MidiLoad(const char *path)
{
    Call(std::string("midiLoad ") + path);
    return kit->midiLoads ? (MIDI *)&midiToken : nullptr;
}
static void MidiDestroy(MIDI *midi) { Call(midi == (MIDI *)&midiToken ? "midiDestroy" : "midiDestroy ?"); }
static int MidiPlayLooped(MIDI *, int start, int end)
{
    Call("midiPlayLooped " + Str(start) + " " + Str(end));
    return 0;
}
static void MidiPause() { Call("midiPause"); }
static void MidiResume() { Call("midiResume"); }

static int ModInstall(int voices)
{
    Call("modInstall " + Str(voices));
    return kit->modInstalls;
}
static void ModRemove() { Call("modRemove"); }
static MusModHandle *ModLoad(const char *path)
{
    Call(std::string("modLoad ") + path);
    return kit->modLoads ? new MusModHandle{} : nullptr;
}
static void ModFree(MusModHandle *h)
{
    Call(h ? "modFree" : "modFree null");
    delete h;
}
static int ModPlay(MusModHandle *, int loop)
{
    Call("modPlay " + Str(loop));
    return 1;
}
static void ModStop() { Call("modStop"); }
static void ModPause() { Call("modPause"); }
static void ModResume() { Call("modResume"); }
static void ModSetVolume(int v)
{
    kit->modVolume = v;
    Call("modVolume " + Str(v));
}
static int ModGetVolume() { return kit->modVolume; }

static int PluginFindByExt(const char *file)
{
    const char *dot = strrchr(file, '.');
    return !kit->pluginExt.empty() && dot && kit->pluginExt == dot + 1 ? 0 : -1;
}
static int PluginPlay(const char *file, int loop)
{
    Call(std::string("pluginPlay ") + file + " " + Str(loop));
    return kit->pluginPlays;
}
static void PluginStop() { Call("pluginStop"); }
static void PluginPause() { Call("pluginPause"); }
static void PluginResume() { Call("pluginResume"); }
static void PluginSetVolume(int v)
{
    kit->pluginVolume = v;
    Call("pluginVolume " + Str(v));
}
static int PluginGetVolume() { return kit->pluginVolume; }
static int PluginRestart()
{
    Call("pluginRestart");
    return 1;
}

static int CdInit(const char *drive)
{
    Call(std::string("cdInit ") + (drive ? drive : "(default)"));
    return 1;
}
static int CdPlay(int track, int loop)
{
    Call("cdPlay " + Str(track) + " " + Str(loop));
    return kit->cdPlays && track >= 1 && track <= (int)kit->cdTypes.size() &&
           kit->cdTypes[track - 1] == PLAT_CD_TRACK_AUDIO;
}
static void CdStop() { Call("cdStop"); }
static void CdPause() { Call("cdPause"); }
static void CdResume() { Call("cdResume"); }
static void CdPoll() { Call("cdPoll"); }
static int CdIsAudio(int track)
{
    if (track < 1 || track > (int)kit->cdTypes.size())
        return -1;
    return kit->cdTypes[track - 1] == PLAT_CD_TRACK_AUDIO;
}
static int CdGetTracks(int *first, int *count)
{
    *first = kit->cdListed ? 1 : 0;
    *count = kit->cdListed ? (int)kit->cdTypes.size() : 0;
    return kit->cdListed;
}
static void CdSetVolume(int v) { Call("cdVolume " + Str(v)); }
static int CdGetVolume() { return 128; }

static int Random() { return kit->randomValue; }
static void Pump() { kit->pumps++; }

static const BGMBackend kitBackend = {
    MidiLoad, MidiDestroy, MidiPlayLooped, MidiPause, MidiResume,
    ModInstall, ModRemove, ModLoad, ModFree, ModPlay, ModStop, ModPause, ModResume, ModSetVolume, ModGetVolume,
    PluginFindByExt, PluginPlay, PluginStop, PluginPause, PluginResume, PluginSetVolume, PluginGetVolume,
    PluginRestart,
    CdInit, CdPlay, CdStop, CdPause, CdResume, CdPoll, CdIsAudio, CdGetTracks, CdSetVolume, CdGetVolume,
    Random, Pump,
};

BgmKit *BgmKitInstall()
{
    delete kit;
    kit = new BgmKit;
    BGMSettings &s = kit->settings;
    s.sound = 1;
    s.midiVolume = 0;
    s.mp3Volume = s.modVolume = 175;
    s.cdaVolume = -1;
    s.playCda = s.playMp3 = s.playMidi = s.playMod = 1;
    s.modVoices = 8;
    BGMHostSet(&kitHost);
    BGMBackendSet(&kitBackend);
    return kit;
}

void BgmKitRemove()
{
    BGMHostSet(nullptr);
    BGMBackendSet(nullptr);
    delete kit;
    kit = nullptr;
}
