// Music front end: guarded wrappers over the plug-in host, CD audio and the tracker player.
#include "music/music.h"

static int pluginUp = 0;
static int cdOpen = 0;

int MusPluginInit(void *window)
{
    (void)window;
    // waits for: plug-in host (PluginHostInit, then the host is up)
    pluginUp = 0;
    return 0;
}

int MusPluginIsUp()
{
    return pluginUp;
}

void MusPluginShutdown()
{
    if (!pluginUp)
        return;
    // waits for: plug-in host (the active plug-in's Quit, the registry freed, the window procedure restored)
    pluginUp = 0;
}

void MusCdShutdown()
{
    if (!cdOpen)
        return;
    // waits for: CD audio (CdExit: stop a playing track, restore the window procedure, close the device)
    cdOpen = 0;
}
