// Sample-game fighter "lira": a quick fighter of wind, with a double jump, her pictures, sounds, palettes and state files.
#include <allegro.h>
#include <cmath>
#include <cstdio>

#include "game/fighters.h"
#include "game/synth.h"
#include "kit/sndkit.h"

namespace {

FighterBody LiraBody()
{
    FighterBody b;
    b.hip = 50;
    b.torso = 31;
    b.neck = 4;
    b.headR = 8;
    b.upperArm = 19;
    b.foreArm = 17;
    b.thigh = 25;
    b.shin = 24;
    b.foot = 8.5f;
    b.chestR = 9.5f;
    b.waistR = 7.5f;
    b.armR = 4.2f;
    b.foreR = 3.6f;
    b.handR = 3.8f;
    b.thighR = 6;
    b.shinR = 4.6f;
    b.footR = 3;
    b.torsoRamp = FIGHTER_MAIN;
    b.armRamp = FIGHTER_MAIN;
    b.foreRamp = FIGHTER_SKIN;
    b.handRamp = FIGHTER_GEAR;
    b.legRamp = FIGHTER_MAIN;
    b.shinRamp = FIGHTER_GEAR;
    b.footRamp = FIGHTER_GEAR;
    b.beltRamp = FIGHTER_TRIM;
    b.sash = true;
    b.tail = true;
    b.bandRamp = FIGHTER_TRIM;
    return b;
}

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

FighterStyle LiraStyle()
{
    FighterStyle st;
    st.stance.lean = 2;
    st.stance.legF = {12, -10};
    st.stance.legB = {-16, -8};
    st.stance.armF = {56, 70};
    st.stance.armB = {18, 112};
    st.stride = 26;
    return st;
}

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

void LiraArt(FighterSheet *sh)
{
    FighterStyle st = LiraStyle();
    FighterBasics(sh, st);
    const Pose &s = st.stance;

    // Intro: a turn on one foot that ends in the stance.
    for (int i = 0; i < 4; i++) {
        Pose p = s;
        p.legF = {70, -110};
        p.legB = {-4, -4};
        p.armF = {100.0f + 10 * (float)i, 10};
        p.armB = {120.0f - 10 * (float)i, 10};
        p.sway = 40.0f * (float)(i % 2);
        p.lean = -6;
        sh->Pose(190, i, p);
    }
    sh->Action(190, {{190, 0, 6}, {190, 1, 6}, {190, 2, 6}, {190, 3, 6}, {190, 0, 6}, {190, 1, 6}, {190, 2, 6},
                     {190, 3, 6}, {40, 0, 6}, {0, 0, 20}});

    // Wins: a bow; and a hand raised, the other on the hip.
    Pose b0 = s;
    b0.lean = 34;
    b0.nod = 20;
    b0.armF = {-20, 90};
    b0.armB = {10, 40};
    b0.legF = {6, -4};
    b0.legB = {-6, -4};
    sh->Pose(180, 0, b0);
    Pose b1 = b0;
    b1.lean = 4;
    b1.nod = 0;
    sh->Pose(180, 1, b1);
    sh->Action(180, {{0, 0, 10}, {180, 1, 10}, {180, 0, 40}, {180, 1, -1}});
    Pose h0 = s;
    h0.armF = {170, 10};
    h0.armB = {-40, 150};
    h0.nod = -16;
    h0.legF = {4, -4};
    h0.legB = {-12, -4};
    h0.sway = 30;
    sh->Pose(181, 0, h0);
    h0.sway = 0;
    sh->Pose(181, 1, h0);
    sh->Action(181, {{0, 0, 8}, {181, 0, 12}, {181, 1, 12}, {181, 0, 12}, {181, 1, -1}});

    // Palm strike (200).
    Pose p0 = s;
    p0.armF = {30, 120};
    p0.lean = -2;
    Pose p1 = s;
    p1.armF = {86, 0};
    p1.lean = 10;
    p1.dx = 4;
    p1.strike = STRIKE_HAND_F;
    p1.reach = 2;
    sh->Pose(200, 0, p0);
    sh->Pose(200, 1, p1);
    sh->Action(200, {{200, 0, 2}, {200, 1, 3, true}, {200, 0, 4}});

    // Spinning backfist (210).
    Pose s0 = s;
    s0.lean = -10;
    s0.armB = {80, 10};
    s0.armF = {-20, 60};
    s0.sway = 30;
    Pose s1 = s;
    s1.lean = 8;
    s1.armB = {94, 0};
    s1.armF = {-30, 40};
    s1.dx = 4;
    s1.strike = STRIKE_HAND_B;
    s1.reach = 4;
    s1.sway = 50;
    sh->Pose(210, 0, s0);
    sh->Pose(210, 1, s1);
    sh->Action(210, {{210, 0, 5}, {5, 0, 3}, {210, 1, 4, true}, {210, 0, 8}, {0, 0, 3}});

    // Snap kick (230) and axe kick (240).
    Pose k0 = s;
    k0.legF = {66, -110};
    Pose k1 = s;
    k1.legF = {76, -4};
    k1.lean = -8;
    k1.strike = STRIKE_FOOT_F;
    k1.reach = 2;
    sh->Pose(230, 0, k0);
    sh->Pose(230, 1, k1);
    sh->Action(230, {{230, 0, 3}, {230, 1, 4, true}, {230, 0, 5}});
    Pose x0 = s;
    x0.legF = {150, -10};
    x0.lean = -18;
    x0.armF = {20, 60};
    x0.sway = 30;
    Pose x1 = s;
    x1.legF = {96, -8};
    x1.lean = 6;
    x1.strike = STRIKE_FOOT_F;
    x1.reach = 4;
    sh->Pose(240, 0, x0);
    sh->Pose(240, 1, x1);
    sh->Action(240, {{230, 0, 4}, {240, 0, 6}, {240, 1, 6, true}, {230, 0, 8}, {0, 0, 3}});

    // Crouching jab (400) and sweep (430).
    Pose c0 = s;
    c0.legF = {82, -118};
    c0.legB = {34, -124};
    c0.lean = 18;
    c0.armF = {50, 70};
    Pose c1 = c0;
    c1.armF = {84, 4};
    c1.strike = STRIKE_HAND_F;
    c1.reach = 2;
    sh->Pose(400, 0, c0);
    sh->Pose(400, 1, c1);
    sh->Action(400, {{400, 0, 2}, {400, 1, 4, true}, {400, 0, 5}});
    Pose w0 = c0;
    w0.lean = 30;
    w0.armF = {-20, 30};
    w0.armB = {-10, 20};
    Pose w1 = w0;
    w1.legF = {90, -2};
    w1.legB = {50, -130};
    w1.strike = STRIKE_FOOT_F;
    w1.reach = 3;
    sh->Pose(430, 0, w0);
    sh->Pose(430, 1, w1);
    sh->Action(430, {{430, 0, 4}, {430, 1, 6, true}, {430, 0, 8}, {11, 0, 2}});

    // Jumping knee (600) and diving kick (630).
    Pose a0 = s;
    a0.ground = false;
    a0.legF = {110, -140};
    a0.legB = {20, -60};
    a0.lean = 6;
    a0.armF = {60, 90};
    a0.strike = STRIKE_FOOT_F;
    a0.reach = 4;
    sh->Pose(600, 0, a0);
    sh->Action(600, {{41, 1, 2}, {600, 0, 10, true}, {41, 1, -1}});
    Pose a1 = s;
    a1.ground = false;
    a1.spin = 30;
    a1.legF = {40, -4};
    a1.legB = {20, -90};
    a1.armF = {110, 30};
    a1.strike = STRIKE_FOOT_F;
    a1.reach = 3;
    sh->Pose(630, 0, a1);
    sh->Action(630, {{41, 1, 3}, {630, 0, 16, true}, {41, 1, -1}});

    // Gale Crescent (1000): wind gathered and flung from the hand.
    Pose g0 = s;
    g0.armF = {-30, 80};
    g0.lean = -8;
    g0.glow = 6;
    g0.sway = 20;
    Pose g1 = s;
    g1.armF = {96, -6};
    g1.lean = 14;
    g1.dx = 4;
    g1.glow = 4;
    g1.sway = 50;
    g1.strike = STRIKE_HAND_F;
    g1.reach = 4;
    Pose g2 = g1;
    g2.glow = 0;
    g2.strike = STRIKE_NONE;
    sh->Pose(1000, 0, g0);
    sh->Pose(1000, 1, g1);
    sh->Pose(1000, 2, g2);
    sh->Action(1000, {{200, 0, 3}, {1000, 0, 8}, {1000, 1, 4, true}, {1000, 2, 14}, {0, 0, 4}});
    for (int f = 0; f < 4; f++) {
        FighterBoxes bx;
        bx.hit.push_back({-4, -26, 20, 26});
        bx.body.push_back({-4, -24, 18, 24});
        sh->Picture(1010, f, Crescent(f), 18, 32, bx);
        sh->Picture(1015, f, Gust(f), 35, 35);
    }
    sh->Action(1010, {{1010, 0, 3, true}, {1010, 1, 3, true}, {1010, 2, 3, true}, {1010, 3, 3, true}});
    sh->Action(1015, {{1015, 0, 3}, {1015, 1, 3}, {1015, 2, 3}, {1015, 3, 3}}, -1, true);

    // Hawk Call (1100): an arm raised, and a hawk of light flies from it.
    Pose c = s;
    c.armF = {150, 20};
    c.armB = {20, 100};
    c.nod = -10;
    c.glow = 5;
    c.strike = STRIKE_HAND_F;
    c.reach = 4;
    sh->Pose(1100, 0, c);
    c.glow = 0;
    c.strike = STRIKE_NONE;
    sh->Pose(1100, 1, c);
    sh->Action(1100, {{200, 0, 4}, {1100, 0, 10, true}, {1100, 1, 14}, {0, 0, 4}});
    for (int f = 0; f < 2; f++) {
        FighterBoxes bx;
        bx.hit.push_back({-14, -12, 24, 12});
        sh->Picture(1150, f, Hawk(f), 32, 25, bx);
    }
    sh->Action(1150, {{1150, 0, 4, true}, {1150, 1, 4, true}}, -1, true);
    sh->Action(1151, {{1015, 0, 3}, {1015, 1, 3}, {1015, 2, 3}, {1015, 3, 3}}, -1, true);

    Pose face = s;
    face.armF = {40, 100};
    face.nod = 4;
    sh->Portraits(face);
}

// ---------------------------------------------------------------- texts

const char kConstants[] =
    "; Lira: light and quick, with a second jump in the air.\n"
    "[Data]\n"
    "life = 950\n"
    "power = 3000\n"
    "attack = 100\n"
    "defence = 95\n"
    "fall.defence_up = 50\n"
    "liedown.time = 40\n"
    "airjuggle = 16\n"
    "sparkno = 0\n"
    "guard.sparkno = 40\n"
    "ko.echo = 1\n"
    "volume = 0\n"
    "IntPersistIndex = 60\n"
    "FloatPersistIndex = 40\n"
    "\n"
    "[Size]\n"
    "xscale = 1\n"
    "yscale = 1\n"
    "ground.back = 13\n"
    "ground.front = 14\n"
    "air.back = 11\n"
    "air.front = 11\n"
    "height = 62\n"
    "attack.dist = 150\n"
    "proj.attack.dist = 90\n"
    "proj.doscale = 0\n"
    "head.pos = 2, -92\n"
    "mid.pos = 0, -56\n"
    "shadowoffset = 0\n"
    "draw.offset = 0, 0\n"
    "\n"
    "[Velocity]\n"
    "walk.fwd = 2.6\n"
    "walk.back = -2.4\n"
    "run.fwd = 5.6, 0\n"
    "run.back = -5, -3.8\n"
    "jump.neu = 0, -8.8\n"
    "jump.back = -2.6\n"
    "jump.fwd = 2.8\n"
    "runjump.back = -2.8, -8.2\n"
    "runjump.fwd = 4.6, -8.2\n"
    "airjump.neu = 0, -7.6\n"
    "airjump.back = -2.4\n"
    "airjump.fwd = 2.6\n"
    "\n"
    "[Movement]\n"
    "airjump.num = 1\n"
    "airjump.height = 30\n"
    "yaccel = .42\n"
    "stand.friction = .85\n"
    "crouch.friction = .82\n"
    "\n";

const char kSpecials[] =
    "; ---------------------------------------------------------------- specials\n"
    "; Gale Crescent: wind gathered in the hand and flung as a blade.\n"
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
    "[State 1000, whoosh]\n"
    "type = PlaySnd\n"
    "trigger1 = AnimElem = 3\n"
    "value = 2, 0\n"
    "\n"
    "; The flinging hand strikes whoever stands in its way.\n"
    "[State 1000, palm]\n"
    "type = HitDef\n"
    "trigger1 = AnimElem = 3\n"
    "attr = S, SA\n"
    "animtype = Medium\n"
    "damage = 34, 3\n"
    "guardflag = MA\n"
    "hitflag = MAF\n"
    "pausetime = 7, 9\n"
    "sparkno = 1\n"
    "guard.sparkno = 40\n"
    "sparkxy = -6, -62\n"
    "hitsound = F5, 1\n"
    "guardsound = F6, 0\n"
    "ground.type = High\n"
    "ground.slidetime = 8\n"
    "ground.hittime = 12\n"
    "ground.velocity = -4\n"
    "air.velocity = -3, -4\n"
    "\n"
    "[State 1000, blade]\n"
    "type = Projectile\n"
    "trigger1 = AnimElem = 3\n"
    "projid = 1000\n"
    "projanim = 1010\n"
    "projhitanim = 1015\n"
    "projremanim = 1015\n"
    "projpriority = 1\n"
    "projsprpriority = 3\n"
    "offset = 34, -62\n"
    "velocity = 5.5, 0\n"
    "projedgebound = 30\n"
    "attr = S, SP\n"
    "animtype = Medium\n"
    "damage = 70, 8\n"
    "guardflag = MA\n"
    "hitflag = MAF\n"
    "pausetime = 0, 12\n"
    "sparkno = 1\n"
    "guard.sparkno = 41\n"
    "sparkxy = -8, 0\n"
    "hitsound = F5, 1\n"
    "guardsound = F6, 1\n"
    "ground.type = High\n"
    "ground.slidetime = 10\n"
    "ground.hittime = 15\n"
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
    "; Hawk Call: a hawk of light flies out and dives at the opponent.\n"
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
    "[State 1100, call]\n"
    "type = PlaySnd\n"
    "trigger1 = Time = 0\n"
    "value = 1, 1\n"
    "\n"
    "; The raised hand catches whoever drops on her.\n"
    "[State 1100, rising palm]\n"
    "type = HitDef\n"
    "trigger1 = AnimElem = 2\n"
    "attr = S, SA\n"
    "animtype = Up\n"
    "damage = 36, 3\n"
    "guardflag = HA\n"
    "hitflag = MAF\n"
    "pausetime = 7, 10\n"
    "sparkno = 1\n"
    "guard.sparkno = 40\n"
    "sparkxy = -4, -96\n"
    "hitsound = F5, 1\n"
    "guardsound = F6, 0\n"
    "ground.type = High\n"
    "ground.velocity = -2, -6\n"
    "air.velocity = -2, -6\n"
    "fall = 1\n"
    "\n"
    "[State 1100, hawk]\n"
    "type = Helper\n"
    "trigger1 = AnimElem = 2\n"
    "helpertype = normal\n"
    "name = \"Hawk\"\n"
    "id = 1150\n"
    "stateno = 1150\n"
    "pos = 18, -92\n"
    "postype = p1\n"
    "ownpal = 0\n"
    "\n"
    "[State 1100, done]\n"
    "type = ChangeState\n"
    "trigger1 = AnimTime = 0\n"
    "value = 0\n"
    "ctrl = 1\n"
    "\n"
    "; The hawk: it flies ahead and dives, strikes once and is gone.\n"
    "[Statedef 1150]\n"
    "type = A\n"
    "movetype = A\n"
    "physics = N\n"
    "ctrl = 0\n"
    "anim = 1150\n"
    "sprpriority = 4\n"
    "\n"
    "[State 1150, untouchable]\n"
    "type = NotHitBy\n"
    "trigger1 = 1\n"
    "value = SCA\n"
    "time = 1\n"
    "\n"
    "[State 1150, cry]\n"
    "type = PlaySnd\n"
    "trigger1 = Time = 0\n"
    "value = 2, 1\n"
    "\n"
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
    "\n"
    "[State 1150, talons]\n"
    "type = HitDef\n"
    "trigger1 = Time = 0\n"
    "attr = A, SP\n"
    "animtype = Medium\n"
    "damage = 65, 8\n"
    "guardflag = MA\n"
    "hitflag = MAF\n"
    "pausetime = 4, 12\n"
    "sparkno = 1\n"
    "guard.sparkno = 41\n"
    "sparkxy = -10, 0\n"
    "hitsound = F5, 1\n"
    "guardsound = F6, 1\n"
    "ground.type = High\n"
    "ground.slidetime = 10\n"
    "ground.hittime = 16\n"
    "ground.velocity = -4\n"
    "air.velocity = -3, -4\n"
    "\n"
    "; Striking, or flying off, ends the hawk in a gust.\n"
    "[State 1150, gust]\n"
    "type = ChangeState\n"
    "trigger1 = MoveContact\n"
    "trigger2 = Time >= 90\n"
    "value = 1151\n"
    "\n"
    "[Statedef 1151]\n"
    "type = A\n"
    "movetype = I\n"
    "physics = N\n"
    "ctrl = 0\n"
    "velset = 0, 0\n"
    "anim = 1151\n"
    "sprpriority = 4\n"
    "\n"
    "[State 1151, untouchable]\n"
    "type = NotHitBy\n"
    "trigger1 = 1\n"
    "value = SCA\n"
    "time = 1\n"
    "\n"
    "[State 1151, gone]\n"
    "type = DestroySelf\n"
    "trigger1 = AnimTime = 0\n"
    "\n";

const FighterMoveNames kMoveNames = {
    "Gale Crescent", "Hawk Call",
    {"palm", "backfist", "snap kick", "axe kick", "low jab", "sweep", "flying knee", "diving kick"}};

const std::vector<FighterNormal> kNormals = {
    {.state = 200, .damage = 24, .pause = 6, .shake = 8, .groundVel = -3.5f, .hitTime = 10, .swingTime = 1,
     .hitElem = 2, .sparkY = -66},
    {.state = 210, .animtype = "Medium", .damage = 58, .guardDamage = 4, .pause = 10, .shake = 12, .spark = 1,
     .hitSound = 1, .groundVel = -5, .hitTime = 15, .slideTime = 12, .swingTime = 6, .swingSound = 1, .hitElem = 3,
     .sparkY = -76, .power = 35, .lunge = 2, .voice = "0, 1"},
    {.state = 230, .damage = 30, .groundVel = -4, .hitTime = 11, .swingTime = 2, .hitElem = 2, .sparkY = -50},
    {.state = 240, .animtype = "Hard", .damage = 66, .guardDamage = 5, .guardflag = "HA", .pause = 11, .shake = 12,
     .spark = 2, .hitSound = 2, .groundVel = -6, .hitTime = 17, .slideTime = 12, .swingTime = 5, .swingSound = 2,
     .hitElem = 3, .sparkY = -84, .power = 40, .voice = "0, 1"},
    {.state = 400, .type = 'C', .damage = 22, .groundVel = -3, .hitTime = 9, .swingTime = 1, .hitElem = 2,
     .sparkY = -44},
    {.state = 430, .type = 'C', .attr = "C, NA", .animtype = "Medium", .damage = 52, .guardDamage = 4, .guardflag = "L",
     .pause = 9, .shake = 11, .spark = 1, .hitSound = 1, .groundType = "Trip", .groundVel = -2, .launch = -3,
     .hitTime = 20, .swingTime = 3, .swingSound = 1, .hitElem = 2, .sparkY = -8, .power = 35},
    {.state = 600, .type = 'A', .attr = "A, NA", .damage = 42, .guardflag = "HA", .groundVel = -4, .hitTime = 12,
     .swingTime = 2, .hitElem = 2, .sparkY = -62},
    {.state = 630, .type = 'A', .attr = "A, NA", .animtype = "Medium", .damage = 54, .guardflag = "HA", .spark = 1,
     .hitSound = 1, .groundVel = -5, .hitTime = 15, .swingTime = 3, .swingSound = 1, .hitElem = 2, .sparkY = -40},
};

// ---------------------------------------------------------------- sounds

Wave Voice(float f0, float f1, float seconds, float volume, unsigned seed)
{
    Wave w = SynthTone(f0, f1, seconds, SYNTH_TRIANGLE, seconds * 0.7f, volume);
    SynthMix(&w, SynthTone(f0 * 1.5f, f1 * 1.5f, seconds, SYNTH_SINE, seconds * 0.5f, volume * 0.4f));
    SynthMix(&w, SynthNoise(0.35f, 0.15f, seconds * 0.6f, seconds * 0.3f, volume * 0.3f, seed));
    return w;
}

std::string LiraSounds()
{
    std::vector<SndEntry> s;
    SynthEntryAdd(&s, 0, 0, Voice(420, 360, 0.15f, 0.5f, 11u), 0.5f);
    SynthEntryAdd(&s, 0, 1, Voice(400, 300, 0.28f, 0.6f, 12u), 0.6f);
    SynthEntryAdd(&s, 1, 0, Voice(380, 520, 0.35f, 0.6f, 13u), 0.65f);
    SynthEntryAdd(&s, 1, 1, Voice(460, 620, 0.4f, 0.6f, 14u), 0.65f);
    Wave whoosh = SynthNoise(0.05f, 0.4f, 0.45f, 0.25f, 0.8f, 15u);
    SynthEntryAdd(&s, 2, 0, whoosh, 0.7f);
    Wave cry = SynthTone(1800, 1200, 0.35f, SYNTH_SINE, 0.2f, 0.6f);
    SynthMix(&cry, SynthTone(2200, 1500, 0.25f, SYNTH_TRIANGLE, 0.15f, 0.3f), 0.1f);
    SynthEntryAdd(&s, 2, 1, cry, 0.6f);
    SynthEntryAdd(&s, 11, 0, Voice(480, 200, 0.8f, 0.7f, 16u), 0.75f);
    SynthEntryAdd(&s, 180, 0, Voice(360, 500, 0.45f, 0.6f, 17u), 0.65f);
    return SndFileBytes(s);
}

} // namespace

void LiraFilesMake(GameFiles *out)
{
    FighterMake m;
    m.file = "lira";
    m.name = "Lira";
    m.body = LiraBody();
    m.colours = kColours;
    m.inks = {{18, 16, 28}, {250, 250, 255}, {24, 30, 60}, {150, 60, 70}};
    m.art = LiraArt;
    m.constants = kConstants;
    m.normals = kNormals;
    m.specials = kSpecials;
    m.moveNames = kMoveNames;
    m.sounds = LiraSounds();
    FighterFilesMake(out, m);
}
