#include "sim/node_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/frame_image.h"

namespace sim {
namespace {

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string temporaryNameFor(const std::string& path) {
    std::filesystem::path p(path);
    std::string name = "." + p.filename().string() + "." + std::to_string(::getpid()) + ".tmp";
    return (p.parent_path() / name).string();
}

int64_t writeTimeNs(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

// A farm writes a job file by emptying it and then writing the command. The text counts only
// when the file's time is the same before and after reading it: a time taken only before could
// be the emptying's, one taken only after could belong to the next command, and either way the
// next look would see the same text under a new time and take the command twice.
JobSnapshot readJobFile(const std::string& path) {
    JobSnapshot snap;
    struct stat before {};
    struct stat after {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode) ||
        !readWholeFile(path, snap.text) || ::stat(path.c_str(), &after) != 0 ||
        writeTimeNs(before) != writeTimeNs(after)) {
        snap.text.clear();
        return snap;
    }
    snap.present = true;
    snap.writeTimeNs = writeTimeNs(after);
    return snap;
}

bool readWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view text) {
    std::string temporary = temporaryNameFor(path);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    bool written = writeAll(fd, text);
    written = (::close(fd) == 0) && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool writeFrameImage(const std::string& path, int frame) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    }
    return writeFileAtomically(path, frameImageBytes(imageExtension(path), frame));
}

}  // namespace sim
