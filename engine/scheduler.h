// The frame scheduler: chooses each idle node's next frame from the frame queue (a node keeps to
// its scene while the queue holds frames of it, otherwise it gets the oldest frame), tells nodes
// to load scenes and render frames.
#pragma once

#include <cstdint>

struct Farm;

// Takes one frame for a node currently holding currentSceneId (-1: none). False when nothing is
// to be handed out (before GO, or no frame to do).
bool pickFrame(Farm& farm, int32_t currentSceneId, int& frame, int32_t& sceneId);
// Sends "load DIR/FILE" for the scene and logs the assignment.
void loadScene(Farm& farm, int node, int32_t sceneId);
// Sends "render F F 1" and logs it.
void startFrame(Farm& farm, int node, int frame);
