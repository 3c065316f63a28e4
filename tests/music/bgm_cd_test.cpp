// Background music on CD tracks through the real front end, with the scripted drive and with none.
#include "music/bgm.h"

#include "music/cdaudio.h"
#include "music/music.h"
#include "platform/pwinmsg.h"
#include "support/bgmkit.h"
#include "support/cdkit.h"
#include "support/testkit.h"

namespace {

class BgmCd : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatWinReset();
        k = BgmKitInstall();
        BGMBackendSet(nullptr);
    }
    void TearDown() override
    {
        BGMStop(&r);
        MusCdShutdown();
        CdKitRemove();
        BgmKitRemove();
        PlatWinReset();
    }
    BgmKit *k;
    BGM r{};
};

}  // namespace

TEST_F(BgmCd, ALoopedTrackStartsAgainAtItsEndAndPausesWithTheRecord)
{
    // A data track first, then one audio track of 10 seconds.
    CdKit *kit = CdKitInstall({{PLAT_CD_TRACK_DATA, 600}, {PLAT_CD_TRACK_AUDIO, 750}});
    ASSERT_EQ(BGMPlay(&r, "story/0.da", 1, 0), 1);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.cdTrack, 2) << "the only audio track, though it is the last";
    ASSERT_EQ(kit->plays.size(), 1u);
    EXPECT_EQ(kit->plays[0].notify, PlatWinGameWindow());

    CdKitAdvance(750);
    BGMUpdate(&r);
    ASSERT_EQ(kit->plays.size(), 2u);
    EXPECT_EQ(kit->plays[1].from, 2u);
    EXPECT_EQ(kit->mode, PLAT_CD_MODE_PLAYING);

    CdKitAdvance(300);
    BGMPause(&r);
    BGMUpdate(&r);
    EXPECT_EQ(kit->plays.size(), 2u) << "the pause's notice starts nothing";
    EXPECT_EQ(kit->mode, PLAT_CD_MODE_PAUSED);
    BGMResume(&r);
    ASSERT_EQ(kit->plays.size(), 3u);
    EXPECT_EQ(kit->plays[2].from, PLAT_CD_TMSF(2, 0, 4, 0));
    CdKitAdvance(450);
    BGMUpdate(&r);
    ASSERT_EQ(kit->plays.size(), 4u);
    EXPECT_EQ(kit->plays[3].from, 2u) << "still looping after the pause";

    // A data track is refused: the record stays unstarted and the drive idle.
    BGMPlay(&r, "1.da", 1, 0);
    EXPECT_EQ(r.kind, BGM_KIND_CD);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(kit->plays.size(), 4u);
    EXPECT_EQ(kit->mode, PLAT_CD_MODE_STOPPED);
    EXPECT_EQ(k->error, "");
}

TEST_F(BgmCd, WithoutADriveCdMusicIsSilenceWithoutAnError)
{
    PlatCdDeviceSet(nullptr);
    EXPECT_EQ(BGMPlay(&r, "3.da", 1, 100), 1);
    EXPECT_EQ(r.kind, BGM_KIND_CD);
    EXPECT_FALSE(r.started);
    EXPECT_FALSE(MusCdIsOpen());
    EXPECT_EQ(k->error, "");
    BGMPause(&r);
    BGMUpdate(&r);
    BGMResume(&r);
    EXPECT_EQ(BGMGetVolume(&r), 0);
    BGMSetVolume(&r, 50);
    BGMStop(&r);
    EXPECT_EQ(r.kind, BGM_KIND_NONE);
    EXPECT_FALSE(CdIsOpen());
}
