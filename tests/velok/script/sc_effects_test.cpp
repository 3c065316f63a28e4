// The effect controllers' parameter records: AfterImage, AfterImageTime, EnvShake, PalFX and its targets, HitOverride, Pause and SuperPause, read from state-file groups and applied to a field of fighters.
#include <functional>
#include <string>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/player/afterimg.h"
#include "velok/player/explod.h"
#include "velok/player/player.h"

namespace {

class EffectTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        gv->afterImages = AfterImagePoolCreate(1, 60);
        gv->cfg.rules.superTargetDefenceMul = 1.5f;
        Field(2);
    }
    void TearDown() override
    {
        FieldFree();
        AfterImagePoolFree(gv->afterImages);
        gv->afterImages = nullptr;
        FieldTest::TearDown();
    }
    // Compiles and applies the controller for P1; the warnings it left.
    std::string Run(const std::string &body)
    {
        SCtrl *c = Ctrl(body);
        EXPECT_NE(c, nullptr) << body << ": " << gv->errorText;
        if (!c)
            return "";
        ClearWarnings();
        EXPECT_EQ(Apply(p1, c), 0);
        return Warnings();
    }
    void Expect(const std::string &body, const char *warning, const std::function<void()> &check)
    {
        SCOPED_TRACE(body);
        std::string w = Run(body);
        if (*warning)
            EXPECT_NE(w.find(warning), std::string::npos) << w;
        else
            EXPECT_EQ(w, "");
        check();
    }
};

} // namespace

TEST_F(EffectTest, AfterImageStartsTheTrailOfTheFightersAnimation)
{
    Expect("type = AfterImage\npalbright = 10, 20, 30\ntime = 12\nlength = 15\nframegap = 3\ntrans = add", "", [&] {
        AfterImage *ai = p1->afterImage;
        ASSERT_NE(ai, nullptr);
        EXPECT_EQ(ai->owner, p1);
        EXPECT_EQ(ai->anim, p1->anim);
        EXPECT_EQ(ai->active, 1);
        EXPECT_EQ(ai->params.palBright[0], 10);
        EXPECT_EQ(ai->params.palBright[1], 20);
        EXPECT_EQ(ai->params.palBright[2], 30);
        EXPECT_EQ(ai->params.palContrast[2], 220);
        EXPECT_EQ(ai->params.palAdd[2], 25);
        EXPECT_FLOAT_EQ(ai->params.palMul[2], 0.75f);
        EXPECT_EQ(ai->params.time, 12);
        EXPECT_EQ(ai->params.length, 15);
        EXPECT_EQ(ai->params.timeGap, 1);
        EXPECT_EQ(ai->params.frameGap, 3);
        EXPECT_EQ(ai->params.palColor, 256);
        EXPECT_EQ(ai->params.trans, 1);
        EXPECT_EQ(ai->params.alphaSrc, 256);
    });
    AfterImage *held = p1->afterImage;
    struct Case {
        const char *body;
        const char *warning;
        int AfterImageParams::*field;
        int want;
    };
    const Case cases[] = {
        {"length = 200", "length for afterimage exceeds maximum of 60", &AfterImageParams::length, 60},
        {"length = 0", "illegal length for afterimage", &AfterImageParams::length, 20},
        {"time = -5", "illegal time for afterimage", &AfterImageParams::time, 1},
        {"time = -1", "", &AfterImageParams::time, -1},
        {"timegap = 0", "illegal timegap for afterimage", &AfterImageParams::timeGap, 1},
        {"framegap = 0", "illegal framegap for afterimage", &AfterImageParams::frameGap, 4},
        {"trans = add1\nalpha = 5, 6", "", &AfterImageParams::alphaDst, 128},
        {"trans = addalpha\nalpha = 5, 6", "", &AfterImageParams::alphaDst, 6},
        {"alpha = 5, 6", "", &AfterImageParams::alphaDst, 256},
        {"trans = shimmer\nalpha = 5, 6", "", &AfterImageParams::trans, -2},
    };
    for (const Case &c : cases)
        Expect(std::string("type = AfterImage\n") + c.body, c.warning, [&] {
            EXPECT_EQ(p1->afterImage, held) << "the fighter keeps its record";
            EXPECT_EQ(p1->afterImage->params.*c.field, c.want);
        });

    // AfterImageTime sets the running trail's time and starts its count again.
    p1->afterImage->tickCount = 9;
    Expect("type = AfterImageTime\ntime = 40", "", [&] {
        EXPECT_EQ(p1->afterImage->params.time, 40);
        EXPECT_EQ(p1->afterImage->tickCount, 0);
    });
    Expect("type = AfterImageTime\nvalue = -4", "set illegal afterimagetime",
           [&] { EXPECT_EQ(p1->afterImage->params.time, 1); });

    // The pool's only record is lent: the other fighter gets none.
    SCtrl *c = Ctrl("type = AfterImage");
    Apply(P(2), c);
    EXPECT_EQ(P(2)->afterImage, nullptr);
    AfterImagePlayerRelease(p1);
    Apply(P(2), c);
    EXPECT_NE(P(2)->afterImage, nullptr);

    // A round start takes every record back; one lent again since is not
    // the old holder's to use or give back.
    AfterImagePoolReset(gv->afterImages);
    SCtrl *mine = Ctrl("type = AfterImage");
    Apply(p1, mine);
    AfterImage *ai = p1->afterImage;
    ASSERT_NE(ai, nullptr);
    EXPECT_EQ(P(2)->afterImage, ai) << "the old link still points at it";
    AfterImagePlayerRelease(P(2));
    EXPECT_EQ(P(2)->afterImage, nullptr);
    EXPECT_EQ(ai->owner, p1);
    EXPECT_EQ(ai->active, 1);
}

TEST_F(EffectTest, EnvShakeStartsTheScreenShake)
{
    struct Case {
        const char *keys;
        const char *warning;
        int time;
        float ampl, freq, phase;
    };
    const Case cases[] = {
        {"time = 20\nfreq = 120", "", 20, -4.0f, 120.0f, 90.0f},
        {"time = 20\nfreq = 120\nphase = 0", "", 20, -4.0f, 120.0f, 0.0f},
        {"time = 5\nampl = 7\nfreq = -30\nphase = 12", "negative freq for EnvShake", 5, 7.0f, 30.0f, 12.0f},
        {"freq = 0", "", 0, -4.0f, 0.001f, 0.0f},
        {"", "", 0, -4.0f, 60.0f, 0.0f},
    };
    for (const Case &c : cases) {
        gv->shakeCounter = 9;
        Expect(std::string("type = EnvShake\n") + c.keys, c.warning, [&] {
            EXPECT_EQ(gv->shakeTime, c.time);
            EXPECT_EQ(gv->shakeCounter, 0);
            EXPECT_FLOAT_EQ(gv->shakeAmpl, c.ampl);
            EXPECT_FLOAT_EQ(gv->shakeFreq, c.freq);
            EXPECT_FLOAT_EQ(gv->shakePhase, c.phase);
        });
    }
}

TEST_F(EffectTest, PalFxReachesThePlayerTheBackgroundOrEverything)
{
    Expect("type = PalFX\ntime = 12\nadd = 10, 20, 30\nmul = 256, 128, 64\nsinadd = 5, 6, 7, 40\ninvertall = 1\n"
           "color = 100",
           "", [&] {
               const PalFx &f = p1->palFx;
               EXPECT_EQ(f.time, 12);
               EXPECT_EQ(f.addG, 20);
               EXPECT_EQ(f.mulB, 64);
               EXPECT_EQ(f.sinB, 7);
               EXPECT_EQ(f.period, 40);
               EXPECT_EQ(f.invertAll, 1);
               EXPECT_EQ(f.color, 100);
               EXPECT_EQ(f.counter, 0);
           });
    Expect("type = BGPalFX\ntime = 7\nadd = 1, 2, 3", "", [&] {
        EXPECT_EQ(gv->stagePalFx.time, 7);
        EXPECT_EQ(gv->stagePalFx.addB, 3);
        EXPECT_EQ(p1->palFx.time, 12);
    });
    Expect("type = AllPalFX\ntime = -1\nmul = 0, 0, 0", "", [&] {
        EXPECT_EQ(gv->allPalFx.time, -1);
        EXPECT_EQ(gv->allPalFx.mulR, 0);
        EXPECT_EQ(gv->stagePalFx.time, 7);
    });
    Expect("type = PalFX\ntime = -5\nmul = -1, 256, 256\ncolor = 300", "invalid PalFX time", [&] {
        EXPECT_EQ(p1->palFx.time, 0);
        EXPECT_EQ(p1->palFx.mulR, -1);
        EXPECT_EQ(p1->palFx.color, 300);
    });
    EXPECT_NE(Warnings().find("invalid PalFX mul value"), std::string::npos);
    EXPECT_NE(Warnings().find("invalid PalFX color value"), std::string::npos);
    EXPECT_EQ(Ctrl("type = PalFX\nmul = 256, 256"), nullptr) << "mul needs all three values";
}

TEST_F(EffectTest, HitOverrideFillsTheChosenSlot)
{
    Expect("type = HitOverride\nslot = 3\nattr = SC, NA\nstateno = 700\ntime = 20\nforceair = 1", "", [&] {
        const PlayerHitOverride &o = p1->hitOverride[3];
        EXPECT_EQ(o.active, 1);
        EXPECT_EQ(o.attr, 0x1 | 0x2 | 0x8);
        EXPECT_EQ(o.stateNo, 700);
        EXPECT_EQ(o.time, 20);
        EXPECT_EQ(o.forceAir, 1);
    });
    Expect("type = HitOverride\nslot = 9\ntime = -5\nstateno = -3", "illegal override slot: 0 assumed", [&] {
        const PlayerHitOverride &o = p1->hitOverride[0];
        EXPECT_EQ(o.active, 1);
        EXPECT_EQ(o.time, 1);
        EXPECT_EQ(o.stateNo, -1);
        EXPECT_EQ(o.attr, 0);
    });
    EXPECT_NE(Warnings().find("Illegal hitoverride time."), std::string::npos);
    EXPECT_NE(Warnings().find("Illegal hitoverride stateno."), std::string::npos);
    EXPECT_EQ(Ctrl("type = HitOverride\nattr = Q"), nullptr);
    EXPECT_NE(std::string(gv->errorText).find("Invalid attr: Q\nError parsing HitOverride"), std::string::npos)
        << gv->errorText;
}

TEST_F(EffectTest, PauseFillsThePauseRecordAndThePlayersMoveTime)
{
    Expect("type = Pause\ntime = 40\nmovetime = 10\nendcmdbuftime = 5\npausebg = 0", "", [&] {
        EXPECT_EQ(gv->pause[0].time, 40);
        EXPECT_EQ(gv->pause[0].endCmdBufTime, 5);
        EXPECT_EQ(gv->pause[0].pauseBg, 0);
        EXPECT_EQ(gv->pause[0].darken, 0);
        EXPECT_EQ(p1->pauseMoveTime[0], 10);
        EXPECT_EQ(gv->pause[1].time, 0);
    });
    struct Case {
        const char *keys;
        const char *warning;
        int time, move, end;
    };
    const Case cases[] = {
        {"time = -3", "set illegal pausetime", 0, 0, 0},
        {"time = 10\nmovetime = 11", "set illegal pausemovetime", 10, 0, 0},
        {"time = 10\nmovetime = -1", "set illegal pausemovetime", 10, 0, 0},
        {"time = 10\nendcmdbuftime = 12", "set illegal endcmdbuftime", 10, 0, 0},
        {"time = 10\nmovetime = 10\nendcmdbuftime = 10", "", 10, 10, 10},
    };
    for (const Case &c : cases)
        Expect(std::string("type = Pause\n") + c.keys, c.warning, [&] {
            EXPECT_EQ(gv->pause[0].time, c.time);
            EXPECT_EQ(p1->pauseMoveTime[0], c.move);
            EXPECT_EQ(gv->pause[0].endCmdBufTime, c.end);
            EXPECT_EQ(gv->pause[0].pauseBg, 1);
        });
    EXPECT_EQ(Ctrl("type = Pause\ntime = (1"), nullptr);
    EXPECT_NE(std::string(gv->errorText).find("Error parsing time\nError parsing Pause"), std::string::npos)
        << gv->errorText;
}

TEST_F(EffectTest, SuperPauseDarkensTheOthersAndProtectsThePauser)
{
    P(2)->palMask = PalGroupMaskMake(0x2, 0);
    p1->palMask = PalGroupMaskMake(0x1, 0);
    p1->powerMax = 3000;
    Expect("type = SuperPause", "", [&] {
        const PauseRecord &r = gv->pause[1];
        EXPECT_EQ(r.time, 30);
        EXPECT_EQ(r.darken, 1);
        EXPECT_EQ(r.pauseBg, 1);
        EXPECT_EQ(p1->pauseMoveTime[1], 0);
        EXPECT_TRUE(PalGroupMaskIntersects(r.groups, P(2)->palMask));
        EXPECT_FALSE(PalGroupMaskIntersects(r.groups, p1->palMask)) << "the pauser keeps its colours";
        EXPECT_FALSE(PalGroupMaskIntersects(r.groups, PalGroupMaskMake(PAL_GROUP_FIGHTFX | PAL_GROUP_BG, 0)));
        EXPECT_EQ(p1->hitLock, 32) << "through the last tick of the pause";
        EXPECT_EQ(gv->pause[0].time, 0);
    });
    Expect("type = SuperPause\ntime = 20\nmovetime = 21\ndarken = 0\nunhittable = 0\npoweradd = 500\n"
           "anim = -2\nsound = S 5, 2",
           "set illegal supermovetime", [&] {
               EXPECT_EQ(gv->pause[1].time, 20);
               EXPECT_EQ(gv->pause[1].darken, 0);
               EXPECT_EQ(p1->pauseMoveTime[1], 0);
               EXPECT_EQ(p1->hitLock, 32) << "kept: it was longer";
               EXPECT_EQ(p1->power, 500);
           });
    EXPECT_NE(Warnings().find("negative spark animno ignored"), std::string::npos);

    // The targets' defence: divided by p2defmul, or by the configuration's
    // value when p2defmul is 0 or negative; never by 0.
    PlayerTarget t{};
    t.target = P(2);
    ArrayAdd(p1->targets, &t, 0, 0);
    struct Case {
        const char *keys;
        float config;
        const char *warning;
        float defence;
    };
    const Case cases[] = {
        {"p2defmul = 2", 1.5f, "", 0.5f},
        {"", 1.5f, "", 1.0f / 1.5f},
        {"p2defmul = -3", 2.0f, "negative p2defmul for SuperPause", 0.5f},
        {"p2defmul = 1", 2.0f, "", 1.0f},
        {"", 0.0f, "", 1.0f},
    };
    for (const Case &c : cases) {
        P(2)->defenceMul = 1.0f;
        gv->cfg.rules.superTargetDefenceMul = c.config;
        Expect(std::string("type = SuperPause\n") + c.keys, c.warning,
               [&] { EXPECT_FLOAT_EQ(P(2)->defenceMul, c.defence); });
    }
    EXPECT_EQ(Ctrl("type = SuperPause\nanim = Q 3"), nullptr);
    EXPECT_NE(std::string(gv->errorText).find("Error parsing SuperPause"), std::string::npos) << gv->errorText;
    EXPECT_EQ(Ctrl("type = SuperPause\npos = 1, 2, 3"), nullptr);
}

TEST_F(EffectTest, SuperPauseSparkStandsAtPosFromThePlayerAboveTheGroundLine)
{
    WriteFileText("fx.air", AirAction(100, {AirElemLine(0, 0, 0, 0, 3)}));
    AnimSet *fx = AnimLoadFile("fx.air");
    ASSERT_NE(fx, nullptr);
    gv->fightFxAnims = fx;
    gv->fightFxSpr = p1->sprView;
    gv->explods = ExplodListCreate(2, nullptr);
    gv->stageZOffset = 200;
    // P1 stands at x 100 facing right, P2 at 220 facing left, both on the
    // ground: the spark is pos away from their feet, in their facing.
    Apply(p1, Ctrl("type = SuperPause\npos = 10, -50"));
    Apply(P(2), Ctrl("type = SuperPause\npos = 10, -50"));
    const Explod *a = ExplodAt(gv->explods, 0), *b = ExplodAt(gv->explods, 1);
    ASSERT_TRUE(a && a->inUse && b && b->inUse);
    EXPECT_EQ(a->stageSpace, 1);
    EXPECT_FLOAT_EQ(a->posX, 110.0f);
    EXPECT_FLOAT_EQ(a->posY, 150.0f);
    EXPECT_FLOAT_EQ(b->posX, 210.0f);
    EXPECT_FLOAT_EQ(b->posY, 150.0f);
    ExplodListFree(gv->explods);
    gv->explods = nullptr;
    gv->fightFxAnims = nullptr;
    gv->fightFxSpr = nullptr;
    AnimSetFree(fx);
}
