#include "engine/frame_queue.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/image_lookup.h"
#include "engine/problem_frame.h"
#include "engine/render_again_frames.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "queue/scene_reader.h"
#include "settings/farm_log.h"
#include "settings/farm_notify.h"

namespace {

// The extension that follows the frame digits in an image name template, such as ".TGA".
constexpr int kExtensionLength = 4;

// True when the scan has frames to look at: a range inside the frame map, first to last.
bool scannable(const SceneEntry& e) {
    return sceneRangeValid(e) && e.firstFrame <= e.lastFrame;
}

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

int firstNotOut(const FarmState& s) {
    return firstEntry(s, [](int32_t position) { return position != 0; });
}

// Looks frame f of entry e up on disk: 'P' when its image is there and whole, otherwise 'M'.
// An image found incomplete is logged the first time it is seen so.
char lookUpFrame(Farm& farm, ImageLookup& images, int e, int f) {
    const SceneEntry& scene = farm.state.scenes[e];
    std::string path = imageName(scene, f);
    ImageLook look = images.look(path);
    if (look.newlyIncomplete) {
        logLine(farm, "Image incomplete, frame to be rendered again:",
                frameOfScene(f, textOf(scene.fileName)) + " (" + path + ")");
    }
    return look.state == ImageState::Whole ? kFramePresent : kFrameMissing;
}

// Before a scene counts as complete, the frames it held present from earlier scans are looked
// at again (the queue file's codes, and images since cut or removed, are not taken on trust);
// through the farm's memory of checked images this reads no image that has not changed. Gives
// how many of them are no longer there whole, each now 'M'.
int recheckPresent(Farm& farm, ImageLookup& images, int e, const std::vector<int>& frames) {
    int lost = 0;
    for (int f : frames) {
        if (lookUpFrame(farm, images, e, f) != kFramePresent) {
            setFrameCode(farm.state.scenes[e], f, kFrameMissing);
            farm.state.queueListDirty = true;
            lost += 1;
        }
    }
    return lost;
}

// Frames of the scene to be handed out: those the last scan found missing.
int missingFrames(const SceneEntry& e) {
    int missing = 0;
    if (scannable(e)) {
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

std::string imageName(const SceneEntry& e, int f) {
    std::string name(textOf(e.outputPath));
    std::string digits = std::to_string(f);
    // Digits that would fall before the start of a too-short template are dropped.
    long end = static_cast<long>(name.size()) - kExtensionLength;
    long start = end - static_cast<long>(digits.size());
    for (long i = std::max(start, 0L); i < end; ++i) {
        name[i] = digits[i - start];
    }
    return name;
}

bool scanImages(Farm& farm, int e, int& remaining) {
    remaining = 0;
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return false;
    }
    SceneEntry& scene = s.scenes[e];
    // The image folder is made again when missing; a failed scene's text is no save path.
    if (textOf(scene.outputPath).starts_with('/')) {
        checkSavePath(farm, textOf(scene.outputPath));
    }
    bool complete = false;
    if (scannable(scene)) {
        ImageLookup images(farm.fs, farm.imageChecks);
        int present = 0;
        std::vector<int> presentBefore;
        int total = (scene.lastFrame - scene.firstFrame) / scene.frameStep + 1;
        for (int f = scene.firstFrame; f <= scene.lastFrame; f += scene.frameStep) {
            switch (frameCode(scene, f)) {
                case kFramePresent:
                    present += 1;
                    presentBefore.push_back(f);
                    break;
                case kFrameInHand:
                    remaining += 1;
                    break;
                case kFrameFinished:
                    if (lookUpFrame(farm, images, e, f) == kFramePresent) {
                        setFrameCode(scene, f, kFramePresent);
                        present += 1;
                        s.queueListDirty = true;
                        renderedAgain(farm, scene.sceneId, f);
                    } else {
                        remaining += 1;
                        handleProblemFrame(farm, e, f);
                    }
                    break;
                default: {
                    // A frame to render again is to do whatever image it has.
                    char code = toRenderAgain(farm, scene.sceneId, f)
                                    ? kFrameMissing
                                    : lookUpFrame(farm, images, e, f);
                    setFrameCode(scene, f, code);
                    if (code == kFramePresent) {
                        present += 1;
                    } else {
                        remaining += 1;
                    }
                    s.queueListDirty = true;
                    break;
                }
            }
        }
        if (present == total) {
            int lost = recheckPresent(farm, images, e, presentBefore);
            present -= lost;
            remaining += lost;
        }
        complete = present == total;
    }
    if (s.queueListDirty) {
        reorderQueue(s);
    }
    return complete;
}

int scanScenes(Farm& farm, int limit) {
    FarmState& s = farm.state;
    farm.host.showStatus("Scanning for images");
    int k = firstNotOut(s);
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
        if (scannable(scene) && frameCode(scene, scene.firstFrame) == kFrameNotScanned) {
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

bool buildFrameQueue(Farm& farm) {
    FarmState& s = farm.state;
    s.frameQueueCount = 0;
    farm.host.showStatus("Building frame queue");
    int k = firstNotOut(s);
    if (k == 0) {
        return false;
    }
    for (; k <= s.sceneCount && s.frameQueueCount < kFrameQueueSize; ++k) {
        const SceneEntry& scene = s.scenes[k];
        if (!scannable(scene)) {
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
