// Teams: one side's fighters for a match, as groups that fight one after another; the select screen fills them, match loading and the player cache read them.
#include "velok/core/team.h"

#include <cstring>

static void MemberClear(TeamMember *m, int side, int index)
{
    m->slot = side + 2 * index;
    m->charIndex = -1;
    m->palNo = -1;
    m->keySet = side - 1;
    m->ai = 0;
}

void TeamSetup(TeamInfo *team, int side, int mode, int count)
{
    memset(team, 0, sizeof *team);
    team->mode = mode;
    if (mode == TEAM_MODE_TURNS) {
        count = count < 1 ? 1 : count > TEAM_ENTRY_MAX ? TEAM_ENTRY_MAX : count;
        team->entryCount = count;
        for (int g = 0; g < count; g++) {
            team->entries[g].memberCount = 1;
            MemberClear(&team->entries[g].members[0], side, 0);
        }
    } else {
        // Two main slots per side.
        count = count < 1 ? 1 : count > 2 ? 2 : count;
        team->entryCount = 1;
        team->entries[0].memberCount = count;
        for (int m = 0; m < count; m++)
            MemberClear(&team->entries[0].members[m], side, m);
    }
    team->isTeam = count > 1;
}

int TeamMemberCount(const TeamInfo *team)
{
    if (team->mode == TEAM_MODE_TURNS)
        return team->entryCount;
    return team->entryCount > 0 ? team->entries[0].memberCount : 0;
}

TeamMember *TeamMemberAt(TeamInfo *team, int n)
{
    if (n < 0 || n >= TeamMemberCount(team) || n >= TEAM_MEMBER_MAX)
        return nullptr;
    return team->mode == TEAM_MODE_TURNS ? &team->entries[n].members[0] : &team->entries[0].members[n];
}

TeamEntry *TeamCurrentEntry(TeamInfo *team)
{
    if (team->current < 0 || team->current >= team->entryCount || team->current >= TEAM_ENTRY_MAX)
        return nullptr;
    return &team->entries[team->current];
}
