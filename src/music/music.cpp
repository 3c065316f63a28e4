// Music front end: guarded wrappers over the plug-in host, CD audio and the tracker player.
#include "music/music.h"

#include <new>

#include "music/cdaudio.h"
#include "music/plugin.h"
#include "music/tkmod-load.h"
#include "music/tkmod-play.h"
#include "platform/pwinmsg.h"

namespace {

struct MusState {
    int pluginUp;
    int pluginPaused;
    int modInstalled;
    int cdOpen;
    int cdLoop;
    int cdTrack;  // 0 = none
    int cdPaused;
};

MusState mus;

int CdTrackSet()
{
    return mus.cdOpen && mus.cdTrack;
}

}  // namespace

// ---------------------------------------------------------------- plug-in host

int MusPluginInit(void *window, int volume)
{
    if (!mus.pluginUp)
        mus.pluginUp = PluginHostInit(window, volume);
    return mus.pluginUp;
}

int MusPluginIsUp()
{
    return mus.pluginUp;
}

void MusPluginShutdown()
{
    if (!mus.pluginUp)
        return;
    PluginHostShutdown();
    mus.pluginUp = 0;
    mus.pluginPaused = 0;
}

int MusPluginPlay(const char *file, int loop)
{
    if (!mus.pluginUp)
        return 0;
    return PluginPlay(file, loop, 1);
}

void MusPluginStop()
{
    if (!mus.pluginUp)
        return;
    PluginStop();
    mus.pluginPaused = 0;
}

int MusPluginRestart()
{
    if (!mus.pluginUp)
        return -1;
    return PluginUpdate();
}

void MusPluginSetVolume(int v)
{
    if (mus.pluginUp)
        PluginVolumeSet(v);
}

int MusPluginGetVolume()
{
    return mus.pluginUp ? PluginVolumeGet() : 0;
}

void MusPluginPause()
{
    if (!mus.pluginUp)
        return;
    PluginPause();
    mus.pluginPaused = 1;
}

void MusPluginResume()
{
    if (!mus.pluginUp)
        return;
    PluginResume();
    mus.pluginPaused = 0;
}

// The registry is read with the configuration, whether or not the host runs.
int MusPluginFindByExt(const char *file)
{
    return PluginFindByExt(file);
}

// ---------------------------------------------------------------- tracker player

int MusModInstall(int voices)
{
    mus.modInstalled = TkmodInstall(voices) > 0;
    return mus.modInstalled;
}

void MusModRemove()
{
    if (!mus.modInstalled)
        return;
    TkmodRemove();
    mus.modInstalled = 0;
}

MusModHandle *MusModLoad(const char *path)
{
    if (!mus.modInstalled || !path)
        return nullptr;
    TkmodModule *module = TkmodLoad(path);
    if (!module)
        return nullptr;
    MusModHandle *handle = new (std::nothrow) MusModHandle{module};
    if (!handle)
        TkmodDestroy(module);
    return handle;
}

// A module owns its samples whether or not the player still runs, so it is
// freed either way.
void MusModFree(MusModHandle *handle)
{
    if (!handle)
        return;
    TkmodDestroy(handle->module);
    delete handle;
}

int MusModPlay(MusModHandle *handle, int loop)
{
    if (!mus.modInstalled || !handle)
        return 0;
    return TkmodPlay(handle->module, loop) > 0;
}

void MusModStop()
{
    if (mus.modInstalled)
        TkmodStop();
}

void MusModPause()
{
    if (mus.modInstalled)
        TkmodPause();
}

void MusModResume()
{
    if (mus.modInstalled)
        TkmodResume();
}

void MusModSetVolume(int v)
{
    if (mus.modInstalled)
        TkmodSetVolume(v);
}

int MusModGetVolume()
{
    return mus.modInstalled ? TkmodGetVolume() : 0;
}

// ---------------------------------------------------------------- CD audio

int MusCdInit(const char *drive)
{
    if (!mus.cdOpen && CdInit(drive, PlatWinGameWindow()) == 0)
        mus.cdOpen = 1;
    return mus.cdOpen;
}

void MusCdShutdown()
{
    if (!mus.cdOpen)
        return;
    CdExit();
    mus.cdOpen = 0;
    mus.cdLoop = 0;
    mus.cdTrack = 0;
    mus.cdPaused = 0;
}

int MusCdIsOpen()
{
    return mus.cdOpen;
}

int MusCdPlay(int track, int loop)
{
    if (!mus.cdOpen || CdIsPlaying() || CdIsAudio(track) != 1)
        return 0;
    if ((loop ? CdPlayLoop(track) : CdPlay(track)) != 0)
        return 0;
    mus.cdLoop = loop;
    mus.cdTrack = track;
    mus.cdPaused = 0;
    return 1;
}

void MusCdStop()
{
    if (!mus.cdOpen)
        return;
    CdStop();
    mus.cdTrack = 0;
    mus.cdLoop = 0;
    mus.cdPaused = 0;
}

// Only a track that was started is paused: a pause of an idle drive would
// let the next resume start music from wherever the drive stands.
void MusCdPause()
{
    if (!CdTrackSet())
        return;
    CdPause();
    mus.cdPaused = 1;
}

void MusCdResume()
{
    if (!CdTrackSet())
        return;
    CdResume();
    mus.cdPaused = 0;
}

void MusCdPoll()
{
}

int MusCdIsPlaying()
{
    return CdTrackSet() ? CdIsPlaying() : 0;
}

int MusCdIsPaused()
{
    return CdTrackSet() ? mus.cdPaused : 0;
}

int MusCdCurrentTrack()
{
    return CdTrackSet() ? mus.cdTrack : 0;
}

int MusCdIsAudio(int track)
{
    return mus.cdOpen ? CdIsAudio(track) : -1;
}

int MusCdGetTracks(int *first, int *count)
{
    *first = 0;
    *count = 0;
    if (!mus.cdOpen)
        return 0;
    return CdTracksGet(first, count) == 0;
}

void MusCdSetVolume(int v)
{
    if (!mus.cdOpen)
        return;
    v = v < 0 ? 0 : v > 255 ? 255 : v;
    CdVolumeSet(v, v);
}

int MusCdGetVolume()
{
    if (!mus.cdOpen)
        return 0;
    int left, right;
    CdVolumeGet(&left, &right);
    return (left + right) / 2;
}

void MusCdEject()
{
    if (!mus.cdOpen)
        return;
    CdEject();
    mus.cdPaused = 0;
}

void MusCdClose()
{
    if (!mus.cdOpen)
        return;
    CdClose();
    mus.cdPaused = 0;
}
