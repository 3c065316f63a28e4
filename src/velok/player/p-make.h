// Player creation and the player cache: loaded characters shared by reference, player records, sides, teams and persistent variables.
#pragma once

#include "velok/core/gamevars.h"
#include "velok/player/player.h"

struct CharData;

enum {
    CHARINFO_PATH_LEN = 512,
    CHARINFO_NAME_LEN = 48,  // 47 characters
    PLAYER_TARGET_MAX = 8,
    PLAYER_TARGET_SIZE = 32,
    PLAYER_CLIP_WIDTH = 78,   // 77 characters and the terminator
    PLAYER_CLIP_LINES = 3,
    PLAYER_PAL_CAPACITY = 16,
    PLAYER_REQUIRED_SHOWN = 8,
};

// A select-list entry: the first fields belong to the player cache, the
// definition file name and directory say what to load; the rest come from
// the select file.
struct CharInfo {
    int cacheRefs;
    int cacheStamp;
    CharData *cacheData;  // null when not loaded
    char defFile[CHARINFO_PATH_LEN];
    char dir[CHARINFO_PATH_LEN];  // ends in a separator; a zip character's is its archive
    char stage[CHARINFO_PATH_LEN];   // the arcade stage: empty, a stage file or "random"
    char music[CHARINFO_PATH_LEN];   // the arcade music, lower case
    int stageFlag;                   // 3 when the stage belongs in the stage list
    int cell;                        // column + columns x row of its grid cell
    int palMask;                     // bit n - 1: the character has palette file n (1 to 12)
    int palDefaults[4];              // 1 to 12
    int order;                       // arcade order 0 to 9; -1 never an arcade opponent
    char introStoryboard[CHARINFO_PATH_LEN];
    char endingStoryboard[CHARINFO_PATH_LEN];
    int palFree;                     // the palettes no player has reserved
    char displayName[CHARINFO_NAME_LEN];  // [Info] displayname, else name
};

// The slot table: 4 main slots and the helper slots. 1, or 0 when memory runs out.
int PlayerSlotsCreate(int helperMax);
void PlayerSlotsFree();

// Takes one reference; null with the reason in the game error text.
CharData *PlayerCacheLoad(int charIndex);
void PlayerCacheRelease(int charIndex, int bonus);
void PlayerCacheReleaseIdx(int charIndex);
void PlayerCacheStamp(int charIndex, int bonus);
int PlayerCacheIsLoaded(int charIndex);
int PlayerCacheHasRoom();
// Frees every loaded entry. An entry that players still use stays loaded and
// is named in the game error text; 1 when every entry was freed, else 0.
int PlayerCacheFlush();

// A null character makes a bare record (helpers). Null with the reason in the game error text.
Player *PlayerNew(CharData *cd);
void PlayerSprRequire(Player *pl, int palNo);
// Warnings for the required sprites and actions the character lacks.
void PlayerRequiredCheck(Player *pl);
void PlayerRoundInit(Player *pl);
void PlayerEnableSet(int slot, int on);
void PlayerFree(Player *pl);
// The player whose power the player uses: its side's first player, or itself
// when the side or that slot is not set.
Player *PlayerPowerOwner(Player *pl);
// The AI level a new player starts with, by the configured level and the ramps.
int PlayerAILevelStart();

int PlayersCreateSide(int side);
int PlayersDestroySide(int side);
void PlayersRebuildSide(int side);
// Removes its explods, its targets and its helpers, and every hold others
// have on it (PlayerReferencesDrop); before the player is freed.
int PlayerDestroy(Player *pl);
// Every other player lets go of one that goes away: target entries, opponent,
// companion, last opponent and last hitter links, a binding to it, being
// held by it, and its states.
void PlayerReferencesDrop(Player *gone);
void TeamOrderFromKeys(int side);
void TeamAIEnableAll();

void PlayerPersistClear(PlayerPersist *block);
void PlayerPersistClearAll();
void PlayerPersistClearTeam(int team);
void PlayerPersistSave(const Player *pl, PlayerPersist *block);
void PlayerPersistLoad(Player *pl, const PlayerPersist *block);
