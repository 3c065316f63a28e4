// The sample game's data tree: configuration, fonts, sounds, stage, fight screen, motif and the two fighters, made by code.
#include "game/sample.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "game/fighters.h"
#include "game/hud.h"
#include "game/lettering.h"
#include "game/motif.h"
#include "game/ridge.h"
#include "game/synth.h"

static const char kConfig[] =
    "; The game's configuration: made by the sample game's tools. The options\n"
    "; screen writes its settings back into the [Options] and key groups.\n"
    "[Rules]\n"
    "GameType = VS\n"
    "Default.Attack.LifeToPowerMul = 0.7\n"
    "Default.GetHit.LifeToPowerMul = 0.6\n"
    "Super.TargetDefenceMul = 1.5\n"
    "\n"
    "[Config]\n"
    "GameSpeed = 60\n"
    "DrawShadows = 1\n"
    "AfterImageMax = 8\n"
    "LayeredSpriteMax = 256\n"
    "ExplodMax = 256\n"
    "SysExplodMax = 128\n"
    "HelperMax = 56\n"
    "PlayerProjectileMax = 50\n"
    "PlayerPalMax = 12\n"
    "FirstRun = 0\n"
    "\n"
    "[Debug]\n"
    "Debug = 0\n"
    "AllowDebugMode = 1\n"
    "AllowDebugKeys = 1\n"
    "Speedup = 0\n"
    "StartStage = stages/ridge.def\n"
    "\n"
    "; A 640x480 window with 16-bit colour; the 320x240 game is stretched over it.\n"
    "[Video Win]\n"
    "Width = 640\n"
    "Height = 480\n"
    "Depth = 16\n"
    "VRetrace = 0\n"
    "Stretch = 1\n"
    "DoubleRes = 0\n"
    "DXMode = Windowed\n"
    "BlitMode = Normal\n"
    "\n"
    "[Sound Win]\n"
    "Sound = 1\n"
    "StereoEffects = 1\n"
    "PanningWidth = 240\n"
    "PauseBGMOnDefocus = 0\n"
    "MasterWavVolume = 200\n"
    "WavVolume = 175\n"
    "MidiVolume = 160\n"
    "Mp3Volume = 175\n"
    "ModVolume = 175\n"
    "CdaVolume = -1\n"
    "PlayCDA = 0\n"
    "PlayMP3 = 1\n"
    "PlayMIDI = 1\n"
    "PlayMOD = 1\n"
    "WavDevice = auto\n"
    "WavChannels = 16\n"
    "ModVoices = 16\n"
    "MidiDevice = none\n"
    "\n"
    "[Misc]\n"
    "PlayerCache = 4\n"
    "Precache = 1\n"
    "BufferedRead = 0\n"
    "UnloadSystem = 0\n"
    "PauseOnDefocus = 0\n"
    "\n"
    "[Arcade]\n"
    "AI.RandomColor = 0\n"
    "; Computer players may start any command of their fighter's command file\n"
    "; (its specials among them), not only the moves their buttons reach.\n"
    "AI.Cheat = 1\n"
    "arcade.AIramp.start = 2,0\n"
    "arcade.AIramp.end = 4,2\n"
    "team.AIramp.start = 1,0\n"
    "team.AIramp.end = 3,2\n"
    "survival.AIramp.start = 0,-3\n"
    "survival.AIramp.end = 0,4\n"
    "\n"
    "[Input]\n"
    "P1.UseKeyboard = 1\n"
    "P2.UseKeyboard = 1\n"
    "P1.Joystick.type = 0\n"
    "P2.Joystick.type = 0\n"
    "ForceFeedback = 0\n"
    "PSXDelay = 0\n"
    "\n"
    "; Player 1: W A S D to move, J K L and U I O to attack, Enter to start.\n"
    "[P1 Keys]\n"
    "Jump = 17\n"
    "Crouch = 31\n"
    "Left = 30\n"
    "Right = 32\n"
    "A = 36\n"
    "B = 37\n"
    "C = 38\n"
    "X = 22\n"
    "Y = 23\n"
    "Z = 24\n"
    "Start = 28\n"
    "\n"
    "; Player 2: the arrow keys, keypad 1 2 3 and 4 5 6, keypad Enter.\n"
    "[P2 Keys]\n"
    "Jump = 200\n"
    "Crouch = 208\n"
    "Left = 203\n"
    "Right = 205\n"
    "A = 79\n"
    "B = 80\n"
    "C = 81\n"
    "X = 75\n"
    "Y = 76\n"
    "Z = 77\n"
    "Start = 156\n"
    "\n"
    "[Options]\n"
    "Difficulty = 4\n"
    "Life = 100\n"
    "Time = 99\n"
    "GameSpeed = 0\n"
    "WavVolume = 50\n"
    "MidiVolume = 50\n"
    "motif = data/system.def\n"
    "Team.1VS2Life = 150\n"
    "Team.LoseOnKO = 0\n";

GameFiles SampleGameFiles()
{
    GameFiles files;
    files.push_back({"data/velok.cfg", kConfig});
    LetterFontsMake(&files);
    SynthSoundsMake(&files);
    RidgeFilesMake(&files);
    HudFilesMake(&files);
    MotifFilesMake(&files);
    FighterCommonMake(&files);
    FighterFilesMake(&files, BraskMake());
    FighterFilesMake(&files, LiraMake());
    return files;
}

int SampleGameWrite(const std::string &root, std::string *error)
{
    return SampleFilesWrite(root, SampleGameFiles(), error);
}

int SampleFilesWrite(const std::string &root, const GameFiles &files, std::string *error)
{
    namespace fs = std::filesystem;
    for (const GameFile &f : files) {
        fs::path path = fs::path(root) / f.path;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (ec) {
            *error = "Can't make the directory " + path.parent_path().string() + ": " + ec.message();
            return 0;
        }
        if (f.bytes.empty()) {
            *error = "Nothing was made for " + f.path;
            return 0;
        }
        FILE *out = fopen(path.string().c_str(), "wb");
        bool ok = out && fwrite(f.bytes.data(), 1, f.bytes.size(), out) == f.bytes.size();
        if (out && fclose(out) != 0)
            ok = false;
        if (!ok) {
            *error = "Can't write " + path.string();
            return 0;
        }
    }
    return 1;
}
