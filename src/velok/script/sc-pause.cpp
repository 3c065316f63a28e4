// Pause and SuperPause parameters: the pause keys and their application to the game's pause records and the pausing player.
#include "velok/script/sc-pause.h"

#include <climits>
#include <cstring>

#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/sound.h"
#include "velok/player/chardef.h"
#include "velok/player/p-draw.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static int Failed(const char *key)
{
    GameErrorAppend("\nError parsing %s", key);
    return 0;
}

static int IntKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, int def)
{
    return SCtrlParamInt(f, key, e, pl, def) ? 1 : Failed(key);
}

static int FloatKey(TxtParseFile *f, const char *key, Expr *e, Player *pl, float def)
{
    return SCtrlParamFloat(f, key, e, pl, def) ? 1 : Failed(key);
}

int SCtrlPauseParse(TxtParseFile *f, PauseParams *p, Player *pl)
{
    return IntKey(f, "time", &p->time, pl, 0) && IntKey(f, "movetime", &p->moveTime, pl, 0) &&
           IntKey(f, "endcmdbuftime", &p->endCmdBufTime, pl, 0) && IntKey(f, "pausebg", &p->pauseBg, pl, 1);
}

int SCtrlSuperPauseParse(TxtParseFile *f, PauseParams *p, Player *pl)
{
    // The Pause keys, and then time again with the SuperPause's default.
    if (!SCtrlPauseParse(f, p, pl) || !IntKey(f, "time", &p->time, pl, 30))
        return 0;
    ExprSetInt(&p->anim, 100);
    p->animCommon = 1;
    const char *v = TxtParseValueGet(f, "anim");
    if (v && !SCtrlFSIntParse(v, &p->anim, &p->animCommon, pl))
        return Failed("anim");
    ExprSetFloat(&p->pos[0], 0.0f);
    ExprSetFloat(&p->pos[1], 0.0f);
    if ((v = TxtParseValueGet(f, "pos"))) {
        Expr *items[2] = {&p->pos[0], &p->pos[1]};
        const char *end = v;
        SCtrlParseListArr(v, "ff", pl, &end, items);
        if (*end)
            return Failed("pos");
    }
    if (!IntKey(f, "darken", &p->darken, pl, 1) || !FloatKey(f, "p2defmul", &p->p2DefMul, pl, 0.0f) ||
        !IntKey(f, "poweradd", &p->powerAdd, pl, 0) || !IntKey(f, "unhittable", &p->unhittable, pl, 1))
        return 0;
    ExprSetInt(&p->sound[0], -1);
    ExprSetInt(&p->sound[1], 0);
    p->soundCommon = 1;
    v = TxtParseValueGet(f, "sound");
    if (v && !SCtrlFSPairParse(v, &p->sound[0], &p->sound[1], &p->soundCommon, pl))
        return Failed("sound");
    return 1;
}

static int Int(Player *pl, const Expr *e)
{
    return ExprEvalInt(pl, e, 1);
}

void SCtrlPauseApply(const PauseParams *p, int mode, Player *pl)
{
    if (!gv || mode < 0 || mode > 1)
        return;
    PauseRecord *r = &gv->pause[mode];
    int time = Int(pl, &p->time);
    if (time < 0) {
        PlayerWarn(pl, "set illegal pausetime");
        time = 0;
    }
    int move = Int(pl, &p->moveTime);
    if (move < 0 || move > time) {
        PlayerWarn(pl, mode == PAUSE_MODE_SUPER ? "set illegal supermovetime" : "set illegal pausemovetime");
        move = 0;
    }
    r->time = time;
    pl->pauseMoveTime[mode] = move;
    r->pauseBg = Int(pl, &p->pauseBg);
    int end = Int(pl, &p->endCmdBufTime);
    if (end < 0 || end > time) {
        PlayerWarn(pl, "set illegal endcmdbuftime");
        end = 0;
    }
    r->endCmdBufTime = end;
    // Only a SuperPause darkens.
    r->darken = 0;
}

// What a darkening SuperPause dims with the players' colours: every group
// but the pausing player's own; the stage, fight screen and fonts are dimmed
// on their own terms and the fight effects (the super spark) stay bright.
static PalGroupMask DimmedGroups(const Player *pl)
{
    PalGroupMask game = PalGroupMaskMake(PAL_GROUP_BG | PAL_GROUP_FIGHT | PAL_GROUP_FIGHTFX | PAL_GROUP_FONT, 0);
    PalGroupMask mask = PalGroupMaskAll();
    for (int i = 0; i < 5; i++)
        mask.w[i] &= ~(pl->palMask.w[i] | game.w[i]);
    return mask;
}

void SCtrlSuperPauseApply(const PauseParams *p, Player *pl, Player *powerOwner)
{
    if (!gv)
        return;
    SCtrlPauseApply(p, PAUSE_MODE_SUPER, pl);
    PauseRecord *r = &gv->pause[PAUSE_MODE_SUPER];
    r->darken = Int(pl, &p->darken) != 0;
    r->groups = DimmedGroups(pl);

    int anim = Int(pl, &p->anim);
    if (anim < -1) {
        PlayerWarn(pl, "negative spark animno ignored");
    } else if (anim != -1) {
        // Sparks stand in stage space, where the ground line lies below the
        // stage's top: the player's place there is its screen position plus
        // the camera.
        PlayerZScaleUpdate(pl);
        float x = ExprEvalFloat(pl, &p->pos[0]) * (float)pl->facing + gv->cameraX + pl->screenX;
        float y = ExprEvalFloat(pl, &p->pos[1]) + gv->cameraY + pl->screenY;
        HitSparkMake(pl, anim, x, y, !p->animCommon, pl->facing < 0, 0);
    }

    int group = Int(pl, &p->sound[0]);
    int number = Int(pl, &p->sound[1]);
    const CharData *cd = pl->charData;
    SndSet *set = p->soundCommon ? gv->commonSnd : cd ? cd->sounds : nullptr;
    SoundPlay(set, group, number, p->soundCommon || !cd ? 0 : cd->volume);

    float mul = ExprEvalFloat(pl, &p->p2DefMul);
    if (mul < 0.0f)
        PlayerWarn(pl, "negative p2defmul for SuperPause");
    if (mul <= 0.0f)
        mul = gv->cfg.rules.superTargetDefenceMul;
    // A divisor of 0 (the configuration's) would leave the targets without defence.
    if (mul != 1.0f && mul != 0.0f && pl->targets) {
        for (int i = 0; PlayerTarget *t = TargetListNext(pl->targets, &i);) {
            if (t->target)
                t->target->defenceMul /= mul;
        }
    }

    Player *owner = powerOwner ? powerOwner : pl;
    long long power = (long long)PlayerPowerGet(owner) + Int(pl, &p->powerAdd);
    PlayerPowerSet(owner, power > INT_MAX ? INT_MAX : power < INT_MIN ? INT_MIN : (int)power);

    // Unhittable through the last paused tick: the hit pass counts the lock
    // down once in this tick and once in each of the pause's ticks.
    long long lock = (long long)r->time + 2;
    if (lock > INT_MAX)
        lock = INT_MAX;
    if (Int(pl, &p->unhittable) && r->time > 0 && pl->hitLock < lock)
        pl->hitLock = (int)lock;
}

void SCtrlPauseFree(PauseParams *p)
{
    if (!p)
        return;
    ExprFree(&p->time);
    ExprFree(&p->moveTime);
    ExprFree(&p->endCmdBufTime);
    ExprFree(&p->pauseBg);
}

void SCtrlSuperPauseFree(PauseParams *p)
{
    if (!p)
        return;
    SCtrlPauseFree(p);
    ExprFree(&p->anim);
    ExprFree(&p->pos[0]);
    ExprFree(&p->pos[1]);
    ExprFree(&p->darken);
    ExprFree(&p->p2DefMul);
    ExprFree(&p->powerAdd);
    ExprFree(&p->unhittable);
    ExprFree(&p->sound[0]);
    ExprFree(&p->sound[1]);
}
