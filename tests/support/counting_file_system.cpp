#include "counting_file_system.h"

#include <algorithm>
#include <thread>

#include "platform/path.h"

namespace {

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

// How many steps up (each dropping the last '/' and what follows it) lead from an absolute
// path to "/": 0 for "/", 1 for "/a", 2 for "/a/b" and for "/a/".
uint64_t depthOf(const std::string& path) {
    return path == "/" ? 0 : static_cast<uint64_t>(std::count(path.begin(), path.end(), '/'));
}

}  // namespace

void CountingFileSystem::count(uint64_t FsCounters::*field, uint64_t times) {
    counters.*field += times;
    for (uint64_t i = 0; i < times && delay_.count() > 0; ++i) {
        waitOut(delay_);
    }
}

bool CountingFileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes,
                                  Links links) {
    count(&FsCounters::opens);
    return ForwardingFileSystem::readFile(path, out, maxBytes, links);
}

ReadResult CountingFileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
    count(&FsCounters::opens);
    return ForwardingFileSystem::readCapped(path, out, cap);
}

bool CountingFileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                                      uint64_t& size) {
    count(&FsCounters::opens);
    return ForwardingFileSystem::readFileTail(path, maxBytes, out, size);
}

bool CountingFileSystem::writeFile(const std::string& path, std::string_view data) {
    count(&FsCounters::writes);
    return ForwardingFileSystem::writeFile(path, data);
}

bool CountingFileSystem::appendFile(const std::string& path, std::string_view data) {
    count(&FsCounters::writes);
    return ForwardingFileSystem::appendFile(path, data);
}

SaveResult CountingFileSystem::saveFile(const std::string& path, std::string_view data,
                                        Trust trust) {
    count(&FsCounters::writes);
    SaveResult result = ForwardingFileSystem::saveFile(path, data, trust);
    if (result.how == SaveResult::Replaced) {
        count(&FsCounters::renames);
    }
    return result;
}

bool CountingFileSystem::probeFolder(const std::string& dir) {
    count(&FsCounters::writes);
    bool made = ForwardingFileSystem::probeFolder(dir);
    if (made) {
        count(&FsCounters::deletes);
    }
    return made;
}

CopyResult CountingFileSystem::moveIntoFolder(const std::string& from, const std::string& folder) {
    count(&FsCounters::renames);
    return ForwardingFileSystem::moveIntoFolder(from, folder);
}

bool CountingFileSystem::exists(const std::string& path) {
    count(&FsCounters::stats);
    return ForwardingFileSystem::exists(path);
}

bool CountingFileSystem::isDirectory(const std::string& path) {
    count(&FsCounters::stats);
    return ForwardingFileSystem::isDirectory(path);
}

bool CountingFileSystem::readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                                      std::string& head, std::string& tail, uint64_t& size) {
    count(&FsCounters::opens);
    return ForwardingFileSystem::readFileEnds(path, headBytes, tailBytes, head, tail, size);
}

bool CountingFileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                                       EntryTimes times, std::string_view suffix) {
    count(&FsCounters::listings);
    return ForwardingFileSystem::listDirectory(dir, out, times, suffix);
}

bool CountingFileSystem::removeFile(const std::string& path) {
    count(&FsCounters::deletes);
    return ForwardingFileSystem::removeFile(path);
}

CopyResult CountingFileSystem::copyFile(const std::string& from, const std::string& to) {
    count(&FsCounters::opens);
    count(&FsCounters::writes);
    return ForwardingFileSystem::copyFile(from, to);
}

MakeDirResult CountingFileSystem::makeDirectory(const std::string& path) {
    count(&FsCounters::writes);
    return ForwardingFileSystem::makeDirectory(path);
}

bool CountingFileSystem::realFolderPath(const std::string& path, std::string& real) {
    count(&FsCounters::stats);
    return ForwardingFileSystem::realFolderPath(path, real);
}

bool CountingFileSystem::removeInFolder(const std::string& real,
                                        const std::function<bool(std::string_view)>& remove) {
    count(&FsCounters::listings);
    count(&FsCounters::deletes);
    return ForwardingFileSystem::removeInFolder(real, remove);
}

bool CountingFileSystem::writeInFolder(const std::string& real, const std::string& name,
                                       std::string_view data) {
    count(&FsCounters::writes);
    return ForwardingFileSystem::writeInFolder(real, name, data);
}

bool CountingFileSystem::makeFoldersBelow(const std::string& root, const std::string& relative) {
    count(&FsCounters::writes);
    return ForwardingFileSystem::makeFoldersBelow(root, relative);
}

bool CountingFileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    count(&FsCounters::stats);
    return ForwardingFileSystem::freeSpace(path, bytes);
}

std::string CountingFileSystem::mountPoint(const std::string& path) {
    std::string mount = ForwardingFileSystem::mountPoint(path);
    // The search looks at each level from the path up to the mount point, and at the parent of
    // the mount point that tells it to stop (none above "/").
    uint64_t from = depthOf(absolutePath(path));
    uint64_t to = depthOf(mount);
    count(&FsCounters::stats, (from > to ? from - to : 0) + 1 + (mount != "/" ? 1 : 0));
    return mount;
}

bool CountingFileSystem::fileTime(const std::string& path, uint64_t& time) {
    count(&FsCounters::stats);
    return ForwardingFileSystem::fileTime(path, time);
}
