// What the farm last saw of each node's acknowledgement file: the first bytes it read (the
// reading every test of the node's state is made against) and the signature the command folder's
// listing gave the file then, so that a look at the folder reads again only the files whose
// signature changed. Held by the Farm; engine/ack_look.h keeps it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "farm/farm_state.h"

// One reading of a node's acknowledgement file: its first bytes, enough for every word.
struct AckReading {
    bool present = false;  // the file exists and could be read
    std::string head;
    // True when the file was read and begins with word (the empty word: the file exists).
    bool says(std::string_view word) const { return present && head.starts_with(word); }
};

// Size, last write (ns) and inode as one listing gave them: a file rewritten or made anew has
// another signature, unless the rewrite kept its size within one tick of the file system's
// clock (see racy below).
struct AckSignature {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t inode = 0;
    bool operator==(const AckSignature&) const = default;
};

struct AckSeen {
    AckReading reading;
    // The file's name in the folder (nodes on Windows may write ACK1 for ack1); empty while the
    // node has none.
    std::string name;
    AckSignature signature;
    // False when the next look must read the file whatever its signature: never looked at, or
    // its reading no longer matches the file (deleted by the farm, unreadable at the last look).
    bool known = false;
    // Its last write was too close to the listing to tell a later rewrite of the same size by
    // its time: it is read again at every look until the write lies safely in the past.
    bool racy = false;
};

struct AckMemory {
    std::string folder;  // the command folder the readings come from
    std::array<AckSeen, kMaxNodes + 1> nodes{};

    // The node's file is gone (the farm deleted it): no reading, and the next look reads
    // whatever stands at its name then.
    void forget(int node) { nodes[static_cast<size_t>(node)] = AckSeen{}; }
    void forgetAll() { nodes.fill(AckSeen{}); }
};
