#include "engine/channel.h"

#include <algorithm>
#include <cctype>

#include "farm/command_words.h"
#include "farm/farm.h"
#include "platform/path.h"
#include "report/farm_log.h"

namespace {

bool nodeInTable(int node) {
    return node >= 1 && node <= kMaxNodes;
}

// Windows compares file names without regard to case, so the nodes' ACK1 is their ack1.
bool beginsWithAnyCase(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), name.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The command folder with every link resolved, as the first reset found it (recorded then, and
// again when the settings name another folder). False when the folder is not there, or when its
// path now leads elsewhere: a link swapped in for it must not be followed to delete or write.
bool openedCommandFolder(Farm& farm, std::string& real) {
    const std::string& dir = farm.settings.Screamer_Command_Dir;
    OpenedFolder& opened = farm.commandFolder;
    std::string now;
    if (!farm.fs.realFolderPath(dir, now)) {
        return false;
    }
    if (opened.path != dir || opened.real.empty()) {
        opened = {dir, now};
    }
    if (now != opened.real) {
        logLine(farm, "ScreamerNet command directory now leads elsewhere, not reset:", now);
        return false;
    }
    real = opened.real;
    return true;
}

}  // namespace

int nodeCount(const Farm& farm) {
    return std::clamp(farm.settings.No_Of_Nodes, 0, kMaxNodes);
}

bool nodeInUse(const Farm& farm, int node) {
    return node >= 1 && node <= nodeCount(farm);
}

std::string jobFilePath(const Farm& farm, int node) {
    return joinPath(farm.settings.Screamer_Command_Dir, words::jobFileName(node));
}

std::string ackFilePath(const Farm& farm, int node) {
    return joinPath(farm.settings.Screamer_Command_Dir, words::ackFileName(node));
}

void sendCommand(Farm& farm, int node, std::string_view text) {
    if (!nodeInTable(node)) {
        return;
    }
    if (farm.fs.writeFile(jobFilePath(farm, node), text)) {
        farm.state.nodes[node].commandTick = farm.clock.tickMs();
    }
}

void sendAnswered(Farm& farm, int node, std::string_view text) {
    if (!nodeInTable(node)) {
        return;
    }
    deleteAck(farm, node);
    sendCommand(farm, node, text);
}

AckReading readAck(Farm& farm, int node) {
    AckReading reading;
    // Nodes write their answers as plain files; a link or a FIFO at that name is no answer.
    reading.present =
        farm.fs.readFile(ackFilePath(farm, node), reading.head, words::kLongestWord, Links::Refuse);
    if (!reading.present) {
        reading.head.clear();
    }
    return reading;
}

bool ackSays(Farm& farm, int node, std::string_view word) {
    return readAck(farm, node).says(word);
}

void resetChannelNoTrail(Farm& farm) {
    std::string folder;
    bool opened = openedCommandFolder(farm, folder);
    if (opened) {
        for (std::string_view prefix : {"ack", "job"}) {
            farm.fs.removeInFolder(folder, [prefix](std::string_view name) {
                return beginsWithAnyCase(name, prefix);
            });
        }
    }
    farm.acks.forgetAll();
    for (int node = 1; node <= nodeCount(farm); ++node) {
        if (opened && farm.fs.writeInFolder(folder, words::jobFileName(node), words::kInit)) {
            farm.state.nodes[node].commandTick = farm.clock.tickMs();
        }
        farm.state.nodes[node].state = Offline;
    }
}

bool deleteAck(Farm& farm, int node) {
    if (!nodeInTable(node)) {
        return false;
    }
    std::string ack = ackFilePath(farm, node);
    bool gone = farm.fs.removeFile(ack) || !farm.fs.exists(ack);
    const std::string& seenName = farm.acks.nodes[node].name;
    if (!seenName.empty() && seenName != words::ackFileName(node)) {
        std::string other = joinPath(farm.settings.Screamer_Command_Dir, seenName);
        gone = (farm.fs.removeFile(other) || !farm.fs.exists(other)) && gone;
    }
    if (gone) {
        farm.acks.forget(node);
    }
    return gone;
}
