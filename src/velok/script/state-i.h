// State controller application: performing a controller whose triggers hold on its player.
#pragma once

struct Player;
struct SCtrl;
struct TrigCtx;

// Returns 1 when the state run must stop because the state changed.
int PlayerSCtrlApply(Player *pl, SCtrl *ctrl, TrigCtx *ctx);
int PlayerSCtrlApplyElem(Player *pl, SCtrl *ctrl, TrigCtx *ctx);
