// Sprite sets: images keyed by (group, number), their palettes, and sharing views.
#include "lib/spr-lib.h"

#include <allegro.h>
#include <climits>
#include <cstdint>
#include <cstring>

#include "lib/array.h"
#include "lib/libbase.h"

// Line numbers that name the slot checks in assertion texts.
enum { SPR_LINE_IMAGE = 560, SPR_LINE_PAL = 579, SPR_LINE_PAL_READY = 601 };

static int UsedCount(const Array *a)
{
    return a ? a->used : 0;
}

static void CheckSlot(const Array *a, int slot, int line)
{
    if (!a || slot < 0 || slot >= a->used)
        LibAssertFail("spr-lib", line);
}

int SprBytesPerPixel(int bits)
{
    return (bits + 7) / 8;
}

static int MakeRowTable(SprImage *img, int *buffer)
{
    int bpp = SprBytesPerPixel(img->bpp);
    if ((int64_t)img->height * img->width * bpp > INT_MAX)
        return 0;
    int *rows = buffer;
    if (!rows) {
        rows = (int *)LibCalloc((size_t)img->height, sizeof(int));
        if (!rows)
            return 0;
        img->ownsRows = 1;
    } else {
        img->ownsRows = 0;
    }
    for (int r = 0; r < img->height; r++)
        rows[r] = r * img->width * bpp;
    img->rows = rows;
    return 1;
}

int SprImageInit(SprImage *img, int kind, void *pixels, int byteLength, int copy, int width, int height, int bpp,
                 int xAxis, int yAxis)
{
    memset(img, 0, sizeof *img);
    img->pixelKind = kind;
    img->palIndex = -1;
    if (width < 0 || height < 0 || byteLength < 0)
        return 0;
    if (copy) {
        // Copying an Allegro bitmap as a plain block would alias its internals.
        if (kind != SPR_PIXELS_HEAP)
            return 0;
        void *block = LibCalloc((size_t)byteLength, 1);
        if (!block)
            return 0;
        if (pixels && byteLength > 0)
            memcpy(block, pixels, (size_t)byteLength);
        img->pixels = block;
        img->ownsPixels = 1;
    } else {
        img->pixels = pixels;
    }
    img->byteLength = byteLength;
    img->width = width;
    img->height = height;
    img->bpp = bpp;
    img->xAxis = xAxis;
    img->yAxis = yAxis;
    img->colorCount = (bpp > 0 && bpp <= 8) ? 1 << bpp : 0;
    if (height == 0)
        return 0;
    if (!MakeRowTable(img, nullptr)) {
        if (img->ownsPixels)
            MemFree(img->pixels);
        img->pixels = nullptr;
        img->ownsPixels = 0;
        return 0;
    }
    return 1;
}

void SprImageFree(SprImage *img)
{
    if (!img)
        return;
    if (img->ownsPixels && img->pixels) {
        if (img->pixelKind == SPR_PIXELS_BITMAP)
            destroy_bitmap((BITMAP *)img->pixels);
        else
            MemFree(img->pixels);
    }
    if (img->ownsRows)
        MemFree(img->rows);
    memset(img, 0, sizeof *img);
}

int SprImageCopy(SprImage *dest, const SprImage *src, int deep)
{
    *dest = *src;
    dest->ownsPixels = 0;
    dest->ownsRows = 0;
    if (!deep)
        return 1;
    void *pixels = nullptr;
    if (src->pixelKind == SPR_PIXELS_BITMAP) {
        // A real copy of the bitmap: copying its record's bytes would share its memory.
        BITMAP *from = (BITMAP *)src->pixels;
        BITMAP *to = from ? create_bitmap_ex(bitmap_color_depth(from), from->w, from->h) : nullptr;
        if (!to) {
            memset(dest, 0, sizeof *dest);
            return 0;
        }
        blit(from, to, 0, 0, 0, 0, from->w, from->h);
        pixels = to;
    } else if (src->pixelKind == SPR_PIXELS_HEAP) {
        pixels = LibCalloc((size_t)(src->byteLength > 0 ? src->byteLength : 0), 1);
        if (!pixels) {
            memset(dest, 0, sizeof *dest);
            return 0;
        }
        if (src->pixels && src->byteLength > 0)
            memcpy(pixels, src->pixels, (size_t)src->byteLength);
    } else {
        memset(dest, 0, sizeof *dest);
        return 0;
    }
    int *rows = nullptr;
    if (src->rows && src->height > 0) {
        rows = (int *)LibCalloc((size_t)src->height, sizeof(int));
        if (!rows) {
            if (src->pixelKind == SPR_PIXELS_BITMAP)
                destroy_bitmap((BITMAP *)pixels);
            else
                MemFree(pixels);
            memset(dest, 0, sizeof *dest);
            return 0;
        }
        memcpy(rows, src->rows, (size_t)src->height * sizeof(int));
    }
    dest->pixels = pixels;
    dest->ownsPixels = 1;
    dest->rows = rows;
    dest->ownsRows = rows ? 1 : 0;
    return 1;
}

int SprImageLineTableMake(SprImage *img, int *buffer)
{
    if (img->rows || img->height <= 0)
        return 0;
    if (!MakeRowTable(img, buffer))
        return 0;
    return img->height;
}

int SprImageLinkPal(SprImage *img, SprSet *set, int k1, int k2)
{
    int slot = SprSetFindPal(set, k1, k2);
    if (slot < 0)
        return 0;
    const Palette *pal = SprSetPalAt(set, slot);
    if (pal->count != img->colorCount)
        return 0;
    img->palIndex = slot;
    return 1;
}

void SprImageSetAxis(SprImage *img, int x, int y)
{
    img->xAxis = x;
    img->yAxis = y;
}

SprSet *SprSetCreate(int imageCapacity, int palCapacity)
{
    SprSet *set = (SprSet *)LibCalloc(1, sizeof *set);
    if (!set)
        return nullptr;
    if (imageCapacity > 0) {
        set->images = ArrayCreate(imageCapacity, sizeof(SprImage), nullptr);
        if (!set->images) {
            MemFree(set);
            return nullptr;
        }
    }
    if (palCapacity > 0) {
        set->pals = ArrayCreate(palCapacity, sizeof(Palette), nullptr);
        if (!set->pals) {
            ArrayFree(set->images);
            MemFree(set);
            return nullptr;
        }
    }
    return set;
}

static SprSet *RootOf(SprSet *set)
{
    return set->source ? set->source : set;
}

// Palette records of a view borrow the root's colour data.
static void PalsDisown(Array *pals)
{
    if (!pals)
        return;
    for (Palette *p = (Palette *)ArrayFirst(pals); p; p = (Palette *)ArrayNext(pals))
        p->ownsData = 0;
}

SprSet *SprSetShare(SprSet *set)
{
    if (!set)
        return nullptr;
    SprSet *view = (SprSet *)LibCalloc(1, sizeof *view);
    if (!view)
        return nullptr;
    SprSet *root = RootOf(set);
    *view = *set;
    view->source = root;
    view->viewCount = 0;
    view->pals = nullptr;
    if (set->pals) {
        view->pals = ArrayClone(set->pals);
        if (!view->pals) {
            MemFree(view);
            return nullptr;
        }
        PalsDisown(view->pals);
    }
    root->viewCount++;
    return view;
}

SprSet *SprSetReshare(SprSet *set, SprSet *source)
{
    if (!set || !source || set->viewCount > 0)
        return nullptr;
    SprSet *root = RootOf(source);
    // A set cannot borrow from itself.
    if (set == source || set == root)
        return nullptr;
    if (!SprSetClear(set))
        return nullptr;
    ArrayFree(set->images);
    set->images = nullptr;
    Array *pals = set->pals;
    if (!pals) {
        pals = ArrayCreate(1, sizeof(Palette), nullptr);
        if (!pals)
            return nullptr;
        set->pals = pals;
    }
    if (source->pals && !ArrayCopy(pals, source->pals)) {
        // Left empty and owning nothing; the root gained no view.
        ArrayClear(pals);
        return nullptr;
    }
    *set = *source;
    set->pals = pals;
    set->source = root;
    set->viewCount = 0;
    if (source->pals)
        PalsDisown(pals);
    else
        ArrayClear(pals);
    root->viewCount++;
    return set;
}

int SprSetAddImage(SprSet *set, const SprImage *img, int group, int number)
{
    if (!set->images) {
        set->images = ArrayCreate(1, sizeof(SprImage), nullptr);
        if (!set->images)
            return 0;
    }
    return ArrayAddGrow(set->images, img, group, number) >= 0;
}

int SprSetAddPal(SprSet *set, const Palette *pal, int k1, int k2)
{
    if (!set->pals) {
        set->pals = ArrayCreate(1, sizeof(Palette), nullptr);
        if (!set->pals)
            return 0;
    }
    return ArrayAddGrow(set->pals, pal, k1, k2) >= 0;
}

static void PalsFree(Array *pals)
{
    if (!pals)
        return;
    for (Palette *p = (Palette *)ArrayFirst(pals); p; p = (Palette *)ArrayNext(pals))
        PalFree(p);
}

static void ImagesFree(Array *images)
{
    if (!images)
        return;
    for (SprImage *img = (SprImage *)ArrayFirst(images); img; img = (SprImage *)ArrayNext(images))
        SprImageFree(img);
}

int SprSetFree(SprSet *set)
{
    if (!set)
        return 1;
    if (set->viewCount > 0)
        return 0;
    PalsFree(set->pals);
    ArrayFree(set->pals);
    if (!set->source) {
        ImagesFree(set->images);
        ArrayFree(set->images);
        MemFree(set->raw);
    } else {
        set->source->viewCount--;
    }
    MemFree(set);
    return 1;
}

int SprSetClear(SprSet *set)
{
    if (!set)
        return 0;
    if (set->viewCount > 0)
        return 0;
    PalsFree(set->pals);
    if (set->pals)
        ArrayClear(set->pals);
    if (!set->source) {
        ImagesFree(set->images);
        if (set->images)
            ArrayClear(set->images);
        MemFree(set->raw);
        set->raw = nullptr;
    } else {
        set->images = nullptr;
        set->raw = nullptr;
        set->source->viewCount--;
        set->source = nullptr;
    }
    return 1;
}

int SprSetFindImage(const SprSet *set, int group, int number)
{
    if (!set || !set->images)
        return -1;
    return ArrayFind(set->images, group, number);
}

int SprSetFindPal(const SprSet *set, int k1, int k2)
{
    if (!set || !set->pals)
        return -1;
    return ArrayFind(set->pals, k1, k2);
}

SprImage *SprSetImageAt(const SprSet *set, int slot)
{
    CheckSlot(set ? set->images : nullptr, slot, SPR_LINE_IMAGE);
    return (SprImage *)ArrayAt(set->images, slot);
}

SprImage *SprSetImageGet(const SprSet *set, int group, int number)
{
    int slot = SprSetFindImage(set, group, number);
    return slot < 0 ? nullptr : (SprImage *)ArrayAt(set->images, slot);
}

Palette *SprSetPalAt(const SprSet *set, int slot)
{
    CheckSlot(set ? set->pals : nullptr, slot, SPR_LINE_PAL);
    return (Palette *)ArrayAt(set->pals, slot);
}

Palette *SprSetPalGet(const SprSet *set, int k1, int k2)
{
    int slot = SprSetFindPal(set, k1, k2);
    return slot < 0 ? nullptr : (Palette *)ArrayAt(set->pals, slot);
}

Palette *SprSetPalAtReady(const SprSet *set, int slot)
{
    CheckSlot(set ? set->pals : nullptr, slot, SPR_LINE_PAL_READY);
    Palette *pal = (Palette *)ArrayAt(set->pals, slot);
    PalColorsGet(pal);
    return pal;
}

int SprSetPalCopyShared(SprSet *set, int a, int b)
{
    if (!set || !set->source)
        return 0;
    const Array *from = set->source->pals;
    if (a < 0 || a >= UsedCount(set->pals) || b < 0 || b >= UsedCount(from))
        return 0;
    return PalCopy((Palette *)ArrayAt(set->pals, a), (const Palette *)ArrayAt(from, b), 0);
}

int SprSetImageCount(const SprSet *set)
{
    return set ? UsedCount(set->images) : 0;
}

int SprSetPalCount(const SprSet *set)
{
    return set ? UsedCount(set->pals) : 0;
}

static void *PixelBase(const SprSet *set, int slot)
{
    const SprImage *img = SprSetImageAt(set, slot);
    if (img->pixelKind == SPR_PIXELS_HEAP)
        return img->pixels;
    if (img->pixelKind == SPR_PIXELS_BITMAP && img->pixels)
        return ((BITMAP *)img->pixels)->dat;
    return nullptr;
}

void *SprImageDstPixels(const SprSet *set, int slot)
{
    return PixelBase(set, slot);
}

const void *SprImageSrcPixels(const SprSet *set, int slot)
{
    return PixelBase(set, slot);
}

void SprImagePixelsDone(const void *)
{
}
