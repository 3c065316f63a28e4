// The game's side of background music: the settings, error text, warning log and window state that the music records read.
#include "velok/core/gamemusic.h"

#include "lib/libbase.h"
#include "lib/textbuf.h"
#include "music/bgm.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/screen.h"
#include "velok/core/sound.h"

static void SettingsGet(BGMSettings *out)
{
    *out = BGMSettings{};
    if (!gv)
        return;
    const CfgSound &s = gv->cfg.sound;
    out->sound = s.sound;
    out->noMusic = gv->noMusic;
    out->pauseBgmOnDefocus = s.pauseBgmOnDefocus;
    out->midiVolume = s.midiVolume;
    out->mp3Volume = s.mp3Volume;
    out->modVolume = s.modVolume;
    out->cdaVolume = s.cdaVolume;
    out->playCda = s.playCda;
    out->playMp3 = s.playMp3;
    out->playMidi = s.playMidi;
    out->playMod = s.playMod;
    out->modVoices = s.modVoices;
    StrCopy(out->cdaDevice, sizeof out->cdaDevice, s.cdaDevice);
}

static void MidiVolumeSet(int v)
{
    if (gv)
        gv->cfg.sound.midiVolume = v;
}

static void MasterVolumesApply()
{
    if (gv)
        SoundSetVolumes(gv->cfg.sound.masterWavVolume, gv->cfg.sound.midiVolume);
}

static void ErrorSet(const char *text)
{
    GameErrorSet("%s", text);
}

static void ErrorAppend(const char *text)
{
    GameErrorAppend("%s", text);
}

static void Warn(const char *line)
{
    if (gv && gv->warnLog)
        TextBufAppend(gv->warnLog, line);
}

static int GameTick()
{
    return gv ? gv->gameTick : 0;
}

static BGM *MenuRecord()
{
    return gv ? &gv->menuBgm : nullptr;
}

static const BGMHost gameHost = {
    SettingsGet, MidiVolumeSet, MasterVolumesApply, ErrorSet, ErrorAppend, Warn, GameTick, ScreenWindowActive,
    MenuRecord,
};

void GameMusicHostSet()
{
    BGMHostSet(&gameHost);
}
