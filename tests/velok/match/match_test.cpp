#include "velok/match/match.h"

#include <allegro.h>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/bg.h"
#include "lib/disp.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/vbuf.h"
#include "support/bgmkit.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/recordkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamemusic.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/match/camera.h"
#include "velok/match/fight.h"
#include "velok/match/round.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"

namespace {

// Two kit characters (select entries 0 "Kit" and 1 "Two", the second also
// with a face sprite 9000,0) and the kit stage "stages/kit.def".
class MatchTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        CommandLineNone();
        PalFxGlobalInit();
        gv->warnLog = TextBufCreate(400, 64);
        gv->options.life = 100;
        gv->options.time = 99;
        gv->options.difficulty = 4;
        gv->cfg.misc.playerCache = 8;
        gv->cfg.engine.helperMax = 2;
        gv->activePause = -1;
        FightRoundDefaults();
        disp = DispState{};
        disp.noFrameWait = 1;
        for (int i = 0; i < 2; i++) {
            CharKit kit;
            kit.def = CharKitDefText(i ? "Two" : "Kit");
            kit.cns += "[Statedef 5900]\ntype = S\n[State 5900, none]\ntype = null\ntrigger1 = 1\n";
            if (i) {
                SffEntry a, b;
                a.pcx = PcxBytes(PcxPattern(4, 3, 7));
                b.group = 9000;
                b.pcx = PcxBytes(PcxPattern(5, 2, 9));
                kit.sff = SffBytes({a, b});
            }
            kit.WriteDir(i ? "chars/two" : "chars/kit");
            if (i) {
                MakeDirs("chars");
                ASSERT_TRUE(kit.WriteZip("chars/two.zip"));
            }
        }
        entries.resize(3);
        Entry(0, "chars/kit");
        Entry(1, "chars/two");
        Entry(2, "chars/two.zip");
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
        StageKit().Write("stages/kit.def");
        StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/kit.def");
        canvas = PixCanvas(0);
        PixVbufTargetSet(canvas, &rows);
    }
    void TearDown() override
    {
        PalListFree();
        MatchTeamSpritesFree();
        MatchPlayersFree();
        for (auto &e : entries)
            EXPECT_EQ(e.cacheRefs, 0);
        PlayerCacheFlush();
        PlayerSlotsFree();
        vbufTarget = VbufTarget{};
        destroy_bitmap(canvas);
        disp = DispState{};
        PalFxGlobalFree();
        GameVarsTest::TearDown();
    }
    void Entry(int i, const char *dir)
    {
        CharKitEntrySet(&entries[i], dir);
    }
    // A side's team in a mode; every member the given character.
    void Team(int side, int mode, int count, int charIndex = 0)
    {
        TeamSetup(&gv->teams[side - 1], side, mode, count);
        for (int m = 0; m < TeamMemberCount(&gv->teams[side - 1]); m++) {
            TeamMember *mem = TeamMemberAt(&gv->teams[side - 1], m);
            mem->charIndex = charIndex;
            mem->palNo = 0;
        }
    }
    void Match(int mode1, int count1, int mode2, int count2)
    {
        Team(1, mode1, count1);
        Team(2, mode2, count2, 1);
        ASSERT_EQ(StageLoad(), 1) << gv->errorText;
        ASSERT_EQ(MatchTeamsSetup(0), 1) << gv->errorText;
    }
    Player *P(int slot) { return PlayerSlotGet(slot); }
    int Member1Char() { return P(1) && P(1)->charData ? P(1)->charData->selIndex : -1; }

    std::vector<CharInfo> entries;
    BITMAP *canvas = nullptr;
    std::vector<int> rows;
};

TEST_F(MatchTest, StageLoadMessages)
{
    struct Case {
        std::string StageKit::*group;
        std::string text;
        const char *message;
    };
    const Case cases[] = {
        {&StageKit::camera, "", "Missing camera info: stages/kit.def"},
        {&StageKit::playerInfo, "", "Missing player info: stages/kit.def"},
        {&StageKit::playerInfo,
         "[PlayerInfo]\np1startx = -70\np1starty = 0\np1startz = 0\np1facing = 1\np2startx = 70\n"
         "p2starty = 0\np2startz = 0\np2facing = -1\nleftbound = -1000\nrightbound = 1000\ntopbound = 0\n",
         "Can't read player info: stages/kit.def"},
        {&StageKit::scaling, "", "Missing scaling info: stages/kit.def"},
        {&StageKit::scaling, "[Scaling]\ntopz = 0\nbotz = 50\ntopscale = 1\n", "Can't read scaling info: stages/kit.def"},
        {&StageKit::bound, "", "Missing bound info: stages/kit.def"},
        {&StageKit::bound, "[Bound]\nscreenleft = 15\n", "Can't read bound info: stages/kit.def"},
        {&StageKit::stageInfo, "", "Missing stage info: stages/kit.def"},
        {&StageKit::bgdef, "[BGdef]\nspr = none.sff\n",
         "Can't load sprite file stages/none.sff\nBG error reading stages/kit.def"},
        {&StageKit::bgs, "", "Need at least one [BG] type bg\nBG error reading stages/kit.def"},
    };
    for (const Case &c : cases) {
        StageKit kit;
        kit.*c.group = c.text;
        kit.Write("stages/kit.def");
        gv->errorText[0] = 0;
        EXPECT_EQ(StageLoad(), 0) << c.message;
        EXPECT_STREQ(gv->errorText, c.message);
        EXPECT_EQ(gv->stageBg, nullptr);
    }
    StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/none.def");
    EXPECT_EQ(StageLoad(), 0);
    EXPECT_STREQ(gv->errorText, "Can't open stage: stages/none.def");
}

TEST_F(MatchTest, StageDefaultsAndDerivedValues)
{
    StageKit kit;
    kit.camera = "[Camera]\n";
    kit.playerInfo = "[PlayerInfo]\np1startx = -70\np1starty = 3\np1startz = 4\np1facing = 0\np2startx = 70\n"
                     "p2starty = 5\np2startz = 6\np2facing = -5\nleftbound = -300\nrightbound = 310\n"
                     "topbound = -2\nbotbound = 8\n";
    kit.scaling = "[Scaling]\ntopz = 20\nbotz = 20\ntopscale = .5\nbotscale = .75\n";
    kit.stageInfo = "[StageInfo]\n";
    kit.bgdef = "[BGdef]\nspr = stages/bg.sff\n";  // from the program's directory
    kit.Write("stages/kit.def");
    gv->cfg.debug.debug = 1;
    ASSERT_EQ(StageLoad(), 1) << gv->errorText;
    const StageVars &st = gv->stage;
    EXPECT_EQ(st.boundLeft, -75);
    EXPECT_EQ(st.boundRight, 75);
    EXPECT_EQ(st.boundHigh, -25);
    EXPECT_EQ(st.boundLow, 0);
    EXPECT_EQ(st.tension, 50);
    EXPECT_EQ(st.floorTension, 0);
    EXPECT_FLOAT_EQ(st.verticalFollow, 0.2f);
    EXPECT_EQ(st.zOffset, 190);
    EXPECT_EQ(gv->stageZOffset, 190);
    EXPECT_EQ(st.zOffsetLink, -1);
    EXPECT_EQ(gv->stageAutoTurn, 0);
    EXPECT_EQ(st.resetBg, 1);
    // No [Shadow]: black at 128 and y scale 0.4; no reflection.
    EXPECT_EQ(gv->stageShadowColour, 0);
    EXPECT_EQ(gv->stageShadowIntensity, 128);
    EXPECT_FLOAT_EQ(gv->stageShadowYScale, 0.4f);
    EXPECT_EQ(gv->stageReflect, 0);
    // Players 3 and 4 stand 25 behind 1 and 2; facings by sign.
    EXPECT_EQ(st.playerX[2], -95);
    EXPECT_EQ(st.playerX[3], 95);
    EXPECT_EQ(st.playerY[3], 5);
    EXPECT_EQ(st.playerZ[2], 4);
    EXPECT_EQ(st.playerFacing[0], 1);
    EXPECT_EQ(st.playerFacing[1], -1);
    EXPECT_EQ(st.playerFacing[2], 1);
    EXPECT_EQ(st.playerFacing[3], -1);
    EXPECT_FLOAT_EQ(gv->stageLeftBound, -300);
    EXPECT_FLOAT_EQ(gv->stageRightBound, 310);
    EXPECT_FLOAT_EQ(gv->stageZTop, -2);
    EXPECT_FLOAT_EQ(gv->stageZBottom, 8);
    // Equal z ends: the bottom scale is raised by 1.
    EXPECT_FLOAT_EQ(gv->stageScaleBottom, 1.75f);
    EXPECT_FLOAT_EQ(gv->stageScaleZTop, 20);
    EXPECT_EQ(gv->debugPlayer, 1);
    // Empty helper records in slots 5 and 6, ids from 0, masks from word 1.
    ASSERT_EQ(gv->playerSlotCount, 6);
    for (int slot = 5; slot <= 6; slot++) {
        ASSERT_NE(P(slot), nullptr);
        EXPECT_EQ(P(slot)->slot, slot);
        EXPECT_EQ(P(slot)->id, slot - 5);
        EXPECT_EQ(P(slot)->enabled, 0);
        EXPECT_TRUE(PalGroupMaskEqual(P(slot)->palMask, PalGroupMaskMake(1u << (slot - 1), 1)));
    }
    ASSERT_NE(gv->stageBg, nullptr);
    EXPECT_EQ(gv->stage.groundElem, nullptr);

    kit = StageKit();
    kit.stageInfo = "[StageInfo]\nzoffsetlink = 7\nautoturn = 1\n";
    kit.bgs += "[BG ground]\ntype = dummy\nid = 7\n";
    kit.shadow = "[Shadow]\ncolor = 300,-5,128\nintensity = 90\nyscale = .5\nfade.range = -100,-20\n";
    kit.reflection = "[Reflection]\nintensity = 40\n";
    kit.Write("stages/kit.def");
    MatchPlayersFree();
    gv->cfg.engine.helperMax = 40;
    gv->cfg.debug.debug = 0;
    ASSERT_EQ(StageLoad(), 1) << gv->errorText;
    EXPECT_EQ(gv->stageShadowColour, Rgb565(31, 0, 16));  // channels clamped to 0..255
    EXPECT_EQ(gv->stageShadowIntensity, 90);
    EXPECT_EQ(gv->stageShadowFadeLow, -100);
    EXPECT_EQ(gv->stageShadowFadeHigh, -20);
    EXPECT_EQ(gv->stageReflect, 40);
    EXPECT_EQ(gv->stageAutoTurn, 1);
    EXPECT_EQ(gv->debugPlayer, 0);
    EXPECT_EQ(gv->stage.groundElem, BGFindElemSlot(gv->stageBg, 1));
    kit.stageInfo = "[StageInfo]\nzoffsetlink = 8\n";
    kit.Write("stages/kit.def");
    MatchPlayersFree();
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_EQ(gv->stage.groundElem, nullptr) << "an id no element has";
    ASSERT_EQ(gv->playerSlotCount, 44);
    EXPECT_TRUE(PalGroupMaskEqual(P(32)->palMask, PalGroupMaskMake(1u << 31, 1)));
    EXPECT_TRUE(PalGroupMaskEqual(P(33)->palMask, PalGroupMaskMake(1u << 0, 2)));
}

// A stage whose zoffsetlink names an element moves its ground line with that
// element: the line is the integer part of (the element's start y - camera y x
// its y delta + zoffset + 0.999999), so a whole sum stays where it is.
TEST_F(MatchTest, LinkedGroundLineFollowsItsElement)
{
    StageKit kit;
    kit.stageInfo = "[StageInfo]\nzoffset = 190\nzoffsetlink = 7\n";
    kit.bgs += "[BG ground]\ntype = dummy\nid = 7\nstart = 0,3\ndelta = 1,.5\n";
    kit.Write("stages/kit.def");
    ASSERT_EQ(StageLoad(), 1) << gv->errorText;
    ASSERT_NE(gv->stage.groundElem, nullptr);
    const struct {
        float cameraY;
        int line;
    } cases[] = {{0, 193}, {-20, 203}, {-21, 204}, {-1, 194}, {-4000, 2193}, {30, 178}};
    for (const auto &c : cases) {
        CameraSetPos(0, c.cameraY);
        StageBgDraw();
        EXPECT_EQ(gv->stageZOffset, c.line) << "camera y " << c.cameraY;
    }
}

TEST_F(MatchTest, StageMusicSettings)
{
    StageKit kit;
    kit.music = "[Music]\nbgmusic = sound/stage.mp3\nbgvolume = 12\n";
    kit.Write("stages/kit.def");
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_STREQ(gv->stage.music, "") << "read only while sound is on";
    MatchPlayersFree();
    gv->cfg.sound.sound = 1;
    SndSetState(1);
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_STREQ(gv->stage.music, "sound/stage.mp3");
    EXPECT_EQ(gv->stage.musicVolume, 12);
    MatchPlayersFree();
    StrCopy(gv->stageMusicFile, sizeof gv->stageMusicFile, "sound/opponent.mid");
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_STREQ(gv->stage.music, "sound/opponent.mid") << "the match's own music wins";
    EXPECT_EQ(gv->stage.musicVolume, 0);
    SndSetState(0);
}

TEST_F(MatchTest, StageMusicOpensWithTheStageAndStopsWithTheMatch)
{
    using Calls = std::vector<std::string>;
    BgmKit *k = BgmKitInstall();
    GameMusicHostSet();  // the game's own settings, the kit's players
    gv->cfg.sound.sound = 1;
    gv->cfg.sound.playMidi = 1;
    SndSetState(1);
    StageKit kit;
    kit.music = "[Music]\nbgmusic = sound/stage.mid\nbgvolume = 12\n";
    kit.Write("stages/kit.def");
    ASSERT_EQ(StageLoad(), 1) << gv->errorText;
    EXPECT_EQ(k->Take(), Calls{"midiLoad sound/stage.mid"});
    EXPECT_EQ(gv->stageBgm.kind, BGM_KIND_MIDI);
    EXPECT_EQ(gv->stageBgm.volume, 12);
    EXPECT_FALSE(gv->stageBgm.started) << "opened, not started";
    MatchPlayersFree();
    EXPECT_EQ(k->Take(), Calls{"midiDestroy"});
    EXPECT_EQ(gv->stageBgm.kind, BGM_KIND_NONE);

    gv->demo = 1;
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_EQ(k->Take(), Calls{}) << "a demo match plays no stage music unless the motif asks";
    MatchPlayersFree();
    gv->demoCfg.playBgm = 1;
    ASSERT_EQ(StageLoad(), 1);
    EXPECT_EQ(k->Take(), Calls{"midiLoad sound/stage.mid"});
    MatchPlayersFree();
    gv->demo = 0;

    kit.music = "[Music]\nbgmusic = sound/stage.it\n";
    kit.Write("stages/kit.def");
    EXPECT_EQ(StageLoad(), 0);
    EXPECT_STREQ(gv->errorText, "Music file not supported: sound/stage.it");
    MatchPlayersFree();
    SndSetState(0);
    BgmKitRemove();
}

TEST_F(MatchTest, LifeBalanceAndRoundsToWin)
{
    struct Case {
        int mode1, count1, mode2, count2, survival, matchWins;
        float factor1, factor2;
        int rounds1, rounds2, draws1, lifeReset;
        int regainBase1;
        float regainA1;
    };
    const Case cases[] = {
        {TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1, 0, 2, 1.0f, 1.0f, 2, 2, 1, 1, 0, 0.0f},
        // Two fighting together against one with equal rounds: half the life each.
        {TEAM_MODE_SIMUL, 2, TEAM_MODE_SINGLE, 1, 0, 2, 0.5f, 1.0f, 2, 2, 1, 1, 0, 0.0f},
        {TEAM_MODE_SINGLE, 1, TEAM_MODE_SIMUL, 2, 0, 2, 1.0f, 0.5f, 2, 2, 1, 1, 0, 0.0f},
        // Turns: rounds to win is the other side's group count; life carries over.
        {TEAM_MODE_TURNS, 3, TEAM_MODE_TURNS, 2, 0, 2, 2.0f / 3.0f, 1.0f, 2, 3, 0, 0, 125, 275.0f},
        {TEAM_MODE_TURNS, 3, TEAM_MODE_SINGLE, 1, 0, 2, 2.0f / 3.0f, 1.0f, 2, 3, 0, 0, 125, 275.0f},
        // Survival: the counted side never wins; one group against it wins with one round.
        {TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1, 1, 2, 1.0f, 1.0f, 999999, 1, 1, 1, 0, 0.0f},
        {TEAM_MODE_TURNS, 3, TEAM_MODE_SINGLE, 1, 1, 2, 0.8f, 1.0f, 999999, 3, 0, 0, 41, 110.0f},
        // Zero rounds to win count as one.
        {TEAM_MODE_SIMUL, 2, TEAM_MODE_SINGLE, 1, 0, 0, 0.5f, 1.0f, 0, 0, 1, 1, 0, 0.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode1 << "x" << c.count1 << " vs " << c.mode2 << "x" << c.count2
                                        << " survival " << c.survival);
        PalListFree();
        MatchTeamSpritesFree();
        MatchPlayersFree();
        gv->survivalSide = c.survival;
        gv->fightRound.matchWins = c.matchWins;
        Match(c.mode1, c.count1, c.mode2, c.count2);
        const MatchSide *sd = gv->side;
        EXPECT_NEAR(sd[0].lifeFactor, c.factor1, 1e-6);
        EXPECT_NEAR(sd[1].lifeFactor, c.factor2, 1e-6);
        EXPECT_EQ(sd[0].roundsToWin, c.rounds1);
        EXPECT_EQ(sd[1].roundsToWin, c.rounds2);
        EXPECT_EQ(sd[0].drawsAllowed, c.draws1);
        EXPECT_EQ(sd[0].lifeReset, c.lifeReset);
        EXPECT_EQ(sd[0].regainBase, c.regainBase1);
        EXPECT_NEAR(sd[0].regainA, c.regainA1, 1e-3);
        // The fighters' life maximum follows the factor (kit life 1000, Life 100%).
        EXPECT_EQ(P(1)->lifeMax, (int)std::floor(c.factor1 * 1000 + 0.5f));
        EXPECT_EQ(P(1)->life, P(1)->lifeMax);
        EXPECT_EQ(P(1)->lifeShown[0], P(1)->life);
        EXPECT_EQ(P(2)->lifeMax, (int)std::floor(c.factor2 * 1000 + 0.5f));
        EXPECT_EQ(gv->round.number, 1);
        EXPECT_EQ(gv->round.winIcon[1][3], -1);
    }
    // A match named on the command line keeps every life whole.
    MatchPlayersFree();
    gv->survivalSide = 0;
    gv->quickVs = 1;
    Match(TEAM_MODE_SIMUL, 2, TEAM_MODE_SINGLE, 1);
    EXPECT_FLOAT_EQ(gv->side[0].lifeFactor, 1.0f);
    EXPECT_EQ(P(3)->lifeMax, 1000);
}

TEST_F(MatchTest, RoundResetPlacesAndResetsPlayers)
{
    Match(TEAM_MODE_SIMUL, 2, TEAM_MODE_SINGLE, 1);
    ASSERT_NE(P(3), nullptr);
    EXPECT_EQ(P(4), nullptr);
    // (Time + 1) x framespercount - 1
    EXPECT_EQ(gv->round.timeLeft, 100 * 60 - 1);
    EXPECT_EQ(gv->round.endTick, gv->overTime);
    Player *p1 = P(1), *p2 = P(2), *p3 = P(3);
    EXPECT_EQ(p1->state.stateNo, 5900);
    EXPECT_EQ(p1->state.ctrl, 0);
    EXPECT_FLOAT_EQ(p1->posX, -70 + 160);
    EXPECT_FLOAT_EQ(p3->posX, -95 + 160);
    EXPECT_FLOAT_EQ(p2->posX, 70 + 160);
    EXPECT_EQ(p1->facing, 1);
    EXPECT_EQ(p2->facing, -1);
    EXPECT_EQ(p3->facing, 1);
    EXPECT_FLOAT_EQ(gv->side[0].standRatio, 1.0f);
    EXPECT_FLOAT_EQ(gv->cameraX, 0.0f);

    // A new round: life kept only when the side does not reset it, power and the AI switch kept.
    p1->life = 300;
    p2->life = 200;
    p1->power = 700;
    p1->aiControlled = 1;
    p2->velX = 5.0f;
    p2->posX = 10.0f;
    p2->facing = 1;
    gv->side[1].lifeReset = 0;
    gv->cameraX = 40.0f;
    gv->shakeTime = 9;
    gv->paused = 1;
    gv->pause[1].time = 30;
    gv->activePause = 1;
    gv->specialFlags[GAME_SPECIAL_NOBG] = 1;
    gv->round.state = 4;
    gv->round.winner = 2;
    gv->matchKind = MATCH_KIND_TRAINING;
    // A helper of P1 and explods of the round before.
    Player *helper = P(5);
    ASSERT_NE(helper, nullptr);
    helper->root = p1;
    PlayerEnableSet(5, 1);
    gv->explods = ExplodListCreate(2, nullptr);
    gv->sysExplods = ExplodListCreate(2, nullptr);
    ASSERT_GE(ExplodAddText(gv->explods, "a", nullptr, 0, 0), 0);
    ASSERT_GE(ExplodAddText(gv->sysExplods, "b", nullptr, 0, 0), 0);
    MatchRoundReset();
    EXPECT_EQ(helper->enabled, 0);
    EXPECT_EQ(gv->explods->live + gv->sysExplods->live, 0);
    ExplodListFree(gv->explods);
    ExplodListFree(gv->sysExplods);
    gv->explods = gv->sysExplods = nullptr;
    EXPECT_EQ(gv->round.state, 0);
    EXPECT_EQ(gv->round.winner, 0);
    EXPECT_EQ(gv->round.timeLeft, -1) << "training has no time limit";
    EXPECT_EQ(p1->life, 500) << "life factor 0.5";
    EXPECT_EQ(p2->life, 200);
    EXPECT_EQ(p2->lifeShown[1], 200);
    EXPECT_FLOAT_EQ(gv->side[1].standRatio, 0.2f);
    EXPECT_EQ(p1->power, 700);
    EXPECT_EQ(p1->aiControlled, 1);
    EXPECT_FLOAT_EQ(p2->posX, 230.0f);
    EXPECT_FLOAT_EQ(p2->velX, 0.0f);
    EXPECT_EQ(p2->facing, -1);
    EXPECT_FLOAT_EQ(gv->cameraX, 0.0f);
    EXPECT_EQ(gv->shakeTime, 0);
    EXPECT_EQ(gv->paused, 0);
    EXPECT_EQ(gv->activePause, -1);
    EXPECT_EQ(gv->pause[1].time, 0);
    EXPECT_EQ(gv->specialFlags[GAME_SPECIAL_NOBG], 0);
    EXPECT_EQ(PalFxGlobalGet()->cur.mulR, 0) << "black, faded in by the round's first state";

    // Demo matches start with full power.
    gv->demo = 1;
    MatchRoundReset();
    EXPECT_EQ(p1->power, p1->powerMax);
    gv->demo = 0;

    // The command line's p2.ai, p3.life and p1.power win.
    gv->cmdAi[1] = 1;
    gv->cmdLife[2] = 77;
    gv->cmdPower[0] = 1234;
    MatchRoundReset();
    EXPECT_EQ(p2->aiControlled, 1);
    EXPECT_EQ(p3->life, 77);
    EXPECT_EQ(p3->lifeMax, 77);
    EXPECT_EQ(p1->power, 1234);
    EXPECT_EQ(p1->aiControlled, 1);
}

TEST_F(MatchTest, StartsAndRoundTimeAtTheEndsOfTheIntRange)
{
    StageKit kit;
    kit.playerInfo = "[PlayerInfo]\np1startx = -2147483648\np1starty = 0\np1startz = 0\np1facing = 1\n"
                     "p2startx = 2147483647\np2starty = 0\np2startz = 0\np2facing = -1\n"
                     "leftbound = -300\nrightbound = 300\ntopbound = 0\nbotbound = 0\n";
    kit.Write("stages/kit.def");
    gv->fightRound.framesPerCount = INT_MAX;
    Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1);
    // Players 3 and 4 stay at the ends rather than wrap to the other one.
    EXPECT_EQ(gv->stage.playerX[2], INT_MIN);
    EXPECT_EQ(gv->stage.playerX[3], INT_MAX);
    EXPECT_EQ(gv->round.timeLeft, INT_MAX);
}

TEST_F(MatchTest, BackgroundResetAtRoundsWhenTheStageAsks)
{
    StageKit kit;
    kit.bgs = "[BG a]\ntype = dummy\n[BGCtrl a]\ntype = posadd\ntime = 0,1000\nx = 1\n";
    kit.stageInfo = "[StageInfo]\nresetbg = 0\n";
    kit.Write("stages/kit.def");
    Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1);
    for (int i = 0; i < 5; i++)
        BGTick(gv->stageBg);
    MatchRoundReset();
    EXPECT_EQ(gv->stageBg->tick, 5);
    ASSERT_EQ(MatchTeamsSetup(0), 1);  // a match start always resets it
    EXPECT_EQ(gv->stageBg->tick, 0);
    gv->stage.resetBg = 1;
    BGTick(gv->stageBg);
    MatchRoundReset();
    EXPECT_EQ(gv->stageBg->tick, 0);
}

TEST_F(MatchTest, NextMemberOfTheLosingTurnsSide)
{
    Team(1, TEAM_MODE_TURNS, 2);
    Team(2, TEAM_MODE_TURNS, 3, 1);
    gv->teams[1].entries[1].members[0].charIndex = 0;
    ASSERT_EQ(StageLoad(), 1);
    ASSERT_EQ(MatchTeamsSetup(0), 1);
    EXPECT_STREQ(P(2)->name, "Two");
    P(2)->power = 400;
    P(1)->life = 333;
    gv->round.winner = 1;
    MatchTurnsNextMember();
    EXPECT_EQ(gv->round.number, 2);
    EXPECT_EQ(gv->teams[0].current, 0);
    EXPECT_EQ(gv->teams[1].current, 1);
    EXPECT_STREQ(P(2)->name, "Kit");
    EXPECT_EQ(gv->sideEntry[1].members[0].charIndex, 0);
    EXPECT_EQ(P(2)->power, 400) << "the side keeps its power";
    EXPECT_EQ(P(1)->life, 333) << "the winner's life carries over";
    // Side 2's life factor: 2 groups to beat x 1 member vs 3 x 1 -> 2/3.
    EXPECT_EQ(P(2)->life, 667);
    EXPECT_EQ(P(2)->lifeMax, 667);
    EXPECT_EQ(gv->round.state, 0);
    EXPECT_EQ(entries[0].cacheRefs, 2);
    EXPECT_EQ(entries[1].cacheRefs, 0);

    // A draw moves both sides on; a side with no group left stays.
    gv->round.winner = 0;
    MatchTurnsNextMember();
    EXPECT_EQ(gv->teams[0].current, 1);
    EXPECT_EQ(gv->teams[1].current, 2);
    gv->round.winner = 2;
    MatchTurnsNextMember();
    EXPECT_EQ(gv->teams[0].current, 1);
    EXPECT_EQ(gv->round.number, 4);
}

TEST_F(MatchTest, FreeingReleasesEveryCacheReference)
{
    Team(1, TEAM_MODE_SIMUL, 2);  // one character twice
    Team(2, TEAM_MODE_SIMUL, 2, 1);
    ASSERT_EQ(StageLoad(), 1);
    ASSERT_EQ(MatchTeamsSetup(0), 1);
    EXPECT_EQ(entries[0].cacheRefs, 2);
    EXPECT_EQ(entries[1].cacheRefs, 2);
    P(3)->var[55] = 12;  // above the kit's IntPersistIndex of 50
    PalListFree();
    MatchPlayersFree();
    EXPECT_EQ(entries[0].cacheRefs, 0);
    EXPECT_EQ(entries[1].cacheRefs, 0);
    EXPECT_EQ(gv->persist[0][0][1].var[55], 12);
    for (int slot = 1; slot <= gv->playerSlotCount; slot++)
        EXPECT_EQ(gv->players[slot], nullptr) << slot;
    EXPECT_EQ(gv->enabledCount, 0);
    EXPECT_EQ(gv->stageBg, nullptr);
    PlayerCacheFlush();
    EXPECT_EQ(gv->cacheLoaded, 0);

    // The persistent variables come back in the next match unless cleared.
    ASSERT_EQ(StageLoad(), 1);
    ASSERT_EQ(MatchTeamsSetup(2), 1);
    EXPECT_EQ(P(3)->var[55], 12);
    ASSERT_EQ(MatchTeamsSetup(1), 1);  // a rematch makes the players again
    EXPECT_EQ(P(3)->var[55], 0);
    EXPECT_EQ(entries[0].cacheRefs, 2);
}

TEST_F(MatchTest, SurvivalDrawsTheOtherTeamAgainAfterEachRound)
{
    Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SIMUL, 2);
    gv->survivalSide = 1;
    for (int round = 0; round < 4; round++) {
        gv->round.winner = round == 3 ? 0 : 1;
        MatchTurnsNextMember();
        for (int m = 0; m < 2; m++) {
            const TeamMember &mem = gv->teams[1].entries[0].members[m];
            ASSERT_GE(mem.charIndex, 0);
            EXPECT_EQ(mem.ai, 1);
            EXPECT_EQ(mem.keySet, 1);
            ASSERT_NE(P(2 + 2 * m), nullptr);
            EXPECT_EQ(P(2 + 2 * m)->charData->selIndex, mem.charIndex) << "the side plays its new characters";
            EXPECT_EQ(gv->sideEntry[1].members[m].charIndex, mem.charIndex);
        }
        EXPECT_EQ(Member1Char(), 0) << "the counted side keeps its fighter";
    }
    gv->survivalSide = 0;
}

// In survival the computer gets harder with every round the human side wins:
// the survival ramp counts that side's won rounds, whichever side it plays on.
// With the ramp 0,-3 to 0,4 the first opponent plays at level 1 and every
// later one at 8.
TEST_F(MatchTest, SurvivalOpponentsClimbTheRampWithTheRoundsWon)
{
    const int ramp[4] = {0, -3, 0, 4};
    memcpy(gv->cfg.arcade.aiRamp[CFG_RAMP_SURVIVAL], ramp, sizeof ramp);
    for (int human : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "survival on side " << human);
        int computer = 3 - human;
        PalListFree();
        MatchTeamSpritesFree();
        MatchPlayersFree();
        gv->survivalSide = human;
        Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1);
        EXPECT_EQ(P(computer)->aiLevel, 1) << "no round won yet";
        // The round runs through its states; the computer falls in the fight.
        int ended = 0;
        for (int t = 0; t < 5000 && !ended; t++) {
            if (gv->round.state == 2)
                P(computer)->life = P(computer)->alive = 0;
            ended = RoundUpdate();
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(gv->round.wins[human - 1], 1);
        EXPECT_EQ(gv->round.matchOver, 0);
        EXPECT_EQ(gv->round.number, 2) << "the next opponent came in";
        EXPECT_EQ(P(computer)->aiLevel, 8);
    }
    gv->survivalSide = 0;
}

TEST_F(MatchTest, ReloadLoadsStageAndTeamsAgain)
{
    Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1);
    BGDef *old = gv->stageBg;
    P(1)->posX = 0;
    StageKit kit;
    kit.playerInfo = "[PlayerInfo]\np1startx = -10\np1starty = 0\np1startz = 0\np1facing = 1\np2startx = 10\n"
                     "p2starty = 0\np2startz = 0\np2facing = -1\nleftbound = -100\nrightbound = 100\n"
                     "topbound = 0\nbotbound = 0\n";
    kit.Write("stages/kit.def");
    gv->sysFont[0] = nullptr;
    ASSERT_EQ(MatchReload(), 1) << gv->errorText;
    EXPECT_NE(gv->stageBg, nullptr);
    (void)old;
    EXPECT_FLOAT_EQ(P(1)->posX, 150.0f);
    EXPECT_EQ(entries[0].cacheRefs, 1);
    EXPECT_EQ(entries[1].cacheRefs, 1);

    kit.stageInfo = "";
    kit.Write("stages/kit.def");
    EXPECT_EQ(MatchReload(), 0);
    EXPECT_STREQ(gv->errorText, "Missing stage info: stages/kit.def");
}

TEST_F(MatchTest, TeamFaceSprites)
{
    const int list[] = {9000, 0, -1, -1};
    for (int index : {1, 2}) {
        SprSet *set = MatchMemberSpritesLoad(index, list);
        ASSERT_NE(set, nullptr) << index;
        EXPECT_EQ(SprSetImageCount(set), 1);
        EXPECT_GE(SprSetFindImage(set, 9000, 0), 0);
        EXPECT_LT(SprSetFindImage(set, 0, 0), 0);
        SprSetFree(set);
    }
    EXPECT_EQ(MatchMemberSpritesLoad(7, list), nullptr);

    // Turns sides other than the counted one get the images of their
    // teammate face element, one set per group.
    FightData fight{};
    fight.turnsFace[0].teamFace.kind = SCREEN_ELEM_SPRITE;
    fight.turnsFace[0].teamFace.num1 = 9000;
    gv->fight = &fight;
    Team(1, TEAM_MODE_TURNS, 3, 1);
    gv->teams[0].entries[2].members[0].charIndex = 2;
    Team(2, TEAM_MODE_TURNS, 2, 1);
    gv->survivalSide = 2;
    EXPECT_EQ(MatchTeamSpritesLoad(), 1);
    for (int g = 0; g < 3; g++) {
        ASSERT_NE(gv->teamSpr[0][g], nullptr) << g;
        EXPECT_EQ(SprSetImageCount(gv->teamSpr[0][g]), 1);
        EXPECT_GE(SprSetFindImage(gv->teamSpr[0][g], 9000, 0), 0);
    }
    EXPECT_EQ(gv->teamSpr[1][0], nullptr);
    // Registered with the fight screen's palettes.
    PalListRebuild();
    EXPECT_EQ(gv->palList->count, 3);
    PalListFree();
    MatchTeamSpritesFree();
    EXPECT_EQ(gv->teamSpr[0][0], nullptr);
    gv->fight = nullptr;
}

TEST_F(MatchTest, StagePalettesJoinTheBackgroundGroup)
{
    Match(TEAM_MODE_SINGLE, 1, TEAM_MODE_SINGLE, 1);
    EXPECT_GT(gv->palBgCount, 0);
    PalFxGlobalReset();  // the round starts from black
    BGSetCamera(gv->stageBg, 0, 0);
    BGDrawLayer(gv->stageBg, 0);
    EXPECT_EQ(PixGet(canvas, 160, 5), BgRed(3));
    PalListFxReset();
    PalFxGroupMul(PalGroupMaskMake(PAL_GROUP_BG, 0), 0, 256, 256);
    BGDrawLayer(gv->stageBg, 0);
    EXPECT_EQ(PixGet(canvas, 160, 5), 0);
}

}  // namespace
