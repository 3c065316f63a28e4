// Sample-game fight screen: lifebars, power bars, faces, timer, combo, announcements, win icons, and the sparks and dust of the fight effects.
#include "game/hud.h"

#include <allegro.h>
#include <cmath>
#include <cstdio>

#include "game/glyphs.h"
#include "game/lettering.h"

static const float kTau = 6.2831853f;

ArtPalette HudPalette()
{
    ArtPalette p;
    ArtRamp(&p, HUD_FRAME_FIRST, HUD_FRAME_LAST, 16, 16, 26, 196, 200, 214);
    ArtRamp(&p, HUD_BACK_FIRST, HUD_BACK_LAST, 20, 8, 16, 48, 20, 34);
    ArtRamp(&p, HUD_LIFE_FIRST, HUD_LIFE_LAST, 250, 246, 120, 40, 170, 50);
    ArtRamp(&p, HUD_RED_FIRST, HUD_RED_LAST, 255, 130, 110, 150, 16, 16);
    ArtRamp(&p, HUD_POWER_FIRST, HUD_POWER_LAST, 180, 240, 255, 20, 80, 220);
    ArtRamp(&p, HUD_POWER_MID_FIRST, HUD_POWER_MID_LAST, 40, 44, 70, 20, 22, 40);
    ArtRamp(&p, HUD_GOLD_FIRST, HUD_GOLD_LAST, 255, 250, 190, 200, 120, 10);
    const int icons[8][3] = {{240, 190, 40}, {230, 50, 40}, {60, 110, 240}, {60, 190, 80},
                             {200, 200, 210}, {250, 140, 30}, {140, 60, 160}, {60, 200, 200}};
    for (int i = 0; i < 8; i++)
        ArtColourSet(&p, HUD_ICON_FIRST + i, icons[i][0], icons[i][1], icons[i][2]);
    ArtColourSet(&p, HUD_WHITE, 255, 255, 255);
    ArtColourSet(&p, HUD_INK, 10, 10, 16);
    ArtRamp(&p, HUD_BOX_FIRST, HUD_BOX_LAST, 40, 30, 70, 12, 8, 24);
    ArtColourSet(&p, HUD_ANNOUNCE_EDGE, 30, 10, 0);
    ArtRamp(&p, HUD_ANNOUNCE_FIRST, 103, 255, 255, 220, 255, 214, 60);
    ArtRamp(&p, 104, HUD_ANNOUNCE_LAST, 250, 190, 40, 200, 70, 10);
    ArtRamp(&p, HUD_KO_FIRST, 119, 255, 240, 230, 255, 110, 80);
    ArtRamp(&p, 120, HUD_KO_LAST, 240, 60, 40, 110, 0, 10);
    return p;
}

// ---------------------------------------------------------------- bars and boxes

// A frame of light metal on top and left, dark on the other sides.
static BITMAP *Frame(int w, int h)
{
    BITMAP *b = ArtBitmap(w, h);
    rectfill(b, 0, 0, w - 1, h - 1, HUD_FRAME_FIRST);
    rect(b, 1, 1, w - 2, h - 2, HUD_FRAME_LAST - 2);
    hline(b, 1, 1, w - 2, HUD_FRAME_LAST);
    vline(b, 1, 1, h - 2, HUD_FRAME_LAST);
    rectfill(b, 2, 2, w - 3, h - 3, 0);
    return b;
}

// A bar fill shading from its top row down, with a bright line near the top.
static BITMAP *Fill(int w, int h, int first, int last)
{
    BITMAP *b = ArtBitmap(w, h);
    ArtGradientRect(b, 0, 0, w - 1, h - 1, first, last, true);
    if (h > 2)
        hline(b, 0, 1, w - 1, first);
    return b;
}

static BITMAP *TimerBox()
{
    BITMAP *b = Frame(30, HUD_TIMER_H);
    ArtGradientRect(b, 2, 2, 27, HUD_TIMER_H - 3, HUD_BOX_FIRST, HUD_BOX_LAST, true);
    return b;
}

// A small cross that marks a beaten teammate.
static BITMAP *KoMark()
{
    BITMAP *b = ArtBitmap(12, 12);
    for (int d = -1; d <= 1; d++) {
        line(b, 1 + d, 1, 10 + d, 10, HUD_RED_FIRST + 2);
        line(b, 10 + d, 1, 1 + d, 10, HUD_RED_FIRST + 2);
    }
    return b;
}

// A disc of the icon colour with a letter in it; the perfect mark is a ring.
static BITMAP *WinIcon(int kind)
{
    static const char letters[] = "VSHGTCXF";
    BITMAP *b = ArtBitmap(9, 9);
    if (kind == 8) {
        circle(b, 4, 4, 4, HUD_WHITE);
        circle(b, 4, 4, 3, HUD_GOLD_FIRST + 2);
        return b;
    }
    circlefill(b, 4, 4, 4, HUD_INK);
    circlefill(b, 4, 4, 3, HUD_ICON_FIRST + kind);
    char text[2] = {letters[kind], 0};
    LetterStamp(b, text, 3, 2, LETTER_SMALL, 1, HUD_INK, HUD_INK);
    return b;
}

// ---------------------------------------------------------------- announcements

// A word in big outlined letters; the axis is its centre.
static SffImage Word(const ArtPalette &pal, const char *text, int scale, int first, int last, int group, int number)
{
    int w = LetterWidth(text, LETTER_REGULAR, scale) + 4;
    int h = LetterHeight(LETTER_REGULAR, scale) + 4;
    BITMAP *b = ArtBitmap(w, h);
    LetterStamp(b, text, 2, 2, LETTER_REGULAR, scale, first, last);
    ArtOutline(b, HUD_ANNOUNCE_EDGE);
    SffImage img = ArtImageCropped(b, pal, group, number, w / 2, 2 + GLYPH_REGULAR_BASE * scale / 2);
    destroy_bitmap(b);
    return img;
}

// ---------------------------------------------------------------- sparks and dust

enum { FX_HOT_FIRST = 1, FX_HOT_LAST = 32, FX_COLD_FIRST = 33, FX_COLD_LAST = 56, FX_DUST_FIRST = 57,
       FX_DUST_LAST = 72 };

static ArtPalette FxPalette()
{
    ArtPalette p;
    ArtRamp(&p, FX_HOT_FIRST, 12, 90, 20, 0, 250, 140, 20);
    ArtRamp(&p, 13, FX_HOT_LAST, 250, 150, 30, 255, 255, 240);
    ArtRamp(&p, FX_COLD_FIRST, 44, 10, 30, 90, 60, 140, 250);
    ArtRamp(&p, 45, FX_COLD_LAST, 70, 150, 250, 240, 250, 255);
    ArtRamp(&p, FX_DUST_FIRST, FX_DUST_LAST, 200, 180, 150, 90, 76, 64);
    return p;
}

// One frame of a burst: tapering rays from the centre, a core that fades
// with time, and for the heavier sparks a broken ring that widens. t runs
// 0..1 over the spark's life.
static BITMAP *Burst(int size, float t, int first, int last, int rays, unsigned seed)
{
    BITMAP *b = ArtBitmap(size, size);
    int c = size / 2;
    float reach = (0.35f + 0.65f * t) * (float)(c - 1);
    int hot = last - (int)(t * (float)(last - first) * 0.8f);
    for (int i = 0; i < rays; i++) {
        float a = kTau * (float)i / (float)rays + (float)ArtRandom(&seed, 100) / 300.0f;
        float len = reach * (0.5f + (float)ArtRandom(&seed, 50) / 100.0f);
        float base = 1.0f + 2.0f * (1.0f - t);
        int x = c + (int)lrintf(cosf(a) * len), y = c + (int)lrintf(sinf(a) * len);
        int px = (int)lrintf(-sinf(a) * base), py = (int)lrintf(cosf(a) * base);
        triangle(b, c + px, c + py, c - px, c - py, x, y, hot - 5);
        line(b, c, c, (c + x) / 2, (c + y) / 2, hot);
    }
    int core = (int)((1.0f - t) * (float)size / 6.0f);
    for (int r = core; r >= 0; r--)
        circlefill(b, c, c, r, hot - (core - r));
    if (rays >= 12 && t > 0.3f)
        for (int k = 0; k < 24; k += 2)
            arc(b, c, c, itofix(k * 256 / 24), itofix((k + 1) * 256 / 24), (int)reach, first + (last - first) / 2);
    return b;
}

static BITMAP *Puff(float t, unsigned seed)
{
    const int w = 48, h = 28;
    BITMAP *b = ArtBitmap(w, h);
    int spread = 6 + (int)(t * 16.0f), rise = (int)(t * 8.0f);
    int shade = FX_DUST_FIRST + (int)(t * (float)(FX_DUST_LAST - FX_DUST_FIRST));
    for (int i = 0; i < 7; i++) {
        int x = w / 2 + ArtRandom(&seed, 2 * spread + 1) - spread;
        int y = h - 5 - rise - ArtRandom(&seed, 6);
        int r = 3 + ArtRandom(&seed, 3) + (int)(t * 4.0f);
        circlefill(b, x, y, r, shade);
        circlefill(b, x - 1, y - 1, r - 2 > 0 ? r - 2 : 0, shade > FX_DUST_FIRST ? shade - 2 : shade);
    }
    return b;
}

struct FxAction {
    int action;
    int frames;
    int ticks;  // per frame
    int size;
    bool cold;
    int rays;
};

static void FxMake(GameFiles *out)
{
    ArtPalette pal = FxPalette();
    const FxAction actions[] = {
        {0, 4, 2, 32, false, 8}, {1, 5, 2, 44, false, 10}, {2, 6, 2, 60, false, 12},
        {3, 7, 2, 76, false, 16}, {40, 5, 2, 40, true, 6},  {41, 6, 2, 56, true, 8},
    };
    std::vector<SffImage> images;
    std::string air = "; fight effects: made by the sample game's tools\n";
    char line[96];
    for (const FxAction &a : actions) {
        snprintf(line, sizeof line, "\n[Begin Action %d]\n", a.action);
        air += line;
        for (int f = 0; f < a.frames; f++) {
            float t = (float)f / (float)(a.frames - 1);
            BITMAP *b = Burst(a.size, t, a.cold ? FX_COLD_FIRST : FX_HOT_FIRST, a.cold ? FX_COLD_LAST : FX_HOT_LAST,
                              a.rays, 1000u * (unsigned)a.action + (unsigned)f);
            if (!b)
                continue;
            images.push_back(ArtImageCropped(b, pal, a.action, f, a.size / 2, a.size / 2));
            destroy_bitmap(b);
            snprintf(line, sizeof line, "%d,%d, 0,0, %d, , A\n", a.action, f, a.ticks);
            air += line;
        }
    }
    air += "\n[Begin Action 120]\n";
    for (int f = 0; f < 6; f++) {
        BITMAP *b = Puff((float)f / 5.0f, 500u + (unsigned)f);
        if (!b)
            continue;
        images.push_back(ArtImageCropped(b, pal, 120, f, 24, 27));
        destroy_bitmap(b);
        snprintf(line, sizeof line, "120,%d, 0,0, 3\n", f);
        air += line;
    }
    out->push_back({"data/fightfx.sff", SffPack(images)});
    out->push_back({"data/fightfx.air", air});
}

// ---------------------------------------------------------------- the definition file

static const char kFightFiles[] =
    "; The fight screen: made by the sample game's tools\n"
    "[Files]\n"
    "sff = fight.sff\n"
    "snd = fight.snd\n"
    "fightfx.sff = fightfx.sff\n"
    "fightfx.air = fightfx.air\n"
    "common.snd = common.snd\n"
    "font1 = font/menu.fnt\n"
    "font2 = font/medium.fnt\n"
    "font3 = font/big.fnt\n"
    "\n";

// One bar per side: player 1's runs right from its position, player 2's left,
// each drawn from its own group of sprites (bg0 frame, bg1 inside, mid, front).
static std::string Bar(int p, int x, int y, int width, int group, bool counter)
{
    char buf[640];
    snprintf(buf, sizeof buf,
             "p%d.pos = %d,%d\np%d.range.x = 0,%d\np%d.bg0.spr = %d,0\np%d.bg0.layerno = 2\n"
             "p%d.bg1.spr = %d,1\np%d.bg1.layerno = 2\np%d.mid.spr = %d,0\np%d.mid.layerno = 2\n"
             "p%d.front.spr = %d,0\np%d.front.layerno = 2\n",
             p, x, y, p, width, p, group, p, p, group, p, p, group + 1, p, p, group + 2, p);
    std::string t = buf;
    if (counter) {
        snprintf(buf, sizeof buf, "p%d.counter.offset = %d,8\np%d.counter.font = 1,1,0\np%d.counter.layerno = 2\n",
                 p, width > 0 ? -12 : 12, p, p);
        t += buf;
    }
    return t;
}

static std::string Lifebars(const char *name)
{
    return std::string("[") + name + "]\n" + Bar(1, HUD_P1_LIFE_X, HUD_LIFE_Y, HUD_LIFE_W, 10, false) +
           Bar(2, HUD_P2_LIFE_X, HUD_LIFE_Y, -HUD_LIFE_W, 20, false) + "\n";
}

static std::string Powerbars()
{
    return std::string("[Powerbar]\n") + Bar(1, HUD_P1_LIFE_X, HUD_POWER_Y, HUD_POWER_W, 30, true) +
           Bar(2, HUD_P2_LIFE_X, HUD_POWER_Y, -HUD_POWER_W, 40, true) +
           "level1.snd = 10,1\nlevel2.snd = 10,2\nlevel3.snd = 10,3\n\n";
}

// The simul bars: players 1 and 2 where the single bars are, 3 and 4 below them.
static std::string SimulLifebars()
{
    return std::string("[Simul Lifebar]\n") + Bar(1, HUD_P1_LIFE_X, HUD_LIFE_Y, HUD_LIFE_W, 10, false) +
           Bar(2, HUD_P2_LIFE_X, HUD_LIFE_Y, -HUD_LIFE_W, 20, false) +
           Bar(3, HUD_P1_LIFE_X, HUD_LIFE_Y + 24, HUD_LIFE_W, 10, false) +
           Bar(4, HUD_P2_LIFE_X, HUD_LIFE_Y + 24, -HUD_LIFE_W, 20, false) + "\n";
}

static std::string FaceGroup(const char *name, int players, bool turns)
{
    std::string t = std::string("[") + name + "]\n";
    for (int p = 1; p <= players; p++) {
        bool right = (p - 1) % 2;
        int row = (p - 1) / 2;
        char buf[512];
        snprintf(buf, sizeof buf,
                 "p%d.pos = %d,%d\np%d.bg.spr = 50,0\np%d.bg.offset = %d,0\np%d.bg.layerno = 2\n"
                 "p%d.face.spr = 9000,0\np%d.face.offset = %d,2\np%d.face.layerno = 2\np%d.facing = %d\n",
                 p, right ? 316 : 4, 4 + row * 30, p, p, right ? -28 : 0, p, p, p, right ? -2 : 2, p, p,
                 right ? -1 : 1);
        t += buf;
        if (turns) {
            snprintf(buf, sizeof buf,
                     "p%d.teammate.pos = %d,36\np%d.teammate.spacing = %d,0\n"
                     "p%d.teammate.bg.spr = 50,1\np%d.teammate.bg.layerno = 2\n"
                     "p%d.teammate.face.spr = 9000,0\np%d.teammate.face.scale = .5,.5\n"
                     "p%d.teammate.face.offset = %d,1\np%d.teammate.face.layerno = 2\n"
                     "p%d.teammate.ko.spr = 50,2\np%d.teammate.ko.offset = %d,1\np%d.teammate.ko.layerno = 2\n",
                     p, right ? 302 : 4, p, right ? -16 : 16, p, p, p, p, p, right ? 13 : 1, p, p, p,
                     right ? 13 : 1, p);
            t += buf;
        }
    }
    return t + "\n";
}

static std::string NameGroup(const char *name, int players)
{
    std::string t = std::string("[") + name + "]\n";
    for (int p = 1; p <= players; p++) {
        bool right = (p - 1) % 2;
        int row = (p - 1) / 2;
        char buf[256];
        snprintf(buf, sizeof buf, "p%d.pos = %d,%d\np%d.name.font = 1,0,%d\np%d.name.layerno = 2\n", p,
                 right ? 284 : 36, 28 + row * 24, p, right ? -1 : 1, p);
        t += buf;
    }
    return t + "\n";
}

static const char kFightDefTail[] =
    "[Time]\n"
    "pos = 160,6\n"
    "bg.spr = 60,0\n"
    "bg.layerno = 2\n"
    "counter.offset = 0,22\n"
    "counter.font = 2,1,0\n"
    "counter.layerno = 2\n"
    "framespercount = 60\n"
    "\n"
    "[Combo]\n"
    "pos = 10,96\n"
    "start.x = -60\n"
    "counter.font = 2,1\n"
    "counter.shake = 1\n"
    "text.font = 1,0\n"
    "text.text = \"Hits!\"\n"
    "text.offset = 3,-2\n"
    "displaytime = 90\n"
    "\n"
    "[Round]\n"
    "match.wins = 2\n"
    "match.maxdrawgames = 1\n"
    "start.waittime = 30\n"
    "pos = 160,104\n"
    "round.time = 16\n"
    "round.sndtime = 16\n"
    "round.default.font = 3,0,0\n"
    "round.default.text = \"Round %i\"\n"
    "round.default.displaytime = 56\n"
    "round.default.offset = 0,0\n"
    "round.default.layerno = 2\n"
    "round1.snd = 1,1\n"
    "round2.snd = 1,2\n"
    "round3.snd = 1,3\n"
    "round4.snd = 1,4\n"
    "round5.snd = 1,5\n"
    "round6.snd = 1,6\n"
    "round7.snd = 1,7\n"
    "round8.snd = 1,8\n"
    "round9.snd = 1,9\n"
    "intro.time = 76\n"
    "fight.anim = 100\n"
    "fight.offset = 0,0\n"
    "fight.layerno = 2\n"
    "fight.time = 0\n"
    "fight.sndtime = 0\n"
    "fight.snd = 2,0\n"
    "ctrl.time = 28\n"
    "KO.anim = 110\n"
    "KO.offset = 0,0\n"
    "KO.layerno = 2\n"
    "DKO.font = 3,3,0\n"
    "DKO.text = \"Double K.O.\"\n"
    "DKO.displaytime = 80\n"
    "DKO.offset = 0,0\n"
    "DKO.layerno = 2\n"
    "TO.font = 3,4,0\n"
    "TO.text = \"Time Over\"\n"
    "TO.displaytime = 80\n"
    "TO.offset = 0,0\n"
    "TO.layerno = 2\n"
    "KO.time = 0\n"
    "KO.sndtime = 0\n"
    "KO.snd = 3,0\n"
    "DKO.snd = 3,1\n"
    "TO.snd = 3,2\n"
    "win.time = 60\n"
    "win.font = 3,0,0\n"
    "win.text = \"%s Wins!\"\n"
    "win.displaytime = 90\n"
    "win.offset = 0,0\n"
    "win.layerno = 2\n"
    "win2.font = 3,0,0\n"
    "win2.text = \"%s & %s Win!\"\n"
    "win2.displaytime = 90\n"
    "win2.offset = 0,0\n"
    "win2.layerno = 2\n"
    "draw.font = 3,2,0\n"
    "draw.text = \"Draw Game\"\n"
    "draw.displaytime = 90\n"
    "draw.offset = 0,0\n"
    "draw.layerno = 2\n"
    "win.snd = 4,0\n"
    "lose.snd = 4,1\n"
    "draw.snd = 4,2\n"
    "slow.time = 60\n"
    "over.waittime = 45\n"
    "over.hittime = 10\n"
    "over.wintime = 45\n"
    "over.time = 210\n"
    "\n"
    "[WinIcon]\n"
    "p1.pos = 133,20\n"
    "p1.iconoffset = -10,0\n"
    "p1.counter.offset = 4,9\n"
    "p1.counter.font = 1,1,-1\n"
    "p1.counter.layerno = 2\n"
    "p2.pos = 179,20\n"
    "p2.iconoffset = 10,0\n"
    "p2.counter.offset = 4,9\n"
    "p2.counter.font = 1,1,1\n"
    "p2.counter.layerno = 2\n"
    "useiconupto = 4\n";

static std::string WinIconKinds()
{
    static const char *const kinds[9] = {"n", "s", "h", "throw", "t", "c", "suicide", "teammate", "perfect"};
    std::string t;
    char buf[128];
    for (int p = 1; p <= 2; p++)
        for (int k = 0; k < 9; k++) {
            snprintf(buf, sizeof buf, "p%d.%s.spr = 70,%d\np%d.%s.layerno = 2\n", p, kinds[k], k, p, kinds[k]);
            t += buf;
        }
    return t + "\n";
}

// The fight announcement: the word grows in over four frames and holds; the
// KO shakes once it has landed.
static const char kFightAnims[] =
    "; announcements\n"
    "[Begin Action 100]\n"
    "100,0, 0,0, 2\n"
    "100,1, 0,0, 2\n"
    "100,2, 0,0, 2\n"
    "100,3, 0,0, 44\n"
    "100,3, 0,0, 2, , A\n"
    "100,3, 0,0, 2\n"
    "100,3, 0,0, 2, , A\n"
    "\n"
    "[Begin Action 110]\n"
    "110,0, 0,0, 2\n"
    "110,1, 0,0, 2\n"
    "110,2, 0,0, 3\n"
    "110,2, -2,1, 2\n"
    "110,2, 2,-1, 2\n"
    "110,2, -1,0, 2\n"
    "110,2, 0,0, 70\n";

static void DefMake(GameFiles *out)
{
    std::string t = kFightFiles;
    t += Lifebars("Lifebar");
    t += Powerbars();
    t += Lifebars("Turns Lifebar");
    t += SimulLifebars();
    t += FaceGroup("Face", 2, false);
    t += FaceGroup("Simul Face", 4, false);
    t += FaceGroup("Turns Face", 2, true);
    t += NameGroup("Name", 2);
    t += NameGroup("Simul Name", 4);
    t += NameGroup("Turns Name", 4);
    t += kFightDefTail;
    t += WinIconKinds();
    t += kFightAnims;
    out->push_back({"data/fight.def", t});
}

static void SpritesMake(GameFiles *out)
{
    ArtPalette pal = HudPalette();
    std::vector<SffImage> images;
    const int lw = HUD_LIFE_W, lh = HUD_LIFE_H;
    // Player 2's bars are player 1's pictures with their axis at the right
    // end: the sprite file links them.
    for (int side = 0; side < 2; side++) {
        int g = side ? 20 : 10;
        int right = side ? 1 : 0;
        ArtImagePut(&images, Frame(lw + 4, lh + 4), pal, g, 0, right ? lw + 1 : 2, 2);
        ArtImagePut(&images, Fill(lw, lh, HUD_BACK_FIRST, HUD_BACK_LAST), pal, g, 1, right ? lw - 1 : 0, 0);
        ArtImagePut(&images, Fill(lw, lh, HUD_RED_FIRST, HUD_RED_LAST), pal, g + 1, 0, right ? lw - 1 : 0, 0);
        ArtImagePut(&images, Fill(lw, lh, HUD_LIFE_FIRST, HUD_LIFE_LAST), pal, g + 2, 0, right ? lw - 1 : 0, 0);
    }
    const int pw = HUD_POWER_W, ph = HUD_POWER_H;
    for (int side = 0; side < 2; side++) {
        int g = side ? 40 : 30;
        int right = side ? 1 : 0;
        ArtImagePut(&images, Frame(pw + 4, ph + 4), pal, g, 0, right ? pw + 1 : 2, 2);
        ArtImagePut(&images, Fill(pw, ph, HUD_BACK_FIRST, HUD_BACK_LAST), pal, g, 1, right ? pw - 1 : 0, 0);
        ArtImagePut(&images, Fill(pw, ph, HUD_POWER_MID_FIRST, HUD_POWER_MID_LAST), pal, g + 1, 0, right ? pw - 1 : 0,
                    0);
        ArtImagePut(&images, Fill(pw, ph, HUD_POWER_FIRST, HUD_POWER_LAST), pal, g + 2, 0, right ? pw - 1 : 0, 0);
    }
    ArtImagePut(&images, Frame(28, 28), pal, 50, 0, 0, 0);
    ArtImagePut(&images, Frame(14, 14), pal, 50, 1, 0, 0);
    ArtImagePut(&images, KoMark(), pal, 50, 2, 0, 0);
    ArtImagePut(&images, TimerBox(), pal, 60, 0, 15, 0);
    for (int k = 0; k < 9; k++)
        ArtImagePut(&images, WinIcon(k), pal, 70, k, 0, 0);
    for (int f = 0; f < 4; f++)
        images.push_back(Word(pal, "FIGHT!", 2 + f, HUD_ANNOUNCE_FIRST, HUD_ANNOUNCE_LAST, 100, f));
    for (int f = 0; f < 3; f++)
        images.push_back(Word(pal, "K.O.", 7 - f, HUD_KO_FIRST, HUD_KO_LAST, 110, f));
    out->push_back({"data/fight.sff", SffPack(images)});
}

void HudFilesMake(GameFiles *out)
{
    ArtStart();
    DefMake(out);
    SpritesMake(out);
    FxMake(out);
}
