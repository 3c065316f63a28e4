// The one seedable random generator of the game (15-bit results).
#pragma once

void GameRandomSeed(unsigned seed);
// 0..32767
int GameRandom();
