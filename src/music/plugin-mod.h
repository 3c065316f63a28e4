// Music plug-in layout: the input-module record a plug-in library exports and the output-module record the host hands it.
#pragma once
#include <cstdint>

// A plug-in library exports this C function; it returns the library's own
// input-module record, which stays valid until the library is closed.
#define PLUGIN_ENTRY_SYMBOL "winampGetInModule2"

enum {
    PLUGIN_IN_VERSION = 0x100,   // the layout of InModule below
    PLUGIN_OUT_VERSION = 0x10,
    PLUGIN_MSG_EOF = 1026,       // posted to the game window at the end of a file
    PLUGIN_VOLUME_REMEMBERED = -666,  // SetVolume: the host's remembered volume
};

// The program's output: the plug-in writes its decoded PCM here, from its own
// thread. Times are in milliseconds, lengths in bytes.
struct OutModule {
    int version;
    const char *description;
    int id;
    void *hMainWindow;
    void *hDllInstance;

    void (*Config)(void *parent);
    void (*About)(void *parent);
    void (*Init)();
    void (*Quit)();
    // 0 when open; -1 for a format the output refuses.
    int (*Open)(int rate, int channels, int bits);
    void (*Close)();
    // 0 written, 1 no room now (try again); 16-bit samples are signed.
    int (*Write)(const char *buffer, int length);
    // Bytes that Write would take now.
    int (*CanWrite)();
    // 1 while written sound remains to be played.
    int (*IsPlaying)();
    // Returns the previous pause state.
    int (*Pause)(int pause);
    void (*SetVolume)(int volume);  // 0..255
    void (*SetPan)(int pan);        // -128..128
    void (*Flush)(int ms);          // after a seek: the written time reads ms
    int (*GetOutputTime)();
    int (*GetWrittenTime)();
};

// A plug-in's record. The plug-in fills version, description, UsesOutputPlug
// and its handlers; the host fills hMainWindow, hDllInstance, the host
// callbacks, PostMessage and (for a plug-in that uses the output) outMod
// before it calls Init.
struct InModule {
    int version;  // PLUGIN_IN_VERSION
    const char *description;
    void *hMainWindow;
    void *hDllInstance;
    int UsesOutputPlug;

    void (*Config)(void *parent);
    void (*About)(void *parent);
    void (*Init)();
    void (*Quit)();
    // 0 = playing; anything else: the file is refused.
    int (*Play)(const char *file);
    void (*Pause)();
    void (*UnPause)();
    int (*IsPaused)();
    void (*Stop)();
    void (*SetVolume)(int volume);  // 0..255
    void (*SetOutputTime)(int ms);

    // Host callbacks for visualisation and sound processing; this host shows
    // nothing and processes nothing.
    void (*SAVSAInit)(int maxLatencyMs, int rate);
    void (*SAVSADeInit)();
    void (*SAAddPCMData)(void *pcm, int channels, int bits, int timeMs);
    int (*SAGetMode)();
    int (*SAAdd)(void *data, int timeMs, int kind);
    void (*VSAAddPCMData)(void *pcm, int channels, int bits, int timeMs);
    int (*VSAGetMode)(int *specChannels, int *waveChannels);
    int (*VSAAdd)(void *data, int timeMs);
    void (*VSASetInfo)(int rate, int channels);
    int (*dsp_isactive)();
    // Returns the number of samples after processing.
    int (*dsp_dosamples)(short *samples, int count, int bits, int channels, int rate);
    void (*EQSet)(int on, char data[10], int preamp);
    void (*SetInfo)(int bitrate, int rate, int stereo, int synched);

    // Posts a message to a window from any thread (the end-of-file notice).
    int (*PostMessage)(void *window, unsigned message, uintptr_t wparam, intptr_t lparam);

    OutModule *outMod;
};

typedef InModule *(*PluginEntryFunc)();
