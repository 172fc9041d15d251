// The queue folder's listing: its scene files in name order, names that cannot be queued left
// out and logged once, and a folder flooded with entries listed again only now and then.
#pragma once

struct Farm;

// Lists the scene files of the queue folder in name order. Files already queued always get a
// place; the others take the places the scene table still has room for, and those left over
// are counted in leftOut. Only names ending ".lws" are looked at, so files of other names in
// the folder, however many, cost the listing alone.
bool listSceneFiles(Farm& farm, int& leftOut);
// Rebuilds the listing: regular files ending ".lws" (any case), sorted by name. False when the
// folder cannot be listed; the listing is then empty.
bool listQueueDirectory(Farm& farm);
