// Test kit: a small character (definition, constants, commands, states, a one-image sprite file, an animation file) as a directory or a zip archive.
#pragma once
#include <map>
#include <string>

// Each text may be replaced before writing; an empty text leaves that file out.
struct CharKit {
    std::string defName = "kit.def";
    std::string name = "Kit";
    std::string def;     // the definition file
    std::string cmd;     // "kit.cmd"
    std::string cns;     // "kit.cns": constants and the main states
    std::string states;  // "kit.st" when the definition names it
    std::string common;  // "common.cns" when the definition names it
    std::string air;     // "kit.air"
    std::string sff;     // "kit.sff"
    std::string act;     // "kit1.act"
    std::map<std::string, std::string> extra;  // further files by name

    CharKit();
    // Every file by name.
    std::map<std::string, std::string> Files() const;
    // Writes the files into the directory (made as needed).
    void WriteDir(const std::string &dir) const;
    // Writes the files as entries of a zip archive; true on success.
    bool WriteZip(const std::string &path) const;
};

// The parts of the kit's texts, for building variants.
std::string CharKitDefText(const std::string &name, const std::string &filesExtra = "");
std::string CharKitConstantsText();
std::string CharKitCmdText();
std::string CharKitStatesText();

struct CharInfo;
// The select entry of a kit character (CharEntrySet with the kit's definition file by default).
void CharKitEntrySet(CharInfo *e, const std::string &dir, const std::string &defFile = "kit.def");
