// Render Again: frames of a scene rendered once more, over the images they already have, after
// a bad frame range or a broken look. The frames go into the list of frames to render again
// (render_again_frames.h), which the image scan heeds.
#pragma once

#include <string>

struct Farm;

// Why frames first..last of entry k cannot be rendered again; empty when they can: entry k is
// queued, has not failed, and at least one frame of its range (by its step) lies in first..last.
std::string renderAgainRefusal(const Farm& farm, int k, int first, int last);
// Marks the frames of entry k's range that lie in first..last to be rendered again. Frames in
// hand stay in hand (their nodes go on rendering them); every other one is to do. A scene out of
// the running comes back into it. The frame queue is rebuilt, and the queue file and the list of
// frames to render again are saved. Gives the number of frames marked (0 when refused). Writes
// no operator's trail line: renderAgainByOperator (operator_commands.h) does.
int markFramesToRenderAgainNoTrail(Farm& farm, int k, int first, int last);
