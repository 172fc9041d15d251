// The scene file reader: takes from a LightWave scene (.lws) what the farm needs by searching
// the text for fixed keys (frame range, image name template, render settings shown in the
// queue list), and the two path operations the image scan shares: resolving a save path against
// the content directory and checking (creating when missing) the folder it points into.
#pragma once

#include <string>
#include <string_view>

struct Farm;
struct FarmSettings;

// Fills entry k (1..sceneCount, fileName already set) from its file in the queue folder. A scene
// that fails ends with problemCount 33, position 0 and the failure text in outputPath.
void readSceneFile(Farm& farm, int k);
// True when key occurs in text; value then holds the rest of that line (at most 599 bytes).
bool findSceneKey(std::string_view text, std::string_view key, std::string& value);
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
