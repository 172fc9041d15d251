// The frame queue builder: the image scan of a scene (each frame's image looked up in one
// listing of the image folder), the three ways of running it over the queue, and the building of
// the 14-place frame queue from which the scheduler hands out frames.
#pragma once

#include <cstdint>
#include <string>

struct Farm;
struct FarmState;
struct SceneEntry;

// Frame f's image name: the template with f's digits written to end just before the last four
// characters.
std::string imageName(const SceneEntry& e, int f);
// Scans entry e's images; remaining := frames still to do. True when the scene is complete.
bool scanImages(Farm& farm, int e, int& remaining);
// Scans live scenes in queue order until one has at least limit frames to hand out (frames in
// hand do not count); saves the queue file. Gives the count of frames to do of the last scene
// scanned, not a sum.
int scanScenes(Farm& farm, int limit);
// Scan Scene's farm side on entry k, without the operator's trail line (operator_commands.h);
// gives its count of frames to do.
int scanSceneNoTrail(Farm& farm, int k);
// Scans the first live scene that was never scanned (quiet-time scan).
void scanNextScene(Farm& farm);
// Refills the frame queue from the missing frames; false when no scene is live.
bool buildFrameQueue(Farm& farm);
void pushFrame(FarmState& s, int32_t sceneId, int frame);
// Puts a frame just taken back at the top of the frame queue, to be handed out next.
void returnFrame(FarmState& s, int32_t sceneId, int frame);
