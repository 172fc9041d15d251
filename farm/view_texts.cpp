#include "farm/view_texts.h"

#include <cstdio>

#include "farm/farm_state.h"

namespace {

std::string tableText(const char* const* table, int count, int32_t index) {
    return index >= 0 && index < count ? table[index] : "";
}

constexpr const char* kConfigNodeStatus[kNodeStateCount] = {"Offline",     "Ready",     "Loading",
                                                            "Load First",  "Loaded",    "Rendering",
                                                            "Wait Render", "Wait Load", "Retired"};
constexpr const char* kAntialias[] = {"Off",     "Low",     "Medium",  "High",
                                      "Enh.Low", "Enh.Med", "Enh.High"};

// Appends the done frames of e as ranges, stepping by frameStep, until the text is 20 long.
void appendDoneRanges(const SceneEntry& e, std::string& text) {
    int f = e.firstFrame;
    while (f <= e.lastFrame && text.size() < 20) {
        if (frameDone(e.frameMap[f])) {
            int start = f;
            int end = f;
            do {
                end = f;
                f += e.frameStep;
            } while (f <= e.lastFrame && frameDone(e.frameMap[f]));
            text += start == end ? std::to_string(start)
                                 : std::to_string(start) + "-" + std::to_string(end);
        } else {
            while (f <= e.lastFrame && !frameDone(e.frameMap[f])) {
                f += e.frameStep;
            }
            text += ",";
        }
    }
}

// Out of the running, or a range that holds no frame of its map.
bool nothingToRender(const SceneEntry& e) {
    return e.position == 0 || !sceneRangeValid(e) || e.lastFrame < e.firstFrame;
}

}  // namespace

std::string oneLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (!space) {
            line += c;
        } else if (!line.empty() && line.back() != ' ') {
            line += ' ';
        }
    }
    if (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

double sceneDoneShare(const SceneEntry& e) {
    if (sceneFailed(e)) {
        return -1;
    }
    if (nothingToRender(e)) {
        return 1;
    }
    if (e.frameMap[e.firstFrame] == kFrameNotScanned) {
        return -1;
    }
    FrameCounts c = countFrames(e);
    return static_cast<double>(c.done) / (c.done + c.toDo);
}

std::string configNodeStatusText(int32_t state) {
    return tableText(kConfigNodeStatus, kNodeStateCount, state);
}

std::string nodeLabel(int node, std::string_view name) {
    return std::to_string(node) + "  " + std::string(name);
}

std::string elapsedText(uint32_t elapsedMs) {
    uint32_t s = elapsedMs / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%.2u:%.2u:%.2u", s / 3600 - (s / 86400) * 24,
                  s / 60 - (s / 3600) * 60, s % 60);
    return text;
}

std::string antialiasText(int32_t antialias) {
    return tableText(kAntialias, 7, antialias);
}

std::string softFilterText(int32_t filterType) {
    return filterType == 0 ? "Off" : "On";
}

std::string sceneProgressText(const SceneEntry& e) {
    if (sceneFailed(e)) {
        return "Failed";
    }
    if (nothingToRender(e)) {
        return "Complete";
    }
    if (e.frameMap[e.firstFrame] == kFrameNotScanned) {
        return "Not Scanned";
    }
    FrameCounts c = countFrames(e);
    std::string text = "(" + std::to_string(c.done * 100 / (c.done + c.toDo)) + "%)";
    size_t percentEnd = text.size();
    appendDoneRanges(e, text);
    if (text.size() > percentEnd && text.back() == ',') {
        text.pop_back();
    }
    if (text.size() > percentEnd && text[percentEnd] == ',') {
        text[percentEnd] = ' ';
    }
    return text;
}
