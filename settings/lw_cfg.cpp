#include "settings/lw_cfg.h"

#include <string>

#include "farm/farm_settings.h"
#include "platform/fixed_text.h"

namespace {

constexpr std::string_view kContentKey = "ContentDirectory";
constexpr std::string_view kSaverKey = "Plugin ImageSaver";
constexpr size_t kExtensionChars = 4;

// The key and exactly one separator character come before the directory, which runs to the
// line end or, on a last line without one, to the end of the text. A key right at a line end
// takes that line end as its separator, so the value is the whole next line.
void takeContentDirectory(std::string_view text, FarmSettings& settings) {
    std::optional<size_t> at = findLineKey(text, kContentKey);
    if (!at) {
        return;
    }
    size_t begin = *at + kContentKey.size() + 1;
    if (begin >= text.size()) {
        settings.ContentDirectory.clear();
        return;
    }
    size_t end = text.find('\n', begin);
    settings.ContentDirectory =
        std::string(text.substr(begin, end == text.npos ? text.npos : end - begin));
}

// Each hit gives the 4 characters after the first "(" that follows it, wherever that stands.
void takeImageSavers(std::string_view text, FarmSettings& settings) {
    int entry = 3;
    for (std::optional<size_t> at = findLineKey(text, kSaverKey); at && entry < kImageFormats;
         at = findLineKey(text, kSaverKey, *at)) {
        size_t paren = text.find('(', *at);
        if (paren == text.npos) {
            return;
        }
        copyText(settings.imageSaverExtensions[entry++], text.substr(paren + 1, kExtensionChars));
    }
}

}  // namespace

std::optional<size_t> findLineKey(std::string_view text, std::string_view key, size_t from) {
    for (size_t lf = text.find('\n', from); lf != text.npos; lf = text.find('\n', lf + 1)) {
        if (text.substr(lf + 1, key.size()) == key) {
            return lf + 1;
        }
    }
    return std::nullopt;
}

void applyLwCfg(std::string_view text, FarmSettings& settings) {
    copyText(settings.imageSaverExtensions[0], ".IFF");
    copyText(settings.imageSaverExtensions[1], ".RAW");
    copyText(settings.imageSaverExtensions[2], ".TGA");
    takeContentDirectory(text, settings);
    takeImageSavers(text, settings);
}
