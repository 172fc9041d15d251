#include "temp_dir.h"

#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrun-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    if (std::getenv("KESTRUN_KEEP_TEMP")) {
        std::fprintf(stderr, "kept %s\n", path_.c_str());
        return;
    }
    std::error_code ec;
    // Give back write permission a test may have taken away, so everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
    }
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempDir::makeDir(std::string_view name) const {
    std::string p = file(name);
    std::filesystem::create_directories(p);
    return p;
}

void writeText(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void setModifiedTime(const std::string& path, long seconds) {
    struct utimbuf times {
        seconds, seconds
    };
    ::utime(path.c_str(), &times);
}

int countOf(std::string_view text, std::string_view what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}
