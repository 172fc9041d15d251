#include "engine/scheduler.h"

#include "engine/channel.h"
#include "engine/frame_queue.h"
#include "engine/node_actions.h"
#include "engine/scene_scans.h"
#include "farm/command_words.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"
#include "settings/path_map.h"

namespace {

// A refill scans the live scenes in queue order until one has this many frames to hand out
// (frames in hand do not count).
constexpr int kRefillLimit = 15;

// Takes frame queue entry i out and closes the gap above it.
void takeQueueEntry(FarmState& s, int i, int& frame, int32_t& sceneId) {
    frame = s.frameQueue[i].frame;
    sceneId = s.frameQueue[i].sceneId;
    for (int j = i; j < s.frameQueueCount; ++j) {
        s.frameQueue[j] = s.frameQueue[j + 1];
    }
    s.frameQueueCount -= 1;
}

bool nodeInTable(int node) {
    return node >= 1 && node <= kMaxNodes;
}

// The scene path a load command names: the queue folder joined with the scene file's name, in
// the nodes' terms.
std::string sceneLoadPath(const Farm& farm, std::string_view fileName) {
    return localToNode(farm.settings, joinPath(farm.settings.Scene_Queue_Dir, fileName));
}

}  // namespace

bool pickFrame(Farm& farm, int32_t currentSceneId, int& frame, int32_t& sceneId) {
    FarmState& s = farm.state;
    if (s.waitingForGo) {
        return false;
    }
    // The refill scan's count is that of the scene it stopped at, or, when no scene had enough
    // frames to stop at, of the last one, which may be finished while an earlier scene still
    // has frames: the frame queue itself says what is left.
    if (s.frameQueueCount <= 0) {
        scanScenes(farm, kRefillLimit);
        if (!buildFrameQueue(farm)) {
            return false;
        }
    }
    if (currentSceneId >= 0) {
        for (int i = s.frameQueueCount; i >= 1; --i) {
            if (s.frameQueue[i].sceneId == currentSceneId) {
                takeQueueEntry(s, i, frame, sceneId);
                return true;
            }
        }
    }
    if (s.frameQueueCount <= 0) {
        return false;
    }
    takeQueueEntry(s, s.frameQueueCount, frame, sceneId);
    return true;
}

void loadScene(Farm& farm, int node, int32_t sceneId) {
    if (!nodeInTable(node)) {
        return;
    }
    std::string name = sceneFileName(farm.state, sceneId);
    sendCommand(farm, node, std::string(words::kLoadPrefix) + sceneLoadPath(farm, name));
    logLine(farm,
            "Assigned file " + name + " to " + std::string(textOf(farm.state.nodes[node].name)));
}

void startFrame(Farm& farm, int node, int frame) {
    if (!nodeInTable(node)) {
        return;
    }
    farm.state.nodes[node].frame = frame;
    sendCommand(farm, node, words::renderCommand(frame));
    logLine(farm, "Started rendering frame " + std::to_string(frame) + " on " +
                      std::string(textOf(farm.state.nodes[node].name)));
}
