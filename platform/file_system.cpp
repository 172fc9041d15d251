#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/fixed_text.h"
#include "platform/path.h"

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

// errno values that say why a file was refused: a link where none is followed, an entry that is
// not a regular file, a file that other names link to.
constexpr int kIsLink = ELOOP;
constexpr int kNotRegular = EINVAL;
constexpr int kOtherLinks = EMLINK;

// Opens path without waiting (a FIFO with no writer, or no reader, does not block) and keeps it
// open only when it is a regular file; for a write, only one no other name links to, as the
// same file under another name may be anybody's. Sets errno and gives -1 otherwise.
int openRegular(const std::string& path, int flags, Links links, bool singleLink,
                struct stat* info = nullptr) {
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

// Appends up to maxBytes of what fd holds to out; false (out emptied) on a read error.
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

// Reads up to n bytes from offset into out (fewer at the end of the file); false (out emptied)
// on a read error.
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

bool copyContents(int in, int out) {
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        if (!writeAll(out, std::string_view(buffer, static_cast<size_t>(n)))) {
            return false;
        }
    }
}

// The file a chain of links at path ends in (path itself when it is no link). A link whose
// target is missing gives that target, so a save creates it.
std::string linkTarget(const std::string& path) {
    constexpr int kMostLinks = 40;
    std::string p = path;
    for (int i = 0; i < kMostLinks; ++i) {
        char buffer[4096];
        ssize_t n = ::readlink(p.c_str(), buffer, sizeof buffer);
        if (n <= 0 || static_cast<size_t>(n) == sizeof buffer) {
            break;
        }
        std::string next(buffer, static_cast<size_t>(n));
        size_t slash = p.find_last_of('/');
        p = next[0] == '/' || slash == std::string::npos ? next : p.substr(0, slash + 1) + next;
    }
    return p;
}

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

// Creates a new file dir/<prefix>.<unique> for writing. The exclusive create fails on any entry
// already there (a link, a FIFO, anybody's file), so it only ever makes a file of its own.
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

// Reserves room for data first, so a full disk fails the write before the old contents are
// touched (where the file system cannot reserve, the write goes ahead as it is).
bool writeInPlace(int fd, std::string_view data) {
    off_t size = static_cast<off_t>(data.size());
    if (size > 0 && ::fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, off_t(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
}

// A file of the operator's that a save creates is for the operator only: the settings file
// holds the web monitor's token.
constexpr mode_t kOperatorFileMode = 0600;

// Writes data to a new temporary beside target and renames it over target, keeping the mode of
// the file it replaces (and, for the operator's file, its owner). On failure the temporary is
// gone; result.tempError is set when the way through a temporary is closed (none can be made,
// or the owner cannot be kept), result.error for any other failure.
bool replaceThroughTemporary(const std::string& target, std::string_view data,
                             const struct stat* old, bool keepOwner, SaveResult& result) {
    size_t slash = target.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp;
    int fd = createOwnFile(dir.empty() && slash == 0 ? "/" : dir, base + ".tmp", temp);
    if (fd < 0) {
        result.tempError = errno;
        return false;
    }
    bool ownerKept = true;
    if (old) {
        ::fchmod(fd, old->st_mode & 0777);
        bool otherOwner = old->st_uid != ::geteuid() || old->st_gid != ::getegid();
        ownerKept = !keepOwner || !otherOwner || ::fchown(fd, old->st_uid, old->st_gid) == 0;
    } else if (keepOwner) {
        ::fchmod(fd, kOperatorFileMode);
    }
    if (!ownerKept) {
        result.tempError = errno;
        ::close(fd);
    } else if (!writeAndClose(fd, data, true)) {
        result.error = errno;
    } else if (::rename(temp.c_str(), target.c_str()) != 0) {
        result.error = errno;
    } else {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

// Enters the levels ("/"-separated names) from the folder fd, which it closes, making each
// first when make is set: every level is opened as a folder without following a link, the
// last one with lastFlags. The last level's descriptor, or -1 when a level is missing, is no
// folder, is a link, or is "." or "..".
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

// Opens the folder real, a path without links, entering each level without following a link;
// the last level with lastFlags. -1 when a level is missing, is no folder or is a link.
int openFolderWithoutLinks(const std::string& real, int lastFlags) {
    if (!real.starts_with('/')) {
        errno = EINVAL;
        return -1;
    }
    int root = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    return enterLevels(root, std::string_view(real).substr(1), false, lastFlags);
}

// Converts a POSIX modification time to a Windows-style file time.
uint64_t toFileTime(int64_t seconds, int64_t nanoseconds) {
    return static_cast<uint64_t>((seconds + kEpochDelta) * 10000000LL + nanoseconds / 100);
}

}  // namespace

std::string fileErrorText(int error) {
    switch (error) {
        case kIsLink:
            return "it is a link";
        case kNotRegular:
            return "it is not a regular file";
        case kOtherLinks:
            return "other names link to it";
        default:
            return std::strerror(error);
    }
}

bool FileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes, Links links) {
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

ReadResult FileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
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

bool FileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
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

bool FileSystem::readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
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

bool FileSystem::writeFile(const std::string& path, std::string_view data) {
    int fd = openRegular(path, O_WRONLY | O_CREAT, Links::Refuse, true);
    if (fd < 0) {
        return false;
    }
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    return writeAndClose(fd, data, false);
}

bool FileSystem::appendFile(const std::string& path, std::string_view data) {
    int fd = openRegular(path, O_WRONLY | O_CREAT | O_APPEND, Links::Refuse, true);
    return fd >= 0 && writeAndClose(fd, data, false);
}

SaveResult FileSystem::saveFile(const std::string& path, std::string_view data, Trust trust) {
    bool own = trust == Trust::Operator;
    std::string target = own ? linkTarget(path) : path;
    struct stat old;
    bool haveOld = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    SaveResult result;
    // A file of the operator's with other names linked to it is written in place, so that every
    // name keeps seeing the same file.
    if (own && haveOld && old.st_nlink > 1) {
        result.tempError = EMLINK;
    } else if (replaceThroughTemporary(target, data, haveOld ? &old : nullptr, own, result)) {
        result.how = SaveResult::Replaced;
        return result;
    }
    if (result.tempError == 0) {
        return result;
    }
    int fd = openRegular(target, O_WRONLY | O_CREAT, own ? Links::Follow : Links::Refuse, !own);
    if (fd >= 0 && own && !haveOld) {
        ::fchmod(fd, kOperatorFileMode);
    }
    bool written = fd >= 0 && writeInPlace(fd, data);
    result.error = written ? 0 : errno;
    if (fd >= 0 && ::close(fd) != 0 && written) {
        written = false;
        result.error = errno;
    }
    result.how = written ? SaveResult::InPlace : SaveResult::Failed;
    return result;
}

bool FileSystem::probeFolder(const std::string& dir) {
    std::string probe;
    int fd = createOwnFile(dir, ".kestrun-probe", probe);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

CopyResult FileSystem::moveIntoFolder(const std::string& from, const std::string& folder) {
    int dirFd =
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (dirFd < 0) {
        return errno == ENOENT ? CopyResult::PathNotFound : CopyResult::Failed;
    }
    size_t slash = from.find_last_of('/');
    std::string name = slash == std::string::npos ? from : from.substr(slash + 1);
    bool moved = ::renameat(AT_FDCWD, from.c_str(), dirFd, name.c_str()) == 0;
    ::close(dirFd);
    return moved ? CopyResult::Ok : CopyResult::Failed;
}

bool FileSystem::exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool FileSystem::isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out, EntryTimes times,
                               std::string_view suffix) {
    out.clear();
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        return false;
    }
    int dirFd = ::dirfd(d);
    // errno is cleared before each readdir, so that only a failure of the listing itself, not a
    // failed look at one entry, fails the listing.
    for (errno = 0; struct dirent* ent = ::readdir(d); errno = 0) {
        std::string_view name = ent->d_name;
        if (name == "." || name == ".." || !endsWithNoCase(name, suffix)) {
            continue;
        }
        DirEntry entry;
        entry.name = name;
        bool kindKnown = ent->d_type != DT_UNKNOWN && ent->d_type != DT_LNK;
        entry.isRegular = ent->d_type == DT_REG;
        struct stat st;
        if (times != EntryTimes::Skip || !kindKnown) {
            // An entry that cannot be looked at (a dangling or looping link, one just removed)
            // is left out; the rest of the listing stands.
            int follow = times == EntryTimes::Own ? AT_SYMLINK_NOFOLLOW : 0;
            if (::fstatat(dirFd, ent->d_name, &st, follow) != 0) {
                continue;
            }
            entry.isRegular = S_ISREG(st.st_mode);
            entry.fileTime = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
            entry.size = static_cast<uint64_t>(st.st_size);
            entry.modifiedNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
            entry.inode = static_cast<uint64_t>(st.st_ino);
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
    return ::unlink(path.c_str()) == 0;
}

CopyResult FileSystem::copyFile(const std::string& from, const std::string& to) {
    int in = openRegular(from, O_RDONLY, Links::Follow, false);
    if (in < 0) {
        return CopyResult::Failed;
    }
    int out = openRegular(to, O_WRONLY | O_CREAT, Links::Refuse, true);
    if (out < 0) {
        CopyResult result = errno == ENOENT ? CopyResult::PathNotFound : CopyResult::Failed;
        ::close(in);
        return result;
    }
    bool ok = ::ftruncate(out, 0) == 0 && copyContents(in, out);
    ::close(in);
    return ::close(out) == 0 && ok ? CopyResult::Ok : CopyResult::Failed;
}

MakeDirResult FileSystem::makeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        return MakeDirResult::Created;
    }
    return errno == EEXIST ? MakeDirResult::Exists : MakeDirResult::Failed;
}

bool FileSystem::realFolderPath(const std::string& path, std::string& real) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
        return false;
    }
    real = resolved;
    std::free(resolved);
    struct stat st;
    return ::stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystem::removeInFolder(const std::string& real,
                                const std::function<bool(std::string_view)>& remove) {
    int fd = openFolderWithoutLinks(real, O_RDONLY);
    DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!d) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    for (errno = 0; struct dirent* ent = ::readdir(d); errno = 0) {
        struct stat st;
        if (remove(ent->d_name) &&
            ::fstatat(::dirfd(d), ent->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            ::unlinkat(::dirfd(d), ent->d_name, 0);
        }
    }
    bool ok = errno == 0;
    ::closedir(d);
    return ok;
}

bool FileSystem::writeInFolder(const std::string& real, const std::string& name,
                               std::string_view data) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return false;
    }
    int dir = openFolderWithoutLinks(real, O_PATH);
    if (dir < 0) {
        return false;
    }
    int fd =
        ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    ::close(dir);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1 ||
                    ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return false;
    }
    return fd >= 0 && writeAndClose(fd, data, false);
}

bool FileSystem::makeFoldersBelow(const std::string& root, const std::string& relative) {
    int fd =
        enterLevels(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), relative, true, O_PATH);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool FileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    struct statvfs sv;
    if (::statvfs(path.c_str(), &sv) != 0) {
        return false;
    }
    bytes = static_cast<uint64_t>(sv.f_bavail) * static_cast<uint64_t>(sv.f_frsize);
    return true;
}

std::string FileSystem::mountPoint(const std::string& path) {
    std::string p = absolutePath(path);
    struct stat st;
    for (;;) {
        if (::stat(p.c_str(), &st) == 0 || p == "/") {
            break;
        }
        p = parentOf(p);
    }
    // Climb while the parent lies on the same file system.
    while (p != "/") {
        std::string parent = parentOf(p);
        struct stat up;
        if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) {
            break;
        }
        p = parent;
    }
    return p;
}

bool FileSystem::fileTime(const std::string& path, uint64_t& time) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    time = toFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
}
