// Needs an X display: the program itself runs in a data tree of the test kit.
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "support/gamekit.h"
#include "support/motifkit.h"
#include "support/testkit.h"

namespace {

struct Outcome {
    int code;
    std::string out, err, log;
};

class Velokw : public TempDirTest {
protected:
    Outcome Run(const std::string &args, const std::string &prefix = "")
    {
        std::string command = prefix + "'" + VELOKW_PATH + "' " + args + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        Outcome o;
        o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.out = ReadFileText("out.txt");
        o.err = ReadFileText("err.txt");
        o.log = ReadFileText("velokw.log");
        return o;
    }
};

TEST_F(Velokw, WithoutAMotifStartUpStopsThroughTheFatalBox)
{
    GameTreeWrite();
    Outcome o = Run("-nosound -nojoy");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.log,
              "\n\n-----------------------------------\n"
              "V.E.L.O.K ver 2003.06.14 status log\n"
              "-----------------------------------\n"
              "Parsing command line...\n"
              "Command line: " VELOKW_PATH " -nosound -nojoy\n"
              "Parse command line OK\n"
              "Initializing...\n"
              "Allocating game variables\n"
              "Reading configuration file...OK\n"
              "Checking DX version...0x700\n"
              "Initializing timer...OK\n"
              "Initializing keyboard...configuring...OK\n"
              "Initializing input engine...OK\n"
              "Initializing sound...sound is disabled\n"
              "Initializing graphics...trying 640x480x16 mode 0x4458574E...success...OK\n"
              "Setting callbacks...OK\n"
              "Initializing game variables...OK\n"
              "Loading system fonts...OK\n"
              "Loading options...\n"
              "Reinitializing input engine...OK\n"
              "Remapping keys...Reinitializing input engine...OK\n"
              "Options loaded OK\n"
              "Loading system...\n"
              "  Load system file data/system.def...Exit with an error.\n"
              "\nLog file successfully closed.\n");
    EXPECT_EQ(o.out, "Initializing keyboard.\nInitializing sound...sound is disabled\nInitializing graphics.\n");
    EXPECT_EQ(o.err, "V.E.L.O.K Error\n\nError message: Can't open data/system.def\n"
                     "Error loading system data: data/system.def\n\n");
}

TEST_F(Velokw, LoadsTheMotifAndItsSelectFile)
{
    GameTreeWrite();
    MotifKit kit = MotifKitMake();
    kit.select = "[Options]\n[Characters]\nkit\n";
    kit.Write("data");
    SelectCharWrite("chars/kit", "kit.def", SelectChar());
    Outcome o = Run("-nosound -nojoy");
    EXPECT_NE(o.log.find("Options loaded OK\nLoading system...\n  Load system file data/system.def...OK\n"),
              std::string::npos)
        << o.log;
    EXPECT_NE(o.log.find("  Fight data loaded OK\nSystem loaded OK\nInitialize OK\nSet up graphics...timer...OK\n"
                         "Initializing character info...OK\n"
                         "Initializing select screen...finding characters...OK\n"),
              std::string::npos)
        << o.log;

    // A select file without characters stops the program with its context.
    kit.select = "[Options]\n[Characters]\nnobody\n";
    kit.Write("data");
    o = Run("-nosound -nojoy");
    EXPECT_EQ(o.code, 1);
    EXPECT_NE(o.log.find("Initializing select screen...finding characters...Exit with an error.\n"), std::string::npos)
        << o.log;
    EXPECT_EQ(o.err, "V.E.L.O.K Error\n\nError message: \n[Characters]: No character could be found\n"
                     "Error finding characters/stages in select.def\n\n");
}

TEST_F(Velokw, WithoutADisplayItSaysSo)
{
    GameTreeWrite();
    Outcome o = Run("-nosound -nojoy", "env -u DISPLAY ");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "V.E.L.O.K Error\n\nError message: Can't start Allegro: no system driver (no display?)\n\n");
    EXPECT_NE(o.log.find("Initializing...\nExit with an error.\n"), std::string::npos) << o.log;
}

TEST_F(Velokw, MissingSecondFontStopsWithItsName)
{
    GameTreeWrite(GameCfgText(), true, false);
    Outcome o = Run("-nosound -nojoy -r neon");
    EXPECT_EQ(o.code, 1);
    EXPECT_NE(o.log.find("Initializing game variables...OK\nLoading system fonts...Exit with an error.\n"),
              std::string::npos)
        << o.log;
    EXPECT_EQ(o.err.rfind("V.E.L.O.K Error\n\nLibrary (built in) message: Can't load fonts.\n\n"
                          "Error message: f-6x9.fnt\n\nLibrary error message: ",
                          0),
              0u)
        << o.err;
}

}  // namespace
