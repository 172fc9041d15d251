// Fuzz target: an arbitrary scene file under an arbitrary file name through readSceneFile, then
// the image scan of what it read, every frame's image name and the log line naming the file.
// Input: the file name, a NUL byte, the scene text (no NUL: the whole input is the text of
// "shot.lws").
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/image_scan.h"
#include "farm/view_texts.h"
#include "fuzz/fuzz_farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/scene_reader.h"
#include "report/farm_log.h"

namespace {

// A scene either failed (out of the running, problemCount 33) or has a range the frame map
// holds and an image template that names a path from the root.
void checkReading(const SceneEntry& e) {
    if (e.problemCount == 33) {
        fuzzCheck(e.position == 0, "a failed scene still in the running");
        return;
    }
    fuzzCheck(e.problemCount == 0, "a scene read with problem frames");
    fuzzCheck(sceneRangeValid(e), "a scene read with a range outside its frame map");
    fuzzCheck(textOf(e.outputPath).starts_with('/'), "an image template that is not absolute");
}

// The log keeps one line per call: its only control bytes are the CR LF that ends it.
void checkLogLine(const std::string& log) {
    fuzzCheck(log.size() >= 2 && log.ends_with("\r\n"), "a log line without its CR LF");
    for (size_t i = 0; i + 2 < log.size(); ++i) {
        auto byte = static_cast<unsigned char>(log[i]);
        fuzzCheck(byte >= 0x20 && byte != 0x7f, "a control byte inside a log line");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFarm fx("scene");
    fx.wipe();
    fx.configure(1);
    Farm& farm = fx.farm;

    std::string input(reinterpret_cast<const char*>(data), size);
    size_t nul = input.find('\0');
    std::string name = nul == std::string::npos ? "shot.lws" : input.substr(0, nul);
    std::string text = nul == std::string::npos ? input : input.substr(nul + 1);
    std::string path = joinPath(fx.queueDir, name);
    if (fx.fs.allowed(path)) {
        fx.fs.writeFile(path, text);
    }

    FarmState& s = farm.state;
    s.sceneCount = 1;
    SceneEntry& e = s.scenes[1];
    copyText(e.fileName, name);
    e.position = 1;
    readSceneFile(farm, 1);
    checkReading(e);

    int remaining = 0;
    scanImages(farm, 1, remaining);
    if (sceneRangeValid(e)) {
        for (int f = e.firstFrame; f <= e.lastFrame; f += e.frameStep) {
            fuzzCheck(imageName(e, f).size() == textOf(e.outputPath).size(),
                      "an image name of another length than its template");
        }
    }
    sceneProgressText(e);

    fx.fs.writeFile(s.logFilePath, "");
    logLine(farm, "Added Newer scene file with name", textOf(e.fileName));
    std::string log;
    fx.fs.readFile(s.logFilePath, log, 1 << 20);
    checkLogLine(log);
    return 0;
}
