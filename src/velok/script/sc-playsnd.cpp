// PlaySnd parameters: the sound keys of the controller and their playing on the player's channels.
#include "velok/script/sc-playsnd.h"

#include <cstdint>

#include "lib/snd-lib.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/player/chardef.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : SCtrlKeyFailed(key);
}

int SCtrlPlaySndParse(TxtParseFile *f, PlaySndParams *p, Player *pl)
{
    ExprSetInt(&p->group, -1);
    ExprSetInt(&p->number, 0);
    p->fromCommon = 0;
    const char *v = TxtParseValueGet(f, "value");
    if (!v) {
        GameErrorSet("Missing value parameter");
        return 0;
    }
    if (!SCtrlFSPairParse(v, &p->group, &p->number, &p->fromCommon, pl))
        return SCtrlKeyFailed("value");
    if (!IntKey(f, "volume", &p->volume, pl, 0) || !IntKey(f, "channel", &p->channel, pl, -1) ||
        !IntKey(f, "lowpriority", &p->lowPriority, pl, 0))
        return 0;
    if (!SCtrlParamFloat(f, "freqmul", &p->freqMul, pl, 1.0f))
        return SCtrlKeyFailed("freqmul");
    if (!IntKey(f, "loop", &p->loop, pl, 0))
        return 0;
    p->absPan = TxtParseValueGet(f, "abspan") != nullptr;
    return IntKey(f, p->absPan ? "abspan" : "pan", &p->pan, pl, 0);
}

static int SatAdd(int a, int b)
{
    int64_t v = (int64_t)a + b;
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int)v;
}

void SCtrlPlaySndApply(const PlaySndParams *p, Player *pl)
{
    if (!SoundOn())
        return;
    CharData *cd = pl->charData;
    SndSet *set = p->fromCommon ? gv->commonSnd : cd ? cd->sounds : nullptr;
    if (!set)
        return;

    int channel = ExprEvalInt(pl, &p->channel, 1);
    if (channel < -1 || channel >= SOUND_PLAYER_CHANNELS) {
        PlayerWarn(pl, "Illegal playsnd channel.");
        channel = -1;
    }
    int key = SoundPlayerChannelKey(pl->slot, channel);
    if (ExprEvalInt(pl, &p->lowPriority, 0) && SndKeyIsPlaying(key))
        return;

    int group = ExprEvalInt(pl, &p->group, 1);
    if (group < -1) {
        PlayerWarn(pl, "Illegal playsnd groupno.");
        group = -1;
    }
    int number = ExprEvalInt(pl, &p->number, 1);
    if (number < -1) {
        PlayerWarn(pl, "Illegal playsnd sndno.");
        number = -1;
    }

    int pan = ExprEvalInt(pl, &p->pan, 0);
    float offset = pl->facing < 0 ? -(float)pan : (float)pan;
    float x = p->absPan ? offset + 160.0f : pl->posX - gv->cameraX + offset;

    int volume = SoundVolumeIdentity(ExprEvalInt(pl, &p->volume, 0));
    if (!p->fromCommon && cd)
        volume = SatAdd(volume, cd->volume);

    float freqMul = ExprEvalFloat(pl, &p->freqMul);
    if (!(freqMul > 0.0f)) {
        PlayerWarn(pl, "Non-positive freqmul.");
        freqMul = 1.0f;
    }
    int loop = ExprEvalInt(pl, &p->loop, 0);
    SoundPlayAtEx(key, x, set, group, number, volume, freqMul, loop);
}

void SCtrlPlaySndFree(PlaySndParams *p)
{
    if (!p)
        return;
    ExprFree(&p->group);
    ExprFree(&p->number);
    ExprFree(&p->volume);
    ExprFree(&p->channel);
    ExprFree(&p->lowPriority);
    ExprFree(&p->freqMul);
    ExprFree(&p->loop);
    ExprFree(&p->pan);
}
