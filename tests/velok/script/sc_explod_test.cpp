// Explod and ModifyExplod parameters: the defaults of both forms, the action prefix, postype, lists and transparency words.
#include "velok/script/sc-explod.h"

#include <string>

#include "lib/gfx.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/sctrl.h"
#include "velok/script/stparam.h"

namespace {

class ExplodParse : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
    const ExplodParams *Parse(const std::string &body)
    {
        SCtrl *c = Ctrl(body);
        return c ? (const ExplodParams *)c->params : nullptr;
    }
    int I(const Expr &e) { return ExprEvalInt(p1, &e, 0); }
    float F(const Expr &e) { return ExprEvalFloat(p1, &e); }
};

} // namespace

TEST_F(ExplodParse, NoKeysGiveTheDefaultsOfEachForm)
{
    const ExplodParams *e = Parse("type = Explod");
    const ExplodParams *m = Parse("type = ModifyExplod");
    ASSERT_TRUE(e && m) << gv->errorText;
    const int none = SCTRL_NOT_GIVEN_INT;
    struct Case {
        const char *what;
        const Expr ExplodParams::*expr;
        int explod, modify;
    } ints[] = {
        {"id", &ExplodParams::id, 0, -1},
        {"pos x", &ExplodParams::posX, 0, none},
        {"random y", &ExplodParams::randomY, 0, none},
        {"supermovetime", &ExplodParams::superMoveTime, 0, none},
        {"removetime", &ExplodParams::removeTime, -2, none},
        {"bindtime", &ExplodParams::bindTime, 1, none},
        {"sprpriority", &ExplodParams::sprPriority, 0, none},
        {"ontop", &ExplodParams::onTop, 0, none},
        {"facing", &ExplodParams::facing, 1, 1},
        {"vfacing", &ExplodParams::vFacing, 1, 1},
        {"ownpal", &ExplodParams::ownPal, 0, none},
        {"removeongethit", &ExplodParams::removeOnGetHit, 0, none},
        {"ignorehitpause", &ExplodParams::ignoreHitPause, 1, none},
        {"alpha source", &ExplodParams::alphaSrc, 256, none},
        {"alpha destination", &ExplodParams::alphaDst, 0, none},
    };
    for (const Case &c : ints) {
        EXPECT_EQ(I(e->*c.expr), c.explod) << c.what;
        EXPECT_EQ(I(m->*c.expr), c.modify) << c.what;
    }
    EXPECT_FLOAT_EQ(F(e->velX), 0.0f);
    EXPECT_FLOAT_EQ(F(e->scaleY), 1.0f);
    EXPECT_FLOAT_EQ(F(m->accelY), SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_FLOAT_EQ(F(m->scaleX), SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_EQ(e->posType, POSTYPE_P1);
    EXPECT_EQ(m->posType, none);
    EXPECT_EQ(e->transKind, TRANS_DEFAULT);
    EXPECT_EQ(m->transKind, none);
    // The shadow: no shadow, or only red unchanged.
    EXPECT_EQ(I(e->shadow[0]), 0);
    EXPECT_EQ(I(m->shadow[0]), none);
    EXPECT_EQ(I(m->shadow[1]), 0);
    EXPECT_EQ(I(m->shadow[2]), 0);
    EXPECT_EQ(e->animFromFight, 0);
    EXPECT_EQ(I(e->anim), 0);
}

TEST_F(ExplodParse, ActionPrefixListsAndPostype)
{
    const ExplodParams *p = Parse("type = Explod\nanim = F5\npos = 3\nvelocity = 1.5, -2\npostype = Back");
    ASSERT_NE(p, nullptr) << gv->errorText;
    EXPECT_EQ(p->animFromFight, 1);
    EXPECT_EQ(I(p->anim), 5);
    EXPECT_EQ(I(p->posX), 3);
    EXPECT_EQ(I(p->posY), 0);  // one value: the second keeps its default
    EXPECT_FLOAT_EQ(F(p->velX), 1.5f);
    EXPECT_FLOAT_EQ(F(p->velY), -2.0f);
    EXPECT_EQ(p->posType, POSTYPE_BACK);
    // "vel" wins over "velocity"; a word beginning with f stays an expression.
    p = Parse("type = Explod\nvel = 4, 0\nvelocity = 9, 9\nanim = floor(7.5)");
    ASSERT_NE(p, nullptr) << gv->errorText;
    EXPECT_FLOAT_EQ(F(p->velX), 4.0f);
    EXPECT_EQ(p->animFromFight, 0);
    EXPECT_EQ(I(p->anim), 7);
    // ModifyExplod reads no action, so no prefix can fail it.
    EXPECT_NE(Parse("type = ModifyExplod\nanim = S5"), nullptr);

    struct Fail {
        const char *body, *error;
    } fails[] = {
        {"type = Explod\nanim = S5", "\nError parsing anim"},
        {"type = Explod\npostype = q1", "Illegal postype: q1"},
        {"type = ModifyExplod\npostype = x", "Illegal postype: x"},
        {"type = Explod\npos = 1, 2, 3", "\nError parsing pos"},
        {"type = Explod\nshadow = 1, 2, 3 x", "\nError parsing shadow"},
    };
    for (const Fail &f : fails) {
        EXPECT_EQ(Parse(f.body), nullptr) << f.body;
        EXPECT_NE(std::string(gv->errorText).find(f.error), std::string::npos) << f.body << ": " << gv->errorText;
    }
}

TEST_F(ExplodParse, TransparencyWordsAndTheAlphaKey)
{
    struct Case {
        const char *keys;
        int modify, kind, src, dst;
    } cases[] = {
        {"trans = addalpha\nalpha = 128, 128", 0, TRANS_ALPHA, 128, 128},
        {"trans = add\nalpha = 128, 128", 0, TRANS_ADD, 256, 0},        // add has no alpha to read
        {"trans = add1\nalpha = 10, 10", 0, TRANS_ALPHA, 256, 128},     // the word brings its own
        {"alpha = 10, 10", 0, TRANS_DEFAULT, 256, 0},                    // alpha without trans
        {"trans = glow\nalpha = 10, 10", 0, TRANS_UNKNOWN, 256, 0},      // unknown: the parse ends there
        {"trans = add", 1, TRANS_ADD, SCTRL_NOT_GIVEN_INT, SCTRL_NOT_GIVEN_INT},
        {"trans = addalpha\nalpha = 64", 1, TRANS_ALPHA, 64, SCTRL_NOT_GIVEN_INT},
    };
    for (const Case &c : cases) {
        std::string body = std::string(c.modify ? "type = ModifyExplod\n" : "type = Explod\n") + c.keys;
        const ExplodParams *p = Parse(body);
        ASSERT_NE(p, nullptr) << body << ": " << gv->errorText;
        EXPECT_EQ(p->transKind, c.kind) << body;
        EXPECT_EQ(I(p->alphaSrc), c.src) << body;
        EXPECT_EQ(I(p->alphaDst), c.dst) << body;
    }
}
