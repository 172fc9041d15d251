// The frame queue: its building from the frames the last scans found missing, 14 places from
// which the scheduler hands out frames, and the putting of frames in and back.
#pragma once

#include <cstdint>

struct Farm;
struct FarmState;

// Refills the frame queue from the missing frames; false when no scene is live.
bool buildFrameQueue(Farm& farm);
void pushFrame(FarmState& s, int32_t sceneId, int frame);
// Puts a frame just taken back at the top of the frame queue, to be handed out next.
void returnFrame(FarmState& s, int32_t sceneId, int frame);
