#include "queue/scene_reader.h"

#include <cmath>
#include <limits>
#include <vector>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/image_clash.h"
#include "settings/path_map.h"

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

// The folders below which missing save folders may be made: ContentDirectory in this machine's
// terms, then the operator's output roots; each absolute, without a final "/" (but "/" itself).
std::vector<std::string> outputRoots(const FarmSettings& settings) {
    std::vector<std::string> roots{nodeToLocal(settings, settings.ContentDirectory)};
    roots.insert(roots.end(), settings.outputRoots.begin(), settings.outputRoots.end());
    std::erase_if(roots, [](const std::string& root) { return !root.starts_with('/'); });
    for (std::string& root : roots) {
        while (root.size() > 1 && root.ends_with('/')) {
            root.pop_back();
        }
    }
    return roots;
}

// True when folder lies below root, with relative the levels between them; a ".." level never
// counts as below, whatever precedes it.
bool isBelow(const std::string& root, std::string_view folder, std::string& relative) {
    std::string_view base = root == "/" ? std::string_view() : std::string_view(root);
    if (!folder.starts_with(base) || folder.size() <= base.size() + 1 ||
        folder[base.size()] != '/') {
        return false;
    }
    relative = folder.substr(base.size() + 1);
    std::string levels = "/" + relative + "/";
    return levels.find("/../") == std::string::npos && levels.find("/./") == std::string::npos;
}

// The absolute form of a save path: as it stands when it begins with "/", has a drive letter or
// begins with two backslashes; otherwise joined to ContentDirectory.
std::string resolveScenePath(const FarmSettings& settings, std::string_view path) {
    bool driveLetter = path.size() >= 2 && path[1] == ':';
    bool share = path.starts_with("\\\\");
    if (path.starts_with('/') || driveLetter || share) {
        return std::string(path);
    }
    std::string out = settings.ContentDirectory;
    if (!out.ends_with('/') && !out.ends_with('\\')) {
        out += '/';
    }
    if (path.starts_with('\\')) {
        path.remove_prefix(1);
    }
    return out.append(path);
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

bool localScenePath(const FarmSettings& settings, std::string_view scenePath, std::string& local,
                    std::string& failure) {
    std::string resolved = nodeToLocal(settings, resolveScenePath(settings, scenePath));
    if (resolved.size() >= 2 && resolved[1] == ':') {
        failure = std::string("No path mapping for ") + resolved[0] + ":\\";
        return false;
    }
    if (resolved.starts_with("\\\\")) {
        size_t server = resolved.find_first_of("\\/", 2);
        size_t share =
            server == std::string::npos ? server : resolved.find_first_of("\\/", server + 1);
        failure = "No path mapping for " + resolved.substr(0, share);
        return false;
    }
    local = std::move(resolved);
    return true;
}

SaveFolder checkSavePath(Farm& farm, std::string_view templ) {
    std::string dir = parentPath(templ);
    std::string folder = !dir.empty() ? dir : templ.starts_with('/') ? "/" : ".";
    // A folder this machine may not write to is still fine (the nodes write the images, and a
    // read-only mount of their share is common); a level that is a file is not.
    if (farm.fs.probeFolder(folder) || farm.fs.isDirectory(folder)) {
        return SaveFolder::Ready;
    }
    SaveFolder result = SaveFolder::OutsideRoots;
    std::string relative;
    for (const std::string& root : outputRoots(farm.settings)) {
        if (isBelow(root, folder, relative)) {
            if (farm.fs.makeFoldersBelow(root, relative)) {
                return SaveFolder::Ready;
            }
            result = SaveFolder::Unusable;
        }
    }
    return result;
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
