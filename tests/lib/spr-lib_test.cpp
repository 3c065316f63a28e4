// Sprite sets: image records, palette links, sharing views and their counts.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <vector>

#include "lib/array.h"
#include "lib/spr-lib.h"
#include "support/testkit.h"

static SprImage HeapImage(int w, int h, int bpp, unsigned char fill)
{
    std::vector<unsigned char> px((size_t)w * h * ((bpp + 7) / 8), fill);
    SprImage img;
    EXPECT_EQ(SprImageInit(&img, SPR_PIXELS_HEAP, px.data(), (int)px.size(), 1, w, h, bpp, 1, 2), 1);
    return img;
}

static Palette Colors(int count, unsigned char red)
{
    std::vector<unsigned char> data((size_t)count * 4, 0);
    for (int i = 0; i < count; i++)
        data[4 * i] = red;
    Palette p;
    EXPECT_EQ(PalInit(&p, count, data.data(), 1), 1);
    return p;
}

TEST(SprImageTest, InitRowsCopiesAndFree)
{
    unsigned char px[2 * 3 * 3] = {0};
    SprImage img;
    ASSERT_EQ(SprImageInit(&img, SPR_PIXELS_HEAP, px, sizeof px, 0, 2, 3, 24, 5, 6), 1);
    EXPECT_EQ(img.pixels, px);
    EXPECT_EQ(img.ownsPixels, 0);
    EXPECT_EQ(img.colorCount, 0);
    EXPECT_EQ(img.palIndex, -1);
    EXPECT_EQ(img.rows[2], 12);
    EXPECT_EQ(img.ownsRows, 1);
    EXPECT_EQ(SprImageLineTableMake(&img, nullptr), 0);

    SprImage shallow, deep;
    ASSERT_EQ(SprImageCopy(&shallow, &img, 0), 1);
    EXPECT_EQ(shallow.pixels, px);
    EXPECT_EQ(shallow.rows, img.rows);
    EXPECT_EQ(shallow.ownsPixels + shallow.ownsRows, 0);
    ASSERT_EQ(SprImageCopy(&deep, &img, 1), 1);
    EXPECT_NE(deep.pixels, px);
    EXPECT_NE(deep.rows, img.rows);
    EXPECT_EQ(deep.rows[1], 6);
    EXPECT_EQ(deep.ownsPixels, 1);
    SprImageFree(&deep);
    SprImageFree(&img);
    EXPECT_EQ(img.pixels, nullptr);

    SprImage empty;
    EXPECT_EQ(SprImageInit(&empty, SPR_PIXELS_HEAP, px, 0, 0, 4, 0, 8, 0, 0), 0);
    EXPECT_EQ(SprImageLineTableMake(&empty, nullptr), 0);
    SprImage own = HeapImage(4, 2, 8, 9);
    EXPECT_EQ(own.colorCount, 256);
    EXPECT_EQ(((unsigned char *)own.pixels)[7], 9);
    SprImageFree(&own);

    // A row table in a caller's buffer is not owned.
    SprImage noRows;
    memset(&noRows, 0, sizeof noRows);
    noRows.width = 3;
    noRows.height = 2;
    noRows.bpp = 8;
    int buffer[2];
    EXPECT_EQ(SprImageLineTableMake(&noRows, buffer), 2);
    EXPECT_EQ(buffer[1], 3);
    EXPECT_EQ(noRows.ownsRows, 0);
}

TEST(SprImageTest, DeepCopyOfBitmapIsARealCopy)
{
    TestAllegroStart();
    BITMAP *bmp = create_bitmap_ex(16, 4, 4);
    ASSERT_NE(bmp, nullptr);
    clear_to_color(bmp, 0x1234);
    SprImage img;
    ASSERT_EQ(SprImageInit(&img, SPR_PIXELS_BITMAP, bmp, 4 * 4 * 2, 0, 4, 4, 16, 0, 0), 1);
    img.ownsPixels = 1;
    SprImage copy;
    ASSERT_EQ(SprImageCopy(&copy, &img, 1), 1);
    ASSERT_NE(copy.pixels, img.pixels);
    BITMAP *c = (BITMAP *)copy.pixels;
    EXPECT_EQ(getpixel(c, 3, 3), 0x1234);
    putpixel(c, 0, 0, 7);
    EXPECT_EQ(getpixel(bmp, 0, 0), 0x1234);
    SprImageFree(&copy);
    SprImageFree(&img);
    // A bitmap is never copied as a plain block.
    BITMAP *b2 = create_bitmap_ex(16, 2, 2);
    SprImage refused;
    EXPECT_EQ(SprImageInit(&refused, SPR_PIXELS_BITMAP, b2, 8, 1, 2, 2, 16, 0, 0), 0);
    destroy_bitmap(b2);
}

TEST(SprSetTest, KeysPalettesAndLinks)
{
    SprSet *set = SprSetCreate(0, 0);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->images, nullptr);
    Palette full = Colors(256, 10), small = Colors(16, 20);
    ASSERT_EQ(SprSetAddPal(set, &full, 0, 0), 1);
    ASSERT_EQ(SprSetAddPal(set, &small, 1, 0), 1);
    SprImage a = HeapImage(2, 2, 8, 1), b = HeapImage(2, 2, 8, 2), c = HeapImage(2, 2, 24, 3);
    EXPECT_EQ(SprImageLinkPal(&a, set, 0, 0), 1);
    EXPECT_EQ(a.palIndex, 0);
    EXPECT_EQ(SprImageLinkPal(&b, set, 1, 0), 0);   // 16 colours against 256
    EXPECT_EQ(SprImageLinkPal(&c, set, 0, 0), 0);   // 24-bit image
    EXPECT_EQ(SprImageLinkPal(&b, set, 5, 5), 0);
    EXPECT_EQ(b.palIndex, -1);
    EXPECT_EQ(c.palIndex, -1);
    ASSERT_EQ(SprSetAddImage(set, &a, 9000, 0), 1);
    ASSERT_EQ(SprSetAddImage(set, &b, 9000, 1), 1);
    ASSERT_EQ(SprSetAddImage(set, &c, 9000, 0), 1);   // duplicate key: the first one wins
    EXPECT_EQ(SprSetImageCount(set), 3);
    EXPECT_EQ(SprSetPalCount(set), 2);
    EXPECT_EQ(SprSetFindImage(set, 9000, 0), 0);
    EXPECT_EQ(SprSetFindImage(set, 9000, 1), 1);
    EXPECT_EQ(SprSetFindImage(set, 1, 1), -1);
    EXPECT_EQ(SprSetImageGet(set, 9000, 0)->bpp, 8);
    EXPECT_EQ(SprSetImageGet(set, 2, 2), nullptr);
    EXPECT_EQ(SprSetImageAt(set, 2)->bpp, 24);
    EXPECT_EQ(SprSetPalGet(set, 1, 0)->count, 16);
    EXPECT_EQ(SprSetPalGet(set, 1, 1), nullptr);
    EXPECT_EQ(SprSetFindPal(set, 1, 0), 1);
    EXPECT_EQ(SprImageSrcPixels(set, 1), SprSetImageAt(set, 1)->pixels);
    EXPECT_EQ(((const unsigned char *)SprImageDstPixels(set, 2))[0], 3);
    EXPECT_EQ(SprSetPalAtReady(set, 0)->table[0], (10 >> 3) << 11);
    EXPECT_EQ(SprSetFree(set), 1);
    EXPECT_EQ(SprSetFree(nullptr), 1);
}

TEST(SprSetTest, SlotChecksStopTheProgram)
{
    SprSet *set = SprSetCreate(1, 1);
    SprImage a = HeapImage(1, 1, 8, 0);
    SprSetAddImage(set, &a, 0, 0);
    EXPECT_DEATH(SprSetImageAt(set, 1), "Assert failure in spr-lib line 560");
    EXPECT_DEATH(SprSetPalAt(set, 0), "Assert failure in spr-lib line 579");
    EXPECT_DEATH(SprSetPalAtReady(set, -1), "Assert failure in spr-lib line 601");
    SprSetFree(set);
}

TEST(SprSetTest, ViewsBorrowImagesAndOwnPaletteRecords)
{
    SprSet *root = SprSetCreate(1, 1);
    Palette pal = Colors(256, 200);
    SprSetAddPal(root, &pal, 0, 0);
    SprImage a = HeapImage(2, 2, 8, 5);
    SprImageLinkPal(&a, root, 0, 0);
    SprSetAddImage(root, &a, 0, 0);
    root->version = 7;

    SprSet *v1 = SprSetShare(root);
    SprSet *v2 = SprSetShare(v1);   // a view of a view borrows from the root
    ASSERT_NE(v1, nullptr);
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(v2->source, root);
    EXPECT_EQ(root->viewCount, 2);
    EXPECT_EQ(v1->viewCount, 0);
    EXPECT_EQ(v2->images, root->images);
    EXPECT_EQ(v2->version, 7);
    EXPECT_NE(v1->pals, root->pals);

    Palette *rp = SprSetPalAt(root, 0), *vp = SprSetPalAt(v1, 0);
    EXPECT_EQ(vp->data, rp->data);
    EXPECT_EQ(vp->ownsData, 0);
    PalFxAdd(vp, -200, 0, 0);
    EXPECT_EQ(SprSetPalAtReady(v1, 0)->table[0], 0);
    EXPECT_EQ(SprSetPalAtReady(root, 0)->table[0], (200 >> 3) << 11);

    // Live views forbid freeing, clearing and re-sharing the root.
    EXPECT_EQ(SprSetFree(root), 0);
    EXPECT_EQ(SprSetClear(root), 0);
    SprSet *other = SprSetCreate(1, 1);
    EXPECT_EQ(SprSetReshare(root, other), nullptr);
    EXPECT_EQ(SprSetImageCount(root), 1);

    // Palette slot b of the root copied into slot a of the view, data borrowed.
    PalFxReset(vp);
    EXPECT_EQ(SprSetPalCopyShared(v1, 0, 0), 1);
    EXPECT_EQ(SprSetPalAt(v1, 0)->ownsData, 0);
    EXPECT_EQ(SprSetPalCopyShared(root, 0, 0), 0);
    EXPECT_EQ(SprSetPalCopyShared(v1, 0, 3), 0);

    EXPECT_EQ(SprSetClear(v2), 1);
    EXPECT_EQ(v2->source, nullptr);
    EXPECT_EQ(v2->images, nullptr);
    EXPECT_EQ(root->viewCount, 1);
    EXPECT_EQ(SprSetFree(v2), 1);
    EXPECT_EQ(SprSetFree(v1), 1);
    EXPECT_EQ(root->viewCount, 0);
    EXPECT_EQ(SprSetFree(root), 1);
    SprSetFree(other);
}

TEST(SprSetTest, ReshareAndClear)
{
    SprSet *a = SprSetCreate(1, 1);
    Palette pa = Colors(256, 1);
    SprSetAddPal(a, &pa, 0, 0);
    SprImage ia = HeapImage(1, 1, 8, 1);
    SprSetAddImage(a, &ia, 0, 0);
    SprSet *b = SprSetCreate(2, 2);
    Palette pb1 = Colors(256, 2), pb2 = Colors(256, 3);
    SprSetAddPal(b, &pb1, 0, 0);
    SprSetAddPal(b, &pb2, 0, 1);
    SprImage ib = HeapImage(3, 1, 8, 2);
    SprSetAddImage(b, &ib, 5, 5);

    SprSet *player = SprSetCreate(0, 1);
    EXPECT_EQ(SprSetReshare(player, player), nullptr);
    ASSERT_EQ(SprSetReshare(player, a), player);
    EXPECT_EQ(a->viewCount, 1);
    EXPECT_EQ(player->source, a);
    EXPECT_EQ(SprSetPalCount(player), 1);
    // Re-sharing moves the view from a to b; the palette array grows to hold b's.
    ASSERT_EQ(SprSetReshare(player, b), player);
    EXPECT_EQ(a->viewCount, 0);
    EXPECT_EQ(b->viewCount, 1);
    EXPECT_EQ(SprSetFindImage(player, 5, 5), 0);
    EXPECT_EQ(SprSetPalCount(player), 2);
    EXPECT_EQ(SprSetPalAt(player, 1)->data, SprSetPalAt(b, 1)->data);
    EXPECT_EQ(SprSetPalAt(player, 1)->ownsData, 0);
    // A root re-shared onto its own view is refused.
    EXPECT_EQ(SprSetReshare(b, player), nullptr);

    EXPECT_EQ(SprSetClear(a), 1);
    EXPECT_EQ(SprSetImageCount(a), 0);
    EXPECT_EQ(SprSetPalCount(a), 0);
    EXPECT_EQ(SprSetFree(player), 1);
    EXPECT_EQ(b->viewCount, 0);
    EXPECT_EQ(SprSetFree(b), 1);
    EXPECT_EQ(SprSetFree(a), 1);
}
