// Music plug-in host: the registry of plug-in libraries, the one loaded plug-in, and the output module that streams its PCM.
#pragma once
#include <cstdint>
#include <string>

#include "music/plugin-mod.h"

struct AudStream;

enum {
    PLUGIN_PATH_LEN = 512,  // library paths are shorter than this
    PLUGIN_LOOP_RESTART = 0,    // stop and play the file again
    PLUGIN_LOOP_REWIND = 1,     // the same, then the output time is set to 0
    PLUGIN_LOOP_RELOAD = 2,     // the library is closed and opened again first
    PLUGIN_OUT_BLOCK_BYTES = 8192,
    PLUGIN_OUT_BLOCKS = 8,
};

// One "plugin" line of the configuration.
struct PluginSlot {
    std::string extensions;  // lower case, comma-separated, no blanks
    int loopType;            // PLUGIN_LOOP_*
    std::string path;        // the library
};

// Reads a "plugin" line's value: ["looptype" = N ","] path "," extensions.
// 1, or 0 for a line without a comma after the path, an empty path or one too
// long.
int PluginLineParse(const char *value, PluginSlot *out);

// Makes the registry for count lines: 0 when made now; 1 when count is not
// above 0 or a registry exists (no lines are registered then).
int PluginSlotsAlloc(int count);
// 1, or 0 for a malformed line, a full registry or none.
int PluginRegister(const char *value);
int PluginSlotCount();
// Null out of range.
const PluginSlot *PluginSlotGet(int slot);
// Frees the registry (the loaded plug-in stays loaded).
void PluginSlotsFree();
// The slot whose list holds the extension of the name (letters, digits and
// underscores after its last '.', compared exactly), the loaded one first;
// -1 when none.
int PluginFindByExt(const char *file);

// Starts the host on the game window (null: the platform's game window): the
// output module's Init, its volume (which the host remembers; also the
// volume every load without keepVolume gives the plug-in), pan 0, and the
// window procedure hooked in front of the window's chain. 0 when the hook
// failed ("Window procedure hook failed" in PluginErrorText). 1 when up already.
int PluginHostInit(void *window, int volume);
int PluginHostIsUp();
// Stops the plug-in, closes the output, quits and closes the library, frees
// the registry and unhooks the window procedure. Safe when not up.
void PluginHostShutdown();
// Why the last failing host call failed.
const char *PluginErrorText();

// Loads the slot's library (the loaded one is kept). The old plug-in is
// stopped, quit and closed first. 1, or 0 (then none is loaded) when the
// library does not open, lacks the entry or gives an unusable record.
int PluginLoad(int slot, int keepVolume);
// Whether the plug-in for the name's extension loads.
int PluginCanPlay(const char *file);
// Plays the file on the plug-in of its extension. Deferred: the voice starts
// at the next PluginUpdate; otherwise now. 1, or 0 when no plug-in claims the
// extension, it does not load or it refuses the file.
int PluginPlay(const char *file, int loop, int deferred);
// Stops the plug-in and forgets the file.
void PluginStop();
void PluginPause();
void PluginResume();
int PluginIsPaused();
void PluginSeek(int ms);
// Clamped to 0..255; goes to the output and is remembered.
void PluginVolumeSet(int volume);
int PluginVolumeGet();
// Once per frame: the deferred start and the restart of a looping file that
// ended. 1 when nothing was due or music plays, 0 when there is no file or
// the restart failed.
int PluginUpdate();
// The game window's procedure while the host is up: the end-of-file message
// marks a looping file for restart and closes the output of any other.
intptr_t PluginWndProc(void *window, unsigned message, uintptr_t wparam, intptr_t lparam);
// For the configuration option: each registered plug-in is loaded in turn
// and shows its settings. 0 at the first that does not load ("Couldn't
// initialize plugin %s!" with its path in PluginErrorText). None stays loaded.
int PluginConfigAll();

// What the host holds, for the front end and tests.
int PluginActiveSlot();
int PluginIsPlaying();
const InModule *PluginActiveModule();
const char *PluginCurrentFile();

// The output module handed to plug-ins, and its stream (null when closed).
OutModule *PluginOutModule();
AudStream *PluginOutStream();
