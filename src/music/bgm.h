// Background-music records: one music context each (the menus', a match's stage music), routed to MIDI, tracker modules, plug-ins or CD audio by the file name.
#pragma once

struct MIDI;
struct MusModHandle;
struct TxtParseFile;

enum {
    BGM_NAME_LEN = 512,
    BGM_CDA_DEVICE_LEN = 32,
};

enum BGMKind {
    BGM_KIND_NONE = 0,
    BGM_KIND_MIDI = 1,
    BGM_KIND_MOD = 2,
    BGM_KIND_PLUGIN = 3,
    BGM_KIND_CD = 4,
};

// Zeroed: no music. Owned by its caller.
struct BGM {
    int kind;            // BGMKind
    MIDI *midi;          // kind MIDI
    MusModHandle *mod;   // kind tracker module
    int cdTrack;         // kind CD; 0 asks for a random audio track
    int paused;          // BGMPause
    int focusPaused;     // BGMUpdate while the window is inactive
    int volume;          // the definition file's volume (0..255 scale); survives stops
    int started;
    int loop;
    char name[BGM_NAME_LEN];  // empty for CD audio
};

// A music key of a definition file and its ".loop" key.
struct BGMRequest {
    char name[BGM_NAME_LEN];
    int loop;
};

// The game's settings that music follows ([Sound Win] and the command line).
struct BGMSettings {
    int sound;         // sound on
    int noMusic;       // the command line's no-music flag
    int pauseBgmOnDefocus;
    int midiVolume;
    int mp3Volume, modVolume, cdaVolume;
    int playCda, playMp3, playMidi, playMod;
    int modVoices;
    char cdaDevice[BGM_CDA_DEVICE_LEN];
};

// What the records take from the game. Without a host every record behaves
// as with sound off.
struct BGMHost {
    // The settings as they stand now.
    void (*settingsGet)(BGMSettings *out);
    // A MIDI record's volume is the MIDI volume setting.
    void (*midiVolumeSet)(int v);
    // The master digital and MIDI volumes, applied before each music start.
    void (*masterVolumesApply)();
    // The game error text: set, or a line of context appended.
    void (*errorSet)(const char *text);
    void (*errorAppend)(const char *text);
    // A line for the game's warning log.
    void (*warn)(const char *line);
    int (*gameTick)();
    int (*windowActive)();
    // The menus' record, which the storyboard callbacks play on.
    BGM *(*menuRecord)();
};

// The players behind the records. The default is the music front end and the
// sound library's MIDI; tests put one in its place that records the calls.
struct BGMBackend {
    MIDI *(*midiLoad)(const char *path);
    void (*midiDestroy)(MIDI *midi);
    int (*midiPlayLooped)(MIDI *midi, int start, int end);
    void (*midiPause)();
    void (*midiResume)();

    int (*modInstall)(int voices);
    void (*modRemove)();
    MusModHandle *(*modLoad)(const char *path);
    void (*modFree)(MusModHandle *handle);
    int (*modPlay)(MusModHandle *handle, int loop);
    void (*modStop)();
    void (*modPause)();
    void (*modResume)();
    void (*modSetVolume)(int v);
    int (*modGetVolume)();

    int (*pluginFindByExt)(const char *file);
    int (*pluginPlay)(const char *file, int loop);
    void (*pluginStop)();
    void (*pluginPause)();
    void (*pluginResume)();
    void (*pluginSetVolume)(int v);
    int (*pluginGetVolume)();
    int (*pluginRestart)();

    int (*cdInit)(const char *drive);
    int (*cdPlay)(int track, int loop);
    void (*cdStop)();
    void (*cdPause)();
    void (*cdResume)();
    void (*cdPoll)();
    int (*cdIsAudio)(int track);
    int (*cdGetTracks)(int *first, int *count);
    void (*cdSetVolume)(int v);
    int (*cdGetVolume)();

    int (*random)();  // 0..32767

    // The game window's messages (the CD's and the plug-ins' end notices).
    void (*messagesPump)();
};

// Null: no host (sound off) / the real players.
void BGMHostSet(const BGMHost *host);
void BGMBackendSet(const BGMBackend *backend);

// FileType-style kind of a music file name: 5 plug-in (a plug-in claims the
// extension, or "mp3"), 6 MIDI, 7 tracker module, 8 CD track, 0 not music.
int BGMFileKind(const char *name);

// Reads key (with "%s") into the name and key + ".loop" into the loop flag
// (1 when absent); 0 when the key is absent (the name is then empty).
int BGMReadKey(TxtParseFile *tp, BGMRequest *req, const char *key);

// Plays the file on the record: an empty name stops it; the same file (in
// any case) with both loop flags set goes on. 1, or 0 with the game error
// text saying why.
int BGMPlay(BGM *bgm, const char *name, int loop, int volume);
// Stops the record's music and prepares the file; a kind switched off or a
// file that does not load leaves the record silent (1). 0 only for a name
// that is not music.
int BGMOpen(BGM *bgm, const char *name, int loop);
// Starts what BGMOpen prepared; started is left clear when a CD track does
// not start. Returns started.
int BGMStart(BGM *bgm);
// Stops and frees the record's music; the record is cleared but its volume.
void BGMStop(BGM *bgm);
void BGMPause(BGM *bgm);
void BGMResume(BGM *bgm);
int BGMIsPaused(const BGM *bgm);
int BGMGetVolume(const BGM *bgm);
void BGMSetVolume(BGM *bgm, int v);
// Once per frame: pauses music while the window is inactive (when the
// settings ask for it), then BGMPoll.
void BGMUpdate(BGM *bgm);
// Keeps plug-in music going and fades it out while paused.
void BGMPoll(BGM *bgm);

// The storyboard's music hooks: play and stop on the menus' record.
void BGMPlayCallback(const char *name, int loop);
void BGMStopCallback();
