// The look at the command folder. One listing gives every acknowledgement file's name, size,
// last write (ns) and inode; a node's file is read only when that signature changed since the
// last look (a file deleted or made anew has changed), and its first bytes are remembered in
// the Farm's AckMemory for every test of the node's state until the next look. Only regular
// files count, named ackN in any case (a node on Windows may write ACK1).
//
// A rewrite that keeps the size within one tick of the file system's clock keeps the signature
// too. So a file whose last write is not safely older than the listing (kRacyMarginNs, wide
// enough for the two-second times of some shares) is read again at every look until it is; its
// reading then still belongs to the last write it could have been given.
#pragma once

#include <bitset>
#include <cstdint>
#include <string_view>

#include "farm/farm_state.h"

struct Farm;

using NodeSet = std::bitset<kMaxNodes + 1>;

constexpr int64_t kRacyMarginNs = 2'000'000'000;

// The node number a command folder entry's name gives as an acknowledgement file ("ack7",
// "ACK7"), or 0 when it names none ("ack07", "ack7.old", "job7").
int ackNodeOf(std::string_view name);

// One look: brings every node's remembered reading up to date with one listing and a read of
// each file that changed. Gives the nodes whose reading changed: a file that came or went, or
// that was rewritten (even with the same first bytes: the node answered again).
NodeSet lookAtAcks(Farm& farm);
