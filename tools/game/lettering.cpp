// Sample-game lettering: font files and text drawn into sprites, from the game's own two typefaces.
#include "game/lettering.h"

#include <allegro.h>
#include <cstdio>

#include "game/glyphs.h"
#include "kit/fontkit.h"

static const Glyph *GlyphOf(int face, int c)
{
    return face == LETTER_SMALL ? GlyphSmall(c) : GlyphRegular(c);
}

static int FaceRows(int face)
{
    return face == LETTER_SMALL ? GLYPH_SMALL_H : GLYPH_REGULAR_H;
}

int LetterHeight(int face, int scale)
{
    return FaceRows(face) * scale;
}

// Ink rows shade from the top of the capitals to the base line; what lies
// below the base line keeps the last shade.
static int ShadeAt(int face, int scale, int py, int inkFirst, int inkLast)
{
    int rows = (face == LETTER_SMALL ? GLYPH_SMALL_H : GLYPH_REGULAR_BASE) * scale;
    if (py >= rows)
        py = rows - 1;
    return rows > 1 ? inkFirst + py * (inkLast - inkFirst) / (rows - 1) : inkFirst;
}

static void GlyphDraw(BITMAP *bmp, const Glyph *g, int x, int y, int face, int scale, int inkFirst, int inkLast)
{
    for (int gy = 0; gy < FaceRows(face); gy++)
        for (int gx = 0; gx < g->width; gx++) {
            if (!GlyphInk(g, gx, gy))
                continue;
            for (int sy = 0; sy < scale; sy++) {
                int py = gy * scale + sy;
                hline(bmp, x + gx * scale, y + py, x + gx * scale + scale - 1,
                      ShadeAt(face, scale, py, inkFirst, inkLast));
            }
        }
}

int LetterWidth(const char *text, int face, int scale)
{
    int w = 0;
    for (const char *p = text; *p; p++) {
        const Glyph *g = GlyphOf(face, (unsigned char)*p);
        int adv = g ? g->width : 3;
        w += (adv + (p[1] ? 1 : 0)) * scale;
    }
    return w;
}

int LetterStamp(BITMAP *bmp, const char *text, int x, int y, int face, int scale, int inkFirst, int inkLast)
{
    int pen = x;
    for (const char *p = text; *p; p++) {
        const Glyph *g = GlyphOf(face, (unsigned char)*p);
        if (g)
            GlyphDraw(bmp, g, pen, y, face, scale, inkFirst, inkLast);
        pen += ((g ? g->width : 3) + (p[1] ? 1 : 0)) * scale;
    }
    return pen - x;
}

LetterBank LetterBankOf(int scheme)
{
    switch (scheme) {
    case LETTER_GOLD:
        return {{48, 24, 0}, {255, 250, 180}, {230, 140, 20}};
    case LETTER_GREY:
        return {{16, 16, 24}, {176, 176, 188}, {104, 104, 120}};
    case LETTER_RED:
        return {{40, 0, 0}, {255, 170, 150}, {210, 30, 20}};
    case LETTER_BLUE:
        return {{0, 8, 48}, {170, 210, 255}, {30, 80, 230}};
    case LETTER_GREEN:
        return {{0, 32, 8}, {200, 255, 190}, {40, 170, 60}};
    default:
        return {{20, 20, 28}, {255, 255, 255}, {200, 204, 220}};
    }
}

// Bank k fills entries first + 1 (edge) to first + 7 (ink, top to bottom).
static void BankColours(ArtPalette *pal, int first, const LetterBank &b)
{
    ArtColourSet(pal, first + 1, b.edge[0], b.edge[1], b.edge[2]);
    ArtRamp(pal, first + 2, first + 1 + LETTER_SHADES, b.top[0], b.top[1], b.top[2], b.bottom[0], b.bottom[1],
            b.bottom[2]);
}

std::string LetterFontBytes(const LetterLook &look)
{
    ArtStart();
    bool banked = look.banks.size() > 1;
    // A banked font draws its glyphs in the top bank's entries; a plain one in
    // entries 1 to 7.
    int base = banked ? 256 - LETTER_BANK_COLORS : 0;
    int edge = base + 1, inkFirst = base + 2, inkLast = base + 1 + LETTER_SHADES;
    int margin = look.outline ? 1 : 0;
    int boxH = FaceRows(look.face) * look.scale + 2 * margin + look.shadow;

    ArtPalette pal;
    for (size_t k = 0; k < look.banks.size(); k++)
        BankColours(&pal, banked ? 256 - LETTER_BANK_COLORS * (int)(k + 1) : 0, look.banks[k]);

    std::vector<BITMAP *> boxes;
    std::string map;
    int total = 0;
    for (int c = 33; c <= 126; c++) {
        const Glyph *g = GlyphOf(look.face, c);
        int w = g->width * look.scale + 2 * margin + look.shadow;
        BITMAP *box = ArtBitmap(w, boxH);
        if (!box)
            break;
        GlyphDraw(box, g, margin, margin, look.face, look.scale, inkFirst, inkLast);
        if (look.outline)
            ArtOutline(box, edge);
        if (look.shadow) {
            for (int y = boxH - 1; y >= look.shadow; y--)
                for (int x = w - 1; x >= look.shadow; x--)
                    if (getpixel(box, x, y) == 0 && getpixel(box, x - look.shadow, y - look.shadow) != 0)
                        putpixel(box, x, y, edge);
        }
        char line[32];
        snprintf(line, sizeof line, "0x%02X %d %d\n", c, total, w);
        map += line;
        total += w;
        boxes.push_back(box);
    }

    BITMAP *strip = ArtBitmap(total, boxH);
    int x = 0;
    for (BITMAP *box : boxes) {
        if (strip)
            blit(box, strip, 0, 0, x, 0, box->w, box->h);
        x += box->w;
        destroy_bitmap(box);
    }
    if (!strip)
        return std::string();
    SffImage img = ArtImage(strip, pal, 0, 0, 0, 0);
    destroy_bitmap(strip);

    PcxSpec p;
    p.width = img.width;
    p.height = img.height;
    p.pixels = img.pixels;
    p.palette = img.palette;
    FntSpec spec;
    spec.pcx = PcxBytes(p);
    char def[160];
    snprintf(def, sizeof def, "[Def]\nsize = %d,%d\nspacing = %d,%d\ncolors = %d\noffset = 0,0\n",
             3 * look.scale + 2 * margin, boxH, look.spacingX, look.spacingY,
             banked ? LETTER_BANK_COLORS : 1);
    spec.text = std::string("; made by the sample game's tools\n") + def + "[Map]\n" + map;
    return FntBytes(spec);
}

static std::vector<LetterBank> Schemes()
{
    std::vector<LetterBank> banks;
    for (int s : {LETTER_WHITE, LETTER_GOLD, LETTER_GREY, LETTER_RED, LETTER_BLUE, LETTER_GREEN})
        banks.push_back(LetterBankOf(s));
    return banks;
}

void LetterFontsMake(GameFiles *out)
{
    LetterLook sys1;
    sys1.face = LETTER_SMALL;
    sys1.banks = {LetterBankOf(LETTER_WHITE)};
    out->push_back({"font/f-4x6.fnt", LetterFontBytes(sys1)});

    LetterLook sys2;
    sys2.banks = {LetterBankOf(LETTER_WHITE)};
    out->push_back({"font/f-6x9.fnt", LetterFontBytes(sys2)});

    LetterLook menu;
    menu.shadow = 1;
    menu.spacingX = 0;
    menu.banks = Schemes();
    out->push_back({"font/menu.fnt", LetterFontBytes(menu)});

    LetterLook medium;
    medium.scale = 2;
    medium.outline = true;
    medium.spacingX = 0;
    medium.banks = Schemes();
    out->push_back({"font/medium.fnt", LetterFontBytes(medium)});

    LetterLook big;
    big.scale = 3;
    big.outline = true;
    big.shadow = 2;
    big.spacingX = 0;
    big.spacingY = 2;
    big.banks = Schemes();
    out->push_back({"font/big.fnt", LetterFontBytes(big)});
}
