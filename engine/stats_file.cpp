// "Kestrun.stats": the frame times of the farm, its scenes and its nodes, kept beside the queue
// file so a restarted farm keeps its averages. A text file of CR LF lines:
//   Kestrun.stats 1
//   farm <frames> <total ms>
//   scene <sceneId> <frames> <total ms> <scene file name>
//   node <number> <frames> <total ms> <last ms>
// The queue folder is shared, so the file is read with a cap and every line is checked: a line
// that does not parse, a node beyond the table or a scene that is not queued under that id and
// file name is passed over.
#include <string_view>

#include "engine/farm_stats.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"

namespace {

constexpr std::string_view kHeader = "Kestrun.stats 1";
constexpr size_t kLongestFile = 1 << 20;

std::string timesText(const FrameTimes& t) {
    return std::to_string(t.frames) + " " + std::to_string(t.totalMs);
}

bool takeTimes(std::string_view& rest, FrameTimes& t) {
    return takeNumber(rest, t.frames) && takeNumber(rest, t.totalMs);
}

// The queue entry that holds this id under this file name, or 0.
int queuedScene(const FarmState& s, int32_t sceneId, std::string_view fileName) {
    int k = findScene(s, sceneId);
    return k != 0 && textOf(s.scenes[k].fileName) == fileName ? k : 0;
}

void readSceneLine(Farm& farm, std::string_view rest) {
    int32_t sceneId = 0;
    SceneTimes t;
    if (!takeNumber(rest, sceneId) || !takeTimes(rest, t) || !rest.starts_with(' ')) {
        return;
    }
    t.fileName = std::string(rest.substr(1));
    if (queuedScene(farm.state, sceneId, t.fileName) != 0) {
        farm.stats.scenes[sceneId] = std::move(t);
    }
}

void readNodeLine(Farm& farm, std::string_view rest) {
    int node = 0;
    NodeTimes t;
    if (!takeNumber(rest, node) || !takeTimes(rest, t.times) || !takeNumber(rest, t.lastMs) ||
        !rest.empty()) {
        return;
    }
    if (node >= 1 && node <= kMaxNodes) {
        farm.stats.nodes[node] = t;
    }
}

void readLine(Farm& farm, std::string_view text) {
    if (text.starts_with("farm ")) {
        std::string_view rest = text.substr(5);
        FrameTimes t;
        if (takeTimes(rest, t) && rest.empty()) {
            farm.stats.farm = t;
        }
    } else if (text.starts_with("scene ")) {
        readSceneLine(farm, text.substr(6));
    } else if (text.starts_with("node ")) {
        readNodeLine(farm, text.substr(5));
    }
}

}  // namespace

std::string statsFilePath(const Farm& farm) {
    return joinPath(farm.settings.Scene_Queue_Dir, "Kestrun.stats");
}

void loadFarmStats(Farm& farm) {
    farm.stats = FarmStats{};
    std::string data;
    // Read only as a regular file of its own name: a link planted there is not followed.
    if (!farm.fs.readFile(statsFilePath(farm), data, kLongestFile, Links::Refuse)) {
        return;
    }
    forEachLineAfterHeader(data, kHeader, [&farm](std::string_view text) { readLine(farm, text); });
}

bool saveFarmStats(Farm& farm) {
    const FarmState& s = farm.state;
    FarmStats& st = farm.stats;
    std::string data = crLfLine(kHeader) + crLfLine("farm " + timesText(st.farm));
    for (int k = 1; k <= s.sceneCount; ++k) {
        auto it = st.scenes.find(s.scenes[k].sceneId);
        std::string_view name = textOf(s.scenes[k].fileName);
        // A name holding a line end could not be read back as one line.
        if (it != st.scenes.end() && it->second.fileName == name &&
            name.find_first_of("\r\n") == std::string_view::npos) {
            data += crLfLine("scene " + std::to_string(it->first) + " " + timesText(it->second) +
                             " " + std::string(name));
        }
    }
    for (int n = 1; n <= kMaxNodes; ++n) {
        const NodeTimes& t = st.nodes[n];
        if (t.times.frames != 0) {
            data += crLfLine("node " + std::to_string(n) + " " + timesText(t.times) + " " +
                             std::to_string(t.lastMs));
        }
    }
    std::string path = statsFilePath(farm);
    st.lastSaveTick = farm.clock.tickMs();
    // The stats file lies in the shared queue folder: saved as the queue file is, never
    // through a planted link.
    bool saved = farm.fs.saveFile(path, data, Trust::Shared).ok();
    st.changed = st.changed && !saved;
    return saved;
}
