// Paths as a node sees them and as this machine does. A farm of Windows nodes names its share
// Q:\ where this machine mounts it at /srv/farm; the simulated node is given those pairs and
// turns every path it is handed (the scene of "load", a scene's save prefix) into the local one.
// Backslashes always become "/", as the farm turns them when it looks for the images.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct PathPair {
    std::string nodePath;
    std::string localPath;
};
using PathMap = std::vector<PathPair>;

// The local form of a node path: the first pair whose node path is a prefix of it (letters
// compared without case, "\" and "/" alike) has that prefix replaced by its local path, and
// every "\" left becomes "/".
std::string toLocalPath(const PathMap& map, std::string_view nodePath);

// A scene's save prefix made absolute the way the farm makes it: kept as it stands when it
// begins with "/", a drive letter ("X:") or two backslashes; otherwise joined to contentDir
// with one separator (a leading "\" of the prefix dropped). The result is then made local.
std::string resolveSavePrefix(const PathMap& map, std::string_view contentDir,
                              std::string_view prefix);

}  // namespace sim
