#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix_io.h"

using posix::openRegular;
using posix::readAt;
using posix::readUpTo;
using posix::toFileTime;

bool PosixFileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes,
                               Links links) {
    out.clear();
    // A file of a shared folder (read without following a link) is read only when no other
    // name links to it, as a hard link may be another user's file under the farm's name.
    int fd = openRegular(path, O_RDONLY, links, links == Links::Refuse);
    if (fd < 0) {
        return false;
    }
    bool ok = readUpTo(fd, out, maxBytes);
    ::close(fd);
    return ok;
}

ReadResult PosixFileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
    out.clear();
    struct stat st;
    int fd = openRegular(path, O_RDONLY, Links::Follow, false, &st);
    if (fd < 0) {
        return ReadResult::Unreadable;
    }
    ReadResult result = ReadResult::TooLarge;
    // One byte more than the cap tells a file that grew past it since its size was taken.
    if (static_cast<uint64_t>(st.st_size) <= cap) {
        if (!readUpTo(fd, out, cap + 1)) {
            result = ReadResult::Unreadable;
        } else if (out.size() <= cap) {
            result = ReadResult::Ok;
        }
    }
    ::close(fd);
    if (result != ReadResult::Ok) {
        out.clear();
    }
    return result;
}

bool PosixFileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                                   uint64_t& size) {
    out.clear();
    struct stat st;
    int fd = openRegular(path, O_RDONLY, Links::Refuse, true, &st);
    if (fd < 0) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    uint64_t offset = size > maxBytes ? size - maxBytes : 0;
    bool ok = readAt(fd, offset, static_cast<size_t>(size - offset), out);
    ::close(fd);
    return ok;
}

bool PosixFileSystem::readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                                   std::string& head, std::string& tail, uint64_t& size) {
    head.clear();
    tail.clear();
    struct stat st;
    int fd = openRegular(path, O_RDONLY, Links::Follow, false, &st);
    if (fd < 0) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    bool ok = true;
    if (size <= headBytes + tailBytes) {
        // A small file is read in one piece and both ends cut from it.
        std::string whole;
        ok = readAt(fd, 0, static_cast<size_t>(size), whole);
        head = whole.substr(0, std::min(headBytes, whole.size()));
        tail = whole.substr(whole.size() - std::min(tailBytes, whole.size()));
    } else {
        ok = readAt(fd, 0, headBytes, head) && readAt(fd, size - tailBytes, tailBytes, tail);
    }
    ::close(fd);
    return ok;
}

bool PosixFileSystem::exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::fileTime(const std::string& path, uint64_t& time) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    time = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
}
