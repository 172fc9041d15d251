// Problem frames: a frame a node reported finished whose image never appeared whole. The frame is
// rendered again, the node that reported it finished is made offline, and a scene with too many
// problem frames is failed and leaves the running.
#pragma once

struct Farm;

// Frame f of entry e was reported finished but has no whole image.
void handleProblemFrame(Farm& farm, int e, int f);
