// The program itself runs in a copy of the sample game's data tree.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>

#include "game/motif.h"
#include "support/charkit.h"
#include "support/testkit.h"
#include "support/xkeykit.h"
#include "velok/core/common.h"

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
    // A kit character stands in for a fighter the tree does not hold.
    for (const char *name : kMotifCharacters) {
        std::string dir = std::string("chars/") + name;
        if (FileExists((dir + "/" + name + ".def").c_str()))
            continue;
        CharKit kit;
        kit.defName = std::string(name) + ".def";
        kit.def = CharKitDefText(name);
        kit.WriteDir(dir);
    }
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

} // namespace
