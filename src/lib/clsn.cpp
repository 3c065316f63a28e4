// Collision-box lists of animation elements: parsing, reference counting and overlap tests.
#include "lib/clsn.h"

#include "lib/vbuf.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <strings.h>
#include <vector>

#include "lib/libbase.h"
#include "lib/txtparse.h"

static thread_local float clsnScaleX = 1.0f;
static thread_local float clsnScaleY = 1.0f;

void ClsnScaleSet(float x, float y)
{
    clsnScaleX = x;
    clsnScaleY = y;
}

float ClsnScaleX()
{
    return clsnScaleX;
}

float ClsnScaleY()
{
    return clsnScaleY;
}

ClsnList *ClsnListCreate(int capacity)
{
    if (capacity <= 0)
        return nullptr;
    ClsnList *list = (ClsnList *)LibCalloc(1, sizeof *list);
    if (!list)
        return nullptr;
    list->boxes = (ClsnBox *)LibCalloc((size_t)capacity, sizeof(ClsnBox));
    if (!list->boxes) {
        MemFree(list);
        return nullptr;
    }
    list->valid = 1;
    list->capacity = capacity;
    list->refs = 1;
    return list;
}

ClsnList *ClsnListCopy(const ClsnList *list)
{
    if (!list || list->capacity <= 0)
        return nullptr;
    ClsnList *copy = ClsnListCreate(list->capacity);
    if (!copy)
        return nullptr;
    memcpy(copy->boxes, list->boxes, (size_t)list->count * sizeof(ClsnBox));
    copy->count = list->count;
    copy->valid = list->valid;
    return copy;
}

ClsnList *ClsnListRef(ClsnList *list)
{
    if (list)
        list->refs++;
    return list;
}

int ClsnListRelease(ClsnList *list)
{
    if (!list)
        return 0;
    int refs = --list->refs;
    if (refs <= 0) {
        MemFree(list->boxes);
        MemFree(list);
    }
    return refs;
}

int ClsnListAdd(ClsnList *list, const ClsnBox *box)
{
    if (!list || list->count >= list->capacity)
        return 0;
    list->boxes[list->count++] = *box;
    return 1;
}

int ClsnListAddBox(ClsnList *list, int x1, int y1, int x2, int y2)
{
    ClsnBox box = {x1, y1, x2, y2};
    return ClsnListAdd(list, &box);
}

static int ScaleCoord(int v, float scale)
{
    return TruncToInt((float)v * scale);
}

static bool IsNumStart(char c)
{
    return isdigit((unsigned char)c) || c == '-';
}

// One box line: "ClsnN[i] = x1, y1, x2, y2". False when it is not one.
static bool ParseBoxLine(const char *line, ClsnBox *box)
{
    if (strncasecmp(line, "clsn", 4) != 0 || strlen(line) < 6)
        return false;
    const char *p = strchr(line + 5, '=');
    if (!p)
        return false;
    int v[4];
    for (int i = 0; i < 4; i++) {
        if (i > 0) {
            p = strchr(p, ',');
            if (!p)
                return false;
        }
        while (*p && !IsNumStart(*p))
            p++;
        if (!*p)
            return false;
        v[i] = StrToIntClamped(p, &p);
    }
    box->x1 = v[0];
    box->y1 = v[1];
    box->x2 = v[2];
    box->y2 = v[3];
    if (box->x2 < box->x1)
        SwapInt(&box->x1, &box->x2);
    if (box->y2 < box->y1)
        SwapInt(&box->y1, &box->y2);
    if (clsnScaleX != 1.0f || clsnScaleY != 1.0f) {
        box->x1 = ScaleCoord(box->x1, clsnScaleX);
        box->x2 = ScaleCoord(box->x2, clsnScaleX);
        box->y1 = ScaleCoord(box->y1, clsnScaleY);
        box->y2 = ScaleCoord(box->y2, clsnScaleY);
    }
    return true;
}

// The header's box count, 0 when the header is malformed.
static int HeaderCount(const char *header)
{
    if (strlen(header) < 6)
        return 0;
    const char *p = strchr(header + 5, ':');
    if (!p)
        return 0;
    p++;
    while (*p == ' ' || *p == '\t')
        p++;
    if (!isdigit((unsigned char)*p))
        return 0;
    const char *end;
    int n = StrToIntClamped(p, &end);
    return n > 0 ? n : 0;
}

// Reads the boxes first so that the list is sized by the lines actually
// present, never by a count from the file alone.
static ClsnList *ParseWith(const char *header, const char *(*nextLine)(void *), void *ctx)
{
    int count = HeaderCount(header);
    if (count <= 0)
        return nullptr;
    std::vector<ClsnBox> boxes;
    while ((int)boxes.size() < count) {
        const char *line = nextLine(ctx);
        ClsnBox box;
        if (!line || !ParseBoxLine(line, &box))
            return nullptr;
        boxes.push_back(box);
    }
    ClsnList *list = ClsnListCreate(count);
    if (!list)
        return nullptr;
    for (const ClsnBox &b : boxes)
        ClsnListAdd(list, &b);
    return list;
}

static const char *ParserLine(void *parser)
{
    return TxtParseLineNext((TxtParseFile *)parser);
}

ClsnList *ClsnListParse(const char *header, TxtParseFile *parser)
{
    if (!header || !parser)
        return nullptr;
    return ParseWith(header, ParserLine, parser);
}

// Spans overlap when each low end is at most the other's high end (touching overlaps).
static bool BoxesOverlap(const ClsnBox *a, int mirrorA, const ClsnBox *b, int dx, int dy, int mirrorB)
{
    int64_t ax1 = mirrorA ? -(int64_t)a->x2 : a->x1;
    int64_t ax2 = mirrorA ? -(int64_t)a->x1 : a->x2;
    int64_t bx1 = mirrorB ? (int64_t)dx - b->x2 : (int64_t)dx + b->x1;
    int64_t bx2 = mirrorB ? (int64_t)dx - b->x1 : (int64_t)dx + b->x2;
    int64_t by1 = (int64_t)dy + b->y1;
    int64_t by2 = (int64_t)dy + b->y2;
    return ax1 <= bx2 && bx1 <= ax2 && a->y1 <= by2 && by1 <= a->y2;
}

static int BoxHitsList(const ClsnBox *box, int mirrorBox, const ClsnList *list, int dx, int dy, int mirrorList)
{
    if (!box || !list || !list->valid)
        return 0;
    for (int i = 0; i < list->count; i++)
        if (BoxesOverlap(box, mirrorBox, &list->boxes[i], dx, dy, mirrorList))
            return 1;
    return 0;
}

int ClsnBoxHitsList(const ClsnBox *box, const ClsnList *list, int dx, int dy)
{
    return BoxHitsList(box, 0, list, dx, dy, 0);
}

int ClsnBoxMirroredHitsList(const ClsnBox *box, const ClsnList *list, int dx, int dy)
{
    return BoxHitsList(box, 1, list, dx, dy, 0);
}

int ClsnBoxMirroredHitsListMirrored(const ClsnBox *box, const ClsnList *list, int dx, int dy)
{
    return BoxHitsList(box, 1, list, dx, dy, 1);
}

int ClsnListsOverlap(const ClsnList *a, const ClsnList *b, int dx, int dy, int mirrorA, int mirrorB)
{
    if (!a || !b || !a->valid || !b->valid)
        return 0;
    if ((mirrorA != 0 && mirrorA != 1) || (mirrorB != 0 && mirrorB != 1))
        return 0;
    for (int i = 0; i < a->count; i++)
        if (BoxHitsList(&a->boxes[i], mirrorA, b, dx, dy, mirrorB))
            return 1;
    return 0;
}

int ClsnListsHit(const ClsnList *a, const ClsnList *b, int dx, int dy)
{
    return ClsnListsOverlap(a, b, dx, dy, 0, 0);
}

// Box corners can lie far off screen at large scales: held within a range
// whose spans cannot overflow; the drawing primitives clip.
static int ClsnCorner(int origin, float scale, int v)
{
    const double limit = 1 << 24;
    double c = (double)origin + (double)scale * v;
    if (std::isnan(c))
        return 0;
    return (int)std::clamp(c, -limit, limit);
}

void ClsnDebugDraw(const ClsnList *list, int x, int y, float xScale, float yScale, int flip, int colour,
                   int filled)
{
    if (!list || xScale == 0 || yScale == 0)
        return;
    const int outline = 4 << 11 | 8 << 5 | 4;
    for (int i = 0; i < list->count; i++) {
        const ClsnBox *b = &list->boxes[i];
        int x1, x2;
        if (flip & 1) {
            x1 = ClsnCorner(x, xScale, -b->x2);
            x2 = ClsnCorner(x, xScale, -b->x1);
        } else {
            x1 = ClsnCorner(x, xScale, b->x1);
            x2 = ClsnCorner(x, xScale, b->x2);
        }
        int y1 = ClsnCorner(y, yScale, b->y1), y2 = ClsnCorner(y, yScale, b->y2);
        VbufRectSub(x1, y1, x2, y2, outline);
        if (filled)
            VbufRectFillAdd(x1, y1, x2, y2, colour);
        else
            VbufRectAdd(x1, y1, x2, y2, colour);
    }
}
