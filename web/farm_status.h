// The farm as the web monitor shows it: a plain copy of what the status needs, taken on the
// farm's thread at the end of a tick, and its JSON text, made on the HTTP threads. Unknown
// figures are empty optionals and become null in the JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Farm;

struct NodeStatus {
    int number = 0;
    std::string name;
    std::string state;  // as the farm list names it
    std::optional<std::string> scene;
    std::optional<int> frame;
    int64_t elapsedSeconds = 0;  // since the node's last command
    std::optional<double> lastFrameSeconds;
    bool stuck = false;
};

struct SceneStatus {
    int position = 0;
    std::string file;
    int first = 0;
    int last = 0;
    int step = 0;
    int64_t framesDone = 0;
    int64_t framesTotal = 0;
    bool failed = false;
    std::optional<std::string> failure;
    std::optional<std::string> savePath;
    std::optional<double> averageFrameSeconds;
    std::optional<double> etaSeconds;
};

struct FarmStatus {
    bool waitingForGo = true;
    bool halted = false;
    int64_t framesDone = 0;
    int64_t framesTotal = 0;
    int nodesRendering = 0;
    std::optional<double> etaSeconds;
    std::vector<NodeStatus> nodes;
    std::vector<SceneStatus> scenes;  // in queue order
};

// Copies the farm's nodes and scenes; held: a box of the front end holds the farm.
FarmStatus captureStatus(const Farm& farm, bool held);
// {"farm": {...}, "nodes": [...], "scenes": [...], "logVersion": n}
std::string statusJson(const FarmStatus& status, uint64_t logVersion);
