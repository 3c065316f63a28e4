// Graphics-driver facts of this platform, as the start-up check reads them.
#include "platform/pdriver.h"

int PlatDxVersionGet()
{
    return 0x700;
}
