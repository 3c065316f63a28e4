// Sounds of the hit engine and the KO in a two-player tick loop on fake voices: hit, guard and KO cries with their echoes, the victim's own channel cut, and silence when sound is off.
#include "velok/player/p-hit.h"

#include <allegro.h>
#include <string>

#include "kit/sprkit.h"
#include "lib/libbase.h"
#include "lib/snd-lib.h"
#include "lib/textbuf.h"
#include "support/movekit.h"
#include "support/recordkit.h"
#include "support/sndkit.h"
#include "support/testkit.h"
#include "support/voicekit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/sound.h"
#include "velok/player/chardef.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/state-i.h"
#include "velok/script/statedef.h"

namespace {

int NoEscape()
{
    return 0;
}

// 200 hits with the character's sound 1,0 (guarded: 1,1); 210 with the
// common sound F5,0; 131 stands guarding; 5000 is a plain get-hit state.
std::string SoundKitStates()
{
    auto attack = [](const std::string &n, const std::string &sounds) {
        return "[Statedef " + n + "]\ntype = S\nmovetype = A\nphysics = S\nctrl = 0\n"
               "[State " + n + ", anim]\ntype = ChangeAnim\ntrigger1 = Time = 0\nvalue = 200\n"
               "[State " + n + ", hit]\ntype = HitDef\ntrigger1 = Time = 0\nattr = S, NA\ndamage = 30, 5\n"
               "guardflag = MA\npausetime = 0, 0\nground.velocity = 0\n" + sounds;
    };
    return attack("200", "hitsound = S1,0\nguardsound = S1,1\n") + attack("210", "hitsound = F5,0\nguardsound = 9,9\n") +
           "[Statedef 131]\ntype = S\nmovetype = I\nphysics = S\n"
           "[State 131, stay]\ntype = Null\ntrigger1 = 1\n"
           "[Statedef 5000]\ntype = S\nmovetype = H\nphysics = N\n"
           "[State 5000, stay]\ntype = Null\ntrigger1 = 1\n";
}

std::string SoundKitAir()
{
    return AirAction(0, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", AirElemLine(0, 0, 0, 0, -1)}) +
           AirAction(200, {"Clsn2Default: 1", " Clsn2[0] = -10,-60,10,0", "Clsn1: 1", " Clsn1[0] = 0,-50,40,-30",
                           AirElemLine(0, 0, 0, 0, -1)}) +
           MoveKitAirText().substr(MoveKitAirText().find("[Begin Action 5]"));
}

class HitSoundTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->warnLog = TextBufCreate(200, 64);
        gv->options.life = 100;
        gv->playerInput = 1;
        gv->activePause = -1;
        gv->round.state = 2;
        gv->gameTick = 1;
        gv->cameraX = -100.0f;  // the victim at 145 shows at x 245
        gv->stageLeftBound = -300.0f;
        gv->stageRightBound = 620.0f;
        gv->stageScaleTop = gv->stageScaleBottom = 1.0f;
        gv->stageScreenLeft = gv->stageScreenRight = 15;
        CfgSound &s = gv->cfg.sound;
        s.sound = s.stereoEffects = 1;
        s.panningWidth = 160;
        s.wavVolume = 175;
        PlayerStateApplySet(PlayerSCtrlApply);
        PlayerStateEscapeSet(NoEscape);
        // The character's sound file is read only while sound runs.
        ASSERT_TRUE(FakeVoiceStart());
        FakeVoiceClockSet(&gv->gameTick);

        CharKit kit = MoveKitChar();
        kit.def = CharKitDefText(kit.name, "stcommon = common.cns\nsound = kit.snd\n");
        kit.common += "\n" + SoundKitStates();
        kit.air = SoundKitAir();
        SndEntry hit{1, 0, WavMake(1, 8, 11025, WavSaw(50, 1, 8, 1))};
        SndEntry guard{1, 1, WavMake(1, 8, 11025, WavSaw(50, 1, 8, 2))};
        SndEntry ko{11, 0, WavMake(1, 8, 8000, WavSaw(50, 1, 8, 3))};
        kit.extra["kit.snd"] = SndFileBytes({hit, guard, ko});
        kit.WriteDir("chars/kit");
        cd = PlayerDefLoadAny("chars/kit", kit.defName.c_str());
        ASSERT_NE(cd, nullptr) << gv->errorText;
        ASSERT_NE(cd->sounds, nullptr);
        hitSample = SndSetFind(cd->sounds, 1, 0);
        guardSample = SndSetFind(cd->sounds, 1, 1);
        koSample = SndSetFind(cd->sounds, 11, 0);

        common = SndSetCreate(1);
        SAMPLE *made = create_sample(8, 0, 22050, 50);
        commonSample = made;
        ASSERT_TRUE(SndSetAdd(common, made, 5, 0));
        gv->commonSnd = common;

        ASSERT_TRUE(PlayerSlotsCreate(4));
        for (int s = 1; s <= 2; s++) {
            Player *p = PlayerNew(cd);
            ASSERT_NE(p, nullptr) << gv->errorText;
            gv->players[s] = p;
            p->slot = s;
            p->side = s;
            PlayerEnableSet(s, 1);
            p->alive = 1;
            p->animOwn = cd->anims;
            p->runFlag = 1;
            p->posX = s == 1 ? 100.0f : 145.0f;
            if (s == 2)
                PlayerTurn(p);
        }
        P(1)->opponent = P(2);
        P(2)->opponent = P(1);
    }
    void TearDown() override
    {
        for (int s = 1; gv->players && s <= gv->playerSlotCount; s++)
            PlayerFree(gv->players[s]);
        PlayerSlotsFree();
        CharDataFree(cd);
        SndSetFree(common);
        FakeVoiceStop();
        PlayerStateApplySet(nullptr);
        PlayerStateEscapeSet(nullptr);
        GameVarsTest::TearDown();
    }
    Player *P(int n) { return gv->players[n]; }

    void Tick()
    {
        for (int s = 1; s <= 2; s++)
            PlayerStateRun(P(s));
        PlayerHitDetectAll();
        gv->gameTick++;
    }

    CharData *cd = nullptr;
    SndSet *common = nullptr;
    const SAMPLE *hitSample = nullptr, *guardSample = nullptr, *koSample = nullptr, *commonSample = nullptr;
};

struct Heard {
    const SAMPLE *sample;
    int volume, pan, when;
};

void ExpectHeard(const std::vector<Heard> &want)
{
    const std::vector<FakePlay> &got = FakeVoicePlays();
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].sample, want[i].sample);
        EXPECT_EQ(got[i].volume, want[i].volume);
        EXPECT_EQ(got[i].pan, want[i].pan);
        EXPECT_EQ(got[i].when, want[i].when);
    }
}

// The victim stands at screen x 245: pan (245 - 200) x 128 / 140 = 41, halved.
enum { VICTIM_PAN = 20 };

TEST_F(HitSoundTest, AHitSoundsAtTheVictimAndCutsTheVictimsOwnChannel)
{
    int victimKey = SoundPlayerChannelKey(2, 0);
    SoundPlayOnKey(victimKey, cd->sounds, 1, 1, 0);
    ASSERT_EQ(SndKeyIsPlaying(victimKey), 1);
    FakeVoiceClear();

    PlayerStateSet(P(1), 200);
    Tick();
    ASSERT_EQ(P(2)->state.stateNo, 5000);
    // The character's volume 10, halved, plus the offset 175.
    ExpectHeard({{hitSample, 5 + 175, VICTIM_PAN, 1}});
    EXPECT_EQ(SndKeyIsPlaying(victimKey), 0);
    for (int i = 0; i < 5; i++)
        Tick();
    EXPECT_EQ(FakeVoicePlays().size(), 1u);
}

TEST_F(HitSoundTest, AGuardSoundsTheGuardSound)
{
    PlayerStateSet(P(2), 131);
    PlayerStateSet(P(1), 200);
    Tick();
    ASSERT_EQ(P(2)->getHit.guarded, 1);
    ExpectHeard({{guardSample, 180, VICTIM_PAN, 1}});
}

TEST_F(HitSoundTest, CommonSoundsComeFromTheFightScreenAtVolumeZero)
{
    PlayerStateSet(P(1), 210);
    Tick();
    ExpectHeard({{commonSample, 175, VICTIM_PAN, 1}});

    // Without the fight screen's set the hit lands in silence; a guard sound
    // missing from the character's set is silent too.
    FakeVoiceClear();
    gv->commonSnd = nullptr;
    P(2)->life = 1000;
    PlayerStateSet(P(2), 0);
    PlayerStateSet(P(1), 210);
    Tick();
    EXPECT_EQ(P(2)->state.stateNo, 5000);
    PlayerStateSet(P(2), 131);
    PlayerStateSet(P(1), 210);
    Tick();
    EXPECT_EQ(P(2)->getHit.guarded, 1);
    EXPECT_TRUE(FakeVoicePlays().empty());
}

TEST_F(HitSoundTest, AKoCriesAndEchoesQuieter)
{
    struct Case {
        int noKoSnd, koEcho;
        int cries;  // the cry, then its echoes at KO counts 20 and 50
    } cases[] = {{0, 1, 3}, {0, 0, 1}, {1, 1, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.noKoSnd * 10 + c.koEcho);
        TearDown();
        SetUp();
        Player *v = P(2);
        v->life = 10;
        v->consts.koEcho = c.koEcho;
        gv->specialFlags[GAME_SPECIAL_NOKOSND] = c.noKoSnd;
        PlayerStateSet(P(1), 200);
        Tick();  // tick 1: the KO hit
        for (int i = 0; i < 60; i++)
            Tick();
        EXPECT_EQ(v->alive, 0);
        // The cry at the state run of tick 2, KO count 1; the echoes at counts
        // 20 and 50 (ticks 21 and 51), 60 and 120 quieter before halving.
        std::vector<Heard> want = {{hitSample, 180, VICTIM_PAN, 1}};
        std::vector<Heard> cries = {{koSample, 180, VICTIM_PAN, 2},
                                    {koSample, 175 - 25, VICTIM_PAN, 21},
                                    {koSample, 175 - 55, VICTIM_PAN, 51}};
        want.insert(want.end(), cries.begin(), cries.begin() + c.cries);
        ExpectHeard(want);
    }
}

TEST_F(HitSoundTest, NothingSoundsWhileSoundIsOff)
{
    gv->cfg.sound.sound = 0;
    P(2)->life = 10;
    PlayerStateSet(P(1), 200);
    for (int i = 0; i < 60; i++)
        Tick();
    EXPECT_EQ(P(2)->alive, 0);
    EXPECT_TRUE(FakeVoicePlays().empty());
}

}  // namespace
