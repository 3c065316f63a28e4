// Sample-game fighters: bodies of jointed limbs drawn by code in poses, with their collision boxes, palettes, sprite sheet and animation text.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/art.h"

struct BITMAP;

// Palette entries of a fighter's sprites. The ramps run dark to light.
enum {
    FIGHTER_OUTLINE = 1,
    FIGHTER_SKIN = 2,   // 6 entries
    FIGHTER_HAIR = 8,   // 6
    FIGHTER_MAIN = 14,  // 6: the main cloth
    FIGHTER_TRIM = 20,  // 6: the second cloth
    FIGHTER_GEAR = 26,  // 6: belts, bracers, gloves, boots
    FIGHTER_WHITE = 32,
    FIGHTER_EYE = 33,
    FIGHTER_MOUTH = 34,
    FIGHTER_FX = 40,    // 16: energy of the special moves
    FIGHTER_AIDE = 56,  // 16: the helper
    FIGHTER_BACK = 72,  // 16: the portraits' background
    FIGHTER_RAMP = 6,
    FIGHTER_LONG_RAMP = 16,
};

// How a fighter looks and measures, in pixels at its drawn size.
struct FighterBody {
    float hip = 50;  // pelvis height when standing straight
    float torso = 34;
    float neck = 4;
    float headR = 8;
    float upperArm = 20, foreArm = 18, thigh = 25, shin = 24, foot = 9;
    float chestR = 12, waistR = 9, armR = 5, foreR = 4.5f, handR = 4.5f, thighR = 7, shinR = 5.5f, footR = 3.5f;
    // Ramps (FIGHTER_*) of the parts.
    int torsoRamp = FIGHTER_MAIN, armRamp = FIGHTER_SKIN, foreRamp = FIGHTER_SKIN, handRamp = FIGHTER_SKIN;
    int legRamp = FIGHTER_TRIM, shinRamp = FIGHTER_TRIM, footRamp = FIGHTER_GEAR, beltRamp = FIGHTER_GEAR;
    int cuffRamp = -1;      // a band on each forearm (-1 none)
    bool bareChest = false;  // an open front of skin on the torso
    bool beard = false;
    bool topknot = false;    // a bald head with a knot of hair
    bool tail = false;       // hair with a long tail
    bool sash = false;       // cloth ends hanging from the belt
    int bandRamp = -1;       // a headband (-1 none)
};

// One limb: the upper part's angle from straight down (positive toward the
// fighter's front) and the bend of the lower part against it (for legs a
// negative bend folds the shin back).
struct Limb {
    float a = 0, b = 0;
};

// Which part lands a blow.
enum { STRIKE_NONE = 0, STRIKE_HAND_F, STRIKE_HAND_B, STRIKE_FOOT_F, STRIKE_FOOT_B, STRIKE_HEAD };

// A pose, facing right. Arm angles count from the torso's lean.
struct Pose {
    float dx = 0, dy = 0;  // the pelvis moved from its standing place
    float spin = 0;        // the whole body turned about the pelvis (positive tips forward)
    float lean = 0;        // the torso's lean (positive forward)
    float nod = 0;         // the head's tilt
    Limb armF{35, 95}, armB{15, 105};
    Limb legF{14, -12}, legB{-18, -4};
    bool ground = true;    // set down so that the lower foot stands on the ground line
    int strike = STRIKE_NONE;
    float reach = 0;       // the attack box grows by this much
    float glow = 0;        // energy gathered in the front hand (its radius)
    float sway = 0;        // hair and cloth blown back by this angle
    bool hurt = false;     // eyes shut
};

// A limb in a change: given, or left as the base pose has it.
struct LimbChange {
    bool given = false;
    Limb limb;
    LimbChange() = default;
    LimbChange(float a, float b) : given(true), limb{a, b} {}
};

// A pose made from another: each field given replaces the base pose's.
struct PoseChange {
    std::optional<float> dx = {}, dy = {}, spin = {}, lean = {}, nod = {};
    LimbChange armF = {}, armB = {}, legF = {}, legB = {};
    std::optional<bool> ground = {};
    std::optional<int> strike = {};
    std::optional<float> reach = {}, glow = {}, sway = {};
    std::optional<bool> hurt = {};
};

Pose PoseChanged(Pose base, const PoseChange &c);

// A collision box around the axis (x forward, y down).
struct FighterBox {
    int x1, y1, x2, y2;
};

// The boxes of one drawn pose.
struct FighterBoxes {
    std::vector<FighterBox> body;  // where it can be hit
    std::vector<FighterBox> hit;   // where its blow lands (empty without one)
};

// Draws the pose onto the bitmap with the axis (the ground point under the
// standing pelvis) at (ox, oy), the body scaled by scale; returns its boxes
// (at scale 1).
FighterBoxes FighterDraw(BITMAP *bmp, const FighterBody &body, const Pose &pose, int ox, int oy, float scale = 1.0f);

// One element of an action: a sprite shown for a time; with hit, the
// sprite's attack box is active.
struct FighterFrame {
    int group = 0, image = 0, time = 1;
    bool hit = false;
    int x = 0, y = 0;  // offset
    const char *flip = "";
};

// A fighter's sprites and animation text, built up pose by pose.
class FighterSheet {
public:
    FighterSheet(const FighterBody &body, const ArtPalette &pal);

    // The pose as sprite (group, image), with its boxes kept for actions.
    void Pose(int group, int image, const struct Pose &p);
    // A picture drawn by the caller (its bitmap is taken over and freed),
    // with its axis and optional boxes.
    void Picture(int group, int image, BITMAP *b, int axisX, int axisY, const FighterBoxes &boxes = {});
    // An action of the frames; loopStart is the element the action loops
    // back to (-1: from the start). Body boxes are given unless noBody.
    void Action(int number, const std::vector<FighterFrame> &frames, int loopStart = -1, bool noBody = false);
    // Portraits: 9000,0 (24x24) and 9000,1 (96x120), head and shoulders in
    // the given pose over the background ramp, each stored with its own
    // palette. Made last: an image after them would share their palette slot
    // instead of the body's, and miss the palette the player picks.
    void Portraits(const struct Pose &p);

    const FighterBody &body;
    const ArtPalette &pal;
    std::vector<SffImage> images;
    std::string air;

private:
    const FighterBoxes *BoxesOf(int group, int image) const;
    std::map<long, FighterBoxes> boxes;  // by sprite key
};

// A ramp of n entries from a colour's shade to its light.
void FighterRamp(ArtPalette *pal, int first, int n, int r, int g, int b);
// The same as an .act file's bytes.
std::string FighterActBytes(const ArtPalette &pal);
