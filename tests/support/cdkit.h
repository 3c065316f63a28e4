// Test kit: a scripted CD drive with a track table and a clock, put in place of the platform's drive.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pcdrom.h"

struct CdKitTrack {
    int type;    // PLAT_CD_TRACK_AUDIO or PLAT_CD_TRACK_DATA
    int frames;  // length in frames of 1/75 s
};

// One play command as the drive received it.
struct CdKitPlay {
    uint32_t from, to;
    int hasTo;
    void *notify;
};

// The drive: tracks laid end to end from frame 0. The clock moves only when
// the test advances it; a play that reaches its end stops and posts its
// notice (successful); a pause or stop posts aborted, a new play with a
// notice posts superseded for the one it replaces. Playing a data track is
// refused.
struct CdKit {
    std::vector<CdKitTrack> tracks;
    int id = 7;
    bool isOpen = false;
    int mode = PLAT_CD_MODE_STOPPED;
    long pos = 0;  // absolute frame
    long end = 0;
    void *notify = nullptr;
    std::string drive;          // as opened; "(default)" for none
    std::vector<std::string> log;  // "open", "tmsf", "pause", "stop", "door 1", "close"
    std::vector<CdKitPlay> plays;
    // Commands and queries that fail: "open", "tmsf", "play", and "status N"
    // for the status item N.
    std::vector<std::string> failing;

    long TrackStart(int track) const;  // first frame of a track (1-based)
    long DiscEnd() const;
    // TMSF of an absolute frame, and back.
    uint32_t Tmsf(long frame) const;
    long Frame(uint32_t tmsf) const;
    bool Fails(const std::string &what) const;
    void Notice(int flag);
};

// Installs a fresh drive with the tracks as the platform's drive.
CdKit *CdKitInstall(const std::vector<CdKitTrack> &tracks);
// Puts the platform's own drive back.
void CdKitRemove();
// Moves the clock of the installed drive on.
void CdKitAdvance(long frames);
