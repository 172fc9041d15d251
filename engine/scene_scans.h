// The three ways of running the image scan (engine/image_scan.h) over the queue: the refill's
// scan in queue order, Scan Scene's scan of one entry, and the quiet-time scan of a scene never
// scanned.
#pragma once

struct Farm;

// Scans live scenes in queue order until one has at least limit frames to hand out (frames in
// hand do not count); saves the queue file. Gives the count of frames to do of the last scene
// scanned, not a sum.
int scanScenes(Farm& farm, int limit);
// Scan Scene's farm side on entry k, without the operator's trail line (operator_commands.h);
// gives its count of frames to do.
int scanSceneNoTrail(Farm& farm, int k);
// Scans the first live scene that was never scanned (quiet-time scan).
void scanNextScene(Farm& farm);
