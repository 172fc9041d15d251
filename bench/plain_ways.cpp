#include "plain_ways.h"

#include <cstring>

#include "engine/channel.h"
#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "engine/operator_commands.h"
#include "engine/problem_frame.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "queue/save_path.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

// The frames Re-Scan Queue's scan asks for before it stops, as the farm's.
constexpr int kRescanLimit = 100;

bool scannable(const SceneEntry& e) {
    return sceneRangeValid(e) && e.firstFrame <= e.lastFrame;
}

char lookUpFrame(Farm& farm, const SceneEntry& e, int f) {
    return farm.fs.exists(imageName(e, f)) ? kFramePresent : kFrameMissing;
}

int firstNotOut(const FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position != 0) {
            return k;
        }
    }
    return 0;
}

int missingFrames(const SceneEntry& e) {
    if (!scannable(e)) {
        return 0;
    }
    int missing = 0;
    for (int f = e.firstFrame; f <= e.lastFrame; f += e.frameStep) {
        missing += frameCode(e, f) == kFrameMissing ? 1 : 0;
    }
    return missing;
}

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

bool plainScanImages(Farm& farm, int e, int& remaining) {
    remaining = 0;
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return false;
    }
    SceneEntry& scene = s.scenes[e];
    if (textOf(scene.outputPath).starts_with('/')) {
        checkSavePath(farm, textOf(scene.outputPath));
    }
    // A scene with no frame to look at is never complete: its total is none that can be present.
    int present = 0;
    int total = scannable(scene) ? (scene.lastFrame - scene.firstFrame) / scene.frameStep + 1 : -1;
    for (int f = scene.firstFrame; total > 0 && f <= scene.lastFrame; f += scene.frameStep) {
        char code = frameCode(scene, f);
        if (code == kFramePresent || code == kFrameInHand) {
            present += code == kFramePresent ? 1 : 0;
            remaining += code == kFrameInHand ? 1 : 0;
            continue;
        }
        char found = lookUpFrame(farm, scene, f);
        if (code == kFrameFinished && found == kFrameMissing) {
            remaining += 1;
            handleProblemFrame(farm, e, f);
            continue;
        }
        setFrameCode(scene, f, found);
        present += found == kFramePresent ? 1 : 0;
        remaining += found == kFramePresent ? 0 : 1;
        s.queueListDirty = true;
    }
    if (s.queueListDirty) {
        reorderQueue(s);
    }
    return present == total;
}

int plainScanScenes(Farm& farm, int limit) {
    FarmState& s = farm.state;
    farm.host.showStatus("Scanning for images");
    int k = firstNotOut(s);
    if (k == 0) {
        return 0;
    }
    int remaining = 0;
    int toHandOut = 0;
    bool anyCompleted = false;
    for (; toHandOut < limit && k <= s.sceneCount; ++k) {
        int32_t id = s.scenes[k].sceneId;
        bool complete = plainScanImages(farm, k, remaining);
        int now = findScene(s, id);
        if (!complete) {
            toHandOut = missingFrames(s.scenes[now]);
            continue;
        }
        toHandOut = 0;
        s.scenes[now].position = 0;
        logLine(farm, "********* Scene Completed !***********", textOf(s.scenes[now].fileName));
        notifySceneCompleted(farm, now);
        anyCompleted = true;
    }
    if (anyCompleted) {
        reorderQueue(s);
    }
    saveQueueFileIfChanged(farm);
    return remaining;
}

void plainRescanQueue(Farm& farm) {
    logOperator(farm, "Re-Scan Queue");
    FarmState& s = farm.state;
    s.queueListDirty = true;
    if (clearAllFrameMaps(s)) {
        reorderQueue(s);
    }
    plainScanScenes(farm, kRescanLimit);
    markRenderingFramesInHand(farm);
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
}
