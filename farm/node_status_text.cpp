#include "farm/node_status_text.h"

#include "farm/farm_state.h"

namespace {

constexpr const char* kNodeStatus[kNodeStateCount] = {"Offline",     "Ready",   "Loading",
                                                      "Load First",  "Loaded",  "Rendering",
                                                      "Wait Render", "Load...", "Retired"};

}  // namespace

std::string nodeStatusText(int32_t state) {
    return state >= 0 && state < kNodeStateCount ? kNodeStatus[state] : "";
}
