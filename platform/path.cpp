#include "platform/path.h"

#include <unistd.h>

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out;
    out.reserve(dir.size() + 1 + name.size());
    out.append(dir);
    out.push_back('/');
    out.append(name);
    return out;
}

std::string parentPath(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char cwd[4096];
    std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
    return path.empty() ? base : base + "/" + path;
}
