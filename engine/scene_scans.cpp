#include "engine/scene_scans.h"

#include <cstring>

#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

// The first entry 1..sceneCount whose position passes the test, or 0.
template <typename Test>
int firstEntry(const FarmState& s, Test test) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (test(s.scenes[k].position)) {
            return k;
        }
    }
    return 0;
}

// Frames of the scene to be handed out: those the last scan found missing.
int missingFrames(const SceneEntry& e) {
    int missing = 0;
    if (sceneScannable(e)) {
        for (int f = e.firstFrame; f <= e.lastFrame; f += e.frameStep) {
            missing += frameCode(e, f) == kFrameMissing ? 1 : 0;
        }
    }
    return missing;
}

// Scans entry k and, when it is complete, takes it out of the running. The scan may reorder
// the queue, so the scene is found again by its id. True when it was complete.
bool scanAndTakeOut(Farm& farm, int k, int& remaining) {
    int32_t id = farm.state.scenes[k].sceneId;
    if (!scanImages(farm, k, remaining)) {
        return false;
    }
    farm.state.scenes[findScene(farm.state, id)].position = 0;
    return true;
}

}  // namespace

int scanScenes(Farm& farm, int limit) {
    FarmState& s = farm.state;
    farm.host.showStatus("Scanning for images");
    int k = firstEntryInRunning(s);
    if (k == 0) {
        return 0;
    }
    int remaining = 0;
    int toHandOut = 0;
    bool anyCompleted = false;
    // The entries after the first live one are live too: reorderQueue keeps them together. The
    // scan stops at the first scene with at least limit frames to hand out; frames in hand do
    // not count, or a scene that idle nodes cannot take from would keep the scenes behind it
    // from being scanned.
    for (; toHandOut < limit && k <= s.sceneCount; ++k) {
        int32_t id = s.scenes[k].sceneId;
        if (scanAndTakeOut(farm, k, remaining)) {
            int done = findScene(s, id);
            logLine(farm, "********* Scene Completed !***********",
                    textOf(s.scenes[done].fileName));
            notifySceneCompleted(farm, done);
            anyCompleted = true;
            toHandOut = 0;
        } else {
            toHandOut = missingFrames(s.scenes[findScene(s, id)]);
        }
    }
    if (anyCompleted) {
        reorderQueue(s);
    }
    saveQueueFileIfChanged(farm);
    return remaining;
}

int scanSceneNoTrail(Farm& farm, int k) {
    FarmState& s = farm.state;
    if (k < 1 || k > s.sceneCount) {
        return 0;
    }
    farm.host.showStatus("Scanning scene for images");
    SceneEntry& scene = s.scenes[k];
    std::memset(scene.frameMap, 0, sizeof scene.frameMap);
    bool moved = false;
    if (scene.position == 0) {
        scene.position = 1;
        moved = true;
    }
    int remaining = 0;
    moved = scanAndTakeOut(farm, k, remaining) || moved;
    if (moved) {
        reorderQueue(s);
    }
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
    return remaining;
}

void scanNextScene(Farm& farm) {
    FarmState& s = farm.state;
    int k = firstEntry(s, [](int32_t position) { return position > 0; });
    if (k == 0) {
        return;
    }
    // A scene with no frame to scan would stay "never scanned" for ever and hold up the
    // scenes behind it, so it is passed over.
    for (; k <= s.sceneCount; ++k) {
        const SceneEntry& scene = s.scenes[k];
        if (sceneScannable(scene) && frameCode(scene, scene.firstFrame) == kFrameNotScanned) {
            break;
        }
    }
    if (k > s.sceneCount) {
        return;
    }
    int remaining = 0;
    int32_t id = s.scenes[k].sceneId;
    if (scanAndTakeOut(farm, k, remaining)) {
        s.queueListDirty = true;
        notifySceneCompleted(farm, findScene(s, id));
        reorderQueue(s);
    }
}
