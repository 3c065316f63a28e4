// Teams: one side's fighters for a match, as groups that fight one after another; the select screen fills them, match loading and the player cache read them.
#pragma once

enum {
    TEAM_ENTRY_MAX = 4,   // groups of one side
    TEAM_MEMBER_MAX = 4,  // members of one group (the main slots hold two per side)
};

enum TeamMode {
    TEAM_MODE_SINGLE = 0,
    TEAM_MODE_SIMUL = 1,
    TEAM_MODE_TURNS = 3,
};

// One member: the player slot it fights in (side + 2 x its index in the
// group, so side 1 holds 1 and 3), what it is and who drives it.
struct TeamMember {
    int slot;
    int charIndex;  // in the select list, -1 none
    int palNo;      // 0..11, -1 none
    int keySet;     // the key configuration (0 or 1) of the controls driving it
    int ai;         // computer-controlled
};

// One group: the members that fight together (one in single and turns
// matches, two in simul).
struct TeamEntry {
    TeamMember members[TEAM_MEMBER_MAX];
    int memberCount;
    int orderFixed;  // set by the select screen: keys held at match start do not reorder
};

// One side's team: its groups fight one after another from entries[current]
// on (turns has one group per member, single and simul one group).
struct TeamInfo {
    TeamEntry entries[TEAM_ENTRY_MAX];
    int entryCount;
    int current;
    int mode;    // TeamMode
    int isTeam;  // more than one member
};

// Empty members for side 1 or 2 in a mode: turns makes count groups of one
// member in the side's slot, the other modes one group of count members.
// Characters and palettes -1, the side's key set, not computer-controlled.
void TeamSetup(TeamInfo *team, int side, int mode, int count);
// The members in the order they are chosen: the groups' first members in
// turns, else the members of the one group.
int TeamMemberCount(const TeamInfo *team);
TeamMember *TeamMemberAt(TeamInfo *team, int n);
// The group fighting now; null when the current index is out of range.
TeamEntry *TeamCurrentEntry(TeamInfo *team);
