#include "plain_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fixed_text.h"
#include "platform/path.h"
#include "platform/posix_io.h"

void PlainFileSystem::setRecordFile(std::string path, size_t headSize, size_t recordSize) {
    recordFile_ = std::move(path);
    headSize_ = headSize;
    recordSize_ = std::max<size_t>(recordSize, 1);
}

void PlainFileSystem::setFolderNames(const std::string& dir, std::vector<std::string> names) {
    folderNames_[dir] = std::move(names);
}

bool PlainFileSystem::plainlyMissing(const std::string& path) {
    return plain() && !CountingFileSystem::exists(path);
}

bool PlainFileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes,
                               Links links) {
    if (plainlyMissing(path)) {
        out.clear();
        return false;
    }
    if (isRecordFile(path)) {
        return readRecords(path, out, maxBytes);
    }
    return CountingFileSystem::readFile(path, out, maxBytes, links);
}

ReadResult PlainFileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
    if (plainlyMissing(path)) {
        out.clear();
        return ReadResult::Unreadable;
    }
    return CountingFileSystem::readCapped(path, out, cap);
}

bool PlainFileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                                   uint64_t& size) {
    if (plainlyMissing(path)) {
        out.clear();
        size = 0;
        return false;
    }
    return CountingFileSystem::readFileTail(path, maxBytes, out, size);
}

SaveResult PlainFileSystem::saveFile(const std::string& path, std::string_view data, Trust trust) {
    if (!isRecordFile(path)) {
        return CountingFileSystem::saveFile(path, data, trust);
    }
    size_t head = std::min(headSize_, data.size());
    bool ok = CountingFileSystem::writeFile(path, data.substr(0, head));
    for (size_t at = head; ok && at < data.size(); at += recordSize_) {
        ok = CountingFileSystem::appendFile(path, data.substr(at, recordSize_));
    }
    SaveResult result;
    result.how = ok ? SaveResult::InPlace : SaveResult::Failed;
    result.error = ok ? 0 : errno;
    return result;
}

bool PlainFileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                                    EntryTimes times, std::string_view suffix) {
    auto known = plain() ? folderNames_.find(dir) : folderNames_.end();
    if (known != folderNames_.end()) {
        lookUpNames(dir, known->second, times, suffix, out);
        return true;
    }
    if (!plain() || times == EntryTimes::Skip) {
        return CountingFileSystem::listDirectory(dir, out, times, suffix);
    }
    // The names, then one query of each entry's details, counted as a stat each.
    if (!CountingFileSystem::listDirectory(dir, out, times, suffix)) {
        return false;
    }
    count(&FsCounters::stats, out.size());
    return true;
}

bool PlainFileSystem::readRecords(const std::string& path, std::string& out, size_t maxBytes) {
    out.clear();
    std::string piece;
    size_t want = std::min(headSize_ > 0 ? headSize_ : recordSize_, maxBytes);
    while (want > 0) {
        if (!readRange(path, out.size(), want, piece)) {
            return !out.empty();
        }
        out += piece;
        if (piece.size() < want) {
            break;
        }
        want = std::min(recordSize_, maxBytes - out.size());
    }
    return true;
}

bool PlainFileSystem::readRange(const std::string& path, uint64_t offset, size_t size,
                                std::string& out) {
    count(&FsCounters::opens);
    out.assign(size, '\0');
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.clear();
        return false;
    }
    ssize_t n = ::pread(fd, out.data(), size, static_cast<off_t>(offset));
    ::close(fd);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n >= 0;
}

void PlainFileSystem::lookUpNames(const std::string& dir, const std::vector<std::string>& names,
                                  EntryTimes times, std::string_view suffix,
                                  std::vector<DirEntry>& out) {
    out.clear();
    int follow = times == EntryTimes::Own ? AT_SYMLINK_NOFOLLOW : 0;
    for (const std::string& name : names) {
        if (!endsWithNoCase(name, suffix)) {
            continue;
        }
        count(&FsCounters::stats);
        struct stat st;
        if (::fstatat(AT_FDCWD, joinPath(dir, name).c_str(), &st, follow) != 0) {
            continue;
        }
        DirEntry entry;
        entry.name = name;
        posix::fillEntry(entry, st);
        out.push_back(std::move(entry));
    }
}
