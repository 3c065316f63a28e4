// The game's side of background music: the settings, error text, warning log and window state that the music records read.
#pragma once

// Hands the music records the game's settings and services (read through the
// game record at each call, so a record behaves as with sound off while there
// is none).
void GameMusicHostSet();
