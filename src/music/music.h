// Music front end: guarded wrappers over the plug-in host, CD audio and the tracker player.
#pragma once

struct TkmodModule;

// A loaded tracker module.
struct MusModHandle {
    TkmodModule *module;
};

// Every wrapper does nothing, or reports 0, while its player is not up.

// Starts the plug-in host for the game window with the configured plug-in
// volume; 1 when it is up, 0 when the window's procedure could not be hooked
// (PluginErrorText says so).
int MusPluginInit(void *window, int volume);
int MusPluginIsUp();
void MusPluginShutdown();
// Starts the file with a deferred start (the next restart service begins it);
// 1 when the plug-in took the file.
int MusPluginPlay(const char *file, int loop);
void MusPluginStop();
// The per-frame plug-in service (deferred start, loop restart); -1 when the
// host is not up.
int MusPluginRestart();
void MusPluginSetVolume(int v);
int MusPluginGetVolume();
void MusPluginPause();
void MusPluginResume();
// The plug-in slot that claims the name's extension, -1 when none does.
int MusPluginFindByExt(const char *file);

// Installs the tracker player with the voices; 1 when installed.
int MusModInstall(int voices);
void MusModRemove();
// Null when the player is not installed or the file does not load.
MusModHandle *MusModLoad(const char *path);
// Frees the module whether or not the player is still installed.
void MusModFree(MusModHandle *handle);
int MusModPlay(MusModHandle *handle, int loop);
void MusModStop();
void MusModPause();
void MusModResume();
void MusModSetVolume(int v);
// The player's master volume; 0 when not installed.
int MusModGetVolume();

// Opens the CD device with the game window (null or empty drive: the
// default drive) unless it is open; 1 when open.
int MusCdInit(const char *drive);
// Stops a playing track and closes the CD device when it is open.
void MusCdShutdown();
int MusCdIsOpen();
// Refused (0) while a track plays, for a track that is not audio, or when
// the drive does not start it; else the track plays, looped or once (1).
int MusCdPlay(int track, int loop);
void MusCdStop();
void MusCdPause();
void MusCdResume();
void MusCdPoll();
int MusCdIsPlaying();
int MusCdIsPaused();
int MusCdCurrentTrack();
// 1 audio, 0 another kind, -1 when the device is not open or does not tell.
int MusCdIsAudio(int track);
// 1 with the first track and the number of tracks.
int MusCdGetTracks(int *first, int *count);
// v clamped to 0..255 for both sides.
void MusCdSetVolume(int v);
int MusCdGetVolume();
void MusCdEject();
void MusCdClose();
