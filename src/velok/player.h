// The player record: one fighter or helper, its constants, state block and variables.
#pragma once

struct CharData;
struct CmdSet;
struct StateDefList;

enum {
    PLAYER_NAME_LEN = 48,
    PLAYER_VAR_COUNT = 60,
    PLAYER_FVAR_COUNT = 40,
    PLAYER_SYSVAR_COUNT = 5,
    PLAYER_SYSFVAR_COUNT = 5,
    PLAYER_PERSIST_COUNT = 512,
    PLAYER_CONST_COUNT = 66,
};

// The character's constants block, in its stored order (within each jump group
// the shared y velocity stands before the x values). Every word is 32 bits, so
// the const trigger can address a word by its index.
struct PlayerConst {
    int life;
    int power;
    int attack;
    int attackZWidthFront;
    int attackZWidthBack;
    int airJuggle;
    int attackDist;
    int projAttackDist;
    int defence;
    float fallDefenceUp;
    int liedownTime;
    float xScale;
    float yScale;
    int groundBack;
    int groundFront;
    int airBack;
    int airFront;
    int zWidth;
    int height;
    int projDoScale;
    int headPosX;
    int headPosY;
    int midPosX;
    int midPosY;
    int shadowOffset;
    float walkFwd;
    float walkBack;
    float walkUp;
    float walkDown;
    float runFwdX;
    float runFwdY;
    float runBackX;
    float runBackY;
    float runDownX;
    float runDownY;
    float runUpX;
    float runUpY;
    float jumpY;
    float jumpNeuX;
    float jumpFwdX;
    float jumpBackX;
    float jumpUpX;
    float jumpDownX;
    float runJumpY;
    float runJumpFwdX;
    float runJumpBackX;
    float runJumpUpX;
    float runJumpDownX;
    int airJumpNum;
    int airJumpHeight;
    float airJumpY;
    float airJumpNeuX;
    float airJumpFwdX;
    float airJumpBackX;
    float airJumpUpX;
    float airJumpDownX;
    float yAccel;
    float standFriction;
    float crouchFriction;
    int sparkNo;
    int guardSparkNo;
    int koEcho;
    int drawOffsetX;
    int drawOffsetY;
    int intPersistIndex;
    int floatPersistIndex;
};
static_assert(sizeof(PlayerConst) == PLAYER_CONST_COUNT * 4, "constants block is 66 words");

// State type 1 S, 2 C, 3 A, 4 L; move type 0 I, 1 A, 2 H; physics 0 N, 1 S, 2 C, 3 A.
struct PlayerStateBlock {
    StateDefList *ownList;
    StateDefList *customList;  // the other player's list while running its states, else null
    int customOwnerId;
    int stateNo;
    int prevStateNo;
    signed char persist[PLAYER_PERSIST_COUNT];
    int time;
    int stateType;
    int moveType;
    int physics;
    int ctrl;
    int hitPauseTime;
};

// Fields are grouped by purpose in record order; the character code adds the
// remaining fields of each group in place.
struct Player {
    // Identity
    CharData *charData;  // shared; null for a bare record
    int id;
    int slot;    // 1-4 main players (1 and 3 on side 1), 5 and up helpers
    int side;    // 1 or 2
    int teamIndex;
    int teamEntry;
    int memberIndex;
    int isHelper;
    char name[PLAYER_NAME_LEN];

    // Constants: a private copy so that a controller may change them
    PlayerConst consts;

    // Life and power
    int enabled;
    int frozen;
    int alive;
    int life;
    int lifeMax;

    // Motion
    int assertFlags[9];    // AssertSpecial: nostandguard ... invisible

    // Input
    int noInput;           // the round flow has taken the player's input away
    int aiControlled;
    CmdSet *cmdSet;  // the set in use

    // State machine
    PlayerStateBlock state;
    int pauseMoveTime[2];  // ticks it keeps moving in a Pause, a SuperPause
    int roundsExisted;
    int lastRunTick;       // game tick of its last state run

    // Variables
    int var[PLAYER_VAR_COUNT];
    float fvar[PLAYER_FVAR_COUNT];
    int sysVar[PLAYER_SYSVAR_COUNT];
    float sysFvar[PLAYER_SYSFVAR_COUNT];

    // Helpers
    int helperId;
    int parentId;
    Player *parent;
    Player *root;
    int helperTypePlayer;
};

// Warning lines of the warning log; a null player is ignored.
void PlayerWarn(Player *pl, const char *text);
void PlayerWarnf(Player *pl, const char *format, ...) __attribute__((format(printf, 2, 3)));
// a: the player the trigger was redirected to; b: the player whose state holds it.
void PlayerWarnRedirected(Player *a, Player *b, const char *text);
