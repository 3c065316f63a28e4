// Player drawing: the player's animation, its shadow and reflection, hit sparks and dust, and the debug boxes.
#pragma once

struct AnimSet;
struct Player;
struct SprSet;

enum {
    DUST_ACTION = 120,
    DUST_PRIORITY = 10,
    SPARK_LAYER = 2,
    SPARK_POSTYPE = 3,  // the postype code of the state files for sparks
    PLAYER_DEBUG_TEXT_LEN = 128,
};

// The stage's shadow settings. Colour is RGB565; the fade range is in y
// (negative above the ground) and is used only while low < high.
struct ShadowSettings {
    int colour;
    int intensity;  // 256 = a solid dark silhouette
    float yScale;
    int fadeLow, fadeHigh;
};

// What a spark or dust explod is made of: its action in an animation set over
// a sprite set, placed in stage space and shaken with the screen.
struct SparkSpec {
    AnimSet *anims;
    SprSet *spr;
    int action;
    float x, y;
    int stageSpace;    // 1: the position is in stage space
    int shake;         // 1: shaken with the screen
    int flip;          // bit 1 horizontal
    int ownerId, id;   // both 0
    int postype;
    int layer;
    int removeTime;    // the action's length
    int pauseMoveTime, superMoveTime;
    int inDrawList;    // queued into the game's draw list at drawPriority
    int drawPriority;
};

// Spark number -2 takes the character's guard or hit spark constant, -1 none.
// 1 with the spark filled, 0 when there is none to make.
int HitSparkSpecGet(Player *pl, int sparkNo, float x, float y, int ownSprites, int mirrored, int guard,
                    SparkSpec *out);
// The explod of a spark or dust puff in the players' list: its index, or -1
// when the list has no room (or does not exist).
int SparkMake(const SparkSpec *spec);
// The explod index of the spark, -1 when none was made.
int HitSparkMake(Player *pl, int sparkNo, float x, float y, int ownSprites, int mirrored, int guard);
// A dust puff at a stage position: 1 with it filled when the fight-screen
// effects have the dust action.
int DustSpecAt(int x, int y, SparkSpec *out);
// 1 with the dust filled when the player raises dust on this tick.
int PlayerDustSpecGet(Player *pl, SparkSpec *out);
void PlayerDustMake(Player *pl);

void PlayerDraw(Player *pl, float zoom);
// Shadow and reflection (reflection intensity 0: none) below the player.
void PlayerShadowDraw(Player *pl, const ShadowSettings *shadow, int reflect, float zoom);
// The shadow passes of one sprite, shared by players, projectiles and explods:
// the strength (0..256) scales the colour and intensity; white or full
// intensity make a solid dark silhouette; otherwise a colour other than black
// is subtracted, then the darkening pass weighs the target by 256 - intensity.
void ShadowSprDraw(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale, int colour,
                   int intensity, int strength);
// A shadow's strength at height y (negative above the ground) from its full
// strength: with low < high, 0 at or below low, in proportion up to high,
// full from high on. The band may span the whole int range.
int ShadowFadeStrength(float y, int low, int high, int strength);
// The blend weights of a reflection of intensity r: source r, destination
// 256 - r; an alpha-blended sprite (alpha 1) mixes its own factors in. Any int
// intensity gives weights in the int range.
void ShadowReflectWeights(int reflect, int alpha, int alphaSrc, int alphaDst, int *src, int *dst);

// The hit-by letters ("MUTEKI" when wholly invulnerable) into out; 1 when the
// text is to be shown.
int PlayerDebugInvulText(const Player *pl, char *out, int outSize);
// "name, id" with " H" while the attack is active; "Target ..." into targets
// (empty without targets).
void PlayerDebugNameText(const Player *pl, char *out, int outSize, char *targets, int targetsSize);
void PlayerDebugDraw(Player *pl, float zoom);
