// Sample-game fighter "brask": a heavy brawler of stone and fire, his pictures, sounds, palettes and state files.
#include <allegro.h>
#include <cmath>
#include <cstdio>

#include "game/fighters.h"
#include "game/synth.h"
#include "kit/sndkit.h"

namespace {

FighterBody BraskBody()
{
    FighterBody b;
    b.hip = 52;
    b.torso = 36;
    b.neck = 3;
    b.headR = 9.5f;
    b.upperArm = 21;
    b.foreArm = 19;
    b.thigh = 26;
    b.shin = 25;
    b.foot = 10;
    b.chestR = 15;
    b.waistR = 11;
    b.armR = 6.5f;
    b.foreR = 5.5f;
    b.handR = 5.5f;
    b.thighR = 8.5f;
    b.shinR = 6.5f;
    b.footR = 4;
    b.torsoRamp = FIGHTER_MAIN;
    b.bareChest = true;
    b.cuffRamp = FIGHTER_GEAR;
    b.legRamp = FIGHTER_TRIM;
    b.shinRamp = FIGHTER_TRIM;
    b.footRamp = FIGHTER_GEAR;
    b.beltRamp = FIGHTER_GEAR;
    b.beard = true;
    b.topknot = true;
    return b;
}

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

FighterStyle BraskStyle()
{
    FighterStyle st;
    st.stance.lean = 6;
    st.stance.legF = {20, -20};
    st.stance.legB = {-24, -8};
    st.stance.armF = {40, 95};
    st.stance.armB = {22, 100};
    st.stride = 20;
    st.heavy = true;
    return st;
}

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

void BraskArt(FighterSheet *sh)
{
    FighterStyle st = BraskStyle();
    FighterBasics(sh, st);
    const Pose &s = st.stance;

    // Intro: a fist driven into the open palm, twice; then the guard.
    Pose in0 = s;
    in0.armF = {60, 110};
    in0.armB = {70, 60};
    in0.lean = 0;
    in0.nod = 10;
    Pose in1 = in0;
    in1.armB = {84, 12};
    in1.armF = {74, 100};
    sh->Pose(190, 0, in0);
    sh->Pose(190, 1, in1);
    Pose in2 = s;
    in2.armF = {150, 20};
    in2.armB = {140, 30};
    in2.lean = -8;
    in2.nod = -14;
    sh->Pose(190, 2, in2);
    sh->Action(190, {{190, 0, 16}, {190, 1, 8}, {190, 0, 10}, {190, 1, 8}, {190, 0, 12}, {190, 2, 30}, {0, 0, 12}});

    // Wins: both fists raised; and a fist driven into the ground.
    Pose w0 = s;
    w0.armF = {166, 30};
    w0.armB = {150, 40};
    w0.lean = -6;
    w0.nod = -18;
    Pose w1 = w0;
    w1.armF = {160, 60};
    w1.armB = {146, 66};
    sh->Pose(180, 0, w0);
    sh->Pose(180, 1, w1);
    sh->Action(180, {{0, 0, 10}, {180, 0, 14}, {180, 1, 14}, {180, 0, 14}, {180, 1, 14}, {180, 0, -1}});
    Pose g0 = s;
    g0.legF = {70, -100};
    g0.legB = {20, -120};
    g0.lean = 40;
    g0.armF = {70, 10};
    Pose g1 = g0;
    g1.armF = {20, 6};
    g1.lean = 48;
    sh->Pose(181, 0, g0);
    sh->Pose(181, 1, g1);
    sh->Action(181, {{0, 0, 10}, {181, 0, 10}, {181, 1, 40}, {10, 0, 8}, {190, 2, -1}});

    // Jab (200): a short straight punch.
    Pose j0 = s;
    j0.armF = {50, 110};
    j0.lean = 4;
    Pose j1 = s;
    j1.armF = {88, 4};
    j1.lean = 14;
    j1.dx = 3;
    j1.strike = STRIKE_HAND_F;
    j1.reach = 2;
    sh->Pose(200, 0, j0);
    sh->Pose(200, 1, j1);
    sh->Action(200, {{200, 0, 3}, {200, 1, 4, true}, {200, 0, 5}, {0, 0, 2}});

    // Hammer (210): both fists raised and brought down ahead of him.
    Pose h0 = s;
    h0.armF = {170, 30};
    h0.armB = {160, 40};
    h0.lean = -10;
    Pose h1 = s;
    h1.armF = {110, 10};
    h1.armB = {100, 20};
    h1.lean = 24;
    h1.dx = 6;
    h1.strike = STRIKE_HAND_F;
    h1.reach = 4;
    Pose h2 = h1;
    h2.armF = {70, 10};
    h2.armB = {60, 20};
    h2.lean = 32;
    h2.strike = STRIKE_NONE;
    sh->Pose(210, 0, h0);
    sh->Pose(210, 1, h1);
    sh->Pose(210, 2, h2);
    sh->Action(210, {{200, 0, 3}, {210, 0, 8}, {210, 1, 5, true}, {210, 2, 10}, {200, 0, 6}});

    // Front kick (230) and roundhouse (240).
    Pose k0 = s;
    k0.legF = {70, -100};
    k0.lean = -4;
    Pose k1 = s;
    k1.legF = {84, -8};
    k1.lean = -12;
    k1.strike = STRIKE_FOOT_F;
    k1.reach = 1;
    sh->Pose(230, 0, k0);
    sh->Pose(230, 1, k1);
    sh->Action(230, {{230, 0, 4}, {230, 1, 5, true}, {230, 0, 6}});
    Pose r0 = s;
    r0.legB = {40, -110};
    r0.legF = {-6, -10};
    r0.lean = -8;
    r0.armF = {60, 100};
    Pose r1 = s;
    r1.legF = {-4, -10};
    r1.legB = {106, -14};
    r1.lean = -24;
    r1.nod = 14;
    r1.strike = STRIKE_FOOT_B;
    r1.reach = 3;
    Pose r2 = r1;
    r2.legB = {80, -60};
    r2.strike = STRIKE_NONE;
    sh->Pose(240, 0, r0);
    sh->Pose(240, 1, r1);
    sh->Pose(240, 2, r2);
    sh->Action(240, {{240, 0, 6}, {240, 1, 6, true}, {240, 2, 8}, {240, 0, 6}});

    // Crouching punch (400) and sweep (430).
    Pose c0 = s;
    c0.legF = {82, -118};
    c0.legB = {34, -124};
    c0.lean = 20;
    c0.armF = {60, 60};
    Pose c1 = c0;
    c1.armF = {84, 6};
    c1.lean = 26;
    c1.strike = STRIKE_HAND_F;
    c1.reach = 2;
    sh->Pose(400, 0, c0);
    sh->Pose(400, 1, c1);
    sh->Action(400, {{400, 0, 3}, {400, 1, 4, true}, {400, 0, 6}, {11, 0, 2}});
    Pose sw0 = c0;
    sw0.legF = {60, -120};
    sw0.lean = 34;
    sw0.armF = {-10, 40};
    sw0.armB = {-30, 30};
    Pose sw1 = sw0;
    sw1.legF = {88, -4};
    sw1.legB = {50, -130};
    sw1.lean = 30;
    sw1.strike = STRIKE_FOOT_F;
    sw1.reach = 3;
    sh->Pose(430, 0, sw0);
    sh->Pose(430, 1, sw1);
    sh->Action(430, {{430, 0, 6}, {430, 1, 6, true}, {430, 0, 10}, {11, 0, 3}});

    // Jumping punch (600) and kick (630).
    Pose a0 = s;
    a0.ground = false;
    a0.legF = {70, -110};
    a0.legB = {40, -100};
    a0.armF = {110, 10};
    a0.lean = 30;
    a0.strike = STRIKE_HAND_F;
    a0.reach = 3;
    sh->Pose(600, 0, a0);
    sh->Action(600, {{41, 1, 3}, {600, 0, 12, true}, {41, 1, -1}});
    Pose a1 = s;
    a1.ground = false;
    a1.legF = {60, -4};
    a1.legB = {50, -120};
    a1.lean = -8;
    a1.armF = {90, 60};
    a1.strike = STRIKE_FOOT_F;
    a1.reach = 3;
    sh->Pose(630, 0, a1);
    sh->Action(630, {{41, 1, 4}, {630, 0, 14, true}, {41, 1, -1}});

    // Quake Wave (1000): fire gathered in the fist, then the fist to the ground.
    Pose q0 = s;
    q0.armF = {150, 40};
    q0.lean = -10;
    q0.glow = 7;
    Pose q1 = s;
    q1.legF = {60, -100};
    q1.legB = {10, -110};
    q1.lean = 46;
    q1.armF = {20, 0};
    q1.glow = 10;
    q1.strike = STRIKE_HAND_F;
    q1.reach = 4;
    Pose q2 = q1;
    q2.glow = 0;
    q2.strike = STRIKE_NONE;
    sh->Pose(1000, 0, q0);
    sh->Pose(1000, 1, q1);
    sh->Pose(1000, 2, q2);
    sh->Action(1000, {{200, 0, 4}, {1000, 0, 10}, {1000, 1, 4, true}, {1000, 2, 16}, {10, 0, 6}});
    for (int f = 0; f < 4; f++) {
        FighterBoxes bx;
        bx.hit.push_back({-26, -34, 26, 0});
        bx.body.push_back({-24, -30, 24, 0});
        sh->Picture(1010, f, RockWave(f), 35, 48, bx);
        sh->Picture(1015, f, RockBurst(f), 40, 60);
    }
    sh->Action(1010, {{1010, 0, 3, true}, {1010, 1, 3, true}, {1010, 2, 3, true}, {1010, 3, 3, true}});
    sh->Action(1015, {{1015, 0, 3}, {1015, 1, 3}, {1015, 2, 3}, {1015, 3, 3}}, -1, true);

    // Stone Fist (1100): a stamp that raises a fist of stone ahead of him.
    Pose t0 = s;
    t0.legF = {80, -70};
    t0.lean = -6;
    t0.armF = {100, 60};
    t0.armB = {110, 50};
    Pose t1 = s;
    t1.legF = {30, -40};
    t1.lean = 16;
    t1.armF = {30, 80};
    t1.armB = {20, 90};
    t1.glow = 6;
    t1.strike = STRIKE_FOOT_F;
    t1.reach = 6;
    sh->Pose(1100, 0, t0);
    sh->Pose(1100, 1, t1);
    sh->Action(1100, {{1100, 0, 10}, {1100, 1, 4, true}, {1100, 1, 18}, {0, 0, 6}});
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

    Pose face = s;
    face.armF = {40, 110};
    face.nod = 4;
    sh->Portraits(face);
}

// ---------------------------------------------------------------- texts

const char kConstants[] =
    "; Brask: heavy, slow and hard to move.\n"
    "[Data]\n"
    "life = 1100\n"
    "power = 3000\n"
    "attack = 110\n"
    "defence = 110\n"
    "fall.defence_up = 40\n"
    "liedown.time = 50\n"
    "airjuggle = 14\n"
    "sparkno = 1\n"
    "guard.sparkno = 40\n"
    "ko.echo = 1\n"
    "volume = 0\n"
    "IntPersistIndex = 60\n"
    "FloatPersistIndex = 40\n"
    "\n"
    "[Size]\n"
    "xscale = 1\n"
    "yscale = 1\n"
    "ground.back = 17\n"
    "ground.front = 18\n"
    "air.back = 14\n"
    "air.front = 14\n"
    "height = 70\n"
    "attack.dist = 160\n"
    "proj.attack.dist = 90\n"
    "proj.doscale = 0\n"
    "head.pos = 4, -100\n"
    "mid.pos = 0, -62\n"
    "shadowoffset = 0\n"
    "draw.offset = 0, 0\n"
    "\n"
    "[Velocity]\n"
    "walk.fwd = 2.0\n"
    "walk.back = -1.8\n"
    "run.fwd = 4.6, 0\n"
    "run.back = -4.2, -3.4\n"
    "jump.neu = 0, -8.2\n"
    "jump.back = -2.2\n"
    "jump.fwd = 2.4\n"
    "runjump.back = -2.6, -7.6\n"
    "runjump.fwd = 4.0, -7.6\n"
    "airjump.neu = 0, -7.8\n"
    "airjump.back = -2.2\n"
    "airjump.fwd = 2.4\n"
    "\n"
    "[Movement]\n"
    "airjump.num = 0\n"
    "airjump.height = 40\n"
    "yaccel = .46\n"
    "stand.friction = .85\n"
    "crouch.friction = .82\n"
    "\n";

const char kSpecials[] =
    "; ---------------------------------------------------------------- specials\n"
    "; Quake Wave: fire in the fist, the fist to the ground, and a wave of\n"
    "; burning rock rolls along the ground.\n"
    "[Statedef 1000]\n"
    "type = S\n"
    "movetype = A\n"
    "physics = S\n"
    "juggle = 3\n"
    "poweradd = 60\n"
    "ctrl = 0\n"
    "velset = 0, 0\n"
    "anim = 1000\n"
    "sprpriority = 2\n"
    "\n"
    "[State 1000, shout]\n"
    "type = PlaySnd\n"
    "trigger1 = Time = 0\n"
    "value = 1, 0\n"
    "\n"
    "[State 1000, slam]\n"
    "type = PlaySnd\n"
    "trigger1 = AnimElem = 3\n"
    "value = 2, 0\n"
    "\n"
    "[State 1000, shake]\n"
    "type = EnvShake\n"
    "trigger1 = AnimElem = 3\n"
    "time = 10\n"
    "ampl = 3\n"
    "freq = 150\n"
    "\n"
    "; The slam itself strikes whoever stands over it.\n"
    "[State 1000, slam hit]\n"
    "type = HitDef\n"
    "trigger1 = AnimElem = 3\n"
    "attr = S, SA\n"
    "animtype = Medium\n"
    "damage = 40, 4\n"
    "guardflag = L\n"
    "hitflag = MAF\n"
    "pausetime = 8, 10\n"
    "sparkno = 1\n"
    "guard.sparkno = 40\n"
    "sparkxy = -6, -10\n"
    "hitsound = F5, 1\n"
    "guardsound = F6, 0\n"
    "ground.type = Low\n"
    "ground.slidetime = 8\n"
    "ground.hittime = 12\n"
    "ground.velocity = -4\n"
    "air.velocity = -3, -4\n"
    "\n"
    "[State 1000, wave]\n"
    "type = Projectile\n"
    "trigger1 = AnimElem = 3\n"
    "projid = 1000\n"
    "projanim = 1010\n"
    "projhitanim = 1015\n"
    "projremanim = 1015\n"
    "projpriority = 1\n"
    "projsprpriority = 3\n"
    "offset = 38, 0\n"
    "velocity = 4.2, 0\n"
    "projedgebound = 30\n"
    "attr = S, SP\n"
    "animtype = Medium\n"
    "damage = 80, 10\n"
    "guardflag = MA\n"
    "hitflag = MAF\n"
    "pausetime = 0, 14\n"
    "sparkno = 2\n"
    "guard.sparkno = 41\n"
    "sparkxy = -10, -20\n"
    "hitsound = F5, 2\n"
    "guardsound = F6, 1\n"
    "ground.type = Low\n"
    "ground.slidetime = 12\n"
    "ground.hittime = 16\n"
    "ground.velocity = -5\n"
    "air.velocity = -3, -4\n"
    "air.fall = 1\n"
    "\n"
    "[State 1000, done]\n"
    "type = ChangeState\n"
    "trigger1 = AnimTime = 0\n"
    "value = 0\n"
    "ctrl = 1\n"
    "\n"
    "; Stone Fist: a stamp that raises a fist of stone from the ground under\n"
    "; the opponent, when near enough.\n"
    "[Statedef 1100]\n"
    "type = S\n"
    "movetype = A\n"
    "physics = S\n"
    "poweradd = 50\n"
    "ctrl = 0\n"
    "velset = 0, 0\n"
    "anim = 1100\n"
    "sprpriority = 2\n"
    "\n"
    "[State 1100, shout]\n"
    "type = PlaySnd\n"
    "trigger1 = Time = 0\n"
    "value = 1, 1\n"
    "\n"
    "[State 1100, stamp]\n"
    "type = PlaySnd\n"
    "trigger1 = AnimElem = 2\n"
    "value = F7, 1\n"
    "\n"
    "; The stamp jolts whoever stands close.\n"
    "[State 1100, stamp hit]\n"
    "type = HitDef\n"
    "trigger1 = AnimElem = 2\n"
    "attr = S, SA\n"
    "animtype = Light\n"
    "damage = 30, 3\n"
    "guardflag = L\n"
    "hitflag = MAF\n"
    "pausetime = 6, 8\n"
    "sparkno = 0\n"
    "guard.sparkno = 40\n"
    "sparkxy = -6, -6\n"
    "hitsound = F5, 0\n"
    "guardsound = F6, 0\n"
    "ground.type = Low\n"
    "ground.slidetime = 6\n"
    "ground.hittime = 10\n"
    "ground.velocity = -3\n"
    "air.velocity = -2, -3\n"
    "\n"
    "[State 1100, fist]\n"
    "type = Helper\n"
    "trigger1 = AnimElem = 2\n"
    "helpertype = normal\n"
    "name = \"Stone Fist\"\n"
    "id = 1150\n"
    "stateno = 1150\n"
    "pos = IfElse(P2Dist X > 150, 150, IfElse(P2Dist X < 50, 50, Floor(P2Dist X))), 0\n"
    "postype = p1\n"
    "ownpal = 0\n"
    "\n"
    "[State 1100, done]\n"
    "type = ChangeState\n"
    "trigger1 = AnimTime = 0\n"
    "value = 0\n"
    "ctrl = 1\n"
    "\n"
    "; The fist itself: it rises, strikes upward once, and sinks away.\n"
    "[Statedef 1150]\n"
    "type = S\n"
    "movetype = A\n"
    "physics = N\n"
    "ctrl = 0\n"
    "velset = 0, 0\n"
    "anim = 1150\n"
    "sprpriority = 3\n"
    "\n"
    "[State 1150, untouchable]\n"
    "type = NotHitBy\n"
    "trigger1 = 1\n"
    "value = SCA\n"
    "time = 1\n"
    "\n"
    "[State 1150, rumble]\n"
    "type = PlaySnd\n"
    "trigger1 = Time = 0\n"
    "value = 2, 1\n"
    "\n"
    "[State 1150, shake]\n"
    "type = EnvShake\n"
    "trigger1 = Time = 0\n"
    "time = 14\n"
    "ampl = 4\n"
    "freq = 120\n"
    "\n"
    "[State 1150, uppercut]\n"
    "type = HitDef\n"
    "trigger1 = AnimElem = 2\n"
    "attr = S, SA\n"
    "animtype = Up\n"
    "damage = 90, 12\n"
    "guardflag = MA\n"
    "hitflag = MAF\n"
    "pausetime = 6, 14\n"
    "sparkno = 3\n"
    "guard.sparkno = 41\n"
    "sparkxy = 0, -50\n"
    "hitsound = F5, 3\n"
    "guardsound = F6, 1\n"
    "ground.type = High\n"
    "ground.velocity = -2, -9\n"
    "air.velocity = -2, -8\n"
    "fall = 1\n"
    "yaccel = .45\n"
    "fall.recover = 0\n"
    "\n"
    "[State 1150, gone]\n"
    "type = DestroySelf\n"
    "trigger1 = AnimTime = 0\n"
    "\n";

const FighterMoveNames kMoveNames = {
    "Quake Wave", "Stone Fist",
    {"jab", "hammer", "front kick", "roundhouse", "low punch", "sweep", "falling punch", "flying kick"}};

const std::vector<FighterNormal> kNormals = {
    {.state = 200, .damage = 28, .pause = 7, .shake = 9, .spark = 0, .groundVel = -3.5f, .hitTime = 10, .slideTime = 8,
     .swingTime = 2, .hitElem = 2, .sparkY = -72},
    {.state = 210, .animtype = "Hard", .damage = 78, .guardDamage = 6, .pause = 12, .shake = 14, .spark = 2,
     .hitSound = 2, .groundVel = -6, .hitTime = 18, .slideTime = 14, .swingTime = 10, .swingSound = 2, .hitElem = 3,
     .sparkY = -60, .power = 40, .lunge = 1.5f, .voice = "0, 1"},
    {.state = 230, .animtype = "Medium", .damage = 34, .spark = 1, .hitSound = 1, .groundVel = -4, .hitTime = 12,
     .swingTime = 3, .swingSound = 1, .hitElem = 2, .sparkY = -44},
    {.state = 240, .animtype = "Hard", .damage = 72, .guardDamage = 5, .pause = 11, .shake = 13, .spark = 2,
     .hitSound = 2, .groundVel = -7, .airVelX = -4, .airVelY = -4, .hitTime = 18, .slideTime = 14, .swingTime = 5,
     .swingSound = 2, .hitElem = 2, .sparkY = -80, .power = 40, .voice = "0, 1"},
    {.state = 400, .type = 'C', .damage = 26, .groundVel = -3.5f, .hitTime = 10, .swingTime = 2, .hitElem = 2,
     .sparkY = -50},
    {.state = 430, .type = 'C', .attr = "C, NA", .animtype = "Medium", .damage = 60, .guardDamage = 4, .guardflag = "L",
     .pause = 10, .shake = 12, .spark = 1, .hitSound = 1, .groundType = "Trip", .groundVel = -1.5f, .launch = -3,
     .hitTime = 20, .swingTime = 4, .swingSound = 1, .hitElem = 2, .sparkY = -8, .power = 35},
    {.state = 600, .type = 'A', .attr = "A, NA", .animtype = "Medium", .damage = 50, .guardflag = "HA", .spark = 1,
     .hitSound = 1, .groundVel = -4, .hitTime = 14, .swingTime = 3, .swingSound = 1, .hitElem = 2, .sparkY = -70},
    {.state = 630, .type = 'A', .attr = "A, NA", .animtype = "Hard", .damage = 62, .guardflag = "HA", .spark = 2,
     .hitSound = 2, .groundVel = -5, .hitTime = 16, .swingTime = 4, .swingSound = 2, .hitElem = 2, .sparkY = -50},
};

// ---------------------------------------------------------------- sounds

Wave Voice(float f0, float f1, float seconds, float volume, unsigned seed)
{
    Wave w = SynthTone(f0, f1, seconds, SYNTH_SAW, seconds * 0.7f, volume);
    SynthMix(&w, SynthTone(f0 * 2.01f, f1 * 2.0f, seconds, SYNTH_SQUARE, seconds * 0.5f, volume * 0.35f));
    SynthMix(&w, SynthNoise(0.2f, 0.08f, seconds * 0.8f, seconds * 0.4f, volume * 0.5f, seed));
    return w;
}

std::string BraskSounds()
{
    std::vector<SndEntry> s;
    SynthEntryAdd(&s, 0, 0, Voice(150, 120, 0.18f, 0.5f, 1u), 0.55f);
    SynthEntryAdd(&s, 0, 1, Voice(140, 95, 0.32f, 0.6f, 2u), 0.65f);
    SynthEntryAdd(&s, 1, 0, Voice(120, 170, 0.45f, 0.6f, 3u), 0.7f);
    SynthEntryAdd(&s, 1, 1, Voice(170, 100, 0.4f, 0.6f, 4u), 0.7f);
    Wave slam = SynthNoise(0.15f, 0.01f, 0.6f, 0.25f, 0.8f, 5u);
    SynthMix(&slam, SynthTone(80, 40, 0.6f, SYNTH_SINE, 0.3f, 0.7f));
    SynthEntryAdd(&s, 2, 0, slam, 0.8f);
    Wave rumble = SynthNoise(0.06f, 0.02f, 0.8f, 0.5f, 0.8f, 6u);
    SynthMix(&rumble, SynthTone(55, 45, 0.8f, SYNTH_TRIANGLE, 0.5f, 0.6f));
    SynthEntryAdd(&s, 2, 1, rumble, 0.8f);
    SynthEntryAdd(&s, 11, 0, Voice(160, 60, 0.9f, 0.7f, 7u), 0.8f);
    SynthEntryAdd(&s, 180, 0, Voice(110, 150, 0.6f, 0.6f, 8u), 0.7f);
    return SndFileBytes(s);
}

} // namespace

void BraskFilesMake(GameFiles *out)
{
    FighterMake m;
    m.file = "brask";
    m.name = "Brask";
    m.body = BraskBody();
    m.colours = kColours;
    m.inks = {{24, 14, 12}, {250, 246, 236}, {30, 20, 16}, {90, 30, 24}};
    m.art = BraskArt;
    m.constants = kConstants;
    m.normals = kNormals;
    m.specials = kSpecials;
    m.moveNames = kMoveNames;
    m.sounds = BraskSounds();
    FighterFilesMake(out, m);
}
