// Configuration file "data/velok.cfg": engine settings, the player options and the key groups.
#include "velok/core/config.h"

#include <allegro.h>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "music/plugin.h"
#include "velok/core/common.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"

static const char optionsPath[] = "data/velok.cfg";

// Key names of slots 1 to 11.
static const char *const keyNames[KEYCONFIG_KEYS] = {"Jump", "Right", "Crouch", "Left", "A", "B",
                                                     "C",    "X",     "Y",      "Z",    "Start"};

static const char *const keyGroups[2] = {"p1 keys", "p2 keys"};
static const char *const padGroups[2] = {"P1 joystick win", "P2 joystick win"};

// ---------------------------------------------------------------- key records

int SysKeysRead(TxtParseFile *tp, KeyConfig *keys, const char *group)
{
    if (TxtParseGroupSet(tp, group) < 0)
        return 0;
    for (int i = 0; i < KEYCONFIG_KEYS; i++)
        TxtParseIntGet(tp, keyNames[i], &keys->key[i + 1]);
    return 1;
}

void SysKeysFill(KeyConfig *keys, int value)
{
    for (int i = 1; i < KEYCONFIG_SLOTS; i++)
        if (keys->key[i] == 0)
            keys->key[i] = value;
}

void SysKeysClear(KeyConfig *keys, int value)
{
    for (int i = 0; i < KEYCONFIG_SLOTS; i++)
        if (keys->key[i] == value)
            keys->key[i] = 0;
}

// Edit mode: sets each key of a group to its "%i" value. A key the group lacks
// (or whose line has no "=") gets a line at the group's start, and a missing
// group is added at the end of the file, so that nothing saved is lost.
static int SaveGroup(TxtParseFile *tp, const char *group, const char *const *names, const int *values, int n)
{
    char line[128];
    if (TxtParseGroupSet(tp, group) < 0) {
        snprintf(line, sizeof line, "[%s]", group);
        if (TxtParseLineInsert(tp, line) != 1)
            return 0;
        for (int i = 0; i < n; i++) {
            snprintf(line, sizeof line, "%s = %i", names[i], values[i]);
            if (TxtParseLineInsert(tp, line) != 1)
                return 0;
        }
        return 1;
    }
    for (int i = 0; i < n; i++) {
        if (TxtParseValueSet(tp, names[i], "%i", values[i]) == 1)
            continue;
        TxtParseGroupRewind(tp);
        snprintf(line, sizeof line, "%s = %i", names[i], values[i]);
        if (TxtParseLineInsert(tp, line) != 1)
            return 0;
    }
    return 1;
}

int SysKeysWrite(TxtParseFile *tp, const KeyConfig *keys, const char *group)
{
    return SaveGroup(tp, group, keyNames, keys->key + 1, KEYCONFIG_KEYS);
}

// ---------------------------------------------------------------- engine configuration

static void IntClampMin(int *v, int lo)
{
    if (*v < lo)
        *v = lo;
}

static int FirstLetter(const char *value)
{
    return value ? tolower((unsigned char)value[0]) : 0;
}

static int ReadRules(TxtParseFile *tp, CfgRules *r)
{
    if (TxtParseGroupSet(tp, "rules") < 0) {
        GameErrorSet("Can't load rules.");
        return 0;
    }
    int c = FirstLetter(TxtParseValueGet(tp, "gametype"));
    if (c == 'm') {
        r->gameType = CFG_GAMETYPE_MIXED;
    } else if (c == 'v') {
        r->gameType = CFG_GAMETYPE_VS;
    } else {
        GameErrorSet("Can't get game type.");
        return 0;
    }
    r->attackLifeToPowerMul = 3.0f;
    r->getHitLifeToPowerMul = 2.0f;
    r->superTargetDefenceMul = 1.0f;
    TxtParseFloatGet(tp, "default.attack.lifetopowermul", &r->attackLifeToPowerMul);
    TxtParseFloatGet(tp, "default.gethit.lifetopowermul", &r->getHitLifeToPowerMul);
    TxtParseFloatGet(tp, "super.targetdefencemul", &r->superTargetDefenceMul);
    return 1;
}

static int ReadEngine(TxtParseFile *tp, CfgEngine *e)
{
    if (TxtParseGroupSet(tp, "config") < 0) {
        GameErrorSet("Can't access config.");
        return 0;
    }
    e->gameSpeed = 60;
    e->drawShadows = 1;
    e->afterImageMax = 8;
    e->layeredSpriteMax = 256;
    e->explodMax = 256;
    e->sysExplodMax = 128;
    e->helperMax = 56;
    e->playerProjectileMax = 50;
    e->playerPalMax = 12;
    e->firstRun = 0;
    TxtParseIntGet(tp, "gamespeed", &e->gameSpeed);
    TxtParseIntGet(tp, "drawshadows", &e->drawShadows);
    TxtParseIntGet(tp, "afterimagemax", &e->afterImageMax);
    TxtParseIntGet(tp, "layeredspritemax", &e->layeredSpriteMax);
    TxtParseIntGet(tp, "explodmax", &e->explodMax);
    TxtParseIntGet(tp, "sysexplodmax", &e->sysExplodMax);
    TxtParseIntGet(tp, "helpermax", &e->helperMax);
    TxtParseIntGet(tp, "playerprojectilemax", &e->playerProjectileMax);
    TxtParseIntGet(tp, "playerpalmax", &e->playerPalMax);
    TxtParseIntGet(tp, "firstrun", &e->firstRun);
    IntClampMin(&e->afterImageMax, 1);
    IntClampMin(&e->layeredSpriteMax, 32);
    IntClampMin(&e->explodMax, 8);
    IntClampMin(&e->sysExplodMax, 8);
    e->helperMax = MinInt(MaxInt(e->helperMax, 4), 56);
    IntClampMin(&e->playerProjectileMax, 5);
    IntClampMin(&e->playerPalMax, 12);
    return 1;
}

static void ReadDebug(TxtParseFile *tp, CfgDebug *d)
{
    d->debug = d->allowDebugMode = d->allowDebugKeys = d->speedup = 0;
    d->startStage[0] = 0;
    if (TxtParseGroupSet(tp, "debug") < 0)
        return;
    TxtParseIntGet(tp, "debug", &d->debug);
    TxtParseIntGet(tp, "allowdebugmode", &d->allowDebugMode);
    TxtParseIntGet(tp, "allowdebugkeys", &d->allowDebugKeys);
    if (d->debug)
        TxtParseIntGet(tp, "speedup", &d->speedup);
    const char *stage = TxtParseValueGet(tp, "startstage");
    if (stage)
        StrCopy(d->startStage, sizeof d->startStage, stage);
}

static int ReadVideo(TxtParseFile *tp, CfgVideo *v)
{
    static const char group[] = "video win";
    if (TxtParseGroupSet(tp, group) < 0) {
        GameErrorSet("Can't load video config: [%s]", group);
        return 0;
    }
    if (!TxtParseIntGet(tp, "width", &v->width) || !TxtParseIntGet(tp, "height", &v->height) ||
        !TxtParseIntGet(tp, "depth", &v->depth) || !TxtParseIntGet(tp, "vretrace", &v->vretrace)) {
        GameErrorSet("Can't read video config.");
        return 0;
    }
    v->stretch = 0;
    v->doubleRes = 0;
    v->driver = GFX_DRV_DIRECTX_ACCEL;
    v->blitMode = 0;
    TxtParseIntGet(tp, "stretch", &v->stretch);
    TxtParseIntGet(tp, "doubleres", &v->doubleRes);
    // A negative mode would pick a filter that does not exist.
    v->doubleRes = MinInt(MaxInt(v->doubleRes, 0), 4);

    const char *mode = TxtParseValueGet(tp, "dxmode");
    if (mode) {
        switch (FirstLetter(mode)) {
        case 'h': v->driver = GFX_DRV_DIRECTX_ACCEL; break;
        case 'f': v->driver = GFX_DRV_DIRECTX_SAFE; break;
        case 's': v->driver = GFX_DRV_DIRECTX_SOFT; break;
        case 'w': v->driver = GFX_DRV_DIRECTX_WIN; break;
        case 'o': v->driver = GFX_DRV_DIRECTX_OVL; break;
        case 'n': v->driver = GFX_DRV_GDI; break;
        default:
            GameErrorSet("Unrecognised DXmode: %s", mode);
            return 0;
        }
    }
    // A windowed mode must match the desktop's depth.
    int desktop = system_driver ? desktop_color_depth() : 0;
    if (desktop > 0 && desktop != v->depth &&
        (v->driver == GFX_DRV_DIRECTX_WIN || v->driver == GFX_DRV_DIRECTX_OVL || v->driver == GFX_DRV_GDI))
        v->depth = desktop;

    const char *blit = TxtParseValueGet(tp, "blitmode");
    if (blit) {
        switch (FirstLetter(blit)) {
        case 'n': v->blitMode = 0; break;
        case 'p': v->blitMode = 1; break;
        case 't': v->blitMode = 2; break;
        default:
            GameErrorSet("Unrecognised BlitMode: %s", blit);
            return 0;
        }
    }
    return 1;
}

static int ReadSound(TxtParseFile *tp, CfgSound *s)
{
    static const char group[] = "sound win";
    if (TxtParseGroupSet(tp, group) < 0) {
        GameErrorSet("Can't load sound config: [%s]", group);
        return 0;
    }
    s->sound = 1;
    s->stereoEffects = 1;
    s->panningWidth = 160;
    s->reverseStereoGiven = 0;
    s->reverseStereo = 0;
    s->pauseBgmOnDefocus = 0;
    s->masterWavVolume = 200;
    s->wavVolume = 175;
    s->midiVolume = 0;
    s->mp3Volume = 175;
    s->modVolume = 175;
    s->cdaVolume = -1;
    s->playCda = s->playMp3 = s->playMidi = s->playMod = 1;
    s->cdaDevice[0] = 0;
    s->pluginCount = 0;
    s->wavDevice[0] = 0;
    s->wavDeviceId = SND_DRIVER_AUTO;
    s->wavChannels = 8;
    s->modVoices = 0;
    s->midiDevice[0] = 0;
    s->midiDeviceId = SND_DRIVER_AUTO;

    TxtParseIntGet(tp, "sound", &s->sound);
    TxtParseIntGet(tp, "stereoeffects", &s->stereoEffects);
    TxtParseIntGet(tp, "panningwidth", &s->panningWidth);
    s->reverseStereoGiven = TxtParseIntGet(tp, "reversestereo", &s->reverseStereo);
    if (s->reverseStereoGiven)
        SndSetReverseStereo(s->reverseStereo);
    TxtParseIntGet(tp, "pausebgmondefocus", &s->pauseBgmOnDefocus);
    TxtParseIntGet(tp, "masterwavvolume", &s->masterWavVolume);
    TxtParseIntGet(tp, "wavvolume", &s->wavVolume);
    TxtParseIntGet(tp, "midivolume", &s->midiVolume);
    TxtParseIntGet(tp, "mp3volume", &s->mp3Volume);
    TxtParseIntGet(tp, "modvolume", &s->modVolume);
    TxtParseIntGet(tp, "cdavolume", &s->cdaVolume);
    TxtParseIntGet(tp, "playcda", &s->playCda);
    TxtParseIntGet(tp, "playmp3", &s->playMp3);
    TxtParseIntGet(tp, "playmidi", &s->playMidi);
    TxtParseIntGet(tp, "playmod", &s->playMod);
    const char *v = TxtParseValueGet(tp, "cdadevice");
    if (v)
        StrCopy(s->cdaDevice, sizeof s->cdaDevice, v);

    TxtParseGroupRewind(tp);
    while (TxtParseValueGetNext(tp, "plugin"))
        s->pluginCount++;
    if (PluginSlotsAlloc(s->pluginCount) == 0) {
        TxtParseGroupRewind(tp);
        while ((v = TxtParseValueGetNext(tp, "plugin"))) {
            if (!PluginRegister(v)) {
                GameErrorSet("Error registering plugin: %s", v);
                return 0;
            }
        }
    }

    if ((v = TxtParseValueGet(tp, "wavdevice"))) {
        StrCopy(s->wavDevice, sizeof s->wavDevice, v);
        s->wavDeviceId = SndDigiDriverParse(v);
        if (s->wavDeviceId == SND_DRIVER_INVALID) {
            GameErrorSet("Invalid wav device: %s", v);
            return 0;
        }
    }
    TxtParseIntGet(tp, "wavchannels", &s->wavChannels);
    TxtParseIntGet(tp, "modvoices", &s->modVoices);
    if ((v = TxtParseValueGet(tp, "mididevice"))) {
        StrCopy(s->midiDevice, sizeof s->midiDevice, v);
        s->midiDeviceId = SndMidiDriverParse(v);
        if (s->midiDeviceId == SND_DRIVER_INVALID) {
            GameErrorSet("Invalid midi device: %s", v);
            return 0;
        }
    }
    // MIDI files go to a plug-in that claims them.
    if (PluginFindByExt(".mid") >= 0)
        s->midiDeviceId = SND_DRIVER_NONE;
    return 1;
}

static int ReadMisc(TxtParseFile *tp, CfgMisc *m, CfgSound *s)
{
    if (TxtParseGroupSet(tp, "misc") < 0) {
        GameErrorSet("Can't load misc config.");
        return 0;
    }
    m->playerCache = 0;
    m->precache = 0;
    m->bufferedRead = 0;
    m->unloadSystem = 0;
    m->pauseOnDefocus = 0;
    TxtParseIntGet(tp, "playercache", &m->playerCache);
    // The largest value already means "no limit": it must not wrap round.
    m->playerCache = m->playerCache > INT_MAX - 2 ? INT_MAX : m->playerCache + 2;
    TxtParseIntGet(tp, "precache", &m->precache);
    TxtParseIntGet(tp, "bufferedread", &m->bufferedRead);
    // Sprite and sound files alike are then read whole before parsing.
    SprReadSetLoadToMemory(m->bufferedRead);
    SndSetLoadToMemory(m->bufferedRead);
    TxtParseIntGet(tp, "unloadsystem", &m->unloadSystem);
    TxtParseIntGet(tp, "pauseondefocus", &m->pauseOnDefocus);
    if (m->pauseOnDefocus)
        s->pauseBgmOnDefocus = 1;
    return 1;
}

static int ReadArcade(TxtParseFile *tp, CfgArcade *a)
{
    static const char *const rampNames[CFG_RAMP_COUNT] = {"arcade", "team", "survival"};
    if (TxtParseGroupSet(tp, "arcade") < 0) {
        GameErrorSet("Can't load arcade config.");
        return 0;
    }
    memset(a, 0, sizeof *a);
    TxtParseIntGet(tp, "ai.randomcolor", &a->aiRandomColor);
    TxtParseIntGet(tp, "ai.cheat", &a->aiCheat);
    for (int i = 0; i < CFG_RAMP_COUNT; i++) {
        char key[64];
        snprintf(key, sizeof key, "%s.AIramp.start", rampNames[i]);
        TxtParseScan(tp, key, "%i,%i", &a->aiRamp[i][0], &a->aiRamp[i][1]);
        snprintf(key, sizeof key, "%s.AIramp.end", rampNames[i]);
        TxtParseScan(tp, key, "%i,%i", &a->aiRamp[i][2], &a->aiRamp[i][3]);
    }
    return 1;
}

static int ReadInput(TxtParseFile *tp, CfgInput *in)
{
    if (TxtParseGroupSet(tp, "input") < 0) {
        GameErrorSet("Can't load input config.");
        return 0;
    }
    memset(in, 0, sizeof *in);
    TxtParseIntGet(tp, "p1.usekeyboard", &in->useKeyboard[0]);
    TxtParseIntGet(tp, "p2.usekeyboard", &in->useKeyboard[1]);
    TxtParseIntGet(tp, "p1.joystick.type", &in->joyType[0]);
    TxtParseIntGet(tp, "p2.joystick.type", &in->joyType[1]);
    TxtParseIntGet(tp, "forcefeedback", &in->forceFeedback);
    TxtParseIntGet(tp, "psxdelay", &in->psxDelay);
    for (int p = 0; p < 2; p++)
        in->useJoystick[p] = in->joyType[p] != 0;

    for (int p = 0; p < 2; p++) {
        if (!SysKeysRead(tp, &in->keys[p], keyGroups[p]) && in->useKeyboard[p]) {
            GameErrorSet("Can't read p%i key config.", p + 1);
            return 0;
        }
    }
    for (int p = 0; p < 2; p++) {
        KeyConfig *pad = &in->joyKeys[p];
        if (!in->useJoystick[p])
            continue;
        pad->key[1] = 1;  // Jump: up
        pad->key[2] = 4;  // Right
        pad->key[3] = 2;  // Crouch: down
        pad->key[4] = 3;  // Left
        if (SysKeysRead(tp, pad, padGroups[p]))
            printf("Loading button config for %s.\n", padGroups[p]);
    }

    for (int p = 0; p < 2; p++) {
        SysKeysFill(&in->keys[p], SYSKEYS_KEY_NONE);
        if (in->useJoystick[p])
            SysKeysFill(&in->joyKeys[p], SYSKEYS_PAD_NONE);
        else
            memset(&in->joyKeys[p], 0, sizeof in->joyKeys[p]);
    }
    return 1;
}

// Rewrites [Config] FirstRun as "0" so that the next start is not a first run.
static void FirstRunClear(const char *path)
{
    TxtParseFile *tp = TxtParseOpenEdit(path);
    int ok = tp && TxtParseGroupSet(tp, "config") >= 0 && TxtParseValueSet(tp, "FirstRun", "0") == 1 &&
             TxtParseSave(tp, path);
    TxtParseClose(tp);
    if (!ok)
        LogWrite("Can't write FirstRun to %s\n", path);
}

int SysCfgLoad(const char *path)
{
    LIB_ASSERT(gv);
    SysConfig *cfg = &gv->cfg;
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        GameErrorSet("Can't open %s. Make sure you have extracted with directories", path);
        return 0;
    }
    int ok = ReadRules(tp, &cfg->rules) && ReadEngine(tp, &cfg->engine);
    if (ok) {
        ReadDebug(tp, &cfg->debug);
        ok = ReadVideo(tp, &cfg->video) && ReadSound(tp, &cfg->sound) && ReadMisc(tp, &cfg->misc, &cfg->sound) &&
             ReadArcade(tp, &cfg->arcade) && ReadInput(tp, &cfg->input);
    }
    TxtParseClose(tp);
    if (!ok)
        return 0;

    if (cfg->engine.firstRun)
        FirstRunClear(path);
    // The debug display, mode and keys are always available.
    cfg->debug.debug = cfg->debug.allowDebugMode = cfg->debug.allowDebugKeys = 1;
    return 1;
}

// ---------------------------------------------------------------- options

void SysOptionsDefault()
{
    LIB_ASSERT(gv);
    SysOptions *o = &gv->options;
    o->difficulty = 4;
    o->life = 100;
    o->time = 99;
    o->gameSpeed = 0;
    o->wavVolume = 50;
    o->midiVolume = 50;
    StrCopy(o->motif, sizeof o->motif, "data/system.def");
    o->team1Vs2Life = 0;
    o->teamLoseOnKO = 0;
}

void SysOptionsLoad()
{
    LIB_ASSERT(gv);
    SysOptions *o = &gv->options;
    CfgInput *in = &gv->cfg.input;
    TxtParseFile *tp = TxtParseOpen(optionsPath);
    if (!tp)
        FatalExitf("Error loading options");

    if (TxtParseGroupSet(tp, "options") >= 0) {
        TxtParseIntGet(tp, "Difficulty", &o->difficulty);
        TxtParseIntGet(tp, "Life", &o->life);
        TxtParseIntGet(tp, "Time", &o->time);
        TxtParseIntGet(tp, "GameSpeed", &o->gameSpeed);
        TxtParseIntGet(tp, "WavVolume", &o->wavVolume);
        TxtParseIntGet(tp, "MidiVolume", &o->midiVolume);
        // The motif is one word; a plain %s stops at 255 characters.
        TxtParseScan(tp, "motif", "%s", o->motif);
        TxtParseIntGet(tp, "Team.1VS2Life", &o->team1Vs2Life);
        TxtParseIntGet(tp, "Team.LoseOnKO", &o->teamLoseOnKO);
    }
    char dir[CFG_MOTIF_LEN], file[CFG_MOTIF_LEN];
    PathSplit(o->motif, dir, sizeof dir, file, sizeof file);
    gv->motifDir = dir;
    gv->motifFile = file;

    for (int p = 0; p < 2; p++) {
        SysKeysRead(tp, &in->keys[p], keyGroups[p]);
        SysKeysFill(&in->keys[p], SYSKEYS_KEY_NONE);
    }
    if (TxtParseGroupSet(tp, "input") >= 0) {
        TxtParseIntGet(tp, "p1.joystick.type", &in->joyType[0]);
        TxtParseIntGet(tp, "p2.joystick.type", &in->joyType[1]);
    }
    for (int p = 0; p < 2; p++) {
        in->useJoystick[p] = in->joyType[p] != 0;
        SysKeysRead(tp, &in->joyKeys[p], padGroups[p]);
        SysKeysFill(&in->joyKeys[p], SYSKEYS_PAD_NONE);
    }
    TxtParseClose(tp);

    InitPadsReinit();
    if (!InitKeysRemap())
        FatalExitf("Cannot init input");
}

void SysOptionsSave()
{
    LIB_ASSERT(gv);
    static const char *const optionNames[] = {"Difficulty", "Life",       "Time",          "GameSpeed",
                                              "WavVolume",  "MidiVolume", "Team.1VS2Life", "Team.LoseOnKO"};
    static const char *const joyTypeNames[] = {"p1.joystick.type", "p2.joystick.type"};
    const SysOptions *o = &gv->options;
    const CfgInput *in = &gv->cfg.input;

    TxtParseFile *tp = TxtParseOpenEdit(optionsPath);
    if (!tp)
        FatalExitf("Error saving options");
    int values[] = {o->difficulty, o->life,       o->time,         o->gameSpeed,
                    o->wavVolume,  o->midiVolume, o->team1Vs2Life, o->teamLoseOnKO};
    int ok = SaveGroup(tp, "Options", optionNames, values, 8) && SaveGroup(tp, "Input", joyTypeNames, in->joyType, 2);
    for (int p = 0; p < 2 && ok; p++) {
        KeyConfig keys = in->keys[p];
        SysKeysClear(&keys, SYSKEYS_KEY_NONE);
        KeyConfig pad = in->joyKeys[p];
        SysKeysClear(&pad, SYSKEYS_PAD_NONE);
        ok = SysKeysWrite(tp, &keys, keyGroups[p]) && SysKeysWrite(tp, &pad, padGroups[p]);
    }
    ok = ok && TxtParseSave(tp, optionsPath);
    TxtParseClose(tp);
    if (!ok)
        FatalExitf("Error saving options");
}
