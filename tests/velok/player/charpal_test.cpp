// Palette reservation per character and random teams: the reservation table, giving palettes back, and teams drawn for watch, demo and survival.
#include "velok/player/charpal.h"

#include <cstring>
#include <vector>

#include "lib/grandom.h"
#include "support/testkit.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/p-make.h"

namespace {

class CharPalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gv = new GameVars();
        entries.resize(3);
        for (size_t i = 0; i < entries.size(); i++) {
            CharInfo &e = entries[i];
            memset(&e, 0, sizeof e);
            snprintf(e.dir, sizeof e.dir, "chars/c%zu/", i);
            snprintf(e.defFile, sizeof e.defFile, "c%zu.def", i);
            e.palMask = e.palFree = 0xFFF;
            for (int k = 0; k < 4; k++)
                e.palDefaults[k] = k + 1;
        }
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
    }
    void TearDown() override
    {
        delete gv;
        gv = nullptr;
    }
    std::vector<CharInfo> entries;
};

TEST_F(CharPalTest, ReservationTakesTheWantedPaletteOrTheNextFreeOne)
{
    struct Case {
        int mask, freeMask, wanted, got, freeAfter;
    } cases[] = {
        {0xFFF, 1 << 8 | 1 << 2, 8, 8, 1 << 2},
        {0xFFF, 1 << 2, 8, 2, 0},                          // an upper palette falls back to its lower twin
        {0xFFF, 1 << 3 | 1 << 9, 8, 3, 1 << 9},            // then the lower ones after it
        {0xFFF, 1 << 1 | 1 << 0, 3, 0, 1 << 1},            // in turn, wrapping after 5
        {0xFFF, 1 << 7, 2, 7, 0},                          // then the upper ones
        {0xFFF, 1 << 6 | 1 << 9, 4, 6, 1 << 9},            // from the twin of the wanted one, wrapping at 11
        {0xFFF, 0, 5, 0, 0},                               // none free: palette 0, nothing taken
        {0x001, 0x001, 11, 0, 0},                          // one palette file
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "free " << std::hex << c.freeMask << " wanted " << std::dec << c.wanted);
        entries[1].palMask = c.mask;
        entries[1].palFree = c.freeMask;
        EXPECT_EQ(CharReservePal(c.wanted, 1), c.got);
        EXPECT_EQ(entries[1].palFree, c.freeAfter);
    }
}

TEST_F(CharPalTest, ReleaseGivesBackOnlyPalettesTheCharacterHas)
{
    CharInfo &e = entries[0];
    e.palMask = e.palFree = 0x3;  // palettes 1 and 2 only
    EXPECT_EQ(CharReservePal(0, 0), 0);
    EXPECT_EQ(CharReservePal(0, 0), 1);
    EXPECT_EQ(CharReservePal(0, 0), 0) << "nothing free: palette 0 without taking it";
    EXPECT_EQ(e.palFree, 0);
    CharReleasePal(-1, 0);
    CharReleasePal(5, 0);  // a palette without a file was never taken
    CharReleasePal(12, 0);
    CharReleasePal(0, 7);  // no such character
    EXPECT_EQ(e.palFree, 0);
    CharReleasePal(1, 0);
    EXPECT_EQ(e.palFree, 0x2);
    // Reservations after the fallback stay consistent with the palette files.
    EXPECT_EQ(CharReservePal(4, 0), 1);

    entries[2].palFree = 0x5;
    CharPalResetAll();
    EXPECT_EQ(e.palFree, 0x3);
    EXPECT_EQ(entries[2].palFree, 0xFFF);
}

TEST_F(CharPalTest, RandomTeamsDrawCharactersWithReservedPalettes)
{
    GameRandomSeed(5);
    TeamInfo teams[2];
    TeamSetup(&teams[0], 1, TEAM_MODE_SIMUL, 2);
    TeamSetup(&teams[1], 2, TEAM_MODE_SINGLE, 1);
    gv->cfg.arcade.aiRandomColor = 0;
    TeamSetRandom(&teams[0], &teams[1], 1, 1);
    std::vector<int> taken(entries.size(), 0);
    for (TeamInfo &t : teams) {
        for (int j = 0; j < TeamMemberCount(&t); j++) {
            TeamMember *m = TeamMemberAt(&t, j);
            ASSERT_GE(m->charIndex, 0);
            ASSERT_LT(m->charIndex, 3);
            EXPECT_EQ(m->keySet, 1);
            EXPECT_EQ(m->ai, 1);
            // The first default palette (1), or the next free one for a second player of it.
            EXPECT_EQ(m->palNo, taken[m->charIndex]++);
        }
    }
    EXPECT_EQ(teams[0].isTeam, 1);

    // Only the second team is drawn again; the palettes it held are free first.
    TeamMember first = teams[0].entries[0].members[0];
    TeamMember old = teams[1].entries[0].members[0];
    int freeBefore = entries[old.charIndex].palFree;
    entries[old.charIndex].palDefaults[0] = 12;
    gv->cfg.arcade.aiRandomColor = 1;
    TeamSetRandom(&teams[0], &teams[1], 0, 0);
    EXPECT_EQ(teams[0].entries[0].members[0].charIndex, first.charIndex);
    EXPECT_EQ(teams[0].entries[0].members[0].palNo, first.palNo);
    const TeamMember &now = teams[1].entries[0].members[0];
    EXPECT_EQ(now.keySet, 0);
    if (now.charIndex != old.charIndex) {
        EXPECT_EQ(entries[old.charIndex].palFree, freeBefore | 1 << old.palNo);
    }

    // No characters: the members stay empty.
    gv->charCount = 0;
    TeamSetRandom(&teams[0], &teams[1], 0, 0);
    EXPECT_EQ(teams[1].entries[0].members[0].charIndex, -1);
}

using CharPalDeathTest = CharPalTest;

TEST_F(CharPalDeathTest, FreeSetsOutsideThePaletteFilesAreProgrammingFaults)
{
    entries[0].palMask = 0x3;
    entries[0].palFree = 0x7;
    EXPECT_EXIT(CharReservePal(0, 0), ::testing::ExitedWithCode(1), "CharReservePal chars/c0/c0.def 3 7");
    entries[0].palMask = 0x1F;
    entries[0].palFree = 0x1F;
    EXPECT_EXIT(CharReleasePal(2, 0), ::testing::ExitedWithCode(1), "stopusing 0:chars/c0/c0.def 2 1F 1F");
}

}  // namespace
