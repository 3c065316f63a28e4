// Sample-game fighter "lira": a quick fighter of wind, with a double jump; her make-up, pictures of her specials, sounds and state texts.
#include <allegro.h>
#include <cmath>
#include <cstdlib>

#include "game/fighters.h"
#include "game/synth.h"

namespace {

// Skin, hair, suit, sash, gloves and boots, wind, hawk, backdrop.
const FighterColours kColours[12] = {
    {{236, 190, 150}, {30, 34, 60}, {40, 130, 150}, {230, 200, 90}, {60, 50, 70}, {140, 240, 255}, {240, 240, 255}, {30, 80, 110}},
    {{236, 190, 150}, {170, 50, 40}, {150, 40, 70}, {240, 240, 230}, {50, 40, 50}, {255, 160, 200}, {255, 220, 230}, {110, 30, 60}},
    {{200, 150, 110}, {20, 20, 24}, {60, 60, 70}, {200, 60, 50}, {30, 30, 36}, {255, 120, 90}, {240, 200, 190}, {50, 50, 60}},
    {{236, 190, 150}, {230, 210, 140}, {240, 240, 240}, {60, 110, 200}, {90, 90, 110}, {160, 200, 255}, {220, 230, 255}, {130, 140, 170}},
    {{170, 120, 90}, {40, 30, 24}, {200, 120, 40}, {60, 40, 30}, {90, 60, 40}, {255, 210, 120}, {255, 240, 200}, {120, 70, 30}},
    {{236, 190, 150}, {120, 60, 160}, {70, 50, 120}, {180, 180, 200}, {40, 30, 60}, {200, 140, 255}, {230, 210, 255}, {50, 30, 90}},
    {{236, 200, 170}, {240, 240, 250}, {30, 40, 80}, {220, 60, 60}, {200, 200, 210}, {200, 255, 255}, {240, 255, 255}, {20, 30, 70}},
    {{210, 160, 120}, {50, 90, 40}, {90, 140, 60}, {120, 80, 40}, {70, 60, 40}, {190, 255, 140}, {230, 255, 210}, {40, 80, 30}},
    {{236, 190, 150}, {60, 40, 30}, {180, 160, 130}, {110, 60, 40}, {80, 60, 50}, {255, 230, 170}, {250, 240, 220}, {110, 90, 70}},
    {{150, 100, 80}, {230, 230, 230}, {20, 90, 90}, {240, 160, 40}, {40, 40, 40}, {120, 255, 220}, {210, 255, 240}, {10, 60, 60}},
    {{236, 190, 150}, {250, 180, 40}, {190, 30, 40}, {30, 30, 30}, {30, 30, 30}, {255, 200, 80}, {255, 230, 160}, {90, 20, 20}},
    {{220, 220, 235}, {90, 110, 150}, {110, 120, 150}, {160, 200, 240}, {60, 70, 100}, {210, 230, 255}, {240, 245, 255}, {70, 80, 120}},
};

// A crescent of wind, turning as it flies; frame f of 4.
BITMAP *Crescent(int f)
{
    BITMAP *b = ArtBitmap(56, 64);
    float tilt = (float)f * 0.18f;
    for (int k = 0; k < 3; k++) {
        for (int a = -70; a <= 70; a += 2) {
            float r = 24.0f - (float)k * 3.0f;
            float ang = (float)a * 3.14159f / 180.0f + tilt;
            int x = 18 + (int)(cosf(ang) * r), y = 32 + (int)(sinf(ang) * r);
            int thick = 4 - k - abs(a) / 30;
            if (thick > 0)
                circlefill(b, x, y, thick, FIGHTER_FX + 6 + k * 4);
        }
    }
    for (int i = 0; i < 4; i++)
        hline(b, 0, 22 + i * 7 + f % 2, 10 - i, FIGHTER_FX + 9);
    return b;
}

// The crescent breaking into gusts; frame f of 4.
BITMAP *Gust(int f)
{
    BITMAP *b = ArtBitmap(70, 70);
    for (int i = 0; i < 8; i++) {
        float ang = (float)i * 3.14159f / 4.0f + (float)f * 0.2f;
        float r0 = 4.0f + (float)f * 7.0f, r1 = r0 + 10.0f - (float)f * 2.0f;
        line(b, 35 + (int)(cosf(ang) * r0), 35 + (int)(sinf(ang) * r0), 35 + (int)(cosf(ang) * r1),
             35 + (int)(sinf(ang) * r1), FIGHTER_FX + 15 - f * 2);
    }
    if (f < 2)
        circle(b, 35, 35, 6 + f * 6, FIGHTER_FX + 13);
    return b;
}

// A hawk of light, wings up (f even) or down.
BITMAP *Hawk(int f)
{
    BITMAP *b = ArtBitmap(64, 48);
    // Tail, body and head, facing right.
    triangle(b, 6, 20, 6, 30, 22, 25, FIGHTER_AIDE + 8);
    ellipsefill(b, 30, 25, 13, 6, FIGHTER_AIDE + 11);
    circlefill(b, 44, 22, 5, FIGHTER_AIDE + 13);
    triangle(b, 48, 20, 48, 24, 54, 23, FIGHTER_FX + 12);
    putpixel(b, 45, 21, FIGHTER_OUTLINE);
    // Wings.
    int tipY = f % 2 ? 44 : 3;
    triangle(b, 22, 24, 38, 24, 14, tipY, FIGHTER_AIDE + 9);
    triangle(b, 24, 24, 34, 24, 26, tipY + (f % 2 ? -6 : 6), FIGHTER_AIDE + 14);
    // A trail of light.
    for (int i = 0; i < 5; i++)
        circlefill(b, 4 - i, 25 + (i % 2), 2, FIGHTER_FX + 8 + i);
    return b;
}

// The hawk beating its wings (action 1150) and breaking into a gust (1151).
void HawkArt(FighterSheet *sh)
{
    for (int f = 0; f < 2; f++)
        sh->Picture(1150, f, Hawk(f), 32, 25, {.body = {}, .hit = {{-14, -12, 24, 12}}});
    sh->Action(1150, {{1150, 0, 4, true}, {1150, 1, 4, true}}, -1, true);
    sh->Action(1151, FighterBurstFrames(), -1, true);
}

// ---------------------------------------------------------------- specials

// Gale Crescent: the whoosh, the flinging hand's own blow and the blade.
std::string GaleCrescent()
{
    return FighterSoundText(1000, "whoosh", "AnimElem = 3", "2, 0") +
           "; The flinging hand strikes whoever stands in its way.\n" +
           FighterHitDefText(1000, "palm", "AnimElem = 3",
                             {.attr = "S, SA", .animtype = "Medium", .damage = 34, .guardDamage = 3, .pause = 7,
                              .shake = 9, .spark = 1, .sparkY = -62, .hitSound = 1, .hitTime = 12, .slideTime = 8,
                              .airVelX = -3, .airVelY = -4, .fall = std::nullopt}) +
           FighterProjectileText("blade", "AnimElem = 3", 34, -62, 5.5f,
                                 {.attr = "S, SP", .animtype = "Medium", .damage = 70, .guardDamage = 8, .pause = 0,
                                  .shake = 12, .spark = 1, .guardSpark = 41, .sparkX = -8, .sparkY = 0, .hitSound = 1,
                                  .guardSound = 1, .hitTime = 15, .slideTime = 10, .groundVel = -5, .airVelX = -3,
                                  .airVelY = -4, .fall = std::nullopt, .more = "air.fall = 1\n"});
}

// Hawk Call: the raised hand's own blow, and the hawk sent out above it.
std::string HawkCall()
{
    return "; The raised hand catches whoever drops on her.\n" +
           FighterHitDefText(1100, "rising palm", "AnimElem = 2",
                             {.attr = "S, SA", .animtype = "Up", .damage = 36, .guardDamage = 3, .guardflag = "HA",
                              .pause = 7, .shake = 10, .spark = 1, .sparkX = -4, .sparkY = -96, .hitSound = 1,
                              .hitTime = std::nullopt, .slideTime = std::nullopt, .groundVel = -2, .launch = -6,
                              .airVelX = -2, .airVelY = -6, .fall = 1}) +
           FighterHelperText("hawk", "AnimElem = 2", "Hawk", "18, -92");
}

// The hawk's own states: flying (1150) and breaking up (1151).
std::string HawkStates()
{
    return "; The hawk: it flies ahead and dives, strikes once and is gone.\n" +
           FighterStatedefText({.state = 1150, .type = 'A', .physics = 'N', .velset = false, .sprpriority = 4}) +
           FighterUntouchableText(1150) + FighterSoundText(1150, "cry", "Time = 0", "2, 1") +
           "[State 1150, out]\n"
           "type = VelSet\n"
           "trigger1 = Time = 0\n"
           "x = 4.5\n"
           "y = -.6\n"
           "\n"
           "[State 1150, dive]\n"
           "type = VelAdd\n"
           "trigger1 = Time >= 10 && pos y < -50\n"
           "y = .22\n"
           "\n"
           "[State 1150, level]\n"
           "type = VelSet\n"
           "trigger1 = pos y >= -50 && vel y > 0\n"
           "y = 0\n"
           "\n" +
           FighterHitDefText(1150, "talons", "Time = 0",
                             {.attr = "A, SP", .animtype = "Medium", .damage = 65, .guardDamage = 8, .pause = 4,
                              .shake = 12, .spark = 1, .guardSpark = 41, .sparkX = -10, .sparkY = 0, .hitSound = 1,
                              .guardSound = 1, .hitTime = 16, .slideTime = 10, .airVelX = -3, .airVelY = -4,
                              .fall = std::nullopt}) +
           "; Striking, or flying off, ends the hawk in a gust.\n"
           "[State 1150, gust]\n"
           "type = ChangeState\n"
           "trigger1 = MoveContact\n"
           "trigger2 = Time >= 90\n"
           "value = 1151\n"
           "\n" +
           FighterStatedefText({.state = 1151, .type = 'A', .movetype = 'I', .physics = 'N', .sprpriority = 4}) +
           FighterUntouchableText(1151) +
           "[State 1151, gone]\n"
           "type = DestroySelf\n"
           "trigger1 = AnimTime = 0\n"
           "\n";
}

// ---------------------------------------------------------------- sounds

Wave Whoosh()
{
    return SynthNoise(0.05f, 0.4f, 0.45f, 0.25f, 0.8f, 15u);
}

Wave Cry()
{
    Wave w = SynthTone(1800, 1200, 0.35f, SYNTH_SINE, 0.2f, 0.6f);
    SynthMix(&w, SynthTone(2200, 1500, 0.25f, SYNTH_TRIANGLE, 0.15f, 0.3f), 0.1f);
    return w;
}

} // namespace

const FighterMake &LiraMake()
{
    static const FighterMake m = {
        .file = "lira",
        .name = "Lira",
        .body = {.hip = 50, .torso = 31, .neck = 4, .headR = 8, .upperArm = 19, .foreArm = 17, .thigh = 25, .shin = 24,
                 .foot = 8.5f, .chestR = 9.5f, .waistR = 7.5f, .armR = 4.2f, .foreR = 3.6f, .handR = 3.8f,
                 .thighR = 6, .shinR = 4.6f, .footR = 3, .armRamp = FIGHTER_MAIN, .handRamp = FIGHTER_GEAR,
                 .legRamp = FIGHTER_MAIN, .shinRamp = FIGHTER_GEAR, .beltRamp = FIGHTER_TRIM, .tail = true,
                 .sash = true, .bandRamp = FIGHTER_TRIM},
        .style = {.stance = {.lean = 2, .armF = {56, 70}, .armB = {18, 112}, .legF = {12, -10}, .legB = {-16, -8}},
                  .stride = 26},
        .colours = kColours,
        .inks = {{18, 16, 28}, {250, 250, 255}, {24, 30, 60}, {150, 60, 70}},
        .moves =
            {
                // Intro: a turn on one foot that ends in the stance.
                {190,
                 {{0, {}, {.lean = -6, .armF = {100, 10}, .armB = {120, 10}, .legF = {70, -110}, .legB = {-4, -4}}},
                  {1, {190, 0}, {.armF = {110, 10}, .armB = {110, 10}, .sway = 40}},
                  {2, {190, 0}, {.armF = {120, 10}, .armB = {100, 10}}},
                  {3, {190, 0}, {.armF = {130, 10}, .armB = {90, 10}, .sway = 40}}},
                 {{190, 0, 6}, {190, 1, 6}, {190, 2, 6}, {190, 3, 6}, {190, 0, 6}, {190, 1, 6}, {190, 2, 6},
                  {190, 3, 6}, {40, 0, 6}, {0, 0, 20}}},
                // Wins: a bow; and a hand raised, the other on the hip.
                {180,
                 {{0, {}, {.lean = 34, .nod = 20, .armF = {-20, 90}, .armB = {10, 40}, .legF = {6, -4},
                           .legB = {-6, -4}}},
                  {1, {180, 0}, {.lean = 4, .nod = 0}}},
                 {{0, 0, 10}, {180, 1, 10}, {180, 0, 40}, {180, 1, -1}}},
                {181,
                 {{0, {}, {.nod = -16, .armF = {170, 10}, .armB = {-40, 150}, .legF = {4, -4}, .legB = {-12, -4},
                           .sway = 30}},
                  {1, {181, 0}, {.sway = 0}}},
                 {{0, 0, 8}, {181, 0, 12}, {181, 1, 12}, {181, 0, 12}, {181, 1, -1}}},
                // Palm strike.
                {200,
                 {{0, {}, {.lean = -2, .armF = {30, 120}}},
                  {1, {}, {.dx = 4, .lean = 10, .armF = {86, 0}, .strike = STRIKE_HAND_F, .reach = 2}}},
                 {{200, 0, 2}, {200, 1, 3, true}, {200, 0, 4}}},
                // Spinning backfist.
                {210,
                 {{0, {}, {.lean = -10, .armF = {-20, 60}, .armB = {80, 10}, .sway = 30}},
                  {1, {}, {.dx = 4, .lean = 8, .armF = {-30, 40}, .armB = {94, 0}, .strike = STRIKE_HAND_B, .reach = 4,
                           .sway = 50}}},
                 {{210, 0, 5}, {5, 0, 3}, {210, 1, 4, true}, {210, 0, 8}, {0, 0, 3}}},
                // Snap kick and axe kick.
                {230,
                 {{0, {}, {.legF = {66, -110}}},
                  {1, {}, {.lean = -8, .legF = {76, -4}, .strike = STRIKE_FOOT_F, .reach = 2}}},
                 {{230, 0, 3}, {230, 1, 4, true}, {230, 0, 5}}},
                {240,
                 {{0, {}, {.lean = -18, .armF = {20, 60}, .legF = {150, -10}, .sway = 30}},
                  {1, {}, {.lean = 6, .legF = {96, -8}, .strike = STRIKE_FOOT_F, .reach = 4}}},
                 {{230, 0, 4}, {240, 0, 6}, {240, 1, 6, true}, {230, 0, 8}, {0, 0, 3}}},
                // Crouching jab and sweep.
                {400,
                 {{0, {}, {.lean = 18, .armF = {50, 70}, .legF = {82, -118}, .legB = {34, -124}}},
                  {1, {400, 0}, {.armF = {84, 4}, .strike = STRIKE_HAND_F, .reach = 2}}},
                 {{400, 0, 2}, {400, 1, 4, true}, {400, 0, 5}}},
                {430,
                 {{0, {400, 0}, {.lean = 30, .armF = {-20, 30}, .armB = {-10, 20}}},
                  {1, {430, 0}, {.legF = {90, -2}, .legB = {50, -130}, .strike = STRIKE_FOOT_F, .reach = 3}}},
                 {{430, 0, 4}, {430, 1, 6, true}, {430, 0, 8}, {11, 0, 2}}},
                // Jumping knee and diving kick.
                {600,
                 {{0, {}, {.lean = 6, .armF = {60, 90}, .legF = {110, -140}, .legB = {20, -60}, .ground = false,
                           .strike = STRIKE_FOOT_F, .reach = 4}}},
                 {{41, 1, 2}, {600, 0, 10, true}, {41, 1, -1}}},
                {630,
                 {{0, {}, {.spin = 30, .armF = {110, 30}, .legF = {40, -4}, .legB = {20, -90}, .ground = false,
                           .strike = STRIKE_FOOT_F, .reach = 3}}},
                 {{41, 1, 3}, {630, 0, 16, true}, {41, 1, -1}}},
            },
        // Gale Crescent: wind gathered and flung from the hand.
        .projectileMove = {1000,
                           {{0, {}, {.lean = -8, .armF = {-30, 80}, .glow = 6, .sway = 20}},
                            {1, {}, {.dx = 4, .lean = 14, .armF = {96, -6}, .strike = STRIKE_HAND_F, .reach = 4,
                                     .glow = 4, .sway = 50}},
                            {2, {1000, 1}, {.strike = STRIKE_NONE, .glow = 0}}},
                           {{200, 0, 3}, {1000, 0, 8}, {1000, 1, 4, true}, {1000, 2, 14}, {0, 0, 4}}},
        .projectileArt = {.flight = Crescent,
                          .flightX = 18,
                          .flightY = 32,
                          .flightBoxes = {.body = {{-4, -24, 18, 24}}, .hit = {{-4, -26, 20, 26}}},
                          .burst = Gust,
                          .burstX = 35,
                          .burstY = 35},
        // Hawk Call: an arm raised, and a hawk of light flies from it.
        .helperMove = {1100,
                       {{0, {}, {.nod = -10, .armF = {150, 20}, .armB = {20, 100}, .strike = STRIKE_HAND_F, .reach = 4,
                                 .glow = 5}},
                        {1, {1100, 0}, {.strike = STRIKE_NONE, .glow = 0}}},
                       {{200, 0, 4}, {1100, 0, 10, true}, {1100, 1, 14}, {0, 0, 4}}},
        .helperArt = HawkArt,
        .face = {.nod = 4, .armF = {40, 100}},
        .constants = {.note = "; Lira: light and quick, with a second jump in the air.\n",
                      .life = 950, .attack = 100, .defence = 95, .fallDefenceUp = 50, .liedownTime = 40,
                      .airjuggle = 16, .sparkno = 0,
                      .groundBack = 13, .groundFront = 14, .airBack = 11, .airFront = 11, .height = 62,
                      .attackDist = 150, .headPos = {2, -92}, .midPos = {0, -56},
                      .walkFwd = "2.6", .walkBack = "-2.4", .runFwd = "5.6, 0", .runBack = "-5, -3.8",
                      .jumpNeu = "0, -8.8", .jumpBack = "-2.6", .jumpFwd = "2.8", .runjumpBack = "-2.8, -8.2",
                      .runjumpFwd = "4.6, -8.2", .airjumpNeu = "0, -7.6", .airjumpBack = "-2.4", .airjumpFwd = "2.6",
                      .airjumpNum = 1, .airjumpHeight = 30, .yaccel = ".42"},
        .normals =
            {
                {.state = 200, .swingTime = 1, .hitElem = 2,
                 .hit = {.damage = 24, .pause = 6, .shake = 8, .sparkY = -66, .hitTime = 10, .groundVel = -3.5f}},
                {.state = 210, .power = 35, .lunge = 2, .voice = "0, 1", .swingTime = 6, .swingSound = 1, .hitElem = 3,
                 .hit = {.animtype = "Medium", .damage = 58, .guardDamage = 4, .pause = 10, .shake = 12, .spark = 1,
                         .sparkY = -76, .hitSound = 1, .hitTime = 15, .slideTime = 12, .groundVel = -5}},
                {.state = 230, .swingTime = 2, .hitElem = 2,
                 .hit = {.damage = 30, .sparkY = -50, .hitTime = 11, .groundVel = -4}},
                {.state = 240, .power = 40, .voice = "0, 1", .swingTime = 5, .swingSound = 2, .hitElem = 3,
                 .hit = {.animtype = "Hard", .damage = 66, .guardDamage = 5, .guardflag = "HA", .pause = 11,
                         .shake = 12, .spark = 2, .sparkY = -84, .hitSound = 2, .hitTime = 17, .slideTime = 12,
                         .groundVel = -6}},
                {.state = 400, .type = 'C', .swingTime = 1, .hitElem = 2,
                 .hit = {.damage = 22, .sparkY = -44, .hitTime = 9, .groundVel = -3}},
                {.state = 430, .type = 'C', .power = 35, .swingTime = 3, .swingSound = 1, .hitElem = 2,
                 .hit = {.attr = "C, NA", .animtype = "Medium", .damage = 52, .guardDamage = 4, .guardflag = "L",
                         .pause = 9, .shake = 11, .spark = 1, .sparkY = -8, .hitSound = 1, .groundType = "Trip",
                         .hitTime = 20, .groundVel = -2, .launch = -3}},
                {.state = 600, .type = 'A', .swingTime = 2, .hitElem = 2,
                 .hit = {.attr = "A, NA", .damage = 42, .guardflag = "HA", .sparkY = -62, .hitTime = 12,
                         .groundVel = -4}},
                {.state = 630, .type = 'A', .swingTime = 3, .swingSound = 1, .hitElem = 2,
                 .hit = {.attr = "A, NA", .animtype = "Medium", .damage = 54, .guardflag = "HA", .spark = 1,
                         .sparkY = -40, .hitSound = 1, .hitTime = 15, .groundVel = -5}},
            },
        .specials = {.projectileNote = "; Gale Crescent: wind gathered in the hand and flung as a blade.\n",
                     .projectile = GaleCrescent,
                     .helperNote = "; Hawk Call: a hawk of light flies out and dives at the opponent.\n",
                     .helperShout = "call",
                     .helper = HawkCall,
                     .helperStates = HawkStates},
        .moveNames = {"Gale Crescent", "Hawk Call",
                      {"palm", "backfist", "snap kick", "axe kick", "low jab", "sweep", "flying knee", "diving kick"}},
        .sounds = {.timbre = {SYNTH_TRIANGLE, 1.5f, 1.5f, SYNTH_SINE, 0.4f, 0.35f, 0.15f, 0.6f, 0.3f, 0.3f},
                   .light = {420, 360, 0.15f, 0.5f, 11u, 0.5f},
                   .heavy = {400, 300, 0.28f, 0.6f, 12u, 0.6f},
                   .projectileShout = {380, 520, 0.35f, 0.6f, 13u, 0.65f},
                   .helperShout = {460, 620, 0.4f, 0.6f, 14u, 0.65f},
                   .ko = {480, 200, 0.8f, 0.7f, 16u, 0.75f},
                   .win = {360, 500, 0.45f, 0.6f, 17u, 0.65f},
                   .projectile = Whoosh,
                   .projectilePeak = 0.7f,
                   .helper = Cry,
                   .helperPeak = 0.6f},
    };
    return m;
}
