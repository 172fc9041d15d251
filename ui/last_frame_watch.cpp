#include "ui/last_frame_watch.h"

#include <algorithm>

void LastFrameWatch::update(const FarmState& s, int nodes) {
    for (int i = 1; i <= std::min(nodes, kMaxNodes); ++i) {
        const NodeSlot& n = s.nodes[i];
        Held now = nodeHoldsFrame(n.state) ? Held{n.sceneId, n.frame} : Held{};
        Held& before = held_[i];
        bool movedOn =
            before.frame >= 0 && (now.sceneId != before.sceneId || now.frame != before.frame);
        int k = movedOn ? findScene(s, before.sceneId) : 0;
        if (k != 0 && frameDone(frameCode(s.scenes[k], before.frame))) {
            finished_[before.sceneId] = before.frame;
        }
        before = now;
    }
}

int LastFrameWatch::newestFrame(const FarmState& s, int k) const {
    if (k < 1 || k > s.sceneCount) {
        return -1;
    }
    const SceneEntry& e = s.scenes[k];
    auto seen = finished_.find(e.sceneId);
    if (seen != finished_.end()) {
        return seen->second;
    }
    if (!sceneRangeValid(e)) {
        return -1;
    }
    for (int f = e.lastFrame; f >= e.firstFrame; --f) {
        if (frameDone(frameCode(e, f))) {
            return f;
        }
    }
    return -1;
}

int LastFrameWatch::renderingEntry(const FarmState& s, int nodes) {
    for (int i = 1; i <= std::min(nodes, kMaxNodes); ++i) {
        if (nodeHoldsFrame(s.nodes[i].state)) {
            int k = findScene(s, s.nodes[i].sceneId);
            if (k != 0) {
                return k;
            }
        }
    }
    return 0;
}

int LastFrameWatch::entryToShow(const FarmState& s, int nodes, int selected) {
    if (selected > 0) {
        return selected;
    }
    int k = renderingEntry(s, nodes);
    if (k != 0) {
        lastRendered_ = s.scenes[k].sceneId;
        return k;
    }
    return findScene(s, lastRendered_);
}
