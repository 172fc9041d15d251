#include "engine/ack_look.h"

#include <array>
#include <cctype>
#include <vector>

#include "engine/channel.h"
#include "farm/command_words.h"
#include "farm/farm.h"
#include "platform/path.h"

namespace {

constexpr std::string_view kAckPrefix = "ack";

bool lowerEquals(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// Of two entries naming the same node, the one named exactly as the farm names it wins, then
// the first in name order, so every look takes the same one.
bool better(const DirEntry& entry, const DirEntry* held, int node) {
    if (!held) {
        return true;
    }
    std::string exact = words::ackFileName(node);
    if (held->name == exact) {
        return false;
    }
    return entry.name == exact || entry.name < held->name;
}

// The reading of the file at name in the command folder, not through a link.
AckReading readAt(Farm& farm, const std::string& name) {
    AckReading reading;
    std::string path = joinPath(farm.settings.Screamer_Command_Dir, name);
    reading.present = farm.fs.readFile(path, reading.head, words::kLongestWord, Links::Refuse);
    if (!reading.present) {
        reading.head.clear();
    }
    return reading;
}

// Brings one node's memory up to date with what the listing found at its name (nullptr:
// nothing); true when its reading changed.
bool refresh(Farm& farm, AckSeen& seen, const DirEntry* entry, int64_t listedAt) {
    if (!entry) {
        bool wasPresent = seen.reading.present;
        seen = AckSeen{};
        seen.known = true;
        return wasPresent;
    }
    AckSignature signature{entry->size, entry->modifiedNs, entry->inode};
    bool rewritten = !seen.known || seen.name != entry->name || seen.signature != signature;
    if (!rewritten && !seen.racy) {
        return false;
    }
    AckReading reading = readAt(farm, entry->name);
    bool differs = reading.present != seen.reading.present || reading.head != seen.reading.head;
    seen.reading = reading;
    seen.name = entry->name;
    seen.signature = signature;
    seen.known = reading.present;  // a file that could not be read is read again next time
    seen.racy = entry->modifiedNs > listedAt - kRacyMarginNs;
    return differs || (rewritten && reading.present);
}

}  // namespace

int ackNodeOf(std::string_view name) {
    if (name.size() <= kAckPrefix.size() || name.size() > kAckPrefix.size() + 2 ||
        !std::equal(kAckPrefix.begin(), kAckPrefix.end(), name.begin(), lowerEquals)) {
        return 0;
    }
    std::string_view digits = name.substr(kAckPrefix.size());
    if (digits[0] == '0') {
        return 0;
    }
    int node = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        node = node * 10 + (c - '0');
    }
    return node <= kMaxNodes ? node : 0;
}

NodeSet lookAtAcks(Farm& farm) {
    AckMemory& memory = farm.acks;
    const std::string& dir = farm.settings.Screamer_Command_Dir;
    if (memory.folder != dir) {
        memory.forgetAll();
        memory.folder = dir;
    }
    int64_t listedAt = farm.clock.wallNs();
    std::vector<DirEntry> entries;
    // A folder that cannot be listed holds no answer, as a read of each file would find.
    farm.fs.listDirectory(dir, entries, EntryTimes::Own);
    std::array<const DirEntry*, kMaxNodes + 1> found{};
    int count = nodeCount(farm);
    for (const DirEntry& entry : entries) {
        int node = entry.isRegular ? ackNodeOf(entry.name) : 0;
        if (node >= 1 && node <= count && better(entry, found[node], node)) {
            found[node] = &entry;
        }
    }
    NodeSet changed;
    for (int node = 1; node <= count; ++node) {
        if (refresh(farm, memory.nodes[node], found[node], listedAt)) {
            changed.set(node);
        }
    }
    return changed;
}
