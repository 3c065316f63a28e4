// Backgrounds: layered elements placed from a camera, tiled, windowed, moved by velocities, sines and timed controllers.
#include "lib/bg.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <utility>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"

enum {
    // The most bytes the resampled rows of one parallax element may take.
    BG_PARALLAX_BYTES_MAX = 64 << 20,
};

// Toward zero, saturating, NaN 0: positions come from data files.
static int TruncSat(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return (int)v;
}

static int64_t FloorMod(int64_t a, int64_t m)
{
    int64_t r = a % m;
    return r < 0 ? r + m : r;
}

static int ElemCount(const BGDef *bg)
{
    return bg && bg->elems ? bg->elems->used : 0;
}

// Elements are never removed, so slot i is the i-th element added.
static BGElem *ElemAt(const BGDef *bg, int i)
{
    return (BGElem *)ArrayAtRaw(bg->elems, i);
}

// ---------------------------------------------------------------- creation

BGDef *BGCreate(int capacity, SprSet *spr)
{
    BGDef *bg = (BGDef *)LibCalloc(1, sizeof *bg);
    if (!bg) {
        LibMsgSet("Out of memory.");
        return nullptr;
    }
    bg->elems = ArrayCreate(capacity > 0 ? capacity : 1, sizeof(BGElem), bg);
    if (!bg->elems) {
        MemFree(bg);
        LibMsgSet("Out of memory.");
        return nullptr;
    }
    bg->spr = spr;
    bg->clearR = bg->clearCurR = -1;
    return bg;
}

void BGElemDefaults(BGElem *v, int kind)
{
    memset(v, 0, sizeof *v);
    v->kind = kind;
    v->deltaX = v->deltaY = 1.0f;
    v->trans = TRANS_NONE;
    v->alphaSrc = 256;
    v->alphaDst = 0;
    v->yScaleStart = 1000;
    v->pixelScale = 1;
    v->enabled = v->visible = 1;
    v->sprIndex = -1;
    v->sprGroup = v->sprNumber = -1;
}

static void ElemRelease(BGElem *e)
{
    MemFree(e->parBuf);
    MemFree(e->parRows);
    MemFree(e->parWidths);
    e->parBuf = nullptr;
    e->parRows = nullptr;
    e->parWidths = nullptr;
    AnimObjFree(e->anim);
    e->anim = nullptr;
}

// The shared part of both add forms; where names the group for messages.
static int ElemAdd(BGDef *bg, int key1, int key2, const BGElem *values, int actionNo, const char *where)
{
    BGElem e = *values;
    e.deltaX = -values->deltaX;
    e.deltaY = -values->deltaY;
    e.pixelScale = 1;
    e.enabled = e.visible = 1;
    e.ctrlOffX = e.ctrlOffY = e.ctrlVelX = e.ctrlVelY = 0.0f;
    e.sinX.timeStart = e.sinX.time;
    e.sinY.timeStart = e.sinY.time;
    e.anim = nullptr;
    e.parBuf = nullptr;
    e.parRows = nullptr;
    e.parWidths = nullptr;
    e.sprIndex = -1;
    if (e.kind != BG_KIND_ANIM && e.kind != BG_KIND_DUMMY) {
        e.sprIndex = SprSetFindImage(bg->spr, e.sprGroup, e.sprNumber);
        if (e.sprIndex < 0) {
            LibMsgSet("Sprite doesn't exist: %i,%i", e.sprGroup, e.sprNumber);
            return -1;
        }
        const SprImage *img = SprSetImageAt(bg->spr, e.sprIndex);
        e.sprWidth = img->width;
        e.sprHeight = img->height;
    }
    if (e.kind == BG_KIND_PARALLAX && !BGParallaxInit(bg, &e)) {
        ElemRelease(&e);
        LibMsgSet("Can't init parallax in %s.", where);
        return -1;
    }
    if (e.kind == BG_KIND_ANIM) {
        e.tileSpaceX = MaxInt(e.tileSpaceX, 1);
        e.tileSpaceY = MaxInt(e.tileSpaceY, 1);
        // Without the action the player would fall back to another one.
        if (AnimSetFindAction(bg->anims, 0, actionNo) < 0) {
            LibMsgSet("Action %i doesn't exist\n\tin %s", actionNo, where);
            return -1;
        }
        e.actionNo = actionNo;
        e.anim = AnimObjCreate(bg->anims, bg->spr);
        if (!e.anim) {
            LibMsgSet("Out of memory.");
            return -1;
        }
        AnimObjChangeAction(e.anim, 0, actionNo);
        AnimObjRestart(e.anim);
    }
    int slot = ArrayAddGrow(bg->elems, &e, key1, key2);
    if (slot < 0) {
        ElemRelease(&e);
        LibMsgSet("Out of memory.");
    }
    return slot;
}

int BGAddSpriteElem(BGDef *bg, int key1, int key2, const BGElem *values)
{
    if (values->kind == BG_KIND_ANIM) {
        LibMsgSet("Animation element added as a sprite");
        return -1;
    }
    return ElemAdd(bg, key1, key2, values, 0, "background");
}

int BGAddAnimElem(BGDef *bg, int key1, int key2, const BGElem *values, int actionNo)
{
    BGElem v = *values;
    v.kind = BG_KIND_ANIM;
    return ElemAdd(bg, key1, key2, &v, actionNo, "background");
}

void BGFree(BGDef *bg)
{
    if (!bg)
        return;
    for (int i = 0; i < ElemCount(bg); i++)
        ElemRelease(ElemAt(bg, i));
    ArrayFree(bg->elems);
    if (bg->ownsAnims)
        AnimSetFree(bg->anims);
    if (bg->ownsSpr)
        SprSetFree(bg->spr);
    for (int k = 0; k < bg->ctrlCount; k++)
        MemFree(bg->ctrls[k].elemSlots);
    MemFree(bg->ctrls);
    MemFree(bg);
}

// ---------------------------------------------------------------- parallax rows

int BGParallaxInit(BGDef *bg, BGElem *e)
{
    if (!bg || !bg->spr || e->sprIndex < 0)
        return 0;
    const SprImage *img = SprSetImageAt(bg->spr, e->sprIndex);
    if (img->pixelKind != SPR_PIXELS_HEAP || img->bpp != 8 || !img->rows || img->height < 1 || img->width < 1)
        return 0;
    const uint8_t *src = (const uint8_t *)SprImageSrcPixels(bg->spr, e->sprIndex);
    if (!src)
        return 0;
    int rowCount = img->height;
    int top = e->parTopWidth, bottom = e->parBottomWidth;
    if (top < 1 || bottom < 1)
        return 0;
    e->parWidths = (int *)LibCalloc((size_t)rowCount, sizeof(int));
    e->parRows = (uint8_t **)LibCalloc((size_t)rowCount, sizeof(uint8_t *));
    if (!e->parWidths || !e->parRows)
        return 0;
    e->parRowCount = rowCount;
    e->widthRatio = (float)bottom / (float)top;
    if (!e->widthGiven) {
        for (int r = 0; r < rowCount; r++) {
            e->parWidths[r] = img->width;
            e->parRows[r] = (uint8_t *)src + img->rows[r];
        }
        return 1;
    }
    int64_t total = 0;
    for (int r = 0; r < rowCount; r++) {
        // A sprite of one row has no slope: it is the top width.
        int64_t w = rowCount > 1 ? top + (int64_t)(bottom - top) * r / (rowCount - 1) : top;
        e->parWidths[r] = (int)w;
        total += w;
    }
    if (total > BG_PARALLAX_BYTES_MAX)
        return 0;
    e->parBuf = (uint8_t *)LibCalloc((size_t)total, 1);
    if (!e->parBuf)
        return 0;
    uint8_t *out = e->parBuf;
    for (int r = 0; r < rowCount; r++) {
        const uint8_t *row = src + img->rows[r];
        int w = e->parWidths[r];
        for (int j = 0; j < w; j++)
            out[j] = row[(int64_t)j * img->width / w];
        e->parRows[r] = out;
        out += w;
    }
    return 1;
}

// The colour table an image draws with, brought up to date; null when none.
static const uint16_t *ImageTable(SprSet *set, const SprImage *img)
{
    if (set->palOverride)
        return PalColorsGet(set->palOverride);
    if (img->palIndex < 0 || img->palIndex >= SprSetPalCount(set))
        return nullptr;
    return SprSetPalAtReady(set, img->palIndex)->table;
}

// One source row at screen row y from x on, clipped to the target's clip.
static void ParallaxRow(const uint8_t *pix, int width, int64_t x, int y, const uint16_t *table, bool mask)
{
    const VbufTarget &t = vbufTarget;
    int64_t from = x < t.x1 ? t.x1 : x;
    int64_t to = x + width - 1 > t.x2 ? t.x2 : x + width - 1;
    uint16_t *dst = (uint16_t *)(t.pixels + t.rows[y]);
    for (int64_t px = from; px <= to; px++) {
        uint8_t v = pix[px - x];
        if (mask && v == 0)
            continue;
        dst[px] = table[v];
    }
}

static void ParallaxDraw(BGDef *bg, BGElem *e, int q, bool mask)
{
    const VbufTarget &t = vbufTarget;
    if (q <= 0 || e->pixelScale != 1 || e->sprIndex < 0 || !e->parRows || e->parTopWidth < 1)
        return;
    if (!t.pixels || (t.depth != 15 && t.depth != 16))
        return;
    const SprImage *img = SprSetImageAt(bg->spr, e->sprIndex);
    if (img->bpp != 8)
        return;
    const uint16_t *table = ImageTable(bg->spr, img);
    if (!table)
        return;
    int rowCount = e->parRowCount;
    float top = (float)e->parTopWidth;
    float x = e->posX;
    if (e->tileX) {
        // Into (-top width, 0], keeping the fraction.
        x = fmodf(x, top);
        if (x > 0.0f)
            x -= top;
    }
    int64_t first = RoundToInt((double)e->posY - (double)img->yAxis * 1000.0 / q);
    int64_t k = t.y1 > first ? t.y1 - first : 0;
    for (; first + k <= t.y2; k++) {
        // A counter from 500 that grows by q per screen row: each full 1000 is one source row.
        int64_t r = (500 + k * (int64_t)q) / 1000;
        if (r >= rowCount)
            break;
        int width = e->parWidths[r];
        if (width < 1)
            continue;
        double rowX;
        if (e->widthGiven)
            rowX = ((double)x - e->parTopWidth / 2) * width / top + t.width / 2;
        else
            rowX = (double)x * ((e->widthRatio - 1.0) * (double)(r + 1) / rowCount + 1.0) + t.width / 2 - img->xAxis;
        if (!std::isfinite(rowX))
            continue;
        int64_t bx = (int64_t)std::floor(rowX);
        int y = (int)(first + k);
        if (!e->tileX) {
            ParallaxRow(e->parRows[r], width, bx, y, table, mask);
            continue;
        }
        int64_t m = FloorMod(bx, width);
        for (bx = m == 0 ? 0 : m - width; bx <= t.x2; bx += width)
            ParallaxRow(e->parRows[r], width, bx, y, table, mask);
    }
}

void BGDrawParallaxRows(BGDef *bg, BGElem *elem, int yScale)
{
    ParallaxDraw(bg, elem, yScale, false);
}

void BGDrawParallax(BGDef *bg, BGElem *elem, int yScale)
{
    if (elem->mask == 1)
        ParallaxDraw(bg, elem, yScale, true);
    else
        BGDrawParallaxRows(bg, elem, yScale);
}

void BGDrawParallaxDefault(BGDef *bg, BGElem *elem)
{
    BGDrawParallax(bg, elem, elem->yScale);
}

// ---------------------------------------------------------------- loading

// "[" name rest, then a blank or "]", in any case.
static bool GroupIs(const char *header, const std::string &name)
{
    if (!header || header[0] != '[' || strncasecmp(header + 1, name.c_str(), name.size()) != 0)
        return false;
    char c = header[1 + name.size()];
    return c == ' ' || c == '\t' || c == ']';
}

static void SineRead(TxtParseFile *tp, const char *key, BGSine *s)
{
    float v[3] = {0.0f, 0.0f, 0.0f};
    int n = TxtParseScan(tp, key, "%f, %f, %f", &v[0], &v[1], &v[2]);
    if (n >= 1)
        s->amplitude = v[0];
    if (n >= 2)
        s->period = v[1];
    if (n >= 3)
        s->time = v[2];
}

// The element group at the parser's current group; 0 with the message set.
static int ElemRead(BGDef *bg, TxtParseFile *tp, const char *header, int index)
{
    BGElem v;
    BGElemDefaults(&v, BG_KIND_NORMAL);
    const char *type = TxtParseValueGet(tp, "type");
    if (!type || !*type) {
        LibMsgSet("Missing type in %s", header);
        return 0;
    }
    switch (tolower((unsigned char)type[0])) {
    case 'n': v.kind = BG_KIND_NORMAL; break;
    case 'p': v.kind = BG_KIND_PARALLAX; break;
    case 'a': v.kind = BG_KIND_ANIM; break;
    case 'd': v.kind = BG_KIND_DUMMY; break;
    case 'h': v.kind = BG_KIND_H; break;
    default:
        LibMsgSet("Invalid type: %s\n\tin %s", type, header);
        return 0;
    }
    TxtParseIntGet(tp, "layerno", &v.layer);
    TxtParseIntPairGet(tp, "start", &v.startX, &v.startY);
    TxtParseFloatPairGet(tp, "delta", &v.deltaX, &v.deltaY);
    TxtParseFloatPairGet(tp, "velocity", &v.velX, &v.velY);
    int actionNo = 0;
    if (v.kind == BG_KIND_ANIM) {
        if (!TxtParseIntGet(tp, "actionno", &actionNo)) {
            LibMsgSet("Missing actionno in %s", header);
            return 0;
        }
    } else if (v.kind != BG_KIND_DUMMY) {
        if (TxtParseScan(tp, "spriteno", "%i,%i", &v.sprGroup, &v.sprNumber) < 2) {
            LibMsgSet("Invalid or missing spriteno: %i,%i\n\tin %s", v.sprGroup, v.sprNumber, header);
            return 0;
        }
        if (SprSetFindImage(bg->spr, v.sprGroup, v.sprNumber) < 0) {
            LibMsgSet("Sprite doesn't exist: %i,%i", v.sprGroup, v.sprNumber);
            return 0;
        }
    }
    const char *trans = TxtParseValueGet(tp, "trans");
    if (trans && v.kind != BG_KIND_ANIM) {
        int kind = TransParse(trans, &v.alphaSrc, &v.alphaDst);
        if (kind == TRANS_UNKNOWN) {
            LibMsgSet("Invalid argument: trans = %s\nin %s", trans, header);
            return 0;
        }
        v.trans = kind;
        TxtParseIntPairGet(tp, "alpha", &v.alphaSrc, &v.alphaDst);
    }
    TxtParseIntGet(tp, "mask", &v.mask);
    TxtParseIntGet(tp, "id", &v.id);
    TxtParseIntPairGet(tp, "tile", &v.tileX, &v.tileY);
    TxtParseIntPairGet(tp, "tilespacing", &v.tileSpaceX, &v.tileSpaceY);
    int w[4];
    if (TxtParseScan(tp, "window", "%i,%i,%i,%i", &w[0], &w[1], &w[2], &w[3]) == 4) {
        v.window = 1;
        v.winX1 = w[0];
        v.winY1 = w[1];
        v.winX2 = w[2];
        v.winY2 = w[3];
        TxtParseFloatPairGet(tp, "windowdelta", &v.winDeltaX, &v.winDeltaY);
    }
    TxtParseIntGet(tp, "positionlink", &v.posLink);
    SineRead(tp, "sin.x", &v.sinX);
    SineRead(tp, "sin.y", &v.sinY);
    if (v.kind == BG_KIND_PARALLAX) {
        float xs[2];
        if (TxtParseScan(tp, "width", "%i,%i", &v.parTopWidth, &v.parBottomWidth) == 2) {
            v.widthGiven = 1;
        } else if (TxtParseScan(tp, "xscale", "%f,%f", &xs[0], &xs[1]) == 2) {
            const SprImage *img = SprSetImageGet(bg->spr, v.sprGroup, v.sprNumber);
            v.parTopWidth = TruncSat((double)img->width * xs[0]);
            v.parBottomWidth = TruncSat((double)img->width * xs[1]);
        } else {
            v.parTopWidth = v.parBottomWidth = 0;
        }
        // Widths of 0 or less leave no row to draw and nothing to divide by.
        if (v.parTopWidth < 1 || v.parBottomWidth < 1) {
            LibMsgSet("Missing or invalid width or xscale for parallax in %s.", header);
            return 0;
        }
        float start = 100.0f, delta = 0.0f;
        TxtParseFloatGet(tp, "yscalestart", &start);
        TxtParseFloatGet(tp, "yscaledelta", &delta);
        v.yScaleStart = TruncSat((double)start * 10.0);
        v.yScaleDelta = TruncSat((double)delta * 10.0);
    }
    return ElemAdd(bg, 0, index, &v, actionNo, header) >= 0;
}

static int CtrlTypeParse(const char *word)
{
    static const struct {
        const char *name;
        int type;
    } types[] = {
        {"visible", BG_CTRL_VISIBLE}, {"enable", BG_CTRL_ENABLE}, {"posset", BG_CTRL_POSSET},
        {"velset", BG_CTRL_VELSET},   {"posadd", BG_CTRL_POSADD}, {"veladd", BG_CTRL_VELADD},
        {"anim", BG_CTRL_ANIM},       {"sinx", BG_CTRL_SINX},     {"siny", BG_CTRL_SINY},
        {"null", BG_CTRL_NULL},       {"dummy", BG_CTRL_NULL},
    };
    for (const auto &t : types)
        if (strcasecmp(word, t.name) == 0)
            return t.type;
    return -1;
}

// "a, b, c": up to ten ids (more are cut), -1 after the last.
static void IdListRead(const char *text, int *ids)
{
    for (int i = 0; i < BG_CTRL_IDS; i++)
        ids[i] = -1;
    const char *p = text;
    for (int n = 0; n < BG_CTRL_IDS && p && *p; n++) {
        char *end;
        long v = strtol(p, &end, 10);
        if (end == p)
            break;
        ids[n] = (int)(v < -2147483647L ? -2147483647L : v > 2147483647L ? 2147483647L : v);
        p = strchr(end, ',');
        if (p)
            p++;
    }
}

struct CtrlDefaults {
    int loop;
    int ids[BG_CTRL_IDS];
};

static int CtrlRead(TxtParseFile *tp, const char *header, const CtrlDefaults *def, int number, int total,
                    BGCtrl *c)
{
    memset(c, 0, sizeof *c);
    memcpy(c->ids, def->ids, sizeof c->ids);
    const char *ids = TxtParseValueGet(tp, "ctrlid");
    if (ids)
        IdListRead(ids, c->ids);
    const char *type = TxtParseValueGet(tp, "type");
    if (!type || !*type) {
        LibMsgSet("\n%i/%i %s: Missing \"type\" parameter.", number, total, header);
        return 0;
    }
    c->type = CtrlTypeParse(type);
    if (c->type < 0) {
        LibMsgSet("\n%s: Invalid type: %s", header, type);
        return 0;
    }
    // Without a time the controller acts once, on the first tick after a reset.
    c->start = c->end = -1;
    c->loop = def->loop;
    int t[3];
    int n = TxtParseScan(tp, "time", "%i,%i,%i", &t[0], &t[1], &t[2]);
    if (n >= 1)
        c->start = c->end = t[0];
    if (n >= 2)
        c->end = t[1];
    if (n >= 3)
        c->loop = t[2];
    c->x = c->y = c->z = BG_NOT_GIVEN;
    switch (c->type) {
    case BG_CTRL_VISIBLE:
    case BG_CTRL_ENABLE:
    case BG_CTRL_ANIM:
        TxtParseIntGet(tp, "value", &c->value);
        break;
    case BG_CTRL_POSSET:
    case BG_CTRL_VELSET:
    case BG_CTRL_POSADD:
    case BG_CTRL_VELADD:
        TxtParseFloatGet(tp, "x", &c->x);
        TxtParseFloatGet(tp, "y", &c->y);
        break;
    case BG_CTRL_SINX:
    case BG_CTRL_SINY:
        TxtParseScan(tp, "value", "%f,%f,%f", &c->x, &c->y, &c->z);
        break;
    }
    return 1;
}

static bool CtrlNames(const BGCtrl *c, int id)
{
    if (c->ids[0] == -1)
        return true;
    for (int i = 0; i < BG_CTRL_IDS && c->ids[i] != -1; i++)
        if (c->ids[i] == id)
            return true;
    return false;
}

// The elements each controller acts on, found once rather than every tick.
static int CtrlTargetsFind(BGDef *bg)
{
    for (int k = 0; k < bg->ctrlCount; k++) {
        BGCtrl *c = &bg->ctrls[k];
        if (c->ids[0] == -1)
            continue;
        c->elemSlots = (int *)LibCalloc((size_t)MaxInt(ElemCount(bg), 1), sizeof(int));
        if (!c->elemSlots) {
            LibMsgSet("Out of memory.");
            return 0;
        }
        for (int i = 0; i < ElemCount(bg); i++)
            if (CtrlNames(c, ElemAt(bg, i)->id))
                c->elemSlots[c->elemCount++] = i;
    }
    return 1;
}

static int CtrlsRead(BGDef *bg, TxtParseFile *tp, const char *name)
{
    std::string ctrlName = std::string(name) + "Ctrl";
    std::string defName = std::string(name) + "CtrlDef";
    int total = 0;
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp))
        if (GroupIs(g, ctrlName))
            total++;
    if (total == 0)
        return 1;
    bg->ctrls = (BGCtrl *)LibCalloc((size_t)total, sizeof(BGCtrl));
    if (!bg->ctrls) {
        LibMsgSet("Out of memory.");
        return 0;
    }
    CtrlDefaults def;
    def.loop = -1;
    IdListRead("-1", def.ids);
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp)) {
        if (GroupIs(g, defName)) {
            def.loop = -1;
            TxtParseIntGet(tp, "looptime", &def.loop);
            const char *ids = TxtParseValueGet(tp, "ctrlid");
            IdListRead(ids ? ids : "-1", def.ids);
        } else if (GroupIs(g, ctrlName)) {
            if (!CtrlRead(tp, g, &def, bg->ctrlCount + 1, total, &bg->ctrls[bg->ctrlCount]))
                return 0;
            bg->ctrlCount++;
        }
    }
    return CtrlTargetsFind(bg);
}

BGDef *BGLoad(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr, AnimSet *anims)
{
    LibErrorMsg[0] = 0;
    std::string defGroup = std::string(name) + "def";
    if (TxtParseGroupSet(tp, defGroup.c_str()) < 0) {
        LibMsgSet("Can't access group %s", defGroup.c_str());
        return nullptr;
    }
    std::string elemName = name;
    int count = 0;
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp))
        if (GroupIs(g, elemName))
            count++;

    BGDef *bg = BGCreate(count, spr);
    if (!bg)
        return nullptr;
    TxtParseGroupSet(tp, defGroup.c_str());
    const char *sprName = TxtParseValueGet(tp, "spr");
    if (sprName && *sprName) {
        char path[1024];
        PathJoin(path, sizeof path, dir ? dir : "", sprName);
        bg->spr = SprLoad(path);
        if (!bg->spr) {
            LibMsgSet("Can't load sprite file %s", path);
            BGFree(bg);
            return nullptr;
        }
        bg->ownsSpr = 1;
    } else if (!spr) {
        LibMsgSet("Error: sff file must be specified");
        BGFree(bg);
        return nullptr;
    }
    int debugBg = 0;
    int rgb[3];
    if (TxtParseIntGet(tp, "debugbg", &debugBg)) {
        // debugbg alone decides, whatever bgclearcolor says.
        if (debugBg) {
            bg->clearR = 255;
            bg->clearG = 0;
            bg->clearB = 255;
        }
    } else if (TxtParseScan(tp, "bgclearcolor", "%i,%i,%i", &rgb[0], &rgb[1], &rgb[2]) == 3) {
        bg->clearR = rgb[0];
        bg->clearG = rgb[1];
        bg->clearB = rgb[2];
    }
    bg->clearCurR = bg->clearR;
    bg->clearCurG = bg->clearG;
    bg->clearCurB = bg->clearB;

    if (count == 0) {
        LibMsgSet("Need at least one [%s] type bg", name);
        BGFree(bg);
        return nullptr;
    }
    if (anims) {
        bg->anims = anims;
    } else if (TxtParseGroupCount(tp, "begin action ") > 0) {
        bg->anims = AnimSetParse(tp);
        if (!bg->anims) {
            LibMsgAppend("\nError loading anim.");
            BGFree(bg);
            return nullptr;
        }
        bg->ownsAnims = 1;
    }

    int index = 0;
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp)) {
        if (!GroupIs(g, elemName))
            continue;
        // The header is kept: the parser's group text stays put while keys are read.
        std::string header = g;
        if (!ElemRead(bg, tp, header.c_str(), index++)) {
            BGFree(bg);
            return nullptr;
        }
    }
    if (!CtrlsRead(bg, tp, name)) {
        LibMsgAppend("\nError reading bg control data");
        BGFree(bg);
        return nullptr;
    }
    BGReset(bg);
    return bg;
}

static BGDef *LoadFile(const char *path, const char *name, SprSet *spr, AnimSet *anims)
{
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        LibMsgSet("\nTXTPARSE error opening %s", path);
        return nullptr;
    }
    char dir[1024];
    PathSplit(path, dir, sizeof dir, nullptr, 0);
    BGDef *bg = BGLoad(tp, dir, name, spr, anims);
    TxtParseClose(tp);
    if (!bg) {
        LibMsgAppend("\nBG error reading ");
        LibMsgAppend(path);
    }
    return bg;
}

BGDef *BGLoadFile(const char *path, const char *name)
{
    return LoadFile(path, name, nullptr, nullptr);
}

BGDef *BGLoadFileShared(const char *path, const char *name, SprSet *spr, AnimSet *anims)
{
    return LoadFile(path, name, spr, anims);
}

// ---------------------------------------------------------------- camera and ticks

void BGSetPixelScale(BGDef *bg, int scale)
{
    for (int i = 0; i < ElemCount(bg); i++)
        ElemAt(bg, i)->pixelScale = scale;
}

void BGSetCamera(BGDef *bg, float x, float y)
{
    BGSetCameraEx(bg, x, y, 0.0f, 0.0f);
}

static float SineValue(const BGSine *s)
{
    return s->period != 0.0f ? s->amplitude * sinf(s->time / s->period * 6.28318f) : 0.0f;
}

void BGSetCameraEx(BGDef *bg, float cx, float cy, float ex, float ey)
{
    if (!bg)
        return;
    bg->camX = cx;
    bg->camY = cy;
    float t = (float)bg->tick;
    // A link on the first element follows nothing: 0.
    float linkX = 0.0f, linkY = 0.0f;
    for (int i = 0; i < ElemCount(bg); i++) {
        BGElem *e = ElemAt(bg, i);
        float sx = SineValue(&e->sinX), sy = SineValue(&e->sinY);
        float x, y;
        if (e->posLink) {
            x = sx + (float)e->startX + linkX;
            y = sy + (float)e->startY + linkY;
        } else {
            linkX = sx + e->velX * t + cx * e->deltaX + (float)e->startX;
            linkY = sy + e->velY * t + cy * e->deltaY + (float)e->startY;
            x = linkX;
            y = linkY;
        }
        e->posX = x + ex + e->ctrlOffX;
        e->posY = y + ey + e->ctrlOffY;
        if (e->window) {
            e->winOffX = RoundToInt((double)cx * e->winDeltaX);
            e->winOffY = RoundToInt((double)cy * e->winDeltaY);
        }
        if (e->kind == BG_KIND_PARALLAX)
            e->yScale = TruncSat((double)cy * e->yScaleDelta + e->yScaleStart);
        e->posXi = RoundToInt(e->posX);
        e->posYi = RoundToInt(e->posY);
    }
}

static void SineSet(BGSine *s, const BGCtrl *c)
{
    s->amplitude = c->x;
    s->period = c->y;
    s->time = c->z;
}

static void CtrlApply(const BGCtrl *c, BGElem *e)
{
    switch (c->type) {
    case BG_CTRL_VISIBLE:
        e->visible = c->value;
        break;
    case BG_CTRL_ENABLE:
        e->enabled = c->value;
        break;
    case BG_CTRL_POSSET:
        if (c->x != BG_NOT_GIVEN)
            e->ctrlOffX = c->x;
        if (c->y != BG_NOT_GIVEN)
            e->ctrlOffY = c->y;
        break;
    case BG_CTRL_VELSET:
        if (c->x != BG_NOT_GIVEN)
            e->ctrlVelX = c->x;
        if (c->y != BG_NOT_GIVEN)
            e->ctrlVelY = c->y;
        break;
    case BG_CTRL_POSADD:
        if (c->x != BG_NOT_GIVEN)
            e->ctrlOffX += c->x;
        if (c->y != BG_NOT_GIVEN)
            e->ctrlOffY += c->y;
        break;
    case BG_CTRL_VELADD:
        if (c->x != BG_NOT_GIVEN)
            e->ctrlVelX += c->x;
        if (c->y != BG_NOT_GIVEN)
            e->ctrlVelY += c->y;
        break;
    case BG_CTRL_ANIM:
        // Only animation elements have an action to change.
        if (e->kind == BG_KIND_ANIM && e->anim) {
            AnimObjChangeAction(e->anim, 0, c->value);
            AnimObjRestart(e->anim);
        }
        break;
    case BG_CTRL_SINX:
        SineSet(&e->sinX, c);
        break;
    case BG_CTRL_SINY:
        SineSet(&e->sinY, c);
        break;
    }
}

void BGTick(BGDef *bg)
{
    if (!bg)
        return;
    bg->clearCurR = bg->clearR;
    bg->clearCurG = bg->clearG;
    bg->clearCurB = bg->clearB;
    for (int k = 0; k < bg->ctrlCount; k++) {
        BGCtrl *c = &bg->ctrls[k];
        bool due = (c->timer >= c->start && c->timer <= c->end) || (c->start == -1 && bg->tick == 0);
        if (due && c->type < 100) {
            if (c->elemSlots) {
                for (int i = 0; i < c->elemCount; i++)
                    CtrlApply(c, ElemAt(bg, c->elemSlots[i]));
            } else {
                for (int i = 0; i < ElemCount(bg); i++)
                    CtrlApply(c, ElemAt(bg, i));
            }
        }
        c->timer++;
        if (c->loop != -1 && c->timer >= c->loop)
            c->timer = 0;
    }
    for (int i = 0; i < ElemCount(bg); i++) {
        BGElem *e = ElemAt(bg, i);
        if (e->enabled) {
            if (e->kind == BG_KIND_ANIM && e->anim)
                AnimObjTick(e->anim);
            if (e->sinX.period != 0.0f)
                e->sinX.time += 1.0f;
            if (e->sinY.period != 0.0f)
                e->sinY.time += 1.0f;
        }
        e->ctrlOffX += e->ctrlVelX;
        e->ctrlOffY += e->ctrlVelY;
    }
    bg->tick++;
}

void BGReset(BGDef *bg)
{
    if (!bg)
        return;
    for (int k = 0; k < bg->ctrlCount; k++)
        bg->ctrls[k].timer = 0;
    for (int i = 0; i < ElemCount(bg); i++) {
        BGElem *e = ElemAt(bg, i);
        if (e->kind == BG_KIND_ANIM && e->anim) {
            AnimObjChangeAction(e->anim, 0, e->actionNo);
            AnimObjRestart(e->anim);
        }
        e->visible = e->enabled = 1;
        e->ctrlOffX = e->ctrlOffY = e->ctrlVelX = e->ctrlVelY = 0.0f;
        // The file's sine phase, not 0: a stage is reset before its first frame.
        e->sinX.time = e->sinX.timeStart;
        e->sinY.time = e->sinY.timeStart;
    }
    bg->tick = 0;
}

BGElem *BGFindElemSlot(BGDef *bg, int slot)
{
    if (!bg || !bg->elems || slot < 0 || slot >= bg->elems->capacity || !bg->elems->slots[slot].used)
        return nullptr;
    return (BGElem *)ArrayAt(bg->elems, slot);
}

BGElem *BGFindElemById(BGDef *bg, int id)
{
    for (int i = 0; i < ElemCount(bg); i++)
        if (ElemAt(bg, i)->id == id)
            return ElemAt(bg, i);
    return nullptr;
}

// ---------------------------------------------------------------- drawing

// Where the copies of an element fall on one axis: the first draw position,
// the step and how many. lead is the distance from a draw position back to
// the copy's leading edge, extent its size, limit the target's size.
struct TileSpan {
    int64_t first, step, count;
};

static TileSpan Tile(int64_t pos, int64_t lead, int64_t extent, int64_t step, int tile, int limit)
{
    // A step of 0 or less would never leave the screen.
    if (step < 1)
        step = 1;
    TileSpan span = {pos, step, 1};
    int64_t edge = pos - lead;
    if (tile == 1) {
        int64_t m = FloorMod(edge, step);
        edge = m == 0 ? 0 : m - step;
        span.first = edge + lead;
        span.count = edge >= limit ? 0 : (limit - 1 - edge) / step + 1;
    } else if (tile > 1) {
        // Only the copies that reach into the target are drawn.
        int64_t from = edge + extent <= 0 ? (-(edge + extent)) / step + 1 : 0;
        int64_t to = edge >= limit ? 0 : (limit - 1 - edge) / step + 1;
        if (to > tile)
            to = tile;
        span.first = pos + from * step;
        span.count = to > from ? to - from : 0;
    }
    return span;
}

static void SpriteCopyDraw(BGDef *bg, const BGElem *e, int x, int y, int s)
{
    SprSet *set = bg->spr;
    int idx = e->sprIndex;
    float fs = (float)s;
    switch (e->trans) {
    case TRANS_ADD:
        if (s == 1)
            SprDrawAdd(set, idx, x, y);
        else
            SprDrawAddScaled(set, idx, (float)x, (float)y, fs, fs);
        break;
    case TRANS_SUB:
        if (s == 1)
            SprDrawSub(set, idx, x, y);
        else
            SprDrawSubScaled(set, idx, (float)x, (float)y, fs, fs);
        break;
    case TRANS_ALPHA:
        if (s == 1)
            SprDrawAlpha(set, idx, x, y, e->alphaSrc, e->alphaDst);
        else
            SprDrawAlphaScaled(set, idx, (float)x, (float)y, fs, fs, e->alphaSrc, e->alphaDst);
        break;
    default:
        if (e->mask == 1) {
            if (s == 1)
                SprDraw(set, idx, x, y);
            else
                SprDrawScaled(set, idx, (float)x, (float)y, fs, fs);
        } else {
            if (s == 1)
                SprDrawOpaque(set, idx, x, y);
            else
                SprDrawScaledOpaque(set, idx, x, y, fs, fs);
        }
        break;
    }
}

static void NormalDraw(BGDef *bg, const BGElem *e, int s)
{
    const SprImage *img = SprSetImageAt(bg->spr, e->sprIndex);
    int W = vbufTarget.width, H = vbufTarget.height;
    int64_t sx = (int64_t)RoundToInt((double)s * e->posX) + W / 2;
    int64_t sy = RoundToInt((double)s * e->posY);
    TileSpan xs = Tile(sx, (int64_t)s * img->xAxis, (int64_t)s * img->width,
                       ((int64_t)img->width + e->tileSpaceX) * s, e->tileX, W);
    TileSpan ys = Tile(sy, (int64_t)s * img->yAxis, (int64_t)s * img->height,
                       ((int64_t)img->height + e->tileSpaceY) * s, e->tileY, H);
    for (int64_t j = 0; j < ys.count; j++)
        for (int64_t i = 0; i < xs.count; i++)
            SpriteCopyDraw(bg, e, ClampInt(xs.first + i * xs.step), ClampInt(ys.first + j * ys.step), s);
}

static void AnimDraw(const BGElem *e, int s)
{
    int slot = AnimObjSprite(e->anim);
    if (slot < 0)
        return;
    const SprImage *img = SprSetImageAt(e->anim->spr, slot);
    int W = vbufTarget.width, H = vbufTarget.height;
    int64_t sx = (int64_t)RoundToInt((double)s * e->posX) + W / 2;
    int64_t sy = RoundToInt((double)s * e->posY);
    // Endless tiling wraps the position itself; counted copies are culled by
    // the frame shown now.
    int64_t leadX = e->tileX == 1 ? 0 : (int64_t)s * img->xAxis;
    int64_t leadY = e->tileY == 1 ? 0 : (int64_t)s * img->yAxis;
    TileSpan xs = Tile(sx, leadX, (int64_t)s * img->width, (int64_t)e->tileSpaceX * s, e->tileX, W);
    TileSpan ys = Tile(sy, leadY, (int64_t)s * img->height, (int64_t)e->tileSpaceY * s, e->tileY, H);
    for (int64_t j = 0; j < ys.count; j++)
        for (int64_t i = 0; i < xs.count; i++)
            AnimObjDrawScaled(e->anim, (float)ClampInt(xs.first + i * xs.step), (float)ClampInt(ys.first + j * ys.step),
                              (float)s, (float)s);
}

static void ElemDraw(BGDef *bg, BGElem *e)
{
    if (!e->enabled || !e->visible || e->kind == BG_KIND_H || e->kind == BG_KIND_DUMMY)
        return;
    int s = e->pixelScale > 0 ? e->pixelScale : 1;
    int saved[4];
    if (e->window) {
        int64_t x1 = ((int64_t)e->winX1 - e->winOffX) * s, x2 = ((int64_t)e->winX2 - e->winOffX) * s;
        int64_t y1 = ((int64_t)e->winY1 - e->winOffY) * s, y2 = ((int64_t)e->winY2 - e->winOffY) * s;
        if (x1 > x2)
            std::swap(x1, x2);
        if (y1 > y2)
            std::swap(y1, y2);
        // A window wholly off the target shows nothing (clamping it would
        // leave a one-pixel strip at the edge).
        if (x2 < 0 || y2 < 0 || x1 >= vbufTarget.width || y1 >= vbufTarget.height)
            return;
        VbufClipSave(saved);
        VbufClipSet(ClampInt(x1), ClampInt(y1), ClampInt(x2), ClampInt(y2));
    }
    switch (e->kind) {
    case BG_KIND_NORMAL:
        NormalDraw(bg, e, s);
        break;
    case BG_KIND_ANIM:
        if (e->anim)
            AnimDraw(e, s);
        break;
    case BG_KIND_PARALLAX:
        BGDrawParallaxDefault(bg, e);
        break;
    }
    if (e->window)
        VbufClipRestore(saved);
}

static void ClearDraw(const BGDef *bg)
{
    if (bg->clearCurR != -1)
        VbufClear(PalColor565(bg->clearCurR, bg->clearCurG, bg->clearCurB));
}

void BGDrawAll(BGDef *bg)
{
    if (!bg || !vbufTarget.pixels)
        return;
    ClearDraw(bg);
    for (int i = 0; i < ElemCount(bg); i++)
        ElemDraw(bg, ElemAt(bg, i));
}

void BGDrawLayer(BGDef *bg, int layer)
{
    if (!bg || !vbufTarget.pixels)
        return;
    if (layer == 0)
        ClearDraw(bg);
    for (int i = 0; i < ElemCount(bg); i++) {
        BGElem *e = ElemAt(bg, i);
        if (e->layer == layer)
            ElemDraw(bg, e);
    }
}
