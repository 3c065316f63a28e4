// Sample-game fighters: one builder writes a fighter's files from its make-up (sizes, moves, colours, sounds and specials as data), with the poses, actions, commands and states every fighter shares.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "game/art.h"
#include "game/fighter.h"
#include "game/synth.h"

// The common state file both fighters name, looked for under "data/".
extern const char kFighterCommonFile[];
// "data/" + kFighterCommonFile: the states the engine enters by itself.
void FighterCommonMake(GameFiles *out);

// How a fighter stands and moves; the shared poses bend from its stance.
struct FighterStyle {
    Pose stance;
    float stride = 24;   // walking: how far the thighs swing
    bool heavy = false;  // slower frames
};

// A sprite the fighter has drawn; group -1 stands for its stance.
struct FighterSprite {
    int group = -1, image = 0;
};

// One pose of a move, drawn as sprite (the move's action, image): the pose
// of a sprite drawn before, with changes.
struct FighterPoseStep {
    int image;
    FighterSprite from;
    PoseChange change;
};

// A move of the fighter's own: its poses, and the action that shows them.
struct FighterMove {
    int action;
    std::vector<FighterPoseStep> poses;
    std::vector<FighterFrame> frames;
};

// The projectile's pictures, each drawn by a function of the frame: four of
// its flight (sprites 1010,n, with the boxes) and four of its burst (1015,n).
struct FighterProjectileArt {
    BITMAP *(*flight)(int frame);
    int flightX, flightY;  // the axis
    FighterBoxes flightBoxes;
    BITMAP *(*burst)(int frame);
    int burstX, burstY;
};

// The frames of the projectile's burst (action 1015), for a helper that ends
// in one.
std::vector<FighterFrame> FighterBurstFrames();

// What a blow does, as a HitDef writes it.
struct FighterHit {
    const char *attr = "S, NA";
    const char *animtype = "Light";
    int damage = 20, guardDamage = 0;
    const char *guardflag = "MA";
    const char *hitflag = "MAF";
    int pause = 8, shake = 8;           // the attacker's pause and the victim's shake
    int spark = 0, guardSpark = 40;     // sparks of the fight effects
    int sparkX = -6, sparkY = -60;
    int hitSound = 0, guardSound = 0;   // common sounds 5,n and 6,n
    const char *groundType = "High";
    std::optional<int> hitTime = 12, slideTime = 10;  // left out when empty
    float groundVel = -4, launch = 0;   // launch: a ground hit's upward velocity (0: none)
    float airVelX = -2.5f, airVelY = -3.5f;
    std::optional<int> fall = 0;        // left out when empty
    const char *more = "";              // further lines
};

// One normal attack: its state, written from these values.
struct FighterNormal {
    int state = 200;
    char type = 'S';  // S, C or A
    int juggle = 2;
    int power = 25;   // power gained when the attack starts
    float lunge = 0;  // forward velocity at the start
    const char *voice = nullptr;  // "0, 1": a sound of the fighter's own at the start
    int swingTime = 1, swingSound = 0;  // common swing sound 8,n at this time
    int hitElem = 2;  // the HitDef runs when this element starts
    FighterHit hit;
};

// A state's heading; its action has the state's number.
struct FighterStatedef {
    int state = 0;
    char type = 'S', movetype = 'A', physics = 'S';
    std::optional<int> juggle = {}, power = {};  // left out when empty
    bool velset = true;  // stands still as it starts
    int sprpriority = 2;
};

// State-file writers for the fighters' own states, each ending in a blank line.
std::string FighterStatedefText(const FighterStatedef &d);
std::string FighterSoundText(int state, const char *name, const char *trigger, const char *value);
std::string FighterHitDefText(int state, const char *name, const char *trigger, const FighterHit &h);
// The projectile of state 1000 (id 1000, flying as action 1010, bursting as 1015).
std::string FighterProjectileText(const char *name, const char *trigger, int offsetX, int offsetY, float speed,
                                  const FighterHit &h);
// The helper of state 1100 (id and state 1150), placed by the pos expression.
std::string FighterHelperText(const char *name, const char *trigger, const char *helper, const char *pos);
// The state cannot be hit while it lasts.
std::string FighterUntouchableText(int state);

// The two specials. The builder writes the statedefs 1000 (the projectile)
// and 1100 (the helper) with their shouts, sounds 1,0 and 1,1, and their
// ends; the fighter gives the rest.
struct FighterSpecials {
    const char *projectileNote;  // comment lines over state 1000
    std::string (*projectile)();  // state 1000's own controllers
    const char *helperNote;      // comment lines over state 1100
    const char *helperShout;     // the name of state 1100's shout
    std::string (*helper)();      // state 1100's own controllers
    std::string (*helperStates)();  // the helper's states, 1150 on
};

// The constants that differ between fighters; the builder writes the rest.
struct FighterConstants {
    const char *note;  // the file's first comment
    int life, attack, defence, fallDefenceUp, liedownTime, airjuggle, sparkno;
    int groundBack, groundFront, airBack, airFront, height, attackDist;
    int headPos[2], midPos[2];
    // Velocities and the gravity, written as given.
    const char *walkFwd, *walkBack, *runFwd, *runBack, *jumpNeu, *jumpBack, *jumpFwd, *runjumpBack, *runjumpFwd;
    const char *airjumpNeu, *airjumpBack, *airjumpFwd;
    int airjumpNum, airjumpHeight;
    const char *yaccel;
};

// What each move that a command starts is called in state -1: the
// projectile special (1000), the helper special (1100) and the normals 200,
// 210, 230, 240, 400, 430, 600 and 630.
struct FighterMoveNames {
    const char *projectile, *helper;
    const char *normal[8];
};

// Colours of one palette, each the middle of its ramp: skin, hair, main
// cloth, second cloth, gear, energy, the helper and the portraits' backdrop.
struct FighterColours {
    int skin[3], hair[3], main[3], trim[3], gear[3], fx[3], aide[3], back[3];
};

// The colours all of a fighter's palettes share.
struct FighterInks {
    int outline[3], white[3], eye[3], mouth[3];
};

// A fighter's voice: a tone of its shape gliding between a line's pitches,
// an overtone above it and a breath of noise, sized against the line.
struct FighterTimbre {
    int shape;
    float overtoneF0, overtoneF1;  // the overtone's pitches against the line's
    int overtoneShape;
    float overtoneVolume;
    float noiseC0, noiseC1, noiseLength, noiseDecay, noiseVolume;
};

// A line of the voice: its pitch gliding from f0 to f1 Hz, its length in
// seconds and volume, the noise's seed and the peak it is scaled to.
struct FighterVoiceLine {
    float f0, f1, seconds, volume;
    unsigned seed;
    float peak;
};

// A fighter's sounds: voice lines 0,0 and 0,1 (light and heavy attacks), 1,0
// and 1,1 (the specials' shouts), 11,0 (knocked out) and 180,0 (a win); and
// the specials' own sounds 2,0 and 2,1.
struct FighterSounds {
    FighterTimbre timbre;
    FighterVoiceLine light, heavy, projectileShout, helperShout, ko, win;
    Wave (*projectile)();
    float projectilePeak;
    Wave (*helper)();
    float helperPeak;
};

// One fighter's make-up, from which its files are written.
struct FighterMake {
    const char *file;  // the folder's and the files' name ("brask")
    const char *name;  // its name in the texts ("Brask")
    FighterBody body;
    FighterStyle style;
    const FighterColours *colours;  // twelve palettes; the first draws the sprites
    FighterInks inks;
    // Its own sprites and actions, drawn after the ones every fighter has in
    // this order: the intro, wins and normals; the projectile special with
    // the projectile; the helper special, then the helper's pictures and
    // actions (1150 on) by its function; the portraits in the stance changed
    // by face.
    std::vector<FighterMove> moves;
    FighterMove projectileMove;
    FighterProjectileArt projectileArt;
    FighterMove helperMove;
    void (*helperArt)(FighterSheet *sh);
    PoseChange face;
    // The state file: the constants, the normals' states in this order, the
    // specials.
    FighterConstants constants;
    std::vector<FighterNormal> normals;
    FighterSpecials specials;
    FighterMoveNames moveNames;  // state -1 in the command file
    FighterSounds sounds;
};

// "chars/<file>/": the definition, the state file, commands, animations,
// sprites, sounds and the twelve palettes.
void FighterFilesMake(GameFiles *out, const FighterMake &m);

// The sample game's two fighters.
const FighterMake &BraskMake();
const FighterMake &LiraMake();
