// CD drive: this platform offers none, so opening fails and every other command names no device.
#include "platform/pcdrom.h"

static int NoDriveOpen(const char *, int *id)
{
    if (id)
        *id = 0;
    return PLAT_CD_ERR_NO_DRIVE;
}

static int NoDevice(int)
{
    return PLAT_CD_ERR_NOT_OPEN;
}

static int NoDeviceStatus(int, int, int, uint32_t *out)
{
    if (out)
        *out = 0;
    return PLAT_CD_ERR_NOT_OPEN;
}

static int NoDevicePlay(int, uint32_t, uint32_t, int, void *)
{
    return PLAT_CD_ERR_NOT_OPEN;
}

static int NoDeviceDoor(int, int)
{
    return PLAT_CD_ERR_NOT_OPEN;
}

static const PlatCdDevice noDrive = {
    NoDriveOpen, NoDevice, NoDevice, NoDeviceStatus, NoDevicePlay, NoDevice, NoDevice, NoDeviceDoor,
};

static const PlatCdDevice *device = &noDrive;

void PlatCdDeviceSet(const PlatCdDevice *d)
{
    device = d ? d : &noDrive;
}

const PlatCdDevice *PlatCdDeviceGet()
{
    return device;
}
