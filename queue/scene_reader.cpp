#include "queue/scene_reader.h"

#include <cmath>
#include <limits>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/image_clash.h"
#include "queue/save_path.h"

namespace {

constexpr size_t kValueLimit = 599;
// The longest save prefix that still leaves room in outputPath for four frame digits and a
// four-character extension.
constexpr size_t kPrefixLimit = sizeof(SceneEntry::outputPath) - 1 - 4 - 4;

// Resolution labels, looked up with the scene's Resolution value plus 1.
constexpr const char* kResolutionLabels[] = {"160x120", "320x240", "640x480", "1280x960",
                                             "2560x1920"};

// One reading of a scene: its text, the value of the last key found, and the last failure
// recorded (a later failure replaces an earlier one).
struct SceneReading {
    std::string_view text;
    std::string value;
    std::string failure;

    bool find(std::string_view key) { return findSceneKey(text, key, value); }
    int number() const { return parseInt(value); }
    void fail(std::string_view why) { failure = why; }
};

// The reader's fields start empty, so a reading that fails early leaves nothing of the record
// the slot held before.
void clearReadFields(SceneEntry& e) {
    e.firstFrame = e.lastFrame = e.frameStep = 0;
    copyText(e.outputPath, "");
    copyText(e.imageSize, "");
    e.antialias = e.filterType = e.segmentMemory = e.blurPercent = 0;
}

// The save prefix as a local path whose folder exists and can be written, or a failure.
bool readSavePrefix(Farm& farm, SceneReading& r, std::string& prefix) {
    if (!r.find("\nSaveRGBImagesPrefix ")) {
        r.fail("\nUnable to find SaveRGBBImagesPrefix!");
        return false;
    }
    std::string failure;
    if (!localScenePath(farm.settings, r.value, prefix, failure)) {
        r.fail(failure);
        return false;
    }
    if (prefix.size() > kPrefixLimit) {
        r.fail("Save path too long");
        return false;
    }
    switch (checkSavePath(farm, prefix)) {
        case SaveFolder::Ready:
            return true;
        case SaveFolder::OutsideRoots:
            r.fail(kOutsideRootsText);
            return false;
        case SaveFolder::Unusable:
            break;
    }
    r.fail("Could not validate save path");
    return false;
}

// A missing key leaves its field 0 and records its failure; a range the frame map cannot hold
// or a step below 1 fails the scene too, so no later code indexes outside the map, and so does
// a first frame after the last, which would leave the scene live with nothing to render.
void readFrameRange(SceneReading& r, SceneEntry& e) {
    bool haveFirst = r.find("\nFirstFrame ");
    if (haveFirst) {
        e.firstFrame = r.number();
    } else {
        r.fail("Unable to find start frame!");
    }
    bool haveLast = r.find("LastFrame");
    if (haveLast) {
        e.lastFrame = r.number();
    } else {
        r.fail("Unable to find LastFrame!");
    }
    bool haveStep = r.find("FrameStep");
    if (haveStep) {
        e.frameStep = r.number();
    } else {
        r.fail("Unable to find FStep!");
    }
    if (haveFirst && haveLast && e.firstFrame > e.lastFrame) {
        r.fail(kReversedRangeText);
    }
    if ((haveFirst && !frameInMap(e.firstFrame)) || (haveLast && !frameInMap(e.lastFrame))) {
        r.fail("Frame range outside 0 to 2999");
    }
    if (haveStep && e.frameStep < 1) {
        r.fail("Frame step below 1");
    }
}

void readImageSize(SceneReading& r, SceneEntry& e) {
    if (r.find("CustomSize")) {
        copyText(e.imageSize, r.value);
        return;
    }
    if (!r.find("Resolution")) {
        r.fail("Unable to find resolution!");
        return;
    }
    // The labels start at Resolution -1; the value is checked before the 1 is added, as it may
    // be the largest number there is.
    int value = r.number();
    if (value >= -1 && value < static_cast<int>(std::size(kResolutionLabels)) - 1) {
        copyText(e.imageSize, kResolutionLabels[value + 1]);
    }
}

int32_t percentOf(double value) {
    double percent = std::trunc(value * 100.0);
    if (!std::isfinite(percent)) {
        return 0;
    }
    if (percent > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (percent < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(percent);
}

void readRenderSettings(SceneReading& r, SceneEntry& e) {
    readImageSize(r, e);
    e.antialias = r.find("Antialiasing") ? r.number() : 0;
    if (r.find("EnhancedAA ")) {
        e.antialias = e.antialias > std::numeric_limits<int32_t>::max() - 3
                          ? std::numeric_limits<int32_t>::max()
                          : e.antialias + 3;
    }
    e.filterType = r.find("FilterType") ? r.number() : 0;
    e.segmentMemory = r.find("SegmentMemory") ? r.number() / 1000000 : 0;
    e.blurPercent = r.find("BlurLength ") ? percentOf(parseReal(r.value)) : 0;
}

// The image extension: the saver list's entry for RGBImageFormat, or, in scenes that name
// their saver instead ("RGBImageSaver LW_TGA32(.tga)"), the 4 characters after its "(".
bool readExtension(const Farm& farm, SceneReading& r, std::string& extension) {
    if (r.find("RGBImageFormat")) {
        int format = r.number();
        if (format >= 0 && format < kImageFormats) {
            extension = textOf(farm.settings.imageSaverExtensions[format]);
        }
    } else if (r.find("RGBImageSaver")) {
        size_t open = r.value.find('(');
        if (open != std::string::npos) {
            extension = r.value.substr(open + 1, 4);
        }
    } else {
        r.fail("Unable to find RGB format!");
        return false;
    }
    if (extension.empty()) {
        r.fail("Unknown RGB format");
        return false;
    }
    return true;
}

// Appends the frame-digits pattern and the extension to the prefix.
void readImageName(const Farm& farm, SceneReading& r, std::string& templ) {
    if (r.find("OutputFilenameFormat ")) {
        templ += (r.value[0] == '0' || r.value[0] == '1') ? "000" : "0000";
    } else {
        r.fail("Unable to find filename format!");
    }
    std::string extension;
    if (readExtension(farm, r, extension)) {
        templ += extension;
    }
}

}  // namespace

bool findSceneKey(std::string_view text, std::string_view key, std::string& value) {
    size_t at = text.find(key);
    if (at == std::string_view::npos) {
        return false;
    }
    std::string_view rest = text.substr(at + key.size());
    rest = rest.substr(0, rest.find('\n'));
    value.assign(rest.substr(0, kValueLimit));
    return true;
}

void readSceneFile(Farm& farm, int k) {
    FarmState& s = farm.state;
    if (k < 1 || k > s.sceneCount) {
        return;
    }
    SceneEntry& e = s.scenes[k];
    e.problemCount = 0;
    e.sceneId = nextSceneId(s);
    clearReadFields(e);

    std::string path = joinPath(farm.settings.Scene_Queue_Dir, textOf(e.fileName));
    std::string text;
    SceneReading r;
    std::string templ;
    // A scene may be a link (to a scene in a project folder): it is read through, never written.
    ReadResult read = farm.fs.readCapped(path, text, kLargestTextFile);
    if (read == ReadResult::TooLarge) {
        r.fail("Scene file too large");
    } else if (read != ReadResult::Ok) {
        r.fail("Unable to read scene file!");
    } else {
        toLineFeeds(text);
        r.text = text;
        if (readSavePrefix(farm, r, templ)) {
            readFrameRange(r, e);
            readRenderSettings(r, e);
            readImageName(farm, r, templ);
        }
    }
    // A scene writing the images of a live one would be taken as rendered by them.
    std::string clash = r.failure.empty() ? imageClash(s, k, templ) : std::string();
    if (!clash.empty()) {
        r.fail(clash);
    }
    if (r.failure.empty()) {
        copyText(e.outputPath, templ);
    } else {
        failScene(s, r.failure, k);
        e.position = 0;
    }
}
