#include "platform/posix_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

namespace posix {

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600LL;

// A name no earlier call gave in this process, nor most likely any other process.
std::string uniqueSuffix() {
    static std::atomic<uint64_t> calls{0};
    uint64_t mix =
        static_cast<uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ULL ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (calls.fetch_add(1) * 0xBF58476D1CE4E5B9ULL);
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    for (int i = 0; i < 8; ++i, mix /= 36) {
        out.push_back(kDigits[mix % 36]);
    }
    return out;
}

}  // namespace

int openRegular(const std::string& path, int flags, Links links, bool singleLink,
                struct stat* info) {
    int extra = O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    int fd = ::open(path.c_str(), flags | extra, 0666);
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    int refused = 0;
    if (::fstat(fd, &st) != 0) {
        refused = errno;
    } else if (!S_ISREG(st.st_mode)) {
        refused = S_ISDIR(st.st_mode) ? EISDIR : kNotRegular;
    } else if (singleLink && st.st_nlink > 1) {
        refused = kOtherLinks;
    }
    if (refused != 0) {
        ::close(fd);
        errno = refused;
        return -1;
    }
    if (info) {
        *info = st;
    }
    return fd;
}

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

bool readUpTo(int fd, std::string& out, size_t maxBytes) {
    char buffer[65536];
    while (out.size() < maxBytes) {
        size_t want = std::min(sizeof buffer, maxBytes - out.size());
        ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            out.clear();
            return false;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool readAt(int fd, uint64_t offset, size_t n, std::string& out) {
    out.resize(n);
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd, out.data() + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            out.clear();
            return false;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    out.resize(done);
    return true;
}

int createOwnFile(const std::string& dir, std::string_view prefix, std::string& made) {
    constexpr int kTries = 20;
    for (int i = 0; i < kTries; ++i) {
        made =
            (dir.empty() ? std::string() : dir + "/") + std::string(prefix) + "." + uniqueSuffix();
        int fd = ::open(made.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

int enterLevels(int fd, std::string_view levels, bool make, int lastFlags) {
    for (size_t at = 0; fd >= 0 && at < levels.size();) {
        size_t end = std::min(levels.find('/', at), levels.size());
        std::string name(levels.substr(at, end - at));
        at = end + 1;
        if (name.empty()) {
            continue;
        }
        int flags = (at >= levels.size() ? lastFlags : O_PATH) | O_DIRECTORY | O_NOFOLLOW;
        bool there = !make || ::mkdirat(fd, name.c_str(), 0755) == 0 || errno == EEXIST;
        int next = !there || name == "." || name == ".."
                       ? -1
                       : ::openat(fd, name.c_str(), flags | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

int openFolderWithoutLinks(const std::string& real, int lastFlags) {
    if (!real.starts_with('/')) {
        errno = EINVAL;
        return -1;
    }
    int root = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    return enterLevels(root, std::string_view(real).substr(1), false, lastFlags);
}

uint64_t toFileTime(int64_t seconds, int64_t nanoseconds) {
    return static_cast<uint64_t>((seconds + kEpochDelta) * 10000000LL + nanoseconds / 100);
}

void fillEntry(DirEntry& entry, const struct stat& st) {
    entry.isRegular = S_ISREG(st.st_mode);
    entry.fileTime = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    entry.size = static_cast<uint64_t>(st.st_size);
    entry.modifiedNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    entry.inode = static_cast<uint64_t>(st.st_ino);
}

}  // namespace posix

std::string fileErrorText(int error) {
    switch (error) {
        case posix::kIsLink:
            return "it is a link";
        case posix::kNotRegular:
            return "it is not a regular file";
        case posix::kOtherLinks:
            return "other names link to it";
        default:
            return std::strerror(error);
    }
}
