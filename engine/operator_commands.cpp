#include "engine/operator_commands.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/frame_queue.h"
#include "engine/node_actions.h"
#include "engine/render_again.h"
#include "engine/render_again_frames.h"
#include "engine/scene_scans.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "queue/queue_order.h"
#include "report/farm_log.h"

namespace {

// Re-Scan Queue scans until one scene has this many frames to do.
constexpr int kRescanLimit = 100;
// Longest destination path Add Scene copies to, as the queue's file name records allow.
constexpr size_t kMaxScenePath = 255;

bool entryInQueue(const Farm& farm, int k) {
    return k >= 1 && k <= farm.state.sceneCount;
}

void logTrail(Farm& farm, CommandId id, std::string_view subject = {}) {
    logOperator(farm, operatorCommand(id).trail, subject);
}

void logNodeCommand(Farm& farm, CommandId id, int node) {
    logTrail(farm, id, "N" + std::to_string(node));
}

void logSceneCommand(Farm& farm, CommandId id, int k) {
    logTrail(farm, id, textOf(farm.state.scenes[k].fileName));
}

// True when a live entry other than k stands at position p.
bool liveSceneAt(const FarmState& s, int k, int p) {
    for (int i = 1; i <= s.sceneCount; ++i) {
        if (i != k && p >= 1 && s.scenes[i].position == p) {
            return true;
        }
    }
    return false;
}

// A queue move of a live entry k to position `to`, where another live scene stands; entries out
// of the running stay put. A move that changes nothing (the top scene up, the last one down)
// leaves no trail line.
int moveScene(Farm& farm, CommandId command, int k, int to, int (*move)(Farm&, int, int)) {
    if (!entryInQueue(farm, k)) {
        return 0;
    }
    if (farm.state.scenes[k].position < 1) {
        return k;
    }
    if (liveSceneAt(farm.state, k, to)) {
        logSceneCommand(farm, command, k);
    }
    return move(farm, k, to);
}

// Clears every frame map and brings every entry out of the running back in; true when any came.
bool clearAllFrameMaps(FarmState& s) {
    bool broughtBack = false;
    for (int k = 1; k <= s.sceneCount; ++k) {
        std::memset(s.scenes[k].frameMap, 0, sizeof s.scenes[k].frameMap);
        if (s.scenes[k].position == 0) {
            s.scenes[k].position = 1;
            broughtBack = true;
        }
    }
    return broughtBack;
}

// The frames that rendering nodes hold stay in hand whatever the scan found.
void markRenderingFramesInHand(Farm& farm) {
    FarmState& s = farm.state;
    for (int node = 1; node <= nodeCount(farm); ++node) {
        const NodeSlot& slot = s.nodes[node];
        int entry = slot.state == Rendering ? findScene(s, slot.sceneId) : 0;
        if (entry != 0) {
            setFrameCode(s.scenes[entry], slot.frame, kFrameInHand);
            s.queueListDirty = true;
        }
    }
}

}  // namespace

void logOperator(Farm& farm, std::string_view command, std::string_view subject) {
    logLine(farm, "Operator: " + std::string(command), subject);
}

void pressGo(Farm& farm) {
    logTrail(farm, CommandId::Go);
    farm.state.waitingForGo = false;
}

void takeNodeOffline(Farm& farm, int node) {
    if (nodeInUse(farm, node)) {
        logNodeCommand(farm, CommandId::MakeOffline, node);
        makeNodeOfflineNoTrail(farm, node);
    }
}

void retireNodeByOperator(Farm& farm, int node) {
    if (nodeInUse(farm, node)) {
        logNodeCommand(farm, CommandId::Retire, node);
        retireNodeNoTrail(farm, node);
    }
}

void considerAllOffline(Farm& farm) {
    logTrail(farm, CommandId::AllOffline);
    resetChannelNoTrail(farm);
}

bool addSceneFile(Farm& farm, const std::string& from) {
    std::string name = from.substr(from.find_last_of('/') + 1);
    std::string to = joinPath(farm.settings.Scene_Queue_Dir, name);
    std::error_code error;
    if (to.size() > kMaxScenePath || std::filesystem::equivalent(from, to, error)) {
        return false;
    }
    logTrail(farm, CommandId::AddScene, name);
    return farm.fs.copyFile(from, to) == CopyResult::Ok;
}

int boostToTop(Farm& farm, int k) {
    return moveScene(farm, CommandId::Boost, k, 1, &raiseScene);
}

int moveSceneUp(Farm& farm, int k) {
    int to = entryInQueue(farm, k) ? farm.state.scenes[k].position - 1 : 0;
    return moveScene(farm, CommandId::MoveUp, k, to, &raiseScene);
}

int moveSceneDown(Farm& farm, int k) {
    int to = entryInQueue(farm, k) ? farm.state.scenes[k].position + 1 : 0;
    return moveScene(farm, CommandId::MoveDown, k, to, &lowerScene);
}

void scanSceneByOperator(Farm& farm, int k) {
    if (entryInQueue(farm, k)) {
        logSceneCommand(farm, CommandId::Scan, k);
        scanSceneNoTrail(farm, k);
    }
}

void rescanQueue(Farm& farm) {
    logTrail(farm, CommandId::Rescan);
    FarmState& s = farm.state;
    s.queueListDirty = true;
    if (clearAllFrameMaps(s)) {
        reorderQueue(s);
    }
    scanScenes(farm, kRescanLimit);
    markRenderingFramesInHand(farm);
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
}

std::string renderAgainByOperator(Farm& farm, int k, int first, int last) {
    std::string refusal = renderAgainRefusal(farm, k, first, last);
    if (!refusal.empty()) {
        return refusal;
    }
    const SceneEntry& e = farm.state.scenes[k];
    int from = std::max(first, e.firstFrame);
    int to = std::min(last, e.lastFrame);
    std::string frames = from == to ? " frame " + std::to_string(from)
                                    : " frames " + std::to_string(from) + "-" + std::to_string(to);
    logTrail(farm, CommandId::RenderAgain, std::string(textOf(e.fileName)) + frames);
    markFramesToRenderAgainNoTrail(farm, k, first, last);
    return {};
}

int markAsDone(Farm& farm, int k) {
    if (!entryInQueue(farm, k)) {
        return 0;
    }
    logSceneCommand(farm, CommandId::MarkDone, k);
    FarmState& s = farm.state;
    int32_t id = s.scenes[k].sceneId;
    forgetRenderAgain(farm, id);
    s.scenes[k].position = 0;
    reorderQueue(s);
    clearFrameQueue(s);
    saveQueueFile(farm);
    farmTick(farm);
    return findScene(s, id);
}

void removeScene(Farm& farm, int k) {
    if (!entryInQueue(farm, k)) {
        return;
    }
    logSceneCommand(farm, CommandId::Remove, k);
    if (tidyScene(farm, k)) {
        checkSceneQueue(farm);
    }
}

void tidyAwayAll(Farm& farm) {
    logTrail(farm, CommandId::TidyAwayAll);
    bool anyMoved = false;
    for (int k = 1; k <= farm.state.sceneCount; ++k) {
        if (farm.state.scenes[k].position == 0 && tidyScene(farm, k)) {
            anyMoved = true;
        }
    }
    if (anyMoved) {
        checkSceneQueue(farm);
    }
}

void removeAllAndRestart(Farm& farm) {
    logTrail(farm, CommandId::RemoveAllAndRestart);
    for (int k = 1; k <= farm.state.sceneCount; ++k) {
        tidyScene(farm, k);
    }
    checkSceneQueue(farm);
}
