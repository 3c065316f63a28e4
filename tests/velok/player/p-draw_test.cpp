#include "velok/player/p-draw.h"

#include <allegro.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/blit.h"
#include "lib/drawlist.h"
#include "lib/gfx.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "lib/font.h"
#include "support/charkit.h"
#include "support/fontkit.h"
#include "support/pixkit.h"
#include "support/testkit.h"
#include "velok/player/chardef.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-make.h"
#include "velok/core/pal.h"

namespace {

const uint16_t BG = Rgb565(16, 32, 16);

// The kit character with one sprite: a 4x6 block of colour 1 whose axis is
// its bottom centre, so at (x, y) it covers columns x-2..x+1, rows y-6..y-1.
// Action 0 shows it with a body box; 2, 5 and 120 serve as sparks and dust.
class PlayerDrawTest : public TempDirTest {
protected:
    SprSet *target = nullptr;
    BITMAP *bmp = nullptr;
    std::vector<CharInfo> entries;
    CharData *cd = nullptr;
    Player *pl = nullptr;
    AnimSet *fx = nullptr;

    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        LogStateReset();
        ASSERT_EQ(GfxSinTableInit(), 1);
        PalFxGlobalInit();
        gv = new GameVars();
        gv->warnLog = TextBufCreate(400, 64);
        gv->options.life = 100;
        gv->options.difficulty = 4;
        gv->cfg.misc.playerCache = 2;
        gv->cfg.engine.drawShadows = 1;
        ASSERT_EQ(PlayerSlotsCreate(2), 1);

        CharKit kit;
        PcxSpec pcx;
        pcx.width = 4;
        pcx.height = 6;
        pcx.pixels.assign(24, 1);
        SffEntry e;
        e.x = 2;
        e.y = 6;
        e.pcx = PcxBytes(pcx);
        kit.sff = SffBytes({e});
        std::vector<unsigned char> rgb(768, 0);
        rgb[3] = 200;  // colour 1
        rgb[4] = 100;
        rgb[5] = 40;
        kit.act = ActFileBytes(rgb);
        kit.air = "[Begin Action 0]\nClsn2: 1\n Clsn2[0] = -10, -20, 10, -2\n" + AirElemLine(0, 0, 0, 0, -1) + "\n" +
                  AirAction(2, {AirElemLine(0, 0, 0, 0, 4), AirElemLine(0, 0, 0, 0, 5)}) +
                  AirAction(5, {AirElemLine(0, 0, 0, 0, -1)}) + AirAction(3, {AirElemLine(0, 0, 0, 0, -1, "V")}) +
                  AirAction(4, {AirElemLine(0, 0, 3, 0, -1)});
        kit.WriteDir("chars/kit");
        entries.resize(1);
        CharKitEntrySet(&entries[0], "chars/kit");
        gv->charList = entries.data();
        gv->charCount = 1;
        cd = PlayerCacheLoad(0);
        ASSERT_NE(cd, nullptr) << gv->errorText;
        pl = PlayerNew(cd);
        ASSERT_NE(pl, nullptr);
        PlayerSprRequire(pl, 0);
        PlayerRoundInit(pl);
        AnimObjChangeAction(pl->anim, 0, 0);
        AnimObjTick(pl->anim);
        pl->enabled = 1;
        pl->id = 7;
        pl->consts.xScale = pl->consts.yScale = 1.0f;
        pl->screenX = 100;
        pl->screenY = 150;
        gv->stageZOffset = 150;

        WriteFileText("fx.air", AirAction(2, {AirElemLine(0, 0, 0, 0, 3)}) +
                                    AirAction(120, {AirElemLine(0, 0, 0, 0, 2), AirElemLine(0, 0, 0, 0, 2)}) +
                                    AirAction(9, {AirElemLine(0, 0, 0, 0, -1)}));
        fx = AnimLoadFile("fx.air");
        ASSERT_NE(fx, nullptr);
        gv->fightFxAnims = fx;
        gv->fightFxSpr = pl->sprView;

        target = VbufSprCreateDepth(PIX_W, PIX_H, 16);
        ASSERT_EQ(VbufTargetSet(target, 0), 1);
        bmp = VbufTargetBitmapGet(target, 0);
        clear_to_color(bmp, BG);
    }
    void TearDown() override
    {
        VbufSprFree(target);
        AnimSetFree(fx);
        PlayerFree(pl);
        PlayerCacheReleaseIdx(0);
        PlayerCacheFlush();
        PlayerSlotsFree();
        PalListFree();
        LogStateReset();
        TextBufFree(gv->warnLog);
        delete gv;
        gv = nullptr;
        PalFxGlobalFree();
        TempDirTest::TearDown();
    }
    uint16_t Px(int x, int y) { return PixGet(bmp, x, y); }
    // Columns (inclusive) of row y whose pixel differs from the background.
    std::pair<int, int> RowSpan(int y) { return RowSpanOf(y, BG); }
    std::pair<int, int> RowSpanOf(int y, uint16_t bg)
    {
        int lo = -1, hi = -1;
        for (int x = 0; x < PIX_W; x++)
            if (Px(x, y) != bg) {
                if (lo < 0)
                    lo = x;
                hi = x;
            }
        return {lo, hi};
    }
    std::pair<int, int> ColSpan(int x)
    {
        int lo = -1, hi = -1;
        for (int y = 0; y < PIX_H; y++)
            if (Px(x, y) != BG) {
                if (lo < 0)
                    lo = y;
                hi = y;
            }
        return {lo, hi};
    }
    uint16_t SpriteColour()
    {
        clear_to_color(bmp, BG);
        PlayerDraw(pl, 1.0f);
        uint16_t c = Px(100, 147);
        clear_to_color(bmp, BG);
        return c;
    }
};

using Span = std::pair<int, int>;

TEST_F(PlayerDrawTest, DrawnAtItsScreenPositionWithScaleFacingShakeAndShiver)
{
    PlayerDraw(pl, 1.0f);
    EXPECT_EQ(RowSpan(147), Span(98, 101));
    EXPECT_EQ(ColSpan(99), Span(144, 149));
    uint16_t colour = Px(99, 147);
    EXPECT_NE(colour, BG);

    struct Case {
        const char *what;
        float xScale, drawScale;
        int facing, shakeX, moveType, shake, time;
        Span row;
    } cases[] = {
        {"xscale 2", 2, 1, 1, 0, 0, 0, 0, {96, 103}},
        {"draw scale 2", 1, 2, 1, 0, 0, 0, 0, {96, 103}},
        {"facing left", 1, 1, -1, 0, 0, 0, 0, {99, 102}},
        {"shaken", 1, 1, 1, 3, 0, 0, 0, {95, 98}},
        {"shiver on odd tick", 1, 1, 1, 0, 2, 4, 3, {99, 102}},
        {"shiver left", 1, 1, -1, 0, 2, 4, 3, {98, 101}},
        {"no shiver on even tick", 1, 1, 1, 0, 2, 4, 2, {98, 101}},
        {"no shiver without hit shake", 1, 1, 1, 0, 2, 0, 3, {98, 101}},
        {"no shiver out of move type H", 1, 1, 1, 0, 1, 4, 3, {98, 101}},
    };
    for (const Case &c : cases) {
        clear_to_color(bmp, BG);
        pl->consts.xScale = c.xScale;
        pl->drawScaleX = c.drawScale;
        pl->facing = c.facing;
        gv->shakeX = c.shakeX;
        pl->state.moveType = c.moveType;
        pl->getHit.hitShakeTime = c.shake;
        pl->state.time = c.time;
        PlayerDraw(pl, 1.0f);
        EXPECT_EQ(RowSpan(147), c.row) << c.what;
    }
}

TEST_F(PlayerDrawTest, TransparencyIsLentToTheAnimationForOneDraw)
{
    uint16_t colour = SpriteColour();
    AnimObj *a = pl->anim;
    a->transOverride = -1;
    a->alphaSrcScale = 256;
    a->alphaDstScale = 0;
    pl->transKind = 1;  // add
    PlayerDraw(pl, 1.0f);
    EXPECT_EQ(Px(99, 147), Blit565Add(BG, colour));
    EXPECT_EQ(a->transOverride, -1);
    EXPECT_EQ(a->alphaSrcScale, 256);
    EXPECT_EQ(a->alphaDstScale, 0);
}

TEST_F(PlayerDrawTest, QueuedWithPriorityFromSpritePriorityAndDepth)
{
    DrawList *list = DrawListCreate(8);
    ASSERT_NE(list, nullptr);
    pl->anim->drawList = list;
    pl->sprPriority = 2;
    pl->posZ = 0.5f;
    PlayerDraw(pl, 1.0f);
    EXPECT_EQ(pl->anim->drawPriority, 7);
    ASSERT_EQ(list->entries->used, 1);
    EXPECT_EQ(Px(99, 147), BG);  // nothing until the list is drawn
    DrawListDraw(list);
    EXPECT_EQ(RowSpan(147), Span(98, 101));
    pl->anim->drawList = nullptr;
    DrawListFree(list);
}

TEST_F(PlayerDrawTest, AngleDrawTurnsTheSprite)
{
    pl->angleDraw = 1;
    pl->angle = 90;
    PlayerDraw(pl, 1.0f);
    // A quarter turn lays the 4x6 block on its side: 6 wide, 4 high.
    int wide = 0;
    for (int y = 0; y < PIX_H; y++) {
        Span s = RowSpan(y);
        if (s.first >= 0)
            wide = std::max(wide, s.second - s.first + 1);
    }
    EXPECT_EQ(wide, 6);
}

// The shadow of a player on the ground at ground line 150: the block squashed
// to 0.4 of its height just above the line.
TEST_F(PlayerDrawTest, ShadowPassesByColourAndIntensity)
{
    const uint16_t grey = BG;
    struct Case {
        const char *what;
        int colour, intensity;
        uint16_t want;
    } cases[] = {
        {"black at half", 0, 128, Blit565Scale(grey, 128)},
        {"black at full is solid", 0, 256, 0},
        {"above full is solid", 0, 300, 0},
        {"white is solid", 0xFFFF, 0, 0},
        {"colour only", Rgb565(4, 8, 4), 0, Rgb565(12, 24, 12)},
        {"colour then darkening", Rgb565(4, 8, 4), 128, Blit565Scale(Rgb565(12, 24, 12), 128)},
        {"black at zero draws nothing", 0, 0, grey},
    };
    for (const Case &c : cases) {
        clear_to_color(bmp, BG);
        ShadowSettings sh = {c.colour, c.intensity, 0.4f, 0, 0};
        PlayerShadowDraw(pl, &sh, 0, 1.0f);
        EXPECT_EQ(Px(99, 149), c.want) << c.what;
        EXPECT_EQ(Px(99, 144), BG) << c.what;  // squashed: the top of the block is not reached
        EXPECT_EQ(Px(99, 151), BG) << c.what;
    }
    clear_to_color(bmp, BG);
    ShadowSettings half = {0, 128, 0.4f, 0, 0};
    PlayerShadowDraw(pl, &half, 0, 1.0f);
    EXPECT_EQ(RowSpan(149), Span(98, 101));
}

TEST_F(PlayerDrawTest, ShadowFollowsHeightOffsetAndSwitch)
{
    ShadowSettings sh = {0, 256, 0.4f, 0, 0};
    pl->posY = -50;  // 20 pixels lower at y scale 0.4
    PlayerShadowDraw(pl, &sh, 0, 1.0f);
    EXPECT_EQ(Px(99, 169), 0);
    EXPECT_EQ(Px(99, 149), BG);

    clear_to_color(bmp, BG);
    pl->posY = 0;
    pl->consts.shadowOffset = 5;  // (scale + 1) x offset
    PlayerShadowDraw(pl, &sh, 0, 1.0f);
    EXPECT_EQ(Px(99, 159), 0);

    clear_to_color(bmp, BG);
    gv->cfg.engine.drawShadows = 0;
    PlayerShadowDraw(pl, &sh, 0, 1.0f);
    EXPECT_EQ(RowSpan(159), Span(-1, -1));
}

TEST_F(PlayerDrawTest, ShadowFollowsTheElementOffsetAndFlips)
{
    ShadowSettings sh = {0, 256, 0.4f, 0, 0};
    struct Case {
        int action, facing;
        Span sprite, shadow;
    } cases[] = {
        {4, 1, {101, 104}, {101, 104}},   // offset 3 forward
        {4, -1, {96, 99}, {96, 99}},      // forward is left
    };
    for (const Case &c : cases) {
        AnimObjChangeAction(pl->anim, 0, c.action);
        AnimObjTick(pl->anim);
        pl->facing = c.facing;
        clear_to_color(bmp, BG);
        PlayerDraw(pl, 1.0f);
        EXPECT_EQ(RowSpan(147), c.sprite) << c.action << " " << c.facing;
        clear_to_color(bmp, BG);
        PlayerShadowDraw(pl, &sh, 0, 1.0f);
        EXPECT_EQ(RowSpan(149), c.shadow) << c.action << " " << c.facing;
    }
    // A vertically flipped element hangs below the line, its shadow too.
    AnimObjChangeAction(pl->anim, 0, 3);
    AnimObjTick(pl->anim);
    pl->facing = 1;
    clear_to_color(bmp, BG);
    PlayerShadowDraw(pl, &sh, 0, 1.0f);
    Span col = ColSpan(99);
    EXPECT_GE(col.first, 150);
    EXPECT_LE(col.second, 153);
}

// The shadow fades over the stage's fade range (low < high, negative above
// the ground): gone at or above the low end, full from the high end on, in
// proportion between; a range or intensity anywhere in the int range is
// worked out wide.
TEST_F(PlayerDrawTest, ShadowFadesOverItsRange)
{
    gv->stageZOffset = 100;
    const ShadowSettings band = {0, 256, 0.4f, -200, -50};
    const ShadowSettings whole = {0, 256, 0.4f, INT_MIN, INT_MAX};
    const ShadowSettings deep = {0, INT_MAX, 0.4f, -200, -50};
    struct Case {
        const ShadowSettings *sh;
        float y;
        uint16_t want;
    } cases[] = {
        {&band, -250, BG},                     // above the range: gone
        {&band, -200, BG},                     // at its low end: gone
        {&band, -125, Blit565Scale(BG, 128)},  // half way: half strength
        {&band, -50, 0},                       // at its high end: full
        {&band, -40, 0},                       // nearer the ground: full
        {&whole, 0, Blit565Scale(BG, 128)},    // the middle of the whole int range
        {&deep, -125, 0},                      // half of an intensity beyond 256
    };
    for (const Case &c : cases) {
        clear_to_color(bmp, BG);
        pl->posY = c.y;
        PlayerShadowDraw(pl, c.sh, 0, 1.0f);
        int y = 100 + (int)(-c.y * 0.4f);
        EXPECT_EQ(Px(99, y - 1), c.want) << c.sh->fadeLow << ".." << c.sh->fadeHigh << " at " << c.y;
    }
}

TEST_F(PlayerDrawTest, ReflectionBelowTheGroundBlendsWithItsWeight)
{
    uint16_t colour = SpriteColour();
    ShadowSettings none = {0, 0, 0.4f, 0, 0};
    PlayerShadowDraw(pl, &none, 64, 1.0f);
    // Flipped about the ground line (row 150): rows 151..156.
    EXPECT_EQ(ColSpan(99), Span(151, 156));
    EXPECT_EQ(Px(99, 152), Blit565Add(Blit565Scale(colour, 64), Blit565Scale(BG, 192)));

    // An alpha-blended player mixes its own factors in.
    clear_to_color(bmp, BG);
    pl->transKind = 3;
    pl->transSrc = 128;
    pl->transDst = 128;
    PlayerShadowDraw(pl, &none, 64, 1.0f);
    EXPECT_EQ(Px(99, 152), Blit565Add(Blit565Scale(colour, 32), Blit565Scale(BG, 224)));
    // The stage's intensity may be any int: the weights are worked out wide
    // (source far above 256, destination far below 0) and the blend clamps them.
    clear_to_color(bmp, BG);
    PlayerShadowDraw(pl, &none, INT_MAX, 1.0f);
    EXPECT_EQ(Px(99, 152), colour);
    // Its shadow's strength is 256 less its destination factor.
    clear_to_color(bmp, BG);
    ShadowSettings solid = {0, 256, 0.4f, 0, 0};
    PlayerShadowDraw(pl, &solid, 0, 1.0f);
    EXPECT_EQ(Px(99, 149), Blit565Scale(BG, 128));
}

TEST_F(PlayerDrawTest, GroupEffectsOnItsMaskReachWhatItDraws)
{
    // Colour 1 is (200, 100, 40); red + 40 makes it (240, 100, 40).
    const uint16_t plain = Rgb565(25, 25, 5), lit = Rgb565(30, 25, 5);
    EXPECT_EQ(SpriteColour(), plain);
    gv->players[1] = pl;
    pl->slot = 1;
    pl->palMask = PalGroupMaskMake(1u << 1, 0);
    PalListRebuild();
    PalFxGroupAdd(PalGroupMaskMake(PAL_GROUP_BG, 0), 200, 0, 0);  // another group
    EXPECT_EQ(SpriteColour(), plain);
    PalFxGroupAdd(pl->palMask, 40, 0, 0);
    EXPECT_EQ(SpriteColour(), lit);
    // The reflection draws through the palette view: it takes the effect too.
    ShadowSettings none = {0, 0, 0.4f, 0, 0};
    PlayerShadowDraw(pl, &none, 64, 1.0f);
    EXPECT_EQ(Px(99, 152), Blit565Add(Blit565Scale(lit, 64), Blit565Scale(BG, 192)));
    PalListFxReset();
    EXPECT_EQ(SpriteColour(), plain);
    PalListFree();  // before the player's views go
    gv->players[1] = nullptr;
}

TEST_F(PlayerDrawTest, DoubledDrawingDoublesPlaceAndSize)
{
    ShadowSettings sh = {0, 256, 0.4f, 0, 0};
    pl->screenX = 50;
    gv->stageZOffset = 100;
    PlayerShadowDraw(pl, &sh, 0, 2.0f);
    EXPECT_EQ(RowSpan(199), Span(96, 103));
}

TEST_F(PlayerDrawTest, SparksTakeTheirNumberSetAndTimes)
{
    pl->consts.sparkNo = 2;
    pl->consts.guardSparkNo = 5;
    SparkSpec s;
    EXPECT_EQ(HitSparkSpecGet(pl, -1, 0, 0, 0, 0, 0, &s), 0);
    EXPECT_EQ(HitSparkMake(pl, -1, 0, 0, 0, 0, 0), -1);

    ASSERT_EQ(HitSparkSpecGet(pl, -2, 30, 40, 1, 1, 1, &s), 1);
    EXPECT_EQ(s.action, 5);
    EXPECT_EQ(s.anims, cd->anims);
    EXPECT_EQ(s.spr, pl->palInUse);
    EXPECT_EQ(s.removeTime, -1);  // an endless action: never removed
    EXPECT_EQ(s.flip, ANIM_FLIP_H);

    ASSERT_EQ(HitSparkSpecGet(pl, -2, 30, 40, 1, 0, 0, &s), 1);
    EXPECT_EQ(s.action, 2);
    EXPECT_EQ(s.removeTime, 9);
    EXPECT_EQ(s.pauseMoveTime, 9);
    EXPECT_EQ(s.superMoveTime, 9);
    EXPECT_EQ(s.flip, 0);
    EXPECT_EQ(s.layer, 2);
    EXPECT_EQ(s.postype, 3);
    EXPECT_EQ(s.ownerId, 0);
    EXPECT_EQ(s.id, 0);
    EXPECT_EQ(s.inDrawList, 0);
    EXPECT_EQ(s.stageSpace, 1);
    EXPECT_EQ(s.shake, 1);
    EXPECT_FLOAT_EQ(s.x, 30);
    EXPECT_FLOAT_EQ(s.y, 40);

    // The common effects: action 2 there is 3 ticks long; 9 exists only there.
    ASSERT_EQ(HitSparkSpecGet(pl, 2, 0, 0, 0, 0, 0, &s), 1);
    EXPECT_EQ(s.anims, fx);
    EXPECT_EQ(s.removeTime, 3);
    EXPECT_EQ(HitSparkSpecGet(pl, 9, 0, 0, 0, 0, 0, &s), 1);
    EXPECT_EQ(HitSparkSpecGet(pl, 9, 0, 0, 1, 0, 0, &s), 0);
    // A constant of -1 makes nothing either.
    pl->consts.sparkNo = -1;
    EXPECT_EQ(HitSparkSpecGet(pl, -2, 0, 0, 0, 0, 0, &s), 0);
    // No explod list exists to take a spark: none is made.
    EXPECT_EQ(HitSparkMake(pl, 2, 0, 0, 0, 0, 0), -1);
}

TEST_F(PlayerDrawTest, DustOnEveryThirdTickWhenLandingOrSliding)
{
    struct Case {
        int tick, stateNo, stateType, moveType;
        float y;
        int made;
    } cases[] = {
        {3, 52, 3, 0, -10, 1},   // landing, wherever it is
        {4, 52, 1, 0, 0, 0},     // not a third tick
        {0, 0, 1, 2, 0, 1},      // sliding standing
        {6, 0, 2, 2, 0, 1},      // sliding crouching
        {6, 0, 3, 2, 0, 0},      // in the air
        {6, 0, 1, 2, -1, 0},     // off the ground
        {6, 0, 1, 0, 0, 0},      // not being hit
    };
    for (const Case &c : cases) {
        gv->round.tick = c.tick;
        pl->state.stateNo = c.stateNo;
        pl->state.stateType = c.stateType;
        pl->state.moveType = c.moveType;
        pl->posY = c.y;
        SparkSpec s;
        EXPECT_EQ(PlayerDustSpecGet(pl, &s), c.made) << c.tick << " " << c.stateNo << " " << c.stateType;
    }

    gv->round.tick = 3;
    pl->state.stateNo = 52;
    gv->cameraXi = 10;
    gv->cameraYi = -5;
    GameRandomSeed(1);
    bool seen[3][3] = {};
    for (int i = 0; i < 200; i++) {
        SparkSpec s;
        ASSERT_EQ(PlayerDustSpecGet(pl, &s), 1);
        int dx = (int)s.x - 109, dy = (int)s.y - 144;
        ASSERT_TRUE(dx >= 0 && dx <= 2 && dy >= 0 && dy <= 2) << s.x << "," << s.y;
        seen[dx][dy] = true;
        EXPECT_EQ(s.action, 120);
        EXPECT_EQ(s.removeTime, 4);
        EXPECT_EQ(s.inDrawList, 1);
        EXPECT_EQ(s.drawPriority, 10);
        EXPECT_EQ(s.stageSpace, 1);
    }
    for (auto &row : seen)
        for (bool b : row)
            EXPECT_TRUE(b);
    PlayerDustMake(pl);  // no explod list: nothing to see, nothing to break

    gv->fightFxAnims = nullptr;
    SparkSpec s;
    EXPECT_EQ(PlayerDustSpecGet(pl, &s), 0);
}

TEST_F(PlayerDrawTest, InvulnerabilityText)
{
    struct Case {
        int mask0, mask1, lock;
        const char *text;
        int shown;
    } cases[] = {
        {4095, 4095, 0, "   |   |   |   ", 0},
        {4095, 4095 & ~1, 0, "S  |   |   |   ", 1},
        {4095 & ~0x4, 4095 & ~0x800, 0, "  A|   |   |  H", 1},
        {0x3f, 4095, 0, "   |   |NSH|NSH", 1},
        {0xff8, 4095, 0, "MUTEKI", 1},       // no state allowed
        {0x7, 4095, 0, "MUTEKI", 1},         // no class allowed
        {4095, 4095, 3, "MUTEKI", 1},        // hit lock running
    };
    for (const Case &c : cases) {
        pl->getHit.hitByMask[0] = c.mask0;
        pl->getHit.hitByMask[1] = c.mask1;
        pl->hitLock = c.lock;
        char text[PLAYER_DEBUG_TEXT_LEN];
        EXPECT_EQ(PlayerDebugInvulText(pl, text, sizeof text), c.shown) << c.text;
        EXPECT_STREQ(text, c.text);
    }
    char small[4];
    PlayerDebugInvulText(pl, small, sizeof small);
    EXPECT_STREQ(small, "MUT");
}

TEST_F(PlayerDrawTest, NameAndTargetTextsAreBounded)
{
    Player other1 = {}, other2 = {};
    other1.id = 12;
    other1.enabled = 1;
    other2.id = 13;
    PlayerTarget t = {};
    t.target = &other1;
    t.juggle = 15;
    ArrayAdd(pl->targets, &t, 0, 12);
    t.target = &other2;
    t.juggle = 4;
    ArrayAdd(pl->targets, &t, 0, 13);
    other2.enabled = 1;
    t.target = &other2;
    t.juggle = 3;
    ArrayAdd(pl->targets, &t, 0, 13);

    char name[PLAYER_DEBUG_TEXT_LEN], targets[PLAYER_DEBUG_TEXT_LEN];
    PlayerDebugNameText(pl, name, sizeof name, targets, sizeof targets);
    EXPECT_STREQ(name, "Kit, 7");
    EXPECT_STREQ(targets, "Target 12 15, 13 4, 13 3");
    other2.enabled = 0;
    pl->hitDef.active = 1;
    PlayerDebugNameText(pl, name, sizeof name, targets, sizeof targets);
    EXPECT_STREQ(name, "Kit, 7 H");
    EXPECT_STREQ(targets, "Target 12 15");

    // A name filling its whole field, and texts longer than their buffers.
    memset(pl->name, 'n', sizeof pl->name);
    pl->id = -2147483647 - 1;
    PlayerDebugNameText(pl, name, sizeof name, targets, sizeof targets);
    EXPECT_EQ(std::string(name), std::string(sizeof pl->name, 'n') + ", -2147483648 H");
    char shortName[10], shortTargets[9];
    PlayerDebugNameText(pl, shortName, sizeof shortName, shortTargets, sizeof shortTargets);
    EXPECT_EQ(std::string(shortName), std::string(9, 'n'));
    EXPECT_STREQ(shortTargets, "Target 1");

    ArrayClear(pl->targets);
    PlayerDebugNameText(pl, name, sizeof name, targets, sizeof targets);
    EXPECT_STREQ(targets, "");
}

TEST_F(PlayerDrawTest, DebugBoxesCrossAndWidthLine)
{
    clear_to_color(bmp, 0);
    gv->clsnDisplay = 1;
    PlayerDebugDraw(pl, 1.0f);
    // Body box -10,-20 .. 10,-2, loaded at the kit's x scale 2, around (100, 150):
    // an outline in blue 31.
    EXPECT_EQ(Px(80, 140), Rgb565(0, 0, 31));
    EXPECT_EQ(Px(95, 140), 0);
    // The cross, inverted around (100, 150).
    EXPECT_EQ(Px(100, 149), 0xFFFF);
    EXPECT_EQ(Px(99, 147), 0);
    // Width line on row 150: ground back 15, ground front 16; ticks at its ends above it.
    EXPECT_EQ(RowSpanOf(150, 0), Span(85, 116));
    EXPECT_EQ(Px(116, 149), Rgb565(8, 31, 0));

    struct Case {
        const char *what;
        int mask, guarding, display;
        uint16_t edge, inside;
    } cases[] = {
        {"invulnerable", 4095 & ~1, 0, 1, Rgb565(0, 31, 15), 0},
        {"guarding", 4095, 1, 1, Rgb565(8, 0, 24), 0},
        {"filled", 4095, 0, 2, Rgb565(0, 0, 31), Rgb565(0, 0, 31)},
    };
    for (const Case &c : cases) {
        clear_to_color(bmp, 0);
        pl->getHit.hitByMask[0] = c.mask;
        pl->guarding = c.guarding;
        gv->clsnDisplay = c.display;
        PlayerDebugDraw(pl, 1.0f);
        EXPECT_EQ(Px(80, 140), c.edge) << c.what;
        EXPECT_EQ(Px(95, 140), c.inside) << c.what;
    }

    // Facing left with the Width controller's extra: the front reaches 20 to the left.
    clear_to_color(bmp, 0);
    pl->getHit.hitByMask[0] = 4095;
    pl->guarding = 0;
    gv->clsnDisplay = 1;
    pl->facing = -1;
    pl->widthPlayerFront = 4;
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_EQ(RowSpanOf(150, 0), Span(80, 115));
    EXPECT_EQ(Px(84, 151), Rgb565(0, 16, 15));  // where the constant's part ends

    // Widths at the int's end (a Width controller, a helper's size) are summed
    // wide: the line runs off the target on their side.
    pl->facing = 1;
    pl->widthPlayerFront = INT_MAX;
    clear_to_color(bmp, 0);
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_EQ(RowSpanOf(150, 0), Span(85, PIX_W - 1));
    pl->widthPlayerFront = 0;
    pl->consts.groundBack = INT_MAX;
    pl->widthPlayerBack = 4;
    clear_to_color(bmp, 0);
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_EQ(RowSpanOf(150, 0), Span(0, 116));
    pl->consts.groundBack = 15;
    pl->widthPlayerBack = 0;

    // The AI's guide blocks, relative to the player.
    clear_to_color(bmp, 0);
    pl->facing = 1;
    pl->aiGuide[1] = {1, 30, -5, 40, 5};
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_EQ(Px(135, 150), Rgb565(0, 16, 0));
    EXPECT_EQ(Px(130, 145), Blit565Add(Rgb565(0, 16, 0), Rgb565(4, 8, 4)));
}

// Texts in the debug font: one glyph each for M, K and T (3x5, colour 200).
TEST_F(PlayerDrawTest, DebugTextsInTheirPlacesAndColours)
{
    FntSpec spec;
    spec.pcx = PcxBytes(FntGlyphStrip({3, 3, 3}, 5, 200));
    spec.text = FntDefText({"size = 4,5", "spacing = 1,2", "colors = 1"}, {"M 0 3", "K 3 3", "T 6 3"});
    WriteFileText("debug.fnt", FntBytes(spec));
    Font *font = FontLoad("debug.fnt");
    ASSERT_NE(font, nullptr) << LibErrorMsg;
    gv->debugFont = font;
    auto count = [&](int x1, int y1, int x2, int y2, uint16_t c) {
        int n = 0;
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++)
                n += Px(x, y) == c;
        return n;
    };
    const uint16_t invul = Rgb565(31, 63, 26), white = 0xFFFF, target = Rgb565(31, 48, 31);
    Player other = {};
    other.id = 3;
    other.enabled = 1;
    PlayerTarget t = {};
    t.target = &other;
    ArrayAdd(pl->targets, &t, 0, 3);

    clear_to_color(bmp, 0);
    pl->hitLock = 1;  // "MUTEKI" at (72, 148), "Kit, 7" at (80, 156), the targets below it
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_GT(count(72, 143, 75, 148, invul), 0);
    EXPECT_GT(count(80, 151, 83, 156, white), 0);
    EXPECT_GT(count(80, 158, 83, 163, target), 0);
    EXPECT_EQ(count(0, 0, PIX_W - 1, 140, invul) + count(0, 0, PIX_W - 1, 140, white), 0);

    // Every hit allowed and no lock: no invulnerability text.
    clear_to_color(bmp, 0);
    pl->hitLock = 0;
    PlayerDebugDraw(pl, 1.0f);
    EXPECT_EQ(count(60, 140, 80, 149, invul), 0);
    gv->debugFont = nullptr;
    FontFree(font);
}

} // namespace
