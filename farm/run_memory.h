// What the farm remembers for this run only, beside its tables (the queue file keeps its
// format, so none of this is saved): the images it has checked for being whole, and which node
// reported each frame finished.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One image looked at: its length and last-write time then, and whether it was whole. An image
// found again with the same length and time is not read again.
struct ImageCheck {
    uint64_t size = 0;
    uint64_t fileTime = 0;
    bool whole = false;
};

// Images checked, by full path. Forgotten whole when it grows past kMaxImageChecks (images are
// then read once more), so a farm that runs for months does not grow without bound.
struct ImageChecks {
    static constexpr size_t kMaxImageChecks = 200000;
    std::unordered_map<std::string, ImageCheck> byPath;
};

// The node that reported each frame finished, by sceneId and frame number; 0 where unknown.
class FrameFinishers {
  public:
    void set(int32_t sceneId, int frame, int node);
    // The node that reported the frame finished, or 0; forgotten once asked, as the frame is
    // then rendered again.
    int take(int32_t sceneId, int frame);
    // Forgets a scene that left the queue.
    void forget(int32_t sceneId) { bySceneId_.erase(sceneId); }

  private:
    std::unordered_map<int32_t, std::vector<uint8_t>> bySceneId_;
};
