// Configuration file "data/velok.cfg": engine settings, the player options and the key groups.
#pragma once

struct TxtParseFile;

enum {
    KEYCONFIG_SLOTS = 13,    // slot 0 and slot 12 hold no key
    KEYCONFIG_KEYS = 11,     // slots 1 to 11: Jump, Right, Crouch, Left, A, B, C, X, Y, Z, Start
    SYSKEYS_KEY_NONE = 256,  // an empty keyboard slot
    SYSKEYS_PAD_NONE = 128,  // an empty pad slot
    CFG_STAGE_LEN = 512,
    CFG_CDA_DEVICE_LEN = 31,
    CFG_SND_DEVICE_LEN = 31,
    CFG_MOTIF_LEN = 256,
    CFG_GAMETYPE_MIXED = 1,  // "m": KO'd bodies blink out, only living players push
    CFG_GAMETYPE_VS = 0,     // "v": players guard automatically while holding back
};

// One controls side's keys: input codes of up, right, down, left, a, b, c, x,
// y, z, start and one further key in slots 1 to 12. Keyboard records hold key
// codes (256 = none), pad records pad input numbers (128 = none).
struct KeyConfig {
    int key[KEYCONFIG_SLOTS];
};

struct CfgRules {
    int gameType;  // CFG_GAMETYPE_*
    float attackLifeToPowerMul;
    float getHitLifeToPowerMul;
    float superTargetDefenceMul;
};

// [Config]
struct CfgEngine {
    int gameSpeed;
    int drawShadows;
    int afterImageMax;
    int layeredSpriteMax;
    int explodMax;
    int sysExplodMax;
    int helperMax;
    int playerProjectileMax;
    int playerPalMax;
    int firstRun;
};

struct CfgDebug {
    int debug;           // debug-info display
    int allowDebugMode;
    int allowDebugKeys;
    int speedup;         // no-frame-wait switch
    char startStage[CFG_STAGE_LEN + 1];
};

// [Video Win]
struct CfgVideo {
    int width, height, depth;
    int vretrace;
    int stretch;
    int doubleRes;  // 0; 1 to 3 a 2x filter; 4 the field at double resolution
    int driver;     // GFX_DRV_* from dxmode
    int blitMode;   // 0 normal, 1 page flip, 2 ("t")
};

// [Sound Win]
struct CfgSound {
    int sound;
    int stereoEffects;
    int panningWidth;
    int reverseStereoGiven;  // the key was present; its value is reverseStereo
    int reverseStereo;
    int pauseBgmOnDefocus;
    int masterWavVolume;
    int wavVolume;
    int midiVolume;
    int mp3Volume;
    int modVolume;
    int cdaVolume;
    int playCda, playMp3, playMidi, playMod;
    char cdaDevice[CFG_CDA_DEVICE_LEN + 1];
    int pluginCount;  // "plugin" lines
    // Driver names as written; empty when absent (automatic).
    char wavDevice[CFG_SND_DEVICE_LEN + 1];
    int wavDeviceId;  // the sound library's driver id of the name, -1 automatic
    int wavChannels;
    int modVoices;
    char midiDevice[CFG_SND_DEVICE_LEN + 1];
    int midiDeviceId;
};

struct CfgMisc {
    int playerCache;  // the value + 2
    int precache;
    int bufferedRead;
    int unloadSystem;
    int pauseOnDefocus;
};

enum { CFG_RAMP_ARCADE, CFG_RAMP_TEAM, CFG_RAMP_SURVIVAL, CFG_RAMP_COUNT };

struct CfgArcade {
    int aiRandomColor;
    int aiCheat;
    int aiRamp[CFG_RAMP_COUNT][4];  // start, start offset, end, end offset
};

// [Input] and the key groups, per controls side.
struct CfgInput {
    int useKeyboard[2];
    int joyType[2];
    int useJoystick[2];  // type not 0
    int forceFeedback;
    int psxDelay;
    KeyConfig keys[2];
    KeyConfig joyKeys[2];
};

struct SysConfig {
    CfgRules rules;
    CfgEngine engine;
    CfgDebug debug;
    CfgVideo video;
    CfgSound sound;
    CfgMisc misc;
    CfgArcade arcade;
    CfgInput input;
};

// [Options]
struct SysOptions {
    int difficulty;
    int life;
    int time;
    int gameSpeed;
    int wavVolume;
    int midiVolume;
    char motif[CFG_MOTIF_LEN];
    int team1Vs2Life;
    int teamLoseOnKO;
};

// Reads the engine groups into the game record; 1, or 0 with the reason in
// the game error text.
int SysCfgLoad(const char *path);

void SysOptionsDefault();
// Both stop the program through the fatal exit on failure. Loading ends by
// taking the pads into use and remapping the keys of the input layer.
void SysOptionsLoad();
void SysOptionsSave();

// Slots 1 to 11 from the group's keys (absent keys keep their slots); 0 when
// the group is missing.
int SysKeysRead(TxtParseFile *tp, KeyConfig *keys, const char *group);
// Edit mode: slots 1 to 11 as "%i" values into the group's keys; 0 when the
// file could not take them.
int SysKeysWrite(TxtParseFile *tp, const KeyConfig *keys, const char *group);
void SysKeysFill(KeyConfig *keys, int value);
void SysKeysClear(KeyConfig *keys, int value);
