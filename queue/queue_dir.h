// The queue check: keeps the scene table in step with the queue folder (drops entries whose file
// has gone or changed, appends new files in name order and has them read), after making sure the
// disk receiving the head scene's images has room; and the reorder operations behind the
// operator's Move Up, Boost to Top and Move Down.
#pragma once

struct Farm;

// False only when the operator chose Cancel at a free-space halt.
bool checkSceneQueue(Farm& farm);
// Rebuilds the listing: regular files ending ".lws" (any case), sorted by name. False when the
// folder cannot be listed; the listing is then empty.
bool listQueueDirectory(Farm& farm);
// Queue entry with listing entry j's name and time, or 0.
int findInQueue(const Farm& farm, int j);
// Appends an entry for listing entry j at the end of the queue and reads its file.
void addScene(Farm& farm, int j);
// Moves entry k to position p (p = position - 1 or 1); gives the entry's number afterwards.
int raiseScene(Farm& farm, int k, int p);
// Trades entry k with the entry at position p (= position + 1); gives its number afterwards.
int lowerScene(Farm& farm, int k, int p);
