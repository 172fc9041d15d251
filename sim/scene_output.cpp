#include "sim/scene_output.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/fixed_text.h"

namespace sim {
namespace {

constexpr const char* kFormatExtensions[] = {".IFF", ".RAW", ".TGA"};
constexpr size_t kMaxExtensionChars = 4;

// The value of the first line of text that begins with key followed by a blank: the rest of
// that line without its line end. False when no line begins so.
bool sceneValue(std::string_view text, std::string_view key, std::string& value) {
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string_view line = text.substr(at, end == std::string_view::npos ? end : end - at);
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == ' ') {
            line.remove_prefix(key.size() + 1);
            value = std::string(withoutCr(line));
            return true;
        }
        if (end == std::string_view::npos) {
            break;
        }
        at = end + 1;
    }
    return false;
}

bool extensionOf(std::string_view text, std::string& extension, std::string& error) {
    std::string value;
    if (sceneValue(text, "RGBImageFormat", value)) {
        int format = std::atoi(value.c_str());
        if (format >= 0 && format < static_cast<int>(std::size(kFormatExtensions))) {
            extension = kFormatExtensions[format];
            return true;
        }
    }
    if (sceneValue(text, "RGBImageSaver", value)) {
        size_t open = value.find('(');
        size_t close = value.find(')', open);
        if (open != std::string::npos && close != std::string::npos && close > open + 1) {
            extension = value.substr(open + 1, std::min(close - open - 1, kMaxExtensionChars));
            return true;
        }
        error = "RGBImageSaver names no extension: " + value;
        return false;
    }
    error = value.empty() ? "no RGBImageFormat or RGBImageSaver"
                          : "RGBImageFormat " + value + " has no known extension";
    return false;
}

}  // namespace

bool readSceneOutput(std::string_view text, const PathMap& map, std::string_view contentDir,
                     SceneOutput& out, std::string& error) {
    std::string value;
    if (!sceneValue(text, "SaveRGBImagesPrefix", value) || value.empty()) {
        error = "no SaveRGBImagesPrefix";
        return false;
    }
    out.prefix = resolveSavePrefix(map, contentDir, value);
    if (!sceneValue(text, "OutputFilenameFormat", value)) {
        error = "no OutputFilenameFormat";
        return false;
    }
    out.digits = (value.starts_with('0') || value.starts_with('1')) ? 3 : 4;
    return extensionOf(text, out.extension, error);
}

std::string imagePath(const SceneOutput& output, int frame) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", output.digits, frame);
    return output.prefix + digits + output.extension;
}

}  // namespace sim
