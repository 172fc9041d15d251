#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fixed_text.h"
#include "platform/path.h"
#include "platform/posix_io.h"

using posix::enterLevels;
using posix::fillEntry;
using posix::openFolderWithoutLinks;
using posix::writeAndClose;

namespace {

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

}  // namespace

bool PosixFileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                                    EntryTimes times, std::string_view suffix) {
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
            fillEntry(entry, st);
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

MakeDirResult PosixFileSystem::makeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        return MakeDirResult::Created;
    }
    return errno == EEXIST ? MakeDirResult::Exists : MakeDirResult::Failed;
}

bool PosixFileSystem::realFolderPath(const std::string& path, std::string& real) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
        return false;
    }
    real = resolved;
    std::free(resolved);
    struct stat st;
    return ::stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::removeInFolder(const std::string& real,
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

bool PosixFileSystem::writeInFolder(const std::string& real, const std::string& name,
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

bool PosixFileSystem::makeFoldersBelow(const std::string& root, const std::string& relative) {
    int fd =
        enterLevels(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), relative, true, O_PATH);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool PosixFileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    struct statvfs sv;
    if (::statvfs(path.c_str(), &sv) != 0) {
        return false;
    }
    bytes = static_cast<uint64_t>(sv.f_bavail) * static_cast<uint64_t>(sv.f_frsize);
    return true;
}

std::string PosixFileSystem::mountPoint(const std::string& path) {
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
