#include "engine/render_again.h"

#include <algorithm>
#include <cstdint>

#include "engine/frame_queue.h"
#include "engine/render_again_frames.h"
#include "farm/farm.h"
#include "queue/queue_file.h"

namespace {

bool entryQueued(const FarmState& s, int k) {
    return k >= 1 && k <= s.sceneCount;
}

// The first frame of the scene's range, by its step, at or after first; past the range when
// none. Worked out in 64 bits: a step or a frame asked for may be as large as an int goes.
int64_t firstFrameFrom(const SceneEntry& e, int first) {
    if (first <= e.firstFrame) {
        return e.firstFrame;
    }
    int64_t steps = (int64_t{first} - e.firstFrame + e.frameStep - 1) / e.frameStep;
    return e.firstFrame + steps * e.frameStep;
}

std::string rangeText(int first, int last) {
    return std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace

std::string renderAgainRefusal(const Farm& farm, int k, int first, int last) {
    const FarmState& s = farm.state;
    if (!entryQueued(s, k)) {
        return "no such scene in the queue";
    }
    const SceneEntry& e = s.scenes[k];
    if (sceneFailed(e)) {
        return "the scene has failed; save its file again to have it read afresh";
    }
    if (!sceneRangeValid(e) || e.firstFrame > e.lastFrame) {
        return "the scene has no frames to render";
    }
    if (first > last) {
        return "the first frame " + std::to_string(first) + " comes after the last " +
               std::to_string(last);
    }
    int64_t from = firstFrameFrom(e, std::max(first, e.firstFrame));
    if (from > std::min(last, e.lastFrame)) {
        return "no frame of the scene's range " + rangeText(e.firstFrame, e.lastFrame) +
               (e.frameStep > 1 ? " step " + std::to_string(e.frameStep) : "") + " lies in " +
               rangeText(first, last);
    }
    return {};
}

int markFramesToRenderAgainNoTrail(Farm& farm, int k, int first, int last) {
    if (!renderAgainRefusal(farm, k, first, last).empty()) {
        return 0;
    }
    FarmState& s = farm.state;
    SceneEntry& e = s.scenes[k];
    std::set<int>& frames = farm.renderAgain[e.sceneId];
    int marked = 0;
    for (int64_t f = firstFrameFrom(e, std::max(first, e.firstFrame));
         f <= std::min(last, e.lastFrame); f += e.frameStep) {
        // A frame in hand is remembered too: should its node hand it back, it is done again.
        frames.insert(static_cast<int>(f));
        if (frameCode(e, f) != kFrameInHand) {
            setFrameCode(e, f, kFrameMissing);
        }
        ++marked;
    }
    if (e.position == 0) {
        e.position = 1;
    }
    s.queueListDirty = true;
    reorderQueue(s);
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
    saveRenderAgain(farm);
    return marked;
}
