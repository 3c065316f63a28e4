// Sample-game fighters: the builder that writes a fighter's files from its make-up, with the poses, actions, commands, state texts, sounds and palettes every fighter shares.
#include "game/fighters.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>

#include "kit/sndkit.h"
#include "kit/sprkit.h"

namespace {

constexpr float kPi = 3.14159265f;

Pose Crouch(const FighterStyle &st)
{
    return PoseChanged(st.stance, {.lean = st.stance.lean + 14, .armF = {28, 108}, .armB = {12, 116},
                                   .legF = {82, -118}, .legB = {34, -124}});
}

Pose HalfCrouch(const FighterStyle &st)
{
    return PoseChanged(st.stance, {.lean = st.stance.lean + 8, .legF = {46, -66}, .legB = {6, -66}});
}

Pose Squat(const FighterStyle &st)
{
    return PoseChanged(st.stance,
                       {.lean = 18, .armF = {-20, 40}, .armB = {-34, 36}, .legF = {52, -86}, .legB = {2, -76}});
}

Pose Tuck(const FighterStyle &st)
{
    return PoseChanged(st.stance, {.dy = -6, .lean = 12, .armF = {40, 100}, .armB = {22, 110}, .legF = {86, -126},
                                   .legB = {62, -120}, .ground = false});
}

Pose Guard(const FighterStyle &st)
{
    return PoseChanged(st.stance, {.lean = st.stance.lean - 6, .nod = 8, .armF = {78, 112}, .armB = {62, 118}});
}

Pose Lying(const FighterStyle &st)
{
    return PoseChanged(st.stance, {.spin = -90, .lean = 0, .nod = -6, .armF = {150, 20}, .armB = {-150, -10},
                                   .legF = {6, -4}, .legB = {-4, -6}});
}

Pose Hurt(const FighterStyle &st, float lean, float nod)
{
    return PoseChanged(st.stance, {.lean = lean, .nod = nod, .armF = {18 - lean * 0.5f, 42},
                                   .armB = {-12 - lean * 0.6f, 56}, .hurt = true});
}

Pose Airborne(const FighterStyle &st, float spin)
{
    return PoseChanged(st.stance, {.spin = spin, .lean = -10, .nod = -10, .armF = {118, 24}, .armB = {92, 14},
                                   .legF = {34, -44}, .legB = {10, -24}, .ground = false, .hurt = true});
}

Pose Dazed(const FighterStyle &st, float k)
{
    return PoseChanged(st.stance, {.lean = 26 + k, .nod = 22, .armF = {-2 + k, 14}, .armB = {6 + k, 10},
                                   .legF = {30, -40}, .legB = {-6, -34}, .hurt = true});
}

} // namespace

// Draws the poses every fighter has (standing, turning, walking, running,
// crouching, jumping, guarding, being hit high, low, crouching and in the
// air, falling, bouncing, lying, getting up, recovering, KO, dazed, draw,
// continue) and writes their actions into the sheet.
static void FighterBasics(FighterSheet *sh, const FighterStyle &st)
{
    const Pose &s = st.stance;
    int slow = st.heavy ? 1 : 0;

    // Standing: a slow breath.
    for (int i = 0; i < 4; i++) {
        Pose p = s;
        float b = sinf((float)i * kPi / 2.0f);
        p.dy = 1.2f * (1.0f - cosf((float)i * kPi / 2.0f)) * 0.5f * 2.0f;
        p.armF.b = s.armF.b + 4 * b;
        p.armB.b = s.armB.b - 3 * b;
        sh->Pose(0, i, p);
    }
    sh->Action(0, {{0, 0, 12}, {0, 1, 10}, {0, 2, 12}, {0, 3, 10}});
    // Turning: the guard drops for a moment.
    Pose turn = s;
    turn.lean = s.lean - 6;
    turn.armF = {12, 70};
    turn.armB = {28, 84};
    sh->Pose(5, 0, turn);
    sh->Action(5, {{5, 0, 3}, {0, 0, 3}});
    Pose cturn = Crouch(st);
    cturn.armF = {10, 80};
    sh->Pose(6, 0, cturn);

    // Crouching.
    sh->Pose(10, 0, HalfCrouch(st));
    Pose c = Crouch(st);
    sh->Pose(11, 0, c);
    c.dy = 1;
    c.armF.b += 6;
    sh->Pose(11, 1, c);
    sh->Action(6, {{6, 0, 3}, {11, 0, 3}});
    sh->Action(10, {{10, 0, 3}, {11, 0, 1}});
    sh->Action(11, {{11, 0, 14}, {11, 1, 14}});
    sh->Action(12, {{10, 0, 3}});

    // Walking: six steps of a cycle, forward and reversed for backward.
    for (int i = 0; i < 6; i++) {
        float ph = (float)i / 6.0f * 2 * kPi;
        Pose p = s;
        p.legF = {s.legF.a * 0.3f + st.stride * sinf(ph), -10 - 38 * fmaxf(0.0f, cosf(ph))};
        p.legB = {s.legF.a * 0.3f - st.stride * sinf(ph), -10 - 38 * fmaxf(0.0f, -cosf(ph))};
        p.armF.a = s.armF.a - 8 * sinf(ph);
        p.armB.a = s.armB.a + 8 * sinf(ph);
        p.lean = s.lean + 3;
        sh->Pose(20, i, p);
    }
    sh->Action(20, {{20, 0, 5 + slow}, {20, 1, 5 + slow}, {20, 2, 5 + slow}, {20, 3, 5 + slow}, {20, 4, 5 + slow},
                    {20, 5, 5 + slow}});
    sh->Action(21, {{20, 5, 6 + slow}, {20, 4, 6 + slow}, {20, 3, 6 + slow}, {20, 2, 6 + slow}, {20, 1, 6 + slow},
                    {20, 0, 6 + slow}});

    // Running: a long stride leaning in.
    for (int i = 0; i < 6; i++) {
        float ph = (float)i / 6.0f * 2 * kPi;
        Pose p = s;
        p.lean = s.lean + 20;
        p.nod = -10;
        p.legF = {10 + 44 * sinf(ph), -20 - 70 * fmaxf(0.0f, cosf(ph))};
        p.legB = {10 - 44 * sinf(ph), -20 - 70 * fmaxf(0.0f, -cosf(ph))};
        p.armF = {20 - 40 * sinf(ph), 90};
        p.armB = {20 + 40 * sinf(ph), 90};
        p.sway = 20;
        sh->Pose(100, i, p);
    }
    sh->Action(100, {{100, 0, 4}, {100, 1, 4}, {100, 2, 4}, {100, 3, 4}, {100, 4, 4}, {100, 5, 4}});

    // Jumping.
    sh->Pose(40, 0, Squat(st));
    sh->Action(40, {{40, 0, 3 + slow}});
    Pose up = s;
    up.ground = false;
    up.dy = -4;
    up.legF = {8, -14};
    up.legB = {-10, -30};
    up.armF = {150, 20};
    up.armB = {128, 30};
    up.lean = -4;
    up.sway = -20;
    sh->Pose(41, 0, up);
    sh->Pose(41, 1, Tuck(st));
    sh->Action(41, {{41, 0, 8}, {41, 1, -1}});
    for (int i = 0; i < 4; i++) {
        Pose p = Tuck(st);
        p.spin = 90.0f * (float)i;
        sh->Pose(42, i, p);
    }
    sh->Action(42, {{41, 0, 5}, {42, 0, 4}, {42, 1, 4}, {42, 2, 4}, {42, 3, 4}, {41, 1, -1}});
    Pose back = Tuck(st);
    back.lean = -16;
    back.legF = {60, -60};
    back.legB = {30, -80};
    sh->Pose(43, 0, back);
    sh->Action(43, {{41, 0, 6}, {43, 0, -1}});
    Pose fall = s;
    fall.ground = false;
    fall.legF = {22, -34};
    fall.legB = {-8, -20};
    fall.armF = {96, 14};
    fall.armB = {78, 10};
    fall.sway = -30;
    sh->Pose(44, 0, fall);
    sh->Action(44, {{44, 0, -1}});
    sh->Action(47, {{40, 0, 3}, {10, 0, 2}});

    // Hopping back.
    Pose hop = s;
    hop.ground = false;
    hop.lean = -14;
    hop.legF = {40, -40};
    hop.legB = {20, -70};
    hop.armF = {60, 80};
    hop.sway = 25;
    sh->Pose(105, 0, hop);
    sh->Action(105, {{40, 0, 2}, {105, 0, -1}});

    // Guarding: standing, crouching, in the air; and guarding a blow.
    Pose g = Guard(st);
    sh->Pose(130, 0, g);
    Pose cg = Crouch(st);
    cg.armF = g.armF;
    cg.armB = g.armB;
    cg.lean -= 4;
    sh->Pose(131, 0, cg);
    Pose ag = Tuck(st);
    ag.armF = g.armF;
    ag.armB = g.armB;
    sh->Pose(132, 0, ag);
    Pose gh = g;
    gh.lean -= 10;
    gh.dx = -2;
    sh->Pose(150, 0, gh);
    Pose cgh = cg;
    cgh.lean -= 10;
    sh->Pose(152, 0, cgh);
    Pose agh = ag;
    agh.spin = -14;
    sh->Pose(154, 0, agh);
    sh->Action(120, {{130, 0, 3}});
    sh->Action(121, {{131, 0, 3}});
    sh->Action(122, {{132, 0, 3}});
    sh->Action(130, {{130, 0, -1}});
    sh->Action(131, {{131, 0, -1}});
    sh->Action(132, {{132, 0, -1}});
    sh->Action(140, {{130, 0, 3}});
    sh->Action(141, {{131, 0, 3}});
    sh->Action(142, {{132, 0, 3}});
    sh->Action(150, {{150, 0, -1}});
    sh->Action(151, {{150, 0, 4}, {130, 0, -1}});
    sh->Action(152, {{152, 0, -1}});
    sh->Action(153, {{152, 0, 4}, {131, 0, -1}});
    sh->Action(154, {{154, 0, -1}});
    sh->Action(155, {{154, 0, 4}, {132, 0, -1}});

    // Hit high, by strength, then the steps back to the stance.
    const float leanHigh[3][3] = {{-12, -8, -3}, {-20, -13, -5}, {-30, -20, -8}};
    const float leanLow[3][3] = {{22, 16, 6}, {30, 22, 9}, {38, 28, 12}};
    for (int k = 0; k < 3; k++)
        for (int f = 0; f < 3; f++) {
            Pose hi = Hurt(st, leanHigh[k][f], -14 + 4 * f);
            hi.dx = -(float)k * (2 - f);
            hi.hurt = f < 2;
            sh->Pose(5000 + k, f * 10, hi);
            Pose lo = Hurt(st, leanLow[k][f], 16 - 4 * f);
            lo.armF = {30, 118};
            lo.armB = {20, 124};
            lo.legF = {30, -36};
            lo.hurt = f < 2;
            sh->Pose(5010 + k, f * 10, lo);
        }
    for (int f = 0; f < 3; f++) {
        Pose ch = Crouch(st);
        ch.lean = -10 + 4 * f;
        ch.nod = -16 + 6 * f;
        ch.hurt = f < 2;
        ch.armF = {20, 40.0f + 30.0f * (float)f};
        sh->Pose(5020, f * 10, ch);
    }
    for (int k = 0; k < 3; k++) {
        sh->Action(5000 + k, {{5000 + k, 0, -1}});
        sh->Action(5005 + k, {{5000 + k, 10, 5 + 2 * k}, {5000 + k, 20, -1}});
        sh->Action(5010 + k, {{5010 + k, 0, -1}});
        sh->Action(5015 + k, {{5010 + k, 10, 5 + 2 * k}, {5010 + k, 20, -1}});
        sh->Action(5020 + k, {{5020, 0, -1}});
        sh->Action(5025 + k, {{5020, 10, 5 + 2 * k}, {5020, 20, -1}});
    }

    // Knocked through the air, launched upward, flipping over to recover.
    for (int i = 0; i < 6; i++) {
        sh->Pose(5030, i * 10, Airborne(st, -16.0f * (float)i));
        Pose l = Airborne(st, -10.0f * (float)i);
        l.armF = {168, 8};
        l.armB = {150, 14};
        l.legF = {-6, -10};
        l.legB = {-18, -26};
        sh->Pose(5031, i * 10, l);
        Pose fl = Tuck(st);
        fl.spin = -60.0f * (float)i;
        sh->Pose(5032, i * 10, fl);
    }
    sh->Action(5030, {{5030, 0, 4}, {5030, 10, 4}, {5030, 20, -1}});
    sh->Action(5050, {{5030, 30, 4}, {5030, 40, 4}, {5030, 50, -1}});
    sh->Action(5090, {{5031, 0, 4}, {5031, 10, 4}, {5031, 20, 5}, {5031, 30, 5}, {5031, 40, 5}, {5031, 50, -1}});
    sh->Action(5200, {{5032, 0, 3}, {5032, 10, 3}, {5032, 20, 3}, {5032, 30, 3}, {5032, 40, 3}, {5032, 50, 3},
                      {41, 1, -1}});
    // Righting in the air after a hit that does not fell.
    for (int i = 0; i < 3; i++) {
        Pose r = Airborne(st, -30.0f + 12.0f * (float)i);
        r.hurt = i == 0;
        r.armF = {80, 60};
        sh->Pose(5041, i * 10, r);
    }
    sh->Action(5040, {{5041, 0, 4}, {5041, 10, 4}, {5041, 20, -1}});

    // Meeting the ground, bouncing, lying, being hit while down, getting up.
    for (int i = 0; i < 3; i++) {
        Pose p = Lying(st);
        p.hurt = true;
        p.legF = {44 - 18.0f * (float)i, -20};
        p.legB = {30 - 14.0f * (float)i, -10};
        p.armF = {120.0f + 12 * (float)i, 30};
        sh->Pose(5040, i * 10, p);
        Pose bounce = Lying(st);
        bounce.ground = false;
        bounce.dy = -6;
        bounce.spin = -80;
        bounce.hurt = true;
        bounce.legF = {30.0f - 8 * (float)i, -30};
        sh->Pose(5042, i * 10, bounce);
    }
    sh->Action(5100, {{5040, 0, 3}, {5040, 10, 3}, {5040, 20, -1}});
    sh->Action(5160, {{5042, 0, 4}, {5042, 10, 4}, {5042, 20, -1}});
    sh->Action(5170, {{5040, 10, 3}, {5040, 20, -1}});
    for (int i = 0; i < 2; i++) {
        Pose p = Lying(st);
        p.dy = (float)i * 0.6f;
        sh->Pose(5060, i * 10, p);
        Pose h = Lying(st);
        h.lean = 14;
        h.nod = 10;
        h.hurt = true;
        h.legF = {50, -60};
        h.armF = {60, 90};
        h.dy = -(float)i;
        sh->Pose(5061, i * 10, h);
        Pose ko = Lying(st);
        ko.hurt = true;
        ko.nod = -16;
        ko.armF = {-160, -10};
        ko.legF = {14 - 6.0f * (float)i, -16};
        sh->Pose(5062, i * 10, ko);
    }
    sh->Action(5110, {{5060, 0, 30}, {5060, 10, 30}});
    sh->Action(5080, {{5061, 0, -1}});
    sh->Action(5150, {{5062, 0, 20}, {5062, 10, -1}});
    Pose sit = Lying(st);
    sit.spin = -62;
    sit.lean = 30;
    sit.legF = {40, -30};
    sit.legB = {60, -90};
    sit.armB = {-40, 10};
    sh->Pose(5070, 0, sit);
    Pose kneel = Crouch(st);
    kneel.legB = {18, -140};
    kneel.lean = 32;
    kneel.armF = {0, 40};
    sh->Pose(5070, 10, kneel);
    sh->Pose(5070, 20, HalfCrouch(st));
    sh->Action(5120, {{5060, 0, 4}, {5070, 0, 6}, {5070, 10, 6}, {5070, 20, 5}});

    // Tripped: the legs swept from under the body.
    for (int i = 0; i < 3; i++) {
        Pose t = Airborne(st, -18.0f - 26.0f * (float)i);
        t.ground = i == 0;
        t.legF = {70, -10};
        t.legB = {56, -14};
        t.armF = {140, 10};
        sh->Pose(5071, i * 10, t);
    }
    sh->Action(5070, {{5071, 0, -1}});
    sh->Action(5071, {{5071, 10, 5}, {5071, 20, -1}});

    // Landing from a recovery, crouched; and the pose the 5072 sprites show.
    for (int i = 0; i < 3; i++) {
        Pose l = Squat(st);
        l.lean = 22 - 6.0f * (float)i;
        l.armF = {60.0f - 20 * (float)i, 80};
        sh->Pose(5072, i * 10, l);
    }
    sh->Action(5210, {{5072, 0, 4}, {5072, 10, 4}, {5072, 20, 4}});

    // Dazed (losing on time, and on being stunned), a draw, and kneeling on
    // the continue screen.
    sh->Pose(170, 0, Dazed(st, 0));
    sh->Pose(170, 1, Dazed(st, 4));
    sh->Action(170, {{170, 0, 20}, {170, 1, 20}});
    sh->Action(5300, {{170, 0, 12}, {170, 1, 12}});
    Pose draw = s;
    draw.lean = -4;
    draw.nod = 10;
    draw.armF = {10, 20};
    draw.armB = {14, 16};
    sh->Pose(175, 0, draw);
    draw.nod = 16;
    draw.armF = {16, 24};
    sh->Pose(175, 1, draw);
    sh->Action(175, {{175, 0, 30}, {175, 1, 30}});
    Pose knee = Crouch(st);
    knee.legB = {14, -146};
    knee.lean = 38;
    knee.nod = 26;
    knee.armF = {-4, 18};
    knee.armB = {4, 14};
    sh->Pose(5500, 0, knee);
    knee.dy = 1;
    knee.nod = 30;
    sh->Pose(5500, 1, knee);
    sh->Action(5500, {{5500, 0, 30}, {5500, 1, 30}});
}


// ---------------------------------------------------------------- states

std::string FighterStatedefText(const FighterStatedef &d)
{
    std::string t = "[Statedef " + std::to_string(d.state) + "]\ntype = " + d.type + "\nmovetype = " + d.movetype +
                    "\nphysics = " + d.physics + "\n";
    if (d.juggle)
        t += "juggle = " + std::to_string(*d.juggle) + "\n";
    if (d.power)
        t += "poweradd = " + std::to_string(*d.power) + "\n";
    t += "ctrl = 0\n";
    if (d.velset)
        t += "velset = 0, 0\n";
    return t + "anim = " + std::to_string(d.state) + "\nsprpriority = " + std::to_string(d.sprpriority) + "\n\n";
}

std::string FighterSoundText(int state, const char *name, const char *trigger, const char *value)
{
    return "[State " + std::to_string(state) + ", " + name + "]\ntype = PlaySnd\ntrigger1 = " + trigger +
           "\nvalue = " + value + "\n\n";
}

// What a HitDef says of its blow, for the HitDef and the Projectile.
static std::string HitLines(const FighterHit &h)
{
    char buf[1024];
    snprintf(buf, sizeof buf,
             "attr = %s\n"
             "animtype = %s\n"
             "damage = %d, %d\n"
             "guardflag = %s\n"
             "hitflag = %s\n"
             "pausetime = %d, %d\n"
             "sparkno = %d\n"
             "guard.sparkno = %d\n"
             "sparkxy = %d, %d\n"
             "hitsound = F5, %d\n"
             "guardsound = F6, %d\n"
             "ground.type = %s\n",
             h.attr, h.animtype, h.damage, h.guardDamage, h.guardflag, h.hitflag, h.pause, h.shake, h.spark,
             h.guardSpark, h.sparkX, h.sparkY, h.hitSound, h.guardSound, h.groundType);
    std::string t = buf;
    if (h.slideTime)
        t += "ground.slidetime = " + std::to_string(*h.slideTime) + "\n";
    if (h.hitTime)
        t += "ground.hittime = " + std::to_string(*h.hitTime) + "\n";
    if (h.launch != 0)
        snprintf(buf, sizeof buf, "ground.velocity = %g, %g\n", h.groundVel, h.launch);
    else
        snprintf(buf, sizeof buf, "ground.velocity = %g\n", h.groundVel);
    t += buf;
    snprintf(buf, sizeof buf, "air.velocity = %g, %g\n", h.airVelX, h.airVelY);
    t += buf;
    if (h.fall)
        t += "fall = " + std::to_string(*h.fall) + "\n";
    return t + h.more + "\n";
}

std::string FighterHitDefText(int state, const char *name, const char *trigger, const FighterHit &h)
{
    return "[State " + std::to_string(state) + ", " + name + "]\ntype = HitDef\ntrigger1 = " + trigger + "\n" +
           HitLines(h);
}

std::string FighterProjectileText(const char *name, const char *trigger, int offsetX, int offsetY, float speed,
                                  const FighterHit &h)
{
    char buf[512];
    snprintf(buf, sizeof buf,
             "[State 1000, %s]\n"
             "type = Projectile\n"
             "trigger1 = %s\n"
             "projid = 1000\n"
             "projanim = 1010\n"
             "projhitanim = 1015\n"
             "projremanim = 1015\n"
             "projpriority = 1\n"
             "projsprpriority = 3\n"
             "offset = %d, %d\n"
             "velocity = %g, 0\n"
             "projedgebound = 30\n",
             name, trigger, offsetX, offsetY, speed);
    return buf + HitLines(h);
}

std::string FighterHelperText(const char *name, const char *trigger, const char *helper, const char *pos)
{
    return std::string("[State 1100, ") + name + "]\ntype = Helper\ntrigger1 = " + trigger +
           "\nhelpertype = normal\nname = \"" + helper + "\"\nid = 1150\nstateno = 1150\npos = " + pos +
           "\npostype = p1\nownpal = 0\n\n";
}

std::string FighterUntouchableText(int state)
{
    return "[State " + std::to_string(state) +
           ", untouchable]\ntype = NotHitBy\ntrigger1 = 1\nvalue = SCA\ntime = 1\n\n";
}

// The end of an attack: back to the state with control when its action ends.
static std::string DoneText(int state, int next)
{
    return "[State " + std::to_string(state) + ", done]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = " +
           std::to_string(next) + "\nctrl = 1\n\n";
}

static std::string NormalText(const FighterNormal &n)
{
    std::string t = FighterStatedefText({.state = n.state, .type = n.type, .physics = n.type, .juggle = n.juggle,
                                         .power = n.power, .velset = n.type != 'A'});
    if (n.lunge != 0) {
        char buf[160];
        snprintf(buf, sizeof buf, "[State %d, step in]\ntype = VelSet\ntrigger1 = Time = 0\nx = %g\n\n", n.state,
                 n.lunge);
        t += buf;
    }
    if (n.voice)
        t += FighterSoundText(n.state, "voice", "Time = 0", n.voice);
    t += FighterSoundText(n.state, "swing", ("Time = " + std::to_string(n.swingTime)).c_str(),
                          ("F8, " + std::to_string(n.swingSound)).c_str());
    t += FighterHitDefText(n.state, "blow", ("AnimElem = " + std::to_string(n.hitElem)).c_str(), n.hit);
    // An air attack ends when it lands (the engine's landing state).
    if (n.type == 'A')
        return t;
    return t + DoneText(n.state, n.type == 'C' ? 11 : 0);
}

// The state text of the normal attacks, in order, under one heading.
static std::string NormalsText(const std::vector<FighterNormal> &normals)
{
    std::string t = "; ---------------------------------------------------------------- normals\n";
    for (const FighterNormal &n : normals)
        t += NormalText(n);
    return t;
}

static std::string SpecialsText(const FighterSpecials &s)
{
    std::string t = "; ---------------------------------------------------------------- specials\n";
    t += s.projectileNote + FighterStatedefText({.state = 1000, .juggle = 3, .power = 60}) +
         FighterSoundText(1000, "shout", "Time = 0", "1, 0") + s.projectile() + DoneText(1000, 0);
    t += s.helperNote + FighterStatedefText({.state = 1100, .power = 50}) +
         FighterSoundText(1100, s.helperShout, "Time = 0", "1, 1") + s.helper() + DoneText(1100, 0);
    return t + s.helperStates();
}

static std::string ConstantsText(const FighterConstants &c)
{
    char buf[4096];
    snprintf(buf, sizeof buf,
             "%s"
             "[Data]\n"
             "life = %d\n"
             "power = 3000\n"
             "attack = %d\n"
             "defence = %d\n"
             "fall.defence_up = %d\n"
             "liedown.time = %d\n"
             "airjuggle = %d\n"
             "sparkno = %d\n"
             "guard.sparkno = 40\n"
             "ko.echo = 1\n"
             "volume = 0\n"
             "IntPersistIndex = 60\n"
             "FloatPersistIndex = 40\n"
             "\n"
             "[Size]\n"
             "xscale = 1\n"
             "yscale = 1\n"
             "ground.back = %d\n"
             "ground.front = %d\n"
             "air.back = %d\n"
             "air.front = %d\n"
             "height = %d\n"
             "attack.dist = %d\n"
             "proj.attack.dist = 90\n"
             "proj.doscale = 0\n"
             "head.pos = %d, %d\n"
             "mid.pos = %d, %d\n"
             "shadowoffset = 0\n"
             "draw.offset = 0, 0\n"
             "\n"
             "[Velocity]\n"
             "walk.fwd = %s\n"
             "walk.back = %s\n"
             "run.fwd = %s\n"
             "run.back = %s\n"
             "jump.neu = %s\n"
             "jump.back = %s\n"
             "jump.fwd = %s\n"
             "runjump.back = %s\n"
             "runjump.fwd = %s\n"
             "airjump.neu = %s\n"
             "airjump.back = %s\n"
             "airjump.fwd = %s\n"
             "\n"
             "[Movement]\n"
             "airjump.num = %d\n"
             "airjump.height = %d\n"
             "yaccel = %s\n"
             "stand.friction = .85\n"
             "crouch.friction = .82\n"
             "\n",
             c.note, c.life, c.attack, c.defence, c.fallDefenceUp, c.liedownTime, c.airjuggle, c.sparkno, c.groundBack,
             c.groundFront, c.airBack, c.airFront, c.height, c.attackDist, c.headPos[0], c.headPos[1], c.midPos[0],
             c.midPos[1], c.walkFwd, c.walkBack, c.runFwd, c.runBack, c.jumpNeu, c.jumpBack, c.jumpFwd, c.runjumpBack,
             c.runjumpFwd, c.airjumpNeu, c.airjumpBack, c.airjumpFwd, c.airjumpNum, c.airjumpHeight, c.yaccel);
    return buf;
}

// ---------------------------------------------------------------- commands

static const char kFighterCommands[] =
    "; Commands: motions first, then the buttons, then the held directions that\n"
    "; the common states read.\n"
    "[Remap]\n"
    "x = x\n"
    "y = y\n"
    "z = z\n"
    "a = a\n"
    "b = b\n"
    "c = c\n"
    "s = s\n"
    "\n"
    "[Defaults]\n"
    "command.time = 15\n"
    "command.buffer.time = 1\n"
    "\n"
    "; A quarter circle forward: down, down-forward, forward and a punch.\n"
    "[Command]\n"
    "name = \"qcf_x\"\n"
    "command = D, DF, F, x\n"
    "time = 20\n"
    "\n"
    "[Command]\n"
    "name = \"qcf_y\"\n"
    "command = D, DF, F, y\n"
    "time = 20\n"
    "\n"
    "; A quarter circle back: down, down-back, back and a kick.\n"
    "[Command]\n"
    "name = \"qcb_a\"\n"
    "command = D, DB, B, a\n"
    "time = 20\n"
    "\n"
    "[Command]\n"
    "name = \"qcb_b\"\n"
    "command = D, DB, B, b\n"
    "time = 20\n"
    "\n"
    "[Command]\n"
    "name = \"FF\"\n"
    "command = F, F\n"
    "time = 10\n"
    "\n"
    "[Command]\n"
    "name = \"BB\"\n"
    "command = B, B\n"
    "time = 10\n"
    "\n"
    "; Two buttons together right themselves in a fall.\n"
    "[Command]\n"
    "name = \"recovery\"\n"
    "command = x+y\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"recovery\"\n"
    "command = a+b\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"x\"\n"
    "command = x\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"y\"\n"
    "command = y\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"z\"\n"
    "command = z\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"a\"\n"
    "command = a\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"b\"\n"
    "command = b\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"c\"\n"
    "command = c\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"holdfwd\"\n"
    "command = /$F\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"holdback\"\n"
    "command = /$B\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"holdup\"\n"
    "command = /$U\n"
    "time = 1\n"
    "\n"
    "[Command]\n"
    "name = \"holddown\"\n"
    "command = /$D\n"
    "time = 1\n"
    "\n";

// The state text of the normal attacks, in order, under one heading.

static std::string CommandStatesText(const FighterMoveNames &names)
{
    std::string t = "; ---------------------------------------------------------------- what the commands start\n"
                    "[Statedef -1]\n"
                    "\n"
                    "; Specials first: they also cut short a light blow that has landed.\n";
    t += std::string("[State -1, ") + names.projectile + "]\n" +
         "type = ChangeState\n"
         "value = 1000\n"
         "triggerall = command = \"qcf_x\" || command = \"qcf_y\"\n"
         "triggerall = numprojid(1000) = 0\n"
         "trigger1 = statetype != A && ctrl\n"
         "trigger2 = (stateno = 200 || stateno = 400) && movecontact\n"
         "\n";
    t += std::string("[State -1, ") + names.helper + "]\n" +
         "type = ChangeState\n"
         "value = 1100\n"
         "triggerall = command = \"qcb_a\" || command = \"qcb_b\"\n"
         "triggerall = numhelper(1150) = 0\n"
         "trigger1 = statetype != A && ctrl\n"
         "trigger2 = (stateno = 200 || stateno = 230) && movecontact\n"
         "\n";
    const std::string punch = "(command = \"x\" || command = \"y\" || command = \"z\")";
    const std::string kick = "(command = \"a\" || command = \"b\" || command = \"c\")";
    const struct {
        const char *name;
        int state;
        std::string trigger;
    } moves[] = {
        {"run", 100, "command = \"FF\" && statetype = S"},
        {"hop back", 105, "command = \"BB\" && statetype = S"},
        {names.normal[0], 200, "command = \"x\" && statetype = S"},
        {names.normal[1], 210, "(command = \"y\" || command = \"z\") && statetype = S"},
        {names.normal[2], 230, "command = \"a\" && statetype = S"},
        {names.normal[3], 240, "(command = \"b\" || command = \"c\") && statetype = S"},
        {names.normal[4], 400, punch + " && statetype = C"},
        {names.normal[5], 430, kick + " && statetype = C"},
        {names.normal[6], 600, punch + " && statetype = A"},
        {names.normal[7], 630, kick + " && statetype = A"},
    };
    for (size_t i = 0; i < std::size(moves); i++) {
        if (i > 0)
            t += "\n";
        t += std::string("[State -1, ") + moves[i].name + "]\ntype = ChangeState\nvalue = " +
             std::to_string(moves[i].state) + "\ntrigger1 = " + moves[i].trigger + " && ctrl\n";
    }
    return t;
}


// ---------------------------------------------------------------- sounds

static Wave Voice(const FighterTimbre &t, const FighterVoiceLine &l)
{
    Wave w = SynthTone(l.f0, l.f1, l.seconds, t.shape, l.seconds * 0.7f, l.volume);
    SynthMix(&w, SynthTone(l.f0 * t.overtoneF0, l.f1 * t.overtoneF1, l.seconds, t.overtoneShape, l.seconds * 0.5f,
                           l.volume * t.overtoneVolume));
    SynthMix(&w, SynthNoise(t.noiseC0, t.noiseC1, l.seconds * t.noiseLength, l.seconds * t.noiseDecay,
                            l.volume * t.noiseVolume, l.seed));
    return w;
}

static std::string SoundsBytes(const FighterSounds &s)
{
    std::vector<SndEntry> list;
    const struct {
        int group, number;
        const FighterVoiceLine &line;
    } voice[] = {{0, 0, s.light}, {0, 1, s.heavy}, {1, 0, s.projectileShout}, {1, 1, s.helperShout}};
    for (const auto &v : voice)
        SynthEntryAdd(&list, v.group, v.number, Voice(s.timbre, v.line), v.line.peak);
    SynthEntryAdd(&list, 2, 0, s.projectile(), s.projectilePeak);
    SynthEntryAdd(&list, 2, 1, s.helper(), s.helperPeak);
    SynthEntryAdd(&list, 11, 0, Voice(s.timbre, s.ko), s.ko.peak);
    SynthEntryAdd(&list, 180, 0, Voice(s.timbre, s.win), s.win.peak);
    return SndFileBytes(list);
}

// ---------------------------------------------------------------- the files

static ArtPalette FighterPalette(const FighterColours &c, const FighterInks &ink)
{
    ArtPalette p;
    ArtColourSet(&p, FIGHTER_OUTLINE, ink.outline[0], ink.outline[1], ink.outline[2]);
    FighterRamp(&p, FIGHTER_SKIN, FIGHTER_RAMP, c.skin[0], c.skin[1], c.skin[2]);
    FighterRamp(&p, FIGHTER_HAIR, FIGHTER_RAMP, c.hair[0], c.hair[1], c.hair[2]);
    FighterRamp(&p, FIGHTER_MAIN, FIGHTER_RAMP, c.main[0], c.main[1], c.main[2]);
    FighterRamp(&p, FIGHTER_TRIM, FIGHTER_RAMP, c.trim[0], c.trim[1], c.trim[2]);
    FighterRamp(&p, FIGHTER_GEAR, FIGHTER_RAMP, c.gear[0], c.gear[1], c.gear[2]);
    ArtColourSet(&p, FIGHTER_WHITE, ink.white[0], ink.white[1], ink.white[2]);
    ArtColourSet(&p, FIGHTER_EYE, ink.eye[0], ink.eye[1], ink.eye[2]);
    ArtColourSet(&p, FIGHTER_MOUTH, ink.mouth[0], ink.mouth[1], ink.mouth[2]);
    FighterRamp(&p, FIGHTER_FX, FIGHTER_LONG_RAMP, c.fx[0], c.fx[1], c.fx[2]);
    FighterRamp(&p, FIGHTER_AIDE, FIGHTER_LONG_RAMP, c.aide[0], c.aide[1], c.aide[2]);
    FighterRamp(&p, FIGHTER_BACK, FIGHTER_LONG_RAMP, c.back[0], c.back[1], c.back[2]);
    return p;
}

static long SpriteKey(int group, int image)
{
    return (long)group * 65536 + image;
}

// Draws the move's poses, each from the stance or a pose drawn before (kept
// in drawn), and writes its action.
static void MoveDraw(FighterSheet *sh, const Pose &stance, const FighterMove &mv, std::map<long, Pose> *drawn)
{
    for (const FighterPoseStep &step : mv.poses) {
        auto base = drawn->find(SpriteKey(step.from.group, step.from.image));
        // A sprite not drawn before stands for the stance, as group -1 does.
        Pose p = PoseChanged(base == drawn->end() ? stance : base->second, step.change);
        sh->Pose(mv.action, step.image, p);
        (*drawn)[SpriteKey(mv.action, step.image)] = p;
    }
    sh->Action(mv.action, mv.frames);
}

std::vector<FighterFrame> FighterBurstFrames()
{
    return {{1015, 0, 3}, {1015, 1, 3}, {1015, 2, 3}, {1015, 3, 3}};
}

static void ProjectileDraw(FighterSheet *sh, const FighterProjectileArt &a)
{
    for (int f = 0; f < 4; f++) {
        sh->Picture(1010, f, a.flight(f), a.flightX, a.flightY, a.flightBoxes);
        sh->Picture(1015, f, a.burst(f), a.burstX, a.burstY);
    }
    sh->Action(1010, {{1010, 0, 3, true}, {1010, 1, 3, true}, {1010, 2, 3, true}, {1010, 3, 3, true}});
    sh->Action(1015, FighterBurstFrames(), -1, true);
}

void FighterFilesMake(GameFiles *out, const FighterMake &m)
{
    ArtPalette pal = FighterPalette(m.colours[0], m.inks);
    FighterSheet sh(m.body, pal);
    const Pose &stance = m.style.stance;
    FighterBasics(&sh, m.style);
    std::map<long, Pose> drawn;
    for (const FighterMove &mv : m.moves)
        MoveDraw(&sh, stance, mv, &drawn);
    MoveDraw(&sh, stance, m.projectileMove, &drawn);
    ProjectileDraw(&sh, m.projectileArt);
    MoveDraw(&sh, stance, m.helperMove, &drawn);
    m.helperArt(&sh);
    sh.Portraits(PoseChanged(stance, m.face));

    const std::string file = m.file, dir = "chars/" + file + "/";
    std::string def = std::string("; ") + m.name + ": made by the sample game's tools.\n" +
                      "[Info]\n"
                      "name = \"" + m.name + "\"\n"
                      "displayname = \"" + m.name + "\"\n"
                      "author = \"Sample game\"\n"
                      "versiondate = 6,14,2003\n"
                      "velokversion = 6,14,2003\n"
                      "\n"
                      "[Files]\n";
    def += "cmd = " + file + ".cmd\n";
    def += "cns = " + file + ".cns\n";
    def += "st = " + file + ".cns\n";
    def += std::string("stcommon = ") + kFighterCommonFile + "\n";
    def += "sprite = " + file + ".sff\n";
    def += "anim = " + file + ".air\n";
    def += "sound = " + file + ".snd\n";
    def += "ai = " + file + ".ai\n";
    for (int n = 1; n <= 12; n++)
        def += "pal" + std::to_string(n) + " = " + file + std::to_string(n) + ".act\n";
    out->push_back({dir + file + ".def", def});
    out->push_back(
        {dir + file + ".cns", ConstantsText(m.constants) + NormalsText(m.normals) + SpecialsText(m.specials)});
    out->push_back({dir + file + ".cmd", kFighterCommands + CommandStatesText(m.moveNames)});
    std::string air = std::string("; ") + m.name + "'s actions: made by the sample game's tools.\n\n" + sh.air;
    out->push_back({dir + file + ".air", air});
    out->push_back({dir + file + ".sff", SffPack(sh.images)});
    out->push_back({dir + file + ".snd", SoundsBytes(m.sounds)});
    for (int n = 0; n < 12; n++)
        out->push_back(
            {dir + file + std::to_string(n + 1) + ".act", FighterActBytes(FighterPalette(m.colours[n], m.inks))});
}
