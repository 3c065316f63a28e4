// The player record: one fighter or helper, its constants, state block and variables.
#pragma once

struct AnimObj;
struct AnimSet;
struct CharData;
struct CmdSet;
struct StateDefList;
struct TextBuf;
struct Player;

enum {
    PLAYER_NAME_LEN = 48,
    PLAYER_VAR_COUNT = 60,
    PLAYER_FVAR_COUNT = 40,
    PLAYER_SYSVAR_COUNT = 5,
    PLAYER_SYSFVAR_COUNT = 5,
    PLAYER_PERSIST_COUNT = 512,
    PLAYER_CONST_COUNT = 66,
    PLAYER_ASSERT_COUNT = 9,
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
    int moveContact;       // CONTACT_* of the last contact of the current move, 0 none
    int moveContactTicks;
};

// Hit counts of the active attack.
struct PlayerHitState {
    int hitCount;
    int uniqHitCount;
};

// What the last hit or guard left on the player, read by gethitvar and the
// get-hit triggers and controllers; in the order of the gethitvar names.
struct PlayerGetHit {
    int hitByMask[2];
    int hitByTime[2];      // -1 without end
    int xVelAdd, yVelAdd;
    int type, animType, airType, groundType;
    int damage;
    int hitCount;
    int fallCount;
    int hitShakeTime;
    int hitTime;
    int slideTime;
    int ctrlTime;
    int recoverTime;
    float xOff, yOff, zOff;
    float xVel, yVel;
    float yAccel;
    int chainId;
    int guarded;
    int isBound;
    int fall;
    int fallDamage;
    float fallXVel, fallYVel;
    int fallRecoverFlag;   // fall.recover
    int fallTime;
    int fallRecoverTime;
    int fallKill;
    int fallEnvShakeTime, fallEnvShakeDir, fallEnvShakeAmpl;
    float fallEnvShakeFreq, fallEnvShakePhase;
    // Not among the gethitvar names
    int recoverCount;      // ticks counted toward fall.recovertime
    int lifeAtHitStart;
    Player *lastHitter;
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

    // Life and power (the power pointers lead to the side's first player, so a
    // side shares one power bar)
    int enabled;
    int frozen;
    int alive;
    int standby;
    int life;
    int lifeMax;
    int *powerPtr;
    int *powerMaxPtr;
    int power;
    int powerMax;
    float attackMul;
    float defenceMul;

    // Motion and the per-tick settings of the state controllers
    int facing;  // 1 right, -1 left
    float posX, posY, posZ;
    float velX, velY, velZ;
    int posFreeze;
    int sprPriority;
    int screenBound;
    int moveCameraX, moveCameraY;
    int playerPush;
    int assertFlags[PLAYER_ASSERT_COUNT];
    int widthEdgeFront, widthEdgeBack;      // the Width controller's extra widths
    int widthPlayerFront, widthPlayerBack;
    int screenLeft, screenRight;            // screen edges as last computed
    float zScale;                           // perspective scale

    // Drawing
    int guardDist;
    int drawOffsetX, drawOffsetY;
    float drawScaleX, drawScaleY;
    float angle;
    int angleDraw;
    int transKind;  // -1 none
    int transSrc, transDst;
    AnimObj *anim;
    AnimSet *animOwn;       // the own character's actions
    AnimSet *animOverride;  // another character's while running its states; null: own
    int invalidAction;
    int palNo;              // 0-based

    PlayerHitState hit;
    PlayerGetHit getHit;

    // The trigger context's opponent, found each tick
    Player *opponent;
    TextBuf *clipboard;     // 3 lines of 77 characters
};

// Warning lines of the warning log; a null player is ignored.
void PlayerWarn(Player *pl, const char *text);
void PlayerWarnf(Player *pl, const char *format, ...) __attribute__((format(printf, 2, 3)));
// a: the player the trigger was redirected to; b: the player whose state holds it.
void PlayerWarnRedirected(Player *a, Player *b, const char *text);
