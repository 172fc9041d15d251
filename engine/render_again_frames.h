// The frames to render again (Farm::renderAgain): frames of a scene that the operator wants
// rendered once more over the images they have. The image scan counts them as missing, whatever
// is on disk, until a node has rendered them and their image is found again. The list is kept
// beside the queue file in "Kestrun.again", so a farm stopped halfway still renders the rest
// after a restart; the queue file itself keeps its format. Render Again (render_again.h) fills
// the list.
#pragma once

#include <cstdint>
#include <string>

struct Farm;

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
