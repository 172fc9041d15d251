#include "sim/node_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim {
namespace {

constexpr int kImageSide = 4;
constexpr size_t kTgaHeaderBytes = 18;

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

std::string tgaImage(int frame) {
    std::string data(kTgaHeaderBytes, '\0');
    data[2] = 2;  // uncompressed true-colour
    data[12] = kImageSide;
    data[14] = kImageSide;
    data[16] = 24;    // bits per pixel
    data[17] = 0x20;  // first row at the top
    for (int i = 0; i < kImageSide * kImageSide; ++i) {
        data += static_cast<char>(frame * 7 + i);    // blue
        data += static_cast<char>(frame * 13);       // green
        data += static_cast<char>(255 - frame * 3);  // red
    }
    return data;
}

int64_t writeTimeNs(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

// A farm writes a job file by emptying it and then writing the command. The text counts only
// when the file's time is the same before and after reading it, so a read that the writing
// cut in two is not taken for a command.
bool readJobFile(const std::string& path, std::string& text) {
    struct stat before {};
    struct stat after {};
    bool whole = ::stat(path.c_str(), &before) == 0 && S_ISREG(before.st_mode) &&
                 readWholeFile(path, text) && ::stat(path.c_str(), &after) == 0 &&
                 writeTimeNs(before) == writeTimeNs(after);
    if (!whole) {
        text.clear();
    }
    return whole;
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

long writeFrameImage(const std::string& path, int frame, ImageCut cut) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    }
    std::string bytes = tgaImage(frame);
    if (cut == ImageCut::Empty) {
        bytes.clear();
    } else if (cut == ImageCut::FirstHalf) {
        bytes.resize(bytes.size() / 2);
    }
    return writeFileAtomically(path, bytes) ? static_cast<long>(bytes.size()) : -1;
}

}  // namespace sim
