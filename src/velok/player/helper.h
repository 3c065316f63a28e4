// Helpers: extra players made from a player's character that run their own states, with their parent and root links.
#pragma once

struct HelperParams;
struct Player;
struct TrigCtx;

// The Helper controller: the new helper in the first free helper slot, or
// null when every helper slot is taken (nothing is said).
Player *HelperCreate(Player *parent, const HelperParams *p, TrigCtx *ctx);
// DestroySelf and the removal of a family: what the helper holds is let go,
// every other player's hold on it is dropped, and its slot is disabled.
void HelperRemove(Player *pl);
// The parent while its slot still holds the player recorded at creation.
Player *HelperParentGet(const Player *pl);
// The top-level player of the family; null for a top-level player.
Player *HelperRootGet(const Player *pl);
// Enabled helpers of the player's family (the player's root, or the player
// itself) with that helper ID; 0 means any ID.
int HelperCount(const Player *pl, int id);
// The first of them in slot order, or null.
Player *HelperFind(const Player *pl, int id);
