#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// "process <pid> on host <name>" for this process.
std::string thisProcessHolder() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') {
        host[0] = '?';
        host[1] = '\0';
    }
    return "process " + std::to_string(getpid()) + " on host " + host;
}

constexpr size_t kLongestHolder = 300;
constexpr const char* kUnknownHolder = "an unknown process";
// A farm writes its line just after it took the lock: a look in between finds the file empty.
constexpr int kHolderLooks = 25;
constexpr auto kHolderPause = std::chrono::milliseconds(20);

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// True for text of the form "process <digits> on host <printable, no blank>", with or without
// its line end.
bool isHolderLine(std::string text) {
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    const std::string head = "process ";
    const std::string middle = " on host ";
    if (!text.starts_with(head)) {
        return false;
    }
    size_t i = head.size();
    size_t digits = i;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    if (i == digits || text.compare(i, middle.size(), middle) != 0) {
        return false;
    }
    i += middle.size();
    if (i == text.size()) {
        return false;
    }
    for (; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7f) {
            return false;
        }
    }
    return true;
}

std::string readAll(int fd) {
    char buffer[kLongestHolder + 1];
    ssize_t n = pread(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// The holder's line, waiting a moment for a holder that has not written it yet.
std::string holderOf(int fd) {
    std::string text = readAll(fd);
    for (int look = 1; look < kHolderLooks && text.empty(); ++look) {
        std::this_thread::sleep_for(kHolderPause);
        text = readAll(fd);
    }
    if (!isHolderLine(text)) {
        return kUnknownHolder;
    }
    if (text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// A file found in place is rewritten only when it is plainly a lock file: one link, small, and
// empty or holding a holder line. Anything else (a hard link to another file, someone's notes)
// keeps its bytes; the lock still holds, only the holder is not named.
bool mayRewrite(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_nlink != 1 ||
        st.st_size > static_cast<off_t>(kLongestHolder)) {
        return false;
    }
    std::string text = readAll(fd);
    return text.empty() || isHolderLine(text);
}

void writeHolder(int fd) {
    std::string line = thisProcessHolder() + "\n";
    if (ftruncate(fd, 0) == 0) {
        ssize_t written = pwrite(fd, line.data(), line.size(), 0);
        (void)written;  // a holder line that could not be written only leaves the holder unnamed
    }
}

// Opens the lock file without following a link and without blocking on a FIFO; made tells
// whether this call created it.
int openLockFile(const std::string& path, bool& made) {
    constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, 0666);
    made = fd >= 0;
    if (fd < 0 && errno == EEXIST) {
        fd = open(path.c_str(), O_RDWR | kFlags);
        if (fd < 0 && errno == EACCES) {
            fd = open(path.c_str(), O_RDONLY | kFlags);  // another user's file: lock, not write
        }
    }
    return fd;
}

// True when dir is (now) a real folder of this user's that no one else may write into.
bool usablePrivateFolder(const std::string& dir) {
    if (dir.empty() || dir[0] != '/') {
        return false;
    }
    mkdir(dir.c_str(), 0700);
    struct stat st {};
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 022) == 0;
}

// FNV-1a, 64 bits.
uint64_t hashOf(std::string_view text) {
    uint64_t hash = 14695981039346656037ULL;
    for (char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::string privateLockFolder() {
    std::string uid = std::to_string(geteuid());
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    for (const std::string& dir : {runtime ? std::string(runtime) + "/kestrun" : std::string(),
                                   "/run/user/" + uid + "/kestrun", "/tmp/kestrun-" + uid}) {
        if (usablePrivateFolder(dir)) {
            return dir;
        }
    }
    return {};
}

std::string folderLockName(std::string_view kind, const std::string& folder) {
    char* resolved = realpath(folder.c_str(), nullptr);
    std::string real = resolved ? resolved : folder;
    std::free(resolved);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hashOf(real)));
    return std::string(kind) + "-" + hex + ".lock";
}

FileLock::~FileLock() {
    release();
}

void FileLock::release() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

LockResult FileLock::take(const std::string& path, std::string& holder) {
    release();
    bool made = false;
    int fd = openLockFile(path, made);
    if (fd < 0) {
        return LockResult::Unusable;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return LockResult::Unusable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool busy = errno == EWOULDBLOCK;
        if (busy) {
            holder = holderOf(fd);
        }
        close(fd);
        return busy ? LockResult::HeldElsewhere : LockResult::Unusable;
    }
    if (made || mayRewrite(fd)) {
        writeHolder(fd);
    }
    fd_ = fd;
    holder = thisProcessHolder();
    return LockResult::Taken;
}
