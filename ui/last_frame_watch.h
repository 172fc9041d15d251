// Which frame the Last Frame pane shows for a scene: the frame a node was last seen finishing
// in this run, noticed when a node that held a frame of the scene moves on and the frame's code
// says it is done; for a scene no node has finished a frame of since the start, the highest
// frame whose image is present. And which scene the pane shows when none is selected. Plain
// bookkeeping on the farm records, without widgets.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "farm/farm_state.h"

class LastFrameWatch {
  public:
    // Looks at nodes 1..nodes and notes the frames finished since the last look.
    void update(const FarmState& s, int nodes);
    // The newest finished frame of entry k, or -1 when it has none.
    int newestFrame(const FarmState& s, int k) const;
    // The entry the pane shows when no scene is selected: that of the lowest-numbered node
    // holding a frame; 0 when none does.
    static int renderingEntry(const FarmState& s, int nodes);
    // The entry the pane shows: the selected one (0: none is selected), else the rendering one;
    // with no node at work the scene rendered last stays in view (0 when it is gone).
    int entryToShow(const FarmState& s, int nodes, int selected);

  private:
    struct Held {
        int32_t sceneId = 0;
        int32_t frame = -1;
    };
    Held held_[kNodeSlots];
    std::unordered_map<int32_t, int32_t> finished_;  // sceneId -> frame
    int32_t lastRendered_ = -1;  // sceneId of the scene a node held a frame of last
};
