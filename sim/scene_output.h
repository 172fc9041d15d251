// Where a scene's images go, read from the scene text the way a render node needs it: the save
// prefix (SaveRGBImagesPrefix, made absolute and local), the number of frame digits
// (OutputFilenameFormat: 3 for formats 0 and 1, else 4) and the extension (RGBImageFormat 0, 1, 2
// for ".IFF", ".RAW", ".TGA", or the "(.ext)" part of RGBImageSaver). This is the node's own
// short reading of the scene, independent of the farm's scene reader.
#pragma once

#include <string>
#include <string_view>

#include "sim/path_map.h"

namespace sim {

struct SceneOutput {
    std::string prefix;     // absolute local path the frame number is appended to
    int digits = 4;         // frame number padded with zeros to this many digits
    std::string extension;  // ".TGA", ".tif", ...
};

// Reads the output keys of a scene. False with a reason in error when one is missing or unusable.
bool readSceneOutput(std::string_view text, const PathMap& map, std::string_view contentDir,
                     SceneOutput& out, std::string& error);

// prefix + frame padded to digits + extension; a frame wider than digits keeps all its digits.
std::string imagePath(const SceneOutput& output, int frame);

}  // namespace sim
