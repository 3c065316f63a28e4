// Palettes of the select list's characters, reserved so that two players of one character never share one, and the random teams of watch, demo and survival matches.
#include "velok/player/charpal.h"

#include <string>

#include "lib/grandom.h"
#include "lib/libbase.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/p-make.h"

static CharInfo *Entry(int charIndex)
{
    if (!gv || !gv->charList || charIndex < 0 || charIndex >= gv->charCount)
        return nullptr;
    return &gv->charList[charIndex];
}

static std::string DefPath(const CharInfo *e)
{
    std::string p = e->dir;
    if (!p.empty() && p.back() != '/' && p.back() != '\\')
        p += '/';
    return p + e->defFile;
}

static bool Free(int mask, int pal)
{
    return (mask >> pal & 1) != 0;
}

int CharReservePal(int pal, int charIndex)
{
    CharInfo *e = Entry(charIndex);
    LIB_ASSERT(e);
    if (e->palFree & ~e->palMask)
        FatalExitf("CharReservePal %s %X %X", DefPath(e).c_str(), (unsigned)e->palMask, (unsigned)e->palFree);
    LIB_ASSERT(pal >= 0 && pal < CHAR_PALETTES);
    int half = CHAR_PALETTES / 2;
    if (!Free(e->palFree, pal) && pal >= half)
        pal -= half;
    int taken = -1;
    if (Free(e->palFree, pal)) {
        taken = pal;
    } else {
        for (int k = 1; k < half && taken < 0; k++)
            if (Free(e->palFree, (pal + k) % half))
                taken = (pal + k) % half;
        // The upper palettes in turn from the wanted one's twin.
        for (int k = 0; k < half && taken < 0; k++)
            if (Free(e->palFree, half + (pal + k) % half))
                taken = half + (pal + k) % half;
    }
    if (taken < 0)
        return 0;
    e->palFree &= ~(1 << taken);
    return taken;
}

void CharReleasePal(int pal, int charIndex)
{
    CharInfo *e = Entry(charIndex);
    if (!e || pal < 0 || pal >= CHAR_PALETTES)
        return;
    // A palette the character has no file for was never taken (the fallback
    // palette 0): giving it back would make the free set claim it.
    int bit = (1 << pal) & e->palMask;
    if (!bit)
        return;
    if ((e->palMask & 0x1F) == 0x1F && (e->palFree & bit))
        FatalExitf("stopusing %i:%s %i %X %X", charIndex, DefPath(e).c_str(), pal, (unsigned)e->palMask,
                   (unsigned)e->palFree);
    e->palFree |= bit;
}

void CharPalResetAll()
{
    for (int i = 0; gv && gv->charList && i < gv->charCount; i++)
        gv->charList[i].palFree = gv->charList[i].palMask;
}

void CharPalComputerSet(TeamMember *m, int charIndex)
{
    const CharInfo *e = Entry(charIndex);
    LIB_ASSERT(e);
    CharReleasePal(m->palNo, m->charIndex);
    int pal = gv->cfg.arcade.aiRandomColor ? GameRandom() % CHAR_PALETTES : e->palDefaults[0] - 1;
    m->charIndex = charIndex;
    m->palNo = CharReservePal(pal < 0 || pal >= CHAR_PALETTES ? 0 : pal, charIndex);
}

static void TeamRandomFill(TeamInfo *team, int keySet)
{
    int n = TeamMemberCount(team);
    LIB_ASSERT(n >= 1 && n <= 2);
    for (int j = 0; j < n; j++) {
        TeamMember *m = TeamMemberAt(team, j);
        CharReleasePal(m->palNo, m->charIndex);
        m->charIndex = -1;
        m->palNo = -1;
        m->keySet = keySet;
        m->ai = 1;
        if (gv->charCount > 0)
            CharPalComputerSet(m, GameRandom() % gv->charCount);
    }
    team->isTeam = n > 1;
}

void TeamSetRandom(TeamInfo *first, TeamInfo *second, int keySet, int both)
{
    if (both)
        TeamRandomFill(first, keySet);
    TeamRandomFill(second, keySet);
}
