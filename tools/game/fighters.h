// Sample-game fighters "brask" and "lira": their files, and the poses, actions, commands and states both share.
#pragma once
#include <string>
#include <vector>

#include "game/art.h"
#include "game/fighter.h"

// The common state file both fighters name, looked for under "data/".
extern const char kFighterCommonFile[];
// "data/" + kFighterCommonFile: the states the engine enters by itself.
void FighterCommonMake(GameFiles *out);

// How a fighter stands and moves; the shared poses bend from its stance.
struct FighterStyle {
    Pose stance;
    float stride = 24;  // walking: how far the thighs swing
    bool heavy = false; // slower frames
};

// Draws the poses every fighter has (standing, turning, walking, running,
// crouching, jumping, guarding, being hit high, low, crouching and in the
// air, falling, bouncing, lying, getting up, recovering, KO, dazed, draw,
// continue) and writes their actions into the sheet.
void FighterBasics(FighterSheet *sh, const FighterStyle &st);

// One normal attack: its state, written from these values.
struct FighterNormal {
    int state = 200;
    char type = 'S';           // S, C or A
    const char *attr = "S, NA";
    const char *animtype = "Light";
    int damage = 20, guardDamage = 0;
    const char *guardflag = "MA";
    const char *hitflag = "MAF";
    int pause = 8, shake = 8;  // the attacker's pause and the victim's shake
    int spark = 0;             // hit spark of the fight effects
    int hitSound = 0;          // common hit sound 5,n
    const char *groundType = "High";
    float groundVel = -4, airVelX = -2.5f, airVelY = -3.5f;
    float launch = 0;          // a ground hit's upward velocity (0: none)
    int hitTime = 12, slideTime = 10;
    int fall = 0;
    int swingTime = 1, swingSound = 0;  // common swing sound 8,n at this time
    int hitElem = 2;           // the HitDef runs when this element starts
    int sparkY = -60;
    int juggle = 2;
    int power = 25;            // power gained when the attack starts
    float lunge = 0;           // forward velocity at the start
    const char *voice = nullptr;  // "S0, 0": a sound of the fighter's own at the start
};

// The state text of a normal attack.
std::string FighterNormalText(const FighterNormal &n);

// The commands both fighters' command files hold, before their state -1.
extern const char kFighterCommands[];

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

ArtPalette FighterPalette(const FighterColours &c, const FighterInks &ink);

// One fighter's make-up, from which its files are written.
struct FighterMake {
    const char *file;  // the folder's and the files' name ("brask")
    const char *name;  // its name in the texts ("Brask")
    FighterBody body;
    const FighterColours *colours;  // twelve palettes; the first draws the sprites
    FighterInks inks;
    void (*art)(FighterSheet *sh);
    // The state file: the constants, the normal attacks' states in this
    // order, the specials.
    std::string constants;
    std::vector<FighterNormal> normals;
    std::string specials;
    FighterMoveNames moveNames;  // state -1 in the command file
    std::string sounds;          // the sound file's bytes
};

// "chars/<file>/": the definition, the state file, commands, animations,
// sprites, sounds and the twelve palettes.
void FighterFilesMake(GameFiles *out, const FighterMake &m);

// "chars/brask/" and "chars/lira/": definition, constants and states,
// commands, animations, sprites, sounds and twelve palettes each.
void BraskFilesMake(GameFiles *out);
void LiraFilesMake(GameFiles *out);
