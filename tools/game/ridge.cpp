// Sample-game stage: a sunset ridge of parallax layers, a perspective floor and a waving flag.
#include "game/ridge.h"

#include <allegro.h>
#include <cmath>


static const float kTau = 6.2831853f;

ArtPalette RidgePalette()
{
    ArtPalette p;
    ArtRamp(&p, RIDGE_SKY_FIRST, 24, 22, 18, 64, 160, 70, 130);
    ArtRamp(&p, 25, RIDGE_SKY_LAST, 170, 78, 128, 255, 184, 96);
    ArtRamp(&p, RIDGE_SUN_FIRST, RIDGE_SUN_LAST, 255, 248, 214, 255, 160, 70);
    ArtRamp(&p, RIDGE_CLOUD_FIRST, RIDGE_CLOUD_LAST, 255, 214, 204, 130, 80, 130);
    ArtRamp(&p, RIDGE_MOUNT_FIRST, RIDGE_MOUNT_LAST, 200, 170, 210, 70, 48, 110);
    ArtRamp(&p, RIDGE_HILL_FIRST, RIDGE_HILL_LAST, 72, 84, 122, 30, 36, 72);
    ArtRamp(&p, RIDGE_RIDGE_FIRST, RIDGE_RIDGE_LAST, 44, 52, 62, 10, 14, 22);
    ArtRamp(&p, RIDGE_FLOOR_FIRST, RIDGE_FLOOR_LAST, 84, 62, 52, 178, 146, 108);
    ArtRamp(&p, RIDGE_GRASS_FIRST, RIDGE_GRASS_LAST, 130, 176, 80, 26, 58, 24);
    ArtRamp(&p, RIDGE_FLAG_FIRST, RIDGE_FLAG_LAST, 250, 90, 60, 120, 20, 30);
    ArtColourSet(&p, RIDGE_LINE, 52, 36, 30);
    return p;
}

// The sky fills the whole screen and stands still: stars above, the sun low.
static BITMAP *Sky()
{
    BITMAP *b = ArtBitmap(320, 240);
    ArtGradientRect(b, 0, 0, 319, 239, RIDGE_SKY_FIRST, RIDGE_SKY_LAST, true);
    unsigned seed = 7;
    for (int i = 0; i < 40; i++) {
        int x = ArtRandom(&seed, 320), y = ArtRandom(&seed, 70);
        putpixel(b, x, y, RIDGE_SUN_FIRST + ArtRandom(&seed, 3));
    }
    for (int r = 30; r >= 18; r--)
        circle(b, 230, 118, r, RIDGE_SKY_LAST - (30 - r) / 3);
    for (int r = 18; r >= 0; r--)
        circlefill(b, 230, 118, r, RIDGE_SUN_LAST - (18 - r) * (RIDGE_SUN_LAST - RIDGE_SUN_FIRST) / 18);
    return b;
}

// Heaps of ellipses, drawn twice a width apart so that the strip tiles.
static BITMAP *Clouds()
{
    const int w = 256, h = 56;
    BITMAP *b = ArtBitmap(w, h);
    unsigned seed = 21;
    for (int c = 0; c < 5; c++) {
        int cx = c * w / 5 + ArtRandom(&seed, 30), cy = 20 + ArtRandom(&seed, 20);
        for (int k = 0; k < 6; k++) {
            int ox = ArtRandom(&seed, 40) - 20, oy = ArtRandom(&seed, 10) - 5;
            int rx = 10 + ArtRandom(&seed, 14), ry = 4 + ArtRandom(&seed, 5);
            for (int copy = -1; copy <= 1; copy++) {
                int x = cx + ox + copy * w;
                ellipsefill(b, x, cy + oy + 2, rx, ry, RIDGE_CLOUD_LAST - 3);
                ellipsefill(b, x, cy + oy, rx - 2, ry - 1, RIDGE_CLOUD_FIRST + 3 + ArtRandom(&seed, 4));
            }
        }
    }
    return b;
}

// A ridge line made of whole periods of sines, so that it tiles across the
// width; below it the layer is filled down to its bottom.
static BITMAP *Range(int w, int h, int first, int last, float base, const float (*waves)[3], int count,
                     int snowLine)
{
    BITMAP *b = ArtBitmap(w, h);
    for (int x = 0; x < w; x++) {
        float top = base;
        for (int k = 0; k < count; k++)
            top += waves[k][0] * sinf(kTau * waves[k][1] * (float)x / (float)w + waves[k][2]);
        int y0 = (int)top;
        for (int y = y0; y < h; y++) {
            float t = (float)(y - y0) / 40.0f;
            int c = ArtDither(first + 2, last, t, x, y);
            if (y - y0 < 4 && y0 < snowLine)
                c = first;
            putpixel(b, x, y, c);
        }
    }
    return b;
}

static BITMAP *Mountains()
{
    static const float waves[][3] = {{16, 2, 0.3f}, {10, 5, 1.0f}, {5, 11, 2.0f}, {2, 23, 0.5f}};
    return Range(320, 150, RIDGE_MOUNT_FIRST, RIDGE_MOUNT_LAST, 40, waves, 4, 32);
}

static BITMAP *Hills()
{
    static const float waves[][3] = {{12, 3, 0.0f}, {6, 7, 2.0f}};
    return Range(256, 120, RIDGE_HILL_FIRST, RIDGE_HILL_LAST, 30, waves, 2, -1);
}

// Dark rocks and pines in front of the hills.
static BITMAP *Ridge()
{
    static const float waves[][3] = {{5, 4, 1.0f}, {3, 9, 0.0f}};
    const int w = 320, h = 90;
    BITMAP *b = Range(w, h, RIDGE_RIDGE_FIRST, RIDGE_RIDGE_LAST, 50, waves, 2, -1);
    unsigned seed = 99;
    for (int i = 0; i < 14; i++) {
        int x = ArtRandom(&seed, w), hgt = 18 + ArtRandom(&seed, 26), half = hgt / 4 + 2;
        int base = 52 + ArtRandom(&seed, 6);
        for (int copy = -1; copy <= 1; copy++) {
            int cx = x + copy * w;
            triangle(b, cx - half, base, cx + half, base, cx, base - hgt, RIDGE_RIDGE_LAST - 2);
            triangle(b, cx - half + 2, base - hgt / 3, cx + half - 2, base - hgt / 3, cx, base - hgt - 2,
                     RIDGE_RIDGE_LAST - 4);
            vline(b, cx, base, base + 3, RIDGE_RIDGE_LAST);
        }
    }
    return b;
}

// Stone slabs: joints every 40 columns, rows further apart toward the near edge.
static BITMAP *Floor()
{
    const int w = 320, h = 240 - RIDGE_FLOOR_TOP;
    BITMAP *b = ArtBitmap(w, h);
    unsigned seed = 5;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float t = 0.25f + 0.75f * (float)y / (float)(h - 1) + (float)(ArtRandom(&seed, 9) - 4) / 120.0f;
            putpixel(b, x, y, ArtDither(RIDGE_FLOOR_FIRST, RIDGE_FLOOR_LAST, t, x, y));
        }
    int row = 0;
    for (int step = 3; row + step < h; step += 2) {
        row += step;
        hline(b, 0, row, w - 1, RIDGE_LINE);
    }
    for (int x = 0; x < w; x += 40)
        vline(b, x, 0, h - 1, RIDGE_LINE);
    // A grass edge along the far side.
    for (int x = 0; x < w; x++)
        vline(b, x, 0, 1 + ArtRandom(&seed, 2), RIDGE_GRASS_LAST - ArtRandom(&seed, 4));
    return b;
}

// Tufts along the bottom edge of the screen, in front of the fighters.
static BITMAP *FrontGrass()
{
    const int w = 256, h = 20;
    BITMAP *b = ArtBitmap(w, h);
    unsigned seed = 64;
    for (int i = 0; i < 22; i++) {
        int x = ArtRandom(&seed, w);
        for (int k = 0; k < 5; k++) {
            int dx = ArtRandom(&seed, 9) - 4, tip = 4 + ArtRandom(&seed, 12);
            int c = RIDGE_GRASS_FIRST + 4 + ArtRandom(&seed, 10);
            for (int copy = -1; copy <= 1; copy++) {
                int bx = x + dx + copy * w;
                triangle(b, bx - 1, h - 1, bx + 2, h - 1, bx + dx / 2, tip, c);
            }
        }
    }
    return b;
}

// One frame of the flag: a pole with a cloth whose wave moves along it.
static BITMAP *Flag(int frame)
{
    BITMAP *b = ArtBitmap(40, 50);
    vline(b, 2, 2, 49, RIDGE_RIDGE_LAST);
    vline(b, 3, 2, 49, RIDGE_RIDGE_LAST - 3);
    for (int x = 0; x < 30; x++) {
        int wave = (int)lrintf(2.5f * sinf(kTau * ((float)x / 18.0f - (float)frame / 4.0f)));
        int top = 4 + wave + x / 10, bottom = 20 + wave - x / 12;
        int shade = wave > 0 ? 2 : wave < 0 ? 5 : 3;
        vline(b, 4 + x, top, bottom, RIDGE_FLAG_FIRST + shade);
    }
    return b;
}

static const char kStageDef[] =
    "; Sunset Ridge: a stage made by the sample game's tools\n"
    "[Info]\n"
    "name = \"Sunset Ridge\"\n"
    "\n"
    "[Camera]\n"
    "startx = 0\n"
    "starty = 0\n"
    "boundleft = -150\n"
    "boundright = 150\n"
    "boundhigh = -40\n"
    "boundlow = 0\n"
    "tension = 50\n"
    "verticalfollow = .2\n"
    "floortension = 0\n"
    "\n"
    "[PlayerInfo]\n"
    "p1startx = -70\n"
    "p1starty = 0\n"
    "p1startz = 0\n"
    "p1facing = 1\n"
    "p2startx = 70\n"
    "p2starty = 0\n"
    "p2startz = 0\n"
    "p2facing = -1\n"
    "leftbound = -1000\n"
    "rightbound = 1000\n"
    "topbound = 0\n"
    "botbound = 0\n"
    "\n"
    "[Scaling]\n"
    "topz = 0\n"
    "botz = 50\n"
    "topscale = 1\n"
    "botscale = 1.2\n"
    "\n"
    "[Bound]\n"
    "screenleft = 15\n"
    "screenright = 15\n"
    "\n"
    "[StageInfo]\n"
    "zoffset = 200\n"
    "autoturn = 1\n"
    "resetbg = 1\n"
    "\n"
    "[Shadow]\n"
    "intensity = 96\n"
    "color = 40,16,64\n"
    "yscale = .3\n"
    "fade.range = 0,0\n"
    "\n"
    "[Reflection]\n"
    "intensity = 0\n"
    "\n"
    "[BGdef]\n"
    "spr = ridge.sff\n"
    "debugbg = 0\n"
    "\n"
    "[BG sky]\n"
    "type = normal\n"
    "spriteno = 0,0\n"
    "start = 0,0\n"
    "delta = 0,0\n"
    "mask = 0\n"
    "\n"
    "[BG clouds]\n"
    "type = normal\n"
    "spriteno = 1,0\n"
    "start = 0,16\n"
    "delta = .1,.1\n"
    "velocity = -.15,0\n"
    "tile = 1,0\n"
    "mask = 1\n"
    "\n"
    "[BG mountains]\n"
    "type = normal\n"
    "spriteno = 2,0\n"
    "start = 0,70\n"
    "delta = .25,.25\n"
    "tile = 1,0\n"
    "mask = 1\n"
    "\n"
    "[BG hills]\n"
    "type = normal\n"
    "spriteno = 3,0\n"
    "start = 0,110\n"
    "delta = .5,.5\n"
    "tile = 1,0\n"
    "mask = 1\n"
    "\n"
    "[BG ridge]\n"
    "type = normal\n"
    "spriteno = 4,0\n"
    "start = 0,122\n"
    "delta = .75,.75\n"
    "tile = 1,0\n"
    "mask = 1\n"
    "\n"
    "[BG flag]\n"
    "type = anim\n"
    "actionno = 10\n"
    "start = 96,174\n"
    "delta = .75,.75\n"
    "\n"
    "[BG floor]\n"
    "type = parallax\n"
    "spriteno = 5,0\n"
    "start = 0,184\n"
    "delta = 1,1\n"
    "width = 320,640\n"
    "tile = 1,0\n"
    "mask = 0\n"
    "\n"
    "[BG grass]\n"
    "type = normal\n"
    "spriteno = 6,0\n"
    "layerno = 1\n"
    "start = 0,222\n"
    "delta = 1.3,1\n"
    "tile = 1,0\n"
    "mask = 1\n"
    "\n"
    "[Begin Action 10]\n"
    "10,0, 0,0, 8\n"
    "10,1, 0,0, 8\n"
    "10,2, 0,0, 8\n"
    "10,3, 0,0, 8\n";

void RidgeFilesMake(GameFiles *out)
{
    ArtStart();
    ArtPalette pal = RidgePalette();
    std::vector<SffImage> images;
    struct Layer {
        BITMAP *(*make)();
        int group, axisX;
    };
    const Layer layers[] = {{Sky, 0, 160},   {Clouds, 1, 0},  {Mountains, 2, 0}, {Hills, 3, 0},
                            {Ridge, 4, 0},   {Floor, 5, 160}, {FrontGrass, 6, 0}};
    for (const Layer &l : layers)
        ArtImagePut(&images, l.make(), pal, l.group, 0, l.axisX, 0);
    for (int f = 0; f < 4; f++)
        ArtImagePut(&images, Flag(f), pal, 10, f, 2, 49);
    out->push_back({"stages/ridge.sff", SffPack(images)});
    out->push_back({"stages/ridge.def", kStageDef});
}
