// Round state machine: intro, fight, round over and win poses; how rounds and matches end; announcements; scene fades.
#include "velok/match/round.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/safefmt.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/match.h"
#include "velok/match/matchlog.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/sound.h"
#include "velok/player/explod.h"
#include "velok/player/helper.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/precache.h"
#include "velok/player/proj.h"

enum { ROUND_OVER_CAP = 900 };

void FightRoundDefaults()
{
    FightRound *fr = &gv->fightRound;
    memset(fr, 0, sizeof(*fr));
    fr->matchWins = 2;
    fr->maxDrawGames = 1;
    fr->startWaitTime = 30;
    fr->introTime = 70;
    fr->slowTime = 60;
    fr->overWaitTime = 0;
    fr->overHitTime = 10;
    gv->overWinTime = 45;
    gv->overTime = 150;
    fr->winTime = 60;
    gv->roundTime = 0;
    fr->roundSndTime = 0;
    fr->fightTime = 0;
    fr->fightSndTime = 0;
    // The KO times are read as 0 and raised by 10, as the loader does.
    fr->koTime = 10;
    fr->koSndTime = 10;
    for (FightSnd &s : fr->roundSnd)
        s = {-1, 0};
    fr->fightSnd = fr->koSnd = fr->dkoSnd = fr->toSnd = {-1, 0};
    fr->framesPerCount = 60;
}

static int MainSlotCount()
{
    return gv->playerSlotCount < GAME_MAIN_SLOTS ? gv->playerSlotCount : GAME_MAIN_SLOTS;
}

static int FramesPerCount()
{
    return gv->fightRound.framesPerCount < 1 ? 1 : gv->fightRound.framesPerCount;
}

static void GlobalMul(int m)
{
    PalFxGlobalMulSet(m, m, m);
}

// Announcer sounds come from the fight screen's sound set.
static void RoundSndPlay(const FightSnd *snd)
{
    FightSndPlay(snd);
}

static const FightSnd *EndSnd()
{
    switch (gv->round.endKind) {
    case ROUND_END_KO:
        return &gv->fightRound.koSnd;
    case ROUND_END_DOUBLE_KO:
        return &gv->fightRound.dkoSnd;
    case ROUND_END_TIME_OVER:
        return &gv->fightRound.toSnd;
    }
    return nullptr;
}

static void WinIconStore(int side, int kind)
{
    if (side < 1 || side > 2)
        return;
    int slot = gv->round.wins[side - 1];
    if (slot < 0 || slot >= WIN_ICON_SLOTS)
        return;
    gv->round.winIcon[side - 1][slot] = kind;
    gv->round.winPerfect[side - 1][slot] = WinIconTeamDamaged(side) ? -1 : 8;
}

void WinIconRecordTeam(int side, int attr, int kind)
{
    if (side < 1 || side > 2)
        return;
    if (gv->round.wins[side - 1] >= WIN_ICON_SLOTS || gv->round.state == 3)
        return;
    if (kind == -1) {
        kind = 0;
        if (attr & 0x1c0)
            kind = 5;
        if (attr & 0x490)
            kind = 1;
        else if (attr & 0x920)
            kind = 2;
    }
    WinIconStore(side, kind);
}

int WinIconTeamDamaged(int side)
{
    for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && !pl->isHelper && pl->side == side && pl->life < pl->lifeMax)
            return 1;
    }
    return 0;
}

// The human's side in a one-player mode (arcade or survival), 0 in two-player modes.
static int HumanSide()
{
    int side = gv->arcadeSide ? gv->arcadeSide : gv->survivalSide;
    return side == 1 || side == 2 ? side : 0;
}

int MatchWinningTeamGet()
{
    return gv->round.winner;
}

int MatchWinnerGet()
{
    const RoundVars &r = gv->round;
    if (!((r.state == 3 && r.tick >= gv->fightRound.overHitTime) || r.state == 4))
        return 0;
    int reached[2];
    for (int s = 0; s < 2; s++) {
        int total = r.wins[s];
        if (!r.counted && (r.winner == s + 1 || (r.winner == 0 && r.draws + 1 > gv->side[s].drawsAllowed)))
            total++;
        reached[s] = total >= gv->side[s].roundsToWin;
    }
    if (reached[0] && reached[1]) {
        int human = HumanSide();
        return human ? 3 - human : 1;
    }
    if (reached[0])
        return 1;
    if (reached[1])
        return 2;
    return 0;
}

int TeamLifeRegainGet(int side)
{
    if (side < 0 || side > 1)
        return 0;
    float f = (100 - gv->round.fightTicks / FramesPerCount()) * 0.01f;
    if (f < 0)
        f = 0;
    const MatchSide &s = gv->side[side];
    float o = gv->side[1 - side].standRatio;
    float v = s.regainBase + f * s.regainA * (o * s.regainB + 1.0f - s.regainB);
    return (int)v;
}

// The fighters of a side are the members of its current team entry.
static const TeamEntry &Fighters(int side)
{
    return gv->sideEntry[side];
}

// Standing value of a side: the average per-mille life of its fighters, plus 1
// for each one still alive.
static int SideStanding(int side)
{
    const TeamEntry &s = Fighters(side);
    LIB_ASSERT(s.memberCount > 0 && s.memberCount <= TEAM_MEMBER_MAX);
    // In 64 bits: a life in the millions times 1000 is past the int range.
    int64_t sum = 0;
    for (int i = 0; i < s.memberCount; i++) {
        Player *pl = PlayerSlotGet(s.members[i].slot);
        if (!pl)
            continue;
        int64_t lifeMax = pl->lifeMax > 0 ? pl->lifeMax : 1;
        sum += (int64_t)pl->life * 1000 / lifeMax + (pl->alive ? 1 : 0);
    }
    return ClampInt(sum / s.memberCount);
}

// -1 no fighter seen, 0 standing, 1 down.
static int SideDown(int side)
{
    const TeamEntry &s = Fighters(side);
    int flag = -1;
    for (int i = 0; i < s.memberCount && i < TEAM_MEMBER_MAX; i++) {
        Player *pl = PlayerEnabledGet(s.members[i].slot);
        if (!pl || pl->isHelper)
            continue;
        if (flag == -1)
            flag = 1;
        // A computer partner behind a human one does not keep a simul side up
        // when the team loses with its humans.
        bool carried = i > 0 && gv->teams[side].mode == 1 && s.members[i].ai && !s.members[i - 1].ai &&
                       gv->options.teamLoseOnKO == 0;
        if (pl->alive && !carried)
            flag = 0;
    }
    return flag;
}

static void RoundOutcome()
{
    RoundVars &r = gv->round;
    int standing[2] = {SideStanding(0), SideStanding(1)};
    int down[2] = {SideDown(0), SideDown(1)};
    if (down[0] != -1 && down[1] != -1) {
        if (down[0] && down[1]) {
            r.endKind = ROUND_END_DOUBLE_KO;
            r.winner = 0;
        } else if (!down[0] && down[1]) {
            r.endKind = ROUND_END_KO;
            r.winner = 1;
        } else if (down[0] && !down[1]) {
            r.endKind = ROUND_END_KO;
            r.winner = 2;
        } else if (r.timeLeft == 0) {
            int before = r.endKind;
            r.endKind = ROUND_END_TIME_OVER;
            r.winner = standing[0] > standing[1] ? 1 : standing[1] > standing[0] ? 2 : 0;
            // The time-over icon belongs to this round's slot: record it once,
            // when the round is decided, not on every later tick.
            if (before != ROUND_END_TIME_OVER && !r.counted && !r.noEnd) {
                if (r.winner != 2)
                    WinIconStore(1, 4);
                if (r.winner != 1)
                    WinIconStore(2, 4);
            }
        }
    }
    if (r.noEnd)
        r.endKind = ROUND_END_NONE;
}

static void RoundSkipIntro()
{
    RoundVars &r = gv->round;
    if (r.state != 0 && r.state != 1)
        r.skipIntro = 0;
    if (!r.skipIntro || gv->shutterOn)
        return;
    r.skipIntro = 0;
    r.state = 2;
    r.tick = -1;
    MatchPlayersPlace();
    GlobalMul(256);
    int half = (vbufTarget.pixels ? vbufTarget.height : 240) / 2;
    if (gv->cfg.video.doubleRes == 4)
        half *= 2;
    gv->shutterOn = 1;
    gv->shutterHeight = half;
    gv->shutterStep = -gv->shutterStep;
    for (int slot = 1; slot <= MainSlotCount(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            PlayerStateSet(pl, 0);
    }
    for (int slot = 1; slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl)
            pl->frozen = 0;
    }
    for (int slot = GAME_MAIN_SLOTS + 1; slot <= PlayerEnabledEnd(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl && pl->isHelper)
            HelperRemove(pl);
    }
    for (int slot = 1; slot <= MainSlotCount(); slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl)
            ProjListClear(pl->projList);
    }
    ExplodListClear(gv->explods);
    ExplodListClear(gv->sysExplods);
}

static int State0()
{
    RoundVars &r = gv->round;
    r.hitDetect = 0;
    int t = r.tick - 2;
    GlobalMul(t < 0 ? 0 : t < 16 ? 16 * t : 256);
    if (r.tick < gv->fightRound.startWaitTime)
        return -1;
    GlobalMul(256);
    return 1;
}

static int State1()
{
    RoundVars &r = gv->round;
    const FightRound &fr = gv->fightRound;
    if (r.number == 1) {
        for (int slot = 1; slot <= MainSlotCount(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (!pl)
                continue;
            if (r.tick < 0)
                gv->specialFlags[GAME_SPECIAL_INTRO] = 1;
            else
                pl->frozen = 0;
        }
    }
    if (gv->specialFlags[GAME_SPECIAL_INTRO])
        r.introCounter = 0;
    if (r.introCounter == fr.roundSndTime + 1 && r.number >= 1 && r.number <= 9 && !gv->demo)
        RoundSndPlay(&fr.roundSnd[r.number - 1]);
    if (r.introCounter < fr.introTime) {
        r.introCounter++;
        return -1;
    }
    MatchPlayersPlace();
    return 2;
}

static int State2()
{
    RoundVars &r = gv->round;
    const FightRound &fr = gv->fightRound;
    if (gv->activePause < 0 && gv->slowAccum == 0 && r.tick >= fr.ctrlTime && r.timeLeft > 0 &&
        !gv->specialFlags[GAME_SPECIAL_TIMERFREEZE]) {
        r.timeLeft--;
        if (r.timeLeft == 0)
            return 3;
    }
    if (r.tick == fr.fightSndTime && !gv->demo)
        RoundSndPlay(&fr.fightSnd);
    if (r.tick == fr.ctrlTime) {
        for (int slot = 1; slot <= MainSlotCount(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (!pl)
                continue;
            pl->state.ctrl = 1;
            if (pl->state.stateNo != 0)
                PlayerStateSet(pl, 0);
        }
    }
    if (r.endKind == ROUND_END_NONE || gv->specialFlags[GAME_SPECIAL_NOKO] || r.tick <= fr.ctrlTime) {
        r.fightTicks++;
        return -1;
    }
    if (r.endKind != ROUND_END_TIME_OVER && !gv->specialFlags[GAME_SPECIAL_NOKOSLOW]) {
        gv->slowTime = fr.slowTime;
        gv->slowRate = 500;
        gv->slowAccum = 500;
    }
    return 3;
}

static void SlowSet(int rate)
{
    gv->slowRate = rate;
    gv->slowAccum = rate;
}

// While the round ends, the characters that may fight next load: a losing
// side's next member, else the next arcade opponents when the human side
// wins the match against the computer side, else the side's own characters.
static void RoundPrecache()
{
    int human = HumanSide();
    int matchWinner = MatchWinnerGet();
    for (int side = 1; side <= 2; side++) {
        if (gv->round.winner == side)
            continue;
        const TeamInfo *team = &gv->teams[side - 1];
        int next = team->current + 1;
        if (next >= 1 && next < team->entryCount && next < TEAM_ENTRY_MAX) {
            if (gv->warnLog)
                TextBufPrintf(gv->warnLog, "start pre-caching team %i next %i\n", side, next);
            const TeamEntry *entry = &team->entries[next];
            for (int m = 0; m < entry->memberCount && m < TEAM_MEMBER_MAX; m++)
                if (entry->members[m].charIndex >= 0)
                    PrecacheQueueChar(entry->members[m].charIndex);
        } else if (human && side != human && matchWinner == human) {
            PrecacheQueueNextOpponents();
        } else {
            PrecacheQueueList(team);
        }
    }
    PrecacheStart();
}

static int State3()
{
    RoundVars &r = gv->round;
    const FightRound &fr = gv->fightRound;
    r.overTick = r.tick;
    if (r.tick == fr.koSndTime && EndSnd())
        RoundSndPlay(EndSnd());
    if (r.endKind != ROUND_END_TIME_OVER) {
        int slow = fr.slowTime;
        if (r.tick == 5 && 5 < slow * 5 / 10)
            SlowSet(200);
        if (r.tick == slow * 5 / 10)
            SlowSet(100);
        if (r.tick == slow * 7 / 10)
            SlowSet(50);
        if (r.tick == slow * 9 / 10)
            SlowSet(25);
    }
    if (r.tick == fr.overWaitTime || (r.tick == 0 && r.timeLeft == 0)) {
        for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl)
                pl->noInput = 1;
        }
    }
    if (r.tick == fr.overHitTime && PrecacheIsEnabled())
        RoundPrecache();
    if (r.tick >= fr.overWaitTime + 180)
        r.hitDetect = 0;
    bool allDone = true;
    for (int slot = 1; slot <= MainSlotCount(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl)
            continue;
        const PlayerStateBlock &st = pl->state;
        bool done = (st.ctrl && st.stateType == 1 && st.moveType == 0) || st.stateNo == 5150;
        if (!done)
            allDone = false;
    }
    if ((r.tick < ROUND_OVER_CAP && !allDone) || r.tick < fr.overWaitTime)
        return -1;
    for (int slot = 1; slot <= MainSlotCount(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            pl->state.ctrl = 0;
    }
    // Slow motion ends here even when players came to rest before its time
    // ran out (the countdown clears the rate only when the time reaches 0).
    gv->slowTime = gv->slowRate = gv->slowAccum = 0;
    return 4;
}

static void RoundCount()
{
    RoundVars &r = gv->round;
    if (r.winner == 0) {
        r.draws++;
        for (int s = 0; s < 2; s++)
            if (gv->side[s].drawsAllowed < r.draws)
                r.wins[s]++;
        r.counted = 1;
        return;
    }
    int w = r.winner - 1;
    r.wins[w]++;
    // Counted before the match result is asked, so this round's win is not
    // added a second time.
    r.counted = 1;
    if (MatchWinnerGet() == 0) {
        int regain = TeamLifeRegainGet(w);
        const TeamEntry &s = Fighters(w);
        for (int i = 0; i < s.memberCount && i < TEAM_MEMBER_MAX; i++) {
            Player *pl = PlayerSlotGet(s.members[i].slot);
            if (pl)
                PlayerLifeSet(pl, ClampInt((int64_t)pl->life + (int64_t)regain * pl->lifeMax / 1000));
        }
    }
}

// 1 when the round has ended.
static int State4(int *ended)
{
    RoundVars &r = gv->round;
    const FightRound &fr = gv->fightRound;
    r.hitDetect = 0;
    if (r.tick + fr.overWaitTime == fr.koSndTime && EndSnd())
        RoundSndPlay(EndSnd());
    if (r.tick == gv->overWinTime) {
        for (int slot = 1; slot <= MainSlotCount(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (!pl)
                continue;
            if (r.winner == 0) {
                if (pl->alive)
                    PlayerStateSet(pl, 175);
            } else if (pl->side == r.winner) {
                pl->noInput = 0;
                if (pl->alive)
                    PlayerStateSet(pl, 180);
            } else if (pl->alive) {
                PlayerStateSet(pl, 170);
            }
        }
        RoundCount();
    }
    if (gv->specialFlags[GAME_SPECIAL_ROUNDNOTOVER] && !r.skipEnd)
        r.endTick = r.tick + 19;
    int left = r.endTick - r.tick;
    if (left >= 0 && left < 16) {
        // The match's last fade also fades the sound.
        if (MatchWinnerGet())
            SoundSetVolumesOffset(2 * left - 32);
        GlobalMul(16 * left);
    }
    if (r.tick != r.endTick)
        return -1;
    int winner = MatchWinnerGet();
    if (winner) {
        r.matchOver = 1;
        r.matchWinner = winner;
    } else {
        MatchRoundLogWrite();
        for (int slot = 1; slot <= MainSlotCount(); slot++) {
            Player *pl = PlayerEnabledGet(slot);
            if (pl)
                pl->roundsExisted++;
        }
        // The next member is made from the cache: nothing may load into it now.
        PrecacheWait();
        GameLoopBlackFrames();
        MatchTurnsNextMember();
    }
    *ended = 1;
    return -1;
}

int RoundUpdate()
{
    RoundVars &r = gv->round;
    RoundOutcome();
    RoundSkipIntro();
    int ended = 0;
    int next = -1;
    do {
        r.hitDetect = 1;
        switch (r.state) {
        case 0:
            next = State0();
            break;
        case 1:
            next = State1();
            break;
        case 2:
            next = State2();
            break;
        case 3:
            next = State3();
            break;
        case 4:
            next = State4(&ended);
            break;
        default:
            next = -1;
            break;
        }
        if (next >= 0) {
            r.state = next;
            r.tick = 0;
        }
    } while (next >= 0 && !ended);
    if (gv->slowTime > 0) {
        gv->slowTime--;
        if (gv->slowTime == 0 && gv->slowRate) {
            gv->slowRate = 0;
            gv->slowAccum = 0;
        }
    }
    r.tick++;
    return ended;
}

int RoundDemoUpdate()
{
    RoundVars &r = gv->round;
    int end = gv->demoCfg.fightEndTime;
    int ended = 0;
    if (r.demoTick >= end - 120 && r.demoTick <= end)
        GlobalMul((end - r.demoTick) * 256 / 120);
    if (r.demoTick == end) {
        gv->quit = 1;
        r.demoCount++;
        if (r.demoCount >= gv->demoCfg.introWaitCycles) {
            r.demoCount = 0;
            gv->introPlayed = 0;
        }
        ended = 1;
    }
    r.demoTick++;
    return ended;
}

void RoundSceneText(char *out, size_t outSize)
{
    int side = gv->survivalSide;
    FmtArg arg = FmtInt(side == 1 || side == 2 ? gv->round.wins[side - 1] : 0);
    const ScreenElem *e = gv->survivalScreen.elem;
    FmtSafe(out, outSize, e ? e->text : "", &arg, 1);
}

void RoundSceneUpdate()
{
    RoundVars &r = gv->round;
    const SceneCfg &cfg = gv->gameLoopMode == GAMELOOP_SURVIVAL_RESULTS ? gv->survivalScreen : gv->winScreen;
    if (r.scenePhase == 0) {
        if (r.sceneCounter < cfg.fadeInTime) {
            GlobalMul(256 * r.sceneCounter / cfg.fadeInTime);
        } else {
            GlobalMul(256);
            r.scenePhase = 1;
            r.sceneCounter = 0;
        }
    } else if (r.scenePhase == 1) {
        if (r.sceneCounter >= cfg.holdTime) {
            // The fade-out counts from its own start.
            r.scenePhase = 2;
            r.sceneCounter = 0;
        }
    }
    if (r.scenePhase == 2) {
        if (r.sceneCounter >= cfg.fadeOutTime) {
            GlobalMul(0);
            gv->quit = 1;
        } else {
            GlobalMul(256 - 256 * r.sceneCounter / cfg.fadeOutTime);
        }
    }
    PalFxGroupMul(PalGroupMaskMake(0xFFFFFFFFu, 0), 128, 128, 128);
    // The scene's text element; the survival results show the side's round
    // wins in it.
    if (const ScreenElem *e = cfg.elem) {
        if (gv->gameLoopMode == GAMELOOP_SURVIVAL_RESULTS) {
            ScreenElem shown = *e;
            RoundSceneText(shown.text, sizeof shown.text);
            MotifElemSpawn(&shown, 0, 0);
        } else {
            MotifElemSpawn(e, 0, 0);
        }
    }
    r.sceneCounter++;
}

int RoundAnnounceDue()
{
    const RoundVars &r = gv->round;
    const FightRound &fr = gv->fightRound;
    int due = 0;
    if (r.state == 1 && r.introCounter == gv->roundTime + 2 && !gv->demo)
        due |= ROUND_ANN_ROUND;
    if (r.state == 2 && r.tick == fr.fightTime + 1 && !gv->demo)
        due |= ROUND_ANN_FIGHT;
    if (r.state == 3 || r.state == 4) {
        int since = r.state == 3 ? r.tick : r.overTick + r.tick;
        if (since == fr.koTime + 1) {
            if (r.endKind == ROUND_END_TIME_OVER)
                due |= ROUND_ANN_TO;
            else if (r.endKind == ROUND_END_DOUBLE_KO)
                due |= ROUND_ANN_DKO;
            else if (r.endKind == ROUND_END_KO)
                due |= ROUND_ANN_KO;
        }
    }
    if (r.state == 4 && r.tick == fr.winTime + 1) {
        if (r.winner == 1 || r.winner == 2)
            due |= PlayerEnabledGet(r.winner + 2) ? ROUND_ANN_WIN2 : ROUND_ANN_WIN;
        else if (r.endKind == ROUND_END_TIME_OVER)
            due |= ROUND_ANN_DRAW;
    }
    return due;
}

static const char *PlayerName(int slot)
{
    Player *pl = PlayerSlotGet(slot);
    return pl ? pl->name : "";
}

int RoundAnnounceText(int announce, char *out, size_t outSize)
{
    const FightRound &fr = gv->fightRound;
    int w = gv->round.winner;
    if (announce == ROUND_ANN_ROUND) {
        FmtArg arg = FmtInt(gv->round.number);
        FmtSafe(out, outSize, fr.roundDefaultText, &arg, 1);
        return 1;
    }
    if ((announce == ROUND_ANN_WIN || announce == ROUND_ANN_WIN2) && (w == 1 || w == 2)) {
        FmtArg args[2] = {FmtStr(PlayerName(w)), FmtStr(PlayerName(w + 2))};
        if (announce == ROUND_ANN_WIN)
            FmtSafe(out, outSize, fr.winText, args, 1);
        else
            FmtSafe(out, outSize, fr.win2Text, args, 2);
        return 1;
    }
    return 0;
}

// The element spawned at the [Round] pos; an announcement with a text of its
// own shows it in place of the element's for this spawn only.
static void AnnounceSpawn(const ScreenElem *e, int announce)
{
    ScreenElem shown = *e;
    char text[SCREEN_ELEM_TEXT_LEN];
    if (announce && RoundAnnounceText(announce, text, sizeof text))
        StrCopy(shown.text, sizeof shown.text, text);
    FightElemSpawn(&shown, gv->fightRound.posX, gv->fightRound.posY);
}

void RoundAnnounceSpawn()
{
    int due = RoundAnnounceDue();
    if (!due)
        return;
    if (!gv->fight)
        return;
    const FightRoundElems &re = gv->fight->round;
    int n = gv->round.number;
    if ((due & ROUND_ANN_ROUND) && n >= 1 && n <= FIGHT_ROUND_SOUNDS)
        AnnounceSpawn(&re.round[n - 1], 0);
    static const struct {
        int bit;
        const ScreenElem FightRoundElems::*elem;
    } order[] = {
        {ROUND_ANN_ROUND, &FightRoundElems::roundDefault}, {ROUND_ANN_FIGHT, &FightRoundElems::fight},
        {ROUND_ANN_TO, &FightRoundElems::to},              {ROUND_ANN_DKO, &FightRoundElems::dko},
        {ROUND_ANN_KO, &FightRoundElems::ko},              {ROUND_ANN_WIN, &FightRoundElems::win},
        {ROUND_ANN_WIN2, &FightRoundElems::win2},          {ROUND_ANN_DRAW, &FightRoundElems::draw},
    };
    for (const auto &o : order)
        if (due & o.bit)
            AnnounceSpawn(&(re.*o.elem), o.bit);
}
