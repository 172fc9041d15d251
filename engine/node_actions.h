// The two ways a node is taken out of work, by the operator or by the farm when it blames the
// node for a problem frame: retire it, or make it offline until it writes a new acknowledgement.
// Neither writes the operator's trail line: the operator's commands (operator_commands.h) do.
#pragma once

struct Farm;

// Takes the node out of work: Retired, frame handed back, "wait", frame queue emptied.
void retireNodeNoTrail(Farm& farm, int node);
// Forgets the node until it writes a new acknowledgement file.
void makeNodeOfflineNoTrail(Farm& farm, int node);
