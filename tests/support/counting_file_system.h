// The file system with its operations counted, for tests and benchmarks: CountingFileSystem
// forwards every call to the file system it wraps (a real one of its own unless given another,
// as ForwardingFileSystem does), counting the call first in `counters` (opens, listings, stats,
// writes, renames, deletes) and, when a delay is set, waiting it out once for each operation
// counted, so a benchmark can run the farm as if its folders were on a network share.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forwarding_file_system.h"

struct FsCounters {
    uint64_t opens = 0;
    uint64_t listings = 0;
    uint64_t stats = 0;
    uint64_t writes = 0;
    uint64_t renames = 0;
    uint64_t deletes = 0;
    uint64_t total() const { return opens + listings + stats + writes + renames + deletes; }
};

// Every operation is counted, so every one is overridden.
class CountingFileSystem : public ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;

    // The defaults are the interface's, so calls through a CountingFileSystem read the same.
    bool readFile(const std::string& path, std::string& out,
                  size_t maxBytes = std::numeric_limits<size_t>::max(),
                  Links links = Links::Follow) override;
    ReadResult readCapped(const std::string& path, std::string& out, size_t cap) override;
    bool readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                      uint64_t& size) override;
    bool readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                      std::string& head, std::string& tail, uint64_t& size) override;
    bool writeFile(const std::string& path, std::string_view data) override;
    bool appendFile(const std::string& path, std::string_view data) override;
    // A write, and a rename when the file was replaced through a temporary.
    SaveResult saveFile(const std::string& path, std::string_view data, Trust trust) override;
    // A write, and a delete when the probe file was made.
    bool probeFolder(const std::string& dir) override;
    CopyResult moveIntoFolder(const std::string& from, const std::string& folder) override;
    bool exists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    bool listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                       EntryTimes times = EntryTimes::Read, std::string_view suffix = {}) override;
    bool removeFile(const std::string& path) override;
    // An open of the source and a write of the copy.
    CopyResult copyFile(const std::string& from, const std::string& to) override;
    MakeDirResult makeDirectory(const std::string& path) override;
    bool realFolderPath(const std::string& path, std::string& real) override;
    // A listing, and a delete for the whole of it.
    bool removeInFolder(const std::string& real,
                        const std::function<bool(std::string_view)>& remove) override;
    bool writeInFolder(const std::string& real, const std::string& name,
                       std::string_view data) override;
    bool makeFoldersBelow(const std::string& root, const std::string& relative) override;
    bool freeSpace(const std::string& path, uint64_t& bytes) override;
    // One stat for each folder level looked at on the way up.
    std::string mountPoint(const std::string& path) override;
    bool fileTime(const std::string& path, uint64_t& time) override;

    // Counts one operation of the kind field names (and waits the delay), for an operation a
    // benchmark adds of its own.
    void count(uint64_t FsCounters::*field, uint64_t times = 1);

    FsCounters counters;
    void resetCounters() { counters = FsCounters{}; }
    void setDelay(std::chrono::microseconds perOperation) { delay_ = perOperation; }

  private:
    std::chrono::microseconds delay_{0};
};
