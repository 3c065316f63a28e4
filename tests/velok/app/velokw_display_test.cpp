// Needs an X display: the program itself runs in a data tree of the test kit.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>

#include "support/charkit.h"
#include "support/fieldkit.h"
#include "support/gamekit.h"
#include "support/motifkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"
#include "support/xkeykit.h"

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
    // Runs the program while Escape is tapped in its window every tenth of a
    // second, as a player leaving the title menu would.
    Outcome RunEscaping(const std::string &args)
    {
        std::atomic<bool> done{false};
        Outcome o;
        std::thread run([&] {
            o = Run(args);
            done = true;
        });
        while (!done)
            if (!XKeyTapWindow("V.E.L.O.K", "Escape"))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        run.join();
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
              "Initializing...\n" +
                  std::string(kGameStartLog) +
                  "  Load system file data/system.def...Exit with an error.\n"
                  "\nLog file successfully closed.\n");
    EXPECT_EQ(o.out, "Initializing keyboard.\nInitializing sound...sound is disabled\nInitializing graphics.\n");
    EXPECT_EQ(o.err, "V.E.L.O.K Error\n\nError message: Can't open data/system.def\n"
                     "Error loading system data: data/system.def\n\n");
}

TEST_F(Velokw, LoadsTheMotifAndItsSelectFileAndLeavesTheTitleMenuOnEscape)
{
    GameTreeWrite();
    MotifKit kit = MotifKitMake();
    kit.select = "[Options]\n[Characters]\nkit\n";
    kit.Write("data");
    SelectCharWrite("chars/kit", "kit.def", SelectChar());
    Outcome o = RunEscaping("-nosound -nojoy");
    EXPECT_EQ(o.code, 0) << o.err << o.log;
    EXPECT_NE(o.log.find("Options loaded OK\nLoading system...\n  Load system file data/system.def...OK\n"),
              std::string::npos)
        << o.log;
    EXPECT_NE(o.log.find("  Fight data loaded OK\nSystem loaded OK\nInitialize OK\nSet up graphics...timer...OK\n"
                         "Initializing character info...OK\n"
                         "Initializing select screen...finding characters...OK\n"
                         "Entering main loop.\nReturned from main loop.\nDeinitializing...\n"),
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

// A data tree for a quick versus match: the configuration with rounds of
// ten counts, the kit motif (whose fight screen asks for two won rounds and
// allows one draw), the kit stage as "stages/kit.def", and the characters
// "alpha" and "beta", beta with the states given added.
static void MatchTreeWrite(const std::string &betaStates = "")
{
    GameTreeWrite(GameCfgWith("Options", "Time = 10"));
    MotifKitMake().Write("data");
    StageKit().Write("stages/kit.def");
    CharKit alpha = FieldKitChar();
    alpha.defName = "alpha.def";
    alpha.def = CharKitDefText("Alpha");
    alpha.WriteDir("chars/alpha");
    CharKit beta = FieldKitChar();
    beta.defName = "beta.def";
    beta.def = CharKitDefText("Beta");
    beta.cns += betaStates;
    beta.WriteDir("chars/beta");
}

static std::string MatchHeader()
{
    return "[Match 1]\ntotalmatches = 1\nteam1.1 = Alpha Shown\nteam2.1 = Beta Shown\nstage = stages/kit.def\n\n";
}

static std::string RoundGroup(int round, int winner, const char *timeLeft, int life2)
{
    return "[Match 1 Round " + std::to_string(round) + "]\nwinningteam = " + std::to_string(winner) +
           "\ntimeleft = " + timeLeft +
           "\np1.name = Alpha\np1.life = 1000\np1.power = 0\np2.name = Beta\np2.life = " + std::to_string(life2) +
           "\np2.power = 0\n\n";
}

TEST_F(Velokw, AQuickVersusMatchRunsHeadlessToItsTimeOverDraws)
{
    MatchTreeWrite();
    Outcome o = Run("-p1 alpha -p2 beta -s kit -rounds 1 -nosound -nojoy -log res.txt -speedtest");
    EXPECT_EQ(o.code, 0) << o.err << o.log;
    // Nobody moves: the first draw is allowed, the second gives both sides
    // their one round. The round that does not end the match is logged by
    // the round itself, the last one after the match.
    EXPECT_EQ(ReadFileText("res.txt"),
              MatchHeader() + RoundGroup(1, 0, "0.00", 1000) + RoundGroup(2, 0, "0.00", 1000));
    EXPECT_NE(o.log.find("Initializing character info...OK\nEntering main loop.\n\n"
                         "Using original loader on chars/alpha/alpha.def\n\n"
                         "Using original loader on chars/beta/beta.def\n"
                         "Reloading system sprite data...OK\nReloading system sound data...OK\n"
                         "Reloading system background data...OK\n"
                         "Returned from main loop.\nDeinitializing...\n"),
              std::string::npos)
        << o.log;
    EXPECT_NE(o.log.find("Successful program termination.\n"), std::string::npos) << o.log;
    EXPECT_EQ(o.err, "");
}

TEST_F(Velokw, AKnockOutEndsTheRoundAndTheRoundsOptionHoldsOnlyWhenGiven)
{
    // Beta throws its life away as soon as the fight starts, two ticks in.
    MatchTreeWrite("[Statedef -3]\n[State -3, gone]\ntype = LifeAdd\ntrigger1 = RoundState = 2\nvalue = -5000\n");
    Outcome o = Run("-p1 alpha -p2 beta -s kit -rounds 1 -nosound -nojoy -log res.txt -speedtest");
    EXPECT_EQ(o.code, 0) << o.err << o.log;
    EXPECT_EQ(ReadFileText("res.txt"), MatchHeader() + RoundGroup(1, 1, "10.95", 0));

    // Without the option the fight screen's two won rounds hold.
    o = Run("-p1 alpha -p2 beta -s kit -nosound -nojoy -log res.txt -speedtest");
    EXPECT_EQ(o.code, 0) << o.err << o.log;
    EXPECT_EQ(ReadFileText("res.txt"), MatchHeader() + RoundGroup(1, 1, "10.95", 0) + RoundGroup(2, 1, "10.95", 0));
}

TEST_F(Velokw, AQuickVersusCharacterThatCannotBeFoundStopsTheProgram)
{
    MatchTreeWrite();
    Outcome o = Run("-p1 alpha -p2 gamma -s kit -nosound -nojoy");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "V.E.L.O.K Error\n\nError message: Cannot find character: chars/gamma/gamma.def\n\n");
    EXPECT_NE(o.log.find("Initializing character info...OK\nExit with an error.\n"), std::string::npos) << o.log;
}

}  // namespace
