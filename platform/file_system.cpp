#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600LL;

bool writeAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeAndClose(int fd, std::string_view data, bool sync) {
    bool ok = writeAll(fd, data);
    if (ok && sync) {
        ok = ::fsync(fd) == 0;
    }
    return ::close(fd) == 0 && ok;
}

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char cwd[4096];
    std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
    return path.empty() ? base : base + "/" + path;
}

// A sleeping thread wakes some time after it asked to, more on a loaded machine. The wait
// sleeps through most of the delay and stays awake for the rest, so each operation costs the
// delay itself rather than the delay and however late the wake-up came.
void waitOut(std::chrono::microseconds delay) {
    constexpr std::chrono::microseconds kWakeMargin{200};
    auto deadline = std::chrono::steady_clock::now() + delay;
    if (delay > kWakeMargin) {
        std::this_thread::sleep_for(delay - kWakeMargin);
    }
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

}  // namespace

uint64_t toFileTime(int64_t seconds, int64_t nanoseconds) {
    return static_cast<uint64_t>((seconds + kEpochDelta) * 10000000LL + nanoseconds / 100);
}

void FileSystem::count(uint64_t FsCounters::*field) {
    counters.*field += 1;
    if (delay_.count() > 0) {
        waitOut(delay_);
    }
}

bool FileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes) {
    count(&FsCounters::opens);
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char buffer[65536];
    bool ok = true;
    while (out.size() < maxBytes) {
        size_t want = std::min(sizeof buffer, maxBytes - out.size());
        ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) {
        out.clear();
    }
    return ok;
}

bool FileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                              uint64_t& size) {
    count(&FsCounters::opens);
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    size = ok ? static_cast<uint64_t>(st.st_size) : 0;
    off_t offset = static_cast<off_t>(size > maxBytes ? size - maxBytes : 0);
    out.resize(static_cast<size_t>(size - static_cast<uint64_t>(offset)));
    size_t done = 0;
    while (ok && done < out.size()) {
        ssize_t n = ::pread(fd, out.data() + done, out.size() - done, offset + off_t(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n >= 0;
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(ok ? done : 0);
    return ok;
}

bool FileSystem::writeFile(const std::string& path, std::string_view data) {
    count(&FsCounters::writes);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && writeAndClose(fd, data, false);
}

bool FileSystem::appendFile(const std::string& path, std::string_view data) {
    count(&FsCounters::writes);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd >= 0 && writeAndClose(fd, data, false);
}

bool FileSystem::replaceFile(const std::string& path, std::string_view data,
                             const std::string& tempPath) {
    count(&FsCounters::writes);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    if (!writeAndClose(fd, data, true)) {
        ::unlink(tempPath.c_str());
        return false;
    }
    count(&FsCounters::renames);
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return false;
    }
    return true;
}

bool FileSystem::exists(const std::string& path) {
    count(&FsCounters::stats);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool FileSystem::isDirectory(const std::string& path) {
    count(&FsCounters::stats);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                               EntryTimes times) {
    count(&FsCounters::listings);
    out.clear();
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        return false;
    }
    int dirFd = ::dirfd(d);
    errno = 0;
    while (struct dirent* ent = ::readdir(d)) {
        std::string name = ent->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        DirEntry entry;
        entry.name = name;
        bool kindKnown = ent->d_type != DT_UNKNOWN && ent->d_type != DT_LNK;
        entry.isRegular = ent->d_type == DT_REG;
        struct stat st;
        if ((times == EntryTimes::Read || !kindKnown) &&
            ::fstatat(dirFd, ent->d_name, &st, 0) == 0) {
            entry.isRegular = S_ISREG(st.st_mode);
            entry.fileTime = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        }
        out.push_back(std::move(entry));
    }
    bool ok = errno == 0;
    ::closedir(d);
    if (!ok) {
        out.clear();
    }
    return ok;
}

bool FileSystem::removeFile(const std::string& path) {
    count(&FsCounters::deletes);
    return ::unlink(path.c_str()) == 0;
}

CopyResult FileSystem::copyFile(const std::string& from, const std::string& to) {
    std::string data;
    if (!readFile(from, data)) {
        return CopyResult::Failed;
    }
    count(&FsCounters::writes);
    int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno == ENOENT ? CopyResult::PathNotFound : CopyResult::Failed;
    }
    return writeAndClose(fd, data, false) ? CopyResult::Ok : CopyResult::Failed;
}

MakeDirResult FileSystem::makeDirectory(const std::string& path) {
    count(&FsCounters::writes);
    if (::mkdir(path.c_str(), 0755) == 0) {
        return MakeDirResult::Created;
    }
    return errno == EEXIST ? MakeDirResult::Exists : MakeDirResult::Failed;
}

bool FileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    count(&FsCounters::stats);
    struct statvfs sv;
    if (::statvfs(path.c_str(), &sv) != 0) {
        return false;
    }
    bytes = static_cast<uint64_t>(sv.f_bavail) * static_cast<uint64_t>(sv.f_frsize);
    return true;
}

std::string FileSystem::mountPoint(const std::string& path) {
    std::string p = absolute(path);
    struct stat st;
    for (;;) {
        count(&FsCounters::stats);
        if (::stat(p.c_str(), &st) == 0 || p == "/") {
            break;
        }
        p = parentOf(p);
    }
    // Climb while the parent lies on the same file system.
    while (p != "/") {
        std::string parent = parentOf(p);
        struct stat up;
        count(&FsCounters::stats);
        if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) {
            break;
        }
        p = parent;
    }
    return p;
}

bool FileSystem::fileTime(const std::string& path, uint64_t& time) {
    count(&FsCounters::stats);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    time = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
}
