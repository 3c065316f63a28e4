// The player record: warning lines naming a player.
#include "velok/player/player.h"

#include <cstdarg>
#include <cstdio>

#include "velok/core/common.h"
#include "velok/core/gamevars.h"

void PlayerWarn(Player *pl, const char *text)
{
    if (!pl)
        return;
    WarnLogAppend(pl->name, pl->id, pl->state.stateNo, text);
}

void PlayerWarnf(Player *pl, const char *format, ...)
{
    if (!pl)
        return;
    char buf[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    PlayerWarn(pl, buf);
}

void PlayerWarnRedirected(Player *a, Player *b, const char *text)
{
    if (!a || !b)
        return;
    WarnLogAppendRedirected(a->name, a->id, a->state.stateNo, b->name, b->id, b->state.stateNo, text);
}

Player *PlayerSlotGetById(int slot, int id)
{
    Player *p = PlayerSlotGet(slot);
    return p && p->id == id ? p : nullptr;
}

int PlayerPartnerSlot(int slot)
{
    return slot >= 1 && slot <= 2 ? slot + 2 : slot >= 3 && slot <= 4 ? slot - 2 : 0;
}
