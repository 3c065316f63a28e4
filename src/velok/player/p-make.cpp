// Player creation and the player cache: loaded characters shared by reference, player records, sides, teams and persistent variables.
#include "velok/player/p-make.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "velok/player/afterimg.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/helper.h"
#include "velok/player/p-hit.h"
#include "velok/player/proj.h"
#include "velok/core/common.h"
#include "velok/core/pal.h"
#include "velok/script/statedef.h"

// Guards the cache bookkeeping (counts, stamps, loaded pointers): the
// pre-caching thread loads characters while the game thread asks about them.
// Never held while files are read.
static std::mutex cacheLock;

// ---------------------------------------------------------------- slot table

int PlayerSlotsCreate(int helperMax)
{
    PlayerSlotsFree();
    int count = GAME_MAIN_SLOTS + (helperMax > 0 ? helperMax : 0);
    gv->players = (Player **)LibCalloc((size_t)count + 1, sizeof(Player *));
    if (!gv->players)
        return 0;
    gv->playerSlotCount = count;
    gv->enabledCount = 0;
    gv->enabledFirst = 0;
    gv->enabledLast = -1;
    return 1;
}

void PlayerSlotsFree()
{
    MemFree(gv->players);
    gv->players = nullptr;
    gv->playerSlotCount = 0;
}

// ---------------------------------------------------------------- player cache

static std::string DefPath(const CharInfo *e)
{
    std::string p = e->dir;
    if (!p.empty() && p.back() != '/' && p.back() != '\\')
        p += '/';
    return p + e->defFile;
}

static CharInfo *Entry(int charIndex)
{
    if (!gv->charList || charIndex < 0 || charIndex >= gv->charCount)
        return nullptr;
    return &gv->charList[charIndex];
}

static void WarnText(const std::string &text);

// Writes the character's learned data back to its AI file, which must lie in
// the character's own directory whatever the definition file names.
static void CacheAISave(const CharInfo *e, const CharData *cd)
{
    if (!gv->aiLearn || !gv->aiSave || !cd->ai || !cd->aiFile[0])
        return;
    std::string dir = e->dir;
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\')
        dir += '/';
    if (!AIFileNameSafe(cd->aiFile) || !AIInfoSave((dir + cd->aiFile).c_str(), cd->ai))
        WarnText(std::string("Cannot save AI info for ") + e->defFile + "\n");
}

CharData *PlayerCacheLoad(int charIndex)
{
    CharInfo *e = Entry(charIndex);
    LIB_ASSERT(e);
    CharData *victim = nullptr;
    const CharInfo *victimEntry = nullptr;
    {
        std::unique_lock<std::mutex> hold(cacheLock);
        if (e->cacheData) {
            e->cacheRefs++;
            return e->cacheData;
        }
        if (gv->cacheLoaded >= gv->cfg.misc.playerCache) {
            CharInfo *best = nullptr;
            for (int i = 0; i < gv->charCount; i++) {
                CharInfo *c = &gv->charList[i];
                if (c->cacheData && c->cacheRefs == 0 && (!best || c->cacheStamp < best->cacheStamp))
                    best = c;
            }
            if (!best) {
                hold.unlock();
                FatalExitf("Player cache too small");
            }
            victim = best->cacheData;
            victimEntry = best;
            best->cacheData = nullptr;
            gv->cacheLoaded--;
        }
    }
    if (victim)
        CacheAISave(victimEntry, victim);
    CharDataFree(victim);

    CharData *cd = PlayerDefLoadAny(e->dir, e->defFile);
    if (!cd) {
        GameErrorAppend("\nError loading %s", DefPath(e).c_str());
        return nullptr;
    }
    cd->selIndex = charIndex;
    std::unique_lock<std::mutex> hold(cacheLock);
    if (e->cacheData) {
        // The other thread loaded it meanwhile: one copy is kept, shared.
        CharData *kept = e->cacheData;
        e->cacheRefs++;
        hold.unlock();
        CharDataFree(cd);
        return kept;
    }
    e->cacheRefs = 1;
    e->cacheData = cd;  // published complete
    gv->cacheLoaded++;
    return cd;
}

void PlayerCacheRelease(int charIndex, int bonus)
{
    CharInfo *e = Entry(charIndex);
    LIB_ASSERT(e);
    std::unique_lock<std::mutex> hold(cacheLock);
    if (e->cacheRefs <= 0) {
        hold.unlock();
        FatalExitf("Player cache freed too many");
    }
    if (--e->cacheRefs == 0)
        e->cacheStamp = gv->cacheStamp++ + bonus;
}

void PlayerCacheReleaseIdx(int charIndex)
{
    PlayerCacheRelease(charIndex, 0);
}

void PlayerCacheStamp(int charIndex, int bonus)
{
    CharInfo *e = Entry(charIndex);
    if (!e)
        return;
    std::lock_guard<std::mutex> hold(cacheLock);
    if (e->cacheData)
        e->cacheStamp = gv->cacheStamp + bonus;
}

int PlayerCacheIsLoaded(int charIndex)
{
    CharInfo *e = Entry(charIndex);
    if (!e)
        return 0;
    std::lock_guard<std::mutex> hold(cacheLock);
    return e->cacheData != nullptr;
}

int PlayerCacheHasRoom()
{
    std::lock_guard<std::mutex> hold(cacheLock);
    if (gv->cacheLoaded < gv->cfg.misc.playerCache)
        return 1;
    for (int i = 0; i < gv->charCount; i++)
        if (gv->charList[i].cacheData && gv->charList[i].cacheRefs == 0)
            return 1;
    return 0;
}

int PlayerCacheFlush()
{
    int kept = 0;
    for (int i = 0; i < gv->charCount; i++) {
        CharInfo *e = &gv->charList[i];
        CharData *cd;
        int refs;
        {
            std::lock_guard<std::mutex> hold(cacheLock);
            cd = e->cacheData;
            refs = e->cacheRefs;
            if (cd && refs == 0) {
                e->cacheData = nullptr;
                gv->cacheLoaded--;
            }
        }
        if (!cd)
            continue;
        if (refs != 0) {
            // Players made from it would read freed data: it stays loaded.
            if (gv->errorText[0])
                GameErrorAppend("\n");
            GameErrorAppend("Player cache: %s still used by %i players", DefPath(e).c_str(), refs);
            kept++;
            continue;
        }
        CacheAISave(e, cd);
        CharDataFree(cd);
    }
    LIB_ASSERT(gv->cacheLoaded == kept);
    return kept == 0;
}

// ---------------------------------------------------------------- players

int PlayerAILevelStart()
{
    // The configuration's ramps may hold any int: worked out wide.
    __int128 level = gv->options.difficulty;
    const int *ramp = nullptr;  // start, start offset, end, end offset
    int n = 0;
    if (gv->arcadeSide == 1 || gv->arcadeSide == 2) {
        const TeamInfo *opp = &gv->teams[gv->arcadeSide == 1 ? 1 : 0];
        bool team = opp->isTeam || opp->entryCount > 1 || opp->entries[0].memberCount > 1;
        ramp = gv->cfg.arcade.aiRamp[team ? CFG_RAMP_TEAM : CFG_RAMP_ARCADE];
        n = gv->matchNo - 1;
    } else if (gv->survivalSide == 1 || gv->survivalSide == 2) {
        // The human side's won rounds, whichever side started the survival.
        ramp = gv->cfg.arcade.aiRamp[CFG_RAMP_SURVIVAL];
        level = 4;
        n = gv->round.wins[gv->survivalSide - 1];
    }
    if (ramp) {
        __int128 start = ramp[0], startOffset = ramp[1], end = ramp[2], endOffset = ramp[3];
        if (n <= start)
            level += startOffset;
        else if (n >= end)
            level += endOffset;
        else if (start < end)
            level += startOffset + (endOffset - startOffset) * (n - start) / (end - start);
    }
    return level < 1 ? 1 : level > 8 ? 8 : (int)level;
}

Player *PlayerNew(CharData *cd)
{
    Player *pl = (Player *)LibCalloc(1, sizeof(Player));
    if (!pl) {
        GameErrorSet("Out of memory for player.");
        return nullptr;
    }
    pl->isHelper = cd == nullptr;
    pl->charData = cd;
    pl->id = gv->playerIdCounter++;
    pl->teamIndex = -1;
    if (cd) {
        pl->cmdSet = &cd->cmds;
        pl->consts = cd->consts;
    }

    pl->sprView = SprSetCreate(0, PLAYER_PAL_CAPACITY);
    if (pl->sprView && cd) {
        if (!SprSetReshare(pl->sprView, cd->spr) || !(pl->palView = SprSetShare(pl->sprView))) {
            PlayerFree(pl);
            GameErrorSet("Out of memory for sprite\n");
            return nullptr;
        }
    }
    if (!pl->sprView) {
        PlayerFree(pl);
        GameErrorSet("Out of memory for sprite\n");
        return nullptr;
    }
    pl->sprInUse = pl->sprView;
    pl->palInUse = pl->palView;

    pl->anim = AnimObjCreate(cd ? cd->anims : nullptr, pl->sprView);
    if (!pl->anim) {
        PlayerFree(pl);
        GameErrorSet("Out of memory for anim\n");
        return nullptr;
    }
    // Players draw through the frame's priority list, ordered by sprite priority.
    pl->anim->drawList = gv->drawList;

    // A helper's projectiles go into its root's list: its own stays empty.
    int projMax = cd ? MaxInt(gv->cfg.engine.playerProjectileMax, PROJ_CAPACITY_MIN) : 0;
    pl->projList = ProjListCreate(projMax, cd ? cd->anims : nullptr, pl->sprView);
    if (!pl->projList) {
        PlayerFree(pl);
        GameErrorSet("Can't create projectile array.");
        return nullptr;
    }
    PlayerStateInit(pl, cd ? cd->states : nullptr);
    // A bare record gets an AI section too (its lists must be empty), but
    // neither learning nor a level.
    if (!AIPlayerInit(pl, cd && gv->aiLearn)) {
        PlayerFree(pl);
        GameErrorSet("Can't create state controller.");
        return nullptr;
    }
    if (cd) {
        pl->aiLevel = PlayerAILevelStart();
        if (pl->ai.learning && cd->ai)
            AIInfoCopy(pl->ai.info, cd->ai);
    }

    pl->targets = ArrayCreate(PLAYER_TARGET_MAX, (int)sizeof(PlayerTarget), pl);
    if (!pl->targets) {
        PlayerFree(pl);
        GameErrorSet("Can't create target array.");
        return nullptr;
    }
    int slots = gv->playerSlotCount + 1;
    pl->getHit.lastHitSerial = (int *)LibCalloc((size_t)slots, sizeof(int));
    pl->getHit.slotWord = (int *)LibCalloc((size_t)slots, sizeof(int));
    pl->clipboard = TextBufCreate(PLAYER_CLIP_WIDTH, PLAYER_CLIP_LINES);
    if (!pl->getHit.lastHitSerial || !pl->getHit.slotWord || !pl->clipboard) {
        PlayerFree(pl);
        GameErrorSet("Out of memory for player.");
        return nullptr;
    }
    if (cd)
        StrCopy(pl->name, sizeof pl->name, cd->name);
    PlayerRoundInit(pl);
    return pl;
}

// Points the palette slot used by one sprite at the character's chosen palette.
static void PalSlotGive(Player *pl, int group, int number, int srcSlot)
{
    SprImage *img = SprSetImageGet(pl->sprView, group, number);
    if (!img || img->palIndex < 0)
        return;
    SprSetPalCopyShared(pl->sprView, img->palIndex, srcSlot);
}

void PlayerSprRequire(Player *pl, int palNo)
{
    CharData *cd = pl->charData;
    if (!cd || !cd->spr)
        return;
    int src = SprSetFindPal(cd->spr, 1, palNo);
    if (src < 0)
        src = SprSetFindPal(cd->spr, 1, 0);
    if (src < 0)
        src = SprSetFindPal(cd->spr, 0, 0);
    if (src >= 0) {
        PalSlotGive(pl, 0, 0, src);
        PalSlotGive(pl, 9000, 0, src);
    }
    if (!SprSetReshare(pl->palView, pl->sprView))
        FatalExitf("Out of memory for sprite\n");
    pl->palInUse = pl->palView;
}

static const int requiredSprites[][2] = {
    {5000, 0}, {5000, 10}, {5000, 20}, {5001, 0}, {5001, 10}, {5001, 20}, {5002, 0}, {5002, 10}, {5002, 20},
    {5010, 0}, {5010, 10}, {5010, 20}, {5011, 0}, {5011, 10}, {5011, 20}, {5012, 0}, {5012, 10}, {5012, 20},
    {5020, 0}, {5020, 10}, {5020, 20},
    {5030, 0}, {5030, 10}, {5030, 20}, {5030, 30}, {5030, 40}, {5030, 50},
    {5031, 0}, {5031, 10}, {5031, 20}, {5031, 30}, {5031, 40}, {5031, 50},
    {5032, 0}, {5032, 10}, {5032, 20}, {5032, 30}, {5032, 40}, {5032, 50},
    {5040, 0}, {5040, 10}, {5040, 20}, {5041, 0}, {5041, 10}, {5041, 20}, {5042, 0}, {5042, 10}, {5042, 20},
    {5060, 0}, {5060, 10}, {5061, 0}, {5061, 10}, {5062, 0}, {5062, 10},
    {5070, 0}, {5070, 10}, {5070, 20}, {5071, 0}, {5071, 10}, {5071, 20}, {5072, 0}, {5072, 10}, {5072, 20},
};

static const int requiredActions[] = {
    0, 10, 11, 12, 20, 21, 40, 41, 42, 43, 47, 100, 105, 120, 121, 122, 130, 131, 132, 140, 141, 142, 150,
    151, 152, 5000, 5001, 5002, 5005, 5006, 5007, 5010, 5011, 5012, 5015, 5016, 5017, 5020, 5021, 5022, 5025,
    5026, 5027, 5030, 5040, 5050, 5070, 5080, 5090, 5100, 5160, 5170, 5110, 5120, 5200, 5210, 5300,
};

// Adds one missing item to a list that shows the first few.
static void MissingAdd(std::string *text, int *count, const char *item)
{
    if (*count < PLAYER_REQUIRED_SHOWN) {
        if (*count)
            *text += ", ";
        *text += item;
    } else if (*count == PLAYER_REQUIRED_SHOWN) {
        *text += " (more)";
    }
    (*count)++;
}

static void WarnText(const std::string &text)
{
    WarnLogText(text.c_str());
}

void PlayerRequiredCheck(Player *pl)
{
    CharData *cd = pl->charData;
    if (!cd)
        return;
    char item[32];
    char head[128];
    std::string text;
    int count = 0;
    for (const auto &s : requiredSprites) {
        if (SprSetFindImage(cd->spr, s[0], s[1]) >= 0)
            continue;
        snprintf(item, sizeof item, "%i,%i", s[0], s[1]);
        MissingAdd(&text, &count, item);
    }
    if (count) {
        snprintf(head, sizeof head, "%s (%i) missing required sprites:\n", pl->name, pl->id);
        WarnText(head + text + "\n");
    }
    text.clear();
    count = 0;
    for (int a : requiredActions) {
        if (cd->anims && AnimSetFindAction(cd->anims, 0, a) >= 0)
            continue;
        snprintf(item, sizeof item, "%i", a);
        MissingAdd(&text, &count, item);
    }
    if (count) {
        snprintf(head, sizeof head, "%s (%i) missing required animation actions:\n", pl->name, pl->id);
        WarnText(head + text + "\n");
    }
}

Player *PlayerPowerOwner(Player *pl)
{
    if (pl && (pl->side == 1 || pl->side == 2)) {
        Player *first = PlayerSlotGet(pl->side);
        if (first)
            return first;
    }
    return pl;
}

void PlayerRoundInit(Player *pl)
{
    CharData *cd = pl->charData;
    if (!cd)
        return;
    // A round starts without the helpers of the round before.
    for (int s = GAME_MAIN_SLOTS + 1; !pl->isHelper && gv->players && s <= gv->playerSlotCount; s++) {
        Player *h = gv->players[s];
        if (h && h->enabled && h->isHelper && h->root == pl)
            HelperRemove(h);
    }
    const PlayerConst *c = &pl->consts;
    pl->frozen = 0;
    pl->alive = 1;
    pl->life = pl->lifeMax = pl->lifeShown[0] = pl->lifeShown[1] = gv->options.life * c->life / 100;
    pl->powerMax = c->power;
    pl->power = 0;
    pl->powerExtra = 0;

    pl->attackMul = (float)c->attack * 0.01f;
    pl->defenceMul = 100.0f / (float)(c->defence > 0 ? c->defence : 100);
    pl->facing = 1;
    pl->facingWords[0] = 0;
    pl->facingWords[1] = 1;
    pl->velX = pl->velY = pl->velZ = 0.0f;
    memset(pl->motionWords, 0, sizeof pl->motionWords);
    memset(pl->motionWords2, 0, sizeof pl->motionWords2);
    pl->screenBound = 1;
    pl->moveCameraX = pl->moveCameraY = pl->playerPush = 1;
    memset(pl->assertFlags, 0, sizeof pl->assertFlags);
    memset(pl->roundCounters, 0, sizeof pl->roundCounters);

    ProjListClear(pl->projList);
    ArrayClear(pl->targets);
    memset(&pl->extraVel, 0, sizeof pl->extraVel);
    pl->extraVel.decayX = pl->extraVel.decayY = 1.0f;

    KeyBufClear(&pl->keyBuf);
    CmdBufferClear(&pl->cmdBuf);
    pl->shownOnly = pl->rereadKeys = pl->noInput = 0;
    pl->cmdSet = &cd->cmds;
    CmdActiveClear(&pl->cmdFlags);
    CmdTimesClear(&pl->cmdFlags);
    KeyBufSetFacing(&pl->keyBuf, 0);

    PlayerStateBlock *st = &pl->state;
    st->customList = nullptr;
    st->customOwnerId = -1;
    st->stateNo = st->prevStateNo = 0;
    memset(st->persist, 0, sizeof st->persist);
    st->time = 0;
    st->stateType = 1;
    st->moveType = 0;
    st->physics = 1;
    st->ctrl = 1;
    st->hitPauseTime = 0;
    st->moveContact = st->moveContactTicks = 0;
    pl->projContactKind = pl->projContactId = pl->projContactTicks = 0;
    pl->guarding = 0;
    pl->idleTicks = 0;
    memset(pl->hitPauseTimers, 0, sizeof pl->hitPauseTimers);
    pl->canBeFrozen = 1;
    memset(pl->stateCounters, 0, sizeof pl->stateCounters);
    pl->exists = 1;
    // No tick has run this player's states yet, not even tick 0.
    pl->lastRunTick = -1;

    int ip = c->intPersistIndex < 0 ? 0 : c->intPersistIndex > PLAYER_VAR_COUNT ? PLAYER_VAR_COUNT : c->intPersistIndex;
    int fp = c->floatPersistIndex < 0 ? 0 : c->floatPersistIndex > PLAYER_FVAR_COUNT ? PLAYER_FVAR_COUNT
                                                                                      : c->floatPersistIndex;
    memset(pl->var, 0, sizeof(int) * (size_t)ip);
    memset(pl->fvar, 0, sizeof(float) * (size_t)fp);
    memset(pl->sysVar, 0, sizeof pl->sysVar);
    memset(pl->sysFvar, 0, sizeof pl->sysFvar);

    PlayerGetHit *gh = &pl->getHit;
    int *serials = gh->lastHitSerial, *words = gh->slotWord;
    memset(gh, 0, sizeof *gh);
    gh->lastHitSerial = serials;
    gh->slotWord = words;
    gh->hitByMask[0] = gh->hitByMask[1] = 4095;
    gh->fallRecover = 0.35f;
    gh->lieTime = c->liedownTime;
    gh->hitVelMarkX = -32760.0f;
    gh->hitVelMarkY = -4.5f;
    for (int i = 0; i <= gv->playerSlotCount; i++) {
        serials[i] = -1;
        words[i] = 0;
    }
    // Nothing of a hit or a hold carries into the round.
    memset(pl->hitOverride, 0, sizeof pl->hitOverride);
    pl->pendingDamage = pl->pendingHitPause = pl->pendingFacing = 0;
    pl->pendingOffX = pl->pendingOffY = pl->pendingOffZ = 0.0f;
    memset(pl->pauseMoveTime, 0, sizeof pl->pauseMoveTime);
    pl->boundBySlot = pl->boundById = 0;
    memset(&pl->hit, 0, sizeof pl->hit);
    memset(&pl->hitDef, 0, sizeof pl->hitDef);
    pl->juggleCost = pl->hitCombo = pl->hitLock = pl->lastHitAttr = 0;
    pl->cornerPush = 0.0f;

    pl->zScale = 1.0f;
    pl->drawScaleX = pl->drawScaleY = 1.0f;
    pl->screenPosMark = -32000;
    pl->transKind = -1;
    pl->transSrc = 256;
    pl->transDst = 0;
    pl->angle = 0.0f;
    pl->angleDraw = 0;
    pl->visible = 1;
    AfterImagePlayerRelease(pl);
    pl->animOverride = nullptr;
    pl->animOwn = cd->anims;
    pl->anim->set = cd->anims;
    AnimObjChangeAction(pl->anim, 0, 0);
    AnimObjRestart(pl->anim);

    PalFxInit(&pl->palFx);
    AIPlayerReset(pl);
    memset(&pl->bindTo, 0, sizeof pl->bindTo);
    pl->opponent = nullptr;
    pl->companion = nullptr;
    TextBufClear(pl->clipboard);
}

static int CountEnabled()
{
    int n = 0;
    for (int s = 1; s <= gv->playerSlotCount; s++)
        if (gv->players[s] && gv->players[s]->enabled)
            n++;
    return n;
}

void PlayerEnableSet(int slot, int on)
{
    on = on ? 1 : 0;
    Player *pl = PlayerSlotGet(slot);
    if (!gv->players || slot < 0 || slot > gv->playerSlotCount || !pl)
        FatalExitf("PlayerEnableSet: pidx out of range %i %i", slot, pl != nullptr);
    int counted = CountEnabled();
    if (counted != gv->enabledCount)
        FatalExitf("PlayerEnableSet: count does not match enabled %i != %i", gv->enabledCount, counted);
    if (pl->enabled == on)
        return;
    if (on) {
        if (gv->enabledCount == 0) {
            gv->enabledFirst = gv->enabledLast = slot;
        } else {
            gv->enabledFirst = MinInt(gv->enabledFirst, slot);
            gv->enabledLast = MaxInt(gv->enabledLast, slot);
        }
        gv->enabledCount++;
    } else {
        if (gv->enabledCount == 1) {
            gv->enabledFirst = 0;
            gv->enabledLast = -1;
        } else {
            if (slot == gv->enabledFirst) {
                int s = slot + 1;
                while (s <= gv->playerSlotCount && !(gv->players[s] && gv->players[s]->enabled))
                    s++;
                gv->enabledFirst = s;
            }
            if (slot == gv->enabledLast) {
                int s = slot - 1;
                while (s > 0 && !(gv->players[s] && gv->players[s]->enabled))
                    s--;
                gv->enabledLast = s;
            }
        }
        gv->enabledCount--;
    }
    if (gv->enabledCount < 0 || gv->enabledCount > gv->playerSlotCount)
        FatalExitf("PlayerEnableSet: out of range %i %i", gv->enabledCount, gv->playerSlotCount);
    pl->enabled = on;
    counted = CountEnabled();
    if (counted != gv->enabledCount)
        FatalExitf("PlayerEnableSet end: count does not match enabled %i != %i", gv->enabledCount, counted);
}

void PlayerFree(Player *pl)
{
    if (!pl)
        return;
    // What the player learned goes back to its character; samples that find
    // no room there are dropped.
    if (pl->ai.learning && pl->ai.info && pl->charData && pl->charData->ai)
        AIInfoMerge(pl->charData->ai, pl->ai.info);
    AIPlayerFree(pl);
    // A helper's own palettes are listed under its parent's groups: the list
    // must not keep them once the view goes.
    if (pl->helperOwnPal && pl->sprView)
        PalListRemovePals(pl->sprView->pals);
    TextBufFree(pl->clipboard);
    ArrayFree(pl->targets);
    ProjListFree(pl->projList);
    AfterImagePlayerRelease(pl);
    SprSetFree(pl->palView);
    SprSetFree(pl->sprView);
    AnimObjFree(pl->anim);
    MemFree(pl->getHit.lastHitSerial);
    MemFree(pl->getHit.slotWord);
    MemFree(pl);
}

// Takes the player out of another player's target list. Nothing is released
// into a state: the player is going away.
static void TargetEntriesRemove(Player *holder, const Player *pl)
{
    Array *t = holder->targets;
    if (!t)
        return;
    for (int i = 0; i < t->capacity; i++)
        if (t->slots[i].used && ((PlayerTarget *)ArrayAt(t, i))->target == pl)
            ArrayRemove(t, i);
}

// Leaves the other player's states it runs: its own list, commands and
// actions again.
static void CustomStatesLeave(Player *q)
{
    q->state.customList = nullptr;
    q->state.customOwnerId = -1;
    if (q->charData)
        q->cmdSet = &q->charData->cmds;
    CmdActiveClear(&q->cmdFlags);
    q->animOverride = nullptr;
}

void PlayerReferencesDrop(Player *gone)
{
    if (!gv || !gv->players || !gone)
        return;
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *q = gv->players[s];
        if (!q || q == gone)
            continue;
        // A disabled player may still hold it, and would read it once freed.
        TargetEntriesRemove(q, gone);
        if (q->opponent == gone)
            q->opponent = nullptr;
        if (q->companion == gone)
            q->companion = nullptr;
        if (q->lastOpponent == gone)
            q->lastOpponent = nullptr;
        if (q->getHit.lastHitter == gone)
            q->getHit.lastHitter = nullptr;
        if (q->bindTo.time != 0 && q->bindTo.slot == gone->slot && q->bindTo.id == gone->id)
            memset(&q->bindTo, 0, sizeof q->bindTo);
        if (q->boundBySlot == gone->slot && q->boundById == gone->id)
            q->boundBySlot = q->boundById = 0;
        if (q->state.customList && q->state.customOwnerId == gone->id)
            CustomStatesLeave(q);
    }
}

int PlayerDestroy(Player *pl)
{
    ExplodRemoveById(gv->explods, pl->id, -1);
    PlayerTargetsDrop(pl, nullptr);
    // The family is collected first: removing a helper changes what is
    // enabled while the slots are walked.
    std::vector<Player *> family;
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *q = gv->players[s];
        if (q && q != pl && q->enabled && q->root == pl)
            family.push_back(q);
    }
    for (Player *h : family) {
        ExplodRemoveById(gv->explods, h->id, -1);
        HelperRemove(h);
    }
    AfterImagePlayerRelease(pl);
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *q = gv->players[s];
        if (q && q != pl && q->enabled && pl->charData && q->animOverride == pl->charData->anims)
            q->animOverride = nullptr;
    }
    PlayerReferencesDrop(pl);
    return 1;
}

// ---------------------------------------------------------------- persistent variables

static PlayerPersist *PersistBlock(int team, int entry, int member)
{
    if (team < 0 || team > 1 || entry < 0 || entry >= TEAM_ENTRY_MAX || member < 0 || member >= TEAM_MEMBER_MAX)
        return nullptr;
    return &gv->persist[team][entry][member];
}

void PlayerPersistClear(PlayerPersist *block)
{
    memset(block, 0, sizeof *block);
}

void PlayerPersistClearAll()
{
    memset(gv->persist, 0, sizeof gv->persist);
}

void PlayerPersistClearTeam(int team)
{
    if (team < 0 || team > 1)
        return;
    memset(gv->persist[team], 0, sizeof gv->persist[team]);
}

static void PersistRange(const Player *pl, int *ip, int *fp)
{
    *ip = pl->consts.intPersistIndex < 0 ? 0 : MinInt(pl->consts.intPersistIndex, PLAYER_VAR_COUNT);
    *fp = pl->consts.floatPersistIndex < 0 ? 0 : MinInt(pl->consts.floatPersistIndex, PLAYER_FVAR_COUNT);
}

void PlayerPersistSave(const Player *pl, PlayerPersist *block)
{
    int ip, fp;
    PersistRange(pl, &ip, &fp);
    PlayerPersistClear(block);
    memcpy(block->var + ip, pl->var + ip, sizeof(int) * (size_t)(PLAYER_VAR_COUNT - ip));
    memcpy(block->fvar + fp, pl->fvar + fp, sizeof(float) * (size_t)(PLAYER_FVAR_COUNT - fp));
}

void PlayerPersistLoad(Player *pl, const PlayerPersist *block)
{
    int ip, fp;
    PersistRange(pl, &ip, &fp);
    memcpy(pl->var + ip, block->var + ip, sizeof(int) * (size_t)(PLAYER_VAR_COUNT - ip));
    memcpy(pl->fvar + fp, block->fvar + fp, sizeof(float) * (size_t)(PLAYER_FVAR_COUNT - fp));
}

// ---------------------------------------------------------------- sides and teams

static TeamEntry *CurrentEntry(int side)
{
    if (side != 1 && side != 2)
        return nullptr;
    return TeamCurrentEntry(&gv->teams[side - 1]);
}

static int MemberCount(const TeamEntry *entry)
{
    return entry->memberCount < 0 ? 0 : MinInt(entry->memberCount, 3);
}

int PlayersCreateSide(int side)
{
    TeamEntry *entry = CurrentEntry(side);
    LIB_ASSERT(entry);
    int members = MemberCount(entry);
    for (int m = 0; m < members; m++) {
        const TeamMember *mem = &entry->members[m];
        if (mem->charIndex < 0)
            continue;
        LIB_ASSERT(mem->slot >= 1 && mem->slot <= GAME_MAIN_SLOTS);
        int start = TimerTicksGet();
        CharData *cd = PlayerCacheLoad(mem->charIndex);
        if (!cd) {
            GameErrorAppend("\nError loading p%i", mem->slot);
            return 0;
        }
        gv->slotChar[mem->slot] = cd;
        gv->loadTicks[mem->slot] = TimerTicksGet() - start;
    }
    int team = side - 1;
    for (int m = 0; m < members; m++) {
        const TeamMember *mem = &entry->members[m];
        if (mem->charIndex < 0)
            continue;
        int slot = mem->slot;
        LIB_ASSERT(slot >= 1 && slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount);
        LIB_ASSERT(!gv->players[slot] && gv->slotChar[slot]);
        Player *pl = PlayerNew(gv->slotChar[slot]);
        if (!pl) {
            if (!gv->errorText[0])
                GameErrorSet("Can't create player %i", slot);
            return 0;
        }
        gv->players[slot] = pl;
        pl->slot = slot;
        pl->teamIndex = team;
        pl->side = side;
        pl->teamEntry = gv->teams[team].current;
        pl->memberIndex = m;
        PlayerPersist *block = PersistBlock(team, pl->teamEntry, m);
        if (block)
            PlayerPersistLoad(pl, block);
        pl->keyConfig = mem->keySet >= 0 && mem->keySet < 2 ? &gv->playKeys[mem->keySet] : nullptr;
        pl->aiControlled = mem->ai;
        PlayerSprRequire(pl, mem->palNo);
        pl->palNo = mem->palNo;
        PlayerEnableSet(slot, 1);
    }
    for (int m = 0; m < members; m++) {
        Player *pl = entry->members[m].charIndex >= 0 ? PlayerSlotGet(entry->members[m].slot) : nullptr;
        if (!pl)
            continue;
        PlayerRequiredCheck(pl);
        pl->palMask = PalGroupMaskMake(1u << pl->slot, 0);
    }
    return 1;
}

int PlayersDestroySide(int side)
{
    TeamEntry *entry = CurrentEntry(side);
    LIB_ASSERT(entry);
    for (int m = 0; m < MemberCount(entry); m++) {
        int slot = entry->members[m].slot;
        Player *pl = PlayerSlotGet(slot);
        if (!pl || slot > GAME_MAIN_SLOTS)
            continue;
        PlayerEnableSet(slot, 0);
        if (pl->teamIndex >= 0) {
            PlayerPersist *block = PersistBlock(pl->teamIndex, pl->teamEntry, pl->memberIndex);
            if (block)
                PlayerPersistSave(pl, block);
        }
        PlayerDestroy(pl);
        // The palette list must not keep pointers into the freed views.
        if (PalGroupMaskAny(pl->palMask))
            PalListRemove(pl->palMask);
        int charIndex = pl->charData ? pl->charData->selIndex : -1;
        PlayerFree(pl);
        if (charIndex >= 0)
            PlayerCacheRelease(charIndex, 0);
        gv->players[slot] = nullptr;
        gv->slotChar[slot] = nullptr;
    }
    return 1;
}

void PlayersRebuildSide(int side)
{
    TeamEntry *entry = CurrentEntry(side);
    LIB_ASSERT(entry && entry->memberCount >= 1);
    PalListFree();
    Player *first = PlayerSlotGet(side);
    int power = first ? first->power : 0;
    if (!PlayersDestroySide(side) || !PlayersCreateSide(side))
        FatalExit();
    first = PlayerSlotGet(side);
    if (first) {
        first->power = power;
        first->powerExtra = power;
    }
    PalListRebuild();
    gv->sideEntry[side - 1] = *entry;
    if (gv->demo || gv->watch) {
        for (int m = 0; m < MemberCount(entry); m++) {
            Player *pl = entry->members[m].charIndex >= 0 ? PlayerSlotGet(entry->members[m].slot) : nullptr;
            if (pl)
                pl->aiControlled = 1;
        }
    }
}

void TeamAIEnableAll()
{
    for (int side = 1; side <= 2; side++) {
        TeamEntry *entry = CurrentEntry(side);
        if (!entry)
            continue;
        for (int m = 0; m < MemberCount(entry); m++) {
            Player *pl = entry->members[m].charIndex >= 0 ? PlayerSlotGet(entry->members[m].slot) : nullptr;
            if (pl)
                pl->aiControlled = 1;
        }
    }
}

void TeamOrderFromKeys(int side)
{
    if (side != 1 && side != 2)
        return;
    TeamInfo *team = &gv->teams[side - 1];
    int entryCount = MinInt(team->entryCount, TEAM_ENTRY_MAX);
    int n = entryCount - team->current;
    if (team->current < 0 || n < 2 || team->entries[team->current].orderFixed)
        return;
    int keySet = team->entries[team->current].members[0].keySet;
    if (keySet < 0 || keySet > 1)
        return;
    const KeyConfig *cfg = &gv->playKeys[keySet];
    int rot = 0;
    if (InputStateGet(cfg->key[KEYBUF_BACK]))
        rot = -1;
    if (InputStateGet(cfg->key[KEYBUF_FWD]))
        rot = 1;
    if (side == 2)
        rot = -rot;
    if (n == 4 && InputStateGet(cfg->key[KEYBUF_UP]))
        rot = 2;
    rot = ((rot % n) + n) % n;
    if (rot == 0)
        return;
    TeamEntry entries[TEAM_ENTRY_MAX];
    PlayerPersist blocks[TEAM_ENTRY_MAX][TEAM_MEMBER_MAX];
    int c = team->current;
    for (int i = 0; i < n; i++) {
        entries[i] = team->entries[c + (i + rot) % n];
        memcpy(blocks[i], gv->persist[side - 1][c + (i + rot) % n], sizeof blocks[i]);
    }
    for (int i = 0; i < n; i++) {
        team->entries[c + i] = entries[i];
        memcpy(gv->persist[side - 1][c + i], blocks[i], sizeof blocks[i]);
    }
}
