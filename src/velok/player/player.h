// The player record: one fighter or helper, its constants, state block and variables.
#pragma once

#include "velok/player/cmd.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-ai.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/script/sc-hitdef.h"

struct AfterImage;
struct AnimObj;
struct AnimSet;
struct Array;
struct CharData;
struct KeyConfig;
struct Player;
struct ProjList;
struct SprSet;
struct StateDefList;
struct TextBuf;

enum {
    PLAYER_NAME_LEN = 48,
    PLAYER_VAR_COUNT = 60,
    PLAYER_FVAR_COUNT = 40,
    PLAYER_SYSVAR_COUNT = 5,
    PLAYER_SYSFVAR_COUNT = 5,
    PLAYER_PERSIST_COUNT = 512,
    PLAYER_CONST_COUNT = 66,
    PLAYER_ASSERT_COUNT = 9,
    PLAYER_OVERRIDE_COUNT = 8,
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
    // Per-state fields the state run reads and other parts set.
    int hitPauseTime;
    int moveContact;       // kind of the last contact of the current move, 0 none
    int moveContactTicks;
    int stateExists;       // the current state number has a statedef
};

// Hit counts of the active attack; the attack itself is the HitDef block.
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
    // The character code's part of the block. Zeroed at round start but for
    // the per-slot arrays, which live as long as the record.
    float fallRecover;
    int lieTime;
    float hitVelMarkX;
    float hitVelMarkY;
    int *lastHitSerial;  // one per player slot, -1 none
    int *slotWord;       // one per player slot
};

// One HitOverride slot.
struct PlayerHitOverride {
    int active;
    int attr;
    int stateNo;  // -1 keeps the state
    int time;     // -1 for ever
    int forceAir;
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

// A box relative to the player's position and facing, shown with the
// collision boxes while on.
struct PlayerGuideBox {
    int on;
    float x1, y1, x2, y2;
};

// A binding to another player (BindToParent, BindToRoot, BindToTarget). The
// bound-to player is named by slot and id and looked up each tick, so a
// binding never outlives that player.
struct PlayerBindTo {
    int time;          // nonzero active; counts down while above 0, so -1 binds until changed
    int slot, id;      // the bound-to player; slot 0 none
    int useX, useY, useZ;
    int facingRule;    // 0 keeps the own facing, else bound-to facing x rule
    float offX, offY, offZ;
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

    // Life and power. The power in use belongs to the side's first player
    // (PlayerPowerOwner), so a side shares one power bar.
    int enabled;
    int frozen;
    int alive;
    int standby;
    int life;
    int lifeMax;
    int lifeShown[2];      // read by the fight screen
    int powerShown;        // the power bar's fill, following the power in use
    int powerLevel;        // power / 1000 when last looked at, for the level sounds
    int power;             // own power
    int powerMax;          // own maximum, the "power" constant
    int powerExtra;
    float attackMul;
    float defenceMul;

    // Motion
    int facing;            // 1 right, -1 left
    int facingWords[2];
    float posX, posY, posZ;
    float velX, velY, velZ;
    int motionWords[5];
    int sprPriority;
    int screenBound;
    int motionWords2[4];
    int assertFlags[9];    // the seventh is "no walk"
    int roundCounters[3];
    Array *targets;        // 8 entries of 32 bytes
    struct {
        float velX, velY;
        float decayX, decayY;
        float stopThreshold;
        int ticksLeft;
    } extraVel;
    // The per-tick settings of the state controllers
    int posFreeze;
    int moveCameraX, moveCameraY;
    int playerPush;
    int widthEdgeFront, widthEdgeBack;      // the Width controller's extra widths
    int widthPlayerFront, widthPlayerBack;
    int screenLeft, screenRight;            // screen edges as last computed

    // Input
    KeyBuf keyBuf;
    CmdBuffer cmdBuf;
    int shownOnly;         // shown on a result screen: no input, no state -1
    int rereadKeys;
    int noInput;
    int aiControlled;
    const KeyConfig *keyConfig;  // null for AI players and helpers
    CmdSet *cmdSet;  // the set in use
    CmdFlags cmdFlags;

    // State machine
    PlayerStateBlock state;
    int guarding;
    int idleTicks;
    int hitPauseTimers[2];
    int pauseMove;
    int canBeFrozen;
    int stateCounters[4];
    int exists;
    PlayerHitState hit;
    int roundsExisted;

    // Variables
    int var[PLAYER_VAR_COUNT];
    float fvar[PLAYER_FVAR_COUNT];
    int sysVar[PLAYER_SYSVAR_COUNT];
    float sysFvar[PLAYER_SYSFVAR_COUNT];

    // Being hit
    PlayerGetHit getHit;

    // Hit engine: the attack block and what the pass keeps between ticks
    HitDef hitDef;
    int juggleCost;        // the juggle points the current tick's hit costs
    int hitCombo;
    int lastHitTick;       // game tick of the player's last hit
    int hitLock;           // while above 0 no HitDef hits this player
    float cornerPush;      // corner-push velocity offset of the last hit or guard
    int lastHitAttr;       // attr of the last HitDef that touched the player

    // Drawing
    int guardDist;
    float zScale;
    float drawScaleX, drawScaleY;
    float angle;
    int angleDraw;
    int transKind;         // -1 none
    int transSrc, transDst;
    int screenPosMark;
    SprSet *sprInUse;
    SprSet *sprView;       // the player's sharing view of the character's sprites
    SprSet *palInUse;
    SprSet *palView;       // a sharing view of the sprite view, holding the chosen palette
    AnimSet *animOverride; // null: the own character's
    AnimObj *anim;
    int palNo;
    PalGroupMask palMask;
    PalFx palFx;
    int drawOffsetX, drawOffsetY;
    AnimSet *animOwn;      // the own character's actions
    int invalidAction;

    // Helpers. A helper's parent is looked up by slot and id (HelperParentGet),
    // so a parent whose slot was reused is no parent; main players have no
    // root, and the power they use is their side's (PlayerPowerOwner).
    int helperId;
    int parentId;
    Player *parent;
    Player *root;
    int helperTypePlayer;
    int helperType;        // HelperType of sc-helper.h
    int parentSlot;
    int keyCtrl;           // a helper runs state -1 only with keyctrl
    int helperOwnPal;      // its palettes are its own, listed under its parent's groups

    // Per-tick update: turning, visibility, jumps, the KO, pauses and bindings
    int pendingFacing;     // 0 none
    float prevX, prevY, prevZ;
    int visible;
    int airJumps;          // air jumps left
    int pendingHitPause;
    int pendingDamage;
    float pendingOffX, pendingOffY, pendingOffZ;
    int koTicks;
    int sinceLastHit;      // ticks since the last hit, 0 in move type H
    int pauseMoveTime[2];  // ticks it keeps moving in a Pause, a SuperPause
    int runFlag;           // the slot's run flag of the current game tick
    int lastRunTick;       // game tick of its last state run
    int liveTicks;
    int boundBySlot, boundById;  // the player holding this one as a bound target; slot 0 none
    PlayerHitOverride hitOverride[PLAYER_OVERRIDE_COUNT];
    PlayerBindTo bindTo;
    float screenX, screenY;
    int zScaleMarks[7];    // with screenPosMark: the integer inputs of the last screen position

    // AI and the trigger context
    Player *opponent;
    Player *companion;
    int aiLevel;           // 1-8
    TextBuf *clipboard;    // 3 lines of 77 characters
    Player *lastOpponent;  // the opponent before the round loop looked again
    AIPlayer ai;           // the AI section: learning, decisions, events

    // Drawing inputs that the AI fills
    PlayerGuideBox aiGuide[2];       // the AI's two guide blocks, for the debug boxes

    // Projectiles and the afterimage trail
    ProjList *projList;    // a helper's projectiles go into its root's list
    AfterImage *afterImage;  // borrowed from the game's pool, or null
    int projContactKind;   // last projectile contact: 1 guarded, 2 hit, 3 cancelled; 0 none
    int projContactId;     // the ID of that projectile
    int projContactTicks;  // ticks since that contact
};

// Warning lines of the warning log; a null player is ignored.
void PlayerWarn(Player *pl, const char *text);
void PlayerWarnf(Player *pl, const char *format, ...) __attribute__((format(printf, 2, 3)));
// a: the player the trigger was redirected to; b: the player whose state holds it.
void PlayerWarnRedirected(Player *a, Player *b, const char *text);

// The player slot table of the game record: null outside 1..slot count.
// Inline: every walk over the players goes through it.
inline Player *PlayerSlotGet(int slot)
{
    if (!gv || !gv->players || slot < 1 || slot > gv->playerSlotCount)
        return nullptr;
    return gv->players[slot];
}
// The player in the slot if it is enabled, else null.
inline Player *PlayerEnabledGet(int slot)
{
    Player *pl = PlayerSlotGet(slot);
    return pl && pl->enabled ? pl : nullptr;
}
// The highest slot an enabled player may hold now (0 when none). Walks over
// the enabled players stop there instead of passing every free helper slot;
// read it again at each step where a state run can enable a higher slot.
inline int PlayerEnabledEnd()
{
    if (!gv || !gv->players)
        return 0;
    return gv->enabledLast < gv->playerSlotCount ? gv->enabledLast : gv->playerSlotCount;
}
// The player in the slot while it is still the one with that id.
Player *PlayerSlotGetById(int slot, int id);
// The teammate's main slot of main slot 1-4 (1 with 3, 2 with 4), else 0.
int PlayerPartnerSlot(int slot);
