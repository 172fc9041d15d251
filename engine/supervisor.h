// The node supervisor: walks every node through its ScreamerNet conversation. A poll looks at
// the command folder once (engine/ack_look.h) and makes five passes over nodes 1..No_Of_Nodes;
// in each, a node whose acknowledgement holds the word its state awaits is sent the next command
// and moved on (docs/NODE_STATES.md has the table).
#pragma once

#include <cstdint>
#include <string>

#include "engine/ack_look.h"
#include "farm/ack_memory.h"

struct Farm;

// One poll; true when any node moved forward in its load/render work.
bool pollNodes(Farm& farm);
// The five passes of a poll over the nodes in `nodes` alone, each node tested against the
// reading the last look remembered; a node that another's step moves joins them. showStatus
// says "Checking nodes" at each pass. True when any node moved forward.
bool stepNodes(Farm& farm, NodeSet nodes, bool showStatus);
// One node's turn in a pass on the reading ack: its state's row of the table. True when the
// node moved forward in its load/render work.
bool stepNodeOn(Farm& farm, int node, const AckReading& ack);
// stepNodeOn with a reading of the node's acknowledgement file made now.
bool stepNode(Farm& farm, int node);
// "%ih%im%is" of a duration in milliseconds, no padding: 3725000 gives 1h2m5s.
std::string frameTimeText(uint32_t elapsedMs);
