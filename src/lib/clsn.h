// Collision-box lists of animation elements: parsing, reference counting and overlap tests.
#pragma once

struct TxtParseFile;

// Coordinates in the sprite's frame: x forward, y down; x1 <= x2, y1 <= y2 once parsed.
struct ClsnBox {
    int x1, y1, x2, y2;
};

// Shared by reference between the elements of an action.
struct ClsnList {
    int valid;      // 1 for every list made here; 0 never overlaps
    int capacity;
    ClsnBox *boxes;
    int count;
    int refs;
};

// Load-time scale applied to parsed boxes (1.0, 1.0 by default). Per thread:
// characters load on the pre-caching thread while the game thread loads other files.
void ClsnScaleSet(float x, float y);
float ClsnScaleX();
float ClsnScaleY();

ClsnList *ClsnListCreate(int capacity);
ClsnList *ClsnListCopy(const ClsnList *list);
ClsnList *ClsnListRef(ClsnList *list);
// Drops one reference and frees the list at 0; returns the new count (0 for null).
int ClsnListRelease(ClsnList *list);
int ClsnListAdd(ClsnList *list, const ClsnBox *box);
int ClsnListAddBox(ClsnList *list, int x1, int y1, int x2, int y2);

// Parses a "Clsn1"/"Clsn2" header line and the box lines that follow it in the
// parser's current group; the new list or null.
ClsnList *ClsnListParse(const char *header, TxtParseFile *parser);

int ClsnBoxHitsList(const ClsnBox *box, const ClsnList *list, int dx, int dy);
int ClsnBoxMirroredHitsList(const ClsnBox *box, const ClsnList *list, int dx, int dy);
int ClsnBoxMirroredHitsListMirrored(const ClsnBox *box, const ClsnList *list, int dx, int dy);
int ClsnListsHit(const ClsnList *a, const ClsnList *b, int dx, int dy);
// Box lists of A and B, B placed at (dx, dy); each mirror flag 0 or 1.
int ClsnListsOverlap(const ClsnList *a, const ClsnList *b, int dx, int dy, int mirrorA, int mirrorB);

// Debug display of a list at (x, y): each box's corners at position + scale x
// coordinate (x mirrored by flip bit 1), a subtractive outline in (4, 8, 4),
// then the colour filled additively or as an additive outline. Nothing for a
// missing list or a zero scale.
void ClsnDebugDraw(const ClsnList *list, int x, int y, float xScale, float yScale, int flip, int colour,
                   int filled);
