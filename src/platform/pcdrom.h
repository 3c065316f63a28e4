// CD drive: the commands that CD audio sends to a drive, answered by this platform's drive (none on Linux) or by a stand-in put in its place.
#pragma once
#include <cstdint>

// Command results: 0, or one of these.
enum PlatCdError {
    PLAT_CD_OK = 0,
    PLAT_CD_ERR_NO_DRIVE = 1,   // there is no drive to open
    PLAT_CD_ERR_NOT_OPEN = 2,   // the command names no open device
    PLAT_CD_ERR_BAD_TRACK = 3,  // no such track on the disc
    PLAT_CD_ERR_NO_DISC = 4,
    PLAT_CD_ERR_FAILED = 5,     // the drive refused the command
};

// What a status query asks for; the track matters for the length and the type.
enum PlatCdStatus {
    PLAT_CD_STATUS_LENGTH = 1,    // length of a track, MSF
    PLAT_CD_STATUS_MODE,          // PlatCdMode
    PLAT_CD_STATUS_CURRENT_TRACK,
    PLAT_CD_STATUS_POSITION,      // TMSF
    PLAT_CD_STATUS_TRACKS,        // number of tracks
    PLAT_CD_STATUS_TRACK_TYPE,    // PlatCdTrackType of a track
};

enum PlatCdMode {
    PLAT_CD_MODE_NOT_READY = 1,
    PLAT_CD_MODE_STOPPED,
    PLAT_CD_MODE_PLAYING,
    PLAT_CD_MODE_PAUSED,
    PLAT_CD_MODE_OPEN,
};

enum PlatCdTrackType { PLAT_CD_TRACK_AUDIO = 1, PLAT_CD_TRACK_DATA = 2 };

// The notice a play asked for reaches the window as this message, with one
// of the flags as wparam and the device id as lparam: the play came to its
// end, was replaced by another play with a notice, or was cut short by a
// pause or a stop.
enum {
    PLAT_CD_MSG_NOTIFY = 0x3B9,
    PLAT_CD_NOTIFY_SUCCESSFUL = 1,
    PLAT_CD_NOTIFY_SUPERSEDED = 2,
    PLAT_CD_NOTIFY_ABORTED = 4,
    PLAT_CD_NOTIFY_FAILURE = 8,
};

// Positions are TMSF (track in the low byte, then minutes, seconds and
// frames of 1/75 s above it); lengths are MSF (minutes in the low byte).
#define PLAT_CD_TMSF(t, m, s, f) ((uint32_t)(t) | (uint32_t)(m) << 8 | (uint32_t)(s) << 16 | (uint32_t)(f) << 24)
#define PLAT_CD_MSF(m, s, f) ((uint32_t)(m) | (uint32_t)(s) << 8 | (uint32_t)(f) << 16)

struct PlatCdDevice {
    // A null or empty drive names the default drive; the device id comes back.
    int (*open)(const char *drive, int *id);
    int (*close)(int id);
    int (*timeFormatTmsf)(int id);
    int (*status)(int id, int item, int track, uint32_t *out);
    // Plays from a position to another, or to the disc's end without one;
    // returns at once. With a notify window the play's notice is posted there.
    int (*play)(int id, uint32_t from, uint32_t to, int hasTo, void *notifyWindow);
    int (*pause)(int id);
    int (*stop)(int id);
    int (*door)(int id, int open);
};

// Null restores this platform's drive.
void PlatCdDeviceSet(const PlatCdDevice *device);
const PlatCdDevice *PlatCdDeviceGet();
