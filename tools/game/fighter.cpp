// Sample-game fighters: bodies of jointed limbs drawn by code in poses, with their collision boxes, palettes, sprite sheet and animation text.
#include "game/fighter.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "kit/sprkit.h"

namespace {

constexpr float kPi = 3.14159265f;

struct P2 {
    float x = 0, y = 0;
};

P2 operator+(P2 a, P2 b) { return {a.x + b.x, a.y + b.y}; }
P2 operator-(P2 a, P2 b) { return {a.x - b.x, a.y - b.y}; }
P2 operator*(P2 a, float k) { return {a.x * k, a.y * k}; }

// Unit vectors: Down(0) points at the ground, Down(90) forward; Up(0) points
// up, Up(90) forward.
P2 Down(float deg)
{
    float r = deg * kPi / 180.0f;
    return {sinf(r), cosf(r)};
}

P2 Up(float deg)
{
    float r = deg * kPi / 180.0f;
    return {sinf(r), -cosf(r)};
}

P2 Lerp(P2 a, P2 b, float t) { return a + (b - a) * t; }

// Where every joint of a posed body is, around the axis.
struct Joints {
    P2 pelvis, chest, neck, head, shF, shB, elF, elB, haF, haB, hipF, hipB, knF, knB, anF, anB, toF, toB;
    float turn = 0;  // the head's total angle (lean + nod + spin)
    float lean = 0;  // the torso's total angle (lean + spin)
};

void Rotate(P2 *p, P2 c, float deg)
{
    float r = deg * kPi / 180.0f, cs = cosf(r), sn = sinf(r);
    P2 d = *p - c;
    *p = c + P2{d.x * cs - d.y * sn, d.x * sn + d.y * cs};
}

Joints Solve(const FighterBody &b, const Pose &p)
{
    Joints j;
    j.pelvis = {p.dx, -b.hip + p.dy};
    j.neck = j.pelvis + Up(p.lean) * b.torso;
    j.chest = j.pelvis + Up(p.lean) * (b.torso - b.chestR * 0.6f);
    j.head = j.neck + Up(p.lean + p.nod) * (b.neck + b.headR);
    P2 sh = j.pelvis + Up(p.lean) * (b.torso - 3.0f);
    j.shF = sh + Up(p.lean + 90) * 1.5f;
    j.shB = sh + Up(p.lean + 90) * -2.5f;
    j.elF = j.shF + Down(p.lean + p.armF.a) * b.upperArm;
    j.haF = j.elF + Down(p.lean + p.armF.a + p.armF.b) * b.foreArm;
    j.elB = j.shB + Down(p.lean + p.armB.a) * b.upperArm;
    j.haB = j.elB + Down(p.lean + p.armB.a + p.armB.b) * b.foreArm;
    j.hipF = j.pelvis + P2{2, 0};
    j.hipB = j.pelvis + P2{-2, 0};
    j.knF = j.hipF + Down(p.legF.a) * b.thigh;
    j.anF = j.knF + Down(p.legF.a + p.legF.b) * b.shin;
    j.toF = j.anF + Down(p.legF.a + p.legF.b + 90) * b.foot;
    j.knB = j.hipB + Down(p.legB.a) * b.thigh;
    j.anB = j.knB + Down(p.legB.a + p.legB.b) * b.shin;
    j.toB = j.anB + Down(p.legB.a + p.legB.b + 90) * b.foot;
    j.turn = p.lean + p.nod + p.spin;
    j.lean = p.lean + p.spin;
    P2 *all[] = {&j.chest, &j.neck, &j.head, &j.shF, &j.shB, &j.elF, &j.elB, &j.haF, &j.haB,
                 &j.hipF, &j.hipB, &j.knF, &j.knB, &j.anF, &j.anB, &j.toF, &j.toB};
    if (p.spin != 0)
        for (P2 *q : all)
            Rotate(q, j.pelvis, p.spin);
    if (p.ground) {
        // The lowest point of the body rests on the ground line.
        float low = std::max({j.anF.y + b.footR, j.anB.y + b.footR, j.toF.y + b.footR * 0.6f,
                              j.toB.y + b.footR * 0.6f, j.head.y + b.headR, j.pelvis.y + b.waistR,
                              j.chest.y + b.chestR * 0.8f, j.knF.y + b.thighR * 0.7f, j.knB.y + b.thighR * 0.7f,
                              j.haF.y + b.handR, j.haB.y + b.handR});
        P2 shift{0, -low};
        j.pelvis = j.pelvis + shift;
        for (P2 *q : all)
            *q = *q + shift;
    }
    return j;
}

// A drawing place: points of the body to bitmap pixels.
struct View {
    BITMAP *bmp;
    float ox, oy, s;
    P2 At(P2 p) const { return {ox + p.x * s, oy + p.y * s}; }
};

int Round(float v) { return (int)floorf(v + 0.5f); }

void Disc(BITMAP *b, P2 c, float r, int col)
{
    if (r < 0.5f)
        putpixel(b, Round(c.x), Round(c.y), col);
    else
        circlefill(b, Round(c.x), Round(c.y), Round(r), col);
}

// A filled shape of two discs joined by their tangents.
void Capsule(BITMAP *b, P2 a, float ra, P2 c, float rc, int col)
{
    P2 d = c - a;
    float len = sqrtf(d.x * d.x + d.y * d.y);
    if (len > 0.01f) {
        P2 n{-d.y / len, d.x / len};
        int pts[8] = {Round(a.x + n.x * ra), Round(a.y + n.y * ra), Round(c.x + n.x * rc), Round(c.y + n.y * rc),
                      Round(c.x - n.x * rc), Round(c.y - n.y * rc), Round(a.x - n.x * ra), Round(a.y - n.y * ra)};
        polygon(b, 4, pts, col);
    }
    Disc(b, a, ra, col);
    Disc(b, c, rc, col);
}

int Shade(int ramp, int step)
{
    return ramp + std::clamp(step, 0, FIGHTER_RAMP - 1);
}

// A rounded part in three tones, lit from the upper front; shade darkens
// the parts on the far side.
void Part(const View &v, P2 a, float ra, P2 c, float rc, int ramp, int shade)
{
    P2 A = v.At(a), C = v.At(c);
    float r0 = ra * v.s, r1 = rc * v.s;
    float m = std::min(r0, r1);
    P2 light{0.3f * m, -0.3f * m};
    Capsule(v.bmp, A, r0, C, r1, Shade(ramp, 1 + shade));
    Capsule(v.bmp, A + light, r0 * 0.7f, C + light, r1 * 0.7f, Shade(ramp, 3 + shade));
    if (m >= 3.0f)
        Capsule(v.bmp, A + light * 2.0f, r0 * 0.3f, C + light * 2.0f, r1 * 0.3f, Shade(ramp, 5 + shade));
}

void Ball(const View &v, P2 c, float r, int ramp, int shade)
{
    Part(v, c, r, c, r, ramp, shade);
}

void Arm(const View &v, const FighterBody &b, P2 sh, P2 el, P2 ha, int shade)
{
    Part(v, sh, b.armR, el, b.foreR, b.armRamp, shade);
    Part(v, el, b.foreR, ha, b.foreR * 0.85f, b.foreRamp, shade);
    if (b.cuffRamp >= 0)
        Part(v, Lerp(el, ha, 0.45f), b.foreR * 1.1f, Lerp(el, ha, 0.85f), b.foreR * 1.05f, b.cuffRamp, shade);
    Ball(v, ha, b.handR, b.handRamp, shade);
}

void Leg(const View &v, const FighterBody &b, P2 hip, P2 kn, P2 an, P2 to, int shade)
{
    Part(v, hip, b.thighR, kn, b.shinR * 1.1f, b.legRamp, shade);
    Part(v, kn, b.shinR, an, b.shinR * 0.8f, b.shinRamp, shade);
    Part(v, an, b.footR, to, b.footR * 0.8f, b.footRamp, shade);
}

// Hair or cloth trailing from a point: a chain of shrinking discs.
void Tail(const View &v, P2 from, float deg, float len, float r, int ramp, float wave)
{
    const int n = 14;
    for (int i = 0; i < n; i++) {
        float t = (float)i / (n - 1);
        P2 p = from + Down(deg + wave * sinf(t * 3.0f)) * (len * t);
        float rr = r * (1.0f - 0.6f * t);
        Part(v, p, rr, p, rr, ramp, i % 4 < 2 ? 0 : -1);
    }
}

void Head(const View &v, const FighterBody &b, const Joints &j, const Pose &p)
{
    float r = b.headR;
    auto at = [&](float x, float y) {
        P2 q{x * r, y * r};
        Rotate(&q, P2{0, 0}, j.turn);
        return j.head + q;
    };
    // The neck under the head.
    Part(v, j.neck, b.armR * 0.9f, Lerp(j.neck, j.head, 0.5f), b.armR * 0.9f, FIGHTER_SKIN, 0);
    if (b.tail)
        Tail(v, at(-0.8f, -0.45f), j.turn - 40 - p.sway, r * 3.2f, r * 0.45f, FIGHTER_HAIR, 12);
    Ball(v, j.head, r, FIGHTER_SKIN, 0);
    if (b.tail) {
        // Hair over the crown and the back of the head, the face left bare.
        Disc(v.bmp, v.At(at(-0.15f, -0.15f)), r * 1.03f * v.s, Shade(FIGHTER_HAIR, 2));
        Disc(v.bmp, v.At(at(-0.25f, -0.3f)), r * 0.75f * v.s, Shade(FIGHTER_HAIR, 4));
        Disc(v.bmp, v.At(at(0.32f, 0.18f)), r * 0.72f * v.s, Shade(FIGHTER_SKIN, 3));
        Disc(v.bmp, v.At(at(0.45f, 0.05f)), r * 0.35f * v.s, Shade(FIGHTER_SKIN, 4));
    }
    if (b.topknot) {
        Ball(v, at(-0.45f, -0.95f), r * 0.38f, FIGHTER_HAIR, 0);
        Tail(v, at(-0.6f, -1.0f), j.turn - 130 - p.sway, r * 0.9f, r * 0.22f, FIGHTER_HAIR, 6);
    }
    if (b.bandRamp >= 0) {
        P2 a = v.At(at(-0.95f, -0.35f)), c = v.At(at(0.7f, -0.55f));
        Capsule(v.bmp, a, 1.2f * v.s, c, 1.0f * v.s, Shade(b.bandRamp, 3));
        Tail(v, at(-0.95f, -0.35f), j.turn - 70 - p.sway, r * 1.4f, r * 0.2f, b.bandRamp, 8);
    }
    if (b.beard) {
        Disc(v.bmp, v.At(at(0.32f, 0.72f)), r * 0.42f * v.s, Shade(FIGHTER_HAIR, 2));
        Disc(v.bmp, v.At(at(0.0f, 0.62f)), r * 0.4f * v.s, Shade(FIGHTER_HAIR, 1));
        P2 m0 = v.At(at(0.5f, 0.38f)), m1 = v.At(at(0.82f, 0.32f));
        line(v.bmp, Round(m0.x), Round(m0.y), Round(m1.x), Round(m1.y), Shade(FIGHTER_HAIR, 3));
    }
    // Ear, brow, eye and mouth.
    Disc(v.bmp, v.At(at(-0.15f, 0.05f)), r * 0.2f * v.s, Shade(FIGHTER_SKIN, 2));
    P2 eye = v.At(at(0.52f, -0.08f));
    P2 brow0 = v.At(at(0.3f, -0.32f)), brow1 = v.At(at(0.78f, -0.3f));
    line(v.bmp, Round(brow0.x), Round(brow0.y), Round(brow1.x), Round(brow1.y), Shade(FIGHTER_HAIR, 0));
    if (p.hurt) {
        P2 e0 = v.At(at(0.4f, -0.08f)), e1 = v.At(at(0.66f, -0.08f));
        line(v.bmp, Round(e0.x), Round(e0.y), Round(e1.x), Round(e1.y), FIGHTER_EYE);
    } else {
        float er = std::max(0.6f, r * 0.13f * v.s);
        Disc(v.bmp, eye, er, FIGHTER_EYE);
        if (v.s >= 2.0f)
            putpixel(v.bmp, Round(eye.x + er * 0.4f), Round(eye.y - er * 0.4f), FIGHTER_WHITE);
    }
    if (!b.beard) {
        P2 m0 = v.At(at(0.55f, 0.45f)), m1 = v.At(at(0.8f, 0.4f));
        line(v.bmp, Round(m0.x), Round(m0.y), Round(m1.x), Round(m1.y), FIGHTER_MOUTH);
    }
}

void Torso(const View &v, const FighterBody &b, const Joints &j, const Pose &p)
{
    if (b.sash) {
        P2 knot = j.pelvis + Up(j.lean + 90) * (-b.waistR * 0.9f);
        Tail(v, knot, -60 + j.lean * 0.3f - p.sway, b.thigh * 1.1f, b.waistR * 0.3f, FIGHTER_TRIM, 10);
        Tail(v, knot, -35 + j.lean * 0.3f - p.sway, b.thigh * 0.9f, b.waistR * 0.26f, FIGHTER_TRIM, 14);
    }
    Ball(v, j.pelvis, b.waistR * 1.05f, b.legRamp, 0);
    Part(v, j.pelvis + Up(j.lean) * 3.0f, b.waistR, j.chest, b.chestR, b.torsoRamp, 0);
    if (b.bareChest) {
        // An open front: skin from the throat down the chest.
        P2 top = j.neck + Up(j.lean + 90) * (b.chestR * 0.2f);
        P2 bottom = j.pelvis + Up(j.lean) * (b.torso * 0.35f) + Up(j.lean + 90) * (b.chestR * 0.55f);
        P2 side = j.chest + Up(j.lean + 90) * (b.chestR * 0.95f);
        P2 a = v.At(top), c = v.At(bottom), d = v.At(side);
        triangle(v.bmp, Round(a.x), Round(a.y), Round(c.x), Round(c.y), Round(d.x), Round(d.y),
                 Shade(FIGHTER_SKIN, 3));
        P2 e = v.At(Lerp(top, side, 0.5f)), f = v.At(Lerp(bottom, side, 0.6f));
        line(v.bmp, Round(e.x), Round(e.y), Round(f.x), Round(f.y), Shade(FIGHTER_SKIN, 1));
    }
    P2 belt = j.pelvis + Up(j.lean) * 3.5f;
    P2 side = Up(j.lean + 90) * (b.waistR * 1.05f);
    Capsule(v.bmp, v.At(belt - side), 1.6f * v.s, v.At(belt + side), 1.6f * v.s, Shade(b.beltRamp, 2));
    Capsule(v.bmp, v.At(belt - side + P2{0, -0.6f}), 0.7f * v.s, v.At(belt + side + P2{0, -0.6f}), 0.7f * v.s,
            Shade(b.beltRamp, 4));
}

void Glow(const View &v, P2 at, float r)
{
    for (int i = 0; i < 6; i++) {
        float rr = r * (1.0f - (float)i / 6.0f);
        Disc(v.bmp, v.At(at), rr * v.s, FIGHTER_FX + 5 + 2 * i);
    }
}

FighterBox BoxAround(std::initializer_list<P2> pts, float grow)
{
    float x1 = 1e9f, y1 = 1e9f, x2 = -1e9f, y2 = -1e9f;
    for (P2 p : pts) {
        x1 = std::min(x1, p.x);
        y1 = std::min(y1, p.y);
        x2 = std::max(x2, p.x);
        y2 = std::max(y2, p.y);
    }
    return {(int)floorf(x1 - grow), (int)floorf(y1 - grow), (int)ceilf(x2 + grow), (int)ceilf(y2 + grow)};
}

FighterBoxes BoxesOf(const FighterBody &b, const Joints &j, const Pose &p)
{
    FighterBoxes out;
    out.body.push_back(BoxAround({j.head}, b.headR + 1));
    out.body.push_back(BoxAround({j.pelvis, j.neck}, b.chestR * 0.85f));
    out.body.push_back(BoxAround({j.hipF, j.hipB, j.knF, j.knB, j.anF, j.anB}, b.thighR * 0.8f));
    float r = p.reach;
    switch (p.strike) {
    case STRIKE_HAND_F:
        out.hit.push_back(BoxAround({Lerp(j.elF, j.haF, 0.4f), j.haF}, b.handR + 1 + r));
        break;
    case STRIKE_HAND_B:
        out.hit.push_back(BoxAround({Lerp(j.elB, j.haB, 0.4f), j.haB}, b.handR + 1 + r));
        break;
    case STRIKE_FOOT_F:
        out.hit.push_back(BoxAround({Lerp(j.knF, j.anF, 0.4f), j.anF, j.toF}, b.footR + 1 + r));
        break;
    case STRIKE_FOOT_B:
        out.hit.push_back(BoxAround({Lerp(j.knB, j.anB, 0.4f), j.anB, j.toB}, b.footR + 1 + r));
        break;
    case STRIKE_HEAD:
        out.hit.push_back(BoxAround({j.head}, b.headR + 1 + r));
        break;
    }
    return out;
}

constexpr int kSheetW = 300, kSheetH = 280, kSheetAxisX = 150, kSheetAxisY = 240;

} // namespace

// Where the drawing of a body may reach: its joints with room for the
// thickest part, hair, cloth and glow around them.
static ArtArea Reach(BITMAP *bmp, const FighterBody &body, const Joints &j, int ox, int oy, float scale)
{
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (P2 p : {j.pelvis, j.neck, j.head, j.haF, j.haB, j.elF, j.elB, j.knF, j.knB, j.anF, j.anB, j.toF, j.toB}) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    float room = (body.headR * 4.5f + body.chestR + 2) * scale;
    return {std::max(0, (int)floorf(ox + x0 * scale - room)), std::max(0, (int)floorf(oy + y0 * scale - room)),
            std::min(bmp->w - 1, (int)ceilf(ox + x1 * scale + room)),
            std::min(bmp->h - 1, (int)ceilf(oy + y1 * scale + room))};
}

FighterBoxes FighterDraw(BITMAP *bmp, const FighterBody &body, const Pose &pose, int ox, int oy, float scale)
{
    Joints j = Solve(body, pose);
    View v{bmp, (float)ox, (float)oy, scale};
    Arm(v, body, j.shB, j.elB, j.haB, -1);
    Leg(v, body, j.hipB, j.knB, j.anB, j.toB, -1);
    Torso(v, body, j, pose);
    Leg(v, body, j.hipF, j.knF, j.anF, j.toF, 0);
    Head(v, body, j, pose);
    Arm(v, body, j.shF, j.elF, j.haF, 0);
    if (pose.glow > 0)
        Glow(v, j.haF, pose.glow);
    return BoxesOf(body, j, pose);
}

Pose PoseChanged(Pose p, const PoseChange &c)
{
    for (auto [to, from] : {std::pair{&p.dx, &c.dx}, {&p.dy, &c.dy}, {&p.spin, &c.spin}, {&p.lean, &c.lean},
                            {&p.nod, &c.nod}, {&p.reach, &c.reach}, {&p.glow, &c.glow}, {&p.sway, &c.sway}})
        *to = from->value_or(*to);
    for (auto [to, from] : {std::pair{&p.armF, &c.armF}, {&p.armB, &c.armB}, {&p.legF, &c.legF}, {&p.legB, &c.legB}})
        if (from->given)
            *to = from->limb;
    p.ground = c.ground.value_or(p.ground);
    p.strike = c.strike.value_or(p.strike);
    p.hurt = c.hurt.value_or(p.hurt);
    return p;
}

FighterSheet::FighterSheet(const FighterBody &b, const ArtPalette &p) : body(b), pal(p)
{
    ArtStart();
}

static long Key(int group, int image)
{
    return (long)group * 65536 + image;
}

void FighterSheet::Pose(int group, int image, const struct Pose &p)
{
    BITMAP *b = ArtBitmap(kSheetW, kSheetH);
    if (!b)
        return;
    FighterBoxes bx = FighterDraw(b, body, p, kSheetAxisX, kSheetAxisY);
    ArtArea a = Reach(b, body, Solve(body, p), kSheetAxisX, kSheetAxisY, 1.0f);
    ArtOutlineArea(b, FIGHTER_OUTLINE, a);
    images.push_back(ArtImageCroppedArea(b, pal, group, image, kSheetAxisX, kSheetAxisY, a));
    destroy_bitmap(b);
    boxes[Key(group, image)] = bx;
}

void FighterSheet::Picture(int group, int image, BITMAP *b, int axisX, int axisY, const FighterBoxes &bx)
{
    if (!b)
        return;
    ArtOutline(b, FIGHTER_OUTLINE);
    images.push_back(ArtImageCropped(b, pal, group, image, axisX, axisY));
    destroy_bitmap(b);
    boxes[Key(group, image)] = bx;
}

const FighterBoxes *FighterSheet::BoxesOf(int group, int image) const
{
    auto found = boxes.find(Key(group, image));
    return found == boxes.end() ? nullptr : &found->second;
}

static std::string ClsnLines(const char *kind, const std::vector<FighterBox> &list)
{
    if (list.empty())
        return "";
    char buf[96];
    snprintf(buf, sizeof buf, "%s: %d\n", kind, (int)list.size());
    std::string s = buf;
    for (size_t i = 0; i < list.size(); i++) {
        const FighterBox &b = list[i];
        snprintf(buf, sizeof buf, "%s[%d] = %d, %d, %d, %d\n", kind, (int)i, b.x1, b.y1, b.x2, b.y2);
        s += buf;
    }
    return s;
}

void FighterSheet::Action(int number, const std::vector<FighterFrame> &frames, int loopStart, bool noBody)
{
    air += "[Begin Action " + std::to_string(number) + "]\n";
    for (size_t i = 0; i < frames.size(); i++) {
        const FighterFrame &f = frames[i];
        const FighterBoxes *bx = BoxesOf(f.group, f.image);
        if (bx && !noBody)
            air += ClsnLines("Clsn2", bx->body);
        if (bx && f.hit)
            air += ClsnLines("Clsn1", bx->hit);
        if ((int)i == loopStart)
            air += "Loopstart\n";
        air += AirElemLine(f.group, f.image, f.x, f.y, f.time, f.flip) + "\n";
    }
    air += "\n";
}

void FighterSheet::Portraits(const struct Pose &p)
{
    struct Size {
        int image, w, h;
        float scale, headX, headY;
    };
    for (const Size &sz : {Size{0, 24, 24, 1.05f, 12, 11}, Size{1, 96, 120, 2.6f, 50, 42}}) {
        Joints j = Solve(body, p);
        BITMAP *b = ArtBitmap(sz.w, sz.h);
        if (!b)
            return;
        int ox = Round(sz.headX - j.head.x * sz.scale), oy = Round(sz.headY - j.head.y * sz.scale);
        FighterDraw(b, body, p, ox, oy, sz.scale);
        ArtOutline(b, FIGHTER_OUTLINE);
        // The background shows wherever the body does not.
        for (int y = 0; y < sz.h; y++)
            for (int x = 0; x < sz.w; x++)
                if (!b->line[y][x]) {
                    float t = (float)y / (float)(sz.h - 1) * 0.8f + (float)x / (float)(sz.w - 1) * 0.2f;
                    b->line[y][x] = (unsigned char)ArtDither(FIGHTER_BACK + 2, FIGHTER_BACK + 13, t, x, y);
                }
        rect(b, 0, 0, sz.w - 1, sz.h - 1, FIGHTER_BACK);
        // The select and versus screens load the portraits alone.
        SffImage img = ArtImage(b, pal, 9000, sz.image, 0, 0);
        img.ownPalette = true;
        images.push_back(img);
        destroy_bitmap(b);
    }
}

void FighterRamp(ArtPalette *pal, int first, int n, int r, int g, int b)
{
    for (int i = 0; i < n; i++) {
        float t = n > 1 ? (float)i / (float)(n - 1) : 1.0f;
        float k, w;
        if (t < 0.65f) {
            k = 0.28f + (1.0f - 0.28f) * t / 0.65f;
            w = 0.0f;
        } else {
            k = 1.0f;
            w = 0.5f * (t - 0.65f) / 0.35f;
        }
        auto mix = [&](int c) { return std::clamp((int)((float)c * k * (1.0f - w) + 255.0f * w + 0.5f), 0, 255); };
        ArtColourSet(pal, first + i, mix(r), mix(g), mix(b));
    }
}

std::string FighterActBytes(const ArtPalette &pal)
{
    return ActFileBytes(pal.rgb);
}
