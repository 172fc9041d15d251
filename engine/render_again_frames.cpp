// The frames to render again, and "Kestrun.again", where they are kept beside the queue file: a
// text file of CR LF lines:
//   Kestrun.again 1
//   frames <sceneId> <first> <last> <scene file name>
// where a line stands for the frames first..last of the scene's range, by its step. The queue
// folder is shared, so the file is read with a cap and every line is checked: a line that does
// not parse, or names a scene that is not queued under that id and file name, is passed over,
// and only frames of the scene's own range are taken.
#include "engine/render_again_frames.h"

#include <cstdint>
#include <string_view>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"

namespace {

constexpr std::string_view kHeader = "Kestrun.again 1";
constexpr size_t kLongestFile = 1 << 20;

void readFramesLine(Farm& farm, std::string_view rest) {
    int sceneId = 0;
    int first = 0;
    int last = 0;
    if (!takeNumber(rest, sceneId) || !takeNumber(rest, first) || !takeNumber(rest, last)) {
        return;
    }
    const FarmState& s = farm.state;
    int k = findScene(s, sceneId);
    // The numbers are followed by one blank and the scene file's name.
    if (k == 0 || !rest.starts_with(' ') || textOf(s.scenes[k].fileName) != rest.substr(1)) {
        return;
    }
    const SceneEntry& e = s.scenes[k];
    if (!sceneRangeValid(e)) {
        return;
    }
    for (int64_t f = e.firstFrame; f <= e.lastFrame; f += e.frameStep) {
        if (f >= first && f <= last) {
            farm.renderAgain[sceneId].insert(static_cast<int>(f));
        }
    }
}

// The frames as runs of the scene's consecutive frames, one line each.
std::string framesLines(const SceneEntry& e, const std::set<int>& frames) {
    std::string text;
    std::string tail = " " + std::string(textOf(e.fileName));
    auto it = frames.begin();
    while (it != frames.end()) {
        int first = *it;
        int last = first;
        for (++it; it != frames.end() && *it == int64_t{last} + e.frameStep; ++it) {
            last = *it;
        }
        text += crLfLine("frames " + std::to_string(e.sceneId) + " " + std::to_string(first) + " " +
                         std::to_string(last) + tail);
    }
    return text;
}

}  // namespace

std::string renderAgainFilePath(const Farm& farm) {
    return joinPath(farm.settings.Scene_Queue_Dir, "Kestrun.again");
}

void loadRenderAgain(Farm& farm) {
    farm.renderAgain.clear();
    std::string data;
    // A shared folder: a link planted under the name is no file of the farm.
    if (!farm.fs.readFile(renderAgainFilePath(farm), data, kLongestFile, Links::Refuse)) {
        return;
    }
    forEachLineAfterHeader(data, kHeader, [&farm](std::string_view text) {
        if (text.starts_with("frames ")) {
            readFramesLine(farm, text.substr(6));
        }
    });
}

bool saveRenderAgain(Farm& farm) {
    const FarmState& s = farm.state;
    std::string frames;
    for (int k = 1; k <= s.sceneCount; ++k) {
        const SceneEntry& e = s.scenes[k];
        auto it = farm.renderAgain.find(e.sceneId);
        // A name holding a line end could not be read back as one line.
        if (it != farm.renderAgain.end() && e.frameStep >= 1 &&
            textOf(e.fileName).find_first_of("\r\n") == std::string_view::npos) {
            frames += framesLines(e, it->second);
        }
    }
    std::string path = renderAgainFilePath(farm);
    if (frames.empty()) {
        return !farm.fs.exists(path) || farm.fs.removeFile(path);
    }
    // The queue folder is shared: saved as the queue file is, never through a planted link.
    return farm.fs.saveFile(path, crLfLine(kHeader) + frames, Trust::Shared).ok();
}

bool toRenderAgain(const Farm& farm, int32_t sceneId, int f) {
    auto it = farm.renderAgain.find(sceneId);
    return it != farm.renderAgain.end() && it->second.contains(f);
}

void renderedAgain(Farm& farm, int32_t sceneId, int f) {
    auto it = farm.renderAgain.find(sceneId);
    if (it == farm.renderAgain.end() || it->second.erase(f) == 0) {
        return;
    }
    if (it->second.empty()) {
        farm.renderAgain.erase(it);
    }
    saveRenderAgain(farm);
}

void forgetRenderAgain(Farm& farm, int32_t sceneId) {
    if (farm.renderAgain.erase(sceneId) != 0) {
        saveRenderAgain(farm);
    }
}
