// Sample-game motif: the system file with the title, select, versus and option screens, the select file and the logo and intro storyboards.
#include "game/motif.h"

#include <allegro.h>
#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "game/glyphs.h"
#include "game/lettering.h"

const char *const kMotifCharacters[2] = {"brask", "lira"};

// Both sides' team menus share the middle column between the large
// portraits, player 1's above player 2's, each box wholly clear of both
// portraits: a cooperative team's second member shows on the other side
// while the opponent team's menu, laid out as that side's, is open. Player
// 2's menu is player 1's mirrored: right-aligned, its arrow right of the
// item, its value icons running left.
enum {
    MENU_BOX_LEFT = 105,
    MENU_BOX_W = 110,
    MENU_BOX_H = 56,
    MENU_BOX_TOP = 28,
    MENU_BOX_GAP = 4,
};

static ArtPalette SystemPalette()
{
    ArtPalette p;
    ArtRamp(&p, MOTIF_ART_BACK_FIRST, MOTIF_ART_BACK_LAST, 8, 10, 36, 88, 36, 104);
    ArtRamp(&p, MOTIF_ART_BEAM_FIRST, MOTIF_ART_BEAM_LAST, 60, 40, 110, 200, 150, 220);
    ArtRamp(&p, MOTIF_ART_GOLD_FIRST, 56, 255, 255, 224, 255, 214, 70);
    ArtRamp(&p, 57, MOTIF_ART_GOLD_LAST, 250, 196, 50, 170, 80, 10);
    ArtRamp(&p, MOTIF_ART_RED_FIRST, MOTIF_ART_RED_LAST, 255, 120, 100, 120, 10, 20);
    ArtRamp(&p, MOTIF_ART_BLUE_FIRST, MOTIF_ART_BLUE_LAST, 130, 190, 255, 10, 30, 120);
    ArtRamp(&p, MOTIF_ART_METAL_FIRST, MOTIF_ART_METAL_LAST, 20, 20, 30, 210, 214, 230);
    ArtRamp(&p, MOTIF_ART_SHADE_FIRST, MOTIF_ART_SHADE_LAST, 30, 20, 50, 6, 4, 12);
    ArtRamp(&p, MOTIF_ART_STRIPE_FIRST, MOTIF_ART_STRIPE_LAST, 30, 26, 70, 50, 40, 100);
    ArtRamp(&p, MOTIF_ART_GREY_FIRST, MOTIF_ART_GREY_LAST, 255, 255, 255, 110, 110, 130);
    ArtColourSet(&p, MOTIF_ART_EDGE, 12, 6, 2);
    return p;
}

// Big outlined lettering cut to its box; the axis is its centre.
static SffImage Lettering(const ArtPalette &pal, const char *text, int scale, int first, int last, int group,
                          int number)
{
    int w = LetterWidth(text, LETTER_REGULAR, scale) + 8;
    int h = LetterHeight(LETTER_REGULAR, scale) + 8;
    BITMAP *b = ArtBitmap(w, h);
    LetterStamp(b, text, 4, 4, LETTER_REGULAR, scale, first, last);
    ArtOutline(b, MOTIF_ART_EDGE);
    ArtOutline(b, MOTIF_ART_SHADE_LAST);
    SffImage img = ArtImageCropped(b, pal, group, number, w / 2, 4 + GLYPH_REGULAR_BASE * scale / 2);
    destroy_bitmap(b);
    return img;
}

// Night sky with slanting beams of light and a ridge of hills at the bottom.
static BITMAP *TitleBack()
{
    BITMAP *b = ArtBitmap(320, 240);
    ArtGradientRect(b, 0, 0, 319, 239, MOTIF_ART_BACK_FIRST, MOTIF_ART_BACK_LAST, true);
    for (int k = 0; k < 5; k++) {
        int x = 30 + k * 64;
        for (int y = 0; y < 240; y++) {
            int from = x + y / 3 - 6, to = x + y / 3 + 6;
            for (int px = from; px <= to; px++) {
                float t = 1.0f - fabsf((float)(px - (x + y / 3))) / 7.0f - (float)y / 300.0f;
                if (t > 0.15f)
                    putpixel(b, px, y, ArtDither(MOTIF_ART_BEAM_FIRST, MOTIF_ART_BEAM_FIRST + 8, t, px, y));
            }
        }
    }
    for (int x = 0; x < 320; x++) {
        int top = 200 + (int)(10 * sinf((float)x / 30.0f) + 6 * sinf((float)x / 11.0f + 1.0f));
        vline(b, x, top, 239, MOTIF_ART_SHADE_LAST - (x / 7) % 2);
    }
    return b;
}

// Diagonal bands that tile in both directions.
static BITMAP *Stripes()
{
    BITMAP *b = ArtBitmap(32, 32);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            putpixel(b, x, y, ((x + y) / 8) % 2 ? MOTIF_ART_STRIPE_FIRST : MOTIF_ART_STRIPE_FIRST + 3);
    return b;
}

static BITMAP *Plain()
{
    BITMAP *b = ArtBitmap(320, 240);
    ArtGradientRect(b, 0, 0, 319, 239, MOTIF_ART_BACK_FIRST, MOTIF_ART_BACK_LAST - 12, true);
    return b;
}

static BITMAP *TitleBar()
{
    BITMAP *b = ArtBitmap(320, 24);
    ArtGradientRect(b, 0, 0, 319, 23, MOTIF_ART_METAL_FIRST + 2, MOTIF_ART_METAL_FIRST, true);
    hline(b, 0, 23, 319, MOTIF_ART_GOLD_LAST);
    return b;
}

// Half of the versus screen: a panel in a side's colour, the two meeting on
// a slanted line. The right panel's picture starts at screen column 144.
static BITMAP *VsPanel(bool right)
{
    BITMAP *b = ArtBitmap(176, 240);
    int first = right ? MOTIF_ART_BLUE_FIRST : MOTIF_ART_RED_FIRST, last = right ? MOTIF_ART_BLUE_LAST : MOTIF_ART_RED_LAST;
    for (int y = 0; y < 240; y++) {
        int edge = 160 + (y - 120) / 8;
        for (int x = 0; x < 176; x++) {
            int screen = right ? 144 + x : x;
            if (right ? screen <= edge : screen > edge)
                continue;
            int c = screen == edge || screen == edge + 1 ? MOTIF_ART_GOLD_FIRST + 4
                    : ArtDither(last, first + 2, 1.0f - (float)abs(screen - 160) / 160.0f, screen, y);
            putpixel(b, x, y, c);
        }
    }
    return b;
}

static BITMAP *Box(int w, int h, int frame, int fillFirst, int fillLast)
{
    BITMAP *b = ArtBitmap(w, h);
    ArtGradientRect(b, 0, 0, w - 1, h - 1, fillFirst, fillLast, true);
    rect(b, 0, 0, w - 1, h - 1, frame);
    return b;
}

static BITMAP *Cursor(int colour, bool done)
{
    BITMAP *b = ArtBitmap(28, 28);
    rect(b, 0, 0, 27, 27, colour);
    rect(b, 1, 1, 26, 26, colour + 2);
    if (done)
        rect(b, 2, 2, 25, 25, colour + 4);
    return b;
}

static BITMAP *RandomCell()
{
    BITMAP *b = ArtBitmap(24, 24);
    ArtGradientRect(b, 0, 0, 23, 23, MOTIF_ART_STRIPE_LAST, MOTIF_ART_STRIPE_FIRST, true);
    LetterStamp(b, "?", 7, 3, LETTER_REGULAR, 2, MOTIF_ART_GOLD_FIRST, MOTIF_ART_GOLD_LAST);
    return b;
}

static BITMAP *Pip(bool full)
{
    BITMAP *b = ArtBitmap(7, 7);
    circlefill(b, 3, 3, 3, MOTIF_ART_EDGE);
    circlefill(b, 3, 3, 2, full ? MOTIF_ART_GOLD_FIRST + 6 : MOTIF_ART_METAL_FIRST + 2);
    return b;
}

static BITMAP *Arrow()
{
    BITMAP *b = ArtBitmap(6, 9);
    triangle(b, 0, 0, 0, 8, 5, 4, MOTIF_ART_GOLD_FIRST + 4);
    return b;
}

static void SystemSpritesMake(GameFiles *out)
{
    ArtPalette pal = SystemPalette();
    std::vector<SffImage> images;
    ArtImagePut(&images, TitleBack(), pal, 0, 0, 160, 0);
    images.push_back(Lettering(pal, "VELOK", 7, MOTIF_ART_GOLD_FIRST, MOTIF_ART_GOLD_LAST, 1, 0));
    images.push_back(Lettering(pal, "a sample game", 1, MOTIF_ART_GREY_FIRST, MOTIF_ART_GREY_LAST, 1, 1));
    ArtImagePut(&images, Stripes(), pal, 2, 0, 0, 0);
    ArtImagePut(&images, TitleBar(), pal, 3, 0, 160, 0);
    ArtImagePut(&images, VsPanel(false), pal, 4, 0, 0, 0);
    ArtImagePut(&images, VsPanel(true), pal, 4, 1, 175, 0);
    images.push_back(Lettering(pal, "VS", 5, MOTIF_ART_GOLD_FIRST, MOTIF_ART_GOLD_LAST, 4, 2));
    ArtImagePut(&images, Plain(), pal, 5, 0, 160, 0);
    ArtImagePut(&images, Box(26, 26, MOTIF_ART_METAL_FIRST + 4, MOTIF_ART_SHADE_FIRST, MOTIF_ART_SHADE_LAST), pal, 150,
                0, 0, 0);
    ArtImagePut(&images, RandomCell(), pal, 151, 0, 0, 0);
    ArtImagePut(&images, Cursor(MOTIF_ART_RED_FIRST, false), pal, 160, 0, 1, 1);
    ArtImagePut(&images, Cursor(MOTIF_ART_RED_FIRST, true), pal, 161, 0, 1, 1);
    ArtImagePut(&images, Cursor(MOTIF_ART_BLUE_FIRST, false), pal, 162, 0, 1, 1);
    ArtImagePut(&images, Cursor(MOTIF_ART_BLUE_FIRST, true), pal, 163, 0, 1, 1);
    ArtImagePut(&images, Box(MENU_BOX_W, MENU_BOX_H, MOTIF_ART_METAL_LAST - 2, MOTIF_ART_SHADE_FIRST,
                             MOTIF_ART_SHADE_LAST),
                pal, 170, 0, 0, 0);
    ArtImagePut(&images, Arrow(), pal, 171, 0, 8, 8);
    ArtImagePut(&images, Pip(true), pal, 172, 0, 0, 6);
    ArtImagePut(&images, Pip(false), pal, 172, 1, 0, 6);
    out->push_back({"data/system.sff", SffPack(images)});
}

// ---------------------------------------------------------------- the system file

static const char kSystemHead[] =
    "; The motif: made by the sample game's tools\n"
    "[Info]\n"
    "name = \"Sample\"\n"
    "\n"
    "[Files]\n"
    "spr = system.sff\n"
    "snd = system.snd\n"
    "logo.storyboard = logo.def\n"
    "intro.storyboard = intro.def\n"
    "select = select.def\n"
    "fight = fight.def\n"
    "font1 = font/menu.fnt\n"
    "font2 = font/medium.fnt\n"
    "font3 = font/big.fnt\n"
    "\n"
    "[Title Info]\n"
    "fadein.time = 10\n"
    "fadeout.time = 10\n"
    "menu.pos = 160,136\n"
    "menu.item.font = 1,0,0\n"
    "menu.item.active.font = 1,1,0\n"
    "menu.item.spacing = 0,13\n"
    "menu.window.margins.y = 12,8\n"
    "menu.window.visibleitems = 5\n"
    "menu.boxcursor.visible = 1\n"
    "menu.boxcursor.coords = -44,-11,43,2\n"
    "cursor.move.snd = 100,0\n"
    "cursor.done.snd = 100,1\n"
    "cancel.snd = 100,2\n"
    "\n"
    "[Option Info]\n"
    "cursor.move.snd = 100,0\n"
    "cursor.done.snd = 100,1\n"
    "cancel.snd = 100,2\n"
    "\n"
    "[Select Info]\n"
    "fadein.time = 10\n"
    "fadeout.time = 10\n"
    "rows = 2\n"
    "columns = 4\n"
    "wrapping = 1\n"
    "pos = 105,150\n"
    "showemptyboxes = 1\n"
    "moveoveremptyboxes = 0\n"
    "cell.size = 26,26\n"
    "cell.spacing = 2\n"
    "cell.bg.spr = 150,0\n"
    "cell.random.spr = 151,0\n"
    "cell.random.offset = 1,1\n"
    "cell.random.switchtime = 4\n"
    "p1.cursor.startcell = 0,0\n"
    "p1.cursor.active.spr = 160,0\n"
    "p1.cursor.done.spr = 161,0\n"
    "p1.cursor.move.snd = 100,0\n"
    "p1.cursor.done.snd = 100,3\n"
    "p1.random.move.snd = 100,4\n"
    "p2.cursor.startcell = 0,1\n"
    "p2.cursor.active.spr = 162,0\n"
    "p2.cursor.done.spr = 163,0\n"
    "p2.cursor.blink = 1\n"
    "p2.cursor.move.snd = 100,0\n"
    "p2.cursor.done.snd = 100,3\n"
    "p2.random.move.snd = 100,4\n"
    "random.move.snd.cancel = 1\n"
    "stage.move.snd = 100,0\n"
    "stage.done.snd = 100,1\n"
    "cancel.snd = 100,2\n"
    "portrait.offset = 1,1\n"
    "portrait.scale = 1,1\n"
    "title.offset = 160,19\n"
    "title.font = 2,0,0\n"
    "p1.face.offset = 6,28\n"
    "p1.face.scale = 1,1\n"
    "p1.face.facing = 1\n"
    "p2.face.offset = 313,28\n"
    "p2.face.scale = 1,1\n"
    "p2.face.facing = -1\n"
    "p1.name.offset = 8,160\n"
    "p1.name.font = 1,3,1\n"
    "p2.name.offset = 311,160\n"
    "p2.name.font = 1,4,-1\n"
    "stage.pos = 160,226\n"
    "stage.active.font = 1,0,0\n"
    "stage.active2.font = 1,1,0\n"
    "stage.done.font = 1,1,0\n"
    "teammenu.move.wrapping = 1\n";

static std::string TeamMenu(int p)
{
    bool right = p == 2;
    int dir = right ? -1 : 1;
    int x = right ? MENU_BOX_LEFT + MENU_BOX_W - 1 : MENU_BOX_LEFT;
    int y = MENU_BOX_TOP + (right ? MENU_BOX_H + MENU_BOX_GAP : 0);
    int bank = right ? 4 : 3;
    char buf[2048];
    snprintf(buf, sizeof buf,
             "p%d.teammenu.pos = %d,%d\n"
             "p%d.teammenu.bg.spr = 170,0\n"
             "p%d.teammenu.bg.offset = %d,0\n"
             "p%d.teammenu.selftitle.font = 1,%d,%d\n"
             "p%d.teammenu.selftitle.offset = %d,12\n"
             "p%d.teammenu.selftitle.text = \"Team Mode\"\n"
             "p%d.teammenu.enemytitle.font = 1,%d,%d\n"
             "p%d.teammenu.enemytitle.offset = %d,12\n"
             "p%d.teammenu.enemytitle.text = \"Opponent Team\"\n"
             "p%d.teammenu.move.snd = 100,0\n"
             "p%d.teammenu.value.snd = 100,5\n"
             "p%d.teammenu.done.snd = 100,1\n"
             "p%d.teammenu.item.offset = %d,26\n"
             "p%d.teammenu.item.spacing = 0,12\n"
             "p%d.teammenu.item.font = 1,2,%d\n"
             "p%d.teammenu.item.active.font = 1,0,%d\n"
             "p%d.teammenu.item.active2.font = 1,1,%d\n"
             "p%d.teammenu.item.cursor.offset = %d,-1\n"
             "p%d.teammenu.item.cursor.spr = 171,0\n"
             "p%d.teammenu.value.icon.offset = %d,-2\n"
             "p%d.teammenu.value.icon.spr = 172,0\n"
             "p%d.teammenu.value.empty.icon.offset = %d,-2\n"
             "p%d.teammenu.value.empty.icon.spr = 172,1\n"
             "p%d.teammenu.value.spacing = %d,0\n",
             p, x, y, p, p, right ? 1 - MENU_BOX_W : 0, p, bank, dir, p, 6 * dir, p, p, bank, dir, p, 6 * dir, p,
             p, p, p, p, 18 * dir, p, p, dir, p, dir, p, dir, p, right ? 1 : -1, p, p, right ? -42 : 36, p, p,
             right ? -42 : 36, p, p, 9 * dir);
    std::string t = buf;
    // Player 2's arrow points the other way.
    if (right)
        t += "p2.teammenu.item.cursor.facing = -1\n";
    return t;
}

static const char kSystemTail[] =
    "\n"
    "[VS Screen]\n"
    "time = 150\n"
    "fadein.time = 15\n"
    "fadeout.time = 15\n"
    "p1.pos = 14,24\n"
    "p1.facing = 1\n"
    "p1.scale = 1,1\n"
    "p2.pos = 306,24\n"
    "p2.facing = -1\n"
    "p2.scale = 1,1\n"
    "p1.name.pos = 62,168\n"
    "p1.name.font = 2,3,0\n"
    "p2.name.pos = 258,168\n"
    "p2.name.font = 2,4,0\n"
    "\n"
    "[Demo Mode]\n"
    "enabled = 1\n"
    "select.enabled = 0\n"
    "vsscreen.enabled = 1\n"
    "title.waittime = 900\n"
    "fight.endtime = 1500\n"
    "fight.playbgm = 0\n"
    "fight.bars.display = 1\n"
    "intro.waitcycles = 1\n"
    "debuginfo = 0\n"
    "\n"
    "[Continue Screen]\n"
    "enabled = 1\n"
    "\n"
    "[Game Over Screen]\n"
    "enabled = 0\n"
    "\n"
    "[Win Screen]\n"
    "enabled = 1\n"
    "wintext.text = \"Congratulations!\"\n"
    "wintext.font = 3,1,0\n"
    "wintext.offset = 160,60\n"
    "wintext.displaytime = -1\n"
    "wintext.layerno = 2\n"
    "fadein.time = 32\n"
    "pose.time = 300\n"
    "fadeout.time = 64\n"
    "\n"
    "[Default Ending]\n"
    "enabled = 0\n"
    "\n"
    "[End Credits]\n"
    "enabled = 0\n"
    "\n"
    "[Survival Results Screen]\n"
    "enabled = 1\n"
    "winstext.text = \"Rounds won: %i\"\n"
    "winstext.font = 3,1,0\n"
    "winstext.offset = 160,60\n"
    "winstext.displaytime = -1\n"
    "winstext.layerno = 2\n"
    "fadein.time = 32\n"
    "show.time = 300\n"
    "fadeout.time = 64\n"
    "roundstowin = 5\n"
    "\n"
    "; The menu backgrounds draw from the system sprites.\n"
    "[TitleBGdef]\n"
    "bgclearcolor = 0,0,0\n"
    "\n"
    "[TitleBG back]\n"
    "type = normal\n"
    "spriteno = 0,0\n"
    "start = 0,0\n"
    "mask = 0\n"
    "\n"
    "[TitleBG logo]\n"
    "type = normal\n"
    "spriteno = 1,0\n"
    "start = 0,64\n"
    "sin.y = 2,120,0\n"
    "mask = 1\n"
    "\n"
    "[TitleBG subtitle]\n"
    "type = normal\n"
    "spriteno = 1,1\n"
    "start = 0,100\n"
    "mask = 1\n"
    "\n"
    "[SelectBGdef]\n"
    "bgclearcolor = 0,0,0\n"
    "\n"
    "[SelectBG back]\n"
    "type = normal\n"
    "spriteno = 5,0\n"
    "start = 0,0\n"
    "mask = 0\n"
    "\n"
    "[SelectBG stripes]\n"
    "type = normal\n"
    "spriteno = 2,0\n"
    "start = 0,0\n"
    "tile = 1,1\n"
    "velocity = .5,.5\n"
    "trans = add\n"
    "\n"
    "[SelectBG bar]\n"
    "type = normal\n"
    "spriteno = 3,0\n"
    "start = 0,0\n"
    "mask = 1\n"
    "\n"
    "[VersusBGdef]\n"
    "bgclearcolor = 0,0,0\n"
    "\n"
    "[VersusBG left]\n"
    "type = normal\n"
    "spriteno = 4,0\n"
    "start = -160,0\n"
    "mask = 1\n"
    "\n"
    "[VersusBG right]\n"
    "type = normal\n"
    "spriteno = 4,1\n"
    "start = 159,0\n"
    "mask = 1\n"
    "\n"
    "[VersusBG vs]\n"
    "type = normal\n"
    "spriteno = 4,2\n"
    "start = 0,110\n"
    "sin.x = 1,30,0\n"
    "mask = 1\n"
    "\n"
    "[OptionBGdef]\n"
    "bgclearcolor = 0,0,0\n"
    "\n"
    "[OptionBG back]\n"
    "type = normal\n"
    "spriteno = 5,0\n"
    "start = 0,0\n"
    "mask = 0\n"
    "\n"
    "[OptionBG stripes]\n"
    "type = normal\n"
    "spriteno = 2,0\n"
    "start = 0,0\n"
    "tile = 1,1\n"
    "velocity = -.25,.25\n"
    "trans = add\n";

static void SystemDefMake(GameFiles *out)
{
    out->push_back({"data/system.def", std::string(kSystemHead) + TeamMenu(1) + TeamMenu(2) + kSystemTail});
}

static void SelectDefMake(GameFiles *out)
{
    std::string t = "; The characters and stages on offer: made by the sample game's tools\n"
                    "[Characters]\n";
    for (const char *name : kMotifCharacters)
        t += std::string(name) + ", stages/ridge.def, order = 1\n";
    t += "randomselect\n"
         "\n"
         "[ExtraStages]\n"
         "stages/ridge.def\n"
         "\n"
         "[Options]\n"
         "arcade.maxmatches = 2,0,0,0,0,0,0,0,0,0\n"
         "team.maxmatches = 1,0,0,0,0,0,0,0,0,0\n";
    out->push_back({"data/select.def", t});
}

// ---------------------------------------------------------------- storyboards

static void StorySpritesMake(GameFiles *out)
{
    ArtPalette pal = SystemPalette();
    std::vector<SffImage> images;
    images.push_back(Lettering(pal, "velokw", 6, MOTIF_ART_GOLD_FIRST, MOTIF_ART_GOLD_LAST, 0, 0));
    images.push_back(Lettering(pal, "an engine for fighting games", 1, MOTIF_ART_GREY_FIRST, MOTIF_ART_GREY_LAST, 0, 1));
    ArtImagePut(&images, TitleBack(), pal, 1, 0, 160, 0);
    images.push_back(Lettering(pal, "Two fighters meet on the ridge.", 1, MOTIF_ART_GREY_FIRST, MOTIF_ART_GREY_LAST, 2, 0));
    images.push_back(Lettering(pal, "Only one walks down.", 1, MOTIF_ART_GREY_FIRST, MOTIF_ART_GREY_LAST, 2, 1));
    // The two fighters as shadows facing each other.
    for (int side = 0; side < 2; side++) {
        BITMAP *b = ArtBitmap(40, 80);
        if (!b)
            continue;
        int c = MOTIF_ART_SHADE_LAST;
        circlefill(b, 20, 10, 7, c);
        rectfill(b, 12, 18, 28, 50, c);
        triangle(b, 12, 50, 20, 50, 8, 79, c);
        triangle(b, 20, 50, 28, 50, 32, 79, c);
        line(b, 28, 22, 38, 32, c);
        line(b, 12, 22, 4, 34, c);
        if (side)
            rectfill(b, 10, 16, 30, 20, c);
        images.push_back(ArtImage(b, pal, 3, side, 20, 79));
        destroy_bitmap(b);
    }
    out->push_back({"data/story.sff", SffPack(images)});
}

static const char kLogoDef[] =
    "; The logo storyboard: made by the sample game's tools\n"
    "[SceneDef]\n"
    "spr = story.sff\n"
    "startscene = 0\n"
    "\n"
    "[Scene 0]\n"
    "fadein.time = 30\n"
    "fadein.col = 0\n"
    "fadeout.time = 30\n"
    "fadeout.col = 0\n"
    "clearcolor = 0,0,0\n"
    "layerall.pos = 160,110\n"
    "layer0.anim = 0\n"
    "layer0.offset = 0,0\n"
    "layer0.starttime = 0\n"
    "layer1.anim = 1\n"
    "layer1.offset = 0,40\n"
    "layer1.starttime = 20\n"
    "end.time = 150\n"
    "\n"
    "[Begin Action 0]\n"
    "0,0, 0,0, -1\n"
    "\n"
    "[Begin Action 1]\n"
    "0,1, 0,0, -1\n";

static const char kIntroDef[] =
    "; The intro storyboard: made by the sample game's tools\n"
    "[SceneDef]\n"
    "spr = story.sff\n"
    "startscene = 0\n"
    "\n"
    "[Scene 0]\n"
    "fadein.time = 40\n"
    "fadeout.time = 20\n"
    "bg.name = IntroBG\n"
    "layerall.pos = 160,0\n"
    "layer0.anim = 10\n"
    "layer0.offset = -60,200\n"
    "layer0.starttime = 10\n"
    "layer1.anim = 11\n"
    "layer1.offset = 60,200\n"
    "layer1.starttime = 10\n"
    "layer2.anim = 20\n"
    "layer2.offset = 0,40\n"
    "layer2.starttime = 40\n"
    "end.time = 200\n"
    "\n"
    "[Scene 1]\n"
    "fadein.time = 20\n"
    "fadeout.time = 40\n"
    "fadeout.col = 0\n"
    "bg.name = IntroBG\n"
    "layer0.anim = 10\n"
    "layer0.offset = -30,200\n"
    "layer1.anim = 11\n"
    "layer1.offset = 30,200\n"
    "layer2.anim = 21\n"
    "layer2.offset = 0,40\n"
    "layer2.starttime = 20\n"
    "end.time = 180\n"
    "\n"
    "[IntroBGdef]\n"
    "\n"
    "[IntroBG sky]\n"
    "type = normal\n"
    "spriteno = 1,0\n"
    "start = 0,0\n"
    "mask = 0\n"
    "\n"
    "[Begin Action 10]\n"
    "3,0, 0,0, -1\n"
    "\n"
    "[Begin Action 11]\n"
    "3,1, 0,0, -1, H\n"
    "\n"
    "[Begin Action 20]\n"
    "2,0, 0,0, -1\n"
    "\n"
    "[Begin Action 21]\n"
    "2,1, 0,0, -1\n";

void MotifFilesMake(GameFiles *out)
{
    ArtStart();
    SystemDefMake(out);
    SystemSpritesMake(out);
    SelectDefMake(out);
    StorySpritesMake(out);
    out->push_back({"data/logo.def", kLogoDef});
    out->push_back({"data/intro.def", kIntroDef});
}
