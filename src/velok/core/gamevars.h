// The game record: one zeroed block reached through one global pointer.
#pragma once
#include <string>
#include <vector>

#include "velok/core/config.h"
#include "velok/core/pal.h"
#include "velok/core/team.h"
#include "music/bgm.h"

struct TextBuf;
struct PalList;
struct Player;
struct CharData;
struct CharInfo;
struct AnimSet;
struct SprSet;
struct Array;
struct IntQueue;
struct DrawList;
struct AnimList;
struct Font;
struct ExplodList;
struct BGDef;
struct BGElem;
struct FightData;
struct SndSet;
struct Motif;
struct ScreenElem;
struct SelectStage;

enum {
    GAME_SPECIAL_COUNT = 11,
    GAME_DIR_LEN = 512,
    GAME_ERROR_LEN = 2048,
    GAME_MAIN_SLOTS = 4,
};

enum {
    WIN_ICON_SLOTS = 10,
    FIGHT_ELEM_TEXT_LEN = 64,
    FIGHT_ROUND_SOUNDS = 9,
    FIGHT_FONT_COUNT = 10,
    MOTIF_FONT_COUNT = 10,
};

// Variables a team member keeps from round to round and match to match:
// var from "IntPersistIndex" and fvar from "FloatPersistIndex" on (400 bytes).
struct PlayerPersist {
    int var[60];
    float fvar[40];
};


// Index 0 Pause, 1 SuperPause; filled by the pause controllers.
struct PauseRecord {
    PalGroupMask groups;  // the palette groups recorded with the pause
    int darken;
    int time;             // ticks left
    int pauseBg;          // the stage background stands still
    int endCmdBufTime;
};

// The round state machine: states 0 before the intro, 1 intro, 2 fight,
// 3 round over, 4 win poses.
struct RoundVars {
    int state;
    int tick;          // ticks since the last transition
    int introCounter;
    int overTick;      // state 3's tick when it ended
    int endTick;       // state 4 ends here
    int number;        // 1 for the first round
    int skipIntro;     // a button asked to skip the intro
    int skipEnd;       // a button shortened the win poses
    int scenePhase;    // win screen and survival results: 0 fade in, 1 hold, 2 fade out
    int sceneCounter;
    int wins[2];
    int draws;
    int counted;       // this round's result has been counted
    int endKind;       // 0 none, 1 KO, 2 double KO, 3 time over
    int winner;        // 1, 2, or 0 for a draw or none
    int timeLeft;      // ticks, -1 for no limit
    int fightTicks;    // ticks spent in state 2
    int hitDetect;
    int noEnd;         // training and demo matches: no KO and no time over
    int matchOver;
    int matchWinner;
    int winIcon[2][WIN_ICON_SLOTS];     // by the side's round-win count at recording
    int winPerfect[2][WIN_ICON_SLOTS];  // 8 perfect, -1 not
    int demoTick;
    int demoCount;
};

// The round rules of one side of the match (the fighters themselves are the
// side's current team entry).
struct MatchSide {
    int roundsToWin;
    int drawsAllowed;
    int regainBase;
    float regainA, regainB;
    float standRatio;  // average life / life maximum of the fighters at round start
    float lifeFactor;  // life maximum = factor x the Life option x the character's life
    int lifeReset;     // 0: life carries over from round to round
};

// The stage file's settings (zeroed before each load); the bounds, scales,
// ground line, shadow and auto-turn that the players read are game-record
// fields of their own.
struct StageVars {
    int startX, startY;  // camera start
    int boundLeft, boundRight, boundHigh, boundLow;
    int tension, floorTension;
    float verticalFollow;
    int playerX[GAME_MAIN_SLOTS], playerY[GAME_MAIN_SLOTS], playerZ[GAME_MAIN_SLOTS];
    int playerFacing[GAME_MAIN_SLOTS];
    int zOffset;      // the file's ground line; the one in use is stageZOffset
    int zOffsetLink;  // id of the background element that moves the ground line
    const BGElem *groundElem;  // that element, found once at load; null when no element has the id
    int resetBg;
    char music[GAME_DIR_LEN];
    int musicVolume;
};

// A sound by sound-set group and number; group -1 none.
struct FightSnd {
    int group, number;
};

// The fight screen's [Round] and [Time] settings but the three kept in the
// game record itself (round.time, over.wintime, over.time), with copies of
// the announcement texts; the elements themselves are the fight data's.
struct FightRound {
    int matchWins, maxDrawGames;
    int startWaitTime, introTime;
    int posX, posY;
    char roundDefaultText[FIGHT_ELEM_TEXT_LEN];
    int roundSndTime;
    FightSnd roundSnd[FIGHT_ROUND_SOUNDS];
    int fightTime, fightSndTime;
    FightSnd fightSnd;
    int ctrlTime;
    int koTime, koSndTime;  // both already raised by 10 when read
    FightSnd koSnd, dkoSnd, toSnd;
    int winTime;
    char winText[FIGHT_ELEM_TEXT_LEN];
    char win2Text[FIGHT_ELEM_TEXT_LEN];
    int slowTime, overWaitTime, overHitTime;
    int framesPerCount;  // [Time]
};

// One side's combo counter: the hits of the running combo and the display
// that slides in from [Combo] start.x while it shows two hits or more.
struct ComboCounter {
    int timeLeft;  // ticks left to display
    int hits;
    int shown;     // the count on display, at most 999; 0 once it has slid out
    int x;         // x offset of the display
    int running;   // a target of the side was still being hit this tick
};

// [Win Screen] and [Survival Results Screen] of the motif.
struct SceneCfg {
    int fadeInTime, holdTime, fadeOutTime;
    const ScreenElem *elem;  // the text element (wintext, winstext) in the motif; null without one
};

// [Demo Mode] of the motif, as the round reads it.
struct DemoCfg {
    int fightEndTime;
    int introWaitCycles;
    int barsDisplay;
    int debugInfo;
    int playBgm;  // fight.playbgm: demo matches open the stage music
};

// What the round loop runs; 0 outside it.
enum GameLoopKind {
    GAMELOOP_MATCH = 4,
    GAMELOOP_WIN_SCREEN = 5,
    GAMELOOP_SURVIVAL_RESULTS = 6,
};

enum { MATCH_KIND_TRAINING = 3 };

// The training menu over a paused training match: its switch, cursor and the
// value of each entry, which the dummy player was last given.
struct TrainingMenuVars {
    int open;
    int entry;     // row of the current entry among those of the dummy control
    int control;   // 0 cooperative, 1 AI, 2 manual
    int guard;     // 0 none, 1 auto
    int stance;    // 0 stand, 1 crouch, 2 jump, 3 jump releasing up at the top
    int distance;  // 0 any, 1 close, 2 medium, 3 far
    int button;    // 0 none, 1 to 7 buttons a, b, c, x, y, z, start
    int level;     // AI level - 1
};

// Made by start-up with new GameVars() (every plain field zero) and freed by
// shutdown; never allocated with LibCalloc, since it holds strings.
struct GameVars {
    std::string startDir;   // the working directory at start-up
    std::string progDir;    // the start directory ending in "/"
    std::string motifDir;   // "data/" and the motif's own directory, ending in "/"
    std::string motifFile;  // the motif's system file name

    // Where every loader leaves its reason; the fatal box shows it.
    char errorText[GAME_ERROR_LEN];
    TextBuf *warnLog;  // 8 lines of 77 characters
    int gameTick;

    // Round loop: the pause switch and slow motion (a rate R runs one tick in
    // 1 + R / 100 frames; the accumulator is non-zero on held-back ticks).
    int paused;
    int slowTime, slowRate, slowAccum;

    // Palettes that game palette effects reach by group, and the number of
    // registrations made under the background mask.
    PalList *palList;
    int palBgCount;

    // "data/velok.cfg": the engine groups read once at start-up, and the
    // [Options] group that the options screen loads and saves.
    SysConfig cfg;
    // The key records players and screens match input against. The remap
    // table turns every configured key and pad input into its default key's
    // code, so these hold the defaults; `cfg.input` keeps what the file says.
    KeyConfig playKeys[2];
    SysOptions options;

    // Players: the slot table (slots 1-4 main players, then helpers), the
    // player cache over the select list, persistent variables and teams.
    Player **players;        // playerSlotCount + 1 entries, by slot
    CharData *slotChar[GAME_MAIN_SLOTS + 1];
    int playerSlotCount;
    int enabledCount;
    int enabledFirst;        // 0 when none
    int enabledLast;         // -1 when none
    int playerIdCounter;
    CharInfo *charList;
    int charCount;
    int cacheLoaded;         // the limit is cfg.misc.playerCache
    int cacheStamp;
    PlayerPersist persist[2][TEAM_ENTRY_MAX][TEAM_MEMBER_MAX];
    TeamInfo teams[2];
    TeamEntry sideEntry[2];  // the entry each side fights with now
    int loadTicks[GAME_MAIN_SLOTS + 1];  // timer ticks each main slot's character took to load

    // Match facts the player code reads (the mode loop and the select screen set them).
    int arcadeSide;          // 0 none
    int survivalSide;        // 0 none
    int matchNo;
    int demo;
    int watch;

    // Global special flags asserted for the current tick, by index: intro,
    // roundnotover, noko, nokosnd, nokoslow, nomusic, globalnoshadow,
    // timerfreeze, nobardisplay, nobg, nofg.
    int specialFlags[GAME_SPECIAL_COUNT];

    // Camera position and the integer copies used for drawing.
    float cameraX, cameraY;
    int cameraXi, cameraYi;

    // Round flow, pauses and fight-screen timings that the player update
    // reads (the round loop and the fight-screen loader fill them).
    int gameLoopMode;      // GameLoopKind, 0 outside the round loop
    int matchKind;         // MATCH_KIND_TRAINING for training
    int playerInput;       // the player-input switch of the game tick
    RoundVars round;
    int roundTime;         // [Round] round.time
    int overWinTime;       // [Round] over.wintime
    int overTime;          // [Round] over.time
    PauseRecord pause[2];
    int activePause;       // -1 none, else the index into pause
    int shutterOn, shutterHeight, shutterStep;
    int noKO;              // the game's no-KO switch: life never drops below 1
    int hitDefSerial;      // the game-wide HitDef counter: each activation takes the next

    // Stage bounds and perspective (the stage loader fills them).
    float stageLeftBound, stageRightBound;
    float stageZTop, stageZBottom;
    float stageScaleTop, stageScaleBottom;
    int stageScreenLeft, stageScreenRight;  // screen margins
    int stageZOffset;                       // ground offset
    int stageAutoTurn;                      // the stage's autoturn: players turn to face their opponents
    float stageScaleZTop, stageScaleZBottom;  // the z range of the scales ([Scaling] topz, botz)
    char stageFile[GAME_DIR_LEN];           // the stage to load
    char stageMusicFile[GAME_DIR_LEN];      // chosen for the match in advance; wins over the stage's own
    StageVars stage;
    BGDef *stageBg;
    PalFx stagePalFx;                       // the background's palette effect (BGPalFX)
    float cameraTargetX, cameraTargetY;
    SprSet *teamSpr[2][TEAM_ENTRY_MAX];     // face sprites of each turns group's first member
    int debugPlayer;                        // the player the debug display shows, 0 none

    // Match and round flow of the round loop
    int quit;
    int restartRequest, reloadRequest;
    int speedTest, stressTest;
    int introPlayed;
    MatchSide side[2];
    FightRound fightRound;
    SceneCfg winScreen, survivalScreen;
    DemoCfg demoCfg;

    // Per-tick effects and the frame's lists
    int stateRerun;
    int shakeTime, shakeCounter;
    float shakeFreq, shakeAmpl, shakePhase;
    int shakeX, shakeY;
    int envColorTime, envColor, envColorUnder;
    DrawList *drawList;    // the priority draw list of a frame
    AnimList *animList;    // the persistent game animations
    Array *afterImages;    // the afterimage pool
    ExplodList *explods;   // the players' explods, hit sparks and dust (explodmax)
    ExplodList *sysExplods;  // screen elements of the fight screen and the motif (sysexplodmax)
    IntQueue *sysKeyQueue; // key events for the players' key buffers
    Font *sysFont[2];      // system fonts 1 and 2, loaded at start-up

    // Player drawing: what the frame takes from the fight screen and the
    // debug display.
    AnimSet *fightFxAnims;   // the fight screen's common effects
    SprSet *fightFxSpr;
    Font *debugFont;
    int clsnDisplay;         // collision boxes: 0 off, 1 outlines, 2 filled
    // The stage's [Shadow] and [Reflection] settings (the stage loader fills them).
    int stageShadowColour;   // RGB565
    int stageShadowIntensity;
    float stageShadowYScale;
    int stageShadowFadeLow, stageShadowFadeHigh;
    int stageReflect;

    // The fight screen: its layout (null until the fight-screen file is
    // loaded), the sets and fonts it loads (fonts not named by the file are
    // the first system font), the combo counters, and the lifebar display
    // switch turned the other way round (1 hides the lifebars: the win
    // screen, the survival results, the debug key).
    FightData *fight;
    SprSet *fightSpr;
    SndSet *fightSnd;
    SndSet *commonSnd;
    AnimSet *fightAnims;     // the file's own actions; null when it has none
    Font *fightFonts[FIGHT_FONT_COUNT];
    int screenElemSerial;    // numbers screen element definitions in reading order
    ComboCounter combo[2];
    int lifebarOff;
    PalFx fightPalFx;        // the fight screen's palette effect, applied last each frame

    // Start-up: what the command line gave and what the machine reported.
    int noMusic;              // the nomusic option: the four music kinds are off
    int resultsLog;           // the log option
    std::string resultsLogPath;
    int cmdAi[4];             // per player 1-4; -1 not given
    int cmdColor[4];          // value - 1
    int cmdLife[4];
    int cmdPower[4];
    int noJoy;                // the nojoy option: no pad is installed
    int quickVs;              // a second player was named on the command line
    int dxVersion;            // the graphics-driver version of the start-up check
    int writableDir;          // the working directory took the test file
    int versionMonth, versionDay, versionYear;
    int playerOn[GAME_MAIN_SLOTS];  // players 1 and 2 take part, 3 and 4 do not
    unsigned randomSeed;
    // Load times in frame-timer ticks; shutdown prints them in milliseconds.
    int loadTimeBg;
    int loadTimePlayer[2];
    int loadTimeTotal;

    // The AllPalFX controller's effect, over every palette.
    PalFx allPalFx;

    // Music: the menus' record (title, select and versus screens and the
    // storyboards) and the match's stage music.
    BGM menuBgm;
    BGM stageBgm;

    // System keys and the continue screen. The debug display, debug mode and
    // debug keys switches are cfg.debug's; the followed player is debugPlayer.
    int screenshotPending;   // F12 while paused: saved once a frame without the "PAUSED" box is drawn
    int choosingPlayer;      // the player who chose the mode in the title menu
    int continueChosen;      // the player chose to continue after losing

    // The learning AI: players learn from play, and the learned data is
    // written back to the characters' AI files.
    int aiLearn = 1;
    int aiSave = 1;

    // The title menu's choice (0 arcade ... 10 exit; the player who made it
    // is choosingPlayer), and the training menu of training matches.
    int titleChoice;
    TrainingMenuVars training;

    // The motif (its system file's layouts, null until loaded) with the sets
    // and fonts that its elements draw with; the select file's stage
    // list, per-order match counts (one-player and team arcade) and the arcade
    // order of computer opponents (ended by -1) with the place reached in it.
    // The character list is charList, charCapacity entries long.
    Motif *motif;
    SprSet *motifSpr;
    SndSet *motifSnd;        // null without a sound file
    AnimSet *motifAnims;     // the file's own actions; null when it has none
    Font *motifFonts[MOTIF_FONT_COUNT];  // the first system font where the file names none
    SelectStage *stageList;
    int stageCount;
    int charCapacity;
    int arcadeMaxMatches[10];
    int teamMaxMatches[10];
    std::vector<int> arcadeOrder;
    int arcadeIndex;

    // The mode loop: matches played since start-up (the results log numbers
    // matches by it), and the command line's rounds to win of a quick versus
    // match (0: not given).
    int totalMatches;
    int cmdRounds;
};

enum GameSpecialFlag {
    GAME_SPECIAL_INTRO = 0,
    GAME_SPECIAL_ROUNDNOTOVER,
    GAME_SPECIAL_NOKO,
    GAME_SPECIAL_NOKOSND,
    GAME_SPECIAL_NOKOSLOW,
    GAME_SPECIAL_NOMUSIC,
    GAME_SPECIAL_GLOBALNOSHADOW,
    GAME_SPECIAL_TIMERFREEZE,
    GAME_SPECIAL_NOBARDISPLAY,
    GAME_SPECIAL_NOBG,
    GAME_SPECIAL_NOFG,
};

extern GameVars *gv;
