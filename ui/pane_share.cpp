#include "ui/pane_share.h"

#include <algorithm>

namespace {
// The Last Frame group's share of the width beside the Farm Status group, in fifths.
constexpr int kFrameFifths = 2;
}  // namespace

QList<int> shareTopRow(int room, int farmNeed, int farmLeast, int logLeast, int frameLeast) {
    int farmMost = std::max(farmLeast, room - logLeast - frameLeast);
    int farm = std::clamp(farmNeed, farmLeast, farmMost);
    int rest = std::max(0, room - farm);
    int frame = std::max(frameLeast, rest * kFrameFifths / 5);
    int log = std::max(logLeast, rest - frame);
    return {farm, log, frame};
}

QList<int> shareHalves(int room, int topNeed, int topLeast, int queueLeast) {
    int topMost = std::max(topLeast, room - queueLeast);
    int top = std::clamp(topNeed, topLeast, topMost);
    return {top, std::max(queueLeast, room - top)};
}
