#include "music/bgm.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "platform/pcdrom.h"
#include "support/bgmkit.h"
#include "support/deftext.h"
#include "support/testkit.h"

namespace {

using Calls = std::vector<std::string>;
const int A = PLAT_CD_TRACK_AUDIO;
const int D = PLAT_CD_TRACK_DATA;

class Bgm : public ::testing::Test {
protected:
    void SetUp() override
    {
        k = BgmKitInstall();
        k->cdTypes = {A, A, A, A, A};
    }
    void TearDown() override
    {
        BGMStop(&r);
        BGMStop(&k->menu);
        BgmKitRemove();
    }
    BgmKit *k;
    BGM r{};
};

}  // namespace

TEST_F(Bgm, RoutesEachNameByKindWithPluginsClaimingFirst)
{
    const std::string unsupported = "Music file not supported: %s\nError loading BGM: %s";
    struct Case {
        const char *name;
        const char *pluginExt;
        int result, kind;
        Calls calls;  // empty: not checked
    } cases[] = {
        {"song.mid", "", 1, BGM_KIND_MIDI, {"volumes", "midiLoad song.mid", "midiPlayLooped 0 -1"}},
        {"tune.MOD", "", 1, BGM_KIND_MOD, {"volumes", "modInstall 8", "modLoad tune.MOD", "modVolume 225", "modPlay 1"}},
        {"a.s3m", "", 1, BGM_KIND_MOD, {}},
        {"a.Xm", "", 1, BGM_KIND_MOD, {}},
        {"b.mp3", "", 1, BGM_KIND_PLUGIN, {"volumes", "pluginVolume 225", "pluginPlay b.mp3 1"}},
        {"c.ogg", "ogg", 1, BGM_KIND_PLUGIN, {}},
        {"d.mid", "mid", 1, BGM_KIND_PLUGIN, {"volumes", "pluginVolume 225", "pluginPlay d.mid 1"}},
        {"f.it", "it", 1, BGM_KIND_PLUGIN, {}},
        {"4.da", "", 1, BGM_KIND_CD, {"volumes", "cdInit (default)", "cdPlay 4 1"}},
        {"x.it", "", 0, BGM_KIND_NONE, {"volumes"}},
        {"y.umx", "", 0, BGM_KIND_NONE, {}},
        {"z.wav", "", 0, BGM_KIND_NONE, {}},
        {"mid", "", 0, BGM_KIND_NONE, {}},
        {".da", "", 0, BGM_KIND_NONE, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        k->pluginExt = c.pluginExt;
        k->error.clear();
        EXPECT_EQ(BGMPlay(&r, c.name, 1, 100), c.result);
        EXPECT_EQ(r.kind, c.kind);
        Calls calls = k->Take();
        if (!c.calls.empty()) {
            EXPECT_EQ(calls, c.calls);
        }
        if (c.result) {
            EXPECT_EQ(k->error, "");
            EXPECT_TRUE(r.started);
            EXPECT_EQ(std::string(r.name), c.kind == BGM_KIND_CD ? "" : c.name) << "no name is kept for a CD track";
        } else {
            char want[256];
            snprintf(want, sizeof want, unsupported.c_str(), c.name, c.name);
            EXPECT_EQ(k->error, want);
        }
        BGMStop(&r);
        k->Take();
    }
}

TEST_F(Bgm, ASwitchedOffKindOrAFileThatDoesNotLoadIsSilenceNotAnError)
{
    struct Case {
        const char *what;
        const char *name;
        std::function<void(BgmKit *)> set;
        Calls calls;
    } cases[] = {
        {"midi off", "a.mid", [](BgmKit *k) { k->settings.playMidi = 0; }, {"volumes"}},
        {"midi fails", "a.mid", [](BgmKit *k) { k->midiLoads = false; }, {"volumes", "midiLoad a.mid"}},
        {"mod off", "a.mod", [](BgmKit *k) { k->settings.playMod = 0; }, {"volumes"}},
        {"no mod voices", "a.mod",
         [](BgmKit *k) {
             k->settings.modVoices = 0;
             k->modInstalls = false;
         },
         {"volumes", "modInstall 0"}},
        // The player installed for this file is removed again.
        {"mod fails", "a.mod", [](BgmKit *k) { k->modLoads = false; },
         {"volumes", "modInstall 8", "modLoad a.mod", "modRemove"}},
        {"plug-ins off", "a.mp3", [](BgmKit *k) { k->settings.playMp3 = 0; }, {"volumes"}},
        {"plug-in refuses", "a.mp3", [](BgmKit *k) { k->pluginPlays = false; },
         {"volumes", "pluginVolume 175", "pluginPlay a.mp3 1"}},
        {"cd off", "3.da", [](BgmKit *k) { k->settings.playCda = 0; }, {"volumes"}},
        {"negative track", "-2.da", [](BgmKit *) {}, {"volumes", "cdInit (default)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BgmKitRemove();
        k = BgmKitInstall();
        c.set(k);
        EXPECT_EQ(BGMPlay(&r, c.name, 1, 0), 1);
        EXPECT_EQ(r.kind, BGM_KIND_NONE);
        EXPECT_EQ(k->Take(), c.calls);
        EXPECT_EQ(k->error, "");
        EXPECT_EQ(k->warnings, c.what == std::string("no mod voices") ? Calls{"Warning: could not allocate mod voices\n"}
                                                                       : Calls{});
    }
}

TEST_F(Bgm, SoundOffNoMusicOrNoHostPlaysNothing)
{
    for (int which = 0; which < 3; which++) {
        SCOPED_TRACE(which);
        BgmKitRemove();
        k = BgmKitInstall();
        if (which == 0)
            k->settings.sound = 0;
        else if (which == 1)
            k->settings.noMusic = 1;
        else
            BGMHostSet(nullptr);
        EXPECT_EQ(BGMPlay(&r, "a.mid", 1, 0), 1);
        EXPECT_EQ(BGMPlay(&r, "x.it", 1, 0), 1) << "not even a name that is not music fails";
        EXPECT_EQ(r.kind, BGM_KIND_NONE);
        EXPECT_EQ(k->Take(), Calls{});
        EXPECT_EQ(k->error, "");
    }
}

TEST_F(Bgm, TheSameFileGoesOnOnlyWhenBothLoopFlagsAreSet)
{
    const Calls reopen = {"volumes", "midiDestroy", "midiLoad song.mid", "midiPlayLooped 0 -1"};
    struct Case {
        int first, second;
        bool goesOn;
    } cases[] = {{1, 1, true}, {1, 0, false}, {0, 1, false}, {0, 0, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << c.second);
        BGMPlay(&r, "Song.MID", c.first, 0);
        k->Take();
        EXPECT_EQ(BGMPlay(&r, "song.mid", c.second, 0), 1);
        EXPECT_EQ(k->Take(), c.goesOn ? Calls{} : reopen);
        BGMStop(&r);
        k->Take();
    }

    // Another file, and any CD track (which keeps no name), open again.
    BGMPlay(&r, "a.mid", 1, 0);
    k->Take();
    BGMPlay(&r, "b.mid", 1, 0);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "midiDestroy", "midiLoad b.mid", "midiPlayLooped 0 -1"}));
    BGMPlay(&r, "2.da", 1, 0);
    k->Take();
    BGMPlay(&r, "2.da", 1, 0);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "cdStop", "cdInit (default)", "cdPlay 2 1"}));
}

TEST_F(Bgm, StoppingFreesByKindAndKeepsOnlyTheVolume)
{
    struct Case {
        const char *name;
        Calls stop;
    } cases[] = {
        {"a.mid", {"midiDestroy"}},
        {"a.mod", {"modStop", "modFree", "modRemove"}},
        {"a.mp3", {"pluginStop"}},
        {"1.da", {"cdStop"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BGMPlay(&r, c.name, 1, 90);
        BGMPause(&r);
        k->Take();
        EXPECT_EQ(BGMPlay(&r, "", 1, 0), 1) << "an empty name stops";
        EXPECT_EQ(k->Take(), c.stop);
        EXPECT_EQ(r.kind, BGM_KIND_NONE);
        EXPECT_FALSE(r.started);
        EXPECT_FALSE(r.paused);
        EXPECT_EQ(r.volume, 90);
        BGMPlay(&r, nullptr, 1, 0);
        BGMStop(&r);
        EXPECT_EQ(k->Take(), Calls{}) << "nothing left to stop";
    }
}

TEST_F(Bgm, ACdTrackIsTheBaseNameReadAsANumber)
{
    k->randomValue = 2;
    struct Case {
        const char *name;
        Calls calls;
    } cases[] = {
        {"3.da", {"cdPlay 3 1"}},
        {"story/intro/5.da", {"cdPlay 5 1"}},
        {"story\\intro\\4.DA", {"cdPlay 4 1"}},
        {"9/0.da", {"cdPlay 3 1"}},  // random: 1 + 2 % 5
        {"x/-1.da", {}},
        {"99999999999999.da", {"cdPlay 2147483647 1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BGMOpen(&r, c.name, 1);
        k->Take();
        BGMStart(&r);
        EXPECT_EQ(k->Take(), c.calls);
        BGMStop(&r);
        k->Take();
    }
}

TEST_F(Bgm, ARandomTrackLiesBetweenTheFirstAudioTrackAndTheLast)
{
    struct Case {
        std::vector<int> types;
        bool listed;
        int random;
        int track;
        bool started;
    } cases[] = {
        {{A, A, A, A}, true, 0, 1, true},
        {{A, A, A, A}, true, 3, 4, true},
        {{A, A, A, A}, true, 5, 2, true},
        {{D, A, A}, true, 1, 3, true},
        {{D, A, A}, true, 32767, 3, true},
        {{D, D, A}, true, 9, 3, true},  // the only audio track is the last
        {{D, D}, true, 0, 1, false},    // no audio track: 1, which the drive refuses
        {{A, A}, false, 1, 1, true},    // no track list
        {{A, A, D}, true, 2, 3, false}, // the pick may land on a data track
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.types.size() << " tracks, random " << c.random);
        k->cdTypes = c.types;
        k->cdListed = c.listed;
        k->randomValue = c.random;
        BGMPlay(&r, "0.da", 1, 0);
        EXPECT_EQ(k->Take().back(), "cdPlay " + std::to_string(c.track) + " 1");
        EXPECT_EQ(r.started, c.started);
        BGMStop(&r);
        k->Take();
    }
}

TEST_F(Bgm, PausingActsOnceAndResumingUndoesOnlyItsOwnPause)
{
    struct Case {
        const char *name;
        Calls pause, resume;
    } cases[] = {
        {"a.mid", {"midiPause"}, {"midiResume"}},
        {"a.mod", {"modPause"}, {"modResume"}},
        {"a.mp3", {"pluginVolume 0", "pluginPause"}, {"pluginResume", "pluginVolume 225"}},
        {"1.da", {"cdPause"}, {"cdResume"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BGMPlay(&r, c.name, 1, 100);
        k->Take();
        BGMPause(&r);
        BGMPause(&r);
        EXPECT_EQ(k->Take(), c.pause);
        EXPECT_TRUE(BGMIsPaused(&r));
        BGMResume(&r);
        BGMResume(&r);
        EXPECT_EQ(k->Take(), c.resume);
        EXPECT_FALSE(BGMIsPaused(&r));
        BGMStop(&r);
        k->Take();
    }
}

TEST_F(Bgm, LosingTheFocusPausesOnlyWhenAskedAndOnlyTheFocusBringsItBack)
{
    BGMPlay(&r, "a.mid", 1, 0);
    k->Take();
    k->active = 0;
    BGMUpdate(&r);
    EXPECT_EQ(k->Take(), Calls{}) << "pausebgmondefocus is off";

    k->settings.pauseBgmOnDefocus = 1;
    BGMUpdate(&r);
    BGMUpdate(&r);
    EXPECT_EQ(k->Take(), Calls{"midiPause"});
    EXPECT_TRUE(BGMIsPaused(&r));
    BGMResume(&r);
    BGMPause(&r);
    EXPECT_EQ(k->Take(), Calls{}) << "a record only focus-paused is left to the focus";
    EXPECT_FALSE(r.paused);
    k->active = 1;
    BGMUpdate(&r);
    EXPECT_EQ(k->Take(), Calls{"midiResume"});
    EXPECT_FALSE(BGMIsPaused(&r));

    // Paused by the game: the focus neither pauses again nor resumes it.
    BGMPause(&r);
    k->active = 0;
    BGMUpdate(&r);
    k->active = 1;
    BGMUpdate(&r);
    EXPECT_EQ(k->Take(), Calls{"midiPause"});
    EXPECT_TRUE(r.paused);
    BGMResume(&r);
    EXPECT_EQ(k->Take(), Calls{"midiResume"});
    EXPECT_EQ(k->pumps, 6) << "every update hands on the window's messages";
}

TEST_F(Bgm, PollServicesTheCdEverySixthTickAndFadesPausedPluginMusic)
{
    BGMPlay(&r, "2.da", 1, 0);
    k->Take();
    for (k->tick = 0; k->tick <= 12; k->tick++)
        BGMUpdate(&r);
    EXPECT_EQ(k->Take(), (Calls{"cdPoll", "cdPoll", "cdPoll"}));
    BGMStop(&r);

    BGMPlay(&r, "a.mp3", 1, 0);
    k->Take();
    BGMUpdate(&r);
    EXPECT_EQ(k->Take(), Calls{"pluginRestart"});
    BGMPause(&r);
    BGMSetVolume(&r, 200);  // a fade of the menus raising it while paused
    k->Take();
    std::vector<int> volumes;
    for (int i = 0; i < 30; i++) {
        BGMPoll(&r);
        volumes.push_back(k->pluginVolume);
    }
    EXPECT_EQ(std::vector<int>(volumes.begin(), volumes.begin() + 4), (std::vector<int>{177, 156, 137, 120}));
    EXPECT_EQ(volumes.back(), 0);
    size_t fades = 0;
    for (const std::string &c : k->Take())
        fades += c.rfind("pluginVolume", 0) == 0;
    EXPECT_LT(fades, 30u) << "no more volume calls once it reads 0";
}

TEST_F(Bgm, VolumesByKind)
{
    k->settings.midiVolume = 90;
    BGMPlay(&r, "a.mid", 1, 100);
    k->Take();
    EXPECT_EQ(BGMGetVolume(&r), 90);
    BGMSetVolume(&r, 40);
    EXPECT_EQ(k->Take(), Calls{"midiVolume 40"}) << "the setting alone";
    EXPECT_EQ(BGMGetVolume(&r), 40);

    BGMPlay(&r, "a.mod", 1, 101);
    EXPECT_EQ(BGMGetVolume(&r), 50 + 175) << "halved, plus modvolume";
    k->Take();
    BGMSetVolume(&r, 30);
    EXPECT_EQ(k->Take(), Calls{"modVolume 30"});

    BGMPlay(&r, "a.mp3", 1, 0);
    EXPECT_EQ(BGMGetVolume(&r), 175);
    k->Take();
    BGMSetVolume(&r, 20);
    EXPECT_EQ(k->Take(), Calls{"pluginVolume 20"});

    BGMPlay(&r, "2.da", 1, 100);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "pluginStop", "cdInit (default)", "cdPlay 2 1"})) << "cdavolume -1";
    k->settings.cdaVolume = 10;
    snprintf(k->settings.cdaDevice, sizeof k->settings.cdaDevice, "e:");
    BGMPlay(&r, "3.da", 1, 100);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "cdStop", "cdInit e:", "cdVolume 110", "cdPlay 3 1"})) << "not halved";
    EXPECT_EQ(BGMGetVolume(&r), 128);

    BGMStop(&r);
    EXPECT_EQ(BGMGetVolume(&r), 0);
    k->Take();
    BGMSetVolume(&r, 10);
    EXPECT_EQ(k->Take(), Calls{});
}

// Offsets from the configuration and volumes from definition files are any
// ints: their sums stop at the ends of the range instead of wrapping round.
TEST_F(Bgm, VolumeSumsFromFilesStopAtTheEndsOfTheRange)
{
    k->settings.mp3Volume = k->settings.modVolume = INT_MAX;
    k->settings.cdaVolume = INT_MAX;
    BGMPlay(&r, "a.mp3", 1, 100);
    EXPECT_EQ(k->pluginVolume, INT_MAX);
    BGMPause(&r);
    BGMResume(&r);
    EXPECT_EQ(k->pluginVolume, INT_MAX) << "back to its volume after a pause";
    BGMPlay(&r, "a.mod", 1, 100);
    EXPECT_EQ(k->modVolume, INT_MAX);
    k->Take();
    BGMPlay(&r, "2.da", 1, 100);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "modStop", "modFree", "modRemove", "cdInit (default)",
                                "cdVolume " + std::to_string(INT_MAX), "cdPlay 2 1"}));

    k->settings.mp3Volume = k->settings.modVolume = INT_MIN + 1;
    k->settings.cdaVolume = INT_MIN;
    BGMPlay(&r, "b.mp3", 1, -100);
    EXPECT_EQ(k->pluginVolume, INT_MIN);
    BGMPlay(&r, "b.mod", 1, -100);
    EXPECT_EQ(k->modVolume, INT_MIN);
    k->Take();
    BGMPlay(&r, "3.da", 1, -100);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "modStop", "modFree", "modRemove", "cdInit (default)",
                                "cdVolume " + std::to_string(INT_MIN), "cdPlay 3 1"}));
}

TEST_F(Bgm, ReadKeyTakesTheFirstWordAndTheLoopKey)
{
    std::string text = DefText({"[Music]", "title.bgm = sound/title.mid   extra", "title.bgm.loop = 0",
                                "select.bgm = sound/select.xm", "vs.bgm ="});
    VFile *vf = DefMemVFile(text);
    TxtParseFile *tp = TxtParseOpenVfile(vf);
    ASSERT_NE(tp, nullptr);
    ASSERT_GE(TxtParseGroupSet(tp, "music"), 0);
    struct Case {
        const char *key;
        int result;
        std::string name;
        int loop;
    } cases[] = {
        {"title.bgm", 1, "sound/title.mid", 0},
        {"select.bgm", 1, "sound/select.xm", 1},
        {"vs.bgm", 1, "", 1},
        {"missing.bgm", 0, "", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        BGMRequest req;
        req.loop = 5;
        EXPECT_EQ(BGMReadKey(tp, &req, c.key), c.result);
        EXPECT_EQ(std::string(req.name), c.name);
        EXPECT_EQ(req.loop, c.loop);
    }
    TxtParseClose(tp);
    VFileClose(vf);
}

TEST_F(Bgm, StoryboardCallbacksPlayOnTheMenuRecordAtVolumeZero)
{
    BGMPlayCallback("intro/theme.mod", 1);
    EXPECT_EQ(k->menu.kind, BGM_KIND_MOD);
    EXPECT_EQ(k->Take(), (Calls{"volumes", "modInstall 8", "modLoad intro/theme.mod", "modVolume 175", "modPlay 1"}));
    BGMStopCallback();
    EXPECT_EQ(k->menu.kind, BGM_KIND_NONE);
    EXPECT_EQ(k->Take(), (Calls{"modStop", "modFree", "modRemove"}));

    BGMPlayCallback("intro/theme.it", 1);
    EXPECT_EQ(k->error, "Music file not supported: intro/theme.it\nError loading BGM: intro/theme.it");
}
