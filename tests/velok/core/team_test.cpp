#include "velok/core/team.h"

#include <gtest/gtest.h>

namespace {

TEST(Team, SetUpByMode)
{
    struct Case {
        int side, mode, count;
        int entries, members;
        int slots[2];
        int isTeam;
    } cases[] = {
        {1, TEAM_MODE_SINGLE, 1, 1, 1, {1, 0}, 0},
        {2, TEAM_MODE_SIMUL, 2, 1, 2, {2, 4}, 1},
        {1, TEAM_MODE_SIMUL, 5, 1, 2, {1, 3}, 1},  // two main slots per side
        {2, TEAM_MODE_TURNS, 3, 3, 3, {2, 2}, 1},  // every group fights in the side's slot
        {1, TEAM_MODE_TURNS, 9, 4, 4, {1, 1}, 1},
        {1, TEAM_MODE_TURNS, 0, 1, 1, {1, 0}, 0},
    };
    for (const Case &c : cases) {
        TeamInfo team;
        TeamSetup(&team, c.side, c.mode, c.count);
        SCOPED_TRACE(testing::Message() << c.mode << " x " << c.count);
        EXPECT_EQ(team.mode, c.mode);
        EXPECT_EQ(team.entryCount, c.entries);
        EXPECT_EQ(team.current, 0);
        EXPECT_EQ(team.isTeam, c.isTeam);
        ASSERT_EQ(TeamMemberCount(&team), c.members);
        for (int m = 0; m < c.members && m < 2; m++) {
            const TeamMember *mem = TeamMemberAt(&team, m);
            ASSERT_NE(mem, nullptr);
            EXPECT_EQ(mem->slot, c.slots[m]);
            EXPECT_EQ(mem->charIndex, -1);
            EXPECT_EQ(mem->palNo, -1);
            EXPECT_EQ(mem->keySet, c.side - 1);
            EXPECT_EQ(mem->ai, 0);
        }
        EXPECT_EQ(TeamMemberAt(&team, c.members), nullptr);
        EXPECT_EQ(TeamCurrentEntry(&team), &team.entries[0]);
        team.current = team.entryCount;
        EXPECT_EQ(TeamCurrentEntry(&team), nullptr);
    }
    // A turns member is its own group; a simul member shares the first.
    TeamInfo t;
    TeamSetup(&t, 1, TEAM_MODE_TURNS, 2);
    EXPECT_EQ(TeamMemberAt(&t, 1), &t.entries[1].members[0]);
    TeamSetup(&t, 1, TEAM_MODE_SIMUL, 2);
    EXPECT_EQ(TeamMemberAt(&t, 1), &t.entries[0].members[1]);
}

}  // namespace
