// The queue check: keeps the scene table in step with the queue folder (drops entries whose file
// has gone or changed, appends new files in name order and has them read), after making sure the
// disk receiving the head scene's images has room (queue/free_space.h). The folder's listing is
// queue/scene_listing.h, the operator's reorder operations queue/queue_order.h.
#pragma once

struct Farm;

// False only when the operator chose Cancel at a free-space halt.
bool checkSceneQueue(Farm& farm);
// Queue entry with listing entry j's name and time, or 0.
int findInQueue(const Farm& farm, int j);
// Appends an entry for listing entry j at the end of the queue and reads its file.
void addScene(Farm& farm, int j);
