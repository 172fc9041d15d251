// The image scan of one scene: each frame's image looked up in one listing of the image folder,
// the frame map's codes set from what is there, finished frames without a whole image handed to
// the problem frames, and a scene found complete checked once more before it counts as done.
#pragma once

#include <string>

struct Farm;
struct SceneEntry;

// Frame f's image name: the template with f's digits written to end just before the last four
// characters.
std::string imageName(const SceneEntry& e, int f);
// Scans entry e's images; remaining := frames still to do. True when the scene is complete.
bool scanImages(Farm& farm, int e, int& remaining);
// True when the scan has frames to look at: a range inside the frame map, first to last.
bool sceneScannable(const SceneEntry& e);
