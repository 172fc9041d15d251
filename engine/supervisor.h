// The node supervisor: walks every node through its ScreamerNet conversation. A poll makes five
// passes over nodes 1..No_Of_Nodes; in each, a node whose acknowledgement holds the word its
// state awaits is sent the next command and moved on (docs/NODE_STATES.md has the table).
#pragma once

#include <cstdint>
#include <string>

struct Farm;

// One poll; true when any node moved forward in its load/render work.
bool pollNodes(Farm& farm);
// One node's turn in a pass: one reading of its acknowledgement file, then its state's row of
// the table. True when the node moved forward in its load/render work.
bool stepNode(Farm& farm, int node);
// "%ih%im%is" of a duration in milliseconds, no padding: 3725000 gives 1h2m5s.
std::string frameTimeText(uint32_t elapsedMs);
