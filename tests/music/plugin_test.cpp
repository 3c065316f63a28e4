#include "music/plugin.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <vector>

#include "music/audstream.h"
#include "music/music.h"
#include "platform/pwinmsg.h"
#include "support/plugkit.h"
#include "support/testkit.h"

namespace {

using Lines = std::vector<std::string>;
const std::string plug = VELOK_TESTPLUG_PATH;
const std::string noEntry = VELOK_NOENTRY_PATH;

class PluginHost : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        voice = &FakeStreamVoiceInstall();
        PlatWinReset();
        PlugLogBegin();
    }
    void TearDown() override
    {
        MusPluginShutdown();
        PluginHostShutdown();
        PlatWinReset();
        PlugLogEnd();
        unsetenv("VELOK_TESTPLUG_BROKEN");
        FakeStreamVoiceRemove();
        TempDirTest::TearDown();
    }
    static void Register(const Lines &lines)
    {
        ASSERT_EQ(PluginSlotsAlloc((int)lines.size()), 0);
        for (const std::string &l : lines)
            ASSERT_EQ(PluginRegister(l.c_str()), 1) << l;
    }
    // Waits until the output's ring has no room for the decoder's next
    // piece (1024 frames of 16-bit stereo): it is ahead of the voice.
    static bool WaitRingFull()
    {
        for (int i = 0; i < 5000; i++) {
            if (PluginOutStream() && PluginOutModule()->CanWrite() < 4096)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    FakeStreamVoice *voice;
};

std::vector<unsigned> seenAfterHost;

intptr_t LaterProc(void *, unsigned message, uintptr_t, intptr_t)
{
    seenAfterHost.push_back(message);
    return 0;
}

}  // namespace

TEST(PluginLine, ReadsLoopTypePathAndExtensions)
{
    const std::string longPath(PLUGIN_PATH_LEN, 'a');
    struct Case {
        std::string value;
        int ok;
        int loopType;
        const char *path, *extensions;
    } cases[] = {
        {"looptype = 2, plug/in_x.so  , MP3 , ogg", 1, 2, "plug/in_x.so", "mp3,ogg"},
        {"LoopType=1,a.so,mp3", 1, 1, "a.so", "mp3"},
        {"looptype=7,a.so,mp3", 1, 0, "a.so", "mp3"},
        {"looptype=-1,a.so,mp3", 1, 0, "a.so", "mp3"},
        {"a.so,mp3, O g g", 1, 0, "a.so", "mp3,ogg"},
        {"my plugins/a.so,mp3", 1, 0, "my plugins/a.so", "mp3"},
        {"looptype.so,mp3", 1, 0, "looptype.so", "mp3"},
        {"a.so", 0, 0, "", ""},
        {"looptype=2 a.so", 0, 0, "", ""},
        {"looptype=2,a.so", 0, 0, "", ""},
        {"  ,mp3", 0, 0, "", ""},
        {longPath + ",mp3", 0, 0, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value.substr(0, 40));
        PluginSlot slot{"old", 9, "old"};
        ASSERT_EQ(PluginLineParse(c.value.c_str(), &slot), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(slot.loopType, c.loopType);
        EXPECT_EQ(slot.path, c.path);
        EXPECT_EQ(slot.extensions, c.extensions);
    }
}

TEST_F(PluginHost, RegistryIsMadeOnceForItsCount)
{
    EXPECT_EQ(PluginSlotsAlloc(0), 1);
    EXPECT_EQ(PluginRegister("a.so,mp3"), 0) << "no registry";
    EXPECT_EQ(PluginSlotsAlloc(2), 0);
    EXPECT_EQ(PluginSlotsAlloc(3), 1) << "one exists";
    EXPECT_EQ(PluginRegister("a.so,mp3"), 1);
    EXPECT_EQ(PluginRegister("a.so"), 0);
    EXPECT_EQ(PluginRegister("b.so,ogg"), 1);
    EXPECT_EQ(PluginRegister("c.so,mid"), 0) << "full";
    ASSERT_EQ(PluginSlotCount(), 2);
    EXPECT_EQ(PluginSlotGet(1)->path, "b.so");
    EXPECT_EQ(PluginSlotGet(2), nullptr);
}

TEST_F(PluginHost, FindsTheSlotOfAnExtensionTheLoadedOneFirst)
{
    Register({plug + ",mp3,ogg", plug + ",ogg,mid", "x.so,x_y"});
    struct Case {
        const char *file;
        int slot;
    } cases[] = {
        {"a.mp3", 0}, {"a.MP3", -1}, {"a.ogg", 0},   {"dir/a.b.mid", 1}, {"a.mp3x", -1}, {"a.mp", -1},
        {"a.x_y", 2}, {"a.x-y", -1}, {"song", -1}, {"a.", -1},          {"a.mid?", 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PluginFindByExt(c.file), c.slot) << c.file;
    ASSERT_EQ(PluginLoad(1, 1), 1);
    EXPECT_EQ(PluginFindByExt("a.ogg"), 1);
    EXPECT_EQ(PluginFindByExt("a.mp3"), 0);
}

TEST_F(PluginHost, ALibraryThatCannotBeUsedLeavesNothingLoaded)
{
    WriteFileText("text.so", "not a library");
    Register({plug + ",vpc", "missing.so,a", "text.so,b", noEntry + ",c", plug + ",d"});
    struct Case {
        int slot;
        const char *name;
        bool broken;
    } cases[] = {
        {1, "missing", false},
        {2, "not a shared object", false},
        {3, "no entry", false},
        {4, "a record without Play", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(PluginLoad(0, 1), 1);
        PlugLogTake();
        if (c.broken)
            setenv("VELOK_TESTPLUG_BROKEN", "1", 1);
        EXPECT_EQ(PluginLoad(c.slot, 1), 0);
        unsetenv("VELOK_TESTPLUG_BROKEN");
        EXPECT_EQ(PluginActiveSlot(), -1);
        EXPECT_EQ(PluginActiveModule(), nullptr);
        EXPECT_EQ(PlugLogTake(), Lines{"Quit"}) << "the plug-in loaded before is gone";
        EXPECT_EQ(dlopen(noEntry.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr) << "closed again";
        EXPECT_EQ(dlopen(plug.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr) << "closed again";
    }
}

TEST_F(PluginHost, LoadingFillsTheHostSideOfTheRecord)
{
    Register({plug + ",vpc"});
    ASSERT_EQ(PluginHostInit(nullptr, 150), 1);
    PluginVolumeSet(40);
    ASSERT_EQ(PluginLoad(0, 0), 1);
    EXPECT_EQ(PlugLogTake(), (Lines{"Init", "SetVolume 150"}));
    EXPECT_EQ(PluginVolumeGet(), 150) << "the configured volume is remembered again";
    const InModule *m = PluginActiveModule();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->hMainWindow, PlatWinGameWindow());
    EXPECT_NE(m->hDllInstance, nullptr);
    EXPECT_EQ(m->outMod, PluginOutModule());
    EXPECT_STREQ(m->outMod->description, "Internal Allegro BGM output driverv1.0 (x86)");
    ASSERT_NE(m->SAAdd, nullptr) << "left empty by the plug-in";
    EXPECT_EQ(m->SAAdd(nullptr, 0, 0), 0);
    EXPECT_NE(m->EQSet, nullptr);
    EXPECT_EQ(m->dsp_dosamples(nullptr, 37, 16, 2, 44100), 37);
    EXPECT_EQ(m->dsp_isactive(), 0);
    EXPECT_EQ(m->SAGetMode(), 0);
    EXPECT_EQ(m->VSAGetMode(nullptr, nullptr), 0);

    ASSERT_EQ(PluginLoad(0, 0), 1);
    EXPECT_EQ(PlugLogTake(), Lines{}) << "the loaded plug-in is kept";
}

TEST_F(PluginHost, PlayNeedsAPluginThatTakesTheFile)
{
    Register({plug + ",vpc,bad"});
    ASSERT_EQ(PluginHostInit(nullptr, 150), 1);
    WriteFileText("bad.vpc", "RIFF and nothing else");
    PlugToneWrite("three.vpc", 44100, 3, 16, 10);
    PlugToneWrite("wide.vpc", 44100, 2, 24, 10);
    PlugToneWrite("still.vpc", 0, 2, 16, 10);
    struct Case {
        const char *file;
        Lines calls;
    } cases[] = {
        {"a.xyz", {}},
        {"none.vpc", {"Init", "Play none.vpc refused"}},
        {"bad.vpc", {"Play bad.vpc refused"}},
        {"three.vpc", {"Play three.vpc refused"}},
        {"wide.vpc", {"Play wide.vpc refused"}},
        {"still.vpc", {"Play still.vpc refused"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(PluginPlay(c.file, 1, 1), 0);
        EXPECT_EQ(PlugLogTake(), c.calls);
        EXPECT_STREQ(PluginCurrentFile(), "");
        EXPECT_EQ(PluginOutStream(), nullptr);
        EXPECT_EQ(PluginUpdate(), 1) << "nothing deferred";
    }
}

TEST_F(PluginHost, ADeferredPlayStartsTheVoiceAtTheNextUpdate)
{
    Register({plug + ",vpc"});
    ASSERT_EQ(PluginHostInit(nullptr, 150), 1);
    PlugToneWrite("t.vpc", 44100, 2, 16, 20000);
    PluginVolumeSet(90);
    ASSERT_EQ(PluginPlay("t.vpc", 0, 1), 1);
    EXPECT_EQ(PlugLogTake(), (Lines{"Init", "Play t.vpc", "SetVolume 90"}));
    EXPECT_STREQ(PluginCurrentFile(), "t.vpc");
    ASSERT_TRUE(WaitRingFull());
    EXPECT_EQ(voice->allocations, 0);
    EXPECT_EQ(PluginIsPlaying(), 0);

    EXPECT_EQ(PluginUpdate(), 1);
    EXPECT_EQ(voice->starts, 1) << "the ring was full already";
    EXPECT_EQ(voice->volume, 90);
    EXPECT_EQ(PluginIsPlaying(), 1);
    EXPECT_EQ(PluginUpdate(), 1);
    EXPECT_EQ(voice->starts, 1);

    PluginPause();
    EXPECT_EQ(voice->stops, 1);
    EXPECT_EQ(PluginIsPaused(), 1);
    PluginResume();
    EXPECT_EQ(voice->starts, 2);
    EXPECT_EQ(PlugLogTake(), (Lines{"Pause", "UnPause"}));
}

TEST_F(PluginHost, ALoopingFileRestartsAsItsLoopTypeSays)
{
    PlugToneWrite("t.vpc", 44100, 2, 16, 1000);
    struct Case {
        int loopType;
        Lines restart;
    } cases[] = {
        {0, {"Stop", "Play t.vpc"}},
        {1, {"Stop", "Play t.vpc", "SetOutputTime 0"}},
        {2, {"Stop", "Quit", "Init", "Play t.vpc"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.loopType);
        Register({"looptype=" + std::to_string(c.loopType) + "," + plug + ",vpc"});
        ASSERT_EQ(PluginHostInit(nullptr, 150), 1);
        ASSERT_EQ(PluginPlay("t.vpc", 1, 1), 1);
        ASSERT_EQ(PluginUpdate(), 1);
        EXPECT_EQ(PlugLogTake(), (Lines{"Init", "Play t.vpc", "SetVolume 150"}));
        AudStream *stream = PluginOutStream();
        ASSERT_NE(stream, nullptr);

        // The file ends while its sound is still queued, and the voice
        // has not moved.
        ASSERT_TRUE(PlugWaitForMessage());
        EXPECT_EQ(PlatWinPump(), 1);
        EXPECT_EQ(PluginIsPlaying(), 0);
        EXPECT_EQ(PluginUpdate(), 1);
        EXPECT_EQ(PluginIsPlaying(), 1);
        EXPECT_EQ(PlugLogTake(), c.restart);
        EXPECT_EQ(PluginOutStream(), stream) << "the ring and its sound go on";
        EXPECT_EQ(voice->releases, 0);
        EXPECT_EQ(voice->allocations, 1);

        // And again.
        ASSERT_TRUE(PlugWaitForMessage());
        PlatWinPump();
        EXPECT_EQ(PluginUpdate(), 1);
        EXPECT_EQ(PlugLogTake(), c.restart);

        PluginHostShutdown();
        EXPECT_EQ(PlugLogTake(), (Lines{"Stop", "Quit"}));
        EXPECT_EQ(PluginOutStream(), nullptr);
        EXPECT_EQ(voice->releases, 1);
        PlatWinReset();
        FakeStreamVoiceInstall();
    }
}

TEST_F(PluginHost, AFilePlayedOnceEndsWhenItsSoundHasPlayed)
{
    seenAfterHost.clear();
    ASSERT_EQ(PlatWinHook(PlatWinGameWindow(), LaterProc), 1);
    Register({plug + ",vpc"});
    ASSERT_EQ(PluginHostInit(nullptr, 150), 1);
    // Shorter than the prebuffer (a block of 8192 frames): the voice starts
    // when the plug-in asks whether its sound still plays.
    PlugToneWrite("t.vpc", 22050, 1, 8, 3000);
    ASSERT_EQ(PluginPlay("t.vpc", 0, 0), 1);
    EXPECT_EQ(PluginIsPlaying(), 1) << "started at once";
    for (int i = 0; i < 5000 && voice->starts == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(voice->starts, 1);
    EXPECT_EQ(PlatWinPending(), 0) << "its sound waits for the voice";

    FakeStreamVoiceStep(100);
    ASSERT_TRUE(PlugWaitForMessage());
    PlatWinPost(PlatWinGameWindow(), 1027, 0, 0);
    EXPECT_EQ(PlatWinPump(), 2);
    EXPECT_EQ(PluginIsPlaying(), 0);
    EXPECT_EQ(PluginOutStream(), nullptr) << "the output is closed";
    EXPECT_EQ(voice->releases, 1);
    EXPECT_EQ(seenAfterHost, (std::vector<unsigned>{PLUGIN_MSG_EOF, 1027})) << "every message goes on down the chain";
    EXPECT_EQ(PluginUpdate(), 1);

    // The plug-in is stopped before it is given the next file, although its
    // file had ended, and before it quits.
    PlugLogTake();
    ASSERT_EQ(PluginPlay("t.vpc", 0, 1), 1);
    EXPECT_EQ(PlugLogTake(), (Lines{"Stop", "Play t.vpc", "SetVolume 150"}));
    PluginHostShutdown();
    EXPECT_EQ(PlugLogTake(), (Lines{"Stop", "Quit"}));
    EXPECT_EQ(PluginSlotCount(), 0) << "the registry is freed";
    EXPECT_EQ(PlatWinUnhook(PlatWinGameWindow(), PluginWndProc), 0) << "unhooked";
}

TEST_F(PluginHost, ConfigurationShowsEveryPluginInTurnAndLeavesNoneLoaded)
{
    Register({plug + ",a", plug + ",b"});
    EXPECT_EQ(PluginConfigAll(), 1);
    EXPECT_EQ(PlugLogTake(), (Lines{"Init", "Config", "Quit", "Init", "Config", "Quit"}));
    EXPECT_EQ(PluginActiveSlot(), -1);
    PluginSlotsFree();

    Register({plug + ",a", "plugins/missing.so,b", plug + ",c"});
    EXPECT_EQ(PluginConfigAll(), 0);
    EXPECT_STREQ(PluginErrorText(), "Couldn't initialize plugin plugins/missing.so!");
    EXPECT_EQ(PlugLogTake(), (Lines{"Init", "Config", "Quit"}));
    EXPECT_EQ(PluginActiveSlot(), -1);
}

TEST_F(PluginHost, AFailedHookLeavesTheHostDown)
{
    ASSERT_EQ(PlatWinHook(PlatWinGameWindow(), PluginWndProc), 1);
    EXPECT_EQ(MusPluginInit(PlatWinGameWindow(), 100), 0);
    EXPECT_STREQ(PluginErrorText(), "Window procedure hook failed");
    EXPECT_EQ(MusPluginIsUp(), 0);
    EXPECT_EQ(MusPluginRestart(), -1);
}

TEST_F(PluginHost, TheFrontEndDrivesTheHost)
{
    Register({plug + ",vpc"});
    PlugToneWrite("t.vpc", 44100, 2, 16, 20000);
    EXPECT_EQ(MusPluginPlay("t.vpc", 1), 0) << "not up";
    EXPECT_EQ(MusPluginFindByExt("t.vpc"), 0) << "the registry is there without the host";
    ASSERT_EQ(MusPluginInit(PlatWinGameWindow(), 120), 1);
    EXPECT_EQ(MusPluginGetVolume(), 120);
    MusPluginSetVolume(300);
    EXPECT_EQ(MusPluginGetVolume(), 255);
    MusPluginSetVolume(-4);
    EXPECT_EQ(MusPluginGetVolume(), 0);
    MusPluginSetVolume(80);
    ASSERT_EQ(MusPluginPlay("t.vpc", 1), 1);
    ASSERT_TRUE(WaitRingFull());
    EXPECT_EQ(voice->starts, 0) << "deferred";
    EXPECT_EQ(MusPluginRestart(), 1);
    EXPECT_EQ(voice->starts, 1);
    EXPECT_EQ(voice->volume, 80);
    MusPluginPause();
    MusPluginResume();
    MusPluginStop();
    EXPECT_EQ(PlugLogTake(), (Lines{"Init", "Play t.vpc", "SetVolume 80", "Pause", "UnPause", "Stop"}));
    EXPECT_STREQ(PluginCurrentFile(), "");
    EXPECT_EQ(MusPluginRestart(), 1);
    MusPluginShutdown();
    EXPECT_EQ(MusPluginIsUp(), 0);
    EXPECT_EQ(PlugLogTake(), Lines{"Quit"});
    EXPECT_EQ(MusPluginFindByExt("t.vpc"), -1);
}

// ---------------------------------------------------------------- output module

TEST_F(PluginHost, OutputOpensOnlyFormatsItCanPlayAndKeepsAStreamOfTheSameFormat)
{
    OutModule *out = PluginOutModule();
    EXPECT_EQ(out->version, 0x10);
    EXPECT_EQ(out->id, 0x1029a);
    struct Case {
        int rate, channels, bits;
    } refused[] = {{0, 2, 16}, {-8000, 2, 16}, {44100, 0, 16}, {44100, 3, 16}, {44100, 2, 24}, {44100, 2, 0}};
    for (const Case &c : refused) {
        EXPECT_EQ(out->Open(c.rate, c.channels, c.bits), -1) << c.rate << " " << c.channels << " " << c.bits;
        EXPECT_EQ(PluginOutStream(), nullptr);
    }

    // Calls without a stream.
    char pcm[4096] = {};
    EXPECT_EQ(out->Write(pcm, 4), 1);
    EXPECT_EQ(out->CanWrite(), 0);
    EXPECT_EQ(out->IsPlaying(), 0);
    EXPECT_EQ(out->Pause(1), 1);
    EXPECT_EQ(out->Pause(0), 0);
    EXPECT_EQ(out->GetOutputTime(), 0);
    out->SetVolume(100);
    out->Close();

    ASSERT_EQ(out->Open(11025, 1, 16), 0);
    AudStream *s = PluginOutStream();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->blockFrames, 4096);
    EXPECT_EQ(s->blocks, 8);
    EXPECT_EQ(s->prebuffer, 4096);
    EXPECT_EQ(s->pan, 128);
    ASSERT_EQ(out->Write(pcm, 2000), 0);
    EXPECT_EQ(out->IsPlaying(), 1);
    EXPECT_EQ(out->Open(11025, 1, 16), 0);
    EXPECT_EQ(PluginOutStream(), s);
    EXPECT_EQ(AudStreamPending(s), 1000) << "the buffered sound stays";
    EXPECT_EQ(out->GetWrittenTime(), 90);
    ASSERT_EQ(out->Open(11025, 2, 16), 0);
    EXPECT_EQ(AudStreamPending(PluginOutStream()), 0);
    EXPECT_EQ(out->GetWrittenTime(), 0);
    out->Close();
    EXPECT_EQ(PluginOutStream(), nullptr);
}

TEST_F(PluginHost, AFileShorterThanThePrebufferStartsWhenAskedButNotWhilePaused)
{
    OutModule *out = PluginOutModule();
    ASSERT_EQ(out->Open(11025, 1, 16), 0);
    AudStream *s = PluginOutStream();
    ASSERT_EQ(AudStreamStartWhenFull(s), 1);
    char pcm[2000] = {};
    ASSERT_EQ(out->Write(pcm, sizeof pcm), 0);
    EXPECT_EQ(voice->starts, 0) << "1000 frames wait for a prebuffer of 4096";

    EXPECT_EQ(out->Pause(1), 0);
    EXPECT_EQ(out->IsPlaying(), 1);
    EXPECT_EQ(voice->starts, 0) << "paused music stays paused";
    EXPECT_EQ(out->Pause(1), 1);
    EXPECT_EQ(out->Pause(0), 1);
    EXPECT_EQ(out->IsPlaying(), 1);
    EXPECT_EQ(voice->starts, 1) << "the end of the file starts what was written";
}

TEST_F(PluginHost, OutputTimesHoldPastTwoMegabytes)
{
    OutModule *out = PluginOutModule();
    ASSERT_EQ(out->Open(44100, 2, 16), 0);
    AudStream *s = PluginOutStream();
    ASSERT_EQ(AudStreamStart(s), 1);
    FakeStreamVoiceStep(2048);
    static char pcm[8192];
    for (int i = 0; i < 300; i++)
        ASSERT_EQ(out->Write(pcm, sizeof pcm), 0) << i;
    // 300 x 8192 bytes of 16-bit stereo at 44100 Hz.
    EXPECT_EQ(out->GetWrittenTime(), 13931);
    FakeStreamVoiceStep(0);
    int pending = AudStreamPending(s);
    EXPECT_EQ(out->GetOutputTime(), 13931 - pending * 1000 / 44100);
    out->Flush(500);
    EXPECT_EQ(out->GetWrittenTime(), 500);

    PluginVolumeSet(77);
    out->SetVolume(PLUGIN_VOLUME_REMEMBERED);
    EXPECT_EQ(voice->volume, 77);
    out->SetVolume(999);
    EXPECT_EQ(voice->volume, 255);
    out->SetVolume(-3);
    EXPECT_EQ(voice->volume, 0);
    EXPECT_EQ(out->Pause(1), 0);
    EXPECT_EQ(out->Pause(1), 1);
    out->Quit();
    EXPECT_EQ(PluginOutStream(), nullptr);
}
