// A scene's save path on this machine, the two path operations the reader and the image scan
// share: resolving it against the content directory and through the path map, and checking
// (creating when missing, below the allowed roots only) the folder it points into.
#pragma once

#include <string>
#include <string_view>

struct Farm;
struct FarmSettings;

// The one place where a save path read from a scene becomes a path on this machine: resolved
// against ContentDirectory (as lw.cfg gives it, in the nodes' terms), then put through the path
// map (nodeToLocal). A path that still names a Windows drive or share has no folder here:
// false, with "No path mapping for X:\" (its letter) or "No path mapping for \\server\share"
// (its first two levels) in failure.
bool localScenePath(const FarmSettings& settings, std::string_view scenePath, std::string& local,
                    std::string& failure);
// Whether the folder of a save path is there: Ready when it exists (a probe file of the farm's
// own is tried first; a folder this machine cannot write passes) or its missing levels were
// made. Missing levels are made only below ContentDirectory or an output root ([Output_Roots]),
// so a scene cannot make the farm create folders anywhere else: OutsideRoots. Unusable when a
// level cannot be made, is a file, or is a link below the root.
enum class SaveFolder { Ready, OutsideRoots, Unusable };
SaveFolder checkSavePath(Farm& farm, std::string_view templ);
// The failure text of a scene whose save folder is missing outside those roots.
constexpr const char* kOutsideRootsText =
    "Save folder missing and outside ContentDirectory and Output_Roots";
