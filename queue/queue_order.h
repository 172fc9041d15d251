// The reorder operations behind the operator's Move Up, Boost to Top and Move Down: an entry
// takes its new place, the move is logged, Kestrun.que saved and the frame queue emptied.
#pragma once

struct Farm;

// Moves entry k to position p (p = position - 1 or 1); gives the entry's number afterwards.
int raiseScene(Farm& farm, int k, int p);
// Trades entry k with the entry at position p (= position + 1); gives its number afterwards.
int lowerScene(Farm& farm, int k, int p);
