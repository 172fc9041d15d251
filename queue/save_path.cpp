#include "queue/save_path.h"

#include <string>
#include <vector>

#include "farm/farm.h"
#include "platform/path.h"
#include "settings/path_map.h"

namespace {

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
