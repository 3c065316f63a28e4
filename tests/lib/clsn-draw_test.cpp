#include <gtest/gtest.h>

#include <allegro.h>

#include "lib/blit.h"
#include "lib/clsn.h"
#include "lib/pal.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/testkit.h"

namespace {

class ClsnDraw : public TempDirTest {
protected:
    SprSet *target = nullptr;
    BITMAP *bmp = nullptr;
    ClsnList *list = nullptr;
    const uint16_t bg = Rgb565(10, 20, 10);

    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        PalFxGlobalInit();
        target = VbufSprCreateDepth(PIX_W, PIX_H, 16);
        ASSERT_EQ(VbufTargetSet(target, 0), 1);
        bmp = VbufTargetBitmapGet(target, 0);
        clear_to_color(bmp, bg);
        list = ClsnListCreate(2);
        ClsnListAddBox(list, 2, -10, 8, -4);
    }
    void TearDown() override
    {
        ClsnListRelease(list);
        VbufSprFree(target);
        PalFxGlobalFree();
        TempDirTest::TearDown();
    }
    int Changed() { return PixDrawn(bmp, bg); }
};

TEST_F(ClsnDraw, OutlineSubtractedThenColourAddedOrFilled)
{
    const uint16_t red = Rgb565(31, 0, 0);
    const uint16_t edge = Blit565Add(Blit565Sub(bg, Rgb565(4, 8, 4)), red);
    ClsnDebugDraw(list, 100, 100, 1, 1, 0, red, 0);
    EXPECT_EQ(PixGet(bmp, 102, 90), edge);
    EXPECT_EQ(PixGet(bmp, 108, 96), edge);
    EXPECT_EQ(PixGet(bmp, 105, 93), bg);
    EXPECT_EQ(Changed(), 2 * 7 + 2 * 5);

    // Mirrored and scaled by 2: x from 100 - 16 to 100 - 4, y from 80 to 92.
    clear_to_color(bmp, bg);
    ClsnDebugDraw(list, 100, 100, 2, 2, 1, red, 1);
    EXPECT_EQ(PixGet(bmp, 84, 80), edge);
    EXPECT_EQ(PixGet(bmp, 96, 92), edge);
    EXPECT_EQ(PixGet(bmp, 90, 86), Blit565Add(bg, red));
    EXPECT_EQ(PixGet(bmp, 97, 86), bg);

    clear_to_color(bmp, bg);
    ClsnDebugDraw(nullptr, 100, 100, 1, 1, 0, red, 1);
    ClsnDebugDraw(list, 100, 100, 0, 1, 0, red, 1);
    ClsnDebugDraw(list, 100, 100, 1, 0, 0, red, 1);
    EXPECT_EQ(Changed(), 0);
    // Far off the target at a huge scale: clipped, nothing drawn.
    ClsnDebugDraw(list, 100, 100, 1e30f, 1e30f, 0, red, 1);
    EXPECT_EQ(Changed(), 0);
}

} // namespace
