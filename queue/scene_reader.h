// The scene file reader: takes from a LightWave scene (.lws) what the farm needs by searching
// the text for fixed keys (frame range, image name template, render settings shown in the
// queue list). Its save path goes through queue/save_path.h.
#pragma once

#include <string>
#include <string_view>

struct Farm;

// Fills entry k (1..sceneCount, fileName already set) from its file in the queue folder. A scene
// that fails ends with problemCount 33, position 0 and the failure text in outputPath.
void readSceneFile(Farm& farm, int k);
// True when key occurs in text; value then holds the rest of that line (at most 599 bytes).
bool findSceneKey(std::string_view text, std::string_view key, std::string& value);
