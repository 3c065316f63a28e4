// Top-level mode loop: the title choice through select, versus, matches, the arcade ladder, continues, endings and game over, and the quick versus match named on the command line.
#include "velok/app/mainloop.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "lib/grandom.h"
#include "lib/input-lb.h"
#include "lib/joy.h"
#include "lib/kbll-lib.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/timer.h"
#include "lib/txtparse.h"
#include "music/bgm.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/sound.h"
#include "velok/core/team.h"
#include "velok/match/camera.h"
#include "velok/match/gameloop.h"
#include "velok/match/lifebar.h"
#include "velok/match/match.h"
#include "velok/match/matchlog.h"
#include "velok/match/training.h"
#include "velok/player/charpal.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/precache.h"
#include "velok/screens/charlist.h"
#include "velok/screens/charsel.h"
#include "velok/screens/continue.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"
#include "velok/screens/vsscreen.h"

enum {
    SCENE_HALF_WIDTH = 160,  // the centre of the 320-pixel field
    SCENE_PARTNER_GAP = 40,
    POSE_WIN = 180,
    POSE_LOSE = 170,
    GAME_SPEED_MIN = 10,
    MENU_GAME_SPEED = 60,
    STORY_NAME_LEN = 1024,
};

static const MainLoopCalls gameCalls = {
    MenuIntroPlay, MenuTitle,     MenuStoryboardPlay, CharSelRun, VsScreenRun,  ContinueScreen,
    SysBgUnload,   SysFileReload, StageLoad,          MatchTeamsSetup, GameLoopRun, MatchPlayersFree,
};
static const MainLoopCalls *calls = &gameCalls;

void MainLoopCallsSet(const MainLoopCalls *c)
{
    calls = c ? c : &gameCalls;
}

// The motif's screen settings; a game without a motif has every screen off.
static const Motif *MotifGet()
{
    static const Motif none{};
    return gv->motif ? gv->motif : &none;
}

// ---------------------------------------------------------------- decisions

int MainFightOutcome(const MainFightResult *r)
{
    if (!r->matchOver)
        return MAIN_NEXT_FREE;
    if (r->quit || !r->arcadeSide)
        return MAIN_NEXT_AFTER;
    if (r->winner == r->arcadeSide)
        return r->nextTeamSize < r->matchesLeft ? MAIN_NEXT_AFTER : MAIN_NEXT_ARCADE_DONE;
    return MAIN_NEXT_LOST;
}

MainLossResult MainLossOutcome(const MainLossInput *in)
{
    MainLossResult out = {MAIN_NEXT_AFTER, 1, 0};
    if (in->continueScreen) {
        if (in->continued) {
            out.quit = 0;
            // The continue screen always leaves its flag set on "Yes", so the
            // fight is not replayed in place: the select screen comes first.
            if (!in->continueChosen)
                out.next = MAIN_NEXT_REPLAY;
        }
    } else if (in->gameOverScreen) {
        out.gameOver = 1;
    }
    return out;
}

// ---------------------------------------------------------------- scenes

// A fighter of the scene: enabled, set up for a round, shown only, posing.
static Player *ScenePlayer(int slot, int pose)
{
    Player *pl = PlayerSlotGet(slot);
    if (!pl || !pl->charData)
        return nullptr;
    PlayerEnableSet(slot, 1);
    PlayerRoundInit(pl);
    pl->shownOnly = 1;
    PlayerStateSet(pl, pose);
    return pl;
}

static void SceneRun(int side, int mode, int pose)
{
    gv->lifebarOff = 1;
    TimerSpeedSet(MENU_GAME_SPEED);
    MatchRoundReset();
    // Each scene fades in from its own start: the last one left its phase
    // and counter at the end of its fade-out.
    gv->round.scenePhase = 0;
    gv->round.sceneCounter = 0;
    CameraSetPos((float)gv->stage.startX, (float)gv->stage.startY);
    for (int slot = 1; slot <= gv->playerSlotCount; slot++) {
        Player *pl = PlayerSlotGet(slot);
        if (pl && pl->enabled)
            PlayerEnableSet(slot, 0);
    }
    Player *first = side == 1 || side == 2 ? ScenePlayer(side, pose) : nullptr;
    Player *partner = first ? ScenePlayer(side + 2, pose) : nullptr;
    if (first) {
        float centre = gv->cameraX + (float)SCENE_HALF_WIDTH;
        int facing = first->facing;
        first->posX = centre;
        if (partner) {
            first->posX = centre - (float)(facing * SCENE_PARTNER_GAP);
            partner->posX = centre + (float)(facing * SCENE_PARTNER_GAP);
            if (partner->facing == facing)
                PlayerTurn(partner);
        }
    }
    ComboCounterReset(1);
    ComboCounterReset(2);
    gv->round.hitDetect = 0;
    gv->playerInput = 1;
    if (!calls->gameLoopRun(mode))
        FatalExit();
    PalListFxReset();
    SndKeyStop(SND_KEY_NONE);
}

void MainWinScreenRun()
{
    SceneRun(gv->arcadeSide, GAMELOOP_WIN_SCREEN, POSE_WIN);
}

void MainSurvivalResultsRun()
{
    int side = gv->survivalSide;
    int wins = side == 1 || side == 2 ? gv->round.wins[side - 1] : 0;
    SceneRun(side, GAMELOOP_SURVIVAL_RESULTS, wins >= MotifGet()->survivalRoundsToWin ? POSE_WIN : POSE_LOSE);
}

// ---------------------------------------------------------------- match steps

// The storyboards played after a match is freed; empty ones are not played.
struct MatchStories {
    char ending[STORY_NAME_LEN];
    char credits[STORY_NAME_LEN];
    char gameOver[STORY_NAME_LEN];
};

static bool OnSide(int side)
{
    return side == 1 || side == 2;
}

// The select-list entry of the human side's first member in the arcade.
static const CharInfo *HumanChar()
{
    if (!OnSide(gv->arcadeSide) || !gv->charList)
        return nullptr;
    TeamMember *m = TeamMemberAt(&gv->teams[gv->arcadeSide - 1], 0);
    if (!m || m->charIndex < 0 || m->charIndex >= gv->charCount)
        return nullptr;
    return &gv->charList[m->charIndex];
}

static void StageChooseIfRandom()
{
    if (gv->stageFile[0] && strcasecmp(gv->stageFile, "random") != 0)
        return;
    if (gv->stageCount > 0 && gv->stageList)
        StrCopy(gv->stageFile, sizeof gv->stageFile, gv->stageList[GameRandom() % gv->stageCount].path);
    else
        StrCopy(gv->stageFile, sizeof gv->stageFile, gv->cfg.debug.startStage);
}

// The next opponent's arcade stage and music become the match's.
static void ArcadeStagePeek()
{
    int c = ArcadePeekOpponents();
    if (c < 0 || c >= gv->charCount)
        return;
    StrCopy(gv->stageFile, sizeof gv->stageFile, gv->charList[c].stage);
    StrCopy(gv->stageMusicFile, sizeof gv->stageMusicFile, gv->charList[c].music);
}

// Steps before the versus screen: the counters, the stage, and on the first
// arcade match the human character's intro.
static void MatchBegin()
{
    gv->matchNo++;
    gv->totalMatches++;
    gv->stageMusicFile[0] = 0;
    if (OnSide(gv->arcadeSide))
        ArcadeStagePeek();
    StageChooseIfRandom();
    const CharInfo *human = HumanChar();
    if (human && gv->matchNo == 1) {
        TimerSpeedSet(MENU_GAME_SPEED);
        if (human->introStoryboard[0]) {
            char path[STORY_NAME_LEN];
            PathJoin(path, sizeof path, human->dir, human->introStoryboard);
            calls->storyboardPlay(FileExists(path) ? path : human->introStoryboard, "scene");
        }
    }
}

static void MatchLoad(MatchStories *stories)
{
    *stories = MatchStories{};
    gv->lifebarOff = 0;
    if (gv->cfg.misc.unloadSystem)
        calls->sysUnload();
    MatchLogWrite();
    int start = TimerTicksGet();
    if (!calls->stageLoad() || !MatchTeamSpritesLoad())
        FatalExit();
    gv->loadTimeTotal = TimerTicksGet() - start;
    SoundSetVolumes(gv->cfg.sound.masterWavVolume, gv->cfg.sound.midiVolume);
    BGMStart(&gv->stageBgm);
}

static void Fight()
{
    KbllFlush();
    JoyUpdate();
    JoyEventClear();
    InputStateRefresh();
    InputEventFlush();
    for (int s = 0; s < 2; s++) {
        gv->teams[s].current = 0;
        if (TeamEntry *e = TeamCurrentEntry(&gv->teams[s]))
            gv->sideEntry[s] = *e;
    }
    // The cache is never loaded by both threads at once: a demo without the
    // versus screen reaches here with the thread still running.
    PrecacheWait();
    if (!calls->teamsSetup(0))
        FatalExit();
    // The command line's rounds, over what the set-up took from the fight screen.
    if (gv->cmdRounds > 0)
        gv->side[0].roundsToWin = gv->side[1].roundsToWin = gv->cmdRounds;
    int speed = gv->cfg.engine.gameSpeed + 5 * gv->options.gameSpeed;
    TimerSpeedSet(speed < GAME_SPEED_MIN ? GAME_SPEED_MIN : speed);
    CameraSetPos((float)gv->stage.startX, (float)gv->stage.startY);
    gv->round.hitDetect = 1;
    gv->playerInput = 1;
    if (!calls->gameLoopRun(GAMELOOP_MATCH))
        FatalExit();
    PalListFxReset();
    SndKeyStop(SND_KEY_NONE);
    MatchRoundLogWrite();
}

static int AfterFight(MatchStories *stories)
{
    MainFightResult r = {};
    r.matchOver = gv->round.matchOver;
    r.winner = gv->round.matchWinner;
    r.quit = gv->quit;
    r.arcadeSide = gv->arcadeSide;
    if (OnSide(gv->arcadeSide)) {
        r.nextTeamSize = ArcadeNextTeamSize();
        r.matchesLeft = ArcadeMatchesLeft();
    }
    int next = MainFightOutcome(&r);
    if (next != MAIN_NEXT_LOST)
        return next;

    const Motif *m = MotifGet();
    SoundSetVolumes(0, 0);
    BGMPause(&gv->stageBgm);
    gv->quit = 1;
    MainLossInput in = {};
    in.continueScreen = m->continueScreen.enabled;
    in.gameOverScreen = m->gameOver.enabled;
    if (in.continueScreen)
        in.continued = calls->continueScreen();
    in.continueChosen = gv->continueChosen;
    MainLossResult out = MainLossOutcome(&in);
    gv->quit = out.quit;
    if (out.gameOver) {
        StrCopy(stories->gameOver, sizeof stories->gameOver, m->gameOver.storyboard);
        gv->introPlayed = 0;
    }
    return out.next;
}

static void ArcadeComplete(MatchStories *stories)
{
    const Motif *m = MotifGet();
    BGMStop(&gv->stageBgm);
    const CharInfo *human = HumanChar();
    if (human && human->endingStoryboard[0]) {
        char path[STORY_NAME_LEN];
        PathJoin(path, sizeof path, human->dir, human->endingStoryboard);
        StrCopy(stories->ending, sizeof stories->ending, FileExists(path) ? path : human->endingStoryboard);
    } else {
        if (m->winScreenEnabled)
            MainWinScreenRun();
        if (m->defaultEnding.enabled)
            StrCopy(stories->ending, sizeof stories->ending, m->defaultEnding.storyboard);
    }
    if (m->endCredits.enabled)
        StrCopy(stories->credits, sizeof stories->credits, m->endCredits.storyboard);
    gv->introPlayed = 0;
}

static void SurvivalResults()
{
    if (!gv->round.matchOver || gv->quit || !OnSide(gv->survivalSide))
        return;
    BGMStop(&gv->stageBgm);
    if (MotifGet()->survivalEnabled)
        MainSurvivalResultsRun();
}

static void MatchFree(const MatchStories *stories)
{
    PalListFree();
    MatchTeamSpritesFree();
    calls->playersFree();
    TimerSpeedSet(MENU_GAME_SPEED);
    for (const char *name : {stories->ending, stories->credits, stories->gameOver})
        if (name[0])
            calls->storyboardPlay(name, "scene");
    calls->sysReload();
    SoundSetVolumes(gv->cfg.sound.masterWavVolume, gv->cfg.sound.midiVolume);
}

// ---------------------------------------------------------------- the loop

enum SequenceEnd {
    SEQ_END,    // the match sequence ended: stop pre-caching, then on by the mode
    SEQ_TITLE,  // back to the title menu at once
};

static void ReleaseTeamPalettes(int side)
{
    if (!OnSide(side))
        return;
    TeamInfo *team = &gv->teams[side - 1];
    for (int i = 0; i < TeamMemberCount(team); i++) {
        const TeamMember *m = TeamMemberAt(team, i);
        if (m && m->charIndex >= 0)
            CharReleasePal(m->palNo, m->charIndex);
    }
}

// The matches of one selection: from the training reset through the arcade
// ladder and continues. Without the select screen, one match without a
// versus screen.
static int MatchSequence(int selectFlag)
{
    MenuTrainingReset();
    bool atVersus = false;
    for (;;) {
        if (!atVersus)
            MatchBegin();
        atVersus = false;
        const Motif *m = MotifGet();
        if (selectFlag && (!gv->demo || m->demo.vsScreenEnabled) && !calls->vsScreen())
            return SEQ_END;

        MatchStories stories;
        MatchLoad(&stories);
        int next;
        do {
            Fight();
            next = AfterFight(&stories);
        } while (next == MAIN_NEXT_REPLAY);
        if (next == MAIN_NEXT_ARCADE_DONE)
            ArcadeComplete(&stories);
        if (next != MAIN_NEXT_FREE)
            SurvivalResults();
        MatchFree(&stories);
        if (!selectFlag)
            return SEQ_END;

        if (gv->continueChosen) {
            PlayerPersistClearAll();
            // The player picks again: the palettes of the team that lost are
            // free for the new choice (else the same pick gets other colours).
            ReleaseTeamPalettes(gv->arcadeSide);
            int chosen = calls->charSel(gv->titleChoice, gv->choosingPlayer);
            gv->continueChosen = 0;
            if (!chosen)
                return SEQ_TITLE;
            // The same opponent again, on its stage.
            if (OnSide(gv->arcadeSide))
                ArcadeStagePeek();
            StageChooseIfRandom();
            gv->totalMatches++;
            atVersus = true;
            continue;
        }
        bool won = gv->round.matchOver && gv->round.matchWinner == gv->arcadeSide;
        if (OnSide(gv->arcadeSide) && !gv->quit && won) {
            ArcadeAdvance();
            if (ArcadeMatchesLeft() != 0)
                continue;
        }
        return SEQ_END;
    }
}

// Pre-caching stopped and every palette free again.
static void SequenceClose()
{
    if (PrecacheIsRunning()) {
        PrecacheAbort();
        PrecacheWait();
    }
    CharPalResetAll();
}

// Two one-member computer teams of random characters for a demonstration
// match that skips the select screen.
static void DemoTeams()
{
    for (int s = 0; s < 2; s++) {
        TeamInfo *team = &gv->teams[s];
        TeamSetup(team, s + 1, TEAM_MODE_SINGLE, 1);
        TeamMember *m = &team->entries[0].members[0];
        if (gv->charCount > 0) {
            m->charIndex = GameRandom() % gv->charCount;
            m->palNo = CharReservePal(GameRandom() % CHAR_PALETTES, m->charIndex);
        }
        m->ai = 1;
    }
    gv->arcadeSide = 0;
    gv->survivalSide = 0;
    gv->watch = 0;
    gv->stageFile[0] = 0;
    BGMStop(&gv->menuBgm);
}

// The select screen in the title's mode and what follows from it; 0 when it
// was cancelled.
static int SelectionPass()
{
    PlayerPersistClearAll();
    gv->matchNo = 0;
    gv->matchKind = gv->titleChoice == CHARSEL_TRAINING ? MATCH_KIND_TRAINING : 0;
    if (!gv->demo || MotifGet()->demo.selectEnabled) {
        if (!calls->charSel(gv->titleChoice, gv->choosingPlayer))
            return 0;
        if (OnSide(gv->arcadeSide)) {
            ArcadeBuildOrder();
            if (PrecacheIsEnabled()) {
                PrecacheQueueOpponents();
                PrecacheStart();
            }
        }
        int counted = gv->survivalSide;
        if (OnSide(counted))
            TeamSetRandom(&gv->teams[counted - 1], &gv->teams[2 - counted], 2 - counted, 0);
    } else {
        DemoTeams();
    }
    if (!gv->stageFile[0] && gv->charCount > 0 && gv->charList)
        StrCopy(gv->stageFile, sizeof gv->stageFile, gv->charList[GameRandom() % gv->charCount].stage);
    return 1;
}

static void QuickVsRun()
{
    gv->titleChoice = TITLE_VERSUS;
    if (!gv->stageFile[0])
        StrCopy(gv->stageFile, sizeof gv->stageFile, gv->cfg.debug.startStage);
    MatchSequence(0);
    SequenceClose();
}

void MainLoop(int selectFlag)
{
    if (!selectFlag) {
        QuickVsRun();
        return;
    }
    bool introStep = true;
    for (;;) {
        if (introStep && menuMotif.introStoryboard[0] && !gv->introPlayed) {
            calls->introPlay();
            gv->introPlayed = 1;
        }
        PlayerPersistClearAll();
        // A demonstration ends when the title comes back.
        gv->demo = 0;
        gv->titleChoice = calls->title();
        if (gv->titleChoice == TITLE_EXIT) {
            BGMStop(&gv->menuBgm);
            return;
        }
        // Two-player modes go back to the select screen after each match
        // sequence; the others, and a cancelled select screen, to the title.
        int seq;
        for (;;) {
            if (!SelectionPass()) {
                seq = SEQ_TITLE;
                break;
            }
            seq = MatchSequence(1);
            SequenceClose();
            bool twoPlayer = !OnSide(gv->arcadeSide) && !gv->demo && !OnSide(gv->survivalSide);
            if (seq != SEQ_END || !twoPlayer)
                break;
        }
        introStep = seq == SEQ_END;
    }
}

// ---------------------------------------------------------------- quick versus

int MainQuickVsCharPath(const char *name, char *dir, size_t dirSize, char *file, size_t fileSize)
{
    const char *slash = strrchr(name, '/');
    const char *back = strrchr(name, '\\');
    if (back && (!slash || back > slash))
        slash = back;
    std::string d, f;
    if (slash) {
        d.assign(name, (size_t)(slash + 1 - name));
        f = slash + 1;
        // Only the first five letters are looked at, as the game always has.
        if (strncmp(name, "chars", 5) != 0)
            d = "chars/" + d;
    } else {
        d = std::string("chars/") + name + "/";
        f = std::string(name) + ".def";
    }
    if (d.size() >= dirSize || f.size() >= fileSize)
        return 0;
    StrCopy(dir, dirSize, d.c_str());
    StrCopy(file, fileSize, f.c_str());
    return 1;
}

static bool PaletteValid(int pal)
{
    return pal >= 0 && pal < CHAR_PALETTES;
}

int MainQuickVsPalette(int color, int defaultPal)
{
    if (PaletteValid(color))
        return color;
    return PaletteValid(defaultPal - 1) ? defaultPal - 1 : 0;
}

// A new select-list entry for a character named on the command line; its
// index. Ends the program when its definition file does not open.
static int QuickVsCharAdd(const char *name)
{
    char dir[CHARINFO_PATH_LEN], file[CHARINFO_PATH_LEN];
    TxtParseFile *tp = nullptr;
    std::string path;
    if (MainQuickVsCharPath(name, dir, sizeof dir, file, sizeof file)) {
        path = std::string(dir) + file;
        tp = TxtParseOpen(path.c_str());
    }
    if (!tp) {
        GameErrorSet("Cannot find character: %s", path.empty() ? name : path.c_str());
        FatalExit();
    }
    // The select file's reading of [Info]; a name shown that is not a quoted
    // text is left empty, and the match goes on.
    int defaults[4];
    char shown[CHARINFO_NAME_LEN];
    SelectCharInfoRead(tp, shown, sizeof shown, defaults);
    TxtParseClose(tp);
    int index = SelectCharAdd();
    if (index < 0) {
        GameErrorSet("Out of memory");
        FatalExit();
    }
    CharInfo *e = &gv->charList[index];
    StrCopy(e->dir, sizeof e->dir, dir);
    StrCopy(e->defFile, sizeof e->defFile, file);
    StrCopy(e->displayName, sizeof e->displayName, shown);
    memcpy(e->palDefaults, defaults, sizeof e->palDefaults);
    return index;
}

void MainQuickVsSetup(const CmdLineOptions &opt)
{
    int entry[4] = {-1, -1, -1, -1};
    int count[2] = {0, 0};
    for (int n = 1; n <= 4; n++) {
        const char *name = opt.playerName[n - 1];
        if (!name[0])
            continue;
        for (int k = 0; k < n - 1 && entry[n - 1] < 0; k++)
            if (entry[k] >= 0 && strcmp(opt.playerName[k], name) == 0)
                entry[n - 1] = entry[k];
        if (entry[n - 1] < 0)
            entry[n - 1] = QuickVsCharAdd(name);
        int side = (n - 1) % 2;
        int member = (n - 1) / 2 + 1;
        if (member > count[side])
            count[side] = member;
    }
    for (int s = 0; s < 2; s++) {
        // Every fighter of a side stands beside its first player.
        if (entry[s] < 0) {
            GameErrorSet("No character given for player %i", s + 1);
            FatalExit();
        }
        TeamInfo *team = &gv->teams[s];
        TeamSetup(team, s + 1, count[s] > 1 ? TEAM_MODE_SIMUL : TEAM_MODE_SINGLE, count[s]);
        team->entries[0].orderFixed = 1;
        for (int m = 0; m < count[s]; m++) {
            int n = s + 2 * m + 1;
            TeamMember *mem = &team->entries[0].members[m];
            if (entry[n - 1] < 0)
                continue;
            mem->charIndex = entry[n - 1];
            mem->palNo = MainQuickVsPalette(opt.color[n - 1], gv->charList[entry[n - 1]].palDefaults[n - 1]);
        }
    }
    gv->cmdRounds = opt.roundsGiven ? opt.rounds : 0;
    if (opt.stage[0])
        snprintf(gv->stageFile, sizeof gv->stageFile, "stages/%s.def", opt.stage);
}
