// The learning AI: learned samples of a character's moves, the AI file, learning from play, and the decisions of computer-controlled players.
#pragma once
#include <cstdint>

struct Array;
struct Player;

enum {
    AI_SAMPLE_WORDS = 301,
    AI_SAMPLE_SIZE = AI_SAMPLE_WORDS * 4,
    AI_GROUND_MAX = 80,
    AI_AIR_MAX = 40,
    AI_BASIC_BOXES = 4,       // the boxes of states 0, 20, 11 and 50, in that order
    AI_BOX_WORDS = 16,        // 64 bytes: left, top, right, bottom at words 0, 4, 8, 12
    AI_CONTEXT_MAX = 32,
    AI_CMD_MAX = 8,           // commands of a list; a -1 terminator follows
    AI_CMD_WORDS = AI_CMD_MAX + 1,
    AI_EVENT_MAX = 10,
    AI_PENDING_MAX = 64,      // keys waiting to be pressed, one per tick
    AI_CANDIDATE_MAX = 49,    // samples of the own array that a choice looks at
    AI_FILE_VERSION = 256,
    AI_FILE_HEADER = 64,
    AI_LEVEL_DEFAULT = 4,
    AI_STEP_MAX = 100,        // decision steps in one tick
    AI_STALL_TICKS = 20,      // an approach that has not moved the player this long is given up
    AI_APPROACH_WAIT = 60,    // ticks before the next approach then
};

// Word positions of a sample. A statistic is four words: a float mean, an int
// minimum, an int maximum and a float mean deviation; a group of statistics
// is time, horizontal distance (times the starting facing) and vertical
// distance, 12 words. Outcomes: 0 no contact yet, 1 hit, 2 guarded.
enum AISampleWord {
    AIS_CONTEXT = 0,          // 32 entries: previous state, statetype, movetype, ctrl
    AIS_CONTEXT_COUNT = 128,
    AIS_KEY = 129,            // the state number the move starts with
    AIS_STATETYPE = 130,      // the statetype the move started from
    AIS_CMDS = 131,           // command labels, -1 terminated (131 to 139)
    AIS_COUNT = 140,          // samples combined into this one
    AIS_FIRST = 141,          // the first active frame
    AIS_ACTIVE = 153,         // the active frames, per outcome
    AIS_ATTACK_BOX = 189,     // left 189, top 193, right 197, bottom 201; left -32760.0 = none
    AIS_HIT_ATTR = 190,       // the HitDef seen at the first active frame
    AIS_HIT_GUARDFLAG = 191,
    AIS_HIT_FLAG = 192,
    AIS_HIT_DAMAGE = 194,
    AIS_HITS = 195,           // HitDef activations seen
    AIS_PROJECTILES = 196,    // projectiles launched
    AIS_FIRST_SEEN = 198,     // 1 once the first active frame was stored
    AIS_BODY_BOX = 205,       // left 205, top 209, right 213, bottom 217
    AIS_ACTIVE_SEEN = 206,    // per outcome (206 to 208): active frames were stored
    AIS_CONTROL_SEEN = 210,   // per outcome (210 to 212)
    AIS_END_SEEN = 214,       // per outcome (214 to 216)
    AIS_CONTROL = 229,        // regaining control, per outcome
    AIS_END = 265,            // the end of the move, per outcome
};

// One learned move, kept as the raw words the AI file stores.
struct AISample {
    int32_t w[AI_SAMPLE_WORDS];
};
static_assert(sizeof(AISample) == AI_SAMPLE_SIZE, "a sample is 1204 bytes");

// A character's learned data.
struct AIInfo {
    Array *ground;  // AISample keyed (state number, 0), moves started in S and C
    Array *air;     // moves started in A
    int32_t basic[AI_BASIC_BOXES][AI_BOX_WORDS];
};

enum { AI_EVENT_START = 0, AI_EVENT_END = 1, AI_EVENT_HANDLED = 2 };

struct AIEvent {
    Player *sender;
    int kind;
    int value;             // kind 0: the move's state number; kind 1: -1
    const Array *samples;  // kind 0: the sender's learned array for the move
};

enum AISubState {
    AI_SUB_FREE = 0,
    AI_SUB_MOVE = 1,
    AI_SUB_HEIGHT = 2,
    AI_SUB_ATTACK = 3,
    AI_SUB_REACT = 4,
};

enum { AI_GOAL_WALK = 1, AI_GOAL_JUMP = 2 };

// What the AI is after: the opponent's move it answers, the own move chosen
// against it, and up to two places to go.
struct AIPlan {
    int has;             // the opponent's move below is planned against
    AISample opp;        // the opponent's learned sample of that move
    int oppSlot, oppId;  // the opponent it was chosen against
    int startTick;       // game tick at which that move began
    int hasOwn;
    AISample own;        // the own learned move chosen
    int crouch;          // the plan wants the player crouched
    int goalCount, goal;
    float goalX[2], goalY[2];
    int goalKind[2];     // AI_GOAL_*
    int goalDir[2];      // direction of travel toward the goal when it was set
};

// The open learning sample and its progress.
struct AILearn {
    int open;
    AISample sample;
    int startX, startY, startFacing;
    int ticks;
    int outcome;
    int activeFrames[3];
    int controlSeen;
    int lastSerial;
    int projectileId;    // -1 none launched
};

// The AI section of a player. The AI on switch is the player's AI-driven
// flag, the level its AI level.
struct AIPlayer {
    int learning;
    AIInfo *info;             // the player's own learned data while learning
    const AISample *current;  // the learned sample of the move the player is in
    int sub, prevSub, subTicks;
    AIPlan plan;
    int pendingState;         // the move whose keys are queued, -1 none
    int cooldown;             // reaction cool-down
    int approachWait;         // ticks before another approach after one that stalled
    int stall;                // ticks the approach has not moved the player
    float lastX;              // the farthest toward the goal so far
    int sinceReaction;
    int sinceOppAttack;
    AIEvent events[AI_EVENT_MAX];
    int eventCount;
    int posted;               // a move start was sent and its end not yet
    AILearn learn;
    int before[4];            // state number, statetype, movetype, ctrl before the controller
    int cmdUsed[AI_CMD_WORDS];  // commands found active this tick
    int cmdCopy[AI_CMD_WORDS];  // the list copied for the sample
    int cmdTick;
    int pending[AI_PENDING_MAX];
    int pendingRead, pendingCount;
    int mark[AI_CMD_WORDS];   // command-table entries marked as matched at the next input step
    int refId;                // the projectile just launched, -1 none
    // The last attacker found with the player inside its guard distance.
    int inGuard;
    Player *attacker;
    int candidates[AI_CANDIDATE_MAX + 1];  // slot + 1 of each candidate, zero-terminated
    // The training dummy, set by the training menu: on while the dummy is
    // cooperative; guard mode 0 none, 1 auto; stance 0 stand, 1 crouch, 2
    // jump, 3 jump releasing up at the top; the approach and retreat
    // distances (0 none); the repeated button 1 to 7, 0 none.
    int dummy;
    int dummyGuard;
    int dummyStance;
    int dummyApproach, dummyRetreat;
    int dummyButton;
    int dummyCooldown;
};

// ---------------------------------------------------------------- learned data

// 1, or 0 when memory runs out.
int AIInfoInit(AIInfo *info);
void AIInfoFree(AIInfo *info);
void AIInfoClear(AIInfo *info);
// 1, or 0 with the reason in the game error text (none of its own for a file
// that ends early); the record is left empty on failure.
int AIInfoLoad(const char *path, AIInfo *info);
// Writes a temporary file beside the target and renames it over the target.
// 1, or 0 on any failure (and when an array is missing).
int AIInfoSave(const char *path, const AIInfo *info);
// Combines every source sample into the target's sample of the same key, or
// appends it; grows the target's basic-state boxes by the source's. Samples
// that do not fit are dropped; the number dropped.
int AIInfoMerge(AIInfo *target, const AIInfo *source);
int AIInfoCopy(AIInfo *target, const AIInfo *source);
// 1 for a name that stays inside the character's directory: not empty, not
// absolute, no ".." component.
int AIFileNameSafe(const char *name);

void AISampleClear(AISample *s, int key, int stateType);
// Both samples must have the same key.
void AISampleCombine(AISample *target, const AISample *source);
float AISampleFloat(const AISample *s, int word);
void AISampleFloatSet(AISample *s, int word, float value);
// The mean of the statistic that starts at the word.
float AIStatMean(const AISample *s, int word);

// ---------------------------------------------------------------- players

// 1, or 0 when memory runs out.
int AIPlayerInit(Player *pl, int learning);
void AIPlayerFree(Player *pl);
void AIPlayerReset(Player *pl);
void AIPlayerLevelSet(Player *pl, int level);
// The learned data the player's AI reads: its own, else its character's.
AIInfo *AIPlayerLearned(const Player *pl);

// The decision of one tick: the keys of an AI-driven player go into its key buffer.
void AIPlayerUpdate(Player *pl);
// The training dummy's keys, by the training menu's settings.
void AIGuardKeys(Player *pl);
// One planning step; 1 when another step should follow.
int AIPlanStep(Player *pl);
int AIGoalReached(const Player *pl, int goal);
// 100 when the attack box (the learned one of the sample, else the attacker's
// body boxes) meets the defender's body: the given sample's learned body box,
// else that of the defender's current learned move, else its basic-state box
// in states 0, 20, 11 and 50, else the boxes it shows. 0 otherwise.
int AISampleHitTest(const Player *attacker, const AISample *attack, const Player *defender, const AISample *body);
// The number of learned moves that answer the planned-against move in time;
// their slots + 1 stand in the candidate list, which ends with a zero.
int AISampleChoose(Player *pl, int level);
// One reaction step: 0 the reaction goes on, 1 it ended, AI_REACT_TICK_END
// a guard was taken and nothing else may run this tick.
enum { AI_REACT_TICK_END = -1 };
int AIEventReact(Player *pl);

// The learning of one tick; advance is the player's run flag.
void AILearnUpdate(Player *pl, int advance);
void AISampleBegin(Player *pl);
void AISampleEnd(Player *pl, int keep);
// Called by the controller step: the state before a controller, and after one
// that changed the state.
void AIControllerBefore(Player *pl);
void AIControllerAfter(Player *pl, int changed, int wasOwnStates);

void AIEventPost(Player *sender, int kind, int value, const Array *samples);
void AIEventBroadcast(Player *pl);
void AIEventPostStart(Player *pl);
void AIHitEventPost(Player *pl);
// Index of the first event of that sender and kind, -1 when none.
int AIEventFind(const Player *pl, const Player *sender, int kind);
int AIEventGet(const Player *pl, int index, AIEvent *out);
int AIEventTake(Player *pl, int index, AIEvent *out);
void AIEventsClear(Player *pl);

void CmdUsedListClear(int *list);
// 0 when the list is full.
int CmdUsedListAdd(int *list, int label);
void CmdUsedListCopy(int *target, const int *source);
int CmdUsedListCount(const int *list);

// Marks the command-table entries of the player's (or its root's) AI list as
// matched; the AI's input hook.
void AIPlayerPartnerMark(Player *pl);
// The Projectile controller tells the launching player the ID of its projectile.
void AIPlayerRefSet(Player *pl, int id);
// Queues one key code (0 waits a tick); 0 when the queue is full.
int AIPendingPush(Player *pl, int code);
// Queues the keys that perform the player's command with that label; 0 when
// there is none or its keys do not fit the queue (nothing is queued then).
int AICommandQueue(Player *pl, int label);
