#include "settings/path_map.h"

#include <algorithm>
#include <cctype>

#include "farm/farm_settings.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool hasDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Node paths come from Windows, where case and the kind of slash do not matter.
char foldedNodeChar(char c) {
    return c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool sameNodeChar(char a, char b) {
    return foldedNodeChar(a) == foldedNodeChar(b);
}

bool sameLocalChar(char a, char b) {
    return a == b;
}

// True when prefix begins path and ends at a folder boundary of it.
template <typename Same>
bool isFolderPrefix(std::string_view prefix, std::string_view path, Same same) {
    if (prefix.size() > path.size() ||
        !std::equal(prefix.begin(), prefix.end(), path.begin(), same)) {
        return false;
    }
    return isSeparator(prefix.back()) || path.size() == prefix.size() ||
           isSeparator(path[prefix.size()]);
}

// The replacement for a matched prefix followed by the rest of the path, with one separator
// between them; the rest alone decides whether there is anything after the replacement.
std::string joinReplaced(std::string_view replacement, std::string_view rest, char separator) {
    while (!rest.empty() && isSeparator(rest.front())) {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::string(replacement);
    }
    while (!replacement.empty() && isSeparator(replacement.back())) {
        replacement.remove_suffix(1);
    }
    std::string out(replacement);
    out += separator;
    return out.append(rest);
}

void replaceAll(std::string& text, size_t from, char what, char with) {
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), what, with);
}

bool usable(const PathMapping& m) {
    return !m.nodePath.empty() && !m.localPath.empty();
}

// True when path begins with a drive letter ("X:") or with two backslashes (a network share).
bool namesWindowsRoot(std::string_view path) {
    return hasDriveLetter(path) || path.starts_with("\\\\");
}

}  // namespace

std::string nodeToLocal(const FarmSettings& settings, std::string_view nodePath) {
    std::string local;
    auto pair = std::find_if(settings.pathMap.begin(), settings.pathMap.end(), [&](auto& m) {
        return usable(m) && isFolderPrefix(m.nodePath, nodePath, sameNodeChar);
    });
    if (pair != settings.pathMap.end()) {
        local = joinReplaced(pair->localPath, nodePath.substr(pair->nodePath.size()), '/');
    } else if (namesWindowsRoot(nodePath)) {
        return std::string(nodePath);
    } else {
        local = nodePath;
    }
    replaceAll(local, 0, '\\', '/');
    return local;
}

std::string localToNode(const FarmSettings& settings, std::string_view localPath) {
    auto pair = std::find_if(settings.pathMap.begin(), settings.pathMap.end(), [&](auto& m) {
        return usable(m) && isFolderPrefix(m.localPath, localPath, sameLocalChar);
    });
    if (pair == settings.pathMap.end()) {
        return std::string(localPath);
    }
    const std::string& node = pair->nodePath;
    bool windows = hasDriveLetter(node) || node.find('\\') != std::string::npos;
    std::string out =
        joinReplaced(node, localPath.substr(pair->localPath.size()), windows ? '\\' : '/');
    if (windows) {
        replaceAll(out, std::min(out.size(), node.size()), '/', '\\');
    }
    return out;
}
