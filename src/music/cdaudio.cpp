// CD audio: plays, pauses and loops tracks through the platform's CD drive and the game window's notices.
#include "music/cdaudio.h"

#include "lib/libbase.h"
#include "platform/pcdrom.h"
#include "platform/pwinmsg.h"

namespace {

struct CdState {
    int open;
    int id;
    char drive[CD_DRIVE_LEN];
    void *window;
    int track;
    int loop;
    uint32_t from, to;  // the range of the last play; to 0 = none remembered
    int paused;
    uint32_t pausedPos;
};

CdState cd;

const PlatCdDevice *Dev()
{
    return PlatCdDeviceGet();
}

int Status(int item, int track, uint32_t *out)
{
    *out = 0;
    if (!cd.open)
        return PLAT_CD_ERR_NOT_OPEN;
    return Dev()->status(cd.id, item, track, out);
}

}  // namespace

int CdInit(const char *drive, void *window)
{
    if (cd.open)
        return 0;
    const char *name = drive && drive[0] ? drive : nullptr;
    int id = 0;
    int err = Dev()->open(name, &id);
    if (err)
        return err;
    // Every position and range below is TMSF; a drive that cannot count that
    // way would play the wrong places.
    err = Dev()->timeFormatTmsf(id);
    if (err) {
        Dev()->close(id);
        return err;
    }
    cd = CdState{};
    cd.id = id;
    StrCopy(cd.drive, sizeof cd.drive, name ? name : "");
    cd.window = window;
    if (!PlatWinHook(window, CdWndProc)) {
        // Without the hook no notice arrives; an open device would be left behind.
        Dev()->close(id);
        cd = CdState{};
        return CD_ERR_HOOK;
    }
    cd.open = 1;
    return 0;
}

void CdExit()
{
    if (!cd.open)
        return;
    if (CdIsPlaying())
        CdStop();
    PlatWinUnhook(cd.window, CdWndProc);
    Dev()->close(cd.id);
    cd = CdState{};
}

int CdIsOpen()
{
    return cd.open;
}

int CdTrackLengthGet(int track)
{
    uint32_t len;
    if (Status(PLAT_CD_STATUS_LENGTH, track, &len))
        return -1;
    return (int)(len & 0xFFFFFF);
}

int CdPlayRange(int track, int loop)
{
    if (!cd.open)
        return PLAT_CD_ERR_NOT_OPEN;
    cd.track = track;
    cd.loop = loop;
    // The track lives in one byte of a position.
    if (track < 1 || track > 255)
        return PLAT_CD_ERR_BAD_TRACK;
    int len = CdTrackLengthGet(track);
    if (len < 0)
        return PLAT_CD_ERR_BAD_TRACK;
    cd.from = (uint32_t)track;
    cd.to = (uint32_t)track + ((uint32_t)len << 8);
    return Dev()->play(cd.id, cd.from, cd.to, 1, loop ? cd.window : nullptr);
}

int CdPlay(int track)
{
    CdStop();
    return CdPlayRange(track, 0);
}

int CdPlayLoop(int track)
{
    CdStop();
    return CdPlayRange(track, 1);
}

int CdIsPlaying()
{
    uint32_t mode;
    if (Status(PLAT_CD_STATUS_MODE, 0, &mode))
        return 0;
    return mode == PLAT_CD_MODE_PLAYING;
}

int CdCurrentTrack()
{
    if (!CdIsPlaying())
        return 0;
    uint32_t track;
    if (Status(PLAT_CD_STATUS_CURRENT_TRACK, 0, &track))
        return 0;
    return (int)track;
}

void CdPause()
{
    if (!cd.open || cd.paused)
        return;
    uint32_t pos;
    // Without a position the resume starts the range again.
    if (Status(PLAT_CD_STATUS_POSITION, 0, &pos))
        pos = cd.from;
    cd.pausedPos = pos;
    Dev()->pause(cd.id);
    cd.paused = 1;
}

void CdResume()
{
    if (!cd.open || !cd.paused)
        return;
    Dev()->play(cd.id, cd.pausedPos, cd.to, cd.to != 0, cd.loop ? cd.window : nullptr);
    cd.paused = 0;
}

int CdIsPaused()
{
    return cd.paused;
}

int CdStop()
{
    if (!cd.open)
        return PLAT_CD_ERR_NOT_OPEN;
    int err = Dev()->stop(cd.id);
    cd.paused = 0;
    cd.loop = 0;
    return err;
}

int CdTracksGet(int *first, int *count)
{
    *first = 1;
    *count = 0;
    uint32_t n;
    if (Status(PLAT_CD_STATUS_TRACKS, 0, &n) || n == 0)
        return -1;
    *count = (int)n;
    return 0;
}

int CdIsAudio(int track)
{
    uint32_t type;
    if (Status(PLAT_CD_STATUS_TRACK_TYPE, track, &type))
        return -1;
    return type == PLAT_CD_TRACK_AUDIO;
}

void CdVolumeGet(int *left, int *right)
{
    *left = CD_VOLUME_FIXED;
    *right = CD_VOLUME_FIXED;
}

void CdVolumeSet(int, int)
{
}

void CdEject()
{
    if (cd.open)
        Dev()->door(cd.id, 1);
    cd.paused = 0;
}

void CdClose()
{
    if (cd.open)
        Dev()->door(cd.id, 0);
    cd.paused = 0;
}

intptr_t CdWndProc(void *window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
    if (message != PLAT_CD_MSG_NOTIFY || !cd.open || lparam != cd.id)
        return PlatWinCallNext(CdWndProc, window, message, wparam, lparam);
    // A pause or a stop cuts the play short with its own notice: only a play
    // that ran to its end starts again.
    if (wparam == PLAT_CD_NOTIFY_SUCCESSFUL && cd.loop && cd.window && !cd.paused)
        Dev()->play(cd.id, cd.from, cd.to, 1, cd.window);
    return 0;
}
