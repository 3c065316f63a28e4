// Bitmap fonts: font files (a PCX glyph strip and a character map), colour banks, text widths and drawing.
#include "lib/font.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "lib/vfile.h"

static const char fntMagic[12] = {'T', 'a', 'r', 'n', 'w', 'i', 'c', 'k', 'F', 'n', 't', 0};

// Sizes, spacings, offsets and map entries are read within this bound: no
// glyph image is wider, and sums of bounded values stay in range.
static const int FONT_MEASURE_MAX = 32767;
// Pens and widths of whole lines saturate here, far off any target.
static const int64_t FONT_PEN_MAX = 1 << 30;

static int MeasureBound(int64_t v)
{
    return (int)std::clamp<int64_t>(v, -FONT_MEASURE_MAX, FONT_MEASURE_MAX);
}

static int PenBound(int64_t v)
{
    return (int)std::clamp<int64_t>(v, -FONT_PEN_MAX, FONT_PEN_MAX);
}

static int32_t Le32(const unsigned char *p)
{
    return (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
}

// Reads the 64-byte header at the file's position, which is left after it.
static int HeaderRead(VFile *f, FntFormat *h)
{
    memset(h, 0, sizeof *h);
    h->base = VFileTell(f);
    unsigned char raw[FNT_HEADER_SIZE];
    if (h->base < 0 || VFileRead(raw, FNT_HEADER_SIZE, 1, f) != 1) {
        LibMsgSet("Font file too short for its header");
        return 0;
    }
    memcpy(h->magic, raw, sizeof h->magic);
    h->version = Le32(raw + 12);
    h->pcxOffset = Le32(raw + 16);
    h->textOffset = Le32(raw + 24);
    return 1;
}

// Moves to base + offset, refusing positions outside the file.
static int SeekSection(VFile *f, long base, int offset, long end, const char *what)
{
    if (offset < 0 || base + (long)offset > end || VFileSeek(f, base + offset, 0) != 0) {
        LibMsgSet("Font %s offset %d lies outside the file", what, offset);
        return 0;
    }
    return 1;
}

static Font *ReadFail(Font *font, TxtParseFile *tp)
{
    TxtParseClose(tp);
    FontFree(font);
    return nullptr;
}

static int DefRead(Font *font, TxtParseFile *tp)
{
    if (TxtParseGroupSet(tp, "Def") < 0) {
        LibMsgSet("Font has no [Def] group");
        return 0;
    }
    TxtParseScan(tp, "size", "%i,%i", &font->sizeW, &font->sizeH);
    TxtParseScan(tp, "spacing", "%i,%i", &font->spacingX, &font->spacingY);
    TxtParseIntGet(tp, "colors", &font->colors);
    TxtParseScan(tp, "offset", "%i,%i", &font->offsetX, &font->offsetY);
    const char *type = TxtParseValueGet(tp, "type");
    font->variable = !(type && (type[0] == 'f' || type[0] == 'F'));
    if (font->sizeW == 0 || font->sizeH == 0) {
        LibMsgSet("Font size must be nonzero (size = %i,%i)", font->sizeW, font->sizeH);
        return 0;
    }
    if (font->colors == 0) {
        LibMsgSet("Font colors must be nonzero");
        return 0;
    }
    for (int *v : {&font->sizeW, &font->sizeH, &font->spacingX, &font->spacingY, &font->offsetX, &font->offsetY})
        *v = MeasureBound(*v);
    return 1;
}

static int MapRead(Font *font, TxtParseFile *tp)
{
    if (TxtParseGroupSet(tp, "Map") < 0) {
        LibMsgSet("Font has no [Map] group");
        return 0;
    }
    int64_t sum = 0;
    for (const char *line = TxtParseLineFirst(tp); line; line = TxtParseLineNext(tp)) {
        int code = (unsigned char)line[0];
        const char *rest = line + 1;
        if (line[0] == '0' && line[1] == 'x') {
            char *after = nullptr;
            long v = strtol(line + 2, &after, 16);
            // A line naming no character the tables hold defines nothing.
            if (after == line + 2 || v < 0 || v >= FONT_CHARS)
                continue;
            code = (int)v;
            rest = after;
            while (*rest == ' ' || *rest == '\t')
                rest++;
        }
        int start = MeasureBound(sum), width = font->sizeW;
        sscanf(rest, "%i %i", &start, &width);
        font->startX[code] = MeasureBound(start);
        font->width[code] = MeasureBound(width);
        sum += font->width[code];
    }
    font->width[(unsigned char)' '] = font->sizeW;
    return 1;
}

// Splits the loaded palette into banks of d colours counted down from the top
// entry, followed by the full palette, and remaps the glyph pixels into a bank.
static int BanksMake(Font *font)
{
    if (font->colors < 2)
        return 1;
    int64_t limit = 2 * (int64_t)font->colors - 2;
    int d = 1;
    while ((int64_t)d * 2 <= limit && d < PAL_MAX_COLORS)
        d *= 2;
    SprSet *set = font->glyphs;
    SprImage *img = SprSetImageAt(set, 0);
    int slot = img->palIndex;
    if (slot < 0 || slot >= SprSetPalCount(set) || SprSetPalAt(set, slot)->count != PAL_MAX_COLORS) {
        LibMsgSet("Font image has no palette");
        return 0;
    }
    Palette full = *SprSetPalAt(set, slot);
    ArrayRemove(set->pals, slot);
    int banks = PAL_MAX_COLORS / d;
    for (int i = 0; i < banks; i++) {
        Palette bank;
        PalInit(&bank, d, full.data + (size_t)(PAL_MAX_COLORS - d * (i + 1)) * 4, 0);
        if (!SprSetAddPal(set, &bank, 0, i)) {
            PalFree(&full);
            LibMsgSet("Can't add font colour bank %i", i);
            return 0;
        }
    }
    if (!SprSetAddPal(set, &full, 0, banks)) {
        PalFree(&full);
        LibMsgSet("Can't add font colour bank %i", banks);
        return 0;
    }
    uint8_t *pixels = (uint8_t *)SprImageDstPixels(set, 0);
    for (int i = 0; i < img->byteLength; i++) {
        int v = pixels[i];
        if (v)
            pixels[i] = (uint8_t)(v >= PAL_MAX_COLORS - d ? v + d - PAL_MAX_COLORS : 0);
    }
    img->colorCount = d;
    img->palIndex = SprSetFindPal(set, 0, 0);
    return 1;
}

Font *FontRead(VFile *f, const FntFormat *h)
{
    if (memcmp(h->magic, fntMagic, sizeof fntMagic) != 0) {
        LibMsgSet("Not a font file");
        return nullptr;
    }
    if (h->version != FNT_VERSION) {
        LibMsgSet("Unsupported font file version 0x%x", (unsigned)h->version);
        return nullptr;
    }
    if (VFileSeek(f, 0, 2) != 0) {
        LibMsgSet("Can't seek in font file");
        return nullptr;
    }
    long end = VFileTell(f);
    Font *font = (Font *)LibCalloc(1, sizeof *font);
    if (!font) {
        LibMsgSet("Out of memory.");
        return nullptr;
    }
    if (!SeekSection(f, h->base, h->pcxOffset, end, "image"))
        return ReadFail(font, nullptr);
    font->glyphs = SprLoadPcxStream(f, 0, 0);
    if (!font->glyphs) {
        LibMsgSet("Can't read font image");
        return ReadFail(font, nullptr);
    }
    const SprImage *img = SprSetImageAt(font->glyphs, 0);
    if (img->bpp != 8) {
        LibMsgSet("Font image must be 8-bit (it has %i bits)", img->bpp);
        return ReadFail(font, nullptr);
    }
    if (!SeekSection(f, h->base, h->textOffset, end, "text"))
        return ReadFail(font, nullptr);
    TxtParseFile *tp = TxtParseOpenVfile(f);
    if (!tp) {
        LibMsgSet("Can't read font text section");
        return ReadFail(font, nullptr);
    }
    if (!DefRead(font, tp) || !MapRead(font, tp) || !BanksMake(font))
        return ReadFail(font, tp);
    TxtParseClose(tp);
    return font;
}

Font *FontReadFromFile(VFile *f)
{
    if (!f) {
        LibMsgSet("No font file");
        return nullptr;
    }
    FntFormat h;
    Font *font = HeaderRead(f, &h) ? FontRead(f, &h) : nullptr;
    if (h.base >= 0)
        VFileSeek(f, h.base, 0);
    return font;
}

Font *FontLoad(const char *path)
{
    VFile *f = VFileOpen(path, "rb");
    if (!f) {
        LibMsgSet("Can't open font file %s", path);
        return nullptr;
    }
    Font *font = FontReadFromFile(f);
    VFileClose(f);
    if (!font) {
        char reason[LIB_TEXT_LEN];
        StrCopy(reason, sizeof reason, LibErrorMsg);
        LibMsgSet("%s\nin font file %s", reason, path);
    }
    return font;
}

void FontFree(Font *font)
{
    if (!font)
        return;
    SprSetFree(font->glyphs);
    MemFree(font);
}

// ---------------------------------------------------------------- widths

static int CharWidth(const Font *font, unsigned char c)
{
    return c == ' ' ? font->sizeW : font->width[c];
}

static int LineWidthN(const Font *font, const char *text, int len)
{
    int64_t w = 0;
    for (int i = 0; i < len; i++)
        w += font->spacingX + CharWidth(font, (unsigned char)text[i]);
    if (w > 0)
        w -= font->spacingX;
    return PenBound(w);
}

static int LineLength(const char *text)
{
    const char *nl = strchr(text, '\n');
    return nl ? (int)(nl - text) : (int)strlen(text);
}

int FontLineWidth(const Font *font, const char *text)
{
    return LineWidthN(font, text, LineLength(text));
}

int FontTextWidth(const Font *font, const char *text)
{
    int widest = 0;
    for (;;) {
        int len = LineLength(text);
        widest = std::max(widest, LineWidthN(font, text, len));
        if (!text[len])
            return widest;
        text += len + 1;
    }
}

// ---------------------------------------------------------------- drawing

// The next tab stop after an offset from the line start. Stops are 4 cells
// apart; a font whose cells do not advance has none.
static int64_t TabNext(const Font *font, int64_t offset)
{
    int64_t step = 4 * ((int64_t)font->sizeW + font->spacingX);
    if (step <= 0)
        return offset;
    return (offset / step + 1) * step;
}

// The width alignment works with: tabs to their stops, carriage returns
// nothing, never below 0.
static int AlignWidth(const Font *font, const char *s, int len)
{
    int64_t w = -font->spacingX;
    for (int i = 0; i < len; i++) {
        unsigned char c = (unsigned char)s[i];
        if (c == '\t')
            w = TabNext(font, w);
        else if (c == '\r')
            continue;
        else
            w += font->spacingX + CharWidth(font, c);
    }
    return PenBound(std::max<int64_t>(w, 0));
}

static bool TargetDrawable()
{
    return vbufTarget.pixels && vbufTarget.rows && (vbufTarget.depth == 15 || vbufTarget.depth == 16);
}

// Each glyph is drawn as the whole strip image clipped to the glyph's cell.
// Walks a line's glyphs: tabs, carriage returns and spaces move the pen;
// every other character calls glyph(c, pen, width) and advances the pen. The
// walk ends once the pen is far off any target.
template <class Glyph>
static void LineWalk(const char *s, int len, const Font *font, int x, Glyph glyph)
{
    int64_t lineStart = (int64_t)x + font->offsetX;
    int64_t pen = lineStart;
    for (int i = 0; i < len; i++) {
        if (pen < -FONT_PEN_MAX || pen > FONT_PEN_MAX)
            return;
        unsigned char c = (unsigned char)s[i];
        if (c == '\t') {
            pen = lineStart + TabNext(font, pen - lineStart);
            continue;
        }
        if (c == '\r')
            continue;
        if (c == ' ') {
            pen += font->sizeW + font->spacingX;
            continue;
        }
        int w = font->width[c];
        glyph(c, (int)pen, w);
        pen += w + font->spacingX;
    }
}

static void LineDrawColour(const char *s, int len, const Font *font, int x, int y, int colour)
{
    int saved[4];
    VbufClipSave(saved);
    int top = y - font->offsetY - font->sizeH + 1;
    int cy1 = std::max(top, saved[1]);
    int cy2 = std::min(y - font->offsetY, saved[3]);
    LineWalk(s, len, font, x, [&](unsigned char c, int pen, int w) {
        if (w == 0)
            return;
        int cx1 = std::max(pen, saved[0]);
        int cx2 = std::min(pen + w - 1, saved[2]);
        // An empty cell would turn the clip rectangle inside out.
        if (cx1 > cx2 || cy1 > cy2)
            return;
        VbufClipSet(cx1, cy1, cx2, cy2);
        if (colour == -1)
            SprDraw(font->glyphs, 0, pen - font->startX[c], top);
        else
            SprDrawSilhouette(font->glyphs, 0, pen - font->startX[c], top, PalFxColor565((uint16_t)colour));
    });
    VbufClipRestore(saved);
}

static void LineDrawBank(const char *s, int len, const Font *font, int x, int y, int bank)
{
    SprSet *set = font->glyphs;
    if (!set || bank < 0 || bank >= SprSetPalCount(set) || !TargetDrawable())
        return;
    const SprImage *img = SprSetImageAt(set, 0);
    const uint8_t *src = (const uint8_t *)SprImageSrcPixels(set, 0);
    if (!src || !img->rows)
        return;
    const uint16_t *table = SprSetPalAtReady(set, bank)->table;
    const VbufTarget &t = vbufTarget;
    int top = y - font->offsetY - font->sizeH + 1;
    // Rows of the cell that are on the clip and inside the glyph image.
    int ry1 = std::max(top, t.y1);
    int ry2 = std::min({y - font->offsetY, t.y2, top + img->height - 1});
    LineWalk(s, len, font, x, [&](unsigned char c, int pen, int w) {
        int sx = font->startX[c];
        // Columns on the clip whose source column lies inside the image.
        int k1 = std::max({0, t.x1 - pen, -sx});
        int k2 = std::min({w - 1, t.x2 - pen, img->width - 1 - sx});
        for (int ry = ry1; ry <= ry2; ry++) {
            const uint8_t *srow = src + img->rows[ry - top];
            uint16_t *drow = reinterpret_cast<uint16_t *>(t.pixels + t.rows[ry]);
            for (int k = k1; k <= k2; k++) {
                uint8_t v = srow[sx + k];
                if (v)
                    drow[pen + k] = table[v];
            }
        }
    });
}

void FontDrawTextBank(const char *line, const Font *font, int x, int y, int bank)
{
    LineDrawBank(line, LineLength(line), font, x, y, bank);
}

static void TextDraw(const char *text, const Font *font, int x, int y, int alignment, int colour, int bank,
                     bool useBank)
{
    if (!text || !font || !font->glyphs || !TargetDrawable())
        return;
    for (;;) {
        if (y - font->sizeH + 1 > vbufTarget.y2)
            return;
        int len = LineLength(text);
        int start = x;
        if (alignment == 0)
            start = x - (AlignWidth(font, text, len) >> 1);
        else if (alignment < 0)
            start = x - AlignWidth(font, text, len) + 1;
        if (useBank)
            LineDrawBank(text, len, font, start, y, bank);
        else
            LineDrawColour(text, len, font, start, y, colour);
        if (!text[len])
            return;
        text += len + 1;
        int64_t next = (int64_t)y + font->sizeH + font->spacingY;
        if (next < -FONT_PEN_MAX || next > FONT_PEN_MAX)
            return;
        y = (int)next;
    }
}

void FontDrawText(const char *text, const Font *font, int x, int y, int alignment, int colour, int bank)
{
    TextDraw(text, font, x, y, alignment, colour, bank, bank >= 0);
}

void FontDrawTextL(const char *text, const Font *font, int x, int y, int colour)
{
    TextDraw(text, font, x, y, 1, colour, 0, false);
}

void FontDrawTextR(const char *text, const Font *font, int x, int y, int colour)
{
    TextDraw(text, font, x, y, -1, colour, 0, false);
}

void FontDrawTextC(const char *text, const Font *font, int x, int y, int colour)
{
    TextDraw(text, font, x, y, 0, colour, 0, false);
}

void FontDrawTextAlign(const char *text, const Font *font, int x, int y, int alignment, int colour)
{
    TextDraw(text, font, x, y, alignment, colour, 0, false);
}

void FontDrawBankL(const char *text, const Font *font, int x, int y, int bank)
{
    TextDraw(text, font, x, y, 1, 0, bank, true);
}

void FontDrawBankR(const char *text, const Font *font, int x, int y, int bank)
{
    TextDraw(text, font, x, y, -1, 0, bank, true);
}

void FontDrawBankC(const char *text, const Font *font, int x, int y, int bank)
{
    TextDraw(text, font, x, y, 0, 0, bank, true);
}

void FontDrawBank(const char *text, const Font *font, int x, int y, int alignment, int bank)
{
    TextDraw(text, font, x, y, alignment, 0, bank, true);
}

void FontPrintfL(const Font *font, int x, int y, int colour, const char *format, ...)
{
    char buffer[FONT_PRINTF_LEN];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    TextDraw(buffer, font, x, y, 1, colour, 0, false);
}

void FontPrintfR(const Font *font, int x, int y, int colour, const char *format, ...)
{
    char buffer[FONT_PRINTF_LEN];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    TextDraw(buffer, font, x, y, -1, colour, 0, false);
}

void FontPrintfBankL(const Font *font, int x, int y, int bank, const char *format, ...)
{
    char buffer[FONT_PRINTF_LEN];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    TextDraw(buffer, font, x, y, 1, 0, bank, true);
}
