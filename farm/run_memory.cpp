#include "farm/run_memory.h"

#include "farm/farm_state.h"

void FrameFinishers::set(int32_t sceneId, int frame, int node) {
    if (!frameInMap(frame) || node < 0 || node > kMaxNodes) {
        return;
    }
    std::vector<uint8_t>& nodes = bySceneId_[sceneId];
    nodes.resize(kFrameMapSize);
    nodes[static_cast<size_t>(frame)] = static_cast<uint8_t>(node);
}

int FrameFinishers::take(int32_t sceneId, int frame) {
    auto found = bySceneId_.find(sceneId);
    if (found == bySceneId_.end() || !frameInMap(frame)) {
        return 0;
    }
    uint8_t& node = found->second[static_cast<size_t>(frame)];
    int taken = node;
    node = 0;
    return taken;
}
