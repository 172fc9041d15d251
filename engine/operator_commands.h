// The farm side of the operator's commands: what each button and menu item does to the farm,
// without any widget. The window (and tests) call these with the row the operator selected,
// already turned into a node or entry number.
#pragma once

struct Farm;

// "GO !": from now on frames are handed out.
void pressGo(Farm& farm);
// Re-Scan Queue: clears every frame map, brings every scene back into the running, scans,
// marks the frames of rendering nodes in hand, rebuilds the frame queue and saves.
void rescanQueue(Farm& farm);
// Boost to Top, Move Up and Move Down on entry k: only a live scene moves (to position 1, one
// up, one down; the first scene cannot go up nor the last one down). Each gives the entry's
// number afterwards, or 0 when k is no live scene.
int boostToTop(Farm& farm, int k);
int moveSceneUp(Farm& farm, int k);
int moveSceneDown(Farm& farm, int k);
// Mark As Done on entry k; gives the entry's number afterwards.
int markAsDone(Farm& farm, int k);
// Remove: tidies entry k's file away and, when moved, runs the queue check.
void removeScene(Farm& farm, int k);
// Tidy Away All Rendered Files: tidies every entry out of the running.
void tidyAwayAll(Farm& farm);
// Remove All Files and Restart (after the operator confirmed): tidies every queued scene file
// away and runs the queue check once.
void removeAllAndRestart(Farm& farm);
