// Helper parameters: defaults, helper types, the quoted name, postype and the size keys.
#include "velok/script/sc-helper.h"

#include <string>

#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/sctrl.h"
#include "velok/script/stparam.h"

namespace {

class HelperParse : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(2);
    }
    const HelperParams *Parse(const std::string &keys)
    {
        SCtrl *c = Ctrl("type = Helper\n" + keys);
        return c ? (const HelperParams *)c->params : nullptr;
    }
    int I(const Expr &e) { return ExprEvalInt(p1, &e, 0); }
};

} // namespace

TEST_F(HelperParse, NoKeysGiveTheDefaults)
{
    const HelperParams *p = Parse("");
    ASSERT_NE(p, nullptr) << gv->errorText;
    EXPECT_STREQ(p->name, "");
    EXPECT_EQ(p->type, HELPER_TYPE_NORMAL);
    EXPECT_EQ(p->posType, POSTYPE_P1);
    EXPECT_EQ(I(p->id), 0);
    EXPECT_EQ(I(p->posX), 0);
    EXPECT_EQ(I(p->facing), 1);
    EXPECT_EQ(I(p->stateNo), 0);
    EXPECT_EQ(I(p->keyCtrl), 0);
    EXPECT_EQ(I(p->ownPal), 0);
    EXPECT_EQ(I(p->superMoveTime), 0);
    EXPECT_FLOAT_EQ(ExprEvalFloat(p1, &p->xScale), SCTRL_NOT_GIVEN_FLOAT);
    for (const Expr *e : {&p->groundBack, &p->height, &p->projDoScale, &p->headPosX, &p->midPosY, &p->shadowOffset})
        EXPECT_EQ(I(*e), SCTRL_NOT_GIVEN_INT);
}

TEST_F(HelperParse, TypesNamesPositionsAndSizes)
{
    struct Type {
        const char *word;
        int type;
    } types[] = {{"normal", 0}, {"Player", 1}, {"proj", 2}, {"projectile", 2}, {"PROJX", 2}};
    for (const Type &t : types) {
        const HelperParams *p = Parse(std::string("helpertype = ") + t.word);
        ASSERT_NE(p, nullptr) << t.word << ": " << gv->errorText;
        EXPECT_EQ(p->type, t.type) << t.word;
    }

    const std::string longName(60, 'n');
    const HelperParams *p = Parse("name = \"" + longName + "\"\npos = 7\npostype = p2\nsize.head.pos = -3\n"
                                  "size.xscale = 0.5\nsize.height = 40");
    ASSERT_NE(p, nullptr) << gv->errorText;
    EXPECT_EQ(std::string(p->name), longName.substr(0, 47));
    EXPECT_EQ(I(p->posX), 7);
    EXPECT_EQ(I(p->posY), 0);
    EXPECT_EQ(p->posType, POSTYPE_P2);
    EXPECT_EQ(I(p->headPosX), -3);
    EXPECT_EQ(I(p->headPosY), SCTRL_NOT_GIVEN_INT);  // one value changes only x
    EXPECT_FLOAT_EQ(ExprEvalFloat(p1, &p->xScale), 0.5f);
    EXPECT_EQ(I(p->height), 40);

    struct Fail {
        const char *keys, *error;
    } fails[] = {
        {"helpertype = players", "Illegal helper type: players\nError parsing Helper"},
        {"name = plain", "String value for name must be in quotes\nError parsing Helper"},
        {"postype = sideways", "Illegal postype: sideways\nError parsing Helper"},
        {"size.mid.pos = 1, 2, 3", "\nError parsing size.mid.pos\nError parsing Helper"},
    };
    for (const Fail &f : fails) {
        EXPECT_EQ(Parse(f.keys), nullptr) << f.keys;
        EXPECT_NE(std::string(gv->errorText).find(f.error), std::string::npos) << f.keys << ": " << gv->errorText;
    }
}
