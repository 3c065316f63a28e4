// Fuzz kit: what every fuzz target shares: outliving the expected fatal exits, a private working directory, inputs as files, the game record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct VFile;

// What the fatal-exit hook throws: the text the exit would have shown.
struct FuzzFatal {
    std::string text;
};

// Once per process, from each target's first input: the fatal-exit hook, the
// texts of the fatal exits this target may meet (a fatal exit whose text
// holds none of them is a finding and aborts), Allegro without a system
// driver, and a fresh working directory of its own (removed at exit, or by
// a later target's start when a finding ended the process; under /dev/shm
// when it is writable) where the status log cannot be opened, so
// long runs write no log.
void FuzzStart(std::initializer_list<const char *> expectedFatals);
// Goes into that working directory once FuzzStart made it; the fuzz entry
// calls it before each input and returns to where the fuzzer started after.
void FuzzWorkDirEnter();
// Each target's body for one input (the fuzz entry in fuzzmain.cpp calls it).
int FuzzOneInput(const uint8_t *data, size_t size);

// Clears the error texts and flags that the last input may have left.
void FuzzErrorsClear();
// Aborts unless the text holds one of the expected texts.
void FuzzFatalCheck(const std::string &text);

// Runs the body; true when it ended in an expected fatal exit.
template <class F> bool FuzzRun(F &&body)
{
    FuzzErrorsClear();
    try {
        body();
    } catch (const FuzzFatal &fatal) {
        FuzzFatalCheck(fatal.text);
        return true;
    }
    return false;
}

// Writes the bytes to a file under the working directory (directories made
// as needed); returns the path.
std::string FuzzWrite(const std::string &path, const uint8_t *data, size_t size);
std::string FuzzWrite(const std::string &path, const std::string &data);
// A memory virtual file over a copy of the bytes; closing it frees the copy.
VFile *FuzzMemVFile(const uint8_t *data, size_t size);

// Inputs that hold several files: the files' bytes joined by FUZZ_SEP; the
// result always has exactly count entries (missing ones empty, extra
// separators kept inside the last).
inline const char FUZZ_SEP[] = "\n%%file%%\n";
std::vector<std::string> FuzzSplit(const uint8_t *data, size_t size, size_t count);
std::string FuzzJoin(const std::vector<std::string> &files);

// A game record as a match has it in the middle of a fight (round state 2,
// life 100 percent, a stage from -300 to 620, pools at the configuration's
// floors, state controllers applied, Escape never held), with the slot table
// for 6 helpers. It lives as long as the process.
void FuzzGameStart();
// Once per process: the global palette effect and the kit's drawing canvas
// as the target, for targets that draw.
void FuzzCanvasStart();
// The end of a target's once-only start: the fight kit's font written to
// sys.fnt and loaded as system font 0, and sound installed without a sound
// or MIDI device; true when the sound started.
bool FuzzFontSoundStart();

struct CharKit;
struct Player;

// Players 1 to n (2 or 4; odd slots on side 1) made from the character
// through the player cache as a match makes them (the test kit's
// FieldPlayersMake): the character written under "chars/kit", its select
// entry the game's character list. 0, with nothing left made, when the
// character does not load.
int FuzzFieldMake(const CharKit &kit, int players);
// The same from a character already on disk: a directory or a zip archive.
int FuzzFieldMakeAt(const char *dir, const char *defName, int players);
// Frees the players and empties the player cache.
void FuzzFieldFree();
Player *FuzzPlayer(int slot);

// What the round loop needs around the field (the test kit's
// RoundRecordSet), with a match in round state 2, for the life of the
// process.
void FuzzRoundStart();
