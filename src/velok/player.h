// The player record: one fighter or helper, its constants, state block and variables.
#pragma once

#include "velok/pal.h"
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
    PLAYER_SLOT_MAX = 64,  // bound of a slot index: 4 main slots and at most 56 helpers
    PLAYER_OVERRIDE_COUNT = 8,
    PLAYER_TARGET_MAX = 8,
};

// State types, move types and physics of the state block.
enum {
    STATETYPE_S = 1,
    STATETYPE_C = 2,
    STATETYPE_A = 3,
    STATETYPE_L = 4,
    MOVETYPE_I = 0,
    MOVETYPE_A = 1,
    MOVETYPE_H = 2,
    PHYSICS_N = 0,
    PHYSICS_S = 1,
    PHYSICS_C = 2,
    PHYSICS_A = 3,
};

// Player flags of the AssertSpecial controller, by index.
enum PlayerAssertFlag {
    ASSERT_NOSTANDGUARD = 0,
    ASSERT_NOCROUCHGUARD,
    ASSERT_NOAIRGUARD,
    ASSERT_NOAUTOTURN,
    ASSERT_NOSHADOW,
    ASSERT_NOJUGGLECHECK,
    ASSERT_NOWALK,
    ASSERT_UNGUARDABLE,
    ASSERT_INVISIBLE,
};

// Move-contact kinds of the last contact of the player's attack.
enum {
    CONTACT_GUARDED = 1,
    CONTACT_HIT = 2,
    CONTACT_REVERSED = 4,
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
    // Per-state fields the state run reads and other parts set.
    int hitPauseTime;
    int moveContact;       // kind of the last contact of the current move, 0 none
    int moveContactTicks;
};

// Hit counts of the active attack.
struct PlayerHitState {
    int hitCount;
    int uniqHitCount;
};

// The get-hit block: what the last hit or guard did to this player.
struct PlayerGetHit {
    int hitByMask[2];
    int hitByTime[2];      // -1 without end
    int animType, airType, groundType;
    int hitCount;
    int hitShakeTime;
    int hitTime;
    int slideTime;
    int ctrlTime;
    float xOff, yOff, zOff;  // the pending position offsets of the hit
    float xVel, yVel;
    float yAccel;
    int chainId;           // the hit id of the last hit
    int guarded;
    int fall;
    int fallDamage;
    float fallXVel, fallYVel;
    int fallRecoverFlag;   // fall.recover
    int fallTime;
    int fallRecoverTime;
    int fallKill;
    int fallEnvShakeTime, fallEnvShakeDir, fallEnvShakeAmpl;
    float fallEnvShakeFreq, fallEnvShakePhase;
    Player *lastHitter;
    int *lastHitSerial;    // one per player slot, -1 none
    int *slotWord;         // one per player slot: hit by that slot in the current pass
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

    // Life and power, motion and drawing as the hit engine uses them, under
    // the names the character code gives them
    int enabled;
    int frozen;
    int alive;
    int life;
    int lifeMax;
    int lifeShown[2];      // read by the fight screen
    int *powerPtr;         // the side's shared power bar
    int *powerMaxPtr;
    int power;
    int powerMax;
    float attackMul;
    float defenceMul;
    int facing;            // 1 right, -1 left
    float posX, posY, posZ;
    float velX, velY, velZ;
    int sprPriority;
    int screenBound;
    int playerPush;
    int assertFlags[PLAYER_ASSERT_COUNT];
    int widthEdgeFront, widthEdgeBack;      // the Width controller's extra widths
    int widthPlayerFront, widthPlayerBack;
    int screenLeft, screenRight;            // screen edges as last computed
    float zScale;                           // perspective scale
    Array *targets;        // PlayerTarget entries, PLAYER_TARGET_MAX of them
    struct {
        float velX, velY;
        float decayX, decayY;
        float stopThreshold;
        int ticksLeft;
    } extraVel;
    int guarding;
    PlayerHitState hit;
    PlayerGetHit getHit;
    int drawOffsetX, drawOffsetY;
    AnimObj *anim;
    AnimSet *animOverride;  // another character's while running its states; null: own
    PalFx palFx;

    // Hit engine
    HitDef hitDef;
    int juggleCost;        // the juggle points the current tick's hit costs
    int hitCombo;
    int lastHitTick;
    int pendingHitPause;
    int pendingFacing;     // 0 none
    float prevPosX, prevPosY, prevPosZ;  // the position of the previous tick
    int airJumps;
    int sinceLastHit;      // ticks since the last hit, 0 while in move type H
    int hitLock;           // while above 0 no HitDef hits this player
    PlayerHitOverride hitOverride[PLAYER_OVERRIDE_COUNT];
    int pendingDamage;
    float cornerPush;      // corner-push velocity offset
    int lastHitAttr;
};

// Warning lines of the warning log; a null player is ignored.
void PlayerWarn(Player *pl, const char *text);
void PlayerWarnf(Player *pl, const char *format, ...) __attribute__((format(printf, 2, 3)));
// a: the player the trigger was redirected to; b: the player whose state holds it.
void PlayerWarnRedirected(Player *a, Player *b, const char *text);
