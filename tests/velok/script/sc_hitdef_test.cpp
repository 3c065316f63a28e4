#include "velok/script/sc-hitdef.h"

#include <cstring>
#include <string>

#include "lib/array.h"
#include "lib/txtparse.h"
#include "support/deftext.h"
#include "support/scriptkit.h"
#include "velok/core/gamevars.h"
#include "velok/script/sctrl.h"
#include "velok/script/stparam.h"

class HitDefTest : public ScriptTest {
protected:
    void SetUp() override
    {
        ScriptTest::SetUp();
        gv->cfg.rules.attackLifeToPowerMul = 3.0f;
        gv->cfg.rules.getHitLifeToPowerMul = 2.0f;
        ctrls = ArrayCreate(1, sizeof(SCtrl), nullptr);
        pl.attackMul = 1.0f;
    }
    void TearDown() override
    {
        for (SCtrl *c = (SCtrl *)ArrayFirst(ctrls); c; c = (SCtrl *)ArrayNext(ctrls))
            SCtrlFree(c);
        ArrayFree(ctrls);
        ScriptTest::TearDown();
    }
    // Parses one controller group through the controller parser; null on failure.
    HitDefParams *Parse(const std::string &keys, const char *type = "HitDef")
    {
        static int number = 0;
        number++;
        DefFileWrite("st.cns", std::string("[Statedef 200]\n[State 200, a]\ntype = ") + type +
                                   "\ntrigger1 = 1\n" + keys + "\n");
        TxtParseFile *f = TxtParseOpen("st.cns");
        EXPECT_NE(f, nullptr);
        EXPECT_GE(TxtParseGroupSet(f, "State 200, a"), 0);
        gv->errorText[0] = 0;
        int ok = SCtrlParse(f, ctrls, number, &pl);
        TxtParseClose(f);
        if (!ok)
            return nullptr;
        int code = strcmp(type, "HitDef") == 0 ? SCTRL_HITDEF : SCTRL_REVERSALDEF;
        SCtrl *c = (SCtrl *)ArrayFindElem(ctrls, code, number);
        return c ? (HitDefParams *)c->params : nullptr;
    }
    HitDef Eval(const std::string &keys)
    {
        HitDef hd;
        memset(&hd, 0x5a, sizeof hd);
        HitDefParams *p = Parse(keys);
        EXPECT_NE(p, nullptr) << gv->errorText;
        if (p)
            SCtrlHitDefEval(p, &hd, &pl);
        return hd;
    }
    Array *ctrls = nullptr;
};

TEST_F(HitDefTest, NoKeysGivesEveryDefault)
{
    HitDef hd = Eval("");
    EXPECT_EQ(hd.affectTeam, HITDEF_AFFECT_ENEMIES);
    EXPECT_EQ(hd.attr, 0);
    EXPECT_EQ(hd.id, 0);
    EXPECT_EQ(hd.chainId, -1);
    EXPECT_EQ(hd.noChainId[0], -1);
    EXPECT_EQ(hd.noChainId[1], -1);
    EXPECT_EQ(hd.damage, 0);
    EXPECT_EQ(hd.guardDamage, 0);
    EXPECT_EQ(hd.getPower, 0);
    EXPECT_EQ(hd.numHits, 1);
    EXPECT_EQ(hd.kill, 1);
    EXPECT_EQ(hd.guardKill, 1);
    EXPECT_EQ(hd.fallKill, 1);
    EXPECT_EQ(hd.hitOnce, 0);
    EXPECT_EQ(hd.hitFlag, SCtrlHitFlagParse("MAF"));
    EXPECT_EQ(hd.guardFlag, 0);
    EXPECT_EQ(hd.priority, 4);
    EXPECT_EQ(hd.priorityType, HITDEF_PRIO_HIT);
    EXPECT_EQ(hd.sparkNo, -2);
    EXPECT_EQ(hd.guardSparkNo, -2);
    EXPECT_EQ(hd.sparkOwn, 0);
    EXPECT_EQ(hd.hitSoundGroup, -1);
    EXPECT_EQ(hd.hitSoundCommon, 1);
    EXPECT_EQ(hd.guardSoundGroup, -1);
    EXPECT_EQ(hd.airHitTime, 20);
    EXPECT_EQ(hd.downHitTime, 20);
    EXPECT_FLOAT_EQ(hd.fallVelY, -4.5f);
    EXPECT_FLOAT_EQ(hd.fallVelX, SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_FLOAT_EQ(hd.yAccel, SCTRL_NOT_GIVEN_FLOAT);
    EXPECT_EQ(hd.fallRecover, 1);
    EXPECT_EQ(hd.fallRecoverTime, 4);
    EXPECT_FLOAT_EQ(hd.airGuardVelX, 0.0f);
    EXPECT_FLOAT_EQ(hd.airGuardVelY, 0.0f);
    EXPECT_EQ(hd.p2GetP1State, 0);
    EXPECT_EQ(hd.p1StateNo, -1);
    EXPECT_EQ(hd.p2StateNo, -1);
    EXPECT_EQ(hd.juggle, -1);
    EXPECT_EQ(hd.attackWidthFront, -1);
    EXPECT_EQ(hd.attackWidthBack, -1);
    EXPECT_EQ(hd.p1SprPriority, 1);
    EXPECT_EQ(hd.p2SprPriority, 0);
    EXPECT_EQ(hd.guardDist, -1);
    EXPECT_EQ(hd.animType, HITDEF_ANIM_LIGHT);
    EXPECT_EQ(hd.airAnimType, HITDEF_ANIM_LIGHT);
    EXPECT_EQ(hd.fallAnimType, HITDEF_ANIM_BACK);
    EXPECT_EQ(hd.groundType, HITDEF_TYPE_HIGH);
    EXPECT_EQ(hd.airType, HITDEF_TYPE_HIGH);
    EXPECT_EQ(hd.forceStand, 0);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(hd.minDist[i], HITDEF_DIST_NONE);
        EXPECT_EQ(hd.maxDist[i], HITDEF_DIST_NONE);
    }
    EXPECT_EQ(hd.palFx.time, 0);
    EXPECT_EQ(hd.palFx.mulR, 256);
    EXPECT_EQ(hd.palFx.color, 256);
    EXPECT_EQ(hd.shake.time, 0);
    EXPECT_FLOAT_EQ(hd.shake.ampl, -4.0f);
    EXPECT_FLOAT_EQ(hd.shake.freq, 60.0f);
    EXPECT_FLOAT_EQ(hd.shake.phase, 0.0f);
    EXPECT_EQ(Warnings(), "");
}

TEST_F(HitDefTest, DerivedDefaults)
{
    struct Case {
        const char *keys;
        const char *field;
        float want;
    } cases[] = {
        {"damage = 20", "getpower", 60},
        {"damage = 20", "guardgetpower", 30},
        {"damage = 20", "givepower", 40},
        {"damage = 20", "guardgivepower", 20},
        {"getpower = 50", "getpower", 50},
        {"getpower = 50", "guardgetpower", 25},
        {"getpower = 50, 7", "guardgetpower", 7},
        {"pausetime = 8", "p1pause", 8},
        {"pausetime = 8", "p2shake", 0},
        {"pausetime = 8, 6", "guardp1pause", 8},
        {"pausetime = 8, 6", "guardp2shake", 6},
        {"pausetime = 8, 6\nguard.pausetime = 3", "guardp2shake", 6},
        {"pausetime = 8, 6\nguard.pausetime = 3", "guardp1pause", 3},
        {"attr = S, NT", "hitonce", 1},
        {"attr = S, HA", "hitonce", 0},
        {"attr = S, NT\nhitonce = 0", "hitonce", 0},
        {"p2stateno = 900", "p2getp1state", 1},
        {"p2stateno = 900\np2getp1state = 0", "p2getp1state", 0},
        {"ground.velocity = -5", "guardvel", -5},
        {"ground.velocity = -5", "groundpush", -6.5f},
        {"attr = A, NA\nground.velocity = -5", "groundpush", 0},
        {"ground.velocity = -5", "airpush", -6.5f},
        {"ground.velocity = -5\nguard.cornerpush.veloff = -1", "airguardpush", -1},
        {"ground.velocity = n, -4", "guardvel", 0},
        {"ground.velocity = n, -4", "groundpush", 0},
        {"ground.velocity = n, -4", "groundvelx", SCTRL_NOT_GIVEN_FLOAT},
        {"ground.velocity = n, -4", "forcestand", 1},
        {"ground.velocity = 2, -4\nforcestand = 0", "forcestand", 0},
        {"air.velocity = -4, -6", "airguardvelx", -6},
        {"air.velocity = -4, -6", "airguardvely", -3},
        {"air.velocity = -4", "airguardvely", 0},
        {"air.velocity = n, n", "airguardvelx", 0},
        {"air.velocity = n, n", "airguardvely", 0},
        {"air.velocity = -4, -6", "downvelx", -4},
        {"air.velocity = -4, -6\ndown.velocity = 1", "downvely", -6},
        {"ground.slidetime = 7\nground.hittime = 9", "guardslide", 7},
        {"ground.slidetime = 7\nground.hittime = 9", "guardhit", 9},
        {"ground.slidetime = 7", "guardctrl", 7},
        {"guard.slidetime = 5", "airguardctrl", 5},
        {"fall = 1", "airfall", 1},
        {"fall = 1", "fallbit", 1},
        {"fall = 1\nair.fall = 0", "airfall", 0},
        {"animtype = Hard", "airanim", HITDEF_ANIM_HARD},
        {"animtype = Up", "fallanim", HITDEF_ANIM_UP},
        {"air.animtype = diagup", "fallanim", HITDEF_ANIM_DIAGUP},
        {"animtype = medium", "fallanim", HITDEF_ANIM_BACK},
        {"ground.type = Low", "airtype", HITDEF_TYPE_LOW},
        {"ground.type = trip\nair.type = none", "airtype", HITDEF_TYPE_NONE},
        {"sprpriority = 3", "p1spr", 3},
        {"sprpriority = 3\np1sprpriority = 2", "p1spr", 2},
        {"sparkno = S 5", "sparkown", 1},
        {"sparkno = 5", "sparkown", 0},
        {"guard.sparkno = s7", "gsparkno", 7},
        {"hitsound = S5, 2", "hitsoundcommon", 0},
        {"hitsound = F5, 2", "hitsoundno", 2},
        {"priority = 5, Miss", "prio", 5},
        {"priority = 5, Miss", "priotype", HITDEF_PRIO_MISS},
        {"priority = 3, dodge", "priotype", HITDEF_PRIO_DODGE},
        {"affectteam = friend", "affect", HITDEF_AFFECT_FRIENDS},
        {"affectteam = b", "affect", HITDEF_AFFECT_BOTH},
        {"envshake.freq = 120", "phase", 90},
        {"envshake.freq = 120\nenvshake.phase = 0", "phase", 0},
        {"envshake.freq = 0", "freq", 0.001f},
        {"fall.envshake.time = 9\nfall.envshake.ampl = 3", "fallshakeampl", 3},
        {"palfx.time = 10\npalfx.add = 1, 2, 3\npalfx.sinadd = 4, 5, 6", "paladdg", 2},
    };
    for (const Case &c : cases) {
        HitDef hd = Eval(c.keys);
        std::string f = c.field;
        float got = f == "getpower"         ? hd.getPower
                    : f == "guardgetpower"  ? hd.guardGetPower
                    : f == "givepower"      ? hd.givePower
                    : f == "guardgivepower" ? hd.guardGivePower
                    : f == "p1pause"        ? hd.p1PauseTime
                    : f == "p2shake"        ? hd.p2ShakeTime
                    : f == "guardp1pause"   ? hd.guardP1PauseTime
                    : f == "guardp2shake"   ? hd.guardP2ShakeTime
                    : f == "hitonce"        ? hd.hitOnce
                    : f == "p2getp1state"   ? hd.p2GetP1State
                    : f == "guardvel"       ? hd.guardVel
                    : f == "groundpush"     ? hd.groundCornerPush
                    : f == "airpush"        ? hd.airCornerPush
                    : f == "airguardpush"   ? hd.airGuardCornerPush
                    : f == "groundvelx"     ? hd.groundVelX
                    : f == "forcestand"     ? hd.forceStand
                    : f == "airguardvelx"   ? hd.airGuardVelX
                    : f == "airguardvely"   ? hd.airGuardVelY
                    : f == "downvelx"       ? hd.downVelX
                    : f == "downvely"       ? hd.downVelY
                    : f == "guardslide"     ? hd.guardSlideTime
                    : f == "guardhit"       ? hd.guardHitTime
                    : f == "guardctrl"      ? hd.guardCtrlTime
                    : f == "airguardctrl"   ? hd.airGuardCtrlTime
                    : f == "airfall"        ? hd.airFall
                    : f == "fallbit"        ? (hd.hitFlag & HITDEF_FALL_BIT)
                    : f == "airanim"        ? hd.airAnimType
                    : f == "fallanim"       ? hd.fallAnimType
                    : f == "airtype"        ? hd.airType
                    : f == "p1spr"          ? hd.p1SprPriority
                    : f == "sparkown"       ? hd.sparkOwn
                    : f == "gsparkno"       ? hd.guardSparkNo
                    : f == "hitsoundcommon" ? hd.hitSoundCommon
                    : f == "hitsoundno"     ? hd.hitSoundNo
                    : f == "prio"           ? hd.priority
                    : f == "priotype"       ? hd.priorityType
                    : f == "affect"         ? hd.affectTeam
                    : f == "phase"          ? hd.shake.phase
                    : f == "freq"           ? hd.shake.freq
                    : f == "fallshakeampl"  ? hd.fallShake.ampl
                    : f == "paladdg"        ? hd.palFx.addG
                                            : -99999.0f;
        EXPECT_FLOAT_EQ(got, c.want) << c.keys << " -> " << c.field;
    }
}

TEST_F(HitDefTest, SnapOverridesMinAndMaxDist)
{
    HitDef hd = Eval("snap = 10, 0, 0, 3\nmindist = 50, 50\nmaxdist = 60, 60");
    EXPECT_EQ(hd.minDist[0], 10);
    EXPECT_EQ(hd.minDist[1], 0);
    EXPECT_EQ(hd.maxDist[0], 10);
    EXPECT_EQ(hd.maxDist[1], 0);
    EXPECT_EQ(hd.p2BindTime, 3);
    // The depth words stay "none" even when given.
    EXPECT_EQ(hd.minDist[2], HITDEF_DIST_NONE);
    EXPECT_EQ(hd.maxDist[2], HITDEF_DIST_NONE);
    hd = Eval("mindist = 5, 6, 7\nmaxdist = 20");
    EXPECT_EQ(hd.minDist[0], 5);
    EXPECT_EQ(hd.minDist[1], 6);
    EXPECT_EQ(hd.minDist[2], HITDEF_DIST_NONE);
    EXPECT_EQ(hd.maxDist[0], 20);
    EXPECT_EQ(hd.maxDist[1], HITDEF_DIST_NONE);
}

TEST_F(HitDefTest, EvaluationClampsAndWarns)
{
    struct Case {
        const char *keys;
        const char *warning;
    } cases[] = {
        {"id = -3", "assigned negative hitID"},
        {"chainid = -5", "specified negative chainID"},
        {"nochainid = -2, 1", "specified negative nochainID"},
        {"nochainid = 1, -2", "specified negative nochainID2"},
        {"air.juggle = -4", "illegal juggle points"},
        {"pausetime = 1, -1", "specified negative p2shaketime"},
        {"pausetime = -1", "specified negative pausetime"},
        {"hitsound = 5, -3", "specified illegal sound no"},
        {"guardsound = -2, 0", "specified illegal gsound group"},
        {"priority = -1", "specified negative hit priority"},
        {"p1stateno = -2", "specified negative p1stateno"},
        {"p2stateno = -2", "specified negative p2stateno"},
        {"snap = 0, 0, 0, -2", "specified illegal p2bindtime"},
        {"fall.recovertime = -1", "specified negative recovertime"},
        {"sparkno = -3", "illegal spark no"},
        {"guard.sparkno = -3", "illegal gspark no"},
        {"p2facing = 2", "Illegal p2facing parameter"},
        {"ground.hittime = -1", "negative ground.p2hittime"},
        {"ground.slidetime = -1", "negative ground.p2slidetime"},
        {"air.hittime = -1", "negative air.p2hittime"},
        {"down.hittime = -1", "negative down.p2hittime"},
        {"guard.hittime = -1", "negative guard.p2hittime"},
        {"guard.slidetime = -1\nguard.ctrltime = 0", "negative guard.p2slidetime"},
        {"guard.ctrltime = -1", "negative guard.p2ctrltime"},
        {"guard.pausetime = 0, -1", "negative guard.p2shaketime"},
        {"guard.pausetime = -1, 0", "negative guard.p1pausetime"},
        {"airguard.ctrltime = -1", "negative airguard.p2ctrltime"},
        {"envshake.freq = -30", "negative freq for EnvShake"},
        {"palfx.time = -2", "invalid PalFX time"},
        {"palfx.color = 300", "invalid PalFX color value"},
        {"palfx.mul = 256, -1, 256", "invalid PalFX mul value"},
    };
    for (const Case &c : cases) {
        ClearWarnings();
        Eval(c.keys);
        EXPECT_NE(Warnings().find(c.warning), std::string::npos) << c.keys << "\n" << Warnings();
    }
    HitDef hd = Eval("id = -3\nchainid = -5\np2facing = 2\nsnap = 0, 0, 0, -2\nfall.recovertime = -1\n"
                     "sparkno = -3\npalfx.time = -2\nenvshake.freq = -30\nair.juggle = 3");
    EXPECT_EQ(hd.id, 0);
    EXPECT_EQ(hd.chainId, -1);
    EXPECT_EQ(hd.p2Facing, 0);
    EXPECT_EQ(hd.p2BindTime, 1);
    EXPECT_EQ(hd.fallRecoverTime, 4);
    EXPECT_EQ(hd.sparkNo, -2);
    EXPECT_EQ(hd.palFx.time, 0);
    EXPECT_FLOAT_EQ(hd.shake.freq, 30.0f);
    EXPECT_EQ(hd.juggle, 3);
    hd = Eval("chainid = 5\nnochainid = 5");
    EXPECT_EQ(hd.chainId, -1);
    EXPECT_EQ(hd.noChainId[0], -1);
    EXPECT_EQ(hd.noChainId[1], -1);
    hd = Eval("chainid = 5\nnochainid = 4, 6\nkill = 7\np1facing = -1");
    EXPECT_EQ(hd.chainId, 5);
    EXPECT_EQ(hd.kill, 1);
    EXPECT_EQ(hd.p1Turn, 1);
    hd = Eval("p1facing = -1\np1getp2facing = -9");
    EXPECT_EQ(hd.p1Turn, 0);
    EXPECT_EQ(hd.p1GetP2Facing, -1);
}

TEST_F(HitDefTest, BadKeysFailTheControllerWithTheirText)
{
    struct Case {
        const char *keys;
        const char *text;
    } cases[] = {
        {"affectteam = X", "Invalid affectteam value\nError parsing Hitdef"},
        {"animtype = Q", "Invalid animtype\nError parsing Hitdef"},
        {"air.animtype = Q", "Invalid air.animtype\nError parsing Hitdef"},
        {"fall.animtype = Q", "Invalid fall.animtype\nError parsing Hitdef"},
        {"ground.type = Q", "Invalid ground.type\nError parsing Hitdef"},
        {"air.type = Q", "Invalid air.type\nError parsing Hitdef"},
        {"attr = Q, NA", "Invalid attr: Q, NA\nError parsing Hitdef"},
        {"priority = 4, Q", "Invalid priority type: 4, Q\nError parsing Hitdef"},
        {"damage = 1, 2, 3", "\nError parsing damage\nError parsing Hitdef"},
        {"palfx.mul = 1, 2", "\nError parsing palfx.mul\nError parsing Hitdef"},
        {"palfx.sinadd = 1, 2", "\nError parsing palfx.sinadd\nError parsing Hitdef"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Parse(c.keys), nullptr) << c.keys;
        EXPECT_EQ(std::string(gv->errorText), c.text) << c.keys;
    }
    EXPECT_EQ(Parse("", "ReversalDef"), nullptr);
    EXPECT_STREQ(gv->errorText, "Missing reversal.attr parameter\nError parsing Reversaldef");
    EXPECT_EQ(Parse("reversal.attr = SCA, AA\nanimtype = Q", "ReversalDef"), nullptr);
    EXPECT_STREQ(gv->errorText, "Invalid animtype\nError parsing Reversaldef");
    HitDefParams *p = Parse("reversal.attr = SCA, AA", "ReversalDef");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->reversalAttr, 63);
}

TEST_F(HitDefTest, ApplyKeepsJuggleAndGuardDistScalesDamageAndCountsSerials)
{
    HitDefParams *p = Parse("damage = 1, 3\nair.juggle = 2\nguard.dist = -1");
    ASSERT_NE(p, nullptr);
    HitDefParams *q = Parse("damage = 0\nguard.dist = 80");
    ASSERT_NE(q, nullptr);
    HitDefParams *r = Parse("damage = 10");
    ASSERT_NE(r, nullptr);
    gv->hitDefSerial = 41;
    pl.hitDef.juggle = 7;
    pl.hitDef.guardDist = 60;
    pl.hitDef.reversalUsed = 1;
    pl.attackMul = 0.3f;
    EXPECT_EQ(SCtrlHitDefApply(p, &pl, 0), 0);
    EXPECT_EQ(pl.hitDef.active, 1);
    EXPECT_EQ(pl.hitDef.reversalUsed, 1);
    EXPECT_EQ(pl.hitDef.juggle, 7);
    EXPECT_EQ(pl.hitDef.guardDist, 60);
    EXPECT_EQ(pl.hitDef.damage, 1);       // 0.3 + 0.5 truncates to 0: at least 1
    EXPECT_EQ(pl.hitDef.guardDamage, 3);  // guard damage is not scaled
    EXPECT_EQ(pl.hitDef.serial, 41);
    EXPECT_EQ(gv->hitDefSerial, 42);
    SCtrlHitDefApply(q, &pl, 1);
    EXPECT_EQ(pl.hitDef.damage, 0);
    EXPECT_EQ(pl.hitDef.guardDist, 80);
    EXPECT_EQ(pl.hitDef.reversalUsed, 0);
    EXPECT_EQ(pl.hitDef.serial, 42);
    pl.attackMul = 1.25f;
    SCtrlHitDefApply(r, &pl, 0);
    EXPECT_EQ(pl.hitDef.damage, 13);  // 12.5 + 0.5
}
