// Match results log: the match header with its teams by group, the round groups, and a file that is not set or cannot be opened.
#include "velok/match/matchlog.h"

#include <string>

#include "lib/libbase.h"
#include "support/fieldkit.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"

namespace {

class MatchLog : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        Field(4);
        gv->resultsLog = 1;
        gv->resultsLogPath = "res.txt";
        WriteFileText("res.txt", "");
        // A name with a conversion in it is written as it stands.
        StrCopy(entries[0].displayName, sizeof entries[0].displayName, "Kit 100%s");
        gv->totalMatches = 3;
        gv->fightRound.framesPerCount = 60;
        StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/kit.def");
    }
};

TEST_F(MatchLog, TheHeaderNamesEachSidesGroupsAndTheStage)
{
    // Side 1 fights in turns (two groups of one), side 2 as a pair.
    TeamSetup(&gv->teams[0], 1, TEAM_MODE_TURNS, 2);
    TeamSetup(&gv->teams[1], 2, TEAM_MODE_SIMUL, 2);
    for (int s = 0; s < 2; s++)
        for (int m = 0; m < 2; m++)
            TeamMemberAt(&gv->teams[s], m)->charIndex = 0;
    MatchLogWrite();
    EXPECT_EQ(ReadFileText("res.txt"), "[Match 3]\ntotalmatches = 3\n"
                                       "team1.1 = Kit 100%s\nteam1.2 = Kit 100%s\n"
                                       "team2.1 = Kit 100%s, Kit 100%s\n"
                                       "stage = stages/kit.def\n\n");
}

TEST_F(MatchLog, ARoundGivesTheWinnerTheTimeLeftInCountsAndEachPlayer)
{
    P(1)->life = 700;
    P(1)->power = 1500;
    P(2)->power = 300;
    P(3)->power = 999;  // a partner shows its side's power
    P(4)->life = 0;
    gv->round.number = 2;
    gv->round.winner = 1;
    gv->round.timeLeft = 659;
    MatchRoundLogWrite();
    // The same round without a time limit, as a draw, appended.
    gv->round.winner = 0;
    gv->round.timeLeft = -1;
    MatchRoundLogWrite();
    std::string players = "p1.name = P1\np1.life = 700\np1.power = 1500\n"
                          "p2.name = P2\np2.life = 1000\np2.power = 300\n"
                          "p3.name = P3\np3.life = 1000\np3.power = 1500\n"
                          "p4.name = P4\np4.life = 0\np4.power = 300\n\n";
    EXPECT_EQ(ReadFileText("res.txt"), "[Match 3 Round 2]\nwinningteam = 1\ntimeleft = 10.98\n" + players +
                                           "[Match 3 Round 2]\nwinningteam = 0\ntimeleft = -1.00\n" + players);
}

TEST_F(MatchLog, OnlyThePlayersThatExistAreWritten)
{
    FieldFree();
    Field(2);
    gv->round.number = 1;
    gv->round.timeLeft = 0;
    MatchRoundLogWrite();
    std::string text = ReadFileText("res.txt");
    EXPECT_NE(text.find("p2.power = 0\n\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("p3."), std::string::npos) << text;
}

TEST_F(MatchLog, NothingIsWrittenWithoutAFileOrWhenItCannotBeOpened)
{
    gv->resultsLog = 0;
    MatchLogWrite();
    MatchRoundLogWrite();
    EXPECT_EQ(ReadFileText("res.txt"), "");

    gv->resultsLog = 1;
    gv->resultsLogPath = "res.txt/inside";  // under a file: cannot be made
    MatchLogWrite();
    MatchRoundLogWrite();
    gv->resultsLogPath = ".";  // a directory
    MatchLogWrite();
    EXPECT_EQ(ReadFileText("res.txt"), "");
}

}  // namespace
