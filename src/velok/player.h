// The player record: one fighter or helper, its constants, state block and variables.
#pragma once

#include "velok/sc-hitdef.h"

struct AnimObj;
struct AnimSet;
struct Array;
struct CharData;
struct CmdSet;
struct Player;
struct StateDefList;

enum {
    PLAYER_NAME_LEN = 48,
    PLAYER_VAR_COUNT = 60,
    PLAYER_FVAR_COUNT = 40,
    PLAYER_SYSVAR_COUNT = 5,
    PLAYER_SYSFVAR_COUNT = 5,
    PLAYER_PERSIST_COUNT = 512,
    PLAYER_CONST_COUNT = 66,
    PLAYER_ASSERT_COUNT = 9,
    PLAYER_SLOT_MAX = 64,  // per-slot arrays: 4 main slots and at most 56 helpers, indexed by slot
    PLAYER_OVERRIDE_COUNT = 8,
    PLAYER_TARGET_MAX = 8,
};

// AssertSpecial player flags, by index.
enum PlayerAssertFlag {
    PLAYER_ASSERT_NOSTANDGUARD = 0,
    PLAYER_ASSERT_NOCROUCHGUARD = 1,
    PLAYER_ASSERT_NOAIRGUARD = 2,
    PLAYER_ASSERT_NOAUTOTURN = 3,
    PLAYER_ASSERT_NOSHADOW = 4,
    PLAYER_ASSERT_NOJUGGLECHECK = 5,
    PLAYER_ASSERT_NOWALK = 6,
    PLAYER_ASSERT_UNGUARDABLE = 7,
    PLAYER_ASSERT_INVISIBLE = 8,
};

// Move-contact kinds of an attacker.
enum {
    PLAYER_CONTACT_GUARDED = 1,
    PLAYER_CONTACT_HIT = 2,
    PLAYER_CONTACT_REVERSED = 4,
};

// One entry of a player's target list: a player it has hit and holds.
struct PlayerTarget {
    Player *target;
    int juggle;        // juggle points left
    int serial;        // the HitDef serial that made or last renewed the entry
    float bindX, bindY, bindZ;
    int bindTime;
    int bindTimeSeen;  // the bind time at the holder's last state run
};

// One HitOverride slot.
struct PlayerHitOverride {
    int active;
    int attr;
    int stateNo;  // -1 keeps the state
    int time;     // -1 for ever
    int forceAir;
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

    // Input
    CmdSet *cmdSet;  // the set in use

    // State machine
    PlayerStateBlock state;

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

    // Life, power and motion as the hit engine reads and writes them
    int enabled;
    int alive;
    int life, lifeMax;
    int lifeShown[2];        // the life copies behind the lifebar's damage mark
    int *power, *powerMax;   // the side's shared bar, null for none
    int ownPower, ownPowerMax;
    float attackMul, defenceMul;
    int facing;              // 1 right, -1 left
    int pendingFacing;       // 0 none
    float x, y, z;
    float prevX, prevY, prevZ;
    float velX, velY, velZ;
    float drawOffsetX, drawOffsetY;
    float zScale;            // perspective scale
    int screenLeft, screenRight;  // screen edges in stage x, kept by the screen bound
    int sprPriority;
    int screenBound, playerPush;
    unsigned char assertFlag[PLAYER_ASSERT_COUNT];  // PlayerAssertFlag
    int widthEdge[2], widthPlayer[2];  // the Width controller's front and back widths
    float extraVelX, extraVelY, extraDecayX, extraDecayY, extraStop;
    int extraTicks;          // nonzero while the extra velocity runs, -1 until it stops
    int airJumps;
    AnimObj *anim;
    AnimSet *animOverride;   // null: the own character's animations
    int hitPause, pendingHitPause;
    int guarding;
    int sinceLastHit;        // ticks since the last hit, 0 while in move type H

    // Hit engine: the attack block and the attacker's records
    HitDef hitDef;
    int juggleCost;          // the juggle points the current tick's hit costs
    Array *targets;          // PlayerTarget entries, PLAYER_TARGET_MAX of them
    int moveContact, moveContactTime;
    int hitTotal, hitUnique, hitCombo;
    int lastHitTick;

    // Hit engine: the get-hit block
    int hitLock;
    int hitBy[2], hitByTime[2];
    PlayerHitOverride hitOverride[PLAYER_OVERRIDE_COUNT];
    int slotSerial[PLAYER_SLOT_MAX];   // per attacking slot: the last HitDef serial that touched this player
    int slotHitMark[PLAYER_SLOT_MAX];  // per attacking slot: hit by it in the current pass
    int falling;
    int pendingDamage;
    int hitShakeTime, hitTime, slideTime, ctrlTime;
    float hitVelX, hitVelY;
    float cornerPush;
    int groundType, airType, animType;
    Player *lastHitter;
    int lastHitAttr, lastHitId;
    int guarded;
    float getHitYAccel;
    float fallVelX, fallVelY;
    int fallRecover, fallRecoverTime, fallKill, fallDamage;
    EnvShakeBlock fallShake;
    int fallTime;
    int getHitCount;         // hits taken in the current combo
    float pendingOffX, pendingOffY, pendingOffZ;
    PalFxBlock palFx;        // the own palette effect that a hit starts
};

// Warning lines of the warning log; a null player is ignored.
void PlayerWarn(Player *pl, const char *text);
void PlayerWarnf(Player *pl, const char *format, ...) __attribute__((format(printf, 2, 3)));
// a: the player the trigger was redirected to; b: the player whose state holds it.
void PlayerWarnRedirected(Player *a, Player *b, const char *text);
