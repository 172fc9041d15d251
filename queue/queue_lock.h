// One farm per queue folder and per command folder: a lock file for each, locked from start-up
// to the end of the Quit steps. The lock files lie in the operator's own private folder (see
// privateLockFolder), named after the folder they stand for, not in the shared folders: scene
// authors and nodes can neither delete nor hold them, and a planted file there means nothing.
// A farm of another user, or on another machine, is not seen by them; the queue file's running
// flag still asks before such a farm opens a queue that one runs.
#pragma once

struct Farm;

// Takes both locks. When another farm holds either: shows a stop box naming that farm's
// process and the folder, sets queueInUse, holds neither lock and gives false. When a lock
// cannot be used (no private folder, a file that cannot be locked): logs that once and gives
// true, leaving the running flag's question as the only guard.
bool takeFarmLocks(Farm& farm);
// Lets both go: the farm has quit, or stays closed.
void releaseFarmLocks(Farm& farm);
