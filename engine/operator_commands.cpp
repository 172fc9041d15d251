#include "engine/operator_commands.h"

#include <cstring>

#include "engine/channel.h"
#include "engine/farm.h"
#include "engine/farm_cycle.h"
#include "engine/frame_queue.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"

namespace {

// Re-Scan Queue scans until one scene has this many frames to do.
constexpr int kRescanLimit = 100;

bool entryInQueue(const Farm& farm, int k) {
    return k >= 1 && k <= farm.state.sceneCount;
}

// The position of entry k when it is a live scene, else 0.
int livePosition(const Farm& farm, int k) {
    return entryInQueue(farm, k) && farm.state.scenes[k].position >= 1
               ? farm.state.scenes[k].position
               : 0;
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
            s.queueListDirty = -1;
        }
    }
}

}  // namespace

void pressGo(Farm& farm) {
    farm.state.waitingForGo = 0;
}

void rescanQueue(Farm& farm) {
    FarmState& s = farm.state;
    s.queueListDirty = -1;
    if (clearAllFrameMaps(s)) {
        reorderQueue(s);
    }
    scanScenes(farm, kRescanLimit);
    markRenderingFramesInHand(farm);
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
}

int boostToTop(Farm& farm, int k) {
    return livePosition(farm, k) != 0 ? raiseScene(farm, k, 1) : 0;
}

int moveSceneUp(Farm& farm, int k) {
    int p = livePosition(farm, k);
    return p != 0 ? raiseScene(farm, k, p - 1) : 0;
}

int moveSceneDown(Farm& farm, int k) {
    int p = livePosition(farm, k);
    return p != 0 ? lowerScene(farm, k, p + 1) : 0;
}

int markAsDone(Farm& farm, int k) {
    if (!entryInQueue(farm, k)) {
        return 0;
    }
    FarmState& s = farm.state;
    int32_t id = s.scenes[k].sceneId;
    s.scenes[k].position = 0;
    reorderQueue(s);
    clearFrameQueue(s);
    saveQueueFile(farm);
    farmTick(farm);
    return findScene(s, id);
}

void removeScene(Farm& farm, int k) {
    if (entryInQueue(farm, k) && tidyScene(farm, k)) {
        checkSceneQueue(farm);
    }
}

void tidyAwayAll(Farm& farm) {
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
    for (int k = 1; k <= farm.state.sceneCount; ++k) {
        tidyScene(farm, k);
    }
    checkSceneQueue(farm);
}
