#include "farm/farm_state.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/fixed_text.h"

namespace {

constexpr uint64_t kEachByte = 0x0101010101010101ull;

// The bytes of a word equal to c, each marked by its top bit. Exact: no carry crosses a byte.
uint64_t bytesEqual(uint64_t word, char c) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    uint64_t x = word ^ (kEachByte * static_cast<unsigned char>(c));
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// How many bytes bytesEqual marked: their top bits moved down and summed into the top byte (a
// multiply, where a bit count without the processor's instruction is a library call).
int markedBytes(uint64_t marks) {
    return static_cast<int>(((marks >> 7) * kEachByte) >> 56);
}

// The done codes among n consecutive ones, eight at a time: the window counts every frame of
// every scene at each redraw, up to 299 scenes of 3000 frames.
int countDone(const char* codes, int n) {
    int done = 0;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, codes + i, sizeof word);
        done += markedBytes(bytesEqual(word, kFramePresent) | bytesEqual(word, kFrameFinished));
    }
    for (; i < n; ++i) {
        done += frameDone(codes[i]) ? 1 : 0;
    }
    return done;
}

}  // namespace

bool sceneRangeValid(const SceneEntry& e) {
    return frameInMap(e.firstFrame) && frameInMap(e.lastFrame) && e.frameStep >= 1;
}

void setFrameCode(SceneEntry& e, int64_t frame, char code) {
    if (frameInMap(frame)) {
        e.frameMap[frame] = code;
    }
}

FrameCounts countFrames(const SceneEntry& e) {
    FrameCounts c;
    if (!sceneRangeValid(e) || e.lastFrame < e.firstFrame) {
        return c;
    }
    if (e.frameStep == 1) {
        c.done = countDone(e.frameMap + e.firstFrame, e.lastFrame - e.firstFrame + 1);
    } else {
        for (int f = e.firstFrame; f <= e.lastFrame; f += e.frameStep) {
            c.done += frameDone(e.frameMap[f]) ? 1 : 0;
        }
    }
    c.toDo = (e.lastFrame - e.firstFrame) / e.frameStep + 1 - c.done;
    return c;
}

int findScene(const FarmState& s, int32_t sceneId) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].sceneId == sceneId) {
            return k;
        }
    }
    return 0;
}

int firstEntryInRunning(const FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position != 0) {
            return k;
        }
    }
    return 0;
}

std::string sceneFileName(const FarmState& s, int32_t sceneId) {
    int k = findScene(s, sceneId);
    return k == 0 ? std::string("No Scene") : std::string(textOf(s.scenes[k].fileName));
}

std::string frameOfScene(int f, std::string_view fileName) {
    return "frame " + std::to_string(f) + " of " + std::string(fileName);
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
    // Only a frame still in hand goes back: one the node already reported finished, or one
    // found present, keeps its code, or a completed scene would show frames not scanned again.
    int k = findScene(s, n.sceneId);
    if (k != 0 && frameCode(s.scenes[k], n.frame) == kFrameInHand) {
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
