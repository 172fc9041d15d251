#include "engine/image_lookup.h"

#include <vector>

#include "platform/file_system.h"
#include "platform/fixed_text.h"

bool ImageLookup::exists(const std::string& path) {
    // Image names are full paths; a name without a folder (a failed scene's text) is none.
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return false;
    }
    std::string folder = path.substr(0, slash == 0 ? 1 : slash);
    return folderNames(folder).count(toLowerAscii(path.substr(slash + 1))) > 0;
}

const std::unordered_set<std::string>& ImageLookup::folderNames(const std::string& folder) {
    auto found = folders_.find(folder);
    if (found != folders_.end()) {
        return found->second;
    }
    std::unordered_set<std::string>& names = folders_[folder];
    std::vector<DirEntry> entries;
    if (fs_.listDirectory(folder, entries, EntryTimes::Skip)) {
        for (const DirEntry& entry : entries) {
            if (entry.isRegular) {
                names.insert(toLowerAscii(entry.name));
            }
        }
    }
    return names;
}
