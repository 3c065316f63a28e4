// The game record: one zeroed block reached through one global pointer.
#pragma once
#include "velok/config.h"

struct TextBuf;
struct PalList;
struct Player;
struct CharData;
struct CharInfo;
struct AnimSet;
struct SprSet;
struct DrawList;
struct Font;

enum {
    GAME_DIR_LEN = 512,
    GAME_ERROR_LEN = 2048,
    GAME_MAIN_SLOTS = 4,
    TEAM_ENTRY_MAX = 4,
    TEAM_MEMBER_MAX = 4,
};

// Variables a team member keeps from round to round and match to match:
// var from "IntPersistIndex" and fvar from "FloatPersistIndex" on (400 bytes).
struct PlayerPersist {
    int var[60];
    float fvar[40];
};

// One member of a team entry; charIndex -1 for none.
struct TeamMember {
    int slot;       // player slot 1-4
    int charIndex;  // in the select list
    int palNo;
    int keySet;     // which of the game's key configurations drives it
    int ai;
};

// One turn of a team: one member, or the members fighting together.
struct TeamEntry {
    TeamMember members[TEAM_MEMBER_MAX];
    int memberCount;
    int orderFixed;  // set by the select screen: keys held at match start do not reorder
};

// One side's team for a match; mode 0 single, 1 simul, 3 turns.
struct TeamInfo {
    TeamEntry entries[TEAM_ENTRY_MAX];
    int entryCount;
    int current;
    int mode;
    int isTeam;
};


struct GameVars {
    char startDir[GAME_DIR_LEN];
    char progDir[GAME_DIR_LEN];
    char motifDir[GAME_DIR_LEN];
    char motifFile[GAME_DIR_LEN];

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
    int survivalWins;        // rounds won by team 1 in survival
    int matchNo;
    int demo;
    int watch;

    // Player drawing: what the frame takes from the round loop, the camera,
    // the stage, the fight screen and the debug display.
    int shakeX, shakeY;      // screen-shake draw offsets
    int cameraX, cameraY;    // integer camera position, used by all drawing
    int stageGround;         // the stage's ground line in use
    int roundTick;           // ticks since the round state's last change
    AnimSet *fightFxAnims;   // the fight screen's common effects
    SprSet *fightFxSpr;
    DrawList *drawList;      // the game's draw list
    Font *debugFont;
    int clsnDisplay;         // collision boxes: 0 off, 1 outlines, 2 filled
};

extern GameVars *gv;
