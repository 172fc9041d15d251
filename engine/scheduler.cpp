#include "engine/scheduler.h"

#include <limits>

#include "engine/channel.h"
#include "engine/command_words.h"
#include "engine/farm.h"
#include "engine/frame_queue.h"
#include "engine/supervisor.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "settings/farm_log.h"
#include "settings/farm_notify.h"
#include "settings/path_map.h"

namespace {

// A refill scans until one scene has this many frames to do.
constexpr int kRefillLimit = 15;
// A scene is dropped at its 32nd problem frame.
constexpr int kProblemFramesTolerated = 31;

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

}  // namespace

bool pickFrame(Farm& farm, int32_t currentSceneId, int& frame, int32_t& sceneId) {
    FarmState& s = farm.state;
    if (s.waitingForGo) {
        return false;
    }
    if (s.frameQueueCount <= 0) {
        if (scanScenes(farm, kRefillLimit) == 0 || !buildFrameQueue(farm)) {
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

std::string sceneLoadPath(const Farm& farm, std::string_view fileName) {
    return localToNode(farm.settings, joinPath(farm.settings.Scene_Queue_Dir, fileName));
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

void handleProblemFrame(Farm& farm, int e, int f) {
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return;
    }
    setFrameCode(s.scenes[e], f, kFrameMissing);
    s.queueListDirty = -1;
    logLine(farm, "********* Problem Frame***********");
    std::string fileName(textOf(s.scenes[e].fileName));
    notifyEvent(farm, FarmEvent::ProblemFrame, fileName);
    // Only a node of this run can be blamed: a scene whose finished frames came from the
    // queue file has no reporting node yet.
    int lastNode = s.scenes[e].lastNode;
    if (lastNode >= 1 && lastNode <= nodeCount(farm)) {
        makeNodeOffline(farm, lastNode);
        notifyEvent(farm, FarmEvent::NodeOffline, std::string(textOf(s.nodes[lastNode].name)));
    }
    if (s.scenes[e].problemCount < std::numeric_limits<int32_t>::max()) {
        s.scenes[e].problemCount += 1;
    }
    if (s.scenes[e].problemCount > kProblemFramesTolerated) {
        bool wasLive = s.scenes[e].position > 0;
        s.queueListDirty = 1;
        failScene(s, "Unsuccessful", e);
        logLine(farm, "********* Problem Scene Removed***********");
        s.scenes[e].position = 0;
        if (wasLive) {
            notifyEvent(farm, FarmEvent::SceneFailed, fileName);
            notifyIfQueueDone(farm, fileName);
        }
    }
}
