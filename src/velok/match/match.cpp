// Stage file and match loading: the stage, both sides' players and team sprites, the match and round set-up, the step to the next member, and freeing a match.
#include "velok/match/match.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/font.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/timer.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "lib/vfile.h"
#include "music/bgm.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/sound.h"
#include "velok/match/camera.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/lifebar.h"
#include "velok/player/afterimg.h"
#include "velok/player/charpal.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/precache.h"

enum { STAGE_PATH_LEN = 1024 };

static PalGroupMask BgMask()
{
    return PalGroupMaskMake(PAL_GROUP_BG, 0);
}

static void StageBgFree()
{
    if (!gv->stageBg)
        return;
    // The palette list must not keep pointers into the freed sprite set.
    PalListRemove(BgMask());
    BGFree(gv->stageBg);
    gv->stageBg = nullptr;
}

// ---------------------------------------------------------------- stage file

static int Facing(int v)
{
    // Anything but -1 and 1 by its sign (0 counts as right): a placed player
    // is turned only when its facing differs.
    return v < 0 ? -1 : 1;
}

static void StageZero()
{
    memset(&gv->stage, 0, sizeof gv->stage);
    gv->stageLeftBound = gv->stageRightBound = 0.0f;
    gv->stageZTop = gv->stageZBottom = 0.0f;
    gv->stageScaleZTop = gv->stageScaleZBottom = 0.0f;
    gv->stageScaleTop = gv->stageScaleBottom = 0.0f;
    gv->stageScreenLeft = gv->stageScreenRight = 0;
    gv->stageZOffset = 0;
    gv->stageAutoTurn = 0;
    gv->stageShadowColour = gv->stageShadowIntensity = 0;
    gv->stageShadowYScale = 0.0f;
    gv->stageShadowFadeLow = gv->stageShadowFadeHigh = 0;
    gv->stageReflect = 0;
}

static void IntKey(TxtParseFile *tp, const char *key, int *out, int dflt)
{
    *out = dflt;
    TxtParseIntGet(tp, key, out);
}

static void FloatKey(TxtParseFile *tp, const char *key, float *out, float dflt)
{
    *out = dflt;
    TxtParseFloatGet(tp, key, out);
}

// Each group reader: 1, or 0 with the message in the game error text.
static int CameraRead(TxtParseFile *tp, const char *path)
{
    StageVars &st = gv->stage;
    if (TxtParseGroupSet(tp, "Camera") < 0) {
        GameErrorSet("Missing camera info: %s", path);
        return 0;
    }
    IntKey(tp, "startx", &st.startX, 0);
    IntKey(tp, "starty", &st.startY, 0);
    IntKey(tp, "boundleft", &st.boundLeft, -75);
    IntKey(tp, "boundright", &st.boundRight, 75);
    IntKey(tp, "boundhigh", &st.boundHigh, -25);
    IntKey(tp, "boundlow", &st.boundLow, 0);
    IntKey(tp, "tension", &st.tension, 50);
    IntKey(tp, "floortension", &st.floorTension, 0);
    FloatKey(tp, "verticalfollow", &st.verticalFollow, 0.2f);
    return 1;
}

static int PlayerInfoRead(TxtParseFile *tp, const char *path)
{
    StageVars &st = gv->stage;
    if (TxtParseGroupSet(tp, "PlayerInfo") < 0) {
        GameErrorSet("Missing player info: %s", path);
        return 0;
    }
    int bounds[4];
    int *keys[12] = {&st.playerX[0], &st.playerY[0], &st.playerZ[0], &st.playerFacing[0],
                     &st.playerX[1], &st.playerY[1], &st.playerZ[1], &st.playerFacing[1],
                     &bounds[0],     &bounds[1],     &bounds[2],     &bounds[3]};
    static const char *names[12] = {"p1startx", "p1starty", "p1startz", "p1facing", "p2startx",   "p2starty",
                                    "p2startz", "p2facing", "leftbound", "rightbound", "topbound", "botbound"};
    for (int i = 0; i < 12; i++) {
        if (!TxtParseIntGet(tp, names[i], keys[i])) {
            GameErrorSet("Can't read player info: %s", path);
            return 0;
        }
    }
    for (int p = 0; p < 2; p++) {
        st.playerFacing[p] = Facing(st.playerFacing[p]);
        // Players 3 and 4 stand 25 pixels behind their partners (held in the
        // int range: the file's positions may lie at its ends).
        int64_t x = (int64_t)st.playerX[p] + (p == 0 ? -25 : 25);
        st.playerX[p + 2] = (int)(x < INT_MIN ? INT_MIN : x > INT_MAX ? INT_MAX : x);
        st.playerY[p + 2] = st.playerY[p];
        st.playerZ[p + 2] = st.playerZ[p];
        st.playerFacing[p + 2] = st.playerFacing[p];
    }
    gv->stageLeftBound = (float)bounds[0];
    gv->stageRightBound = (float)bounds[1];
    gv->stageZTop = (float)bounds[2];
    gv->stageZBottom = (float)bounds[3];
    return 1;
}

static int ScalingRead(TxtParseFile *tp, const char *path)
{
    if (TxtParseGroupSet(tp, "Scaling") < 0) {
        GameErrorSet("Missing scaling info: %s", path);
        return 0;
    }
    int topZ, botZ;
    float topScale, botScale;
    if (!TxtParseIntGet(tp, "topz", &topZ) || !TxtParseIntGet(tp, "botz", &botZ) ||
        !TxtParseFloatGet(tp, "topscale", &topScale) || !TxtParseFloatGet(tp, "botscale", &botScale)) {
        GameErrorSet("Can't read scaling info: %s", path);
        return 0;
    }
    if (topZ == botZ)
        botScale += 1.0f;
    gv->stageScaleZTop = (float)topZ;
    gv->stageScaleZBottom = (float)botZ;
    gv->stageScaleTop = topScale;
    gv->stageScaleBottom = botScale;
    return 1;
}

static int BoundRead(TxtParseFile *tp, const char *path)
{
    if (TxtParseGroupSet(tp, "Bound") < 0) {
        GameErrorSet("Missing bound info: %s", path);
        return 0;
    }
    if (!TxtParseIntGet(tp, "screenleft", &gv->stageScreenLeft) ||
        !TxtParseIntGet(tp, "screenright", &gv->stageScreenRight)) {
        GameErrorSet("Can't read bound info: %s", path);
        return 0;
    }
    return 1;
}

static int StageInfoRead(TxtParseFile *tp, const char *path)
{
    StageVars &st = gv->stage;
    if (TxtParseGroupSet(tp, "StageInfo") < 0) {
        GameErrorSet("Missing stage info: %s", path);
        return 0;
    }
    IntKey(tp, "zoffset", &st.zOffset, 190);
    IntKey(tp, "zoffsetlink", &st.zOffsetLink, -1);
    IntKey(tp, "autoturn", &gv->stageAutoTurn, 0);
    IntKey(tp, "resetbg", &st.resetBg, 1);
    gv->stageZOffset = st.zOffset;
    return 1;
}

// [Shadow] and [Reflection] are optional: without them the defaults hold.
static void ShadowRead(TxtParseFile *tp)
{
    int rgb[3] = {0, 0, 0};
    gv->stageShadowIntensity = 128;
    gv->stageShadowYScale = 0.4f;
    gv->stageShadowFadeLow = gv->stageShadowFadeHigh = 0;
    if (TxtParseGroupSet(tp, "Shadow") >= 0) {
        TxtParseScan(tp, "color", "%i,%i,%i", &rgb[0], &rgb[1], &rgb[2]);
        TxtParseIntGet(tp, "intensity", &gv->stageShadowIntensity);
        TxtParseFloatGet(tp, "yscale", &gv->stageShadowYScale);
        TxtParseScan(tp, "fade.range", "%i,%i", &gv->stageShadowFadeLow, &gv->stageShadowFadeHigh);
    }
    gv->stageShadowColour = PalColor565(rgb[0], rgb[1], rgb[2]);
    gv->stageReflect = 0;
    if (TxtParseGroupSet(tp, "Reflection") >= 0)
        TxtParseIntGet(tp, "intensity", &gv->stageReflect);
}

// [Music], read only while sound is on; the match's own music wins. 0 when
// the music cannot be opened (a file that is not music).
static int MusicRead(TxtParseFile *tp)
{
    StageVars &st = gv->stage;
    if (!SoundOn())
        return 1;
    if (gv->stageMusicFile[0]) {
        StrCopy(st.music, sizeof st.music, gv->stageMusicFile);
    } else if (TxtParseGroupSet(tp, "Music") >= 0) {
        const char *music = TxtParseValueGet(tp, "bgmusic");
        if (music && *music) {
            StrCopy(st.music, sizeof st.music, music);
            TxtParseIntGet(tp, "bgvolume", &st.musicVolume);
        }
    }
    if (gv->demo && !gv->demoCfg.playBgm)
        return 1;
    gv->stageBgm.volume = st.musicVolume;
    // Opened only: the mode loop starts it once the match is set up.
    return BGMOpen(&gv->stageBgm, st.music, 1);
}

static bool SprBeginsWithStages(const char *spr)
{
    return strncasecmp(spr, "stages/", 7) == 0 || strncasecmp(spr, "stages\\", 7) == 0;
}

static int BackgroundRead(const char *path)
{
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        GameErrorSet("\nError opening %s", path);
        return 0;
    }
    char dir[STAGE_PATH_LEN];
    PathSplit(path, dir, sizeof dir, nullptr, 0);
    if (TxtParseGroupSet(tp, "BGdef") >= 0) {
        const char *spr = TxtParseValueGet(tp, "spr");
        // A path from the program's directory; any other beside the stage.
        if (spr && SprBeginsWithStages(spr))
            dir[0] = 0;
    }
    int start = TimerTicksGet();
    gv->stageBg = BGLoad(tp, dir, "BG", nullptr, nullptr);
    gv->loadTimeBg = TimerTicksGet() - start;
    TxtParseClose(tp);
    if (!gv->stageBg) {
        GameErrorSet("%s\nBG error reading %s", LibErrorMsg, path);
        return 0;
    }
    gv->stage.groundElem = BGFindElemById(gv->stageBg, gv->stage.zOffsetLink);
    return 1;
}

static int HelpersCreate()
{
    int helperMax = gv->cfg.engine.helperMax > 0 ? gv->cfg.engine.helperMax : 0;
    int count = GAME_MAIN_SLOTS + helperMax;
    if (!gv->players || gv->playerSlotCount != count) {
        for (int s = 1; gv->players && s <= gv->playerSlotCount; s++)
            LIB_ASSERT(!gv->players[s]);
        if (!PlayerSlotsCreate(helperMax)) {
            GameErrorSet("Out of memory for players.");
            return 0;
        }
    }
    for (int slot = GAME_MAIN_SLOTS + 1; slot <= count; slot++) {
        LIB_ASSERT(!gv->players[slot]);
        Player *pl = PlayerNew(nullptr);
        if (!pl) {
            GameErrorAppend("\nCan't create helper characters");
            return 0;
        }
        pl->slot = slot;
        int bit = slot - 1;
        pl->palMask = PalGroupMaskMake(1u << (bit % 32), bit <= 31 ? 1 : 2);
        gv->players[slot] = pl;
    }
    return 1;
}

int StageLoad()
{
    const char *path = gv->stageFile;
    StageBgFree();
    StageZero();
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        GameErrorSet("Can't open stage: %s", path);
        return 0;
    }
    int ok = CameraRead(tp, path) && PlayerInfoRead(tp, path) && ScalingRead(tp, path) && BoundRead(tp, path) &&
             StageInfoRead(tp, path);
    if (ok) {
        ShadowRead(tp);
        ok = MusicRead(tp);
    }
    TxtParseClose(tp);
    if (!ok || !BackgroundRead(path))
        return 0;

    gv->playerIdCounter = 0;
    gv->teams[0].current = gv->teams[1].current = 0;
    if (!HelpersCreate())
        return 0;
    gv->debugPlayer = gv->cfg.debug.debug ? 1 : 0;
    return 1;
}

// ---------------------------------------------------------------- freeing

// The player of a slot goes: its persistent variables into its side's block,
// its palettes out of the list, its own character entry released once.
static void SlotFree(int slot)
{
    Player *pl = gv->players[slot];
    if (!pl)
        return;
    if (pl->enabled)
        PlayerEnableSet(slot, 0);
    int charIndex = -1;
    if (slot <= GAME_MAIN_SLOTS && pl->charData && !pl->isHelper) {
        charIndex = pl->charData->selIndex;
        int t = pl->teamIndex, e = pl->teamEntry, m = pl->memberIndex;
        if (t >= 0 && t < 2 && e >= 0 && e < TEAM_ENTRY_MAX && m >= 0 && m < TEAM_MEMBER_MAX)
            PlayerPersistSave(pl, &gv->persist[t][e][m]);
    }
    if (PalGroupMaskAny(pl->palMask))
        PalListRemove(pl->palMask);
    PlayerFree(pl);
    if (charIndex >= 0)
        PlayerCacheRelease(charIndex, 0);
    gv->players[slot] = nullptr;
    if (slot <= GAME_MAIN_SLOTS)
        gv->slotChar[slot] = nullptr;
}

void MatchPlayersFree()
{
    // Players go away only while no character loads beside them.
    PrecacheWait();
    BGMStop(&gv->stageBgm);
    for (int slot = 1; gv->players && slot <= gv->playerSlotCount; slot++)
        SlotFree(slot);
    StageBgFree();
}

// ---------------------------------------------------------------- match and round set-up

static TeamEntry *SideFighters(int side)
{
    return &gv->sideEntry[side - 1];
}

int MatchTeamsSetup(int side)
{
    // Players left from an earlier fight of this match (a rematch) are made again.
    for (int s = 1; s <= 2; s++) {
        SlotFree(s);
        SlotFree(s + 2);
    }
    if (side == 1 || side == 2)
        PlayerPersistClearTeam(side - 1);
    else
        PlayerPersistClearAll();
    for (int s = 1; s <= 2; s++) {
        TeamOrderFromKeys(s);
        if (!PlayersCreateSide(s))
            return 0;
        TeamEntry *entry = TeamCurrentEntry(&gv->teams[s - 1]);
        LIB_ASSERT(entry);
        gv->sideEntry[s - 1] = *entry;
        gv->loadTimePlayer[s - 1] = gv->loadTicks[s];
    }
    PalListRebuild();

    MatchSide *sd = gv->side;
    const TeamInfo *teams = gv->teams;
    for (int s = 0; s < 2; s++) {
        sd[s].lifeFactor = 1.0f;
        sd[s].regainBase = 0;
        sd[s].regainA = sd[s].regainB = 0.0f;
        sd[s].lifeReset = 1;
        sd[s].roundsToWin = gv->fightRound.matchWins;
        sd[s].drawsAllowed = gv->fightRound.maxDrawGames;
    }
    if (teams[0].entryCount > 1 || teams[1].entryCount > 1) {
        for (int s = 0; s < 2; s++) {
            sd[s].regainBase = 125;
            sd[s].regainA = 275.0f;
            sd[s].regainB = 0.6f;
            sd[s].lifeReset = 0;
            sd[s].drawsAllowed = 0;
            if (teams[1 - s].entryCount > 1)
                sd[s].roundsToWin = teams[1 - s].entryCount;
        }
    }
    // Balance: more fighters per round to win get less life each.
    float ratio[2];
    for (int s = 0; s < 2; s++) {
        int rounds = sd[s].roundsToWin > 0 ? sd[s].roundsToWin : 1;
        ratio[s] = (float)teams[s].entries[0].memberCount / (float)rounds;
    }
    if (ratio[0] > ratio[1] && ratio[0] > 0.0f)
        sd[0].lifeFactor = ratio[1] / ratio[0];
    else if (ratio[1] > ratio[0] && ratio[1] > 0.0f)
        sd[1].lifeFactor = ratio[0] / ratio[1];
    int counted = gv->survivalSide;
    if (counted == 1 || counted == 2) {
        MatchSide &c = sd[counted - 1];
        int n = teams[counted - 1].entryCount;
        c.roundsToWin = 999999;
        if (n <= 1) {
            sd[2 - counted].roundsToWin = 1;
        } else {
            c.lifeFactor = 1.0f - (float)(n - 1) * 0.1f;
            c.regainBase /= n;
            c.regainA *= 1.0f / ((float)n - 0.5f);
        }
    }
    // A match named on the command line keeps full life on both sides.
    if (gv->quickVs)
        sd[0].lifeFactor = sd[1].lifeFactor = 1.0f;

    for (int slot = 1; slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl) {
            pl->power = 0;
            pl->roundsExisted = 0;
        }
    }
    MatchRoundReset();
    RoundVars &r = gv->round;
    r.matchOver = 0;
    r.skipIntro = 0;
    r.number = 1;
    r.wins[0] = r.wins[1] = 0;
    r.draws = 0;
    for (int s = 0; s < 2; s++)
        for (int i = 0; i < WIN_ICON_SLOTS; i++)
            r.winIcon[s][i] = r.winPerfect[s][i] = -1;
    gv->shakeTime = gv->shakeCounter = 0;
    gv->shakeX = gv->shakeY = 0;
    BGReset(gv->stageBg);
    return 1;
}

void MatchPlayersPlace()
{
    for (int slot = 1; slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (!pl)
            continue;
        int i = slot - 1;
        pl->velX = pl->velY = pl->velZ = 0.0f;
        if (pl->facing != gv->stage.playerFacing[i])
            PlayerTurn(pl);
        pl->posX = (float)gv->stage.playerX[i] + 160.0f;
        pl->posY = (float)gv->stage.playerY[i];
        pl->posZ = (float)gv->stage.playerZ[i];
    }
}

static int FramesPerCount()
{
    return gv->fightRound.framesPerCount < 1 ? 1 : gv->fightRound.framesPerCount;
}

int MatchRoundTimeFull()
{
    // The counts and the frames per count come from files: held in the int range.
    int64_t ticks = ((int64_t)gv->options.time + 1) * FramesPerCount() - 1;
    return (int)(ticks > INT_MAX ? INT_MAX : ticks < INT_MIN ? INT_MIN : ticks);
}

void MatchRoundReset()
{
    SndChannelStopAll();
    RoundVars &r = gv->round;
    r.state = 0;
    r.tick = 0;
    r.introCounter = 0;
    r.overTick = 0;
    r.endKind = 0;
    r.winner = 0;
    r.counted = 0;
    r.skipEnd = 0;
    r.fightTicks = 0;
    gv->slowTime = gv->slowRate = gv->slowAccum = 0;
    r.endTick = gv->overTime;
    bool untimed = gv->matchKind == MATCH_KIND_TRAINING || gv->demo || gv->survivalSide == 1 || gv->survivalSide == 2;
    r.timeLeft = untimed ? -1 : MatchRoundTimeFull();

    for (int slot = 1; slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (!pl)
            continue;
        if (!pl->charData) {
            if (pl->enabled)
                PlayerEnableSet(slot, 0);
            continue;
        }
        int ai = pl->aiControlled, power = pl->power, life = pl->life;
        PlayerRoundInit(pl);
        PlayerStateSet(pl, 5900);
        KeyBufPollKeys(&pl->keyBuf, pl->keyConfig);
        pl->aiControlled = ai;
        pl->power = gv->demo ? pl->powerMax : power;
        if ((pl->side == 1 || pl->side == 2) && gv->side[pl->side - 1].lifeReset == 0)
            pl->life = life;
        pl->lifeShown[0] = pl->lifeShown[1] = pl->life;
    }

    for (int side = 1; side <= 2; side++) {
        const TeamEntry *f = SideFighters(side);
        float factor = gv->side[side - 1].lifeFactor;
        for (int i = 0; i < f->memberCount && i < TEAM_MEMBER_MAX; i++) {
            int slot = f->members[i].slot;
            LIB_ASSERT(slot >= 1 && slot <= GAME_MAIN_SLOTS && (slot % 2 == 1) == (side == 1));
            Player *pl = PlayerSlotGet(slot);
            if (!pl || !pl->charData)
                continue;
            pl->lifeMax = RoundToInt((double)factor * gv->options.life * pl->consts.life * 0.01);
            if (pl->life > pl->lifeMax)
                pl->life = pl->lifeMax;
            // The bars start where the life does, not above it.
            pl->lifeShown[0] = pl->lifeShown[1] = pl->life;
        }
    }

    MatchPlayersPlace();
    for (int side = 1; side <= 2; side++) {
        const TeamEntry *f = SideFighters(side);
        float sum = 0.0f;
        int n = 0;
        for (int i = 0; i < f->memberCount && i < TEAM_MEMBER_MAX; i++) {
            Player *pl = PlayerSlotGet(f->members[i].slot);
            if (!pl)
                continue;
            sum += (float)pl->life / (float)(pl->lifeMax > 0 ? pl->lifeMax : 1);
            n++;
        }
        gv->side[side - 1].standRatio = n ? sum / (float)n : 0.0f;
    }

    for (int slot = 1; slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl)
            pl->state.ctrl = 0;
    }
    for (int slot = 1; slot <= GAME_MAIN_SLOTS && slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (!pl || !pl->charData)
            continue;
        int i = slot - 1;
        if (gv->cmdAi[i] != -1)
            pl->aiControlled = gv->cmdAi[i];
        if (gv->cmdLife[i] != -1)
            pl->life = pl->lifeMax = pl->lifeShown[0] = pl->lifeShown[1] = gv->cmdLife[i];
        if (gv->cmdPower[i] != -1)
            pl->power = gv->cmdPower[i];
    }

    CameraSetPos((float)gv->stage.startX, (float)gv->stage.startY);
    gv->shakeX = gv->shakeY = 0;
    if (gv->animList)
        AnimListClear(gv->animList);
    PalFxGlobalAddSet(0, 0, 0);
    PalFxGlobalMulSet(0, 0, 0);
    for (int &f : gv->specialFlags)
        f = 0;
    if (gv->stage.resetBg)
        BGReset(gv->stageBg);
    PalFxInit(&gv->stagePalFx);
    PalFxInit(&gv->fightPalFx);
    PalFxInit(&gv->allPalFx);
    PalListFxReset();
    if (gv->afterImages)
        AfterImagePoolReset(gv->afterImages);
    ExplodListClear(gv->explods);
    ExplodListClear(gv->sysExplods);
    gv->activePause = -1;
    gv->pause[0].time = gv->pause[1].time = 0;
    gv->shakeTime = gv->shakeCounter = 0;
    ComboCounterReset(1);
    ComboCounterReset(2);
    KbllPauseSet(0);
    gv->paused = 0;
}

static void BlackFrame()
{
    if (vbufTarget.pixels)
        VbufClear(0);
    disp.skipFrame = 0;
    GameLoopFramePresent();
}

void MatchTurnsNextMember()
{
    gv->round.number++;
    // In survival the other side's team comes in again with new characters.
    int counted = gv->survivalSide;
    int redrawn = counted == 1 || counted == 2 ? 3 - counted : 0;
    for (int side = 1; side <= 2; side++) {
        TeamInfo *team = &gv->teams[side - 1];
        bool redraw = side == redrawn;
        if (!redraw && (gv->round.winner == side || team->current + 1 >= team->entryCount))
            continue;
        BlackFrame();
        if (redraw)
            TeamSetRandom(&gv->teams[counted - 1], team, side - 1, 0);
        else
            team->current++;
        TeamOrderFromKeys(side);
        PlayersRebuildSide(side);
        const TeamEntry *f = SideFighters(side);
        float factor = gv->side[side - 1].lifeFactor;
        for (int i = 0; i < f->memberCount && i < TEAM_MEMBER_MAX; i++) {
            Player *pl = PlayerSlotGet(f->members[i].slot);
            if (!pl)
                continue;
            int life = RoundToInt((double)factor * pl->consts.life);
            pl->life = pl->lifeMax = pl->lifeShown[0] = pl->lifeShown[1] = life;
        }
    }
    MatchRoundReset();
    DispFrameSkipReset();
}

int MatchReload()
{
    if (vbufTarget.pixels) {
        VbufClear(0);
        if (gv->sysFont[0])
            FontDrawTextR("Loading", gv->sysFont[0], vbufTarget.width - 1, vbufTarget.height - 1,
                          24 << 11 | 48 << 5 | 24);
        disp.skipFrame = 0;
        DispPresent();
    }
    PalListFree();
    MatchTeamSpritesFree();
    MatchPlayersFree();
    PlayerPersistClearAll();
    PlayerCacheFlush();
    int start = TimerTicksGet();
    if (!StageLoad())
        return 0;
    MatchTeamSpritesLoad();
    int ok = MatchTeamsSetup(0);
    gv->loadTimeTotal = TimerTicksGet() - start;
    return ok;
}

// ---------------------------------------------------------------- team sprites

SprSet *MatchMemberSpritesLoad(int charIndex, const int *list)
{
    if (!gv->charList || charIndex < 0 || charIndex >= gv->charCount)
        return nullptr;
    const CharInfo *e = &gv->charList[charIndex];
    char sprite[STAGE_PATH_LEN] = "";
    if (FileTypeFromExt(e->dir) == FILETYPE_ZIP) {
        VFile *vf = VFileOpenZip(e->dir, e->defFile);
        if (!vf)
            return nullptr;
        TxtParseFile *tp = vf->start ? TxtParseOpenVfile(vf) : nullptr;
        const char *name = tp && TxtParseGroupSet(tp, "Files") >= 0 ? TxtParseValueGet(tp, "sprite") : nullptr;
        if (name)
            StrCopy(sprite, sizeof sprite, name);
        TxtParseClose(tp);
        SprSet *set = nullptr;
        if (sprite[0] && VFileZipLoad(vf, sprite))
            set = SprLoadSelectedStream(vf, list);
        VFileClose(vf);
        return set;
    }
    char path[STAGE_PATH_LEN];
    PathJoin(path, sizeof path, e->dir, e->defFile);
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp)
        return nullptr;
    const char *name = TxtParseGroupSet(tp, "Files") >= 0 ? TxtParseValueGet(tp, "sprite") : nullptr;
    if (name)
        StrCopy(sprite, sizeof sprite, name);
    TxtParseClose(tp);
    if (!sprite[0])
        return nullptr;
    PathJoin(path, sizeof path, e->dir, sprite);
    return SprLoadSelected(path, list);
}

// The images a side's turns teammate face shows: its sprite, or every
// sprite of its action; pairs ending with group -1.
static std::vector<int> TeamFaceImages(int side)
{
    std::vector<int> list;
    const ScreenElem *e = gv->fight ? &gv->fight->turnsFace[side].teamFace : nullptr;
    if (e && e->kind == SCREEN_ELEM_SPRITE) {
        list = {e->num1, e->num2};
    } else if (e && e->kind == SCREEN_ELEM_ANIM && gv->fightAnims) {
        int slot = AnimSetFindAction(gv->fightAnims, 0, e->num1);
        const AnimAction *action = slot >= 0 ? AnimSetActionAt(gv->fightAnims, slot) : nullptr;
        for (int i = 0; action && i < action->count; i++) {
            const AnimElem *el = AnimActionElemAt(action, i);
            list.push_back(el->group);
            list.push_back(el->image);
        }
    }
    list.push_back(-1);
    list.push_back(-1);
    return list;
}

int MatchTeamSpritesLoad()
{
    for (int s = 0; s < 2; s++) {
        const TeamInfo *team = &gv->teams[s];
        if (team->entryCount <= 1 || gv->survivalSide == s + 1)
            continue;
        std::vector<int> list = TeamFaceImages(s);
        for (int g = 0; g < team->entryCount && g < TEAM_ENTRY_MAX; g++) {
            LIB_ASSERT(!gv->teamSpr[s][g]);
            const TeamMember *m = &team->entries[g].members[0];
            if (m->charIndex >= 0)
                gv->teamSpr[s][g] = MatchMemberSpritesLoad(m->charIndex, list.data());
        }
    }
    return 1;
}

void MatchTeamSpritesFree()
{
    for (auto &side : gv->teamSpr)
        for (SprSet *&set : side) {
            SprSetFree(set);
            set = nullptr;
        }
}
