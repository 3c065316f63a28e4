// Match results log: one group per match and one per round appended to the file named by the command line.
#include "velok/match/matchlog.h"

#include <cstdio>

#include "platform/pfile.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-make.h"
#include "velok/player/player.h"

// Opened for each write and closed at once, so that the file holds every
// finished group even when the program stops in the middle of a match.
static FILE *LogOpen()
{
    if (!gv || !gv->resultsLog || gv->resultsLogPath.empty())
        return nullptr;
    return PlatFileOpen(gv->resultsLogPath.c_str(), "at");
}

static const char *MemberName(const TeamMember &m)
{
    if (m.charIndex < 0 || m.charIndex >= gv->charCount || !gv->charList)
        return "";
    return gv->charList[m.charIndex].displayName;
}

void MatchLogWrite()
{
    FILE *f = LogOpen();
    if (!f)
        return;
    fprintf(f, "[Match %i]\n", gv->totalMatches);
    fprintf(f, "totalmatches = %i\n", gv->totalMatches);
    for (int s = 0; s < 2; s++) {
        const TeamInfo &team = gv->teams[s];
        for (int g = 0; g < team.entryCount && g < TEAM_ENTRY_MAX; g++) {
            const TeamEntry &entry = team.entries[g];
            fprintf(f, "team%i.%i = ", s + 1, g + 1);
            const char *sep = "";
            for (int m = 0; m < entry.memberCount && m < TEAM_MEMBER_MAX; m++) {
                if (entry.members[m].charIndex < 0)
                    continue;
                fprintf(f, "%s%s", sep, MemberName(entry.members[m]));
                sep = ", ";
            }
            fputs("\n", f);
        }
    }
    fprintf(f, "stage = %s\n", gv->stageFile);
    fputs("\n", f);
    fclose(f);
}

void MatchRoundLogWrite()
{
    FILE *f = LogOpen();
    if (!f)
        return;
    const RoundVars &r = gv->round;
    fprintf(f, "[Match %i Round %i]\n", gv->totalMatches, r.number);
    fprintf(f, "winningteam = %i\n", r.winner);
    // In counts with their fraction: whole counts alone would hide how close
    // a time-over was.
    int perCount = gv->fightRound.framesPerCount < 1 ? 1 : gv->fightRound.framesPerCount;
    double left = r.timeLeft == -1 ? -1.0 : (double)r.timeLeft / perCount;
    fprintf(f, "timeleft = %.2f\n", left);
    for (int slot = 1; slot <= GAME_MAIN_SLOTS; slot++) {
        const Player *pl = PlayerSlotGet(slot);
        if (!pl)
            continue;
        const Player *owner = PlayerPowerOwner(const_cast<Player *>(pl));
        fprintf(f, "p%i.name = %s\n", slot, pl->name);
        fprintf(f, "p%i.life = %i\n", slot, pl->life);
        fprintf(f, "p%i.power = %i\n", slot, owner ? owner->power : pl->power);
    }
    fputs("\n", f);
    fclose(f);
}
