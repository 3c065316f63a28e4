// Sample-game fighter "brask": a heavy brawler of stone and fire; his make-up, pictures of his specials, sounds and state texts.
#include <allegro.h>
#include <cmath>

#include "game/fighters.h"
#include "game/synth.h"

namespace {

// Skin, hair, vest, trousers, leather, fire, stone, backdrop.
const FighterColours kColours[12] = {
    {{196, 134, 96}, {70, 40, 26}, {168, 46, 30}, {64, 58, 70}, {120, 84, 44}, {255, 120, 30}, {130, 116, 100}, {120, 40, 30}},
    {{196, 134, 96}, {40, 36, 34}, {40, 90, 160}, {60, 60, 62}, {90, 70, 50}, {80, 170, 255}, {110, 116, 130}, {30, 50, 110}},
    {{160, 104, 70}, {20, 18, 18}, {40, 120, 60}, {90, 80, 60}, {120, 100, 60}, {150, 240, 80}, {120, 110, 80}, {30, 80, 40}},
    {{196, 134, 96}, {160, 150, 140}, {60, 60, 64}, {150, 40, 40}, {60, 50, 50}, {255, 60, 40}, {90, 84, 84}, {60, 60, 70}},
    {{220, 170, 130}, {190, 110, 40}, {200, 170, 60}, {90, 60, 40}, {110, 70, 40}, {255, 220, 60}, {170, 150, 110}, {140, 110, 40}},
    {{120, 80, 56}, {30, 24, 22}, {110, 40, 140}, {40, 40, 50}, {80, 60, 90}, {220, 90, 255}, {100, 90, 120}, {70, 30, 90}},
    {{196, 134, 96}, {120, 60, 30}, {230, 230, 220}, {160, 40, 40}, {70, 50, 40}, {255, 170, 60}, {150, 140, 130}, {150, 150, 140}},
    {{170, 120, 90}, {50, 50, 60}, {40, 40, 44}, {40, 40, 44}, {160, 30, 30}, {255, 50, 50}, {70, 70, 76}, {40, 20, 24}},
    {{196, 134, 96}, {200, 80, 30}, {60, 140, 150}, {180, 160, 120}, {90, 60, 40}, {80, 255, 220}, {120, 140, 130}, {30, 100, 110}},
    {{230, 190, 160}, {240, 230, 200}, {140, 90, 50}, {70, 90, 60}, {60, 50, 40}, {255, 150, 90}, {140, 120, 90}, {100, 80, 50}},
    {{150, 100, 80}, {90, 20, 20}, {20, 20, 20}, {120, 20, 20}, {200, 170, 60}, {255, 90, 20}, {60, 50, 50}, {90, 10, 10}},
    {{196, 150, 120}, {60, 80, 110}, {110, 110, 120}, {200, 200, 210}, {50, 60, 90}, {180, 220, 255}, {160, 170, 190}, {90, 100, 130}},
};

// A rolling wave of burning rock along the ground; frame f of 4.
BITMAP *RockWave(int f)
{
    BITMAP *b = ArtBitmap(70, 50);
    unsigned seed = 77u + (unsigned)f * 13u;
    for (int i = 0; i < 9; i++) {
        int x = 10 + i * 6 + ArtRandom(&seed, 4), h = 8 + ((i + f) % 4) * 5 + ArtRandom(&seed, 4);
        int y = 44 - h;
        circlefill(b, x, y + h / 2, 5 + (i % 3), FIGHTER_AIDE + 4 + (i + f) % 4);
        circlefill(b, x - 1, y + h / 2 - 2, 3, FIGHTER_AIDE + 9);
    }
    for (int i = 0; i < 7; i++) {
        int x = 14 + i * 7, y = 22 - ((i + f) % 3) * 5;
        circlefill(b, x, y + 14, 6 - i % 2, FIGHTER_FX + 6 + (i + f) % 4);
        circlefill(b, x, y + 12, 3, FIGHTER_FX + 12 + (i + f) % 3);
    }
    for (int x = 6; x < 66; x++)
        putpixel(b, x, 45 + (x + f) % 2, FIGHTER_AIDE + 3);
    return b;
}

// Sparks and stones flying apart where the wave breaks; frame f of 4.
BITMAP *RockBurst(int f)
{
    BITMAP *b = ArtBitmap(80, 70);
    unsigned seed = 9u;
    for (int i = 0; i < 14; i++) {
        float a = (float)ArtRandom(&seed, 360) * 3.14159f / 180.0f;
        float d = 6.0f + (float)f * 8.0f + (float)ArtRandom(&seed, 6);
        int x = 40 + (int)(cosf(a) * d), y = 45 + (int)(sinf(a) * d * 0.7f);
        int r = 5 - f;
        if (r > 0)
            circlefill(b, x, y, r, i % 2 ? FIGHTER_FX + 14 - f * 2 : FIGHTER_AIDE + 8);
    }
    if (f < 2)
        circlefill(b, 40, 45, 10 - f * 4, FIGHTER_FX + 15);
    return b;
}

// A fist of stone breaking out of the ground, risen to height h (0..1).
BITMAP *StoneFist(float h)
{
    BITMAP *b = ArtBitmap(60, 110);
    int top = 100 - (int)(h * 86.0f);
    // The forearm: a column of blocks.
    for (int y = 100; y > top + 14; y -= 9) {
        int w = 12 + (y / 9) % 2;
        rectfill(b, 30 - w, y - 9, 30 + w, y, FIGHTER_AIDE + 5 + (y / 9) % 3);
        hline(b, 30 - w, y - 9, 30 + w, FIGHTER_AIDE + 10);
        vline(b, 30 - w, y - 9, y, FIGHTER_AIDE + 2);
    }
    if (top < 100) {
        // The fist, knuckles up.
        circlefill(b, 30, top + 12, 15, FIGHTER_AIDE + 6);
        for (int k = 0; k < 4; k++)
            circlefill(b, 19 + k * 7, top + 4, 5, FIGHTER_AIDE + 8 + k % 2);
        circlefill(b, 24, top + 10, 5, FIGHTER_AIDE + 12);
        // Embers in the cracks.
        line(b, 22, top + 18, 34, top + 22, FIGHTER_FX + 12);
        line(b, 28, top + 26, 36, top + 34, FIGHTER_FX + 10);
    }
    // Broken ground around its foot.
    for (int k = 0; k < 5; k++)
        circlefill(b, 8 + k * 11, 104 - (k % 2) * 2, 4 + k % 2, FIGHTER_AIDE + 3 + k % 3);
    return b;
}

// The fist rising, striking while it stands high, and sinking (action 1150).
void StoneFistArt(FighterSheet *sh)
{
    const float rise[6] = {0.05f, 0.3f, 0.7f, 1.0f, 0.85f, 0.4f};
    for (int f = 0; f < 6; f++) {
        FighterBoxes bx;
        int top = -(int)(rise[f] * 86.0f);
        if (rise[f] > 0.25f)
            bx.hit.push_back({-16, top - 10, 16, 0});
        sh->Picture(1150, f, StoneFist(rise[f]), 30, 106, bx);
    }
    sh->Action(1150, {{1150, 0, 4}, {1150, 1, 3, true}, {1150, 2, 3, true}, {1150, 3, 10, true}, {1150, 4, 5},
                      {1150, 5, 5}},
               -1, true);
}

// ---------------------------------------------------------------- specials

// Quake Wave: the slam's sound and shake, the slam's own blow and the wave.
std::string QuakeWave()
{
    return FighterSoundText(1000, "slam", "AnimElem = 3", "2, 0") +
           "[State 1000, shake]\n"
           "type = EnvShake\n"
           "trigger1 = AnimElem = 3\n"
           "time = 10\n"
           "ampl = 3\n"
           "freq = 150\n"
           "\n"
           "; The slam itself strikes whoever stands over it.\n" +
           FighterHitDefText(1000, "slam hit", "AnimElem = 3",
                             {.attr = "S, SA", .animtype = "Medium", .damage = 40, .guardDamage = 4, .guardflag = "L",
                              .pause = 8, .shake = 10, .spark = 1, .sparkY = -10, .hitSound = 1, .groundType = "Low",
                              .hitTime = 12, .slideTime = 8, .airVelX = -3, .airVelY = -4, .fall = std::nullopt}) +
           FighterProjectileText("wave", "AnimElem = 3", 38, 0, 4.2f,
                                 {.attr = "S, SP", .animtype = "Medium", .damage = 80, .guardDamage = 10, .pause = 0,
                                  .shake = 14, .spark = 2, .guardSpark = 41, .sparkX = -10, .sparkY = -20,
                                  .hitSound = 2, .guardSound = 1, .groundType = "Low", .hitTime = 16, .slideTime = 12,
                                  .groundVel = -5, .airVelX = -3, .airVelY = -4, .fall = std::nullopt,
                                  .more = "air.fall = 1\n"});
}

// Stone Fist: the stamp, its own blow, and the fist called up under the
// opponent, between 50 and 150 pixels ahead.
std::string StoneFistCall()
{
    return FighterSoundText(1100, "stamp", "AnimElem = 2", "F7, 1") +
           "; The stamp jolts whoever stands close.\n" +
           FighterHitDefText(1100, "stamp hit", "AnimElem = 2",
                             {.attr = "S, SA", .damage = 30, .guardDamage = 3, .guardflag = "L", .pause = 6,
                              .shake = 8, .sparkY = -6, .groundType = "Low", .hitTime = 10, .slideTime = 6,
                              .groundVel = -3, .airVelX = -2, .airVelY = -3, .fall = std::nullopt}) +
           FighterHelperText("fist", "AnimElem = 2", "Stone Fist",
                             "IfElse(P2Dist X > 150, 150, IfElse(P2Dist X < 50, 50, Floor(P2Dist X))), 0");
}

// The fist's own state (1150).
std::string StoneFistStates()
{
    return "; The fist itself: it rises, strikes upward once, and sinks away.\n" +
           FighterStatedefText({.state = 1150, .physics = 'N', .sprpriority = 3}) + FighterUntouchableText(1150) +
           FighterSoundText(1150, "rumble", "Time = 0", "2, 1") +
           "[State 1150, shake]\n"
           "type = EnvShake\n"
           "trigger1 = Time = 0\n"
           "time = 14\n"
           "ampl = 4\n"
           "freq = 120\n"
           "\n" +
           FighterHitDefText(1150, "uppercut", "AnimElem = 2",
                             {.attr = "S, SA", .animtype = "Up", .damage = 90, .guardDamage = 12, .pause = 6,
                              .shake = 14, .spark = 3, .guardSpark = 41, .sparkX = 0, .sparkY = -50, .hitSound = 3,
                              .guardSound = 1, .hitTime = std::nullopt, .slideTime = std::nullopt, .groundVel = -2,
                              .launch = -9, .airVelX = -2, .airVelY = -8, .fall = 1,
                              .more = "yaccel = .45\nfall.recover = 0\n"}) +
           "[State 1150, gone]\n"
           "type = DestroySelf\n"
           "trigger1 = AnimTime = 0\n"
           "\n";
}

// ---------------------------------------------------------------- sounds

Wave Slam()
{
    Wave w = SynthNoise(0.15f, 0.01f, 0.6f, 0.25f, 0.8f, 5u);
    SynthMix(&w, SynthTone(80, 40, 0.6f, SYNTH_SINE, 0.3f, 0.7f));
    return w;
}

Wave Rumble()
{
    Wave w = SynthNoise(0.06f, 0.02f, 0.8f, 0.5f, 0.8f, 6u);
    SynthMix(&w, SynthTone(55, 45, 0.8f, SYNTH_TRIANGLE, 0.5f, 0.6f));
    return w;
}

} // namespace

const FighterMake &BraskMake()
{
    static const FighterMake m = {
        .file = "brask",
        .name = "Brask",
        .body = {.hip = 52, .torso = 36, .neck = 3, .headR = 9.5f, .upperArm = 21, .foreArm = 19, .thigh = 26,
                 .shin = 25, .foot = 10, .chestR = 15, .waistR = 11, .armR = 6.5f, .foreR = 5.5f, .handR = 5.5f,
                 .thighR = 8.5f, .shinR = 6.5f, .footR = 4, .cuffRamp = FIGHTER_GEAR, .bareChest = true,
                 .beard = true, .topknot = true},
        .style = {.stance = {.lean = 6, .armF = {40, 95}, .armB = {22, 100}, .legF = {20, -20}, .legB = {-24, -8}},
                  .stride = 20,
                  .heavy = true},
        .colours = kColours,
        .inks = {{24, 14, 12}, {250, 246, 236}, {30, 20, 16}, {90, 30, 24}},
        .moves =
            {
                // Intro: a fist driven into the open palm, twice; then the guard.
                {190,
                 {{0, {}, {.lean = 0, .nod = 10, .armF = {60, 110}, .armB = {70, 60}}},
                  {1, {190, 0}, {.armF = {74, 100}, .armB = {84, 12}}},
                  {2, {}, {.lean = -8, .nod = -14, .armF = {150, 20}, .armB = {140, 30}}}},
                 {{190, 0, 16}, {190, 1, 8}, {190, 0, 10}, {190, 1, 8}, {190, 0, 12}, {190, 2, 30}, {0, 0, 12}}},
                // Wins: both fists raised; and a fist driven into the ground.
                {180,
                 {{0, {}, {.lean = -6, .nod = -18, .armF = {166, 30}, .armB = {150, 40}}},
                  {1, {180, 0}, {.armF = {160, 60}, .armB = {146, 66}}}},
                 {{0, 0, 10}, {180, 0, 14}, {180, 1, 14}, {180, 0, 14}, {180, 1, 14}, {180, 0, -1}}},
                {181,
                 {{0, {}, {.lean = 40, .armF = {70, 10}, .legF = {70, -100}, .legB = {20, -120}}},
                  {1, {181, 0}, {.lean = 48, .armF = {20, 6}}}},
                 {{0, 0, 10}, {181, 0, 10}, {181, 1, 40}, {10, 0, 8}, {190, 2, -1}}},
                // Jab: a short straight punch.
                {200,
                 {{0, {}, {.lean = 4, .armF = {50, 110}}},
                  {1, {}, {.dx = 3, .lean = 14, .armF = {88, 4}, .strike = STRIKE_HAND_F, .reach = 2}}},
                 {{200, 0, 3}, {200, 1, 4, true}, {200, 0, 5}, {0, 0, 2}}},
                // Hammer: both fists raised and brought down ahead of him.
                {210,
                 {{0, {}, {.lean = -10, .armF = {170, 30}, .armB = {160, 40}}},
                  {1, {}, {.dx = 6, .lean = 24, .armF = {110, 10}, .armB = {100, 20}, .strike = STRIKE_HAND_F,
                           .reach = 4}},
                  {2, {210, 1}, {.lean = 32, .armF = {70, 10}, .armB = {60, 20}, .strike = STRIKE_NONE}}},
                 {{200, 0, 3}, {210, 0, 8}, {210, 1, 5, true}, {210, 2, 10}, {200, 0, 6}}},
                // Front kick and roundhouse.
                {230,
                 {{0, {}, {.lean = -4, .legF = {70, -100}}},
                  {1, {}, {.lean = -12, .legF = {84, -8}, .strike = STRIKE_FOOT_F, .reach = 1}}},
                 {{230, 0, 4}, {230, 1, 5, true}, {230, 0, 6}}},
                {240,
                 {{0, {}, {.lean = -8, .armF = {60, 100}, .legF = {-6, -10}, .legB = {40, -110}}},
                  {1, {}, {.lean = -24, .nod = 14, .legF = {-4, -10}, .legB = {106, -14}, .strike = STRIKE_FOOT_B,
                           .reach = 3}},
                  {2, {240, 1}, {.legB = {80, -60}, .strike = STRIKE_NONE}}},
                 {{240, 0, 6}, {240, 1, 6, true}, {240, 2, 8}, {240, 0, 6}}},
                // Crouching punch and sweep.
                {400,
                 {{0, {}, {.lean = 20, .armF = {60, 60}, .legF = {82, -118}, .legB = {34, -124}}},
                  {1, {400, 0}, {.lean = 26, .armF = {84, 6}, .strike = STRIKE_HAND_F, .reach = 2}}},
                 {{400, 0, 3}, {400, 1, 4, true}, {400, 0, 6}, {11, 0, 2}}},
                {430,
                 {{0, {400, 0}, {.lean = 34, .armF = {-10, 40}, .armB = {-30, 30}, .legF = {60, -120}}},
                  {1, {430, 0}, {.lean = 30, .legF = {88, -4}, .legB = {50, -130}, .strike = STRIKE_FOOT_F,
                                 .reach = 3}}},
                 {{430, 0, 6}, {430, 1, 6, true}, {430, 0, 10}, {11, 0, 3}}},
                // Jumping punch and kick.
                {600,
                 {{0, {}, {.lean = 30, .armF = {110, 10}, .legF = {70, -110}, .legB = {40, -100}, .ground = false,
                           .strike = STRIKE_HAND_F, .reach = 3}}},
                 {{41, 1, 3}, {600, 0, 12, true}, {41, 1, -1}}},
                {630,
                 {{0, {}, {.lean = -8, .armF = {90, 60}, .legF = {60, -4}, .legB = {50, -120}, .ground = false,
                           .strike = STRIKE_FOOT_F, .reach = 3}}},
                 {{41, 1, 4}, {630, 0, 14, true}, {41, 1, -1}}},
            },
        // Quake Wave: fire gathered in the fist, then the fist to the ground.
        .projectileMove = {1000,
                           {{0, {}, {.lean = -10, .armF = {150, 40}, .glow = 7}},
                            {1, {}, {.lean = 46, .armF = {20, 0}, .legF = {60, -100}, .legB = {10, -110},
                                     .strike = STRIKE_HAND_F, .reach = 4, .glow = 10}},
                            {2, {1000, 1}, {.strike = STRIKE_NONE, .glow = 0}}},
                           {{200, 0, 4}, {1000, 0, 10}, {1000, 1, 4, true}, {1000, 2, 16}, {10, 0, 6}}},
        .projectileArt = {.flight = RockWave,
                          .flightX = 35,
                          .flightY = 48,
                          .flightBoxes = {.body = {{-24, -30, 24, 0}}, .hit = {{-26, -34, 26, 0}}},
                          .burst = RockBurst,
                          .burstX = 40,
                          .burstY = 60},
        // Stone Fist: a stamp that raises a fist of stone ahead of him.
        .helperMove = {1100,
                       {{0, {}, {.lean = -6, .armF = {100, 60}, .armB = {110, 50}, .legF = {80, -70}}},
                        {1, {}, {.lean = 16, .armF = {30, 80}, .armB = {20, 90}, .legF = {30, -40},
                                 .strike = STRIKE_FOOT_F, .reach = 6, .glow = 6}}},
                       {{1100, 0, 10}, {1100, 1, 4, true}, {1100, 1, 18}, {0, 0, 6}}},
        .helperArt = StoneFistArt,
        .face = {.nod = 4, .armF = {40, 110}},
        .constants = {.note = "; Brask: heavy, slow and hard to move.\n",
                      .life = 1100, .attack = 110, .defence = 110, .fallDefenceUp = 40, .liedownTime = 50,
                      .airjuggle = 14, .sparkno = 1,
                      .groundBack = 17, .groundFront = 18, .airBack = 14, .airFront = 14, .height = 70,
                      .attackDist = 160, .headPos = {4, -100}, .midPos = {0, -62},
                      .walkFwd = "2.0", .walkBack = "-1.8", .runFwd = "4.6, 0", .runBack = "-4.2, -3.4",
                      .jumpNeu = "0, -8.2", .jumpBack = "-2.2", .jumpFwd = "2.4", .runjumpBack = "-2.6, -7.6",
                      .runjumpFwd = "4.0, -7.6", .airjumpNeu = "0, -7.8", .airjumpBack = "-2.2", .airjumpFwd = "2.4",
                      .airjumpNum = 0, .airjumpHeight = 40, .yaccel = ".46"},
        .normals =
            {
                {.state = 200, .swingTime = 2, .hitElem = 2,
                 .hit = {.damage = 28, .pause = 7, .shake = 9, .spark = 0, .sparkY = -72, .hitTime = 10, .slideTime = 8,
                         .groundVel = -3.5f}},
                {.state = 210, .power = 40, .lunge = 1.5f, .voice = "0, 1", .swingTime = 10, .swingSound = 2,
                 .hitElem = 3,
                 .hit = {.animtype = "Hard", .damage = 78, .guardDamage = 6, .pause = 12, .shake = 14, .spark = 2,
                         .sparkY = -60, .hitSound = 2, .hitTime = 18, .slideTime = 14, .groundVel = -6}},
                {.state = 230, .swingTime = 3, .swingSound = 1, .hitElem = 2,
                 .hit = {.animtype = "Medium", .damage = 34, .spark = 1, .sparkY = -44, .hitSound = 1, .hitTime = 12,
                         .groundVel = -4}},
                {.state = 240, .power = 40, .voice = "0, 1", .swingTime = 5, .swingSound = 2, .hitElem = 2,
                 .hit = {.animtype = "Hard", .damage = 72, .guardDamage = 5, .pause = 11, .shake = 13, .spark = 2,
                         .sparkY = -80, .hitSound = 2, .hitTime = 18, .slideTime = 14, .groundVel = -7, .airVelX = -4,
                         .airVelY = -4}},
                {.state = 400, .type = 'C', .swingTime = 2, .hitElem = 2,
                 .hit = {.damage = 26, .sparkY = -50, .hitTime = 10, .groundVel = -3.5f}},
                {.state = 430, .type = 'C', .power = 35, .swingTime = 4, .swingSound = 1, .hitElem = 2,
                 .hit = {.attr = "C, NA", .animtype = "Medium", .damage = 60, .guardDamage = 4, .guardflag = "L",
                         .pause = 10, .shake = 12, .spark = 1, .sparkY = -8, .hitSound = 1, .groundType = "Trip",
                         .hitTime = 20, .groundVel = -1.5f, .launch = -3}},
                {.state = 600, .type = 'A', .swingTime = 3, .swingSound = 1, .hitElem = 2,
                 .hit = {.attr = "A, NA", .animtype = "Medium", .damage = 50, .guardflag = "HA", .spark = 1,
                         .sparkY = -70, .hitSound = 1, .hitTime = 14, .groundVel = -4}},
                {.state = 630, .type = 'A', .swingTime = 4, .swingSound = 2, .hitElem = 2,
                 .hit = {.attr = "A, NA", .animtype = "Hard", .damage = 62, .guardflag = "HA", .spark = 2,
                         .sparkY = -50, .hitSound = 2, .hitTime = 16, .groundVel = -5}},
            },
        .specials = {.projectileNote = "; Quake Wave: fire in the fist, the fist to the ground, and a wave of\n"
                                       "; burning rock rolls along the ground.\n",
                     .projectile = QuakeWave,
                     .helperNote = "; Stone Fist: a stamp that raises a fist of stone from the ground under\n"
                                   "; the opponent, when near enough.\n",
                     .helperShout = "shout",
                     .helper = StoneFistCall,
                     .helperStates = StoneFistStates},
        .moveNames = {"Quake Wave", "Stone Fist",
                      {"jab", "hammer", "front kick", "roundhouse", "low punch", "sweep", "falling punch",
                       "flying kick"}},
        .sounds = {.timbre = {SYNTH_SAW, 2.01f, 2.0f, SYNTH_SQUARE, 0.35f, 0.2f, 0.08f, 0.8f, 0.4f, 0.5f},
                   .light = {150, 120, 0.18f, 0.5f, 1u, 0.55f},
                   .heavy = {140, 95, 0.32f, 0.6f, 2u, 0.65f},
                   .projectileShout = {120, 170, 0.45f, 0.6f, 3u, 0.7f},
                   .helperShout = {170, 100, 0.4f, 0.6f, 4u, 0.7f},
                   .ko = {160, 60, 0.9f, 0.7f, 7u, 0.8f},
                   .win = {110, 150, 0.6f, 0.6f, 8u, 0.7f},
                   .projectile = Slam,
                   .projectilePeak = 0.8f,
                   .helper = Rumble,
                   .helperPeak = 0.8f},
    };
    return m;
}
