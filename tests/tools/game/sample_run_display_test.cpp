// The program itself runs in a copy of the sample game's data tree.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>

#include "support/testkit.h"
#include "support/xkeykit.h"

namespace {

class SampleRun : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        std::filesystem::copy(VELOK_GAME_DIR, ".", std::filesystem::copy_options::recursive);
    }
    // Runs the program with the options; its exit code, -1 when it did not exit.
    int Run(const std::string &options)
    {
        std::string command = std::string("'") + VELOKW_PATH + "' " + options + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        log = ReadFileText("velokw.log");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs it while Escape is tapped in its window every tenth of a second,
    // as a player leaving the storyboards and the title menu would.
    int RunEscaping(const std::string &options)
    {
        std::atomic<bool> done{false};
        int code = -1;
        std::thread run([&] {
            code = Run(options);
            done = true;
        });
        while (!done)
            if (!XKeyTapWindow("V.E.L.O.K", "Escape"))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        run.join();
        return code;
    }
    // The steps come in the status log in this order, with no error before the last.
    void ExpectSteps(std::initializer_list<const char *> steps)
    {
        size_t at = 0;
        for (const char *step : steps) {
            size_t found = log.find(step, at);
            ASSERT_NE(found, std::string::npos) << step << "\n" << log;
            at = found;
        }
        EXPECT_EQ(log.substr(0, at).find("rror"), std::string::npos) << log;
    }
    std::string log;
};

TEST_F(SampleRun, StartsUpPlaysTheLogoAndShutsDown)
{
    EXPECT_EQ(Run("-nosound -nojoy -storyboard logo.def"), 0) << ReadFileText("err.txt");
    ExpectSteps({
        "Reading configuration file...OK\n",
        "Initializing sound...sound is disabled\n",
        "Initializing graphics...trying 640x480x16 mode",
        "Loading system fonts...OK\n",
        "Options loaded OK\n",
        "  Load system file data/system.def...OK\n",
        "  Load TitleBG...VersusBG...SelectBG...OptionBG...OK\n",
        "  Fight data loaded OK\n",
        "System loaded OK\n",
        "Playing storyboard logo.def: scene\n",
        "Storyboard playback finished OK\n",
        "Successful program termination.\n",
    });
}

TEST_F(SampleRun, FindsBothFightersInTheSelectFileAndLeavesTheTitleOnEscape)
{
    EXPECT_EQ(RunEscaping("-nosound -nojoy"), 0) << ReadFileText("err.txt");
    ExpectSteps({
        "System loaded OK\n",
        "Finished playing storyboard logo.def: scene\n",
        "Initializing character info...OK\n",
        "Initializing select screen...finding characters...OK\n",
        "Entering main loop.\n",
        "Playing storyboard intro.def: scene\n",
        "Finished playing storyboard intro.def: scene\n",
        "Returned from main loop.\n",
        "Successful program termination.\n",
    });
}

// Two computer players fight one round of the sample game's fighters from the
// command line; the program ends by itself and the results log names the
// winner. (Warnings go to the warning log, which only the game shows: the
// in-process match of fighters_test checks that it stays empty.)
TEST_F(SampleRun, ComputerPlayersFightAMatchToItsEnd)
{
    ASSERT_EQ(Run("-p1 brask -p2 lira -p1.ai 1 -p2.ai 1 -rounds 1 -nosound -nojoy -speedtest -log results.txt"), 0)
        << ReadFileText("err.txt");
    EXPECT_EQ(log.find("rror"), std::string::npos) << log;
    EXPECT_NE(log.find("Successful program termination.\n"), std::string::npos) << log;
    std::string results = ReadFileText("results.txt");
    EXPECT_NE(results.find("[Match 1]\n"), std::string::npos) << results;
    EXPECT_NE(results.find("team1.1 = Brask\n"), std::string::npos) << results;
    EXPECT_NE(results.find("team2.1 = Lira\n"), std::string::npos) << results;
    size_t at = results.find("[Match 1 Round 1]\nwinningteam = ");
    ASSERT_NE(at, std::string::npos) << results;
    char winner = results[at + strlen("[Match 1 Round 1]\nwinningteam = ")];
    EXPECT_TRUE(winner == '1' || winner == '2') << results;
}

} // namespace
