// The soak's farm: six nodes (the last two answer a few frames of the first scene without an
// image, once each) and five scenes with steps 1, 1, 2, 3 and 5, the second with every other
// image already on disk before the soak starts.
#pragma once

#include <string>
#include <vector>

#include "tests/support/scenario_support.h"

constexpr int kSoakNodes = 6;

struct SoakScene {
    const char* name;
    int first;
    int last;
    int step;
    const char* prefix;  // under content/Renders
};

const std::vector<SoakScene>& soakScenes();
bool isSoakScene(const std::string& name);

// Writes the scene files into the queue folder and the images that exist beforehand.
void queueSoakScenes(ScenarioFarm& f);
void startSoakNodes(ScenarioFarm& f);
// True when every frame of the scene has its image; names the first missing one otherwise.
bool allImagesThere(const ScenarioFarm& f, const SoakScene& scene);
// True when the images that existed beforehand still hold what they held.
bool oldImagesKept(const ScenarioFarm& f);
