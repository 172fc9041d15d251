// Two queued scenes that would write the same images: the farm finds a frame done by its image,
// so the second of them would be taken as rendered by the first one's images, complete at once
// with no frame of its own rendered. Such a scene is refused when it is read.
#pragma once

#include <string>

struct FarmState;

// The failure text for entry k (just read, its image name template in templ) when a live scene
// of the queue writes an image of the same name (the same template and a frame number in both
// ranges); empty when none does. Scenes sharing a template with ranges apart (a shot split in
// two) do not clash.
std::string imageClash(const FarmState& s, int k, const std::string& templ);
