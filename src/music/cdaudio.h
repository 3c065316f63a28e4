// CD audio: tracks of an audio CD played as music, looped by replaying the track when the drive reports its end.
#pragma once
#include <cstdint>

enum {
    CD_DRIVE_LEN = 32,       // the cdadevice setting and its end
    CD_ERR_HOOK = 666,       // the window procedure could not be hooked
    CD_VOLUME_FIXED = 128,   // both sides always read this
};

// Opens the drive (null or empty: the default drive) with positions in TMSF
// and hooks the window's procedure for the drive's notices. 0, the drive's
// error, or CD_ERR_HOOK (the device is closed again then). 0 when open already.
int CdInit(const char *drive, void *window);
// Stops a playing track, unhooks the window procedure and closes the device.
void CdExit();
int CdIsOpen();

// The track's length as MSF; -1 when the drive does not tell it.
int CdTrackLengthGet(int track);
// Plays the whole track; looped, the window hears the end and the track
// starts again. 0 or the drive's error.
int CdPlayRange(int track, int loop);
// Stop first, then the whole track once or looped.
int CdPlay(int track);
int CdPlayLoop(int track);
// 1 while the drive plays; a failed query is "not playing".
int CdIsPlaying();
// The drive's current track while it plays, else 0.
int CdCurrentTrack();
// Remembers the position and pauses; a second pause keeps the first position.
void CdPause();
// Plays on from the paused position to the end of the range (the disc's end
// without one), still looping when the play looped.
void CdResume();
int CdIsPaused();
// Stops, and forgets the pause and the loop.
int CdStop();
// First track 1 and the number of tracks; 0, or -1 when the drive does not
// tell or the disc holds none.
int CdTracksGet(int *first, int *count);
// 1 for an audio track, 0 for another kind, -1 when the query fails.
int CdIsAudio(int track);
void CdVolumeGet(int *left, int *right);
void CdVolumeSet(int left, int right);
void CdEject();
void CdClose();

// The hooked window procedure: a successful end of a looping play replays
// its range; other messages go on down the chain.
intptr_t CdWndProc(void *window, unsigned message, uintptr_t wparam, intptr_t lparam);
