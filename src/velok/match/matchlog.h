// Match results log: one group per match and one per round appended to the file named by the command line.
#pragma once

// The match header: its number, the teams by group and the stage. Nothing
// without a results file or when it cannot be opened.
void MatchLogWrite();
// The round's result: the winning side, the time left in counts and each
// existing main player's name, life and side's power.
void MatchRoundLogWrite();
