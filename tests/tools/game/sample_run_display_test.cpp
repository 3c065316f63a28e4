// The program itself starts up in a copy of the sample game's data tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "support/testkit.h"

namespace {

class SampleRun : public TempDirTest {};

TEST_F(SampleRun, StartsUpFromTheGeneratedTree)
{
    std::filesystem::copy(VELOK_GAME_DIR, ".", std::filesystem::copy_options::recursive);
    std::string command = std::string("'") + VELOKW_PATH + "' -nosound -nojoy >out.txt 2>err.txt";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    std::string log = ReadFileText("velokw.log");
    // Configuration, keys, graphics, fonts and options load without a complaint.
    const char *steps[] = {
        "Reading configuration file...OK\n",
        "Initializing sound...sound is disabled\n",
        "Initializing graphics...trying 640x480x16 mode",
        "Initializing game variables...OK\n",
        "Loading system fonts...OK\n",
        "Options loaded OK\n",
        "Loading system...\n",
    };
    size_t at = 0;
    for (const char *step : steps) {
        size_t found = log.find(step, at);
        ASSERT_NE(found, std::string::npos) << step << "\n" << log;
        at = found;
    }
    EXPECT_EQ(log.substr(0, at).find("rror"), std::string::npos) << log;
    // waits for: motif system file (the motif, its fight screen and the
    // select file load: "System loaded OK" and no error), then the mode loop
    // (the program reaches the title screen and quits on a scripted Escape
    // with exit code 0)
}

} // namespace
