// The ScreamerNet command channel: each node N has a job file "jobN" that the farm writes (one
// command text, no line end) and an acknowledgement file "ackN" that the node writes, both in
// the command folder. The farm reads an acknowledgement once per test and compares only its
// first bytes with the awaited word, so trailing text is ignored.
#pragma once

#include <string>
#include <string_view>

#include "farm/ack_memory.h"

struct Farm;

// Nodes 1..nodeCount(farm) are in use: No_Of_Nodes, kept within the node table.
int nodeCount(const Farm& farm);
// True for a node number in 1..nodeCount(farm).
bool nodeInUse(const Farm& farm, int node);

std::string jobFilePath(const Farm& farm, int node);
std::string ackFilePath(const Farm& farm, int node);

// Replaces node's job file with text and records the tick; a file that cannot be written loses
// the command silently.
void sendCommand(Farm& farm, int node, std::string_view text);
// Deletes the node's acknowledgement file, then sends text: for an "init" whose node is idle
// or gone, so that the answer it stood on is not read again (see docs/NODE_STATES.md). A
// deleted file is gone from the remembered readings too.
void sendAnswered(Farm& farm, int node, std::string_view text);

// One read of a node's acknowledgement file (at its own name, not through a link).
AckReading readAck(Farm& farm, int node);
// readAck(farm, node).says(word).
bool ackSays(Farm& farm, int node, std::string_view word);

// Deletes every file (or link) whose name begins "ack", then "job", in any case as Windows
// matches names, then sends "init" to every node and sets it Offline; the remembered readings are
// forgotten. It works only in the command folder the first reset found (its path with links
// resolved, entered without following any): when the folder's path leads elsewhere now, nothing
// is deleted or written (logged). Writes no operator's trail line (operator_commands.h).
void resetChannelNoTrail(Farm& farm);
// Deletes the node's acknowledgement file (under the name the last look found it by, too);
// true when none is left.
bool deleteAck(Farm& farm, int node);
