// A file system that hands every operation to another one, unchanged: the base of a file system
// that changes a few operations (counts them, delays them, answers a full disk, keeps them inside
// a sandbox) and overrides only those, calling ForwardingFileSystem's for the real work. Made
// without a target, it forwards to a real PosixFileSystem of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix_file_system.h"

class ForwardingFileSystem : public FileSystem {
  public:
    ForwardingFileSystem() : target_(own_) {}
    explicit ForwardingFileSystem(FileSystem& target) : target_(target) {}
    ForwardingFileSystem(const ForwardingFileSystem&) = delete;
    ForwardingFileSystem& operator=(const ForwardingFileSystem&) = delete;

    // The defaults are the interface's, so calls through any derived file system read the same.
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
    SaveResult saveFile(const std::string& path, std::string_view data, Trust trust) override;
    bool probeFolder(const std::string& dir) override;
    CopyResult moveIntoFolder(const std::string& from, const std::string& folder) override;
    bool exists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    bool listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                       EntryTimes times = EntryTimes::Read, std::string_view suffix = {}) override;
    bool removeFile(const std::string& path) override;
    CopyResult copyFile(const std::string& from, const std::string& to) override;
    MakeDirResult makeDirectory(const std::string& path) override;
    bool realFolderPath(const std::string& path, std::string& real) override;
    bool removeInFolder(const std::string& real,
                        const std::function<bool(std::string_view)>& remove) override;
    bool writeInFolder(const std::string& real, const std::string& name,
                       std::string_view data) override;
    bool makeFoldersBelow(const std::string& root, const std::string& relative) override;
    bool freeSpace(const std::string& path, uint64_t& bytes) override;
    std::string mountPoint(const std::string& path) override;
    bool fileTime(const std::string& path, uint64_t& time) override;

  private:
    PosixFileSystem own_;
    FileSystem& target_;
};
