// Test kit: a motif (system file with its sprites, sounds, font and fight screen), select files and the small characters they list, written in code.
#pragma once
#include <string>
#include <vector>

#include "support/fightkit.h"

// Values of the motif's sprites (drawn red value, BgRed): cell (100, 0) 10x10
// of 1, random cell (101, 0) of 2, cursors (110, 0) and (111, 0) 4x4 of 3 and
// 4, and the backgrounds' (120, 0) 16x16 of 5, tiled over the screen.
enum { MK_CELL = 1, MK_RANDOM = 2, MK_CURSOR1 = 3, MK_CURSOR2 = 4, MK_BG = 5 };

struct MotifKit : GroupedText {
    std::string select;  // the select file "select.def"

    std::string Text() const { return Joined("motif"); }
    // Writes dir/system.def, system.sff, system.snd (sounds (1, 0) to (1, 3)),
    // kit.fnt, the fight kit in dir/fight and dir/select.def; the system
    // file's path.
    std::string Write(const std::string &dir = "data") const;
};

// Every group with small values: a 2 x 3 grid at (10, 20) of 10x10 cells 2
// apart, player 1 starting at row 0, column 0 and player 2 at row 0, column 2;
// [Files] naming the kit's files and fonts 1 and 2 as kit.fnt; the four menu
// backgrounds over the system sprites. The select file lists nothing.
MotifKit MotifKitMake();

// Points the game record at a motif written to data/system.def, with the
// explod limits the kit's motif tests run on (8, and 64 for the system's).
void MotifKitSettingsSet();

// A character as the select file reads it.
struct SelectChar {
    std::string name = "Kit";
    std::string displayName;   // none when empty
    std::string palDefaults;   // "pal.defaults" value; none when empty
    std::string intro, ending; // [Arcade] storyboards; none when empty
    int pals = 1;              // pal1 .. palN keys in [Files]
    int value = 10;            // portrait pixels: small (9000, 0) 6x6 of value, large (9000, 1) 8x8 of value + 1
    bool portraits = true;
    std::string defText() const;
};

// Writes dir/defName and its sprite file kit.sff.
void SelectCharWrite(const std::string &dir, const std::string &defName, const SelectChar &c);
// The same as entries of a zip archive.
bool SelectCharWriteZip(const std::string &zipPath, const std::string &defName, const SelectChar &c);

// A stage file that the stage list reads: [Info] with the name line given
// (none when empty).
void SelectStageWrite(const std::string &path, const std::string &nameLine);
