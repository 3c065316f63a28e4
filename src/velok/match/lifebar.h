// Fight-screen drawing: lifebars, power bars, faces, names, timer, combo counters and win icons, and the displays that follow life and power.
#pragma once

struct Player;

// One of the three passes of a frame (0, 1, 2): draws the fight-screen
// elements whose layer is the pass.
void LifebarDraw(int pass);
// The displayed and red life follow the life; the displayed power follows the
// power, and a new power level plays its sound. Both run every frame.
void LifebarLifeTick(Player *pl);
void PowerbarTick(Player *pl);

// Combo counters of side 1 or 2.
void ComboCounterAdd(int side, int hits);
void ComboCounterReset(int side);
void ComboCounterTick(int side);
void ComboDraw(int side);
// Keeps the player's side's combo running while its first target is still
// being hit; drops the targets that are no longer hit.
void ComboTargetsCheck(Player *pl);

// The win icon of a round ended by a hit: a is the beaten side, b the
// hitter's, attr the hit's attribute.
void WinIconRecordKO(int a, int b, int attr);
