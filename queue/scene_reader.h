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
// True when the folder of the template is a folder, after creating missing levels: a probe file
// of the farm's own is tried first, then the levels are made; a folder that exists but cannot
// be written by this machine passes, a level that is a file does not.
bool checkSavePath(Farm& farm, std::string_view templ);
