// Render Again: frames of a scene rendered once more, over the images they already have. The
// farm decides what is left to do by looking for images, so such frames are remembered by scene
// (Farm::renderAgain) and the image scan counts them as missing, whatever is on disk, until a
// node has rendered them and their image is found again. The list is kept beside the queue file
// in "Kestrun.again", so a farm stopped halfway still renders the rest after a restart; the
// queue file itself keeps its format.
#pragma once

#include <cstdint>
#include <string>

struct Farm;

// Why frames first..last of entry k cannot be rendered again; empty when they can: entry k is
// queued, has not failed, and at least one frame of its range (by its step) lies in first..last.
std::string renderAgainRefusal(const Farm& farm, int k, int first, int last);
// Marks the frames of entry k's range that lie in first..last to be rendered again. Frames in
// hand stay in hand (their nodes go on rendering them); every other one is to do. A scene out of
// the running comes back into it. The frame queue is rebuilt, and the queue file and the list of
// frames to render again are saved. Gives the number of frames marked (0 when refused).
int markFramesToRenderAgain(Farm& farm, int k, int first, int last);

// True when frame f of the scene is to be rendered whatever image exists.
bool toRenderAgain(const Farm& farm, int32_t sceneId, int f);
// The scan found the image of a frame a node finished: it has been rendered again.
void renderedAgain(Farm& farm, int32_t sceneId, int f);
// Mark As Done: the scene's frames are not to be rendered again.
void forgetRenderAgain(Farm& farm, int32_t sceneId);

// "Kestrun.again" beside the queue file.
std::string renderAgainFilePath(const Farm& farm);
// Reads the list kept beside the queue file; call after the queue file was loaded, so frames of
// scenes no longer queued are dropped. A missing or damaged file gives an empty list.
void loadRenderAgain(Farm& farm);
// Writes the list of the queued scenes; a list with nothing in it removes the file.
bool saveRenderAgain(Farm& farm);
