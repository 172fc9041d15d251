#include "queue/image_clash.h"

#include <algorithm>
#include <cstdint>

#include "farm/farm_state.h"
#include "platform/fixed_text.h"

namespace {

// True when a frame number lies in both scenes' ranges, each taken by its own step.
bool framesMeet(const SceneEntry& a, const SceneEntry& b) {
    if (!sceneRangeValid(a) || !sceneRangeValid(b)) {
        return false;
    }
    int last = std::min(a.lastFrame, b.lastFrame);
    for (int64_t f = a.firstFrame; f <= last; f += a.frameStep) {
        if (f >= b.firstFrame && (f - b.firstFrame) % b.frameStep == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string imageClash(const FarmState& s, int k, const std::string& templ) {
    const SceneEntry& e = s.scenes[k];
    for (int j = 1; j <= s.sceneCount; ++j) {
        const SceneEntry& other = s.scenes[j];
        if (j != k && other.position > 0 && !sceneFailed(other) &&
            textOf(other.outputPath) == templ && framesMeet(e, other)) {
            return "Same image names as " + std::string(textOf(other.fileName)) +
                   ", which is still queued";
        }
    }
    return {};
}
