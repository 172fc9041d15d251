#include "engine/frame_queue.h"

#include "engine/image_scan.h"
#include "farm/farm.h"

bool buildFrameQueue(Farm& farm) {
    FarmState& s = farm.state;
    s.frameQueueCount = 0;
    farm.host.showStatus("Building frame queue");
    int k = firstEntryInRunning(s);
    if (k == 0) {
        return false;
    }
    for (; k <= s.sceneCount && s.frameQueueCount < kFrameQueueSize; ++k) {
        const SceneEntry& scene = s.scenes[k];
        if (!sceneScannable(scene)) {
            continue;
        }
        for (int f = scene.firstFrame; f <= scene.lastFrame && s.frameQueueCount < kFrameQueueSize;
             f += scene.frameStep) {
            if (frameCode(scene, f) == kFrameMissing) {
                pushFrame(s, scene.sceneId, f);
            }
        }
    }
    return true;
}

void pushFrame(FarmState& s, int32_t sceneId, int frame) {
    if (s.frameQueueCount >= kFrameQueueSize) {
        return;
    }
    for (int i = s.frameQueueCount; i >= 1; --i) {
        s.frameQueue[i + 1] = s.frameQueue[i];
    }
    s.frameQueue[1] = FrameQueueEntry{frame, sceneId};
    s.frameQueueCount += 1;
}

void returnFrame(FarmState& s, int32_t sceneId, int frame) {
    if (s.frameQueueCount < 0 || s.frameQueueCount >= kFrameQueueSize) {
        return;
    }
    s.frameQueueCount += 1;
    s.frameQueue[s.frameQueueCount] = FrameQueueEntry{frame, sceneId};
}
