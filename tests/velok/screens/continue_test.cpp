// The "Continue?" screen driven frame by frame with scripted keys: placement, the answer, whose input counts, fades and drawing.
#include "velok/screens/continue.h"

#include <allegro.h>

#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/disp.h"
#include "lib/font.h"
#include "lib/input-lb.h"
#include "lib/pal.h"
#include "support/fontkit.h"
#include "support/keykit.h"
#include "support/pixkit.h"
#include "support/roundkit.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/pal.h"

namespace {

class Continue : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        CharKit kit = FieldKitChar();
        kit.cns += "[Statedef 5500]\ntype = S\nanim = 10\nctrl = 0\n[State 5500, none]\ntype = null\ntrigger1 = 1\n";
        Field(4, kit);
        PlayerEnableSet(3, 0);
        PlayerEnableSet(4, 0);
        InitKeysDefault();  // side 1: Left, Right, "," for a; side 2: Pad 4, Pad 6, Pad - for a
        disp.noFrameWait = 1;
        gv->arcadeSide = 1;
    }
    void TearDown() override
    {
        FontFree(gv->sysFont[1]);
        gv->sysFont[1] = nullptr;
        RoundField::TearDown();
    }
    int Level() { return PalFxGlobalGet()->cur.mulR; }
    // The key's press is read in one frame and its release in the next.
    void Stroke(int allegroKey)
    {
        KeyKitTap(allegroKey);
        ContinueScreenFrame();
        ContinueScreenFrame();
    }
};

TEST_F(Continue, LoserAndPartnerTakeTheCentre)
{
    gv->stage.startX = 30;  // where the round's restart puts the camera
    struct Case {
        int side, partner;
        int loser;
        float loserX, partnerX;
    } cases[] = {
        {1, 0, 1, 190.0f, 0.0f},
        {2, 0, 2, 190.0f, 0.0f},
        {1, 1, 1, 150.0f, 230.0f},  // the loser faces right: its partner stands to its right
        {2, 1, 2, 150.0f, 230.0f},
    };
    for (const Case &c : cases) {
        gv->arcadeSide = c.side;
        PlayerEnableSet(c.loser + 2, c.partner);
        ContinueScreenEnter();
        Player *loser = P(c.loser), *partner = P(c.loser + 2);
        EXPECT_EQ(loser->state.stateNo, CONTINUE_STATE) << c.side;
        EXPECT_EQ(loser->posX, c.loserX) << c.side << " " << c.partner;
        EXPECT_EQ(loser->life, loser->lifeMax) << "set up for a round";
        if (c.partner) {
            EXPECT_EQ(partner->state.stateNo, CONTINUE_STATE);
            EXPECT_EQ(partner->posX, c.partnerX);
            EXPECT_EQ(partner->facing, -loser->facing) << "turned to face the loser";
        }
        ContinueScreenLeave();
        PlayerEnableSet(c.loser + 2, 0);
    }
}

TEST_F(Continue, ScriptedAnswerWithFadeInAndFadeOut)
{
    ContinueScreenEnter();
    // Fade-in: 32 per frame over the first eight frames.
    for (int frame = 0; frame < 10; frame++) {
        ASSERT_EQ(ContinueScreenFrame(), 1);
        EXPECT_EQ(Level(), frame < 8 ? 32 * frame : 256) << frame;
    }
    EXPECT_EQ(ContinueScreenAnswer(), 1) << "the answer starts at Yes";
    EXPECT_EQ(P(1)->state.time, 10) << "the loser runs its states";
    EXPECT_EQ(AnimObjActionNo(P(1)->anim), 10);

    Stroke(KEY_RIGHT);
    EXPECT_EQ(ContinueScreenAnswer(), 0);
    Stroke(KEY_LEFT);
    EXPECT_EQ(ContinueScreenAnswer(), 1);
    Stroke(KEY_DOWN);  // neither a side nor a button
    EXPECT_EQ(ContinueScreenAnswer(), 1);

    KeyKitTap(KEY_COMMA);  // button a confirms
    ASSERT_EQ(ContinueScreenFrame(), 1);
    EXPECT_EQ(Level(), 256);
    KeyKitTap(KEY_RIGHT);  // too late
    std::vector<int> levels, goOn;
    for (int i = 0; i < 8; i++) {
        goOn.push_back(ContinueScreenFrame());
        levels.push_back(Level());
    }
    EXPECT_EQ(levels, (std::vector<int>{224, 192, 160, 128, 96, 64, 32, 0}));
    EXPECT_EQ(goOn, (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 0})) << "the screen ends after the eighth";

    gv->persist[0][0][0].var[3] = 7;
    EXPECT_EQ(ContinueScreenLeave(), 1);
    EXPECT_EQ(gv->continueChosen, 1);
    EXPECT_EQ(gv->persist[0][0][0].var[3], 0);
}

TEST_F(Continue, EscapeSaysNo)
{
    gv->continueChosen = 0;
    ContinueScreenEnter();
    KeyKitTap(KEY_ESC);
    int frames = 0;
    while (ContinueScreenFrame())
        ASSERT_LT(++frames, 20);
    EXPECT_EQ(frames, 8);
    EXPECT_EQ(ContinueScreenLeave(), 0);
    EXPECT_EQ(gv->continueChosen, 0);
}

TEST_F(Continue, AltEnterSwitchesTheScreenAndAnswersNothing)
{
    KeyKitModesAccepted modes;
    ContinueScreenEnter();
    KeyKitPress(KEY_ALT);
    Stroke(KEY_ENTER);  // player 1's start
    KeyKitRelease(KEY_ALT);
    int goOn = 1;
    for (int i = 0; i < 10; i++)
        goOn = ContinueScreenFrame();
    EXPECT_EQ(gfx.driver, GFX_DRV_DIRECTX_ACCEL) << "switched to full screen";
    EXPECT_EQ(goOn, 1) << "the start press went with the switch";
    ContinueScreenLeave();
}

TEST_F(Continue, OnlyTheHumanSidesControlsCount)
{
    struct Case {
        int arcadeSide, survivalSide;
        int code;  // an input event as the input engine queues it
        int answer, confirmed;
    } cases[] = {
        {1, 0, 77, 1, 0},   // the computer side's Right (its pad mapped onto its keys)
        {1, 0, 74, 1, 0},   // and its button
        {1, 0, 205, 0, 0},  // the human side's Right
        {2, 0, 77, 0, 0},
        {2, 0, 205, 1, 0},
        {2, 0, 74, 1, 1},
        {0, 0, 77, 0, 0},   // one setting for both sides: either counts
        {1, 0, 77 | INPUT_RELEASE, 1, 0},
    };
    for (const Case &c : cases) {
        gv->arcadeSide = c.arcadeSide;
        gv->survivalSide = c.survivalSide;
        ContinueScreenEnter();
        InputEventPush(c.code);
        int goOn = 1;
        for (int i = 0; i < 9; i++)
            goOn = ContinueScreenFrame();
        EXPECT_EQ(ContinueScreenAnswer(), c.answer) << c.arcadeSide << " " << c.code;
        EXPECT_EQ(goOn == 0, c.confirmed == 1) << c.arcadeSide << " " << c.code;
        ContinueScreenLeave();
    }
}

TEST_F(Continue, DrawsTheQuestionAndAnswersOverADarkenedField)
{
    FntSpec spec;
    spec.pcx = PcxBytes(FntGlyphStrip({3}, 5, 200));
    std::vector<std::string> map;
    for (char ch : std::string("Continue?YsN"))
        map.push_back(std::string(1, ch) + " 0 3");
    spec.text = FntDefText({"size = 4,5", "spacing = 1,2", "colors = 1"}, map);
    WriteFileText("f.fnt", FntBytes(spec));
    gv->sysFont[1] = FontLoad("f.fnt");
    ASSERT_NE(gv->sysFont[1], nullptr);
    Palette field;
    ASSERT_EQ(PalInit(&field, 256, nullptr, 1), 1);
    const PalGroupMask spare = PalGroupMaskMake(0x80000000u, 0);
    PalListAdd(&field, spare);

    ContinueScreenEnter();
    ContinueScreenFrame();
    EXPECT_EQ(field.fx.mulR, 256) << "not in the first frame";
    for (int i = 0; i < 8; i++)
        ContinueScreenFrame();
    EXPECT_EQ(field.fx.mulR, 128);
    EXPECT_EQ(field.fx.mulB, 128);

    const uint16_t white = Rgb565(31, 63, 31), grey = Rgb565(16, 32, 16);
    // Bounding box of a colour within a region.
    auto box = [&](uint16_t colour, int x1, int y1, int x2, int y2) {
        int l = 999, r = -1, b = -1;
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++)
                if (Pixel(x, y) == colour) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                    b = std::max(b, y);
                }
        return std::vector<int>{l, r, b};
    };
    // "Continue?": nine glyphs 3 wide, 1 apart, centred at 159 in white.
    EXPECT_EQ(box(white, 100, 30, 220, 45), (std::vector<int>{159 - 17, 159 + 17, 40}));
    EXPECT_EQ(Pixel(159 + 18, 41), 0) << "the black copy one pixel down-right";
    EXPECT_EQ(box(white, 100, 50, 160, 65), (std::vector<int>{149 - 10, 149, 60})) << "Yes, right-aligned";
    EXPECT_EQ(box(grey, 160, 50, 220, 65), (std::vector<int>{169, 169 + 6, 60})) << "No, left-aligned";

    Stroke(KEY_RIGHT);
    EXPECT_EQ(box(grey, 100, 50, 160, 65)[1], 149);
    EXPECT_EQ(box(white, 160, 50, 220, 65)[0], 169);

    ContinueScreenLeave();
    PalListRemove(spare);
    PalFree(&field);
}

} // namespace
