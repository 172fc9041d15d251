// One farm per queue: the lock file "Kestrun.lock" beside the queue file, locked from start-up
// to the end of the Quit steps. Kestrun.que itself is not locked, as every save replaces it with
// a new file, which would leave the lock on the old one.
#pragma once

struct Farm;

// Takes the queue folder's lock. When another farm holds it: shows a stop box naming that farm's
// process and host, sets queueInUse and gives false. When the lock file cannot be used (a link,
// no regular file, a folder this farm cannot write): logs that once and gives true, leaving
// the running flag's question as the only guard.
bool takeQueueLock(Farm& farm);
