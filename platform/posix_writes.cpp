#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_io.h"

using posix::createOwnFile;
using posix::openRegular;
using posix::writeAll;
using posix::writeAndClose;

namespace {

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

}  // namespace

bool PosixFileSystem::writeFile(const std::string& path, std::string_view data) {
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

bool PosixFileSystem::appendFile(const std::string& path, std::string_view data) {
    int fd = openRegular(path, O_WRONLY | O_CREAT | O_APPEND, Links::Refuse, true);
    return fd >= 0 && writeAndClose(fd, data, false);
}

SaveResult PosixFileSystem::saveFile(const std::string& path, std::string_view data, Trust trust) {
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

bool PosixFileSystem::probeFolder(const std::string& dir) {
    std::string probe;
    int fd = createOwnFile(dir, ".kestrun-probe", probe);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

CopyResult PosixFileSystem::moveIntoFolder(const std::string& from, const std::string& folder) {
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

bool PosixFileSystem::removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

CopyResult PosixFileSystem::copyFile(const std::string& from, const std::string& to) {
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
