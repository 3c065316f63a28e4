// Test kit: fight-screen files with the sprite, sound, effect and font files they name, written in code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Colours of the kit's fight sprites (RGB565) and the sprites themselves, all
// with their axis at the top left: three bars 100x3 and one 4x4 icon.
enum : uint16_t {
    FK_BLUE = 31,           // sprite (1, 0): bar background
    FK_GREEN = 63 << 5,     // sprite (2, 0): bar middle
    FK_RED = 31 << 11,      // sprite (3, 0): bar front
    FK_WHITE = 0xFFFF,      // sprite (4, 0): icon
};
enum { FK_BAR_W = 100, FK_BAR_H = 3, FK_ICON_W = 4 };

struct FightGroup {
    std::string name;
    std::vector<std::string> lines;
};

// A definition text built group by group.
struct GroupedText {
    std::vector<FightGroup> groups;  // in file order
    std::string tail;                // raw text after the groups

    // A group's lines; a missing group is added at the end.
    std::vector<std::string> &Group(const std::string &name);
    void Drop(const std::string &name);
    // "; heading", then each group, then the tail.
    std::string Joined(const char *heading) const;
};

// The tail holds the action groups.
struct FightKit : GroupedText {
    std::string Text() const { return Joined("fight screen"); }
    // Writes dir/fight.def and the files it names (fight.sff, fight.snd with
    // two-second sounds (1, 0) to (1, 9) and a short (9, 9), fightfx.sff,
    // fightfx.air, common.snd, and the font kit.fnt for font keys); returns
    // the definition file's path.
    std::string Write(const std::string &dir = "fight") const;
};

// Every required group with its keys empty, and [Files] naming the kit's files.
FightKit FightKitMake();

// The kit font kit.fnt: glyphs "0123456789oHit!" each 3x5, no banks; its
// glyph k is drawn in colour FntStripColour(100 + k).
std::string FightKitFont();
