#include "farm/farm_state.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/fixed_text.h"

bool sceneRangeValid(const SceneEntry& e) {
    return frameInMap(e.firstFrame) && frameInMap(e.lastFrame) && e.frameStep >= 1;
}

void setFrameCode(SceneEntry& e, int64_t frame, char code) {
    if (frameInMap(frame)) {
        e.frameMap[frame] = code;
    }
}

char frameCode(const SceneEntry& e, int64_t frame) {
    return frameInMap(frame) ? e.frameMap[frame] : kFrameNotScanned;
}

int findScene(const FarmState& s, int32_t sceneId) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].sceneId == sceneId) {
            return k;
        }
    }
    return 0;
}

std::string sceneFileName(const FarmState& s, int32_t sceneId) {
    int k = findScene(s, sceneId);
    return k == 0 ? std::string("No Scene") : std::string(textOf(s.scenes[k].fileName));
}

int32_t nextSceneId(FarmState& s) {
    int32_t id = s.nextId;
    for (int k = 1; k <= s.sceneCount; ++k) {
        id = std::max(id, s.scenes[k].sceneId + 1);
    }
    s.nextId = id + 1;
    return id;
}

bool sceneFailed(const SceneEntry& e) {
    return e.problemCount > kProblemFramesTolerated;
}

bool nodeHoldsFrame(int32_t state) {
    return state == Loading || state == WLoadFirst || state == LoadFirst || state == WtoRender ||
           state == Rendering;
}

void releaseNodeFrame(FarmState& s, int node) {
    if (node < 1 || node >= kNodeSlots) {
        return;
    }
    const NodeSlot& n = s.nodes[node];
    int k = findScene(s, n.sceneId);
    if (k != 0) {
        setFrameCode(s.scenes[k], n.frame, kFrameNotScanned);
    }
}

void clearFrameQueue(FarmState& s) {
    s.frameQueueCount = 0;
}

void failScene(FarmState& s, std::string_view text, int entry) {
    SceneEntry& e = s.scenes[entry];
    e.problemCount = kFailedProblemCount;
    copyText(e.outputPath, text);
}

void reorderQueue(FarmState& s) {
    s.queueListDirty = true;
    if (s.sceneCount > 1) {
        // A stable bubble sort: a pair is swapped only when the earlier position is greater.
        for (int pass = s.sceneCount - 1; pass >= 1; --pass) {
            bool swapped = false;
            for (int k = 1; k <= pass; ++k) {
                if (s.scenes[k].position > s.scenes[k + 1].position) {
                    std::swap(s.scenes[k], s.scenes[k + 1]);
                    swapped = true;
                }
            }
            if (!swapped) {
                break;
            }
        }
    }
    int k = 1;
    while (k <= s.sceneCount && s.scenes[k].position == 0) {
        ++k;
    }
    for (int position = 1; k <= s.sceneCount; ++k, ++position) {
        s.scenes[k].position = position;
    }
}
