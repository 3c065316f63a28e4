// Background music on tracker modules through the real front end and player, on the player's recording device.
#include "music/bgm.h"

#include "music/tkmod-play.h"
#include "support/bgmkit.h"
#include "support/testkit.h"
#include "support/tkmodkit.h"

namespace {

class BgmMod : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        TkmodFakeInstall();
        k = BgmKitInstall();
        BGMBackendSet(nullptr);
        ModDesc desc;
        ModSampleDesc s;
        s.data = std::string(100, '\x10');
        desc.sampleList = {s};
        WriteFileText("song.mod", ModBytes(desc));
    }
    void TearDown() override
    {
        BGMStop(&r);
        BgmKitRemove();
        TkmodRemove();
        TkmodSetVolume(255);
        TkmodDeviceSet(nullptr);
        TempDirTest::TearDown();
    }
    BgmKit *k;
    BGM r{};
};

}  // namespace

TEST_F(BgmMod, AModulePlaysAtItsVolumeAndItsStopRemovesThePlayer)
{
    ASSERT_EQ(BGMPlay(&r, "song.mod", 0, 101), 1);
    EXPECT_EQ(r.kind, BGM_KIND_MOD);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(TkmodIsPlaying());
    EXPECT_EQ(TkmodVoiceCount(), 8);
    EXPECT_EQ(BGMGetVolume(&r), 50 + 175);

    BGMPause(&r);
    EXPECT_TRUE(TkmodIsPaused());
    BGMResume(&r);
    EXPECT_FALSE(TkmodIsPaused());
    BGMSetVolume(&r, 300);
    EXPECT_EQ(BGMGetVolume(&r), 255);

    BGMStop(&r);
    EXPECT_FALSE(TkmodIsPlaying());
    EXPECT_EQ(TkmodVoiceCount(), 0) << "removed with its module";
    EXPECT_EQ(BGMGetVolume(&r), 0);
}

TEST_F(BgmMod, AModuleThatDoesNotLoadOrFindsNoVoicesIsSilence)
{
    EXPECT_EQ(BGMPlay(&r, "missing.mod", 1, 0), 1);
    EXPECT_EQ(r.kind, BGM_KIND_NONE);
    EXPECT_EQ(TkmodVoiceCount(), 0) << "the player installed for it is removed again";
    EXPECT_EQ(k->error, "");

    k->settings.modVoices = 0;
    EXPECT_EQ(BGMPlay(&r, "song.mod", 1, 0), 1);
    EXPECT_EQ(r.kind, BGM_KIND_NONE);
    EXPECT_EQ(k->warnings, std::vector<std::string>{"Warning: could not allocate mod voices\n"});
}
