#include "ui/view_texts.h"

#include <cstdio>

#include "engine/farm_state.h"

namespace {

std::string tableText(const char* const* table, int count, int32_t index) {
    return index >= 0 && index < count ? table[index] : "";
}

constexpr const char* kConfigNodeStatus[kNodeStateCount] = {"Offline",     "Ready",     "Loading",
                                                            "Load First",  "Loaded",    "Rendering",
                                                            "Wait Render", "Wait Load", "Retired"};
constexpr const char* kAntialias[] = {"Off",     "Low",     "Medium",  "High",
                                      "Enh.Low", "Enh.Med", "Enh.High"};

bool isDone(char code) {
    return code == kFrameFinished || code == kFramePresent;
}

// Appends the done frames of e as ranges, stepping by frameStep, until the text is 20 long.
void appendDoneRanges(const SceneEntry& e, std::string& text) {
    int f = e.firstFrame;
    while (f <= e.lastFrame && text.size() < 20) {
        if (isDone(e.frameMap[f])) {
            int start = f;
            int end = f;
            do {
                end = f;
                f += e.frameStep;
            } while (f <= e.lastFrame && isDone(e.frameMap[f]));
            text += start == end ? std::to_string(start)
                                 : std::to_string(start) + "-" + std::to_string(end);
        } else {
            while (f <= e.lastFrame && !isDone(e.frameMap[f])) {
                f += e.frameStep;
            }
            text += ",";
        }
    }
}

}  // namespace

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
    if (e.position == 0 || !sceneRangeValid(e) || e.lastFrame < e.firstFrame) {
        return "Complete";
    }
    if (e.frameMap[e.firstFrame] == kFrameNotScanned) {
        return "Not Scanned";
    }
    int total = (e.lastFrame - e.firstFrame) / e.frameStep + 1;
    int done = 0;
    for (int f = e.firstFrame; f <= e.lastFrame; ++f) {
        done += isDone(e.frameMap[f]) ? 1 : 0;
    }
    std::string text = "(" + std::to_string(done * 100 / total) + "%)";
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
