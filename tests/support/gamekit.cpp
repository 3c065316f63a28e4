// Test kit: a game's data tree on disk (the configuration file and the two system fonts) for start-up.
#include "support/gamekit.h"

#include "support/fontkit.h"
#include "support/testkit.h"

std::string GameCfgText()
{
    return "; start-up test configuration\n"
           "[Rules]\n"
           "GameType = VS\n"
           "[Config]\n"
           "GameSpeed = 60\n"
           "AfterImageMax = 2\n"
           "LayeredSpriteMax = 32\n"
           "HelperMax = 4\n"
           "[Video Win]\n"
           "Width = 640\n"
           "Height = 480\n"
           "Depth = 16\n"
           "VRetrace = 0\n"
           "DXMode = Windowed\n"
           "[Sound Win]\n"
           "Sound = 1\n"
           "WavDevice = none\n"
           "MidiDevice = none\n"
           "[Misc]\n"
           "[Arcade]\n"
           "[Input]\n"
           "P1.UseKeyboard = 1\n"
           "P2.UseKeyboard = 1\n"
           "[P1 Keys]\n"
           "Jump = 17\nCrouch = 31\nLeft = 30\nRight = 32\nA = 36\nB = 37\nC = 38\nX = 22\nY = 23\nZ = 24\nStart = 28\n"
           "[P2 Keys]\n"
           "Jump = 72\nCrouch = 80\nLeft = 75\nRight = 77\nA = 0\nB = 0\nC = 0\nX = 0\nY = 0\nZ = 0\nStart = 0\n"
           "[Options]\n"
           "Difficulty = 4\n"
           "Life = 100\n"
           "Time = 99\n"
           "GameSpeed = 0\n"
           "motif = data/system.def\n";
}

std::string GameCfgWith(const std::string &group, const std::string &line, std::string text)
{
    std::string header = "[" + group + "]\n";
    size_t at = text.find(header);
    if (at == std::string::npos)
        return text + header + line + "\n";
    return text.insert(at + header.size(), line + "\n");
}

std::string GameFontBytes()
{
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip({3, 4, 3}, 6, 1));
    s.text = FntDefText({"size = 4,6", "spacing = 1,1", "colors = 1"}, {"A 0 3", "B 3 4", "C 7 3"});
    return FntBytes(s);
}

void GameTreeWrite(const std::string &cfg, bool font1, bool font2)
{
    MakeDirs("data");
    MakeDirs("font");
    WriteFileText("data/velok.cfg", cfg);
    if (font1)
        WriteFileText("font/f-4x6.fnt", GameFontBytes());
    if (font2)
        WriteFileText("font/f-6x9.fnt", GameFontBytes());
}

const char kGameStartLog[] = "Allocating game variables\n"
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
                             "Loading system...\n";
