#include "web/farm_status.h"

#include <nlohmann/json.hpp>

#include "engine/channel.h"
#include "engine/farm_stats.h"
#include "farm/farm.h"
#include "farm/farm_state.h"
#include "farm/node_status_text.h"
#include "platform/fixed_text.h"
#include "web/text_decoding.h"

namespace {

using nlohmann::json;

NodeStatus nodeStatus(const Farm& farm, int number, uint32_t now) {
    const FarmState& s = farm.state;
    const NodeSlot& slot = s.nodes[number];
    NodeStatus n;
    n.number = number;
    n.name = utf8FromBytes(textOf(slot.name));
    n.state = nodeStatusText(slot.state);
    n.elapsedSeconds = static_cast<uint32_t>(now - slot.commandTick) / 1000;
    int entry = nodeHoldsFrame(slot.state) ? findScene(s, slot.sceneId) : 0;
    if (entry != 0) {
        n.scene = utf8FromBytes(textOf(s.scenes[entry].fileName));
        n.frame = slot.frame;
    }
    return n;
}

std::optional<double> seconds(int64_t ms) {
    return ms == kUnknownMs ? std::nullopt : std::optional<double>(static_cast<double>(ms) / 1000);
}

// Nothing timed yet reads as unknown.
std::optional<double> averageSeconds(uint32_t ms) {
    return ms == 0 ? std::nullopt : seconds(ms);
}

SceneStatus sceneStatus(const SceneEntry& e) {
    SceneStatus out;
    out.position = e.position;
    out.file = utf8FromBytes(textOf(e.fileName));
    out.first = e.firstFrame;
    out.last = e.lastFrame;
    out.step = e.frameStep;
    out.failed = sceneFailed(e);
    std::string outputPath = utf8FromBytes(textOf(e.outputPath));
    (out.failed ? out.failure : out.savePath) = outputPath;
    return out;
}

// The frame statistics: frames done and to do, frame times, ETAs, stuck nodes.
void fillStatistics(FarmStatus& status, const Farm& farm) {
    for (int k = 1; k <= farm.state.sceneCount; ++k) {
        SceneStatus& scene = status.scenes[static_cast<size_t>(k - 1)];
        SceneFigures f = sceneFigures(farm, k);
        scene.framesDone = f.framesDone;
        scene.framesTotal = f.framesDone + f.framesToDo;
        scene.averageFrameSeconds = averageSeconds(f.averageMs);
        scene.etaSeconds = seconds(f.etaMs);
    }
    for (NodeStatus& node : status.nodes) {
        NodeFigures f = nodeFigures(farm, node.number);
        node.lastFrameSeconds = averageSeconds(f.lastMs);
        node.stuck = f.stuck;
    }
    FarmFigures f = farmFigures(farm);
    status.framesDone = f.framesDone;
    status.framesTotal = f.framesDone + f.framesToDo;
    status.nodesRendering = f.nodesRendering;
    status.etaSeconds = seconds(f.etaMs);
}

json optionalNumber(const std::optional<double>& v) {
    return v ? json(*v) : json(nullptr);
}

json nodeJson(const NodeStatus& n) {
    return {{"number", n.number},
            {"name", n.name},
            {"state", n.state},
            {"scene", n.scene ? json(*n.scene) : json(nullptr)},
            {"frame", n.frame ? json(*n.frame) : json(nullptr)},
            {"elapsedSeconds", n.elapsedSeconds},
            {"lastFrameSeconds", optionalNumber(n.lastFrameSeconds)},
            {"stuck", n.stuck}};
}

json sceneJson(const SceneStatus& e) {
    return {{"position", e.position},
            {"file", e.file},
            {"first", e.first},
            {"last", e.last},
            {"step", e.step},
            {"framesDone", e.framesDone},
            {"framesTotal", e.framesTotal},
            {"failed", e.failed},
            {"failure", e.failure ? json(*e.failure) : json(nullptr)},
            {"savePath", e.savePath ? json(*e.savePath) : json(nullptr)},
            {"averageFrameSeconds", optionalNumber(e.averageFrameSeconds)},
            {"etaSeconds", optionalNumber(e.etaSeconds)}};
}

}  // namespace

FarmStatus captureStatus(const Farm& farm, bool held) {
    const FarmState& s = farm.state;
    FarmStatus status;
    status.waitingForGo = s.waitingForGo;
    status.halted = held || s.halted;
    uint32_t now = farm.clock.tickMs();
    for (int node = 1; node <= nodeCount(farm); ++node) {
        status.nodes.push_back(nodeStatus(farm, node, now));
    }
    for (int k = 1; k <= s.sceneCount; ++k) {
        status.scenes.push_back(sceneStatus(s.scenes[k]));
    }
    fillStatistics(status, farm);
    return status;
}

std::string statusJson(const FarmStatus& status, uint64_t logVersion) {
    json nodes = json::array();
    for (const NodeStatus& n : status.nodes) {
        nodes.push_back(nodeJson(n));
    }
    json scenes = json::array();
    for (const SceneStatus& e : status.scenes) {
        scenes.push_back(sceneJson(e));
    }
    json farm = {{"waitingForGo", status.waitingForGo},
                 {"halted", status.halted},
                 {"framesDone", status.framesDone},
                 {"framesTotal", status.framesTotal},
                 {"nodesRendering", status.nodesRendering},
                 {"etaSeconds", optionalNumber(status.etaSeconds)}};
    json all = {{"farm", farm}, {"nodes", nodes}, {"scenes", scenes}, {"logVersion", logVersion}};
    return all.dump(-1, ' ', false, json::error_handler_t::replace);
}
