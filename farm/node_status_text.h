// The name of each node state as the farm list shows it ("Wait Render", "Load..."), shared by
// the window and the web monitor.
#pragma once

#include <cstdint>
#include <string>

// The Farm Status list's Status column for a NodeState value; empty outside the states.
std::string nodeStatusText(int32_t state);
