#include "engine/image_lookup.h"

#include <vector>

#include "engine/image_check.h"
#include "farm/run_memory.h"
#include "platform/fixed_text.h"

ImageLook ImageLookup::look(const std::string& path) {
    // Image names are full paths; a name without a folder (a failed scene's text) is none.
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    std::string folder = path.substr(0, slash == 0 ? 1 : slash);
    const auto& entries = folderEntries(folder);
    auto found = entries.find(toLowerAscii(path.substr(slash + 1)));
    if (found == entries.end()) {
        return {};
    }
    // The file as it is named on disk, which may differ in case from the template's name.
    return check(path.substr(0, slash + 1) + found->second.name, found->second);
}

ImageLook ImageLookup::check(const std::string& path, const DirEntry& entry) {
    auto known = checks_.byPath.find(path);
    if (known != checks_.byPath.end() && known->second.size == entry.size &&
        known->second.fileTime == entry.fileTime) {
        return {known->second.whole ? ImageState::Whole : ImageState::Incomplete, false};
    }
    ImageCheck result{entry.size, entry.fileTime, false};
    if (entry.size > 0) {
        std::string head;
        std::string tail;
        uint64_t size = 0;
        size_t dot = path.rfind('.');
        std::string_view extension =
            dot == std::string::npos ? std::string_view() : std::string_view(path).substr(dot);
        // The length read with the bytes counts: the file may have changed since the listing.
        result.whole = fs_.readFileEnds(path, kImageHeadBytes, kImageTailBytes, head, tail, size) &&
                       size == entry.size && imageWhole(extension, head, tail, size);
    }
    if (checks_.byPath.size() >= ImageChecks::kMaxImageChecks) {
        checks_.byPath.clear();
    }
    checks_.byPath[path] = result;
    return {result.whole ? ImageState::Whole : ImageState::Incomplete, !result.whole};
}

const std::unordered_map<std::string, DirEntry>& ImageLookup::folderEntries(
    const std::string& folder) {
    auto found = folders_.find(folder);
    if (found != folders_.end()) {
        return found->second;
    }
    auto& names = folders_[folder];
    std::vector<DirEntry> entries;
    if (fs_.listDirectory(folder, entries, EntryTimes::Read)) {
        for (DirEntry& entry : entries) {
            if (entry.isRegular) {
                std::string key = toLowerAscii(entry.name);
                names.emplace(std::move(key), std::move(entry));
            }
        }
    }
    return names;
}
