#include "velok/script/sctrl.h"

#include <cstring>
#include <string>

#include "lib/array.h"
#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/scriptkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/st-trig.h"

class SCtrlTest : public ScriptTest {
protected:
    void TearDown() override
    {
        if (ctrls) {
            for (SCtrl *c = (SCtrl *)ArrayFirst(ctrls); c; c = (SCtrl *)ArrayNext(ctrls))
                SCtrlFree(c);
            ArrayFree(ctrls);
        }
        ScriptTest::TearDown();
    }
    // Parses one [State 200, test] group with these lines; null on failure.
    SCtrl *Parse(const std::string &body, int number = 3)
    {
        if (!ctrls)
            ctrls = ArrayCreate(1, sizeof(SCtrl), nullptr);
        DefFileWrite("st.cns", "[Statedef 200]\n[State 200, test]\n" + body + "\n[State 200, next]\ntype = null\n");
        TxtParseFile *f = TxtParseOpen("st.cns");
        EXPECT_NE(f, nullptr);
        EXPECT_GE(TxtParseGroupSet(f, "State 200, test"), 0);
        gv->errorText[0] = 0;
        int ok = SCtrlParse(f, ctrls, number, &pl);
        TxtParseClose(f);
        if (!ok)
            return nullptr;
        int slot = ArrayFind(ctrls, last = lastType(), number);
        return slot < 0 ? nullptr : (SCtrl *)ArrayAt(ctrls, slot);
    }
    int lastType()
    {
        // The newest element: the one with the highest add serial.
        int best = -1, serial = -1;
        for (int i = 0; i < ctrls->capacity; i++)
            if (ctrls->slots[i].used && ctrls->slots[i].serial > serial) {
                serial = ctrls->slots[i].serial;
                best = i;
            }
        return best < 0 ? -1 : ArrayKey1(ctrls, best);
    }
    // The six slots evaluated: ints as "%d", floats as "%gf".
    std::string Slots(SCtrl *c)
    {
        std::string out;
        for (int i = 0; i < SCTRL_SLOT_COUNT; i++) {
            int iv = 0;
            float fv = 0;
            char buf[32];
            if (ExprEvaluate(&pl, &c->slot[i], &iv, &fv) == 2)
                snprintf(buf, sizeof buf, "%gf", fv);
            else
                snprintf(buf, sizeof buf, "%d", iv);
            out += (i ? "," : "") + std::string(buf);
        }
        return out;
    }
    Array *ctrls = nullptr;
    int last = -1;
};

TEST_F(SCtrlTest, SimpleTypesReadTheirKeys)
{
    struct Case {
        const char *keys;
        int type;
        const char *slots;
    } cases[] = {
        {"type = null", 0, "0,0,0,0,0,0"},
        {"type = ForceFeedback\nwaveform = sine", 0, "0,0,0,0,0,0"},
        {"type = ChangeState\nvalue = 200", 1, "200,-1,-1,0,0,0"},
        {"type = changestate\nvalue = 20 + 1\nctrl = 1\nanim = 5", 1, "21,1,5,0,0,0"},
        {"type = SelfState\nvalue = 0", 2, "0,-1,-1,0,0,0"},
        {"type = Turn", 3, "0,0,0,0,0,0"},
        {"type = VarSet\nv = 3\nvalue = 7", 4, "0,3,7,0,0,0"},
        {"type = VarSet\nfv = 2\nvalue = 1", 4, "1,2,1f,0,0,0"},
        {"type = VarSet\nvar(5) = 9", 4, "0,5,9,0,0,0"},
        {"type = VarSet\nFVar(1) = 2.5", 4, "1,1,2.5f,0,0,0"},
        {"type = VarSet\nsysvar(2) = 1", 4, "2,2,1,0,0,0"},
        {"type = VarSet\nsysfvar(0) = -1.5", 4, "3,0,-1.5f,0,0,0"},
        {"type = VarAdd\nv = 1\nvalue = -1", 5, "0,1,-1,0,0,0"},
        {"type = VarRandom\nv = 2", 6, "2,0,1000,0,0,0"},
        {"type = VarRandom\nv = 2\nrange = 10", 6, "2,0,10,0,0,0"},
        {"type = VarRandom\nv = 2\nrange = 5, 9", 6, "2,5,9,0,0,0"},
        {"type = VarRangeSet\nvalue = 1", 7, "0,1,0,59,0,0"},
        {"type = VarRangeSet\nfvalue = 0.5\nfirst = 3\nlast = 9", 7, "1,0.5f,3,9,0,0"},
        {"type = VarRangeSet\nfvalue = 2", 7, "1,2f,0,39,0,0"},
        {"type = LifeSet\nvalue = 100", 10, "100,0,0,0,0,0"},
        {"type = LifeAdd\nvalue = -10", 11, "-10,1,0,0,0,0"},
        {"type = LifeAdd\nvalue = -10\nkill = 0\nabsolute = 1", 11, "-10,0,1,0,0,0"},
        {"type = PowerSet\nvalue = 3000", 12, "3000,0,0,0,0,0"},
        {"type = PowerAdd\nvalue = 50", 13, "50,0,0,0,0,0"},
        {"type = CtrlSet\nvalue = 1", 20, "1,0,0,0,0,0"},
        {"type = PosSet\nx = 10", 21, "10f,0,0,0,1,0"},
        {"type = PosAdd\ny = 2\nz = 3", 22, "0,2f,3f,0,6,0"},
        {"type = PosFreeze", 23, "1,0,0,0,0,0"},
        {"type = PosFreeze\nvalue = 0", 23, "0,0,0,0,0,0"},
        {"type = VelSet\nx = 2\ny = -3", 24, "2f,-3f,0,0,3,0"},
        {"type = VelAdd\ny = .5", 25, "0,0.5f,0,0,2,0"},
        {"type = VelMul\nx = 0.9", 26, "0.9f,0,0,0,1,0"},
        {"type = Gravity", 27, "0,0,0,0,0,0"},
        {"type = Offset\nx = 1\ny = 2", 28, "1f,2f,0,0,3,0"},
        {"type = HitBy\nvalue = SA\ntime = 5", 30, "5,0,5,1,0,0"},
        {"type = NotHitBy\nvalue = SCA", 30, "4088,0,1,1,0,0"},
        {"type = NotHitBy\nvalue2 = C, AA", 30, "0,4037,1,2,0,0"},
        {"type = ChangeAnim\nvalue = 5\nelem = 2", 32, "5,2,1,0,0,0"},
        {"type = ChangeAnim2\nvalue = 3", 33, "3,0,0,0,0,0"},
        {"type = PlaySnd\nvalue = 1, 0", 34, "0,0,0,0,0,0"},
        {"type = StopSnd\nchannel = 1", 35, "1,0,0,0,0,0"},
        {"type = SndPan\nchannel = 0\npan = -10", 36, "0,-10,0,0,0,0"},
        {"type = SndPan\nchannel = 0\nabspan = 5", 36, "0,5,1,0,0,0"},
        {"type = HitDef\nattr = S, NA", 37, "0,0,0,0,0,0"},
        {"type = ReversalDef\nreversal.attr = SCA, AA", 38, "63,0,0,0,0,0"},
        {"type = Projectile", 39, "0,0,0,0,0,0"},
        {"type = Width\nedge = 5, 6", 40, "5,6,0,0,0,0"},
        {"type = Width\nplayer = 1, 2", 40, "0,0,1,2,0,0"},
        {"type = Width\nvalue = 3, 4", 40, "3,4,3,4,0,0"},
        {"type = Width", 40, "0,0,0,0,0,0"},
        {"type = ScreenBound\nvalue = 1\nmovecamera = 1, 0", 50, "1,1,0,0,0,0"},
        {"type = SprPriority\nvalue = 2", 51, "2,0,0,0,0,0"},
        {"type = AngleDraw\nvalue = 45\nscale = 2, 3", 60, "45f,2f,3f,0,0,0"},
        {"type = AngleDraw", 60, "-32760f,1f,1f,0,0,0"},
        {"type = AngleSet\nvalue = 10", 61, "10f,0,0,0,0,0"},
        {"type = AngleAdd\nvalue = -1", 62, "-1f,0,0,0,0,0"},
        {"type = AngleMul\nvalue = 2", 63, "2f,0,0,0,0,0"},
        {"type = Trans\ntrans = add1", 65, "3,256,128,0,0,0"},
        {"type = Trans\ntrans = add1\nalpha = 64, 32", 65, "3,64,32,0,0,0"},
        {"type = Trans\ntrans = Sub", 65, "2,256,0,0,0,0"},
        {"type = Trans\ntrans = none", 65, "0,256,0,0,0,0"},
        {"type = Trans\ntrans = addalpha\nalpha = 128", 65, "3,128,0,0,0,0"},
        {"type = Trans\ntrans = default", 65, "-1,256,0,0,0,0"},
        {"type = Trans\ntrans =", 65, "-1,256,0,0,0,0"},
        {"type = Trans\ntrans = add", 65, "1,256,0,0,0,0"},
        {"type = TargetBind", 70, "1,-1,0f,0f,0,0"},
        {"type = TargetBind\ntime = 3\nid = 2\npos = 3, 4", 70, "3,2,3f,4f,0,0"},
        {"type = BindToTarget\npos = 10, 20, head", 71, "1,-1,10f,20f,2,0"},
        {"type = BindToTarget\npos = 10, 20, Mid", 71, "1,-1,10f,20f,1,0"},
        {"type = BindToTarget\npos = 1, 2", 71, "1,-1,1f,2f,0,0"},
        {"type = BindToTarget", 71, "1,-1,-32760f,-32760f,0,0"},
        {"type = TargetState\nvalue = 100\nid = 2", 72, "100,2,0,0,0,0"},
        {"type = TargetPowerAdd\nvalue = 10", 73, "10,-1,0,0,0,0"},
        {"type = TargetLifeAdd\nvalue = -5", 74, "-5,1,0,-1,0,0"},
        {"type = TargetVelSet\nx = 1", 75, "1f,-32760f,-32760f,-1,0,0"},
        {"type = TargetVelAdd\ny = 2\nid = 4", 76, "-32760f,2f,-32760f,4,0,0"},
        {"type = TargetFacing\nvalue = -1", 77, "-1,-1,0,0,0,0"},
        {"type = TargetDrop", 78, "-1,1,0,0,0,0"},
        {"type = TargetDrop\nexcludeID = 3\nkeepone = 0", 78, "3,0,0,0,0,0"},
        {"type = AttackDist\nvalue = 160", 90, "160,0,0,0,0,0"},
        {"type = PlayerPush\nvalue = 0", 91, "0,0,0,0,0,0"},
        {"type = HitFallSet", 100, "-1,-32760f,-32760f,0,0,0"},
        {"type = HitFallSet\nvalue = 1\nvelocity = 2, -5", 100, "1,2f,-5f,0,0,0"},
        {"type = HitVelSet\nx = 1\ny = 1", 101, "1,1,0,0,0,0"},
        {"type = HitFallDamage", 102, "0,0,0,0,0,0"},
        {"type = HitFallVel", 103, "0,0,0,0,0,0"},
        {"type = HitAdd\nvalue = 1", 104, "1,0,0,0,0,0"},
        {"type = AttackMulSet\nvalue = 1.5", 105, "1.5f,0,0,0,0,0"},
        {"type = DefenceMulSet\nvalue = 2", 106, "2f,0,0,0,0,0"},
        {"type = StateTypeSet\nstatetype = A\nmovetype = H\nphysics = N", 110, "3,2,0,0,0,0"},
        {"type = StateTypeSet\nvalue = c", 110, "2,-1,-1,0,0,0"},
        {"type = StateTypeSet\nmovetype = I\nphysics = a", 110, "-1,0,3,0,0,0"},
        {"type = HitOverride\nslot = 2\nattr = SCA, AA", 120, "2,0,0,0,0,0"},
        {"type = MoveHitReset", 130, "0,0,0,0,0,0"},
        {"type = AssertSpecial\nflag = noautoturn\nflag2 = Intro", 150, "3,1,0,0,-1,0"},
        {"type = EnvShake\ntime = 10", 200, "0,0,0,0,0,0"},
        {"type = FallEnvShake", 201, "0,0,0,0,0,0"},
        {"type = EnvColor\nvalue = 10, 20, 30\ntime = 5\nunder = 1", 202, "10,20,30,5,1,0"},
        {"type = EnvColor", 202, "255,255,255,1,0,0"},
        {"type = GameMakeAnim\nvalue = 3\npos = 1, 2\nrandom = 4", 203, "3,0,1f,2f,4,0"},
        {"type = AfterImage", 210, "0,0,0,0,0,0"},
        {"type = AfterImageTime\ntime = 5", 211, "5,0,0,0,0,0"},
        {"type = AfterImageTime\nvalue = 3", 211, "3,0,0,0,0,0"},
        {"type = Pause\ntime = 10", 212, "0,0,0,0,0,0"},
        {"type = SuperPause", 214, "0,0,0,0,0,0"},
        {"type = MakeDust\npos = 1, 2\npos2 = 3, 4\nspacing = 2", 215, "1,2,3f,4f,1,2"},
        {"type = MakeDust", 215, "0,0,0,0,0,3"},
        {"type = PalFX", 216, "0,0,0,0,0,0"},
        {"type = BGPalFX", 216, "1,0,0,0,0,0"},
        {"type = AllPalFX", 216, "2,0,0,0,0,0"},
        {"type = Explod\nanim = 1", 220, "0,0,0,0,0,0"},
        {"type = RemoveExplod", 221, "-1,0,0,0,0,0"},
        {"type = RemoveExplod\nid = 5", 221, "5,0,0,0,0,0"},
        {"type = ExplodBindTime\nid = 1\ntime = 5", 222, "1,5,0,0,0,0"},
        {"type = ExplodBindTime\nvalue = 2", 222, "-1,2,0,0,0,0"},
        {"type = ModifyExplod", 223, "0,0,0,0,0,0"},
        {"type = Helper", 300, "0,0,0,0,0,0"},
        {"type = DestroySelf", 301, "0,0,0,0,0,0"},
        {"type = ParentVarSet\nv = 1\nvalue = 2", 304, "0,1,2,0,0,0"},
        {"type = ParentVarAdd\nfvar(2) = 1.5", 305, "1,2,1.5f,0,0,0"},
        {"type = DisplayToClipboard\ntext = \"life %d of %d\"\nparams = var(1), 2", 310, "0,2,0,0,0,2"},
        {"type = AppendToClipboard\ntext = \"plain\"", 311, "0,0,0,0,0,0"},
        {"type = ClearClipboard", 312, "0,0,0,0,0,0"},
        {"type = BindToParent\npos = 1, 2, 3\nfacing = -1", 320, "1,-1,1f,2f,3f,0"},
        {"type = BindToRoot", 321, "1,0,0f,0f,0f,0"},
        {"type = TagIn\nstateno = 5", 10051, "5,0,0,0,0,0"},
        {"type = TagOut", 10052, "0,0,0,0,0,0"},
    };
    int number = 0;
    for (const Case &c : cases) {
        SCtrl *s = Parse(std::string("trigger1 = 1\n") + c.keys, number++);
        ASSERT_NE(s, nullptr) << c.keys << ": " << gv->errorText << " / " << LibErrorMsg;
        EXPECT_EQ(s->type, c.type) << c.keys;
        EXPECT_EQ(ArrayFind(ctrls, c.type, number - 1) >= 0, true) << c.keys;
        EXPECT_EQ(Slots(s), c.slots) << c.keys;
        EXPECT_EQ(s->persistent, 1);
        EXPECT_EQ(s->ignoreHitPause, 0);
    }
}

// An item of a controller's list that fails to compile keeps its default,
// and so do the items after it; the controller loads and leaves no message.
TEST_F(SCtrlTest, ListItemThatFailsKeepsItsDefault)
{
    struct Case {
        const char *keys;
        const char *slots;
    } cases[] = {
        {"type = AngleDraw\nscale = 2, foo", "-32760f,2f,1f,0,0,0"},
        {"type = AngleDraw\nscale = foo, 3", "-32760f,1f,1f,0,0,0"},
        {"type = Trans\ntrans = add1\nalpha = 64, 1.5", "3,64,128,0,0,0"},
        {"type = HitFallSet\nvelocity = 2, (", "-1,2f,-32760f,0,0,0"},
        {"type = BindToTarget\npos = 5, foo", "1,-1,5f,-32760f,0,0"},
        {"type = VarRandom\nv = 2\nrange = foo", "2,0,1000,0,0,0"},
    };
    int number = 0;
    for (const Case &c : cases) {
        LibErrorMsg[0] = 0;
        SCtrl *s = Parse(std::string("trigger1 = 1\n") + c.keys, number++);
        ASSERT_NE(s, nullptr) << c.keys << ": " << gv->errorText;
        EXPECT_EQ(Slots(s), c.slots) << c.keys;
        EXPECT_STREQ(gv->errorText, "") << c.keys;
        EXPECT_STREQ(LibErrorMsg, "") << c.keys;
    }
}

TEST_F(SCtrlTest, TriggerLinesAndRunKeys)
{
    SCtrl *c = Parse("triggerall = 1\ntriggerall = 2\ntrigger1 = 3\ntrigger1 = 4\ntrigger2 = 5\ntrigger3 = 6\n"
                     "trigger5 = 7\npersistent = 0\nignorehitpause = 1\ntype = Turn");
    ASSERT_NE(c, nullptr) << gv->errorText;
    EXPECT_EQ(c->groupCount, 3);
    EXPECT_EQ(c->persistent, 0);
    EXPECT_EQ(c->ignoreHitPause, 1);
    EXPECT_EQ(c->triggers->used, 6);
    const int keys[][3] = {{-1, 0, 1}, {-1, 1, 2}, {0, 0, 3}, {0, 1, 4}, {1, 0, 5}, {2, 0, 6}};
    for (const auto &k : keys) {
        Expr *e = (Expr *)ArrayFindElem(c->triggers, k[0], k[1]);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->value.i, k[2]);
    }
    EXPECT_EQ(ArrayFindElem(c->triggers, 4, 0), nullptr);  // trigger5 is past the gap

    // trigger3 without trigger2 is ignored.
    c = Parse("trigger1 = 1\ntrigger3 = 1\ntype = Turn", 4);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->groupCount, 1);
    EXPECT_EQ(c->triggers->used, 1);

    // No type is the null controller.
    c = Parse("trigger1 = 1", 5);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->type, 0);
}

TEST_F(SCtrlTest, ParseFailures)
{
    struct Case {
        const char *keys;
        const char *error;
    } cases[] = {
        {"type = Turn", "Need at least 1 trigger"},
        {"trigger2 = 1\ntype = Turn", "Need at least 1 trigger"},
        {"trigger1 = 1\ntype = change state", "Not a valid elem type: change state"},
        {"trigger1 = 1\ntrigger1 = 1 +\ntype = Turn", "\nError parsing trigger1, 2"},
        {"trigger1 = 1\ntrigger2 = foo\ntype = Turn", "Invalid trigger: foo\nError parsing trigger2, 1"},
        {"trigger1 = 1\ntriggerall = )\ntype = Turn", "\nError parsing triggerall"},
        {"trigger1 = 1\ntype = ChangeState", "Missing value parameter"},
        {"trigger1 = 1\ntype = ChangeState\nvalue = 2.5", "\nError parsing value"},
        {"trigger1 = 1\ntype = ChangeState\nvalue = 1\nctrl = (", "\nError parsing ctrl"},
        {"trigger1 = 1\ntype = VarSet\nvalue = 2", "Missing v or fv parameter"},
        {"trigger1 = 1\ntype = VarSet", "Missing value parameter"},
        {"trigger1 = 1\ntype = VarSet\nvar(1) 3", "Missing value in var(1) 3"},
        {"trigger1 = 1\ntype = ParentVarSet\nsysvar(1) = 3", "Missing value parameter"},
        {"trigger1 = 1\ntype = VarRandom", "Missing v parameter"},
        {"trigger1 = 1\ntype = VarRangeSet\nfirst = 2", "VarRangeSet value not specified."},
        {"trigger1 = 1\ntype = StopSnd", "Missing channel parameter"},
        {"trigger1 = 1\ntype = SndPan\npan = 3", "Missing channel parameter"},
        {"trigger1 = 1\ntype = HitBy\ntime = 2", "Missing value parameter"},
        {"trigger1 = 1\ntype = HitBy\nvalue = SX", "Invalid hit attribute: SX"},
        {"trigger1 = 1\ntype = ReversalDef", "Missing reversal.attr parameter\nError parsing Reversaldef"},
        {"trigger1 = 1\ntype = ReversalDef\nreversal.attr = Q", "Invalid reversal.attr: Q\nError parsing Reversaldef"},
        {"trigger1 = 1\ntype = Trans\ntrans = foo", "Invalid trans type: foo"},
        {"trigger1 = 1\ntype = BindToTarget\npos = 1, 2, xyz", "Invalid bind position: xyz"},
        {"trigger1 = 1\ntype = StateTypeSet\nstatetype = Q", "State type \"Q\" not valid"},
        {"trigger1 = 1\ntype = StateTypeSet\nmovetype = X", "State movetype \"X\" not valid"},
        {"trigger1 = 1\ntype = StateTypeSet\nphysics = Z", "State physics \"Z\" not valid"},
        {"trigger1 = 1\ntype = AssertSpecial", "AssertSpecial flag parameter missing"},
        {"trigger1 = 1\ntype = AssertSpecial\nflag = foo", "AssertSpecial flag \"foo\" not valid"},
        {"trigger1 = 1\ntype = AssertSpecial\nflag = intro\nflag2 = bar", "AssertSpecial flag2 \"bar\" not valid"},
        {"trigger1 = 1\ntype = AssertSpecial\nflag = intro\nflag3 = baz", "AssertSpecial flag3 \"baz\" not valid"},
        {"trigger1 = 1\ntype = EnvColor\nvalue = 1, 2", "EnvColor value needs three numbers"},
        {"trigger1 = 1\ntype = Width\nedge = 1, foo", "Invalid trigger: foo\nError parsing edge"},
        {"trigger1 = 1\ntype = GameMakeAnim\npos = 1, foo", "Invalid trigger: foo\nError parsing pos"},
        {"trigger1 = 1\ntype = DisplayToClipboard", "Text not specified for displaytoclipboard."},
        {"trigger1 = 1\ntype = AppendToClipboard\ntext = abc", "Message text not quote-delimited."},
        {"trigger1 = 1\ntype = DisplayToClipboard\ntext = \"abc", "Message text not quote-delimited."},
        {"trigger1 = 1\ntype = DisplayToClipboard\ntext = \"abc\\", "Unterminated backslash escape sequence"},
        {"trigger1 = 1\ntype = DisplayToClipboard\ntext = \"%d%d%d%d%d%d\"\nparams = 1,2,3,4,5",
         "More than 5 parameters to displaytoclipboard."},
        {"trigger1 = 1\ntype = DisplayToClipboard\ntext = \"life %d of %d\"\nparams = 1",
         "displaytoclipboard has 2 parameters in its text and 1 in params."},
        {"trigger1 = 1\ntype = TagIn", "Missing stateno parameter"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Parse(c.keys), nullptr) << c.keys;
        EXPECT_STREQ(gv->errorText, c.error) << c.keys;
    }
    std::string longType = "trigger1 = 1\ntype = " + std::string(240, 'x') + "; long";
    EXPECT_EQ(Parse(longType), nullptr);
    EXPECT_EQ(std::string(gv->errorText), "Not a valid elem type: " + std::string(240, 'x'));
}

TEST_F(SCtrlTest, ClipboardTextEscapesAndSafeFormatting)
{
    SCtrl *c = Parse("trigger1 = 1\ntype = DisplayToClipboard\ntext = \"a\\tb\\n100%% \\\"q\\\" %d %.1f\"\n"
                     "params = var(1), 2.5");
    ASSERT_NE(c, nullptr) << gv->errorText;
    EXPECT_STREQ((const char *)c->params, "a\tb\n100%% \"q\" %d %.1f");
    pl.var[1] = 7;
    char out[SCTRL_CLIP_TEXT_LEN + 1];
    SCtrlClipboardText(&pl, c, out, sizeof out);
    EXPECT_STREQ(out, "a\tb\n100% \"q\" 7 2.5");

    // An author's text is never a printf format of its own.
    c = Parse("trigger1 = 1\ntype = AppendToClipboard\ntext = \"%s %n %99999d\"\nparams = 1, 2, 3");
    ASSERT_NE(c, nullptr) << gv->errorText;
    SCtrlClipboardText(&pl, c, out, sizeof out);
    EXPECT_LE(strlen(out), (size_t)SCTRL_CLIP_TEXT_LEN);
    EXPECT_EQ(std::string(out).substr(0, 6), "1 %n  ");
}

TEST_F(SCtrlTest, TriggerArrayTest)
{
    SCtrl *c = Parse("triggerall = var(0)\ntrigger1 = var(1)\ntrigger1 = var(2)\ntrigger2 = var(3)\ntype = Turn");
    ASSERT_NE(c, nullptr);
    struct Case {
        int v[4];
        int result;
    } cases[] = {
        {{1, 1, 1, 0}, 1}, {{1, 1, 0, 0}, 0}, {{1, 0, 1, 1}, 1}, {{0, 1, 1, 1}, 0},
        {{1, 0, 0, 0}, 0}, {{5, 2, 3, 0}, 1}, {{1, 1, 0, 1}, 1},
    };
    for (const Case &k : cases) {
        memcpy(pl.var, k.v, sizeof k.v);
        EXPECT_EQ(TrigArrayTest(&pl, c), k.result) << k.v[0] << k.v[1] << k.v[2] << k.v[3];
    }
    c = Parse("trigger1 = fvar(0)\ntype = Turn", 9);
    ASSERT_NE(c, nullptr);
    pl.fvar[0] = 0.0f;
    EXPECT_EQ(TrigArrayTest(&pl, c), 0);
    pl.fvar[0] = 0.25f;
    EXPECT_EQ(TrigArrayTest(&pl, c), 1);
}

// The lines of a controller as the test defines them, through key lookups:
// triggerall lines, then each group's until one is false.
static int KeyedTest(Player *pl, SCtrl *c)
{
    auto holds = [&](const Expr *e) {
        int i = 0;
        float f = 0;
        return ExprEvaluate(pl, e, &i, &f) == 2 ? f != 0.0f : i != 0;
    };
    for (int line = 0; const Expr *e = (const Expr *)ArrayFindElem(c->triggers, -1, line); line++)
        if (!holds(e))
            return 0;
    for (int g = 0; g < c->groupCount; g++) {
        bool all = true;
        for (int line = 0; const Expr *e = (const Expr *)ArrayFindElem(c->triggers, g, line); line++)
            if (!holds(e)) {
                all = false;
                break;
            }
        if (all)
            return 1;
    }
    return 0;
}

// Each line k records its number in var(9) and holds while var(k) is set:
// for every mix of true and false lines the test gives the same result after
// evaluating the same lines in the same order as the lookups by key, also
// when a removed line or a repeated key leaves the lines out of their order.
TEST_F(SCtrlTest, TriggerLinesWalkedInOneGoMatchTheLookups)
{
    std::string body;
    const char *keys[] = {"triggerall", "triggerall", "trigger1", "trigger1", "trigger2",
                          "trigger2",   "trigger2",   "trigger3"};
    for (int k = 1; k <= 8; k++)
        body += std::string(keys[k - 1]) + " = (var(9) := var(9) * 10 + " + std::to_string(k) + ") * var(" +
                std::to_string(k) + ")\n";
    SCtrl *c = Parse(body + "type = Turn");
    ASSERT_NE(c, nullptr) << gv->errorText;
    auto compare = [&](const char *layout) {
        for (int bits = 0; bits < 256; bits++) {
            for (int k = 1; k <= 8; k++)
                pl.var[k] = (bits >> (k - 1)) & 1;
            pl.var[9] = 0;
            int want = KeyedTest(&pl, c), wantOrder = pl.var[9];
            pl.var[9] = 0;
            ASSERT_EQ(TrigArrayTest(&pl, c), want) << layout << " " << bits;
            ASSERT_EQ(pl.var[9], wantOrder) << layout << " " << bits;
        }
    };
    compare("as read");
    // trigger2's middle line removed: trigger2 ends after its first line.
    int slot = ArrayFind(c->triggers, 1, 1);
    ExprFree((Expr *)ArrayAt(c->triggers, slot));
    ArrayRemove(c->triggers, slot);
    compare("line removed");
    // A second line keyed as trigger1's first, after the first one: the first wins.
    ASSERT_EQ(ArrayResize(c->triggers, c->triggers->capacity + 1), 1);
    Expr extra{};
    ASSERT_EQ(ExprCompile("var(9) := 99", &extra, &pl, nullptr, 0), 1);
    ASSERT_GE(ArrayAdd(c->triggers, &extra, 0, 0), 0);
    compare("repeated key");
}

TEST_F(SCtrlTest, TypeNames)
{
    EXPECT_EQ(SCtrlTypeCode("ChangeState"), 1);
    EXPECT_EQ(SCtrlTypeCode("NOTHITBY"), 30);
    EXPECT_EQ(SCtrlTypeCode("tagin"), 10051);
    EXPECT_EQ(SCtrlTypeCode("change state"), -1);
    EXPECT_EQ(SCtrlTypeCode(""), -1);
}

using SCtrlDeath = SCtrlTest;

TEST_F(SCtrlDeath, MissingFirstLineOfAGroup)
{
    SCtrl *c = Parse("trigger1 = 1\ntrigger2 = 0\ntype = Turn");
    ASSERT_NE(c, nullptr);
    int slot = ArrayFind(c->triggers, 0, 0);
    ExprFree((Expr *)ArrayAt(c->triggers, slot));
    ArrayRemove(c->triggers, slot);
    EXPECT_EXIT(TrigArrayTest(&pl, c), testing::ExitedWithCode(1), "TrigArrayTest bug");
}
