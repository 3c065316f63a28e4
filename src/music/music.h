// Music front end: guarded wrappers over the plug-in host, CD audio and the tracker player.
#pragma once

// Every wrapper does nothing, or reports 0, while its player is not up.

// Starts the plug-in host for the game window; 1 when it is up, 0 when there
// is no host to start.
int MusPluginInit(void *window);
int MusPluginIsUp();
void MusPluginShutdown();

// Stops a playing track and closes the CD device when it is open.
void MusCdShutdown();
