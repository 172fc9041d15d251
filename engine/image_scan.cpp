#include "engine/image_scan.h"

#include <algorithm>
#include <vector>

#include "engine/image_lookup.h"
#include "engine/problem_frame.h"
#include "engine/render_again_frames.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/save_path.h"
#include "report/farm_log.h"

namespace {

// The extension that follows the frame digits in an image name template, such as ".TGA".
constexpr int kExtensionLength = 4;

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

}  // namespace

bool sceneScannable(const SceneEntry& e) {
    return sceneRangeValid(e) && e.firstFrame <= e.lastFrame;
}

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
    if (sceneScannable(scene)) {
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
