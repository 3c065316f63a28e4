#include "music/cdaudio.h"

#include <algorithm>
#include <string>
#include <vector>

#include "music/music.h"
#include "platform/pwinmsg.h"
#include "support/cdkit.h"
#include "support/testkit.h"

namespace {

const int A = PLAT_CD_TRACK_AUDIO;
const int D = PLAT_CD_TRACK_DATA;
const long MIN2_S3_F4 = 2 * 4500 + 3 * 75 + 4;

// Track 1 data, tracks 2 and 3 audio.
class Cd : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatWinReset();
        kit = CdKitInstall({{D, 600}, {A, MIN2_S3_F4}, {A, 1500}});
    }
    void TearDown() override
    {
        MusCdShutdown();
        CdExit();
        CdKitRemove();
        PlatWinReset();
    }
    void Open() { ASSERT_EQ(CdInit("", win), 0); }
    const CdKitPlay &LastPlay() { return kit->plays.back(); }
    CdKit *kit;
    void *win = PlatWinGameWindow();
};

}  // namespace

TEST_F(Cd, InitOpensTheDriveInTmsfAndFailuresLeaveNothingOpen)
{
    Open();
    EXPECT_EQ(kit->drive, "(default)");
    EXPECT_EQ(kit->log, (std::vector<std::string>{"open", "tmsf"}));
    EXPECT_EQ(CdInit("x", win), 0) << "open already";
    CdExit();

    // A failed hook (no window to hook) closes the device it opened.
    EXPECT_EQ(CdInit("d:", nullptr), CD_ERR_HOOK);
    EXPECT_FALSE(CdIsOpen());
    EXPECT_FALSE(kit->isOpen);
    kit->failing = {"tmsf"};
    EXPECT_NE(CdInit("d:", win), 0);
    EXPECT_FALSE(kit->isOpen);
    kit->failing = {"open"};
    EXPECT_NE(CdInit("d:", win), 0);

    // A drive name longer than the setting's room reaches the drive whole.
    kit->failing.clear();
    std::string longName(300, 'e');
    EXPECT_EQ(CdInit(longName.c_str(), win), 0);
    EXPECT_EQ(kit->drive, longName);
}

TEST_F(Cd, PlayRangeCoversTheWholeTrackAndAsksForANoticeOnlyWhenLooping)
{
    Open();
    ASSERT_EQ(CdPlay(2), 0);
    EXPECT_EQ(kit->log.back(), "stop");
    EXPECT_EQ(LastPlay().from, 2u);
    EXPECT_EQ(LastPlay().to, PLAT_CD_TMSF(2, 2, 3, 4)) << "track + length x 256";
    EXPECT_TRUE(LastPlay().hasTo);
    EXPECT_EQ(LastPlay().notify, nullptr);
    EXPECT_TRUE(CdIsPlaying());
    EXPECT_EQ(CdCurrentTrack(), 2);

    ASSERT_EQ(CdPlayLoop(3), 0);
    EXPECT_EQ(LastPlay().from, 3u);
    EXPECT_EQ(LastPlay().to, PLAT_CD_TMSF(3, 0, 20, 0));
    EXPECT_EQ(LastPlay().notify, win);

    // A track the disc does not hold is refused before any play command.
    size_t plays = kit->plays.size();
    EXPECT_NE(CdPlay(9), 0);
    EXPECT_NE(CdPlay(0), 0);
    EXPECT_EQ(kit->plays.size(), plays);
}

TEST_F(Cd, OnlyALoopingPlayThatRanToItsEndStartsAgain)
{
    Open();
    // Played once: its end is silent.
    CdPlay(3);
    CdKitAdvance(1500);
    EXPECT_EQ(PlatWinPending(), 0);
    EXPECT_FALSE(CdIsPlaying());

    // Looped: the end notice replays the same range with a new notice.
    CdPlayLoop(2);
    PlatWinPump();  // the stop's notice of nothing
    size_t plays = kit->plays.size();
    CdKitAdvance(MIN2_S3_F4);
    EXPECT_EQ(PlatWinPump(), 1);
    ASSERT_EQ(kit->plays.size(), plays + 1);
    EXPECT_EQ(LastPlay().from, 2u);
    EXPECT_EQ(LastPlay().to, PLAT_CD_TMSF(2, 2, 3, 4));
    EXPECT_EQ(LastPlay().notify, win);
    EXPECT_TRUE(CdIsPlaying());

    // A pause cuts the play short with an aborted notice: no replay.
    CdPause();
    EXPECT_EQ(PlatWinPump(), 1);
    EXPECT_EQ(kit->plays.size(), plays + 1);
    // Neither does a successful one that arrives while paused.
    PlatWinPost(win, PLAT_CD_MSG_NOTIFY, PLAT_CD_NOTIFY_SUCCESSFUL, kit->id);
    PlatWinPump();
    EXPECT_EQ(kit->plays.size(), plays + 1);

    // A stop forgets the loop, so a late end notice plays nothing.
    CdResume();
    plays = kit->plays.size();
    CdStop();
    PlatWinPost(win, PLAT_CD_MSG_NOTIFY, PLAT_CD_NOTIFY_SUCCESSFUL, kit->id);
    PlatWinPump();
    EXPECT_EQ(kit->plays.size(), plays);
}

namespace {

int below;

intptr_t Below(void *, unsigned m, uintptr_t, intptr_t)
{
    if (m == PLAT_CD_MSG_NOTIFY)
        below++;
    return 0;
}

}  // namespace

TEST_F(Cd, MessagesThatAreNotItsOwnGoDownTheChain)
{
    below = 0;
    PlatWinHook(win, Below);
    Open();
    CdPlayLoop(2);
    size_t plays = kit->plays.size();
    PlatWinPost(win, PLAT_CD_MSG_NOTIFY, PLAT_CD_NOTIFY_SUCCESSFUL, kit->id + 1);  // another device's
    PlatWinPost(win, 1026, 0, 0);
    PlatWinPump();
    EXPECT_EQ(below, 1);
    EXPECT_EQ(kit->plays.size(), plays);

    // After the exit the hook is gone and the device closed.
    CdExit();
    EXPECT_EQ(kit->log.back(), "close");
    EXPECT_EQ(kit->log[kit->log.size() - 2], "stop") << "the playing track stops first";
    PlatWinPost(win, PLAT_CD_MSG_NOTIFY, PLAT_CD_NOTIFY_SUCCESSFUL, kit->id);
    PlatWinPump();
    EXPECT_EQ(below, 3) << "the stop's aborted notice and the posted one, both unhandled";
}

TEST_F(Cd, PauseKeepsTheFirstPositionAndResumePlaysOnStillLooping)
{
    Open();
    CdPlayLoop(2);
    CdKitAdvance(75 * 4 + 10);
    CdPause();
    EXPECT_TRUE(CdIsPaused());
    EXPECT_FALSE(CdIsPlaying());
    EXPECT_EQ(CdCurrentTrack(), 0) << "only while playing";
    kit->pos += 500;  // a drive that drifts while paused
    CdPause();
    ASSERT_EQ(std::count(kit->log.begin(), kit->log.end(), "pause"), 1);

    CdResume();
    EXPECT_FALSE(CdIsPaused());
    EXPECT_EQ(LastPlay().from, PLAT_CD_TMSF(2, 0, 4, 10));
    EXPECT_EQ(LastPlay().to, PLAT_CD_TMSF(2, 2, 3, 4));
    EXPECT_EQ(LastPlay().notify, win) << "the loop goes on after a pause";
    size_t plays = kit->plays.size();
    CdResume();
    EXPECT_EQ(kit->plays.size(), plays) << "not paused: nothing";

    CdKitAdvance(MIN2_S3_F4);
    PlatWinPump();
    EXPECT_EQ(LastPlay().from, 2u) << "the end replays the whole track";

    // A failed position query resumes from the start of the range.
    kit->failing = {"status " + std::to_string(PLAT_CD_STATUS_POSITION)};
    CdKitAdvance(100);
    CdPause();
    CdResume();
    EXPECT_EQ(LastPlay().from, 2u);
}

TEST_F(Cd, QueriesThatFailAnswerSafely)
{
    Open();
    CdPlay(2);
    kit->failing = {"status " + std::to_string(PLAT_CD_STATUS_MODE), "status " + std::to_string(PLAT_CD_STATUS_TRACKS),
                    "status " + std::to_string(PLAT_CD_STATUS_TRACK_TYPE)};
    EXPECT_EQ(CdIsPlaying(), 0);
    EXPECT_EQ(CdCurrentTrack(), 0);
    int first, count;
    EXPECT_EQ(CdTracksGet(&first, &count), -1);
    EXPECT_EQ(CdIsAudio(2), -1);
    kit->failing.clear();
    EXPECT_EQ(CdIsAudio(1), 0);
    EXPECT_EQ(CdIsAudio(2), 1);
    EXPECT_EQ(CdIsAudio(4), -1);
    EXPECT_EQ(CdTracksGet(&first, &count), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(count, 3);
    kit->tracks.clear();
    EXPECT_EQ(CdTracksGet(&first, &count), -1) << "an empty disc";

    CdVolumeSet(10, 20);
    int l, r;
    CdVolumeGet(&l, &r);
    EXPECT_EQ(l, 128);
    EXPECT_EQ(r, 128);
}

TEST_F(Cd, FrontEndRefusesDataTracksAndTracksWhileOnePlays)
{
    ASSERT_TRUE(MusCdInit(nullptr));
    EXPECT_EQ(MusCdPlay(1, 1), 0) << "a data track";
    EXPECT_TRUE(kit->plays.empty());
    ASSERT_EQ(MusCdPlay(2, 1), 1);
    EXPECT_EQ(MusCdCurrentTrack(), 2);
    EXPECT_EQ(MusCdPlay(3, 0), 0) << "track 2 still plays";

    MusCdPause();
    EXPECT_TRUE(MusCdIsPaused());
    EXPECT_FALSE(MusCdIsPlaying());
    MusCdResume();
    EXPECT_TRUE(MusCdIsPlaying());
    EXPECT_EQ(MusCdGetVolume(), 128);

    MusCdStop();
    EXPECT_EQ(MusCdCurrentTrack(), 0);
    // Without a track a pause would let the next resume start the drive.
    size_t plays = kit->plays.size();
    MusCdPause();
    MusCdResume();
    EXPECT_EQ(kit->plays.size(), plays);
    EXPECT_EQ(std::count(kit->log.begin(), kit->log.end(), "pause"), 1);

    MusCdShutdown();
    EXPECT_FALSE(MusCdIsOpen());
    EXPECT_FALSE(kit->isOpen);
}

TEST(CdNoDrive, TheFrontEndStaysClosedAndEveryCallIsHarmless)
{
    PlatCdDeviceSet(nullptr);
    EXPECT_EQ(MusCdInit("d:"), 0);
    EXPECT_FALSE(MusCdIsOpen());
    EXPECT_EQ(MusCdPlay(1, 1), 0);
    EXPECT_EQ(MusCdIsAudio(1), -1);
    int first, count;
    EXPECT_EQ(MusCdGetTracks(&first, &count), 0);
    EXPECT_EQ(MusCdGetVolume(), 0);
    EXPECT_EQ(MusCdIsPlaying(), 0);
    MusCdPause();
    MusCdResume();
    MusCdSetVolume(300);
    MusCdEject();
    MusCdStop();
    MusCdShutdown();
    EXPECT_FALSE(CdIsOpen());
}
