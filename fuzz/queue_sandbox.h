// The queue folder the queue-file fuzz target and its seed maker share: two scene files with
// fixed names, texts and last-write times, so records of seed queue files match them, and the
// images of the first four frames of the first scene.
#pragma once

struct FuzzFarm;

// Empties the sandbox, configures the farm (3 nodes) and writes the scene files and images.
void prepareQueueSandbox(FuzzFarm& fx);
