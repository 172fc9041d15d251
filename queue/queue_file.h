// The queue file "Kestrun.que" (running flag and the scene table, kept across restarts) and
// tidy-away, which moves a scene file into the queue folder's "HasBeenRendered" folder.
#pragma once

struct Farm;

// Writes the running flag and entries 1..sceneCount through a temporary file renamed over the
// queue file, so an interrupted save leaves the previous file whole (in place when no temporary
// can be made in the queue folder). A failed save is logged and shown; false when not saved.
bool saveQueueFile(Farm& farm);
// saveQueueFile, left out when the bytes are those this farm saved last: the refill scan runs
// for every idle node at every pass, and most of its saves would write the same bytes again.
bool saveQueueFileIfChanged(Farm& farm);
// Fills the running flag and the scene table from the queue file, treating it as untrusted.
void loadQueueFile(Farm& farm);
// Moves entry k's scene file (its directory entry, by rename) into "HasBeenRendered". True when
// moved; failures show a box.
bool tidyScene(Farm& farm, int k);
