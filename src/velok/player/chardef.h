// Character definition and constants: the plain and zip loaders of a character's files into its CharData.
#pragma once
#include <cstdio>

#include "velok/player/cmd.h"
#include "velok/player/player.h"

struct AIInfo;
struct AnimSet;
struct SprSet;
struct StateDefList;
struct TxtParseFile;
struct VFile;

enum {
    CHAR_NAME_LEN = 48,
    CHAR_AI_FILE_LEN = 512,
    CHAR_PAL_FILES = 12,
    CHAR_ST_FILES = 10,   // "st0" to "st9"
};

// One loaded character, shared by every player made from it.
struct SndSet;

struct CharData {
    char name[CHAR_NAME_LEN];
    char displayName[CHAR_NAME_LEN];
    char author[CHAR_NAME_LEN];
    int versionDate[3];    // month, day, year of "versiondate"
    int engineVersion[3];  // month, day, year of "velokversion"
    PlayerConst consts;
    int selIndex;          // the select-list entry of its cache slot
    CmdSet cmds;
    StateDefList *states;
    SprSet *spr;
    AnimSet *anims;
    SndSet *sounds;        // null while sound is off or when no sound file is named
    int volume;
    char aiFile[CHAR_AI_FILE_LEN];
    AIInfo *ai;            // the learned data; null when none was read (or can be written)
};

// The plain loader: the definition file is open at its start.
CharData *PlayerDefLoad(const char *dir, FILE *def);
// The zip loader: dir is the archive and def its definition entry (or, for a
// file that is not a zip entry, the files lie on disk in dir).
CharData *PlayerDefLoadZip(const char *dir, VFile *def);
// Picks the loader by the directory's file type. Null with the reason in the
// game error text.
CharData *PlayerDefLoadAny(const char *dir, const char *defName);
int PlayerConstantsLoad(CharData *cd, TxtParseFile *tp);
void CharDataFree(CharData *cd);
