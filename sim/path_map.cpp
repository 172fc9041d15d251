#include "sim/path_map.h"

#include <cctype>

namespace sim {
namespace {

// One character of a path for prefix comparison: letters without case, "\" as "/".
char folded(char c) {
    if (c == '\\') {
        return '/';
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool isPathPrefix(std::string_view prefix, std::string_view path) {
    if (prefix.empty() || prefix.size() > path.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (folded(prefix[i]) != folded(path[i])) {
            return false;
        }
    }
    return true;
}

bool isAbsolute(std::string_view path) {
    return path.starts_with("/") || path.starts_with("\\\\") ||
           (path.size() >= 2 && path[1] == ':');
}

bool endsWithSeparator(std::string_view path) {
    return path.ends_with("/") || path.ends_with("\\");
}

// The local path of a pair followed by the rest of a node path, with exactly one separator
// between them wherever either side has one, so "Q:\" with "/srv/farm" gives /srv/farm/...
std::string joinMapped(const PathPair& pair, std::string_view rest) {
    std::string local = pair.localPath;
    bool separated = endsWithSeparator(pair.nodePath) || endsWithSeparator(local) ||
                     rest.starts_with("/") || rest.starts_with("\\");
    while (endsWithSeparator(local)) {
        local.pop_back();
    }
    while (rest.starts_with("/") || rest.starts_with("\\")) {
        rest.remove_prefix(1);
    }
    if (separated) {
        local += '/';
    }
    return local + std::string(rest);
}

}  // namespace

std::string toLocalPath(const PathMap& map, std::string_view nodePath) {
    std::string local(nodePath);
    for (const PathPair& pair : map) {
        if (isPathPrefix(pair.nodePath, nodePath)) {
            local = joinMapped(pair, nodePath.substr(pair.nodePath.size()));
            break;
        }
    }
    for (char& c : local) {
        if (c == '\\') {
            c = '/';
        }
    }
    return local;
}

std::string resolveSavePrefix(const PathMap& map, std::string_view contentDir,
                              std::string_view prefix) {
    if (isAbsolute(prefix)) {
        return toLocalPath(map, prefix);
    }
    if (prefix.starts_with("\\")) {
        prefix.remove_prefix(1);
    }
    std::string joined(contentDir);
    if (!endsWithSeparator(joined)) {
        joined += '/';
    }
    joined += prefix;
    return toLocalPath(map, joined);
}

}  // namespace sim
