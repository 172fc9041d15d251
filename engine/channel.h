// The ScreamerNet command channel: each node N has a job file "jobN" that the farm writes (one
// command text, no line end) and an acknowledgement file "ackN" that the node writes, both in
// the command folder. The farm reads an acknowledgement once per test and compares only its
// first bytes with the awaited word, so trailing text is ignored.
#pragma once

#include <string>
#include <string_view>

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
// For a command the node answers (load, render, init, quit): deletes the node's acknowledgement
// file first, so that any answer read afterwards was written for this command, and records in
// the node's ackCleared whether that worked (a file held open on a share may not go).
void sendAnswered(Farm& farm, int node, std::string_view text);

// One read of a node's acknowledgement file: its first bytes, enough for every word.
struct AckReading {
    bool present = false;  // the file exists and could be read
    std::string head;
    // True when the file was read and begins with word (the empty word: the file exists).
    bool says(std::string_view word) const;
};
AckReading readAck(Farm& farm, int node);
// readAck(farm, node).says(word).
bool ackSays(Farm& farm, int node, std::string_view word);

// Deletes every file (or link) whose name begins "ack", then "job", in any case as Windows
// matches names, then sends "init" to every node and sets it Offline. It works only in the
// command folder the first reset found (its path with links resolved, entered without following
// any): when the folder's path leads elsewhere now, nothing is deleted or written (logged).
void resetChannel(Farm& farm);
void deleteAck(Farm& farm, int node);
