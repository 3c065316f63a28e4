// Test kit: a scripted CD drive with a track table and a clock, put in place of the platform's drive.
#include "support/cdkit.h"

#include <algorithm>

#include "platform/pwinmsg.h"

static CdKit *kit = nullptr;

long CdKit::TrackStart(int track) const
{
    long at = 0;
    for (int t = 1; t < track && t <= (int)tracks.size(); t++)
        at += tracks[t - 1].frames;
    return at;
}

long CdKit::DiscEnd() const
{
    return TrackStart((int)tracks.size() + 1);
}

uint32_t CdKit::Tmsf(long frame) const
{
    int track = 1;
    while (track < (int)tracks.size() && frame >= TrackStart(track + 1))
        track++;
    long in = frame - TrackStart(track);
    return PLAT_CD_TMSF(track, in / 4500, in / 75 % 60, in % 75);
}

long CdKit::Frame(uint32_t tmsf) const
{
    int track = tmsf & 0xFF;
    int m = tmsf >> 8 & 0xFF, s = tmsf >> 16 & 0xFF, f = tmsf >> 24 & 0xFF;
    return TrackStart(track) + (m * 60L + s) * 75 + f;
}

bool CdKit::Fails(const std::string &what) const
{
    return std::find(failing.begin(), failing.end(), what) != failing.end();
}

void CdKit::Notice(int flag)
{
    if (notify)
        PlatWinPost(notify, PLAT_CD_MSG_NOTIFY, (uintptr_t)flag, id);
    notify = nullptr;
}

static int KitOpen(const char *drive, int *id)
{
    if (kit->Fails("open"))
        return PLAT_CD_ERR_NO_DISC;
    kit->isOpen = true;
    kit->drive = drive ? drive : "(default)";
    kit->log.push_back("open");
    *id = kit->id;
    return 0;
}

static int Check(int id)
{
    return kit->isOpen && id == kit->id ? 0 : PLAT_CD_ERR_NOT_OPEN;
}

static int KitClose(int id)
{
    if (int err = Check(id))
        return err;
    kit->log.push_back("close");
    kit->isOpen = false;
    return 0;
}

static int KitTmsf(int id)
{
    if (int err = Check(id))
        return err;
    kit->log.push_back("tmsf");
    return kit->Fails("tmsf") ? PLAT_CD_ERR_FAILED : 0;
}

static int KitStatus(int id, int item, int track, uint32_t *out)
{
    *out = 0;
    if (int err = Check(id))
        return err;
    if (kit->Fails("status " + std::to_string(item)))
        return PLAT_CD_ERR_FAILED;
    bool trackKnown = track >= 1 && track <= (int)kit->tracks.size();
    switch (item) {
    case PLAT_CD_STATUS_LENGTH: {
        if (!trackKnown)
            return PLAT_CD_ERR_BAD_TRACK;
        long n = kit->tracks[track - 1].frames;
        *out = PLAT_CD_MSF(n / 4500, n / 75 % 60, n % 75);
        return 0;
    }
    case PLAT_CD_STATUS_MODE:
        *out = (uint32_t)kit->mode;
        return 0;
    case PLAT_CD_STATUS_CURRENT_TRACK:
        *out = kit->Tmsf(kit->pos) & 0xFF;
        return 0;
    case PLAT_CD_STATUS_POSITION:
        *out = kit->Tmsf(kit->pos);
        return 0;
    case PLAT_CD_STATUS_TRACKS:
        *out = (uint32_t)kit->tracks.size();
        return 0;
    case PLAT_CD_STATUS_TRACK_TYPE:
        if (!trackKnown)
            return PLAT_CD_ERR_BAD_TRACK;
        *out = (uint32_t)kit->tracks[track - 1].type;
        return 0;
    }
    return PLAT_CD_ERR_FAILED;
}

static int KitPlay(int id, uint32_t from, uint32_t to, int hasTo, void *notify)
{
    if (int err = Check(id))
        return err;
    kit->plays.push_back({from, to, hasTo, notify});
    int track = from & 0xFF;
    if (kit->Fails("play") || track < 1 || track > (int)kit->tracks.size() ||
        kit->tracks[track - 1].type != PLAT_CD_TRACK_AUDIO)
        return PLAT_CD_ERR_FAILED;
    if (notify)
        kit->Notice(PLAT_CD_NOTIFY_SUPERSEDED);
    kit->pos = kit->Frame(from);
    kit->end = hasTo ? kit->Frame(to) : kit->DiscEnd();
    kit->mode = PLAT_CD_MODE_PLAYING;
    kit->notify = notify;
    return 0;
}

static int KitPause(int id)
{
    if (int err = Check(id))
        return err;
    kit->log.push_back("pause");
    if (kit->mode == PLAT_CD_MODE_PLAYING) {
        kit->mode = PLAT_CD_MODE_PAUSED;
        kit->Notice(PLAT_CD_NOTIFY_ABORTED);
    }
    return 0;
}

static int KitStop(int id)
{
    if (int err = Check(id))
        return err;
    kit->log.push_back("stop");
    kit->mode = PLAT_CD_MODE_STOPPED;
    kit->Notice(PLAT_CD_NOTIFY_ABORTED);
    return 0;
}

static int KitDoor(int id, int open)
{
    if (int err = Check(id))
        return err;
    kit->log.push_back(open ? "door 1" : "door 0");
    kit->mode = open ? PLAT_CD_MODE_OPEN : PLAT_CD_MODE_STOPPED;
    kit->Notice(PLAT_CD_NOTIFY_ABORTED);
    return 0;
}

static const PlatCdDevice kitDevice = {
    KitOpen, KitClose, KitTmsf, KitStatus, KitPlay, KitPause, KitStop, KitDoor,
};

CdKit *CdKitInstall(const std::vector<CdKitTrack> &tracks)
{
    delete kit;
    kit = new CdKit;
    kit->tracks = tracks;
    PlatCdDeviceSet(&kitDevice);
    return kit;
}

void CdKitRemove()
{
    PlatCdDeviceSet(nullptr);
    delete kit;
    kit = nullptr;
}

void CdKitAdvance(long frames)
{
    if (!kit || kit->mode != PLAT_CD_MODE_PLAYING)
        return;
    kit->pos += frames;
    if (kit->pos >= kit->end) {
        kit->pos = kit->end;
        kit->mode = PLAT_CD_MODE_STOPPED;
        kit->Notice(PLAT_CD_NOTIFY_SUCCESSFUL);
    }
}
